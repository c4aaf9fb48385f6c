// Tokens of the scripting language and the compile-time constant they may carry.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace Compiler {

enum class TokenKind : uint8_t {
  End,
  // literals and names
  Number,
  String,
  Identifier,
  // set by classification
  Constant,
  Function,
  Variable,
  // blocks and keywords
  BlockOpen,
  BlockClose,
  If,
  Then,
  Else,
  While,
  Do,
  For,
  Until,
  Repeat,
  Exit,
  Break,
  Continue,
  With,
  Return,
  Switch,
  Case,
  Default,
  Var,
  GlobalVar,
  // assignment
  Assign,
  AssignPlus,
  AssignMinus,
  AssignTimes,
  AssignDivide,
  AssignOr,
  AssignAnd,
  AssignXor,
  // logical
  And,
  Or,
  Xor,
  Not,
  // comparison
  Less,
  LessEqual,
  Equal,
  NotEqual,
  GreaterEqual,
  Greater,
  // arithmetic
  Plus,
  Minus,
  Times,
  Divide,
  Div,
  Mod,
  // bitwise
  BitAnd,
  BitOr,
  BitXor,
  BitNot,
  ShiftLeft,
  ShiftRight,
  // punctuation
  OpenParen,
  CloseParen,
  OpenBracket,
  CloseBracket,
  Comma,
  Dot,
  Colon,
  Semicolon,
};

// A constant known while compiling: a real or a string. Only the field of its kind is meaningful.
struct CompileConstant {
  bool isString = false;
  double real = 0.0;
  std::string text;

  static CompileConstant Real(double value) {
    CompileConstant c;
    c.real = value;
    return c;
  }
  static CompileConstant Text(std::string value) {
    CompileConstant c;
    c.isString = true;
    c.text = std::move(value);
    return c;
  }
  bool operator==(const CompileConstant&) const = default;
};

// A token views the code text: `text` is its written form (for strings: the characters between
// the quotes). Classification may point `text` at a string value kept elsewhere (see Classify).
// A large program has a million tokens: a token's real value and its name's numbers share their
// bytes (a token has one or the other), which keeps it at 32 bytes.
struct Token {
  TokenKind kind = TokenKind::End;
  bool isString = false;  // Constant: the value is the string in `text`
  int position = 0;       // character offset in the code text
  union {
    double real = 0.0;  // Number, and Constant with a real value
    struct {
      int id;         // function id (Function) or variable id (Variable)
      uint32_t name;  // Function, Variable: the name's number among the code's distinct names
    };
  };
  std::string_view text;
};

// The first problem found while compiling: the message and the character offset it refers to.
struct CompileProblem {
  std::string message;
  int position = 0;
};

}  // namespace Compiler
