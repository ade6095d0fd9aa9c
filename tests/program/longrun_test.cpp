// Long runs and shutdown: closing the window at each wait point of the game thread, a
// million rounds of string work in bounded memory, and (behind KEL_LONG_RUNS, which only
// `make soak` sets) ten minutes of the game's roaming loop.
#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <string>
#include <thread>
#include <vector>
#include "program_runner.h"

namespace longrun_test {

namespace {

const std::string bas_dir = std::string(KEL_BUILD_DIR) + "/tests/bas/";

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr double slowdown = 4;       // sanitized builds run several times slower
constexpr long bookkeeping_kb = 32768;   // and their own records grow with the work done
#else
constexpr double slowdown = 1;
constexpr long bookkeeping_kb = 0;
#endif

using clock_type = std::chrono::steady_clock;
double seconds_since(clock_type::time_point t) {
  return std::chrono::duration<double>(clock_type::now() - t).count();
}

// Polls the screen (at least once) until some row holds text; that row without trailing
// blanks, or "" at the deadline.
std::string wait_for_row(program_session &s, const std::string &text, int timeout_s) {
  auto start = clock_type::now();
  for (bool first = true; first || seconds_since(start) < timeout_s; first = false) {
    for (std::string row : s.screen())
      if (row.find(text) != std::string::npos) return row.erase(row.find_last_not_of(' ') + 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return "";
}

// A field of /proc/<pid>/status in kB ("VmRSS", "VmHWM"), -1 when unreadable.
long status_kb(long pid, const std::string &field) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind(field + ":", 0) == 0) return std::atol(line.c_str() + field.size() + 1);
  return -1;
}

// CPU seconds (user + system) the process's main thread has used: the thread that refreshes
// the window and handles events. (The game thread runs flat out whatever happens.)
double main_thread_cpu_seconds(long pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/stat");
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t p = all.rfind(')');
  if (p == std::string::npos) return -1;
  std::istringstream rest(all.substr(p + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; i <= 15 && rest >> field; i++)
    if (i == 14 || i == 15) ticks += std::atof(field.c_str());
  return ticks / (double)sysconf(_SC_CLK_TCK);
}

}  // namespace

TEST(Shutdown, ClosingTheWindowAtEachWaitPointEndsAtOnceWithStatus0) {
  for (const char *point : {"input", "sleep", "sound", "play", "end"}) {
    SCOPED_TRACE(point);
    program_session s(bas_dir + "waitpoint", {}, {point});
    ASSERT_TRUE(s.started());
    ASSERT_EQ(wait_for_row(s, std::string("waiting at ") + point, 30), std::string("waiting at ") + point);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));   // into the wait itself
    if (std::string(point) == "end")
      EXPECT_EQ(wait_for_row(s, "Press any key to continue", 10), "Press any key to continue");
    else
      EXPECT_EQ(wait_for_row(s, "past the wait", 0), "") << "the program did not wait";
    // Every wait lasts a minute or more (the INPUT for ever), so ending within the deadline
    // with status 0 is ending at the close, not after the wait, however loaded the machine.
    ASSERT_TRUE(s.send("close"));
    program_result r = s.finish(20);
    EXPECT_EQ(r.status, 0) << r.err;
  }
}

// The same rounds as soak.bas, for the expected result.
static std::string soak_expected(long rounds) {
  std::string a;
  long sum = 0;
  for (long i = 1; i <= rounds; i++) {
    a += (char)(65 + i % 26);
    if (a.size() > 2000) a.erase(0, 1000);
    std::string b = a.substr(0, 7) + a.substr(a.size() > 5 ? a.size() - 5 : 0);
    std::string c = std::string((size_t)(i % 300), 'x') + b;
    sum = (sum + (unsigned char)b[0] + (long)c.size() + (unsigned char)c.back()) % 1000003;
  }
  return "done " + std::to_string(a.size()) + "  " + std::to_string(sum);
}

