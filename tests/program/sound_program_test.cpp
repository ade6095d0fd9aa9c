// SOUND and PLAY in translated programs under the real main loop: the order in which queued
// statements return (timed by the program itself with TIMER), the silent fallback when the
// audio device cannot be opened, and the tones as recorded by SDL's disk audio driver.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <sstream>
#include <vector>
#include <unistd.h>
#include "program_runner.h"

namespace sound_program_test {

static const std::string bas_dir = std::string(KEL_BUILD_DIR) + "/tests/bas/";
static const std::string run_to_end = "until 25 1 30000 Press any key to continue\n"
                                      "text out.txt\n"
                                      "key x\n";

// The number the program printed after `label` on the screen dump, or -1 when absent.
static long printed(const std::string &screen, const std::string &label) {
  std::istringstream in(screen);
  for (std::string l; std::getline(in, l);)
    if (l.compare(0, label.size(), label) == 0) return std::strtol(l.c_str() + label.size(), nullptr, 10);
  return -1;
}

static size_t count_of(const std::string &text, const std::string &what) {
  size_t n = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) n++;
  return n;
}

// soundqueue.bas prints how many milliseconds each statement held the program. A queued
// sound is started by the main loop once the one before it has been mixed, and the mixer
// works 1,024 frames (46 ms) ahead, so a wait may end up to one buffer before the end of
// what it waited for; the bounds allow that and 10 ms more.
static void expect_queue_order(const std::string &screen) {
  // SOUND 660 returns when its own tone starts, after the 0.5 s of SOUND 440.
  EXPECT_GE(printed(screen, "second sound"), 444) << screen;
  // The foreground PLAY returns after the rest of the 660 Hz tone and its own 0.5 s.
  EXPECT_GE(printed(screen, "foreground play"), 898) << screen;
  // Two seconds of MB music: the statement returns before a quarter of it has played ...
  long mb = printed(screen, "background play");
  EXPECT_GE(mb, 0) << screen;
  EXPECT_LT(mb, 500) << screen;
  // ... and the music still holds the next SOUND back for its whole length.
  EXPECT_GE(printed(screen, "sound after background"), 1898) << screen;
}

TEST(SoundProgram, QueuedStatementsReturnInTurnWithTheMainLoop) {
  auto res = run_program(bas_dir + "soundqueue", run_to_end);
  ASSERT_EQ(res.status, 0) << res.err;
  std::string screen = read_file(scratch_dir() + "/out.txt");
  EXPECT_NE(screen.find("done"), std::string::npos) << screen;
  expect_queue_order(screen);
  EXPECT_EQ(res.err.find("No sound device"), std::string::npos) << res.err;
}

