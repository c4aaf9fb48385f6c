// The body of an instance: made from its object's physics block or by binding fixtures, moved when
// the instance is moved, written back after each world step, and read and written through the phy_*
// variables.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class b2Body;
class CInstance;
class CRoom;
class PhysicsWorld;
struct FixtureDesc;

struct PhysicsBody {
  b2Body* body = nullptr;         // null once its world is gone
  PhysicsWorld* world = nullptr;
  CInstance* instance = nullptr;
  // The instance's place as last written back or set: a different one moves the body.
  float lastX = 0, lastY = 0, lastAngle = 0;
  std::vector<int32_t> fixtures;  // ids of the fixture descriptions bound to it
  bool active = true;             // phy_active
};

PhysicsBody* Physics_BodyOf(const CInstance* instance);

// At instance creation: a body from the object's physics block when the object uses physics and
// the current room has a world. A bad shape is reported and no body is made.
void Physics_MakeObjectBody(CInstance* instance);
// After the instance changed its object: the old body goes and the new object's body (if any) is
// made where the instance is, keeping the old body's velocities. Fixtures bound at run time go with
// the old body.
void Physics_ChangeObjectBody(CInstance* instance);
// Makes object bodies for every instance of the room's lists that should have one and has none
// (a loaded or re-entered room).
void Physics_AttachBodies(CRoom* room);
// Adds a fixture described by `desc` (id `fixtureId`) to the instance's body, making the body in the
// current room's world first. False with the reason when it cannot be bound.
bool Physics_BindFixture(CInstance* instance, int32_t fixtureId, const FixtureDesc& desc, std::string* why);
// Frees the instance's body and the joints on it.
void Physics_FreeBody(CInstance* instance);

// Moves the body to the instance's x, y and image_angle and remembers them.
void Physics_MoveToInstance(PhysicsBody* pb);
// Writes the body's place to the instance and remembers it.
void Physics_WriteBack(PhysicsBody* pb);

// The phy_* variables.
enum class PhysicsVar {
  kRotation, kPositionX, kPositionY, kAngularVelocity, kLinearVelocityX, kLinearVelocityY, kSpeedX,
  kSpeedY, kBullet, kFixedRotation, kActive, kMass, kInertia, kComX, kComY, kDynamic, kKinematic,
  kSleeping, kCollisionPoints, kCollisionX, kCollisionY, kNormalX, kNormalY,
};
// The value for `instance` (0 without a body; the collision values outside a physics collision
// event are 0 too).
double Physics_Read(CInstance* instance, PhysicsVar var, int32_t index);
// Writes a read-write variable; nothing without a body.
void Physics_Write(CInstance* instance, PhysicsVar var, double value);
