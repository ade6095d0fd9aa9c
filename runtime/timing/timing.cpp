// Time and randomness: TIMER, SLEEP, _DELAY, _LIMIT, the ON TIMER table and its thread,
// RANDOMIZE and RND, and the emulated timing ports read by INP and WAIT.
#include "timing.h"
#include "traps.h"
#include <SDL/SDL.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include "flags.h"
#include "events.h"
#include "host.h"
#include "images.h"
#include "input.h"
#include "kels.h"
#include "keyboard.h"
#include "platform.h"
#include "text.h"

ontimer_struct *ontimer = nullptr;
std::atomic<uint32_t> ontimer_nextfree{0};
uint32_t *ontimer_freelist = nullptr;
uint32_t ontimer_freelist_size = 0, ontimer_freelist_available = 0;
std::atomic<int> ontimerthread_lock{0};
void (*ontimer_handler)(uint32_t, int64_t) = nullptr;

uint32_t sdl_firsttimervalue = 0, kelvo_firsttimervalue = 0;
uint32_t rnd_seed = 327680;
int unsupported_port_accessed = 0;
int palette_read_index = 0, palette_read_component = 0;
int palette_write_index = 0, palette_write_component = 0;

static std::atomic<bool> timerthread_running{false};

// ---- the clock ----

int32_t timing_time_offset_ms = 0;

uint32_t timing_ms_of_day() {
  uint32_t raw = (platform_ticks() - sdl_firsttimervalue + kelvo_firsttimervalue) % 86400000u;
  int64_t ms = ((int64_t)raw + timing_time_offset_ms) % 86400000;
  return (uint32_t)(ms < 0 ? ms + 86400000 : ms);
}

double timer_from_ms(uint32_t ms, double accuracy, int32_t passed) {
  double d = ms / 1000.0;
  double e = passed ? 1.0 / accuracy : 18.2;
  double v = std::nearbyint(d * e) / e;       // default rounding mode: ties to even
  // The last step of the day would round up to midnight itself; the day's clock
  // never shows 86,400, so it stays on the step below.
  if (!std::isfinite(v)) v = d;               // an accuracy too fine to scale by
  if (v >= 86400.0) v = std::floor(d * e) / e;
  if (!passed) {
    float f = (float)v;
    if (f >= 86400.0f) f = std::nextafter(86400.0f, 0.0f);
    v = f;
  }
  return v;
}

double func_timer(double accuracy, int32_t passed) {
  if (new_error) return 0;
  if (passed && !(accuracy > 0)) {
    error(5);
    return 0;
  }
  return timer_from_ms(timing_ms_of_day(), accuracy, passed);
}

// Waits ms milliseconds in short steps so that a stop request still ends the thread.
static void wait_ms(uint64_t ms) {
  uint64_t stop = (uint64_t)platform_ticks() + ms;
  for (;;) {
    if (stop_program.load() == 1) end();
    uint64_t now = platform_ticks();
    if (now >= stop) return;
    platform_sleep((uint32_t)std::min<uint64_t>(stop - now, 32));
  }
}

std::atomic<bool> timing_sleeping{false};

void sub_sleep(int32_t seconds, int32_t passed) {
  if (new_error) return;
  sleep_break = 0;
  struct under_way {
    under_way() { timing_sleeping = true; }
    ~under_way() { timing_sleeping = false; }
  } mark;
  if (!passed) seconds = 0;
  if (seconds <= 0) {                         // until a key is pressed
    for (;;) {
      if (sleep_break.load()) return;
      if (stop_program.load() == 1) end();
      platform_sleep(32);
    }
  }
  uint64_t stop = (uint64_t)platform_ticks() + (uint64_t)seconds * 1000;
  if (stop >= 4294966296ull) {                // beyond the 32-bit tick counter
    error(6);
    return;
  }
  for (;;) {
    if (sleep_break.load()) return;           // the key stays in the buffer
    if (stop_program.load() == 1) end();
    if (platform_ticks() >= stop - 64) {        // close to the end: poll for accuracy
      while (platform_ticks() < stop) platform_sleep(0);
      return;
    }
    platform_sleep(32);
  }
}

