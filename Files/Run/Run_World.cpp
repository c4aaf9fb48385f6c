#include "Run/Run_World.h"

#include <cmath>
#include <unordered_map>

#include "Object/Object_Class.h"
#include "Object/Object_Event.h"
#include "Run/Run_State.h"
#include "Variable/Variable_Instance.h"

namespace {

CInstanceList g_ownActive;
CInstanceList g_ownDeactivated;
CInstanceList* g_active = &g_ownActive;
CInstanceList* g_deactivated = &g_ownDeactivated;
std::unordered_map<int32_t, CInstance*> g_ids;
int32_t g_lastId = 0;

void Detach(CInstance* instance) {
  instance->next = nullptr;
  instance->prev = nullptr;
}

}  // namespace

// ---- CInstanceList --------------------------------------------------------------------------------------

void CInstanceList::InsertByDepth(CInstance* instance) {
  CInstance* before = head;
  while (before != nullptr && !(before->depth > instance->depth)) before = before->next;
  if (before == nullptr) {
    Append(instance);
    return;
  }
  instance->next = before;
  instance->prev = before->prev;
  if (before->prev != nullptr) {
    before->prev->next = instance;
  } else {
    head = instance;
  }
  before->prev = instance;
  ++count;
}

void CInstanceList::Append(CInstance* instance) {
  instance->next = nullptr;
  instance->prev = tail;
  if (tail != nullptr) {
    tail->next = instance;
  } else {
    head = instance;
  }
  tail = instance;
  ++count;
}

void CInstanceList::Unlink(CInstance* instance) {
  if (instance->prev != nullptr) {
    instance->prev->next = instance->next;
  } else if (head == instance) {
    head = instance->next;
  } else {
    return;  // not in this list
  }
  if (instance->next != nullptr) {
    instance->next->prev = instance->prev;
  } else {
    tail = instance->prev;
  }
  Detach(instance);
  --count;
}

CInstance* CInstanceList::At(int32_t n) const {
  if (n < 0 || n >= count) return nullptr;
  CInstance* i = head;
  while (n-- > 0 && i != nullptr) i = i->next;
  return i;
}

CInstanceList& World_Active() { return *g_active; }
CInstanceList& World_Deactivated() { return *g_deactivated; }

void World_SetLists(CInstanceList* active, CInstanceList* deactivated) {
  g_active = active != nullptr ? active : &g_ownActive;
  g_deactivated = deactivated != nullptr ? deactivated : &g_ownDeactivated;
}

void World_CopyActive(std::vector<CInstance*>& out) {
  out.clear();
  for (CInstance* i = g_active->head; i != nullptr; i = i->next) out.push_back(i);
}

// ---- Ids ----------------------------------------------------------------------------------------------------

int32_t World_LastId() { return g_lastId; }
void World_SetLastId(int32_t id) { g_lastId = id; }
int32_t World_NextId() { return ++g_lastId; }

CInstance* World_Find(int32_t id) {
  auto it = g_ids.find(id);
  return it != g_ids.end() ? it->second : nullptr;
}

void World_AddToIdTable(CInstance* instance) { g_ids[instance->id] = instance; }

void World_RemoveFromIdTable(CInstance* instance) {
  auto it = g_ids.find(instance->id);
  if (it != g_ids.end() && it->second == instance) g_ids.erase(it);
}

void World_ChangeId(CInstance* instance, int32_t newId) {
  World_RemoveFromIdTable(instance);
  instance->id = newId;
  World_AddToIdTable(instance);
}

// ---- Creation and removal -----------------------------------------------------------------------------------

CInstance* World_CreateInstanceWithId(float x, float y, int32_t objectIndex, int32_t id) {
  auto* instance = new CInstance(x, y, id, objectIndex, true);
  g_active->InsertByDepth(instance);
  World_AddToIdTable(instance);
  return instance;
}

CInstance* World_CreateInstance(float x, float y, int32_t objectIndex) {
  return World_CreateInstanceWithId(x, y, objectIndex, World_NextId());
}

void World_FreeInstance(CInstance* instance, CInstanceList* list) {
  if (list != nullptr) list->Unlink(instance);
  Object_UnlinkInstance(instance);
  World_RemoveFromIdTable(instance);
  delete instance;
}

void World_RemoveMarked() {
  CInstance* i = g_active->head;
  while (i != nullptr) {
    CInstance* next = i->next;
    if (i->marked) World_FreeInstance(i, g_active);
    i = next;
  }
}

