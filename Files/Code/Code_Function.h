// The built-in function registry, the function-id numbering shared with scripts and extension
// functions, the sixteen shared argument slots and script execution from outside bytecode.
//
// Built-in functions are registered once per process, family by family, in a fixed order; the
// position in the registry is the function id. Every routine follows one calling convention:
//   routine(result, self, other, argument count, arguments)
// The arguments are consecutive RValues, argument 0 first; the routine reads them and neither keeps
// nor frees their texts. The result arrives as the zero value; a routine producing a string stores
// an owned text in it. Failures are reported through the error reporter (Code_Error.h).
//
// A function whose behaviour is not built yet is registered with the shared not-implemented routine:
// a call reports "<name>: not implemented" (non-fatal) and returns real 0.
#pragma once
#include <cstdint>

#include "Variable/Variable_Value.h"

class CInstance;

using TRoutine = void (*)(RValue& result, CInstance* self, CInstance* other, int argc, RValue* args);
// A routine's direct form, for calls whose arguments are at hand where they are (variables):
// `args[i]` points at argument i. It does what the routine does in its common case and returns
// true, or returns false having done nothing (the call then goes to the routine). It reports no
// errors, calls no code and neither keeps nor frees the arguments; the result arrives as the zero
// value.
using TDirectRoutine = bool (*)(RValue& result, int argc, const RValue* const* args);

// ---- Function ids ----------------------------------------------------------------------------

inline constexpr int kScriptIdBase = 100000;     // script index + 100000
inline constexpr int kExtensionIdBase = 500000;  // extension function index + 500000
inline constexpr int kArgumentCountAny = -1;     // any number of arguments
inline constexpr int kArgumentCountNone = -100;  // the id names nothing
inline constexpr int kMaxFunctionArguments = 16;

// Extension function 0 has the id 500000 itself, so the script range ends just below it (no game
// has anywhere near 400000 scripts).
inline bool IsBuiltinFunctionId(int id) { return id >= 0 && id < kScriptIdBase; }
inline bool IsScriptFunctionId(int id) { return id >= kScriptIdBase && id < kExtensionIdBase; }
inline bool IsExtensionFunctionId(int id) { return id >= kExtensionIdBase; }

// ---- The registry ----------------------------------------------------------------------------

struct FunctionRecord {
  char name[64];       // up to 63 bytes and a NUL
  TRoutine routine;
  int argumentCount;   // fixed count, or kArgumentCountAny
  int callCount;       // starts at -1; the source interpreter adds 1 per call
  bool implemented;    // false while the routine is the shared not-implemented one
  int sameNameNext;    // the next record of the same name, or -1 (some names are registered twice)
  TDirectRoutine direct;  // the routine's direct form, or null
};

// Registers every built-in function of every family, in order. Done once per process; later calls
// do nothing.
void RegisterAllFunctions();
// Appends one record; returns the number of registered functions. Names longer than 63 bytes are
// cut. Normally only RegisterAllFunctions calls this.
int RegisterFunction(const char* name, TRoutine routine, int argumentCount, bool implemented = true);
// Gives every registered function named `name` the routine `routine` and marks it implemented.
// Returns the number of records bound (0 for a name no built-in function has).
int ImplementFunction(const char* name, TRoutine routine);
// For a function that cannot exist here (it needs something this platform or runner does not
// have): `routine` says why when called; the function stays counted as not implemented.
int SetUnavailableFunction(const char* name, TRoutine routine);
// Gives every registered function named `name` the direct form `direct` of its routine (binding a
// routine drops the direct form, so this comes after ImplementFunction). Returns the records bound.
int SetDirectRoutine(const char* name, TDirectRoutine direct);
// Empties the registry (process exit and tests).
void ReleaseFunctions();

int FunctionCount();
// The record of a built-in function id, or null outside the registry.
FunctionRecord* FunctionAt(int id);
// The name of any function id (built-in, script or extension); null when unknown.
const char* FunctionName(int id);

// Looks `name` up as a script, then an extension function, then a built-in function (exact,
// case-sensitive, first registered wins). Empty or unknown names fail with *id = -1.
bool FindFunction(const char* name, int* id);
// The id of the first built-in function named exactly `name`, or -1; scripts and extension
// functions are not looked at.
int FindBuiltinFunction(const char* name);
// A built-in's fixed count (kArgumentCountNone outside the registry), kArgumentCountAny for a
// script, an extension function's declared count (kArgumentCountNone when no extension knows it).
int ArgumentCount(int id);

// The registry's records, for the inline call below (ids 0 .. g_FunctionCount-1).
extern FunctionRecord* g_Functions;
extern int g_FunctionCount;
// Reports a call of an id outside the registry.
void CallUnknownFunction(int id);

