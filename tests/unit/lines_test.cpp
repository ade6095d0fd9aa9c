// Unit tests for lines and boxes: mapping and rounding, the clipper, styles, boxes, PSET,
// POINT, PMAP, WINDOW, VIEW, errors, far-off coordinates and two golden pictures.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <functional>
#include "golden.h"
#include "test_support.h"

namespace lines_test {

namespace {

void line(float x1, float y1, float x2, float y2, uint32_t c, int kind = 0, uint32_t style = 0,
          int passed = 3) {
  sub_line(0, x1, y1, 0, x2, y2, c, kind, style, passed);
}

}  // namespace

TEST(Lines, ClipperMovesEndsOntoEdgesAndCountsSkippedPixels) {
  struct { int x1, y1, x2, y2, draw, cx1, cy1, cx2, cy2; int64_t skip; } cases[] = {
    {-50, 100, 400, 100, 1, 0, 100, 319, 100, 50},
    {-10, -10, 10, 10, 1, 0, 0, 10, 10, 10},
    {10, -5, 10, 300, 1, 10, 0, 10, 199, 5},
    {100, 250, 100, 150, 1, 100, 199, 100, 150, 51},
    {322, 200, 300, 189, 1, 319, 198, 300, 189, 3},  // crossing 198.5 rounds to even
    {322, 201, 300, 190, 1, 318, 199, 300, 190, 4},  // right edge at 199.5 -> 200 misses
    {-10, 5, 5, -10, 0, 0, 0, 0, 0, 0},              // passes beside the corner
    {-10, 50, -5, 60, 0, 0, 0, 0, 0, 0},             // both left of the view: no stray pixel
    {7, 8, 7, 8, 1, 7, 8, 7, 8, 0},
    {-7, 8, -7, 8, 0, 0, 0, 0, 0, 0},
    {INT32_MIN, 0, INT32_MAX, 0, 1, 0, 0, 319, 0, 2147483648LL},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.x1 << "," << c.y1 << " - " << c.x2 << "," << c.y2);
    lineclip(c.x1, c.y1, c.x2, c.y2, 0, 0, 319, 199);
    ASSERT_EQ(lineclip_draw, c.draw);
    if (!c.draw) continue;
    EXPECT_EQ(lineclip_x1, c.cx1); EXPECT_EQ(lineclip_y1, c.cy1);
    EXPECT_EQ(lineclip_x2, c.cx2); EXPECT_EQ(lineclip_y2, c.cy2);
    EXPECT_EQ(lineclip_skippixels, c.skip);
  }
}

TEST(Lines, StyleStartsWithBit15AndClippedStartShiftsPattern) {
  start_screen13();
  line(0, 50, 20, 50, 15, 0, 0xAAAA, 7);
  for (int x = 0; x <= 20; x++) EXPECT_EQ(page_pixel(x, 50), x % 2 ? 0 : 15) << x;
  // 50 pixels cut at the left: pixel x = 0 is pixel 50 of the line, so style bit 13 decides
  line(-50, 100, 400, 100, 15, 0, 0x2000, 7);
  for (int x = 0; x < 320; x++) EXPECT_EQ(page_pixel(x, 100), x % 16 == 0 ? 15 : 0) << x;
  // each box edge starts the pattern afresh: every corner gets the first pixel
  line(200, 10, 210, 20, 9, 1, 0x8000, 7);
  EXPECT_EQ(count_pixels(9), 4);
  EXPECT_EQ(page_pixel(200, 10) + page_pixel(210, 10) + page_pixel(210, 20) + page_pixel(200, 20), 36);
}

