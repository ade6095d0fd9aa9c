// The wider set of BASIC kernels from bench/basic, written as programs in the dialect are
// written, each timed against the same work written plainly in C++: INTEGER is int16_t,
// LONG int32_t, SINGLE float and DOUBLE double, with the same operations in the same order,
// so the results agree to the bit and are compared before timing.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <utility>
#include "kelbench_support.h"

void bench_sieve_int();
void bench_mandel_and();
void bench_pset_colour();
void bench_life();
void bench_matrix();
void bench_fib();
void bench_ack();
void bench_subref();
void bench_particles();
void bench_interp();
void bench_scan();
void bench_draw();
void bench_nbody();
void bench_spectral();
void bench_files();

namespace {

// Each run of a program starts as a fresh one would: after CLEAR, so its DIM statements run
// again and READ starts from the first DATA.
template <void (*program)()> void fresh() {
  sub_clear();
  program();
}

int32_t plain_sieve_int() {
  const int16_t n = 30000;
  static int16_t f[n + 1];
  int32_t total = 0;
  for (int16_t pass = 1; pass <= 120; pass++) {
    for (int16_t i = 2; i <= n; i++) f[i] = -1;
    int16_t count = 0;
    for (int16_t i = 2; i <= n; i++)
      if (f[i]) {
        count++;
        for (int32_t j = (int32_t)i * i; j <= n; j += i) f[j] = 0;
      }
    total += count;
  }
  return total;
}

int32_t plain_mandel_and() {
  int32_t total = 0;
  for (int16_t py = 0; py <= 399; py++) {
    float ci = -1.2f + (float)py * 0.006f;
    for (int16_t px = 0; px <= 639; px++) {
      float cr = -2.2f + (float)px * 0.005f;
      float zr = 0, zi = 0;
      int16_t n = 0;
      while (n < 100 && zr * zr + zi * zi < 4.0f) {
        float t = zr * zr - zi * zi + cr;
        zi = 2.0f * zr * zi + ci;
        zr = t;
        n++;
      }
      total += n;
    }
  }
  return total;
}

// A put-pixel function with clipping into a 320 x 200 byte page, as BM_BasicPset's baseline.
uint8_t page[320 * 200];
[[gnu::noinline]] void put_pixel(int x, int y, uint8_t c) {
  if (x < 0 || y < 0 || x >= 320 || y >= 200) return;
  page[y * 320 + x] = c;
}

void plain_pset_colour() {
  std::memset(page, 0, sizeof page);   // SCREEN 13
  for (int16_t k = 0; k <= 63; k++)
    for (int16_t y = 0; y <= 199; y++)
      for (int16_t x = 0; x <= 319; x++) put_pixel(x, y, (uint8_t)((x + y + k) & 255));
}

int32_t plain_life() {
  const int w = 80, h = 60;
  static int16_t g[h + 2][w + 2], n[h + 2][w + 2];
  std::memset(g, 0, sizeof g);
  for (int16_t y = 1; y <= h; y++)
    for (int16_t x = 1; x <= w; x++)
      if ((x * 7 + y * 13) % 5 == 0 || x % 7 == y % 3) g[y][x] = 1;
  int32_t alive = 0;
  for (int16_t gen = 1; gen <= 150; gen++) {
    for (int y = 1; y <= h; y++)
      for (int x = 1; x <= w; x++) {
        int16_t s = g[y - 1][x - 1] + g[y - 1][x] + g[y - 1][x + 1] + g[y][x - 1] + g[y][x + 1] +
                    g[y + 1][x - 1] + g[y + 1][x] + g[y + 1][x + 1];
        n[y][x] = s == 3 || (s == 2 && g[y][x] == 1) ? 1 : 0;
      }
    for (int y = 1; y <= h; y++)
      for (int x = 1; x <= w; x++) {
        g[y][x] = n[y][x];
        alive += g[y][x];
      }
  }
  return alive;
}

int32_t plain_matrix() {
  const int16_t n = 90;
  static double a[n + 1][n + 1], b[n + 1][n + 1], c[n + 1][n + 1];
  for (int16_t i = 1; i <= n; i++)
    for (int16_t j = 1; j <= n; j++) {
      a[i][j] = (double)(i + j) / 7.0;
      b[i][j] = (double)(i - 2 * j) / ((double)n + 1.0);
    }
  for (int16_t rep = 1; rep <= 5; rep++)
    for (int16_t i = 1; i <= n; i++)
      for (int16_t j = 1; j <= n; j++) {
        double s = 0;
        for (int16_t k = 1; k <= n; k++) s = s + a[i][k] * b[k][j];
        c[i][j] = s / rep;
      }
  double tr = 0;
  for (int16_t i = 1; i <= n; i++) tr = tr + c[i][i];
  return (int32_t)std::llrint(std::fabs(tr) * 10) + (int32_t)std::llrint(std::fabs(c[n][1]));
}

// spectral.bas: the matrix's elements from a function of the two subscripts, as one writes it.
double spectral_a(int16_t i, int16_t j) { return 1.0 / (((double)i + j - 2.0) * ((double)i + j - 1.0) / 2 + i); }
int32_t plain_spectral() {
  const int16_t n = 200;
  static double u[n + 1], v[n + 1], t[n + 1];
  for (int16_t i = 1; i <= n; i++) u[i] = 1;
  for (int16_t rep = 1; rep <= 5; rep++)
    for (int16_t pass = 1; pass <= 2; pass++) {
      for (int16_t i = 1; i <= n; i++) {
        double s = 0;
        for (int16_t j = 1; j <= n; j++) s = s + spectral_a(i, j) * u[j];
        t[i] = s;
      }
      for (int16_t i = 1; i <= n; i++) {
        double s = 0;
        for (int16_t j = 1; j <= n; j++) s = s + spectral_a(j, i) * t[j];
        v[i] = s;
      }
      for (int16_t i = 1; i <= n; i++) std::swap(u[i], v[i]);
    }
  double vbv = 0, vv = 0;
  for (int16_t i = 1; i <= n; i++) { vbv = vbv + u[i] * v[i]; vv = vv + v[i] * v[i]; }
  return (int32_t)std::llrint(std::sqrt(vbv / vv) * 1000000000.0);
}

// Every call made as written: g++ would otherwise see that fib is pure, inline it into itself
// and merge the calls it repeats (fib(n - 2) twice, and each number in all four repetitions),
// making a small fraction of the calls.
[[gnu::noipa]] int32_t fib(int16_t n) { return n < 2 ? n : fib(n - 1) + fib(n - 2); }
// ack.bas: every call made, its parameters by value as one writes it in C++.
int32_t ack_calls;
[[gnu::noipa]] int32_t ack(int16_t m, int16_t n) {
  ack_calls++;
  if (m == 0) return n + 1;
  if (n == 0) return ack((int16_t)(m - 1), (int16_t)1);
  return ack((int16_t)(m - 1), (int16_t)ack(m, (int16_t)(n - 1)));
}
int32_t plain_ack() {
  ack_calls = 0;
  int32_t total = 0;
  for (int16_t rep = 1; rep <= 30; rep++)
    for (int16_t n = 1; n <= 6; n++) total += ack(2, n) + ack(3, n);
  return total + ack_calls;
}

int32_t plain_fib() {
  int32_t total = 0;
  for (int16_t rep = 1; rep <= 4; rep++)
    for (int16_t i = 1; i <= 27; i++) total += fib(i);
  return total;
}

void swap2(int16_t &a, int16_t &b) { int16_t t = a; a = b; b = t; }
void accum(int32_t &t, int16_t v) { t = (t * 31 + v) & 0xFFFFFF; }
int32_t plain_subref() {
  const int16_t n = 1800;
  static int16_t d[n + 1];
  int32_t seed = 7;
  for (int16_t i = 1; i <= n; i++) {
    seed = (seed * 1103 + 12345) % 65536;
    d[i] = (int16_t)(seed / 2 - 16384);
  }
  for (int16_t i = 1; i <= n - 1; i++) {
    bool done = true;
    for (int16_t j = 1; j <= n - i; j++)
      if (d[j] > d[j + 1]) { swap2(d[j], d[j + 1]); done = false; }
    if (done) break;
  }
  int32_t sum = 0;
  for (int16_t rep = 1; rep <= 20; rep++)
    for (int16_t i = 1; i <= n; i++) accum(sum, d[i]);
  return sum;
}

int32_t plain_particles() {
  struct particle { float x, y, vx, vy; int16_t alive; };
  const int16_t np = 1000;
  static particle p[np + 1];
  for (int16_t i = 1; i <= np; i++) {
    p[i].x = (float)(i * 17 % 320); p[i].y = (float)(i * 29 % 200);
    p[i].vx = (float)(i % 13 - 6) / 4.0f; p[i].vy = (float)(i % 7 - 3) / 2.0f;
    p[i].alive = -1;
  }
  for (int16_t frame = 1; frame <= 3000; frame++)
    for (int16_t i = 1; i <= np; i++) {
      particle &q = p[i];
      if (q.alive) {
        q.vy = q.vy + 0.05f;
        q.x = q.x + q.vx;
        q.y = q.y + q.vy;
        if (q.x < 0 || q.x > 319) { q.vx = -q.vx; q.x = q.x + q.vx; }
        if (q.y > 199) {
          q.y = 199; q.vy = -q.vy * 0.8f;
          if (std::fabs(q.vy) < 0.3f) q.alive = 0;
        }
      } else {
        q.x = 160; q.y = 100;
        q.vx = (float)((i + frame) % 11 - 5) / 3.0f; q.vy = (float)(-2 - frame % 5);
        q.alive = -1;
      }
    }
  int32_t sum = 0;
  for (int16_t i = 1; i <= np; i++)
    sum += (int16_t)std::lround(p[i].x) + (int16_t)std::lround(p[i].y) - p[i].alive;   // CINT: halves away from zero
  return sum;
}

// interp.bas's bytecode and its interpreter; see the opcodes there.
int32_t plain_interp() {
  static const uint8_t bytes[] = {7, 1, 1, 3, 4, 7, 0, 1, 7, 5, 2, 1, 250, 1, 4, 4, 5, 8, 1,
                                  7, 0, 1, 1, 3, 6, 8, 0, 9, 1, 10};
  std::string code((const char *)bytes, sizeof bytes);
  int16_t s[65] = {}, r[8] = {};
  int32_t steps = 0;
  for (int16_t rep = 1; rep <= 8; rep++) {
    r[0] = 20000; r[1] = rep;
    int sp = 0, pc = 0;
    for (bool run = true; run;) {
      uint8_t op = (uint8_t)code[pc++];
      steps++;
      switch (op) {
        case 1: s[++sp] = (uint8_t)code[pc++]; break;
        case 2: s[sp - 1] += s[sp]; sp--; break;
        case 3: s[sp - 1] -= s[sp]; sp--; break;
        case 4: s[sp - 1] *= s[sp]; sp--; break;
        case 5: s[sp - 1] %= s[sp]; sp--; break;
        case 6: sp++; s[sp] = s[sp - 1]; break;
        case 7: s[++sp] = r[(uint8_t)code[pc++]]; break;
        case 8: r[(uint8_t)code[pc++]] = s[sp--]; break;
        case 9: pc = s[sp] != 0 ? (uint8_t)code[pc] - 1 : pc + 1; sp--; break;
        case 10: run = false; break;
        default: std::abort();
      }
    }
    steps += r[1];
  }
  return steps;
}

int32_t plain_scan() {
  const std::string phrase = "the quick brown fox jumps over the lazy dog while cats sleep";
  std::string t;
  for (int16_t i = 1; i <= 2000; i++) {
    std::string w = phrase.substr((size_t)(i * 7 % 50), (size_t)(1 + i % 6));
    w.erase(0, w.find_first_not_of(' ') == std::string::npos ? w.size() : w.find_first_not_of(' '));
    t += w + " ";
  }
  int32_t words = 0, sum = 0, vowels = 0;
  for (int16_t pass = 1; pass <= 40; pass++) {
    size_t p = 0;
    for (;;) {
      size_t q = t.find(' ', p);
      if (q == std::string::npos) break;
      if (q > p) words++;
      p = q + 1;
    }
    for (int16_t i = 1; i <= (int16_t)t.size(); i++) {
      unsigned char c = (unsigned char)t[(size_t)i - 1];
      if (c >= 97 && c <= 122) sum += (c - 96) * (i % 13);
      if (std::strchr("aeiou", c) && c) vowels++;
    }
  }
  return words + sum + vowels;
}

// draw.bas with a plain Bresenham line, a box of four lines, a row-by-row filled box and a
// midpoint ellipse of the same radii (the dialect's default aspect in SCREEN 13, 5/6), each
// pixel through put_pixel. The runtime walks lines and curves differently (a fractional step
// rounded at each pixel, a rotating vector), so the pages agree only nearly: the result
// compared is the sum of the shapes' coordinates, and the benchmark checks separately that
// few pixels differ.
void line(int x1, int y1, int x2, int y2, uint8_t c) {
  int dx = std::abs(x2 - x1), sx = x1 < x2 ? 1 : -1;
  int dy = -std::abs(y2 - y1), sy = y1 < y2 ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    put_pixel(x1, y1, c);
    if (x1 == x2 && y1 == y2) break;
    int e2 = 2 * err;
    if (e2 >= dy) { err += dy; x1 += sx; }
    if (e2 <= dx) { err += dx; y1 += sy; }
  }
}
void box_fill(int x1, int y1, int x2, int y2, uint8_t c) {
  for (int y = y1; y <= y2; y++) std::memset(page + y * 320 + x1, c, (size_t)(x2 - x1 + 1));
}
void plot4(int cx, int cy, int x, int y, uint8_t c) {
  put_pixel(cx + x, cy + y, c); put_pixel(cx - x, cy + y, c);
  put_pixel(cx - x, cy - y, c); put_pixel(cx + x, cy - y, c);
}
void ellipse(int cx, int cy, int rx, int ry, uint8_t c) {
  int64_t a2 = (int64_t)rx * rx, b2 = (int64_t)ry * ry;
  int64_t x = 0, y = ry, px = 0, py = 2 * a2 * y;
  int64_t p = b2 - a2 * ry + a2 / 4;
  while (px < py) {                      // the flatter part, stepping x
    plot4(cx, cy, (int)x, (int)y, c);
    x++; px += 2 * b2;
    if (p < 0) p += b2 + px;
    else { y--; py -= 2 * a2; p += b2 + px - py; }
  }
  p = (int64_t)(b2 * (x + 0.5) * (x + 0.5) + a2 * (y - 1) * (y - 1) - a2 * b2);
  while (y >= 0) {                       // the steeper part, stepping y
    plot4(cx, cy, (int)x, (int)y, c);
    y--; py -= 2 * a2;
    if (p > 0) p += a2 - py;
    else { x++; px += 2 * b2; p += a2 - py + px; }
  }
}
int32_t plain_draw() {
  std::memset(page, 0, sizeof page);   // SCREEN 13
  int32_t sum = 0;
  for (int16_t f = 1; f <= 40; f++) {
    box_fill(0, 0, 319, 199, 0);
    for (int16_t i = 0; i <= 59; i++) {
      int16_t x1 = (i * 37 + f * 11) % 320, y1 = (i * 23 + f * 7) % 200;
      int16_t x2 = (i * 101 + f * 3) % 320, y2 = (i * 53 + f * 13) % 200;
      int16_t c = (i + f) % 15 + 1;
      line(x1, y1, x2, y2, (uint8_t)c);
      int bx = x1 / 2, by = y1 / 2;
      line(bx, by, bx + 40, by, (uint8_t)(c + 16)); line(bx + 40, by, bx + 40, by + 30, (uint8_t)(c + 16));
      line(bx + 40, by + 30, bx, by + 30, (uint8_t)(c + 16)); line(bx, by + 30, bx, by, (uint8_t)(c + 16));
      box_fill(x2 / 2 + 100, y2 / 2, x2 / 2 + 112, y2 / 2 + 9, (uint8_t)(c + 32));
      int16_t r = 5 + i * 7 % 40;
      ellipse(x1, y1, r, (r * 5 + 3) / 6, (uint8_t)(c + 48));
      sum += x1 + y1 + x2 + y2 + r + c;
    }
  }
  return sum;
}

