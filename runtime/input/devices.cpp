// STICK, STRIG and PEN: SDL's first joystick (opened when first asked for), no light pen.
#include "devices.h"
#include <SDL/SDL.h>
#include <algorithm>
#include <atomic>
#include "events.h"
#include "flags.h"
#include "platform.h"

// The joystick belongs to the main thread, like every SDL call: the first STICK or STRIG asks
// for it, the main thread's input pass opens SDL's first joystick then and from then on copies
// its axes and buttons here, and the game thread reads the copies. Without a joystick (or
// without a main loop) both return what a machine without one gives.
static std::atomic<bool> joy_wanted{false}, joy_ready{false};
static std::atomic<int> joy_axes_n{0}, joy_buttons_n{0};
static std::atomic<int> joy_axis[4];
static std::atomic<uint32_t> joy_buttons{0};

void devices_poll() {
  if (!joy_wanted.load(std::memory_order_relaxed)) return;
  static SDL_Joystick *joy = nullptr;
  if (!joy_ready.load()) {
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0 && SDL_NumJoysticks() > 0) joy = SDL_JoystickOpen(0);
    if (joy) {
      joy_axes_n = std::min(SDL_JoystickNumAxes(joy), 4);
      joy_buttons_n = std::min(SDL_JoystickNumButtons(joy), 32);
    }
  }
  if (joy) {
    SDL_JoystickUpdate();
    for (int a = 0; a < joy_axes_n.load(); a++) joy_axis[a] = SDL_JoystickGetAxis(joy, a);
    uint32_t b = 0;
    for (int k = 0; k < joy_buttons_n.load(); k++) b |= (SDL_JoystickGetButton(joy, k) ? 1u : 0u) << k;
    joy_buttons = b;
  }
  joy_ready = true;
}

// True once the main thread has looked for a joystick (the first call waits for its pass).
static bool joystick_known() {
  if (!joy_wanted.exchange(true))
    while (!joy_ready.load() && platform_main_loop_running.load() && !stop_program.load()) platform_sleep(1);
  return joy_ready.load();
}

int32_t func_stick(int32_t n) {
  if (new_error) return 0;
  if (n < 0 || n > 3) { error(5); return 0; }
  if (!joystick_known() || n >= joy_axes_n.load()) return 0;
  int v = joy_axis[n].load();                   // -32768 ... 32767
  return 1 + (int32_t)((v + 32768) * 199 / 65535);
}

int32_t func_strig(int32_t n) {
  if (new_error) return 0;
  if (n < 0 || n > 7) { error(5); return 0; }
  int button = n / 2;                           // 0, 1: A1; 2, 3: B1; 4, 5: A2; 6, 7: B2
  if (!joystick_known() || button >= joy_buttons_n.load()) return 0;
  return joy_buttons.load() >> button & 1 ? -1 : 0;
}

int32_t func_pen(int32_t n) {
  if (new_error) return 0;
  if (n < 0 || n > 9) { error(5); return 0; }
  return 0;
}
