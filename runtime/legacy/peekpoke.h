// DEF SEG, PEEK and POKE: byte access to the emulated first megabyte through a segment, and to
// a program's arrays through pseudo segments.
#pragma once
#include <cstdint>

extern uint8_t *defseg;            // base of the current DEF SEG segment
extern int32_t defseg_segment;     // the segment DEF SEG named (80 when none)
extern uint32_t defseg_limit;      // bytes reachable from defseg: 65536, less for an array

void sub_defseg(int32_t segment, int32_t passed);   // no argument: back to segment 80
int32_t func_peek(int32_t offset);                  // offset -65536...65535, else error 6
void sub_poke(int32_t offset, int32_t value);       // stores the value's low byte

// Arrays do not live in the emulated megabyte, so each array whose VARSEG is taken gets a
// pseudo segment above the real ones: 0x10000 + a slot of a small table. Its offsets run from
// the start of the array's storage, at most 64 KB of it; PEEK, POKE, BSAVE and BLOAD past the
// storage raise error 5. pseudo_segment_add gives the segment of the storage at data (the
// same one again for the same storage), or 0 with error 7 when the table is full;
// pseudo_segment_drop forgets the storage at data (freed or moved), and a DEF SEG still on it
// then reaches nothing until the next DEF SEG.
constexpr int32_t pseudo_segment_base = 0x10000;
int32_t pseudo_segment_add(uint8_t *data, uint64_t bytes);
void pseudo_segment_drop(const uint8_t *data);
bool is_pseudo_segment(int32_t segment);             // a segment handed out and not dropped
