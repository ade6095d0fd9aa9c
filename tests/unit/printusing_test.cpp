// Tests of PRINT USING: numeric and string fields, rounding, overflow marks, format reuse,
// errors 13 and 5, the kels entry points and the statement printing through kels_print.
#include <gtest/gtest.h>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>
#include "test_support.h"
#include "printusing_format.h"

namespace printusing_test {

namespace {

// One number through the pure formatter, from the start of the format.
std::string fmt(const char *format, long double value, char exp_char = 'E') {
  pu_number n;
  if (!pu_from_real(value, n)) return "<no conversion>";
  std::string out;
  pu_result r = pu_format_value(format, 0, &n, nullptr, out, exp_char);
  return r.error ? "error " + std::to_string(r.error) : out;
}

std::string fmt_text(const char *format, const char *text) {
  std::string_view t(text);
  std::string out;
  pu_result r = pu_format_value(format, 0, nullptr, &t, out);
  return r.error ? "error " + std::to_string(r.error) : out;
}

struct number_row { const char *format; long double value; const char *expected; };

}  // namespace

TEST(PrintUsing, NumericFieldsFormatEachFormExactly) {
  const number_row rows[] = {
    {"##.##", 3.14159, " 3.14"},
    {"##.##", -3.14159, "-3.14"},
    {"##.##", 123.4, "%123.40"},                  // wider than the field: printed in full
    {"#,###.##", 1234.5, "1,234.50"},
    {"**$##.##", 1.5, "***$1.50"},
    {"$$#.##", 1.5, " $1.50"},
    {".##", 0.5, ".50"},
    {".##", -0.5, "%-.50"},                       // the sign needs a place the field lacks
    {"#.##", 0.5, "0.50"},
    {"##.##-", -1, " 1.00-"},
    {"##.##-", 1, " 1.00 "},
    {"##.##+", -2.25, " 2.25-"},
    {"##.##+", 2.25, " 2.25+"},
    {"+##.##", 1.5, "+ 1.50"},
    {"+##.##", -1.5, "- 1.50"},
    {"+#", 12, "%+12"},
    {"##.##", 0, " 0.00"},
    {".##", 0, ".00"},
    {"##.##", -0.0, " 0.00"},                     // negative zero has no sign
    {"##.##", -0.001, "-0.00"},
    {"##", 0.4, " 0"},
    {"#", -0.4, "%-0"},                           // the sign took the only digit place
    {"#", -0.6, "%-1"},
    {"##", 0.5, " 1"},                            // rounding with no digit printed
    {"##", 0.005, " 0"},                          // the digit after the field is an implicit 0
    {"##", 2.5, " 3"},
    {"##.##", 99.995, "%100.00"},                 // the double is 99.9950000000000045...: carry
    {"##.##", 99.995f, "%100.00"},                //   adds a digit to the integer part
    {"#.##", 2.675, "2.67"},                      // the double is 2.67499999...
    {"#.##", 1.005, "1.00"},                      // the double is 1.00499999...
    {"#.##", 0.125, "0.13"},                      // an exact half rounds up
    {"##.##", 99.996, "%100.00"},
    {"###.##", 99.996, "100.00"},
    {"##.##", -0.005, "-0.01"},
    {"#,###,###", 1234567, "1,234,567"},
    {"#,###", 1234567, "%1,234,567"},
    {"##,###.##", -1234.5, "-1,234.50"},
    {"###,###", 12, "     12"},
    {"**#,###.##", 12.5, "*****12.50"},
    {"$$###.##", 12.5, "  $12.50"},
    {"$$###.##", -12.5, " -$12.50"},
    {"**$#.##", -1.5, "*-$1.50"},
    {"$$", 5, "$5"},
    {"**", 5, "*5"},
    {"**", 123, "%123"},
    {"#", 1e20, "%100000000000000000000"},
    {"#.##", 4.9406564584124654e-324, "0.00"},
    // exponents
    {"##.##^^^^", 12345, " 1.23E+04"},
    {"##.##^^^^^", 12345, " 1.23E+004"},
    {"#.##^^^^", 12345, "0.12E+05"},              // lone place before the point printed as 0
    {"##.##^^^^", -12345, "-1.23E+04"},
    {"##.##^^^^", 0.000123456, " 1.23E-04"},
    {"##.##^^^^", 0, " 0.00E+00"},
    {"#.##^^^^", 0, "0.00E+00"},
    {"##.##^^^^", 9.996, " 1.00E+01"},            // carry moves the exponent
    {"#.##^^^^", 1e100, "%0.10E+101"},            // exponent wider than its field
    {"##.##^^^^", 1e-300, "% 1.00E-300"},
    {"##.##^^^^^", 1e-300, " 1.00E-300"},
    {"##.##^^^^^", 4.9406564584124654e-324, " 4.94E-324"},
    {"#.#^^^^", -5, "-.5E+01"},
    {".##^^^^", -12345, "%-.12E+05"},
    {"+.##^^^^", 12345, "+.12E+05"},
    {"##.##^^^^-", -12345, "12.35E+03-"},
    {"#^^^^", 5, "5E+00"},
    {"###^^^^", 12345, " 12E+03"},
  };
  for (const number_row &r : rows)
    EXPECT_EQ(fmt(r.format, r.value), r.expected) << r.format << " with " << (double)r.value;
  EXPECT_EQ(fmt("##.##^^^^", 12345, 'D'), " 1.23D+04");
}

TEST(PrintUsing, HugeValueIsPrintedInFullAfterPercent) {
  const std::string max_digits =
      "17976931348623157081452742373170435679807056752584499659891747680315726078002853876058955"
      "86327668781715404589535143824642343213268894641827684675467035375169860499105765512820762"
      "45490090389328944075868508455133942304583236903222948165808559332123348274797826204144723"
      "168738177180919299881250404026184124858368";
  EXPECT_EQ(fmt("##.##", DBL_MAX), "%" + max_digits + ".00");
  EXPECT_EQ(fmt("#", INFINITY), "<no conversion>");
}

TEST(PrintUsing, RealDigitsAreTheExactBinaryExpansion) {
  pu_number n;
  ASSERT_TRUE(pu_from_real(0.1, n));
  EXPECT_EQ(n.digits, "1000000000000000055511151231257827021181583404541015625");
  EXPECT_EQ(n.exponent, -55);
  ASSERT_TRUE(pu_from_real(-0x1p70, n));
  EXPECT_EQ(n.digits, "1180591620717411303424");
  EXPECT_EQ(n.exponent, 0);
  EXPECT_EQ(n.negative, 1);
  // glibc prints exact digits at full precision: an oracle for a spread of magnitudes
  const long double values[] = {5e-324, 2.2250738585072014e-308, 1.0 / 3, 123456.789, 1e22,
                                6.02214076e23f, 1.1L, 0x1.fffffffffffffffep16383L};
  for (long double v : values) {
    char buf[6000];
    std::snprintf(buf, sizeof buf, "%.5000Le", v);
    std::string s(buf);
    size_t e = s.find('e');
    std::string want = s.substr(0, 1) + s.substr(2, e - 2);
    want.erase(want.find_last_not_of('0') + 1);
    int32_t want_exp = std::stoi(s.substr(e + 1)) - int32_t(want.size() - 1);
    ASSERT_TRUE(pu_from_real(v, n));
    EXPECT_EQ(n.digits, want) << buf;
    EXPECT_EQ(n.exponent, want_exp) << buf;
  }
}

TEST(PrintUsing, StringFieldsAndLiteralText) {
  EXPECT_EQ(fmt_text("!", "ABCDEF"), "A");
  EXPECT_EQ(fmt_text("&", "ABCDEF"), "ABCDEF");
  EXPECT_EQ(fmt_text("\\  \\", "ABCDEF"), "ABCD");
  EXPECT_EQ(fmt_text("\\\\", "ABCDEF"), "AB");
  EXPECT_EQ(fmt_text("[\\  \\]", "AB"), "[AB  ]");
  EXPECT_EQ(fmt_text("!", ""), " ");
  EXPECT_EQ(fmt_text("\\ x &", "Q"), "\\ x Q");  // an unclosed backslash is literal
  EXPECT_EQ(fmt("_###", 5), "# 5");
  EXPECT_EQ(fmt("a__b ##", 3), "a_b  3");
  EXPECT_EQ(fmt("##_", 1), " 1_");               // a final underscore prints itself
  EXPECT_EQ(fmt("x. + - * $ ^ ##", 7), "x. + - * $ ^  7");
}

TEST(PrintUsing, FormatIsReusedForMoreValuesAndPositionsReturned) {
  std::string out;
  std::vector<int32_t> positions;
  int32_t pos = 0;
  for (int v = 1; v <= 4; v++) {
    pu_number n = pu_from_int64(v);
    pu_result r = pu_format_value("##|##", pos, &n, nullptr, out);
    ASSERT_EQ(r.error, 0);
    positions.push_back(pos = r.position);
  }
  EXPECT_EQ(out, " 1| 2 3| 4");
  EXPECT_EQ(positions, (std::vector<int32_t>{3, 0, 3, 0}));

  // literal text after a field is copied up to the next field; a later start wraps around
  out.clear();
  pu_number n = pu_from_int64(5);
  std::string_view s("x");
  EXPECT_EQ(pu_format_value("A## B& C", 0, &n, nullptr, out).position, 5);
  EXPECT_EQ(pu_format_value("A## B& C", 5, nullptr, &s, out).position, 0);
  EXPECT_EQ(out, "A 5 Bx C");
  out.clear();
  EXPECT_EQ(pu_format_value("##x", 2, &n, nullptr, out).position, 0);
  EXPECT_EQ(out, "x 5x");               // text after the field is copied too
}

TEST(PrintUsing, MismatchedValuesAndFieldlessFormatsAreErrors) {
  pu_number n = pu_from_int64(1);
  std::string_view s("abc");
  const struct { const char *format; int32_t position; bool text; int error; } rows[] = {
    {"##", 0, true, 13}, {"&", 0, false, 13}, {"!", 0, false, 13}, {"abc", 0, false, 5},
    {"", 0, false, 5}, {"abc", 0, true, 5}, {"## &", 3, false, 13}, {"##", 3, false, 5},
  };
  for (const auto &r : rows) {
    std::string out = "keep";
    pu_result res = pu_format_value(r.format, r.position, r.text ? nullptr : &n,
                                    r.text ? &s : nullptr, out);
    EXPECT_EQ(res.error, r.error) << r.format;
    EXPECT_EQ(out, "keep") << r.format;
  }
}

TEST(PrintUsing, EntryPointsAppendToOutputAndPickTheExponentLetter) {
  kel_test_reset();
  uint32_t base = kels_tmp_list_nexti;
  kels *out = kels_new(0, 0);
  kels *f = T("##.##^^^^ ");
  int32_t p = print_using_double(f, 12345, 0, out);
  EXPECT_EQ(p, 0);
  EXPECT_EQ(pu_exp_char, 'E');
  print_using_single(f, 12345, p, out);
  print_using_float(f, 12345, p, out);
  print_using_integer64(f, 12355, p, out);
  EXPECT_EQ(S(out), " 1.23D+04  1.23E+04  1.23F+04  1.24E+04 ");

  kels_set(out, T(""));
  print_using_integer64(T("#"), INT64_MIN, 0, out);
  print_using_uinteger64(T("#,###"), UINT64_MAX, 0, out);
  print_using_single(T("##.##"), 99.995f, 0, out);
  print_using(T("\\ \\"), 0, out, T("WXYZ"));
  EXPECT_EQ(S(out), "%-9223372036854775808%18,446,744,073,709,551,615%100.00WXY");
  EXPECT_EQ(new_error, 0);

  // an error leaves the output alone; later calls do nothing while it is pending
  EXPECT_EQ(print_using(T("##"), 0, out, T("x")), 0);
  EXPECT_EQ(new_error, 13);
  print_using_double(T("##"), 1, 0, out);
  EXPECT_EQ(S(out), "%-9223372036854775808%18,446,744,073,709,551,615%100.00WXY");
  kel_test_reset();
  print_using_double(T("#"), NAN, 0, out);
  EXPECT_EQ(new_error, 5);
  kel_test_reset();
  print_using_double(T("no field"), 1, 0, out);
  EXPECT_EQ(new_error, 5);
  kels_free(out);
  kel_test_reset();
  kels_cleanup(base, 0);
}

TEST(PrintUsing, StatementPrintsCollectedTextThroughPrint) {
  kel_test_reset();
  uint32_t base = kels_tmp_list_nexti;
  auto row = [](int r) {
    std::string s;
    for (int c = 1; c <= 40; c++) s += (char)func_screen(r, c, 0, 0);
    return s.erase(s.find_last_not_of(' ') + 1);
  };
  sub_print_using_begin(T("Total: ##.## &|"));
  sub_print_using_double(3.14159);
  sub_print_using_string(T("OK"));
  sub_print_using_integer64(-7);
  sub_print_using_end(1);
  EXPECT_EQ(row(1), "Total:  3.14 OK|Total: -7.00");
  EXPECT_EQ(func_csrlin(), 2);

  sub_print_using_begin(T("## ##"));
  sub_print_using_single(1);
  sub_print_using_string(T("x"));               // error 13: nothing is printed
  sub_print_using_end(1);
  EXPECT_EQ(new_error, 13);
  new_error = 0;                                // the screen functions wait while it is pending
  kelevent = 0;
  EXPECT_EQ(row(2), "");
  EXPECT_EQ(func_csrlin(), 2);
  kel_test_reset();
  kels_cleanup(base, 0);
}

}  // namespace printusing_test
