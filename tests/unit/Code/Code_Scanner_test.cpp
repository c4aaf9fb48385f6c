#include "Code/Code_Scanner.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

using namespace Compiler;

namespace {

// Tokens view the code they were scanned from, so the texts are kept for the whole test run.
std::vector<Token> ScanOk(const std::string& code) {
  static std::deque<std::string> texts;
  const std::string& kept = texts.emplace_back(code);
  std::vector<Token> tokens;
  CompileProblem problem;
  EXPECT_TRUE(Scan(kept, tokens, problem)) << code << ": " << problem.message;
  return tokens;
}

}  // namespace

TEST(Scanner, NumbersInHexDecimalAndFractionForms) {
  auto t = ScanOk("$FF $1a 42 .5 3.25 7.");
  ASSERT_EQ(t.size(), 7u);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(t[i].kind, TokenKind::Number);
  EXPECT_EQ(t[0].real, 255.0);
  EXPECT_EQ(t[1].real, 26.0);
  EXPECT_EQ(t[2].real, 42.0);
  EXPECT_EQ(t[3].real, 0.5);
  EXPECT_EQ(t[4].real, 3.25);
  EXPECT_EQ(t[5].real, 7.0);
  EXPECT_EQ(t[6].kind, TokenKind::End);
}

TEST(Scanner, SecondPointStartsANewNumber) {
  auto t = ScanOk("1.2.3");
  ASSERT_EQ(t.size(), 3u);
  EXPECT_DOUBLE_EQ(t[0].real, 1.2);
  EXPECT_EQ(t[0].position, 0);
  EXPECT_DOUBLE_EQ(t[1].real, 0.3);
  EXPECT_EQ(t[1].position, 3);
}

TEST(Scanner, StringsTakeEitherQuoteWithoutEscapes) {
  auto t = ScanOk("'say \"hi\"' \"it's\" \"two\nlines\" 'a\\'");
  ASSERT_EQ(t.size(), 5u);
  EXPECT_EQ(t[0].kind, TokenKind::String);
  EXPECT_EQ(t[0].text, "say \"hi\"");
  EXPECT_EQ(t[1].text, "it's");
  EXPECT_EQ(t[2].text, "two\nlines");
  EXPECT_EQ(t[3].text, "a\\");
}

TEST(Scanner, UnclosedStringTakesTheRestOfTheCode) {
  auto t = ScanOk("x = 'abc; y = 2");
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t[2].text, "abc; y = 2");
  EXPECT_EQ(t[3].kind, TokenKind::End);
}

TEST(Scanner, KeywordsAreCaseSensitiveWholeWords) {
  auto t = ScanOk("begin BEGIN End end ifx if div divide mod_x mod");
  std::vector<TokenKind> kinds;
  for (const auto& token : t) kinds.push_back(token.kind);
  const std::vector<TokenKind> expected = {
      TokenKind::BlockOpen, TokenKind::Identifier, TokenKind::Identifier, TokenKind::BlockClose,
      TokenKind::Identifier, TokenKind::If, TokenKind::Div, TokenKind::Identifier,
      TokenKind::Identifier, TokenKind::Mod, TokenKind::End};
  EXPECT_EQ(kinds, expected);
}

TEST(Scanner, OperatorsPreferTwoCharacterForms) {
  auto t = ScanOk("a:=b<>c<=d<<e&&f||g^^h!=i==j>=k>>l+=m|=n&=o^=p-=q*=r/=s");
  std::vector<TokenKind> ops;
  for (size_t i = 1; i < t.size(); i += 2) ops.push_back(t[i].kind);
  const std::vector<TokenKind> expected = {
      TokenKind::Assign,      TokenKind::NotEqual,     TokenKind::LessEqual,  TokenKind::ShiftLeft,
      TokenKind::And,         TokenKind::Or,           TokenKind::Xor,        TokenKind::NotEqual,
      TokenKind::Equal,       TokenKind::GreaterEqual, TokenKind::ShiftRight, TokenKind::AssignPlus,
      TokenKind::AssignOr,    TokenKind::AssignAnd,    TokenKind::AssignXor,  TokenKind::AssignMinus,
      TokenKind::AssignTimes, TokenKind::AssignDivide, TokenKind::End};
  EXPECT_EQ(ops, expected);
}

TEST(Scanner, CommentsAndControlCharactersAreSkipped) {
  auto t = ScanOk("a // rest\r\n/* block\n * */\tb /* unclosed");
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0].text, "a");
  EXPECT_EQ(t[1].text, "b");
  EXPECT_EQ(t[1].position, 26);
}

TEST(Scanner, UnknownCharacterIsAnError) {
  std::vector<Token> tokens;
  CompileProblem problem;
  EXPECT_FALSE(Scan("x = 1 @ 2", tokens, problem));
  EXPECT_EQ(problem.message, "Unexpected symbol.");
  EXPECT_EQ(problem.position, 6);
  EXPECT_FALSE(Scan("x = \"\xC3\xA9\" + \xC3", tokens, problem));
  EXPECT_EQ(problem.position, 11);
}
