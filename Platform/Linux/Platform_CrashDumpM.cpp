#include "Platform/Linux/Platform_CrashDumpM.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {

void WriteText(int fd, const char* text) {
  ssize_t ignored = ::write(fd, text, std::strlen(text));
  (void)ignored;
}

// Only async-signal-safe calls here.
void OnFatalSignal(int sig) {
  const char* dashes = "---------------------------------------------\n";
  WriteText(2, dashes);
  WriteText(2, "!!!Unhandled Exception!!! - creating minidump\n");
  WriteText(2, dashes);
  int fd = ::open("MidiDump.dmp", O_CREAT | O_TRUNC | O_RDWR, 0644);
  if (fd < 0) {
    char line[64];
    std::snprintf(line, sizeof line, "CreateFile failed. Error: %u \n", static_cast<unsigned>(errno));
    WriteText(2, line);
  } else {
    char line[96];
    std::snprintf(line, sizeof line, "Signal %d (%s)\nBacktrace:\n", sig, sig == SIGSEGV ? "SIGSEGV"
                  : sig == SIGBUS ? "SIGBUS" : sig == SIGFPE ? "SIGFPE" : sig == SIGILL ? "SIGILL" : "SIGABRT");
    WriteText(fd, line);
    void* frames[64];
    int n = ::backtrace(frames, 64);
    ::backtrace_symbols_fd(frames, n, fd);
    ::close(fd);
    WriteText(2, "Minidump created.\n");
  }
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

}  // namespace

void CrashDump_Install() {
  // Load the unwinder now: the first backtrace() call may allocate, which a signal handler must not.
  void* warm[1];
  ::backtrace(warm, 1);
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) ::signal(sig, OnFatalSignal);
}
