// Unit tests for CIRCLE: size and aspect, arcs and radius lines, wrapping arcs, errors,
// clipping and far-off radii, huge radii and the culled walk, stop requests, the graphics
// cursor, and two golden pictures.
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <random>
#include <set>
#include <utility>
#include <vector>
#include "golden.h"
#include "test_support.h"

namespace circle_test {

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

// The page's bytes, colours included.
std::vector<uint8_t> page_bytes() {
  const img_struct *im = write_page;
  return std::vector<uint8_t>(im->pixels, im->pixels + (size_t)im->width * im->height);
}

// The walk as it was before culling: every step of the quarter, mirrored, through the
// clipping PSET. Pixel coordinates without WINDOW, radii small enough for 32 bits.
void reference_circle(double x, double y, double r, uint32_t colour, double start, double end,
                      double aspect) {
  constexpr double pi2 = 2 * pi;
  bool start_negative = false, end_negative = false, wrap = false;
  if (start < 0) { start_negative = true; start = -start; }
  if (end < 0) { end_negative = true; end = -end; }
  if (start > end) {
    std::swap(start, end);
    std::swap(start_negative, end_negative);
    wrap = true;
  }
  double rx = r, ry = r;
  if (aspect >= 0 && aspect < 1) ry = ry * aspect;
  else if (aspect > 1) rx = rx / aspect;
  else if (aspect > -1 && aspect < 0) ry = ry * (aspect + 1);
  int64_t n = (int64_t)(pi2 * r / 4 + 0.5);
  double inc = n ? pi / 2 / n : 0, sin_inc = std::sin(inc), cos_inc = std::cos(inc);
  int32_t cx = (int32_t)std::round(x), cy = (int32_t)std::round(y);
  auto radius_line = [&](double a) {
    fast_line(cx, cy, cx + (int32_t)(std::cos(a) * rx + 0.5), cy - (int32_t)(std::sin(a) * ry - 0.5),
              colour);
  };
  if (start_negative) radius_line(start);
  double t1 = 0, t2 = pi, t3 = pi, t4 = pi2;
  auto in_arc = [&](double t) { return wrap ? (t <= start || t >= end) : (start <= t && t <= end); };
  auto plot = [&](int32_t px, int32_t py) {
    if (in_arc(t1)) pset_and_clip(cx + px, cy + py, colour);
    if (in_arc(t2)) pset_and_clip(cx - px, cy + py, colour);
    if (in_arc(t3)) pset_and_clip(cx - px, cy - py, colour);
    if (in_arc(t4)) pset_and_clip(cx + px, cy - py, colour);
  };
  double c = 1, s = 0;
  int32_t pend_x = 0, pend_y = 0, last_x = 0, last_y = 0;
  bool plotted = false;
  for (int64_t i = 0; i <= n; i++) {
    int32_t qx = (int32_t)(c * rx + 0.5), qy = (int32_t)(s * ry - 0.5);
    if (i > 0 && !(plotted && std::abs(qx - last_x) <= 1 && std::abs(qy - last_y) < 2)) {
      plot(pend_x, pend_y);
      last_x = pend_x;
      last_y = pend_y;
      plotted = true;
    }
    pend_x = qx;
    pend_y = qy;
    double nc = c * cos_inc + s * sin_inc, ns = s * cos_inc - c * sin_inc;
    c = nc;
    s = ns;
    if (i >= 1) { t1 += inc; t3 += inc; t2 -= inc; t4 -= inc; }
  }
  plot(pend_x, pend_y);
  if (end_negative) radius_line(end);
}

// True when the pixels form one 8-connected piece.
bool connected(const pixel_set &p) {
  if (p.empty()) return false;
  pixel_set seen{*p.begin()};
  std::vector<std::pair<int, int>> todo{*p.begin()};
  while (!todo.empty()) {
    auto [x, y] = todo.back();
    todo.pop_back();
    for (int dy = -1; dy <= 1; dy++)
      for (int dx = -1; dx <= 1; dx++)
        if (p.count({x + dx, y + dy}) && seen.insert({x + dx, y + dy}).second)
          todo.push_back({x + dx, y + dy});
  }
  return seen.size() == p.size();
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
      {0, (double)std::nextafter(6.2831855f, 7.0f), 1 | 4},   // just above 2pi in single
      {-(double)std::nextafter(6.2831855f, 7.0f), 1, 1 | 2 | 4},
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

// Circles, ellipses and arcs partly outside a VIEW, some with radius lines crossing its edge,
// and one beyond the page's corner, drawn the same way on a 1-byte page and on a 32-bit one
// where half the colours are blended.
template <class Colour>
void circles_across_the_view(Colour colour) {
  kelg_sub_view(1, 40, 25, 279, 174, 0, 0, 1);
  for (int i = 0; i < 10; i++) {
    double x = 20 + i * 31, y = 10 + (i * 47) % 190, r = 15 + i * 9;
    circle(x, y, r, colour(i), i % 3 ? 1 : 0.6 + i * 0.2);
  }
  arc(45, 170, 60, colour(3), -0.3, -4.9);             // pie slice over the lower left corner
  arc(275, 30, 50, colour(4), 5.5, 1.2);               // wrapping arc over the upper right
  sub_circle(0, 160, 100, 140, colour(5), -2.5, 3.9, 0.5, 15);
  circle(340, 210, 60, colour(6), 1);                  // centre beyond the page
  kelg_sub_window(1, 0, 0, 100, 50, 1);
  circle(10, 5, 20, colour(7), 1);
  arc(95, 45, 15, colour(8), -1, -2);
}

TEST(Circle, GoldenCirclesAcrossTheViewOnByteAnd32BitPages) {
  start_in(13);
  circles_across_the_view([](int i) { return (uint32_t)(40 + i * 5); });
  expect_page_golden("circle_view_13");

  uint32_t slot = imgnew(320, 200, 32);
  ASSERT_NE(slot, 0u);
  img_struct *saved = write_page;
  write_page = &img[slot];
  fast_boxfill(0, 0, 319, 199, 0xFF402010);
  circles_across_the_view([](int i) {
    uint32_t rgb = 0x30C0F0u * (uint32_t)(i + 1) & 0xFFFFFF;
    return (i % 2 ? 0xFF000000u : 0x80000000u) | rgb;
  });
  expect_page_golden("circle_view_32");
  write_page = saved;
  images_free_program_images();
}

TEST(Circle, TwoPiComputedInSinglePrecisionCountsAsTwoPi) {
  // A program's 2 * PI in single precision lies just above the double 2pi.
  float two_pi = 2 * (4 * std::atan(1.0f));
  ASSERT_GT((double)two_pi, 2 * pi);
  struct { double start, end; int32_t passed; double double_start, double_end; } cases[] = {
      {0, two_pi, 1 | 2 | 4, 0, 2 * pi},
      {0, two_pi, 1 | 4, 0, 2 * pi},                       // start left out
      {-(double)two_pi, pi, 1 | 2 | 4, -2 * pi, pi},       // radius line to angle 2pi
      {1, -(double)two_pi, 1 | 2 | 4, 1, -2 * pi},
      {two_pi, 1, 1 | 2 | 4, 2 * pi, 1},                   // wraps through 0
  };
  for (auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << " " << c.end);
    start_in(13);
    sub_circle(0, 160, 100, 40, 7, c.double_start, c.double_end, 0, c.passed);
    ASSERT_EQ(new_error, 0);
    pixel_set want = lit();
    EXPECT_FALSE(want.empty());
    start_in(13);
    sub_circle(0, 160, 100, 40, 7, c.start, c.end, 0, c.passed);
    EXPECT_EQ(new_error, 0);
    EXPECT_EQ(lit(), want);
  }
  start_in(13);                                            // the radius line is drawn
  arc(160, 100, 40, 7, -(double)two_pi, pi);
  for (int x = 160; x <= 200; x++) EXPECT_EQ(page_pixel(x, 100), 7) << x;
}

TEST(Circle, HugeRadiusFarFromThePageDrawsNothing) {
  // Centred on the page, the curve runs far outside it; under a tiny WINDOW a radius of 1
  // is tens of millions of pixels.
  struct { bool window; double x, y, r; } cases[] = {
      {false, 160, 100, 1e8},
      {false, 160, 100, 3e9},                              // past the cap on steps
      {true, 0.000005, 0.000005, 1},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.r);
    start_in(13);
    if (c.window) kelg_sub_window(0, 0, 0, 0.00001f, 0.00001f, 1);
    circle(c.x, c.y, c.r, 13, 1);
    EXPECT_EQ(new_error, 0);
    EXPECT_TRUE(lit().empty());
    EXPECT_EQ(write_page->graphics_x, (float)c.x);
    EXPECT_EQ(write_page->graphics_y, (float)c.y);
    EXPECT_EQ(write_page->draw_color, 13u);
  }
}

