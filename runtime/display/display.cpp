// Display refresh: the visible page into the 32-bit window surface, with change caches,
// the blinking text cursor, the windowed / full-screen cycle and the arrow pointer.
#include "display.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include "flags.h"
#include "events.h"
#include "images.h"
#include "host.h"
#include "kel_data.h"
#include "platform.h"
#include "display_msgbox.h"

SDL_Surface *display_surface = nullptr;
uint32_t *display_surface_offset = nullptr;
int display_x_monitor = 0, display_y_monitor = 0, display_x_offset = 0, display_y_offset = 0;
int display_x_scale = 1, display_y_scale = 1;
std::atomic<int> full_screen{0}, full_screen_set{-1};
std::atomic<int> full_screen_toggle{0};
uint32_t display_frame = 0;
int screen_last_valid = 0;
uint32_t pal_mode10[2][9] = {
    {0, 0, 0, 0x808080, 0x808080, 0x808080, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},
    {0, 0x808080, 0xFFFFFF, 0, 0x808080, 0xFFFFFF, 0, 0x808080, 0xFFFFFF}};
mode_rect *display_modes = nullptr;
int display_nmodes = 0, display_anymode = 0;
int mouseinput_ignoremovement = 0;       // pointer moves still to be ignored after a mode switch
int mouse_hideshow_called = 0;           // _MOUSEHIDE or _MOUSESHOW decides the pointer, not the refresh
void (*display_mode_switched)() = nullptr;
uint32_t display_updates = 0;

// Text cache: the cells last drawn, the palette they were drawn with, and the cursor and
// blink state of the previous call.
static std::vector<uint8_t> screen_last;
static size_t screen_last_size = 0;
static uint32_t pal_last[256];
static int last_cursor_cell = -1;
static uint32_t last_cursor_state = 0;    // 0 = not drawn, else shape | 1
static int last_blink_phase = 0;

// Graphics cache: pixel bytes and used palette entries of the last converted page.
static std::vector<uint8_t> gfx_last_pixels;
static uint32_t gfx_last_pal[256];

// What the window currently shows, to notice a different page or a new mode.
static const img_struct *last_page = nullptr;
static uint32_t last_page_key[6];
static int surface_full_screen = -1;

void display_invalidate() { screen_last_valid = 0; }

// The display reads page memory while the game thread draws, by design (a refresh may
// show a half-drawn frame). Under the thread sanitizer the reader says so for the span
// of its reads, which keeps the report free of this one intended race.
#if defined(__SANITIZE_THREAD__)
#define KEL_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KEL_TSAN 1
#endif
#endif
#ifdef KEL_TSAN
extern "C" void AnnotateIgnoreReadsBegin(const char *file, int line);
extern "C" void AnnotateIgnoreReadsEnd(const char *file, int line);
display_page_reader::display_page_reader() { AnnotateIgnoreReadsBegin(__FILE__, __LINE__); }
display_page_reader::~display_page_reader() { AnnotateIgnoreReadsEnd(__FILE__, __LINE__); }
#else
display_page_reader::display_page_reader() {}
display_page_reader::~display_page_reader() {}
#endif

void display_choose_modes(const mode_rect *list, int n, int w, int h, int *stretch, int *square) {
  *stretch = *square = -1;
  int best_stretch = 0, best_square = 0;
  for (int i = 0; i < n; i++) {
    int mw = list[i].w, mh = list[i].h;
    if (mw < 640 || mw < w || mh < h) continue;
    int z = (mw - w) + (mh - h);
    if (*stretch < 0 || z <= best_stretch) *stretch = i, best_stretch = z;   // later wins ties
    if (mw / 4 == mh / 3 && (*square < 0 || z <= best_square)) *square = i, best_square = z;
  }
}

