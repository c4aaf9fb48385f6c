// The switches that capture or replay a run: "-screenshot", "-record" and "-playback". Each says on
// the console when it cannot do its work, instead of doing nothing silently.
#pragma once
#include <string>

#include "Runner/Runner_CommandLine.h"

// At start-up, before the game loads: a "-playback" file that cannot be read and a "-record" file
// that cannot be written are named on the console. Input is not read yet, so a run with either
// switch also says once that nothing is recorded or replayed (the input layer takes this over).
void Runner_CheckCaptureFiles(const CommandLineSwitches& switches);

// When the game ends with "-screenshot FILE": the last presented frame goes to FILE as a PNG. With
// no drawing device there is no frame, so today this says so through Runner_ScreenshotUnavailable;
// the graphics layer replaces this body with the writer.
void Runner_SaveScreenshot(const std::string& path);

// The one place that says a screenshot cannot be taken for want of a drawing device:
// "-screenshot: there is no drawing device, so no screenshot is written to FILE".
void Runner_ScreenshotUnavailable(const std::string& path);
