// Loops of statements that test only their own failures: a timer's handler still runs inside
// each kind of loop, and a stop (Ctrl+Break, SIGINT) still ends a loop that never calls out.
#include <gtest/gtest.h>
#include <signal.h>
#include <chrono>
#include <thread>
#include "program_runner.h"

namespace loop_events_test {

namespace {

const std::string tightloops = std::string(KEL_BUILD_DIR) + "/tests/bas/tightloops";

}  // namespace

TEST(LoopEvents, TimerFiresInsideForWhileDoAndGotoLoopsAndTailCalls) {
  program_session s(tightloops, {}, {"timer"});
  ASSERT_TRUE(s.started());
  EXPECT_TRUE(wait_for_text(s, "fired")) << read_file(s.dir() + "/stderr.txt");
  auto rows = s.screen();
  for (const char *loop : {"for", "while", "do", "until", "goto", "tail"}) EXPECT_TRUE(shows(rows, loop)) << loop;
  s.send("close");
  EXPECT_EQ(s.finish(30).status, 0);
}

TEST(LoopEvents, SignalStopsALoopThatNeverCallsOut) {
  program_session s(tightloops, {}, {"spin"});
  ASSERT_TRUE(s.started());
  ASSERT_TRUE(wait_for_text(s, "spinning"));
  kill((pid_t)s.process(), SIGINT);
  program_result r = s.finish(30);
  EXPECT_EQ(r.status, 0) << r.err;
}

}  // namespace loop_events_test
