// The physics functions: the world's settings, fixture descriptions and binding, forces, mass,
// overlap tests, joints and debug drawing (docs/physics.md).
#include <cmath>
#include <string>
#include <vector>

#include <box2d/box2d.h>

#include "Code/Code_Error.h"
#include "Function/Function_Arguments.h"
#include "Graphics/Graphics_Colour.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_Shape.h"
#include "Object/Object_Class.h"
#include "Physics/Physics_Body.h"
#include "Physics/Physics_Fixture.h"
#include "Physics/Physics_Joint.h"
#include "Physics/Physics_World.h"
#include "Room/Room_Class.h"
#include "Room/Room_Main.h"
#include "Run/Run_World.h"
#include "Variable/Variable_Route.h"

namespace {

using Args = RValue*;
constexpr double kRadians = 3.14159265358979323846 / 180.0;

// ---- Shared checks ------------------------------------------------------------------------------------

// Finite, and still finite as the floats Box2D works in.
bool AllFinite(std::initializer_list<double> values) {
  for (double v : values) {
    if (!std::isfinite(float(v))) return false;
  }
  return true;
}

PhysicsWorld* WorldOrReport(const char* fn) {
  PhysicsWorld* w = Physics_CurrentWorld();
  if (w == nullptr) ReportActionErrorF(false, "%s: the room has no physics world", fn);
  return w;
}

FixtureDesc* FixtureOrReport(const char* fn, int32_t id) {
  FixtureDesc* d = Physics_FixtureFind(id);
  if (d == nullptr) ReportActionErrorF(false, "%s: fixture %d does not exist", fn, id);
  return d;
}

PhysicsBody* BodyOrReport(const char* fn, CInstance* i) {
  PhysicsBody* pb = i != nullptr ? Physics_BodyOf(i) : nullptr;
  if (pb == nullptr) ReportActionErrorF(false, "%s: the instance has no physics body", fn);
  return pb;
}

bool NumbersOrReport(const char* fn, std::initializer_list<double> values) {
  if (AllFinite(values)) return true;
  ReportActionErrorF(false, "%s: an argument is not a number", fn);
  return false;
}

// The unmarked instances a target names: self, other, all, an instance id or an object with its
// descendants.
std::vector<CInstance*> Targets(int32_t target, CInstance* self, CInstance* other) {
  std::vector<CInstance*> out;
  auto add = [&out](CInstance* i) {
    if (i != nullptr && !i->marked) out.push_back(i);
  };
  if (target == SELECTOR_SELF) {
    add(self);
  } else if (target == SELECTOR_OTHER) {
    add(other);
  } else if (target == SELECTOR_ALL) {
    for (CInstance* i : World_Active().Items()) add(i);
  } else if (target >= 100000) {
    add(World_Find(target));
  } else if (const CObject* o = Object_Find(target)) {
    for (CInstance* i : o->instancesRecursive) add(i);
  }
  return out;
}

// The body of a joint's instance argument (self, other or an id).
PhysicsBody* JointBody(const char* fn, int32_t target, CInstance* self, CInstance* other) {
  CInstance* i = target == SELECTOR_SELF ? self : target == SELECTOR_OTHER ? other : World_Find(target);
  if (i == nullptr || i->marked) {
    ReportActionErrorF(false, "%s: instance %d does not exist", fn, target);
    return nullptr;
  }
  return BodyOrReport(fn, i);
}

// Both bodies of a joint, checked: present, different, in the same world.
bool JointBodies(const char* fn, const FunctionArgs& a, CInstance* self, CInstance* other, PhysicsBody** b1,
                 PhysicsBody** b2) {
  *b1 = JointBody(fn, a.Index(0), self, other);
  if (*b1 == nullptr) return false;
  *b2 = JointBody(fn, a.Index(1), self, other);
  if (*b2 == nullptr) return false;
  if (*b1 == *b2 || (*b1)->world != (*b2)->world) {
    ReportActionErrorF(false, "%s: the two instances must be different and in the same world", fn);
    return false;
  }
  return true;
}

b2Vec2 Metres(const PhysicsWorld* w, double x, double y) { return b2Vec2(float(x * w->Scale()), float(y * w->Scale())); }

void Created(RValue& result, PhysicsWorld* w, b2Joint* joint) { result.SetReal(Physics_JointAdd(w, joint)); }

// ---- The world ------------------------------------------------------------------------------------------

void F_WorldCreate(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const double scale = a.Double(0);
  CRoom* room = Room_Current();
  if (room == nullptr) return ReportActionError("physics_world_create: there is no room", false);
  if (!std::isfinite(scale) || scale <= 0) {
    return ReportActionErrorF(false, "physics_world_create: the scale %g is not above 0", scale);
  }
  Physics_CreateWorld(room, float(scale));
}

void F_WorldGravity(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  PhysicsWorld* w = WorldOrReport("physics_world_gravity");
  if (w == nullptr || !NumbersOrReport("physics_world_gravity", {a.Double(0), a.Double(1)})) return;
  w->World().SetGravity(b2Vec2(a.Real(0), a.Real(1)));
}

void F_WorldUpdateSpeed(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  PhysicsWorld* w = WorldOrReport("physics_world_update_speed");
  if (w == nullptr) return;
  if (a.Index(0) <= 0) return ReportActionError("physics_world_update_speed: the speed must be above 0", false);
  w->updateSpeed = a.Index(0);
}

void F_WorldUpdateIterations(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  PhysicsWorld* w = WorldOrReport("physics_world_update_iterations");
  if (w == nullptr) return;
  if (a.Index(0) < 1) return ReportActionError("physics_world_update_iterations: at least 1 iteration", false);
  w->iterations = a.Index(0);
}

void F_PauseEnable(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  if (PhysicsWorld* w = WorldOrReport("physics_pause_enable")) w->paused = a.Flag(0);
}

// ---- Fixture descriptions -------------------------------------------------------------------------------

void F_FixtureCreate(RValue& result, CInstance*, CInstance*, int, Args) { result.SetReal(Physics_FixtureCreate()); }

template <void (*Apply)(FixtureDesc&, const FunctionArgs&)>
void FixtureSetter(const char* fn, int argc, Args args) {
  const FunctionArgs a{argc, args};
  FixtureDesc* d = FixtureOrReport(fn, a.Index(0));
  if (d == nullptr || !NumbersOrReport(fn, {a.Double(1), a.Double(2)})) return;
  Apply(*d, a);
}

#define PHYSICS_FIXTURE_SETTER(Name, fn, body)                                   \
  void Apply##Name(FixtureDesc& d, const FunctionArgs& a) { body; }               \
  void F_##Name(RValue&, CInstance*, CInstance*, int argc, Args args) {           \
    FixtureSetter<Apply##Name>(fn, argc, args);                                   \
  }

