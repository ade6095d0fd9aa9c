// Numbers as text natively: std::to_chars and std::from_chars; long double is the x87 format.
#include "numtext.h"
#include <cfloat>
#include <charconv>
#include <cstring>

static_assert(LDBL_MANT_DIG == 64, "the extended type is the 80-bit x87 format");

int numtext_scientific(double a, int prec, char *buf, size_t size) {
  std::to_chars_result r = std::to_chars(buf, buf + size - 1, a, std::chars_format::scientific, prec);
  *r.ptr = 0;
  return (int)(r.ptr - buf);
}

bool numtext_parse(const char *first, const char *last, double &v) {
  std::from_chars_result r = std::from_chars(first, last, v);
  return r.ec != std::errc::result_out_of_range;
}

void numtext_ext_store(long double v, uint8_t out[10]) { std::memcpy(out, &v, 10); }

long double numtext_ext_load(const uint8_t in[10]) {
  long double v = 0;
  std::memcpy(&v, in, 10);
  return v;
}
