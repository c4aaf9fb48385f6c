// Argument slots of script calls: each call sees its own arguments, slots it never got read as zero,
// and the caller's slots and count are back after the call, however it ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Code/Code_Compile.h"
#include "Code/Code_Constant.h"
#include "Code/Code_Error.h"
#include "Code/Code_Function.h"
#include "Code/Code_Script.h"
#include "Code/Code_TestAsm.h"
#include "Code/Code_VM.h"
#include "Platform/Platform_Memory.h"
#include "Variable/Variable_BuiltIn.h"
#include "Variable/Variable_Global.h"
#include "Variable/Variable_Route.h"

namespace {

class CallArguments : public ::testing::Test {
 protected:
  void SetUp() override {
    Variable_InitBuiltIns();
    self = asmtest::StartMachine(world);
    Code_InstallCompiler();
  }
  void TearDown() override {
    SetInstanceWorld(nullptr);
    Code_Reset();
    Variable_FreeBuiltIns();
  }

  static void AddScripts(std::initializer_list<std::pair<const char*, const char*>> scripts) {
    for (const auto& [name, source] : scripts) {
      auto* script = new CScript();
      script->SetName(name);
      script->SetSource(source);
      Script_Add(script);
    }
    ASSERT_TRUE(Code_CompileScripts()) << CompileErrorText();
  }

  // Runs `text` on `self`; false when the run ended in an error.
  bool Run(const char* text, RValue* out) {
    CCode* code = Code_CompileText("compiled", text);
    EXPECT_NE(code, nullptr) << text << "\n" << CompileErrorText();
    if (code == nullptr) return false;
    bool ok = VM_Execute(self, self, code, out);
    delete code;
    return ok;
  }
  std::string Text(const char* text) {
    RValue out;
    EXPECT_TRUE(Run(text, &out)) << text;
    return out.IsString() ? out.Str() : "real " + std::to_string(out.real);
  }

  asmtest::TestWorld world;
  CInstance* self = nullptr;
};

}  // namespace

TEST_F(CallArguments, NestedCallsSeeTheirOwnSlotsAndTheCallersComeBack) {
  // The inner call gets two arguments, writes slot 4 and reads slot 3, which it never got; the
  // outer one reads its own slots after the inner call returned.
  AddScripts({{"scr_inner",
               "argument4 = 40; return string(argument0) + \":\" + argument1 + \":\" + string(argument3) + \":\" "
               "+ string(argument4) + \":\" + string(argument_count)"},
              {"scr_outer",
               "var r; r = scr_inner(argument1, \"t\"); return r + \"|\" + argument0 + \":\" + string(argument1) + "
               "\":\" + string(argument2) + \":\" + string(argument4) + \":\" + string(argument_count)"}});
  EXPECT_EQ(Text("return scr_outer(\"x\", 5)"), "5:t:0:40:2|x:5:0:0:2");
  // `argument[i]` reads and writes the same slots.
  AddScripts({{"scr_index", "argument[6] = argument[1] * 2; return argument6 + argument[5] + argument_count"}});
  EXPECT_EQ(Text("return string(scr_index(1, 21))"), "44");
}

TEST_F(CallArguments, TextArgumentsAreFreedWhenTheCallReturns) {
  // Texts passed, texts written into slots past the arguments, and a call that gets only reals
  // after one that got texts.
  AddScripts({{"scr_len", "return string_length(argument0) + argument1"},
              {"scr_mark", "argument2 = argument0 + \"!\"; return string_length(argument2)"},
              {"scr_sum", "return argument0 + argument1"}});
  const char* text =
      "var a; a = \"ab\"; a += \"cd\"; return string(scr_len(a, 1) + scr_mark(a + a) + scr_sum(5, 3))";
  EXPECT_EQ(Text(text), "22");  // 4 + 1, 9, 8
  int64_t before = MemoryManager::TotalBlocks();
  Text(text);
  EXPECT_EQ(MemoryManager::TotalBlocks(), before);
}