PHYSICS_FIXTURE_SETTER(SetKinematic, "physics_fixture_set_kinematic", (void)a; d.kinematic = true)
PHYSICS_FIXTURE_SETTER(SetAwake, "physics_fixture_set_awake", d.awake = a.Flag(1))
PHYSICS_FIXTURE_SETTER(SetRestitution, "physics_fixture_set_restitution", d.restitution = a.Real(1))
PHYSICS_FIXTURE_SETTER(SetFriction, "physics_fixture_set_friction", d.friction = a.Real(1))
PHYSICS_FIXTURE_SETTER(SetGroup, "physics_fixture_set_collision_group", d.group = a.Index(1))
PHYSICS_FIXTURE_SETTER(SetSensor, "physics_fixture_set_sensor", d.sensor = a.Flag(1))
PHYSICS_FIXTURE_SETTER(SetLinearDamping, "physics_fixture_set_linear_damping", d.linearDamping = a.Real(1))
PHYSICS_FIXTURE_SETTER(SetAngularDamping, "physics_fixture_set_angular_damping", d.angularDamping = a.Real(1))
PHYSICS_FIXTURE_SETTER(SetPolygon, "physics_fixture_set_polygon_shape", (void)a; d.shape = FixtureDesc::kPolygon;
                       d.points.clear())

void F_SetDensity(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  FixtureDesc* d = FixtureOrReport("physics_fixture_set_density", a.Index(0));
  if (d == nullptr || !NumbersOrReport("physics_fixture_set_density", {a.Double(1)})) return;
  if (a.Double(1) < 0) return ReportActionError("physics_fixture_set_density: the density must not be negative", false);
  d->density = a.Real(1);
}

