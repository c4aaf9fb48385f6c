#include "Code/Code_Fold.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Compiler {

namespace {

struct FoldFailure {
  const char* message;
  int position;
};

// Truncates a real toward zero into a 64-bit integer; out-of-range values saturate instead of
// invoking undefined behaviour.
int64_t ToInt64(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9223372036854775807.0) return INT64_MAX;
  if (value <= -9223372036854775808.0) return INT64_MIN;
  return static_cast<int64_t>(value);
}

bool Truth(double value) { return value >= 0.5; }

CompileConstant Bool(bool b) { return CompileConstant::Real(b ? 1.0 : 0.0); }

bool Compare(TokenKind op, int sign) {
  switch (op) {
    case TokenKind::Less: return sign < 0;
    case TokenKind::LessEqual: return sign <= 0;
    case TokenKind::Equal: return sign == 0;
    case TokenKind::NotEqual: return sign != 0;
    case TokenKind::GreaterEqual: return sign >= 0;
    default: return sign > 0;
  }
}

int64_t ShiftLeft(int64_t value, int64_t count) {
  if (count < 0 || count >= 64) return 0;
  return static_cast<int64_t>(static_cast<uint64_t>(value) << count);
}

int64_t ShiftRight(int64_t value, int64_t count) {
  if (count < 0 || count >= 64) return value < 0 ? -1 : 0;
  return value >> count;
}

class Folder {
 public:
  explicit Folder(Program& program)
      : arena_(*program.arena) {
    for (const uint32_t name : program.localNameIndices) {
      if (name >= locals_.size()) locals_.resize(name + 1);
      locals_[name] = true;
    }
  }

  void FoldStatement(Stmt& s) {
    if (s.expr) FoldExpr(s.expr);
    if (s.target) FoldExpr(s.target);
    if (s.kind == StmtKind::Case) s.caseConstant = s.expr->kind == ExprKind::Constant;
    if (s.body) FoldStatement(*s.body);
    if (s.elseBody) FoldStatement(*s.elseBody);
    if (s.init) FoldStatement(*s.init);
    if (s.step) FoldStatement(*s.step);
    for (Stmt* child : s.list) FoldStatement(*child);
  }

  void FoldExpr(Expr*& e) {
    switch (e->kind) {
      case ExprKind::Constant:
        return;
      case ExprKind::Call:
        for (Expr*& arg : e->args) FoldExpr(arg);
        return;
      case ExprKind::Variable:
        FoldVariable(*e);
        return;
      case ExprKind::Unary: {
        FoldExpr(e->left);
        if (e->op == TokenKind::Plus && e->left->kind != ExprKind::Constant) {
          e = e->left;  // unary plus has no effect on a value
          return;
        }
        if (e->left->kind != ExprKind::Constant) return;
        Replace(e, Owned(e->left->value), nullptr);
        return;
      }
      case ExprKind::Binary:
        FoldExpr(e->left);
        FoldExpr(e->right);
        if (e->left->kind == ExprKind::Constant && e->right->kind == ExprKind::Constant) {
          const CompileConstant right = Owned(e->right->value);
          Replace(e, Owned(e->left->value), &right);
        }
        return;
    }
  }

 private:
  static CompileConstant Owned(const TreeConstant& c) {
    return c.isString ? CompileConstant::Text(std::string(c.text)) : CompileConstant::Real(c.real);
  }

  void Replace(Expr*& e, const CompileConstant& left, const CompileConstant* right) {
    CompileConstant result;
    const char* error = nullptr;
    if (!FoldOperation(e->op, left, right, result, error)) {
      if (error) throw FoldFailure{error, e->position};
      return;  // too large to build while compiling: evaluated when the code runs
    }
    Expr* c = arena_.New<Expr>();
    c->kind = ExprKind::Constant;
    c->position = e->position;
    c->value = TreeConstant{result.isString, result.real, arena_.CopyText(result.text)};
    e = c;
  }

  void FoldVariable(Expr& v) {
    for (Expr*& index : v.args) FoldExpr(index);
    if (!v.instance) {
      const bool local = v.nameIndex < locals_.size() && locals_[v.nameIndex];
      v.selectorKnown = true;
      v.selector = local ? kSelectorLocal : kSelectorPlainName;
      return;
    }
    FoldExpr(v.instance);
    if (v.instance->kind != ExprKind::Constant) return;
    if (v.instance->value.isString) {
      throw FoldFailure{"Left hand side must be a real value.", v.instance->position};
    }
    const double selector = std::nearbyint(v.instance->value.real);
    if (selector >= -2147483648.0 && selector <= 2147483647.0) {
      v.selectorKnown = true;
      v.selector = static_cast<int>(selector);
      v.instance = nullptr;
    }
  }

  Arena& arena_;
  // Whether each name (by its number) is declared with var, for the selector of every plain
  // variable.
  std::vector<bool> locals_;
};

}  // namespace

