// A third group of BASIC kernels, in shapes the first two do not take: a local record copied
// to and from an array of records in a SUB, a flood fill with an explicit stack and a GOSUB, a
// queue simulated with ON ... GOSUB inside a SUB, a text adventure's parser of string
// FUNCTIONs and SELECT CASE on strings, word counts in a SHARED string array, and a SINGLE
// matrix product through a SUB. Each plain version does the same work with the same types and
// operations, so the results agree to the bit and are compared before timing.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>
#include "kelbench_support.h"
void bench_balls();
void bench_flood();
void bench_queue();
void bench_parser();
void bench_wordfreq();
void bench_matmul_single();

namespace shape_balls {
namespace {
struct ball { float x, y, dx, dy; int16_t hits; };
const int16_t nb = 600;
ball balls[nb + 1];
void step_all(ball *b, int16_t n) {
  for (int16_t i = 1; i <= n; i++) {
    ball t = b[i];
    t.dy = t.dy + 0.1f;
    t.x = t.x + t.dx; t.y = t.y + t.dy;
    if (t.x < 0) { t.x = -t.x; t.dx = -t.dx; t.hits++; }
    else if (t.x > 319) { t.x = 638 - t.x; t.dx = -t.dx; t.hits++; }
    if (t.y > 199) { t.y = 398 - t.y; t.dy = -t.dy * 0.9f; t.hits++; }
    else if (t.y < 0) { t.y = -t.y; t.dy = -t.dy; }
    float speed = std::sqrt(t.dx * t.dx + t.dy * t.dy);
    if (speed > 6) { t.dx = t.dx * 0.8f; t.dy = t.dy * 0.8f; }
    b[i] = t;
  }
}
}  // namespace
int32_t plain_balls() {
  for (int16_t i = 1; i <= nb; i++) {
    balls[i].x = (float)(i * 37 % 320); balls[i].y = (float)(i * 11 % 200);
    balls[i].dx = (float)(i % 9 - 4) * 0.75f; balls[i].dy = (float)(i % 5 - 2) * 0.5f;
    balls[i].hits = 0;
  }
  for (int16_t f = 1; f <= 1000; f++) step_all(balls, nb);
  int32_t sum = 0;
  for (int16_t i = 1; i <= nb; i++)
    sum = (int32_t)std::llrint((double)((float)(sum + balls[i].hits * 3) + std::floor(balls[i].x) + std::floor(balls[i].y)));
  return sum;
}
}  // namespace shape_balls

namespace shape_flood {
int32_t plain_flood() {
  const int16_t w = 100, h = 60;
  static int16_t g[w + 2][h + 2];   // G(X, Y): the first subscript counts slowest
  static int16_t sx[25001], sy[25001];
  for (auto &x : sx) x = 0;
  for (auto &y : sy) y = 0;
  for (int16_t y = 0; y <= h + 1; y++)
    for (int16_t x = 0; x <= w + 1; x++) {
      if (x == 0 || y == 0 || x == w + 1 || y == h + 1) g[x][y] = -1;
      else if ((x * 7 + y * 11) % 13 == 0) g[x][y] = -1;
      else if (x % 10 == 5 && y % 6 != 3) g[x][y] = -1;
      else g[x][y] = 0;
    }
  int32_t filled = 0;
  for (int16_t colour = 1; colour <= 32; colour++) {
    int16_t sp = 1;
    sx[1] = w / 2 + 1; sy[1] = h / 2;
    auto push = [&](int16_t nx, int16_t ny) {
      if (g[nx][ny] >= 0 && g[nx][ny] != colour) { sp++; sx[sp] = nx; sy[sp] = ny; }
    };
    while (sp > 0) {
      int16_t x = sx[sp], y = sy[sp];
      sp--;
      if (g[x][y] != colour && g[x][y] >= 0) {
        g[x][y] = colour; filled++;
        push(x + 1, y); push(x - 1, y); push(x, y + 1); push(x, y - 1);
      }
    }
  }
  int32_t sum = 0;
  for (int16_t y = 1; y <= h; y++)
    for (int16_t x = 1; x <= w; x++) sum += g[x][y] * ((x + y) % 7);
  return (filled * 5 + sum) & 0x7FFFFFFF;
}
}  // namespace shape_flood

