// Unit tests for CIRCLE: size and aspect, arcs and radius lines, wrapping arcs, errors,
// clipping and far-off radii, the graphics cursor, and two golden pictures.
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <set>
#include <utility>
#include <vector>
#include "golden.h"
#include "test_support.h"

namespace {

constexpr double pi = 3.141592653589793;
using pixel_set = std::set<std::pair<int, int>>;

void start_in(int32_t mode) {
  kel_test_reset();
  kelg_screen(mode, 0, 0, 0, 0, 1);
  ASSERT_EQ(new_error, 0);
}

pixel_set lit() {
  pixel_set out;
  for (int y = 0; y < write_page->height; y++)
    for (int x = 0; x < write_page->width; x++)
      if (page_pixel(x, y)) out.insert({x, y});
  return out;
}

struct box { int x1, y1, x2, y2; };
box bounds(const pixel_set &p) {
  box b{1 << 30, 1 << 30, -(1 << 30), -(1 << 30)};
  for (auto [x, y] : p) {
    b.x1 = std::min(b.x1, x); b.y1 = std::min(b.y1, y);
    b.x2 = std::max(b.x2, x); b.y2 = std::max(b.y2, y);
  }
  return b;
}

// CIRCLE (x, y), r, colour [, start, end] [, aspect], with only the given arguments passed.
void circle(double x, double y, double r, uint32_t colour, double aspect) {
  sub_circle(0, x, y, r, colour, 0, 0, aspect, 1 | 8);
}
void arc(double x, double y, double r, uint32_t colour, double start, double end) {
  sub_circle(0, x, y, r, colour, start, end, 0, 1 | 2 | 4);
}

}  // namespace

TEST(Circle, RadiusFiftyInScreen13SpansDiameterPlusOneColumnsAndDefaultAspectRows) {
  start_in(13);
  sub_circle(0, 160, 100, 50, 15, 0, 0, 0, 1);          // aspect from the page: 200/320*4/3
  // Both ends of the 100-pixel diameter are plotted: columns 110 ... 210.
  box b = bounds(lit());
  EXPECT_EQ(b.x1, 110);
  EXPECT_EQ(b.x2, 210);
  // Vertical radius 50 * 0.8333 = 41.67, rounded out to 42 by the half-pixel bias.
  EXPECT_EQ(b.y1, 58);
  EXPECT_EQ(b.y2, 142);
  EXPECT_EQ(page_pixel(110, 100), 15);
  EXPECT_EQ(page_pixel(210, 100), 15);
  EXPECT_EQ(page_pixel(160, 58), 15);
  EXPECT_EQ(page_pixel(160, 142), 15);
  EXPECT_EQ(page_pixel(160, 100), 0);                           // no radius lines
  EXPECT_EQ(write_page->draw_color, 15u);
}

TEST(Circle, AspectStretchesOneAxisInEachRange) {
  struct { double aspect; int width, height; } cases[] = {
      {2.0, 51, 101},    // above 1: the horizontal radius shrinks (50 / 2)
      {0.5, 101, 51},    // below 1: the vertical radius shrinks
      {1.0, 101, 101},
      {0.0, 101, 1},     // flattened to a line
      {-0.5, 101, 51},   // between -1 and 0: aspect + 1
      {-0.3, 101, 71},   // 50 * 0.7 = 35
      {-1.0, 101, 101},  // -1 and below: unchanged
      {-3.0, 101, 101},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.aspect);
    start_in(13);
    circle(160, 100, 50, 9, c.aspect);
    box b = bounds(lit());
    EXPECT_EQ(b.x2 - b.x1 + 1, c.width);
    EXPECT_EQ(b.y2 - b.y1 + 1, c.height);
    EXPECT_EQ((b.x1 + b.x2) / 2, 160);
    EXPECT_EQ((b.y1 + b.y2) / 2, 100);
  }
}

TEST(Circle, DefaultAspectFollowsThePageShape) {
  start_in(12);                                          // 640x480: 480/640*4/3 = 1
  sub_circle(0, 320, 240, 50, 15, 0, 0, 0, 1);
  box b = bounds(lit());
  EXPECT_EQ(b.x2 - b.x1 + 1, 101);
  EXPECT_EQ(b.y2 - b.y1 + 1, 101);
}

TEST(Circle, RadiusZeroPlotsTheCentreOnly) {
  start_in(13);
  sub_circle(0, 40, 30, 0, 4, 0, 0, 0, 1);
  EXPECT_EQ(lit(), (pixel_set{{40, 30}}));
}

