// The global variable list, the globalvar flags and the saved global state.
//
// The globalvar flags are one byte per user variable id (index id - 100000): 1 when the name was
// declared with `globalvar`. They start as 10000 zero bytes and grow in steps of 1000. Built-in ids
// have no flag.
#pragma once
#include <cstdint>

#include "Variable/Variable_List.h"
#include "Variable/Variable_Names.h"

class CStream;

// Save-format marker of the global state.
constexpr int32_t kGlobalStateVersion = 700;

// The global list; null until the game is prepared.
extern CVariableList* g_pGlobalVariables;

// A fresh global list (any previous one destroyed) and 10000 cleared globalvar flags.
void Variable_PrepareGlobals();
// Destroys the global list and the flags (game end).
void Variable_FreeGlobals();

// The globalvar flags, one byte per user variable id from 100000 on, and one past the highest id
// index ever flagged (0 while none is); owned by Variable_Global.cpp and read inline on every plain
// variable access.
extern uint8_t* g_GlobalVarFlags;
extern int32_t g_GlobalVarLimit;

// True when user variable `id` was declared with globalvar.
inline bool Variable_IsGlobalVar(int32_t id) {
  uint32_t index = static_cast<uint32_t>(id) - static_cast<uint32_t>(kFirstUserVariable);
  return index < static_cast<uint32_t>(g_GlobalVarLimit) && g_GlobalVarFlags[index] != 0;
}
// Declares `id` global: sets its flag (growing the table) and creates the variable in the global
// list as the zero value. Ids below 100000 are ignored and give false.
bool Variable_DeclareGlobalVar(int32_t id);
// Number of flag bytes currently held.
int32_t Variable_GlobalVarFlagCount();

// Writes 700, the global list, the flag count and the flag bytes.
void Variable_SaveGlobals(CStream* stream);
// Reads what Variable_SaveGlobals wrote. The whole block is checked first: a wrong marker, a bad
// list or truncated flags change nothing and give false. On success the list's variables are added
// to the global list and the flags replace the current ones.
bool Variable_LoadGlobals(CStream* stream);
// Checks a saved global state without applying it: true, with the stream past the block, when
// Variable_LoadGlobals would accept it.
bool Variable_SkipGlobals(CStream* stream);