namespace shape_queue {
namespace {
const int16_t qsize = 64;
int32_t q[qsize];
int16_t head, tail, count, stk[101], sp;
int32_t bins[6], served, waited, dropped, popped;
void simulate(int32_t ticks) {
  int32_t seed = 1;
  for (int32_t t = 1; t <= ticks; t++) {
    seed = (seed * 25173 + 13849) & 65535;
    int16_t ev = (int16_t)((seed / 256) % 5 + 1);
    switch (ev) {
      case 1: case 3:
        if (count < qsize) { q[tail] = t; tail = (tail + 1) % qsize; count++; }
        else dropped++;
        break;
      case 2: case 4:
        if (count > 0) {
          int32_t w = t - q[head]; head = (head + 1) % qsize; count--;
          served++; waited += w;
          int16_t b;
          if (w >= 0 && w <= 2) b = 1;
          else if (w >= 3 && w <= 9) b = 2;
          else if (w >= 10 && w <= 30) b = 3;
          else if (w > 100) b = 5;
          else b = 4;
          bins[b]++;
        }
        break;
      case 5:
        if ((t & 1) == 1 && sp < 100) { sp++; stk[sp] = (int16_t)(t & 255); }
        else if (sp > 0) { popped += stk[sp]; sp--; }
        break;
    }
  }
}
}  // namespace
int32_t plain_queue() {
  for (auto &x : q) x = 0;
  for (auto &x : bins) x = 0;
  for (auto &x : stk) x = 0;
  head = tail = count = sp = 0;
  served = waited = dropped = popped = 0;
  simulate(300000);
  int32_t result = served * 7 + waited + dropped * 13 + popped;
  for (int16_t i = 1; i <= 5; i++) result ^= bins[i] * i;
  return result & 0x7FFFFFFF;
}
}  // namespace shape_queue

namespace shape_parser {
namespace {
std::string first_word(const std::string &s) {
  size_t p = s.find(' ');
  return p == std::string::npos ? s : s.substr(0, p);
}
std::string rest_of(const std::string &s) {
  size_t p = s.find(' ');
  if (p == std::string::npos) return "";
  size_t q = s.find_first_not_of(' ', p + 1);
  return q == std::string::npos ? "" : s.substr(q);
}
std::string upper(std::string s) { for (char &c : s) c = (char)std::toupper((unsigned char)c); return s; }
}  // namespace
int32_t plain_parser() {
  static const char *data[12] = {"go north", "take lamp", "look", "walk south", "get sword", "drop sword",
                                 "go  east", "inventory", "take coin", "Go West", "jump", "look around"};
  std::string cmd[12];
  for (int16_t i = 0; i <= 11; i++) cmd[i] = data[i];
  int16_t room = 1, carry = 0, lamp = 0;
  int32_t score = 0;
  for (int16_t t = 1; t <= 30000; t++) {
    const std::string &c = cmd[((t % 97) * 7 + t / 5) % 12];
    std::string verb = upper(first_word(c)), noun = upper(rest_of(c));
    if (verb == "GO" || verb == "WALK") {
      if (noun == "NORTH") room++;
      else if (noun == "SOUTH") room--;
      else if (noun == "EAST" || noun == "WEST") room += 3;
      else score--;
      if (room < 1) room = 1; else if (room > 9) room = 9;
    } else if (verb == "TAKE" || verb == "GET") {
      if (noun == "LAMP") lamp = -1; else carry++;
      score += 5;
    } else if (verb == "DROP") {
      if (carry > 0) { carry--; score += room; }
    } else if (verb == "LOOK") {
      if (lamp) score += room * 2; else score += 1;
    } else {
      score += (int32_t)verb.size() + (int32_t)noun.size();
    }
  }
  return (score * 16 + room * 4 + carry) & 0x7FFFFFFF;
}
}  // namespace shape_parser

