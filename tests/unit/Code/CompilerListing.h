// A compact listing of compiled code for the compiler tests: one entry per instruction, branch
// targets given as instruction numbers so that expected patterns can be written by hand.
#pragma once
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "Code/Code_Generate.h"
#include "Code/Code_Opcodes.h"

namespace CompilerTest {

inline std::string Listing(const Compiler::CompiledCode& code) {
  using namespace VM;
  const std::vector<uint8_t>& b = code.bytes;
  const auto word = [&](size_t at) {
    uint32_t w = 0;
    for (int i = 0; i < 4; ++i) w |= uint32_t(b[at + i]) << (8 * i);
    return w;
  };
  std::map<std::string, std::string> names;  // "offset" -> name, from the symbol lists
  std::map<uint32_t, std::string> variableAt, functionAt;
  for (const auto& v : code.variables) for (uint32_t o : v.offsets) variableAt[o] = v.name;
  for (const auto& f : code.functions) for (uint32_t o : f.offsets) functionAt[o] = f.name;

  std::vector<size_t> starts;
  for (size_t at = 0; at + 4 <= b.size(); at += InstructionLength(word(at))) starts.push_back(at);
  const auto indexOf = [&](int64_t offset) {
    for (size_t i = 0; i < starts.size(); ++i) if (int64_t(starts[i]) == offset) return int(i);
    return offset == int64_t(b.size()) ? int(starts.size()) : -1;
  };

  std::string out;
  for (size_t at : starts) {
    const uint32_t w = word(at);
    const uint8_t op = Opcode(w);
    std::string s = OpcodeName(op) ? OpcodeName(op) : "?";
    char buffer[64];
    if (IsBranchForm(op)) {
      if (IsPopEnvDrop(w)) s += " drop";
      else { s += ' '; s += std::to_string(indexOf(int64_t(at) + 4 * int64_t(BranchOffset(w)))); }
    } else if (IsOneTypeForm(op) || HasOperand(op)) {
      s += TypeSuffix(Type1(w));
      if (op == OP_POP) s += TypeSuffix(Type2(w));
      if (op == OP_CALL) {
        s += ' ';
        s += functionAt[uint32_t(at)];
        s += '(';
        s += std::to_string(Immediate(w));
        s += ')';
      } else if (op == OP_PUSH || op == OP_POP) {
        switch (Type1(w)) {
          case TYPE_IMM16: s += ' '; s += std::to_string(SignedImmediate(w)); break;
          case TYPE_INT: {
            int32_t v;
            std::memcpy(&v, &b[at + 4], 4);
            s += ' ';
            s += std::to_string(v);
            break;
          }
          case TYPE_LONG: {
            int64_t v;
            std::memcpy(&v, &b[at + 4], 8);
            s += ' ';
            s += std::to_string(v);
            break;
          }
          case TYPE_DOUBLE: {
            double v;
            std::memcpy(&v, &b[at + 4], 8);
            std::snprintf(buffer, sizeof buffer, " %g", v);
            s += buffer;
            break;
          }
          case TYPE_STRING: {
            const uint32_t index = word(at + 4);
            s += " \"";
            s += index < code.strings.size() ? code.strings[index] : std::string("?");
            s += '"';
            break;
          }
          case TYPE_VARIABLE: {
            const uint32_t ref = word(at + 4);
            s += ' ';
            s += variableAt[uint32_t(at)];
            if (ref & kRefImmediateSel) {
              s += (ref & kRefInstanceBias) ? "@id" : "@";
              s += std::to_string((ref & kRefInstanceBias) ? 100000 + Immediate(w)
                                                           : int(SignedImmediate(w)));
            } else {
              s += "@stack";
            }
            if (!(ref & kRefNoIndex)) s += "[]";
            break;
          }
          default: break;
        }
      }
    } else {
      s += TypeSuffix(Type1(w));
      s += TypeSuffix(Type2(w));
    }
    if (!out.empty()) out += "; ";
    out += s;
  }
  return out;
}

}  // namespace CompilerTest
