// Host services: in-window message boxes, the program's folder, sleeping.
#include "platform.h"
#include <SDL/SDL.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>
#include "display.h"
#include "images.h"

std::function<int(const char *, const char *, msgbox_kind)> platform_msgbox_hook;

std::thread::id platform_main_thread;
std::atomic<bool> platform_main_loop_running{false};

// A box asked for by another thread, served by the main loop (platform_serve_msgbox).
struct msgbox_request {
  const char *caption, *text;
  msgbox_kind kind;
  std::atomic<int> answer{-1};
};
// The request's address, with bit 0 set once the main thread has claimed it.
static std::atomic<uintptr_t> pending_box{0};

void platform_sleep(uint32_t ms) {
  if (ms == 0) std::this_thread::yield();
  else std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string platform_program_folder() {
  std::vector<char> buf(65536);
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return "./";
  std::string path(buf.data(), (size_t)n);
  size_t cut = path.find_last_of("/:");   // a ':' is kept, a slash is not
  if (cut == std::string::npos) return "./";
  return path.substr(0, path[cut] == ':' ? cut + 1 : cut);
}

// --- drawing the box over the window surface, with the 8x8 font ---------------------

static void fill(SDL_Surface *s, int x, int y, int w, int h, uint32_t c) {
  SDL_Rect r{(Sint16)x, (Sint16)y, (Uint16)w, (Uint16)h};
  SDL_FillRect(s, &r, SDL_MapRGB(s->format, (c >> 16) & 255, (c >> 8) & 255, c & 255));
}

static void text_at(SDL_Surface *s, int x, int y, const std::string &t, uint32_t c) {
  uint32_t px = SDL_MapRGB(s->format, (c >> 16) & 255, (c >> 8) & 255, c & 255);
  for (size_t i = 0; i < t.size(); i++) {
    const uint8_t *g = charset8x8 + (uint8_t)t[i] * 64;
    for (int gy = 0; gy < 8; gy++)
      for (int gx = 0; gx < 8; gx++) {
        int X = x + (int)i * 8 + gx, Y = y + gy;
        if (g[gy * 8 + gx] && X >= 0 && Y >= 0 && X < s->w && Y < s->h)
          *(uint32_t *)((uint8_t *)s->pixels + Y * s->pitch + X * 4) = px;
      }
  }
}

static std::vector<std::string> wrap_lines(const std::string &text, size_t cols) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t nl = text.find('\n', start);
    std::string line = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    while (line.size() > cols) {
      out.push_back(line.substr(0, cols));
      line = line.substr(cols);
    }
    out.push_back(line);
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return out;
}

struct button { const char *label; int answer; SDL_Rect r; };

static void draw_box(SDL_Surface *s, const char *caption, const char *text, std::vector<button> &buttons) {
  int cols = std::max(8, std::min(48, s->w / 8 - 4));
  auto lines = wrap_lines(text, (size_t)cols);
  size_t widest = std::strlen(caption);
  for (auto &l : lines) widest = std::max(widest, l.size());
  int w = (int)std::min<size_t>(widest, (size_t)cols) * 8 + 16, h = 10 + 8 + 8 + (int)lines.size() * 10 + 24;
  w = std::max(w, 120);
  int x = (s->w - w) / 2, y = std::max(0, (s->h - h) / 2);
  if (SDL_MUSTLOCK(s)) SDL_LockSurface(s);
  fill(s, x - 1, y - 1, w + 2, h + 2, 0xFFFFFF);
  fill(s, x, y, w, h, 0x202040);
  fill(s, x, y, w, 12, 0x4040A0);
  text_at(s, x + 4, y + 2, std::string(caption).substr(0, (size_t)cols), 0xFFFFFF);
  for (size_t i = 0; i < lines.size(); i++) text_at(s, x + 8, y + 18 + (int)i * 10, lines[i], 0xFFFFFF);
  int bx = x + w - 8;
  for (auto it = buttons.rbegin(); it != buttons.rend(); ++it) {
    int bw = (int)std::strlen(it->label) * 8 + 12;
    bx -= bw;
    it->r = SDL_Rect{(Sint16)bx, (Sint16)(y + h - 18), (Uint16)bw, 14};
    fill(s, bx, y + h - 18, bw, 14, 0xC0C0C0);
    text_at(s, bx + 6, y + h - 15, it->label, 0x000000);
    bx -= 8;
  }
  if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
  SDL_UpdateRect(s, 0, 0, 0, 0);
}

