// The physics module and functions on a small room with a world (scale 0.1: ten pixels a metre,
// speed 60). Expected values come from the units of docs/physics.md: a circle of radius 10 pixels and
// density 1 is a disc of radius 1 m, mass pi kg.
#include <cmath>
#include <string>

#include "Function/Function_Exercise.h"
#include "Graphics/RecordingDevice.h"
#include "Run/AllocationCounter.h"
#include "Graphics/Graphics_Primitive.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_Shape.h"
#include "Physics/Physics_Body.h"
#include "Physics/Physics_Fixture.h"
#include "Physics/Physics_Joint.h"
#include "Physics/Physics_World.h"
#include "Run/WorldTestSupport.h"
#include "Variable/Variable_BuiltIn.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
RValue R(double v) { return RValue(v); }

class PhysicsTest : public WorldTest {
 public:
  void TestBody() override {}

  void SetUp() override {
    WorldTest::SetUp();
    Variable_InitBuiltIns();
    Physics_FixtureReset();
    Circle(AddObject(0, "obj_ball"), 1);
    CObject* floor = AddObject(1, "obj_floor");
    floor->usesPhysics = true;
    floor->physicsShape = 1;
    floor->physicsPoints = {{-100, -10}, {100, -10}, {100, 10}, {-100, 10}};
    AddObject(2, "obj_free");
    Circle(AddObject(3, "obj_bad"), 1)->physicsPoints.resize(1);
    // The ball collides with the floor (it has an event for it); nothing else pairs.
    On(0, EV_COLLISION, 1, "global.hits += 1; global.other_id = other.id; global.ny = phy_col_normal_y;");
    CRoom* room = AddRoom(0, "rm");
    room->speed = 60;
    room->physicsWorld = true;
    room->physicsScale = 0.1f;
    room->gravityX = 0;
    room->gravityY = 0;
    Event_BuildLists();
    Room_ResetStates();
    Room_EnterFirst();
    SetGlobal("hits", RValue(0.0));
  }

  void TearDown() override {
    WorldTest::TearDown();
    Variable_FreeBuiltIns();
  }

  static CObject* Circle(CObject* o, float density) {
    o->usesPhysics = true;
    o->physicsShape = 0;
    o->physicsPoints = {{0, 0}, {10, 0}};
    o->physicsDensity = density;
    return o;
  }

  // A built-in variable of `i`, read by game code.
  static double Phy(CInstance* i, const char* name) {
    Run(i, ("global.read_back = " + std::string(name) + ";").c_str());
    return GlobalReal("read_back");
  }
  static void Steps(int n) {
    for (int k = 0; k < n; ++k) EXPECT_TRUE(World_MotionStep());
  }
  // Runs `f` and tells whether it reported an error containing `text`.
  template <class F>
  static bool Reports(const char* text, F f) {
    const int64_t before = ErrorReportCount();
    f();
    return ErrorReportCount() > before && std::string(LastErrorText()).find(text) != std::string::npos;
  }
};

// ---- Shapes --------------------------------------------------------------------------------------------

TEST(PhysicsShapes, PolygonsAreCheckedBeforeBox2DSeesThem) {
  auto check = [](std::vector<b2Vec2> p) { return Physics_CheckPolygon(p, 0.1f); };
  EXPECT_EQ(check({{0, 0}, {10, 0}, {10, 10}, {0, 10}}), "");
  EXPECT_EQ(check({{0, 0}, {0, 10}, {10, 10}, {10, 0}}), "");  // either winding
  EXPECT_NE(check({{0, 0}, {10, 0}}), "");
  std::vector<b2Vec2> nine;
  for (int k = 0; k < 9; ++k) nine.push_back(b2Vec2(10 * std::cos(k * 0.698f), 10 * std::sin(k * 0.698f)));
  EXPECT_NE(check(nine), "");
  nine.pop_back();  // eight points of a circle are fine
  EXPECT_EQ(check(nine), "");
  EXPECT_NE(check({{0, 0}, {5, 0}, {10, 0}, {5, 5}}), "");          // three on one line
  EXPECT_NE(check({{0, 0}, {10, 0}, {10, 10}, {5, 3}, {0, 10}}), "");  // a dent
  // A five-pointed star drawn in one stroke turns one way at every corner but twice around.
  std::vector<b2Vec2> star;
  for (int k = 0; k < 5; ++k) star.push_back(b2Vec2(10 * std::cos(k * 4 * kPi / 5), 10 * std::sin(k * 4 * kPi / 5)));
  EXPECT_NE(check(star), "");
  EXPECT_NE(check({{0, 0}, {0.01f, 0}, {10, 10}, {0, 10}}), "");  // 1 mm apart at 0.1 m a pixel
  EXPECT_NE(check({{0, 0}, {NAN, 0}, {10, 10}}), "");
  EXPECT_NE(Physics_CheckPolygon({{0, 0}, {10, 0}, {10, 10}}, 1e38f), "");  // beyond float range in metres
}

