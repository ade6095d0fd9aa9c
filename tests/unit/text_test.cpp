// Tests of text output: PRINT wrapping and scrolling, held cursor, tab zones, TAB and
// SPC, LOCATE, CLS, VIEW PRINT and reading cells back with SCREEN().
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include "test_support.h"

namespace text_test {

namespace {

void screen13() {
  kel_test_reset();
  kelg_screen(13, 0, 0, 0, 0, 1);
}

// One PRINT item as the translated program prints it.
void item(const char *text) {
  kels *s = T(text);
  makefit(s);
  kels_print(s, 0);
}
void end_line() { kels_print(nothingstring, 1); }
void locate(int row, int col) { kelg_sub_locate(row, col, 0, 0, 0, 3); }

// Decoded text of a row of the write page, trailing blanks dropped; '?' for unknown cells.
std::string row_text(int row) {
  std::string out;
  for (int c = 1; c <= img_columns(write_page); c++) {
    int g = text_match_cell(write_page, row, c);
    out += g < 0 ? '?' : (char)g;
  }
  return out.erase(out.find_last_not_of(' ') + 1);
}

}  // namespace

TEST(Text, FortyCharactersHoldTheCursorUntilTheNextNonEmptyPrint) {
  screen13();
  std::string forty(40, 'Q');
  forty[39] = 'Z';
  item(forty.c_str());
  EXPECT_EQ(write_page->cursor_y, 1);
  EXPECT_EQ(write_page->cursor_x, 40);
  EXPECT_EQ(func_pos(0), 40);
  EXPECT_TRUE(write_page->holding_cursor);
  EXPECT_EQ(row_text(1), forty);
  item("B");                                     // starts a new line first
  EXPECT_EQ(row_text(2), "B");
  EXPECT_EQ(func_csrlin(), 2);

  screen13();
  item(forty.c_str());
  end_line();                                    // empty PRINT: one line only
  EXPECT_EQ(write_page->cursor_y, 2);
  EXPECT_EQ(write_page->cursor_x, 1);
  EXPECT_FALSE(write_page->holding_cursor);
}

TEST(Text, MakefitMovesALongItemToTheNextLine) {
  screen13();
  locate(1, 35);
  item("HELLO WORLD!");
  EXPECT_EQ(row_text(1), "");
  EXPECT_EQ(row_text(2), "HELLO WORLD!");
  locate(3, 35);
  item("SIX456");                               // fits exactly in columns 35..40
  EXPECT_EQ(row_text(3), std::string(34, ' ') + "SIX456");
}

TEST(Text, PrintingPastRow24ScrollsAndKeepsRow25OnGraphicsPage) {
  screen13();
  locate(25, 1); item("BOTTOM");
  locate(1, 1); item("TOP"); end_line();
  item("SECOND"); end_line();
  locate(24, 1); item("LAST");
  write_page->background_color = 4;
  end_line();
  EXPECT_EQ(row_text(1), "SECOND");
  EXPECT_EQ(row_text(23), "LAST");
  EXPECT_EQ(row_text(25), "BOTTOM");
  EXPECT_EQ(write_page->cursor_y, 24);
  for (int y = 23 * 8; y < 24 * 8; y++)           // vacated text row in the background colour
    for (int x = 0; x < 320; x++) ASSERT_EQ(page_pixel(x, y), 4) << x << "," << y;
}

TEST(Text, PrintingPastRow24ScrollsAndKeepsRow25OnTextPage) {
  kel_test_reset();
  locate(25, 1); item("BOTTOM");
  locate(1, 1); item("TOP"); end_line();
  item("SECOND"); end_line();
  write_page->color = 14;
  write_page->background_color = 1;
  locate(24, 1); item("LAST"); end_line();
  EXPECT_EQ(row_text(1), "SECOND");
  EXPECT_EQ(row_text(23), "LAST");
  EXPECT_EQ(row_text(24), "");
  EXPECT_EQ(row_text(25), "BOTTOM");
  EXPECT_EQ(write_page->pixels[(23 * 80) * 2 + 1], 0x1E);   // blank row in the scrolling attribute
  EXPECT_EQ(write_page->pixels[(22 * 80) * 2 + 1], 0x1E);   // "LAST" in the PRINT attribute
}

TEST(Text, CommaZonesAndTabCharacter) {
  struct { bool text_page; const char *items[6]; int n; int expect[6]; } cases[] = {
    {false, {"A", "B", "C"}, 3, {1, 15, 40}},            // no zone at 29: fewer than 14 left
    {true, {"A", "B", "C", "D", "E", "F"}, 6, {1, 15, 29, 43, 57, 80}},
    {true, {"FOURTEEN CHARS", "X"}, 2, {1, 29}},        // already at a zone: move to the next
  };
  for (auto &c : cases) {
    c.text_page ? kel_test_reset() : screen13();
    for (int i = 0; i < c.n; i++) {
      if (i) tab();
      EXPECT_EQ(write_page->cursor_x, c.expect[i]) << c.items[0] << " item " << i;
      item(c.items[i]);
    }
  }
  struct { const char *s; int col; } tabs[] = {{"\tX", 9}, {"ABCDEFG\tX", 9}, {"ABCDEFGH\tX", 17}};
  for (auto &t : tabs) {
    screen13();
    kels_print(T(t.s), 0);
    EXPECT_EQ(text_match_cell(write_page, 1, t.col), 'X') << t.s;
    EXPECT_EQ(write_page->cursor_x, t.col + 1) << t.s;
  }
}

TEST(Text, TabAndSpcBuildTheRightStrings) {
  screen13();
  struct { int col; bool tab; int n; const char *expect; } cases[] = {
    {10, true, 5, "\r    "}, {10, true, 45, "\r    "}, {3, true, 5, "  "}, {3, true, 0, "\r"},
    {1, false, 3, "   "}, {38, false, 5, "\r  "}, {1, false, 43, "   "}, {1, false, -2, ""},
  };
  for (auto &c : cases) {
    locate(1, c.col);
    kels *s = c.tab ? func_tab(c.n) : func_spc(c.n);
    EXPECT_EQ(S(s), c.expect) << (c.tab ? "TAB " : "SPC ") << c.n << " at " << c.col;
    EXPECT_TRUE(s->tmp);
  }
  locate(1, 10);
  item(S(func_tab(5)).c_str());
  item("X");
  EXPECT_EQ(row_text(2), "    X");
  for (int bad : {40000, -40000}) {
    new_error = 0;
    EXPECT_EQ(S(func_tab(bad)), "");
    EXPECT_EQ(new_error, 7);
    new_error = 0;
    EXPECT_EQ(S(func_spc(bad)), "");
    EXPECT_EQ(new_error, 7);
  }
  new_error = 0;
}

TEST(Text, LocateAcceptsLastRowAndRejectsOutsideTheGrid) {
  struct { int row, col, passed, err; } cases[] = {
    {25, 1, 3, 0}, {24, 40, 3, 0}, {26, 1, 3, 5}, {1, 41, 3, 5}, {0, 1, 3, 5}, {1, 0, 3, 5},
    {5, 1, 1, 0}, {1, 1, 3 | 4, 5},
  };
  for (auto &c : cases) {
    screen13();
    locate(3, 7);
    kelg_sub_locate(c.row, c.col, 2, 0, 0, c.passed);  // visibility 2 is never valid
    EXPECT_EQ(new_error, c.err) << c.row << "," << c.col;
    if (!c.err) {
      EXPECT_EQ(write_page->cursor_y, c.row);
      EXPECT_EQ(write_page->cursor_x, c.passed & 2 ? c.col : 7);
    } else {
      EXPECT_EQ(write_page->cursor_y, 3);
      EXPECT_EQ(write_page->cursor_x, 7);
    }
  }
  new_error = 0;
}

TEST(Text, ClsFillsTheWholePageAndCentresTheGraphicsCursor) {
  screen13();
  item("SOMETHING"); end_line();
  write_page->background_color = 9;
  write_page->graphics_x = write_page->graphics_y = 3;
  sub_cls(0, 0, 0);
  for (int i = 0; i < 64000; i++) ASSERT_EQ(write_page->pixels[i], 9) << i;
  EXPECT_EQ(write_page->graphics_x, 160);
  EXPECT_EQ(write_page->graphics_y, 100);
  EXPECT_EQ(func_csrlin(), 1);
  EXPECT_EQ(func_pos(0), 1);

  // CLS 2 clears only the scrolling area's pixel rows; a bad fill changes nothing
  screen13();
  locate(25, 1); item("KEEP");
  sub_cls(2, 0, 1);
  EXPECT_EQ(row_text(25), "KEEP");
  sub_cls(0, 256, 2);
  EXPECT_EQ(new_error, 5);
  EXPECT_EQ(row_text(25), "KEEP");
  new_error = 0;
}

TEST(Text, ClsUnderAnUpwardWindowCentresInUserCoordinates) {
  screen13();
  img_struct *p = write_page;                     // as WINDOW (0,0)-(100,100) leaves it
  p->coord_mode = 2;
  p->scale_x = 319.0f / 100;
  p->scale_offset_x = 0;
  p->scale_y = 199.0f / -100;
  p->scale_offset_y = 199;
  sub_cls(0, 0, 0);
  EXPECT_NEAR(p->graphics_x, 160 / 3.19, 0.01);
  EXPECT_NEAR(p->graphics_y, 49.75, 0.01);
}

TEST(Text, ViewPrintLimitsScrollingToItsRows) {
  screen13();
  locate(4, 1); item("ABOVE");
  locate(5, 1); item("FIRST");
  kelg_sub_view_print(5, 10, 1);
  EXPECT_EQ(func_csrlin(), 5);
  locate(10, 1); item("TEN"); end_line();
  EXPECT_EQ(row_text(4), "ABOVE");
  EXPECT_EQ(row_text(5), "");
  EXPECT_EQ(row_text(9), "TEN");
  EXPECT_EQ(func_csrlin(), 10);
  kelg_sub_view_print(0, 10, 1);
  EXPECT_EQ(new_error, 5);
  new_error = 0;
  kelg_sub_view_print(0, 0, 0);
  EXPECT_EQ(write_page->bottom_row, 25);
}

TEST(Text, ScreenFunctionReadsCharacterAndColour) {
  screen13();
  write_page->color = 14;
  item("A");
  write_page->pixels[8] = 3;                      // one stray pixel in cell (1, 2)
  struct { int row, col, flag, passed, expect; } cases[] = {
    {1, 1, 0, 0, 'A'}, {1, 1, 1, 1, 14}, {1, 1, 0, 1, 'A'},
    {1, 2, 0, 0, 32}, {1, 2, 1, 1, 0}, {1, 3, 0, 0, 32}, {1, 3, 1, 1, 1},
  };
  for (auto &c : cases)
    EXPECT_EQ(func_screen(c.row, c.col, c.flag, c.passed), c.expect) << c.row << "," << c.col;
  EXPECT_EQ(text_match_cell(write_page, 1, 2), -1);
  func_screen(26, 1, 0, 0);
  EXPECT_EQ(new_error, 5);
  new_error = 0;

  kel_test_reset();
  write_page->color = 4;
  write_page->background_color = 2;
  item("Z");
  EXPECT_EQ(func_screen(1, 1, 0, 0), 'Z');
  EXPECT_EQ(func_screen(1, 1, 1, 1), 0x24);
}

TEST(Text, PrintModesAndViewClipping) {
  screen13();
  int ink = 0;
  for (int i = 0; i < 64; i++) ink += charset8x8['A' * 64 + i] != 0;
  struct { int mode; int ink_pixels, bg_pixels; } cases[] = {{1, ink, 0}, {2, 0, 64 - ink}, {3, ink, 64 - ink}};
  for (auto &c : cases) {
    screen13();
    std::memset(write_page->pixels, 7, 64000);
    write_page->color = 12;
    write_page->background_color = 1;
    write_page->print_mode = (uint8_t)c.mode;
    printchr('A');
    int fg = 0, bg = 0, other = 0;
    for (int y = 0; y < 8; y++)
      for (int x = 0; x < 8; x++) (page_pixel(x, y) == 12 ? fg : page_pixel(x, y) == 1 ? bg : other)++;
    EXPECT_EQ(fg, c.ink_pixels) << c.mode;
    EXPECT_EQ(bg, c.bg_pixels) << c.mode;
  }
  screen13();
  write_page->view_x2 = 3;
  write_page->background_color = 5;
  EXPECT_EQ(printchr2(0, 0, ' ', write_page), 8);
  EXPECT_EQ(page_pixel(3, 0), 5);
  EXPECT_EQ(page_pixel(4, 0), 0);
}

TEST(Text, CursorControlCharacters) {
  struct { const char *s; int x, y; } cases[] = {
    {"\x1c\x1c", 3, 3}, {"\x1d", 40, 2}, {"\x1e", 1, 2}, {"\x1f", 1, 4}, {"\x0b", 1, 1}, {"AB\r", 1, 4},
  };
  for (auto &c : cases) {
    screen13();
    locate(3, 1);
    kels_print(T(c.s), 0);
    EXPECT_EQ(write_page->cursor_x, c.x) << (int)c.s[0];
    EXPECT_EQ(write_page->cursor_y, c.y) << (int)c.s[0];
  }
}

TEST(Text, LocatePastRow25GrowsAFreshTextScreenTo80By50) {
  kel_test_reset();
  item("KEPT");
  write_page->color = 3;
  width8050switch = 1;
  locate(40, 2);
  EXPECT_EQ(new_error, 0);
  EXPECT_EQ(write_page->height, 50);
  EXPECT_EQ(write_page->width, 80);
  EXPECT_EQ(row_text(1), "KEPT");
  EXPECT_EQ(write_page->color, 3u);
  EXPECT_EQ(func_csrlin(), 40);
  EXPECT_EQ(func_pos(0), 2);
  locate(51, 1);
  EXPECT_EQ(new_error, 5);
  new_error = 0;
  width8050switch = 0;
}

TEST(Text, WholeGlyphsMatchTheFontPixelByPixelInEveryPrintMode) {
  struct { int mode; int font_rows; } cases[] = {{1, 8}, {2, 8}, {3, 8}, {1, 16}, {2, 16}, {3, 16}};
  for (auto &c : cases) {
    kel_test_reset();
    kelg_screen(c.font_rows == 8 ? 13 : 12, 0, 0, 0, 0, 1);
    img_struct *im = write_page;
    std::memset(im->pixels, 7, (size_t)im->width * im->height);
    im->color = 12;
    im->background_color = 1;
    im->print_mode = (uint8_t)c.mode;
    const int x0 = 13, y0 = 5;                    // not on a cell boundary
    EXPECT_EQ(printchr2(x0, y0, 'g', im), 8);
    const uint8_t *glyph = c.font_rows == 8 ? charset8x8 + 'g' * 64 : charset8x16 + 'g' * 128;
    for (int y = -1; y <= c.font_rows; y++)
      for (int x = -1; x <= 8; x++) {
        bool inside = x >= 0 && x < 8 && y >= 0 && y < c.font_rows;
        int want = 7;
        if (inside && glyph[y * 8 + x] && c.mode != 2) want = 12;
        if (inside && !glyph[y * 8 + x] && c.mode != 1) want = 1;
        ASSERT_EQ(im->pixels[(size_t)(y0 + y) * im->width + x0 + x], want)
            << "mode " << c.mode << " rows " << c.font_rows << " at " << x << "," << y;
      }
  }
}

}  // namespace text_test
