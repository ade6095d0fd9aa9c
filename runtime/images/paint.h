// Flood fill: PAINT with a fill colour and a border colour on palette (1 byte per pixel) pages.
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
