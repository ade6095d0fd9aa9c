// Text output: PRINT with wrapping, scrolling and the held cursor; glyph drawing;
// LOCATE, CLS, VIEW PRINT, TAB, SPC, SCREEN(), CSRLIN and POS.
#include "text.h"
#include <cstring>
#include "events.h"
#include "images.h"
#include "kels.h"
#include "keyline.h"
#include "platform.h"
#include "sound.h"

const text_output *text_target = nullptr;
int tab_spc_cr_size = 1;            // 1: TAB/SPC break a line with CR; 2: CR LF

// ---------------------------------------------------------------- font helpers

// Glyph rows of a built-in font, or null for fonts without built-in glyphs.
// Fonts 9, 15 and 17 are 8, 14 and 16 drawn twice as wide.
static const uint8_t *builtin_glyph(uint32_t font, uint32_t c, int *rows) {
  c &= 255;
  switch (font) {
    case 8: case 9: *rows = 8; return charset8x8 + c * 64;
    case 14: case 15: *rows = 14; return charset8x16 + c * 128 + 8;  // first row skipped
    case 16: case 17: *rows = 16; return charset8x16 + c * 128;
    default: *rows = 0; return nullptr;
  }
}

static int font_w(const img_struct *im) { return fontwidth[im->font] ? fontwidth[im->font] : 1; }
static int font_h(const img_struct *im) { return fontheight[im->font] ? fontheight[im->font] : 1; }

static void put_pixel(img_struct *im, int x, int y, uint32_t col) {
  if (im->bytes_per_pixel == 4)
    ((uint32_t *)im->pixels)[(size_t)y * im->width + x] = col;  // blending is not ours
  else
    im->pixels[(size_t)y * im->width + x] = (uint8_t)(col & im->mask);
}

// Fills pixel rectangle x1..x2, y1..y2 (inclusive), clamped to the image.
static void fill_rect(img_struct *im, int x1, int y1, int x2, int y2, uint32_t col) {
  if (x1 < 0) x1 = 0;
  if (y1 < 0) y1 = 0;
  if (x2 >= im->width) x2 = im->width - 1;
  if (y2 >= im->height) y2 = im->height - 1;
  if (x1 > x2 || y1 > y2) return;
  for (int y = y1; y <= y2; y++) {
    if (im->bytes_per_pixel == 4) {
      uint32_t *p = (uint32_t *)im->pixels + (size_t)y * im->width;
      for (int x = x1; x <= x2; x++) p[x] = col;
    } else {
      std::memset(im->pixels + (size_t)y * im->width + x1, (uint8_t)(col & im->mask), x2 - x1 + 1);
    }
  }
}

// A glyph wholly inside a 1-byte page, eight pixels a row at once: each glyph row (one byte
// a pixel, non-zero = ink) becomes a byte mask choosing ink, paper or the pixel already there.
static void glyph_rows8(img_struct *dst, int x, int y, const uint8_t *g, int rows, int mode,
                        uint32_t ink, uint32_t paper) {
  constexpr uint64_t lows = 0x7F7F7F7F7F7F7F7Full, highs = 0x8080808080808080ull;
  constexpr uint64_t ones = 0x0101010101010101ull;
  uint64_t fg = ones * (uint8_t)(ink & dst->mask), bg = ones * (uint8_t)(paper & dst->mask);
  uint8_t *p = dst->pixels + (size_t)y * dst->width + x;
  for (int gy = 0; gy < rows; gy++, p += dst->width) {
    uint64_t bits, old;
    std::memcpy(&bits, g + gy * 8, 8);
    uint64_t on = ((((bits & lows) + lows) | bits) & highs) >> 7;   // 1 in each byte with ink
    uint64_t m = on * 255;                                          // whole bytes: no carries
    std::memcpy(&old, p, 8);
    uint64_t out = mode == 1 ? (fg & m) | (old & ~m) : mode == 2 ? (old & m) | (bg & ~m) : (fg & m) | (bg & ~m);
    std::memcpy(p, &out, 8);
  }
}

