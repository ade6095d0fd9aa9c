#include "golden.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include "images.h"
#include "png_reader.h"
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

bool read_stored_png(const std::string &path, std::vector<uint32_t> *rgb, int *w, int *h) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return read_png(ss.str(), rgb, w, h);
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
