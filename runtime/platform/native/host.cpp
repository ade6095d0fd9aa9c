// The native host: SDL's threads and tick clock, X display watching, libpng snaps. The
// window surface is already 0x00RRGGBB.
#include "host.h"
#include <dlfcn.h>
#include <pthread.h>
#include <png.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <vector>

struct platform_thread { SDL_Thread *t; };

uint32_t platform_ticks() { return SDL_GetTicks(); }

platform_thread *platform_thread_start(int (*fn)(void *), void *arg, bool large_stack) {
  // Procedures nest deeply (recursion ten thousands of calls down): the game thread gets a
  // large stack; only the pages it touches take memory.
  bool own_stack_size = large_stack && !std::getenv("SDL_THREAD_STACK_SIZE");
  if (own_stack_size) setenv("SDL_THREAD_STACK_SIZE", "536870912", 1);
  SDL_Thread *t = SDL_CreateThread(fn, arg);
  if (own_stack_size) unsetenv("SDL_THREAD_STACK_SIZE");
  return t ? new platform_thread{t} : nullptr;
}

void platform_stack_bounds(uintptr_t *lowest, size_t *size) {
  *lowest = 0;
  *size = 0;
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) != 0) return;
  void *addr = nullptr;
  size_t bytes = 0;
  if (pthread_attr_getstack(&attr, &addr, &bytes) == 0) {
    *lowest = (uintptr_t)addr;
    *size = bytes;
  }
  pthread_attr_destroy(&attr);
}

void platform_thread_join(platform_thread *t) {
  if (!t) return;
  SDL_WaitThread(t->t, nullptr);
  delete t;
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

void platform_host_start() {}
void platform_host_ended(int) {}

void platform_watch_display(int (*on_lost)(void *)) {
  void *x11 = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);   // only when SDL uses X11
  if (!x11) return;
  using handler = int (*)(void *);
  using setter = handler (*)(handler);
  if (auto set = (setter)dlsym(x11, "XSetIOErrorHandler")) set(on_lost);
  dlclose(x11);
}

bool platform_frame_begin(SDL_Surface *s) { return !SDL_MUSTLOCK(s) || SDL_LockSurface(s) == 0; }

void platform_frame_end(SDL_Surface *s) {
  if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
}

void platform_key(uint32_t *, uint32_t *) {}

static SDL_Cursor *cursor = nullptr;             // kept: SDL shows it until the window closes

void platform_set_cursor(const uint8_t *data, const uint8_t *mask, int w, int h, int hot_x, int hot_y) {
  cursor = SDL_CreateCursor(const_cast<Uint8 *>(data), const_cast<Uint8 *>(mask), w, h, hot_x, hot_y);
  if (cursor) SDL_SetCursor(cursor);
}

void platform_set_icon(const uint8_t *bmp, size_t bytes) {
  if (SDL_Surface *icon = SDL_LoadBMP_RW(SDL_RWFromConstMem(bmp, (int)bytes), 1)) {
    SDL_WM_SetIcon(icon, nullptr);
    SDL_FreeSurface(icon);
  }
}

// PNG through libpng: 8-bit RGB rows from the 0x00RRGGBB pixels.
std::string platform_png(const uint32_t *rgb, int w, int h) {
  std::vector<uint8_t> raw((size_t)w * (size_t)h * 3);
  for (size_t i = 0; i < (size_t)w * (size_t)h; i++) {
    raw[i * 3] = (uint8_t)(rgb[i] >> 16);
    raw[i * 3 + 1] = (uint8_t)(rgb[i] >> 8);
    raw[i * 3 + 2] = (uint8_t)rgb[i];
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = (png_uint_32)w;
  image.height = (png_uint_32)h;
  image.format = PNG_FORMAT_RGB;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, raw.data(), 0, nullptr)) return "";
  std::string out(size, '\0');
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, raw.data(), 0, nullptr)) return "";
  out.resize(size);
  return out;
}
