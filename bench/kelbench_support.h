// Shared pieces of kelbench: the runtime's header, the statement protocol as translated
// programs spell it, and the checks every benchmark makes on the runtime's state.
#pragma once
#include <benchmark/benchmark.h>
#include "kel.h"
#include "ratio.h"

// The statement protocol exactly as the translator writes it: run the statement, test
// kelevent, and on an event call evnt and repeat when asked.
#define KB_S(line, ...) for (;;) { __VA_ARGS__; if (!kelevent) break; evnt(line); if (evnt_repeat != 1) break; }

// A translated PRINT item: assigned to a fresh string, fitted to the line, printed, freed.
static inline void kb_print(kels *s) {
  kels *item = kels_new(0, 0);
  kels_set(item, s);
  if (!new_error) { makefit(item); kels_print(item, 0); }
  kels_free(item);
}

// Marks the benchmark failed when the runtime raised an error during it.
inline bool bench_runtime_ok(benchmark::State &state) {
  if (!new_error) return true;
  state.SkipWithError("the runtime raised an error");
  new_error = 0;
  kelevent = 0;
  return false;
}