int display_cursor_rows(int s, int e, int height, int *rows) {
  int n = 0;
  int last = height - 1;
  int b = height == 16 ? 14 : last;            // the (b) bottom: scan line 14 of a 16-row cell
  auto from_bottom = [&](int bottom, int count) {
    for (int r = bottom; r > bottom - count && r >= 0; r--)
      if (r <= last) rows[n++] = r;
  };
  auto range = [&](int top, int end) {         // drawn only when the top lies in the cell
    if (top < 0 || top > last) return;
    for (int r = top; r <= std::min(end, last); r++) rows[n++] = r;
  };
  if (e == 0 && s == 0) range(0, 0);
  else if (e == 0) {
  } else if (e < s) range(e, last);
  else if (s == e && s <= 3) range(s, s);
  else if (s == e) from_bottom(b, 1);
  else if (s >= 3 && e == s + 1) from_bottom(b, 2);
  else if (s >= 3 && e == s + 2) from_bottom(b, 3);
  else if (s >= 3) from_bottom(last, height / 2);
  else if (s <= 1 && e <= 3) range(s, e);
  else if (s <= 1) range(s, last);
  else if (e == 3) range(2, 3);                // s = 2 from here on
  else if (e == 4) from_bottom(b, 3);
  else range(2, last);
  return n;
}

// The glyph source of a built-in font: 8 pixels wide, one byte a pixel.
static bool glyph_for(uint32_t font, uint8_t ch, const uint8_t **src, int *rows, bool *wide) {
  switch (font) {
    case 8: case 9: *src = charset8x8 + ch * 64; *rows = 8; break;
    case 14: case 15: *src = charset8x16 + ch * 128 + 8; *rows = 14; break;
    case 16: case 17: *src = charset8x16 + ch * 128; *rows = 16; break;
    default: return false;
  }
  *wide = font == 9 || font == 15 || font == 17;
  return true;
}

// Draws one text cell at pixel (px, py) of dest, every pixel xs by ys; cursor_rows lists
// the cell rows the cursor covers (ncursor of them, 0 = no cursor).
static void draw_cell(uint32_t *dest, int pitch, int px, int py, int xs, int ys, const img_struct *pg,
                      uint8_t ch, uint8_t attr, bool blink_on, const int *cursor_rows, int ncursor) {
  int fw = fontwidth[pg->font], fh = fontheight[pg->font];
  uint32_t fg = pg->palette[attr & 15], bg = pg->palette[(attr >> 4) & 7];
  uint32_t ink = (attr & 0x80) && blink_on ? bg : fg;
  const uint8_t *src = nullptr;
  int grows = 0;
  bool wide = false;
  bool known = glyph_for(pg->font, ch, &src, &grows, &wide);
  uint32_t cell[32 * 32];
  if (fw > 32 || fh > 32) return;              // only the built-in sizes are drawn here
  for (int y = 0; y < fh; y++)
    for (int x = 0; x < fw; x++) {
      int sx = wide ? x / 2 : x;
      bool on = known && y < grows && sx < 8 && src[y * 8 + sx];
      cell[y * fw + x] = on ? ink : bg;
    }
  for (int i = 0; i < ncursor; i++)
    for (int x = 0; x < fw; x++) cell[cursor_rows[i] * fw + x] = fg;
  for (int y = 0; y < fh; y++) {
    uint32_t *row = dest + (size_t)(py + y * ys) * pitch + px;
    const uint32_t *c = cell + y * fw;
    if (xs == 1) std::memcpy(row, c, fw * 4);
    else
      for (int x = 0; x < fw; x++)
        for (int k = 0; k < xs; k++) row[x * xs + k] = c[x];
    for (int k = 1; k < ys; k++) std::memcpy(row + (size_t)k * pitch, row, (size_t)fw * xs * 4);
  }
}

