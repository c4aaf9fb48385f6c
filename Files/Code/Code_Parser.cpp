#include "Code/Code_Parser.h"

#include <utility>

namespace Compiler {

namespace {

// Raised inside the parser for the first error; caught at the parser's entry points.
struct ParseFailure {
  const char* message;
  int position;
};

class Parser {
 public:
  Parser(const std::vector<Token>& tokens, const CompileHooks& hooks, Program& program)
      : tokens_(tokens), hooks_(hooks), program_(program) {}

  void ParseAll() {
    while (Peek().kind != TokenKind::End && Peek().kind != TokenKind::BlockClose) {
      program_.statements.push_back(ParseStatement(false));
    }
    if (Peek().kind != TokenKind::End) Fail("Program ends before end of the code.");
  }

  void ParseSingleExpression() {
    if (Peek().kind == TokenKind::End) Fail("Unexpected end of code reached.");
    program_.expression = ParseExpr();
    if (Peek().kind != TokenKind::End) Fail("Program ends before end of the code.");
  }

 private:
  const Token& Peek(size_t ahead = 0) const {
    const size_t i = index_ + ahead;
    return i < tokens_.size() ? tokens_[i] : tokens_.back();
  }
  const Token& Advance() {
    const Token& t = Peek();
    if (index_ < tokens_.size() - 1) ++index_;
    return t;
  }
  bool Accept(TokenKind kind) {
    if (Peek().kind != kind) return false;
    Advance();
    return true;
  }
  void Expect(TokenKind kind, const char* message) {
    if (!Accept(kind)) Fail(message);
  }
  [[noreturn]] void Fail(const char* message) const { throw ParseFailure{message, Peek().position}; }
  [[noreturn]] static void FailAt(const char* message, int position) {
    throw ParseFailure{message, position};
  }

  std::unique_ptr<Stmt> NewStmt(StmtKind kind) {
    auto s = std::make_unique<Stmt>();
    s->kind = kind;
    s->position = Peek().position;
    return s;
  }

  // ---- statements -----------------------------------------------------------------------------

  std::unique_ptr<Stmt> ParseStatement(bool inSwitchBody) {
    std::unique_ptr<Stmt> s = ParseStatementBody(inSwitchBody);
    while (Accept(TokenKind::Semicolon)) {
    }
    return s;
  }

  // Counts the parser's own recursion (statements inside statements, parentheses).
  struct NestingGuard {
    explicit NestingGuard(Parser& p) : parser(p) {
      if (++parser.nesting_ > kMaxParseNesting) parser.Fail("Code is nested too deeply.");
    }
    ~NestingGuard() { --parser.nesting_; }
    Parser& parser;
  };

  // Records the height of a new node and refuses trees deeper than the passes after the parser
  // can walk.
  static void Deepen(Expr& e) {
    int depth = 0;
    const auto see = [&](const std::unique_ptr<Expr>& child) {
      if (child && child->depth > depth) depth = child->depth;
    };
    see(e.left);
    see(e.right);
    see(e.instance);
    for (const auto& arg : e.args) see(arg);
    e.depth = depth + 1;
    if (e.depth > kMaxNesting) FailAt("Code is nested too deeply.", e.position);
  }

