// Tests for STR$, VAL, HEX$, OCT$, typed radix literals, the MKx$/CVx byte images and the
// rounding helpers.
#include <gtest/gtest.h>
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include "test_support.h"

namespace numconv_test {

class Numconv : public ::testing::Test {
 protected:
  uint32_t base = 0;
  void SetUp() override {
    kel_test_reset();
    base = kels_tmp_list_nexti;
  }
  void TearDown() override { kels_cleanup(base, 0); }
  // The pending error number, cleared for the next row.
  static int take_error() {
    int e = new_error;
    new_error = 0;
    kelevent = 0;
    return e;
  }
  // A result must be a fresh temporary; its text.
  static std::string text(kels *s) {
    EXPECT_TRUE(s->tmp);
    return S(s);
  }
  static kels *bytes(const char *b, uint32_t n) { return kels_tmp_from(b, n); }
};

TEST_F(Numconv, SingleStrShowsUpToSevenDigitsFixedOrWithExponent) {
  struct row { float v; const char *want; };
  const row rows[] = {
      {0.0f, " 0"}, {-0.0f, " 0"}, {100, " 100"}, {-123.456f, "-123.456"},
      {3.14159265f, " 3.141593"}, {0.1f, " .1"}, {0.5f, " .5"}, {-0.5f, "-.5"},
      {-0.25f, "-.25"}, {0.001f, " .001"}, {2.5e-5f, " .000025"},
      {1234567, " 1234567"}, {9999999, " 9999999"}, {1e6f, " 1000000"},
      {12345678, " 1.234568E+07"}, {10000000, " 1E+07"},              // e = 7: exponent form
      {1e-7f, " .0000001"}, {1.5e-7f, " 1.5E-07"},                    // e - digits = -8 / -9
      {0.1234567f, " .1234567"}, {0.01234567f, " 1.234567E-02"},
      {1e-9f, " 1E-09"}, {9.9999999f, " 10"},
      {1e11f, " 1E+11"},                                              // 99999997952 carries
      {1e38f, " 1E+38"}, {FLT_MAX, " 3.402823E+38"}, {-FLT_MAX, "-3.402823E+38"},
      {FLT_MIN, " 1.175494E-38"}, {FLT_TRUE_MIN, " 1.401298E-45"},
      {INFINITY, " INF"}, {-INFINITY, "-INF"},
  };
  for (const row &r : rows) EXPECT_EQ(text(kels_str(r.v)), r.want) << r.v;
}

TEST_F(Numconv, DoubleStrShowsUpToSixteenDigitsAndDExponent) {
  struct row { double v; const char *want; };
  const row rows[] = {
      {0.0, " 0"}, {-0.0, " 0"}, {0.1, " .1"}, {123.456, " 123.456"}, {2.5, " 2.5"},
      {0.3, " .3"}, {0.1 + 0.2, " .3"}, {1.0 / 3, " .3333333333333333"},
      {2.0 / 3, " .6666666666666666"}, {3.141592653589793, " 3.141592653589793"},
      {1.234567890123459, " 1.23456789012346"},                       // 16th digit 9
      {99.99999999999999, " 100"}, {9.999999999999999e20, " 1D+21"},
      {999999999999999.9, " 1000000000000000"},
      {1000000000000009.0, " 1000000000000009"}, {1999999999999999.0, " 1999999999999999"},
      {1e15, " 1000000000000000"}, {1234567890123456.0, " 1234567890123456"},
      {123456789012345.6, " 123456789012345.6"}, {1e16, " 1D+16"}, {1.5e16, " 1.5D+16"},
      {1e20, " 1D+20"}, {1e-16, " .0000000000000001"}, {1e-17, " 1D-17"},
      {1.5e-16, " 1.5D-16"}, {-1e100, "-1D+100"}, {1e-100, " 1D-100"},
      {DBL_MAX, " 1.797693134862316D+308"}, {DBL_MIN, " 2.225073858507201D-308"},
      {DBL_TRUE_MIN, " 4.940656458412465D-324"}, {NAN, " NAN"},
  };
  for (const row &r : rows) EXPECT_EQ(text(kels_str(r.v)), r.want) << r.v;
  EXPECT_EQ(text(kels_str(2.5L)), " 2.5");
  EXPECT_EQ(text(kels_str(1e20L)), " 1D+20");
  EXPECT_EQ(text(kels_str(0.1L)), " .1");
}

// The rules applied literally with printf formats, as an independent reference.
static std::string printf_str(double v, bool dbl) {
  char t[80], f[64];
  std::snprintf(t, sizeof t, dbl ? "% .15E" : "% .6E", v);
  if (dbl && t[17] == '9') {                         // 16th significant digit
    std::snprintf(f, sizeof f, "% .14E", v);
    std::snprintf(t, sizeof t, "%.17s0%s", f, f + 17);
  }
  int maxd = dbl ? 16 : 7, nd = maxd;
  std::string digs = std::string(1, t[1]) + std::string(t + 3, size_t(maxd - 1));
  while (nd && digs[size_t(nd - 1)] == '0') nd--;
  if (!nd) return " 0";
  int e = std::atoi(std::strchr(t, 'E') + 1);
  if (e <= (dbl ? 15 : 6) && e - nd >= (dbl ? -17 : -8)) {
    std::snprintf(f, sizeof f, "% .*f", std::max(0, nd - e - 1), v);
    std::string s = f;
    return s[1] == '0' ? s.erase(1, 1) : s;
  }
  std::string s = std::string(1, t[0]) + digs[0];
  if (nd > 1) s += "." + digs.substr(1, size_t(nd - 1));
  std::snprintf(f, sizeof f, std::abs(e) < 100 ? "%c%c%02d" : "%c%c%d", dbl ? 'D' : 'E',
                e < 0 ? '-' : '+', std::abs(e));
  return s + f;
}

TEST_F(Numconv, FloatStrAgreesWithPrintfRenderingOfTheRules) {
  std::mt19937_64 rng(20240611);
  for (int i = 0; i < 50000; i++) {
    uint64_t bits = rng();
    double d;
    std::memcpy(&d, &bits, 8);
    switch (i % 5) {                                 // short decimals, near powers of ten,
      case 1: d = double(int64_t(bits % 2000001) - 1000000) * std::pow(10.0, int(bits >> 40) % 40 - 20); break;
      case 2: d = std::nextafter(std::pow(10.0, int(bits % 44) - 22), (bits >> 32 & 1) ? 0.0 : 1e300); break;
      case 3: d = double(bits % 9000000000000000 + 1000000000000000) / double(1 << (bits >> 60)); break;
    }                                                // 16-digit integers and halves
    if (!std::isfinite(d)) continue;
    float f = float(d);
    if (i % 5 == 4) std::memcpy(&f, &bits, 4);
    if (std::isfinite(f)) {
      ASSERT_EQ(S(kels_str(f)), printf_str(double(f), false)) << f;
    }
    ASSERT_EQ(S(kels_str(d)), printf_str(d, true)) << d;
    if (i % 256 == 0) kels_cleanup(base, 0);
  }
}

TEST_F(Numconv, IntegerStrPutsSpaceBeforeNonNegativeAndMinusBeforeNegative) {
  const std::pair<kels *, const char *> rows[] = {
      {kels_str(int16_t(-5)), "-5"}, {kels_str(uint8_t(5)), " 5"},
      {kels_str(int32_t(0)), " 0"}, {kels_str(int8_t(-128)), "-128"},
      {kels_str(int8_t(127)), " 127"}, {kels_str(int16_t(-32768)), "-32768"},
      {kels_str(uint16_t(65535)), " 65535"}, {kels_str(INT32_MIN), "-2147483648"},
      {kels_str(UINT32_MAX), " 4294967295"}, {kels_str(INT64_MIN), "-9223372036854775808"},
      {kels_str(INT64_MAX), " 9223372036854775807"}, {kels_str(UINT64_MAX), " 18446744073709551615"},
      {kels_str(-7LL), "-7"},
  };
  for (const auto &[s, want] : rows) EXPECT_EQ(text(s), want);
}

TEST_F(Numconv, ValReadsSignDigitsPointAndExponent) {
  struct row { const char *in; long double want; int err; };
  const row rows[] = {
      {"", 0, 0}, {"  -1.5E2xyz", -150, 0}, {".000", 0, 0}, {"1D2", 100, 0},
      {"  - 12 . 5", -12.5L, 0}, {"1 2", 12, 0}, {"\t7", 7, 0}, {"12abc", 12, 0},
      {"abc", 0, 0}, {"+5", 5, 0}, {"1e+2", 100, 0}, {"2d-1", 0.2, 0}, {"1E", 1, 0},
      {"1E-", 1, 0}, {".5", 0.5, 0}, {"-.25", -0.25L, 0}, {"0.05", 0.05, 0}, {"007", 7, 0},
      {"1.5.3", 1.5, 0}, {"1E5E3", 100000, 0}, {"--1", 0, 0}, {"1-2", 1, 0}, {"-0", 0, 0},
      {"1.0", 1, 0}, {"E5", 0, 0},
      {"9007199254740993", 9007199254740993.0L, 0},          // whole numbers stay exact
      {"-9007199254740993", -9007199254740993.0L, 0},
      {"123456789012345678", 123456789012345600.0L, 0},      // digits past 16 count as zeros
      {"12345678901234567", 12345678901234560.0L, 0},
      {"1234567890123456789", 1.234567890123456e18, 0},
      {"0.12345678901234567", 0.1234567890123456, 0},
      {"1E0000000000000000000000002", 100, 0},
      {"1E308", 1e308, 0}, {"0.1E309", 1e308, 0}, {"1.797693134862315E308", 1.797693134862315e308, 0},
      {"1.797693134862316E308", 0, 6}, {"18E307", 0, 6}, {"1E309", 0, 6}, {"1E400", 0, 6},
      {"1E99999999999999999999", 0, 6}, {"-1E400", 0, 6},
      {"1E-400", 0, 0}, {"1E-324", 0, 0}, {"5E-324", DBL_TRUE_MIN, 0},
      {"1E-99999999999999999999999", 0, 0},
  };
  for (const row &r : rows) {
    EXPECT_EQ(func_val(T(r.in)), r.want) << '"' << r.in << '"';
    EXPECT_EQ(take_error(), r.err) << '"' << r.in << '"';
  }
}

TEST_F(Numconv, ValReadsHexAndOctalLiteralsAsSigned64Bit) {
  struct row { const char *in; long double want; int err; };
  const row rows[] = {
      {"&H10", 16, 0}, {"&H", 0, 0}, {"&", 0, 0}, {"&HFFFF", 65535, 0}, {"&h ff", 255, 0},
      {"&Hffffffffffffffff", -1, 0}, {"&H8000000000000000", -9223372036854775808.0L, 0},
      {"&H0000FFFFFFFFFFFFFFFF", -1, 0}, {"&H1G", 1, 0}, {"&HG", 0, 0},
      {"&H10000000000000000", 0, 6}, {"&O777", 511, 0}, {"&o17", 15, 0}, {"&O78", 7, 0},
      {"&O1777777777777777777777", -1, 0}, {"&O2000000000000000000000", 0, 6},
      {"&O17777777777777777777777", 0, 6}, {"&X12", 0, 0}, {"  &H20", 32, 0},
  };
  for (const row &r : rows) {
    EXPECT_EQ(func_val(T(r.in)), r.want) << '"' << r.in << '"';
    EXPECT_EQ(take_error(), r.err) << '"' << r.in << '"';
  }
}

TEST_F(Numconv, ReadingAStringLeavesTheTemporaryInPlace) {
  kels *s = T("42");
  uint32_t slot = s->tmplisti;
  EXPECT_EQ(func_val(s), 42);
  EXPECT_EQ(kels_tmp_list[slot], s);
  EXPECT_EQ(S(s), "42");
  kels *img = T("AB");
  EXPECT_EQ(string2i(img), 0x4241);
  EXPECT_EQ(kels_tmp_list[img->tmplisti], img);
}

TEST_F(Numconv, HexAndOctWidenNegativeValuesOnlyWhenTheWidthLosesTheSign) {
  struct row { kels *s; const char *want; };
  const row rows[] = {
      {func_hex(-1, 8), "FFFFFFFF"}, {func_hex(255, 2), "FF"}, {func_hex(0, 4), "0"},
      {func_hex(1234567, 8), "12D687"}, {func_hex(-1, 2), "FF"}, {func_hex(-128, 2), "80"},
      {func_hex(-256, 2), "FF00"}, {func_hex(-32768, 4), "8000"},
      {func_hex(-32769, 4), "FFFF7FFF"}, {func_hex(-65536, 8), "FFFF0000"},
      {func_hex(-4294967296, 8), "FFFFFFFF00000000"}, {func_hex(INT64_MIN, 8), "8000000000000000"},
      {func_hex(-1, 16), "FFFFFFFFFFFFFFFF"},
      {func_oct(8, 16), "10"}, {func_oct(0, 16), "0"}, {func_oct(511, 16), "777"},
      {func_oct(-1, 8), "377"}, {func_oct(-1, 16), "177777"}, {func_oct(-1, 32), "37777777777"},
      {func_oct(-128, 8), "200"}, {func_oct(-129, 8), "177577"}, {func_oct(-32768, 16), "100000"},
      {func_oct(-32769, 16), "37777677777"}, {func_oct(INT64_MIN, 32), "1000000000000000000000"},
  };
  for (const row &r : rows) EXPECT_EQ(text(r.s), r.want);
}

TEST_F(Numconv, HexAndOctOfFloatsRoundFirstAndRejectValuesBeyond64Bits) {
  struct row { long double v; bool oct; const char *want; int err; };
  const row rows[] = {
      {255.5L, false, "100", 0}, {254.5L, false, "FE", 0}, {-1, false, "FFFFFFFF", 0},
      {-2.5L, false, "FFFFFFFE", 0}, {1e10L, false, "2540BE400", 0}, {-1, true, "37777777777", 0},
      {-9223372036854775807.0L, false, "8000000000000001", 0},
      {1e19L, false, "", 6}, {9223372036854775807.5L, false, "", 6},
      {-9223372036854775808.0L, false, "", 6}, {NAN, true, "", 6}, {-1e30L, true, "", 6},
  };
  for (const row &r : rows) {
    EXPECT_EQ(text(r.oct ? func_oct_float(r.v) : func_hex_float(r.v)), r.want) << double(r.v);
    EXPECT_EQ(take_error(), r.err) << double(r.v);
  }
}

TEST_F(Numconv, Hexoct2uint64RecognisesLiteralsWhileTyped) {
  struct row { const char *in; int32_t kind; uint64_t value; };
  const row rows[] = {
      {"", 1, 0}, {"&", 1, 0}, {"12", 0, 0}, {"&H", 1, 0}, {"&o", 2, 0}, {"&HFF", 1, 255},
      {"&hffffffffffffffff", 1, UINT64_MAX}, {"&H10000000000000000", 0, 0}, {"&HFG", 0, 0},
      {"&O777", 2, 511}, {"&O1777777777777777777777", 2, UINT64_MAX},
      {"&O2777777777777777777777", 0, 0}, {"&O01777777777777777777777", 0, 0},
      {"&O8", 0, 0}, {"&X1", 0, 0}, {"&H 1", 0, 0},
  };
  for (const row &r : rows) {
    hexoct2uint64_value = 12345;
    EXPECT_EQ(hexoct2uint64(T(r.in)), r.kind) << r.in;
    if (r.kind) {
      EXPECT_EQ(hexoct2uint64_value, r.value) << r.in;
    }
  }
}

TEST_F(Numconv, ByteImagesAreLittleEndianAndReadBack) {
  const std::string ext_one("\0\0\0\0\0\0\0\x80\xff\x3f", 10);
  struct row { kels *s; std::string want; };
  const row rows[] = {
      {b2string(-2), "\xfe"}, {ub2string(200), "\xc8"}, {i2string(0x1234), "\x34\x12"},
      {ui2string(0xfffe), "\xfe\xff"}, {l2string(-2), "\xfe\xff\xff\xff"},
      {ul2string(0x01020304), std::string("\x04\x03\x02\x01")},
      {i642string(-1), std::string(8, '\xff')}, {ui642string(0x0102030405060708), "\x08\x07\x06\x05\x04\x03\x02\x01"},
      {s2string(1.0f), std::string("\0\0\x80\x3f", 4)}, {d2string(1.0), std::string("\0\0\0\0\0\0\xf0\x3f", 8)},
      {f2string(1.0L), ext_one + std::string(22, '\0')},
      {ubit2string(0xffff, 9), "\xff\x01"}, {bit2string(-1, 12), "\xff\x0f"},
      {bit2string(5, 1), "\x01"}, {ubit2string(UINT64_MAX, 64), std::string(8, '\xff')},
  };
  for (const row &r : rows) EXPECT_EQ(text(r.s), r.want);

  EXPECT_EQ(string2b(b2string(-2)), -2);
  EXPECT_EQ(string2ub(ub2string(200)), 200);
  EXPECT_EQ(string2i(i2string(-12345)), -12345);
  EXPECT_EQ(string2ui(ui2string(54321)), 54321);
  EXPECT_EQ(string2l(T("\xfe\xff\xff\xff")), -2);
  EXPECT_EQ(string2ul(l2string(-2)), 0xfffffffeu);
  EXPECT_EQ(string2i64(i642string(INT64_MIN)), INT64_MIN);
  EXPECT_EQ(string2ui64(ui642string(UINT64_MAX)), UINT64_MAX);
  EXPECT_EQ(string2s(s2string(-0.375f)), -0.375f);
  EXPECT_EQ(string2d(d2string(DBL_MAX)), DBL_MAX);
  EXPECT_EQ(string2f(f2string(1.0L / 3)), 1.0L / 3);
  EXPECT_EQ(string2d(T("\x01\x02\x03\x04\x05\x06\x07\x08 trailing")), string2d(T("\x01\x02\x03\x04\x05\x06\x07\x08")));
  EXPECT_EQ(take_error(), 0);
}

TEST_F(Numconv, BitFieldImagesSignExtendFromTheTopBit) {
  EXPECT_EQ(string2bit(T("\xff\x0f"), 12), -1);
  EXPECT_EQ(string2bit(T("\xff\x07"), 12), 2047);
  EXPECT_EQ(string2bit(T("\xff"), 12), 0);                // 12 bits need two bytes
  EXPECT_EQ(take_error(), 5);
  EXPECT_EQ(string2bit(bytes("\x00\x08", 2), 12), -2048);
  EXPECT_EQ(string2ubit(T("\xff\xff"), 12), 4095u);
  EXPECT_EQ(string2bit(T("\x01"), 1), -1);
  EXPECT_EQ(string2ubit(T("\x01"), 1), 1u);
  EXPECT_EQ(string2bit(i642string(-5), 64), -5);
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(string2bit(T("\x01"), 0), 0);
  EXPECT_EQ(take_error(), 5);
}

TEST_F(Numconv, ReadingFromAShortStringRaisesError5AndGivesZero) {
  const std::pair<const char *, std::function<double(kels *)>> rows[] = {
      {"CVI", [](kels *s) { return double(string2i(s)); }},
      {"CVL", [](kels *s) { return double(string2l(s)); }},
      {"CVS", [](kels *s) { return double(string2s(s)); }},
      {"CVD", [](kels *s) { return double(string2d(s)); }},
      {"CVF", [](kels *s) { return double(string2f(s)); }},      // needs all 32 bytes
      {"CVI64", [](kels *s) { return double(string2i64(s)); }},
      {"CVB", [](kels *s) { return double(string2b(s)); }},
  };
  const std::string short_text[] = {"\x01", "\x01\x02\x03", "\x01\x02\x03", "\x01\x02\x03\x04\x05\x06\x07",
                                    std::string(31, '\x01'), "\x01\x02\x03\x04\x05\x06\x07", ""};
  for (size_t i = 0; i < std::size(rows); i++) {
    EXPECT_EQ(rows[i].second(T(short_text[i].c_str())), 0) << rows[i].first;
    EXPECT_EQ(take_error(), 5) << rows[i].first;
  }
}

TEST_F(Numconv, RoundingForIntegerParametersTiesToEven) {
  const std::pair<long double, int64_t> rows[] = {
      {2.5L, 2}, {3.5L, 4}, {-2.5L, -2}, {-3.5L, -4}, {0.5L, 0}, {1.5L, 2}, {2.6L, 3},
      {-0.4L, 0}, {9223372036854775807.0L, INT64_MAX}, {1e30L, INT64_MIN},
  };
  for (const auto &[v, want] : rows) EXPECT_EQ(kelr(v), want) << double(v);
  EXPECT_EQ(kelr_float_to_long(2.5f), 2);
  EXPECT_EQ(kelr_float_to_long(-3.5f), -4);
  EXPECT_EQ(kelr_double_to_long(-2.5), -2);
  EXPECT_EQ(kelr_double_to_long(2147483647.0), INT32_MAX);
  EXPECT_EQ(kelr_double_to_long(2147483647.5), INT32_MIN);      // rounds to 2^31: out of range
  EXPECT_EQ(kelr_double_to_long(3e9), INT32_MIN);
  EXPECT_EQ(kelr_double_to_long(NAN), INT32_MIN);
  EXPECT_EQ(kelr_longdouble_to_uint64(2.5L), 2u);
  EXPECT_EQ(kelr_longdouble_to_uint64(9223372036854775809.0L), 9223372036854775809u);
  EXPECT_EQ(kelr_longdouble_to_uint64(18446744073709551615.0L), UINT64_MAX);
  EXPECT_EQ(kelr_longdouble_to_uint64(-1), UINT64_MAX);
}

TEST_F(Numconv, CintRoundsHalvesAwayFromZeroWithinIntegerRange) {
  struct row { double v; int16_t want; int err; };
  const row rows[] = {
      {2.5, 3, 0}, {-2.5, -3, 0}, {3.5, 4, 0}, {1.4, 1, 0}, {-1.6, -2, 0}, {0.49999999999999994, 0, 0},
      {32767.4, 32767, 0}, {-32768.4, -32768, 0}, {32767.5, 0, 6}, {-32768.5, 0, 6},
      {1e10, 0, 6}, {NAN, 0, 6},
  };
  for (const row &r : rows) {
    EXPECT_EQ(func_cint_double(r.v), r.want) << r.v;
    EXPECT_EQ(take_error(), r.err) << r.v;
  }
}

TEST_F(Numconv, ConversionsDoNothingWhileAnErrorIsPending) {
  new_error = 5;
  EXPECT_EQ(S(kels_str(1.5)), "");
  EXPECT_EQ(S(kels_str(int32_t(7))), "");
  EXPECT_EQ(func_val(T("12")), 0);
  EXPECT_EQ(func_cint_double(1e10), 0);
  EXPECT_EQ(S(func_hex_float(1e30L)), "");
  EXPECT_EQ(string2i(T("x")), 0);
  EXPECT_EQ(new_error, 5);
  take_error();
}

}  // namespace numconv_test
