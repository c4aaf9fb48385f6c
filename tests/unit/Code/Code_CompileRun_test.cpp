// Compiled code run on the virtual machine: the statement patterns must behave as the language
// says, whatever instructions they use.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "Code/Code_Compile.h"
#include "Code/Code_Constant.h"
#include "Code/Code_Error.h"
#include "Code/Code_Function.h"
#include "Code/Code_Script.h"
#include "Code/Code_TestAsm.h"
#include "Code/Code_VM.h"
#include "Function/Function_Exercise.h"
#include "Variable/Variable_BuiltIn.h"
#include "Variable/Variable_Global.h"
#include "Variable/Variable_Names.h"

namespace {

class CompileRun : public ::testing::Test {
 protected:
  void SetUp() override { self = asmtest::StartMachine(world); }
  void TearDown() override { asmtest::StopMachine(); }

  // Compiles and runs `text` with `self`; returns the code's value.
  RValue Run(const char* text, CInstance* on = nullptr, CInstance* other = nullptr) {
    CCode* code = Code_CompileText("compiled", text);
    EXPECT_NE(code, nullptr) << text << "\n" << CompileErrorText();
    RValue out;
    if (code) {
      EXPECT_TRUE(VM_Execute(on ? on : self, other ? other : self, code, &out)) << text;
      delete code;
    }
    return out;
  }
  double Real(const char* text) { return Run(text).real; }

  static void AddSourceScript(const char* name, const char* source) {
    auto* script = new CScript();
    script->SetName(name);
    script->SetSource(source);
    Script_Add(script);
  }

  double VariableOf(CInstance* instance, const char* name) {
    RValue v;
    instance->variables.Get(Variable_FindOrAddName(name), 0, &v);
    return v.real;
  }

  asmtest::TestWorld world;
  CInstance* self = nullptr;
};

}  // namespace

TEST_F(CompileRun, RepeatWithZeroOrNegativeCountSkipsTheBodyAndKeepsTheStack) {
  // An inner loop that left anything on the stack would spoil the outer loop's counter.
  EXPECT_EQ(Real("c = 0; n = 0; repeat 4 { repeat n c += 100; repeat -3 c += 100; c += 1 } return c"),
            4.0);
  EXPECT_EQ(Real("c = 0; repeat 2.9 c += 1; return c"), 2.0);
}

TEST_F(CompileRun, ContinueRunsTheNextIterationOfEveryLoop) {
  EXPECT_EQ(Real("c = 0; d = 0; repeat 5 { c += 1; if c > 2 continue; d += 1 } return c * 10 + d"),
            52.0);
  EXPECT_EQ(Real("i = 0; do { i += 1; if i < 3 continue } until i >= 5; return i"), 5.0);
  EXPECT_EQ(Real("s = 0; for (i = 0; i < 5; i += 1) { if i == 2 continue; s += i } return s"), 8.0);
  EXPECT_EQ(Real("i = 0; s = 0; while i < 5 { i += 1; if i == 4 continue; s += i } return s"), 11.0);
  // Leaving a switch by continue: the loop's own stack (a repeat counter here) is intact.
  EXPECT_EQ(Real("i = 0; s = 0; repeat 5 { i += 1; switch i { case 2: case 4: continue } s += i } "
                 "return s * 10 + i"),
            95.0);
}

TEST_F(CompileRun, SwitchSelectsItsClause) {
  EXPECT_EQ(Real("r = 1; switch 7 { case 1: r = 2 } return r"), 1.0);
  EXPECT_STREQ(Run("switch 1 { default: r = 'd'; break; case 1: r = 'one' } return r").Str(), "d");
  EXPECT_EQ(Real("r = 0; switch 'b' { case 'a': r = 1; break; case 'b': r = 2; case 'c': r += 10; "
                 "break; default: r = -1 } return r"),
            12.0);
  EXPECT_EQ(Real("v = 3; r = 0; switch v + 1 { case 3: r = 3; break; case 4: r = 4; break } return r"),
            4.0);
  EXPECT_EQ(Real("r = 0; switch (2 < 3) { case true: r = 1; break; default: r = 2 } return r"), 1.0);
}

