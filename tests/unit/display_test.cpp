// Display refresh: mode choice, the full-screen cycle, the text and graphics change caches,
// blinking, cursor shapes and the window geometry (under SDL's dummy video driver).
#include <gtest/gtest.h>
#include <cstring>
#include <vector>
#include <atomic>
#include <chrono>
#include <thread>
#include "script.h"
#include "test_support.h"
#include "platform.h"

namespace display_test {

namespace {

class Display : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    started_video = !SDL_WasInit(SDL_INIT_VIDEO);
    if (started_video) SDL_InitSubSystem(SDL_INIT_VIDEO);
  }
  static void TearDownTestSuite() {     // later suites expect no window
    if (!started_video) return;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    display_surface = nullptr;
    display_x_monitor = display_y_monitor = display_x_offset = display_y_offset = 0;
  }
  static inline bool started_video = false;
  void SetUp() override {
    kel_test_reset();
    saved_modes = display_modes, saved_nmodes = display_nmodes, saved_anymode = display_anymode;
    display_nmodes = 0, display_anymode = 0, display_modes = nullptr;
    full_screen = 0, full_screen_set = -1, full_screen_toggle = 0;
    display_x_scale = display_y_scale = 1;
    autodisplay = 1;
    lock_display = 0;
    display_frame = 0;
    display_forget_frames();
    display_invalidate();
  }
  void TearDown() override {
    full_screen = 0, full_screen_set = -1, full_screen_toggle = 0;
    display_modes = saved_modes, display_nmodes = saved_nmodes, display_anymode = saved_anymode;
    display_x_scale = display_y_scale = 1;
    autodisplay = 1;
    lock_display = 0;
  }
  void use_modes(std::vector<mode_rect> list) {
    mode_list = std::move(list);
    display_modes = mode_list.data();
    display_nmodes = (int)mode_list.size();
  }
  // One Alt+Enter, served by the next refresh.
  void alt_enter() {
    full_screen_toggle++;
    display();
  }
  uint32_t surface_pixel(int x, int y) {
    return ((uint32_t *)display_surface->pixels)[y * (display_surface->pitch / 4) + x] & 0xFFFFFF;
  }
  std::vector<mode_rect> mode_list;
  mode_rect *saved_modes;
  int saved_nmodes, saved_anymode;
};

mode_rect M(int w, int h) { return {0, 0, (uint16_t)w, (uint16_t)h}; }

TEST_F(Display, ChooseModesPicksSmallestWasteLaterWinsAndSkipsNarrowModes) {
  struct Case { std::vector<mode_rect> list; int w, h, stretch, square; } cases[] = {
      {{M(1024, 768), M(800, 600), M(640, 480)}, 640, 400, 2, 2},
      {{M(640, 400), M(640, 480), M(800, 600)}, 640, 400, 0, 1},
      {{M(680, 440), M(640, 480)}, 640, 400, 1, 1},          // equal waste: the later one
      {{M(640, 480), M(680, 440)}, 640, 400, 1, 0},
      {{M(600, 480), M(320, 240), M(800, 300)}, 640, 400, -1, -1},  // too narrow / too low
      {{M(512, 384)}, 320, 200, -1, -1},                      // fits, but under 640 wide
      {{M(1280, 1024), M(1280, 960)}, 1280, 1024, 0, -1},
  };
  for (auto &c : cases) {
    int stretch = 9, square = 9;
    display_choose_modes(c.list.data(), (int)c.list.size(), c.w, c.h, &stretch, &square);
    EXPECT_EQ(stretch, c.stretch) << c.w << "x" << c.h;
    EXPECT_EQ(square, c.square) << c.w << "x" << c.h;
  }
}

