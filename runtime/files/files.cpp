// Numbered files: the table of open files, OPEN and CLOSE, sequential text both ways, GET and
// PUT, FIELD, and the position functions. Every file is a host descriptor read and written at
// explicit offsets, so each file keeps its own position. Each number keeps a window of its file
// in memory (read ahead in blocks that grow while reading runs on in order, written back when
// the window moves, on CLOSE, and by END, CLEAR, SHELL and shutdown), so a GET, a PUT or a line
// of text costs a copy rather than a call to the host.
#include "files.h"
#include <cctype>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cctype>
#include <cerrno>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>
#include "flags.h"
#include "events.h"
#include "images.h"
#include "input.h"
#include "keyboard.h"
#include "kels.h"
#include "numconv.h"
#include "text.h"
#include "platform.h"
#include "files_host.h"

static int32_t gfs_print_target = 0;     // the file PRINT # writes to; 0: the screen

// PRINT # and WRITE # run the screen's PRINT code with the file as its target.
static void gfs_target_print(kels *s, uint8_t newline_flag);
static void gfs_target_tab();
static int32_t gfs_target_column();
static int32_t gfs_target_width();
static const text_output gfs_text_output = {gfs_target_print, gfs_target_tab, gfs_target_column, gfs_target_width};
static void set_print_target(int32_t fileno) {
  gfs_print_target = fileno;
  text_target = fileno ? &gfs_text_output : nullptr;
}

