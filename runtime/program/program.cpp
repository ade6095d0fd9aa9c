// Arrays, DATA and READ, RESUME and CALL ABSOLUTE's argument slots for translated programs.
#include "program.h"
#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <ctime>
#include <string>

kels *kb_dummy_str = nullptr;
alignas(16) uint8_t kb_dummy_bytes[65536];
int32_t kb_option_base = 0;

// ---- arrays ------------------------------------------------------------------------------

uint64_t kb_count(const kb_arr &a) {
  uint64_t count = 1;
  for (int32_t d = 0; d < a.dims; d++) count *= (uint64_t)((int64_t)a.ub[d] - a.lb[d] + 1);
  return count;
}

static void fill_new(kb_arr &a, uint64_t from, uint64_t count) {
  if (a.kind == kb_strings)
    for (uint64_t i = from; i < count; i++) ((kels **)a.data)[i] = kels_new(0, 0);
  else if (a.kind == kb_fixed)
    std::memset(a.data + from * a.esize, 32, (size_t)((count - from) * a.esize));
}

// Storage for n dimensions with the given bounds; false (with the error raised) when refused.
static bool allocate(kb_arr &a, int32_t n, const int32_t *lb, const int32_t *ub) {
  if (n < 1 || n > 8) { error(9); return false; }
  uint64_t count = 1;
  for (int32_t d = 0; d < n; ++d) {
    if (ub[d] < lb[d]) { error(9); return false; }
    count *= (uint64_t)((int64_t)ub[d] - lb[d] + 1);
    if (count * (a.esize ? a.esize : 1) > (1ull << 30)) { error(7); return false; }
  }
  auto *data = (uint8_t *)std::calloc(count, a.esize ? a.esize : 1);
  if (!data) { error(7); return false; }
  a.data = data;
  a.dims = n;
  a.n1 = n == 1 ? (uint32_t)count : 0;
  for (int32_t d = 0; d < n; ++d) a.lb[d] = lb[d], a.ub[d] = ub[d];
  fill_new(a, 0, count);
  return true;
}

void kb_dim_n(kb_arr &a, int32_t n, const int32_t *lb, const int32_t *ub) {
  if (new_error) return;
  if (a.data) { error(10); return; }
  allocate(a, n, lb, ub);
}

void kb_auto_dim(kb_arr &a, int32_t n) {
  int32_t lb[8], ub[8];
  for (int32_t d = 0; d < n && d < 8; d++) lb[d] = kb_option_base, ub[d] = 10;
  allocate(a, n, lb, ub);
}

uint8_t *kb_elem_slow(kb_arr &a, int32_t n, const int32_t *v) {
  if (!a.data && !new_error) kb_auto_dim(a, n);
  if (!a.data || a.dims != n || new_error) return kb_scratch_element(a);
  uint64_t off = 0;
  for (int32_t d = 0; d < n; d++) {
    if (v[d] < a.lb[d] || v[d] > a.ub[d]) return kb_scratch_element(a);
    off = off * (uint64_t)((int64_t)a.ub[d] - a.lb[d] + 1) + (uint64_t)((int64_t)v[d] - a.lb[d]);
  }
  return a.data + off * a.esize;
}

void kb_free_arr(kb_arr &a) {
  if (!a.data) return;
  pseudo_segment_drop(a.data);                // a VARSEG taken of it names nothing now
  if (a.kind == kb_strings) {
    uint64_t count = kb_count(a);
    for (uint64_t i = 0; i < count; i++) kels_free(((kels **)a.data)[i]);
  }
  std::free(a.data);
  a.data = nullptr;
  a.dims = 0;
  a.n1 = 0;
}

void kb_erase(kb_arr &a) {
  if (new_error) return;
  if (a.dynamic || !a.data) {
    kb_free_arr(a);
    return;
  }
  uint64_t count = kb_count(a);
  if (a.kind == kb_strings) {
    for (uint64_t i = 0; i < count; i++) kels_set(((kels **)a.data)[i], nothingstring);
  } else {
    std::memset(a.data, 0, (size_t)(count * a.esize));
    fill_new(a, 0, count);
  }
}