TEST_F(CallArguments, ScriptsRunFromBuiltInsInsideACallHaveTheirOwnSlots) {
  AddScripts({{"scr_leaf", "return argument0 * 10 + argument_count + argument2"},
              {"scr_mid",
               "argument3 = 3; var r; r = script_execute(scr_leaf, 4); "
               "return r * 1000 + argument0 * 100 + argument3 * 10 + argument_count"}});
  // scr_leaf(4): 4 * 10 + 1 + 0 = 41; scr_mid(2): 41 * 1000 + 200 + 30 + 1.
  EXPECT_EQ(Text("return string(scr_mid(2))"), "41231");
  // Code built at run time inside a call gets the arguments passed to it, then the call's are back.
  AddScripts({{"scr_exec", "var r; r = execute_string(\"return argument0 + argument1\", 7); return r * 100 + argument0"}});
  EXPECT_EQ(Text("return string(scr_exec(5))"), "705");
  EXPECT_EQ(g_ArgumentView.slots, g_Arguments);
  EXPECT_EQ(g_ArgumentView.count, 0);
}

TEST_F(CallArguments, AnErrorInsideACallLeavesTheOutsideSlotsAsTheyWere) {
  AddScripts({{"scr_fails", "argument2 = \"left\"; return argument0 + undefined_thing"},
              {"scr_calls_failing", "return scr_fails(argument0, \"b\")"}});
  g_Arguments[0].SetString("outside");
  NoteArgumentSlotWritten(0);
  g_ArgumentView.count = 1;
  asmtest::ReportCapture capture;
  RValue out;
  Run("return scr_calls_failing(\"a\")", &out);
  ASSERT_EQ(capture.reports().size(), 1u);
  EXPECT_NE(capture.reports()[0].find("scr_fails"), std::string::npos);
  EXPECT_EQ(g_ArgumentView.slots, g_Arguments);
  EXPECT_EQ(g_ArgumentView.readable, kArgumentSlotCount);
  EXPECT_EQ(g_ArgumentView.count, 1);
  EXPECT_STREQ(g_Arguments[0].Str(), "outside");
  EXPECT_EQ(g_ArgumentSlotsUsed, 1);
  EXPECT_EQ(VM_CallDepth(), 0);
  g_Arguments[0].Reset();
  g_ArgumentSlotsUsed = 0;
  g_ArgumentView.count = 0;
}

// `argumentN op K` followed by bf, decoded (a handler per operator for <, <=, >= and >) and word by
// word: the tolerance of 1e-5 decides, and a text goes the general way with the same report.
TEST_F(CallArguments, ArgumentCompareGroupsAgreeDecodedAndFromWords) {
  using namespace asmtest;
  const int32_t argument0 = kBuiltInFirstGlobal + 2;
  const uint8_t ops[] = {OP_SLT, OP_SLE, OP_SEQ, OP_SNE, OP_SGE, OP_SGT};
  // Against K = 2: 2 - 2e-5, 2 - 5e-6, 2 + 5e-6, 2 + 2e-5; per value the results of < <= = <> >= >.
  const double values[] = {2 - 2e-5, 2 - 5e-6, 2 + 5e-6, 2 + 2e-5};
  const bool expected[4][6] = {{true, true, false, true, false, false},
                               {false, true, true, false, true, false},
                               {false, true, true, false, true, false},
                               {false, false, false, true, true, true}};
  for (int k = 0; k < 6; k++) {
    Assembler a;
    a.pushV(argument0, SELECTOR_SELF).pushE(2).op2(ops[k], TYPE_VARIABLE, TYPE_INT).branch(OP_BF, "No");
    a.pushE(1).conv(TYPE_INT, TYPE_VARIABLE).ret();
    a.label("No").pushE(0).conv(TYPE_INT, TYPE_VARIABLE).ret();
    std::vector<uint8_t> code = a.finish();
    std::vector<std::string> reports[2];
    for (int decoded = 0; decoded < 2; decoded++) {
      SCOPED_TRACE(std::string(decoded ? "decoded, op " : "words, op ") + std::to_string(k));
      VMBuffer* buffer = decoded ? VMBuffer::Copy(code.data(), int32_t(code.size()))
                                 : new VMBuffer(code.data(), int32_t(code.size()));
      for (int v = 0; v < 4; v++) {
        g_Arguments[0].SetReal(values[v]);
        RValue out;
        VM_Run("vm_cmp", self, nullptr, buffer, &out, nullptr, nullptr);
        EXPECT_EQ(out.real, expected[v][k] ? 1.0 : 0.0) << "value " << v;
      }
      g_Arguments[0].SetString("2");
      ReportCapture capture;
      RValue out;
      VM_Run("vm_cmp", self, nullptr, buffer, &out, nullptr, nullptr);
      reports[decoded] = capture.reports();
      EXPECT_EQ(buffer->ops != nullptr, decoded == 1);
      delete buffer;
    }
    EXPECT_EQ(reports[0], reports[1]);
  }
  g_Arguments[0].Reset();
  // A slot the call did not pass reads as zero in the group too.
  AddScripts({{"scr_unset", "if (argument3 < 1) return 10; return 20"}});
  EXPECT_EQ(Text("return string(scr_unset(5))"), "10");
}

