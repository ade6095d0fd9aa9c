// Scripted input: parses $KEL_SCRIPT and replays it on a thread of its own, pushing key
// events through SDL's queue so they take the same path as real keys. Screen reads are
// done on the main thread, which owns the display.
#include "script.h"
#include <SDL/SDL.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>
#include <vector>
#include "display.h"
#include "entry.h"
#include "flags.h"
#include "host.h"
#include "images.h"
#include "input.h"
#include "kel_atomic.h"
#include "keyboard.h"
#include "memory.h"
#include "platform.h"
#include "timing.h"
#include "text.h"
#include "start_dir.h"

static std::vector<script_command> script;
static std::atomic<bool> script_quit{false};
static std::thread replay_thread;                 // joined by script_stop before the process ends
// A screen read asked of the main thread: posted (1) by the replay thread, claimed (2) and
// done (3) by the main thread; the replay thread may withdraw it only while still posted.
static std::function<void()> *main_request_fn = nullptr;
static std::atomic<int> main_request{0};
static std::string script_fifo;                   // $KEL_SCRIPT when it names a FIFO
// Bounds on what a script may hold: a line longer than this is malformed (a device such as
// /dev/zero never ends one), and a script file is read no further than the second.
static constexpr size_t script_max_line = 65536;
static constexpr size_t script_max_bytes = 16 << 20;

// ---- code page 437 -------------------------------------------------------------------

static const char *const cp437_high =
    "ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜ¢£¥₧ƒáíóúñÑªº¿⌐¬½¼¡«»░▒▓│┤╡╢╖╕╣║╗╝╜╛┐└┴┬├─┼╞╟╚╔╩╦╠═╬╧╨╤╥╙╘╒╓╫╪┘┌"
    "█▄▌▐▀αßΓπΣσµτΦΘΩδ∞φε∩≡±≥≤⌠⌡÷≈°∙·√ⁿ²■";
static const char *const cp437_low = "☺☻♥♦♣♠•◘○◙♂♀♪♫☼►◄↕‼¶§▬↨↑↓→←∟↔▲▼";

static std::vector<std::string> split_utf8(const char *s) {
  std::vector<std::string> out;
  for (const unsigned char *p = (const unsigned char *)s; *p;) {
    int n = *p < 0x80 ? 1 : *p < 0xE0 ? 2 : *p < 0xF0 ? 3 : 4;
    out.emplace_back((const char *)p, (size_t)n);
    p += n;
  }
  return out;
}

std::string cp437_utf8(unsigned char c) {
  static const std::vector<std::string> low = split_utf8(cp437_low), high = split_utf8(cp437_high);
  if (c == 0 || c == 255) return " ";
  if (c < 32) return low[c - 1];
  if (c == 127) return "⌂";
  if (c < 128) return std::string(1, (char)c);
  return high[c - 128];
}

