// The game's dice under a fixed seed: fights (dice order, money by level, the message box filling
// and clearing), the recitation's score bookkeeping and the grading of compositions. A harness
// program (game/kelmain.bas with its start-up lines 2-5 replaced, every other line in place)
// reads a seed and the state to set, runs the game's own routine and prints the variables; the
// expected values come from the generator's formula, stepped here.
#include <gtest/gtest.h>
#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include "program_runner.h"

namespace game_seeded_test {

static const std::string build = KEL_BUILD_DIR;
static const std::string source = KEL_SOURCE_DIR;

// The harness (built with the game from tests/program/harness/seeded.bas.in) asks (with empty prompts) for W, SEED and P1..P5, seeds the generator and then:
//   W = 1: LVL = P1 and the new game's fight values, then P2 fights; after each one the
//          variables on row 14, and a key leads to the next;
//   W = 2: MASTERSCORE = P1, the score question (label 12345) and on row 22 the result;
//   W = 3: all five haiku heard, A1 = P1, B1 = P2, the compose cursor in the third column on
//          the block at row P3, LVL = P4, MASTERSCORE = P5; the compose loop (label 555) then
//          grades at the next Enter and the tower's RETURN comes back here to print row 22.
static const std::string &harness() {
  static const std::string exe = build + "/tests/harness/seeded";
  return exe;
}

// Answers the harness's seven questions.
static std::string answers(std::vector<double> v) {
  std::string s = "until 1 1 10000 █\n";
  for (double x : v) {
    std::ostringstream n;
    n << x;
    s += "type " + n.str() + "\nkey Enter\n";
  }
  return s;
}

// The generator: RANDOMIZE with a number, then RND's steps. A die INT(RND * n) is worked out in
// single and in double precision; a seed whose draws differ between the two would make the
// expectation depend on how the product is evaluated, and is reported as unusable.
struct generator {
  uint32_t seed = 327680;   // never stepped before the harness's RANDOMIZE
  bool ambiguous = false;
  void randomize(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    uint32_t m = uint32_t(bits >> 32);
    m ^= m >> 16;
    seed = ((m & 0xFFFF) << 8) | (seed & 0xFF);
  }
  int die(int faces) {
    seed = (seed * 16598013u + 12820163u) & 0xFFFFFF;
    float r = float(seed / 16777216.0);
    int in_single = int(std::floor(r * float(faces)));
    int in_double = int(std::floor(double(r) * faces));
    if (in_single != in_double) ambiguous = true;
    return in_single;
  }
};

static std::string num(double x) {   // a number as PRINT shows it between others
  std::ostringstream o;
  o << x;
  return (x < 0 ? "" : " ") + o.str() + " ";
}

static const char *const monsters[5] = {"Fight Wyvern", "Fight Chimera", "Fight Gorbunok", "Fight Babayaga",
                                        "Fight Tengu"};

struct fight_case {
  const char *what;
  int seed, level, fights;
  int first_level_up;   // the fight (1-based) of the first level-up the seed gives; 0: none
};

static void PrintTo(const fight_case &c, std::ostream *os) { *os << c.what; }

class GameFights : public ::testing::TestWithParam<fight_case> {};

TEST_P(GameFights, DiceInOrderMoneyByLevelAndTheMessageBox) {
  auto c = GetParam();
  ASSERT_EQ(access(harness().c_str(), X_OK), 0) << harness() << " was not built";
  std::string script = answers({1, double(c.seed), double(c.level), double(c.fights), 0, 0, 0});
  for (int i = 1; i <= c.fights; i++)
    script += "until 14 1 10000 FIGHT " + std::to_string(i) + " :\ntext f" + std::to_string(i) + ".txt\nkey x\n";
  script += "close\n";
  auto res = run_program(harness(), script, 120);
  ASSERT_EQ(res.status, 0) << res.err;

  generator g;
  g.randomize(c.seed);
  int hlth = 60, mny = 0, lvl = c.level, txtdat = 3, level_up_at = 0;
  std::vector<std::string> box(13);   // message rows 3..12
  for (int i = 1; i <= c.fights; i++) {
    SCOPED_TRACE("fight " + std::to_string(i));
    // Damage, reward, colour, monster, level die: the order the fight draws them in.
    int damage = g.die(3) + 2, reward = g.die(6), colour = g.die(72) + 32, monster = g.die(5) + 1,
        levelup = g.die(13) + 1;
    ASSERT_FALSE(g.ambiguous) << "seed " << c.seed << " is unusable here";
    EXPECT_TRUE(damage >= 2 && damage <= 4);
    hlth -= damage;
    int gain = reward + lvl + 7;
    EXPECT_TRUE(gain >= lvl + 7 && gain <= lvl + 12);
    mny += gain;
    if (txtdat > 12) box.assign(13, ""), txtdat = 3;
    box[txtdat++] = monsters[monster - 1];
    if (levelup == 1) {
      if (!level_up_at) level_up_at = i;
      if (txtdat > 12) box.assign(13, ""), txtdat = 3;
      lvl++;
      box[txtdat++] = "----LEVEL UP----";
    }
    auto d = scratch_lines("f" + std::to_string(i) + ".txt");
    EXPECT_EQ(line_at(d, 14), "FIGHT" + num(i) + ":" + num(hlth) + num(mny) + num(colour) + num(monster) +
                              num(levelup) + num(lvl) + num(txtdat).substr(0, num(txtdat).size() - 1));
    for (int r = 3; r <= 12; r++) EXPECT_EQ(line_at(d, r), box[r].empty() ? "" : "  " + box[r]) << "row " << r;
  }
  ASSERT_EQ(level_up_at, c.first_level_up) << "the seed no longer gives the case it was chosen for";
  if (c.first_level_up == 0 || c.first_level_up > 10) {
    // Ten fight lines fill rows 3 to 12; the eleventh clears the box and prints on row 3.
    auto tenth = scratch_lines("f10.txt"), eleventh = scratch_lines("f11.txt");
    for (int r = 3; r <= 12; r++) EXPECT_EQ(line_at(tenth, r).rfind("  Fight ", 0), 0u) << "row " << r;
    EXPECT_EQ(line_at(eleventh, 3).rfind("  Fight ", 0), 0u);
    for (int r = c.first_level_up == 11 ? 5 : 4; r <= 12; r++) EXPECT_EQ(line_at(eleventh, r), "") << "row " << r;
  } else if (c.first_level_up == 10) {
    // The tenth line fills row 12; its level-up clears the box and stands alone on row 3.
    auto tenth = scratch_lines("f10.txt");
    EXPECT_EQ(line_at(tenth, 3), "  ----LEVEL UP----");
    for (int r = 4; r <= 12; r++) EXPECT_EQ(line_at(tenth, r), "") << "row " << r;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeded, GameFights,
                         ::testing::Values(fight_case{"level1", 11, 1, 12, 12}, fight_case{"level3", 11, 3, 12, 12},
                                           fight_case{"levelupOnRow12", 26, 1, 11, 10}),
                         [](const auto &info) { return std::string(info.param.what); });

// ---- the recitation's score: asked again below 1, capped at 100, averaged with halves to even

struct score_case {
  const char *what;
  int masterscore;
  std::vector<const char *> typed;   // the answers to "Score:", the last one taken
  const char *verdict;
  int given, average;
};

static void PrintTo(const score_case &c, std::ostream *os) { *os << c.what; }

class GameScore : public ::testing::TestWithParam<score_case> {};

TEST_P(GameScore, VerdictAndRunningAverage) {
  auto c = GetParam();
  ASSERT_EQ(access(harness().c_str(), X_OK), 0) << harness() << " was not built";
  std::string script = answers({2, 1, double(c.masterscore), 0, 0, 0, 0}) + "until 15 2 10000 Score:\n";
  for (auto t : c.typed) script += std::string("type ") + t + "\nkey Enter\n";   // INPUT takes them from the key buffer in order
  script += "until 20 2 10000 If you have heard\ntext verdict.txt\nkey Enter\n"
            "until 22 1 10000 MS\ntext result.txt\nclose\n";
  auto res = run_program(harness(), script, 60);
  ASSERT_EQ(res.status, 0) << res.err;
  auto v = scratch_lines("verdict.txt");
  EXPECT_EQ(line_at(v, 18), std::string(" ") + c.verdict);
  EXPECT_EQ(line_at(v, 15), std::string(" Score:") + c.typed.back());
  EXPECT_EQ(line_at(scratch_lines("result.txt"), 22), "MS" + num(c.average) + num(c.given).substr(0, num(c.given).size() - 1));
}

INSTANTIATE_TEST_SUITE_P(
    Seeded, GameScore,
    ::testing::Values(score_case{"zeroAndNegativeAskedAgain150Capped", 0, {"0", "-5", "150"}, "You are too kind!", 100, 100},
                      score_case{"seventyNineIsStern", 0, {"79"}, "I see, you are a stern student.", 79, 79},
                      score_case{"eightyIsKind", 0, {"80"}, "You are too kind!", 80, 80},
                      score_case{"halfRoundsToEvenUp", 90, {"61"}, "I see, you are a stern student.", 61, 76},
                      score_case{"wholeAverage", 90, {"60"}, "I see, you are a stern student.", 60, 75}),
    [](const auto &info) { return std::string(info.param.what); });

// ---- grading: perfect, good and other compositions, their scores and bookkeeping

struct grade_case {
  const char *what;
  int a, b, c, seed, level, masterscore;
  int rating;           // 1 perfect, 2 good, 0 other
  const char *remark;   // row 6 for a perfect one
  bool capped = false;  // an other one whose score the seed puts above 65
};

static void PrintTo(const grade_case &c, std::ostream *os) { *os << c.what; }

class GameGrading : public ::testing::TestWithParam<grade_case> {};

TEST_P(GameGrading, ClassScoreAndBookkeeping) {
  auto c = GetParam();
  ASSERT_EQ(access(harness().c_str(), X_OK), 0) << harness() << " was not built";
  static const int block_row[6] = {0, 3, 7, 11, 16, 21};
  std::string script = answers({3, double(c.seed), double(c.a), double(c.b), double(block_row[c.c]),
                                 double(c.level), double(c.masterscore)});
  // Enter picks the third line and grades; a key ends each of the three playback pauses once
  // it has begun (Backspace: one that reaches "Push enter" instead does nothing there).
  script += "until " + std::to_string(block_row[c.c]) + " 29 10000 >\nkey Enter\n"
            "asleep 30000\nkey Backspace\nasleep 30000\nkey Backspace\nasleep 30000\nkey Backspace\n"
            "until 20 2 30000 Push enter\ntext graded.txt\nkey Enter\n"
            "until 22 1 10000 R\ntext result.txt\nclose\n";
  auto res = run_program(harness(), script, 90);
  ASSERT_EQ(res.status, 0) << res.err;

  generator g;
  g.randomize(c.seed);
  double wtscore;
  if (c.rating == 1) wtscore = g.die(10) + 90;
  else if (c.rating == 2) wtscore = g.die(15) + 70;
  else {
    double uncapped = g.die(40) + c.level * 3 + c.masterscore / 5.0 + 5;
    ASSERT_EQ(uncapped > 65, c.capped) << "the seed no longer gives the case it was chosen for";
    wtscore = std::min(65.0, uncapped);
  }
  ASSERT_FALSE(g.ambiguous) << "seed " << c.seed << " is unusable here";

  auto d = scratch_lines("graded.txt");
  if (c.rating == 1) {
    EXPECT_EQ(line_at(d, 2), " Ahh my student, that was astounding.");
    EXPECT_EQ(line_at(d, 6), std::string(" ") + c.remark);
  } else if (c.rating == 2) {
    EXPECT_EQ(line_at(d, 3), " Not bad! You're almost");
  } else {
    EXPECT_EQ(line_at(d, 3), " Hmmm... You need more training!");
  }
  // The count runs up to the first whole number not below the score.
  std::string count = num(std::ceil(wtscore));
  count.pop_back();
  EXPECT_EQ(line_at(d, 9), std::string("         ") + (c.rating ? "score:" : "Score:") + count);
  std::string flags;
  for (int k = 1; k <= 5; k++) flags += num(c.rating == 1 && k == c.a ? 1 : 0);
  std::string want = "R" + num(wtscore) + num(wtscore) + num(wtscore) + num(c.rating == 1 ? 1 : 0) + flags;
  want.pop_back();
  EXPECT_EQ(line_at(scratch_lines("result.txt"), 22), want);   // WTSCORE, HISCORE, the average, diamonds, flags
}

INSTANTIATE_TEST_SUITE_P(
    Seeded, GameGrading,
    ::testing::Values(grade_case{"perfectDarius", 1, 2, 3, 11, 1, 0, 1, "Reminds me of Darius!"},
                      grade_case{"perfectSnake", 5, 1, 4, 26, 1, 0, 1, "Reminds me of Snake's Revenge!"},
                      grade_case{"good", 2, 2, 4, 11, 1, 0, 2, nullptr},
                      grade_case{"otherWithAFraction", 1, 3, 5, 11, 1, 52, 0, nullptr},
                      grade_case{"otherCappedAt65", 1, 3, 5, 26, 10, 100, 0, nullptr, true}),
    [](const auto &info) { return std::string(info.param.what); });

}  // namespace game_seeded_test
