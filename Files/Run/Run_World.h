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

// A doubly linked list of instances threaded through CInstance::next/prev.
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

// ---- Per-step routines --------------------------------------------------------------------------------

void World_RememberPositions();
// MotionStep without a physics world: friction, gravity, paths and movement. Reports whether a
// physics world ran instead (never, in this runner).
bool World_MotionStep();
void World_AnimationStep();
void World_AlarmStep();

// The path step of an instance: true when an end of the path was reached. Paths are not followed
// by this runner yet: an instance without a path reports false.
bool World_PathStep(CInstance* instance);

// Registers the world with the variable layer (SetInstanceWorld).
void World_Install();
