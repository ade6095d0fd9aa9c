// The game's start: the title screen and its wait for Enter, a new game's play screen in
// area 3, walking across the map edges and Esc, played through scripted keys.
#include <gtest/gtest.h>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>
#include "program_runner.h"

namespace game_start_test {

static const std::string game = std::string(KEL_BUILD_DIR) + "/kestravelle";

// A text dump as rows of cells, each cell one UTF-8 character; row and column count from 1.
struct dump {
  std::vector<std::vector<std::string>> rows;
  explicit dump(const std::string &text) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
      std::vector<std::string> cells;
      for (size_t i = 0; i < line.size();) {
        unsigned char c = (unsigned char)line[i];
        size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        cells.push_back(line.substr(i, n));
        i += n;
      }
      rows.push_back(cells);
    }
  }
  // The text of `len` cells from (row, col).
  std::string at(int row, int col, int len) const {
    std::string s;
    if (row < 1 || row > (int)rows.size()) return s;
    for (int c = col; c < col + len && c <= (int)rows[row - 1].size(); c++) s += rows[row - 1][c - 1];
    return s;
  }
  std::string row(int r) const {
    std::string s = at(r, 1, 40);
    return s.erase(s.find_last_not_of(' ') + 1);
  }
};

// The length in pixels of a bar drawn from x0 on pixel row y of a 24-bit BMP snap: the bar
// covers x0..x0+length, so the count of lit pixels from x0 is one more than the length.
static int bar_length(const std::string &bmp, int x0, int y) {
  if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M') return -100;
  auto u32 = [&](size_t at) {
    return (uint32_t)(uint8_t)bmp[at] | (uint32_t)(uint8_t)bmp[at + 1] << 8 |
           (uint32_t)(uint8_t)bmp[at + 2] << 16 | (uint32_t)(uint8_t)bmp[at + 3] << 24;
  };
  int w = (int)u32(18), h = (int)u32(22);
  size_t stride = ((size_t)w * 3 + 3) & ~(size_t)3;
  size_t row = 54 + (size_t)(h - 1 - y) * stride;
  int x = x0;
  while (x < w && (bmp[row + 3 * x] | bmp[row + 3 * x + 1] | bmp[row + 3 * x + 2]) != 0) x++;
  return x - x0 - 1;
}

static const char *const title_rows[] = {
    "            Kestravelle",               // row 2
    " Journey for the five zen diamonds",
    "",
    "",
    " Only through mastering haiku,",        // row 6
    " will you attain the 5 diamonds.",
    " But you can only compose once",
    " a day. Use the ryokan to rest.",
    "",
    " * Roam and find Zuded Tower",          // row 11
    " * Compose the 5 perfect haiku",
    " * Visit the village for supplies",
    " * Talk with the village old man",
    " * Do NOT stay out after dark",
    "",
    " ALT + ENTER = FULL SCREEN!!!",         // row 17
};

static void expect_title(const dump &d, const char *when) {
  for (int r = 2; r <= 17; r++) EXPECT_EQ(d.row(r), title_rows[r - 2]) << when << ", row " << r;
}

// Status lines and the player of a fresh game in area 3.
static void expect_new_game(const dump &d) {
  EXPECT_EQ(d.at(5, 30, 1), "☺");
  EXPECT_EQ(d.at(12, 22, 17), "/\\/\\/\\/\\/\\/\\/\\/\\/");   // area 3's bottom mountains
  for (int r = 3; r <= 11; r++) EXPECT_EQ(d.at(r, 22, 1), r % 2 ? "/" : "\\") << "row " << r;
  EXPECT_EQ(d.at(16, 3, 2), "☺:");
  EXPECT_EQ(d.at(18, 3, 6), "Lvl: 1");
  EXPECT_EQ(d.at(18, 19, 6), "/♦♦♦♦♦");
  EXPECT_EQ(d.at(18, 27, 10), "Avg scr: 0");
  EXPECT_EQ(d.at(19, 28, 9), "Hi-scr: 0");
  EXPECT_EQ(d.at(20, 3, 4), "¥  0");
  EXPECT_EQ(d.at(20, 25, 12), "Zuded Man: 0");
  EXPECT_EQ(d.at(22, 3, 9), "DAYLIGHT:");
}

