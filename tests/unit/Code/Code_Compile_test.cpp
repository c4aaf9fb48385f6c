#include "Code/Code_Compile.h"

#include <gtest/gtest.h>

#include <sstream>

#include "Code/Code_Constant.h"
#include "Code/Code_Error.h"
#include "Code/Code_Function.h"
#include "Variable/Variable_Global.h"
#include "Variable/Variable_Names.h"

namespace {

class RunnerCompile : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterAllFunctions();
    if (ConstantCount() == 0) AddBuiltinConstants();
  }
};

// The mnemonic and operand columns (from column 36) of every listing line.
std::vector<std::string> ListingTails(const CCode& code) {
  CTextBuffer text;
  Code_List(code.code->data, uint32_t(code.code->size), text);
  std::vector<std::string> tails;
  std::istringstream lines(text.Text());
  std::string line;
  while (std::getline(lines, line)) {
    std::string tail = line.size() > 36 ? line.substr(36) : "";
    while (!tail.empty() && tail.back() == ' ') tail.pop_back();
    tails.push_back(tail);
  }
  return tails;
}

}  // namespace

TEST_F(RunnerCompile, CompiledCodeListsWithTheRunnersNames) {
  CCode* code = Code_CompileText("test_code", "score = c_red; show_debug_message('hi')");
  ASSERT_NE(code, nullptr) << CompileErrorText();
  EXPECT_STREQ(code->Name(), "test_code");
  EXPECT_STREQ(code->Source(), "score = c_red; show_debug_message('hi')");
  const std::vector<std::string> expected = {
      "push.e    255",         "pop.v.i   $score$", "push.s    \"hi\"",
      "conv.s.v",              "call.i    show_debug_message", "popz.v"};
  EXPECT_EQ(ListingTails(*code), expected);
  EXPECT_EQ(Code_Verify(code->code->data, uint32_t(code->code->size)), nullptr);
  ASSERT_NE(code->positions, nullptr);
  EXPECT_EQ(code->positions->size, 16);  // statements at source positions 0 and 15
  // push.e (4 bytes) and pop (8 bytes) belong to the first statement; the call's string at 12
  // starts the second.
  EXPECT_EQ(Code_SourcePosition(code->positions, 8), 0);
  EXPECT_EQ(Code_SourcePosition(code->positions, 12), 15);
  delete code;
}

TEST_F(RunnerCompile, EveryStatementFormPassesTheLoadersVerification) {
  const char* text =
      "var i, t; globalvar total;\n"
      "for (i = 0; i < 10; i += 1) { if i mod 2 == 0 continue; total += i }\n"
      "while total > 3 { total -= 1; if total == 7 break }\n"
      "do total += 1 until total >= 10\n"
      "repeat 3 { t = t + 'x'; if t == 'xx' break }\n"
      "with (all) { if x > 10 break; y = -x; continue }\n"
      "switch total { case 1: case 'a': t = 1; break; default: t = 2; case 3: t[1, 2] = 3 }\n"
      "other.speed = abs(other.speed) * 2; t = (t < 3) + ~i;\n"
      "if !t exit else return t";
  CCode* code = Code_CompileText("all_forms", text);
  ASSERT_NE(code, nullptr) << CompileErrorText();
  EXPECT_EQ(Code_Verify(code->code->data, uint32_t(code->code->size)), nullptr);
  EXPECT_TRUE(Variable_IsGlobalVar(Variable_FindName("total")));
  delete code;
}

TEST_F(RunnerCompile, StringsAreEnteredOnceIntoTheRunnersTable) {
  CCode* a = Code_CompileText("a", "s = 'compiled twice'");
  CCode* b = Code_CompileText("b", "s = 'compiled twice'");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  int32_t ia, ib;
  std::memcpy(&ia, a->code->data + 4, 4);
  std::memcpy(&ib, b->code->data + 4, 4);
  EXPECT_EQ(ia, ib);
  EXPECT_STREQ(Code_String(ia), "compiled twice");
  delete a;
  delete b;
}

TEST_F(RunnerCompile, ConstantExpressionsAndCompileErrors) {
  CCode* c = Code_CompileText("Constant.0", "c_red | c_blue", Compiler::CompileAs::Expression);
  ASSERT_NE(c, nullptr);
  EXPECT_TRUE(c->hasConstant);
  EXPECT_EQ(c->constant.real, 16711935.0);
  delete c;

  EXPECT_EQ(Code_CompileText("bad", "x = nope(1)"), nullptr);
  EXPECT_STREQ(CompileErrorText(),
               "Error in code at line 1:\n   x = nope(1)\n\nat position 5: Unknown function or script: nope");

  RValue v;
  EXPECT_TRUE(Code_EvaluateConstantExpression("Constant.1", "'pre' + 'fix'", &v));
  EXPECT_STREQ(v.Str(), "prefix");
  EXPECT_TRUE(Code_EvaluateConstantExpression("Constant.2", "-$10 + pi * 0", &v));
  EXPECT_EQ(v.real, -16.0);
  EXPECT_FALSE(Code_EvaluateConstantExpression("Constant.3", "1 +", &v));
}
