// CHAIN and RUN: a program that runs others is one executable of modules, each a translated
// program with an entry of its own, found by name in a table; leaving one for another unwinds
// the game thread's stack back to kb_run_modules.
#pragma once
#include <cstdint>

struct kels;
struct kb_arr;

// A module's entry: how 0 at the program's start, 1 after CHAIN (takes the COMMON values),
// 2 after RUN. label: the label id to start at (1 the first statement).
struct kb_module {
  const char *name;          // upper case, '/' between parts, with its extension ("MENU.BAS")
  void (*start)(uint32_t label, int32_t how);
};

// Runs the first module; CHAIN and RUN go on in another (or the same) one.
void kb_run_modules(const kb_module *table, int32_t count);

// The module a name means (as OPEN maps names: case ignored, \ or /, .BAS added when the name
// has no extension); error 53 and -1 when the executable has none by that name.
int32_t kb_module_find(kels *name);
// These leave the running module and do not return, except in code run without a module
// table (bas2cpp --entry), where they are error 73.
void kb_chain(int32_t module);          // files stay open, what they hold written out
void kb_run_program(uint32_t label);    // RUN [n]: this module again, cleared
void kb_run_module(int32_t module);     // RUN name$: files closed, variables cleared

// The blank COMMON's values on their way from CHAIN to the next module. type: the suffix of a
// number or string ("%", "&", "!", "#", "$"), "R:NAME" for a record, "A" before either for an
// array (whose storage moves over). A value taken as another type is error 13; positions the
// chaining module did not fill leave the variables cleared.
void kb_common_begin();
void kb_common_put(const char *type, const void *value, uint32_t bytes);
void kb_common_put_str(kels *s);
void kb_common_put_arr(const char *type, kb_arr &a);
void kb_common_get(uint32_t k, const char *type, void *value, uint32_t bytes);
void kb_common_get_str(uint32_t k, kels *s);
void kb_common_get_arr(uint32_t k, const char *type, kb_arr &a);
void kb_common_end();                                 // drops what was not taken