TEST_F(Display, AltEnterCyclesThroughTheModesOnOffer) {
  struct Step { int state, w, h, yoff; };
  struct Case { std::vector<mode_rect> list; std::vector<Step> steps; } cases[] = {
      // windowed -> stretch -> square -> windowed
      {{M(1024, 768), M(640, 480), M(640, 400)}, {{1, 640, 400, 0}, {2, 640, 480, 40}, {0, 320, 200, 0}}},
      // the stretch mode is already 4:3: the second press returns to the window
      {{M(800, 600), M(640, 480)}, {{1, 640, 480, 40}, {0, 320, 200, 0}}},
      // nothing 640 wide: the window stays
      {{M(600, 480), M(320, 240)}, {{0, 320, 200, 0}}},
  };
  kelg_screen(13, 0, 0, 0, 0, 1);
  for (auto &c : cases) {
    use_modes(c.list);
    display();
    ASSERT_NE(display_surface, nullptr);
    EXPECT_EQ(display_surface->w, 320);
    EXPECT_EQ(display_surface->h, 200);
    for (auto &s : c.steps) {
      alt_enter();
      EXPECT_EQ(func__fullscreen(), s.state);
      EXPECT_EQ(display_surface->w, s.w);
      EXPECT_EQ(display_surface->h, s.h);
      EXPECT_EQ(display_y_offset, s.yoff);
      EXPECT_EQ(display_x_scale, s.state ? 2 : 1);
      EXPECT_EQ(full_screen_toggle.load(), 0);
    }
  }
}

TEST_F(Display, SmallPageIsDoubledAndCentredInFullScreen) {
  kelg_screen(13, 0, 0, 0, 0, 1);
  display_page->pixels[5 * 320 + 10] = 4;      // red in the default palette
  display_page->pixels[199 * 320 + 319] = 2;   // green
  use_modes({M(800, 600)});
  autodisplay = 0;                             // _FULLSCREEN then refreshes on this thread
  sub__fullscreen(2);
  ASSERT_EQ(func__fullscreen(), 1);
  ASSERT_EQ(display_surface->w, 800);
  ASSERT_EQ(display_surface->h, 600);
  EXPECT_EQ(display_x_offset, 80);
  EXPECT_EQ(display_y_offset, 100);
  uint32_t red = palette_256[4] & 0xFFFFFF, green = palette_256[2] & 0xFFFFFF;
  for (int dy = 0; dy < 2; dy++)
    for (int dx = 0; dx < 2; dx++) {
      EXPECT_EQ(surface_pixel(80 + 20 + dx, 100 + 10 + dy), red);
      EXPECT_EQ(surface_pixel(80 + 638 + dx, 100 + 398 + dy), green);
    }
  EXPECT_EQ(surface_pixel(79, 100), 0u);       // the border stays black
  sub__fullscreen(1);
  EXPECT_EQ(func__fullscreen(), 0);
  EXPECT_EQ(display_surface->w, 320);
  EXPECT_EQ(surface_pixel(10, 5), red);
}

TEST_F(Display, RefusedSquareFallsBackToStretch) {
  kelg_screen(13, 0, 0, 0, 0, 1);
  use_modes({M(800, 600)});                    // 4:3, so it is the stretch mode only
  autodisplay = 0;
  sub__fullscreen(3);
  EXPECT_EQ(func__fullscreen(), 1);
}

TEST_F(Display, UnchangedGraphicsPageCausesNoWindowUpdate) {
  kelg_screen(13, 0, 0, 0, 0, 1);
  display();
  uint32_t after_first = display_updates;
  display();
  EXPECT_EQ(display_updates, after_first);
  display_page->pixels[1000] = 9;
  display();
  EXPECT_EQ(display_updates, after_first + 1);
  EXPECT_EQ(surface_pixel(1000 % 320, 1000 / 320), palette_256[9] & 0xFFFFFF);
  display_page->palette[200] = 0x123456;       // an entry a pixel could use
  display();
  EXPECT_EQ(display_updates, after_first + 2);
  display();
  EXPECT_EQ(display_updates, after_first + 2);
}

TEST_F(Display, LockedDisplayAnswersAndDrawsNothing) {
  kelg_screen(13, 0, 0, 0, 0, 1);
  display();
  display_page->pixels[0] = 1;
  uint32_t before = display_updates;
  lock_display = 1;
  display();
  EXPECT_EQ(lock_display.load(), 2);
  EXPECT_EQ(display_updates, before);
  lock_display = 0;
  display();
  EXPECT_EQ(display_updates, before + 1);
}

TEST_F(Display, AutodisplayOnRefreshesTheVisiblePageAsItIs) {
  kelg_screen(13, 0, 0, 0, 0, 1);
  EXPECT_EQ(display(), 1);
  display_page->pixels[0] = 3;
  display();
  EXPECT_EQ(surface_pixel(0, 0), palette_256[3] & 0xFFFFFF);
}

