// Unit tests for images and pages: the image table, SCREEN, COLOR, PALETTE, WIDTH, PCOPY.
#include <gtest/gtest.h>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include "kel_data.h"
#include "test_support.h"

namespace images_test {

namespace {

constexpr uint32_t rgb = 0x00FFFFFF;   // palette entries compared without their alpha byte

void screen(int32_t mode) { kelg_screen(mode, 0, 0, 0, 0, 1); }

void start_in(int32_t mode) {
  kel_test_reset();
  screen(12);                          // a known grid (80x30) before the mode under test
  screen(mode);
  ASSERT_EQ(new_error, 0);
}

}  // namespace

TEST(Images, StartupReservesTwoSlotsAndCopiesFontsAndPalettes) {
  kel_test_reset();
  EXPECT_EQ(img[0].in_use, 0);
  EXPECT_EQ(img[1].in_use, 0);
  EXPECT_EQ(freeimg(0), 0);
  EXPECT_EQ(freeimg(1), 0);
  uint32_t a = newimg();
  EXPECT_GE(a, 2u);
  EXPECT_EQ(freeimg(a), 1);
  EXPECT_EQ(freeimg(a), 0);                            // already free
  EXPECT_EQ(newimg(), a);                              // released slots come back first
  freeimg(a);
  EXPECT_EQ(palette_256[1] & rgb, 0x0000AAu);          // CGA blue
  EXPECT_EQ(palette_256[15] & rgb, 0xFFFFFFu);
  EXPECT_EQ(palette_256[15] >> 24, 0xFFu);
  EXPECT_EQ(palette_64[63] & rgb, 0xFFFFFFu);
  EXPECT_EQ(palette_64[20] & rgb, 0xAA5500u);          // EGA brown
  EXPECT_EQ(std::memcmp(charset8x16, file_chrset16_raw, sizeof charset8x16), 0);
  int lit = 0;
  for (int i = 0; i < 64; i++) lit += charset8x8['A' * 64 + i] != 0;
  EXPECT_GT(lit, 8);
}

TEST(Images, ImgnewAppliesModeDefaults) {
  kel_test_reset();
  struct Case { int32_t w, h, mode; bool ok; uint32_t color, mask; int font, rows, cols; };
  const Case cases[] = {
      {80, 25, 0, true, 7, 0xFFFF, 16, 25, 80},
      {320, 200, 13, true, 15, 0xFF, 8, 25, 40},
      {640, 350, 10, true, 3, 3, 14, 25, 80},
      {100, 10, 32, true, 0xFFFFFFFFu, 0xFFFFFFFFu, 16, 0, 12},
      {10, 10, 3, false, 0, 0, 0, 0, 0},
      {0, 10, 13, false, 0, 0, 0, 0, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.mode);
    uint32_t s = imgnew(c.w, c.h, c.mode);
    if (!c.ok) {
      EXPECT_EQ(s, 0u);
      continue;
    }
    ASSERT_NE(s, 0u);
    img_struct *im = &img[s];
    EXPECT_EQ(im->color, c.color);
    EXPECT_EQ(im->draw_color, c.color);
    EXPECT_EQ(im->mask, c.mask);
    EXPECT_EQ((int)im->font, c.font);
    EXPECT_EQ(img_rows(im), c.rows);
    EXPECT_EQ(img_columns(im), c.cols);
    EXPECT_EQ(im->bottom_row, c.rows > 1 ? c.rows - 1 : 1);
    EXPECT_EQ(im->transparent_color, -1);
    if (c.mode == 0) {
      EXPECT_EQ(im->pixels[0], 0x20);
      EXPECT_EQ(im->pixels[2 * 80 * 25 - 1], 0x07);
    } else {
      EXPECT_EQ(im->pixels[c.w * c.h * im->bytes_per_pixel - 1], 0);
      EXPECT_EQ(im->view_x2, c.w - 1);
      EXPECT_EQ(im->graphics_y, (float)(c.h / 2));
    }
    EXPECT_EQ(im->palette == nullptr, c.mode == 32);
    free(im->pixels);
    free(im->palette);
    freeimg(s);
  }
}

TEST(Images, ModeChangeBuildsPageZeroWithDefaults) {
  struct Case { int32_t from, to; int w, h, cols, rows, font; uint32_t color; int palette_entries; };
  const Case cases[] = {
      {12, 13, 320, 200, 40, 25, 8, 15, 256},
      {13, 12, 640, 480, 80, 30, 16, 15, 16},
      {13, 9, 640, 350, 80, 25, 14, 15, 16},
      {13, 1, 320, 200, 40, 25, 8, 3, 4},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.to);
    start_in(c.from);
    write_page->cursor_x = 5, write_page->cursor_y = 7;
    write_page->color = 2;
    std::memset(cmem + cmem_vga, 9, 64000);                 // leftovers in video memory
    screen(c.to);
    ASSERT_EQ(new_error, 0);
    img_struct *im = write_page;
    EXPECT_EQ(display_page, im);
    EXPECT_EQ(read_page, im);
    EXPECT_EQ(img[img_page[0]].pixels, im->pixels);
    EXPECT_EQ(img_pages, 1u);
    EXPECT_EQ(im->width, c.w);
    EXPECT_EQ(im->height, c.h);
    EXPECT_EQ(img_columns(im), c.cols);
    EXPECT_EQ(img_rows(im), c.rows);
    EXPECT_EQ((int)im->font, c.font);
    EXPECT_EQ(im->color, c.color);
    EXPECT_EQ(im->cursor_x, 1);
    EXPECT_EQ(im->cursor_y, 1);
    EXPECT_EQ(im->top_row, 1);
    EXPECT_EQ(im->bottom_row, c.rows - 1);
    EXPECT_TRUE(im->flags & img_screen_page);
    if (c.to == 13) {
      EXPECT_EQ(im->pixels, cmem + cmem_vga);
      for (int i = 0; i < 64000; i += 997) ASSERT_EQ(im->pixels[i], 0) << i;
    }
    if (c.to == 1) {
      EXPECT_EQ(im->palette[1] & rgb, file_kelvo_pal[3] & rgb);
    } else if (c.to == 9) {
      EXPECT_EQ(im->palette[6] & rgb, file_kelvoega_pal[20] & rgb);
      EXPECT_EQ(im->palette[15] & rgb, 0xFFFFFFu);
    } else {
      for (int i = 0; i < c.palette_entries; i++)
        ASSERT_EQ(im->palette[i] & rgb, file_kelvo_pal[i] & rgb) << i;
    }
    if (c.palette_entries < 256) {
      EXPECT_EQ(im->palette[c.palette_entries], 0u);
    }
  }
}

