// Screen benchmarks: display refresh, box fill, scrolling, flood fill and the ending's listing.
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>
#include "kelbench_support.h"
#include "platform.h"

// An empty PRINT at the bottom row: the scroll, as translated code performs it.
static inline void scroll_statement(uint32_t base) {
  KB_S(1, kels_print(nothingstring, 1); kels_cleanup(base, 0);)
}

// SCREEN 12 with the cursor on its last row, so that every line printed scrolls.
static void screen12_bottom() {
  kelg_screen(12, 0, 0, 0, 0, 1);
  sub_cls(0, 0, 0);
  kelg_sub_locate(30, 1, 0, 0, 0, 3);
}

static void BM_DisplayIdle(benchmark::State &state) {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) {
    state.SkipWithError("SDL video did not start");
    return;
  }
  kelg_screen(13, 0, 0, 0, 0, 1);
  sub_cls(0, 0, 0);
  display();                                   // sets the mode and fills the caches
  uint8_t *pixel = display_page->pixels + 100 * 320 + 160;
  const int n = 16;
  uint32_t updates_before = display_updates;
  bench_ratio(state, n,
      [&] { for (int i = 0; i < n; i++) display(); },
      [&] { for (int i = 0; i < n; i++) { *pixel ^= 1; display(); } });
  // Every baseline refresh pushed the window, and no idle one did.
  if (display_updates - updates_before != (uint32_t)state.iterations() * n)
    state.SkipWithError("an idle refresh pushed the window, or a changed one did not");
  bench_runtime_ok(state);
}
BENCHMARK(BM_DisplayIdle);

// Stands in for the main loop of a running program: a pass every 16 ms, refreshing on every
// other pass while automatic refresh is on and serving requests on the others. The
// benchmark's own thread plays the game thread meanwhile.
class main_loop_standin {
 public:
  main_loop_standin() : saved_main(platform_main_thread) {
    loop = std::thread([this] {
      bool toggle = false;
      while (!quit.load()) {
        platform_sleep(15);
        platform_sleep(1);
        toggle = !toggle;
        if (toggle && autodisplay.load()) display();
        else display_serve_requests();
      }
    });
    platform_main_thread = loop.get_id();
    platform_main_loop_running = true;
  }
  ~main_loop_standin() {
    platform_main_loop_running = false;
    quit = true;
    loop.join();
    platform_main_thread = saved_main;
  }

 private:
  std::thread::id saved_main;
  std::atomic<bool> quit{false};
  std::thread loop;
};

// _DISPLAY with automatic refresh off, against copying the page it shows.
static void BM_Display(benchmark::State &state) {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) {
    state.SkipWithError("SDL video did not start");
    return;
  }
  kelg_screen(13, 0, 0, 0, 0, 1);
  sub_cls(0, 0, 0);
  display();
  std::vector<uint8_t> copy(64000);
  uint8_t *pixel = display_page->pixels + 100 * 320 + 160;
  const int n = 20;
  uint8_t colour = 0;
  {
    main_loop_standin main_loop;
    bench_ratio(state, n,
        [&] { for (int i = 0; i < n; i++) { *pixel = ++colour; sub__display(); } },
        [&] {
          for (int i = 0; i < n; i++) { std::memcpy(copy.data(), display_page->pixels, 64000); benchmark::ClobberMemory(); }
        });
  }
  display();                                   // this thread is the main one again
  const uint32_t *surface = display_surface ? (const uint32_t *)display_surface->pixels : nullptr;
  if (!surface || (surface[100 * (display_surface->pitch / 4) + 160] & 0xFFFFFF) != (palette_256[colour] & 0xFFFFFF))
    state.SkipWithError("the window does not show the last frame handed");
  autodisplay = 1;
  bench_runtime_ok(state);
}
BENCHMARK(BM_Display);

static void BM_BoxFill(benchmark::State &state) {
  kelg_screen(13, 0, 0, 0, 0, 1);
  uint8_t *pixels = write_page->pixels;
  const int n = 64;
  uint32_t c = 0;
  bench_ratio(state, n,
      [&] {
        for (int i = 0; i < n; i++) sub_line(0, 0, 0, 0, 319, 199, ++c & 255, 2, 0, 3);
        benchmark::ClobberMemory();
      },
      [&] {
        for (int i = 0; i < n; i++) { std::memset(pixels, (int)(++c & 255), 64000); benchmark::ClobberMemory(); }
      });
  bench_runtime_ok(state);
}
BENCHMARK(BM_BoxFill);

static void BM_Scroll12(benchmark::State &state) {
  screen12_bottom();
  uint8_t *pixels = write_page->pixels;
  const size_t row = 640 * 16;
  const int n = 16;
  uint32_t base = kels_tmp_list_nexti;
  bench_ratio(state, n,
      [&] { for (int i = 0; i < n; i++) scroll_statement(base); },
      [&] {
        for (int i = 0; i < n; i++) { std::memmove(pixels, pixels + row, 29 * row); benchmark::ClobberMemory(); }
      });
  bench_runtime_ok(state);
}
BENCHMARK(BM_Scroll12);

