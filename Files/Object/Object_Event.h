// Finding and running event handlers: the handler search up the parent chain, the per-event object
// lists and the collision pair list built at every game start, running one event for one instance
// with the event context saved and restored around the handler, event passes with the pass counter
// and creation stamps, and the display names of events.
#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "Object/Object_Class.h"
#include "Variable/Variable_Value.h"

class CInstance;
struct CInstanceList;

// The handler for (type, subType) starting at object `objectIndex` and moving up the parent chain;
// for collisions, when the chain has nothing for the other object, the chain search is repeated for
// each ancestor of the other object, nearest first. *foundIn receives the object in whose table the
// handler was found. Null when there is none.
CEvent* Event_FindHandler(int32_t objectIndex, int type, int subType, int32_t* foundIn = nullptr);

// ---- Event lists ------------------------------------------------------------------------------------

// Rebuilds every event list and the collision pair list from the objects (game start).
void Event_BuildLists();
// Frees the lists.
void Event_FreeLists();
// The ascending object indices that handle (type, subType) themselves or through a parent. Lists
// outside the filled ranges are empty.
const std::vector<int32_t>& Event_List(int type, int subType);
// The collision pairs (lower index first), in the order they were found.
const std::vector<std::pair<int32_t, int32_t>>& Event_CollisionPairs();

// ---- Running events -----------------------------------------------------------------------------------

// Runs (type, subType) for `self` with `other`, starting the search at `objectIndex`. Nothing when a
// new-room request is pending or no handler is found. The event context is saved, set to the found
// object and this event, and restored after. Returns whether a handler ran; the code's value goes to
// *out when given.
bool Event_Perform(CInstance* self, CInstance* other, int32_t objectIndex, int type, int subType,
                   RValue* out = nullptr);
// The same starting at the instance's own object, with self = other = the instance.
bool Event_PerformOwn(CInstance* instance, int type, int subType);
// Runs the event for every instance of the room's active list that is not marked (game start, game
// end, room start, room end, no more lives, no more health). Nothing while a new-room request is
// pending.
void Event_PerformAll(int type, int subType);
// One event pass of the main loop: the pass counter advances (old value C); for every object of
// the event's list, each unmarked, active instance of its own list stamped at most C runs the event.
void Event_Pass(int type, int subType);
// Starts a pass by hand: advances the pass counter and returns its old value.
uint64_t Event_BeginPass();

// The instances of `list` as they are now, copied into a buffer reused by passes at that nesting
// level (so walks survive instances joining or leaving the list during the walk).
class InstanceSnapshot {
 public:
  explicit InstanceSnapshot(const std::vector<CInstance*>& list);
  explicit InstanceSnapshot(const CInstanceList& list);
  ~InstanceSnapshot();
  InstanceSnapshot(const InstanceSnapshot&) = delete;
  InstanceSnapshot& operator=(const InstanceSnapshot&) = delete;
  CInstance* const* begin() const { return m_items->data(); }
  CInstance* const* end() const { return m_items->data() + m_items->size(); }

 private:
  std::vector<CInstance*>* m_items;
};

// event_inherited: the current event for self and other, starting at the parent of the object in
// whose table the running handler was found. Nothing without a current object or a parent.
bool Event_Inherited(CInstance* self, CInstance* other, RValue* out = nullptr);

// ---- Names ------------------------------------------------------------------------------------------------

// The event's display name as used in code-unit names and error frames: "Create", "Destroy",
// "Alarm 3", "Step", "BeginStep", "EndStep", the other object's name, the key's name ("press " or
// "release " before it for those types), the mouse or other event's name, "Draw";
// "<Unknown Event>" for an unknown type.
void Event_Name(int type, int subType, char* buffer, size_t size);
// The name of a key code ("<unknown>" style names for codes without one).
const char* Event_KeyName(int key);