struct nbody_state { double x[6], y[6], z[6], vx[6], vy[6], vz[6], m[6]; };
double energy(const nbody_state &b) {
  double e = 0;
  for (int16_t i = 1; i <= 5; i++) {
    e = e + 0.5 * b.m[i] * (b.vx[i] * b.vx[i] + b.vy[i] * b.vy[i] + b.vz[i] * b.vz[i]);
    for (int16_t j = i + 1; j <= 5; j++) {
      double dx = b.x[i] - b.x[j], dy = b.y[i] - b.y[j], dz = b.z[i] - b.z[j];
      e = e - b.m[i] * b.m[j] / std::sqrt(dx * dx + dy * dy + dz * dz);
    }
  }
  return e;
}
int32_t plain_nbody() {
  static const double data[5][7] = {
      {0, 0, 0, 0, 0, 0, 1},
      {4.84143144246472090e+00, -1.16032004402742839e+00, -1.03622044471123109e-01,
       1.66007664274403694e-03, 7.69901118419740425e-03, -6.90460016972063023e-05, 9.54791938424326609e-04},
      {8.34336671824457987e+00, 4.12479856412430479e+00, -4.03523417114321381e-01,
       -2.76742510726862411e-03, 4.99852801234917238e-03, 2.30417297573763929e-05, 2.85885980666130812e-04},
      {1.28943695621391310e+01, -1.51111514016986312e+01, -2.23307578892655734e-01,
       2.96460137564761618e-03, 2.37847173959480950e-03, -2.96589568540237556e-05, 4.36624404335156298e-05},
      {1.53796971148509165e+01, -2.59193146099879641e+01, 1.79258772950371181e-01,
       2.68067772490389322e-03, 1.62824170038242295e-03, -9.51592254519715870e-05, 5.15138902046611451e-05}};
  const double pi = 3.141592653589793, solar = 4 * pi * pi, dpy = 365.24;
  nbody_state b;
  for (int16_t i = 1; i <= 5; i++) {
    const double *d = data[i - 1];
    b.x[i] = d[0]; b.y[i] = d[1]; b.z[i] = d[2];
    b.vx[i] = d[3] * dpy; b.vy[i] = d[4] * dpy; b.vz[i] = d[5] * dpy; b.m[i] = d[6] * solar;
  }
  double px = 0, py = 0, pz = 0;
  for (int16_t i = 1; i <= 5; i++) {
    px = px + b.vx[i] * b.m[i]; py = py + b.vy[i] * b.m[i]; pz = pz + b.vz[i] * b.m[i];
  }
  b.vx[1] = -px / solar; b.vy[1] = -py / solar; b.vz[1] = -pz / solar;
  double e0 = energy(b), dt = 0.01;
  for (int32_t s = 1; s <= 50000; s++) {
    for (int16_t i = 1; i <= 4; i++)
      for (int16_t j = i + 1; j <= 5; j++) {
        double dx = b.x[i] - b.x[j], dy = b.y[i] - b.y[j], dz = b.z[i] - b.z[j];
        double d2 = dx * dx + dy * dy + dz * dz;
        double mag = dt / (d2 * std::sqrt(d2));
        b.vx[i] = b.vx[i] - dx * b.m[j] * mag; b.vy[i] = b.vy[i] - dy * b.m[j] * mag;
        b.vz[i] = b.vz[i] - dz * b.m[j] * mag;
        b.vx[j] = b.vx[j] + dx * b.m[i] * mag; b.vy[j] = b.vy[j] + dy * b.m[i] * mag;
        b.vz[j] = b.vz[j] + dz * b.m[i] * mag;
      }
    for (int16_t i = 1; i <= 5; i++) {
      b.x[i] = b.x[i] + dt * b.vx[i]; b.y[i] = b.y[i] + dt * b.vy[i]; b.z[i] = b.z[i] + dt * b.vz[i];
    }
  }
  return (int32_t)std::llrint(-e0 * 1e8) + (int32_t)std::llrint(-energy(b) * 1e8);
}

