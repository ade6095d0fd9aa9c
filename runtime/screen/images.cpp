// Images and pages: the image and page tables, screen modes with their defaults,
// SCREEN, COLOR, PALETTE, WIDTH and PCOPY.
#include "images.h"
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include "flags.h"
#include "events.h"
#include "kel_data.h"
#include "memory.h"
#include "platform.h"

img_struct *img = nullptr;
uint32_t nimg = 0, nextimg = 0;
uint32_t *fimg = nullptr;
uint32_t nfimg = 0;
int32_t lastfimg = -1;

uint32_t *img_page = nullptr;
uint32_t img_pages = 0;
void (*images_page_rebuilt)() = nullptr;
int32_t display_page_index = 0, write_page_index = 0, read_page_index = 0;
img_struct *display_page = nullptr, *write_page = nullptr, *read_page = nullptr;
int sub_screen_keep_page0 = 0;
int width8050switch = 1;
int32_t sub_screen_width_in_characters = -1, sub_screen_height_in_characters = -1, sub_screen_font = -1;

uint8_t fontwidth[1024], fontheight[1024], fontflags[1024];
uint8_t charset8x8[16384], charset8x16[32768];
uint32_t palette_256[256], palette_64[64];

// Every colour a page palette holds is opaque: the built-in tables carry alpha 0xFF, and
// colours written by PALETTE and COLOR are given the same alpha so a palette is uniform.
static constexpr uint32_t opaque = 0xFF000000u;
static constexpr uint32_t grow_step = 4096;
static constexpr uint32_t text_window_size = 65536;   // the B800 video window

// ---- image table --------------------------------------------------------------------

uint32_t newimg() {
  uint32_t slot;
  if (lastfimg >= 0) {
    slot = fimg[lastfimg--];
  } else {
    if (nextimg >= nimg) {
      auto index = [](img_struct *p) { return p ? p - img : -1; };
      ptrdiff_t d = index(display_page), w = index(write_page), r = index(read_page);
      auto *grown = (img_struct *)std::realloc(img, sizeof(img_struct) * (size_t)(nimg + grow_step));
      if (!grown) { error(502); return 0; }
      std::memset(grown + nimg, 0, sizeof(img_struct) * grow_step);
      img = grown;
      nimg += grow_step;
      // The table moved: the page roles follow their slots.
      display_page = d < 0 ? nullptr : img + d;
      write_page = w < 0 ? nullptr : img + w;
      read_page = r < 0 ? nullptr : img + r;
    }
    slot = nextimg++;
  }
  img[slot].in_use = 1;
  return slot;
}

int freeimg(uint32_t slot) {
  if (slot >= nextimg || !img[slot].in_use) return 0;
  if ((uint32_t)(lastfimg + 1) >= nfimg) {
    auto *grown = (uint32_t *)std::realloc(fimg, sizeof(uint32_t) * (size_t)(nfimg + grow_step));
    if (!grown) { error(503); return 0; }
    fimg = grown;
    nfimg += grow_step;
  }
  std::memset(&img[slot], 0, sizeof(img_struct));
  fimg[++lastfimg] = slot;
  return 1;
}

// Releases an image with the memory it owns.
static void img_release(uint32_t slot) {
  img_struct *im = &img[slot];
  if (im->flags & img_own_pixels) std::free(im->pixels);
  if (im->flags & img_own_palette) std::free(im->palette);
  freeimg(slot);
}

int img_rows(const img_struct *im) {
  if (im->is_text) return im->height;
  int fh = fontheight[im->font & 1023];
  return fh ? im->height / fh : 0;
}

int img_columns(const img_struct *im) {
  if (im->is_text) return im->width;
  int fw = fontwidth[im->font & 1023];
  return fw ? im->width / fw : im->width;   // width 0: proportional font, counted in pixels
}

