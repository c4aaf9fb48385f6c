// Instances and plain motion: creation, copies, changes, destruction, queries, activation and the
// motion functions that need no collision tests.
#include <cmath>

#include "Code/Code_Error.h"
#include "Function/Function_Register.h"
#include "Object/Object_Class.h"
#include "Room/Room_Class.h"
#include "Run/Run_World.h"
#include "Variable/Variable_Route.h"

namespace {

using Args = RValue*;

float Real(int argc, Args args, int i) { return float(FunctionArgument(argc, args, i).real); }
int Index(int argc, Args args, int i) { return FunctionArgumentIndex(FunctionArgument(argc, args, i)); }
bool Flag(int argc, Args args, int i) { return FunctionArgument(argc, args, i).real >= 0.5; }

void F_InstanceCreate(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  for (int i = 0; i < 3; ++i) {
    if (FunctionArgument(argc, args, i).IsString()) {
      ReportActionError("instance_create( ) error: Illegal type", false);
      result.SetReal(-1);
      return;
    }
  }
  const double raw = FunctionArgument(argc, args, 2).real;
  const int32_t objectIndex = std::isfinite(raw) && std::fabs(raw) < 2147483647.0 ? int32_t(raw) : -1;
  if (!Object_Exists(objectIndex)) {
    ReportActionErrorF(false, "Creating instance for non-existing object: %d", objectIndex);
    result.SetReal(-1);
    return;
  }
  CInstance* instance = World_CreateWithEvent(Real(argc, args, 0), Real(argc, args, 1), objectIndex);
  result.SetReal(instance->id);
}

void F_InstanceCopy(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  if (self == nullptr) return;
  result.SetReal(World_Copy(self, Flag(argc, args, 0))->id);
}

void F_InstanceDestroy(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  if (self != nullptr) World_Destroy(self);
}

void F_InstanceChange(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  const int32_t objectIndex = Index(argc, args, 0);
  if (!Object_Exists(objectIndex)) {
    ReportActionErrorF(false, "Asking to change into non-existing object: %d", objectIndex);
    return;
  }
  if (self != nullptr) World_Change(self, objectIndex, Flag(argc, args, 1));
}

void F_InstanceSprite(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  const int32_t sprite = Index(argc, args, 0);
  if (!Instance_SpriteExists(sprite)) {
    ReportActionErrorF(false, "Setting instance to non-existing sprite: %d", sprite);
    return;
  }
  if (self != nullptr) self->SetSprite(sprite);
}

void F_InstanceExists(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  result.SetReal(World_Count(Index(argc, args, 0), self, other, true) > 0 ? 1 : 0);
}

void F_InstanceNumber(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  result.SetReal(World_Count(Index(argc, args, 0), self, other, false));
}

void F_InstanceFind(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  const int32_t selector = Index(argc, args, 0);
  int32_t n = Index(argc, args, 1);
  result.SetReal(SELECTOR_NOONE);
  if (selector == SELECTOR_ALL) {
    for (CInstance* i = World_Active().head; i != nullptr; i = i->next) {
      if (!i->marked && n-- == 0) {
        result.SetReal(i->id);
        return;
      }
    }
  } else if (selector >= 100000) {
    CInstance* i = World_Find(selector);
    if (i != nullptr && !i->marked && n == 0) result.SetReal(i->id);
  } else if (selector >= 0) {
    CObject* object = Object_Find(selector);
    if (object == nullptr) return;
    for (CInstance* i : object->instancesRecursive) {
      if (!i->marked && n-- == 0) {
        result.SetReal(i->id);
        return;
      }
    }
  }
}

// instance_nearest and instance_furthest: the running best starts at `start` and only a strictly
// better squared distance replaces it.
template <bool kNearest>
void Extreme(RValue& result, int argc, Args args) {
  const double x = FunctionArgument(argc, args, 0).real;
  const double y = FunctionArgument(argc, args, 1).real;
  const int32_t selector = Index(argc, args, 2);
  double best = kNearest ? 1e8 : -1;
  int32_t found = SELECTOR_NOONE;
  auto consider = [&](CInstance* i) {
    if (i->marked) return;
    const double dx = double(i->x) - x, dy = double(i->y) - y;
    const double d = dx * dx + dy * dy;
    if (kNearest ? d < best : d > best) {
      best = d;
      found = i->id;
    }
  };
  if (selector == SELECTOR_ALL) {
    for (CInstance* i = World_Active().head; i != nullptr; i = i->next) consider(i);
  } else if (selector >= 0 && selector < 100000) {
    if (CObject* object = Object_Find(selector)) {
      for (CInstance* i : object->instancesRecursive) consider(i);
    }
  }
  result.SetReal(found);
}

void F_InstanceNearest(RValue& result, CInstance*, CInstance*, int argc, Args args) { Extreme<true>(result, argc, args); }
void F_InstanceFurthest(RValue& result, CInstance*, CInstance*, int argc, Args args) { Extreme<false>(result, argc, args); }

// ---- Activation -------------------------------------------------------------------------------------

void F_DeactivateAll(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  for (CInstance* i = World_Active().head; i != nullptr; i = i->next) i->deactivated = true;
  if (Flag(argc, args, 0) && self != nullptr) self->deactivated = false;
  World_UpdateActive();
}

void F_DeactivateObject(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  World_SetDeactivatedBySelector(Index(argc, args, 0), self, other, true);
  World_UpdateActive();
}

void F_ActivateAll(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  for (CInstance* i = World_Deactivated().head; i != nullptr; i = i->next) i->deactivated = false;
  World_UpdateActive();
}

void F_ActivateObject(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  World_SetDeactivatedBySelector(Index(argc, args, 0), self, other, false);
  World_UpdateActive();
}

void F_DeactivateRegion(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  const float left = Real(argc, args, 0), top = Real(argc, args, 1);
  const float width = Real(argc, args, 2), height = Real(argc, args, 3);
  const bool inside = Flag(argc, args, 4);
  const bool notme = Flag(argc, args, 5);
  for (CInstance* i = World_Active().head; i != nullptr; i = i->next) {
    if (notme && i == self) continue;
    if (World_OutsideRegion(i, left, top, width, height) != inside) i->deactivated = true;
  }
  World_UpdateActive();
}

void F_ActivateRegion(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  const float left = Real(argc, args, 0), top = Real(argc, args, 1);
  const float width = Real(argc, args, 2), height = Real(argc, args, 3);
  const bool inside = Flag(argc, args, 4);
  for (CInstance* i = World_Deactivated().head; i != nullptr; i = i->next) {
    if (World_OutsideRegion(i, left, top, width, height) != inside) i->deactivated = false;
  }
  World_UpdateActive();
}

// ---- Motion ---------------------------------------------------------------------------------------------

void F_MotionSet(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  if (self == nullptr) return;
  self->SetDirection(Real(argc, args, 0));
  self->SetSpeed(Real(argc, args, 1));
}

void F_MotionAdd(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  if (self != nullptr) self->AddMotion(Real(argc, args, 0), Real(argc, args, 1));
}

void F_MoveTowardsPoint(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  if (self == nullptr) return;
  World_MoveTowardsPoint(self, Real(argc, args, 0), Real(argc, args, 1), Real(argc, args, 2));
}

void F_MoveSnap(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  if (self != nullptr) World_MoveSnap(self, Real(argc, args, 0), Real(argc, args, 1));
}

void F_PlaceSnapped(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  if (self == nullptr) return;
  result.SetReal(World_PlaceSnapped(self, Real(argc, args, 0), Real(argc, args, 1)) ? 1 : 0);
}

void F_MoveWrap(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  if (self == nullptr) return;
  CRoom* room = Room_Current();
  if (room == nullptr) return;
  const float margin = Real(argc, args, 2);
  float x = self->x, y = self->y;
  if (Flag(argc, args, 0)) {
    const float w = float(room->width);
    if (x < -margin) x = w + x + 2 * margin;
    if (x > w + margin) x = x - w - 2 * margin;
  }
  if (Flag(argc, args, 1)) {
    const float h = float(room->height);
    if (y < -margin) y = h + y + 2 * margin;
    if (y > h + margin) y = y - h - 2 * margin;
  }
  self->SetPosition(x, y);
}

void F_DistanceToPoint(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  if (self == nullptr) return;
  const double x = FunctionArgument(argc, args, 0).real, y = FunctionArgument(argc, args, 1).real;
  const InstanceBox& b = self->BoundingBox();
  const double dx = x < b.left ? b.left - x : (x > b.right ? x - b.right : 0);
  const double dy = y < b.top ? b.top - y : (y > b.bottom ? y - b.bottom : 0);
  result.SetReal(std::sqrt(dx * dx + dy * dy));
}

void F_DistanceToObject(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  result.SetReal(1000000);
  if (self == nullptr) return;
  const int32_t selector = Index(argc, args, 0);
  const InstanceBox a = self->BoundingBox();
  double best = 1000000;
  auto consider = [&](CInstance* c) {
    if (c == nullptr || c == self || c->marked) return;
    const InstanceBox& b = c->BoundingBox();
    const double gx = a.right < b.left ? b.left - a.right : (b.right < a.left ? a.left - b.right : 0);
    const double gy = a.bottom < b.top ? b.top - a.bottom : (b.bottom < a.top ? a.top - b.bottom : 0);
    const double d = std::sqrt(gx * gx + gy * gy);
    if (d < best) best = d;
  };
  if (selector == SELECTOR_OTHER) {
    consider(other);
  } else if (selector == SELECTOR_ALL) {
    for (CInstance* i = World_Active().head; i != nullptr; i = i->next) consider(i);
  } else if (selector >= 0 && selector < 100000) {
    if (CObject* object = Object_Find(selector)) {
      for (CInstance* i : object->instancesRecursive) consider(i);
    }
  } else if (selector >= 100000) {
    consider(World_Find(selector));
  }
  result.SetReal(best);
}

}  // namespace