static int render_text(const img_struct *pg, uint32_t *dest, int pitch, int xoff, int yoff) {
  if (!pg || !pg->is_text || !pg->pixels || !pg->palette) return 0;
  int fw = fontwidth[pg->font], fh = fontheight[pg->font];
  if (fw < 1 || fh < 1) return 0;
  int cols = pg->width, nrows = pg->height;
  size_t ncells = (size_t)cols * nrows;
  if (screen_last_size != ncells) {
    screen_last.assign(ncells * 2, 0);
    screen_last_size = ncells;
    screen_last_valid = 0;
  }
  bool all = !screen_last_valid;
  if (std::memcmp(pg->palette, pal_last, sizeof pal_last)) {
    all = true;                                 // a palette change recolours every cell
    std::memcpy(pal_last, pg->palette, sizeof pal_last);
  }
  int cursor_cell = -1;
  if (pg->cursor_x >= 1 && pg->cursor_x <= cols && pg->cursor_y >= 1 && pg->cursor_y <= nrows)
    cursor_cell = (pg->cursor_y - 1) * cols + (pg->cursor_x - 1);
  int cursor_phase = (display_frame >> 2) & 1, blink_phase = (display_frame >> 3) & 1;
  // The cursor as drawn: hidden, or shown with its shape in the on phase.
  uint32_t cursor_state = pg->cursor_show && cursor_phase
                              ? 1u | (uint32_t)pg->cursor_first << 8 | (uint32_t)pg->cursor_last << 16
                              : 0u;
  bool cursor_changed = cursor_state != last_cursor_state;
  bool moved = cursor_cell != last_cursor_cell;
  bool blink_changed = blink_phase != last_blink_phase;
  int crow[256];
  int ncrow = cursor_state ? display_cursor_rows(pg->cursor_first, pg->cursor_last, fh, crow) : 0;
  const uint8_t *cells = pg->pixels;
  uint8_t *cache = screen_last.data();
  int drawn = 0;
  for (size_t i = 0; i < ncells; i++) {
    uint8_t ch = cells[i * 2], attr = cells[i * 2 + 1];
    bool is_cursor = (int)i == cursor_cell;
    if (!all && ch == cache[i * 2] && attr == cache[i * 2 + 1] && (!(attr & 0x80) || !blink_changed) &&
        !(is_cursor && (cursor_changed || moved)) && !((int)i == last_cursor_cell && moved))
      continue;
    cache[i * 2] = ch;
    cache[i * 2 + 1] = attr;
    int col = (int)(i % cols), row = (int)(i / cols);
    draw_cell(dest, pitch, xoff + col * fw * display_x_scale, yoff + row * fh * display_y_scale, display_x_scale, display_y_scale, pg, ch, attr,
              blink_phase, crow, is_cursor ? ncrow : 0);
    drawn++;
  }
  last_cursor_cell = cursor_cell;
  last_cursor_state = cursor_state;
  last_blink_phase = blink_phase;
  screen_last_valid = 1;
  return drawn;
}

int display_render_text(uint32_t *dest, int pitch, int xoff, int yoff) {
  return render_text(display_page, dest, pitch, xoff, yoff);
}

// ---------------------------------------------------------------- handed frames
// With automatic refresh off, _DISPLAY copies the visible page as it stands (cells or pixels,
// palette, cursor) and hands the copy over; the main thread shows the newest copy on its next
// pass, and the game thread never waits for it. Three copies take turns without a lock: the
// game thread fills its back copy and trades it for the middle one, marked new; the main
// thread, finding the middle one new, trades its front copy for it. Each trade is one atomic
// exchange, which also orders the copy's contents before whoever reads them next.
struct display_frame_copy {
  img_struct page{};                  // the page's fields; pixels and palette point below
  std::vector<uint8_t> pixels;
  uint32_t palette[256];
  const img_struct *source = nullptr;   // the page copied: the change caches follow it
  uint32_t seq = 0;                   // 1 for the first frame handed, and so on
};
static display_frame_copy frame_store[3];
static constexpr unsigned frame_new = 4;  // in frame_middle: a frame handed and not yet taken
static unsigned frame_back = 0;           // game thread: the copy it fills
static std::atomic<unsigned> frame_middle{1};
static unsigned frame_front = 2;          // main thread: the copy it shows
static bool frame_current_valid = false;  // main thread: a frame was taken since the last forget
static uint32_t frame_seq = 0;            // game thread: frames handed so far
static uint32_t frame_shown_seq = 0;      // main thread: the frame the window shows
static std::atomic<uint32_t> frames_handed{0}, frames_shown{0};

