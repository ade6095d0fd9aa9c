// CIRCLE: circles, ellipses, arcs and pie slices, stepped around one quarter and mirrored.
#include "circle.h"
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include "flags.h"
#include "events.h"
#include "images.h"
#include "lines.h"
#include "pixel_writer.h"

static constexpr double pi2 = 6.283185307179586;
static constexpr double pi = 3.141592653589793;
// 2pi as a program computes it in single precision (just above the double); an angle up to
// this is taken as 2pi.
static constexpr double pi2_single = (double)(float)pi2;

// For the small lambdas of the walk's inner loop: out of line, they keep the walk's state in
// memory instead of registers.
#define CIRCLE_INLINE __attribute__((always_inline))

// Pixel values are kept in 64 bits and clamped here, so an absurd radius or centre can
// neither overflow nor reach the page: anything this far out is off every page.
static constexpr double coord_limit = 2305843009213693952.0;  // 2^61
static int64_t trunc_i64(double v) {
  if (!(v > -coord_limit)) return -(int64_t)coord_limit;
  if (!(v < coord_limit)) return (int64_t)coord_limit;
  return (int64_t)v;                                          // toward zero
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

// Culling: only the steps of the quarter that can put a point on the page are walked, which
// keeps huge radii (up to 2^31 steps a quarter) quick. The clip rectangle is widened by this
// many pixels to cover the rounding of the points and of the angle to step conversion.
static constexpr double cull_margin = 4;

struct circle_span { int64_t lo, hi; };        // steps lo ... hi, inclusive

// The angles in 0 ... pi/2 at which radius * cos (or sin) lies within a ... b; false if none.
static bool angle_range(double radius, double a, double b, bool use_sin, double &lo, double &hi) {
  a = std::max(a, 0.0);
  b = std::min(b, radius);
  if (!(a <= b)) return false;
  if (radius == 0) { lo = 0; hi = pi / 2; return true; }  // a = b = 0: every angle
  if (use_sin) { lo = std::asin(a / radius); hi = std::asin(b / radius); }
  else { lo = std::acos(b / radius); hi = std::acos(a / radius); }
  return true;
}

// The steps 0 ... n whose mirrored points can lie in the clip rectangle l, t, r, b, sorted
// and merged. The point of step i sits about (cx +- rx cos(i inc), cy -+ ry sin(i inc));
// every step outside the result is off the page in all four quadrants.
static int circle_spans(double l, double t, double r, double b, double cx, double cy, double rx,
                        double ry, int64_t n, double inc, circle_span out[4]) {
  l -= cull_margin;
  t -= cull_margin;
  r += cull_margin;
  b += cull_margin;
  int count = 0;
  for (int q = 0; q < 4; q++) {
    bool right = q == 0 || q == 3, up = q < 2;          // the order plot uses
    double xa = right ? l - cx : cx - r, xb = right ? r - cx : cx - l;
    double ya = up ? cy - b : t - cy, yb = up ? cy - t : b - cy;
    double x_lo, x_hi, y_lo, y_hi;
    if (!angle_range(rx, xa, xb, false, x_lo, x_hi) || !angle_range(ry, ya, yb, true, y_lo, y_hi))
      continue;
    double a_lo = std::max(x_lo, y_lo), a_hi = std::min(x_hi, y_hi);
    if (!(a_lo <= a_hi)) continue;
    circle_span s{0, n};                                // two steps of slack either side
    if (n) {
      s.lo = std::max<int64_t>(0, (int64_t)std::floor(a_lo / inc) - 2);
      s.hi = std::min<int64_t>(n, (int64_t)std::ceil(a_hi / inc) + 2);
    }
    out[count++] = s;
  }
  for (int k = 1; k < count; k++)                      // by first step
    for (int j = k; j > 0 && out[j].lo < out[j - 1].lo; j--) std::swap(out[j], out[j - 1]);
  int merged = 0;
  for (int k = 0; k < count; k++) {
    // Spans close together are walked as one: the gap costs less than a restart.
    if (merged && out[k].lo <= out[merged - 1].hi + 1024)
      out[merged - 1].hi = std::max(out[merged - 1].hi, out[k].hi);
    else
      out[merged++] = out[k];
  }
  return merged;
}

// What the near-duplicate rule remembers: the last point plotted, if any.
struct drop_state {
  bool plotted;
  int64_t x, y;
  bool operator==(const drop_state &) const = default;
};

// A walk over the quarter: the step it is at and the step it started from, the rotating
// vector, the angle trackers, the pending point and the near-duplicate rule's state. After a
// skip that state is not known; it is one of a few (see sub_circle), all followed until
// they agree.
struct circle_walk {
  int64_t i, from;
  double c, s, t1, t2, t3, t4;
  int64_t pend_x, pend_y;
  int states;                                   // 0 until the first point is known
  drop_state st[5];
};

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
  if (!(start <= pi2_single) || !(end <= pi2_single)) { error(5); return; }    // also NaN
  start = std::min(start, pi2);
  end = std::min(end, pi2);
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

  // From step 0 with nothing plotted yet; the trackers hold the angle of the pending point
  // in each quadrant's mirror image.
  circle_walk w{0, 0, 1, 0, 0, pi, pi, pi2, 0, 0, 1, {{false, 0, 0}}};
  // A whole circle: every point is in the arc, as the trackers stay within 0 ... 2pi (they
  // move by at most a quarter turn, up from 0 and pi or down from pi and 2pi).
  bool whole = !wrap && start == 0 && end == pi2;
  auto in_arc = [&](double t) CIRCLE_INLINE {
    return whole || (wrap ? (t <= start || t >= end) : (start <= t && t <= end));
  };
  // The clip rectangle as a PSET sees it: the view cut to the page (all of it within the
  // 32-bit range, so points beyond that range are off it).
  int64_t left = std::max(im->view_x1, 0), top = std::max(im->view_y1, 0);
  int64_t right = std::min(im->view_x2, (int32_t)im->width - 1);
  int64_t bottom = std::min(im->view_y2, (int32_t)im->height - 1);
  auto on_page = [&](int64_t px, int64_t py) CIRCLE_INLINE {
    return px >= left && px <= right && py >= top && py <= bottom;
  };
  const pixel_writer pw(im, colour);
  auto put = [&](int64_t px, int64_t py) CIRCLE_INLINE {
    if (on_page(px, py)) pw.put((int32_t)px, (int32_t)py);
  };
  auto plot = [&](int64_t px, int64_t py) CIRCLE_INLINE {
    if (in_arc(w.t1)) put(icx + px, icy + py);
    if (in_arc(w.t2)) put(icx - px, icy + py);
    if (in_arc(w.t3)) put(icx - px, icy - py);
    if (in_arc(w.t4)) put(icx + px, icy - py);
  };
  auto shows = [&](int64_t px, int64_t py) {           // would plot leave a pixel?
    return (in_arc(w.t1) && on_page(icx + px, icy + py)) ||
           (in_arc(w.t2) && on_page(icx - px, icy + py)) ||
           (in_arc(w.t3) && on_page(icx - px, icy - py)) ||
           (in_arc(w.t4) && on_page(icx + px, icy - py));
  };

  // The walk covers only the spans of steps that can reach the page and jumps over the
  // rest; a circle that lies wholly on the page is walked in one piece from step 0.
  // After a jump the vector and the trackers are computed from the step number. A walk
  // through every step would have got there by rotation and addition, so the points match
  // it only to within that accumulated rounding: far below a pixel for radii of a few
  // thousand, but near a pixel at 1E8, where the computed values are the nearer ones.
  // The near-duplicate rule also depends on the last point plotted before the jump. Every
  // point ahead lies further on in both coordinates, so that point matters only if it was
  // at most one pixel behind the first point after the jump: the walk follows those four
  // cases and "nothing near" side by side until they agree. Should a point that would show
  // come first, it starts again further back, at worst from the last state it knew.
  circle_span spans[4];
  int span_count = circle_spans((double)left, (double)top, (double)right, (double)bottom, cx, cy,
                                rx, ry, n, inc, spans);
  circle_walk known = w;                                   // a state to fall back on
  known.i = -1;
  auto jump = [&](int64_t to) {
    double a = (double)to * inc;
    w.i = w.from = to;
    w.c = std::cos(a);
    w.s = -std::sin(a);
    w.t1 = a;
    w.t2 = pi - a;
    w.t3 = pi + a;
    w.t4 = pi2 - a;
    w.states = 0;
  };
  int k = 0;
  constexpr int64_t max_back = (int64_t)1 << 20;           // bounds the work of restarts
  int64_t back = 1024;                                     // how far a restart goes back
  if (span_count && spans[0].lo > 0) jump(spans[0].lo);
  for (uint32_t walked = 0; k < span_count; walked++) {
    // A stop request ends the statement; the next statement event ends the thread.
    if ((walked & 0xFFFF) == 0 && stop_program.load(std::memory_order_relaxed) == 1) return;
    int64_t qx = trunc_i64(w.c * rx + 0.5), qy = trunc_i64(w.s * ry - 0.5);
    if (w.i == w.from) {
      if (w.states == 0) {
        w.states = 5;
        w.st[0] = {false, 0, 0};
        w.st[1] = {true, qx, qy};
        w.st[2] = {true, qx + 1, qy};
        w.st[3] = {true, qx, qy + 1};
        w.st[4] = {true, qx + 1, qy + 1};
      }
    } else if (w.states == 1) {
      // The pending point adds nothing when the candidate already touches the last pixel.
      drop_state &d = w.st[0];
      if (!(d.plotted && std::llabs(qx - d.x) <= 1 && std::llabs(qy - d.y) < 2)) {
        plot(w.pend_x, w.pend_y);
        d = {true, w.pend_x, w.pend_y};
      }
    } else {
      // The state is one of several: a point that would show waits until they agree (the
      // others are off the page or outside the arc, so they need not be plotted).
      if (shows(w.pend_x, w.pend_y)) {
        int64_t to = w.from - back;
        if (to <= known.i + 1) {
          w = known;
          w.i++;
          continue;
        }
        if (back <= max_back) {
          back *= 4;
          jump(to);
          continue;
        }
        w.states = 1;          // too far to look back: go on with one case, a plausible curve
      }
      for (int j = 0; j < w.states; j++) {
        drop_state &d = w.st[j];
        if (!(d.plotted && std::llabs(qx - d.x) <= 1 && std::llabs(qy - d.y) < 2)) {
          if (w.states == 1) plot(w.pend_x, w.pend_y);
          d = {true, w.pend_x, w.pend_y};
        }
      }
      int kept = 1;
      for (int j = 1; j < w.states; j++) {
        bool seen = false;
        for (int m = 0; m < kept; m++) seen = seen || w.st[m] == w.st[j];
        if (!seen) w.st[kept++] = w.st[j];
      }
      w.states = kept;
    }
    w.pend_x = qx;
    w.pend_y = qy;
    double nc = w.c * cos_inc + w.s * sin_inc, ns = w.s * cos_inc - w.c * sin_inc;
    w.c = nc;
    w.s = ns;
    if (w.i > w.from) {
      w.t1 += inc;
      w.t3 += inc;
      w.t2 -= inc;
      w.t4 -= inc;
    }
    if (w.i == spans[k].hi) {
      if (w.i == n) plot(w.pend_x, w.pend_y);              // the last point always shows
      if (++k == span_count) break;
      if (w.states == 1) known = w;
      jump(spans[k].lo);
      back = 1024;
      continue;
    }
    w.i++;
  }

  if (end_negative)
    circle_line(icx, icy, icx + trunc_i64(std::cos(end) * rx + 0.5),
                icy - trunc_i64(std::sin(end) * ry - 0.5), colour);
}