// ---- Bodies and the phy_* variables -------------------------------------------------------------------

TEST_F(PhysicsTest, ObjectBodiesTakeMassKindAndPlaceFromTheObject) {
  CInstance* ball = World_CreateInstance(100, 50, 0);
  CInstance* floor = World_CreateInstance(100, 200, 1);
  EXPECT_NEAR(Phy(ball, "phy_mass"), kPi, 1e-4);
  EXPECT_EQ(Phy(ball, "phy_dynamic"), 1);
  EXPECT_EQ(Phy(floor, "phy_dynamic"), 0);
  EXPECT_EQ(Phy(floor, "phy_mass"), 0);
  EXPECT_NEAR(Phy(ball, "phy_position_x"), 100, 1e-4);
  EXPECT_NEAR(Phy(ball, "phy_com_y"), 50, 1e-4);
  // A plain object gets no body and reads 0.
  CInstance* plain = World_CreateInstance(5, 5, 2);
  EXPECT_EQ(Physics_BodyOf(plain), nullptr);
  EXPECT_EQ(Phy(plain, "phy_position_x"), 0);
  // A circle with one point is corrupt: reported, no body.
  CInstance* bad = nullptr;
  EXPECT_TRUE(Reports("Corrupt shape data for obj_bad", [&] { bad = World_CreateInstance(0, 0, 3); }));
  EXPECT_EQ(Physics_BodyOf(bad), nullptr);
}

TEST_F(PhysicsTest, ChangingObjectChangesTheBodyAndKeepsTheMotion) {
  CInstance* ball = World_CreateInstance(100, 100, 0);
  Call("physics_apply_impulse", ball, {R(100), R(100), R(2), R(0)});
  Call("instance_change", ball, {R(1), R(0)});  // into the static floor: no mass, same place
  ASSERT_NE(Physics_BodyOf(ball), nullptr);
  EXPECT_EQ(Phy(ball, "phy_dynamic"), 0);
  EXPECT_EQ(Phy(ball, "phy_mass"), 0);
  EXPECT_NEAR(Phy(ball, "phy_position_x"), 100, 1e-4);
  Call("instance_change", ball, {R(0), R(0)});  // back into a ball: pi kg again
  EXPECT_NEAR(Phy(ball, "phy_mass"), kPi, 1e-4);
  Call("instance_change", ball, {R(2), R(0)});  // a plain object has no body
  EXPECT_EQ(Physics_BodyOf(ball), nullptr);
  // A moving ball changed into another ball keeps its velocity.
  CInstance* second = World_CreateInstance(300, 100, 0);
  Call("physics_apply_impulse", second, {R(300), R(100), R(2), R(0)});
  Call("instance_change", second, {R(0), R(0)});
  EXPECT_NEAR(Phy(second, "phy_linear_velocity_x"), 20 / kPi, 1e-4);
}

