// The compiler's entry point: code text in, a compiled code unit out.
//
// Compile runs the scanner, the classification of names through the hooks, the parser, constant
// folding and code generation. The first error stops it: the result then holds the message, its
// character position and the full compile error text, and the runner-wide compile error of the
// error reporter is set (first error wins; the failure flag is cleared when a compilation starts).
#pragma once
#include <string>

#include "Code/Code_CompileHooks.h"
#include "Code/Code_Generate.h"
#include "Code/Code_Token.h"

namespace Compiler {

enum class CompileAs {
  Statements,  // a statement list: event actions, scripts, room and instance creation code
  Expression,  // one expression whose value the code returns (constants, debugger expressions)
};

struct CompileResult {
  bool ok = false;
  CompiledCode code;      // valid when ok
  CompileProblem problem; // message and character position when not ok
  std::string errorText;  // "Error in code at line ..." / "Error in expression: ..." when not ok
  int unclosedComment = -1;  // position of a "/*" that runs to the end of the code (allowed)
};

CompileResult Compile(const std::string& text, const CompileHooks& hooks,
                      CompileAs as = CompileAs::Statements);

}  // namespace Compiler