TEST(Circle, FullCircleIsAThinClosedCurve) {
  // Near-duplicate points are dropped, so every pixel has exactly two 8-neighbours: no
  // staircase corners and no gaps.
  for (double r : {3.0, 10.0, 50.0, 90.0}) {
    SCOPED_TRACE(r);
    start_in(13);
    circle(160, 100, r, 2, 1);
    pixel_set p = lit();
    for (auto [x, y] : p) {
      int neighbours = 0;
      for (int dy = -1; dy <= 1; dy++)
        for (int dx = -1; dx <= 1; dx++)
          if ((dx || dy) && p.count({x + dx, y + dy})) neighbours++;
      EXPECT_EQ(neighbours, 2) << "at " << x << "," << y;
    }
  }
}

TEST(Circle, NegativeAnglesCloseTheArcWithRadiusLines) {
  start_in(13);
  arc(160, 100, 50, 14, -0.0001, -1.5708);              // a pie slice, upper right quarter
  pixel_set p = lit();
  for (auto [x, y] : p) {
    EXPECT_GE(x, 160) << "at " << x << "," << y;
    EXPECT_LE(y, 100) << "at " << x << "," << y;
  }
  for (int x = 160; x <= 210; x++) EXPECT_EQ(page_pixel(x, 100), 14) << x;   // line to angle 0
  for (int y = 59; y <= 100; y++) EXPECT_EQ(page_pixel(160, y), 14) << y;    // line to angle pi/2
  EXPECT_EQ(page_pixel(160, 58), 14);                                        // top of the arc
  int near_45 = 0;                                                   // the arc crosses 45°
  for (int y = 69; y <= 72; y++)
    for (int x = 194; x <= 197; x++) near_45 += page_pixel(x, y) == 14;
  EXPECT_GT(near_45, 0);

  // The same angles given positive draw the arc alone.
  start_in(13);
  arc(160, 100, 50, 14, 0.0001, 1.5708);
  EXPECT_EQ(page_pixel(160, 100), 0);
  EXPECT_EQ(page_pixel(180, 100), 0);
  EXPECT_EQ(page_pixel(160, 80), 0);
  EXPECT_EQ(page_pixel(160, 58), 14);

  // Only the start negative: one radius line, to the start.
  start_in(13);
  arc(160, 100, 50, 14, -pi, pi * 1.5);
  for (int x = 110; x <= 160; x++) EXPECT_EQ(page_pixel(x, 100), 14) << x;
  EXPECT_EQ(page_pixel(160, 120), 0);                                        // no line to 3pi/2
  EXPECT_EQ(page_pixel(160, 142), 14);
}

TEST(Circle, StartAboveEndWrapsThroughZero) {
  start_in(13);
  sub_circle(0, 160, 100, 50, 1, 0, 0, 0, 1);
  pixel_set full = lit();

  start_in(13);
  arc(160, 100, 50, 1, 3, 1);                             // through angle 0
  pixel_set wrapped = lit();
  EXPECT_TRUE(wrapped.count({210, 100}));                 // angle 0
  EXPECT_TRUE(wrapped.count({110, 100}));                 // angle pi
  EXPECT_FALSE(wrapped.count({160, 58}));                 // angle pi/2 is left out
  start_in(13);
  arc(160, 100, 50, 1, 1, 3);
  pixel_set middle = lit();
  EXPECT_TRUE(middle.count({160, 58}));
  EXPECT_FALSE(middle.count({210, 100}));

  pixel_set both = wrapped;
  both.insert(middle.begin(), middle.end());
  EXPECT_EQ(both, full);

  // A negative start above the end keeps its radius line (to angle 3) after the swap.
  auto column_140_near_centre = [](const pixel_set &p) {
    int n = 0;
    for (int y = 90; y <= 100; y++) n += (int)p.count({140, y});
    return n;
  };
  EXPECT_EQ(column_140_near_centre(wrapped), 0);
  start_in(13);
  arc(160, 100, 50, 1, -3, 1);
  EXPECT_EQ(column_140_near_centre(lit()), 1);
  EXPECT_EQ(page_pixel(160, 100), 1);
}

