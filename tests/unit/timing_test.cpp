// Time and randomness: RND and RANDOMIZE sequences, TIMER rounding, _DELAY, _LIMIT and
// SLEEP, the ON TIMER table driven by a made-up clock, and the INP/WAIT ports.
#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <vector>
#include "test_support.h"

namespace timing_test {

namespace {

constexpr float two24 = 16777216.0f;

class Timing : public ::testing::Test {
 protected:
  void SetUp() override {
    kel_test_reset();
    keyboard_init();
    ontimer_init();
    ontimer_handler = nullptr;
    rnd_seed = 327680;
    sleep_break = 0;
    vertical_retrace_in_progress = 0;
    vertical_retrace_happened = 0;
    unsupported_port_accessed = 0;
  }
  void TearDown() override {
    ontimer_handler = nullptr;
    stop_program = 0;
    kelevent = 0;
  }
};

// Runs fn on its own thread and waits up to 10 s for it to return. If it does not,
// stop_program makes the runtime's wait end the thread, and the result is false.
bool finishes(const std::function<void()> &fn, const std::function<void()> &meanwhile = nullptr) {
  std::atomic<bool> done{false};
  std::thread t([&] {
    try {
      fn();
    } catch (const kel_thread_end &) {
    }
    done = true;
  });
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done && std::chrono::steady_clock::now() < deadline) {
    if (meanwhile) meanwhile();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  bool ok = done;
  if (!ok) stop_program = 1;
  t.join();
  return ok;
}

std::string inkey() {
  uint32_t base = kels_tmp_list_nexti;
  std::string s = S(kels_inkey());
  kels_cleanup(base, 0);
  return s;
}

// ---- RND and RANDOMIZE ----

TEST_F(Timing, RndWithoutRandomizeFollowsTheGenerator) {
  // Seeds worked out from 327,680 with s = (s * 16,598,013 + 12,820,163) AND 0xFFFFFF.
  struct row { float n; int passed; uint32_t seed; };
  const row rows[] = {
      {0, 1, 327680},     // RND(0) before any step: the starting state
      {0, 0, 11837123},   // no argument acts as 1; the well-known first value 0.7055475
      {0, 1, 11837123},   // RND(0) repeats it
      {0, 1, 11837123},
      {1, 1, 8949370},
      {0.5f, 1, 9722709}, // any positive argument steps
      {0, 1, 9722709},
      {1e9f, 1, 4858052},
      {0, 0, 5065847},
  };
  for (const row &r : rows) EXPECT_EQ(func_rnd(r.n, r.passed), r.seed / two24) << r.n;
  EXPECT_FLOAT_EQ(11837123 / two24, 0.7055475f);
}

TEST_F(Timing, NegativeRndReseedsFromTheArgumentsBits) {
  struct row { float n; uint32_t seed; };
  const row rows[] = {
      {-1.0f, 3758214},    // bits 0xBF800000
      {-0.5f, 12146822},   // bits 0xBF000000
  };
  for (const row &r : rows) {
    func_rnd(1, 1);                                  // whatever came before is replaced
    EXPECT_EQ(func_rnd(r.n, 1), r.seed / two24) << r.n;
    func_rnd(1, 1);
    EXPECT_EQ(func_rnd(r.n, 1), r.seed / two24) << r.n << " again";
  }
}

TEST_F(Timing, RandomizeWithASeedGivesAFixedSequence) {
  // Seed state: high word of the double's bits folded (m XOR m >> 16), low 16 bits << 8.
  struct row { uint32_t before; double seed; uint32_t state; uint32_t next[3]; };
  const row rows[] = {
      {327680, 12345.0, 0x5C4800, {13551299, 14292602, 12567381}},
      {327680, 1.5, 0x3FF800, {14923459, 5981818, 16528213}},
      {327680, -7.0, 0xC01C00, {15944387, 8161914, 11036501}},
      {0xB49EC3, 12345.0, 0x5C48C3, {12161146}},   // the state's low byte is kept
  };
  for (const row &r : rows) {
    rnd_seed = r.before;
    sub_randomize(r.seed, 1);
    EXPECT_EQ(rnd_seed, r.state) << r.seed;
    for (uint32_t want : r.next) {
      if (!want) break;
      EXPECT_EQ(func_rnd(1, 1), want / two24) << r.seed;
    }
  }
}

TEST_F(Timing, RandomizeWithoutASeedAsksForIt) {
  struct row { const char *typed; uint32_t state; };
  const row rows[] = {{"123\r", 123u << 8}, {"-5\r", 0xFFFBu << 8}};
  for (const row &r : rows) {
    kel_test_reset();
    keyboard_init();
    rnd_seed = 0;
    for (const char *p = r.typed; *p; p++) ASSERT_TRUE(keybuf_put((uint8_t)*p, 0));
    ASSERT_TRUE(finishes([] { sub_randomize(0, 0); })) << r.typed;
    EXPECT_EQ(rnd_seed, r.state) << r.typed;
    std::string prompt = "Random-number seed (-32768 to 32767)? ";
    std::string shown;
    for (int c = 1; c <= (int)prompt.size(); c++) shown += (char)func_screen(1, c, 0, 0);
    EXPECT_EQ(shown, prompt);
  }
}

TEST_F(Timing, PendingErrorLeavesRndAndTimerAtZero) {
  new_error = 5;
  EXPECT_EQ(func_rnd(1, 1), 0.0f);
  EXPECT_EQ(func_timer(0, 0), 0.0);
  sub_randomize(1.5, 1);
  EXPECT_EQ(rnd_seed, 327680u);
  EXPECT_EQ(func__freetimer(), 0);
}

// ---- TIMER ----

TEST_F(Timing, TimerRoundsToTicksOrToTheAccuracy) {
  struct row { uint32_t ms; double accuracy; int passed; double want; };
  const row rows[] = {
      {0, 0, 0, 0.0},
      {50, 0, 0, (float)(1 / 18.2)},                  // 00:00:00.05 is one tick
      {27, 0, 0, 0.0},                                // 0.49 of a tick rounds down
      {3600000, 0, 0, (float)(65520 / 18.2)},         // 01:00:00 exactly
      {86399999, 0, 0, (float)(1572479 / 18.2)},      // just before midnight: below 86,400
      {86399973, 0, 0, (float)(1572479 / 18.2)},
      {1250, 0.5, 1, 1.0},                            // 2.5 half-seconds: ties to even
      {1750, 0.5, 1, 2.0},                            // 3.5 -> 4
      {1500, 1, 1, 2.0},
      {2500, 1, 1, 2.0},
      {1234, 0.01, 1, 1.23},
      {86399999, 1, 1, 86399.0},
      {86399999, 0.001, 1, 86399.999},
  };
  for (const row &r : rows) {
    double got = timer_from_ms(r.ms, r.accuracy, r.passed);
    EXPECT_DOUBLE_EQ(got, r.want) << r.ms << " ms, accuracy " << r.accuracy;
    EXPECT_LT(got, 86400.0) << r.ms;
  }
  EXPECT_EQ(timer_from_ms(50, 0, 0), (double)(float)timer_from_ms(50, 0, 0));  // single precision
}

TEST_F(Timing, ArgumentsOutOfRangeRaiseTheirErrors) {
  const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
  struct row { const char *what; std::function<void()> call; int err; };
  const row rows[] = {
      {"TIMER(0)", [] { EXPECT_EQ(func_timer(0, 1), 0.0); }, 5},
      {"TIMER(-1)", [] { func_timer(-1, 1); }, 5},
      {"TIMER(NaN)", [=] { func_timer(nan, 1); }, 5},
      {"_DELAY -0.001", [] { sub__delay(-0.001); }, 5},
      {"_DELAY 2147483.648", [] { sub__delay(2147483.648); }, 5},
      {"_DELAY NaN", [=] { sub__delay(nan); }, 5},
      {"_DELAY inf", [=] { sub__delay(inf); }, 5},
      {"_LIMIT 0", [] { sub__limit(0); }, 5},
      {"_LIMIT -5", [] { sub__limit(-5); }, 5},
      {"_LIMIT 1/61", [] { sub__limit(1.0 / 61); }, 5},
      {"SLEEP 4294967", [] { sub_sleep(4294967, 1); }, 6},
      {"SLEEP 2^31-1", [] { sub_sleep(2147483647, 1); }, 6},
      {"INP(65536)", [] { EXPECT_EQ(func_inp(65536), 0); }, 6},
      {"INP(-65537)", [] { func_inp(-65537); }, 6},
      {"WAIT port", [] { sub_wait(65536, 1, 0, 0); }, 6},
      {"WAIT and 65536", [] { sub_wait(0x3DA, 65536, 0, 0); }, 6},
      {"WAIT and -32769", [] { sub_wait(0x3DA, -32769, 0, 0); }, 6},
      {"WAIT xor 65536", [] { sub_wait(0x3DA, 8, 65536, 1); }, 6},
      {"WAIT xor -32769", [] { sub_wait(0x3DA, 8, -32769, 1); }, 6},
  };
  for (const row &r : rows) {
    new_error = 0;
    r.call();
    EXPECT_EQ(new_error, r.err) << r.what;
  }
  new_error = 0;
  sub__delay(0);
  double t = func_timer(0, 0);
  EXPECT_EQ(new_error, 0);
  EXPECT_GE(t, 0.0);
  EXPECT_LT(t, 86400.0);
}

TEST_F(Timing, LimitKeepsItsCadence) {
  struct row { const char *what; double prev; uint32_t now; double ms; double prev_after; uint32_t sleep; };
  const row rows[] = {
      {"first call", 0, 5000, 50, 5000, 0},
      {"counter wrapped", 9000, 100, 50, 100, 0},
      {"early: sleeps the rest plus one", 5000, 5020, 50, 5050, 31},
      {"fractional period", 5000, 5000, 1000.0 / 60, 5000 + 1000.0 / 60, 17},
      {"on time", 5000, 5050, 50, 5050, 0},
      {"a little late keeps the beat", 5000, 5066, 50, 5050, 0},
      {"too late starts again", 5000, 5067, 50, 5067, 0},
  };
  for (const row &r : rows) {
    double prev = r.prev;
    EXPECT_EQ(limit_step(prev, r.now, r.ms), r.sleep) << r.what;
    EXPECT_DOUBLE_EQ(prev, r.prev_after) << r.what;
  }
}

TEST_F(Timing, KeyEndsSleepAndStaysInTheBuffer) {
  struct row { int32_t seconds; int passed; };
  const row rows[] = {{0, 0}, {0, 1}, {-3, 1}, {100000, 1}};   // the last would last a day
  for (const row &r : rows) {
    keyboard_init();
    ASSERT_TRUE(keybuf_put('x', 45));
    // The main thread raises sleep_break on every key; SLEEP clears it on entry, so
    // keep raising it until SLEEP has seen it.
    EXPECT_TRUE(finishes([&] { sub_sleep(r.seconds, r.passed); }, [] { sleep_break = 1; }))
        << r.seconds;
    EXPECT_EQ(new_error, 0);
    EXPECT_EQ(inkey(), "x") << r.seconds;
    stop_program = 0;
  }
}

TEST_F(Timing, StopRequestEndsWaits) {
  stop_program = 1;
  EXPECT_THROW(sub_sleep(0, 0), kel_thread_end);
  EXPECT_THROW(sub_sleep(60, 1), kel_thread_end);
  EXPECT_THROW(sub__delay(60), kel_thread_end);
  EXPECT_THROW(sub_wait(0x3DA, 8, 0, 0), kel_thread_end);   // no retrace comes in tests
}

// ---- ON TIMER ----

TEST_F(Timing, FreeTimerReusesFreedSlotsLastInFirstOut) {
  EXPECT_EQ(func__freetimer(), 1);
  EXPECT_EQ(func__freetimer(), 2);
  EXPECT_EQ(func__freetimer(), 3);
  sub_timer(2, 4, 1);
  sub_timer(1, 4, 1);
  EXPECT_EQ(new_error, 0);
  EXPECT_FALSE(ontimer[1].allocated.load());
  EXPECT_EQ(func__freetimer(), 1);
  EXPECT_EQ(func__freetimer(), 2);
  EXPECT_EQ(func__freetimer(), 4);
  EXPECT_EQ(ontimer_nextfree.load(), 5u);

  // More freed slots than the list's first capacity of 8.
  std::vector<int32_t> slots;
  for (int i = 0; i < 20; i++) slots.push_back(func__freetimer());
  for (int32_t s : slots) sub_timer(s, 4, 1);
  EXPECT_EQ(ontimer_freelist_available, 20u);
  EXPECT_GE(ontimer_freelist_size, 20u);
  for (int i = 19; i >= 0; i--) EXPECT_EQ(func__freetimer(), slots[i]);
  EXPECT_EQ(ontimer_nextfree.load(), 25u);
  EXPECT_EQ(new_error, 0);
}

TEST_F(Timing, BadTimerSlotsRaiseIllegalFunctionCall) {
  int32_t freed = func__freetimer();
  sub_timer(freed, 4, 1);
  const std::function<void()> bad[] = {
      [] { sub_timer(0, 4, 1); },              // slot 0 cannot be freed
      [] { sub_timer(0, 4, 0); },
      [] { sub_timer(99, 1, 1); },             // never created
      [] { sub_timer(-1, 1, 1); },
      [=] { sub_timer(freed, 1, 1); },         // freed
      [=] { sub_timer(freed, 4, 1); },         // freed twice
      [=] { ontimer_setup(freed, 1, 1, 0); },
      [] { ontimer_setup(7, 1, 1, 0); },
  };
  for (size_t i = 0; i < std::size(bad); i++) {
    new_error = 0;
    bad[i]();
    EXPECT_EQ(new_error, 5) << "case " << i;
  }
  EXPECT_EQ(ontimer_freelist_available, 1u);   // the failed FREEs pushed nothing
  new_error = 0;
  sub_timer(0, 1, 0);                          // no number: slot 0
  EXPECT_EQ(ontimer[0].state.load(), 1);
}

// The handler is a plain function (as a translated program's is): it records into the log
// installed last, which uninstalls itself when it goes.
struct handler_log {
  std::vector<std::pair<uint32_t, int64_t>> calls;
  static handler_log *current;
  void install() {
    current = this;
    ontimer_handler = [](uint32_t id, int64_t pass) { current->calls.push_back({id, pass}); };
  }
  ~handler_log() {
    if (current == this) { ontimer_handler = nullptr; current = nullptr; }
  }
};
handler_log *handler_log::current = nullptr;

TEST_F(Timing, BusyProgramSeesOneEventForManyIntervals) {
  handler_log log;
  log.install();
  int32_t slot = func__freetimer();
  ontimer_setup(slot, 1.0, 3, 42);
  timerthread_scan(990.0);
  timerthread_scan(995.0);
  events();
  EXPECT_TRUE(log.calls.empty());              // still off
  sub_timer(slot, 1, 1);
  // The program serves no event for five and a half seconds while the thread scans.
  kelevent = 0;
  for (int tenth = 0; tenth <= 55; tenth++) timerthread_scan(1000.0 + tenth / 10.0);
  EXPECT_EQ(kelevent.load(), 1);
  events();
  ASSERT_EQ(log.calls.size(), 1u);
  EXPECT_EQ(log.calls[0], std::make_pair(3u, int64_t{42}));
  EXPECT_EQ(ontimer[slot].active.load(), 0);
  for (int tenth = 56; tenth <= 60; tenth++) {
    timerthread_scan(1000.0 + tenth / 10.0);
    events();
  }
  EXPECT_EQ(log.calls.size(), 1u);             // no burst of missed intervals afterwards
  timerthread_scan(1006.1);
  events();
  EXPECT_EQ(log.calls.size(), 2u);             // and the beat goes on
}

TEST_F(Timing, StopKeepsTheTriggerAndOffCancelsIt) {
  handler_log log;
  log.install();
  int32_t slot = func__freetimer();
  ontimer_setup(slot, 1.0, 5, 0);
  sub_timer(slot, 1, 1);
  timerthread_scan(1000.0);
  sub_timer(slot, 3, 1);                       // STOP
  timerthread_scan(1001.5);
  events();
  EXPECT_TRUE(log.calls.empty());
  EXPECT_EQ(ontimer[slot].active.load(), 1);
  sub_timer(slot, 1, 1);                       // ON again: the kept trigger runs
  events();
  EXPECT_EQ(log.calls.size(), 1u);

  timerthread_scan(1002.6);
  sub_timer(slot, 2, 1);                       // OFF drops the pending trigger
  EXPECT_EQ(ontimer[slot].active.load(), 0);
  sub_timer(slot, 1, 1);
  events();
  EXPECT_EQ(log.calls.size(), 1u);
  timerthread_scan(1002.7);                    // a fresh interval from here
  timerthread_scan(1003.5);
  events();
  EXPECT_EQ(log.calls.size(), 1u);
  timerthread_scan(1003.8);
  events();
  EXPECT_EQ(log.calls.size(), 2u);
}

TEST_F(Timing, TimerThreadStandsAsideWhileTheTableGrows) {
  std::atomic<bool> quit{false};
  std::thread thread([&] { TIMERTHREAD(quit); });
  auto wait_for = [](const std::function<bool()> &cond) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!cond() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return cond();
  };
  ontimerthread_lock = 1;
  EXPECT_TRUE(wait_for([] { return ontimerthread_lock.load() == 2; }));
  ontimerthread_lock = 0;