TEST(Lines, OnePointLineAndLineFromCursorAfterCls) {
  start_screen13();
  line(30, 30, 30, 30, 9);
  EXPECT_EQ(count_pixels(9), 1);
  EXPECT_EQ(page_pixel(30, 30), 9);
  line(-3, 30, -3, 30, 9);
  EXPECT_EQ(count_pixels(9), 1);
  sub_cls(0, 0, 0);
  sub_line(0, 0, 0, 0, 170, 100, 12, 0, 0, 2);      // LINE -(170, 100), 12
  for (int x = 159; x <= 171; x++) EXPECT_EQ(page_pixel(x, 100), x >= 160 && x <= 170 ? 12 : 0) << x;
  sub_line(1, 0, 5, 1, 10, 0, 0, 0, 0, 1);          // LINE STEP(0, 5)-STEP(10, 0): colour 15
  EXPECT_EQ(count_pixels(15), 11);
  EXPECT_EQ(page_pixel(170, 105), 15);
  EXPECT_EQ(page_pixel(180, 105), 15);
  EXPECT_EQ(write_page->graphics_x, 180);
  EXPECT_EQ(write_page->draw_color, 15u);
}

TEST(Lines, BoxEdgesAndFilledBoxCorners) {
  start_screen13();
  line(10, 10, 150, 100, 15, 1);
  EXPECT_EQ(count_pixels(15), 2 * 141 + 2 * 89);
  EXPECT_EQ(page_pixel(10, 10) + page_pixel(150, 10) + page_pixel(150, 100) + page_pixel(10, 100), 60);
  EXPECT_EQ(page_pixel(11, 11), 0);
  fast_boxfill(0, 0, 319, 199, 3);
  line(309, 99, 161, 11, 0, 2);                     // corners in either order
  EXPECT_EQ(count_pixels(0), 149 * 89);
  EXPECT_EQ(page_pixel(161, 11), 0); EXPECT_EQ(page_pixel(309, 99), 0);
  EXPECT_EQ(page_pixel(160, 11), 3); EXPECT_EQ(page_pixel(161, 10), 3);
  EXPECT_EQ(page_pixel(310, 99), 3); EXPECT_EQ(page_pixel(309, 100), 3);
}

TEST(Lines, MappingRoundsTiesToEvenInAllCoordModes) {
  start_screen13();
  struct { float v; int plain, view, window; } cases[] = {
    {2.5f, 2, 12, 1}, {3.5f, 4, 14, 2}, {-0.5f, 0, 10, 0}, {5.0f, 5, 15, 2}, {7.0f, 7, 17, 4},
  };
  for (auto &c : cases) EXPECT_EQ(kelg_map_x(write_page, c.v), c.plain) << c.v;
  kelg_sub_view(0, 10, 20, 109, 119, 0, 0, 1);
  EXPECT_EQ(write_page->coord_mode, 1);
  for (auto &c : cases) EXPECT_EQ(kelg_map_x(write_page, c.v), c.view) << c.v;
  kelg_sub_view(0, 0, 0, 0, 0, 0, 0, 0);
  kelg_sub_window(1, 0, 0, 638, 398, 1);             // scale 0.5: x 5 -> 2.5 -> 2
  for (auto &c : cases) EXPECT_EQ(kelg_map_x(write_page, c.v), c.window) << c.v;
  kelg_pset(0, 7, 5, 4, 1);                          // (3.5, 2.5) -> (4, 2)
  EXPECT_EQ(page_pixel(4, 2), 4);
  EXPECT_EQ(write_page->draw_color, 4u);
}

TEST(Lines, ViewOffsetsWindowFlipsAndOrderDoesNotMatter) {
  start_screen13();
  kelg_sub_view(0, 10, 20, 109, 119, 0, 0, 1);
  kelg_pset(0, 0, 0, 5, 1);
  kelg_pset(0, -1, 0, 5, 1);                         // left of the view
  EXPECT_EQ(page_pixel(10, 20), 5);
  EXPECT_EQ(count_pixels(5), 1);
  kelg_sub_window(0, 0, 0, 99, 99, 1);               // y grows upwards
  kelg_pset(0, 0, 0, 6, 1);
  EXPECT_EQ(page_pixel(10, 119), 6);
  float sy = write_page->scale_y, oy = write_page->scale_offset_y;
  start_screen13();                                         // WINDOW first, then VIEW: same mapping
  kelg_sub_window(0, 0, 0, 99, 99, 1);
  kelg_sub_view(0, 10, 20, 109, 119, 0, 0, 1);
  EXPECT_EQ(write_page->scale_y, sy);
  EXPECT_EQ(write_page->scale_offset_y, oy);
  kelg_sub_view(1, 10, 20, 109, 119, 0, 0, 1);       // VIEW SCREEN: no origin offset
  kelg_sub_window(0, 0, 0, 0, 0, 0);
  sub_preset(0, 10, 20, 0, 0);
  EXPECT_EQ(write_page->draw_color, 0u);
  kelg_pset(0, 9, 20, 7, 1);
  kelg_pset(0, 10, 20, 7, 1);
  EXPECT_EQ(count_pixels(7), 1);
  EXPECT_EQ(page_pixel(10, 20), 7);
}

