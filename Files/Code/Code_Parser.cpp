#include "Code/Code_Parser.h"

#include <string>
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
      : tokens_(tokens), hooks_(hooks), program_(program), arena_(*program.arena) {}

  void ParseAll() {
    program_.statements = ParseStatementList(false);
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

  Stmt* NewStmt(StmtKind kind) {
    Stmt* s = arena_.New<Stmt>();
    s->kind = kind;
    s->position = Peek().position;
    return s;
  }

  // ---- statements -----------------------------------------------------------------------------

  Stmt* ParseStatement(bool inSwitchBody) {
    Stmt* s = ParseStatementBody(inSwitchBody);
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
    const auto see = [&](const Expr* child) {
      if (child && child->depth > depth) depth = child->depth;
    };
    see(e.left);
    see(e.right);
    see(e.instance);
    for (const Expr* arg : e.args) see(arg);
    e.depth = depth + 1;
    if (e.depth > kMaxNesting) FailAt("Code is nested too deeply.", e.position);
  }

  Stmt* ParseStatementBody(bool inSwitchBody) {
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
        s->list = ParseStatementList(false);
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
        s->list = ParseStatementList(true);
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

  Stmt* ParseDeclaration(bool local) {
    auto s = NewStmt(local ? StmtKind::Var : StmtKind::GlobalVar);
    Advance();
    names_.clear();
    ids_.clear();
    while (true) {
      const Token& name = Peek();
      if (name.kind != TokenKind::Variable) Fail("Variable name expected.");
      if (name.id <= kMaxBuiltinVariableId) Fail("Cannot redeclare a builtin variable.");
      names_.push_back(name.text);
      ids_.push_back(name.id);
      if (local) {
        program_.localNames.push_back(name.text);
        program_.localNameIndices.push_back(name.name);
      } else if (hooks_.declareGlobal) {
        hooks_.declareGlobal(std::string(name.text), name.id);
      }
      Advance();
      if (!Accept(TokenKind::Comma)) break;
    }
    s->names = {arena_.Copy(names_.data(), names_.size()), static_cast<uint32_t>(names_.size())};
    s->ids = {arena_.Copy(ids_.data(), ids_.size()), static_cast<uint32_t>(ids_.size())};
    return s;
  }

  // Statements up to the closing "}" (or the end of the code), through a scratch stack shared by
  // all nesting levels.
  Span<Stmt*> ParseStatementList(bool inSwitchBody) {
    const size_t first = stmtStack_.size();
    while (Peek().kind != TokenKind::End && Peek().kind != TokenKind::BlockClose) {
      Stmt* s = ParseStatement(inSwitchBody);
      stmtStack_.push_back(s);
    }
    return TakeFrom(stmtStack_, first);
  }

  template <typename T>
  Span<T> TakeFrom(std::vector<T>& stack, size_t first) {
    const size_t count = stack.size() - first;
    Span<T> span{arena_.Copy(stack.data() + first, count), static_cast<uint32_t>(count)};
    stack.resize(first);
    return span;
  }

  Stmt* ParseAssignmentOrCall() {
    const int start = Peek().position;
    Expr* target = ParseDotted();
    if (target->kind == ExprKind::Call) {
      auto s = NewStmt(StmtKind::Call);
      s->position = start;
      s->expr = target;
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
    s->target = target;
    s->expr = ParseExpr();
    return s;
  }

  // ---- expressions ----------------------------------------------------------------------------

  Expr* NewBinary(TokenKind op, int position, Expr* left, Expr* right) {
    Expr* e = arena_.New<Expr>();
    e->kind = ExprKind::Binary;
    e->op = op;
    e->position = position;
    e->left = left;
    e->right = right;
    Deepen(*e);
    return e;
  }

  // The binding level of a binary operator, loosest first: logical, comparison (a single "="
  // inside an expression compares), bitwise, shift, additive, multiplicative; 0 for any other
  // token. Every level associates to the left.
  static int Level(TokenKind k) {
    switch (k) {
      case TokenKind::And: case TokenKind::Or: case TokenKind::Xor:
        return 1;
      case TokenKind::Less: case TokenKind::LessEqual: case TokenKind::Assign: case TokenKind::Equal:
      case TokenKind::NotEqual: case TokenKind::GreaterEqual: case TokenKind::Greater:
        return 2;
      case TokenKind::BitOr: case TokenKind::BitAnd: case TokenKind::BitXor:
        return 3;
      case TokenKind::ShiftLeft: case TokenKind::ShiftRight:
        return 4;
      case TokenKind::Plus: case TokenKind::Minus:
        return 5;
      case TokenKind::Times: case TokenKind::Divide: case TokenKind::Div: case TokenKind::Mod:
        return 6;
      default:
        return 0;
    }
  }

  Expr* ParseExpr() { return ParseBinary(1); }

  // Operands joined by operators of level `lowest` or tighter.
  Expr* ParseBinary(int lowest) {
    Expr* left = ParseUnary();
    for (int level = Level(Peek().kind); level >= lowest; level = Level(Peek().kind)) {
      const Token& op = Advance();
      const TokenKind kind = op.kind == TokenKind::Assign ? TokenKind::Equal : op.kind;
      Expr* right = ParseBinary(level + 1);
      left = NewBinary(kind, op.position, left, right);
    }
    return left;
  }

  Expr* ParseUnary() {
    const TokenKind k = Peek().kind;
    if (k == TokenKind::Not || k == TokenKind::Minus || k == TokenKind::Plus ||
        k == TokenKind::BitNot) {
      Expr* e = arena_.New<Expr>();
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
  Expr* ParseDotted() {
    Expr* e = ParseOperand();
    while (Accept(TokenKind::Dot)) {
      if (Peek().kind != TokenKind::Variable) Fail("Variable name expected.");
      Expr* v = ParseVariable();
      v->instance = e;
      Deepen(*v);
      e = v;
    }
    return e;
  }

  Expr* ParseOperand() {
    const Token& t = Peek();
    switch (t.kind) {
      case TokenKind::Constant: {
        Expr* e = arena_.New<Expr>();
        e->kind = ExprKind::Constant;
        e->position = t.position;
        e->value = TreeConstant{t.isString, t.real, t.isString ? t.text : std::string_view()};
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
        Expr* e = ParseExpr();
        Expect(TokenKind::CloseParen, "Symbol ) expected.");
        return e;
      }
      default:
        Fail("Unexpected symbol in expression.");
    }
  }

  Expr* ParseCall() {
    const Token& name = Peek();
    if (name.kind != TokenKind::Function) Fail("Function name expected.");
    Expr* e = arena_.New<Expr>();
    e->kind = ExprKind::Call;
    e->position = name.position;
    e->name = name.text;
    e->id = name.id;
    e->nameIndex = name.name;
    Advance();
    Expect(TokenKind::OpenParen, "Symbol ( expected.");
    if (!Accept(TokenKind::CloseParen)) {
      const size_t first = exprStack_.size();
      while (true) {
        Expr* arg = ParseExpr();
        exprStack_.push_back(arg);
        if (Accept(TokenKind::Comma)) continue;
        if (Accept(TokenKind::CloseParen)) break;
        Fail(Peek().kind == TokenKind::End ? "Symbol ) expected." : "Symbol , or ) expected.");
      }
      e->args = TakeFrom(exprStack_, first);
    }
    Deepen(*e);
    const int count = static_cast<int>(e->args.size());
    const int wanted = hooks_.argumentCount ? hooks_.argumentCount(e->id) : -1;
    if (count > kMaxArguments || (wanted >= 0 && count != wanted) || wanted < -1) {
      FailAt("Wrong number of arguments to function or script.", e->position);
    }
    return e;
  }

  Expr* ParseVariable() {
    const Token& name = Peek();
    if (name.kind != TokenKind::Variable) Fail("Variable name expected.");
    Expr* e = arena_.New<Expr>();
    e->kind = ExprKind::Variable;
    e->position = name.position;
    e->name = name.text;
    e->id = name.id;
    e->nameIndex = name.name;
    Advance();
    if (Accept(TokenKind::OpenBracket)) {
      Expr* indices[2] = {ParseExpr(), nullptr};
      uint32_t count = 1;
      if (Accept(TokenKind::Comma)) {
        indices[count++] = ParseExpr();
        if (Peek().kind == TokenKind::Comma) Fail("Only 1- and 2-dimensional arrays are supported.");
        Expect(TokenKind::CloseBracket, "Symbol ] expected.");
      } else {
        Expect(TokenKind::CloseBracket, "Symbol , or ] expected.");
      }
      e->args = {arena_.Copy(indices, count), count};
      Deepen(*e);
    }
    return e;
  }

  const std::vector<Token>& tokens_;
  const CompileHooks& hooks_;
  Program& program_;
  Arena& arena_;
  std::vector<Stmt*> stmtStack_;  // statement lists being parsed, innermost last
  std::vector<Expr*> exprStack_;  // argument lists being parsed, innermost last
  std::vector<std::string_view> names_;  // the declaration being parsed
  std::vector<int> ids_;
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
    program.tokenCount = tokens.size();
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

namespace {

// What the hooks said about one distinct name of the code; each hook is asked once per name, in
// the order of the names' first uses.
struct NameInfo {
  int8_t call = 0;   // as a function: 0 not asked yet, 1 found (callId)
  int8_t plain = 0;  // elsewhere: 0 not asked yet, 1 a constant (value), 2 a variable (variableId)
  int callId = 0;
  int variableId = 0;
  bool isString = false;
  double real = 0.0;
  std::string_view text;  // a string constant's value
};

struct NameHash {
  size_t operator()(std::string_view s) const {
    uint64_t h = 14695981039346656037ull;
    for (const unsigned char c : s) h = (h ^ c) * 1099511628211ull;
    return static_cast<size_t>(h ^ (h >> 29));
  }
};

}  // namespace

bool Classify(std::vector<Token>& tokens, const CompileHooks& hooks, ClassifyStore& store,
              CompileProblem& problem) {
  std::string name;  // the hooks take names as strings; one buffer serves every name
  std::unordered_map<std::string_view, uint32_t, NameHash> numbers;
  std::vector<NameInfo> names;
  for (size_t i = 0; i < tokens.size(); ++i) {
    Token& t = tokens[i];
    if (t.kind == TokenKind::Number || t.kind == TokenKind::String) {
      t.kind = TokenKind::Constant;
      continue;
    }
    if (t.kind != TokenKind::Identifier) continue;
    const auto [it, added] = numbers.try_emplace(t.text, static_cast<uint32_t>(names.size()));
    if (added) names.emplace_back();
    const uint32_t number = it->second;
    const bool call = i + 1 < tokens.size() && tokens[i + 1].kind == TokenKind::OpenParen;
    if (call) {
      if (names[number].call == 0) {
        int id = -1;
        name.assign(t.text);
        if (!hooks.findFunction || !hooks.findFunction(name, id)) {
          problem.message = "Unknown function or script: " + name;
          problem.position = t.position;
          return false;
        }
        names[number].call = 1;
        names[number].callId = id;
      }
      t.kind = TokenKind::Function;
      t.id = names[number].callId;
      t.name = number;
      continue;
    }
    NameInfo& info = names[number];
    if (info.plain == 0) {
      name.assign(t.text);
      CompileConstant value;
      if (hooks.findValue && hooks.findValue(name, value)) {
        info.plain = 1;
        info.isString = value.isString;
        info.real = value.real;
        if (value.isString) info.text = store.texts.emplace_back(std::move(value.text));
      } else {
        info.plain = 2;
        if (hooks.variableId) {
          info.variableId = hooks.variableId(name);
        } else {
          const int next = kFirstUserVariableId + static_cast<int>(store.localIds.size());
          info.variableId = store.localIds.try_emplace(t.text, next).first->second;
        }
      }
    }
    if (info.plain == 1) {
      t.kind = TokenKind::Constant;
      t.isString = info.isString;
      t.real = info.real;
      if (info.isString) t.text = info.text;
      continue;
    }
    t.kind = TokenKind::Variable;
    t.id = info.variableId;
    t.name = number;
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
