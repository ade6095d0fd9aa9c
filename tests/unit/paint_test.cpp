// Unit tests for the flood fill (PAINT).
#include <gtest/gtest.h>
#include <cstring>
#include <random>
#include <string>
#include <vector>
#include "golden.h"
#include "test_support.h"

namespace paint_test {

namespace {

void start_in(int32_t mode) { start_screen(mode); }
uint8_t &pix(int x, int y) { return page_byte(x, y); }

void rect(int x1, int y1, int x2, int y2, uint8_t c) {   // outline
  for (int x = x1; x <= x2; x++) pix(x, y1) = pix(x, y2) = c;
  for (int y = y1; y <= y2; y++) pix(x1, y) = pix(x2, y) = c;
}

void set_view(int x1, int y1, int x2, int y2, bool offset) {
  img_struct *p = write_page;
  p->view_x1 = x1, p->view_y1 = y1, p->view_x2 = x2, p->view_y2 = y2;
  p->view_offset_x = offset ? x1 : 0;
  p->view_offset_y = offset ? y1 : 0;
  p->coord_mode = 1;
}

// The fill done one pixel at a time on a copy: the pixels 4-connected to the start inside the
// view through pixels other than the border colour.
std::vector<uint8_t> reference_fill(const img_struct *im, int sx, int sy, uint8_t fill, uint8_t border) {
  int w = im->width;
  std::vector<uint8_t> out(im->pixels, im->pixels + (size_t)w * im->height);
  auto inside = [&](int x, int y) {
    return x >= im->view_x1 && x <= im->view_x2 && y >= im->view_y1 && y <= im->view_y2;
  };
  if (!inside(sx, sy) || out[(size_t)sy * w + sx] == border) return out;
  std::vector<uint8_t> seen(out.size());
  std::vector<std::pair<int, int>> todo{{sx, sy}};
  seen[(size_t)sy * w + sx] = 1;
  while (!todo.empty()) {
    auto [x, y] = todo.back();
    todo.pop_back();
    out[(size_t)y * w + x] = fill;
    const int dx[] = {-1, 1, 0, 0}, dy[] = {0, 0, -1, 1};
    for (int d = 0; d < 4; d++) {
      int nx = x + dx[d], ny = y + dy[d];
      if (!inside(nx, ny)) continue;
      size_t at = (size_t)ny * w + nx;
      if (seen[at] || im->pixels[at] == border) continue;
      seen[at] = 1;
      todo.push_back({nx, ny});
    }
  }
  return out;
}

std::vector<uint8_t> page_copy() {
  return std::vector<uint8_t>(write_page->pixels,
                              write_page->pixels + (size_t)write_page->width * write_page->height);
}

}  // namespace

TEST(Paint, BoxInteriorStopsAtBorderWithOrWithoutBorderColour) {
  struct Case { uint32_t fill, border; int32_t passed; uint8_t inside; };
  const Case cases[] = {
      {2, 4, 3, 2},    // fill 2, border 4
      {4, 0, 1, 4},    // no border: bounded by the fill colour itself
      {0, 4, 2, 15},   // no fill: the page colour (15) bounded by 4
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.fill);
    start_in(13);
    rect(10, 10, 50, 40, 4);
    pix(30, 25) = 9;                               // an island of another colour is filled too
    sub_paint(0, 20, 20, c.fill, c.border, nullptr, c.passed);
    ASSERT_EQ(new_error, 0);
    for (int y = 0; y < 200; y++)
      for (int x = 0; x < 320; x++) {
        bool edge = ((x == 10 || x == 50) && y >= 10 && y <= 40) || ((y == 10 || y == 40) && x >= 10 && x <= 50);
        bool in = x > 10 && x < 50 && y > 10 && y < 40;
        ASSERT_EQ(pix(x, y), edge ? 4 : in ? c.inside : 0) << x << "," << y;
      }
    EXPECT_EQ(write_page->draw_color, c.inside);
    EXPECT_EQ(write_page->graphics_x, 20);
    EXPECT_EQ(write_page->graphics_y, 20);
  }
}

TEST(Paint, DiagonalGapsDoNotLetTheFillThrough) {
  start_in(13);
  // A wall whose pixels touch only at corners: (x, y) and (x + 1, y + 1).
  for (int y = 0; y < 200; y++) pix(100 + y, y) = 5;
  sub_paint(0, 0, 199, 7, 5, nullptr, 3);
  for (int y = 0; y < 200; y++)
    for (int x = 0; x < 320; x++) {
      int want = x - 100 == y ? 5 : x - 100 < y ? 7 : 0;
      ASSERT_EQ(pix(x, y), want) << x << "," << y;
    }
}