TEST(Circle, BadAnglesAndTextPagesRaiseError5AndChangeNothing) {
  struct { double start, end; int32_t passed; } cases[] = {
      {7, 1, 1 | 2 | 4}, {-7, 1, 1 | 2 | 4}, {0, 6.2832, 1 | 4}, {1, -6.3, 1 | 2 | 4},
      {NAN, 1, 1 | 2 | 4},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.start);
    start_in(13);
    write_page->graphics_x = 5;
    write_page->graphics_y = 6;
    sub_circle(0, 160, 100, 30, 7, c.start, c.end, 0, c.passed);
    EXPECT_EQ(new_error, 5);
    EXPECT_TRUE(lit().empty());
    EXPECT_EQ(write_page->graphics_x, 5.0f);
    EXPECT_EQ(write_page->graphics_y, 6.0f);
    EXPECT_EQ(write_page->draw_color, 15u);
  }
  start_in(13);                                           // exactly 2pi is allowed
  arc(160, 100, 30, 7, -6.283185307179586, 6.283185307179586);
  EXPECT_EQ(new_error, 0);
  EXPECT_FALSE(lit().empty());

  kel_test_reset();                                       // SCREEN 0
  sub_circle(0, 10, 10, 5, 7, 0, 0, 0, 1);
  EXPECT_EQ(new_error, 5);

  start_in(13);                                           // an error already pending
  new_error = 6;
  circle(160, 100, 20, 7, 1);
  EXPECT_EQ(new_error, 6);
  EXPECT_TRUE(lit().empty());
}

TEST(Circle, MovesTheGraphicsCursorToTheCentreAndStepAddsToIt) {
  start_in(13);
  sub_circle(0, 100, 50, 10, 3, 0, 0, 0, 1);
  EXPECT_EQ(write_page->graphics_x, 100.0f);
  EXPECT_EQ(write_page->graphics_y, 50.0f);
  EXPECT_EQ(write_page->draw_color, 3u);
  sub_circle(1, 10, -5, 4, 0, 0, 0, 1, 8);                // STEP, colour from COLOR
  EXPECT_EQ(write_page->graphics_x, 110.0f);
  EXPECT_EQ(write_page->graphics_y, 45.0f);
  EXPECT_EQ(write_page->draw_color, write_page->color);
  EXPECT_EQ(page_pixel(114, 45), (int)write_page->color);         // centred on (110, 45)
  EXPECT_EQ(page_pixel(106, 45), (int)write_page->color);
  EXPECT_EQ(page_pixel(110, 41), (int)write_page->color);

  // Entirely left of the view: nothing drawn, but the cursor still moves to the centre.
  start_in(13);
  write_page->draw_color = 9;
  circle(-80, 100, 40, 4, 1);
  EXPECT_TRUE(lit().empty());
  EXPECT_EQ(write_page->graphics_x, -80.0f);
  EXPECT_EQ(write_page->graphics_y, 100.0f);
  EXPECT_EQ(write_page->draw_color, 9u);                  // colour is taken after the rejection
  circle(-40, 100, 40, 4, 1);                             // touching: column 0 is drawn
  EXPECT_EQ(page_pixel(0, 100), 4);
}

TEST(Circle, CentreIsMappedThenRoundedHalfAwayFromZero) {
  struct { uint8_t mode; float scale, offset; int32_t view_offset; double x; int want; } cases[] = {
      {0, 1, 0, 0, 10.5, 11},     // ties away from zero, not to even
      {0, 1, 0, 0, 11.5, 12},
      {0, 1, 0, 0, 11.49, 11},
      {1, 1, 0, 20, -2.5, 18},    // the view offset is added before rounding
      {2, 2, 3, 0, 5.25, 14},     // 5.25 * 2 + 3 = 13.5
      {2, 2, 3, 10, 5.25, 24},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.x);
    start_in(13);
    write_page->coord_mode = c.mode;
    write_page->scale_x = write_page->scale_y = c.scale;
    write_page->scale_offset_x = write_page->scale_offset_y = c.offset;
    write_page->view_offset_x = write_page->view_offset_y = c.view_offset;
    sub_circle(0, c.x, c.x, 0, 5, 0, 0, 0, 1);
    EXPECT_EQ(lit(), (pixel_set{{c.want, c.want}}));
  }
  // Under WINDOW the radius is scaled by the x scale on both axes.
  start_in(13);
  write_page->coord_mode = 2;
  write_page->scale_x = 2;
  write_page->scale_y = -1;
  write_page->scale_offset_x = 0;
  write_page->scale_offset_y = 150;
  circle(80, 50, 20, 6, 1);                                // centre (160, 100), radius 40
  box b = bounds(lit());
  EXPECT_EQ(b.x1, 120);
  EXPECT_EQ(b.x2, 200);
  EXPECT_EQ(b.y1, 60);
  EXPECT_EQ(b.y2, 140);
}

