#include "Code/Code_Opcodes.h"

namespace VM {

const char* OpcodeName(uint8_t opcode) {
  switch (opcode) {
    case OP_CONV: return "conv";
    case OP_MUL: return "mul";
    case OP_DIV: return "div";
    case OP_REM: return "rem";
    case OP_MOD: return "mod";
    case OP_ADD: return "add";
    case OP_SUB: return "sub";
    case OP_AND: return "and";
    case OP_OR: return "or";
    case OP_XOR: return "xor";
    case OP_NEG: return "neg";
    case OP_NOT: return "not";
    case OP_SHL: return "shl";
    case OP_SHR: return "shr";
    case OP_SLT: return "slt";
    case OP_SLE: return "sle";
    case OP_SEQ: return "seq";
    case OP_SNE: return "sne";
    case OP_SGE: return "sge";
    case OP_SGT: return "sgt";
    case OP_POP: return "pop";
    case OP_DUP: return "dup";
    case OP_RET: return "ret";
    case OP_EXIT: return "exit";
    case OP_POPZ: return "popz";
    case OP_B: return "b";
    case OP_BT: return "bt";
    case OP_BF: return "bf";
    case OP_PUSHENV: return "pushenv";
    case OP_POPENV: return "popenv";
    case OP_PUSH: return "push";
    case OP_CALL: return "call";
    case OP_BREAK: return "break";
    default: return nullptr;
  }
}

const char* TypeSuffix(int type) {
  switch (type) {
    case TYPE_DOUBLE: return ".d";
    case TYPE_FLOAT: return ".f";
    case TYPE_INT: return ".i";
    case TYPE_LONG: return ".l";
    case TYPE_BOOL: return ".b";
    case TYPE_VARIABLE: return ".v";
    case TYPE_STRING: return ".s";
    case TYPE_IMM16: return ".e";
    default: return "";
  }
}

}  // namespace VM