// Draws glyph c of style's font with style's colours and print mode into dst at pixel
// (x, y); pixels outside the clip rectangle (and always outside dst) are skipped.
// Returns the glyph's width, 0 when the font has no built-in glyphs.
static int draw_glyph(img_struct *dst, int x, int y, uint32_t c, const img_struct *style,
                      int cx1, int cy1, int cx2, int cy2) {
  int rows;
  const uint8_t *g = builtin_glyph(style->font, c, &rows);
  if (!g || dst->is_text) return 0;
  int scale = (style->font == 9 || style->font == 15 || style->font == 17) ? 2 : 1;
  if (cx1 < 0) cx1 = 0;
  if (cy1 < 0) cy1 = 0;
  if (cx2 >= dst->width) cx2 = dst->width - 1;
  if (cy2 >= dst->height) cy2 = dst->height - 1;
  int mode = style->print_mode;
  if (scale == 1 && dst->bytes_per_pixel == 1 && x >= cx1 && x + 7 <= cx2 && y >= cy1 && y + rows - 1 <= cy2) {
    glyph_rows8(dst, x, y, g, rows, mode, style->color, style->background_color);
    return 8;
  }
  for (int gy = 0; gy < rows; gy++) {
    int py = y + gy;
    if (py < cy1 || py > cy2) continue;
    for (int gx = 0; gx < 8 * scale; gx++) {
      int px = x + gx;
      if (px < cx1 || px > cx2) continue;
      bool fore = g[gy * 8 + gx / scale] != 0;
      if (fore && mode != 2) put_pixel(dst, px, py, style->color);
      else if (!fore && mode != 1) put_pixel(dst, px, py, style->background_color);
    }
  }
  return 8 * scale;
}

// ---------------------------------------------------------------- attributes, cells

uint8_t text_print_attribute(const img_struct *im) {
  return (uint8_t)((im->color & 15) + (im->color & 16) * 8 + im->background_color * 16);
}

static uint8_t scroll_attribute(const img_struct *im) {
  return (uint8_t)(((im->background_color * 16) & 127) + (im->color & 15) + (im->color >= 16 ? 128 : 0));
}

static void text_fill_rows(img_struct *im, int first, int last, uint8_t attr) {
  if (first < 1) first = 1;
  if (last > im->height) last = im->height;
  for (int r = first; r <= last; r++) {
    uint8_t *p = im->pixels + (size_t)(r - 1) * im->width * 2;
    for (int x = 0; x < im->width; x++) { p[x * 2] = 32; p[x * 2 + 1] = attr; }
  }
}

int text_match_cell(const img_struct *im, int row, int column) {
  if (im->is_text) {
    if (row < 1 || row > im->height || column < 1 || column > im->width) return -1;
    return im->pixels[((size_t)(row - 1) * im->width + column - 1) * 2];
  }
  int rows;
  if (im->font != 8 && im->font != 14 && im->font != 16) return -1;
  builtin_glyph(im->font, 0, &rows);
  if (row < 1 || row > img_rows(im) || column < 1 || column > img_columns(im)) return -1;
  // The cell as a mask: any non-zero pixel is ink (opaque black counts as blank on 32-bit pages).
  uint8_t cell[16 * 8];
  bool any = false;
  int x0 = (column - 1) * 8, y0 = (row - 1) * rows;
  for (int y = 0; y < rows; y++)
    for (int x = 0; x < 8; x++) {
      size_t i = (size_t)(y0 + y) * im->width + x0 + x;
      uint32_t p = im->bytes_per_pixel == 4 ? (((const uint32_t *)im->pixels)[i] & 0xFFFFFF) : im->pixels[i];
      cell[y * 8 + x] = p ? 255 : 0;
      any |= p != 0;
    }
  if (!any) return 32;
  for (int c = 0; c < 256; c++) {
    const uint8_t *g = builtin_glyph(im->font, c, &rows);
    if (std::memcmp(g, cell, (size_t)rows * 8) == 0) return c;
  }
  return -1;
}

// ---------------------------------------------------------------- glyphs and cursor

void printchr(int32_t c) {
  img_struct *im = write_page;
  if (im->is_text) {
    if (im->cursor_y < 1 || im->cursor_y > im->height || im->cursor_x < 1 || im->cursor_x > im->width) return;
    uint8_t *cell = im->pixels + ((size_t)(im->cursor_y - 1) * im->width + im->cursor_x - 1) * 2;
    cell[0] = (uint8_t)c;
    cell[1] = text_print_attribute(im);
    return;
  }
  // Loaded fonts (32 and up) would render here; none exist in this runtime yet.
  draw_glyph(im, (im->cursor_x - 1) * font_w(im), (im->cursor_y - 1) * font_h(im), (uint32_t)c, im,
             0, 0, im->width - 1, im->height - 1);
}

int printchr2(int32_t x, int32_t y, uint32_t c, img_struct *im) {
  img_struct *w = write_page;
  if (w->is_text) return 0;
  int drawn = draw_glyph(w, x, y, c, im, w->view_x1, w->view_y1, w->view_x2, w->view_y2);
  return drawn ? drawn : fontwidth[im->font];
}

