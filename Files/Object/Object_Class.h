// Objects: the templates instances are made from, their event handlers and the object store.
//
// The store is a hash table keyed by object index with 512 buckets (key mask 511), plus the object
// count (one more than the highest index). Each object keeps, for event types 0 to 11, an array of
// handlers indexed by sub-type, and two instance lists: its own instances and its instances with
// descendants (its own and those of every object below it in the parent chain), both in creation
// order.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CCode;
class CInstance;

inline constexpr int kEventTypeCount = 12;
inline constexpr int kEventSubTypeCount = 256;
inline constexpr int kObjectBucketCount = 512;

enum EventType : int {
  EV_CREATE = 0,
  EV_DESTROY = 1,
  EV_ALARM = 2,
  EV_STEP = 3,
  EV_COLLISION = 4,
  EV_KEYBOARD = 5,
  EV_MOUSE = 6,
  EV_OTHER = 7,
  EV_DRAW = 8,
  EV_KEYPRESS = 9,
  EV_KEYRELEASE = 10,
  EV_TRIGGER = 11,  // reserved: loaded, never raised by the main loop
};

enum StepSubType : int { EV_STEP_NORMAL = 0, EV_STEP_BEGIN = 1, EV_STEP_END = 2 };

enum OtherSubType : int {
  EV_OUTSIDE = 0,
  EV_BOUNDARY = 1,
  EV_GAME_START = 2,
  EV_GAME_END = 3,
  EV_ROOM_START = 4,
  EV_ROOM_END = 5,
  EV_NO_MORE_LIVES = 6,
  EV_ANIMATION_END = 7,
  EV_END_OF_PATH = 8,
  EV_NO_MORE_HEALTH = 9,
  EV_USER0 = 10,
  EV_CLOSE_BUTTON = 30,
  EV_OUTSIDE_VIEW0 = 40,
  EV_BOUNDARY_VIEW0 = 50,
};

// One event handler: its code unit and its source text.
class CEvent {
 public:
  CEvent() = default;
  virtual ~CEvent();
  CEvent(const CEvent&) = delete;
  CEvent& operator=(const CEvent&) = delete;

  // A slot has a handler only when its source reference is set (the empty text for bytecode games).
  bool HasHandler() const { return m_sourceSet; }
  const char* Source() const { return m_source.c_str(); }
  void SetSource(const char* text) {
    m_source = text != nullptr ? text : "";
    m_sourceSet = true;
  }

  CCode* code = nullptr;  // owned
  int32_t codeIndex = -1; // code entry index of a bytecode game, -1 otherwise

 private:
  std::string m_source;
  bool m_sourceSet = false;
};

// The instances of one object list, in the order they joined it. Joining appends; leaving finds
// the entry by binary search on the join number every entry keeps (joins are numbered in order, so
// the numbers ascend) and leaves a hole, closed up by the next read of the list. Creating or
// destroying many instances thus costs no walk of the list per instance.
class InstanceRefList {
 public:
  void Append(CInstance* instance, uint64_t joinNumber);
  // False when the entry joined as `joinNumber` is not `instance` (it left, or never joined).
  bool Remove(CInstance* instance, uint64_t joinNumber);
  bool Contains(const CInstance* instance, uint64_t joinNumber) const;
  void Clear();

  // The instances, holes closed up. The reference stays valid until the list changes and is read
  // again.
  const std::vector<CInstance*>& Items() const;
  operator const std::vector<CInstance*>&() const { return Items(); }
  std::vector<CInstance*>::const_iterator begin() const { return Items().begin(); }
  std::vector<CInstance*>::const_iterator end() const { return Items().end(); }
  size_t size() const { return m_items.size() - m_holes; }
  bool empty() const { return size() == 0; }
  bool operator==(const std::vector<CInstance*>& other) const { return Items() == other; }

 private:
  // The slot of the entry that joined as `joinNumber`, or -1.
  ptrdiff_t Find(uint64_t joinNumber) const;

  mutable std::vector<CInstance*> m_items;  // null in a hole
  mutable std::vector<uint64_t> m_joins;    // each entry's join number, ascending
  mutable size_t m_holes = 0;
};