TEST_F(PhysicsTest, ImpulseGivesTheVelocityTheMassImpliesAndTheStepWritesBack) {
  CInstance* ball = World_CreateInstance(100, 100, 0);
  Call("physics_apply_impulse", ball, {R(100), R(100), R(2), R(0)});
  // 2 N·s on pi kg: 2/pi m/s = 20/pi pixels a second.
  EXPECT_NEAR(Phy(ball, "phy_linear_velocity_x"), 20 / kPi, 1e-4);
  EXPECT_NEAR(Phy(ball, "phy_speed_x"), 20 / kPi / 60, 1e-6);
  Steps(1);
  EXPECT_NEAR(ball->x, 100 + 20 / kPi / 60, 1e-4);
  EXPECT_EQ(ball->y, 100);
  // Turned by phy_rotation -90 (image_angle 90: facing up), a local push ahead moves it up.
  CInstance* other = World_CreateInstance(300, 100, 0);
  Run(other, "phy_rotation = -90;");
  EXPECT_NEAR(other->image_angle, 90, 1e-4);
  Call("physics_apply_local_impulse", other, {R(0), R(0), R(2), R(0)});
  EXPECT_NEAR(Phy(other, "phy_linear_velocity_y"), -20 / kPi, 1e-3);
  EXPECT_NEAR(Phy(other, "phy_linear_velocity_x"), 0, 1e-3);
}

TEST_F(PhysicsTest, MovingTheInstanceMovesTheBody) {
  CInstance* ball = World_CreateInstance(100, 100, 0);
  ball->SetPosition(150, 120);  // as a write to x and y, or an action, would
  Steps(1);
  EXPECT_NEAR(Phy(ball, "phy_position_x"), 150, 1e-4);
  EXPECT_NEAR(Phy(ball, "phy_position_y"), 120, 1e-4);
  Run(ball, "phy_position_x = 10; phy_linear_velocity_y = 60;");
  EXPECT_EQ(ball->x, 10);
  Steps(1);
  EXPECT_NEAR(ball->y, 121, 1e-3);  // 60 pixels a second for 1/60 s
}

TEST_F(PhysicsTest, GravitySubStepsPauseAndTheSkippedMotion) {
  CInstance* ball = World_CreateInstance(100, 100, 0);
  CInstance* plain = World_CreateInstance(0, 0, 2);
  plain->SetHspeed(5);
  Call("physics_world_gravity", nullptr, {R(0), R(10)});
  Steps(1);
  // One step of 1/60 s: v = 1/6 m/s, y moves v/60 m = 1/36 pixel.
  EXPECT_NEAR(Phy(ball, "phy_linear_velocity_y"), 10.0 / 6, 1e-4);
  EXPECT_NEAR(ball->y, 100 + 1.0 / 36, 1e-4);
  EXPECT_EQ(plain->x, 0);  // the world's step replaces the plain motion
  // Two sub-steps of 1/120 s: 1/12 m/s then 1/6 m/s more, y moves (1/12 + 1/6)/120 m more... from rest.
  CInstance* second = World_CreateInstance(300, 100, 0);
  Call("physics_world_update_speed", nullptr, {R(120)});
  Steps(1);
  EXPECT_NEAR(second->y, 100 + 10 * (1.0 / 12 + 1.0 / 6) / 120, 1e-4);
  Call("physics_pause_enable", nullptr, {R(1)});
  const float y = second->y;
  Steps(1);
  EXPECT_EQ(second->y, y);
  EXPECT_TRUE(Reports("above 0", [] { Call("physics_world_update_speed", nullptr, {R(0)}); }));
  EXPECT_TRUE(Reports("at least 1", [] { Call("physics_world_update_iterations", nullptr, {R(0)}); }));
  Call("physics_world_update_iterations", nullptr, {R(4)});
  EXPECT_EQ(Physics_CurrentWorld()->iterations, 4);
}

// ---- Collisions ---------------------------------------------------------------------------------------

TEST_F(PhysicsTest, ACollisionEventFiresOnceWhenAContactStarts) {
  CInstance* floor = World_CreateInstance(100, 100, 1);  // top edge at 90
  CInstance* ball = World_CreateInstance(100, 0, 0);
  Run(ball, "phy_linear_velocity_y = 600;");  // 10 pixels a step: reaches the floor in 8 steps
  Steps(20);
  EXPECT_EQ(GlobalReal("hits"), 1);
  EXPECT_EQ(GlobalReal("other_id"), floor->id);
  EXPECT_NEAR(GlobalReal("ny"), 1, 1e-5);  // from the ball down to the floor
  EXPECT_NEAR(ball->y, 80, 0.5);            // resting on it
  EXPECT_EQ(Phy(ball, "phy_collision_points"), 0);  // outside the event
}

