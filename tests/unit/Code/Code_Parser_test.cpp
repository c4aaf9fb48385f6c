#include "Code/Code_Parser.h"

#include <gtest/gtest.h>

#include "Code/Code_Scanner.h"
#include "CompilerTestSupport.h"

using namespace Compiler;

namespace {

struct Parsed {
  bool ok = false;
  std::string tree;
  CompileProblem problem;
};

Parsed ParseText(const std::string& code, CompilerTest::World* world = nullptr) {
  CompilerTest::World local;
  CompilerTest::World& w = world ? *world : local;
  Parsed out;
  std::vector<Token> tokens;
  ClassifyStore store;
  Program program;
  const CompileHooks hooks = w.Hooks();
  out.ok = Scan(code, tokens, out.problem) && Classify(tokens, hooks, store, out.problem) &&
           ParseProgram(tokens, hooks, program, out.problem);
  if (out.ok) out.tree = CompilerTest::Print(program);
  return out;
}

std::string Tree(const std::string& code) {
  Parsed p = ParseText(code);
  EXPECT_TRUE(p.ok) << code << ": " << p.problem.message << " at " << p.problem.position;
  return p.tree;
}

void ExpectError(const std::string& code, const std::string& message, int position) {
  Parsed p = ParseText(code);
  EXPECT_FALSE(p.ok) << code;
  EXPECT_EQ(p.problem.message, message) << code;
  EXPECT_EQ(p.problem.position, position) << code;
}

}  // namespace

TEST(Parser, IfFormsWithAndWithoutThenAndBracesGiveTheSameStatements) {
  EXPECT_EQ(Tree("if x then y = 1 else y = 2"), "if x y = 1 else y = 2");
  EXPECT_EQ(Tree("if (x) {y = 1} else {y = 2}"), "if x { y = 1 } else { y = 2 }");
  EXPECT_EQ(Tree("if x y = 1; else y = 2;"), "if x y = 1 else y = 2");
  EXPECT_EQ(Tree("begin a := 1 end"), "{ a = 1 }");
}

TEST(Parser, SingleEqualsInsideAnExpressionCompares) {
  EXPECT_EQ(Tree("a = b == c"), "a = (== b c)");
  EXPECT_EQ(Tree("a = b = c"), "a = (== b c)");
}

TEST(Parser, PrecedenceLevelsAndLeftAssociativity) {
  EXPECT_EQ(Tree("a = 2 + 3 * 4"), "a = (+ 2 (* 3 4))");
  EXPECT_EQ(Tree("a = 1 or 0 and 0"), "a = (and (or 1 0) 0)");
  EXPECT_EQ(Tree("a = b < c | d"), "a = (< b (| c d))");
  EXPECT_EQ(Tree("a = b | c << 2 + 1"), "a = (| b (<< c (+ 2 1)))");
  EXPECT_EQ(Tree("a = 10 - 4 - 3"), "a = (- (- 10 4) 3)");
  EXPECT_EQ(Tree("a = -b * c mod 2 div 3 / 4"), "a = (/ (div (mod (* (- b) c) 2) 3) 4)");
  EXPECT_EQ(Tree("a = !b && not c || ~d ^^ +e"), "a = (xor (or (and (! b) (! c)) (~ d)) (+ e))");
  EXPECT_EQ(Tree("a = b != c <> d >= e"), "a = (>= (!= (!= b c) d) e)");
}

TEST(Parser, DottedAccessIndicesAndCalls) {
  EXPECT_EQ(Tree("other.a[1] = obj_ball.b.c"), "(-2).a[1] = ((4).b).c");
  EXPECT_EQ(Tree("a[i, j + 1] = max(1, 2, b[0])"), "a[i,(+ j 1)] = max(1,2,b[0])");
  EXPECT_EQ(Tree("(x + 1).y = scr_move()"), "((+ x 1)).y = scr_move()");
  EXPECT_EQ(Tree("show_message(title)"), "show_message('Demo')");
  EXPECT_EQ(Tree("scr_move(1).x += 2"), "(scr_move(1)).x += 2");
}

TEST(Parser, LoopAndControlStatements) {
  EXPECT_EQ(Tree("while a < 3 do a += 1"), "while (< a 3) a += 1");
  EXPECT_EQ(Tree("do a -= 1 until a <= 0"), "do a -= 1 until (<= a 0)");
  EXPECT_EQ(Tree("for (i = 0; i < 10; i += 1) s *= 2"), "for i = 0; (< i 10); i += 1 s *= 2");
  EXPECT_EQ(Tree("for (i = 0 i < 10 i += 1) {}"), "for i = 0; (< i 10); i += 1 { }");
  EXPECT_EQ(Tree("repeat 3 a |= 1"), "repeat 3 a |= 1");
  EXPECT_EQ(Tree("with obj_ball do x &= 2"), "with 4 x &= 2");
  EXPECT_EQ(Tree("exit; break;; continue ;return a"), "exit; break; continue; return a");
  EXPECT_EQ(Tree("return a"), "return a");
}

