#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "Code/Code_Error.h"
#include "Code/Code_Function.h"
#include "Code/Code_Load.h"
#include "Code/Code_Script.h"
#include "Code/Code_StackCheck.h"
#include "Code/Code_TestAsm.h"
#include "Code/Code_VM.h"
#include "Platform/Platform_Console.h"
#include "Platform/Platform_Memory.h"
#include "Variable/Variable_BuiltIn.h"
#include "Variable/Variable_Global.h"
#include "Variable/Variable_Names.h"
#include "Variable/Variable_Route.h"

using namespace asmtest;

namespace {

// A copy of `code`, which the stack check passes and the machine runs decoded, or (not decoded) a
// view of its bytes, which the check does not pass and the machine runs word by word.
VMBuffer* CodeBuffer(std::vector<uint8_t>& code, bool decoded) {
  return decoded ? VMBuffer::Copy(code.data(), int32_t(code.size())) : new VMBuffer(code.data(), int32_t(code.size()));
}

// Runs `code` as `name` with `self`, decoded or word by word (see CodeBuffer); its value.
RValue RunDecodedOrWords(std::vector<uint8_t>& code, const char* name, CInstance* self, bool decoded) {
  VMBuffer* buffer = CodeBuffer(code, decoded);
  RValue out;
  VM_Run(name, self, nullptr, buffer, &out, nullptr, nullptr);
  EXPECT_EQ(buffer->ops != nullptr, decoded);
  delete buffer;
  return out;
}

// Snapshots of the argument slots taken by the probe function.
struct ArgsSnapshot {
  int count = -1;
  std::string slots[16];
  double reals[16] = {};
};
std::vector<ArgsSnapshot>& Snapshots() {
  static std::vector<ArgsSnapshot> list;
  return list;
}

void ProbeRoutine(RValue& result, CInstance*, CInstance*, int, RValue*) {
  ArgsSnapshot s;
  s.count = g_ArgumentView.count;
  for (int i = 0; i < 16; i++) {
    const RValue& slot = ArgumentValue(i);
    s.slots[i] = slot.IsString() ? std::string("s:") + slot.Str() : "r";
    s.reals[i] = slot.real;
  }
  Snapshots().push_back(s);
  result.SetReal(-1);
}

// argument(i): the value of slot i.
void ArgRoutine(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  int i = argc > 0 ? int(args[0].real) : 0;
  result = ArgumentValue(i);
}

// concat_args(...): the arguments as text joined by commas (checks order and alignment).
void JoinRoutine(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string text;
  for (int i = 0; i < argc; i++) {
    if (i) text += ",";
    text += args[i].IsString() ? args[i].Str() : std::to_string(int(args[i].real));
  }
  result.SetString(text.c_str());
}

int FunctionId(const char* name, TRoutine routine) {
  int id = -1;
  if (!FindFunction(name, &id) || id >= kScriptIdBase) id = RegisterFunction(name, routine, -1, false) - 1;  // a test helper, not a game function
  return id;
}

class VMTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Code_Reset();
    RegisterAllFunctions();
    VM_Install();
    Variable_PrepareGlobals();
    SetInstanceWorld(&world);
    Snapshots().clear();
    probe = FunctionId("vmtest_probe", ProbeRoutine);
    arg = FunctionId("vmtest_arg", ArgRoutine);
    join = FunctionId("vmtest_join", JoinRoutine);
    for (auto& slot : g_Arguments) slot.Reset();
    g_ArgumentView.count = 0;
  }
  void TearDown() override { asmtest::StopMachine(); }

  // Adds a script whose code is `bytes`; returns its function id.
  int AddScript(const char* name, const std::vector<uint8_t>& bytes) {
    auto* script = new CScript();
    script->SetName(name);
    script->SetCode(new CCode());
    script->Code()->SetName(name);
    script->Code()->code = VMBuffer::Copy(bytes.data(), int32_t(bytes.size()));
    script->Code()->ownsCode = true;
    return Script_Add(script) + kScriptIdBase;
  }

  static int32_t Var(const char* name) { return Variable_FindOrAddName(name); }

  double GlobalReal(const char* name) {
    RValue v;
    g_pGlobalVariables->Get(Var(name), 0, &v);
    return v.real;
  }

  TestWorld world;
  int probe = -1, arg = -1, join = -1;
};

// Builds "left op right" with the two operands pushed by the callbacks and returns the run's value.
RValue Binary(uint8_t op, uint8_t lt, uint8_t rt, void (*pushLeft)(Assembler&), void (*pushRight)(Assembler&),
              uint8_t resultType) {
  Assembler a;
  pushLeft(a);
  pushRight(a);
  a.op2(op, lt, rt).retAs(resultType);
  return RunCode(a.finish());
}

}  // namespace

// ---- Arithmetic ------------------------------------------------------------------------------------

TEST_F(VMTest, IntegerArithmeticTruncatesAndWraps) {
  ReportCapture capture;
  auto i7 = [](Assembler& a) { a.pushI(7); };
  EXPECT_EQ(Binary(OP_DIV, TYPE_INT, TYPE_INT, i7, [](Assembler& a) { a.pushI(2); }, TYPE_INT).real, 3.0);
  EXPECT_EQ(Binary(OP_REM, TYPE_INT, TYPE_INT, i7, [](Assembler& a) { a.pushI(2); }, TYPE_INT).real, 3.0);
  EXPECT_EQ(Binary(OP_MOD, TYPE_INT, TYPE_INT, i7, [](Assembler& a) { a.pushI(-3); }, TYPE_INT).real, 1.0);
  EXPECT_EQ(Binary(OP_MOD, TYPE_INT, TYPE_INT, [](Assembler& a) { a.pushI(-7); }, [](Assembler& a) { a.pushI(3); },
                   TYPE_INT)
                .real,
            -1.0);
  EXPECT_EQ(Binary(OP_ADD, TYPE_INT, TYPE_INT, [](Assembler& a) { a.pushI(2147483647); },
                   [](Assembler& a) { a.pushE(1); }, TYPE_INT)
                .real,
            -2147483648.0);
  EXPECT_EQ(Binary(OP_DIV, TYPE_INT, TYPE_INT, [](Assembler& a) { a.pushI(INT32_MIN); },
                   [](Assembler& a) { a.pushI(-1); }, TYPE_INT)
                .real,
            -2147483648.0);
  EXPECT_EQ(Binary(OP_MOD, TYPE_INT, TYPE_INT, [](Assembler& a) { a.pushI(INT32_MIN); },
                   [](Assembler& a) { a.pushI(-1); }, TYPE_INT)
                .real,
            0.0);
  EXPECT_EQ(Binary(OP_SUB, TYPE_INT, TYPE_INT, [](Assembler& a) { a.pushE(-5); }, [](Assembler& a) { a.pushE(8); },
                   TYPE_INT)
                .real,
            -13.0);
  EXPECT_TRUE(capture.reports().empty());
}

TEST_F(VMTest, DoubleArithmeticAndMixedPairs) {
  ReportCapture capture;
  EXPECT_DOUBLE_EQ(Binary(OP_MOD, TYPE_DOUBLE, TYPE_INT, [](Assembler& a) { a.pushD(7.5); },
                          [](Assembler& a) { a.pushI(2); }, TYPE_DOUBLE)
                       .real,
                   1.5);
  // rem on doubles is the truncated quotient: trunc(7.5 / 2) = 3, trunc(-7.5 / 2) = -3.
  EXPECT_EQ(Binary(OP_REM, TYPE_DOUBLE, TYPE_DOUBLE, [](Assembler& a) { a.pushD(7.5); },
                   [](Assembler& a) { a.pushD(2); }, TYPE_DOUBLE)
                .real,
            3.0);
  EXPECT_EQ(Binary(OP_REM, TYPE_DOUBLE, TYPE_DOUBLE, [](Assembler& a) { a.pushD(-7.5); },
                   [](Assembler& a) { a.pushD(2); }, TYPE_DOUBLE)
                .real,
            -3.0);
  // int on the left, double on the right gives a double: 1 / 4.0 = 0.25.
  EXPECT_EQ(Binary(OP_DIV, TYPE_INT, TYPE_DOUBLE, [](Assembler& a) { a.pushI(1); }, [](Assembler& a) { a.pushD(4); },
                   TYPE_DOUBLE)
                .real,
            0.25);
  EXPECT_EQ(Binary(OP_MUL, TYPE_DOUBLE, TYPE_INT, [](Assembler& a) { a.pushD(1.5); }, [](Assembler& a) { a.pushI(3); },
                   TYPE_DOUBLE)
                .real,
            4.5);
  EXPECT_TRUE(capture.reports().empty());
}

TEST_F(VMTest, BitwiseAndShiftRules) {
  ReportCapture capture;
  EXPECT_EQ(Binary(OP_AND, TYPE_DOUBLE, TYPE_DOUBLE, [](Assembler& a) { a.pushD(5); }, [](Assembler& a) { a.pushD(3); },
                   TYPE_DOUBLE)
                .real,
            1.0);
  // -1.5 truncates toward zero to -1, whose low byte is all ones.
  EXPECT_EQ(Binary(OP_AND, TYPE_DOUBLE, TYPE_DOUBLE, [](Assembler& a) { a.pushD(-1.5); },
                   [](Assembler& a) { a.pushD(255); }, TYPE_DOUBLE)
                .real,
            255.0);
  EXPECT_EQ(Binary(OP_XOR, TYPE_INT, TYPE_INT, [](Assembler& a) { a.pushI(6); }, [](Assembler& a) { a.pushI(3); },
                   TYPE_INT)
                .real,
            5.0);
  // Doubles shift as 64-bit integers: 1 << 40.
  EXPECT_EQ(Binary(OP_SHL, TYPE_DOUBLE, TYPE_DOUBLE, [](Assembler& a) { a.pushD(1); },
                   [](Assembler& a) { a.pushD(40); }, TYPE_DOUBLE)
                .real,
            1099511627776.0);
  // Two ints shift as 32 bits by the count mod 32: 1 << 33 is 1 << 1.
  EXPECT_EQ(Binary(OP_SHL, TYPE_INT, TYPE_INT, [](Assembler& a) { a.pushI(1); }, [](Assembler& a) { a.pushI(33); },
                   TYPE_INT)
                .real,
            2.0);
  // An int on the left shifted by a double also shifts as 32 bits.
  EXPECT_EQ(Binary(OP_SHL, TYPE_INT, TYPE_DOUBLE, [](Assembler& a) { a.pushI(1); },
                   [](Assembler& a) { a.pushD(33); }, TYPE_DOUBLE)
                .real,
            2.0);
  EXPECT_EQ(Binary(OP_SHR, TYPE_INT, TYPE_INT, [](Assembler& a) { a.pushI(-8); }, [](Assembler& a) { a.pushI(1); },
                   TYPE_INT)
                .real,
            -4.0);
  // Shifting a 64-bit value by 64 or more gives 0 rather than an undefined result.
  EXPECT_EQ(Binary(OP_SHL, TYPE_DOUBLE, TYPE_DOUBLE, [](Assembler& a) { a.pushD(1); },
                   [](Assembler& a) { a.pushD(64); }, TYPE_DOUBLE)
                .real,
            0.0);
  // Two booleans combine logically.
  EXPECT_EQ(Binary(OP_AND, TYPE_BOOL, TYPE_BOOL, [](Assembler& a) { a.pushB(true); },
                   [](Assembler& a) { a.pushB(false); }, TYPE_BOOL)
                .real,
            0.0);
  EXPECT_EQ(Binary(OP_XOR, TYPE_BOOL, TYPE_BOOL, [](Assembler& a) { a.pushB(true); },
                   [](Assembler& a) { a.pushB(false); }, TYPE_BOOL)
                .real,
            1.0);
  EXPECT_TRUE(capture.reports().empty());
}

