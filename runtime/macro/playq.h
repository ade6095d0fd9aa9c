// The background music queue as the program sees it: PLAY(n), the number of notes still to
// play, and ON PLAY(n), which fires when that number drops below n.
#pragma once
#include <cstdint>

int32_t func_play(int32_t n);                 // PLAY(n): notes of background music left
void sub_on_play(int32_t n, uint32_t id);     // ON PLAY(n) GOSUB: n 1-32, else error 5
void playq_reset();                           // CLEAR and start-up: the queue is empty
// The same at a given time in tick seconds, for tests.
int32_t playq_count(double now);