TEST(Images, Screen13TwiceKeepsPageTextAndPixels) {
  start_in(13);
  img_struct *before = write_page;
  write_page->pixels[321] = 44;
  write_page->cursor_x = 3;
  write_page->cursor_y = 9;
  screen(13);
  EXPECT_EQ(new_error, 0);
  EXPECT_EQ(write_page, before);
  EXPECT_EQ(cmem[cmem_vga + 321], 44);
  EXPECT_EQ(write_page->cursor_x, 3);
  EXPECT_EQ(write_page->cursor_y, 9);
}

TEST(Images, BadScreenArgumentsRaiseErrorsAndKeepPage) {
  struct Case { int32_t mode, active, visual, passed; int err; };
  const Case cases[] = {
      {4, 0, 0, 1, 5}, {3, 0, 0, 1, 5}, {6, 0, 0, 1, 5}, {14, 0, 0, 1, 5},
      {-4000, 0, 0, 1, 258}, {-1, 0, 0, 1, 258},
      {13, -1, 0, 1 | 4, 5}, {13, 0, -2, 1 | 8, 5},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.mode);
    start_in(13);
    img_struct *before = write_page;
    write_page->pixels[5] = 77;
    kelg_screen(c.mode, 0, c.active, c.visual, 0, c.passed);
    EXPECT_EQ(new_error, c.err);
    EXPECT_EQ(write_page, before);
    EXPECT_EQ(display_page, before);
    EXPECT_EQ(write_page->screen_mode, 13);
    EXPECT_EQ(cmem[cmem_vga + 5], 77);
    new_error = 0;
  }
}

TEST(Images, PendingErrorMakesStatementsDoNothing) {
  start_in(13);
  img_struct *before = write_page;
  new_error = 5;
  screen(12);
  kelg_sub_color(4, 0, 0, 1);
  kelg_palette(1, 63, 1);
  EXPECT_EQ(write_page, before);
  EXPECT_EQ(write_page->color, 15u);
  EXPECT_EQ(write_page->palette[1] & rgb, 0x0000AAu);
  new_error = 0;
}

