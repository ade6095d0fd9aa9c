// Runs a built program under a KEL_SCRIPT with SDL's dummy drivers and reports how it ended.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct program_result {
  int status = -1;           // exit status, or -1 when killed at the deadline
  std::string err;           // what it wrote to standard error
};

// Writes the script to a fresh directory, runs the program from there (so relative
// dump names land in it) and waits at most deadline_s seconds.
program_result run_program(const std::string &program, const std::string &script, int deadline_s = 60);
// The same with extra NAME=VALUE environment entries, set after (and so overriding) the
// dummy drivers. A translated program changes to its own directory as it starts, so
// paths in them should be absolute.
program_result run_program(const std::string &program, const std::string &script,
                           const std::vector<std::string> &env, int deadline_s = 60);
std::string scratch_dir();   // the directory of the last run
// A fresh directory under /tmp for this test case; every one is removed when the case ends
// (kept when KEL_KEEP_SCRATCH is set, to look at after a failure).
std::string make_scratch_dir();
void remove_scratch_dirs();
std::string read_file(const std::string &path);
// Text split into lines with the trailing blanks of each removed, as rows of a screen dump.
std::vector<std::string> trimmed_lines(const std::string &text);
// A file the last run wrote into its directory, as trimmed_lines.
std::vector<std::string> scratch_lines(const std::string &name);
// The 0x00RRGGBB pixel at (x, y) of a 24-bit bottom-up BMP as the script writes it;
// 0xFFFFFFFF outside the picture.
uint32_t bmp_pixel(const std::string &bmp, int x, int y);
// Line r (from 1) of such lines; "" past the end.
std::string line_at(const std::vector<std::string> &lines, size_t r);

// A program driven while it runs: KEL_SCRIPT names a FIFO, so each command sent is run as it
// arrives and the test can choose its next keys from what a dump shows.
class program_session {
 public:
  program_session(const std::string &program, const std::vector<std::string> &env = {},
                  const std::vector<std::string> &args = {});
  ~program_session();                        // kills the program if it still runs
  bool started() const { return fifo_fd >= 0; }
  bool send(const std::string &commands);    // one or more script lines; false once it has ended
  // A text dump of the visible page, one UTF-8 string per row (row 1 first); empty when the
  // program ended or the dump did not come within timeout_ms.
  std::vector<std::string> screen(int timeout_ms = 30000);
  // A snapshot of the window as a .bmp, its path; empty on failure.
  std::string snapshot(int timeout_ms = 30000);
  // Waits until the program's standard error holds the text (a message box writes its caption
  // and text there before it shows); false when the program ended or timeout_ms passed.
  bool await_stderr(const std::string &text, int timeout_ms = 30000);
  // Closes the FIFO (the script ends) and waits for the program to exit.
  program_result finish(int deadline_s);
  const std::string &dir() const { return work_dir; }
  long process() const { return pid; }       // the program's process id

 private:
  bool await_marker(const std::string &marker, int timeout_ms);
  bool exited();
  std::string work_dir;
  int fifo_fd = -1, dumps = 0, wstatus = 0;
  long pid = -1;
  bool reaped = false;
};

// True when some row holds the text.
bool shows(const std::vector<std::string> &rows, const std::string &text);
// Polls the screen until some row holds the text; false when the program ended or timeout_s
// passed (generous by default: it returns as soon as the text shows).
bool wait_for_text(program_session &s, const std::string &text, int timeout_s = 120);
