#include "Physics/Physics_World.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_set>

#include "Code/Code_Error.h"
#include "Object/Object_Event.h"
#include "Physics/Physics_Body.h"
#include "Physics/Physics_Joint.h"
#include "Room/Room_Class.h"
#include "Run/Run_Instance.h"
#include "Run/Run_World.h"

namespace {

std::map<const CRoom*, std::unique_ptr<PhysicsWorld>> g_worlds;
std::unordered_set<uint64_t> g_pairs;
std::vector<std::pair<int32_t, int32_t>> g_pairsFrom;  // the pair list g_pairs was built from
std::vector<PhysicsContact> g_dispatching;             // reused: the step allocates nothing
const PhysicsContact* g_current = nullptr;

uint64_t PairKey(int32_t a, int32_t b) {
  if (a > b) std::swap(a, b);
  return (uint64_t(uint32_t(a)) << 32) | uint32_t(b);
}

// Rebuilt only when the pair list changed (game start, events added at run time).
void RefreshPairs() {
  const std::vector<std::pair<int32_t, int32_t>>& pairs = Event_CollisionPairs();
  if (pairs == g_pairsFrom) return;
  g_pairsFrom = pairs;
  g_pairs.clear();
  for (const auto& [a, b] : pairs) g_pairs.insert(PairKey(a, b));
}

PhysicsBody* BodyRecord(b2Fixture* f) {
  return reinterpret_cast<PhysicsBody*>(f->GetBody()->GetUserData().pointer);
}

}  // namespace

// Decides which fixtures collide and records the contacts that start; no game code runs here.
class PhysicsWorld::Listener : public b2ContactListener, public b2ContactFilter {
 public:
  explicit Listener(PhysicsWorld* world) : m_owner(world) {}

  bool ShouldCollide(b2Fixture* fa, b2Fixture* fb) override {
    const b2Filter& x = fa->GetFilterData();
    const b2Filter& y = fb->GetFilterData();
    if (x.groupIndex == y.groupIndex && x.groupIndex != 0) return x.groupIndex > 0;
    const PhysicsBody* a = BodyRecord(fa);
    const PhysicsBody* b = BodyRecord(fb);
    if (a == nullptr || b == nullptr || a->instance == nullptr || b->instance == nullptr) return false;
    return Physics_ObjectsCollide(a->instance->object_index, b->instance->object_index);
  }

  void BeginContact(b2Contact* contact) override {
    const PhysicsBody* a = BodyRecord(contact->GetFixtureA());
    const PhysicsBody* b = BodyRecord(contact->GetFixtureB());
    if (a == nullptr || b == nullptr || a->instance == nullptr || b->instance == nullptr) return;
    PhysicsContact c;
    c.a = a->instance->id;
    c.b = b->instance->id;
    b2WorldManifold manifold;
    contact->GetWorldManifold(&manifold);
    const float inv = 1.0f / m_owner->Scale();
    c.points = std::min(contact->GetManifold()->pointCount, 2);
    for (int k = 0; k < c.points; ++k) {
      c.x[k] = manifold.points[k].x * inv;
      c.y[k] = manifold.points[k].y * inv;
    }
    c.nx = manifold.normal.x;
    c.ny = manifold.normal.y;
    m_owner->m_contacts.push_back(c);
  }

 private:
  PhysicsWorld* m_owner;
};

PhysicsWorld::PhysicsWorld(float scale, float gravityX, float gravityY)
    : m_scale(scale),
      m_world(std::make_unique<b2World>(b2Vec2(gravityX, gravityY))),
      m_listener(std::make_unique<Listener>(this)) {
  m_world->SetContactListener(m_listener.get());
  m_world->SetContactFilter(m_listener.get());
}

PhysicsWorld::~PhysicsWorld() {
  for (PhysicsBody* pb : m_bodies) {
    pb->body = nullptr;
    pb->world = nullptr;
  }
  Physics_JointsOfWorldGone(this);
  m_world.reset();
}

