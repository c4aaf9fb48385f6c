// The switches that capture or replay a run: "-screenshot", "-record" and "-playback". Each says on
// the console when it cannot do its work, instead of doing nothing silently.
#pragma once
#include <string>

#include "Runner/Runner_CommandLine.h"

// At start-up, before the game loads: a "-playback" file that cannot be read and a "-record" file
// that cannot be written are named on the console. Input is not read yet, so a run with either
// switch also says once that nothing is recorded or replayed (the input layer takes this over).
void Runner_CheckCaptureFiles(const CommandLineSwitches& switches);

// When the game ends with "-screenshot FILE": the last finished frame (game size) goes to FILE as a
// PNG. When it cannot (no drawing device, a file that cannot be written) the console says why, once.
void Runner_SaveScreenshot(const std::string& path);
