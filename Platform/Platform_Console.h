// The diagnostics console: printf-style lines on standard output.
#pragma once
#include <cstdarg>

namespace Console {

void Output(const char* format, ...) __attribute__((format(printf, 1, 2)));
void OutputV(const char* format, va_list args);
// While muted, nothing reaches standard output (tools that load a game without its console lines).
void SetMuted(bool muted);

// Output is line-buffered into stdout; Flush pushes it out (before exits and long waits).
void Flush();

}  // namespace Console
