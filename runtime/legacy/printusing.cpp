// PRINT USING: numbers and strings formatted through a format string, and the statement glue.
#include "printusing.h"
#include <cmath>
#include <vector>
#include "events.h"
#include "kels.h"
#include "text.h"
#include "printusing_format.h"

char pu_exp_char = 'E';

// ---------------------------------------------------------------- exact decimal digits

// Unsigned big integer in base 10^9, least significant limb first.
using pu_big = std::vector<uint32_t>;
static constexpr uint32_t pu_limb = 1000000000;

static void big_mul(pu_big &b, uint32_t k) {
  uint64_t carry = 0;
  for (uint32_t &w : b) {
    uint64_t t = (uint64_t)w * k + carry;        // < 2^32 * 10^9: fits
    w = uint32_t(t % pu_limb);
    carry = t / pu_limb;
  }
  while (carry) {
    b.push_back(uint32_t(carry % pu_limb));
    carry /= pu_limb;
  }
}

static void big_add(pu_big &b, uint32_t k) {
  uint64_t carry = k;
  for (size_t i = 0; carry && i < b.size(); i++) {
    uint64_t t = b[i] + carry;
    b[i] = uint32_t(t % pu_limb);
    carry = t / pu_limb;
  }
  if (carry) b.push_back(uint32_t(carry));
}

static std::string big_digits(const pu_big &b) {
  size_t top = b.size();
  while (top > 1 && b[top - 1] == 0) top--;
  std::string s = std::to_string(b[top - 1]);
  for (size_t i = top - 1; i-- > 0;) {
    std::string part = std::to_string(b[i]);
    s.append(9 - part.size(), '0');
    s += part;
  }
  return s;
}

static bool pu_is_zero(const pu_number &n) {
  return n.digits.find_first_not_of('0') == std::string::npos;
}

pu_number pu_from_uint64(uint64_t value) {
  pu_number n;
  n.digits = std::to_string(value);
  return n;
}

pu_number pu_from_int64(int64_t value) {
  uint64_t magnitude = value < 0 ? 0 - (uint64_t)value : (uint64_t)value;  // INT64_MIN too
  pu_number n = pu_from_uint64(magnitude);
  n.negative = value < 0;
  return n;
}

bool pu_from_real(long double value, pu_number &out) {
  if (!std::isfinite(value)) return false;
  out = pu_number();
  if (value == 0) return true;                   // -0 prints as 0
  out.negative = std::signbit(value);
  int e2;
  long double f = std::frexp(std::fabs(value), &e2);   // value = f * 2^e2, f in [0.5, 1)
  pu_big big{0};
  while (f != 0) {                               // the mantissa as an integer, 28 bits at a time
    f = std::ldexp(f, 28);
    uint32_t chunk = uint32_t(f);
    f -= chunk;
    big_mul(big, 1u << 28);
    big_add(big, chunk);
    e2 -= 28;
  }
  int32_t e10 = 0;
  if (e2 >= 0) {
    for (; e2 >= 28; e2 -= 28) big_mul(big, 1u << 28);
    big_mul(big, 1u << e2);
  } else {
    e10 = e2;                                    // m * 2^-k = m * 5^k * 10^-k: exact
    int k = -e2;
    for (; k >= 13; k -= 13) big_mul(big, 1220703125u);   // 5^13
    uint32_t rest = 1;
    while (k--) rest *= 5;
    big_mul(big, rest);
  }
  out.digits = big_digits(big);
  size_t keep = out.digits.find_last_not_of('0') + 1;
  e10 += int32_t(out.digits.size() - keep);
  out.digits.resize(keep);
  out.exponent = e10;
  return true;
}

// ---------------------------------------------------------------- numeric fields

// Layout of one numeric field as read from the format.
struct pu_field {
  int leading_plus = 0, dollar_sign = 0, asterisk_spaces = 0;
  int digits_before_point = 0, commas = 0, decimal_point = 0, digits_after_point = 0;
  int trailing_plus = 0, trailing_minus = 0, exponent_digits = 0;
  int stage = 0;   // 0 start, 1 after a leading '+', 2 integer part, 3 after '.', 4 after carets
};