TEST_F(VMTest, LongOperandsUseSixtyFourBitArithmetic) {
  ReportCapture capture;
  EXPECT_EQ(Binary(OP_ADD, TYPE_LONG, TYPE_INT, [](Assembler& a) { a.pushL(5000000000LL); },
                   [](Assembler& a) { a.pushI(1); }, TYPE_LONG)
                .real,
            5000000001.0);
  EXPECT_EQ(Binary(OP_MUL, TYPE_LONG, TYPE_DOUBLE, [](Assembler& a) { a.pushL(3); },
                   [](Assembler& a) { a.pushD(0.5); }, TYPE_DOUBLE)
                .real,
            1.5);
  EXPECT_TRUE(capture.reports().empty());
}

TEST_F(VMTest, StringOperations) {
  ReportCapture capture;
  Code_AddString("ab");
  Code_AddString("cd");
  RValue cat = Binary(OP_ADD, TYPE_STRING, TYPE_STRING, [](Assembler& a) { a.pushS(0); },
                      [](Assembler& a) { a.pushS(1); }, TYPE_STRING);
  EXPECT_STREQ(cat.Str(), "abcd");
  // The empty text on either side, and a value holding a long text grown by a short one.
  Code_AddString("");
  RValue left = Binary(OP_ADD, TYPE_STRING, TYPE_STRING, [](Assembler& a) { a.pushS(2); },
                       [](Assembler& a) { a.pushS(1); }, TYPE_STRING);
  EXPECT_STREQ(left.Str(), "cd");
  RValue right = Binary(OP_ADD, TYPE_STRING, TYPE_STRING, [](Assembler& a) { a.pushS(0); },
                        [](Assembler& a) { a.pushS(2); }, TYPE_STRING);
  EXPECT_STREQ(right.Str(), "ab");
  int32_t text = Var("vm_text");
  std::string expected(5000, 'x');
  g_pGlobalVariables->Set(text, 0, RValue(expected.c_str()));
  Assembler grow;
  grow.pushV(text, SELECTOR_GLOBAL).pushS(0).op2(OP_ADD, TYPE_VARIABLE, TYPE_STRING);
  grow.popV(text, SELECTOR_GLOBAL).pushV(text, SELECTOR_GLOBAL).ret();
  EXPECT_EQ(std::string(RunCode(grow.finish()).Str()), expected + "ab");
  RValue kept;
  g_pGlobalVariables->Get(text, 0, &kept);
  EXPECT_EQ(std::string(kept.Str()), expected + "ab");
  RValue rep = Binary(OP_MUL, TYPE_INT, TYPE_STRING, [](Assembler& a) { a.pushI(3); },
                      [](Assembler& a) { a.pushS(0); }, TYPE_STRING);
  EXPECT_STREQ(rep.Str(), "ababab");
  RValue none = Binary(OP_MUL, TYPE_DOUBLE, TYPE_STRING, [](Assembler& a) { a.pushD(-2); },
                       [](Assembler& a) { a.pushS(0); }, TYPE_STRING);
  EXPECT_TRUE(none.IsString());
  EXPECT_STREQ(none.Str(), "");
  EXPECT_TRUE(capture.reports().empty());
}

TEST_F(VMTest, OperandErrorsNameTheirRoutine) {
  ReportCapture capture;
  Code_AddString("ab");
  struct Case {
    uint8_t op, lt, rt;
    const char* message;
  };
  // Pushes for left and right by type: .s string 0, .b true, .d 3, .i 0.
  const Case cases[] = {
      {OP_MUL, TYPE_STRING, TYPE_INT, "DoMul :: Execution Error"},
      {OP_SUB, TYPE_STRING, TYPE_DOUBLE, "DoSub :: Execution Engine - Cannot operate on string type"},
      {OP_SUB, TYPE_BOOL, TYPE_BOOL, "DoSub:: Execution Error"},
      {OP_ADD, TYPE_STRING, TYPE_DOUBLE, "DoAdd :: Execution Error"},
      {OP_DIV, TYPE_DOUBLE, TYPE_INT, "DoDiv :: Divide by zero"},
      {OP_MOD, TYPE_DOUBLE, TYPE_STRING, "DoMod :: Execution Engine - Cannot operate on string type"},
      {OP_MOD, TYPE_INT, TYPE_INT, "DoMod :: Divide by zero"},
      {OP_REM, TYPE_INT, TYPE_INT, "DoRem :: Divide by zero"},
      {OP_DIV, TYPE_INT, TYPE_INT, "DoDiv :: Divide by zero"},
      {OP_SHL, TYPE_STRING, TYPE_INT, "DoShl :: Execution Engine - Cannot operate on string type"},
      {OP_OR, TYPE_BOOL, TYPE_DOUBLE, "DoOr :: Execution Error"},
  };
  for (const Case& c : cases) {
    capture.reports().clear();
    Assembler a;
    for (uint8_t t : {c.lt, c.rt}) {
      if (t == TYPE_STRING) a.pushS(0);
      else if (t == TYPE_BOOL) a.pushB(true);
      else if (t == TYPE_DOUBLE) a.pushD(3);
      else a.pushI(0);
    }
    a.op2(c.op, c.lt, c.rt);  // the partial result stays on the stack
    RunCode(a.finish());
    ASSERT_EQ(capture.reports().size(), 1u) << c.message;
    EXPECT_NE(capture.reports()[0].find(std::string("VMError!! Occurred - ") + c.message + "\n"), std::string::npos)
        << capture.reports()[0];
  }
  // A divisor of 1e-11 counts as zero.
  capture.reports().clear();
  Assembler a;
  a.pushD(1).pushD(0.00000000001).op2(OP_DIV, TYPE_DOUBLE, TYPE_DOUBLE).popz(TYPE_DOUBLE);
  RunCode(a.finish());
  ASSERT_EQ(capture.reports().size(), 1u);
  EXPECT_NE(capture.reports()[0].find("DoDiv :: Divide by zero"), std::string::npos);
}

TEST_F(VMTest, VariableOperandsGiveValues) {
  ReportCapture capture;
  int32_t x = Var("vm_x");
  g_pGlobalVariables->Set(x, 0, RValue(2.0));
  Assembler a;
  a.pushV(x, SELECTOR_GLOBAL).pushI(3).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).ret();
  EXPECT_EQ(RunCode(a.finish()).real, 5.0);

  g_pGlobalVariables->Set(x, 0, RValue("ab"));
  Assembler b;
  b.pushI(2).pushV(x, SELECTOR_GLOBAL).op2(OP_MUL, TYPE_INT, TYPE_VARIABLE).ret();
  EXPECT_STREQ(RunCode(b.finish()).Str(), "abab");
  EXPECT_TRUE(capture.reports().empty());
}

// ---- Unary, comparisons, conversions -----------------------------------------------------------

TEST_F(VMTest, UnaryOperations) {
  ReportCapture capture;
  Assembler a;
  a.pushI(5).op1(OP_NEG, TYPE_INT).retAs(TYPE_INT);
  EXPECT_EQ(RunCode(a.finish()).real, -5.0);
  Assembler b;
  b.pushD(5.7).op1(OP_NOT, TYPE_DOUBLE).retAs(TYPE_DOUBLE);  // ~5 = -6
  EXPECT_EQ(RunCode(b.finish()).real, -6.0);
  Assembler c;
  c.pushB(false).op1(OP_NOT, TYPE_BOOL).retAs(TYPE_BOOL);
  EXPECT_EQ(RunCode(c.finish()).real, 1.0);
  EXPECT_TRUE(capture.reports().empty());
  Assembler d;
  d.pushB(true).op1(OP_NEG, TYPE_BOOL).popz(TYPE_BOOL);
  RunCode(d.finish());
  ASSERT_EQ(capture.reports().size(), 1u);
  EXPECT_NE(capture.reports()[0].find("DoNeg :: Execution Error"), std::string::npos);
}

TEST_F(VMTest, ComparisonsPushBooleans) {
  ReportCapture capture;
  Assembler a;
  a.pushD(1.000001).pushI(1).op2(OP_SEQ, TYPE_DOUBLE, TYPE_INT).retAs(TYPE_BOOL);
  EXPECT_EQ(RunCode(a.finish()).real, 1.0);
  Code_AddString("abc");
  Code_AddString("abd");
  Assembler b;
  b.pushS(0).pushS(1).op2(OP_SLT, TYPE_STRING, TYPE_STRING).retAs(TYPE_BOOL);
  EXPECT_EQ(RunCode(b.finish()).real, 1.0);
  EXPECT_TRUE(capture.reports().empty());
  Assembler c;
  c.pushS(0).pushD(1).op2(OP_SEQ, TYPE_STRING, TYPE_DOUBLE).retAs(TYPE_BOOL);
  EXPECT_EQ(RunCode(c.finish()).real, 0.0);
  ASSERT_EQ(capture.reports().size(), 1u);
  EXPECT_NE(capture.reports()[0].find("DoSet :: Invalid comparison type"), std::string::npos);
}

TEST_F(VMTest, ConversionOfARealVariableToDoubleIsAnError) {
  ReportCapture capture;
  int32_t x = Var("vm_x");
  g_pGlobalVariables->Set(x, 0, RValue(3.7));
  Assembler a;
  a.pushV(x, SELECTOR_GLOBAL).conv(TYPE_VARIABLE, TYPE_INT).retAs(TYPE_INT);
  EXPECT_EQ(RunCode(a.finish()).real, 3.0);
  EXPECT_TRUE(capture.reports().empty());
  Assembler b;
  b.pushV(x, SELECTOR_GLOBAL).conv(TYPE_VARIABLE, TYPE_DOUBLE).popz(TYPE_DOUBLE);
  RunCode(b.finish());
  ASSERT_EQ(capture.reports().size(), 1u);
  EXPECT_NE(capture.reports()[0].find("DoConv :: Execution Error"), std::string::npos);
}

// ---- Branches and loops ----------------------------------------------------------------------------

TEST_F(VMTest, LoopsWithBranches) {
  // sum = 0; i = 1; while (i <= 10) { sum += i; i += 1 }  -> 55, with locals.
  int32_t sum = Var("vm_sum"), i = Var("vm_i");
  Assembler a;
  a.pushE(0).popV(sum, SELECTOR_LOCAL, TYPE_INT).pushE(1).popV(i, SELECTOR_LOCAL, TYPE_INT);
  a.label("Repeat").pushV(i, SELECTOR_LOCAL).pushE(10).op2(OP_SLE, TYPE_VARIABLE, TYPE_INT).branch(OP_BF, "End");
  a.pushV(sum, SELECTOR_LOCAL).pushV(i, SELECTOR_LOCAL).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE);
  a.popV(sum, SELECTOR_LOCAL);
  a.pushV(i, SELECTOR_LOCAL).pushE(1).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(i, SELECTOR_LOCAL);
  a.branch(OP_B, "Repeat").label("End").pushV(sum, SELECTOR_LOCAL).ret();
  EXPECT_EQ(RunCode(a.finish()).real, 55.0);

  // repeat (0) skips the body and leaves the stack balanced; the run's value is then the last push.
  Assembler r;
  r.pushE(0).dup(TYPE_INT).pushE(0).op2(OP_SLE, TYPE_INT, TYPE_INT).branch(OP_BT, "End");
  r.label("Repeat").pushE(99).popV(sum, SELECTOR_GLOBAL, TYPE_INT);
  r.pushE(1).op2(OP_SUB, TYPE_INT, TYPE_INT).dup(TYPE_INT).conv(TYPE_INT, TYPE_BOOL).branch(OP_BT, "Repeat");
  r.label("End").popz(TYPE_INT).pushE(7).retAs(TYPE_INT);
  EXPECT_EQ(RunCode(r.finish()).real, 7.0);
  EXPECT_EQ(GlobalReal("vm_sum"), 0.0);
}

// ---- Variables ---------------------------------------------------------------------------------

