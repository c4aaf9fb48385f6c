#include "Code/Code_Decode.h"

#include <cstring>

#include "Code/Code_Function.h"
#include "Platform/Platform_Memory.h"
#include "Variable/Variable_List.h"
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

bool IsListPush(const VMOp& op) {
  return op.handler == VMH_push_local || op.handler == VMH_push_self || op.handler == VMH_push_plain ||
         op.handler == VMH_push_global;
}

// The pop.v.v of the same variable a push handler names.
bool IsPopOf(const VMOp& pop, const VMOp& push) {
  return pop.handler == push.handler + 2 && pop.value == push.value;
}

uint8_t OpcodeAt(const uint8_t* code, uint32_t pc) { return Opcode(WordAt(code, pc)); }

// A compare of a value (left) with an int (right).
bool IsCompareVi(uint16_t h) {
  return h >= VMH_lt_vi && h <= VMH_gt_vi && (h - VMH_lt_vi) % (VMH_le_vv - VMH_lt_vv) == 0;
}

// Arithmetic of a value (left) with an int constant `k` (right) the groups run: a zero divisor
// keeps its instruction's own error.
bool IsArithmeticByConstant(uint16_t h, int32_t k) {
  if (h == VMH_add_vi || h == VMH_sub_vi || h == VMH_mul_vi) return true;
  return (h == VMH_div_vi || h == VMH_mod_vi) && k != 0;
}

// The call group of Code_Decode.h starting at `pc`, when there is one: push.v of list variables
// right before a call.i that takes all of them.
bool FuseCallGroup(const uint8_t* code, uint32_t size, VMOp* ops, uint32_t pc) {
  VMOp& first = ops[pc / 4];
  if (!IsListPush(first)) return false;
  int k = 0;
  uint32_t at = pc;
  while (at + 8 <= size && ops[at / 4].handler == first.handler && k <= kCallGroupPushes) {
    k++;
    at += 8;
  }
  if (k > kCallGroupPushes || at + 8 > size || ops[at / 4].handler != VMH_call_builtin) return false;
  int32_t n = ops[at / 4].extra;
  if (n != k && n != k + 1) return false;
  int32_t spare = n;
  uint32_t length = at + 8 - pc;
  // The tail's pop.v.v names a variable of the same list.
  auto isPop = [&](uint32_t offset) { return offset + 8 <= size && ops[offset / 4].handler == first.handler + 2; };
  uint32_t after = at + 8;
  int tail = 0;
  if (after + 4 <= size && Opcode(WordAt(code, after)) == OP_POPZ && Type1(WordAt(code, after)) == TYPE_VARIABLE) {
    spare |= kCallGroupPopz;
    length += 4;
  } else if (isPop(after)) {
    tail = 1;
    length += 8;
  } else if (after + 4 <= size && ops[after / 4].handler == VMH_add_vv && isPop(after + 4)) {
    tail = 2;
    length += 12;
  }
  int kind = (first.handler - VMH_push_local) / (VMH_push_self - VMH_push_local);
  first.slot = uint16_t(k | ((n - k) << 3) | (kind << 4) | (tail << 6));
  first.extra = int32_t(length);
  first.spare = spare;
  first.handler = VMH_call_group;
  return true;
}