namespace {

constexpr int32_t max_files = 255;
constexpr uint32_t buf_cap = 64 * 1024;   // a window; a record (at most max_reclen) fits in half
constexpr uint32_t min_load = 4096;       // the first load, and a load after a jump
constexpr int32_t default_reclen = 128;
constexpr int32_t max_reclen = 32767;
constexpr int32_t printer_slot = max_files + 1;   // LPRINT's printer file, out of the numbers' reach

struct gfs_file {
  int fd = -1;
  int32_t mode = 0;
  std::string name;              // the host path, for the report of a file left incomplete
  bool shared = false;           // another open number has the same host file
  bool read_only = false;        // RANDOM/BINARY opened where writing is refused
  uint64_t dev = 0, ino = 0;
  int32_t reclen = 0;            // RANDOM only
  int64_t pos = 0;               // next byte of the file to read or write
  int32_t column = 1;            // PRINT #'s column on the current line
  bool eof = false;              // RANDOM/BINARY: the last read came up short
  uint8_t *buf = nullptr;        // the window, buf_cap bytes once used: the file from bstart
  int64_t bstart = 0;
  uint32_t blen = 0;             // bytes of the file the window holds
  uint32_t dlo = 0, dhi = 0;     // buf[dlo, dhi) is written but not yet on the host (none when equal)
  uint32_t ahead = min_load;     // how much the next load reads: doubles while reads run on in order
  ~gfs_file() { delete[] buf; }
  uint8_t *record = nullptr;     // RANDOM: the record buffer that FIELD views show
  int32_t recpos = 0;            // RANDOM: where PRINT # and INPUT # are in the record buffer
  int32_t width = 0;             // PRINT # starts a new line past this column; 0: no limit
  bool printer = false;          // the printer file: not a file to the program (others may read it)
};

gfs_file *files[printer_slot + 1];
int32_t printer_width = 80;      // WIDTH LPRINT: the printer's and each "LPT1:" file's
int32_t input_file = 0;          // set by gfs_input_begin
int32_t field_file = 0, field_offset = 0;

// Record buffers are never freed: FIELD variables keep pointing into them after CLOSE. Each
// file number reuses its own buffer while it is big enough, so they stay few.
struct record_block { uint8_t *p = nullptr; int32_t cap = 0; };
record_block number_block[max_files + 1];
std::vector<record_block> &all_blocks = *new std::vector<record_block>;   // never destroyed, like the blocks

uint8_t *record_buffer(int32_t fileno, int32_t reclen) {
  record_block &b = number_block[fileno];
  if (b.cap < reclen) {
    auto *p = static_cast<uint8_t *>(std::calloc((size_t)reclen, 1));
    if (!p) { error(7); return nullptr; }
    b = {p, reclen};
    all_blocks.push_back(b);
  }
  std::memset(b.p, 0, (size_t)b.cap);
  return b.p;
}

bool is_field_view(const kels *s) {
  for (const record_block &b : all_blocks)
    if (s->text >= b.p && s->text + s->len <= b.p + b.cap) return true;
  return false;
}

gfs_file *open_file(int32_t n) {
  if (n < 1 || n > max_files || !files[n]) { error(52); return nullptr; }
  return files[n];
}

bool sequential_out(const gfs_file *f) { return f->mode == gfs_output || f->mode == gfs_append; }

// Writes all n bytes at off; 0 or the host's errno.
int write_all(int fd, const uint8_t *p, size_t n, int64_t off) {
  while (n) {
    ssize_t w = ::pwrite(fd, p, n, off);
    if (w < 0 && errno == EINTR) continue;
    if (w < 0) return errno;
    if (w == 0) return ENOSPC;
    p += w, n -= (size_t)w, off += w;
  }
  return 0;
}

// Reads up to n bytes at off: the count (short only at the end of the file), or -1 with the
// host's errno in *e.
int64_t read_all(int fd, uint8_t *p, size_t n, int64_t off, int *e) {
  size_t done = 0;
  while (done < n) {
    ssize_t got = ::pread(fd, p + done, n - done, off + (int64_t)done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) { *e = errno; return -1; }
    if (got == 0) break;
    done += (size_t)got;
  }
  return (int64_t)done;
}

bool dirty(const gfs_file *f) { return f->dlo != f->dhi; }

// Writes what the window holds unwritten to the host, once: the host's errno, or 0.
int write_held(gfs_file *f) {
  if (!dirty(f)) return 0;
  int e = write_all(f->fd, f->buf + f->dlo, f->dhi - f->dlo, f->bstart + f->dlo);
  f->dlo = f->dhi = 0;
  return e;
}

// Writes what the window holds unwritten to the host. A failed write is reported once, not
// retried, and the window is forgotten, so nothing reads back bytes the file does not have.
bool flush(gfs_file *f) {
  int e = write_held(f);
  if (e) {
    f->blen = 0;
    error(gfs_errno_error(e, 57));
  }
  return e == 0;
}

// Forgets what the window holds; what it held unwritten must be on the host already.
void drop(gfs_file *f) {
  f->blen = 0;
  f->ahead = min_load;
}

// Numbers open on one host file see each other's work: before f reads from the host or
// writes, what another number still holds unwritten goes to the host first (so writes land in
// the order the program made them), and a write through f makes the others forget their
// windows. So a window that is still there never holds bytes another number has changed.
void sync_others(gfs_file *f, bool writing) {
  if (!f->shared) return;
  for (gfs_file *g : files)
    if (g && g != f && g->dev == f->dev && g->ino == f->ino) {
      flush(g);
      if (writing) drop(g);
    }
}

// Sets `shared` on every number open on the host file dev/ino.
void mark_shared(uint64_t dev, uint64_t ino) {
  int n = 0;
  for (gfs_file *g : files) n += g && g->dev == dev && g->ino == ino;
  for (gfs_file *g : files)
    if (g && g->dev == dev && g->ino == ino) g->shared = n > 1;
}

void flush_at_exit() {   // the printer file included
  for (gfs_file *f : files)
    if (f) write_held(f);
}

bool has_window(gfs_file *f) {
  if (!f->buf) f->buf = new (std::nothrow) uint8_t[buf_cap];
  if (!f->buf) error(7);
  return f->buf != nullptr;
}

// Loads the window so that it holds [off, off + n) as far as the file goes (n <= buf_cap / 2).
// A load that runs on from the window, forwards or backwards, reads twice as much as the last
// one, up to the window's size; one after a jump reads a block. The bytes of the span the
// file has, with *at pointing at them; -1 after an error.
int64_t load(gfs_file *f, int64_t off, uint32_t n, const uint8_t **at) {
  sync_others(f, false);
  if (!flush(f) || !has_window(f)) return -1;
  int64_t end = f->bstart + f->blen;
  bool forward = f->blen && off >= f->bstart && off <= end;
  bool backward = f->blen && off < f->bstart && off + n >= f->bstart;
  f->ahead = forward || backward ? std::min(buf_cap, f->ahead * 2) : min_load;
  uint32_t size = std::max(f->ahead, n);
  int64_t start = backward ? std::max<int64_t>(0, off + n - size) : off;
  f->blen = 0;
  f->bstart = start;
  int e = 0;
  int64_t got = read_all(f->fd, f->buf, size, start, &e);
  if (got < 0) { error(gfs_errno_error(e, 57)); return -1; }
  f->blen = (uint32_t)got;
  *at = f->buf + (off - start);
  int64_t have = start + got - off;
  return have < 0 ? 0 : have > n ? n : have;
}

// The span [off, off + n) of the file (n <= buf_cap / 2), from the window when it holds it.
inline int64_t window_read(gfs_file *f, int64_t off, uint32_t n, const uint8_t **at) {
  if (off >= f->bstart && off + n <= f->bstart + f->blen) {
    *at = f->buf + (off - f->bstart);
    return n;
  }
  return load(f, off, n, at);
}

// Room in the window for n bytes written at off (n <= buf_cap / 2): a write that does not
// continue or overwrite what the window holds starts a new window there. The caller fills the
// room; nullptr after an error.
inline uint8_t *window_write(gfs_file *f, int64_t off, uint32_t n) {
  if (f->read_only) { error(75); return nullptr; }
  if (f->shared) sync_others(f, true);
  if (!(f->buf && off >= f->bstart && off <= f->bstart + f->blen && off + n <= f->bstart + buf_cap)) {
    if (!flush(f) || !has_window(f)) return nullptr;
    drop(f);
    f->bstart = off;
  }
  uint32_t lo = (uint32_t)(off - f->bstart), hi = lo + n;
  if (hi > f->blen) f->blen = hi;
  if (!dirty(f)) {
    f->dlo = lo, f->dhi = hi;
  } else {
    f->dlo = std::min(f->dlo, lo);
    f->dhi = std::max(f->dhi, hi);
  }
  return f->buf + lo;
}

// Up to n bytes at off; the count read (short at the end of the file), -1 after an error.
int64_t read_at(gfs_file *f, uint8_t *p, size_t n, int64_t off) {
  if (n <= buf_cap / 2) {
    const uint8_t *at = nullptr;
    int64_t got = window_read(f, off, (uint32_t)n, &at);
    if (got > 0) std::memcpy(p, at, (size_t)got);
    return got;
  }
  sync_others(f, false);                     // more than a window: straight from the host
  if (!flush(f)) return -1;
  int e = 0;
  int64_t got = read_all(f->fd, p, n, off, &e);
  if (got < 0) error(gfs_errno_error(e, 57));
  return got;
}

bool write_at(gfs_file *f, const uint8_t *p, size_t n, int64_t off) {
  if (n <= buf_cap / 2) {
    uint8_t *at = window_write(f, off, (uint32_t)n);
    if (at && n) std::memcpy(at, p, n);
    return at != nullptr;
  }
  if (f->read_only) { error(75); return false; }
  sync_others(f, true);                      // more than a window: straight to the host
  if (!flush(f)) return false;
  drop(f);
  int e = write_all(f->fd, p, n, off);
  if (e) error(gfs_errno_error(e, 57));
  return e == 0;
}

// Sequential bytes at the file's position.
void stream_write(gfs_file *f, const uint8_t *p, size_t n) {
  if (write_at(f, p, n, f->pos)) f->pos += (int64_t)n;
}

// The byte at the file's position, -1 at the end (in INPUT mode also at the DOS end mark 26).
inline int stream_peek(gfs_file *f) {
  int c;
  if (f->pos >= f->bstart && f->pos < f->bstart + f->blen) {
    c = f->buf[f->pos - f->bstart];
  } else {
    const uint8_t *at = nullptr;
    if (window_read(f, f->pos, 1, &at) <= 0) return -1;
    c = *at;
  }
  return c == 26 && f->mode == gfs_input ? -1 : c;
}

// What INPUT #, LINE INPUT # and INPUT$ read: the record buffer of a RANDOM file, else the
// file at its position.
int src_peek(gfs_file *f) {
  if (f->mode == gfs_random) return f->recpos < f->reclen ? f->record[f->recpos] : -1;
  int c = stream_peek(f);
  if (c < 0 && f->mode == gfs_binary) f->eof = true;
  return c;
}
void src_next(gfs_file *f) {
  if (f->mode == gfs_random) f->recpos++;
  else f->pos++;
}
int64_t src_tell(const gfs_file *f) { return f->mode == gfs_random ? f->recpos : f->pos; }
void src_seek(gfs_file *f, int64_t at) {
  if (f->mode == gfs_random) f->recpos = (int32_t)at;
  else f->pos = at;
}

// Text read from a file grows a string only as far as the dialect's strings go: past the
// longest string it is error 14, and when memory runs out first, error 7 (never an abort).
bool add_char(std::string &s, int c) {
  if (s.size() >= kels_max_len) { error(14); return false; }
  try {
    s += (char)c;
  } catch (const std::bad_alloc &) {
    std::string().swap(s);
    error(7);
    return false;
  }
  return true;
}

// The text as a temporary string; nullptr with error 14 when the string heap cannot take it.
kels *heap_copy(const std::string &s) {
  if (!kels_reserve((uint32_t)s.size())) { error(14); return nullptr; }
  return kels_tmp_from(s.data(), (uint32_t)s.size());
}

bool is_blank(int c) { return c == ' ' || c == '\t'; }
bool is_line_end(int c) { return c == '\r' || c == '\n'; }

// The first line end in [p, end) (with mark, also the end mark 26), or end. Text is looked at
// eight bytes at a time: a word with none of them is passed over whole.
const uint8_t *find_line_end(const uint8_t *p, const uint8_t *end, bool mark) {
  constexpr uint64_t ones = 0x0101010101010101u, highs = 0x8080808080808080u;
  auto has = [](uint64_t w, uint8_t b) { uint64_t x = w ^ (ones * b); return (x - ones) & ~x & highs; };
  while (end - p >= 8) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    if (has(w, '\r') | has(w, '\n') | (mark ? has(w, 26) : 0)) break;
    p += 8;
  }
  while (p < end && *p != '\r' && *p != '\n' && !(mark && *p == 26)) p++;
  return p;
}

