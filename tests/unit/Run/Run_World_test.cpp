#include <cmath>

#include "Run/WorldTestSupport.h"

namespace {

class InstanceWorldTest : public WorldTest {};

TEST_F(InstanceWorldTest, AlarmOneFiresNextPassAndZeroNeverFires) {
  AddObject(0, "timer");
  On(0, EV_ALARM, 0, "global.fired += 1");
  SetGlobal("fired", RValue(0.0));
  Event_BuildLists();
  CInstance* one = World_CreateInstance(0, 0, 0);
  CInstance* zero = World_CreateInstance(0, 0, 0);
  one->SetAlarm(0, 1);
  zero->SetAlarm(0, 0);
  World_AlarmStep();
  EXPECT_EQ(GlobalReal("fired"), 1);
  EXPECT_EQ(one->GetAlarm(0), 0);
  EXPECT_EQ(zero->GetAlarm(0), -1);
  World_AlarmStep();
  EXPECT_EQ(GlobalReal("fired"), 1);
  EXPECT_EQ(one->GetAlarm(0), -1);
}

TEST_F(InstanceWorldTest, AlarmsOfObjectsWithoutTheEventAreNotCounted) {
  AddObject(0, "plain");
  Event_BuildLists();
  CInstance* i = World_CreateInstance(0, 0, 0);
  i->SetAlarm(3, 5);
  World_AlarmStep();
  EXPECT_EQ(i->GetAlarm(3), 5);
}

TEST_F(InstanceWorldTest, AnInstanceCreatedInAnAlarmIsNotCountedInThatPass) {
  AddObject(0, "breeder");
  // The alarm creates a sibling that starts with alarm 0 at 1.
  On(0, EV_ALARM, 0, "global.fired += 1; if (global.fired == 1) global.child = instance_create(0, 0, 0);");
  SetGlobal("fired", RValue(0.0));
  Event_BuildLists();
  World_CreateInstance(0, 0, 0)->SetAlarm(0, 1);
  World_AlarmStep();
  CInstance* child = World_Find(int32_t(GlobalReal("child")));
  ASSERT_NE(child, nullptr);
  child->SetAlarm(0, 1);
  EXPECT_EQ(GlobalReal("fired"), 1);
  World_AlarmStep();
  EXPECT_EQ(GlobalReal("fired"), 2);
}

TEST_F(InstanceWorldTest, EqualDepthsGoAfterTheirPeersAndDepthChangesReinsert) {
  AddObject(0, "o");
  CInstance* a = World_CreateInstance(0, 0, 0);
  CInstance* b = World_CreateInstance(0, 0, 0);
  World_SetDepth(b, -5);
  CInstance* c = World_CreateInstance(0, 0, 0);
  // b (-5), then a and c at depth 0 in insertion order.
  EXPECT_EQ(World_Active().At(0), b);
  EXPECT_EQ(World_Active().At(1), a);
  EXPECT_EQ(World_Active().At(2), c);
  World_SetDepth(b, 0);
  EXPECT_EQ(World_Active().At(2), b);
  EXPECT_EQ(World_Active().count, 3);
  EXPECT_EQ(World_Active().tail, b);
}

TEST_F(InstanceWorldTest, TheListArrayFollowsEveryChangeOfTheList) {
  AddObject(0, "o");
  auto order = [] {
    std::vector<float> xs;
    for (CInstance* i : World_Active().Items()) xs.push_back(i->x);
    return xs;
  };
  CInstance* a = World_CreateInstance(1, 0, 0);
  CInstance* b = World_CreateInstance(2, 0, 0);
  World_SetDepth(b, 10);
  CInstance* c = World_CreateInstance(3, 0, 0);  // depth 0: before b, after a
  EXPECT_EQ(order(), (std::vector<float>{1, 3, 2}));
  World_SetDepth(a, 5);  // between c (0) and b (10)
  EXPECT_EQ(order(), (std::vector<float>{3, 1, 2}));
  EXPECT_EQ(World_Active().At(1), a);
  c->marked = true;
  World_RemoveMarked();
  EXPECT_EQ(order(), (std::vector<float>{1, 2}));
  EXPECT_EQ(World_Active().At(2), nullptr);
  b->deactivated = true;
  World_UpdateActive();
  EXPECT_EQ(order(), (std::vector<float>{1}));
  EXPECT_EQ(World_Deactivated().Items(), (std::vector<CInstance*>{b}));
}

TEST_F(InstanceWorldTest, ANaNDepthIsNeverGreaterSoDepthsAroundItStayInOrder) {
  AddObject(0, "o");
  CInstance* nine = World_CreateInstance(0, 0, 0);
  World_SetDepth(nine, 9);
  CInstance* nan = World_CreateInstance(0, 0, 0);
  World_SetDepth(nan, std::nanf(""));  // after 9: nothing is greater than NaN
  CInstance* seven = World_CreateInstance(0, 0, 0);
  World_SetDepth(seven, 7);  // before 9, the first greater depth
  CInstance* ten = World_CreateInstance(0, 0, 0);
  World_SetDepth(ten, 10);  // no greater depth: last
  EXPECT_EQ(World_Active().Items(), (std::vector<CInstance*>{seven, nine, nan, ten}));
  CInstance* eight = World_CreateInstance(0, 0, 0);
  World_SetDepth(eight, 8);  // before 9
  CInstance* between = World_CreateInstance(0, 0, 0);
  World_SetDepth(between, 9.5f);  // the first greater depth is 10, after the NaN
  EXPECT_EQ(World_Active().Items(), (std::vector<CInstance*>{seven, eight, nine, nan, between, ten}));
}

TEST_F(InstanceWorldTest, RemovalWithNothingMarkedKeepsEveryInstance) {
  AddObject(0, "o");
  CInstance* a = World_CreateInstance(0, 0, 0);
  CInstance* b = World_CreateInstance(0, 0, 0);
  World_RemoveMarked();
  EXPECT_EQ(World_Active().Items(), (std::vector<CInstance*>{a, b}));
  b->marked = true;
  World_RemoveMarked();
  EXPECT_EQ(World_Active().Items(), (std::vector<CInstance*>{a}));
  EXPECT_EQ(World_Active().tail, a);
}

TEST_F(InstanceWorldTest, APassWalksTheInstancesItStartedWith) {
  // In the animation pass the first instance destroys the second and makes a new one: the
  // destroyed one is skipped, the new one takes part from the next pass on.
  AddObject(0, "o");
  On(0, EV_OTHER, EV_ANIMATION_END,
     "global.seen += string(tag) + \" \"; if (tag == 1) { with (global.victim) instance_destroy(); "
     "instance_create(0, 0, 0); }");
  SetGlobal("seen", RValue(""));
  SetVar(World_CreateInstance(0, 0, 0), "tag", 1);
  CInstance* victim = World_CreateInstance(0, 0, 0);
  SetVar(victim, "tag", 2);
  SetGlobal("victim", RValue(double(victim->id)));
  World_AnimationStep();
  EXPECT_EQ(GlobalText("seen"), "1 ");
  World_RemoveMarked();
  EXPECT_EQ(World_Active().count, 2);
  World_AnimationStep();
  EXPECT_EQ(GlobalText("seen"), "1 1 0 ");
  EXPECT_EQ(World_Active().count, 3);
}

TEST_F(InstanceWorldTest, IdsFollowTheLastIdAndAreFoundInTheTable) {
  AddObject(0, "o");
  World_SetLastId(100500);
  CInstance* a = World_CreateInstance(0, 0, 0);
  CInstance* b = World_CreateInstance(0, 0, 0);
  EXPECT_EQ(a->id, 100501);
  EXPECT_EQ(b->id, 100502);
  EXPECT_EQ(World_Find(100502), b);
  a->marked = true;
  World_RemoveMarked();
  EXPECT_EQ(World_Find(100501), nullptr);
  EXPECT_TRUE(Object_Find(0)->instances.size() == 1);
}

TEST_F(InstanceWorldTest, InstanceNearestLimitsAndTies) {
  AddObject(0, "o");
  CInstance* far = World_CreateInstance(20000, 0, 0);
  EXPECT_EQ(Call("instance_nearest", nullptr, {RValue(0.0), RValue(0.0), RValue(0.0)}).real, SELECTOR_NOONE);
  CInstance* left = World_CreateInstance(-10, 0, 0);
  CInstance* right = World_CreateInstance(10, 0, 0);
  EXPECT_EQ(Call("instance_nearest", nullptr, {RValue(0.0), RValue(0.0), RValue(0.0)}).real, left->id);
  EXPECT_EQ(Call("instance_nearest", nullptr, {RValue(0.0), RValue(0.0), RValue(-3.0)}).real, left->id);
  EXPECT_EQ(Call("instance_furthest", nullptr, {RValue(0.0), RValue(0.0), RValue(0.0)}).real, far->id);
  // An id is not a valid selector here.
  EXPECT_EQ(Call("instance_nearest", nullptr, {RValue(0.0), RValue(0.0), RValue(double(right->id))}).real,
            SELECTOR_NOONE);
}

TEST_F(InstanceWorldTest, FindNumberAndExistsSkipMarkedInstances) {
  AddObject(0, "parent");
  AddObject(1, "child", 0);
  CInstance* a = World_CreateInstance(0, 0, 1);
  CInstance* b = World_CreateInstance(0, 0, 0);
  a->marked = true;
  EXPECT_EQ(Call("instance_find", nullptr, {RValue(-3.0), RValue(0.0)}).real, b->id);
  EXPECT_EQ(Call("instance_number", nullptr, {RValue(0.0)}).real, 1);
  EXPECT_EQ(Call("instance_number", nullptr, {RValue(1.0)}).real, 0);
  EXPECT_EQ(Call("instance_exists", nullptr, {RValue(double(a->id))}).real, 0);
  EXPECT_EQ(Call("instance_exists", a, {RValue(-1.0)}).real, 0);
  EXPECT_EQ(Call("instance_exists", b, {RValue(-1.0)}).real, 1);
  EXPECT_EQ(Call("instance_exists", b, {RValue(-4.0)}).real, 0);
}

TEST_F(InstanceWorldTest, DeactivatedInstancesLeaveListsButKeepTheirIds) {
  AddObject(0, "o");
  AddObject(1, "keep");
  CInstance* a = World_CreateInstance(0, 0, 0);
  CInstance* k = World_CreateInstance(50, 50, 1);
  Call("instance_deactivate_object", nullptr, {RValue(0.0)});
  EXPECT_EQ(Call("instance_number", nullptr, {RValue(0.0)}).real, 0);
  EXPECT_EQ(Call("instance_exists", nullptr, {RValue(double(a->id))}).real, 1);
  EXPECT_EQ(World_Active().count, 1);
  EXPECT_EQ(World_Deactivated().count, 1);
  Call("instance_activate_object", nullptr, {RValue(0.0)});
  EXPECT_EQ(Call("instance_number", nullptr, {RValue(0.0)}).real, 1);
  // Regions test positions when there is no sprite: only k lies inside (40,40)-(60,60).
  Call("instance_deactivate_region", nullptr,
       {RValue(40.0), RValue(40.0), RValue(20.0), RValue(20.0), RValue(1.0), RValue(0.0)});
  EXPECT_TRUE(k->deactivated);
  EXPECT_FALSE(a->deactivated);
  Call("instance_activate_region", nullptr, {RValue(40.0), RValue(40.0), RValue(20.0), RValue(20.0), RValue(1.0)});
  EXPECT_FALSE(k->deactivated);
  Call("instance_deactivate_all", a, {RValue(1.0)});
  EXPECT_FALSE(a->deactivated);
  EXPECT_TRUE(k->deactivated);
  Call("instance_activate_all", nullptr, {});
  EXPECT_EQ(World_Active().count, 2);
}

TEST_F(InstanceWorldTest, WithBlockOrders) {
  AddObject(0, "o");
  AddObject(1, "pair");
  for (int n = 1; n <= 3; ++n) SetVar(World_CreateInstance(0, 0, 0), "n", n);
  for (int n = 1; n <= 2; ++n) SetVar(World_CreateInstance(0, 0, 1), "n", n);
  SetGlobal("acc", RValue(0.0));
  CInstance runner(0, -1);
  // Three or more: the last, then back from the second-to-last to the first.
  Run(&runner, "with (0) global.acc = global.acc * 10 + n;");
  EXPECT_EQ(GlobalReal("acc"), 321);
  // Two: first then second.
  SetGlobal("acc", RValue(0.0));
  Run(&runner, "with (1) global.acc = global.acc * 10 + n;");
  EXPECT_EQ(GlobalReal("acc"), 12);
  // Reads through an object take its first instance; writes reach every one.
  Run(&runner, "global.first = (0).n; (1).n = 7;");
  EXPECT_EQ(GlobalReal("first"), 1);
  for (CInstance* i : Object_Find(1)->instances) EXPECT_EQ(Var(i, "n"), 7);
}

TEST_F(InstanceWorldTest, InstanceCreateErrorsAndCopy) {
  AddObject(0, "o");
  On(0, EV_CREATE, 0, "global.creates += 1");
  SetGlobal("creates", RValue(0.0));
  EXPECT_EQ(Call("instance_create", nullptr, {RValue(0.0), RValue(0.0), RValue("x")}).real, -1);
  EXPECT_EQ(LastMessage(), "instance_create( ) error: Illegal type");
  EXPECT_EQ(Call("instance_create", nullptr, {RValue(0.0), RValue(0.0), RValue(5.0)}).real, -1);
  // The object argument is truncated: 0.9 names object 0.
  const double id = Call("instance_create", nullptr, {RValue(4.0), RValue(5.0), RValue(0.9)}).real;
  CInstance* made = World_Find(int32_t(id));
  ASSERT_NE(made, nullptr);
  EXPECT_TRUE(made->created);
  EXPECT_EQ(GlobalReal("creates"), 1);
  made->SetHspeed(3);
  SetVar(made, "hp", 9);
  const double copyId = Call("instance_copy", made, {RValue(1.0)}).real;
  CInstance* copy = World_Find(int32_t(copyId));
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, made);
  EXPECT_EQ(copy->x, 4);
  EXPECT_EQ(copy->hspeed, 3);
  EXPECT_EQ(Var(copy, "hp"), 9);
  EXPECT_EQ(GlobalReal("creates"), 2);
  EXPECT_EQ(Object_Find(0)->instances.size(), 2u);
}

TEST_F(InstanceWorldTest, MotionStepMovesEveryInstanceAndAnimationEndsWithoutASprite) {
  AddObject(0, "o");
  On(0, EV_OTHER, EV_ANIMATION_END, "global.ends += 1");
  SetGlobal("ends", RValue(0.0));
  CInstance* i = World_CreateInstance(10, 10, 0);
  i->SetHspeed(3);
  i->SetVspeed(-4);
  World_RememberPositions();
  World_MotionStep();
  EXPECT_EQ(i->x, 13);
  EXPECT_EQ(i->y, 6);
  EXPECT_EQ(i->xprevious, 10);
  // No sprite: the frame count is 0, so every step ends the animation.
  World_AnimationStep();
  World_AnimationStep();
  EXPECT_EQ(GlobalReal("ends"), 2);
  i->image_index = -5;
  i->image_speed = 1;
  World_AnimationStep();
  EXPECT_EQ(GlobalReal("ends"), 2);
}

}  // namespace
