// Read-only views of string operands, for translated code. What MID$, LEFT$, RIGHT$ and CHR$ of
// a variable or a literal give to INSTR, LEN, ASC or a comparison is a view of characters that
// already exist, not a new string: nothing to allocate, nothing for the statement's clean-up.
// A view points into string space, so it is good only until something allocates there: the
// translator makes views only in expressions that allocate nothing (see string_view_call in
// tools/bas2cpp/emit.cpp). Each function does what its string counterpart in strfunc.cpp does,
// errors and the neutral result while an error is pending included. The forms taking a bool &
// first are those for flag-tested statements: the flag is set with the error, and a set flag is
// the error pending (such a statement starts with none, and every failure in it sets the flag),
// so the compiler drops the test from the path where nothing failed. The forms without it read
// new_error instead.
#pragma once
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include "events.h"
#include "kels.h"

struct kb_sv {
  const uint8_t *p;
  uint32_t n;
};

inline kb_sv kb_str_view(const kels *s) { return {s->text, s->len}; }

// A literal as a view, and as a descriptor that lasts the whole run: read-only and never a
// temporary, so no statement allocates it or cleans it up (the functions that consume their
// temporary arguments leave it alone, and assignments copy it).
#define KB_LITV(chars, count) (kb_sv{(const uint8_t *)(chars), (uint32_t)(count)})
#define KB_LIT(chars, count) \
  ({                                                                                                \
    static kels kb_lit_ = {.text = (uint8_t *)(chars), .len = (uint32_t)(count), .in_cmem = 0,        \
                           .cmem_descriptor = nullptr, .cmem_descriptor_offset = 0, .listi = 0, .tmp = 0, \
                           .tmplisti = 0, .fixed = 0, .readonly = 1, .cap = 0};                         \
    &kb_lit_;                                                                                       \
  })

// Every character once, for CHR$ views.
struct kb_chr_bytes_t {
  uint8_t b[256];
  constexpr kb_chr_bytes_t() : b() {
    for (int i = 0; i < 256; i++) b[i] = (uint8_t)i;
  }
};
inline constexpr kb_chr_bytes_t kb_chr_bytes{};

// ---- cuts (func_mid, kels_left, kels_right: no errors of their own) ----

inline kb_sv kb_mid_view(bool &r, kb_sv s, int32_t start, int32_t n, int32_t passed) {
  if (r) return {s.p, 0};
  int64_t st = start, len = s.n, count;
  if (passed) {
    count = n;
    if (st <= 0) {
      count -= 1 - st;
      st = 1;
    }
    if (count <= 0 || st > len) return {s.p, 0};
    if (count > len - st + 1) count = len - st + 1;
  } else {
    if (st <= 0) st = 1;
    if (st > len) return {s.p, 0};
    count = len - st + 1;
  }
  return {s.p + (st - 1), uint32_t(count)};
}
inline kb_sv kb_mid_view(kb_sv s, int32_t start, int32_t n, int32_t passed) {
  bool r = new_error != 0;
  return kb_mid_view(r, s, start, n, passed);
}

inline kb_sv kb_left_view(bool &r, kb_sv s, int32_t n) {
  if (r) return {s.p, 0};
  return {s.p, n <= 0 ? 0 : uint32_t(n) < s.n ? uint32_t(n) : s.n};
}
inline kb_sv kb_left_view(kb_sv s, int32_t n) {
  bool r = new_error != 0;
  return kb_left_view(r, s, n);
}

inline kb_sv kb_right_view(bool &r, kb_sv s, int32_t n) {
  if (r) return {s.p, 0};
  uint32_t count = n <= 0 ? 0 : uint32_t(n) < s.n ? uint32_t(n) : s.n;
  return {s.p + (s.n - count), count};
}
inline kb_sv kb_right_view(kb_sv s, int32_t n) {
  bool r = new_error != 0;
  return kb_right_view(r, s, n);
}

// CHR$: error 5 outside 0..255.
inline kb_sv kb_chr_view(bool &r, int32_t code) {
  if (r) return {kb_chr_bytes.b, 0};
  if (__builtin_expect((uint32_t)code > 255, 0)) {
    error(5);
    r = true;
    return {kb_chr_bytes.b, 0};
  }
  return {kb_chr_bytes.b + code, 1};
}
inline kb_sv kb_chr_view(int32_t code) {
  bool r = new_error != 0;
  return kb_chr_view(r, code);
}

// ---- readers ----

