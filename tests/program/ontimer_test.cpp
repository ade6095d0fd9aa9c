// ON TIMER in a translated program: handlers entered from the statement events return to the
// interrupted statement, also when it lies inside a GOSUB.
#include <gtest/gtest.h>
#include <cstdlib>
#include <sstream>
#include <vector>
#include "program_runner.h"

namespace ontimer_test {

TEST(OnTimerProgram, HandlerCountsWhileTheLoopWaitsAndReturnsIntoIt) {
  auto res = run_program(std::string(KEL_BUILD_DIR) + "/tests/bas/ontimer",
                         "until 2 1 15000 tick 3\n"
                         "key a\n"
                         "until 6 1 15000 done 2\n"
                         "text out.txt\n"
                         "key x\n");
  ASSERT_EQ(res.status, 0) << res.err;
  auto rows = trimmed_lines(read_file(scratch_dir() + "/out.txt"));
  ASSERT_GE(rows.size(), 6u);
  EXPECT_EQ(rows[0], "waiting");
  // The key ends the wait after at least three ticks; no error box came in between.
  const std::string head = "key a after ";
  ASSERT_EQ(rows[2].substr(0, head.size()), head) << rows[2];
  EXPECT_GE(std::atoi(rows[2].c_str() + head.size()), 3) << rows[2];
  EXPECT_EQ(rows[3], "held 0");   // a stopped timer's handler does not run
  EXPECT_EQ(rows[4], "tock 2");
  const std::string done = "done 2 ";
  ASSERT_EQ(rows[5].substr(0, done.size()), done) << rows[5];
  EXPECT_GT(std::atoi(rows[5].c_str() + done.size()), 0) << rows[5];
  EXPECT_EQ(res.err.find("Unhandled Error"), std::string::npos) << res.err;
}

}  // namespace ontimer_test
