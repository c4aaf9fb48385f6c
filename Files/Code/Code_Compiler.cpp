#include "Code/Code_Compiler.h"

#include <vector>

#include "Code/Code_Error.h"
#include "Code/Code_Fold.h"
#include "Code/Code_Parser.h"
#include "Code/Code_Scanner.h"
#include "Platform/Platform_Memory.h"

namespace Compiler {

CompileResult Compile(const std::string& text, const CompileHooks& hooks, CompileAs as) {
  CompileResult result;
  ClearCompileFailure();
  // The tokens and the tree view `text` and `store`.
  std::vector<Token> tokens;
  ClassifyStore store;
  Program program;
  CompileProblem& problem = result.problem;
  result.ok = Scan(text, tokens, problem, &result.unclosedComment) && Classify(tokens, hooks, store, problem) &&
              (as == CompileAs::Expression ? ParseExpression(tokens, hooks, program, problem)
                                           : ParseProgram(tokens, hooks, program, problem)) &&
              FoldProgram(program, problem) && Generate(program, result.code, problem);
  if (!result.ok) {
    const CompileKind kind =
        as == CompileAs::Expression ? CompileKind::Expression : CompileKind::Statements;
    char* errorText = BuildCompileErrorText(text.c_str(), problem.position, problem.message.c_str(), kind);
    result.errorText = errorText ? errorText : "";
    if (errorText) MemFree(errorText);
    CompileError(text.c_str(), problem.position, problem.message.c_str(), kind);
    result.code = CompiledCode();
  }
  return result;
}

}  // namespace Compiler