TEST_F(PhysicsTest, ObjectsWithoutACollisionPairPassThroughEachOther) {
  const int32_t f = int32_t(Call("physics_fixture_create", nullptr, {}).real);
  Call("physics_fixture_set_box_shape", nullptr, {R(f), R(10), R(50)});
  Call("physics_fixture_set_density", nullptr, {R(f), R(0)});
  CInstance* wall = World_CreateInstance(200, 100, 2);
  EXPECT_EQ(Call("physics_fixture_bind", nullptr, {R(f), R(wall->id)}).real, 1);
  CInstance* ball = World_CreateInstance(100, 100, 0);
  Run(ball, "phy_linear_velocity_x = 600;");
  Steps(20);
  EXPECT_NEAR(ball->x, 300, 1e-2);
  EXPECT_EQ(GlobalReal("hits"), 0);
  // A positive shared group collides without an event.
  const int32_t g = int32_t(Call("physics_fixture_create", nullptr, {}).real);
  Call("physics_fixture_set_circle_shape", nullptr, {R(g), R(10)});
  Call("physics_fixture_set_collision_group", nullptr, {R(g), R(1)});
  Call("physics_fixture_set_linear_damping", nullptr, {R(g), R(0)});
  CInstance* a = World_CreateInstance(100, 300, 2);
  CInstance* b = World_CreateInstance(140, 300, 2);
  Call("physics_fixture_bind", nullptr, {R(g), R(a->id)});
  Call("physics_fixture_bind", nullptr, {R(g), R(b->id)});
  Run(a, "phy_linear_velocity_x = 600;");
  Steps(10);
  EXPECT_GT(b->x, 150);  // pushed by a
}

TEST_F(PhysicsTest, AWarmWorldStepAllocatesNothing) {
  if (!AllocationCounter::Available()) GTEST_SKIP() << "the sanitizers own the allocator";
  World_CreateInstance(320, 300, 1);  // top edge at 290
  for (int n = 0; n < 6; ++n) World_CreateInstance(float(230 + 35 * n), 280, 0);  // resting on it
  Call("physics_world_gravity", nullptr, {R(0), R(10)});
  Steps(5);
  EXPECT_EQ(GlobalReal("hits"), 6);
  AllocationCounter::Start();
  Steps(20);
  EXPECT_EQ(AllocationCounter::Stop(), 0);
  EXPECT_EQ(GlobalReal("hits"), 6);
}

// ---- Fixtures and bad input ---------------------------------------------------------------------------

