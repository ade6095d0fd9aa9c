// DRAW: the turtle-graphics command strings, their number reader and the three-byte
// variable references that "=" and X use.
#pragma once
#include <cstdint>

struct kels;

constexpr int32_t draw_stack_size = 8192;     // open X substrings at most

// The string being read and the read position (call state of sub_draw, read by draw_num).
extern const uint8_t *draw_text;
extern uint32_t draw_len, draw_pos;
// Results of the last draw_num: a malformed number, and no number at all.
extern int draw_num_invalid, draw_num_undefined;

// DRAW string: moves the pen over the write page and draws; error 5 for malformed commands
// and out-of-range arguments, error 6 for X nested deeper than draw_stack_size. Only reads
// its argument.
void sub_draw(kels *s);
// Reads one number at draw_pos of draw_text: digits with blanks anywhere, leading signs, a
// decimal point, or "=" and a variable reference. Sets draw_num_invalid / draw_num_undefined.
double draw_num();
// A variable reference for DRAW (and PLAY) strings: the type byte and the variable's 16-bit
// offset in the data block, little-endian, as a new temporary of three bytes. Types: 1/129
// signed/unsigned 8-bit, 2/130 16-bit, 20/148 32-bit, 5/133 64-bit, 4 SINGLE, 8 DOUBLE,
// 6 80-bit float, 3 a string (the offset of its 4-byte descriptor).
kels *func_varptr_helper(uint8_t type, uint16_t offset);
// Reads the variable a three-byte reference (type byte, 16-bit little-endian offset) points
// at in the data block; false for a type byte outside the numeric types above.
bool varref_value(const uint8_t *ref, double &value);