// Gives the first instruction of each group of Code_Decode.h a handler that runs the whole group.
// `size` bounds the groups: every instruction of one lies inside the code.
void Fuse(const uint8_t* code, uint32_t size, VMOp* ops, uint32_t pc) {
  VMOp& first = ops[pc / 4];
  auto at = [&](uint32_t offset) -> const VMOp& { return ops[(pc + offset) / 4]; };
  if (FuseCallGroup(code, size, ops, pc)) return;
  if (IsListPush(first) && (at(8).handler == VMH_push_e || at(8).handler == VMH_push_i)) {
    // K is a push.e or a push.i: the group's later instructions lie 4 bytes further with a push.i.
    uint32_t k = at(8).handler == VMH_push_i ? 4 : 0;
    uint16_t h = pc + k + 16 <= size ? at(k + 12).handler : uint16_t(VMH_generic);
    if ((h == VMH_add_vi || h == VMH_sub_vi || h == VMH_mul_vi) && pc + k + 24 <= size && IsPopOf(at(k + 16), first)) {
      first.extra = at(8).value;
      first.spare = OpcodeAt(code, pc + k + 12);
      first.slot = first.handler;
      first.handler = k != 0 ? VMH_update_k_long : VMH_update_k;
      return;
    }
    if (IsCompareVi(h) && pc + k + 20 <= size && at(k + 16).handler == VMH_bf) {
      first.extra = at(8).value;
      first.spare = at(k + 16).value;
      first.slot = uint16_t(first.handler | ((OpcodeAt(code, pc + k + 12) - OP_SLT) << 8));
      first.handler = k != 0 ? VMH_compare_k_bf_long : VMH_compare_k_bf;
      return;
    }
  }
  if (IsListPush(first) && (at(8).handler == VMH_push_e || at(8).handler == VMH_push_i)) {
    uint32_t k = at(8).handler == VMH_push_i ? 4 : 0;
    if (pc + k + 16 <= size && IsArithmeticByConstant(at(k + 12).handler, at(8).value)) {
      first.extra = at(8).value;
      first.spare = int32_t(OpcodeAt(code, pc + k + 12)) | int32_t((k + 16) << 16);
      first.slot = first.handler;
      first.handler = VMH_push_op_k;
      return;
    }
  }
  if (first.handler == VMH_push_e || first.handler == VMH_push_i) {
    uint32_t length = first.handler == VMH_push_i ? 8 : 4;
    if (pc + length + 4 <= size && IsArithmeticByConstant(at(length).handler, first.value)) {
      first.spare = OpcodeAt(code, pc + length);
      first.slot = uint16_t(length + 4);
      first.handler = VMH_op_k;
      return;
    }
  }
  if (first.handler == VMH_push_argument && pc + 20 <= size && at(8).handler == VMH_push_e &&
      IsCompareVi(at(12).handler) && at(16).handler == VMH_bf) {
    first.value = OpcodeAt(code, pc + 12) - OP_SLT;
    first.extra = at(8).value;
    first.spare = at(16).value;
    // <, <=, >= and > have a handler each; = and <> go through the compare routine.
    static constexpr uint16_t kByOperator[] = {VMH_compare_argument_lt_bf, VMH_compare_argument_le_bf,
                                               VMH_compare_argument_k_bf,  VMH_compare_argument_k_bf,
                                               VMH_compare_argument_ge_bf, VMH_compare_argument_gt_bf};
    first.handler = kByOperator[first.value];
    return;
  }
  if (first.handler == VMH_push_argument && pc + 12 <= size && at(8).handler == VMH_ret_v) {
    first.handler = VMH_ret_argument;
    return;
  }
  if (first.handler == VMH_push_argument && pc + 16 <= size && at(8).handler == VMH_push_e) {
    uint16_t h = at(12).handler;
    if (h == VMH_add_vi || h == VMH_sub_vi || h == VMH_mul_vi) {
      first.value = OpcodeAt(code, pc + 12);
      first.extra = at(8).value;
      first.handler = VMH_argument_k;
      if (pc + 24 <= size && at(16).handler == VMH_call_builtin && at(16).extra == 1) {
        first.handler = VMH_argument_k_call;
      }
      return;
    }
  }
  if (IsListPush(first) && pc + 28 <= size && IsListPush(at(8))) {
    uint16_t h = at(16).handler;
    if ((h == VMH_add_vv || h == VMH_sub_vv || h == VMH_mul_vv) && IsPopOf(at(20), first)) {
      first.extra = at(8).value;
      first.spare = int32_t(at(8).handler) | (int32_t(OpcodeAt(code, pc + 16)) << 16);
      first.slot = first.handler;
      first.handler = VMH_update_v;
      return;
    }
  }
  uint8_t opcode = OpcodeAt(code, pc);
  if (opcode >= OP_SLT && opcode <= OP_SGT && first.handler != VMH_generic && pc + 8 <= size &&
      (at(4).handler == VMH_bf || at(4).handler == VMH_bt)) {
    int pair = (first.handler - VMH_lt_vv) % (VMH_le_vv - VMH_lt_vv);
    first.slot = uint16_t((opcode - OP_SLT) | (at(4).handler == VMH_bt ? 0x100 : 0));
    first.value = at(4).value;
    first.handler = uint16_t(VMH_branch_vv + pair);
  }
}

