// Numbered files: PRINT #/WRITE # (driven the way translated programs drive the screen's
// PRINT) read back with INPUT #, LINE INPUT # and INPUT$; APPEND; RANDOM records, FIELD and
// BINARY positions; EOF/LOF/LOC/SEEK; every error number; KILL, NAME and the folder statements.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>
#include "program.h"
#include "test_support.h"

namespace files_test {

namespace {

namespace fs = std::filesystem;
constexpr uint32_t SNG = 32 | input_type_float, DBL = 64 | input_type_float, STR = input_type_string;

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    kel_test_reset();
    keyboard_init();
    sub_close_all();
    char cwd[PATH_MAX];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    start_dir = cwd;
    dir = testing::TempDir() + "/kel_files_" + std::to_string(getpid());
    fs::remove_all(dir);
    ASSERT_TRUE(fs::create_directory(dir));
    base = kels_tmp_list_nexti;
  }
  void TearDown() override {
    new_error = 0;
    stop_program = 0;
    sub_close_all();
    kels_cleanup(base, 0);
    ASSERT_EQ(chdir(start_dir.c_str()), 0);
    fs::remove_all(dir);
  }
  std::string P(const std::string &name) const { return dir + "/" + name; }
  std::string start_dir, dir;
  uint32_t base = 0;
};

kels *K(const std::string &s) { return kels_tmp_from(s.data(), (uint32_t)s.size()); }

std::string slurp(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}
void spit(const std::string &path, const std::string &text) { std::ofstream(path, std::ios::binary) << text; }

void open_as(const std::string &path, int32_t mode, int32_t n, int32_t reclen = 0) {
  sub_open(K(path), mode, n, reclen, reclen ? 1 : 0);
}

// PRINT #n items as the translator writes them: numbers as STR$ plus a blank, fitted and
// printed; ',' a tab; the line ends unless the statement ends with ';' or ','.
template <class T> void num(T v) { kb_print(kb_num(kels_str(v))); }
void str(const char *s) { kb_print(K(s)); }
void end_line() { kels_print(nothingstring, 1); }
// WRITE #n items: strings quoted, numbers without blanks, commas between.
template <class T> void write_num(T v) { kb_print_raw(kels_ltrim(kels_str(v))); }
void write_str(const char *s) { kb_print_raw(kels_add(kels_add(kels_new_txt("\""), K(s)), kels_new_txt("\""))); }
void comma() { kb_print_raw(kels_new_txt(",")); }

std::string in_str(int32_t n) {
  kels *s = kels_new(0, 0);
  gfs_input_begin(n);
  gfs_input_value(STR, s);
  std::string out = S(s);
  kels_free(s);
  return out;
}

TEST_F(Files, PrintThenInputGivesBackNumbersAndStrings) {
  open_as(P("t.txt"), gfs_output, 1);
  gfs_print_to(1);
  num((int16_t)-5); num((int32_t)70000); num(1.5f); num(-0.25f); num(1.234567890123e200); end_line();
  str("hello world"); end_line();
  num((int16_t)1); tab(); num((int16_t)2); end_line();
  str("ab"); kb_print_raw(func_tab(10)); str("c"); kb_print_raw(func_spc(3)); str("d");
  kb_print_raw(func_tab(2)); str("e"); end_line();
  sub_print_using_begin(K("##.##")); sub_print_using_double(3.14159); sub_print_using_end(1);
  str(std::string(100, 'x').c_str()); end_line();      // no wrapping at any width
  gfs_print_to(0);
  ASSERT_EQ(new_error, 0);
  EXPECT_EQ(func_csrlin(), 1);                        // the screen saw none of it
  EXPECT_EQ(func_pos(0), 1);
  sub_close(1);
  EXPECT_EQ(slurp(P("t.txt")),
            "-5  70000  1.5 -.25  1.234567890123D+200 \r\nhello world\r\n 1 " + std::string(11, ' ') +
            " 2 \r\nab       c   d\r\n e\r\n 3.14\r\n" + std::string(100, 'x') + "\r\n");

  open_as(P("t.txt"), gfs_input, 2);
  int16_t a = 0; int32_t b = 0; float c = 0, d = 0; double e = 0;
  gfs_input_begin(2);
  gfs_input_value(16, &a); gfs_input_value(32, &b); gfs_input_value(SNG, &c); gfs_input_value(SNG, &d);
  gfs_input_value(DBL, &e);
  EXPECT_EQ(a, -5); EXPECT_EQ(b, 70000); EXPECT_EQ(c, 1.5f); EXPECT_EQ(d, -0.25f); EXPECT_EQ(e, 1.234567890123e200);
  EXPECT_EQ(in_str(2), "hello world");
  gfs_input_begin(2);
  gfs_input_value(16, &a); gfs_input_value(16, &a);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(new_error, 0);
}

TEST_F(Files, WriteQuotesStringsSoCommasAndQuotesComeBack) {
  open_as(P("w.txt"), gfs_output, 1);
  gfs_print_to(1);
  write_str("a, b"); comma(); write_str("say \"hi\" now"); comma(); write_num(3.5f); comma();
  write_num((int16_t)-2); comma(); write_str(""); end_line();
  gfs_print_to(0);
  sub_close(1);
  EXPECT_EQ(slurp(P("w.txt")), "\"a, b\",\"say \"hi\" now\",3.5,-2,\"\"\r\n");
  open_as(P("w.txt"), gfs_input, 1);
  EXPECT_EQ(in_str(1), "a, b");
  EXPECT_EQ(in_str(1), "say \"hi\" now");
  float f = 0; int16_t i = 0;
  gfs_input_begin(1);
  gfs_input_value(SNG, &f); gfs_input_value(16, &i);
  EXPECT_EQ(f, 3.5f); EXPECT_EQ(i, -2);
  EXPECT_EQ(in_str(1), "");
  EXPECT_EQ(func_eof(1), -1);
  EXPECT_EQ(new_error, 0);
}