TEST_F(PhysicsTest, BadFixturesAreReportedAndBindNothing) {
  CInstance* plain = World_CreateInstance(100, 100, 2);
  CInstance* ball = World_CreateInstance(300, 100, 0);
  auto fixture = [] { return R(Call("physics_fixture_create", nullptr, {}).real); };
  const RValue none = fixture();
  EXPECT_TRUE(Reports("no shape", [&] { Call("physics_fixture_bind", nullptr, {none, R(plain->id)}); }));
  // A speck far from its body's origin: its inertia is lost in float arithmetic (Box2D would stop).
  const RValue speck = fixture();
  Call("physics_fixture_set_polygon_shape", nullptr, {speck});
  for (auto [x, y] : {std::pair{100000.0, 0.0}, {100000.1, 0.0}, {100000.0, 0.1}}) {
    Call("physics_fixture_add_point", nullptr, {speck, R(x), R(y)});
  }
  EXPECT_TRUE(Reports("too far", [&] { Call("physics_fixture_bind", nullptr, {speck, R(plain->id)}); }));
  EXPECT_TRUE(Reports("not a number", [&] { Call("physics_apply_force", ball, {R(0), R(0), R(1e300), R(0)}); }));
  const RValue poly = fixture();
  Call("physics_fixture_set_polygon_shape", nullptr, {poly});
  for (auto [x, y] : {std::pair{0, 0}, {10, 0}, {10, 10}, {5, 3}, {0, 10}}) {
    Call("physics_fixture_add_point", nullptr, {poly, R(x), R(y)});
  }
  EXPECT_TRUE(Reports("not convex", [&] { Call("physics_fixture_bind", nullptr, {poly, R(plain->id)}); }));
  EXPECT_EQ(Physics_BodyOf(plain), nullptr);
  for (int k = 0; k < 3; ++k) Call("physics_fixture_add_point", nullptr, {poly, R(k), R(20)});
  EXPECT_TRUE(Reports("at most 8", [&] { Call("physics_fixture_add_point", nullptr, {poly, R(1), R(1)}); }));
  EXPECT_TRUE(Reports("not a number", [&] { Call("physics_fixture_add_point", nullptr, {poly, R(NAN), R(1)}); }));
  EXPECT_TRUE(Reports("negative", [&] { Call("physics_fixture_set_density", nullptr, {poly, R(-1)}); }));
  EXPECT_TRUE(Reports("above 0", [&] { Call("physics_fixture_set_circle_shape", nullptr, {poly, R(0)}); }));
  EXPECT_TRUE(Reports("does not exist", [&] { Call("physics_fixture_set_friction", nullptr, {R(999), R(1)}); }));
  // Bound once to an instance, not twice; a massless fixture never goes on a dynamic body.
  const RValue box = fixture();
  Call("physics_fixture_set_box_shape", nullptr, {box, R(5), R(5)});
  EXPECT_EQ(Call("physics_fixture_bind", nullptr, {box, R(plain->id)}).real, 1);
  EXPECT_TRUE(Reports("already bound", [&] { Call("physics_fixture_bind", nullptr, {box, R(plain->id)}); }));
  EXPECT_EQ(Physics_BodyOf(plain)->body->GetFixtureList()->GetNext(), nullptr);
  Call("physics_fixture_set_density", nullptr, {box, R(0)});
  EXPECT_TRUE(Reports("density above 0", [&] { Call("physics_fixture_bind", nullptr, {box, R(ball->id)}); }));
  Call("physics_fixture_delete", nullptr, {box});
  EXPECT_TRUE(Reports("does not exist", [&] { Call("physics_fixture_bind", nullptr, {box, R(ball->id)}); }));
}

TEST_F(PhysicsTest, BindingToAnObjectMakesBodiesOfTheFixtureKind) {
  CInstance* a = World_CreateInstance(100, 100, 2);
  CInstance* b = World_CreateInstance(200, 100, 2);
  const RValue f = R(Call("physics_fixture_create", nullptr, {}).real);
  Call("physics_fixture_set_circle_shape", nullptr, {f, R(10)});
  Call("physics_fixture_set_kinematic", nullptr, {f});
  Call("physics_fixture_set_sensor", nullptr, {f, R(1)});
  Call("physics_fixture_set_restitution", nullptr, {f, R(0.5)});
  Call("physics_fixture_set_angular_damping", nullptr, {f, R(0.3)});
  Call("physics_fixture_set_awake", nullptr, {f, R(0)});
  EXPECT_EQ(Call("physics_fixture_bind", nullptr, {f, R(2)}).real, 2);
  EXPECT_EQ(Phy(a, "phy_kinematic"), 1);
  EXPECT_EQ(Phy(b, "phy_sleeping"), 1);
  const b2Fixture* fx = Physics_BodyOf(a)->body->GetFixtureList();
  EXPECT_TRUE(fx->IsSensor());
  EXPECT_FLOAT_EQ(fx->GetRestitution(), 0.5f);
  EXPECT_FLOAT_EQ(Physics_BodyOf(b)->body->GetAngularDamping(), 0.3f);
}

// ---- Mass, overlap, joints ----------------------------------------------------------------------------

TEST_F(PhysicsTest, MassPropertiesAndOverlap) {
  CInstance* ball = World_CreateInstance(100, 100, 0);
  World_CreateInstance(100, 200, 1);  // top edge at 190
  Call("physics_mass_properties", ball, {R(5), R(0), R(0), R(2)});
  EXPECT_NEAR(Phy(ball, "phy_mass"), 5, 1e-5);
  EXPECT_NEAR(Phy(ball, "phy_inertia"), 2, 1e-5);
  EXPECT_TRUE(Reports("mass must be above 0", [&] { Call("physics_mass_properties", ball, {R(0), R(0), R(0), R(1)}); }));
  EXPECT_EQ(Call("physics_test_overlap", ball, {R(100), R(185), R(0), R(1)}).real, 1);
  EXPECT_EQ(Call("physics_test_overlap", ball, {R(100), R(175), R(0), R(1)}).real, 0);
  EXPECT_EQ(Call("physics_test_overlap", ball, {R(100), R(185), R(0), R(2)}).real, 0);  // no obj_free there
}