void F_SetCircle(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  FixtureDesc* d = FixtureOrReport("physics_fixture_set_circle_shape", a.Index(0));
  if (d == nullptr) return;
  if (!std::isfinite(a.Double(1)) || a.Double(1) <= 0) {
    return ReportActionError("physics_fixture_set_circle_shape: the radius must be above 0", false);
  }
  d->shape = FixtureDesc::kCircle;
  d->radius = a.Real(1);
  d->centre = b2Vec2(0, 0);
}

void F_SetBox(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  FixtureDesc* d = FixtureOrReport("physics_fixture_set_box_shape", a.Index(0));
  if (d == nullptr) return;
  if (!AllFinite({a.Double(1), a.Double(2)}) || a.Double(1) <= 0 || a.Double(2) <= 0) {
    return ReportActionError("physics_fixture_set_box_shape: the half sizes must be above 0", false);
  }
  d->shape = FixtureDesc::kBox;
  d->halfWidth = a.Real(1);
  d->halfHeight = a.Real(2);
}

void F_AddPoint(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const char* fn = "physics_fixture_add_point";
  FixtureDesc* d = FixtureOrReport(fn, a.Index(0));
  if (d == nullptr || !NumbersOrReport(fn, {a.Double(1), a.Double(2)})) return;
  if (d->shape != FixtureDesc::kPolygon) return ReportActionError("physics_fixture_add_point: the fixture is not a polygon", false);
  if (d->points.size() >= b2_maxPolygonVertices) return ReportActionError("physics_fixture_add_point: a polygon has at most 8 points", false);
  d->points.push_back(b2Vec2(a.Real(1), a.Real(2)));
}

void F_Bind(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const int32_t id = a.Index(0);
  const FixtureDesc* d = FixtureOrReport("physics_fixture_bind", id);
  result.SetReal(0);
  if (d == nullptr) return;
  int32_t bound = 0;
  for (CInstance* i : Targets(a.Index(1), self, other)) {
    std::string why;
    if (Physics_BindFixture(i, id, *d, &why)) {
      ++bound;
    } else {
      ReportActionErrorF(false, "physics_fixture_bind: %s", why.c_str());
    }
  }
  result.SetReal(bound);
}

void F_FixtureDelete(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  if (!Physics_FixtureDelete(a.Index(0))) {
    ReportActionErrorF(false, "physics_fixture_delete: fixture %d does not exist", a.Index(0));
  }
}

// ---- Forces and mass ---------------------------------------------------------------------------------------

enum class Push { kForce, kImpulse };

template <Push kind, bool local>
void ApplyPush(const char* fn, CInstance* self, int argc, Args args) {
  const FunctionArgs a{argc, args};
  PhysicsBody* pb = BodyOrReport(fn, self);
  if (pb == nullptr || !NumbersOrReport(fn, {a.Double(0), a.Double(1), a.Double(2), a.Double(3)})) return;
  b2Body* b = pb->body;
  b2Vec2 point = Metres(pb->world, a.Double(0), a.Double(1));
  b2Vec2 vector(a.Real(2), a.Real(3));
  if (local) {
    point = b->GetWorldPoint(point);
    vector = b->GetWorldVector(vector);
  }
  if (kind == Push::kForce) {
    b->ApplyForce(vector, point, true);
  } else {
    b->ApplyLinearImpulse(vector, point, true);
  }
}

void F_ApplyForce(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  ApplyPush<Push::kForce, false>("physics_apply_force", self, argc, args);
}
void F_ApplyImpulse(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  ApplyPush<Push::kImpulse, false>("physics_apply_impulse", self, argc, args);
}
void F_ApplyLocalForce(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  ApplyPush<Push::kForce, true>("physics_apply_local_force", self, argc, args);
}
void F_ApplyLocalImpulse(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  ApplyPush<Push::kImpulse, true>("physics_apply_local_impulse", self, argc, args);
}

void F_ApplyTorque(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  PhysicsBody* pb = BodyOrReport("physics_apply_torque", self);
  if (pb == nullptr || !NumbersOrReport("physics_apply_torque", {a.Double(0)})) return;
  pb->body->ApplyTorque(a.Real(0), true);
}

void F_MassProperties(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const char* fn = "physics_mass_properties";
  PhysicsBody* pb = BodyOrReport(fn, self);
  if (pb == nullptr || !NumbersOrReport(fn, {a.Double(0), a.Double(1), a.Double(2), a.Double(3)})) return;
  b2MassData m;
  m.mass = a.Real(0);
  m.center = Metres(pb->world, a.Double(1), a.Double(2));
  m.I = a.Real(3);
  if (m.mass <= 0 || m.I < 0 || (m.I > 0 && m.I - m.mass * b2Dot(m.center, m.center) <= 0)) {
    return ReportActionError("physics_mass_properties: the mass must be above 0 and the inertia above mass × "
                             "distance² to the centre (or 0)", false);
  }
  pb->body->SetMassData(&m);
}

