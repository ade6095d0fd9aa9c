// A flag-tested statement's fast form (see the runtime's kb_...b forms): the statement written
// once more with checks that only set its flag, run first; the statement itself runs only when
// one of them failed.
#pragma once
#include <string>

namespace bas {

// The line of a chunk or procedure holding one flag-tested statement, KB_Q(line, BODY), as
//   { bool kb_r = false; FAST if (__builtin_expect(kb_r, 0)) KB_Q(line, BODY) }
// or "" when the statement has no fast form: one whose body is a store of a value, kb_c = a
// condition or a record field's kb_put, made only of numbers, variables, arrays and the checked
// operations that have a form without calls.
std::string fast_form(const std::string &line);

}  // namespace bas
