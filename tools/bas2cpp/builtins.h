// The table of built-in statements and functions that map straight onto runtime calls.
#pragma once
#include <string>
#include <vector>

namespace bas {

// One form of a built-in. args is a space-separated list, one entry per argument:
//   i int32 (rounded), u uint32 (rounded), f float, d double, s string,
//   n any number kept in its own type, x float (double when the argument is DOUBLE);
// a '?' makes the argument optional and may be followed by its bit in the passed mask
// (otherwise bit k for the k-th argument). ret: I INTEGER, L LONG, F SINGLE, D DOUBLE,
// S string, N the type of the first argument, X float or double as with x, - none.
// tmpl is the C++ call: %1..%9 the arguments (0 when omitted), %p the passed mask.
struct builtin {
  const char *name;
  bool statement;
  const char *args;
  char ret;
  const char *tmpl;
};

const std::vector<builtin> &builtins();

// Statements and functions of the dialect that this translator refuses for now, with the
// reason shown to the user; nullptr when the name is not one of them.
const char *unsupported_reason(const std::string &name);

}  // namespace bas