void kb_redim_n(kb_arr &a, int32_t n, const int32_t *lb, const int32_t *ub, bool preserve) {
  if (new_error) return;
  a.dynamic = 1;
  if (!preserve || !a.data) {
    kb_free_arr(a);
    allocate(a, n, lb, ub);
    return;
  }
  // PRESERVE keeps the elements whose subscripts exist in both shapes; only the last
  // dimension may change its size, as the dialect requires.
  if (n != a.dims) { error(9); return; }
  for (int32_t d = 0; d + 1 < n; d++)
    if (lb[d] != a.lb[d] || ub[d] != a.ub[d]) { error(9); return; }
  kb_arr old = a;
  a.data = nullptr;
  if (!allocate(a, n, lb, ub)) { a = old; return; }
  // Elements are laid out with the first dimension slowest; for one dimension the kept
  // range is simply the overlap of the two bounds.
  if (n == 1) {
    int64_t lo = std::max<int64_t>(old.lb[0], a.lb[0]), hi = std::min<int64_t>(old.ub[0], a.ub[0]);
    for (int64_t i = lo; i <= hi; i++) {
      uint8_t *to = a.data + (uint64_t)(i - a.lb[0]) * a.esize;
      uint8_t *from = old.data + (uint64_t)(i - old.lb[0]) * a.esize;
      if (a.kind == kb_strings) kels_set(*(kels **)to, *(kels **)from);
      else std::memcpy(to, from, a.esize);
    }
  } else {
    // The last dimension varies fastest: copy each row's overlap.
    uint64_t rows = kb_count(a) / (uint64_t)((int64_t)a.ub[n - 1] - a.lb[n - 1] + 1);
    int64_t lo = std::max<int64_t>(old.lb[n - 1], a.lb[n - 1]), hi = std::min<int64_t>(old.ub[n - 1], a.ub[n - 1]);
    uint64_t new_w = (uint64_t)((int64_t)a.ub[n - 1] - a.lb[n - 1] + 1);
    uint64_t old_w = (uint64_t)((int64_t)old.ub[n - 1] - old.lb[n - 1] + 1);
    for (uint64_t row = 0; row < rows; row++)
      for (int64_t i = lo; i <= hi; i++) {
        uint8_t *to = a.data + (row * new_w + (uint64_t)(i - a.lb[n - 1])) * a.esize;
        uint8_t *from = old.data + (row * old_w + (uint64_t)(i - old.lb[n - 1])) * a.esize;
        if (a.kind == kb_strings) kels_set(*(kels **)to, *(kels **)from);
        else std::memcpy(to, from, a.esize);
      }
  }
  kb_free_arr(old);
}

static bool bound_dim(kb_arr &a, int32_t dim, int32_t passed, int32_t *d) {
  if (new_error) return false;
  if (!a.data) { error(9); return false; }
  *d = passed ? dim : 1;
  if (*d < 1 || *d > a.dims) { error(9); return false; }
  return true;
}

int32_t kb_lbound(kb_arr &a, int32_t dim, int32_t passed) {
  int32_t d;
  return bound_dim(a, dim, passed, &d) ? a.lb[d - 1] : 0;
}

int32_t kb_ubound(kb_arr &a, int32_t dim, int32_t passed) {
  int32_t d;
  return bound_dim(a, dim, passed, &d) ? a.ub[d - 1] : 0;
}

// The element's offset in the array's storage; -1 (with error 5) for an element that is not
// the array's or an array whose bytes are not its values.
static int64_t element_offset(kb_arr &a, const uint8_t *element) {
  if (new_error) return -1;
  uint64_t bytes = a.data ? kb_count(a) * a.esize : 0;
  if (a.kind == kb_strings || !a.data || element < a.data || element >= a.data + bytes) {
    error(5);
    return -1;
  }
  return element - a.data;
}

