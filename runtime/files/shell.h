// SHELL: a command run through the host's command interpreter while the window stays open.
#pragma once
#include <cstdint>

struct kels;

// SHELL [command$]: runs the command with /bin/sh -c in the current folder and waits for it;
// its output goes to the process's standard output and error. The game thread waits in steps
// (the main thread keeps the window); a stop request ends the command and the program. No
// command (passed bit 1 clear) returns at once. An interpreter that cannot start is error 53
// when it is missing, else error 5. The command's own exit status does not matter.
void sub_shell(kels *command, int32_t passed);