// Items of a file read one after another: text, then per read the type and the value it
// gives (as STR$ for numbers) or the error it raises.
struct item_case {
  const char *text;
  std::vector<std::pair<uint32_t, std::string>> reads;
};

TEST_F(Files, InputItemsAreSplitAsTheDialectReadsThem) {
  const item_case cases[] = {
    {"  12  34 \r\n", {{16, " 12"}, {16, " 34"}, {16, "error 62"}}},
    {"1,,2\n", {{16, " 1"}, {16, " 0"}, {16, " 2"}}},
    {"\r\n\r\n 7", {{32, " 7"}}},                                  // numbers skip empty lines
    {"\r\nx", {{STR, ""}, {STR, "x"}}},                            // strings do not
    {"abc  , def  \r\nghi", {{STR, "abc"}, {STR, "def"}, {STR, "ghi"}}},
    {"\"x, y\"  , z", {{STR, "x, y"}, {STR, "z"}}},
    {"\"open", {{STR, "open"}}},
    {"1.5e3 &H10 2.5 3.5", {{SNG, " 1500"}, {16, " 16"}, {16, " 2"}, {16, " 4"}}},
    {"40000 1e39 1d300 9e18", {{16, "error 6"}, {SNG, "error 6"}, {DBL, " 1D+300"}, {64, " 9000000000000000000"}}},
    {"12abc,x", {{16, " 12"}, {STR, "x"}}},
    {"5\x1a" "6", {{16, " 5"}, {16, "error 62"}}},                  // the DOS end mark ends the file
    {"1", {{3, "error 13"}}},
  };
  for (const item_case &c : cases) {
    spit(P("i.txt"), c.text);
    open_as(P("i.txt"), gfs_input, 1);
    for (const auto &[type, want] : c.reads) {
      std::string got;
      gfs_input_begin(1);
      if (type == STR) {
        kels *s = kels_new(0, 0);
        gfs_input_value(STR, s);
        got = S(s);
        kels_free(s);
      } else {
        alignas(16) uint8_t v[16] = {};
        gfs_input_value((int32_t)type, v);
        if (type == 16) got = S(kels_str(*(int16_t *)v));
        else if (type == 32) got = S(kels_str(*(int32_t *)v));
        else if (type == 64) got = S(kels_str(*(int64_t *)v));
        else if (type == SNG) got = S(kels_str(*(float *)v));
        else got = S(kels_str(*(double *)v));
      }
      if (new_error) got = "error " + std::to_string(new_error);
      new_error = 0;
      EXPECT_EQ(got, want) << "reading " << testing::PrintToString(std::string(c.text));
    }
    sub_close(1);
  }
}

TEST_F(Files, LineInputTakesWholeLinesAndAppendAddsAtTheEnd) {
  open_as(P("l.txt"), gfs_append, 1);                 // APPEND makes a missing file
  gfs_print_to(1); str("one, \"two\""); end_line(); gfs_print_to(0);
  sub_close(1);
  spit(P("l.txt"), slurp(P("l.txt")) + "\x1a");        // a DOS end mark is written over
  sub_open_short(K("a"), 1, K(P("l.txt")), 0, 0);
  gfs_print_to(1); str("lf only"); gfs_print_to(0);
  sub_close(1);
  std::ofstream(P("l.txt"), std::ios::app) << "\n\r\nlast";
  EXPECT_EQ(slurp(P("l.txt")), "one, \"two\"\r\nlf only\n\r\nlast");
  open_as(P("l.txt"), gfs_input, 1);
  kels *s = kels_new(0, 0);
  for (const char *want : {"one, \"two\"", "lf only", "", "last"}) {
    gfs_line_input(1, s);
    EXPECT_EQ(S(s), want);
  }
  EXPECT_EQ(func_eof(1), -1);
  gfs_line_input(1, s);
  EXPECT_EQ(new_error, 62);
  kels_free(s);
}

TEST_F(Files, EofLofLocAndSeekFollowEachMode) {
  spit(P("s.txt"), std::string(300, 'q'));
  open_as(P("s.txt"), gfs_input, 1);
  EXPECT_EQ(func_lof(1), 300);
  EXPECT_EQ(func_eof(1), 0);
  EXPECT_EQ(S(func_input_str(200, 1, 1)), std::string(200, 'q'));
  EXPECT_EQ(func_loc(1), 1);                          // 128-byte blocks
  EXPECT_EQ(func_seek(1), 201);
  sub_seek(1, 300);
  EXPECT_EQ(S(func_input_str(1, 1, 1)), "q");
  EXPECT_EQ(func_eof(1), -1);

  open_as(P("r.dat"), gfs_random, 2, 10);
  for (int16_t i = 1; i <= 3; i++) gfs_put(2, i, 1, &i, 2);
  EXPECT_EQ(func_lof(2), 30);
  int16_t v = 0;
  gfs_get(2, 2, 1, &v, 2);
  EXPECT_EQ(v, 2);
  EXPECT_EQ(func_loc(2), 2);
  EXPECT_EQ(func_seek(2), 3);
  gfs_get(2, 0, 0, &v, 2);                            // the next record
  EXPECT_EQ(v, 3);
  EXPECT_EQ(func_eof(2), 0);
  gfs_get(2, 0, 0, &v, 2);
  EXPECT_EQ(func_eof(2), -1);
  EXPECT_EQ(v, 0);
  sub_seek(2, 1);
  gfs_get(2, 0, 0, &v, 2);
  EXPECT_EQ(v, 1);

  open_as(P("o.txt"), gfs_output, 3);
  gfs_print_to(3); str("12345"); gfs_print_to(0);
  EXPECT_EQ(func_lof(3), 5);                          // counted before it reaches the disk
  EXPECT_EQ(func_eof(3), -1);
  EXPECT_EQ(func_seek(3), 6);
  EXPECT_EQ(new_error, 0);
}

