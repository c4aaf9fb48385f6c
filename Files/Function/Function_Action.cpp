// The drag-and-drop actions that wrap the instance, motion and room operations. Actions marked
// relative add their arguments to the current values while the relative flag is set.
#include <cstring>
#include <vector>

#include "Code/Code_Error.h"
#include "Function/Function_ActionSupport.h"
#include "Function/Function_Register.h"
#include "Object/Object_Class.h"
#include "Object/Object_Event.h"
#include "Room/Room_Class.h"
#include "Room/Room_Main.h"
#include "Run/Run_World.h"
#include "Sprite/Sprite_Class.h"
#include "Variable/Variable_BuiltIn.h"

namespace {

using Args = RValue*;

bool g_relative = false;

float Real(int argc, Args args, int i) { return float(FunctionArgument(argc, args, i).real); }
int Index(int argc, Args args, int i) { return FunctionArgumentIndex(FunctionArgument(argc, args, i)); }
bool Flag(int argc, Args args, int i) { return FunctionArgument(argc, args, i).real >= 0.5; }
// An argument, plus `current` when relative.
float Rel(int argc, Args args, int i, float current) { return Real(argc, args, i) + (g_relative ? current : 0.0f); }

void A_SetRelative(RValue&, CInstance*, CInstance*, int argc, Args args) { g_relative = Flag(argc, args, 0); }

void A_Move(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  const RValue& dirs = FunctionArgument(argc, args, 0);
  const char* text = dirs.IsString() ? dirs.Str() : nullptr;
  if (text == nullptr || std::strlen(text) != 9) {
    ReportActionError("Wrong argument to action_move().", false);
    return;
  }
  if (std::strchr(text, '1') == nullptr || self == nullptr) return;
  self->SetSpeed(Rel(argc, args, 1, self->speed));
  int pick;
  do {
    pick = World_RandomInteger(9);
  } while (text[pick] != '1');
  static const float kDirections[9] = {225, 270, 315, 180, 0, 0, 135, 90, 45};
  if (pick == 4) {
    self->SetDirection(0);
    self->SetSpeed(0);
  } else {
    self->SetDirection(kDirections[pick]);
  }
}

void A_SetMotion(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  if (self == nullptr) return;
  if (g_relative) {
    self->AddMotion(Real(argc, args, 0), Real(argc, args, 1));
  } else {
    self->SetDirection(Real(argc, args, 0));
    self->SetSpeed(Real(argc, args, 1));
  }
}

void A_SetHspeed(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  if (self != nullptr) self->SetHspeed(Rel(argc, args, 0, self->hspeed));
}

void A_SetVspeed(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  if (self != nullptr) self->SetVspeed(Rel(argc, args, 0, self->vspeed));
}

void A_SetGravity(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  if (self == nullptr) return;
  self->gravity_direction = Rel(argc, args, 0, self->gravity_direction);
  self->gravity = Rel(argc, args, 1, self->gravity);
}

void A_SetFriction(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  if (self != nullptr) self->friction = Rel(argc, args, 0, self->friction);
}

void A_MovePoint(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  if (self == nullptr) return;
  World_MoveTowardsPoint(self, Rel(argc, args, 0, self->x), Rel(argc, args, 1, self->y), Real(argc, args, 2));
}

void A_MoveTo(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  if (self != nullptr) self->SetPosition(Rel(argc, args, 0, self->x), Rel(argc, args, 1, self->y));
}

void A_MoveStart(RValue&, CInstance* self, CInstance*, int, Args) {
  if (self != nullptr) self->SetPosition(self->xstart, self->ystart);
}

void A_Snap(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  if (self != nullptr) World_MoveSnap(self, Real(argc, args, 0), Real(argc, args, 1));
}

void A_Wrap(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  CRoom* room = Room_Current();
  if (self == nullptr || room == nullptr) return;
  const int dirs = Index(argc, args, 0);
  // The sprite's size scaled, or 0 without a sprite.
  const CSprite* sprite = Sprite_Get(self->sprite_index);
  const float w = sprite != nullptr ? float(sprite->width) * self->image_xscale : 0.0f;
  const float h = sprite != nullptr ? float(sprite->height) * self->image_yscale : 0.0f;
  if (dirs == 0 || dirs == 2) {
    if (self->hspeed < 0 && self->x < 0) self->SetPosition(float(room->width) + self->x + w, self->y);
    if (self->hspeed > 0 && self->x >= float(room->width)) self->SetPosition(self->x - float(room->width) - w, self->y);
  }
  if (dirs == 1 || dirs == 2) {
    if (self->vspeed < 0 && self->y < 0) self->SetPosition(self->x, float(room->height) + self->y + h);
    if (self->vspeed > 0 && self->y >= float(room->height)) self->SetPosition(self->x, self->y - float(room->height) - h);
  }
}

void A_ReverseX(RValue&, CInstance* self, CInstance*, int, Args) {
  if (self != nullptr) self->SetHspeed(-self->hspeed);
}

void A_ReverseY(RValue&, CInstance* self, CInstance*, int, Args) {
  if (self != nullptr) self->SetVspeed(-self->vspeed);
}

// The shared part of the creating actions: the object must exist; the new instance may be given a
// motion before its create event.
void CreateObject(CInstance* self, int32_t objectIndex, float x, float y, bool withMotion, float speed, float dir) {
  if (!Object_Exists(objectIndex)) {
    ReportActionErrorF(false, "Creating instance for non-existing object: %d", objectIndex);
    return;
  }
  if (g_relative && self != nullptr) {
    x += self->x;
    y += self->y;
  }
  CInstance* instance = World_CreateInstance(x, y, objectIndex);
  if (withMotion) {
    instance->SetSpeed(speed);
    instance->SetDirection(dir);
  }
  Event_PerformOwn(instance, EV_CREATE, 0);
  instance->created = true;
}

void A_CreateObject(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  CreateObject(self, Index(argc, args, 0), Real(argc, args, 1), Real(argc, args, 2), false, 0, 0);
}

void A_CreateObjectMotion(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  CreateObject(self, Index(argc, args, 0), Real(argc, args, 1), Real(argc, args, 2), true, Real(argc, args, 3),
               Real(argc, args, 4));
}

void A_CreateObjectRandom(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  int32_t objects[4];
  bool any = false;
  for (int k = 0; k < 4; ++k) {
    objects[k] = Index(argc, args, k);
    any = any || Object_Exists(objects[k]);
  }
  if (!any) return;
  int32_t chosen;
  do {
    chosen = objects[World_RandomInteger(4)];
  } while (!Object_Exists(chosen));
  CreateObject(self, chosen, Real(argc, args, 4), Real(argc, args, 5), false, 0, 0);
}

void A_ChangeObject(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  const int32_t objectIndex = Index(argc, args, 0);
  if (!Object_Exists(objectIndex)) {
    ReportActionErrorF(false, "Asking to change into non-existing object: %d", objectIndex);
    return;
  }
  if (self != nullptr) World_Change(self, objectIndex, Flag(argc, args, 1));
}

void A_KillObject(RValue&, CInstance* self, CInstance*, int, Args) {
  if (self != nullptr) World_Destroy(self);
}

void A_IfNumber(RValue& result, CInstance* self, CInstance* other, int argc, Args args) {
  const int32_t count = World_Count(Index(argc, args, 0), self, other, false);
  const double number = FunctionArgument(argc, args, 1).real;
  const int operation = Index(argc, args, 2);
  bool holds = false;
  if (operation == 0) holds = count == number;
  if (operation == 1) holds = count < number;
  if (operation == 2) holds = count > number;
  result.SetReal(holds ? 1 : 0);
}

void A_IfAligned(RValue& result, CInstance* self, CInstance*, int argc, Args args) {
  if (self != nullptr) result.SetReal(World_PlaceSnapped(self, Real(argc, args, 0), Real(argc, args, 1)) ? 1 : 0);
}

void A_AnotherRoom(RValue&, CInstance*, CInstance*, int argc, Args args) { Room_Goto(Index(argc, args, 0)); }
void A_CurrentRoom(RValue&, CInstance*, CInstance*, int, Args) { Room_Restart(); }
void A_PreviousRoom(RValue&, CInstance*, CInstance*, int, Args) { Room_GotoPrevious(); }
void A_NextRoom(RValue&, CInstance*, CInstance*, int, Args) { Room_GotoNext(); }

}  // namespace

