// Flood fill: PAINT with a fill colour and a border colour on palette (1 byte per pixel) pages.
#include "paint.h"
#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <vector>
#include "events.h"
#include "images.h"
#include "kels.h"
#include "lines.h"
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// A run of filled pixels x1..x2 on row y, waiting to look at the rows above (dir_up) and/or
// below (dir_down) it. Filling whole runs at once gives the same pixels as visiting the four
// neighbours one pixel at a time, at the cost of a row scan instead of a queue entry per pixel.
struct paint_run {
  uint16_t y, x1, x2;
  uint8_t dirs;
};

constexpr uint8_t dir_up = 4, dir_down = 8;

// What one fill works on: the page rows, the visited rows and the view rectangle, and the
// tile when the fill is a pattern (null for one colour).
struct paint_area {
  uint8_t *pixels, *visited;
  size_t width;
  int x1, y1, x2, y2;
  uint8_t fill, border;
  const paint_tile *tile;
};

}  // namespace

// Working storage, allocated on first use and kept: the visited map (one byte per pixel, all
// zero between fills) and the current and next frontier, which grow as a fill needs.
static uint8_t *paint_visited;
static size_t paint_visited_bytes;
static std::vector<paint_run> paint_current, paint_next;

constexpr size_t paint_first_map = 640 * 480;
constexpr size_t paint_first_frontier = 65536;

// ---- row scans, a block of pixels at a time ----
// A pixel is open when it is not visited and not of the border colour; everything else blocks.
// blocked_block gives one flag per pixel of the block; first_flag / last_flag find the lowest
// and highest flagged pixel. SSE2 looks at 16 pixels at once, other machines at 8 (a word).

#if defined(__SSE2__)

constexpr int block = 16;
constexpr bool block_scan = true;
using block_flags = uint32_t;
constexpr block_flags all_flags = 0xFFFF;

static inline block_flags blocked_block(const uint8_t *p, const uint8_t *v, uint8_t border) {
  __m128i pv = _mm_loadu_si128((const __m128i *)p), vv = _mm_loadu_si128((const __m128i *)v);
  __m128i open = _mm_andnot_si128(_mm_cmpeq_epi8(pv, _mm_set1_epi8((char)border)),
                                  _mm_cmpeq_epi8(vv, _mm_setzero_si128()));
  return ~(block_flags)_mm_movemask_epi8(open) & all_flags;
}
static inline int first_flag(block_flags f) { return std::countr_zero(f); }
static inline int last_flag(block_flags f) { return 31 - std::countl_zero(f); }

#else

constexpr int block = 8;
constexpr bool block_scan = std::endian::native == std::endian::little;
using block_flags = uint64_t;
constexpr block_flags all_flags = 0x8080808080808080ull;   // the high bit of each byte
constexpr uint64_t lows = 0x7F7F7F7F7F7F7F7Full;

