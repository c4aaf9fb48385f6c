#include "Code/Code_Function.h"

#include <array>
#include <cstring>
#include <new>
#include <utility>

#include "Code/Code_Error.h"
#include "Code/Code_FunctionTable.h"
#include "Code/Code_NameIndex.h"
#include "Function/Function_Register.h"
#include "Platform/Platform_Console.h"
#include "Platform/Platform_Memory.h"

RValue g_Arguments[kArgumentSlotCount];
int g_ArgumentSlotsUsed = 0;
ArgumentView g_ArgumentView = {g_Arguments, kArgumentSlotCount, 0, 0, 0};
const RValue g_ArgumentZero;

RValue& ArgumentForWrite(int i) {
  ArgumentView& view = g_ArgumentView;
  for (; view.readable <= i; view.readable++) new (&view.slots[view.readable]) RValue();
  view.texts = 1;
  if (view.slots == g_Arguments) NoteArgumentSlotWritten(i);
  return view.slots[i];
}

FunctionRecord* g_Functions = nullptr;
int g_FunctionCount = 0;

namespace {

constexpr int kGrowBy = 500;

int g_FunctionCapacity = 0;
bool g_AllRegistered = false;

struct FamilyRange {
  const char* name;
  int first;
  int count;
};
constexpr int kMaxFamilies = 32;
FamilyRange g_Families[kMaxFamilies];
int g_FamilyCount = 0;

CFunctionHooks g_Hooks;

// Name lookup; the first registered function of a name wins.
const char* RecordName(int position) { return g_Functions[position].name; }
CNameIndex g_ByName(RecordName, false);

// The routine of a function that is not built yet must say which function was called, but the
// calling convention carries no id. Each registry position therefore gets its own tiny forwarder
// that hands its position to the one shared routine.
constexpr int kThunkCount = 2048;

template <int N>
void NotImplementedThunk(RValue& result, CInstance*, CInstance*, int, RValue*) {
  FunctionNotImplemented(N, result);
}

template <int... N>
constexpr std::array<TRoutine, sizeof...(N)> MakeThunks(std::integer_sequence<int, N...>) {
  return {&NotImplementedThunk<N>...};
}

constexpr std::array<TRoutine, kThunkCount> kThunks =
    MakeThunks(std::make_integer_sequence<int, kThunkCount>{});

// Positions beyond the forwarders (never reached by the built-in tables) still report honestly.
void NotImplementedUnknown(RValue& result, CInstance*, CInstance*, int, RValue*) {
  FunctionNotImplemented(-1, result);
}

TRoutine NotImplementedRoutineFor(int id) {
  return (id >= 0 && id < kThunkCount) ? kThunks[static_cast<size_t>(id)] : &NotImplementedUnknown;
}

}  // namespace

// ---- Registration ----------------------------------------------------------------------------

int RegisterFunction(const char* name, TRoutine routine, int argumentCount, bool implemented) {
  if (g_FunctionCount == g_FunctionCapacity) {
    int capacity = g_FunctionCapacity + kGrowBy;
    g_Functions = static_cast<FunctionRecord*>(
        MemReAlloc(g_Functions, static_cast<size_t>(capacity) * sizeof(FunctionRecord)));
    g_FunctionCapacity = capacity;
  }
  int id = g_FunctionCount;
  FunctionRecord& record = g_Functions[id];
  std::memset(&record, 0, sizeof record);
  if (name != nullptr) {
    std::strncpy(record.name, name, sizeof record.name - 1);
    record.name[sizeof record.name - 1] = '\0';
  }
  record.argumentCount = argumentCount;
  record.callCount = -1;
  record.sameNameNext = -1;
  int first = g_ByName.Find(record.name);
  if (first >= 0) {
    int last = first;
    while (g_Functions[last].sameNameNext >= 0) last = g_Functions[last].sameNameNext;
    g_Functions[last].sameNameNext = id;
  }
  g_ByName.Add(id, false);
  if (routine == nullptr) {
    record.routine = NotImplementedRoutineFor(id);
    record.implemented = false;
  } else {
    record.routine = routine;
    record.implemented = implemented;
  }
  return ++g_FunctionCount;
}

