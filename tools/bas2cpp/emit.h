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

std::string emit_program(const program &p, checks &c, program_info *info, const std::string &entry = "");

}  // namespace bas
