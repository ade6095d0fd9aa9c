// The game's Zuded Man over two days: recitations, the score prompt, the bump refusal, a night
// at the inn, and the compose grid with its refusal of copied haiku. One game, driven through a
// FIFO script that waits for what each key causes and reads supplies, money and daylight from
// the screen before every choice; the screens it keeps are checked afterwards.
#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>
#include "game_screen.h"
#include "program_runner.h"

namespace game_zuded_test {

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

// A dump as rows 1..25 (index 0 unused), trailing blanks removed.
typedef std::vector<std::string> rows_t;
static rows_t rows_of(const std::vector<std::string> &dump) {
  rows_t rows(1);
  for (const std::string &l : dump) rows.push_back(rtrim(l));
  rows.resize(26);
  return rows;
}

// Which haiku (0..4) a recitation screen shows on rows 5, 7 and 9 at column 2, or -1.
static int recited_haiku(const rows_t &s) {
  for (int k = 0; k < 5; k++)
    if (s[5] == " " + rtrim(recited[k][0]) && s[7] == std::string(" ") + recited[k][1] &&
        s[9] == std::string(" ") + recited[k][2])
      return k;
  return -1;
}

static std::string keys(const std::string &moves) {
  std::string out;
  for (char m : moves) out += m == 'U' ? "key Up\n" : m == 'D' ? "key Down\n" : m == 'L' ? "key Left\n" : "key Right\n";
  return out;
}

// The dice: outdoors a step brings a fight one time in four, costing 2 to 4 supplies and paying
// at least 8; the game is lost when supplies run out. The player never gives them a say where it
// has a choice. Fights near the village come only in loops beside its entrance, each started
// with supplies for a fight on every step of it and of the step home. The second day's walk to
// the tower (24 outdoor steps) starts only with walk_supplies: losing 60 or more on it has a
// chance of 4.6e-8 (the sum's exact distribution). The one walk no player can choose is the
// first day's: 8 outdoor steps to the tower (at most 32 of the 60 supplies the game gives) and
// 24 back to the village, 2.1e-5 in all.
static const int walk_supplies = 60;

// The player. Positions follow from the routes (all fixed); supplies, daylight and money come
// from the screen.
class zuded_player {
 public:
  explicit zuded_player(program_session &s) : s(s) {}
  std::string failure, trail;
  std::map<std::string, rows_t> dumps;   // the screens the checks read
  int nights = 0;

  bool play() {
    if (!first_visit() || !walk_to_village()) return false;
    bool slept = false;
    for (int day = 1; day <= 6; day++) {
      if (!village_day(!slept)) return false;
      if (!slept) {                      // the evening of the first day ends at the inn
        slept = true;
        continue;
      }
      if (hlth >= walk_supplies && dlt >= 40) return walk_to_tower() && second_visit() && compose();
    }
    return fail("not ready for the tower after " + std::to_string(nights) + " nights");
  }

 private:
  program_session &s;
  int row = 5, col = 30, hlth = 60, dlt = 160, mny = 0;

  bool fail(const std::string &why) {
    if (failure.empty()) {
      failure = why + "\nthe screen:\n";
      for (const std::string &l : s.screen(5000)) failure += l + "\n";
    }
    return false;
  }
  bool send(const std::string &cmds) { return s.send(cmds) || fail("the game ended early"); }
  bool keep(const std::string &name) {
    std::vector<std::string> dump = s.screen();
    if (dump.empty()) return fail("no screen dump for " + name);
    dumps[name] = rows_of(dump);
    return true;
  }
  // Dumps the screen until pred holds; the game is given up to timeout_ms.
  bool await(const std::function<bool(const screen_cells &)> &pred, const std::string &what, int timeout_ms = 30000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < deadline) {
      screen_cells c(s.screen());
      if (c.empty()) return fail("the game ended while waiting for " + what);
      if (pred(c)) return true;
    }
    return fail(what + " never showed");
  }

