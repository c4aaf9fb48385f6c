// The path table (paths by number with their names), the PATH chunk loader, and instances following
// paths: starting a path and the per-step path step of the motion pass.
#pragma once
#include <cstdint>
#include <string>

class CInstance;
class CPath;
class DataView;
struct ChunkInfo;

int32_t Path_Count();
// The path at `index`, or null for a number out of range or an empty slot.
CPath* Path_Get(int32_t index);
bool Path_Exists(int32_t index);
// "<undefined>" for a missing path.
const char* Path_Name(int32_t index);
int32_t Path_Find(const char* name);
// Appends a path named "__newpath<number>" and returns its number.
int32_t Path_Add();
// Puts `path` (owned) at `index`, growing the table; the old path there is freed.
void Path_Set(int32_t index, CPath* path, const std::string& name);
// Frees the path and its name; false when it does not exist.
bool Path_Delete(int32_t index);
void Path_FreeAll();

// The PATH chunk: a resource list of path records (name, kind, closed, precision, points).
void Path_LoadPATH(const DataView& view, const ChunkInfo& chunk);

// PathStart: the instance follows `path` (negative: none) at `speed` with scale and orientation,
// from its place when `relative`, else from the path's start point.
void Path_Start(CInstance* instance, int32_t path, float speed, float scale, float orientation, bool relative,
                int32_t endAction);
// The path step: moves the instance along its path; true when an end of the path was reached.
bool Path_Step(CInstance* instance);
