// How a program ends: every way out (END, a critical error, machine code, an error answered
// No, a closed window or a signal while a box is due, keys still queued by the script) ends
// the process cleanly with its own status, never a crash or a hang.
#include <gtest/gtest.h>
#include <cstdio>
#include <signal.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>
#include "program_runner.h"

namespace exit_test {

namespace {

const std::string exits = std::string(KEL_BUILD_DIR) + "/tests/bas/exits";

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int slowdown = 4;
#else
constexpr int slowdown = 1;
#endif

using clock_type = std::chrono::steady_clock;
double seconds_since(clock_type::time_point t) {
  return std::chrono::duration<double>(clock_type::now() - t).count();
}
void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Waits until the program's standard error holds text (a box's caption is written there as
// the box is asked for).
bool wait_for_err(program_session &s, const std::string &text, int timeout_s = 30) {
  auto start = clock_type::now();
  while (seconds_since(start) < timeout_s * slowdown) {
    if (read_file(s.dir() + "/stderr.txt").find(text) != std::string::npos) return true;
    pause_ms(20);
  }
  return false;
}

// Presses a key every 100 ms until the program ends (a key that comes before the box is up
// lands in the key buffer and does no harm), then its result.
program_result press_until_ended(program_session &s, const std::string &key, int timeout_s = 30) {
  auto start = clock_type::now();
  while (seconds_since(start) < timeout_s * slowdown && s.send("key " + key)) pause_ms(100);
  return s.finish(10 * slowdown);
}

// Whether a process runs whose command line is exactly the given words.
bool process_running(const std::vector<std::string> &words) {
  std::string want;
  for (const auto &w : words) want += w + '\0';
  std::error_code ec;
  for (const auto &e : std::filesystem::directory_iterator("/proc", ec)) {
    // A process may end between the listing and the read (the read then fails with ESRCH):
    // it is simply not running.
    FILE *f = std::fopen((e.path() / "cmdline").c_str(), "rb");
    if (!f) continue;
    std::string got;
    char buf[512];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) got.append(buf, n);
    std::fclose(f);
    if (got == want) return true;
  }
  return false;
}

}  // namespace

TEST(Exit, CriticalErrorsShowTheirBoxAndEndWithStatus0EveryTime) {
  struct { const char *arg, *box; } cases[] = {
    {"critical", "Critical Error\nOut of stack space"},
    {"memory", "Critical Error #12\nOut of memory"},
    {"recurse", "Critical Error\nOut of stack space"},
  };
  for (auto &c : cases)
    for (int run = 0; run < 3; run++) {
#if defined(__SANITIZE_THREAD__)
      // ThreadSanitizer's own record of the calls overflows (and crashes) long before the
      // game thread's stack would: a recursion that never ends cannot be run under it.
      if (std::string(c.arg) == "recurse") continue;
#endif
      SCOPED_TRACE(std::string(c.arg) + " run " + std::to_string(run));
      program_session s(exits, {}, {c.arg});
      ASSERT_TRUE(s.started());
      ASSERT_TRUE(wait_for_err(s, c.box));
      program_result r = press_until_ended(s, "Enter");
      EXPECT_EQ(r.status, 0) << r.err;
    }
}

TEST(Exit, MachineCodeEndsTheProcessWithItsStatus) {
  for (int run = 0; run < 3; run++) {
    program_session zero(exits, {}, {"zero"});
    ASSERT_TRUE(zero.started());
    program_result r = zero.finish(30 * slowdown);
    EXPECT_EQ(r.status, 42) << r.err;               // the first byte of memory
  }
  program_session op(exits, {}, {"opcode"});
  ASSERT_TRUE(op.started());
  ASSERT_TRUE(wait_for_err(op, "X86 Error\nUnknown Opcode (0F)"));
  program_result r = press_until_ended(op, "Enter");
  EXPECT_EQ(r.status, 86) << r.err;
}

