// Native calls: the table of definitions made by external_define (and by extension packages), the
// calls through them and the unloading of libraries.
//
// A definition names a library, an entry point, a calling convention, up to 16 argument types
// (real or string) and the result type; its number is its index in a table that is never
// compacted. Linux has one calling convention, so the convention is kept and otherwise ignored.
#pragma once
#include <string>
#include <vector>

#include "Variable/Variable_Value.h"

inline constexpr int kDLLMaxArguments = 16;
inline constexpr int kDLLMaxStringArguments = 4;  // strings only in definitions of at most 4 arguments
inline constexpr int kDLLTypeReal = 0;
inline constexpr int kDLLTypeString = 1;

struct CDLLDefinition {
  std::string path;        // the path or name the library was loaded by
  void* module = nullptr;  // null after external_free
  std::string name;
  void* entry = nullptr;
  int convention = 0;      // 0 cdecl, 1 stdcall
  int argumentCount = 0;
  int argumentTypes[kDLLMaxArguments] = {};
  bool stringResult = false;
};

// The paths a library name is looked for under, in order: for each of the name itself and, for a
// name ending in ".dll", "lib<name>.so" and "<name>.so" beside it: the per-user save folder, the
// working folder and the game's folder. A name found in none is handed to the loader as it is (the
// ".so" forms first), which searches the library path.
std::vector<std::string> DLL_Candidates(const std::string& name);

// Defines an entry point; the definition number, or -1 with the reason in `error` (the library or
// the entry point cannot be found, or the types are not allowed).
int DLL_Define(const std::string& library, const std::string& name, int convention, int argumentCount,
               const int* argumentTypes, bool stringResult, std::string& error);

// Calls definition `id` with the arguments. An unknown id, a wrong argument count or a freed
// library gives real 0 without a call; an argument of the wrong type is reported (non-fatal) and
// gives real 0. A null string result gives the empty string.
void DLL_Call(int id, int argc, const RValue* args, RValue& result);

// Unloads a library: every definition made through it loses its module. False when none used it.
bool DLL_Free(const std::string& library);

const CDLLDefinition* DLL_Definition(int id);
int DLL_DefinitionCount();

// "-ext": calls return at once without reaching the library.
void DLL_SetSkipCalls(bool skip);

// Unloads everything and empties the table (game end, tests).
void DLL_FreeAll();