bool Action_Relative() { return g_relative; }

void Function_Action_Forget() {
  g_relative = false;
  Function_ActionDraw_Forget();
  Function_ActionParticle_Forget();
}

namespace Action {

RValue Call(const char* name, CInstance* self, CInstance* other, std::initializer_list<RValue> args) {
  RValue result;
  const int id = FindBuiltinFunction(name);
  if (id < 0) {
    ReportActionErrorF(false, "%s: no such function", name);
    return result;
  }
  std::vector<RValue> list(args);
  CallFunction(id, result, self, other, static_cast<int>(list.size()), list.empty() ? nullptr : list.data());
  return result;
}

RValue Get(CInstance* self, const char* variable, int32_t index) {
  RValue value;
  const int32_t id = FindBuiltIn(variable);
  if (id >= kBuiltInFirstGlobal || self != nullptr) GetBuiltIn(self, id, index, &value);
  return value;
}

void Set(CInstance* self, const char* variable, const RValue& value, int32_t index) {
  const int32_t id = FindBuiltIn(variable);
  if (id >= kBuiltInFirstGlobal || self != nullptr) SetBuiltIn(self, id, index, value);
}

void SetRel(CInstance* self, const char* variable, const FunctionArgs& a, int i, int32_t index) {
  if (!g_relative) {
    Set(self, variable, RValue(a.Double(i)), index);
    return;
  }
  Set(self, variable, RValue(Get(self, variable, index).real + a.Double(i)), index);
}

double RelX(CInstance* self, const FunctionArgs& a, int i) {
  return a.Double(i) + (g_relative && self != nullptr ? self->x : 0.0);
}
double RelY(CInstance* self, const FunctionArgs& a, int i) {
  return a.Double(i) + (g_relative && self != nullptr ? self->y : 0.0);
}

bool Compare(const RValue& value, const RValue& with, int32_t operation) {
  const CompareOp op = operation == 1 ? CMP_LT : operation == 2 ? CMP_GT : CMP_EQ;
  if (operation < 0 || operation > 2) return false;
  if (value.IsReal() && with.IsReal()) return CompareReal(value.real, with.real, op);
  if (value.IsString() && with.IsString()) return CompareString(value.Str(), with.Str(), op);
  return false;
}

}  // namespace Action

