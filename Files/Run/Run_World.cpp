#include "Run/Run_World.h"

#include <cmath>
#include <unordered_map>

#include "Object/Object_Class.h"
#include "Path/Path_Main.h"
#include "Physics/Physics_Body.h"
#include "Physics/Physics_World.h"
#include "Object/Object_Event.h"
#include "Run/Run_State.h"
#include "Variable/Variable_Route.h"
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
  // Most instances go last (equal or growing depths): no walk for them. The depths other than NaN
  // are in order, so a tail that is not NaN holds the greatest; nothing is greater than NaN.
  if (tail == nullptr || tail->depth <= instance->depth || std::isnan(instance->depth)) {
    Append(instance);
    return;
  }
  m_stale = true;
  ++s_epoch;
  // It goes before the first greater depth. The depths other than NaN are in order, so that one is
  // found from the tail (where most new instances go) as the earliest greater depth after the last
  // one that is not greater, NaN depths passed over as they are from the head.
  CInstance* before = nullptr;
  for (CInstance* e = tail; e != nullptr; e = e->prev) {
    if (std::isnan(e->depth)) continue;
    if (!(e->depth > instance->depth)) break;
    before = e;
  }
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
  m_stale = true;
  ++s_epoch;
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
  m_stale = true;
  ++s_epoch;
}

CInstance* CInstanceList::At(int32_t n) const {
  if (n < 0 || n >= count) return nullptr;
  return Items()[size_t(n)];
}

const std::vector<CInstance*>& CInstanceList::Items() const {
  if (m_stale) {
    m_items.clear();
    for (CInstance* i = head; i != nullptr; i = i->next) m_items.push_back(i);
    m_stale = false;
  }
  return m_items;
}

CInstanceList& World_Active() { return *g_active; }
CInstanceList& World_Deactivated() { return *g_deactivated; }

void World_SetLists(CInstanceList* active, CInstanceList* deactivated) {
  g_active = active != nullptr ? active : &g_ownActive;
  g_deactivated = deactivated != nullptr ? deactivated : &g_ownDeactivated;
  ++CInstanceList::s_epoch;
}

void World_CopyActive(std::vector<CInstance*>& out) {
  const std::vector<CInstance*>& items = g_active->Items();
  out.assign(items.begin(), items.end());
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
  Physics_MakeObjectBody(instance);
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
  Object_FreeRetired();
  const std::vector<CInstance*>& items = g_active->Items();
  bool any = false;
  for (CInstance* i : items) any |= i->marked;
  if (!any) return;
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
  ++CInstanceList::s_epoch;
}

// ---- Instance operations that raise events ----------------------------------------------------------

CInstance* World_CreateWithEvent(float x, float y, int32_t objectIndex) {
  CInstance* instance = World_CreateInstance(x, y, objectIndex);
  Event_PerformOwn(instance, EV_CREATE, 0);
  instance->created = true;
  return instance;
}

void World_Destroy(CInstance* instance) {
  Event_PerformOwn(instance, EV_DESTROY, 0);
  instance->marked = true;
}

void World_Change(CInstance* instance, int32_t objectIndex, bool perform) {
  if (perform) Event_PerformOwn(instance, EV_DESTROY, 0);
  instance->SetObject(objectIndex, !instance->deactivated);
  Physics_ChangeObjectBody(instance);
  instance->creation_stamp = g_RunState.eventPassCounter;
  if (perform) {
    Event_PerformOwn(instance, EV_CREATE, 0);
    instance->created = true;
  }
}

CInstance* World_Copy(CInstance* self, bool perform) {
  CInstance* copy = World_CreateInstance(self->x, self->y, self->object_index);
  copy->CopyStateFrom(*self);
  copy->deactivated = false;  // the copy is in the active list
  if (perform) {
    Event_PerformOwn(copy, EV_CREATE, 0);
    copy->created = true;
  }
  return copy;
}

// ---- Selections and plain motion ---------------------------------------------------------------------

