// One libFuzzer program per target: KEL_FUZZ_TARGET names the target function; a failed
// check is printed and aborts, which libFuzzer reports with the input that caused it.
#include <cstdio>
#include <cstdlib>
#include "targets.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzz_boot();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (const char *failure = KEL_FUZZ_TARGET(data, size)) {
    std::fprintf(stderr, "fuzz check failed: %s\n", failure);
    std::abort();
  }
  return 0;
}
