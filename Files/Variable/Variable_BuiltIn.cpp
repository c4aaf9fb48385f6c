#include "Variable/Variable_BuiltIn.h"

#include <cmath>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "Platform/Platform_Console.h"
#include "Platform/Platform_Memory.h"
#include "Variable/Variable_Instance.h"

namespace {

struct BuiltInSlot {
  char* name = nullptr;     // owned; kept across ClearBuiltIns for reuse
  TGetVarRoutine getter = nullptr;
  TSetVarRoutine setter = nullptr;
  bool canSet = false;
};

BuiltInSlot g_slots[kBuiltInSlotCount];
int32_t g_count = 0;
// Names to ids (the first of a name wins), over the names the slots hold.
std::unordered_map<std::string_view, int32_t> g_byName;

constexpr const char* kUnknownName = "<unknown built-in variable>";

// The table as the variable layer sees it.
class CBuiltInTable final : public CBuiltInVariables {
 public:
  int32_t Find(const char* name) override { return FindBuiltIn(name); }
  const char* Name(int32_t id) override { return (id >= 0 && id < g_count) ? g_slots[id].name : nullptr; }
  bool Get(CInstance* instance, int32_t id, int32_t index, RValue* out) override {
    return GetBuiltIn(instance, id, index, out);
  }
  bool Set(CInstance* instance, int32_t id, int32_t index, const RValue& value) override {
    return SetBuiltIn(instance, id, index, value);
  }
};

CBuiltInTable g_table;

}  // namespace

void AddBuiltIn(const char* name, TGetVarRoutine getter, TSetVarRoutine setter, bool canSet) {
  if (g_count >= kBuiltInSlotCount) {
    Console::Output("%s\n", "INTERNAL ERROR: Adding too many variables");
    return;
  }
  if (name == nullptr) name = "";
  BuiltInSlot& slot = g_slots[g_count];
  const size_t length = std::strlen(name);
  if (slot.name == nullptr || MemoryManager::BlockSize(slot.name) < length + 1) {
    if (slot.name != nullptr) MemFree(slot.name);
    slot.name = static_cast<char*>(MemAlloc(length + 1));
  }
  std::memcpy(slot.name, name, length + 1);
  slot.getter = getter;
  slot.setter = setter;
  slot.canSet = canSet;
  g_byName.emplace(slot.name, g_count);
  ++g_count;
}

int32_t FindBuiltIn(const char* name) {
  if (name == nullptr) return -1;
  auto it = g_byName.find(name);
  return it == g_byName.end() ? -1 : it->second;
}

const char* BuiltInName(int32_t id) { return (id >= 0 && id < g_count) ? g_slots[id].name : kUnknownName; }

int32_t BuiltInCount() { return g_count; }

bool GetBuiltIn(CInstance* instance, int32_t id, int32_t index, RValue* out) {
  if (id < 0 || id >= g_count || out == nullptr) return false;
  const BuiltInSlot& slot = g_slots[id];
  if (slot.getter == nullptr) return false;
  out->Reset();
  return slot.getter(instance, index, out);
}

bool SetBuiltIn(CInstance* instance, int32_t id, int32_t index, const RValue& value) {
  if (id < 0 || id >= g_count) return false;
  const BuiltInSlot& slot = g_slots[id];
  if (!slot.canSet || slot.setter == nullptr) return false;
  return slot.setter(instance, index, &value);
}

void ClearBuiltIns() {
  for (int32_t i = 0; i < g_count; ++i) {
    g_slots[i].getter = nullptr;
    g_slots[i].setter = nullptr;
    g_slots[i].canSet = false;
  }
  g_byName.clear();
  g_count = 0;
}

void Variable_InitBuiltIns() {
  ClearBuiltIns();
  BuiltIn_RegisterInstanceVariables();
  BuiltIn_RegisterGlobalVariables();
  SetBuiltInVariables(&g_table);
}

void Variable_FreeBuiltIns() {
  if (BuiltInVariables() == &g_table) SetBuiltInVariables(nullptr);
  ClearBuiltIns();
  for (BuiltInSlot& slot : g_slots) {
    if (slot.name != nullptr) MemFree(slot.name);
    slot.name = nullptr;
  }
}

int32_t BuiltIn_Round(const RValue& value) {
  const double x = value.real;
  if (std::isnan(x)) return 0;
  // Nearest integer with halves to even (the default rounding mode).
  const double r = std::nearbyint(x);
  if (r <= -2147483648.0) return INT32_MIN;
  if (r >= 2147483647.0) return INT32_MAX;
  return static_cast<int32_t>(r);
}
