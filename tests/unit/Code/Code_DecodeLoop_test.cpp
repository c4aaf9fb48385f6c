// Loop groups of the decoded form: each runs what its instructions run one by one, decoded (from a
// copy, which passes the stack check) and word by word (from a view, which does not).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Code/Code_Decode.h"
#include "Code/Code_Function.h"
#include "Code/Code_Load.h"
#include "Code/Code_TestAsm.h"
#include "Code/Code_VM.h"
#include "Platform/Platform_Memory.h"
#include "Variable/Variable_Global.h"
#include "Variable/Variable_Names.h"
#include "Variable/Variable_Route.h"

using namespace asmtest;

namespace {

class DecodeLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Code_Reset();
    RegisterAllFunctions();
    VM_Install();
    Variable_PrepareGlobals();
    SetInstanceWorld(&world);
    self = world.add(100001, 0);
  }
  void TearDown() override {
    SetInstanceWorld(nullptr);
    Code_Reset();
  }

  static int32_t Var(const char* name) { return Variable_FindOrAddName(name); }

  // Runs `code` decoded or word by word on a fresh self; the run's value and its error reports.
  RValue Run(std::vector<uint8_t>& code, bool decoded, std::vector<std::string>* reports) {
    self->variables.Clear();
    ReportCapture capture;
    VMBuffer* buffer = decoded ? VMBuffer::Copy(code.data(), int32_t(code.size()))
                               : new VMBuffer(code.data(), int32_t(code.size()));
    RValue out;
    VM_Run("loop_test", self, nullptr, buffer, &out, nullptr, nullptr);
    EXPECT_EQ(buffer->ops != nullptr, decoded);
    delete buffer;
    *reports = capture.reports();
    return out;
  }

  double SelfReal(int32_t id) {
    RValue v;
    self->variables.Get(id, 0, &v);
    return v.real;
  }

  TestWorld world;
  CInstance* self = nullptr;
};

const VMOp& At(const VMOp* ops, uint32_t pc) { return ops[pc / 4]; }

}  // namespace

// A loop's step and the branch back to its test are one entry when the test is of the same
// variable; another variable, another list or a branch elsewhere keeps them apart.
TEST(DecodeLoop, StepAndTestOfOneVariableAreOneEntry) {
  const int32_t i = 100001, j = 100002;
  Assembler a;
  a.label("T1").pushV(i, SELECTOR_LOCAL).pushE(5).op2(OP_SLT, TYPE_VARIABLE, TYPE_INT).branch(OP_BF, "E1");  // 0..20
  a.pushV(i, SELECTOR_LOCAL).pushE(1).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(i, SELECTOR_LOCAL);         // 20..44
  a.branch(OP_B, "T1").label("E1");                                                                          // 44
  a.label("T2").pushV(j, SELECTOR_SELF).pushI(70000).op2(OP_SLE, TYPE_VARIABLE, TYPE_INT).branch(OP_BF, "E2");  // 48..72
  a.pushV(j, SELECTOR_SELF).pushI(-40000).op2(OP_SUB, TYPE_VARIABLE, TYPE_INT).popV(j, SELECTOR_SELF);       // 72..100
  a.branch(OP_B, "T2").label("E2");                                                                          // 100
  // The step of j back to the test of i; i of self back to the test of the local i; a step whose b
  // goes to a step.
  a.pushV(j, SELECTOR_SELF).pushE(1).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(j, SELECTOR_SELF).branch(OP_B, "T1");  // 104..132
  a.pushV(i, SELECTOR_SELF).pushE(1).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(i, SELECTOR_SELF).branch(OP_B, "T1");  // 132..160
  a.label("S").pushV(i, SELECTOR_LOCAL).pushE(1).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(i, SELECTOR_LOCAL).branch(OP_B, "S");
  std::vector<uint8_t> code = a.finish();
  VMOp* ops = Code_Decode(code.data(), uint32_t(code.size()));
  EXPECT_EQ(At(ops, 20).handler, VMH_update_k_b);
  EXPECT_EQ(At(ops, 20).value, i);
  EXPECT_EQ(At(ops, 20).extra, 1);
  EXPECT_EQ(At(ops, 20).spare, int32_t(OP_ADD | (0 << 8)));
  EXPECT_EQ(At(ops, 44).handler, VMH_b);  // the b keeps its entry
  EXPECT_EQ(At(ops, 72).handler, VMH_update_k_b);
  EXPECT_EQ(At(ops, 72).extra, -40000);
  EXPECT_EQ(At(ops, 72).spare, int32_t(OP_SUB | (48 << 8)));
  EXPECT_EQ(At(ops, 104).handler, VMH_update_k);
  EXPECT_EQ(At(ops, 132).handler, VMH_update_k);
  EXPECT_EQ(At(ops, 160).handler, VMH_update_k);
  MemFree(ops);
}

