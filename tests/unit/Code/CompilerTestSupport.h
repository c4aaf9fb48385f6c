// Shared helpers of the compiler tests: a small world of names and a printer for syntax trees.
#pragma once
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "Code/Code_CompileHooks.h"
#include "Code/Code_Tree.h"

namespace CompilerTest {

// Functions: show_message (id 3, 1 argument), max (id 7, any), point (id 9, 2 arguments),
// random (id 12, 1 argument), scr_move (script, id 100002, any).
// Values: obj_ball = 4, obj_far = 40000, c_red = 255, self, other, all, noone, global, local,
// title = "Demo". Built-in variables: x = 1, y = 2, speed = 3.
struct World {
  std::map<std::string, int> userIds;
  std::vector<std::pair<std::string, int>> globals;

  Compiler::CompileHooks Hooks() {
    Compiler::CompileHooks h;
    h.findFunction = [](const std::string& name, int& id) {
      static const std::map<std::string, int> functions = {
          {"show_message", 3}, {"max", 7}, {"point", 9}, {"random", 12}, {"scr_move", 100002}};
      auto it = functions.find(name);
      if (it == functions.end()) return false;
      id = it->second;
      return true;
    };
    h.argumentCount = [](int id) {
      switch (id) {
        case 3: return 1;
        case 9: return 2;
        case 12: return 1;
        case 7: return -1;
        case 100002: return -1;
        default: return -100;
      }
    };
    h.findValue = [](const std::string& name, Compiler::CompileConstant& value) {
      static const std::map<std::string, double> reals = {
          {"obj_ball", 4},  {"obj_far", 40000}, {"c_red", 255},   {"self", -1}, {"other", -2},
          {"all", -3},      {"noone", -4},      {"global", -5},   {"local", -7}};
      if (name == "title") {
        value = Compiler::CompileConstant::Text("Demo");
        return true;
      }
      auto it = reals.find(name);
      if (it == reals.end()) return false;
      value = Compiler::CompileConstant::Real(it->second);
      return true;
    };
    h.variableId = [this](const std::string& name) {
      static const std::map<std::string, int> builtins = {{"x", 1}, {"y", 2}, {"speed", 3}};
      auto b = builtins.find(name);
      if (b != builtins.end()) return b->second;
      auto it = userIds.find(name);
      if (it != userIds.end()) return it->second;
      const int id = 100000 + static_cast<int>(userIds.size());
      userIds[name] = id;
      return id;
    };
    h.declareGlobal = [this](const std::string& name, int id) { globals.emplace_back(name, id); };
    return h;
  }
};

inline std::string OpName(Compiler::TokenKind k) {
  using Compiler::TokenKind;
  switch (k) {
    case TokenKind::And: return "and";
    case TokenKind::Or: return "or";
    case TokenKind::Xor: return "xor";
    case TokenKind::Not: return "!";
    case TokenKind::Less: return "<";
    case TokenKind::LessEqual: return "<=";
    case TokenKind::Equal: return "==";
    case TokenKind::NotEqual: return "!=";
    case TokenKind::GreaterEqual: return ">=";
    case TokenKind::Greater: return ">";
    case TokenKind::Plus: return "+";
    case TokenKind::Minus: return "-";
    case TokenKind::Times: return "*";
    case TokenKind::Divide: return "/";
    case TokenKind::Div: return "div";
    case TokenKind::Mod: return "mod";
    case TokenKind::BitAnd: return "&";
    case TokenKind::BitOr: return "|";
    case TokenKind::BitXor: return "^";
    case TokenKind::BitNot: return "~";
    case TokenKind::ShiftLeft: return "<<";
    case TokenKind::ShiftRight: return ">>";
    case TokenKind::Assign: return "=";
    case TokenKind::AssignPlus: return "+=";
    case TokenKind::AssignMinus: return "-=";
    case TokenKind::AssignTimes: return "*=";
    case TokenKind::AssignDivide: return "/=";
    case TokenKind::AssignOr: return "|=";
    case TokenKind::AssignAnd: return "&=";
    case TokenKind::AssignXor: return "^=";
    default: return "?";
  }
}

// Prints an expression as an S-expression: constants as %g or 'text', variables as name with
// "@selector" once known or "(instance).name", indices in brackets, calls as name(args).
inline std::string Print(const Compiler::Expr& e) {
  using Compiler::ExprKind;
  switch (e.kind) {
    case ExprKind::Constant: {
      if (e.value.isString) return std::string("'").append(e.value.text).append("'");
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "%.17g", e.value.real);
      return buffer;
    }
    case ExprKind::Variable: {
      std::string s;
      if (e.instance) s = "(" + Print(*e.instance) + ").";
      s.append(e.name);
      if (e.selectorKnown) s += "@" + std::to_string(e.selector);
      if (!e.args.empty()) {
        s += "[";
        for (size_t i = 0; i < e.args.size(); ++i) s.append(i ? "," : "").append(Print(*e.args[i]));
        s += "]";
      }
      return s;
    }
    case ExprKind::Call: {
      std::string s = std::string(e.name) + "(";
      for (size_t i = 0; i < e.args.size(); ++i) s.append(i ? "," : "").append(Print(*e.args[i]));
      return s + ")";
    }
    case ExprKind::Unary: return "(" + OpName(e.op) + " " + Print(*e.left) + ")";
    case ExprKind::Binary:
      return "(" + OpName(e.op) + " " + Print(*e.left) + " " + Print(*e.right) + ")";
  }
  return "?";
}