void skip_line_end(gfs_file *f) {
  int c = src_peek(f);
  if (c == '\r') {
    src_next(f);
    if (src_peek(f) == '\n') src_next(f);
  } else if (c == '\n') {
    src_next(f);
  }
}

// One INPUT # item into out: false after an error (62 when nothing is left). Leading blanks
// are skipped (line ends too before a number); a quoted string runs to a quote followed by
// a separator, so quotes inside it survive; an unquoted item ends at a comma or line end, a
// number also at a blank. The separator after the item is taken.
bool read_item(gfs_file *f, bool number, std::string &out) {
  out.clear();
  int c;
  while ((c = src_peek(f)) >= 0 && (is_blank(c) || (number && is_line_end(c)))) src_next(f);
  if (new_error) return false;
  if (c < 0) { error(62); return false; }
  if (c == '"' && !number) {
    src_next(f);
    while ((c = src_peek(f)) >= 0) {
      src_next(f);
      if (c != '"') {
        if (!add_char(out, c)) return false;
        continue;
      }
      int64_t after = src_tell(f);
      while (is_blank(src_peek(f))) src_next(f);
      int d = src_peek(f);
      if (d < 0 || d == ',' || is_line_end(d)) break;
      src_seek(f, after);
      if (!add_char(out, '"')) return false;
    }
  } else {
    while ((c = src_peek(f)) >= 0 && c != ',' && !is_line_end(c) && !(number && is_blank(c))) {
      if (!add_char(out, c)) return false;
      src_next(f);
    }
    if (!number) out.erase(out.find_last_not_of(" \t") + 1);
  }
  while (is_blank(src_peek(f))) src_next(f);
  if (src_peek(f) == ',') src_next(f);
  else skip_line_end(f);
  return !new_error;
}

// A number read like VAL into an INPUT type word's variable: integers rounded to nearest
// (ties to even); a value outside the type raises 6.
void store_number(uint32_t type, long double v, void *dest) {
  int bits = (int)(type & input_type_bits);
  if (type & input_type_float) {
    if (bits == 32) {
      float x = (float)v;
      if (std::isinf(x)) { error(6); return; }
      std::memcpy(dest, &x, sizeof x);
    } else if (bits == 64) {
      double x = (double)v;
      if (std::isinf(x)) { error(6); return; }
      std::memcpy(dest, &x, sizeof x);
    } else {
      std::memcpy(dest, &v, sizeof v);
    }
    return;
  }
  long double r = std::nearbyint(v);
  bool is_unsigned = type & input_type_unsigned;
  long double lo = is_unsigned ? 0.0L : -std::ldexp(1.0L, bits - 1);
  long double hi = is_unsigned ? std::ldexp(1.0L, bits) - 1 : std::ldexp(1.0L, bits - 1) - 1;
  if (!(r >= lo && r <= hi)) { error(6); return; }
  uint64_t pattern = is_unsigned ? (uint64_t)r : (uint64_t)(int64_t)r;
  auto *p = static_cast<uint8_t *>(dest);
  for (int b = 0; b < bits / 8; b++) p[b] = (uint8_t)(pattern >> (8 * b));
}