// Loops run by the step group count as their instructions do: a step of 1 to 5, a step by a long
// constant down past a bound, a test of <= and >, a counter that holds a text for one step (the add's
// error, the zero value it stores, the loop going on from there), and a branch into the step's
// middle.
TEST_F(DecodeLoopTest, StepGroupsCountAsTheirInstructions) {
  const int32_t i = Var("dl_i"), n = Var("dl_n"), t = Var("dl_t"), k = Var("dl_k");
  Code_AddString("a");
  Assembler c;
  // t = "a"; for (i = 0; i < 5; i += 1) { n += 1; if (i == 2) { i = t; t = 7; } }
  c.pushS(0).conv(TYPE_STRING, TYPE_VARIABLE).popV(t, SELECTOR_SELF);
  c.pushE(0).popV(n, SELECTOR_SELF, TYPE_INT);
  c.pushE(0).popV(i, SELECTOR_LOCAL, TYPE_INT);
  c.label("T1").pushV(i, SELECTOR_LOCAL).pushE(5).op2(OP_SLT, TYPE_VARIABLE, TYPE_INT).branch(OP_BF, "E1");
  c.pushV(n, SELECTOR_SELF).pushE(1).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(n, SELECTOR_SELF);
  c.pushV(i, SELECTOR_LOCAL).pushE(2).op2(OP_SEQ, TYPE_VARIABLE, TYPE_INT).branch(OP_BF, "Step1");
  c.pushV(t, SELECTOR_SELF).popV(i, SELECTOR_LOCAL).pushE(7).popV(t, SELECTOR_SELF, TYPE_INT);
  c.label("Step1").pushV(i, SELECTOR_LOCAL).pushE(1).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(i, SELECTOR_LOCAL);
  c.branch(OP_B, "T1").label("E1");
  // for (k = 100000; k > 0; k -= 70000) n += 10;   k: 100000, 30000, then -40000
  c.pushI(100000).popV(k, SELECTOR_SELF, TYPE_INT);
  c.label("T2").pushV(k, SELECTOR_SELF).pushE(0).op2(OP_SGT, TYPE_VARIABLE, TYPE_INT).branch(OP_BF, "E2");
  c.pushV(n, SELECTOR_SELF).pushE(10).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(n, SELECTOR_SELF);
  c.pushV(k, SELECTOR_SELF).pushI(70000).op2(OP_SUB, TYPE_VARIABLE, TYPE_INT).popV(k, SELECTOR_SELF);
  c.branch(OP_B, "T2").label("E2");
  // for (i = 1; i <= 100000; i *= 300) n += 100;   i: 1, 300, 90000, then 27000000; entered once at
  // the push.e
  c.pushE(1).popV(i, SELECTOR_LOCAL, TYPE_INT).branch(OP_B, "T3");
  c.label("Step3").pushV(i, SELECTOR_LOCAL).label("Middle").pushE(300).op2(OP_MUL, TYPE_VARIABLE, TYPE_INT);
  c.popV(i, SELECTOR_LOCAL).branch(OP_B, "T3");
  c.label("T3").pushV(i, SELECTOR_LOCAL).pushI(100000).op2(OP_SLE, TYPE_VARIABLE, TYPE_INT).branch(OP_BF, "E3");
  c.pushV(n, SELECTOR_SELF).pushE(100).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(n, SELECTOR_SELF);
  c.pushV(n, SELECTOR_SELF).pushE(200).op2(OP_SLT, TYPE_VARIABLE, TYPE_INT).branch(OP_BF, "Step3");
  // Once, when n is below 200: i *= 300 through the middle, with i pushed here.
  c.pushV(i, SELECTOR_LOCAL).branch(OP_B, "Middle");
  c.label("E3").pushV(i, SELECTOR_LOCAL).ret();
  std::vector<uint8_t> code = c.finish();

  std::vector<std::string> reports[2];
  for (int decoded = 0; decoded < 2; decoded++) {
    SCOPED_TRACE(decoded ? "decoded" : "words");
    RValue out = Run(code, decoded != 0, &reports[decoded]);
    // First loop: rounds at i = 0, 1, 2 (i becomes "a", whose step fails and stores 0), 0, 1, 2
    // (i becomes 7, the step makes 8): n = 6. Second: two rounds, n = 26. Third: the first round
    // (i = 1, n = 126) goes through the middle (i = 300), the second (n = 226) steps to 90000, the
    // third (n = 326) to 27000000.
    EXPECT_EQ(SelfReal(n), 326.0);
    EXPECT_EQ(SelfReal(k), -40000.0);
    EXPECT_EQ(SelfReal(t), 7.0);
    EXPECT_EQ(out.real, 27000000.0);
    ASSERT_EQ(reports[decoded].size(), 1u);
    EXPECT_NE(reports[decoded][0].find("DoAdd :: Execution Error\n"), std::string::npos);
  }
  EXPECT_EQ(reports[0], reports[1]);
}