// Without a main loop the caller owns the window: _DISPLAY shows its frame at once, and what
// is drawn or recoloured afterwards stays out of the window and the screen dump until the
// next _DISPLAY, however often the window is refreshed meanwhile.
TEST_F(Display, DisplayShowsThePageAndPaletteAsTheyWereAtTheCall) {
  kelg_screen(13, 0, 0, 0, 0, 1);
  display_page->pixels[0] = 7;
  display_page->palette[7] = 0x112233;
  uint32_t before = display_updates;
  sub__display();
  EXPECT_EQ(autodisplay.load(), 0);
  EXPECT_EQ(display_updates, before + 1);
  EXPECT_EQ(surface_pixel(0, 0), 0x112233u);
  display_page->pixels[0] = 9;                 // the next frame, being drawn
  display_page->pixels[1] = 7;
  display_page->palette[7] = 0x445566;
  for (int i = 0; i < 3; i++) display();
  EXPECT_EQ(surface_pixel(0, 0), 0x112233u);
  EXPECT_EQ(surface_pixel(1, 0), palette_256[0] & 0xFFFFFF);
  int w = 0, h = 0;
  ASSERT_TRUE(display_screen_rgb(nullptr, &w, &h));
  std::vector<uint32_t> px((size_t)w * h);
  display_screen_rgb(px.data(), &w, &h);
  EXPECT_EQ(px[0], 0x112233u);
  EXPECT_EQ(px[1], palette_256[0] & 0xFFFFFF);
  sub__display();
  EXPECT_EQ(surface_pixel(0, 0), palette_256[9] & 0xFFFFFF);
  EXPECT_EQ(surface_pixel(1, 0), 0x445566u);
}

// The text dump reads the frame shown as well: a text page's cells and cursor are copied.
TEST_F(Display, TextDumpShowsTheDisplayedTextFrame) {
  kelg_screen(0, 0, 0, 0, 0, 1);
  kels_print(T("before"), 1);
  sub__display();
  kels_print(T("after"), 1);
  auto lines = screen_text_lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(0, 6), "before");
  EXPECT_EQ(lines[1].substr(0, 5), "     ");
  autodisplay = 1;                             // refresh on again: the page itself
  EXPECT_EQ(screen_text_lines()[1].substr(0, 5), "after");
}

// A main loop stands by (the test thread, which never serves it while the calls are made):
// 200 calls from another thread return without any pass of it, touch no window, and the
// one pass after them shows the last frame, not the drawing that followed it.
TEST_F(Display, DisplayOffTheMainThreadReturnsWithoutAMainLoopPass) {
  kelg_screen(13, 0, 0, 0, 0, 1);
  display();
  platform_main_loop_running = true;
  uint32_t updates = display_updates, handed = display_frames_handed(), shown = display_frames_shown();
  std::atomic<bool> returned{false};
  std::thread game([&] {
    for (int i = 1; i <= 200; i++) {
      display_page->pixels[0] = (uint8_t)i;
      sub__display();
    }
    display_page->pixels[0] = 1;               // drawn after the last call
    display_page->pixels[1] = 2;
    returned = true;
  });
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!returned.load() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  bool finished = returned.load();
  if (!finished) stop_program = 1;              // release a waiting caller, then fail
  game.join();
  platform_main_loop_running = false;
  ASSERT_TRUE(finished) << "_DISPLAY waited for the main loop";
  EXPECT_EQ(display_frames_handed(), handed + 200);
  EXPECT_EQ(display_frames_shown(), shown);
  EXPECT_EQ(display_updates, updates);          // no SDL call off the main thread
  display_serve_requests();                     // the main loop's next pass
  EXPECT_EQ(display_frames_shown(), handed + 200);
  EXPECT_EQ(display_updates, updates + 1);
  EXPECT_EQ(surface_pixel(0, 0), palette_256[200] & 0xFFFFFF);
  EXPECT_EQ(surface_pixel(1, 0), palette_256[0] & 0xFFFFFF);
  display_serve_requests();                     // nothing new: no update
  EXPECT_EQ(display_updates, updates + 1);
}

