// Short GOSUB routines of the module, written out again at each GOSUB that calls them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "ast.h"

namespace bas {

// A routine: the statements from a label to the first plain RETURN after it in the same block,
// when all of them go on to the next statement (assignments, PRINT, graphics, statements of
// the table that neither jump nor end nor clear, IF blocks of such) and there are at most
// routine_statements of them. Line numbers between them are part of it.
struct routine {
  const stmt *ret = nullptr;     // its RETURN
  uint32_t after = 0;            // a label right after that RETURN (given by the emitter)
};
constexpr int routine_statements = 8;
constexpr size_t routine_bytes = 4096;   // the most of a routine's emitted text copied

// The module's routines by their labels' names (also each further label before the first
// statement); the procedures' bodies are not looked at.
std::map<std::string, routine> find_routines(const block &module);

// The emitted text of a routine (in the emitter's marks: \x01 id \x02 a label, \x03 id \x04 a
// jump to one, \x05 a chunk's end) made fit to run where a GOSUB is: its labels are renamed by
// new_id, the jumps to them follow, and chunk ends are dropped. "" when the text holds any
// other mark (it is then not copied).
std::string routine_copy(const std::string &text, const std::function<uint32_t()> &new_id);

}  // namespace bas