// Arithmetic stored straight into a variable gives what the instructions give one by one: into a
// variable holding a text (the text goes), into a local not made yet, by a constant after another
// group, with a text operand (the operator's error and the zero value stored), and through a branch
// to the pop alone.
TEST_F(DecodeLoopTest, StoredArithmeticAgrees) {
  const int32_t a = Var("ds_a"), b = Var("ds_b"), x = Var("ds_x"), y = Var("ds_y"), z = Var("ds_z"),
                w = Var("ds_w"), t = Var("ds_t"), u = Var("ds_u"), v1 = Var("ds_v1"), v2 = Var("ds_v2");
  Code_AddString("s");
  Assembler c;
  c.pushE(7).popV(a, SELECTOR_SELF, TYPE_INT).pushD(2.5).popV(b, SELECTOR_SELF, TYPE_DOUBLE);
  c.pushS(0).conv(TYPE_STRING, TYPE_VARIABLE).popV(x, SELECTOR_SELF);
  c.pushS(0).conv(TYPE_STRING, TYPE_VARIABLE).popV(t, SELECTOR_SELF);
  // x = a * b (x holds a text); var y = a - b (not made yet); y = a + y
  c.pushV(a, SELECTOR_SELF).pushV(b, SELECTOR_SELF).op2(OP_MUL, TYPE_VARIABLE, TYPE_VARIABLE).popV(x, SELECTOR_SELF);
  c.pushV(a, SELECTOR_SELF).pushV(b, SELECTOR_SELF).op2(OP_SUB, TYPE_VARIABLE, TYPE_VARIABLE).popV(y, SELECTOR_LOCAL);
  c.pushV(a, SELECTOR_SELF).pushV(y, SELECTOR_LOCAL).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE).popV(y, SELECTOR_LOCAL);
  // z = (a * 3) mod 4; w = (a + b) / 4 with a long constant 4
  c.pushV(a, SELECTOR_SELF).pushE(3).op2(OP_MUL, TYPE_VARIABLE, TYPE_INT);
  c.pushE(4).op2(OP_MOD, TYPE_VARIABLE, TYPE_INT).popV(z, SELECTOR_SELF);
  c.pushV(a, SELECTOR_SELF).pushV(b, SELECTOR_SELF).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE);
  c.pushI(4).op2(OP_DIV, TYPE_VARIABLE, TYPE_INT).popV(w, SELECTOR_SELF);
  // v1 = (b * 3) mod -4 (a fraction keeps the dividend's sign); v2 = (a * -3) mod 4 (a whole one too)
  c.pushV(b, SELECTOR_SELF).pushE(3).op2(OP_MUL, TYPE_VARIABLE, TYPE_INT);
  c.pushE(-4).op2(OP_MOD, TYPE_VARIABLE, TYPE_INT).popV(v1, SELECTOR_SELF);
  c.pushV(a, SELECTOR_SELF).pushE(-3).op2(OP_MUL, TYPE_VARIABLE, TYPE_INT);
  c.pushE(4).op2(OP_MOD, TYPE_VARIABLE, TYPE_INT).popV(v2, SELECTOR_SELF);
  // u = t - a fails on the text
  c.pushV(t, SELECTOR_SELF).pushV(a, SELECTOR_SELF).op2(OP_SUB, TYPE_VARIABLE, TYPE_VARIABLE).popV(u, SELECTOR_SELF);
  // if (a == 7) t = b else t = a + b, the first way through a branch to the pop
  c.pushV(a, SELECTOR_SELF).pushE(7).op2(OP_SEQ, TYPE_VARIABLE, TYPE_INT).branch(OP_BF, "Other");
  c.pushV(b, SELECTOR_SELF).branch(OP_B, "Store");
  c.label("Other").pushV(a, SELECTOR_SELF).pushV(b, SELECTOR_SELF).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE);
  c.label("Store").popV(t, SELECTOR_SELF);
  c.pushV(y, SELECTOR_LOCAL).ret();
  std::vector<uint8_t> code = c.finish();

  std::vector<std::string> reports[2];
  for (int decoded = 0; decoded < 2; decoded++) {
    SCOPED_TRACE(decoded ? "decoded" : "words");
    RValue out = Run(code, decoded != 0, &reports[decoded]);
    EXPECT_EQ(SelfReal(x), 17.5);
    EXPECT_EQ(out.real, 11.5);  // y = 7 - 2.5, then 7 + 4.5
    EXPECT_EQ(SelfReal(z), 1.0);  // 21 mod 4
    EXPECT_EQ(SelfReal(w), 2.375);
    EXPECT_EQ(SelfReal(v1), 3.5);
    EXPECT_EQ(SelfReal(v2), -1.0);
    EXPECT_EQ(SelfReal(u), 0.0);
    EXPECT_EQ(SelfReal(t), 2.5);
    ASSERT_EQ(reports[decoded].size(), 1u);
  }
  EXPECT_EQ(reports[0], reports[1]);
}

