#include "test_support.h"
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

kels *T(const char *text) { return kels_tmp_from(text, (uint32_t)std::strlen(text)); }
std::string S(const kels *s) { return std::string((const char *)s->text, s->len); }
