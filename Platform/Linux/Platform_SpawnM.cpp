#include "Platform/Platform_Spawn.h"

#include <spawn.h>
#include <sys/wait.h>

#include <time.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace {

std::vector<pid_t> g_children;  // started without waiting, not yet reaped
void (*g_waitHook)() = nullptr;

// Waits for `pid` to end, calling the wait hook between looks; the raw wait status, or -1.
int WaitFor(pid_t pid) {
  int status = 0;
  for (;;) {
    const pid_t r = waitpid(pid, &status, g_waitHook != nullptr ? WNOHANG : 0);
    if (r == pid) return status;
    if (r < 0 && errno != EINTR) return -1;
    if (r == 0) {
      g_waitHook();
      const timespec pause{0, 20 * 1000 * 1000};
      nanosleep(&pause, nullptr);
    }
  }
}

}  // namespace

void Platform_ReapChildren() {
  for (size_t i = 0; i < g_children.size();) {
    int status = 0;
    pid_t r = waitpid(g_children[i], &status, WNOHANG);
    if (r == g_children[i] || (r < 0 && errno == ECHILD)) {
      g_children.erase(g_children.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
}

SpawnOutcome Platform_Spawn(const std::string& program, const std::vector<std::string>& args, bool wait) {
  Platform_ReapChildren();
  SpawnOutcome out;
  if (program.empty()) {
    out.error = "no program named";
    return out;
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  // The C library reports a program that cannot be executed as the call's error.
  int rc = posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
  if (rc != 0) {
    out.error = std::strerror(rc);
    return out;
  }
  out.started = true;
  if (!wait) {
    g_children.push_back(pid);
    out.exitCode = 0;
    return out;
  }
  const int status = WaitFor(pid);
  out.exitCode = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

void Platform_SetSpawnWaitHook(void (*hook)()) { g_waitHook = hook; }

SpawnOutcome Platform_OpenDocument(const std::string& target) {
  // The opener would take a leading '-' for one of its options.
  if (target.empty() || target[0] == '-') {
    SpawnOutcome refused;
    refused.error = target.empty() ? "nothing to open" : "not a document or URL";
    return refused;
  }
  SpawnOutcome out = Platform_Spawn("xdg-open", {target}, false);
  if (!out.started) out.error = "xdg-open: " + out.error;
  return out;
}