TEST_F(VMTest, VariableAccessErrorsNameTheVariable) {
  ReportCapture capture;
  int32_t a = Var("vm_arr");
  // vm_arr[3] = 1 through a stack index, then vm_arr[40] is out of range.
  uint32_t indexed = EncodeVariableRef(kRefImmediateSel, a);
  Assembler w;
  w.pushE(1).pushE(3).popRef(indexed, TYPE_INT, uint16_t(SELECTOR_GLOBAL));
  w.pushE(40).pushRef(indexed, uint16_t(SELECTOR_GLOBAL)).popz(TYPE_VARIABLE);
  RunCode(w.finish());
  ASSERT_EQ(capture.reports().size(), 1u);
  EXPECT_NE(capture.reports()[0].find("Push :: Execution Error - Variable Index out of range vm_arr\n"),
            std::string::npos);
  // Reading from an instance id that does not exist fails with "Variable Get".
  capture.reports().clear();
  Assembler r;
  uint32_t byId = EncodeVariableRef(kRefNoIndex | kRefImmediateSel | kRefInstanceBias, a);
  r.pushRef(byId, 7).popz(TYPE_VARIABLE);
  RunCode(r.finish());
  ASSERT_EQ(capture.reports().size(), 1u);
  EXPECT_NE(capture.reports()[0].find("Push :: Execution Error - Variable Get vm_arr\n"), std::string::npos);
  // Writing a negative index reports the index error.
  capture.reports().clear();
  Assembler n;
  n.pushE(1).pushE(-1).popRef(indexed, TYPE_INT, uint16_t(SELECTOR_GLOBAL));
  RunCode(n.finish());
  ASSERT_EQ(capture.reports().size(), 1u);
  EXPECT_NE(capture.reports()[0].find("Pop :: Execution Error - Variable index out of range vm_arr\n"),
            std::string::npos);
}

TEST_F(VMTest, ImmediateInstanceIdsAboveThirtyTwoThousandReachTheirInstance) {
  CInstance* far = world.add(140000, 1);
  int32_t x = Var("vm_x");
  uint32_t ref = EncodeVariableRef(kRefNoIndex | kRefImmediateSel | kRefInstanceBias, x);
  Assembler a;
  a.pushE(9).popRef(ref, TYPE_INT, uint16_t(140000 - 100000));
  RunCode(a.finish());
  RValue v;
  far->variables.Get(x, 0, &v);
  EXPECT_EQ(v.real, 9.0);
}

// ---- With-blocks ---------------------------------------------------------------------------------

namespace {

// with (selector) { global.vm_seq = global.vm_seq * 10 + tag }   (tag of self)
// and, when `breakAfterFirst`, a break leaving the block after the first instance.
std::vector<uint8_t> WithSequence(int32_t selector, bool breakAfterFirst) {
  int32_t seq = Variable_FindOrAddName("vm_seq"), tag = Variable_FindOrAddName("vm_tag");
  Assembler a;
  a.pushI(selector).branch(OP_PUSHENV, "PopEnv").label("Start");
  a.pushV(seq, SELECTOR_GLOBAL).pushE(10).op2(OP_MUL, TYPE_VARIABLE, TYPE_INT);
  a.pushV(tag, SELECTOR_SELF).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE).popV(seq, SELECTOR_GLOBAL);
  if (breakAfterFirst) a.branch(OP_B, "End");
  a.label("PopEnv").branch(OP_POPENV, "Start");
  a.branch(OP_B, "CleanUpEnd").label("End").popenvDrop().label("CleanUpEnd");
  // The value of the run: self's tag after the block.
  a.pushV(tag, SELECTOR_SELF).ret();
  return a.finish();
}

// Memory-manager blocks still held after a second run of `code` (the first run warms the caches:
// stack blocks, the local-list pool).
int64_t BlocksLeftBy(const std::vector<uint8_t>& code, CInstance* self = nullptr) {
  RunCode(code, self);
  int64_t before = MemoryManager::TotalBlocks();
  RunCode(code, self);
  return MemoryManager::TotalBlocks() - before;
}

}  // namespace

TEST_F(VMTest, WithOrdersForOneTwoAndThreeInstances) {
  int32_t tag = Var("vm_tag");
  CInstance* caller = world.add(100100, 9);
  caller->variables.Set(tag, 0, RValue(7.0));
  auto tagged = [&](int32_t id, int32_t object, double t) {
    world.add(id, object)->variables.Set(tag, 0, RValue(t));
  };
  tagged(100001, 1, 1);
  tagged(100002, 1, 2);
  tagged(100003, 2, 3);
  // all: the caller, A, B, C in list order -> C, B, A, then the caller.
  g_pGlobalVariables->Set(Var("vm_seq"), 0, RValue(0.0));
  EXPECT_EQ(RunCode(WithSequence(SELECTOR_ALL, false), caller).real, 7.0);
  EXPECT_EQ(GlobalReal("vm_seq"), 3217.0);
  // Object 1 has two instances: first, then second.
  g_pGlobalVariables->Set(Var("vm_seq"), 0, RValue(0.0));
  RunCode(WithSequence(1, false), caller);
  EXPECT_EQ(GlobalReal("vm_seq"), 12.0);
  // Object 2 has one.
  g_pGlobalVariables->Set(Var("vm_seq"), 0, RValue(0.0));
  RunCode(WithSequence(2, false), caller);
  EXPECT_EQ(GlobalReal("vm_seq"), 3.0);
  // An instance id, an object without instances, noone, and an id that does not exist.
  g_pGlobalVariables->Set(Var("vm_seq"), 0, RValue(0.0));
  RunCode(WithSequence(100002, false), caller);
  RunCode(WithSequence(5, false), caller);
  RunCode(WithSequence(SELECTOR_NOONE, false), caller);
  RunCode(WithSequence(100050, false), caller);
  EXPECT_EQ(GlobalReal("vm_seq"), 2.0);
}

TEST_F(VMTest, WithOtherSwapsSelfAndOther) {
  int32_t tag = Var("vm_tag"), seen = Var("vm_seen");
  CInstance* me = world.add(100001, 1);
  CInstance* you = world.add(100002, 2);
  me->variables.Set(tag, 0, RValue(1.0));
  you->variables.Set(tag, 0, RValue(2.0));
  // with (other) global.vm_seen = self.tag * 10 + other.tag
  Assembler a;
  a.pushI(SELECTOR_OTHER).branch(OP_PUSHENV, "PopEnv").label("Start");
  a.pushV(tag, SELECTOR_SELF).pushE(10).op2(OP_MUL, TYPE_VARIABLE, TYPE_INT);
  a.pushV(tag, SELECTOR_OTHER).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE).popV(seen, SELECTOR_GLOBAL);
  a.label("PopEnv").branch(OP_POPENV, "Start");
  a.pushV(tag, SELECTOR_OTHER).ret();
  EXPECT_EQ(RunCode(a.finish(), me, you).real, 2.0);  // other restored after the block
  EXPECT_EQ(GlobalReal("vm_seen"), 21.0);
}

TEST_F(VMTest, BreakOutOfWithFreesTheArrayAndRestoresSelf) {
  int32_t tag = Var("vm_tag");
  CInstance* caller = world.add(100100, 9);
  caller->variables.Set(tag, 0, RValue(7.0));
  for (int k = 1; k <= 4; k++) world.add(100000 + k, 1)->variables.Set(tag, 0, RValue(double(k)));
  g_pGlobalVariables->Set(Var("vm_seq"), 0, RValue(0.0));
  std::vector<uint8_t> code = WithSequence(1, true);
  EXPECT_EQ(RunCode(code, caller).real, 7.0);
  EXPECT_EQ(GlobalReal("vm_seq"), 4.0);  // only the last instance ran
  EXPECT_EQ(BlocksLeftBy(code, caller), 0);
}

TEST_F(VMTest, ExitInsideWithFreesTheArray) {
  for (int k = 1; k <= 3; k++) world.add(100000 + k, 1);
  Assembler a;
  a.pushI(1).branch(OP_PUSHENV, "PopEnv").label("Start").exit();
  a.label("PopEnv").branch(OP_POPENV, "Start");
  EXPECT_EQ(BlocksLeftBy(a.finish()), 0);
}

// ---- Script calls ------------------------------------------------------------------------------

TEST_F(VMTest, ScriptCallSavesAndRestoresArgumentSlots) {
  // The script probes its slots and returns argument1.
  Assembler s;
  s.call(probe, 0).popz(TYPE_VARIABLE).pushE(1).conv(TYPE_INT, TYPE_VARIABLE).call(arg, 1).ret();
  int script = AddScript("scr_probe", s.finish());
  Code_AddString("two");
  // The caller: scr_probe(1, "two", 3) then probes its own slots; returns the script's value.
  Assembler c;
  c.pushE(3).conv(TYPE_INT, TYPE_VARIABLE).pushS(0).conv(TYPE_STRING, TYPE_VARIABLE);
  c.pushE(1).conv(TYPE_INT, TYPE_VARIABLE).call(script, 3);
  c.call(probe, 0).popz(TYPE_VARIABLE).ret();
  // The caller itself runs with two arguments in its slots.
  g_Arguments[0].SetString("outer0");
  g_Arguments[1].SetReal(11);
  g_ArgumentSlotsUsed = 2;
  g_ArgumentView.count = 2;
  RValue result = RunCode(c.finish());
  EXPECT_STREQ(result.Str(), "two");
  ASSERT_EQ(Snapshots().size(), 2u);
  const ArgsSnapshot& inside = Snapshots()[0];
  EXPECT_EQ(inside.count, 3);
  EXPECT_EQ(inside.reals[0], 1.0);
  EXPECT_EQ(inside.slots[1], "s:two");
  EXPECT_EQ(inside.reals[2], 3.0);
  for (int k = 3; k < 16; k++) {
    EXPECT_EQ(inside.slots[k], "r");
    EXPECT_EQ(inside.reals[k], 0.0);
  }
  const ArgsSnapshot& after = Snapshots()[1];
  EXPECT_EQ(after.count, 2);
  EXPECT_EQ(after.slots[0], "s:outer0");
  EXPECT_EQ(after.reals[1], 11.0);
  EXPECT_EQ(g_ArgumentView.count, 2);
  EXPECT_EQ(VM_CallDepth(), 0);
}

TEST_F(VMTest, TextsAScriptLeavesInItsSlotsAreFreedAndTheCallersComeBack) {
  Code_AddString("w0");
  Code_AddString("w5");
  Code_AddString("x");
  Variable_InitBuiltIns();
  const int32_t argument0 = FindBuiltIn("argument0"), argument5 = FindBuiltIn("argument5");
  // scr_writer(a): argument0 = "w0"; argument5 = "w5"; probe; return 0
  Assembler w;
  w.pushS(0).conv(TYPE_STRING, TYPE_VARIABLE).popV(argument0, SELECTOR_SELF);
  w.pushS(1).conv(TYPE_STRING, TYPE_VARIABLE).popV(argument5, SELECTOR_SELF);
  w.call(probe, 0).popz(TYPE_VARIABLE).pushE(0).conv(TYPE_INT, TYPE_VARIABLE).ret();
  int writer = AddScript("scr_writer", w.finish());
  // The caller, with two slots of its own: scr_writer("x") twice (the second call finds the slots
  // the first left behind cleared), then a probe of its own slots.
  Assembler c;
  c.pushS(2).conv(TYPE_STRING, TYPE_VARIABLE).call(writer, 1).popz(TYPE_VARIABLE);
  c.pushS(2).conv(TYPE_STRING, TYPE_VARIABLE).call(writer, 1).popz(TYPE_VARIABLE);
  c.call(probe, 0).popz(TYPE_VARIABLE).pushE(0).conv(TYPE_INT, TYPE_VARIABLE).ret();
  std::vector<uint8_t> code = c.finish();
  CInstance* self = world.add(100001, 1);
  g_Arguments[0].SetString("outer0");
  g_Arguments[1].SetReal(11);
  g_ArgumentSlotsUsed = 2;
  g_ArgumentView.count = 2;
  RunCode(code, self);
  ASSERT_EQ(Snapshots().size(), 3u);
  for (int k = 0; k < 2; k++) {
    const ArgsSnapshot& inside = Snapshots()[size_t(k)];
    EXPECT_EQ(inside.count, 1);
    EXPECT_EQ(inside.slots[0], "s:w0");
    EXPECT_EQ(inside.slots[1], "r");  // the caller's 11 is not seen
    EXPECT_EQ(inside.reals[1], 0.0);
    EXPECT_EQ(inside.slots[5], "s:w5");
  }
  const ArgsSnapshot& after = Snapshots()[2];
  EXPECT_EQ(after.count, 2);
  EXPECT_EQ(after.slots[0], "s:outer0");
  EXPECT_EQ(after.reals[1], 11.0);
  EXPECT_EQ(after.slots[5], "r");
  EXPECT_EQ(g_ArgumentSlotsUsed, 2);
  Snapshots().clear();
  EXPECT_EQ(BlocksLeftBy(code, self), 0);
}

