// Statement events, errors, GOSUB return points, the static variable area and CLEAR.
#pragma once
#include <atomic>
#include <cstdint>

extern std::atomic<int> kelevent;
extern int new_error;
extern uint32_t ercl;
extern int evnt_repeat;             // 1: evnt asks for the statement again (RESUME)
extern int error_retry;
extern int error_goto_line;
extern int error_handling;
extern int error_err;
extern double error_erl;
extern int error_occurred;
extern double last_line;

extern uint32_t *return_point;
extern int32_t return_points;
extern uint32_t next_return_point;
extern int event_return;

extern uint8_t *mem_static, *mem_static_pointer, *mem_static_limit;
extern uint32_t mem_static_size;

void error(int n);                 // critical numbers (256 and up) never return
// The program's ON ERROR handler, entered by fix_error with error_goto_line naming it; it
// returns at RESUME or RESUME NEXT. Null when the program has no handler.
extern void (*error_handler)();
void evnt(uint32_t line);
void events();
void fix_error();
int get_error_err();
double get_error_erl();
void more_return_points();
void *mem_static_malloc(uint32_t bytes);
void mem_static_restore(void *pointer);
void sub_clear();

const char *error_text(int n);      // the table's text, or "Unprintable error"

// Subsystems and the translated program add what CLEAR resets (variables, images, sounds).
void kel_on_clear(void (*fn)());

// Runs the ON TIMER handlers that are due; events() calls it between statements. The timing
// module, which owns the timer slots, registers it.
extern void (*evnt_timer_dispatch)();

// GOSUB and RETURN as translated code uses them: push the call site's return id; pop it
// back (0 = return from the routine). An empty stack outside an event handler raises
// error 3 and returns -1; inside a handler it returns 0.
// The count is read once and written once (a store into the stack could otherwise be the
// count itself as far as the compiler knows, and it would read the count back after it).
inline void gosub_push(uint32_t id) {
  uint32_t n = next_return_point;
  return_point[n] = id;
  next_return_point = n + 1;
  if (__builtin_expect(n + 1 >= (uint32_t)return_points, 0)) more_return_points();
}
inline int64_t return_pop() {
  if (next_return_point) return return_point[--next_return_point];
  if (event_return) return 0;
  error(3);
  return -1;
}