  // One straight walk; waits for the glyph at its end (never where it started, so an old
  // glyph cannot answer). The bars are drawn before the glyph in the same pass.
  bool walk(const std::string &moves, int to_row, int to_col) {
    if (to_row == row && to_col == col) return fail("a route ends where it started");
    row = to_row;
    col = to_col;
    return send(keys(moves) + "until " + std::to_string(row) + " " + std::to_string(col) + " 30000 \u263a\n");
  }
  bool bars() {
    std::string bmp = s.snapshot();
    if (bmp.empty()) return fail("no snapshot");
    std::string pixels = read_file(bmp);
    hlth = bar_value(pixels, 35, 123);
    dlt = bar_value(pixels, 90, 170);
    return (hlth >= 0 && dlt >= 0) || fail("cannot read the bars");
  }
  // At the village entrance: the money is printed after the glyph, so one step away and back
  // lets a whole pass print it, and village steps bring no fights to change it.
  bool status() {
    if (!walk("L", 11, 30) || !walk("R", 11, 31) || !bars()) return false;
    mny = screen_cells(s.screen()).number(20, 5);
    trail += "[" + std::to_string(hlth) + " " + std::to_string(mny) + " " + std::to_string(dlt) + "] ";
    return mny >= 0 || fail("cannot read the money");
  }

  // The recitation, its pauses cut short by a key once each line shows (a key left over does
  // nothing at the score prompt), up to the score prompt; kept as `name`.
  bool recitation(const std::string &name) {
    if (!send(keys("UUUUU") + "until 2 2 30000 A new day, a new haiku.\nkey Backspace\n")) return false;
    int k = -1;
    auto first_line = [&](const screen_cells &c) {
      for (int i = 0; i < 5; i++)
        if (c.text(5, 2) == recited[i][0]) k = i;
      return k >= 0;
    };
    if (!await(first_line, "a haiku's first line")) return false;
    trail += "haiku " + std::to_string(k + 1) + "; ";
    return send(std::string("key Backspace\nuntil 7 2 30000 ") + recited[k][1] + "\nkey Backspace\nuntil 9 2 30000 " +
                recited[k][2] + "\nkey Backspace\nuntil 15 2 30000 Score:\n") &&
           keep(name);
  }

  bool first_visit() {
    if (!send("until 2 13 30000 Kestravelle\nkey Enter\nuntil 22 3 30000 DAYLIGHT:\n")) return false;
    // Area 3 up into area 1, then onto the tower glyph: 8 steps; in the tower to below him.
    if (!walk("UU", 11, 30) || !walk("RR", 11, 32) || !walk("UUUU", 11, 30) ||
        !send("until 6 3 30000 Before you is\n") || !walk("LL", 11, 28) || !recitation("day1"))
      return false;
    // 0 is asked again: the prompt comes back with the cursor over the 0 typed before.
    if (!send("type 0\nuntil 15 8 30000 0\nkey Enter\n") ||
        !await([](const screen_cells &c) { return c.text(15, 2, 6) == "Score:" && c.text(15, 8, 1) != "0"; },
               "the score prompt again") ||
        !keep("zero"))
      return false;
    if (!send("type 150\nkey Enter\nuntil 18 2 30000 You are too kind!\n"
              "until 21 2 30000 poems you can compose your own...\n") ||
        !keep("kind"))
      return false;
    // One haiku heard is too few to compose: back in the tower, the average in the status box.
    row = 11;
    col = 30;
    if (!send("key Enter\nuntil 6 3 30000 Before you is\nuntil 11 30 30000 \u263a\nuntil 20 36 30000 100\n") ||
        !keep("back"))
      return false;
    // Into him again from below: refused; the player stays at (7,28).
    return walk("LL", 11, 28) && walk("UUUU", 7, 28) && send("key Up\nuntil 11 3 30000 spoken today.\n") &&
           keep("refused");
  }

  // Out of the tower, through area 2 to the village in area 4: 24 outdoor steps.
  bool walk_to_village() {
    return walk("DDDDD", 8, 32) && walk("RRRRRR", 8, 23) && walk("DDDD", 4, 23) && walk("DDDD", 8, 23) &&
           walk("RRRRRRRRRR", 11, 31) && send("until 3 3 30000 Left Ryokan\n");
  }

