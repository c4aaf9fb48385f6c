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
  EXPECT_EQ(at(80).handler, VMH_lt_iv);
  EXPECT_EQ(at(84).handler, VMH_bf);
  EXPECT_EQ(at(84).value, 56);
  EXPECT_EQ(at(88).handler, VMH_b);
  EXPECT_EQ(at(88).value, 96);
  EXPECT_EQ(at(92).handler, VMH_generic);
  EXPECT_EQ(at(96).handler, VMH_generic);  // the exit word after the code
  MemFree(ops);
}
