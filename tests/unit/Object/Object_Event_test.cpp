#include "Run/WorldTestSupport.h"

namespace {

class EventTest : public WorldTest {};

TEST_F(EventTest, HandlersAreFoundUpTheParentChainAndEventInheritedSkipsAGap) {
  AddObject(0, "grand");
  AddObject(1, "parent", 0);
  AddObject(2, "child", 1);
  AddObject(3, "other");
  On(0, EV_STEP, EV_STEP_NORMAL, "global.log += \"G\"");
  On(0, EV_CREATE, 0, "global.log += \"A\"");
  On(2, EV_CREATE, 0, "global.log += \"C\"; event_inherited(); global.log += \"c\"");
  SetGlobal("log", RValue(""));
  Event_BuildLists();

  // The child has no step event of its own but inherits the grandparent's.
  EXPECT_EQ(Event_List(EV_STEP, EV_STEP_NORMAL), (std::vector<int32_t>{0, 1, 2}));
  int32_t found = -1;
  EXPECT_NE(Event_FindHandler(2, EV_STEP, EV_STEP_NORMAL, &found), nullptr);
  EXPECT_EQ(found, 0);
  EXPECT_EQ(Event_FindHandler(3, EV_STEP, EV_STEP_NORMAL), nullptr);

  // event_inherited in the child: the parent has no create event, the grandparent's runs.
  World_CreateWithEvent(0, 0, 2);
  EXPECT_EQ(GlobalText("log"), "CAc");
  // Outside every handler the context is empty again.
  EXPECT_EQ(CurrentActionContext().objectIndex, -1);

  // One step pass: the child instance runs the inherited step handler once.
  SetGlobal("log", RValue(""));
  Event_Pass(EV_STEP, EV_STEP_NORMAL);
  EXPECT_EQ(GlobalText("log"), "G");
}

TEST_F(EventTest, EventUserAndNestedEventsRestoreTheContext) {
  AddObject(0, "solo");
  On(0, EV_OTHER, EV_USER0 + 3, "global.log += \"u\"; event_inherited();");
  On(0, EV_CREATE, 0, "event_user(3); event_inherited(); global.log += \"c\"");
  SetGlobal("log", RValue(""));
  // event_user(3) runs other sub-type 13; event_inherited without a parent does nothing.
  World_CreateWithEvent(0, 0, 0);
  EXPECT_EQ(GlobalText("log"), "uc");
}

TEST_F(EventTest, EventPerformObjectStartsAtTheGivenObject) {
  AddObject(0, "a");
  AddObject(1, "b");
  On(0, EV_OTHER, EV_USER0, "global.log += \"a\"");
  On(1, EV_OTHER, EV_USER0, "global.log += \"b\"");
  On(1, EV_CREATE, 0, "event_perform_object(0, ev_other, ev_user0); event_perform(ev_other, ev_user0)");
  SetGlobal("log", RValue(""));
  World_CreateWithEvent(0, 0, 1);
  EXPECT_EQ(GlobalText("log"), "ab");
}

TEST_F(EventTest, CollisionHandlersReachTheOtherObjectsAncestors) {
  AddObject(0, "wall");
  AddObject(1, "brick", 0);
  AddObject(2, "ball");
  AddObject(3, "bouncy", 2);
  CObject* ball = Object_Find(2);
  ball->MakeHandler(EV_COLLISION, 0)->SetSource("");
  Event_BuildLists();
  // The ball's handler for the wall catches bricks (children of the wall); the bouncy ball inherits
  // it. Pairs are listed lower index first, each once.
  int32_t found = -1;
  EXPECT_NE(Event_FindHandler(2, EV_COLLISION, 1, &found), nullptr);
  EXPECT_EQ(found, 2);
  EXPECT_NE(Event_FindHandler(3, EV_COLLISION, 1), nullptr);
  EXPECT_EQ(Event_FindHandler(0, EV_COLLISION, 2), nullptr);
  const std::vector<std::pair<int32_t, int32_t>> expected = {{0, 2}, {1, 2}, {0, 3}, {1, 3}};
  EXPECT_EQ(Event_CollisionPairs(), expected);
}

TEST_F(EventTest, FilledRangesLeaveHighKeyCodesOutOfTheLists) {
  AddObject(0, "keys");
  Object_Find(0)->MakeHandler(EV_KEYBOARD, 128)->SetSource("");
  Object_Find(0)->MakeHandler(EV_KEYBOARD, 129)->SetSource("");
  Object_Find(0)->MakeHandler(EV_TRIGGER, 0)->SetSource("");
  Event_BuildLists();
  EXPECT_EQ(Event_List(EV_KEYBOARD, 128).size(), 1u);
  EXPECT_TRUE(Event_List(EV_KEYBOARD, 129).empty());
  EXPECT_TRUE(Event_List(EV_TRIGGER, 0).empty());
  // A slot whose CEvent exists without a source reference has no handler.
  Object_Find(0)->MakeHandler(EV_DRAW, 0);
  EXPECT_EQ(Event_FindHandler(0, EV_DRAW, 0), nullptr);
}

TEST_F(EventTest, AnInstanceCreatedInAStepEventWaitsForTheNextPass) {
  AddObject(0, "spawner");
  AddObject(1, "spawned");
  On(0, EV_STEP, EV_STEP_NORMAL, "if (global.made == 0) { global.made = 1; instance_create(0, 0, 1); }");
  On(1, EV_STEP, EV_STEP_NORMAL, "global.log += \"s\"");
  On(1, EV_STEP, EV_STEP_END, "global.log += \"e\"");
  SetGlobal("log", RValue(""));
  SetGlobal("made", RValue(0.0));
  Event_BuildLists();
  World_CreateInstance(0, 0, 0);
  Event_Pass(EV_STEP, EV_STEP_NORMAL);
  Event_Pass(EV_STEP, EV_STEP_END);
  EXPECT_EQ(GlobalText("log"), "e");
  Event_Pass(EV_STEP, EV_STEP_NORMAL);
  EXPECT_EQ(GlobalText("log"), "es");
}

TEST_F(EventTest, AnInstanceDestroyedEarlierInAPassIsSkipped) {
  AddObject(0, "victim");
  On(0, EV_STEP, EV_STEP_NORMAL, "global.count += 1; with (0) instance_destroy();");
  On(0, EV_DESTROY, 0, "global.destroyed += 1");
  SetGlobal("count", RValue(0.0));
  SetGlobal("destroyed", RValue(0.0));
  Event_BuildLists();
  World_CreateInstance(0, 0, 0);
  World_CreateInstance(0, 0, 0);
  Event_Pass(EV_STEP, EV_STEP_NORMAL);
  EXPECT_EQ(GlobalReal("count"), 1);
  EXPECT_EQ(GlobalReal("destroyed"), 2);
  // Destroyed instances stay listed until the removal pass.
  EXPECT_EQ(World_Active().count, 2);
  World_RemoveMarked();
  EXPECT_EQ(World_Active().count, 0);
}

TEST_F(EventTest, InstanceChangeRestampsAndMovesBetweenObjectLists) {
  AddObject(0, "before");
  AddObject(1, "after");
  On(0, EV_STEP, EV_STEP_NORMAL, "instance_change(1, true)");
  On(0, EV_DESTROY, 0, "global.log += \"d\"");
  On(1, EV_CREATE, 0, "global.log += \"c\"");
  On(1, EV_STEP, EV_STEP_NORMAL, "global.log += \"s\"");
  SetGlobal("log", RValue(""));
  Event_BuildLists();
  CInstance* i = World_CreateInstance(0, 0, 0);
  Event_Pass(EV_STEP, EV_STEP_NORMAL);
  // Changed during the step pass: the destroy and create events ran, the new object's step did not.
  EXPECT_EQ(GlobalText("log"), "dc");
  EXPECT_EQ(i->object_index, 1);
  EXPECT_TRUE(Object_Find(0)->instances.empty());
  EXPECT_EQ(Object_Find(1)->instances, (std::vector<CInstance*>{i}));
  Event_Pass(EV_STEP, EV_STEP_NORMAL);
  EXPECT_EQ(GlobalText("log"), "dcs");
}

TEST_F(EventTest, EventsAreSkippedWhileARoomChangeIsPending) {
  AddObject(0, "o");
  On(0, EV_CREATE, 0, "global.log += \"c\"");
  SetGlobal("log", RValue(""));
  g_RunState.newRoom = 3;
  CInstance* i = World_CreateInstance(0, 0, 0);
  EXPECT_FALSE(Event_PerformOwn(i, EV_CREATE, 0));
  EXPECT_EQ(GlobalText("log"), "");
}

TEST_F(EventTest, DisplayNames) {
  AddObject(4, "obj_wall");
  char name[64];
  Event_Name(EV_STEP, EV_STEP_BEGIN, name, sizeof name);
  EXPECT_STREQ(name, "Begin Step");
  Event_Name(EV_ALARM, 3, name, sizeof name);
  EXPECT_STREQ(name, "Alarm 3");
  Event_Name(EV_COLLISION, 4, name, sizeof name);
  EXPECT_STREQ(name, "obj_wall");
  Event_Name(EV_KEYPRESS, 'A', name, sizeof name);
  EXPECT_STREQ(name, "press A");
  Event_Name(EV_OTHER, EV_USER0 + 2, name, sizeof name);
  EXPECT_STREQ(name, "User Defined 2");
  Event_Name(12, 0, name, sizeof name);
  EXPECT_STREQ(name, "<Unknown Event>");
}

}  // namespace
