// The music demo under a script: every PLAY and SOUND runs through and the program ends.
#include <gtest/gtest.h>
#include <sstream>
#include <vector>
#include "program_runner.h"

namespace music_test {

static const std::string music = std::string(KEL_BUILD_DIR) + "/demos/music";

TEST(MusicProgram, PlaysItsTuneNamingTheNotesAndEnds) {
  auto res = run_program(music,
                         "until 25 1 30000 Press any key to continue\n"
                         "text end.txt\n"
                         "key x\n");
  EXPECT_EQ(res.status, 0) << res.err;
  std::vector<std::string> rows;
  std::istringstream in(read_file(scratch_dir() + "/end.txt"));
  for (std::string l; std::getline(in, l);) {
    while (!l.empty() && l.back() == ' ') l.pop_back();
    if (!l.empty()) rows.push_back(l);
  }
  std::vector<std::string> want = {"Kestravelle music",
                                   "Tune: E E F G G F E D C C D E E. D16 D4",
                                   "Chord: C E G",
                                   "Background: G A B > C",
                                   "Sound effects: 880 Hz, 440 Hz",
                                   "Done",
                                   "Press any key to continue"};
  EXPECT_EQ(rows, want);
  EXPECT_EQ(res.err.find("Unhandled Error"), std::string::npos) << res.err;
}

}  // namespace music_test
