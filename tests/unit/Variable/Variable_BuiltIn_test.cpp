#include "Variable/Variable_BuiltIn.h"

#include <gtest/gtest.h>

#include "BuiltInTestWorld.h"
#include "Object/Object_Event.h"
#include "Variable/Variable_Names.h"
#include "Variable/Variable_Route.h"

using BuiltInVariable = BuiltInWorldTest;

TEST_F(BuiltInVariable, IdsFollowTheRegistrationOrder) {
  EXPECT_EQ(FindBuiltIn("x"), 0);
  EXPECT_EQ(FindBuiltIn("X"), -1);
  EXPECT_EQ(FindBuiltIn("alarm"), 15);
  EXPECT_EQ(FindBuiltIn("webgl_enabled"), 77);
  EXPECT_EQ(FindBuiltIn("argument_relative"), 78);
  EXPECT_EQ(FindBuiltIn("argument0"), 80);
  EXPECT_EQ(FindBuiltIn("argument15"), 95);
  EXPECT_EQ(FindBuiltIn("room"), 98);
  EXPECT_EQ(FindBuiltIn("instance_id"), 112);
  EXPECT_EQ(FindBuiltIn("error_last"), 183);
  EXPECT_EQ(BuiltInCount(), 184);
  EXPECT_STREQ(BuiltInName(0), "x");
  EXPECT_STREQ(BuiltInName(184), "<unknown built-in variable>");
  EXPECT_STREQ(BuiltInName(-1), "<unknown built-in variable>");
  // The variable layer sees the table: names resolve to built-in ids.
  EXPECT_EQ(Variable_FindName("speed"), 9);
  EXPECT_STREQ(Variable_GetName(78), "argument_relative");
}

TEST_F(BuiltInVariable, AFullTableRefusesMoreAndStaysAsItWas) {
  ClearBuiltIns();
  char name[16];
  for (int i = 0; i < kBuiltInSlotCount; ++i) {
    std::snprintf(name, sizeof name, "v%d", i);
    AddBuiltIn(name, nullptr, nullptr, false);
  }
  const std::string out = ConsoleOf([] { AddBuiltIn("one_too_many", nullptr, nullptr, true); });
  EXPECT_NE(out.find("INTERNAL ERROR: Adding too many variables"), std::string::npos);
  EXPECT_EQ(BuiltInCount(), kBuiltInSlotCount);
  EXPECT_EQ(FindBuiltIn("one_too_many"), -1);
  EXPECT_EQ(FindBuiltIn("v499"), 499);
  Variable_InitBuiltIns();  // registration reuses the slots' buffers
  EXPECT_EQ(FindBuiltIn("x"), 0);
  EXPECT_EQ(BuiltInCount(), 184);
}

TEST_F(BuiltInVariable, ReadOnlyVariablesRefuseWritesAndChangeNothing) {
  CInstance* a = Create(10, 20);
  const int32_t id = a->id;
  EXPECT_FALSE(Set(a, "id", 5));
  EXPECT_FALSE(Set(a, "object_index", 3));
  EXPECT_FALSE(Set(a, "instance_count", 9));
  EXPECT_FALSE(Set(nullptr, "room_width", 9));
  EXPECT_EQ(a->id, id);
  EXPECT_EQ(Get(a, "id"), id);
  // Through the routing layer as compiled code reaches it.
  EXPECT_FALSE(Variable_SetInstance(a, FindBuiltIn("path_index"), 0, RValue(2.0)));
  EXPECT_EQ(a->path_index, -1);
}

TEST_F(BuiltInVariable, EachVariableKeepsItsOwnBooleanConvention) {
  CInstance* a = Create(0, 0);
  // nonzero: -1 is true, 0.5 rounds to 0 and is false.
  EXPECT_TRUE(Set(a, "solid", -1));
  EXPECT_TRUE(a->solid);
  Set(a, "solid", 0.5);
  EXPECT_FALSE(a->solid);
  Set(a, "visible", 1.5);
  EXPECT_TRUE(a->visible);
  // above half: -1 is false, 0.5 too, 0.6 rounds to 1 and is true.
  Set(nullptr, "room_persistent", -1);
  EXPECT_FALSE(Room_Current()->persistent);
  EXPECT_EQ(Get(nullptr, "room_persistent"), 0);
  Set(nullptr, "room_persistent", 1);
  EXPECT_TRUE(Room_Current()->persistent);
  Set(a, "timeline_running", 0.5);
  EXPECT_FALSE(a->timeline_running);
  Set(a, "timeline_running", 0.6);
  EXPECT_TRUE(a->timeline_running);
  // at least half: 0.5 sets the flag, 0.49 clears it.
  Set(nullptr, "error_occurred", 0.5);
  EXPECT_TRUE(ErrorOccurred());
  EXPECT_EQ(Get(nullptr, "error_occurred"), 1);
  Set(nullptr, "error_occurred", 0.49);
  EXPECT_FALSE(ErrorOccurred());
}