void Function_Action_Bind() {
  ImplementFunction("action_set_relative", A_SetRelative);
  ImplementFunction("action_move", A_Move);
  ImplementFunction("action_set_motion", A_SetMotion);
  ImplementFunction("action_set_hspeed", A_SetHspeed);
  ImplementFunction("action_set_vspeed", A_SetVspeed);
  ImplementFunction("action_set_gravity", A_SetGravity);
  ImplementFunction("action_set_friction", A_SetFriction);
  ImplementFunction("action_move_point", A_MovePoint);
  ImplementFunction("action_move_to", A_MoveTo);
  ImplementFunction("action_move_start", A_MoveStart);
  ImplementFunction("action_snap", A_Snap);
  ImplementFunction("action_wrap", A_Wrap);
  ImplementFunction("action_reverse_xdir", A_ReverseX);
  ImplementFunction("action_reverse_ydir", A_ReverseY);
  ImplementFunction("action_create_object", A_CreateObject);
  ImplementFunction("action_create_object_motion", A_CreateObjectMotion);
  ImplementFunction("action_create_object_random", A_CreateObjectRandom);
  ImplementFunction("action_change_object", A_ChangeObject);
  ImplementFunction("action_kill_object", A_KillObject);
  ImplementFunction("action_if_number", A_IfNumber);
  ImplementFunction("action_if_aligned", A_IfAligned);
  ImplementFunction("action_another_room", A_AnotherRoom);
  ImplementFunction("action_current_room", A_CurrentRoom);
  ImplementFunction("action_previous_room", A_PreviousRoom);
  ImplementFunction("action_next_room", A_NextRoom);
  Function_ActionGame_Bind();
  Function_ActionDraw_Bind();
  Function_ActionParticle_Bind();
}
