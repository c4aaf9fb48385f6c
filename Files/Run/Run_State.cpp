#include "Run/Run_State.h"

RunState g_RunState;

void RunState_Reset() { g_RunState = RunState{}; }
