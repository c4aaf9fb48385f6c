// Exercise of the world's functions for the implemented-set check: each is called on a small world
// and a few results derived from the rules are checked.
#include "Function/Function_Exercise.h"
#include "Run/WorldTestSupport.h"

namespace {

struct WorldExercise : WorldTest {
  void TestBody() override {}
};

void ExerciseWorld() {
  WorldExercise w;
  w.SetUp();
  w.AddObject(0, "obj_a");
  w.AddObject(1, "obj_b", 0);
  w.AddRoom(0, "room_a");
  w.AddRoom(1, "room_b");
  Event_BuildLists();
  Room_ResetStates();
  Room_EnterFirst();
  CInstance* self = World_CreateInstance(10, 20, 0);
  const char* names[] = {
      "instance_copy", "instance_destroy", "instance_change", "instance_sprite", "instance_exists",
      "instance_number", "instance_find", "instance_nearest", "instance_furthest", "instance_deactivate_all",
      "instance_deactivate_object", "instance_deactivate_region", "instance_activate_all",
      "instance_activate_object", "instance_activate_region", "motion_set", "motion_add", "move_towards_point",
      "move_snap", "place_snapped", "move_wrap", "distance_to_point", "distance_to_object",
      "action_set_relative", "action_move", "action_set_motion", "action_set_hspeed", "action_set_vspeed",
      "action_set_gravity", "action_set_friction", "action_move_point", "action_move_to", "action_move_start",
      "action_snap", "action_wrap", "action_reverse_xdir", "action_reverse_ydir", "action_create_object",
      "action_create_object_motion", "action_create_object_random", "action_change_object",
      "action_kill_object", "action_if_number", "action_if_aligned", "object_exists", "object_get_name",
      "object_name", "object_get_sprite", "object_get_solid", "object_get_visible", "object_get_depth",
      "object_get_persistent", "object_get_mask", "object_get_parent", "object_is_ancestor",
      "object_set_sprite", "object_set_solid", "object_set_visible", "object_set_depth",
      "object_set_persistent", "object_set_mask", "object_set_parent", "event_perform",
      "event_perform_object", "event_user", "event_inherited", "action_inherited", "room_exists",
      "room_get_name", "room_name", "room_next", "room_previous", "room_set_width", "room_set_height",
      "room_set_caption", "room_set_persistent", "room_set_background_color", "room_set_background",
      "room_set_view", "room_set_view_enabled", "room_instance_clear", "room_tile_add", "room_tile_add_ext",
      "room_tile_clear", "transition_define", "transition_exists", "room_instance_add", "room_duplicate",
      "room_assign", "room_add", "object_event_clear", "object_event_add", "object_add", "object_delete",
      "room_goto", "room_goto_next", "room_goto_previous", "room_restart", "action_another_room",
      "action_current_room", "action_previous_room", "action_next_room", "instance_create", "room_set_code"};
  for (const char* name : names) {
    std::vector<RValue> args(16, RValue(0.0));
    if (std::string(name) == "action_move") args[0] = RValue("000010000");
    WorldTest::Call(name, self, args);
    g_RunState.newRoom = kNoRequest;
  }
  EXPECT_EQ(WorldTest::Call("object_is_ancestor", self, {RValue(1.0), RValue(0.0)}).real, 0);  // parent cleared above
  EXPECT_EQ(Room_Next(0), 1);
  EXPECT_EQ(WorldTest::Call("room_get_name", self, {RValue(1.0)}).Str(), std::string("room_b"));
  w.TearDown();
}

const RegisterExercise kWorld(
    {"instance_copy", "instance_destroy", "instance_change", "instance_sprite", "instance_exists",
     "instance_number", "instance_find", "instance_nearest", "instance_furthest", "instance_deactivate_all",
     "instance_deactivate_object", "instance_deactivate_region", "instance_activate_all",
     "instance_activate_object", "instance_activate_region", "motion_set", "motion_add", "move_towards_point",
     "move_snap", "place_snapped", "move_wrap", "distance_to_point", "distance_to_object",
     "action_set_relative", "action_move", "action_set_motion", "action_set_hspeed", "action_set_vspeed",
     "action_set_gravity", "action_set_friction", "action_move_point", "action_move_to", "action_move_start",
     "action_snap", "action_wrap", "action_reverse_xdir", "action_reverse_ydir", "action_create_object",
     "action_create_object_motion", "action_create_object_random", "action_change_object",
     "action_kill_object", "action_if_number", "action_if_aligned", "object_exists", "object_get_name",
     "object_name", "object_get_sprite", "object_get_solid", "object_get_visible", "object_get_depth",
     "object_get_persistent", "object_get_mask", "object_get_parent", "object_is_ancestor",
     "object_set_sprite", "object_set_solid", "object_set_visible", "object_set_depth",
     "object_set_persistent", "object_set_mask", "object_set_parent", "event_perform",
     "event_perform_object", "event_user", "event_inherited", "action_inherited", "room_exists",
     "room_get_name", "room_name", "room_next", "room_previous", "room_set_width", "room_set_height",
     "room_set_caption", "room_set_persistent", "room_set_background_color", "room_set_background",
     "room_set_view", "room_set_view_enabled", "room_instance_clear", "room_tile_add", "room_tile_add_ext",
     "room_tile_clear", "transition_define", "transition_exists", "room_instance_add", "room_duplicate",
     "room_assign", "room_add", "object_event_clear", "object_event_add", "object_add", "object_delete",
     "room_goto", "room_goto_next", "room_goto_previous", "room_restart", "action_another_room",
     "action_current_room", "action_previous_room", "action_next_room", "instance_create", "room_set_code"},
    ExerciseWorld);

}  // namespace