TEST(Paint, StartOnBorderOrOutsideViewDrawsNothingButMovesCursor) {
  struct Case { float x, y; };
  const Case cases[] = {{5, 10}, {15, 15}, {-5, 10}, {320, 0}, {0, 200}, {-1e9f, 5}, {5, 3e9f},
                        {1e30f, -1e30f}, {2147483520.f, 5}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.x);
    start_in(13);
    rect(5, 5, 15, 15, 4);
    std::vector<uint8_t> before = page_copy();
    sub_paint(0, c.x, c.y, 2, 4, nullptr, 3);
    EXPECT_EQ(new_error, 0);
    EXPECT_EQ(page_copy(), before);
    EXPECT_EQ(write_page->graphics_x, c.x);
    EXPECT_EQ(write_page->graphics_y, c.y);
    EXPECT_EQ(write_page->draw_color, 2u);
  }
}

TEST(Paint, RegionTouchingTheViewIsFilledUpToTheViewOnly) {
  start_in(13);
  rect(0, 0, 319, 199, 4);
  set_view(50, 40, 149, 119, false);
  sub_paint(0, 100, 80, 3, 4, nullptr, 3);
  for (int y = 1; y < 199; y++)
    for (int x = 1; x < 319; x++) {
      bool in = x >= 50 && x <= 149 && y >= 40 && y <= 119;
      ASSERT_EQ(pix(x, y), in ? 3 : 0) << x << "," << y;
    }
}

TEST(Paint, MapsStepViewOffsetWindowAndRoundsTiesToEven) {
  // Single-pixel columns between walls show exactly which column the start mapped to.
  struct Case { int mode; float x, y; int32_t step; int want_x; };
  const Case cases[] = {
      {0, 10.5f, 5, 0, 10},     // ties to even
      {0, 11.5f, 5, 0, 12},
      {0, 12.4f, 5, 0, 12},
      {1, 4, 5, 0, 14},         // VIEW origin at x = 10
      {0, 2, 0, 1, 12},         // STEP from the cursor (10, 5)
      {2, 3, 5, 0, 16},         // WINDOW x scale 2, offset 0, plus the view origin
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.want_x);
    start_in(13);
    for (int x = 1; x < 320; x += 2)
      for (int y = 0; y < 200; y++) pix(x, y) = 4;
    write_page->graphics_x = 10, write_page->graphics_y = 5;
    if (c.mode) set_view(10, 0, 319, 199, true);
    if (c.mode == 2) write_page->coord_mode = 2, write_page->scale_x = 2;
    sub_paint(c.step, c.x, c.y, 2, 4, nullptr, 3);
    for (int x = 0; x < 320; x += 2) ASSERT_EQ(pix(x, 100), x == c.want_x ? 2 : 0) << x;
    EXPECT_EQ(write_page->graphics_x, c.step ? 10 + c.x : c.x);
  }
}

TEST(Paint, BackgroundArgumentTextPageAndPendingErrorChangeNothing) {
  start_in(13);
  sub_paint(0, 7, 8, 2, 4, nullptr, 7);
  EXPECT_EQ(new_error, 5);
  EXPECT_EQ(pix(7, 8), 0);
  EXPECT_EQ(write_page->graphics_x, 160);         // cursor and pen untouched
  EXPECT_EQ(write_page->draw_color, 15u);

  sub_paint(0, 7, 8, 2, 4, nullptr, 3);           // the error is still pending
  EXPECT_EQ(pix(7, 8), 0);
  EXPECT_EQ(write_page->graphics_x, 160);
  new_error = 0;
  sub_paint(0, 7, 8, 2, 4, nullptr, 3);
  EXPECT_EQ(pix(7, 8), 2);

  start_in(0);
  sub_paint(0, 1, 1, 2, 4, nullptr, 3);
  EXPECT_EQ(new_error, 5);
}

