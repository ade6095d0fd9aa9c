// Event traps: ON KEY, ON PLAY, ON STRIG, ON PEN, ON COM and ON UEVENT handlers, their
// states and the events waiting for them.
#include "traps.h"
#include "events.h"

evnt_trap evnt_traps[trap_count];
void (*evnt_trap_handler)(uint32_t, int64_t) = nullptr;

static bool valid(int trap) { return trap > 0 && trap < trap_count; }

int trap_number(int32_t source, int32_t n) {
  if (new_error) return -1;
  switch (source) {
    case 1:
      if ((n >= 1 && n <= 25) || n == 30 || n == 31) return trap_key + n;
      break;
    case 3:
      if (n >= 0 && n <= 6 && n % 2 == 0) return trap_strig + n / 2;
      break;
    case 4: return trap_pen;
    case 5:
      if (n >= 1 && n <= 2) return trap_com + n;
      break;
    case 6: return trap_uevent;
  }
  error(5);
  return -1;
}

void trap_setup(int trap, uint32_t id) {
  if (new_error) return;
  if (!valid(trap)) { error(5); return; }
  evnt_traps[trap].id = id;
  if (!id) evnt_traps[trap].pending = 0;
}

void trap_switch(int trap, int kind) {
  if (new_error) return;
  if (!valid(trap) || kind < 1 || kind > 3) { error(5); return; }
  evnt_trap &t = evnt_traps[trap];
  if (kind == 2) {
    t.state = 0;
    t.pending = 0;
    return;
  }
  t.state = kind == 1 ? 1 : 2;
  if (kind == 1 && t.pending.load()) kelevent = 1;   // remembered while stopped: runs now
}

bool trap_armed(int trap) {
  if (!valid(trap)) return false;
  const evnt_trap &t = evnt_traps[trap];
  return t.id.load() && t.state.load();
}

bool trap_raise(int trap) {
  if (!trap_armed(trap)) return false;
  evnt_traps[trap].pending = 1;
  if (evnt_traps[trap].state.load() == 1) kelevent = 1;
  return true;
}

void trap_scan_due(double now) {
  for (int i = 1; i < trap_count; i++) {
    double due = evnt_traps[i].due.load();
    if (due > 0 && now >= due && evnt_traps[i].due.compare_exchange_strong(due, 0)) trap_raise(i);
  }
}

void trap_dispatch() {
  for (int i = 1; i < trap_count; i++) {
    evnt_trap &t = evnt_traps[i];
    if (t.running || t.state.load() != 1 || !t.id.load() || !t.pending.exchange(0)) continue;
    uint32_t id = t.id.load();
    struct running_guard {             // also when the handler leaves by RESUME label's unwinding
      evnt_trap &t;
      ~running_guard() { t.running = 0; }
    } guard{t};
    t.running = 1;
    if (evnt_trap_handler) evnt_trap_handler(id, 0);
    if (t.pending.load() && t.state.load() == 1) kelevent = 1;   // came during the handler
  }
}

void traps_reset() {
  for (evnt_trap &t : evnt_traps) {
    t.id = 0;
    t.state = 0;
    t.pending = 0;
    t.due = 0;
    t.running = 0;
  }
}