// The two-index element index (i * 32000 + j of two variables) as one entry: whole and fractional
// reals (cut toward zero), a row past the 32-bit range's end (the product wraps as mul.i.i's does),
// a text row (conv's own way), and a branch to the column's push with the row's product made
// elsewhere.
TEST_F(DecodeLoopTest, TwoIndexElementIndexAgrees) {
  const int32_t i = Var("di_i"), j = Var("di_j"), a = Var("di_a"), r = Var("di_r");
  Code_AddString("s");
  Assembler c;
  auto index = [&](Assembler& c) {
    c.pushV(i, SELECTOR_SELF).conv(TYPE_VARIABLE, TYPE_INT).pushI(32000).op2(OP_MUL, TYPE_INT, TYPE_INT);
    c.pushV(j, SELECTOR_LOCAL).conv(TYPE_VARIABLE, TYPE_INT).op2(OP_ADD, TYPE_INT, TYPE_INT);
  };
  // r = index(2, 3); r += index(1.7, -0.5); r += index(70000, 5) / 4 (the wrapped sum, exact)
  c.pushE(2).popV(i, SELECTOR_SELF, TYPE_INT).pushE(3).popV(j, SELECTOR_LOCAL, TYPE_INT);
  index(c);
  c.conv(TYPE_INT, TYPE_VARIABLE).popV(r, SELECTOR_SELF);
  c.pushD(1.7).popV(i, SELECTOR_SELF, TYPE_DOUBLE).pushD(-0.5).popV(j, SELECTOR_LOCAL, TYPE_DOUBLE);
  index(c);
  c.conv(TYPE_INT, TYPE_VARIABLE).pushV(r, SELECTOR_SELF).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE).popV(r, SELECTOR_SELF);
  c.pushI(70000).popV(i, SELECTOR_SELF, TYPE_INT).pushE(5).popV(j, SELECTOR_LOCAL, TYPE_INT);
  index(c);
  c.conv(TYPE_INT, TYPE_VARIABLE).pushV(r, SELECTOR_SELF).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE).popV(r, SELECTOR_SELF);
  // a = index("s", 5)
  c.pushS(0).conv(TYPE_STRING, TYPE_VARIABLE).popV(i, SELECTOR_SELF);
  index(c);
  c.conv(TYPE_INT, TYPE_VARIABLE).popV(a, SELECTOR_SELF);
  // if (r != 0) the row's product is 96000 (a branch to the column's push), else index(i, j)
  c.pushV(r, SELECTOR_SELF).pushE(0).op2(OP_SNE, TYPE_VARIABLE, TYPE_INT).branch(OP_BF, "Whole");
  c.pushI(96000).branch(OP_B, "Column");
  c.label("Whole").pushV(i, SELECTOR_SELF).conv(TYPE_VARIABLE, TYPE_INT).pushI(32000).op2(OP_MUL, TYPE_INT, TYPE_INT);
  c.label("Column").pushV(j, SELECTOR_LOCAL).conv(TYPE_VARIABLE, TYPE_INT).op2(OP_ADD, TYPE_INT, TYPE_INT);
  c.retAs(TYPE_INT);
  std::vector<uint8_t> code = c.finish();
  VMOp* ops = Code_Decode(code.data(), uint32_t(code.size()));
  EXPECT_EQ(At(ops, 24).handler, VMH_index2);
  MemFree(ops);

  std::vector<std::string> reports[2];
  double texts[2] = {};
  for (int decoded = 0; decoded < 2; decoded++) {
    SCOPED_TRACE(decoded ? "decoded" : "words");
    RValue out = Run(code, decoded != 0, &reports[decoded]);
    // 64003 + 32000 + (70000 * 32000 + 5 - 2^32 = -2054967291)
    EXPECT_EQ(SelfReal(r), 64003.0 + 32000.0 - 2054967291.0);
    EXPECT_EQ(out.real, 96005.0);
    texts[decoded] = SelfReal(a);
  }
  EXPECT_EQ(texts[0], texts[1]);
  EXPECT_EQ(reports[0], reports[1]);
}

