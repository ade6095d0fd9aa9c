// The draw demo under a script: its scene compared with a golden picture, then END.
#include <gtest/gtest.h>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <vector>
#include "png_reader.h"
#include "program_runner.h"

namespace draw_test {

static const std::string draw_demo = std::string(KEL_BUILD_DIR) + "/demos/draw";


TEST(DrawProgram, SceneMatchesGoldenAndEndsOnAKey) {
  auto res = run_program(draw_demo,
                         "until 3 2 10000 Press a key\n"
                         "snap scene.png\n"
                         "key x\n"
                         "until 25 1 5000 Press any key to continue\n"
                         "key x\n");
  EXPECT_EQ(res.status, 0) << res.err;
  std::string got = read_file(scratch_dir() + "/scene.png");
  std::string golden_path = std::string(KEL_SOURCE_DIR) + "/tests/data/draw_demo.png";
  const char *update = std::getenv("KEL_UPDATE_GOLDENS");
  if (update && std::string(update) == "1") {
    std::ofstream(golden_path, std::ios::binary) << got;
    return;
  }
  std::vector<uint32_t> a, b;
  int aw = 0, ah = 0, bw = 0, bh = 0;
  ASSERT_TRUE(read_png(got, &a, &aw, &ah)) << "the snap is not a readable PNG";
  ASSERT_TRUE(read_png(read_file(golden_path), &b, &bw, &bh)) << golden_path;
  ASSERT_EQ(aw, 320);
  ASSERT_EQ(ah, 200);
  ASSERT_EQ(aw, bw);
  ASSERT_EQ(ah, bh);
  size_t differ = 0;
  for (size_t i = 0; i < a.size(); i++) differ += a[i] != b[i];
  EXPECT_EQ(differ, 0u) << "pixels differing from " << golden_path;
}

}  // namespace draw_test
