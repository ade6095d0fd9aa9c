// PLAY(n) and ON PLAY(n): the background notes counted against the clock, and the moment the
// count drops below n handed to the timer thread as the PLAY trap's due time.
#include <gtest/gtest.h>
#include <SDL/SDL.h>
#include "test_support.h"
#include "play_render.h"

namespace playq_test {

namespace {

double ticks() { return SDL_GetTicks() * 0.001; }

// Notes a hundred seconds apart: the test's own pace cannot change what it counts.
TEST(PlayQueue, CountsNotesLeftAndArmsOnPlayWhereTheCountDropsBelowN) {
  kel_test_reset();
  traps_reset();
  playq_reset();
  double t0 = ticks();
  playq_add({100, 200, 300, 400}, 400, 0);
  double t1 = ticks();
  EXPECT_EQ(func_play(0), 4);
  sub_on_play(3, 9);                        // below 3 once the second note has ended
  double due = evnt_traps[trap_play].due.load();
  EXPECT_GE(due, t0 + 200);
  EXPECT_LE(due, t1 + 200);
  playq_add({50}, 50, 1);                   // foreground music: later start, no notes counted
  playq_add({10}, 10, 0);                   // one more note, after both
  EXPECT_EQ(func_play(0), 5);
  due = evnt_traps[trap_play].due.load();   // now when the third note ends
  EXPECT_GE(due, t0 + 300);
  EXPECT_LE(due, t1 + 300);
  EXPECT_EQ(playq_count(t1 + 250), 3);
  EXPECT_EQ(playq_count(t1 + 470), 0);      // the last note ended at start + 460
  sub_on_play(0, 9);
  EXPECT_EQ(new_error, 5);
  new_error = 0;
  sub_on_play(33, 9);
  EXPECT_EQ(new_error, 5);
  new_error = 0;
  playq_add({100, 200}, 200, 0);
  sub_on_play(2, 9);
  EXPECT_GT(evnt_traps[trap_play].due.load(), 0.0);
  sub_on_play(2, 0);                        // ON PLAY(n) GOSUB 0: nothing is armed
  EXPECT_EQ(evnt_traps[trap_play].due.load(), 0.0);
  playq_reset();
  EXPECT_EQ(func_play(0), 0);
  traps_reset();
}

}  // namespace

}  // namespace playq_test