void Function_Game_Bind() {
  ImplementFunction("instance_create", F_InstanceCreate);
  ImplementFunction("instance_copy", F_InstanceCopy);
  ImplementFunction("instance_destroy", F_InstanceDestroy);
  ImplementFunction("instance_change", F_InstanceChange);
  ImplementFunction("instance_sprite", F_InstanceSprite);
  ImplementFunction("instance_exists", F_InstanceExists);
  ImplementFunction("instance_number", F_InstanceNumber);
  ImplementFunction("instance_find", F_InstanceFind);
  ImplementFunction("instance_nearest", F_InstanceNearest);
  ImplementFunction("instance_furthest", F_InstanceFurthest);
  ImplementFunction("instance_deactivate_all", F_DeactivateAll);
  ImplementFunction("instance_deactivate_object", F_DeactivateObject);
  ImplementFunction("instance_deactivate_region", F_DeactivateRegion);
  ImplementFunction("instance_activate_all", F_ActivateAll);
  ImplementFunction("instance_activate_object", F_ActivateObject);
  ImplementFunction("instance_activate_region", F_ActivateRegion);
  ImplementFunction("motion_set", F_MotionSet);
  ImplementFunction("motion_add", F_MotionAdd);
  ImplementFunction("move_towards_point", F_MoveTowardsPoint);
  ImplementFunction("move_snap", F_MoveSnap);
  ImplementFunction("place_snapped", F_PlaceSnapped);
  ImplementFunction("move_wrap", F_MoveWrap);
  ImplementFunction("distance_to_point", F_DistanceToPoint);
  ImplementFunction("distance_to_object", F_DistanceToObject);
}