TEST(Lines, WindowResetsToIdentityAndCarriesTheCursor) {
  start_screen13();
  sub_cls(0, 0, 0);                                  // cursor (160, 100)
  kelg_sub_window(0, 0, 0, 319, 199, 1);
  EXPECT_EQ(write_page->coord_mode, 2);
  EXPECT_FLOAT_EQ(write_page->graphics_y, 99);
  kelg_sub_window(0, 0, 0, 0, 0, 0);
  EXPECT_EQ(write_page->coord_mode, 0);
  EXPECT_FLOAT_EQ(write_page->graphics_y, 100);
  kelg_sub_window(1, 319, 199, 0, 0, 1);             // WINDOW SCREEN over the whole page
  EXPECT_EQ(write_page->coord_mode, 0);
  kelg_sub_view(0, 5, 5, 20, 20, 0, 0, 1);
  kelg_sub_window(0, 0, 0, 0, 0, 0);
  EXPECT_EQ(write_page->coord_mode, 1);
}

TEST(Lines, PmapRoundTripsAndPointReadsPixelsAndCursor) {
  start_screen13();
  kelg_sub_window(0, -1, -1, 1, 1, 1);               // scale 159.5 / -99.5, offsets 159.5 / 99.5
  struct { float v; int n; float want; } cases[] = {
    {0, 0, 160}, {0.5f, 0, 239}, {0, 1, 100}, {1, 1, 0}, {-1, 1, 199}, {-1, 0, 0},
  };
  for (auto &c : cases) EXPECT_EQ(func_pmap(c.v, c.n), c.want) << c.v << " " << c.n;
  EXPECT_FLOAT_EQ(func_pmap(239, 2), (239 - 159.5f) / 159.5f);
  EXPECT_FLOAT_EQ(func_pmap(100, 3), (100 - 99.5f) / -99.5f);
  for (float v : {-0.9f, -0.3f, 0.2f, 0.77f})
    EXPECT_NEAR(func_pmap(func_pmap(v, 1), 3), v, 0.5f / 99.5f) << v;
  kelg_pset(0, 0.5f, 0.5f, 11, 1);
  EXPECT_EQ(func_point(0.5f, 0.5f, 1), 11);
  EXPECT_EQ(func_point(0, 0, 0), 239);
  EXPECT_EQ(func_point(1, 0, 0), 50);                // 0.5 * -99.5 + 99.5 = 49.75
  EXPECT_EQ(func_point(2, 0, 0), 0.5f);
  EXPECT_EQ(func_point(3, 0, 0), 0.5f);
  EXPECT_EQ(func_point(2, 0, 1), -1);                // right of the page
  kelg_sub_window(0, 0, 0, 0, 0, 0);
  kelg_sub_view(0, 100, 100, 200, 150, 0, 0, 1);
  EXPECT_EQ(func_point(-1, 5, 1), -1);               // left of the view, though on the page
  EXPECT_EQ(new_error, 0);
}