TEST_F(PhysicsTest, ARevoluteJointKeepsItsAnchorDistance) {
  CInstance* pin = World_CreateInstance(100, 100, 1);
  CInstance* bob = World_CreateInstance(200, 100, 0);
  Call("physics_world_gravity", nullptr, {R(0), R(10)});
  const RValue j = Call("physics_joint_revolute_create", nullptr,
                        {R(pin->id), R(bob->id), R(100), R(100), R(0), R(0), R(0), R(0), R(0), R(0), R(0)});
  ASSERT_GE(j.real, 0);
  Steps(40);
  EXPECT_NEAR(std::hypot(bob->x - 100, bob->y - 100), 100, 0.5);
  EXPECT_GT(bob->y, 110);  // it swung down
  EXPECT_NEAR(Call("physics_joint_get_value", nullptr, {j, R(0)}).real, 100, 1e-3);   // anchor 1 x
  EXPECT_GT(Call("physics_joint_get_value", nullptr, {j, R(8)}).real, 5);             // angle, clockwise
  Call("physics_joint_set_value", nullptr, {j, R(7), R(90)});
  EXPECT_NEAR(Call("physics_joint_get_value", nullptr, {j, R(7)}).real, 90, 1e-3);    // motor speed
  Call("physics_joint_enable_motor", nullptr, {j, R(1)});
  EXPECT_TRUE(static_cast<b2RevoluteJoint*>(Physics_JointFind(int32_t(j.real)))->IsMotorEnabled());
  EXPECT_TRUE(Reports("cannot be set", [&] { Call("physics_joint_set_value", nullptr, {j, R(0), R(1)}); }));
  EXPECT_TRUE(Reports("different", [&] {
    Call("physics_joint_revolute_create", nullptr, {R(bob->id), R(bob->id), R(0), R(0), R(0), R(0), R(0), R(0), R(0), R(0), R(0)});
  }));
  Call("physics_joint_delete", nullptr, {j});
  EXPECT_TRUE(Reports("does not exist", [&] { Call("physics_joint_get_value", nullptr, {j, R(0)}); }));
}

TEST_F(PhysicsTest, ADistanceJointHoldsTheLengthItIsGiven) {
  CInstance* a = World_CreateInstance(100, 100, 0);
  CInstance* b = World_CreateInstance(200, 100, 0);
  const RValue d = Call("physics_joint_distance_create", nullptr, {R(a->id), R(b->id), R(100), R(100), R(200), R(100), R(0)});
  Steps(5);
  EXPECT_NEAR(b->x - a->x, 100, 0.1);
  Call("physics_joint_set_value", nullptr, {d, R(15), R(50)});
  EXPECT_NEAR(Call("physics_joint_get_value", nullptr, {d, R(15)}).real, 50, 1e-3);
  Steps(60);
  EXPECT_NEAR(std::hypot(b->x - a->x, b->y - a->y), 50, 0.5);
}