// A device that cannot be opened (here the disk driver with a file in a missing directory)
// does not end the program: it says so once and every sound still takes its time.
TEST(SoundProgram, UnopenableDeviceFallsBackToSilentRealTimePlay) {
  auto res = run_program(bas_dir + "soundqueue", run_to_end,
                         {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=/nonexistent-kel-dir/out.raw"});
  ASSERT_EQ(res.status, 0) << res.err;
  EXPECT_EQ(count_of(res.err, "No sound device"), 1u) << res.err;
  EXPECT_NE(res.err.find("sound plays silently"), std::string::npos) << res.err;
  expect_queue_order(read_file(scratch_dir() + "/out.txt"));
}

TEST(SoundProgram, MissingAudioDriverFallsBackToo) {
  auto res = run_program(bas_dir + "soundqueue", run_to_end, {"SDL_AUDIODRIVER=nosuchdriver"});
  ASSERT_EQ(res.status, 0) << res.err;
  EXPECT_EQ(count_of(res.err, "No sound device"), 1u) << res.err;
  expect_queue_order(read_file(scratch_dir() + "/out.txt"));
}

// ---- the recording ---------------------------------------------------------------

// The disk driver (SDL 2.26 under the 1.2 compatibility layer) takes SDL_DISKAUDIOFILE as
// the file name and writes raw signed 16-bit little-endian stereo frames with no header.
// Found by experiment: the device runs at 44,100 Hz whatever the mixer asks for (also with
// SDL_AUDIO_FREQUENCY set), the layer resampling the mixer's 22,050 Hz by two, so a tone
// starts with a few small ringing samples; sounds are found above a level well over those.
constexpr double disk_rate = 44100;
constexpr int loud = 256;

struct tone {
  double start, length, frequency;   // seconds, seconds, Hz
  int peak;
};

// Spans of loud samples no more than 5 ms apart, each measured: its extent, its peak, and
// its frequency from the interpolated rising zero crossings away from its two ends.
static std::vector<tone> find_tones(const std::vector<int16_t> &left) {
  std::vector<tone> out;
  const size_t merge = (size_t)(0.005 * disk_rate);
  size_t i = 0, n = left.size();
  while (i < n) {
    while (i < n && std::abs(left[i]) <= loud) i++;
    if (i == n) break;
    size_t a = i, b = i;
    for (size_t quiet = 0; i < n && quiet <= merge; i++) {
      if (std::abs(left[i]) > loud) b = i, quiet = 0;
      else quiet++;
    }
    i = b + 1;
    tone t{a / disk_rate, (b - a + 1) / disk_rate, 0, 0};
    for (size_t k = a; k <= b; k++) t.peak = std::max(t.peak, std::abs((int)left[k]));
    std::vector<double> rising;
    for (size_t k = a + merge + 1; k + merge <= b; k++)
      if (left[k - 1] <= 0 && left[k] > 0)
        rising.push_back((double)(k - 1) + left[k - 1] / (double)(left[k - 1] - left[k]));
    if (rising.size() >= 2)
      t.frequency = disk_rate * (double)(rising.size() - 1) / (rising.back() - rising.front());
    out.push_back(t);
  }
  return out;
}

TEST(SoundProgram, RecordedTonesHaveTheAskedFrequenciesAndLengths) {
  // An absolute name: the program starts by changing to its own directory.
  char dir[] = "/tmp/kelsoundXXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string file = std::string(dir) + "/recording.raw";
  auto res = run_program(bas_dir + "soundrecord", run_to_end,
                         {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + file});
  std::string raw = read_file(file);
  std::remove(file.c_str());
  rmdir(dir);
  ASSERT_EQ(res.status, 0) << res.err;
  ASSERT_GT(raw.size(), 4u) << res.err;
  std::vector<int16_t> left(raw.size() / 4), right(raw.size() / 4);
  for (size_t k = 0; k < left.size(); k++) {
    std::memcpy(&left[k], raw.data() + 4 * k, 2);
    std::memcpy(&right[k], raw.data() + 4 * k + 2, 2);
  }
  EXPECT_EQ(left, right);   // the tones are written to both channels alike

  struct want { double frequency, length; };
  const want wanted[] = {
      {440, 9.1 / 18.2},                        // SOUND 440, 9.1
      {1234, 4.55 / 18.2},                      // SOUND 1234, 4.55
      {880, 0.4375},                            // PLAY O3 A: a quarter at T120 less its 1/8 rest
      {440 * std::pow(2, 14 / 12.0), 0.4375},   // and B
  };
  auto tones = find_tones(left);
  ASSERT_EQ(tones.size(), std::size(wanted));
  for (size_t k = 0; k < tones.size(); k++) {
    SCOPED_TRACE("tone " + std::to_string(k));
    EXPECT_NEAR(tones[k].frequency, wanted[k].frequency, wanted[k].frequency * 0.01);
    EXPECT_NEAR(tones[k].length, wanted[k].length, 0.020);
  }
  // Nothing sounds before the mixer's 8,192 frames of lead silence have played.
  EXPECT_GE(tones[0].start, 8192 / 22050.0 - 0.002);
  // SOUND 0, 3.64 holds the next tone back by at least its 0.2 s (the queue may add a
  // buffer's latency, so only the lower bound is checked) ...
  for (size_t k = 0; k < 2; k++) {
    SCOPED_TRACE("silence after tone " + std::to_string(k));
    EXPECT_GE(tones[k + 1].start - (tones[k].start + tones[k].length), 0.2 - 0.020);
  }
  // ... while the rest between two PLAY notes lies in the one rendered buffer: exactly 1/16 s.
  EXPECT_NEAR(tones[3].start - (tones[2].start + tones[2].length), 0.0625, 0.020);
  // SOUND plays at full volume, PLAY at its default V50.
  EXPECT_GT(tones[0].peak, 32000);
  EXPECT_NEAR(tones[2].peak, tones[0].peak / 2, tones[0].peak / 20);
}

}  // namespace sound_program_test
