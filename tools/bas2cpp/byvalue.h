// Numbers handed to SUBs and FUNCTIONs as values. The dialect hands a variable by reference,
// so a procedure's numbers are pointers; a call whose numbers may as well be values (copies of
// expressions, or variables nothing can change while the call runs, handed to parameters the
// procedure only reads) calls the procedure's second entry, name_v, which takes them in
// registers instead of having each one stored for the callee to load again. Both entries are
// the one body, name_b, inlined into each.
#pragma once
#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace bas {

struct by_value_proc {
  std::string ret;                         // the C++ result type
  std::vector<std::string> types, names;   // each parameter's C++ type and name in the definition
  std::vector<bool> number;                // a number handed by reference (a pointer)
  std::vector<bool> by_variable;           // such a number may be handed a variable's value
  bool entries = false;                    // a SUB or FUNCTION that may have the second entry
};
constexpr size_t by_value_bytes = 1 << 15;   // the longest body compiled twice for it

// Which numbers of each procedure may be handed a variable's value (by_variable): those the
// procedure only reads (never assigned, nor handed on by reference but to such a parameter)
// when nothing the call runs can write a number of the parameter's type that a variable may
// hold (a module variable, an element, a parameter of its own, through the procedures it
// calls), and the program has no handlers (events and errors run module code inside calls).
// units: each procedure's definition by C++ name; globals: the module's numbers' C++ types.
void by_value_analyse(std::map<std::string, by_value_proc> &procs, const std::map<std::string, std::string> &units,
                      const std::map<std::string, std::string> &globals, bool handlers);

// C++ text with each call of a procedure with entries whose numbers may all be values turned
// into a call of its _v entry with their values; used collects the names so called.
std::string by_value_calls(const std::string &text, const std::map<std::string, by_value_proc> &procs,
                           std::set<std::string> &used);

// A procedure's definition as the body name_b of its two entries, name with the definition's
// parameters and name_v with its numbers as values; proto is set to name_v's declaration.
std::string by_value_unit(const std::string &unit, const std::string &name, const by_value_proc &p, std::string &proto);

}  // namespace bas
