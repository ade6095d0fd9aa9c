// The INPUT line editor: the per-item checker as a table, and whole lines typed into the
// key buffer by a feeder thread while kels_input runs.
#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>
#include "script.h"
#include "test_support.h"

namespace input_test {

namespace {

using namespace std::chrono_literals;
using clk = std::chrono::steady_clock;

constexpr uint32_t U = input_type_unsigned, F = input_type_float;
constexpr uint32_t I8 = 8, I16 = 16, I32 = 32, I64 = 64, U8 = 8 | U, U16 = 16 | U, U32 = 32 | U, U64 = 64 | U;
constexpr uint32_t SNG = 32 | F, DBL = 64 | F, STR = input_type_string;
constexpr uint32_t LINE = input_type_string | input_type_line;

class Input : public ::testing::Test {
 protected:
  void SetUp() override {
    kel_test_reset();
    keyboard_init();
    autodisplay = 1;
    base = kels_tmp_list_nexti;
  }
  void TearDown() override {
    stop_program = 0;
    kels_cleanup(base, 0);
  }
  uint32_t base = 0;
};

void var(int i, uint32_t type, void *p) {
  kels_input_variabletypes[i] = type;
  kels_input_variableoffsets[i] = p;
}

// Runs kels_input while a thread types keys as the 15-key buffer frees up. A line that
// never ends is stopped at a deadline and reported as false.
bool run_input(const std::string &keys, int count = 1, int nl = 0) {
  std::atomic<bool> done{false}, timed_out{false};
  std::thread feeder([&] {
    auto deadline = clk::now() + 20s;
    size_t i = 0;
    while (!done) {
      if (i < keys.size() && keybuf_put((uint8_t)keys[i], 0)) { i++; continue; }
      if (clk::now() > deadline) { timed_out = true; stop_program = 1; return; }
      std::this_thread::sleep_for(1ms);
    }
  });
  kels_input(count, nl);
  done = true;
  feeder.join();
  return !timed_out;
}

// Row r (1-based) of the SCREEN 0 output page, trailing blanks removed.
std::string row_text(int r) {
  std::string s;
  for (int x = 0; x < write_page->width; x++) s += (char)write_page->pixels[((r - 1) * write_page->width + x) * 2];
  return s.substr(0, s.find_last_not_of(' ') + 1);
}

std::vector<uint8_t> page_copy() {
  img_struct *p = write_page;
  return std::vector<uint8_t>(p->pixels, p->pixels + (size_t)p->width * p->height * p->bytes_per_pixel);
}

int images_in_use() {
  int n = 0;
  for (uint32_t i = 0; i < nextimg; i++) n += img[i].in_use;
  return n;
}

// ---------------------------------------------------------------- the item checker

TEST(InputCheck, IntegerItemsRespectWidthSignAndForm) {
  struct row { uint32_t type; const char *text; bool ok; uint64_t pattern; };
  const row rows[] = {
      {I16, "32767", true, 32767},        {I16, "32768", false, 0},
      {I16, "-32768", true, 0x8000},      {I16, "-32769", false, 0},
      {I16, "40000", false, 0},           {I16, "4a", false, 0},
      {I16, "4.5", false, 0},             {I16, "04", false, 0},
      {I16, "0", true, 0},                {I16, "-", true, 0},
      {I16, "", true, 0},                 {I16, "-0", true, 0},
      {I16, "-05", false, 0},             {I16, "+5", false, 0},
      {I16, "&HFFFF", true, 0xFFFF},      {I16, "&hffff", true, 0xFFFF},
      {I16, "&H10000", false, 0},         {I16, "&H0FFFF", false, 0},
      {I16, "&O177777", true, 0xFFFF},    {I16, "&O200000", false, 0},
      {I16, "&", true, 0},                {I16, "&H", true, 0},
      {I16, "&X1", false, 0},             {I16, "&HG", false, 0},
      {U16, "65535", true, 0xFFFF},       {U16, "65536", false, 0},
      {U16, "-1", false, 0},              {U16, "-", false, 0},
      {I8, "127", true, 127},             {I8, "128", false, 0},
      {I8, "-128", true, 0x80},           {I8, "-129", false, 0},
      {I8, "&HFF", true, 0xFF},           {I8, "&H100", false, 0},
      {U8, "255", true, 255},             {U8, "256", false, 0},
      {I32, "2147483647", true, 0x7FFFFFFF}, {I32, "2147483648", false, 0},
      {I32, "-2147483648", true, 0x80000000}, {I32, "-2147483649", false, 0},
      {I32, "&HFFFFFFFF", true, 0xFFFFFFFF}, {I32, "&O37777777777", true, 0xFFFFFFFF},
      {U32, "4294967295", true, 0xFFFFFFFF}, {U32, "4294967296", false, 0},
      {I64, "9223372036854775807", true, 0x7FFFFFFFFFFFFFFF},
      {I64, "9223372036854775808", false, 0},
      {I64, "-9223372036854775808", true, 0x8000000000000000},
      {I64, "-9223372036854775809", false, 0},
      {I64, "&HFFFFFFFFFFFFFFFF", true, ~0ull}, {I64, "&H1FFFFFFFFFFFFFFFF", false, 0},
      {I64, "&O1777777777777777777777", true, ~0ull},
      {I64, "&O2000000000000000000000", false, 0},
      {U64, "18446744073709551615", true, ~0ull}, {U64, "18446744073709551616", false, 0},
      {U64, "99999999999999999999", false, 0},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(std::string(r.text) + " as type " + std::to_string(r.type));
    uint64_t mem = 0xAAAAAAAAAAAAAAAAull;            // bytes beyond the width must stay
    EXPECT_EQ(input_check_item(r.type, r.text, (int32_t)std::strlen(r.text), &mem), r.ok);
    uint32_t bits = r.type & input_type_bits;
    uint64_t mask = bits == 64 ? ~0ull : (1ull << bits) - 1;
    uint64_t want = r.ok ? (r.pattern & mask) | (0xAAAAAAAAAAAAAAAAull & ~mask) : 0xAAAAAAAAAAAAAAAAull;
    EXPECT_EQ(mem, want);
  }
}

TEST(InputCheck, FloatItemsRespectFormDigitsAndRange) {
  const double tiny = std::nan("");                 // the smallest values: present, not exact
  struct row { uint32_t type; const char *text; bool ok; double value; };
  const row rows[] = {
      {SNG, "1.5", true, 1.5},      {SNG, "-", true, 0},         {SNG, "1.", true, 1},
      {SNG, "1E", true, 1},         {SNG, "1E-", true, 1},       {SNG, ".", true, 0},
      {SNG, "-.5", true, -0.5},     {SNG, "1e3", true, 1000},    {SNG, "2E+2", true, 200},
      {SNG, "1D3", false, 0},       {SNG, "1d3", false, 0},      {SNG, "05", false, 0},
      {SNG, "0.5", true, 0.5},      {SNG, "0E1", false, 0},      {SNG, "E5", false, 0},
      {SNG, "1.2.3", false, 0},     {SNG, "1E5E", false, 0},     {SNG, "1x", false, 0},
      {SNG, "3E38", true, 3e38},    {SNG, "3.402823E38", true, 3.402823e38},
      {SNG, "3.402824E38", false, 0}, {SNG, "-3.402824E38", false, 0},
      {SNG, "4E38", false, 0},      {SNG, "1E39", false, 0},
      {SNG, "3.4028236E38", false, 0},   // rounds past the largest single
      {SNG, "1.401298E-45", true, tiny},   {SNG, "1.401297E-45", false, 0},
      {SNG, "1E-45", false, 0},     {SNG, "1E-46", false, 0},
      {SNG, "1.2345678", true, 1.2345678},   {SNG, "1.23456789", false, 0},
      {SNG, "0.12345678", true, 0.12345678}, {SNG, "0.123456789", false, 0},
      {SNG, "0.0000012345678", true, 0.0000012345678},
      {SNG, "12345678.", true, 12345678},    {SNG, "123456789.", false, 0},
      {SNG, "123456789", true, 123456789},
      {SNG, "0.0E99999", true, 0},
      {DBL, "1D308", true, 1e308},  {DBL, "1d2", true, 100},
      {DBL, "1.7976931D308", true, 1.7976931e308}, {DBL, "1.7976932D308", false, 0},
      {DBL, "2E308", false, 0},     {DBL, "4.940656E-324", true, tiny},
      {DBL, "4.940655E-324", false, 0},
      {DBL, "1.234567890123456", true, 1.234567890123456},
      {DBL, "1.2345678901234567", false, 0},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(std::string(r.text) + " as type " + std::to_string(r.type));
    double d = 99;
    float f = 99;
    void *p = (r.type & input_type_bits) == 32 ? (void *)&f : (void *)&d;
    ASSERT_EQ(input_check_item(r.type, r.text, (int32_t)std::strlen(r.text), p), r.ok);
    double got = (r.type & input_type_bits) == 32 ? (double)f : d;
    if (!r.ok) EXPECT_EQ(got, 99);
    else if (std::isnan(r.value)) EXPECT_GT(got, 0);
    else if ((r.type & input_type_bits) == 32) EXPECT_EQ(f, (float)r.value);
    else EXPECT_EQ(d, r.value);
  }
}

TEST(InputCheck, StringsFixedLengthAndValidateOnly) {
  kel_test_reset();
  uint8_t buf[5];
  kels *fixed = kels_new_fixed(buf, 5, 0);
  EXPECT_TRUE(input_check_item(STR, "ab", 2, fixed));
  EXPECT_EQ(S(fixed), "ab   ");
  EXPECT_TRUE(input_check_item(STR, "abcde", 5, fixed));
  EXPECT_FALSE(input_check_item(STR, "abcdef", 6, fixed));
  EXPECT_EQ(S(fixed), "abcde");
  kels *v = kels_new(0, 0);
  EXPECT_TRUE(input_check_item(STR, "a,\"b", 4, v));
  EXPECT_EQ(S(v), "a,\"b");
  kels_free(v);
  kels_free(fixed);

  int16_t n = 7;
  EXPECT_TRUE(input_check_item(I16 | input_type_nostore, "123", 3, &n));
  EXPECT_FALSE(input_check_item(I16 | input_type_nostore, "40000", 5, &n));
  EXPECT_EQ(n, 7);
}

// ---------------------------------------------------------------- whole lines

TEST_F(Input, Integer16RefusesKeysAsTheyAreTyped) {
  struct row { const char *keys; int16_t value; const char *shown; };
  const row rows[] = {
      {"40000\r", 4000, "4000"},      {"-32768\r", -32768, "-32768"},
      {"-32769\r", -3276, "-3276"},   {"1a.2\r", 12, "12"},
      {"01\r", 0, "0"},               {"&HFFFF\r", -1, "&HFFFF"},
      {"\r", 0, ""},                  {"12\b3\r", 13, "13"},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.keys);
    kel_test_reset();
    int16_t v = 555;
    var(1, I16, &v);
    ASSERT_TRUE(run_input(r.keys));
    EXPECT_EQ(v, r.value);
    EXPECT_EQ(row_text(1), r.shown);
  }
}

TEST_F(Input, CommasAndQuotesSplitItems) {
  struct row { const char *keys; uint32_t type; const char *value; };
  const row rows[] = {
      {"yes, sir\r", STR, "yes sir"},
      {"\"yes, sir\"\r", STR, "yes, sir"},
      {"\"ab\"c\r", STR, "ab"},
      {"a\"b\r", STR, "a\"b"},
      {"a, \"b\"\r", LINE, "a, \"b\""},
      {"\"q\r", LINE, "\"q"},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.keys);
    kel_test_reset();
    kels *s = kels_new(0, 0);
    var(1, r.type, s);
    ASSERT_TRUE(run_input(r.keys));
    EXPECT_EQ(S(s), r.value);
    kels_free(s);
  }
}

