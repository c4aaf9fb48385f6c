#include "Object/Object_Event.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "Code/Code_Error.h"
#include "Code/Code_VM.h"
#include "Run/Run_Instance.h"
#include "Run/Run_State.h"
#include "Run/Run_World.h"

namespace {

std::vector<int32_t> g_lists[kEventTypeCount][kEventSubTypeCount];
std::vector<std::pair<int32_t, int32_t>> g_collisionPairs;

// The highest sub-type (inclusive) filled for each type; -1 leaves the type empty.
constexpr int kFilledUpTo[kEventTypeCount] = {0, 0, 12, 16, -1, 128, 128, 128, 0, 128, 128, -1};

// Snapshot buffers, one per nesting level, kept for reuse so passes allocate nothing once warm.
std::vector<std::unique_ptr<std::vector<CInstance*>>> g_snapshotPool;
size_t g_snapshotDepth = 0;

// The chain search from one object for (type, subType).
CEvent* SearchChain(int32_t objectIndex, int type, int subType, int32_t* foundIn) {
  CObject* object = Object_Find(objectIndex);
  int guard = 0;
  while (object != nullptr) {
    if (CEvent* e = object->Handler(type, subType)) {
      if (foundIn != nullptr) *foundIn = object->index;
      return e;
    }
    if (object->parent < 0 || ++guard > Object_Count()) break;
    object = object->parentObject;
  }
  return nullptr;
}

}  // namespace

CEvent* Event_FindHandler(int32_t objectIndex, int type, int subType, int32_t* foundIn) {
  if (type < 0 || type >= kEventTypeCount) return nullptr;
  if (CEvent* e = SearchChain(objectIndex, type, subType, foundIn)) return e;
  if (type != EV_COLLISION) return nullptr;
  CObject* other = Object_Find(subType);
  if (other == nullptr) return nullptr;
  for (CObject* a = other->parentObject; a != nullptr; a = a->parentObject) {
    if (CEvent* e = SearchChain(objectIndex, type, a->index, foundIn)) return e;
  }
  return nullptr;
}

// ---- Event lists -------------------------------------------------------------------------------------

void Event_FreeLists() {
  for (auto& type : g_lists) {
    for (auto& list : type) std::vector<int32_t>().swap(list);
  }
  std::vector<std::pair<int32_t, int32_t>>().swap(g_collisionPairs);
}

void Event_BuildLists() {
  for (auto& type : g_lists) {
    for (auto& list : type) list.clear();
  }
  g_collisionPairs.clear();
  const int32_t count = Object_Count();
  for (int32_t i = 0; i < count; ++i) {
    if (!Object_Exists(i)) continue;
    for (int type = 0; type < kEventTypeCount; ++type) {
      for (int sub = 0; sub <= kFilledUpTo[type]; ++sub) {
        if (Event_FindHandler(i, type, sub) != nullptr) g_lists[type][sub].push_back(i);
      }
    }
  }
  for (int32_t i = 0; i < count; ++i) {
    if (!Object_Exists(i)) continue;
    for (int32_t j = 0; j < count; ++j) {
      if (!Object_Exists(j) || Event_FindHandler(i, EV_COLLISION, j) == nullptr) continue;
      const std::pair<int32_t, int32_t> pair{std::min(i, j), std::max(i, j)};
      if (std::find(g_collisionPairs.begin(), g_collisionPairs.end(), pair) == g_collisionPairs.end()) {
        g_collisionPairs.push_back(pair);
      }
    }
  }
}

const std::vector<int32_t>& Event_List(int type, int subType) {
  static const std::vector<int32_t> kEmpty;
  if (type < 0 || type >= kEventTypeCount || subType < 0 || subType >= kEventSubTypeCount) return kEmpty;
  return g_lists[type][subType];
}

const std::vector<std::pair<int32_t, int32_t>>& Event_CollisionPairs() { return g_collisionPairs; }

// ---- Snapshots -------------------------------------------------------------------------------------------

InstanceSnapshot::InstanceSnapshot(const std::vector<CInstance*>& list) {
  if (g_snapshotDepth == g_snapshotPool.size()) g_snapshotPool.push_back(std::make_unique<std::vector<CInstance*>>());
  m_items = g_snapshotPool[g_snapshotDepth++].get();
  m_items->assign(list.begin(), list.end());
}

