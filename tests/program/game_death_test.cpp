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

namespace game_death_test {

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

// A death screen pauses four times before its question; the scripts end each pause with a key
// once it has begun (Backspace, which the question's line editor ignores on an empty line).
TEST(GameDeath, SuppliesScreenAsksAgainUntilYesOrNo) {
  ASSERT_EQ(access(harness().c_str(), X_OK), 0) << harness() << " was not built";
  // Wrong answers (upper case, a longer word, nothing) are asked again on the next line;
  // "n" ends the program normally.
  auto res = run_program(harness(),
                         "until 1 1 10000 HARNESS\ntype 1\nkey Enter\n"
                         "asleep 30000\nkey Backspace\nasleep 30000\nkey Backspace\n"
                         "asleep 30000\nkey Backspace\nasleep 30000\nkey Backspace\n"
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
                         "asleep 30000\nkey Backspace\nasleep 30000\nkey Backspace\n"
                         "asleep 30000\nkey Backspace\nasleep 30000\nkey Backspace\n"
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
                         "asleep 30000\nkey Backspace\n"   // the pause before the question
                         "until 12 1 10000  Your answer?\n"
                         "text question.txt\n"
                         "key Enter\n"                       // an empty answer leads on as well
                         "until 14 1 5000  Really?\n"
                         "type no\nkey Enter\n"
                         "asleep 30000\nkey Backspace\nasleep 30000\nkey Backspace\n"   // around the listing
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

// From the title into the village (21 outdoor steps: 8 right into area 4, 3 down, 10 right onto
// the village glyph), each leg waiting for the player's glyph. Fights on the way can empty the
// 60 supplies only if 15 or more of the 21 steps bring one, a chance of 1.2e-9; no route to the
// village is shorter.
static const char *walk_to_village =
    "until 2 13 30000 Kestravelle\nkey Enter\nuntil 22 3 30000 DAYLIGHT:\n"
    "key Right 7\nuntil 5 37 30000 \u263a\nkey Right\nuntil 5 23 30000 \u263a\n"
    "key Down 3\nuntil 8 23 30000 \u263a\nkey Right 10\n"
    "until 3 3 30000 Left Ryokan\nuntil 11 31 30000 \u263a\n";

TEST(GameDeath, NightFallsOnTheHundredSixtiethStep) {
  // In the village no fight can happen: 138 steps back and forth along its bottom row, each
  // leg waited for, leave daylight 1; the 139th step is the last of the 160.
  std::string script = walk_to_village;
  for (int leg = 0; leg < 19; leg++)
    script += leg % 2 == 0 ? "key Left 7\nuntil 11 24 30000 \u263a\n" : "key Right 7\nuntil 11 31 30000 \u263a\n";
  script += "key Right 5\nuntil 11 29 30000 \u263a\ntext before.txt\nsnap before.bmp\nkey Left\n"
            "asleep 30000\nkey Backspace\nasleep 30000\nkey Backspace\n"
            "asleep 30000\nkey Backspace\nasleep 30000\nkey Backspace\n"
            "until 5 5 30000 Small hero after dark\n"
            "until 16 5 30000 Play again? y/n\ntext death.txt\n"
            "type y\nkey Enter\n"
            "until 2 13 30000 Kestravelle\nclose\n";
  auto res = run_program(game, script, 120);
  ASSERT_EQ(res.status, 0) << res.err;
  auto b = scratch_lines("before.txt");
  EXPECT_NE(line_at(b, 22).find("DAYLIGHT:"), std::string::npos) << "died before the last step";
  // The daylight bar covers x 90..90+daylight on row 170: one left before the last step.
  std::string bmp = read_file(scratch_dir() + "/before.bmp");
  ASSERT_GE(bmp.size(), 54u + 320 * 3 * 200);
  auto pixel = [&](int x, int y) {
    size_t p = 54 + (size_t)(199 - y) * 960 + (size_t)x * 3;
    return (uint32_t)(uint8_t)bmp[p] | (uint8_t)bmp[p + 1] << 8 | (uint32_t)(uint8_t)bmp[p + 2] << 16;
  };
  EXPECT_EQ(pixel(91, 170), pixel(90, 170));
  EXPECT_NE(pixel(92, 170), pixel(90, 170));
  auto d = scratch_lines("death.txt");
  EXPECT_EQ(line_at(d, 7), "    Cannot see the tengu");
  EXPECT_EQ(line_at(d, 9), "    Rusting armour");
  EXPECT_EQ(line_at(d, 14), "    You best haiku score: 0");
}

TEST(GameDeath, FightsEmptyTheSuppliesOutdoors) {
  // At the store every supply but one is sold (the store keeps the last), so the first fight
  // outdoors ends the game. Out through the village's left side (no fights there) with
  // daylight 122, 120 steps back and forth beside it: none of them bringing a fight has a
  // chance of 1e-15. Steps sent after death only cut the sleeps short; the line editor skips
  // arrow keys.
  std::string script = std::string(walk_to_village) +
                       "key Up 4\nuntil 7 31 30000 \u263a\nkey Right 4\n"
                       "until 1 2 30000 Welcome to Takashi's store.\n"
                       "key Down\nuntil 8 2 30000 >\nkey Enter 60\nkey Down\nuntil 10 2 30000 >\nkey Enter\n"
                       "until 3 3 30000 Left Ryokan\nuntil 11 31 30000 \u263a\n"
                       "key Left 9\nuntil 8 32 30000 \u263a\n";
  for (int i = 0; i < 60; i++) script += "key Left\nkey Right\n";
  script += "until 5 5 30000 Supplies are now gone\n"
            "until 16 5 30000 Play again? y/n\ntext death.txt\n"
            "type n\nkey Enter\n"
            "until 25 1 30000 Press any key to continue\nkey x\n";
  auto res = run_program(game, script, 180);
  ASSERT_EQ(res.status, 0) << res.err;
  auto d = scratch_lines("death.txt");
  EXPECT_EQ(line_at(d, 7), "    No shield, no sword, no food");
  EXPECT_EQ(line_at(d, 9), "    A mound of soil");
  EXPECT_EQ(line_at(d, 14), "    You best haiku score: 0");
}

}  // namespace game_death_test
