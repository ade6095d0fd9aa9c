// Unit-test entry: brings the runtime up without a window, answers message boxes
// through the platform hook, then runs every test.
#include <gtest/gtest.h>
#include <cstdlib>
#include "test_support.h"

int main(int argc, char **argv) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);   // no window and no sound card needed
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::GTEST_FLAG(death_test_style) = "threadsafe";
  if (!::testing::GTEST_FLAG(list_tests)) kel_test_boot();   // ctest lists the cases first
  return RUN_ALL_TESTS();
}
