// The BASIC demos under scripts: the table demo's PRINT USING columns and INPUT retry, and
// the shapes demo's painted regions read back from a screen snapshot.
#include <gtest/gtest.h>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <vector>
#include "program_runner.h"

static std::string demo(const char *name) { return std::string(KEL_BUILD_DIR) + "/demos/" + name; }

static std::vector<std::string> dump_rows(const std::string &text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) {
    while (!l.empty() && l.back() == ' ') l.pop_back();
    out.push_back(l);
  }
  return out;
}

TEST(TableDemo, RetriesABadCountThenPrintsTheColumns) {
  auto res = run_program(demo("table"),
                         "until 2 1 10000 How many rows (1 to 20)? \n"
                         "type 0\n"
                         "key Enter\n"
                         "until 4 1 5000 How many rows\n"
                         "type 14\n"
                         "key Enter\n"
                         "until 25 1 10000 Press any key to continue\n"
                         "text table.txt\n"
                         "key x\n");
  ASSERT_EQ(res.status, 0) << res.err;
  auto rows = dump_rows(read_file(scratch_dir() + "/table.txt"));
  ASSERT_EQ(rows.size(), 25u);
  EXPECT_EQ(rows[0], "Squares, cubes and roots");
  EXPECT_EQ(rows[1], "How many rows (1 to 20)? 0");
  EXPECT_EQ(rows[2], "Please give a number from 1 to 20.");
  EXPECT_EQ(rows[3], "How many rows (1 to 20)? 14");
  double roots = 0;
  for (int n = 1; n <= 14; n++) {
    float root = std::sqrt((float)n);
    roots += root;
    char want[80];
    std::snprintf(want, sizeof want, "%4d  %6d  %8d  %7.4f  %s", n, n * n, n * n * n, root, n % 2 ? "odd" : "even");
    EXPECT_EQ(rows[5 + n], want) << "row for " << n;
  }
  EXPECT_EQ(rows[21], "Sum of the squares:   1,015");   // 1 + 4 + ... + 196, with a thousands comma
  char mean[64];
  std::snprintf(mean, sizeof mean, "Mean of the roots:  %7.3f", roots / 14);
  EXPECT_EQ(rows[22], mean);
}

static uint32_t be32(const std::string &s, size_t at) {
  return (uint32_t)(uint8_t)s[at] << 24 | (uint32_t)(uint8_t)s[at + 1] << 16 |
         (uint32_t)(uint8_t)s[at + 2] << 8 | (uint8_t)s[at + 3];
}

// Pixels of a PNG as the runtime writes them (8-bit RGB in stored deflate blocks).
static bool read_png(const std::string &s, std::vector<uint32_t> *rgb, int *w, int *h) {
  if (s.size() < 8 || s.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return false;
  std::string z, raw;
  for (size_t at = 8; at + 8 <= s.size();) {
    uint32_t len = be32(s, at);
    if (at + 12 + len > s.size()) return false;
    std::string type = s.substr(at + 4, 4);
    if (type == "IHDR") {
      *w = (int)be32(s, at + 8);
      *h = (int)be32(s, at + 12);
    } else if (type == "IDAT") {
      z += s.substr(at + 8, len);
    }
    at += 12 + len;
  }
  for (size_t at = 2; at + 5 <= z.size();) {
    bool last = z[at] & 1;
    if ((z[at] & 6) != 0) return false;
    size_t n = (uint8_t)z[at + 1] | (size_t)(uint8_t)z[at + 2] << 8;
    raw += z.substr(at + 5, n);
    at += 5 + n;
    if (last) break;
  }
  if (raw.size() != (size_t)*h * ((size_t)*w * 3 + 1)) return false;
  rgb->resize((size_t)*w * *h);
  for (int y = 0; y < *h; y++)
    for (int x = 0; x < *w; x++) {
      const char *p = &raw[(size_t)y * (*w * 3 + 1) + 1 + (size_t)x * 3];
      (*rgb)[(size_t)y * *w + x] = (uint32_t)(uint8_t)p[0] << 16 | (uint32_t)(uint8_t)p[1] << 8 | (uint8_t)p[2];
    }
  return true;
}

TEST(ShapesDemo, PaintFillsEachRegionUpToItsBorderOnly) {
  auto res = run_program(demo("shapes"),
                         "until 24 2 10000 Press a key\n"
                         "snap shapes.png\n"
                         "text shapes.txt\n"
                         "key x\n"
                         "until 25 1 5000 Press any key to continue\n"
                         "key x\n");
  ASSERT_EQ(res.status, 0) << res.err;
  EXPECT_EQ(dump_rows(read_file(scratch_dir() + "/shapes.txt"))[0], " CIRCLE, PAINT and DRAW");
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  ASSERT_TRUE(read_png(read_file(scratch_dir() + "/shapes.png"), &px, &w, &h));
  ASSERT_EQ(w, 320);
  ASSERT_EQ(h, 200);
  // Colours of the default palette: 0 black, 2 green, 3 cyan, 4 red, 5 magenta, 10 light
  // green, 14 yellow.
  struct { int x, y; uint32_t rgb; const char *what; } cases[] = {
      {70, 100, 0x00AA00, "target centre"},
      {97, 100, 0xFFFF55, "middle ring"},
      {112, 100, 0xAA0000, "outer ring"},
      {130, 100, 0x000000, "outside the target"},
      {200, 50, 0x00AAAA, "ellipse"},
      {200, 25, 0x000000, "above the flattened ellipse"},
      {200, 125, 0xAA00AA, "pie slice"},
      {200, 155, 0x000000, "below the slice's centre, outside its angles"},
      {280, 110, 0x55FF55, "the pentagram's middle, painted by DRAW"},
      {280, 90, 0x000000, "the pentagram's top point, left unpainted"},
  };
  for (auto &c : cases) EXPECT_EQ(px[(size_t)c.y * w + c.x], c.rgb) << c.what << " at " << c.x << "," << c.y;
}
