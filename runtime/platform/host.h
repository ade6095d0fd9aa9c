// The host backend: what differs between running in a native window and in a web page.
// runtime/platform/native/ and runtime/platform/web/ each implement every function here; the
// build picks one folder (KEL_WEB), so the runtime above never asks which host it runs on.
// Audio output is SDL_mixer's interface (the subset sound.cpp uses): natively SDL_mixer
// itself, in a page web/mixer.cpp over the page's Web Audio output.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <SDL/SDL.h>

// Milliseconds since the clock's start, read in the calling thread (never a round trip to the
// thread that owns the window: the timer thread and TIMER read it in tight loops).
uint32_t platform_ticks();

// Threads the runtime starts (the game thread with a large stack, the timer thread).
struct platform_thread;
platform_thread *platform_thread_start(int (*fn)(void *), void *arg, bool large_stack);
void platform_thread_join(platform_thread *t);   // waits for it and frees the handle
// The calling thread's stack: its lowest address and its size in bytes (both 0 when the host
// cannot tell). Stacks grow down to the lowest address.
void platform_stack_bounds(uintptr_t *lowest, size_t *size);

// Start-up before SDL: the host prepares what SDL and the program expect (the page's canvas
// settings and audio unlock on the web). Called once by the main thread.
void platform_host_start();
// The program ends with this status: the host is told (the page shows it; nothing natively).
void platform_host_ended(int status);
// Natively, a lost connection to the X display calls on_lost on the main thread; nothing else.
void platform_watch_display(int (*on_lost)(void *));

// Drawing into the window surface: begin makes s->pixels writable (locking the surface where
// the host needs it; false when it cannot), and the display then writes 0x00RRGGBB pixels;
// end unlocks it, and a host whose surface has another byte order converts on the way out.
bool platform_frame_begin(SDL_Surface *s);
void platform_frame_end(SDL_Surface *s);

// The mouse pointer from a 32x32 one-bit picture and mask (SDL_CreateCursor's layout) and the
// window's icon from a BMP image; a host without them ignores them.
void platform_set_cursor(const uint8_t *data, const uint8_t *mask, int w, int h, int hot_x, int hot_y);
void platform_set_icon(const uint8_t *bmp, size_t bytes);

// A key event's symbol and character in SDL 1.2's numbering, which the keyboard code reads
// (SDLK_RIGHT is 275 there, with no character); a host whose SDL numbers keys otherwise
// translates them in place.
void platform_key(uint32_t *sym, uint32_t *unicode);

// A PNG file's bytes of w x h 0x00RRGGBB pixels (screen snaps); "" when it cannot be made.
std::string platform_png(const uint32_t *rgb, int w, int h);
