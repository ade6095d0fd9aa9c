// Unit tests for DRAW: the number reader and variable references, movements with the aspect
// factor, scale and rotation, B and N, M, C, P, X substrings, errors and one golden figure.
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include "golden.h"
#include "test_support.h"

namespace draw_test {

namespace {

void draw(const std::string &s) { sub_draw(kels_tmp_from(s.data(), (uint32_t)s.size())); }

// The three bytes of a reference, as a DRAW string piece.
std::string ref(uint8_t type, uint16_t offset) {
  kels *k = func_varptr_helper(type, offset);
  return std::string((const char *)k->text, k->len);
}

// A string variable living in the data block; X reaches it through its descriptor.
kels *string_var(const std::string &text) {
  kels *v = kels_new_cmem(0, 0);
  kels_set(v, kels_tmp_from(text.data(), (uint32_t)text.size()));
  return v;
}
std::string x_of(const kels *v) { return "X" + ref(3, v->cmem_descriptor_offset); }

void expect_cursor(float x, float y) {
  EXPECT_FLOAT_EQ(write_page->graphics_x, x);
  EXPECT_FLOAT_EQ(write_page->graphics_y, y);
}

// Lit pixels of the colour within rows y1..y2, columns x1..x2.
int lit(int colour, int x1, int y1, int x2, int y2) {
  int n = 0;
  for (int y = y1; y <= y2; y++)
    for (int x = x1; x <= x2; x++) n += page_pixel(x, y) == colour;
  return n;
}

}  // namespace

TEST(Draw, NumberReaderSignsPointsAndBlanks) {
  struct { const char *s; double value; int invalid, undefined; uint32_t pos; } cases[] = {
    {"12", 12, 0, 0, 2},
    {"1 2", 12, 0, 0, 3},           // blanks between digits
    {" \t7", 7, 0, 0, 3},
    {"--5", 5, 0, 0, 3},
    {"+-5", -5, 0, 0, 3},
    {"12.5", 12.5, 0, 0, 4},
    {".5", 0.5, 0, 0, 2},
    {"-.25", -0.25, 0, 0, 4},
    {"12.", 12, 1, 0, 3},           // a point after digits needs a further digit
    {"5-3", 5, 0, 0, 1},            // a sign after a digit ends the number, unconsumed
    {"1.2.3", 1.2, 0, 0, 3},        // a second point ends it
    {"", 0, 0, 1, 0},
    {"R5", 0, 0, 1, 0},
    {"-", 0, 1, 1, 1},
    {"3=", 0, 1, 0, 1},             // "=" only as the first thing
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.s);
    draw_text = (const uint8_t *)c.s;
    draw_len = (uint32_t)std::strlen(c.s);
    draw_pos = 0;
    double v = draw_num();
    EXPECT_EQ(draw_num_invalid, c.invalid);
    EXPECT_EQ(draw_num_undefined, c.undefined);
    EXPECT_EQ(draw_pos, c.pos);
    if (!c.invalid || c.value) {
      EXPECT_DOUBLE_EQ(v, c.value);
    }
  }
}

