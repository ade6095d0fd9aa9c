// INPUT and LINE INPUT: the line editor that checks every keystroke against its variable,
// with a snapshot of the page so Backspace can undo wrapping and scrolling exactly.
#include "input.h"
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include "flags.h"
#include "events.h"
#include "images.h"
#include "kels.h"
#include "keyboard.h"
#include "numconv.h"
#include "platform.h"
#include "text.h"

uint32_t kels_input_variabletypes[264];
void *kels_input_variableoffsets[264];
kels *kels_input_arguements[264];

static constexpr size_t input_max_length = 255;

// ---------------------------------------------------------------- integers

// An integer item of the given width; *pattern receives the value's bit pattern.
static bool check_integer(uint32_t type, int bits, const char *t, int32_t len, uint64_t *pattern) {
  if (bits < 1 || bits > 64) return false;
  bool is_unsigned = type & input_type_unsigned;
  uint64_t all = bits == 64 ? ~0ull : (1ull << bits) - 1;
  *pattern = 0;
  if (len == 0) return true;
  if (t[0] == '&') {
    kels *literal = kels_tmp_from(t, (uint32_t)len);
    int kind = hexoct2uint64(literal);
    kels_free(literal);
    uint64_t v = hexoct2uint64_value;
    if (!kind) return false;
    int digits = len > 2 ? len - 2 : 0;
    int most = kind == 1 ? (bits + 3) / 4 : (bits + 2) / 3;   // digits of the largest value
    if (digits > most || v > all) return false;
    *pattern = v;
    return true;
  }
  int32_t i = 0;
  bool negative = false;
  if (t[0] == '-') {
    if (is_unsigned) return false;
    negative = true;
    i = 1;
  }
  if (i == len) return true;                        // a lone "-" is 0 for now
  if (t[i] == '0' && len - i > 1) return false;
  uint64_t v = 0;
  for (; i < len; i++) {
    if (t[i] < '0' || t[i] > '9') return false;
    uint64_t d = (uint64_t)(t[i] - '0');
    if (v > (~0ull - d) / 10) return false;         // beyond any 64-bit value
    v = v * 10 + d;
  }
  uint64_t top = 1ull << (bits - 1);
  uint64_t limit = is_unsigned ? all : negative ? top : top - 1;
  if (v > limit) return false;
  *pattern = (negative ? 0 - v : v) & all;
  return true;
}

static void store_pattern(void *variable, int bits, uint64_t pattern) {
  auto *p = (uint8_t *)variable;
  for (int b = 0; b < (bits + 7) / 8; b++) p[b] = (uint8_t)(pattern >> (8 * b));
}

// ---------------------------------------------------------------- floating point

// Range of a float type as the decimal exponent e of 0.ddd x 10^e, with the leading
// significant digits of the largest and smallest values, and how many digits a number
// with a fraction may have.
struct float_limits {
  int max_exp;
  const char *max_digits;
  int min_exp;
  const char *min_digits;
  size_t fraction_digits;
};
static const float_limits single_limits{39, "3402823", -44, "1401298", 8};
static const float_limits double_limits{309, "17976931", -323, "4940656", 16};
static const float_limits extended_limits{4933, "11897314", -4950, "3645199", 20};

static bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A float item: "-", digits, one ".", an exponent letter with sign and digits, checked
// against the type's range. *normal receives the text with D turned into E.
static bool check_float_syntax(int bits, const char *t, int32_t len, std::string *normal) {
  const float_limits &lim = bits == 32 ? single_limits : bits == 64 ? double_limits : extended_limits;
  int32_t i = 0;
  if (i < len && t[i] == '-') i++;
  int32_t int_start = i;
  while (i < len && is_digit(t[i])) i++;
  std::string whole(t + int_start, (size_t)(i - int_start));
  if (!whole.empty() && whole[0] == '0' && (whole.size() > 1 || (i < len && t[i] != '.')))
    return false;                                   // a leading 0 must be followed by "."
  bool point = false;
  std::string fraction;
  if (i < len && t[i] == '.') {
    point = true;
    int32_t f = ++i;
    while (i < len && is_digit(t[i])) i++;
    fraction.assign(t + f, (size_t)(i - f));
  }
  int64_t exponent = 0;
  int32_t letter = -1;
  if (i < len && (t[i] == 'E' || t[i] == 'e' || t[i] == 'D' || t[i] == 'd')) {
    if ((t[i] == 'D' || t[i] == 'd') && bits == 32) return false;
    if (whole.empty() && fraction.empty()) return false;   // an exponent needs a mantissa
    letter = i++;
    bool minus = false;
    if (i < len && (t[i] == '-' || t[i] == '+')) minus = t[i++] == '-';
    for (; i < len && is_digit(t[i]); i++)
      if (exponent < 1000000) exponent = exponent * 10 + (t[i] - '0');
    if (minus) exponent = -exponent;
  }
  if (i != len) return false;

  bool whole_counts = !whole.empty() && whole != "0";
  size_t zeros = 0;                                 // the fraction's leading zeros
  while (!whole_counts && zeros < fraction.size() && fraction[zeros] == '0') zeros++;
  if (point) {
    size_t digits = whole_counts ? whole.size() + fraction.size() : fraction.size() - zeros;
    if (digits > lim.fraction_digits) return false;
  }
  std::string significant = whole_counts ? whole + fraction : fraction.substr(zeros);
  if (significant.find_first_not_of('0') != std::string::npos) {   // zero has no range
    int64_t e = (whole_counts ? (int64_t)whole.size() : -(int64_t)zeros) + exponent;
    if (e > lim.max_exp || e < lim.min_exp) return false;
    auto compare = [&](const char *limit) {
      size_t n = std::strlen(limit);
      std::string lead = significant.substr(0, n);
      lead.resize(n, '0');
      return std::strncmp(lead.c_str(), limit, n);
    };
    if (e == lim.max_exp && compare(lim.max_digits) > 0) return false;
    if (e == lim.min_exp && compare(lim.min_digits) < 0) return false;
  }
  normal->assign(t, (size_t)len);
  if (letter >= 0) (*normal)[(size_t)letter] = 'E';
  return true;
}

// ---------------------------------------------------------------- one item

bool input_check_item(uint32_t type, const char *text, int32_t len, void *variable) {
  bool store = variable && !(type & input_type_nostore);
  int bits = (int)(type & input_type_bits);
  if (type & input_type_string) {
    auto *v = (kels *)variable;
    if (v && v->fixed && (uint32_t)len > v->len) return false;
    if (store) kels_set(v, kels_tmp_from(text, (uint32_t)len));
    return true;
  }
  if (type & input_type_float) {
    std::string normal;
    if (!check_float_syntax(bits, text, len, &normal)) return false;
    // Digits past the compared ones can still round a value at the top of the range
    // to infinity; such a value is refused like any other out of range.
    if (bits == 32) {
      float f = std::strtof(normal.c_str(), nullptr);
      if (std::isinf(f)) return false;
      if (store) std::memcpy(variable, &f, sizeof f);
    } else if (bits == 64) {
      double d = std::strtod(normal.c_str(), nullptr);
      if (std::isinf(d)) return false;
      if (store) std::memcpy(variable, &d, sizeof d);
    } else {
      long double x = std::strtold(normal.c_str(), nullptr);
      if (std::isinf(x)) return false;
      if (store) std::memcpy(variable, &x, sizeof x);
    }
    return true;
  }
  uint64_t pattern;
  if (!check_integer(type, bits, text, len, &pattern)) return false;
  if (store) store_pattern(variable, bits, pattern);
  return true;
}

// ---------------------------------------------------------------- editor state

static int32_t input_count;
static bool input_line;                   // LINE INPUT: no items, no quotes
static uint32_t snapshot_slot, work_slot;
static int16_t start_x, start_y;
static uint8_t start_holding;
static bool cursor_drawn;

static size_t page_bytes(const img_struct *im) {
  return (size_t)im->width * im->height * im->bytes_per_pixel;
}

// Copies every field of src into dst but dst's own memory and bookkeeping.
static void copy_state(img_struct *dst, const img_struct *src) {
  uint8_t in_use = dst->in_use;
  uint8_t *pixels = dst->pixels;
  uint32_t *palette = dst->palette;
  uint32_t flags = dst->flags;
  *dst = *src;
  dst->in_use = in_use;
  dst->pixels = pixels;
  dst->palette = palette;
  dst->flags = flags;
}

// A separate image holding a copy of the output page (whose pixels may live in cmem).
static uint32_t copy_page(int critical) {
  uint32_t slot = imgnew(write_page->width, write_page->height, write_page->screen_mode);
  if (!slot) error(critical);
  const img_struct *src = write_page;             // the table may have moved
  img_struct *dst = &img[slot];
  copy_state(dst, src);
  std::memcpy(dst->pixels, src->pixels, page_bytes(src));
  if (dst->palette && src->palette) std::memcpy(dst->palette, src->palette, 256 * sizeof(uint32_t));
  return slot;
}