// files.bas through stdio: the same text lines (a number as PRINT writes it, with a space
// before and after) and the same 64-byte records, written in order and read back in order.
std::string scratch_dir;
int32_t plain_files() {
  const char *pad = "abcdefghijklmnopqrstuvwxyz0123456789-abcdefgh";
  std::string name = scratch_dir + "/plain_lines.txt";
  FILE *f = std::fopen(name.c_str(), "wb");
  if (!f) return -1;
  for (int32_t i = 1; i <= 190000; i++) std::fprintf(f, " %d %s\r\n", i, pad);
  std::fclose(f);
  int32_t total = 0, chk = 0;
  f = std::fopen(name.c_str(), "rb");
  if (!f) return -1;
  char buf[256];
  while (std::fgets(buf, sizeof buf, f)) {
    size_t n = std::strcspn(buf, "\r\n");
    total += (int32_t)n;
    chk ^= (int32_t)std::strtol(buf, nullptr, 10);
  }
  std::fclose(f);
  std::remove(name.c_str());
  struct [[gnu::packed]] rec { int32_t id; double value; char label[52]; };
  static_assert(sizeof(rec) == 64);
  name = scratch_dir + "/plain_records.dat";
  f = std::fopen(name.c_str(), "w+b");
  if (!f) return -1;
  rec r;
  for (int32_t i = 1; i <= 163840; i++) {
    r.id = i * 3; r.value = i / 8.0;
    std::memset(r.label, ' ', sizeof r.label);
    std::memcpy(r.label, pad + i % 20, 20);
    std::fwrite(&r, sizeof r, 1, f);
  }
  std::rewind(f);
  for (int32_t i = 1; i <= 163840; i++) {
    if (std::fread(&r, sizeof r, 1, f) != 1) break;
    total += r.id % 7 + (unsigned char)r.label[0];
    if (r.value * 8 != i) std::abort();
  }
  std::fclose(f);
  std::remove(name.c_str());
  return (total & 0x7FFFFFFF) ^ chk;
}

