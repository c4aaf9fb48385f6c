// Collision queries, the movement functions against obstacles, bounce, random placement and their
// drag-and-drop actions.
#include <vector>

#include "Code/Code_Error.h"
#include "Collision/Collision_Query.h"
#include "Function/Function_Register.h"
#include "Object/Object_Class.h"
#include "Object/Object_Event.h"
#include "Run/Run_World.h"
#include "Variable/Variable_Route.h"

namespace {

using Args = RValue*;

double Real(int argc, Args args, int i) { return FunctionArgument(argc, args, i).real; }
int Index(int argc, Args args, int i) { return FunctionArgumentIndex(FunctionArgument(argc, args, i)); }
bool Flag(int argc, Args args, int i) { return FunctionArgumentBool(FunctionArgument(argc, args, i)); }
void SetId(RValue& result, const CInstance* i) { result.SetReal(i != nullptr ? i->id : SELECTOR_NOONE); }

// self and other as selectors become the instances' ids (place_meeting, position_meeting).
int32_t Resolve(int32_t selector, CInstance* self, CInstance* other) {
  if (selector == SELECTOR_SELF) return self != nullptr ? self->id : SELECTOR_NOONE;
  if (selector == SELECTOR_OTHER) return other != nullptr ? other->id : SELECTOR_NOONE;
  return selector;
}

CollisionShape Shape(CollisionShape::Kind kind, double x1, double y1, double x2, double y2, bool precise) {
  CollisionShape s;
  s.kind = kind;
  s.x1 = x1, s.y1 = y1, s.x2 = x2, s.y2 = y2;
  s.precise = precise;
  return s;
}

CInstance* PositionFind(double x, double y, int32_t selector) {
  return Collision_Find(selector, nullptr, Shape(CollisionShape::kPoint, x, y, x, y, true));
}

// The instances of the active list whose precise point test at (x, y) passes, as they are now.
std::vector<CInstance*> AtPosition(double x, double y) {
  std::vector<CInstance*> found;
  const CollisionShape shape = Shape(CollisionShape::kPoint, x, y, x, y, true);
  for (CInstance* i : World_Active().Items()) {
    if (!i->marked && Collision_Passes(i, shape)) found.push_back(i);
  }
  return found;
}

void PositionDestroy(double x, double y) {
  for (CInstance* i : AtPosition(x, y)) {
    if (!i->marked) World_Destroy(i);
  }
}

// (x, y) of an action, relative to self when the relative flag is set.
void ActionPoint(CInstance* self, int argc, Args args, int first, double& x, double& y) {
  x = Real(argc, args, first);
  y = Real(argc, args, first + 1);
  if (Action_Relative() && self != nullptr) {
    x += self->x;
    y += self->y;
  }
}

void F_PlaceFree(RValue& result, CInstance* self, CInstance*, int argc, Args args) {
  result.SetReal(self == nullptr || Collision_PlaceFree(self, float(Real(argc, args, 0)), float(Real(argc, args, 1)), false));
}

void F_PlaceEmpty(RValue& result, CInstance* self, CInstance*, int argc, Args args) {
  result.SetReal(self == nullptr || Collision_PlaceFree(self, float(Real(argc, args, 0)), float(Real(argc, args, 1)), true));
}

void F_PlaceMeeting(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  if (self == nullptr) return;
  const int32_t selector = Resolve(Index(argc, args, 2), self, other);
  result.SetReal(Collision_InstancePlace(self, float(Real(argc, args, 0)), float(Real(argc, args, 1)), selector) != nullptr);
}

void F_InstancePlace(RValue& result, CInstance* self, CInstance*, int argc, Args args) {
  result.SetReal(SELECTOR_NOONE);
  if (self == nullptr) return;
  SetId(result, Collision_InstancePlace(self, float(Real(argc, args, 0)), float(Real(argc, args, 1)), Index(argc, args, 2)));
}

void F_InstancePosition(RValue& result, CInstance*, CInstance*, int argc, Args args) {
  SetId(result, PositionFind(Real(argc, args, 0), Real(argc, args, 1), Index(argc, args, 2)));
}

void F_PositionEmpty(RValue& result, CInstance*, CInstance*, int argc, Args args) {
  result.SetReal(PositionFind(Real(argc, args, 0), Real(argc, args, 1), SELECTOR_ALL) == nullptr);
}

void F_PositionMeeting(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  const int32_t selector = Resolve(Index(argc, args, 2), self, other);
  result.SetReal(PositionFind(Real(argc, args, 0), Real(argc, args, 1), selector) != nullptr);
}

void F_PositionDestroy(RValue&, CInstance*, CInstance*, int argc, Args args) {
  PositionDestroy(Real(argc, args, 0), Real(argc, args, 1));
}

void F_PositionChange(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const int32_t objectIndex = Index(argc, args, 2);
  if (!Object_Exists(objectIndex)) {
    ReportActionErrorF(false, "Asking to change into non-existing object: %d", objectIndex);
    return;
  }
  const bool perform = Flag(argc, args, 3);
  for (CInstance* i : AtPosition(Real(argc, args, 0), Real(argc, args, 1))) {
    if (!i->marked) World_Change(i, objectIndex, perform);
  }
}

// collision_point and its relatives: the shape, then obj, prec and notme.
void Collide(RValue& result, CInstance* self, const CollisionShape& shape, int argc, Args args, int next) {
  CollisionShape s = shape;
  s.precise = Flag(argc, args, next + 1);
  CInstance* skip = Flag(argc, args, next + 2) ? self : nullptr;
  SetId(result, Collision_Find(Index(argc, args, next), skip, s));
}

void F_CollisionPoint(RValue& result, CInstance* self, CInstance*, int argc, Args args) {
  const double x = Real(argc, args, 0), y = Real(argc, args, 1);
  Collide(result, self, Shape(CollisionShape::kPoint, x, y, x, y, false), argc, args, 2);
}

template <CollisionShape::Kind kKind>
void F_CollisionFourPoint(RValue& result, CInstance* self, CInstance*, int argc, Args args) {
  Collide(result, self,
          Shape(kKind, Real(argc, args, 0), Real(argc, args, 1), Real(argc, args, 2), Real(argc, args, 3), false),
          argc, args, 4);
}

void F_CollisionCircle(RValue& result, CInstance* self, CInstance*, int argc, Args args) {
  const double x = Real(argc, args, 0), y = Real(argc, args, 1), r = Real(argc, args, 2);
  Collide(result, self, Shape(CollisionShape::kEllipse, x - r, y - r, x + r, y + r, false), argc, args, 3);
}

template <bool kAll>
void F_MoveContactWith(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  if (self != nullptr) Collision_MoveContact(self, float(Real(argc, args, 0)), Real(argc, args, 1), kAll);
}

void F_MoveContact(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  if (self == nullptr) return;
  const float dir = float(Real(argc, args, 0));
  if (Collision_PlaceFree(self, self->x, self->y, false)) {
    Collision_MoveContact(self, dir, -1, false);
  } else {
    Collision_MoveOutside(self, dir, -1, false);
  }
}

template <bool kAll>
void F_MoveOutside(RValue& result, CInstance* self, CInstance*, int argc, Args args) {
  if (self != nullptr) result.SetReal(Collision_MoveOutside(self, float(Real(argc, args, 0)), Real(argc, args, 1), kAll));
}

template <bool kAll>
void F_MoveBounce(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  if (self != nullptr) Collision_Bounce(self, Flag(argc, args, 0), kAll);
}

void F_MoveRandom(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  if (self != nullptr) Collision_MoveRandom(self, Real(argc, args, 0), Real(argc, args, 1), 100);
}

void F_ActionMoveRandom(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  if (self != nullptr) Collision_MoveRandom(self, Real(argc, args, 0), Real(argc, args, 1), 99);
}

void F_ActionMoveContact(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  if (self != nullptr) Collision_MoveContact(self, float(Real(argc, args, 0)), Real(argc, args, 1), Flag(argc, args, 2));
}

void F_ActionBounce(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  if (self != nullptr) Collision_Bounce(self, Flag(argc, args, 0), Index(argc, args, 1) == 1);
}

void F_ActionKillPosition(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  double x, y;
  ActionPoint(self, argc, args, 0, x, y);
  PositionDestroy(x, y);
}

void F_ActionIfObject(RValue& result, CInstance* self, CInstance*, int argc, Args args) {
  if (self == nullptr) return;
  double x, y;
  ActionPoint(self, argc, args, 1, x, y);
  result.SetReal(Collision_InstancePlace(self, float(x), float(y), Index(argc, args, 0)) != nullptr);
}

template <bool kNegate>
void F_ActionIfEmpty(RValue& result, CInstance* self, CInstance*, int argc, Args args) {
  if (self == nullptr) return;
  double x, y;
  ActionPoint(self, argc, args, 0, x, y);
  const bool free = Collision_PlaceFree(self, float(x), float(y), Index(argc, args, 2) != 0);
  result.SetReal(free != kNegate);
}

}  // namespace