// Bits, bytes per pixel, default font and colour of each mode; false for modes images
// cannot have.
static bool mode_defaults(int32_t mode, int &bits, int &bytes, int &font, uint32_t &color) {
  bytes = 1;
  switch (mode) {
    case 0: bits = 16; bytes = 2; font = 16; color = 7; return true;
    case 1: bits = 2; font = 8; color = 3; return true;
    case 2: bits = 1; font = 8; color = 1; return true;
    case 7: case 8: bits = 4; font = 8; color = 15; return true;
    case 9: bits = 4; font = 14; color = 15; return true;
    case 10: bits = 2; font = 14; color = 3; return true;
    case 11: bits = 1; font = 16; color = 1; return true;
    case 12: bits = 4; font = 16; color = 15; return true;
    case 13: bits = 8; font = 8; color = 15; return true;
    case 256: bits = 8; font = 16; color = 15; return true;
    case 32: bits = 32; bytes = 4; font = 16; color = 0xFFFFFFFFu; return true;
    default: return false;
  }
}

static void set_text_area(img_struct *im) {
  im->cursor_x = im->cursor_y = im->top_row = 1;
  int rows = img_rows(im);
  im->bottom_row = (int16_t)(rows - 1 < 1 ? 1 : rows - 1);
  im->holding_cursor = 0;
}

// Fills every field but the slot bookkeeping, memory pointers and flags with the
// defaults of a w x h image of the given (valid) mode.
static void img_defaults(img_struct *im, int32_t w, int32_t h, int32_t mode) {
  int bits = 0, bytes = 0, font = 0;
  uint32_t color = 0;
  mode_defaults(mode, bits, bytes, font, color);
  uint8_t in_use = im->in_use;
  uint8_t *pixels = im->pixels;
  uint32_t *palette = im->palette;
  uint32_t flags = im->flags;
  std::memset(im, 0, sizeof *im);
  im->in_use = in_use;
  im->pixels = pixels;
  im->palette = palette;
  im->flags = flags;

  im->width = (uint16_t)w;
  im->height = (uint16_t)h;
  im->screen_mode = (uint16_t)mode;
  im->bits_per_pixel = (uint8_t)bits;
  im->bytes_per_pixel = (uint8_t)bytes;
  im->mask = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
  im->font = (uint32_t)font;
  im->color = color;
  im->background_color = mode == 32 ? 0xFF000000u : 0;
  im->draw_color = color;
  im->print_mode = 3;
  im->transparent_color = -1;
  im->draw_angle = 0;
  im->draw_scale = 1;
  if (mode == 0) {
    im->is_text = 1;
    im->cursor_show = 0;
    im->cursor_first = 4;
    im->cursor_last = 4;
  } else {
    im->view_x1 = 0;
    im->view_y1 = 0;
    im->view_x2 = w - 1;
    im->view_y2 = h - 1;
    im->graphics_x = (float)(w / 2);
    im->graphics_y = (float)(h / 2);
    im->scale_x = im->scale_y = 1;
    im->window_x1 = im->window_y1 = 0;
    im->window_x2 = (float)(w - 1);
    im->window_y2 = (float)(h - 1);
  }
  set_text_area(im);
}

uint32_t imgframe(uint8_t *data, int32_t w, int32_t h, int32_t mode) {
  int bits, bytes, font;
  uint32_t color;
  if (w < 1 || h < 1 || w > 65535 || h > 65535) return 0;
  if (!mode_defaults(mode, bits, bytes, font, color)) return 0;
  uint32_t *palette = nullptr;
  if (mode != 32) {
    palette = (uint32_t *)std::calloc(256, sizeof(uint32_t));
    if (!palette) return 0;
  }
  uint32_t slot = newimg();
  img_struct *im = &img[slot];
  im->pixels = data;
  im->palette = palette;
  im->flags = palette ? img_own_palette : 0;
  img_defaults(im, w, h, mode);
  restorepalette(im);
  return slot;
}

uint32_t imgnew(int32_t w, int32_t h, int32_t mode) {
  uint32_t slot = imgframe(nullptr, w, h, mode);
  if (!slot) return 0;
  img_struct *im = &img[slot];
  size_t cells = (size_t)w * (size_t)h;
  uint8_t *mem = (uint8_t *)(im->is_text ? std::malloc(cells * 2) : std::calloc(cells, im->bytes_per_pixel));
  if (!mem) {
    img_release(slot);
    return 0;
  }
  if (im->is_text)
    for (size_t i = 0; i < cells; i++) mem[i * 2] = 0x20, mem[i * 2 + 1] = 0x07;
  im->pixels = mem;
  im->flags |= img_own_pixels;
  return slot;
}