bool known_type(uint32_t type) {
  if (type & input_type_string) return true;
  int bits = (int)(type & input_type_bits);
  if (type & input_type_float) return bits == 32 || bits == 64 || bits == 256;
  return bits == 8 || bits == 16 || bits == 32 || bits == 64;
}

// Bytes for the PRINT # target: the record buffer of a RANDOM file (50 past its end), else
// the file. The column follows every byte.
void target_bytes(gfs_file *f, const uint8_t *p, size_t n) {
  if (f->width && f->mode != gfs_random) {   // a line reaching the width goes on on the next one
    for (size_t i = 0; i < n && !new_error; i++) {
      if (!is_line_end(p[i]) && f->column > f->width) {
        stream_write(f, (const uint8_t *)"\r\n", 2);
        f->column = 1;
      }
      stream_write(f, p + i, 1);
      f->column = is_line_end(p[i]) ? 1 : f->column + 1;
    }
    return;
  }
  size_t last = 0;                           // the column runs on from the last line end
  for (const uint8_t *q = p, *end = p + n; (q = find_line_end(q, end, false)) < end; q++) last = (size_t)(q - p) + 1;
  f->column = (last ? 1 : f->column) + (int32_t)(n - last);
  if (f->mode != gfs_random) {
    stream_write(f, p, n);
    return;
  }
  size_t room = (size_t)(f->reclen - f->recpos);
  size_t k = n < room ? n : room;
  std::memcpy(f->record + f->recpos, p, k);
  f->recpos += (int32_t)k;
  if (k < n) error(50);
}

gfs_file *target_file() {
  gfs_file *f = gfs_print_target >= 1 && gfs_print_target <= printer_slot ? files[gfs_print_target] : nullptr;
  if (!f) error(52);
  return f;
}

// The byte offset GET/PUT work at: the record or byte given, or the file's position; -1 after
// an error (63 for a record below 1 or beyond the dialect's range).
int64_t io_offset(gfs_file *f, int64_t rec, int32_t passed) {
  if (!(passed & 1)) return f->pos;
  if (rec < 1 || rec > INT32_MAX) { error(63); return -1; }
  return f->mode == gfs_random ? (rec - 1) * f->reclen : rec - 1;
}

// GET/PUT need RANDOM or BINARY.
gfs_file *record_file(int32_t fileno) {
  gfs_file *f = open_file(fileno);
  if (f && f->mode != gfs_random && f->mode != gfs_binary) { error(54); return nullptr; }
  return f;
}

// A string variable's characters go back to the heap before it becomes a view: its list slot
// is handed to a scratch descriptor, which is then freed the ordinary way.
void release_characters(kels *var) {
  kels **list = var->in_cmem ? kels_cmem_list : kels_list;
  uint32_t nexti = var->in_cmem ? kels_cmem_list_nexti : kels_list_nexti;
  if (var->listi >= nexti || list[var->listi] != var) return;
  kels *d = kels_new_descriptor();
  d->text = var->text;
  d->len = var->len;
  d->in_cmem = var->in_cmem;
  d->listi = var->listi;
  list[var->listi] = d;
  kels_free(d);
}

bool conflicts(uint64_t dev, uint64_t ino, int32_t mode) {
  for (gfs_file *f : files)
    if (f && !f->printer && f->dev == dev && f->ino == ino &&
        (mode == gfs_output || mode == gfs_append || sequential_out(f)))
      return true;
  return false;
}

// Closes number n; the error number when what was written could not all reach the host
// (raised as the statement's error too), else 0.
int close_one(int32_t n) {
  gfs_file *f = files[n];
  if (!f) return 0;
  files[n] = nullptr;
  if (gfs_print_target == n) set_print_target(0);
  int e = write_held(f);
  int lost = e ? gfs_errno_error(e, 57) : 0;
  if (::close(f->fd) != 0 && (errno == ENOSPC || errno == EDQUOT) && !lost) lost = 61;
  if (lost) error(lost);
  if (f->shared) mark_shared(f->dev, f->ino);
  delete f;
  return lost;
}

// Every number closed; each one that could not be completed is named on standard error when
// report is set. False when there was one.
bool close_all(bool report) {
  bool complete = true;
  for (int32_t n = 1; n <= max_files; n++) {
    std::string name = files[n] ? files[n]->name : std::string();
    int lost = close_one(n);
    if (!lost) continue;
    complete = false;
    if (report) std::fprintf(stderr, "%s: %s (error %d): the end of what was written to it is lost\n",
                             name.c_str(), error_text(lost), lost);
  }
  set_print_target(0);
  input_file = 0;
  field_file = 0;
  return complete;
}

kels *empty_tmp() { return kels_new(0, 1); }

}  // namespace

bool gfs_is_open(uint64_t dev, uint64_t ino) {
  for (gfs_file *f : files)
    if (f && !f->printer && f->dev == dev && f->ino == ino) return true;
  return false;
}

void gfs_write_out(uint64_t dev, uint64_t ino) {
  for (gfs_file *f : files)
    if (f && !f->printer && f->dev == dev && f->ino == ino) flush(f);
}

static void open_printer(int32_t slot);

