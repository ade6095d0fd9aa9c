// The script reader, the code page 437 table of the text dump, and the image writers.
#include <csignal>
#include <gtest/gtest.h>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include "platform.h"
#include "script.h"
#include "golden.h"
#include "test_support.h"

namespace script_test {

TEST(Script, ReadsEveryCommand) {
  std::vector<script_command> cmds;
  std::string msg;
  ASSERT_TRUE(script_parse("# a comment\n\nwait 250\nkey Alt+Enter\nkey Down 3\nkey A\n"
                           "type Hello, world\nuntil 25 1 5000   Press\ntext out.txt\nsnap s.png\nclose\nasleep 700\n",
                           &cmds, &msg)) << msg;
  ASSERT_EQ(cmds.size(), 10u);
  EXPECT_EQ(cmds[0].kind, script_command::wait);
  EXPECT_EQ(cmds[0].ms, 250);
  EXPECT_EQ(cmds[1].sym, 13u);
  EXPECT_EQ(cmds[1].mod, (unsigned)KMOD_LALT);
  EXPECT_EQ(cmds[2].sym, 274u);
  EXPECT_EQ(cmds[2].count, 3);
  EXPECT_EQ(cmds[3].sym, (unsigned)'a');               // A is Shift and the a key
  EXPECT_EQ(cmds[3].unicode, (unsigned)'A');
  EXPECT_EQ(cmds[3].mod, (unsigned)KMOD_LSHIFT);
  EXPECT_EQ(cmds[4].arg, "Hello, world");
  EXPECT_EQ(cmds[5].row, 25);
  EXPECT_EQ(cmds[5].col, 1);
  EXPECT_EQ(cmds[5].ms, 5000);
  EXPECT_EQ(cmds[5].arg, "  Press");                   // blanks after the single space stay
  EXPECT_EQ(cmds[6].arg, "out.txt");
  EXPECT_EQ(cmds[8].kind, script_command::close);
  EXPECT_EQ(cmds[8].line, 11);
  EXPECT_EQ(cmds[9].kind, script_command::asleep);
  EXPECT_EQ(cmds[9].ms, 700);
}

TEST(Script, KeyNamesCarryWhatARealKeyCarries) {
  struct { const char *name; unsigned sym, mod, unicode; } cases[] = {
    {"key Esc", 27, 0, 27}, {"key Shift+Tab", 9, KMOD_LSHIFT, 9}, {"key Ctrl+c", 'c', KMOD_LCTRL, 3},
    {"key F12", 293, 0, 0}, {"key !", '1', KMOD_LSHIFT, '!'}, {"key Pause", 19, 0, 0},
    {"key Alt+a", 'a', KMOD_LALT, 'a'}, {"key Del", 127, 0, 0}, {"key Space", 32, 0, 32},
  };
  for (auto &c : cases) {
    std::vector<script_command> cmds;
    std::string msg;
    ASSERT_TRUE(script_parse(c.name, &cmds, &msg)) << c.name << msg;
    EXPECT_EQ(cmds[0].sym, c.sym) << c.name;
    EXPECT_EQ(cmds[0].mod, c.mod) << c.name;
    EXPECT_EQ(cmds[0].unicode, c.unicode) << c.name;
  }
}

TEST(Script, MalformedLinesAreNamed) {
  const char *bad[] = {"wait", "wait -5", "wait 5 6", "key", "key Hyper+x", "key a 0", "key a b",
                       "until 1 1 100", "until 0 1 100 x", "until x 1 100 y", "text", "text a b",
                       "close now", "jump 5", "type", "asleep", "asleep x", "asleep 5 6"};
  for (const char *b : bad) {
    std::vector<script_command> cmds;
    std::string msg;
    EXPECT_FALSE(script_parse(std::string("wait 1\n") + b + "\n", &cmds, &msg)) << b;
    EXPECT_NE(msg.find("line 2"), std::string::npos) << msg;
  }
}

TEST(Script, CodePage437Pictures) {
  EXPECT_EQ(cp437_utf8(0), " ");
  EXPECT_EQ(cp437_utf8(255), " ");
  EXPECT_EQ(cp437_utf8(1), "☺");
  EXPECT_EQ(cp437_utf8(4), "♦");
  EXPECT_EQ(cp437_utf8(31), "▼");
  EXPECT_EQ(cp437_utf8(127), "⌂");
  EXPECT_EQ(cp437_utf8('A'), "A");
  EXPECT_EQ(cp437_utf8(128), "Ç");
  EXPECT_EQ(cp437_utf8(157), "¥");
  EXPECT_EQ(cp437_utf8(176), "░");
  EXPECT_EQ(cp437_utf8(219), "█");
  EXPECT_EQ(cp437_utf8(254), "■");
}

TEST(Script, TextDumpOfATextPage) {
  kel_test_reset();
  kels_print(T("Hi\x01"), 1);
  auto lines = screen_text_lines();
  ASSERT_EQ(lines.size(), 25u);
  EXPECT_EQ(lines[0], "Hi☺" + std::string(77, ' '));
}

TEST(Script, TextDumpOfAGraphicsPageMarksUnknownCells) {
  kel_test_reset();
  kelg_screen(13, 0, 0, 0, 0, 1);
  kels_print(T("Ok"), 1);
  display_page->pixels[2 * 8 + 3] = 9;     // a stray pixel in the third cell of row 1
  auto lines = screen_text_lines();
  ASSERT_EQ(lines.size(), 25u);
  EXPECT_EQ(lines[0], "Ok\xEF\xBF\xBD" + std::string(37, ' '));
}

static std::string slurp(const std::string &p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

TEST(Script, ImagesAreWrittenByTheirEnding) {
  uint32_t px[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0, 0x123456};
  std::string bmp = testing::TempDir() + "/kel.bmp", png = testing::TempDir() + "/kel.PNG";
  ASSERT_TRUE(write_image_file(bmp, px, 3, 2));
  ASSERT_TRUE(write_image_file(png, px, 3, 2));
  std::string b = slurp(bmp), p = slurp(png);
  ASSERT_EQ(b.size(), 54u + 2 * 12);
  EXPECT_EQ(b.substr(0, 2), "BM");
  // bottom-up rows, blue-green-red: the first stored pixel is (0, 1) = 0xFFFFFF
  EXPECT_EQ((uint8_t)b[54], 0xFF);
  EXPECT_EQ((uint8_t)b[54 + 12 + 2], 0xFF);   // (0, 0) red, stored last row
  EXPECT_EQ(p.substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_NE(p.find("IHDR"), std::string::npos);
  EXPECT_NE(p.find("IEND"), std::string::npos);
  std::vector<uint32_t> back;
  int w = 0, h = 0;
  ASSERT_TRUE(read_stored_png(png, &back, &w, &h));
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 2);
  EXPECT_EQ(back, std::vector<uint32_t>(px, px + 6));
  EXPECT_FALSE(write_image_file("/nonexistent-dir/x.bmp", px, 3, 2));
}

// KEL_SCRIPT naming a FIFO: each line runs as soon as it arrives, before the writer is done.
TEST(Script, FifoCommandsRunAsTheirLinesArrive) {
  kel_test_reset();
  kels_print(T("Fifo"), 1);
  std::string dir = testing::TempDir(), fifo = dir + "/kel_script.fifo";
  std::remove(fifo.c_str());
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  setenv("KEL_SCRIPT", fifo.c_str(), 1);
  script_load_from_env();
  unsetenv("KEL_SCRIPT");
  script_start();
  std::FILE *w = std::fopen(fifo.c_str(), "w");      // returns once the replay thread has opened it
  ASSERT_NE(w, nullptr);
  std::string dumps[2];
  for (int i = 0; i < 2; i++) {
    std::string out = dir + "/kel_fifo" + std::to_string(i) + ".txt", mark = out + ".done";
    std::remove(out.c_str());
    std::remove(mark.c_str());
    std::fprintf(w, "# dump %d\ntext %s\ntext %s\n", i, out.c_str(), mark.c_str());
    std::fflush(w);                                  // the FIFO stays open: no end of input yet
    // The screen is read on the main thread's behalf: serve requests until the marker appears.
    bool done = false;
    for (int t = 0; t < 2000 && !done; t++) {
      script_serve_requests();
      done = std::ifstream(mark).good();
      platform_sleep(2);
    }
    ASSERT_TRUE(done) << "dump " << i << " was not taken while the FIFO was open";
    dumps[i] = slurp(out);
    kels_print(T("Again"), 1);
  }
  std::fclose(w);
  script_stop();                                     // the end of the stream ends the replay
  std::remove(fifo.c_str());
  EXPECT_EQ(dumps[0].substr(0, 5), "Fifo ");
  EXPECT_EQ(dumps[0].find("Again"), std::string::npos);
  EXPECT_NE(dumps[1].find("\nAgain"), std::string::npos);   // printed after the first dump
}

TEST(ScriptDeathTest, ScriptThatNamesAFolderIsRefusedLikeOtherScriptErrors) {
  setenv("KEL_SCRIPT", testing::TempDir().c_str(), 1);
  EXPECT_EXIT(script_load_from_env(), ::testing::ExitedWithCode(2), "is a directory, not a script");
  unsetenv("KEL_SCRIPT");
}

// A script line over 64 KB is malformed (status 2, naming the line), so a device such as
// /dev/zero, or a FIFO writer that never ends its line, cannot grow the program until it dies.
TEST(ScriptDeathTest, OverlongLinesAreMalformedWhereverTheScriptComesFrom) {
  std::string dir = testing::TempDir(), file = dir + "/kel_long_script.txt", fifo = dir + "/kel_long.fifo";
  std::ofstream(file) << "wait 1\n" << std::string(70000, 'x') << "\nwait 1\n";
  for (const char *name : {file.c_str(), "/dev/zero"}) {
    setenv("KEL_SCRIPT", name, 1);
    EXPECT_EXIT(script_load_from_env(), ::testing::ExitedWithCode(2),
                name == file.c_str() ? "line 2: longer than 65536 bytes" : "line 1: longer than 65536 bytes");
  }
  std::remove(file.c_str());
  std::remove(fifo.c_str());
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  setenv("KEL_SCRIPT", fifo.c_str(), 1);
  EXPECT_EXIT({
    script_load_from_env();
    script_start();
    // The replay thread may close the pipe before the last bytes are written: that write then
    // fails instead of ending the process with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    std::FILE *w = std::fopen(fifo.c_str(), "w");    // once the replay thread has opened it
    std::fputs(std::string(70000, 'x').c_str(), w);  // and no line end
    std::fflush(w);
    for (int t = 0; t < 20000 && !close_program.load(); t++) platform_sleep(1);
    int status = kel_exit_status();
    script_stop();
    std::exit(status);
  }, ::testing::ExitedWithCode(2), "line 1: longer than 65536 bytes");
  unsetenv("KEL_SCRIPT");
  std::remove(fifo.c_str());
}

}  // namespace script_test