TEST(Circle, PixelsStayInsideTheViewRectangle) {
  start_in(13);
  kelg_sub_view(0, 100, 60, 200, 140, 0, 0, 1);           // coordinates relative to (100, 60)
  ASSERT_EQ(new_error, 0);
  arc(50, 40, 70, 12, -0.5, -5.5);                        // with radius lines crossing the edge
  pixel_set p = lit();
  EXPECT_EQ(page_pixel(150, 100), 12);                            // the radius lines meet at the centre
  EXPECT_EQ(page_pixel(200, 100), 0);                             // the gap between the angles
  int right_edge = 0;                                     // the line to angle 0.5 leaves the view
  for (int y = 60; y < 100; y++) right_edge += page_pixel(200, y) == 12;
  EXPECT_EQ(right_edge, 1);
  for (auto [x, y] : p) {
    EXPECT_TRUE(x >= 100 && x <= 200 && y >= 60 && y <= 140) << x << "," << y;
  }
}

TEST(Circle, RadiusFarBeyondThePageWritesOnlyInsideIt) {
  // SCREEN 13 lives inside the emulated memory, so writes past it would not trap: watch
  // the bytes around it. SCREEN 12 is separate memory, watched by the address sanitizer.
  start_in(13);
  std::vector<uint8_t> before(cmem + cmem_vga - 4096, cmem + cmem_vga);
  std::vector<uint8_t> after(cmem + cmem_vga + 64000, cmem + cmem_vga + 64000 + 4096);
  circle(160, 100 + 1e6, 1e6, 13, 1);                     // the top of the circle crosses y = 100
  sub_circle(0, 160, 100, 1e6, 13, -1, -4, 1, 15);        // only the radius lines can show
  circle(-2e6, -2e6, 3e6, 13, 0.5);
  EXPECT_EQ(std::vector<uint8_t>(cmem + cmem_vga - 4096, cmem + cmem_vga), before);
  EXPECT_EQ(std::vector<uint8_t>(cmem + cmem_vga + 64000, cmem + cmem_vga + 64000 + 4096), after);
  for (int x = 0; x < 320; x++) EXPECT_EQ(page_pixel(x, 100), 13) << x;
  int above = 0, below = 0;                               // radius lines to angles 1 and 4
  for (auto [x, y] : lit()) {
    if (y < 100) { above++; EXPECT_GE(x, 160) << x << "," << y; }
    if (y > 100) { below++; EXPECT_LE(x, 160) << x << "," << y; }
  }
  EXPECT_EQ(above, 100);                                  // both steeper than 45°: one per row
  EXPECT_EQ(below, 99);
  EXPECT_EQ(write_page->graphics_x, -2e6f);

  start_in(12);
  circle(320, 240, 3e6, 2, 1);
  circle(320, -1e6 + 3, 1e6, 2, 1);
  circle(1e300, 1e300, 10, 2, 1);
  circle(NAN, 240, 10, 2, 1);
  EXPECT_EQ(new_error, 0);
  EXPECT_EQ(page_pixel(320, 3), 2);
  EXPECT_EQ(page_pixel(320, 4), 0);
}

TEST(Circle, GoldenCirclesAndEllipses) {
  start_in(13);
  sub_circle(0, 60, 60, 50, 15, 0, 0, 0, 1);              // default aspect
  circle(60, 60, 30, 12, 1);
  circle(60, 60, 0, 14, 1);
  circle(170, 60, 50, 10, 2);                             // tall
  circle(170, 60, 50, 11, 0.4);                           // wide
  circle(270, 60, 40, 9, 1);
  circle(270, 60, 40, 13, 0);                             // a flat line
  circle(80, 160, 25, 6, -0.5);
  circle(80, 160, 10, 6, -2);
  circle(200, 160, 70, 4, 1);                             // clipped at the bottom edge
  circle(330, 180, 30, 2, 1);                             // clipped at the right edge
  expect_page_golden("circle_shapes");
}

TEST(Circle, GoldenArcsAndPieSlices) {
  start_in(13);
  arc(60, 50, 40, 14, -0.0001, -1.5708);                 // quarter pie slice
  arc(160, 50, 40, 12, 0, pi);                           // upper half, open
  arc(260, 50, 40, 10, 3, 1);                            // wrapping through angle 0
  arc(60, 150, 40, 11, -pi / 4, -pi * 7 / 4);            // open-mouthed pie
  arc(160, 150, 40, 9, -pi, 0.5);                        // wraps; radius line at pi only
  sub_circle(0, 260, 150, 40, 13, -pi * 1.5, -pi * 2, 2, 1 | 2 | 4 | 8);  // tall slice
  expect_page_golden("circle_arcs");
}
