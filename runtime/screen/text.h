// Text output: PRINT with wrapping, scrolling and the held cursor; glyph drawing;
// LOCATE, CLS, VIEW PRINT, TAB, SPC, SCREEN(), CSRLIN and POS.
#pragma once
#include <cstdint>

struct kels;
struct img_struct;

extern int tab_spc_cr_size;

// Where PRINT's text goes instead of the screen (PRINT #, WRITE # and LPRINT): the file layer
// points text_target at its output while such a statement runs; null is the screen. A target's
// lines end in CR LF and TAB counts 14-column zones in its column; they wrap only when the
// target has a width (an item that does not fit the rest of the line starts a new one).
struct text_output {
  void (*print)(kels *s, uint8_t newline_flag);
  void (*tab)();
  int32_t (*column)();                 // 1-based column of the target's current line
  int32_t (*width)();                  // a line's width (WIDTH #n, the printer); 0 or null: none
};
extern const text_output *text_target;

void kels_print(kels *s, uint8_t newline_flag);
void makefit(kels *s);
void tab();
void newline();
void printchr(int32_t c);
int printchr2(int32_t x, int32_t y, uint32_t c, img_struct *im);
int chrwidth(uint32_t c);
void kelg_sub_locate(int32_t row, int32_t column, int32_t show, int32_t start, int32_t stop, int32_t passed);
void sub_cls(int32_t method, uint32_t fill, int32_t passed);
void kelg_sub_view_print(int32_t top, int32_t bottom, int32_t passed);
kels *func_tab(int32_t n);
kels *func_spc(int32_t n);
int32_t func_screen(int32_t row, int32_t column, int32_t flag, int32_t passed);
int32_t func_csrlin();
int32_t func_pos(int32_t ignored);

// The attribute PRINT writes to a text cell.
uint8_t text_print_attribute(const img_struct *im);
// Matches the cell at (row, column), 1-based, of a graphics page against its font:
// returns the glyph code, -1 when pixels match no glyph; all-background gives 32.
int text_match_cell(const img_struct *im, int row, int column);
