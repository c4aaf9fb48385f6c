#include "Runner/Runner_Capture.h"

#include <cstdlib>

#include "Graphics/Graphics_Display.h"
#include "IO/IO_Record.h"
#include "Platform/Platform_Console.h"

void Runner_CheckCaptureFiles(const CommandLineSwitches& switches) {
  if (switches.playback) IO_StartPlayback(switches.recordFile);
  if (switches.record && IO_StartRecording(switches.recordFile)) {
    // An exit that skips the normal end (a fatal error) still puts the records in place.
    static bool registered = false;
    if (!registered) registered = std::atexit(IO_StopCapture) == 0;
  }
}

void Runner_SaveScreenshot(const std::string& path) {
  std::string error;
  if (!Display_SaveScreen(path, 0, 0, g_Display.gameWidth, g_Display.gameHeight, error)) {
    Console::Output("-screenshot: cannot write %s: %s\n", path.c_str(), error.c_str());
  }
}
