// The emitter: C++ from the syntax tree and the checks' tables. Every statement follows the
// protocol (the event test and evnt(line) after it, numeric GOSUB return ids, temporaries
// freed per statement); each SUB and FUNCTION becomes a C++ function with its locals as C++
// locals; the module's code is split into functions of bounded size that jump between each
// other through one dispatch loop, so the C++ compiler's work grows about linearly.
#pragma once
#include <string>
#include "ast.h"
#include "check.h"
#include "translator.h"

namespace bas {

// part_bytes: when not 0, a program whose code is larger is written as parts of up to four
// times that many bytes, each compiled on its own with -DKB_PART=n (the second line says how
// many). huge_bytes: when not 0, a program whose module code is larger keeps its numbers in
// their statics rather than in a chunk's locals (kelc compiles such a program with -Og).
std::string emit_program(const program &p, checks &c, program_info *info, const std::string &entry = "",
                         size_t part_bytes = 0, size_t huge_bytes = 0);

// One module of a program that CHAINs or RUNs: the same code with kb_module_start(label, how)
// in place of main (see runtime/program/chain.h); the caller wraps it in a namespace.
std::string emit_module(const program &p, checks &c, program_info *info);

}  // namespace bas
