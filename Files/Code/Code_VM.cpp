#include "Code/Code_VM.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <array>
#include <cstring>
#include <utility>

#include "Code/Code_Decode.h"
#include "Code/Code_Error.h"
#include "Code/Code_Function.h"
#include "Code/Code_Load.h"
#include "Code/Code_Opcodes.h"
#include "Code/Code_Script.h"
#include "Code/Code_StackCheck.h"
#include "Platform/Platform_Console.h"
#include "Platform/Platform_Memory.h"
#include "Variable/Variable_BuiltIn.h"
#include "Variable/Variable_Global.h"
#include "Variable/Variable_Instance.h"
#include "Variable/Variable_List.h"
#include "Variable/Variable_Names.h"
#include "Variable/Variable_Route.h"

using namespace VM;

namespace {

constexpr int32_t kValueSize = int32_t(sizeof(RValue));
// Zeroed bytes kept between a frame's first item and what lies above it (the call record, the end of
// the stack). No single instruction pops more than this past its frame, so code that pops too much
// reads zero values before the check at the next instruction stops it.
constexpr int32_t kGuardSize = 64;
// Room one instruction may need below the stack pointer (a with record, a converted value).
constexpr int32_t kInstructionMargin = 128;
constexpr int32_t kArgumentSlots = kArgumentSlotCount;
// The built-in variables argument0 .. argument15 have consecutive ids after argument_relative and
// argument; reads of them go straight to the slots.
constexpr int32_t kArgument0Id = kBuiltInFirstGlobal + 2;

// Stack widths of the type codes (0 for codes that name no stack item).
constexpr int32_t kWidth[16] = {8, 4, 4, 8, 4, kValueSize, int32_t(sizeof(char*)), 0, 0, 0, 0, 0, 0, 0, 0, 0};

inline bool IsItemType(int t) { return t <= TYPE_STRING; }

template <class T>
inline T Load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <class T>
inline void Store(uint8_t* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

// Moves a value into stack bytes field by field (the stack may be only 4-byte aligned; field-sized
// stores also let the next load of a field be forwarded from the store).
inline void PutValue(uint8_t* p, RValue&& v) {
  Store<int32_t>(p + offsetof(RValue, kind), v.kind);
  Store<char*>(p + offsetof(RValue, text), v.text);
  Store<double>(p + offsetof(RValue, real), v.real);
  v.text = nullptr;
  v.kind = VALUE_REAL;
}
// Puts a real (no text) into stack bytes field by field, as PutValue does.
inline void PutReal(uint8_t* p, double real) {
  Store<int32_t>(p + offsetof(RValue, kind), VALUE_REAL);
  Store<char*>(p + offsetof(RValue, text), nullptr);
  Store<double>(p + offsetof(RValue, real), real);
}
// Moves a value out of stack bytes; the bytes no longer own a text.
inline RValue TakeValue(const uint8_t* p) {
  RValue v;
  v.kind = Load<int32_t>(p + offsetof(RValue, kind));
  v.text = Load<char*>(p + offsetof(RValue, text));
  v.real = Load<double>(p + offsetof(RValue, real));
  return v;
}

inline uint8_t* AlignDown(uint8_t* p, uintptr_t alignment) {
  return reinterpret_cast<uint8_t*>(reinterpret_cast<uintptr_t>(p) & ~(alignment - 1));
}

// Frees the text of a stack item of type `type` at `p`.
void FreeItem(int type, const uint8_t* p) {
  if (type == TYPE_STRING) {
    MemFree(Load<char*>(p));
  } else if (type == TYPE_VARIABLE) {
    if (Load<int32_t>(p + offsetof(RValue, kind)) == VALUE_STRING) MemFree(Load<char*>(p + offsetof(RValue, text)));
  }
}

// Env record of a with-block, on the value stack at an 8-byte aligned address.
struct VMEnvRecord {
  CInstance* savedSelf;
  CInstance* savedOther;
  VMEnvRecord* prev;      // the enclosing with-block of the same code
  uint8_t* spBefore;      // stack pointer once the record is popped
  CInstance* pending;     // kind 1: the instance still to run
  CInstance** array;      // kind 2: the instances (memory-manager block)
  int32_t cursor;         // kind 2: index of the instance running now; the next is cursor - 1
  int32_t kind;           // 0: no further instance, 1: one pending, 2: array
};

constexpr size_t kEnvSpBeforeOffset = offsetof(VMEnvRecord, spBefore);

struct VMCallRecord;

// What a script call saves of its caller and a return gives back. The code's bytes and size follow
// from `entry`; the call instruction is the 8 bytes before `pc`. self and other are not part of it:
// a callee starts with its caller's, and code that passed the stack check changes them only inside
// with-blocks, which give them back as they end (or as a return or an error leaves them); the call
// record keeps them only for a callee that runs checked.
struct VMCodeState {
  const ScriptCallEntry* entry;  // the running code, its bytes, positions, source and name
  CVariableList* locals;
  VMEnvRecord* env;
  uint8_t* frameTop;      // highest stack address of the running code's own items
  VMCallRecord* call;     // the innermost call record, null at depth 0
  uint32_t pc;
  // The running code passed the stack check and its deepest stack fits below frameTop: instructions
  // run without the stack and end-of-code tests.
  bool unchecked;
};

// Every script call is a call instruction (8 bytes): the caller's call is just before its pc.
constexpr uint32_t kCallLength = 8;
inline uint32_t CallInstruction(const VMCodeState& caller) { return caller.pc - kCallLength; }

// Call record of a script call, on the value stack at a 16-byte aligned address.
struct VMCallRecord {
  VMCodeState caller;     // pc is the caller's instruction after the call
  // The caller's argument view; its spare field holds where the arguments ended, in bytes from the
  // record (the result goes just below).
  ArgumentView callerView;
  CInstance* callerSelf;  // written only when the callee runs checked
  CInstance* callerOther;
  uint8_t unused[32];     // keeps the record's size, which sets how deep scripts recurse
  // The callee's argument slots (g_ArgumentView points here while it runs); the arguments are
  // moved in raw and only the slots the view calls readable hold values.
  alignas(RValue) uint8_t slots[kArgumentSlots * sizeof(RValue)];
};
// The slots end the record: a call's arguments, which the record covers, lie within them. The
// record's size sets how deep scripts can recurse.
static_assert(offsetof(VMCallRecord, slots) + sizeof(VMCallRecord::slots) == sizeof(VMCallRecord) &&
              sizeof(VMCallRecord) == 496);
inline uint8_t* SpAfterArgs(VMCallRecord* r) { return reinterpret_cast<uint8_t*>(r) + r->callerView.spare; }

struct VMFrame : VMCodeState {
  CInstance* self;
  CInstance* other;
  uint8_t* stackBase;
  uint32_t instrPc;       // the running instruction (a general return sets the caller's call)
  int32_t line;           // line of the running code as the breakpoint check last saw it
  bool aborted;           // an error the run cannot continue from
  uint8_t* sp;            // the stack pointer when the run was cut short
  uint8_t* tags;          // one byte per 4-byte stack slot: the type of the item starting there
  uintptr_t tagBias;      // tags - stackBase / 4: the tag of slot p is at tagBias + p / 4
  VMFrame* outer;         // the run this one is nested in
  ScriptCallEntry topEntry;  // the entry of the code the run started with
};

// Item tags. Every push of checked code records the item's type at its first slot and TAG_NONE at
// the others, so the items a run leaves behind (a switch value, a repeat counter under an exit or a
// ret) can be walked from the stack pointer and their texts freed, and every pop can test what it
// takes. A walk that meets TAG_NONE (code that popped part of an item, or the guard above a frame)
// stops rather than guess. Walks reach into the guard, where only code that popped more than it
// pushed leaves items. Code that passed the stack check (an unchecked frame) writes no item tags:
// its types are known, and its items at a ret, exit or call are listed by the check. With-block
// records are tagged in every frame.
constexpr uint8_t TAG_NONE = 0xFF;
constexpr uint8_t TAG_ENV = 0xFE;

// The tag byte of the stack slot at p (the stack block is 16-byte aligned).
inline uint8_t* TagOf(const VMFrame& f, const uint8_t* p) {
  return reinterpret_cast<uint8_t*>(f.tagBias + (reinterpret_cast<uintptr_t>(p) >> 2));
}

inline void TagItem(VMFrame& f, const uint8_t* p, int type) {
  if (f.unchecked) return;
  uint8_t* t = TagOf(f, p);
  t[0] = uint8_t(type);
  for (int i = 1; i < kWidth[type] / 4; i++) t[i] = TAG_NONE;
}

// TagItem where the caller may know the frame is unchecked (a constant `unchecked` folds the test).
__attribute__((always_inline)) inline void TagItemIf(VMFrame& f, const uint8_t* p, int type, bool unchecked) {
  if (!unchecked) TagItem(f, p, type);
}

// Frees the texts of the items in [from, to).
void FreeItems(VMFrame& f, uint8_t* from, uint8_t* to) {
  while (from < to && from >= f.stackBase) {
    uint8_t tag = *TagOf(f, from);
    if (tag == TAG_ENV) {
      uint8_t* next = Load<uint8_t*>(from + kEnvSpBeforeOffset);
      if (next <= from) return;
      from = next;
      continue;
    }
    if (!IsItemType(tag)) return;
    FreeItem(tag, from);
    from += kWidth[tag];
  }
}

static_assert(sizeof(VMEnvRecord) + 8 <= size_t(kStackCheckEnvWidth));

// Frees the texts of the running frame's items from `sp` up to its top. An unchecked frame is at a
// ret, exit or call (f.instrPc) whose first `taken` items, counted from the top, are gone already;
// its items are those the stack check listed there, its with-block records those of f.env.
// FreeListedItems is the unchecked case with items left (sp below the frame's top).
void FreeListedItems(VMFrame& f, uint8_t* sp, int32_t taken) {
  int32_t count = 0;
  const uint8_t* types = Code_StackAt(f.entry->code->stackSites, f.instrPc, &count);
  if (types == nullptr) return;  // not a listed instruction: leave the items rather than guess
  VMEnvRecord* env = f.env;
  for (int32_t i = count - 1 - taken; i >= 0 && sp < f.frameTop; i--) {
    uint8_t t = types[i];
    if (t == kStackCheckEnv) {
      if (env == nullptr) return;
      sp = env->spBefore;
      env = env->prev;
      continue;
    }
    FreeItem(t, sp);
    sp += kWidth[t];
  }
}

inline void FreeFrameItems(VMFrame& f, uint8_t* sp, int32_t taken) {
  if (!f.unchecked) {
    FreeItems(f, sp, f.frameTop + kGuardSize);
  } else if (sp < f.frameTop) {
    FreeListedItems(f, sp, taken);
  }
}

// FreeFrameItems for a frame an error ended: an unchecked frame can only end so at a call, whose
// arguments are gone.
void FreeAbortedFrame(VMFrame& f, uint8_t* sp) {
  if (!f.unchecked) {
    FreeItems(f, sp, f.frameTop);
    return;
  }
  uint32_t word = Load<uint32_t>(f.entry->bytes + f.instrPc);
  if (Opcode(word) == OP_CALL) FreeFrameItems(f, sp, int32_t(Immediate(word)));
}

// True when code whose first item goes at `top` may run without the per-instruction tests: it
// passed the stack check (made at its first run unless linking made it) and its deepest stack
// leaves the instruction margin free.
bool RunsUnchecked(const VMFrame& f, const VMBuffer* code, const uint8_t* top) {
  if (__builtin_expect(code->stackCheck == 0, 0)) Code_CheckBuffer(*code);
  return code->stackCheck > 0 && top - code->maxDepth - kInstructionMargin >= f.stackBase;
}


// ---- Runner-wide state ---------------------------------------------------------------------------

bool g_Trace = false;
bool g_SourceInterpreter = false;
// g_Trace or g_SourceInterpreter: a built-in call then goes the general way (its line, its count).
bool g_CallHooks = false;
VMErrorSink g_ErrorSink = nullptr;
VMExtensionCall g_ExtensionCall = nullptr;
VMFrame* g_CurrentFrame = nullptr;
int g_RunDepth = 0;

struct Breakpoint {
  char name[128];
  int32_t line;
  bool enabled;
};
Breakpoint g_Breakpoints[kVMMaxBreakpoints];
int g_BreakpointCount = 0;

// Local-list pool: taken at each run and script call, given back at their end.
CVariableList** g_Pool = nullptr;
int32_t g_PoolCount = 0;
int32_t g_PoolCapacity = 0;
int32_t g_PoolIndex = 0;

CVariableList* PoolTake() {
  if (g_PoolIndex == g_PoolCount) {
    if (g_PoolCount == g_PoolCapacity) {
      int32_t capacity = g_PoolCapacity ? g_PoolCapacity * 2 : 32;
      g_Pool = static_cast<CVariableList**>(MemReAlloc(g_Pool, sizeof(CVariableList*) * size_t(capacity)));
      g_PoolCapacity = capacity;
    }
    g_Pool[g_PoolCount++] = new CVariableList();
  }
  CVariableList* list = g_Pool[g_PoolIndex++];
  if (list->Count() > 0) list->Clear();
  return list;
}

void PoolRelease() {
  if (g_PoolIndex > 0) g_PoolIndex--;
}

// Stack blocks and their tag arrays, one per nesting level of runs, kept for reuse.
uint8_t* g_StackBlocks[kVMMaxNestedRuns + 1];
uint8_t* g_TagBlocks[kVMMaxNestedRuns + 1];

uint8_t* StackBlock(int level, uint8_t** tags) {
  if (g_StackBlocks[level] == nullptr) {
    g_StackBlocks[level] = static_cast<uint8_t*>(MemAlloc(size_t(kVMStackSize) + kGuardSize + 16));
    g_TagBlocks[level] = static_cast<uint8_t*>(MemAlloc((size_t(kVMStackSize) + kGuardSize + 16) / 4));
  }
  *tags = g_TagBlocks[level];
  return g_StackBlocks[level];
}

// ---- Error reports -------------------------------------------------------------------------------

int32_t LineOf(const VMBuffer* positions, const char* source, uint32_t offset) {
  return Code_LineNumber(source, Code_SourcePosition(positions, offset));
}

void WriteHashLine(CTextBuffer& out) {
  char line[94];
  std::memset(line, '#', 92);
  line[92] = '\n';
  out.Write(line, 93);
}

void BuildReport(const VMFrame& f, const char* message, CTextBuffer& out) {
  char text[1024];
  WriteHashLine(out);
  out.Write("VMError!! Occurred - ");
  out.Write(message);
  out.Write("\n");
  const ScriptCallEntry& e = *f.entry;
  int32_t position = Code_SourcePosition(e.positions, f.instrPc);
  int32_t line = Code_LineNumber(e.source, position);
  out.Printf(" at %s (line %d) - %s\n", e.name ? e.name : "", line,
             Code_LineText(e.source, position, text, sizeof text));
  WriteHashLine(out);
  if (f.locals && f.locals->Count() > 0) {
    WriteHashLine(out);
    out.Write("Local Variables : \n");
    f.locals->Dump(out);
  }
  if (f.self && f.self->variables.Count() > 0) {
    out.Write("Self Variables : \n");
    f.self->variables.Dump(out);
  }
  if (g_pGlobalVariables && g_pGlobalVariables->Count() > 0) {
    out.Write("Global Variables : \n");
    g_pGlobalVariables->Dump(out);
  }
  if (f.call != nullptr) {
    out.Printf("stack frame is\n%s (line %d)\n", e.name ? e.name : "", line);
    for (const VMCallRecord* r = f.call; r; r = r->caller.call) {
      const VMCodeState& c = r->caller;
      const ScriptCallEntry& ce = *c.entry;
      int32_t p = Code_SourcePosition(ce.positions, CallInstruction(c));
      out.Printf("called from - %s (line %d) - %s\n", ce.name ? ce.name : "", Code_LineNumber(ce.source, p),
                 Code_LineText(ce.source, p, text, sizeof text));
      if (c.locals) c.locals->Dump(out);
    }
  }
}

// A runtime error of the running code. Returns only when the run may go on (suppressed reporter or
// an installed sink); otherwise the report is shown as fatal and the process ends.
void RaiseError(VMFrame& f, const char* format, ...) __attribute__((format(printf, 2, 3)));
void RaiseError(VMFrame& f, const char* format, ...) {
  if (ErrorSuppressed() && g_ErrorSink == nullptr) {
    SetCompileFailure();
    return;
  }
  char message[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  CTextBuffer report(102400);
  BuildReport(f, message, report);
  if (g_ErrorSink) {
    g_ErrorSink(report.Text());
    return;
  }
  ReportActionError(report.Text(), true);
  Console::Flush();
  std::fflush(stdout);
  std::_Exit(255);
}

// An error the run cannot continue from: reported, then the run ends.
void AbortRun(VMFrame& f, const char* message) {
  RaiseError(f, "%s", message);
  f.aborted = true;
}

// Items that own a text (strings and values) are only taken as what they were pushed as: code that
// reads another item, or part of one, as a string or a value would free memory it does not own.
// Returns false (and ends the run) on a mismatch; the caller then leaves the stack untouched, so
// the items are freed by their tags.
bool IsTagged(VMFrame& f, const uint8_t* p, int type) {
  if (f.unchecked) return true;  // the stack check proved the type
  if (p >= f.stackBase && p < f.stackBase + kVMStackSize + kGuardSize &&
      *TagOf(f, p) == type) {
    return true;
  }
  if (!f.aborted) AbortRun(f, "Execution Engine - Stack item type mismatch: the code is malformed");
  return false;
}

bool Owns(VMFrame& f, const uint8_t* p, int type) {
  if (type != TYPE_STRING && type != TYPE_VARIABLE) return true;
  return IsTagged(f, p, type);
}

// ---- Operands of the arithmetic routines ---------------------------------------------------------

enum OperandKind : uint8_t { K_DOUBLE, K_FLOAT, K_INT, K_LONG, K_BOOL, K_STRING, K_NONE };

struct Operand {
  OperandKind kind;
  bool variable;
  double d;
  int64_t l;   // K_INT and K_LONG
  char* s;
  float f;
  bool b;
};

// Reads the item of `type` at `p`. False for a malformed variable.
bool ReadOperand(int type, const uint8_t* p, Operand& op) {
  op = Operand{K_NONE, false, 0.0, 0, nullptr, 0.0f, false};
  switch (type) {
    case TYPE_DOUBLE: op.kind = K_DOUBLE; op.d = Load<double>(p); return true;
    case TYPE_FLOAT: op.kind = K_FLOAT; op.f = Load<float>(p); return true;
    case TYPE_INT: op.kind = K_INT; op.l = Load<int32_t>(p); return true;
    case TYPE_LONG: op.kind = K_LONG; op.l = Load<int64_t>(p); return true;
    case TYPE_BOOL: op.kind = K_BOOL; op.b = (Load<int32_t>(p) & 0xFF) != 0; return true;
    case TYPE_STRING: op.kind = K_STRING; op.s = Load<char*>(p); return true;
    case TYPE_VARIABLE: {
      op.variable = true;
      int32_t kind = Load<int32_t>(p + offsetof(RValue, kind));
      if (kind == VALUE_REAL) {
        op.kind = K_DOUBLE;
        op.d = Load<double>(p + offsetof(RValue, real));
        return true;
      }
      if (kind == VALUE_STRING) {
        op.kind = K_STRING;
        op.s = Load<char*>(p + offsetof(RValue, text));
        return true;
      }
      return false;
    }
    default: return true;
  }
}

void FreeOperand(Operand& op) {
  if (op.kind == K_STRING) {
    MemFree(op.s);
    op.s = nullptr;
  }
}

// Pushes a result: as a value when `asValue`, else in its plain type.
uint8_t* PushResult(VMFrame& f, uint8_t* sp, const Operand& r, bool asValue) {
  if (asValue) {
    sp -= kValueSize;
    TagItem(f, sp, TYPE_VARIABLE);
    sp += kValueSize;
    sp -= kValueSize;
    RValue v;
    if (r.kind == K_STRING) v.AdoptText(r.s);
    else if (r.kind == K_INT || r.kind == K_LONG) v.real = double(r.l);
    else if (r.kind == K_BOOL) v.real = r.b ? 1.0 : 0.0;
    else if (r.kind == K_FLOAT) v.real = double(r.f);
    else v.real = r.d;
    PutValue(sp, std::move(v));
    return sp;
  }
  switch (r.kind) {
    case K_DOUBLE: sp -= 8; Store(sp, r.d); TagItem(f, sp, TYPE_DOUBLE); break;
    case K_FLOAT: sp -= 4; Store(sp, r.f); TagItem(f, sp, TYPE_FLOAT); break;
    case K_INT: sp -= 4; Store(sp, int32_t(r.l)); TagItem(f, sp, TYPE_INT); break;
    case K_LONG: sp -= 8; Store(sp, r.l); TagItem(f, sp, TYPE_LONG); break;
    case K_BOOL: sp -= 4; Store<int32_t>(sp, r.b ? 1 : 0); TagItem(f, sp, TYPE_BOOL); break;
    case K_STRING: sp -= int32_t(sizeof(char*)); Store(sp, r.s); TagItem(f, sp, TYPE_STRING); break;
    case K_NONE: break;
  }
  return sp;
}

struct BinaryNames {
  const char* error;      // "DoAdd :: Execution Error"
  const char* stringOp;   // "... Cannot operate on string type", or null
  const char* zero;       // "... Divide by zero", or null
  const char* malformed;
};

const BinaryNames& NamesOf(uint8_t op) {
  static const BinaryNames kMul{"DoMul :: Execution Error", nullptr, nullptr, "Variable is malformed"};
  static const BinaryNames kDiv{"DoDiv :: Execution Error", "DoDiv :: Execution Engine - Cannot operate on string type",
                                "DoDiv :: Divide by zero", "Malformed variable"};
  static const BinaryNames kRem{"DoRem :: Execution Error", "DoRem :: Execution Engine - Cannot operate on string type",
                                "DoRem :: Divide by zero", "Malformed variable"};
  static const BinaryNames kMod{"DoMod :: Execution Error", "DoMod :: Execution Engine - Cannot operate on string type",
                                "DoMod :: Divide by zero", "Malformed variable"};
  static const BinaryNames kAdd{"DoAdd :: Execution Error", nullptr, nullptr, "Malformed variable"};
  static const BinaryNames kSub{"DoSub:: Execution Error", "DoSub :: Execution Engine - Cannot operate on string type",
                                nullptr, "Malformed variable"};
  static const BinaryNames kAnd{"DoAnd :: Execution Error", "DoAnd :: Execution Engine - Cannot operate on string type",
                                nullptr, "Malformed variable"};
  static const BinaryNames kOr{"DoOr :: Execution Error", "DoOr :: Execution Engine - Cannot operate on string type",
                               nullptr, "Malformed variable"};
  static const BinaryNames kXor{"DoXor :: Execution Error", "DoXor :: Execution Engine - Cannot operate on string type",
                                nullptr, "Malformed variable"};
  static const BinaryNames kShl{"DoShl :: Execution Error", "DoShl :: Execution Engine - Cannot operate on string type",
                                nullptr, "Malformed variable"};
  static const BinaryNames kShr{"DoShr :: Execution Error", "DoShr :: Execution Engine - Cannot operate on string type",
                                nullptr, "Malformed variable"};
  switch (op) {
    case OP_MUL: return kMul;
    case OP_DIV: return kDiv;
    case OP_REM: return kRem;
    case OP_MOD: return kMod;
    case OP_ADD: return kAdd;
    case OP_SUB: return kSub;
    case OP_AND: return kAnd;
    case OP_OR: return kOr;
    case OP_XOR: return kXor;
    case OP_SHL: return kShl;
    default: return kShr;
  }
}

int64_t Shift64(int64_t value, int64_t count, bool left) {
  if (count < 0 || count >= 64) return left ? 0 : (value < 0 ? -1 : 0);
  return left ? int64_t(uint64_t(value) << count) : (value >> count);
}

// `a` followed by `b`, in a's block grown to fit (a's text is taken over; a null `a` is empty).
// Growing in place spares the copy of the left side, which building a long text repeats.
char* Append(char* a, const char* b) {
  size_t la = a ? std::strlen(a) : 0;
  size_t lb = b ? std::strlen(b) : 0;
  char* text = static_cast<char*>(MemReAlloc(a, la + lb + 1));
  if (lb) std::memcpy(text + la, b, lb);
  text[la + lb] = 0;
  return text;
}

// The string `s` repeated `count` times; null when the result would be unreasonably large.
char* Repeat(const char* s, double count, bool* tooLarge) {
  *tooLarge = false;
  int64_t n = RealToLong(count);
  size_t len = s ? std::strlen(s) : 0;
  if (n <= 0 || len == 0) return MemDupString("");
  if (uint64_t(n) > (uint64_t(1) << 31) / len) {
    *tooLarge = true;
    return nullptr;
  }
  char* text = static_cast<char*>(MemAlloc(len * size_t(n) + 1));
  for (int64_t i = 0; i < n; i++) std::memcpy(text + size_t(i) * len, s, len);
  return text;
}

// A number operand for the fast paths: a double, an int, or a value holding a real (tag-checked).
// `unchecked` is true where the caller knows the frame is unchecked.
__attribute__((always_inline)) inline bool FastNumber(VMFrame& f, int type, const uint8_t* p, double* d, int32_t* i, bool* isInt,
                                                      bool unchecked = false) {
  switch (type) {
    case TYPE_DOUBLE: *d = Load<double>(p); *isInt = false; return true;
    case TYPE_INT: *i = Load<int32_t>(p); *d = double(*i); *isInt = true; return true;
    case TYPE_VARIABLE:
      if (!unchecked && !f.unchecked && *TagOf(f, p) != TYPE_VARIABLE) return false;
      if (Load<int32_t>(p + offsetof(RValue, kind)) != VALUE_REAL) return false;
      *d = Load<double>(p + offsetof(RValue, real));
      *isInt = false;
      return true;
    default: return false;
  }
}

// The remainder of two reals, as fmod gives it; whole numbers below 2^53 take the integer
// remainder, which is the same number (with the dividend's sign on a zero) and much cheaper.
__attribute__((always_inline)) inline double RealMod(double l, double r) {
  constexpr double kWhole = 9007199254740992.0;  // 2^53
  if (std::fabs(l) < kWhole && std::fabs(r) < kWhole && r != 0.0) {
    int64_t li = int64_t(l), ri = int64_t(r);
    if (double(li) == l && double(ri) == r) {
      int64_t m = li % ri;
      if (m == 0) return std::signbit(l) ? -0.0 : 0.0;
      return double(m);
    }
  }
  return std::fmod(l, r);
}

// RealMod(l, k) for a divisor that is a whole number other than 0 (the same number).
__attribute__((always_inline)) inline double RealModByInt(double l, int32_t k) {
  if (std::fabs(l) < 9007199254740992.0) {  // 2^53
    int64_t li = int64_t(l);
    if (double(li) == l) {
      int64_t m = li % k;
      if (m == 0) return std::signbit(l) ? -0.0 : 0.0;
      return double(m);
    }
  }
  return std::fmod(l, double(k));
}

// add, sub, mul, and div and mod of reals, on numbers without the general routine. False when the
// operands need the general routine (strings, integer division, a zero divisor, other types).
// Callers that know the types pass them as constants, and the type tests fold away.
__attribute__((always_inline)) inline bool FastArithmetic(VMFrame& f, uint8_t*& sp, uint8_t op, int tl, int tr,
                                                          bool unchecked = false) {
  if (op != OP_ADD && op != OP_SUB && op != OP_MUL && op != OP_DIV && op != OP_MOD) return false;
  double l, r;
  int32_t li = 0, ri = 0;
  bool lInt, rInt;
  if (!FastNumber(f, tr, sp, &r, &ri, &rInt, unchecked) || !FastNumber(f, tl, sp + kWidth[tr], &l, &li, &lInt, unchecked)) {
    return false;
  }
  uint8_t* out = sp + kWidth[tr] + kWidth[tl];
  const bool divides = op == OP_DIV || op == OP_MOD;
  if (lInt && rInt) {
    if (divides) return false;  // integer division and its zero check: the general routine
    uint32_t v = op == OP_ADD ? uint32_t(li) + uint32_t(ri) : op == OP_SUB ? uint32_t(li) - uint32_t(ri)
                                                                        : uint32_t(li) * uint32_t(ri);
    out -= 4;
    Store<int32_t>(out, int32_t(v));
    TagItemIf(f, out, TYPE_INT, unchecked);
  } else {
    double v;
    if (!divides) {
      v = op == OP_ADD ? l + r : op == OP_SUB ? l - r : l * r;
    } else if (op == OP_MOD) {
      v = RealMod(l, r);
    } else {
      if (std::fabs(r) < 1e-10) return false;  // the general routine reports the division by zero
      v = l / r;
    }
    if (tl == TYPE_VARIABLE || tr == TYPE_VARIABLE) {
      out -= kValueSize;
      PutReal(out, v);
      TagItemIf(f, out, TYPE_VARIABLE, unchecked);
    } else {
      out -= 8;
      Store<double>(out, v);
      TagItemIf(f, out, TYPE_DOUBLE, unchecked);
    }
  }
  sp = out;
  return true;
}

// Numeric comparisons without the general routine; false when they need it.
// The result of a numeric comparison of the two items at sp, which stay; false when it needs the
// general routine.
__attribute__((always_inline)) inline bool FastCompareResult(VMFrame& f, const uint8_t* sp, CompareOp cmp, int tl,
                                                             int tr, bool unchecked, bool* result) {
  double l, r;
  int32_t li = 0, ri = 0;
  bool lInt, rInt;
  if (!FastNumber(f, tr, sp, &r, &ri, &rInt, unchecked) || !FastNumber(f, tl, sp + kWidth[tr], &l, &li, &lInt, unchecked)) {
    return false;
  }
  *result = (lInt && rInt) ? CompareInt(li, ri, cmp) : CompareReal(l, r, cmp);
  return true;
}

__attribute__((always_inline)) inline bool FastCompare(VMFrame& f, uint8_t*& sp, uint8_t op, int tl, int tr,
                                                       bool unchecked = false) {
  static const CompareOp kOps[] = {CMP_LT, CMP_LE, CMP_EQ, CMP_NE, CMP_GE, CMP_GT};
  bool result;
  if (!FastCompareResult(f, sp, kOps[op - OP_SLT], tl, tr, unchecked, &result)) return false;
  sp += kWidth[tr] + kWidth[tl] - 4;
  Store<int32_t>(sp, result ? 1 : 0);
  TagItemIf(f, sp, TYPE_BOOL, unchecked);
  return true;
}

// The two-operand arithmetic and bitwise instructions. Returns the new stack pointer.
uint8_t* DoBinary(VMFrame& f, uint8_t* sp, uint32_t word) {
  uint8_t op = Opcode(word);
  int tr = Type1(word), tl = Type2(word);
  if (!IsItemType(tr) || !IsItemType(tl)) return sp;
  if (!Owns(f, sp, tr) || !Owns(f, sp + kWidth[tr], tl)) return sp;
  const BinaryNames& names = NamesOf(op);
  Operand R, L;
  bool okR = ReadOperand(tr, sp, R);
  bool okL = ReadOperand(tl, sp + kWidth[tr], L);
  sp += kWidth[tr] + kWidth[tl];
  bool asValue = R.variable || L.variable;
  Operand res{K_NONE, false, 0.0, 0, nullptr, 0.0f, false};
  const char* error = nullptr;

  if (!okR || !okL) {
    error = names.malformed;
    if (okR) FreeOperand(R);
    if (okL) FreeOperand(L);
  } else if (L.kind == K_STRING || R.kind == K_STRING) {
    if (op == OP_ADD && L.kind == K_STRING && R.kind == K_STRING) {
      res.kind = K_STRING;
      res.s = Append(L.s, R.s);
      L.s = nullptr;
    } else if (op == OP_MUL && R.kind == K_STRING && (L.kind == K_DOUBLE || L.kind == K_INT || L.kind == K_LONG)) {
      bool tooLarge;
      res.s = Repeat(R.s, L.kind == K_DOUBLE ? L.d : double(L.l), &tooLarge);
      res.kind = K_STRING;
      if (tooLarge) error = names.error;
    } else {
      error = names.stringOp ? names.stringOp : names.error;
    }
    FreeOperand(L);
    FreeOperand(R);
  } else if (L.kind == K_BOOL && R.kind == K_BOOL && (op == OP_AND || op == OP_OR || op == OP_XOR)) {
    res.kind = K_BOOL;
    res.b = op == OP_AND ? (L.b && R.b) : op == OP_OR ? (L.b || R.b) : (L.b != R.b);
  } else if ((L.kind == K_DOUBLE || L.kind == K_INT || L.kind == K_LONG) &&
             (R.kind == K_DOUBLE || R.kind == K_INT || R.kind == K_LONG)) {
    if (L.kind == K_DOUBLE || R.kind == K_DOUBLE) {
      double l = L.kind == K_DOUBLE ? L.d : double(L.l);
      double r = R.kind == K_DOUBLE ? R.d : double(R.l);
      res.kind = K_DOUBLE;
      switch (op) {
        case OP_ADD: res.d = l + r; break;
        case OP_SUB: res.d = l - r; break;
        case OP_MUL: res.d = l * r; break;
        case OP_DIV:
          if (std::fabs(r) < 1e-10) error = names.zero;
          else res.d = l / r;
          break;
        case OP_REM:
          if (std::fabs(r) < 1e-10) error = names.zero;
          else res.d = std::trunc(l / r);
          break;
        case OP_MOD: res.d = RealMod(l, r); break;
        case OP_AND: res.d = double(RealToLong(l) & RealToLong(r)); break;
        case OP_OR: res.d = double(RealToLong(l) | RealToLong(r)); break;
        case OP_XOR: res.d = double(RealToLong(l) ^ RealToLong(r)); break;
        case OP_SHL:
        case OP_SHR: {
          bool left = op == OP_SHL;
          if (L.kind == K_INT) {
            int32_t x = int32_t(L.l);
            int32_t n = int32_t(RealToLong(r) & 31);
            res.d = double(left ? int32_t(uint32_t(x) << n) : (x >> n));
          } else {
            res.d = double(Shift64(RealToLong(l), RealToLong(r), left));
          }
          break;
        }
        default: break;
      }
    } else if (L.kind == K_INT && R.kind == K_INT) {
      int32_t l = int32_t(L.l), r = int32_t(R.l);
      int32_t v = 0;
      switch (op) {
        case OP_ADD: v = int32_t(uint32_t(l) + uint32_t(r)); break;
        case OP_SUB: v = int32_t(uint32_t(l) - uint32_t(r)); break;
        case OP_MUL: v = int32_t(uint32_t(l) * uint32_t(r)); break;
        case OP_DIV:
        case OP_REM:
          if (r == 0) error = names.zero;
          else v = (l == INT32_MIN && r == -1) ? INT32_MIN : l / r;
          break;
        case OP_MOD:
          if (r == 0) error = names.zero;
          else v = (r == -1) ? 0 : l % r;
          break;
        case OP_AND: v = l & r; break;
        case OP_OR: v = l | r; break;
        case OP_XOR: v = l ^ r; break;
        case OP_SHL: v = int32_t(uint32_t(l) << (r & 31)); break;
        case OP_SHR: v = l >> (r & 31); break;
        default: break;
      }
      res.kind = K_INT;
      res.l = v;
    } else {
      // 64-bit integers (with a 32-bit one): 64-bit integer arithmetic.
      int64_t l = L.l, r = R.l;
      int64_t v = 0;
      switch (op) {
        case OP_ADD: v = int64_t(uint64_t(l) + uint64_t(r)); break;
        case OP_SUB: v = int64_t(uint64_t(l) - uint64_t(r)); break;
        case OP_MUL: v = int64_t(uint64_t(l) * uint64_t(r)); break;
        case OP_DIV:
        case OP_REM:
          if (r == 0) error = names.zero;
          else v = (l == INT64_MIN && r == -1) ? INT64_MIN : l / r;
          break;
        case OP_MOD:
          if (r == 0) error = names.zero;
          else v = (r == -1) ? 0 : l % r;
          break;
        case OP_AND: v = l & r; break;
        case OP_OR: v = l | r; break;
        case OP_XOR: v = l ^ r; break;
        case OP_SHL: v = Shift64(l, r, true); break;
        case OP_SHR: v = Shift64(l, r, false); break;
        default: break;
      }
      res.kind = K_LONG;
      res.l = v;
    }
  } else {
    error = names.error;
  }

  if (error) {
    RaiseError(f, "%s", error);
    // Partial result: the zero of the kind the instruction would have produced.
    if (res.kind == K_STRING) MemFree(res.s);
    res = Operand{K_INT, false, 0.0, 0, nullptr, 0.0f, false};
    if (tl == TYPE_STRING || tr == TYPE_STRING) res.kind = K_STRING;
    else if (tl == TYPE_BOOL && tr == TYPE_BOOL) res.kind = K_BOOL;
    else if (tl == TYPE_DOUBLE || tr == TYPE_DOUBLE) res.kind = K_DOUBLE;
    else if (tl == TYPE_LONG || tr == TYPE_LONG) res.kind = K_LONG;
  }
  return PushResult(f, sp, res, asValue);
}

// neg and not.
uint8_t* DoUnary(VMFrame& f, uint8_t* sp, uint32_t word) {
  uint8_t op = Opcode(word);
  int t = Type1(word);
  bool neg = op == OP_NEG;
  // The item is changed in place, so it must be what the instruction names.
  if (IsItemType(t) && !IsTagged(f, sp, t)) return sp;
  switch (t) {
    case TYPE_DOUBLE: {
      double x = Load<double>(sp);
      Store(sp, neg ? -x : double(~RealToLong(x)));
      break;
    }
    case TYPE_FLOAT: {
      float x = Load<float>(sp);
      Store(sp, neg ? -x : float(~RealToLong(double(x))));
      break;
    }
    case TYPE_INT: {
      int32_t x = Load<int32_t>(sp);
      Store(sp, neg ? int32_t(0u - uint32_t(x)) : ~x);
      break;
    }
    case TYPE_LONG: {
      int64_t x = Load<int64_t>(sp);
      Store(sp, neg ? int64_t(0ull - uint64_t(x)) : ~x);
      break;
    }
    case TYPE_BOOL: {
      if (neg) {
        RaiseError(f, "%s", "DoNeg :: Execution Error");
      } else {
        Store<int32_t>(sp, (Load<int32_t>(sp) & 0xFF) ? 0 : 1);
      }
      break;
    }
    case TYPE_VARIABLE: {
      int32_t kind = Load<int32_t>(sp + offsetof(RValue, kind));
      if (kind == VALUE_REAL) {
        double x = Load<double>(sp + offsetof(RValue, real));
        Store(sp + offsetof(RValue, real), neg ? -x : double(~RealToLong(x)));
      } else if (kind == VALUE_STRING) {
        RaiseError(f, "%s", neg ? "DoNeg :: Execution Engine - Cannot operate on string type"
                                : "DoNot :: Execution Engine - Cannot operate on string type");
      } else {
        RaiseError(f, "%s", "Malformed variable");
      }
      break;
    }
    case TYPE_STRING:
      RaiseError(f, "%s", neg ? "DoNeg :: Execution Engine - Cannot operate on string type"
                              : "DoNot :: Execution Engine - Cannot operate on string type");
      break;
    default:
      break;
  }
  return sp;
}

uint8_t* DoCompare(VMFrame& f, uint8_t* sp, uint32_t word) {
  int tr = Type1(word), tl = Type2(word);
  if (!IsItemType(tr) || !IsItemType(tl)) return sp;
  if (!Owns(f, sp, tr) || !Owns(f, sp + kWidth[tr], tl)) return sp;
  static const CompareOp kOps[] = {CMP_LT, CMP_LE, CMP_EQ, CMP_NE, CMP_GE, CMP_GT};
  bool result = false;
  ValueError e = CompareItems(VMType(tl), sp + kWidth[tr], VMType(tr), sp, kOps[Opcode(word) - OP_SLT], &result);
  sp += kWidth[tr] + kWidth[tl];
  if (e != ValueError::None) {
    RaiseError(f, "%s", ValueErrorMessage(e));
    result = false;
  }
  sp -= 4;
  Store<int32_t>(sp, result ? 1 : 0);
  TagItem(f, sp, TYPE_BOOL);
  return sp;
}

uint8_t* DoConvert(VMFrame& f, uint8_t* sp, uint32_t word) {
  int from = Type1(word), to = Type2(word);
  if ((from > TYPE_STRING && from != TYPE_IMM16) || (to > TYPE_STRING && to != TYPE_IMM16)) return sp;
  if (from == TYPE_IMM16 || to == TYPE_IMM16) {
    RaiseError(f, "%s", "DoConv :: Execution Error");
    return sp;
  }
  if (!Owns(f, sp, from)) return sp;
  uint8_t* dst = sp + kWidth[from] - kWidth[to];
  ValueError e = ConvertItem(VMType(from), sp, VMType(to), dst);
  TagItem(f, dst, to);
  if (e == ValueError::None) return dst;
  RaiseError(f, "%s", ValueErrorMessage(e));
  // Partial result: the source is dropped and the zero of the destination type takes its place.
  FreeItem(from, sp);
  std::memset(dst, 0, size_t(kWidth[to]));
  return dst;
}

// ---- With-blocks ---------------------------------------------------------------------------------

// Collects instances: the first two in place, from the third on into an allocated array.
class CInstanceCollector final : public CInstanceVisitor {
 public:
  bool Visit(CInstance* instance) override {
    if (count < 2 && array == nullptr) {
      first[count++] = instance;
      return true;
    }
    if (array == nullptr) {
      capacity = 16;
      array = static_cast<CInstance**>(MemAlloc(sizeof(CInstance*) * size_t(capacity)));
      array[0] = first[0];
      array[1] = first[1];
    } else if (count == capacity) {
      capacity *= 2;
      array = static_cast<CInstance**>(MemReAlloc(array, sizeof(CInstance*) * size_t(capacity)));
    }
    array[count++] = instance;
    return true;
  }

  CInstance* first[2] = {nullptr, nullptr};
  CInstance** array = nullptr;
  int32_t count = 0;
  int32_t capacity = 0;
};

// True when the with record at `env` is intact for code whose stack pointer is `sp`: the record
// lies at or above sp and its first slot still carries the record's tag. Code that popped into a
// record and pushed over it would have retagged that slot.
bool EnvIntact(const VMFrame& f, const VMEnvRecord* env, const uint8_t* sp) {
  const auto* p = reinterpret_cast<const uint8_t*>(env);
  return p >= sp && p >= f.stackBase && p < f.stackBase + kVMStackSize && *TagOf(f, p) == TAG_ENV;
}

// Frees the instance arrays of the running code's with-blocks (it leaves them through an exit, a
// ret or an error). A record that malformed code overwrote is left alone. An enclosing block's
// record lies higher on the stack; a chain that does not climb (code that popped a record away and
// entered a block again at the same place links a record to itself) ends the walk. The outermost
// block's record holds the self and other the code had before its first with-block: they come back.
void FreeEnvChain(VMFrame& f, const uint8_t* sp) {
  VMEnvRecord* last = nullptr;
  for (VMEnvRecord* e = f.env; e && EnvIntact(f, e, sp);) {
    if (e->kind == 2) MemFree(e->array);
    e->kind = 0;
    last = e;
    if (e->prev <= e) break;
    e = e->prev;
  }
  if (last != nullptr && last->prev == nullptr) {
    f.self = last->savedSelf;
    f.other = last->savedOther;
  }
  f.env = nullptr;
}

// pushenv: pops the selector, pushes the env record and picks the first instance. Returns false
// when the body runs for nobody (the caller then jumps to the popenv).
bool EnterWith(VMFrame& f, uint8_t*& sp) {
  int32_t selector = Load<int32_t>(sp);
  sp += 4;
  uint8_t* spBefore = sp;
  sp = AlignDown(sp - sizeof(VMEnvRecord), alignof(VMEnvRecord));
  auto* env = reinterpret_cast<VMEnvRecord*>(sp);
  *env = VMEnvRecord{f.self, f.other, f.env, spBefore, nullptr, nullptr, 0, 0};
  uint8_t* tags = TagOf(f, sp);
  tags[0] = TAG_ENV;
  std::memset(tags + 1, TAG_NONE, size_t((spBefore - sp) >> 2) - 1);
  f.env = env;

  CInstance* previousSelf = f.self;
  CInstance* previousOther = f.other;
  CInstance* single = nullptr;
  if (selector == SELECTOR_SELF || selector == SELECTOR_PLAIN) {
    single = previousSelf;
  } else if (selector == SELECTOR_OTHER) {
    single = previousOther;
  } else if (selector >= kInstanceIdBase) {
    CInstance* instance = InstanceWorld()->FindInstance(selector);
    if (instance && instance->IsActive()) single = instance;
  } else if (selector == SELECTOR_ALL || selector >= 0) {
    CInstanceCollector collector;
    if (selector == SELECTOR_ALL) InstanceWorld()->ForEachActive(collector);
    else InstanceWorld()->ForEachActiveOfObject(selector, collector);
    if (collector.count == 0) return false;
    f.other = previousSelf;
    if (collector.count == 1) {
      f.self = collector.first[0];
    } else if (collector.count == 2) {
      f.self = collector.first[0];
      env->pending = collector.first[1];
      env->kind = 1;
    } else {
      env->array = collector.array;
      env->cursor = collector.count - 1;
      env->kind = 2;
      f.self = collector.array[env->cursor];
    }
    return true;
  }
  // noone, global, local and other selectors name no instance: the body runs for nobody.
  if (single == nullptr) return false;
  f.self = single;
  f.other = previousSelf;
  return true;
}

// Ends the with-block of `env`; the stack pointer goes back to env->spBefore.
void LeaveWith(VMFrame& f, VMEnvRecord* env) {
  if (env->kind == 2) MemFree(env->array);
  f.self = env->savedSelf;
  f.other = env->savedOther;
  f.env = env->prev;
}

// ---- Calls ---------------------------------------------------------------------------------------

void FreeArguments(uint8_t* args, int32_t n) {
  for (int32_t i = 0; i < n; i++) FreeItem(TYPE_VARIABLE, args + size_t(i) * kValueSize);
}

// Copies one field through a register. A call saves the caller's state just after the handlers
// wrote its fields one by one, and a return's handlers read the fields back just after it; a load
// wider than the store that wrote its bytes cannot take its value from that store while it is on
// its way to the cache and stalls (copied as vectors, fib ran about a fifth slower). So state is
// copied at each field's own width, and the barrier keeps the compiler from merging the copies.
template <typename T>
__attribute__((always_inline)) inline void CopyField(T* to, const T* from) {
  T value;
  std::memcpy(&value, from, sizeof value);
  __asm__("" : "+r"(value));
  std::memcpy(to, &value, sizeof value);
}
__attribute__((always_inline)) inline void CopyCodeState(VMCodeState* to, const VMCodeState* from) {
  CopyField(&to->entry, &from->entry);
  CopyField(&to->locals, &from->locals);
  CopyField(&to->env, &from->env);
  CopyField(&to->frameTop, &from->frameTop);
  CopyField(&to->call, &from->call);
  CopyField(&to->pc, &from->pc);
  CopyField(&to->unchecked, &from->unchecked);
}

// The end of every return (the callee's slots hold no texts now): the caller's argument view and
// state restored and the record popped.
__attribute__((always_inline)) inline uint8_t* PopCallRecord(VMFrame& f) {
  VMCallRecord* r = f.call;
  g_ArgumentView = r->callerView;
  CopyCodeState(&f, &r->caller);
  return SpAfterArgs(r) - kValueSize;
}

// ReturnFromScript of a script that ran checked or leaves with-blocks, a local list or slots that may
// hold texts. A callee that ran checked gets its caller's self and other back from the record.
__attribute__((noinline)) uint8_t* ReturnReleasing(VMFrame& f, const uint8_t* sp) {
  if (f.env != nullptr) FreeEnvChain(f, sp);
  if (!f.unchecked) {
    f.self = f.call->callerSelf;
    f.other = f.call->callerOther;
  }
  if (f.locals != nullptr) PoolRelease();
  RValue* slots = g_ArgumentView.slots;
  for (int32_t i = 0; i < g_ArgumentView.readable; i++) {
    MemFree(slots[i].text);
    slots[i].text = nullptr;
  }
  return PopCallRecord(f);
}

// Restores the caller from the innermost call record and pops it; the caller's stack pointer is
// left just below where the arguments ended (room for one value). `unchecked` is f.unchecked (the
// decoded handlers know it is true).
__attribute__((always_inline)) inline uint8_t* ReturnFromScriptInline(VMFrame& f, const uint8_t* sp, bool unchecked) {
  if (__builtin_expect(!unchecked || f.env != nullptr || f.locals != nullptr || g_ArgumentView.texts != 0, 0)) {
    return ReturnReleasing(f, sp);
  }
  return PopCallRecord(f);
}
// ReturnFromScriptInline for the paths that may go on in the caller instruction by instruction (the
// decoded paths fetch their next instruction at once, and never check breakpoints): f.instrPc is the
// caller's call, and the breakpoint check's line is the one it saw there.
uint8_t* ReturnFromScript(VMFrame& f, const uint8_t* sp) {
  uint8_t* callerSp = ReturnFromScriptInline(f, sp, f.unchecked);
  f.instrPc = CallInstruction(f);
  if (g_BreakpointCount > 0) f.line = LineOf(f.entry->positions, f.entry->source, f.instrPc);
  return callerSp;
}

// Pops every call record and with-block of the run and frees what its frames hold (an error ended
// it at f.sp).
void UnwindRun(VMFrame& f) {
  uint8_t* sp = f.sp;
  while (f.call != nullptr) {
    FreeAbortedFrame(f, sp);
    uint8_t* callerSp = SpAfterArgs(f.call);
    ReturnFromScript(f, sp);
    sp = callerSp;
  }
  FreeAbortedFrame(f, sp);
  FreeEnvChain(f, sp);
}

// The call entry of `script` (made at its first call), or null when it has no bytecode to run (no
// unit, no code, or a constant).
__attribute__((noinline)) const ScriptCallEntry* MakeCallEntry(CScript& script) {
  const CCode* code = script.Code();
  if (code == nullptr || code->code == nullptr || code->hasConstant) return nullptr;
  const VMBuffer* buffer = code->code;
  if (buffer->stackCheck == 0) Code_CheckBuffer(*buffer);
  ScriptCallEntry entry;
  entry.code = buffer;
  entry.bytes = buffer->data;
  entry.size = uint32_t(buffer->size);
  entry.ops = buffer->ops;
  entry.positions = code->positions;
  entry.source = code->Source();
  entry.name = script.Name();
  entry.uncheckedRoom = buffer->stackCheck > 0 ? intptr_t(buffer->maxDepth) + kInstructionMargin : INTPTR_MAX;
  return &script.SetCallEntry(entry);
}

inline const ScriptCallEntry* CallEntryOf(CScript& script) {
  if (const ScriptCallEntry* entry = script.CallEntry()) return entry;
  return MakeCallEntry(script);
}

// A script call site of decoded code keeps the call entry of the script its id named when the call
// last ran, in the entry of the call's operand word (code that passed the stack check never
// branches there, so that entry never runs; its handler stays generic): value the script table's
// version then, extra and spare the call entry. Any change to the table moves its version on, so
// a site of another version is filled again.
inline const ScriptCallEntry* SiteEntry(const VMOp& site) {
  const ScriptCallEntry* entry;
  std::memcpy(&entry, &site.extra, sizeof entry);
  return entry;
}
__attribute__((noinline)) const ScriptCallEntry* FillSite(VMOp& site, const VMFrame& f, uint32_t idAt) {
  static_assert(offsetof(VMOp, spare) == offsetof(VMOp, extra) + 4 && offsetof(VMOp, extra) % 8 == 0);
  int32_t id = Load<int32_t>(f.entry->bytes + idAt);
  CScript* script = IsScriptFunctionId(id) ? Script_Get(id - kScriptIdBase) : nullptr;
  const ScriptCallEntry* entry = script != nullptr ? script->CallEntry() : nullptr;
  site.value = int32_t(ScriptTable::g_Version);
  std::memcpy(&site.extra, &entry, sizeof entry);
  return entry;
}
// The call entry of the script named by the id at byte idAt of the running code (as linked) for the
// call whose operand word's entry is `site`; null when the id names no script or its entry is not
// made yet.
__attribute__((always_inline)) inline const ScriptCallEntry* SiteCallEntry(const VMOp& site, const VMFrame& f,
                                                                           uint32_t idAt) {
  const ScriptCallEntry* entry = SiteEntry(site);
  if (__builtin_expect(entry == nullptr || uint32_t(site.value) != ScriptTable::g_Version, 0)) {
    return FillSite(const_cast<VMOp&>(site), f, idAt);
  }
  return entry;
}

// Saves the caller's state and argument view in `record` and moves the `kept` arguments at `args`
// into the record's slots, which become the callee's. The slots overlap the arguments, but slot i
// never reaches past argument i (the slots end at or below where the arguments end), so going up
// from slot 0 moves every argument before it is overwritten.
__attribute__((always_inline)) inline void SaveCaller(VMFrame& f, VMCallRecord* record, uint8_t* spAfterArgs) {
  CopyCodeState(&record->caller, &f);
  ArgumentView view = g_ArgumentView;
  view.spare = uint16_t(spAfterArgs - reinterpret_cast<uint8_t*>(record));
  record->callerView = view;
}
__attribute__((always_inline)) inline void EnterCallRecord(VMFrame& f, VMCallRecord* record, uint8_t* args,
                                                           int32_t kept, uint8_t* spAfterArgs) {
  SaveCaller(f, record, spAfterArgs);
  uint8_t* slots = record->slots;
  uint64_t texts = 0;
  for (int32_t i = 0; i < kept; i++) {
    const uint8_t* arg = args + size_t(i) * kValueSize;
    uint64_t a0 = Load<uint64_t>(arg);
    uint64_t a1 = Load<uint64_t>(arg + 8);
    uint64_t a2 = Load<uint64_t>(arg + 16);
    static_assert(offsetof(RValue, text) == 8);
    texts |= a1;
    uint8_t* slot = slots + size_t(i) * kValueSize;
    Store<uint64_t>(slot, a0);
    Store<uint64_t>(slot + 8, a1);
    Store<uint64_t>(slot + 16, a2);
  }
  g_ArgumentView.slots = reinterpret_cast<RValue*>(slots);
  g_ArgumentView.readable = int16_t(kept);
  g_ArgumentView.count = int16_t(kept);
  g_ArgumentView.texts = texts != 0;
}

// A callee that runs checked: it may pop into the guard above its frame (code that passed the stack
// check never reaches it), and it may leave self and other changed, so the record keeps its caller's.
__attribute__((noinline)) void EnterChecked(VMFrame& f, VMCallRecord* record, uint8_t* calleeTop) {
  record->callerSelf = f.self;
  record->callerOther = f.other;
  std::memset(calleeTop, 0, kGuardSize);
  std::memset(TagOf(f, calleeTop), TAG_NONE, kGuardSize / 4);
}

// Whether the callee of `entry` runs unchecked with its frame's top at calleeTop (its deepest stack
// fits).
inline bool CalleeUnchecked(const VMFrame& f, const ScriptCallEntry& entry, const uint8_t* calleeTop) {
  return calleeTop - f.stackBase >= entry.uncheckedRoom;
}
// The callee's running state from its entry; its frame starts at calleeTop. f.pc is the caller's to
// set (the callee starts at 0).
__attribute__((always_inline)) inline uint8_t* EnterCallee(VMFrame& f, const ScriptCallEntry& entry,
                                                           VMCallRecord* record, uint8_t* calleeTop) {
  f.call = record;
  f.entry = &entry;
  f.line = -1;
  f.locals = nullptr;  // taken from the pool when the script first names a local
  f.env = nullptr;
  f.frameTop = calleeTop;
  f.unchecked = CalleeUnchecked(f, entry, calleeTop);
  if (!f.unchecked) EnterChecked(f, record, calleeTop);
  return calleeTop;
}

// CallScript for the cases it hands over: no room (the run is aborted), the trace on, more than
// sixteen arguments.
__attribute__((noinline)) uint8_t* CallScriptGeneral(VMFrame& f, const ScriptCallEntry& entry, uint8_t* args,
                                                     int32_t n) {
  uint8_t* spAfterArgs = args + size_t(n) * kValueSize;
  auto* record = reinterpret_cast<VMCallRecord*>(AlignDown(spAfterArgs - sizeof(VMCallRecord), 16));
  uint8_t* calleeTop = reinterpret_cast<uint8_t*>(record) - kGuardSize;
  if (calleeTop - kInstructionMargin < f.stackBase) {
    FreeArguments(args, n);
    f.sp = spAfterArgs;
    AbortRun(f, "Execution Engine - Stack overflow: script calls nested too deeply");
    return nullptr;
  }
  if (g_Trace) Console::Output("script call = %s\n", entry.name);
  int32_t kept = n < kArgumentSlots ? n : kArgumentSlots;
  if (n > kept) {
    // Only sixteen are kept; they are moved up against the end so that they lie where the record's
    // slots are, above its other fields.
    FreeArguments(args + size_t(kept) * kValueSize, n - kept);
    uint8_t* top = spAfterArgs - size_t(kept) * kValueSize;
    std::memmove(top, args, size_t(kept) * kValueSize);
    args = top;
  }
  EnterCallRecord(f, record, args, kept, spAfterArgs);
  return EnterCallee(f, entry, record, calleeTop);
}

// Starts the script of `entry` for a call with `n` arguments at `args`. Returns the callee's stack
// pointer, or null when the stack has no room (the run is aborted). Inline in its two callers.
__attribute__((always_inline)) inline uint8_t* CallScript(VMFrame& f, const ScriptCallEntry& entry, uint8_t* args,
                                                          int32_t n) {
  uint8_t* spAfterArgs = args + size_t(n) * kValueSize;
  auto* record = reinterpret_cast<VMCallRecord*>(AlignDown(spAfterArgs - sizeof(VMCallRecord), 16));
  uint8_t* calleeTop = reinterpret_cast<uint8_t*>(record) - kGuardSize;
  if (__builtin_expect(calleeTop - kInstructionMargin < f.stackBase || g_Trace || n > kArgumentSlots, 0)) {
    return CallScriptGeneral(f, entry, args, n);
  }
  EnterCallRecord(f, record, args, n, spAfterArgs);
  return EnterCallee(f, entry, record, calleeTop);
}

// CallScript for one argument, a real not pushed yet: it goes straight into the callee's first slot.
// Returns null, with nothing changed, for the cases CallScript hands over (the caller then pushes
// the argument and runs the call the general way).
__attribute__((always_inline)) inline uint8_t* CallScriptWithReal(VMFrame& f, const ScriptCallEntry& entry,
                                                                  uint8_t* spAfterArg, double value) {
  auto* record = reinterpret_cast<VMCallRecord*>(AlignDown(spAfterArg - sizeof(VMCallRecord), 16));
  uint8_t* calleeTop = reinterpret_cast<uint8_t*>(record) - kGuardSize;
  if (__builtin_expect(calleeTop - kInstructionMargin < f.stackBase || g_Trace, 0)) return nullptr;
  SaveCaller(f, record, spAfterArg);
  uint8_t* slot = record->slots;
  PutReal(slot, value);
  g_ArgumentView = ArgumentView{reinterpret_cast<RValue*>(slot), 1, 1, 0, 0};
  return EnterCallee(f, entry, record, calleeTop);
}

// The call instruction (its type is int). Returns the new stack pointer (null when the run was
// aborted).
uint8_t* DoCall(VMFrame& f, uint8_t* sp, uint32_t word) {
  int32_t n = Immediate(word);
  int32_t id = Load<int32_t>(f.entry->bytes + f.instrPc + 4);
  // The stack check made sure the arguments are there and are values.
  if (!f.unchecked) {
    if (int64_t(n) * kValueSize > f.frameTop - sp) {
      f.sp = f.frameTop;
      AbortRun(f, "Execution Engine - Stack underflow: call with more arguments than the stack holds");
      return nullptr;
    }
    for (int32_t i = 0; i < n; i++) {
      if (!Owns(f, sp + size_t(i) * kValueSize, TYPE_VARIABLE)) {
        f.sp = sp;
        return nullptr;
      }
    }
  }
  uint8_t* args = sp;
  uint8_t* spAfterArgs = sp + size_t(n) * kValueSize;

  if (IsScriptFunctionId(id)) {
    CScript* script = Script_Get(id - kScriptIdBase);
    if (script != nullptr) {
      if (const ScriptCallEntry* entry = CallEntryOf(*script)) {
        uint8_t* calleeSp = CallScript(f, *entry, args, n);
        f.pc = 0;
        return calleeSp;
      }
    }
    if (g_Trace) Console::Output("script call = %s\n", Script_Name(id - kScriptIdBase));
    FreeArguments(args, n);
    sp = spAfterArgs - kValueSize;
    RValue value;
    if (script && script->Code() && script->Code()->hasConstant) value = script->Code()->constant;
    PutValue(sp, std::move(value));
    TagItem(f, sp, TYPE_VARIABLE);
    return sp;
  }

  // Built-in and extension functions read their arguments as RValues, which need 8-byte alignment;
  // the stack packs 4-byte items, so misaligned arguments are moved down first.
  if (n > 0 && (reinterpret_cast<uintptr_t>(args) & (alignof(RValue) - 1)) != 0) {
    uint8_t* aligned = AlignDown(args - alignof(RValue), alignof(RValue));
    if (aligned - kInstructionMargin < f.stackBase) {
      FreeArguments(args, n);
      f.sp = spAfterArgs;
      AbortRun(f, "Execution Engine - Stack overflow: script calls nested too deeply");
      return nullptr;
    }
    std::memmove(aligned, args, size_t(n) * kValueSize);
    args = aligned;
  }
  RValue result;
  RValue* argv = reinterpret_cast<RValue*>(args);
  VMFrame* saved = g_CurrentFrame;
  if (IsExtensionFunctionId(id)) {
    if (g_ExtensionCall) g_ExtensionCall(id - kExtensionIdBase, f.self, f.other, n, argv, result);
  } else {
    if (g_Trace) {
      const char* name = FunctionName(id);
      Console::Output("func call = %s\n", name ? name : "<unknown function>");
    }
    if (g_SourceInterpreter) {
      if (FunctionRecord* record = FunctionAt(id)) record->callCount++;
    }
    CallFunction(id, result, f.self, f.other, n, argv);
  }
  g_CurrentFrame = saved;
  FreeArguments(args, n);
  sp = spAfterArgs - kValueSize;
  PutValue(sp, std::move(result));
  TagItem(f, sp, TYPE_VARIABLE);
  return sp;
}

// The popz.v after a built-in call: its result goes as a value item would.
inline void DropResult(RValue& result) {
  if (result.kind == VALUE_STRING) MemFree(result.text);
  result.text = nullptr;
}

// Calls built-in `id` with the `n` values at `args` (8-byte aligned) as arguments and self, other of
// `f`; g_CurrentFrame is kept and texts among the arguments are freed after it.
__attribute__((always_inline)) inline void RunBuiltin(VMFrame& f, int32_t id, int32_t n, uint8_t* args, RValue& result) {
  VMFrame* saved = g_CurrentFrame;
  g_Functions[id].routine(result, f.self, f.other, n, reinterpret_cast<RValue*>(args));
  g_CurrentFrame = saved;
  for (int32_t i = 0; i < n; i++) {
    const uint8_t* arg = args + size_t(i) * kValueSize;
    if (Load<int32_t>(arg + offsetof(RValue, kind)) == VALUE_STRING) MemFree(Load<char*>(arg + offsetof(RValue, text)));
  }
}

// The built-in call of DoCall without its trace line, call count and alignment move, for the
// decoded call at f.instrPc with `n` arguments at `args`: null (nothing done) when the call needs
// the general way (trace or call counts on, arguments not 8-byte aligned, an id outside the
// registry). Otherwise the routine sees self, other and the arguments in place, g_CurrentFrame is
// kept, texts among the arguments are freed after it, and its result takes the place of the
// arguments (or is freed, for an entry that covers a popz.v after the call); sets f.pc after the
// call (and popz.v) and returns the new stack pointer. The id is read from the code when the call runs:
// loading links the ids into the code after the code was checked and decoded. A script's id turns
// the call's entry `op` into a script call for the runs to come (a site's id does not change once
// its code has run).
__attribute__((noinline)) uint8_t* CallBuiltin(VMFrame& f, uint8_t* args, VMOp* op) {
  int32_t id = Load<int32_t>(f.entry->bytes + f.instrPc + 4);
  if (g_CallHooks || (reinterpret_cast<uintptr_t>(args) & (alignof(RValue) - 1)) != 0 ||
      unsigned(id) >= unsigned(g_FunctionCount)) {
    if (IsScriptFunctionId(id)) op->handler = VMH_call;
    return nullptr;
  }
  const int32_t n = op->extra;
  const bool popz = (op->spare & kCallGroupPopz) != 0;
  const uint32_t next = f.instrPc + 8;
  f.pc = next;
  RValue result;
  RunBuiltin(f, id, n, args, result);
  if (popz) {
    DropResult(result);
    f.pc = next + 4;
    return args + ptrdiff_t(n) * kValueSize;
  }
  f.pc = next;
  uint8_t* sp = args + (ptrdiff_t(n) - 1) * kValueSize;  // below args when there are none
  PutValue(sp, std::move(result));
  return sp;
}

// The item of `type` at `sp` as a value (moved out of the stack).
RValue TakeAsValue(int type, uint8_t* sp) {
  if (type == TYPE_VARIABLE) return TakeValue(sp);
  if (!IsItemType(type)) return RValue();
  uint8_t tmp[sizeof(RValue)];
  if (ConvertItem(VMType(type), sp, VM_VARIABLE, tmp) != ValueError::None) return RValue();
  return TakeValue(tmp);
}

// ---- Variables -----------------------------------------------------------------------------------

// Pushes a copy of `value` below sp; returns the new stack pointer.
__attribute__((always_inline)) inline uint8_t* PushCopy(uint8_t* sp, const RValue* value) {
  uint8_t* p = sp - kValueSize;
  Store<int32_t>(p + offsetof(RValue, kind), value->kind);
  Store<char*>(p + offsetof(RValue, text), value->text ? MemDupString(value->text) : nullptr);
  Store<double>(p + offsetof(RValue, real), value->real);
  return p;
}

// The node of `id` in `list`, or null (CVariableList::Find, always inline in the handlers).
__attribute__((always_inline)) inline RVariable* FindNode(const CVariableList* list, int32_t id) {
  for (RVariable* n = list->Bucket(CVariableList::BucketOf(id)); n != nullptr; n = n->bucketNext) {
    if (n->id == id) return n;
  }
  return nullptr;
}

// The list a decoded variable names: `handler` is its push handler (Code_Decode.h); null when the
// access needs the general routing.
__attribute__((always_inline)) inline CVariableList* DecodedList(VMFrame& f, int handler, int32_t id) {
  if (handler == VMH_push_local) return f.locals;
  if (handler == VMH_push_plain) {
    if (Variable_IsGlobalVar(id)) return g_pGlobalVariables;
    return f.self != nullptr ? &f.self->variables : nullptr;
  }
  if (handler == VMH_push_self) return f.self != nullptr ? &f.self->variables : nullptr;
  return g_pGlobalVariables;
}

// The built-in call group of Code_Decode.h at `pc` (its first push.v), of K variables of the list
// kind Kind and Extra (0 or 1) more arguments on the stack at `sp`, with the tail Tail (0 none or
// popz.v, 1 pop.v.v, 2 add.v.v and pop.v.v, 3 pop.v.v and the test of the popped variable after
// it, the popped variable of the same list): the call
// through the function's direct form, its arguments read where they are. Null (nothing done) when
// the first push must run alone: trace or call counts on, a variable missing or its list unknown,
// the stack argument not 8-byte aligned, the direct form declining. An id without a direct form (a
// script, an extension or a built-in without one) turns the entry back into its push for good.
// Otherwise frees the stack argument, runs the tail (one that cannot run leaves the result on the
// stack and the tail to its entries), sets f.pc after what ran and returns the new stack pointer.
template <int Kind, int K, int Extra, int Tail>
__attribute__((noinline)) uint8_t* CallBuiltinGroup(VMFrame& f, uint8_t* sp, VMOp* op, uint32_t pc) {
  constexpr int kPush = VMH_push_local + Kind * (VMH_push_self - VMH_push_local);
  const uint8_t* code = f.entry->bytes;
  int32_t id = Load<int32_t>(code + pc + 8 * uint32_t(K) + 4);
  if (unsigned(id) >= unsigned(g_FunctionCount) || g_Functions[id].direct == nullptr) {
    op->handler = kPush;
    return nullptr;
  }
  if (g_CallHooks || (Extra != 0 && (reinterpret_cast<uintptr_t>(sp) & (alignof(RValue) - 1)) != 0)) return nullptr;
  // Argument 0 is the last push.
  const RValue* args[K + Extra];
#pragma GCC unroll 8
  for (int j = 0; j < K; j++) {
    int32_t var = j == 0 ? op->value : RefId(Load<uint32_t>(code + pc + 8 * uint32_t(j) + 4));
    CVariableList* list = DecodedList(f, kPush, var);
    if (list == nullptr) return nullptr;
    RVariable* node = FindNode(list, var);
    if (node == nullptr) return nullptr;
    args[K - 1 - j] = &node->value;
  }
  if constexpr (Extra != 0) args[K] = reinterpret_cast<const RValue*>(sp);
  RValue result;
  if (!g_Functions[id].direct(result, K + Extra, args)) return nullptr;
  if constexpr (Extra != 0) {
    if (args[K]->kind == VALUE_STRING) MemFree(args[K]->text);
  }
  uint8_t* top = sp + ptrdiff_t(Extra) * kValueSize;
  const uint32_t after = pc + 8 * uint32_t(K) + 8;  // the instruction after the call
  if constexpr (Tail == 0) {
    if (op->spare & kCallGroupPopz) {
      DropResult(result);
      f.pc = after + 4;
      return top;
    }
  } else {
    // pop.v.v Y, or add.v.v and pop.v.v Y of two reals: the value under the arguments plus the result.
    constexpr uint32_t kPop = Tail == 2 ? 4 : 0;
    if (Tail != 2 || (result.kind == VALUE_REAL && Load<int32_t>(top + offsetof(RValue, kind)) == VALUE_REAL)) {
      int32_t var = RefId(Load<uint32_t>(code + after + kPop + 4));
      CVariableList* list = DecodedList(f, kPush, var);
      if (list != nullptr) {
        RVariable* node = FindNode(list, var);
        if (node == nullptr) node = list->FindOrCreate(var);
        if constexpr (Tail == 2) {
          node->value.SetReal(Load<double>(top + offsetof(RValue, real)) + result.real);
          top += kValueSize;
        } else {
          // The result moves into Y (a fresh value: never Y itself); Y's old text goes.
          char* old = node->value.text;
          node->value.kind = result.kind;
          node->value.text = std::exchange(result.text, nullptr);
          node->value.real = result.real;
          if (old != nullptr) MemFree(old);
        }
        f.pc = after + kPop + 8;
        if constexpr (Tail == 3) {
          // The test of Y after the pop, on a real.
          if (node->value.kind == VALUE_REAL) {
            const VMOp* test = op + (after + 8 - pc) / 4;
            bool holds = CompareReal(node->value.real, double(test->extra), CompareOp(test->slot >> 8));
            f.pc = holds ? after + 8 + (test->handler == VMH_compare_k_bf ? 20 : 24) : uint32_t(test->spare);
          }
        }
        return top;
      }
    }
  }
  f.pc = after;
  PutValue(top - kValueSize, std::move(result));
  return top - kValueSize;
}

using CallGroupRoutine = uint8_t* (*)(VMFrame&, uint8_t*, VMOp*, uint32_t);
// The call group routine of each entry's slot: K | Extra << 3 | Kind << 4 | Tail << 6.
template <size_t I>
constexpr CallGroupRoutine CallGroupAt() {
  constexpr int k = int(I & 7), extra = int(I >> 3) & 1, kind = int(I >> 4) & 3, tail = int(I >> 6);
  if constexpr (k >= 1 && k <= kCallGroupPushes) {
    return CallBuiltinGroup<kind, k, extra, tail>;
  } else {
    return nullptr;
  }
}
template <size_t... I>
constexpr std::array<CallGroupRoutine, sizeof...(I)> CallGroups(std::index_sequence<I...>) {
  return {CallGroupAt<I>()...};
}
constexpr std::array<CallGroupRoutine, 256> kCallGroups = CallGroups(std::make_index_sequence<256>());

// X op K and X op Y of the update groups (Code_Decode.h).
__attribute__((always_inline)) inline double Update(int opcode, double l, double r) {
  return opcode == OP_ADD ? l + r : opcode == OP_SUB ? l - r : l * r;
}

// X op K of the push_op_k and op_k groups (Code_Decode.h): K is not 0 for div and mod.
__attribute__((always_inline)) inline double ArithmeticByConstant(int opcode, double l, int32_t k) {
  switch (opcode) {
    case OP_ADD: return l + double(k);
    case OP_SUB: return l - double(k);
    case OP_MUL: return l * double(k);
    case OP_DIV: return l / double(k);
    default: return RealModByInt(l, k);
  }
}

// Moves the value item at p into `target`; target's old text goes.
__attribute__((always_inline)) inline void StoreValue(RValue& target, const uint8_t* p) {
  char* old = target.text;
  target.kind = Load<int32_t>(p + offsetof(RValue, kind));
  target.text = Load<char*>(p + offsetof(RValue, text));
  target.real = Load<double>(p + offsetof(RValue, real));
  if (old != nullptr) MemFree(old);
}

// i * 32000 + j of two variables holding reals (the index2 group), pushed below sp as conv.v.i,
// mul.i.i and add.i.i give it; the new sp, or null when the group must run instruction by instruction.
__attribute__((noinline)) uint8_t* PushIndex2(VMFrame& f, uint8_t* sp, const VMOp* op) {
  CVariableList* listX = DecodedList(f, op->slot, op->value);
  CVariableList* listY = DecodedList(f, op->spare, op->extra);
  if (listX == nullptr || listY == nullptr) return nullptr;
  RVariable* x = FindNode(listX, op->value);
  RVariable* y = FindNode(listY, op->extra);
  if (x == nullptr || y == nullptr || x->value.kind != VALUE_REAL || y->value.kind != VALUE_REAL) return nullptr;
  uint32_t index = uint32_t(RealToInt(x->value.real)) * uint32_t(kArrayRowStride) + uint32_t(RealToInt(y->value.real));
  sp -= 4;
  Store<int32_t>(sp, int32_t(index));
  return sp;
}

// The pop_compare_k_bf group at pc (op): a real at sp stored into a variable that exists without a
// text, then the test of the entry after the pop on it. The pc its branch goes to, or UINT32_MAX
// when the group must run instruction by instruction (nothing stored then).
__attribute__((noinline)) uint32_t PopAndTest(VMFrame& f, const uint8_t* sp, const VMOp* op, uint32_t pc) {
  if (Load<int32_t>(sp + offsetof(RValue, kind)) != VALUE_REAL) return UINT32_MAX;
  CVariableList* list = DecodedList(f, op->slot, op->value);
  RVariable* node = list != nullptr ? FindNode(list, op->value) : nullptr;
  if (node == nullptr || node->value.text != nullptr) return UINT32_MAX;
  double x = Load<double>(sp + offsetof(RValue, real));
  node->value.kind = VALUE_REAL;
  node->value.real = x;
  const VMOp* test = op + 2;
  bool result = CompareReal(x, double(test->extra), CompareOp(test->slot >> 8));
  return result ? pc + 8 + (test->handler == VMH_compare_k_bf ? 20 : 24) : uint32_t(test->spare);
}

// The push_op_k_pop group at op (operators Op1 and Op2): X op K op K2 stored into Y, when X holds
// a real and Y exists without a text. The group's length, or 0 when it must run instruction by
// instruction (nothing stored then).
template <int Op1, int Op2>
__attribute__((noinline)) uint32_t ArithmeticStore(VMFrame& f, const VMOp* op) {
  CVariableList* listX = DecodedList(f, op->slot, op->value);
  RVariable* x = listX != nullptr ? FindNode(listX, op->value) : nullptr;
  if (x == nullptr || x->value.kind != VALUE_REAL) return 0;
  const uint32_t first = uint32_t(op->spare) >> 16;
  const VMOp* store = op + first / 4;
  RVariable* y = x;
  if (store->value != op->value || store->slot != op->slot) {
    CVariableList* listY = DecodedList(f, store->slot, store->value);
    y = listY != nullptr ? FindNode(listY, store->value) : nullptr;
  }
  if (y == nullptr || y->value.text != nullptr) return 0;
  double v = ArithmeticByConstant(Op1, x->value.real, op->extra);
  y->value.kind = VALUE_REAL;
  y->value.real = ArithmeticByConstant(Op2, v, store->extra);
  return first + (uint32_t(store->spare) >> 8);
}

using ArithmeticStoreRoutine = uint32_t (*)(VMFrame&, const VMOp*);
uint32_t NoArithmeticStore(VMFrame&, const VMOp*) { return 0; }
template <size_t... I>
constexpr std::array<ArithmeticStoreRoutine, sizeof...(I)> ArithmeticStores(std::index_sequence<I...>) {
  return {(I < 36 ? ArithmeticStore<OP_MUL + int(I / 6) % 6, OP_MUL + int(I % 6)> : NoArithmeticStore)...};
}
// The routine of each pair of operators (Code_Decode.h); the decoder makes no index past 35.
constexpr std::array<ArithmeticStoreRoutine, 64> kArithmeticStores = ArithmeticStores(std::make_index_sequence<64>());
__attribute__((noinline)) uint32_t ArithmeticStoreOf(VMFrame& f, const VMOp* op) {
  return kArithmeticStores[(op->spare >> 8) & 63](f, op);
}

// The running code's local list. A script call starts without one (most scripts have no locals);
// the pool hands it over at the first access. Calls nest, so the pool is still taken in order.
inline CVariableList* Locals(VMFrame& f) {
  if (__builtin_expect(f.locals == nullptr, 0)) f.locals = PoolTake();
  return f.locals;
}

struct DecodedRef {
  int32_t id;
  int32_t index;
  int32_t selector;
};

uint8_t* DecodeReference(uint8_t* sp, uint32_t word, uint32_t ref, DecodedRef& d) {
  d.id = RefId(ref);
  d.index = 0;
  if ((ref & kRefNoIndex) == 0) {
    d.index = Load<int32_t>(sp);
    sp += 4;
  }
  if (ref & kRefImmediateSel) {
    // An instance id is kept as id - 100000 in the 16 bits, so it is read unsigned.
    d.selector = (ref & kRefInstanceBias) ? int32_t(Immediate(word)) : int32_t(SignedImmediate(word));
  } else {
    d.selector = Load<int32_t>(sp);
    sp += 4;
  }
  if (ref & kRefInstanceBias) d.selector = int32_t(uint32_t(d.selector) + uint32_t(kInstanceIdBase));
  return sp;
}

// The list holding a user variable whose selector is in the instruction (the form of almost every
// access to locals, self and globals), or null when the access needs the general routing
// (other instances, objects, a computed selector, a missing self).
inline CVariableList* UserList(VMFrame& f, int32_t selector, int32_t id) {
  // Tests in the order of how often code uses the selectors.
  if (selector == SELECTOR_PLAIN) {
    if (Variable_IsGlobalVar(id)) return g_pGlobalVariables;
    return f.self != nullptr ? &f.self->variables : nullptr;
  }
  if (selector == SELECTOR_LOCAL) return Locals(f);
  if (selector == SELECTOR_SELF) return f.self != nullptr ? &f.self->variables : nullptr;
  if (selector == SELECTOR_GLOBAL) return g_pGlobalVariables;
  return nullptr;
}

inline bool IsDirectReference(uint32_t ref) {
  return (ref & (kRefImmediateSel | kRefInstanceBias)) == kRefImmediateSel;
}

// push.v of an existing variable or element, or of a built-in variable of self, without the
// general routing; false when the access needs it (which also reports missing variables and
// indexes out of range).
inline bool FastPushVariable(VMFrame& f, uint8_t*& sp, uint32_t word, const uint8_t* operand) {
  uint32_t ref = Load<uint32_t>(operand);
  if (!IsDirectReference(ref)) return false;
  int32_t id = RefId(ref);
  int32_t selector = SignedImmediate(word);
  uint8_t* p = sp;
  int32_t index = 0;
  if ((ref & kRefNoIndex) == 0) {
    index = Load<int32_t>(p);
    p += 4;
  }
  p -= kValueSize;
  const RValue* value;
  if (id < kBuiltInVariableLimit) {
    if ((selector != SELECTOR_SELF && selector != SELECTOR_PLAIN) || f.self == nullptr) return false;
    if (uint32_t(id - kArgument0Id) < uint32_t(kArgumentSlots)) {
      value = &ArgumentValue(id - kArgument0Id);  // argument0 .. argument15, whatever the index
    } else {
      RValue builtIn;
      if (!GetBuiltIn(f.self, id, index, &builtIn)) return false;
      PutValue(p, std::move(builtIn));
      TagItem(f, p, TYPE_VARIABLE);
      sp = p;
      return true;
    }
  } else {
    CVariableList* list = UserList(f, selector, id);
    RVariable* node = list != nullptr ? list->Find(id) : nullptr;
    if (node == nullptr) return false;
    value = index == 0 ? &node->value : node->Element(index);
    if (value == nullptr) return false;
  }
  {
    Store<int32_t>(p + offsetof(RValue, kind), value->kind);
    Store<char*>(p + offsetof(RValue, text), value->text ? MemDupString(value->text) : nullptr);
    Store<double>(p + offsetof(RValue, real), value->real);
  }
  TagItem(f, p, TYPE_VARIABLE);
  sp = p;
  return true;
}

// pop.v of a number or value without the general routing; false when the access needs it.
inline bool FastPopVariable(VMFrame& f, uint8_t*& sp, uint32_t word, const uint8_t* operand) {
  uint32_t ref = Load<uint32_t>(operand);
  if (!IsDirectReference(ref) || RefId(ref) < kBuiltInVariableLimit) return false;
  CVariableList* list = UserList(f, SignedImmediate(word), RefId(ref));
  if (list == nullptr) return false;
  uint8_t* p = sp;
  int32_t index = 0;
  if ((ref & kRefNoIndex) == 0) {
    index = Load<int32_t>(p);
    if (index < 0) return false;  // out of range: the general routine reports it
    p += 4;
  }
  int t = Type2(word);
  int32_t kind = VALUE_REAL;
  char* text = nullptr;
  double real;
  if (t == TYPE_VARIABLE) {
    if (!IsTagged(f, p, TYPE_VARIABLE)) return false;
    kind = Load<int32_t>(p + offsetof(RValue, kind));
    text = Load<char*>(p + offsetof(RValue, text));
    real = Load<double>(p + offsetof(RValue, real));
  } else {
    int32_t i;
    bool isInt;
    if (!FastNumber(f, t, p, &real, &i, &isInt)) return false;
  }
  sp = p + kWidth[t];
  if (index == 0) {
    // The item's text moves into the variable; the variable's old text goes.
    RValue& target = list->FindOrCreate(RefId(ref))->value;
    char* old = target.text;
    target.kind = kind;
    target.text = text;
    target.real = real;
    if (old != nullptr) MemFree(old);
  } else {
    RValue value;
    value.kind = kind;
    value.text = text;
    value.real = real;
    list->Set(RefId(ref), index, std::move(value));
  }
  return true;
}

uint8_t* DoPushVariable(VMFrame& f, uint8_t* sp, uint32_t word) {
  uint32_t ref = Load<uint32_t>(f.entry->bytes + f.instrPc + 4);
  DecodedRef d;
  sp = DecodeReference(sp, word, ref, d);
  RValue value;
  VariableScope scope{f.self, f.other, Locals(f)};
  Variable_SetOutOfRange(false);
  if (!Variable_GetValue(scope, d.selector, d.id, d.index, &value)) {
    value.Reset();
    if (Variable_OutOfRange()) {
      RaiseError(f, "Push :: Execution Error - Variable Index out of range %s", Variable_GetName(d.id));
    } else {
      RaiseError(f, "Push :: Execution Error - Variable Get %s", Variable_GetName(d.id));
    }
  }
  sp -= kValueSize;
  PutValue(sp, std::move(value));
  TagItem(f, sp, TYPE_VARIABLE);
  return sp;
}

uint8_t* DoPop(VMFrame& f, uint8_t* sp, uint32_t word) {
  if (Type1(word) != TYPE_VARIABLE) {
    RaiseError(f, "%s", "Pop :: Execution Error - Instruction malformed");
    return sp;
  }
  uint32_t ref = Load<uint32_t>(f.entry->bytes + f.instrPc + 4);
  DecodedRef d;
  uint8_t* start = sp;
  sp = DecodeReference(sp, word, ref, d);
  RValue value;
  int t = Type2(word);
  if (!Owns(f, sp, t)) return start;
  switch (t) {
    case TYPE_DOUBLE: value.real = Load<double>(sp); break;
    case TYPE_INT: value.real = double(Load<int32_t>(sp)); break;
    case TYPE_LONG: value.real = double(Load<int64_t>(sp)); break;
    case TYPE_BOOL: value.real = (Load<int32_t>(sp) & 0xFF) ? 1.0 : 0.0; break;
    case TYPE_VARIABLE: value = TakeValue(sp); break;
    case TYPE_STRING: value.AdoptText(Load<char*>(sp)); break;
    default:
      sp += kWidth[t];
      RaiseError(f, "%s", "Pop :: Execution Engine");
      return sp;
  }
  sp += kWidth[t];
  VariableScope scope{f.self, f.other, Locals(f)};
  Variable_SetOutOfRange(false);
  bool ok = Variable_SetValue(scope, d.selector, d.id, d.index, value);
  if (!ok || Variable_OutOfRange()) {
    if (Variable_OutOfRange()) {
      RaiseError(f, "Pop :: Execution Error - Variable index out of range %s", Variable_GetName(d.id));
    } else {
      RaiseError(f, "Pop :: Execution Error - Variable set problem %s", Variable_GetName(d.id));
    }
  }
  return sp;
}

void CheckBreakpoints(VMFrame& f) {
  const ScriptCallEntry& e = *f.entry;
  int32_t line = LineOf(e.positions, e.source, f.instrPc);
  if (line == f.line) return;
  f.line = line;
  for (int i = 0; i < g_BreakpointCount; i++) {
    const Breakpoint& b = g_Breakpoints[i];
    if (b.enabled && b.line == line && e.name && std::strcmp(b.name, e.name) == 0) {
      Console::Output("Breakpoint hit: %s (line %d)\n", e.name, line);
    }
  }
}

// ---- The instruction loop ------------------------------------------------------------------------

// Numeric operand pairs whose arithmetic and comparisons get their own handlers (left, right).
#define VM_NUMBER_PAIRS(X)                                                                        \
  X(TYPE_VARIABLE, TYPE_VARIABLE, vv) X(TYPE_INT, TYPE_VARIABLE, iv) X(TYPE_VARIABLE, TYPE_INT, vi) \
  X(TYPE_DOUBLE, TYPE_VARIABLE, dv) X(TYPE_VARIABLE, TYPE_DOUBLE, vd) X(TYPE_INT, TYPE_INT, ii)    \
  X(TYPE_DOUBLE, TYPE_DOUBLE, dd) X(TYPE_INT, TYPE_DOUBLE, id) X(TYPE_DOUBLE, TYPE_INT, di)

// Runs the frame until the code ends at depth 0. Returns true when a ret at depth 0 left a value
// (moved into *value).
//
// Dispatch goes through a table indexed by the instruction word's top 16 bits (opcode and both
// types): the common forms (pushes, pops, numeric arithmetic and comparisons, branches, calls)
// have handlers that know their types and length; every other word goes to the general decoder
// and the per-opcode handlers.
bool Interpret(VMFrame& f, uint8_t* sp, RValue* value) {
  static void* table[256];
  static void* fast[65536];
  static bool ready = false;
  if (!ready) {
    for (auto& entry : table) entry = &&op_nop;
    table[OP_CONV] = &&op_conv;
    for (uint8_t op : {OP_MUL, OP_DIV, OP_REM, OP_MOD, OP_ADD, OP_SUB, OP_AND, OP_OR, OP_XOR, OP_SHL, OP_SHR}) {
      table[op] = &&op_binary;
    }
    table[OP_NEG] = &&op_unary;
    table[OP_NOT] = &&op_unary;
    for (uint8_t op : {OP_SLT, OP_SLE, OP_SEQ, OP_SNE, OP_SGE, OP_SGT}) table[op] = &&op_compare;
    table[OP_POP] = &&op_pop;
    table[OP_DUP] = &&op_dup;
    table[OP_RET] = &&op_ret;
    table[OP_EXIT] = &&op_exit;
    table[OP_POPZ] = &&op_popz;
    table[OP_PUSHENV] = &&op_pushenv;
    table[OP_POPENV] = &&op_popenv;
    table[OP_PUSH] = &&op_push;
    table[OP_CALL] = &&op_call;

    for (auto& entry : fast) entry = &&op_decode;
    auto at = [](uint8_t op, int tl, int tr) { return (size_t(op) << 8) | (size_t(tl) << 4) | size_t(tr); };
    for (int t2 = 0; t2 < 16; t2++) {
      fast[at(OP_PUSH, t2, TYPE_VARIABLE)] = &&op_push_variable;
      fast[at(OP_PUSH, t2, TYPE_IMM16)] = &&op_push_imm16;
      fast[at(OP_PUSH, t2, TYPE_INT)] = &&op_push_int;
      fast[at(OP_PUSH, t2, TYPE_DOUBLE)] = &&op_push_double;
      fast[at(OP_POP, t2, TYPE_VARIABLE)] = &&op_pop_variable;
      fast[at(OP_CALL, t2, TYPE_INT)] = &&op_call_fixed;
    }
    fast[at(OP_CONV, TYPE_INT, TYPE_VARIABLE)] = &&op_conv_variable_int;
    fast[at(OP_CONV, TYPE_VARIABLE, TYPE_INT)] = &&op_conv_int_variable;
    for (int low = 0; low < 256; low++) {
      fast[(size_t(OP_B) << 8) | size_t(low)] = &&op_b;
      fast[(size_t(OP_BT) << 8) | size_t(low)] = &&op_bt;
      fast[(size_t(OP_BF) << 8) | size_t(low)] = &&op_bf;
    }
#define VM_FILL_PAIR(TL, TR, NAME)                                                               \
    for (uint8_t op : {OP_ADD, OP_SUB, OP_MUL, OP_DIV, OP_MOD}) fast[at(op, TL, TR)] = &&op_arithmetic_##NAME; \
    for (uint8_t op : {OP_SLT, OP_SLE, OP_SEQ, OP_SNE, OP_SGE, OP_SGT}) fast[at(op, TL, TR)] = &&op_compare_##NAME;
    VM_NUMBER_PAIRS(VM_FILL_PAIR)
#undef VM_FILL_PAIR
    ready = true;
  }
  // Handlers of decoded code (Code_Decode.h), in the order of VMHandler.
  static void* const decoded[VMH_count] = {
#define X(name) &&u_##name,
      CODE_SIMPLE_HANDLERS(X)
#undef X
#define X_(name) &&u_##name,
#define X(kind) CODE_KIND_HANDLER_NAMES_(kind)
      CODE_VARIABLE_KINDS(X)
#undef X
#undef X_
#define X(OP, NAME, TL, TR, PAIR) &&u_##NAME##_##PAIR,
      CODE_ARITHMETIC_OPS(CODE_NUMBER_PAIRS, X)
      CODE_COMPARE_OPS(CODE_NUMBER_PAIRS, X)
#undef X
#define X(OP, NAME, TL, TR, PAIR) &&u_branch_##PAIR,
      CODE_NUMBER_PAIRS(X, 0, branch)
#undef X
#define X(name) &&u_##name,
      CODE_GROUP_HANDLERS(X)
#undef X
  };
  // With breakpoints set, every word first goes to the breakpoint check, which then dispatches
  // through `fast`. The table for that is made the first time breakpoints are used.
  static void** checked = nullptr;
  void* const* dispatch = fast;
  if (g_BreakpointCount > 0) {
    if (checked == nullptr) {
      checked = static_cast<void**>(MemAlloc(sizeof(void*) * 65536));
      for (int i = 0; i < 65536; i++) checked[i] = &&op_breakpoint;
    }
    dispatch = checked;
  }

  uint32_t word = 0;
  const uint8_t* operand = nullptr;
  uint8_t* stackLimit = f.stackBase + kInstructionMargin;
  // The running code's position and bytes live in registers; f.pc is written back before anything
  // that reads it (a call, leaving the loop) and read again after anything that moves it (a call or
  // a return switches code). f.instrPc is stored at every instruction: error reports read it.
  uint32_t pc = f.pc;
  const uint8_t* codeBytes = f.entry->bytes;
  uint8_t* frameTop = f.frameTop;
  bool unchecked = f.unchecked;
  // Unchecked code runs from its decoded form, except while breakpoints are set (their check goes
  // by the instruction words).
  const bool decodes = g_BreakpointCount == 0;
  const VMOp* ops = unchecked && decodes ? f.entry->ops : nullptr;
  const VMOp* op = nullptr;

// NEXT checks whether the instruction ended the run; NEXT_FAST follows the paths that cannot.
#define NEXT() goto next
#define NEXT_FAST() goto next_fast
#define BRANCH_TARGET() uint32_t(int64_t(f.instrPc) + 4 * int64_t(BranchOffset(word)))
// The running code's state in registers, from `state` (f, or the call record a return restored f
// from). `decoding` is `decodes`, or true in the decoded handlers, which run only when it is.
#define RELOAD_CODE_FROM(state, decoding)                     \
  do {                                                        \
    const VMCodeState& reloaded = (state);                    \
    pc = reloaded.pc;                                         \
    codeBytes = reloaded.entry->bytes;                        \
    frameTop = reloaded.frameTop;                             \
    unchecked = reloaded.unchecked;                           \
    ops = unchecked && (decoding) ? reloaded.entry->ops : nullptr; \
  } while (0)
#define RELOAD_CODE() RELOAD_CODE_FROM(f, decodes)
// A decoded call's callee starts: its registers from its entry and f (EnterCallee has set
// f.unchecked), its frame's top at sp.
#define ENTER_CALLEE_CODE(entry)                                 \
  do {                                                           \
    pc = 0;                                                      \
    codeBytes = (entry)->bytes;                                  \
    frameTop = sp;                                               \
    unchecked = f.unchecked;                                     \
    ops = unchecked ? (entry)->ops : nullptr;                    \
    NEXT_FAST();                                                 \
  } while (0)
// A decoded return: the innermost record popped, the caller's registers read from it (reading the
// record does not wait for the copy into f); sp is then where the caller's result goes.
#define RETURN_TO_CALLER()                              \
  do {                                                  \
    const VMCallRecord* returning = f.call;             \
    sp = ReturnFromScriptInline(f, sp, true);           \
    RELOAD_CODE_FROM(returning->caller, true);          \
  } while (0)
// A handler of an instruction `length` bytes long (word and operand): the whole of it must lie
// inside the code.
#define TAKE_LENGTH(length)                                                        \
  do {                                                                             \
    if (__builtin_expect(uint64_t(pc) + (length) > f.entry->size, 0)) goto end_of_code; \
    operand = codeBytes + pc + 4;                                                  \
    pc += (length);                                                                \
  } while (0)

next:
  if (__builtin_expect(f.aborted, 0)) {
    f.sp = sp;
    f.pc = pc;
    return false;
  }
next_fast:
  if (__builtin_expect(ops != nullptr, 1)) goto decoded_fetch;
  if (unchecked) goto fetch;
  if (__builtin_expect(uintptr_t(sp - stackLimit) > uintptr_t(frameTop - stackLimit), 0)) {
    f.sp = sp;
    f.pc = pc;
    if (sp < stackLimit) {
      AbortRun(f, "Execution Engine - Stack overflow: the code uses more stack than the machine has");
      return false;
    }
    // What the code pushed into the guard above its frame is freed here; the frame is empty.
    FreeItems(f, sp, frameTop + kGuardSize);
    f.sp = frameTop;
    AbortRun(f, "Execution Engine - Stack underflow: the code pops more than it pushed");
    return false;
  }
  if (__builtin_expect(uint64_t(pc) + 4 > f.entry->size, 0)) goto end_of_code;  // a branch may wrap pc
fetch:
  word = Load<uint32_t>(codeBytes + pc);
  f.instrPc = pc;
  goto* dispatch[word >> 16];

op_breakpoint:
  CheckBreakpoints(f);
  goto* fast[word >> 16];

// ---- Decoded code: the handlers of Code_Decode.h ----
// DECODED_NEXT follows the paths that cannot end the run. A handler that meets a case it does not
// cover leaves sp and pc as they were and goes to u_generic, which runs the instruction from its word.
#define DECODED_NEXT() goto decoded_fetch
decoded_fetch:
  f.instrPc = pc;
  // pc is a multiple of 4 here: its entry is at ops + pc / 4, pc * 4 bytes in.
  op = reinterpret_cast<const VMOp*>(reinterpret_cast<const uint8_t*>(ops) + size_t(pc) * (sizeof(VMOp) / 4));
  goto* decoded[op->handler];

u_generic:
  word = Load<uint32_t>(codeBytes + pc);
  goto* fast[word >> 16];

u_push_e:
  sp -= 4;
  Store<int32_t>(sp, op->value);
  pc += 4;
  DECODED_NEXT();

u_push_i:
  sp -= 4;
  Store<int32_t>(sp, op->value);
  pc += 8;
  DECODED_NEXT();

u_push_d:
  sp -= 8;
  std::memcpy(sp, codeBytes + pc + 4, 8);
  pc += 12;
  DECODED_NEXT();

u_b:
  pc = uint32_t(op->value);
  DECODED_NEXT();

u_bt: {
  bool flag = (Load<int32_t>(sp) & 0xFF) != 0;
  sp += 4;
  pc = flag ? uint32_t(op->value) : pc + 4;
  DECODED_NEXT();
}

u_bf: {
  bool flag = (Load<int32_t>(sp) & 0xFF) != 0;
  sp += 4;
  pc = flag ? pc + 4 : uint32_t(op->value);
  DECODED_NEXT();
}

u_call:  // decoded for int calls only
  word = Load<uint32_t>(codeBytes + pc);
  if (IsScriptFunctionId(Load<int32_t>(codeBytes + pc + 4))) goto u_call_script;
  pc += 8;
  goto op_call_int;

// A call of a built-in function (CallBuiltin); the other calls go the general way.
u_call_builtin: {
  uint8_t* next = CallBuiltin(f, sp, const_cast<VMOp*>(op));
  if (next == nullptr) goto u_call;
  sp = next;
  pc = f.pc;
  NEXT();
}

// A run of push.v and the built-in call they feed (CallBuiltinGroup); otherwise the first push alone.
u_call_group: {
  uint8_t* next = kCallGroups[op->slot & 255](f, sp, const_cast<VMOp*>(op), pc);
  if (next == nullptr) goto u_generic;
  sp = next;
  pc = f.pc;
  NEXT();
}

u_ret:
  word = Load<uint32_t>(codeBytes + pc);
  pc += 4;
  goto op_ret;

// A script call whose call entry is made (the others, and the first call, go through DoCall). The
// callee starts at pc 0 of its code. Call ids are linked after decoding, so they are read here.
u_call_script: {
  const ScriptCallEntry* entry = SiteCallEntry(op[1], f, pc + 4);
  pc += 8;
  if (entry == nullptr) goto op_call_int;
  f.pc = pc;
  sp = CallScript(f, *entry, sp, Immediate(word));
  if (sp == nullptr) return false;
  ENTER_CALLEE_CODE(entry);
}

// ret.v of a script: the value moves raw from under the callee's frame to where the caller's result
// goes. The top level returns through op_ret.
u_ret_v: {
  if (f.call == nullptr) goto u_ret;
  int32_t kind = Load<int32_t>(sp + offsetof(RValue, kind));
  char* text = Load<char*>(sp + offsetof(RValue, text));
  double real = Load<double>(sp + offsetof(RValue, real));
  sp += kValueSize;
  if (sp < frameTop) FreeListedItems(f, sp, 1);
  RETURN_TO_CALLER();
  Store<int32_t>(sp + offsetof(RValue, kind), kind);
  Store<char*>(sp + offsetof(RValue, text), text);
  Store<double>(sp + offsetof(RValue, real), real);
  TagItem(f, sp, TYPE_VARIABLE);
  NEXT_FAST();
}

// The argument slot of a decoded entry as `argument`; a slot that reads as zero (not readable) goes
// the general way.
#define DECODED_ARGUMENT()                                                                  \
  if (uint32_t(op->slot) >= uint32_t(g_ArgumentView.readable)) goto u_generic; \
  const RValue* argument = g_ArgumentView.slots + op->slot

u_exit:
  pc += 4;
  goto op_exit;


u_push_argument: {
  DECODED_ARGUMENT();
  if (f.self == nullptr) goto u_generic;
  sp = PushCopy(sp, argument);
  pc += 8;
  DECODED_NEXT();
}

// push.v argumentN; ret.v of a script, the argument a real: it goes straight to where the caller's
// result goes.
u_ret_argument: {
  if (f.call == nullptr) goto u_generic;
  DECODED_ARGUMENT();
  if (f.self == nullptr || argument->kind != VALUE_REAL) goto u_generic;
  double real = argument->real;
  if (sp < frameTop) {
    f.instrPc = pc + 8;  // the items listed at the ret
    FreeListedItems(f, sp, 1);
  }
  RETURN_TO_CALLER();
  PutReal(sp, real);
  TagItemIf(f, sp, TYPE_VARIABLE, unchecked);
  NEXT_FAST();
}

// The list of each kind of variable, or u_generic when the access needs the general routing.
#define DECODED_LIST_local               \
  CVariableList* list = f.locals;        \
  if (list == nullptr) goto u_generic;
#define DECODED_LIST_self                     \
  if (f.self == nullptr) goto u_generic;      \
  CVariableList* list = &f.self->variables;
#define DECODED_LIST_plain                                                                   \
  CVariableList* list = Variable_IsGlobalVar(op->value) ? g_pGlobalVariables                 \
                        : f.self != nullptr                ? &f.self->variables : nullptr;   \
  if (list == nullptr) goto u_generic;
#define DECODED_LIST_global                    \
  CVariableList* list = g_pGlobalVariables;    \
  if (list == nullptr) goto u_generic;
// push.v, push.v with an index, pop.v.v and pop.v.v with an index, of one kind of variable.
#define DECODED_VARIABLE_HANDLERS(KIND)                                        \
  u_push_##KIND: {                                                             \
    DECODED_LIST_##KIND                                                        \
    RVariable* node = FindNode(list, op->value);                                   \
    if (node == nullptr) goto u_generic;                                       \
    sp = PushCopy(sp, &node->value);                                           \
    pc += 8;                                                                   \
    DECODED_NEXT();                                                            \
  }                                                                            \
  u_pushx_##KIND: {                                                            \
    DECODED_LIST_##KIND                                                        \
    RVariable* node = FindNode(list, op->value);                                   \
    if (node == nullptr) goto u_generic;                                       \
    int32_t index = Load<int32_t>(sp);                                         \
    const RValue* value = index == 0 ? &node->value : node->Element(index);    \
    if (value == nullptr) goto u_generic;                                      \
    sp = PushCopy(sp + 4, value);                                              \
    pc += 8;                                                                   \
    DECODED_NEXT();                                                            \
  }                                                                            \
  u_pop_##KIND: {                                                              \
    DECODED_LIST_##KIND                                                        \
    RVariable* node = FindNode(list, op->value);                                   \
    if (node == nullptr) node = list->FindOrCreate(op->value);                 \
    StoreValue(node->value, sp);                                               \
    sp += kValueSize;                                                          \
    pc += 8;                                                                   \
    DECODED_NEXT();                                                            \
  }                                                                            \
  u_popx_##KIND: {                                                             \
    DECODED_LIST_##KIND                                                        \
    int32_t index = Load<int32_t>(sp);                                         \
    if (index < 0) goto u_generic;                                             \
    list->Set(op->value, index, TakeValue(sp + 4));                            \
    sp += 4 + kValueSize;                                                      \
    pc += 8;                                                                   \
    DECODED_NEXT();                                                            \
  }
  CODE_VARIABLE_KINDS(DECODED_VARIABLE_HANDLERS)
