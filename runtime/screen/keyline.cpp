// Soft keys: texts typed by the function keys, the key line on the last row, KEY LIST.
#include "keyline.h"
#include <algorithm>
#include <atomic>
#include <cstdio>
#include "events.h"
#include "images.h"
#include "kels.h"
#include "text.h"

// The game thread writes a text while the main thread may read it for a key press: the
// length goes to 0 first and back last, and every byte is atomic, so a reader sees no
// torn text, at worst the text being replaced as empty.
static std::atomic<uint8_t> softkey_len[softkey_count];
static std::atomic<uint8_t> softkey_chars[softkey_count][softkey_max];
static bool keyline_on = false;
static bool keyline_reserved = false;          // KEY ON took the last row from the text area

static int slot_of(int32_t n) {
  if (n >= 1 && n <= softkey_count) return n - 1;
  if (n == 30 || n == 31) return n - 30 + 10;
  return -1;
}

int softkey_get(int n, uint8_t *buf) {
  if (n < 1 || n > softkey_count) return 0;
  int len = softkey_len[n - 1].load();
  for (int i = 0; i < len; i++) buf[i] = softkey_chars[n - 1][i].load();
  return len;
}

// How a text character shows on the key line and in KEY LIST: a carriage return as the
// left arrow, other control codes as blanks.
static uint8_t shown(uint8_t c) { return c == 13 ? 27 : c < 32 ? 32 : c; }

static void put_cell(img_struct *im, int row, int column, uint8_t c, bool reverse) {
  int16_t x = im->cursor_x, y = im->cursor_y;
  im->cursor_x = (int16_t)column;
  im->cursor_y = (int16_t)row;
  printchr(c);
  if (reverse && im->is_text) {
    uint8_t *cell = im->pixels + ((size_t)(row - 1) * im->width + column - 1) * 2;
    cell[1] = (uint8_t)((cell[1] & 0x88) | ((cell[1] & 7) << 4) | ((cell[1] >> 4) & 7));
  }
  im->cursor_x = x;
  im->cursor_y = y;
}

static int columns_of(const img_struct *im) {
  return im->is_text ? im->width : im->width / std::max<int>(1, fontwidth[im->font]);
}

// Eight columns a key: its number, then the first six characters of its text (reversed).
static void draw_line(bool clear_only) {
  img_struct *im = write_page;
  int row = img_rows(im), columns = columns_of(im);
  for (int c = 1; c <= columns; c++) put_cell(im, row, c, 32, false);
  if (clear_only) return;
  int keys = columns >= 80 ? 10 : columns / 8;
  for (int k = 1; k <= keys; k++) {
    char number[4];
    int n = std::snprintf(number, sizeof number, "%d", k);
    int column = (k - 1) * 8 + 1;
    for (int i = 0; i < n; i++) put_cell(im, row, column++, (uint8_t)number[i], false);
    uint8_t text[softkey_max];
    int len = softkey_get(k, text);
    for (int i = 0; i < 6 && column <= k * 8; i++)
      put_cell(im, row, column++, i < len ? shown(text[i]) : 32, i < len);
  }
}

void softkey_set(int32_t n, kels *text) {
  if (new_error) return;
  int slot = slot_of(n);
  if (slot < 0) { error(5); return; }
  int len = text ? (int)std::min<uint32_t>(text->len, softkey_max) : 0;
  softkey_len[slot] = 0;
  for (int i = 0; i < len; i++) softkey_chars[slot][i] = text->text[i];
  softkey_len[slot] = (uint8_t)len;
  if (keyline_on) draw_line(false);
}

void sub_key_onoff(int32_t on) {
  if (new_error) return;
  img_struct *im = write_page;
  int rows = img_rows(im);
  if (on) {
    if (!keyline_on && im->bottom_row == rows && rows > 1) {
      im->bottom_row = (int16_t)(rows - 1);      // PRINT scrolls above the line
      if (im->top_row > im->bottom_row) im->top_row = im->bottom_row;
      if (im->cursor_y > im->bottom_row) im->cursor_y = im->bottom_row;
      keyline_reserved = true;
    }
    keyline_on = true;
    draw_line(false);
    return;
  }
  if (!keyline_on) return;
  keyline_on = false;
  draw_line(true);
  if (keyline_reserved && im->bottom_row == rows - 1) im->bottom_row = (int16_t)rows;
  keyline_reserved = false;
}

void sub_key_list() {
  if (new_error) return;
  for (int k = 1; k <= softkey_count; k++) {
    char line[8 + softkey_max];
    int n = std::snprintf(line, 8, "F%d ", k);
    uint8_t text[softkey_max];
    int len = softkey_get(k, text);
    for (int i = 0; i < len; i++) line[n++] = (char)shown(text[i]);
    kels_print(kels_tmp_from(line, (uint32_t)n), 1);
  }
}

void keyline_redraw() {
  if (keyline_on && !new_error) draw_line(false);
}

void softkeys_reset() {
  for (auto &l : softkey_len) l = 0;
  keyline_on = keyline_reserved = false;
}
