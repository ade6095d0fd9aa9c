// Keyboard and mouse: SDL events into the emulated BIOS key buffer, the flag bytes, the
// port 0x60 queue and the mouse message ring; INKEY$.
#pragma once
#include <SDL/SDL.h>
#include <atomic>
#include <cstdint>

struct kels;

extern uint8_t keyon[65536];
extern uint32_t sdl_shiftstate;
extern int sdl_scroll_lock, sdl_insert, sdl_scroll_lock_prepared, sdl_insert_prepared;
extern uint64_t asciicode_value;
extern int asciicode_reading, asciicode_force;
extern uint8_t port60h_event[256];
extern int port60h_events;
extern uint8_t sdlk_2_scancode[1024];

struct mouse_message { uint16_t x, y; uint32_t buttons; int16_t movementx, movementy; };
extern mouse_message mouse_messages[65536];
extern uint16_t last_mouse_message, current_mouse_message;

void keyboard_init();                       // scan-code table, empty buffer, port queue at 128
void keyboard_key_down(uint32_t sym, uint32_t mod, uint32_t unicode);
void keyboard_key_up(uint32_t sym, uint32_t mod);
void keyboard_update_flags();               // rewrites 0x417, 0x418, 0x496
bool keyboard_handle_event(const SDL_Event &e);   // false for events it does not take
void keyboard_drain_events();               // main thread: SDL queue into the structures
// Drains begun and completed, for pacing scripted keys: a key pushed before drain number
// keyboard_drains_begun + 1 begins has reached the program once keyboard_drains passes it.
extern std::atomic<uint32_t> keyboard_drains_begun;
extern std::atomic<uint32_t> keyboard_drains;

bool keybuf_put(uint8_t ascii, uint8_t code);     // false when full (key dropped)
bool keybuf_get(uint8_t *ascii, uint8_t *code);   // false when empty
bool keybuf_empty();

kels *kels_inkey();
int32_t func__mouseinput();
float func__mousex();
float func__mousey();
int32_t func__mousebutton(int32_t n);
int32_t func__mousewheel();
float func__mousemovementx();
float func__mousemovementy();
void sub__mousehide();
void sub__mouseshow();
void mouseinput_flush();
void mouse_append(uint16_t x, uint16_t y, uint32_t buttons, int16_t dx, int16_t dy);
int32_t port60h_read();