static size_t page_bytes(const img_struct *pg) {
  size_t cells = (size_t)pg->width * pg->height;
  return pg->is_text ? cells * 2 : cells * pg->bytes_per_pixel;
}

void display_hand_frame() {
  const img_struct *pg = display_page;
  if (!pg || !pg->pixels) return;
  display_frame_copy *f = &frame_store[frame_back];
  size_t n = page_bytes(pg);
  f->page = *pg;
  f->pixels.resize(n);
  std::memcpy(f->pixels.data(), pg->pixels, n);
  f->page.pixels = f->pixels.data();
  if (pg->palette) {
    std::memcpy(f->palette, pg->palette, sizeof f->palette);
    f->page.palette = f->palette;
  }
  f->source = pg;
  f->seq = ++frame_seq;
  // An older frame still in the middle, not taken, comes back as the copy to fill next.
  frame_back = frame_middle.exchange(frame_back | frame_new, std::memory_order_acq_rel) & 3;
  frames_handed.store(f->seq, std::memory_order_release);
}

// Main thread: the newest handed frame becomes the one to show; false when there is none.
static bool take_frame() {
  if (frame_middle.load(std::memory_order_acquire) & frame_new) {
    frame_front = frame_middle.exchange(frame_front, std::memory_order_acq_rel) & 3;
    frame_current_valid = true;
  }
  return frame_current_valid;
}

static display_frame_copy *frame_current() { return &frame_store[frame_front]; }

void display_forget_frames() {
  take_frame();
  frame_current_valid = false;
}

uint32_t display_frames_handed() { return frames_handed.load(std::memory_order_acquire); }
uint32_t display_frames_shown() { return frames_shown.load(std::memory_order_acquire); }

img_struct *display_shown_page() {
  if (autodisplay.load() == 0 && take_frame()) return &frame_current()->page;
  return display_page;
}

// Pixel size of a page; false when it cannot be shown.
static bool page_pixel_size(const img_struct *pg, int *w, int *h) {
  if (pg->is_text) {
    *w = pg->width * fontwidth[pg->font];
    *h = pg->height * fontheight[pg->font];
  } else {
    *w = pg->width;
    *h = pg->height;
  }
  return *w > 0 && *h > 0 && pg->pixels;
}

// Colours 0-3 of a SCREEN 10 page in the given phase, from the indexes in entries 4-7.
static uint32_t mode10_colour(const img_struct *pg, int phase, int i) {
  uint32_t idx = pg->palette[i + 4];
  return pal_mode10[phase][idx <= 8 ? idx : 8];
}

bool display_screen_rgb(uint32_t *out, int *w, int *h) {
  display_page_reader reading;
  const img_struct *pg = display_shown_page();
  *w = *h = 0;
  if (!pg || !page_pixel_size(pg, w, h)) return false;
  if (!out) return true;
  int pw = *w, ph = *h;
  if (pg->is_text) {
    int fw = fontwidth[pg->font], fh = fontheight[pg->font];
    if (!pg->palette || fw > 32 || fh > 32) {
      std::fill(out, out + (size_t)pw * ph, 0u);
      return true;
    }
    for (int r = 0; r < pg->height; r++)
      for (int c = 0; c < pg->width; c++) {
        const uint8_t *cell = pg->pixels + ((size_t)r * pg->width + c) * 2;
        draw_cell(out, pw, c * fw, r * fh, 1, 1, pg, cell[0], cell[1], false, nullptr, 0);
      }
    for (size_t i = 0; i < (size_t)pw * ph; i++) out[i] &= 0xFFFFFF;
    return true;
  }
  if (pg->bits_per_pixel == 32) {
    const uint32_t *src = (const uint32_t *)pg->pixels;
    for (size_t i = 0; i < (size_t)pw * ph; i++) out[i] = src[i] & 0xFFFFFF;
    return true;
  }
  uint32_t pal[256];
  if (pg->palette) std::memcpy(pal, pg->palette, sizeof pal);
  else std::fill(pal, pal + 256, 0u);
  if (pg->screen_mode == 10 && pg->palette)
    for (int i = 0; i < 4; i++) pal[i] = mode10_colour(pg, 0, i);
  for (size_t i = 0; i < (size_t)pw * ph; i++) out[i] = pal[pg->pixels[i]] & 0xFFFFFF;
  return true;
}

