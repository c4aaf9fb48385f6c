// Bounding boxes, precise and box tests, the query functions and the movement functions.
#include <cmath>

#include "Collision/CollisionTestSupport.h"
#include "Collision/Collision_Query.h"
#include "Collision/Collision_Test.h"

namespace {

class CollisionTest : public CollisionWorldTest {};

InstanceBox Box(CInstance* i) { return i->BoundingBox(); }

TEST_F(CollisionTest, BoxRoundingScaleAndRotation) {
  const int32_t spr = AddSprite(32, 32, 16, 16);
  AddSpriteObject(0, "o", spr);
  CInstance* i = World_CreateInstance(100.5f, 100, 0);
  // left R(84.5) = 84 (ties to even), right R(115.5) = 116, top 84, bottom R(115) = 115.
  InstanceBox b = Box(i);
  EXPECT_EQ(b.left, 84);
  EXPECT_EQ(b.right, 116);
  EXPECT_EQ(b.top, 84);
  EXPECT_EQ(b.bottom, 115);
  // Scale -1: left R(116.5) = 116 and right R(83.5) = 84 are swapped.
  i->SetXScale(-1);
  b = Box(i);
  EXPECT_EQ(b.left, 84);
  EXPECT_EQ(b.right, 116);
  // Scale 2 at (100, 100): left 100 - 32 = 68, right 100 + 32 - 1 = 131.
  i->SetXScale(2);
  i->SetPosition(100, 100);
  b = Box(i);
  EXPECT_EQ(b.left, 68);
  EXPECT_EQ(b.right, 131);
  // Angle 90 at (100.5, 100), truncated: x0 = y0 = -16, x1 = y1 = 15, cos is -4.4e-8 (lost in the
  // float sums), sin 1: left trunc(84.5) = 84, right trunc(115.5) = 115, top trunc(100 - 15) = 85,
  // bottom trunc(100 + 16) = 116.
  i->SetXScale(1);
  i->SetPosition(100.5f, 100);
  i->SetAngle(90);
  b = Box(i);
  EXPECT_EQ(b.left, 84);
  EXPECT_EQ(b.right, 115);
  EXPECT_EQ(b.top, 85);
  EXPECT_EQ(b.bottom, 116);
}

TEST_F(CollisionTest, MissingSpriteAndNaNPositionsGiveTheNoBoxBox) {
  AddObject(0, "bare");
  CInstance* i = World_CreateInstance(10, 10, 0);
  EXPECT_EQ(Box(i).left, kNoBoxEdge);
  EXPECT_FALSE(Collision_Point(i, 10, 10, false));
  const int32_t spr = AddSprite(8, 8);
  i->SetSprite(spr);
  i->SetPosition(std::nanf(""), 10);
  EXPECT_EQ(Box(i).left, kNoBoxEdge);
  EXPECT_EQ(Box(i).bottom, kNoBoxEdge);
  EXPECT_FALSE(Collision_Rectangle(i, 0, 0, 100, 100, true));
  i->SetPosition(10, 10);
  EXPECT_EQ(Box(i).left, 10);
  EXPECT_TRUE(Collision_Rectangle(i, 0, 0, 100, 100, true));
  // NaN query coordinates meet nothing.
  EXPECT_FALSE(Collision_Point(i, std::nan(""), 12, false));
  EXPECT_EQ(Call("collision_point", i, {RValue(std::nan("")), RValue(12.0), RValue(-3.0), RValue(0.0), RValue(0.0)}).real, -4);
}

TEST_F(CollisionTest, PointEdgesAndPreciseMasks) {
  // A 4 x 4 sprite whose only solid pixels are the top-left corner and the bottom-right one.
  const int32_t spr = AddSprite(4, 4, 0, 0, true, {"#...", "....", "....", "...#"});
  AddSpriteObject(0, "o", spr);
  CInstance* i = World_CreateInstance(10, 10, 0);
  // Box 10..13: the right edge collides, right + 1 does not.
  EXPECT_TRUE(Collision_Point(i, 13, 11, false));
  EXPECT_TRUE(Collision_Point(i, 13.9, 11, false));
  EXPECT_FALSE(Collision_Point(i, 14, 11, false));
  // Precise: only (10, 10) and (13, 13).
  EXPECT_TRUE(Collision_Point(i, 10, 10, true));
  EXPECT_FALSE(Collision_Point(i, 11, 10, true));
  EXPECT_TRUE(Collision_Point(i, 13.5, 13.5, true));
  EXPECT_TRUE(Collision_Rectangle(i, 11, 11, 12, 12, false));
  EXPECT_FALSE(Collision_Rectangle(i, 11, 11, 12, 12, true));
  EXPECT_TRUE(Collision_Rectangle(i, 12, 12, 20, 20, true));
  // Lines: the diagonal through both solid pixels; a parallel one just above misses them.
  EXPECT_TRUE(Collision_Line(i, 0, 0, 30, 30, true));
  EXPECT_FALSE(Collision_Line(i, 11, 10, 14, 13, true));
  EXPECT_TRUE(Collision_Line(i, 11, 10, 14, 13, false));
  // Vertical line through column 13 reaches (13, 13); column 12 meets nothing.
  EXPECT_TRUE(Collision_Line(i, 13, 0, 13, 30, true));
  EXPECT_FALSE(Collision_Line(i, 12, 0, 12, 30, true));
  // Ellipse: a circle of radius 1 round (12, 11) touches no solid pixel; one round (13, 12) does.
  EXPECT_FALSE(Collision_Ellipse(i, 11, 10, 13, 12, true));
  EXPECT_TRUE(Collision_Ellipse(i, 12, 12, 14, 14, true));
  // Radius 0: the rectangle test of a single point.
  EXPECT_TRUE(Call("collision_circle", i, {RValue(10.0), RValue(10.0), RValue(0.0), RValue(0.0), RValue(1.0), RValue(0.0)}).real == i->id);
  EXPECT_EQ(Call("collision_circle", i, {RValue(11.0), RValue(10.0), RValue(0.0), RValue(0.0), RValue(1.0), RValue(0.0)}).real, -4);
  // A mask shorter than its frame is empty beyond its end.
  Sprite_Get(spr)->masks[0].resize(3);
  EXPECT_TRUE(Collision_Point(i, 10, 10, true));
  EXPECT_FALSE(Collision_Point(i, 13, 13, true));
}

TEST_F(CollisionTest, PreciseInstancesMeetOnlyWhereBothMasksAreSolid) {
  const int32_t corner = AddSprite(4, 4, 0, 0, true, {"#...", "....", "....", "...."});
  AddSpriteObject(0, "a", corner);
  CInstance* a = World_CreateInstance(10, 10, 0);
  CInstance* b = World_CreateInstance(12, 12, 0);
  // Boxes 10..13 and 12..15 overlap; the solid pixels (10, 10) and (12, 12) differ.
  EXPECT_TRUE(Collision_Instances(a, b, false));
  EXPECT_FALSE(Collision_Instances(a, b, true));
  b->SetPosition(10, 10);
  EXPECT_TRUE(Collision_Instances(a, b, true));
  EXPECT_FALSE(Collision_Instances(a, a, true));
  b->marked = true;
  EXPECT_FALSE(Collision_Instances(a, b, false));
}

TEST_F(CollisionTest, PlaceFunctionsAndSelectors) {
  const int32_t spr = AddSprite(10, 10);
  AddSpriteObject(0, "wall", spr, true);
  AddSpriteObject(1, "ghost", spr, false);
  AddSpriteObject(2, "player", spr, false);
  CInstance* wall = World_CreateInstance(100, 0, 0);
  CInstance* ghost = World_CreateInstance(0, 100, 1);
  CInstance* p = World_CreateInstance(50, 50, 2);
  auto call = [&](const char* name, std::vector<RValue> args) { return Call(name, p, args).real; };
  // place_free at the own place: an instance never meets itself.
  EXPECT_EQ(Call("place_free", wall, {RValue(100.0), RValue(0.0)}).real, 1);
  EXPECT_EQ(call("place_free", {RValue(95.0), RValue(0.0)}), 0);
  EXPECT_EQ(call("place_free", {RValue(0.0), RValue(100.0)}), 1);  // the ghost is not solid
  EXPECT_EQ(call("place_empty", {RValue(0.0), RValue(100.0)}), 0);
  EXPECT_EQ(p->x, 50);  // moved back
  EXPECT_EQ(call("place_meeting", {RValue(5.0), RValue(95.0), RValue(1.0)}), 1);
  EXPECT_EQ(call("place_meeting", {RValue(5.0), RValue(95.0), RValue(0.0)}), 0);
  EXPECT_EQ(call("instance_place", {RValue(95.0), RValue(5.0), RValue(-3.0)}), wall->id);
  EXPECT_EQ(call("instance_place", {RValue(95.0), RValue(5.0), RValue(double(ghost->id))}), -4);
  EXPECT_EQ(call("instance_position", {RValue(105.0), RValue(5.0), RValue(-3.0)}), wall->id);
  EXPECT_EQ(call("position_empty", {RValue(105.0), RValue(5.0)}), 0);
  EXPECT_EQ(call("position_empty", {RValue(205.0), RValue(5.0)}), 1);
  // notme: self is skipped; with its own id as selector nothing is found.
  EXPECT_EQ(call("collision_point", {RValue(55.0), RValue(55.0), RValue(-3.0), RValue(0.0), RValue(1.0)}), -4);
  EXPECT_EQ(call("collision_point", {RValue(55.0), RValue(55.0), RValue(-3.0), RValue(0.0), RValue(0.0)}), p->id);
  EXPECT_EQ(call("collision_point", {RValue(55.0), RValue(55.0), RValue(double(p->id)), RValue(0.0), RValue(1.0)}), -4);
  // self/other are not resolved by collision_*; place_meeting resolves them.
  EXPECT_EQ(call("collision_point", {RValue(55.0), RValue(55.0), RValue(-1.0), RValue(0.0), RValue(0.0)}), -4);
  EXPECT_EQ(call("position_meeting", {RValue(55.0), RValue(55.0), RValue(-1.0)}), 1);
  EXPECT_EQ(call("collision_rectangle", {RValue(0.0), RValue(0.0), RValue(200.0), RValue(20.0), RValue(-3.0), RValue(0.0), RValue(0.0)}), wall->id);
  EXPECT_EQ(call("collision_line", {RValue(0.0), RValue(0.0), RValue(150.0), RValue(150.0), RValue(1.0), RValue(0.0), RValue(0.0)}), -4);
  EXPECT_EQ(call("collision_line", {RValue(0.0), RValue(110.0), RValue(20.0), RValue(90.0), RValue(1.0), RValue(0.0), RValue(0.0)}), ghost->id);
  // position_destroy marks what is there; position_change of a missing object reports it.
  call("position_destroy", {RValue(5.0), RValue(105.0)});
  EXPECT_TRUE(ghost->marked);
  call("position_change", {RValue(105.0), RValue(5.0), RValue(42.0), RValue(0.0)});
  EXPECT_EQ(LastMessage(), "Asking to change into non-existing object: 42");
  call("position_change", {RValue(105.0), RValue(5.0), RValue(2.0), RValue(0.0)});
  EXPECT_EQ(wall->object_index, 2);
}

TEST_F(CollisionTest, ContactAndLeavingMovement) {
  const int32_t spr = AddSprite(10, 10);
  const int32_t tall = AddSprite(32, 200);
  AddSpriteObject(0, "wall", tall, true);
  AddSpriteObject(1, "mover", spr);
  World_CreateInstance(100, 0, 0);  // box 100..131 x 0..199
  CInstance* m = World_CreateInstance(50, 50, 1);
  // Box 50..59 moving right: at x 90 the box ends at 99; one more step would reach the wall.
  Call("move_contact_solid", m, {RValue(0.0), RValue(5.0)});
  EXPECT_EQ(m->x, 55);
  Call("move_contact_solid", m, {RValue(0.0), RValue(0.0)});
  EXPECT_EQ(m->x, 90);
  EXPECT_EQ(m->y, 50);
  // Starting inside the wall nothing moves.
  m->SetPosition(110, 50);
  Call("move_contact_all", m, {RValue(0.0), RValue(-1.0)});
  EXPECT_EQ(m->x, 110);
  // Leaving to the left one pixel a step: the first free place is x 90 (right edge 99).
  EXPECT_EQ(Call("move_outside_solid", m, {RValue(180.0), RValue(-1.0)}).real, 1);
  EXPECT_EQ(m->x, 90);
  m->SetPosition(110, 50);
  EXPECT_EQ(Call("move_outside_all", m, {RValue(180.0), RValue(5.0)}).real, 0);
  EXPECT_EQ(m->x, 105);
  // move_contact leaves first when inside.
  Call("move_contact", m, {RValue(180.0)});
  EXPECT_EQ(m->x, 90);
}

TEST_F(CollisionTest, BounceOffAWall) {
  const int32_t spr = AddSprite(10, 10);
  const int32_t tall = AddSprite(32, 400);
  AddSpriteObject(0, "wall", tall, true);
  AddSpriteObject(1, "ball", spr);
  World_CreateInstance(100, 0, 0);
  CInstance* b = World_CreateInstance(90, 100, 1);
  b->SetHspeed(3);
  b->SetVspeed(2);
  // (93, 100) meets the wall, (90, 102) does not: only hspeed is reversed.
  Call("move_bounce_solid", b, {RValue(0.0)});
  EXPECT_EQ(b->hspeed, -3);
  EXPECT_EQ(b->vspeed, 2);
  // Advanced, at x 88 heading 0 with speed 4: a probe at angle d ends at 88 + 4 cos d, and the box
  // reaches the wall when R(88 + 4 cos d + 9) >= 100, i.e. |d| <= 50. The first free probes are
  // -60 and 60: the new direction is -60 + 60 + 180 - 0 = 180.
  b->SetPosition(88, 100);
  b->SetDirection(0);
  b->SetSpeed(4);
  Call("move_bounce_all", b, {RValue(1.0)});
  EXPECT_EQ(b->direction, 180);
  // In open space nothing is met and nothing changes.
  b->SetPosition(20, 100);
  b->SetDirection(30);
  Call("move_bounce_solid", b, {RValue(1.0)});
  EXPECT_EQ(b->direction, 30);
  Call("move_bounce_solid", b, {RValue(0.0)});
  EXPECT_FLOAT_EQ(b->direction, 30);
}

TEST_F(CollisionTest, RandomPlacementKeepsTheBoxInTheRoomAndOnTheSnap) {
  AddRoom(0, "r", 200, 100);
  Room_ResetStates();
  Room_EnterFirst();
  const int32_t spr = AddSprite(10, 10, 5, 5);
  AddSpriteObject(0, "o", spr);
  CInstance* i = World_CreateInstance(50, 50, 0);
  for (int n = 0; n < 20; ++n) {
    Call("move_random", i, {RValue(20.0), RValue(0.0)});
    // xmin = R(50 - 45) = 5, xmax = R(200 + 50 - 54) = 196, snapped down to a multiple of 20.
    EXPECT_EQ(std::fmod(i->x, 20.0f), 0);
    EXPECT_GE(i->x, 0);
    EXPECT_LT(i->x, 196);
    EXPECT_GE(i->y, 5);
    EXPECT_LT(i->y, 96);
  }
}

}  // namespace