InstanceSnapshot::InstanceSnapshot(const CInstanceList& list) {
  if (g_snapshotDepth == g_snapshotPool.size()) g_snapshotPool.push_back(std::make_unique<std::vector<CInstance*>>());
  m_items = g_snapshotPool[g_snapshotDepth++].get();
  const std::vector<CInstance*>& items = list.Items();
  m_items->assign(items.begin(), items.end());
}

InstanceSnapshot::~InstanceSnapshot() {
  m_items->clear();
  --g_snapshotDepth;
}

// ---- Running events ------------------------------------------------------------------------------------

bool Event_Perform(CInstance* self, CInstance* other, int32_t objectIndex, int type, int subType, RValue* out) {
  if (g_RunState.newRoom != kNoRequest) return false;
  int32_t found = -1;
  CEvent* handler = Event_FindHandler(objectIndex, type, subType, &found);
  if (handler == nullptr) return false;
  CActionContext& context = CurrentActionContext();
  const CActionContext saved = context;
  context.objectIndex = found;
  context.eventType = type;
  context.eventNumber = subType;
  context.actionNumber = 0;
  context.timelineIndex = -1;
  if (handler->code != nullptr) VM_Execute(self, other, handler->code, out);
  CurrentActionContext() = saved;
  return true;
}

bool Event_PerformOwn(CInstance* instance, int type, int subType) {
  return Event_Perform(instance, instance, instance->object_index, type, subType);
}

void Event_PerformAll(int type, int subType) {
  if (g_RunState.newRoom != kNoRequest) return;
  InstanceSnapshot snapshot(World_Active());
  for (CInstance* instance : snapshot) {
    if (instance->marked || instance->deactivated) continue;
    Event_PerformOwn(instance, type, subType);
  }
}

uint64_t Event_BeginPass() { return g_RunState.eventPassCounter++; }

void Event_Pass(int type, int subType) {
  const uint64_t stamp = Event_BeginPass();
  // Indexed, re-reading the list's size: a handler may rebuild the lists (object_event_add).
  const std::vector<int32_t>& list = Event_List(type, subType);
  for (size_t k = 0; k < list.size(); ++k) {
    const int32_t objectIndex = list[k];
    CObject* object = Object_Find(objectIndex);
    if (object == nullptr) continue;
    InstanceSnapshot snapshot(object->instances);
    for (CInstance* instance : snapshot) {
      if (instance->marked || instance->deactivated || instance->creation_stamp > stamp) continue;
      // An instance that changed object during the pass is re-stamped and skipped above.
      Event_Perform(instance, instance, objectIndex, type, subType);
    }
  }
}

bool Event_Inherited(CInstance* self, CInstance* other, RValue* out) {
  const CActionContext& context = CurrentActionContext();
  if (context.objectIndex < 0 || context.objectIndex == kTimelineObjectIndex) return false;
  CObject* object = Object_Find(context.objectIndex);
  if (object == nullptr || object->parent < 0 || object->parentObject == nullptr) return false;
  return Event_Perform(self, other, object->parentObject->index, context.eventType, context.eventNumber, out);
}

// ---- Names ---------------------------------------------------------------------------------------------------

const char* Event_KeyName(int key) {
  static char buffer[32];
  switch (key) {
    case 0: return "<no key>";
    case 1: return "<any key>";
    case 8: return "<Backspace>";
    case 9: return "<Tab>";
    case 13: return "<Enter>";
    case 16: return "<Shift>";
    case 17: return "<Ctrl>";
    case 18: return "<Alt>";
    case 19: return "<Pause>";
    case 27: return "<Escape>";
    case 32: return "<Space>";
    case 33: return "<Page Up>";
    case 34: return "<Page Down>";
    case 35: return "<End>";
    case 36: return "<Home>";
    case 37: return "<Left>";
    case 38: return "<Up>";
    case 39: return "<Right>";
    case 40: return "<Down>";
    case 45: return "<Insert>";
    case 46: return "<Delete>";
    case 106: return "Keypad *";
    case 107: return "Keypad +";
    case 109: return "Keypad -";
    case 110: return "Keypad .";
    case 111: return "Keypad /";
    default: break;
  }
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) {
    std::snprintf(buffer, sizeof buffer, "%c", key);
  } else if (key >= 96 && key <= 105) {
    std::snprintf(buffer, sizeof buffer, "Keypad %d", key - 96);
  } else if (key >= 112 && key <= 123) {
    std::snprintf(buffer, sizeof buffer, "F%d", key - 111);
  } else {
    std::snprintf(buffer, sizeof buffer, "<Key %d>", key);
  }
  return buffer;
}