inline std::string Print(const Compiler::Stmt& s) {
  using Compiler::StmtKind;
  const auto sub = [](const Compiler::Stmt* p) { return p ? Print(*p) : "-"; };
  std::string list;
  for (const Compiler::Stmt* child : s.list) list.append(" ").append(Print(*child));
  std::string names;
  for (std::string_view n : s.names) names.append(" ").append(n);
  switch (s.kind) {
    case StmtKind::Empty: return "{}";
    case StmtKind::Block: return "{" + list + " }";
    case StmtKind::Call: return Print(*s.expr);
    case StmtKind::If: return "if " + Print(*s.expr) + " " + sub(s.body) + " else " + sub(s.elseBody);
    case StmtKind::While: return "while " + Print(*s.expr) + " " + sub(s.body);
    case StmtKind::DoUntil: return "do " + sub(s.body) + " until " + Print(*s.expr);
    case StmtKind::For:
      return "for " + sub(s.init) + "; " + Print(*s.expr) + "; " + sub(s.step) + " " + sub(s.body);
    case StmtKind::Repeat: return "repeat " + Print(*s.expr) + " " + sub(s.body);
    case StmtKind::With: return "with " + Print(*s.expr) + " " + sub(s.body);
    case StmtKind::Switch: return "switch " + Print(*s.expr) + " {" + list + " }";
    case StmtKind::Case: return std::string(s.caseConstant ? "case! " : "case ") + Print(*s.expr) + ":";
    case StmtKind::Default: return "default:";
    case StmtKind::Exit: return "exit";
    case StmtKind::Break: return "break";
    case StmtKind::Continue: return "continue";
    case StmtKind::Return: return "return " + Print(*s.expr);
    case StmtKind::Var: return "var" + names;
    case StmtKind::GlobalVar: return "globalvar" + names;
    case StmtKind::Assign:
      return Print(*s.target) + " " + OpName(s.assignOp) + " " + Print(*s.expr);
  }
  return "?";
}

inline std::string Print(const Compiler::Program& p) {
  std::string s;
  for (const Compiler::Stmt* stmt : p.statements) s += (s.empty() ? "" : "; ") + Print(*stmt);
  if (p.expression) s += Print(*p.expression);
  return s;
}

}  // namespace CompilerTest
