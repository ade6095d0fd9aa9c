// PLAY's music rendered into stretches of sound, and handed to the queue of notes.
#pragma once
#include <cstdint>
#include <vector>

// The settings kept between PLAY statements.
struct play_settings {
  double t = 120;          // tempo, quarter notes per minute
  double l = 4;            // default note length (4 = quarter)
  double v = 50;           // volume 0-100
  double pause = 0.125;    // silent share of a note: 0 legato, 0.125 normal, 0.25 staccato
  int32_t o = 4;           // octave 0-6
  double mb = 0;           // 0 foreground, non-zero background
};

extern play_settings play_state;

// The most one stretch of rendered music may take: 1 GiB, about three hours.
extern uint32_t play_max_bytes;

// One rendered stretch of music, ready for func__sndraw: a malloc'd buffer of stereo
// 16-bit frames, and whether the program waits for it (a foreground stretch).
struct play_part {
  uint8_t *wave;
  uint32_t bytes;
  int wait;
  std::vector<double> note_ends;   // seconds from the stretch's start at which each note ends
};

// Renders a PLAY string with the settings s, which the commands change as they run (also
// those before an error). Returns 0 with the stretches to queue in order (MB after
// rendered foreground music starts a new one), or an error with parts empty and nothing
// left allocated: 5 for a malformed string, 7 when memory runs out or one stretch would
// exceed play_max_bytes. Touches neither the sound queue nor the error state.
int play_render(const uint8_t *text, uint32_t len, play_settings &s, std::vector<play_part> &parts);

// A stretch of PLAY music was queued: note_ends are the seconds from its start at which its
// notes end, seconds its length. Music plays in the order queued, so a stretch starts when
// the one before it ends, or now; foreground music (wait) delays the queue but holds no
// notes of the background queue.
void playq_add(const std::vector<double> &note_ends, double seconds, int wait);