  // The store from the village entrance (8 steps): sell or buy, then leave. The cursor reaching
  // "Leave store" is drawn after the money and the bars of that pass, so they are read there.
  bool store(int buy, int sell) {
    if (!walk("UUUU", 7, 31)) return false;
    std::string cmds = "key Right 4\nuntil 6 4 30000 Buy supplies\nuntil 6 2 30000 >\n";
    if (buy > 0) cmds += "key Enter " + std::to_string(buy) + "\nkey Up\n";
    if (sell > 0) cmds += "key Down\nuntil 8 2 30000 >\nkey Enter " + std::to_string(sell) + "\nkey Down\n";
    if (!send(cmds + "until 10 2 30000 >\n") || !bars()) return false;
    int before = mny;
    mny = screen_cells(s.screen()).number(20, 5);
    if (buy > 0 && mny != before - 3 * buy) return fail("bought " + std::to_string(buy) + " for " + std::to_string(before - mny));
    if (sell > 0 && mny != before + sell) return fail("sold " + std::to_string(sell) + " for " + std::to_string(mny - before));
    trail += buy ? "bought " + std::to_string(buy) + "; " : "sold " + std::to_string(sell) + "; ";
    row = 11;
    col = 31;
    return send("key Enter\nuntil 3 3 30000 Left Ryokan\nuntil 11 31 30000 \u263a\n");
  }

  // Out through the village's left side (its steps roll no fights) to the square beside it,
  // loops away and back while the daylight budget allows, each started only when a fight on
  // every step of it and of the step home leaves supplies; then home.
  bool outing(int budget) {
    if (!walk("LLLLLLLLL", 8, 32)) return false;
    for (int steps = 0; steps < 24;) {
      if (!bars()) return false;
      int len = 4;
      while (len > 1 && (4 * (2 * len + 1) >= hlth || 2 * len > budget - steps)) len /= 2;
      if (4 * (2 * len + 1) >= hlth || 2 * len > budget - steps) break;
      if (!walk(std::string(len, 'L'), 8, 32 - len) || !walk(std::string(len, 'R'), 8, 32)) return false;
      steps += 2 * len;
    }
    trail += "fought; ";
    return walk("R", 11, 31) && send("until 3 3 30000 Left Ryokan\n");
  }

  // A day (or what is left of it) from the village entrance. Money for the night comes first
  // (the first day: fewer than 30 yen means at most three fights, so at least 48 supplies, and
  // selling the rest is safe); then fights and the store towards walk_supplies. Unless this is
  // the first evening, the player leaves for the tower as soon as supplies and daylight allow;
  // otherwise the night at the inn ends the day.
  bool village_day(bool first_evening) {
    for (int guard = 0; guard < 60; guard++) {
      if (dlt < 18) break;
      if (!status()) return false;
      int want = std::max(0, walk_supplies - hlth);
      if (!first_evening && want == 0 && dlt >= 40) return true;
      int room = dlt - 16;             // daylight for errands: the inn needs 13 and one to spare
      if (mny < 30) {
        if (room < 8 || hlth - (30 - mny) < 1) return fail("no money for the night");
        if (!store(0, 30 - mny)) return false;
        continue;
      }
      if (!first_evening && want > 0 && mny / 3 >= want && dlt - 10 >= 40) {
        if (!store(want, 0)) return false;
        continue;
      }
      int spare_units = std::min((mny - 30) / 3, want);
      if (spare_units >= 3 && room >= 8) {
        if (!store(spare_units, 0)) return false;
        continue;
      }
      if (want > 0 && hlth > 4 * 3 && room >= 10 + 2) {
        if (!outing(room - 10)) return false;
        continue;
      }
      break;
    }
    return sleep();
  }