  // A short timer keeps the thread busy in the table while slots are added.
  ontimer_setup(0, 0.001, 9, 0);
  sub_timer(0, 1, 0);
  for (int i = 1; i <= 40; i++) EXPECT_EQ(func__freetimer(), i);
  EXPECT_EQ(ontimerthread_lock.load(), 0);
  EXPECT_TRUE(wait_for([] { return ontimer[0].active.load() == 1; }));
  EXPECT_EQ(kelevent.load(), 1);
  quit = true;
  thread.join();
}

// ---- ports ----

TEST_F(Timing, InpReadsRetraceKeyboardAndOtherPorts) {
  vertical_retrace_happened = 1;
  EXPECT_EQ(func_inp(0x3DA), 8);
  EXPECT_EQ(func_inp(0x3DA), 0);               // "has happened" is cleared by the read
  vertical_retrace_in_progress = 1;
  EXPECT_EQ(func_inp(0x3DA), 8);
  EXPECT_EQ(func_inp(0x3DA - 65536), 8);       // only the low 16 bits select the port
  EXPECT_EQ(func_inp(0x60), 128);              // the keyboard port's resting value
  EXPECT_EQ(func_inp(0x378), 0);
  EXPECT_EQ(unsupported_port_accessed, 1);
}

TEST_F(Timing, InpReadsPaletteComponentsScaledToSixBits) {
  uint32_t *pal = write_page->palette;
  ASSERT_NE(pal, nullptr);
  uint32_t saved[2] = {pal[5], pal[6]};
  pal[5] = 0x00FF8004;
  pal[6] = 0x000300FC;
  palette_read_index = 5;
  palette_read_component = 0;
  const int want[] = {63, 32, 1, 0, 0, 63};
  for (int w : want) EXPECT_EQ(func_inp(0x3C9), w);
  EXPECT_EQ(palette_read_index, 7);
  pal[5] = saved[0];
  pal[6] = saved[1];
}

TEST_F(Timing, WaitReturnsWhenTheMaskedValueIsNonZero) {
  vertical_retrace_happened = 1;
  EXPECT_TRUE(finishes([] { sub_wait(0x3DA, 8, 0, 0); }));
  EXPECT_TRUE(finishes([] { sub_wait(0x3DA, 8, 8, 1); }));   // waits for "not in retrace"
  EXPECT_TRUE(finishes([] { sub_wait(0x2F8, 1, 0, 0); }));   // unsupported: gives up at once
  EXPECT_EQ(unsupported_port_accessed, 1);
  // Released by the retrace once it comes.
  vertical_retrace_happened = 0;
  EXPECT_TRUE(finishes([] { sub_wait(0x3DA, 8, 0, 0); }, [] { vertical_retrace_happened = 1; }));
  EXPECT_EQ(new_error, 0);
}

}  // namespace

