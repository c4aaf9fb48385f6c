#include "Code/Code_Scanner.h"

#include <cmath>
#include <cstring>

namespace Compiler {

namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsWordChar(unsigned char c) { return IsLetter(c) || IsDigit(c) || c == '_'; }
int HexDigit(unsigned char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

struct Word {
  const char* text;
  TokenKind kind;
};

// Keywords and operator words; matched case-sensitively against whole words only.
constexpr Word kWords[] = {
    {"begin", TokenKind::BlockOpen},   {"end", TokenKind::BlockClose},
    {"if", TokenKind::If},             {"then", TokenKind::Then},
    {"else", TokenKind::Else},         {"while", TokenKind::While},
    {"do", TokenKind::Do},             {"for", TokenKind::For},
    {"until", TokenKind::Until},       {"repeat", TokenKind::Repeat},
    {"exit", TokenKind::Exit},         {"break", TokenKind::Break},
    {"continue", TokenKind::Continue}, {"with", TokenKind::With},
    {"return", TokenKind::Return},     {"switch", TokenKind::Switch},
    {"case", TokenKind::Case},         {"default", TokenKind::Default},
    {"var", TokenKind::Var},           {"globalvar", TokenKind::GlobalVar},
    {"and", TokenKind::And},           {"or", TokenKind::Or},
    {"xor", TokenKind::Xor},           {"not", TokenKind::Not},
    {"div", TokenKind::Div},           {"mod", TokenKind::Mod},
};

constexpr Word kTwoCharOperators[] = {
    {":=", TokenKind::Assign},       {"+=", TokenKind::AssignPlus},   {"-=", TokenKind::AssignMinus},
    {"*=", TokenKind::AssignTimes},  {"/=", TokenKind::AssignDivide}, {"|=", TokenKind::AssignOr},
    {"&=", TokenKind::AssignAnd},    {"^=", TokenKind::AssignXor},    {"&&", TokenKind::And},
    {"||", TokenKind::Or},           {"^^", TokenKind::Xor},          {"<=", TokenKind::LessEqual},
    {"==", TokenKind::Equal},        {"!=", TokenKind::NotEqual},     {"<>", TokenKind::NotEqual},
    {">=", TokenKind::GreaterEqual}, {"<<", TokenKind::ShiftLeft},    {">>", TokenKind::ShiftRight},
};

constexpr Word kOneCharOperators[] = {
    {"{", TokenKind::BlockOpen},    {"}", TokenKind::BlockClose},   {"(", TokenKind::OpenParen},
    {")", TokenKind::CloseParen},   {"[", TokenKind::OpenBracket},  {"]", TokenKind::CloseBracket},
    {",", TokenKind::Comma},        {".", TokenKind::Dot},          {":", TokenKind::Colon},
    {";", TokenKind::Semicolon},    {"=", TokenKind::Assign},       {"<", TokenKind::Less},
    {">", TokenKind::Greater},      {"+", TokenKind::Plus},         {"-", TokenKind::Minus},
    {"*", TokenKind::Times},        {"/", TokenKind::Divide},       {"%", TokenKind::Mod},
    {"&", TokenKind::BitAnd},       {"|", TokenKind::BitOr},        {"^", TokenKind::BitXor},
    {"~", TokenKind::BitNot},       {"!", TokenKind::Not},
};

}  // namespace

bool Scan(const std::string& source, std::vector<Token>& tokens, CompileProblem& problem) {
  tokens.clear();
  // Three blanks of padding let every look-ahead below read past the last real character.
  const std::string code = source + "   ";
  const size_t length = source.size();
  const auto at = [&](size_t i) -> unsigned char { return i < code.size() ? code[i] : 0; };
  size_t i = 0;
  while (true) {
    // Blanks, control characters and comments.
    while (i < length) {
      const unsigned char c = at(i);
      if (c < 33) {
        ++i;
      } else if (c == '/' && at(i + 1) == '/') {
        i += 2;
        while (i < length && at(i) != '\r' && at(i) != '\n') ++i;
      } else if (c == '/' && at(i + 1) == '*') {
        i += 2;
        while (i < length && !(at(i) == '*' && at(i + 1) == '/')) ++i;
        i = i < length ? i + 2 : length;
      } else {
        break;
      }
    }
    Token token;
    token.position = static_cast<int>(i);
    if (i >= length) {
      token.kind = TokenKind::End;
      tokens.push_back(std::move(token));
      return true;
    }
    const unsigned char c = at(i);
    const size_t start = i;
    if (c == '$') {
      double value = 0.0;
      ++i;
      while (i < length && HexDigit(at(i)) >= 0) value = value * 16.0 + HexDigit(at(i++));
      token.kind = TokenKind::Number;
      token.value = CompileConstant::Real(value);
    } else if (IsDigit(c) || (c == '.' && IsDigit(at(i + 1)))) {
      double value = 0.0;
      bool seenPoint = false;
      int fractionDigits = 0;
      while (i < length) {
        const unsigned char d = at(i);
        if (IsDigit(d)) {
          if (seenPoint) {
            ++fractionDigits;
            value += (d - '0') * std::pow(10.0, -fractionDigits);
          } else {
            value = value * 10.0 + (d - '0');
          }
        } else if (d == '.' && !seenPoint) {
          seenPoint = true;
        } else {
          break;
        }
        ++i;
      }
      token.kind = TokenKind::Number;
      token.value = CompileConstant::Real(value);
    } else if (c == '"' || c == '\'') {
      size_t close = source.find(static_cast<char>(c), i + 1);
      if (close == std::string::npos) close = length;  // an unclosed string takes the rest
      token.kind = TokenKind::String;
      token.value = CompileConstant::Text(source.substr(i + 1, close - i - 1));
      i = close < length ? close + 1 : length;
    } else if (IsLetter(c) || c == '_') {
      while (i < length && IsWordChar(at(i))) ++i;
      token.kind = TokenKind::Identifier;
      const std::string word = source.substr(start, i - start);
      for (const Word& w : kWords) {
        if (word == w.text) {
          token.kind = w.kind;
          break;
        }
      }
    } else {
      bool found = false;
      for (const Word& w : kTwoCharOperators) {
        if (at(i) == static_cast<unsigned char>(w.text[0]) &&
            at(i + 1) == static_cast<unsigned char>(w.text[1])) {
          token.kind = w.kind;
          i += 2;
          found = true;
          break;
        }
      }
      for (const Word& w : kOneCharOperators) {
        if (found) break;
        if (at(i) == static_cast<unsigned char>(w.text[0])) {
          token.kind = w.kind;
          i += 1;
          found = true;
        }
      }
      if (!found) {
        problem.message = "Unexpected symbol.";
        problem.position = static_cast<int>(i);
        return false;
      }
    }
    if (token.kind != TokenKind::String) token.text = source.substr(start, i - start);
    else token.text = token.value.text;
    tokens.push_back(std::move(token));
  }
}

}  // namespace Compiler
