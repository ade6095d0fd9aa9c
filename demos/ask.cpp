// Demo: INPUT reads a number and a name, PRINT USING prints them back.
// Written by hand in the form translated programs take; the line numbers are those of
// the BASIC listing below.
//
//  1 SCREEN 13
//  2 COLOR 14: PRINT "Tell me about yourself."
//  3 COLOR 15: INPUT "How old are you"; AGE%
//  4 INPUT "Your name"; N$
//  5 PRINT USING "Hi &, in 10 years: ###"; N$; AGE% + 10
//  6 PRINT USING "Minutes lived: ##,###,###"; AGE% * 525960#
//  7 PRINT "Press a key": SLEEP 30: K$ = INKEY$: PRINT "You pressed "; K$
//  8 END
#include "statement.h"

static int16_t *AGE;
static kels *N, *K;

// INPUT "prompt"; variable — the prompt gets "? " because a semicolon follows it.
static void input_one(const char *prompt, uint32_t type, void *variable) {
  kels_print(kels_new_txt(prompt), 0);
  kels_print(kels_new_txt("? "), 0);
  kels_input_variabletypes[1] = type;
  kels_input_variableoffsets[1] = variable;
  kels_input(1, 1);
  if (stop_program) end();
}

static void KELMAIN() {
  uint32_t kels_tmp_base = kels_tmp_list_nexti;
  AGE = static_cast<int16_t *>(mem_static_malloc(2));
  N = kels_new(0, 0);
  K = kels_new(0, 0);
  STATEMENT(1, kelg_screen(13, 0, 0, 0, 0, 1));
  STATEMENT(2, kelg_sub_color(14, 0, 0, 1));
  STATEMENT(2, print_line("Tell me about yourself."));
  STATEMENT(3, kelg_sub_color(15, 0, 0, 1));
  STATEMENT(3, input_one("How old are you", 16, AGE); kels_cleanup(kels_tmp_base, 0));
  STATEMENT(4, input_one("Your name", input_type_string, N); kels_cleanup(kels_tmp_base, 0));
  STATEMENT(5, sub_print_using_begin(kels_new_txt("Hi &, in 10 years: ###")); sub_print_using_string(N);
            sub_print_using_integer64(*AGE + 10); sub_print_using_end(1); kels_cleanup(kels_tmp_base, 0));
  STATEMENT(6, sub_print_using_begin(kels_new_txt("Minutes lived: ##,###,###"));
            sub_print_using_double(*AGE * 525960.0); sub_print_using_end(1); kels_cleanup(kels_tmp_base, 0));
  STATEMENT(7, print_line("Press a key"));
  STATEMENT(7, sub_sleep(30, 1));
  STATEMENT(7, kels_set(K, kels_inkey()); kels_cleanup(kels_tmp_base, 0));
  STATEMENT(7, kels_print(kels_new_txt("You pressed "), 0); kels_print(K, 1); kels_cleanup(kels_tmp_base, 0));
  STATEMENT(8, sub_end());
}

int main(int argc, char **argv) { return kel_main(argc, argv, KELMAIN); }
