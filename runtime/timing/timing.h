// Time and randomness: TIMER, SLEEP, _DELAY, _LIMIT, the ON TIMER table and its thread,
// RANDOMIZE and RND, and the emulated timing ports read by INP and WAIT.
#pragma once
#include <atomic>
#include <cstdint>

// One ON TIMER slot. The timer thread reads it and writes only `last` and `active`; the
// fields it reads are atomic because the game thread switches them while it scans.
struct ontimer_struct {
  std::atomic<uint8_t> allocated;   // 1 = slot in use
  std::atomic<uint32_t> id;         // handler id, 0 = none
  int64_t pass;                     // handed to the handler (game thread only)
  std::atomic<uint8_t> state;       // 0 off, 1 on, 2 stopped (triggers kept, not run)
  std::atomic<uint8_t> active;      // 0 idle, 1 triggered, 2 handler running
  std::atomic<double> seconds;      // interval
  std::atomic<double> last;         // tick seconds of the last trigger; 0 = never
};

extern ontimer_struct *ontimer;
extern std::atomic<uint32_t> ontimer_nextfree;  // slots ever created; slot 0 from start-up
extern uint32_t *ontimer_freelist;
extern uint32_t ontimer_freelist_size, ontimer_freelist_available;
extern std::atomic<int> ontimerthread_lock;     // 0 normal, 1 asked to stand aside, 2 stood aside
extern void (*ontimer_handler)(uint32_t id, int64_t pass);  // set by the program

// platform_ticks() when the clock was synchronised, and the milliseconds since midnight then.
extern uint32_t sdl_firsttimervalue, kelvo_firsttimervalue;
extern uint32_t rnd_seed;
extern int unsupported_port_accessed;
extern int palette_read_index, palette_read_component;  // VGA DAC read position (port 0x3C9)

// Start-up: a fresh table holding slot 0 (allocated, interval 0, off, idle).
void ontimer_init();

double func_timer(double accuracy, int32_t passed);
void sub_sleep(int32_t seconds, int32_t passed);
// True while a SLEEP is under way. It clears sleep_break as it begins, so while both hold no key
// has reached the program since: scripted input waits for that before it ends a pause with a key.
extern std::atomic<bool> timing_sleeping;
void sub__delay(double seconds);
void sub__limit(double rate);
int32_t func__freetimer();
void ontimer_setup(int32_t slot, double seconds, uint32_t id, int64_t pass);
void sub_timer(int32_t slot, int32_t kind, int32_t passed);   // kind 1 ON, 2 OFF, 3 STOP, 4 FREE
void sub_randomize(double seed, int32_t passed);
float func_rnd(float n, int32_t passed);
int32_t func_inp(int32_t port);
// OUT port, value (port -65536 ... 65535 and value -32768 ... 65535, error 6 beyond; the value's
// low byte is written). The VGA DAC: &H3C8 sets the write index, then three &H3C9 writes (red,
// green, blue, 0-63, the low 6 bits taken) set that colour of the visible page's palette, as
// PALETTE's 6-bit components give it, and move to the next index; &H3C7 sets the read index
// for INP(&H3C9). In modes whose palette holds fewer colours, indexes past them are ignored;
// SCREEN 10 and 32-bit pages have no such palette. Other ports are accepted and ignored.
void sub_out(int32_t port, int32_t value);
extern int palette_write_index, palette_write_component;   // VGA DAC write position
void sub_wait(int32_t port, int32_t and_mask, int32_t xor_mask, int32_t passed);

// The timer thread's body: scans until quit is set. One scan at a given time in seconds
// (timerthread_scan) is separate so it can be driven by any clock.
int TIMERTHREAD(const std::atomic<bool> &quit);
void timerthread_scan(double now);

// Pure pieces of TIMER and _LIMIT. timer_from_ms turns milliseconds since midnight into
// TIMER's value; limit_step advances _LIMIT's cadence and returns how long to sleep.
double timer_from_ms(uint32_t ms, double accuracy, int32_t passed);
uint32_t timing_ms_of_day();
// TIME$ = "hh:mm:ss" moves the clock the program sees (TIMER, TIME$) by this much; the
// system's clock is never set.
extern int32_t timing_time_offset_ms;
uint32_t limit_step(double &prev, uint32_t now, double ms);