void BM_BasicSieveInt(benchmark::State &state) { basic_against_plain(state, fresh<bench_sieve_int>, plain_sieve_int); }
BENCHMARK(BM_BasicSieveInt)->Unit(benchmark::kMillisecond);

void BM_BasicMandelAnd(benchmark::State &state) { basic_against_plain(state, fresh<bench_mandel_and>, plain_mandel_and); }
BENCHMARK(BM_BasicMandelAnd)->Unit(benchmark::kMillisecond);

void BM_BasicPsetColour(benchmark::State &state) {
  fresh<bench_pset_colour>();
  plain_pset_colour();
  if (!bench_runtime_ok(state)) return;
  if (std::memcmp(write_page->pixels, page, sizeof page) != 0) {
    state.SkipWithError("the BASIC program's page differs from the plain one's");
    return;
  }
  bench_ratio(state, 1, fresh<bench_pset_colour>, [] {
    plain_pset_colour();
    bench_sink = page[(size_t)bench_sink & 0xFFFF];
  });
}
BENCHMARK(BM_BasicPsetColour)->Unit(benchmark::kMillisecond);

void BM_BasicLife(benchmark::State &state) { basic_against_plain(state, fresh<bench_life>, plain_life); }
BENCHMARK(BM_BasicLife)->Unit(benchmark::kMillisecond);