// ---- Overlap ------------------------------------------------------------------------------------------------

void F_TestOverlap(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a{argc, args};
  result.SetReal(0);
  PhysicsBody* pb = BodyOrReport("physics_test_overlap", self);
  if (pb == nullptr || !NumbersOrReport("physics_test_overlap", {a.Double(0), a.Double(1), a.Double(2)})) return;
  const b2Transform at(Metres(pb->world, a.Double(0), a.Double(1)), b2Rot(float(-a.Double(2) * kRadians)));
  for (CInstance* i : Targets(a.Index(3), self, other)) {
    const PhysicsBody* q = Physics_BodyOf(i);
    if (q == nullptr || q == pb || q->world != pb->world) continue;
    for (const b2Fixture* f = pb->body->GetFixtureList(); f != nullptr; f = f->GetNext()) {
      for (const b2Fixture* g = q->body->GetFixtureList(); g != nullptr; g = g->GetNext()) {
        if (b2TestOverlap(f->GetShape(), 0, g->GetShape(), 0, at, q->body->GetTransform())) {
          result.SetReal(1);
          return;
        }
      }
    }
  }
}

// ---- Joints ------------------------------------------------------------------------------------------------

void F_JointDistance(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const char* fn = "physics_joint_distance_create";
  result.SetReal(-1);
  PhysicsBody *b1, *b2;
  if (!JointBodies(fn, a, self, other, &b1, &b2) || !NumbersOrReport(fn, {a.Double(2), a.Double(3), a.Double(4), a.Double(5)})) return;
  b2DistanceJointDef def;
  def.Initialize(b1->body, b2->body, Metres(b1->world, a.Double(2), a.Double(3)), Metres(b1->world, a.Double(4), a.Double(5)));
  def.length = std::max(def.length, float(b2_linearSlop));
  def.minLength = def.maxLength = def.length;
  def.collideConnected = a.Flag(6);
  Created(result, b1->world, b1->world->World().CreateJoint(&def));
}

void F_JointRevolute(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const char* fn = "physics_joint_revolute_create";
  result.SetReal(-1);
  PhysicsBody *b1, *b2;
  if (!JointBodies(fn, a, self, other, &b1, &b2) ||
      !NumbersOrReport(fn, {a.Double(2), a.Double(3), a.Double(4), a.Double(5), a.Double(7), a.Double(8)})) return;
  if (a.Double(4) > a.Double(5) || a.Double(7) < 0) {
    return ReportActionErrorF(false, "%s: the lower limit is above the upper one or the motor torque is negative", fn);
  }
  b2RevoluteJointDef def;
  def.Initialize(b1->body, b2->body, Metres(b1->world, a.Double(2), a.Double(3)));
  def.lowerAngle = float(a.Double(4) * kRadians);
  def.upperAngle = float(a.Double(5) * kRadians);
  def.enableLimit = a.Flag(6);
  def.maxMotorTorque = a.Real(7);
  def.motorSpeed = float(a.Double(8) * kRadians);
  def.enableMotor = a.Flag(9);
  def.collideConnected = a.Flag(10);
  Created(result, b1->world, b1->world->World().CreateJoint(&def));
}

void F_JointPrismatic(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const char* fn = "physics_joint_prismatic_create";
  result.SetReal(-1);
  PhysicsBody *b1, *b2;
  if (!JointBodies(fn, a, self, other, &b1, &b2) ||
      !NumbersOrReport(fn, {a.Double(2), a.Double(3), a.Double(4), a.Double(5), a.Double(6), a.Double(7), a.Double(9),
                            a.Double(10)})) return;
  b2Vec2 axis(a.Real(4), a.Real(5));
  if (axis.Length() <= b2_epsilon) return ReportActionErrorF(false, "%s: the axis has no length", fn);
  if (a.Double(6) > a.Double(7) || a.Double(9) < 0) {
    return ReportActionErrorF(false, "%s: the lower limit is above the upper one or the motor force is negative", fn);
  }
  axis.Normalize();
  const float scale = b1->world->Scale();
  b2PrismaticJointDef def;
  def.Initialize(b1->body, b2->body, Metres(b1->world, a.Double(2), a.Double(3)), axis);
  def.lowerTranslation = a.Real(6) * scale;
  def.upperTranslation = a.Real(7) * scale;
  def.enableLimit = a.Flag(8);
  def.maxMotorForce = a.Real(9);
  def.motorSpeed = a.Real(10) * scale;
  def.enableMotor = a.Flag(11);
  def.collideConnected = a.Flag(12);
  Created(result, b1->world, b1->world->World().CreateJoint(&def));
}

