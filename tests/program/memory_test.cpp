// The memory demo: POKEs into SCREEN 13's memory, CALL ABSOLUTE and CALL INTERRUPT, checked
// through the printed lines and the pixels of a screen dump.
#include <gtest/gtest.h>
#include "program_runner.h"

namespace memory_test {

static const std::string memory_demo = std::string(KEL_BUILD_DIR) + "/demos/memory";

TEST(MemoryProgram, PokedPixelsAndMachineCodeShowOnScreen) {
  auto res = run_program(memory_demo,
                         "until 1 1 10000 Before the call: 3  7\n"
                         "until 2 1 5000 After the call: 7  3\n"
                         "until 3 1 5000 Mouse driver:-1  2\n"
                         "until 4 1 5000 Pixel (170,120): 40\n"
                         "until 5 1 5000 Press a key\n"
                         "snap screen.bmp\n"
                         "key x\n"
                         "until 25 1 5000 Press any key to continue\n"
                         "key Space\n");
  EXPECT_EQ(res.status, 0) << res.err;
  std::string bmp = read_file(scratch_dir() + "/screen.bmp");
  ASSERT_GT(bmp.size(), 54u);
  ASSERT_EQ(bmp.substr(0, 2), "BM");
  struct { int x, y; uint32_t rgb; const char *what; } pixels[] = {
    {10, 100, 0x0000FF, "band of colour 32 (blue), first poked row"},
    {170, 120, 0xFF0000, "band of colour 40 (red)"},
    {319, 131, 0x41FF00, "band of colour 47, last poked pixel"},
    {0, 99, 0x000000, "above the bands"},
    {0, 132, 0x000000, "below the bands"},
    {160, 150, 0xFFFF55, "routine's block, top left (colour 14)"},
    {163, 151, 0xFFFF55, "routine's block, bottom right"},
    {164, 150, 0x000000, "right of the block"},
    {160, 152, 0x000000, "below the block"},
  };
  for (auto &p : pixels) EXPECT_EQ(bmp_pixel(bmp, p.x, p.y), p.rgb) << p.what;
}

}  // namespace memory_test
