// Start-up: a translated program whose first statement ends it, from process start to its end,
// under SDL's dummy drivers; the baseline is a process that does nothing (/bin/true).
#include <spawn.h>
#include <sys/wait.h>
#include "kelbench_support.h"

extern char **environ;

namespace {

bool run(const char *path) {
  char *argv[] = {const_cast<char *>(path), nullptr};
  pid_t pid;
  if (posix_spawn(&pid, path, nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_StartUp(benchmark::State &state) {
  if (!run(KEL_STARTUP_PROGRAM)) {
    state.SkipWithError("the start-up program did not end with status 0");
    return;
  }
  bench_ratio(state, 1, [] { run(KEL_STARTUP_PROGRAM); }, [] { run("/bin/true"); });
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
