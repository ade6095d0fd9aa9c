// Embedded data: code page 437 fonts, default palettes, window icon and arrow pointer.
#pragma once
#include <cstdint>

extern const unsigned char file_charset8_raw[16384];   // 256 glyphs x 8x8, one byte a pixel
extern const unsigned char file_chrset16_raw[32768];   // 256 glyphs x 8x16
extern const uint32_t file_kelvo_pal[256];             // VGA default palette, 0x00RRGGBB
extern const uint32_t file_kelvoega_pal[64];           // EGA 64-colour palette
extern const unsigned char file_kelvoicon_bmp[2102];   // 32x32 8-bit BMP
extern const char *const data_arrow[33];               // 32 rows of "X", "." and " ", then "x,y"
