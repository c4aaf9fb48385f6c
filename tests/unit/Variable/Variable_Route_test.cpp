#include "Variable/Variable_Route.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Variable/Variable_Global.h"
#include "Variable/Variable_Instance.h"
#include "Variable/Variable_List.h"

namespace {

constexpr int32_t X = 100000;  // a user variable
constexpr int32_t BUILTIN_SPEED = 3;
constexpr int32_t BUILTIN_ID = 4;  // read-only

// A room of instances in list order; objects by object_index (no parents).
class CTestWorld final : public CInstanceWorld {
 public:
  std::vector<std::unique_ptr<CInstance>> instances;

  CInstance* Add(int32_t id, int32_t object) {
    instances.push_back(std::make_unique<CInstance>(id, object));
    return instances.back().get();
  }
  void ForEachActive(CInstanceVisitor& v) override {
    for (auto& i : instances)
      if (i->IsActive() && !v.Visit(i.get())) return;
  }
  void ForEachActiveOfObject(int32_t object, CInstanceVisitor& v) override {
    for (auto& i : instances)
      if (i->IsActive() && i->object_index == object && !v.Visit(i.get())) return;
  }
  CInstance* FindInstance(int32_t id) override {
    for (auto& i : instances)
      if (i->id == id) return i.get();
    return nullptr;
  }
};

// Built-ins: `speed` (3) kept per instance here, `id` (4) read-only.
class CTestBuiltIns final : public CBuiltInVariables {
 public:
  std::vector<std::pair<CInstance*, double>> speeds;
  int32_t Find(const char*) override { return -1; }
  const char* Name(int32_t) override { return nullptr; }
  bool Get(CInstance* inst, int32_t id, int32_t, RValue* out) override {
    if (id == BUILTIN_ID) {
      out->SetReal(inst->id);
      return true;
    }
    if (id != BUILTIN_SPEED) return false;
    for (auto& s : speeds)
      if (s.first == inst) {
        out->SetReal(s.second);
        return true;
      }
    out->SetReal(0.0);
    return true;
  }
  bool Set(CInstance* inst, int32_t id, int32_t, const RValue& v) override {
    if (id != BUILTIN_SPEED) return false;
    speeds.emplace_back(inst, v.real);
    return true;
  }
};

class VariableRoute : public ::testing::Test {
 protected:
  void SetUp() override {
    SetInstanceWorld(&world);
    SetBuiltInVariables(&builtIns);
    Variable_PrepareGlobals();
    a = world.Add(100001, 0);
    b = world.Add(100002, 1);
    c = world.Add(100003, 0);
    scope = VariableScope{a, b, &locals};
  }
  void TearDown() override {
    Variable_FreeGlobals();
    SetInstanceWorld(nullptr);
    SetBuiltInVariables(nullptr);
  }
  double Get(int32_t selector, int32_t id, bool* ok = nullptr) {
    RValue out;
    bool r = Variable_GetValue(scope, selector, id, 0, &out);
    if (ok) *ok = r;
    return out.real;
  }
  bool Set(int32_t selector, int32_t id, double v) {
    return Variable_SetValue(scope, selector, id, 0, RValue(v));
  }
  static double Own(CInstance* i, int32_t id) {
    RValue out;
    i->variables.Get(id, 0, &out);
    return out.real;
  }

  CTestWorld world;
  CTestBuiltIns builtIns;
  CVariableList locals;
  CInstance *a, *b, *c;
  VariableScope scope;
};

}  // namespace

TEST_F(VariableRoute, SelfOtherGlobalAndLocalReachTheirLists) {
  EXPECT_TRUE(Set(SELECTOR_SELF, X, 1));
  EXPECT_TRUE(Set(SELECTOR_OTHER, X, 2));
  EXPECT_TRUE(Set(SELECTOR_GLOBAL, X, 3));
  EXPECT_TRUE(Set(SELECTOR_LOCAL, X, 4));
  EXPECT_DOUBLE_EQ(Own(a, X), 1);
  EXPECT_DOUBLE_EQ(Own(b, X), 2);
  EXPECT_DOUBLE_EQ(Get(SELECTOR_GLOBAL, X), 3);
  EXPECT_DOUBLE_EQ(Get(SELECTOR_LOCAL, X), 4);
  EXPECT_DOUBLE_EQ(Get(SELECTOR_OTHER, X), 2);
  // The global and local selectors use their list whatever the id.
  EXPECT_TRUE(Set(SELECTOR_GLOBAL, BUILTIN_SPEED, 9));
  EXPECT_DOUBLE_EQ(Get(SELECTOR_GLOBAL, BUILTIN_SPEED), 9);
  EXPECT_TRUE(builtIns.speeds.empty());

  VariableScope none{nullptr, nullptr, nullptr};
  RValue out;
  EXPECT_FALSE(Variable_GetValue(none, SELECTOR_SELF, X, 0, &out));
  EXPECT_FALSE(Variable_SetValue(none, SELECTOR_LOCAL, X, 0, RValue(1.0)));
}

