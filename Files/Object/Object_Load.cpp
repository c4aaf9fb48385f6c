#include "Object/Object_Load.h"

#include <string>

#include "Code/Code_Compile.h"
#include "Code/Code_Error.h"
#include "Code/Code_Load.h"
#include "DataFile/DataFile_General.h"
#include "DataFile/DataFile_Load.h"
#include "Object/Object_Class.h"
#include "Object/Object_Event.h"
#include "Platform/Platform_Console.h"

namespace {

void ReadEvents(const DataView& view, CObject* object, uint64_t at, bool bytecode) {
  const uint32_t typeCount = view.u32(at, "object event type count");
  if (typeCount > uint32_t(kEventTypeCount)) {
    ThrowFormatError("object %d lists %u event types (at most %d)", object->index, typeCount, kEventTypeCount);
  }
  for (uint32_t type = 0; type < typeCount; ++type) {
    const uint32_t listAt = view.u32(at + 4 + uint64_t(type) * 4, "object event type offset");
    if (listAt == 0) continue;
    const ListView entries = view.list(listAt, "object event list");
    for (uint32_t e = 0; e < entries.count(); ++e) {
      const uint32_t entryAt = entries.entry(e);
      if (entryAt == 0) continue;
      const int32_t subType = view.i32(entryAt, "event sub-type");
      if (subType < 0 || subType >= kEventSubTypeCount) {
        ThrowFormatError("object %d has an event of type %u with sub-type %d (outside 0..255)", object->index, type,
                         subType);
      }
      const uint32_t actionCount = view.u32(entryAt + 4, "event action count");
      CEvent* event = object->MakeHandler(int(type), subType);
      delete event->code;
      event->code = nullptr;
      event->codeIndex = -1;
      if (actionCount == 0) {
        event->SetSource("");
        continue;
      }
      const uint32_t actionAt = view.u32(entryAt + 8, "event action offset");
      if (actionAt == 0) ThrowFormatError("object %d has an event action at offset 0", object->index);
      if (bytecode) {
        event->codeIndex = view.i32(actionAt + 32, "action code index");
        event->SetSource("");
        event->code = Code_CreateFromIndex(event->codeIndex);
      } else {
        const char* text = view.string(view.u32(actionAt + 60, "action source offset"), "action source");
        event->SetSource(text != nullptr ? text : "");
      }
    }
  }
}

}  // namespace

void Object_LoadOBJT(const DataView& view, const ChunkInfo& chunk) {
  Object_ResetStore();
  const ListView list = view.list(chunk.body, "OBJT list");
  const bool bytecode = DataFile_HasBytecode() || Code_HasBytecode();
  const bool physics = g_General.version > 5;
  for (uint32_t i = 0; i < list.count(); ++i) {
    const uint32_t at = list.entry(i);
    if (at == 0) continue;
    auto* object = new CObject(int32_t(i));
    Object_Insert(object);
    const char* name = view.stringAt(at, "object name");
    object->name = name != nullptr ? name : "";
    object->sprite = view.i32(at + 4, "object sprite");
    object->SetFlag(2, view.i32(at + 8, "object visible") != 0);
    object->SetFlag(1, view.i32(at + 12, "object solid") != 0);
    object->depth = view.i32(at + 16, "object depth");
    object->SetFlag(4, view.i32(at + 20, "object persistent") != 0);
    object->parent = view.i32(at + 24, "object parent");
    object->mask = view.i32(at + 28, "object mask");
    uint64_t eventsAt = uint64_t(at) + 32;
    if (physics) {
      object->usesPhysics = view.i32(at + 32, "object physics") != 0;
      object->physicsSensor = view.i32(at + 36, "object sensor") != 0;
      object->physicsShape = view.i32(at + 40, "object shape");
      object->physicsDensity = view.f32(at + 44, "object density");
      object->physicsRestitution = view.f32(at + 48, "object restitution");
      object->physicsGroup = view.i32(at + 52, "object collision group");
      object->physicsLinearDamping = view.f32(at + 56, "object linear damping");
      object->physicsAngularDamping = view.f32(at + 60, "object angular damping");
      const uint32_t points = view.u32(at + 64, "object point count");
      view.require(uint64_t(at) + 68, uint64_t(points) * 8, "object shape points");
      object->physicsPoints.resize(points);
      for (uint32_t p = 0; p < points; ++p) {
        object->physicsPoints[p].x = view.f32(uint64_t(at) + 68 + uint64_t(p) * 8, "object point");
        object->physicsPoints[p].y = view.f32(uint64_t(at) + 72 + uint64_t(p) * 8, "object point");
      }
      eventsAt = uint64_t(at) + 68 + uint64_t(points) * 8;
    }
    ReadEvents(view, object, eventsAt, bytecode);
  }
  Object_SetCount(int32_t(list.count()));
  Object_ResolveParents();
}

bool Object_Prepare() {
  Console::Output("Preparing %d objects:\n", Object_Count());
  const bool bytecode = DataFile_HasBytecode() || Code_HasBytecode();
  bool ok = true;
  Object_ForEachInTableOrder([&](CObject* object) {
    if (!ok) return;
    Console::Output("\tObjects %d: %s\n", object->index, object->name.c_str());
    if (bytecode) return;
    for (int type = 0; type < kEventTypeCount && ok; ++type) {
      for (size_t sub = 0; sub < object->events[type].size() && ok; ++sub) {
        CEvent* event = object->events[type][sub];
        if (event == nullptr || !event->HasHandler() || event->code != nullptr) continue;
        char eventName[128];
        Event_Name(type, int(sub), eventName, sizeof eventName);
        const std::string unit = "Object." + object->name + "." + eventName + "." + std::to_string(sub);
        event->code = Code_CompileText(unit.c_str(), event->Source());
        if (event->code == nullptr) {
          ReportErrorF(false, "COMPILATION ERROR in code action\n%s", CompileErrorText());
          ok = false;
        }
      }
    }
  });
  Object_ResolveParents();
  return ok;
}
