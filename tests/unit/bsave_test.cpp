// Unit tests for BSAVE and BLOAD: video memory saved and loaded back onto the screen, the
// file's header, and the errors of names, files and headers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include "test_support.h"

namespace bsave_test {

namespace {

std::string scratch(const char *name) { return testing::TempDir() + name; }

std::vector<uint8_t> read_file(const std::string &path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

void write_file(const std::string &path, const std::vector<uint8_t> &bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write((const char *)bytes.data(), (std::streamsize)bytes.size());
}

std::vector<uint32_t> screen_rgb() {
  int w = 0, h = 0;
  if (!display_screen_rgb(nullptr, &w, &h)) return {};
  std::vector<uint32_t> px((size_t)w * h);
  display_screen_rgb(px.data(), &w, &h);
  return px;
}

}  // namespace

TEST(BSave, Screen13PictureSavedFromVideoMemoryComesBackAfterCls) {
  start_screen13();
  sub_line(0, 10, 10, 0, 300, 180, 4, 2, 0, 3);                       // LINE (10,10)-(300,180), 4, BF
  sub_line(0, 0, 199, 0, 319, 0, 14, 0, 0, 3);
  std::vector<uint32_t> shown = screen_rgb();
  std::string path = scratch("bsave_screen13.bin");
  kels *name = kels_new_txt(path.c_str());
  sub_defseg(0xA000, 1);
  sub_bsave(name, 0, (int16_t)0xFA00);                                // &HFA00 is -1536: 64,000 bytes
  ASSERT_EQ(new_error, 0);
  std::vector<uint8_t> file = read_file(path);
  ASSERT_EQ(file.size(), 64007u);
  EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 7),
            (std::vector<uint8_t>{0xFD, 0x00, 0xA0, 0x00, 0x00, 0x00, 0xFA}));
  EXPECT_EQ(file[7 + 320 * 10 + 10], 4);

  sub_cls(0, 0, 0);
  EXPECT_EQ(count_pixels(0), 64000);
  EXPECT_NE(screen_rgb(), shown);
  sub_defseg(0, 0);                                                   // no offset: the header's A000:0000
  sub_bload(name, 0, 0);
  ASSERT_EQ(new_error, 0);
  EXPECT_EQ(screen_rgb(), shown);

  sub_defseg(0, 0);
  kels_free(name);
  std::remove(path.c_str());
}

TEST(BSave, NamesFilesAndHeadersThatAreRefused) {
  kel_test_reset();
  std::string dir = scratch("bsave_dir");
  mkdir(dir.c_str(), 0700);
  std::string bad_mark = scratch("bsave_bad_mark.bin"), short_head = scratch("bsave_short.bin"),
              cut = scratch("bsave_cut.bin");
  write_file(bad_mark, {0xFE, 0, 0x30, 0, 0, 2, 0, 1, 2});
  write_file(short_head, {0xFD, 0, 0x30});
  write_file(cut, {0xFD, 0, 0x30, 0, 0, 3, 0, 1, 2});              // says 3 bytes, holds 2
  struct Case { const char *what; std::string name; bool save; int32_t offset, length; int err; };
  const Case cases[] = {
      {"missing file", scratch("bsave_none.bin"), false, 0, 0, 53},
      {"no 0xFD", bad_mark, false, 0, 0, 5},
      {"header cut short", short_head, false, 0, 0, 5},
      {"fewer bytes than the header says", cut, false, 0, 0, 5},
      {"a folder", dir, false, 0, 0, 75},
      {"empty name", "", false, 0, 0, 64},
      {"blanks only", "   ", true, 0, 4, 64},
      {"wildcard", scratch("b*.bin"), true, 0, 4, 64},
      {"missing folder", scratch("bsave_none/x.bin"), true, 0, 4, 76},
      {"saving over a folder", dir, true, 0, 4, 75},
      {"offset past a word", scratch("bsave_x.bin"), true, 65536, 4, 6},
      {"length past a word", scratch("bsave_x.bin"), true, 0, -65537, 6},
  };
  sub_defseg(0x3000, 1);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    new_error = 0;
    std::fill(cmem + 0x30000, cmem + 0x30010, 0x55);
    kels *name = kels_new_txt(c.name.c_str());
    if (c.save) sub_bsave(name, c.offset, c.length);
    else sub_bload(name, 0, 0);
    EXPECT_EQ(new_error, c.err);
    EXPECT_EQ(cmem[0x30000], 0x55);                                   // nothing loaded
    kels_free(name);
  }
  new_error = 0;
  std::fill(cmem + 0x30000, cmem + 0x30010, 0);
  struct stat st;
  EXPECT_NE(stat(scratch("bsave_x.bin").c_str(), &st), 0);          // nothing written either
  sub_defseg(0, 0);
  for (const std::string &p : {bad_mark, short_head, cut}) std::remove(p.c_str());
  rmdir(dir.c_str());
}

// BSAVE over a file open under a number is refused as KILL and NAME are (the number's CLOSE
// would write over the image), and the open file keeps what was written to it.
TEST(BSave, SavingOverAFileThatIsOpenIsError55) {
  kel_test_reset();
  std::string path = scratch("bsave_open.txt");
  kels *name = kels_new_txt(path.c_str());
  sub_open(name, gfs_output, 1, 0, 0);
  gfs_print_to(1);
  kels_print(kels_new_txt("text"), 1);
  gfs_print_to(0);
  sub_defseg(0x3000, 1);
  sub_bsave(name, 0, 4);
  EXPECT_EQ(new_error, 55);
  new_error = 0;
  sub_close(1);
  std::vector<uint8_t> file = read_file(path);
  EXPECT_EQ(std::string(file.begin(), file.end()), "text\r\n");
  sub_bsave(name, 0, 4);                                            // once closed it may be saved
  EXPECT_EQ(new_error, 0);
  EXPECT_EQ(read_file(path).size(), 11u);
  sub_defseg(0, 0);
  kels_free(name);
  std::remove(path.c_str());
}

}  // namespace bsave_test
