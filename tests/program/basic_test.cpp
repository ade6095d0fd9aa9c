// BASIC programs translated by bas2cpp at build time, run under scripts; screens compared as text.
#include <gtest/gtest.h>
#include <algorithm>
#include <sstream>
#include <vector>
#include "program_runner.h"

namespace basic_test {

static std::string bas(const char *name) { return std::string(KEL_BUILD_DIR) + "/tests/bas/" + name; }

// The dump's non-empty rows with trailing blanks removed.
static std::vector<std::string> rows_of(const std::string &text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) {
    while (!l.empty() && l.back() == ' ') l.pop_back();
    if (!l.empty()) out.push_back(l);
  }
  return out;
}

// Runs a program that prints and then ends; returns its screen at "Press any key".
static std::vector<std::string> screen_at_end(const char *name) {
  auto res = run_program(bas(name),
                         "until 25 1 20000 Press any key to continue\n"
                         "text out.txt\n"
                         "key x\n");
  EXPECT_EQ(res.status, 0) << name << "\n" << res.err;
  return rows_of(read_file(scratch_dir() + "/out.txt"));
}

TEST(BasicProgram, ScreensMatchWhatTheDialectPrints) {
  struct { const char *program; std::vector<std::string> rows; } cases[] = {
      {"control",
       {"FOR: 10  5  0  20  10  0  30  15  0", "I%= 4", "DO: 3  0  2  5", "WHILE: 243", "onetwothreefour",
        "abbccd 6", "P", "GOSUB: 7", "GOTO: 3", "Press any key to continue"}},
      {"data",
       {"A: 0  25", "B: 32  11", "N:xyxy 4", "C: 7  0", "Hello|World|Wor|HELLO, WORLD", " 5  9  12  65 B-3 12.5",
        "aXYZef", "[ab   ]", "[xy   ]", "[   xy]", "21 :'", " 5  2.5", "less", "Press any key to continue"}},
      {"numbers",
       {" 1 -1  0  1.5  1000  1000  .5  255  100000  .3333333",
        " .3333333333333333  1024  3  1 -3 -1  1  7 -1",
        " 50 -4 -1  4  5  64",
        " 2  4 -2  3 -3 -2",
        "a             b",
        "xy",
        "ab   c  d",
        " 3.14|a-b",
        " 12345678  1.23456789  1E+20 -1 -32768",
        "FF 10  4 -1  4",
        "Press any key to continue"}},
      {"clear", {"A= 0 B$=[] C%(2)= 0 D&= 0", "Press any key to continue"}},
  };
  for (auto &c : cases) EXPECT_EQ(screen_at_end(c.program), c.rows) << c.program;
}

TEST(BasicProgram, GraphicsStatementsDrawWhatPointReads) {
  auto rows = screen_at_end("graphics");
  EXPECT_NE(std::find(rows.begin(), rows.end(), " 4  9  2  5  0"), rows.end())
      << (rows.empty() ? "" : rows.front());
}

TEST(BasicProgram, InputPromptsAndLineInput) {
  auto res = run_program(bas("input"),
                         "until 1 1 10000 Age? \n"
                         "type 42\n"
                         "key Enter\n"
                         "until 2 1 5000 Name\n"
                         "type Bo\n"
                         "key Enter\n"
                         "until 3 1 5000 ? \n"
                         "type 3,4\n"
                         "key Enter\n"
                         "until 4 1 5000 Line: \n"
                         "type a, b\n"
                         "key Enter\n"
                         "until 5 1 5000  42 Bo 7 a, b\n"
                         "text out.txt\n"
                         "close\n");
  EXPECT_EQ(res.status, 0) << res.err;
  auto rows = rows_of(read_file(scratch_dir() + "/out.txt"));
  ASSERT_GE(rows.size(), 5u);
  EXPECT_EQ(rows[1], "NameBo");   // a comma after the prompt adds no "? "
  EXPECT_EQ(rows[2], "? 3,4");
}

TEST(BasicProgram, RuntimeErrorBoxNamesTheBasLineAndYesGoesOn) {
  program_session s(bas("error"));
  ASSERT_TRUE(s.started());
  ASSERT_TRUE(s.send("until 1 1 30000 before\n"));
  ASSERT_TRUE(s.await_stderr("Continue?"));   // written before the box shows
  ASSERT_TRUE(s.send("key y\nuntil 2 1 30000 after\nclose\n"));
  auto res = s.finish(60);
  EXPECT_EQ(res.status, 0) << res.err;
  EXPECT_NE(res.err.find("Unhandled Error #9\nLine:4\nSubscript out of range\nContinue?"), std::string::npos) << res.err;
}

}  // namespace basic_test