TEST_F(PhysicsTest, OtherJointsAndTheirLifetimes) {
  CInstance* pin = World_CreateInstance(100, 100, 1);
  CInstance* a = World_CreateInstance(200, 100, 0);
  CInstance* b = World_CreateInstance(200, 200, 0);
  const RValue d = Call("physics_joint_distance_create", nullptr, {R(a->id), R(b->id), R(200), R(100), R(200), R(200), R(0)});
  EXPECT_NEAR(Call("physics_joint_get_value", nullptr, {d, R(15)}).real, 100, 1e-3);
  const RValue p = Call("physics_joint_pulley_create", nullptr,
                        {R(a->id), R(b->id), R(200), R(50), R(300), R(50), R(0), R(0), R(0), R(0), R(1), R(0), R(0), R(0)});
  EXPECT_NEAR(Call("physics_joint_get_value", nullptr, {p, R(15)}).real, 50, 1e-3);
  EXPECT_NEAR(Call("physics_joint_get_value", nullptr, {p, R(16)}).real, std::hypot(100, 150), 1e-3);
  const RValue s = Call("physics_joint_prismatic_create", nullptr,
                        {R(pin->id), R(b->id), R(200), R(200), R(1), R(0), R(0), R(0), R(0), R(0), R(0), R(0), R(0)});
  const RValue r = Call("physics_joint_revolute_create", nullptr,
                        {R(pin->id), R(a->id), R(100), R(100), R(0), R(0), R(0), R(0), R(0), R(0), R(0)});
  EXPECT_EQ(Call("physics_joint_get_value", nullptr, {s, R(11)}).real, 0);  // translation
  const RValue g = Call("physics_joint_gear_create", nullptr, {R(a->id), R(b->id), r, s, R(1)});
  ASSERT_GE(g.real, 0);
  EXPECT_TRUE(Reports("revolute or prismatic", [&] { Call("physics_joint_gear_create", nullptr, {R(a->id), R(b->id), d, s, R(1)}); }));
  // The gear goes with a joint it joins; every joint goes with its body.
  Call("physics_joint_delete", nullptr, {r});
  EXPECT_EQ(Physics_JointFind(int32_t(g.real)), nullptr);
  World_FreeInstance(b, &World_Active());
  EXPECT_EQ(Physics_JointFind(int32_t(d.real)), nullptr);
  EXPECT_EQ(Physics_JointFind(int32_t(p.real)), nullptr);
  EXPECT_EQ(Physics_JointFind(int32_t(s.real)), nullptr);
  Steps(2);
}

TEST_F(PhysicsTest, TheWorldGoesWithItsRoomAndComesBackOnLoad) {
  CInstance* ball = World_CreateInstance(100, 100, 0);
  CRoom* state = Room_Current();
  EXPECT_NE(Physics_WorldOf(state), nullptr);
  // A new world for the room gives its physics instances fresh bodies in it.
  Call("physics_world_create", nullptr, {R(0.5)});
  ASSERT_NE(Physics_BodyOf(ball), nullptr);
  EXPECT_EQ(Physics_BodyOf(ball)->world, Physics_WorldOf(state));
  EXPECT_NEAR(Phy(ball, "phy_mass"), kPi * 25, 1e-3);  // radius 5 m now
  EXPECT_TRUE(Reports("not above 0", [] { Call("physics_world_create", nullptr, {R(-1)}); }));
  Room_FreeStates();
  EXPECT_EQ(Physics_WorldOf(state), nullptr);
}

// ---- Debug drawing --------------------------------------------------------------------------------------

// Keeps the vertices of every draw.
class VertexDevice : public NullDevice {
 public:
  VertexDevice() : NullDevice(640, 480) {}
  void Draw(int, DeviceTexture*, int, const void* data, int count) override {
    const auto* v = static_cast<const VertexTextured*>(data);
    vertices.insert(vertices.end(), v, v + count);
  }
  std::vector<VertexTextured> vertices;
};

TEST_F(PhysicsTest, DebugDrawingOutlinesTheFixtures) {
  auto device = std::make_unique<VertexDevice>();
  VertexDevice* rec = device.get();
  Device_Install(std::move(device));
  Batch_Reset();
  g_DrawState = DrawState{};
  CInstance* floor = World_CreateInstance(100, 100, 1);
  Call("physics_draw_debug", floor, {});
  Batch_Flush();
  // Four edges of the 200 x 20 box around (100, 100): eight line ends, each a corner.
  int corners = 0;
  for (const VertexTextured& v : rec->vertices) {
    const bool x = std::fabs(v.x) < 1e-3 || std::fabs(v.x - 200) < 1e-3;
    const bool y = std::fabs(v.y - 90) < 1e-3 || std::fabs(v.y - 110) < 1e-3;
    corners += x && y;
  }
  EXPECT_EQ(corners, 8);
  EXPECT_EQ(rec->vertices.size(), 8u);
  rec->vertices.clear();
  Call("physics_world_draw_debug", nullptr, {R(1 + 2 + 4 + 8)});
  Batch_Flush();
  EXPECT_GT(rec->vertices.size(), 8u);
  // The floor turned by 90 degrees: its turned box stands 20 wide and 200 high around (100, 100).
  rec->vertices.clear();
  b2Body* body = Physics_BodyOf(floor)->body;
  body->SetTransform(body->GetPosition(), float(kPi / 2));
  Call("physics_world_draw_debug", nullptr, {R(16)});
  Batch_Flush();
  ASSERT_EQ(rec->vertices.size(), 8u);
  for (const VertexTextured& v : rec->vertices) {
    EXPECT_NEAR(std::fabs(v.x - 100), 10, 1e-3);
    EXPECT_NEAR(std::fabs(v.y - 100), 100, 1e-3);
  }
  // A ball resting on the floor: one touching pair, one line between the centres.
  body->SetTransform(body->GetPosition(), 0);
  CInstance* ball = World_CreateInstance(100, 80, 0);  // radius 10 on the top edge at 90
  Steps(1);
  rec->vertices.clear();
  Call("physics_world_draw_debug", nullptr, {R(64)});
  Batch_Flush();
  ASSERT_EQ(rec->vertices.size(), 2u);
  EXPECT_NEAR(rec->vertices[0].y + rec->vertices[1].y, ball->y + 100, 0.5);
  Batch_Reset();
  Device_Install(nullptr);
}