// `return argumentN` as one decoded entry: a real goes straight to the caller, a text, a slot the
// call did not pass and the top level go the general way.
TEST_F(CallArguments, ReturnOfAnArgumentGivesTheSlotsValue) {
  AddScripts({{"scr_second", "return argument1"}, {"scr_twice", "return scr_second(0, argument0) * 2 + argument_count"}});
  EXPECT_EQ(Text("return string(scr_second(1, 2.5) + scr_twice(4))"), "11.50");
  EXPECT_EQ(Text("return scr_second(1, \"t\") + \"u\""), "tu");
  EXPECT_EQ(Text("return string(scr_second(1))"), "0");
  using namespace asmtest;
  Assembler a;
  a.pushV(kBuiltInFirstGlobal + 3, SELECTOR_SELF).ret();
  std::vector<uint8_t> code = a.finish();
  g_Arguments[1].SetReal(4.5);
  for (int decoded = 0; decoded < 2; decoded++) {
    VMBuffer* buffer = decoded ? VMBuffer::Copy(code.data(), int32_t(code.size()))
                               : new VMBuffer(code.data(), int32_t(code.size()));
    RValue out;
    VM_Run("vm_top", self, nullptr, buffer, &out, nullptr, nullptr);
    EXPECT_EQ(out.real, 4.5) << decoded;
    delete buffer;
  }
  g_Arguments[1].Reset();
}

// `f(argumentN op K)`: the argument goes straight into the callee's first slot when f is a script;
// a built-in, a text argument and a stack too full go the general way. Each runs decoded and word
// by word (a breakpoint on code that never runs turns decoding off) with the same results.
TEST_F(CallArguments, CallOfAnArgumentExpressionAgreesDecodedAndFromWords) {
  AddScripts({{"scr_fib", "if (argument0 < 2) return argument0; return scr_fib(argument0 - 1) + scr_fib(argument0 - 2)"},
              {"scr_pair", "return argument0 * 100 + argument_count + argument1"},
              {"scr_two", "var r; r = scr_pair(argument0 - 2) + scr_pair(argument0 * 3); "
                          "return r * 10 + argument0 + argument_count * 1000"},
              {"scr_builtin", "return abs(argument0 - 10)"},
              {"scr_text", "return scr_pair(argument0 - 1)"},
              {"scr_deep", "global.deepest = argument0; return scr_deep(argument0 + 1)"}});
  std::vector<std::string> reports[2];
  double deepest[2] = {0, 0};
  asmtest::DecodedAndWords([&](bool decoded) {
    EXPECT_EQ(Text("return string(scr_fib(15))"), "610");
    // scr_pair(3) = 301, scr_pair(15) = 1501; (301 + 1501) * 10 + 5 + 2 * 1000.
    EXPECT_EQ(Text("return string(scr_two(5, 8))"), "20025");
    EXPECT_EQ(Text("return string(scr_builtin(3))"), "7");
    asmtest::ReportCapture capture;
    RValue out;
    Run("return scr_deep(0)", &out);
    Run("return scr_text(\"a\")", &out);
    reports[decoded] = capture.reports();
    EXPECT_EQ(VM_CallDepth(), 0);
    EXPECT_EQ(g_ArgumentView.slots, g_Arguments);
    ASSERT_EQ(reports[decoded].size(), 2u);
    EXPECT_NE(reports[decoded][0].find("Stack overflow: script calls nested too deeply"), std::string::npos);
    EXPECT_TRUE(Run("return global.deepest", &out));
    deepest[decoded] = out.real;
  });
  EXPECT_EQ(reports[0], reports[1]);
  EXPECT_EQ(deepest[0], deepest[1]);
  EXPECT_GT(deepest[1], 10);
}