TEST(Circle, HugeRadiusCrossingThePageDrawsAContinuousCurveOnTheCircle) {
  // The circle passes through the page centre at angle a; every pixel drawn must lie on it
  // (within a pixel) and together they must cross the page from edge to edge.
  struct { bool window; double r, a; } cases[] = {
      {false, 1e8, 0.5}, {false, 1e8, 1.2}, {false, 2e7, 2.4}, {false, 1e9, 4.0},
      {true, 1, 0.7},                                       // WINDOW (0,0)-(0.00001,0.00001)
      {true, 1, 5.5},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.r << " at angle " << c.a);
    start_in(13);
    img_struct *im = write_page;
    double sx = 1, ox = 0, sy = 1, oy = 0;
    if (c.window) {
      kelg_sub_window(0, 0, 0, 0.00001f, 0.00001f, 1);
      sx = im->scale_x; ox = im->scale_offset_x; sy = im->scale_y; oy = im->scale_offset_y;
    }
    double pr = c.r * sx;                                   // the radius in pixels
    double x = (160 - pr * std::cos(c.a) - ox) / sx, y = (100 + pr * std::sin(c.a) - oy) / sy;
    circle(x, y, c.r, 9, 1);
    EXPECT_EQ(new_error, 0);
    // The centre and radius in pixels as CIRCLE maps them.
    double cx = std::round(x * sx + ox), cy = std::round(y * sy + oy);
    double r = std::fabs(((x + c.r) * sx + ox) - (x * sx + ox));
    pixel_set p = lit();
    ASSERT_FALSE(p.empty());
    for (auto [px, py] : p)
      EXPECT_LE(std::fabs(std::hypot(px - cx, py - cy) - r), 1.0) << px << "," << py;
    EXPECT_TRUE(connected(p));
    box b = bounds(p);
    int edges = (b.x1 == 0) + (b.x2 == 319) + (b.y1 == 0) + (b.y2 == 199);
    EXPECT_GE(edges, 2) << b.x1 << "," << b.y1 << " - " << b.x2 << "," << b.y2;
  }
}