namespace shape_wordfreq {
namespace {
std::string words[51];
int16_t counts[51], nwords;
int16_t find_word(const std::string &w) {
  for (int16_t i = 1; i <= nwords; i++)
    if (words[i] == w) return i;
  return 0;
}
std::string lower(std::string s) { for (char &c : s) c = (char)std::tolower((unsigned char)c); return s; }
std::string upper(std::string s) { for (char &c : s) c = (char)std::toupper((unsigned char)c); return s; }
}  // namespace
int32_t plain_wordfreq() {
  static const char *data[24] = {"apple", "river", "stone", "cloud", "ember", "frost", "grove", "harbor",
                                 "island", "jungle", "kettle", "lantern", "meadow", "nectar", "orchard", "pebble",
                                 "quarry", "raven", "saddle", "thistle", "umber", "valley", "willow", "yonder"};
  for (auto &w : words) w.clear();
  for (auto &c : counts) c = 0;
  nwords = 0;
  std::string pool[25];
  for (int16_t i = 1; i <= 24; i++) pool[i] = data[i - 1];
  int32_t seed = 99;
  for (int16_t i = 1; i <= 20000; i++) {
    seed = (seed * 1103 + 12345) % 65536;
    std::string w = pool[1 + (seed / 7) % 24];
    if ((i & 3) == 0) w = upper(w.substr(0, 1)) + w.substr(1);
    int16_t k = find_word(lower(w));
    if (k == 0) { nwords++; k = nwords; words[k] = lower(w); }
    counts[k]++;
  }
  for (int16_t i = 1; i <= nwords - 1; i++)
    for (int16_t j = i + 1; j <= nwords; j++)
      if (counts[j] > counts[i] || (counts[j] == counts[i] && words[j] < words[i])) {
        std::swap(counts[i], counts[j]);
        std::swap(words[i], words[j]);
      }
  int32_t result = 0;
  for (int16_t i = 1; i <= nwords; i++)
    result = result + (int32_t)counts[i] * i + (unsigned char)words[i][0] * i + (int32_t)words[i].size();
  return result;
}
}  // namespace shape_wordfreq

namespace shape_matmul {
namespace {
const int16_t size = 80;
float a[size + 1][size + 1], b[size + 1][size + 1], c[size + 1][size + 1];
void matmul(float (*a)[size + 1], float (*b)[size + 1], float (*c)[size + 1], int16_t n) {
  for (int16_t i = 1; i <= n; i++)
    for (int16_t j = 1; j <= n; j++) {
      float s = 0;
      for (int16_t k = 1; k <= n; k++) s = s + a[i][k] * b[k][j];
      c[i][j] = s;
    }
}
}  // namespace
int32_t plain_matmul() {
  for (int16_t i = 1; i <= size; i++)
    for (int16_t j = 1; j <= size; j++) {
      a[i][j] = (float)(i + j) / 10.0f;
      b[i][j] = (float)(i - j) / 7.0f;
    }
  for (int16_t rep = 1; rep <= 12; rep++) {
    matmul(a, b, c, size);
    for (int16_t i = 1; i <= size; i++)
      for (int16_t j = 1; j <= size; j++) a[i][j] = c[i][j] / 1000.0f + 1.0f;
  }
  float tr = 0;
  for (int16_t i = 1; i <= size; i++) tr = tr + c[i][i];
  return (int32_t)std::llrint((double)(std::fabs(tr) / 10.0f)) + (int32_t)std::llrint((double)std::fabs(c[size][1]));
}
}  // namespace shape_matmul

namespace {

template <void (*program)()> void fresh_shape() {
  sub_clear();
  program();
}

}  // namespace

void BM_BasicBalls(benchmark::State &state) { basic_against_plain(state, fresh_shape<bench_balls>, shape_balls::plain_balls); }
BENCHMARK(BM_BasicBalls)->Unit(benchmark::kMillisecond);

void BM_BasicFlood(benchmark::State &state) { basic_against_plain(state, fresh_shape<bench_flood>, shape_flood::plain_flood); }
BENCHMARK(BM_BasicFlood)->Unit(benchmark::kMillisecond);

void BM_BasicQueue(benchmark::State &state) { basic_against_plain(state, fresh_shape<bench_queue>, shape_queue::plain_queue); }
BENCHMARK(BM_BasicQueue)->Unit(benchmark::kMillisecond);

void BM_BasicParser(benchmark::State &state) { basic_against_plain(state, fresh_shape<bench_parser>, shape_parser::plain_parser); }
BENCHMARK(BM_BasicParser)->Unit(benchmark::kMillisecond);

void BM_BasicWordfreq(benchmark::State &state) { basic_against_plain(state, fresh_shape<bench_wordfreq>, shape_wordfreq::plain_wordfreq); }
BENCHMARK(BM_BasicWordfreq)->Unit(benchmark::kMillisecond);

void BM_BasicMatmulSingle(benchmark::State &state) { basic_against_plain(state, fresh_shape<bench_matmul_single>, shape_matmul::plain_matmul); }
BENCHMARK(BM_BasicMatmulSingle)->Unit(benchmark::kMillisecond);