TEST_F(VMTest, ACallWhoseTypeIsNotIntIsAnErrorAndCallsNothing) {
  ReportCapture capture;
  Assembler s;
  s.call(probe, 0).ret();
  int id = AddScript("scr_probed", s.finish());
  // call.d with a double operand (12 bytes long), then the run goes on.
  Assembler c;
  c.word(Encode(OP_CALL, TYPE_DOUBLE)).raw(double(id));
  c.pushE(3).conv(TYPE_INT, TYPE_VARIABLE).ret();
  EXPECT_EQ(RunCode(c.finish()).real, 3.0);
  EXPECT_TRUE(Snapshots().empty());
  ASSERT_EQ(capture.reports().size(), 1u);
  EXPECT_NE(capture.reports()[0].find("VMError!! Occurred - DoCall :: Execution Engine type error"), std::string::npos);
}

TEST_F(VMTest, ScriptWithoutCodeLeavesTheStackBalanced) {
  auto* empty = new CScript();
  empty->SetName("scr_empty");
  int id = Script_Add(empty) + kScriptIdBase;
  Code_AddString("x");
  Assembler a;
  a.pushE(5);  // below the call: must survive it
  a.pushS(0).conv(TYPE_STRING, TYPE_VARIABLE).pushS(0).conv(TYPE_STRING, TYPE_VARIABLE).call(id, 2);
  a.conv(TYPE_VARIABLE, TYPE_INT).op2(OP_ADD, TYPE_INT, TYPE_INT).retAs(TYPE_INT);
  std::vector<uint8_t> code = a.finish();
  EXPECT_EQ(RunCode(code).real, 5.0);
  EXPECT_EQ(BlocksLeftBy(code), 0);
}

TEST_F(VMTest, ExitAndEndOfCodeInsideAScriptReturnZero) {
  Assembler s;
  s.pushE(4).conv(TYPE_INT, TYPE_VARIABLE).exit();
  int scrExit = AddScript("scr_exit", s.finish());
  Assembler e;
  e.pushE(4).popz(TYPE_INT);
  int scrEnd = AddScript("scr_end", e.finish());
  Assembler c;
  c.pushE(10).call(scrExit, 0).conv(TYPE_VARIABLE, TYPE_INT).op2(OP_ADD, TYPE_INT, TYPE_INT);
  c.call(scrEnd, 0).conv(TYPE_VARIABLE, TYPE_INT).op2(OP_ADD, TYPE_INT, TYPE_INT).retAs(TYPE_INT);
  EXPECT_EQ(RunCode(c.finish()).real, 10.0);
}

TEST_F(VMTest, RecursionReturnsThroughEveryDepth) {
  // scr_sum(n): if (n <= 0) return 0; return n + scr_sum(n - 1)   via vmtest_arg(0)
  int self = Script_Count() + kScriptIdBase;
  Assembler s;
  s.pushE(0).conv(TYPE_INT, TYPE_VARIABLE).call(arg, 1).pushE(0).op2(OP_SLE, TYPE_VARIABLE, TYPE_INT);
  s.branch(OP_BF, "Else").pushE(0).conv(TYPE_INT, TYPE_VARIABLE).ret();
  s.label("Else");
  s.pushE(0).conv(TYPE_INT, TYPE_VARIABLE).call(arg, 1);
  s.pushE(0).conv(TYPE_INT, TYPE_VARIABLE).call(arg, 1).pushE(1).op2(OP_SUB, TYPE_VARIABLE, TYPE_INT);
  s.call(self, 1).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE).ret();
  ASSERT_EQ(AddScript("scr_sum", s.finish()), self);
  Assembler c;
  c.pushE(20).conv(TYPE_INT, TYPE_VARIABLE).call(self, 1).ret();
  EXPECT_EQ(RunCode(c.finish()).real, 210.0);
  EXPECT_EQ(g_ArgumentView.count, 0);
}

TEST_F(VMTest, TextsReturnedThroughNestedScriptsKeepTheCallersSlots) {
  Code_AddString("a");
  Code_AddString("b");
  Code_AddString("c");
  // scr_inner: return argument0 + "c"
  Assembler i;
  i.pushE(0).conv(TYPE_INT, TYPE_VARIABLE).call(arg, 1).pushS(2).conv(TYPE_STRING, TYPE_VARIABLE);
  i.op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE).ret();
  int inner = AddScript("scr_inner", i.finish());
  // scr_outer: return scr_inner(argument0 + "b") + argument0, so its argument0 must be back after the call.
  Assembler o;
  o.pushE(0).conv(TYPE_INT, TYPE_VARIABLE).call(arg, 1).pushS(1).conv(TYPE_STRING, TYPE_VARIABLE);
  o.op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE).call(inner, 1);
  o.pushE(0).conv(TYPE_INT, TYPE_VARIABLE).call(arg, 1).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE).ret();
  int outer = AddScript("scr_outer", o.finish());
  Assembler c;
  c.pushS(0).conv(TYPE_STRING, TYPE_VARIABLE).call(outer, 1).ret();
  std::vector<uint8_t> code = c.finish();
  g_Arguments[0].SetString("caller0");
  g_ArgumentSlotsUsed = 1;
  g_ArgumentView.count = 1;
  // inner gets "ab" and gives "abc"; outer adds its own "a".
  EXPECT_STREQ(RunCode(code).Str(), "abca");
  EXPECT_EQ(BlocksLeftBy(code), 0);
  EXPECT_STREQ(g_Arguments[0].Str(), "caller0");
  EXPECT_EQ(g_ArgumentView.count, 1);
  EXPECT_EQ(VM_CallDepth(), 0);
}

TEST_F(VMTest, RecursionThatExhaustsTheStackEndsWithAnError) {
  ReportCapture capture;
  int self = Script_Count() + kScriptIdBase;
  Assembler s;
  s.call(self, 0).ret();
  AddScript("scr_forever", s.finish());
  g_Arguments[0].SetString("kept");
  g_ArgumentView.count = 1;
  Assembler c;
  c.call(self, 0).ret();
  bool ok = true;
  RunCode(c.finish(), nullptr, nullptr, "test_code", &ok);
  EXPECT_FALSE(ok);
  ASSERT_EQ(capture.reports().size(), 1u);
  EXPECT_NE(capture.reports()[0].find("Stack overflow"), std::string::npos);
  EXPECT_EQ(g_ArgumentView.count, 1);
  EXPECT_STREQ(g_Arguments[0].Str(), "kept");
  EXPECT_EQ(VM_CallDepth(), 0);
}

TEST_F(VMTest, ScriptsRecurseFiftyEightCallsDeep) {
  // Each level probes once, then calls itself. The stack's top is 24 bytes below its 32768; a call
  // of no arguments puts its 496-byte record 16-aligned below the caller's stack pointer and the
  // callee's frame 64 bytes under that: level 1 starts at 32176, each further level 560 lower, and a
  // level must start at least 128 bytes up. 32176 - 560 * 57 = 256 is the last that fits.
  ReportCapture capture;
  int self = Script_Count() + kScriptIdBase;
  Assembler s;
  s.call(probe, 0).popz(TYPE_VARIABLE).call(self, 0).ret();
  AddScript("scr_deep", s.finish());
  Assembler c;
  c.call(self, 0).ret();
  bool ok = true;
  RunCode(c.finish(), nullptr, nullptr, "test_code", &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(Snapshots().size(), 58u);
  ASSERT_EQ(capture.reports().size(), 1u);
  EXPECT_NE(capture.reports()[0].find("Stack overflow: script calls nested too deeply"), std::string::npos);
  EXPECT_EQ(VM_CallDepth(), 0);
}

TEST_F(VMTest, AScriptGivenNewCodeOrANewNameRunsAsItIsNow) {
  Assembler one;
  one.pushE(1).conv(TYPE_INT, TYPE_VARIABLE).ret();
  int id = AddScript("scr_first", one.finish());
  CScript* script = Script_Get(id - kScriptIdBase);
  Assembler c;
  c.call(id, 0).ret();
  std::vector<uint8_t> caller = c.finish();
  EXPECT_EQ(RunCode(caller).real, 1.0);

  Assembler two;
  two.pushE(2).conv(TYPE_INT, TYPE_VARIABLE).ret();
  std::vector<uint8_t> bytes = two.finish();
  script->SetCode(new CCode());
  script->Code()->code = VMBuffer::Copy(bytes.data(), int32_t(bytes.size()));
  script->Code()->ownsCode = true;
  script->SetName("scr_second");
  VM_SetTrace(true);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(RunCode(caller, nullptr, nullptr, "obj_a_Step").real, 2.0);
  Console::Flush();
  std::string out = ::testing::internal::GetCapturedStdout();
  VM_SetTrace(false);
  EXPECT_EQ(out, "script = obj_a_Step\nscript call = scr_second\n");

  // A constant unit gives its value; a script without a unit the zero value.
  auto* constant = new CCode();
  RValue seven;
  seven.SetReal(7);
  constant->SetConstant(seven);
  script->SetCode(constant);
  EXPECT_EQ(RunCode(caller).real, 7.0);
  script->SetCode(nullptr);
  EXPECT_EQ(RunCode(caller).real, 0.0);
  EXPECT_EQ(BlocksLeftBy(caller), 0);
}

TEST_F(VMTest, RetAtDepthTwoFromInsideWith) {
  world.add(100001, 1);
  world.add(100002, 1);
  world.add(100003, 1);
  // inner: with (1) return 8
  Assembler in;
  in.pushI(1).branch(OP_PUSHENV, "PopEnv").label("Start").pushE(8).conv(TYPE_INT, TYPE_VARIABLE).ret();
  in.label("PopEnv").branch(OP_POPENV, "Start");
  int inner = AddScript("scr_inner", in.finish());
  Assembler mid;
  mid.call(inner, 0).pushE(1).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).ret();
  int middle = AddScript("scr_mid", mid.finish());
  Assembler c;
  c.call(middle, 0).ret();
  std::vector<uint8_t> code = c.finish();
  EXPECT_EQ(RunCode(code).real, 9.0);
  EXPECT_EQ(BlocksLeftBy(code), 0);
}

// who(): self's id * 1e6 + other's id, the instances the calling code runs for.
void WhoRoutine(RValue& result, CInstance* self, CInstance* other, int, RValue*) {
  result.SetReal(double(self ? self->id : 0) * 1e6 + double(other ? other->id : 0));
}

