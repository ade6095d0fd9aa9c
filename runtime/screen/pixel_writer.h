// How one shape (a line, a box edge, a circle) writes its colour to the write page, worked out
// once per shape instead of once per pixel: the pixel memory and its width, and the colour as
// the page stores it (AND the mask on 1-byte pages; stored, blended or dropped on 32-bit ones
// by its alpha). The caller clips: put writes wherever it is told.
#pragma once
#include <cstddef>
#include <cstdint>
#include "images.h"

// Source-over blending of a 32-bit colour with partial alpha.
inline uint32_t kelg_blend(uint32_t dst, uint32_t src) {
  uint32_t a = src >> 24, ia = 255 - a;
  auto ch = [&](int sh) {
    return ((((src >> sh) & 255) * a + ((dst >> sh) & 255) * ia + 127) / 255) << sh;
  };
  uint32_t out_a = a + ((dst >> 24) * ia + 127) / 255;
  return out_a << 24 | ch(16) | ch(8) | ch(0);
}

struct pixel_writer {
  enum mode_t : uint8_t { nothing, byte, opaque, blended };
  mode_t mode = nothing;        // nothing: no pixels, another depth, or alpha 0
  uint8_t value = 0;            // byte: the colour AND the mask
  uint32_t colour = 0;          // opaque and blended: the 32-bit colour
  uint8_t *pixels = nullptr;
  size_t width = 0;

  pixel_writer(const img_struct *im, uint32_t c) : colour(c), pixels(im->pixels), width(im->width) {
    if (!pixels) return;
    if (im->bytes_per_pixel == 1) {
      mode = byte;
      value = (uint8_t)(c & im->mask);
    } else if (im->bytes_per_pixel == 4) {
      uint32_t a = c >> 24;
      if (im->alpha_disabled || a == 255) mode = opaque;
      else if (a) mode = blended;
    }
  }

  __attribute__((always_inline)) void put(int32_t x, int32_t y) const {
    size_t i = (size_t)y * width + (size_t)x;
    switch (mode) {
      case byte: pixels[i] = value; break;
      case opaque: ((uint32_t *)pixels)[i] = colour; break;
      case blended: ((uint32_t *)pixels)[i] = kelg_blend(((uint32_t *)pixels)[i], colour); break;
      case nothing: break;
    }
  }

  // Calls draw(put) with a put function for this mode alone, so that a loop over many pixels
  // has no branch on the mode inside; nothing is called when nothing would be written.
  template <class Draw>
  void with_put(Draw &&draw) const {
    uint8_t *p8 = pixels;
    uint32_t *p32 = (uint32_t *)pixels;
    size_t w = width;
    switch (mode) {
      case byte: {
        uint8_t v = value;
        draw([=](int32_t x, int32_t y) { p8[(size_t)y * w + (size_t)x] = v; });
        break;
      }
      case opaque: {
        uint32_t c = colour;
        draw([=](int32_t x, int32_t y) { p32[(size_t)y * w + (size_t)x] = c; });
        break;
      }
      case blended: {
        uint32_t c = colour;
        draw([=](int32_t x, int32_t y) {
          uint32_t *p = p32 + (size_t)y * w + (size_t)x;
          *p = kelg_blend(*p, c);
        });
        break;
      }
      case nothing: break;
    }
  }
};
