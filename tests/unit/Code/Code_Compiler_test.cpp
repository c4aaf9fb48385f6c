#include "Code/Code_Compiler.h"

#include <gtest/gtest.h>

#include "Code/Code_Error.h"
#include "CompilerTestSupport.h"

using namespace Compiler;

TEST(Compiler, ErrorTextGivesLineAndColumn) {
  CompilerTest::World world;
  CompileResult r = Compile("a = 1;\r\nb = (2", world.Hooks());
  ASSERT_FALSE(r.ok);
  EXPECT_EQ(r.problem.message, "Symbol ) expected.");
  EXPECT_EQ(r.problem.position, 14);
  // Line 2; the column counts "b = (2" but not the carriage return before the line feed.
  EXPECT_EQ(r.errorText, "Error in code at line 2:\n   b = (2\n\nat position 7: Symbol ) expected.");
  EXPECT_STREQ(CompileErrorText(), r.errorText.c_str());
  EXPECT_TRUE(CompileFailed());
  EXPECT_TRUE(r.code.bytes.empty());
}

TEST(Compiler, ErrorsOfEveryPassReachTheErrorText) {
  CompilerTest::World world;
  const CompileHooks hooks = world.Hooks();
  EXPECT_EQ(Compile("x = 1 # 2", hooks).errorText,
            "Error in code at line 1:\n   x = 1 # 2\n\nat position 7: Unexpected symbol.");
  EXPECT_EQ(Compile("x = foo(1)", hooks).errorText,
            "Error in code at line 1:\n   x = foo(1)\n\nat position 5: Unknown function or script: foo");
  EXPECT_EQ(Compile("\n\n  x = 1 / 0", hooks).errorText,
            "Error in code at line 3:\n     x = 1 / 0\n\nat position 9: Division by 0.");
  EXPECT_EQ(Compile("a[1, 2, 3] = 0", hooks).problem.message,
            "Only 1- and 2-dimensional arrays are supported.");
}

TEST(Compiler, ExpressionErrorsUseTheExpressionForm) {
  CompilerTest::World world;
  CompileResult r = Compile("1 + * 2", world.Hooks(), CompileAs::Expression);
  ASSERT_FALSE(r.ok);
  EXPECT_EQ(r.errorText, "Error in expression: 1 + * 2\n position 5: Unexpected symbol in expression.");
  EXPECT_EQ(Compile("1 2", world.Hooks(), CompileAs::Expression).problem.message,
            "Program ends before end of the code.");
  EXPECT_EQ(Compile("", world.Hooks(), CompileAs::Expression).problem.message,
            "Unexpected end of code reached.");
}

TEST(Compiler, EachCompilationStartsWithAClearFailureFlag) {
  CompilerTest::World world;
  ASSERT_FALSE(Compile("a = ", world.Hooks()).ok);
  EXPECT_TRUE(CompileFailed());
  CompileResult second = Compile("b = )", world.Hooks());
  ASSERT_FALSE(second.ok);
  // The second compilation's own first error is reported, not the earlier one.
  EXPECT_STREQ(CompileErrorText(), second.errorText.c_str());
  EXPECT_TRUE(Compile("c = 1", world.Hooks()).ok);
  EXPECT_FALSE(CompileFailed());
}

TEST(Compiler, EmptyCodeCompilesToNothing) {
  CompilerTest::World world;
  CompileResult r = Compile("  // nothing\n;;", world.Hooks());
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(r.code.bytes.empty());
}

TEST(Compiler, WithoutHooksVariablesAreNumberedLocallyAndCallsAreUnknown) {
  CompileHooks none;
  CompileResult r = Compile("a = b; b = a", none);
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.code.variables.size(), 2u);
  // Ids follow the order of the names in the text; the list follows the order in the code,
  // where the value (b) is read before a is written.
  EXPECT_EQ(r.code.variables[0].name, "b");
  EXPECT_EQ(r.code.variables[0].id, 100001);
  EXPECT_EQ(r.code.variables[1].name, "a");
  EXPECT_EQ(r.code.variables[1].id, 100000);
  EXPECT_EQ(Compile("f()", none).problem.message, "Unknown function or script: f");
}

TEST(Compiler, DeepNestingIsRefusedInsteadOfExhaustingTheStack) {
  CompilerTest::World world;
  const CompileHooks hooks = world.Hooks();
  const auto nested = [](int n) { return "a = " + std::string(n, '(') + "b" + std::string(n, ')'); };
  EXPECT_TRUE(Compile(nested(150), hooks).ok);
  CompileResult deep = Compile(nested(300), hooks);
  EXPECT_FALSE(deep.ok);
  EXPECT_EQ(deep.problem.message, "Code is nested too deeply.");
  std::string longChain = "a = b";
  for (int i = 0; i < 900; ++i) longChain += " + b";
  EXPECT_TRUE(Compile(longChain, hooks).ok);
  std::string chain = "a = b";
  for (int i = 0; i < 5000; ++i) chain += " + b";
  EXPECT_EQ(Compile(chain, hooks).problem.message, "Code is nested too deeply.");
  std::string ifs;
  for (int i = 0; i < 5000; ++i) ifs += "if a ";
  EXPECT_EQ(Compile(ifs + "b = 1", hooks).problem.message, "Code is nested too deeply.");
  std::string dots = "a = b";
  for (int i = 0; i < 5000; ++i) dots += ".c";
  EXPECT_EQ(Compile(dots, hooks).problem.message, "Code is nested too deeply.");
}

TEST(Compiler, OneNameAsVariableFunctionAndLocalKeepsEachRole) {
  // "show_message" is both a variable and a function; "n" is used before its var declaration;
  // "title" is a string constant used twice.
  CompilerTest::World world;
  CompileResult r = Compile("n = show_message + 1; show_message(n); var n; m = title + title", world.Hooks());
  ASSERT_TRUE(r.ok) << r.errorText;
  // Variables in the order the code uses them (the value of "n = ..." is read before n is
  // written), with the ids given in the order the names first appear in the text.
  ASSERT_EQ(r.code.variables.size(), 3u);
  EXPECT_EQ(r.code.variables[0].name, "show_message");
  EXPECT_EQ(r.code.variables[0].id, 100001);
  EXPECT_EQ(r.code.variables[0].offsets.size(), 1u);
  EXPECT_EQ(r.code.variables[1].name, "n");
  EXPECT_EQ(r.code.variables[1].id, 100000);
  EXPECT_EQ(r.code.variables[1].offsets.size(), 2u);
  EXPECT_EQ(r.code.variables[2].name, "m");
  ASSERT_EQ(r.code.functions.size(), 1u);
  EXPECT_EQ(r.code.functions[0].name, "show_message");
  EXPECT_EQ(r.code.functions[0].id, 3);
  EXPECT_EQ(r.code.strings, (std::vector<std::string>{"DemoDemo"}));
  EXPECT_EQ(r.code.localNames, (std::vector<std::string>{"n"}));
}
