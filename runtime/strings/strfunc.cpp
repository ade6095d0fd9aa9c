// String functions and statements over kels descriptors: cutting, searching, trimming,
// case changes, character codes, filling, LSET/RSET and comparison.
#include "strfunc.h"
#include <cstring>
#include "events.h"

// A temporary whose characters nobody else can see: a result may be made by changing it.
static bool reusable(const kels *s) { return s->tmp && !s->fixed && !s->readonly && !s->in_cmem; }

// The neutral string result while an error is pending, and the result of a failed CHR$.
static kels *empty_tmp() { return kels_new(0, 1); }

// One-character strings: read-only descriptors that last the whole run, so CHR$ and
// one-character cuts need no string space (like a literal, nobody frees or writes them).
static kels *one_char(uint8_t c) {
  static uint8_t text[256];
  static kels table[256];
  kels &k = table[c];
  if (!k.readonly) {
    text[c] = c;
    k.text = &text[c];
    k.len = 1;
    k.readonly = 1;
  }
  return &k;
}

// count bytes of s from offset (both already in range): s itself when that is all of s,
// s cut in place when it is reusable, else a new temporary (consuming a temporary s).
static kels *substring(kels *s, uint32_t offset, uint32_t count) {
  if (offset == 0 && count == s->len) return s;
  if (reusable(s)) {
    s->text += offset;                            // the skipped bytes wait for compaction
    s->len = count;
    return s;
  }
  if (count == 1) {
    kels *r = one_char(s->text[offset]);
    if (s->tmp) kels_free(s);
    return r;
  }
  kels *r = kels_new(int32_t(count), 1);          // may move s's characters: read them after
  kels_move(r->text, s->text + offset, count);
  if (s->tmp) kels_free(s);
  return r;
}

kels *kels_left(kels *s, int32_t n) {
  if (new_error) return empty_tmp();
  uint32_t count = n <= 0 ? 0 : uint32_t(n) < s->len ? uint32_t(n) : s->len;
  return substring(s, 0, count);
}

kels *kels_right(kels *s, int32_t n) {
  if (new_error) return empty_tmp();
  uint32_t count = n <= 0 ? 0 : uint32_t(n) < s->len ? uint32_t(n) : s->len;
  return substring(s, s->len - count, count);
}

kels *func_mid(kels *s, int32_t start, int32_t n, int32_t passed) {
  if (new_error) return empty_tmp();
  int64_t st = start, len = s->len, count;          // 64-bit: start - 1 and friends cannot wrap
  if (passed) {
    count = n;
    if (st <= 0) {
      count -= 1 - st;
      st = 1;
    }
    if (count <= 0 || st > len) return substring(s, 0, 0);
    if (count > len - st + 1) count = len - st + 1;
  } else {
    if (st <= 0) st = 1;
    if (st > len) return substring(s, 0, 0);
    count = len - st + 1;
  }
  return substring(s, uint32_t(st - 1), uint32_t(count));
}

void sub_mid(kels *dest, int32_t start, int32_t n, kels *src, int32_t passed) {
  if (new_error || dest == nothingstring || dest->readonly) return;  // literals are never written
  int64_t st = start, count = passed ? n : int64_t(src->len), skip = 0;
  if (st <= 0) {
    skip = 1 - st;
    count -= skip;
    st = 1;
  }
  if (count <= 0 || st > int64_t(dest->len)) return;
  if (count > int64_t(dest->len) - st + 1) count = int64_t(dest->len) - st + 1;
  if (skip >= int64_t(src->len)) return;
  if (count > int64_t(src->len) - skip) count = int64_t(src->len) - skip;
  uint8_t *to = dest->text + (st - 1);
  const uint8_t *from = src->text + skip;
  if (to != from) std::memmove(to, from, size_t(count));  // dest and src may be one string
}

int32_t func_instr(int32_t start, kels *s, kels *find, int32_t passed) {
  if (new_error) return 0;
  int64_t st = passed ? start : 1;
  if (s->len == 0) return 0;
  if (st <= 0) {
    if (find->len == 0) return 0;
    st = 1;                                       // search from the beginning
  }
  if (st > int64_t(s->len)) return 0;
  if (find->len == 0) return int32_t(st);
  if (find->len > s->len - (st - 1)) return 0;
  const uint8_t *p = s->text + (st - 1), *last = s->text + (s->len - find->len);
  const uint8_t first = find->text[0];
  if (find->len == 1) {
    p = static_cast<const uint8_t *>(std::memchr(p, first, size_t(last - p) + 1));
    return p ? int32_t(p - s->text + 1) : 0;
  }
  while (p <= last) {
    p = static_cast<const uint8_t *>(std::memchr(p, first, size_t(last - p) + 1));
    if (!p) return 0;
    if (std::memcmp(p + 1, find->text + 1, find->len - 1) == 0) return int32_t(p - s->text + 1);
    p++;
  }
  return 0;
}