TEST_F(VariableRoute, PlainNamesFollowTheGlobalvarFlag) {
  EXPECT_TRUE(Set(SELECTOR_PLAIN, X, 5));
  EXPECT_DOUBLE_EQ(Own(a, X), 5);
  Variable_DeclareGlobalVar(X);
  EXPECT_DOUBLE_EQ(Get(SELECTOR_PLAIN, X), 0);  // declared: the global list's fresh zero value
  EXPECT_TRUE(Set(SELECTOR_PLAIN, X, 6));
  EXPECT_DOUBLE_EQ(Get(SELECTOR_GLOBAL, X), 6);
  EXPECT_DOUBLE_EQ(Own(a, X), 5);
  // A built-in id under a plain name always goes to self.
  EXPECT_TRUE(Set(SELECTOR_PLAIN, BUILTIN_SPEED, 7));
  ASSERT_EQ(builtIns.speeds.size(), 1u);
  EXPECT_EQ(builtIns.speeds[0].first, a);
}

TEST_F(VariableRoute, AllAndNoone) {
  c->marked = true;
  EXPECT_TRUE(Set(SELECTOR_ALL, X, 1));
  EXPECT_DOUBLE_EQ(Own(a, X), 1);
  EXPECT_DOUBLE_EQ(Own(b, X), 1);
  EXPECT_EQ(c->variables.Count(), 0);

  a->variables.Set(X, 0, RValue(10.0));
  EXPECT_DOUBLE_EQ(Get(SELECTOR_ALL, X), 10);  // the first active instance
  a->deactivated = true;
  EXPECT_DOUBLE_EQ(Get(SELECTOR_ALL, X), 1);

  bool ok = false;
  EXPECT_DOUBLE_EQ(Get(SELECTOR_NOONE, X, &ok), 0);
  EXPECT_TRUE(ok);
  EXPECT_TRUE(Set(SELECTOR_NOONE, X, 3));

  world.instances.clear();
  Get(SELECTOR_ALL, X, &ok);
  EXPECT_FALSE(ok);
}

TEST_F(VariableRoute, ObjectSelectorsReadTheFirstAndWriteEvery) {
  EXPECT_TRUE(Set(0, X, 4));
  EXPECT_DOUBLE_EQ(Own(a, X), 4);
  EXPECT_DOUBLE_EQ(Own(c, X), 4);
  EXPECT_EQ(b->variables.Count(), 0);
  c->variables.Set(X, 0, RValue(8.0));
  a->marked = true;
  EXPECT_DOUBLE_EQ(Get(0, X), 8);

  // No instance of the object: writing does nothing and is no error, reading fails.
  EXPECT_TRUE(Set(5, X, 1));
  bool ok = true;
  Get(5, X, &ok);
  EXPECT_FALSE(ok);

  // Writing into every instance through a read-only built-in fails.
  a->marked = false;
  EXPECT_FALSE(Set(0, BUILTIN_ID, 1));
}

TEST_F(VariableRoute, InstanceIdsAndOtherNegatives) {
  EXPECT_TRUE(Set(100002, X, 6));
  EXPECT_DOUBLE_EQ(Own(b, X), 6);
  EXPECT_DOUBLE_EQ(Get(100002, X), 6);
  EXPECT_DOUBLE_EQ(Get(100003, BUILTIN_ID), 100003);

  b->marked = true;
  bool ok = true;
  Get(100002, X, &ok);
  EXPECT_FALSE(ok);
  EXPECT_TRUE(Set(100002, X, 7));  // dropped without error
  EXPECT_DOUBLE_EQ(Own(b, X), 6);
  Get(123456, X, &ok);
  EXPECT_FALSE(ok);
  EXPECT_TRUE(Set(123456, X, 1));

  Get(-8, X, &ok);
  EXPECT_FALSE(ok);
  EXPECT_FALSE(Set(-8, X, 1));
  EXPECT_FALSE(Set(-100, X, 1));
}

TEST_F(VariableRoute, BuiltInIdsGoThroughTheTable) {
  EXPECT_TRUE(Set(SELECTOR_SELF, BUILTIN_SPEED, 2.5));
  EXPECT_DOUBLE_EQ(Get(SELECTOR_SELF, BUILTIN_SPEED), 2.5);
  EXPECT_EQ(a->variables.Count(), 0);
  EXPECT_FALSE(Set(SELECTOR_SELF, BUILTIN_ID, 1));  // read-only
  EXPECT_DOUBLE_EQ(Get(SELECTOR_SELF, BUILTIN_ID), 100001);
  // Ids from 10000 to 99999 are not built-in: they use the instance's list.
  EXPECT_TRUE(Set(SELECTOR_SELF, 10000, 1));
  EXPECT_EQ(a->variables.Count(), 1);

  SetBuiltInVariables(nullptr);  // no table registered: built-in access fails
  bool ok = true;
  Get(SELECTOR_SELF, BUILTIN_SPEED, &ok);
  EXPECT_FALSE(ok);
}

TEST_F(VariableRoute, IndexErrorsRaiseTheFlagThroughEveryRoute) {
  EXPECT_FALSE(Variable_SetValue(scope, SELECTOR_ALL, X, -1, RValue(1.0)));
  EXPECT_TRUE(Variable_OutOfRange());
  RValue out;
  EXPECT_FALSE(Variable_GetValue(scope, 100001, X, 5, &out));
  EXPECT_TRUE(Variable_OutOfRange());
  EXPECT_TRUE(Variable_SetValue(scope, 0, X, 5, RValue(1.0)));
  EXPECT_FALSE(Variable_OutOfRange());
}