TEST(Draw, VariableReferencesReadEveryTypeFromTheDataBlock) {
  kel_test_reset();
  uint8_t *p = dblock + 64;   // a scratch spot below the string area
  auto put = [&](auto v) { std::memset(p, 0, 16); std::memcpy(p, &v, sizeof v); };
  uint8_t ext3[10] = {0, 0, 0, 0, 0, 0, 0, 0xC0, 0x00, 0x40};           // 3.0 as 80-bit
  uint8_t ext_neg_half[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0xBF};   // -0.5
  struct { uint8_t type; std::function<void()> store; double want; } cases[] = {
    {1, [&] { put(int8_t(-5)); }, -5},
    {129, [&] { put(uint8_t(250)); }, 250},
    {2, [&] { put(int16_t(-300)); }, -300},
    {130, [&] { put(uint16_t(60000)); }, 60000},
    {20, [&] { put(int32_t(-70000)); }, -70000},
    {148, [&] { put(uint32_t(3000000000u)); }, 3000000000.0},
    {5, [&] { put(int64_t(-5000000000000LL)); }, -5000000000000.0},
    {133, [&] { put(uint64_t(1) << 60); }, std::ldexp(1.0, 60)},
    {4, [&] { put(2.5f); }, 2.5},
    {8, [&] { put(-1.25); }, -1.25},
    {6, [&] { std::memcpy(p, ext3, 10); }, 3.0},
    {6, [&] { std::memcpy(p, ext_neg_half, 10); }, -0.5},
  };
  for (auto &c : cases) {
    SCOPED_TRACE((int)c.type);
    c.store();
    std::string s = " =" + ref(c.type, 64) + "9";
    draw_text = (const uint8_t *)s.data();
    draw_len = (uint32_t)s.size();
    draw_pos = 0;
    EXPECT_DOUBLE_EQ(draw_num(), c.want);
    EXPECT_EQ(draw_num_invalid, 0);
    EXPECT_EQ(draw_num_undefined, 0);
    EXPECT_EQ(draw_pos, 5u);          // the reference ends the number
  }
  // an unknown type byte, a short reference and a sign before "=" are malformed
  for (std::string s : {"=" + ref(3, 64), "=" + ref(8, 64).substr(0, 2), "-=" + ref(8, 64)}) {
    draw_text = (const uint8_t *)s.data();
    draw_len = (uint32_t)s.size();
    draw_pos = 0;
    EXPECT_EQ(draw_num(), 0);
    EXPECT_EQ(draw_num_invalid, 1);
  }
}

TEST(Draw, AspectFactorScaleAndRotationSetSegmentLengths) {
  // pen starts at the page centre (160, 100); f = 4 * 200 / (3 * 320) = 5/6
  struct { const char *s; int x2, y2; float cx, cy; } cases[] = {
    {"TA90U10", 148, 100, 148, 100},     // Up turned to the left: 10 / f = 12 pixels
    {"S8R10", 180, 100, 180, 100},       // scale 8/4 doubles the distance
    {"R", 161, 100, 161, 100},
    {"D7", 160, 107, 160, 107},
    {"E5", 165, 95, 165, 95},
    {"A2U10", 160, 110, 160, 110},
    {"A3 U10", 172, 100, 172, 100},
    {"A1R6", 160, 95, 160, 95},          // Right turned upwards: 6 * f = 5 pixels
    {"TA-90U10", 172, 100, 172, 100},
    {"ta 450 u10", 148, 100, 148, 100},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.s);
    start_screen13();
    draw(c.s);
    ASSERT_EQ(new_error, 0);
    expect_cursor(c.cx, c.cy);
    // the segment runs from the centre to (x2, y2): both ends lit, one pixel per step
    EXPECT_EQ(page_pixel(160, 100), 15);
    EXPECT_EQ(page_pixel(c.x2, c.y2), 15);
    int len = std::max(std::abs(c.x2 - 160), std::abs(c.y2 - 100));
    EXPECT_EQ(count_pixels(15), len + 1);
  }
}

TEST(Draw, AngleAndScalePersistOnThePageBetweenStatements) {
  start_screen13();
  draw("A3 S8");
  EXPECT_DOUBLE_EQ(write_page->draw_angle, 270);
  EXPECT_DOUBLE_EQ(write_page->draw_scale, 2);
  draw("U5");                       // turned right and doubled: 5 * 2 / f = 12
  EXPECT_EQ(new_error, 0);
  expect_cursor(172, 100);
  EXPECT_EQ(lit(15, 160, 100, 172, 100), 13);
}

TEST(Draw, BlindAndKeepApplyToTheNextMovementOnly) {
  start_screen13();
  draw("BR10");
  EXPECT_EQ(count_pixels(15), 0);
  expect_cursor(170, 100);
  start_screen13();
  draw("NU5R5");                    // both strokes start at the centre
  EXPECT_EQ(lit(15, 160, 95, 160, 100), 6);
  EXPECT_EQ(lit(15, 160, 100, 165, 100), 6);
  EXPECT_EQ(count_pixels(15), 11);
  expect_cursor(165, 100);
  start_screen13();
  draw("BC4R3R2");                  // B survives C; the second move draws again
  EXPECT_EQ(count_pixels(4), 3);
  EXPECT_EQ(page_pixel(163, 100), 4);
  EXPECT_EQ(page_pixel(162, 100), 0);
  expect_cursor(165, 100);
}

