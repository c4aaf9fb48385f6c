// Exercise of the collision functions for the implemented-set check: a wall and a mover, each
// function called once with a result worked out from the rules.
#include "Collision/CollisionTestSupport.h"
#include "Function/Function_Exercise.h"

namespace {

struct CollisionExercise : CollisionWorldTest {
  void TestBody() override {}
};

void ExerciseCollision() {
  CollisionExercise w;
  w.SetUp();
  w.AddRoom(0, "r", 320, 240);
  Room_ResetStates();
  Room_EnterFirst();
  const int32_t spr = CollisionWorldTest::AddSprite(10, 10);
  w.AddSpriteObject(0, "wall", spr, true);
  w.AddSpriteObject(1, "mover", spr);
  CInstance* wall = World_CreateInstance(100, 0, 0);  // box 100..109 x 0..9
  CInstance* m = World_CreateInstance(50, 0, 1);      // box 50..59 x 0..9
  auto call = [&](const char* name, std::vector<double> args) {
    std::vector<RValue> values;
    for (double a : args) values.push_back(RValue(a));
    return WorldTest::Call(name, m, values).real;
  };
  EXPECT_EQ(call("place_free", {95, 0}), 0);
  EXPECT_EQ(call("place_empty", {50, 50}), 1);
  EXPECT_EQ(call("place_meeting", {95, 0, 0}), 1);
  EXPECT_EQ(call("instance_place", {95, 0, -3}), wall->id);
  EXPECT_EQ(call("instance_position", {100, 9, 0}), wall->id);
  EXPECT_EQ(call("position_empty", {110, 0}), 1);
  EXPECT_EQ(call("position_meeting", {59, 9, -1}), 1);
  EXPECT_EQ(call("collision_point", {109, 9, -3, 1, 0}), wall->id);
  EXPECT_EQ(call("collision_rectangle", {60, 0, 99, 9, -3, 0, 0}), -4);
  EXPECT_EQ(call("collision_circle", {105, 20, 11, -3, 0, 0}), wall->id);
  EXPECT_EQ(call("collision_ellipse", {40, -5, 70, 5, -3, 0, 1}), -4);
  EXPECT_EQ(call("collision_line", {0, 5, 200, 5, 0, 1, 0}), wall->id);
  call("move_contact_solid", {0, 0});
  EXPECT_EQ(m->x, 90);
  m->SetPosition(50, 0);
  call("move_contact_all", {0, 10});
  EXPECT_EQ(m->x, 60);
  call("move_contact", {0});
  EXPECT_EQ(m->x, 90);
  m->SetPosition(95, 0);
  EXPECT_EQ(call("move_outside_solid", {180, 0}), 1);
  EXPECT_EQ(m->x, 90);
  m->SetPosition(95, 0);
  EXPECT_EQ(call("move_outside_all", {180, 2}), 0);
  EXPECT_EQ(m->x, 93);
  m->SetPosition(88, 0);
  m->SetHspeed(4);
  call("move_bounce_solid", {0});
  EXPECT_EQ(m->hspeed, -4);
  call("move_bounce", {0});
  EXPECT_EQ(m->hspeed, -4);  // (84, 0) is free: nothing is met
  m->SetHspeed(4);
  call("move_bounce_all", {0});
  EXPECT_EQ(m->hspeed, -4);
  m->SetHspeed(4);
  call("action_bounce", {0, 1});
  EXPECT_EQ(m->hspeed, -4);
  call("move_random", {0, 0});
  EXPECT_EQ(call("place_free", {m->x, m->y}), 1);
  call("action_move_random", {0, 0});
  EXPECT_EQ(call("place_free", {m->x, m->y}), 1);
  m->SetPosition(50, 0);
  call("action_move_contact", {0, -1, 1});
  EXPECT_EQ(m->x, 90);
  EXPECT_EQ(call("action_if_object", {0, 95, 0}), 1);
  EXPECT_EQ(call("action_if_empty", {95, 0, 1}), 0);
  EXPECT_EQ(call("action_if_collision", {95, 0, 0}), 1);
  call("position_change", {105, 5, 1, 0});
  EXPECT_EQ(wall->object_index, 1);
  call("action_kill_position", {105, 5});
  EXPECT_TRUE(wall->marked);
  call("position_destroy", {95, 5});
  EXPECT_TRUE(m->marked);
  w.TearDown();
}

const RegisterExercise kCollision(
    {"place_free", "place_empty", "place_meeting", "instance_place", "instance_position", "position_empty",
     "position_meeting", "position_destroy", "position_change", "collision_point", "collision_rectangle",
     "collision_circle", "collision_ellipse", "collision_line", "move_contact_solid", "move_contact_all",
     "move_contact", "move_outside_solid", "move_outside_all", "move_bounce_solid", "move_bounce",
     "move_bounce_all", "move_random", "action_move_random", "action_move_contact", "action_bounce",
     "action_kill_position", "action_if_object", "action_if_empty", "action_if_collision"},
    ExerciseCollision);

}  // namespace
