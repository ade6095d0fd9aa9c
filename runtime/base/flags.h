// The flags the threads share, END's unwinding of the game thread, and the way out of the
// process (every thread asks; the main thread exits).
#pragma once
#include <atomic>
#include <cstdint>

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

[[noreturn]] void end();                        // ends the game thread once stop_program is 1

// Thrown by end() and caught only at the game thread's entry.
struct kel_thread_end {};

// The game thread's entry marks it; true on the game thread (used by the platform layer to
// route message boxes).
void kel_mark_game_thread();
bool kel_on_game_thread();
// The lowest address the game thread's procedure frames may reach: its stack's end, less room
// for what still runs there after "Out of stack space" (the box, the unwinding). Set when the
// game thread marks itself; 0 (no limit) on other threads' runs and where the host cannot tell.
extern uintptr_t kel_stack_floor;

// Window close (bit 0) or Ctrl+Break (bit 1) seen by the main thread.
void kel_request_close(int bit);

// Ending the process. Only the main thread exits: every other way out asks it to, with the
// status to use; the first request's status is the one used.
void kel_request_exit(int status);              // any thread
// The game thread asks and stops at once; the main thread shuts down itself. Without a
// running main loop (start-up, one thread driving the runtime) the process simply exits.
[[noreturn]] void kel_exit(int status);
int kel_exit_status();                          // the status asked for so far (0 when none)
// The main thread's orderly shutdown (stops and joins the threads, then exits), registered by
// the entry code that starts them; kel_exit runs it on the main thread while its loop runs.
extern void (*kel_shutdown_hook)();
// Set by the entry code: closes the program's files when a thread without a main loop ends the
// process (with one, the main thread's shutdown closes them).
extern void (*kel_exit_files_hook)();
// A file could not be completed at the program's end: a status of 0 becomes 61.
void kel_mark_files_incomplete();
