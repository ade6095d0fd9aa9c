// Program-test entry: each test case's scratch directories are removed when it ends.
#include <gtest/gtest.h>
#include "program_runner.h"

namespace {
struct scratch_cleaner : testing::EmptyTestEventListener {
  void OnTestEnd(const testing::TestInfo &) override { remove_scratch_dirs(); }
};
}  // namespace

int main(int argc, char **argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new scratch_cleaner);
  return RUN_ALL_TESTS();
}