int32_t kb_varseg(kb_arr &a, uint8_t *element) {
  if (element_offset(a, element) < 0) return 0;
  return pseudo_segment_add(a.data, kb_count(a) * a.esize);
}

int32_t kb_varptr(kb_arr &a, uint8_t *element) {
  int64_t at = element_offset(a, element);
  if (at < 0) return 0;
  if (at > 65535) {
    error(5);
    return 0;
  }
  return (int32_t)at;
}

// ---- DATA and READ -----------------------------------------------------------------------

static const kb_data_item *data_items = nullptr;
static uint32_t data_count = 0, data_next = 0;

void kb_data_table(const kb_data_item *items, uint32_t count) {
  data_items = items;
  data_count = count;
  data_next = 0;
  static bool hooked = false;
  if (!hooked) {
    hooked = true;
    kel_on_clear([] { data_next = 0; });     // CLEAR resets the READ position
  }
}

void kb_restore(uint32_t index) {
  if (new_error) return;
  data_next = index;
}

static const kb_data_item *next_item() {
  if (new_error) return nullptr;
  if (data_next >= data_count) { error(4); return nullptr; }
  return &data_items[data_next++];
}

double kb_read_number() {
  const kb_data_item *it = next_item();
  if (!it) return 0;
  // A number item is a number from end to end: blanks aside, VAL must read all of it.
  uint32_t b = 0, e = it->len;
  while (b < e && it->text[b] == ' ') b++;
  while (e > b && it->text[e - 1] == ' ') e--;
  if (b == e) return 0;                       // an empty item reads as 0
  if (it->quoted) { error(13); return 0; }
  const char *s = it->text + b;
  uint32_t n = e - b;
  bool digits = false, ok = true;
  uint32_t i = 0;
  if (n >= 2 && s[0] == '&') {                // &H, &O, &B literals
    char base = (char)(s[1] & ~32);
    ok = base == 'H' || base == 'O' || base == 'B';
    for (i = 2; ok && i < n; i++) {
      char c = (char)(s[i] & ~32);
      bool hex = (s[i] >= '0' && s[i] <= '9') || (c >= 'A' && c <= 'F');
      if (!hex && !(i + 1 == n && (s[i] == '%' || s[i] == '&'))) ok = false;
      digits = true;
    }
  } else {
    if (i < n && (s[i] == '+' || s[i] == '-')) i++;
    while (i < n && s[i] >= '0' && s[i] <= '9') i++, digits = true;
    if (i < n && s[i] == '.') {
      i++;
      while (i < n && s[i] >= '0' && s[i] <= '9') i++, digits = true;
    }
    if (digits && i < n && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
      i++;
      if (i < n && (s[i] == '+' || s[i] == '-')) i++;
      bool exp = false;
      while (i < n && s[i] >= '0' && s[i] <= '9') i++, exp = true;
      ok = exp;
    }
    if (i < n && (s[i] == '%' || s[i] == '&' || s[i] == '!' || s[i] == '#')) i++;
    ok = ok && digits && i == n;
  }
  if (!ok) { error(13); return 0; }
  kels *t = kels_new_txt_len(s, (int32_t)n);
  double v = (double)func_val(t);
  return v;
}

void kb_read_string(kels *dest) {
  const kb_data_item *it = next_item();
  if (!it) return;
  kels_set(dest, kels_new_txt_len(it->text, (int32_t)it->len));
}

// ---- errors ------------------------------------------------------------------------------

int32_t kb_resume(int32_t kind) {
  if (new_error) return 0;
  if (!error_handling) { error(20); return 0; }   // RESUME without error
  error_handling = 0;
  if (kind == 0) error_retry = 1;
  // Back in the line of the error: a later error there, before the next numbered line, has
  // that line's number for ERL, not the handler's (RESUME to a numbered line sets its own).
  last_line = error_erl;
  return 1;
}

void kb_on_error(uint32_t label) {
  if (new_error) return;
  error_goto_line = (int)label;
}

