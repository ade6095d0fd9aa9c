// Fuzz targets: each takes arbitrary bytes, runs one part of the runtime or the translator
// on them and checks what must hold for any input. A target returns nullptr when all held,
// else a description of what failed. The libFuzzer programs (fuzz/entry.cpp) abort on a
// failure; the unit tests replay the committed corpora through the same functions.
#pragma once
#include <cstddef>
#include <cstdint>

using fuzz_target = const char *(*)(const uint8_t *data, size_t size);

const char *fuzz_val(const uint8_t *data, size_t size);           // VAL of any text
const char *fuzz_str(const uint8_t *data, size_t size);           // STR$ then VAL of numbers
const char *fuzz_print_using(const uint8_t *data, size_t size);   // formats and values
const char *fuzz_draw(const uint8_t *data, size_t size);          // DRAW strings on SCREEN 13
const char *fuzz_play(const uint8_t *data, size_t size);          // PLAY strings rendered
const char *fuzz_input_item(const uint8_t *data, size_t size);    // INPUT's item check
const char *fuzz_x86(const uint8_t *data, size_t size);           // machine code run
const char *fuzz_translate(const uint8_t *data, size_t size);     // the translator on a source
const char *fuzz_file_input(const uint8_t *data, size_t size);    // a file's bytes read back; file names

struct fuzz_entry {
  const char *name;       // also the corpus folder: fuzz/corpus/<name>
  fuzz_target run;
};
extern const fuzz_entry fuzz_targets[9];

// Puts the runtime into the state the targets expect when no test harness did (no window,
// message boxes answered at once). Idempotent.
void fuzz_boot();
