// Keyboard and mouse: SDL events into the emulated BIOS key buffer, the flag bytes, the
// port 0x60 queue and the mouse message ring; INKEY$ and the mouse functions.
#include "keyboard.h"
#include <atomic>
#include <cstring>
#include "display.h"
#include "flags.h"
#include "events.h"
#include "host.h"
#include "images.h"
#include "kel_atomic.h"
#include "kels.h"
#include "keytraps.h"
#include "memory.h"
#include "platform.h"

uint8_t keyon[65536];
uint32_t sdl_shiftstate = 0;
int sdl_scroll_lock = 0, sdl_insert = 0, sdl_scroll_lock_prepared = 1, sdl_insert_prepared = 1;
uint64_t asciicode_value = 0;
int asciicode_reading = 0, asciicode_force = 0;
uint8_t port60h_event[256];
int port60h_events = 0;
uint8_t sdlk_2_scancode[1024];

mouse_message mouse_messages[65536];
uint16_t last_mouse_message = 0, current_mouse_message = 0;

// SDL 1.2 symbols and modifier masks used below.
enum : uint32_t {
  sym_return = 13, sym_pause = 19, sym_kp0 = 256, sym_kp9 = 265, sym_kp_period = 266,
  sym_kp_divide = 267, sym_kp_multiply = 268, sym_kp_minus = 269, sym_kp_plus = 270,
  sym_kp_enter = 271, sym_insert = 277, sym_numlock = 300, sym_capslock = 301,
  sym_scrollock = 302, sym_rshift = 303, sym_lshift = 304, sym_rctrl = 305, sym_lctrl = 306,
  sym_ralt = 307, sym_lalt = 308, sym_print = 316, sym_sysreq = 317, sym_break = 318,
  sym_ascii_code = 65536,          // the key typed by releasing Alt after keypad digits
};
constexpr uint32_t mod_shift = 0x0003, mod_ctrl = 0x00C0, mod_alt = 0x0300, mod_num = 0x1000,
                   mod_caps = 0x2000;

// ---------------------------------------------------------------------------------------
// The BIOS key buffer. Head and tail are bytes at 0x41A and 0x41C holding offsets from 0x400.
// Only the main thread moves the tail and writes entries; only the game thread moves the
// head. The release store of the tail publishes the entry; the release store of the head
// hands its slot back.

static kel_atomic_ref<uint8_t> kbd_byte(uint32_t address) { return kel_atomic_ref<uint8_t>(cmem[address]); }

// A head or tail that a POKE has pointed outside the buffer restarts at its first slot.
static uint8_t kbd_slot(uint8_t offset) {
  if (offset < 30 || offset > 60) return 30;
  return offset & 0xFE;
}
static uint8_t kbd_next(uint8_t offset) {
  offset = (uint8_t)(kbd_slot(offset) + 2);
  return offset > 60 ? 30 : offset;
}

static bool keybuf_full() {
  uint8_t head = kbd_byte(cmem_kbd_head).load(std::memory_order_acquire);
  uint8_t tail = kbd_byte(cmem_kbd_tail).load(std::memory_order_relaxed);
  return kbd_next(tail) == kbd_slot(head);
}

bool keybuf_empty() {
  uint8_t tail = kbd_byte(cmem_kbd_tail).load(std::memory_order_acquire);
  uint8_t head = kbd_byte(cmem_kbd_head).load(std::memory_order_relaxed);
  return kbd_slot(head) == kbd_slot(tail);
}

bool keybuf_put(uint8_t ascii, uint8_t code) {
  if (keybuf_full()) return false;
  uint8_t tail = kbd_slot(kbd_byte(cmem_kbd_tail).load(std::memory_order_relaxed));
  kbd_byte(0x400u + tail).store(ascii, std::memory_order_relaxed);
  kbd_byte(0x400u + tail + 1).store(code, std::memory_order_relaxed);
  kbd_byte(cmem_kbd_tail).store(kbd_next(tail), std::memory_order_release);
  return true;
}

