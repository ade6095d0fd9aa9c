// The dialect's acceptance programs: each tests/dialect/NAME.bas is compiled with kelc and run
// under a script, and its screen at the final END is compared with NAME.txt. A program whose
// first line is "' expect-status: N" is checked by its exit status instead: it must end by
// itself, without END's "Press any key". Programs named in tests/dialect/PENDING (one name a
// line) are skipped, and so are programs whose names start with "_": they are only run by others
// (CHAIN, RUN), which kelc builds them with.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include "program_runner.h"

namespace dialect_test {

namespace fs = std::filesystem;

static const std::string dialect_dir = std::string(KEL_SOURCE_DIR) + "/tests/dialect";

static std::vector<std::string> dialect_programs() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto &e : fs::directory_iterator(dialect_dir, ec))
    if (e.path().extension() == ".bas" && e.path().stem().string()[0] != '_') names.push_back(e.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

static std::set<std::string> pending_programs() {
  std::set<std::string> names;
  for (std::string l : trimmed_lines(read_file(dialect_dir + "/PENDING"))) {
    l.erase(0, l.find_first_not_of(" \t"));
    if (!l.empty() && l[0] != '#') names.insert(l);
  }
  return names;
}

// The status named by a first line "' expect-status: N", or -1 when the screen is checked.
static int expected_status(const std::string &source) {
  const std::string tag = "' expect-status:";
  std::string first = source.substr(0, source.find('\n'));
  if (first.compare(0, tag.size(), tag) != 0) return -1;
  return std::atoi(first.c_str() + tag.size());
}

// Rows without the trailing blank ones.
static std::vector<std::string> without_blank_tail(std::vector<std::string> rows) {
  while (!rows.empty() && rows.back().empty()) rows.pop_back();
  return rows;
}

// Expected and actual rows next to each other; rows that differ are marked with '*'.
static std::string side_by_side(const std::vector<std::string> &want, const std::vector<std::string> &got) {
  size_t width = 8;
  for (const std::string &w : want) width = std::max(width, w.size());
  std::ostringstream out;
  out << "    row " << std::string("expected").append(width - 8, ' ') << " | actual\n";
  for (size_t r = 1; r <= std::max(want.size(), got.size()); r++) {
    std::string w = line_at(want, r), g = line_at(got, r);
    char row[16];
    std::snprintf(row, sizeof row, "%c %5zu ", w == g ? ' ' : '*', r);
    out << row << w << std::string(width - w.size(), ' ') << " | " << g << "\n";
  }
  return out.str();
}

// Runs a shell command; its output (standard error included) and exit status.
static int run_command(const std::string &command, std::string *output) {
  FILE *p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return -1;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) output->append(buf, n);
  int st = pclose(p);
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

class DialectProgram : public testing::TestWithParam<std::string> {
 protected:
  void TearDown() override {
    std::error_code ec;
    if (!build_dir.empty()) fs::remove_all(build_dir, ec);
    if (!run_dir.empty()) fs::remove_all(run_dir, ec);
  }
  std::string build_dir, run_dir;
};

TEST_P(DialectProgram, MatchesExpected) {
  const std::string name = GetParam();
  // KEL_DIALECT_ALL=1 runs the pending ones too, to see how far the translator has come.
  if (!std::getenv("KEL_DIALECT_ALL") && pending_programs().count(name))
    GTEST_SKIP() << name << " is listed in tests/dialect/PENDING";
  const std::string source = dialect_dir + "/" + name + ".bas";
  const int status = expected_status(read_file(source));

  char tmpl[] = "/tmp/keldialectXXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  build_dir = tmpl;
  const std::string program = build_dir + "/" + name;
  std::string compiler_output;
  int rc = run_command("'" KEL_BUILD_DIR "/kelc' '" + source + "' -o '" + program + "'", &compiler_output);
  if (rc != 0) FAIL() << "kelc failed (status " << rc << ") on " << name << ".bas:\n" << compiler_output;
  // The C++ the translator writes compiles without a word from the compiler.
  EXPECT_EQ(compiler_output.find("warning"), std::string::npos) << name << ".bas:\n" << compiler_output;

  if (status >= 0) {
    // Ending at END's prompt is a failure too: the script then dumps the screen and closes.
    auto res = run_program(program,
                           "until 25 1 60000 Press any key to continue\n"
                           "text waited.txt\n"
                           "close\n",
                           120);
    run_dir = scratch_dir();
    if (fs::exists(run_dir + "/waited.txt")) {
      std::string screen;
      for (const std::string &row : without_blank_tail(scratch_lines("waited.txt"))) screen += row + "\n";
      ADD_FAILURE() << name << " waited for a key at the end instead of ending; its screen:\n" << screen;
    }
    EXPECT_EQ(res.status, status) << name << " (-1: killed at the deadline)\n" << res.err;
    return;
  }

  auto res = run_program(program,
                         "until 25 1 60000 Press any key to continue\n"
                         "text out.txt\n"
                         "key x\n",
                         120);
  run_dir = scratch_dir();
  ASSERT_EQ(res.status, 0) << name << " did not reach END as expected (-1: killed at the deadline)\n"
                           << res.err;
  std::vector<std::string> dump = scratch_lines("out.txt");
  ASSERT_EQ(line_at(dump, 25), "Press any key to continue") << name;
  dump.resize(24);
  std::vector<std::string> got = without_blank_tail(dump);
  std::vector<std::string> want = without_blank_tail(trimmed_lines(read_file(dialect_dir + "/" + name + ".txt")));
  ASSERT_FALSE(want.empty()) << name << ".txt is missing or empty";
  EXPECT_TRUE(want == got) << name << ": the screen at END differs\n" << side_by_side(want, got);
}

INSTANTIATE_TEST_SUITE_P(Dialect, DialectProgram, testing::ValuesIn(dialect_programs()),
                         [](const testing::TestParamInfo<std::string> &info) {
                           std::string id = info.param;   // test names take letters, digits and '_'
                           for (char &c : id)
                             if (!std::isalnum((unsigned char)c)) c = '_';
                           return id;
                         });

}  // namespace dialect_test
