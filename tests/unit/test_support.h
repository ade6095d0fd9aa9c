// Shared fixtures for the unit tests: a runtime started without a window, and a
// message-box hook that records what was shown and answers as told.
#pragma once
#include <atomic>
#include <string>
#include <thread>
#include <vector>
#include "kel.h"
#include "platform.h"

struct shown_box { std::string caption, text; msgbox_kind kind; };
extern std::vector<shown_box> test_boxes;   // every box shown since the last reset
extern int test_box_answer;                 // what the hook answers (1 Yes/OK, 0 No)

void kel_test_boot();                       // once, from main
// Back to a clean state between tests: no error pending, SCREEN 0 rebuilt, boxes cleared.
void kel_test_reset();

// SCREEN 13 after a reset; a pixel of the write page; how many of its pixels have a colour.
void start_screen(int32_t mode);           // a reset, then that SCREEN
void start_screen13();
uint8_t &page_byte(int x, int y);           // a byte-per-pixel page's pixel, to read or set
int page_pixel(int x, int y);
int count_pixels(int colour);

// A temporary string holding text, and a variable's text as std::string.
kels *T(const char *text);
std::string S(const kels *s);

// Stands in for the main loop while a test holds the game thread on the sound queue: feeds
// the queue every 2 ms. A program still held after 20 s is released, and timed_out says so.
class sound_feeder {
 public:
  sound_feeder();
  ~sound_feeder() { stop(); }
  void stop();
  bool timed_out() const { return timed_out_; }

 private:
  std::atomic<bool> done_{false}, timed_out_{false};
  std::thread thread_;
};