void PhysicsWorld::RemoveBody(PhysicsBody* body) {
  auto it = std::find(m_bodies.begin(), m_bodies.end(), body);
  if (it == m_bodies.end()) return;
  *it = m_bodies.back();
  m_bodies.pop_back();
}

void PhysicsWorld::Step(int32_t roomSpeed) {
  m_contacts.clear();
  if (paused) return;
  roomSpeed = std::max(roomSpeed, 1);
  const int32_t rate = updateSpeed > 0 ? updateSpeed : roomSpeed;
  const int32_t subSteps = std::max(1, int32_t(std::lround(double(rate) / roomSpeed)));
  const float dt = 1.0f / (float(roomSpeed) * float(subSteps));
  m_inverseStep = 1.0f / dt;
  RefreshPairs();
  for (int32_t s = 0; s < subSteps; ++s) {
    for (PhysicsBody* pb : m_bodies) {
      const CInstance* i = pb->instance;
      const bool enabled = pb->active && !i->deactivated;
      if (pb->body->IsEnabled() != enabled) pb->body->SetEnabled(enabled);
      if (i->x != pb->lastX || i->y != pb->lastY || i->image_angle != pb->lastAngle) Physics_MoveToInstance(pb);
    }
    m_world->Step(dt, iterations, kPositionIterations);
    for (PhysicsBody* pb : m_bodies) {
      const b2Body* b = pb->body;
      if (b->GetType() != b2_staticBody && b->IsEnabled() && b->IsAwake()) Physics_WriteBack(pb);
    }
  }
}

PhysicsWorld* Physics_WorldOf(const CRoom* room) {
  auto it = g_worlds.find(room);
  return it != g_worlds.end() ? it->second.get() : nullptr;
}

PhysicsWorld* Physics_CurrentWorld() {
  CRoom* room = Room_Current();
  if (room == nullptr) return nullptr;
  if (PhysicsWorld* w = Physics_WorldOf(room)) return w;
  if (!room->physicsWorld) return nullptr;
  float scale = room->physicsScale;
  if (!std::isfinite(scale) || scale <= 0) {
    ReportActionErrorF(false, "The room's physics scale %g is not above 0: 0.1 is used", double(scale));
    scale = 0.1f;
  }
  return Physics_CreateWorld(room, scale);
}

PhysicsWorld* Physics_CreateWorld(CRoom* room, float scale) {
  g_worlds.erase(room);
  room->physicsWorld = true;
  room->physicsScale = scale;
  auto world = std::make_unique<PhysicsWorld>(scale, float(room->gravityX), float(room->gravityY));
  PhysicsWorld* w = world.get();
  g_worlds[room] = std::move(world);
  Physics_AttachBodies(room);
  return w;
}

void Physics_ForgetRoom(const CRoom* room) { g_worlds.erase(room); }

bool Physics_ObjectsCollide(int32_t a, int32_t b) { return g_pairs.count(PairKey(a, b)) != 0; }

const PhysicsContact* Physics_CurrentContact() { return g_current; }

namespace {

// Runs self's collision event for other's object with the contact as self sees it.
void Dispatch(int32_t selfId, int32_t otherId, const PhysicsContact& seen) {
  CInstance* self = World_Find(selfId);
  CInstance* other = World_Find(otherId);
  if (self == nullptr || other == nullptr || !self->IsActive() || !other->IsActive()) return;
  const PhysicsContact* saved = g_current;
  g_current = &seen;
  Event_Perform(self, other, self->object_index, EV_COLLISION, other->object_index);
  g_current = saved;
}

}  // namespace

bool Physics_RunStep() {
  CRoom* room = Room_Current();
  PhysicsWorld* world = Physics_CurrentWorld();
  if (world == nullptr) return false;
  world->Step(room->speed);
  g_dispatching.assign(world->Contacts().begin(), world->Contacts().end());
  for (const PhysicsContact& c : g_dispatching) {
    Dispatch(c.a, c.b, c);
    PhysicsContact reversed = c;
    reversed.nx = -c.nx;
    reversed.ny = -c.ny;
    Dispatch(c.b, c.a, reversed);
  }
  return true;
}
