// Flood fill: PAINT with a fill colour or a tile pattern and a border colour on palette (1 byte
// per pixel) pages.
#pragma once
#include <cstdint>

struct img_struct;
struct kels;

// PAINT [STEP] (x, y), fill, border, background. passed: 1 = fill given, 2 = border given,
// 4 = background given (not supported: error 5). Draws on the write page.
void sub_paint(int32_t step, float x, float y, uint32_t fill, uint32_t border, kels *background,
               int32_t passed);

// The fill on pixel coordinates of a 1-byte page: colours with `fill` every pixel reachable from
// (px, py) through four-way neighbours inside the view rectangle without crossing a pixel equal
// to `border`. Nothing happens when the start lies outside the view or has the border colour.
void paint_fill(img_struct *im, int64_t px, int64_t py, uint8_t fill, uint8_t border);

// PAINT with a tile: the tile string's bytes give up to 64 rows of a pattern laid on the page's
// own grid (pixel (x, y) takes the tile's row y mod rows). A row of the string is, per mode:
//   planar modes 7, 8, 9, 12 (four planes), 10 (two) and 11 (one): one byte per plane, plane 0
//     first, bit 7 the leftmost of 8 pixels; a short last row has 0 for its missing planes;
//   SCREEN 2: one byte, bit 7 the leftmost of 8 pixels;
//   SCREEN 1: one byte of four 2-bit pixels (bits 7-6 the leftmost), so the tile is 4 wide;
//   SCREEN 13 (and 256-colour images): one byte, the colour of a 1-pixel-wide row, so a tile
//     of n bytes paints horizontal stripes n rows apart.
// passed: 2 = border given (else the foreground colour), 4 = background given (accepted and
// not needed: the fill remembers the pixels it has visited, so a tile that repeats the
// background never stops it). Error 5 for a text page, an empty tile or more than 64 rows.
void sub_paint_tile(int32_t step, float x, float y, kels *tile, uint32_t border, kels *background,
                    int32_t passed);

// A tile as the fill uses it: the colour of each of 8 columns for every row.
struct paint_tile {
  uint8_t rows;
  uint8_t colour[64][8];
};
// Builds the tile of a tile string for image im's mode; false when the string is empty or too long.
bool paint_make_tile(const img_struct *im, const uint8_t *bytes, uint32_t len, paint_tile &tile);
// The fill of paint_fill with the pattern in place of one colour.
void paint_fill_tile(img_struct *im, int64_t px, int64_t py, const paint_tile &tile, uint8_t border);
