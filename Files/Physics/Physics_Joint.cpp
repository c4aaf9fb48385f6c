#include "Physics/Physics_Joint.h"

#include <cmath>
#include <map>

#include <box2d/box2d.h>

#include "Physics/Physics_World.h"

namespace {

struct JointRecord {
  b2Joint* joint = nullptr;
  PhysicsWorld* world = nullptr;
};

std::map<int32_t, JointRecord> g_joints;
int32_t g_nextId = 0;

constexpr double kDegrees = 180.0 / 3.14159265358979323846;

// The phy_joint_* field numbers.
enum Field {
  kAnchor1X = 0, kAnchor1Y = 1, kAnchor2X = 2, kAnchor2Y = 3, kReactionForceX = 4, kReactionForceY = 5,
  kReactionTorque = 6, kMotorSpeed = 7, kAngle = 8, kMotorTorque = 9, kMaxMotorTorque = 10,
  kTranslation = 11, kSpeed = 12, kMotorForce = 13, kMaxMotorForce = 14, kLength1 = 15, kLength2 = 16,
};

int32_t IdOf(const b2Joint* joint) {
  for (const auto& [id, r] : g_joints) {
    if (r.joint == joint) return id;
  }
  return -1;
}

void Destroy(int32_t id) {
  auto it = g_joints.find(id);
  if (it == g_joints.end()) return;
  const JointRecord r = it->second;
  // Gear joints on this joint first: Box2D leaves them pointing at it otherwise.
  for (auto g = g_joints.begin(); g != g_joints.end();) {
    b2Joint* j = g->second.joint;
    if (j->GetType() == e_gearJoint) {
      auto* gear = static_cast<b2GearJoint*>(j);
      if (gear->GetJoint1() == r.joint || gear->GetJoint2() == r.joint) {
        r.world->World().DestroyJoint(j);
        g = g_joints.erase(g);
        continue;
      }
    }
    ++g;
  }
  g_joints.erase(id);
  r.world->World().DestroyJoint(r.joint);
}

}  // namespace

int32_t Physics_JointAdd(PhysicsWorld* world, b2Joint* joint) {
  const int32_t id = g_nextId++;
  g_joints[id] = JointRecord{joint, world};
  return id;
}

b2Joint* Physics_JointFind(int32_t id, PhysicsWorld** world) {
  auto it = g_joints.find(id);
  if (it == g_joints.end()) return nullptr;
  if (world != nullptr) *world = it->second.world;
  return it->second.joint;
}

bool Physics_JointDelete(int32_t id) {
  if (g_joints.count(id) == 0) return false;
  Destroy(id);
  return true;
}

void Physics_JointsOfBodyGone(PhysicsWorld* world, b2Body* body) {
  while (b2JointEdge* edge = body->GetJointList()) {
    const int32_t id = IdOf(edge->joint);
    if (id >= 0) {
      Destroy(id);
    } else {
      world->World().DestroyJoint(edge->joint);
    }
  }
}

void Physics_JointsOfWorldGone(PhysicsWorld* world) {
  for (auto it = g_joints.begin(); it != g_joints.end();) {
    it = it->second.world == world ? g_joints.erase(it) : std::next(it);
  }
}

double Physics_JointGet(int32_t id, int32_t field) {
  PhysicsWorld* world = nullptr;
  b2Joint* j = Physics_JointFind(id, &world);
  if (j == nullptr) return 0;
  const double inv = 1.0 / double(world->Scale());
  const float rate = world->InverseStep();
  switch (field) {
    case kAnchor1X: return j->GetAnchorA().x * inv;
    case kAnchor1Y: return j->GetAnchorA().y * inv;
    case kAnchor2X: return j->GetAnchorB().x * inv;
    case kAnchor2Y: return j->GetAnchorB().y * inv;
    case kReactionForceX: return j->GetReactionForce(rate).x;
    case kReactionForceY: return j->GetReactionForce(rate).y;
    case kReactionTorque: return j->GetReactionTorque(rate);
    default: break;
  }
  switch (j->GetType()) {
    case e_revoluteJoint: {
      auto* r = static_cast<b2RevoluteJoint*>(j);
      if (field == kAngle) return r->GetJointAngle() * kDegrees;
      if (field == kMotorSpeed) return r->GetMotorSpeed() * kDegrees;
      if (field == kMotorTorque) return r->GetMotorTorque(rate);
      if (field == kMaxMotorTorque) return r->GetMaxMotorTorque();
      break;
    }
    case e_prismaticJoint: {
      auto* p = static_cast<b2PrismaticJoint*>(j);
      if (field == kTranslation) return p->GetJointTranslation() * inv;
      if (field == kSpeed) return p->GetJointSpeed() * inv;
      if (field == kMotorSpeed) return p->GetMotorSpeed() * inv;
      if (field == kMotorForce) return p->GetMotorForce(rate);
      if (field == kMaxMotorForce) return p->GetMaxMotorForce();
      break;
    }
    case e_distanceJoint:
      if (field == kLength1) return static_cast<b2DistanceJoint*>(j)->GetLength() * inv;
      break;
    case e_pulleyJoint: {
      auto* p = static_cast<b2PulleyJoint*>(j);
      if (field == kLength1) return p->GetCurrentLengthA() * inv;
      if (field == kLength2) return p->GetCurrentLengthB() * inv;
      break;
    }
    default: break;
  }
  return 0;
}

bool Physics_JointSet(int32_t id, int32_t field, double value) {
  PhysicsWorld* world = nullptr;
  b2Joint* j = Physics_JointFind(id, &world);
  if (j == nullptr || !std::isfinite(value)) return false;
  const double scale = world->Scale();
  switch (j->GetType()) {
    case e_revoluteJoint: {
      auto* r = static_cast<b2RevoluteJoint*>(j);
      if (field == kMotorSpeed) r->SetMotorSpeed(float(value / kDegrees));
      else if (field == kMaxMotorTorque && value >= 0) r->SetMaxMotorTorque(float(value));
      else return false;
      break;
    }
    case e_prismaticJoint: {
      auto* p = static_cast<b2PrismaticJoint*>(j);
      if (field == kMotorSpeed) p->SetMotorSpeed(float(value * scale));
      else if (field == kMaxMotorForce && value >= 0) p->SetMaxMotorForce(float(value));
      else return false;
      break;
    }
    case e_distanceJoint: {
      if (field != kLength1 || value <= 0) return false;
      // A rod: its minimum and maximum lengths are its length (Box2D holds it by them).
      auto* d = static_cast<b2DistanceJoint*>(j);
      const float length = d->SetLength(float(value * scale));
      if (length > d->GetMaxLength()) {
        d->SetMaxLength(length);
        d->SetMinLength(length);
      } else {
        d->SetMinLength(length);
        d->SetMaxLength(length);
      }
      break;
    }
    default: return false;
  }
  j->GetBodyA()->SetAwake(true);
  j->GetBodyB()->SetAwake(true);
  return true;
}