int ImplementFunction(const char* name, TRoutine routine) {
  int bound = 0;
  if (name == nullptr || routine == nullptr) return 0;
  for (int i = g_ByName.Find(name); i >= 0; i = g_Functions[i].sameNameNext) {
    g_Functions[i].routine = routine;
    g_Functions[i].implemented = true;
    g_Functions[i].direct = nullptr;
    ++bound;
  }
  if (bound == 0) Console::Output("ImplementFunction: no built-in function named %s\n", name);
  return bound;
}

int SetUnavailableFunction(const char* name, TRoutine routine) {
  int bound = 0;
  if (name == nullptr || routine == nullptr) return 0;
  for (int i = g_ByName.Find(name); i >= 0; i = g_Functions[i].sameNameNext) {
    g_Functions[i].routine = routine;
    g_Functions[i].direct = nullptr;
    ++bound;
  }
  if (bound == 0) Console::Output("SetUnavailableFunction: no built-in function named %s\n", name);
  return bound;
}

int SetDirectRoutine(const char* name, TDirectRoutine direct) {
  int bound = 0;
  if (name == nullptr) return 0;
  for (int i = g_ByName.Find(name); i >= 0; i = g_Functions[i].sameNameNext) {
    g_Functions[i].direct = direct;
    ++bound;
  }
  return bound;
}

void RegisterAllFunctions() {
  if (g_AllRegistered) return;
  g_AllRegistered = true;
  for (int f = 0; f < g_FunctionFamilyTableCount && g_FamilyCount < kMaxFamilies; ++f) {
    const FunctionFamilyTable& family = g_FunctionFamilyTables[f];
    g_Families[g_FamilyCount] = {family.name, g_FunctionCount, family.count};
    ++g_FamilyCount;
    for (int i = 0; i < family.count; ++i) {
      RegisterFunction(family.entries[i].name, nullptr, family.entries[i].argumentCount);
    }
  }
  Function_BindAll();
}

void ReleaseFunctions() {
  if (g_Functions != nullptr) MemFree(g_Functions);
  g_Functions = nullptr;
  g_FunctionCount = 0;
  g_FunctionCapacity = 0;
  g_FamilyCount = 0;
  g_AllRegistered = false;
  g_ByName.Clear();
}

int FunctionCount() { return g_FunctionCount; }

FunctionRecord* FunctionAt(int id) {
  if (id < 0 || id >= g_FunctionCount) return nullptr;
  return &g_Functions[id];
}

const char* FunctionName(int id) {
  if (IsExtensionFunctionId(id)) {
    return g_Hooks.extensionName != nullptr ? g_Hooks.extensionName(id - kExtensionIdBase) : nullptr;
  }
  if (IsScriptFunctionId(id)) {
    return g_Hooks.scriptName != nullptr ? g_Hooks.scriptName(id - kScriptIdBase) : nullptr;
  }
  FunctionRecord* record = FunctionAt(id);
  return record != nullptr ? record->name : nullptr;
}

// ---- Lookup ----------------------------------------------------------------------------------

bool FindFunction(const char* name, int* id) {
  if (id != nullptr) *id = -1;
  if (name == nullptr || name[0] == '\0') return false;
  int found = -1;
  if (g_Hooks.findScript != nullptr && (found = g_Hooks.findScript(name)) >= 0) {
    if (id != nullptr) *id = found + kScriptIdBase;
    return true;
  }
  if (g_Hooks.findExtension != nullptr && (found = g_Hooks.findExtension(name)) >= 0) {
    if (id != nullptr) *id = found + kExtensionIdBase;
    return true;
  }
  found = g_ByName.Find(name);
  if (found < 0) return false;
  if (id != nullptr) *id = found;
  return true;
}