TEST_F(Input, SeveralVariablesTakeTheirItems) {
  int16_t a = 9;
  kels *s = kels_new(0, 0);
  var(1, I16, &a);
  var(2, STR, s);
  ASSERT_TRUE(run_input("12,\"x,y\"\r", 2));
  EXPECT_EQ(a, 12);
  EXPECT_EQ(S(s), "x,y");

  ASSERT_TRUE(run_input("1,2,3\r", 2));             // no third variable for a third item
  EXPECT_EQ(a, 1);
  EXPECT_EQ(S(s), "23");

  int16_t b = 9;
  var(2, I16, &b);
  ASSERT_TRUE(run_input("5,7\b\b9\r", 2));          // back over the comma: one item again
  EXPECT_EQ(a, 59);
  EXPECT_EQ(b, 0);
  kels_free(s);
}

TEST_F(Input, TabAndLengthLimit) {
  kels *s = kels_new(0, 0);
  var(1, STR, s);
  ASSERT_TRUE(run_input("abc\td\r"));
  EXPECT_EQ(S(s), "abc     d");
  ASSERT_TRUE(run_input("\tx\r"));
  EXPECT_EQ(S(s), "        x");

  kel_test_reset();
  ASSERT_TRUE(run_input(std::string(255, 'x') + "y\r"));
  EXPECT_EQ(S(s), std::string(255, 'x'));
  EXPECT_EQ(write_page->cursor_y, 4);                 // 255 characters fill rows 1-4 only
  EXPECT_EQ(write_page->cursor_x, 256 - 3 * 80);
  kels_free(s);
}