TEST(GameStart, TitleWaitsForEnterDroppingOtherKeysThenStartsInArea3) {
  // Stray keys, arrows among them, are read and dropped by the title loop: none may reach
  // the roaming loop, so the new game still has the player at (5, 30) with full bars.
  // The credits come with the first recolouring, after a fixed number of passes.
  auto res = run_program(game,
                         "until 17 2 15000 ALT + ENTER = FULL SCREEN!!!\n"
                         "text title.txt\n"
                         "key x\nkey Space\nkey Down\nkey Right\nkey Esc\n"
                         "until 19 2 30000 Creator: \n"
                         "text credits.txt\n"
                         "key Enter\n"
                         "until 22 3 10000 DAYLIGHT:\n"
                         "text play.txt\n"
                         "snap play.bmp\n"
                         "close\n",
                         90);
  ASSERT_EQ(res.status, 0) << res.err;
  dump title(read_file(scratch_dir() + "/title.txt"));
  expect_title(title, "at start");

  dump credits(read_file(scratch_dir() + "/credits.txt"));
  expect_title(credits, "after other keys");
  EXPECT_EQ(credits.at(19, 2, 9), "Creator: ");
  EXPECT_EQ(credits.at(20, 1, 12), " Zuded Man: ");
  EXPECT_EQ(credits.at(21, 1, 12), " Traveller: ");
  EXPECT_EQ(credits.at(22, 1, 9), " Reaper: ");
  for (int r = 20; r <= 22; r++) EXPECT_GT(credits.row(r).size(), 12u) << "a name follows, row " << r;

  dump play(read_file(scratch_dir() + "/play.txt"));
  expect_new_game(play);
  EXPECT_EQ(play.row(2).find("Kestravelle"), std::string::npos) << "the title is cleared";
  std::string bmp = read_file(scratch_dir() + "/play.bmp");
  EXPECT_EQ(bar_length(bmp, 35, 123), 60) << "health bar";
  EXPECT_EQ(bar_length(bmp, 90, 170), 160) << "daylight bar";
}

TEST(GameStart, WalkingMovesTheGlyphAcrossAreasAndSpendsDaylight) {
  // Right 3 to (5, 33); up 2 crosses the top edge of area 3 into row 11 of area 1 (its
  // mountains on top, the tower at (7, 32)); down 1 crosses back to row 4 of area 3.
  // Fights may happen on the way: they touch supplies and money, not position or daylight.
  auto res = run_program(game,
                         "until 17 2 15000 ALT + ENTER\n"
                         "key Enter\n"
                         "until 5 30 10000 ☺\n"
                         "key Right 3\n"
                         "until 5 33 10000 ☺\n"
                         "snap right.bmp\n"
                         "text right.txt\n"
                         "key Up 2\n"
                         "until 11 33 10000 ☺\n"
                         "text area1.txt\n"
                         "snap area1.bmp\n"
                         "key Down\n"
                         "until 4 33 10000 ☺\n"
                         "text back.txt\n"
                         "snap back.bmp\n"
                         "close\n",
                         90);
  ASSERT_EQ(res.status, 0) << res.err;
  dump right(read_file(scratch_dir() + "/right.txt"));
  for (int c = 30; c <= 32; c++) EXPECT_EQ(right.at(5, c, 1), " ") << "wiped at column " << c;
  EXPECT_EQ(bar_length(read_file(scratch_dir() + "/right.bmp"), 90, 170), 157);

  dump a1(read_file(scratch_dir() + "/area1.txt"));
  EXPECT_EQ(a1.at(3, 22, 17), "/\\/\\/\\/\\/\\/\\/\\/\\/");  // the frame crosses column 39
  EXPECT_EQ(a1.at(7, 32, 1), "¶");                        // the tower, CHR$(20)
  for (int r = 4; r <= 12; r++) EXPECT_EQ(a1.at(r, 22, 1), r % 2 ? "\\" : "/") << "row " << r;
  EXPECT_EQ(a1.at(12, 23, 16), std::string(16, ' ')) << "area 3's mountains are cleared";
  EXPECT_EQ(bar_length(read_file(scratch_dir() + "/area1.bmp"), 90, 170), 155);

  dump back(read_file(scratch_dir() + "/back.txt"));
  EXPECT_EQ(back.at(12, 22, 17), "/\\/\\/\\/\\/\\/\\/\\/\\/");
  EXPECT_EQ(back.at(7, 32, 1), " ") << "area 1's tower is cleared";
  EXPECT_EQ(back.at(11, 33, 1), " ");
  EXPECT_EQ(bar_length(read_file(scratch_dir() + "/back.bmp"), 90, 170), 154);
}

