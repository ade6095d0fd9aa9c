// The fuzz targets: what must hold for any bytes given to VAL, STR$, PRINT USING, DRAW,
// PLAY, INPUT's item check, the x86 interpreter, the translator and the file layer.
#include "targets.h"
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include "kel.h"
#include "translator.h"
#include "play_render.h"
#include "platform.h"

const fuzz_entry fuzz_targets[9] = {
  {"val", fuzz_val},     {"str", fuzz_str},           {"print_using", fuzz_print_using},
  {"draw", fuzz_draw},   {"play", fuzz_play},         {"input_item", fuzz_input_item},
  {"x86", fuzz_x86},     {"translate", fuzz_translate}, {"file_input", fuzz_file_input},
};

void fuzz_boot() {
  static bool done = false;
  if (done) return;
  done = true;
  static char name[] = "kel_fuzz";
  char *argv[] = {name, nullptr};
  kel_init_runtime(1, argv);
  platform_msgbox_hook = [](const char *, const char *, msgbox_kind) { return 1; };
}

namespace {

// Every target leaves the runtime as it found it: no error pending, temporaries freed.
struct runtime_scope {
  uint32_t base = kels_tmp_list_nexti;
  ~runtime_scope() {
    new_error = 0;
    kelevent = 0;
    kels_cleanup_list(base);
  }
};

// Reads a value of type T from the front of the input (zeros past its end).
template <class T>
T take(const uint8_t *&data, size_t &size) {
  T v{};
  size_t n = size < sizeof v ? size : sizeof v;
  std::memcpy(&v, data, n);
  data += n;
  size -= n;
  return v;
}

kels *tmp(const uint8_t *data, size_t size) { return kels_tmp_from((const char *)data, (uint32_t)size); }
std::string text(const kels *s) { return std::string((const char *)s->text, s->len); }

// STR$'s shape for floats: a sign place (" " or "-"), then digits with at most one point,
// then an exponent letter with a sign and digits; no more than max_digits significant digits.
bool str_shape(const std::string &s, char letter, int max_digits) {
  if (s.size() < 2 || (s[0] != ' ' && s[0] != '-')) return false;
  size_t i = 1;
  int digits = 0, points = 0;
  for (; i < s.size() && s[i] != letter; i++) {
    if (s[i] == '.') points++;
    else if (s[i] >= '0' && s[i] <= '9') digits++;
    else return false;
  }
  if (digits == 0 || points > 1 || digits > max_digits + 1) return false;   // "0.5" has a leading 0
  if (i == s.size()) return true;
  if (++i >= s.size() || (s[i] != '+' && s[i] != '-')) return false;
  if (++i >= s.size()) return false;
  for (; i < s.size(); i++)
    if (s[i] < '0' || s[i] > '9') return false;
  return true;
}

bool close(long double a, long double b, long double rel) {
  if (a == b) return true;
  return std::fabs(a - b) <= rel * std::fmax(std::fabs(a), std::fabs(b));
}

}  // namespace

const char *fuzz_val(const uint8_t *data, size_t size) {
  runtime_scope scope;
  long double v = func_val(tmp(data, size));
  if (new_error) return new_error == 6 ? nullptr : "VAL raised an error other than overflow";
  if (std::isnan(v)) return "VAL gave NaN";
  if (std::isinf(v)) return "VAL gave an infinity without an error";
  // What VAL read, written by STR$ and read again, is the same value to STR$'s precision
  // (15 digits where the 16th would be a 9).
  long double back = func_val(kels_str((double)v));
  if (new_error) return "VAL of STR$ raised an error";
  if (!close(back, (double)v, 6e-15L)) return "VAL of STR$ moved the value";
  return nullptr;
}

