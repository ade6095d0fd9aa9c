// Lines and boxes: coordinate mapping (VIEW, WINDOW), line clipping, styled lines, rectangle
// fills, LINE, PSET, PRESET, POINT, PMAP, WINDOW and VIEW.
#include "lines.h"
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include "events.h"
#include "images.h"
#include "numconv.h"
#include "pixel_writer.h"
#if defined(__x86_64__) && defined(__SSE__)
#include <xmmintrin.h>
#endif

int32_t lineclip_draw;
int32_t lineclip_x1, lineclip_y1, lineclip_x2, lineclip_y2;
int64_t lineclip_skippixels;

// ---------------------------------------------------------------- mapping

static int32_t sat32(int64_t v) {
  return (int32_t)std::clamp<int64_t>(v, INT32_MIN, INT32_MAX);
}

// kelr_float_to_long without the call: the conversion instruction rounds by the current
// rounding mode as lrint does.
static inline int32_t to_long(float v) {
#if defined(__x86_64__) && defined(__SSE__)
  if (!(std::fabs(v) < 4e9f)) return INT32_MIN;
  long long r = _mm_cvtss_si64(_mm_set_ss(v));
  return r >= INT32_MIN && r <= INT32_MAX ? (int32_t)r : INT32_MIN;
#else
  return kelr_float_to_long(v);
#endif
}

static inline int32_t map_x(const img_struct *im, float x) {
  switch (im->coord_mode) {
    case 0: return to_long(x);
    case 1: return sat32((int64_t)to_long(x) + im->view_offset_x);
    default:
      return sat32((int64_t)to_long(x * im->scale_x + im->scale_offset_x) + im->view_offset_x);
  }
}

static inline int32_t map_y(const img_struct *im, float y) {
  switch (im->coord_mode) {
    case 0: return to_long(y);
    case 1: return sat32((int64_t)to_long(y) + im->view_offset_y);
    default:
      return sat32((int64_t)to_long(y * im->scale_y + im->scale_offset_y) + im->view_offset_y);
  }
}

int32_t kelg_map_x(const img_struct *im, float x) { return map_x(im, x); }
int32_t kelg_map_y(const img_struct *im, float y) { return map_y(im, y); }

// The view rectangle, cut to the page so that no write can leave the pixel memory.
// False when nothing of the image can be drawn.
static bool clip_rect(const img_struct *im, int32_t &l, int32_t &t, int32_t &r, int32_t &b) {
  if (im->is_text || !im->pixels) return false;
  l = std::max(im->view_x1, 0);
  t = std::max(im->view_y1, 0);
  r = std::min(im->view_x2, (int32_t)im->width - 1);
  b = std::min(im->view_y2, (int32_t)im->height - 1);
  return l <= r && t <= b;
}

// ---------------------------------------------------------------- pixels

static inline uint32_t blend(uint32_t dst, uint32_t src) { return kelg_blend(dst, src); }

static inline void put32(const img_struct *im, uint32_t *p, uint32_t c) {
  uint32_t a = c >> 24;
  if (im->alpha_disabled || a == 255) *p = c;
  else if (a) *p = blend(*p, c);                // alpha 0 writes nothing
}

// Unclipped pset: the caller has made sure (x, y) is on the page.
static inline void pset(img_struct *im, int32_t x, int32_t y, uint32_t c) {
  size_t i = (size_t)y * im->width + (size_t)x;
  if (im->bytes_per_pixel == 1) im->pixels[i] = (uint8_t)(c & im->mask);
  else if (im->bytes_per_pixel == 4) put32(im, (uint32_t *)im->pixels + i, c);
}

void pset_and_clip(int32_t x, int32_t y, uint32_t colour) {
  img_struct *im = write_page;
  int32_t l, t, r, b;
  if (!clip_rect(im, l, t, r, b)) return;
  if (x < l || x > r || y < t || y > b) return;
  pset(im, x, y, colour);
}

