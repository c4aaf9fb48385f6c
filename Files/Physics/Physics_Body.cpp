#include "Physics/Physics_Body.h"

#include <algorithm>
#include <cmath>

#include "Code/Code_Error.h"
#include "Object/Object_Class.h"
#include "Physics/Physics_Fixture.h"
#include "Physics/Physics_Joint.h"
#include "Physics/Physics_World.h"
#include "Room/Room_Class.h"
#include "Room/Room_Main.h"
#include "Run/Run_Instance.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegrees = 180.0 / kPi;

bool Finite(float v) { return std::isfinite(v); }

// The fixture description an object's physics block makes; false (reported) when it is corrupt.
bool ObjectFixture(const CObject& o, FixtureDesc* d) {
  const char* name = o.name.c_str();
  const auto& p = o.physicsPoints;
  for (const ObjectPoint& q : p) {
    if (!Finite(q.x) || !Finite(q.y)) {
      ReportActionErrorF(false, "Corrupt shape data for %s\n", name);
      return false;
    }
  }
  if (o.physicsShape == 0) {
    if (p.size() < 2) {
      ReportActionErrorF(false, "Corrupt shape data for %s\n", name);
      return false;
    }
    d->shape = FixtureDesc::kCircle;
    d->centre = b2Vec2(p[0].x, p[0].y);
    d->radius = p[1].x;
  } else if (o.physicsShape == 1 || o.physicsShape == 2) {
    d->shape = FixtureDesc::kPolygon;
    for (const ObjectPoint& q : p) d->points.push_back(b2Vec2(q.x, q.y));
  } else {
    ReportActionErrorF(false, "Corrupt shape data for %s\n", name);
    return false;
  }
  const float values[] = {o.physicsDensity, o.physicsRestitution, o.physicsLinearDamping, o.physicsAngularDamping};
  for (float v : values) {
    if (!Finite(v)) {
      ReportActionErrorF(false, "The physics properties of %s are not numbers", name);
      return false;
    }
  }
  d->density = std::max(o.physicsDensity, 0.0f);
  d->restitution = o.physicsRestitution;
  d->linearDamping = o.physicsLinearDamping;
  d->angularDamping = o.physicsAngularDamping;
  d->group = o.physicsGroup;
  d->sensor = o.physicsSensor;
  return true;
}

b2BodyType KindOf(const FixtureDesc& d) {
  if (d.kinematic) return b2_kinematicBody;
  return d.density > 0 ? b2_dynamicBody : b2_staticBody;
}

PhysicsBody* MakeBody(CInstance* instance, PhysicsWorld* world, const FixtureDesc& d) {
  const float scale = world->Scale();
  b2BodyDef def;
  def.type = KindOf(d);
  if (Finite(instance->x * scale) && Finite(instance->y * scale)) def.position.Set(instance->x * scale, instance->y * scale);
  if (Finite(instance->image_angle)) def.angle = float(-double(instance->image_angle) / kDegrees);
  def.linearDamping = std::max(d.linearDamping, 0.0f);
  def.angularDamping = std::max(d.angularDamping, 0.0f);
  def.awake = d.awake;
  auto* pb = new PhysicsBody();
  def.userData.pointer = reinterpret_cast<uintptr_t>(pb);
  pb->body = world->World().CreateBody(&def);
  pb->world = world;
  pb->instance = instance;
  pb->lastX = instance->x;
  pb->lastY = instance->y;
  pb->lastAngle = instance->image_angle;
  instance->physics_body = pb;
  world->AddBody(pb);
  return pb;
}

void AddFixture(PhysicsBody* pb, const FixtureDesc& d, const PhysicsShape& shape) {
  b2FixtureDef def;
  def.shape = shape.shape;
  def.density = d.density;
  def.restitution = d.restitution;
  def.friction = d.friction;
  def.isSensor = d.sensor;
  def.filter.groupIndex = int16(std::clamp(d.group, -32768, 32767));
  pb->body->CreateFixture(&def);
}

// Frees a record whose world is gone.
void DropStale(CInstance* instance) {
  auto* pb = static_cast<PhysicsBody*>(instance->physics_body);
  if (pb != nullptr && pb->body == nullptr) {
    delete pb;
    instance->physics_body = nullptr;
  }
}

}  // namespace

PhysicsBody* Physics_BodyOf(const CInstance* instance) {
  auto* pb = static_cast<PhysicsBody*>(instance->physics_body);
  return pb != nullptr && pb->body != nullptr ? pb : nullptr;
}