void World_UpdateActive() {
  CInstance* i = g_deactivated->head;
  while (i != nullptr) {
    CInstance* next = i->next;
    if (!i->deactivated) {
      g_deactivated->Unlink(i);
      g_active->InsertByDepth(i);
      Object_LinkInstance(i);
    }
    i = next;
  }
  i = g_active->head;
  while (i != nullptr) {
    CInstance* next = i->next;
    if (i->deactivated) {
      g_active->Unlink(i);
      g_deactivated->Append(i);
      Object_UnlinkInstance(i);
    }
    i = next;
  }
}

void World_SetDepth(CInstance* instance, float depth) {
  instance->depth = depth;
  if (instance->deactivated) return;
  // Only an instance that is in the active list is moved (a temporary instance is in none).
  if (instance->prev == nullptr && g_active->head != instance) return;
  g_active->Unlink(instance);
  g_active->InsertByDepth(instance);
}

void World_FreeAll() {
  for (CInstanceList* list : {g_active, g_deactivated}) {
    while (list->head != nullptr) World_FreeInstance(list->head, list);
  }
}

void World_ForgetAll() {
  g_ownActive = CInstanceList();
  g_ownDeactivated = CInstanceList();
  g_active = &g_ownActive;
  g_deactivated = &g_ownDeactivated;
  g_ids.clear();
}

// ---- Per-step routines ------------------------------------------------------------------------------------

void World_RememberPositions() {
  for (CInstance* i = g_active->head; i != nullptr; i = i->next) {
    i->xprevious = i->x;
    i->yprevious = i->y;
    i->path_positionprevious = i->path_position;
  }
}

bool World_PathStep(CInstance* instance) { return false; }

bool World_MotionStep() {
  const uint64_t stamp = Event_BeginPass();
  InstanceSnapshot snapshot(*g_active);
  for (CInstance* i : snapshot) {
    if (i->deactivated) continue;
    i->FrictionGravityStep();
    if (World_PathStep(i) && i->creation_stamp <= stamp) Event_PerformOwn(i, EV_OTHER, EV_END_OF_PATH);
    i->SetPosition(i->x + i->hspeed, i->y + i->vspeed);
  }
  return false;
}

void World_AnimationStep() {
  InstanceSnapshot snapshot(*g_active);
  for (CInstance* i : snapshot) {
    if (i->marked || i->deactivated) continue;
    i->image_index += i->image_speed;
    const int32_t frames = Instance_SpriteFrameCount(i->sprite_index);
    if (std::trunc(i->image_index) >= float(frames)) {
      i->image_index -= float(frames);
      Event_PerformOwn(i, EV_OTHER, EV_ANIMATION_END);
    }
  }
}

void World_AlarmStep() {
  const uint64_t stamp = Event_BeginPass();
  for (int n = 0; n < kAlarmCount; ++n) {
    for (int32_t objectIndex : Event_List(EV_ALARM, n)) {
      CObject* object = Object_Find(objectIndex);
      if (object == nullptr) continue;
      InstanceSnapshot snapshot(object->instances);
      for (CInstance* i : snapshot) {
        if (i->marked || i->deactivated || i->creation_stamp > stamp || i->object_index != objectIndex) continue;
        if (i->alarm[n] >= 0) {
          i->alarm[n] -= 1;
          if (i->alarm[n] == 0) Event_Perform(i, i, objectIndex, EV_ALARM, n);
        }
      }
    }
  }
}

// ---- The world as the variable layer sees it ---------------------------------------------------------------

namespace {

class CRunWorld final : public CInstanceWorld {
 public:
  void ForEachActive(CInstanceVisitor& visitor) override {
    InstanceSnapshot snapshot(*g_active);
    for (CInstance* i : snapshot) {
      if (i->IsActive() && !visitor.Visit(i)) return;
    }
  }
  void ForEachActiveOfObject(int32_t objectIndex, CInstanceVisitor& visitor) override {
    CObject* object = Object_Find(objectIndex);
    if (object == nullptr) return;
    InstanceSnapshot snapshot(object->instancesRecursive);
    for (CInstance* i : snapshot) {
      if (i->IsActive() && !visitor.Visit(i)) return;
    }
  }
  CInstance* FindInstance(int32_t instanceId) override { return World_Find(instanceId); }
};

CRunWorld g_runWorld;

}  // namespace

void World_Install() { SetInstanceWorld(&g_runWorld); }
