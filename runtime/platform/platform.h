// The few host services the runtime needs beyond SDL: message boxes, the program's
// folder and sleeping.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>
#include <SDL/SDL.h>

enum class msgbox_kind { ok, yesno };

// Shows a modal box; returns 1 for Yes or OK, 0 for No. The caption and text are also
// written to standard error. From the game thread the main thread draws and answers it; a
// stop request (platform_wait_cancelled) while it waits withdraws the box and returns -1.
int platform_msgbox(const char *caption, const char *text, msgbox_kind kind);

// The box's picture over the window's frame, drawn by the layer that owns the frame (it
// registers here): caption, text and buttons, whose rectangles it fills in for clicks. Without
// it a box answers at once as one without a window does (OK, or No).
struct platform_msgbox_button { const char *label; int answer; SDL_Rect r; };
extern std::function<void(SDL_Surface *s, const char *caption, const char *text,
                          std::vector<platform_msgbox_button> &buttons)> platform_msgbox_draw;
// Told when a drawn box has gone, so the frame is painted again.
extern std::function<void()> platform_msgbox_closed;

// Tests install a hook that answers boxes directly (it returns 1 or 0).
extern std::function<int(const char *caption, const char *text, msgbox_kind kind)> platform_msgbox_hook;

std::string platform_program_folder();     // directory of the running executable, with "/"
void platform_sleep(uint32_t ms);           // 0 yields the processor

// Set up by the entry code: which thread owns the window, and whether its loop runs.
#include <atomic>
#include <thread>
extern std::thread::id platform_main_thread;
extern std::atomic<bool> platform_main_loop_running;
void platform_serve_msgbox();               // main loop: show a box another thread asked for
// Run by the main thread while a box waits for an answer; true closes the box as a window
// close would (No, or OK).
extern std::function<bool()> platform_msgbox_idle;
// Asked by a thread waiting for the main thread: true when it must stop waiting.
extern std::function<bool()> platform_wait_cancelled;