// ---------------------------------------------------------------- OPEN and CLOSE

bool gfs_is_device(const kels *name) {
  if (!name) return false;
  std::string n((const char *)name->text, name->len);
  size_t at = n.find_first_not_of(' ');
  if (at == std::string::npos) return false;
  n = n.substr(at);
  for (char &c : n) c = (char)std::toupper((unsigned char)c);
  if (n.compare(0, 3, "COM") != 0 && n.compare(0, 3, "LPT") != 0) return false;
  size_t k = 3;
  while (k < n.size() && std::isdigit((unsigned char)n[k])) k++;
  return k > 3 && (k == n.size() || n[k] == ':');
}

// IOCTL reaches only device drivers; every file that can be open here is a disk file.
void sub_ioctl(int32_t fileno, kels *) {
  if (new_error) return;
  if (fileno < 1 || fileno > max_files || !files[fileno]) { error(52); return; }
  error(5);
}

kels *func_ioctl(int32_t fileno) {
  sub_ioctl(fileno, nullptr);
  return empty_tmp();
}

void sub_open(kels *name, int32_t mode, int32_t fileno, int32_t reclen, int32_t passed) {
  if (new_error) return;
  if (mode < gfs_input || mode > gfs_binary) { error(5); return; }
  if (fileno < 1 || fileno > max_files) { error(52); return; }
  if (files[fileno]) { error(55); return; }
  if (gfs_is_printer(name)) {                // "LPT1:" and "PRN": the printer file, for output
    if (mode != gfs_output && mode != gfs_append) { error(54); return; }
    open_printer(fileno);
    return;
  }
  if ((passed & 1) && (reclen < 1 || reclen > max_reclen)) { error(5); return; }
  if (gfs_is_device(name)) { error(68); return; }    // no serial ports or printers here
  std::string path;
  int err;
  if (!gfs_host_path(name, path, &err)) { error(err); return; }
  // Nothing is created or truncated before every check has passed: OUTPUT opens without
  // truncating and cuts the file only at the end.
  // APPEND reads too, to find a DOS end mark to write over.
  int flags = O_CLOEXEC | O_NONBLOCK;
  if (mode == gfs_input) flags |= O_RDONLY;
  else if (mode == gfs_output) flags |= O_WRONLY | O_CREAT;
  else flags |= O_RDWR | O_CREAT;
  int fd;
  do fd = ::open(path.c_str(), flags, 0666); while (fd < 0 && errno == EINTR);
  bool read_only = false;
  if (fd < 0 && mode != gfs_input && mode != gfs_output && (errno == EACCES || errno == EPERM || errno == EROFS)) {
    // A file that may only be written is still appended to; one that may only be read is
    // still opened FOR RANDOM or BINARY, for reading.
    int first = errno;
    fd = ::open(path.c_str(), (mode == gfs_append ? O_WRONLY : O_RDONLY) | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) read_only = mode != gfs_append;
    else errno = first;
  }
  if (fd < 0) {
    int e = errno;
    error(gfs_errno_error(e, mode == gfs_input && gfs_parent_exists(path) ? 53 : 76));
    return;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {   // folders and devices are not files here
    ::close(fd);
    error(75);
    return;
  }
  if (conflicts(st.st_dev, st.st_ino, mode)) {
    ::close(fd);
    error(55);
    return;
  }
  uint8_t *record = nullptr;
  if (mode == gfs_random) {
    if (!(passed & 1)) reclen = default_reclen;
    record = record_buffer(fileno, reclen);
    if (!record) { ::close(fd); return; }
  }
  if (mode == gfs_output && st.st_size > 0 && ftruncate(fd, 0) != 0) {
    int e = errno;
    ::close(fd);
    error(gfs_errno_error(e, 75));
    return;
  }
  auto *f = new gfs_file;
  f->fd = fd;
  f->mode = mode;
  f->name = path;
  f->read_only = read_only;
  f->dev = st.st_dev;
  f->ino = st.st_ino;
  f->reclen = mode == gfs_random ? reclen : 0;
  f->record = record;
  if (mode == gfs_append) {
    f->pos = st.st_size;
    uint8_t last = 0;                        // appended text goes over a DOS end mark
    if (f->pos > 0 && ::pread(fd, &last, 1, f->pos - 1) == 1 && last == 26) f->pos--;
  }
  files[fileno] = f;
  mark_shared(f->dev, f->ino);
  static bool exit_hooked = false;
  if (!exit_hooked) {                        // a process ending without shutdown keeps its output
    exit_hooked = true;
    std::atexit(flush_at_exit);
  }
}

void sub_open_short(kels *mode, int32_t fileno, kels *name, int32_t reclen, int32_t passed) {
  if (new_error) return;
  int32_t m = 0;
  if (mode && mode->len) {
    switch (mode->text[0] & ~0x20) {         // upper case
      case 'I': m = gfs_input; break;
      case 'O': m = gfs_output; break;
      case 'A': m = gfs_append; break;
      case 'R': m = gfs_random; break;
      case 'B': m = gfs_binary; break;
    }
  }
  if (!m) { error(54); return; }
  sub_open(name, m, fileno, reclen, passed);
}

void sub_close(int32_t fileno) {
  if (new_error) return;
  if (fileno < 1 || fileno > max_files) { error(52); return; }
  close_one(fileno);
}

// Runs even with an error pending: END, CLEAR and shutdown must not lose output.
void sub_close_all() { close_all(false); }

bool gfs_close_all_at_end() {
  bool complete = close_all(true);
  std::fflush(stderr);
  return complete;
}

void gfs_flush_all() {
  for (gfs_file *f : files)
    if (f) {
      flush(f);
      drop(f);
    }
}

int32_t func_freefile() {
  if (new_error) return 0;
  for (int32_t n = 1; n <= max_files; n++)
    if (!files[n]) return n;
  error(67);
  return 0;
}

// ---------------------------------------------------------------- positions

int32_t func_eof(int32_t fileno) {
  if (new_error) return 0;
  gfs_file *f = open_file(fileno);
  if (!f) return 0;
  if (f->mode == gfs_input) return stream_peek(f) < 0 ? -1 : 0;
  if (sequential_out(f)) return -1;
  return f->eof ? -1 : 0;
}

int32_t func_lof(int32_t fileno) {
  if (new_error) return 0;
  gfs_file *f = open_file(fileno);
  if (!f) return 0;
  sync_others(f, false);
  struct stat st;
  if (fstat(f->fd, &st) != 0) { error(57); return 0; }
  int64_t size = st.st_size;
  if (dirty(f) && f->bstart + f->dhi > size) size = f->bstart + f->dhi;
  return size > INT32_MAX ? INT32_MAX : (int32_t)size;
}

int32_t func_loc(int32_t fileno) {
  if (new_error) return 0;
  gfs_file *f = open_file(fileno);
  if (!f) return 0;
  int64_t v = f->mode == gfs_random ? f->pos / f->reclen : f->mode == gfs_binary ? f->pos : f->pos / 128;
  return v > INT32_MAX ? INT32_MAX : (int32_t)v;
}

int32_t func_seek(int32_t fileno) {
  if (new_error) return 0;
  gfs_file *f = open_file(fileno);
  if (!f) return 0;
  int64_t v = f->mode == gfs_random ? f->pos / f->reclen + 1 : f->pos + 1;
  return v > INT32_MAX ? INT32_MAX : (int32_t)v;
}

void sub_seek(int32_t fileno, int32_t position) {
  if (new_error) return;
  gfs_file *f = open_file(fileno);
  if (!f) return;
  if (position < 1) { error(63); return; }
  if (f->mode == gfs_random) {
    f->pos = (int64_t)(position - 1) * f->reclen;
    f->recpos = 0;
  } else {
    f->pos = position - 1;
  }
  f->eof = false;
}

// ---------------------------------------------------------------- PRINT #

void gfs_print_to(int32_t fileno) {
  if (gfs_print_target == printer_slot && files[printer_slot]) flush(files[printer_slot]);   // each LPRINT is written at once
  set_print_target(0);
  if (fileno == 0 || new_error) return;
  gfs_file *f = open_file(fileno);
  if (!f) return;
  if (f->mode == gfs_input) { error(54); return; }
  set_print_target(fileno);
}

static void gfs_target_print(kels *s, uint8_t newline_flag) {
  if (new_error) return;
  gfs_file *f = target_file();
  if (!f) return;
  if (s && s->len) target_bytes(f, s->text, s->len);
  if (newline_flag) target_bytes(f, (const uint8_t *)"\r\n", 2);
}

static void gfs_target_tab() {
  if (new_error) return;
  gfs_file *f = target_file();
  if (!f) return;
  do target_bytes(f, (const uint8_t *)" ", 1);
  while ((f->column - 1) % 14 != 0 && !new_error);
}

static int32_t gfs_target_column() {
  gfs_file *f = gfs_print_target >= 1 && gfs_print_target <= printer_slot ? files[gfs_print_target] : nullptr;
  return f ? f->column : 1;
}

static int32_t gfs_target_width() {
  gfs_file *f = gfs_print_target >= 1 && gfs_print_target <= printer_slot ? files[gfs_print_target] : nullptr;
  return f && f->mode != gfs_random ? f->width : 0;
}

// ---------------------------------------------------------------- INPUT #, LINE INPUT #, INPUT$

namespace {
gfs_file *reading_file(int32_t fileno) {
  gfs_file *f = open_file(fileno);
  if (f && sequential_out(f)) { error(54); return nullptr; }
  return f;
}
}  // namespace

void gfs_input_begin(int32_t fileno) {
  input_file = 0;
  if (new_error) return;
  if (reading_file(fileno)) input_file = fileno;
}

void gfs_input_value(int32_t type, void *dest) {
  if (new_error) return;
  gfs_file *f = open_file(input_file);
  if (!f) return;
  uint32_t t = (uint32_t)type;
  if (!known_type(t)) { error(13); return; }
  std::string item;
  if (!read_item(f, !(t & input_type_string), item)) return;
  kels *text = heap_copy(item);
  if (!text) return;
  if (t & input_type_string) {
    kels_set(static_cast<kels *>(dest), text);
    return;
  }
  long double v = func_val(text);
  kels_free(text);
  if (!new_error) store_number(t, v, dest);
}

// The bytes of a line in the window from the file's position: up to a line end (or in INPUT
// mode the end mark 26); stops at the end of what the window holds. 0 when the window holds
// nothing there.
static size_t line_span(gfs_file *f, const uint8_t **at) {
  if (f->pos < f->bstart || f->pos >= f->bstart + f->blen) return 0;
  const uint8_t *p = f->buf + (f->pos - f->bstart), *end = f->buf + f->blen;
  *at = p;
  return (size_t)(find_line_end(p, end, f->mode == gfs_input) - p);
}

// LINE INPUT # from a file read in order: whole runs of the line are taken from the window; a
// line that ends inside the window goes to the string heap in one copy, a longer one is gathered
// first (the scratch keeps its room for the next such line, up to a limit).
static bool line_from_stream(gfs_file *f, kels **out) {
  static std::string &gathered = *new std::string;   // never destroyed: used until the process ends
  gathered.clear();
  for (;;) {
    const uint8_t *at = nullptr;
    size_t n = line_span(f, &at);
    if (n == 0) {
      int c = src_peek(f);                   // loads the window, or finds the end
      if (c < 0 || is_line_end(c)) break;
      n = line_span(f, &at);
    }
    bool whole = f->pos + (int64_t)n < f->bstart + f->blen;   // the line (or its run) ends in the window
    f->pos += (int64_t)n;
    if (whole && gathered.empty()) {
      if (!kels_reserve((uint32_t)n)) { error(14); return false; }
      *out = kels_tmp_from((const char *)at, (uint32_t)n);
      return true;
    }
    if (n > kels_max_len - gathered.size()) { error(14); return false; }
    try {
      gathered.append((const char *)at, n);
    } catch (const std::bad_alloc &) {
      std::string().swap(gathered);
      error(7);
      return false;
    }
    if (whole) break;
  }
  if (new_error) return false;
  *out = heap_copy(gathered);
  if (gathered.capacity() > (1u << 20)) std::string().swap(gathered);
  return *out != nullptr;
}

void gfs_line_input(int32_t fileno, kels *dest) {
  if (new_error) return;
  gfs_file *f = reading_file(fileno);
  if (!f) return;
  int c = src_peek(f);
  if (c < 0) {
    if (!new_error) error(62);
    return;
  }
  kels *text = nullptr;
  if (f->mode != gfs_random) {
    if (!line_from_stream(f, &text)) return;
  } else {                                   // from the record buffer
    std::string line;
    while ((c = src_peek(f)) >= 0 && !is_line_end(c)) {
      if (!add_char(line, c)) return;
      src_next(f);
    }
    if (!(text = heap_copy(line))) return;
  }
  skip_line_end(f);
  if (new_error) return;
  kels_set(dest, text);
}

kels *func_input_str(int32_t n, int32_t fileno, int32_t passed) {
  if (new_error) return empty_tmp();
  if (n < 1 || n > max_reclen) { error(5); return empty_tmp(); }
  if (passed & 1) {
    gfs_file *f = reading_file(fileno);
    if (!f) return empty_tmp();
    std::string got;
    int c;
    while ((int32_t)got.size() < n && (c = src_peek(f)) >= 0) {
      got += (char)c;
      src_next(f);
    }
    if (new_error) return empty_tmp();
    if ((int32_t)got.size() < n) { error(62); return empty_tmp(); }
    return kels_tmp_from(got.data(), (uint32_t)got.size());
  }
  // From the keyboard: n characters, not shown; a closing window ends the wait.
  std::string got;
  while ((int32_t)got.size() < n) {
    if (stop_program.load() == 1) end();
    kels *k = kels_inkey();
    bool any = k->len != 0;
    got.append((const char *)k->text, k->len);
    kels_free(k);
    if (!any) platform_sleep(10);
  }
  got.resize((size_t)n);                     // the second byte of an extended key may not fit
  return kels_tmp_from(got.data(), (uint32_t)got.size());
}

// ---------------------------------------------------------------- GET, PUT, FIELD

// The checks GET and PUT share: the file, and the offset to read or write at (-1 after an error).
static int64_t record_io_start(int32_t fileno, int64_t rec, int32_t passed, const void *data, uint32_t bytes,
                               gfs_file **file) {
  if (new_error) return -1;
  gfs_file *f = record_file(fileno);
  if (!f) return -1;
  if (f->mode == gfs_binary && !data) { error(54); return -1; }
  if (f->mode == gfs_random && data && bytes > (uint32_t)f->reclen) { error(59); return -1; }
  *file = f;
  return io_offset(f, rec, passed);
}

void gfs_get(int32_t fileno, int64_t rec, int32_t passed, void *data, uint32_t bytes) {
  gfs_file *f = nullptr;
  int64_t off = record_io_start(fileno, rec, passed, data, bytes, &f);
  if (off < 0) return;
  if (f->mode == gfs_binary) {
    int64_t got = read_at(f, static_cast<uint8_t *>(data), bytes, off);
    if (got < 0) return;
    std::memset(static_cast<uint8_t *>(data) + got, 0, bytes - (size_t)got);
    f->eof = got < (int64_t)bytes;
    f->pos = off + bytes;
    return;
  }
  // RANDOM: the whole record, into the record buffer or the variable (a variable shorter than
  // the record takes its first bytes); past the end of the file, zeros.
  const uint8_t *at = nullptr;
  int64_t got = window_read(f, off, (uint32_t)f->reclen, &at);
  if (got < 0) return;
  uint8_t *into = data ? static_cast<uint8_t *>(data) : f->record;
  size_t want = data ? bytes : (size_t)f->reclen;
  size_t have = std::min(want, (size_t)got);
  std::memcpy(into, at, have);
  std::memset(into + have, 0, want - have);
  f->eof = got < f->reclen;
  f->pos = off + f->reclen;
  f->recpos = 0;
}

void gfs_put(int32_t fileno, int64_t rec, int32_t passed, const void *data, uint32_t bytes) {
  gfs_file *f = nullptr;
  int64_t off = record_io_start(fileno, rec, passed, data, bytes, &f);
  if (off < 0) return;
  if (f->mode == gfs_binary) {
    if (write_at(f, static_cast<const uint8_t *>(data), bytes, off)) f->pos = off + bytes;
    return;
  }
  // RANDOM: a whole record; a variable shorter than the record is followed by zeros.
  uint8_t *at = window_write(f, off, (uint32_t)f->reclen);
  if (!at) return;
  if (data) {
    std::memcpy(at, data, bytes);
    std::memset(at + bytes, 0, (size_t)f->reclen - bytes);
  } else {
    std::memcpy(at, f->record, (size_t)f->reclen);
  }
  f->pos = off + f->reclen;
  f->recpos = 0;
}

void gfs_get_string(int32_t fileno, int64_t rec, int32_t passed, kels *s) {
  if (new_error) return;
  if (s->readonly) { error(13); return; }
  gfs_file *f = record_file(fileno);
  if (!f) return;
  if (s->fixed || f->mode == gfs_binary) {   // LEN(s) bytes, in place
    gfs_get(fileno, rec, passed, s->text, s->len);
    return;
  }
  int64_t off = io_offset(f, rec, passed);
  if (off < 0) return;
  kels *t = kels_new(f->reclen, 1);
  int64_t got = read_at(f, t->text, (size_t)f->reclen, off);
  if (got < 0) return;
  std::memset(t->text + got, 0, (size_t)(f->reclen - got));
  f->eof = got < f->reclen;
  f->pos = off + f->reclen;
  f->recpos = 0;
  kels_set(s, t);
}

void gfs_put_string(int32_t fileno, int64_t rec, int32_t passed, kels *s) {
  if (new_error) return;
  gfs_file *f = record_file(fileno);
  if (!f) return;
  if (s->fixed || f->mode == gfs_binary) {
    gfs_put(fileno, rec, passed, s->text, s->len);
    return;
  }
  if (s->len > (uint32_t)f->reclen) { error(59); return; }
  int64_t off = io_offset(f, rec, passed);
  if (off < 0) return;
  uint8_t *at = window_write(f, off, (uint32_t)f->reclen);
  if (!at) return;
  std::memcpy(at, s->text, s->len);
  std::memset(at + s->len, ' ', (size_t)f->reclen - s->len);
  f->pos = off + f->reclen;
  f->recpos = 0;
}

void gfs_field_begin(int32_t fileno) {
  field_file = 0;
  field_offset = 0;
  if (new_error) return;
  gfs_file *f = open_file(fileno);
  if (!f) return;
  if (f->mode != gfs_random) { error(54); return; }
  field_file = fileno;
}

void gfs_field(int32_t width, kels *var) {
  if (new_error) return;
  gfs_file *f = open_file(field_file);
  if (!f) return;
  if (width < 0) { error(5); return; }
  if ((int64_t)field_offset + width > f->reclen) { error(50); return; }
  if (var->readonly || var->tmplisti || (var->fixed && !is_field_view(var))) { error(13); return; }
  if (!var->fixed) release_characters(var);
  var->text = f->record + field_offset;
  var->len = (uint32_t)width;
  var->cap = 0;
  var->fixed = 1;
  var->in_cmem = 0;
  var->cmem_descriptor = nullptr;
  var->listi = 0;
  field_offset += width;
}

void sub_lock(int32_t fileno, int32_t from, int32_t to, int32_t passed) {
  if (new_error) return;
  gfs_file *f = open_file(fileno);
  if (!f || (f->mode != gfs_random && f->mode != gfs_binary)) return;   // a text file locks whole
  if (((passed & 1) && from < 1) || ((passed & 2) && to < 1)) { error(63); return; }
  if ((passed & 3) == 3 && to < from) error(5);
}

// ---------------------------------------------------------------- the printer

bool gfs_is_printer(const kels *name) {
  std::string n;
  for (uint32_t i = 0; name && i < name->len; i++) n += (char)std::toupper(name->text[i]);
  while (!n.empty() && n.back() == ' ') n.pop_back();
  return n == "LPT1:" || n == "LPT1" || n == "PRN:" || n == "PRN";
}

// The printer file in slot (the LPRINT slot or a number OPEN gave it), opened for appending:
// every write goes to the file's end, so LPRINT and "LPT1:" files may share it.
static void open_printer(int32_t slot) {
  const char *env = std::getenv("KEL_LPT1");
  std::string path = env && *env ? env : "LPT1.TXT";
  int fd;
  do fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666); while (fd < 0 && errno == EINTR);
  if (fd < 0) { error(gfs_errno_error(errno, 76)); return; }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    error(75);
    return;
  }
  auto *f = new gfs_file;
  f->fd = fd;
  f->mode = gfs_append;
  f->dev = st.st_dev;
  f->ino = st.st_ino;
  f->pos = st.st_size;
  f->width = printer_width;
  f->printer = true;
  files[slot] = f;
  static bool exit_hooked = false;
  if (!exit_hooked) {
    exit_hooked = true;
    std::atexit(flush_at_exit);
  }
}