  // Back and forth on the village's bottom row until the inn (11 steps away) is reached with
  // fewer than 20 daylight left, then the cheap night.
  bool sleep() {
    if (!bars()) return false;
    if (dlt < 14) return fail("too little daylight left for the inn");
    std::string burn;
    for (int d = dlt - 13; d > 19; d -= 2) burn += "RL";
    if (!walk(burn + "L", 11, 30) || !walk("R", 11, 31) || !walk("UUUUUUU", 4, 31)) return false;
    row = 11;
    col = 31;
    if (!send("key Left 4\nuntil 8 4 30000 Stay the night (cheap:\nkey Down\nuntil 8 2 30000 >\nkey Enter\n"
              "until 3 3 30000 Left Ryokan\nuntil 11 31 30000 \u263a\n") ||
        !bars())
      return false;
    nights++;
    trail += "night " + std::to_string(nights) + "; ";
    return dlt == 209 || fail("daylight " + std::to_string(dlt) + " after the night");
  }

  // The village's top edge into area 4, up into area 2, left into area 1, to the tower: 24
  // outdoor steps; in the tower to below him.
  bool walk_to_tower() {
    return walk("UUUUUUUU", 7, 33) && walk("UUUU", 11, 33) && walk("LLLLLLLLLLL", 11, 37) && walk("UUUU", 7, 37) &&
           walk("LLLLL", 11, 30) && send("until 6 3 30000 Before you is\n") && walk("LL", 11, 28);
  }

  bool second_visit() {
    return recitation("day2") &&
           send("type 79\nkey Enter\nuntil 18 2 30000 I see, you are a stern student.\n"
                "until 21 2 30000 poems you can compose your own...\nkey Enter\n"
                "until 1 2 30000 Now, compose your own. ESC to reset.\nuntil 3 1 30000 >\n") &&
           keep("grid");
  }

  // Up from the first block wraps to the last; back down again. Then three Enters in each
  // block: a heard haiku is picked thrice and refused as a copy, which restarts the screen; an
  // unheard block picks nothing. Esc puts the cursor back on block 1 first.
  bool compose() {
    if (!send("key Up\nuntil 21 1 30000 >\n") || !keep("wrap") || !send("key Down\nuntil 3 1 30000 >\n")) return false;
    const rows_t &g = dumps["grid"];
    bool heard[5];
    for (int k = 0; k < 5; k++) heard[k] = g[block_row[k]].size() > 2;
    // The restarted screen: the cursor, drawn last, back at (3,1) on an unmarked first row.
    std::string fresh_row3 = heard[0] ? ">" + rtrim(grid[0][0]) : ">";
    for (int b = 0; b < 5; b++) {
      std::string r = std::to_string(block_row[b]), name = "pick" + std::to_string(b + 1);
      std::string cmds = "key Esc\nuntil 3 1 30000 >\n";
      for (int i = 0; i < b; i++) cmds += "key Down\n";
      cmds += "until " + r + " 1 30000 >\n";
      if (heard[b]) {
        cmds += "key Enter\nuntil " + r + " 13 30000 >\nkey Enter\nuntil " + r + " 29 30000 >\nkey Enter\n"
                "until 3 1 30000 " + fresh_row3 + "\n";
      } else {
        // Nothing to see from the Enters themselves: a step up and back, answered after them,
        // shows they were read, and leaves the screen as they did.
        std::string prev = std::to_string(block_row[(b + 4) % 5]);
        cmds += "key Enter 3\nkey Up\nuntil " + prev + " 1 30000 >\nkey Down\nuntil " + r + " 1 30000 >\n";
      }
      if (!send(cmds) || !keep(name)) return false;
    }
    return send("close\n");
  }
};

