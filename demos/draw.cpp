// Demo: a small scene in SCREEN 13 drawn with LINE, CIRCLE, PAINT and DRAW (a house
// painted through DRAW's P, a windmill whose sails are one substring turned by an angle
// read from a variable), a caption, then a key ends it.
// Written by hand in the form translated programs take; the line numbers are those of
// the BASIC listing below.
//
//  1 SCREEN 13
//  2 LINE (0, 150)-(319, 199), 2, BF
//  3 CIRCLE (280, 40), 16, 14: PAINT (280, 40), 14, 14
//  4 DRAW "BM30,150 C12 U45 E35 F35 D45 L70 BM+35,-5 P4,12"
//  5 DRAW "C15 BM56,150 U22 R14 D22 BM+10,-36 R14 D10 L14 U10"
//  6 LINE (167, 150)-(171, 124), 6, BF
//  7 CIRCLE (169, 108), 18, 10: PAINT (169, 108), 10, 10
//  8 LINE (248, 100)-(252, 150), 7, BF
//  9 SAIL$ = "C11 U34 R6 D34"
// 10 FOR A% = 20 TO 290 STEP 90
// 11 DRAW "BM250,100 TA=" + VARPTR$(A%) + "X" + VARPTR$(SAIL$)
// 12 NEXT A%
// 13 COLOR 15: LOCATE 2, 2: PRINT "DRAW, LINE, CIRCLE and PAINT"
// 14 LOCATE 3, 2: PRINT "Press a key"
// 15 K$ = INKEY$: IF K$ = "" THEN _DELAY 0.01: GOTO 15
// 16 END
#include "statement.h"
#include "platform.h"

static int16_t *A;
static kels *SAIL, *K;

// A numeric variable in the data block, where VARPTR$ references can reach it: taken from
// the block's downward-growing stack of small records.
static void *dblock_variable(uint32_t bytes) {
  cmem_sp -= (bytes + 3) & ~3u;
  return dblock + cmem_sp;
}

static void KELMAIN() {
  uint32_t kels_tmp_base = kels_tmp_list_nexti;
  A = static_cast<int16_t *>(dblock_variable(2));
  SAIL = kels_new_cmem(0, 0);
  K = kels_new(0, 0);
  STATEMENT(1, kelg_screen(13, 0, 0, 0, 0, 1));
  STATEMENT(2, sub_line(0, 0, 150, 0, 319, 199, 2, 2, 0, 3));
  STATEMENT(3, sub_circle(0, 280, 40, 16, 14, 0, 0, 0, 1));
  STATEMENT(3, sub_paint(0, 280, 40, 14, 14, nullptr, 3));
  STATEMENT(4, sub_draw(kels_new_txt("BM30,150 C12 U45 E35 F35 D45 L70 BM+35,-5 P4,12"));
            kels_cleanup(kels_tmp_base, 0));
  STATEMENT(5, sub_draw(kels_new_txt("C15 BM56,150 U22 R14 D22 BM+10,-36 R14 D10 L14 U10"));
            kels_cleanup(kels_tmp_base, 0));
  STATEMENT(6, sub_line(0, 167, 150, 0, 171, 124, 6, 2, 0, 3));
  STATEMENT(7, sub_circle(0, 169, 108, 18, 10, 0, 0, 0, 1));
  STATEMENT(7, sub_paint(0, 169, 108, 10, 10, nullptr, 3));
  STATEMENT(8, sub_line(0, 248, 100, 0, 252, 150, 7, 2, 0, 3));
  STATEMENT(9, kels_set(SAIL, kels_new_txt("C11 U34 R6 D34")); kels_cleanup(kels_tmp_base, 0));
  STATEMENT(10, *A = 20);
  for (;;) {
    STATEMENT(11, sub_draw(kels_add(kels_add(kels_add(kels_new_txt("BM250,100 TA="),
                                                      func_varptr_helper(2, (uint16_t)((uint8_t *)A - dblock))),
                                             kels_new_txt("X")),
                                    func_varptr_helper(3, SAIL->cmem_descriptor_offset)));
              kels_cleanup(kels_tmp_base, 0));
    STATEMENT(12, *A += 90);
    if (*A > 290) break;
  }
  STATEMENT(13, kelg_sub_color(15, 0, 0, 1));
  STATEMENT(13, kelg_sub_locate(2, 2, 0, 0, 0, 3));
  STATEMENT(13, print_line("DRAW, LINE, CIRCLE and PAINT"));
  STATEMENT(14, kelg_sub_locate(3, 2, 0, 0, 0, 3));
  STATEMENT(14, print_line("Press a key"));
  for (;;) {
    STATEMENT(15, kels_set(K, kels_inkey()); kels_cleanup(kels_tmp_base, 0));
    if (K->len) break;
    STATEMENT(15, platform_sleep(10));
  }
  STATEMENT(16, sub_end());
}

int main(int argc, char **argv) { return kel_main(argc, argv, KELMAIN); }
