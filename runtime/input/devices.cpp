// STICK, STRIG and PEN: SDL's first joystick (opened when first asked for), no light pen.
#include "devices.h"
#include <SDL/SDL.h>
#include "events.h"

// SDL's joystick subsystem is started on the first STICK or STRIG, as the sound starts its
// own on the first sound; without a joystick both return what a machine without one gives.
static SDL_Joystick *joystick() {
  static bool tried = false;
  static SDL_Joystick *joy = nullptr;
  if (!tried) {
    tried = true;
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0 && SDL_NumJoysticks() > 0) joy = SDL_JoystickOpen(0);
  }
  if (joy) SDL_JoystickUpdate();
  return joy;
}

int32_t func_stick(int32_t n) {
  if (new_error) return 0;
  if (n < 0 || n > 3) { error(5); return 0; }
  SDL_Joystick *joy = joystick();
  if (!joy || n >= SDL_JoystickNumAxes(joy)) return 0;
  int v = SDL_JoystickGetAxis(joy, n);          // -32768 ... 32767
  return 1 + (int32_t)((v + 32768) * 199 / 65535);
}

int32_t func_strig(int32_t n) {
  if (new_error) return 0;
  if (n < 0 || n > 7) { error(5); return 0; }
  SDL_Joystick *joy = joystick();
  int button = n / 2;                           // 0, 1: A1; 2, 3: B1; 4, 5: A2; 6, 7: B2
  if (!joy || button >= SDL_JoystickNumButtons(joy)) return 0;
  return SDL_JoystickGetButton(joy, button) ? -1 : 0;
}

int32_t func_pen(int32_t n) {
  if (new_error) return 0;
  if (n < 0 || n > 9) { error(5); return 0; }
  return 0;
}