TEST(Images, ColorValidatesPerMode) {
  struct Case { int32_t mode; uint32_t fg, bg; int32_t passed; int err; uint32_t color, background; };
  const Case cases[] = {
      {13, 300, 0, 1, 5, 15, 0},
      {13, 255, 200, 3, 0, 255, 200},
      {12, 16, 0, 1, 5, 15, 0},
      {12, 14, 16, 3, 5, 15, 0},                            // a bad background stores nothing
      {12, 14, 1, 3, 0, 14, 1},
      {12, 0, 0, 4, 5, 15, 0},                              // border
      {0, 31, 9, 3, 0, 31, 1},
      {0, 32, 0, 1, 5, 7, 0},
      {0, 0xFFFFFFFFu, 0, 1, 5, 7, 0},                      // COLOR -1
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.mode << " " << c.fg << "," << c.bg);
    start_in(c.mode);
    kelg_sub_color(c.fg, c.bg, 0, c.passed);
    EXPECT_EQ(new_error, c.err);
    EXPECT_EQ(write_page->color, c.color);
    EXPECT_EQ(write_page->background_color, c.background);
    new_error = 0;
  }
}

TEST(Images, ColorBackgroundOnPaletteModesSetsEntryZero) {
  start_in(9);
  kelg_sub_color(15, 20, 0, 3);
  EXPECT_EQ(new_error, 0);
  EXPECT_EQ(write_page->palette[0] & rgb, palette_64[20] & rgb);
  start_in(1);
  kelg_sub_color(1, 1, 0, 3);
  EXPECT_EQ(new_error, 0);
  EXPECT_EQ(write_page->palette[0] & rgb, 0x0000AAu);
  EXPECT_EQ(write_page->palette[1] & rgb, palette_256[3] & rgb);
  kelg_sub_color(1, 2, 0, 2);
  EXPECT_EQ(write_page->palette[1] & rgb, palette_256[2] & rgb);
}

TEST(Images, PaletteScalesComponentsAndValidates) {
  struct Case { int32_t mode; uint32_t attribute, colour; int err; uint32_t index, expect; };
  const Case cases[] = {
      {13, 1, 63, 0, 1, 0xFF0000},
      {13, 2, 63 << 8, 0, 2, 0x00FF00},
      {13, 3, 63 << 16, 0, 3, 0x0000FF},
      {13, 4, 15 | 16 << 8 | 1 << 16, 0, 4, 0x3C4104},      // 15 -> 60, 16 -> 65, 1 -> 4
      {13, 256 + 5, 32, 0, 5, 0x820000},                     // attribute taken modulo 256
      {13, 1, 64, 5, 1, 0x0000AA},
      {13, 1, 0x400000, 5, 1, 0x0000AA},
      {12, 16, 0, 5, 0, 0x000000},
      {12, 15, 0, 0, 15, 0x000000},
      {9, 1, 63, 0, 1, 0xFFFFFF},
      {9, 1, 64, 5, 1, 0x0000AA},
      {0, 3, 20, 0, 3, 0xAA5500},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.mode << " " << c.attribute << "," << c.colour);
    start_in(c.mode);
    kelg_palette(c.attribute, c.colour, 1);
    EXPECT_EQ(new_error, c.err);
    EXPECT_EQ(write_page->palette[c.index] & rgb, c.expect);
    new_error = 0;
  }
}

TEST(Images, PaletteWithoutArgumentsRestoresDefaults) {
  start_in(13);
  kelg_palette(1, 63, 1);
  kelg_palette(200, 0x3F3F3F, 1);
  kelg_palette(0, 0, 0);
  EXPECT_EQ(new_error, 0);
  EXPECT_EQ(write_page->palette[1], palette_256[1]);
  EXPECT_EQ(write_page->palette[200], palette_256[200]);
}

TEST(Images, TextPagesLiveInVideoMemoryFilledWithBlanks) {
  struct Case { int32_t width; int cols; uint32_t bytes; };
  const Case cases[] = {{80, 80, 4096}, {40, 40, 2048}};   // pages start on 2 KB steps
  for (const Case &c : cases) {
    SCOPED_TRACE(c.width);
    start_in(0);
    std::memset(cmem + cmem_text, 0, 65536);
    kelsub_width(0, c.width, 0, 1);
    ASSERT_EQ(new_error, 0);
    ASSERT_EQ(img_pages, 8u);
    for (uint32_t i = 0; i < 8; i++) {
      img_struct *im = &img[img_page[i]];
      EXPECT_TRUE(im->flags & img_screen_page);
      EXPECT_EQ(im->pixels, cmem + cmem_text + i * c.bytes) << i;
      EXPECT_EQ(im->width, c.cols);
      EXPECT_EQ(im->height, 25);
    }
    for (uint32_t i = 0; i < 65536; i += 2) {
      ASSERT_EQ(cmem[cmem_text + i], 0x20) << i;
      ASSERT_EQ(cmem[cmem_text + i + 1], 0x07) << i;
    }
  }
}

