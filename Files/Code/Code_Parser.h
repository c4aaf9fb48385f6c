// Passes 2 and 3 of the compiler: classification of identifiers against the runner's names, and
// parsing of statements and expressions into a syntax tree.
#pragma once
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Code/Code_CompileHooks.h"
#include "Code/Code_Token.h"
#include "Code/Code_Tree.h"

namespace Compiler {

// What classification keeps beside the tokens: the string values of named constants (the tokens
// view them), and the local numbering of variables (100000 + order of first appearance) when the
// hooks give no variable ids. It must outlive the tokens and the tree parsed from them.
struct ClassifyStore {
  std::deque<std::string> texts;
  std::unordered_map<std::string_view, int> localIds;
};

// Turns identifiers into Function, Constant or Variable tokens and literals into Constant tokens.
bool Classify(std::vector<Token>& tokens, const CompileHooks& hooks, ClassifyStore& store,
              CompileProblem& problem);

// Parses classified tokens as a statement list (the usual form of code).
bool ParseProgram(const std::vector<Token>& tokens, const CompileHooks& hooks, Program& program,
                  CompileProblem& problem);

// Parses classified tokens as one expression (constant values, debugger expressions).
bool ParseExpression(const std::vector<Token>& tokens, const CompileHooks& hooks, Program& program,
                     CompileProblem& problem);

}  // namespace Compiler