  std::unique_ptr<Stmt> ParseStatementBody(bool inSwitchBody) {
    NestingGuard guard(*this);
    const Token& t = Peek();
    switch (t.kind) {
      case TokenKind::End:
        Fail("Unexpected end of code reached.");
      case TokenKind::Semicolon: {
        auto s = NewStmt(StmtKind::Empty);
        Advance();
        return s;
      }
      case TokenKind::BlockOpen: {
        auto s = NewStmt(StmtKind::Block);
        Advance();
        while (Peek().kind != TokenKind::End && Peek().kind != TokenKind::BlockClose) {
          s->list.push_back(ParseStatement(false));
        }
        Expect(TokenKind::BlockClose, "Symbol  } expected.");
        return s;
      }
      case TokenKind::If: {
        auto s = NewStmt(StmtKind::If);
        Advance();
        s->expr = ParseExpr();
        Accept(TokenKind::Then);
        s->body = ParseStatement(false);
        if (Accept(TokenKind::Else)) s->elseBody = ParseStatement(false);
        return s;
      }
      case TokenKind::While: {
        auto s = NewStmt(StmtKind::While);
        Advance();
        s->expr = ParseExpr();
        Accept(TokenKind::Do);
        s->body = ParseStatement(false);
        return s;
      }
      case TokenKind::Do: {
        auto s = NewStmt(StmtKind::DoUntil);
        Advance();
        s->body = ParseStatement(false);
        Expect(TokenKind::Until, "Keyword until expected.");
        s->expr = ParseExpr();
        return s;
      }
      case TokenKind::For: {
        auto s = NewStmt(StmtKind::For);
        Advance();
        Expect(TokenKind::OpenParen, "Symbol ( expected.");
        s->init = ParseStatement(false);  // also skips the ";" that follows it
        s->expr = ParseExpr();
        Accept(TokenKind::Semicolon);
        s->step = ParseStatement(false);
        Expect(TokenKind::CloseParen, "Symbol ) expected.");
        s->body = ParseStatement(false);
        return s;
      }
      case TokenKind::Repeat: {
        auto s = NewStmt(StmtKind::Repeat);
        Advance();
        s->expr = ParseExpr();
        s->body = ParseStatement(false);
        return s;
      }
      case TokenKind::With: {
        auto s = NewStmt(StmtKind::With);
        Advance();
        s->expr = ParseExpr();
        Accept(TokenKind::Do);
        s->body = ParseStatement(false);
        return s;
      }
      case TokenKind::Switch: {
        auto s = NewStmt(StmtKind::Switch);
        Advance();
        s->expr = ParseExpr();
        Expect(TokenKind::BlockOpen, "Symbol {  expected.");
        while (Peek().kind != TokenKind::End && Peek().kind != TokenKind::BlockClose) {
          s->list.push_back(ParseStatement(true));
        }
        Expect(TokenKind::BlockClose, "Symbol  } expected.");
        return s;
      }
      case TokenKind::Case:
        if (inSwitchBody) {
          auto s = NewStmt(StmtKind::Case);
          Advance();
          s->expr = ParseExpr();
          Expect(TokenKind::Colon, "Symbol : expected.");
          return s;
        }
        break;
      case TokenKind::Default:
        if (inSwitchBody) {
          auto s = NewStmt(StmtKind::Default);
          Advance();
          Expect(TokenKind::Colon, "Symbol : expected.");
          return s;
        }
        break;
      case TokenKind::Exit:
      case TokenKind::Break:
      case TokenKind::Continue: {
        auto s = NewStmt(t.kind == TokenKind::Exit    ? StmtKind::Exit
                         : t.kind == TokenKind::Break ? StmtKind::Break
                                                      : StmtKind::Continue);
        Advance();
        return s;
      }
      case TokenKind::Return: {
        auto s = NewStmt(StmtKind::Return);
        Advance();
        s->expr = ParseExpr();
        return s;
      }
      case TokenKind::Var:
      case TokenKind::GlobalVar:
        return ParseDeclaration(t.kind == TokenKind::Var);
      case TokenKind::Function:
      case TokenKind::Variable:
      case TokenKind::Constant:
      case TokenKind::OpenParen:
        return ParseAssignmentOrCall();
      default:
        break;
    }
    Fail("Variable name expected.");
  }

  std::unique_ptr<Stmt> ParseDeclaration(bool local) {
    auto s = NewStmt(local ? StmtKind::Var : StmtKind::GlobalVar);
    Advance();
    while (true) {
      const Token& name = Peek();
      if (name.kind != TokenKind::Variable) Fail("Variable name expected.");
      if (name.id <= kMaxBuiltinVariableId) Fail("Cannot redeclare a builtin variable.");
      s->names.push_back(name.text);
      s->ids.push_back(name.id);
      if (local) {
        program_.localNames.push_back(name.text);
      } else if (hooks_.declareGlobal) {
        hooks_.declareGlobal(name.text, name.id);
      }
      Advance();
      if (!Accept(TokenKind::Comma)) break;
    }
    return s;
  }

  std::unique_ptr<Stmt> ParseAssignmentOrCall() {
    const int start = Peek().position;
    std::unique_ptr<Expr> target = ParseDotted();
    if (target->kind == ExprKind::Call) {
      auto s = NewStmt(StmtKind::Call);
      s->position = start;
      s->expr = std::move(target);
      return s;
    }
    if (target->kind != ExprKind::Variable) FailAt("Variable name expected.", start);
    auto s = NewStmt(StmtKind::Assign);
    s->position = start;
    switch (Peek().kind) {
      case TokenKind::Assign:
      case TokenKind::AssignPlus:
      case TokenKind::AssignMinus:
      case TokenKind::AssignTimes:
      case TokenKind::AssignDivide:
      case TokenKind::AssignOr:
      case TokenKind::AssignAnd:
      case TokenKind::AssignXor:
        s->assignOp = Advance().kind;
        break;
      default:
        Fail("Assignment operator expected.");
    }
    s->target = std::move(target);
    s->expr = ParseExpr();
    return s;
  }

