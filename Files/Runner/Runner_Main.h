// The runner's process entry: command line, start-up, main loop, shut-down.
#pragma once

int Runner_Main(int argc, char** argv);