// One UTF-8 string per cell of the visible page.
static std::vector<std::vector<std::string>> screen_cells() {
  display_page_reader reading;
  std::vector<std::vector<std::string>> rows;
  img_struct *p = display_shown_page();      // with refresh off, the frame last handed
  if (!p) return rows;
  int nr = img_rows(p), nc = img_columns(p);
  for (int y = 1; y <= nr; y++) {
    std::vector<std::string> row;
    for (int x = 1; x <= nc; x++) {
      if (p->is_text) {
        row.push_back(cp437_utf8(p->pixels[((y - 1) * p->width + (x - 1)) * 2]));
      } else {
        int c = text_match_cell(p, y, x);
        row.push_back(c < 0 ? "\xEF\xBF\xBD" : cp437_utf8((unsigned char)c));
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<std::string> screen_text_lines() {
  std::vector<std::string> out;
  for (auto &row : screen_cells()) {
    std::string line;
    for (auto &c : row) line += c;
    out.push_back(std::move(line));
  }
  return out;
}

// ---- images --------------------------------------------------------------------------

static std::string bmp_bytes(const uint32_t *rgb, int w, int h) {
  int stride = (w * 3 + 3) & ~3;
  std::string out(54, '\0');
  auto put = [&](size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; i++) out[at + i] = (char)(v >> (8 * i));
  };
  out[0] = 'B';
  out[1] = 'M';
  put(2, (uint32_t)(54 + stride * h), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, (uint32_t)w, 4);
  put(22, (uint32_t)h, 4);
  put(26, 1, 2);
  put(28, 24, 2);
  put(34, (uint32_t)(stride * h), 4);
  for (int y = h - 1; y >= 0; y--) {
    std::string row;
    for (int x = 0; x < w; x++) {
      uint32_t c = rgb[y * w + x];
      row += (char)c;
      row += (char)(c >> 8);
      row += (char)(c >> 16);
    }
    row.resize((size_t)stride, '\0');
    out += row;
  }
  return out;
}

bool write_image_file(const std::string &path, const uint32_t *rgb, int w, int h) {
  std::string lower = path;
  for (auto &c : lower) c = (char)std::tolower((unsigned char)c);
  bool png = lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".png") == 0;
  std::ofstream f(path, std::ios::binary);
  if (!f) return false;
  std::string data = png ? platform_png(rgb, w, h) : bmp_bytes(rgb, w, h);
  if (data.empty()) return false;
  f.write(data.data(), (std::streamsize)data.size());
  return (bool)f;
}

// ---- parsing -------------------------------------------------------------------------

static const char *const shifted = "!@#$%^&*()_+{}|:\"<>?~";
static const char *const unshifted = "1234567890-=[]\\;',./`";

struct named_key { const char *name; unsigned sym, unicode; };
static const named_key named_keys[] = {
  {"Enter", 13, 13}, {"Esc", 27, 27}, {"Tab", 9, 9}, {"Backspace", 8, 8}, {"Space", 32, 32},
  {"Up", 273, 0}, {"Down", 274, 0}, {"Right", 275, 0}, {"Left", 276, 0}, {"Ins", 277, 0},
  {"Home", 278, 0}, {"End", 279, 0}, {"PgUp", 280, 0}, {"PgDn", 281, 0}, {"Del", 127, 0},
  {"Pause", 19, 0}, {"F1", 282, 0}, {"F2", 283, 0}, {"F3", 284, 0}, {"F4", 285, 0},
  {"F5", 286, 0}, {"F6", 287, 0}, {"F7", 288, 0}, {"F8", 289, 0}, {"F9", 290, 0},
  {"F10", 291, 0}, {"F11", 292, 0}, {"F12", 293, 0},
};

// A printable character as the key that types it on a US layout.
static void char_key(unsigned char c, script_command *k) {
  k->unicode = c;
  if (std::isupper(c)) {
    k->sym = (unsigned)std::tolower(c);
    k->mod |= KMOD_LSHIFT;
  } else if (const char *p = std::strchr(shifted, c); p && c) {
    k->sym = (unsigned char)unshifted[p - shifted];
    k->mod |= KMOD_LSHIFT;
  } else {
    k->sym = c;
  }
}

static bool parse_key(std::string name, script_command *k) {
  for (;;) {
    if (name.rfind("Shift+", 0) == 0) { k->mod |= KMOD_LSHIFT; name = name.substr(6); }
    else if (name.rfind("Ctrl+", 0) == 0) { k->mod |= KMOD_LCTRL; name = name.substr(5); }
    else if (name.rfind("Alt+", 0) == 0) { k->mod |= KMOD_LALT; name = name.substr(4); }
    else break;
  }
  if (name.size() == 1 && name[0] > 32 && name[0] < 127) {
    char_key((unsigned char)name[0], k);
  } else {
    bool found = false;
    for (auto &n : named_keys)
      if (name == n.name) {
        k->sym = n.sym;
        k->unicode = n.unicode;
        found = true;
      }
    if (!found) return false;
  }
  if ((k->mod & KMOD_LCTRL) && std::isalpha((int)k->unicode)) k->unicode &= 0x1F;
  else if ((k->mod & KMOD_LCTRL) && k->unicode > 32 && k->unicode < 127) k->unicode = 0;
  return true;
}

static bool parse_int(const std::string &s, int *v) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s)
    if (!std::isdigit((unsigned char)c)) return false;
  *v = std::atoi(s.c_str());
  return true;
}