bool keybuf_get(uint8_t *ascii, uint8_t *code) {
  if (keybuf_empty()) return false;
  uint8_t head = kbd_slot(kbd_byte(cmem_kbd_head).load(std::memory_order_relaxed));
  *ascii = kbd_byte(0x400u + head).load(std::memory_order_relaxed);
  *code = kbd_byte(0x400u + head + 1).load(std::memory_order_relaxed);
  kbd_byte(cmem_kbd_head).store(kbd_next(head), std::memory_order_release);
  return true;
}

// ---------------------------------------------------------------------------------------
// Port 0x60: a ring of raw scan codes in port60h_event. The main thread alone advances
// port60h_events (codes ever written); the game thread advances the read count. When 256
// codes are unread the writer drops the oldest by moving the read count with a CAS, and the
// reader's CAS then fails and retries, so neither side takes a lock.

static uint32_t port60h_read_count = 0;   // codes ever taken (or dropped)
static uint8_t port60h_last = 128;        // what a read of an empty queue returns

static uint32_t port60h_written(std::memory_order order) {
  return (uint32_t)kel_atomic_ref<int>(port60h_events).load(order);
}

static void port60h_push(uint8_t code) {
  kel_atomic_ref<uint32_t> rd(port60h_read_count);
  uint32_t w = port60h_written(std::memory_order_relaxed);
  uint32_t r = rd.load(std::memory_order_acquire);
  while (w - r >= 256 && !rd.compare_exchange_weak(r, r + 1, std::memory_order_acq_rel)) {}
  kel_atomic_ref<uint8_t>(port60h_event[w & 255]).store(code, std::memory_order_relaxed);
  kel_atomic_ref<int>(port60h_events).store((int)(w + 1), std::memory_order_release);
}

int32_t port60h_read() {
  kel_atomic_ref<uint32_t> rd(port60h_read_count);
  kel_atomic_ref<uint8_t> last(port60h_last);
  uint32_t r = rd.load(std::memory_order_acquire);
  for (;;) {
    uint32_t w = port60h_written(std::memory_order_acquire);
    if (w == r) return last.load(std::memory_order_relaxed);
    uint8_t code = kel_atomic_ref<uint8_t>(port60h_event[r & 255]).load(std::memory_order_relaxed);
    if (rd.compare_exchange_weak(r, r + 1, std::memory_order_acq_rel)) {
      last.store(code, std::memory_order_relaxed);
      return code;
    }
  }
}

// ---------------------------------------------------------------------------------------
// Scan codes of SDL 1.2 key symbols (set 1; F11 and F12 carry the BIOS extended codes).

