// Numbers to text and back: STR$, VAL, HEX$, OCT$, typed radix literals, the MKx$/CVx byte
// images, and the rounding helpers that turn floating values into integers.
#include "numconv.h"
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include "events.h"
#include "kels.h"
#include "numtext.h"

char kels_str_buffer[32];
uint64_t hexoct2uint64_value = 0;

static constexpr long double two63 = 9223372036854775808.0L;

// A new temporary holding n bytes copied from text.
static kels *tmp_text(const char *text, uint32_t n) {
  kels *s = kels_new(int32_t(n), 1);
  if (n) std::memcpy(s->text, text, n);
  return s;
}

static kels *empty_tmp() { return kels_new(0, 1); }

// ---- STR$ of integers ----

// lead is ' ' or '-' (signed) or ' ' (unsigned); digits written backwards into a stack buffer.
static kels *str_integer(char lead, uint64_t magnitude) {
  if (new_error) return empty_tmp();
  char buf[24];
  char *p = buf + sizeof buf;
  do {
    *--p = char('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  *--p = lead;
  return tmp_text(p, uint32_t(buf + sizeof buf - p));
}

static kels *str_signed(int64_t v) {
  // The magnitude of the lowest value is formed in unsigned arithmetic.
  return v < 0 ? str_integer('-', 0 - uint64_t(v)) : str_integer(' ', uint64_t(v));
}

kels *kels_str(int8_t v) { return str_signed(v); }
kels *kels_str(int16_t v) { return str_signed(v); }
kels *kels_str(int32_t v) { return str_signed(v); }
kels *kels_str(int64_t v) { return str_signed(v); }
kels *kels_str(uint8_t v) { return str_integer(' ', v); }
kels *kels_str(uint16_t v) { return str_integer(' ', v); }
kels *kels_str(uint32_t v) { return str_integer(' ', v); }
kels *kels_str(uint64_t v) { return str_integer(' ', v); }

// ---- STR$ of SINGLE and DOUBLE ----

// Renders a (finite, not negative) in exponent form with prec digits after the point, correctly
// rounded like printf's %.*E. The prec + 1 mantissa digits go to dig; returns the exponent.
static int exponent_digits(double a, int prec, char *dig) {
  char *b = kels_str_buffer;
  const char *end = b + numtext_scientific(a, prec, b, sizeof kels_str_buffer);
  dig[0] = b[0];
  std::memcpy(dig + 1, b + 2, size_t(prec));
  const char *q = b + 2 + prec + 1;   // past "d.ddd" and the exponent letter
  bool neg = *q++ == '-';
  int e = 0;
  while (q < end) e = e * 10 + (*q++ - '0');
  return neg ? -e : e;
}

struct float_style {
  int prec;        // digits after the point in the exponent rendering
  int max_fixed_e; // largest exponent shown in fixed notation
  int min_fixed_gap; // smallest exponent - digits shown in fixed notation
  char letter;
};
static constexpr float_style single_style = {6, 6, -8, 'E'};
static constexpr float_style double_style = {15, 15, -17, 'D'};

// Fixed notation is built from the significant digits directly: rounding the value to that
// many decimals gives the same digits, since those digits already are its correct rounding at
// the same place or a finer one (the one exception, sixteen integer digits after the 9 rule,
// is handled apart).
static kels *str_float(double v, const float_style &st) {
  if (new_error) return empty_tmp();
  char out[48];
  int n = 0;
  if (!std::isfinite(v)) {
    const char *t = std::isnan(v) ? " NAN" : v < 0 ? "-INF" : " INF";
    return tmp_text(t, 4);
  }
  char dig[20], first[20];
  int sig = st.prec + 1;
  int e = exponent_digits(std::fabs(v), st.prec, dig);
  // DOUBLE: a 16th digit 9 is noise of the binary value; show the 15-digit rounding instead.
  bool whole16 = false;
  if (st.letter == 'D' && dig[15] == '9') {
    std::memcpy(first, dig, 16);
    int e16 = e;
    e = exponent_digits(std::fabs(v), 14, dig);
    dig[15] = '0';
    // Sixteen integer digits: fixed notation rounds to units, which the first rendering did.
    whole16 = e == 15 && e16 == 15;
  }
  int nd = sig;
  while (nd > 0 && dig[nd - 1] == '0') nd--;
  if (nd == 0) return tmp_text(" 0", 2);   // also negative zero

  out[n++] = std::signbit(v) ? '-' : ' ';
  if (e <= st.max_fixed_e && e - nd >= st.min_fixed_gap) {
    if (whole16) {
      std::memcpy(out + n, first, 16);
      n += 16;
    } else if (e >= 0) {
      for (int i = 0; i <= e; i++) out[n++] = i < nd ? dig[i] : '0';
      if (nd > e + 1) {
        out[n++] = '.';
        for (int i = e + 1; i < nd; i++) out[n++] = dig[i];
      }
    } else {                                 // below 1: no zero before the point
      out[n++] = '.';
      for (int i = 0; i < -e - 1; i++) out[n++] = '0';
      for (int i = 0; i < nd; i++) out[n++] = dig[i];
    }
  } else {
    out[n++] = dig[0];
    if (nd > 1) {
      out[n++] = '.';
      for (int i = 1; i < nd; i++) out[n++] = dig[i];
    }
    out[n++] = st.letter;
    out[n++] = e < 0 ? '-' : '+';
    int ae = e < 0 ? -e : e;
    if (ae >= 100) out[n++] = char('0' + ae / 100);
    out[n++] = char('0' + ae / 10 % 10);
    out[n++] = char('0' + ae % 10);
  }
  return tmp_text(out, uint32_t(n));
}

kels *kels_str(float v) { return str_float(double(v), single_style); }
kels *kels_str(double v) { return str_float(v, double_style); }
kels *kels_str(long double v) { return str_float(double(v), double_style); }

// ---- VAL ----

static bool is_blank(uint8_t c) { return c == ' ' || c == '\t'; }

static int hex_digit(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// &H / &O after the ampersand.
static long double val_radix(const uint8_t *p, const uint8_t *end) {
  while (p < end && is_blank(*p)) p++;
  if (p == end) return 0;
  uint8_t letter = uint8_t(*p++ & ~0x20);
  if (letter != 'H' && letter != 'O') return 0;
  while (p < end && is_blank(*p)) p++;
  if (p == end) return 0;
  uint64_t v = 0;
  int count = 0, first = 0;
  for (; p < end; p++) {
    if (is_blank(*p)) continue;
    int d = letter == 'H' ? hex_digit(*p) : (*p >= '0' && *p <= '7' ? *p - '0' : -1);
    if (d < 0) break;
    if (!count && !d) continue;              // leading zeros
    if (!count) first = d;
    count++;
    bool too_many = letter == 'H' ? count > 16 : count > 22 || (count == 22 && first != 1);
    if (too_many) {
      error(6);
      return 0;
    }
    v = letter == 'H' ? v << 4 | uint64_t(d) : v << 3 | uint64_t(d);
  }
  return (long double)int64_t(v);
}

long double func_val(kels *s) {
  if (new_error) return 0;
  const uint8_t *p = s->text, *end = p + s->len;
  while (p < end && is_blank(*p)) p++;
  if (p == end) return 0;
  if (*p == '&') return val_radix(p + 1, end);

  enum { start, integer, fraction, exp_letter, exp_digits } state = start;
  bool neg = false, exp_neg = false, frac_nonzero = false;
  char sig[17];
  int nsig = 0, nexp = 0;
  int64_t int_digits = 0;       // significant integer digits, also those beyond the 16 kept
  int64_t lead_frac = 0;        // zeros after the point before the first significant digit
  int64_t expv = 0;
  for (; p < end; p++) {
    uint8_t c = *p;
    if (is_blank(c)) continue;
    if (c >= '0' && c <= '9') {
      if (state <= integer) {
        state = integer;
        if (!nsig && c == '0') continue;
        if (nsig < 16) sig[nsig++] = char(c);
        int_digits++;
      } else if (state == fraction) {
        if (!nsig && c == '0') {
          lead_frac++;
          continue;
        }
        if (nsig < 16) {
          sig[nsig++] = char(c);
          frac_nonzero |= c != '0';
        }
      } else {
        state = exp_digits;
        if (!nexp && c == '0') continue;
        if (nexp == 18) break;
        expv = expv * 10 + (c - '0');
        nexp++;
      }
    } else if (c == '.' && state <= integer) {
      state = fraction;
    } else if ((c == '+' || c == '-') && (state == start || state == exp_letter)) {
      if (state == start) {
        neg = c == '-';
        state = integer;
      } else {
        exp_neg = c == '-';
        state = exp_digits;
      }
    } else if ((c & ~0x20) == 'E' || (c & ~0x20) == 'D') {
      if (state > fraction) break;
      state = exp_letter;
    } else {
      break;
    }
  }
  if (!nsig) return 0;
  if (exp_neg) expv = -expv;

  if (!expv && !frac_nonzero && int_digits <= 18) {   // a whole number: exact
    int64_t v = 0;
    for (int i = 0; i < nsig && i < int_digits; i++) v = v * 10 + (sig[i] - '0');
    for (int64_t i = nsig; i < int_digits; i++) v *= 10;
    return neg ? -(long double)v : (long double)v;
  }

  int64_t k = (int_digits ? int_digits : -lead_frac) + expv - 1;
  if (k >= 309) {
    error(6);
    return 0;
  }
  if (k < -324) return 0;
  if (k == 308) {
    static const char largest[] = "1797693134862315";
    for (int i = 0; i < nsig; i++) {
      if (sig[i] == largest[i]) continue;
      if (sig[i] > largest[i]) {
        error(6);
        return 0;
      }
      break;
    }
  }
  char text[48];
  int n = 0;
  if (neg) text[n++] = '-';
  text[n++] = sig[0];
  if (nsig > 1) text[n++] = '.';
  for (int i = 1; i < nsig; i++) text[n++] = sig[i];
  text[n++] = 'E';
  std::to_chars_result r = std::to_chars(text + n, text + sizeof text, k);
  double v = 0;
  if (!numtext_parse(text, r.ptr, v)) return 0;   // below the smallest denormal
  return v;
}

// ---- HEX$ and OCT$ ----

// The low `digits` digits of v in base 2^shift, uppercase.
static kels *radix_text(uint64_t v, int digits, int shift) {
  char buf[24];
  uint64_t mask = (uint64_t(1) << shift) - 1;
  for (int i = digits - 1; i >= 0; i--, v >>= shift) buf[i] = "0123456789ABCDEF"[v & mask];
  return tmp_text(buf, uint32_t(digits));
}

static int bit_length(uint64_t v) { return v ? 64 - __builtin_clzll(v) : 0; }

kels *func_hex(int64_t value, int32_t width) {
  if (new_error) return empty_tmp();
  uint64_t v = uint64_t(value);
  if (value >= 0) return value ? radix_text(v, (bit_length(v) + 3) / 4, 4) : tmp_text("0", 1);
  // Digits needed to keep the sign: up to the highest digit that is not F, plus one when that
  // digit's top bit is clear.
  int need = (bit_length(~v) + 3) / 4;
  if (need && !(v >> (4 * need - 1) & 1)) need++;
  int w = width < 1 ? 1 : width > 16 ? 16 : width;
  if (need > w) w = need <= 4 ? 4 : need <= 8 ? 8 : 16;
  return radix_text(v, w, 4);
}

kels *func_oct(int64_t value, int32_t bits) {
  if (new_error) return empty_tmp();
  uint64_t v = uint64_t(value);
  if (value >= 0) return value ? radix_text(v, (bit_length(v) + 2) / 3, 3) : tmp_text("0", 1);
  // The width keeps the sign when the highest clear bit (counted from 1) lies below it.
  int need = bit_length(~v);
  int b = bits < 1 ? 1 : bits > 64 ? 64 : bits;
  if (need >= b) b = need <= 15 ? 16 : need < 32 ? 32 : 64;
  if (b < 64) v &= (uint64_t(1) << b) - 1;
  return radix_text(v, (b + 2) / 3, 3);
}

// Rounds a floating HEX$/OCT$ argument; false (after error 6) when it has no 64-bit value.
static bool float_to_int64(long double x, int64_t &out) {
  if (!(x > -two63 && x < two63)) {
    error(6);
    return false;
  }
  long double r = std::nearbyintl(x);
  if (r >= two63) {                          // 2^63 - 0.5 rounds up out of range
    error(6);
    return false;
  }
  out = int64_t(r);
  return true;
}

kels *func_hex_float(long double v) {
  if (new_error) return empty_tmp();
  int64_t i;
  return float_to_int64(v, i) ? func_hex(i, 8) : empty_tmp();
}

kels *func_oct_float(long double v) {
  if (new_error) return empty_tmp();
  int64_t i;
  return float_to_int64(v, i) ? func_oct(i, 32) : empty_tmp();
}

int32_t hexoct2uint64(kels *s) {
  hexoct2uint64_value = 0;
  if (new_error) return 0;
  const uint8_t *t = s->text;
  uint32_t len = s->len;
  if (!len) return 1;
  if (t[0] != '&') return 0;
  if (len == 1) return 1;
  uint8_t letter = uint8_t(t[1] & ~0x20);
  uint64_t v = 0;
  if (letter == 'H') {
    if (len > 18) return 0;
    for (uint32_t i = 2; i < len; i++) {
      int d = hex_digit(t[i]);
      if (d < 0) return 0;
      v = v << 4 | uint64_t(d);
    }
    hexoct2uint64_value = v;
    return 1;
  }
  if (letter == 'O') {
    if (len > 24 || (len == 24 && t[2] > '1')) return 0;
    for (uint32_t i = 2; i < len; i++) {
      if (t[i] < '0' || t[i] > '7') return 0;
      v = v << 3 | uint64_t(t[i] - '0');
    }
    hexoct2uint64_value = v;
    return 2;
  }
  return 0;
}

// ---- byte images ----

static kels *image_of(const void *bytes, uint32_t n) {
  if (new_error) return empty_tmp();
  return tmp_text(static_cast<const char *>(bytes), n);
}

// Copies the first n bytes of s to out; error 5 (and false) when s is shorter.
static bool image_read(kels *s, void *out, uint32_t n) {
  if (new_error) return false;
  if (s->len < n) {
    error(5);
    return false;
  }
  std::memcpy(out, s->text, n);
  return true;
}

template <class T> static kels *image_of_value(T v) { return image_of(&v, sizeof v); }
template <class T> static T read_value(kels *s) {
  T v{};
  return image_read(s, &v, sizeof v) ? v : T{};
}

kels *b2string(int8_t v) { return image_of_value(v); }
kels *ub2string(uint8_t v) { return image_of_value(v); }
kels *i2string(int16_t v) { return image_of_value(v); }
kels *ui2string(uint16_t v) { return image_of_value(v); }
kels *l2string(int32_t v) { return image_of_value(v); }
kels *ul2string(uint32_t v) { return image_of_value(v); }
kels *i642string(int64_t v) { return image_of_value(v); }
kels *ui642string(uint64_t v) { return image_of_value(v); }
kels *s2string(float v) { return image_of_value(v); }
kels *d2string(double v) { return image_of_value(v); }

int8_t string2b(kels *s) { return read_value<int8_t>(s); }
uint8_t string2ub(kels *s) { return read_value<uint8_t>(s); }
int16_t string2i(kels *s) { return read_value<int16_t>(s); }
uint16_t string2ui(kels *s) { return read_value<uint16_t>(s); }
int32_t string2l(kels *s) { return read_value<int32_t>(s); }
uint32_t string2ul(kels *s) { return read_value<uint32_t>(s); }
int64_t string2i64(kels *s) { return read_value<int64_t>(s); }
uint64_t string2ui64(kels *s) { return read_value<uint64_t>(s); }
float string2s(kels *s) { return read_value<float>(s); }
double string2d(kels *s) { return read_value<double>(s); }

static constexpr uint32_t extended_image_size = 32;

kels *f2string(long double v) {
  uint8_t b[extended_image_size] = {};
  numtext_ext_store(v, b);                   // the 80 significant bits; padding stays zero
  return image_of(b, sizeof b);
}

long double string2f(kels *s) {
  uint8_t b[extended_image_size];
  if (!image_read(s, b, sizeof b)) return 0;
  return numtext_ext_load(b);
}

static bool bits_ok(int32_t bits) {
  if (bits >= 1 && bits <= 64) return true;
  error(5);
  return false;
}

static uint64_t low_bits(uint64_t v, int32_t bits) {
  return bits == 64 ? v : v & ((uint64_t(1) << bits) - 1);
}

kels *ubit2string(uint64_t v, int32_t bits) {
  if (new_error || !bits_ok(bits)) return empty_tmp();
  v = low_bits(v, bits);
  uint8_t b[8];
  std::memcpy(b, &v, 8);
  return image_of(b, uint32_t(bits + 7) / 8);
}

kels *bit2string(int64_t v, int32_t bits) { return ubit2string(uint64_t(v), bits); }

uint64_t string2ubit(kels *s, int32_t bits) {
  if (new_error || !bits_ok(bits)) return 0;
  uint8_t b[8] = {};
  if (!image_read(s, b, uint32_t(bits + 7) / 8)) return 0;
  uint64_t v;
  std::memcpy(&v, b, 8);
  return low_bits(v, bits);
}

int64_t string2bit(kels *s, int32_t bits) {
  uint64_t v = string2ubit(s, bits);
  if (bits >= 1 && bits < 64 && (v >> (bits - 1) & 1)) v |= ~uint64_t(0) << bits;
  return int64_t(v);
}

// ---- rounding ----

int64_t kelr(long double v) {
  if (!(v > -two63 - 1 && v < two63)) return INT64_MIN;   // out of range, or NaN
  return std::llrint(v);
}

// Outside the 32-bit range (and NaN) the processor gives its "integer indefinite".
static int32_t to_int32(long r, bool ok) {
  return ok && r >= INT32_MIN && r <= INT32_MAX ? int32_t(r) : INT32_MIN;
}
int32_t kelr_float_to_long(float v) {
  bool ok = std::fabs(v) < 4e9f;
  return to_int32(ok ? std::lrint(v) : 0, ok);
}
int32_t kelr_double_to_long(double v) {
  bool ok = std::fabs(v) < 4e9;
  return to_int32(ok ? std::lrint(v) : 0, ok);
}

uint64_t kelr_longdouble_to_uint64(long double v) {
  if (v >= two63) {
    if (v < 2 * two63) return uint64_t(std::llrint(v - two63)) + (uint64_t(1) << 63);
    return uint64_t(1) << 63;
  }
  if (!(v > -two63 - 1)) return uint64_t(1) << 63;   // below range, or NaN
  return uint64_t(std::llrint(v));
}

int16_t func_cint_double(double v) {
  if (new_error) return 0;
  if (!(v > -32768.5 && v < 32767.5)) {
    error(6);
    return 0;
  }
  // std::round rounds halves away from zero without the error of adding 0.5 first
  // (0.49999999999999994 + 0.5 is 1 in binary).
  return int16_t(std::round(v));
}
