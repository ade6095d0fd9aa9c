// The hello demo driven by scripts: screens as text, END, closing, the error box.
#include <gtest/gtest.h>
#include <sstream>
#include <vector>
#include "program_runner.h"

namespace hello_test {

static const std::string hello = std::string(KEL_BUILD_DIR) + "/demos/hello";

static std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

TEST(HelloProgram, ShowsKeyCodesAndEndsOnEscThenAKey) {
  auto res = run_program(hello,
                         "until 2 15 10000 Kestravelle\n"
                         "key a\n"
                         "key Up\n"
                         "key Shift+Tab\n"
                         "until 9 1 5000 Key: 0 15\n"
                         "text screen.txt\n"
                         "snap screen.png\n"
                         "key Esc\n"
                         "until 25 1 5000 Press any key to continue\n"
                         "text end.txt\n"
                         "key x\n");
  EXPECT_EQ(res.status, 0) << res.err;
  auto screen = lines_of(read_file(scratch_dir() + "/screen.txt"));
  ASSERT_EQ(screen.size(), 25u);
  for (auto &l : screen) EXPECT_EQ(l.size(), 40u) << l;  // all cells are ASCII here
  EXPECT_EQ(screen[1], std::string(14, ' ') + "Kestravelle" + std::string(15, ' '));
  EXPECT_EQ(screen[6].substr(0, 9), "Key: 97  ");
  EXPECT_EQ(screen[7].substr(0, 10), "Key: 0 72 ");
  auto end = lines_of(read_file(scratch_dir() + "/end.txt"));
  ASSERT_EQ(end.size(), 25u);
  EXPECT_EQ(end[24], "Press any key to continue" + std::string(15, ' '));
  std::string png = read_file(scratch_dir() + "/screen.png");
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
}

TEST(HelloProgram, CloseDuringAWaitEndsWithStatusZero) {
  auto res = run_program(hello, "until 2 15 10000 Kestravelle\nclose\n");
  EXPECT_EQ(res.status, 0) << res.err;
}

// The box is answered once its text is on standard error, which it writes before it shows.
TEST(HelloProgram, ErrorBoxAnsweredNoEnds) {
  program_session s(hello);
  ASSERT_TRUE(s.started());
  ASSERT_TRUE(s.send("until 2 15 30000 Kestravelle\nkey F5\n"));
  ASSERT_TRUE(s.await_stderr("Continue?"));
  ASSERT_TRUE(s.send("key n\n"));
  auto res = s.finish(60);
  EXPECT_EQ(res.status, 0) << res.err;
  EXPECT_NE(res.err.find("Unhandled Error #5\nLine:10\nIllegal function call\nContinue?"), std::string::npos)
      << res.err;
}

TEST(HelloProgram, ErrorBoxAnsweredYesGoesOn) {
  program_session s(hello);
  ASSERT_TRUE(s.started());
  ASSERT_TRUE(s.send("until 2 15 30000 Kestravelle\nkey F5\n"));
  ASSERT_TRUE(s.await_stderr("Continue?"));
  ASSERT_TRUE(s.send("key y\n"
                     "key b\n"
                     "until 7 1 30000 Key: 0 63\n"  // the statement after the failing one runs
                     "until 8 1 30000 Key: 98\n"
                     "close\n"));
  auto res = s.finish(60);
  EXPECT_EQ(res.status, 0) << res.err;
  EXPECT_NE(res.err.find("Unhandled Error #5"), std::string::npos);
}

TEST(HelloProgram, ScriptErrorsStopTheProgram) {
  struct { const char *script; int status; const char *message; } cases[] = {
    {"wait 10\nkey NoSuchKey\n", 2, "line 2"},
    {"# comment\n\nfrobnicate\n", 2, "line 3"},
    {"until 1 1 abc x\n", 2, "line 1"},
    {"until 3 1 300 this text never appears\n", 3, "not seen"},
  };
  for (auto &c : cases) {
    auto res = run_program(hello, c.script);
    EXPECT_EQ(res.status, c.status) << c.script << res.err;
    EXPECT_NE(res.err.find(c.message), std::string::npos) << c.script << res.err;
  }
}

// `asleep` waits for a SLEEP that no key has reached yet, so each key ends the pause it waited
// for: two pauses of ten minutes and one that waits for a key pass at once, in order, and the
// keys stay in the buffer. It also returns at INPUT (where a run of pauses ends); where the
// program waits for neither (a long SOUND), it times out like `until`.
TEST(ScriptedInput, AsleepLetsEachKeyEndOnePause) {
  const std::string waitpoint = std::string(KEL_BUILD_DIR) + "/tests/bas/waitpoint";
  program_session s(waitpoint, {}, {"sleeps"});
  ASSERT_TRUE(s.started());
  ASSERT_TRUE(s.send("asleep 30000\nkey a\nasleep 30000\nkey b\nasleep 30000\nkey c\n"
                     "until 5 1 30000 past the wait\n"));
  std::vector<std::string> rows = s.screen();
  ASSERT_TRUE(s.send("close\n"));
  program_result r = s.finish(30);
  EXPECT_EQ(r.status, 0) << r.err;
  ASSERT_GE(rows.size(), 5u) << r.err;
  EXPECT_EQ(rows[0].substr(0, 17), "waiting at sleeps");
  EXPECT_EQ(rows[1].substr(0, 4), "one ");
  EXPECT_EQ(rows[2].substr(0, 4), "two ");
  EXPECT_EQ(rows[3].substr(0, 9), "keys abc ");
  EXPECT_EQ(rows[4].substr(0, 13), "past the wait");

  program_session at_input(waitpoint, {}, {"input"});
  ASSERT_TRUE(at_input.started());
  ASSERT_TRUE(at_input.send("asleep 30000\ntype Bo\nkey Enter\nuntil 3 1 30000 past the wait\nclose\n"));
  program_result i = at_input.finish(30);
  EXPECT_EQ(i.status, 0) << i.err;

  program_session in_sound(waitpoint, {}, {"sound"});
  ASSERT_TRUE(in_sound.started());
  ASSERT_TRUE(in_sound.send("until 1 1 30000 waiting at sound\nasleep 300\n"));
  program_result t = in_sound.finish(30);
  EXPECT_EQ(t.status, 3) << t.err;
  EXPECT_NE(t.err.find("KEL_SCRIPT line 2: no SLEEP or INPUT within 300 ms"), std::string::npos) << t.err;
}

}  // namespace hello_test
