#include "Code/Code_StackCheck.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "Code/Code_Decode.h"
#include "Code/Code_Load.h"
#include "Code/Code_Opcodes.h"
#include "Platform/Platform_Memory.h"
#include "Variable/Variable_Value.h"

using namespace VM;

namespace {

constexpr uint8_t kEnv = kStackCheckEnv;
// More items than this on the stack at once: the code is not checked further.
constexpr size_t kMaxItems = 2048;

bool IsItem(int t) { return t <= TYPE_STRING; }

int32_t Width(uint8_t t) {
  switch (t) {
    case TYPE_DOUBLE:
    case TYPE_LONG:
      return 8;
    case TYPE_FLOAT:
    case TYPE_INT:
    case TYPE_BOOL:
      return 4;
    case TYPE_VARIABLE: return int32_t(sizeof(RValue));
    case TYPE_STRING: return int32_t(sizeof(char*));
    default: return kStackCheckEnvWidth;
  }
}

bool IsBinary(uint8_t op) { return (op >= OP_MUL && op <= OP_XOR) || op == OP_SHL || op == OP_SHR; }

// The type the machine pushes for `left op right` (whichever operator), partial results of errors
// included.
uint8_t BinaryResult(int tl, int tr) {
  if (tl == TYPE_VARIABLE || tr == TYPE_VARIABLE) return TYPE_VARIABLE;
  if (tl == TYPE_STRING || tr == TYPE_STRING) return TYPE_STRING;
  if (tl == TYPE_BOOL && tr == TYPE_BOOL) return TYPE_BOOL;
  if (tl == TYPE_DOUBLE || tr == TYPE_DOUBLE) return TYPE_DOUBLE;
  if (tl == TYPE_LONG || tr == TYPE_LONG) return TYPE_LONG;
  return TYPE_INT;
}

class Checker {
 public:
  Checker(const uint8_t* code, uint32_t size) : m_code(code), m_size(size), m_state(size / 4 + 1, -1) {}

  bool Run(int32_t* maxDepth, uint8_t** sites) {
    if (m_size % 4 != 0 || !MarkStarts()) return false;
    std::vector<uint8_t> stack;
    if (!Reach(0, stack)) return false;
    while (!m_work.empty()) {
      uint32_t pc = m_work.back();
      m_work.pop_back();
      stack = m_stacks[size_t(m_state[pc / 4])];
      if (!Step(pc, stack)) return false;
    }
    *maxDepth = m_maxDepth;
    if (sites) *sites = Sites();
    return true;
  }

 private:
  bool MarkStarts() {
    m_start.assign(m_size / 4 + 1, false);
    for (uint32_t pc = 0; pc < m_size;) {
      uint32_t w;
      std::memcpy(&w, m_code + pc, 4);
      uint32_t length = uint32_t(InstructionLength(w));
      if (uint64_t(pc) + length > m_size) return false;
      m_start[pc / 4] = true;
      pc += length;
    }
    m_start[m_size / 4] = true;  // the end
    return true;
  }

  // Hands the stack to the instruction at `pc`: the first path to get there sets it, every other
  // must bring the same. The end must be reached with nothing left on the stack.
  bool Reach(int64_t pc, const std::vector<uint8_t>& stack) {
    if (pc < 0 || pc > int64_t(m_size) || pc % 4 != 0 || !m_start[size_t(pc / 4)]) return false;
    if (pc == int64_t(m_size)) return stack.empty();
    int32_t& state = m_state[size_t(pc / 4)];
    if (state >= 0) return m_stacks[size_t(state)] == stack;
    int32_t depth = 0;
    for (uint8_t t : stack) depth += Width(t);
    if (depth > kStackCheckMaxDepth || stack.size() > kMaxItems) return false;
    if (depth > m_maxDepth) m_maxDepth = depth;
    state = int32_t(m_stacks.size());
    m_stacks.push_back(stack);
    m_work.push_back(uint32_t(pc));
    return true;
  }

  static bool Pop(std::vector<uint8_t>& stack, int type) {
    if (stack.empty() || stack.back() != type) return false;
    stack.pop_back();
    return true;
  }