  // ---- expressions ----------------------------------------------------------------------------

  static std::unique_ptr<Expr> NewBinary(TokenKind op, int position, std::unique_ptr<Expr> left,
                                         std::unique_ptr<Expr> right) {
    auto e = std::make_unique<Expr>();
    e->kind = ExprKind::Binary;
    e->op = op;
    e->position = position;
    e->left = std::move(left);
    e->right = std::move(right);
    Deepen(*e);
    return e;
  }

  template <typename Next, typename IsOp>
  std::unique_ptr<Expr> ParseLevel(Next next, IsOp isOp) {
    std::unique_ptr<Expr> left = (this->*next)();
    while (isOp(Peek().kind)) {
      const Token& op = Advance();
      // A single "=" inside an expression compares.
      const TokenKind kind = op.kind == TokenKind::Assign ? TokenKind::Equal : op.kind;
      std::unique_ptr<Expr> right = (this->*next)();
      left = NewBinary(kind, op.position, std::move(left), std::move(right));
    }
    return left;
  }

  std::unique_ptr<Expr> ParseExpr() {
    return ParseLevel(&Parser::ParseComparison, [](TokenKind k) {
      return k == TokenKind::And || k == TokenKind::Or || k == TokenKind::Xor;
    });
  }
  std::unique_ptr<Expr> ParseComparison() {
    return ParseLevel(&Parser::ParseBitwise, [](TokenKind k) {
      return k == TokenKind::Less || k == TokenKind::LessEqual || k == TokenKind::Assign ||
             k == TokenKind::Equal || k == TokenKind::NotEqual || k == TokenKind::GreaterEqual ||
             k == TokenKind::Greater;
    });
  }
  std::unique_ptr<Expr> ParseBitwise() {
    return ParseLevel(&Parser::ParseShift, [](TokenKind k) {
      return k == TokenKind::BitOr || k == TokenKind::BitAnd || k == TokenKind::BitXor;
    });
  }
  std::unique_ptr<Expr> ParseShift() {
    return ParseLevel(&Parser::ParseAdditive, [](TokenKind k) {
      return k == TokenKind::ShiftLeft || k == TokenKind::ShiftRight;
    });
  }
  std::unique_ptr<Expr> ParseAdditive() {
    return ParseLevel(&Parser::ParseMultiplicative,
                      [](TokenKind k) { return k == TokenKind::Plus || k == TokenKind::Minus; });
  }
  std::unique_ptr<Expr> ParseMultiplicative() {
    return ParseLevel(&Parser::ParseUnary, [](TokenKind k) {
      return k == TokenKind::Times || k == TokenKind::Divide || k == TokenKind::Div ||
             k == TokenKind::Mod;
    });
  }
  std::unique_ptr<Expr> ParseUnary() {
    const TokenKind k = Peek().kind;
    if (k == TokenKind::Not || k == TokenKind::Minus || k == TokenKind::Plus ||
        k == TokenKind::BitNot) {
      auto e = std::make_unique<Expr>();
      e->kind = ExprKind::Unary;
      e->op = k;
      e->position = Advance().position;
      e->left = ParseDotted();
      Deepen(*e);
      return e;
    }
    return ParseDotted();
  }

  // An operand followed by any number of ". variable".
  std::unique_ptr<Expr> ParseDotted() {
    std::unique_ptr<Expr> e = ParseOperand();
    while (Accept(TokenKind::Dot)) {
      if (Peek().kind != TokenKind::Variable) Fail("Variable name expected.");
      std::unique_ptr<Expr> v = ParseVariable();
      v->instance = std::move(e);
      Deepen(*v);
      e = std::move(v);
    }
    return e;
  }

  std::unique_ptr<Expr> ParseOperand() {
    const Token& t = Peek();
    switch (t.kind) {
      case TokenKind::Constant: {
        auto e = std::make_unique<Expr>();
        e->kind = ExprKind::Constant;
        e->position = t.position;
        e->value = t.value;
        Advance();
        return e;
      }
      case TokenKind::Function:
        return ParseCall();
      case TokenKind::Variable:
        return ParseVariable();
      case TokenKind::OpenParen: {
        NestingGuard guard(*this);
        Advance();
        std::unique_ptr<Expr> e = ParseExpr();
        Expect(TokenKind::CloseParen, "Symbol ) expected.");
        return e;
      }
      default:
        Fail("Unexpected symbol in expression.");
    }
  }

