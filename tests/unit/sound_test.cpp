// The tone synthesiser, SOUND and BEEP, the play queue with its main-thread feed, and the
// _SND handle table (requirements, handle errors, slot exhaustion, CLEAR).
#include <gtest/gtest.h>
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include "test_support.h"

namespace sound_test {

namespace {

// A clean sound state: mixer open, queue empty, every slot and the stream closed.
void sound_reset() {
  kel_test_reset();
  sndsetup();
  sndcloseall();
  suspend_program = 0;
  new_error = 0;
}

int slot_for(uint32_t h) {
  for (int i = 0; i < snd_slots; i++)
    if (h && snd[i].handle.load() == h) return i;
  return -1;
}

// A 16-bit stereo 22,050 Hz WAV of `frames` frames, written once per process.
std::string write_wav(const char *name, uint32_t frames) {
  const uint32_t data = frames * 4;
  std::string path = (std::filesystem::temp_directory_path() /
                      ("kel_sound_" + std::to_string(getpid()) + name)).string();
  FILE *f = std::fopen(path.c_str(), "wb");
  auto u32 = [&](uint32_t v) { std::fwrite(&v, 4, 1, f); };
  auto u16 = [&](uint16_t v) { std::fwrite(&v, 2, 1, f); };
  std::fwrite("RIFF", 1, 4, f); u32(36 + data); std::fwrite("WAVEfmt ", 1, 8, f);
  u32(16); u16(1); u16(2); u32(22050); u32(22050 * 4); u16(4); u16(16);
  std::fwrite("data", 1, 4, f); u32(data);
  for (uint32_t i = 0; i < frames * 2; i++) u16((uint16_t)(int16_t)((i % 200) * 50 - 5000));
  std::fclose(f);
  return path;
}

const std::string &test_wav() {                        // 0.1 s
  static std::string path = write_wav("short.wav", 2205);
  return path;
}

uint32_t open_wav(const char *req) { return func__sndopen(T(test_wav().c_str()), T(req), 1); }

// The raw sound queued at a queue index.
Mix_Chunk *queued_chunk(int32_t index) {
  int i = slot_for(sndqueue[index]);
  return i < 0 ? nullptr : snd[i].chunk;
}

}  // namespace

TEST(Sound, SoundwaveIsATriangleCutAtTheLastRisingZeroCrossing) {
  // 1378.125 Hz steps exactly 0.25 per sample: a 16-sample cycle with exact values.
  int16_t *w = soundwave(1378.125, 0.01, 1, 0, 0);     // 220 samples
  const int16_t cycle[17] = {0, 8191, 16383, 24575, 32767, 24575, 16383, 8191, 0,
                             -8191, -16383, -24575, -32767, -24575, -16383, -8191, 0};
  for (int i = 0; i < 17; i++) {
    EXPECT_EQ(w[2 * i], cycle[i]) << "sample " << i;
    EXPECT_EQ(w[2 * i + 1], cycle[i]) << "right channel " << i;
  }
  EXPECT_EQ(w[2 * 209], 8191);                         // rising crossings at 1, 17, ..., 209
  EXPECT_EQ(soundwave_bytes, 209u * 4);
  std::free(w);

  struct { double f, s; uint32_t samples; } cases[] = {
      {440, 0.5, 11025}, {37, 1, 22050}, {783.99, 0.2, 4410}, {9000, 0.3, 6615}, {20000, 0.3, 6615}};
  for (auto &c : cases) {
    int16_t *v = soundwave(c.f, c.s, 1, 0, 0);
    uint32_t cut = soundwave_bytes / 4;
    ASSERT_EQ(soundwave_bytes % 4, 0u);
    ASSERT_LT(cut, c.samples) << c.f;
    EXPECT_GT(v[2 * cut], 0) << c.f;                   // the cut lands on a rising crossing
    EXPECT_LE(v[2 * cut - 2], 0) << c.f;
    int16_t peak = 0;
    for (uint32_t i = 0; i < c.samples; i++) {
      ASSERT_GE(v[2 * i], -32767) << c.f << " sample " << i;  // never leaves the range
      peak = std::max(peak, v[2 * i]);
      if (i > cut) {
        EXPECT_FALSE(v[2 * i] > 0 && v[2 * i - 2] <= 0) << c.f << " later crossing at " << i;
      }
    }
    if (c.f < 1000) {
      EXPECT_GT(peak, 32000) << c.f;
    }
    std::free(v);
  }

  int16_t *silence = soundwave(0, 1, 1, 0, 0);          // frequency 0: silent, never cut
  EXPECT_EQ(soundwave_bytes, 22050u * 4);
  for (uint32_t i = 0; i < 22050 * 2; i++) ASSERT_EQ(silence[i], 0);
  std::free(silence);
  std::free(soundwave(440, 0, 1, 0, 0));                // at least one sample
  EXPECT_EQ(soundwave_bytes, 4u);
}

TEST(Sound, SoundChecksItsArgumentsBeforeQueueing) {
  struct { double f, ticks; int err; bool queued; } cases[] = {
      {36, 1, 5, false}, {32768, 1, 5, false}, {-1, 1, 5, false}, {440, -1, 5, false},
      {440, 65535.5, 5, false}, {37, 0, 0, false}, {0, 0, 0, false}, {37, 1, 0, true},
      {32767, 1, 0, true}, {0, 18, 0, true}};
  for (auto &c : cases) {
    sound_reset();
    int32_t before = sndqueue_next.load();
    sub_sound(c.f, c.ticks);
    EXPECT_EQ(new_error, c.err) << c.f << "," << c.ticks;
    EXPECT_EQ(sndqueue_next.load() != before, c.queued) << c.f << "," << c.ticks;
    EXPECT_EQ((suspend_program.load() & 2) != 0, c.queued) << c.f << "," << c.ticks;
    if (c.queued) {
      EXPECT_EQ(sndqueue_wait.load(), before);
    }
    if (c.f == 0 && c.queued) {                         // SOUND 0, 18: about a second of silence
      Mix_Chunk *ch = queued_chunk(before);
      ASSERT_NE(ch, nullptr);
      EXPECT_EQ(ch->alen, 21807u * 4);
    }
  }
  sound_reset();
  new_error = 9;                                        // an error pending: nothing happens
  int32_t before = sndqueue_next.load();
  sub_sound(440, 5);
  EXPECT_EQ(sndqueue_next.load(), before);
  EXPECT_EQ(suspend_program.load(), 0);
  sound_reset();
}

TEST(Sound, BeepAndTheBellQueueWithoutWaiting) {
  sound_reset();
  int32_t before = sndqueue_next.load();
  sub_beep();
  EXPECT_EQ(sndqueue_next.load(), (before + 1) % sndqueue_size);
  EXPECT_EQ(suspend_program.load(), 0);
  Mix_Chunk *ch = queued_chunk(before);
  ASSERT_NE(ch, nullptr);
  EXPECT_GT(ch->alen, 4300u * 4);                       // 0.2 s, cut to whole cycles
  EXPECT_LE(ch->alen, 4410u * 4);
  kels_print(T("\a"), 0);
  EXPECT_EQ(sndqueue_next.load(), (before + 2) % sndqueue_size);
  EXPECT_EQ(suspend_program.load(), 0);
  sound_reset();
}

TEST(Sound, QueuedSoundsStartInOrderOnlyAfterThePreviousFinished) {
  sound_reset();
  uint32_t h[3];
  for (auto &x : h) {
    auto *buf = static_cast<uint8_t *>(std::calloc(4410 * 4, 1));
    x = func__sndraw(buf, 4410 * 4);
    ASSERT_NE(x, 0u);
    sndqueue_append(x, 0);
  }
  int32_t first = sndqueue_first.load();
  for (int k = 0; k < 3; k++) {
    int ch = slot_for(h[k]);
    ASSERT_GE(ch, 0);
    EXPECT_EQ(new_error, 0);
    sndqueue_feed();                                    // starts entry k
    EXPECT_EQ(sndqueue_first.load(), (first + k + 1) % sndqueue_size);
    EXPECT_TRUE(Mix_Playing(ch));
    if (k > 0) {
      EXPECT_EQ(slot_for(h[k - 1]), -1) << "the previous sound is released";
    }
    Mix_Pause(ch);                                      // holds it "playing" for as long as we like
    for (int i = 0; i < 3; i++) sndqueue_feed();
    EXPECT_EQ(sndqueue_first.load(), (first + k + 1) % sndqueue_size) << "entry " << k + 1 << " started early";
    EXPECT_EQ(slot_for(h[k]), ch);
    Mix_HaltChannel(ch);                                // finished
  }
  sndqueue_feed();                                      // nothing left to start
  EXPECT_EQ(sndqueue_first.load(), sndqueue_next.load());
  // A program handle cannot reach a queued sound.
  sub__sndstop(h[2]);
  EXPECT_EQ(new_error, 5);
  sound_reset();
}

TEST(Sound, ForegroundSoundHoldsTheGameThreadUntilItsToneStarts) {
  sound_reset();
  sound_feeder main_role;                                 // stands in for the main loop
  int32_t n1 = sndqueue_next.load();
  sub_sound(440, 1);
  uint32_t h1 = sndqueue[n1];
  evnt(10);                                             // held until the tone starts
  EXPECT_EQ(suspend_program.load() & 2, 0);
  EXPECT_EQ(sndqueue_wait.load(), -1);
  EXPECT_NE(sndqueue_first.load(), n1) << "released before its entry was started";
  int32_t n2 = sndqueue_next.load();
  sub_sound(660, 1);
  evnt(11);
  EXPECT_NE(sndqueue_first.load(), n2);
  EXPECT_EQ(slot_for(h1), -1) << "the second tone started before the first had finished";
  main_role.stop();
  EXPECT_FALSE(main_role.timed_out());
  sound_reset();
}

TEST(Sound, RequirementStringAcceptsAnyCaseAndBlanksAndRefusesRepeats) {
  struct { const char *req; int err; bool opened; uint8_t caps; bool stream; } cases[] = {
      {"sync,vol", 0, true, 3, false},  {" Sync , VOL ", 0, true, 3, false},
      {"SYNC,PAUSE,LEN", 0, true, 13, false}, {"sync", 0, true, 1, false},
      {"sync,sync", 5, false, 0, false}, {"sync,loud", 5, false, 0, false},
      {"sync,", 5, false, 0, false},    {"sync,setpos", 0, false, 0, false},
      {"vol,len", 0, true, 10, true},   {"", 0, true, 0, true}};
  for (auto &c : cases) {
    sound_reset();
    uint32_t h = open_wav(c.req);
    EXPECT_EQ(new_error, c.err) << c.req;
    EXPECT_EQ(h != 0, c.opened) << c.req;
    if (!h) continue;
    if (c.stream) {
      EXPECT_EQ(h, 1u) << c.req;
      EXPECT_EQ(stream_capability, c.caps) << c.req;
      if (c.caps & snd_cap_len) {
        EXPECT_NEAR(func__sndlen(1), 0.1, 1e-9);
      }
    } else {
      ASSERT_GE(h, 2u);
      int i = slot_for(h);
      ASSERT_GE(i, 0);
      EXPECT_EQ(snd[i].capability, c.caps) << c.req;
      EXPECT_NEAR(snd[i].len, 0.1, 1e-9);
    }
    sub__sndclose(h);
    EXPECT_EQ(new_error, 0);
  }
  sound_reset();                                        // no requirements given: the stream
  EXPECT_EQ(func__sndopen(T(test_wav().c_str()), T("sync"), 0), 1u);
  EXPECT_EQ(open_wav("vol"), 0u) << "a second stream while one is open";
  EXPECT_EQ(new_error, 5);
  new_error = 0;
  sub__sndclose(1);
  EXPECT_EQ(open_wav("vol"), 1u) << "a closed stream makes room";
  sound_reset();
  EXPECT_EQ(func__sndopen(T("/nonexistent/none.wav"), T("sync"), 1), 0u);
  EXPECT_EQ(new_error, 0);
}

TEST(Sound, HandleOperationsRefuseBadHandlesAndMissingCapabilities) {
  sound_reset();
  uint32_t plain = open_wav("sync"), full = open_wav("sync,vol,pause,len");
  uint32_t closed = open_wav("sync,pause");
  ASSERT_TRUE(plain && full && closed);
  sub__sndplay(closed);
  Mix_Pause(slot_for(closed));                          // still sounding, so the slot is kept
  sub__sndclose(closed);
  ASSERT_GE(slot_for(closed), 0);
  struct { const char *what; std::function<void()> op; int err; } cases[] = {
      {"play 0", [] { sub__sndplay(0); }, 0},
      {"playing 0", [] { EXPECT_EQ(func__sndplaying(0), 0); }, 0},
      {"play unknown", [] { sub__sndplay(999999); }, 5},
      {"play closed", [&] { sub__sndplay(closed); }, 5},
      {"playing closed", [&] { EXPECT_EQ(func__sndplaying(closed), 0); }, 5},
      {"stream not open", [] { sub__sndplay(1); }, 5},
      {"vol without VOL", [&] { sub__sndvol(plain, 0.5); }, 5},
      {"bal without VOL", [&] { sub__sndbal(plain, 1, 0, 0); }, 5},
      {"pause without PAUSE", [&] { sub__sndpause(plain); }, 5},
      {"paused without PAUSE", [&] { EXPECT_EQ(func__sndpaused(plain), 0); }, 5},
      {"len without LEN", [&] { EXPECT_EQ(func__sndlen(plain), 0); }, 5},
      {"len", [&] { EXPECT_NEAR(func__sndlen(full), 0.1, 1e-9); }, 0},
      {"setpos on a slot", [&] { sub__sndsetpos(full, 0); }, 5},
      {"vol above 1", [&] { sub__sndvol(full, 1.5); }, 5},
      {"vol below 0", [&] { sub__sndvol(full, -0.1); }, 5},
      {"vol 0.5", [&] { sub__sndvol(full, 0.5); EXPECT_EQ(Mix_Volume(slot_for(full), -1), 64); }, 0},
      {"vol 1", [&] { sub__sndvol(full, 1); EXPECT_EQ(Mix_Volume(slot_for(full), -1), 128); }, 0},
      {"negative limit", [&] { sub__sndlimit(full, -1); }, 5},
      {"loop with a limit", [&] { sub__sndlimit(full, 0.05); sub__sndloop(full); }, 5},
      {"copy of the stream", [] { EXPECT_EQ(func__sndcopy(1), 0u); }, 5},
  };
  for (auto &c : cases) {
    new_error = 0;
    c.op();
    EXPECT_EQ(new_error, c.err) << c.what;
  }
  new_error = 0;
  sub__sndlimit(full, 0);
  new_error = 7;                                        // pending error: statements do nothing
  sub__sndplay(full);
  new_error = 0;
  EXPECT_EQ(func__sndplaying(full), 0);
  sub__sndplay(full);                                   // play, pause, resume
  EXPECT_EQ(func__sndplaying(full), -1);
  sub__sndpause(full);
  EXPECT_EQ(func__sndpaused(full), -1);
  EXPECT_EQ(func__sndplaying(full), 0);
  sub__sndplay(full);
  EXPECT_EQ(func__sndpaused(full), 0);
  sub__sndstop(full);
  EXPECT_EQ(func__sndplaying(full), 0);
  EXPECT_EQ(func__sndgetpos(full), 0);
  EXPECT_EQ(new_error, 0);
  Mix_HaltChannel(slot_for(closed));                    // the closed sound ends: its slot frees
  snd_check();
  EXPECT_EQ(slot_for(closed), -1);
  sound_reset();
}

TEST(Sound, CopiesShareAudioAndCloseWhenTheirPlayEnds) {
  sound_reset();
  uint32_t h = open_wav("sync");
  uint32_t c = func__sndcopy(h);
  ASSERT_NE(c, 0u);
  ASSERT_NE(c, h);
  Mix_Chunk *audio = snd[slot_for(h)].chunk;
  EXPECT_EQ(snd[slot_for(c)].chunk, audio);
  sub__sndclose(h);                                     // not playing: freed at once
  EXPECT_EQ(slot_for(h), -1);
  EXPECT_EQ(snd[slot_for(c)].chunk->alen, 2205u * 4) << "the copy keeps the shared audio";
  sub__sndplay(c);
  EXPECT_TRUE(Mix_Playing(slot_for(c)));
  sub__sndplaycopy(c, 0.5, 1);                          // the copy lacks VOL: refused, and closed
  EXPECT_EQ(new_error, 5);
  new_error = 0;
  int open = 0;
  for (auto &s : snd) open += s.handle.load() != 0;
  EXPECT_EQ(open, 1);
  sound_reset();
}

TEST(Sound, HandlesAreNumberedFromTwoAndWrapBackToTwo) {
  sound_reset();
  snd_free_handle = 0xFFFFFFFEu;
  uint32_t a = open_wav("sync"), b = open_wav("sync"), c = open_wav("sync");
  EXPECT_EQ(a, 0xFFFFFFFEu);
  EXPECT_EQ(b, 0xFFFFFFFFu);
  EXPECT_EQ(c, 2u);
  sound_reset();
}

TEST(Sound, MainLoopStopsAStreamAtItsPlayLimit) {
  sound_reset();
  static std::string long_wav = write_wav("long.wav", 22050 * 5);
  ASSERT_EQ(func__sndopen(T(long_wav.c_str()), T("len"), 1), 1u);
  EXPECT_NEAR(func__sndlen(1), 5, 1e-9);
  sub__sndlimit(1, 0.02);
  sub__sndloop(1);                                      // a limited sound cannot loop
  EXPECT_EQ(new_error, 5);
  new_error = 0;
  sub__sndplay(1);
  EXPECT_EQ(func__sndplaying(1), -1);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
  while (func__sndgetpos(1) < 0.02 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  snd_stream_limit_check();                             // as the main loop does
  EXPECT_EQ(func__sndplaying(1), 0);
  EXPECT_EQ(new_error, 0);
  sound_reset();
}

TEST(Sound, The257thOpenSoundIsRefusedAndClearClosesEverything) {
  sound_reset();
  std::vector<uint32_t> handles;
  for (int i = 0; i < 256; i++) {
    uint32_t h = open_wav("sync");
    ASSERT_NE(h, 0u) << "sound " << i + 1;
    handles.push_back(h);
  }
  EXPECT_EQ(open_wav("sync"), 0u);
  EXPECT_EQ(new_error, 0);
  uint8_t *buf = static_cast<uint8_t *>(std::malloc(4));
  EXPECT_EQ(func__sndraw(buf, 4), 0u);
  std::free(buf);
  sub__sndplay(handles[3]);
  EXPECT_EQ(open_wav(""), 1u);
  sub_clear();
  EXPECT_EQ(func__sndplaying(handles[3]), 0);
  EXPECT_EQ(new_error, 5) << "CLEAR closed the handle";
  new_error = 0;
  for (auto &s : snd) EXPECT_EQ(s.handle.load(), 0u);
  EXPECT_FALSE(stream_loaded);
  EXPECT_EQ(sndqueue_first.load(), sndqueue_next.load());
  EXPECT_NE(open_wav("sync"), 0u);
  sound_reset();
}

// Run in a fresh process, so this is its first sound operation.
static bool lead_silence_queued_on_first_use() {
  sndsetup();
  int f = 0, ch = 0;
  Uint16 fmt = 0;
  if (!Mix_QuerySpec(&f, &fmt, &ch) || f != 22050 || fmt != AUDIO_S16LSB || ch != 2) return false;
  if (Mix_AllocateChannels(-1) != 256 || sndqueue_next.load() != 1) return false;
  Mix_Chunk *c = queued_chunk(0);
  if (!c || c->alen != 32768) return false;
  for (uint32_t i = 0; i < c->alen; i++)
    if (c->abuf[i]) return false;
  return true;
}

TEST(SoundDeathTest, FirstUseOpensTheMixerAndQueuesLeadSilence) {
  EXPECT_EXIT(std::_Exit(lead_silence_queued_on_first_use() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

}  // namespace sound_test
