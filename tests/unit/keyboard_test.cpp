// Keyboard and mouse: key translation into the BIOS buffer, INKEY$, flag bytes, the port
// 0x60 queue and the mouse message ring, driven by calling the event handlers directly.
#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include "test_support.h"

namespace keyboard_test {

namespace {

constexpr uint32_t LSHIFT = 304, LCTRL = 306, LALT = 308;
constexpr uint32_t M_SHIFT = 0x0001, M_CTRL = 0x0040, M_ALT = 0x0100;

class Keyboard : public ::testing::Test {
 protected:
  void SetUp() override {
    kel_test_reset();
    keyboard_init();
    full_screen_toggle = 0;
  }
  void TearDown() override {
    suspend_program = 0;
    kelevent = 0;
  }
};

std::string inkey() {
  uint32_t base = kels_tmp_list_nexti;
  std::string r = S(kels_inkey());
  kels_cleanup(base, 0);
  return r;
}

std::string two(int a, int b) { return std::string{char(a), char(b)}; }

// One key pressed and released with its modifier key held around it.
void press(uint32_t sym, uint32_t mod, uint32_t unicode) {
  uint32_t held = mod & M_ALT ? LALT : mod & M_CTRL ? LCTRL : mod & M_SHIFT ? LSHIFT : 0;
  if (held) keyboard_key_down(held, mod, 0);
  keyboard_key_down(sym, mod, unicode);
  keyboard_key_up(sym, mod);
  if (held) keyboard_key_up(held, 0);
}

TEST_F(Keyboard, KeysTranslateToBiosCodes) {
  struct row { const char *name; uint32_t sym, mod, unicode; std::string want; };
  const row rows[] = {
      {"Up", 273, 0, 0, two(0, 'H')},          {"F1", 282, 0, 0, two(0, ';')},
      {"Escape", 27, 0, 27, "\x1b"},           {"letter a", 97, 0, 'a', "a"},
      {"Shift+Tab", 9, M_SHIFT, 9, two(0, 15)}, {"Alt+A", 97, M_ALT, 'a', two(0, 30)},
      {"Alt+1", 49, M_ALT, '1', two(0, 120)},  {"Alt+Tab", 9, M_ALT, 9, two(0, 165)},
      {"Alt+F1", 282, M_ALT, 0, two(0, 104)},  {"Alt+F12", 293, M_ALT, 0, two(0, 140)},
      {"Alt+Up", 273, M_ALT, 0, two(0, 152)},  {"Alt+keypad /", 267, M_ALT, '/', two(0, 164)},
      {"Ctrl+F1", 282, M_CTRL, 0, two(0, 94)}, {"Ctrl+F11", 292, M_CTRL, 0, two(0, 137)},
      {"Ctrl+Tab", 9, M_CTRL, 0, two(0, 148)}, {"Ctrl+6", 54, M_CTRL, 0, "\x1e"},
      {"Ctrl+2", 50, M_CTRL, 0, two(0, 3)},    {"Ctrl+Left", 276, M_CTRL, 0, two(0, 115)},
      {"Ctrl+keypad *", 268, M_CTRL, 0, two(0, 150)}, {"Ctrl+C", 99, M_CTRL, 3, "\x03"},
      {"Shift+F1", 282, M_SHIFT, 0, two(0, 84)}, {"Shift+F11", 292, M_SHIFT, 0, two(0, 135)},
      {"Shift+keypad 7", 263, M_SHIFT, 0, "7"},  {"Delete", 127, 0, 127, "\x7f"},
  };
  for (const row &r : rows) {
    keyboard_init();
    press(r.sym, r.mod, r.unicode);
    EXPECT_EQ(inkey(), r.want) << r.name;
    EXPECT_EQ(inkey(), "") << r.name << " left more than one entry";
  }
}

TEST_F(Keyboard, KeysThatDeliverNothing) {
  struct row { const char *name; uint32_t sym, mod, unicode; };
  const row rows[] = {
      {"Shift alone", LSHIFT, M_SHIFT, 0}, {"Caps Lock", 301, 0, 0}, {"Ctrl+1", 49, M_CTRL, 0},
      {"Alt+keypad .", 266, M_ALT, '.'},   {"Print", 316, 0, 0},      {"SysReq", 317, 0, 0},
      {"e acute (Unicode 233)", 233, 0, 233}, {"euro sign (Unicode 8364)", 1234, 0, 8364},
  };
  for (const row &r : rows) {
    keyboard_init();
    press(r.sym, r.mod, r.unicode);
    EXPECT_TRUE(keybuf_empty()) << r.name;
  }
}

TEST_F(Keyboard, FullBufferKeepsFifteenKeysInOrder) {
  for (int i = 0; i < 16; i++) press(97 + i, 0, 'a' + i);
  for (int i = 0; i < 15; i++) EXPECT_EQ(inkey(), std::string(1, char('a' + i))) << i;
  EXPECT_EQ(inkey(), "");
}

TEST_F(Keyboard, KeysCrossThreadsInOrder) {
  // The event side on its own thread, as the main thread is in a running program.
  constexpr int count = 2000;
  std::atomic<bool> give_up{false};
  std::thread producer([&give_up] {
    for (int i = 0; i < count && !give_up; i++) {
      while (!give_up) {                   // wait for a free slot: tail + 2 != head
        uint8_t head = std::atomic_ref<uint8_t>(cmem[cmem_kbd_head]).load();
        uint8_t tail = std::atomic_ref<uint8_t>(cmem[cmem_kbd_tail]).load();
        if ((tail >= 60 ? 30 : tail + 2) != head) break;
        std::this_thread::yield();
      }
      keyboard_key_down(97 + i % 26, 0, 'a' + i % 26);
    }
  });
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  int got = 0;
  bool in_order = true;
  while (got < count && std::chrono::steady_clock::now() < deadline) {
    std::string k = inkey();
    if (k.empty()) continue;
    in_order = in_order && k == std::string(1, char('a' + got % 26));
    got++;
  }
  give_up = true;
  producer.join();
  EXPECT_EQ(got, count);
  EXPECT_TRUE(in_order);
}

TEST_F(Keyboard, InkeyReturnsEmptyWhileAnErrorIsPending) {
  press(97, 0, 'a');
  new_error = 5;
  EXPECT_EQ(inkey(), "");
  new_error = 0;
  EXPECT_EQ(inkey(), "a");                 // the key was not consumed
}

TEST_F(Keyboard, AltWithKeypadDigitsTypesTheCode) {
  auto alt_code = [](std::initializer_list<uint32_t> digits) {
    keyboard_key_down(LALT, M_ALT, 0);
    for (uint32_t d : digits) {
      keyboard_key_down(256 + d, M_ALT, 0);
      keyboard_key_up(256 + d, M_ALT);
    }
    EXPECT_TRUE(keybuf_empty());
    keyboard_key_up(LALT, 0);
  };
  alt_code({1, 6, 5});
  EXPECT_EQ(inkey(), std::string(1, char(165)));
  alt_code({6, 5});                        // the value starts again from zero

  EXPECT_EQ(inkey(), "A");
  press(233, 0, 233);                      // beyond ASCII is refused again afterwards
  EXPECT_EQ(inkey(), "");
}

TEST_F(Keyboard, PauseHoldsTheProgramAndTheNextKeyIsConsumed) {
  suspend_program = 2;                     // a sound wait in progress keeps its own bit
  press(19, 0, 0);
  EXPECT_EQ(suspend_program.load(), 3);
  EXPECT_EQ(kelevent.load(), 1);
  press(LSHIFT, M_SHIFT, 0);               // a shift key does not end the pause
  EXPECT_EQ(suspend_program.load(), 3);
  press(97, 0, 'a');
  EXPECT_EQ(suspend_program.load(), 2);
  EXPECT_EQ(inkey(), "");
  press(98, 0, 'b');
  EXPECT_EQ(inkey(), "b");
}

TEST_F(Keyboard, AltEnterTogglesFullScreenOnly) {
  press(13, M_ALT, 13);
  press(271, M_ALT, 13);                   // keypad Enter
  EXPECT_EQ(full_screen_toggle.load(), 2);
  EXPECT_TRUE(keybuf_empty());
}

TEST_F(Keyboard, CtrlBreakRequestsCloseWithoutAKey) {
  exit_blocked = 1;                        // records the request instead of closing
  exit_value = 0;
  press(19, M_CTRL, 0);
  EXPECT_EQ(exit_value.load(), 2);
  EXPECT_EQ(suspend_program.load(), 0);
  EXPECT_TRUE(keybuf_empty());
  exit_blocked = 0;
  exit_value = 0;
}

TEST_F(Keyboard, FlagBytesFollowHeldKeysAndToggles) {
  keyboard_key_down(LSHIFT, M_SHIFT, 0);
  keyboard_key_down(305, M_SHIFT | 0x0080, 0);   // right Ctrl
  keyboard_update_flags();
  EXPECT_EQ(cmem[cmem_kbd_flags1], 0x06);
  EXPECT_EQ(cmem[cmem_kbd_flags2], 0x00);
  EXPECT_EQ(cmem[cmem_kbd_flags3], 0x14);
  keyboard_key_up(305, M_SHIFT);
  keyboard_key_up(LSHIFT, 0);
  keyboard_key_down(LCTRL, M_CTRL, 0);
  keyboard_key_down(LALT, M_CTRL | M_ALT | 0x1000 | 0x2000, 0);   // with Num and Caps Lock on
  keyboard_update_flags();
  EXPECT_EQ(cmem[cmem_kbd_flags1], 0x6C);
  EXPECT_EQ(cmem[cmem_kbd_flags2], 0x03);
  EXPECT_EQ(cmem[cmem_kbd_flags3], 0x10);
  keyboard_key_up(LALT, M_CTRL);
  keyboard_key_up(LCTRL, 0);
  for (int i = 0; i < 3; i++) keyboard_key_down(302, 0, 0);   // auto-repeat toggles once
  keyboard_update_flags();
  EXPECT_EQ(cmem[cmem_kbd_flags1], 0x10);
  EXPECT_EQ(cmem[cmem_kbd_flags2], 0x10);
  keyboard_key_up(302, 0);
  press(302, 0, 0);
  press(277, 0, 0);                        // Insert
  press(317, 0, 0);                        // SysReq does not stay down after its release
  keyboard_update_flags();
  EXPECT_EQ(cmem[cmem_kbd_flags1], 0x80);
  EXPECT_EQ(cmem[cmem_kbd_flags2], 0x00);
}

TEST_F(Keyboard, Port60QueueGivesPressAndReleaseCodes) {
  EXPECT_EQ(port60h_read(), 128);
  press(97, 0, 'a');                       // scan code 30
  EXPECT_EQ(port60h_read(), 30);
  EXPECT_EQ(port60h_read(), 30 + 128);
  EXPECT_EQ(port60h_read(), 30 + 128);     // empty: the last code again
  // 300 codes without reads: the oldest are dropped and the newest 256 remain.
  for (int i = 0; i < 150; i++) press(97 + i % 2, 0, 0);   // a = 30, b = 48
  for (int n = 44; n < 300; n++) {
    int key = (n / 2) % 2 ? 48 : 30;
    ASSERT_EQ(port60h_read(), n % 2 ? key + 128 : key) << n;
  }
  EXPECT_EQ(port60h_read(), 48 + 128);
}

TEST_F(Keyboard, MouseRingDropsTheOldestUnreadWhenFull) {
  EXPECT_EQ(func__mouseinput(), 0);
  for (int i = 1; i <= 65536; i++) mouse_append((uint16_t)i, 0, 0, 0, 0);
  int read = 0;
  uint16_t first = 0, last = 0;
  while (func__mouseinput()) {
    last = mouse_messages[current_mouse_message].x;
    if (read++ == 0) first = last;
  }
  EXPECT_EQ(read, 65535);
  EXPECT_EQ(first, 2);
  EXPECT_EQ(last, 0);                      // 65536 stored in 16 bits
}

TEST_F(Keyboard, MouseEventsBuildMessages) {
  SDL_Event e{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.button = 3;                     // right
  ASSERT_TRUE(keyboard_handle_event(e));
  e = SDL_Event{};
  e.type = SDL_MOUSEMOTION;
  e.motion.xrel = 5;
  e.motion.state = 4;
  ASSERT_TRUE(keyboard_handle_event(e));
  e = SDL_Event{};
  e.button.button = 4;                     // wheel up: press, then release
  e.type = SDL_MOUSEBUTTONDOWN;
  ASSERT_TRUE(keyboard_handle_event(e));
  e.type = SDL_MOUSEBUTTONUP;
  ASSERT_TRUE(keyboard_handle_event(e));
  e.type = SDL_QUIT;
  EXPECT_FALSE(keyboard_handle_event(e));

  ASSERT_EQ(func__mouseinput(), -1);       // button down
  EXPECT_EQ(func__mousebutton(2), -1);
  EXPECT_EQ(func__mousebutton(1), 0);
  EXPECT_EQ(func__mousebutton(3), 0);
  ASSERT_EQ(func__mouseinput(), -1);       // motion with its movement
  EXPECT_EQ(func__mousemovementx(), 5);
  ASSERT_EQ(func__mouseinput(), -1);       // the same position without movement
  EXPECT_EQ(func__mousemovementx(), 0);
  ASSERT_EQ(func__mouseinput(), -1);
  EXPECT_EQ(func__mousewheel(), -1);
  EXPECT_EQ(func__mousebutton(2), -1);
  ASSERT_EQ(func__mouseinput(), -1);
  EXPECT_EQ(func__mousewheel(), 0);
  EXPECT_EQ(func__mouseinput(), 0);

  mouseinput_ignoremovement = 1;           // movement caused by a mode switch
  e = SDL_Event{};
  e.type = SDL_MOUSEMOTION;
  e.motion.xrel = 5;
  ASSERT_TRUE(keyboard_handle_event(e));
  ASSERT_EQ(func__mouseinput(), -1);
  EXPECT_EQ(func__mousemovementx(), 0);
  EXPECT_EQ(mouseinput_ignoremovement, 0);

  EXPECT_EQ(func__mousebutton(0), 0);
  EXPECT_EQ(new_error, 5);
}

TEST_F(Keyboard, MousePositionOnATextPageIsACellCoordinate) {
  ASSERT_EQ(display_page->screen_mode, 0);
  int fw = fontwidth[display_page->font], fh = fontheight[display_page->font];
  int cols = display_page->width, rows = display_page->height;
  struct row { int x, y, col, row; };
  const row cases[] = {
      {0, 0, 1, 1}, {fw - 1, fh - 1, 1, 1}, {fw, fh, 2, 2}, {3 * fw + 4, 2 * fh + 8, 4, 3},
      {cols * fw + 50, rows * fh + 50, cols, rows},   // beyond the page: the last cell
  };
  for (const row &r : cases) {
    mouse_append((uint16_t)r.x, (uint16_t)r.y, 0, 0, 0);
    func__mouseinput();
    float x = func__mousex(), y = func__mousey();
    EXPECT_EQ(std::nearbyint(x), r.col) << r.x;      // rounding half to even
    EXPECT_EQ(std::lround(x), r.col) << r.x;
    EXPECT_EQ(std::nearbyint(y), r.row) << r.y;
    EXPECT_EQ(std::lround(y), r.row) << r.y;
  }
}

TEST_F(Keyboard, MousePositionOnAGraphicsPageRemovesOffsetAndScale) {
  kelg_screen(13, 0, 0, 0, 0, 1);
  int saved[4] = {display_x_offset, display_y_offset, display_x_scale, display_y_scale};
  display_x_offset = 10;
  display_y_offset = 4;
  display_x_scale = display_y_scale = 2;
  struct row { int x, y; float want_x, want_y; };
  const row rows[] = {{10, 4, 0, 0}, {5, 2, 0, 0}, {31, 25, 10, 10}, {2000, 2000, 319, 199}};
  for (const row &r : rows) {
    mouse_append((uint16_t)r.x, (uint16_t)r.y, 0, 0, 0);
    func__mouseinput();
    EXPECT_EQ(func__mousex(), r.want_x) << r.x;
    EXPECT_EQ(func__mousey(), r.want_y) << r.y;
  }
  display_x_offset = saved[0];
  display_y_offset = saved[1];
  display_x_scale = saved[2];
  display_y_scale = saved[3];
}

TEST_F(Keyboard, MouseFlushKeepsOnlyTheNewestButtons) {
  mouse_append(7, 8, 1, 3, 3);
  mouse_append(9, 9, 2, 4, 4);
  mouseinput_flush();
  EXPECT_EQ(func__mouseinput(), 0);        // nothing older is left to read
  EXPECT_EQ(func__mousebutton(3), -1);     // SDL button 2 from the newest message
  EXPECT_EQ(func__mousemovementx(), 0);
  EXPECT_NEAR(func__mousex(), 9.0 / fontwidth[display_page->font] + 0.501, 1e-4);
}

}  // namespace

}  // namespace keyboard_test
