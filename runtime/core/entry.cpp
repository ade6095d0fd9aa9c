// Process entry: start-up in order, the game and timer threads, the main loop, END
// and the orderly shutdown.
#include "entry.h"
#include <SDL/SDL_ttf.h>
#include <unistd.h>
#include <csignal>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include "devices.h"
#include "display.h"
#include "events.h"
#include "files.h"
#include "host.h"
#include "images.h"
#include "input.h"
#include "kel_atomic.h"
#include "kel_data.h"
#include "kels.h"
#include "keyboard.h"
#include "memory.h"
#include "timing.h"
#include "platform.h"
#include "playq.h"
#include "sound.h"
#include "text.h"
#include "start_dir.h"
#include "display_msgbox.h"

static int key_repeat_on = 0;
static char exepath[65536];
static kels *func_command_str = nullptr;        // COMMAND$
static int environ_count = 0;
static SDL_PixelFormat pixelformat32, pixelformat8;
static char sub_file_print_spaces[32];
// Never destroyed: the replay thread may still read it while the process exits.
std::string &kel_start_dir = *new std::string;

static platform_thread *game_thread = nullptr, *timer_thread = nullptr;
static volatile std::sig_atomic_t signal_pending = 0;
static std::atomic<bool> timer_thread_quit{false};
static const kel_driver *entry_driver = nullptr;

// The program's files at its end: one whose written data could not all be stored is named on
// standard error, and the process then ends with status 61 rather than 0.
static void close_files_at_end() {
  if (!gfs_close_all_at_end()) kel_mark_files_incomplete();
  gfs_printer_close();
}
static kel_program_fn program_entry = nullptr;

void sub_end() {
  exit_blocked = 0;
  // The visible page becomes the output page; the message goes on its bottom row.
  write_page = display_page;
  write_page_index = display_page_index;
  int rows = img_rows(write_page);
  write_page->top_row = write_page->bottom_row = (int16_t)rows;
  write_page->cursor_y = (int16_t)rows;
  write_page->cursor_x = 1;
  write_page->holding_cursor = 0;
  uint32_t kels_tmp_base = kels_tmp_list_nexti;
  kels_print(nothingstring, 1);
  kels *msg = kels_new_txt("Press any key to continue");
  kels_print(msg, 0);
  kels_cleanup(kels_tmp_base, 0);
  close_files_at_end();                        // END closes every file, flushing what was written
  new_error = 0;
  for (;;) {                                   // keys typed before END are ignored
    kels *k = kels_inkey();
    bool empty = k->len == 0;
    kels_cleanup(kels_tmp_base, 0);
    if (empty) break;
    platform_sleep(0);
  }
  autodisplay = 1;
  for (;;) {
    if (stop_program.load() == 1) end();
    kels *k = kels_inkey();
    bool got = k->len != 0;
    kels_cleanup(kels_tmp_base, 0);
    if (got) break;
    platform_sleep(1);
  }
  kel_request_exit(0);
  end();
}

int32_t func__exit() {
  exit_blocked = 1;
  return exit_value.exchange(0);
}

kels *func_command() {
  kels *s = kels_new((int32_t)func_command_str->len, 1);
  std::memcpy(s->text, func_command_str->text, func_command_str->len);
  return s;
}

static void write_bios_ticks() {
  uint32_t ms = (uint32_t)(((uint64_t)platform_ticks() - sdl_firsttimervalue + kelvo_firsttimervalue) % 86400000u);
  uint32_t ticks = (uint32_t)(ms * 0.0182);
  for (int i = 0; i < 3; i++)
    kel_atomic_ref<uint8_t>(cmem[cmem_ticks + i]).store((uint8_t)(ticks >> (8 * i)), std::memory_order_relaxed);
}

static int game_thread_main(void *) {
  kel_mark_game_thread();
  try {
    program_entry();
    sub_end();                               // falling off the end acts as END
  } catch (const kel_thread_end &) {
  }
  return 0;
}

static int timer_thread_main(void *) {
  return TIMERTHREAD(timer_thread_quit);
}

// The lower layers announce, the upper ones register what answers: wired once, before any
// page is built or box shown.
static void connect_layers() {
  platform_msgbox_draw = display_draw_msgbox;    // boxes are drawn over the window's frame
  platform_msgbox_closed = display_invalidate;   // the next refresh paints the page over a box
  images_page_rebuilt = display_invalidate;      // a new page 0 is redrawn whole
  display_mode_switched = mouseinput_flush;      // pointer moves of a mode switch are not the user's
  input_hand_frame = display_hand_frame;         // INPUT's last line shows with refresh off
}

