// The dialect's string functions and statements: LEFT$, RIGHT$, MID$, INSTR, the trims and
// case changes, CHR$, ASC, LEN, SPACE$, STRING$, LSET, RSET and the six comparisons.
#pragma once
#include <cstdint>
#include "kels.h"

// Functions that return a string consume a temporary argument (free it, or hand it back as
// the result, possibly changed in place). The numeric functions, the comparisons and the
// statements only read their arguments. Positions are 1-based; truth values are -1 and 0.
kels *kels_left(kels *s, int32_t n);
kels *kels_right(kels *s, int32_t n);
kels *func_mid(kels *s, int32_t start, int32_t n, int32_t passed);      // passed: n given
void sub_mid(kels *dest, int32_t start, int32_t n, kels *src, int32_t passed);
int32_t func_instr(int32_t start, kels *s, kels *find, int32_t passed); // passed: start given
kels *kels_ltrim(kels *s);
kels *kels_rtrim(kels *s);
kels *kels_ucase(kels *s);
kels *kels_lcase(kels *s);
kels *func_chr(int32_t code);
int32_t kels_asc(kels *s);
int32_t kels_asc(kels *s, int32_t pos);
int32_t kels_len(kels *s);
kels *func_space(int32_t n);
kels *func_string(int32_t n, int32_t code);
kels *func_string(int32_t n, kels *s);                                  // STRING$(n, text$)
void sub_lset(kels *dest, kels *src);
void sub_rset(kels *dest, kels *src);

int32_t kels_equal(kels *a, kels *b);
int32_t kels_notequal(kels *a, kels *b);
int32_t kels_lessthan(kels *a, kels *b);
int32_t kels_greaterthan(kels *a, kels *b);
int32_t kels_lessorequal(kels *a, kels *b);
int32_t kels_greaterorequal(kels *a, kels *b);
