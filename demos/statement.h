// What the hand-written demos share: the statement protocol translated programs follow
// (run the statement; on an event call evnt with its line; repeat when RESUME asks) and a
// PRINT of a literal that ends its line, item by item as translated PRINTs do.
#pragma once
#include "kel.h"

#define STATEMENT(line, ...)              \
  for (;;) {                              \
    __VA_ARGS__;                          \
    if (!kelevent) break;                 \
    evnt(line);                           \
    if (evnt_repeat != 1) break;          \
  }

static inline void print_line(const char *t) {
  kels *item = kels_new(0, 0);
  kels_set(item, kels_new_txt(t));
  if (!new_error) {
    makefit(item);
    kels_print(item, 0);
  }
  kels_free(item);
  kels_print(nothingstring, 1);
}
