// The desktop opener through posix_spawn. A short-lived shell starts xdg-open in the background
// and exits at once, so the runner reaps the shell and never waits for (or leaves a zombie of)
// the opener. The target is passed as an argument, never as shell text.
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Support/Support_Open.h"

extern char** environ;

namespace {

bool OnPath(const char* program) {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string candidate = folders.substr(start, end - start) + "/" + program;
    if (end > start && access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

bool HasDesktop() {
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x != nullptr && x[0] != '\0') || (wayland != nullptr && wayland[0] != '\0');
}

}  // namespace

bool Support_OpenWithDesktop(const std::string& target, std::string& why) {
  if (target.empty()) {
    why = "no address given";
    return false;
  }
  if (!HasDesktop()) {
    why = "there is no desktop session to open it in (DISPLAY is not set)";
    return false;
  }
  if (!OnPath("xdg-open")) {
    why = "xdg-open is not installed";
    return false;
  }
  const char* argv[] = {"sh", "-c", "xdg-open \"$1\" >/dev/null 2>&1 </dev/null &", "sh", target.c_str(), nullptr};
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ);
  if (failed != 0) {
    why = std::string("the opener could not be started: ") + std::strerror(failed);
    return false;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return true;
}
