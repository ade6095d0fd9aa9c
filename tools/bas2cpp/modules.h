// The programs a program CHAINs or RUNs: found beside it by their constant names, each
// translated as a module of one executable.
#pragma once
#include <string>
#include <vector>
#include "ast.h"

namespace bas {

// A CHAIN or RUN statement: the file it names when that is a string constant ("" otherwise).
struct chain_ref {
  place at;
  std::string name;
};

// Whether the program CHAINs or RUNs at all; refs gets each constant target.
bool find_chains(const block &b, std::vector<chain_ref> &refs);

// The name as the executable's module table keeps it: upper case, '/' between parts, no "./"
// in front, and ".BAS" added when the last part has no extension.
std::string module_key(const std::string &name);

// The file a module name means, looked up in dir part by part without regard to case; "" when
// there is none.
std::string module_file(const std::string &dir, const std::string &name);

}  // namespace bas