namespace {

const char* MouseName(int sub) {
  static const char* const kNames[] = {
      "Left Button", "Right Button", "Middle Button", "No Button", "Left Pressed", "Right Pressed",
      "Middle Pressed", "Left Released", "Right Released", "Middle Released", "Mouse Enter", "Mouse Leave",
      "Global Pressed", "Global Released"};
  if (sub >= 0 && sub <= 13) return kNames[sub];
  static char buffer[48];
  if (sub >= 16 && sub <= 19) {
    static const char* const kDirs[] = {"Left", "Right", "Up", "Down"};
    std::snprintf(buffer, sizeof buffer, "Joystick 1 %s", kDirs[sub - 16]);
  } else if (sub >= 21 && sub <= 28) {
    std::snprintf(buffer, sizeof buffer, "Joystick 1 Button %d", sub - 20);
  } else if (sub >= 31 && sub <= 34) {
    static const char* const kDirs[] = {"Left", "Right", "Up", "Down"};
    std::snprintf(buffer, sizeof buffer, "Joystick 2 %s", kDirs[sub - 31]);
  } else if (sub >= 36 && sub <= 43) {
    std::snprintf(buffer, sizeof buffer, "Joystick 2 Button %d", sub - 35);
  } else if (sub >= 50 && sub <= 58) {
    static const char* const kGlobal[] = {"Global Left Button", "Global Right Button", "Global Middle Button",
                                          "Global Left Pressed", "Global Right Pressed", "Global Middle Pressed",
                                          "Global Left Released", "Global Right Released",
                                          "Global Middle Released"};
    return kGlobal[sub - 50];
  } else if (sub == 60) {
    return "Mouse Wheel Up";
  } else if (sub == 61) {
    return "Mouse Wheel Down";
  } else {
    std::snprintf(buffer, sizeof buffer, "Mouse Event %d", sub);
  }
  return buffer;
}

const char* OtherName(int sub) {
  static const char* const kNames[] = {"Outside Room", "Intersect Boundary", "Game Start", "Game End",
                                       "Room Start",   "Room End",           "No More Lives", "Animation End",
                                       "End Of Path",  "No More Health"};
  if (sub >= 0 && sub <= 9) return kNames[sub];
  static char buffer[48];
  if (sub >= 10 && sub <= 25) {
    std::snprintf(buffer, sizeof buffer, "User Defined %d", sub - 10);
  } else if (sub == 30) {
    return "Close Button";
  } else if (sub >= 40 && sub <= 47) {
    std::snprintf(buffer, sizeof buffer, "Outside View %d", sub - 40);
  } else if (sub >= 50 && sub <= 57) {
    std::snprintf(buffer, sizeof buffer, "Boundary View %d", sub - 50);
  } else if (sub >= 60 && sub <= 63) {
    std::snprintf(buffer, sizeof buffer, "Asynchronous Event %d", sub - 60);
  } else {
    std::snprintf(buffer, sizeof buffer, "Other Event %d", sub);
  }
  return buffer;
}

}  // namespace

void Event_Name(int type, int subType, char* buffer, size_t size) {
  if (size == 0) return;
  switch (type) {
    case EV_CREATE: std::snprintf(buffer, size, "Create"); break;
    case EV_DESTROY: std::snprintf(buffer, size, "Destroy"); break;
    case EV_ALARM: std::snprintf(buffer, size, "Alarm %d", subType); break;
    case EV_STEP:
      std::snprintf(buffer, size, "%sStep",
                    subType == EV_STEP_BEGIN ? "Begin " : (subType == EV_STEP_END ? "End " : ""));
      break;
    case EV_COLLISION: std::snprintf(buffer, size, "%s", Object_Name(subType)); break;
    case EV_KEYBOARD: std::snprintf(buffer, size, "%s", Event_KeyName(subType)); break;
    case EV_MOUSE: std::snprintf(buffer, size, "%s", MouseName(subType)); break;
    case EV_OTHER: std::snprintf(buffer, size, "%s", OtherName(subType)); break;
    case EV_DRAW: std::snprintf(buffer, size, "Draw"); break;
    case EV_KEYPRESS: std::snprintf(buffer, size, "press %s", Event_KeyName(subType)); break;
    case EV_KEYRELEASE: std::snprintf(buffer, size, "release %s", Event_KeyName(subType)); break;
    default: std::snprintf(buffer, size, "<Unknown Event>"); break;
  }
}
