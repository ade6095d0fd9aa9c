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

// A statement's code, or a short numeric FUNCTION written out at a call (its KB_Q statements
// taken as their assignments, when each stores only the function's value), with every check in
// its form that only sets the flag and raises nothing: for a loop's copy, which leaves for the
// checked loop's run of the statement when the flag is set. "" when a check has no such form
// or the code holds anything else than numbers, variables, arrays, checks and the copy's
// unchecked accesses (kb_getu, kb_getuv, ...), INT, FIX and such functions' calls (kb_inlb_).
std::string flag_checks(const std::string &code);

// The fast forms of a straight run of statements (no label between them) in which one goes
// through a view or array, or checks a subscript, that an earlier one did, with their own runs
// moved after it, in the same order: a check that fails leaves the fast forms for the failed
// statement's own run, and the run goes on with the following statements' own runs to the end,
// never back into the fast forms. Each fast form is then reached only when every check before
// it held, so the compiler drops the checks that repeat (a subscript's bounds, a view's
// storage) and nothing merges in the middle of the run. For a function's whole body: its
// labels are numbered from 0.
std::string slow_runs(const std::string &code);

}  // namespace bas
