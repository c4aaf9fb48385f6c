#include "Object/Object_Class.h"

#include <algorithm>

#include "Code/Code_Load.h"
#include "Run/Run_Instance.h"

namespace {

std::vector<CObject*> g_buckets[kObjectBucketCount];
std::vector<CObject*> g_retiredObjects;
std::vector<CEvent*> g_retiredEvents;
int32_t g_objectCount = 0;

std::vector<CObject*>& BucketOf(int32_t index) { return g_buckets[uint32_t(index) & (kObjectBucketCount - 1)]; }

// Numbers the joins of instances to object lists, in order.
uint64_t g_joins = 0;

}  // namespace

CEvent::~CEvent() { delete code; }

CObject::CObject(int32_t objectIndex) : index(objectIndex) {}

CObject::~CObject() {
  for (auto& table : events) {
    for (CEvent* e : table) delete e;
  }
}

CEvent* CObject::Handler(int type, int subType) const {
  if (type < 0 || type >= kEventTypeCount || subType < 0) return nullptr;
  const std::vector<CEvent*>& table = events[type];
  if (size_t(subType) >= table.size()) return nullptr;
  CEvent* e = table[size_t(subType)];
  return e != nullptr && e->HasHandler() ? e : nullptr;
}

CEvent* CObject::MakeHandler(int type, int subType) {
  std::vector<CEvent*>& table = events[type];
  if (size_t(subType) >= table.size()) table.resize(size_t(subType) + 1, nullptr);
  if (table[size_t(subType)] == nullptr) table[size_t(subType)] = new CEvent();
  return table[size_t(subType)];
}

void CObject::ClearHandler(int type, int subType) {
  if (type < 0 || type >= kEventTypeCount || subType < 0) return;
  std::vector<CEvent*>& table = events[type];
  if (size_t(subType) >= table.size()) return;
  if (table[size_t(subType)] != nullptr) Object_RetireEvent(table[size_t(subType)]);
  table[size_t(subType)] = nullptr;
}

// ---- The store ------------------------------------------------------------------------------------

CObject* Object_Find(int32_t index) {
  if (index < 0) return nullptr;
  for (CObject* object : BucketOf(index)) {
    if (object->index == index) return object;
  }
  return nullptr;
}

bool Object_Exists(int32_t index) { return Object_Find(index) != nullptr; }

int32_t Object_Count() { return g_objectCount; }

void Object_SetCount(int32_t count) {
  int32_t highest = -1;
  Object_ForEachInTableOrder([&](CObject* object) { highest = std::max(highest, object->index); });
  g_objectCount = std::max(count, highest + 1);
}

const std::vector<CObject*>& Object_Bucket(int bucket) { return g_buckets[bucket]; }

void Object_Insert(CObject* object) {
  std::vector<CObject*>& bucket = BucketOf(object->index);
  for (CObject*& slot : bucket) {
    if (slot->index == object->index) {
      delete slot;
      slot = object;
      return;
    }
  }
  bucket.push_back(object);
  g_objectCount = std::max(g_objectCount, object->index + 1);
}

void Object_Delete(int32_t index) {
  std::vector<CObject*>& bucket = BucketOf(index);
  for (auto it = bucket.begin(); it != bucket.end(); ++it) {
    if ((*it)->index == index) {
      CObject* object = *it;
      bucket.erase(it);
      // Instances of the object keep their index but lose the object reference.
      const std::vector<CInstance*> orphans = object->instances;
      for (CInstance* instance : orphans) {
        Object_UnlinkInstance(instance);
        instance->object = nullptr;
      }
      g_retiredObjects.push_back(object);
      Object_ResolveParents();
      return;
    }
  }
}

void Object_RetireEvent(CEvent* event) { g_retiredEvents.push_back(event); }

void Object_FreeRetired() {
  for (CEvent* e : g_retiredEvents) delete e;
  g_retiredEvents.clear();
  for (CObject* o : g_retiredObjects) delete o;
  g_retiredObjects.clear();
}

void Object_ResetStore() {
  Object_FreeRetired();
  for (auto& bucket : g_buckets) {
    for (CObject* object : bucket) delete object;
    bucket.clear();
  }
  g_objectCount = 0;
}

