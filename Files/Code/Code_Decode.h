// The decoded form of code that passed the stack check: one entry per 4-byte word of the code (and
// one for the exit word that follows it), filled at the start of every instruction. An entry names
// the machine's handler for that instruction with its operands already read: the variable's id and
// which list holds it, immediates, branch targets. The machine runs such code from the entries, so
// its handlers skip the operand-length test, the reference decode and the choice of list.
//
// Forms without a handler of their own decode to VMH_generic, which runs the instruction from its
// word. A handler may also cover the instructions that follow its own (a compare and the branch
// after it, an update of one variable): every instruction keeps its own entry, so a branch into
// the middle of such a group runs the rest of it one instruction at a time.
#pragma once
#include <cstdint>

#include "Code/Code_Opcodes.h"

// Numeric operand pairs with handlers of their own, for one operator: F(opcode, op name, left type,
// right type, pair name) each.
#define CODE_NUMBER_PAIRS(F, OP, NAME)                                                             \
  F(OP, NAME, VM::TYPE_VARIABLE, VM::TYPE_VARIABLE, vv) F(OP, NAME, VM::TYPE_INT, VM::TYPE_VARIABLE, iv) \
  F(OP, NAME, VM::TYPE_VARIABLE, VM::TYPE_INT, vi) F(OP, NAME, VM::TYPE_DOUBLE, VM::TYPE_VARIABLE, dv)   \
  F(OP, NAME, VM::TYPE_VARIABLE, VM::TYPE_DOUBLE, vd) F(OP, NAME, VM::TYPE_INT, VM::TYPE_INT, ii)        \
  F(OP, NAME, VM::TYPE_DOUBLE, VM::TYPE_DOUBLE, dd) F(OP, NAME, VM::TYPE_INT, VM::TYPE_DOUBLE, id)       \
  F(OP, NAME, VM::TYPE_DOUBLE, VM::TYPE_INT, di)
// Operators with handlers per pair: G(F, opcode, name) each; CODE_ARITHMETIC_OPS(CODE_NUMBER_PAIRS, F)
// gives F for every operator and pair.
#define CODE_ARITHMETIC_OPS(G, F) \
  G(F, VM::OP_ADD, add) G(F, VM::OP_SUB, sub) G(F, VM::OP_MUL, mul) G(F, VM::OP_DIV, div) G(F, VM::OP_MOD, mod)
#define CODE_COMPARE_OPS(G, F)                                                                     \
  G(F, VM::OP_SLT, lt) G(F, VM::OP_SLE, le) G(F, VM::OP_SEQ, eq) G(F, VM::OP_SNE, ne) G(F, VM::OP_SGE, ge) \
  G(F, VM::OP_SGT, gt)

// Lists that hold a variable named through the instruction's selector: X(kind).
#define CODE_VARIABLE_KINDS(X) X(local) X(self) X(plain) X(global)

// The handlers, X(name) each, in table order.
#define CODE_SIMPLE_HANDLERS(X)                                                                    \
  X(generic) X(push_e) X(push_i) X(push_d) X(b) X(bt) X(bf) X(call) X(push_argument) X(update_k)     \
  X(update_k_long) X(update_v) X(compare_k_bf) X(compare_k_bf_long) X(compare_argument_k_bf) X(ret)  \
  X(exit)
// The group handlers, X(name) each, in table order after the branch pairs.
#define CODE_GROUP_HANDLERS(X)                                                                   \
  X(call_builtin) X(push_op_k) X(op_k) X(argument_k) X(ret_v) X(compare_argument_lt_bf)          \
  X(compare_argument_le_bf) X(compare_argument_ge_bf) X(compare_argument_gt_bf) X(ret_argument)  \
  X(call_group) X(update_k_b) X(op_v_pop) X(op_k_pop) X(index2) X(pop_compare_k_bf)              \
  X(push_op_k_pop) X(argument_k_call)
#define CODE_KIND_HANDLER_NAMES_(KIND) X_(push_##KIND) X_(pushx_##KIND) X_(pop_##KIND) X_(popx_##KIND)

enum VMHandler : uint16_t {
#define X(name) VMH_##name,
  CODE_SIMPLE_HANDLERS(X)
#undef X
#define X_(name) VMH_##name,
#define X(kind) CODE_KIND_HANDLER_NAMES_(kind)
  CODE_VARIABLE_KINDS(X)
#undef X
#undef X_
#define X(OP, NAME, TL, TR, PAIR) VMH_##NAME##_##PAIR,
  CODE_ARITHMETIC_OPS(CODE_NUMBER_PAIRS, X)
  CODE_COMPARE_OPS(CODE_NUMBER_PAIRS, X)
#undef X
#define X(OP, NAME, TL, TR, PAIR) VMH_branch_##PAIR,
  CODE_NUMBER_PAIRS(X, 0, branch)
#undef X
#define X(name) VMH_##name,
  CODE_GROUP_HANDLERS(X)
#undef X
  VMH_count
};