// The first statement's error gets its box like any other: Yes goes on with the program.
TEST(Exit, AnErrorInTheFirstStatementIsAskedAboutNotAnsweredForTheUser) {
  program_session s(exits, {}, {"first"});
  ASSERT_TRUE(s.started());
  ASSERT_TRUE(wait_for_err(s, "Unhandled Error #5\nLine:4\nIllegal function call"));
  bool seen = false;
  for (auto start = clock_type::now(); !seen && seconds_since(start) < 30 * slowdown;) {
    if (!s.send("key y")) break;
    seen = shows(s.screen(), "after the box");
  }
  EXPECT_TRUE(seen) << read_file(s.dir() + "/stderr.txt");
  s.send("close");
  EXPECT_EQ(s.finish(10 * slowdown).status, 0);
}

// A COMMON value of another type than the chained program's is error 13 at its COMMON line;
// going on leaves the variable cleared.
TEST(Exit, ChainedCommonOfAnotherTypeIsError13) {
  program_session s(exits, {}, {"chain13"});
  ASSERT_TRUE(s.started());
  ASSERT_TRUE(wait_for_err(s, "Unhandled Error #13\nLine:3\nType mismatch"));
  bool seen = false;
  for (auto start = clock_type::now(); !seen && seconds_since(start) < 30 * slowdown;) {
    if (!s.send("key y")) break;
    seen = shows(s.screen(), "after the box 0");
  }
  EXPECT_TRUE(seen) << read_file(s.dir() + "/stderr.txt");
  s.send("close");
  EXPECT_EQ(s.finish(10 * slowdown).status, 0);
}

TEST(Exit, NoToAnErrorEndsWithStatus0) {
  program_session s(exits, {}, {"box"});
  ASSERT_TRUE(s.started());
  ASSERT_TRUE(wait_for_err(s, "Unhandled Error #9"));
  program_result r = press_until_ended(s, "n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.find("after the box"), std::string::npos);
}

// A close request that comes while an error box is due or shown ends the program at once.
TEST(Exit, CloseOrSignalWhileABoxIsDueEndsAtOnce) {
  struct { const char *arg, *box, *how; } cases[] = {
    {"box", "Unhandled Error #9", "close"},
    {"box", "Unhandled Error #9", "TERM"},
    {"critical", "Critical Error", "close"},
    {"critical", "Critical Error", "HUP"},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(std::string(c.arg) + " " + c.how);
    program_session s(exits, {}, {c.arg});
    ASSERT_TRUE(s.started());
    ASSERT_TRUE(wait_for_err(s, c.box));
    // The box waits for an answer for ever: ending within the deadline is ending at the ask.
    std::string how = c.how;
    if (how == "close") ASSERT_TRUE(s.send("close"));
    else kill((pid_t)s.process(), how == "TERM" ? SIGTERM : SIGHUP);
    program_result r = s.finish(10 * slowdown);
    EXPECT_EQ(r.status, 0) << r.err;
  }
}

TEST(Exit, SignalsAtInputEndTheProgramWithStatus0) {
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(sig);
    program_session s(exits, {}, {"input"});
    ASSERT_TRUE(s.started());
    ASSERT_TRUE(wait_for_text(s, "Name?"));
    kill((pid_t)s.process(), sig);
    program_result r = s.finish(10 * slowdown);
    EXPECT_EQ(r.status, 0) << r.err;
  }
}

// A window closed while SHELL waits for its command ends the command and the program; the
// window is still served meanwhile (the screen dump comes from the main thread).
TEST(Exit, CloseWhileShellWaitsEndsCommandAndProgram) {
  const std::vector<std::string> child = {"sleep", "86397"};
  ASSERT_FALSE(process_running(child)) << "a command from an earlier run is still there";
  program_session s(exits, {}, {"shell"});
  ASSERT_TRUE(s.started());
  ASSERT_TRUE(wait_for_text(s, "shelling"));
  bool started = false;
  for (auto t = clock_type::now(); !started && seconds_since(t) < 30 * slowdown; pause_ms(20)) started = process_running(child);
  ASSERT_TRUE(started);
  EXPECT_TRUE(wait_for_text(s, "shelling"));
  ASSERT_TRUE(s.send("close"));
  program_result r = s.finish(10 * slowdown);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(process_running(child));
}

