// Soft keys: the texts the function keys type (KEY n, text$), their line on the last text
// row (KEY ON, KEY OFF) and KEY LIST.
#pragma once
#include <cstdint>

struct kels;

constexpr int softkey_count = 12;             // F1-F10, F11, F12
constexpr int softkey_max = 15;               // characters kept of a text

// KEY n, text$ for n 1-12 (F11 and F12 also as 30 and 31): the first 15 characters are kept.
void softkey_set(int32_t n, kels *text);
// Any thread: the text of F1 ... F12 (n 1-12) into buf; returns its length (0: none).
int softkey_get(int n, uint8_t *buf);
void sub_key_onoff(int32_t on);               // KEY ON (1), KEY OFF (0)
void sub_key_list();                          // KEY LIST: one line "Fn text" per key
void keyline_redraw();                        // after CLS: the line again, when it is on
void softkeys_reset();                        // texts empty, line off
