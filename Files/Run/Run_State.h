// The run state: one set, global to the runner.
#pragma once
#include <cstdint>

// New-room request values besides a room index.
enum NewRoomRequest : int32_t {
  kNoRequest = -1,
  kRequestEndGame = -100,
  kRequestRestart = -200,
  kRequestLoadGame = -300,
  kRequestEndAfterError = -400,
};

struct RunState {
  bool running = false;
  bool paused = false;
  bool pauseRequested = false;
  int32_t newRoom = kNoRequest;
  int32_t currentRoom = -1;
  bool roomEntered = false;       // a room has been entered since the game started
  int32_t score = 0;
  int32_t lives = -1;
  double health = 100;
  int32_t cursorSprite = -1;
  int32_t stepCounter = 0;
  int32_t transitionKind = 0;
  bool automaticDraw = true;
  uint64_t eventPassCounter = 0;
  bool debugMode = false;
  int32_t roomSpeed = 30;         // the speed of the current room (30 until rooms exist)
  double startTime = 0;           // wall-clock seconds when the game was loaded
  int64_t stepDeltaMicros = 0;    // time since the previous step
  int64_t previousStepTime = 0;
  int64_t fps = 0;                // frames drawn in the last whole second (built-in fps)
};

extern RunState g_RunState;

// Resets every item to its start value.
void RunState_Reset();
