// PRINT USING's formatter: pure functions from a format and a value to text.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Letter printed before an exponent: 'E', or 'D' / 'F' while a double / extended float is formatted.
extern char pu_exp_char;

// A number as a numeric field sees it: value = digits x 10^exponent, digits most significant
// first without leading zeros. Zero is the single digit "0".
struct pu_number {
  std::string digits = "0";
  int32_t exponent = 0;
  uint8_t negative = 0;
};

pu_number pu_from_int64(int64_t value);
pu_number pu_from_uint64(uint64_t value);
// Exact decimal expansion of a binary floating-point value; false for infinities and NaN.
bool pu_from_real(long double value, pu_number &out);

// Outcome of formatting one value: where the next value's field starts (0 = format used up),
// or the dialect's error number (then nothing was appended).
struct pu_result {
  int32_t position;
  int error;
};

// Formats one value (exactly one of number, text is given) through format, starting the scan
// at position, and appends the text to out. Pure: touches no runtime state.
pu_result pu_format_value(std::string_view format, int32_t position, const pu_number *number,
                          const std::string_view *text, std::string &out, char exp_char = 'E');