// ---- machine code ------------------------------------------------------------------------

void kb_call_absolute(int32_t offset, std::initializer_list<kb_ca_arg> args) {
  if (new_error) return;
  uint32_t need = 0;
  for (const kb_ca_arg &a : args) need += (a.bytes + 3) & ~3u;
  if (need > cmem_sp || cmem_sp - need < kels_cmem_sp) { error(7); return; }
  uint32_t saved = cmem_sp, base = cmem_sp - need, at = base, k = 0;
  cmem_sp = base;
  for (const kb_ca_arg &a : args) {
    std::memcpy(dblock + at, a.value, a.bytes);
    call_absolute_offsets[k++] = (uint16_t)at;
    at += (a.bytes + 3) & ~3u;
  }
  call_absolute((int32_t)args.size(), offset);
  at = base;
  for (const kb_ca_arg &a : args) {
    if (a.var) std::memcpy(a.var, dblock + at, a.bytes);
    at += (a.bytes + 3) & ~3u;
  }
  if (cmem_sp == base) cmem_sp = saved;   // unless the call took records of its own
}

interrupt_regs kb_regs(kb_arr &a) {
  if (!a.data) return {nullptr, 0};
  return {a.data, (uint32_t)(kb_count(a) * a.esize)};
}

// ---- DATE$, TIME$, ENVIRON$, FRE ---------------------------------------------------------

static kels *local_time_text(const char *format) {
  std::time_t now = std::time(nullptr);
  std::tm lt{};
  localtime_r(&now, &lt);
  char buf[32];
  size_t n = std::strftime(buf, sizeof buf, format, &lt);
  kels *s = kels_new((int32_t)n, 1);                  // a copy: buf goes with this call
  std::memcpy(s->text, buf, n);
  return s;
}

int32_t kb_date_offset_days = 0;

kels *func_date() {
  if (new_error) return kels_new(0, 1);
  if (kb_date_offset_days) {
    std::time_t now = std::time(nullptr);
    std::tm lt{};
    localtime_r(&now, &lt);
    lt.tm_mday += kb_date_offset_days;
    lt.tm_hour = 12;   // the day's middle: a change of summer time cannot move the date
    std::mktime(&lt);
    char buf[16];
    int n = std::snprintf(buf, sizeof buf, "%02d-%02d-%04d", lt.tm_mon + 1, lt.tm_mday, lt.tm_year + 1900);
    kels *s = kels_new(n, 1);   // a copy: buf goes with this call
    std::memcpy(s->text, buf, (size_t)n);
    return s;
  }
  return local_time_text("%m-%d-%Y");
}

kels *func_time() {
  if (new_error) return kels_new(0, 1);
  if (timing_time_offset_ms) {   // the clock TIMER reads, so that the two agree
    uint32_t s = timing_ms_of_day() / 1000;
    char buf[16];
    int n = std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", s / 3600, s / 60 % 60, s % 60);
    kels *text = kels_new(n, 1);
    std::memcpy(text->text, buf, (size_t)n);
    return text;
  }
  return local_time_text("%H:%M:%S");
}

kels *func_environ(kels *name) {
  if (new_error) return kels_new(0, 1);
  std::string n((const char *)name->text, name->len);
  const char *v = n.empty() ? nullptr : std::getenv(n.c_str());
  if (n.empty()) { error(5); return kels_new(0, 1); }
  return kb_result(kels_new_txt(v ? v : ""));
}

kels *func_environ_n(int32_t n) {
  if (new_error) return kels_new(0, 1);
  if (n < 1 || n > 255) { error(5); return kels_new(0, 1); }
  int32_t k = 1;
  for (char **e = environ; *e; e++, k++)
    if (k == n) return kb_result(kels_new_txt(*e));
  return kels_new(0, 1);
}

int32_t func_fre(int32_t kind) {
  if (new_error) return 0;
  return kind == -2 ? 65536 : 524288;   // stack space, else memory: more than the dialect's programs need
}

