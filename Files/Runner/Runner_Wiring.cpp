#include "Runner/Runner_Wiring.h"

#include "Runner/Runner_CommandLine.h"

void Runner_WireSubsystems(const CommandLineSwitches& switches) {}