// END ends the program at the first key while the script still has many to send: the script's
// thread is stopped and joined before the process exits.
TEST(Exit, KeysStillQueuedByTheScriptAtTheEndDoNoHarm) {
  for (int run = 0; run < 5; run++) {
    SCOPED_TRACE(run);
    program_session s(exits, {}, {"end"});
    ASSERT_TRUE(s.started());
    ASSERT_TRUE(wait_for_text(s, "Press any key to continue"));
    s.send("key a 200");
    program_result r = s.finish(30 * slowdown);
    EXPECT_EQ(r.status, 0) << r.err;
  }
}

TEST(Exit, TimerHandlerThatTakesFreshSlotsKeepsFiring) {
  program_session s(exits, {}, {"timer"});
  ASSERT_TRUE(s.started());
  EXPECT_TRUE(wait_for_text(s, "slots ok")) << read_file(s.dir() + "/stderr.txt");
  s.send("close");
  EXPECT_EQ(s.finish(10 * slowdown).status, 0);
}

TEST(Exit, DisplayWithAutomaticRefreshOffShowsEachFrame) {
  program_session s(exits, {}, {"display"});
  ASSERT_TRUE(s.started());
  EXPECT_TRUE(wait_for_text(s, "shown")) << read_file(s.dir() + "/stderr.txt");
  s.send("close");
  EXPECT_EQ(s.finish(10 * slowdown).status, 0);
}

// The snapshot and the text dump see the frame _DISPLAY handed over, not the drawing after it:
// neither the new palette nor the box and text drawn since, until the next _DISPLAY.
TEST(Exit, DisplayedFrameStaysShownWhileTheNextIsDrawn) {
  std::string drawn = make_scratch_dir() + "/drawn";
  program_session s(exits, {"KEL_DRAWN=" + drawn}, {"frames"});
  ASSERT_TRUE(s.started());
  auto start = clock_type::now();
  while (!std::filesystem::exists(drawn) && seconds_since(start) < 30 * slowdown) pause_ms(20);
  ASSERT_TRUE(std::filesystem::exists(drawn)) << read_file(s.dir() + "/stderr.txt");
  std::string first = read_file(s.snapshot());
  ASSERT_GT(first.size(), 54u);
  const uint32_t red = 0xFF0000, green = 0x00FF00, colour2 = 0x00AA00;
  EXPECT_EQ(bmp_pixel(first, 10, 150), red) << "the palette changed after _DISPLAY shows";
  EXPECT_EQ(bmp_pixel(first, 250, 150), red) << "the box drawn after _DISPLAY shows";
  auto rows = s.screen();
  EXPECT_TRUE(shows(rows, "frame A"));
  EXPECT_FALSE(shows(rows, "frame B"));
  s.send("key x");
  ASSERT_TRUE(wait_for_text(s, "frame B"));
  std::string second = read_file(s.snapshot());
  EXPECT_EQ(bmp_pixel(second, 10, 150), green);
  EXPECT_EQ(bmp_pixel(second, 250, 150), colour2);
  program_result r = press_until_ended(s, "x");
  EXPECT_EQ(r.status, 0) << r.err;
}

TEST(Exit, ScriptReportsATextDumpItCannotWrite) {
  program_session s(exits, {}, {"end"});
  ASSERT_TRUE(s.started());
  ASSERT_TRUE(wait_for_text(s, "Press any key to continue"));
  s.send("text /nonexistent-dir/screen.txt");
  program_result r = press_until_ended(s, "a");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("KEL_SCRIPT line "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(": cannot write /nonexistent-dir/screen.txt"), std::string::npos) << r.err;
}

}  // namespace exit_test