// A script may leave with-blocks by a ret or an exit inside them, or (code the stack check does not
// pass) pop its block's record away before it returns: however it ends, its caller goes on with its
// own self and other. Each runs decoded and word by word (a breakpoint on code that never runs).
TEST_F(VMTest, SelfAndOtherAreTheCallersAfterEveryReturn) {
  CInstance* me = world.add(100001, 1);
  CInstance* you = world.add(100003, 1);
  world.add(100011, 2);
  world.add(100012, 2);
  int who = FunctionId("vmtest_who", WhoRoutine);
  // with (2) return 8
  Assembler a;
  a.pushI(2).branch(OP_PUSHENV, "PopEnv").label("Start").pushE(8).retAs(TYPE_INT);
  a.label("PopEnv").branch(OP_POPENV, "Start");
  // with (2) with (100003) return 8
  Assembler b;
  b.pushI(2).branch(OP_PUSHENV, "PopEnv").label("Start");
  b.pushI(100003).branch(OP_PUSHENV, "PopEnv2").label("Start2").pushE(8).retAs(TYPE_INT);
  b.label("PopEnv2").branch(OP_POPENV, "Start2");
  b.label("PopEnv").branch(OP_POPENV, "Start");
  // with (2) exit
  Assembler c;
  c.pushI(2).branch(OP_PUSHENV, "PopEnv").label("Start").exit();
  c.label("PopEnv").branch(OP_POPENV, "Start");
  // with (2), its record popped as ints (the stack check fails it; popz.i takes any four bytes),
  // then return 8 from inside the block: no intact record is left to give self back.
  Assembler d;
  d.pushI(2).branch(OP_PUSHENV, "PopEnv").label("Start");
  for (int i = 0; i < 14; i++) d.popz(TYPE_INT);  // the 56-byte record, up to the frame's top
  d.pushE(8).retAs(TYPE_INT);
  d.label("PopEnv").branch(OP_POPENV, "Start");
  const int scripts[] = {AddScript("scr_ret_in_with", a.finish()), AddScript("scr_ret_in_two", b.finish()),
                         AddScript("scr_exit_in_with", c.finish()), AddScript("scr_popped_record", d.finish())};
  int32_t depth = 0;
  EXPECT_FALSE(Code_CheckStack(d.bytes.data(), uint32_t(d.bytes.size()), &depth));
  DecodedAndWords([&](bool) {
    for (int script : scripts) {
      SCOPED_TRACE(script);
      Assembler caller;
      caller.call(script, 0).popz(TYPE_VARIABLE).call(who, 0).ret();
      EXPECT_EQ(RunCode(caller.finish(), me, you).real, 100001e6 + 100003);
    }
  });
  EXPECT_EQ(VM_CallDepth(), 0);
}

TEST_F(VMTest, MisalignedArgumentsReachBuiltInsInOrder) {
  Code_AddString("a");
  Assembler c;
  c.pushE(1);  // a 4-byte item below the arguments
  c.pushE(3).conv(TYPE_INT, TYPE_VARIABLE).pushS(0).conv(TYPE_STRING, TYPE_VARIABLE);
  c.pushE(1).conv(TYPE_INT, TYPE_VARIABLE).call(join, 3);
  c.popV(Var("vm_joined"), SELECTOR_GLOBAL).popz(TYPE_INT).pushV(Var("vm_joined"), SELECTOR_GLOBAL).ret();
  EXPECT_STREQ(RunCode(c.finish()).Str(), "1,a,3");
}

TEST_F(VMTest, MoreThanSixteenArgumentsFillOnlyTheSlots) {
  Assembler s;
  s.call(probe, 0).ret();
  int script = AddScript("scr_many", s.finish());
  Code_AddString("t");
  Assembler c;
  for (int k = 17; k >= 0; k--) c.pushS(0).conv(TYPE_STRING, TYPE_VARIABLE);
  c.call(script, 18).ret();
  EXPECT_EQ(BlocksLeftBy(c.finish()), 0);
  ASSERT_EQ(Snapshots().size(), 2u);
  EXPECT_EQ(Snapshots()[0].count, 16);
  EXPECT_EQ(Snapshots()[0].slots[15], "s:t");
}

TEST_F(VMTest, ExecuteScriptFromNativeCode) {
  Assembler s;
  s.pushE(0).conv(TYPE_INT, TYPE_VARIABLE).call(arg, 1).pushE(2).op2(OP_MUL, TYPE_VARIABLE, TYPE_INT).ret();
  int id = AddScript("scr_double", s.finish());
  RValue in[1] = {RValue(21.0)};
  RValue out;
  EXPECT_TRUE(ExecuteScript(id - kScriptIdBase, nullptr, nullptr, 1, in, out));
  EXPECT_EQ(out.real, 42.0);
  int found = -1;
  EXPECT_TRUE(FindFunction("scr_double", &found));
  EXPECT_EQ(found, id);
}

// ---- Error report --------------------------------------------------------------------------------

TEST_F(VMTest, ErrorReportLayoutWithCallChain) {
  ReportCapture capture;
  int32_t lx = Var("vm_lx"), gy = Var("vm_gy");
  g_pGlobalVariables->Set(gy, 0, RValue(2.5));
  // The script sets a local then divides by zero on its second line.
  Assembler s;
  s.pushE(4).popV(lx, SELECTOR_LOCAL, TYPE_INT);
  uint32_t second = s.here();
  s.pushE(1).pushE(0).op2(OP_DIV, TYPE_INT, TYPE_INT).popz(TYPE_INT).pushE(0).retAs(TYPE_INT);
  auto* script = new CScript();
  script->SetName("scr_fail");
  script->SetCode(new CCode());
  std::vector<uint8_t> bytes = s.finish();
  script->Code()->code = VMBuffer::Copy(bytes.data(), int32_t(bytes.size()));
  script->Code()->ownsCode = true;
  script->Code()->SetSource("lx = 4;\r\nreturn 1 div 0;\r\n");
  uint32_t table[4] = {0, 0, second, 9};
  script->Code()->positions = VMBuffer::Copy(table, sizeof table);
  script->Code()->ownsPositions = true;
  int id = Script_Add(script) + kScriptIdBase;

  Assembler c;
  c.call(id, 0).popz(TYPE_VARIABLE);
  RunCode(c.finish(), nullptr, nullptr, "obj_test_Create");
  ASSERT_EQ(capture.reports().size(), 1u);
  std::string hashes(92, '#');
  std::string expected = hashes + "\n" + "VMError!! Occurred - DoDiv :: Divide by zero\n" +
                         " at scr_fail (line 1) - return 1 div 0;\n" + hashes + "\n" + hashes + "\n" +
                         "Local Variables : \n" + "vm_lx = 4\n" + "Global Variables : \n" + "vm_gy = 2.500000\n" +
                         "stack frame is\n" + "scr_fail (line 1)\n" +
                         "called from - obj_test_Create (line 0) - <unknown source line>\n";
  EXPECT_EQ(capture.reports()[0], expected);
}

TEST_F(VMTest, FatalErrorEndsTheProcessWithCode255) {
  Assembler a;
  a.pushI(1).pushI(0).op2(OP_MOD, TYPE_INT, TYPE_INT).popz(TYPE_INT);
  std::vector<uint8_t> code = a.finish();
  EXPECT_EXIT(RunCode(code), ::testing::ExitedWithCode(255), "");
}

// ---- Tracing and breakpoints ---------------------------------------------------------------------

TEST_F(VMTest, TraceAndBreakpointLines) {
  Assembler s;
  s.pushE(1).conv(TYPE_INT, TYPE_VARIABLE).ret();
  int id = AddScript("scr_traced", s.finish());
  Assembler c;
  c.call(id, 0).popz(TYPE_VARIABLE).call(probe, 0).popz(TYPE_VARIABLE);
  std::vector<uint8_t> bytes = c.finish();
  VM_SetTrace(true);
  ::testing::internal::CaptureStdout();
  RunCode(bytes, nullptr, nullptr, "obj_a_Step");
  Console::Flush();
  std::string out = ::testing::internal::GetCapturedStdout();
  VM_SetTrace(false);
  EXPECT_EQ(out, "script = obj_a_Step\nscript call = scr_traced\nfunc call = vmtest_probe\n");

  // A breakpoint on line 1 of code whose second instruction starts line 1: one hit per entry.
  Assembler b;
  b.pushE(1).pushE(2).op2(OP_ADD, TYPE_INT, TYPE_INT).popz(TYPE_INT);
  std::vector<uint8_t> code = b.finish();
  uint32_t table[4] = {0, 0, 4, 2};
  VMBuffer positions(reinterpret_cast<uint8_t*>(table), sizeof table);
  VMBuffer buffer(code.data(), int32_t(code.size()));
  ASSERT_TRUE(VM_AddBreakpoint("obj_b_Draw", 1));
  EXPECT_FALSE(VM_AddBreakpoint("", 1));
  EXPECT_FALSE(VM_AddBreakpoint("obj_b_Draw", -1));
  ::testing::internal::CaptureStdout();
  VM_Run("obj_b_Draw", nullptr, nullptr, &buffer, nullptr, &positions, "a\nb\n");
  Console::Flush();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Breakpoint hit: obj_b_Draw (line 1)\n");
}

// A breakpoint on a line with a script call is hit once: back from the call, the line is the one
// the check saw before it.
TEST_F(VMTest, ABreakpointOnALineWithACallIsHitOnce) {
  Assembler s;
  s.pushE(5).retAs(TYPE_INT);
  int id = AddScript("scr_quiet", s.finish());
  Assembler c;
  c.pushE(1).popz(TYPE_INT);
  uint32_t second = c.here();
  c.call(id, 0).popz(TYPE_VARIABLE).pushE(2).popz(TYPE_INT);
  uint32_t third = c.here();
  c.pushE(3).popz(TYPE_INT);
  std::vector<uint8_t> code = c.finish();
  uint32_t table[6] = {0, 0, second, 2, third, 4};  // source "a\nb\nc\n": lines 0, 1 and 2
  VMBuffer positions(reinterpret_cast<uint8_t*>(table), sizeof table);
  VMBuffer* buffer = VMBuffer::Copy(code.data(), int32_t(code.size()));
  ASSERT_TRUE(VM_AddBreakpoint("obj_c_Step", 1));
  ASSERT_TRUE(VM_AddBreakpoint("obj_c_Step", 2));
  ::testing::internal::CaptureStdout();
  EXPECT_TRUE(VM_Run("obj_c_Step", nullptr, nullptr, buffer, nullptr, &positions, "a\nb\nc\n"));
  Console::Flush();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Breakpoint hit: obj_c_Step (line 1)\nBreakpoint hit: obj_c_Step (line 2)\n");
  delete buffer;
}

TEST_F(VMTest, ItemsLeftUnderRetOrExitAreFreed) {
  Code_AddString("case");
  // A script that returns from inside a switch on a string: the switch value stays below the ret.
  Assembler s;
  s.pushS(0).dup(TYPE_STRING).pushS(0).op2(OP_SEQ, TYPE_STRING, TYPE_STRING).branch(OP_BT, "Clause");
  s.branch(OP_B, "End").label("Clause").pushE(1).conv(TYPE_INT, TYPE_VARIABLE).ret();
  s.label("End").popz(TYPE_STRING);
  int id = AddScript("scr_switch", s.finish());
  // The caller keeps a string and a with record over three instances under an exit.
  for (int k = 1; k <= 3; k++) world.add(100000 + k, 1);
  Assembler c;
  c.pushS(0).call(id, 0).popz(TYPE_VARIABLE);
  c.pushI(1).branch(OP_PUSHENV, "PopEnv").label("Start").pushS(0).exit();
  c.label("PopEnv").branch(OP_POPENV, "Start");
  EXPECT_EQ(BlocksLeftBy(c.finish()), 0);
}

TEST_F(VMTest, ContinueInsideSwitchInsideWithDropsTheSwitchValue) {
  Code_AddString("v");
  for (int k = 1; k <= 3; k++) world.add(100000 + k, 1);
  int32_t n = Var("vm_count");
  g_pGlobalVariables->Set(n, 0, RValue(0.0));
  // with (1) { count += 1; switch ("v") { case "v": continue; } }
  Assembler a;
  a.pushI(1).branch(OP_PUSHENV, "PopEnv").label("Start");
  a.pushV(n, SELECTOR_GLOBAL).pushE(1).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(n, SELECTOR_GLOBAL);
  a.pushS(0).dup(TYPE_STRING).pushS(0).op2(OP_SEQ, TYPE_STRING, TYPE_STRING).branch(OP_BT, "Clause");
  a.branch(OP_B, "End").label("Clause").branch(OP_B, "PopEnv").label("End").popz(TYPE_STRING);
  a.label("PopEnv").branch(OP_POPENV, "Start");
  a.pushE(5).retAs(TYPE_INT);
  std::vector<uint8_t> code = a.finish();
  ReportCapture capture;
  EXPECT_EQ(RunCode(code).real, 5.0);
  EXPECT_EQ(GlobalReal("vm_count"), 3.0);
  EXPECT_EQ(BlocksLeftBy(code), 0);
  EXPECT_TRUE(capture.reports().empty());
}