// Reads a numeric field at s; returns the index after the characters it consumed.
static size_t pu_scan(std::string_view f, size_t s, pu_field &fl) {
  size_t i = s;
  while (i < f.size()) {
    char c = f[i];
    size_t left = f.size() - i;
    if (fl.stage >= 2 && (c == '+' || c == '-')) {
      (c == '+' ? fl.trailing_plus : fl.trailing_minus) = 1;
      return i + 1;
    }
    if ((fl.stage == 2 || fl.stage == 3) && c == '^') {
      if (left >= 5 && f.substr(i, 5) == "^^^^^") {
        fl.exponent_digits = 3;
        fl.stage = 4;
        i += 5;
        continue;
      }
      if (left >= 4 && f.substr(i, 4) == "^^^^") {
        fl.exponent_digits = 2;
        fl.stage = 4;
        i += 4;
        continue;
      }
      break;
    }
    if (fl.stage == 3 && c == '#') {
      fl.digits_after_point++;
      i++;
      continue;
    }
    if (fl.stage == 2 && c == ',') {
      fl.commas = 1;
      fl.digits_before_point++;
      i++;
      continue;
    }
    if (fl.stage <= 2 && c == '#') {
      fl.digits_before_point++;
      fl.stage = 2;
      i++;
      continue;
    }
    if (fl.stage <= 2 && c == '.') {
      fl.decimal_point = 1;
      fl.stage = 3;
      i++;
      continue;
    }
    if (fl.stage <= 1) {
      if (left >= 3 && f.substr(i, 3) == "**$") {
        fl.asterisk_spaces = fl.dollar_sign = 1;
        fl.digits_before_point += 2;
        fl.stage = 2;
        i += 3;
        continue;
      }
      if (left >= 2 && f.substr(i, 2) == "**") {
        fl.asterisk_spaces = 1;
        fl.digits_before_point += 2;
        fl.stage = 2;
        i += 2;
        continue;
      }
      if (left >= 2 && f.substr(i, 2) == "$$") {
        fl.dollar_sign = 1;
        fl.digits_before_point += 1;
        fl.stage = 2;
        i += 2;
        continue;
      }
    }
    if (fl.stage == 0 && c == '+') {
      fl.leading_plus = 1;
      fl.stage = 1;
      i++;
      continue;
    }
    break;
  }
  return i;
}

static char pu_digit(const pu_number &n, int64_t i) {
  return i >= 0 && i < (int64_t)n.digits.size() ? n.digits[size_t(i)] : '0';
}

// Rounds n up at digit index p (digits 0 .. p-1 kept): the digits from p on are dropped and
// one is added to digit p-1; a carry out of the first digit adds a leading "1".
static void pu_round_up(pu_number &n, int64_t p) {
  int64_t before_point = (int64_t)n.digits.size() + n.exponent;
  if (p <= 0) {                                  // nothing kept: the value becomes one unit
    n.digits = "1";                              // of the place above the first digit
    n.exponent = int32_t(before_point);
    return;
  }
  n.digits.resize(size_t(p));
  n.exponent = int32_t(before_point - p);
  int64_t i = p - 1;
  while (i >= 0 && n.digits[size_t(i)] == '9') n.digits[size_t(i--)] = '0';
  if (i < 0) n.digits.insert(n.digits.begin(), '1');
  else n.digits[size_t(i)]++;
}