const char *fuzz_str(const uint8_t *data, size_t size) {
  runtime_scope scope;
  double d = take<double>(data, size);
  float f = take<float>(data, size);
  int64_t n = take<int64_t>(data, size);
  if (std::isfinite(d)) {
    std::string s = text(kels_str(d));
    if (!str_shape(s, 'D', 16)) return "STR$ of a DOUBLE is malformed";
    long double back = func_val(tmp((const uint8_t *)s.data(), s.size()));
    // The largest DOUBLEs print rounded up past the largest DOUBLE, which VAL refuses.
    bool top = new_error == 6 && std::fabs(d) > 1.797693134862315e308;
    if (!top && (new_error || !close(back, d, 6e-15L))) return "VAL of STR$ of a DOUBLE is not the value";
    new_error = 0;
  }
  if (std::isfinite(f)) {
    std::string s = text(kels_str(f));
    if (!str_shape(s, 'E', 7)) return "STR$ of a SINGLE is malformed";
    long double back = func_val(tmp((const uint8_t *)s.data(), s.size()));
    if (new_error || !close(back, f, 6e-7L)) return "VAL of STR$ of a SINGLE is not the value";
    if ((float)back != f && text(kels_str((float)back)) != s) return "STR$ of a SINGLE does not read back";
  }
  std::string s = text(kels_str(n));
  std::string want = (n >= 0 ? " " : "") + std::to_string(n);
  if (s != want) return "STR$ of an INTEGER64 is not its digits";
  return nullptr;
}

// Input: a format up to the first zero byte, then values, each a kind byte and its bytes.
const char *fuzz_print_using(const uint8_t *data, size_t size) {
  runtime_scope scope;
  const uint8_t *zero = (const uint8_t *)std::memchr(data, 0, size);
  size_t flen = zero ? (size_t)(zero - data) : size;
  kels *format = kels_new_txt_len((const char *)data, (int32_t)flen);
  kels *out = kels_new(0, 0);
  data += flen;
  size -= flen;
  if (size) data++, size--;
  int32_t position = 0;
  size_t values = 0;
  const char *failure = nullptr;
  while (size && values < 64 && !new_error) {
    uint8_t kind = take<uint8_t>(data, size);
    values++;
    switch (kind % 6) {
      case 0: position = print_using_integer64(format, take<int64_t>(data, size), position, out); break;
      case 1: position = print_using_uinteger64(format, take<uint64_t>(data, size), position, out); break;
      case 2: position = print_using_single(format, take<float>(data, size), position, out); break;
      case 3: position = print_using_double(format, take<double>(data, size), position, out); break;
      case 4: {
        long double x = 0;
        std::memcpy(&x, data, size < 10 ? size : 10);
        data += size < 10 ? size : 10;
        size -= size < 10 ? size : 10;
        position = print_using_float(format, x, position, out);
        break;
      }
      default: {
        size_t n = kind / 6 < size ? kind / 6 : size;
        position = print_using(format, position, out, tmp(data, n));
        data += n;
        size -= n;
      }
    }
    if (new_error && new_error != 5 && new_error != 13) failure = "PRINT USING raised an unexpected error";
    if (position < 0 || (size_t)position > flen) failure = "PRINT USING's next position is outside the format";
    if (failure) break;
  }
  if (!failure && out->len > values * (flen + 5200)) failure = "PRINT USING wrote more than its fields";
  kels_free(format);
  kels_free(out);
  return failure;
}

// Input: the DRAW string. The data block holds a string variable ("U4R4") at offset 0x100
// whose descriptor lies at 0x10, for X and "=" references to reach.
const char *fuzz_draw(const uint8_t *data, size_t size) {
  runtime_scope scope;
  kelg_screen(0, 0, 0, 0, 0, 1);          // a fresh page: pen, scale and angle as at start
  kelg_screen(13, 0, 0, 0, 0, 1);
  static const char sub[] = "U4R4";
  std::memcpy(dblock + 0x100, sub, 4);
  uint16_t descriptor[2] = {4, 0x100};
  std::memcpy(dblock + 0x10, descriptor, 4);
  sub_draw(tmp(data, size));
  if (new_error && new_error != 5 && new_error != 6) return "DRAW raised an unexpected error";
  return nullptr;
}

const char *fuzz_play(const uint8_t *data, size_t size) {
  play_settings s;
  std::vector<play_part> parts;
  int r = play_render(data, (uint32_t)size, s, parts);
  const char *failure = nullptr;
  if (r != 0 && r != 5 && r != 7) failure = "PLAY rendering gave an unexpected error";
  if (r != 0 && !parts.empty()) failure = "a failed PLAY left parts";
  for (play_part &p : parts) {
    if (p.bytes % 4) failure = "a PLAY part is not whole stereo frames";
    std::free(p.wave);
  }
  if (s.o < 0 || s.o > 6 || s.v < 0 || s.v > 100) failure = "PLAY left settings out of range";
  return failure;
}