bool script_parse(const std::string &source, std::vector<script_command> *out, std::string *message) {
  std::istringstream in(source);
  std::string line;
  int n = 0;
  while (std::getline(in, line)) {
    n++;
    if (line.size() > script_max_line) {
      *message = "line " + std::to_string(n) + ": longer than " + std::to_string(script_max_line) + " bytes";
      return false;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    line = line.substr(first);
    size_t sp = line.find(' ');
    std::string word = line.substr(0, sp), rest = sp == std::string::npos ? "" : line.substr(sp + 1);
    std::istringstream words(rest);
    std::vector<std::string> w;
    for (std::string t; words >> t;) w.push_back(t);
    script_command c{};
    c.line = n;
    c.count = 1;
    bool ok = true;
    if (word == "wait") {
      c.kind = script_command::wait;
      ok = w.size() == 1 && parse_int(w[0], &c.ms);
    } else if (word == "key") {
      c.kind = script_command::key;
      ok = (w.size() == 1 || w.size() == 2) && parse_key(w[0], &c) &&
           (w.size() == 1 || (parse_int(w[1], &c.count) && c.count > 0));
    } else if (word == "type") {
      c.kind = script_command::type;
      c.arg = rest;
      ok = sp != std::string::npos;
    } else if (word == "until") {
      c.kind = script_command::until;
      // ROW COL MS, then the text after the single space that follows MS.
      size_t p = 0;
      int *fields[3] = {&c.row, &c.col, &c.ms};
      for (int i = 0; i < 3 && ok; i++) {
        size_t e = rest.find(' ', p);
        ok = e != std::string::npos && parse_int(rest.substr(p, e - p), fields[i]);
        p = e + 1;
      }
      if (ok) c.arg = rest.substr(p);
      ok = ok && !c.arg.empty() && c.row >= 1 && c.col >= 1;
    } else if (word == "asleep") {
      c.kind = script_command::asleep;
      ok = w.size() == 1 && parse_int(w[0], &c.ms);
    } else if (word == "text" || word == "snap") {
      c.kind = word == "text" ? script_command::text : script_command::snap;
      c.arg = rest;
      ok = w.size() == 1;
    } else if (word == "close") {
      c.kind = script_command::close;
      ok = w.empty();
    } else {
      ok = false;
    }
    if (!ok) {
      *message = "line " + std::to_string(n) + ": cannot read \"" + line + "\"";
      return false;
    }
    out->push_back(std::move(c));
  }
  return true;
}

void script_load_from_env() {
  const char *path = std::getenv("KEL_SCRIPT");
  if (!path || !*path) return;
  std::string full = path[0] == '/' ? path : kel_start_dir + "/" + path;
  struct stat st;
  if (stat(full.c_str(), &st) == 0 && S_ISFIFO(st.st_mode)) {
    script_fifo = full;           // opened by the replay thread, which waits for a writer
    return;
  }
  if (stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    std::fprintf(stderr, "KEL_SCRIPT: %s is a directory, not a script\n", full.c_str());
    std::exit(2);
  }
  std::ifstream f(full);
  if (!f) {
    std::fprintf(stderr, "KEL_SCRIPT: cannot open %s\n", full.c_str());
    std::exit(2);
  }
  // Read up to the first line over the bound (script_parse names it) or the size bound.
  std::string text;
  size_t line_start = 0;
  char buf[65536];
  while (text.size() - line_start <= script_max_line && f.read(buf, sizeof buf).gcount() > 0) {
    size_t from = text.size();
    text.append(buf, (size_t)f.gcount());
    size_t nl = text.rfind('\n');
    if (nl != std::string::npos && nl >= from) line_start = nl + 1;
    if (text.size() > script_max_bytes) {
      std::fprintf(stderr, "KEL_SCRIPT %s: longer than %zu MB\n", full.c_str(), script_max_bytes >> 20);
      std::exit(2);
    }
  }
  std::string message;
  if (!script_parse(text, &script, &message)) {
    std::fprintf(stderr, "KEL_SCRIPT %s: %s\n", full.c_str(), message.c_str());
    std::exit(2);
  }
}

// ---- replay --------------------------------------------------------------------------

static void run_on_main(std::function<void()> fn) {
  main_request_fn = &fn;
  main_request.store(1, std::memory_order_release);
  for (;;) {
    int state = main_request.load(std::memory_order_acquire);
    if (state == 3) break;                       // done: fn may go
    if (state == 1 && script_quit.load() && main_request.compare_exchange_strong(state, 0)) return;
    platform_sleep(2);
  }
  main_request.store(0, std::memory_order_release);
}

void script_serve_requests() {
  if (lock_display.load() != 0) return;        // a page is being rebuilt: read it later
  int posted = 1;
  if (main_request.compare_exchange_strong(posted, 2, std::memory_order_acq_rel)) {
    (*main_request_fn)();
    main_request.store(3, std::memory_order_release);
  }
}

// Sleeps up to ms, in short steps, and returns early once the script is to stop.
static void script_sleep(int ms) {
  for (int left = ms; left > 0 && !script_quit.load(); left -= 20) platform_sleep((uint32_t)std::min(left, 20));
}

static void push(const SDL_Event &e) {
  SDL_Event copy = e;
  while (SDL_PushEvent(&copy) < 0 && !script_quit.load()) platform_sleep(5);
}

static void push_key(bool down, unsigned sym, unsigned mod, unsigned unicode) {
  SDL_Event e{};
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.sym = (SDLKey)sym;
  e.key.keysym.mod = (SDLMod)mod;
  e.key.keysym.unicode = (Uint16)(down ? unicode : 0);
  push(e);
}

static int keys_waiting() {
  int head = kel_atomic_ref<uint8_t>(cmem[cmem_kbd_head]).load();
  int tail = kel_atomic_ref<uint8_t>(cmem[cmem_kbd_tail]).load();
  return ((tail - head + 32) % 32) / 2;
}

// One press and release, with the modifier keys held around it. Keys are paced so the
// 15-key buffer of the program is not overrun by a long script: each press waits until the
// main thread has moved the previous one out of SDL's queue (a second at most, since a
// message box polls the queue itself) and the buffer has room.
static void press(unsigned sym, unsigned mod, unsigned unicode) {
  for (int i = 0; i < 500 && keys_waiting() >= 12 && !script_quit.load(); i++) platform_sleep(10);
  static const struct { unsigned mod, sym; } mods[] = {{KMOD_LSHIFT, 304}, {KMOD_LCTRL, 306}, {KMOD_LALT, 308}};
  unsigned held = 0;
  for (auto &m : mods)
    if (mod & m.mod) push_key(true, m.sym, held |= m.mod, 0);
  push_key(true, sym, mod, unicode);
  push_key(false, sym, mod, 0);
  for (int i = 2; i >= 0; i--)
    if (mod & mods[i].mod) push_key(false, mods[i].sym, held &= ~mods[i].mod, 0);
  // The first drain begun after the pushes has taken them once it has completed.
  uint32_t drain = keyboard_drains_begun.load(std::memory_order_acquire) + 1;
  for (int i = 0; i < 500 && (int32_t)(keyboard_drains.load(std::memory_order_acquire) - drain) < 0 &&
                  !script_quit.load(); i++)
    platform_sleep(2);
}

static std::string resolve(const std::string &name) {
  return name[0] == '/' ? name : kel_start_dir + "/" + name;
}

static bool screen_shows(const script_command &c) {
  std::vector<std::string> want = split_utf8(c.arg.c_str());
  bool found = false;
  run_on_main([&] {
    auto cells = screen_cells();
    if (c.row > (int)cells.size()) return;
    auto &row = cells[(size_t)c.row - 1];
    if (c.col - 1 + want.size() > row.size()) return;
    found = true;
    for (size_t i = 0; i < want.size(); i++)
      if (row[(size_t)c.col - 1 + i] != want[i]) found = false;
  });
  return found;
}

// Runs one command; false when the script is to stop.
static bool run_command(const script_command &c) {
  switch (c.kind) {
    case script_command::wait: script_sleep(c.ms); break;
    case script_command::key:
      for (int i = 0; i < c.count; i++) press(c.sym, c.mod, c.unicode);
      break;
    case script_command::type:
      for (unsigned char ch : c.arg) {
        script_command k{};
        char_key(ch, &k);
        press(k.sym, k.mod, k.unicode);
      }
      break;
    case script_command::until: {
      uint32_t deadline = platform_ticks() + (uint32_t)c.ms;
      while (!screen_shows(c)) {
        if (script_quit.load()) return false;
        if ((int32_t)(platform_ticks() - deadline) > 0) {
          std::string dump;
          run_on_main([&] {
            for (auto &l : screen_text_lines()) dump += l + "\n";
          });
          std::fprintf(stderr, "KEL_SCRIPT line %d: \"%s\" not seen at row %d, column %d within %d ms; "
                       "the screen:\n%s", c.line, c.arg.c_str(), c.row, c.col, c.ms, dump.c_str());
          std::fflush(stderr);
          kel_request_exit(3);
          return false;
        }
        platform_sleep(20);
      }
      break;
    }
    case script_command::asleep: {
      uint32_t deadline = SDL_GetTicks() + (uint32_t)c.ms;
      // A SLEEP under way that no key has reached yet (each press waits until its key has), or
      // INPUT waiting for a key: a run of pauses ends at a question, where a pause that passed
      // before the script saw it leaves the key to the line editor.
      while ((!timing_sleeping.load() || sleep_break.load()) && !(keybuf_empty() && input_waiting.load())) {
        if (script_quit.load()) return false;
        if ((int32_t)(SDL_GetTicks() - deadline) > 0) {
          std::fprintf(stderr, "KEL_SCRIPT line %d: no SLEEP or INPUT within %d ms\n", c.line, c.ms);
          std::fflush(stderr);
          kel_request_exit(3);
          return false;
        }
        platform_sleep(5);
      }
      break;
    }
    case script_command::text: {
      std::string out;
      run_on_main([&] {
        for (auto &l : screen_text_lines()) out += l + "\n";
      });
      std::ofstream f(resolve(c.arg), std::ios::binary);
      f << out;
      f.close();
      if (!f) std::fprintf(stderr, "KEL_SCRIPT line %d: cannot write %s\n", c.line, c.arg.c_str());
      break;
    }
    case script_command::snap: {
      std::vector<uint32_t> rgb;
      int w = 0, h = 0;
      run_on_main([&] {
        if (display_screen_rgb(nullptr, &w, &h)) {
          rgb.resize((size_t)w * (size_t)h);
          display_screen_rgb(rgb.data(), &w, &h);
        }
      });
      if (w > 0 && h > 0 && !write_image_file(resolve(c.arg), rgb.data(), w, h))
        std::fprintf(stderr, "KEL_SCRIPT line %d: cannot write %s\n", c.line, c.arg.c_str());
      break;
    }
    case script_command::close: {
      SDL_Event e{};
      e.type = SDL_QUIT;
      push(e);
      break;
    }
  }
  return true;
}

static void script_main() {
  for (const script_command &c : script)
    if (script_quit.load() || !run_command(c)) break;
}

// Reads one line from the FIFO without blocking past a stop request; false at the end of the
// stream (a writer came and every writer has gone) or when the script is to stop.
static bool fifo_line(int fd, std::string &pending, std::string &line) {
  for (;;) {
    size_t nl = pending.find('\n');
    if (nl != std::string::npos || pending.size() > script_max_line) {   // an over-long line is malformed
      nl = std::min(nl, pending.size());
      line = pending.substr(0, nl);
      pending.erase(0, nl + 1);
      return true;
    }
    if (script_quit.load()) return false;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    char buf[4096];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0) {
      pending.append(buf, (size_t)n);
    } else if (n == 0 && (p.revents & POLLHUP)) {
      if (pending.empty()) return false;
      line.swap(pending);                        // a last line without its line end
      pending.clear();
      return true;
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      return false;
    }
  }
}

