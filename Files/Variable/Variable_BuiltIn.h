// The built-in variable table: named variables that are not stored as user variables but map onto
// runner state (fields of the current instance, or global state such as the room, the score or the
// input). A variable's id is its slot number; ids below 10000 are built-in.
//
// The table has 500 slots. Registration clears it and adds the instance variables (ids 0..77, `x`
// first) and then the global variables (ids 78 on, `argument_relative` first), each group in its
// fixed order, so the ids are stable for compiled code. The table is installed as the variable
// layer's CBuiltInVariables implementation, through which the compiler, the linker and the virtual
// machine reach it.
//
// Accessors take (instance, array index, value): the instance the access is made for (global
// variables ignore it), the array index written in code (0 when none) and the value read into or
// written from. Each reports success. A getter's value arrives as the zero value.
#pragma once
#include <cstdint>

#include "Variable/Variable_Value.h"

class CInstance;

constexpr int32_t kBuiltInSlotCount = 500;
// Ids of the two groups' first members.
constexpr int32_t kBuiltInFirstInstance = 0;   // x
constexpr int32_t kBuiltInFirstGlobal = 78;    // argument_relative

using TGetVarRoutine = bool (*)(CInstance* instance, int32_t index, RValue* value);
using TSetVarRoutine = bool (*)(CInstance* instance, int32_t index, const RValue* value);

// Adds a variable in the next slot. With all 500 slots in use it shows "INTERNAL ERROR: Adding too
// many variables" and adds nothing.
void AddBuiltIn(const char* name, TGetVarRoutine getter, TSetVarRoutine setter, bool canSet);
// The id of `name` (exact, case-sensitive; the first match), or -1.
int32_t FindBuiltIn(const char* name);
// The name of slot `id`, or "<unknown built-in variable>" outside 0..count-1.
const char* BuiltInName(int32_t id);
// Number of slots in use.
int32_t BuiltInCount();

// Reads built-in `id` through its getter; false for an id outside the table.
bool GetBuiltIn(CInstance* instance, int32_t id, int32_t index, RValue* out);
// Writes built-in `id`: false without calling anything when the slot cannot be set (read-only),
// else the setter's result.
bool SetBuiltIn(CInstance* instance, int32_t id, int32_t index, const RValue& value);

// Empties the table (the slots' name buffers are kept for reuse).
void ClearBuiltIns();
// Clears the table, registers the instance group and then the global group, and installs the table
// as the variable layer's built-in table. Called once in the runner's start-up initialisation.
void Variable_InitBuiltIns();
// Frees the name buffers and uninstalls the table (process exit, tests).
void Variable_FreeBuiltIns();

// The two groups (Variable_BuiltInInstance.cpp, Variable_BuiltInGlobal.cpp).
void BuiltIn_RegisterInstanceVariables();
void BuiltIn_RegisterGlobalVariables();

// ---- Conversions the accessors share ------------------------------------------------------------

// R(v): the real part rounded to the nearest integer, ties to even, limited to the 32-bit range
// (NaN gives 0).
int32_t BuiltIn_Round(const RValue& value);
// The three boolean conventions.
inline bool BuiltIn_NonZero(const RValue& value) { return BuiltIn_Round(value) != 0; }
inline bool BuiltIn_AboveHalf(const RValue& value) { return BuiltIn_Round(value) > 0; }
inline bool BuiltIn_AtLeastHalf(const RValue& value) { return value.real >= 0.5; }
// The index of an eight-entry array: 0..7 as given, anything else selects entry 0.
inline int32_t BuiltIn_EntryIndex(int32_t index) { return (index >= 0 && index < 8) ? index : 0; }
