// Shared pieces of kelbench: the runtime's header, the statement protocol as translated
// programs spell it, and the checks every benchmark makes on the runtime's state.
#pragma once
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstring>
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

// The result a program from bench/basic leaves in the four bytes at 0000:0600.
inline int32_t basic_result() {
  int32_t v;
  std::memcpy(&v, cmem + 0x600, sizeof v);
  return v;
}

// The compiler must not drop the plain versions' work: their results go through here.
inline volatile int64_t bench_sink;

// Times a translated BASIC program against its plain C++ version. Both run once first and
// their results are compared: a runtime error or a different result fails the benchmark.
template <class B, class P>
void basic_against_plain(benchmark::State &state, B basic, P plain) {
  std::memset(cmem + 0x600, 0, 4);
  basic();
  int32_t want = plain();
  if (!bench_runtime_ok(state)) return;
  if (basic_result() != want) {
    state.SkipWithError("the BASIC program's result differs from the plain one's");
    return;
  }
  bench_ratio(state, 1, basic, [&] { bench_sink = plain(); });
}
