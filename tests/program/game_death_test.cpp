// The game's two death screens and its ending. A harness program (game/kelmain.bas with the
// lines before the ending replaced by a jump menu) reaches them at once; where the start-up and
// step pieces exist, the real game is also played until dark and until supplies run out.
#include <gtest/gtest.h>
#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>
#include "program_runner.h"

static const std::string build = KEL_BUILD_DIR;
static const std::string source = KEL_SOURCE_DIR;
static const std::string game = build + "/kestravelle";


// The harness, built with the game from tests/program/harness/death.bas.in: line 1 (the
// declarations) and lines 1432-1592 of the game, and on lines 2-5 a start that sets a best score and jumps to the screen chosen at a prompt.
// The start keeps label 111 and CLEAR, so "play again" comes back to it as to the title.
static const std::string &harness() {
  static const std::string exe = build + "/tests/harness/death";
  return exe;
}

TEST(GameDeath, SuppliesScreenAsksAgainUntilYesOrNo) {
  ASSERT_EQ(access(harness().c_str(), X_OK), 0) << harness() << " was not built";
  // Wrong answers (upper case, a longer word, nothing) are asked again on the next line;
  // "n" ends the program normally.
  auto res = run_program(harness(),
                         "until 1 1 10000 HARNESS\ntype 1\nkey Enter\n"
                         "until 16 5 30000 Play again? y/n\n"
                         "text death.txt\n"
                         "type Y\nkey Enter\nuntil 17 1 5000 Play again? y/n\n"
                         "type yes\nkey Enter\nuntil 18 1 5000 Play again? y/n\n"
                         "key Enter\nuntil 19 1 5000 Play again? y/n\n"
                         "text again.txt\n"
                         "type n\nkey Enter\n"
                         "until 25 1 5000 Press any key to continue\nkey x\n");
  ASSERT_EQ(res.status, 0) << res.err;
  auto d = scratch_lines("death.txt");
  EXPECT_EQ(line_at(d, 5), "    Supplies are now gone");
  EXPECT_EQ(line_at(d, 7), "    No shield, no sword, no food");
  EXPECT_EQ(line_at(d, 9), "    A mound of soil");
  EXPECT_EQ(line_at(d, 14), "    You best haiku score: 87");
  EXPECT_EQ(line_at(d, 16), "    Play again? y/n█");
  auto a = scratch_lines("again.txt");
  EXPECT_EQ(line_at(a, 16), "    Play again? y/nY");
  EXPECT_EQ(line_at(a, 17), "Play again? y/nyes");
  EXPECT_EQ(line_at(a, 18), "Play again? y/n");
  EXPECT_EQ(line_at(a, 19), "Play again? y/n█");
}

TEST(GameDeath, AfterDarkScreenRestartsOnYes) {
  ASSERT_EQ(access(harness().c_str(), X_OK), 0) << harness() << " was not built";
  auto res = run_program(harness(),
                         "until 1 1 10000 HARNESS\ntype 2\nkey Enter\n"
                         "until 16 5 30000 Play again? y/n\n"
                         "text death.txt\n"
                         "type y\nkey Enter\n"
                         "until 1 1 5000 HARNESS\n"
                         "text restart.txt\nclose\n");
  ASSERT_EQ(res.status, 0) << res.err;
  auto d = scratch_lines("death.txt");
  EXPECT_EQ(line_at(d, 5), "    Small hero after dark");
  EXPECT_EQ(line_at(d, 7), "    Cannot see the tengu");
  EXPECT_EQ(line_at(d, 9), "    Rusting armour");
  EXPECT_EQ(line_at(d, 14), "    You best haiku score: 87");
  auto r = scratch_lines("restart.txt");   // back at line 2: the screen was cleared there
  EXPECT_EQ(line_at(r, 2), "which█");
  EXPECT_EQ(line_at(r, 16), "");
}

