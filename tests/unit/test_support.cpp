#include "test_support.h"
#include "platform.h"
#include <gtest/gtest.h>
#include <chrono>
#include <cstring>

std::vector<shown_box> test_boxes;
int test_box_answer = 1;

void kel_test_boot() {
  static char name[] = "kel_unit_tests";
  char *argv[] = {name, nullptr};
  kel_init_runtime(1, argv);
  platform_msgbox_hook = [](const char *caption, const char *text, msgbox_kind kind) {
    test_boxes.push_back({caption, text, kind});
    return test_box_answer;
  };
}

void kel_test_reset() {
  new_error = 0;
  kelevent = 0;
  stop_program = 0;
  suspend_program = 0;
  test_boxes.clear();
  test_box_answer = 1;
  kelg_screen(12, 0, 0, 0, 0, 1);       // from an 80-column grid, SCREEN 0 gives fresh 80x25
  kelg_screen(0, 0, 0, 0, 0, 1);
}

void start_screen(int32_t mode) {
  kel_test_reset();
  kelg_screen(mode, 0, 0, 0, 0, 1);
  ASSERT_EQ(new_error, 0);
}

void start_screen13() { start_screen(13); }

uint8_t &page_byte(int x, int y) { return write_page->pixels[(size_t)y * write_page->width + x]; }
int page_pixel(int x, int y) { return page_byte(x, y); }

int count_pixels(int colour) {
  int n = 0;
  for (size_t i = 0; i < (size_t)write_page->width * write_page->height; i++) n += write_page->pixels[i] == colour;
  return n;
}

kels *T(const char *text) { return kels_tmp_from(text, (uint32_t)std::strlen(text)); }
std::string S(const kels *s) { return std::string((const char *)s->text, s->len); }

sound_feeder::sound_feeder() {
  thread_ = std::thread([this] {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done_) {
      sndqueue_feed();
      if (std::chrono::steady_clock::now() > deadline && suspend_program.load()) {
        timed_out_ = true;
        suspend_program = 0;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
}

void sound_feeder::stop() {
  done_ = true;
  if (thread_.joinable()) thread_.join();
}