// Input: a byte choosing the variable's type, then the item's text. An accepted float is
// finite; an accepted integer item has every prefix accepted too, as the editor checks each
// keystroke. (A float need not: ".00...01E4" is in range, its digits alone are too small.)
const char *fuzz_input_item(const uint8_t *data, size_t size) {
  runtime_scope scope;
  static const uint32_t types[] = {
    8, 16, 32, 64, 8 | input_type_unsigned, 16 | input_type_unsigned, 32 | input_type_unsigned,
    64 | input_type_unsigned, 32 | input_type_float, 64 | input_type_float, 256 | input_type_float,
  };
  uint8_t pick = take<uint8_t>(data, size);
  uint32_t type = types[pick % (sizeof types / sizeof types[0])];
  const char *t = (const char *)data;
  alignas(16) uint8_t variable[32] = {};
  if (!input_check_item(type, t, (int32_t)size, variable)) return nullptr;
  if (type & input_type_float) {
    int bits = (int)(type & input_type_bits);
    long double v = bits == 32 ? *(float *)variable : bits == 64 ? *(double *)variable : *(long double *)variable;
    if (std::isnan(v) || std::isinf(v)) return "INPUT stored a value that is not finite";
    return nullptr;
  }
  for (size_t n = 0; n < size; n++)
    if (!input_check_item(type | input_type_nostore, t, (int32_t)n, nullptr))
      return "INPUT refused a prefix of an accepted item";
  return nullptr;
}

namespace {
struct cpu_exited {
  int status;
};
}  // namespace

// Input: the first 16 bytes set AX, BX, CX, DX, SI, DI, BP and DS; the rest is the code,
// placed at 2000:0000 and run with the stack at 3000:0100. Anything in memory may change;
// the first megabyte is put back afterwards.
const char *fuzz_x86(const uint8_t *data, size_t size) {
  runtime_scope scope;
  static std::vector<uint8_t> saved(cmem, cmem + cmem_size);
  cpu = {};
  cpu.eax = take<uint16_t>(data, size);
  cpu.ebx = take<uint16_t>(data, size);
  cpu.ecx = take<uint16_t>(data, size);
  cpu.edx = take<uint16_t>(data, size);
  cpu.esi = take<uint16_t>(data, size);
  cpu.edi = take<uint16_t>(data, size);
  cpu.ebp = take<uint16_t>(data, size);
  cpu.ds = take<uint16_t>(data, size);
  cpu.cs = 0x2000, cpu.ss = 0x3000, cpu.es = 0x4000, cpu.esp = 0x100;
  std::memcpy(cmem + 0x20000, data, size < 0x10000 ? size : 0x10000);
  void (*exit_before)(int) = cpu_exit;
  cpu_exit = [](int status) { throw cpu_exited{status}; };
  cpu_step_limit = 1 << 20;
  try {
    cpu_call();
  } catch (const cpu_exited &) {
  }
  cpu_exit = exit_before;
  cpu_step_limit = 0;
  std::memcpy(cmem, saved.data(), cmem_size);
  return nullptr;
}

const char *fuzz_translate(const uint8_t *data, size_t size) {
  std::string source((const char *)data, size);
  bas::translation t = bas::translate(source, "fuzz.bas");
  if (t.ok) return t.cpp.empty() ? "a translation succeeded with no program" : nullptr;
  if (t.message.rfind("fuzz.bas:", 0) != 0) return "a translation error names no place";
  if (t.line < 1) return "a translation error has no line";
  return nullptr;
}

namespace {

// A folder of the process's own for the file target, emptied after each input and removed
// at exit.
struct scratch_folder {
  std::string path;
  scratch_folder() {
    char name[] = "/tmp/kel_fuzz_files_XXXXXX";
    if (mkdtemp(name)) path = name;
  }
  ~scratch_folder() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
  }
  void empty() const {
    std::error_code ec;
    for (const auto &e : std::filesystem::directory_iterator(path, ec)) std::filesystem::remove_all(e.path(), ec);
  }
};

bool file_error(int n) {
  for (int ok : {5, 52, 53, 54, 55, 58, 61, 62, 63, 64, 70, 75, 76})
    if (n == ok) return true;
  return false;
}

}  // namespace

