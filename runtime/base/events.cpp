// Statement events: error(), evnt(), the unhandled-error box, GOSUB return points,
// the static variable area and CLEAR.
#include "events.h"
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <vector>
#include "flags.h"
#include "platform.h"
#include "traps.h"

std::atomic<int> kelevent{0};
int new_error = 0;
uint32_t ercl = 0;
int evnt_repeat = 0;
int error_retry = 0;
int error_goto_line = 0;
int error_handling = 0;
int error_err = 0;
double error_erl = 0;
int error_occurred = 0;
void (*error_handler)() = nullptr;
void (*evnt_timer_dispatch)() = nullptr;
double last_line = 0;

// The GOSUB stack starts in a block of its own, so a push never finds it missing; past that
// it moves to the heap and doubles.
static uint32_t first_return_points[1024];
uint32_t *return_point = first_return_points;
int32_t return_points = 1024;
uint32_t next_return_point = 0;
int event_return = 0;

uint8_t *mem_static = nullptr, *mem_static_pointer = nullptr, *mem_static_limit = nullptr;
uint32_t mem_static_size = 0;

static std::vector<void (*)()> clear_hooks;

struct error_entry { int n; const char *text; };
static const error_entry error_table[] = {
  {1, "NEXT without FOR"}, {2, "Syntax error"}, {3, "RETURN without GOSUB"}, {4, "Out of DATA"},
  {5, "Illegal function call"}, {6, "Overflow"}, {7, "Out of memory"}, {8, "Label not defined"},
  {9, "Subscript out of range"}, {10, "Duplicate definition"}, {11, "Division by zero"},
  {12, "Illegal in direct mode"}, {13, "Type mismatch"}, {14, "Out of string space"},
  {16, "String formula too complex"}, {17, "Cannot continue"}, {18, "Function not defined"},
  {19, "No RESUME"}, {20, "RESUME without error"}, {24, "Device timeout"}, {25, "Device fault"},
  {26, "FOR without NEXT"}, {27, "Out of paper"}, {29, "WHILE without WEND"},
  {30, "WEND without WHILE"}, {33, "Duplicate label"}, {35, "Subprogram not defined"},
  {37, "Argument-count mismatch"}, {38, "Array not defined"}, {40, "Variable required"},
  {50, "FIELD overflow"}, {51, "Internal error"}, {52, "Bad file name or number"},
  {53, "File not found"}, {54, "Bad file mode"}, {55, "File already open"},
  {56, "FIELD statement active"}, {57, "Device I/O error"}, {58, "File already exists"},
  {59, "Bad record length"}, {61, "Disk full"}, {62, "Input past end of file"},
  {63, "Bad record number"}, {64, "Bad file name"}, {67, "Too many files"},
  {68, "Device unavailable"}, {69, "Communication-buffer overflow"}, {70, "Permission denied"},
  {71, "Disk not ready"}, {72, "Disk-media error"}, {73, "Feature unavailable"},
  {74, "Rename across disks"}, {75, "Path/File access error"}, {76, "Path not found"},
  {258, "Invalid handle"},
};

const char *error_text(int n) {
  for (const auto &e : error_table)
    if (e.n == n) return e.text;
  return "Unprintable error";
}

static bool is_critical(int n) { return n == 256 || n == 257 || (n >= 502 && n <= 517); }

[[noreturn]] static void critical_error(int n) {
  char caption[64];
  const char *text = "Out of memory";
  if (n == 256) {
    text = "Out of stack space";
    std::snprintf(caption, sizeof caption, "Critical Error");
  } else if (n == 257) {
    std::snprintf(caption, sizeof caption, "Critical Error #1");
  } else {
    std::snprintf(caption, sizeof caption, "Critical Error #%d", n - 500);
  }
  platform_msgbox(caption, text, msgbox_kind::ok);   // answered, or withdrawn by a stop
  kel_exit(0);
}

void error(int n) {
  if (is_critical(n)) critical_error(n);
  if (new_error) return;               // the first error of a statement wins
  if (n < 1) n = 5;
  new_error = n;
  kelevent = 1;
}

void evnt(uint32_t line) {
  kelevent = 0;
  evnt_repeat = 0;
  while (suspend_program.load() || stop_program.load() == 1) {
    if (stop_program.load() == 1) end();
    platform_sleep(10);
  }
  if (new_error) {
    ercl = line;
    fix_error();
    if (error_retry) {
      error_retry = 0;
      evnt_repeat = 1;
    }
  } else {
    events();
  }
}

void events() {
  if (error_handling == 1) return;
  if (evnt_timer_dispatch) evnt_timer_dispatch();
  trap_dispatch();
}

void fix_error() {
  if (error_goto_line && !error_handling) {
    error_err = new_error;
    new_error = 0;
    error_erl = last_line;
    error_occurred = 1;
    // A program without a handler has no dispatch target: it ends as the dialect's
    // translated programs do when they have none.
    if (!error_handler) kel_exit(99);
    error_occurred = 0;
    error_handling = 1;
    error_handler();
    return;
  }
  char text[256], caption[64];
  std::snprintf(text, sizeof text, "Line:%u\n%s\nContinue?", ercl, error_text(new_error));
  std::snprintf(caption, sizeof caption, "Unhandled Error #%d", new_error);
  int answer = platform_msgbox(caption, text, msgbox_kind::yesno);
  if (answer < 0) end();                       // the process is stopping: no answer will come
  if (answer == 0) kel_exit(0);
  new_error = 0;
}

int get_error_err() { return error_err; }
double get_error_erl() { return error_erl; }

void more_return_points() {
  if (return_points < 0 || return_points > (1 << 29)) error(256);
  int32_t n = return_points * 2;
  uint32_t *p;
  if (return_point == first_return_points) {
    p = static_cast<uint32_t *>(std::malloc(sizeof(uint32_t) * (size_t)n));
    if (p) std::memcpy(p, first_return_points, sizeof first_return_points);
  } else {
    p = static_cast<uint32_t *>(std::realloc(return_point, sizeof(uint32_t) * (size_t)n));
  }
  if (!p) error(256);
  return_point = p;
  return_points = n;
}

void *mem_static_malloc(uint32_t bytes) {
  // Every allocation starts on an 8-byte boundary, so any variable type may live there.
  if (mem_static) mem_static_pointer += (0u - (uintptr_t)mem_static_pointer) & 7;
  if (!mem_static || mem_static_pointer + bytes >= mem_static_limit) {
    uint32_t size = mem_static ? bytes + 2 * mem_static_size : std::max<uint32_t>(1048576, bytes + 1);
    auto *block = static_cast<uint8_t *>(std::calloc(size, 1));
    if (!block) error(504);
    mem_static = block;                // the old block stays allocated: earlier variables keep it
    mem_static_pointer = block;
    mem_static_size = size;
    mem_static_limit = block + size;
  }
  uint8_t *p = mem_static_pointer;
  mem_static_pointer += bytes;
  std::memset(p, 0, bytes);
  return p;
}

void mem_static_restore(void *pointer) {
  auto *p = static_cast<uint8_t *>(pointer);
  mem_static_pointer = (p >= mem_static && p < mem_static_limit) ? p : mem_static;
}

void kel_on_clear(void (*fn)()) { clear_hooks.push_back(fn); }

void sub_clear() {
  for (auto &fn : clear_hooks) fn();
  next_return_point = 0;
  error_goto_line = 0;
  error_handling = 0;
}
