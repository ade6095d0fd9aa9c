// The game's village store and inn, walked to from the title: their screens, trades, nights and Esc.
#include <gtest/gtest.h>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>
#include "program_runner.h"

namespace game_shops_test {

static const std::string game = std::string(KEL_BUILD_DIR) + "/kestravelle";

// The money shown after the yen sign on row 20 of a dump.
static int money_of(const std::vector<std::string> &screen) {
  if (screen.size() < 20) return -1;
  auto at = screen[19].find("\u00a5");
  if (at == std::string::npos) return -1;
  return std::stoi(screen[19].substr(at + 2));
}

// A 24-bit bottom-up .bmp as written by the script's snap command.
struct bitmap {
  int w = 0, h = 0;
  std::string data;
  uint32_t at(int x, int y) const {
    int stride = (w * 3 + 3) & ~3;
    size_t p = 54 + (size_t)(h - 1 - y) * stride + (size_t)x * 3;
    if (p + 2 >= data.size()) return 0xffffffff;
    return (uint8_t)data[p] | (uint8_t)data[p + 1] << 8 | (uint32_t)(uint8_t)data[p + 2] << 16;
  }
};

static bitmap snap(const std::string &name) {
  bitmap b;
  b.data = read_file(scratch_dir() + "/" + name);
  if (b.data.size() < 54) return b;
  auto word = [&](int at) { return (int)((uint8_t)b.data[at] | (uint8_t)b.data[at + 1] << 8); };
  b.w = word(18);
  b.h = word(22);
  return b;
}

// A bar's value: the bar covers x0..x0+value in one colour on row y, so its run is value+1 pixels.
static int bar_value(const bitmap &b, int x0, int y) {
  if (b.w != 320 || b.h != 200) return -1;
  uint32_t c = b.at(x0, y);
  int x = x0;
  while (x + 1 < b.w && b.at(x + 1, y) == c) x++;
  return x - x0;
}
static int supplies_of(const bitmap &b) { return bar_value(b, 35, 123); }
static int daylight_of(const bitmap &b) { return bar_value(b, 90, 170); }

static std::string cell(const std::vector<std::string> &screen, int row, int col) {
  return screen.size() >= (size_t)row && screen[row - 1].size() >= (size_t)col ? screen[row - 1].substr(col - 1, 1) : "?";
}

// From the title to the store door: 21 outdoor steps to the village, then 8 inside it. Each leg
// waits for the player's glyph, so no key is pressed far ahead of the game.
static const char *walk_to_store =
    "until 2 13 15000 Kestravelle\n"
    "key Enter\n"
    "until 22 3 15000 DAYLIGHT:\n"
    "key Right 7\n"
    "until 5 37 15000 \u263a\n"
    "key Right\n"
    "until 5 23 15000 \u263a\n"
    "key Down 3\n"
    "until 8 23 15000 \u263a\n"
    "key Right 9\n"
    "until 8 32 15000 \u263a\n"
    "text outdoors.txt\n"
    "key Right\n"
    "until 3 3 15000 Left Ryokan\n"
    "until 11 31 15000 \u263a\n"
    "key Up 4\n"
    "until 7 31 15000 \u263a\n"
    "key Right 4\n"
    "until 1 2 15000 Welcome to Takashi's store.\n";

static bool game_is_whole() {
  std::string src = read_file(std::string(KEL_SOURCE_DIR) + "/game/kelmain.bas");
  return src.find("start-up piece missing") == std::string::npos;
}

TEST(GameShops, StoreBuysAndSellsOneUnitPerEnterAndEscEnds) {
  if (!game_is_whole()) GTEST_SKIP() << "the start-up piece of the game is not there yet";
  std::string script = std::string(walk_to_store) +
                       "text s0.txt\nsnap s0.bmp\n"
                       "key Enter\nkey Down\nuntil 8 2 15000 >\ntext s1.txt\nsnap s1.bmp\n"
                       "key Enter\nkey Down\nuntil 10 2 15000 >\ntext s2.txt\nsnap s2.bmp\n"
                       "key Down\nuntil 6 2 15000 >\ntext s3.txt\n"
                       "key Up\nuntil 10 2 15000 >\ntext s4.txt\n"
                       "key Esc\nuntil 25 1 15000 Press any key to continue\nkey x\n";
  auto res = run_program(game, script, 120);
  ASSERT_EQ(res.status, 0) << res.err;

  // Fights on the way: only monster and level-up lines, each fight paying at least 8 and
  // costing at least 2 supplies.
  auto out = scratch_lines("outdoors.txt");
  ASSERT_EQ(out.size(), 25u);
  static const std::vector<std::string> fight_lines = {"Fight Wyvern", "Fight Chimera", "Fight Gorbunok",
                                                       "Fight Babayaga", "Fight Tengu"};
  int fights = 0;
  for (int row = 3; row <= 12; row++) {
    std::string text = out[row - 1].substr(4, 16);  // after a blank and the frame glyph (three UTF-8 bytes)
    text.erase(text.find_last_not_of(' ') + 1);
    if (text.empty()) continue;
    bool monster = false;
    for (auto &f : fight_lines) monster |= text == f;
    EXPECT_TRUE(monster || text == "----LEVEL UP----") << "row " << row << ": " << text;
    fights += monster;
  }

  auto s0 = scratch_lines("s0.txt");
  ASSERT_EQ(s0.size(), 25u);
  EXPECT_EQ(s0[0], " Welcome to Takashi's store. Here you");
  EXPECT_EQ(s0[1], " can trade supplies for the trip ahead.");
  EXPECT_EQ(s0[2], " Stuff like katanas, kimonos and sake!");
  EXPECT_EQ(s0[5], " > Buy supplies");
  EXPECT_EQ(s0[7], "   Sell supplies");
  EXPECT_EQ(s0[9], "   Leave store");
  EXPECT_EQ(s0[11], "   Steal from Takashi");
  int m0 = money_of(s0), h0 = supplies_of(snap("s0.bmp"));
  EXPECT_GE(m0, 8 * fights);
  EXPECT_GE(h0, 1);
  EXPECT_LE(h0, 60 - 2 * fights);
  EXPECT_EQ(daylight_of(snap("s0.bmp")), 160 - 29) << "every step costs one daylight";

  // One Enter on "Buy supplies": 3 yen for one unit when there are 3 yen.
  int m1 = money_of(scratch_lines("s1.txt")), h1 = supplies_of(snap("s1.bmp"));
  EXPECT_EQ(m1, m0 > 2 ? m0 - 3 : m0);
  EXPECT_EQ(h1, m0 > 2 ? h0 + 1 : h0);
  // One Enter on "Sell supplies": one unit for 1 yen.
  EXPECT_EQ(money_of(scratch_lines("s2.txt")), m1 + 1);
  EXPECT_EQ(supplies_of(snap("s2.bmp")), h1 - 1);

  // The cursor cycles over the first three lines only: down from "Leave store" to the top,
  // up from the top to "Leave store".
  auto s3 = scratch_lines("s3.txt"), s4 = scratch_lines("s4.txt");
  ASSERT_EQ(s3.size(), 25u);
  ASSERT_EQ(s4.size(), 25u);
  EXPECT_EQ(cell(s3, 6, 2) + cell(s3, 8, 2) + cell(s3, 10, 2) + cell(s3, 12, 2), ">   ");
  EXPECT_EQ(cell(s4, 6, 2) + cell(s4, 8, 2) + cell(s4, 10, 2) + cell(s4, 12, 2), "  > ");
}

TEST(GameShops, InnRefusesBedBeforeDuskAndANightRefillsDaylight) {
  if (!game_is_whole()) GTEST_SKIP() << "the start-up piece of the game is not there yet";
  std::string script = walk_to_store;
  // Sell 30 units (fewer only when supplies run low, and then the fights have paid more than
  // 30), then leave: the money now pays for the cheap night whatever the dice did.
  script += "key Down\nuntil 8 2 15000 >\n";
  for (int i = 0; i < 3; i++) script += "key Enter 10\nkey Down\nuntil 10 2 15000 >\nkey Up\nuntil 8 2 15000 >\n";
  script += "key Down\nuntil 10 2 15000 >\nkey Enter\n"
            "until 3 3 15000 Left Ryokan\nuntil 11 31 15000 \u263a\ntext v0.txt\n"
            // To the inn door (4, 27) and in: both nights are refused at daylight 120.
            "key Up 7\nuntil 4 31 15000 \u263a\nkey Left 4\n"
            "until 1 2 15000 Welcome to Musashi's inn.\ntext i0.txt\n"
            "key Enter\nuntil 7 4 15000 (It's too early for bed!)\n"
            "key Down\nkey Enter\nuntil 9 4 15000 (It's too early for bed!)\ntext i1.txt\n"
            "key Down\nkey Enter\nuntil 3 3 15000 Left Ryokan\nuntil 11 31 15000 \u263a\n"
            // Ojisan at (9, 24) does not move aside: four bumps from below.
            "key Left 7\nuntil 11 24 15000 \u263a\nkey Up\nuntil 10 24 15000 \u263a\n"
            "key Up\nuntil 7 3 15000 Ojisan: `...`\n"
            "key Up\nuntil 9 3 15000 Ojisan: `...`\n"
            "key Up\nuntil 11 3 15000 Ojisan: `...`\ntext o1.txt\n"
            "key Up\nuntil 3 3 15000 Ojisan: `...`\ntext o2.txt\n"
            "key Down\nuntil 11 24 15000 \u263a\nkey Right 7\nuntil 11 31 15000 \u263a\n";
  for (int i = 0; i < 40; i++)  // 80 steps to dusk
    script += "key Left\nuntil 11 30 15000 \u263a\nkey Right\nuntil 11 31 15000 \u263a\n";
  script += "key Up 7\nuntil 4 31 15000 \u263a\nkey Left 4\n"
            "until 1 2 15000 Welcome to Musashi's inn.\ntext i2.txt\nsnap i2.bmp\n"
            "key Down\nuntil 8 2 15000 >\nkey Enter\n"
            "until 3 3 15000 Left Ryokan\nuntil 11 31 15000 \u263a\ntext v1.txt\nsnap v1.bmp\n"
            "close\n";
  auto res = run_program(game, script, 180);
  ASSERT_EQ(res.status, 0) << res.err;

  int mv = money_of(scratch_lines("v0.txt"));
  EXPECT_GE(mv, 30);
  auto i0 = scratch_lines("i0.txt");
  ASSERT_EQ(i0.size(), 25u);
  EXPECT_EQ(i0[0], " Welcome to Musashi's inn. Here you can");
  EXPECT_EQ(i0[1], " rest until morning. Sleeping doesn't");
  EXPECT_EQ(i0[2], " increase supplies.");
  EXPECT_EQ(i0[5], " > Stay the night (expensive: \u00a5100)");
  EXPECT_EQ(i0[7], "   Stay the night (cheap: \u00a530)");
  EXPECT_EQ(i0[9], "   Leave ryokan");
  EXPECT_EQ(i0[11], "   Make love to Musashi's wife");
  auto i1 = scratch_lines("i1.txt");
  ASSERT_EQ(i1.size(), 25u);
  EXPECT_EQ(money_of(i1), mv) << "a refused night costs nothing";

  // The fourth bump clears the message box (the next row would have been 13).
  auto o1 = scratch_lines("o1.txt"), o2 = scratch_lines("o2.txt");
  ASSERT_EQ(o2.size(), 25u);
  EXPECT_EQ(o1[4].substr(4, 13), "Right Combini");
  EXPECT_EQ(o2[4].substr(4, 13), std::string(13, ' '));
  EXPECT_EQ(o2[10].substr(4, 13), std::string(13, ' '));

  // At the inn with daylight 9 (151 steps taken), the cheap night: 30 yen, daylight 209.
  EXPECT_EQ(daylight_of(snap("i2.bmp")), 160 - 151);
  int mi = money_of(scratch_lines("i2.txt"));
  EXPECT_EQ(mi, mv);
  EXPECT_EQ(money_of(scratch_lines("v1.txt")), mi - 30);
  EXPECT_EQ(daylight_of(snap("v1.bmp")), 209);
}

}  // namespace game_shops_test