void sub__delay(double seconds) {
  if (new_error) return;
  if (!(seconds >= 0 && seconds <= 2147483.647)) {
    error(5);
    return;
  }
  wait_ms((uint64_t)(seconds * 1000));
}

uint32_t limit_step(double &prev, uint32_t now, double ms) {
  if (prev == 0 || prev > now) {              // first call, or the tick counter wrapped
    prev = now;
    return 0;
  }
  double elapsed = now - prev;
  if (elapsed < ms) {
    prev += ms;
    return (uint32_t)(ms - elapsed + 1);
  }
  if (elapsed <= ms + 16) prev += ms;         // a little late: keep the cadence
  else prev = now;                            // too far behind: start again
  return 0;
}

void sub__limit(double rate) {
  static double prev = 0;
  if (new_error) return;
  if (!(rate > 0) || 1000 / rate > 60000) {
    error(5);
    return;
  }
  uint32_t sleep = limit_step(prev, platform_ticks(), 1000 / rate);
  if (sleep) wait_ms(sleep);
}

// ---- ON TIMER ----

// The game thread takes the table from the timer thread while it changes more than one
// field of a slot or moves the table. Without a running timer thread there is nobody to
// wait for; a thread starting meanwhile sees the request at its first scan.
static void table_take() {
  ontimerthread_lock = 1;
  while (ontimerthread_lock.load() != 2 && timerthread_running.load()) platform_sleep(0);
}
static void table_give() { ontimerthread_lock = 0; }

static void copy_slot(ontimer_struct &to, const ontimer_struct &from) {
  to.allocated = from.allocated.load();
  to.id = from.id.load();
  to.pass = from.pass;
  to.state = from.state.load();
  to.active = from.active.load();
  to.seconds = from.seconds.load();
  to.last = from.last.load();
}

// Between statements (events()): runs each triggered ON TIMER handler of a slot that is on.
static void ontimer_dispatch() {
  for (uint32_t i = 0; i < ontimer_nextfree; i++) {
    ontimer_struct &t = ontimer[i];
    if (!t.allocated || !t.id || t.state != 1 || t.active.load() != 1) continue;
    t.active = 2;
    if (ontimer_handler) ontimer_handler(t.id, t.pass);
    ontimer[i].active = 0;             // the handler may have grown the table (_FREETIMER)
  }
}

void ontimer_init() {
  evnt_timer_dispatch = ontimer_dispatch;
  delete[] ontimer;
  delete[] ontimer_freelist;
  ontimer = new ontimer_struct[1]{};
  ontimer[0].allocated = 1;
  ontimer_nextfree = 1;
  ontimer_freelist_size = 8;
  ontimer_freelist = new uint32_t[ontimer_freelist_size];
  ontimer_freelist_available = 0;
  ontimerthread_lock = 0;
}

int32_t func__freetimer() {
  if (new_error) return 0;
  if (ontimer_freelist_available) {
    uint32_t i = ontimer_freelist[--ontimer_freelist_available];
    ontimer[i].state = 0;
    ontimer[i].id = 0;
    ontimer[i].allocated = 1;
    return (int32_t)i;
  }
  table_take();
  uint32_t n = ontimer_nextfree.load();
  auto *grown = new (std::nothrow) ontimer_struct[n + 1]{};
  if (!grown) error(257);
  for (uint32_t i = 0; i < n; i++) copy_slot(grown[i], ontimer[i]);
  delete[] ontimer;
  ontimer = grown;
  grown[n].active = 0;
  grown[n].state = 0;
  grown[n].id = 0;
  grown[n].allocated = 1;
  ontimer_nextfree = n + 1;
  table_give();
  return (int32_t)n;
}

static bool valid_slot(int32_t slot) {
  return slot >= 0 && (uint32_t)slot < ontimer_nextfree.load() && ontimer[slot].allocated;
}