void imgrevert(uint32_t slot) {
  if (slot >= nextimg || !img[slot].in_use) return;
  img_struct *im = &img[slot];
  img_defaults(im, im->width, im->height, im->screen_mode);
}

// ---- palettes and colours -----------------------------------------------------------

void restorepalette(img_struct *im) {
  uint32_t *p = im->palette;
  if (!p) return;
  switch (im->screen_mode) {
    case 13: case 256:
      std::memcpy(p, palette_256, sizeof palette_256);
      break;
    case 0: case 7: case 8: case 12:
      std::memcpy(p, palette_256, 16 * sizeof(uint32_t));
      break;
    case 1:
      p[0] = palette_256[0], p[1] = palette_256[3], p[2] = palette_256[5], p[3] = palette_256[7];
      break;
    case 2: case 11:
      p[0] = opaque | 0x000000, p[1] = opaque | 0xFFFFFF;
      break;
    case 9:
      for (int i = 0; i < 6; i++) p[i] = palette_64[i];
      p[6] = palette_64[20];
      p[7] = palette_64[7];
      for (int i = 8; i < 16; i++) p[i] = palette_64[48 + i];
      break;
    case 10:                                        // indexes into the SCREEN 10 colour table
      p[4] = 0, p[5] = 4, p[6] = 6, p[7] = 8;
      break;
    default:
      break;
  }
}

void defaultcolors() {
  img_struct *im = write_page;
  if (!im) return;
  switch (im->screen_mode) {
    case 0: im->color = 7, im->background_color = 0; break;
    case 1: case 10: im->color = 3, im->background_color = 0; break;
    case 2: case 11: im->color = 1, im->background_color = 0; break;
    case 32: im->color = 0xFFFFFFFFu, im->background_color = 0xFF000000u; break;
    default: im->color = 15, im->background_color = 0; break;
  }
  im->draw_color = im->color;
}

int selectfont(int32_t f, img_struct *im) {
  im->font = (uint32_t)f;
  set_text_area(im);
  return 1;
}

void kelg_sub_color(uint32_t fg, uint32_t bg, uint32_t border, int32_t passed) {
  if (new_error) return;
  if (!passed) return;
  if (passed & 4) { error(5); return; }
  img_struct *im = write_page;
  if (!im) return;
  bool has_fg = passed & 1, has_bg = passed & 2;
  uint32_t fg_max = 0, bg_max = 0;   // inclusive limits
  switch (im->screen_mode) {
    case 13: case 256: fg_max = 255, bg_max = 255; break;
    case 32: fg_max = bg_max = 0xFFFFFFFFu; break;
    case 12: fg_max = 15, bg_max = 15; break;
    case 11: fg_max = 1, bg_max = 1; break;
    case 10: fg_max = 3, bg_max = 8; break;
    case 9: fg_max = 15, bg_max = 63; break;
    case 7: case 8: fg_max = 15, bg_max = 15; break;
    case 2: fg_max = 1, bg_max = 15; break;
    case 1: fg_max = 15, bg_max = 0xFFFFFFFFu; break;
    case 0: fg_max = 31, bg_max = 15; break;
    default: error(5); return;
  }
  if ((has_fg && fg > fg_max) || (has_bg && bg > bg_max)) { error(5); return; }
  uint32_t *p = im->palette;
  switch (im->screen_mode) {
    case 13: case 256: case 32: case 12: case 11:
      if (has_fg) im->color = fg;
      if (has_bg) im->background_color = bg;
      break;
    case 10:
      if (has_fg) im->color = fg;
      if (has_bg) p[4] = bg;
      break;
    case 9:
      if (has_fg) im->color = fg;
      if (has_bg) p[0] = palette_64[bg];
      break;
    case 7: case 8: case 2:
      if (has_fg) im->color = fg;
      if (has_bg) p[0] = palette_256[bg];
      break;
    case 1:                                           // screen colour and palette choice
      if (has_fg) p[0] = palette_256[fg];
      if (has_bg) {
        bool odd = bg & 1;
        p[1] = palette_256[odd ? 3 : 2];
        p[2] = palette_256[odd ? 5 : 4];
        p[3] = palette_256[odd ? 7 : 6];
      }
      break;
    case 0:
      if (has_fg) im->color = fg;
      if (has_bg) im->background_color = bg & 7;
      break;
  }
}

