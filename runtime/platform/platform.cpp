// Host services: in-window message boxes, the program's folder, sleeping.
#include "platform.h"
#include <SDL/SDL.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

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

std::function<void(SDL_Surface *, const char *, const char *, std::vector<platform_msgbox_button> &)>
    platform_msgbox_draw;
std::function<void()> platform_msgbox_closed;

// Hook run between event polls of a box, so scripted screen reads go on meanwhile.
std::function<bool()> platform_msgbox_idle;
std::function<bool()> platform_wait_cancelled;

// Runs a box on the main thread: polls SDL events until Y, N, Enter, Esc or a click.
static int run_box(const char *caption, const char *text, msgbox_kind kind) {
  SDL_Surface *s = SDL_GetVideoSurface();
  if (!s || s->format->BytesPerPixel != 4) return kind == msgbox_kind::ok ? 1 : 0;
  if (!platform_msgbox_draw) return kind == msgbox_kind::ok ? 1 : 0;
  std::vector<platform_msgbox_button> buttons;
  if (kind == msgbox_kind::yesno) buttons = {{"Yes", 1, {}}, {"No", 0, {}}};
  else buttons = {{"OK", 1, {}}};
  platform_msgbox_draw(s, caption, text, buttons);
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
  if (platform_msgbox_closed) platform_msgbox_closed();   // the page is painted over the box
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
