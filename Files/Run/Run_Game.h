// Starting, running and ending a game: StartGame, one frame, the new-room requests, the end-game
// sequence.
#pragma once
#include <cstdint>

#include "Run/Run_Pacing.h"

struct LoopOptions {
  bool noSleep = false;   // do not wait for the frame time
  int64_t frames = -1;    // end the game (as game_end) after this many frames
  bool headless = false;
};

// StartGame: the per-game resets, library code, extensions, and the first room. False when the
// start stopped early (no room was entered).
bool Run_StartGame();
// The end-game sequence (room end and game end events, room states freed, extensions finalised).
void Run_EndGame();
// One frame: pacing, audio, the step, the new-room request. Returns the room speed.
int32_t Run_Frame(FrameTiming& timing, const LoopOptions& options);
// Enters the main loop and runs frames while the game runs.
void Run_MainLoop(const LoopOptions& options);
