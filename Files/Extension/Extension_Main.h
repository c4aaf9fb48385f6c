// Extension packages at run time: their function names for the compiler and the linker, their
// preparation (library functions defined, source functions compiled), calls by extension-function
// id and the initialisation and finalisation functions of their files.
#pragma once

class CInstance;
class RValue;

// Preparation step: defines every library function (the library beside the game) and compiles
// every source function into a code unit "Extension.<package>.<function>". A source function that
// does not compile stops start-up ("COMPILATION ERROR in extension package ..."); a library
// function that cannot be defined is reported and calls to it give 0.
bool Extension_Prepare();

// Calls extension function `index` (its id) with the caller's self and other. An id no function
// has gives the zero value and false.
bool Extension_Call(int index, CInstance* self, CInstance* other, int argc, RValue* args, RValue& result);

// The initialisation functions of every file, in package and file order; false (after the report)
// when one is named but does not exist, which stops the start.
bool Extension_Initialise();
// The finalisation functions; a missing one is reported.
void Extension_Finalise();

// Lookups for the compiler, the linker and error reports.
int Extension_Find(const char* name);
const char* Extension_Name(int index);
int Extension_ArgumentCount(int index);

// Installs the lookups into the function registry and the call into the virtual machine. The
// runner also wires the chunk, the preparation step and the start and end calls.
void Extension_InstallLookups();

// Frees the code units and the tables (game end, tests).
void Extension_Reset();
