#include "Variable/Variable_Route.h"

#include "Variable/Variable_Global.h"
#include "Variable/Variable_Instance.h"
#include "Variable/Variable_Names.h"

bool Variable_GetInstance(CInstance* instance, int32_t id, int32_t index, RValue* out) {
  if (instance == nullptr) return false;
  if (id < 0) return false;
  if (id < kBuiltInVariableLimit) return BuiltInVariables()->Get(instance, id, index, out);
  return instance->variables.Get(id, index, out);
}

bool Variable_SetInstance(CInstance* instance, int32_t id, int32_t index, const RValue& value) {
  if (instance == nullptr) return false;
  if (id < 0) return false;
  if (id < kBuiltInVariableLimit) return BuiltInVariables()->Set(instance, id, index, value);
  return instance->variables.Set(id, index, value);
}

namespace {

// Finds the first active instance of a walk.
class CFirstActive final : public CInstanceVisitor {
 public:
  CInstance* found = nullptr;
  bool Visit(CInstance* instance) override {
    if (!instance->IsActive()) return true;
    found = instance;
    return false;
  }
};

// Writes one value into every active instance of a walk; remembers whether any write failed.
class CSetEach final : public CInstanceVisitor {
 public:
  CSetEach(int32_t id, int32_t index, const RValue& value) : m_id(id), m_index(index), m_value(value) {}
  bool ok = true;
  bool outOfRange = false;
  bool Visit(CInstance* instance) override {
    if (!instance->IsActive()) return true;
    if (!Variable_SetInstance(instance, m_id, m_index, m_value)) ok = false;
    if (Variable_OutOfRange()) outOfRange = true;
    return true;
  }

 private:
  int32_t m_id;
  int32_t m_index;
  const RValue& m_value;
};

CInstance* ActiveById(int32_t instanceId) {
  CInstance* instance = InstanceWorld()->FindInstance(instanceId);
  return (instance != nullptr && instance->IsActive()) ? instance : nullptr;
}

bool IsObjectSelector(int32_t selector) { return selector >= 0 && selector < kFirstUserVariable; }

}  // namespace

bool Variable_GetValue(const VariableScope& scope, int32_t selector, int32_t id, int32_t index, RValue* out) {
  switch (selector) {
    case SELECTOR_SELF: return Variable_GetInstance(scope.self, id, index, out);
    case SELECTOR_OTHER: return Variable_GetInstance(scope.other, id, index, out);
    case SELECTOR_ALL: {
      CFirstActive first;
      InstanceWorld()->ForEachActive(first);
      return Variable_GetInstance(first.found, id, index, out);
    }
    case SELECTOR_NOONE: out->Reset(); return true;
    case SELECTOR_GLOBAL:
      return g_pGlobalVariables != nullptr && g_pGlobalVariables->Get(id, index, out);
    case SELECTOR_PLAIN:
      if (Variable_IsGlobalVar(id)) return g_pGlobalVariables != nullptr && g_pGlobalVariables->Get(id, index, out);
      return Variable_GetInstance(scope.self, id, index, out);
    case SELECTOR_LOCAL: return scope.locals != nullptr && scope.locals->Get(id, index, out);
    default: break;
  }
  if (IsObjectSelector(selector)) {
    CFirstActive first;
    InstanceWorld()->ForEachActiveOfObject(selector, first);
    return Variable_GetInstance(first.found, id, index, out);
  }
  if (selector >= kFirstUserVariable) return Variable_GetInstance(ActiveById(selector), id, index, out);
  return false;
}

bool Variable_SetValue(const VariableScope& scope, int32_t selector, int32_t id, int32_t index,
                       const RValue& value) {
  switch (selector) {
    case SELECTOR_SELF: return Variable_SetInstance(scope.self, id, index, value);
    case SELECTOR_OTHER: return Variable_SetInstance(scope.other, id, index, value);
    case SELECTOR_ALL: {
      CSetEach each(id, index, value);
      InstanceWorld()->ForEachActive(each);
      Variable_SetOutOfRange(each.outOfRange);
      return each.ok;
    }
    case SELECTOR_NOONE: return true;
    case SELECTOR_GLOBAL:
      return g_pGlobalVariables != nullptr && g_pGlobalVariables->Set(id, index, value);
    case SELECTOR_PLAIN:
      if (Variable_IsGlobalVar(id)) return g_pGlobalVariables != nullptr && g_pGlobalVariables->Set(id, index, value);
      return Variable_SetInstance(scope.self, id, index, value);
    case SELECTOR_LOCAL: return scope.locals != nullptr && scope.locals->Set(id, index, value);
    default: break;
  }
  if (IsObjectSelector(selector)) {
    CSetEach each(id, index, value);
    InstanceWorld()->ForEachActiveOfObject(selector, each);
    Variable_SetOutOfRange(each.outOfRange);
    return each.ok;
  }
  if (selector >= kFirstUserVariable) {
    CInstance* instance = ActiveById(selector);
    return instance == nullptr || Variable_SetInstance(instance, id, index, value);
  }
  return false;
}