void ontimer_setup(int32_t slot, double seconds, uint32_t id, int64_t pass) {
  if (new_error) return;
  if (!valid_slot(slot)) {
    error(5);
    return;
  }
  table_take();
  ontimer_struct &t = ontimer[slot];
  t.active = 0;
  t.seconds = seconds;
  t.pass = pass;
  t.id = id;
  t.last = 0;
  table_give();
}

void sub_timer(int32_t slot, int32_t kind, int32_t passed) {
  if (new_error) return;
  if (!(passed & 1)) slot = 0;
  if (!valid_slot(slot) || kind < 1 || kind > 4 || (kind == 4 && slot == 0)) {
    error(5);
    return;
  }
  ontimer_struct &t = ontimer[slot];
  if (kind == 1) {
    t.state = 1;
  } else if (kind == 3) {
    t.state = 2;
  } else {
    table_take();
    t.state = 0;
    t.active = 0;
    t.last = 0;
    if (kind == 4) {
      t.allocated = 0;
      t.id = 0;
    }
    table_give();
    if (kind == 4) {
      if (ontimer_freelist_available == ontimer_freelist_size) {
        auto *list = new (std::nothrow) uint32_t[ontimer_freelist_size * 2];
        if (!list) error(257);
        std::memcpy(list, ontimer_freelist, sizeof(uint32_t) * ontimer_freelist_size);
        delete[] ontimer_freelist;
        ontimer_freelist = list;
        ontimer_freelist_size *= 2;
      }
      ontimer_freelist[ontimer_freelist_available++] = (uint32_t)slot;
    }
  }
}

void timerthread_scan(double now) {
  trap_scan_due(now);                 // ON PLAY's moment, and any other event due at a time
  uint32_t n = ontimer_nextfree.load();
  for (uint32_t i = 0; i < n; i++) {
    if (ontimerthread_lock.load() == 1) return;   // the game thread wants the table
    ontimer_struct &t = ontimer[i];
    if (!t.allocated.load() || !t.id.load() || !t.state.load()) continue;
    double last = t.last.load(), seconds = t.seconds.load();
    if (last == 0) {                  // just switched on: the first interval starts now
      t.last = now;
      continue;
    }
    if (!(now - last > seconds)) continue;
    last += seconds;
    if (std::fabs(now - last) >= seconds) last = now;   // missed intervals are not made up
    t.last = last;
    // An interval that ends while the previous trigger still waits (or its handler
    // runs) joins that trigger: a program that is busy for a while sees one event.
    if (t.active.load() == 0) {
      t.active = 1;
      kelevent = 1;
    }
  }
}

int TIMERTHREAD(const std::atomic<bool> &quit) {
  timerthread_running = true;
  uint32_t scans = 0;
  while (!quit.load()) {
    int expected = 1;
    ontimerthread_lock.compare_exchange_strong(expected, 2);
    if (ontimerthread_lock.load() != 0) {
      platform_sleep(0);
      continue;
    }
    timerthread_scan(platform_ticks() * 0.001);
    platform_sleep(++scans % 4 == 0 ? 1 : 0);
  }
  timerthread_running = false;
  return 0;
}

// ---- random numbers ----

void sub_randomize(double seed, int32_t passed) {
  if (new_error) return;
  uint32_t m;
  if (passed) {
    uint64_t bits;
    std::memcpy(&bits, &seed, sizeof bits);
    m = (uint32_t)(bits >> 32);
    m ^= m >> 16;
  } else {
    uint32_t base = kels_tmp_list_nexti;
    kels_print(kels_new_txt("Random-number seed (-32768 to 32767)? "), 0);
    kels_cleanup(base, 0);
    int16_t value = 0;
    kels_input_variabletypes[1] = 16;
    kels_input_variableoffsets[1] = &value;
    kels_input(1, 1);
    if (stop_program.load() == 1) end();
    m = (uint16_t)value;
  }
  rnd_seed = ((m & 0xFFFF) << 8) | (rnd_seed & 0xFF);
}

