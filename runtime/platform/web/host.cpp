// The web host: the program runs on a worker (the page's thread owns the canvas and answers
// SDL's calls); the clock is read in the calling thread, threads are pthreads, the canvas is
// RGBA in memory, and the page is told when the program ends.
#include "host.h"
#include <emscripten.h>
#include <emscripten/stack.h>
#include <pthread.h>
#include <chrono>
#include <vector>
#include "platform.h"

struct platform_thread { pthread_t t; };

uint32_t platform_ticks() {
  using clock = std::chrono::steady_clock;
  static const clock::time_point start = clock::now();
  return (uint32_t)std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - start).count();
}

namespace {
struct thread_start { int (*fn)(void *); void *arg; };
void *thread_main(void *p) {
  thread_start s = *(thread_start *)p;
  delete (thread_start *)p;
  s.fn(s.arg);
  return nullptr;
}
}  // namespace

// The linear memory's stack of the calling thread, where address-taken locals live; the
// engine's own call stack is out of sight.
void platform_stack_bounds(uintptr_t *lowest, size_t *size) {
  *lowest = emscripten_stack_get_end();
  *size = emscripten_stack_get_base() - emscripten_stack_get_end();
}

platform_thread *platform_thread_start(int (*fn)(void *), void *arg, bool large_stack) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  // The page's memory is fixed: deep recursion gets 32 MB rather than the native 512 MB.
  pthread_attr_setstacksize(&attr, large_stack ? (32u << 20) : (1u << 20));
  auto *t = new platform_thread;
  auto *s = new thread_start{fn, arg};
  int r = pthread_create(&t->t, &attr, thread_main, s);
  pthread_attr_destroy(&attr);
  if (r != 0) {
    delete s;
    delete t;
    return nullptr;
  }
  return t;
}

void platform_thread_join(platform_thread *t) {
  if (!t) return;
  pthread_join(t->t, nullptr);
  delete t;
}

std::string platform_program_folder() { return "/"; }   // the preloaded files lie at the root

void platform_host_start() {
  // The surface's memory is the program's own between frames (no copy back from the canvas
  // at each lock), and its alpha comes from the pixels the display writes.
  MAIN_THREAD_EM_ASM({
    SDL.defaults.copyOnLock = false;
    SDL.defaults.discardOnLock = true;
    SDL.defaults.opaqueFrontBuffer = false;
  });
}

void platform_host_ended(int status) {
  MAIN_THREAD_ASYNC_EM_ASM({ if (Module['onProgramEnd']) Module['onProgramEnd']($0); }, status);
}

void platform_watch_display(int (*)(void *)) {}

bool platform_frame_begin(SDL_Surface *s) {
  SDL_LockSurface(s);                     // on the web every surface is locked to be drawn
  return s->pixels != nullptr;
}

// 0x00RRGGBB to the canvas's R, G, B, A bytes (0xFFBBGGRR) and back; red and blue swap both ways.
static void swap_red_blue(SDL_Surface *s, uint32_t alpha) {
  for (int y = 0; y < s->h; y++) {
    uint32_t *row = (uint32_t *)((uint8_t *)s->pixels + (size_t)y * s->pitch);
    for (int x = 0; x < s->w; x++) {
      uint32_t v = row[x];
      row[x] = alpha | (v & 0xFF00) | (v >> 16 & 0xFF) | (v & 0xFF) << 16;
    }
  }
}

void platform_frame_end(SDL_Surface *s) {
  swap_red_blue(s, 0xFF000000u);
  SDL_UnlockSurface(s);                   // copies the memory to the canvas
  swap_red_blue(s, 0);
}

