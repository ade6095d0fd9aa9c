// The BASIC demos under scripts: the table demo's PRINT USING columns and INPUT retry, and
// the shapes demo's painted regions read back from a screen snapshot.
#include <gtest/gtest.h>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <vector>
#include "png_reader.h"
#include "program_runner.h"

namespace demo_bas_test {

static std::string demo(const char *name) { return std::string(KEL_BUILD_DIR) + "/demos/" + name; }

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
  auto rows = trimmed_lines(read_file(scratch_dir() + "/table.txt"));
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


TEST(ShapesDemo, PaintFillsEachRegionUpToItsBorderOnly) {
  auto res = run_program(demo("shapes"),
                         "until 24 2 10000 Press a key\n"
                         "snap shapes.png\n"
                         "text shapes.txt\n"
                         "key x\n"
                         "until 25 1 5000 Press any key to continue\n"
                         "key x\n");
  ASSERT_EQ(res.status, 0) << res.err;
  EXPECT_EQ(trimmed_lines(read_file(scratch_dir() + "/shapes.txt"))[0], " CIRCLE, PAINT and DRAW");
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

}  // namespace demo_bas_test
