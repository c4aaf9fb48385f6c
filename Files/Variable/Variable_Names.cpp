#include "Variable/Variable_Names.h"

#include <cstring>
#include <string_view>
#include <unordered_map>

#include "Platform/Platform_Memory.h"
#include "Variable/Variable_Instance.h"

namespace {

// The registry: owned names; position p has id 100000 + p.
char** g_names = nullptr;
int32_t g_nameCount = 0;
int32_t g_nameCapacity = 0;
// Name to position, over the owned texts (which never move), so that linking and compiling large
// games stay linear.
std::unordered_map<std::string_view, int32_t>& Index() {
  static std::unordered_map<std::string_view, int32_t> index;
  return index;
}

int32_t FindUser(const char* name) {
  auto it = Index().find(name);
  return it == Index().end() ? -1 : kFirstUserVariable + it->second;
}

}  // namespace

int32_t Variable_FindName(const char* name) {
  if (name == nullptr || *name == '\0') return -1;
  int32_t builtIn = BuiltInVariables()->Find(name);
  if (builtIn >= 0) return builtIn;
  return FindUser(name);
}

int32_t Variable_FindOrAddName(const char* name) {
  int32_t id = Variable_FindName(name);
  if (id >= 0 || name == nullptr || *name == '\0') return id;
  if (g_nameCount == g_nameCapacity) {
    int32_t capacity = g_nameCapacity == 0 ? 256 : g_nameCapacity * 2;
    g_names = static_cast<char**>(MemReAlloc(g_names, sizeof(char*) * static_cast<size_t>(capacity)));
    g_nameCapacity = capacity;
  }
  g_names[g_nameCount] = MemDupString(name);
  Index().emplace(g_names[g_nameCount], g_nameCount);
  return kFirstUserVariable + g_nameCount++;
}

const char* Variable_GetName(int32_t id) {
  if (id >= 0 && id < kBuiltInVariableLimit) {
    const char* name = BuiltInVariables()->Name(id);
    return name != nullptr ? name : "<unknown built-in variable>";
  }
  if (id >= kFirstUserVariable && id - kFirstUserVariable < g_nameCount) return g_names[id - kFirstUserVariable];
  return "<unknown variable>";
}

int32_t Variable_NameCount() { return g_nameCount; }

void Variable_ClearNames() {
  Index().clear();
  for (int32_t i = 0; i < g_nameCount; ++i) MemFree(g_names[i]);
  MemFree(g_names);
  g_names = nullptr;
  g_nameCount = 0;
  g_nameCapacity = 0;
}