// Formats num into the field laid out by field and appends the text to out.
static void pu_number_field(const pu_field &field, pu_number num, char exp_char, std::string &out) {
  bool zero = pu_is_zero(num);
  if (zero) {                                    // no integer digits, no sign, exponent 0
    num.digits = "0";
    num.exponent = -1;
    num.negative = 0;
  }
  bool rounded = false;
  for (;;) {
    pu_field f = field;
    std::string o;
    int64_t n = (int64_t)num.digits.size() + num.exponent;   // digits before the point
    bool neg = num.negative;
    bool cant_fit = false, leading_zero = false;
    int extra_sign_space = 0;
    int64_t dbp = f.digits_before_point, dap = f.digits_after_point;
    int64_t dacbp = 0, expo = 0, next = 0, w = 0, fill = 0;
    bool signed_field = f.leading_plus || f.trailing_plus || f.trailing_minus;

    if (!f.exponent_digits) {
      if (neg && !signed_field) {
        extra_sign_space = 1;
        dbp--;
      }
      if (f.commas) {
        dacbp = dbp;
        dbp -= dbp / 4;
      }
      if (dbp < n) {
        dbp = n;
        cant_fit = true;
        if (f.commas) dacbp = n + (n - 1) / 3;
      }
      w = n > 0 ? n + (f.commas ? (n - 1) / 3 : 0) : 0;
      fill = (f.commas ? dacbp : dbp) - w;
      if (fill < 0) fill = 0;
      if (w == 0 && fill > 0) {
        fill--;
        leading_zero = true;
      }
      if (w == 0 && !leading_zero && dap == 0) {   // the sign took the only place: show "-0"
        leading_zero = true;
        cant_fit = true;
      }
    } else {
      if (!signed_field) {
        extra_sign_space = 1;
        dbp--;
        if (!neg && dbp <= 0) {
          dbp++;
          extra_sign_space = 0;
          if (dbp == 1 && dap > 0) {
            dbp--;
            extra_sign_space = 2;
          }
        }
      }
      if (dbp < 0) {                             // the sign took a place the field lacks
        dbp = 0;
        cant_fit = true;
      }
      if (dbp + dap == 0) {
        dbp = 1;
        cant_fit = true;
      }
      expo = zero ? 0 : n - dbp;                 // first digit printed is the first significant
      int expo_digits = (int)std::to_string(expo < 0 ? -expo : expo).size();
      if (expo_digits > f.exponent_digits) {
        f.exponent_digits = expo_digits;
        cant_fit = true;
      }
    }

    if (cant_fit) o += '%';
    if (f.leading_plus) o += neg ? '-' : '+';
    if (!f.exponent_digits) {
      o.append(size_t(fill), f.asterisk_spaces ? '*' : ' ');
      if (extra_sign_space) o += '-';
      if (f.dollar_sign) o += '$';
      if (leading_zero) o += '0';
      int64_t idx = 0;
      for (int64_t k = 0; k < w; k++) {
        if (f.commas && (w - k) % 4 == 0) o += ',';
        else o += pu_digit(num, idx++);
      }
      if (f.decimal_point) o += '.';
      for (int64_t j = 0; j < dap; j++) o += pu_digit(num, n + j);   // below 0: leading zeros
      next = n + dap;
    } else {
      if (f.dollar_sign) o += '$';
      if (extra_sign_space) o += neg ? '-' : extra_sign_space == 2 ? '0' : ' ';
      for (int64_t k = 0; k < dbp; k++) o += pu_digit(num, k);
      if (f.decimal_point) o += '.';
      for (int64_t j = 0; j < dap; j++) o += pu_digit(num, dbp + j);
      next = dbp + dap;
    }

    if (!rounded && pu_digit(num, next) > '4') {   // round once, then lay the field out again
      pu_round_up(num, next);
      rounded = true;
      continue;
    }

    if (f.exponent_digits) {
      o += exp_char;
      o += expo < 0 ? '-' : '+';
      std::string e = std::to_string(expo < 0 ? -expo : expo);
      o.append(size_t(f.exponent_digits) - e.size(), '0');
      o += e;
    }
    if (f.trailing_plus) o += neg ? '-' : '+';
    if (f.trailing_minus) o += neg ? '-' : ' ';
    out += o;
    return;
  }
}

// ---------------------------------------------------------------- the format walk

pu_result pu_format_value(std::string_view f, int32_t position, const pu_number *number,
                          const std::string_view *text, std::string &out, char exp_char) {
  if (position < 0 || (size_t)position > f.size() || (!number == !text)) return {0, 5};
  std::string o;
  bool used = false;
  bool from_start = position == 0;               // a pass from the beginning has been made
  size_t s = size_t(position);
  for (;;) {
    if (s >= f.size()) {
      s = 0;
      if (used) break;
      if (from_start) return {0, 5};             // the format has no field at all
      from_start = true;
      continue;
    }
    pu_field fl;
    size_t end = pu_scan(f, s, fl);
    if (fl.stage >= 2 && fl.digits_before_point + fl.digits_after_point > 0) {
      if (used) break;
      if (!number) return {0, 13};
      pu_number_field(fl, *number, exp_char, o);
      used = true;
      s = end;
      continue;
    }
    size_t width = 0;                            // string field: characters taken, 0 = whole
    bool string_field = true;
    if (f[s] == '!') {
      width = 1;
    } else if (f[s] == '\\') {
      size_t j = s + 1;
      while (j < f.size() && f[j] == ' ') j++;
      if (j < f.size() && f[j] == '\\') width = j - s + 1;
      else string_field = false;
    } else if (f[s] != '&') {
      string_field = false;
    }
    if (string_field) {
      if (used) break;
      if (!text) return {0, 13};
      if (!width) {
        o += *text;
      } else {
        std::string_view part = text->substr(0, width);
        o += part;
        o.append(width - part.size(), ' ');
      }
      used = true;
      s += width ? width : 1;
      continue;
    }
    if (f[s] == '_' && s + 1 < f.size()) s++;    // the next character is literal
    o += f[s++];
  }
  out += o;
  return {int32_t(s), 0};
}