// The update of a loop variable followed by the branch back to the loop's test of that variable
// becomes one entry. Runs after Fuse, so the test's entry is its group whichever way the branch goes.
void FuseLoopStep(VMOp* ops, uint32_t size, uint32_t pc) {
  VMOp& first = ops[pc / 4];
  if (first.handler != VMH_update_k && first.handler != VMH_update_k_long) return;
  uint32_t length = first.handler == VMH_update_k ? 24 : 28;
  if (pc + length + 4 > size || ops[(pc + length) / 4].handler != VMH_b) return;
  uint32_t target = uint32_t(ops[(pc + length) / 4].value);  // an instruction start or the end
  if (target > size || target >= (1u << 24)) return;
  const VMOp& test = ops[target / 4];
  if ((test.handler != VMH_compare_k_bf && test.handler != VMH_compare_k_bf_long) || (test.slot & 0xFF) != first.slot ||
      test.value != first.value) {
    return;
  }
  first.spare = int32_t(uint32_t(first.spare) | (target << 8));
  first.handler = VMH_update_k_b;
}

bool IsConvValueToInt(const uint8_t* code, uint32_t pc) {
  uint32_t word = WordAt(code, pc);
  return Opcode(word) == OP_CONV && Type1(word) == TYPE_VARIABLE && Type2(word) == TYPE_INT;
}

// The row-and-column index of a two-index element, i * 32000 + j of two variables, as one entry.
void FuseIndex(const uint8_t* code, uint32_t size, VMOp* ops, uint32_t pc) {
  VMOp& first = ops[pc / 4];
  if (!IsListPush(first) || pc + 40 > size) return;
  auto at = [&](uint32_t offset) -> const VMOp& { return ops[(pc + offset) / 4]; };
  if (!IsConvValueToInt(code, pc + 8) || at(12).handler != VMH_push_i || at(12).value != kArrayRowStride ||
      at(20).handler != VMH_mul_ii || !IsListPush(at(24)) || !IsConvValueToInt(code, pc + 32) ||
      at(36).handler != VMH_add_ii) {
    return;
  }
  first.extra = at(24).value;
  first.spare = at(24).handler;
  first.slot = first.handler;
  first.handler = VMH_index2;
}

bool IsListPop(const VMOp& op) {
  return op.handler == VMH_pop_local || op.handler == VMH_pop_self || op.handler == VMH_pop_plain ||
         op.handler == VMH_pop_global;
}

// Arithmetic whose result goes straight into a variable (x = a + b, x = y mod K) becomes one entry
// with the pop. Runs after Fuse, which makes the op_k entries.
void FuseStore(VMOp* ops, uint32_t size, uint32_t pc) {
  VMOp& first = ops[pc / 4];
  uint16_t h = first.handler;
  if ((h == VMH_add_vv || h == VMH_sub_vv || h == VMH_mul_vv) && pc + 12 <= size && IsListPop(ops[pc / 4 + 1])) {
    const VMOp& pop = ops[pc / 4 + 1];
    first.value = pop.value;
    first.slot = uint16_t(pop.handler - 2);  // the push handler of the pop's list
    first.spare = h == VMH_add_vv ? OP_ADD : h == VMH_sub_vv ? OP_SUB : OP_MUL;
    first.handler = VMH_op_v_pop;
    return;
  }
  if (h == VMH_op_k && pc + first.slot + 8 <= size && IsListPop(ops[(pc + first.slot) / 4])) {
    const VMOp& pop = ops[(pc + first.slot) / 4];
    first.extra = first.value;
    first.spare = int32_t(uint32_t(first.spare) | ((uint32_t(first.slot) + 8) << 8));
    first.value = pop.value;
    first.slot = uint16_t(pop.handler - 2);
    first.handler = VMH_op_k_pop;
    return;
  }
  if (IsListPop(first) && pc + 12 <= size) {
    const VMOp& test = ops[pc / 4 + 2];
    if ((test.handler == VMH_compare_k_bf || test.handler == VMH_compare_k_bf_long) &&
        (test.slot & 0xFF) == first.handler - 2 && test.value == first.value) {
      first.slot = uint16_t(first.handler - 2);
      first.handler = VMH_pop_compare_k_bf;
    }
  }
}