TEST(GameZuded, TwoDaysOfRecitationsScoresAndComposing) {
  program_session s(game);
  ASSERT_TRUE(s.started());
  zuded_player p(s);
  bool played = p.play();
  program_result res = s.finish(played ? 30 : 1);
  ASSERT_TRUE(played) << p.failure << "\n" << p.trail << "\n" << res.err;
  EXPECT_EQ(res.status, 0) << res.err;
  auto dump = [&](const std::string &name) { return p.dumps[name]; };

  {
    SCOPED_TRACE("the first visit recites a haiku and asks for a score");
    auto s1 = dump("day1");
    EXPECT_EQ(s1[2], " A new day, a new haiku.");
    EXPECT_NE(recited_haiku(s1), -1) << s1[5] << "|" << s1[7] << "|" << s1[9];
    EXPECT_EQ(s1[12], " What would you score that, out of 100?");
    EXPECT_EQ(s1[13], " Be honest now.");
    EXPECT_EQ(s1[15].substr(0, 7), " Score:");
  }
  {
    SCOPED_TRACE("score 0 is asked again and above 100 counts as 100");
    auto zero = dump("zero");
    EXPECT_EQ(zero[15].substr(0, 7), " Score:");
    EXPECT_EQ(zero[18], "");  // no verdict yet
    auto kind = dump("kind");
    EXPECT_EQ(kind[15], " Score:150");
    EXPECT_EQ(kind[18], " You are too kind!");
    EXPECT_EQ(kind[20], " If you have heard two or more of my");
    EXPECT_EQ(kind[21].substr(0, 34), " poems you can compose your own...");
    // One haiku heard is too few to compose: straight back to the tower, the average shown.
    auto back = dump("back");
    EXPECT_NE(back[20].find("Zuded Man: 100"), std::string::npos) << back[20];
    EXPECT_NE(back[6].find("Before you is"), std::string::npos);
  }
  {
    SCOPED_TRACE("stepping into him again the same day is refused");
    auto r = dump("refused");
    const char *lines[3] = {"Zuded Man: `We", "have already", "spoken today.`"};
    for (int i = 0; i < 3; i++) EXPECT_NE(r[9 + i].find(lines[i]), std::string::npos) << r[9 + i];
  }
  int k1 = recited_haiku(dump("day1")), k2 = recited_haiku(dump("day2"));
  std::set<int> heard = {k1, k2};
  {
    SCOPED_TRACE("the second day recites another haiku and takes a stern score");
    EXPECT_NE(k2, -1);
    EXPECT_NE(k1, k2);
    auto s2 = dump("day2");
    EXPECT_EQ(s2[2], " A new day, a new haiku.");
    EXPECT_EQ(s2[12], " What would you score that, out of 100?");
  }
  ASSERT_EQ(heard.size(), 2u);
  ASSERT_FALSE(heard.count(-1));
  {
    SCOPED_TRACE("the compose grid shows only the heard haiku");
    auto g = dump("grid");
    EXPECT_EQ(g[1], " Now, compose your own. ESC to reset.");
    EXPECT_EQ(g[3].substr(0, 1), ">");  // the cursor starts on block 1, column 1
    for (int k = 0; k < 5; k++)
      for (size_t r = 0; r < grid[k].size(); r++) {
        std::string shown = g[block_row[k] + r];
        if (block_row[k] + r == 3) shown = shown.empty() ? shown : " " + shown.substr(1);  // the cursor
        EXPECT_EQ(shown, heard.count(k) ? rtrim(" " + grid[k][r]) : std::string(r == 0 && k == 0 ? " " : ""))
            << "haiku " << k + 1 << " row " << block_row[k] + r;
      }
    auto w = dump("wrap");
    EXPECT_EQ(w[21].substr(0, 1), ">");
    EXPECT_NE(w[3].substr(0, 1), ">");
  }
  {
    SCOPED_TRACE("Enter picks only heard blocks and a copied haiku is refused");
    auto fresh = dump("grid");
    for (int b = 0; b < 5; b++) {
      auto pick = dump("pick" + std::to_string(b + 1));
      ASSERT_EQ(pick[1], " Now, compose your own. ESC to reset.") << "block " << b + 1;
      if (heard.count(b)) {
        // Three picks from one haiku: refused without a word, the screen started afresh.
        EXPECT_EQ(pick, fresh) << "block " << b + 1;
      } else {
        // Nothing picked: the cursor still stands in the first column of that block.
        EXPECT_EQ(pick[block_row[b]], ">") << "block " << b + 1;
        if (b) {
          EXPECT_NE(pick[3].substr(0, 1), ">");
        }
        for (int k : heard) EXPECT_EQ(pick[block_row[k]], " " + rtrim(grid[k][0])) << "block " << b + 1;
      }
    }
  }
  std::cout << "[          ] " << p.nights << " nights: " << p.trail << "\n";
}

}  // namespace game_zuded_test
