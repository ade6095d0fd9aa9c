// Process entry, the three threads, the shared flags, END and shutdown.
#pragma once
#include <SDL/SDL.h>
#include <atomic>
#include <cstdint>
#include <string>

struct kels;

extern std::atomic<uint8_t> stop_program;
extern std::atomic<uint8_t> close_program;
extern std::atomic<uint8_t> suspend_program;   // bit 0 pause key, bit 1 foreground sound wait
extern std::atomic<int> exit_blocked;
extern std::atomic<int> exit_value;
extern std::atomic<int> autodisplay;
extern std::atomic<int> lock_display;
extern std::atomic<int> lock_display_required;
extern std::atomic<int> shell_call_in_progress;
extern std::atomic<int> sleep_break;
extern std::atomic<int> vertical_retrace_in_progress, vertical_retrace_happened;
extern int key_repeat_on;

extern char exepath[65536];
extern kels *func_command_str;                  // COMMAND$
extern int environ_count;
extern uint32_t sdl_firsttimervalue, kelvo_firsttimervalue;
extern SDL_PixelFormat pixelformat32, pixelformat8;
extern uint8_t nothingvalue[8];

// The translated program's entry. kel_main runs start-up, threads and the main loop.
using kel_program_fn = void (*)();
int kel_main(int argc, char **argv, kel_program_fn program);

void sub_end();                                 // END; never returns
[[noreturn]] void end();                        // ends the game thread once stop_program is 1
int32_t func__exit();
kels *func_command();                           // COMMAND$ as a temporary

// Start-up pieces that do not need SDL; tests call this to get a working runtime.
void kel_init_runtime(int argc, char **argv);

// Thrown by end() and caught only at the game thread's entry.
struct kel_thread_end {};

// Window close (bit 0) or Ctrl+Break (bit 1) seen by the main thread.
void kel_request_close(int bit);

// Ending the process. Only the main thread exits: every other way out asks it to, with the
// status to use; the first request's status is the one used.
void kel_request_exit(int status);              // any thread
// The game thread asks and stops at once; the main thread shuts down itself. Without a
// running main loop (start-up, one thread driving the runtime) the process simply exits.
[[noreturn]] void kel_exit(int status);
int kel_exit_status();                          // the status asked for so far (0 when none)

extern std::string &kel_start_dir;  // where the process was started (before moving beside the program)

// True on the game thread (used by the platform layer to route message boxes).
bool kel_on_game_thread();
