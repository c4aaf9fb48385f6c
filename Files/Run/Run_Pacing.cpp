#include "Run/Run_Pacing.h"

void Pacing_Start(FrameTiming& t, int64_t now) {
  t.previousFrameTime = now;
  t.fpsWindowStart = now;
  t.framesInWindow = 0;
  t.fps = 0;
}

int64_t Pacing_FrameWait(FrameTiming& t, int64_t now, int32_t roomSpeed) {
  t.frameCount += 1;
  if (t.previousFrameTime > now) t.previousFrameTime = now;
  if (roomSpeed <= 0) roomSpeed = 1;
  int64_t wait = 1000000 / roomSpeed - (now - t.previousFrameTime);
  if (wait < 0) wait = 0;
  if (wait > 1000000) wait = 1000000;
  t.previousFrameTime = now + wait;
  if (t.previousFrameTime / 1000000 > t.fpsWindowStart / 1000000) {
    t.fps = t.framesInWindow;
    t.framesInWindow = 0;
    t.fpsWindowStart = t.previousFrameTime;
  }
  if (t.fpsWindowStart > t.previousFrameTime) t.fpsWindowStart = t.previousFrameTime;
  t.framesInWindow += 1;
  return wait;
}