static void release_copy(uint32_t slot) {
  img_struct *im = &img[slot];
  if (im->flags & img_own_pixels) std::free(im->pixels);
  if (im->flags & img_own_palette) std::free(im->palette);
  freeimg(slot);
}

// Puts back the page as it was before the first key, then prints text on it from the
// remembered cursor; drawing happens on the work image so the window never shows the
// bare snapshot.
static void redraw(const std::string &text, uint32_t tmp_base) {
  img_struct *out = write_page;
  img_struct *work = &img[work_slot];
  std::memcpy(work->pixels, img[snapshot_slot].pixels, page_bytes(out));
  copy_state(work, out);
  work->cursor_x = start_x;
  work->cursor_y = start_y;
  work->holding_cursor = start_holding;
  write_page = work;
  kels_print(kels_tmp_from(text.data(), (uint32_t)text.size()), 0);
  write_page = out;
  kels_cleanup(tmp_base, 0);
  std::memcpy(out->pixels, work->pixels, page_bytes(out));
  out->cursor_x = work->cursor_x;
  out->cursor_y = work->cursor_y;
  out->holding_cursor = work->holding_cursor;
}

// Splits the candidate into items, keeps them in kels_input_arguements and checks the
// last one against its variable (storing it when valid).
static bool check_candidate(const std::string &text) {
  int32_t item = 1;
  std::string current;
  bool quoted = false, closed = false, at_start = true;
  for (char c : text) {
    if (input_line) {
      current += c;
      continue;
    }
    if (quoted) {
      if (c == '"') quoted = false, closed = true;
      else current += c;
      continue;
    }
    if (c == ',') {
      if (item >= input_count) return false;
      kels_set(kels_input_arguements[item], kels_tmp_from(current.data(), (uint32_t)current.size()));
      item++;
      current.clear();
      closed = false;
      at_start = true;
      continue;
    }
    if (closed) return false;                       // only a comma may follow a closing quote
    if (c == '"' && at_start) {
      quoted = true;
      at_start = false;
      continue;
    }
    at_start = false;
    current += c;
  }
  kels_set(kels_input_arguements[item], kels_tmp_from(current.data(), (uint32_t)current.size()));
  return input_check_item(kels_input_variabletypes[item], current.data(), (int32_t)current.size(),
                          kels_input_variableoffsets[item]);
}

// ---------------------------------------------------------------- the cursor on graphics pages

static void xor_cursor(img_struct *im) {
  int fw = fontwidth[im->font & 1023], fh = fontheight[im->font & 1023];
  if (!fw) fw = 1;
  if (!fh) fh = 1;
  bool thin = im->font >= 32 || im->screen_mode == 32 || im->screen_mode == 256;
  int x0 = (im->cursor_x - 1) * fw, y0 = (im->cursor_y - 1) * fh;
  int w = thin ? 1 : fw;
  uint8_t alpha = im->alpha_disabled;
  im->alpha_disabled = 1;
  for (int y = y0 < 0 ? 0 : y0; y < y0 + fh && y < im->height; y++)
    for (int x = x0 < 0 ? 0 : x0; x < x0 + w && x < im->width; x++) {
      size_t i = (size_t)y * im->width + x;
      if (im->bytes_per_pixel == 4) ((uint32_t *)im->pixels)[i] ^= im->color;
      else im->pixels[i] ^= (uint8_t)(im->color & im->mask);
    }
  im->alpha_disabled = alpha;
}

// Draws or removes the editor's cursor: thin cursors blink on a 512 ms phase.
static void cursor_update(img_struct *im) {
  if (im->is_text) return;
  bool blinks = im->font >= 32 || im->screen_mode == 32 || im->screen_mode == 256;
  bool want = true;
  if (blinks) {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch()).count();
    want = !(ms & 512);
  }
  if (want != cursor_drawn) {
    xor_cursor(im);
    cursor_drawn = want;
  }
}

std::atomic<bool> input_waiting{false};

