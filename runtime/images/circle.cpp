// CIRCLE: circles, ellipses, arcs and pie slices, stepped around one quarter and mirrored.
#include "circle.h"
#include <cmath>
#include <cstdlib>
#include <utility>
#include "events.h"
#include "images.h"
#include "lines.h"

static constexpr double pi2 = 6.283185307179586;
static constexpr double pi = 3.141592653589793;

// Pixel values are kept in 64 bits and clamped here, so an absurd radius or centre can
// neither overflow nor reach the page: anything this far out is off every page.
static constexpr double coord_limit = 2305843009213693952.0;  // 2^61
static int64_t trunc_i64(double v) {
  if (!(v > -coord_limit)) return -(int64_t)coord_limit;
  if (!(v < coord_limit)) return (int64_t)coord_limit;
  return (int64_t)v;                                          // toward zero
}

// One pixel through the clipping PSET; points beyond the 32-bit range are off the page.
static void circle_pset(int64_t x, int64_t y, uint32_t colour) {
  if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX) return;
  pset_and_clip((int32_t)x, (int32_t)y, colour);
}

// A radius line through the fast line. End points beyond its 32-bit range are first cut
// down (in doubles) to a box inside it; the slope changes by far less than a pixel across
// any page.
static void circle_line(int64_t x1, int64_t y1, int64_t x2, int64_t y2, uint32_t colour) {
  constexpr int64_t box = (int64_t)1 << 30;
  if (x1 < -box || x1 > box || y1 < -box || y1 > box || x2 < -box || x2 > box || y2 < -box ||
      y2 > box) {
    double ax = (double)x1, ay = (double)y1, dx = (double)(x2 - x1), dy = (double)(y2 - y1);
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax + box, box - ax, ay + box, box - ay};
    for (int k = 0; k < 4; k++) {
      if (p[k] == 0) {
        if (q[k] < 0) return;                   // parallel to this edge and outside it
        continue;
      }
      double t = q[k] / p[k];
      if (p[k] < 0) { if (t > t0) t0 = t; }
      else if (t < t1) t1 = t;
    }
    if (t0 > t1) return;
    x2 = std::llround(ax + dx * t1);
    y2 = std::llround(ay + dy * t1);
    x1 = std::llround(ax + dx * t0);
    y1 = std::llround(ay + dy * t0);
  }
  fast_line((int32_t)x1, (int32_t)y1, (int32_t)x2, (int32_t)y2, colour);
}

// One user coordinate to a pixel coordinate, unrounded, as CIRCLE maps it.
static double circle_map(double v, float scale, float scale_offset, int32_t view_offset,
                         uint8_t mode) {
  if (mode == 2) return v * scale + scale_offset + view_offset;
  if (mode == 1) return v + view_offset;
  return v;
}

void sub_circle(int32_t step, double x, double y, double radius, uint32_t colour, double start,
                double end, double aspect, int32_t passed) {
  if (new_error) return;
  img_struct *im = write_page;
  if (im->is_text) { error(5); return; }

  // Angles: a negative one asks for its radius line; start above end wraps through 0.
  if (!(passed & 2)) start = 0;
  if (!(passed & 4)) end = pi2;
  bool start_negative = false, end_negative = false, wrap = false;
  if (start < 0) { start_negative = true; start = -start; }
  if (end < 0) { end_negative = true; end = -end; }
  if (!(start <= pi2) || !(end <= pi2)) { error(5); return; }    // also NaN
  if (start > end) {
    std::swap(start, end);
    std::swap(start_negative, end_negative);
    wrap = true;
  }

  if (step) {
    x += im->graphics_x;
    y += im->graphics_y;
  }
  im->graphics_x = (float)x;
  im->graphics_y = (float)y;

  double mx = circle_map(x, im->scale_x, im->scale_offset_x, im->view_offset_x, im->coord_mode);
  double my = circle_map(y, im->scale_y, im->scale_offset_y, im->view_offset_y, im->coord_mode);
  double mr = circle_map(x + radius, im->scale_x, im->scale_offset_x, im->view_offset_x,
                         im->coord_mode);
  double cx = std::round(mx), cy = std::round(my);              // halves away from zero
  double r = std::fabs(mr - mx);
  if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(r)) return;
  double rx = r, ry = r;

  if (!(passed & 8)) aspect = (double)im->height / im->width * 4 / 3;
  if (aspect >= 0 && aspect < 1) ry = ry * aspect;
  else if (aspect > 1) rx = rx / aspect;
  else if (aspect > -1 && aspect < 0) ry = ry * (aspect + 1);

  if (im->view_x1 > cx + rx + 0.5 || im->view_y1 > cy + ry + 0.5 || cx - rx - 0.5 > im->view_x2 ||
      cy - ry - 0.5 > im->view_y2)
    return;

  if (!(passed & 1)) colour = im->color;
  im->draw_color = colour;

  // Steps per quarter. Past 2^31 - 1 steps (a radius of over a billion pixels) the count is
  // held there so the statement still ends.
  double steps = pi2 * r / 4 + 0.5;
  int64_t n = steps < 2147483647.0 ? (int64_t)steps : 2147483647;
  double inc = n ? pi / 2 / n : 0;                           // unused when n is 0
  double sin_inc = std::sin(inc), cos_inc = std::cos(inc);

  int64_t icx = trunc_i64(cx), icy = trunc_i64(cy);
  if (start_negative)
    circle_line(icx, icy, icx + trunc_i64(std::cos(start) * rx + 0.5),
                icy - trunc_i64(std::sin(start) * ry - 0.5), colour);

  // Trackers hold the angle of the pending point in each quadrant's mirror image.
  double t1 = 0, t2 = pi, t3 = pi, t4 = pi2;
  auto in_arc = [&](double t) { return wrap ? (t <= start || t >= end) : (start <= t && t <= end); };
  auto plot = [&](int64_t px, int64_t py) {
    if (in_arc(t1)) circle_pset(icx + px, icy + py, colour);
    if (in_arc(t2)) circle_pset(icx - px, icy + py, colour);
    if (in_arc(t3)) circle_pset(icx - px, icy - py, colour);
    if (in_arc(t4)) circle_pset(icx + px, icy - py, colour);
  };

  double c = 1, s = 0;
  int64_t pend_x = 0, pend_y = 0, last_x = 0, last_y = 0;
  bool plotted = false;                                    // nothing to compare with yet
  for (int64_t i = 0; i <= n; i++) {
    int64_t qx = trunc_i64(c * rx + 0.5), qy = trunc_i64(s * ry - 0.5);
    if (i > 0) {
      // The pending point adds nothing when the candidate already touches the last pixel.
      if (!(plotted && std::llabs(qx - last_x) <= 1 && std::llabs(qy - last_y) < 2)) {
        plot(pend_x, pend_y);
        last_x = pend_x;
        last_y = pend_y;
        plotted = true;
      }
    }
    pend_x = qx;
    pend_y = qy;
    double nc = c * cos_inc + s * sin_inc, ns = s * cos_inc - c * sin_inc;
    c = nc;
    s = ns;
    if (i >= 1) {
      t1 += inc;
      t3 += inc;
      t2 -= inc;
      t4 -= inc;
    }
  }
  plot(pend_x, pend_y);

  if (end_negative)
    circle_line(icx, icy, icx + trunc_i64(std::cos(end) * rx + 0.5),
                icy - trunc_i64(std::sin(end) * ry - 0.5), colour);
}