TEST_F(Timing, OutWritesTheDacAndInpReadsItBack) {
  struct Case { int mode; int index; bool stored; };
  const Case cases[] = {{13, 200, true}, {12, 9, true}, {12, 16, false}, {0, 3, true}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.mode);
    kelg_screen(c.mode, 0, 0, 0, 0, 1);
    uint32_t before = display_page->palette[c.index], next = display_page->palette[c.index + 1];
    sub_out(0x3C8, c.index);
    for (int v : {63, 32, 1, 0 + 256, 10, 20}) sub_out(0x3C9, v);   // the next colour too; 256 is 0
    ASSERT_EQ(new_error, 0);
    EXPECT_EQ(palette_write_index, c.index + 2);
    if (!c.stored) {
      EXPECT_EQ(display_page->palette[c.index], before);
      continue;
    }
    EXPECT_NE(display_page->palette[c.index], before);
    EXPECT_NE(display_page->palette[c.index + 1], next);
    uint32_t via_palette = display_page->palette[c.index];
    if (c.mode != 0) {                                         // PALETTE's 6-bit form gives the same colour
      kelg_palette(c.index, 63 + 32 * 256 + 1 * 65536, 1);
      EXPECT_EQ(display_page->palette[c.index], via_palette);
    }
    sub_out(0x3C7, c.index);
    for (int want : {63, 32, 1, 0, 10, 20}) EXPECT_EQ(func_inp(0x3C9), want);
  }
  // Every 6-bit level reads back as written.
  kelg_screen(13, 0, 0, 0, 0, 1);
  sub_out(0x3C8, 0);
  for (int v = 0; v < 64; v++) sub_out(0x3C9, v), sub_out(0x3C9, 63 - v), sub_out(0x3C9, v);
  sub_out(0x3C7 - 65536, 0);                                  // the port's low 16 bits
  for (int v = 0; v < 64; v++) {
    EXPECT_EQ(func_inp(0x3C9), v);
    EXPECT_EQ(func_inp(0x3C9), 63 - v);
    EXPECT_EQ(func_inp(0x3C9), v);
  }
  EXPECT_EQ(unsupported_port_accessed, 0);
  sub_out(0x378, 1);                                          // other ports: accepted
  EXPECT_EQ(new_error, 0);
  EXPECT_EQ(unsupported_port_accessed, 1);
  sub_out(65536, 0);
  EXPECT_EQ(new_error, 6);
  new_error = 0;
  sub_out(0x3C9, 65536);
  EXPECT_EQ(new_error, 6);
  new_error = 0;
}

}  // namespace timing_test