#undef DECODED_VARIABLE_HANDLERS
#undef DECODED_LIST_local
#undef DECODED_LIST_self
#undef DECODED_LIST_plain
#undef DECODED_LIST_global

// Numbers of known types; anything else (a text, a division by zero) goes the general way.
#define DECODED_ARITHMETIC(OP, NAME, TL, TR, PAIR)          \
  u_##NAME##_##PAIR:                                         \
  if (!FastArithmetic(f, sp, OP, TL, TR, true)) goto u_generic; \
  pc += 4;                                                   \
  DECODED_NEXT();
#define DECODED_COMPARE(OP, NAME, TL, TR, PAIR)             \
  u_##NAME##_##PAIR:                                         \
  if (!FastCompare(f, sp, OP, TL, TR, true)) goto u_generic; \
  pc += 4;                                                   \
  DECODED_NEXT();
  CODE_ARITHMETIC_OPS(CODE_NUMBER_PAIRS, DECODED_ARITHMETIC)
  CODE_COMPARE_OPS(CODE_NUMBER_PAIRS, DECODED_COMPARE)
#undef DECODED_ARITHMETIC
#undef DECODED_COMPARE

// The groups of Code_Decode.h. Each runs as its instructions would when its variables hold reals;
// anything else runs the group's first instruction alone (u_generic) and the rest from their entries.
// LENGTH is the group's length in bytes.
#define DECODED_UPDATE_K(NAME, LENGTH)                                                  \
  u_##NAME: {                                                                           \
    CVariableList* list = DecodedList(f, op->slot, op->value);                          \
    if (list == nullptr) goto u_generic;                                                \
    RVariable* node = FindNode(list, op->value);                                        \
    if (node == nullptr || node->value.kind != VALUE_REAL) goto u_generic;              \
    node->value.real = Update(op->spare, node->value.real, double(op->extra));          \
    pc += LENGTH;                                                                       \
    DECODED_NEXT();                                                                     \
  }
  DECODED_UPDATE_K(update_k, 24)
  DECODED_UPDATE_K(update_k_long, 28)
