// Shared fixtures for the unit tests: a runtime started without a window, and a
// message-box hook that records what was shown and answers as told.
#pragma once
#include <string>
#include <vector>
#include "kel.h"

struct shown_box { std::string caption, text; msgbox_kind kind; };
extern std::vector<shown_box> test_boxes;   // every box shown since the last reset
extern int test_box_answer;                 // what the hook answers (1 Yes/OK, 0 No)

void kel_test_boot();                       // once, from main
// Back to a clean state between tests: no error pending, SCREEN 0 rebuilt, boxes cleared.
void kel_test_reset();

// A temporary string holding text, and a variable's text as std::string.
kels *T(const char *text);
std::string S(const kels *s);
