// Errors, the unhandled-error box, GOSUB return points, the static area and CLEAR.
#include <gtest/gtest.h>
#include "test_support.h"
#include "platform.h"

namespace events_test {

TEST(Events, FirstErrorOfAStatementWins) {
  kel_test_reset();
  error(6);
  error(9);
  EXPECT_EQ(new_error, 6);
  EXPECT_EQ(kelevent.load(), 1);
  evnt(10);
  ASSERT_EQ(test_boxes.size(), 1u);
  EXPECT_EQ(test_boxes[0].caption, "Unhandled Error #6");
  EXPECT_EQ(new_error, 0);
  EXPECT_EQ(kelevent.load(), 0);
  EXPECT_EQ(evnt_repeat, 0);
}

TEST(Events, BoxTextsForEachKindOfNumber) {
  struct { int raised; int shown; const char *text; } cases[] = {
    {5, 5, "Illegal function call"}, {0, 5, "Illegal function call"}, {-3, 5, "Illegal function call"},
    {15, 15, "Unprintable error"}, {258, 258, "Invalid handle"}, {76, 76, "Path not found"},
    {3, 3, "RETURN without GOSUB"}, {100, 100, "Unprintable error"},
  };
  for (auto &c : cases) {
    kel_test_reset();
    error(c.raised);
    evnt(42);
    ASSERT_EQ(test_boxes.size(), 1u);
    EXPECT_EQ(test_boxes[0].caption, "Unhandled Error #" + std::to_string(c.shown));
    EXPECT_EQ(test_boxes[0].text, std::string("Line:42\n") + c.text + "\nContinue?");
    EXPECT_EQ(test_boxes[0].kind, msgbox_kind::yesno);
  }
}

// Without the game thread (one thread drives the runtime here) the answer No ends the
// process itself; the program tests check the threaded way, through the main thread.
TEST(Events, NoAnswerEndsTheProgramWithStatusZero) {
  kel_test_reset();
  auto answer = platform_msgbox_hook;
  platform_msgbox_hook = [](const char *, const char *, msgbox_kind) { return 0; };
  error(5);
  EXPECT_EXIT(evnt(7), ::testing::ExitedWithCode(0), "");
  // A stop while the box waits (the answer -1) ends the thread without a status of its own.
  platform_msgbox_hook = [](const char *, const char *, msgbox_kind) {
    stop_program = 1;
    return -1;
  };
  error(5);
  EXPECT_THROW(evnt(8), kel_thread_end);
  EXPECT_EQ(close_program.load(), 0);
  platform_msgbox_hook = answer;
  stop_program = 0;
  new_error = 0;
}

TEST(Events, RetryAsksForTheStatementAgain) {
  kel_test_reset();
  error(5);
  error_retry = 1;
  evnt(3);
  EXPECT_EQ(evnt_repeat, 1);
  EXPECT_EQ(error_retry, 0);
}

TEST(Events, CriticalErrorsShowOkBoxAndExitZero) {
  struct { int n; const char *caption; const char *text; } cases[] = {
    {256, "Critical Error", "Out of stack space"},
    {257, "Critical Error #1", "Out of memory"},
    {512, "Critical Error #12", "Out of memory"},
  };
  for (auto &c : cases) {
    platform_msgbox_hook = nullptr;       // the box text goes to standard error
    EXPECT_EXIT(error(c.n), ::testing::ExitedWithCode(0),
                std::string(c.caption) + "\n" + c.text);
    kel_test_boot();
  }
}

TEST(Events, GosubStackGrowsPastItsFirstSize) {
  kel_test_reset();
  next_return_point = 0;
  for (uint32_t i = 1; i <= 16384; i++) gosub_push(i);
  EXPECT_EQ(return_points, 32768);
  EXPECT_EQ(new_error, 0);
  for (uint32_t i = 16384; i >= 1; i--) ASSERT_EQ(return_pop(), (int64_t)i);
  EXPECT_EQ(return_pop(), -1);            // RETURN without GOSUB
  EXPECT_EQ(new_error, 3);
  new_error = 0;
  event_return = 1;                       // inside an event handler it returns from the routine
  EXPECT_EQ(return_pop(), 0);
  EXPECT_EQ(new_error, 0);
  event_return = 0;
}

TEST(Events, StaticAreaKeepsEarlierStorageWhenItGrows) {
  auto *first = static_cast<uint32_t *>(mem_static_malloc(4));
  *first = 0xCAFEF00D;
  uint8_t *block = mem_static;
  void *big = mem_static_malloc(mem_static_size);   // cannot fit: a new block is taken
  EXPECT_NE(mem_static, block);
  EXPECT_EQ(*first, 0xCAFEF00Du);
  EXPECT_EQ(static_cast<uint8_t *>(big), mem_static);
  auto *z = static_cast<uint8_t *>(mem_static_malloc(16));
  for (int i = 0; i < 16; i++) EXPECT_EQ(z[i], 0);
  mem_static_malloc(2);                     // an INTEGER, then a DOUBLE: still aligned
  EXPECT_EQ((uintptr_t)mem_static_malloc(8) % 8, 0u);
  mem_static_restore(z);
  EXPECT_EQ(mem_static_pointer, z);
  mem_static_restore(first);              // outside the current block: back to its start
  EXPECT_EQ(mem_static_pointer, mem_static);
}

TEST(Events, ClearRunsHooksAndEmptiesTheStack) {
  kel_test_reset();
  static int cleared = 0;
  kel_on_clear([] { cleared++; });
  gosub_push(5);
  error_goto_line = 1;
  sub_clear();
  EXPECT_EQ(cleared, 1);
  EXPECT_EQ(next_return_point, 0u);
  EXPECT_EQ(error_goto_line, 0);
  EXPECT_EQ(return_pop(), -1);
  new_error = 0;
}

TEST(Events, ExitFunctionBlocksClosingAndReportsRequests) {
  exit_value = 0;
  EXPECT_EQ(func__exit(), 0);
  EXPECT_EQ(exit_blocked.load(), 1);
  kel_request_close(0);
  EXPECT_EQ(close_program.load(), 0);
  EXPECT_EQ(func__exit(), 1);
  kel_request_close(1);
  EXPECT_EQ(func__exit(), 2);
  EXPECT_EQ(func__exit(), 0);
  exit_blocked = 0;
  kel_request_close(0);
  EXPECT_EQ(close_program.load(), 1);
  close_program = 0;
}

}  // namespace events_test