void Function_Collision_Bind() {
  ImplementFunction("place_free", F_PlaceFree);
  ImplementFunction("place_empty", F_PlaceEmpty);
  ImplementFunction("place_meeting", F_PlaceMeeting);
  ImplementFunction("instance_place", F_InstancePlace);
  ImplementFunction("instance_position", F_InstancePosition);
  ImplementFunction("position_empty", F_PositionEmpty);
  ImplementFunction("position_meeting", F_PositionMeeting);
  ImplementFunction("position_destroy", F_PositionDestroy);
  ImplementFunction("position_change", F_PositionChange);
  ImplementFunction("collision_point", F_CollisionPoint);
  ImplementFunction("collision_rectangle", F_CollisionFourPoint<CollisionShape::kRectangle>);
  ImplementFunction("collision_circle", F_CollisionCircle);
  ImplementFunction("collision_ellipse", F_CollisionFourPoint<CollisionShape::kEllipse>);
  ImplementFunction("collision_line", F_CollisionFourPoint<CollisionShape::kLine>);
  ImplementFunction("move_contact_solid", F_MoveContactWith<false>);
  ImplementFunction("move_contact_all", F_MoveContactWith<true>);
  ImplementFunction("move_contact", F_MoveContact);
  ImplementFunction("move_outside_solid", F_MoveOutside<false>);
  ImplementFunction("move_outside_all", F_MoveOutside<true>);
  ImplementFunction("move_bounce_solid", F_MoveBounce<false>);
  ImplementFunction("move_bounce", F_MoveBounce<false>);
  ImplementFunction("move_bounce_all", F_MoveBounce<true>);
  ImplementFunction("move_random", F_MoveRandom);
  ImplementFunction("action_move_random", F_ActionMoveRandom);
  ImplementFunction("action_move_contact", F_ActionMoveContact);
  ImplementFunction("action_bounce", F_ActionBounce);
  ImplementFunction("action_kill_position", F_ActionKillPosition);
  ImplementFunction("action_if_object", F_ActionIfObject);
  ImplementFunction("action_if_empty", F_ActionIfEmpty<false>);
  ImplementFunction("action_if_collision", F_ActionIfEmpty<true>);
}