void BM_BasicMatrix(benchmark::State &state) { basic_against_plain(state, fresh<bench_matrix>, plain_matrix); }
BENCHMARK(BM_BasicMatrix)->Unit(benchmark::kMillisecond);

void BM_BasicFib(benchmark::State &state) { basic_against_plain(state, fresh<bench_fib>, plain_fib); }
BENCHMARK(BM_BasicFib)->Unit(benchmark::kMillisecond);

void BM_BasicAck(benchmark::State &state) { basic_against_plain(state, fresh<bench_ack>, plain_ack); }
BENCHMARK(BM_BasicAck)->Unit(benchmark::kMillisecond);

void BM_BasicSubRef(benchmark::State &state) { basic_against_plain(state, fresh<bench_subref>, plain_subref); }
BENCHMARK(BM_BasicSubRef)->Unit(benchmark::kMillisecond);

void BM_BasicParticles(benchmark::State &state) { basic_against_plain(state, fresh<bench_particles>, plain_particles); }
BENCHMARK(BM_BasicParticles)->Unit(benchmark::kMillisecond);

void BM_BasicInterp(benchmark::State &state) { basic_against_plain(state, fresh<bench_interp>, plain_interp); }
BENCHMARK(BM_BasicInterp)->Unit(benchmark::kMillisecond);

