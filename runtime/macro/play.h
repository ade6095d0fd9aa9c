// PLAY: the music strings, rendered into one buffer of stereo 16-bit frames and queued
// as one raw sound, with the settings that carry over from one PLAY to the next (the
// rendering and the settings are in play_render.h).
#pragma once
#include <cstdint>

struct kels;

// PLAY string: renders with play_state and queues the music; in foreground mode the
// program is held (in evnt) until the music has been played. Error 5 for a malformed
// string or an argument out of range, and then nothing is queued.
void sub_play(kels *s);