// Hook run between event polls of a box, so scripted screen reads go on meanwhile.
std::function<bool()> platform_msgbox_idle;
std::function<bool()> platform_wait_cancelled;

// Runs a box on the main thread: polls SDL events until Y, N, Enter, Esc or a click.
static int run_box(const char *caption, const char *text, msgbox_kind kind) {
  SDL_Surface *s = SDL_GetVideoSurface();
  if (!s || s->format->BytesPerPixel != 4) return kind == msgbox_kind::ok ? 1 : 0;
  std::vector<button> buttons;
  if (kind == msgbox_kind::yesno) buttons = {{"Yes", 1, {}}, {"No", 0, {}}};
  else buttons = {{"OK", 1, {}}};
  draw_box(s, caption, text, buttons);
  int answer = -1;
  while (answer < 0) {
    SDL_Event e;
    while (answer < 0 && SDL_PollEvent(&e)) {
      if (e.type == SDL_KEYDOWN) {
        SDLKey k = e.key.keysym.sym;
        if (k == SDLK_RETURN || k == SDLK_KP_ENTER) answer = 1;
        else if (k == SDLK_ESCAPE) answer = kind == msgbox_kind::ok ? 1 : 0;
        else if (k == SDLK_y) answer = 1;
        else if (k == SDLK_n) answer = kind == msgbox_kind::ok ? -1 : 0;
        else if (k == SDLK_o && kind == msgbox_kind::ok) answer = 1;
      } else if (e.type == SDL_MOUSEBUTTONDOWN && e.button.button == SDL_BUTTON_LEFT) {
        for (auto &b : buttons)
          if (e.button.x >= b.r.x && e.button.x < b.r.x + b.r.w && e.button.y >= b.r.y &&
              e.button.y < b.r.y + b.r.h)
            answer = b.answer;
      } else if (e.type == SDL_QUIT) {
        answer = kind == msgbox_kind::ok ? 1 : 0;
      }
    }
    if (answer < 0) {
      if (platform_msgbox_idle && platform_msgbox_idle()) answer = kind == msgbox_kind::ok ? 1 : 0;
      else SDL_Delay(10);
    }
  }
  display_invalidate();                  // the next refresh paints the page over the box
  return answer;
}

int platform_msgbox(const char *caption, const char *text, msgbox_kind kind) {
  std::fprintf(stderr, "%s\n%s\n", caption, text);
  std::fflush(stderr);
  if (platform_msgbox_hook) return platform_msgbox_hook(caption, text, kind);
  if (std::this_thread::get_id() == platform_main_thread) return run_box(caption, text, kind);
  if (!platform_main_loop_running) return kind == msgbox_kind::ok ? 1 : 0;
  msgbox_request req;
  req.caption = caption;
  req.text = text;
  req.kind = kind;
  auto cancelled = [] { return platform_wait_cancelled && platform_wait_cancelled(); };
  const uintptr_t mine = (uintptr_t)&req;
  uintptr_t expected = 0;
  while (!pending_box.compare_exchange_weak(expected, mine)) {   // one box at a time
    if (cancelled()) return -1;
    expected = 0;
    platform_sleep(10);
  }
  while (req.answer.load() < 0) {
    // Withdrawn only while still unclaimed: once the main thread has taken the box it
    // answers it before it looks at anything else.
    uintptr_t posted = mine;
    if (cancelled() && pending_box.compare_exchange_strong(posted, 0)) return -1;
    platform_sleep(10);
  }
  return req.answer.load();
}

// Main loop: shows a box another thread asked for.
void platform_serve_msgbox() {
  uintptr_t posted = pending_box.load();
  if (!posted || (posted & 1) || !pending_box.compare_exchange_strong(posted, posted | 1)) return;
  auto *req = (msgbox_request *)posted;
  int a = run_box(req->caption, req->text, req->kind);
  pending_box = 0;
  req->answer = a;                       // the asker may return (and drop req) from here on
}
