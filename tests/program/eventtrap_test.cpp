// Event trapping in translated programs: ON KEY with STOP, OFF and user keys, handlers not
// entered again while they run, and the soft keys with KEY ON's line and KEY LIST.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "program_runner.h"

namespace eventtrap_test {

static std::string bas(const char *name) { return std::string(KEL_BUILD_DIR) + "/tests/bas/" + name; }

TEST(EventTrapProgram, KeyTrapsFollowOnStopOffAndRunTheirHandlerOnceAtATime) {
  auto res = run_program(bas("eventkeys"),
                         "until 1 1 20000 ready 1\n"
                         "key F1\nkey Up\nkey Ctrl+c\nkey Shift+F2\nkey a\n"
                         "until 3 1 20000 ready 2\n"
                         "key F1\nkey F1\nkey b\n"
                         "until 6 1 20000 ready 3\n"
                         "key F1\nkey c\n"
                         "until 8 1 20000 ready 4\n"
                         "key F1\nkey d\n"
                         "until 10 1 20000 ready 5\n"
                         "key Up\n"
                         "until 11 1 20000 in up\n"
                         "key Up\nkey Up\nkey e\n"
                         "until 12 1 20000 ready 6\n"
                         "key g\n"
                         "until 14 1 20000 ready 7\n"
                         "key Up\nkey h\n"
                         "until 15 1 20000 7:\n"
                         "text out.txt\n"
                         "key x\n");
  ASSERT_EQ(res.status, 0) << res.err;
  std::vector<std::string> rows = scratch_lines("out.txt");
  // Trapped keys run their handlers in the order pressed and none reaches INKEY$.
  EXPECT_EQ(line_at(rows, 2), "1: F1 Up ^C sF2  passed 0");
  // Presses during STOP neither run the handler nor pass; KEY ON runs it once for both.
  EXPECT_EQ(line_at(rows, 4), "2: stopped [] passed 0");
  EXPECT_EQ(line_at(rows, 5), "2: on [F1 ]");
  // OFF forgets the press remembered while stopped.
  EXPECT_EQ(line_at(rows, 7), "3: off then on []");
  // A key whose trap is off reaches INKEY$ with its own code (F1: 0, 59).
  EXPECT_EQ(line_at(rows, 9), "4: passed 2  59  []");
  // Two presses while the handler runs: it is not entered again, and runs once after RETURN.
  EXPECT_EQ(line_at(rows, 11), "in up");
  EXPECT_EQ(line_at(rows, 13), "5: Up Up  ups 3  deepest 1");
  // ON KEY(11) GOSUB 0: Up is no longer trapped and reaches INKEY$ (0, 72).
  EXPECT_EQ(line_at(rows, 15), "7: passed 2  72  ups 3");
}

TEST(EventTrapProgram, SoftKeysTypeTheirTextsAndKeyOnShowsThemOnTheLastRow) {
  auto res = run_program(bas("keyline"),
                         "until 13 1 20000 typed\n"
                         "key ?\nkey F2\nkey F5\nkey F4\nkey !\n"
                         "until 14 1 20000 done\n"
                         "text out.txt\n"
                         "key x\n"
                         "until 25 1 20000 Press any key to continue\n"
                         "key y\n");
  ASSERT_EQ(res.status, 0) << res.err;
  std::vector<std::string> rows = scratch_lines("out.txt");
  std::vector<std::string> want = {
      "F1 LIST", "F2 RUN←", "F3 LOAD\"GAME.BAS\"", "F4", "F5", "F6", "F7", "F8", "F9",
      "F10 SCREEN 0,0,0←", "F11", "F12",
      // F2 types R, U, N and a carriage return; F5 has no text; F4's was set after KEY LIST.
      "typed R U N 13  0+ 63  D I R", "done"};
  for (size_t r = 0; r < want.size(); r++) EXPECT_EQ(line_at(rows, r + 1), want[r]) << "row " << r + 1;
  // The key line: each key's number and the first six characters of its text, eight columns
  // a key; the lines PRINT scrolled and CLS cleared never reached it.
  EXPECT_EQ(line_at(rows, 25), "1LIST   2RUN←   3LOAD\"G 4DIR    5       6       7       8       9       10SCREEN");
}

}  // namespace eventtrap_test
