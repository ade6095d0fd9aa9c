// The whole game played through, from the title to the ending's END: a driver that reads the
// screen between moves (through a FIFO script) and answers the dice, the recited haiku and the
// grading as a player would, over as many days and nights at the inn as the haiku take.
#include <gtest/gtest.h>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <set>
#include <string>
#include <vector>
#include "game_screen.h"
#include "program_runner.h"

namespace game_whole_test {

static const std::string game = std::string(KEL_BUILD_DIR) + "/kestravelle";

static const char *const recited_line1[5] = {"The small ship flies", "Two men in the street",
                                             "In and out, again, again", "From the sky they fall",
                                             "In a box hiding"};
// The perfect compositions, (first, second, third line) by haiku, and the remark on each.
static const int perfect[5][3] = {{1, 2, 3}, {2, 3, 5}, {3, 4, 2}, {4, 5, 1}, {5, 1, 4}};
static const char *const remark[5] = {"Reminds me of Darius!", "Reminds me of Streets of Fighter Rage!",
                                      "Reminds me of the Luigi Brothers!", "Reminds me of Soviet Russia!",
                                      "Reminds me of Snake's Revenge!"};

// The good compositions: graded 70..84, a longer score animation than the plain ones.
static const int good[32][3] = {
    {1, 2, 5}, {1, 2, 1}, {1, 5, 1}, {1, 1, 5}, {1, 1, 3}, {2, 5, 1}, {2, 3, 4}, {2, 4, 2},
    {2, 1, 2}, {2, 1, 5}, {2, 2, 4}, {2, 2, 1}, {2, 2, 5}, {2, 4, 1}, {3, 1, 4}, {3, 1, 2},
    {3, 3, 5}, {3, 3, 2}, {3, 1, 5}, {3, 4, 3}, {3, 5, 5}, {4, 4, 3}, {4, 2, 5}, {4, 4, 2},
    {4, 1, 3}, {4, 3, 1}, {4, 5, 5}, {5, 2, 2}, {5, 2, 1}, {5, 5, 3}, {5, 5, 4}, {5, 1, 5}};

// The player never lets the dice decide. A fight comes on one outdoor step in four and costs 2
// to 4 supplies; the game is lost when supplies run out. Near the village the player fights in
// short loops beside its entrance and starts a loop only with supplies for a fight on every step
// of it and of the way home, so no roll of the dice can end the game there. The day's walk to
// the tower and back (at most 57 outdoor steps) starts only with tower_ready supplies: losing
// 110 over 57 steps has a chance of 4.9e-9 (the sum's exact distribution). The only walk the
// player cannot choose is the first day's (about 33 outdoor steps on the 60 supplies the game
// gives): 3.7e-5 even if every one of them were outdoors.
static const int supplies_wanted = 150;   // what the store tops up to, money allowing
static const int tower_ready = 110;

static std::string keys(const std::string &moves) {
  std::string out;
  for (char m : moves) out += m == 'U' ? "key Up\n" : m == 'D' ? "key Down\n" : m == 'L' ? "key Left\n" : "key Right\n";
  return out;
}

// The player. Positions are tracked from the routes (all fixed); supplies, money, level and
// daylight are read from the screen at every decision.
class whole_game {
 public:
  explicit whole_game(program_session &s) : s(s) {}
  std::string failure;                 // empty while all goes as expected
  std::string trail;                   // what happened, for the failure message
  int days = 0, nights = 0, diamonds = 0;
  std::set<int> heard;
  bool earned[5] = {};
  std::vector<std::string> ending_screen;

  bool play() {
    if (!title()) return false;
    for (int day = 1; day <= 40 && failure.empty(); day++) {
      if (late()) return false;
      days = day;
      trail += "[" + std::to_string(seconds()) + " s] ";
      if (day > 1 && !(look() && shop_if_rich())) return false;
      if (day > 1 && hlth < tower_ready) {   // a day of fighting and shopping instead
        trail += "day " + std::to_string(days) + ": stays; ";
        if (!evening()) return false;
        continue;
      }
      if (day > 1 && !walk_to_tower()) return false;
      if (!visit()) return false;
      if (diamonds == 5) {
        bool ended = ending();
        trail += "the ending at " + std::to_string(seconds()) + " s";
        return ended;
      }
      if (!walk_to_village() || !evening()) return false;
    }
    return fail("no ending after " + std::to_string(days) + " days");
  }

 private:
  program_session &s;
  int hlth = 60, dlt = 160, mny = 0, lvl = 1, row = 5, col = 30;
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();