// Fills x1..x2, y1..y2 (ordered, on the page) row by row.
static void fill_rows(img_struct *im, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t c) {
  size_t w = im->width, n = (size_t)(x2 - x1 + 1);
  if (im->bytes_per_pixel == 1) {
    uint8_t v = (uint8_t)(c & im->mask);
    if (n == w) {                               // whole rows lie end to end: one fill
      std::memset(im->pixels + y1 * w, v, (size_t)(y2 - y1 + 1) * w);
      return;
    }
    for (int32_t y = y1; y <= y2; y++) std::memset(im->pixels + y * w + x1, v, n);
    return;
  }
  if (im->bytes_per_pixel != 4) return;
  uint32_t *p = (uint32_t *)im->pixels;
  uint32_t a = c >> 24;
  if (im->alpha_disabled || a == 255) {        // one prepared row, copied down
    uint32_t *first = p + y1 * w + x1;
    std::fill(first, first + n, c);
    for (int32_t y = y1 + 1; y <= y2; y++) std::memcpy(p + y * w + x1, first, n * 4);
  } else if (a) {
    for (int32_t y = y1; y <= y2; y++)
      for (int32_t x = x1; x <= x2; x++) p[y * w + x] = blend(p[y * w + x], c);
  }
}

void fast_boxfill(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
  img_struct *im = write_page;
  if (im->is_text || !im->pixels) return;
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  // callers pass points on the page; the clamp only keeps a wrong call inside the memory
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, (int32_t)im->width - 1);
  y2 = std::min(y2, (int32_t)im->height - 1);
  if (x1 > x2 || y1 > y2) return;
  fill_rows(im, x1, y1, x2, y2, colour);
}

void kel32_boxfill(float x1, float y1, float x2, float y2, uint32_t colour) {
  img_struct *im = write_page;
  int32_t l, t, r, b;
  if (!clip_rect(im, l, t, r, b)) return;
  int32_t ax = map_x(im, x1), ay = map_y(im, y1);
  int32_t bx = map_x(im, x2), by = map_y(im, y2);
  if (ax > bx) std::swap(ax, bx);
  if (ay > by) std::swap(ay, by);
  if (bx < l || ax > r || by < t || ay > b) return;
  fill_rows(im, std::max(ax, l), std::max(ay, t), std::min(bx, r), std::min(by, b), colour);
}

// ---------------------------------------------------------------- clipping

// The crossing coordinate v, rounded through single precision (ties to even), when it lies
// within lo..hi.
static bool crossing(double v, int32_t lo, int32_t hi, int32_t &out) {
  if (!std::isfinite(v)) return false;
  float f = (float)v;
  if (!(std::fabs(f) < 4e9f)) return false;
  int64_t c = std::lrint(f);
  if (c < lo || c > hi) return false;
  out = (int32_t)c;
  return true;
}

// Moves (x, y), which lies outside the rectangle, along the segment towards (tx, ty) onto
// the first edge that applies: right, left, top, bottom. False when none does.
static bool clip_point(int32_t &x, int32_t &y, int32_t tx, int32_t ty,
                       int32_t l, int32_t t, int32_t r, int32_t b) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  double dx = (double)tx - x, dy = (double)ty - y;
  double sx = dy != 0 ? dx / std::fabs(dy) : (dx < 0 ? -inf : dx > 0 ? inf : 0);
  double sy = dx != 0 ? dy / std::fabs(dx) : (dy < 0 ? -inf : dy > 0 ? inf : 0);
  int32_t c;
  if (x > r && sx < 0 && crossing(y + ((double)x - r) * sy, t, b, c)) { x = r; y = c; return true; }
  if (x < l && sx > 0 && crossing(y + ((double)l - x) * sy, t, b, c)) { x = l; y = c; return true; }
  if (y < t && sy > 0 && crossing(x + ((double)t - y) * sx, l, r, c)) { y = t; x = c; return true; }
  if (y > b && sy < 0 && crossing(x + ((double)y - b) * sx, l, r, c)) { y = b; x = c; return true; }
  return false;
}

void lineclip(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
              int32_t left, int32_t top, int32_t right, int32_t bottom) {
  lineclip_skippixels = 0;
  lineclip_draw = 0;
  auto inside = [&](int32_t x, int32_t y) {
    return x >= left && x <= right && y >= top && y <= bottom;
  };
  if (x1 == x2 && y1 == y2) {
    if (!inside(x1, y1)) return;
  } else {
    // Both ends beyond one edge: nothing of the segment is visible. Without this test the
    // edge crossing of the extended line could turn such a segment into a stray pixel.
    if ((x1 < left && x2 < left) || (x1 > right && x2 > right) ||
        (y1 < top && y2 < top) || (y1 > bottom && y2 > bottom))
      return;
    if (!inside(x1, y1)) {
      int32_t ox = x1, oy = y1;
      if (!clip_point(x1, y1, x2, y2, left, top, right, bottom)) return;
      lineclip_skippixels = std::max(std::llabs((int64_t)x1 - ox), std::llabs((int64_t)y1 - oy));
    }
    if (!inside(x2, y2) && !clip_point(x2, y2, x1, y1, left, top, right, bottom)) return;
  }
  lineclip_x1 = x1;
  lineclip_y1 = y1;
  lineclip_x2 = x2;
  lineclip_y2 = y2;
  lineclip_draw = 1;
}

