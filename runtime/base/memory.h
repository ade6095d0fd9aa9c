// The emulated first megabyte of a real-mode PC and the fixed regions inside it.
#pragma once
#include <cstdint>

constexpr uint32_t cmem_size = 1114099;          // segment x 16 + offset reaches FFFF:FFFF
constexpr uint32_t cmem_kbd_flags1 = 0x417;
constexpr uint32_t cmem_kbd_flags2 = 0x418;
constexpr uint32_t cmem_kbd_head = 0x41A;
constexpr uint32_t cmem_kbd_tail = 0x41C;
constexpr uint32_t cmem_kbd_flags3 = 0x496;
constexpr uint32_t cmem_ticks = 0x46C;
constexpr uint32_t cmem_dblock = 1280;           // segment 80: the program's data block
constexpr uint32_t cmem_vga = 655360;            // segment A000: SCREEN 13 pixels
constexpr uint32_t cmem_text = 753664;           // segment B800: text pages

extern uint8_t cmem[cmem_size];
extern uint8_t *const dblock;                    // cmem + cmem_dblock, 64 KB

void cmem_reset();                               // zero-fill, used at start-up
