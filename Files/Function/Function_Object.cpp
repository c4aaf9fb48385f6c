// Object resources and events: the object queries and setters, objects and handlers added at run
// time, and running events from game code.
#include <algorithm>
#include <string>
#include <vector>

#include "Code/Code_Compile.h"
#include "Code/Code_Error.h"
#include "Function/Function_Register.h"
#include "Object/Object_Class.h"
#include "Object/Object_Event.h"
#include "Platform/Platform_Memory.h"
#include "Run/Run_World.h"

namespace {

using Args = RValue*;

int Index(int argc, Args args, int i) { return FunctionArgumentIndex(FunctionArgument(argc, args, i)); }
bool Flag(int argc, Args args, int i) { return FunctionArgument(argc, args, i).real >= 0.5; }
CObject* ObjectArg(int argc, Args args) { return Object_Find(Index(argc, args, 0)); }

// Every linked instance leaves the object lists and joins them again, in id order (the order of
// creation), once the parent links changed, so the with-descendants lists follow the new chains.
void RelinkAfterParentChange() {
  std::vector<CInstance*> all;
  Object_ForEachInTableOrder([&](CObject* o) { all.insert(all.end(), o->instances.begin(), o->instances.end()); });
  Object_ResetInstanceLists();
  Object_ResolveParents();
  std::sort(all.begin(), all.end(), [](const CInstance* a, const CInstance* b) { return a->id < b->id; });
  for (CInstance* i : all) Object_LinkInstance(i);
  Event_BuildLists();
}

void F_ObjectExists(RValue& r, CInstance*, CInstance*, int argc, Args args) { r.SetReal(ObjectArg(argc, args) ? 1 : 0); }

void F_ObjectGetName(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetString(Object_Name(Index(argc, args, 0)));
}

void F_ObjectGetSprite(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  CObject* o = ObjectArg(argc, args);
  r.SetReal(o ? o->sprite : -1);
}
void F_ObjectGetSolid(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  CObject* o = ObjectArg(argc, args);
  r.SetReal(o && o->Solid() ? 1 : 0);
}
void F_ObjectGetVisible(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  CObject* o = ObjectArg(argc, args);
  r.SetReal(o && o->Visible() ? 1 : 0);
}
void F_ObjectGetDepth(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  CObject* o = ObjectArg(argc, args);
  r.SetReal(o ? o->depth : 0);
}
void F_ObjectGetPersistent(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  CObject* o = ObjectArg(argc, args);
  r.SetReal(o && o->Persistent() ? 1 : 0);
}
void F_ObjectGetMask(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  CObject* o = ObjectArg(argc, args);
  r.SetReal(o ? o->mask : -1);
}
void F_ObjectGetParent(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  CObject* o = ObjectArg(argc, args);
  r.SetReal(o ? o->parent : -1);
}
void F_ObjectIsAncestor(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(Object_IsAncestor(Index(argc, args, 0), Index(argc, args, 1)) ? 1 : 0);
}

void F_ObjectSetSprite(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CObject* o = ObjectArg(argc, args)) o->sprite = Index(argc, args, 1);
}
void F_ObjectSetSolid(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CObject* o = ObjectArg(argc, args)) o->SetFlag(1, Flag(argc, args, 1));
}
void F_ObjectSetVisible(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CObject* o = ObjectArg(argc, args)) o->SetFlag(2, Flag(argc, args, 1));
}
void F_ObjectSetDepth(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CObject* o = ObjectArg(argc, args)) o->depth = Index(argc, args, 1);
}
void F_ObjectSetPersistent(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CObject* o = ObjectArg(argc, args)) o->SetFlag(4, Flag(argc, args, 1));
}
void F_ObjectSetMask(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CObject* o = ObjectArg(argc, args)) o->mask = Index(argc, args, 1);
}
void F_ObjectSetParent(RValue&, CInstance*, CInstance*, int argc, Args args) {
  CObject* o = ObjectArg(argc, args);
  if (o == nullptr) return;
  o->parent = Index(argc, args, 1);
  RelinkAfterParentChange();
}

void F_ObjectAdd(RValue& r, CInstance*, CInstance*, int, Args) {
  const int32_t index = Object_Count();
  auto* object = new CObject(index);
  object->name = "__newobject" + std::to_string(index);
  Object_Insert(object);
  r.SetReal(index);
}