// ---------------------------------------------------------------- lines

// std::round of a float within the 32-bit range (halves away from zero), without the library
// call: the fraction v - trunc(v) is exact in single precision.
static inline int32_t round_half_away(float v) {
  int32_t t = (int32_t)v;                       // toward zero
  float frac = v - (float)t;
  return t + (frac >= 0.5f) - (frac <= -0.5f);
}

// Steps along the longer axis from (x1, y1) to (x2, y2), both on the page, calling plot for
// each pixel; the other coordinate is accumulated in single precision and rounded half away
// from zero (kept between the end points, so rounding drift on huge images stays inside).
template <class Plot>
static void walk(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Plot &&plot) {
  int32_t dx = std::abs(x1 - x2), dy = std::abs(y1 - y2);
  if (dy < dx) {
    int32_t s = x2 > x1 ? 1 : -1, lo = std::min(y1, y2), hi = std::max(y1, y2);
    float step = (float)(y2 - y1) / (float)dx, y = (float)y1;
    for (int32_t i = 0, x = x1; i <= dx; i++, x += s, y += step)
      plot(x, std::clamp(round_half_away(y), lo, hi));
  } else {
    int32_t s = y2 > y1 ? 1 : -1, lo = std::min(x1, x2), hi = std::max(x1, x2);
    float step = dy ? (float)(x2 - x1) / (float)dy : 0.0f, x = (float)x1;
    for (int32_t i = 0, y = y1; i <= dy; i++, y += s, x += step)
      plot(std::clamp(round_half_away(x), lo, hi), y);
  }
}

// One line between pixel coordinates (mapped, not yet clipped) in the clip rectangle l, t,
// r, b, with the 16-bit style: a solid one plots every pixel without the pattern, an empty one
// nothing; the pixels cut from the start rotate the pattern as if drawn.
static void pixel_line(const pixel_writer &pw, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                       int32_t l, int32_t t, int32_t r, int32_t b, uint32_t style) {
  lineclip(x1, y1, x2, y2, l, t, r, b);
  if (!lineclip_draw) return;
  style &= 0xFFFF;
  if (style == 0) return;
  pw.with_put([&](auto put) {
    if (style == 0xFFFF) {
      walk(lineclip_x1, lineclip_y1, lineclip_x2, lineclip_y2, put);
      return;
    }
    uint32_t pattern = style * 65537u;          // the 16-bit style twice
    pattern = std::rotl(pattern, (int)(lineclip_skippixels & 15));
    walk(lineclip_x1, lineclip_y1, lineclip_x2, lineclip_y2, [&](int32_t x, int32_t y) {
      pattern = std::rotl(pattern, 1);
      if (pattern & 1) put(x, y);
    });
  });
}

void kel32_line(float x1, float y1, float x2, float y2, uint32_t colour, uint32_t style) {
  img_struct *im = write_page;
  int32_t l, t, r, b;
  if (!clip_rect(im, l, t, r, b)) return;
  pixel_line(pixel_writer(im, colour), map_x(im, x1), map_y(im, y1), map_x(im, x2),
             map_y(im, y2), l, t, r, b, style);
}

// LINE ... , B: the four edges, each starting its pattern afresh at its corner; the corners
// are mapped once (each edge would map them alike).
static void box_edges(float x1, float y1, float x2, float y2, uint32_t colour, uint32_t style) {
  img_struct *im = write_page;
  int32_t l, t, r, b;
  if (!clip_rect(im, l, t, r, b)) return;
  pixel_writer pw(im, colour);
  int32_t ax = map_x(im, x1), ay = map_y(im, y1), bx = map_x(im, x2), by = map_y(im, y2);
  pixel_line(pw, ax, ay, bx, ay, l, t, r, b, style);
  pixel_line(pw, bx, ay, bx, by, l, t, r, b, style);
  pixel_line(pw, bx, by, ax, by, l, t, r, b, style);
  pixel_line(pw, ax, by, ax, ay, l, t, r, b, style);
}

void fast_line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
  img_struct *im = write_page;
  int32_t l, t, r, b;
  if (!clip_rect(im, l, t, r, b)) return;
  pixel_line(pixel_writer(im, colour), x1, y1, x2, y2, l, t, r, b, 0xFFFF);
}

