// Numbers to text and back: STR$, VAL, HEX$, OCT$, typed radix literals, the MKx$/CVx byte
// images, and the rounding helpers that turn floating values into integers.
#pragma once
#include <cstdint>
#include <type_traits>

struct kels;

extern char kels_str_buffer[32];         // scratch: the last exponent-format rendering
extern uint64_t hexoct2uint64_value;     // value recognised by hexoct2uint64

// STR$: a new temporary. Integers get a space before non-negative values ("-" otherwise);
// unsigned ones always get one leading space.
kels *kels_str(int8_t v);
kels *kels_str(uint8_t v);
kels *kels_str(int16_t v);
kels *kels_str(uint16_t v);
kels *kels_str(int32_t v);
kels *kels_str(uint32_t v);
kels *kels_str(int64_t v);
kels *kels_str(uint64_t v);
kels *kels_str(float v);                 // SINGLE: up to 7 significant digits, E exponent
kels *kels_str(double v);                // DOUBLE: up to 16 significant digits, D exponent
kels *kels_str(long double v);           // extended: formatted as DOUBLE
// The other 64-bit spelling (long long where int64_t is long) goes to the 64-bit forms.
template <class T, std::enable_if_t<std::is_integral_v<T> && sizeof(T) == 8 && !std::is_same_v<T, int64_t> &&
                                        !std::is_same_v<T, uint64_t>, int> = 0>
inline kels *kels_str(T v) {
  if constexpr (std::is_signed_v<T>) return kels_str(int64_t(v));
  else return kels_str(uint64_t(v));
}

// VAL. Reads the string, never frees it. Error 6 when the value does not fit.
long double func_val(kels *s);

// HEX$ and OCT$ of a two's-complement value; width is the source type's width in hex digits
// (HEX$) or bits (OCT$), used for negative values.
kels *func_hex(int64_t value, int32_t width);
kels *func_oct(int64_t value, int32_t bits);
// HEX$ and OCT$ of a floating argument: rounded first; error 6 outside (-2^63, 2^63).
kels *func_hex_float(long double v);
kels *func_oct_float(long double v);

// Recognises &H / &O literals while INPUT is typed: 0 not such a literal, 1 hex (or not yet
// decided), 2 octal. The value goes to hexoct2uint64_value.
int32_t hexoct2uint64(kels *s);

// MKx$: little-endian byte images as new temporaries.
kels *b2string(int8_t v);
kels *ub2string(uint8_t v);
kels *i2string(int16_t v);
kels *ui2string(uint16_t v);
kels *l2string(int32_t v);
kels *ul2string(uint32_t v);
kels *i642string(int64_t v);
kels *ui642string(uint64_t v);
kels *s2string(float v);
kels *d2string(double v);
kels *f2string(long double v);           // 32 bytes: the 80-bit value, then zeros
kels *bit2string(int64_t v, int32_t bits);
kels *ubit2string(uint64_t v, int32_t bits);

// CVx: read the first bytes back; a string too short raises error 5 and gives 0.
int8_t string2b(kels *s);
uint8_t string2ub(kels *s);
int16_t string2i(kels *s);
uint16_t string2ui(kels *s);
int32_t string2l(kels *s);
uint32_t string2ul(kels *s);
int64_t string2i64(kels *s);
uint64_t string2ui64(kels *s);
float string2s(kels *s);
double string2d(kels *s);
long double string2f(kels *s);
int64_t string2bit(kels *s, int32_t bits);
uint64_t string2ubit(kels *s, int32_t bits);

// Rounding to nearest, ties to even, wherever a floating value meets an integer parameter.
// Values outside the target's range give the processor's "integer indefinite" (lowest value).
int64_t kelr(long double v);
int32_t kelr_float_to_long(float v);
int32_t kelr_double_to_long(double v);
uint64_t kelr_longdouble_to_uint64(long double v);
// CINT: halves away from zero; error 6 outside -32768.5 < v < 32767.5.
int16_t func_cint_double(double v);