#undef DECODED_UPDATE_K

u_update_v: {
  CVariableList* listX = DecodedList(f, op->slot, op->value);
  CVariableList* listY = DecodedList(f, op->spare & 0xFFFF, op->extra);
  if (listX == nullptr || listY == nullptr) goto u_generic;
  RVariable* x = FindNode(listX, op->value);
  RVariable* y = FindNode(listY, op->extra);
  if (x == nullptr || y == nullptr || x->value.kind != VALUE_REAL || y->value.kind != VALUE_REAL) goto u_generic;
  x->value.real = Update(op->spare >> 16, x->value.real, y->value.real);
  pc += 28;
  DECODED_NEXT();
}

u_push_op_k: {
  CVariableList* list = DecodedList(f, op->slot, op->value);
  if (list == nullptr) goto u_generic;
  RVariable* node = FindNode(list, op->value);
  if (node == nullptr || node->value.kind != VALUE_REAL) goto u_generic;
  double v = ArithmeticByConstant(op->spare & 0xFF, node->value.real, op->extra);
  sp -= kValueSize;
  PutReal(sp, v);
  pc += uint32_t(op->spare) >> 16;
  DECODED_NEXT();
}

u_op_k:
  if (Load<int32_t>(sp + offsetof(RValue, kind)) != VALUE_REAL) goto u_generic;
  Store<char*>(sp + offsetof(RValue, text), nullptr);
  Store<double>(sp + offsetof(RValue, real),
                ArithmeticByConstant(op->spare, Load<double>(sp + offsetof(RValue, real)), op->value));
  pc += op->slot;
  DECODED_NEXT();