TEST_F(Files, BinaryGetAndPutWorkAtBytePositions) {
  open_as(P("b.bin"), gfs_binary, 1);
  kels *x = kels_new(0, 0);
  kels_set(x, K("hello"));
  gfs_put_string(1, 1, 1, x);
  gfs_put(1, 4, 1, "LO", 2);
  EXPECT_EQ(func_seek(1), 6);
  sub_seek(1, 2);
  kels_set(x, K("   "));
  gfs_get_string(1, 0, 0, x);                         // LEN(x) bytes from the position
  EXPECT_EQ(S(x), "elL");
  EXPECT_EQ(func_loc(1), 4);
  uint8_t two[2] = {9, 9};
  gfs_get(1, 0, 0, two, 2);                           // one byte left: the other is zero
  EXPECT_EQ(two[0], 'O');
  EXPECT_EQ(two[1], 0);
  EXPECT_EQ(func_eof(1), -1);
  sub_seek(1, 6);
  gfs_print_to(1); str("!"); gfs_print_to(0);         // PRINT # writes at the position
  EXPECT_EQ(new_error, 0);
  sub_close(1);
  EXPECT_EQ(slurp(P("b.bin")), "helLO!");
  kels_free(x);
}

TEST_F(Files, RandomRecordsTakeStringsAndFieldViews) {
  open_as(P("r.dat"), gfs_random, 1, 8);
  kels *s = kels_new(0, 0);
  kels_set(s, K("abc"));
  gfs_put_string(1, 1, 1, s);                         // padded with blanks to the record
  kels_set(s, K("too long!"));
  gfs_put_string(1, 2, 1, s);
  EXPECT_EQ(new_error, 59);
  new_error = 0;
  kels *a = kels_new(0, 0), *b = kels_new(0, 0);
  kels_set(a, K("old value of a"));
  gfs_field_begin(1);
  gfs_field(6, a);
  gfs_field(2, b);
  ASSERT_EQ(new_error, 0);
  kels *after = kels_new(0, 0);                       // the heap still works after the views
  kels_set(after, K("fresh"));
  gfs_get(1, 1, 1, nullptr, 0);
  EXPECT_EQ(S(a), "abc   ");
  EXPECT_EQ(S(b), "  ");
  sub_lset(a, K("Zed"));
  sub_rset(b, K("9"));
  gfs_put(1, 3, 1, nullptr, 0);
  gfs_print_to(1); str("12345678"); str("9"); gfs_print_to(0);   // PRINT # fills the buffer
  EXPECT_EQ(new_error, 50);
  new_error = 0;
  EXPECT_EQ(S(a), "123456");
  gfs_get_string(1, 3, 1, s);                         // a whole record into a string
  EXPECT_EQ(S(s), "Zed    9");
  EXPECT_EQ(S(after), "fresh");
  gfs_field_begin(1);
  gfs_field(6, a);
  gfs_field(3, b);
  EXPECT_EQ(new_error, 50);
  new_error = 0;
  EXPECT_EQ(func_lof(1), 24);
  sub_close(1);
  EXPECT_EQ(slurp(P("r.dat")), std::string("abc     ") + std::string(8, '\0') + "Zed    9");
  kels_free(s); kels_free(a); kels_free(b); kels_free(after);
}

TEST_F(Files, InputStrReadsBytesFromAFileOrKeys) {
  spit(P("k.txt"), "ab\r\ncd");
  open_as(P("k.txt"), gfs_input, 1);
  EXPECT_EQ(S(func_input_str(4, 1, 1)), "ab\r\n");
  func_input_str(3, 1, 1);
  EXPECT_EQ(new_error, 62);
  new_error = 0;
  keybuf_put('x', 0);
  keybuf_put(0, 72);                                  // an extended key: two characters
  EXPECT_EQ(S(func_input_str(3, 0, 0)), std::string("x\0H", 3));
  stop_program = 1;                                   // a closing window ends the wait
  EXPECT_THROW(func_input_str(1, 0, 0), kel_thread_end);
}