TEST(Draw, MoveIsRelativeOnlyWithASignedFirstNumber) {
  struct { const char *s; float cx, cy; } cases[] = {
    {"M+10,-20", 170, 80},
    {"M-10,20", 150, 120},
    {"M 50, 60", 50, 60},
    {"M50,-6", 50, -6},
    {"S8M+5,5", 170, 110},          // relative moves are scaled ...
    {"S8M5,5", 5, 5},               // ... absolute ones are not
    {"TA90M+10,0", 170, 100},       // and neither is turned
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.s);
    start_screen13();
    draw(c.s);
    ASSERT_EQ(new_error, 0);
    expect_cursor(c.cx, c.cy);
  }
  start_screen13();
  draw("M+10,-20");
  EXPECT_EQ(page_pixel(160, 100), 15);
  EXPECT_EQ(page_pixel(165, 90), 15);
  EXPECT_EQ(page_pixel(170, 80), 15);
}

TEST(Draw, ColourPersistsAndPaintFillsFromThePen) {
  start_screen13();
  draw("C4 BM100,100 R20 D20 L20 U20 BM+5,5 P2,4");
  ASSERT_EQ(new_error, 0);
  EXPECT_EQ(write_page->draw_color, 2u);   // the fill's colour, as PAINT leaves it
  EXPECT_EQ(count_pixels(4), 80);                 // the square's outline
  EXPECT_EQ(count_pixels(2), 19 * 19);            // its inside
  EXPECT_EQ(page_pixel(99, 99), 0);
  expect_cursor(105, 105);
  draw("BM+0,20 R2");                      // the next DRAW takes draw_color
  EXPECT_EQ(page_pixel(107, 125), 2);
  start_screen13();
  draw("c9r1");
  EXPECT_EQ(write_page->draw_color, 9u);
  EXPECT_EQ(page_pixel(161, 100), 9);
}

TEST(Draw, CursorMapsThroughViewAndWindow) {
  start_screen13();
  kelg_sub_view(0, 50, 40, 250, 160, 0, 0, 1);       // VIEW (50,40)-(250,160): offset 50,40
  write_page->graphics_x = 10;
  write_page->graphics_y = 20;
  draw("R10");
  ASSERT_EQ(new_error, 0);
  EXPECT_EQ(page_pixel(60, 60), 15);
  EXPECT_EQ(page_pixel(70, 60), 15);
  expect_cursor(20, 20);
  draw("");
  expect_cursor(20, 20);
  start_screen13();
  kelg_sub_window(0, 0, 0, 638, 398, 1);             // two units per pixel, y upwards
  write_page->graphics_x = 100;                      // pixel (50, 149)
  write_page->graphics_y = 100;
  draw("BR10 BU10");
  ASSERT_EQ(new_error, 0);
  expect_cursor(120, 120);
  draw("R5");
  EXPECT_EQ(page_pixel(60, 139), 15);
  EXPECT_EQ(page_pixel(65, 139), 15);
  expect_cursor(130, 120);
}

TEST(Draw, SubstringsRunAndReturnToTheOuterString) {
  start_screen13();
  kels *a = string_var("R10");
  kels *b = string_var("U5" + x_of(a));
  draw("BM100,50" + x_of(b) + "D3");
  ASSERT_EQ(new_error, 0);
  EXPECT_EQ(page_pixel(100, 45), 15);       // U5 ...
  EXPECT_EQ(page_pixel(110, 45), 15);       // ... then R10 from b's substring a
  EXPECT_EQ(page_pixel(110, 48), 15);       // ... then D3 back in the outer string
  expect_cursor(110, 48);
  // a reference to a non-string, or cut short, is malformed
  for (std::string bad : {"X" + ref(2, a->cmem_descriptor_offset), x_of(a).substr(0, 3)}) {
    start_screen13();
    draw(bad);
    EXPECT_EQ(new_error, 5);
  }
}