#define DECODED_COMPARE_K(NAME, LENGTH)                                                          \
  u_##NAME: {                                                                                    \
    CVariableList* list = DecodedList(f, op->slot & 0xFF, op->value);                            \
    if (list == nullptr) goto u_generic;                                                         \
    RVariable* node = FindNode(list, op->value);                                                 \
    if (node == nullptr || node->value.kind != VALUE_REAL) goto u_generic;                       \
    bool result = CompareReal(node->value.real, double(op->extra), CompareOp(op->slot >> 8));    \
    pc = result ? pc + LENGTH : uint32_t(op->spare);                                             \
    DECODED_NEXT();                                                                              \
  }
  DECODED_COMPARE_K(compare_k_bf, 20)
  DECODED_COMPARE_K(compare_k_bf_long, 24)
#undef DECODED_COMPARE_K

// The loop's step, then its test (the entry at the b's target) on the same node.
u_update_k_b: {
  CVariableList* list = DecodedList(f, op->slot, op->value);
  if (list == nullptr) goto u_generic;
  RVariable* node = FindNode(list, op->value);
  if (node == nullptr || node->value.kind != VALUE_REAL) goto u_generic;
  double x = Update(op->spare & 0xFF, node->value.real, double(op->extra));
  node->value.real = x;
  pc = uint32_t(op->spare) >> 8;
  op = reinterpret_cast<const VMOp*>(reinterpret_cast<const uint8_t*>(ops) + size_t(pc) * (sizeof(VMOp) / 4));
  bool result = CompareReal(x, double(op->extra), CompareOp(op->slot >> 8));
  pc = result ? pc + (op->handler == VMH_compare_k_bf ? 20 : 24) : uint32_t(op->spare);
  DECODED_NEXT();
}

