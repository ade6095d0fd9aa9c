// Demo: POKE draws bands of colour straight into SCREEN 13's memory, a small machine-code
// routine run with CALL ABSOLUTE draws a block and swaps two variables, and CALL INTERRUPT
// asks the mouse driver whether it is there.
// Written by hand in the form translated programs take; the line numbers are those of
// the BASIC listing below. A% and B% live in the data block (segment 80) at offsets 16
// and 18, which is what VARPTR gives for them here.
//
//  1 SCREEN 13
//  2 DEF SEG = &HA000
//  3 FOR Y& = 100 TO 131: FOR X& = 0 TO 319: POKE Y& * 320 + X&, 32 + X& \ 20: NEXT X&, Y&
//  4 DEF SEG = &H1000
//  5 FOR I% = 0 TO 46: READ D%: POKE I%, D%: NEXT I%
//  6 A% = 3: B% = 7: PRINT "Before the call:"; A%; B%
//  7 CALL ABSOLUTE(VARPTR(A%), VARPTR(B%), 14, 150 * 320& + 160, 0)
//  8 DEF SEG: PRINT "After the call:"; A%; B%
//  9 R.AX = 0: CALL INTERRUPT(&H33, R, R): PRINT "Mouse driver:"; R.AX; R.BX
// 10 DEF SEG = &HA000: PRINT "Pixel (170,120):"; PEEK(120 * 320& + 170): DEF SEG
// 11 PRINT "Press a key"
// 12 K$ = INKEY$: IF K$ = "" THEN _DELAY 0.01: GOTO 12
// 13 END
// 14 DATA &H8B,&HEC, &HB8,&H00,&HA0, &H8E,&HC0, ...   (the routine below)
#include "kel.h"

// The routine, with the stack as CALL ABSOLUTE leaves it: [BP+4] the pixel offset,
// [BP+6] the colour, [BP+8] and [BP+10] the offsets of B% and A%.
static const uint8_t routine[] = {
  0x8B, 0xEC,                    // MOV BP, SP
  0xB8, 0x00, 0xA0,              // MOV AX, A000
  0x8E, 0xC0,                    // MOV ES, AX
  0x8B, 0x7E, 0x04,              // MOV DI, [BP+4]
  0x8B, 0x46, 0x06,              // MOV AX, [BP+6]
  0x8A, 0xE0,                    // MOV AH, AL
  0x26, 0x89, 0x05,              // MOV ES:[DI], AX          two pixels
  0x26, 0x89, 0x45, 0x02,        // MOV ES:[DI+2], AX        two more
  0x26, 0x89, 0x85, 0x40, 0x01,  // MOV ES:[DI+320], AX      the row below
  0x26, 0x89, 0x85, 0x42, 0x01,  // MOV ES:[DI+322], AX
  0x8B, 0x76, 0x0A,              // MOV SI, [BP+10]          &A%
  0x8B, 0x5E, 0x08,              // MOV BX, [BP+8]           &B%
  0xFF, 0x34,                    // PUSH [SI]
  0xFF, 0x37,                    // PUSH [BX]
  0x8F, 0x04,                    // POP [SI]                 A% = old B%
  0x8F, 0x07,                    // POP [BX]                 B% = old A%
  0xCB,                          // RETF
};

struct regtype { int16_t ax, bx, cx, dx, bp, si, di, flags; };

static int16_t *A, *B;
static int16_t *D, *I;
static int32_t *X, *Y;
static regtype *R;
static kels *K;

static void print_text(const char *t, int newline) {
  kels_print(kels_new_txt(t), (uint8_t)newline);
}

// PRINT's form of a number: its STR$ and a space after it.
static void print_number(int32_t v, int newline) {
  kels_print(kels_str(v), 0);
  kels_print(kels_new_txt(" "), (uint8_t)newline);
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
  A = reinterpret_cast<int16_t *>(dblock + 16);
  B = reinterpret_cast<int16_t *>(dblock + 18);
  D = static_cast<int16_t *>(mem_static_malloc(2));
  I = static_cast<int16_t *>(mem_static_malloc(2));
  X = static_cast<int32_t *>(mem_static_malloc(4));
  Y = static_cast<int32_t *>(mem_static_malloc(4));
  R = static_cast<regtype *>(mem_static_malloc(sizeof(regtype)));
  K = kels_new(0, 0);
  STATEMENT(1, kelg_screen(13, 0, 0, 0, 0, 1));
  STATEMENT(2, sub_defseg(0xA000, 1));
  for (*Y = 100; *Y <= 131; ++*Y)
    for (*X = 0; *X <= 319; ++*X) STATEMENT(3, sub_poke(*Y * 320 + *X, 32 + *X / 20));
  STATEMENT(4, sub_defseg(0x1000, 1));
  for (*I = 0; *I < (int16_t)sizeof routine; ++*I) {
    STATEMENT(5, *D = routine[*I]);
    STATEMENT(5, sub_poke(*I, *D));
  }
  STATEMENT(6, *A = 3);
  STATEMENT(6, *B = 7);
  STATEMENT(6, print_text("Before the call:", 0); print_number(*A, 0); print_number(*B, 1);
            kels_cleanup(kels_tmp_base, 0));
  STATEMENT(7, call_absolute_offsets[0] = 16; call_absolute_offsets[1] = 18; call_absolute_offsets[2] = 14;
            call_absolute_offsets[3] = 150 * 320 + 160; call_absolute(4, 0));
  STATEMENT(8, sub_defseg(0, 0));
  STATEMENT(8, print_text("After the call:", 0); print_number(*A, 0); print_number(*B, 1);
            kels_cleanup(kels_tmp_base, 0));
  STATEMENT(9, R->ax = 0);
  STATEMENT(9, call_interrupt(0x33, {R, sizeof(regtype)}, {R, sizeof(regtype)}));
  STATEMENT(9, print_text("Mouse driver:", 0); print_number(R->ax, 0); print_number(R->bx, 1);
            kels_cleanup(kels_tmp_base, 0));
  STATEMENT(10, sub_defseg(0xA000, 1));
  STATEMENT(10, print_text("Pixel (170,120):", 0); print_number(func_peek(120 * 320 + 170), 1);
            kels_cleanup(kels_tmp_base, 0));
  STATEMENT(10, sub_defseg(0, 0));
  STATEMENT(11, print_text("Press a key", 1); kels_cleanup(kels_tmp_base, 0));
line12:
  STATEMENT(12, kels_set(K, kels_inkey()); kels_cleanup(kels_tmp_base, 0));
  STATEMENT(12, if (K->len == 0) {
    platform_sleep(10);
    goto line12;
  });
  STATEMENT(13, sub_end());
}

int main(int argc, char **argv) { return kel_main(argc, argv, KELMAIN); }