TEST(Draw, NestingBeyond8192SubstringsRaisesOverflow) {
  start_screen13();
  // A$ = "R1" + X A$: each level moves one pixel right; the pen starts 8182 pixels left
  // of the page, so exactly 8192 levels end the line at x = 10
  kels *a = string_var("R1XXXX");
  std::string self = x_of(a);
  std::memcpy(a->text + 2, self.data(), 4);
  draw("BM0,50 BL8182" + self);
  EXPECT_EQ(new_error, 6);
  EXPECT_EQ(page_pixel(10, 50), 15);
  EXPECT_EQ(page_pixel(11, 50), 0);
  EXPECT_EQ(lit(15, 0, 50, 319, 50), 11);
  expect_cursor(160, 100);
}

TEST(Draw, MalformedStringsRaiseError5KeepDrawingAndCursor) {
  const char *cases[] = {
    "R10Q", "R10U-", "R10R12.", "R10T5", "R10TA", "R10C", "R10C2.5", "R10S-1", "R10S",
    "R10A4", "R10A-1", "R10A1.5", "R10M10", "R10M10,", "R10M,5", "R10P1", "R10P1,", "R10P1,.5",
    "R10;", "R10U=",
  };
  for (const char *s : cases) {
    SCOPED_TRACE(s);
    start_screen13();
    double angle = write_page->draw_angle;
    draw(s);
    EXPECT_EQ(new_error, 5);
    EXPECT_EQ(lit(15, 160, 100, 170, 100), 11);     // what came before stays drawn
    expect_cursor(160, 100);                         // the cursor keeps its value
    EXPECT_DOUBLE_EQ(write_page->draw_angle, angle);
  }
  // the cursor stays even when a fill ran before the failure
  start_screen13();
  draw("BM10,10 P3,15 BM50,50 Z");
  EXPECT_EQ(new_error, 5);
  EXPECT_EQ(page_pixel(0, 0), 3);
  expect_cursor(160, 100);
}

TEST(Draw, TextPageAndPendingErrorDrawNothing) {
  kel_test_reset();                                  // SCREEN 0
  draw("R10");
  EXPECT_EQ(new_error, 5);
  start_screen13();
  new_error = 7;
  draw("R10");
  EXPECT_EQ(count_pixels(15), 0);
  expect_cursor(160, 100);
  new_error = 0;
}

TEST(Draw, FarOffCoordinatesStayOffThePage) {
  start_screen13();
  double nan = NAN;
  std::memcpy(dblock + 64, &nan, 8);
  draw("BM-100000,-100000 M100000,100000 R99999999999999 BM50,50 S99999999 U1 M+1,1 "
       "BM0,0 L1 H1 TA33 U999999999 BM10,190 U=" + ref(8, 64) + " BM20,20 D3");
  EXPECT_EQ(new_error, 0);
  EXPECT_GT(count_pixels(15), 0);         // the diagonal through the page
}

TEST(DrawGolden, RotatedAndScaledFigures) {
  start_screen13();
  // left: a house, its roof from E and F, painted through P
  draw("BM20,170 C14 U50 E30 F30 D50 L60 BM+30,-5 P6,14 C15 BM32,170 U20 R12 D20");
  // middle: twelve spokes, each a narrow loop turned 30 degrees further
  for (int i = 0; i < 12; i++)
    draw("BM160,100 C" + std::to_string(32 + i * 2) + " TA" + std::to_string(i * 30) +
         " U45 R4 D45");
  draw("TA0");
  // right: the same square at scales 2, 4 and 8 (S2 is half size), all from one corner
  draw("BM230,180 S2 C12 U20 R20 D20 L20 S4 C10 U20 R20 D20 L20 S8 C9 U20 R20 D20 L20 S4");
  // top: a triangle drawn with A1..A3 and N strokes from one point
  draw("BM40,30 C13 NU15 A1 NU15 A2 NU15 A3 NU15 A0 BM20,40 M+20,-30 M+20,30 L40");
  ASSERT_EQ(new_error, 0);
  expect_page_golden("draw_figures");
}

}  // namespace draw_test