// Arithmetic of reals stored into a variable that exists; anything else runs the arithmetic alone.
u_op_v_pop: {
  if (Load<int32_t>(sp + offsetof(RValue, kind)) != VALUE_REAL ||
      Load<int32_t>(sp + kValueSize + offsetof(RValue, kind)) != VALUE_REAL) {
    goto u_generic;
  }
  CVariableList* list = DecodedList(f, op->slot, op->value);
  if (list == nullptr) goto u_generic;
  RVariable* node = FindNode(list, op->value);
  if (node == nullptr || node->value.text != nullptr) goto u_generic;
  node->value.kind = VALUE_REAL;
  node->value.real = Update(op->spare, Load<double>(sp + kValueSize + offsetof(RValue, real)),
                            Load<double>(sp + offsetof(RValue, real)));
  sp += 2 * kValueSize;
  pc += 12;
  DECODED_NEXT();
}

u_op_k_pop: {
  if (Load<int32_t>(sp + offsetof(RValue, kind)) != VALUE_REAL) goto u_generic;
  CVariableList* list = DecodedList(f, op->slot, op->value);
  if (list == nullptr) goto u_generic;
  RVariable* node = FindNode(list, op->value);
  if (node == nullptr || node->value.text != nullptr) goto u_generic;
  node->value.kind = VALUE_REAL;
  node->value.real = ArithmeticByConstant(op->spare & 0xFF, Load<double>(sp + offsetof(RValue, real)), op->extra);
  sp += kValueSize;
  pc += uint32_t(op->spare) >> 8;
  DECODED_NEXT();
}