// Calls a built-in function by id with the calling convention (result is reset to the zero value
// first). An id outside the registry reports an error and leaves the zero value.
// (Inline, so that a caller's fresh result needs no reset and the record is one indexed load.)
inline void CallFunction(int id, RValue& result, CInstance* self, CInstance* other, int argc, RValue* args) {
  result.Reset();
  if (static_cast<unsigned>(id) < static_cast<unsigned>(g_FunctionCount)) {
    g_Functions[id].routine(result, self, other, argc, args);
  } else {
    CallUnknownFunction(id);
  }
}

// The shared routine of functions not built yet, for the function of the given id.
void FunctionNotImplemented(int id, RValue& result);

// ---- Counts ----------------------------------------------------------------------------------

struct FunctionFamilyInfo {
  const char* name;  // the family's description
  int first;         // id of its first function
  int count;         // registered functions
  int implemented;   // of which implemented
};
int FunctionFamilyCount();
FunctionFamilyInfo FunctionFamily(int index);
int ImplementedFunctionCount();
// Prints the registered and implemented counts, in total and per family (tessera-dump --functions).
void PrintFunctionCounts();

// ---- Scripts and extension functions (filled in by their modules) -----------------------------

struct CFunctionHooks {
  // Index of the script named `name`, or -1.
  int (*findScript)(const char* name) = nullptr;
  // Name of script `index`, or null.
  const char* (*scriptName)(int index) = nullptr;
  // Index of the extension function named `name`, or -1.
  int (*findExtension)(const char* name) = nullptr;
  // Declared argument count of extension function `index`, or kArgumentCountNone.
  int (*extensionArgumentCount)(int index) = nullptr;
  // Name of extension function `index`, or null.
  const char* (*extensionName)(int index) = nullptr;
  // Runs the code of script `index` with self and other through the machine's execution entry and
  // stores the run's value in `result`. The argument slots are already filled. False when the
  // script does not exist.
  bool (*runScript)(int index, CInstance* self, CInstance* other, RValue& result) = nullptr;
};
void SetFunctionHooks(const CFunctionHooks& hooks);
const CFunctionHooks& FunctionHooks();

// ---- Argument slots --------------------------------------------------------------------------

// The sixteen argument slots of code run from outside bytecode (events, ExecuteScript):
// argument0 .. argument15. Slots beyond the passed arguments hold the zero value.
inline constexpr int kArgumentSlotCount = 16;
extern RValue g_Arguments[kArgumentSlotCount];
// The leading slots of g_Arguments that may hold something other than the zero value; every slot
// from here on is zero. CArgumentFrame saves and restores only these.
extern int g_ArgumentSlotsUsed;
inline void NoteArgumentSlotWritten(int slot) {
  if (slot >= g_ArgumentSlotsUsed) g_ArgumentSlotsUsed = slot + 1;
}

// The slots the running code reads as argument0 .. argument15, and argument_count. Outside script
// calls these are g_Arguments (all sixteen readable); a script call made by the machine points them
// at its own slots (only the first `readable` hold values, the rest read as zero) and a return
// puts the caller's back.
struct ArgumentView {
  RValue* slots;
  int16_t readable;
  int16_t count;
  uint16_t texts;  // nonzero when a readable slot may hold a text (a call's return then frees them)
  uint16_t spare;  // not part of the view: a call record keeps its own data here while it holds the view
};
extern ArgumentView g_ArgumentView;
extern const RValue g_ArgumentZero;
// Slot i (0..15) of the running code.
inline const RValue& ArgumentValue(int i) {
  return i < g_ArgumentView.readable ? g_ArgumentView.slots[i] : g_ArgumentZero;
}
// Slot i (0..15) of the running code, to be assigned: slots between the readable ones and i become
// zero values first.
RValue& ArgumentForWrite(int i);

// The caller's argument slots and view, set aside while a script runs from outside bytecode:
// the constructor moves g_Arguments out, fills slots 0..n-1 with copies of `args` (n at most 16)
// and points the view at them; the destructor frees what the run left in the slots and puts the
// caller's slots and view back.
class CArgumentFrame {
 public:
  CArgumentFrame(int n, const RValue* args);
  ~CArgumentFrame();
  CArgumentFrame(const CArgumentFrame&) = delete;
  CArgumentFrame& operator=(const CArgumentFrame&) = delete;

 private:
  RValue m_saved[kArgumentSlotCount];
  int m_savedUsed;
  ArgumentView m_savedView;
};

// Runs script `index` from outside bytecode (events, script_execute, actions): saves the slots and
// the count, fills slots 0..n-1 with copies of the arguments (only the first 16 when there are more)
// and clears the rest, runs the script, then frees the slots' texts and restores the saved slots.
// False (result the zero value) when the script does not exist or no machine is attached.
bool ExecuteScript(int index, CInstance* self, CInstance* other, int argc, const RValue* args,
                   RValue& result);