  int seconds() const {
    return (int)std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started).count();
  }
  // Only a guard against a hang: the game takes three to four minutes on a quiet machine.
  bool late() { return seconds() >= 900 && !fail("no ending within fifteen minutes"); }

  bool fail(const std::string &why) {
    if (failure.empty()) {
      failure = why + "\n";
      screen_cells now(s.screen(5000));
      for (auto &r : now.rows) {
        std::string l;
        for (auto &c : r) l += c;
        failure += l + "\n";
      }
    }
    return false;
  }
  bool send(const std::string &cmds) { return s.send(cmds) || fail("the game ended early"); }
  screen_cells screen() {
    screen_cells c(s.screen());
    if (c.empty()) fail("no screen dump");
    return c;
  }
  // Waits until some row shows the text; the game is given up to timeout_ms.
  bool await(const std::string &what, int timeout_ms = 30000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < deadline) {
      screen_cells c(s.screen());
      if (c.empty()) return fail("the game ended while waiting for \"" + what + "\"");
      if (c.shows(what)) return true;
    }
    return fail("\"" + what + "\" never showed");
  }

  // One straight walk on one screen, or into the next; waits for the glyph at its end (which
  // is never where it started, so an old glyph cannot answer).
  bool walk(const std::string &moves, int to_row, int to_col) {
    if (to_row == row && to_col == col) return fail("a route ends where it started");
    dlt -= (int)moves.size();
    row = to_row;
    col = to_col;
    return send(keys(moves) + "until " + std::to_string(row) + " " + std::to_string(col) +
                " 30000 \u263a\n");
  }

  // Supplies, daylight, money and level from the play screen (or a shop's status box).
  bool look() {
    // The glyph's pass prints the status after it, DAYLIGHT: last: after a CLS (the inn) waiting
    // for that label waits for the whole box. Otherwise the box shows the last pass's values:
    // the bars are drawn before the glyph, and money printed a pass late can only be lower
    // (fights pay outdoors, the shops print their own), which only makes the player careful.
    if (late() || !send("until 22 3 30000 DAYLIGHT:\n")) return false;
    // On a loaded machine the snapshot may catch the box while it is being drawn: it is read
    // again until it shows the expected daylight, for up to ten seconds.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    screen_cells c{std::vector<std::string>()};
    int h, d;
    for (;;) {
      std::string bmp = s.snapshot();
      c = screen();
      if (bmp.empty() || c.empty()) return fail("no snapshot");
      std::string pixels = read_file(bmp);
      h = bar_value(pixels, 35, 123);
      d = bar_value(pixels, 90, 170);
      mny = c.number(20, 5);
      lvl = c.number(18, 7);
      bool drawn = h >= 0 && d >= 0 && mny >= 0 && lvl >= 1;
      if ((drawn && d == dlt) || std::chrono::steady_clock::now() > deadline) break;
    }
    if (h < 0 || d < 0 || mny < 0 || lvl < 1) return fail("cannot read the status box");
    if (d != dlt) return fail("daylight " + std::to_string(d) + ", expected " + std::to_string(dlt));
    int shown = 0;
    for (int col = 14; col <= 18; col++) shown += c.text(18, col, 1) == "\u2666";
    if (shown != diamonds) return fail("the status box shows " + std::to_string(shown) + " diamonds");
    if (!heard.empty() && (c.text(20, 25, 10) != "Zuded Man:" || c.number(20, 35) != 1))
      return fail("the Zuded Man's average of scores of 1 is not 1");
    hlth = h;
    return true;
  }

  bool title() {
    return send("until 2 13 30000 Kestravelle\nkey Enter\nuntil 22 3 30000 DAYLIGHT:\n") &&
           walk("UU", 11, 30) && walk("RR", 11, 32) && enter_tower("UUUU");
  }

  bool enter_tower(const std::string &moves) {
    return walk(moves, 11, 30) && send("until 6 3 30000 Before you is\n") && walk("LL", 11, 28);
  }

  // Stepping onto the Zuded Man: the recitation (while there are haiku left), the score, the
  // composition once two haiku are known, and the grading.
  bool visit() {
    dlt -= 5;
    row = 11;
    col = 30;
    // The recitation's four pauses (SLEEP 1, 3, 4, 3), each ended by a key once it has begun;
    // the keys stay in the buffer, and Backspace does nothing at the INPUT that follows (where
    // `asleep` also returns, should a pause have passed before the script saw it).
    std::string cut_sleeps;
    for (int i = 0; i < 4; i++) cut_sleeps += "asleep 30000\nkey Backspace\n";
    if (heard.size() < 5) {
      if (!send(keys("UUUUU") + "until 2 2 30000 A new day, a new haiku.\n" + cut_sleeps +
                "until 15 2 30000 Score:\n"))
        return false;
      screen_cells c = screen();
      int k = -1;
      for (int i = 0; i < 5; i++)
        if (c.text(5, 2) == recited_line1[i]) k = i + 1;
      if (k < 0 || heard.count(k)) return fail("no new haiku recited");
      heard.insert(k);
      trail += "day " + std::to_string(days) + ": haiku " + std::to_string(k) + "; ";
      // A stern score keeps the Zuded Man's average, and so the plain gradings, low.
      if (!send("type 1\nkey Enter\nuntil 18 2 30000 I see, you are a stern student.\n"
                "until 20 2 30000 If you have\nkey Enter\n"))
        return false;
      if (heard.size() < 2) return send("until 6 3 30000 Before you is\n") && walk_check_tower();
    } else if (!send(keys("UUUUU"))) {
      return false;
    }
    return compose();
  }
  bool walk_check_tower() { return send("until 11 30 30000 \u263a\n"); }

  bool compose() {
    // A perfect composition not yet rewarded whose three haiku are known, else a harmless one.
    int pick[3] = {0, 0, 0}, which = -1;
    for (int k = 0; k < 5 && which < 0; k++)
      if (!earned[k] && heard.count(perfect[k][0]) && heard.count(perfect[k][1]) && heard.count(perfect[k][2]))
        which = k;
    if (which >= 0) {
      for (int i = 0; i < 3; i++) pick[i] = perfect[which][i];
    } else {
      // A plain one, neither perfect nor good nor a copy: its grading is the shortest.
      for (int a : heard)
        for (int b : heard)
          for (int c : heard) {
            bool known = a == b && b == c;
            for (auto &g : good) known |= g[0] == a && g[1] == b && g[2] == c;
            for (auto &g : perfect) known |= g[0] == a && g[1] == b && g[2] == c;
            if (!known && !pick[0]) pick[0] = a, pick[1] = b, pick[2] = c;
          }
      if (!pick[0]) return fail("no plain composition");
    }
    std::string cmds = "until 1 2 30000 Now, compose your own. ESC to reset.\n";
    int block = 1;
    for (int p : pick) {
      for (; block != p; block = block % 5 + 1) cmds += "key Down\n";
      cmds += "key Enter\n";
    }
    // The playback's three pauses (SLEEP 3 after each line's clip), each ended once begun.
    for (int i = 0; i < 3; i++) cmds += "asleep 30000\nkey Backspace\n";
    if (!send(cmds + "until 20 2 60000 Push enter\n")) return false;
    screen_cells c = screen();
    trail += "composed " + std::to_string(pick[0]) + std::to_string(pick[1]) + std::to_string(pick[2]);
    if (which >= 0) {
      if (c.text(2, 2) != "Ahh my student, that was astounding." || c.text(6, 2) != remark[which])
        return fail("a perfect composition was not praised");
      earned[which] = true;
      diamonds++;
      trail += " (diamond " + std::to_string(diamonds) + ")";
    } else if (c.text(2, 2) == "Ahh my student, that was astounding.") {
      return fail("a plain composition was praised");
    }
    trail += "; ";
    if (!send("key Enter\n")) return false;
    if (diamonds == 5) return true;
    return send("until 6 3 30000 Before you is\n") && walk_check_tower();
  }

  bool walk_to_tower() {
    return walk("UUUUUUUU", 7, 33) && walk("UUUU", 11, 33) && walk("LLLLLLLLLLL", 11, 37) &&
           walk("UUUU", 7, 37) && enter_tower("LLLLL");
  }

  bool walk_to_village() {
    return walk("D", 8, 32) && walk("RRRRRR", 8, 23) && walk("DDDD", 4, 23) && walk("DDDD", 8, 23) &&
           walk("RRRRRRRRRR", 11, 31) && send("until 3 3 30000 Left Ryokan\n");
  }

  // The store, from the village entrance: buy with all the money the night does not need.
  bool shop_if_rich(int keep = 0) {
    int units = std::min((mny - keep) / 3, supplies_wanted - hlth);
    if (units < 3) return true;
    if (!walk("UUUU", 7, 31)) return false;
    dlt -= 4;
    std::string cmds = keys("RRRR") + "until 6 4 30000 Buy supplies\n";
    for (int i = 0; i < units; i++) cmds += "key Enter\n";
    cmds += "key Up\nuntil 10 2 30000 >\nkey Enter\nuntil 3 3 30000 Left Ryokan\nuntil 11 31 30000 \u263a\n";
    row = 11;
    col = 31;
    trail += "bought " + std::to_string(units) + "; ";
    return send(cmds) && look();
  }

  // Spends the day's daylight, fighting outdoors while money is short, else in the village,
  // shopping on the way, then sleeps at the inn with less than 20 left.
  bool evening() {
    bool shopped = false;
    for (;;) {
      if (!look()) return false;
      int spare = dlt - 21;                // the inn is 11 steps away; arrive with about 10
      if (spare <= 9 && spare >= -9) break;
      int want = std::max(0, supplies_wanted - hlth);
      bool short_of_money = mny < 30 + 3 * want;
      if (!shopped && spare >= 8 && want >= 3 && mny - 30 >= 9) {
        if (!shop_if_rich(30)) return false;
        shopped = true;
        continue;
      }
      if (short_of_money && spare >= 14 && hlth > 4 * 3) {
        // Out through the village's left side (its steps roll no fights) to the square beside
        // it, then loops away from it and back, each started only when a fight on every step
        // of the loop and of the step home leaves supplies.
        if (!walk("LLLLLLLLL", 8, 32)) return false;
        spare -= 10;
        for (;;) {
          if (!look()) return false;
          if (mny >= 30 + 3 * std::max(0, supplies_wanted - hlth)) break;
          int len = 4;
          while (len > 1 && (4 * (2 * len + 1) >= hlth || 2 * len > spare - 2)) len /= 2;
          if (4 * (2 * len + 1) >= hlth || 2 * len > spare - 2) break;
          if (!walk(std::string(len, 'L'), 8, 32 - len) || !walk(std::string(len, 'R'), 8, 32)) return false;
          spare -= 2 * len;
        }
        if (!walk("R", 11, 31)) return false;
        shopped = false;
        continue;
      }
    // The rest in the village, back and forth on its bottom row.
      std::string burn;
      for (int m = 0; m < (spare - 2) / 2; m++) burn += "RL";
      if (!walk(burn + "L", 11, 30) || !walk("R", 11, 31)) return false;
    }
    if (!walk("UUUUUUU", 4, 31)) return false;
    dlt -= 4;
    if (!send(keys("LLLL") + "until 8 4 30000 Stay the night (cheap:\nkey Down\nuntil 8 2 30000 >\nkey Enter\n"
              "until 3 3 30000 Left Ryokan\nuntil 11 31 30000 \u263a\n"))
      return false;
    row = 11;
    col = 31;
    dlt = 209;
    nights++;
    trail += "night " + std::to_string(nights) + "; ";
    return look();
  }

  bool ending() {
    // Its pauses (one before the question, two around the listing) are ended with a key each.
    if (!await("You've earned all five haiku diamonds.") || !send("asleep 30000\nkey Backspace\n") ||
        !await("Your answer?"))
      return false;
    if (!send("type no\nkey Enter\n") || !await("Really?") ||
        !send("type yes\nkey Enter\nasleep 30000\nkey Backspace\nasleep 30000\nkey Backspace\n"))
      return false;
    if (!await("Deleting C:\\WINDOWS", 120000)) return false;
    if (!send("until 20 59 30000 \u2592\n")) return false;   // the bar's last cell: rows 19-20 are final
    ending_screen = s.screen();
    if (!send("key Enter\nkey Enter\nkey Enter\nkey Enter\n") || !await("Press any key to continue")) return false;
    return send("key x\n");
  }
};

TEST(GameWhole, PlaysFromTheTitleToTheEndingsEnd) {
  program_session s(game);
  ASSERT_TRUE(s.started());
  whole_game g(s);
  bool won = g.play();
  program_result res = s.finish(won ? 30 : 1);
  ASSERT_TRUE(won) << g.failure << "\n" << g.trail << "\n" << res.err;
  EXPECT_EQ(res.status, 0) << res.err;
  EXPECT_EQ(g.diamonds, 5);
  EXPECT_GE(g.nights, 4);
  EXPECT_GE(g.days, 5);
  screen_cells end(g.ending_screen);
  EXPECT_EQ(end.text(19, 2), "Deleting C:\\WINDOWS");
  std::string bar;
  for (int i = 0; i < 59; i++) bar += "\u2592";
  EXPECT_EQ(end.text(20, 1), bar);
  std::cout << "[          ] " << g.days << " days, " << g.nights << " nights: " << g.trail << "\n";
}

}  // namespace game_whole_test
