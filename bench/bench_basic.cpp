// BASIC programs from bench/basic, translated by the project's translator, against the same
// work written plainly in C++ (compiled with the same flags). Each program leaves its result in
// four bytes at 0000:0600, compared with the plain version's, so neither side skips work.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>
#include "kelbench_support.h"

void bench_sieve();
void bench_mandel();
void bench_strings();
void bench_pset();
void bench_gosub();

namespace {

int32_t plain_sieve() {
  static std::vector<int16_t> flags;
  const int32_t n = 2000000;
  flags.assign((size_t)n + 1, 0);
  for (int32_t i = 2; i <= n; i++) flags[(size_t)i] = 1;
  int32_t count = 0;
  for (int32_t i = 2; i <= n; i++)
    if (flags[(size_t)i]) {
      count++;
      for (int32_t j = i + i; j <= n; j += i) flags[(size_t)j] = 0;
    }
  return count;
}

int32_t plain_mandel() {
  int32_t total = 0;
  for (int y = 0; y <= 99; y++)
    for (int x = 0; x <= 159; x++) {
      float cr = (float)x * 0.01875f - 2.0f, ci = (float)y * 0.02f - 1.0f;
      float zr = 0, zi = 0;
      int k = 0;
      while (k < 64 && zr * zr + zi * zi < 4.0f) {
        float t = zr * zr - zi * zi + cr;
        zi = 2.0f * zr * zi + ci;
        zr = t;
        k++;
      }
      total += k;
    }
  return total;
}

int32_t plain_strings() {
  std::string a;
  for (int i = 1; i <= 2000; i++) a += (char)(65 + (i * 7) % 26);
  int32_t sum = 0;
  for (int i = 1; i <= 2000; i += 50)
    for (int c = 65; c <= 90; c++) {
      size_t at = a.find((char)c, (size_t)i - 1);
      sum += at == std::string::npos ? 0 : (int32_t)at + 1;
    }
  return sum;
}

// A subroutine as a function called a million times.
[[gnu::noinline]] void add_two(int32_t &total, int32_t v) { total += v; }
int32_t plain_gosub() {
  int32_t total = 0;
  for (int i = 1; i <= 1000000; i++) add_two(total, 2);
  return total;
}

// A put-pixel function with clipping into a 320 x 200 byte page, called for each pixel.
uint8_t plain_page[320 * 200];
[[gnu::noinline]] void put_pixel(int x, int y, uint8_t c) {
  if (x < 0 || y < 0 || x >= 320 || y >= 200) return;
  plain_page[y * 320 + x] = c;
}

void BM_BasicSieve(benchmark::State &state) { basic_against_plain(state, bench_sieve, plain_sieve); }
BENCHMARK(BM_BasicSieve)->Unit(benchmark::kMillisecond);

void BM_BasicMandelbrot(benchmark::State &state) { basic_against_plain(state, bench_mandel, plain_mandel); }
BENCHMARK(BM_BasicMandelbrot)->Unit(benchmark::kMillisecond);

void BM_BasicStrings(benchmark::State &state) { basic_against_plain(state, bench_strings, plain_strings); }
BENCHMARK(BM_BasicStrings)->Unit(benchmark::kMillisecond);

void BM_BasicGosub(benchmark::State &state) { basic_against_plain(state, bench_gosub, plain_gosub); }
BENCHMARK(BM_BasicGosub)->Unit(benchmark::kMillisecond);

void BM_BasicPset(benchmark::State &state) {
  kelg_screen(13, 0, 0, 0, 0, 1);
  bench_pset();
  for (int y = 0; y < 200; y++)
    for (int x = 0; x < 320; x++) put_pixel(x, y, (uint8_t)(y & 255));
  if (!bench_runtime_ok(state)) return;
  if (std::memcmp(write_page->pixels, plain_page, sizeof plain_page) != 0) {
    state.SkipWithError("the BASIC program's page differs from the plain one's");
    return;
  }
  bench_ratio(state, 1, bench_pset, [] {
    for (int y = 0; y < 200; y++)
      for (int x = 0; x < 320; x++) put_pixel(x, y, (uint8_t)(y & 255));
    bench_sink = plain_page[(size_t)bench_sink & 0xFFFF];
  });
}
BENCHMARK(BM_BasicPset)->Unit(benchmark::kMillisecond);

}  // namespace
