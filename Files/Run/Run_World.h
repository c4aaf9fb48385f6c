// The instances of the running room: the active list (sorted by depth), the deactivated list, the
// id table and the id counter, creation, removal, activation and the per-step routines that move
// and animate instances and count down their alarms.
//
// The two lists belong to the room state being played (Room_Main.h hands them over when a room is
// entered); until a room is entered the world uses lists of its own. The id table is runner-wide
// and holds every live instance, active or deactivated.
#pragma once
#include <cstdint>
#include <vector>

#include "Run/Run_Instance.h"

// A doubly linked list of instances threaded through CInstance::next/prev, with the same instances
// in an array that the per-step walks read (following the links costs a dependent load per
// instance). The array is rebuilt on first use after the list changed.
struct CInstanceList {
  CInstance* head = nullptr;
  CInstance* tail = nullptr;
  int32_t count = 0;

  // Before the first instance whose depth is strictly greater (equal depths go after their peers).
  void InsertByDepth(CInstance* instance);
  void Append(CInstance* instance);
  void Unlink(CInstance* instance);
  // The n-th instance from the head (0-based), or null.
  CInstance* At(int32_t n) const;
  // The instances in list order. The reference stays valid until the list changes and Items is
  // called again: a walk that may run game code walks a copy (InstanceSnapshot) instead.
  const std::vector<CInstance*>& Items() const;

  // Advances with every change of any list (the collision index rebuilds when it moved).
  static inline uint64_t s_epoch = 0;

 private:
  mutable std::vector<CInstance*> m_items;
  mutable bool m_stale = true;
};

// The lists of the current room.
CInstanceList& World_Active();
CInstanceList& World_Deactivated();
// Hands the world the lists of the room being entered (null: the world's own lists).
void World_SetLists(CInstanceList* active, CInstanceList* deactivated);

// The instances of the active list, in order, copied into a reusable buffer.
void World_CopyActive(std::vector<CInstance*>& out);

// ---- Ids -------------------------------------------------------------------------------------------

// The id counter: the last id handed out (the general chunk's last instance id at game start).
int32_t World_LastId();
void World_SetLastId(int32_t id);
// counter + 1, and the counter moves on.
int32_t World_NextId();

CInstance* World_Find(int32_t id);
void World_AddToIdTable(CInstance* instance);
void World_RemoveFromIdTable(CInstance* instance);
// Moves the table entry of `instance` to id `newId` (and sets the field).
void World_ChangeId(CInstance* instance, int32_t newId);

// ---- Creation and removal --------------------------------------------------------------------------

// CreateInstance: a new instance with the next id at (x, y); joins its object's lists, the active
// list by depth and the id table. Performs no event.
CInstance* World_CreateInstance(float x, float y, int32_t objectIndex);
// The same with a given id (room-editor instances).
CInstance* World_CreateInstanceWithId(float x, float y, int32_t objectIndex, int32_t id);
// Takes the instance out of the lists that hold it, its object's lists and the id table, and frees
// it.
void World_FreeInstance(CInstance* instance, CInstanceList* list);
// RemoveMarked: every marked instance of the active list is freed.
void World_RemoveMarked();
// UpdateActive: moves instances between the lists by their deactivated flags.
void World_UpdateActive();
// A new depth: stored, and an active instance is re-inserted by it.
void World_SetDepth(CInstance* instance, float depth);
// Frees every instance of both lists of the current room.
void World_FreeAll();
// Empties the lists and the id table without freeing anything (game restart after the room states
// were freed).
void World_ForgetAll();

// ---- Instance operations that raise events ----------------------------------------------------------

// CreateInstance, then the create event (self = other = the new instance); marked as created.
CInstance* World_CreateWithEvent(float x, float y, int32_t objectIndex);
// The destroy event, then the mark.
void World_Destroy(CInstance* instance);
// instance_change for an existing object: the destroy event when `perform`, SetObject, the
// creation stamp re-set to the pass counter (no further part in the running pass), the create event
// when `perform`.
void World_Change(CInstance* instance, int32_t objectIndex, bool perform);
// instance_copy: a new instance with self's object at self's position holding a copy of its state;
// the create event when `perform`.
CInstance* World_Copy(CInstance* self, bool perform);

// ---- Selections and plain motion ---------------------------------------------------------------------

// The unmarked instances a selector names: self and other (when `resolveSelf`) count as 1 or 0;
// all counts the active list; an id counts 1 when the id table holds it; an object counts its
// instances with descendants; any other negative value counts 0.
int32_t World_Count(int32_t selector, CInstance* self, CInstance* other, bool resolveSelf = true);
// Sets or clears the deactivated flag of what a selector names (self/other, all, an unmarked id,
// an object and its descendants). Clearing with `all` or an object looks at the deactivated list.
void World_SetDeactivatedBySelector(int32_t selector, CInstance* self, CInstance* other, bool deactivate);
// The region test of the deactivation functions: by the bounding box when the instance has a
// sprite or mask, else by its position.
bool World_OutsideRegion(CInstance* instance, float left, float top, float width, float height);
void World_MoveTowardsPoint(CInstance* instance, float x, float y, float speed);
void World_MoveSnap(CInstance* instance, float hsnap, float vsnap);
bool World_PlaceSnapped(CInstance* instance, float hsnap, float vsnap);

// ---- Per-step routines --------------------------------------------------------------------------------

void World_RememberPositions();
// MotionStep: in a room with a physics world the world runs instead (and true is reported);
// otherwise friction, gravity, paths and movement.
bool World_MotionStep();
void World_AnimationStep();
void World_AlarmStep();

// The path step of an instance (Path_Step): true when an end of the path was reached.
bool World_PathStep(CInstance* instance);

// The random source of the action functions: a uniform value in [0, 1). The runner's shared
// generator is attached with World_SetRandomSource; until then a fixed-seed generator of the world's
// own stands in.
double World_Random();
void World_SetRandomSource(double (*uniform)());
// An integer drawn in 0..n-1 (the truncation of n times a uniform value).
int32_t World_RandomInteger(int32_t n);

// Registers the world with the variable layer (SetInstanceWorld).
void World_Install();