// Converts a palette page through pal into the surface at the offsets and scales.
static void convert_palette_page(const img_struct *pg, const uint32_t *pal, uint32_t *dest, int pitch) {
  int pw = pg->width, ph = pg->height;
  for (int y = 0; y < ph; y++) {
    const uint8_t *src = pg->pixels + (size_t)y * pw;
    uint32_t *row = dest + (size_t)(display_y_offset + y * display_y_scale) * pitch + display_x_offset;
    if (display_x_scale == 1)
      for (int x = 0; x < pw; x++) row[x] = pal[src[x]];
    else
      for (int x = 0; x < pw; x++) row[x * 2] = row[x * 2 + 1] = pal[src[x]];
    if (display_y_scale == 2) std::memcpy(row + pitch, row, (size_t)pw * display_x_scale * 4);
  }
}

static void copy_32bit_page(const img_struct *pg, uint32_t *dest, int pitch) {
  int pw = pg->width, ph = pg->height;
  for (int y = 0; y < ph; y++) {
    const uint32_t *src = (const uint32_t *)pg->pixels + (size_t)y * pw;
    uint32_t *row = dest + (size_t)(display_y_offset + y * display_y_scale) * pitch + display_x_offset;
    if (display_x_scale == 1) std::memcpy(row, src, (size_t)pw * 4);
    else
      for (int x = 0; x < pw; x++) row[x * 2] = row[x * 2 + 1] = src[x];
    if (display_y_scale == 2) std::memcpy(row + pitch, row, (size_t)pw * display_x_scale * 4);
  }
}

// Where SDL will take any size, offers the (doubled) page size and the nearest 4:3 size.
static int synthetic_modes(int w, int h, mode_rect out[2]) {
  int sw = std::max(w, 640);
  int k = std::max((sw + 3) / 4, (h + 2) / 3);
  out[0] = {0, 0, (uint16_t)sw, (uint16_t)h};
  out[1] = {0, 0, (uint16_t)(4 * k), (uint16_t)(3 * k)};
  return 2;
}