  // The items on the stack at a ret, exit or call, as Code_StackAt gives them.
  uint8_t* Sites() {
    std::sort(m_sites.begin(), m_sites.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    size_t bytes = 4 + m_sites.size() * 12;
    for (const auto& site : m_sites) bytes += site.second.size();
    auto* blob = static_cast<uint8_t*>(MemAlloc(bytes));
    uint32_t n = uint32_t(m_sites.size());
    std::memcpy(blob, &n, 4);
    uint32_t at = 4 + n * 12;
    for (uint32_t i = 0; i < n; i++) {
      const auto& site = m_sites[i];
      uint32_t entry[3] = {site.first, at, uint32_t(site.second.size())};
      std::memcpy(blob + 4 + i * 12, entry, 12);
      if (!site.second.empty()) std::memcpy(blob + at, site.second.data(), site.second.size());
      at += uint32_t(site.second.size());
    }
    return blob;
  }

  // The reference of push.v and pop takes an index and a computed selector first.
  static bool PopReference(std::vector<uint8_t>& stack, uint32_t ref) {
    if ((ref & kRefNoIndex) == 0 && !Pop(stack, TYPE_INT)) return false;
    if ((ref & kRefImmediateSel) == 0 && !Pop(stack, TYPE_INT)) return false;
    return true;
  }

  bool Step(uint32_t pc, std::vector<uint8_t>& stack) {
    uint32_t w;
    std::memcpy(&w, m_code + pc, 4);
    uint8_t op = Opcode(w);
    if (op == OP_RET || op == OP_EXIT || op == OP_CALL) m_sites.emplace_back(pc, stack);
    int t1 = Type1(w), t2 = Type2(w);
    uint32_t next = pc + uint32_t(InstructionLength(w));
    int64_t target = int64_t(pc) + 4 * int64_t(BranchOffset(w));
    uint32_t operand = 0;
    if (next - pc >= 8) std::memcpy(&operand, m_code + pc + 4, 4);
    if (IsBinary(op)) {
      if (!IsItem(t1) || !IsItem(t2) || !Pop(stack, t1) || !Pop(stack, t2)) return false;
      stack.push_back(BinaryResult(t2, t1));
      return Reach(next, stack);
    }
    if (op >= OP_SLT && op <= OP_SGT) {
      if (!IsItem(t1) || !IsItem(t2) || !Pop(stack, t1) || !Pop(stack, t2)) return false;
      stack.push_back(TYPE_BOOL);
      return Reach(next, stack);
    }
    switch (op) {
      case OP_CONV:
        if (!IsItem(t1) || !IsItem(t2) || !Pop(stack, t1)) return false;
        stack.push_back(uint8_t(t2));
        return Reach(next, stack);
      case OP_NEG:
      case OP_NOT:
        return IsItem(t1) && !stack.empty() && stack.back() == t1 && Reach(next, stack);
      case OP_DUP:
        if (!IsItem(t1) || stack.empty() || stack.back() != t1) return false;
        stack.push_back(uint8_t(t1));
        return Reach(next, stack);
      case OP_POPZ:
        return IsItem(t1) && Pop(stack, t1) && Reach(next, stack);
      case OP_PUSH:
        if (t1 == TYPE_IMM16) {
          stack.push_back(TYPE_INT);
        } else if (t1 == TYPE_VARIABLE) {
          if (!PopReference(stack, operand)) return false;
          stack.push_back(TYPE_VARIABLE);
        } else if (IsItem(t1)) {
          stack.push_back(uint8_t(t1));
        } else {
          return false;
        }
        return Reach(next, stack);
      case OP_POP:
        if (t1 != TYPE_VARIABLE || !IsItem(t2) || t2 == TYPE_FLOAT) return false;
        return PopReference(stack, operand) && Pop(stack, t2) && Reach(next, stack);
      case OP_CALL:
        if (t1 != TYPE_INT) return false;
        for (uint16_t i = 0; i < Immediate(w); i++) {
          if (!Pop(stack, TYPE_VARIABLE)) return false;
        }
        stack.push_back(TYPE_VARIABLE);
        return Reach(next, stack);
      case OP_RET:
        return IsItem(t1) && !stack.empty() && stack.back() == t1;
      case OP_EXIT:
        return true;
      case OP_BREAK:
        return Reach(next, stack);
      case OP_B:
        return Reach(target, stack);
      case OP_BT:
      case OP_BF:
        return Pop(stack, TYPE_BOOL) && Reach(target, stack) && Reach(next, stack);
      case OP_PUSHENV:
        // The body runs with the record on top; when it runs for nobody the popenv comes next.
        if (!Pop(stack, TYPE_INT)) return false;
        stack.push_back(kEnv);
        return Reach(target, stack) && Reach(next, stack);
      case OP_POPENV:
        // The compiler drops a switch value before a continue leaves the switch for the popenv.
        if (stack.empty() || stack.back() != kEnv) return false;
        if (!IsPopEnvDrop(w) && !Reach(target, stack)) return false;
        stack.pop_back();
        return Reach(next, stack);
      default:
        return false;
    }
  }

  const uint8_t* m_code;
  uint32_t m_size;
  std::vector<bool> m_start;
  std::vector<int32_t> m_state;  // per word: index into m_stacks, or -1 before a path reaches it
  std::vector<std::vector<uint8_t>> m_stacks;
  std::vector<uint32_t> m_work;
  std::vector<std::pair<uint32_t, std::vector<uint8_t>>> m_sites;
  int32_t m_maxDepth = 0;
};

}  // namespace

bool Code_CheckStack(const uint8_t* code, uint32_t size, int32_t* maxDepth, uint8_t** sites) {
  if (code == nullptr) return false;
  return Checker(code, size).Run(maxDepth, sites);
}

const uint8_t* Code_StackAt(const uint8_t* sites, uint32_t pc, int32_t* count) {
  if (sites == nullptr) return nullptr;
  uint32_t lo = 0, hi;
  std::memcpy(&hi, sites, 4);
  while (lo < hi) {
    uint32_t mid = (lo + hi) / 2;
    uint32_t entry[3];
    std::memcpy(entry, sites + 4 + mid * 12, 12);
    if (entry[0] == pc) {
      *count = int32_t(entry[2]);
      return sites + entry[1];
    }
    if (entry[0] < pc) lo = mid + 1;
    else hi = mid;
  }
  return nullptr;
}

void Code_CheckBuffer(const VMBuffer& buffer) {
  if (buffer.stackCheck != 0) return;
  int32_t depth = 0;
  uint8_t* sites = nullptr;
  bool passed = buffer.owned && buffer.size >= 0 && Code_CheckStack(buffer.data, uint32_t(buffer.size), &depth, &sites);
  buffer.maxDepth = depth;
  buffer.stackSites = sites;
  if (passed) buffer.ops = Code_Decode(buffer.data, uint32_t(buffer.size));
  buffer.stackCheck = passed ? 1 : -1;
}