void BM_BasicScan(benchmark::State &state) { basic_against_plain(state, fresh<bench_scan>, plain_scan); }
BENCHMARK(BM_BasicScan)->Unit(benchmark::kMillisecond);

// Besides the results, at most 1/8 of the pixels the shapes cover may differ between the pages
// (the runtime's walks against Bresenham and the midpoint ellipse).
void BM_BasicDraw(benchmark::State &state) {
  std::memset(cmem + 0x600, 0, 4);
  fresh<bench_draw>();
  int32_t want = plain_draw();
  if (!bench_runtime_ok(state)) return;
  if (basic_result() != want) {
    state.SkipWithError("the BASIC program's result differs from the plain one's");
    return;
  }
  int drawn = 0, differ = 0;
  for (size_t k = 0; k < sizeof page; k++) {
    drawn += page[k] != 0 || write_page->pixels[k] != 0;
    differ += page[k] != write_page->pixels[k];
  }
  state.counters["pixels_differ"] = differ;
  if (drawn == 0 || differ * 8 > drawn) {
    state.SkipWithError("the BASIC program's page differs from the plain one's by too much");
    return;
  }
  bench_ratio(state, 1, fresh<bench_draw>, [] { bench_sink = plain_draw(); });
}
BENCHMARK(BM_BasicDraw)->Unit(benchmark::kMillisecond);

void BM_BasicNbody(benchmark::State &state) { basic_against_plain(state, fresh<bench_nbody>, plain_nbody); }
BENCHMARK(BM_BasicNbody)->Unit(benchmark::kMillisecond);

void BM_BasicSpectral(benchmark::State &state) { basic_against_plain(state, fresh<bench_spectral>, plain_spectral); }
BENCHMARK(BM_BasicSpectral)->Unit(benchmark::kMillisecond);

// Both sides work in a fresh folder under /tmp, named to the program by KELBENCH_DIR and
// removed afterwards (each side deletes its own files).
void BM_BasicFiles(benchmark::State &state) {
  char dir[] = "/tmp/kelbench.XXXXXX";
  if (!mkdtemp(dir)) {
    state.SkipWithError("no scratch folder under /tmp");
    return;
  }
  scratch_dir = dir;
  setenv("KELBENCH_DIR", dir, 1);
  basic_against_plain(state, fresh<bench_files>, plain_files);
  if (rmdir(dir) != 0) state.SkipWithError("the scratch folder was left with files in it");
}
BENCHMARK(BM_BasicFiles)->Unit(benchmark::kMillisecond);

}  // namespace