struct ObjectPoint {
  float x = 0;
  float y = 0;
};

class CObject {
 public:
  explicit CObject(int32_t objectIndex);
  ~CObject();
  CObject(const CObject&) = delete;
  CObject& operator=(const CObject&) = delete;

  bool Solid() const { return (flags & 1) != 0; }
  bool Visible() const { return (flags & 2) != 0; }
  bool Persistent() const { return (flags & 4) != 0; }
  void SetFlag(uint32_t bit, bool on) { flags = on ? (flags | bit) : (flags & ~bit); }

  // The handler slot (type, subType), or null when there is none (absent, empty, or no handler).
  CEvent* Handler(int type, int subType) const;
  // The slot for (type, subType), growing the array with empty slots and creating the CEvent.
  CEvent* MakeHandler(int type, int subType);
  // Removes the handler of a slot (the CEvent is retired, see Object_RetireEvent).
  void ClearHandler(int type, int subType);

  int32_t index;
  std::string name;
  int32_t sprite = -1;
  uint32_t flags = 2;  // bit 0 solid, bit 1 visible, bit 2 persistent
  int32_t depth = 0;
  int32_t parent = -1;
  int32_t mask = -1;
  // Physics properties, stored for the physics world.
  bool usesPhysics = false;
  bool physicsSensor = false;
  int32_t physicsShape = 0;
  float physicsDensity = 0;
  float physicsRestitution = 0;
  int32_t physicsGroup = 0;
  float physicsLinearDamping = 0;
  float physicsAngularDamping = 0;
  std::vector<ObjectPoint> physicsPoints;

  CObject* parentObject = nullptr;  // resolved after loading
  std::vector<CEvent*> events[kEventTypeCount];
  InstanceRefList instances;           // own instances, creation order
  InstanceRefList instancesRecursive;  // with descendants, creation order
};

// ---- The object store --------------------------------------------------------------------------

// The object with this index, or null.
CObject* Object_Find(int32_t index);
bool Object_Exists(int32_t index);
// One more than the highest index ever held (the OBJT count, grown by object_add).
int32_t Object_Count();
// Sets the count (the OBJT list's count; never below one more than the highest index held).
void Object_SetCount(int32_t count);
// Inserts `object` (the store takes ownership); an object already at its index is freed.
void Object_Insert(CObject* object);
// Removes the object at `index` from the store. Its record (and its handlers) are kept until
// Object_FreeRetired, so that a handler of the object that is running while it is deleted finishes
// on code that still exists.
void Object_Delete(int32_t index);
// A handler taken out of its slot while it may be running: freed by Object_FreeRetired.
void Object_RetireEvent(CEvent* event);
// Frees retired objects and handlers (called between steps, when no handler runs).
void Object_FreeRetired();
// Visits every object in hash-table order (bucket by bucket, in insertion order within a bucket).
template <class F>
void Object_ForEachInTableOrder(F&& visit);
// Frees every object; count 0.
void Object_ResetStore();
// Links every object to its parent (parent indices 0 to 99999 that exist; others end the chain).
void Object_ResolveParents();
// True when `ancestor` is the parent, grandparent, ... of `index` (not the object itself).
bool Object_IsAncestor(int32_t index, int32_t ancestor);
// The object's name, or "<undefined>".
const char* Object_Name(int32_t index);
// The lowest index of an object named exactly `name`, or -1. Bare names in compiled code resolve
// through it.
int32_t Object_FindByName(const char* name);

// ---- Instance lists ------------------------------------------------------------------------------

// Appends the instance to its object's own list and the with-descendants lists of the object and
// every ancestor (nothing when its object does not exist).
void Object_LinkInstance(CInstance* instance);
// Takes the instance out of every object list that holds it.
void Object_UnlinkInstance(CInstance* instance);
// Empties every object's instance lists.
void Object_ResetInstanceLists();

// Implementation of the table walk.
const std::vector<CObject*>& Object_Bucket(int bucket);
template <class F>
void Object_ForEachInTableOrder(F&& visit) {
  for (int b = 0; b < kObjectBucketCount; ++b) {
    for (CObject* object : Object_Bucket(b)) visit(object);
  }
}
