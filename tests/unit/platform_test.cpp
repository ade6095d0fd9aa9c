// Message boxes asked for by another thread: served by the main thread, or withdrawn when the
// process is stopping while the box still waits its turn.
#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <thread>
#include "test_support.h"
#include "platform.h"

namespace platform_test {

namespace {

struct MainLoopStandIn {
  std::function<int(const char *, const char *, msgbox_kind)> saved_hook = platform_msgbox_hook;
  MainLoopStandIn() {
    platform_msgbox_hook = nullptr;            // real requests to the main thread
    platform_main_loop_running = true;
  }
  ~MainLoopStandIn() {
    platform_main_loop_running = false;
    platform_wait_cancelled = nullptr;
    platform_msgbox_hook = saved_hook;
  }
};

}  // namespace

TEST(Platform, BoxFromAnotherThreadIsServedByTheMainThreadOrWithdrawnOnStop) {
  MainLoopStandIn loop;
  std::atomic<bool> stopping{false};
  platform_wait_cancelled = [&] { return stopping.load(); };

  // Served: with no window the box takes its default answer (No), on this thread.
  std::atomic<int> answer{-2};
  std::thread asker([&] { answer = platform_msgbox("Unhandled Error #5", "Line:1", msgbox_kind::yesno); });
  for (int i = 0; i < 5000 && answer.load() == -2; i++) {
    platform_serve_msgbox();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  asker.join();
  EXPECT_EQ(answer.load(), 0);

  // Withdrawn: nobody serves it, the stop comes, the asker returns -1 and the box is gone.
  answer = -2;
  std::thread waiting([&] { answer = platform_msgbox("Critical Error", "Out of memory", msgbox_kind::ok); });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(answer.load(), -2);                // still waiting for the main thread
  stopping = true;
  waiting.join();
  EXPECT_EQ(answer.load(), -1);
  stopping = false;
  std::thread next([&] { answer = platform_msgbox("Next", "box", msgbox_kind::ok); });
  for (int i = 0; i < 5000 && answer.load() == -1; i++) {
    platform_serve_msgbox();                   // the withdrawn box left no trace in the way
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  next.join();
  EXPECT_EQ(answer.load(), 1);
}

}  // namespace platform_test