TEST(Soak, AMillionRoundsOfStringWorkKeepMemoryBounded) {
  long peak[2];
  const long rounds[2] = {100000, 1000000};
  for (int i = 0; i < 2; i++) {
    program_session s(bas_dir + "soak", {}, {std::to_string(rounds[i])});
    ASSERT_TRUE(s.started());
    EXPECT_EQ(wait_for_row(s, "done", (int)(120 * slowdown)), soak_expected(rounds[i]));
    peak[i] = status_kb(s.process(), "VmHWM");         // the program waits at its END
    ASSERT_GT(peak[i], 0);
    s.send("close");
    EXPECT_EQ(s.finish(10).status, 0);
  }
  // Ten times the rounds may not need more than a few megabytes more at the peak (a heap that
  // never compacted would need hundreds more).
  EXPECT_LT(peak[1] - peak[0], 4096 + bookkeeping_kb) << "peak kB: " << peak[0] << " then " << peak[1];
}

// Ten minutes in the roaming loop, keys at most every 50 ms: batches of 20 presses of a key
// the loop reads and ignores (so no step, fight or daylight changes the game), each batch
// followed by a screen read, which comes back once every press has been taken. Its memory
// must not grow, its main thread must need no more processor time per minute at the end
// than at the start, a batch must not take longer, and Esc must still end the game.
TEST(LongRun, GameRoamsForTenMinutesWithoutGrowingOrSlowing) {
  if (!std::getenv("KEL_LONG_RUNS")) GTEST_SKIP() << "set KEL_LONG_RUNS=1 (make soak) to run";
  const char *m = std::getenv("KEL_LONG_RUN_MINUTES");     // shorter, to try the test out
  const int minutes = m && std::atoi(m) >= 2 ? std::atoi(m) : 10;
  program_session s(std::string(KEL_BUILD_DIR) + "/kestravelle");
  ASSERT_TRUE(s.started());
  ASSERT_NE(wait_for_row(s, "Kestravelle", 60), "");
  s.send("key Enter");
  ASSERT_NE(wait_for_row(s, "DAYLIGHT:", 60), "") << "no play screen";
  std::string batch;
  for (int i = 0; i < 20; i++) batch += "key x\n";
  const long pid = s.process();
  long rss_start = 0;
  double cpu_first = 0, cpu_last = 0, batch_first = 0, batch_last = 0;
  long keys = 0;
  for (int minute = 0; minute < minutes; minute++) {
    auto minute_start = clock_type::now();
    double cpu_at = main_thread_cpu_seconds(pid);
    std::vector<double> took;
    while (seconds_since(minute_start) < 60) {
      auto t = clock_type::now();
      ASSERT_TRUE(s.send(batch)) << "the game ended after " << minute << " minutes";
      ASSERT_FALSE(s.screen().empty()) << "no screen read after " << minute << " minutes";
      keys += 20;
      took.push_back(seconds_since(t));
      if (took.back() < 1) std::this_thread::sleep_for(std::chrono::duration<double>(1 - took.back()));
    }
    double used = main_thread_cpu_seconds(pid) - cpu_at;
    std::sort(took.begin(), took.end());
    double median = took[took.size() / 2];
    if (minute == 0) rss_start = status_kb(pid, "VmRSS"), cpu_first = used, batch_first = median;
    if (minute == minutes - 1) cpu_last = used, batch_last = median;
  }
  long rss_end = status_kb(pid, "VmRSS");
  std::printf("%ld keys; resident %ld -> %ld kB; main thread %.2f -> %.2f CPU s a minute; "
              "a batch of 20 keys %.3f -> %.3f s\n",
              keys, rss_start, rss_end, cpu_first, cpu_last, batch_first, batch_last);
  EXPECT_LT(rss_end - rss_start, 2048) << "kB after the first minute: " << rss_start << ", at the end: " << rss_end;
  EXPECT_LT(cpu_last, cpu_first * 1.25 + 1) << "main thread CPU seconds in the first minute " << cpu_first
                                            << ", the last " << cpu_last;
  EXPECT_LT(batch_last, batch_first * 1.5 + 0.1) << "a batch took " << batch_first << " s, then " << batch_last;
  ASSERT_TRUE(s.send("key Esc"));
  EXPECT_NE(wait_for_row(s, "Press any key to continue", 5), "") << "Esc no longer ends the game";
  s.send("close");
  EXPECT_EQ(s.finish(10).status, 0);
}

}  // namespace longrun_test
