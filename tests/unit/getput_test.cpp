// Unit tests for graphics GET and PUT: the picture layout per mode, the PUT actions, the
// checks that refuse a picture, and a sprite kept in an array through BSAVE and BLOAD.
#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include "program.h"
#include "test_support.h"

namespace getput_test {

namespace {

void start_in(int32_t mode) { start_screen(mode); }
uint8_t &pix(int x, int y) { return page_byte(x, y); }

// Every pixel of the page a colour of its own position (within the mode's colours).
void pattern(int seed) {
  for (int y = 0; y < write_page->height; y++)
    for (int x = 0; x < write_page->width; x++) pix(x, y) = (uint8_t)((x * 7 + y * 3 + seed) & write_page->mask);
}

uint16_t header(const std::vector<uint8_t> &a, int i) { return (uint16_t)(a[2 * i] | a[2 * i + 1] << 8); }

std::vector<uint8_t> rect_of(int x1, int y1, int w, int h) {
  std::vector<uint8_t> v;
  for (int y = y1; y < y1 + h; y++)
    for (int x = x1; x < x1 + w; x++) v.push_back(pix(x, y));
  return v;
}

}  // namespace

TEST(GetPut, GetThenPutReproducesTheRectangleWithTheModesLayout) {
  struct Case { int mode; int width_field; uint64_t bytes; };
  // A 37 x 11 rectangle: rows that do not end on a byte boundary in the packed and planar modes.
  const Case cases[] = {
      {13, 37 * 8, 4 + 37 * 11},
      {12, 37, 4 + 4 * 5 * 11},      // 4 planes of ceil(37 / 8) bytes
      {7, 37, 4 + 4 * 5 * 11},
      {1, 37 * 2, 4 + 10 * 11},      // ceil(74 / 8)
      {2, 37, 4 + 5 * 11},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.mode);
    start_in(c.mode);
    pattern(c.mode);
    EXPECT_EQ(graphics_picture_bytes(write_page, 37, 11), c.bytes);
    std::vector<uint8_t> a(c.bytes + 8, 0xEE);
    std::vector<uint8_t> want = rect_of(9, 13, 37, 11);
    sub_graphics_get(0, 45, 23, 0, 9, 13, a.data(), c.bytes);      // corners in any order
    ASSERT_EQ(new_error, 0);
    EXPECT_EQ(header(a, 0), c.width_field);
    EXPECT_EQ(header(a, 1), 11);
    EXPECT_EQ(a[c.bytes], 0xEE);                                    // nothing past the picture
    EXPECT_EQ(write_page->graphics_x, 9);                           // the second corner
    std::memset(write_page->pixels, 0, (size_t)write_page->width * write_page->height);
    sub_graphics_put(0, 100, 50, a.data(), c.bytes, 1);
    ASSERT_EQ(new_error, 0);
    EXPECT_EQ(rect_of(100, 50, 37, 11), want);
    size_t lit = 0;                                                 // nothing drawn elsewhere
    for (uint8_t v : want) lit += v != 0;
    EXPECT_EQ((size_t)(write_page->width * write_page->height - count_pixels(0)), lit);
  }
}

TEST(GetPut, PictureBytesFollowThePlanesAndPackedPixels) {
  struct Case { int mode; std::vector<uint8_t> colours; std::vector<uint8_t> want; };
  const Case cases[] = {
      // SCREEN 1: two bits a pixel, the leftmost highest; width 5 pixels = 10 bits
      {1, {1, 2, 3, 0, 1}, {10, 0, 1, 0, 0x6C, 0x40}},
      // SCREEN 12: 9 pixels, each plane's row 2 bytes, plane 0 first
      {12, {1, 2, 4, 8, 15, 0, 0, 0, 5}, {9, 0, 1, 0, 0x88, 0x80, 0x48, 0x00, 0x28, 0x80, 0x18, 0x00}},
      // SCREEN 13: a byte a pixel, width in bits
      {13, {200, 7}, {16, 0, 1, 0, 200, 7}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.mode);
    start_in(c.mode);
    for (size_t i = 0; i < c.colours.size(); i++) pix(3 + (int)i, 4) = c.colours[i];
    std::vector<uint8_t> a(c.want.size());
    sub_graphics_get(0, 3, 4, 0, 2 + (float)c.colours.size(), 4, a.data(), a.size());
    ASSERT_EQ(new_error, 0);
    EXPECT_EQ(a, c.want);
  }
}

TEST(GetPut, PutActionsCombineWithTheBackground) {
  struct Case { int mode; int32_t action; uint8_t (*op)(uint8_t d, uint8_t s, uint8_t mask); };
  const Case cases[] = {
      {13, 0, [](uint8_t d, uint8_t s, uint8_t) -> uint8_t { return d ^ s; }},
      {13, 1, [](uint8_t, uint8_t s, uint8_t) -> uint8_t { return s; }},
      {13, 2, [](uint8_t, uint8_t s, uint8_t m) -> uint8_t { return (uint8_t)(~s & m); }},
      {12, 2, [](uint8_t, uint8_t s, uint8_t m) -> uint8_t { return (uint8_t)(~s & m); }},
      {13, 3, [](uint8_t d, uint8_t s, uint8_t) -> uint8_t { return d & s; }},
      {12, 4, [](uint8_t d, uint8_t s, uint8_t) -> uint8_t { return d | s; }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.action);
    start_in(c.mode);
    pattern(5);
    std::vector<uint8_t> a(graphics_picture_bytes(write_page, 20, 10));
    sub_graphics_get(0, 0, 0, 0, 19, 9, a.data(), a.size());
    pattern(77);                                                     // a different background
    std::vector<uint8_t> bg(write_page->pixels, write_page->pixels + (size_t)write_page->width * write_page->height);
    write_page->graphics_x = 30, write_page->graphics_y = 40;
    sub_graphics_put(1, 10, 5, a.data(), a.size(), c.action);         // STEP: at (40, 45)
    ASSERT_EQ(new_error, 0);
    uint8_t m = (uint8_t)write_page->mask;
    for (int y = 0; y < 60; y++)
      for (int x = 0; x < 70; x++) {
        uint8_t d = bg[(size_t)y * write_page->width + x];
        bool in = x >= 40 && x < 60 && y >= 45 && y < 55;
        uint8_t s = in ? (uint8_t)(((x - 40) * 7 + (y - 45) * 3 + 5) & m) : 0;
        ASSERT_EQ(pix(x, y), in ? c.op(d, s, m) : d) << x << "," << y;
      }
    if (c.action == 0) {                                              // XOR twice: the background again
      sub_graphics_put(0, 40, 45, a.data(), a.size(), 0);
      EXPECT_TRUE(std::equal(bg.begin(), bg.end(), write_page->pixels));
    }
  }
}

