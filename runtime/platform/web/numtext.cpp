// Numbers as text in the browser build: its C++ library has no floating std::to_chars or
// std::from_chars, so printf's %.*e and strtod give the same correctly rounded results; long
// double is IEEE quadruple there, so the x87 80-bit image is built from its value.
#include "numtext.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

int numtext_scientific(double a, int prec, char *buf, size_t size) {
  int n = std::snprintf(buf, size, "%.*e", prec, a);
  return n < 0 ? 0 : n >= (int)size ? (int)size - 1 : n;
}

bool numtext_parse(const char *first, const char *last, double &v) {
  std::string text(first, last);
  double r = std::strtod(text.c_str(), nullptr);
  if (std::isinf(r)) return false;                 // overflow
  if (r == 0)                                      // underflow: a nonzero mantissa read as 0
    for (char c : text) {
      if (c == 'e' || c == 'E') break;
      if (c >= '1' && c <= '9') return false;
    }
  v = r;
  return true;
}

// x87 layout: a 64-bit mantissa with its integer bit, then sign and a 15-bit biased exponent.
void numtext_ext_store(long double v, uint8_t out[10]) {
  uint64_t mant = 0;
  int biased = 0;
  bool neg = std::signbit(v);
  if (std::isnan(v)) {
    mant = 0xC000000000000000ull, biased = 0x7FFF;
  } else if (std::isinf(v)) {
    mant = 0x8000000000000000ull, biased = 0x7FFF;
  } else if (v != 0) {
    int e = 0;
    long double f = std::frexp(std::fabs(v), &e);   // |v| = f * 2^e, f in [0.5, 1)
    long double m = std::nearbyint(std::ldexp(f, 64));
    if (m >= 18446744073709551616.0L) m /= 2, e++;   // rounded up to the next power of two
    mant = (uint64_t)m;
    biased = e - 1 + 16383;
    if (biased >= 0x7FFF) {
      mant = 0x8000000000000000ull, biased = 0x7FFF;
    } else if (biased <= 0) {                      // a denormal: no integer bit
      int shift = 1 - biased;
      mant = shift >= 64 ? 0 : mant >> shift;
      biased = 0;
    }
  }
  for (int i = 0; i < 8; i++) out[i] = (uint8_t)(mant >> (8 * i));
  uint16_t top = (uint16_t)(biased | (neg ? 0x8000 : 0));
  out[8] = (uint8_t)top;
  out[9] = (uint8_t)(top >> 8);
}

long double numtext_ext_load(const uint8_t in[10]) {
  uint64_t mant = 0;
  for (int i = 0; i < 8; i++) mant |= (uint64_t)in[i] << (8 * i);
  int top = in[8] | in[9] << 8;
  bool neg = top & 0x8000;
  int biased = top & 0x7FFF;
  long double v;
  if (biased == 0x7FFF) v = (mant << 1) ? NAN : INFINITY;
  else v = std::ldexp((long double)mant, (biased ? biased : 1) - 16383 - 63);
  return neg ? -v : v;
}
