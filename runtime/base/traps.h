// Event traps beside ON TIMER: ON KEY(n), ON PLAY(n), ON STRIG(n), ON PEN, ON COM(n) and
// ON UEVENT. Each trap has a handler id (ON ... GOSUB), a state the program switches
// (n ON / OFF / STOP) and a pending flag raised by whichever thread sees the event; the
// handlers run between statements, from events(), the way the ON TIMER handlers do.
#pragma once
#include <atomic>
#include <cstdint>

// Trap numbers: KEY(1) ... KEY(31) are 1 ... 31 (0 unused), then one trap each for PLAY,
// STRIG(0), STRIG(2), STRIG(4), STRIG(6), PEN, COM(1), COM(2) and UEVENT.
constexpr int trap_key = 0;                   // + key number 1-31
constexpr int trap_play = 32;
constexpr int trap_strig = 33;                // + button number / 2
constexpr int trap_pen = 37;
constexpr int trap_com = 37;                  // + port number 1-2
constexpr int trap_uevent = 40;
constexpr int trap_count = 41;

struct evnt_trap {
  std::atomic<uint32_t> id;       // handler id, 0 = none
  std::atomic<uint8_t> state;     // 0 off, 1 on, 2 stopped (events remembered, not run)
  std::atomic<uint8_t> pending;   // 1 = an event waits for its handler
  std::atomic<double> due;        // tick seconds at which the timer thread raises it; 0 none
  uint8_t running;                // its handler runs (game thread only)
};

extern evnt_trap evnt_traps[trap_count];

// The translated program's entry for every event handler (id, pass), as for ON TIMER.
extern void (*evnt_trap_handler)(uint32_t id, int64_t pass);

// The trap of a statement's source and number: source 1 KEY(n) (n 1-25, 30, 31), 3 STRIG(n)
// (n 0, 2, 4, 6), 4 PEN, 5 COM(n) (n 1-2), 6 UEVENT; error 5 and -1 for any other number.
int trap_number(int32_t source, int32_t n);
void trap_setup(int trap, uint32_t id);       // ON ... GOSUB: id 0 switches the handler off
// n ON (kind 1), OFF (2: a remembered event is forgotten), STOP (3). Switching a trap on
// with an event remembered raises kelevent, so its handler runs at the next statement.
void trap_switch(int trap, int kind);
// Any thread: the trap's event happened. Returns true when the trap takes it (it has a
// handler and is on or stopped); false when it is off and the event goes its ordinary way.
bool trap_raise(int trap);
bool trap_armed(int trap);                    // would trap_raise take an event now
// The timer thread: raises every trap whose due time has come.
void trap_scan_due(double now);
// events(): runs the handler of each trap that is on, has an event waiting and whose
// handler is not running already. An event arriving while its handler runs waits for the
// RETURN and then runs the handler once more.
void trap_dispatch();
void traps_reset();                           // start-up and tests: every trap off, no handler