TEST_F(Input, BackspaceAfterWrapAndScrollRestoresTextPage) {
  for (int r = 1; r <= 24; r++) {
    std::string line = "line " + std::to_string(r) + std::string(70, (char)('a' + r % 26));
    kels_print(T(line.c_str()), 1);
  }
  kelg_sub_locate(24, 75, 0, 0, 0, 3);
  std::vector<uint8_t> before = page_copy();
  kels *s = kels_new(0, 0);
  var(1, STR, s);
  ASSERT_TRUE(run_input("abcdefghij" + std::string(10, '\b') + "\r"));
  EXPECT_EQ(S(s), "");
  EXPECT_TRUE(page_copy() == before);
  EXPECT_EQ(write_page->cursor_x, 75);
  EXPECT_EQ(write_page->cursor_y, 24);

  ASSERT_TRUE(run_input("abcdefghij\b\r"));        // the same line kept: the page scrolled
  EXPECT_EQ(S(s), "abcdefghi");
  EXPECT_EQ(row_text(22).substr(0, 7), "line 24");
  EXPECT_EQ(row_text(23), std::string(74, ' ') + "abcdef");
  EXPECT_EQ(row_text(24), "ghi");
  kels_free(s);
}

TEST_F(Input, BackspaceAfterWrapAndScrollRestoresGraphicsPage) {
  kelg_screen(13, 0, 0, 0, 0, 1);
  for (int r = 1; r <= 24; r++) {
    std::string line = std::to_string(r) + std::string(35, (char)('A' + r % 26));
    kels_print(T(line.c_str()), 1);
  }
  kelg_sub_locate(24, 36, 0, 0, 0, 3);
  std::vector<uint8_t> before = page_copy();
  int in_use = images_in_use();
  int16_t v = 3;
  var(1, I16, &v);
  ASSERT_TRUE(run_input("1234567" + std::string(7, '\b') + "\r"));
  EXPECT_EQ(v, 0);
  EXPECT_TRUE(page_copy() == before);
  EXPECT_EQ(write_page->cursor_x, 36);
  EXPECT_EQ(write_page->cursor_y, 24);
  EXPECT_EQ(images_in_use(), in_use);               // snapshot and work image released
}