// A call group ending in pop.v.v Y followed by a compare_k_bf or compare_k_bf_long of Y
// (v = f(..); if (v != 0)) also runs the test. Runs after Fuse, which makes the tests' entries.
void FuseCallTest(VMOp* ops, uint32_t size, uint32_t pc) {
  VMOp& first = ops[pc / 4];
  if (first.handler != VMH_call_group || (first.slot >> 6) != 1) return;
  uint32_t after = pc + uint32_t(first.extra);  // the instruction after the pop
  if (after + 4 > size) return;
  const VMOp& pop = ops[(after - 8) / 4];
  const VMOp& test = ops[after / 4];
  int push = VMH_push_local + ((first.slot >> 4) & 3) * (VMH_push_self - VMH_push_local);
  if ((test.handler == VMH_compare_k_bf || test.handler == VMH_compare_k_bf_long) && (test.slot & 0xFF) == push &&
      test.value == pop.value) {
    first.slot = uint16_t((first.slot & 0x3F) | (3 << 6));
  }
}

// push_op_k followed by op_k_pop (k = (k * 16807) mod 2147483647) becomes one entry. Runs after
// FuseStore has made the op_k_pop entry.
void FuseArithmeticStore(VMOp* ops, uint32_t size, uint32_t pc) {
  VMOp& first = ops[pc / 4];
  if (first.handler != VMH_push_op_k) return;
  uint32_t next = pc + (uint32_t(first.spare) >> 16);
  if (next + 4 > size || ops[next / 4].handler != VMH_op_k_pop) return;
  int pair = ((first.spare & 0xFF) - OP_MUL) * 6 + ((ops[next / 4].spare & 0xFF) - OP_MUL);
  first.spare = int32_t((uint32_t(first.spare) & 0xFFFF00FFu) | uint32_t(pair << 8));
  first.handler = VMH_push_op_k_pop;
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
        // The id is read when the call runs: loading links the ids into the code after the check.
        if (t1 == TYPE_INT) {
          op.handler = VMH_call_builtin;
          op.extra = Immediate(word);
          if (pc + 12 <= size && Opcode(WordAt(code, pc + 8)) == OP_POPZ && Type1(WordAt(code, pc + 8)) == TYPE_VARIABLE) {
            op.spare = kCallGroupPopz;  // the popz.v after the call is part of it
          }
        }
        break;
      case OP_RET:
        op.handler = t1 == TYPE_VARIABLE ? VMH_ret_v : VMH_ret;
        break;
      case OP_EXIT:
        op.handler = VMH_exit;
        break;
      default:
        op.handler = PairHandler(opcode, t2, t1);
        break;
    }
    pc += length;
  }
  ops[size / 4].handler = VMH_exit;  // the exit word after the code
  for (uint32_t pc = 0; pc + 4 <= size; pc += uint32_t(InstructionLength(WordAt(code, pc)))) Fuse(code, size, ops, pc);
  for (uint32_t pc = 0; pc + 4 <= size; pc += uint32_t(InstructionLength(WordAt(code, pc)))) {
    FuseLoopStep(ops, size, pc);
    FuseStore(ops, size, pc);
    FuseIndex(code, size, ops, pc);
    FuseCallTest(ops, size, pc);
  }
  for (uint32_t pc = 0; pc + 4 <= size; pc += uint32_t(InstructionLength(WordAt(code, pc)))) {
    FuseArithmeticStore(ops, size, pc);
  }
  return ops;
}