// A value stored and then tested against a constant (v = ...; if (v != 0)) as one entry: true and
// false tests, a long constant after a stored product, a text stored and tested (the test's own
// way), and a real stored over that text.
TEST_F(DecodeLoopTest, StoreAndTestAgree) {
  const int32_t a = Var("dt_a"), z = Var("dt_z"), v = Var("dt_v"), n = Var("dt_n"), m = Var("dt_m"),
                t = Var("dt_t");
  Code_AddString("s");
  Assembler c;
  auto test = [&](Assembler& c, int32_t k, bool isLong, uint8_t cmp, const char* skip) {
    c.pushV(v, SELECTOR_LOCAL);
    if (isLong) {
      c.pushI(k);
    } else {
      c.pushE(int16_t(k));
    }
    c.op2(cmp, TYPE_VARIABLE, TYPE_INT).branch(OP_BF, skip);
  };
  auto add = [&](Assembler& c, int32_t target, int16_t k) {
    c.pushV(target, SELECTOR_SELF).pushE(k).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(target, SELECTOR_SELF);
  };
  c.pushE(7).popV(a, SELECTOR_SELF, TYPE_INT).pushE(0).popV(z, SELECTOR_SELF, TYPE_INT);
  c.pushE(0).popV(n, SELECTOR_SELF, TYPE_INT).pushE(0).popV(m, SELECTOR_SELF, TYPE_INT);
  c.pushS(0).conv(TYPE_STRING, TYPE_VARIABLE).popV(t, SELECTOR_SELF);
  c.pushE(1).popV(v, SELECTOR_LOCAL, TYPE_INT);
  // v = a; if (v != 0) n += 1;   v = z; if (v != 0) n += 10;   v = a * 10000; if (v < 70000) n += 100
  c.pushV(a, SELECTOR_SELF).popV(v, SELECTOR_LOCAL);
  test(c, 0, false, OP_SNE, "S1");
  add(c, n, 1);
  c.label("S1").pushV(z, SELECTOR_SELF).popV(v, SELECTOR_LOCAL);
  test(c, 0, false, OP_SNE, "S2");
  add(c, n, 10);
  c.label("S2").pushV(a, SELECTOR_SELF).pushI(10000).op2(OP_MUL, TYPE_VARIABLE, TYPE_INT).popV(v, SELECTOR_LOCAL);
  test(c, 70000, true, OP_SLT, "S3");
  add(c, n, 100);
  // v = t; if (v != 0) m += 1;   v = a; if (v >= 7) n += 1000
  c.label("S3").pushV(t, SELECTOR_SELF).popV(v, SELECTOR_LOCAL);
  test(c, 0, false, OP_SNE, "S4");
  add(c, m, 1);
  c.label("S4").pushV(a, SELECTOR_SELF).popV(v, SELECTOR_LOCAL);
  test(c, 7, false, OP_SGE, "S5");
  add(c, n, 1000);
  c.label("S5").pushV(v, SELECTOR_LOCAL).ret();
  std::vector<uint8_t> code = c.finish();
  VMOp* ops = Code_Decode(code.data(), uint32_t(code.size()));
  EXPECT_EQ(At(ops, 88).handler, VMH_pop_compare_k_bf);
  MemFree(ops);

  std::vector<std::string> reports[2];
  double ms[2] = {};
  for (int decoded = 0; decoded < 2; decoded++) {
    SCOPED_TRACE(decoded ? "decoded" : "words");
    RValue out = Run(code, decoded != 0, &reports[decoded]);
    EXPECT_EQ(SelfReal(n), 1001.0);
    EXPECT_EQ(out.real, 7.0);
    ms[decoded] = SelfReal(m);
  }
  EXPECT_EQ(ms[0], ms[1]);
  EXPECT_EQ(reports[0], reports[1]);
}
