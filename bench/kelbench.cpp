// kelbench: starts the runtime without a game thread (SDL video on the dummy driver unless
// told otherwise) and runs the ratio benchmarks.
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include "kel.h"
#include "platform.h"

int main(int argc, char **argv) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  static char name[] = "kelbench";
  char *args[] = {name, nullptr};
  kel_init_runtime(1, args);
  // An error box would wait for an answer; report it and let the benchmark fail instead.
  platform_msgbox_hook = [](const char *caption, const char *text, msgbox_kind) {
    std::fprintf(stderr, "kelbench: %s: %s\n", caption, text);
    return 0;
  };
  if (SDL_Init(SDL_INIT_VIDEO) < 0) std::fprintf(stderr, "kelbench: SDL video: %s\n", SDL_GetError());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  SDL_Quit();
  return 0;
}