void F_JointPulley(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const char* fn = "physics_joint_pulley_create";
  result.SetReal(-1);
  PhysicsBody *b1, *b2;
  if (!JointBodies(fn, a, self, other, &b1, &b2)) return;
  for (int k = 2; k <= 10; ++k) {
    if (!NumbersOrReport(fn, {a.Double(k)})) return;
  }
  if (a.Double(10) <= 0) return ReportActionErrorF(false, "%s: the ratio must be above 0", fn);
  const PhysicsWorld* w = b1->world;
  const b2Vec2 anchor1 = b1->body->GetWorldPoint(Metres(w, a.Double(6), a.Double(7)));
  const b2Vec2 anchor2 = b2->body->GetWorldPoint(Metres(w, a.Double(8), a.Double(9)));
  const b2Vec2 ground1 = Metres(w, a.Double(2), a.Double(3)), ground2 = Metres(w, a.Double(4), a.Double(5));
  if (b2Distance(anchor1, ground1) < b2_linearSlop || b2Distance(anchor2, ground2) < b2_linearSlop) {
    return ReportActionErrorF(false, "%s: an anchor lies on its ground anchor", fn);
  }
  b2PulleyJointDef def;
  def.Initialize(b1->body, b2->body, ground1, ground2, anchor1, anchor2, a.Real(10));
  def.collideConnected = a.Flag(13);
  Created(result, b1->world, b1->world->World().CreateJoint(&def));
}

void F_JointGear(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const char* fn = "physics_joint_gear_create";
  result.SetReal(-1);
  PhysicsBody *b1, *b2;
  if (!JointBodies(fn, a, self, other, &b1, &b2) || !NumbersOrReport(fn, {a.Double(4)})) return;
  PhysicsWorld *w1 = nullptr, *w2 = nullptr;
  b2Joint* j1 = Physics_JointFind(a.Index(2), &w1);
  b2Joint* j2 = Physics_JointFind(a.Index(3), &w2);
  auto turnsOrSlides = [](const b2Joint* j) {
    return j != nullptr && (j->GetType() == e_revoluteJoint || j->GetType() == e_prismaticJoint);
  };
  if (!turnsOrSlides(j1) || !turnsOrSlides(j2) || j1 == j2 || w1 != b1->world || w2 != b1->world) {
    return ReportActionErrorF(false, "%s: needs two different revolute or prismatic joints of the instances' world", fn);
  }
  if (a.Double(4) == 0) return ReportActionErrorF(false, "%s: the ratio must not be 0", fn);
  b2GearJointDef def;
  def.bodyA = b1->body;
  def.bodyB = b2->body;
  def.joint1 = j1;
  def.joint2 = j2;
  def.ratio = a.Real(4);
  Created(result, b1->world, b1->world->World().CreateJoint(&def));
}

b2Joint* JointOrReport(const char* fn, int32_t id) {
  b2Joint* j = Physics_JointFind(id);
  if (j == nullptr) ReportActionErrorF(false, "%s: joint %d does not exist", fn, id);
  return j;
}

void F_JointEnableMotor(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  b2Joint* j = JointOrReport("physics_joint_enable_motor", a.Index(0));
  if (j == nullptr) return;
  if (j->GetType() == e_revoluteJoint) {
    static_cast<b2RevoluteJoint*>(j)->EnableMotor(a.Flag(1));
  } else if (j->GetType() == e_prismaticJoint) {
    static_cast<b2PrismaticJoint*>(j)->EnableMotor(a.Flag(1));
  } else {
    ReportActionError("physics_joint_enable_motor: the joint has no motor", false);
  }
}

void F_JointGetValue(RValue& result, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  result.SetReal(0);
  if (JointOrReport("physics_joint_get_value", a.Index(0)) != nullptr) {
    result.SetReal(Physics_JointGet(a.Index(0), a.Index(1)));
  }
}