TEST(Parser, SwitchBodyHoldsCaseAndDefaultLabels) {
  EXPECT_EQ(Tree("switch (a) { case 1: case 2: b = 1; break; default: b /= 2 }"),
            "switch a { case 1: case 2: b = 1 break default: b /= 2 }");
}

TEST(Parser, DeclarationsRecordLocalAndGlobalNames) {
  CompilerTest::World world;
  Parsed p = ParseText("var a, b; globalvar g; a = 1", &world);
  ASSERT_TRUE(p.ok) << p.problem.message;
  EXPECT_EQ(p.tree, "var a b; globalvar g; a = 1");
  ASSERT_EQ(world.globals.size(), 1u);
  EXPECT_EQ(world.globals[0].first, "g");
  EXPECT_GE(world.globals[0].second, 100000);
}

TEST(Parser, BlockWordsAreLowerCaseOnly) {
  // BEGIN and End are plain variables, so this is two assignments.
  EXPECT_EQ(Tree("BEGIN = 1 End = 2"), "BEGIN = 1; End = 2");
}

TEST(Parser, StatementErrors) {
  ExpectError("{ a = 1", "Symbol  } expected.", 7);
  ExpectError("a = 1 }", "Program ends before end of the code.", 6);
  ExpectError("if a", "Unexpected end of code reached.", 4);
  ExpectError("do a = 1 a = 2", "Keyword until expected.", 9);
  ExpectError("for i = 0; i < 1; i += 1) {}", "Symbol ( expected.", 4);
  ExpectError("for (i = 0; i < 1; i += 1 {}", "Symbol ) expected.", 26);
  ExpectError("switch a case 1: b = 1", "Symbol {  expected.", 9);
  ExpectError("switch a { case 1 b = 1 }", "Symbol : expected.", 18);
  ExpectError("switch a { default b = 1 }", "Symbol : expected.", 19);
  ExpectError("switch a { case 1: b = 1", "Symbol  } expected.", 24);
  ExpectError("case 1: b = 1", "Variable name expected.", 0);
  ExpectError("var x", "Cannot redeclare a builtin variable.", 4);
  ExpectError("globalvar a, speed", "Cannot redeclare a builtin variable.", 13);
  ExpectError("var 3", "Variable name expected.", 4);
  ExpectError("3 = a", "Variable name expected.", 0);
  ExpectError("else a = 1", "Variable name expected.", 0);
  ExpectError("a == 1", "Assignment operator expected.", 2);
  ExpectError("a.(b) = 1", "Variable name expected.", 2);
  // ".3" scans as a number, so no assignment operator follows "a".
  ExpectError("a.3 = 1", "Assignment operator expected.", 1);
  ExpectError("return a ^= 1", "Variable name expected.", 9);
}

TEST(Parser, ExpressionErrors) {
  ExpectError("a = (1 + 2", "Symbol ) expected.", 10);
  ExpectError("a = * 2", "Unexpected symbol in expression.", 4);
  ExpectError("a = - - 2", "Unexpected symbol in expression.", 6);
  ExpectError("a = b[1, 2, 3]", "Only 1- and 2-dimensional arrays are supported.", 10);
  ExpectError("a = b[1 2]", "Symbol , or ] expected.", 8);
  ExpectError("a = b[1, 2 3]", "Symbol ] expected.", 11);
  ExpectError("a = max(1 2)", "Symbol , or ) expected.", 10);
  ExpectError("a = max(1, 2", "Symbol ) expected.", 12);
  ExpectError("a = nothing(1)", "Unknown function or script: nothing", 4);
  ExpectError("show_message()", "Wrong number of arguments to function or script.", 0);
  ExpectError("a = point(1)", "Wrong number of arguments to function or script.", 4);
  ExpectError("a = max(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17)",
              "Wrong number of arguments to function or script.", 4);
}

TEST(Parser, SeventeenArgumentsAreRefusedEvenForScripts) {
  EXPECT_TRUE(ParseText("scr_move(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16)").ok);
  EXPECT_FALSE(ParseText("scr_move(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17)").ok);
}