int chrwidth(uint32_t c) { return fontwidth[write_page->font]; }

void newline() {
  if (new_error) return;
  img_struct *im = write_page;
  im->cursor_x = 1;
  im->cursor_y++;
  if (im->cursor_y <= im->bottom_row) return;
  int top = im->top_row, bottom = im->bottom_row;
  if (bottom > img_rows(im)) bottom = img_rows(im);
  if (top >= 1 && top <= bottom) {
    if (im->is_text) {
      size_t row_bytes = (size_t)im->width * 2;
      std::memmove(im->pixels + (top - 1) * row_bytes, im->pixels + top * row_bytes,
                   (size_t)(bottom - top) * row_bytes);
      text_fill_rows(im, bottom, bottom, scroll_attribute(im));
    } else {
      // whole pixel rows, full page width: the graphics view does not limit scrolling
      int fh = font_h(im);
      size_t row_bytes = (size_t)im->width * im->bytes_per_pixel * fh;
      std::memmove(im->pixels + (top - 1) * row_bytes, im->pixels + top * row_bytes,
                   (size_t)(bottom - top) * row_bytes);
      fill_rect(im, 0, (bottom - 1) * fh, im->width - 1, bottom * fh - 1, im->background_color);
    }
  }
  im->cursor_y = im->bottom_row;
}

// The bell's tone, queued without waiting (the caller then pauses 250 ms).
static void text_bell_tone() { kelvo_generatesound(783.99, 0.2, 0); }

// Draws an ordinary byte and advances, applying the wrap rule. Returns true when the
// wrap fired and the cursor moved to a new line.
static bool put_char(uint8_t c, bool last, bool nl) {
  img_struct *im = write_page;
  printchr(c);
  im->cursor_x++;
  bool fire;
  int w = font_w(im);
  if (im->is_text) fire = im->cursor_x > im->width;
  else fire = (im->cursor_x - 1) * w > im->width - w;
  if (!fire) return false;
  if (nl || !last) {
    newline();
    return true;
  }
  im->cursor_x = im->is_text ? im->cursor_x - 1 : im->width / w;
  im->holding_cursor = 1;
  return false;
}

void kels_print(kels *s, uint8_t newline_flag) {
  if (new_error) return;
  if (text_target) { text_target->print(s, newline_flag); return; }   // PRINT #
  uint32_t len = s ? s->len : 0;
  if (write_page->holding_cursor) {
    if (len) {
      write_page->holding_cursor = 0;
      newline();
    } else if (newline_flag) {
      write_page->holding_cursor = 0;
    }
  }
  bool wrapped = false;
  for (uint32_t i = 0; i < len; i++) {
    img_struct *im = write_page;                 // CLS by form feed keeps the page
    uint8_t c = s->text[i];
    bool last = i + 1 == len;
    int columns = img_columns(im);
    wrapped = false;
    switch (c) {
      case 28:
        if (im->cursor_y < im->bottom_row || im->cursor_x < columns) {
          if (++im->cursor_x > columns) { im->cursor_x = 1; im->cursor_y++; }
        }
        break;
      case 29:
        if ((im->cursor_y != im->top_row && im->cursor_y <= im->bottom_row) || im->cursor_x != 1) {
          if (--im->cursor_x < 1) { im->cursor_x = columns; im->cursor_y--; }
        }
        break;
      case 30:
        if (im->top_row < im->cursor_y && im->cursor_y <= im->bottom_row) im->cursor_y--;
        break;
      case 31:
        if (im->top_row <= im->cursor_y && im->cursor_y < im->bottom_row) im->cursor_y++;
        break;
      case 12:
        sub_cls(0, 0, 0);
        break;
      case 11:
        im->cursor_x = 1;
        im->cursor_y = im->top_row;
        break;
      case 9: {
        // spaces up to the next column 8k + 1; stop early if the line wrapped or is held
        int before;
        do {
          before = im->cursor_x;
          wrapped = put_char(32, last, newline_flag);
        } while (before % 8 != 0 && !wrapped && !im->holding_cursor);
        break;
      }
      case 7:
        text_bell_tone();
        platform_sleep(250);
        break;
      case 10: case 13:
        newline();
        break;
      default:
        wrapped = put_char(c, last, newline_flag);
    }
  }
  if (newline_flag && !wrapped) newline();
}

