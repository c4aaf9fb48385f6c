#include "Code/Code_Scanner.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace Compiler {

namespace {

constexpr bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
constexpr bool IsLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Letters, digits and "_": the characters that continue a word.
struct WordChars {
  bool is[256] = {};
  constexpr WordChars() {
    for (int c = 0; c < 256; ++c) is[c] = IsLetter(static_cast<unsigned char>(c)) || IsDigit(static_cast<unsigned char>(c)) || c == '_';
  }
};
constexpr WordChars kWordChars;
bool IsWordChar(unsigned char c) { return kWordChars.is[c]; }
int HexDigit(unsigned char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

struct Word {
  std::string_view text;
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

// For each lowercase first letter, the bits of the kWords entries that start with it.
struct WordsByLetter {
  uint32_t bits[26] = {};
  constexpr WordsByLetter() {
    for (size_t i = 0; i < std::size(kWords); ++i) bits[kWords[i].text[0] - 'a'] |= 1u << i;
  }
};
constexpr WordsByLetter kWordsByLetter;

TokenKind WordKind(std::string_view word) {
  // Every keyword is 2 to 9 lowercase letters long.
  if (word.size() < 2 || word.size() > 9 || word[0] < 'a' || word[0] > 'z') return TokenKind::Identifier;
  for (uint32_t bits = kWordsByLetter.bits[word[0] - 'a']; bits != 0; bits &= bits - 1) {
    const Word& w = kWords[std::countr_zero(bits)];
    if (w.text == word) return w.kind;
  }
  return TokenKind::Identifier;
}

// The operator at the start of `c0 c1`, two-character forms first; its length in `length`.
bool Operator(unsigned char c0, unsigned char c1, TokenKind& kind, size_t& length) {
  length = 2;
  switch (c0) {
    case ':': if (c1 == '=') { kind = TokenKind::Assign; return true; } break;
    case '+': if (c1 == '=') { kind = TokenKind::AssignPlus; return true; } break;
    case '-': if (c1 == '=') { kind = TokenKind::AssignMinus; return true; } break;
    case '*': if (c1 == '=') { kind = TokenKind::AssignTimes; return true; } break;
    case '/': if (c1 == '=') { kind = TokenKind::AssignDivide; return true; } break;
    case '|':
      if (c1 == '=') { kind = TokenKind::AssignOr; return true; }
      if (c1 == '|') { kind = TokenKind::Or; return true; }
      break;
    case '&':
      if (c1 == '=') { kind = TokenKind::AssignAnd; return true; }
      if (c1 == '&') { kind = TokenKind::And; return true; }
      break;
    case '^':
      if (c1 == '=') { kind = TokenKind::AssignXor; return true; }
      if (c1 == '^') { kind = TokenKind::Xor; return true; }
      break;
    case '<':
      if (c1 == '=') { kind = TokenKind::LessEqual; return true; }
      if (c1 == '>') { kind = TokenKind::NotEqual; return true; }
      if (c1 == '<') { kind = TokenKind::ShiftLeft; return true; }
      break;
    case '=': if (c1 == '=') { kind = TokenKind::Equal; return true; } break;
    case '!': if (c1 == '=') { kind = TokenKind::NotEqual; return true; } break;
    case '>':
      if (c1 == '=') { kind = TokenKind::GreaterEqual; return true; }
      if (c1 == '>') { kind = TokenKind::ShiftRight; return true; }
      break;
    default: break;
  }
  length = 1;
  switch (c0) {
    case '{': kind = TokenKind::BlockOpen; return true;
    case '}': kind = TokenKind::BlockClose; return true;
    case '(': kind = TokenKind::OpenParen; return true;
    case ')': kind = TokenKind::CloseParen; return true;
    case '[': kind = TokenKind::OpenBracket; return true;
    case ']': kind = TokenKind::CloseBracket; return true;
    case ',': kind = TokenKind::Comma; return true;
    case '.': kind = TokenKind::Dot; return true;
    case ':': kind = TokenKind::Colon; return true;
    case ';': kind = TokenKind::Semicolon; return true;
    case '=': kind = TokenKind::Assign; return true;
    case '<': kind = TokenKind::Less; return true;
    case '>': kind = TokenKind::Greater; return true;
    case '+': kind = TokenKind::Plus; return true;
    case '-': kind = TokenKind::Minus; return true;
    case '*': kind = TokenKind::Times; return true;
    case '/': kind = TokenKind::Divide; return true;
    case '%': kind = TokenKind::Mod; return true;
    case '&': kind = TokenKind::BitAnd; return true;
    case '|': kind = TokenKind::BitOr; return true;
    case '^': kind = TokenKind::BitXor; return true;
    case '~': kind = TokenKind::BitNot; return true;
    case '!': kind = TokenKind::Not; return true;
    default: return false;
  }
}

}  // namespace

bool Scan(const std::string& source, std::vector<Token>& tokens, CompileProblem& problem, int* unclosedComment) {
  tokens.clear();
  // Game code has about one token for every three characters; pages of the reserve that are not
  // used are never touched, and growing would copy every token.
  tokens.reserve(source.size() / 2 + 16);
  const std::string_view code = source;
  const size_t length = code.size();
  // Reads past the end give 0, which ends every look-ahead below.
  const auto at = [&](size_t i) -> unsigned char { return i < length ? code[i] : 0; };
  size_t i = 0;
  while (true) {
    // Blanks, control characters and comments.
    while (i < length) {
      const unsigned char c = code[i];
      if (c < 33) {
        ++i;
      } else if (c == '/' && at(i + 1) == '/') {
        i += 2;
        while (i < length && code[i] != '\r' && code[i] != '\n') ++i;
      } else if (c == '/' && at(i + 1) == '*') {
        const size_t open = i;
        i += 2;
        while (i < length && !(code[i] == '*' && at(i + 1) == '/')) ++i;
        if (i >= length && unclosedComment != nullptr) *unclosedComment = static_cast<int>(open);
        i = i < length ? i + 2 : length;
      } else {
        break;
      }
    }
    Token& token = tokens.emplace_back();
    token.position = static_cast<int>(i);
    if (i >= length) {
      token.kind = TokenKind::End;
      return true;
    }
    const unsigned char c = code[i];
    const size_t start = i;
    if (c == '$') {
      double value = 0.0;
      ++i;
      while (i < length && HexDigit(code[i]) >= 0) value = value * 16.0 + HexDigit(code[i++]);
      token.kind = TokenKind::Number;
      token.real = value;
    } else if (IsDigit(c) || (c == '.' && IsDigit(at(i + 1)))) {
      double value = 0.0;
      bool seenPoint = false;
      int fractionDigits = 0;
      while (i < length) {
        const unsigned char d = code[i];
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
      token.real = value;
    } else if (c == '"' || c == '\'') {
      size_t close = code.find(static_cast<char>(c), i + 1);
      if (close == std::string_view::npos) close = length;  // an unclosed string takes the rest
      token.kind = TokenKind::String;
      token.isString = true;
      token.text = code.substr(i + 1, close - i - 1);
      i = close < length ? close + 1 : length;
      continue;
    } else if (IsLetter(c) || c == '_') {
      while (i < length && IsWordChar(code[i])) ++i;
      token.text = code.substr(start, i - start);
      token.kind = WordKind(token.text);
      continue;
    } else {
      size_t size = 0;
      if (!Operator(c, at(i + 1), token.kind, size)) {
        tokens.pop_back();
        problem.message = "Unexpected symbol.";
        problem.position = static_cast<int>(i);
        return false;
      }
      i += size;
    }
    token.text = code.substr(start, i - start);
  }
}

}  // namespace Compiler