kels *kels_ltrim(kels *s) {
  if (new_error) return empty_tmp();
  uint32_t k = 0;
  while (k < s->len && s->text[k] == ' ') k++;
  return substring(s, k, s->len - k);
}

kels *kels_rtrim(kels *s) {
  if (new_error) return empty_tmp();
  uint32_t n = s->len;
  while (n > 0 && s->text[n - 1] == ' ') n--;
  return substring(s, 0, n);
}

// Flips bit 5 of every byte in lo..hi, from index i on.
static void flip_case(uint8_t *text, uint32_t i, uint32_t len, uint8_t lo, uint8_t hi) {
  for (; i < len; i++)
    if (text[i] >= lo && text[i] <= hi) text[i] ^= 32;
}

static kels *change_case(kels *s, uint8_t lo, uint8_t hi) {
  if (new_error) return empty_tmp();
  if (s->len == 0) return s;
  if (reusable(s)) {
    flip_case(s->text, 0, s->len, lo, hi);
    return s;
  }
  uint32_t i = 0;
  while (i < s->len && (s->text[i] < lo || s->text[i] > hi)) i++;
  if (i == s->len) return s;                      // nothing to change: no copy
  kels *r = kels_new(int32_t(s->len), 1);         // may move s's characters
  kels_move(r->text, s->text, s->len);
  flip_case(r->text, i, r->len, lo, hi);
  if (s->tmp) kels_free(s);
  return r;
}

kels *kels_ucase(kels *s) { return change_case(s, 'a', 'z'); }
kels *kels_lcase(kels *s) { return change_case(s, 'A', 'Z'); }

kels *func_chr(int32_t code) {
  if (new_error) return empty_tmp();
  if (code < 0 || code > 255) {
    error(5);
    return empty_tmp();
  }
  return one_char(uint8_t(code));
}

int32_t kels_asc(kels *s) {
  if (new_error) return 0;
  if (s->len == 0) {
    error(5);
    return 0;
  }
  return s->text[0];
}

int32_t kels_asc(kels *s, int32_t pos) {
  if (new_error) return 0;
  if (pos < 1 || uint32_t(pos) > s->len) {
    error(5);
    return 0;
  }
  return s->text[pos - 1];
}

int32_t kels_len(kels *s) {
  if (new_error) return 0;
  return int32_t(s->len);
}

static kels *filled(int32_t n, uint8_t byte) {
  if (n < 0) n = 0;
  kels *r = kels_new(n, 1);
  if (n) std::memset(r->text, byte, size_t(n));
  return r;
}

kels *func_space(int32_t n) {
  if (new_error) return empty_tmp();
  return filled(n, ' ');
}

kels *func_string(int32_t n, int32_t code) {
  if (new_error) return empty_tmp();
  return filled(n, uint8_t(code & 255));
}

kels *func_string(int32_t n, kels *s) {
  if (new_error) return empty_tmp();
  if (s->len == 0) {                              // no character to repeat
    error(5);
    return empty_tmp();
  }
  return filled(n, s->text[0]);
}

void sub_lset(kels *dest, kels *src) {
  if (new_error || dest->readonly) return;
  uint32_t n = src->len < dest->len ? src->len : dest->len;
  if (n) std::memmove(dest->text, src->text, n);
  if (dest->len > n) std::memset(dest->text + n, ' ', dest->len - n);
}

void sub_rset(kels *dest, kels *src) {
  if (new_error || dest->readonly) return;
  uint32_t n = src->len < dest->len ? src->len : dest->len, pad = dest->len - n;
  if (n) std::memmove(dest->text + pad, src->text, n);  // move first: src may overlap the pad
  if (pad) std::memset(dest->text, ' ', pad);
}

// <0, 0, >0 as a sorts before, with or after b: bytes unsigned, a proper prefix first.
static int compare(const kels *a, const kels *b) {
  uint32_t n = a->len < b->len ? a->len : b->len;
  int c = n ? std::memcmp(a->text, b->text, n) : 0;
  if (c) return c;
  return a->len < b->len ? -1 : a->len > b->len ? 1 : 0;
}

static int32_t truth(bool b) { return b ? -1 : 0; }

static bool same(const kels *a, const kels *b) {
  return a->len == b->len && (a->len == 0 || std::memcmp(a->text, b->text, a->len) == 0);
}

int32_t kels_equal(kels *a, kels *b) { return new_error ? 0 : truth(same(a, b)); }
int32_t kels_notequal(kels *a, kels *b) { return new_error ? 0 : truth(!same(a, b)); }
int32_t kels_lessthan(kels *a, kels *b) { return new_error ? 0 : truth(compare(a, b) < 0); }
int32_t kels_greaterthan(kels *a, kels *b) { return new_error ? 0 : truth(compare(a, b) > 0); }
int32_t kels_lessorequal(kels *a, kels *b) { return new_error ? 0 : truth(compare(a, b) <= 0); }
int32_t kels_greaterorequal(kels *a, kels *b) { return new_error ? 0 : truth(compare(a, b) >= 0); }
