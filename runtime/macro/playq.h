// The background music queue as the program sees it: PLAY(n), the number of notes still to
// play, and ON PLAY(n), which fires when that number drops below n.
#pragma once
#include <cstdint>
#include <vector>

// A stretch of PLAY music was queued: note_ends are the seconds from its start at which its
// notes end, seconds its length. Music plays in the order queued, so a stretch starts when
// the one before it ends, or now; foreground music (wait) delays the queue but holds no
// notes of the background queue.
void playq_add(const std::vector<double> &note_ends, double seconds, int wait);
int32_t func_play(int32_t n);                 // PLAY(n): notes of background music left
void sub_on_play(int32_t n, uint32_t id);     // ON PLAY(n) GOSUB: n 1-32, else error 5
void playq_reset();                           // CLEAR and start-up: the queue is empty
// The same at a given time in tick seconds, for tests.
int32_t playq_count(double now);