// ---------------------------------------------------------------- statements

void sub_line(int32_t step1, float x1, float y1, int32_t step2, float x2, float y2,
              uint32_t colour, int32_t kind, uint32_t style, int32_t passed) {
  if (new_error) return;
  img_struct *im = write_page;
  if (im->is_text || kind < 0 || kind > 2) { error(5); return; }
  if (passed & 1) {
    if (step1) { x1 += im->graphics_x; y1 += im->graphics_y; }
  } else {
    x1 = im->graphics_x;
    y1 = im->graphics_y;
  }
  if (step2) { x2 += x1; y2 += y1; }
  im->graphics_x = x2;
  im->graphics_y = y2;
  if (!(passed & 4)) style = 0xFFFF;
  if (!(passed & 2)) colour = im->color;
  im->draw_color = colour;
  switch (kind) {
    case 0: kel32_line(x1, y1, x2, y2, colour, style); break;
    case 1: box_edges(x1, y1, x2, y2, colour, style); break;
    default: kel32_boxfill(x1, y1, x2, y2, colour); break;
  }
}

static void pset_statement(int32_t step, float x, float y, uint32_t colour, bool given,
                           uint32_t fallback) {
  if (new_error) return;
  img_struct *im = write_page;
  if (im->is_text) { error(5); return; }
  if (step) { x += im->graphics_x; y += im->graphics_y; }
  im->graphics_x = x;
  im->graphics_y = y;
  if (!given) colour = fallback;
  im->draw_color = colour;
  pset_and_clip(map_x(im, x), map_y(im, y), colour);
}

void kelg_pset(int32_t step, float x, float y, uint32_t colour, int32_t passed) {
  pset_statement(step, x, y, colour, passed & 1, write_page->color);
}

void sub_preset(int32_t step, float x, float y, uint32_t colour, int32_t passed) {
  pset_statement(step, x, y, colour, passed & 1, write_page->background_color);
}

float func_point(float x, float y, int32_t flag) {
  if (new_error) return 0;
  if (flag) {
    img_struct *im = read_page;
    int32_t l, t, r, b;
    if (im->is_text) { error(5); return 0; }
    if (!clip_rect(im, l, t, r, b)) return -1;
    int32_t px = map_x(im, x), py = map_y(im, y);
    if (px < l || px > r || py < t || py > b) return -1;
    size_t i = (size_t)py * im->width + (size_t)px;
    if (im->bytes_per_pixel == 4) return (float)((uint32_t *)im->pixels)[i];
    return (float)(im->pixels[i] & im->mask);
  }
  img_struct *im = write_page;
  if (im->is_text) { error(5); return 0; }
  bool window = im->coord_mode == 2;
  switch (kelr_float_to_long(x)) {
    case 0:
      return (float)kelr_float_to_long(window ? im->graphics_x * im->scale_x + im->scale_offset_x
                                              : im->graphics_x);
    case 1:
      return (float)kelr_float_to_long(window ? im->graphics_y * im->scale_y + im->scale_offset_y
                                              : im->graphics_y);
    case 2: return im->graphics_x;
    case 3: return im->graphics_y;
    default: error(5); return 0;
  }
}

float func_pmap(float value, int32_t n) {
  if (new_error) return 0;
  img_struct *im = write_page;
  if (im->is_text || n < 0 || n > 3) { error(5); return 0; }
  switch (n) {
    case 0: return (float)kelr_float_to_long(value * im->scale_x + im->scale_offset_x);
    case 1: return (float)kelr_float_to_long(value * im->scale_y + im->scale_offset_y);
    case 2: return ((float)kelr_float_to_long(value) - im->scale_offset_x) / im->scale_x;
    default: return ((float)kelr_float_to_long(value) - im->scale_offset_y) / im->scale_y;
  }
}

// No WINDOW: identity scaling, window = whole page; the graphics cursor is (px, py) pixels.
static void window_reset(img_struct *im, float px, float py) {
  im->coord_mode = 1;
  im->scale_x = im->scale_y = 1;
  im->scale_offset_x = im->scale_offset_y = 0;
  im->window_x1 = im->window_y1 = 0;
  im->window_x2 = (float)(im->width - 1);
  im->window_y2 = (float)(im->height - 1);
  if (im->view_x1 == 0 && im->view_y1 == 0 && im->view_x2 == im->width - 1 &&
      im->view_y2 == im->height - 1 && im->view_offset_x == 0 && im->view_offset_y == 0)
    im->coord_mode = 0;
  im->graphics_x = px;
  im->graphics_y = py;
}

