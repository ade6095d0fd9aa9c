// PLAY: durations, pitches, chords and errors of the renderer, and the queueing of the
// music with its foreground marker.
#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include "test_support.h"
#include "play_render.h"

namespace play_test {

namespace {

// A rendered string: its result code and the parts, freed when it goes out of scope.
struct rendered {
  int rc = -1;
  std::vector<play_part> parts;
  ~rendered() {
    for (auto &p : parts) std::free(p.wave);
  }
  const int16_t *samples(size_t k = 0) const { return reinterpret_cast<const int16_t *>(parts[k].wave); }
  uint32_t bytes(size_t k = 0) const { return parts[k].bytes; }
};

void render(rendered &r, const std::string &text, play_settings &s) {
  for (auto &p : r.parts) std::free(p.wave);
  r.rc = play_render(reinterpret_cast<const uint8_t *>(text.data()), (uint32_t)text.size(), s, r.parts);
}

uint32_t ws(double seconds) { return (uint32_t)std::max(1.0, std::floor(22050 * seconds)) * 4; }
double freq(int n) { return 440 * std::pow(2.0, n / 12.0); }

// The generator's tone for these arguments, kept for comparison.
std::vector<int16_t> tone(double f, double seconds, double volume) {
  int16_t *w = soundwave(f, seconds, volume, 0, 0);
  std::vector<int16_t> v(w, w + soundwave_bytes / 2);
  std::free(w);
  return v;
}

bool same_settings(const play_settings &a, const play_settings &b) {
  return a.t == b.t && a.l == b.l && a.v == b.v && a.pause == b.pause && a.o == b.o && a.mb == b.mb;
}

void sound_reset() {
  kel_test_reset();
  sndsetup();
  sndcloseall();
  suspend_program = 0;
  sndqueue_wait = -1;
  new_error = 0;
  play_state = play_settings{};
}

Mix_Chunk *queued_chunk(int32_t index) {
  for (int i = 0; i < snd_slots; i++)
    if (sndqueue[index] && snd[i].handle.load() == sndqueue[index]) return snd[i].chunk;
  return nullptr;
}

int32_t queue_distance(int32_t from, int32_t to) { return (to - from + sndqueue_size) % sndqueue_size; }

// "=" and a variable reference, as a program writes "=" + VARPTR$(x).
std::string ref(uint8_t type, uint16_t offset) { return "=" + S(func_varptr_helper(type, offset)); }

}  // namespace

TEST(Play, NotesLastTheirLengthWithTheArticulationGapAtTheEnd) {
  kel_test_reset();
  const int c4 = 15;                                     // O4 C
  struct { const char *text; int n; double d, pause; } cases[] = {
      {"C", c4, 0.5, 0.125},        {"c4", c4, 0.5, 0.125},    {"C0", c4, 0.5, 0.125},
      {"C8", c4, 0.25, 0.125},      {"C4.", c4, 0.75, 0.125},  {"C4..", c4, 0.875, 0.125},
      {"C.", c4, 0.75, 0.125},      {"T60C", c4, 1, 0.125},    {"L16C", c4, 0.125, 0.125},
      {"L2C4", c4, 0.5, 0.125},     {"MLC", c4, 0.5, 0},       {"MSC", c4, 0.5, 0.25},
      {"MLMNC", c4, 0.5, 0.125},    {"A", 24, 0.5, 0.125},     {"O2A", 0, 0.5, 0.125},
      {"O0C", -33, 0.5, 0.125},     {"O6B", 50, 0.5, 0.125},   {"N48", c4, 0.5, 0.125},
      {"N0", -33, 0.5, 0.125},      {"N84.", 51, 0.75, 0.125}, {"C#", 16, 0.5, 0.125},
      {"D-", 16, 0.5, 0.125},       {"C+8", 16, 0.25, 0.125},  {"B+", 27, 0.5, 0.125},
      {"T255C64", c4, 60.0 / 255 / 16, 0.125},               {"c 4 .", c4, 0.75, 0.125},
  };
  for (auto &c : cases) {
    play_settings s;
    rendered r;
    render(r, c.text, s);
    ASSERT_EQ(r.rc, 0) << c.text;
    ASSERT_EQ(r.parts.size(), 1u) << c.text;
    EXPECT_EQ(r.parts[0].wait, 1) << c.text;
    auto t = tone(freq(c.n), c.d * (1 - c.pause), 0.5);
    uint32_t gap = c.pause > 0 ? ws(c.d * c.pause) : 0;
    ASSERT_EQ(r.bytes(), t.size() * 2 + gap) << c.text;
    EXPECT_EQ(std::memcmp(r.samples(), t.data(), t.size() * 2), 0) << c.text << ": pitch or volume";
    for (uint32_t k = t.size(); k < r.bytes() / 2; k++) ASSERT_EQ(r.samples()[k], 0) << c.text;
  }
  // The default quarter: at most 0.4375 s of tone, then 0.0625 s of silence.
  play_settings s;
  rendered r;
  render(r, "C", s);
  EXPECT_LE(r.bytes() - ws(0.0625), ws(0.4375));
  EXPECT_GT(r.bytes() - ws(0.0625), ws(0.4375) - 22 * 4);   // within one cycle of 1046.5 Hz
}

TEST(Play, RestsAndSequencesAddUp) {
  kel_test_reset();
  struct { const char *text; uint32_t bytes; } cases[] = {
      {"P4", ws(0.5)},           {"P", ws(0.5)},             {"P4.", ws(0.75)},
      {"P4..", ws(0.875)},       {"P1", ws(2)},              {"T60P4", ws(1)},
      {"L8P", ws(0.25)},         {"P64", ws(0.03125)},       {"P2P4", ws(1) + ws(0.5)},
      {"P4,P2", ws(1)},          {"P2,P4P4", ws(1)},         {"MSP4", ws(0.5)},
      {"P4C", ws(0.5) + (uint32_t)tone(freq(15), 0.4375, 0.5).size() * 2 + ws(0.0625)},
  };
  for (auto &c : cases) {
    play_settings s;
    rendered r;
    render(r, c.text, s);
    ASSERT_EQ(r.rc, 0) << c.text;
    ASSERT_EQ(r.parts.size(), 1u) << c.text;
    EXPECT_EQ(r.bytes(), c.bytes) << c.text;
  }
  play_settings s;
  rendered r;
  render(r, "", s);
  EXPECT_EQ(r.rc, 0);
  EXPECT_TRUE(r.parts.empty()) << "an empty string renders nothing";
  render(r, "T200 O2 L8 V10 MB ML <", s);
  EXPECT_TRUE(r.parts.empty()) << "settings alone render nothing";
}

TEST(Play, OctaveStepsStopAtTheEnds) {
  kel_test_reset();
  struct { const char *text; int32_t o; int n; } cases[] = {
      {"O6>A", 6, 9 + 72 - 33}, {"O0<A", 0, 9 - 33}, {"O3>A", 4, 24}, {"<A", 3, 12},
      {"O5>>>A", 6, 9 + 72 - 33}, {"O1<<<A", 0, 9 - 33}, {"C<", 3, 15},
  };
  for (auto &c : cases) {
    play_settings s;
    rendered r;
    render(r, c.text, s);
    ASSERT_EQ(r.rc, 0) << c.text;
    EXPECT_EQ(s.o, c.o) << c.text;
    auto t = tone(freq(c.n), 0.4375, 0.5);
    EXPECT_EQ(std::memcmp(r.samples(), t.data(), t.size() * 2), 0) << c.text;
  }
}

TEST(Play, ChordsMixFromOneStartAndTheNextNoteFollowsTheLastShare) {
  kel_test_reset();
  auto alone = [](const char *text) {
    play_settings s;
    rendered r;
    render(r, text, s);
    return std::vector<int16_t>(r.samples(), r.samples() + r.bytes() / 2);
  };
  for (const char *vol : {"V30", "V100"}) {              // three at V100 pass the clamp
    std::string pre = vol;
    auto c = alone((pre + "C").c_str()), e = alone((pre + "E").c_str()), g = alone((pre + "G").c_str());
    play_settings s;
    rendered r;
    render(r, pre + "C,E,G", s);
    ASSERT_EQ(r.rc, 0);
    size_t longest = std::max({c.size(), e.size(), g.size()});
    ASSERT_EQ(r.bytes() / 2, longest);
    bool clamped = false;
    for (size_t k = 0; k < longest; k++) {
      // Each note is mixed in on its own, clamped as it goes.
      int ce = (k < c.size() ? c[k] : 0) + (k < e.size() ? e[k] : 0);
      int sum = std::clamp(ce, -32767, 32767) + (k < g.size() ? g[k] : 0);
      int want = std::clamp(sum, -32767, 32767);
      clamped |= want != sum || ce != std::clamp(ce, -32767, 32767);
      ASSERT_EQ(r.samples()[k], want) << vol << " sample " << k;
    }
    EXPECT_EQ(clamped, pre == "V100");
  }
  // C4 with E8: the following G starts after E8's share, mixed into C4's tail.
  auto c4 = alone("C4"), e8 = alone("E8"), g = alone("G");
  play_settings s;
  rendered r;
  render(r, "C4,E8G", s);
  ASSERT_EQ(r.rc, 0);
  ASSERT_EQ(r.bytes() / 2, e8.size() + g.size());
  for (size_t k = c4.size(); k < r.bytes() / 2; k++)
    ASSERT_EQ(r.samples()[k], g[k - e8.size()]) << "G after the chord, sample " << k;
  size_t k = e8.size() + 1;
  EXPECT_EQ(r.samples()[k], std::clamp(c4[k] + g[1], -32767, 32767));
}

TEST(Play, MalformedStringsAndBadArgumentsFailWithNothingRendered) {
  kel_test_reset();
  const char *bad[] = {
      "O7", "T31", "T256", "L0", "L65", "P0", "P65", "V101", "N85", "C65", "C4#", "C##", "C+-",
      "C#4#", "X", "H", "M", "MX", "M5", "5", "C,,D", "T", "L", "O", "V", "N", ",",
      "C4.5", "T120.", "L.", "O.", "C=", "C4" "\x3d", "+", "C)", "O4 .",
  };
  for (const char *text : bad) {
    play_settings s;
    s.t = 150;
    play_settings before = s;
    rendered r;
    render(r, text, s);
    EXPECT_EQ(r.rc, 5) << text;
    EXPECT_TRUE(r.parts.empty()) << text;
    EXPECT_TRUE(same_settings(s, before)) << text << ": a refused command changes nothing";
  }
  // Settings set before the error stay set; music rendered before it is dropped, even
  // a foreground part that MB had already closed off.
  play_settings s;
  rendered r;
  render(r, "T200 O2 V80 MS CDE MB FGA O9", s);
  EXPECT_EQ(r.rc, 5);
  EXPECT_TRUE(r.parts.empty());
  EXPECT_EQ(s.t, 200);
  EXPECT_EQ(s.o, 2);
  EXPECT_EQ(s.v, 80);
  EXPECT_EQ(s.pause, 0.25);
  EXPECT_EQ(s.mb, 1);
}

TEST(Play, MusicOverTheStretchLimitFailsWithError7AndNothingRendered) {
  kel_test_reset();
  play_settings s;
  rendered three;
  render(three, "T60 L4 CCC", s);                   // three seconds
  ASSERT_EQ(three.rc, 0);
  ASSERT_EQ(three.parts.size(), 1u);
  uint32_t limit = play_max_bytes;
  play_max_bytes = three.parts[0].bytes;
  rendered ok, over, rest, chord;
  render(ok, "T60 L4 CCC", s);                      // exactly at the limit
  render(over, "T60 L4 CCCC", s);
  render(rest, "T60 L4 CCC P4", s);
  render(chord, "T60 L4 C,E,G DDD", s);             // the chord fits, the last note does not
  play_max_bytes = limit;
  EXPECT_EQ(ok.rc, 0);
  for (rendered *r : {&over, &rest, &chord}) {
    EXPECT_EQ(r->rc, 7);
    EXPECT_TRUE(r->parts.empty());
  }
}

TEST(Play, VariableReferencesReadNumbersFromTheDataBlock) {
  kel_test_reset();
  auto put = [](uint16_t off, auto v) { std::memcpy(dblock + off, &v, sizeof v); };
  put(100, (int16_t)8);
  put(110, 2.5);
  put(120, 3.5);
  put(130, 150.0f);
  put(140, (uint32_t)4000000000u);
  put(150, (int8_t)-1);
  put(160, (uint64_t)0xFF);
  put(170, (uint64_t)0x0C);
  put(180, (uint64_t)0x05);
  put(190, (int32_t)-2147483647 - 1);
  put(200, 2147483647.6);
  struct { std::string text; int rc; double play_settings::*field; double want; } cases[] = {
      {"L" + ref(2, 100), 0, &play_settings::l, 8},
      {"L" + ref(8, 110), 0, &play_settings::l, 2},      // half to even
      {"L" + ref(8, 120), 0, &play_settings::l, 4},
      {"T" + ref(4, 130), 0, &play_settings::t, 150},
      {"L" + ref(64 + 4, 160), 0, &play_settings::l, 15},   // 4-bit field of 0xFF
      {"L" + ref(128 + 64 + 4, 180), 0, &play_settings::l, 5},
      {"V" + ref(128 + 64 + 4, 170), 0, &play_settings::v, -4},  // top bit set: sign-extended
      {"V" + ref(20, 190), 0, &play_settings::v, -2147483648.0},
      {"T" + ref(148, 140), 5, nullptr, 0},               // above 2147483647
      {"V" + ref(8, 200), 5, nullptr, 0},
      {"L" + ref(64 + 57, 160), 5, nullptr, 0},           // field wider than 56 bits
      {"L" + ref(3, 100), 5, nullptr, 0},                 // a string is not a number
      {"L4" + ref(2, 100), 5, nullptr, 0},                // after digits
      {"L" + ref(2, 100) + "4", 5, nullptr, 0},           // digits after it
      {"C." + ref(2, 100), 5, nullptr, 0},                // after dots
      {"L" + ref(2, 100).substr(0, 3), 5, nullptr, 0},    // cut short
      {"L" + ref(1, 150), 5, nullptr, 0},                 // -1 is no length
  };
  for (auto &c : cases) {
    play_settings s;
    rendered r;
    render(r, c.text, s);
    EXPECT_EQ(r.rc, c.rc) << c.text.substr(0, 2);
    if (c.field) {
      EXPECT_EQ(s.*c.field, c.want) << c.text.substr(0, 2);
    }
  }
  play_settings s;
  rendered r;
  render(r, "O" + ref(1, 150), s);                         // no lower bound for O
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(s.o, -1);
  play_settings fresh;
  render(r, "C" + ref(2, 100) + ".", fresh);               // an eighth from a variable, dotted
  ASSERT_EQ(r.rc, 0);
  EXPECT_EQ(r.bytes(), tone(freq(15), 0.375 * 0.875, 0.5).size() * 2 + ws(0.375 * 0.125));
}

TEST(Play, PlayQueuesOneSoundAndAForegroundMarker) {
  sound_reset();
  int32_t n0 = sndqueue_next.load();
  sub_play(T(""));
  EXPECT_EQ(sndqueue_next.load(), n0) << "an empty string queues nothing";
  EXPECT_EQ(suspend_program.load(), 0);

  sub_play(T("CDE"));
  EXPECT_EQ(new_error, 0);
  ASSERT_EQ(queue_distance(n0, sndqueue_next.load()), 2);
  Mix_Chunk *music = queued_chunk(n0), *marker = queued_chunk((n0 + 1) % sndqueue_size);
  ASSERT_NE(music, nullptr);
  ASSERT_NE(marker, nullptr);
  play_settings fresh;
  rendered r;
  render(r, "CDE", fresh);
  EXPECT_EQ(music->alen, r.bytes());
  EXPECT_EQ(std::memcmp(music->abuf, r.parts[0].wave, r.bytes()), 0);
  EXPECT_EQ(marker->alen, 4u);
  EXPECT_EQ(sndqueue_wait.load(), (n0 + 1) % sndqueue_size);
  EXPECT_EQ(suspend_program.load() & 2, 2);

  // MB after foreground music: that part with its marker, then the rest without one.
  sound_reset();
  n0 = sndqueue_next.load();
  sub_play(T("C MB D"));
  ASSERT_EQ(queue_distance(n0, sndqueue_next.load()), 3);
  EXPECT_EQ(queued_chunk((n0 + 1) % sndqueue_size)->alen, 4u);
  EXPECT_EQ(sndqueue_wait.load(), (n0 + 1) % sndqueue_size);
  EXPECT_GT(queued_chunk((n0 + 2) % sndqueue_size)->alen, 4u);

  // Errors: error 5, nothing queued, no wait.
  for (const char *text : {"CDEO7", "MB CDE T31", "C MB D L0"}) {
    sound_reset();
    n0 = sndqueue_next.load();
    sub_play(T(text));
    EXPECT_EQ(new_error, 5) << text;
    EXPECT_EQ(sndqueue_next.load(), n0) << text;
    EXPECT_EQ(suspend_program.load(), 0) << text;
  }
  // A pending error: PLAY does nothing.
  sound_reset();
  new_error = 5;
  n0 = sndqueue_next.load();
  sub_play(T("CDE"));
  EXPECT_EQ(sndqueue_next.load(), n0);
  sound_reset();
}

TEST(Play, SettingsCarryOverToTheNextPlay) {
  sound_reset();
  sub_play(T("T200 L8 O2 V30 MS MB"));
  EXPECT_EQ(new_error, 0);
  play_settings want{200, 8, 30, 0.25, 2, 1};
  EXPECT_TRUE(same_settings(play_state, want));
  int32_t n0 = sndqueue_next.load();
  sub_play(T("A"));
  ASSERT_EQ(queue_distance(n0, sndqueue_next.load()), 1) << "background: no marker";
  EXPECT_EQ(suspend_program.load(), 0);
  double d = 60.0 / 200 * 4 / 8;
  auto t = tone(440, d * 0.75, 0.3);
  Mix_Chunk *music = queued_chunk(n0);
  ASSERT_NE(music, nullptr);
  EXPECT_EQ(music->alen, t.size() * 2 + ws(d * 0.25));
  EXPECT_EQ(std::memcmp(music->abuf, t.data(), t.size() * 2), 0);
  sub_play(T("MF"));
  EXPECT_EQ(play_state.mb, 0);
  n0 = sndqueue_next.load();
  sub_play(T("A"));
  EXPECT_EQ(queue_distance(n0, sndqueue_next.load()), 2) << "foreground again: a marker";
  sound_reset();
}

TEST(Play, ForegroundPlayHoldsTheProgramUntilItsMusicHasPlayed) {
  sound_reset();
  sound_feeder main_role;                                 // stands in for the main loop
  int32_t n0 = sndqueue_next.load();
  sub_play(T("L32 CE"));
  uint32_t music = sndqueue[n0];
  int32_t marker = (n0 + 1) % sndqueue_size;
  evnt(10);                                              // held until the marker starts
  EXPECT_EQ(suspend_program.load() & 2, 0);
  EXPECT_EQ(sndqueue_wait.load(), -1);
  EXPECT_NE(sndqueue_first.load(), marker) << "released before the marker was started";
  bool music_open = false;
  for (int i = 0; i < snd_slots; i++) music_open |= snd[i].handle.load() == music;
  EXPECT_FALSE(music_open) << "the marker started before the music had finished";

  sub_play(T("MB L32 CE"));
  EXPECT_EQ(suspend_program.load(), 0) << "background music does not hold the program";
  evnt(11);
  main_role.stop();
  EXPECT_FALSE(main_role.timed_out());
  sound_reset();
}

namespace {

// Each note (a chord once) ends at its place in the stretch, for PLAY(n) to count.
TEST(Play, NoteEndsMarkEachNoteOfAStretch) {
  play_settings s;
  rendered r;
  render(r, "MB L4 C E,G P4 N40", s);
  ASSERT_EQ(r.rc, 0);
  ASSERT_EQ(r.parts.size(), 1u);
  const std::vector<double> &ends = r.parts[0].note_ends;
  ASSERT_EQ(ends.size(), 3u);               // C, the chord E-G, N40; the pause is no note
  EXPECT_GT(ends[0], 0.4);
  EXPECT_LE(ends[0], 0.5);
  EXPECT_LT(ends[0], ends[1]);
  EXPECT_GT(ends[2] - ends[1], 0.9);        // the pause lies between them
  EXPECT_DOUBLE_EQ(ends[2], r.bytes() / (22050.0 * 4));
}

}  // namespace

}  // namespace play_test