TEST_F(VMTest, MalformedStackUseEndsTheRunWithoutHarm) {
  ReportCapture capture;
  struct Case {
    const char* what;
    void (*build)(Assembler&);
    const char* message;
  };
  const Case cases[] = {
      {"a double freed as a string", [](Assembler& a) { a.pushD(1e300).popz(TYPE_STRING); }, "type mismatch"},
      {"a string changed in place as an int",
       [](Assembler& a) { a.pushS(0).op1(OP_NEG, TYPE_INT).popz(TYPE_STRING); }, "type mismatch"},
      {"a pop below the frame", [](Assembler& a) { a.pushE(1).popz(TYPE_INT).popz(TYPE_INT); }, "Stack underflow"},
      {"a call with more arguments than items", [](Assembler& a) { a.pushE(1).call(0, 3); }, "Stack underflow"},
      {"popenv without pushenv", [](Assembler& a) { a.word(EncodeBranch(OP_POPENV, 0)); }, "popenv without"},
  };
  Code_AddString("s");
  for (const Case& c : cases) {
    capture.reports().clear();
    Assembler a;
    c.build(a);
    bool ok = true;
    std::vector<uint8_t> code = a.finish();
    RunCode(code, nullptr, nullptr, "test_code", &ok);
    EXPECT_FALSE(ok) << c.what;
    ASSERT_EQ(capture.reports().size(), 1u) << c.what;
    EXPECT_NE(capture.reports()[0].find(c.message), std::string::npos) << capture.reports()[0];
    EXPECT_EQ(BlocksLeftBy(code), 0) << c.what;
  }
}

// A branch before the start of the code or past its end leaves the code as its end does.
TEST_F(VMTest, BranchesOutsideTheCodeEndTheRun) {
  for (int32_t offset : {-3, -4, -0x100000, 4, 5, 0x7FFFF}) {
    Assembler a;
    a.pushE(1).popz(TYPE_INT).word(EncodeBranch(OP_B, offset)).pushE(7).retAs(TYPE_INT);
    bool ok = false;
    RValue value = RunCode(a.finish(), nullptr, nullptr, "test_code", &ok);
    EXPECT_TRUE(ok) << offset;
    EXPECT_EQ(value.real, 0.0) << offset;
  }
}

TEST_F(VMTest, ExtensionCallsGoThroughTheExtensionLayer) {
  static int seenIndex = -1, seenArgc = -1;
  VM_SetExtensionCall([](int index, CInstance*, CInstance*, int argc, RValue* args, RValue& result) {
    seenIndex = index;
    seenArgc = argc;
    result.SetReal(args[0].real + 1);
  });
  Assembler a;
  a.pushE(41).conv(TYPE_INT, TYPE_VARIABLE).call(kExtensionIdBase, 1).ret();
  EXPECT_EQ(RunCode(a.finish()).real, 42.0);
  EXPECT_EQ(seenIndex, 0);
  EXPECT_EQ(seenArgc, 1);
  VM_SetExtensionCall(nullptr);
}

// Under "-oldexec" the code still runs on the machine, after the source interpreter's two checks,
// and built-in calls are counted.
TEST_F(VMTest, SourceInterpreterChecksBeforeRunningAndCountsCalls) {
  VM_SetSourceInterpreter(true);
  SetErrorOccurred(false);
  CInstance* self = world.add(100001, 0);

  CCode uncompiled;
  uncompiled.SetName("Object.obj_a.Step.0");
  uncompiled.SetSource("x = 1;");
  EXPECT_FALSE(VM_Execute(self, self, &uncompiled, nullptr));
  EXPECT_TRUE(ErrorOccurred());
  EXPECT_NE(std::string(LastErrorText()).find("Internal Error: Executing non-compiled code->Object.obj_a.Step.0"),
            std::string::npos);

  Assembler a;
  a.pushE(4).conv(TYPE_INT, TYPE_VARIABLE).call(arg, 1).ret();
  std::vector<uint8_t> bytes = a.finish();
  CCode compiled;
  compiled.SetName("Object.obj_a.Step.1");
  compiled.code = VMBuffer::Copy(bytes.data(), int32_t(bytes.size()));
  compiled.ownsCode = true;
  SetErrorOccurred(false);
  RValue out;
  EXPECT_FALSE(VM_Execute(nullptr, nullptr, &compiled, &out));
  EXPECT_NE(std::string(LastErrorText()).find("Internal Error: Executing code for nil instance."), std::string::npos);

  // The counter starts at -1; one call makes it 0, two make it 1.
  int before = FunctionAt(arg)->callCount;
  EXPECT_TRUE(VM_Execute(self, self, &compiled, &out));
  EXPECT_TRUE(VM_Execute(self, self, &compiled, &out));
  EXPECT_EQ(FunctionAt(arg)->callCount, before + 2);
  VM_SetSourceInterpreter(false);
  EXPECT_TRUE(VM_Execute(self, self, &compiled, &out));
  EXPECT_EQ(FunctionAt(arg)->callCount, before + 2);
}

// Malformed code pops a with-block's record away (popz of ints does not look at tags) and enters
// a block again at the same place: the new record links to itself. Leaving the code must end.
TEST_F(VMTest, ARecordLinkedToItselfDoesNotHangTheExit) {
  world.add(100001, 0);
  Assembler a;
  a.pushI(100001).branch(OP_PUSHENV, "Out");
  for (int i = 0; i < 14; i++) a.popz(TYPE_INT);  // the 56-byte record, back to where it began
  a.pushI(100001).branch(OP_PUSHENV, "Out");
  a.exit();
  a.label("Out").exit();
  RunCode(a.finish());
  SUCCEED();
}

// mod of reals keeps the remainder's sign rules whether the operands are whole numbers (the integer
// route) or not (fmod): the sign follows the dividend, a zero keeps the dividend's sign.
TEST_F(VMTest, RealModuloOfWholeAndFractionalNumbers) {
  auto mod = [](double l, double r) {
    Assembler a;
    a.pushD(l).pushD(r).op2(OP_MOD, TYPE_DOUBLE, TYPE_DOUBLE).retAs(TYPE_DOUBLE);
    return RunCode(a.finish()).real;
  };
  EXPECT_EQ(mod(-7, 3), -1.0);
  EXPECT_EQ(mod(7, -3), 1.0);
  EXPECT_EQ(mod(7.5, -2), 1.5);
  EXPECT_TRUE(std::signbit(mod(-6, 3)));
  EXPECT_FALSE(std::signbit(mod(6, -3)));
  // One step of the Park-Miller sequence from 2^31 - 2: 16807 * (p - 1) mod p = p - 16807.
  EXPECT_EQ(mod(16807.0 * 2147483646.0, 2147483647.0), 2147466840.0);
  // Beyond 2^53 the remainder is fmod's: 2^60 mod 10 = 6 (2^60 = 1152921504606846976).
  EXPECT_EQ(mod(1152921504606846976.0, 10), 6.0);
  EXPECT_TRUE(std::isnan(mod(5, 0)));
}

// What code leaves under a ret, or under calls an overflow ends, is freed whether the code runs
// unchecked (a copy that passed the stack check) or checked (a buffer that only refers to bytes).
TEST_F(VMTest, ItemsLeftBehindAreFreedCheckedAndUnchecked) {
  Code_AddString("left behind");
  for (bool unchecked : {true, false}) {
    SCOPED_TRACE(unchecked ? "unchecked" : "checked");
    std::vector<std::vector<uint8_t>> kept;  // bytes the checked scripts' buffers refer to
    auto add = [&](const char* name, const std::vector<uint8_t>& bytes) {
      if (unchecked) return AddScript(name, bytes);
      kept.push_back(bytes);
      auto* script = new CScript();
      script->SetName(name);
      script->SetCode(new CCode());
      script->Code()->SetName(name);
      script->Code()->code = new VMBuffer(kept.back().data(), int32_t(kept.back().size()));
      script->Code()->ownsCode = true;
      return Script_Add(script) + kScriptIdBase;
    };
    kept.reserve(2);
    // scr_leave: a text value and a string stay under `return 4`.
    Assembler l;
    l.pushS(0).conv(TYPE_STRING, TYPE_VARIABLE).pushS(0).pushE(4).conv(TYPE_INT, TYPE_VARIABLE).ret();
    int leave = add("scr_leave", l.finish());
    // scr_deep: the same two items under a call of itself, until the stack runs out.
    int deep = Script_Count() + kScriptIdBase;
    Assembler d;
    d.pushS(0).conv(TYPE_STRING, TYPE_VARIABLE).pushS(0).call(deep, 0).ret();
    ASSERT_EQ(add("scr_deep", d.finish()), deep);

    Assembler c;
    c.pushS(0).call(leave, 0).pushE(1).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popz(TYPE_VARIABLE).popz(TYPE_STRING);
    c.call(leave, 0).ret();
    std::vector<uint8_t> code = c.finish();
    EXPECT_EQ(RunCode(code).real, 4.0);
    EXPECT_EQ(BlocksLeftBy(code), 0);

    ReportCapture capture;
    Assembler o;
    o.pushS(0).call(deep, 0).ret();
    std::vector<uint8_t> overflow = o.finish();
    EXPECT_EQ(BlocksLeftBy(overflow), 0);
    ASSERT_EQ(capture.reports().size(), 2u);
    EXPECT_NE(capture.reports()[0].find("Stack overflow: script calls nested too deeply"), std::string::npos);
    EXPECT_EQ(VM_CallDepth(), 0);
    Code_Reset();
    Code_AddString("left behind");
  }
}

// ---- Decoded code --------------------------------------------------------------------------------

// Well-formed code runs from its decoded form when it is a copy and from its words when the buffer
// only refers to bytes; both give the same values, variables and error reports.
TEST_F(VMTest, DecodedAndWordFormsAgree) {
  CInstance* self = world.add(100001, 0);
  int32_t a = Var("vmd_a"), x = Var("vmd_x"), g = Var("vmd_g"), p = Var("vmd_p"), t = Var("vmd_t");
  Code_AddString("text");
  uint32_t gIndexed = EncodeVariableRef(kRefImmediateSel, g);
  // a = 5; var x = a + 2.5; global.g[2] = x; p = global.g[2] * 2; t = "text";
  // return p - global.g[3] / 0.5 + argument1  (g[3] is out of range, the division by zero real)
  Assembler c;
  c.pushE(5).popV(a, SELECTOR_SELF, TYPE_INT);
  c.pushV(a, SELECTOR_SELF).pushD(2.5).op2(OP_ADD, TYPE_VARIABLE, TYPE_DOUBLE).popV(x, SELECTOR_LOCAL);
  c.pushV(x, SELECTOR_LOCAL).pushE(2).popRef(gIndexed, TYPE_VARIABLE, uint16_t(SELECTOR_GLOBAL));
  c.pushE(2).pushRef(gIndexed, uint16_t(SELECTOR_GLOBAL)).pushE(2).op2(OP_MUL, TYPE_VARIABLE, TYPE_INT);
  c.popV(p, SELECTOR_PLAIN);
  c.pushS(0).conv(TYPE_STRING, TYPE_VARIABLE).popV(t, SELECTOR_PLAIN);
  c.pushV(p, SELECTOR_PLAIN).pushE(3).pushRef(gIndexed, uint16_t(SELECTOR_GLOBAL)).pushD(0.0);
  c.op2(OP_DIV, TYPE_VARIABLE, TYPE_DOUBLE).op2(OP_SUB, TYPE_VARIABLE, TYPE_VARIABLE);
  c.pushV(kBuiltInFirstGlobal + 3, SELECTOR_SELF).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE);
  // t - 1 fails: a text cannot be subtracted from
  c.pushV(t, SELECTOR_PLAIN).pushE(1).op2(OP_SUB, TYPE_VARIABLE, TYPE_INT).popz(TYPE_VARIABLE).ret();
  std::vector<uint8_t> code = c.finish();

  std::vector<std::string> reports[2];
  for (int decoded = 0; decoded < 2; decoded++) {
    SCOPED_TRACE(decoded ? "decoded" : "words");
    self->variables.Clear();
    Variable_PrepareGlobals();
    g_Arguments[1].SetReal(0.25);
    ReportCapture capture;
    VMBuffer* buffer = CodeBuffer(code, decoded);
    RValue out;
    VM_Run("vmd", self, nullptr, buffer, &out, nullptr, nullptr);
    EXPECT_EQ(buffer->ops != nullptr, decoded == 1);
    // p = 7.5 * 2; the out-of-range read and the division each report and push a zero value.
    EXPECT_EQ(out.real, 15.25);
    RValue v;
    self->variables.Get(p, 0, &v);
    EXPECT_EQ(v.real, 15.0);
    self->variables.Get(t, 0, &v);
    EXPECT_STREQ(v.Str(), "text");
    g_pGlobalVariables->Get(g, 2, &v);
    EXPECT_EQ(v.real, 7.5);
    reports[decoded] = capture.reports();
    ASSERT_EQ(reports[decoded].size(), 3u);
    EXPECT_NE(reports[decoded][0].find("Push :: Execution Error - Variable Index out of range vmd_g\n"), std::string::npos);
    EXPECT_NE(reports[decoded][1].find("DoDiv :: Divide by zero\n"), std::string::npos);
    EXPECT_NE(reports[decoded][2].find("DoSub :: Execution Engine - Cannot operate on string type\n"), std::string::npos);

    // Declared global after the first run, p names the global variable from then on.
    ASSERT_TRUE(Variable_DeclareGlobalVar(p));
    VM_Run("vmd", self, nullptr, buffer, &out, nullptr, nullptr);
    g_pGlobalVariables->Get(p, 0, &v);
    EXPECT_EQ(v.real, 15.0);
    EXPECT_EQ(out.real, 15.25);
    delete buffer;
  }
  EXPECT_EQ(reports[0], reports[1]);
}