void kelg_sub_window(int32_t screen_flag, float x1, float y1, float x2, float y2, int32_t passed) {
  if (new_error) return;
  img_struct *im = write_page;
  bool coords = passed & 1;
  if (im->is_text || (screen_flag && !coords) || (coords && (x1 == x2 || y1 == y2))) {
    error(5);
    return;
  }
  float px = im->graphics_x, py = im->graphics_y;
  if (im->coord_mode == 2) {
    px = px * im->scale_x + im->scale_offset_x;
    py = py * im->scale_y + im->scale_offset_y;
  }
  if (coords) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    if (!screen_flag) std::swap(y1, y2);       // y grows upwards
    float sx = (float)(im->view_x2 - im->view_x1) / (x2 - x1);
    float sy = (float)(im->view_y2 - im->view_y1) / (y2 - y1);
    float ox = -x1 * sx;
    float oy = screen_flag ? -y1 * sy : -y2 * sy + (float)(im->view_y2 - im->view_y1);
    bool identity = x1 == 0 && y1 == 0 && x2 == im->width - 1 && y2 == im->height - 1 &&
                    sx == 1 && sy == 1 && ox == 0 && oy == 0;
    if (!identity) {
      im->coord_mode = 2;
      im->scale_x = sx;
      im->scale_y = sy;
      im->scale_offset_x = ox;
      im->scale_offset_y = oy;
      im->window_x1 = x1;
      im->window_y1 = y1;
      im->window_x2 = x2;
      im->window_y2 = y2;
      im->graphics_x = (px - ox) / sx;
      im->graphics_y = (py - oy) / sy;
      return;
    }
  }
  window_reset(im, px, py);
}

void kelg_sub_view(int32_t screen_flag, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                   uint32_t fill, uint32_t border, int32_t passed) {
  if (new_error) return;
  img_struct *im = write_page;
  if (im->is_text) { error(5); return; }
  int32_t w = im->width, h = im->height;
  if (passed & 1) {
    if (x1 < 0 || x1 >= w || x2 < 0 || x2 >= w || y1 < 0 || y1 >= h || y2 < 0 || y2 >= h) {
      error(5);
      return;
    }
  } else if (screen_flag || (passed & 6)) {
    error(5);
    return;
  }
  im->draw_angle = 0;
  im->draw_scale = 1;
  if (passed & 1) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    im->view_x1 = x1;
    im->view_y1 = y1;
    im->view_x2 = x2;
    im->view_y2 = y2;
    im->view_offset_x = screen_flag ? 0 : x1;
    im->view_offset_y = screen_flag ? 0 : y1;
    if (im->coord_mode == 0) im->coord_mode = 1;
  } else {
    im->view_x1 = im->view_y1 = 0;
    im->view_x2 = w - 1;
    im->view_y2 = h - 1;
    im->view_offset_x = im->view_offset_y = 0;
    if (im->coord_mode == 1) im->coord_mode = 0;
  }
  if (im->coord_mode == 2) {
    im->scale_x = (float)(im->view_x2 - im->view_x1) / (im->window_x2 - im->window_x1);
    im->scale_y = (float)(im->view_y2 - im->view_y1) / (im->window_y2 - im->window_y1);
    im->scale_offset_x = -im->window_x1 * im->scale_x;
    im->scale_offset_y = -im->window_y1 * im->scale_y;
    // y upwards: the same placement WINDOW gives, so the order of VIEW and WINDOW does not
    // matter (relative to the view's height, the view offset is added when mapping)
    if (im->window_y1 > im->window_y2)
      im->scale_offset_y = -im->window_y2 * im->scale_y + (float)(im->view_y2 - im->view_y1);
  }
  if (passed & 2) kel32_boxfill(im->window_x1, im->window_y1, im->window_x2, im->window_y2, fill);
  if (passed & 4) {
    int32_t l = im->view_x1 - 1, t = im->view_y1 - 1, r = im->view_x2 + 1, b = im->view_y2 + 1;
    auto plot = [&](int32_t x, int32_t y) {
      if (x >= 0 && x < w && y >= 0 && y < h) pset(im, x, y, border);
    };
    for (int32_t x = l; x <= r; x++) { plot(x, t); plot(x, b); }
    for (int32_t y = im->view_y1; y <= im->view_y2; y++) { plot(l, y); plot(r, y); }
  }
}
