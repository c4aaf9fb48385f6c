#include "Code/Code_StackCheck.h"

#include <gtest/gtest.h>

#include "Code/Code_Compile.h"
#include "Code/Code_Constant.h"
#include "Code/Code_Error.h"
#include "Code/Code_Function.h"
#include "Code/Code_TestAsm.h"

using namespace asmtest;

namespace {

bool Passes(const std::vector<uint8_t>& bytes, int32_t* depth = nullptr) {
  int32_t d = -1;
  bool ok = Code_CheckStack(bytes.data(), uint32_t(bytes.size()), &d);
  if (depth) *depth = d;
  return ok;
}

}  // namespace

TEST(StackCheck, DeepestStackCountsItemWidths) {
  // [] -> [d] -> [d i] -> [d d] -> [d], ret.d: 8 + 8 at the deepest.
  Assembler a;
  a.pushD(1.5).pushI(2).conv(TYPE_INT, TYPE_DOUBLE).op2(OP_ADD, TYPE_DOUBLE, TYPE_DOUBLE).op1(OP_RET, TYPE_DOUBLE);
  int32_t depth;
  ASSERT_TRUE(Passes(a.finish(), &depth));
  EXPECT_EQ(depth, 16);

  // A call takes its three values and leaves one: 3 * 24 at the deepest.
  Assembler c;
  c.pushE(1).conv(TYPE_INT, TYPE_VARIABLE).pushE(2).conv(TYPE_INT, TYPE_VARIABLE);
  c.pushE(3).conv(TYPE_INT, TYPE_VARIABLE).call(7, 3).popz(TYPE_VARIABLE);
  ASSERT_TRUE(Passes(c.finish(), &depth));
  EXPECT_EQ(depth, 3 * int32_t(sizeof(RValue)));
}

TEST(StackCheck, LoopsWithBlocksAndSwitchesPass) {
  // with (1) { switch (x) { case 1: continue; default: break; } } then a repeat loop that exits.
  Assembler a;
  a.pushE(1).branch(OP_PUSHENV, "pop").label("body");
  a.pushV(100000, -1).dup(TYPE_VARIABLE).pushE(1).op2(OP_SEQ, TYPE_VARIABLE, TYPE_INT).branch(OP_BT, "cont");
  a.popz(TYPE_VARIABLE).branch(OP_B, "leave");
  a.label("cont").popz(TYPE_VARIABLE).branch(OP_B, "pop");
  // A continue drops the switch value before it goes to the popenv, as the compiler has it.
  a.label("pop").branch(OP_POPENV, "body").branch(OP_B, "after");
  a.label("leave").popenvDrop();
  a.label("after").pushE(3).label("loop").dup(TYPE_INT).pushI(0).op2(OP_SLE, TYPE_INT, TYPE_INT);
  a.branch(OP_BT, "end").pushI(1).op2(OP_SUB, TYPE_INT, TYPE_INT).exit();
  a.label("end").popz(TYPE_INT);
  EXPECT_TRUE(Passes(a.finish()));
}

TEST(StackCheck, CodeThatLosesStepFails) {
  Assembler underflow;  // pops what was never pushed
  underflow.popz(TYPE_INT);
  EXPECT_FALSE(Passes(underflow.finish()));

  Assembler merge;  // one way to "join" pushes an item, the other does not
  merge.pushB(true).branch(OP_BT, "join").pushI(1).label("join").pushI(2).exit();
  EXPECT_FALSE(Passes(merge.finish()));

  Assembler type;  // an int added as two values
  type.pushI(1).pushI(2).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE).exit();
  EXPECT_FALSE(Passes(type.finish()));

  Assembler text;  // a real taken as a string
  text.pushD(1).popz(TYPE_STRING);
  EXPECT_FALSE(Passes(text.finish()));

  Assembler end;  // an item left when the code runs off its end
  end.pushI(1);
  EXPECT_FALSE(Passes(end.finish()));

  Assembler above;  // a break that leaves the with-block with a switch value above its record
  above.pushE(-1).branch(OP_PUSHENV, "pop").label("body").pushI(1).popenvDrop().branch(OP_B, "after");
  above.label("pop").branch(OP_POPENV, "body").label("after");
  EXPECT_FALSE(Passes(above.finish()));

  Assembler env;  // popenv outside any with-block
  env.label("top").branch(OP_POPENV, "top");
  EXPECT_FALSE(Passes(env.finish()));

  Assembler inside;  // a branch into the operand of push.i
  inside.word(EncodeBranch(OP_B, 2)).pushI(5);
  EXPECT_FALSE(Passes(inside.finish()));

  Assembler unknown;  // an opcode the machine ignores
  unknown.word(Encode(0x01)).exit();
  EXPECT_FALSE(Passes(unknown.finish()));

  Assembler partial;  // a last instruction cut short
  partial.pushD(1);
  partial.bytes.resize(8);
  EXPECT_FALSE(Passes(partial.bytes));
}

TEST(StackCheck, CompiledCodePassesAndCopiesKeepTheOutcome) {
  RegisterAllFunctions();
  if (ConstantCount() == 0) AddBuiltinConstants();
  const char* source =
      "var a, b; a = 1;"
      "with (all) { if (x > 3) break; if (x < 0) continue; switch (a) { case 1: continue; default: exit; } }"
      "repeat (3) { a += 1; if (a > 5) break; }"
      "switch (a) { case 1: b = 'x' + string(a); break; case 'y': return 4; }"
      "do { a -= 1; } until (a < 0);"
      "for (b = 0; b < 3; b += 1) { if (b == 1) continue; grid[b, 1] = a; }"
      "a = !(a && b) || -a; b = other.x; global.g = argument[a]; a = a div 2 + a mod 3 | 4 ^ (5 & ~b) << 1;";
  CCode* code = Code_CompileText("stack_check", source);
  ASSERT_NE(code, nullptr) << CompileErrorText();
  Code_CheckBuffer(*code->code);
  EXPECT_EQ(code->code->stackCheck, 1);

  // A buffer that only refers to bytes has no exit word after them: it never passes.
  VMBuffer view(code->code->data, code->code->size);
  Code_CheckBuffer(view);
  EXPECT_EQ(view.stackCheck, -1);
  delete code;
}