// The push_op_k_pop group (out of line, so the loop's registers stay as they are).
u_push_op_k_pop: {
  uint32_t length = ArithmeticStoreOf(f, op);
  if (length == 0) goto u_generic;
  pc += length;
  DECODED_NEXT();
}

// The index2 group (out of line, so the loop's registers stay as they are).
u_index2: {
  uint8_t* next = PushIndex2(f, sp, op);
  if (next == nullptr) goto u_generic;
  sp = next;
  pc += 40;
  DECODED_NEXT();
}

u_compare_argument_k_bf: {
  if (f.self == nullptr) goto u_generic;
  DECODED_ARGUMENT();
  if (argument->kind != VALUE_REAL) goto u_generic;
  bool result = CompareReal(argument->real, double(op->extra), CompareOp(op->value));
  pc = result ? pc + 20 : uint32_t(op->spare);
  DECODED_NEXT();
}

// The same group for one operator: the difference against the tolerance, as CompareReal judges it.
#define DECODED_COMPARE_ARGUMENT(NAME, TEST)                                              \
  u_compare_argument_##NAME##_bf: {                                                       \
    DECODED_ARGUMENT();                                                                   \
    if (f.self == nullptr || argument->kind != VALUE_REAL) goto u_generic;                \
    double d = argument->real - double(op->extra);                                        \
    if (!(TEST)) {                                                                        \
      pc = uint32_t(op->spare);                                                           \
      DECODED_NEXT();                                                                     \
    }                                                                                     \
    pc += 20;                                                                             \
    op += 5;                                                                              \
    if (op->handler != VMH_ret_argument) goto decoded_fetch;                              \
    f.instrPc = pc;  /* `if (argumentN < K) return argumentM;` goes on without a dispatch */ \
    goto u_ret_argument;                                                                  \
  }
  DECODED_COMPARE_ARGUMENT(lt, d < -kCompareEpsilon)
  DECODED_COMPARE_ARGUMENT(le, d <= kCompareEpsilon)
  DECODED_COMPARE_ARGUMENT(ge, d >= -kCompareEpsilon)
  DECODED_COMPARE_ARGUMENT(gt, d > kCompareEpsilon)
