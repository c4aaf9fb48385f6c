#include "Run/Run_Profile.h"

#include "Platform/Platform_Console.h"
#include "Platform/Platform_Timer.h"

FrameProfile g_FrameProfile;

int64_t Profile_Now() { return Timer_Clock().Micros(); }

void Profile_Report() {
  const FrameProfile& p = g_FrameProfile;
  if (!p.enabled || p.frames <= 0) return;
  const double n = double(p.frames);
  const double game = double(p.stepMicros - p.drawMicros) / n / 1000.0;
  const double batching = double(p.drawMicros - p.deviceMicros) / n / 1000.0;
  const double device = double(p.deviceMicros + p.endFrameMicros) / n / 1000.0;
  Console::Output("frame time over %lld frames: game code %.3f ms, drawing and batching %.3f ms, "
                  "device %.3f ms (draw calls %.3f ms, frame end and present %.3f ms), %.1f draw calls a frame\n",
                  static_cast<long long>(p.frames), game, batching, device, double(p.deviceMicros) / n / 1000.0,
                  double(p.endFrameMicros) / n / 1000.0, double(p.drawCalls) / n);
}