static void BM_Paint(benchmark::State &state) {
  screen12_bottom();
  uint8_t *pixels = write_page->pixels;
  const int n = 4;
  uint32_t c = 0;
  bench_ratio(state, n,
      [&] {
        for (int i = 0; i < n; i++) sub_paint(0, 320, 240, 1 + (++c & 7), 15, nullptr, 3);
        benchmark::ClobberMemory();
      },
      [&] {
        for (int i = 0; i < n; i++) { std::memset(pixels, (int)(1 + (++c & 7)), 640 * 480); benchmark::ClobberMemory(); }
      });
  if (pixels[0] == 15 || pixels[640 * 480 - 1] == 15) state.SkipWithError("the fill did not cover the page");
  bench_runtime_ok(state);
}
BENCHMARK(BM_Paint);

// The ending's directory listing, one PRINT a row.
static const char *const listing[53] = {
    "13/04/2010  01:25    <REP>          AppPatch",
    "09/03/2009  18:17             1,815 Ascd_tmp.ini",
    "13/07/2008  14:00             2,944 clock.avi",
    "03/08/2009  00:34    <REP>          Config",
    "02/00/2009  00:34    <REP>          Connection Wizard",
    "04/02/2009  17:09                 0 control.ini",
    "15/03/2010  13:27    <REP>          Microsoft.NET",
    "06/05/2009  17:06    <REP>          Cursors",
    "18/07/2010  11:21    <REP>          Debug",
    "10/08/2010  13:27    <REP>          Microsoft.NET",
    "14/09/2008  14:00                 2 desktop.ini",
    "07/05/2009  00:34    <REP>          Driver Cache",
    "14/00/2008  14:00             1,037 explorer.exe",
    "15/00/2008  14:00                80 explorer.scf",
    "18/00/2010  11:46    <REP>          Favorites",
    "17/00/2010  09:30    <REP>          Help",
    "11/00/2010  13:27    <REP>          Microsoft.NET",
    "27/09/1999  14:31                39 iccsigs.dat",
    "18/08/2010  11:24    <REP>          ie7updates",
    "09/01/2009  17:09    <REP>          ime",
    "05/01/2009  00:34    <REP>          java",
    "12/06/2010  11:52                 0 longfile.INI",
    "04/01/2009  18:40    <REP>          Media",
    "18/08/2010  13:27    <REP>          Microsoft.NET",
    "04/01/2009  00:38    <REP>          msagent",
    "06/01/2009  00:34    <REP>          msapps",
    "14/08/2010  13:27    <REP>          Microsoft.NET",
    "02/01/2009  00:34    <REP>          mui",
    "06/01/2009  00:38    <REP>          Network Diagnostic",
    "19/04/2008  14:00             7,656 NOTEPAD.EXE",
    "18/06/2010  00:41                 0 nsreg.dat",
    "28/08/2010  15:14    <REP>          Prefetch",
    "12/04/2008  14:00             1,088 regedit.exe",
    "01/01/2009  17:09    <REP>          Registration",
    "02/01/2009  17:11             8,192 REGLOCS.OLD",
    "13/06/2010  23:33    <REP>          repair",
    "04/01/2009  00:34    <REP>          Resources",
    "15/08/2010  13:27    <REP>          Microsoft.NET",
    "07/01/2009  17:09    <REP>          security",
    "08/01/2009  18:25             1,875 setupapi.log.0.old",
    "13/06/2010  03:39    <REP>          ShellNew",
    "06/01/2009  17:08    <REP>          srchasst",
    "13/06/2010  03:46               345 system.ini",
    "21/08/2010  11:12    <REP>          system32",
    "22/08/2010  10:53    <REP>          Temp",
    "16/04/2008  14:00             9,578 twain.dll",
    "07/01/2009  00:36    <REP>          twain_32",
    "16/04/2008  14:00             5,348 twain_32.dll",
    "14/04/2008  14:00             1,665 vmmreg32.dll",
    "15/06/2010  15:54               788 win.ini",
    "28/08/2010  10:54             1,370 WindowsUpdate.log",
    "19/04/2008  14:00             2,768 winhelp.exe",
    "12/04/2008  14:00             8,256 winhlp32.exe",
};

static void BM_PrintListing(benchmark::State &state) {
  screen12_bottom();
  kelg_sub_color(7, 0, 0, 1);
  size_t len[53];
  for (int i = 0; i < 53; i++) len[i] = std::strlen(listing[i]);
  uint32_t base = kels_tmp_list_nexti;
  bench_ratio(state, 53,
      [&] {
        for (int i = 0; i < 53; i++) {
          KB_S(1, kb_print(kels_new_txt_len(listing[i], (int32_t)len[i])); kels_print(nothingstring, 1);
               kels_cleanup(base, 0);)
        }
      },
      [&] { for (int i = 0; i < 53; i++) scroll_statement(base); });
  bench_runtime_ok(state);
}
BENCHMARK(BM_PrintListing);