void F_JointSetValue(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  if (JointOrReport("physics_joint_set_value", a.Index(0)) == nullptr) return;
  if (!Physics_JointSet(a.Index(0), a.Index(1), a.Double(2))) {
    ReportActionErrorF(false, "physics_joint_set_value: field %d cannot be set to that value on this joint", a.Index(1));
  }
}

void F_JointDelete(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  if (!Physics_JointDelete(a.Index(0))) {
    ReportActionErrorF(false, "physics_joint_delete: joint %d does not exist", a.Index(0));
  }
}

// ---- Debug drawing --------------------------------------------------------------------------------------

enum DebugFlags { kShapes = 1, kJoints = 2, kCentres = 4, kBoxes = 8, kTurnedBoxes = 16, kCoreShapes = 32, kPairs = 64 };

void Cross(float x, float y, uint32_t c) {
  Shape_Line(x - 3, y, x + 3, y, c, c);
  Shape_Line(x, y - 3, x, y + 3, c, c);
}

void DrawBody(const PhysicsBody* pb, int flags, uint32_t c) {
  const b2Body* b = pb->body;
  const float inv = 1.0f / pb->world->Scale();
  for (const b2Fixture* f = b->GetFixtureList(); f != nullptr; f = f->GetNext()) {
    if (flags & kTurnedBoxes) {  // the shape's box in the body's own axes, turned with the body
      b2AABB box;
      b2Transform identity;
      identity.SetIdentity();
      f->GetShape()->ComputeAABB(&box, identity, 0);
      if (f->GetType() == b2Shape::e_polygon) {  // without the thin skin Box2D keeps round polygons
        const b2Vec2 skin(f->GetShape()->m_radius, f->GetShape()->m_radius);
        box.lowerBound += skin;
        box.upperBound -= skin;
      }
      const b2Vec2 local[4] = {box.lowerBound, b2Vec2(box.upperBound.x, box.lowerBound.y), box.upperBound,
                               b2Vec2(box.lowerBound.x, box.upperBound.y)};
      for (int k = 0; k < 4; ++k) {
        const b2Vec2 p = inv * b->GetWorldPoint(local[k]), q = inv * b->GetWorldPoint(local[(k + 1) % 4]);
        Shape_Line(p.x, p.y, q.x, q.y, c, c);
      }
    }
    if (flags & (kShapes | kCoreShapes)) {
      if (f->GetType() == b2Shape::e_circle) {
        const auto* circle = static_cast<const b2CircleShape*>(f->GetShape());
        const b2Vec2 p = inv * b->GetWorldPoint(circle->m_p);
        const float r = circle->m_radius * inv;
        Shape_Ellipse(p.x - r, p.y - r, p.x + r, p.y + r, c, c, true);
        const b2Vec2 rim = p + r * b2Vec2(std::cos(b->GetAngle()), std::sin(b->GetAngle()));
        Shape_Line(p.x, p.y, rim.x, rim.y, c, c);
      } else if (f->GetType() == b2Shape::e_polygon) {
        const auto* poly = static_cast<const b2PolygonShape*>(f->GetShape());
        for (int k = 0; k < poly->m_count; ++k) {
          const b2Vec2 p = inv * b->GetWorldPoint(poly->m_vertices[k]);
          const b2Vec2 q = inv * b->GetWorldPoint(poly->m_vertices[(k + 1) % poly->m_count]);
          Shape_Line(p.x, p.y, q.x, q.y, c, c);
        }
      }
    }
    if (flags & kBoxes) {
      const b2AABB& box = f->GetAABB(0);
      const uint32_t corners[4] = {c, c, c, c};
      Shape_Rectangle(box.lowerBound.x * inv, box.lowerBound.y * inv, box.upperBound.x * inv, box.upperBound.y * inv,
                      corners, true);
    }
  }
  if (flags & kCentres) Cross(b->GetWorldCenter().x * inv, b->GetWorldCenter().y * inv, c);
}

uint32_t DrawColour() { return GR_Colour(g_DrawState.colour, g_DrawState.alpha); }

void F_DrawDebug(RValue&, CInstance* self, CInstance*, int, Args) {
  if (const PhysicsBody* pb = BodyOrReport("physics_draw_debug", self)) DrawBody(pb, kShapes, DrawColour());
}

