// Fixture descriptions made by game code (physics_fixture_create and the _set_ functions), and the
// checks every shape passes before Box2D sees it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <box2d/box2d.h>

struct FixtureDesc {
  enum Shape { kNone, kCircle, kBox, kPolygon };
  Shape shape = kNone;
  float radius = 0;                // circle, pixels
  b2Vec2 centre{0, 0};             // circle centre, pixels in the body frame
  float halfWidth = 0, halfHeight = 0;  // box, pixels
  std::vector<b2Vec2> points;      // polygon, pixels in the body frame
  float density = 0.5f;
  float restitution = 0.1f;
  float friction = 0.2f;
  float linearDamping = 0.1f;
  float angularDamping = 0.1f;
  int32_t group = 0;
  bool sensor = false;
  bool kinematic = false;
  bool awake = true;
};

// A new description; its id (ids are never reused).
int32_t Physics_FixtureCreate();
FixtureDesc* Physics_FixtureFind(int32_t id);
bool Physics_FixtureDelete(int32_t id);
// Forgets every description (game restart, tests).
void Physics_FixtureReset();

// Holds whichever Box2D shape a description makes.
struct PhysicsShape {
  b2CircleShape circle;
  b2PolygonShape polygon;
  const b2Shape* shape = nullptr;
};

// Checks a polygon of pixel points at `scale` metres a pixel: 3 to 8 finite points, strictly
// convex, no two closer than Box2D welds. Empty when fine, else the reason.
std::string Physics_CheckPolygon(const std::vector<b2Vec2>& pixels, float scale);
// Builds the shape of `desc` at `scale`; false with the reason when the shape is missing or bad.
bool Physics_MakeShape(const FixtureDesc& desc, float scale, PhysicsShape* out, std::string* why);
// For a dynamic body: whether the shape's inertia about its own centre survives the float
// arithmetic Box2D does with it (a tiny shape far from the body's origin loses it, and Box2D stops
// the program). Empty when fine, else the reason.
std::string Physics_CheckInertia(const PhysicsShape& shape, float density);