static void show_pointer(bool show) {
  if (!mouse_hideshow_called) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

// Steps 2-11 of a refresh, for a page that may be shown: the visible page itself or a handed
// copy of it (source names the page either way).
static void display_refresh_page(img_struct *pg, const img_struct *source) {
  display_page_reader reading;
  uint32_t key[6] = {pg->width, pg->height, pg->screen_mode, pg->bits_per_pixel, pg->font, pg->is_text};
  if (source != last_page || std::memcmp(key, last_page_key, sizeof key)) {
    last_page = source;                         // another page, or the same one rebuilt
    std::memcpy(last_page_key, key, sizeof key);
    screen_last_valid = 0;
  }
  int pw, ph;
  if (!page_pixel_size(pg, &pw, &ph)) return;
  bool small = pw <= 512 && ph <= 384;
  int dw = small ? pw * 2 : pw, dh = small ? ph * 2 : ph;

  mode_rect made[2];
  const mode_rect *list = display_modes;
  int n = display_nmodes;
  if (display_anymode && n == 0) list = made, n = synthetic_modes(dw, dh, made);
  int stretch, square;
  display_choose_modes(list, n, dw, dh, &stretch, &square);

  int fs = full_screen.load(), target = fs;
  auto try_stretch = [&] { if (stretch >= 0) target = 1; };
  auto try_square = [&] { target = square >= 0 && square != stretch ? 2 : 0; };
  int set = full_screen_set.exchange(-1);
  if (set == 0) target = 0;
  else if (set == 1) try_stretch();
  else if (set == 2) try_square();
  else if (full_screen_toggle.load() > 0) {
    full_screen_toggle--;
    if (fs == 0) try_stretch();
    else if (fs == 1) try_square();
    else target = 0;
  }
  // A page that no longer fits the mode in force goes back to the window.
  if ((target == 1 && stretch < 0) || (target == 2 && square < 0)) target = 0;
  if (target != fs) {
    full_screen = target;
    screen_last_valid = 0;
    if (target) {
      SDL_WM_GrabInput(SDL_GRAB_OFF);
      show_pointer(false);
    } else {
      show_pointer(true);
    }
  }

  int sw = pw, sh = ph, xs = 1, ys = 1;
  if (full_screen) {
    const mode_rect &m = list[full_screen == 1 ? stretch : square];
    sw = m.w, sh = m.h;
    if (small) xs = ys = 2;
  }
  if (!display_surface || sw != display_x_monitor || sh != display_y_monitor || full_screen != surface_full_screen) {
    mouseinput_ignoremovement = 65536;         // the switch moves the pointer: not the user
    SDL_Surface *s = SDL_SetVideoMode(sw, sh, 32, SDL_SWSURFACE | (full_screen ? SDL_FULLSCREEN : 0));
    if (!s && full_screen) {                   // refused: back to the window
      full_screen = 0;
      show_pointer(true);
      sw = pw, sh = ph, xs = ys = 1;
      s = SDL_SetVideoMode(sw, sh, 32, SDL_SWSURFACE);
    }
    if (display_mode_switched) display_mode_switched();
    mouseinput_ignoremovement = 4;
    display_surface = s;
    surface_full_screen = full_screen;
    display_x_monitor = sw, display_y_monitor = sh;
    screen_last_valid = 0;
    if (!s) return;
  }
  display_x_scale = xs, display_y_scale = ys;
  display_x_offset = (sw - pw * xs) / 2, display_y_offset = (sh - ph * ys) / 2;
  SDL_Surface *s = display_surface;
  if (s->format->BytesPerPixel != 4 || s->w < display_x_offset + pw * xs || s->h < display_y_offset + ph * ys) return;

  if (!platform_frame_begin(s)) return;
  uint32_t *dest = (uint32_t *)s->pixels;
  display_surface_offset = dest;
  int pitch = s->pitch / 4;
  if (!screen_last_valid) std::memset(dest, 0, (size_t)s->pitch * s->h);
  bool push = false;
  if (pg->is_text) {
    push = render_text(pg, dest, pitch, display_x_offset, display_y_offset) > 0;
  } else if (pg->bits_per_pixel == 32) {
    copy_32bit_page(pg, dest, pitch);
    push = true;
  } else if (pg->palette) {
    if (pg->screen_mode == 10) {
      int phase = (platform_ticks() >> 9) & 1;
      for (int i = 0; i < 4; i++) pg->palette[i] = mode10_colour(pg, phase, i);
    }
    size_t nbytes = (size_t)pw * ph;
    size_t npal = (size_t)1 << std::min<int>(pg->bits_per_pixel, 8);
    bool same = screen_last_valid && gfx_last_pixels.size() == nbytes &&
                std::memcmp(gfx_last_pixels.data(), pg->pixels, nbytes) == 0 &&
                std::memcmp(gfx_last_pal, pg->palette, npal * 4) == 0;
    if (!same) {
      gfx_last_pixels.assign(pg->pixels, pg->pixels + nbytes);
      std::memcpy(gfx_last_pal, pg->palette, npal * 4);
      convert_palette_page(pg, gfx_last_pal, dest, pitch);  // the copy: what the cache holds
      push = true;
    }
  }
  platform_frame_end(s);
  if (push) {
    SDL_UpdateRect(s, 0, 0, 0, 0);
    display_updates++;
    screen_last_valid = 1;
  }
}

// Gives the page to the game thread when it asks to rebuild it.
static void answer_lock() {
  int one = 1;
  if (lock_display.compare_exchange_strong(one, 2)) platform_sleep(0);
}

int display() {
  int ad = autodisplay.load();
  display_frame++;
  answer_lock();
  if (lock_display.load() == 0) {               // only then is the page pointer stable
    if (ad == 0 && take_frame()) {              // refresh off: the newest frame handed
      display_refresh_page(&frame_current()->page, frame_current()->source);
      frame_shown_seq = frame_current()->seq;
      frames_shown.store(frame_shown_seq, std::memory_order_release);
    } else if (img_struct *pg = display_page) {
      display_refresh_page(pg, pg);
    }
  }
  answer_lock();
  return ad;
}

// A refresh asked for by _FULLSCREEN while autodisplay is off: the main thread serves it,
// since only it touches the window (1 = asked, 0 = done).
static std::atomic<int> refresh_request{0};

void display_serve_requests() {
  answer_lock();
  if (refresh_request.load(std::memory_order_acquire)) {
    display();
    refresh_request.store(0, std::memory_order_release);
    return;
  }
  if (autodisplay.load() != 0 || lock_display.load() != 0 || !take_frame()) return;
  // A new frame, a window to repaint (after a box or a mode switch), or Alt+Enter.
  if (frame_current()->seq != frame_shown_seq || !screen_last_valid || full_screen_toggle.load() > 0) display();
}

// Refreshes once with autodisplay off. Without a main loop (tests drive the runtime from one
// thread) the caller owns the window and refreshes itself.
static void refresh_now() {
  if (!platform_main_loop_running.load() || std::this_thread::get_id() == platform_main_thread) {
    display();
    return;
  }
  refresh_request.store(1, std::memory_order_release);
  while (refresh_request.load(std::memory_order_acquire) && stop_program.load() != 1) platform_sleep(1);
}

void sub__display() {
  if (new_error) return;
  display_hand_frame();
  autodisplay = 0;                              // after the frame: the main loop finds it there
  // Without a main loop (tests drive the runtime from one thread) the caller owns the window.
  if (!platform_main_loop_running.load() || std::this_thread::get_id() == platform_main_thread) display();
}

void sub__autodisplay() {
  if (new_error) return;
  autodisplay = 1;
}

// Asks for one full-screen state and waits until the refresh has dealt with it.
static void fullscreen_request(int want) {
  if (want == full_screen.load()) return;
  full_screen_set = want;
  while (autodisplay.load() != 0 && full_screen_set.load() != -1 && !stop_program.load()) platform_sleep(32);
  if (full_screen_set.load() != -1 && autodisplay.load() == 0) refresh_now();
}

void sub__fullscreen(int32_t kind) {
  if (new_error) return;
  int want = kind == 1 ? 0 : kind == 3 ? 2 : 1;
  fullscreen_request(want);
  if (full_screen.load() == want) return;
  if (want == 1) fullscreen_request(2);         // no stretch mode: try the 4:3 one
  else if (want == 2) fullscreen_request(1);
}

int32_t func__fullscreen() {
  if (new_error) return 0;
  return full_screen.load();
}

void display_cursor_bits(uint8_t data[128], uint8_t mask[128], int *hot_x, int *hot_y) {
  std::memset(data, 0, 128);
  std::memset(mask, 0, 128);
  for (int y = 0; y < 32; y++) {
    const char *line = data_arrow[y];
    for (int x = 0; x < 32 && line[x]; x++) {
      uint8_t bit = (uint8_t)(0x80 >> (x & 7));
      if (line[x] == 'X') data[y * 4 + x / 8] |= bit, mask[y * 4 + x / 8] |= bit;   // black
      else if (line[x] == '.') mask[y * 4 + x / 8] |= bit;                          // white
    }
  }
  int hx = 0, hy = 0;
  if (std::sscanf(data_arrow[32], "%d,%d", &hx, &hy) != 2) hx = hy = 0;
  *hot_x = std::clamp(hx, 0, 31);
  *hot_y = std::clamp(hy, 0, 31);
}

void display_make_cursor() {
  uint8_t data[128], mask[128];
  int hx, hy;
  display_cursor_bits(data, mask, &hx, &hy);
  platform_set_cursor(data, mask, 32, 32, hx, hy);
}

// ---------------------------------------------------------------- message boxes
// A box over the window surface, drawn with the 8x8 font; the platform layer runs it.

// The box is drawn into the locked surface in the display's 0x00RRGGBB, like a frame.
static void box_fill(SDL_Surface *s, int x, int y, int w, int h, uint32_t c) {
  int x0 = std::max(x, 0), y0 = std::max(y, 0), x1 = std::min(x + w, s->w), y1 = std::min(y + h, s->h);
  for (int Y = y0; Y < y1; Y++) {
    uint32_t *row = (uint32_t *)((uint8_t *)s->pixels + Y * s->pitch);
    std::fill(row + x0, row + std::max(x0, x1), c);
  }
}

static void box_text(SDL_Surface *s, int x, int y, const std::string &t, uint32_t c) {
  uint32_t px = c;
  for (size_t i = 0; i < t.size(); i++) {
    const uint8_t *g = charset8x8 + (uint8_t)t[i] * 64;
    for (int gy = 0; gy < 8; gy++)
      for (int gx = 0; gx < 8; gx++) {
        int X = x + (int)i * 8 + gx, Y = y + gy;
        if (g[gy * 8 + gx] && X >= 0 && Y >= 0 && X < s->w && Y < s->h)
          *(uint32_t *)((uint8_t *)s->pixels + Y * s->pitch + X * 4) = px;
      }
  }
}

static std::vector<std::string> wrap_lines(const std::string &text, size_t cols) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t nl = text.find('\n', start);
    std::string line = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    while (line.size() > cols) {
      out.push_back(line.substr(0, cols));
      line = line.substr(cols);
    }
    out.push_back(line);
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return out;
}

