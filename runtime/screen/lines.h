// Lines and boxes: coordinate mapping (VIEW, WINDOW), line clipping, styled lines, rectangle
// fills, LINE, PSET, PRESET, POINT, PMAP, WINDOW and VIEW.
#pragma once
#include <cstdint>

struct img_struct;

// Results of the last lineclip: lineclip_draw is 0 when nothing is visible; the clipped end
// points; the pixels cut from the start (the style pattern skips them).
extern int32_t lineclip_draw;
extern int32_t lineclip_x1, lineclip_y1, lineclip_x2, lineclip_y2;
extern int64_t lineclip_skippixels;

// Maps a user coordinate of image im to a pixel by its coord_mode (view offset, WINDOW
// scaling), rounding ties to even. Out-of-range values give the lowest 32-bit value.
int32_t kelg_map_x(const img_struct *im, float x);
int32_t kelg_map_y(const img_struct *im, float y);

// Clips the segment to the inclusive rectangle left..right, top..bottom.
void lineclip(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
              int32_t left, int32_t top, int32_t right, int32_t bottom);

// Write page primitives. pset_and_clip writes one pixel (colour AND mask on 1-byte pages)
// when it lies in the view rectangle.
void pset_and_clip(int32_t x, int32_t y, uint32_t colour);
void kel32_line(float x1, float y1, float x2, float y2, uint32_t colour, uint32_t style);
void kel32_boxfill(float x1, float y1, float x2, float y2, uint32_t colour);
void fast_line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour);
void fast_boxfill(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour);

// LINE: passed 1 = first point, 2 = colour, 4 = style; kind 0 line, 1 box (B), 2 filled (BF).
void sub_line(int32_t step1, float x1, float y1, int32_t step2, float x2, float y2,
              uint32_t colour, int32_t kind, uint32_t style, int32_t passed);
// PSET and PRESET: passed 1 = colour.
void kelg_pset(int32_t step, float x, float y, uint32_t colour, int32_t passed);
void sub_preset(int32_t step, float x, float y, uint32_t colour, int32_t passed);
// POINT(x, y) when flag is not 0, else POINT(x) with x the function number.
float func_point(float x, float y, int32_t flag);
float func_pmap(float value, int32_t n);
// WINDOW [[SCREEN] (x1, y1)-(x2, y2)]: passed 1 = coordinates.
void kelg_sub_window(int32_t screen_flag, float x1, float y1, float x2, float y2, int32_t passed);
// VIEW [[SCREEN] (x1, y1)-(x2, y2) [, fill [, border]]]: passed 1 = coordinates, 2 = fill,
// 4 = border.
void kelg_sub_view(int32_t screen_flag, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                   uint32_t fill, uint32_t border, int32_t passed);
