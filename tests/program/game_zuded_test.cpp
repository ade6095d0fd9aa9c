// The game's Zuded Man over two days: recitations, the score prompt, the bump refusal, a night
// at the inn, and the compose grid with its refusal of copied haiku. One scripted run, read by
// several tests.
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <string>
#include <vector>
#include "program_runner.h"

static const std::string game = std::string(KEL_BUILD_DIR) + "/kestravelle";

// Lines and grid rows of the five haiku, as the recitation and the compose screen print them.
static const char *const recited[5][3] = {
    {"The small ship flies", "Rigid serpent in warm places", "Conformists vanish"},
    {"Two men in the street", "A huge enemy approaches", "Princess in a castle"},
    {"In and out, again, again", "Ancient bare knuckle technique", "Smell of dead fish"},
    {"From the sky they fall", "Glade of green pipes stretching forth", "Father's legacy"},
    {"In a box hiding", "Moulding the body's position", "Fierce burning is felt"},
};
static const int block_row[5] = {3, 7, 11, 16, 21};
static const std::vector<std::string> grid[5] = {
    {"The small   Rigid serpent   Confrmists", "ship flies  in warm places  vanish"},
    {"Two men in  A huge enemy    Prncess in", "the street  approaches      a castle"},
    {"In & out,   Ancient bare    Smell of", "again,      knuckle         dead fish", "again       technique"},
    {"From the    Glade of        Father`s", "sky they    green pipes     legacy", "fall        stretch forth"},
    {"In a box    Moulding        Fierce", "hiding      the body`s      burning", "            position        is felt"},
};

