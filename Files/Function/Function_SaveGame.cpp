// Ending, restarting, saving and loading the game, and the matching actions.
#include <string>

#include "Function/Function_Register.h"
#include "Platform/Platform_Console.h"
#include "Run/Run_Save.h"
#include "Run/Run_State.h"
#include "Runner/Runner_Folders.h"

namespace {

// The end and the restart take effect at the end of the frame.
void F_GameEnd(RValue& result, CInstance*, CInstance*, int, RValue*) {
  g_RunState.newRoom = kRequestEndGame;
  result.SetReal(0);
}

void F_GameRestart(RValue& result, CInstance*, CInstance*, int, RValue*) {
  g_RunState.newRoom = kRequestRestart;
  result.SetReal(0);
}

// Written at once, not at the end of the step.
void F_GameSave(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  const std::string name = FunctionArgument(argc, args, 0).Str();
  const std::string path = name.empty() ? std::string() : Folders_MapForWrite(name);
  if (path.empty() || !SaveGame_WriteFile(path)) {
    Console::Output("game_save - unable to write file %s\n", name.c_str());
    result.SetReal(0);
    return;
  }
  result.SetReal(1);
}

void F_GameLoad(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  result.SetReal(SaveGame_RequestLoad(FunctionArgument(argc, args, 0).Str()) ? 1.0 : 0.0);
}

}  // namespace

void Function_SaveGame_Bind() {
  ImplementFunction("game_end", F_GameEnd);
  ImplementFunction("game_restart", F_GameRestart);
  ImplementFunction("game_save", F_GameSave);
  ImplementFunction("game_load", F_GameLoad);
  ImplementFunction("action_end_game", F_GameEnd);
  ImplementFunction("action_restart_game", F_GameRestart);
  ImplementFunction("action_save_game", F_GameSave);
  ImplementFunction("action_load_game", F_GameLoad);
}
