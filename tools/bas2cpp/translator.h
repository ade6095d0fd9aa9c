// The translator: a BASIC program in, one C++ file on the runtime out (or a located error).
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace bas {

// What the reader saw, for tests: labels in order, every statement as (line, keyword),
// and every variable as NAME plus its suffix ("A%", "A!", "N$").
struct program_info {
  std::vector<std::string> labels;
  std::vector<std::pair<int, std::string>> statements;
  std::vector<std::string> variables;
};

struct translation {
  bool ok = false;
  std::string cpp;       // the program, when ok
  std::string message;   // "FILE:LINE:COLUMN: message", when not ok
  int line = 0, col = 0;
  // "FILE:LINE:COLUMN: warning: ..." for what does not stop the translation (a CHAIN or RUN
  // target that is not beside the program).
  std::vector<std::string> warnings;
  std::vector<std::string> modules;   // the files of the programs built with it (CHAIN, RUN)
};

// A program that CHAINs or RUNs becomes one executable of modules: itself and every program it
// names by a constant, found beside it (and the ones those name, and so on).
// entry: empty for a whole program (main and END's wait); else the name of a function that
// runs the program once and returns at its end (benchmarks call translated code that way).
// part_bytes and huge_bytes: see emit_program (a program of modules is never cut into parts).
translation translate(const std::string &source, const std::string &filename, program_info *info = nullptr,
                      const std::string &entry = "", size_t part_bytes = 0, size_t huge_bytes = 0);

}  // namespace bas