void F_WorldDrawDebug(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  PhysicsWorld* w = WorldOrReport("physics_world_draw_debug");
  if (w == nullptr) return;
  const int flags = a.Index(0);
  const uint32_t c = DrawColour();
  for (const PhysicsBody* pb : w->Bodies()) DrawBody(pb, flags, c);
  if (flags & kJoints) {
    const float inv = 1.0f / w->Scale();
    for (const b2Joint* j = w->World().GetJointList(); j != nullptr; j = j->GetNext()) {
      const b2Vec2 p = inv * j->GetAnchorA(), q = inv * j->GetAnchorB();
      Shape_Line(p.x, p.y, q.x, q.y, c, c);
    }
  }
  if (flags & kPairs) {  // a line between the centres of two bodies whose fixtures touch
    const float inv = 1.0f / w->Scale();
    for (const b2Contact* k = w->World().GetContactList(); k != nullptr; k = k->GetNext()) {
      if (!k->IsTouching()) continue;
      const b2Vec2 p = inv * k->GetFixtureA()->GetBody()->GetWorldCenter();
      const b2Vec2 q = inv * k->GetFixtureB()->GetBody()->GetWorldCenter();
      Shape_Line(p.x, p.y, q.x, q.y, c, c);
    }
  }
}

}  // namespace

void Function_Physics_Bind() {
  ImplementFunction("physics_world_create", F_WorldCreate);
  ImplementFunction("physics_world_gravity", F_WorldGravity);
  ImplementFunction("physics_world_update_speed", F_WorldUpdateSpeed);
  ImplementFunction("physics_world_update_iterations", F_WorldUpdateIterations);
  ImplementFunction("physics_world_draw_debug", F_WorldDrawDebug);
  ImplementFunction("physics_pause_enable", F_PauseEnable);
  ImplementFunction("physics_fixture_create", F_FixtureCreate);
  ImplementFunction("physics_fixture_set_kinematic", F_SetKinematic);
  ImplementFunction("physics_fixture_set_awake", F_SetAwake);
  ImplementFunction("physics_fixture_set_density", F_SetDensity);
  ImplementFunction("physics_fixture_set_restitution", F_SetRestitution);
  ImplementFunction("physics_fixture_set_friction", F_SetFriction);
  ImplementFunction("physics_fixture_set_collision_group", F_SetGroup);
  ImplementFunction("physics_fixture_set_sensor", F_SetSensor);
  ImplementFunction("physics_fixture_set_linear_damping", F_SetLinearDamping);
  ImplementFunction("physics_fixture_set_angular_damping", F_SetAngularDamping);
  ImplementFunction("physics_fixture_set_circle_shape", F_SetCircle);
  ImplementFunction("physics_fixture_set_box_shape", F_SetBox);
  ImplementFunction("physics_fixture_set_polygon_shape", F_SetPolygon);
  ImplementFunction("physics_fixture_add_point", F_AddPoint);
  ImplementFunction("physics_fixture_bind", F_Bind);
  ImplementFunction("physics_fixture_delete", F_FixtureDelete);
  ImplementFunction("physics_apply_force", F_ApplyForce);
  ImplementFunction("physics_apply_impulse", F_ApplyImpulse);
  ImplementFunction("physics_apply_local_force", F_ApplyLocalForce);
  ImplementFunction("physics_apply_local_impulse", F_ApplyLocalImpulse);
  ImplementFunction("physics_apply_torque", F_ApplyTorque);
  ImplementFunction("physics_mass_properties", F_MassProperties);
  ImplementFunction("physics_draw_debug", F_DrawDebug);
  ImplementFunction("physics_test_overlap", F_TestOverlap);
  ImplementFunction("physics_joint_distance_create", F_JointDistance);
  ImplementFunction("physics_joint_revolute_create", F_JointRevolute);
  ImplementFunction("physics_joint_prismatic_create", F_JointPrismatic);
  ImplementFunction("physics_joint_pulley_create", F_JointPulley);
  ImplementFunction("physics_joint_gear_create", F_JointGear);
  ImplementFunction("physics_joint_enable_motor", F_JointEnableMotor);
  ImplementFunction("physics_joint_get_value", F_JointGetValue);
  ImplementFunction("physics_joint_set_value", F_JointSetValue);
  ImplementFunction("physics_joint_delete", F_JointDelete);
}