#undef DECODED_COMPARE_ARGUMENT

u_argument_k: {
  if (f.self == nullptr) goto u_generic;
  DECODED_ARGUMENT();
  if (argument->kind != VALUE_REAL) goto u_generic;
  sp -= kValueSize;
  PutReal(sp, Update(op->value, argument->real, double(op->extra)));
  pc += 16;
  DECODED_NEXT();
}

// argumentN op K and the one-argument call after it: a script with a call entry starts with the
// value in its first slot and returns to the instruction after the call; anything else pushes the
// value and goes on at the call's own entry.
u_argument_k_call: {
  if (f.self == nullptr) goto u_generic;
  DECODED_ARGUMENT();
  if (argument->kind != VALUE_REAL) goto u_generic;
  double value = Update(op->value, argument->real, double(op->extra));
  const ScriptCallEntry* entry = SiteCallEntry(op[5], f, pc + 20);
  uint8_t* calleeTop;
  if (entry != nullptr) {
    f.pc = pc + 24;
    calleeTop = CallScriptWithReal(f, *entry, sp, value);
  }
  if (entry == nullptr || calleeTop == nullptr) {
    sp -= kValueSize;
    PutReal(sp, value);
    pc += 16;
    DECODED_NEXT();
  }
  sp = calleeTop;
  ENTER_CALLEE_CODE(entry);
}