// Runs f in a child process without the right to override file permissions; returns the
// error number it left.
int as_unprivileged(const std::function<void()> &f) {
  pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(200);
    new_error = 0;
    f();
    _exit(new_error);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(Files, EachErrorHasTheDialectsNumber) {
  spit(P("e.txt"), "x");
  fs::create_directory(P("sub"));
  spit(P("sub/inner"), "");
  struct error_case { const char *what; int want; std::function<void()> run; };
  const error_case cases[] = {
    {"PRINT # to a number not open", 52, [] { gfs_print_to(9); }},
    {"a number above 255", 52, [&] { open_as(P("e.txt"), gfs_input, 256); }},
    {"EOF of a number not open", 52, [] { func_eof(3); }},
    {"INPUT of a missing file", 53, [&] { open_as(P("none.txt"), gfs_input, 1); }},
    {"KILL of a missing file", 53, [&] { sub_kill(K(P("none.txt"))); }},
    {"KILL matching nothing", 53, [&] { sub_kill(K(P("*.zzz"))); }},
    {"NAME of a missing file", 53, [&] { sub_name(K(P("none")), K(P("other"))); }},
    {"INPUT # from OUTPUT", 54, [&] { open_as(P("o.txt"), gfs_output, 1); gfs_input_begin(1); }},
    {"PRINT # to INPUT", 54, [&] { open_as(P("e.txt"), gfs_input, 1); gfs_print_to(1); }},
    {"GET from a sequential file", 54, [&] { open_as(P("e.txt"), gfs_input, 1); gfs_get(1, 1, 1, nullptr, 0); }},
    {"FIELD on BINARY", 54, [&] { open_as(P("e.txt"), gfs_binary, 1); gfs_field_begin(1); }},
    {"an unknown mode letter", 54, [&] { sub_open_short(K("X"), 1, K(P("e.txt")), 0, 0); }},
    {"a number in use", 55, [&] { open_as(P("e.txt"), gfs_input, 1); open_as(P("e.txt"), gfs_input, 1); }},
    {"OUTPUT of a file open", 55, [&] { open_as(P("e.txt"), gfs_input, 1); open_as(P("e.txt"), gfs_output, 2); }},
    {"KILL of a file open", 55, [&] { open_as(P("e.txt"), gfs_binary, 1); sub_kill(K(P("E.*"))); }},
    {"NAME onto a file", 58, [&] { spit(P("f.txt"), ""); sub_name(K(P("e.txt")), K(P("f.txt"))); }},
    {"INPUT past the end", 62, [&] { open_as(P("e.txt"), gfs_input, 1); in_str(1); in_str(1); }},
    {"GET of record 0", 63, [&] { open_as(P("r.dat"), gfs_random, 1); gfs_get(1, 0, 1, nullptr, 0); }},
    {"SEEK to 0", 63, [&] { open_as(P("e.txt"), gfs_binary, 1); sub_seek(1, 0); }},
    {"an empty name", 64, [] { open_as("", gfs_output, 1); }},
    {"a name of blanks", 64, [] { sub_kill(K("   ")); }},
    {"a NUL in a name", 64, [&] { open_as(std::string("a\0b", 3), gfs_output, 1); }},
    {"a folder as a file", 75, [&] { open_as(P("sub"), gfs_input, 1); }},
    {"MKDIR of a folder that exists", 75, [&] { sub_mkdir(K(P("sub"))); }},
    {"RMDIR of a folder with files", 75, [&] { sub_rmdir(K(P("sub"))); }},
    {"OUTPUT in a missing folder", 76, [&] { open_as(P("nodir/x.txt"), gfs_output, 1); }},
    {"CHDIR to a missing folder", 76, [&] { sub_chdir(K(P("nodir"))); }},
    {"RMDIR of a missing folder", 76, [&] { sub_rmdir(K(P("nodir"))); }},
    {"an unknown mode", 5, [&] { open_as(P("e.txt"), 9, 1); }},
    {"LEN = 0", 5, [&] { sub_open(K(P("e.txt")), gfs_random, 1, 0, 1); }},
    {"INPUT$(0)", 5, [] { func_input_str(0, 1, 1); }},
    {"PUT of more than a record", 59, [&] { open_as(P("r.dat"), gfs_random, 1, 2); gfs_put(1, 1, 1, "abc", 3); }},
  };
  for (const error_case &c : cases) {
    new_error = 0;
    c.run();
    EXPECT_EQ(new_error, c.want) << c.what;
    new_error = 0;
    sub_close_all();
  }
  EXPECT_EQ(slurp(P("e.txt")), "x");

  // Refused by the host's permissions: 70, with the file left as it was.
  chmod(dir.c_str(), 0777);
  chmod(P("e.txt").c_str(), 0444);
  chmod(P("sub").c_str(), 0555);
  EXPECT_EQ(as_unprivileged([&] { open_as(P("e.txt"), gfs_output, 1); }), 70);
  EXPECT_EQ(as_unprivileged([&] { sub_mkdir(K(P("sub/new"))); }), 70);
  EXPECT_EQ(slurp(P("e.txt")), "x");
  EXPECT_FALSE(fs::exists(P("sub/new")));
  chmod(P("sub").c_str(), 0755);
}

TEST_F(Files, AFullDiskIsReportedAndAFailedOpenTruncatesNothing) {
  spit(P("keep.txt"), "precious");
  open_as(P("keep.txt"), gfs_input, 1);
  open_as(P("keep.txt"), gfs_output, 2);              // already open: refused before any change
  EXPECT_EQ(new_error, 55);
  new_error = 0;
  open_as(P("other.txt"), gfs_output, 1);             // number in use
  EXPECT_EQ(new_error, 55);
  new_error = 0;
  EXPECT_FALSE(fs::exists(P("other.txt")));
  sub_close_all();
  EXPECT_EQ(slurp(P("keep.txt")), "precious");

  // A file size limit stands in for a full disk (the host says EFBIG instead of ENOSPC).
  rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  auto old_handler = signal(SIGXFSZ, SIG_IGN);
  rlimit small = {100, old.rlim_max};
  setrlimit(RLIMIT_FSIZE, &small);
  open_as(P("big.txt"), gfs_output, 1);
  gfs_print_to(1); str(std::string(300, 'z').c_str()); end_line(); gfs_print_to(0);
  sub_close(1);
  int got = new_error;
  new_error = 0;
  // Records held in the window: the error comes when they are written, at the latest at CLOSE,
  // or at the program's end, which names the file.
  open_as(P("recs.dat"), gfs_random, 1, 64);
  for (int32_t i = 1; i <= 4 && !new_error; i++) gfs_put(1, i, 1, &i, 4);
  if (!new_error) sub_close(1);
  int got_close = new_error;
  new_error = 0;
  open_as(P("recs2.dat"), gfs_random, 2, 64);
  for (int32_t i = 1; i <= 4 && !new_error; i++) gfs_put(2, i, 1, &i, 4);
  int put_error = new_error;
  new_error = 0;
  bool complete = gfs_close_all_at_end();
  new_error = 0;
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, old_handler);
  EXPECT_EQ(got, 61);
  EXPECT_EQ(got_close, 61);
  EXPECT_EQ(put_error, 0);
  EXPECT_FALSE(complete);
  EXPECT_EQ(func_freefile(), 1);                      // closed even so
}