static inline uint64_t load8(const uint8_t *p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
// The high bit of each byte set where that byte is non-zero (exact: no carry between bytes).
static inline uint64_t nonzero_bytes(uint64_t v) { return (((v & lows) + lows) | v) & all_flags; }
static inline block_flags blocked_block(const uint8_t *p, const uint8_t *v, uint8_t border) {
  return nonzero_bytes(load8(v)) |
         (~nonzero_bytes(load8(p) ^ (border * 0x0101010101010101ull)) & all_flags);
}
static inline int first_flag(block_flags f) { return std::countr_zero(f) / 8; }
static inline int last_flag(block_flags f) { return (63 - std::countl_zero(f)) / 8; }

#endif

static inline bool open_at(const uint8_t *p, const uint8_t *v, int x, uint8_t border) {
  return v[x] == 0 && p[x] != border;
}

// First open x in [x, end], or end + 1.
static int next_open(const uint8_t *p, const uint8_t *v, int x, int end, uint8_t border) {
  if constexpr (block_scan)
    for (; x + block - 1 <= end; x += block) {
      block_flags open = ~blocked_block(p + x, v + x, border) & all_flags;
      if (open) return x + first_flag(open);
    }
  for (; x <= end; x++)
    if (open_at(p, v, x, border)) return x;
  return end + 1;
}

// First blocked x in [x, end], or end + 1.
static int next_blocked(const uint8_t *p, const uint8_t *v, int x, int end, uint8_t border) {
  if constexpr (block_scan)
    for (; x + block - 1 <= end; x += block) {
      block_flags blocked = blocked_block(p + x, v + x, border);
      if (blocked) return x + first_flag(blocked);
    }
  for (; x <= end; x++)
    if (!open_at(p, v, x, border)) return x;
  return end + 1;
}

// Leftmost x such that every pixel in [x, from - 1] is open, going no further left than start.
static int open_left(const uint8_t *p, const uint8_t *v, int from, int start, uint8_t border) {
  int x = from;
  if constexpr (block_scan)
    for (; x - block >= start; x -= block) {
      block_flags blocked = blocked_block(p + x - block, v + x - block, border);
      if (blocked) return x - block + last_flag(blocked) + 1;
    }
  for (; x - 1 >= start; x--)
    if (!open_at(p, v, x - 1, border)) return x;
  return x;
}

static void fill_run(paint_area &a, int y, int x1, int x2) {
  size_t at = (size_t)y * a.width + x1, n = (size_t)(x2 - x1 + 1);
  if (a.tile) {
    // The pattern lies on the page's own grid, so neighbouring fills join up seamlessly.
    const uint8_t *pattern = a.tile->colour[y % a.tile->rows];
    for (int x = x1; x <= x2; x++) a.pixels[at + (size_t)(x - x1)] = pattern[x & 7];
  } else {
    std::memset(a.pixels + at, a.fill, n);
  }
  std::memset(a.visited + at, 1, n);
}

// Fills every open stretch of row y that touches x1..x2 (a run just filled on the row beside it,
// reached by moving `dir`), widening each stretch left and right as far as it stays open, and
// queues the new runs. A run reaching past x1..x2 must also look back the way it came.
static void scan_row(paint_area &a, int y, int x1, int x2, uint8_t dir) {
  const uint8_t *p = a.pixels + (size_t)y * a.width, *v = a.visited + (size_t)y * a.width;
  uint8_t back = dir == dir_up ? dir_down : dir_up;
  for (int x = x1;;) {
    x = next_open(p, v, x, x2, a.border);
    if (x > x2) return;
    int left = x == x1 ? open_left(p, v, x, a.x1, a.border) : x;
    int right = next_blocked(p, v, x, a.x2, a.border) - 1;
    fill_run(a, y, left, right);
    uint8_t dirs = dir | (left < x1 || right > x2 ? back : 0);
    paint_next.push_back({(uint16_t)y, (uint16_t)left, (uint16_t)right, dirs});
    x = right + 1;
  }
}

static bool paint_storage(size_t bytes) {
  if (paint_current.capacity() < paint_first_frontier) {
    paint_current.reserve(paint_first_frontier);
    paint_next.reserve(paint_first_frontier);
  }
  if (paint_visited && bytes <= paint_visited_bytes) return true;
  std::free(paint_visited);
  paint_visited_bytes = std::max(bytes, paint_first_map);
  paint_visited = (uint8_t *)std::calloc(paint_visited_bytes, 1);
  if (!paint_visited) paint_visited_bytes = 0;
  return paint_visited != nullptr;
}

static void flood(img_struct *im, int64_t px, int64_t py, uint8_t fill, uint8_t border,
                  const paint_tile *tile) {
  if (!im || im->is_text || im->bytes_per_pixel != 1 || !im->pixels) return;
  paint_area a;
  a.pixels = im->pixels;
  a.width = im->width;
  a.fill = fill;
  a.border = border;
  a.tile = tile;
  // The view always lies on the page; clamping again keeps a bad view from writing outside it.
  a.x1 = std::max<int32_t>(im->view_x1, 0);
  a.y1 = std::max<int32_t>(im->view_y1, 0);
  a.x2 = std::min<int32_t>(im->view_x2, (int32_t)im->width - 1);
  a.y2 = std::min<int32_t>(im->view_y2, (int32_t)im->height - 1);
  if (px < a.x1 || px > a.x2 || py < a.y1 || py > a.y2) return;
  int x = (int)px, y = (int)py;
  uint8_t *row = a.pixels + (size_t)y * a.width;
  if (row[x] == border) return;
  if (!paint_storage((size_t)im->width * im->height)) {
    error(7);
    return;
  }
  a.visited = paint_visited;
  const uint8_t *vrow = a.visited + (size_t)y * a.width;
  int left = open_left(row, vrow, x, a.x1, border);
  int right = next_blocked(row, vrow, x, a.x2, border) - 1;
  fill_run(a, y, left, right);
  int top = y, bottom = y;

  paint_current.clear();
  paint_current.push_back({(uint16_t)y, (uint16_t)left, (uint16_t)right, dir_up | dir_down});
  while (!paint_current.empty()) {
    paint_next.clear();
    for (const paint_run &r : paint_current) {
      if ((r.dirs & dir_up) && r.y - 1 >= a.y1) scan_row(a, r.y - 1, r.x1, r.x2, dir_up);
      if ((r.dirs & dir_down) && r.y + 1 <= a.y2) scan_row(a, r.y + 1, r.x1, r.x2, dir_down);
      top = std::min<int>(top, r.y);
      bottom = std::max<int>(bottom, r.y);
    }
    paint_current.swap(paint_next);
  }
  // Every filled run passed through the frontier, so only rows top..bottom hold visited marks.
  std::memset(a.visited + (size_t)top * a.width, 0, (size_t)(bottom - top + 1) * a.width);
}

void paint_fill(img_struct *im, int64_t px, int64_t py, uint8_t fill, uint8_t border) {
  flood(im, px, py, fill, border, nullptr);
}

void paint_fill_tile(img_struct *im, int64_t px, int64_t py, const paint_tile &tile, uint8_t border) {
  if (tile.rows < 1 || tile.rows > 64) return;
  flood(im, px, py, 0, border, &tile);
}

bool paint_make_tile(const img_struct *im, const uint8_t *bytes, uint32_t len, paint_tile &tile) {
  if (!im || im->is_text || im->bytes_per_pixel != 1 || len < 1) return false;
  // Bytes of one tile row and pixels per byte: a byte of bits for each plane of the adapter's
  // planar modes; one byte of packed pixels for the others.
  int planes = 1, bits = im->bits_per_pixel;
  switch (im->screen_mode) {
    case 7: case 8: case 9: case 10: case 11: case 12: planes = im->bits_per_pixel, bits = 1; break;
  }
  uint32_t rows = (len + (uint32_t)planes - 1) / (uint32_t)planes;
  if (rows > 64) return false;
  int across = 8 / bits;                       // pixels one row of the tile covers
  uint32_t field = (1u << bits) - 1;
  tile.rows = (uint8_t)rows;
  for (uint32_t r = 0; r < rows; r++)
    for (int x = 0; x < 8; x++) {
      int p = x % across;                      // narrower tiles repeat across the 8 columns
      uint32_t c = 0;
      for (int plane = 0; plane < planes; plane++) {
        uint32_t i = r * (uint32_t)planes + (uint32_t)plane;
        uint8_t byte = i < len ? bytes[i] : 0;   // a short last row: missing planes are 0
        c |= ((uint32_t)(byte >> (8 - bits * (p + 1))) & field) << plane;
      }
      tile.colour[r][x] = (uint8_t)(c & im->mask);
    }
  return true;
}

void sub_paint(int32_t step, float x, float y, uint32_t fill, uint32_t border, kels *background,
               int32_t passed) {
  if (new_error) return;
  img_struct *im = write_page;
  if (im->is_text || (passed & 4)) {
    error(5);
    return;
  }
  if (im->bytes_per_pixel == 4) return;   // 32-bit pages have their own fill routines
  uint32_t f = (passed & 1) ? fill : im->color;
  uint32_t b = (passed & 2) ? border : f;
  im->draw_color = f & im->mask;
  if (step) {
    x += im->graphics_x;
    y += im->graphics_y;
  }
  im->graphics_x = x;
  im->graphics_y = y;
  paint_fill(im, kelg_map_x(im, x), kelg_map_y(im, y), (uint8_t)(f & im->mask),
             (uint8_t)(b & im->mask));
}

void sub_paint_tile(int32_t step, float x, float y, kels *tile, uint32_t border, kels *background,
                    int32_t passed) {
  if (new_error) return;
  img_struct *im = write_page;
  if (im->is_text || !tile || ((passed & 4) && (!background || !background->len))) {
    error(5);
    return;
  }
  if (im->bytes_per_pixel == 4) return;   // 32-bit pages have their own fill routines
  paint_tile pattern;
  if (!paint_make_tile(im, tile->text, tile->len, pattern)) {
    error(5);
    return;
  }
  uint32_t b = (passed & 2) ? border : im->color;
  if (step) {
    x += im->graphics_x;
    y += im->graphics_y;
  }
  im->graphics_x = x;
  im->graphics_y = y;
  paint_fill_tile(im, kelg_map_x(im, x), kelg_map_y(im, y), pattern, (uint8_t)(b & im->mask));
}