void Physics_MakeObjectBody(CInstance* instance) {
  const CObject* o = instance->object;
  if (o == nullptr || !o->usesPhysics) return;
  PhysicsWorld* world = Physics_CurrentWorld();
  if (world == nullptr) return;
  DropStale(instance);
  if (instance->physics_body != nullptr) return;
  FixtureDesc d;
  if (!ObjectFixture(*o, &d)) return;
  PhysicsShape shape;
  std::string why;
  if (!Physics_MakeShape(d, world->Scale(), &shape, &why) ||
      (KindOf(d) == b2_dynamicBody && !(why = Physics_CheckInertia(shape, d.density)).empty())) {
    ReportActionErrorF(false, "Physics shape of %s: %s", o->name.c_str(), why.c_str());
    return;
  }
  AddFixture(MakeBody(instance, world, d), d, shape);
}

void Physics_ChangeObjectBody(CInstance* instance) {
  DropStale(instance);
  const auto* old = static_cast<PhysicsBody*>(instance->physics_body);
  if (old == nullptr) {
    Physics_MakeObjectBody(instance);
    return;
  }
  const b2Vec2 velocity = old->body->GetLinearVelocity();
  const float spin = old->body->GetAngularVelocity();
  Physics_FreeBody(instance);
  Physics_MakeObjectBody(instance);
  if (const auto* now = static_cast<PhysicsBody*>(instance->physics_body); now != nullptr) {
    now->body->SetLinearVelocity(velocity);
    now->body->SetAngularVelocity(spin);
  }
}

void Physics_AttachBodies(CRoom* room) {
  const CRoom* def = room->definition;
  if (!room->physicsWorld && def != nullptr && def->physicsWorld) {
    room->physicsWorld = true;
    room->physicsScale = def->physicsScale;
    room->gravityX = def->gravityX;
    room->gravityY = def->gravityY;
  }
  if (Room_Current() != room || Physics_CurrentWorld() == nullptr) return;
  for (CInstanceList* list : {&room->active, &room->deactivated}) {
    for (CInstance* i = list->head; i != nullptr; i = i->next) {
      DropStale(i);
      if (i->physics_body == nullptr) Physics_MakeObjectBody(i);
    }
  }
}

bool Physics_BindFixture(CInstance* instance, int32_t fixtureId, const FixtureDesc& desc, std::string* why) {
  DropStale(instance);
  auto* pb = static_cast<PhysicsBody*>(instance->physics_body);
  PhysicsWorld* world = pb != nullptr ? pb->world : Physics_CurrentWorld();
  if (world == nullptr) {
    *why = "the room has no physics world";
    return false;
  }
  if (pb != nullptr && std::find(pb->fixtures.begin(), pb->fixtures.end(), fixtureId) != pb->fixtures.end()) {
    *why = "the fixture is already bound to instance " + std::to_string(instance->id);
    return false;
  }
  if (!Finite(desc.density) || !Finite(desc.restitution) || !Finite(desc.friction) ||
      !Finite(desc.linearDamping) || !Finite(desc.angularDamping)) {
    *why = "a fixture property is not a number";
    return false;
  }
  if (pb != nullptr && pb->body->GetType() == b2_dynamicBody && desc.density <= 0) {
    *why = "a fixture bound to a dynamic body needs a density above 0";
    return false;
  }
  PhysicsShape shape;
  if (!Physics_MakeShape(desc, world->Scale(), &shape, why)) return false;
  const b2BodyType kind = pb != nullptr ? pb->body->GetType() : KindOf(desc);
  if (kind == b2_dynamicBody && !(*why = Physics_CheckInertia(shape, desc.density)).empty()) return false;
  if (pb == nullptr) {
    pb = MakeBody(instance, world, desc);
  } else {
    pb->body->SetLinearDamping(std::max(desc.linearDamping, 0.0f));
    pb->body->SetAngularDamping(std::max(desc.angularDamping, 0.0f));
  }
  AddFixture(pb, desc, shape);
  pb->fixtures.push_back(fixtureId);
  return true;
}

void Physics_FreeBody(CInstance* instance) {
  auto* pb = static_cast<PhysicsBody*>(instance->physics_body);
  if (pb == nullptr) return;
  if (pb->body != nullptr && pb->world != nullptr) {
    Physics_JointsOfBodyGone(pb->world, pb->body);
    pb->world->World().DestroyBody(pb->body);
    pb->world->RemoveBody(pb);
  }
  delete pb;
  instance->physics_body = nullptr;
}

void Physics_MoveToInstance(PhysicsBody* pb) {
  const CInstance* i = pb->instance;
  const float scale = pb->world->Scale();
  if (!Finite(i->x * scale) || !Finite(i->y * scale) || !Finite(i->image_angle)) return;
  pb->body->SetTransform(b2Vec2(i->x * scale, i->y * scale), float(-double(i->image_angle) / kDegrees));
  pb->body->SetAwake(true);
  pb->lastX = i->x;
  pb->lastY = i->y;
  pb->lastAngle = i->image_angle;
}