  std::unique_ptr<Expr> ParseCall() {
    const Token& name = Peek();
    if (name.kind != TokenKind::Function) Fail("Function name expected.");
    auto e = std::make_unique<Expr>();
    e->kind = ExprKind::Call;
    e->position = name.position;
    e->name = name.text;
    e->id = name.id;
    Advance();
    Expect(TokenKind::OpenParen, "Symbol ( expected.");
    if (!Accept(TokenKind::CloseParen)) {
      while (true) {
        e->args.push_back(ParseExpr());
        if (Accept(TokenKind::Comma)) continue;
        if (Accept(TokenKind::CloseParen)) break;
        Fail(Peek().kind == TokenKind::End ? "Symbol ) expected." : "Symbol , or ) expected.");
      }
    }
    Deepen(*e);
    const int count = static_cast<int>(e->args.size());
    const int wanted = hooks_.argumentCount ? hooks_.argumentCount(e->id) : -1;
    if (count > kMaxArguments || (wanted >= 0 && count != wanted) || wanted < -1) {
      FailAt("Wrong number of arguments to function or script.", e->position);
    }
    return e;
  }

  std::unique_ptr<Expr> ParseVariable() {
    const Token& name = Peek();
    if (name.kind != TokenKind::Variable) Fail("Variable name expected.");
    auto e = std::make_unique<Expr>();
    e->kind = ExprKind::Variable;
    e->position = name.position;
    e->name = name.text;
    e->id = name.id;
    Advance();
    if (Accept(TokenKind::OpenBracket)) {
      e->args.push_back(ParseExpr());
      if (Accept(TokenKind::Comma)) {
        e->args.push_back(ParseExpr());
        if (Peek().kind == TokenKind::Comma) Fail("Only 1- and 2-dimensional arrays are supported.");
        Expect(TokenKind::CloseBracket, "Symbol ] expected.");
      } else {
        Expect(TokenKind::CloseBracket, "Symbol , or ] expected.");
      }
      Deepen(*e);
    }
    return e;
  }

  const std::vector<Token>& tokens_;
  const CompileHooks& hooks_;
  Program& program_;
  size_t index_ = 0;
  int nesting_ = 0;
};

bool RunParser(const std::vector<Token>& tokens, const CompileHooks& hooks, Program& program,
               CompileProblem& problem, bool expression) {
  program = Program();
  if (tokens.empty()) {
    problem = {"Unexpected end of code reached.", 0};
    return false;
  }
  try {
    Parser parser(tokens, hooks, program);
    if (expression) parser.ParseSingleExpression();
    else parser.ParseAll();
  } catch (const ParseFailure& failure) {
    problem.message = failure.message;
    problem.position = failure.position;
    program = Program();
    return false;
  }
  return true;
}

}  // namespace

bool Classify(std::vector<Token>& tokens, const CompileHooks& hooks,
              std::vector<std::string>& fallbackNames, CompileProblem& problem) {
  for (size_t i = 0; i < tokens.size(); ++i) {
    Token& t = tokens[i];
    if (t.kind == TokenKind::Number || t.kind == TokenKind::String) {
      t.kind = TokenKind::Constant;
      continue;
    }
    if (t.kind != TokenKind::Identifier) continue;
    const bool call = i + 1 < tokens.size() && tokens[i + 1].kind == TokenKind::OpenParen;
    if (call) {
      int id = -1;
      if (!hooks.findFunction || !hooks.findFunction(t.text, id)) {
        problem.message = "Unknown function or script: " + t.text;
        problem.position = t.position;
        return false;
      }
      t.kind = TokenKind::Function;
      t.id = id;
      continue;
    }
    CompileConstant value;
    if (hooks.findValue && hooks.findValue(t.text, value)) {
      t.kind = TokenKind::Constant;
      t.value = std::move(value);
      continue;
    }
    t.kind = TokenKind::Variable;
    if (hooks.variableId) {
      t.id = hooks.variableId(t.text);
    } else {
      size_t n = 0;
      while (n < fallbackNames.size() && fallbackNames[n] != t.text) ++n;
      if (n == fallbackNames.size()) fallbackNames.push_back(t.text);
      t.id = kFirstUserVariableId + static_cast<int>(n);
    }
  }
  return true;
}

bool ParseProgram(const std::vector<Token>& tokens, const CompileHooks& hooks, Program& program,
                  CompileProblem& problem) {
  return RunParser(tokens, hooks, program, problem, false);
}

bool ParseExpression(const std::vector<Token>& tokens, const CompileHooks& hooks, Program& program,
                     CompileProblem& problem) {
  return RunParser(tokens, hooks, program, problem, true);
}

}  // namespace Compiler
