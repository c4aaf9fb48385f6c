// Connects the subsystems to the spine: chunk handlers, preparation steps and run hooks.
#pragma once

struct CommandLineSwitches;

void Runner_WireSubsystems(const CommandLineSwitches& switches);
// Hands the loaded options and the final switches (after the options file) to the subsystems that read them (after the main chunk pass).
void Runner_ApplyOptions(const CommandLineSwitches& switches);