void kel_init_runtime(int argc, char **argv) {
  static bool done = false;
  if (done) return;
  done = true;
  connect_layers();
  kel_exit_files_hook = close_files_at_end;    // an exit without a main loop closes them too
  platform_main_thread = std::this_thread::get_id();
  // Timer slot 0 is allocated and idle.
  ontimer_init();
  kel_on_clear(sub_close_all);               // CLEAR closes every file
  kel_on_clear(playq_reset);                 // CLEAR empties the sound queue, PLAY's notes too
  char cwd[4096];
  if (getcwd(cwd, sizeof cwd)) kel_start_dir = cwd;
  std::string folder = platform_program_folder();
  std::snprintf(exepath, sizeof exepath, "%s", folder.c_str());
  if (chdir(exepath) != 0) { /* stays where it started */ }
  for (char **e = environ; *e; e++) environ_count++;
  environ_count++;
  std::memset(sub_file_print_spaces, ' ', sizeof sub_file_print_spaces);
  cmem_reset();
  images_init();
  keyboard_init();
  mem_static_malloc(0);
  kels_init();
  std::string cmd;
  for (int i = 1; i < argc; i++) {
    if (i > 1) cmd += ' ';
    cmd += argv[i];
  }
  func_command_str = kels_new((int32_t)cmd.size(), 0);
  std::memcpy(func_command_str->text, cmd.data(), cmd.size());
  kelg_screen(0, 0, 0, 0, 0, 1);
  width8050switch = 1;
}

// TIMER counts from the local midnight. The calendar time is read to the millisecond, so the
// tick count is lined up with it at once (no waiting for the calendar second to change).
static void sync_clock() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  sdl_firsttimervalue = platform_ticks();
  std::time_t secs = now.tv_sec;
  std::tm lt{};
  localtime_r(&secs, &lt);
  kelvo_firsttimervalue = (uint32_t)((lt.tm_hour * 3600 + lt.tm_min * 60 + lt.tm_sec) * 1000 + now.tv_nsec / 1000000);
}

// Stops the game thread (it answers at its next statement or wait, boxes included) and joins
// every thread the runtime started. Only the main thread calls this.
static void stop_threads() {
  stop_program = 1;
  kelevent = 1;
  platform_thread_join(game_thread);
  game_thread = nullptr;
  timer_thread_quit = true;
  platform_thread_join(timer_thread);
  timer_thread = nullptr;
  if (entry_driver) entry_driver->stop();
}

[[noreturn]] static void shutdown_process() {
  stop_threads();
  close_files_at_end();                   // the game thread is stopped: its files are flushed here
  SDL_ShowCursor(SDL_DISABLE);
  std::fflush(nullptr);
  platform_host_ended(kel_exit_status());
  std::exit(kel_exit_status());           // the exit handlers close the mixer, fonts and SDL
}

// SIGINT acts as Ctrl+Break, SIGTERM and SIGHUP as a window close; the handler only records
// the signal, the main loop acts on it.
static void on_signal(int sig) { signal_pending = sig; }

static void install_signal_handlers() {
  struct sigaction sa{};
  sa.sa_handler = on_signal;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &sa, nullptr);
}

// Main thread: a recorded signal becomes a close request; true when one was taken.
static bool take_signal() {
  int sig = signal_pending;
  if (!sig) return false;
  signal_pending = 0;
  kel_request_close(sig == SIGINT ? 1 : 0);
  return true;
}

// A lost connection to the X display: Xlib calls this on the main thread (the only one
// using the display) and ends the process if it returns, so the threads are stopped here
// and the process leaves without the exit handlers, which would talk to the display again.
static int on_display_lost(void *) {
  kel_request_exit(0);
  stop_threads();
  close_files_at_end();                   // the exit handlers, which would flush them, are skipped
  std::fflush(nullptr);
  std::_Exit(kel_exit_status());
}

static void set_key_repeat(bool on) {
  if (on == (key_repeat_on != 0)) return;
  if (on) SDL_EnableKeyRepeat(500, 30);
  else SDL_EnableKeyRepeat(0, 0);
  key_repeat_on = on;
}

