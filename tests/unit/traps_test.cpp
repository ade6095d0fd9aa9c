// Event traps: the trap numbers of each source, ON / OFF / STOP and the events they keep,
// handlers run from events() one at a time, and traps raised at a due time.
#include <gtest/gtest.h>
#include <algorithm>
#include <vector>
#include "test_support.h"

namespace traps_test {

namespace {

std::vector<uint32_t> ran;               // handler ids in the order they ran
int raise_inside = 0;                    // a trap the handler raises while it runs, once

void record(uint32_t id, int64_t) {
  ran.push_back(id);
  if (raise_inside && id == 4) {
    int t = raise_inside;
    raise_inside = 0;
    trap_raise(t);
    events();                            // a statement inside the handler: not entered again
  }
}

class Traps : public ::testing::Test {
 protected:
  void SetUp() override {
    kel_test_reset();
    traps_reset();
    ran.clear();
    raise_inside = 0;
    saved = evnt_trap_handler;
    evnt_trap_handler = record;
  }
  void TearDown() override {
    evnt_trap_handler = saved;
    traps_reset();
    new_error = 0;
    kelevent = 0;
  }
  void (*saved)(uint32_t, int64_t) = nullptr;
};

TEST_F(Traps, NumbersOfEachSourceAndTheOnesRefused) {
  struct { int source, n, trap; } ok[] = {
      {1, 1, 1}, {1, 14, 14}, {1, 25, 25}, {1, 30, 30}, {1, 31, 31}, {3, 0, trap_strig},
      {3, 6, trap_strig + 3}, {4, 0, trap_pen}, {5, 1, trap_com + 1}, {5, 2, trap_com + 2},
      {6, 0, trap_uevent}};
  std::vector<int> seen;
  for (auto &c : ok) {
    int t = trap_number(c.source, c.n);
    EXPECT_EQ(t, c.trap) << c.source << " " << c.n;
    seen.push_back(t);
  }
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());   // no two share a trap
  EXPECT_EQ(new_error, 0);
  struct { int source, n; } bad[] = {{1, 0}, {1, 26}, {1, 29}, {1, 32}, {3, 1}, {3, 8}, {5, 0}, {5, 3}, {2, 1}};
  for (auto &c : bad) {
    new_error = 0;
    EXPECT_EQ(trap_number(c.source, c.n), -1) << c.source << " " << c.n;
    EXPECT_EQ(new_error, 5) << c.source << " " << c.n;
  }
}

TEST_F(Traps, OffPassesStopRemembersOnceAndOffForgets) {
  trap_setup(3, 7);
  EXPECT_FALSE(trap_raise(3));           // off: the event goes its ordinary way
  trap_switch(3, 3);                     // STOP
  EXPECT_TRUE(trap_raise(3));
  EXPECT_TRUE(trap_raise(3));
  EXPECT_EQ(kelevent.load(), 0);         // nothing to run while stopped
  events();
  EXPECT_TRUE(ran.empty());
  trap_switch(3, 1);                     // ON: the remembered event, once
  EXPECT_EQ(kelevent.load(), 1);
  events();
  events();
  EXPECT_EQ(ran, std::vector<uint32_t>{7});
  trap_switch(3, 3);
  trap_raise(3);
  trap_switch(3, 2);                     // OFF forgets it
  trap_switch(3, 1);
  events();
  EXPECT_EQ(ran.size(), 1u);
  trap_setup(3, 0);                      // no handler: the trap takes nothing
  EXPECT_FALSE(trap_raise(3));
}

TEST_F(Traps, HandlerIsNotEnteredAgainWhileItRunsAndRunsOnceAfter) {
  trap_setup(11, 4);
  trap_setup(2, 9);
  trap_switch(11, 1);
  trap_switch(2, 1);
  raise_inside = 11;
  trap_raise(11);
  trap_raise(2);
  kelevent = 0;
  events();                              // trap order: 2, then 11 (which raises itself inside)
  EXPECT_EQ(ran, (std::vector<uint32_t>{9, 4}));
  EXPECT_EQ(kelevent.load(), 1);         // the event that came during the handler waits
  events();
  EXPECT_EQ(ran, (std::vector<uint32_t>{9, 4, 4}));
  events();
  EXPECT_EQ(ran.size(), 3u);
}

TEST_F(Traps, DueTimesRaiseTheirTrapOnceWhenReached) {
  trap_setup(trap_play, 5);
  trap_switch(trap_play, 1);
  evnt_traps[trap_play].due = 10.0;
  trap_scan_due(9.99);
  EXPECT_EQ(evnt_traps[trap_play].pending.load(), 0);
  trap_scan_due(10.0);
  EXPECT_EQ(evnt_traps[trap_play].pending.load(), 1);
  EXPECT_EQ(evnt_traps[trap_play].due.load(), 0.0);
  events();
  trap_scan_due(11.0);
  events();
  EXPECT_EQ(ran, std::vector<uint32_t>{5});
  new_error = 0;
  trap_switch(0, 1);                     // trap 0 is no trap
  EXPECT_EQ(new_error, 5);
}

}  // namespace

}  // namespace traps_test
