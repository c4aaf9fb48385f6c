// The platform's native libraries: loading a shared library, finding an entry point and calling it
// with 64-bit float and C-string arguments. The definitions table (Extension_DLL.h) sits on top.
#pragma once
#include <string>

namespace Native {

// Loads the library at `path` (a name without '/' is searched on the library path). Null on
// failure, with the loader's message in `error`.
void* Open(const std::string& path, std::string& error);
void Close(void* module);
// The entry point named `name`, or null.
void* Symbol(void* module, const char* name);

struct Argument {
  bool isString;
  double real;
  const char* text;  // zero-terminated bytes, valid for the call
};

// Calls `entry` with `argc` arguments (reals as doubles, strings as char pointers) and reads a
// double or, when `stringResult`, a char pointer (null stays null). False when the call could not
// be prepared.
bool Call(void* entry, int argc, const Argument* args, bool stringResult, double& real, const char*& text);

}  // namespace Native
