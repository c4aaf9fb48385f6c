#include "Runner/Runner_Wiring.h"

#include "Run/Run_Hooks.h"
#include "Runner/Runner_CommandLine.h"
#include "Variable/Variable_Global.h"

void Runner_WireSubsystems(const CommandLineSwitches& switches) {
  g_RunHooks.createGlobals = Variable_PrepareGlobals;
}