static std::string rtrim(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// Which haiku (0..4) a recitation screen shows on rows 5, 7 and 9 at column 2, or -1.
static int recited_haiku(const std::vector<std::string> &s) {
  for (int k = 0; k < 5; k++)
    if (s[5] == " " + rtrim(recited[k][0]) && s[7] == std::string(" ") + recited[k][1] &&
        s[9] == std::string(" ") + recited[k][2])
      return k;
  return -1;
}

static std::string repeat(const std::string &cmd, int n, int wait_ms) {
  std::string out;
  for (int i = 0; i < n; i++) out += cmd + "\nwait " + std::to_string(wait_ms) + "\n";
  return out;
}

// Steps: each arrow key is one step of daylight; the walk is counted so that the night at the
// inn falls when fewer than 20 remain (160 at the start).
static std::string walk(const char *key, int n) { return repeat(std::string("key ") + key, n, 60); }

static std::string two_day_script() {
  std::string s;
  s += "until 2 13 10000 Kestravelle\nkey Enter\nuntil 22 3 10000 DAYLIGHT:\n";
  // Area 3 (5,30) up into area 1, then onto the tower glyph at (7,32): 8 steps.
  s += walk("Up", 2) + walk("Right", 2) + walk("Up", 4);
  s += "until 6 3 10000 Before you is\n";
  // Tower entrance (11,30) onto the Zuded Man at (6,28): 7 steps.
  s += walk("Left", 2) + walk("Up", 5);
  s += "until 2 2 10000 A new day, a new haiku.\nuntil 15 2 30000 Score:\ntext day1.txt\n";
  s += "type 0\nkey Enter\nwait 300\ntext zero.txt\n";
  s += "type 150\nkey Enter\nuntil 18 2 5000 You are too kind!\ntext kind.txt\n";
  s += "key Enter\nuntil 6 3 10000 Before you is\nuntil 20 36 5000 100\ntext back.txt\n";
  // Into him again from below: refused, 7 steps; the player stays at (7,28).
  s += walk("Left", 2) + walk("Up", 5) + "until 11 3 5000 spoken today.\ntext refused.txt\n";
  // Out of the tower (5), through area 2 (6 + 4) to the village in area 4 (14): 29 steps.
  s += walk("Down", 5) + walk("Right", 6) + walk("Down", 8) + walk("Right", 10);
  s += "until 3 3 10000 Left Ryokan\n";
  // The store (8 steps): sell 15 supplies so that a night can be paid, then leave. The fights
  // of the walk are dice: selling 15 and buying back after the night keeps a run alive and able
  // to pay in all but about one in a thousand games.
  s += walk("Up", 4) + walk("Right", 4) + "until 6 4 10000 Buy supplies\n";
  s += "key Down\nwait 100\n" + repeat("key Enter", 15, 60) + "key Down\nwait 100\nkey Enter\n";
  s += "until 3 3 10000 Left Ryokan\n";
  // Spend daylight in the village (80), then the inn (11): 101 - 91 leaves 10.
  for (int i = 0; i < 40; i++) s += "key Left\nwait 40\nkey Right\nwait 40\n";
  s += walk("Up", 7) + walk("Left", 4) + "until 8 4 10000 Stay the night (cheap:\n";
  s += "key Down\nwait 100\nkey Enter\nuntil 3 3 10000 Left Ryokan\n";
  // Back to the store to turn the money left into supplies for the walk back.
  s += walk("Up", 4) + walk("Right", 4) + "until 6 4 10000 Buy supplies\n";
  s += repeat("key Enter", 60, 90) + "key Down\nwait 100\nkey Down\nwait 100\nkey Enter\n";
  s += "until 3 3 10000 Left Ryokan\n";
  // Village top edge to area 4 (8), up into area 2 (4), left into area 1 (11), to the tower (9).
  s += walk("Up", 8) + walk("Up", 4) + walk("Left", 11) + walk("Up", 4) + walk("Left", 5);
  s += "until 6 3 10000 Before you is\n";
  s += walk("Left", 2) + walk("Up", 5);
  s += "until 2 2 10000 A new day, a new haiku.\nuntil 15 2 30000 Score:\ntext day2.txt\n";
  s += "type 79\nkey Enter\nuntil 18 2 5000 I see, you are a stern student.\nkey Enter\n";
  s += "until 1 2 10000 Now, compose your own. ESC to reset.\ntext grid.txt\n";
  // Up from the first block wraps to the last; back down again.
  s += "key Up\nuntil 21 1 5000 >\ntext wrap.txt\nkey Down\nuntil 3 1 5000 >\n";
  // Three Enters in each block: a heard haiku is picked thrice and refused as a copy, which
  // restarts the screen; an unheard block picks nothing. Esc puts the cursor back on block 1.
  for (int b = 0; b < 5; b++) {
    s += "key Esc\nwait 300\n" + repeat("key Down", b, 100);
    s += repeat("key Enter", 3, 150) + "wait 400\ntext pick" + std::to_string(b + 1) + ".txt\n";
  }
  s += "close\n";
  return s;
}

class GameZuded : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    result = run_program(game, two_day_script(), 240);
    dir = scratch_dir();
  }
  static std::vector<std::string> dump(const std::string &name) {
    std::vector<std::string> rows(1);
    std::istringstream in(read_file(dir + "/" + name));
    for (std::string l; std::getline(in, l);) rows.push_back(rtrim(l));
    rows.resize(26);
    return rows;
  }
  static program_result result;
  static std::string dir;
};
program_result GameZuded::result;
std::string GameZuded::dir;

TEST_F(GameZuded, RunEndsNormally) { EXPECT_EQ(result.status, 0) << result.err; }

TEST_F(GameZuded, FirstVisitRecitesAHaikuAndAsksForAScore) {
  auto s = dump("day1.txt");
  EXPECT_EQ(s[2], " A new day, a new haiku.");
  EXPECT_NE(recited_haiku(s), -1) << s[5] << "|" << s[7] << "|" << s[9];
  EXPECT_EQ(s[12], " What would you score that, out of 100?");
  EXPECT_EQ(s[13], " Be honest now.");
  EXPECT_EQ(s[15].substr(0, 7), " Score:");
}