TEST(Images, WidthInTextModeRebuildsTheGrid) {
  struct Case { int32_t columns, rows, passed; int err; int cols, rws, font; };
  const Case cases[] = {
      {40, 0, 1, 0, 40, 25, 17},
      {80, 0, 1, 0, 80, 25, 16},
      {80, 50, 3, 0, 80, 50, 8},
      {40, 43, 3, 0, 40, 43, 15},
      {0, 43, 2, 0, 80, 43, 14},
      {30, 0, 1, 5, 80, 25, 16},
      {80, 30, 3, 5, 80, 25, 16},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.columns << "," << c.rows);
    start_in(0);                                          // 80x25 after SCREEN 12
    ASSERT_EQ(write_page->width, 80);
    kelsub_width(0, c.columns, c.rows, c.passed);
    EXPECT_EQ(new_error, c.err);
    EXPECT_EQ(write_page->width, c.cols);
    EXPECT_EQ(write_page->height, c.rws);
    EXPECT_EQ((int)write_page->font, c.font);
    EXPECT_EQ(sub_screen_width_in_characters, -1);
    new_error = 0;
  }
}

TEST(Images, ScreenZeroFollowsTheOldGrid) {
  kel_test_reset();
  screen(13);
  screen(0);                                              // from a 40x25 grid
  EXPECT_EQ(write_page->width, 40);
  EXPECT_EQ((int)write_page->font, 17);
  kelsub_width(0, 0, 43, 2);                              // rows alone keep 40 columns
  EXPECT_EQ(write_page->width, 40);
  EXPECT_EQ((int)write_page->font, 15);
  kelsub_width(0, 80, 0, 1);                              // columns alone keep 43 rows
  EXPECT_EQ(write_page->height, 43);
  EXPECT_EQ((int)write_page->font, 14);
  screen(12);
  kelsub_width(0, 80, 60, 3);                             // font 8 on a 640x480 page
  EXPECT_EQ(new_error, 0);
  EXPECT_EQ(img_rows(write_page), 60);
  screen(11);                                             // 80x60 carries over to mode 11
  EXPECT_EQ(img_rows(write_page), 60);
  screen(0);
  EXPECT_EQ(write_page->width, 80);
  EXPECT_EQ(write_page->height, 25);
}

TEST(Images, WidthResizesFreeSizeImages) {
  kel_test_reset();
  uint32_t s = imgnew(64, 32, 256);
  ASSERT_NE(s, 0u);
  kelg_screen(-(int32_t)s, 0, 0, 0, 0, 1);
  ASSERT_EQ(new_error, 0);
  kelg_sub_color(9, 4, 0, 3);
  kelsub_width(0, 20, 3, 3);
  EXPECT_EQ(new_error, 0);
  EXPECT_EQ(img[s].width, 160);
  EXPECT_EQ(img[s].height, 48);
  EXPECT_EQ(img[s].color, 9u);
  EXPECT_EQ(img[s].background_color, 4u);
  EXPECT_EQ(img[s].view_x2, 159);
  kelsub_width(0, 0, 3, 3);
  EXPECT_EQ(new_error, 5);
  EXPECT_EQ(img[s].width, 160);
  new_error = 0;
}

TEST(Images, ProgramImageAsPageZeroSurvivesTheNextScreen) {
  kel_test_reset();
  uint32_t s = imgnew(100, 50, 256);
  ASSERT_NE(s, 0u);
  img[s].pixels[7] = 3;
  kelg_screen(-(int32_t)s, 0, 0, 0, 0, 1);
  ASSERT_EQ(new_error, 0);
  EXPECT_EQ(img_page[0], s);
  EXPECT_EQ(write_page, &img[s]);
  screen(13);
  ASSERT_EQ(new_error, 0);
  EXPECT_EQ(img[s].in_use, 1);
  EXPECT_FALSE(img[s].flags & img_screen_page);
  EXPECT_EQ(img[s].pixels[7], 3);
  EXPECT_NE(write_page, &img[s]);
}