TEST(Lines, BadArgumentsAndTextPagesRaiseError5AndChangeNothing) {
  std::function<void()> cases[] = {
    [] { kelg_sub_view(0, 0, 0, 320, 10, 0, 0, 1); },
    [] { kelg_sub_view(0, -1, 0, 10, 10, 0, 0, 1); },
    [] { kelg_sub_view(1, 0, 0, 0, 0, 0, 0, 0); },
    [] { kelg_sub_view(0, 0, 0, 0, 0, 4, 0, 2); },
    [] { kelg_sub_window(0, 1, 1, 1, 5, 1); },
    [] { kelg_sub_window(1, 0, 0, 0, 0, 0); },
    [] { func_pmap(1, 4); },
    [] { func_point(4, 0, 0); },
    [] { sub_line(0, 0, 0, 0, 9, 9, 4, 3, 0, 3); },
  };
  for (auto &call : cases) {
    start_screen13();
    unsigned char before[sizeof(img_struct)];
    std::memcpy(before, write_page, sizeof before);
    call();
    EXPECT_EQ(new_error, 5);
    EXPECT_EQ(std::memcmp(before, write_page, sizeof before), 0);
    EXPECT_EQ(count_pixels(0), 64000);
  }
  kel_test_reset();                                  // SCREEN 0
  line(0, 0, 5, 5, 4);
  EXPECT_EQ(new_error, 5);
  new_error = 0;
  kelg_pset(0, 1, 1, 4, 1);
  EXPECT_EQ(new_error, 5);
  new_error = 0;
  func_point(1, 1, 1);
  EXPECT_EQ(new_error, 5);
  start_screen13();
  new_error = 7;                                     // pending error: nothing happens
  line(0, 0, 10, 10, 4, 2);
  kelg_sub_view(0, 5, 5, 20, 20, 1, 2, 7);
  EXPECT_EQ(count_pixels(0), 64000);
  EXPECT_EQ(write_page->coord_mode, 0);
}

TEST(Lines, FarOffCoordinatesStayInsideThePage) {
  start_screen13();
  line(-1e9f, -1e9f, 1e9f, 1e9f, 4);
  EXPECT_EQ(count_pixels(4), 200);                          // the diagonal (0, 0) - (199, 199)
  EXPECT_EQ(page_pixel(199, 199), 4);
  for (float v : {32767.f, -32767.f, 1e9f, -1e9f, 1e10f, -1e10f, 1e30f})
    for (float w : {32767.f, -32767.f, 1e9f, -1e9f, 100.f}) {
      line(v, w, w, v, 5, 0);
      line(v, w, -w, -v, 5, 1, 0x1234, 7);
      kelg_pset(0, v, w, 5, 1);
      fast_line((int32_t)std::max(-2e9f, std::min(v, 2e9f)), INT32_MIN, INT32_MAX, (int)w, 5);
    }
  kelg_sub_view(0, 319, 199, 319, 199, 1, 2, 7);     // 1-pixel view: border mostly off the page
  EXPECT_EQ(page_pixel(319, 199), 1);
  EXPECT_EQ(page_pixel(318, 198), 2);
  kelg_sub_view(0, 10, 10, 300, 190, 0, 0, 1);
  kelg_sub_window(0, 0, 0, 1e-30f, 1e-30f, 1);      // huge scale
  line(1, 1, -1, -1, 6, 2);
  line(-1e9f, -1e9f, 1e9f, 1e9f, 6, 1, 0xF0F0, 7);
  kelg_pset(0, 1e20f, 5, 6, 1);
  EXPECT_EQ(func_pmap(1e20f, 0), (float)INT32_MIN);  // out of range: the lowest value
  EXPECT_EQ(new_error, 0);
}

