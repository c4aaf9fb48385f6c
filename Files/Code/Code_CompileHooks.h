// The name lookups the compiler needs from its surroundings. The runner wires them to its registries
// (built-in functions, scripts, extension functions, constants, resources, variable names); the
// builder wires them to the game it is building. Every hook may be left empty: an empty lookup finds
// nothing, and variable ids then come from a table local to the compilation.
#pragma once
#include <functional>
#include <string>

#include "Code/Code_Token.h"

namespace Compiler {

struct CompileHooks {
  // Function id of a script, extension function or built-in function by exact name.
  std::function<bool(const std::string& name, int& id)> findFunction;
  // Fixed argument count of a function id; -1 accepts any number of arguments.
  std::function<int(int id)> argumentCount;
  // Value of a bare name: resource names (their index) first, then constants.
  std::function<bool(const std::string& name, CompileConstant& value)> findValue;
  // Variable id of a name: a built-in variable index (below 10000) or a user id (100000 and up).
  std::function<int(const std::string& name)> variableId;
  // Called for every user variable named in a globalvar declaration, while compiling.
  std::function<void(const std::string& name, int id)> declareGlobal;
};

constexpr int kFirstUserVariableId = 100000;
constexpr int kMaxBuiltinVariableId = 9999;
constexpr int kMaxArguments = 16;

}  // namespace Compiler