// A 0-63 colour component scaled to 0-255, rounding ties to even.
static uint32_t palette_component(uint32_t c) {
  float v = (float)c * 4.0634918212890625f - 0.49999991059303284f;
  long r = std::lrint(std::nearbyint(v));
  return (uint32_t)(r < 0 ? 0 : r > 255 ? 255 : r);
}

void kelg_palette(uint32_t attribute, uint32_t colour, int32_t passed) {
  if (new_error) return;
  img_struct *im = write_page;
  if (!im) return;
  if (!passed) {
    restorepalette(im);
    return;
  }
  if (im->screen_mode == 32 || !im->palette) { error(5); return; }
  uint32_t a = attribute % 256;
  uint32_t *p = im->palette;
  switch (im->screen_mode) {
    case 13: case 256: case 12: case 11: {
      uint32_t amax = im->screen_mode == 12 ? 15 : im->screen_mode == 11 ? 1 : 255;
      if (a > amax || (colour & ~0x3F3F3Fu)) { error(5); return; }
      uint32_t red = palette_component(colour & 63);
      uint32_t green = palette_component((colour >> 8) & 63);
      uint32_t blue = palette_component((colour >> 16) & 63);
      p[a] = opaque | red << 16 | green << 8 | blue;
      return;
    }
    case 10:
      if (a > 3 || colour > 8) { error(5); return; }
      p[a + 4] = colour;
      return;
    case 9: case 0:
      if (a > 15 || colour > 63) { error(5); return; }
      p[a] = palette_64[colour];
      return;
    case 7: case 8: case 1: case 2:
      if (a > (im->screen_mode == 2 ? 1u : 15u) || colour > 15) { error(5); return; }
      p[a] = palette_256[colour];
      return;
    default:
      error(5);
      return;
  }
}

// ---- pages --------------------------------------------------------------------------

// Grows the page table and creates page n when missing; false (nothing changed for the
// caller to undo) when memory runs out.
static bool page_make(int32_t n) {
  if (n < 0 || !img_pages || !img_page[0]) return false;
  if ((uint32_t)n >= img_pages) {
    auto *grown = (uint32_t *)std::realloc(img_page, sizeof(uint32_t) * ((size_t)n + 1));
    if (!grown) return false;
    std::memset(grown + img_pages, 0, sizeof(uint32_t) * ((size_t)n + 1 - img_pages));
    img_page = grown;
    img_pages = (uint32_t)n + 1;
  }
  if (img_page[n]) return true;
  img_struct *p0 = &img[img_page[0]];
  uint32_t slot = imgnew(p0->width, p0->height, p0->screen_mode);
  if (!slot) return false;
  p0 = &img[img_page[0]];                          // imgnew may have moved the table
  img_struct *im = &img[slot];
  if (im->flags & img_own_palette) std::free(im->palette);
  im->palette = p0->palette;                   // pages of a mode share page 0's palette
  im->flags = (im->flags & ~img_own_palette) | img_screen_page;
  selectfont((int32_t)p0->font, im);
  img_page[n] = slot;
  return true;
}

void validatepage(int32_t n) {
  if (n < 0) { error(5); return; }
  if (!page_make(n)) error(7);
}

// Waits until the main thread stops reading pages (it answers on every pass of its loop,
// whether it refreshes on its own or only when asked).
static bool hold_display() {
  if (!lock_display_required) return false;
  lock_display = 1;
  while (lock_display != 2) {
    if (stop_program.load() == 1) {   // the main thread is waiting for this thread to end
      lock_display = 0;
      end();
    }
    platform_sleep(0);
  }
  return true;
}