// A FIFO is read one line at a time and each command runs as soon as its line is complete, so
// a driver on the other end can choose the next keys from what the last dump showed. The end
// of the stream (every writer closed) ends the script; a malformed line ends the program.
static void fifo_main() {
  int fd = open(script_fifo.c_str(), O_RDONLY | O_NONBLOCK);   // waits for a writer in poll
  if (fd < 0) {
    std::fprintf(stderr, "KEL_SCRIPT: cannot open %s\n", script_fifo.c_str());
    kel_request_exit(2);
    return;
  }
  int n = 0;
  std::string pending;
  for (std::string line; fifo_line(fd, pending, line);) {
    n++;
    std::vector<script_command> one;
    std::string message;
    if (!script_parse(line, &one, &message)) {
      std::fprintf(stderr, "KEL_SCRIPT %s: line %d%s\n", script_fifo.c_str(), n,
                   message.substr(message.find(':')).c_str());
      std::fflush(stderr);
      kel_request_exit(2);
      break;
    }
    bool go_on = true;
    for (script_command &c : one) {
      c.line = n;
      if (script_quit.load() || !run_command(c)) go_on = false;
      if (!go_on) break;
    }
    if (!go_on) break;
  }
  close(fd);
}

void script_start() {
  script_quit = false;
  if (!script_fifo.empty()) replay_thread = std::thread(fifo_main);
  else if (!script.empty()) replay_thread = std::thread(script_main);
}

void script_stop() {
  script_quit = true;                          // a posted read is withdrawn, never run
  if (replay_thread.joinable()) replay_thread.join();   // every wait of the replay answers quit
}
