// The physics worlds: at most one Box2D world per room state, with its settings, the bodies made in
// it, the contacts that started during its last step, and the stepping that moves bodies and writes
// their places back to their instances. This module owns every Box2D object; the others reach them
// through it (Physics_Body.h for bodies, Physics_Joint.h for joints).
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include <box2d/box2d.h>

class CInstance;
class CRoom;
struct PhysicsBody;

// A contact that started during a world step: the two instances, its points (pixels) and the unit
// normal pointing from a to b.
struct PhysicsContact {
  int32_t a = 0;
  int32_t b = 0;
  int32_t points = 0;
  float x[2] = {0, 0};
  float y[2] = {0, 0};
  float nx = 0;
  float ny = 0;
};

class PhysicsWorld {
 public:
  PhysicsWorld(float scale, float gravityX, float gravityY);
  ~PhysicsWorld();
  PhysicsWorld(const PhysicsWorld&) = delete;
  PhysicsWorld& operator=(const PhysicsWorld&) = delete;

  b2World& World() { return *m_world; }
  float Scale() const { return m_scale; }

  // Runs the world for one game step at `roomSpeed` steps a second: the bodies whose instances
  // were moved are moved first, then the sub-steps run and every body's place is written back.
  // The contacts that started are left in Contacts().
  void Step(int32_t roomSpeed);
  const std::vector<PhysicsContact>& Contacts() const { return m_contacts; }
  // 1 / the length of the last sub-step (the rate joint reaction forces are measured at).
  float InverseStep() const { return m_inverseStep; }

  void AddBody(PhysicsBody* body) { m_bodies.push_back(body); }
  void RemoveBody(PhysicsBody* body);
  const std::vector<PhysicsBody*>& Bodies() const { return m_bodies; }

  int32_t updateSpeed = 0;  // world updates a second; 0 follows the room speed
  int32_t iterations = 8;  // velocity iterations of a sub-step (position iterations: kPositionIterations)
  static constexpr int32_t kPositionIterations = 3;
  bool paused = false;

 private:
  class Listener;
  float m_scale;
  float m_inverseStep = 30;
  std::unique_ptr<b2World> m_world;
  std::unique_ptr<Listener> m_listener;
  std::vector<PhysicsBody*> m_bodies;
  std::vector<PhysicsContact> m_contacts;
};

// The world of a room state, or null.
PhysicsWorld* Physics_WorldOf(const CRoom* room);
// The world of the current room; made from the room's settings when its physics flag is set and it
// has none yet. Null when the room has no world.
PhysicsWorld* Physics_CurrentWorld();
// Makes (or remakes, freeing the old one's bodies) the world of `room` with `scale` metres a
// pixel and the room's gravity pair.
PhysicsWorld* Physics_CreateWorld(CRoom* room, float scale);
// Frees the world of a room state that is being deleted.
void Physics_ForgetRoom(const CRoom* room);

// The motion stage of a room with a world: steps it and runs the collision events of the contacts
// that started. False when the current room has no world.
bool Physics_RunStep();

// Whether the objects `a` and `b` form a collision pair (fixtures of different or no groups collide
// only then).
bool Physics_ObjectsCollide(int32_t a, int32_t b);

// Inside a physics collision event: the contact seen from self (normal from self to other); null
// elsewhere.
const PhysicsContact* Physics_CurrentContact();
