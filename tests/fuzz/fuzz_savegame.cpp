// Feeds arbitrary bytes to the saved-game reader against a small running game (two rooms, one
// instance). Whatever the bytes, the read must not crash or allocate without bound; a refused file
// must leave the running game exactly as it was, and an accepted one must leave a game that saves
// again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Code/Code_Error.h"
#include "DataFile/DataFile_General.h"
#include "Platform/Platform_Console.h"
#include "Room/Room_Class.h"
#include "Room/Room_Main.h"
#include "Run/Run_Save.h"
#include "Run/Run_State.h"
#include "Run/Run_World.h"
#include "Support/Support_Stream.h"
#include "Variable/Variable_Global.h"

namespace {

void StartGame() {
  RunState_Reset();
  Variable_PrepareGlobals();
  World_Install();
  Room_ResetTable(2);
  Room_SetDefinition(0, new CRoom(), "a");
  Room_SetDefinition(1, new CRoom(), "b");
  auto* state = new CRoom();
  Room_SetState(0, state);
  Room_ResumeLoaded(0);
  World_SetLastId(100000);
  World_CreateInstance(4, 5, 0);
  g_RunState.score = 11;
}

void EndGame() {
  Room_FreeStates();
  World_FreeAll();
  World_ForgetAll();
  Room_FreeTable();
  Variable_FreeGlobals();
}

std::string Fingerprint() {
  std::string f = std::to_string(g_RunState.currentRoom) + "/" + std::to_string(g_RunState.score) + "/" +
                  std::to_string(World_LastId()) + "/" + std::to_string(Room_StateCount()) + "/" +
                  std::to_string(g_pGlobalVariables->Count());
  for (CInstance* i = World_Active().head; i != nullptr; i = i->next) {
    f += "," + std::to_string(i->id) + (World_Find(i->id) == i ? "+" : "-");
  }
  return f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool once = [] {
    Console::SetMuted(true);
    return true;
  }();
  (void)once;
  ResetErrorReporter();
  g_General.gameId = 0;
  StartGame();
  const std::string before = Fingerprint();

  CStream stream;
  stream.WriteBuffer(data, static_cast<int64_t>(size));
  if (SaveGame_Read(&stream) == LoadGameResult::Loaded) {
    CStream again;
    SaveGame_Write(&again);
    again.Seek(0, CStream::SEEK_FROM_START);
    if (SaveGame_Read(&again) != LoadGameResult::Loaded) std::abort();
  } else if (Fingerprint() != before) {
    std::abort();
  }
  EndGame();
  return 0;
}
