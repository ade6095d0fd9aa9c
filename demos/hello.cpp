// Demo: SCREEN 13, a coloured title, and the codes of every key read with INKEY$.
// F5 raises error 5 to show the error box; Esc ends through END.
// Written by hand in the form translated programs take: each statement is followed by
// the event test, and the line numbers are those of the BASIC listing below.
//
//  1 SCREEN 13
//  2 COLOR 14: LOCATE 2, 15: PRINT "Kestravelle"
//  3 COLOR 11: LOCATE 4, 2: PRINT "Press keys to see their codes."
//  4 LOCATE 5, 2: PRINT "F5 shows an error box, Esc ends."
//  5 COLOR 15: LOCATE 7, 1
//  6 K$ = INKEY$: IF K$ = "" THEN _DELAY 0.01: GOTO 6
//  7 IF K$ = CHR$(27) THEN END
//  8 IF K$ = CHR$(0) + CHR$(63) THEN ERROR 5
//  9 IF LEN(K$) = 2 THEN PRINT "Key: 0"; ASC(K$, 2) ELSE PRINT "Key:"; ASC(K$)
// 10 GOTO 6
#include <cstdio>
#include "kel.h"

static kels *K;

// PRINT of a literal without ending the line.
static void print_text(const char *t) {
  kels *item = kels_new(0, 0);
  kels_set(item, kels_new_txt(t));
  if (!new_error) {
    makefit(item);
    kels_print(item, 0);
  }
  kels_free(item);
}

// PRINT of a number: its text with the leading blank of a positive number, and one space.
static void print_number(int n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%c%d ", n < 0 ? '-' : ' ', n < 0 ? -n : n);
  print_text(buf);
}

#define STATEMENT(line, ...)              \
  for (;;) {                              \
    __VA_ARGS__;                          \
    if (!kelevent) break;                 \
    evnt(line);                           \
    if (r != 1) break;                    \
  }

static void KELMAIN() {
  uint32_t kels_tmp_base = kels_tmp_list_nexti;
  K = kels_new(0, 0);
  STATEMENT(1, kelg_screen(13, 0, 0, 0, 0, 1));
  STATEMENT(2, kelg_sub_color(14, 0, 0, 1));
  STATEMENT(2, kelg_sub_locate(2, 15, 0, 0, 0, 3));
  STATEMENT(2, print_text("Kestravelle"); kels_print(nothingstring, 1));
  STATEMENT(3, kelg_sub_color(11, 0, 0, 1));
  STATEMENT(3, kelg_sub_locate(4, 2, 0, 0, 0, 3));
  STATEMENT(3, print_text("Press keys to see their codes."); kels_print(nothingstring, 1));
  STATEMENT(4, kelg_sub_locate(5, 2, 0, 0, 0, 3));
  STATEMENT(4, print_text("F5 shows an error box, Esc ends."); kels_print(nothingstring, 1));
  STATEMENT(5, kelg_sub_color(15, 0, 0, 1));
  STATEMENT(5, kelg_sub_locate(7, 1, 0, 0, 0, 3));
  for (;;) {
    STATEMENT(6, kels_set(K, kels_inkey()); kels_cleanup(kels_tmp_base, 0));
    if (K->len == 0) {
      STATEMENT(6, platform_sleep(10));
      continue;
    }
    if (K->len == 1 && K->text[0] == 27) STATEMENT(7, sub_end());
    if (K->len == 2 && K->text[1] == 63) STATEMENT(8, error(5));
    if (K->len == 2) {
      STATEMENT(9, print_text("Key: 0"); print_number(K->text[1]); kels_print(nothingstring, 1));
    } else {
      STATEMENT(9, print_text("Key:"); print_number(K->text[0]); kels_print(nothingstring, 1));
    }
  }
}

int main(int argc, char **argv) { return kel_main(argc, argv, KELMAIN); }
