// Pass 1 of the compiler: turns a code text into tokens.
#pragma once
#include <string>
#include <vector>

#include "Code/Code_Token.h"

namespace Compiler {

// Scans `code` into `tokens`, which always ends with an End token. The tokens view `code`, which
// must outlive them. On an unknown character returns false with "Unexpected symbol." at its
// position. A block comment with no "*/" runs to the end of the code; when `unclosedComment` is
// given it receives the position of such a comment's "/*" (else it is left alone).
bool Scan(const std::string& code, std::vector<Token>& tokens, CompileProblem& problem,
          int* unclosedComment = nullptr);

}  // namespace Compiler
