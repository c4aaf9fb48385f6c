// The semantic pass between parsing and code generation: evaluates operations on constants,
// marks constant case labels and gives every variable its compile-time instance selector.
#pragma once
#include "Code/Code_Token.h"
#include "Code/Code_Tree.h"

namespace Compiler {

// Folds the whole program in place. Returns false with the first error (for example
// "Division by 0." or "Left hand side must be a real value.").
bool FoldProgram(Program& program, CompileProblem& problem);

// Evaluates one operator on constants by the rules of the source interpreter. `op` is a unary
// operator when `right` is null. Returns false with the operator's error message,
// or false with a null message when the result is too large to build at compile time.
bool FoldOperation(TokenKind op, const CompileConstant& left, const CompileConstant* right,
                   CompileConstant& result, const char*& error);

}  // namespace Compiler
