// Key traps: which presses the KEY(n) traps take (predefined keys, user keys with their shift
// flags), what reaches the key buffer instead, and the soft keys' texts.
#include <gtest/gtest.h>
#include <string>
#include "test_support.h"

namespace keytraps_test {

namespace {

constexpr uint32_t M_SHIFT = 0x0001, M_CTRL = 0x0040, M_NUM = 0x1000;

class KeyTraps : public ::testing::Test {
 protected:
  void SetUp() override {
    kel_test_reset();
    keyboard_init();
    traps_reset();
    keytraps_reset();
    softkeys_reset();
    for (int n = 1; n <= 12; n++) softkey_set(n, T(""));
  }
  void TearDown() override {
    traps_reset();
    keytraps_reset();
    for (int n = 1; n <= 12; n++) softkey_set(n, T(""));
    new_error = 0;
    kelevent = 0;
  }
  static void on(int key) {
    trap_setup(trap_key + key, 100 + key);
    trap_switch(trap_key + key, 1);
  }
  static std::string buffer() {
    std::string s;
    uint8_t a, c;
    while (keybuf_get(&a, &c)) s += a ? std::string(1, (char)a) : std::string{'\0', (char)c};
    return s;
  }
  static std::string pending() {
    std::string s;
    for (int k = 1; k < trap_play; k++)
      if (evnt_traps[k].pending.load()) {
        s += (s.empty() ? "" : " ") + std::to_string(k);
        evnt_traps[k].pending = 0;
      }
    return s;
  }
};

TEST_F(KeyTraps, TrappedKeysStayOutOfTheBufferAndOthersPass) {
  for (int k : {1, 10, 11, 12, 13, 14, 30, 31}) on(k);
  struct { const char *name; uint32_t sym, mod, unicode; const char *trap; std::string buffered; } rows[] = {
      {"F1", 282, 0, 0, "1", ""},             {"F10", 291, 0, 0, "10", ""},
      {"Up", 273, 0, 0, "11", ""},            {"Left", 276, 0, 0, "12", ""},
      {"Right", 275, 0, 0, "13", ""},         {"Down", 274, 0, 0, "14", ""},
      {"F11", 292, 0, 0, "30", ""},           {"F12", 293, 0, 0, "31", ""},
      {"F2, not trapped", 283, 0, 0, "", std::string{'\0', 60}},
      {"Shift+F1 is not F1", 282, M_SHIFT, 0, "", std::string{'\0', 84}},
      {"Ctrl+Up is not Up", 273, M_CTRL, 0, "", std::string{'\0', (char)141}},
      {"keypad 8 is not Up", 264, 0, '8', "", "8"},
  };
  for (auto &r : rows) {
    keyboard_key_down(r.sym, r.mod, r.unicode);
    keyboard_key_up(r.sym, r.mod);
    EXPECT_EQ(pending(), r.trap) << r.name;
    EXPECT_EQ(buffer(), r.buffered) << r.name;
  }
  trap_switch(trap_key + 1, 2);            // OFF: F1 reaches the buffer again
  keyboard_key_down(282, 0, 0);
  EXPECT_EQ(pending(), "");
  EXPECT_EQ(buffer(), std::string({'\0', 59}));
}

TEST_F(KeyTraps, UserKeysMatchTheirScanCodeAndShiftFlagsExactly) {
  sub_key_define(15, T("\x04\x2e"));       // Ctrl+C
  sub_key_define(16, T("H"));               // one character: refused
  EXPECT_EQ(new_error, 5);
  new_error = 0;
  kels *pad_up = kels_new_txt_len("\0H", 2);   // keypad 8 as Up, NumLock off
  sub_key_define(16, pad_up);
  sub_key_define(17, T("\x81H"));           // the gray Up, extended, with Shift
  sub_key_define(18, T("\x20\x3b"));        // F1 with NumLock on
  for (int k : {15, 16, 17, 18}) on(k);
  struct { const char *name; uint32_t sym, mod, unicode; const char *trap; } rows[] = {
      {"Ctrl+C", 99, M_CTRL, 3, "15"},
      {"C alone", 99, 0, 'c', ""},
      {"Ctrl+Shift+C", 99, M_CTRL | M_SHIFT, 3, ""},
      {"keypad 8", 264, 0, 0, "16"},
      {"gray Up is extended", 273, 0, 0, ""},
      {"Shift+gray Up", 273, M_SHIFT, 0, "17"},
      {"F1 with NumLock", 282, M_NUM, 0, "18"},
  };
  for (auto &r : rows) {
    keyboard_key_down(r.sym, r.mod, r.unicode);
    keyboard_key_up(r.sym, r.mod);
    EXPECT_EQ(pending(), r.trap) << r.name;
    buffer();
  }
  new_error = 0;
  sub_key_define(14, T("ab"));              // 14 is the Down key, not a user key
  sub_key_define(26, T("ab"));
  EXPECT_EQ(new_error, 5);
}

TEST_F(KeyTraps, SoftKeysTypeTheirTextUnlessTrapped) {
  softkey_set(2, T("RUN\r"));
  softkey_set(31, T("a text longer than fifteen"));   // F12, cut to fifteen characters
  keyboard_key_down(283, 0, 0);
  EXPECT_EQ(buffer(), "RUN\r");
  keyboard_key_down(293, 0, 0);
  EXPECT_EQ(buffer(), "a text longer t");
  keyboard_key_down(283, M_SHIFT, 0);                // Shift+F2 keeps its own code
  EXPECT_EQ(buffer(), std::string({'\0', 85}));
  on(2);
  keyboard_key_down(283, 0, 0);
  EXPECT_EQ(buffer(), "");
  EXPECT_EQ(pending(), "2");
  softkey_set(13, T("x"));
  EXPECT_EQ(new_error, 5);
}

}  // namespace

}  // namespace keytraps_test
