// The collision index: a uniform grid over the active list's bounding boxes, used only to pick the
// instances whose boxes may meet an area before the exact tests run (Collision_Test.h).
//
// The index is rebuilt when any instance list changed (creation, removal, activation, a room
// change) and otherwise kept up to date from the queue of instances whose boxes were marked dirty
// since the last query. Boxes wholly inside the grid are filed in the cells they cover (or in the
// big list when they cover many cells); boxes reaching outside the grid go to the outside list,
// which every query visits; instances without a box go to the nowhere list, visited only by
// queries that reach beyond the grid.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class CInstance;

// Called by CInstance::MarkBoxDirty (once until the next query) and by its destructor.
void CollisionIndex_Queue(CInstance* instance);
void CollisionIndex_Forget(CInstance* instance);

// The active, not deactivated instances whose filed boxes may meet [left, right] x [top, bottom]
// (inclusive pixel edges, widened by one pixel), each once, in no particular order. False when the
// area is not a finite rectangle: the caller then walks the lists itself.
bool CollisionIndex_Candidates(double left, double top, double right, double bottom, std::vector<CInstance*>& out);

// Forgets everything (game end, tests); the next query rebuilds.
void CollisionIndex_Reset();

// Below this many instances in the list a query walks, the lists are walked directly.
inline constexpr size_t kCollisionIndexThreshold = 24;