// Built-in calls run the same decoded and word by word: texts among the arguments are freed, an
// argument list that lies 4 bytes off its alignment is read the same, the routine sees self, other
// and the calling frame, and the errors it reports are the same.
struct FailSeen {
  CInstance* self;
  CInstance* other;
  int argc;
  int callDepth;
  int runDepth;
};
std::vector<FailSeen>& FailCalls() {
  static std::vector<FailSeen> calls;
  return calls;
}
void FailRoutine(RValue& result, CInstance* self, CInstance* other, int argc, RValue*) {
  FailCalls().push_back({self, other, argc, VM_CallDepth(), VM_RunDepth()});
  ReportActionErrorF(false, "vmtest_fail: %d arguments", argc);
  result.SetReal(argc);
}

TEST_F(VMTest, DecodedBuiltinCallsAgree) {
  CInstance* self = world.add(100001, 0);
  CInstance* other = world.add(100002, 0);
  int fail = FunctionId("vmtest_fail", FailRoutine);
  int32_t a = Var("vmc_a"), b = Var("vmc_b"), c2 = Var("vmc_c"), d = Var("vmc_d");
  Code_AddString("ab");
  Code_AddString("c");
  Assembler c;
  // (arguments are pushed last first)
  // a = join("ab", 7, "c"); 9 then b = join(2, 3) with the 9 left under it; c = fail(1.5)
  // for (d = 0; d < 3; ) d = d - fail() + 1; the 9 is popped last
  c.pushS(1).conv(TYPE_STRING, TYPE_VARIABLE).pushE(7).conv(TYPE_INT, TYPE_VARIABLE);
  c.pushS(0).conv(TYPE_STRING, TYPE_VARIABLE).call(join, 3).popV(a, SELECTOR_SELF);
  c.pushE(9).pushE(3).conv(TYPE_INT, TYPE_VARIABLE).pushE(2).conv(TYPE_INT, TYPE_VARIABLE);
  c.call(join, 2).popV(b, SELECTOR_SELF);
  c.pushD(1.5).conv(TYPE_DOUBLE, TYPE_VARIABLE).call(fail, 1).popV(c2, SELECTOR_SELF);
  c.pushE(0).popV(d, SELECTOR_SELF, TYPE_INT);
  c.label("Loop").pushV(d, SELECTOR_SELF).pushE(3).op2(OP_SLT, TYPE_VARIABLE, TYPE_INT).branch(OP_BF, "Done");
  c.pushV(d, SELECTOR_SELF).call(fail, 0).op2(OP_SUB, TYPE_VARIABLE, TYPE_VARIABLE).pushE(1);
  c.op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(d, SELECTOR_SELF).branch(OP_B, "Loop").label("Done");
  c.popz(TYPE_INT).pushV(a, SELECTOR_SELF).ret();
  std::vector<uint8_t> code = c.finish();

  for (int decoded = 0; decoded < 2; decoded++) {
    SCOPED_TRACE(decoded ? "decoded" : "words");
    VMBuffer* buffer = CodeBuffer(code, decoded);
    int64_t blocks = 0;
    for (int round = 0; round < 2; round++) {  // the second round allocates nothing the first did not
      self->variables.Clear();
      FailCalls().clear();
      blocks = MemoryManager::TotalBlocks();
      int64_t errors = ErrorReportCount();
      RValue out;
      EXPECT_TRUE(VM_Run("vmc", self, other, buffer, &out, nullptr, nullptr));
      EXPECT_EQ(buffer->ops != nullptr, decoded == 1);
      EXPECT_STREQ(out.Str(), "ab,7,c");
      RValue v;
      self->variables.Get(b, 0, &v);
      EXPECT_STREQ(v.Str(), "2,3");
      self->variables.Get(c2, 0, &v);
      EXPECT_EQ(v.real, 1.0);
      self->variables.Get(d, 0, &v);
      EXPECT_EQ(v.real, 3.0);  // fail() gives 0 each round
      EXPECT_EQ(ErrorReportCount() - errors, 4);
      EXPECT_NE(std::string(LastErrorText()).find("\n\nvmtest_fail: 0 arguments"), std::string::npos);
      ASSERT_EQ(FailCalls().size(), 4u);
      for (size_t i = 0; i < 4; i++) {
        const FailSeen& seen = FailCalls()[i];
        EXPECT_EQ(seen.self, self);
        EXPECT_EQ(seen.other, other);
        EXPECT_EQ(seen.argc, i == 0 ? 1 : 0);
        EXPECT_EQ(seen.callDepth, 0);
        EXPECT_EQ(seen.runDepth, 1);
      }
    }
    self->variables.Clear();
    EXPECT_EQ(MemoryManager::TotalBlocks(), blocks);  // every text of the second round freed
    delete buffer;
  }
}

// Loading checks (and decodes) the code before it links the function ids into its calls: a call
// runs the id its code holds when it runs.
TEST_F(VMTest, ACallRunsTheIdLinkedAfterItsCodeWasChecked) {
  Assembler c;
  c.pushE(4).conv(TYPE_INT, TYPE_VARIABLE).call(3, 1).ret();  // the id at offset 12 is linked below
  std::vector<uint8_t> code = c.finish();
  VMBuffer* buffer = VMBuffer::Copy(code.data(), int32_t(code.size()));
  Code_CheckBuffer(*buffer);
  ASSERT_NE(buffer->ops, nullptr);
  int32_t id = join;
  std::memcpy(buffer->data + 12, &id, 4);
  RValue out;
  EXPECT_TRUE(VM_Run("vml", world.add(100001, 0), nullptr, buffer, &out, nullptr, nullptr));
  EXPECT_STREQ(out.Str(), "4");
  delete buffer;
}

// X op K pushed as one group and K applied to the value on top: reals, a whole real's remainder
// with a negative dividend, a division by a long constant, a text (the instruction's own error) and
// a zero divisor (never grouped, the division's own error) run as their instructions do.
TEST_F(VMTest, DecodedConstantArithmeticAgrees) {
  CInstance* self = world.add(100001, 0);
  int32_t x = Var("vmk_x"), y = Var("vmk_y"), z = Var("vmk_z"), t = Var("vmk_t"), w = Var("vmk_w");
  Code_AddString("s");
  Assembler c;
  // x = -17; y = (x * 3 + 2) mod 5; z = (x - 1) / 40000; t = "s"; w = t * 2; w = x / 0 + (y mod 2)
  c.pushE(-17).popV(x, SELECTOR_SELF, TYPE_INT);
  c.pushV(x, SELECTOR_SELF).pushE(3).op2(OP_MUL, TYPE_VARIABLE, TYPE_INT).pushE(2);
  c.op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).pushE(5).op2(OP_MOD, TYPE_VARIABLE, TYPE_INT).popV(y, SELECTOR_SELF);
  c.pushV(x, SELECTOR_SELF).pushE(1).op2(OP_SUB, TYPE_VARIABLE, TYPE_INT).pushI(40000);
  c.op2(OP_DIV, TYPE_VARIABLE, TYPE_INT).popV(z, SELECTOR_SELF);
  c.pushS(0).conv(TYPE_STRING, TYPE_VARIABLE).popV(t, SELECTOR_SELF);
  c.pushV(t, SELECTOR_SELF).pushE(2).op2(OP_MUL, TYPE_VARIABLE, TYPE_INT).popV(w, SELECTOR_SELF);
  c.pushV(x, SELECTOR_SELF).pushE(0).op2(OP_DIV, TYPE_VARIABLE, TYPE_INT);
  c.pushV(y, SELECTOR_SELF).pushE(2).op2(OP_MOD, TYPE_VARIABLE, TYPE_INT).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE);
  c.popV(w, SELECTOR_SELF).pushV(y, SELECTOR_SELF).ret();
  std::vector<uint8_t> code = c.finish();

  std::vector<std::string> reports[2];
  for (int decoded = 0; decoded < 2; decoded++) {
    SCOPED_TRACE(decoded ? "decoded" : "words");
    self->variables.Clear();
    ReportCapture capture;
    RValue out = RunDecodedOrWords(code, "vmk", self, decoded);
    // -17 * 3 + 2 = -49; -49 mod 5 = -4 (the dividend's sign)
    EXPECT_EQ(out.real, -4.0);
    RValue v;
    self->variables.Get(z, 0, &v);
    EXPECT_EQ(v.real, -18.0 / 40000.0);
    // the division by zero gives 0; -4 mod 2 = -0, and 0 + -0 = +0
    self->variables.Get(w, 0, &v);
    EXPECT_EQ(v.real, 0.0);
    EXPECT_FALSE(std::signbit(v.real));
    reports[decoded] = capture.reports();
    ASSERT_EQ(reports[decoded].size(), 2u);
    EXPECT_NE(reports[decoded][0].find("DoMul :: Execution Error\n"), std::string::npos);
    EXPECT_NE(reports[decoded][1].find("DoDiv :: Divide by zero\n"), std::string::npos);
  }
  EXPECT_EQ(reports[0], reports[1]);
}

// Each level of a recursive script keeps its own locals across the calls it makes.
TEST_F(VMTest, DecodedLocalsOfRecursiveScripts) {
  // scr_down(n): var v = n; if (v > 0) v = scr_down(v - 1) * 10 + v; return v;   scr_down(3) = 123
  int self = Script_Count() + kScriptIdBase;
  int32_t v = Var("vmd_v");
  Assembler s;
  s.pushV(kBuiltInFirstGlobal + 2, SELECTOR_SELF).popV(v, SELECTOR_LOCAL);
  s.pushV(v, SELECTOR_LOCAL).pushE(0).op2(OP_SGT, TYPE_VARIABLE, TYPE_INT).branch(OP_BF, "Done");
  s.pushV(v, SELECTOR_LOCAL).pushE(1).op2(OP_SUB, TYPE_VARIABLE, TYPE_INT).call(self, 1);
  s.pushE(10).op2(OP_MUL, TYPE_VARIABLE, TYPE_INT).pushV(v, SELECTOR_LOCAL).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE);
  s.popV(v, SELECTOR_LOCAL);
  s.label("Done").pushV(v, SELECTOR_LOCAL).ret();
  ASSERT_EQ(AddScript("scr_down", s.finish()), self);
  CInstance* instance = world.add(100001, 0);
  Assembler c;
  c.pushE(3).conv(TYPE_INT, TYPE_VARIABLE).call(self, 1).ret();
  EXPECT_EQ(RunCode(c.finish(), instance).real, 123.0);
}