// The next one-character key, a pending Tab blank first; -1 when the program must stop.
static int wait_key(int &pending, uint32_t tmp_base) {
  if (pending > 0) {
    pending--;
    return ' ';
  }
  img_struct *out = write_page;
  int key;
  for (;;) {
    cursor_update(out);
    kels *k = kels_inkey();
    uint32_t len = k->len;
    int c = len ? k->text[0] : 0;
    kels_cleanup(tmp_base, 0);
    if (stop_program.load() || new_error) { key = -1; break; }
    if (len == 1) { key = c; break; }
    if (len == 0) {                                 // extended keys (two characters) are skipped
      input_waiting = true;
      platform_sleep(10);
    }
  }
  input_waiting = false;
  if (cursor_drawn) {
    xor_cursor(out);
    cursor_drawn = false;
  }
  return key;
}

// ---------------------------------------------------------------- the statement

// Empties a variable before the line is typed.
static void clear_variable(uint32_t type, void *variable) {
  if (!variable) return;
  if (type & input_type_string) {
    auto *v = (kels *)variable;
    if (v->fixed) std::memset(v->text, ' ', v->len);
    else kels_set(v, kels_new(0, 1));
    return;
  }
  if (type & input_type_nostore) return;
  int bits = (int)(type & input_type_bits);
  size_t bytes = (size_t)bits / 8;
  if ((type & input_type_float) && bits != 32 && bits != 64 && bytes > sizeof(long double))
    bytes = sizeof(long double);                    // the extended float is stored as long double
  std::memset(variable, 0, bytes);
}

void (*input_hand_frame)() = nullptr;

void kels_input(int32_t count, int32_t newline) {
  if (new_error) return;
  if (count < 1 || count > 263) { error(5); return; }
  int saved_autodisplay = autodisplay.exchange(1);
  ptrdiff_t saved_read = read_page ? read_page - img : -1;   // slots survive the table moving
  int32_t saved_read_index = read_page_index;
  read_page = write_page;
  read_page_index = write_page_index;

  snapshot_slot = copy_page(516);
  work_slot = copy_page(517);
  img_struct *out = write_page;
  start_x = out->cursor_x;
  start_y = out->cursor_y;
  start_holding = out->holding_cursor;
  cursor_drawn = false;

  input_count = count;
  input_line = (kels_input_variabletypes[1] & input_type_string) && (kels_input_variabletypes[1] & input_type_line);
  uint8_t cursor_show_last = out->cursor_show;
  out->cursor_show = 1;
  for (int32_t i = 1; i <= count; i++) {
    kels_input_arguements[i] = kels_new(0, 0);
    clear_variable(kels_input_variabletypes[i], kels_input_variableoffsets[i]);
  }
  uint32_t tmp_base = kels_tmp_list_nexti;

  std::string text;                               // accepted text, and the candidate while checked
  bool check = false, stopped = false;
  int pending = 0;
  for (;;) {
    while (check) {
      if (check_candidate(text) || text.empty()) {
        check = false;
      } else {
        text.pop_back();                            // refused: take the key back off the page
        redraw(text, tmp_base);
      }
    }
    int key = wait_key(pending, tmp_base);
    if (key < 0) { stopped = true; break; }
    if (key == 13) break;
    switch (key) {
      case 7:
        kels_print(kels_tmp_from("\a", 1), 0);
        kels_cleanup(tmp_base, 0);
        continue;
      case 10: case 11: case 12: case 28: case 29: case 30: case 31:
        continue;
      case 9:
        pending = 8 - (int)(text.size() % 8);
        continue;
      case 8:
        if (text.empty()) continue;
        text.pop_back();
        redraw(text, tmp_base);
        check = true;
        continue;
      default:
        if (text.size() >= input_max_length) continue;
        char c = (char)key;
        text += c;
        kels_print(kels_tmp_from(&c, 1), 0);
        kels_cleanup(tmp_base, 0);
        check = true;
    }
  }

  for (int32_t i = 1; i <= count; i++) {
    kels_free(kels_input_arguements[i]);
    kels_input_arguements[i] = nullptr;
  }
  if (!stopped && newline) kels_print(nothingstring, 1);
  out->cursor_show = cursor_show_last;
  release_copy(snapshot_slot);
  release_copy(work_slot);
  if (stopped || saved_autodisplay != 0) {
    autodisplay = saved_autodisplay;
  } else {
    if (input_hand_frame) input_hand_frame();   // the finished line, shown as one frame
    autodisplay = 0;
  }
  read_page = saved_read < 0 ? nullptr : img + saved_read;
  read_page_index = saved_read_index;
  kels_cleanup(tmp_base, 0);
}