void Physics_WriteBack(PhysicsBody* pb) {
  CInstance* i = pb->instance;
  const double inv = 1.0 / double(pb->world->Scale());
  const b2Vec2 p = pb->body->GetPosition();
  i->SetPosition(float(p.x * inv), float(p.y * inv));
  i->SetAngle(float(-double(pb->body->GetAngle()) * kDegrees));
  pb->lastX = i->x;
  pb->lastY = i->y;
  pb->lastAngle = i->image_angle;
}

double Physics_Read(CInstance* instance, PhysicsVar var, int32_t index) {
  if (const PhysicsContact* c = Physics_CurrentContact()) {
    const int32_t k = std::clamp(index, 0, 1);
    switch (var) {
      case PhysicsVar::kCollisionPoints: return c->points;
      case PhysicsVar::kCollisionX: return k < c->points ? c->x[k] : 0.0;
      case PhysicsVar::kCollisionY: return k < c->points ? c->y[k] : 0.0;
      case PhysicsVar::kNormalX: return c->nx;
      case PhysicsVar::kNormalY: return c->ny;
      default: break;
    }
  }
  const PhysicsBody* pb = instance != nullptr ? Physics_BodyOf(instance) : nullptr;
  if (pb == nullptr) return 0;
  const b2Body* b = pb->body;
  const double inv = 1.0 / double(pb->world->Scale());
  switch (var) {
    case PhysicsVar::kRotation: return double(b->GetAngle()) * kDegrees;
    case PhysicsVar::kPositionX: return b->GetPosition().x * inv;
    case PhysicsVar::kPositionY: return b->GetPosition().y * inv;
    case PhysicsVar::kAngularVelocity: return double(b->GetAngularVelocity()) * kDegrees;
    case PhysicsVar::kLinearVelocityX: return b->GetLinearVelocity().x * inv;
    case PhysicsVar::kLinearVelocityY: return b->GetLinearVelocity().y * inv;
    case PhysicsVar::kSpeedX: return b->GetLinearVelocity().x * inv / Room_Speed();
    case PhysicsVar::kSpeedY: return b->GetLinearVelocity().y * inv / Room_Speed();
    case PhysicsVar::kBullet: return b->IsBullet();
    case PhysicsVar::kFixedRotation: return b->IsFixedRotation();
    case PhysicsVar::kActive: return pb->active;
    case PhysicsVar::kMass: return b->GetMass();
    case PhysicsVar::kInertia: return b->GetInertia();
    case PhysicsVar::kComX: return b->GetWorldCenter().x * inv;
    case PhysicsVar::kComY: return b->GetWorldCenter().y * inv;
    case PhysicsVar::kDynamic: return b->GetType() == b2_dynamicBody;
    case PhysicsVar::kKinematic: return b->GetType() == b2_kinematicBody;
    case PhysicsVar::kSleeping: return !b->IsAwake();
    default: return 0;
  }
}

void Physics_Write(CInstance* instance, PhysicsVar var, double value) {
  PhysicsBody* pb = instance != nullptr ? Physics_BodyOf(instance) : nullptr;
  if (pb == nullptr) return;
  b2Body* b = pb->body;
  const double scale = pb->world->Scale();
  // Every value written below, converted, must stay a finite float.
  if (!std::isfinite(float(value * std::max({1.0, scale, scale * Room_Speed()})))) return;
  const b2Vec2 v = b->GetLinearVelocity();
  switch (var) {
    case PhysicsVar::kRotation:
      instance->SetAngle(float(-value));
      Physics_MoveToInstance(pb);
      break;
    case PhysicsVar::kPositionX:
      instance->SetPosition(float(value), instance->y);
      Physics_MoveToInstance(pb);
      break;
    case PhysicsVar::kPositionY:
      instance->SetPosition(instance->x, float(value));
      Physics_MoveToInstance(pb);
      break;
    case PhysicsVar::kAngularVelocity: b->SetAngularVelocity(float(value / kDegrees)); break;
    case PhysicsVar::kLinearVelocityX: b->SetLinearVelocity(b2Vec2(float(value * scale), v.y)); break;
    case PhysicsVar::kLinearVelocityY: b->SetLinearVelocity(b2Vec2(v.x, float(value * scale))); break;
    case PhysicsVar::kSpeedX: b->SetLinearVelocity(b2Vec2(float(value * scale * Room_Speed()), v.y)); break;
    case PhysicsVar::kSpeedY: b->SetLinearVelocity(b2Vec2(v.x, float(value * scale * Room_Speed()))); break;
    case PhysicsVar::kBullet: b->SetBullet(value >= 0.5); break;
    case PhysicsVar::kFixedRotation: b->SetFixedRotation(value >= 0.5); break;
    case PhysicsVar::kActive:
      pb->active = value >= 0.5;
      b->SetEnabled(pb->active && !instance->deactivated);
      break;
    default: break;
  }
}
