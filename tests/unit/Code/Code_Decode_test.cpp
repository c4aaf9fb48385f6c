#include "Code/Code_Decode.h"

#include <gtest/gtest.h>

#include "Code/Code_TestAsm.h"
#include "Platform/Platform_Memory.h"
#include "Variable/Variable_Route.h"

using namespace asmtest;

// What each instruction decodes to: the variable's id and list, the argument slot, immediates and
// branch targets as byte offsets; every form the handlers do not cover stays generic.
TEST(Decode, InstructionsNameTheirHandlerAndOperands) {
  const int32_t id = 100123;
  Assembler a;
  a.pushV(id, SELECTOR_LOCAL);                                                        // 0
  a.popRef(EncodeVariableRef(kRefImmediateSel, id), TYPE_VARIABLE, uint16_t(SELECTOR_SELF));  // 8
  a.pushV(id, SELECTOR_PLAIN).popV(id, SELECTOR_GLOBAL);                              // 16, 24
  a.pushV(id, SELECTOR_OTHER);                                                        // 32
  a.pushV(80 + 3, SELECTOR_PLAIN);                                                    // 40: argument3
  a.popV(id, SELECTOR_SELF, TYPE_INT);                                                // 48
  a.label("Top").pushE(-7).pushI(70000).pushD(0.5);                                   // 56, 60, 68
  a.op2(OP_SLT, TYPE_INT, TYPE_VARIABLE).branch(OP_BF, "Top").branch(OP_B, "End");    // 80, 84, 88
  a.op2(OP_ADD, TYPE_STRING, TYPE_STRING).label("End");                               // 92
  a.ret().op1(OP_RET, TYPE_INT);                                                      // 96, 100
  std::vector<uint8_t> code = a.finish();
  VMOp* ops = Code_Decode(code.data(), uint32_t(code.size()));
  auto at = [&](uint32_t pc) { return ops[pc / 4]; };
  EXPECT_EQ(at(0).handler, VMH_push_local);
  EXPECT_EQ(at(0).value, id);
  EXPECT_EQ(at(8).handler, VMH_popx_self);
  EXPECT_EQ(at(8).value, id);
  EXPECT_EQ(at(16).handler, VMH_push_plain);
  EXPECT_EQ(at(24).handler, VMH_pop_global);
  EXPECT_EQ(at(32).handler, VMH_generic);
  EXPECT_EQ(at(40).handler, VMH_push_argument);
  EXPECT_EQ(at(40).slot, 3);
  EXPECT_EQ(at(48).handler, VMH_generic);
  EXPECT_EQ(at(56).handler, VMH_push_e);
  EXPECT_EQ(at(56).value, -7);
  EXPECT_EQ(at(60).value, 70000);
  EXPECT_EQ(at(68).handler, VMH_push_d);
  // The compare runs with the bf after it, which keeps its own entry.
  EXPECT_EQ(at(80).handler, VMH_branch_iv);
  EXPECT_EQ(at(80).value, 56);
  EXPECT_EQ(at(80).slot, 0);
  EXPECT_EQ(at(84).handler, VMH_bf);
  EXPECT_EQ(at(84).value, 56);
  EXPECT_EQ(at(88).handler, VMH_b);
  EXPECT_EQ(at(88).value, 96);
  EXPECT_EQ(at(92).handler, VMH_generic);
  EXPECT_EQ(at(96).handler, VMH_ret_v);
  EXPECT_EQ(at(100).handler, VMH_ret);
  EXPECT_EQ(at(104).handler, VMH_exit);  // the exit word after the code
  MemFree(ops);
}

