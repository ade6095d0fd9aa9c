// A flag-tested statement's fast form (see the runtime's kb_...b forms): the statement written
// once more with checks that only set its flag, run first; the statement itself runs only when
// one of them failed.
#pragma once
#include <string>

namespace bas {

// The line of a chunk or procedure holding one flag-tested statement, KB_Q(line, BODY), as
//   { __label__ kb_slow, kb_done; bool kb_r = false; FAST goto kb_done;
//     kb_slow: SLOW kb_done:; }
// or "" when the statement has no fast form: one whose body is a store of a value, kb_c = a
// condition or a record field's kb_put, made only of numbers, variables, arrays and the checked
// operations that have a form without calls. Each check of FAST leaves for kb_slow as soon as
// it fails (KB_B); SLOW, the statement's own run, is the line's KB_Q(line, BODY) unless given.
std::string fast_form(const std::string &line, const std::string &slow = "");

}  // namespace bas