TEST(Paint, MazeOnScreen12FillsEveryReachablePixelAndNoWall) {
  start_in(12);
  // A maze on the grid of odd cells, carved by a random depth-first walk; walls one pixel wide.
  const int w = 640, h = 480, cw = w / 2, ch = h / 2;
  std::memset(write_page->pixels, 9, (size_t)w * h);
  std::mt19937 rng(7);
  std::vector<uint8_t> done((size_t)cw * ch);
  std::vector<std::pair<int, int>> stack{{0, 0}};
  done[0] = 1;
  pix(1, 1) = 0;
  while (!stack.empty()) {
    auto [cx, cy] = stack.back();
    int dirs[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}}, options[4], n = 0;
    for (int d = 0; d < 4; d++) {
      int nx = cx + dirs[d][0], ny = cy + dirs[d][1];
      if (nx >= 0 && ny >= 0 && nx < cw - 1 && ny < ch - 1 && !done[(size_t)ny * cw + nx]) options[n++] = d;
    }
    if (!n) {
      stack.pop_back();
      continue;
    }
    int d = options[rng() % n], nx = cx + dirs[d][0], ny = cy + dirs[d][1];
    done[(size_t)ny * cw + nx] = 1;
    pix(2 * cx + 1 + dirs[d][0], 2 * cy + 1 + dirs[d][1]) = 0;
    pix(2 * nx + 1, 2 * ny + 1) = 0;
    stack.push_back({nx, ny});
  }
  for (int y = 3; y < h - 3; y += 8) pix(2 + (y * 37) % 600, y) = 14;   // not the border: passable
  pix(639, 0) = 0;                                                      // an unreachable hole
  std::vector<uint8_t> want = reference_fill(write_page, 1, 1, 12, 9);
  sub_paint(0, 1, 1, 12, 9, nullptr, 3);
  ASSERT_EQ(new_error, 0);
  std::vector<uint8_t> got = page_copy();
  size_t filled = 0;
  for (size_t i = 0; i < got.size(); i++) {
    ASSERT_EQ(got[i], want[i]) << i % w << "," << i / w;
    filled += got[i] == 12;
  }
  EXPECT_GT(filled, 100000u);                     // the walk reaches nearly every cell
  EXPECT_EQ(pix(639, 0), 0);
}

TEST(Paint, ManyBranchesAtOnceOnAWideImage) {
  // Four combs of one-pixel teeth fed from a point half-way between two spines: each step of the
  // fill then advances about 131,000 separate tips at once, far beyond the first frontier size.
  kel_test_reset();
  const int w = 65535, h = 33, mid = 16, spine1 = 8, spine2 = 24;
  uint32_t slot = imgnew(w, h, 256);
  ASSERT_NE(slot, 0u);
  img_struct *im = &img[slot];
  auto at = [&](int x, int y) -> uint8_t & { return im->pixels[(size_t)y * w + x]; };
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      bool feed = x == 0 && y >= spine1 && y <= spine2;
      bool spine = y == spine1 || y == spine2;
      bool tooth = x >= 2 && x % 2 == 0 && y != mid;
      at(x, y) = feed || spine || tooth ? 0 : 3;
    }
  at(w - 1, 1) = 3;                               // cuts off the last tooth's top pixel
  size_t open = 0;
  for (size_t i = 0; i < (size_t)w * h; i++) open += im->pixels[i] == 0;
  paint_fill(im, 0, mid, 5, 3);
  size_t filled = 0, walls = 0;
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      filled += at(x, y) == 5;
      walls += at(x, y) == 3;
    }
  EXPECT_EQ(filled, open - 1);
  EXPECT_EQ(walls, (size_t)w * h - open);
  EXPECT_EQ(at(w - 1, 0), 0);
  images_free_program_images();                  // releases the image with its memory
}

TEST(Paint, MatchesPixelByPixelFillOnRandomPagesAndViews) {
  start_in(13);
  std::mt19937 rng(1234);
  for (int round = 0; round < 300; round++) {
    SCOPED_TRACE(round);
    int density = 20 + (int)(rng() % 40);          // percent of border pixels
    for (size_t i = 0; i < 320u * 200; i++) write_page->pixels[i] = rng() % 100 < (unsigned)density ? 4 : rng() % 3;
    int x1 = rng() % 320, x2 = rng() % 320, y1 = rng() % 200, y2 = rng() % 200;
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    set_view(x1, y1, x2, y2, false);
    int sx = x1 + (int)(rng() % (x2 - x1 + 1)), sy = y1 + (int)(rng() % (y2 - y1 + 1));
    uint8_t fill = rng() % 2 ? 4 : 1;               // fill equal to the border colour, or not
    std::vector<uint8_t> want = reference_fill(write_page, sx, sy, fill, 4);
    paint_fill(write_page, sx, sy, fill, 4);
    ASSERT_EQ(page_copy(), want);
  }
}

