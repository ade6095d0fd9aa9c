// SHELL: the command runs in a child of its own process group, started with posix_spawn (safe
// in a process with threads), with the default signal mask and dispositions; the game thread
// polls for its end so that a closed window still stops the program.
#include "shell.h"
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <string>
#include "events.h"
#include "files.h"
#include "flags.h"
#include "kels.h"
#include "platform.h"

extern char **environ;

namespace {

// Ends a command the program no longer waits for: politely first, then for sure.
void stop_child(pid_t pid) {
  kill(-pid, SIGTERM);
  for (int k = 0; k < 100; k++) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    platform_sleep(10);
  }
  kill(-pid, SIGKILL);
  while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
}

}  // namespace

void sub_shell(kels *command, int32_t passed) {
  if (new_error || !(passed & 1) || !command) return;
  std::string cmd((const char *)command->text, command->len);
  if (cmd.find('\0') != std::string::npos) { error(5); return; }
  gfs_flush_all();                              // the command sees the files as the program left them
  if (new_error) return;
  const char *shell = "/bin/sh";
  char *argv[] = {const_cast<char *>("sh"), const_cast<char *>("-c"), cmd.data(), nullptr};
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGCHLD}) sigaddset(&defaults, s);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  std::fflush(nullptr);                         // what the program wrote comes before the command's output
  pid_t pid = 0;
  int rc = posix_spawn(&pid, shell, nullptr, &attr, argv, environ);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) { error(rc == ENOENT || rc == ENOTDIR ? 53 : 5); return; }
  for (;;) {
    int status = 0;
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid || (r < 0 && errno != EINTR)) break;
    if (stop_program.load() == 1) {
      stop_child(pid);
      end();
    }
    platform_sleep(10);
  }
}
