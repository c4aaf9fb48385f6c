// Variable numbering and the variable-name registry.
//
// Ids 0..9999 are built-in variables (the index into the built-in table, reached through the hook
// of Variable_Instance.h); ids from 100000 are user variables, 100000 + the position of the name in
// the registry. Names are compared exactly and case-sensitively; ids are handed out in order of
// first appearance and never reused.
#pragma once
#include <cstdint>

constexpr int32_t kBuiltInVariableLimit = 10000;   // ids below are built-in
constexpr int32_t kFirstUserVariable = 100000;     // the first user variable id

inline bool VariableIdIsBuiltIn(int32_t id) { return id >= 0 && id < kBuiltInVariableLimit; }
inline bool VariableIdIsUser(int32_t id) { return id >= kFirstUserVariable; }

// The id of `name`: the built-in index when the built-in table knows it, else the registry id,
// appending the name when it is new. A null or empty name gives -1.
int32_t Variable_FindOrAddName(const char* name);
// As above without appending: -1 for a name neither table knows.
int32_t Variable_FindName(const char* name);
// The name of an id for messages: the built-in name, "<unknown built-in variable>" for a built-in
// id outside the table, the registry name, or "<unknown variable>" for any other id.
const char* Variable_GetName(int32_t id);
// Number of names in the registry (user ids run from 100000 to 100000 + count - 1).
int32_t Variable_NameCount();
// Empties the registry (a new game data file is about to be linked).
void Variable_ClearNames();
