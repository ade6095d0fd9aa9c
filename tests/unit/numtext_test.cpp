// Numbers as text: the browser build's portable path (runtime/platform/web/numtext.cpp, printf
// and strtod, the x87 image built from the value) gives exactly what the native one gives.
#include <gtest/gtest.h>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include "numtext.h"

namespace web {
#include "../../runtime/platform/web/numtext.cpp"
}

namespace numtext_test {

namespace {

std::vector<double> sample_doubles() {
  std::vector<double> v = {0.0, 1.0, 0.1, 1.0 / 3, 2.0 / 3, 0.5, 2.5, 1e20, 1e-20, 123456.789,
                           DBL_MAX, DBL_MIN, 4.9e-324, 9.999999e22, 0.125, 1e15 + 0.5};
  std::mt19937_64 rng(12345);
  for (int i = 0; i < 20000; i++) {
    uint64_t bits = rng() & 0x7FFFFFFFFFFFFFFFull;    // finite, not negative
    double d;
    std::memcpy(&d, &bits, 8);
    if (std::isfinite(d)) v.push_back(d);
    v.push_back((double)(float)std::ldexp((double)(rng() >> 11), -(int)(rng() % 80)));
  }
  return v;
}

TEST(Numtext, ScientificDigitsMatchForEveryPrecision) {
  for (double d : sample_doubles())
    for (int prec : {0, 6, 7, 15, 16}) {
      char a[40], b[40];
      int na = numtext_scientific(d, prec, a, sizeof a), nb = web::numtext_scientific(d, prec, b, sizeof b);
      ASSERT_EQ(std::string(a, na), std::string(b, nb)) << d << " prec " << prec;
    }
}

TEST(Numtext, ParsingMatchesInsideAndOutsideTheRange) {
  std::vector<std::string> texts = {"1.5E-3", "1E308", "1.8E308", "1E-320", "2E-324", "1E-400", "0E-400",
                                    "123456789012345678901234567890", "-7.25E+2", "4.9406564584124654E-324"};
  for (double d : sample_doubles()) {
    char t[40];
    std::snprintf(t, sizeof t, "%.17E", d);
    texts.push_back(t);
  }
  for (const std::string &t : texts) {
    double a = -1, b = -1;
    bool ra = numtext_parse(t.data(), t.data() + t.size(), a), rb = web::numtext_parse(t.data(), t.data() + t.size(), b);
    ASSERT_EQ(ra, rb) << t;
    ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << t << ": " << a << " " << b;
  }
}

TEST(Numtext, ExtendedImageIsTheX87Format) {
  std::vector<long double> values = {0.0L, -0.0L, 1.0L, -1.0L, 0.1L, 1.0L / 3, 1e4000L, -1e-4000L,
                                     LDBL_MAX, LDBL_MIN, LDBL_MIN / 1024, HUGE_VALL, -HUGE_VALL};
  std::mt19937_64 rng(7);
  for (int i = 0; i < 20000; i++)
    values.push_back(std::ldexp((long double)(rng() | 1) * (rng() & 1 ? 1 : -1), (int)(rng() % 600) - 300));
  for (long double v : values) {
    uint8_t a[10], b[10];
    numtext_ext_store(v, a);
    web::numtext_ext_store(v, b);
    ASSERT_EQ(std::memcmp(a, b, 10), 0) << (double)v;
    long double back = web::numtext_ext_load(a);
    ASSERT_TRUE(back == v || (std::isnan(back) && std::isnan(v))) << (double)v;
  }
  uint8_t nan[10];
  web::numtext_ext_store(NAN, nan);
  EXPECT_TRUE(std::isnan(numtext_ext_load(nan)));
}

}  // namespace

}  // namespace numtext_test
