// Graphics GET and PUT: rectangles of the write page copied to and from a program's array in
// the dialect's picture layout.
//
// A picture is a 4-byte header, INTEGER width then INTEGER height, followed by the rows. How
// a row is stored depends on the mode:
//   packed modes (1, 2, 13, and the 256- and 32-bit images): the header width is in bits
//     (pixels x bits per pixel), each row holds the pixels' bits one after the other, the
//     leftmost pixel in the highest bits, padded to a whole byte;
//   planar modes (7, 8, 9, 10, 11, 12): the header width is in pixels, each row is stored
//     plane by plane (plane 0 first, one bit per pixel, leftmost pixel in bit 7), each plane's
//     row padded to a whole byte.
// So SCREEN 13 takes 4 + w * h bytes, SCREEN 1 4 + ceil(2w / 8) * h and SCREEN 12
// 4 + 4 * ceil(w / 8) * h.
#pragma once
#include <cstdint>

struct img_struct;

// GET (x1, y1)-(x2, y2), array: passed the element's address and how many bytes the array
// holds from it. Error 5 for a text page, a rectangle not wholly inside the view, or too
// small an array. The graphics cursor moves to the second corner, as LINE moves it.
void sub_graphics_get(int32_t step1, float x1, float y1, int32_t step2, float x2, float y2,
                      uint8_t *data, uint64_t bytes_available);

// PUT (x, y), array, action: 0 XOR, 1 PSET, 2 PRESET, 3 AND, 4 OR. The header is read as the
// current mode lays pictures out. Error 5 (nothing drawn) when the picture does not fit
// inside the view, its rows run past the array or the page is a text page. The graphics
// cursor moves to (x, y).
void sub_graphics_put(int32_t step, float x, float y, const uint8_t *data, uint64_t bytes_available,
                      int32_t action);

// Bytes a picture of w x h pixels takes on image im (header included); 0 for a text page.
uint64_t graphics_picture_bytes(const img_struct *im, int64_t w, int64_t h);
