// PLAY(n) and ON PLAY(n): the background notes queued, timed against the clock.
#include "playq.h"
#include <SDL/SDL.h>
#include <algorithm>
#include <deque>
#include "events.h"
#include "host.h"
#include "traps.h"
#include "play_render.h"
#include "platform.h"

static std::deque<double> note_end;            // tick seconds at which each queued note ends
static double queue_end = 0;                   // tick seconds at which the queued music ends
static int32_t play_threshold = 0;             // ON PLAY(n)'s n; 0 = none

static double now_seconds() { return platform_ticks() * 0.001; }

static void drop_played(double now) {
  while (!note_end.empty() && note_end.front() <= now) note_end.pop_front();
}

// The moment the count drops below the threshold, for the timer thread to raise the trap:
// with k notes left, the (k - n + 1)-th note's end. None when fewer than n are left.
static void arm(double now) {
  drop_played(now);
  size_t k = note_end.size(), n = (size_t)play_threshold;
  evnt_traps[trap_play].due = (n && k >= n) ? note_end[k - n] : 0.0;
}

void playq_add(const std::vector<double> &note_ends, double seconds, int wait) {
  double now = now_seconds();
  double start = std::max(now, queue_end);
  if (!wait)
    for (double e : note_ends) note_end.push_back(start + e);
  queue_end = start + seconds;
  arm(now);
}

int32_t playq_count(double now) {
  drop_played(now);
  return (int32_t)note_end.size();
}

int32_t func_play(int32_t) {
  if (new_error) return 0;
  return playq_count(now_seconds());
}

void sub_on_play(int32_t n, uint32_t id) {
  if (new_error) return;
  if (n < 1 || n > 32) { error(5); return; }
  play_threshold = id ? n : 0;
  trap_setup(trap_play, id);
  arm(now_seconds());
}

void playq_reset() {
  note_end.clear();
  queue_end = 0;
  evnt_traps[trap_play].due = 0;
}