TEST(Circle, CulledWalkDrawsWhatTheFullWalkDraws) {
  // Circles partly off the page or the view, against the walk over every step.
  struct { double x, y, r, start, end, aspect; bool view; } cases[] = {
      {-20, 100, 50, 0, 2 * pi, 1, false},
      {160, 350, 300, 0, 2 * pi, 1, false},
      {400, -100, 300, 1, 5, 0.5, false},
      {400, -100, 300, 4.1, 3.95, 0.5, false},              // wraps through 0
      {-1500, 1400, 2000, 0, 2 * pi, 1, false},
      {160 - 702, 100 + 959, 2000, -0.2, -2, 2.5, false},   // radius lines off the page
      {160 - 17552, 100 + 9589, 20000, 0, 2 * pi, 1, false},
      {160 + 14142, 100 - 7071, 20000, 3, 4, -0.5, false},
      {160, 100 + 5970, 20000, 0, 2 * pi, 0.3, false},
      {100, 120, 150, 0, 2 * pi, 1, true},                  // crosses the view's edges
      {-300, 80, 500, -5.5, -0.4, 1.4, true},
      // The state of the near-duplicate rule after a skip decides pixels on the page here.
      {583, 1461, 1463.6348020774958, 0, 2 * pi, 1.788297867639455, false},
      {465, -22, 452.49294630338295, 0, 2 * pi, 0.20241477807590749, false},
      {281, -11318, 11489.867986391466, 3.8392757760161578, 0.41039661301045793,
       7.1752561357661806, false},
  };
  auto compare = [](double x, double y, double r, double start, double end, double aspect,
                    bool view) {
    start_in(13);
    if (view) kelg_sub_view(1, 40, 30, 250, 170, 0, 0, 1);
    sub_circle(0, x, y, r, 11, start, end, aspect, 15);
    ASSERT_EQ(new_error, 0);
    std::vector<uint8_t> got = page_bytes();
    start_in(13);
    if (view) kelg_sub_view(1, 40, 30, 250, 170, 0, 0, 1);
    reference_circle(x, y, r, 11, start, end, aspect);
    EXPECT_TRUE(got == page_bytes());
  };
  for (auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.r << " at " << c.x << "," << c.y);
    compare(c.x, c.y, c.r, c.start, c.end, c.aspect, c.view);
    EXPECT_FALSE(lit().empty());
  }

  // And a spread of sizes, places, aspects and arcs around the page's edges.
  std::mt19937_64 rng(1);
  std::uniform_real_distribution<double> u(0, 1);
  for (int k = 0; k < 1000; k++) {
    double r = std::exp(u(rng) * std::log(30000.0)) + 20;
    double at = u(rng) * 2 * pi, dist = r + (u(rng) - 0.5) * 300;
    double x = std::round(160 + dist * std::cos(at)), y = std::round(100 + dist * std::sin(at));
    double aspect = u(rng) < 0.5 ? 1 : std::exp((u(rng) - 0.5) * 4);
    if (u(rng) < 0.1) aspect = -u(rng);
    double start = 0, end = 2 * pi;
    if (u(rng) < 0.5) { start = (u(rng) - 0.5) * 4 * pi; end = (u(rng) - 0.5) * 4 * pi; }
    SCOPED_TRACE(testing::Message() << "case " << k << ": " << r << " at " << x << "," << y);
    compare(x, y, r, start, end, aspect, u(rng) < 0.2);
  }
}

TEST(Circle, StopRequestEndsTheWalk) {
  start_in(13);
  stop_program = 1;
  circle(160 - 1e8 * std::cos(0.5), 100 + 1e8 * std::sin(0.5), 1e8, 5, 1);
  stop_program = 0;
  EXPECT_EQ(new_error, 0);
  EXPECT_TRUE(lit().empty());                             // nothing drawn once asked to stop
  EXPECT_EQ(write_page->draw_color, 5u);
  circle(160 - 1e8 * std::cos(0.5), 100 + 1e8 * std::sin(0.5), 1e8, 5, 1);
  EXPECT_GT(lit().size(), 100u);
}

}  // namespace circle_test