static void release_display(bool held) {
  if (held) lock_display = 0;
}

// Releases every page image; a kept program image only stops being a page.
static void release_pages() {
  for (uint32_t i = 0; i < img_pages; i++) {
    uint32_t s = img_page[i];
    if (!s || s >= nextimg || !img[s].in_use) continue;
    if (i == 0 && sub_screen_keep_page0) {
      img[s].flags &= ~img_screen_page;
      continue;
    }
    img_release(s);
    for (uint32_t j = i + 1; j < img_pages; j++)   // never release a shared slot twice
      if (img_page[j] == s) img_page[j] = 0;
  }
  if (!img_page) img_page = (uint32_t *)std::calloc(1, sizeof(uint32_t));
  img_pages = 1;
  img_page[0] = 0;
  sub_screen_keep_page0 = 0;
  display_page = write_page = read_page = nullptr;
  display_page_index = write_page_index = read_page_index = 0;
}

// Chooses the text grid for SCREEN 0 from a pending WIDTH request or the old grid, and
// consumes the request.
static void text_grid(int old_cols, int old_rows, int &cols, int &rows, int &font) {
  int wc = sub_screen_width_in_characters, hc = sub_screen_height_in_characters, f = sub_screen_font;
  if (wc != -1 && hc != -1) {
    cols = wc, rows = hc;
    font = f != -1 ? f : (hc == 43 ? 14 : hc == 50 ? 8 : 16) + (wc == 40);
  } else if (wc != -1) {
    cols = wc;
    if (old_rows == 43) rows = 43, font = 14;
    else if (old_rows == 50) rows = 50, font = 8;
    else rows = 25, font = 16;
    if (cols == 40) font++;
  } else if (hc != -1) {
    rows = hc;
    font = hc == 43 ? 14 : hc == 50 ? 8 : 16;
    cols = 80;
    if (old_cols == 40) cols = 40, font++;
  } else if (old_cols == 80 && old_rows == 50) {
    cols = 80, rows = 50, font = 8;
  } else if (old_cols == 40 && old_rows == 50) {
    cols = 40, rows = 50, font = 9;
  } else if (old_cols == 80 && old_rows == 43) {
    cols = 80, rows = 43, font = 8;
  } else if (old_cols == 40 && old_rows == 43) {
    cols = 40, rows = 43, font = 9;
  } else if (old_cols == 40 && old_rows == 25) {
    cols = 40, rows = 25, font = 17;
  } else {
    cols = 80, rows = 25, font = 16;
  }
  if (cols == 40 && rows == 25) font = 17;
  if (cols == 80 && rows == 25) font = 16;
  sub_screen_width_in_characters = sub_screen_height_in_characters = sub_screen_font = -1;
}

// Builds the eight text pages, as many as fit over the B800 window.
static uint32_t build_text_pages(int cols, int rows, int font) {
  for (uint32_t i = 0; i < text_window_size; i += 2) cmem[cmem_text + i] = 0x20, cmem[cmem_text + i + 1] = 0x07;
  // Pages start on 2 KB steps, as the adapter lays them out (4096 bytes for 80x25).
  uint32_t size = ((uint32_t)cols * (uint32_t)rows * 2 + 2047) & ~2047u;
  uint32_t in_window = text_window_size / size;
  if (in_window > 8) in_window = 8;
  auto *grown = (uint32_t *)std::realloc(img_page, sizeof(uint32_t) * 8);
  if (!grown) return 0;
  img_page = grown;
  for (uint32_t i = 0; i < 8; i++) {
    uint32_t slot = i < in_window ? imgframe(cmem + cmem_text + i * size, cols, rows, 0) : imgnew(cols, rows, 0);
    if (!slot) {                               // keep the pages made so far
      if (i == 0) return 0;
      std::memset(img_page + i, 0, sizeof(uint32_t) * (8 - i));
      break;
    }
    img[slot].flags |= img_screen_page;
    selectfont(font, &img[slot]);
    img_page[i] = slot;
  }
  img_pages = 8;
  return img_page[0];
}

