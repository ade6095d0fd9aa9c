// Runs a built program under a KEL_SCRIPT with SDL's dummy drivers and reports how it ended.
#pragma once
#include <string>
#include <vector>

struct program_result {
  int status = -1;           // exit status, or -1 when killed at the deadline
  std::string err;           // what it wrote to standard error
};

// Writes the script to a fresh directory, runs the program from there (so relative
// dump names land in it) and waits at most deadline_s seconds.
program_result run_program(const std::string &program, const std::string &script, int deadline_s = 60);
// The same with extra NAME=VALUE environment entries, set after (and so overriding) the
// dummy drivers. A translated program changes to its own directory as it starts, so
// paths in them should be absolute.
program_result run_program(const std::string &program, const std::string &script,
                           const std::vector<std::string> &env, int deadline_s = 60);
std::string scratch_dir();   // the directory of the last run
std::string read_file(const std::string &path);
