#include "program_runner.h"
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

static std::string last_dir;

std::string scratch_dir() { return last_dir; }

std::string read_file(const std::string &path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

program_result run_program(const std::string &program, const std::string &script, int deadline_s) {
  return run_program(program, script, {}, deadline_s);
}

program_result run_program(const std::string &program, const std::string &script,
                           const std::vector<std::string> &env, int deadline_s) {
  char tmpl[] = "/tmp/kelprogXXXXXX";
  last_dir = mkdtemp(tmpl);
  std::ofstream(last_dir + "/script.txt") << script;
  std::string err_path = last_dir + "/stderr.txt";
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(last_dir.c_str()) != 0) _exit(120);
    setenv("KEL_SCRIPT", "script.txt", 1);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    for (const std::string &e : env) {
      size_t eq = e.find('=');
      if (eq != std::string::npos) setenv(e.substr(0, eq).c_str(), e.c_str() + eq + 1, 1);
    }
    if (!freopen(err_path.c_str(), "w", stderr)) _exit(121);
    execl(program.c_str(), program.c_str(), (char *)nullptr);
    _exit(122);
  }
  program_result res;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(deadline_s);
  int wstatus = 0;
  for (;;) {
    pid_t w = waitpid(pid, &wstatus, WNOHANG);
    if (w == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &wstatus, 0);
      res.err = read_file(err_path);
      return res;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  res.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  res.err = read_file(err_path);
  return res;
}
