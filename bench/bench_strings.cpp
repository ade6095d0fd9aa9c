// String and number benchmarks: assignment, appending, STR$, VAL, RND and the bare statement.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include "kelbench_support.h"

// A line of the length the game's texts have (longer than std::string keeps inline).
static const char haiku_line[] = "The old pond, a frog jumps in";

static void BM_StringAssign(benchmark::State &state) {
  kels *v = kels_new(0, 0);
  std::string s;
  const uint32_t len = sizeof haiku_line - 1;
  const int n = 1024;
  uint32_t base = kels_tmp_list_nexti;
  bench_ratio(state, n,
      [&] { for (int i = 0; i < n; i++) { KB_S(1, kels_set(v, kels_tmp_from(haiku_line, len)); kels_cleanup(base, 0);) } },
      [&] {
        for (int i = 0; i < n; i++) {
          std::string t(haiku_line, len);
          s = std::move(t);
          benchmark::DoNotOptimize(s);
        }
      });
  if (v->len != len || std::memcmp(v->text, haiku_line, len)) state.SkipWithError("wrong text assigned");
  kels_free(v);
  bench_runtime_ok(state);
}
BENCHMARK(BM_StringAssign);

static void BM_StringConcat(benchmark::State &state) {
  kels *v = kels_new(0, 0);
  const int n = 1000;
  uint32_t base = kels_tmp_list_nexti;
  bench_ratio(state, n,
      [&] {
        kels_set(v, kels_new_txt(""));
        for (int i = 0; i < n; i++) {
          KB_S(1, kels_append_txt(v, "x", 1); kels_cleanup(base, 0);)
        }
      },
      [&] {
        std::string s;
        for (int i = 0; i < n; i++) s += 'x';
        benchmark::DoNotOptimize(s);
      });
  if (v->len != (uint32_t)n) state.SkipWithError("wrong length after appending");
  kels_free(v);
  bench_runtime_ok(state);
}
BENCHMARK(BM_StringConcat);

static const float singles[8] = {3.14159274f, -1234.5f, 1e-5f, 6.02e23f, 0.1f, 65535.f, -7.f, 123456.7f};

static void BM_StrSingle(benchmark::State &state) {
  const int n = 256;
  uint32_t base = kels_tmp_list_nexti;
  char buf[32];
  bench_ratio(state, n,
      [&] {
        for (int i = 0; i < n; i++) {
          kels *s = kels_str(singles[i & 7]);
          benchmark::DoNotOptimize(s->text[0]);
          kels_cleanup(base, 0);
        }
      },
      [&] {
        for (int i = 0; i < n; i++) {
          std::snprintf(buf, sizeof buf, "%.7g", (double)singles[i & 7]);
          benchmark::DoNotOptimize(buf[0]);
        }
      });
  bench_runtime_ok(state);
}
BENCHMARK(BM_StrSingle);

static const char *const decimals[8] = {"3.14159", "-1234.5", "1E-5", "6.02E+23",
                                        "0.1", "65535", "-7", "123456.7"};

static void BM_Val(benchmark::State &state) {
  kels *texts[8];
  for (int i = 0; i < 8; i++) texts[i] = kels_new_txt_len(decimals[i], (int32_t)std::strlen(decimals[i]));
  const int n = 256;
  long double sum = 0;
  double dsum = 0;
  bench_ratio(state, n,
      [&] { for (int i = 0; i < n; i++) sum += func_val(texts[i & 7]); benchmark::DoNotOptimize(sum); },
      [&] { for (int i = 0; i < n; i++) dsum += std::strtod(decimals[i & 7], nullptr); benchmark::DoNotOptimize(dsum); });
  if (sum != (long double)dsum && std::abs((double)sum - dsum) > 1e-6 * std::abs(dsum))
    state.SkipWithError("VAL and strtod disagree");
  for (kels *t : texts) kels_free(t);
  bench_runtime_ok(state);
}
BENCHMARK(BM_Val);

static void BM_Rnd(benchmark::State &state) {
  const int n = 4096;
  std::minstd_rand g;
  float sum = 0, bsum = 0;
  bench_ratio(state, n,
      [&] { for (int i = 0; i < n; i++) sum += func_rnd(1, 0); benchmark::DoNotOptimize(sum); },
      [&] { for (int i = 0; i < n; i++) bsum += (float)g() / 2147483647.0f; benchmark::DoNotOptimize(bsum); });
  bench_runtime_ok(state);
}
BENCHMARK(BM_Rnd);

static void BM_Statement(benchmark::State &state) {
  const int n = 100000;
  uint32_t base = kels_tmp_list_nexti;
  bench_ratio(state, n,
      [&] { for (int i = 0; i < n; i++) { KB_S(1, kels_cleanup(base, 0);) } },
      [&] {
        for (int i = 0; i < n; i++)
          if (kelevent.load()) benchmark::DoNotOptimize(i);
      });
  bench_runtime_ok(state);
}
BENCHMARK(BM_Statement);
