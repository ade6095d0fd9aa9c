// A FOR loop's checked-once copy (see version_for_loop).
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace bas {

// The emitted text of a FOR loop, in the emitter's marks (\x01 id \x02 a label, \x03 id \x04 a
// jump to one): the test at its top, its statements, and its NEXT (the counter's step, the
// test for events and the jump back).
struct for_loop_text {
  std::string head, body, next;
  std::string counter, end, step, ctype;   // C++ names of the counter and its end; the step; int16_t or int32_t
  std::string wide, last;                  // int64_t variables of the loop's own: the counter, a block's last value
  int sign = 0;                            // the step's sign when written out (1 or -1), else 0
  uint32_t top = 0;                        // the label of the top test
  int next_line = 0;                       // the NEXT's line, for events
  std::string from, to;                    // the counter's first value and its end, as the FOR worked them out
  // The procedure's parameters passed by reference, as the code reads them ("(*p3_N)"), with
  // their C++ types: such a parameter is a value the loop does not change when the loop writes
  // nothing it may name (see version_for_loop).
  std::map<std::string, std::string> params;
};

// A loop written twice, as a loop around it sees it: the whole of its text, and its copy, which
// the loop around it can run in its own copy without the entry test (its labels there are
// renamed; its handlers and its event label stay those of the checked loop around).
struct loop_copy {
  for_loop_text loop;
  std::string text, fast;
  std::vector<uint32_t> own;               // the copy's own labels
  int covered = 0;                         // the accesses its entry test covers
};

// The loop's text with a second copy of the loop in which the subscripts the entry test covers
// are unchecked: entered when every such subscript, for all counter values from the current one
// to the end, lies within its array's bounds and none of its sums, differences or products
// (nor the counter's last step) overflows. A sum, difference or product of the counter outside
// a subscript is covered the same way and worked out unchecked in the copy. A loop with nothing
// to cover still gets the copy: it steps its counter unchecked and looks at events once a block. A failing statement in the copy leaves it for the
// same statement's error handling in the checked loop. The copy looks at events every 1,024
// passes (microseconds), and one found goes to its handler and then to the entry test. Only a
// loop of flag-tested statements (no calls, no waits, no nested loop) that does not change its
// counter qualifies; "" for any other. A parameter passed by reference may name the caller's
// variable or an element of an array: the loop may read it as a value it does not change when
// all the variables it assigns are the procedure's own (non-STATIC) locals, it stores into no
// array of the parameter's type and copies no record.
// A loop whose body holds loops written so (in copies, keyed by their entry test's label) gets a
// copy only when its entry test covers every access those loops' copies make unchecked, for all
// values of both counters: a subscript of the two is at its extremes at the four corners (each
// end of the outer range, with the inner counter at each end of its range there). Its copy then
// runs the inner copies without their tests. The loop's own copy goes into copies.
std::string version_for_loop(const for_loop_text &loop, const std::function<uint32_t()> &new_id,
                             std::map<uint32_t, loop_copy> &copies);

}  // namespace bas