int32_t World_Count(int32_t selector, CInstance* self, CInstance* other, bool resolveSelf) {
  if (selector == SELECTOR_SELF || selector == SELECTOR_OTHER) {
    if (!resolveSelf) return 0;
    CInstance* i = selector == SELECTOR_SELF ? self : other;
    return i != nullptr && !i->marked ? 1 : 0;
  }
  if (selector == SELECTOR_ALL) {
    int32_t n = 0;
    for (CInstance* i = g_active->head; i != nullptr; i = i->next) n += i->marked ? 0 : 1;
    return n;
  }
  if (selector < 0) return 0;
  if (selector >= 100000) {
    CInstance* i = World_Find(selector);
    return i != nullptr && !i->marked ? 1 : 0;
  }
  CObject* object = Object_Find(selector);
  if (object == nullptr) return 0;
  int32_t n = 0;
  for (CInstance* i : object->instancesRecursive) n += i->marked ? 0 : 1;
  return n;
}

void World_SetDeactivatedBySelector(int32_t selector, CInstance* self, CInstance* other, bool deactivate) {
  if (selector == SELECTOR_SELF || selector == SELECTOR_OTHER) {
    CInstance* i = selector == SELECTOR_SELF ? self : other;
    if (i != nullptr) i->deactivated = deactivate;
  } else if (selector == SELECTOR_ALL) {
    CInstanceList* list = deactivate ? g_active : g_deactivated;
    for (CInstance* i = list->head; i != nullptr; i = i->next) i->deactivated = deactivate;
  } else if (selector >= 100000) {
    CInstance* i = World_Find(selector);
    if (i != nullptr && !i->marked) i->deactivated = deactivate;
  } else if (selector >= 0) {
    if (deactivate) {
      if (CObject* object = Object_Find(selector)) {
        for (CInstance* i : object->instancesRecursive) i->deactivated = true;
      }
    } else {
      for (CInstance* i = g_deactivated->head; i != nullptr; i = i->next) {
        if (i->object_index == selector || Object_IsAncestor(i->object_index, selector)) i->deactivated = false;
      }
    }
  }
}

bool World_OutsideRegion(CInstance* i, float left, float top, float width, float height) {
  if (i->HasSpriteOrMask()) {
    const InstanceBox& b = i->BoundingBox();
    return left > float(b.right) || float(b.left) > left + width || top > float(b.bottom) || float(b.top) > top + height;
  }
  return i->x < left || i->x > left + width || i->y < top || i->y > top + height;
}

void World_MoveTowardsPoint(CInstance* i, float x, float y, float speed) {
  i->SetHspeed(x - i->x);
  i->SetVspeed(y - i->y);
  i->SetSpeed(speed);
}

void World_MoveSnap(CInstance* i, float hsnap, float vsnap) {
  const float x = hsnap > 0 ? float(Instance_Round(i->x / hsnap) * hsnap) : i->x;
  const float y = vsnap > 0 ? float(Instance_Round(i->y / vsnap) * vsnap) : i->y;
  i->SetPosition(x, y);
}

bool World_PlaceSnapped(CInstance* i, float hsnap, float vsnap) {
  if (hsnap > 0 && std::fabs(double(i->x) - Instance_Round(i->x / hsnap) * hsnap) >= 0.001) return false;
  if (vsnap > 0 && std::fabs(double(i->y) - Instance_Round(i->y / vsnap) * vsnap) >= 0.001) return false;
  return true;
}

// ---- Per-step routines ------------------------------------------------------------------------------------

void World_RememberPositions() {
  for (CInstance* i : g_active->Items()) {
    i->xprevious = i->x;
    i->yprevious = i->y;
    i->path_positionprevious = i->path_position;
  }
}

bool World_PathStep(CInstance* instance) { return Path_Step(instance); }

bool World_MotionStep() {
  if (Physics_RunStep()) return true;
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
    const std::vector<int32_t>& list = Event_List(EV_ALARM, n);
    for (size_t k = 0; k < list.size(); ++k) {
      const int32_t objectIndex = list[k];
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

// ---- Random source -----------------------------------------------------------------------------------------

namespace {

uint64_t g_randomState = 2101988;

double OwnRandom() {
  // A 64-bit linear congruential step; the top 53 bits make the fraction.
  g_randomState = g_randomState * 6364136223846793005ULL + 1442695040888963407ULL;
  return double(g_randomState >> 11) * (1.0 / 9007199254740992.0);
}

double (*g_random)() = OwnRandom;

}  // namespace

double World_Random() { return g_random(); }
void World_SetRandomSource(double (*uniform)()) { g_random = uniform != nullptr ? uniform : OwnRandom; }
int32_t World_RandomInteger(int32_t n) {
  const int32_t k = int32_t(double(n) * World_Random());
  return k < n ? k : n - 1;
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