TEST(Paint, GoldenShapesInScreen13) {
  start_in(13);
  rect(10, 10, 150, 110, 4);
  for (int i = 0; i <= 100; i++) pix(10 + i, 10 + i) = 4;         // a diagonal wall
  sub_paint(0, 30, 100, 2, 4, nullptr, 3);                      // lower-left triangle only
  rect(170, 10, 310, 110, 14);
  rect(190, 30, 230, 70, 1);                                     // fill-coloured box: passed through
  rect(250, 30, 290, 70, 14);                                    // a border box: left empty
  sub_paint(0, 180, 100, 1, 14, nullptr, 3);
  rect(0, 120, 319, 199, 10);
  set_view(40, 140, 279, 179, false);
  sub_paint(0, 60, 150, 13, 10, nullptr, 3);                     // stops at the view's edges
  expect_page_golden("paint_shapes_13");
}

TEST(Paint, TilesFillTheRegionWithThePatternOnThePagesGrid) {
  struct Case { int mode; std::string tile; uint8_t (*want)(int x, int y); };
  const Case cases[] = {
      // SCREEN 13: a byte a row, each the colour of the whole row
      {13, std::string("\x01\x02\x03", 3), [](int, int y) -> uint8_t { return (uint8_t)(1 + y % 3); }},
      // the border colour inside the tile does not stop the fill
      {13, std::string("\x04\x09", 2), [](int, int y) -> uint8_t { return y % 2 ? 9 : 4; }},
      // SCREEN 12: planes 0..3 of a row; the 5-byte string's second row has plane 0 only
      {12, std::string("\xF0\x0F\xAA\x00\x81", 5), [](int x, int y) -> uint8_t {
         int b = 7 - (x & 7);
         if (y % 2) return (uint8_t)((0x81 >> b) & 1);
         return (uint8_t)(((0xF0 >> b) & 1) | ((0x0F >> b) & 1) << 1 | ((0xAA >> b) & 1) << 2);
       }},
      // SCREEN 1: four 2-bit pixels a byte, so the pattern repeats every 4 pixels
      {1, std::string("\x1B", 1), [](int x, int) -> uint8_t { return (uint8_t)(x & 3); }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.mode);
    start_in(c.mode);
    uint8_t border = c.mode == 1 ? 3 : 4;
    rect(10, 10, 50, 40, border);
    pix(60, 20) = 7 & write_page->mask;                 // outside the box: untouched
    kels *tile = kels_new_txt_len(c.tile.data(), (int32_t)c.tile.size());
    sub_paint_tile(0, 20, 20, tile, border, nullptr, 2);
    ASSERT_EQ(new_error, 0);
    for (int y = 0; y < 60; y++)
      for (int x = 0; x < 70; x++) {
        bool edge = ((x == 10 || x == 50) && y >= 10 && y <= 40) || ((y == 10 || y == 40) && x >= 10 && x <= 50);
        bool in = x > 10 && x < 50 && y > 10 && y < 40;
        uint8_t want = edge ? border : in ? c.want(x, y) : x == 60 && y == 20 ? 7 & write_page->mask : 0;
        ASSERT_EQ(pix(x, y), want) << x << "," << y;
      }
    EXPECT_EQ(write_page->graphics_x, 20);
    kels_free(tile);
  }
}

TEST(Paint, TileBorderDefaultAndRefusedTiles) {
  start_in(13);
  rect(10, 10, 50, 40, 15);                            // the foreground: the border when none is given
  kels *tile = kels_new_txt("\x05");
  sub_paint_tile(0, 20, 20, tile, 0, nullptr, 0);
  EXPECT_EQ(pix(20, 20), 5);
  EXPECT_EQ(pix(60, 60), 0);
  kels_free(tile);

  struct Case { int mode; uint32_t len; bool background; int err; };
  const Case cases[] = {
      {13, 0, false, 5}, {13, 65, false, 5}, {13, 64, false, 0}, {12, 256, false, 0},
      {12, 257, false, 5}, {13, 1, true, 0}, {0, 1, false, 5},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.len);
    start_in(c.mode);
    std::string bytes(c.len, '\xFF');
    kels *t = kels_new_txt_len(bytes.data(), (int32_t)c.len);
    kels *bg = kels_new_txt_len("\0", 1);
    sub_paint_tile(0, 5, 5, t, 4, bg, c.background ? 6 : 2);
    EXPECT_EQ(new_error, c.err);
    if (!write_page->is_text) {
      EXPECT_EQ(pix(5, 5), c.err ? 0u : write_page->mask);
    }
    new_error = 0;
    kels_free(t);
    kels_free(bg);
  }
}

}  // namespace paint_test