// Input: an options byte, a count and that many read codes, a name length and the name,
// then the file's bytes. The bytes are written to a scratch file, opened FOR INPUT, BINARY or
// RANDOM (one record holding them all) and read back with the codes: INPUT # into each type,
// LINE INPUT #, INPUT$. Only errors 62, 13 and 6 may come, numbers stay finite and strings no
// longer than the file. Then the name (kept inside the scratch folder) goes through OPEN in
// the mode the options choose, which may raise only the file layer's error numbers.
const char *fuzz_file_input(const uint8_t *data, size_t size) {
  runtime_scope scope;
  static scratch_folder folder;
  if (folder.path.empty()) return nullptr;
  uint8_t options = take<uint8_t>(data, size);
  size_t nreads = take<uint8_t>(data, size) % 64;
  if (nreads > size) nreads = size;
  std::vector<uint8_t> reads(data, data + nreads);
  data += nreads, size -= nreads;
  size_t namelen = take<uint8_t>(data, size);
  if (namelen > size) namelen = size;
  std::string name((const char *)data, namelen);
  data += namelen, size -= namelen;
  std::string file = folder.path + "/data.txt";
  std::ofstream(file, std::ios::binary).write((const char *)data, (std::streamsize)size);

  const char *failure = nullptr;
  int32_t mode = options & 0x10 ? gfs_binary : options & 0x20 ? gfs_random : gfs_input;
  int32_t reclen = size < 1 ? 1 : size > 32767 ? 32767 : (int32_t)size;
  sub_open(tmp((const uint8_t *)file.data(), file.size()), mode, 1, reclen, mode == gfs_random);
  if (mode == gfs_random) gfs_get(1, 1, 1, nullptr, 0);
  if (new_error) failure = "the scratch file did not open";
  size_t bound = mode == gfs_random ? (size_t)reclen : size;   // what there is to read
  kels *s = kels_new(0, 0);
  uint8_t fixed_bytes[32];
  for (size_t k = 0; k < reads.size() && !failure; k++) {
    uint8_t op = reads[k];
    alignas(8) uint8_t v[8] = {};
    switch (op % 8) {
      case 0: gfs_input_begin(1); gfs_input_value(16, v); break;
      case 1: gfs_input_begin(1); gfs_input_value(32, v); break;
      case 2:
        gfs_input_begin(1);
        gfs_input_value(32 | input_type_float, v);
        if (!std::isfinite(*(float *)v)) failure = "INPUT # stored a SINGLE that is not finite";
        break;
      case 3:
        gfs_input_begin(1);
        gfs_input_value(64 | input_type_float, v);
        if (!std::isfinite(*(double *)v)) failure = "INPUT # stored a DOUBLE that is not finite";
        break;
      case 4:
        gfs_input_begin(1);
        gfs_input_value(input_type_string, s);
        if (s->len > bound) failure = "INPUT # gave a string longer than the file";
        break;
      case 5: {
        uint32_t width = op >> 3;
        kels *f = kels_new_fixed(fixed_bytes, (int32_t)width, 0);
        gfs_input_begin(1);
        gfs_input_value(input_type_string, f);
        if (f->len != width) failure = "INPUT # changed a fixed-length string's length";
        kels_free(f);
        break;
      }
      case 6:
        gfs_line_input(1, s);
        if (s->len > bound) failure = "LINE INPUT # gave a string longer than the file";
        break;
      default: {
        uint32_t before = kels_tmp_list_nexti;
        kels *got = func_input_str((op >> 3) + 1, 1, 1);
        if (!new_error && got->len != (uint32_t)(op >> 3) + 1) failure = "INPUT$ gave the wrong length";
        kels_cleanup_list(before);
      }
    }
    if (new_error && new_error != 62 && new_error != 13 && new_error != 6) failure = "reading raised an unexpected error";
    new_error = 0;
  }
  if (!failure && mode != gfs_random && func_seek(1) > (int64_t)size + 1) failure = "reading went past the file's end";
  kels_free(s);
  sub_close_all();
  new_error = 0;

  // The name stays inside the scratch folder: "\" is "/" to the runtime, and no ".." leads out.
  for (char &c : name)
    if (c == '\\') c = '/';
  for (size_t i = 0; (i = name.find("..", i)) != std::string::npos;) name[i + 1] = '_';
  std::string path = namelen ? folder.path + "/" + name : "";
  sub_open(tmp((const uint8_t *)path.data(), path.size()), options >> 5, 2, 16, options & 0x80 ? 0 : 1);
  if (!failure && new_error && !file_error(new_error)) failure = "OPEN of a name raised an unexpected error";
  new_error = 0;
  sub_close_all();
  folder.empty();
  return failure;
}
