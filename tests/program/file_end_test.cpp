// A program that ends (END, SYSTEM, a closed window) with a file it could not complete says
// so: standard error names the file and the exit status is 61, never a quiet 0.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>
#include "program_runner.h"

namespace file_end_test {

namespace {

const std::string fileend = std::string(KEL_BUILD_DIR) + "/tests/bas/fileend";

}  // namespace

TEST(FileEnd, AFileCutShortAtTheEndIsNamedAndTheStatusIs61) {
  for (const char *how : {"end", "system", "close"}) {
    SCOPED_TRACE(how);
    // A file size limit stands in for a full disk: the host writes 4,096 of the 6,002 bytes
    // and then refuses (EFBIG, with SIGXFSZ ignored), as a full disk refuses with ENOSPC.
    // The program inherits both; the test's own files stay small.
    rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    auto old_handler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = {4096, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    char tmpl[] = "/tmp/kelfileendXXXXXX";
    std::string data_dir = mkdtemp(tmpl), file = data_dir + "/full.txt";
    program_session s(fileend, {}, {how, file});
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, old_handler);
    ASSERT_TRUE(s.started());
    bool written = false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!written && std::chrono::steady_clock::now() < deadline) {
      auto rows = s.screen();
      ASSERT_FALSE(rows.empty()) << "the program ended early";
      written = shows(rows, std::string("written ") + how);
    }
    ASSERT_TRUE(written);
    if (std::string(how) == "close") {
      s.send("close");
    } else {
      // A key for INPUT$; END then drops keys that came before its "Press any key", so a key
      // every 100 ms until the program has ended.
      auto stop = std::chrono::steady_clock::now() + std::chrono::seconds(30);
      while (std::chrono::steady_clock::now() < stop && s.send("key Enter"))
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    program_result r = s.finish(30);
    EXPECT_EQ(r.status, 61) << r.err;
    EXPECT_NE(r.err.find(file + ": Disk full (error 61)"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(file).size(), 4096u);
    EXPECT_EQ(read_file(file + ".ok"), "fine\r\n");  // the other file is complete
    std::filesystem::remove_all(data_dir);
    std::filesystem::remove_all(s.dir());
  }
}

}  // namespace file_end_test