bool FoldOperation(TokenKind op, const CompileConstant& left, const CompileConstant* right,
                   CompileConstant& result, const char*& error) {
  if (!right) {
    if (left.isString) {
      error = "Wrong type of arguments to unary operator.";
      return false;
    }
    switch (op) {
      case TokenKind::Minus: result = CompileConstant::Real(-left.real); return true;
      case TokenKind::Plus: result = left; return true;
      case TokenKind::Not: result = Bool(!Truth(left.real)); return true;
      case TokenKind::BitNot:
        result = CompileConstant::Real(static_cast<double>(~ToInt64(left.real)));
        return true;
      default:
        error = "Wrong type of arguments to unary operator.";
        return false;
    }
  }
  const CompileConstant& r = *right;
  const bool reals = !left.isString && !r.isString;
  const auto fail = [&](const char* message) {
    error = message;
    return false;
  };
  switch (op) {
    case TokenKind::Plus:
      if (reals) result = CompileConstant::Real(left.real + r.real);
      else if (left.isString && r.isString) result = CompileConstant::Text(left.text + r.text);
      else return fail("Wrong type of arguments to +.");
      return true;
    case TokenKind::Minus:
      if (!reals) return fail("Wrong type of arguments to -.");
      result = CompileConstant::Real(left.real - r.real);
      return true;
    case TokenKind::Times:
      if (reals) {
        result = CompileConstant::Real(left.real * r.real);
      } else if (!left.isString && r.isString) {
        // A number times a string repeats the string the number's rounded value times.
        const double times = std::nearbyint(left.real);
        std::string repeated;
        if (times > 0 && !r.text.empty()) {
          const double total = times * static_cast<double>(r.text.size());
          if (total > 16.0 * 1024 * 1024) return fail(nullptr);  // left to run time
          for (int64_t k = 0; k < static_cast<int64_t>(times); ++k) repeated += r.text;
        }
        result = CompileConstant::Text(std::move(repeated));
      } else {
        return fail("Wrong type of arguments to *.");
      }
      return true;
    case TokenKind::Divide:
      if (!reals) return fail("Wrong type of arguments to /.");
      if (r.real == 0.0) return fail("Division by 0.");
      result = CompileConstant::Real(left.real / r.real);
      return true;
    case TokenKind::Div:
      if (!reals) return fail("Wrong type of arguments to div.");
      if (r.real == 0.0) return fail("Division by 0.");
      result = CompileConstant::Real(std::trunc(left.real / r.real));
      return true;
    case TokenKind::Mod:
      if (!reals) return fail("Wrong type of arguments to mod.");
      if (r.real == 0.0) return fail("Modulo by 0.");
      result = CompileConstant::Real(std::fmod(left.real, r.real));
      return true;
    case TokenKind::Less:
    case TokenKind::LessEqual:
    case TokenKind::Equal:
    case TokenKind::NotEqual:
    case TokenKind::GreaterEqual:
    case TokenKind::Greater: {
      int sign;
      if (reals) {
        sign = left.real < r.real ? -1 : (left.real > r.real ? 1 : 0);
      } else if (left.isString && r.isString) {
        const int c = left.text.compare(r.text);
        sign = c < 0 ? -1 : (c > 0 ? 1 : 0);
      } else {
        return fail("Cannot compare arguments.");
      }
      result = Bool(Compare(op, sign));
      return true;
    }
    case TokenKind::And:
      if (!reals) return fail("Wrong type of arguments for &&.");
      result = Bool(Truth(left.real) && Truth(r.real));
      return true;
    case TokenKind::Or:
      if (!reals) return fail("Wrong type of arguments for ||.");
      result = Bool(Truth(left.real) || Truth(r.real));
      return true;
    case TokenKind::Xor:
      if (!reals) return fail("Wrong type of arguments for ^^.");
      result = Bool(Truth(left.real) != Truth(r.real));
      return true;
    case TokenKind::BitOr:
      if (!reals) return fail("Wrong type of arguments for |.");
      result = CompileConstant::Real(static_cast<double>(ToInt64(left.real) | ToInt64(r.real)));
      return true;
    case TokenKind::BitAnd:
      if (!reals) return fail("Wrong type of arguments for &.");
      result = CompileConstant::Real(static_cast<double>(ToInt64(left.real) & ToInt64(r.real)));
      return true;
    case TokenKind::BitXor:
      if (!reals) return fail("Wrong type of arguments for ^.");
      result = CompileConstant::Real(static_cast<double>(ToInt64(left.real) ^ ToInt64(r.real)));
      return true;
    case TokenKind::ShiftLeft:
      if (!reals) return fail("Wrong type of arguments for <<.");
      result = CompileConstant::Real(
          static_cast<double>(ShiftLeft(ToInt64(left.real), ToInt64(r.real))));
      return true;
    case TokenKind::ShiftRight:
      if (!reals) return fail("Wrong type of arguments for >>.");
      result = CompileConstant::Real(
          static_cast<double>(ShiftRight(ToInt64(left.real), ToInt64(r.real))));
      return true;
    default:
      return fail("Cannot compare arguments.");
  }
}

bool FoldProgram(Program& program, CompileProblem& problem) {
  try {
    Folder folder(program);
    for (Stmt* s : program.statements) folder.FoldStatement(*s);
    if (program.expression) folder.FoldExpr(program.expression);
  } catch (const FoldFailure& failure) {
    problem.message = failure.message;
    problem.position = failure.position;
    return false;
  }
  return true;
}

}  // namespace Compiler
