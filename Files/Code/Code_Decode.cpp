#include "Code/Code_Decode.h"

#include <cstring>

#include "Code/Code_Function.h"
#include "Platform/Platform_Memory.h"
#include "Variable/Variable_Names.h"
#include "Variable/Variable_Route.h"

using namespace VM;

namespace {

uint32_t WordAt(const uint8_t* code, uint32_t pc) {
  uint32_t w;
  std::memcpy(&w, code + pc, 4);
  return w;
}

// The handler of a two-operand number instruction, or generic.
uint16_t PairHandler(uint8_t op, int tl, int tr) {
#define X(OP, NAME, TL, TR, PAIR) \
  if (op == OP && tl == TL && tr == TR) return VMH_##NAME##_##PAIR;
  CODE_ARITHMETIC_OPS(CODE_NUMBER_PAIRS, X)
  CODE_COMPARE_OPS(CODE_NUMBER_PAIRS, X)
#undef X
  return VMH_generic;
}

// push.v (pop false) or pop.v.v (pop true) of a reference whose selector is the immediate.
void DecodeVariable(uint32_t word, uint32_t ref, bool pop, VMOp& op) {
  if ((ref & (kRefImmediateSel | kRefInstanceBias)) != kRefImmediateSel) return;
  int32_t id = RefId(ref);
  int32_t selector = SignedImmediate(word);
  bool indexed = (ref & kRefNoIndex) == 0;
  if (id < kBuiltInVariableLimit) {
    // argument0 .. argument15 of self (any index reads the slot, but an index takes a stack item).
    uint32_t slot = uint32_t(id - kArgument0VariableId);
    if (!pop && !indexed && slot < uint32_t(kArgumentSlotCount) &&
        (selector == SELECTOR_SELF || selector == SELECTOR_PLAIN)) {
      op.handler = VMH_push_argument;
      op.slot = uint16_t(slot);
    }
    return;
  }
  op.value = id;
  // Handlers of one kind come in the order push, pushx, pop, popx.
  uint16_t first;
  switch (selector) {
    case SELECTOR_LOCAL: first = VMH_push_local; break;
    case SELECTOR_SELF: first = VMH_push_self; break;
    case SELECTOR_PLAIN: first = VMH_push_plain; break;
    case SELECTOR_GLOBAL: first = VMH_push_global; break;
    default: return;
  }
  op.handler = uint16_t(first + (pop ? 2 : 0) + (indexed ? 1 : 0));
}

}  // namespace

VMOp* Code_Decode(const uint8_t* code, uint32_t size) {
  auto* ops = static_cast<VMOp*>(MemAlloc((size_t(size) / 4 + 1) * sizeof(VMOp)));  // all generic
  for (uint32_t pc = 0; pc + 4 <= size;) {
    uint32_t word = WordAt(code, pc);
    uint32_t length = uint32_t(InstructionLength(word));
    VMOp& op = ops[pc / 4];
    uint8_t opcode = Opcode(word);
    int t1 = Type1(word), t2 = Type2(word);
    uint32_t operand = length >= 8 ? WordAt(code, pc + 4) : 0;
    switch (opcode) {
      case OP_PUSH:
        if (t1 == TYPE_IMM16) {
          op.handler = VMH_push_e;
          op.value = SignedImmediate(word);
        } else if (t1 == TYPE_INT) {
          op.handler = VMH_push_i;
          op.value = int32_t(operand);
        } else if (t1 == TYPE_DOUBLE) {
          op.handler = VMH_push_d;
        } else if (t1 == TYPE_VARIABLE) {
          DecodeVariable(word, operand, false, op);
        }
        break;
      case OP_POP:
        if (t1 == TYPE_VARIABLE && t2 == TYPE_VARIABLE) DecodeVariable(word, operand, true, op);
        break;
      case OP_B:
      case OP_BT:
      case OP_BF:
        op.handler = opcode == OP_B ? VMH_b : opcode == OP_BT ? VMH_bt : VMH_bf;
        op.value = int32_t(int64_t(pc) + 4 * int64_t(BranchOffset(word)));
        break;
      case OP_CALL:
        if (t1 == TYPE_INT) op.handler = VMH_call;
        break;
      default:
        op.handler = PairHandler(opcode, t2, t1);
        break;
    }
    pc += length;
  }
  return ops;
}