// Builds page 0 of a mode (and the other text pages of SCREEN 0); 0 when memory ran out.
static uint32_t build_page0(int32_t mode, int old_cols, int old_rows) {
  uint32_t slot = 0;
  switch (mode) {
    case 13:
      slot = imgframe(cmem + cmem_vga, 320, 200, 13);
      if (slot) std::memset(cmem + cmem_vga, 0, 64000);
      break;
    case 12: case 11:
      slot = imgnew(640, 480, mode);
      if (slot && old_cols == 80 && old_rows == 60) selectfont(8, &img[slot]);
      break;
    case 10: case 9:
      slot = imgnew(640, 350, mode);
      if (slot && old_cols == 80 && old_rows == 43) selectfont(8, &img[slot]);
      break;
    case 8: case 2: slot = imgnew(640, 200, mode); break;
    case 7: case 1: slot = imgnew(320, 200, mode); break;
    case 0: {
      int cols, rows, font;
      text_grid(old_cols, old_rows, cols, rows, font);
      return build_text_pages(cols, rows, font);
    }
  }
  if (slot) {
    img[slot].flags |= img_screen_page;
    img_page[0] = slot;
  }
  return slot;
}

static img_struct *page_image(int32_t n) { return &img[img_page[n]]; }

void kelg_screen(int32_t mode, int32_t colorswitch, int32_t active, int32_t visual, int32_t refresh, int32_t passed) {
  if (new_error) return;
  bool has_mode = passed & 1, has_active = passed & 4, has_visual = passed & 8;

  // Validate everything before anything changes.
  bool mode_change = false;
  if (has_mode) {
    if (mode < 0) {
      uint32_t n = (uint32_t)(-(int64_t)mode);
      if (n >= nextimg || !img[n].in_use) { error(258); return; }
      bool is_page0 = img_pages && img_page[0] == n;
      if (!is_page0 && (img[n].flags & img_screen_page)) { error(5); return; }  // would be released below
      mode_change = !is_page0;
    } else {
      if ((mode >= 3 && mode <= 6) || mode > 13) { error(5); return; }
      mode_change = !img_pages || !img_page[0] || img[img_page[0]].screen_mode != mode ||
                    sub_screen_width_in_characters != -1 || sub_screen_height_in_characters != -1 ||
                    sub_screen_font != -1;
    }
  }
  if (has_active) {
    if (active < 0) { error(5); return; }
    if (!has_visual) visual = active, has_visual = true;
  }
  if (has_visual && visual < 0) { error(5); return; }
  if (!(has_mode && mode == 0 && (passed & ~2) == 1)) width8050switch = 0;

  if (!mode_change) {
    // Page roles only: make the pages first so a failure leaves the roles as they were.
    if (has_active && !page_make(active)) { error(7); return; }
    if (has_visual && !page_make(visual)) { error(7); return; }
  }

  // A new visible page is fenced like a rebuilt one: the refresh must not read the
  // page pointer while it changes.
  bool held = (mode_change || has_visual) ? hold_display() : false;
  if (mode_change) {
    int old_cols = 0, old_rows = 0;
    if (img_pages && img_page[0] && img[img_page[0]].in_use) {
      old_cols = img_columns(&img[img_page[0]]);
      old_rows = img_rows(&img[img_page[0]]);
    }
    uint32_t keep = mode < 0 ? (uint32_t)(-(int64_t)mode) : 0;
    release_pages();
    uint32_t slot;
    if (keep) {
      img[keep].flags |= img_screen_page;
      img_page[0] = keep;
      sub_screen_keep_page0 = 1;
      slot = keep;
    } else {
      slot = build_page0(mode, old_cols, old_rows);
    }
    if (!slot) {
      release_display(held);
      error(7);
      return;
    }
    if (images_page_rebuilt) images_page_rebuilt();   // the refresh redraws the new page whole
    img_struct *p0 = &img[slot];
    p0->draw_angle = 0;
    p0->draw_scale = 1;
    display_page = write_page = read_page = p0;
    display_page_index = write_page_index = read_page_index = 0;
    if ((has_active && !page_make(active)) || (has_visual && !page_make(visual))) {
      release_display(held);
      error(7);
      return;
    }
  }

  if (has_active) {
    img_struct *previous = write_page;
    int32_t previous_index = write_page_index;
    img_struct *im = page_image(active);
    write_page = read_page = im;
    write_page_index = read_page_index = active;
    defaultcolors();
    if (active != previous_index && !im->is_text && previous && previous != im) {
      constexpr size_t from = offsetof(img_struct, view_x1);
      constexpr size_t to = offsetof(img_struct, draw_scale) + sizeof(double);
      std::memcpy((uint8_t *)im + from, (const uint8_t *)previous + from, to - from);
    }
  }
  if (has_visual) {
    display_page = page_image(visual);
    display_page_index = visual;
    defaultcolors();
  }
  release_display(held);
}

