// Replays the committed fuzz corpora (fuzz/corpus/<target>) through the fuzz targets: every
// input libFuzzer kept, and every input that once failed, must pass the target's checks.
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>
#include "targets.h"
#include "test_support.h"

namespace fuzz_corpus_test {

namespace {

class FuzzCorpus : public ::testing::TestWithParam<fuzz_entry> {};

TEST_P(FuzzCorpus, EveryInputPassesTheTargetsChecks) {
  std::filesystem::path dir = std::filesystem::path(KEL_SOURCE_DIR) / "fuzz" / "corpus" / GetParam().name;
  ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
  std::vector<std::filesystem::path> files;
  for (const auto &e : std::filesystem::directory_iterator(dir))
    if (e.is_regular_file()) files.push_back(e.path());
  ASSERT_FALSE(files.empty()) << "no inputs in " << dir;
  for (const auto &file : files) {
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    kel_test_reset();
    const char *failure = GetParam().run(bytes.data(), bytes.size());
    EXPECT_EQ(failure, nullptr) << file << ": " << failure;
    EXPECT_EQ(new_error, 0) << file << " left an error pending";
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzCorpus, ::testing::ValuesIn(fuzz_targets),
                         [](const ::testing::TestParamInfo<fuzz_entry> &p) { return std::string(p.param.name); });

}  // namespace

}  // namespace fuzz_corpus_test