// ---------------------------------------------------------------- runtime entry points

static pu_number pu_value;                       // the number prepared by an entry point

int32_t print_using(kels *format, int32_t position, kels *output, kels *value) {
  if (new_error) return 0;
  std::string_view f;
  if (format) f = std::string_view((const char *)format->text, format->len);
  std::string_view text;
  if (value) text = std::string_view((const char *)value->text, value->len);
  std::string piece;
  pu_result r = value ? pu_format_value(f, position, nullptr, &text, piece, pu_exp_char)
                      : pu_format_value(f, position, &pu_value, nullptr, piece, pu_exp_char);
  if (r.error) {
    error(r.error);
    return 0;
  }
  // the format is read completely before the heap may move
  if (!piece.empty())
    kels_set(output, kels_add(output, kels_tmp_from(piece.data(), (uint32_t)piece.size())));
  return r.position;
}

int32_t print_using_integer64(kels *format, int64_t value, int32_t position, kels *output) {
  if (new_error) return 0;
  pu_value = pu_from_int64(value);
  return print_using(format, position, output, nullptr);
}

int32_t print_using_uinteger64(kels *format, uint64_t value, int32_t position, kels *output) {
  if (new_error) return 0;
  pu_value = pu_from_uint64(value);
  return print_using(format, position, output, nullptr);
}

static int32_t pu_real(kels *format, long double value, char exp_char, int32_t position, kels *output) {
  if (new_error) return 0;
  if (!pu_from_real(value, pu_value)) {
    error(5);
    return 0;
  }
  pu_exp_char = exp_char;
  int32_t r = print_using(format, position, output, nullptr);
  pu_exp_char = 'E';
  return r;
}

int32_t print_using_single(kels *format, float value, int32_t position, kels *output) {
  return pu_real(format, value, 'E', position, output);
}
int32_t print_using_double(kels *format, double value, int32_t position, kels *output) {
  return pu_real(format, value, 'D', position, output);
}
int32_t print_using_float(kels *format, long double value, int32_t position, kels *output) {
  return pu_real(format, value, 'F', position, output);
}

// ---------------------------------------------------------------- the statement

static kels *pu_statement_format;                // the statement's format (valid until its end)
static kels *pu_statement_output;                // runtime-owned text collected for printing
static int32_t pu_statement_position;

void sub_print_using_begin(kels *format) {
  if (new_error) return;
  if (!pu_statement_output) pu_statement_output = kels_new(0, 0);
  kels_set(pu_statement_output, nothingstring);
  pu_statement_format = format;
  pu_statement_position = 0;
}

void sub_print_using_string(kels *value) {
  if (new_error || !pu_statement_format) return;
  pu_statement_position = print_using(pu_statement_format, pu_statement_position,
                                      pu_statement_output, value);
}
void sub_print_using_integer64(int64_t value) {
  if (new_error || !pu_statement_format) return;
  pu_statement_position = print_using_integer64(pu_statement_format, value, pu_statement_position,
                                                pu_statement_output);
}
void sub_print_using_uinteger64(uint64_t value) {
  if (new_error || !pu_statement_format) return;
  pu_statement_position = print_using_uinteger64(pu_statement_format, value, pu_statement_position,
                                                 pu_statement_output);
}
void sub_print_using_single(float value) {
  if (new_error || !pu_statement_format) return;
  pu_statement_position = print_using_single(pu_statement_format, value, pu_statement_position,
                                             pu_statement_output);
}
void sub_print_using_double(double value) {
  if (new_error || !pu_statement_format) return;
  pu_statement_position = print_using_double(pu_statement_format, value, pu_statement_position,
                                             pu_statement_output);
}
void sub_print_using_float(long double value) {
  if (new_error || !pu_statement_format) return;
  pu_statement_position = print_using_float(pu_statement_format, value, pu_statement_position,
                                            pu_statement_output);
}

void sub_print_using_end(uint8_t newline_flag) {
  if (new_error || !pu_statement_format) return;
  pu_statement_format = nullptr;                 // a temporary format dies with the statement
  kels_print(pu_statement_output, newline_flag);
  kels_set(pu_statement_output, nothingstring);
}
