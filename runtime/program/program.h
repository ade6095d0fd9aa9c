// What a translated program stands on beyond the runtime's statements: the statement
// protocol, checked integer arithmetic, PRINT items, arrays with bounds, fixed-length strings
// and records, procedure locals, DATA and READ, and the error handler's entry.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <tuple>
#include <type_traits>
#include <utility>
#include "kel.h"
#include "strview.h"

// The statement protocol: run the statement; on an event call evnt with its line and repeat
// the statement when evnt asks for it. Code that keeps the module's numbers in locals defines
// KB_OUT (locals to their statics, before evnt may run a handler) and KB_IN (back again);
// KB_SN and KB_EVN are for statements that work on the statics themselves.
#define KB_OUT
#define KB_IN
// KB_LAZY comes first on every way out to evnt: a chunk whose GOSUBs to short routines run
// the routine's copy without pushing its return point defines it to push that point now
// (kb_gp), so that a handler, the error box or a RETURN of an event sees the stack as if it
// had been pushed at the GOSUB.
#define KB_LAZY
// A procedure's GOSUB and RETURN: the return point pushed, and popped into kb_rid (-1 after
// error 3). A procedure whose statements call no procedure defines them, in its body, to keep
// the point of its latest GOSUB in kb_gp instead, pushed only by KB_LAZY (on a way out to
// evnt, before a GOSUB from within the routine, and as the procedure ends) and taken back by
// the RETURN before it looks at the stack: a routine run many times a call then does not go
// through memory for its return.
// KB_LAZY_PUSH is KB_LAZY where a return point may be held in kb_gp (a chunk's routine copies,
// such a procedure).
#define KB_LAZY_PUSH if (__builtin_expect(kb_gp != 0, 0)) { gosub_push(kb_gp); kb_gp = 0; }
#define KB_GOSUB_PUSHED(id) gosub_push(id)
#define KB_POP_PUSHED(line) KB_Q(line, kb_rid = kb_return_pop(kb_r))
#define KB_GOSUB_HELD(id) KB_LAZY kb_gp = (id)
#define KB_POP_HELD(line) if (kb_gp) { kb_rid = kb_gp; kb_gp = 0; } else KB_POP_PUSHED(line)
#define KB_GOSUB(id) KB_GOSUB_PUSHED(id)
#define KB_POP(line) KB_POP_PUSHED(line)
// The small helpers of statements are always inlined: in a long chunk the compiler would
// otherwise call them, and lose the loops around them.
#define KB_INLINE [[gnu::always_inline]] inline
KB_INLINE bool kb_event_pending() { return __builtin_expect(kelevent.load(std::memory_order_relaxed) != 0, 0); }
#define KB_S(line, ...) \
  for (;;) { __VA_ARGS__; if (!kb_event_pending()) break; KB_LAZY KB_OUT evnt(line); KB_IN if (evnt_repeat != 1) break; }
#define KB_SN(line, ...) \
  for (;;) { __VA_ARGS__; if (!kb_event_pending()) break; KB_LAZY evnt(line); if (evnt_repeat != 1) break; }
// KB_Q is the protocol for a statement whose only failures are its own checks: they raise the
// error and set its flag kb_r, and evnt runs only then; events from outside wait for the next
// KB_S or KB_EV (a loop's jump back).
#define KB_Q(line, ...) \
  for (;;) { bool kb_r = false; __VA_ARGS__; if (__builtin_expect(!kb_r, 1)) break; KB_LAZY KB_OUT evnt(line); KB_IN if (evnt_repeat != 1) break; }
#define KB_QN(line, ...) \
  for (;;) { bool kb_r = false; __VA_ARGS__; if (__builtin_expect(!kb_r, 1)) break; KB_LAZY evnt(line); if (evnt_repeat != 1) break; }
// KB_T is the protocol for the arguments of a tail call (a FUNCTION's value that is the value of
// a call ending it): ok is set when the call is to be made, that is unless an error of the
// statement was raised (and resumed next); on the common path the event word's test says so.
#define KB_T(line, ok, ...) \
  for (;;) { __VA_ARGS__; if (!kb_event_pending()) { ok = true; break; } ok = !new_error; KB_LAZY KB_OUT evnt(line); KB_IN if (evnt_repeat != 1) break; }
#define KB_EV(line) if (kb_event_pending()) { KB_LAZY KB_OUT evnt(line); KB_IN }
#define KB_EVN(line) if (kb_event_pending()) { KB_LAZY evnt(line); }

// A GOSUB from one chunk of the module into another calls that chunk's function directly
// while fewer than kb_gosub_calls such calls are open; deeper ones go through the dispatch loop.
// Each chunk is handed the number open above it (kb_depth, in a register); kb_gosub_depth is
// that number for the code running now, stored around each call (never read back there, so no
// load waits on a store), and is where the dispatch loop of an event's or the error handler's
// routine starts counting. A throw past the calls (RESUME to a label, CHAIN, RUN) may leave
// it too high, never too low; the program's entry sets it to 0.
constexpr int32_t kb_gosub_calls = 64;
inline int32_t kb_gosub_depth = 0;

// ---- numbers -----------------------------------------------------------------------------

