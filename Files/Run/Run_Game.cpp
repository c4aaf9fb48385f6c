#include "Run/Run_Game.h"

#include "Platform/Platform_Console.h"
#include "Platform/Platform_Memory.h"
#include "Platform/Platform_Timer.h"
#include "Run/Run_Hooks.h"
#include "Run/Run_Profile.h"
#include "Run/Run_State.h"
#include "Run/Run_Step.h"

RunHooks g_RunHooks;

namespace {

bool g_debuggerFormCreated = false;

void Pump() {
  if (g_RunHooks.pumpMessages) g_RunHooks.pumpMessages();
}

// Acts on the new-room request at the end of a frame.
void ActOnRequest() {
  const int32_t request = g_RunState.newRoom;
  switch (request) {
    case kNoRequest:
      return;
    case kRequestEndGame:
    case kRequestEndAfterError:
      g_RunState.running = false;
      return;
    case kRequestLoadGame:
      g_RunState.newRoom = kNoRequest;
      if (g_RunHooks.clearInputState) g_RunHooks.clearInputState();
      if (g_RunHooks.loadSavedGame) g_RunHooks.loadSavedGame();
      return;
    case kRequestRestart:
      g_RunState.newRoom = kNoRequest;
      Run_EndGame();
      Run_StartGame();
      return;
    default:
      if (g_RunHooks.changeRoom) {
        g_RunHooks.changeRoom(request);
      } else {
        g_RunState.newRoom = kNoRequest;
      }
      return;
  }
}

}  // namespace

bool Run_StartGame() {
  Console::Output("StartGame()\n");
  Timer_Clock().Reset();
  if (g_RunHooks.resetObjectLists) g_RunHooks.resetObjectLists();
  g_RunState.score = 0;
  g_RunState.lives = -1;
  g_RunState.cursorSprite = -1;
  g_RunState.stepCounter = 0;
  g_RunState.transitionKind = 0;
  g_RunState.roomEntered = false;
  if (!g_debuggerFormCreated) {
    Console::Output("Create Debug Form\n");
    g_debuggerFormCreated = true;
  }
  if (g_RunHooks.runLibraryCode && !g_RunHooks.runLibraryCode()) return false;
  if (g_RunHooks.extensionsInitialise && !g_RunHooks.extensionsInitialise()) return false;
  if (g_RunHooks.resetRoomStates) g_RunHooks.resetRoomStates();
  if (g_RunHooks.enterFirstRoom) g_RunHooks.enterFirstRoom();
  Console::Output("StartGame() - DONE\n");
  MemoryManager::DumpTotal();
  return true;
}

void Run_EndGame() {
  if (g_RunState.roomEntered && g_RunHooks.leaveRoom) g_RunHooks.leaveRoom(true);
  if (g_RunHooks.freeRoomStates) g_RunHooks.freeRoomStates();
  if (g_RunHooks.extensionsFinalise) g_RunHooks.extensionsFinalise();
  if (g_RunHooks.freeGameData) g_RunHooks.freeGameData();
}

int32_t Run_Frame(FrameTiming& timing, const LoopOptions& options) {
  IClock& clock = Timer_Clock();
  if (g_RunHooks.roomSpeed) g_RunState.roomSpeed = g_RunHooks.roomSpeed();
  const int64_t now = clock.Micros();
  const int64_t wait = Pacing_FrameWait(timing, now, g_RunState.roomSpeed);
  g_RunState.fps = timing.fps;
  if (!options.noSleep) Timer_Wait(clock, wait, Pump);
  if (g_RunHooks.updateAudio) g_RunHooks.updateAudio();

  if (!g_RunState.paused) {
    if (g_RunHooks.beginFrame) g_RunHooks.beginFrame();
    const int64_t stepStart = g_FrameProfile.enabled ? Profile_Now() : 0;
    Run_GameStep();
    if (g_FrameProfile.enabled) g_FrameProfile.stepMicros += Profile_Now() - stepStart;
    if (g_RunHooks.clearInputEdges) g_RunHooks.clearInputEdges();
    // Without a window there is no one to resume a pause, so a headless game never pauses.
    if (g_RunState.pauseRequested) g_RunState.pauseRequested = false;
    if (options.frames >= 0 && timing.frameCount >= options.frames && g_RunState.newRoom == kNoRequest) {
      g_RunState.newRoom = kRequestEndGame;
    }
    const bool present = g_RunState.newRoom == kNoRequest && g_RunState.automaticDraw;
    const int64_t endStart = g_FrameProfile.enabled ? Profile_Now() : 0;
    if (g_RunHooks.endFrame) g_RunHooks.endFrame(present);
    if (g_FrameProfile.enabled) {
      g_FrameProfile.endFrameMicros += Profile_Now() - endStart;
      g_FrameProfile.frames += 1;
    }
    ActOnRequest();
  }
  return g_RunState.roomSpeed;
}

void Run_MainLoop(const LoopOptions& options) {
  FrameTiming timing;
  Timer_Clock().Reset();
  Pacing_Start(timing, Timer_Clock().Micros());
  Pump();
  Console::Output("**********************************.\n");
  Console::Output("Entering main loop.\n");
  Console::Output("**********************************.\n");
  g_RunState.previousStepTime = Timer_Clock().Micros();
  if (options.frames == 0) g_RunState.running = false;
  while (g_RunState.running) {
    Run_Frame(timing, options);
    Pump();
  }
}
