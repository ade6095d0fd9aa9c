// The program's entry: kel_run with the scripted replay as its driver.
#include "kel_main.h"
#include "script.h"

static const kel_driver script_driver = {script_load_from_env, script_start, script_stop,
                                         script_serve_requests};

int kel_main(int argc, char **argv, kel_program_fn program) {
  return kel_run(argc, argv, program, &script_driver);
}