TEST(GameStart, TowerAndVillageLeadOutBesideTheirGlyphs) {
  // Each `until` is a check: the script stops with status 3 when the glyph is not seen there.
  auto res = run_program(game,
                         "until 17 2 15000 ALT + ENTER\n"
                         "key Enter\n"
                         "until 5 30 10000 ☺\n"
                         "key Up 2\nkey Right 2\nkey Up 4\n"       // onto the tower glyph (7, 32)
                         "until 3 3 10000 You climb the\n"
                         "until 11 30 10000 ☺\n"
                         "text tower.txt\n"
                         "key Down\n"                               // out through the open bottom
                         "until 8 32 10000 ☺\n"
                         "until 7 32 10000 ¶\n"
                         "key Down 4\nkey Right 6\n"                 // the key buffer holds 15 keys
                         "until 4 23 10000 ☺\n"
                         "key Right 10\nkey Down 3\n"
                         "until 7 33 10000 ☺\n"
                         "key Down\n"                               // onto the village (8, 33)
                         "until 3 3 10000 Left Ryokan\n"
                         "until 11 31 10000 ☺\n"
                         "text village.txt\n"
                         "key Down\n"
                         "until 9 33 10000 ☺\n"                     // below the village glyph
                         "key Up\n"
                         "until 11 31 10000 ☺\n"
                         "key Left 9\n"
                         "until 8 32 10000 ☺\n"                     // left of it
                         "key Right\n"
                         "until 11 31 10000 ☺\n"
                         "key Right 7\n"
                         "until 8 34 10000 ☺\n"                     // right of it
                         "key Left\n"
                         "until 11 31 10000 ☺\n"
                         "key Up 8\n"
                         "until 7 33 10000 ☺\n"                     // above it
                         "until 8 33 10000 ⌂\n"
                         "close\n",
                         120);
  ASSERT_EQ(res.status, 0) << res.err;
  dump tower(read_file(scratch_dir() + "/tower.txt"));
  EXPECT_EQ(tower.at(6, 28, 1), "☻");
  EXPECT_EQ(tower.at(4, 3, 11), "tall tower.");
  EXPECT_EQ(tower.at(6, 3, 13), "Before you is");
  EXPECT_EQ(tower.at(7, 3, 10), "Zuded Man.");
  EXPECT_EQ(tower.at(12, 23, 15), std::string(15, ' ')) << "no mountains in the tower";
  dump village(read_file(scratch_dir() + "/village.txt"));
  EXPECT_EQ(village.at(5, 3, 13), "Right Combini");
  EXPECT_EQ(village.at(4, 27, 1), "#");
  EXPECT_EQ(village.at(7, 35, 1), "#");
  EXPECT_EQ(village.at(9, 24, 1), "☻");
  EXPECT_EQ(village.at(8, 33, 1), " ") << "the map box is cleared";
}

TEST(GameStart, HallOfFameCellShowsTheRollAndMovesThePlayer) {
  auto res = run_program(game,
                         "until 17 2 15000 ALT + ENTER\n"
                         "key Enter\n"
                         "until 5 30 10000 ☺\n"
                         "key Up 2\nkey Right 8\n"                  // area 2 at (11, 23)
                         "until 11 23 10000 ☺\n"
                         "key Up 7\n"
                         "until 4 23 10000 ☺\n"
                         "key Right 14\n"                            // onto (4, 37)
                         "until 5 36 10000 ☺\n"
                         "text roll.txt\n"
                         "key Up\n"
                         "until 4 36 10000 ☺\n"
                         "key Right\n"                               // onto it again
                         "until 5 36 10000 ☺\n"
                         "text again.txt\n"
                         "close\n",
                         120);
  ASSERT_EQ(res.status, 0) << res.err;
  for (const char *file : {"/roll.txt", "/again.txt"}) {
    dump d(read_file(scratch_dir() + file));
    EXPECT_EQ(d.row(3).substr(0, 19), " \xEF\xBF\xBDHoly Zuded Gods") << file;
    EXPECT_EQ(d.at(5, 3, 7), "Dov Ade") << file;
    EXPECT_EQ(d.at(6, 3, 16), "Zivor Are Ruviru") << file;
    EXPECT_EQ(d.at(7, 3, 10), "Rez I. Viv") << file;
    EXPECT_NE(d.at(8, 3, 4), "    ") << file;
    EXPECT_NE(d.at(9, 3, 4), "    ") << file;
    EXPECT_EQ(d.at(4, 37, 1), " ") << file << ": the glyph on the cell is wiped";
  }
}

TEST(GameStart, EscInTheRoamingLoopEnds) {
  auto res = run_program(game,
                         "until 17 2 15000 ALT + ENTER\n"
                         "key Enter\n"
                         "until 22 3 10000 DAYLIGHT:\n"
                         "key Esc\n"
                         "until 25 1 10000 Press any key to continue\n"
                         "key Space\n",
                         60);
  EXPECT_EQ(res.status, 0) << res.err;
}

}  // namespace game_start_test
