// The switches that capture or replay a run: "-screenshot", "-record" and "-playback". Each says on
// the console when it cannot do its work, instead of doing nothing silently.
#pragma once
#include <string>

#include "Runner/Runner_CommandLine.h"

// At start-up, before the game loads: opens the "-playback" or "-record" file (both share one
// name; the last switch given decides which). A file that cannot be used is named on the console
// with the reason, and the run goes on without that feature.
void Runner_CheckCaptureFiles(const CommandLineSwitches& switches);

// When the game ends with "-screenshot FILE": the last finished frame (game size) goes to FILE as a
// PNG. When it cannot (no drawing device, a file that cannot be written) the console says why, once.
void Runner_SaveScreenshot(const std::string& path);
