// Start-up: a translated program under SDL's dummy drivers, from process start to its first
// statement (which creates a file this benchmark is told of at once, through inotify) and to
// its end; the baseline is a process that does nothing (/bin/true).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>
#include <string>
#include "kelbench_support.h"

extern char **environ;

namespace {

using clock_type = std::chrono::steady_clock;

double since(clock_type::time_point t0) { return std::chrono::duration<double>(clock_type::now() - t0).count(); }

// Runs path with KEL_STARTUP_MARK naming mark; false unless it ends with status 0. When mark
// is given, *first is the time until the program created it (the file is removed again).
bool run(const char *path, const std::string &mark, double *first, double *whole) {
  std::vector<std::string> env_text;
  for (char **e = environ; *e; e++)
    if (std::string(*e).rfind("KEL_STARTUP_MARK=", 0) != 0) env_text.push_back(*e);
  env_text.push_back("KEL_STARTUP_MARK=" + mark);
  std::vector<char *> env;
  for (auto &s : env_text) env.push_back(s.data());
  env.push_back(nullptr);
  int watch = -1;
  if (!mark.empty()) {
    watch = inotify_init1(IN_CLOEXEC);
    std::string dir = mark.substr(0, mark.rfind('/'));
    if (watch < 0 || inotify_add_watch(watch, dir.c_str(), IN_CREATE) < 0) return false;
  }
  char *argv[] = {const_cast<char *>(path), nullptr};
  auto t0 = clock_type::now();
  pid_t pid;
  bool ok = posix_spawn(&pid, path, nullptr, nullptr, argv, env.data()) == 0;
  if (ok && watch >= 0) {
    alignas(inotify_event) char buf[4096];
    pollfd p = {watch, POLLIN, 0};
    // The program's first statement creates the file; one that never does is stopped.
    ok = poll(&p, 1, 10000) == 1 && read(watch, buf, sizeof buf) > 0;
    *first = since(t0);
    if (!ok) kill(pid, SIGKILL);
  }
  if (watch >= 0) close(watch);
  int status = 0;
  if (ok) waitpid(pid, &status, 0);
  *whole = since(t0);
  if (!mark.empty()) unlink(mark.c_str());
  return ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_StartUp(benchmark::State &state) {
  char dir[] = "/tmp/kelstartXXXXXX";
  if (!mkdtemp(dir)) {
    state.SkipWithError("no folder for the pipe");
    return;
  }
  std::string mark = std::string(dir) + "/first";
  double first = 0, whole = 0, none = 0;
  if (!run(KEL_STARTUP_PROGRAM, mark, &first, &whole)) {
    state.SkipWithError("the start-up program did not create its file and end with status 0");
  } else {
    std::vector<double> firsts, wholes, trues, q;
    for (auto _ : state) {
      if (!run(KEL_STARTUP_PROGRAM, mark, &first, &whole) || !run("/bin/true", "", &none, &none)) {
        state.SkipWithError("a start-up run failed");
        break;
      }
      firsts.push_back(first);
      wholes.push_back(whole);
      trues.push_back(none);
      q.push_back(first / none);
    }
    state.counters["ratio"] = bench_median(q);
    state.counters["runtime_ns"] = bench_median(firsts) * 1e9;
    state.counters["baseline_ns"] = bench_median(trues) * 1e9;
    state.counters["whole_run_ns"] = bench_median(wholes) * 1e9;
  }
  unlink(mark.c_str());
  rmdir(dir);
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
