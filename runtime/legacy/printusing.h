// PRINT USING: numbers and strings formatted through a format string, and the statement glue
// (the formatter itself is in printusing_format.h).
#pragma once
#include <cstdint>

struct kels;

// The runtime's entry points: the result is appended to output with kels_set / kels_add.
// print_using formats value when given, else the number prepared by one of the other five.
int32_t print_using(kels *format, int32_t position, kels *output, kels *value);
int32_t print_using_integer64(kels *format, int64_t value, int32_t position, kels *output);
int32_t print_using_uinteger64(kels *format, uint64_t value, int32_t position, kels *output);
int32_t print_using_single(kels *format, float value, int32_t position, kels *output);
int32_t print_using_double(kels *format, double value, int32_t position, kels *output);
int32_t print_using_float(kels *format, long double value, int32_t position, kels *output);

// The statement PRINT USING format; v1; v2 ... as translated code drives it: begin, one call
// per value in order, then end, which prints the collected text through kels_print.
void sub_print_using_begin(kels *format);
void sub_print_using_string(kels *value);
void sub_print_using_integer64(int64_t value);
void sub_print_using_uinteger64(uint64_t value);
void sub_print_using_single(float value);
void sub_print_using_double(double value);
void sub_print_using_float(long double value);
void sub_print_using_end(uint8_t newline_flag);