// INSTR([start,] s$, find$) as func_instr: one character by a short loop, or by comparing the
// next 16 characters at once and then memchr; longer needles by memmem.
inline int32_t kb_instr_view(bool &r, int32_t start, kb_sv s, kb_sv find, int32_t passed) {
  if (r) return 0;
  int64_t st = passed ? start : 1;
  if (s.n == 0) return 0;
  if (st <= 0) {
    if (find.n == 0) return 0;
    st = 1;                                       // search from the beginning
  }
  if (st > int64_t(s.n)) return 0;
  if (find.n == 0) return int32_t(st);
  if (find.n > s.n - (st - 1)) return 0;
  const uint8_t *p = s.p + (st - 1);
  size_t left = size_t(s.n - (st - 1));
  if (find.n == 1) {
    const uint8_t c = find.p[0];
    if (left < 16) {
      for (size_t k = 0; k < left; k++)
        if (p[k] == c) return int32_t(p + k - s.p + 1);
      return 0;
    }
#ifdef __SSE2__
    // The next 16 characters compared at once: a character found near the start (the next
    // blank, comma or letter) costs no call.
    typedef char kb_v16 __attribute__((vector_size(16)));
    kb_v16 near, want = kb_v16{} + char(c);
    std::memcpy(&near, p, 16);
    unsigned hits = unsigned(__builtin_ia32_pmovmskb128(kb_v16(near == want)));
    if (hits) return int32_t(p - s.p) + __builtin_ctz(hits) + 1;
    p += 16;
    left -= 16;
    if (left == 0) return 0;
#endif
    const void *q = std::memchr(p, c, left);
    return q ? int32_t(static_cast<const uint8_t *>(q) - s.p + 1) : 0;
  }
  const void *q = memmem(p, left, find.p, find.n);
  return q ? int32_t(static_cast<const uint8_t *>(q) - s.p + 1) : 0;
}
inline int32_t kb_instr_view(int32_t start, kb_sv s, kb_sv find, int32_t passed) {
  bool r = new_error != 0;
  return kb_instr_view(r, start, s, find, passed);
}

inline int32_t kb_len_view(bool &r, kb_sv s) { return r ? 0 : int32_t(s.n); }
inline int32_t kb_len_view(kb_sv s) { return new_error ? 0 : int32_t(s.n); }

// ASC: error 5 for an empty string or a position outside it.
inline int32_t kb_asc_view(bool &r, kb_sv s) {
  if (r) return 0;
  if (__builtin_expect(s.n == 0, 0)) {
    error(5);
    r = true;
    return 0;
  }
  return s.p[0];
}
inline int32_t kb_asc_view(bool &r, kb_sv s, int32_t pos) {
  if (r) return 0;
  if (__builtin_expect(pos < 1 || uint32_t(pos) > s.n, 0)) {
    error(5);
    r = true;
    return 0;
  }
  return s.p[pos - 1];
}
inline int32_t kb_asc_view(kb_sv s) {
  bool r = new_error != 0;
  return kb_asc_view(r, s);
}
inline int32_t kb_asc_view(kb_sv s, int32_t pos) {
  bool r = new_error != 0;
  return kb_asc_view(r, s, pos);
}

// Whether n bytes at p and q are the same. Most strings are short: up to 16 bytes are compared
// by loads of both ends, without a call.
inline bool kb_same_bytes(const uint8_t *p, const uint8_t *q, uint32_t n) {
  if (n > 16) return std::memcmp(p, q, n) == 0;
  if (n >= 8) return kels_ends<uint64_t>(p, n) == kels_ends<uint64_t>(q, n);
  if (n >= 4) return kels_ends<uint32_t>(p, n) == kels_ends<uint32_t>(q, n);
  return n == 0 || (p[0] == q[0] && p[n / 2] == q[n / 2] && p[n - 1] == q[n - 1]);
}