TEST_F(CallArguments, ACallSiteFollowsTheScriptTableBetweenRuns) {
  // The same compiled code runs again after the table was emptied and refilled: each call site
  // (the fused argument call and the plain one) must reach the script now at the index, and with
  // the table empty a call gives 0, as any call of a missing script, not a call through what the
  // site saw before.
  AddScripts({{"scr_step", "return argument0 * 10"}});
  CCode* code = Code_CompileText("compiled", "return scr_step(argument0 - 1) * 1000 + scr_step(7)");
  ASSERT_NE(code, nullptr) << CompileErrorText();
  RValue out;
  // argument0 of code run from outside a script reads as 0: scr_step(-1) * 1000 + scr_step(7).
  ASSERT_TRUE(VM_Execute(self, self, code, &out));
  EXPECT_EQ(out.real, -10 * 1000 + 70);
  ASSERT_TRUE(VM_Execute(self, self, code, &out));  // the sites are filled now
  EXPECT_EQ(out.real, -10 * 1000 + 70);

  Script_FreeAll();
  AddScripts({{"scr_step", "return argument0 * 100"}});
  ASSERT_TRUE(VM_Execute(self, self, code, &out));
  EXPECT_EQ(out.real, -100 * 1000 + 700);

  Script_FreeAll();
  {
    asmtest::ReportCapture capture;
    ASSERT_TRUE(VM_Execute(self, self, code, &out));
    EXPECT_EQ(out.real, 0);
    EXPECT_TRUE(capture.reports().empty());
  }
  EXPECT_EQ(VM_CallDepth(), 0);
  delete code;
}

// `if (argumentN op K) return argumentM;`: the compare goes straight on to the return when it holds.
// Each operator, a slot other than the compared one, a text, a slot never passed, and a return from
// inside a with-block, decoded and word by word.
TEST_F(CallArguments, CompareThenReturnOfAnArgumentAgreesDecodedAndFromWords) {
  AddScripts({{"scr_lt", "if (argument0 < 2) return argument1; return -1"},
              {"scr_le", "if (argument0 <= 2) return argument0; return -1"},
              {"scr_ge", "if (argument1 >= 2) return argument0; return -1"},
              {"scr_gt", "with (self) { if (argument0 > 2) return argument0; } return -1"}});
  asmtest::DecodedAndWords([&](bool) {
    EXPECT_EQ(Text("return string(scr_lt(1, 7))"), "7");
    EXPECT_EQ(Text("return string(scr_lt(3, 7))"), "-1");
    EXPECT_EQ(Text("return scr_lt(1, \"t\") + \"u\""), "tu");
    EXPECT_EQ(Text("return string(scr_lt(1))"), "0");  // argument1 was never passed
    // 2 + 5e-6 is within the tolerance of 2, so it is <= 2; 2 + 2e-5 is not.
    EXPECT_EQ(Text("return string(round(scr_le(2.000005) * 1000000))"), "2000005");
    EXPECT_EQ(Text("return string(scr_le(2.00002))"), "-1");
    EXPECT_EQ(Text("return string(scr_ge(5, 2))"), "5");
    EXPECT_EQ(Text("return string(scr_ge(5, 1))"), "-1");
    EXPECT_EQ(Text("return string(scr_gt(3) + scr_gt(2))"), "2");  // 3 + -1
    EXPECT_EQ(VM_CallDepth(), 0);
    EXPECT_EQ(g_ArgumentView.slots, g_Arguments);
  });
}

// An error inside a script names, for each caller, the line of its call, whichever form the call
// took (the argument expression fused with the call, or a plain call), decoded and word by word.
TEST_F(CallArguments, AnErrorReportNamesTheLineOfEachCall) {
  AddScripts({{"scr_div", "var a;\na = argument0;\nreturn a div 0"}});
  asmtest::DecodedAndWords([&](bool) {
    for (const char* call : {"return scr_div(argument0 - 1)", "return scr_div(q)"}) {
      std::string text = std::string("var q;\nq = 2;\n") + call + ";\nq = 3;";
      asmtest::ReportCapture capture;
      RValue out;
      Run(text.c_str(), &out);
      ASSERT_EQ(capture.reports().size(), 1u);
      const std::string& report = capture.reports()[0];
      EXPECT_NE(report.find("stack frame is\nscr_div (line 2)\ncalled from - compiled (line 2) - " + std::string(call) +
                            ";\n"),
                std::string::npos)
          << report;
    }
  });
}