void makefit(kels *s) {
  if (new_error) return;
  if (text_target) {                        // a file's lines wrap only at a width it was given
    int32_t w = text_target->width ? text_target->width() : 0;
    int64_t len = s ? s->len : 0, column = text_target->column();
    if (w && column > 1 && column - 1 + len > w) text_target->print(nullptr, 1);
    return;
  }
  img_struct *im = write_page;
  if (im->holding_cursor || im->cursor_x == 1) return;
  int64_t len = s ? s->len : 0;
  if (im->is_text) {
    if (im->cursor_x + len - 1 > im->width) newline();
  } else {
    int w = font_w(im);
    if ((int64_t)(im->cursor_x - 1) * w + len * w > im->width) newline();
  }
}

void tab() {
  if (new_error) return;
  if (text_target) { text_target->tab(); return; }
  img_struct *im = write_page;
  if (im->holding_cursor) {
    newline();
    im->holding_cursor = 0;
    return;
  }
  int columns = img_columns(im);
  for (;;) {
    kels_print(singlespace, 0);
    int x = im->cursor_x;
    if (x == 1 || x >= columns || ((x - 1) % 14 == 0 && x <= columns - 13)) break;
  }
}

// ---------------------------------------------------------------- statements

void kelg_sub_locate(int32_t row, int32_t column, int32_t show, int32_t start, int32_t stop, int32_t passed) {
  if (new_error) return;
  img_struct *im = write_page;
  int rows = img_rows(im), columns = img_columns(im);
  // A text page may still grow to 80x50 the first time a row past 25 is located.
  bool grow = false;
  if ((passed & 1) && im->is_text && width8050switch && row > 25 && row <= 50 && im->height < row) {
    grow = true;
    rows = 50;
    columns = 80;
  }
  if (passed & 1) {
    if (grow) {
      if (row < im->top_row) { error(5); return; }
    } else if (row < im->top_row || (row != rows && row > im->bottom_row)) {
      error(5);
      return;
    }
  }
  if ((passed & 2) && (column < 1 || column > columns)) { error(5); return; }
  if ((passed & 4) && (show < 0 || show > 1)) { error(5); return; }
  if ((passed & 8) && (start < 0 || start > 31 || stop < 0 || stop > 31)) { error(5); return; }
  if (grow) {
    uint8_t keep[4000];
    size_t n = (size_t)im->width * im->height * 2;
    if (n > sizeof keep) n = sizeof keep;
    std::memcpy(keep, im->pixels, n);
    uint32_t fg = im->color, bg = im->background_color;
    kelsub_width(0, 80, 50, 3);
    if (new_error) return;
    im = write_page;
    std::memcpy(im->pixels, keep, n);
    im->color = fg;
    im->background_color = bg;
  }
  if (passed & 1) { im->cursor_y = (int16_t)row; im->holding_cursor = 0; }
  if (passed & 2) { im->cursor_x = (int16_t)column; im->holding_cursor = 0; }
  if (passed & 12) {
    auto shape = [&](img_struct *p) {
      if (passed & 4) p->cursor_show = (uint8_t)show;
      if (passed & 8) { p->cursor_first = (uint8_t)start; p->cursor_last = (uint8_t)stop; }
    };
    if (im->flags & img_screen_page) {
      for (uint32_t i = 0; i < img_pages; i++)
        if (img_page[i]) shape(&img[img_page[i]]);
    }
    shape(im);
  }
}

void sub_cls(int32_t method, uint32_t fill, int32_t passed) {
  if (new_error) return;
  img_struct *im = write_page;
  if (!(passed & 2)) fill = im->background_color;
  else if (im->bytes_per_pixel != 4 && fill > im->mask) { error(5); return; }
  if ((passed & 1) && (method < 0 || method > 2)) { error(5); return; }
  int how = (passed & 1) ? method : -1;        // -1: no method given
  im->cursor_x = 1;
  im->cursor_y = im->top_row;
  im->holding_cursor = 0;                        // a held line end means nothing on a cleared screen
  im->draw_angle = 0;
  im->draw_scale = 1;
  if (im->is_text) {
    uint8_t attr = (uint8_t)((im->color & 15) + (im->color & 16) * 8 + (fill & 7) * 16);
    if (how == -1) {
      text_fill_rows(im, im->top_row, im->bottom_row, attr);
      text_fill_rows(im, im->height, im->height, attr);
    } else if (how == 0) {
      text_fill_rows(im, 1, im->height, attr);
    } else if (how == 2) {
      text_fill_rows(im, im->top_row, im->bottom_row, attr);
    }
    if (how != 2) keyline_redraw();              // KEY ON's line survives a CLS
    return;
  }
  if (how == 2) {
    int fh = font_h(im);
    fill_rect(im, 0, (im->top_row - 1) * fh, im->width - 1, im->bottom_row * fh - 1, fill);
    return;
  }
  if (how == 0 || im->coord_mode == 0)
    fill_rect(im, 0, 0, im->width - 1, im->height - 1, fill);
  else
    fill_rect(im, im->view_x1, im->view_y1, im->view_x2, im->view_y2, fill);
  // graphics cursor to the centre of the view, in the coordinates in force
  float cx = (float)(im->view_x2 - im->view_x1 + 1) / 2;
  float cy = (float)(im->view_y2 - im->view_y1 + 1) / 2;
  if (im->coord_mode == 2) {
    cx = (cx - im->scale_offset_x) / im->scale_x;
    cy = (cy - im->scale_offset_y) / im->scale_y;
  }
  im->graphics_x = cx;
  im->graphics_y = cy;
  keyline_redraw();
}

