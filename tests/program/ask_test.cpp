// The ask demo: INPUT checked key by key through real key events, PRINT USING output.
#include <gtest/gtest.h>
#include "program_runner.h"

namespace ask_test {

static const std::string ask = std::string(KEL_BUILD_DIR) + "/demos/ask";

TEST(AskProgram, ReadsANumberAndANameAndFormatsThem) {
  auto res = run_program(ask,
                         "until 2 1 10000 How old are you? \n"
                         "type 40\n"
                         "key Enter\n"
                         "until 3 1 5000 Your name? \n"
                         "type Ada\n"
                         "key Enter\n"
                         "until 4 1 5000 Hi Ada, in 10 years:  50\n"
                         "until 5 1 5000 Minutes lived: 21,038,400\n"
                         "until 6 1 5000 Press a key\n"
                         "key z\n"                       // ends SLEEP 30 and stays for INKEY$
                         "until 7 1 5000 You pressed z\n"
                         "until 25 1 5000 Press any key to continue\n"
                         "key Space\n");
  EXPECT_EQ(res.status, 0) << res.err;
}

TEST(AskProgram, IntegerRefusesWhatItCannotHold) {
  // 40000 does not fit a 16-bit integer: the fifth digit is refused, as are a letter and
  // a point; nothing may follow a leading zero. The editor's cursor is the full block.
  auto res = run_program(ask,
                         "until 2 1 10000 How old are you? \n"
                         "type 40000x.\n"
                         "until 2 18 5000 4000█\n"
                         "key Backspace 4\n"
                         "type 07\n"
                         "until 2 18 5000 0█ \n"
                         "key Backspace\n"
                         "type 402\n"
                         "until 2 18 5000 402█\n"
                         "key Enter\n"
                         "until 3 1 5000 Your name? \n"
                         "type Bo\n"
                         "key Enter\n"
                         "until 4 1 5000 Hi Bo, in 10 years: 412\n"
                         "close\n");
  EXPECT_EQ(res.status, 0) << res.err;
}

TEST(AskProgram, ClosingTheWindowDuringInputEnds) {
  auto res = run_program(ask, "until 2 1 10000 How old are you? \ntype 12\nclose\n");
  EXPECT_EQ(res.status, 0) << res.err;
}

}  // namespace ask_test
