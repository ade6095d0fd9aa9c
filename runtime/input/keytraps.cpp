// Key traps: which key press belongs to which KEY(n) trap, the user keys, soft-key typing.
#include "keytraps.h"
#include <atomic>
#include "events.h"
#include "kels.h"
#include "keyboard.h"
#include "keyline.h"
#include "traps.h"

// User keys 15-25: shift flags and scan code, 0 scan code = undefined. Written by the game
// thread, read by the main thread: one atomic 16-bit word a key.
static std::atomic<uint16_t> user_keys[11];

// Shift flags of a key definition.
constexpr uint8_t flag_shift = 0x03, flag_ctrl = 0x04, flag_alt = 0x08, flag_num = 0x20,
                  flag_caps = 0x40, flag_extended = 0x80;

void sub_key_define(int32_t n, kels *text) {
  if (new_error) return;
  if (n >= 15 && n <= 25) {
    if (!text || text->len != 2) { error(5); return; }
    user_keys[n - 15] = (uint16_t)(text->text[0] << 8 | text->text[1]);
    return;
  }
  softkey_set(n, text);
}

// Keys on the gray block and the keypad's Enter and slash, which the BIOS marks extended.
static bool is_extended(uint32_t s) {
  return (s >= 273 && s <= 281) || s == 127 || s == 267 || s == 271 || s == 305 || s == 307;
}

// The state of a key press in the flags' terms.
static uint8_t flags_of(uint32_t s, uint32_t m) {
  uint8_t f = 0;
  if (m & 0x0003) f |= flag_shift;
  if (m & 0x00C0) f |= flag_ctrl;
  if (m & 0x0300) f |= flag_alt;
  if (m & 0x1000) f |= flag_num;
  if (m & 0x2000) f |= flag_caps;
  if (is_extended(s)) f |= flag_extended;
  return f;
}

static bool user_key_matches(uint16_t def, uint8_t pressed, int scan) {
  uint8_t f = (uint8_t)(def >> 8), code = (uint8_t)def;
  if (!code || code != scan) return false;
  if ((f & flag_shift) != 0) f = (uint8_t)((f & ~flag_shift) | flag_shift);   // any Shift bit: Shift
  return f == pressed;
}

// The predefined trap of a key pressed with no Shift, Ctrl or Alt: F1-F10 1-10, the cursor
// keys 11-14, F11 and F12 30 and 31; 0 for other keys.
static int predefined_key(uint32_t s) {
  if (s >= 282 && s <= 291) return (int)(s - 281);
  switch (s) {
    case 273: return 11;   // Up
    case 276: return 12;   // Left
    case 275: return 13;   // Right
    case 274: return 14;   // Down
    case 292: return 30;   // F11
    case 293: return 31;   // F12
  }
  return 0;
}

bool keytraps_take(uint32_t s, uint32_t m, int scan) {
  uint8_t pressed = flags_of(s, m);
  for (int i = 0; i < 11; i++)
    if (user_key_matches(user_keys[i].load(), pressed, scan) && trap_raise(trap_key + 15 + i)) return true;
  int key = (m & (0x0003 | 0x00C0 | 0x0300)) ? 0 : predefined_key(s);
  if (key && trap_raise(trap_key + key)) return true;
  int soft = key >= 1 && key <= 10 ? key : key == 30 ? 11 : key == 31 ? 12 : 0;
  if (!soft) return false;
  uint8_t text[softkey_max];
  int len = softkey_get(soft, text);
  if (!len) return false;
  for (int i = 0; i < len; i++) keybuf_put(text[i], 0);   // a full buffer drops the rest
  return true;
}

void keytraps_reset() {
  for (auto &k : user_keys) k = 0;
}
