// Key traps (ON KEY(n)) and the keys a program defines: the user keys 15-25 (KEY n,
// CHR$(shift flags) + CHR$(scan code)) and the soft-key texts the function keys type.
#pragma once
#include <cstdint>

struct kels;

// KEY n, text$: n 1-12, 30, 31 set a soft-key text; n 15-25 define a user key from a
// two-character string (shift flags, scan code). Error 5 otherwise.
void sub_key_define(int32_t n, kels *text);
// Main thread, for a key down (SDL symbol, modifier mask, scan code): true when a trap takes
// the key or it types its soft-key text, so that nothing else is put in the key buffer.
bool keytraps_take(uint32_t sym, uint32_t mod, int scan);
void keytraps_reset();                        // user keys undefined
