// The runner's process entry: command line, start-up, main loop, shut-down.
#pragma once

struct CommandLineSwitches;

int Runner_Main(int argc, char** argv);

// The switches in force for this run.
const CommandLineSwitches& Runner_Switches();