// ---- WIDTH and PCOPY ----------------------------------------------------------------

// Resizes a free-size image to a grid of characters, keeping its colours and font.
static void width_resize(img_struct *im, int32_t columns, int32_t rows, int32_t passed) {
  int fw = fontwidth[im->font & 1023], fh = fontheight[im->font & 1023];
  if (!fw || !fh) { error(5); return; }
  int32_t cols = passed & 1 ? columns : im->width / fw;
  int32_t rws = passed & 2 ? rows : im->height / fh;
  if (cols < 1 || rws < 1) { error(5); return; }
  int64_t w = (int64_t)cols * fw, h = (int64_t)rws * fh;
  if (w > 65535 || h > 65535) { error(5); return; }
  size_t bytes = (size_t)w * (size_t)h * im->bytes_per_pixel;
  auto *mem = (uint8_t *)std::calloc(bytes, 1);
  if (!mem) { error(7); return; }
  width8050switch = 0;
  bool held = im == display_page ? hold_display() : false;
  if (im->flags & img_own_pixels) std::free(im->pixels);
  im->pixels = mem;
  im->flags |= img_own_pixels;
  uint32_t color = im->color, background = im->background_color, font = im->font;
  im->width = (uint16_t)w;
  im->height = (uint16_t)h;
  imgrevert((uint32_t)(im - img));
  im->color = color;
  im->background_color = background;
  im->draw_color = color;
  selectfont((int32_t)font, im);
  release_display(held);
}

// Legacy graphics modes: picks the tallest built-in font that gives the requested rows.
static void width_graphics(img_struct *im, int32_t columns, int32_t rows, int32_t passed) {
  if (passed & 1) {
    if (columns < 1 || columns > im->width / 8) { error(5); return; }
  }
  int font = (int)im->font;
  if (passed & 2) {
    if (rows < 1) { error(5); return; }
    static const int heights[] = {16, 14, 8};
    font = 0;
    for (int fh : heights)
      if (im->height / fh >= rows) { font = fh; break; }
    if (!font) { error(5); return; }
  }
  width8050switch = 0;
  for (uint32_t i = 0; i < img_pages; i++)
    if (img_page[i] && img[img_page[i]].screen_mode == im->screen_mode && !img[img_page[i]].is_text)
      selectfont(font, &img[img_page[i]]);
  if (!(im->flags & img_screen_page)) selectfont(font, im);
}

void kelsub_width(int32_t file, int32_t columns, int32_t rows, int32_t passed) {
  if (new_error) return;
  if (file) return;                            // files and devices keep no width here
  if (!(passed & 3)) return;
  img_struct *im = write_page;
  if (!im) return;
  switch (im->screen_mode) {
    case 32: case 256:
      width_resize(im, columns, rows, passed);
      return;
    case 0: {
      if ((passed & 1) && columns != 40 && columns != 80) { error(5); return; }
      if ((passed & 2) && rows != 25 && rows != 43 && rows != 50) { error(5); return; }
      width8050switch = 0;
      sub_screen_width_in_characters = passed & 1 ? columns : -1;
      sub_screen_height_in_characters = passed & 2 ? rows : -1;
      sub_screen_font = -1;
      if ((passed & 3) == 3)
        sub_screen_font = (rows == 43 ? 14 : rows == 50 ? 8 : 16) + (columns == 40);
      kelg_screen(0, 0, 0, 0, 0, 1);
      return;
    }
    default:
      width_graphics(im, columns, rows, passed);
      return;
  }
}

