#include "Code/Code_Fold.h"

#include <gtest/gtest.h>

#include "Code/Code_Parser.h"
#include "Code/Code_Scanner.h"
#include "CompilerTestSupport.h"

using namespace Compiler;

namespace {

struct Folded {
  bool ok = false;
  std::string tree;
  CompileProblem problem;
};

Folded FoldText(const std::string& code) {
  CompilerTest::World world;
  Folded out;
  std::vector<Token> tokens;
  ClassifyStore store;
  Program program;
  const CompileHooks hooks = world.Hooks();
  out.ok = Scan(code, tokens, out.problem) && Classify(tokens, hooks, store, out.problem) &&
           ParseProgram(tokens, hooks, program, out.problem) && FoldProgram(program, out.problem);
  if (out.ok) out.tree = CompilerTest::Print(program);
  return out;
}

// The folded value assigned by "a = <expression>".
std::string Value(const std::string& expression) {
  Folded f = FoldText("a = " + expression);
  EXPECT_TRUE(f.ok) << expression << ": " << f.problem.message;
  const std::string prefix = "a@-6 = ";
  return f.tree.rfind(prefix, 0) == 0 ? f.tree.substr(prefix.size()) : f.tree;
}

void ExpectFoldError(const std::string& expression, const std::string& message, int position) {
  Folded f = FoldText("a = " + expression);
  EXPECT_FALSE(f.ok) << expression;
  EXPECT_EQ(f.problem.message, message) << expression;
  EXPECT_EQ(f.problem.position, position + 4) << expression;
}

}  // namespace

TEST(Fold, ArithmeticOnConstants) {
  EXPECT_EQ(Value("2 + 3 * 4"), "14");
  EXPECT_EQ(Value("10 - 4 - 3"), "3");
  EXPECT_EQ(Value("7 / 2"), "3.5");
  EXPECT_EQ(Value("7 div 2"), "3");
  EXPECT_EQ(Value("-7 div 2"), "-3");
  EXPECT_EQ(Value("7 mod -3"), "1");
  EXPECT_EQ(Value("-7 mod 3"), "-1");
  EXPECT_EQ(Value("7.5 mod 2"), "1.5");
  EXPECT_EQ(Value("-(2 + 3)"), "-5");
  EXPECT_EQ(Value("c_red + 1"), "256");
  // Only constant operands fold; the rest stays an operation.
  EXPECT_EQ(Value("b + 2 * 3"), "(+ b@-6 6)");
}

TEST(Fold, StringsConcatenateAndRepeat) {
  EXPECT_EQ(Value("'ab' + \"cd\""), "'abcd'");
  EXPECT_EQ(Value("3 * 'ab'"), "'ababab'");
  EXPECT_EQ(Value("2.5 * 'ab'"), "'abab'");  // rounded, halves to even
  EXPECT_EQ(Value("2.6 * 'ab'"), "'ababab'");
  EXPECT_EQ(Value("0 * 'ab'"), "''");
  EXPECT_EQ(Value("-2 * 'ab'"), "''");
  EXPECT_EQ(Value("title + '!'"), "'Demo!'");
}

TEST(Fold, ComparisonsAreExactAndStringsCompareBytewise) {
  // The machine's tolerance of 1e-5 does not apply to folded comparisons.
  EXPECT_EQ(Value("1.000001 == 1"), "0");
  EXPECT_EQ(Value("0.000001 < 0.000002"), "1");
  EXPECT_EQ(Value("1 = 1"), "1");
  EXPECT_EQ(Value("1.000001 > 1"), "1");
  EXPECT_EQ(Value("'abc' < 'abd'"), "1");
  EXPECT_EQ(Value("'a' > 'B'"), "1");
  EXPECT_EQ(Value("'' == ''"), "1");
  EXPECT_EQ(Value("2 <= 2"), "1");
  EXPECT_EQ(Value("2 != 2"), "0");
  EXPECT_EQ(Value("3 >= 4"), "0");
}

TEST(Fold, LogicalOperatorsTreatHalfOrMoreAsTrue) {
  EXPECT_EQ(Value("0.5 && 1"), "1");
  EXPECT_EQ(Value("0.49 and 1"), "0");
  EXPECT_EQ(Value("0.4 || 0"), "0");
  EXPECT_EQ(Value("1 ^^ 1"), "0");
  EXPECT_EQ(Value("1 xor 0"), "1");
  EXPECT_EQ(Value("!0.5"), "0");
  EXPECT_EQ(Value("not 0.4"), "1");
  EXPECT_EQ(Value("1 or 0 and 0"), "0");
}

