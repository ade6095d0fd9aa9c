// What translated programs stand on: arrays with bounds, REDIM and ERASE, DATA and READ,
// string parameters and locals, RESUME, and fields passed by reference.
#include <gtest/gtest.h>
#include "program.h"
#include "test_support.h"

namespace program_test {

namespace {

kb_arr numbers(uint32_t esize = 2) { return kb_arr{nullptr, esize, kb_raw, 0, {}, {}, 0}; }

}  // namespace

TEST(ProgramArrays, BoundsSubscriptsAndErrors) {
  kel_test_reset();
  kb_arr a = numbers();
  kb_dim(a, {-5, 1}, {5, 3});
  ASSERT_EQ(new_error, 0);
  *kb_at<int16_t>(a, -5, 1) = 7;
  *kb_at<int16_t>(a, 5, 3) = 9;
  EXPECT_EQ(*kb_at<int16_t>(a, -5, 1), 7);
  EXPECT_EQ(a.data[(10 * 3 + 2) * 2], 9);            // the last element, row by row
  EXPECT_EQ(kb_lbound(a, 1, 1), -5);
  EXPECT_EQ(kb_ubound(a, 2, 1), 3);
  EXPECT_EQ(kb_lbound(a, 0, 0), -5);                  // no dimension given: the first
  struct { int32_t i, j; } outside[] = {{6, 1}, {-6, 1}, {0, 0}, {0, 4}};
  for (auto &o : outside) {
    new_error = 0;
    *kb_at<int16_t>(a, o.i, o.j) = 1;                 // lands in scratch storage
    EXPECT_EQ(new_error, 9) << o.i << "," << o.j;
  }
  new_error = 0;
  kb_ubound(a, 3, 1);
  EXPECT_EQ(new_error, 9);
  new_error = 0;
  kb_dim(a, {0}, {1});                                // dimensioned twice
  EXPECT_EQ(new_error, 10);
  new_error = 0;
  kb_arr b = numbers();
  *kb_at<int16_t>(b, 10) = 3;                         // first use: 0 TO 10
  EXPECT_EQ(kb_ubound(b, 1, 1), 10);
  kb_arr c = numbers();
  kb_dim(c, {5}, {4});
  EXPECT_EQ(new_error, 9);
  new_error = 0;
  kb_free_arr(a);
  kb_free_arr(b);
}

TEST(ProgramArrays, EraseClearsStaticAndFreesDynamicRedimPreserveKeepsOverlap) {
  kel_test_reset();
  kb_arr s{nullptr, sizeof(kels *), kb_strings, 0, {}, {}, 0};
  kb_dim(s, {1}, {3});
  kels_set(*kb_at<kels *>(s, 2), T("two"));
  kb_erase(s);                                        // static: kept, emptied
  ASSERT_NE(s.data, nullptr);
  EXPECT_EQ(S(*kb_at<kels *>(s, 2)), "");
  kels_set(*kb_at<kels *>(s, 1), T("one"));
  kels_set(*kb_at<kels *>(s, 3), T("three"));
  kb_redim(s, true, {0}, {1});                        // REDIM PRESERVE: 0 and 1 remain
  EXPECT_EQ(S(*kb_at<kels *>(s, 1)), "one");
  EXPECT_EQ(S(*kb_at<kels *>(s, 0)), "");
  kb_redim(s, true, {1}, {5});
  EXPECT_EQ(S(*kb_at<kels *>(s, 1)), "one");
  EXPECT_EQ(kb_ubound(s, 1, 1), 5);
  kb_erase(s);                                        // REDIM made it dynamic: gone
  EXPECT_EQ(s.data, nullptr);

  kb_arr m = numbers(4);
  kb_redim(m, false, {0, 0}, {2, 3});
  for (int i = 0; i <= 2; i++)
    for (int j = 0; j <= 3; j++) *kb_at<int32_t>(m, i, j) = i * 10 + j;
  kb_redim(m, true, {0, 0}, {2, 5});                  // only the last dimension may change
  EXPECT_EQ(new_error, 0);
  EXPECT_EQ(*kb_at<int32_t>(m, 2, 3), 23);
  EXPECT_EQ(*kb_at<int32_t>(m, 1, 5), 0);
  kb_redim(m, true, {0, 0}, {3, 5});
  EXPECT_EQ(new_error, 9);
  new_error = 0;
  kb_free_arr(m);

  kb_arr f{nullptr, 4, kb_fixed, 0, {}, {}, 0};       // fixed-length strings start blank
  kb_dim(f, {1}, {2});
  EXPECT_EQ(std::string((char *)f.data, 8), "        ");
  kb_free_arr(f);
}

TEST(ProgramData, ItemsReadAsNumbersAndStrings) {
  kel_test_reset();
  static const kb_data_item items[] = {
      {"12", 2, 0}, {" -3.5 ", 6, 0}, {"&HFF", 4, 0}, {"1E3", 3, 0}, {"", 0, 0},
      {"apple", 5, 0}, {"7", 1, 1}, {"hi, there", 9, 1}, {"12abc", 5, 0},
  };
  kb_data_table(items, sizeof items / sizeof items[0]);
  EXPECT_EQ(kb_read<int16_t>(), 12);
  EXPECT_FLOAT_EQ(kb_read<float>(), -3.5f);
  EXPECT_EQ(kb_read<int32_t>(), 255);
  EXPECT_DOUBLE_EQ(kb_read<double>(), 1000.0);
  EXPECT_EQ(kb_read<int16_t>(), 0);                   // an empty item reads as 0
  EXPECT_EQ(new_error, 0);
  kb_read<float>();                                   // a word into a number
  EXPECT_EQ(new_error, 13);
  new_error = 0;
  kb_read<float>();                                   // a quoted item into a number
  EXPECT_EQ(new_error, 13);
  new_error = 0;
  kels *s = kels_new(0, 0);
  kb_read_string(s);
  EXPECT_EQ(S(s), "hi, there");
  kb_read<int16_t>();
  EXPECT_EQ(new_error, 13);
  new_error = 0;
  kb_read_string(s);                                  // past the end
  EXPECT_EQ(new_error, 4);
  new_error = 0;
  kb_restore(5);
  kb_read_string(s);
  EXPECT_EQ(S(s), "apple");
  kels_free(s);
  kb_data_table(nullptr, 0);
}

TEST(ProgramLocals, StringParametersAliasVariablesAndCopyTemporaries) {
  kel_test_reset();
  kels *var = kels_new(0, 0);
  kels_set(var, T("caller"));
  {
    kb_param_str p(var);                              // by reference: the same string
    kels_set(p, T("changed"));
  }
  EXPECT_EQ(S(var), "changed");
  kels *copy = kb_result(var);                        // what a call passes for (V$) or V$ + ""
  {
    kb_param_str p(copy);                             // a temporary: the callee's own string
    kb_print_raw(p);                                  // a statement consuming it leaves it intact
    EXPECT_EQ(S(p), "changed");
    kels_set(p, T("xyz"));
    EXPECT_EQ(S(p), "xyz");
  }
  EXPECT_EQ(S(var), "changed");
  {
    kb_local_str l;
    EXPECT_EQ(S(l), "");
  }
  kels_free(var);
  kels_cleanup(0, 0);
}

TEST(ProgramLocals, FieldsPassedByReferenceAreWrittenBackAndResumeNeedsAnError) {
  kel_test_reset();
  uint8_t record[7] = {};
  kb_put<int32_t>(record + 3, 41);                    // a packed field at an odd offset
  auto add_one = [](int32_t *v) { ++*v; };
  add_one(kb_cico<int32_t>(record + 3).p());
  EXPECT_EQ(kb_get<int32_t>(record + 3), 42);
  auto twice = [](int16_t *v) { return *v * 2; };
  EXPECT_EQ(twice(kb_val<int16_t>{21}.p()), 42);

  error_handling = 0;
  EXPECT_EQ(kb_resume(1), 0);                         // RESUME without an error
  EXPECT_EQ(new_error, 20);
  new_error = 0;
  error_handling = 1;
  EXPECT_EQ(kb_resume(0), 1);                         // RESUME: the statement again
  EXPECT_EQ(error_retry, 1);
  EXPECT_EQ(error_handling, 0);
  error_retry = 0;
}

TEST(ProgramFunctions, DateTimeEnvironAndByteImages) {
  kel_test_reset();
  std::string d = S(func_date()), t = S(func_time());
  ASSERT_EQ(d.size(), 10u);
  EXPECT_TRUE(d[2] == '-' && d[5] == '-') << d;
  ASSERT_EQ(t.size(), 8u);
  EXPECT_TRUE(t[2] == ':' && t[5] == ':') << t;
  setenv("KEL_TEST_ENV", "value", 1);
  EXPECT_EQ(S(func_environ(T("KEL_TEST_ENV"))), "value");
  EXPECT_EQ(S(func_environ(T("KEL_NO_SUCH_VARIABLE"))), "");
  unsetenv("KEL_TEST_ENV");
  EXPECT_EQ(kb_cv<int16_t>(kb_mk<int16_t>(-300)), -300);
  EXPECT_EQ(kb_cv<int32_t>(kb_mk<int32_t>(70000)), 70000);
  EXPECT_DOUBLE_EQ(kb_cv<double>(kb_mk<double>(1.5)), 1.5);
  EXPECT_EQ(S(kb_mk<int16_t>(0x4241)), "AB");          // the bytes low first
  EXPECT_EQ(kb_cv<int32_t>(T("abc")), 0);               // too short
  EXPECT_EQ(new_error, 5);
  new_error = 0;
  kels_cleanup(0, 0);
}

// MBF: exponent (bias 129) last, the sign in the high bit of the byte before it, the mantissa
// below its hidden 1 lowest byte first; zero is all zeros.
TEST(ProgramFunctions, MicrosoftBinaryFormatBytesAndRoundTrips) {
  kel_test_reset();
  auto bytes = [](kels *s) {
    std::string o;
    char b[4];
    for (uint32_t i = 0; i < s->len; i++) std::snprintf(b, sizeof b, "%02X", s->text[i]), o += (i ? " " : "") + std::string(b);
    return o;
  };
  EXPECT_EQ(bytes(func_mksmbf(1.0f)), "00 00 00 81");
  EXPECT_EQ(bytes(func_mksmbf(-1.0f)), "00 00 80 81");
  EXPECT_EQ(bytes(func_mksmbf(0.1f)), "CD CC 4C 7D");
  EXPECT_EQ(bytes(func_mksmbf(0.0f)), "00 00 00 00");
  EXPECT_EQ(bytes(func_mkdmbf(-10.0)), "00 00 00 00 00 00 A0 84");
  EXPECT_EQ(bytes(func_mkdmbf(0.1)), "D0 CC CC CC CC CC 4C 7D");   // 0.1's 52 bits, moved up by 3
  EXPECT_EQ(bytes(func_mkdmbf(1e-60)), "00 00 00 00 00 00 00 00");  // below the format: zero
  for (float v : {1.0f, -2.5f, 3.14159f, 1e-30f, 1.7e38f, -123456.7f})
    EXPECT_EQ(func_cvsmbf(func_mksmbf(v)), v) << v;
  for (double v : {1.0, -2.5, 3.141592653589793, 1e-30, 1.7e38, 0.1})
    EXPECT_EQ(func_cvdmbf(func_mkdmbf(v)), v) << v;
  EXPECT_EQ(new_error, 0);
  func_mksmbf(2e38f);                                   // beyond the format's 2^127
  EXPECT_EQ(new_error, 6);
  new_error = 0;
  func_mkdmbf(1e39);
  EXPECT_EQ(new_error, 6);
  new_error = 0;
  func_cvdmbf(T("1234567"));                            // too short
  EXPECT_EQ(new_error, 5);
  new_error = 0;
  kels_cleanup(0, 0);
}

// DATE$ = and TIME$ = move the program's clock only; a malformed text is error 5 and changes
// nothing.
TEST(ProgramFunctions, SettingDateAndTimeMovesTheProgramsClock) {
  kel_test_reset();
  struct { const char *text; bool ok; const char *shown; } dates[] = {
      {"12-25-2031", true, "12-25-2031"}, {"02/29/2000", true, "02-29-2000"}, {"1-2-99", true, "01-02-1999"},
      {"03-04-05", true, "03-04-2005"},   {"02-29-2100", false, ""},          {"02-29-2023", false, ""},
      {"13-01-2020", false, ""},          {"12-25-1979", false, ""},          {"12-25", false, ""},
      {"12-25/2020", false, ""},          {"12-25-20201", false, ""},        {"", false, ""},
  };
  for (auto &c : dates) {
    std::string before = S(func_date());
    kb_set_date(T(c.text));
    EXPECT_EQ(new_error, c.ok ? 0 : 5) << c.text;
    new_error = 0;
    EXPECT_EQ(S(func_date()), c.ok ? std::string(c.shown) : before) << c.text;
  }
  kb_set_time(T("10:00"));
  EXPECT_EQ(S(func_time()).substr(0, 5), "10:00");
  EXPECT_NEAR(func_timer(0, 0), 36000.0, 60.0);
  for (const char *bad : {"24:00", "10:60", "10:00:60", "10:", "ab", "1:2:3:4", ""}) {
    kb_set_time(T(bad));
    EXPECT_EQ(new_error, 5) << bad;
    new_error = 0;
  }
  EXPECT_EQ(S(func_time()).substr(0, 5), "10:00");
  kb_date_offset_days = 0;
  timing_time_offset_ms = 0;
  kels_cleanup(0, 0);
}

TEST(ProgramFunctions, EnvironSetsAndRemovesVariables) {
  kel_test_reset();
  sub_environ(T("KEL_TEST_SET=a=b c"));
  EXPECT_EQ(S(func_environ(T("KEL_TEST_SET"))), "a=b c");
  sub_environ(T("KEL_TEST_SET="));
  EXPECT_EQ(std::getenv("KEL_TEST_SET"), nullptr);
  for (const char *bad : {"NOEQUALS", "=value", " =x"}) {
    sub_environ(T(bad));
    EXPECT_EQ(new_error, 5) << bad;
    new_error = 0;
  }
  kels_cleanup(0, 0);
}

}  // namespace program_test
