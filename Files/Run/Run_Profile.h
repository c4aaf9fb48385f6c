// "-profile": where the frame time goes. The main loop, the draw stage and the batch add their
// microseconds while profiling is on; the report divides them by the frames run.
#pragma once
#include <cstdint>

struct FrameProfile {
  bool enabled = false;
  int64_t frames = 0;
  int64_t stepMicros = 0;      // the whole game step, drawing included
  int64_t drawMicros = 0;      // room drawing: draw events, the quad builders and the batch
  int64_t deviceMicros = 0;    // inside the batch's draws to the device (part of drawMicros)
  int64_t drawCalls = 0;
  int64_t endFrameMicros = 0;  // frame end: the final stretch, finishing and presenting
};

extern FrameProfile g_FrameProfile;

// Microseconds now (the runner's clock), for the timed sections.
int64_t Profile_Now();
// Prints the averages per frame on the console.
void Profile_Report();