void kelg_sub_view_print(int32_t top, int32_t bottom, int32_t passed) {
  if (new_error) return;
  img_struct *im = write_page;
  int rows = img_rows(im);
  if (passed) {
    if (top < 1 || top > bottom || bottom > rows) { error(5); return; }
  } else {
    top = 1;
    bottom = rows;
  }
  im->top_row = (int16_t)top;
  im->bottom_row = (int16_t)bottom;
  im->cursor_y = (int16_t)top;
  im->cursor_x = 1;
  im->holding_cursor = 0;
}

// A temporary holding an optional line break and then `spaces` blanks.
static kels *tab_spc_text(bool line_break, int64_t spaces) {
  if (spaces < 0) spaces = 0;
  int br = line_break ? (tab_spc_cr_size == 2 || text_target ? 2 : 1) : 0;   // files end lines with CR LF
  kels *s = kels_new((int32_t)(br + spaces), 1);
  if (br) s->text[0] = 13;
  if (br == 2) s->text[1] = 10;
  std::memset(s->text + br, 32, (size_t)spaces);
  return s;
}

kels *func_tab(int32_t n) {
  if (new_error) return kels_new(0, 1);
  if (n < -32768 || n > 32767) { error(7); return kels_new(0, 1); }
  if (text_target) {                        // a file has no width
    int32_t column = text_target->column();
    if (n <= 0) n = 1;
    return n < column ? tab_spc_text(true, n - 1) : tab_spc_text(false, n - column);
  }
  img_struct *im = write_page;
  int columns = img_columns(im);
  if (n > columns) n %= columns;
  if (n <= 0) n = 1;
  if (n < im->cursor_x) return tab_spc_text(true, n - 1);
  return tab_spc_text(false, n - im->cursor_x);
}

kels *func_spc(int32_t n) {
  if (new_error) return kels_new(0, 1);
  if (n < -32768 || n > 32767) { error(7); return kels_new(0, 1); }
  if (n < 0) n = 0;
  img_struct *im = write_page;
  if (tab_spc_cr_size == 1 && !text_target) {
    int columns = img_columns(im);
    n %= columns;
    int left = columns - im->cursor_x + 1;
    if (n > left) return tab_spc_text(true, n - left);
  }
  return tab_spc_text(false, n);
}

int32_t func_screen(int32_t row, int32_t column, int32_t flag, int32_t passed) {
  if (new_error) return 0;
  img_struct *im = read_page;
  bool want_attr = (passed & 1) && flag;
  if (im->is_text) {
    if (row < 1 || row > im->height || column < 1 || column > im->width) { error(5); return 0; }
    return im->pixels[((size_t)(row - 1) * im->width + column - 1) * 2 + (want_attr ? 1 : 0)];
  }
  if (im->font != 8 && im->font != 14 && im->font != 16) { error(5); return 0; }
  if (row < 1 || row > img_rows(im) || column < 1 || column > img_columns(im)) { error(5); return 0; }
  int code = text_match_cell(im, row, column);
  if (!want_attr) return code < 0 ? 32 : code;
  if (code < 0) return 0;
  // attribute: colour of the cell's first ink pixel
  int rows = fontheight[im->font];
  for (int y = 0; y < rows; y++)
    for (int x = 0; x < 8; x++) {
      size_t i = (size_t)((row - 1) * rows + y) * im->width + (column - 1) * 8 + x;
      uint32_t p = im->bytes_per_pixel == 4 ? ((const uint32_t *)im->pixels)[i] : im->pixels[i];
      if (im->bytes_per_pixel == 4 ? (p & 0xFFFFFF) != 0 : p != 0) return (int32_t)p;
    }
  return 1;                                      // all-background cell
}

int32_t func_csrlin() {
  if (new_error) return 0;
  return write_page->cursor_y;
}

int32_t func_pos(int32_t ignored) {
  if (new_error) return 0;
  return write_page->cursor_x;
}
