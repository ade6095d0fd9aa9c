// The flags the threads share, END's unwinding and the requests to end the process.
#include "flags.h"
#include <SDL/SDL.h>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include "host.h"
#include "platform.h"

std::atomic<uint8_t> stop_program{0};
std::atomic<uint8_t> close_program{0};
std::atomic<uint8_t> suspend_program{0};
std::atomic<int> exit_blocked{0};
std::atomic<int> exit_value{0};
std::atomic<int> autodisplay{1};
std::atomic<int> lock_display{0};
std::atomic<int> lock_display_required{0};
std::atomic<int> shell_call_in_progress{0};
std::atomic<int> sleep_break{0};
std::atomic<int> vertical_retrace_in_progress{0}, vertical_retrace_happened{0};
void (*kel_shutdown_hook)() = nullptr;
void (*kel_exit_files_hook)() = nullptr;
static std::atomic<bool> files_incomplete{false};

// The C++ thread id, not SDL_ThreadID: the page's SDL gives every thread the id 0.
static std::atomic<std::thread::id> game_thread_id{};
static std::atomic<int> exit_status{-1};         // -1 until an exit is asked for

uintptr_t kel_stack_floor = 0;

void kel_mark_game_thread() {
  game_thread_id = std::this_thread::get_id();
  uintptr_t lowest;
  size_t size;
  platform_stack_bounds(&lowest, &size);
  size_t room = size / 4 < (1u << 20) ? size / 4 : (1u << 20);   // a quarter of a small stack
  kel_stack_floor = lowest ? lowest + room : 0;
}
bool kel_on_game_thread() {
  std::thread::id id = game_thread_id.load();
  return id != std::thread::id{} && std::this_thread::get_id() == id;
}

[[noreturn]] void end() {
  while (stop_program.load() != 1) platform_sleep(100);
  throw kel_thread_end{};
}

void kel_request_exit(int status) {
  int none = -1;
  exit_status.compare_exchange_strong(none, status);
  close_program = 1;
}

void kel_mark_files_incomplete() { files_incomplete = true; }

int kel_exit_status() {
  int s = exit_status.load();
  if (s < 0) s = 0;
  return s == 0 && files_incomplete.load() ? 61 : s;
}

[[noreturn]] void kel_exit(int status) {
  kel_request_exit(status);
  if (kel_on_game_thread()) end();           // the main thread stops this thread, then exits
  if (kel_shutdown_hook && platform_main_loop_running.load() &&
      std::this_thread::get_id() == platform_main_thread)
    kel_shutdown_hook();                     // does not return
  // No main loop (start-up, or one thread driving the runtime): this thread is the process.
  if (kel_exit_files_hook) kel_exit_files_hook();
  std::fflush(nullptr);
  std::exit(kel_exit_status());
}

// Window close (bit 0) or Ctrl+Break (bit 1) from the main thread.
void kel_request_close(int bit) {
  if (exit_blocked.load()) {
    exit_value |= 1 << bit;
    return;
  }
  kel_request_exit(0);
}
