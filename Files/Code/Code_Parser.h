// Passes 2 and 3 of the compiler: classification of identifiers against the runner's names, and
// parsing of statements and expressions into a syntax tree.
#pragma once
#include <string>
#include <vector>

#include "Code/Code_CompileHooks.h"
#include "Code/Code_Token.h"
#include "Code/Code_Tree.h"

namespace Compiler {

// Turns identifiers into Function, Constant or Variable tokens and literals into Constant tokens.
// `fallbackNames` numbers variables (100000 + position) when the hooks give no variable ids.
bool Classify(std::vector<Token>& tokens, const CompileHooks& hooks,
              std::vector<std::string>& fallbackNames, CompileProblem& problem);

// Parses classified tokens as a statement list (the usual form of code).
bool ParseProgram(const std::vector<Token>& tokens, const CompileHooks& hooks, Program& program,
                  CompileProblem& problem);

// Parses classified tokens as one expression (constant values, debugger expressions).
bool ParseExpression(const std::vector<Token>& tokens, const CompileHooks& hooks, Program& program,
                     CompileProblem& problem);

}  // namespace Compiler