// The page's SDL gives keys without a character their USB scan code plus 1024 (and that
// number again as the character); the rest are characters, as in SDL 1.2.
static uint32_t sdl12_sym(uint32_t sym) {
  if (sym < 1024 || sym >= 1024 + 256) return sym;
  int code = (int)sym - 1024;
  if (code >= 58 && code <= 69) return 282 + (code - 58);        // F1-F12
  if (code >= 104 && code <= 106) return 294 + (code - 104);     // F13-F15
  if (code >= 89 && code <= 97) return 257 + (code - 89);        // keypad 1-9
  switch (code) {
    case 98: return 256;                                         // keypad 0
    case 99: return 266;  case 84: return 267;  case 85: return 268;   // keypad . / *
    case 86: return 269;  case 87: return 270;  case 88: return 271;   // keypad - + Enter
    case 82: return 273;  case 81: return 274;  case 79: return 275;  case 80: return 276;   // arrows
    case 73: return 277;  case 74: return 278;  case 77: return 279;   // Insert Home End
    case 75: return 280;  case 78: return 281;                   // Page Up, Page Down
    case 83: return 300;  case 57: return 301;  case 71: return 302;   // Num, Caps, Scroll Lock
    case 229: return 303; case 225: return 304; case 228: return 305; case 224: return 306;
    case 230: return 307; case 226: return 308; case 227: return 311; case 231: return 312;
    case 72: return 19;                                          // Pause
    case 101: return 319;                                        // Menu
    default: return 0;
  }
}

void platform_key(uint32_t *sym, uint32_t *unicode) {
  if (*sym >= 1024 && *unicode == *sym) *unicode = 0;
  *sym = sdl12_sym(*sym);
}

void platform_set_cursor(const uint8_t *, const uint8_t *, int, int, int, int) {}   // the page's own
void platform_set_icon(const uint8_t *, size_t) {}                                  // the page's icon

// ---- PNG without a library: stored (uncompressed) deflate blocks ----

static uint32_t crc32_of(const uint8_t *p, size_t n, uint32_t crc = 0) {
  static uint32_t table[256];
  if (!table[1])
    for (uint32_t i = 0; i < 256; i++) {
      uint32_t c = i;
      for (int k = 0; k < 8; k++) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[i] = c;
    }
  crc = ~crc;
  for (size_t i = 0; i < n; i++) crc = table[(crc ^ p[i]) & 255] ^ (crc >> 8);
  return ~crc;
}

static void put32(std::string &out, uint32_t v) {
  for (int i = 3; i >= 0; i--) out += (char)(v >> (8 * i));
}

static void chunk(std::string &out, const char *type, const std::string &data) {
  put32(out, (uint32_t)data.size());
  std::string body = std::string(type, 4) + data;
  out += body;
  put32(out, crc32_of((const uint8_t *)body.data(), body.size()));
}

std::string platform_png(const uint32_t *rgb, int w, int h) {
  if (w <= 0 || h <= 0) return "";
  std::string raw;
  raw.reserve((size_t)h * (1 + (size_t)w * 3));
  for (int y = 0; y < h; y++) {
    raw += '\0';                           // filter: none
    for (int x = 0; x < w; x++) {
      uint32_t c = rgb[(size_t)y * w + x];
      raw += (char)(c >> 16), raw += (char)(c >> 8), raw += (char)c;
    }
  }
  std::string z = "\x78\x01";
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) a = (a + c) % 65521, b = (b + a) % 65521;
  for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
    size_t n = std::min<size_t>(65535, raw.size() - at);
    z += (char)(at + n >= raw.size() ? 1 : 0);
    z += (char)n, z += (char)(n >> 8), z += (char)~n, z += (char)(~n >> 8);
    z.append(raw, at, n);
  }
  put32(z, b << 16 | a);
  std::string out = "\x89PNG\r\n\x1a\n";
  std::string ihdr;
  put32(ihdr, (uint32_t)w);
  put32(ihdr, (uint32_t)h);
  ihdr += std::string("\x08\x02\x00\x00\x00", 5);   // 8 bits, RGB
  chunk(out, "IHDR", ihdr);
  chunk(out, "IDAT", z);
  chunk(out, "IEND", "");
  return out;
}
