#include "Runner/Runner_Main.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Code/Code_Error.h"
#include "DataFile/DataFile_General.h"
#include "DataFile/DataFile_Included.h"
#include "DataFile/DataFile_Load.h"
#include "Font/Font_Class.h"
#include "Graphics/Graphics_Display.h"
#include "Graphics/Graphics_Loading.h"
#include "Graphics/Graphics_Window.h"
#include "IO/IO_Events.h"
#include "IO/IO_Record.h"
#include "Option/Option_Main.h"
#include "Platform/Linux/Platform_CrashDumpM.h"
#include "Platform/Platform_Console.h"
#include "Platform/Platform_Process.h"
#include "Platform/Platform_Timer.h"
#include "Run/Run_Game.h"
#include "Run/Run_Hooks.h"
#include "Run/Run_Profile.h"
#include "Run/Run_State.h"
#include "Runner/Runner_Capture.h"
#include "Runner/Runner_CommandLine.h"
#include "Runner/Runner_Game.h"
#include "Runner/Runner_Prepare.h"
#include "Runner/Runner_Wiring.h"

namespace {

constexpr uint32_t kRandomStartSeed = 2101988;

// The switches in force for this run (set once at process entry).
CommandLineSwitches g_switches;

// The window and the graphics device, with their console lines. False when the device cannot be set up.
bool CreateWindowAndGraphics() {
  Console::Output("Create Window\n");
  Display_CreateWindow(g_General.windowWidth, g_General.windowHeight, g_General.windowFlags, g_switches.headless,
                       g_switches.inAWindow);
  IO_Events_Install();
  Console::Output("Init Graphics\n");
  Console::Output("GR_D3D_Init()\n");
  if (!Display_InitDevice()) return false;
  Console::Output("Background_InitTextures()\n");
  Console::Output("Sprite_InitTextures()\n");
  Console::Output("Font_InitTextures()\n");
  Font_InitTextures();
  Console::Output("Create Score Form\n");
  Console::Output("Create Load Form\n");
  Console::Output("Create Error Form\n");
  Window_PumpMessages();
  Loading_Splash();
  return true;
}

// Loads, passes and prepares the game. False when start-up must end; `exitCode` tells how.
bool StartUp(LoadedGame& game, int& exitCode) {
  if (!RunnerLoadGame(g_switches.gameFile, g_switches, game)) {
    exitCode = 1;
    return false;
  }
  g_RunState.debugMode = g_switches.debug;
  g_RunState.startTime = Timer_WallSeconds();
  const DataView view = game.view();
  try {
    if (game.debugBlock) {
      // The side file only adds source positions: a bad one is set aside, the game still runs.
      try {
        Runner_DebugPrePass(game.debugView());
      } catch (const FileFormatError& e) {
        Console::Output("Ignoring the debug information file: %s\n", e.what());
      }
    }
    DataFile_PrePass(view);
    if (!CreateWindowAndGraphics()) {
      exitCode = 1;
      return false;
    }
    if (g_RunHooks.seedRandom) g_RunHooks.seedRandom(kRandomStartSeed);
    Console::Output("LoadGameData()\n");
    if (!LoadGameData(view)) {
      Console::Output("Failed to load the game\n");
      exitCode = 1;
      return false;
    }
  } catch (const FatalLoadError& e) {
    ReportError(e.what(), true);
    exitCode = 1;
    return false;
  } catch (const FileFormatError& e) {
    Console::Output("Error in data file %s: %s\n", g_switches.gameFile.c_str(), e.what());
    exitCode = 1;
    return false;
  }
  if (g_switches.inAWindow) g_Options.fullScreen = false;
  Runner_ApplyOptions(g_switches);
  if (g_RunHooks.createGlobals) g_RunHooks.createGlobals();
  Console::Output("PrepareGame()\n");
  if (!Prepare_Run()) {
    exitCode = 1;
    return false;
  }
  Console::Output("Run_Start\n");
  if (!g_RunState.running) {
    g_RunState.running = true;
    if (!Run_StartGame()) {
      g_RunState.running = false;
      exitCode = 1;
      return false;
    }
  }
  g_RunState.running = true;
  g_RunState.paused = false;
  return true;
}

void ShutDown() {
  if (g_RunHooks.freeInstances) g_RunHooks.freeInstances();
  if (g_RunHooks.stopSounds) g_RunHooks.stopSounds();
  IncludedFiles_RemoveAndClear();
  IO_StopCapture();
  IO_Events_Shutdown();
  Display_Shutdown();
}

}  // namespace

const CommandLineSwitches& Runner_Switches() { return g_switches; }

int Runner_Main(int argc, char** argv) {
  Platform_SetCommandLine(argc, argv);
  // The console is line-buffered so that every finished line is out even if the process is killed.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
#ifndef TESSERA_SANITIZED
  CrashDump_Install();  // the sanitizers report crashes themselves
#endif
  g_switches = CommandLineSwitches{};
  const std::string beside = Runner_DataWinBesideExecutable();
  if (!beside.empty()) {
    g_switches.gameFile = beside;
  } else {
    std::string problem;
    if (!CommandLine_Parse(CommandLine_Tokenise(CommandLine_Join(argc, argv)), g_switches, &problem)) {
      std::fprintf(stderr, "tessera: %s\n", problem.c_str());
      return 1;
    }
  }
  if (g_switches.gameFile.empty()) {
    g_switches.gameFile = Runner_AskForGameFile();
    if (g_switches.gameFile.empty()) return 1;
  }

  Runner_CheckCaptureFiles(g_switches);
  RunState_Reset();
  Runner_WireSubsystems(g_switches);

  LoadedGame game;
  int exitCode = 0;
  const bool started = StartUp(game, exitCode);
  if (started) {
    LoopOptions loop;
    loop.noSleep = g_switches.noSleep;
    loop.frames = g_switches.frames;
    loop.headless = g_switches.headless;
    g_FrameProfile.enabled = g_switches.profile;
    Run_MainLoop(loop);
    Profile_Report();
    if (!g_switches.screenshotFile.empty()) Runner_SaveScreenshot(g_switches.screenshotFile);
  }
  if (started || g_RunState.roomEntered) Run_EndGame();
  ShutDown();
  Console::Flush();
  if (g_RunState.newRoom == kRequestEndAfterError) return 1;
  return exitCode;
}
