#include "program_runner.h"
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

static std::string last_dir;
static std::vector<std::string> made_dirs;   // removed when the test case ends

std::string scratch_dir() { return last_dir; }

std::string make_scratch_dir() {
  char tmpl[] = "/tmp/kelprogXXXXXX";
  if (!mkdtemp(tmpl)) return "";
  made_dirs.push_back(tmpl);
  return tmpl;
}

void remove_scratch_dirs() {
  if (!std::getenv("KEL_KEEP_SCRATCH")) {
    std::error_code ec;
    for (const std::string &d : made_dirs) std::filesystem::remove_all(d, ec);
  }
  made_dirs.clear();
}

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
  last_dir = make_scratch_dir();
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

std::vector<std::string> trimmed_lines(const std::string &text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) {
    while (!l.empty() && l.back() == ' ') l.pop_back();
    out.push_back(l);
  }
  return out;
}

std::vector<std::string> scratch_lines(const std::string &name) {
  return trimmed_lines(read_file(scratch_dir() + "/" + name));
}

std::string line_at(const std::vector<std::string> &lines, size_t r) {
  return r >= 1 && r <= lines.size() ? lines[r - 1] : "";
}

// ---- a program driven through a FIFO ----------------------------------------------------

program_session::program_session(const std::string &program, const std::vector<std::string> &env,
                                 const std::vector<std::string> &args) {
  work_dir = make_scratch_dir();
  last_dir = work_dir;
  std::string fifo = work_dir + "/script.fifo";
  if (mkfifo(fifo.c_str(), 0600) != 0) return;
  signal(SIGPIPE, SIG_IGN);                  // a program that ended makes writes fail, not kill
  pid_t child = fork();
  if (child == 0) {
    if (chdir(work_dir.c_str()) != 0) _exit(120);
    setenv("KEL_SCRIPT", fifo.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    for (const std::string &e : env) {
      size_t eq = e.find('=');
      if (eq != std::string::npos) setenv(e.substr(0, eq).c_str(), e.c_str() + eq + 1, 1);
    }
    if (!freopen((work_dir + "/stderr.txt").c_str(), "w", stderr)) _exit(121);
    std::vector<char *> argv{const_cast<char *>(program.c_str())};
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(122);
  }
  pid = child;
  // Opening for writing without blocking fails until the program's reader has opened it.
  for (int i = 0; i < 3000 && fifo_fd < 0 && !exited(); i++) {
    fifo_fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fifo_fd < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (fifo_fd >= 0) fcntl(fifo_fd, F_SETFL, fcntl(fifo_fd, F_GETFL) & ~O_NONBLOCK);
}

program_session::~program_session() {
  if (fifo_fd >= 0) close(fifo_fd);
  if (pid > 0 && !exited()) {
    kill((pid_t)pid, SIGKILL);
    waitpid((pid_t)pid, &wstatus, 0);
  }
}

bool program_session::exited() {
  if (reaped) return true;
  if (pid <= 0) return true;
  if (waitpid((pid_t)pid, &wstatus, WNOHANG) == (pid_t)pid) reaped = true;
  return reaped;
}

bool program_session::send(const std::string &commands) {
  if (fifo_fd < 0 || exited()) return false;
  std::string s = commands;
  if (!s.empty() && s.back() != '\n') s += '\n';
  for (size_t done = 0; done < s.size();) {
    ssize_t n = write(fifo_fd, s.data() + done, s.size() - done);
    if (n <= 0) return false;
    done += (size_t)n;
  }
  return true;
}

// Commands run in order, so once a marker written after a dump exists the dump is complete.
bool program_session::await_marker(const std::string &marker, int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < deadline) {
    if (access(marker.c_str(), F_OK) == 0) return true;
    if (exited()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

bool program_session::await_stderr(const std::string &text, int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < deadline) {
    if (read_file(work_dir + "/stderr.txt").find(text) != std::string::npos) return true;
    if (exited()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

std::vector<std::string> program_session::screen(int timeout_ms) {
  std::string name = work_dir + "/screen" + std::to_string(++dumps);
  std::vector<std::string> rows;
  if (!send("text " + name + ".txt\ntext " + name + ".done") || !await_marker(name + ".done", timeout_ms))
    return rows;
  std::istringstream in(read_file(name + ".txt"));
  for (std::string l; std::getline(in, l);) rows.push_back(l);
  return rows;
}

std::string program_session::snapshot(int timeout_ms) {
  std::string name = work_dir + "/snap" + std::to_string(++dumps);
  if (!send("snap " + name + ".bmp\ntext " + name + ".done") || !await_marker(name + ".done", timeout_ms))
    return "";
  return name + ".bmp";
}

program_result program_session::finish(int deadline_s) {
  if (fifo_fd >= 0) close(fifo_fd);
  fifo_fd = -1;
  program_result res;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(deadline_s);
  while (!exited()) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill((pid_t)pid, SIGKILL);
      waitpid((pid_t)pid, &wstatus, 0);
      reaped = true;
      res.err = read_file(work_dir + "/stderr.txt");
      return res;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  res.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  res.err = read_file(work_dir + "/stderr.txt");
  return res;
}

uint32_t bmp_pixel(const std::string &bmp, int x, int y) {
  if (bmp.size() < 54) return 0xFFFFFFFF;
  auto u32 = [&](size_t at) {
    return (uint32_t)(uint8_t)bmp[at] | (uint32_t)(uint8_t)bmp[at + 1] << 8 | (uint32_t)(uint8_t)bmp[at + 2] << 16 |
           (uint32_t)(uint8_t)bmp[at + 3] << 24;
  };
  int w = (int)u32(18), h = (int)u32(22);
  size_t stride = ((size_t)w * 3 + 3) & ~(size_t)3;
  size_t at = u32(10) + (size_t)(h - 1 - y) * stride + (size_t)x * 3;
  if (x < 0 || y < 0 || x >= w || y >= h || at + 3 > bmp.size()) return 0xFFFFFFFF;
  return (uint32_t)(uint8_t)bmp[at] | (uint32_t)(uint8_t)bmp[at + 1] << 8 | (uint32_t)(uint8_t)bmp[at + 2] << 16;
}

bool shows(const std::vector<std::string> &rows, const std::string &text) {
  for (const auto &r : rows)
    if (r.find(text) != std::string::npos) return true;
  return false;
}

bool wait_for_text(program_session &s, const std::string &text, int timeout_s) {
  auto start = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(timeout_s)) {
    auto rows = s.screen();
    if (rows.empty()) return false;
    if (shows(rows, text)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}
