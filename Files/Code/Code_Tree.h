// The syntax tree that the parser builds, the folder simplifies and the generator lowers.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "Code/Code_Token.h"

namespace Compiler {

// Compile-time instance selectors of variables.
constexpr int kSelectorSelf = -1;
constexpr int kSelectorOther = -2;
constexpr int kSelectorAll = -3;
constexpr int kSelectorNoone = -4;
constexpr int kSelectorGlobal = -5;
constexpr int kSelectorPlainName = -6;
constexpr int kSelectorLocal = -7;

enum class ExprKind { Constant, Variable, Call, Unary, Binary };

struct Expr {
  ExprKind kind = ExprKind::Constant;
  int position = 0;  // character offset of the token that gives this node (operator, name, literal)
  CompileConstant value;  // Constant

  // Variable: name and id; `instance` is the expression on the left of "." (none for a plain name).
  // After folding, `selectorKnown` says whether `selector` holds a compile-time instance selector.
  // Call: name, id and the arguments in `args`. Variable: the indices (0, 1 or 2) in `args`.
  std::string name;
  int id = 0;
  std::unique_ptr<Expr> instance;
  bool selectorKnown = false;
  int selector = 0;
  std::vector<std::unique_ptr<Expr>> args;

  // Unary (operand in `left`) and Binary.
  TokenKind op = TokenKind::End;
  std::unique_ptr<Expr> left;
  std::unique_ptr<Expr> right;

  int depth = 1;  // height of this subtree; the parser bounds it
};

// Limits that keep every pass within the native stack; deeper code is refused with "Code is
// nested too deeply.". The parser recurses through about a dozen functions per parenthesis or
// nested statement, the later passes through one to three per tree level.
constexpr int kMaxParseNesting = 200;  // parentheses and statements inside statements
constexpr int kMaxNesting = 1000;      // height of an expression tree

enum class StmtKind {
  Empty,
  Block,
  Call,
  If,
  While,
  DoUntil,
  For,
  Repeat,
  With,
  Switch,
  Case,
  Default,
  Exit,
  Break,
  Continue,
  Return,
  Var,
  GlobalVar,
  Assign,
};

struct Stmt {
  StmtKind kind = StmtKind::Empty;
  int position = 0;
  // Condition (If, While, DoUntil, For), count (Repeat), target (With), value (Switch, Case,
  // Return, Assign), the call (Call).
  std::unique_ptr<Expr> expr;
  std::unique_ptr<Expr> target;  // Assign: the variable written
  TokenKind assignOp = TokenKind::Assign;
  std::unique_ptr<Stmt> body;      // If (then), While, DoUntil, For, Repeat, With
  std::unique_ptr<Stmt> elseBody;  // If
  std::unique_ptr<Stmt> init;      // For
  std::unique_ptr<Stmt> step;      // For
  std::vector<std::unique_ptr<Stmt>> list;  // Block, Switch (its body, labels included)
  bool caseConstant = false;                // Case: the label's value is a constant
  std::vector<std::string> names;           // Var, GlobalVar
  std::vector<int> ids;                     // Var, GlobalVar
};

// A parsed piece of code: the statements and the names it declares local with var.
struct Program {
  std::vector<std::unique_ptr<Stmt>> statements;
  std::vector<std::string> localNames;
  std::unique_ptr<Expr> expression;  // set instead of statements when compiled as one expression
};

}  // namespace Compiler