void display_draw_msgbox(SDL_Surface *s, const char *caption, const char *text,
                         std::vector<platform_msgbox_button> &buttons) {
  int cols = std::max(8, std::min(48, s->w / 8 - 4));
  auto lines = wrap_lines(text, (size_t)cols);
  size_t widest = std::strlen(caption);
  for (auto &l : lines) widest = std::max(widest, l.size());
  int w = (int)std::min<size_t>(widest, (size_t)cols) * 8 + 16, h = 10 + 8 + 8 + (int)lines.size() * 10 + 24;
  w = std::max(w, 120);
  int x = (s->w - w) / 2, y = std::max(0, (s->h - h) / 2);
  if (!platform_frame_begin(s)) return;
  box_fill(s, x - 1, y - 1, w + 2, h + 2, 0xFFFFFF);
  box_fill(s, x, y, w, h, 0x202040);
  box_fill(s, x, y, w, 12, 0x4040A0);
  box_text(s, x + 4, y + 2, std::string(caption).substr(0, (size_t)cols), 0xFFFFFF);
  for (size_t i = 0; i < lines.size(); i++) box_text(s, x + 8, y + 18 + (int)i * 10, lines[i], 0xFFFFFF);
  int bx = x + w - 8;
  for (auto it = buttons.rbegin(); it != buttons.rend(); ++it) {
    int bw = (int)std::strlen(it->label) * 8 + 12;
    bx -= bw;
    it->r = SDL_Rect{(Sint16)bx, (Sint16)(y + h - 18), (Uint16)bw, 14};
    box_fill(s, bx, y + h - 18, bw, 14, 0xC0C0C0);
    box_text(s, bx + 6, y + h - 15, it->label, 0x000000);
    bx -= 8;
  }
  platform_frame_end(s);
  SDL_UpdateRect(s, 0, 0, 0, 0);
}
