// Connects the subsystems to the spine: chunk handlers, preparation steps and run hooks.
#pragma once

struct CommandLineSwitches;

void Runner_WireSubsystems(const CommandLineSwitches& switches);