// Groups: x += 3 and x *= y on self, "if (x >= 10)" on a local; each later instruction keeps the
// entry it would have alone. A pop into another variable or list is no group.
TEST(Decode, GroupsRunFromTheirFirstEntry) {
  const int32_t x = 100001, y = 100002;
  Assembler a;
  a.pushV(x, SELECTOR_SELF).pushE(3).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(x, SELECTOR_SELF);      // 0..24
  a.pushV(x, SELECTOR_SELF).pushV(y, SELECTOR_PLAIN).op2(OP_MUL, TYPE_VARIABLE, TYPE_VARIABLE);         // 24..44
  a.popV(x, SELECTOR_SELF);                                                                            // 44..52
  a.pushV(x, SELECTOR_LOCAL).pushE(10).op2(OP_SGE, TYPE_VARIABLE, TYPE_INT).branch(OP_BF, "End");      // 52..72
  a.pushV(x, SELECTOR_SELF).pushE(1).op2(OP_SUB, TYPE_VARIABLE, TYPE_INT).popV(y, SELECTOR_SELF);      // 72..96
  a.pushV(x, SELECTOR_SELF).pushE(1).op2(OP_SUB, TYPE_VARIABLE, TYPE_INT).popV(x, SELECTOR_PLAIN);     // 96..120
  a.pushE(1).pushE(2).op2(OP_SNE, TYPE_INT, TYPE_INT).branch(OP_BT, "End").label("End");              // 120..136
  a.pushV(x, SELECTOR_GLOBAL).pushI(70000).op2(OP_SLT, TYPE_VARIABLE, TYPE_INT).branch(OP_BF, "End");  // 136..160
  a.pushV(x, SELECTOR_GLOBAL).pushI(40000).op2(OP_SUB, TYPE_VARIABLE, TYPE_INT).popV(x, SELECTOR_GLOBAL);  // ..188
  a.pushV(80 + 2, SELECTOR_SELF).pushE(-1).op2(OP_SLE, TYPE_VARIABLE, TYPE_INT).branch(OP_BF, "End");  // 188..208
  a.pushV(80 + 1, SELECTOR_PLAIN).pushE(-3).op2(OP_MUL, TYPE_VARIABLE, TYPE_INT).popz(TYPE_VARIABLE);     // 208..228
  std::vector<uint8_t> code = a.finish();
  VMOp* ops = Code_Decode(code.data(), uint32_t(code.size()));
  auto at = [&](uint32_t pc) { return ops[pc / 4]; };
  EXPECT_EQ(at(0).handler, VMH_update_k);
  EXPECT_EQ(at(0).value, x);
  EXPECT_EQ(at(0).slot, VMH_push_self);
  EXPECT_EQ(at(0).extra, 3);
  EXPECT_EQ(at(0).spare, OP_ADD);
  EXPECT_EQ(at(8).handler, VMH_op_k_pop);  // push.e 3; add; pop.v.v x: a group of its own
  EXPECT_EQ(at(8).value, x);
  EXPECT_EQ(at(8).slot, VMH_push_self);
  EXPECT_EQ(at(8).extra, 3);
  EXPECT_EQ(at(8).spare, OP_ADD | (16 << 8));
  EXPECT_EQ(at(12).handler, VMH_add_vi);
  EXPECT_EQ(at(16).handler, VMH_pop_self);
  EXPECT_EQ(at(24).handler, VMH_update_v);
  EXPECT_EQ(at(24).extra, y);
  EXPECT_EQ(at(24).spare, VMH_push_plain | (OP_MUL << 16));
  EXPECT_EQ(at(32).handler, VMH_push_plain);
  EXPECT_EQ(at(52).handler, VMH_compare_k_bf);
  EXPECT_EQ(at(52).slot, VMH_push_local | (CMP_GE << 8));
  EXPECT_EQ(at(52).extra, 10);
  EXPECT_EQ(at(52).spare, 136);
  EXPECT_EQ(at(64).handler, VMH_branch_vi);
  // x - 1 popped elsewhere: x - 1 is pushed as one group
  EXPECT_EQ(at(72).handler, VMH_push_op_k);
  EXPECT_EQ(at(72).slot, VMH_push_self);
  EXPECT_EQ(at(72).extra, 1);
  EXPECT_EQ(at(72).spare, OP_SUB | (16 << 16));
  EXPECT_EQ(at(88).handler, VMH_pop_self);
  EXPECT_EQ(at(96).handler, VMH_push_op_k);
  EXPECT_EQ(at(128).handler, VMH_branch_ii);
  EXPECT_EQ(at(128).slot, CMP_NE | 0x100);
  // With a push.i for K.
  EXPECT_EQ(at(136).handler, VMH_compare_k_bf_long);
  EXPECT_EQ(at(136).slot, VMH_push_global | (CMP_LT << 8));
  EXPECT_EQ(at(136).extra, 70000);
  EXPECT_EQ(at(136).spare, 136);
  EXPECT_EQ(at(160).handler, VMH_update_k_long);
  EXPECT_EQ(at(160).slot, VMH_push_global);
  EXPECT_EQ(at(160).extra, 40000);
  EXPECT_EQ(at(160).spare, OP_SUB);
  // The argument form.
  EXPECT_EQ(at(188).handler, VMH_compare_argument_le_bf);
  EXPECT_EQ(at(188).slot, 2);
  EXPECT_EQ(at(188).value, CMP_LE);
  EXPECT_EQ(at(188).extra, -1);
  EXPECT_EQ(at(188).spare, 136);
  EXPECT_EQ(at(208).handler, VMH_argument_k);
  EXPECT_EQ(at(208).slot, 1);
  EXPECT_EQ(at(208).value, OP_MUL);
  EXPECT_EQ(at(208).extra, -3);
  EXPECT_EQ(at(216).handler, VMH_op_k);  // push.e -3; mul inside the group: a group of its own
  EXPECT_EQ(at(216).value, -3);
  MemFree(ops);
}
