// Process entry: start-up in order, the game and timer threads, the main loop, END and the
// orderly shutdown. The flags the threads share are the base layer's (flags.h).
#pragma once
#include <cstdint>
#include "flags.h"

struct kels;

// The translated program's body, run on the game thread.
using kel_program_fn = void (*)();

// What a driver of the program from outside (the scripted replay) adds to the main thread's
// work: load before SDL starts (it may end the process), start once the threads run, stop as
// they are joined, serve on every pass of the main loop and while a message box waits.
struct kel_driver {
  void (*load)();
  void (*start)();
  void (*stop)();
  void (*serve)();
};

// Start-up, threads and the main loop; never returns once the threads run. driver may be null.
int kel_run(int argc, char **argv, kel_program_fn program, const kel_driver *driver);

void sub_end();                                 // END; never returns
int32_t func__exit();
kels *func_command();                           // COMMAND$ as a temporary

// Start-up pieces that do not need SDL; tests call this to get a working runtime. It also
// connects the layers: the upper ones register what the lower ones announce.
void kel_init_runtime(int argc, char **argv);