int kel_run(int argc, char **argv, kel_program_fn program, const kel_driver *driver) {
  program_entry = program;
  entry_driver = driver;
  kel_init_runtime(argc, argv);
  if (entry_driver) entry_driver->load();    // a malformed script ends the process here (status 2)
  platform_host_start();
  // Audio starts with the first sound statement, which falls back to silent play when the
  // device cannot open; starting it here would end the program on a machine without sound.
  if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) < 0) {
    std::fprintf(stderr, "Unable to init SDL: %s\n", SDL_GetError());
    std::exit(100);
  }
  std::atexit(SDL_Quit);
  sync_clock();
  if (TTF_Init() < 0) std::exit(7000);
  std::atexit(TTF_Quit);
  SDL_Rect **list = SDL_ListModes(nullptr, SDL_FULLSCREEN | SDL_HWSURFACE);
  if (list == (SDL_Rect **)-1) {
    display_anymode = 1;
  } else if (list) {
    int n = 0;
    while (list[n]) n++;
    display_modes = new mode_rect[n > 0 ? n : 1];
    for (int i = 0; i < n; i++)   // SDL_Rect's fields are int on some hosts
      display_modes[i] = {(int16_t)list[i]->x, (int16_t)list[i]->y, (uint16_t)list[i]->w, (uint16_t)list[i]->h};
    display_nmodes = n;
  }
  set_key_repeat(true);
  SDL_EnableUNICODE(1);
  platform_set_icon(file_kelvoicon_bmp, sizeof file_kelvoicon_bmp);
  SDL_WM_SetCaption("Untitled", "Untitled");
  int mx = 0, my = 0;
  SDL_GetMouseState(&mx, &my);
  mouse_messages[0] = {(uint16_t)mx, (uint16_t)my, 0, 0, 0};
  display_make_cursor();
  if (SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 8, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000)) {
    pixelformat32 = *s->format;
    pixelformat32.palette = nullptr;
    SDL_FreeSurface(s);
  }
  if (SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 8, 8, 0, 0, 0, 0)) {
    pixelformat8 = *s->format;
    pixelformat8.palette = nullptr;
    SDL_FreeSurface(s);
  }
  display();                                 // the window opens at the first page's size
  platform_watch_display(on_display_lost);
  install_signal_handlers();                 // after SDL's own, which they replace
  lock_display_required = 1;                 // before the game thread can rebuild a page
  // Boxes are served from the moment the game thread exists; a thread waiting for the main
  // thread gives up when the process is stopping.
  platform_wait_cancelled = [] { return stop_program.load() == 1; };
  platform_msgbox_idle = [] {
    if (entry_driver) entry_driver->serve();
    take_signal();
    return close_program.load() == 1;          // the process is to end: the box goes
  };
  kel_shutdown_hook = shutdown_process;      // kel_exit on this thread shuts down here
  platform_main_loop_running = true;
  // Procedures nest deeply (recursion ten thousands of calls down): a large stack.
  game_thread = platform_thread_start(game_thread_main, nullptr, true);
  if (!game_thread) {
    std::fprintf(stderr, "Unable to create thread: %s\n", SDL_GetError());
    return 0;
  }
  timer_thread = platform_thread_start(timer_thread_main, nullptr, false);
  if (!timer_thread) {
    std::fprintf(stderr, "Unable to create thread: %s\n", SDL_GetError());
    return 0;
  }
  if (entry_driver) entry_driver->start();
  bool toggle = false;
  for (;;) {
    write_bios_ticks();
    if (shell_call_in_progress.load() == -1) {
      platform_sleep(64);
      continue;
    }
    if (shell_call_in_progress.load()) {
      shell_call_in_progress = -1;
      set_key_repeat(false);
      if (autodisplay.load()) display();
      continue;
    }
    platform_sleep(15);
    vertical_retrace_happened = 1;
    vertical_retrace_in_progress = 1;
    platform_sleep(1);
    take_signal();
    if (close_program.load() == 1) shutdown_process();
    toggle = !toggle;
    sndqueue_feed();
    if (toggle && autodisplay.load()) display();
    else display_serve_requests();
    vertical_retrace_in_progress = 0;
    platform_serve_msgbox();
    if (entry_driver) entry_driver->serve();
    if (toggle) continue;
    uint8_t state = SDL_GetAppState();
    set_key_repeat((state & SDL_APPINPUTFOCUS) && (state & SDL_APPACTIVE));
    keyboard_drain_events();
    devices_poll();
    keyboard_update_flags();
    snd_stream_limit_check();
  }
}
