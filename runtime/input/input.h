// INPUT and LINE INPUT: the line editor that checks every keystroke against its variable.
#pragma once
#include <atomic>
#include <cstdint>

struct kels;

// Type word bits of kels_input_variabletypes.
constexpr uint32_t input_type_bits = 0x1FF;          // size in bits: 8, 16, 32, 64, 256
constexpr uint32_t input_type_line = 0x200;          // with input_type_string on item 1: LINE INPUT
constexpr uint32_t input_type_nostore = 1u << 24;    // validate the item, leave the variable alone
constexpr uint32_t input_type_unsigned = 1u << 28;
constexpr uint32_t input_type_float = 1u << 29;
constexpr uint32_t input_type_string = 1u << 30;

// Filled by the translated program before each call; items are numbered from 1.
extern uint32_t kels_input_variabletypes[264];
extern void *kels_input_variableoffsets[264];   // a variable's address (a string's descriptor)
extern kels *kels_input_arguements[264];        // the items' text, alive during a call only

// True while INPUT or LINE INPUT waits for a key with none in the buffer (scripted input's
// `asleep` takes it as the end of a run of pauses).
extern std::atomic<bool> input_waiting;

// Reads one line from the keyboard into count variables; newline = 1 moves to the next
// line when Enter ends the input. Returns at once when stop_program is set.
void kels_input(int32_t count, int32_t newline);
// Announced when INPUT ends with automatic refresh off (on while typing): the display layer
// registers what hands the finished line over as a frame.
extern void (*input_hand_frame)();

// Checks one item's text against a variable of the given type word and, when it is
// acceptable and variable is not null (and the type does not say otherwise), stores its
// value there. Incomplete forms that may still become a value ("-", "1.", "2E-", "&H")
// are acceptable. For a string, variable is its descriptor; a fixed-length one limits
// the item's length.
bool input_check_item(uint32_t type, const char *text, int32_t len, void *variable);