float func_rnd(float n, int32_t passed) {
  if (new_error) return 0;
  if (!passed) n = 1;
  if (n == 0) return (float)rnd_seed / 16777216.0f;
  if (n < 0) {
    uint32_t bits;
    std::memcpy(&bits, &n, sizeof bits);
    rnd_seed = (bits & 0xFFFFFF) + (bits >> 24);
  }
  rnd_seed = (rnd_seed * 16598013u + 12820163u) & 0xFFFFFF;
  return (float)rnd_seed / 16777216.0f;
}

// ---- ports ----

static bool port_supported(int32_t port) {
  port &= 0xFFFF;
  return port == 0x3DA || port == 0x3C9 || port == 0x60;
}

int32_t func_inp(int32_t port) {
  if (new_error) return 0;
  if (port < -65536 || port > 65535) {
    error(6);
    return 0;
  }
  switch (port & 0xFFFF) {
    case 0x3DA: {
      int v = vertical_retrace_in_progress.load() ? 8 : 0;
      if (vertical_retrace_happened.exchange(0)) v = 8;
      return v;
    }
    case 0x3C9: {
      const uint32_t *pal = write_page && write_page->palette ? write_page->palette : palette_256;
      uint32_t c = pal[palette_read_index & 255];
      int shift = 16 - 8 * palette_read_component;          // red, green, blue
      double component = (c >> shift) & 255;
      if (++palette_read_component == 3) {
        palette_read_component = 0;
        palette_read_index = (palette_read_index + 1) & 255;
      }
      return (int32_t)std::lrint(component / 3.984376 - 0.4999999);
    }
    case 0x60:
      return port60h_read();
  }
  unsupported_port_accessed = 1;
  return 0;
}

// The DAC components latched so far for the colour at palette_write_index.
static uint8_t palette_write_latch[3];

// A 0-63 component as 0-255, rounding as PALETTE does, so INP reads back what OUT wrote.
static uint32_t palette_component(uint32_t c) {
  float v = (float)c * 4.0634918212890625f - 0.49999991059303284f;
  long r = std::lrint(std::nearbyint(v));
  return (uint32_t)(r < 0 ? 0 : r > 255 ? 255 : r);
}

// Colours a page palette holds for its mode as red, green, blue (0 for palettes of indexes).
static uint32_t dac_colours(const img_struct *im) {
  switch (im->screen_mode) {
    case 13: case 256: return 256;
    case 0: case 7: case 8: case 9: case 12: return 16;
    case 1: return 4;
    case 2: case 11: return 2;
    default: return 0;
  }
}

void sub_out(int32_t port, int32_t value) {
  if (new_error) return;
  if (port < -65536 || port > 65535 || value < -32768 || value > 65535) {
    error(6);
    return;
  }
  uint8_t v = (uint8_t)value;
  switch (port & 0xFFFF) {
    case 0x3C7:
      palette_read_index = v;
      palette_read_component = 0;
      return;
    case 0x3C8:
      palette_write_index = v;
      palette_write_component = 0;
      return;
    case 0x3C9: {
      palette_write_latch[palette_write_component] = v & 63;
      if (++palette_write_component < 3) return;
      palette_write_component = 0;
      uint32_t index = (uint32_t)palette_write_index;
      palette_write_index = (palette_write_index + 1) & 255;
      img_struct *im = display_page;
      if (!im || !im->palette || index >= dac_colours(im)) return;
      const uint8_t *c = palette_write_latch;
      im->palette[index] = 0xFF000000u | palette_component(c[0]) << 16 | palette_component(c[1]) << 8 |
                           palette_component(c[2]);
      return;
    }
  }
  unsupported_port_accessed = 1;
}

void sub_wait(int32_t port, int32_t and_mask, int32_t xor_mask, int32_t passed) {
  if (new_error) return;
  if (!(passed & 1)) xor_mask = 0;
  if (port < -65536 || port > 65535 || and_mask < -32768 || and_mask > 65535 || xor_mask < -32768 ||
      xor_mask > 65535) {
    error(6);
    return;
  }
  for (;;) {
    int32_t v = func_inp(port);
    if (!port_supported(port) || ((v ^ xor_mask) & and_mask)) return;
    if (stop_program.load() == 1) end();
    platform_sleep(1);
  }
}