// Numbers open on one host file see each other's work whatever each buffers: writes land in
// the order the program made them, and reads, LOF and read-ahead see the latest writes.
TEST_F(Files, NumbersOpenOnOneFileSeeEachOthersWrites) {
  struct coherence_case {
    const char *what, *before;
    std::function<void(const std::string &)> run;
    std::string after;
  };
  const coherence_case cases[] = {
    {"a PUT through #2 after PRINT # through #1 is not written over at #1's CLOSE", "",
     [](const std::string &p) {
       open_as(p, gfs_binary, 1); open_as(p, gfs_binary, 2);
       gfs_print_to(1); str("AAAA"); gfs_print_to(0);
       gfs_put(2, 1, 1, "BB", 2);
       sub_close(2); sub_close(1);
     }, "BBAA"},
    {"two PRINT #s land in program order whichever number closes first", "",
     [](const std::string &p) {
       open_as(p, gfs_binary, 1); open_as(p, gfs_binary, 2);
       gfs_print_to(1); str("AAAA"); gfs_print_to(0);
       gfs_print_to(2); str("BB"); gfs_print_to(0);
       sub_close(2); sub_close(1);
     }, "BBAA"},
    {"LINE INPUT # after a PUT through another number reads the new bytes", "line1\r\nline2\r\n",
     [](const std::string &p) {
       open_as(p, gfs_input, 1);
       kels *s = kels_new(0, 0);
       gfs_line_input(1, s);
       EXPECT_EQ(S(s), "line1");
       open_as(p, gfs_binary, 2);
       gfs_put(2, 8, 1, "LINE", 4);
       gfs_line_input(1, s);
       EXPECT_EQ(S(s), "LINE2");
       kels_free(s);
     }, "line1\r\nLINE2\r\n"},
    {"GET and LOF through #2 see what #1 still buffers", "",
     [](const std::string &p) {
       open_as(p, gfs_binary, 1); open_as(p, gfs_binary, 2);
       gfs_print_to(1); str("XYZ"); gfs_print_to(0);
       EXPECT_EQ(func_lof(2), 3);
       char got[4] = {};
       gfs_get(2, 1, 1, got, 3);
       EXPECT_STREQ(got, "XYZ");
     }, "XYZ"},
  };
  int k = 0;
  for (const coherence_case &c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = P("same" + std::to_string(k++) + ".dat");
    spit(path, c.before);
    c.run(path);
    EXPECT_EQ(new_error, 0);
    sub_close_all();
    EXPECT_EQ(slurp(path), c.after);
  }
}

// Each number keeps a window of its file in memory. Whatever one number holds unwritten, the
// others on the same host file read it; a number that read ahead sees the others' later writes.
TEST_F(Files, RecordsHeldByOneNumberAreSeenThroughEveryOther) {
  struct window_case {
    const char *what;
    std::function<void(const std::string &)> run;
    std::string after;
  };
  const window_case cases[] = {
    {"GET through #2 finds the records #1 has put",
     [](const std::string &p) {
       open_as(p, gfs_random, 1, 4); open_as(p, gfs_random, 2, 4);
       gfs_put(1, 1, 1, "rec1", 4); gfs_put(1, 2, 1, "rec2", 4);
       char got[5] = {};
       gfs_get(2, 2, 1, got, 4);
       EXPECT_STREQ(got, "rec2");
       EXPECT_EQ(func_eof(2), 0);
       EXPECT_EQ(func_lof(2), 8);
     }, "rec1rec2"},
    {"a number that read a record reads it again after another number put it anew",
     [](const std::string &p) {
       open_as(p, gfs_random, 1, 4);
       for (int i = 1; i <= 3; i++) gfs_put(1, i, 1, "old.", 4);
       char got[5] = {};
       gfs_get(1, 1, 1, got, 4);                       // #1's window now holds all three
       open_as(p, gfs_random, 2, 4);
       gfs_put(2, 3, 1, "new!", 4);                     // held by #2
       gfs_get(1, 3, 1, got, 4);
       EXPECT_STREQ(got, "new!");
       gfs_put(1, 2, 1, "mid.", 4);                     // held by #1, over what #2 read
       gfs_get(2, 2, 1, got, 4);
       EXPECT_STREQ(got, "mid.");
     }, "old.mid.new!"},
    {"LINE INPUT # and EOF through an INPUT number see records put through another",
     [](const std::string &p) {
       open_as(p, gfs_random, 1, 6);
       gfs_put(1, 1, 1, "line1\n", 6);
       open_as(p, gfs_input, 2);
       kels *s = kels_new(0, 0);
       gfs_line_input(2, s);
       EXPECT_EQ(S(s), "line1");
       EXPECT_EQ(func_eof(2), -1);
       gfs_put(1, 2, 1, "line2\n", 6);                  // the file grows after #2 met its end
       EXPECT_EQ(func_eof(2), 0);
       gfs_line_input(2, s);
       EXPECT_EQ(S(s), "line2");
       kels_free(s);
     }, "line1\nline2\n"},
    {"the last PUT wins whichever number closes first",
     [](const std::string &p) {
       open_as(p, gfs_random, 1, 2); open_as(p, gfs_random, 2, 2);
       gfs_put(1, 1, 1, "aa", 2); gfs_put(2, 1, 1, "bb", 2); gfs_put(1, 2, 1, "cc", 2);
       sub_close(1); sub_close(2);
     }, "bbcc"},
  };
  int k = 0;
  for (const window_case &c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = P("window" + std::to_string(k++) + ".dat");
    c.run(path);
    EXPECT_EQ(new_error, 0);
    sub_close_all();
    EXPECT_EQ(slurp(path), c.after);
  }
}