TEST_F(BuiltInVariable, TransitionsStayOffAndStepsStayPositive) {
  const std::string out = ConsoleOf([] { Set(nullptr, "transition_kind", 3); });
  EXPECT_EQ(Get(nullptr, "transition_kind"), 0);
  EXPECT_EQ(out,
            "BUG: Room transitions don't function well - setting to 0 - look at Variable_BuiltIn "
            "SV_TransitionKind() .\n");
  Set(nullptr, "transition_steps", 0);
  EXPECT_EQ(Get(nullptr, "transition_steps"), 1);
  Set(nullptr, "transition_steps", -4);
  EXPECT_EQ(Get(nullptr, "transition_steps"), 1);
  Set(nullptr, "transition_steps", 2.5);  // R(2.5) = 2
  EXPECT_EQ(Get(nullptr, "transition_steps"), 2);
}

TEST_F(BuiltInVariable, ArrayIndicesOutsideTheirRangeSelectTheFirstEntry) {
  Set(nullptr, "argument", 5, 20);
  EXPECT_EQ(g_Arguments[0].real, 5);
  SetText(nullptr, "argument", "third", 3);
  EXPECT_EQ(GetText(nullptr, "argument3"), "third");
  EXPECT_EQ(Get(nullptr, "argument", -1), 5);

  CRoom* room = Room_Current();
  room->backgrounds[0].x = 17;
  room->backgrounds[7].x = 70;
  EXPECT_EQ(Get(nullptr, "background_x", 12), 17);
  EXPECT_EQ(Get(nullptr, "background_x", 7), 70);
  Set(nullptr, "view_xview", 33, -2);
  EXPECT_EQ(room->views[0].xview, 33);
  Set(nullptr, "view_wview", 100.5, 3);  // an integer entry: R(100.5) = 100
  EXPECT_EQ(room->views[3].wview, 100);
  Set(nullptr, "background_visible", 1, 8);
  EXPECT_TRUE(room->backgrounds[0].visible);

  CInstance* a = Create(0, 0);
  Set(a, "alarm", 5, 12);
  EXPECT_EQ(a->alarm[0], 5);
  a->alarm[0] = 9;
  EXPECT_EQ(Get(a, "alarm", 15), 9);
  Set(a, "alarm", 2.5, 11);
  EXPECT_EQ(a->alarm[11], 2);
}

TEST_F(BuiltInVariable, InstanceListReadsFollowTheActiveList) {
  CInstance* deep = Create(0, 0);
  CInstance* shallow = Create(0, 0);
  Set(shallow, "depth", -5);  // moves before `deep`
  EXPECT_EQ(Get(nullptr, "instance_count"), 2);
  EXPECT_EQ(Get(nullptr, "instance_id", 0), shallow->id);
  EXPECT_EQ(Get(nullptr, "instance_id", 1), deep->id);
  EXPECT_EQ(Get(nullptr, "instance_id", 2), -4);
  EXPECT_EQ(Get(nullptr, "instance_id", -1), -4);
  deep->deactivated = true;
  World_UpdateActive();
  EXPECT_EQ(Get(nullptr, "instance_count"), 1);
}

TEST_F(BuiltInVariable, LivesAndHealthRunTheirEventsOnlyWhenCrossingZero) {
  AddObject(0, EV_OTHER, EV_NO_MORE_LIVES, "score += 1");
  AddObject(0, EV_OTHER, EV_NO_MORE_HEALTH, "score += 100");
  Create(0, 0);
  Create(0, 0);
  g_RunState.lives = 1;
  Set(nullptr, "lives", 0);
  EXPECT_EQ(g_RunState.score, 2);  // once for each instance
  Set(nullptr, "lives", -1);
  EXPECT_EQ(g_RunState.score, 2);
  Set(nullptr, "lives", 3.5);  // R(3.5) = 4
  EXPECT_EQ(g_RunState.lives, 4);

  Set(nullptr, "health", 0.25);  // from 100: still above 0
  EXPECT_EQ(g_RunState.score, 2);
  Set(nullptr, "health", -0.5);
  EXPECT_EQ(g_RunState.score, 202);
  EXPECT_EQ(Get(nullptr, "health"), -0.5);
  Set(nullptr, "health", -3);
  EXPECT_EQ(g_RunState.score, 202);
}