// The six comparisons: bytes unsigned, a proper prefix first; -1 true, 0 false. Strings that
// differ mostly differ at their first character, which is looked at before any call.
inline int kb_compare_view(kb_sv a, kb_sv b) {
  uint32_t n = a.n < b.n ? a.n : b.n;
  if (n && a.p[0] != b.p[0]) return a.p[0] < b.p[0] ? -1 : 1;
  int c = n > 1 ? std::memcmp(a.p + 1, b.p + 1, n - 1) : 0;
  if (c) return c;
  return a.n < b.n ? -1 : a.n > b.n ? 1 : 0;
}
inline int32_t kb_equal_view(bool &r, kb_sv a, kb_sv b) {
  if (r) return 0;
  return a.n == b.n && kb_same_bytes(a.p, b.p, a.n) ? -1 : 0;
}
inline int32_t kb_notequal_view(bool &r, kb_sv a, kb_sv b) {
  if (r) return 0;
  return a.n == b.n && kb_same_bytes(a.p, b.p, a.n) ? 0 : -1;
}
inline int32_t kb_lessthan_view(bool &r, kb_sv a, kb_sv b) { return r ? 0 : kb_compare_view(a, b) < 0 ? -1 : 0; }
inline int32_t kb_greaterthan_view(bool &r, kb_sv a, kb_sv b) { return r ? 0 : kb_compare_view(a, b) > 0 ? -1 : 0; }
inline int32_t kb_lessorequal_view(bool &r, kb_sv a, kb_sv b) { return r ? 0 : kb_compare_view(a, b) <= 0 ? -1 : 0; }
inline int32_t kb_greaterorequal_view(bool &r, kb_sv a, kb_sv b) { return r ? 0 : kb_compare_view(a, b) >= 0 ? -1 : 0; }
#define KB_COMPARE_VIEW(name) \
  inline int32_t name(kb_sv a, kb_sv b) { bool r = new_error != 0; return name(r, a, b); }
KB_COMPARE_VIEW(kb_equal_view)
KB_COMPARE_VIEW(kb_notequal_view)
KB_COMPARE_VIEW(kb_lessthan_view)
KB_COMPARE_VIEW(kb_greaterthan_view)
KB_COMPARE_VIEW(kb_lessorequal_view)
KB_COMPARE_VIEW(kb_greaterorequal_view)
#undef KB_COMPARE_VIEW

// ---- appends ----

// A$ = A$ + CHR$(code) and A$ = A$ + "literal": the characters written in place
// (kels_append_txt). A code outside 0..255 is CHR$'s error 5 and appends nothing, as does an
// error already pending; an error of string space sets the flag too.
inline void kb_append_char(bool &r, kels *dest, int32_t code) {
  if (r) return;
  if (__builtin_expect((uint32_t)code > 255, 0)) {
    error(5);
    r = true;
    return;
  }
  if (__builtin_expect(dest->len < dest->cap, 1)) {
    dest->text[dest->len++] = (uint8_t)code;
    return;
  }
  char c = (char)code;
  kels_append_txt_more(dest, &c, 1);
  if (__builtin_expect(new_error != 0, 0)) r = true;
}
inline void kb_append_char(kels *dest, int32_t code) {
  bool r = new_error != 0;
  kb_append_char(r, dest, code);
}
inline void kb_append_txt(bool &r, kels *dest, const char *text, uint32_t n) {
  kels_append_txt(dest, text, n);
  if (__builtin_expect(new_error != 0, 0)) r = true;
}
inline void kb_append_txt(kels *dest, const char *text, uint32_t n) { kels_append_txt(dest, text, n); }

// A$ = A$ + X$ + Y$ ... with every operand a view: written in place when A$ has room (its own,
// or the end of string space: kels_room), else through kb_append_views_slow, which keeps the views'
// characters before anything can move them. A view of A$ itself reads A$ as it was. Nothing is
// appended when working out an operand raised an error.
void kb_append_views_slow(kels *dest, const kb_sv *v, uint32_t count);
inline void kb_append_views(kels *dest, std::initializer_list<kb_sv> v) {
  if (__builtin_expect(new_error != 0, 0)) return;   // an operand failed: nothing is appended
  uint64_t add = 0;
  for (const kb_sv &x : v) add += x.n;
  if (add == 0) return;
  if (!(uint64_t(dest->len) + add <= dest->cap || kels_room(dest, add))) {
    kb_append_views_slow(dest, v.begin(), uint32_t(v.size()));
    return;
  }
  uint8_t *end = dest->text + dest->len;
  for (const kb_sv &x : v) {
    if (x.n == 1) *end = *x.p;
    else if (x.n) std::memmove(end, x.p, x.n);
    end += x.n;
  }
  dest->len += uint32_t(add);
}
inline void kb_append_views(bool &r, kels *dest, std::initializer_list<kb_sv> v) {
  kb_append_views(dest, v);
  if (__builtin_expect(new_error != 0, 0)) r = true;
}

// A$ = A$ + X$ + Y$ ...: the operands appended in place (kels_append_n), each read as it was
// before the statement changed A$; nothing when working them out raised an error.
inline kels *kb_append(kels *dest, std::initializer_list<kels *> src) {
  if (__builtin_expect(new_error != 0, 0)) return dest;
  return kels_append_n(dest, src.begin(), uint32_t(src.size()));
}
