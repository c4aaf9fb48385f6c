// The platform's native libraries: loading a shared library, finding an entry point and calling it
// with 64-bit float and C-string arguments. The definitions table (Extension_DLL.h) sits on top.
#pragma once
#include <string>

namespace Native {

// Native code runs under a guard: a crash inside it (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT on
// the calling thread, also from a stack overflow) comes back as `crashed` instead of ending the
// process. Nothing of the native library can be trusted afterwards: the caller reports and ends.

// Loads the library at `path` (a name without '/' is searched on the library path), running its
// initialisation. Null on failure, with the loader's message in `error`; `crashed` when the
// initialisation crashed.
void* Open(const std::string& path, std::string& error, bool& crashed);
void Close(void* module);
// The entry point named `name`, or null.
void* Symbol(void* module, const char* name);

struct Argument {
  bool isString;
  double real;
  const char* text;  // zero-terminated bytes, valid for the call
};

enum class Outcome { Done, NotPrepared, Crashed };

// Calls `entry` with `argc` arguments (reals as doubles, strings as char pointers) and reads a
// double or, when `stringResult`, a char pointer (null stays null).
Outcome Call(void* entry, int argc, const Argument* args, bool stringResult, double& real, const char*& text);

}  // namespace Native