TEST(GameEnding, ListsDeletesAndEndsAfterFourLines) {
  ASSERT_EQ(access(harness().c_str(), X_OK), 0) << harness() << " was not built";
  auto res = run_program(harness(),
                         "until 1 1 10000 HARNESS\ntype 3\nkey Enter\n"
                         "until 12 1 10000  Your answer?\n"
                         "text question.txt\n"
                         "key Enter\n"                       // an empty answer leads on as well
                         "until 14 1 5000  Really?\n"
                         "type no\nkey Enter\n"
                         "until 20 59 120000 ▒\n"
                         "until 21 1 5000 █\n"
                         "text deleting.txt\n"
                         "key Enter 3\n"
                         "until 24 1 5000 █\n"
                         "text waiting.txt\n"
                         "key Enter\n"
                         "until 30 1 5000 Press any key to continue\nkey x\n",
                         180);
  ASSERT_EQ(res.status, 0) << res.err;
  auto q = scratch_lines("question.txt");
  std::vector<std::string> want_q = {
      "", " You've earned all five haiku diamonds.", " You have shown yourself now to", " be a zen master.",
      "", "        ♦♦♦♦♦", "", " Surely, adhering to the rules of", " Buddhism, you no longer need",
      " material wealth?", "", " Your answer?█"};
  for (size_t i = 0; i < want_q.size(); i++) EXPECT_EQ(line_at(q, i + 1), want_q[i]) << "row " << i + 1;

  // The tail of the fiftieth pass, scrolled up by the blank lines, above the bar.
  auto d = scratch_lines("deleting.txt");
  ASSERT_EQ(d.size(), 30u);                   // the 80x30 text screen
  int last = -1;
  for (int r = 1; r <= 18; r++)
    if (line_at(d, r) == "12/04/2008  14:00             8,256 winhlp32.exe") last = r;
  ASSERT_GT(last, 1) << read_file(scratch_dir() + "/deleting.txt");
  EXPECT_EQ(line_at(d, last - 1), "19/04/2008  14:00             2,768 winhelp.exe");
  for (int r = last + 1; r <= 18; r++) EXPECT_EQ(line_at(d, r), "") << "row " << r;
  EXPECT_EQ(line_at(d, 19), " Deleting C:\\WINDOWS");
  std::string bar;
  for (int i = 0; i < 59; i++) bar += "▒";   // columns 1..59 in medium shade
  EXPECT_EQ(line_at(d, 20), bar);
  // Three lines typed: the fourth input still waits and nothing else has changed.
  auto w = scratch_lines("waiting.txt");
  for (int r = 1; r <= 20; r++) EXPECT_EQ(line_at(w, r), line_at(d, r)) << "row " << r;
  EXPECT_EQ(line_at(w, 24), "█");
}

// ---- the real game, from the title

static std::string keys(const char *key, int n) {
  std::string s;
  for (int i = 0; i < n; i++) s += std::string("key ") + key + "\nwait 40\n";
  return s;
}

static std::string pace(int pairs) {   // back and forth, one step at a time
  std::string s;
  for (int i = 0; i < pairs; i++) s += keys("Left", 1) + keys("Right", 1);
  return s;
}

TEST(GameDeath, NightFallsOnTheHundredSixtiethStep) {
  // To the village (21 steps: 8 right into area 4, 3 down, 10 right onto the village glyph),
  // where no fight can happen, then 139 steps back and forth: daylight 160 runs out exactly.
  std::string script = "until 2 13 15000 Kestravelle\nkey Enter\nuntil 22 3 10000 DAYLIGHT:\n" +
                       keys("Right", 8) + keys("Down", 3) + keys("Right", 10) +
                       "until 3 3 10000 Left Ryokan\n" + pace(69) +
                       "wait 1000\ntext before.txt\n" + keys("Left", 1) +
                       "until 5 5 10000 Small hero after dark\n"
                       "until 16 5 30000 Play again? y/n\ntext death.txt\n"
                       "type y\nkey Enter\n"
                       "until 2 13 15000 Kestravelle\nclose\n";
  auto res = run_program(game, script, 120);
  ASSERT_EQ(res.status, 0) << res.err;
  auto b = scratch_lines("before.txt");
  EXPECT_NE(line_at(b, 22).find("DAYLIGHT:"), std::string::npos) << "died before the last step";
  auto d = scratch_lines("death.txt");
  EXPECT_EQ(line_at(d, 7), "    Cannot see the tengu");
  EXPECT_EQ(line_at(d, 9), "    Rusting armour");
  EXPECT_EQ(line_at(d, 14), "    You best haiku score: 0");
}

TEST(GameDeath, FightsEmptyTheSuppliesOutdoors) {
  // 160 outdoor steps bring about 40 fights of 2 to 4 supplies each, so the 60 supplies run out
  // well before dark (failing this needs 3.5 standard deviations of luck). Steps sent after
  // death only cut the sleeps short; the line editor skips arrow keys.
  std::string script = "until 2 13 15000 Kestravelle\nkey Enter\nuntil 22 3 10000 DAYLIGHT:\n" + pace(80) +
                       "until 5 5 30000 Supplies are now gone\n"
                       "until 16 5 30000 Play again? y/n\ntext death.txt\n"
                       "type n\nkey Enter\n"
                       "until 25 1 10000 Press any key to continue\nkey x\n";
  auto res = run_program(game, script, 120);
  ASSERT_EQ(res.status, 0) << res.err;
  auto d = scratch_lines("death.txt");
  EXPECT_EQ(line_at(d, 7), "    No shield, no sword, no food");
  EXPECT_EQ(line_at(d, 9), "    A mound of soil");
  EXPECT_EQ(line_at(d, 14), "    You best haiku score: 0");
}