void Object_ResolveParents() {
  Object_ForEachInTableOrder([](CObject* object) {
    object->parentObject = object->parent >= 0 && object->parent <= 99999 ? Object_Find(object->parent) : nullptr;
  });
  // A chain that loops back on itself is cut where it closes, so every walk up a chain ends.
  Object_ForEachInTableOrder([](CObject* object) {
    int steps = 0;
    for (CObject* p = object->parentObject; p != nullptr; p = p->parentObject) {
      if (p == object || ++steps > g_objectCount) {
        object->parentObject = nullptr;
        break;
      }
    }
  });
}

bool Object_IsAncestor(int32_t index, int32_t ancestor) {
  CObject* object = Object_Find(index);
  if (object == nullptr) return false;
  for (CObject* p = object->parentObject; p != nullptr; p = p->parentObject) {
    if (p->index == ancestor) return true;
  }
  return false;
}

const char* Object_Name(int32_t index) {
  CObject* object = Object_Find(index);
  return object != nullptr ? object->name.c_str() : "<undefined>";
}

int32_t Object_FindByName(const char* name) {
  if (name == nullptr) return -1;
  int32_t found = -1;
  Object_ForEachInTableOrder([&](CObject* object) {
    if ((found < 0 || object->index < found) && object->name == name) found = object->index;
  });
  return found;
}

// ---- Instance lists ----------------------------------------------------------------------------------

// ---- InstanceRefList -----------------------------------------------------------------------------

void InstanceRefList::Append(CInstance* instance, uint64_t joinNumber) {
  m_items.push_back(instance);
  m_joins.push_back(joinNumber);
}

ptrdiff_t InstanceRefList::Find(uint64_t joinNumber) const {
  auto it = std::lower_bound(m_joins.begin(), m_joins.end(), joinNumber);
  return it != m_joins.end() && *it == joinNumber ? it - m_joins.begin() : -1;
}

bool InstanceRefList::Contains(const CInstance* instance, uint64_t joinNumber) const {
  const ptrdiff_t k = Find(joinNumber);
  return k >= 0 && m_items[size_t(k)] == instance;
}

bool InstanceRefList::Remove(CInstance* instance, uint64_t joinNumber) {
  const ptrdiff_t k = Find(joinNumber);
  if (k < 0 || m_items[size_t(k)] != instance) return false;
  m_items[size_t(k)] = nullptr;
  // A list nobody reads is closed up once half of it is holes.
  if (++m_holes > 16 && 2 * m_holes > m_items.size()) Items();
  return true;
}

void InstanceRefList::Clear() {
  m_items.clear();
  m_joins.clear();
  m_holes = 0;
}

const std::vector<CInstance*>& InstanceRefList::Items() const {
  if (m_holes > 0) {
    size_t kept = 0;
    for (size_t k = 0; k < m_items.size(); ++k) {
      if (m_items[k] == nullptr) continue;
      m_items[kept] = m_items[k];
      m_joins[kept] = m_joins[k];
      ++kept;
    }
    m_items.resize(kept);
    m_joins.resize(kept);
    m_holes = 0;
  }
  return m_items;
}

// ---- Instance lists ----------------------------------------------------------------------------------

void Object_LinkInstance(CInstance* instance) {
  CObject* object = instance->object;
  if (object == nullptr || object->instances.Contains(instance, instance->objectJoin)) return;
  instance->objectJoin = ++g_joins;
  object->instances.Append(instance, instance->objectJoin);
  for (CObject* o = object; o != nullptr; o = o->parentObject) o->instancesRecursive.Append(instance, instance->objectJoin);
}

void Object_UnlinkInstance(CInstance* instance) {
  CObject* object = instance->object;
  if (object == nullptr) return;
  object->instances.Remove(instance, instance->objectJoin);
  for (CObject* o = object; o != nullptr; o = o->parentObject) o->instancesRecursive.Remove(instance, instance->objectJoin);
}

void Object_ResetInstanceLists() {
  Object_ForEachInTableOrder([](CObject* object) {
    object->instances.Clear();
    object->instancesRecursive.Clear();
  });
}
