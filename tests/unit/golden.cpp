#include "golden.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include "images.h"
#include "script.h"

std::vector<uint32_t> page_rgb(int *w, int *h) {
  const img_struct *p = write_page;
  *w = p->width;
  *h = p->height;
  std::vector<uint32_t> out((size_t)p->width * p->height);
  for (size_t i = 0; i < out.size(); i++) {
    if (p->bytes_per_pixel == 4) out[i] = ((const uint32_t *)p->pixels)[i] & 0xFFFFFF;
    else out[i] = p->palette[p->pixels[i]] & 0xFFFFFF;
  }
  return out;
}

static uint32_t be32(const std::string &s, size_t at) {
  return (uint32_t)(uint8_t)s[at] << 24 | (uint32_t)(uint8_t)s[at + 1] << 16 |
         (uint32_t)(uint8_t)s[at + 2] << 8 | (uint8_t)s[at + 3];
}

bool read_stored_png(const std::string &path, std::vector<uint32_t> *rgb, int *w, int *h) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  std::string s = ss.str(), z;
  if (s.size() < 8 || s.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return false;
  for (size_t at = 8; at + 8 <= s.size();) {
    uint32_t len = be32(s, at);
    std::string type = s.substr(at + 4, 4);
    if (at + 12 + len > s.size()) return false;
    if (type == "IHDR") {
      *w = (int)be32(s, at + 8);
      *h = (int)be32(s, at + 12);
      if (s[at + 16] != 8 || s[at + 17] != 2) return false;
    } else if (type == "IDAT") {
      z += s.substr(at + 8, len);
    }
    at += 12 + len;
  }
  std::string raw;
  for (size_t at = 2; at + 5 <= z.size();) {   // stored blocks only
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

void expect_page_golden(const std::string &name) {
  int w, h;
  std::vector<uint32_t> got = page_rgb(&w, &h);
  std::string path = std::string(KEL_SOURCE_DIR) + "/tests/data/" + name + ".png";
  const char *update = std::getenv("KEL_UPDATE_GOLDENS");
  if (update && std::string(update) == "1") {
    ASSERT_TRUE(write_image_file(path, got.data(), w, h)) << path;
    return;
  }
  std::vector<uint32_t> want;
  int gw = 0, gh = 0;
  ASSERT_TRUE(read_stored_png(path, &want, &gw, &gh)) << "cannot read golden " << path;
  ASSERT_EQ(gw, w) << name;
  ASSERT_EQ(gh, h) << name;
  size_t differ = 0, first = 0;
  for (size_t i = 0; i < got.size(); i++)
    if (got[i] != want[i] && !differ++) first = i;
  if (differ) {
    std::string actual = testing::TempDir() + "/" + name + ".actual.png";
    write_image_file(actual, got.data(), w, h);
    ADD_FAILURE() << name << ": " << differ << " pixels differ, the first at (" << first % w << ", "
                  << first / w << "); this run drew " << actual;
  }
}