void F_ObjectDelete(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const int32_t index = Index(argc, args, 0);
  if (!Object_Exists(index)) return;
  Object_Delete(index);
  Event_BuildLists();
}

void F_ObjectEventAdd(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  CObject* o = ObjectArg(argc, args);
  const int type = Index(argc, args, 1);
  const int number = Index(argc, args, 2);
  const RValue& code = FunctionArgument(argc, args, 3);
  if (o == nullptr || type < 0 || type >= kEventTypeCount || number < 0 || number >= kEventSubTypeCount) return;
  char eventName[128];
  Event_Name(type, number, eventName, sizeof eventName);
  const std::string unit = "Object." + o->name + "." + eventName + "." + std::to_string(number);
  CCode* compiled = Code_CompileText(unit.c_str(), code.Str());
  if (compiled == nullptr) {
    ReportActionErrorF(false, "COMPILATION ERROR in code action\n%s", CompileErrorText());
    return;
  }
  // The slot's old handler may be the one running now: it is retired, not freed.
  o->ClearHandler(type, number);
  CEvent* event = o->MakeHandler(type, number);
  event->SetSource(code.Str());
  event->code = compiled;
  Event_BuildLists();
  r.SetReal(1);
}

void F_ObjectEventClear(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  CObject* o = ObjectArg(argc, args);
  if (o == nullptr) return;
  o->ClearHandler(Index(argc, args, 1), Index(argc, args, 2));
  Event_BuildLists();
  r.SetReal(1);
}

// ---- Running events -------------------------------------------------------------------------------

void F_EventPerform(RValue& r, CInstance* self, CInstance* other, int argc, Args args) {
  if (self == nullptr) return;
  Event_Perform(self, other, self->object_index, Index(argc, args, 0), Index(argc, args, 1));
}

void F_EventPerformObject(RValue& r, CInstance* self, CInstance* other, int argc, Args args) {
  if (self == nullptr) return;
  Event_Perform(self, other, Index(argc, args, 0), Index(argc, args, 1), Index(argc, args, 2));
}

void F_EventUser(RValue& r, CInstance* self, CInstance* other, int argc, Args args) {
  if (self == nullptr) return;
  Event_Perform(self, other, self->object_index, EV_OTHER, EV_USER0 + Index(argc, args, 0));
}

void F_EventInherited(RValue& r, CInstance* self, CInstance* other, int, Args) { Event_Inherited(self, other); }

}  // namespace

void Function_Object_Bind() {
  ImplementFunction("object_exists", F_ObjectExists);
  ImplementFunction("object_get_name", F_ObjectGetName);
  ImplementFunction("object_name", F_ObjectGetName);
  ImplementFunction("object_get_sprite", F_ObjectGetSprite);
  ImplementFunction("object_get_solid", F_ObjectGetSolid);
  ImplementFunction("object_get_visible", F_ObjectGetVisible);
  ImplementFunction("object_get_depth", F_ObjectGetDepth);
  ImplementFunction("object_get_persistent", F_ObjectGetPersistent);
  ImplementFunction("object_get_mask", F_ObjectGetMask);
  ImplementFunction("object_get_parent", F_ObjectGetParent);
  ImplementFunction("object_is_ancestor", F_ObjectIsAncestor);
  ImplementFunction("object_set_sprite", F_ObjectSetSprite);
  ImplementFunction("object_set_solid", F_ObjectSetSolid);
  ImplementFunction("object_set_visible", F_ObjectSetVisible);
  ImplementFunction("object_set_depth", F_ObjectSetDepth);
  ImplementFunction("object_set_persistent", F_ObjectSetPersistent);
  ImplementFunction("object_set_mask", F_ObjectSetMask);
  ImplementFunction("object_set_parent", F_ObjectSetParent);
  ImplementFunction("object_add", F_ObjectAdd);
  ImplementFunction("object_delete", F_ObjectDelete);
  ImplementFunction("object_event_add", F_ObjectEventAdd);
  ImplementFunction("object_event_clear", F_ObjectEventClear);
  ImplementFunction("event_perform", F_EventPerform);
  ImplementFunction("event_perform_object", F_EventPerformObject);
  ImplementFunction("event_user", F_EventUser);
  ImplementFunction("event_inherited", F_EventInherited);
  ImplementFunction("action_inherited", F_EventInherited);
}