// The groups of instructions one handler covers, and what their entry holds (K is a push.e, or a
// push.i for the _long handlers):
//   update_k      push.v X; push K; add/sub/mul.i.v; pop.v.v X     (X op= K)
//                 value X's id, slot X's push handler, extra K, spare the opcode
//   update_v      push.v X; push.v Y; add/sub/mul.v.v; pop.v.v X   (X op= Y)
//                 value X's id, slot X's push handler, extra Y's id, spare Y's push handler and
//                 the opcode << 16
//   compare_k_bf  push.v X; push K; compare.i.v; bf                (if X compares false to K, branch)
//                 value X's id, slot X's push handler and the CompareOp << 8, extra K, spare the target
//   compare_argument_k_bf  push.v argumentN; push.e K; compare.i.v; bf
//                 slot N, value the CompareOp, extra K, spare the target
//   argument_k    push.v argumentN; push.e K; add/sub/mul.i.v      (argumentN op K, pushed)
//                 slot N, value the opcode, extra K
//   argument_k_call  an argument_k group and the call.i with one argument after it
//                 (f(argumentN op K)): as argument_k; a script with a call entry gets the value
//                 straight in its first slot, anything else runs the push and leaves the call to
//                 its own entry
// Single instructions of the call share:
//   ret_v         ret.v
//   branch_PAIR   compare of that pair; bt or bf
//                 value the target, slot the CompareOp and 0x100 for bt
//   call_builtin  call.i [; popz.v] (a script or extension id runs as call, alone)
//                 extra the argument count, spare kCallGroupPopz with the popz.v
//   push_op_k     push.v X; push K; add/sub/mul/div/mod.i.v        (pushes X op K)
//                 value X's id, slot X's push handler, extra K, spare the opcode | the length << 16
//   op_k          push K; add/sub/mul/div/mod.i.v                  (the value on top op= K)
//                 value K, slot the length, spare the opcode
//                 (div and mod only when K is not 0)
//   index2        push.v X; conv.v.i; push.i 32000; mul.i.i; push.v Y; conv.v.i; add.i.i
//                 (the index of a two-index element, pushed as an int)
//                 value X's id, slot X's push handler, extra Y's id, spare Y's push handler
//   pop_compare_k_bf  pop.v.v X; then a compare_k_bf or compare_k_bf_long of X (x = ...; if (x < K))
//                 value X's id, slot X's push handler; the test's own entry holds the rest
//   update_k_b    update_k or update_k_long of X; b to a compare_k_bf or compare_k_bf_long of X
//                 (the step and test of a loop: runs the update, then the test and its branch)
//                 as update_k, but spare is the opcode | the b's target << 8
//   op_v_pop      add/sub/mul.v.v; pop.v.v X                       (X = the two values' result)
//                 value X's id, slot X's push handler, spare the opcode
//   op_k_pop      push K; add/sub/mul/div/mod.i.v; pop.v.v X       (X = the value on top op K)
//                 value X's id, slot X's push handler, extra K, spare the opcode | the length << 8
//                 (div and mod only when K is not 0)
//   push_op_k_pop push_op_k of X; then op_k_pop of Y             (Y = X op K op K2)
//                 the push_op_k's entry, spare bits 8 to 15 the pair of operators: (the first's
//                 opcode - mul) * 6 + (the second's - mul); the op_k_pop's own entry holds the rest
// X and Y are variables without an index of the four lists.
//   call_group    push.v X1; ... push.v Xk; call.i F n [; tail]   (n is k or k + 1, k <= 4)
//                 a call through F's direct form (Code_Function.h), the X read where they are
//                 (with n = k + 1 the last argument is the value already on the stack); the tail
//                 is popz.v, pop.v.v Y, or add.v.v and pop.v.v Y;
//                 value X1's id, slot k | (n - k) << 3 | the list << 4 (0 local, 1 self, 2 plain,
//                 3 global: all X and Y of one list) | the tail << 6 (0 none or popz.v, 1 pop.v.v,
//                 2 add.v.v and pop.v.v, 3 pop.v.v followed by a compare_k_bf or compare_k_bf_long
//                 of Y, which the group also runs when the result is a real), extra the group's length in bytes, spare n |
//                 kCallGroupPopz with the popz.v; the other ids are read from the code, and F
//                 when the group runs (an F without a direct form turns the entry back into its
//                 push). A tail that cannot run (add.v.v of a text, Y's list unknown) leaves the
//                 result on the stack and the rest to its entries.

struct VMOp {
  uint16_t handler;  // VMHandler
  uint16_t slot;     // push_argument: the argument slot
  int32_t value;     // variable id, immediate, or branch target (a byte offset)
  int32_t extra;
  int32_t spare;
};
static_assert(sizeof(VMOp) == 16);

// The call group's limits and flag (see above).
constexpr int kCallGroupPushes = 4;
constexpr int32_t kCallGroupPopz = 0x100;

// The built-in variables argument0 .. argument15 have consecutive ids after argument_relative and
// argument.
constexpr int32_t kArgument0VariableId = 78 + 2;

// The decoded form of `size` bytes of code that passed the stack check (followed by the exit word
// copies end with): a memory-manager block of size / 4 + 1 entries.
VMOp* Code_Decode(const uint8_t* code, uint32_t size);