// The few functions of <cmath> the helpers below and translated programs use (SIN, COS, TAN
// and ATN), as <cmath> defines them for float, double and long double (a whole number as a
// double). <cmath> itself is left out: its special functions were instantiated again at the
// end of every program's compile, most of what the precompiled header left to do.
namespace kb_math {
template <class T> using real = std::conditional_t<std::is_floating_point_v<T>, T, double>;
// Each function for float, double and long double through the compiler's builtins, and for
// any number as its real type.
#define KB_MATH1(fn)                                                           \
  inline float fn##_(float x) { return __builtin_##fn##f(x); }                 \
  inline double fn##_(double x) { return __builtin_##fn(x); }                  \
  inline long double fn##_(long double x) { return __builtin_##fn##l(x); }     \
  template <class T> inline real<T> fn(T x) { return fn##_((real<T>)x); }
KB_MATH1(floor)
KB_MATH1(trunc)
KB_MATH1(sqrt)
KB_MATH1(log)
KB_MATH1(exp)
KB_MATH1(sin)
KB_MATH1(cos)
KB_MATH1(tan)
KB_MATH1(atan)
#undef KB_MATH1
inline float pow_(float a, float b) { return __builtin_powf(a, b); }
inline double pow_(double a, double b) { return __builtin_pow(a, b); }
inline long double pow_(long double a, long double b) { return __builtin_powl(a, b); }
template <class T> inline real<T> pow(T a, T b) { return pow_((real<T>)a, (real<T>)b); }
template <class T> inline bool isinf(T x) { return __builtin_isinf((real<T>)x); }
}  // namespace kb_math


// Each check that can fail has a form taking the statement's own flag first: a failure
// raises the error and sets the flag, so a statement made only of such checks tests its local
// flag at its end (nothing on the common path) instead of the shared event word. The forms
// without the flag are the same checks for statements that test the event word anyway.
KB_INLINE void kb_raise(bool &raised, int n) { error(n); raised = true; }
// A check's failure: raised, or in a statement's fast form (Raise false) only flagged.
template <bool Raise> KB_INLINE void kb_fail(bool &r, int n) {
  if constexpr (Raise) kb_raise(r, n);
  else r = true;
}
// RETURN's pop of the GOSUB stack as a flag-tested check: without a GOSUB (outside an event's
// routine) it raises error 3, sets the flag and gives -1. A RETURN tests no events of its own:
// every loop it can be part of passes a GOSUB or another jump back, which does.
KB_INLINE int64_t kb_return_pop(bool &r) {
  if (__builtin_expect(next_return_point != 0, 1)) return return_point[--next_return_point];
  if (event_return) return 0;
  kb_raise(r, 3);
  return -1;
}
template <bool Raise = true> KB_INLINE int16_t kb_i16(bool &r, int64_t v) {
  if (v < -32768 || v > 32767) { kb_fail<Raise>(r, 6); return 0; }
  return (int16_t)v;
}
template <bool Raise = true> KB_INLINE int32_t kb_i32(bool &r, int64_t v) {
  if (v < INT32_MIN || v > INT32_MAX) { kb_fail<Raise>(r, 6); return 0; }
  return (int32_t)v;
}
inline int16_t kb_i16(int64_t v) { bool r; return kb_i16(r, v); }
inline int32_t kb_i32(int64_t v) { bool r; return kb_i32(r, v); }
// INTEGER and LONG sums, differences and products: error 6 when the result leaves the type.
template <class T, bool Raise = true> KB_INLINE T kb_add(bool &r, T a, T b) {
  T x;
  if (__builtin_expect(__builtin_add_overflow(a, b, &x), 0)) { kb_fail<Raise>(r, 6); return 0; }
  return x;
}
template <class T, bool Raise = true> KB_INLINE T kb_sub(bool &r, T a, T b) {
  T x;
  if (__builtin_expect(__builtin_sub_overflow(a, b, &x), 0)) { kb_fail<Raise>(r, 6); return 0; }
  return x;
}
template <class T, bool Raise = true> KB_INLINE T kb_mul(bool &r, T a, T b) {
  T x;
  if (__builtin_expect(__builtin_mul_overflow(a, b, &x), 0)) { kb_fail<Raise>(r, 6); return 0; }
  return x;
}
template <class T> inline T kb_add(T a, T b) { bool r; return kb_add(r, a, b); }
template <class T> inline T kb_sub(T a, T b) { bool r; return kb_sub(r, a, b); }
template <class T> inline T kb_mul(T a, T b) { bool r; return kb_mul(r, a, b); }
// A long chain of them (A% + B% - C% * ...: ops holds each step's operator), worked left to
// right as the nested calls of a short chain are: the translator writes one loop over the
// terms, since nested calls cost the C++ compiler time and memory with the square of their depth.
template <class T> [[gnu::noinline]] T kb_chain(bool &r, const char *ops, std::initializer_list<T> terms) {
  const T *t = terms.begin();
  T x = *t++;
  for (; *ops; ops++, t++) x = *ops == '+' ? kb_add(r, x, *t) : *ops == '-' ? kb_sub(r, x, *t) : kb_mul(r, x, *t);
  return x;
}
template <class T> inline T kb_chain(const char *ops, std::initializer_list<T> terms) { bool r; return kb_chain(r, ops, terms); }
// A chain of more terms is worked as lists of some at a time, one after another: this holds
// each list's result for the next (read as that list's first term, before its other terms).
template <class T> inline T kb_chain_acc;
// Floating values meet integers rounded to nearest, ties to even.
// Within the range the processor's own conversion (in its default mode, to nearest with ties to
// even) is exact and inline.
template <class T> KB_INLINE int64_t kb_round(bool &r, T x) {
  if constexpr (std::is_integral_v<T>) {
    return x;
  } else {
    if (__builtin_expect(!(x > -9.0e18 && x < 9.0e18), 0)) { kb_raise(r, 6); return 0; }
    if constexpr (std::is_same_v<T, float>) return __builtin_llrintf(x);
    else if constexpr (std::is_same_v<T, double>) return __builtin_llrint(x);
    else return kelr((long double)x);
  }
}
template <class T> inline int64_t kb_round(T x) { bool r; return kb_round(r, x); }
template <class T> KB_INLINE int16_t kb_i(bool &r, T x) { return kb_i16(r, kb_round(r, x)); }
template <class T> KB_INLINE int32_t kb_l(bool &r, T x) { return kb_i32(r, kb_round(r, x)); }
template <class T> inline int16_t kb_i(T x) { bool r; return kb_i(r, x); }
template <class T> inline int32_t kb_l(T x) { bool r; return kb_l(r, x); }
template <class T> KB_INLINE uint32_t kb_u(bool &r, T x) {
  int64_t v = kb_round(r, x);
  if (v < INT32_MIN || v > (int64_t)UINT32_MAX) { kb_raise(r, 6); return 0; }
  return (uint32_t)v;
}
template <class T> inline uint32_t kb_u(T x) {
  int64_t v = kb_round(x);
  if (v < INT32_MIN || v > (int64_t)UINT32_MAX) { error(6); return 0; }
  return (uint32_t)v;
}
template <bool Raise = true> KB_INLINE int32_t kb_idiv(bool &r, int32_t a, int32_t b) {
  if (b == 0) { kb_fail<Raise>(r, 11); return 0; }
  if (b == -1) return kb_i32<Raise>(r, -(int64_t)a);
  return a / b;
}
template <bool Raise = true> KB_INLINE int32_t kb_mod(bool &r, int32_t a, int32_t b) {
  if (b == 0) { kb_fail<Raise>(r, 11); return 0; }
  if (b == -1) return 0;
  return a % b;
}
template <class T, bool Raise = true> KB_INLINE T kb_div(bool &r, T a, T b) {
  if (b == 0) { kb_fail<Raise>(r, 11); return 0; }
  return a / b;
}
inline int32_t kb_idiv(int32_t a, int32_t b) { bool r; return kb_idiv(r, a, b); }
inline int32_t kb_mod(int32_t a, int32_t b) { bool r; return kb_mod(r, a, b); }
template <class T> inline T kb_div(T a, T b) { bool r; return kb_div(r, a, b); }
template <class T> inline T kb_pow(T a, T b) {
  if (a == 0 && b < 0) { error(11); return 0; }
  if (a < 0 && b != kb_math::floor(b)) { error(5); return 0; }
  return kb_math::pow(a, b);
}
template <class T> inline T kb_int(T x) { if constexpr (std::is_integral_v<T>) return x; else return kb_math::floor(x); }
template <class T> inline T kb_fix(T x) { if constexpr (std::is_integral_v<T>) return x; else return kb_math::trunc(x); }
template <class T, bool Raise = true> KB_INLINE T kb_abs(bool &r, T x) {
  if constexpr (std::is_integral_v<T>) { if (x == std::numeric_limits<T>::min()) { kb_fail<Raise>(r, 6); return 0; } }
  return x < 0 ? T(-x) : x;
}
template <class T> inline T kb_abs(T x) { bool r; return kb_abs(r, x); }
template <class T> inline int16_t kb_sgn(T x) { return x > 0 ? 1 : x < 0 ? -1 : 0; }
template <class T, bool Raise = true> KB_INLINE T kb_sqr(bool &r, T x) {
  if (x < 0) { kb_fail<Raise>(r, 5); return 0; }
  return kb_math::sqrt(x);
}
template <class T> inline T kb_sqr(T x) { bool r; return kb_sqr(r, x); }
template <class T> inline T kb_log(T x) { if (x <= 0) { error(5); return 0; } return kb_math::log(x); }
template <class T> inline T kb_exp(T x) { T v = kb_math::exp(x); if (kb_math::isinf(v)) { error(6); return 0; } return v; }
inline kels *kb_hex(int16_t v) { return func_hex(v, 4); }
inline kels *kb_hex(int32_t v) { return func_hex(v, 8); }
inline kels *kb_hex(float v) { return func_hex_float(v); }
inline kels *kb_hex(double v) { return func_hex_float(v); }
inline kels *kb_oct(int16_t v) { return func_oct(v, 16); }
inline kels *kb_oct(int32_t v) { return func_oct(v, 32); }
inline kels *kb_oct(float v) { return func_oct_float(v); }
inline kels *kb_oct(double v) { return func_oct_float(v); }

// A string assignment: the value is stored only when working it out raised no error, so the
// variable keeps its value then, as a number's does (a temporary left over goes with the
// statement's others).
KB_INLINE void kb_let_str(kels *dest, kels *src) {
  if (__builtin_expect(new_error == 0, 1)) kels_set(dest, src);
}

// ---- PRINT items -------------------------------------------------------------------------
// Each is assigned to a fresh string, fitted to the line, printed and freed. A number prints
// as its STR$ followed by one space.
inline kels *kb_num(kels *s) { return kels_add(s, kels_new_txt(" ")); }
inline void kb_print(kels *s) {
  kels *item = kels_new(0, 0);
  kels_set(item, s);
  if (!new_error) { makefit(item); kels_print(item, 0); }
  kels_free(item);
}
inline void kb_print_raw(kels *s) { if (!new_error) kels_print(s, 0); }   // TAB, SPC

// ---- strings -----------------------------------------------------------------------------
// A long chain of concatenations (A$ + B$ + ...), joined left to right as nested kels_add
// calls join a short one.
[[gnu::noinline]] inline kels *kb_cat(std::initializer_list<kels *> parts) {
  const auto *p = parts.begin();
  kels *s = *p++;
  for (; p != parts.end(); p++) s = kels_add(s, *p);
  return s;
}
// A$ = A$ + CHR$(code): the character appended as a literal would be; a code out of range or
// an error already pending takes the general way (where CHR$ raises error 5).
inline kels *kb_append_chr(kels *dest, int32_t code) {
  if (!new_error && (uint32_t)code <= 255) {
    char c = (char)code;
    return kels_append_txt(dest, &c, 1);
  }
  return kels_append(dest, func_chr(code));
}

// ---- arrays ------------------------------------------------------------------------------
// Bounds per dimension, elements in one block. Kinds: numbers and records (zero-filled
// bytes), strings (one descriptor per element) and fixed-length strings (blank-filled bytes).
// An array used before DIM gets base TO 10 in each dimension.
enum kb_arr_kind : uint8_t { kb_raw = 0, kb_strings = 1, kb_fixed = 2 };
struct kb_arr {
  uint8_t *data;
  uint32_t esize;
  uint8_t kind;
  int32_t dims;
  int32_t lb[8], ub[8];
  uint8_t dynamic = 0;           // ERASE frees it (REDIM, $DYNAMIC) instead of clearing it
  uint32_t n1 = 0;               // elements of a one-dimensional array with storage, else 0
};
extern kels *kb_dummy_str;
alignas(16) extern uint8_t kb_dummy_bytes[65536];
extern int32_t kb_option_base;

uint64_t kb_count(const kb_arr &a);
void kb_dim_n(kb_arr &a, int32_t n, const int32_t *lb, const int32_t *ub);
void kb_erase(kb_arr &a);                       // ERASE: a dynamic array goes, a static one is cleared
void kb_free_arr(kb_arr &a);                    // its storage given back, whatever its kind
void kb_redim_n(kb_arr &a, int32_t n, const int32_t *lb, const int32_t *ub, bool preserve);
int32_t kb_lbound(kb_arr &a, int32_t dim, int32_t passed);
int32_t kb_ubound(kb_arr &a, int32_t dim, int32_t passed);
inline void kb_dim(kb_arr &a, std::initializer_list<int32_t> lb, std::initializer_list<int32_t> ub) {
  kb_dim_n(a, (int32_t)lb.size(), lb.begin(), ub.begin());
}
inline void kb_redim(kb_arr &a, bool preserve, std::initializer_list<int32_t> lb, std::initializer_list<int32_t> ub) {
  kb_redim_n(a, (int32_t)lb.size(), lb.begin(), ub.begin(), preserve);
}
void kb_auto_dim(kb_arr &a, int32_t n);         // the implicit DIM of an undeclared array

// A zeroed scratch element, with error 9 raised unless an error is already pending.
inline uint8_t *kb_scratch_element(const kb_arr &a) {
  if (!new_error) error(9);
  std::memset(kb_dummy_bytes, 0, a.esize < sizeof kb_dummy_bytes ? a.esize : sizeof kb_dummy_bytes);
  return kb_dummy_bytes;
}
// The element out of line: an undeclared array's implicit DIM, a wrong number of subscripts, a
// subscript outside its bounds or an error already pending.
uint8_t *kb_elem_slow(kb_arr &a, int32_t n, const int32_t *v);
[[gnu::noinline]] inline uint8_t *kb_elem_slow1(kb_arr &a, int32_t i) { return kb_elem_slow(a, 1, &i); }
// The same for several subscripts, taken by value so that the common path keeps them in registers.
template <class... I> [[gnu::noinline]] uint8_t *kb_elem_slown(kb_arr &a, I... ix) {
  const int32_t v[] = {(int32_t)ix...};
  return kb_elem_slow(a, (int32_t)sizeof...(I), v);
}
// Whether the element lies within the bounds, and then where it is (p).
template <uint32_t Size, class... I> KB_INLINE bool kb_elem_in(kb_arr &a, uint8_t *&p, I... ix) {
  constexpr int32_t n = (int32_t)sizeof...(I);
  const int32_t v[] = {(int32_t)ix...};
  if constexpr (n == 1) {
    uint32_t k = (uint32_t)v[0] - (uint32_t)a.lb[0];
    if (__builtin_expect(k >= a.n1, 0)) return false;
    p = a.data + (uint64_t)k * (Size ? Size : a.esize);
    return true;
  } else {
    if (__builtin_expect(a.dims != n, 0)) return false;
    uint64_t off = 0;
    for (int32_t d = 0; d < n; d++) {
      uint32_t k = (uint32_t)v[d] - (uint32_t)a.lb[d], span = (uint32_t)a.ub[d] - (uint32_t)a.lb[d];
      if (__builtin_expect(k > span, 0)) return false;
      off = d ? off * ((uint64_t)span + 1) + k : k;
    }
    p = a.data + off * (Size ? Size : a.esize);
    return true;
  }
}
// The address of one element; subscripts outside the bounds raise error 9 and give a scratch
// element, so the statement finishes harmlessly. The common case is a compare per subscript
// (an array has storage exactly when it has dimensions). The flag tells of an error already
// raised in the statement (whose stores go to scratch) and is set when this one raises.
template <uint32_t Size = 0, class... I> inline uint8_t *kb_elem(bool &r, kb_arr &a, I... ix) {
  constexpr int32_t n = (int32_t)sizeof...(I);
  const int32_t v[] = {(int32_t)ix...};
  uint8_t *p;
  if constexpr (n == 1) {                 // one subscript: nothing kept in memory for the slow path
    uint32_t k = (uint32_t)v[0] - (uint32_t)a.lb[0];
    if (__builtin_expect(k < a.n1 && !r, 1)) return a.data + (uint64_t)k * (Size ? Size : a.esize);
    p = kb_elem_slow1(a, v[0]);
  } else {
    if (__builtin_expect(a.dims == n && !r, 1)) {
      uint64_t off = 0;
      int32_t d = 0;
      for (; d < n; d++) {
        uint32_t k = (uint32_t)v[d] - (uint32_t)a.lb[d], span = (uint32_t)a.ub[d] - (uint32_t)a.lb[d];
        if (__builtin_expect(k > span, 0)) break;
        off = d ? off * ((uint64_t)span + 1) + k : k;
      }
      if (d == n) return a.data + off * (Size ? Size : a.esize);
    }
    p = kb_elem_slown(a, ix...);
  }
  r = r || new_error;
  return p;
}
template <uint32_t Size = 0, class... I> inline uint8_t *kb_elem(kb_arr &a, I... ix) {
  bool r = new_error != 0;
  return kb_elem<Size>(r, a, ix...);
}
// A number read from an array. An error already pending does not matter to a read (the
// statement's stores go to scratch), so the common case is one compare.
template <class T, class... I> inline T kb_get(bool &r, kb_arr &a, I... ix) {
  if constexpr (sizeof...(I) == 1) {
    const int32_t v[] = {(int32_t)ix...};
    uint32_t k = (uint32_t)v[0] - (uint32_t)a.lb[0];
    if (__builtin_expect(k < a.n1, 1)) {
      T x;
      std::memcpy(&x, a.data + (uint64_t)k * sizeof(T), sizeof(T));
      return x;
    }
  }
  return *(T *)kb_elem<sizeof(T)>(r, a, ix...);
}
template <class T, class... I> inline T kb_get(kb_arr &a, I... ix) {
  bool r = new_error != 0;
  return kb_get<T>(r, a, ix...);
}
template <class T, class... I> inline T *kb_at(bool &r, kb_arr &a, I... ix) {
  if constexpr (std::is_same_v<T, kels *>) {
    uint8_t *p = kb_elem<sizeof(kels *)>(r, a, ix...);
    return p == kb_dummy_bytes ? &kb_dummy_str : (T *)p;
  } else {
    return (T *)kb_elem<std::is_arithmetic_v<T> ? sizeof(T) : 0>(r, a, ix...);
  }
}
template <class T, class... I> inline T *kb_at(kb_arr &a, I... ix) {
  bool r = new_error != 0;
  return kb_at<T>(r, a, ix...);
}
// An array's shape as a chunk keeps it in locals, like its numbers: where its storage is, and
// each subscript's lower bound and count (a count of 0 when the array has no storage or other
// dimensions, so that every access takes the slow path). A chunk takes the view on entry and
// again after anything that may DIM, REDIM or ERASE the array (the accessors below after their
// own slow path, which may give an undeclared array its implicit DIM); in between, nothing in
// the loop reads the descriptor, so the compiler keeps the shape in registers.
template <int N> struct kb_view {
  static constexpr int dims = N;
  uint8_t *data;
  int32_t lb_[N];
  uint32_t count_[N];
  uint32_t esize;                // an element's bytes (records; numbers know their own)
  KB_INLINE bool valid() const { return true; }
  KB_INLINE int32_t lb(int d) const { return lb_[d]; }
  KB_INLINE uint32_t count(int d) const { return count_[d]; }
  static kb_view of(const kb_arr &a) {
    kb_view w;
    w.data = a.data;
    w.esize = a.esize;
    bool ok = a.data && a.dims == N;
    for (int d = 0; d < N; d++) {
      w.lb_[d] = ok ? a.lb[d] : 0;
      w.count_[d] = ok ? (uint32_t)a.ub[d] - (uint32_t)a.lb[d] + 1 : 0;
    }
    return w;
  }
};
// The view of an array whose shape the translator knows, one DIM with constant bounds: B holds
// each subscript's lower bound and count, so only where the storage is stays in a register.
// The view is valid only while the array has that shape (data is null otherwise, before the DIM
// or after a REDIM elsewhere), and every access of an invalid one takes the slow path.
template <int32_t... B> struct kb_shape {
  static constexpr int dims = (int)sizeof...(B) / 2;
  static constexpr int32_t bound[] = {B...};
  uint8_t *data;
  uint32_t esize;
  KB_INLINE bool valid() const { return data != nullptr; }
  KB_INLINE static constexpr int32_t lb(int d) { return bound[2 * d]; }
  KB_INLINE static constexpr uint32_t count(int d) { return (uint32_t)bound[2 * d + 1]; }
  static kb_shape of(const kb_arr &a) {
    bool ok = a.data && a.dims == dims;
    for (int d = 0; ok && d < dims; d++) ok = a.lb[d] == lb(d) && (uint32_t)a.ub[d] - (uint32_t)a.lb[d] + 1 == count(d);
    return {ok ? a.data : nullptr, a.esize};
  }
};
template <class W> KB_INLINE void kb_take(W &w, const kb_arr &a) { w = W::of(a); }
// An access's slow path out of line (its errors, an implicit DIM): the element and the view
// taken again, returned by value so that the caller's view stays in registers.
template <class W> struct kb_elem_seen {
  uint8_t *p;
  W w;
};
template <class W, class... I> [[gnu::noinline]] kb_elem_seen<W> kb_elemv_slow(kb_arr &a, I... ix) {
  uint8_t *p = kb_elem_slown(a, ix...);
  return {p, W::of(a)};
}
// The offset of an element through a view, when every subscript lies within its bounds.
template <class W> KB_INLINE bool kb_view_offset(const W &w, const int32_t *v, uint64_t &off) {
  off = 0;
  if (__builtin_expect(!w.valid(), 0)) return false;
  for (int d = 0; d < W::dims; d++) {
    uint32_t k = (uint32_t)v[d] - (uint32_t)w.lb(d);
    if (__builtin_expect(k >= w.count(d), 0)) return false;
    off = d ? off * w.count(d) + k : k;
  }
  return true;
}
// An element through a view, with kb_elem's checks and errors: Size bytes (0: a record, the
// view's element size). Store: an error already raised in the statement sends it to scratch
// (it does not matter to a read). Retake: the slow path takes the view again, for an access
// that may give the array its implicit DIM; a loop's copy leaves the view as it is.
template <uint32_t Size, bool Store, bool Retake, class W, class... I>
KB_INLINE uint8_t *kb_elemw(bool &r, W &w, kb_arr &a, I... ix) {
  static_assert(sizeof...(I) == W::dims, "a view is for its own number of subscripts");
  const int32_t v[] = {(int32_t)ix...};
  uint64_t off;
  if (__builtin_expect(kb_view_offset(w, v, off) && !(Store && r), 1)) return w.data + off * (Size ? Size : w.esize);
  if constexpr (!Retake) {
    return kb_elem<Size>(r, a, ix...);
  } else {
    kb_elem_seen<W> seen = kb_elemv_slow<W>(a, ix...);   // the descriptor's own path
    r = r || new_error;
    w = seen.w;
    return seen.p;
  }
}
template <class T, bool Store, class W, class... I> KB_INLINE T *kb_elemv(bool &r, W &w, kb_arr &a, I... ix) {
  return (T *)kb_elemw<sizeof(T), Store, true>(r, w, a, ix...);
}
// A record element through its view, as kb_elem gives it.
template <class W, class... I> KB_INLINE uint8_t *kb_elemrv(bool &r, W &w, kb_arr &a, I... ix) {
  return kb_elemw<0, true, true>(r, w, a, ix...);
}
template <class T, class W, class... I> KB_INLINE T kb_getv(bool &r, W &w, kb_arr &a, I... ix) {
  T x;
  std::memcpy(&x, kb_elemv<T, false>(r, w, a, ix...), sizeof(T));
  return x;
}
template <class T, class W, class... I> KB_INLINE T *kb_atv(bool &r, W &w, kb_arr &a, I... ix) {
  return kb_elemv<T, true>(r, w, a, ix...);
}

// ---- a statement's fast form ----------------------------------------------------------------
// A flag-tested statement in a loop may be written twice: first a fast form whose checks only
// set the flag, with no call on any path (the kb_...b forms below), so that the compiler keeps
// what the loop holds in registers around it; then, only when a check of the fast form failed,
// the statement as usual, run from its start:
//   { __label__ kb_slow, kb_done; bool kb_r = false; FAST goto kb_done;
//     kb_slow: KB_Q(line, STATEMENT) kb_done:; }
// Each check of FAST is wrapped in KB_B, which leaves for kb_slow at once when it failed, so
// the fast form stores nothing then, and the statement's own run raises the error, takes the
// slow paths (an implicit DIM) and stores. In a chunk whose loops hold more numbers than a
// call preserves registers for, that run works on the statics (KB_OUT KB_QN(line, STATEMENT)
// KB_IN), so nothing the loops hold lives across its calls.
// The same through a view (kb_elem_in is the descriptor's).
template <uint32_t Size, class W, class... I> KB_INLINE bool kb_elem_inv(W &w, uint8_t *&p, I... ix) {
  static_assert(sizeof...(I) == W::dims, "a view is for its own number of subscripts");
  const int32_t v[] = {(int32_t)ix...};
  uint64_t off;
  if (__builtin_expect(!kb_view_offset(w, v, off), 0)) return false;
  p = w.data + off * (Size ? Size : w.esize);
  return true;
}
// The element, or scratch with the flag set (also once the flag is set: nothing is stored then).
KB_INLINE uint8_t *kb_bail_at(bool &r, bool in, uint8_t *p) {
  if (__builtin_expect(in && !r, 1)) return p;
  r = true;
  return kb_dummy_bytes;
}
template <class T> KB_INLINE T kb_bail_get(bool &r, bool in, const uint8_t *p) {
  static_assert(std::is_arithmetic_v<T>, "numbers only");
  T x = 0;
  if (__builtin_expect(in, 1)) std::memcpy(&x, p, sizeof(T));
  else r = true;
  return x;
}
template <class T, class W, class... I> KB_INLINE T kb_getvb(bool &r, W &w, kb_arr &, I... ix) {
  uint8_t *p = nullptr;
  bool in = kb_elem_inv<sizeof(T)>(w, p, ix...);
  return kb_bail_get<T>(r, in, p);
}
template <class T, class W, class... I> KB_INLINE T *kb_atvb(bool &r, W &w, kb_arr &, I... ix) {
  uint8_t *p = nullptr;
  bool in = kb_elem_inv<sizeof(T)>(w, p, ix...);
  return (T *)kb_bail_at(r, in, p);
}
template <class W, class... I> KB_INLINE uint8_t *kb_elemvb(bool &r, W &w, kb_arr &, I... ix) {
  uint8_t *p = nullptr;
  bool in = kb_elem_inv<0>(w, p, ix...);
  return kb_bail_at(r, in, p);
}
template <class T, class... I> KB_INLINE T kb_getb(bool &r, kb_arr &a, I... ix) {
  uint8_t *p = nullptr;
  bool in = kb_elem_in<sizeof(T)>(a, p, ix...);
  return kb_bail_get<T>(r, in, p);
}
template <class T> KB_INLINE T kb_getb(bool &, const uint8_t *p) { T v; std::memcpy(&v, p, sizeof v); return v; }   // a record's field
template <class T, class... I> KB_INLINE T *kb_atb(bool &r, kb_arr &a, I... ix) {
  static_assert(std::is_arithmetic_v<T>, "numbers only");
  uint8_t *p = nullptr;
  bool in = kb_elem_in<sizeof(T)>(a, p, ix...);
  return (T *)kb_bail_at(r, in, p);
}
template <class... I> KB_INLINE uint8_t *kb_elemb(bool &r, kb_arr &a, I... ix) {
  uint8_t *p = nullptr;
  bool in = kb_elem_in<0>(a, p, ix...);
  return kb_bail_at(r, in, p);
}
// A check of a fast form, which leaves for the statement's own run (kb_slow) once it failed.
#define KB_B(...) ({ auto kb_x = (__VA_ARGS__); if (__builtin_expect(kb_r, 0)) goto kb_slow; kb_x; })
template <class T> KB_INLINE T kb_addb(bool &r, T a, T b) { return kb_add<T, false>(r, a, b); }
template <class T> KB_INLINE T kb_subb(bool &r, T a, T b) { return kb_sub<T, false>(r, a, b); }
template <class T> KB_INLINE T kb_mulb(bool &r, T a, T b) { return kb_mul<T, false>(r, a, b); }
KB_INLINE int16_t kb_i16b(bool &r, int64_t v) { return kb_i16<false>(r, v); }
KB_INLINE int32_t kb_i32b(bool &r, int64_t v) { return kb_i32<false>(r, v); }
KB_INLINE int32_t kb_idivb(bool &r, int32_t a, int32_t b) { return kb_idiv<false>(r, a, b); }
KB_INLINE int32_t kb_modb(bool &r, int32_t a, int32_t b) { return kb_mod<false>(r, a, b); }
template <class T> KB_INLINE T kb_divb(bool &r, T a, T b) { return kb_div<T, false>(r, a, b); }
template <class T> KB_INLINE T kb_absb(bool &r, T x) { return kb_abs<T, false>(r, x); }
template <class T> KB_INLINE T kb_sqrb(bool &r, T x) { return kb_sqr<T, false>(r, x); }

// ---- a FOR loop's checked-once copy ------------------------------------------------------
// A FOR loop made of flag-tested statements gets a second copy, entered when a test at its
// entry shows that, for every counter value from the current one to the end, each subscript
// that is a sum of the counter and values the loop does not change stays within its bounds
// and no step of its arithmetic (nor the counter's last step) overflows. The copy reads and
// writes those elements unchecked (kb_getu, kb_atu) and leaves for the checked loop at any
// failure or event, so every error is still raised by its own statement.
template <class T> inline bool kb_fits(int64_t v) {
  return v >= (int64_t)std::numeric_limits<T>::min() && v <= (int64_t)std::numeric_limits<T>::max();
}
KB_INLINE int64_t kb_min(int64_t a, int64_t b) { return a < b ? a : b; }
KB_INLINE int64_t kb_max(int64_t a, int64_t b) { return a < b ? b : a; }
// Subscript d of an array of N dimensions with storage: lo and hi both within its bounds.
template <int N> inline bool kb_span(const kb_arr &a, int d, int64_t lo, int64_t hi) {
  return a.data && a.dims == N && lo >= a.lb[d] && lo <= a.ub[d] && hi >= a.lb[d] && hi <= a.ub[d];
}
template <int N> inline bool kb_live(const kb_arr &a) { return a.data && a.dims == N; }
// An element the entry test has shown to lie within the bounds: Size bytes (0: the element
// size). Signed arithmetic, which cannot wrap here: the compiler then sees the offset step with
// the counter, and keeps a pointer that moves by a row or an element instead.
template <uint32_t Size, class... I> KB_INLINE uint8_t *kb_elemua(kb_arr &a, I... ix) {
  const int64_t v[] = {(int64_t)ix...};
  int64_t off = 0;
  for (int d = 0; d < (int)sizeof...(I); d++) off = off * ((int64_t)a.ub[d] - a.lb[d] + 1) + (v[d] - a.lb[d]);
  return a.data + off * (int64_t)(Size ? Size : a.esize);
}
template <class T, class... I> KB_INLINE T *kb_atu(kb_arr &a, I... ix) { return (T *)kb_elemua<sizeof(T)>(a, ix...); }
template <class T, class... I> KB_INLINE T kb_getu(kb_arr &a, I... ix) {
  T x;
  std::memcpy(&x, kb_atu<T>(a, ix...), sizeof(T));
  return x;
}
template <class... I> KB_INLINE uint8_t *kb_elemu(kb_arr &a, I... ix) { return kb_elemua<0>(a, ix...); }
// An access the entry test does not cover: checked as usual, the descriptor's forms.
template <class... I> inline uint8_t *kb_elemf(bool &r, kb_arr &a, I... ix) { return kb_elem(r, a, ix...); }
template <class T, class... I> inline T kb_getf(bool &r, kb_arr &a, I... ix) { return kb_get<T>(r, a, ix...); }
template <class T, class... I> inline T *kb_atf(bool &r, kb_arr &a, I... ix) { return kb_at<T>(r, a, ix...); }
// The same through a chunk's view; the view is never taken again inside the copy (a failure
// leaves it), so the compiler keeps the shape, and each row's part, out of the loop.
template <class W> inline bool kb_spanv(const W &w, int d, int64_t lo, int64_t hi) {
  return w.valid() && (uint64_t)(lo - w.lb(d)) < w.count(d) && (uint64_t)(hi - w.lb(d)) < w.count(d);
}
template <class W> inline bool kb_livev(const W &w) { return w.valid() && w.count(0) != 0; }
template <uint32_t Size, class W, class... I> KB_INLINE uint8_t *kb_elemuw(W &w, I... ix) {
  static_assert(sizeof...(I) == W::dims, "a view is for its own number of subscripts");
  const int64_t v[] = {(int64_t)ix...};
  int64_t off = 0;
  for (int d = 0; d < W::dims; d++) off = d ? off * (int64_t)w.count(d) + (v[d] - w.lb(d)) : v[d] - w.lb(d);
  return w.data + off * (int64_t)(Size ? Size : w.esize);
}
template <class T, class W, class... I> KB_INLINE T *kb_atuv(W &w, I... ix) { return (T *)kb_elemuw<sizeof(T)>(w, ix...); }
template <class W, class... I> KB_INLINE uint8_t *kb_elemuv(W &w, I... ix) { return kb_elemuw<0>(w, ix...); }
template <class T, class W, class... I> KB_INLINE T kb_getuv(W &w, I... ix) {
  T x;
  std::memcpy(&x, kb_atuv<T>(w, ix...), sizeof(T));
  return x;
}
template <class W, class... I> KB_INLINE uint8_t *kb_elemfv(bool &r, W &w, kb_arr &a, I... ix) {
  return kb_elemw<0, true, false>(r, w, a, ix...);
}
template <class T, class W, class... I> KB_INLINE T kb_getfv(bool &r, W &w, kb_arr &a, I... ix) {
  T x;
  std::memcpy(&x, kb_elemw<sizeof(T), false, false>(r, w, a, ix...), sizeof(T));
  return x;
}
template <class T, class W, class... I> KB_INLINE T *kb_atfv(bool &r, W &w, kb_arr &a, I... ix) {
  return (T *)kb_elemw<sizeof(T), true, false>(r, w, a, ix...);
}
// Arithmetic the entry test has shown cannot overflow. The copy's accessors are always inlined:
// in a long chunk the compiler would otherwise call them, and lose the loop around them.
template <class T> KB_INLINE T kb_addu(T a, T b) { return (T)(a + b); }
// A statement of the copy: on a failure (its error already raised) it leaves for `bail`.
#define KB_F(bail, ...) { bool kb_r = false; __VA_ARGS__; if (__builtin_expect(kb_r, 0)) bail }

// ASC(MID$(s$, start[, n])) as one: the character at start, or error 5 where MID$ would give
// an empty string (start past the end, n of 0 or less, or a start before 1 that n does not
// reach past).
// The common case in one compare: start within the text, and a count of at least 1.
KB_INLINE bool kb_asc_mid_plain(const kels *s, int32_t start, int32_t n, int32_t passed) {
  return __builtin_expect((uint64_t)((int64_t)start - 1) < (uint64_t)s->len && (!passed || n >= 1), 1);
}
KB_INLINE int32_t kb_asc_mid(bool &r, kels *s, int32_t start, int32_t n, int32_t passed) {
  if (kb_asc_mid_plain(s, start, n, passed)) return s->text[start - 1];
  int64_t st = start, count = passed ? n : 1;
  if (st <= 0) {
    if (passed) count -= 1 - st;
    st = 1;
  }
  if (__builtin_expect(count <= 0 || st > (int64_t)s->len, 0)) {
    kb_raise(r, 5);
    return 0;
  }
  return s->text[st - 1];
}
// Its fast form: the common case, any other flagged for the statement's own run.
KB_INLINE int32_t kb_asc_midb(bool &r, kels *s, int32_t start, int32_t n, int32_t passed) {
  if (kb_asc_mid_plain(s, start, n, passed)) return s->text[start - 1];
  r = true;
  return 0;
}
inline int32_t kb_asc_mid(kels *s, int32_t start, int32_t n, int32_t passed) {
  if (new_error) return 0;
  bool r = false;
  return kb_asc_mid(r, s, start, n, passed);
}

// GET and PUT of pictures: an array's storage from its first element, and how many bytes it
// holds from an element on (0 when the element is a scratch one after an error).
inline uint8_t *kb_first(kb_arr &a) {
  if (!a.data) { if (!new_error) error(5); return kb_dummy_bytes; }
  return a.data;
}
inline uint64_t kb_bytes_after(const kb_arr &a, const uint8_t *p) {
  if (!a.data || p < a.data) return 0;
  uint64_t size = kb_count(a) * a.esize, at = (uint64_t)(p - a.data);
  return at < size ? size - at : 0;
}
// A fixed-length string element or field as a string (a view, freed with the statement).
inline kels *kb_fixed_view(uint8_t *p, uint32_t len) { return kels_new_fixed(p, (int32_t)len, 1); }
// The element number in an array inside a record (the first subscript counts fastest): bounds
// holds each dimension's lower and upper bound. A subscript outside them raises error 9 and
// gives element 0, so the statement finishes harmlessly.
inline uint32_t kb_field_index(std::initializer_list<int32_t> ix, std::initializer_list<int32_t> bounds) {
  uint32_t at = 0, stride = 1;
  const int32_t *b = bounds.begin();
  for (int32_t i : ix) {
    int32_t lo = *b++, hi = *b++;
    if (i < lo || i > hi) {
      if (!new_error) error(9);
      return 0;
    }
    at += (uint32_t)(i - lo) * stride;
    stride *= (uint32_t)(hi - lo + 1);
  }
  return at;
}

// ---- records -----------------------------------------------------------------------------
// Record fields are packed as the dialect lays them out, so numeric fields are read and
// written through memcpy.
template <class T> inline T kb_get(const uint8_t *p) { T v; std::memcpy(&v, p, sizeof v); return v; }
template <class T> inline T kb_get(bool &, const uint8_t *p) { return kb_get<T>(p); }
template <class T> inline void kb_put(uint8_t *p, T v) { std::memcpy(p, &v, sizeof v); }
// A flag-tested statement's store into a record field: nothing is stored once a check of the
// statement has failed, whichever of the address and the value was worked out first.
template <class T> inline void kb_put(bool &r, uint8_t *p, T v) {
  if (__builtin_expect(!r, 1)) kb_put<T>(p, v);
}
// A numeric field passed by reference: the callee works on a copy that is written back when
// the call's statement part ends (the temporary's end).
template <class T> struct kb_cico {
  uint8_t *at;
  T v;
  explicit kb_cico(uint8_t *p) : at(p), v(kb_get<T>(p)) {}
  ~kb_cico() { kb_put<T>(at, v); }
  T *p() { return &v; }
};
// A value that lives until the end of the caller's full expression, whose address goes to a
// by-reference parameter: a by-value argument.
template <class T> struct kb_val {
  T v;
  T *p() { return &v; }
};

// ---- procedure locals --------------------------------------------------------------------
// A string local: a fresh empty string at each call, given back when the call ends.
struct kb_local_str {
  kels *s;
  kb_local_str() : s(kels_new(0, 0)) {}
  ~kb_local_str() { if (s) kels_free(s); }
  kb_local_str(const kb_local_str &) = delete;
  kb_local_str &operator=(const kb_local_str &) = delete;
  operator kels *() const { return s; }
};
// A string FUNCTION's value: made at its first use, and given an expression's temporary of
// the string space by taking that string itself (take), so that a function whose value is
// worked out copies no characters for it and makes no string of its own.
struct kb_value_str {
  mutable kels *s = nullptr;
  kb_value_str() = default;
  ~kb_value_str() { if (s) kels_free(s); }
  kb_value_str(const kb_value_str &) = delete;
  kb_value_str &operator=(const kb_value_str &) = delete;
  operator kels *() const {
    if (!s) s = kels_new(0, 0);
    return s;
  }
  void take(kels *v) {
    if (__builtin_expect(new_error != 0, 0)) return;   // a failed value is not the function's
    if (!kels_adoptable(v)) {
      kels_set(*this, v);
      return;
    }
    if (s) kels_free(s);
    s = kels_adopt(v);
  }
};
// A string parameter: the caller's string itself (by reference). A temporary (an
// expression's value) becomes a string of the callee's own, so that statements which consume
// temporaries cannot free it under the callee: one of the string space is taken as it is, any
// other (a constant's view, a fixed-length one) copied.
struct kb_param_str {
  kels *s, *own = nullptr;
  explicit kb_param_str(kels *p) : s(p) {
    if (kels_adoptable(p)) {
      s = own = kels_adopt(p);
    } else if (p->tmp || p->tmplisti || p->readonly) {
      own = p->fixed ? kels_new_fixed(p->text, (int32_t)p->len, 0) : kels_new(0, 0);
      if (!p->fixed) kels_set(own, p);
      s = own;
    }
  }
  ~kb_param_str() { if (own) kels_free(own); }
  kb_param_str(const kb_param_str &) = delete;
  kb_param_str &operator=(const kb_param_str &) = delete;
  operator kels *() const { return s; }
};
// An array local, given back when the call ends.
struct kb_local_arr : kb_arr {
  kb_local_arr(uint32_t esize, uint8_t kind) : kb_arr{nullptr, esize, kind, 0, {}, {}, 0} {}
  ~kb_local_arr() { kb_free_arr(*this); }
  kb_local_arr(const kb_local_arr &) = delete;
  kb_local_arr &operator=(const kb_local_arr &) = delete;
};
// A local record (or fixed-length string) of n bytes.
struct kb_local_bytes {
  uint8_t *p;
  explicit kb_local_bytes(uint32_t n, int fill) : p((uint8_t *)std::calloc(n ? n : 1, 1)) {
    if (fill) std::memset(p, fill, n);
  }
  ~kb_local_bytes() { std::free(p); }
  kb_local_bytes(const kb_local_bytes &) = delete;
  kb_local_bytes &operator=(const kb_local_bytes &) = delete;
};
// A small local record (up to the translator's frame_record_bytes) in the procedure's own
// frame, so that the compiler can keep its fields in registers between the statements that
// read and write them.
template <uint32_t N> struct kb_local_rec {
  alignas(8) uint8_t p[N];
  kb_local_rec() { std::memset(p, 0, N); }
  kb_local_rec(const kb_local_rec &) = delete;
  kb_local_rec &operator=(const kb_local_rec &) = delete;
};
// A FUNCTION's string result, handed to the caller as a temporary of its statement.
// A string handed as a copy goes the same way: one that is already a temporary of the
// statement is handed itself (the callee takes its characters) rather than copied once more.
inline kels *kb_result(kels *s) {
  if (s->tmp && s->tmplisti && !s->fixed && !s->readonly) return s;
  kels *t = kels_new((int32_t)s->len, 1);
  std::memcpy(t->text, s->text, s->len);
  return t;
}
// A FUNCTION's result ends with the call: its string itself becomes the caller's temporary
// (in the string space, where it lies) instead of being copied into a new one.
inline kels *kb_result(kb_value_str &r) {
  kels *s = r.s;
  if (!s) return kels_new(0, 1);                // never given a value: ""
  if (s->fixed || s->readonly) return kb_result(s);
  r.s = nullptr;
  return kels_maketmp(s);
}
// Procedure calls nest until their frames near the stack's end: "Out of stack space" then.
// The test is the frame's own address against a floor that never changes while the program
// runs, so a call keeps no count in memory (a count's store and load at every call and return
// were a chain through all of a recursion's calls).
// The frame's address is that of this empty object, which costs a frame no register; under
// AddressSanitizer, whose fake frames may hold locals elsewhere, the frame pointer's.
#if defined(__SANITIZE_ADDRESS__)
#define KB_FRAME_ADDRESS __builtin_frame_address(0)
#else
#define KB_FRAME_ADDRESS this
#endif
struct kb_frame {
  KB_INLINE kb_frame() {
    if (__builtin_expect((uintptr_t)KB_FRAME_ADDRESS < kel_stack_floor, 0)) error(256);
  }
};

// ---- DATA and READ -----------------------------------------------------------------------
struct kb_data_item {
  const char *text;
  uint32_t len;
  uint8_t quoted;
};
void kb_data_table(const kb_data_item *items, uint32_t count);
void kb_restore(uint32_t index);                // RESTORE: the next READ takes item index
double kb_read_number();                        // the next item as a number (errors 4, 13)
void kb_read_string(kels *dest);                // the next item into a string (error 4)
template <class T> inline T kb_read() {
  double v = kb_read_number();
  if constexpr (std::is_same_v<T, int16_t>) return kb_i(v);
  else if constexpr (std::is_same_v<T, int32_t>) return kb_l(v);
  else return (T)v;
}

// ---- errors ------------------------------------------------------------------------------
// RESUME label leaves the handler and every call it interrupted for the module's label.
struct kb_resume_to {
  uint32_t label;
};
int32_t kb_resume(int32_t kind);                // 0 RESUME (the statement again), 1 RESUME NEXT; 1 when resumed
void kb_on_error(uint32_t label);               // ON ERROR GOTO label (0 switches off)

// VARSEG and VARPTR of an array element: the array's pseudo segment (see peekpoke.h) and the
// element's byte offset in the array's storage (error 5 past the first 64 KB). String arrays
// hold descriptors, not characters: error 5.
int32_t kb_varseg(kb_arr &a, uint8_t *element);
int32_t kb_varptr(kb_arr &a, uint8_t *element);

// CALL ABSOLUTE's arguments: each value is copied into a slot taken from the top of the data
// block's record stack, the routine gets the slots' offsets, and the slots of variables are
// copied back after the call. The slots are given back when the call returns.
struct kb_ca_arg {
  void *var;          // the variable to copy back into, or null for a value
  uint8_t value[8];
  uint32_t bytes;
};
template <class T> inline kb_ca_arg kb_ca_ref(T *v) {
  kb_ca_arg a{v, {}, sizeof(T)};
  std::memcpy(a.value, v, sizeof(T));
  return a;
}
template <class T> inline kb_ca_arg kb_ca_val(T v) {
  kb_ca_arg a{nullptr, {}, sizeof(T)};
  std::memcpy(a.value, &v, sizeof(T));
  return a;
}
void kb_call_absolute(int32_t offset, std::initializer_list<kb_ca_arg> args);
// CALL INTERRUPT's register records: an INTEGER array's elements in order, all of them.
interrupt_regs kb_regs(kb_arr &a);

// ---- functions of the dialect that need nothing of their own -----------------------------
kels *func_date();                    // DATE$: "mm-dd-yyyy"
kels *func_time();                    // TIME$: "hh:mm:ss"
kels *func_environ(kels *name);       // ENVIRON$(name$): the variable's value or ""
kels *func_environ_n(int32_t n);      // ENVIRON$(n): the n-th entry "NAME=value", or ""
int32_t func_fre(int32_t kind);       // FRE: the free memory the program may count on
// MKI$, MKL$, MKS$ and MKD$ pack a number's bytes into a string; CVI, CVL, CVS and CVD unpack
// them (error 5 when the string is too short), as random-access records use them.
template <class T> inline kels *kb_mk(T v) {
  kels *s = kels_new((int32_t)sizeof v, 1);
  std::memcpy(s->text, &v, sizeof v);
  return s;
}
template <class T> inline T kb_cv(kels *s) {
  if (new_error) return 0;
  if (s->len < sizeof(T)) { error(5); return 0; }
  T v;
  std::memcpy(&v, s->text, sizeof v);
  return v;
}
// MKSMBF$, MKDMBF$, CVSMBF and CVDMBF: numbers in the Microsoft Binary Format older files
// hold (4 and 8 bytes; error 6 for a number beyond the format, error 5 for a short string).
kels *func_mksmbf(float v);
kels *func_mkdmbf(double v);
float func_cvsmbf(kels *s);
double func_cvdmbf(kels *s);

// ---- DATE$ =, TIME$ =, ENVIRON, TRON, PALETTE USING ---------------------------------------
// DATE$ = "mm-dd-yyyy" (or yy, or '/') and TIME$ = "hh[:mm[:ss]]" change the date and time
// this program sees, by offsets, never the system's clock; a malformed one is error 5.
extern int32_t kb_date_offset_days;
void kb_set_date(kels *text);
void kb_set_time(kels *text);
// ENVIRON "NAME=value" sets the variable for ENVIRON$ and the programs this one starts;
// "NAME=" removes it; no '=' or no name is error 5.
void sub_environ(kels *entry);
// TRON and TROFF: while kb_tron is set, each numbered line shows "[n]" as it starts.
extern int kb_tron;
void kb_trace(int32_t line);
// PALETTE USING a(first): each attribute of the page's palette from the array's elements in
// turn (INTEGER or LONG); -1 leaves an attribute as it is. Too few elements: error 5.
void kb_palette_using(kb_arr &a, uint8_t *first);

// ---- PSET, PRESET and POINT --------------------------------------------------------------
// At whole-number coordinates on a byte-per-pixel page without WINDOW or VIEW offsets, these
// are done here, inline, exactly as the runtime's routines do them (graphics cursor, colour,
// clipping to the view); anything else goes to those routines.
//
// A page as these read and write it (kb_pixels_take: false for any other page). A FOR loop's
// checked-once copy takes it once at its entry (and again after an event's handler): nothing
// in the copy changes the page's shape, so the pixels, the width, the view cut to the page, the
// mask and the colours stay in registers however the byte stores alias them.
struct kb_pixels {
  img_struct *im;
  uint8_t *px;
  size_t width;
  int32_t l, t, r, b;
  uint32_t mask, fg, bg;
};
KB_INLINE bool kb_pixels_take(kb_pixels &p, img_struct *im) {
  if (!im || (im->is_text | im->coord_mode | (im->bytes_per_pixel ^ 1)) != 0 || !im->pixels) return false;
  p.im = im;
  p.px = im->pixels;
  p.width = im->width;
  p.l = im->view_x1 > 0 ? im->view_x1 : 0;
  p.t = im->view_y1 > 0 ? im->view_y1 : 0;
  p.r = im->view_x2 < (int32_t)im->width - 1 ? im->view_x2 : (int32_t)im->width - 1;
  p.b = im->view_y2 < (int32_t)im->height - 1 ? im->view_y2 : (int32_t)im->height - 1;
  p.mask = im->mask;
  p.fg = im->color;
  p.bg = im->background_color;
  return true;
}
// Coordinates far off the page, which the runtime's routines round as SINGLE values.
KB_INLINE bool kb_pixels_far(int32_t x, int32_t y) {
  return (uint32_t)x + 16777216u > 33554432u || (uint32_t)y + 16777216u > 33554432u;
}
KB_INLINE void kb_pixels_pset(const kb_pixels &p, int32_t x, int32_t y, uint32_t colour, int32_t passed, bool preset) {
  img_struct *im = p.im;
  im->graphics_x = (float)x;
  im->graphics_y = (float)y;
  if (!(passed & 1)) colour = preset ? p.bg : p.fg;
  im->draw_color = colour;
  if (x >= p.l && x <= p.r && y >= p.t && y <= p.b) p.px[(size_t)y * p.width + (size_t)x] = (uint8_t)(colour & p.mask);
}
// POINT(x, y): the colour, or -1 outside the view.
KB_INLINE int32_t kb_pixels_point(const kb_pixels &p, int32_t x, int32_t y) {
  if (x < p.l || x > p.r || y < p.t || y > p.b) return -1;
  return p.px[(size_t)y * p.width + (size_t)x] & p.mask;
}
inline void kb_pset_at(int32_t x, int32_t y, uint32_t colour, int32_t passed, bool preset) {
  kb_pixels p;
  if (__builtin_expect(new_error || kb_pixels_far(x, y) || !kb_pixels_take(p, write_page), 0)) {
    if (preset) sub_preset(0, (float)x, (float)y, colour, passed);
    else kelg_pset(0, (float)x, (float)y, colour, passed);
    return;
  }
  kb_pixels_pset(p, x, y, colour, passed, preset);
}
// The same as a flag-tested statement's part: an error the runtime's routine raises sets the flag.
inline void kb_pset_at(bool &r, int32_t x, int32_t y, uint32_t colour, int32_t passed, bool preset) {
  kb_pset_at(x, y, colour, passed, preset);
  r = r || new_error;
}
inline int32_t kb_point_at(int32_t x, int32_t y) {
  kb_pixels p;
  if (__builtin_expect(new_error || kb_pixels_far(x, y) || !kb_pixels_take(p, read_page), 0))
    return kb_l(func_point((float)x, (float)y, 1));
  return kb_pixels_point(p, x, y);
}
inline int32_t kb_point_at(bool &r, int32_t x, int32_t y) {
  int32_t c = kb_point_at(x, y);
  r = r || new_error;
  return c;
}
// In a loop's copy, on the page taken at its entry; once the statement has failed, or far off
// the page, the way above.
KB_INLINE void kb_pset_px(bool &r, const kb_pixels &p, int32_t x, int32_t y, uint32_t colour, int32_t passed, bool preset) {
  if (__builtin_expect(r || kb_pixels_far(x, y), 0)) kb_pset_at(r, x, y, colour, passed, preset);
  else kb_pixels_pset(p, x, y, colour, passed, preset);
}
KB_INLINE int32_t kb_point_px(bool &r, const kb_pixels &p, int32_t x, int32_t y) {
  if (__builtin_expect(r || kb_pixels_far(x, y), 0)) return kb_point_at(r, x, y);
  return kb_pixels_point(p, x, y);
}
#include "chain.h"
