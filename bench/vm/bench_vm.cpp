// Times the virtual machine on three small programs assembled directly into bytecode (the compiler
// is not needed): a counting loop over local variables, recursive script calls (Fibonacci through
// argument0) and string building. Prints the seconds of each as "name seconds"; run.sh sets them
// against Lua 5.4 running the same algorithms.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "Code/Code_Function.h"
#include "Code/Code_Load.h"
#include "Code/Code_Opcodes.h"
#include "Code/Code_Script.h"
#include "Code/Code_VM.h"
#include "Variable/Variable_Global.h"
#include "Variable/Variable_Names.h"
#include "Variable/Variable_Route.h"

using namespace VM;

namespace {

class Asm {
 public:
  Asm& w(uint32_t v) { return raw(v); }
  template <class T>
  Asm& raw(T v) {
    size_t at = bytes.size();
    bytes.resize(at + sizeof v);
    std::memcpy(bytes.data() + at, &v, sizeof v);
    return *this;
  }
  uint32_t here() const { return uint32_t(bytes.size()); }
  Asm& pushE(int16_t v) { return w(Encode(OP_PUSH, TYPE_IMM16, 0, uint16_t(v))); }
  Asm& pushI(int32_t v) { return w(Encode(OP_PUSH, TYPE_INT)).raw(v); }
  Asm& pushS(int32_t i) { return w(Encode(OP_PUSH, TYPE_STRING)).raw(i); }
  Asm& pushV(int32_t id, int16_t sel) {
    return w(Encode(OP_PUSH, TYPE_VARIABLE, 0, uint16_t(sel))).raw(EncodeVariableRef(kRefNoIndex | kRefImmediateSel, id));
  }
  Asm& popV(int32_t id, int16_t sel, uint8_t type) {
    return w(Encode(OP_POP, TYPE_VARIABLE, type, uint16_t(sel))).raw(EncodeVariableRef(kRefNoIndex | kRefImmediateSel, id));
  }
  Asm& op2(uint8_t op, uint8_t l, uint8_t r) { return w(Encode(op, r, l)); }
  Asm& conv(uint8_t from, uint8_t to) { return w(Encode(OP_CONV, from, to)); }
  Asm& call(int32_t id, uint16_t n) { return w(Encode(OP_CALL, TYPE_INT, 0, n)).raw(id); }
  Asm& ret() { return w(Encode(OP_RET, TYPE_VARIABLE)); }
  // Branch to `target` (an earlier offset) or, with target < 0, a forward branch patched later.
  Asm& br(uint8_t op, int64_t target = -1) {
    int32_t off = target < 0 ? 0 : int32_t((target - int64_t(here())) / 4);
    return w(EncodeBranch(op, off));
  }
  void patch(uint32_t at, uint32_t target) {
    uint32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    v = EncodeBranch(Opcode(v), int32_t(target - at) / 4);
    std::memcpy(bytes.data() + at, &v, 4);
  }
  std::vector<uint8_t> bytes;
};

void Arg0(RValue& result, CInstance*, CInstance*, int, RValue*) { result = g_Arguments[0]; }

double Time(const std::vector<uint8_t>& code, RValue* out) {
  VMBuffer buffer(const_cast<uint8_t*>(code.data()), int32_t(code.size()));
  auto t0 = std::chrono::steady_clock::now();
  VM_Run("bench", nullptr, nullptr, &buffer, out, nullptr, nullptr);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main() {
  Variable_PrepareGlobals();
  RegisterAllFunctions();
  VM_Install();
  int arg0 = RegisterFunction("bench_argument0", Arg0, 0, false) - 1;
  int32_t s = Variable_FindOrAddName("s"), i = Variable_FindOrAddName("i");

  // loop: var s = 0, i = 0; while (i < 10000000) { s += i; i += 1 } return s
  Asm loop;
  loop.pushE(0).popV(s, SELECTOR_LOCAL, TYPE_INT).pushE(0).popV(i, SELECTOR_LOCAL, TYPE_INT);
  uint32_t top = loop.here();
  loop.pushV(i, SELECTOR_LOCAL).pushI(10000000).op2(OP_SLT, TYPE_VARIABLE, TYPE_INT);
  uint32_t exitAt = loop.here();
  loop.br(OP_BF);
  loop.pushV(s, SELECTOR_LOCAL).pushV(i, SELECTOR_LOCAL).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE).popV(s, SELECTOR_LOCAL, TYPE_VARIABLE);
  loop.pushV(i, SELECTOR_LOCAL).pushE(1).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(i, SELECTOR_LOCAL, TYPE_VARIABLE);
  loop.br(OP_B, top);
  loop.patch(exitAt, loop.here());
  loop.pushV(s, SELECTOR_LOCAL).ret();

  // fib(n): if (argument0 < 2) return argument0; return fib(argument0 - 1) + fib(argument0 - 2)
  int fib = kScriptIdBase + Script_Count();
  Asm f;
  f.call(arg0, 0).pushE(2).op2(OP_SLT, TYPE_VARIABLE, TYPE_INT);
  uint32_t elseAt = f.here();
  f.br(OP_BF).call(arg0, 0).ret();
  f.patch(elseAt, f.here());
  f.call(arg0, 0).pushE(1).op2(OP_SUB, TYPE_VARIABLE, TYPE_INT).call(fib, 1);
  f.call(arg0, 0).pushE(2).op2(OP_SUB, TYPE_VARIABLE, TYPE_INT).call(fib, 1);
  f.op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE).ret();
  auto* script = new CScript();
  script->SetName("fib");
  script->code = new CCode();
  script->code->code = VMBuffer::Copy(f.bytes.data(), int32_t(f.bytes.size()));
  script->code->ownsCode = true;
  Script_Add(script);
  Asm callFib;
  callFib.pushE(27).conv(TYPE_INT, TYPE_VARIABLE).call(fib, 1).ret();

  // strings: var s = ""; i = 0; while (i < 200000) { s = "x" + s... } built by appending "ab"
  int32_t ab = Code_AddString("ab"), empty = Code_AddString("");
  Asm str;
  str.pushS(empty).popV(s, SELECTOR_LOCAL, TYPE_STRING).pushE(0).popV(i, SELECTOR_LOCAL, TYPE_INT);
  uint32_t stop = str.here();
  str.pushV(i, SELECTOR_LOCAL).pushI(20000).op2(OP_SLT, TYPE_VARIABLE, TYPE_INT);
  uint32_t sexit = str.here();
  str.br(OP_BF);
  str.pushV(s, SELECTOR_LOCAL).pushS(ab).conv(TYPE_STRING, TYPE_VARIABLE).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE).popV(s, SELECTOR_LOCAL, TYPE_VARIABLE);
  str.pushV(i, SELECTOR_LOCAL).pushE(1).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(i, SELECTOR_LOCAL, TYPE_VARIABLE);
  str.br(OP_B, stop);
  str.patch(sexit, str.here());
  str.pushV(s, SELECTOR_LOCAL).ret();

  RValue out;
  double t = Time(loop.bytes, &out);
  if (out.real != 49999995000000.0) return 1;
  std::printf("loop %.4f\n", t);
  t = Time(callFib.bytes, &out);
  if (out.real != 196418.0) return 1;
  std::printf("fib %.4f\n", t);
  t = Time(str.bytes, &out);
  if (std::strlen(out.Str()) != 40000) return 1;
  std::printf("strings %.4f\n", t);
  return 0;
}