// The groups one decoded entry runs (x += 3, x *= y, the loop test, a compare and its branch) give
// what their instructions give one by one, also on texts (the errors) and when a branch enters a
// group in its middle.
TEST_F(VMTest, DecodedGroupsAgreeWithTheirInstructions) {
  CInstance* self = world.add(100001, 0);
  int32_t x = Var("vmg_x"), y = Var("vmg_y"), i = Var("vmg_i"), t = Var("vmg_t"), big = Var("vmg_big");
  Code_AddString("a");
  Assembler c;
  // x = 0; y = 2; t = "a"; for (var i = 0; i < 5; i += 1) { x += 3; x *= y; }
  c.pushE(0).popV(x, SELECTOR_SELF, TYPE_INT).pushE(2).popV(y, SELECTOR_SELF, TYPE_INT);
  c.pushS(0).conv(TYPE_STRING, TYPE_VARIABLE).popV(t, SELECTOR_SELF);
  c.pushE(0).popV(i, SELECTOR_LOCAL, TYPE_INT);
  c.label("Loop").pushV(i, SELECTOR_LOCAL).pushI(5).op2(OP_SLT, TYPE_VARIABLE, TYPE_INT).branch(OP_BF, "Done");
  c.pushV(x, SELECTOR_SELF).pushE(3).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(x, SELECTOR_SELF);
  c.pushV(x, SELECTOR_SELF).pushV(y, SELECTOR_SELF).op2(OP_MUL, TYPE_VARIABLE, TYPE_VARIABLE).popV(x, SELECTOR_SELF);
  c.pushV(i, SELECTOR_LOCAL).pushI(1).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(i, SELECTOR_LOCAL);
  c.branch(OP_B, "Loop").label("Done");
  // big = t + 1 and t += 1 fail on the text and store the zero value; then t = "a" again
  c.pushV(t, SELECTOR_SELF).pushE(1).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(big, SELECTOR_SELF);
  c.pushV(t, SELECTOR_SELF).pushE(1).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(t, SELECTOR_SELF);
  c.pushV(y, SELECTOR_SELF).pushS(0).conv(TYPE_STRING, TYPE_VARIABLE).popV(t, SELECTOR_SELF).popV(y, SELECTOR_SELF);
  // if (x > y) big = 1; then a branch into the middle of "x += 3" adds 3 once
  c.pushV(x, SELECTOR_SELF).pushV(y, SELECTOR_SELF).op2(OP_SGT, TYPE_VARIABLE, TYPE_VARIABLE).branch(OP_BF, "Skip");
  c.pushE(1).popV(big, SELECTOR_SELF, TYPE_INT).label("Skip");
  c.pushV(x, SELECTOR_SELF).branch(OP_B, "Middle");
  c.pushV(x, SELECTOR_SELF).label("Middle").pushE(3).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(x, SELECTOR_SELF);
  c.pushV(t, SELECTOR_SELF).pushV(y, SELECTOR_SELF).op2(OP_MUL, TYPE_VARIABLE, TYPE_VARIABLE).popV(t, SELECTOR_SELF);
  c.pushV(x, SELECTOR_SELF).ret();
  std::vector<uint8_t> code = c.finish();

  std::vector<std::string> reports[2];
  for (int decoded = 0; decoded < 2; decoded++) {
    SCOPED_TRACE(decoded ? "decoded" : "words");
    self->variables.Clear();
    ReportCapture capture;
    RValue out = RunDecodedOrWords(code, "vmg", self, decoded);
    // x: 6, 18, 42, 90, 186, then + 3
    EXPECT_EQ(out.real, 189.0);
    RValue v;
    self->variables.Get(big, 0, &v);
    EXPECT_EQ(v.real, 1.0);
    self->variables.Get(t, 0, &v);
    EXPECT_EQ(v.real, 0.0);  // "a" * 2 fails and stores its zero value
    reports[decoded] = capture.reports();
    ASSERT_EQ(reports[decoded].size(), 3u);
    EXPECT_NE(reports[decoded][0].find("DoAdd :: Execution Error\n"), std::string::npos);
    EXPECT_NE(reports[decoded][1].find("DoAdd :: Execution Error\n"), std::string::npos);
    EXPECT_NE(reports[decoded][2].find("DoMul :: Execution Error\n"), std::string::npos);
  }
  EXPECT_EQ(reports[0], reports[1]);
}

// argumentN op K as one entry: reals give what push, push.e and the operator give one by one, a text
// argument takes the operator's own error, and a branch into the middle runs the rest alone.
TEST_F(VMTest, DecodedArgumentArithmeticAgrees) {
  CInstance* self = world.add(100001, 0);
  const int32_t argument0 = kBuiltInFirstGlobal + 2, argument2 = kBuiltInFirstGlobal + 4;
  // (argument0 - 1) + (argument0 * -2) + (argument0 + 3) + (argument0 + 4, entered at the push.e)
  Assembler c;
  c.pushV(argument0, SELECTOR_SELF).pushE(1).op2(OP_SUB, TYPE_VARIABLE, TYPE_INT);
  c.pushV(argument0, SELECTOR_PLAIN).pushE(-2).op2(OP_MUL, TYPE_VARIABLE, TYPE_INT).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE);
  c.pushV(argument0, SELECTOR_SELF).pushE(3).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE);
  c.pushV(argument2, SELECTOR_SELF).pushE(1).op2(OP_SUB, TYPE_VARIABLE, TYPE_INT).popz(TYPE_VARIABLE);
  c.pushV(argument0, SELECTOR_SELF).branch(OP_B, "Middle");
  c.pushV(argument0, SELECTOR_SELF).label("Middle").pushE(4).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT);
  c.op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE).ret();
  std::vector<uint8_t> code = c.finish();

  std::vector<std::string> reports[2];
  for (int decoded = 0; decoded < 2; decoded++) {
    SCOPED_TRACE(decoded ? "decoded" : "words");
    g_Arguments[0].SetReal(7.5);
    g_Arguments[2].SetString("a");
    ReportCapture capture;
    RValue out = RunDecodedOrWords(code, "vma", self, decoded);
    // 6.5 - 15 + 10.5 + 11.5
    EXPECT_EQ(out.real, 13.5);
    EXPECT_EQ(g_Arguments[0].real, 7.5);
    EXPECT_STREQ(g_Arguments[2].Str(), "a");
    reports[decoded] = capture.reports();
    ASSERT_EQ(reports[decoded].size(), 1u);
    EXPECT_NE(reports[decoded][0].find("DoSub :: Execution Engine - Cannot operate on string type\n"), std::string::npos);
  }
  EXPECT_EQ(reports[0], reports[1]);
  g_Arguments[0].SetReal(0.0);
  g_Arguments[2].SetReal(0.0);
}

// Script calls and returns, all decoded or all from words (checked): a text comes back through two
// calls, each caller sees its own argument slots and count again, and nothing is left allocated.
TEST_F(VMTest, ScriptCallsAndReturnsAgreeDecodedAndFromWords) {
  CInstance* self = world.add(100001, 0);
  const int32_t argument0 = kBuiltInFirstGlobal + 2, argument1 = kBuiltInFirstGlobal + 3;
  int32_t t = Var("vmc_t"), u = Var("vmc_u");
  Code_AddString("yz");
  for (int decoded = 0; decoded < 2; decoded++) {
    SCOPED_TRACE(decoded ? "decoded" : "words");
    auto buffer = [&](std::vector<uint8_t>& bytes) { return CodeBuffer(bytes, decoded); };
    // inner(a) = a; outer(a, b) { t = inner(b); u = a + 1; return t; }; top: outer(3, "yz")
    int inner = Script_Count() + kScriptIdBase;
    Assembler i;
    i.pushV(argument0, SELECTOR_SELF).ret();
    std::vector<uint8_t> innerCode = i.finish();
    ASSERT_EQ(AddScript("scr_inner", innerCode), inner);
    Assembler o;
    o.pushV(argument1, SELECTOR_SELF).call(inner, 1).popV(t, SELECTOR_SELF);
    o.pushV(argument0, SELECTOR_SELF).pushE(1).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(u, SELECTOR_SELF);
    o.pushV(t, SELECTOR_SELF).ret();
    std::vector<uint8_t> outerCode = o.finish();
    int outer = AddScript("scr_outer", outerCode);
    if (!decoded) {
      // The scripts run from views of their bytes, which the stack check does not pass.
      for (int id : {inner, outer}) {
        CCode* unit = Script_Get(id - kScriptIdBase)->Code();
        delete unit->code;
        unit->code = buffer(id == inner ? innerCode : outerCode);
      }
    }
    Assembler c;
    c.pushS(0).conv(TYPE_STRING, TYPE_VARIABLE).pushE(3).conv(TYPE_INT, TYPE_VARIABLE).call(outer, 2);
    c.popV(t, SELECTOR_SELF).pushV(argument0, SELECTOR_SELF).ret();
    std::vector<uint8_t> top = c.finish();
    g_Arguments[0].SetReal(5.0);
    g_ArgumentView.count = 1;
    g_ArgumentSlotsUsed = 1;
    ReportCapture capture;
    VMBuffer* code = buffer(top);
    RValue out;
    VM_Run("vmc", self, nullptr, code, &out, nullptr, nullptr);
    EXPECT_EQ(code->ops != nullptr, decoded == 1);
    delete code;
    EXPECT_EQ(out.real, 5.0);
    EXPECT_EQ(g_ArgumentView.count, 1);
    EXPECT_EQ(g_ArgumentSlotsUsed, 1);
    RValue v;
    self->variables.Get(t, 0, &v);
    EXPECT_STREQ(v.Str(), "yz");
    self->variables.Get(u, 0, &v);
    EXPECT_EQ(v.real, 4.0);
    EXPECT_TRUE(capture.reports().empty());
  }
  g_Arguments[0].SetReal(0.0);
  g_ArgumentView.count = 0;
  g_ArgumentSlotsUsed = 0;
}

// The loop test on an argument: scr_count(n) = n <= 0 ? 0 : n + scr_count(n - 1); a text argument
// takes the compare's own error.
TEST_F(VMTest, DecodedArgumentTests) {
  int self = Script_Count() + kScriptIdBase;
  int32_t argument0 = kBuiltInFirstGlobal + 2;
  Assembler s;
  s.pushV(argument0, SELECTOR_SELF).pushE(0).op2(OP_SLE, TYPE_VARIABLE, TYPE_INT).branch(OP_BF, "More");
  s.pushE(0).conv(TYPE_INT, TYPE_VARIABLE).ret();
  s.label("More").pushV(argument0, SELECTOR_SELF).pushV(argument0, SELECTOR_SELF).pushE(1);
  s.op2(OP_SUB, TYPE_VARIABLE, TYPE_INT).call(self, 1).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE).ret();
  ASSERT_EQ(AddScript("scr_count", s.finish()), self);
  CInstance* instance = world.add(100001, 0);
  Assembler c;
  c.pushE(20).conv(TYPE_INT, TYPE_VARIABLE).call(self, 1).ret();
  EXPECT_EQ(RunCode(c.finish(), instance).real, 210.0);

  ReportCapture capture;
  Code_AddString("a");
  Assembler t;
  t.pushS(0).conv(TYPE_STRING, TYPE_VARIABLE).call(self, 1).ret();
  RunCode(t.finish(), instance);
  ASSERT_FALSE(capture.reports().empty());
  EXPECT_NE(capture.reports()[0].find("DoSet :: Invalid comparison type\n"), std::string::npos);
}