TEST_F(Input, GraphicsCursorIsDrawnWhileWaitingAndRemoved) {
  kelg_screen(13, 0, 0, 0, 0, 1);
  int16_t v = 0;
  var(1, I16, &v);
  std::atomic<bool> saw_cursor{false};
  std::thread feeder([&] {
    auto deadline = clk::now() + 10s;
    auto cell_lit = [] {
      display_page_reader looking;           // watches the page as the display does
      for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++)
          if (cmem[cmem_vga + y * 320 + x] != 15) return false;
      return true;
    };
    while (!cell_lit() && clk::now() < deadline) std::this_thread::sleep_for(1ms);
    saw_cursor = cell_lit();
    keybuf_put('\r', 0);
  });
  kels_input(1, 0);
  feeder.join();
  EXPECT_TRUE(saw_cursor);
  for (int i = 0; i < 64000; i++) ASSERT_EQ(cmem[cmem_vga + i], 0) << "pixel " << i;
}

TEST_F(Input, StopRequestEndsTheCallAtOnce) {
  int16_t v = 77;
  var(1, I16, &v);
  int in_use = images_in_use();
  stop_program = 1;
  keybuf_put('1', 0);
  keybuf_put('\r', 0);
  kels_input(1, 1);
  EXPECT_EQ(v, 0);                                    // cleared, nothing typed
  EXPECT_EQ(write_page->cursor_y, 1);                 // no line end printed
  stop_program = 0;
  keyboard_init();

  // While waiting: the value typed so far stays.
  std::thread stopper([&] {
    keybuf_put('1', 0);
    keybuf_put('2', 0);
    auto deadline = clk::now() + 10s;
    auto stored = [&] {
      display_page_reader looking;           // watches the editor's work from outside
      return v == 12;
    };
    while ((!stored() || !keybuf_empty()) && clk::now() < deadline) std::this_thread::sleep_for(1ms);
    stop_program = 1;
  });
  kels_input(1, 1);
  stopper.join();
  EXPECT_EQ(v, 12);
  EXPECT_EQ(autodisplay.load(), 1);
  EXPECT_EQ(images_in_use(), in_use);
}

