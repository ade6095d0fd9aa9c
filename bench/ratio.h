// Paired timing for kelbench: a runtime operation and its plain baseline, measured in
// alternating batches in the same run and reported as the counter `ratio`.
#pragma once
#include <benchmark/benchmark.h>
#include <algorithm>
#include <chrono>
#include <vector>

// Seconds one call of f takes on the steady clock.
template <class F> inline double bench_seconds(F &f) {
  auto t0 = std::chrono::steady_clock::now();
  f();
  auto t1 = std::chrono::steady_clock::now();
  return std::chrono::duration<double>(t1 - t0).count();
}

inline double bench_median(std::vector<double> v) {
  if (v.empty()) return 0;
  size_t mid = v.size() / 2;
  std::nth_element(v.begin(), v.begin() + mid, v.end());
  return v[mid];
}

// Each benchmark iteration times one batch of the runtime operation and one batch of the
// baseline, the order swapped every iteration so neither side always finds the caches warm.
// Both batches of a pair run under the same load from other processes, so the quotient of a
// pair cancels most of it; `ratio` is the median quotient. The per-operation medians are
// reported beside it (runtime_ns, baseline_ns) with ops_per_batch telling how to divide.
template <class R, class B>
void bench_ratio(benchmark::State &state, int ops_per_batch, R &&runtime, B &&baseline) {
  std::vector<double> rt, bl, q;
  bool runtime_first = true;
  for (auto _ : state) {
    double a, b;
    if (runtime_first) {
      a = bench_seconds(runtime);
      b = bench_seconds(baseline);
    } else {
      b = bench_seconds(baseline);
      a = bench_seconds(runtime);
    }
    runtime_first = !runtime_first;
    rt.push_back(a);
    bl.push_back(b);
    if (b > 0) q.push_back(a / b);
  }
  state.counters["ratio"] = bench_median(q);
  state.counters["runtime_ns"] = bench_median(rt) * 1e9 / ops_per_batch;
  state.counters["baseline_ns"] = bench_median(bl) * 1e9 / ops_per_batch;
}