TEST_F(BuiltInVariable, RoomSpeedRefusesValuesAtOrBelowZero) {
  Room_Current()->speed = 30;
  Set(nullptr, "room_speed", 0.4);
  EXPECT_EQ(Get(nullptr, "room_speed"), 30);
  EXPECT_TRUE(ErrorOccurred());
  EXPECT_NE(std::string(LastErrorText()).find("Trying to set the room speed to a value <= 0."), std::string::npos);
  Set(nullptr, "room_speed", 60);
  EXPECT_EQ(Room_Current()->speed, 60);
}

TEST_F(BuiltInVariable, InstanceSettersKeepMotionAndAnimationConsistent) {
  CInstance* a = Create(0, 0);
  Set(a, "hspeed", 3);
  Set(a, "vspeed", -4);
  EXPECT_FLOAT_EQ(Get(a, "speed"), 5);
  Set(a, "direction", -90);
  EXPECT_FLOAT_EQ(Get(a, "direction"), 270);
  EXPECT_FLOAT_EQ(Get(a, "vspeed"), 5);  // speed 5 pointing down

  a->image_index = 2;
  a->image_speed = 0.5f;
  EXPECT_EQ(Get(a, "image_single"), -1);
  Set(a, "image_single", 3);
  EXPECT_EQ(a->image_index, 3);
  EXPECT_EQ(a->image_speed, 0);
  EXPECT_EQ(Get(a, "image_single"), 3);
  Set(a, "image_single", -1);  // restarts the animation at the frame it shows
  EXPECT_EQ(a->image_index, 3);
  EXPECT_EQ(a->image_speed, 1);

  Set(a, "x", 12.5);
  EXPECT_EQ(a->x, 12.5f);
  EXPECT_EQ(a->y, 0);
  Set(a, "path_position", 1.5);
  EXPECT_EQ(a->path_position, 1);
  Set(a, "image_blend", 255);
  EXPECT_EQ(Get(a, "image_blend"), 255);
  // Physics is not part of this runner: reads 0, writes are accepted and ignored.
  EXPECT_TRUE(Set(a, "phy_rotation", 45));
  EXPECT_EQ(Get(a, "phy_rotation"), 0);
  EXPECT_FALSE(Set(a, "phy_mass", 1));
}

TEST_F(BuiltInVariable, TextVariablesAndTheRoomOrder) {
  SetText(nullptr, "keyboard_lastchar", "xyz");
  EXPECT_EQ(GetText(nullptr, "keyboard_lastchar"), "x");
  SetText(nullptr, "keyboard_lastchar", "");
  EXPECT_EQ(GetText(nullptr, "keyboard_lastchar"), "x");
  SetText(nullptr, "room_caption", "Level 1");
  EXPECT_EQ(Room_Current()->caption, "Level 1");
  SetText(nullptr, "error_last", "oops");
  EXPECT_STREQ(LastErrorText(), "oops");
  EXPECT_FALSE(g_BuiltInState.caption.changedByGame);
  Set(nullptr, "show_score", 0);
  EXPECT_EQ(Get(nullptr, "show_score"), 0);
  EXPECT_TRUE(g_BuiltInState.caption.changedByGame);

  EXPECT_EQ(Get(nullptr, "room"), 0);
  EXPECT_EQ(Get(nullptr, "room_first"), 0);
  EXPECT_EQ(Get(nullptr, "room_last"), 1);
  Set(nullptr, "room", 1);  // a request, acted on at the end of the frame
  EXPECT_EQ(g_RunState.newRoom, 1);
  EXPECT_EQ(Get(nullptr, "room"), 0);
}

TEST_F(BuiltInVariable, EventContextInsideATimelineMomentNamesTheTimeline) {
  CActionContext& context = CurrentActionContext();
  context.objectIndex = 3;
  context.eventType = 7;
  context.eventNumber = 10;
  EXPECT_EQ(Get(nullptr, "event_object"), 3);
  EXPECT_EQ(Get(nullptr, "event_type"), 7);
  context.objectIndex = kTimelineObjectIndex;
  context.timelineIndex = 2;
  context.eventType = 100000;
  context.eventNumber = 40;
  EXPECT_EQ(Get(nullptr, "event_object"), 2);
  EXPECT_EQ(Get(nullptr, "event_type"), 100000);
  EXPECT_EQ(Get(nullptr, "event_number"), 40);
}