void gfs_print_to_printer() {
  set_print_target(0);
  if (new_error) return;
  if (!files[printer_slot]) open_printer(printer_slot);
  if (files[printer_slot]) set_print_target(printer_slot);
}

void gfs_printer_close() { close_one(printer_slot); }

// 255 is a line without end.
static bool width_value(int32_t width, int32_t *out) {
  if (width < 1 || width > 255) { error(5); return false; }
  *out = width == 255 ? 0 : width;
  return true;
}

void sub_width_printer(int32_t width) {
  if (new_error) return;
  int32_t w;
  if (!width_value(width, &w)) return;
  printer_width = w;
  if (files[printer_slot]) files[printer_slot]->width = w;
}

void sub_width_file(int32_t fileno, int32_t width) {
  if (new_error) return;
  gfs_file *f = open_file(fileno);
  int32_t w;
  if (f && width_value(width, &w)) f->width = w;
}

void sub_width_device(kels *device, int32_t width) {
  if (new_error) return;
  if (gfs_is_printer(device)) { sub_width_printer(width); return; }
  std::string n;
  for (uint32_t i = 0; i < device->len; i++) n += (char)std::toupper(device->text[i]);
  if (n == "SCRN:") kelsub_width(0, width, 0, 1);
  else error(64);
}

int32_t func_lpos(int32_t) {
  if (new_error) return 0;
  gfs_file *f = files[printer_slot];
  return f ? f->column : 1;
}