TEST_F(GameZuded, ScoreZeroIsAskedAgainAndAboveHundredCountsAsHundred) {
  auto zero = dump("zero.txt");
  EXPECT_EQ(zero[15].substr(0, 7), " Score:");
  EXPECT_EQ(zero[18], "");  // no verdict yet
  auto kind = dump("kind.txt");
  EXPECT_EQ(kind[15], " Score:150");
  EXPECT_EQ(kind[18], " You are too kind!");
  EXPECT_EQ(kind[20], " If you have heard two or more of my");
  EXPECT_EQ(kind[21].substr(0, 34), " poems you can compose your own...");
  // One haiku heard is too few to compose: straight back to the tower, the average shown.
  auto back = dump("back.txt");
  EXPECT_NE(back[20].find("Zuded Man: 100"), std::string::npos) << back[20];
  EXPECT_NE(back[6].find("Before you is"), std::string::npos);
}

TEST_F(GameZuded, SteppingIntoHimAgainTheSameDayIsRefused) {
  auto s = dump("refused.txt");
  const char *lines[3] = {"Zuded Man: `We", "have already", "spoken today.`"};
  for (int i = 0; i < 3; i++) EXPECT_NE(s[9 + i].find(lines[i]), std::string::npos) << s[9 + i];
}

// The haiku heard on the two days, 0..4; both must be known for the compose tests.
static std::set<int> heard(const std::vector<std::string> &day1, const std::vector<std::string> &day2) {
  return {recited_haiku(day1), recited_haiku(day2)};
}

TEST_F(GameZuded, SecondDayRecitesAnotherHaikuAndASternScore) {
  int k1 = recited_haiku(dump("day1.txt")), k2 = recited_haiku(dump("day2.txt"));
  EXPECT_NE(k2, -1);
  EXPECT_NE(k1, k2);
  auto s = dump("day2.txt");
  EXPECT_EQ(s[2], " A new day, a new haiku.");
  EXPECT_EQ(s[12], " What would you score that, out of 100?");
}

TEST_F(GameZuded, ComposeGridShowsOnlyTheHeardHaiku) {
  auto h = heard(dump("day1.txt"), dump("day2.txt"));
  ASSERT_EQ(h.size(), 2u);
  ASSERT_FALSE(h.count(-1));
  auto s = dump("grid.txt");
  EXPECT_EQ(s[1], " Now, compose your own. ESC to reset.");
  EXPECT_EQ(s[3].substr(0, 1), ">");  // the cursor starts on block 1, column 1
  for (int k = 0; k < 5; k++)
    for (size_t r = 0; r < grid[k].size(); r++) {
      std::string shown = s[block_row[k] + r];
      if (block_row[k] + r == 3) shown = shown.empty() ? shown : " " + shown.substr(1);  // the cursor
      EXPECT_EQ(shown, h.count(k) ? rtrim(" " + grid[k][r]) : std::string(r == 0 && k == 0 ? " " : ""))
          << "haiku " << k + 1 << " row " << block_row[k] + r;
    }
  auto w = dump("wrap.txt");
  EXPECT_EQ(w[21].substr(0, 1), ">");
  EXPECT_NE(w[3].substr(0, 1), ">");
}

TEST_F(GameZuded, EnterPicksOnlyHeardBlocksAndACopiedHaikuIsRefused) {
  auto h = heard(dump("day1.txt"), dump("day2.txt"));
  auto fresh = dump("grid.txt");
  for (int b = 0; b < 5; b++) {
    auto s = dump("pick" + std::to_string(b + 1) + ".txt");
    ASSERT_EQ(s[1], " Now, compose your own. ESC to reset.") << "block " << b + 1;
    if (h.count(b)) {
      // Three picks from one haiku: refused without a word, the screen started afresh.
      EXPECT_EQ(s, fresh) << "block " << b + 1;
    } else {
      // Nothing picked: the cursor still stands in the first column of that block.
      EXPECT_EQ(s[block_row[b]], ">") << "block " << b + 1;
      if (b) {
        EXPECT_NE(s[3].substr(0, 1), ">");
      }
      for (int k : h) EXPECT_EQ(s[block_row[k]], " " + rtrim(grid[k][0])) << "block " << b + 1;
    }
  }
}
