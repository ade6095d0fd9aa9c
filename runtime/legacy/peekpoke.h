// DEF SEG, PEEK and POKE: byte access to the emulated first megabyte through a segment.
#pragma once
#include <cstdint>

extern uint8_t *defseg;            // base of the current DEF SEG segment inside cmem

void sub_defseg(int32_t segment, int32_t passed);   // no argument: back to segment 80
int32_t func_peek(int32_t offset);                  // offset -65536...65535, else error 6
void sub_poke(int32_t offset, int32_t value);       // stores the value's low byte
