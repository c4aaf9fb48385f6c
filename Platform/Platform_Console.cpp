#include "Platform/Platform_Console.h"

#include <cstdio>

namespace Console {
namespace {
bool g_muted = false;
}  // namespace

void SetMuted(bool muted) { g_muted = muted; }

void OutputV(const char* format, va_list args) {
  if (!g_muted) std::vfprintf(stdout, format, args);
}

void Output(const char* format, ...) {
  va_list args;
  va_start(args, format);
  OutputV(format, args);
  va_end(args);
}

void Flush() { std::fflush(stdout); }

}  // namespace Console