TEST(Fold, BitwiseOperatorsWorkOnTruncatedIntegers) {
  EXPECT_EQ(Value("5 & 3"), "1");
  EXPECT_EQ(Value("5 | 3"), "7");
  EXPECT_EQ(Value("5 ^ 3"), "6");
  EXPECT_EQ(Value("~0"), "-1");
  EXPECT_EQ(Value("-1.7 & 255"), "255");
  EXPECT_EQ(Value("1 << 40"), "1099511627776");
  EXPECT_EQ(Value("-8 >> 1"), "-4");
  EXPECT_EQ(Value("1 << 64"), "0");
  EXPECT_EQ(Value("-1 >> 70"), "-1");
}

TEST(Fold, OperatorErrorsNameTheOperator) {
  ExpectFoldError("-'x'", "Wrong type of arguments to unary operator.", 0);
  ExpectFoldError("'ab' * 3", "Wrong type of arguments to *.", 5);
  ExpectFoldError("'a' / 1", "Wrong type of arguments to /.", 4);
  ExpectFoldError("'a' div 1", "Wrong type of arguments to div.", 4);
  ExpectFoldError("'a' mod 1", "Wrong type of arguments to mod.", 4);
  ExpectFoldError("'a' + 1", "Wrong type of arguments to +.", 4);
  ExpectFoldError("'a' - 'b'", "Wrong type of arguments to -.", 4);
  ExpectFoldError("'a' < 1", "Cannot compare arguments.", 4);
  ExpectFoldError("'a' && 1", "Wrong type of arguments for &&.", 4);
  ExpectFoldError("'a' || 1", "Wrong type of arguments for ||.", 4);
  ExpectFoldError("'a' ^^ 1", "Wrong type of arguments for ^^.", 4);
  ExpectFoldError("'a' | 1", "Wrong type of arguments for |.", 4);
  ExpectFoldError("'a' & 1", "Wrong type of arguments for &.", 4);
  ExpectFoldError("'a' ^ 1", "Wrong type of arguments for ^.", 4);
  ExpectFoldError("'a' << 1", "Wrong type of arguments for <<.", 4);
  ExpectFoldError("'a' >> 1", "Wrong type of arguments for >>.", 4);
  ExpectFoldError("1 / 0", "Division by 0.", 2);
  ExpectFoldError("1 div 0", "Division by 0.", 2);
  ExpectFoldError("1 mod (2 - 2)", "Modulo by 0.", 2);
  // A folded error inside a larger expression still stops the compilation.
  ExpectFoldError("b + (1 / 0)", "Division by 0.", 7);
}

TEST(Fold, SelectorsOfVariables) {
  Folded f = FoldText("var t; t = x; other.y = (1 + 2).z; (b).w[1] = 0");
  ASSERT_TRUE(f.ok) << f.problem.message;
  EXPECT_EQ(f.tree, "var t; t@-7 = x@-6; y@-2 = z@3; (b@-6).w[1] = 0");
  Folded s = FoldText("title.x = 1");
  EXPECT_FALSE(s.ok);
  EXPECT_EQ(s.problem.message, "Left hand side must be a real value.");
  EXPECT_EQ(s.problem.position, 0);
  Folded t = FoldText("a = ('p' + 'q').x");
  EXPECT_FALSE(t.ok);
  EXPECT_EQ(t.problem.message, "Left hand side must be a real value.");
  EXPECT_EQ(t.problem.position, 9);
}

TEST(Fold, CaseLabelsWithConstantValuesAreMarked) {
  Folded f = FoldText("switch a { case 1 + 1: case b: default: }");
  ASSERT_TRUE(f.ok);
  EXPECT_EQ(f.tree, "switch a@-6 { case! 2: case b@-6: default: }");
}

TEST(Fold, ANameDeclaredWithVarIsLocalAtEveryUseAndOnlyThatName) {
  Folded f = FoldText("n = show_message + 1; show_message(n); var n; m = n");
  ASSERT_TRUE(f.ok) << f.problem.message;
  EXPECT_EQ(f.tree, "n@-7 = (+ show_message@-6 1); show_message(n@-7); var n; m@-6 = n@-7");
}