TEST(Images, ActiveAndVisualPagesSelectPageImages) {
  start_in(13);
  kelg_screen(13, 0, 1, 0, 0, 1 | 4 | 8);
  ASSERT_EQ(new_error, 0);
  EXPECT_EQ(write_page_index, 1);
  EXPECT_EQ(display_page_index, 0);
  EXPECT_EQ(write_page, &img[img_page[1]]);
  EXPECT_EQ(display_page, &img[img_page[0]]);
  EXPECT_EQ(write_page->palette, display_page->palette);  // pages of a mode share one palette
  EXPECT_FALSE(write_page->flags & img_own_palette);
  kelg_palette(1, 63, 1);
  EXPECT_EQ(display_page->palette[1] & rgb, 0xFF0000u);
  screen(12);                                             // a mode change takes both back to 0
  EXPECT_EQ(write_page, display_page);
  EXPECT_EQ(img_pages, 1u);
}

TEST(Images, ActivePageCarriesGraphicsState) {
  start_in(13);
  write_page->view_x1 = 10;
  write_page->graphics_x = 33;
  write_page->draw_scale = 2;
  kelg_screen(0, 0, 2, 0, 0, 4);
  ASSERT_EQ(new_error, 0);
  EXPECT_EQ(write_page_index, 2);
  EXPECT_EQ(display_page_index, 2);                       // active alone moves the view too
  EXPECT_EQ(write_page->view_x1, 10);
  EXPECT_EQ(write_page->graphics_x, 33.0f);
  EXPECT_EQ(write_page->draw_scale, 2.0);
}

TEST(Images, PcopyCopiesMatchingPagesOnly) {
  start_in(0);
  img_struct *p0 = &img[img_page[0]];
  p0->pixels[0] = 'Z';
  p0->pixels[1] = 0x1E;
  sub_pcopy(0, 3);
  EXPECT_EQ(new_error, 0);
  EXPECT_EQ(std::memcmp(img[img_page[3]].pixels, p0->pixels, 4000), 0);

  uint32_t small = imgnew(40, 25, 0);
  uint32_t pixels = imgnew(80, 25, 13);
  struct Case { int32_t src, dst; int err; };
  const Case cases[] = {
      {0, -(int32_t)small, 5},                            // size differs
      {0, -(int32_t)pixels, 5},                           // bytes per pixel differ
      {-4000, 0, 5},                                      // no such image
      {2, 2, 0},                                          // same page: nothing
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.src << "->" << c.dst);
    sub_pcopy(c.src, c.dst);
    EXPECT_EQ(new_error, c.err);
    new_error = 0;
  }
  EXPECT_EQ(img[small].pixels[0], 0x20);                  // untouched

  uint32_t mono = imgnew(16, 4, 11), colour = imgnew(16, 4, 13);
  img[colour].pixels[0] = 200;
  sub_pcopy(-(int32_t)colour, -(int32_t)mono);           // the destination cannot hold 8 bits
  EXPECT_EQ(new_error, 5);
  new_error = 0;
  sub_pcopy(-(int32_t)mono, -(int32_t)colour);
  EXPECT_EQ(new_error, 0);
  EXPECT_EQ(img[colour].pixels[0], 0);
}

TEST(Images, ModeChangeWaitsForTheDisplayHandshake) {
  start_in(13);
  std::atomic<int> saw_request{0};
  std::atomic<bool> quit{false};
  std::thread refresher([&] {                             // stands in for the display refresh
    while (!quit) {
      if (lock_display == 1) {
        saw_request = 1;
        lock_display = 2;
      }
      std::this_thread::yield();
    }
  });
  int old_required = lock_display_required, old_auto = autodisplay;
  lock_display_required = 1;
  autodisplay = 1;
  screen(12);
  lock_display_required = old_required;
  autodisplay = old_auto;
  quit = true;
  refresher.join();
  EXPECT_EQ(saw_request, 1);
  EXPECT_EQ(lock_display, 0);
  EXPECT_EQ(write_page->screen_mode, 12);
}

TEST(Images, ClearFreesProgramImagesAndKeepsPages) {
  kel_test_reset();
  kelg_screen(13, 0, 0, 0, 0, 1);
  kelg_screen(0, 0, 1, 0, 0, 4);              // a second page, made on demand
  uint32_t mine = imgnew(64, 32, 13);
  ASSERT_NE(mine, 0u);
  uint32_t page1 = img_page[1];
  sub_clear();
  EXPECT_EQ(img[mine].in_use, 0);
  EXPECT_EQ(img[img_page[0]].in_use, 1);
  EXPECT_EQ(img[page1].in_use, 1);
  EXPECT_EQ(write_page, &img[page1]);
}

}  // namespace images_test