TEST_F(CompileRun, WithRunsForEachInstanceAndBreakRestoresSelf) {
  CInstance* a = world.add(100002, 7);
  CInstance* b = world.add(100003, 7);
  CInstance* c = world.add(100004, 7);
  // Three instances run last first: C, B, A; break after the second leaves A untouched.
  EXPECT_EQ(Real("global.seen = 0; with (7) { global.seen += 1; mark = global.seen; "
                 "if global.seen == 2 break } after = 1; return global.seen"),
            2.0);
  EXPECT_EQ(VariableOf(c, "mark"), 1.0);
  EXPECT_EQ(VariableOf(b, "mark"), 2.0);
  EXPECT_EQ(VariableOf(a, "mark"), 0.0);
  EXPECT_EQ(VariableOf(self, "after"), 1.0);  // self is itself again after the break
  EXPECT_EQ(VariableOf(c, "after"), 0.0);
  // continue moves on to the next instance: B (mark 2) is skipped, C and A are counted.
  EXPECT_EQ(Real("global.n = 0; with (7) { if mark == 2 continue; global.n += 1 } return global.n"),
            2.0);
}

TEST_F(CompileRun, SelectorsReachTheirInstances) {
  CInstance* far = world.add(140000, 2);
  CInstance* big = world.add(100009, 40000);
  Run("(140000).v = 5; (40000).v = 9; (100001).w = 1");
  EXPECT_EQ(VariableOf(far, "v"), 5.0);
  EXPECT_EQ(VariableOf(big, "v"), 9.0);
  EXPECT_EQ(VariableOf(self, "w"), 1.0);
  EXPECT_EQ(Real("t = 40000; return t.v + (140000).v"), 14.0);
}

TEST_F(CompileRun, ArraysAndCompoundAssignment) {
  EXPECT_EQ(Real("a[2, 3] = 7; return a[2, 3] + a[64003]"), 14.0);
  EXPECT_EQ(Real("a[1] = 5; a[1] *= 3; a[1] -= 1; return a[1]"), 14.0);
  EXPECT_EQ(Real("i = 1; b[i, i] = 2; b[i, i] += 40; return b[32001]"), 42.0);
  EXPECT_STREQ(Run("s = 'ab'; s += 'cd'; return s").Str(), "abcd");
}

TEST_F(CompileRun, OperatorsOnMixedTypes) {
  EXPECT_EQ(Real("p = 2; q = 3; return (p < q) + 1"), 2.0);
  EXPECT_EQ(Real("p = 2; q = 3; return (p < q) / 2"), 0.5);
  EXPECT_EQ(Real("p = 2; q = 3; return (p < q) == 1"), 1.0);
  EXPECT_EQ(Real("p = 7; return p div 2 + p mod 4"), 6.0);
  EXPECT_EQ(Real("p = 5; return !p + ~p + -p"), -11.0);
  EXPECT_EQ(Real("p = 0.5; return p and 1"), 0.0);  // 0.5 converted to a boolean is false
  EXPECT_EQ(Real("p = 10000000000; return p + 10000000000"), 20000000000.0);
  EXPECT_STREQ(Run("n = 3; return n * 'ab'").Str(), "ababab");
}

TEST_F(CompileRun, LocalsExitAndGlobalvar) {
  EXPECT_EQ(Real("var t; t = 4; return t"), 4.0);
  EXPECT_EQ(VariableOf(self, "t"), 0.0);  // the local never reached the instance
  Run("c = 0; repeat 10 { c += 1; if c == 3 exit }");
  EXPECT_EQ(VariableOf(self, "c"), 3.0);
  Run("globalvar gscore; gscore = 12");
  CInstance* someone = world.add(100020, 3);
  EXPECT_EQ(Run("return gscore", someone).real, 12.0);
  EXPECT_EQ(VariableOf(self, "gscore"), 0.0);
}

TEST_F(CompileRun, GameConstantsMayCallFunctions) {
  RValue v;
  EXPECT_TRUE(Code_EvaluateConstantExpression("Constant.0", "is_real(3) + 1", &v));
  EXPECT_EQ(v.real, 2.0);
  EXPECT_TRUE(Code_EvaluateConstantExpression("Constant.1", "c_red + $100", &v));
  EXPECT_EQ(v.real, 511.0);
  EXPECT_FALSE(Code_EvaluateConstantExpression("Constant.2", "is_real(", &v));
  Code_InstallCompiler();
  const CGameConstant constants[] = {{"  my_speed ", "is_real('x') * 2 + 4"}, {"my_double", "my_speed * 2"}};
  ASSERT_TRUE(DefineConstants(constants, 2));
  RValue c;
  ASSERT_TRUE(FindConstant("my_speed", &c));
  EXPECT_EQ(c.real, 4.0);
  ASSERT_TRUE(FindConstant("my_double", &c));
  EXPECT_EQ(c.real, 8.0);
}