int FindBuiltinFunction(const char* name) { return name != nullptr && name[0] != '\0' ? g_ByName.Find(name) : -1; }

int ArgumentCount(int id) {
  if (IsExtensionFunctionId(id)) {
    if (g_Hooks.extensionArgumentCount == nullptr) return kArgumentCountNone;
    return g_Hooks.extensionArgumentCount(id - kExtensionIdBase);
  }
  if (IsScriptFunctionId(id)) return kArgumentCountAny;
  FunctionRecord* record = FunctionAt(id);
  return record != nullptr ? record->argumentCount : kArgumentCountNone;
}

// ---- Calling ---------------------------------------------------------------------------------

void CallUnknownFunction(int id) { ReportActionErrorF(false, "Unknown built-in function id %d", id); }

void FunctionNotImplemented(int id, RValue& result) {
  result.Reset();
  FunctionRecord* record = FunctionAt(id);
  ReportActionErrorF(false, "%s: not implemented",
                     record != nullptr ? record->name : "<unknown built-in function>");
}

// ---- Counts ----------------------------------------------------------------------------------

int FunctionFamilyCount() { return g_FamilyCount; }

FunctionFamilyInfo FunctionFamily(int index) {
  FunctionFamilyInfo info{"", 0, 0, 0};
  if (index < 0 || index >= g_FamilyCount) return info;
  const FamilyRange& range = g_Families[index];
  info.name = range.name;
  info.first = range.first;
  info.count = range.count;
  for (int i = range.first; i < range.first + range.count && i < g_FunctionCount; ++i) {
    if (g_Functions[i].implemented) ++info.implemented;
  }
  return info;
}

int ImplementedFunctionCount() {
  int count = 0;
  for (int i = 0; i < g_FunctionCount; ++i) {
    if (g_Functions[i].implemented) ++count;
  }
  return count;
}

void PrintFunctionCounts() {
  Console::Output("Built-in functions: %d registered, %d implemented\n", g_FunctionCount,
                  ImplementedFunctionCount());
  for (int f = 0; f < g_FamilyCount; ++f) {
    FunctionFamilyInfo info = FunctionFamily(f);
    Console::Output("  %s: %d registered, %d implemented\n", info.name, info.count, info.implemented);
  }
}

// ---- Hooks -----------------------------------------------------------------------------------

void SetFunctionHooks(const CFunctionHooks& hooks) { g_Hooks = hooks; }
const CFunctionHooks& FunctionHooks() { return g_Hooks; }

// ---- Script execution from outside bytecode ----------------------------------------------------

CArgumentFrame::CArgumentFrame(int n, const RValue* args)
    : m_savedUsed(g_ArgumentSlotsUsed), m_savedView(g_ArgumentView) {
  for (int i = 0; i < m_savedUsed; ++i) m_saved[i] = std::move(g_Arguments[i]);
  if (n < 0) n = 0;
  if (n > kArgumentSlotCount) n = kArgumentSlotCount;  // only the first 16 reach the script
  for (int i = 0; i < n; ++i) g_Arguments[i] = args[i];
  g_ArgumentSlotsUsed = n;
  g_ArgumentView = {g_Arguments, kArgumentSlotCount, int16_t(n), 0, 0};
}

CArgumentFrame::~CArgumentFrame() {
  for (int i = 0; i < g_ArgumentSlotsUsed; ++i) g_Arguments[i].Reset();
  for (int i = 0; i < m_savedUsed; ++i) g_Arguments[i] = std::move(m_saved[i]);
  g_ArgumentSlotsUsed = m_savedUsed;
  g_ArgumentView = m_savedView;
}

bool ExecuteScript(int index, CInstance* self, CInstance* other, int argc, const RValue* args,
                   RValue& result) {
  result.Reset();
  if (g_Hooks.runScript == nullptr || index < 0) return false;

  CArgumentFrame frame(argc, args);
  bool ran = g_Hooks.runScript(index, self, other, result);
  if (!ran) result.Reset();
  return ran;
}
