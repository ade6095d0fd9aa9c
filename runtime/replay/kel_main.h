// The program's entry: the runtime's start-up and main loop with the scripted replay attached.
#pragma once
#include "entry.h"

// Runs program on the game thread; with KEL_SCRIPT set, the script drives it.
int kel_main(int argc, char **argv, kel_program_fn program);