TEST(Lines, ThirtyTwoBitFillHonoursAlpha) {
  start_screen13();
  uint32_t slot = imgnew(4, 2, 32);
  ASSERT_NE(slot, 0u);
  img_struct *saved = write_page;
  write_page = &img[slot];
  uint32_t *p = (uint32_t *)write_page->pixels;
  fast_boxfill(0, 0, 3, 1, 0xFF102030);
  kel32_boxfill(1, 0, 2, 1, 0x00FFFFFF);             // alpha 0: nothing
  EXPECT_EQ(p[1], 0xFF102030u);
  kel32_boxfill(1, 0, 1, 1, 0x80FFFFFF);             // half white over the colour: blended
  EXPECT_NE(p[5], 0xFF102030u);
  EXPECT_NE(p[5] & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(p[6], 0xFF102030u);
  write_page->alpha_disabled = 1;
  kel32_line(0, 0, 3, 0, 0x00ABCDEF, 0xFFFF);
  EXPECT_EQ(p[3], 0x00ABCDEFu);
  write_page = saved;
  images_free_program_images();
}

TEST(LinesGolden, LineFamilyWithStylesAndBoxes) {
  start_screen13();
  line(10, 10, 150, 100, 15, 1);
  line(161, 11, 309, 99, 4, 2);
  line(175, 25, 295, 85, 14, 1, 0xF0F0, 7);
  line(-50, 120, 400, 120, 10, 0, 0xFF00, 7);
  line(-50, 130, 400, 130, 11, 0, 0xAAAA, 7);
  for (int i = 0; i < 8; i++) line(20, 190, 20 + i * 40, 140, 32 + i * 4, 0, 0xCCCC + i, 7);
  line(12, 12, 148, 98, 13);
  line(148, 12, 12, 98, 9, 0, 0xE4E4, 7);
  expect_page_golden("lines_family");
}

TEST(LinesGolden, ViewWithBorderAndWindow) {
  start_screen13();
  kelg_sub_view(0, 40, 30, 279, 169, 1, 14, 7);
  kelg_sub_window(0, -10, -10, 10, 10, 1);
  line(-10, 0, 10, 0, 7);
  line(0, -10, 0, 10, 7);
  line(-20, -20, 20, 20, 12);                       // clipped at the view
  line(2, 2, 8, 8, 10, 1);                           // upper right: y grows upwards
  line(-8, -2, -2, -8, 13, 2);                       // lower left, filled
  for (int i = -9; i <= 9; i += 3) kelg_pset(0, (float)i, 9, 15, 1);
  expect_page_golden("lines_view_window");
}


// Styled and solid lines and boxes crossing the edges of a VIEW (the clipped start shifts
// the pattern), with WINDOW scaling, drawn the same way on a 1-byte page and on a 32-bit one
// where half the colours are blended. colour(i) gives the page's i-th colour.
template <class Colour>
void lines_across_the_view(Colour colour) {
  kelg_sub_view(0, 30, 20, 289, 179, 0, 0, 1);
  for (int i = 0; i < 12; i++) {
    float y = -30 + i * 19.0f;
    line(-40, y, 300 + i * 5, 180 - y, colour(i), 0, i % 3 ? 0xF3C6u + i * 0x111 : 0xFFFF, 7);
    line(130 + i * 3, -25, 120 - i * 17, 190, colour(i + 1), 0, 0xAAAA ^ (i * 0x1234), 7);
  }
  line(-10, -10, 100, 60, colour(3), 1, 0xFF0F, 7);    // box cut by the view's corner
  line(200, 100, 280, 170, colour(4), 1);              // box cut at the right and bottom
  line(250, 5, 250, 5, colour(5));                     // one point, visible
  line(-5, 3, -5, 3, colour(5));                       // one point, outside
  kelg_sub_window(0, -10, -10, 10, 10, 1);
  for (int i = 0; i < 8; i++)
    line(-12, -12 + i * 3.3f, 12, 11 - i * 2.9f, colour(6 + i), 0, 0x8001u << (i % 8), 7);
  line(-3, -3, 3, 3, colour(2), 1, 0xCCCC, 7);
}

TEST(LinesGolden, StyledLinesAcrossTheViewOnByteAnd32BitPages) {
  start_screen13();
  lines_across_the_view([](int i) { return (uint32_t)(32 + i * 7); });
  expect_page_golden("lines_view_styles_13");

  uint32_t slot = imgnew(320, 200, 32);
  ASSERT_NE(slot, 0u);
  img_struct *saved = write_page;
  write_page = &img[slot];
  fast_boxfill(0, 0, 319, 199, 0xFF203040);
  lines_across_the_view([](int i) {
    uint32_t rgb = 0x10F080u * (uint32_t)(i + 1) & 0xFFFFFF;
    return (i % 2 ? 0xFF000000u : 0x90000000u) | rgb;
  });
  expect_page_golden("lines_view_styles_32");
  write_page = saved;
  images_free_program_images();
}

}  // namespace lines_test
