// Frame pacing: how long a frame waits so that steps come at the room speed, and the frames-per-
// second window. Pure arithmetic over microsecond times, so it can be tested with any clock.
#pragma once
#include <cstdint>

struct FrameTiming {
  int64_t previousFrameTime = 0;  // microseconds
  int64_t fpsWindowStart = 0;
  int64_t framesInWindow = 0;
  int64_t fps = 0;                // last measured frames per second
  int64_t frameCount = 0;         // every frame since the loop started
};

// Restarts the timing at `now` (entering the main loop).
void Pacing_Start(FrameTiming& t, int64_t now);

// The wait before this frame's step, for a frame starting at `now` with the given room speed
// (0 or less runs as 1). Updates the previous frame time to now + wait and the fps window.
int64_t Pacing_FrameWait(FrameTiming& t, int64_t now, int32_t roomSpeed);