TEST_F(CompileRun, SourceScriptsCompileAndCallEachOther) {
  AddSourceScript("scr_five", "global.calls += 1; return 5");
  AddSourceScript("scr_ten", "return scr_five() + scr_five()");
  ASSERT_TRUE(Code_CompileScripts()) << CompileErrorText();
  ASSERT_NE(Script_Get(0)->Code(), nullptr);
  EXPECT_STREQ(Script_Get(0)->Code()->Name(), "scr_five");
  EXPECT_EQ(Real("global.calls = 0; return scr_ten() * 10 + global.calls"), 102.0);
}

TEST_F(CompileRun, AScriptThatDoesNotCompileStopsTheGame) {
  // The report is fatal and leaves the reporter aborting, so it runs in a child process whose
  // error dialog writes the text to standard error.
  EXPECT_EXIT(
      {
        SetErrorDialogHook([](const char* text, bool fatal) {
          std::fprintf(stderr, "%s|%s\n", fatal ? "fatal" : "non-fatal", text);
          return ErrorDialogResult::Abort;
        });
        AddSourceScript("scr_good", "return 1");
        AddSourceScript("scr_bad", "x = (1");
        std::exit(Code_CompileScripts() ? 0 : 3);
      },
      ::testing::ExitedWithCode(3),
      "fatal\\|COMPILATION ERROR in Script: scr_bad\nError in code at line 1:\n   x = \\(1\n\nat "
      "position 7: Symbol \\) expected\\.");
}

namespace {
// arg(i): the value of argument slot i as the running code sees it.
void SlotRoutine(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  const int i = argc > 0 ? int(args[0].real) : 0;
  result = ArgumentValue(i);
}
}  // namespace

namespace {

// The registry's exercise: code given as a string and as a file runs on the calling instance.
void ExExecuteCode() {
  VM_Install();
  Variable_InitBuiltIns();
  Variable_PrepareGlobals();
  asmtest::TestWorld world;
  SetInstanceWorld(&world);
  CInstance* self = world.add(100001, 1);
  EXPECT_EQ(CallBuiltin("execute_string", {RValue("return 6 * 7")}, self).real, 42.0);
  EXPECT_EQ(CallBuiltin("execute_string", {RValue("return argument0 * 7"), RValue(6.0)}, self).real, 42.0);
  const std::string path = ::testing::TempDir() + "tessera_execute_file.txt";
  std::ofstream(path) << "return argument0 + 1";
  EXPECT_EQ(CallBuiltin("execute_file", {RValue(path.c_str()), RValue(9.0)}, self).real, 10.0);
  std::remove(path.c_str());
  SetInstanceWorld(nullptr);
  Variable_FreeBuiltIns();
}
const RegisterExercise kExecuteCode({"execute_string", "execute_file"}, ExExecuteCode);

}  // namespace

TEST_F(CompileRun, ExecuteStringRunsCodeBuiltAtRunTime) {
  Code_InstallCompiler();
  int slot = -1;
  if (!FindFunction("compiletest_slot", &slot)) RegisterFunction("compiletest_slot", SlotRoutine, 1);
  EXPECT_EQ(Real("return execute_string('return 2 + 3')"), 5.0);
  Run("execute_string('v = 9; other.w = 4')");
  EXPECT_EQ(VariableOf(self, "v"), 9.0);
  EXPECT_EQ(VariableOf(self, "w"), 4.0);
  // Further arguments are the code's arguments; afterwards the caller's slots are back.
  g_Arguments[0].SetString("caller");
  NoteArgumentSlotWritten(0);
  EXPECT_STREQ(Run("return execute_string('return compiletest_slot(1) + compiletest_slot(0)', 'a', 'b')").Str(),
               "ba");
  EXPECT_STREQ(g_Arguments[0].Str(), "caller");
  g_Arguments[0].Reset();
  // A compile error is reported without stopping the game and gives 0.
  SetErrorOccurred(false);
  EXPECT_EQ(Real("return execute_string('x = nope(') + 1"), 1.0);
  EXPECT_TRUE(ErrorOccurred());
  EXPECT_NE(std::string(LastErrorText()).find("Unknown function or script: nope"), std::string::npos);
  EXPECT_FALSE(ErrorAborting());
}
