// Graphics GET and PUT: rectangles of the write page copied to and from a program's array in
// the dialect's picture layout (see getput.h).
#include "getput.h"
#include <algorithm>
#include <cstring>
#include <vector>
#include "events.h"
#include "images.h"
#include "lines.h"

namespace {

// How the mode of an image lays out a picture's rows.
struct picture_layout {
  int bits;     // bits of one pixel in one plane's row
  int planes;
  int unit;     // the header's width is pixels times this
};

bool layout_of(const img_struct *im, picture_layout &l) {
  if (!im || im->is_text || !im->pixels) return false;
  switch (im->screen_mode) {
    case 7: case 8: case 9: case 10: case 11: case 12:   // the adapter's bit planes
      l = {1, im->bits_per_pixel, 1};
      return true;
    default:
      l = {im->bits_per_pixel, 1, im->bits_per_pixel};
      return true;
  }
}

uint64_t row_bytes(const picture_layout &l, int64_t w) { return ((uint64_t)w * (uint64_t)l.bits + 7) / 8; }

// The view rectangle, cut to the page.
bool view_rect(const img_struct *im, int32_t &l, int32_t &t, int32_t &r, int32_t &b) {
  l = std::max(im->view_x1, 0);
  t = std::max(im->view_y1, 0);
  r = std::min(im->view_x2, (int32_t)im->width - 1);
  b = std::min(im->view_y2, (int32_t)im->height - 1);
  return l <= r && t <= b;
}

uint32_t pixel_at(const img_struct *im, size_t i) {
  if (im->bytes_per_pixel == 4) return ((const uint32_t *)im->pixels)[i];
  return im->pixels[i] & im->mask;
}

void pixel_set(img_struct *im, size_t i, uint32_t c) {
  if (im->bytes_per_pixel == 4) ((uint32_t *)im->pixels)[i] = c;
  else im->pixels[i] = (uint8_t)(c & im->mask);
}

// One plane's row of pixels x .. x + w - 1 of row y packed into out (row_bytes long).
void pack_row(const img_struct *im, const picture_layout &l, int plane, int32_t x, int32_t y, int64_t w,
              uint8_t *out) {
  size_t at = (size_t)y * im->width + (size_t)x;
  if (l.bits == 8) {
    for (int64_t i = 0; i < w; i++) out[i] = (uint8_t)pixel_at(im, at + i);
    return;
  }
  if (l.bits == 32) {
    std::memcpy(out, (const uint32_t *)im->pixels + at, (size_t)w * 4);
    return;
  }
  std::memset(out, 0, row_bytes(l, w));
  uint32_t field = (1u << l.bits) - 1;
  for (int64_t i = 0; i < w; i++) {
    uint32_t c = pixel_at(im, at + i);
    uint32_t v = l.unit == 1 ? (c >> plane) & 1 : c & field;   // a plane's bit, or the packed value
    uint64_t bit = (uint64_t)i * l.bits;
    out[bit >> 3] |= (uint8_t)(v << (8 - l.bits - (int)(bit & 7)));
  }
}

// The inverse of pack_row: adds one plane's bits to the pixel values in row.
void unpack_row(const picture_layout &l, int plane, const uint8_t *in, int64_t w, uint32_t *row) {
  if (l.bits == 8) {
    for (int64_t i = 0; i < w; i++) row[i] = in[i];
    return;
  }
  if (l.bits == 32) {
    std::memcpy(row, in, (size_t)w * 4);
    return;
  }
  uint32_t field = (1u << l.bits) - 1;
  for (int64_t i = 0; i < w; i++) {
    uint64_t bit = (uint64_t)i * l.bits;
    uint32_t v = (in[bit >> 3] >> (8 - l.bits - (int)(bit & 7))) & field;
    row[i] |= l.unit == 1 ? v << plane : v;
  }
}

}  // namespace

uint64_t graphics_picture_bytes(const img_struct *im, int64_t w, int64_t h) {
  picture_layout l;
  if (!layout_of(im, l) || w < 0 || h < 0) return 0;
  return 4 + row_bytes(l, w) * (uint64_t)l.planes * (uint64_t)h;
}

void sub_graphics_get(int32_t step1, float x1, float y1, int32_t step2, float x2, float y2,
                      uint8_t *data, uint64_t bytes_available) {
  if (new_error) return;
  img_struct *im = write_page;
  picture_layout lay;
  if (!layout_of(im, lay)) { error(5); return; }
  if (step1) { x1 += im->graphics_x; y1 += im->graphics_y; }
  if (step2) { x2 += x1; y2 += y1; }
  int32_t ax = kelg_map_x(im, x1), ay = kelg_map_y(im, y1);
  int32_t bx = kelg_map_x(im, x2), by = kelg_map_y(im, y2);
  if (ax > bx) std::swap(ax, bx);
  if (ay > by) std::swap(ay, by);
  int32_t l, t, r, b;
  if (!view_rect(im, l, t, r, b) || ax < l || bx > r || ay < t || by > b) { error(5); return; }
  int64_t w = (int64_t)bx - ax + 1, h = (int64_t)by - ay + 1;
  uint64_t width_field = (uint64_t)w * (uint64_t)lay.unit;
  if (width_field > 65535 || h > 65535 || !data || bytes_available < graphics_picture_bytes(im, w, h)) {
    error(5);
    return;
  }
  im->graphics_x = x2;
  im->graphics_y = y2;
  uint16_t header[2] = {(uint16_t)width_field, (uint16_t)h};
  std::memcpy(data, header, 4);
  uint8_t *out = data + 4;
  uint64_t rb = row_bytes(lay, w);
  for (int32_t y = ay; y <= by; y++)
    for (int plane = 0; plane < lay.planes; plane++, out += rb) pack_row(im, lay, plane, ax, y, w, out);
}

void sub_graphics_put(int32_t step, float x, float y, const uint8_t *data, uint64_t bytes_available,
                      int32_t action) {
  if (new_error) return;
  img_struct *im = write_page;
  picture_layout lay;
  if (action < 0 || action > 4 || !layout_of(im, lay) || !data || bytes_available < 4) {
    error(5);
    return;
  }
  if (step) { x += im->graphics_x; y += im->graphics_y; }
  uint16_t header[2];
  std::memcpy(header, data, 4);
  int64_t w = header[0] / lay.unit, h = header[1];
  if (w < 1 || h < 1 || bytes_available < graphics_picture_bytes(im, w, h)) { error(5); return; }
  int64_t px = kelg_map_x(im, x), py = kelg_map_y(im, y);
  int32_t l, t, r, b;
  if (!view_rect(im, l, t, r, b) || px < l || py < t || px + w - 1 > r || py + h - 1 > b) {
    error(5);
    return;
  }
  im->graphics_x = x;
  im->graphics_y = y;
  uint64_t rb = row_bytes(lay, w);
  const uint8_t *in = data + 4;
  std::vector<uint32_t> row((size_t)w);
  for (int64_t j = 0; j < h; j++) {
    std::fill(row.begin(), row.end(), 0u);
    for (int plane = 0; plane < lay.planes; plane++, in += rb) unpack_row(lay, plane, in, w, row.data());
    size_t at = (size_t)(py + j) * im->width + (size_t)px;
    for (int64_t i = 0; i < w; i++) {
      uint32_t s = row[(size_t)i], d = pixel_at(im, at + i);
      switch (action) {
        case 0: d ^= s; break;
        case 1: d = s; break;
        case 2: d = ~s; break;
        case 3: d &= s; break;
        default: d |= s; break;
      }
      pixel_set(im, at + i, d);
    }
  }
}
