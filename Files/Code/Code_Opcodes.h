// The instruction encoding of the virtual machine, shared by the code loader, the machine, the
// compiler's code generator and the inspector.
//
// An instruction is one little-endian 32-bit word, 4-byte aligned, optionally followed by an operand:
//
//   bits 31..24  opcode
//   bits 23..16  type byte: low nibble = first type code, high nibble = second type code
//   bits 15..0   16-bit immediate (argument count of `call`, instance selector of a variable
//                push/pop, value of a type 15 push)
//
// Branch-form instructions hold a signed 24-bit word offset in bits 23..0 instead, relative to the
// address of the branch itself (target = address + 4 * offset).
//
// Opcode bit 0x40: an operand follows, its width given by the low type nibble (8 bytes for types 0
// and 3, 4 bytes for 1, 2, 4, 5, 6, nothing otherwise). Else 0x20: branch form. Else 0x80: the
// instruction names one type (low nibble); with neither 0x80 nor 0x20 it names two.
//
// This header depends on nothing but <cstdint> so that every tool can include it.
#pragma once
#include <cstdint>

namespace VM {

// ---- Opcodes -------------------------------------------------------------------------------------

enum Opcode : uint8_t {
  OP_CONV = 0x03,     // two types: low = source, high = destination
  OP_MUL = 0x04,      // two types: low = right (top), high = left
  OP_DIV = 0x05,
  OP_REM = 0x06,      // truncated quotient
  OP_MOD = 0x07,      // remainder
  OP_ADD = 0x08,
  OP_SUB = 0x09,
  OP_AND = 0x0A,
  OP_OR = 0x0B,
  OP_XOR = 0x0C,
  OP_NEG = 0x0D,      // one type
  OP_NOT = 0x0E,      // one type
  OP_SHL = 0x0F,
  OP_SHR = 0x10,
  OP_SLT = 0x11,
  OP_SLE = 0x12,
  OP_SEQ = 0x13,
  OP_SNE = 0x14,
  OP_SGE = 0x15,
  OP_SGT = 0x16,
  OP_POP = 0x41,      // low type must be 5; high = type of the value; operand = variable reference
  OP_DUP = 0x82,
  OP_RET = 0x9D,      // the compiler emits ret.v
  OP_EXIT = 0x9E,     // the compiler emits exit.i
  OP_POPZ = 0x9F,
  OP_B = 0xB7,
  OP_BT = 0xB8,
  OP_BF = 0xB9,
  OP_PUSHENV = 0xBB,  // offset to the matching popenv
  OP_POPENV = 0xBC,   // offset back to the body's start, or the drop form
  OP_PUSH = 0xC0,     // one type; operand by type; .e uses the immediate; .v: reference + selector
  OP_CALL = 0xDA,     // type must be .i; operand = function id; immediate = argument count
  OP_BREAK = 0xFF,    // no effect
};

// Type codes as they appear in the type nibbles.
enum TypeCode : uint8_t {
  TYPE_DOUBLE = 0,
  TYPE_FLOAT = 1,
  TYPE_INT = 2,
  TYPE_LONG = 3,
  TYPE_BOOL = 4,
  TYPE_VARIABLE = 5,
  TYPE_STRING = 6,
  TYPE_IMM16 = 15,
};

// The popenv drop form (used by break): bits 23..16 hold 0xF0, bits 15..0 are zero.
constexpr uint32_t kPopEnvDropBits = 0x00F00000u;

// ---- Word fields -----------------------------------------------------------------------------------

constexpr uint8_t Opcode(uint32_t word) { return uint8_t(word >> 24); }
constexpr uint8_t TypeByte(uint32_t word) { return uint8_t(word >> 16); }
constexpr uint8_t Type1(uint32_t word) { return uint8_t((word >> 16) & 0x0F); }
constexpr uint8_t Type2(uint32_t word) { return uint8_t((word >> 20) & 0x0F); }
constexpr uint16_t Immediate(uint32_t word) { return uint16_t(word & 0xFFFF); }
constexpr int16_t SignedImmediate(uint32_t word) { return int16_t(uint16_t(word & 0xFFFF)); }
// Signed 24-bit word offset of a branch-form instruction.
constexpr int32_t BranchOffset(uint32_t word) {
  return int32_t(word << 8) >> 8;
}

constexpr bool HasOperand(uint8_t opcode) { return (opcode & 0x40) != 0; }
constexpr bool IsBranchForm(uint8_t opcode) { return (opcode & 0x40) == 0 && (opcode & 0x20) != 0; }
constexpr bool IsOneTypeForm(uint8_t opcode) {
  return (opcode & 0x40) == 0 && (opcode & 0x20) == 0 && (opcode & 0x80) != 0;
}

// Width in bytes of an operand of the given type code.
constexpr int OperandWidthOfType(int type) {
  switch (type) {
    case TYPE_DOUBLE:
    case TYPE_LONG:
      return 8;
    case TYPE_FLOAT:
    case TYPE_INT:
    case TYPE_BOOL:
    case TYPE_VARIABLE:
    case TYPE_STRING:
      return 4;
    default:
      return 0;
  }
}
// Width of the operand that follows this instruction word (0 when it has none).
constexpr int OperandWidth(uint32_t word) {
  return HasOperand(Opcode(word)) ? OperandWidthOfType(Type1(word)) : 0;
}
// Total length of the instruction in bytes: the word plus its operand.
constexpr int InstructionLength(uint32_t word) { return 4 + OperandWidth(word); }

// ---- Variable references ---------------------------------------------------------------------------
// The 4-byte operand of push.v and pop. Stack order: a computed selector is pushed first and an
// index second (the index is on top). A pop finds the value to store below both: the machine pops
// the index, then the selector, then the value.

constexpr uint32_t kRefNoIndex = 0x80000000u;      // no array index on the stack (index 0)
constexpr uint32_t kRefInstanceBias = 0x40000000u; // add 100000 to the selector
constexpr uint32_t kRefImmediateSel = 0x20000000u; // selector is the instruction's immediate
constexpr uint32_t kRefFlagMask = 0xE0000000u;
constexpr uint32_t kRefIdMask = 0x1FFFFFFFu;

constexpr int32_t RefId(uint32_t ref) { return int32_t(ref & kRefIdMask); }
// Bits 28..0 read as a signed 29-bit number (the chain distance of an unlinked reference).
constexpr int32_t RefSigned29(uint32_t ref) { return int32_t(ref << 3) >> 3; }

// ---- Encoding (used by code generators) ----------------------------------------------------------

constexpr uint32_t Encode(uint8_t opcode, uint8_t type1 = 0, uint8_t type2 = 0, uint16_t immediate = 0) {
  return (uint32_t(opcode) << 24) | (uint32_t(type2 & 0x0F) << 20) | (uint32_t(type1 & 0x0F) << 16) |
         uint32_t(immediate);
}
// A branch-form instruction with a signed word offset (must fit in 24 bits).
constexpr uint32_t EncodeBranch(uint8_t opcode, int32_t wordOffset) {
  return (uint32_t(opcode) << 24) | (uint32_t(wordOffset) & 0x00FFFFFFu);
}
constexpr uint32_t EncodePopEnvDrop() { return (uint32_t(OP_POPENV) << 24) | kPopEnvDropBits; }
constexpr bool IsPopEnvDrop(uint32_t word) {
  return Opcode(word) == OP_POPENV && (word & 0x00FFFFFFu) == kPopEnvDropBits;
}
constexpr bool BranchOffsetFits(int32_t wordOffset) {
  return wordOffset >= -0x800000 && wordOffset <= 0x7FFFFF;
}
// A variable reference: flags from kRef* and a linked variable id.
constexpr uint32_t EncodeVariableRef(uint32_t flags, int32_t id) {
  return (flags & kRefFlagMask) | (uint32_t(id) & kRefIdMask);
}

// ---- Names ----------------------------------------------------------------------------------------

// The mnemonic of an opcode as listings print it; null for opcodes outside the table.
const char* OpcodeName(uint8_t opcode);
// The suffix of a type code (".d" ... ".e"); "" for codes that name no type.
const char* TypeSuffix(int type);

// Instance ids start here; selector bit 30 of a reference adds it.
constexpr int32_t kInstanceIdBase = 100000;

}  // namespace VM
