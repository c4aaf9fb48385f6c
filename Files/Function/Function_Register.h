// The families' implemented routines. Registration first enters every built-in function with the
// shared not-implemented routine; each family's binder then hands its finished routines to the
// registry by name (ImplementFunction in Code/Code_Function.h).
#pragma once

#include "Code/Code_Function.h"

// Runs every family's binder; called once by RegisterAllFunctions.
void Function_BindAll();

void Function_Maths_Bind();     // Function_Maths.cpp
void Function_Misc_Bind();      // Function_Misc.cpp
void Function_Resource_Bind();  // Function_Resource.cpp
void Function_Timeline_Bind();  // Function_Timeline.cpp
void Function_Game_Bind();      // Function_Game.cpp

// Argument `i` of a call, or the zero value when the call passed fewer (bytecode calls are not
// checked against the registry's counts).
const RValue& FunctionArgument(int argc, const RValue* args, int i);

// An index, object, instance or count argument: the real rounded to the nearest integer, halves to
// even, limited to the 32-bit range (NaN gives 0). A string gives 0.
int FunctionArgumentIndex(const RValue& value);

// The text `string()` makes of a value, as a memory-manager string the caller frees: a string as it
// is; a real equal to its nearest integer in full ("%d", "%lld" beyond 32 bits, "%.0f" beyond 64
// bits); any other real with "%.2f".
char* StringOfValue(const RValue& value);