static void build_scancodes() {
  std::memset(sdlk_2_scancode, 0, sizeof sdlk_2_scancode);
  auto set = [](uint32_t sym, uint8_t code) { sdlk_2_scancode[sym] = code; };
  set(8, 14); set(9, 15); set(13, 28); set(27, 1); set(32, 57);
  set(39, 40); set(44, 51); set(45, 12); set(46, 52); set(47, 53);
  set(48, 11);
  for (int i = 1; i <= 9; i++) set(48 + i, (uint8_t)(1 + i));
  set(59, 39); set(61, 13); set(91, 26); set(92, 43); set(93, 27); set(96, 41);
  static const uint8_t letters[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                      49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
  for (int i = 0; i < 26; i++) set(97 + i, letters[i]);
  set(127, 83);
  static const uint8_t keypad[10] = {82, 79, 80, 81, 75, 76, 77, 71, 72, 73};
  for (int i = 0; i < 10; i++) set(256 + i, keypad[i]);
  set(266, 83); set(267, 53); set(268, 55); set(269, 74); set(270, 78); set(271, 28);
  set(273, 72); set(274, 80); set(275, 77); set(276, 75);
  set(277, 82); set(278, 71); set(279, 79); set(280, 73); set(281, 81);
  for (int i = 0; i < 10; i++) set(282 + i, (uint8_t)(59 + i));
  set(292, 133); set(293, 134);
  set(300, 69); set(301, 58); set(302, 70);
  set(303, 54); set(304, 42); set(305, 29); set(306, 29); set(307, 56); set(308, 56);
  set(311, 91); set(312, 92); set(317, 55); set(318, 197); set(319, 93);
}

static int scancode_of(uint32_t sym) { return sym < 1024 ? sdlk_2_scancode[sym] : -1; }

void keyboard_init() {
  build_scancodes();
  kbd_byte(cmem_kbd_head).store(30, std::memory_order_relaxed);
  kbd_byte(cmem_kbd_head + 1).store(0, std::memory_order_relaxed);
  kbd_byte(cmem_kbd_tail).store(30, std::memory_order_relaxed);
  kbd_byte(cmem_kbd_tail + 1).store(0, std::memory_order_release);
  std::memset(keyon, 0, sizeof keyon);
  sdl_shiftstate = 0;
  sdl_scroll_lock = sdl_insert = 0;
  sdl_scroll_lock_prepared = sdl_insert_prepared = 1;
  asciicode_value = 0;
  asciicode_reading = asciicode_force = 0;
  std::memset(port60h_event, 0, sizeof port60h_event);
  port60h_event[0] = 128;
  port60h_events = 0;
  port60h_read_count = 0;
  port60h_last = 128;
  std::memset(mouse_messages, 0, sizeof mouse_messages);
  last_mouse_message = current_mouse_message = 0;
  mouseinput_ignoremovement = 0;
}

// ---------------------------------------------------------------------------------------
// Translation of a key press into a buffer entry.

// What a key press puts in the buffer: nothing, an ASCII entry (ascii, scan code) or an
// extended entry (0, code).
struct key_entry { bool put; uint8_t ascii, code; };
static key_entry no_entry() { return {false, 0, 0}; }
static key_entry extended(int code) { return {true, 0, (uint8_t)code}; }
static key_entry ascii_entry(int c, int k) { return {true, (uint8_t)c, (uint8_t)k}; }
static bool in(int k, int lo, int hi) { return k >= lo && k <= hi; }

// The Alt rows. With full set, every row applies; otherwise only the rows that override a
// typed character (the rest leave *matched false).
static key_entry alt_code(uint32_t s, int k, bool full, bool *matched) {
  *matched = true;
  if (s == sym_kp_period) return no_entry();
  if (s == sym_kp_divide) return extended(164);
  if (s == sym_kp_multiply) return extended(55);
  if (s == sym_kp_minus) return extended(74);
  if (s == sym_kp_plus) return extended(78);
  if (k == 15) return extended(165);
  if (k == 1 || k == 14 || in(k, 16, 53)) return extended(k);
  if (in(k, 2, 13)) return extended(k + 118);
  if (k == 133 || k == 134) return extended(k + 6);
  if (full) {
    if (in(k, 59, 68)) return extended(k + 45);
    if (in(k, 71, 83)) return extended(k + 80);
  }
  *matched = false;
  return no_entry();
}

static key_entry ctrl_code(uint32_t s, int k, bool *matched) {
  static const int keys[14] = {55, 75, 77, 79, 81, 71, 73, 72, 74, 76, 78, 80, 82, 83};
  static const int codes[14] = {114, 115, 116, 117, 118, 119, 132, 141, 142, 143, 144, 145, 146, 147};
  static const int ignored[] = {2, 4, 5, 6, 8, 9, 10, 11, 13, 39, 40, 41, 51, 52, 53, 69};
  *matched = true;
  if (s == sym_print || k == 15) return extended(148);
  if (s == sym_kp_divide) return extended(149);
  if (s == sym_kp_multiply) return extended(150);
  if (k == 1) return ascii_entry(27, k);
  if (k == 7) return ascii_entry(30, k);
  if (k == 12) return ascii_entry(31, k);
  for (int i : ignored)
    if (k == i) return no_entry();
  if (k == 133 || k == 134) return extended(k + 4);
  if (in(k, 59, 68)) return extended(k + 35);
  for (int i = 0; i < 14; i++)
    if (k == keys[i]) return extended(codes[i]);
  *matched = false;
  return no_entry();
}

static key_entry shift_code(uint32_t s, int k, bool *matched) {
  *matched = true;
  if (k == 133 || k == 134) return extended(k + 2);
  if (s >= sym_kp0 && s <= sym_kp9) return ascii_entry('0' + (int)(s - sym_kp0), k);
  if (s == sym_kp_period) return ascii_entry('.', k);
  if (in(k, 59, 68)) return extended(k + 25);
  *matched = false;
  return no_entry();
}

// A key without a character: the first modifier present chooses the row set.
static key_entry extended_code(uint32_t s, uint32_t m, int k) {
  bool matched = false;
  key_entry e;
  if (m & mod_alt) e = alt_code(s, k, true, &matched);
  else if (m & mod_ctrl) e = ctrl_code(s, k, &matched);
  else if (m & mod_shift) e = shift_code(s, k, &matched);
  if (matched) return e;
  if (s == sym_print) return no_entry();
  return extended(k);
}

static bool alt_held() { return keyon[sym_ralt] || keyon[sym_lalt]; }
static bool ctrl_held() { return keyon[sym_rctrl] || keyon[sym_lctrl]; }

// k is the scan code carried by a symbol above 65,535 (the Alt release's).
static void key_down(uint32_t s, uint32_t m, uint32_t u, int k) {
  if (s == 0) return;
  sdl_shiftstate = m;
  sleep_break = 1;
  if (s <= 65535) {
    k = scancode_of(s);
    keyon[s] = 1;
    port60h_push((uint8_t)k);
  }
  if (s == sym_scrollock && sdl_scroll_lock_prepared) {   // auto-repeat toggles only once
    sdl_scroll_lock ^= 1;
    sdl_scroll_lock_prepared = 0;
  }
  if (s == sym_insert && sdl_insert_prepared) {
    sdl_insert ^= 1;
    sdl_insert_prepared = 0;
  }
  if (alt_held() && (s == sym_return || s == sym_kp_enter)) {
    full_screen_toggle++;
    return;
  }
  if (ctrl_held() && (s == sym_break || s == sym_pause || s == sym_scrollock)) {
    kel_request_close(1);
    return;
  }
  if (s >= sym_numlock && s <= sym_lalt) return;
  if (alt_held() && s >= sym_kp0 && s <= sym_kp9) {
    asciicode_value = asciicode_value * 10 + (s - sym_kp0);
    asciicode_reading = 1;
    return;
  }
  if (s == sym_break || s == sym_pause) {
    suspend_program.fetch_or(1);
    kelevent = 1;
    return;
  }
  if (suspend_program.load() & 1) {                       // the key that ends a pause is consumed
    suspend_program.fetch_and((uint8_t)~1u);
    return;
  }
  if (!asciicode_force && keytraps_take(s, m, k)) return;  // ON KEY's keys, soft-key texts
  if (!asciicode_force && u >= 128) return;               // characters beyond ASCII
  uint8_t c = (uint8_t)u;
  if (c != 0 && !keybuf_full()) {
    key_entry e = ascii_entry(c, k);
    if (c == 9 && (m & mod_shift)) {
      e = extended(15);
    } else if (m & mod_alt) {
      bool matched;
      key_entry a = alt_code(s, k, false, &matched);
      if (matched) e = a;
    }
    if (e.put) keybuf_put(e.ascii, e.code);
    return;
  }
  if (s == sym_sysreq) return;
  if (keybuf_full()) return;
  key_entry e = extended_code(s, m, k);
  if (e.put) keybuf_put(e.ascii, e.code);
}

void keyboard_key_down(uint32_t sym, uint32_t mod, uint32_t unicode) {
  key_down(sym, mod, unicode, -1);
}

void keyboard_key_up(uint32_t s, uint32_t m) {
  if (s == 0) return;
  if (s == sym_print || s == sym_sysreq) {
    keyon[s] = 0;                 // otherwise ignored, but the SysReq flag must not stick
    return;
  }
  sdl_shiftstate = m;
  int k = -1;
  if (s <= 65535) {
    k = scancode_of(s);
    keyon[s] = 0;
    if (s == sym_scrollock) sdl_scroll_lock_prepared = 1;
    if (s == sym_insert) sdl_insert_prepared = 1;
    port60h_push((uint8_t)(k - 128));
  }
  if ((s == sym_ralt || s == sym_lalt) && asciicode_reading == 1) {
    asciicode_reading = 0;
    asciicode_force = 1;
    key_down(sym_ascii_code, m, (uint32_t)(asciicode_value & 255), k);
    asciicode_value = 0;
    asciicode_force = 0;
  }
}

void keyboard_update_flags() {
  auto bit = [](bool on, int n) { return (uint8_t)(on ? 1 << n : 0); };
  uint32_t m = sdl_shiftstate;
  uint8_t f1 = bit(keyon[sym_rshift], 0) | bit(keyon[sym_lshift], 1) | bit(ctrl_held(), 2) |
               bit(alt_held(), 3) | bit(sdl_scroll_lock, 4) | bit(m & mod_num, 5) |
               bit(m & mod_caps, 6) | bit(sdl_insert, 7);
  uint8_t f2 = bit(keyon[sym_lctrl], 0) | bit(keyon[sym_lalt], 1) | bit(keyon[sym_sysreq], 2) |
               bit(keyon[sym_break] || keyon[sym_pause], 3) | bit(keyon[sym_scrollock], 4) |
               bit(keyon[sym_numlock], 5) | bit(keyon[sym_capslock], 6) | bit(keyon[sym_insert], 7);
  uint8_t f3 = bit(keyon[sym_rctrl], 2) | bit(keyon[sym_ralt], 3) | bit(true, 4);
  kbd_byte(cmem_kbd_flags1).store(f1, std::memory_order_relaxed);
  kbd_byte(cmem_kbd_flags2).store(f2, std::memory_order_relaxed);
  kbd_byte(cmem_kbd_flags3).store(f3, std::memory_order_relaxed);
}

// ---------------------------------------------------------------------------------------
// The mouse ring. The main thread alone writes records and last_mouse_message; the game
// thread advances current_mouse_message, which the main thread also moves (by CAS) when
// the ring overflows. Record fields go through atomic_ref so that the one overwrite a full
// ring makes never races with a reader.

static kel_atomic_ref<uint16_t> last_ref() { return kel_atomic_ref<uint16_t>(last_mouse_message); }
static kel_atomic_ref<uint16_t> current_ref() { return kel_atomic_ref<uint16_t>(current_mouse_message); }

template <class T> static T mm_load(T &field) { return kel_atomic_ref<T>(field).load(std::memory_order_relaxed); }
template <class T> static void mm_store(T &field, T v) { kel_atomic_ref<T>(field).store(v, std::memory_order_relaxed); }

void mouse_append(uint16_t x, uint16_t y, uint32_t buttons, int16_t dx, int16_t dy) {
  uint16_t idx = (uint16_t)(last_ref().load(std::memory_order_relaxed) + 1);
  uint16_t cur = idx;
  current_ref().compare_exchange_strong(cur, (uint16_t)(idx + 1), std::memory_order_acq_rel);
  mouse_message &m = mouse_messages[idx];
  mm_store(m.x, x);
  mm_store(m.y, y);
  mm_store(m.buttons, buttons);
  mm_store(m.movementx, dx);
  mm_store(m.movementy, dy);
  last_ref().store(idx, std::memory_order_release);
}

static uint32_t newest_buttons() {
  return mm_load(mouse_messages[last_ref().load(std::memory_order_relaxed)].buttons);
}

static mouse_message current_message() {
  mouse_message &m = mouse_messages[current_ref().load(std::memory_order_acquire)];
  return {mm_load(m.x), mm_load(m.y), mm_load(m.buttons), mm_load(m.movementx), mm_load(m.movementy)};
}

int32_t func__mouseinput() {
  uint16_t cur = current_ref().load(std::memory_order_acquire);
  for (;;) {
    if (cur == last_ref().load(std::memory_order_acquire)) return 0;
    if (current_ref().compare_exchange_weak(cur, (uint16_t)(cur + 1), std::memory_order_acq_rel)) return -1;
  }
}

// Window pixel to page coordinate along one axis: offset and scale removed, capped at the
// page's last pixel; on a text page a cell coordinate whose rounding is the cell number.
static float mouse_axis(int pixel, int offset, int scale, int cells, int cell_size, bool text) {
  pixel -= offset;
  if (pixel < 0) pixel = 0;
  if (scale > 1) pixel /= scale;
  int size = text ? cells * cell_size : cells;
  if (size > 0 && pixel > size - 1) pixel = size - 1;
  if (!text || cell_size <= 0) return (float)pixel;
  return (float)pixel / (float)cell_size + 0.5f + 0.001f;
}

float func__mousex() {
  if (new_error) return 0;
  mouse_message m = current_message();
  img_struct *p = display_page;
  if (!p) return (float)m.x;
  bool text = p->screen_mode == 0 || p->is_text;
  return mouse_axis(m.x, display_x_offset, display_x_scale, p->width, fontwidth[p->font & 1023], text);
}

float func__mousey() {
  if (new_error) return 0;
  mouse_message m = current_message();
  img_struct *p = display_page;
  if (!p) return (float)m.y;
  bool text = p->screen_mode == 0 || p->is_text;
  return mouse_axis(m.y, display_y_offset, display_y_scale, p->height, fontheight[p->font & 1023], text);
}

int32_t func__mousebutton(int32_t n) {
  if (new_error) return 0;
  if (n <= 0) {
    error(5);
    return 0;
  }
  static const int sdl_button[4] = {0, 1, 3, 2};
  if (n >= 4) return 0;
  return (current_message().buttons >> (sdl_button[n] - 1)) & 1 ? -1 : 0;
}

int32_t func__mousewheel() {
  if (new_error) return 0;
  uint32_t b = current_message().buttons;
  bool up = b & (1u << 3), down = b & (1u << 4);
  if (up && down) return 0;
  if (up) return -1;
  if (down) return 1;
  return 0;
}

// Cursor and grab changes asked for by the game thread; the main thread, which owns the
// window, carries them out at its next event drain.
enum : int { cursor_hide = 1, cursor_show = 2, cursor_relative = 4 };
static std::atomic<int> mouse_cursor_request{0};
static std::atomic<bool> mouse_relative{false};

static bool have_window() { return SDL_WasInit(SDL_INIT_VIDEO) && SDL_GetVideoSurface(); }

static void mouse_serve_requests() {
  int req = mouse_cursor_request.exchange(0);
  if (!req || !have_window()) return;
  if (req & cursor_relative && full_screen == 0) {
    SDL_ShowCursor(SDL_DISABLE);
    SDL_WM_GrabInput(SDL_GRAB_ON);
  }
  if (req & (cursor_hide | cursor_show)) {
    if (req & cursor_show) SDL_WM_GrabInput(SDL_GRAB_OFF);
    SDL_ShowCursor(req & cursor_show ? SDL_ENABLE : SDL_DISABLE);
    int x = 0, y = 0;
    SDL_GetMouseState(&x, &y);
    SDL_WarpMouse((Uint16)x, (Uint16)y);
  }
}

static void mouse_go_relative() {
  if (!mouse_relative.exchange(true)) mouse_cursor_request.fetch_or(cursor_relative);
}

float func__mousemovementx() {
  if (new_error) return 0;
  mouse_go_relative();
  return current_message().movementx;
}

float func__mousemovementy() {
  if (new_error) return 0;
  mouse_go_relative();
  return current_message().movementy;
}

void sub__mousehide() {
  if (new_error) return;
  mouse_hideshow_called = 1;
  int req = mouse_cursor_request.load();
  while (!mouse_cursor_request.compare_exchange_weak(req, (req & ~cursor_show) | cursor_hide)) {}
}

void sub__mouseshow() {
  if (new_error) return;
  mouse_hideshow_called = 1;
  mouse_relative = false;                    // the grab is released; movement asks again
  int req = mouse_cursor_request.load();
  while (!mouse_cursor_request.compare_exchange_weak(req, (req & ~(cursor_hide | cursor_relative)) | cursor_show)) {}
}

void mouseinput_flush() {
  uint16_t newest = last_ref().load(std::memory_order_relaxed);
  int x = mm_load(mouse_messages[newest].x), y = mm_load(mouse_messages[newest].y);
  if (have_window()) SDL_GetMouseState(&x, &y);
  mouse_append((uint16_t)x, (uint16_t)y, newest_buttons(), 0, 0);
  current_ref().store(last_ref().load(std::memory_order_relaxed), std::memory_order_release);
}

// ---------------------------------------------------------------------------------------
// Events.

bool keyboard_handle_event(const SDL_Event &e) {
  switch (e.type) {
    case SDL_KEYDOWN: {
      uint32_t sym = e.key.keysym.sym, unicode = e.key.keysym.unicode;
      platform_key(&sym, &unicode);
      keyboard_key_down(sym, e.key.keysym.mod, unicode);
      return true;
    }
    case SDL_KEYUP: {
      uint32_t sym = e.key.keysym.sym, unicode = 0;
      platform_key(&sym, &unicode);
      keyboard_key_up(sym, e.key.keysym.mod);
      return true;
    }
    case SDL_MOUSEMOTION: {
      int16_t dx = e.motion.xrel, dy = e.motion.yrel;
      if (mouseinput_ignoremovement > 0) {  // movement caused by a mode switch
        mouseinput_ignoremovement--;
        dx = dy = 0;
      }
      mouse_append(e.motion.x, e.motion.y, e.motion.state, dx, dy);
      mouse_append(e.motion.x, e.motion.y, e.motion.state, 0, 0);
      return true;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      uint32_t b = newest_buttons();
      if (e.button.button >= 1 && e.button.button <= 32) {
        uint32_t bit = 1u << (e.button.button - 1);
        b = e.type == SDL_MOUSEBUTTONDOWN ? (b | bit) : (b & ~bit);
      }
      mouse_append(e.button.x, e.button.y, b, 0, 0);
      return true;
    }
    default:
      return false;
  }
}

std::atomic<uint32_t> keyboard_drains_begun{0};
std::atomic<uint32_t> keyboard_drains{0};

void keyboard_drain_events() {
  mouse_serve_requests();
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
  keyboard_drains_begun.fetch_add(1, std::memory_order_acq_rel);
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    asciicode_force = 0;
    if (e.type == SDL_QUIT) kel_request_close(0);
    else keyboard_handle_event(e);
  }
  keyboard_update_flags();
  keyboard_drains.fetch_add(1, std::memory_order_release);
}

// ---------------------------------------------------------------------------------------
// INKEY$

kels *kels_inkey() {
  if (new_error) return kels_new(0, 1);
  platform_sleep(0);
  uint8_t ascii, code;
  if (!keybuf_get(&ascii, &code)) return kels_new(0, 1);
  if (ascii) {
    kels *s = kels_new(1, 1);
    s->text[0] = ascii;
    return s;
  }
  kels *s = kels_new(2, 1);
  s->text[0] = 0;
  s->text[1] = code;
  return s;
}