// Records of 100 bytes do not divide the window, so some lie across its edge; they are put and
// got back in order, backwards and by jumps, and updated in between.
TEST_F(Files, RecordsAcrossTheWindowsEdgeComeBackInAnyOrder) {
  constexpr int n = 2000, len = 100;
  auto record = [](int i, char tag) {
    std::string r(len, tag);
    std::string id = std::to_string(i);
    r.replace(0, id.size(), id);
    r[len - 1] = (char)('a' + i % 26);
    return r;
  };
  std::string expect;
  open_as(P("many.dat"), gfs_random, 1, len);
  for (int i = 1; i <= n; i++) {
    std::string r = record(i, '.');
    gfs_put(1, i, 1, r.data(), len);
    expect += r;
  }
  std::vector<int> order;
  for (int i = 1; i <= n; i++) order.push_back(i);
  for (int i = n; i >= 1; i--) order.push_back(i);
  for (int i = 0; i < n; i++) order.push_back(1 + (i * 787) % n);
  std::string got(len, '\0');
  int wrong = 0;
  for (size_t k = 0; k < order.size(); k++) {
    int i = order[k];
    gfs_get(1, i, 1, got.data(), len);
    if (got != expect.substr((size_t)(i - 1) * len, len)) wrong++;
    if (k % 3 == 0) {                                  // every third record read is updated
      std::string r = record(i, (char)('A' + k % 26));
      gfs_put(1, i, 1, r.data(), len);
      expect.replace((size_t)(i - 1) * len, len, r);
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(func_lof(1), n * len);
  EXPECT_EQ(new_error, 0);
  sub_close(1);
  EXPECT_EQ(slurp(P("many.dat")), expect);
}

// The positions count records the window holds but the host does not have yet; a last record
// the file has only part of comes back with zeros after the part and sets EOF.
TEST_F(Files, PositionsCountHeldRecordsAndAPartialLastRecordEndsTheFile) {
  open_as(P("pos.dat"), gfs_random, 1, 8);
  for (int32_t i = 1; i <= 10; i++) gfs_put(1, i, 1, &i, 4);
  EXPECT_EQ(fs::file_size(P("pos.dat")), 0u);         // all held
  EXPECT_EQ(func_lof(1), 80);
  EXPECT_EQ(func_loc(1), 10);
  EXPECT_EQ(func_seek(1), 11);
  int32_t v = -1;
  gfs_get(1, 0, 0, &v, 4);                             // the next record: past the end
  EXPECT_EQ(v, 0);
  EXPECT_EQ(func_eof(1), -1);
  gfs_get(1, 10, 1, &v, 4);
  EXPECT_EQ(v, 10);
  EXPECT_EQ(func_eof(1), 0);
  sub_close(1);
  EXPECT_EQ(fs::file_size(P("pos.dat")), 80u);

  spit(P("part.dat"), "12345678ABC");                  // the second record has 3 of its 8 bytes
  open_as(P("part.dat"), gfs_random, 2, 8);
  char rec[8];
  std::memset(rec, 'x', sizeof rec);
  gfs_get(2, 2, 1, rec, 8);
  EXPECT_EQ(std::string(rec, 8), std::string("ABC") + std::string(5, '\0'));
  EXPECT_EQ(func_eof(2), -1);
  gfs_get(2, 1, 1, rec, 8);
  EXPECT_EQ(std::string(rec, 8), "12345678");
  EXPECT_EQ(func_eof(2), 0);
  gfs_get(2, 2, 1, rec, 8);                            // again, from the window
  EXPECT_EQ(func_eof(2), -1);
  gfs_put(2, 2, 1, "abcdefgh", 8);                     // completed in the window
  gfs_get(2, 2, 1, rec, 8);
  EXPECT_EQ(std::string(rec, 8), "abcdefgh");
  EXPECT_EQ(func_eof(2), 0);
  EXPECT_EQ(func_lof(2), 16);
  gfs_put(2, 4, 1, "gap!gap!", 8);                     // past the end: the gap reads as zeros
  gfs_get(2, 3, 1, rec, 8);
  EXPECT_EQ(std::string(rec, 8), std::string(8, '\0'));
  EXPECT_EQ(func_eof(2), 0);
  EXPECT_EQ(new_error, 0);
  sub_close(2);
  EXPECT_EQ(slurp(P("part.dat")), "12345678abcdefgh" + std::string(8, '\0') + "gap!gap!");
}

// LINE INPUT # takes lines of any length, across the window's edge and longer than the window,
// ended by CR LF, CR or LF; in INPUT mode byte 26 ends the file, in BINARY it is a character.
// PRINT #'s zones count from the last line end inside an item.
TEST_F(Files, LinesOfAnyLengthAndEveryLineEnd) {
  std::vector<std::string> lines;
  std::string text;
  const char *ends[] = {"\r\n", "\n", "\r"};
  for (int i = 0; i < 3000; i++) {
    std::string line(size_t(i * 37 % 101), (char)('a' + i % 26));
    if (i == 1500) line = std::string(150000, 'L');
    lines.push_back(line);
    text += line + ends[i % 3];
  }
  spit(P("lines.txt"), text + "last" + char(26) + "hidden\r\n");
  open_as(P("lines.txt"), gfs_input, 1);
  kels *s = kels_new(0, 0);
  int wrong = 0;
  for (const std::string &line : lines) {
    gfs_line_input(1, s);
    wrong += S(s) != line;
  }
  EXPECT_EQ(wrong, 0);
  gfs_line_input(1, s);
  EXPECT_EQ(S(s), "last");
  EXPECT_EQ(func_eof(1), -1);
  gfs_line_input(1, s);
  EXPECT_EQ(new_error, 62);
  new_error = 0;
  sub_close(1);

  open_as(P("lines.txt"), gfs_binary, 2);
  sub_seek(2, (int32_t)text.size() + 1);
  gfs_line_input(2, s);
  EXPECT_EQ(S(s), "last" + std::string(1, char(26)) + "hidden");
  EXPECT_EQ(func_eof(2), 0);
  sub_close(2);
  kels_free(s);

  open_as(P("zones.txt"), gfs_output, 3);
  gfs_print_to(3);
  str(std::string(70000, 'x').c_str()); tab(); str("ab\r\ncd"); tab(); str("|"); end_line();
  gfs_print_to(0);
  sub_close(3);
  EXPECT_EQ(new_error, 0);
  EXPECT_EQ(slurp(P("zones.txt")), std::string(70000, 'x') + std::string(14, ' ') + "ab\r\ncd" +
                                       std::string(12, ' ') + "|\r\n");
}

// A transfer bigger than half the window goes straight to or from the host, in program order
// with what the window holds unwritten.
TEST_F(Files, BigTransfersKeepProgramOrderWithHeldBytes) {
  std::string big(40000, 'B');
  open_as(P("big.bin"), gfs_binary, 1);
  gfs_put(1, 1, 1, "AAAA", 4);                         // held
  gfs_put(1, 3, 1, big.data(), (uint32_t)big.size());  // straight to the host, over the last two
  char four[5] = {};
  gfs_get(1, 1, 1, four, 4);
  EXPECT_STREQ(four, "AABB");
  gfs_put(1, 40000, 1, "cc", 2);                       // held again, over the big one's end
  std::string back(40002, '\0');
  gfs_get(1, 1, 1, back.data(), (uint32_t)back.size());
  EXPECT_EQ(back, "AA" + std::string(39997, 'B') + "cc" + "B");
  EXPECT_EQ(func_lof(1), 40002);
  EXPECT_EQ(new_error, 0);
  sub_close(1);
  EXPECT_EQ(slurp(P("big.bin")), back);
}

// SHELL's command and BLOAD read the files as the program left them, though the numbers still
// hold their bytes; after SHELL the program reads what the command changed.
TEST_F(Files, ShellAndBloadSeeWhatTheNumbersStillHold) {
  open_as(P("text.txt"), gfs_output, 1);
  gfs_print_to(1); str("held line"); end_line(); gfs_print_to(0);
  open_as(P("recs.dat"), gfs_random, 2, 4);
  gfs_put(2, 1, 1, "r001", 4); gfs_put(2, 2, 1, "r002", 4);
  char got[5] = {};
  gfs_get(2, 1, 1, got, 4);
  std::string cmd = "cat '" + P("text.txt") + "' '" + P("recs.dat") + "' > '" + P("copy.txt") +
                    "' && printf NEW1 > '" + P("recs.dat") + "'";
  sub_shell(K(cmd), 1);
  ASSERT_EQ(new_error, 0);
  EXPECT_EQ(slurp(P("copy.txt")), "held line\r\nr001r002");
  gfs_get(2, 1, 1, got, 4);
  EXPECT_STREQ(got, "NEW1");
  gfs_get(2, 2, 1, got, 4);
  EXPECT_EQ(func_eof(2), -1);                          // the command cut the file to one record

  const uint8_t image[] = {0xFD, 0, 0, 0x00, 0x07, 2, 0, 'o', 'k'};   // BSAVE of 0000:0700, 2 bytes
  open_as(P("img.bin"), gfs_binary, 3);
  gfs_put(3, 1, 1, image, sizeof image);
  sub_defseg(0, 1);
  sub_bload(K(P("img.bin")), 0x700, 1);
  EXPECT_EQ(new_error, 0);
  EXPECT_EQ(func_peek(0x700), 'o');
  EXPECT_EQ(func_peek(0x701), 'k');
  sub_defseg(0, 0);
}

// CHAIN keeps the files open and writes out what they hold: the next program finds it on the
// disk, and goes on with the same numbers.
std::string chained_saw;
TEST_F(Files, ChainWritesOutWhatTheOpenFilesHold) {
  static std::string path;
  path = P("chain.dat");
  static const kb_module table[] = {
    {"FIRST.BAS", [](uint32_t, int32_t) {
       open_as(path, gfs_random, 1, 4);
       gfs_put(1, 1, 1, "held", 4);
       kb_chain(1);
     }},
    {"NEXT.BAS", [](uint32_t, int32_t) {
       chained_saw = slurp(path);
       gfs_put(1, 2, 1, "more", 4);
     }},
  };
  chained_saw.clear();
  kb_run_modules(table, 2);
  EXPECT_EQ(chained_saw, "held");
  EXPECT_EQ(new_error, 0);
  sub_close(1);
  EXPECT_EQ(slurp(path), "heldmore");
}

// Bytes of address space the process has mapped now.
uint64_t mapped_bytes() {
  std::ifstream statm("/proc/self/statm");
  uint64_t pages = 0;
  statm >> pages;
  return pages * (uint64_t)sysconf(_SC_PAGESIZE);
}

// A read that would build a string past what memory allows is the dialect's error (7, or 14
// when the string heap cannot take the string), never an abort, and another open file still
// keeps its data. Each way a file read grows a string runs in a child whose address space is
// limited to a little more than it has.
TEST_F(Files, AStringReadPastMemoryIsAnErrorNotAnAbort) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers' allocators do not run under an address-space limit";
#endif
  { std::ofstream create(P("huge.txt")); }
  fs::resize_file(P("huge.txt"), 256u << 20);          // sparse: 256 MB of zero bytes, no separator
  const std::pair<const char *, std::function<void()>> reads[] = {
    {"LINE INPUT #", [] { gfs_line_input(2, kels_new(0, 0)); }},
    {"INPUT # into a string", [] { in_str(2); }},
    {"INPUT # into a number", [] { double v; gfs_input_begin(2); gfs_input_value(DBL, &v); }},
  };
  for (const auto &[what, read] : reads) {
    SCOPED_TRACE(what);
    fs::remove(P("other.txt"));
    pid_t pid = fork();
    if (pid == 0) {
      open_as(P("other.txt"), gfs_output, 1);
      gfs_print_to(1); str("kept"); end_line(); gfs_print_to(0);
      open_as(P("huge.txt"), gfs_input, 2);
      rlimit old;
      getrlimit(RLIMIT_AS, &old);
      rlimit small = {mapped_bytes() + (96u << 20), old.rlim_max};
      if (new_error || setrlimit(RLIMIT_AS, &small) != 0) _exit(200);
      try {
        read();
      } catch (...) {
        _exit(250);                                    // in a program: an abort, the files lost
      }
      int got = new_error;
      new_error = 0;
      sub_close_all();
      _exit(got);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_TRUE(WEXITSTATUS(status) == 7 || WEXITSTATUS(status) == 14) << "error " << WEXITSTATUS(status);
    EXPECT_EQ(slurp(P("other.txt")), "kept\r\n");
  }
}

// The printer file: KEL_LPT1 names it, it is appended to, each LPRINT is in it at once, lines
// wrap at the printer's width, "LPT1:" and "PRN" open it for output only, and the program may
// read it while it is the printer.
TEST_F(Files, PrinterAppendsToItsFileAndWrapsAtItsWidth) {
  gfs_printer_close();
  spit(P("lpt.txt"), "old\r\n");
  ASSERT_EQ(setenv("KEL_LPT1", P("lpt.txt").c_str(), 1), 0);
  EXPECT_EQ(func_lpos(0), 1);
  gfs_print_to_printer(); str("abc"); gfs_print_to(0);
  EXPECT_EQ(func_lpos(0), 4);
  EXPECT_EQ(slurp(P("lpt.txt")), "old\r\nabc");
  gfs_print_to_printer(); end_line(); gfs_print_to(0);
  sub_width_printer(5);
  gfs_print_to_printer(); str("12345678"); str("ab"); str("c"); end_line(); gfs_print_to(0);
  open_as("lpt1:", gfs_output, 1);
  ASSERT_EQ(new_error, 0);
  gfs_print_to(1); str("#1"); str("four"); end_line(); gfs_print_to(0);
  sub_close(1);
  EXPECT_EQ(slurp(P("lpt.txt")), "old\r\nabc\r\n12345\r\n678ab\r\nc\r\n#1\r\nfour\r\n");
  open_as(P("lpt.txt"), gfs_input, 3);
  EXPECT_EQ(new_error, 0);
  struct { std::function<void()> f; int err; } bad[] = {
      {[] { sub_open(K("PRN"), gfs_input, 2, 0, 0); }, 54},
      {[] { sub_width_printer(0); }, 5},
      {[] { sub_width_printer(256); }, 5},
      {[] { sub_width_device(K("COM1:"), 10); }, 64},
      {[] { sub_width_file(9, 10); }, 52},
  };
  for (auto &b : bad) {
    new_error = 0;
    b.f();
    EXPECT_EQ(new_error, b.err);
  }
  new_error = 0;
  gfs_printer_close();
  sub_width_printer(80);
  unsetenv("KEL_LPT1");
}

TEST_F(Files, OutputIsFlushedWhenClearClosesEverything) {
  open_as(P("c.txt"), gfs_output, 4);
  gfs_print_to(4); str("kept"); end_line(); gfs_print_to(0);
  EXPECT_EQ(slurp(P("c.txt")), "");                   // still buffered
  EXPECT_EQ(func_freefile(), 1);
  sub_clear();
  EXPECT_EQ(slurp(P("c.txt")), "kept\r\n");
  func_eof(4);
  EXPECT_EQ(new_error, 52);
}

TEST_F(Files, FolderStatementsKillAndName) {
  sub_mkdir(K(P("Sub")));
  sub_chdir(K(P("sub")));                             // names ignore case when not found as written
  open_as("Data.TXT", gfs_output, 1);                 // relative to the current folder
  gfs_print_to(1); str("d"); gfs_print_to(0);
  sub_close(1);
  EXPECT_TRUE(fs::exists(P("Sub/Data.TXT")));
  open_as("..\\SUB\\data.txt", gfs_input, 1);        // backslashes separate folders
  EXPECT_EQ(in_str(1), "d");
  sub_close(1);
  for (const char *n : {"a.tmp", "b.TMP", "c.txt", "noext", ".hidden.tmp"}) spit(P(std::string("Sub/") + n), "");
  sub_kill(K("*.tmp"));
  sub_kill(K("noext.*"));                             // X.* takes X too
  std::vector<std::string> left;
  for (const auto &e : fs::directory_iterator(P("Sub"))) left.push_back(e.path().filename());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{".hidden.tmp", "Data.TXT", "c.txt"}));
  sub_name(K("c.txt"), K("../moved.txt"));
  EXPECT_TRUE(fs::exists(P("moved.txt")));
  sub_chdir(K(".."));
  sub_kill(K("sub/*.*"));
  sub_kill(K("sub/.hidden.tmp"));
  sub_rmdir(K("SUB"));
  EXPECT_EQ(new_error, 0);
  EXPECT_FALSE(fs::exists(P("Sub")));
}

TEST_F(Files, FilesListsMatchingNamesOnTheScreen) {
  spit(P("alpha.txt"), "");
  spit(P("beta.dat"), "");
  fs::create_directory(P("gamma.txt"));
  sub_files(K(P("*.TXT")), 1);
  ASSERT_EQ(new_error, 0);
  auto row = [](int r) {
    std::string out;
    for (int c = 1; c <= img_columns(write_page); c++) out += (char)text_match_cell(write_page, r, c);
    return out.erase(out.find_last_not_of(' ') + 1);
  };
  EXPECT_EQ(row(1), fs::canonical(dir).string());
  EXPECT_EQ(row(2), "alpha.txt         gamma.txt<DIR>");
  EXPECT_NE(row(3).find(" Bytes free"), std::string::npos) << row(3);
  sub_files(K(P("*.none")), 1);
  EXPECT_EQ(new_error, 53);
}

}  // namespace

}  // namespace files_test
