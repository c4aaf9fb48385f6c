// The process's own command line, as the runner was started (game code reads it through
// parameter_count and parameter_string).
#pragma once

// Keeps a copy of the arguments; argv[0] is the program.
void Platform_SetCommandLine(int argc, const char* const* argv);
// The parameters after the program.
int Platform_ParameterCount();
// Parameter i: 0 is the program, 1 .. count the parameters; null outside that range.
const char* Platform_Parameter(int i);