// ---- DATE$ =, TIME$ =, ENVIRON, LOCK, TRON, PALETTE USING, MBF ---------------------------

// Up to `most` digits (at least one) from p; -1 when there are none.
static int read_digits(const char *&p, const char *end, int most) {
  int v = 0, n = 0;
  while (p < end && n < most && *p >= '0' && *p <= '9') v = v * 10 + (*p++ - '0'), n++;
  return n ? v : -1;
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
static int64_t days_of(int y, int m, int d) {
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void kb_set_date(kels *text) {
  if (new_error) return;
  std::string t((const char *)text->text, text->len);
  while (!t.empty() && t.back() == ' ') t.pop_back();
  const char *p = t.data(), *end = p + t.size();
  int m = read_digits(p, end, 2);
  char sep = p < end ? *p : 0;
  bool ok = m >= 1 && m <= 12 && (sep == '-' || sep == '/');
  int d = -1, y = -1;
  if (ok) {
    p++;
    d = read_digits(p, end, 2);
    ok = d >= 1 && p < end && *p == sep;
  }
  if (ok) {
    p++;
    const char *ys = p;
    y = read_digits(p, end, 4);
    ok = p == end && (p - ys == 2 || p - ys == 4);
    if (ok && p - ys == 2) y += y < 80 ? 2000 : 1900;
  }
  static const int month_days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
  if (!ok || y < 1980 || y > 2099 || d > month_days[m - 1] || (m == 2 && d == 29 && !leap)) {
    error(5);
    return;
  }
  std::time_t now = std::time(nullptr);
  std::tm lt{};
  localtime_r(&now, &lt);
  kb_date_offset_days = (int32_t)(days_of(y, m, d) - days_of(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday));
}

void kb_set_time(kels *text) {
  if (new_error) return;
  std::string t((const char *)text->text, text->len);
  while (!t.empty() && t.back() == ' ') t.pop_back();
  const char *p = t.data(), *end = p + t.size();
  int part[3] = {0, 0, 0}, limit[3] = {23, 59, 59};
  bool ok = true;
  for (int k = 0; k < 3 && ok; k++) {
    part[k] = read_digits(p, end, 2);
    ok = part[k] >= 0 && part[k] <= limit[k];
    if (!ok || p == end) break;
    ok = *p++ == ':' && k < 2 && p < end;
  }
  if (!ok || p != end) {
    error(5);
    return;
  }
  int64_t want = ((int64_t)part[0] * 3600 + part[1] * 60 + part[2]) * 1000;
  int64_t raw = ((int64_t)timing_ms_of_day() - timing_time_offset_ms) % 86400000;
  if (raw < 0) raw += 86400000;
  timing_time_offset_ms = (int32_t)(want - raw);
}

void sub_environ(kels *entry) {
  if (new_error) return;
  std::string e((const char *)entry->text, entry->len);
  size_t eq = e.find('=');
  std::string name = eq == std::string::npos ? "" : e.substr(0, eq);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  while (!name.empty() && name.front() == ' ') name.erase(0, 1);
  if (name.empty() || name.find('\0') != std::string::npos || e.find('\0') != std::string::npos) {
    error(5);
    return;
  }
  std::string value = e.substr(eq + 1);
  // "NAME=" takes the entry away, as the dialect does; else the value is set for this program
  // and the programs it starts.
  int rc = value.empty() ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
  if (rc != 0) error(7);
}

int kb_tron = 0;

void kb_trace(int32_t line) {
  if (new_error) return;
  char buf[24];
  int n = std::snprintf(buf, sizeof buf, "[%d]", (int)line);
  kels *s = kels_new(n, 0);   // its own string, given back at once: a trace makes no temporaries
  std::memcpy(s->text, buf, (size_t)n);
  kels_print(s, 0);
  kels_free(s);
}

// The attributes a page's palette has in its mode.
static int32_t palette_attributes(const img_struct *im) {
  switch (im->screen_mode) {
    case 13: case 256: return 256;
    case 11: case 2: return 2;
    case 10: case 1: return 4;
    default: return 16;
  }
}

void kb_palette_using(kb_arr &a, uint8_t *first) {
  if (new_error) return;
  img_struct *im = write_page;
  if (!im || !im->palette || im->screen_mode == 32 || !a.data) {
    error(5);
    return;
  }
  uint64_t total = kb_count(a), at = (uint64_t)(first - a.data) / a.esize;
  int32_t n = palette_attributes(im);
  if (at >= total || total - at < (uint64_t)n) {
    error(5);
    return;
  }
  for (int32_t k = 0; k < n && !new_error; k++) {
    int32_t v;
    if (a.esize == 2) {
      int16_t w;
      std::memcpy(&w, first + 2 * k, 2);
      v = w;
    } else {
      std::memcpy(&v, first + 4 * k, 4);
    }
    if (v != -1) kelg_palette((uint32_t)k, (uint32_t)v, 1);
  }
}

// Microsoft Binary Format: the exponent (bias 129, 0 for zero) in the last byte, the sign in
// the high bit of the byte before it, then the mantissa below the hidden leading 1, its
// lowest byte first: 23 bits for a SINGLE, 55 for a DOUBLE.
kels *func_mksmbf(float v) {
  kels *s = kels_new(4, 1);
  std::memset(s->text, 0, 4);
  if (new_error || v == 0) return s;
  if (!std::isfinite(v)) { error(6); return s; }
  int e;
  double m = std::frexp(std::fabs((double)v), &e);   // |v| = m * 2^e, m in [0.5, 1)
  int exp = e + 128;
  if (exp > 255) { error(6); return s; }
  if (exp < 1) return s;                              // too small for the format: zero
  uint32_t bits = (uint32_t)std::ldexp(m, 24) & 0x7FFFFF;
  s->text[0] = (uint8_t)bits;
  s->text[1] = (uint8_t)(bits >> 8);
  s->text[2] = (uint8_t)((bits >> 16) | (v < 0 ? 0x80 : 0));
  s->text[3] = (uint8_t)exp;
  return s;
}

kels *func_mkdmbf(double v) {
  kels *s = kels_new(8, 1);
  std::memset(s->text, 0, 8);
  if (new_error || v == 0) return s;
  if (!std::isfinite(v)) { error(6); return s; }
  int e;
  double m = std::frexp(std::fabs(v), &e);
  int exp = e + 128;
  if (exp > 255) { error(6); return s; }
  if (exp < 1) return s;
  uint64_t bits = (uint64_t)std::ldexp(m, 56) & ((1ull << 55) - 1);   // 53 bits fit exactly
  for (int i = 0; i < 7; i++) s->text[i] = (uint8_t)(bits >> (8 * i));
  if (v < 0) s->text[6] |= 0x80;
  s->text[7] = (uint8_t)exp;
  return s;
}

float func_cvsmbf(kels *s) {
  if (new_error) return 0;
  if (s->len < 4) { error(5); return 0; }
  const uint8_t *b = s->text;
  if (b[3] == 0) return 0;
  uint32_t bits = (uint32_t)b[0] | (uint32_t)b[1] << 8 | (uint32_t)(b[2] & 0x7F) << 16 | 0x800000u;
  double v = std::ldexp((double)bits, b[3] - 129 - 23);
  return (float)(b[2] & 0x80 ? -v : v);
}

double func_cvdmbf(kels *s) {
  if (new_error) return 0;
  if (s->len < 8) { error(5); return 0; }
  const uint8_t *b = s->text;
  if (b[7] == 0) return 0;
  uint64_t bits = (uint64_t)(b[6] & 0x7F) << 48;
  for (int i = 0; i < 6; i++) bits |= (uint64_t)b[i] << (8 * i);
  bits |= 1ull << 55;
  double v = std::ldexp((double)bits, b[7] - 129 - 55);   // 56 bits round to the nearest double
  return b[6] & 0x80 ? -v : v;
}