#define DECODED_BRANCH(OP, NAME, TL, TR, PAIR)                                                   \
  u_branch_##PAIR: {                                                                             \
    bool result;                                                                                 \
    if (!FastCompareResult(f, sp, CompareOp(op->slot & 0xFF), TL, TR, true, &result)) goto u_generic; \
    sp += kWidth[TL] + kWidth[TR];                                                               \
    pc = result == ((op->slot & 0x100) != 0) ? uint32_t(op->value) : pc + 8;                     \
    DECODED_NEXT();                                                                              \
  }
  CODE_NUMBER_PAIRS(DECODED_BRANCH, 0, branch)
#undef DECODED_BRANCH

// The pop_compare_k_bf group (out of line, as index2).
u_pop_compare_k_bf: {
  uint32_t next = PopAndTest(f, sp, op, pc);
  if (next == UINT32_MAX) goto u_generic;
  sp += kValueSize;
  pc = next;
  DECODED_NEXT();
}

op_decode:
  TAKE_LENGTH(uint32_t(InstructionLength(word)));
  goto* table[Opcode(word)];

op_push_variable:
  TAKE_LENGTH(8);
  {
    uint8_t* moved = sp;  // out-of-line routines get a copy: sp itself stays in a register
    if (FastPushVariable(f, moved, word, operand)) {
      sp = moved;
      NEXT_FAST();
    }
  }
  sp = DoPushVariable(f, sp, word);
  NEXT();

op_push_imm16:
  pc += 4;
  sp -= 4;
  Store<int32_t>(sp, SignedImmediate(word));
  TagItem(f, sp, TYPE_INT);
  NEXT_FAST();

op_push_int:
  TAKE_LENGTH(8);
  sp -= 4;
  std::memcpy(sp, operand, 4);
  TagItem(f, sp, TYPE_INT);
  NEXT_FAST();

op_push_double:
  TAKE_LENGTH(12);
  sp -= 8;
  std::memcpy(sp, operand, 8);
  TagItem(f, sp, TYPE_DOUBLE);
  NEXT_FAST();

op_pop_variable:
  TAKE_LENGTH(8);
  {
    uint8_t* moved = sp;
    if (FastPopVariable(f, moved, word, operand)) {
      sp = moved;
      NEXT_FAST();
    }
  }
  sp = DoPop(f, sp, word);
  NEXT();

op_call_fixed:
  TAKE_LENGTH(8);
  goto op_call_int;

// conv.v.i of a real (array indexes, integer arithmetic) and conv.i.v.
op_conv_variable_int:
  pc += 4;
  if ((unchecked || *TagOf(f, sp) == TYPE_VARIABLE) && Load<int32_t>(sp + offsetof(RValue, kind)) == VALUE_REAL) {
    int32_t i = RealToInt(Load<double>(sp + offsetof(RValue, real)));
    sp += kValueSize - 4;
    Store<int32_t>(sp, i);
    TagItem(f, sp, TYPE_INT);
    NEXT_FAST();
  }
  sp = DoConvert(f, sp, word);
  NEXT();

op_conv_int_variable: {
  pc += 4;
  double d = double(Load<int32_t>(sp));
  sp -= kValueSize - 4;
  PutReal(sp, d);
  TagItem(f, sp, TYPE_VARIABLE);
  NEXT_FAST();
}

#define VM_PAIR_HANDLERS(TL, TR, NAME)                                       \
  op_arithmetic_##NAME:                                                      \
  pc += 4;                                                                   \
  if (FastArithmetic(f, sp, Opcode(word), TL, TR)) NEXT_FAST();              \
  sp = DoBinary(f, sp, word);                                                \
  NEXT();                                                                    \
  op_compare_##NAME:                                                         \
  pc += 4;                                                                   \
  if (FastCompare(f, sp, Opcode(word), TL, TR)) NEXT_FAST();                 \
  sp = DoCompare(f, sp, word);                                               \
  NEXT();
  VM_NUMBER_PAIRS(VM_PAIR_HANDLERS)
#undef VM_PAIR_HANDLERS

op_nop:
  NEXT();

op_conv:
  sp = DoConvert(f, sp, word);
  NEXT();

// Operand pairs of double, int and value have their own handlers; these are the others.
op_binary:
  sp = DoBinary(f, sp, word);
  NEXT();

op_unary:
  sp = DoUnary(f, sp, word);
  NEXT();

op_compare:
  sp = DoCompare(f, sp, word);
  NEXT();

// pop.v has its own handler; this is every other pop form, which the general routine refuses.
op_pop:
  sp = DoPop(f, sp, word);
  NEXT();

op_dup: {
  int t = Type1(word);
  if (!Owns(f, sp, t)) NEXT();
  switch (t) {
    case TYPE_DOUBLE:
    case TYPE_LONG:
      sp -= 8;
      std::memcpy(sp, sp + 8, 8);
      TagItem(f, sp, t);
      break;
    case TYPE_VARIABLE: {
      RValue copy;
      RValue top = TakeValue(sp);
      copy = top;
      // `top` still belongs to the stack: hand its bytes back without freeing them.
      PutValue(sp, std::move(top));
      sp -= kValueSize;
      PutValue(sp, std::move(copy));
      TagItem(f, sp, t);
      break;
    }
    case TYPE_STRING: {
      char* text = MemDupString(Load<char*>(sp));
      sp -= int32_t(sizeof(char*));
      Store(sp, text);
      TagItem(f, sp, t);
      break;
    }
    case TYPE_FLOAT:
    case TYPE_INT:
    case TYPE_BOOL:
      sp -= 4;
      std::memcpy(sp, sp + 4, 4);
      TagItem(f, sp, t);
      break;
    default:
      break;
  }
  NEXT();
}

op_popz: {
  int t = Type1(word);
  if (!Owns(f, sp, t)) NEXT();
  if (IsItemType(t)) {
    FreeItem(t, sp);
    sp += kWidth[t];
  }
  NEXT();
}

op_b:
  pc = BRANCH_TARGET();
  NEXT_FAST();

// Branches have no operand: they are reached straight from the dispatch, before pc moves on.
op_bt: {
  bool flag = (Load<int32_t>(sp) & 0xFF) != 0;
  sp += 4;
  pc = flag ? BRANCH_TARGET() : f.instrPc + 4;
  NEXT_FAST();
}

op_bf: {
  bool flag = (Load<int32_t>(sp) & 0xFF) != 0;
  sp += 4;
  pc = flag ? f.instrPc + 4 : BRANCH_TARGET();
  NEXT_FAST();
}

op_pushenv: {
  uint8_t* moved = sp;
  if (!EnterWith(f, moved)) pc = BRANCH_TARGET();
  sp = moved;
  NEXT();
}

op_popenv: {
  VMEnvRecord* env = f.env;
  if (env == nullptr || !EnvIntact(f, env, sp)) {
    f.sp = sp;
    AbortRun(f, "Execution Engine - popenv without a with-block");
    return false;
  }
  // A continue inside a switch reaches here with the switch value still above the record.
  if (sp < reinterpret_cast<uint8_t*>(env)) {
    FreeItems(f, sp, reinterpret_cast<uint8_t*>(env));
    sp = reinterpret_cast<uint8_t*>(env);
  }
  if (IsPopEnvDrop(word)) {
    sp = env->spBefore;
    LeaveWith(f, env);
    NEXT();
  }
  if (env->kind == 2) {
    env->cursor--;
    if (env->cursor >= 0) {
      f.self = env->array[env->cursor];
      pc = BRANCH_TARGET();
      NEXT();
    }
  } else if (env->kind == 1) {
    f.self = env->pending;
    env->pending = nullptr;
    env->kind = 0;
    pc = BRANCH_TARGET();
    NEXT();
  }
  sp = env->spBefore;
  LeaveWith(f, env);
  NEXT();
}

// The pushes without their own handler: long, float, bool and string.
op_push: {
  switch (Type1(word)) {
    case TYPE_LONG:
      sp -= 8;
      std::memcpy(sp, operand, 8);
      TagItem(f, sp, TYPE_LONG);
      break;
    case TYPE_FLOAT:
    case TYPE_BOOL:
      sp -= 4;
      std::memcpy(sp, operand, 4);
      TagItem(f, sp, Type1(word));
      break;
    case TYPE_STRING: {
      const char* text = Code_String(Load<int32_t>(operand));
      sp -= int32_t(sizeof(char*));
      Store(sp, text ? MemDupString(text) : static_cast<char*>(nullptr));
      TagItem(f, sp, TYPE_STRING);
      break;
    }
    default:
      break;
  }
  NEXT();
}

// A call of any other type than int: the dispatch sends every int call to op_call_fixed.
op_call:
  RaiseError(f, "%s", "DoCall :: Execution Engine type error");
  NEXT();

op_call_int: {
  f.pc = pc;
  uint8_t* next = DoCall(f, sp, word);
  if (next == nullptr) return false;
  sp = next;
  RELOAD_CODE();
  NEXT();
}

op_ret: {
  int t = Type1(word);
  if (__builtin_expect(unchecked && t == TYPE_VARIABLE && f.call != nullptr, 1)) {
    // A script's value, moved raw from under its frame to where the caller's result goes.
    int32_t kind = Load<int32_t>(sp + offsetof(RValue, kind));
    char* text = Load<char*>(sp + offsetof(RValue, text));
    double real = Load<double>(sp + offsetof(RValue, real));
    sp += kValueSize;
    FreeFrameItems(f, sp, 1);
    sp = ReturnFromScript(f, sp);
    RELOAD_CODE();
    Store<int32_t>(sp + offsetof(RValue, kind), kind);
    Store<char*>(sp + offsetof(RValue, text), text);
    Store<double>(sp + offsetof(RValue, real), real);
    TagItem(f, sp, TYPE_VARIABLE);
    NEXT();
  }
  if (!Owns(f, sp, t)) NEXT();
  RValue result = TakeAsValue(t, sp);
  sp += IsItemType(t) ? kWidth[t] : 0;
  FreeFrameItems(f, sp, 1);
  if (f.call == nullptr) {
    FreeEnvChain(f, sp);
    *value = std::move(result);
    f.pc = pc;
    return true;
  }
  sp = ReturnFromScript(f, sp);
  RELOAD_CODE();
  PutValue(sp, std::move(result));
  TagItem(f, sp, TYPE_VARIABLE);
  NEXT();
}

op_exit:
end_of_code:
  FreeFrameItems(f, sp, 0);
  if (f.call == nullptr) {
    FreeEnvChain(f, sp);
    f.pc = pc;
    return false;
  }
  sp = ReturnFromScript(f, sp);
  RELOAD_CODE();
  {
    RValue zero;
    PutValue(sp, std::move(zero));
    TagItem(f, sp, TYPE_VARIABLE);
  }
  NEXT();

#undef NEXT
#undef NEXT_FAST
#undef DECODED_NEXT
#undef DECODED_ARGUMENT
#undef BRANCH_TARGET
#undef RELOAD_CODE
#undef RELOAD_CODE_FROM
#undef ENTER_CALLEE_CODE
#undef RETURN_TO_CALLER
#undef TAKE_LENGTH
}

#undef VM_NUMBER_PAIRS

}  // namespace

// ---- Entry points --------------------------------------------------------------------------------

bool VM_Run(const char* name, CInstance* self, CInstance* other, const VMBuffer* code, RValue* out,
            const VMBuffer* positions, const char* source) {
  if (out) out->Reset();
  if (g_Trace) Console::Output("script = %s\n", name ? name : "");
  if (code == nullptr || code->data == nullptr || code->size <= 0) return true;

  VMFrame f{};
  f.self = self;
  f.other = other;
  f.topEntry.code = code;
  f.topEntry.bytes = code->data;
  f.topEntry.size = uint32_t(code->size);
  f.topEntry.name = name ? name : "";
  f.topEntry.positions = positions;
  f.topEntry.source = source ? source : "";
  f.entry = &f.topEntry;
  f.line = -1;
  f.outer = g_CurrentFrame;

  if (g_RunDepth >= kVMMaxNestedRuns) {
    f.aborted = true;
    RaiseError(f, "%s", "Execution Engine - Stack overflow: code runs nested too deeply");
    return false;
  }
  uint8_t* block = StackBlock(g_RunDepth, &f.tags);
  f.stackBase = block;
  f.tagBias = reinterpret_cast<uintptr_t>(f.tags) - (reinterpret_cast<uintptr_t>(block) >> 2);
  // The stack grows down from one value below its end; what lies above the first item stays zero.
  uint8_t* top = block + kVMStackSize - kValueSize;
  std::memset(top, 0, size_t(kValueSize) + kGuardSize);
  std::memset(f.tags + ((top - block) >> 2), TAG_NONE, (size_t(kValueSize) + kGuardSize) / 4);
  f.frameTop = top;
  f.unchecked = RunsUnchecked(f, code, top);
  f.topEntry.ops = code->ops;

  int16_t savedCount = g_ArgumentView.count;
  f.locals = PoolTake();
  g_RunDepth++;
  g_CurrentFrame = &f;

  RValue value;
  bool returned = Interpret(f, top, &value);
  bool ok = !f.aborted;
  if (!ok) UnwindRun(f);

  g_CurrentFrame = f.outer;
  g_RunDepth--;
  PoolRelease();
  g_ArgumentView.count = savedCount;
  if (out && returned) *out = std::move(value);
  return ok;
}

bool VM_Execute(CInstance* self, CInstance* other, CCode* code, RValue* out) {
  if (code == nullptr) return false;
  if (code->hasConstant) {
    if (out) *out = code->constant;
    return true;
  }
  if (g_SourceInterpreter) {
    if (code->code == nullptr && code->Source()[0] != '\0') {
      ReportActionErrorF(false, "Internal Error: Executing non-compiled code->%s", code->Name());
      return false;
    }
    if (self == nullptr) {
      ReportActionError("Internal Error: Executing code for nil instance.", false);
      return false;
    }
  }
  if (code->code == nullptr) return true;
  return VM_Run(code->Name(), self, other, code->code, out, code->positions, code->Source());
}

bool VM_RunScript(int index, CInstance* self, CInstance* other, RValue& result) {
  CScript* script = Script_Get(index);
  result.Reset();
  if (script == nullptr) return false;
  CCode* code = script->Code();
  if (code == nullptr) return true;
  if (code->hasConstant) {
    result = code->constant;
    return true;
  }
  if (code->code == nullptr) return true;
  return VM_Run(script->Name(), self, other, code->code, &result, code->positions, code->Source());
}

namespace {
const char* ScriptNameOrNull(int index) {
  CScript* script = Script_Get(index);
  return script ? script->Name() : nullptr;
}
bool RunScriptHook(int index, CInstance* self, CInstance* other, RValue& result) {
  return VM_RunScript(index, self, other, result);
}
}  // namespace

void VM_Install() {
  CFunctionHooks hooks = FunctionHooks();
  hooks.findScript = [](const char* name) -> int { return Script_Find(name); };
  hooks.scriptName = ScriptNameOrNull;
  hooks.runScript = RunScriptHook;
  SetFunctionHooks(hooks);
}

void VM_SetExtensionCall(VMExtensionCall call) { g_ExtensionCall = call; }
void VM_SetTrace(bool on) {
  g_Trace = on;
  g_CallHooks = g_Trace || g_SourceInterpreter;
}
void VM_SetSourceInterpreter(bool on) {
  g_SourceInterpreter = on;
  g_CallHooks = g_Trace || g_SourceInterpreter;
}
bool VM_SourceInterpreter() { return g_SourceInterpreter; }
bool VM_Trace() { return g_Trace; }
void VM_SetErrorSink(VMErrorSink sink) { g_ErrorSink = sink; }
VMErrorSink VM_CurrentErrorSink() { return g_ErrorSink; }
int VM_CallDepth() {
  int depth = 0;
  if (g_CurrentFrame) {
    for (const VMCallRecord* r = g_CurrentFrame->call; r; r = r->caller.call) depth++;
  }
  return depth;
}
int VM_RunDepth() { return g_RunDepth; }

bool VM_AddBreakpoint(const char* codeName, int32_t line) {
  if (codeName == nullptr || codeName[0] == 0 || line < 0 || g_BreakpointCount >= kVMMaxBreakpoints) return false;
  Breakpoint& b = g_Breakpoints[g_BreakpointCount];
  size_t length = std::strlen(codeName);
  if (length >= sizeof b.name) return false;
  std::memcpy(b.name, codeName, length + 1);
  b.line = line;
  b.enabled = true;
  g_BreakpointCount++;
  return true;
}

void VM_SetBreakpointEnabled(int index, bool enabled) {
  if (index >= 0 && index < g_BreakpointCount) g_Breakpoints[index].enabled = enabled;
}

int VM_BreakpointCount() { return g_BreakpointCount; }
void VM_ClearBreakpoints() { g_BreakpointCount = 0; }
