// The collision-event pass (order, solids) and the index's agreement with the plain walks.
#include <cstdlib>

#include "Collision/CollisionTestSupport.h"
#include "Collision/Collision_Query.h"
#include "Collision/Collision_Test.h"
#include "Run/Run_Step.h"

namespace {

class CollisionPassTest : public CollisionWorldTest {
 protected:
  void SetUp() override {
    CollisionWorldTest::SetUp();
    SetGlobal("log", RValue(""));
  }
  // Each instance's collision event appends "<own number>-<other's number>," (numbers from 1).
  void LogCollisions(int32_t object, int32_t with) {
    On(object, EV_COLLISION, with, "global.log += string(id - 100000) + \"-\" + string(other.id - 100000) + \",\";");
  }
};

TEST_F(CollisionPassTest, EventsRunPairByPairInListOrder) {
  const int32_t spr = AddSprite(10, 10);
  AddSpriteObject(0, "a", spr);
  AddSpriteObject(1, "b", spr);
  AddSpriteObject(2, "c", spr);
  LogCollisions(0, 1);
  LogCollisions(0, 2);
  LogCollisions(1, 0);
  Event_BuildLists();
  World_CreateInstance(0, 0, 0);   // 1
  World_CreateInstance(5, 5, 1);   // 2
  World_CreateInstance(3, 3, 2);   // 3
  World_CreateInstance(100, 0, 1); // 4, far away
  Collision_EventPass();
  // Pair (a, b): 1 with 2, then 2 with 1; pair (a, c): 1 with 3 (c has no event of its own).
  EXPECT_EQ(GlobalText("log"), "1-2,2-1,1-3,");
}

TEST_F(CollisionPassTest, TwoInstancesOfOneObjectGetTheirEventTwice) {
  const int32_t spr = AddSprite(10, 10);
  AddSpriteObject(0, "a", spr);
  LogCollisions(0, 0);
  Event_BuildLists();
  World_CreateInstance(0, 0, 0);
  World_CreateInstance(5, 5, 0);
  Collision_EventPass();
  EXPECT_EQ(GlobalText("log"), "1-2,2-1,2-1,1-2,");
}

TEST_F(CollisionPassTest, SolidsAreMovedBackBeforeTheEventAndAgainWhenTheyStillMeet) {
  const int32_t spr = AddSprite(10, 10);
  AddSpriteObject(0, "wall", spr, true);
  AddSpriteObject(1, "ball", spr);
  On(1, EV_COLLISION, 0, "global.seen = x; if (global.stop) hspeed = 0;");
  Event_BuildLists();
  World_CreateInstance(100, 0, 0);
  CInstance* ball = World_CreateInstance(88, 0, 1);
  ball->SetHspeed(5);
  SetGlobal("stop", RValue(0.0));
  World_RememberPositions();
  World_MotionStep();  // to 93: box 93..102 meets the wall at 100
  EXPECT_EQ(ball->x, 93);
  Collision_EventPass();
  // Moved back to 88 before the event; moved on by 5 after it, still meeting, and back again.
  EXPECT_EQ(GlobalReal("seen"), 88);
  EXPECT_EQ(ball->x, 88);
  // When the event stops the ball, the move after it is by 0 and the ball stays at 88.
  SetGlobal("stop", RValue(1.0));
  World_RememberPositions();
  World_MotionStep();
  Collision_EventPass();
  EXPECT_EQ(ball->x, 88);
  EXPECT_EQ(ball->hspeed, 0);
}

TEST_F(CollisionPassTest, ManyPartnersAreVisitedInTheOtherObjectsListOrder) {
  // Enough instances for the index to be used; the order must still be the list's.
  const int32_t spr = AddSprite(10, 10);
  AddSpriteObject(0, "a", spr);
  AddSpriteObject(1, "b", spr);
  LogCollisions(0, 1);
  Event_BuildLists();
  World_CreateInstance(50, 50, 0);  // 1
  std::string expected;
  for (int n = 0; n < 40; ++n) {
    // Alternate far and near, in an order that differs from their places.
    const bool near = n % 3 == 0;
    const float x = near ? float(55 - n % 7) : float(300 + 20 * n);
    World_CreateInstance(x, near ? 45.0f + float(n % 5) : 300.0f, 1);
    if (near) expected += "1-" + std::to_string(n + 2) + ",";
  }
  Collision_EventPass();
  EXPECT_EQ(GlobalText("log"), expected);
}

TEST_F(CollisionPassTest, IndexedQueriesAgreeWithThePlainWalk) {
  const int32_t small = AddSprite(6, 6, 3, 3);
  const int32_t big = AddSprite(300, 20);
  AddSpriteObject(0, "a", small);
  AddSpriteObject(1, "b", small);
  AddSpriteObject(2, "long", big);
  AddObject(3, "bare");
  std::srand(7);
  std::vector<CInstance*> all;
  for (int n = 0; n < 300; ++n) {
    const int32_t object = n % 37 == 0 ? 2 : (n % 11 == 0 ? 3 : n % 2);
    all.push_back(World_CreateInstance(float(std::rand() % 640), float(std::rand() % 480), object));
  }
  auto plain = [&](int32_t selector, const CollisionShape& shape) -> CInstance* {
    for (CInstance* i : World_Active().Items()) {
      if (i->marked || (selector >= 0 && i->object_index != selector)) continue;
      if (Collision_Passes(i, shape)) return i;
    }
    return nullptr;
  };
  for (int round = 0; round < 200; ++round) {
    // Move a few instances (some far out of the room), destroy one now and then.
    for (int k = 0; k < 5; ++k) {
      CInstance* i = all[size_t(std::rand()) % all.size()];
      i->SetPosition(float(std::rand() % 900 - 100), float(std::rand() % 700 - 100));
    }
    if (round % 40 == 0) all[size_t(round)]->marked = true;
    // Deactivation and reactivation change the lists: the index is laid out again.
    if (round % 25 == 0) {
      all[size_t(round + 1)]->deactivated = !all[size_t(round + 1)]->deactivated;
      World_UpdateActive();
    }
    CollisionShape shape;
    shape.kind = CollisionShape::Kind(round % 4);
    shape.x1 = std::rand() % 640, shape.y1 = std::rand() % 480;
    shape.x2 = shape.x1 + std::rand() % 40, shape.y2 = shape.y1 + std::rand() % 40;
    const int32_t selector = round % 3 == 0 ? -3 : round % 2;
    EXPECT_EQ(Collision_Find(selector, nullptr, shape), plain(selector, shape)) << "round " << round;
    CInstance* self = all[size_t(std::rand()) % all.size()];
    CollisionShape meet;
    meet.kind = CollisionShape::kInstance;
    meet.with = self;
    meet.precise = true;
    CInstance* expected = nullptr;
    for (CInstance* i : World_Active().Items()) {
      if (!i->marked && i != self && Collision_Passes(i, meet)) {
        expected = i;
        break;
      }
    }
    EXPECT_EQ(Collision_Find(-3, self, meet), expected) << "round " << round;
  }
}

}  // namespace