TEST(GetPut, RefusedWithError5AndNothingChanged) {
  struct Case { const char *what; int mode; bool put; float x1, y1, x2, y2; int64_t bytes; int32_t action; bool view; };
  const Case cases[] = {
      {"array one byte short", 13, false, 0, 0, 9, 9, 103, 1, false},
      {"GET off the page", 13, false, 310, 0, 320, 9, 1000, 1, false},
      {"GET above the page", 13, false, 0, -1, 9, 9, 1000, 1, false},
      {"GET outside the view", 13, false, 60, 60, 69, 69, 1000, 1, true},   // pixels 110..119
      {"GET on a text page", 0, false, 0, 0, 1, 1, 1000, 1, false},
      {"PUT past the right edge", 13, true, 311, 0, 0, 0, 104, 1, false},
      {"PUT past the bottom", 13, true, 0, 191, 0, 0, 104, 1, false},
      {"PUT outside the view", 13, true, 60, 60, 0, 0, 104, 1, true},
      {"PUT rows past the array", 13, true, 0, 0, 0, 0, 103, 1, false},
      {"PUT without a header", 13, true, 0, 0, 0, 0, 3, 1, false},
      {"PUT unknown action", 13, true, 0, 0, 0, 0, 104, 5, false},
      {"PUT on a text page", 0, true, 0, 0, 0, 0, 104, 1, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    start_in(13);
    pattern(1);
    std::vector<uint8_t> a(1000, 0xEE);
    sub_graphics_get(0, 0, 0, 0, 9, 9, a.data(), a.size());         // a 10 x 10 picture, 104 bytes
    ASSERT_EQ(new_error, 0);
    std::vector<uint8_t> saved = a;
    if (c.mode != 13) kelg_screen(c.mode, 0, 0, 0, 0, 1);
    if (c.view) kelg_sub_view(0, 50, 50, 100, 100, 0, 0, 1);         // (0, 0) is pixel (50, 50)
    std::vector<uint8_t> page;
    if (!write_page->is_text) page.assign(write_page->pixels, write_page->pixels + 64000);
    if (c.put) sub_graphics_put(0, c.x1, c.y1, a.data(), (uint64_t)c.bytes, c.action);
    else sub_graphics_get(0, c.x1, c.y1, 0, c.x2, c.y2, a.data(), (uint64_t)c.bytes);
    EXPECT_EQ(new_error, 5);
    EXPECT_EQ(a, saved);
    if (!page.empty()) {
      EXPECT_TRUE(std::equal(page.begin(), page.end(), write_page->pixels));
    }
  }
  new_error = 0;
}

TEST(GetPut, SpriteSavedFromAnArrayLoadsBackAndDrawsTheSame) {
  start_in(13);
  pattern(9);
  kb_arr sprite{nullptr, 2, kb_raw, 0, {}, {}, 0};                    // DIM sprite%(200)
  kb_dim(sprite, {0}, {200});
  uint8_t *first = kb_elem(sprite, 0);
  sub_graphics_get(0, 20, 30, 0, 35, 45, first, 402);                 // 16 x 16: 260 bytes
  ASSERT_EQ(new_error, 0);
  std::vector<uint8_t> want(first, first + 402);
  std::string path = testing::TempDir() + "getput_sprite.bin";
  kels *name = kels_new_txt(path.c_str());
  sub_defseg(kb_varseg(sprite, first), 1);
  sub_bsave(name, kb_varptr(sprite, first), 260);
  ASSERT_EQ(new_error, 0);
  std::memset(sprite.data, 0, 402);                                   // the array cleared
  sub_bload(name, kb_varptr(sprite, first), 1);
  ASSERT_EQ(new_error, 0);
  EXPECT_EQ(std::vector<uint8_t>(first, first + 402), want);
  std::memset(sprite.data, 0, 402);
  sub_bload(name, 0, 0);                                              // back where it was saved from
  ASSERT_EQ(new_error, 0);
  EXPECT_EQ(std::vector<uint8_t>(first, first + 260), std::vector<uint8_t>(want.begin(), want.begin() + 260));
  sub_defseg(0, 0);
  std::vector<uint8_t> before = rect_of(20, 30, 16, 16);
  std::memset(write_page->pixels, 0, 64000);
  sub_graphics_put(0, 20, 30, first, 402, 1);
  ASSERT_EQ(new_error, 0);
  EXPECT_EQ(rect_of(20, 30, 16, 16), before);
  kels_free(name);
  kb_free_arr(sprite);
  std::remove(path.c_str());
}

}  // namespace getput_test
