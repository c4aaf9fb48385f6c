// A small assembler for machine tests: builds instruction streams with labels, plus an in-test
// instance world and a sink that captures runtime error reports.
#pragma once
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Code/Code_Constant.h"
#include "Code/Code_Function.h"
#include "Code/Code_Load.h"
#include "Code/Code_Opcodes.h"
#include "Code/Code_VM.h"
#include "Variable/Variable_Global.h"
#include "Variable/Variable_Instance.h"

namespace asmtest {

using namespace VM;

class Assembler {
 public:
  Assembler& word(uint32_t w) {
    size_t at = bytes.size();
    bytes.resize(at + 4);
    std::memcpy(bytes.data() + at, &w, 4);
    return *this;
  }
  template <class T>
  Assembler& raw(T v) {
    size_t at = bytes.size();
    bytes.resize(at + sizeof v);
    std::memcpy(bytes.data() + at, &v, sizeof v);
    return *this;
  }
  uint32_t here() const { return uint32_t(bytes.size()); }

  Assembler& pushD(double v) { return word(Encode(OP_PUSH, TYPE_DOUBLE)).raw(v); }
  Assembler& pushI(int32_t v) { return word(Encode(OP_PUSH, TYPE_INT)).raw(v); }
  Assembler& pushL(int64_t v) { return word(Encode(OP_PUSH, TYPE_LONG)).raw(v); }
  Assembler& pushB(bool v) { return word(Encode(OP_PUSH, TYPE_BOOL)).raw(int32_t(v ? 1 : 0)); }
  Assembler& pushE(int16_t v) { return word(Encode(OP_PUSH, TYPE_IMM16, 0, uint16_t(v))); }
  Assembler& pushS(int32_t stringIndex) { return word(Encode(OP_PUSH, TYPE_STRING)).raw(stringIndex); }
  // push.v of variable `id` through the immediate selector, without index.
  Assembler& pushV(int32_t id, int16_t selector) {
    return word(Encode(OP_PUSH, TYPE_VARIABLE, 0, uint16_t(selector)))
        .raw(EncodeVariableRef(kRefNoIndex | kRefImmediateSel, id));
  }
  Assembler& pushRef(uint32_t ref, uint16_t immediate = 0) {
    return word(Encode(OP_PUSH, TYPE_VARIABLE, 0, immediate)).raw(ref);
  }
  // pop.v into variable `id` through the immediate selector; `valueType` is the item's type.
  Assembler& popV(int32_t id, int16_t selector, uint8_t valueType = TYPE_VARIABLE) {
    return word(Encode(OP_POP, TYPE_VARIABLE, valueType, uint16_t(selector)))
        .raw(EncodeVariableRef(kRefNoIndex | kRefImmediateSel, id));
  }
  Assembler& popRef(uint32_t ref, uint8_t valueType, uint16_t immediate = 0) {
    return word(Encode(OP_POP, TYPE_VARIABLE, valueType, immediate)).raw(ref);
  }
  // Two-operand instruction: `left` is the item below, `right` the top item.
  Assembler& op2(uint8_t op, uint8_t left, uint8_t right) { return word(Encode(op, right, left)); }
  Assembler& op1(uint8_t op, uint8_t type) { return word(Encode(op, type)); }
  Assembler& conv(uint8_t from, uint8_t to) { return word(Encode(OP_CONV, from, to)); }
  Assembler& call(int32_t id, uint16_t argc) { return word(Encode(OP_CALL, TYPE_INT, 0, argc)).raw(id); }
  Assembler& ret() { return op1(OP_RET, TYPE_VARIABLE); }
  Assembler& exit() { return op1(OP_EXIT, TYPE_INT); }
  Assembler& popz(uint8_t type) { return op1(OP_POPZ, type); }
  Assembler& dup(uint8_t type) { return op1(OP_DUP, type); }
  Assembler& popenvDrop() { return word(EncodePopEnvDrop()); }

