// The devices this machine may lack: the joystick (STICK, STRIG, through SDL's first
// joystick when there is one) and the light pen (PEN, never present).
#pragma once
#include <cstdint>

int32_t func_stick(int32_t n);   // n 0-3: x and y of joystick A, then of B; 1-200, 0 without one
int32_t func_strig(int32_t n);   // n 0-7: -1 when the button is (or was) down, 0 without one
int32_t func_pen(int32_t n);     // n 0-9: 0, there is no light pen
void devices_poll();             // main thread, each input pass: the joystick, once asked for