// ---- The implemented-set exercise ------------------------------------------------------------------------

void ExercisePhysics() {
  PhysicsTest t;
  t.SetUp();
  CInstance* ball = World_CreateInstance(100, 100, 0);
  World_CreateInstance(100, 200, 1);
  const RValue f = R(CallBuiltin("physics_fixture_create").real);
  EXPECT_EQ(f.real, 0);
  CallBuiltin("physics_fixture_set_circle_shape", {f, R(4)});
  CallBuiltin("physics_fixture_set_friction", {f, R(0.7)});
  EXPECT_EQ(CallBuiltin("physics_fixture_bind", {f, R(ball->id)}).real, 1);
  EXPECT_FLOAT_EQ(Physics_BodyOf(ball)->body->GetFixtureList()->GetFriction(), 0.7f);
  // A force for one step of 1/60 s: the velocity changes by F/m × dt, then the bound fixture's
  // damping of 0.1 divides it by 1 + dt × 0.1.
  const double mass = PhysicsTest::Phy(ball, "phy_mass");
  CallBuiltin("physics_apply_force", {R(100), R(100), R(6), R(0)}, ball);
  CallBuiltin("physics_apply_local_force", {R(0), R(0), R(0), R(0)}, ball);
  PhysicsTest::Steps(1);
  EXPECT_NEAR(PhysicsTest::Phy(ball, "phy_linear_velocity_x"), 6 / mass / 60 * 10 / (1 + 0.1 / 60), 1e-5);
  CallBuiltin("physics_apply_torque", {R(1)}, ball);
  EXPECT_EQ(CallBuiltin("physics_test_overlap", {R(100), R(100), R(0), R(1)}, ball).real, 0);
  t.TearDown();
}

const RegisterExercise kPhysics(
    {"physics_world_create", "physics_world_gravity", "physics_world_update_speed", "physics_world_update_iterations",
     "physics_world_draw_debug", "physics_pause_enable", "physics_fixture_create", "physics_fixture_set_kinematic",
     "physics_fixture_set_awake", "physics_fixture_set_density", "physics_fixture_set_restitution",
     "physics_fixture_set_friction", "physics_fixture_set_collision_group", "physics_fixture_set_sensor",
     "physics_fixture_set_linear_damping", "physics_fixture_set_angular_damping", "physics_fixture_set_circle_shape",
     "physics_fixture_set_box_shape", "physics_fixture_set_polygon_shape", "physics_fixture_add_point",
     "physics_fixture_bind", "physics_fixture_delete", "physics_apply_force", "physics_apply_impulse",
     "physics_apply_local_force", "physics_apply_local_impulse", "physics_apply_torque", "physics_mass_properties",
     "physics_draw_debug", "physics_test_overlap", "physics_joint_distance_create", "physics_joint_revolute_create",
     "physics_joint_prismatic_create", "physics_joint_pulley_create", "physics_joint_gear_create",
     "physics_joint_enable_motor", "physics_joint_get_value", "physics_joint_set_value", "physics_joint_delete"},
    ExercisePhysics);

}  // namespace