  // Branches to a named label (placed before or after).
  Assembler& branch(uint8_t op, const std::string& label) {
    fixups.push_back({here(), label});
    return word(EncodeBranch(op, 0));
  }
  Assembler& label(const std::string& name) {
    labels[name] = here();
    return *this;
  }
  // Resolves every branch; returns the finished bytes.
  std::vector<uint8_t> finish() {
    for (const auto& fix : fixups) {
      uint32_t target = labels.at(fix.label);
      uint32_t w;
      std::memcpy(&w, bytes.data() + fix.at, 4);
      int32_t offset = (int32_t(target) - int32_t(fix.at)) / 4;
      w = EncodeBranch(Opcode(w), offset);
      std::memcpy(bytes.data() + fix.at, &w, 4);
    }
    fixups.clear();
    return bytes;
  }

  // Ends the code with "conv <type> to .v; ret.v" so the run yields the top item.
  Assembler& retAs(uint8_t type) {
    if (type != TYPE_VARIABLE) conv(type, TYPE_VARIABLE);
    return ret();
  }

  std::vector<uint8_t> bytes;

 private:
  struct Fixup {
    uint32_t at;
    std::string label;
  };
  std::vector<Fixup> fixups;
  std::map<std::string, uint32_t> labels;
};

// Instances in list order; objects by object_index.
class TestWorld final : public CInstanceWorld {
 public:
  ~TestWorld() override {
    for (CInstance* i : instances) delete i;
  }
  CInstance* add(int32_t id, int32_t object) {
    auto* i = new CInstance(id, object);
    instances.push_back(i);
    return i;
  }
  void ForEachActive(CInstanceVisitor& v) override {
    for (CInstance* i : instances)
      if (i->IsActive() && !v.Visit(i)) return;
  }
  void ForEachActiveOfObject(int32_t object, CInstanceVisitor& v) override {
    for (CInstance* i : instances)
      if (i->IsActive() && i->object_index == object && !v.Visit(i)) return;
  }
  CInstance* FindInstance(int32_t id) override {
    for (CInstance* i : instances)
      if (i->id == id) return i;
    return nullptr;
  }
  std::vector<CInstance*> instances;
};

// Collects runtime error reports while installed.
// Readies the machine for test code compiled from text and run on an instance of `world`, which it
// adds and returns: an empty code table, every built-in function and constant, the machine's hooks,
// the global variables.
inline CInstance* StartMachine(TestWorld& world) {
  Code_Reset();
  RegisterAllFunctions();
  VM_Install();
  if (ConstantCount() == 0) AddBuiltinConstants();
  Variable_PrepareGlobals();
  SetInstanceWorld(&world);
  return world.add(100001, 1);
}

// Undoes StartMachine and whatever a test changed: no instances, an empty code table, the registry
// as the game has it (without functions a test added), trace, source interpreter and breakpoints off.
inline void StopMachine() {
  SetInstanceWorld(nullptr);
  Code_Reset();
  ReleaseFunctions();
  RegisterAllFunctions();
  VM_SetTrace(false);
  VM_SetSourceInterpreter(false);
  VM_ClearBreakpoints();
}

// Runs `body(decoded)` twice: decoded, then word by word (a breakpoint on code that never runs turns
// decoding off), each pass named in failures.
template <class Body>
void DecodedAndWords(Body body) {
  for (bool decoded : {true, false}) {
    SCOPED_TRACE(decoded ? "decoded" : "words");
    if (!decoded) {
      ASSERT_TRUE(VM_AddBreakpoint("never_runs", 1));
    }
    body(decoded);
    VM_ClearBreakpoints();
  }
}

struct ReportCapture {
  ReportCapture() {
    reports().clear();
    VM_SetErrorSink([](const char* report) { reports().push_back(report); });
  }
  ~ReportCapture() { VM_SetErrorSink(nullptr); }
  static std::vector<std::string>& reports() {
    static std::vector<std::string> list;
    return list;
  }
};

// Runs `bytes` with self and other and returns the run's value.
inline RValue RunCode(const std::vector<uint8_t>& bytes, CInstance* self = nullptr, CInstance* other = nullptr,
                  const char* name = "test_code", bool* ok = nullptr) {
  // A copy, as loaded and compiled code is: code that passes the stack check runs unchecked.
  VMBuffer* buffer = VMBuffer::Copy(bytes.data(), int32_t(bytes.size()));
  RValue out;
  bool result = VM_Run(name, self, other, buffer, &out, nullptr, nullptr);
  delete buffer;
  if (ok) *ok = result;
  return out;
}

}  // namespace asmtest