// Refresh is on while typing; when the line is done, it goes off again with the finished line
// handed over as one frame, without waiting for the display.
TEST_F(Input, AutodisplayOnWhileTypingAndRestoredWithOneFrame) {
  int16_t v = 0;
  var(1, I16, &v);
  autodisplay = 0;
  display_forget_frames();
  uint32_t handed = display_frames_handed();
  std::atomic<bool> on_while_typing{false};
  std::thread typist([&] {
    auto deadline = clk::now() + 10s;
    while (autodisplay.load() != 1 && clk::now() < deadline) std::this_thread::sleep_for(1ms);
    on_while_typing = autodisplay.load() == 1;
    keybuf_put('5', 0);
    keybuf_put('\r', 0);
  });
  kels_input(1, 1);
  typist.join();
  EXPECT_TRUE(on_while_typing);
  EXPECT_EQ(autodisplay.load(), 0);
  EXPECT_EQ(display_frames_handed(), handed + 1);
  EXPECT_EQ(v, 5);
  EXPECT_EQ(write_page->cursor_y, 2);                 // newline moved to the next line
  kels_print(T("later"), 1);
  auto lines = screen_text_lines();                   // the frame: the typed line, no more
  ASSERT_GE(lines.size(), 2u);
  EXPECT_NE(lines[0].find('5'), std::string::npos);
  EXPECT_EQ(lines[1].find("later"), std::string::npos);
  autodisplay = 1;
}

}  // namespace

}  // namespace input_test