// Passes of the main loop with refresh off repaint the last frame where the window needs it
// (a closed box, Alt+Enter), and a mode switch waits for the next _DISPLAY.
TEST_F(Display, PassesRepaintTheLastFrameAndKeepItAcrossAModeSwitch) {
  kelg_screen(13, 0, 0, 0, 0, 1);
  display_page->pixels[0] = 4;
  sub__display();
  display_page->pixels[0] = 5;
  uint32_t updates = display_updates;
  display_invalidate();                         // as a closed message box does
  display_serve_requests();
  EXPECT_EQ(display_updates, updates + 1);
  EXPECT_EQ(surface_pixel(0, 0), palette_256[4] & 0xFFFFFF);
  use_modes({M(1024, 768), M(640, 480), M(640, 400)});
  full_screen_toggle++;
  display_serve_requests();
  EXPECT_EQ(func__fullscreen(), 1);
  EXPECT_EQ(full_screen_toggle.load(), 0);
  EXPECT_EQ(surface_pixel(0, 0), palette_256[4] & 0xFFFFFF);
  full_screen_toggle++;
  full_screen_toggle++;
  display_serve_requests();
  display_serve_requests();
  EXPECT_EQ(func__fullscreen(), 0);
  kelg_screen(12, 0, 0, 0, 0, 1);
  display_serve_requests();
  EXPECT_EQ(display_surface->w, 320);           // still the SCREEN 13 frame
  EXPECT_EQ(surface_pixel(0, 0), palette_256[4] & 0xFFFFFF);
  sub__display();
  EXPECT_EQ(display_surface->w, 640);
  EXPECT_EQ(display_surface->h, 480);
}

// Text page tests render into a buffer of their own.
struct TextTarget {
  std::vector<uint32_t> px;
  int w, h;
  TextTarget() {
    w = display_page->width * fontwidth[display_page->font];
    h = display_page->height * fontheight[display_page->font];
    px.assign((size_t)w * h, 0xDEADBEEF);
  }
  int render() { return display_render_text(px.data(), w, 0, 0); }
  uint32_t at(int x, int y) const { return px[(size_t)y * w + x] & 0xFFFFFF; }
};

void set_cell(int col, int row, uint8_t ch, uint8_t attr) {
  uint8_t *c = display_page->pixels + (row * display_page->width + col) * 2;
  c[0] = ch, c[1] = attr;
}

TEST_F(Display, TextCacheRedrawsOnlyChangedCells) {
  ASSERT_TRUE(display_page->is_text);
  TextTarget t;
  int cells = display_page->width * display_page->height;
  EXPECT_EQ(t.render(), cells);
  EXPECT_EQ(t.render(), 0);
  set_cell(3, 2, 'A', 0x1E);
  EXPECT_EQ(t.render(), 1);
  EXPECT_EQ(t.render(), 0);
  display_page->palette[1] = 0x00FF00;          // a palette change recolours everything
  EXPECT_EQ(t.render(), cells);
  EXPECT_EQ(t.render(), 0);
  int fw = fontwidth[display_page->font], fh = fontheight[display_page->font];
  EXPECT_EQ(t.at(3 * fw, 2 * fh), 0x00FF00u);   // the cell's background is the new colour
}

TEST_F(Display, BlinkingCellAlternatesWithBlinkPhase) {
  TextTarget t;
  set_cell(0, 0, 219, 0x8F);                   // full block, white on black, blinking
  uint32_t white = display_page->palette[15] & 0xFFFFFF, black = display_page->palette[0] & 0xFFFFFF;
  for (uint32_t f = 0; f < 32; f++) {
    display_frame = f;
    int drawn = t.render();
    if (f == 0) continue;
    EXPECT_EQ(drawn, f % 8 == 0 ? 1 : 0) << "frame " << f;   // only on a blink phase change
    EXPECT_EQ(t.at(2, 3), (f & 8) ? black : white) << "frame " << f;
  }
}