// A PCOPY operand: a page (made when missing) or, when negative, an image in use.
static img_struct *pcopy_image(int32_t n) {
  if (n >= 0) {
    if (!page_make(n)) { error(7); return nullptr; }
    return &img[img_page[n]];
  }
  uint32_t slot = (uint32_t)(-(int64_t)n);
  if (slot >= nextimg || !img[slot].in_use) { error(5); return nullptr; }
  return &img[slot];
}

void sub_pcopy(int32_t src, int32_t dst) {
  if (new_error) return;
  // Check image operands before any page is created.
  for (int32_t n : {src, dst}) {
    if (n >= 0) continue;
    uint32_t slot = (uint32_t)(-(int64_t)n);
    if (slot >= nextimg || !img[slot].in_use) { error(5); return; }
  }
  img_struct *s = pcopy_image(src);
  if (!s) return;
  uint32_t s_slot = (uint32_t)(s - img);      // page_make may move the table
  img_struct *d = pcopy_image(dst);
  if (!d) return;
  s = &img[s_slot];
  if (s == d) return;
  if (s->width != d->width || s->height != d->height || s->bytes_per_pixel != d->bytes_per_pixel ||
      (s->bytes_per_pixel == 1 && d->mask < s->mask)) {
    error(5);
    return;
  }
  std::memmove(d->pixels, s->pixels, (size_t)s->width * s->height * s->bytes_per_pixel);
}

// ---- start-up -----------------------------------------------------------------------

void images_init() {
  if (img) {                                   // started again: release what the last run made
    for (uint32_t i = 2; i < nextimg; i++)
      if (img[i].in_use) img_release(i);
    std::free(img);
    std::free(fimg);
    std::free(img_page);
  }
  nimg = grow_step;
  img = (img_struct *)std::calloc(nimg, sizeof(img_struct));
  nfimg = grow_step;
  fimg = (uint32_t *)std::malloc(sizeof(uint32_t) * nfimg);
  if (!img || !fimg) error(502);
  lastfimg = -1;
  nextimg = 0;
  newimg();
  newimg();
  img[0].in_use = img[1].in_use = 0;          // slots 0 and 1 never name an image

  img_page = (uint32_t *)std::calloc(1, sizeof(uint32_t));
  img_pages = 1;
  display_page = write_page = read_page = nullptr;
  display_page_index = write_page_index = read_page_index = 0;
  sub_screen_keep_page0 = 0;
  width8050switch = 1;
  sub_screen_width_in_characters = sub_screen_height_in_characters = sub_screen_font = -1;

  std::memset(fontwidth, 0, sizeof fontwidth);
  std::memset(fontheight, 0, sizeof fontheight);
  std::memset(fontflags, 0, sizeof fontflags);
  static const struct { int font, w, h; } builtin[] = {
      {8, 8, 8}, {14, 8, 14}, {16, 8, 16}, {9, 16, 8}, {15, 16, 14}, {17, 16, 16}};
  for (auto &b : builtin) {
    fontwidth[b.font] = (uint8_t)b.w;
    fontheight[b.font] = (uint8_t)b.h;
    fontflags[b.font] = 16;
  }

  for (int i = 0; i < 256; i++) palette_256[i] = file_kelvo_pal[i] | opaque;
  for (int i = 0; i < 64; i++) palette_64[i] = file_kelvoega_pal[i] | opaque;
  std::memcpy(charset8x8, file_charset8_raw, sizeof charset8x8);
  std::memcpy(charset8x16, file_chrset16_raw, sizeof charset8x16);
  static bool clear_hooked = false;
  if (!clear_hooked) kel_on_clear(images_free_program_images);
  clear_hooked = true;
}

void images_free_program_images() {
  for (uint32_t i = 2; i < nextimg; i++)
    if (img[i].in_use && !(img[i].flags & img_screen_page)) img_release(i);
}
