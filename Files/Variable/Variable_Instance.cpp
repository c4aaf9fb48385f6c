#include "Variable/Variable_Instance.h"

namespace {

// Stands in until the world registers itself: a world without instances.
class CEmptyWorld final : public CInstanceWorld {
 public:
  void ForEachActive(CInstanceVisitor&) override {}
  void ForEachActiveOfObject(int32_t, CInstanceVisitor&) override {}
  CInstance* FindInstance(int32_t) override { return nullptr; }
};

// Stands in until the built-in variable table registers itself: no built-in names.
class CEmptyBuiltIns final : public CBuiltInVariables {
 public:
  int32_t Find(const char*) override { return -1; }
  const char* Name(int32_t) override { return nullptr; }
  bool Get(CInstance*, int32_t, int32_t, RValue*) override { return false; }
  bool Set(CInstance*, int32_t, int32_t, const RValue&) override { return false; }
};

CEmptyWorld g_emptyWorld;
CEmptyBuiltIns g_emptyBuiltIns;
CInstanceWorld* g_world = &g_emptyWorld;
CBuiltInVariables* g_builtIns = &g_emptyBuiltIns;

}  // namespace

CInstanceWorld* InstanceWorld() { return g_world; }
void SetInstanceWorld(CInstanceWorld* world) { g_world = world != nullptr ? world : &g_emptyWorld; }
CBuiltInVariables* BuiltInVariables() { return g_builtIns; }
void SetBuiltInVariables(CBuiltInVariables* table) { g_builtIns = table != nullptr ? table : &g_emptyBuiltIns; }