TEST_F(Display, CursorRowsFollowShapeTable) {
  struct Case { int s, e, h; std::vector<int> rows; } cases[] = {
      {0, 0, 16, {0}},
      {5, 0, 16, {}},
      {4, 4, 16, {14}},
      {4, 4, 8, {7}},
      {2, 2, 8, {2}},
      {6, 7, 16, {14, 13}},
      {3, 5, 8, {7, 6, 5}},
      {3, 10, 16, {15, 14, 13, 12, 11, 10, 9, 8}},
      {5, 2, 8, {2, 3, 4, 5, 6, 7}},
      {12, 10, 8, {}},                           // starts below the cell
      {1, 3, 16, {1, 2, 3}},
      {0, 9, 8, {0, 1, 2, 3, 4, 5, 6, 7}},
      {2, 3, 8, {2, 3}},
      {2, 4, 16, {14, 13, 12}},
      {2, 9, 8, {2, 3, 4, 5, 6, 7}},
  };
  for (auto &c : cases) {
    int rows[64];
    int n = display_cursor_rows(c.s, c.e, c.h, rows);
    EXPECT_EQ(std::vector<int>(rows, rows + n), c.rows) << "s=" << c.s << " e=" << c.e << " h=" << c.h;
  }
}

TEST_F(Display, CursorBlinksOnItsCellInForegroundColour) {
  TextTarget t;
  int fw = fontwidth[display_page->font], fh = fontheight[display_page->font];
  set_cell(4, 1, ' ', 0x1E);                   // yellow on blue
  display_page->cursor_x = 5, display_page->cursor_y = 2;
  display_page->cursor_show = 1, display_page->cursor_first = 4, display_page->cursor_last = 4;
  int bottom = fh == 16 ? 14 : fh - 1;
  uint32_t yellow = display_page->palette[14] & 0xFFFFFF, blue = display_page->palette[1] & 0xFFFFFF;
  display_frame = 0;
  t.render();
  EXPECT_EQ(t.at(4 * fw, fh + bottom), blue);  // phase off
  display_frame = 4;
  EXPECT_EQ(t.render(), 1);
  EXPECT_EQ(t.at(4 * fw, fh + bottom), yellow);
  EXPECT_EQ(t.at(4 * fw, fh + bottom - 1), blue);
  display_page->cursor_x = 6;                  // moving redraws the old and the new cell
  EXPECT_EQ(t.render(), 2);
  EXPECT_EQ(t.at(4 * fw, fh + bottom), blue);
}

TEST_F(Display, ArrowCursorBitsAndHotSpot) {
  uint8_t data[128], mask[128];
  int hx = -1, hy = -1;
  display_cursor_bits(data, mask, &hx, &hy);
  EXPECT_EQ(hx, 0);
  EXPECT_EQ(hy, 0);
  auto bit = [](const uint8_t *b, int x, int y) { return (b[y * 4 + x / 8] >> (7 - x % 8)) & 1; };
  struct Px { int x, y, data, mask; } px[] = {
      {0, 0, 1, 1},     // the tip: black
      {1, 2, 0, 1},     // inside the arrow: white
      {9, 10, 0, 1},
      {11, 11, 1, 1},   // the outline on the right, past the first byte
      {9, 15, 0, 0},    // beside the stem: transparent
      {31, 31, 0, 0},
  };
  for (auto &p : px) {
    EXPECT_EQ(bit(data, p.x, p.y), p.data) << p.x << "," << p.y;
    EXPECT_EQ(bit(mask, p.x, p.y), p.mask) << p.x << "," << p.y;
  }
}

TEST_F(Display, ScreenRgbGivesPagePixelsAtOwnSize) {
  int w = 0, h = 0;
  ASSERT_TRUE(display_screen_rgb(nullptr, &w, &h));
  EXPECT_EQ(w, display_page->width * fontwidth[display_page->font]);
  set_cell(0, 0, 219, 0x8C);                   // blinking cells are shown lit
  std::vector<uint32_t> px((size_t)w * h);
  display_screen_rgb(px.data(), &w, &h);
  EXPECT_EQ(px[0], display_page->palette[12] & 0xFFFFFF);
  EXPECT_EQ(px[8], 0u);                        // the next cell: a blank in black

  kelg_screen(13, 0, 0, 0, 0, 1);
  display_page->pixels[320 * 7 + 3] = 14;
  ASSERT_TRUE(display_screen_rgb(nullptr, &w, &h));
  ASSERT_EQ(w, 320);
  ASSERT_EQ(h, 200);
  px.assign(320 * 200, 1);
  display_screen_rgb(px.data(), &w, &h);
  EXPECT_EQ(px[320 * 7 + 3], palette_256[14] & 0xFFFFFF);
  EXPECT_EQ(px[0], 0u);
}

}  // namespace

}  // namespace display_test
