#include "Run/Run_Save.h"

#include <sys/stat.h>

#include <algorithm>
#include <vector>

#include "Code/Code_Error.h"
#include "DataFile/DataFile_General.h"
#include "Platform/Platform_Console.h"
#include "Room/Room_Class.h"
#include "Room/Room_Main.h"
#include "Run/Run_State.h"
#include "Run/Run_World.h"
#include "Runner/Runner_Folders.h"
#include "Support/Support_Stream.h"
#include "Variable/Variable_Global.h"
#include "Variable/Variable_List.h"

namespace {

std::string g_rememberedPath;

constexpr const char* kWrongVersion = "Cannot load game saved with other version.";
constexpr const char* kWrongGame = "This is a save file for a different game!";
constexpr const char* kDamaged = "Cannot load the saved game: the file is damaged.";

bool FileExists(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Frees a state read from a save that was never installed: its instances are in its lists only.
void FreeDetached(CRoom* state) {
  if (state == nullptr) return;
  for (CInstanceList* list : {&state->active, &state->deactivated}) {
    while (list->head != nullptr) {
      CInstance* instance = list->head;
      list->Unlink(instance);
      delete instance;
    }
  }
  delete state;
}

// Checks the global-state block without applying it (the same checks Variable_LoadGlobals makes).
bool SkipGlobals(CStream* stream) {
  if (stream->ReadInteger() != kGlobalStateVersion || stream->Failed()) return false;
  {
    CVariableList scratch;
    if (!scratch.Load(stream)) return false;
  }
  const int32_t count = stream->ReadInteger();
  if (stream->Failed() || count < 0 || count > stream->Remaining()) return false;
  stream->Seek(count, CStream::SEEK_FROM_CURRENT);
  return !stream->Failed();
}

// Everything a save file holds, read and checked before any of it is applied.
struct SavedGame {
  int32_t room = -1;
  int32_t score = 0;
  int32_t lives = 0;
  double health = 0;
  int32_t cursorSprite = -1;
  int32_t stepCounter = 0;
  bool automaticDraw = true;
  int64_t globalsAt = 0;
  std::vector<CRoom*> states;  // detached states, null for rooms without a stored state
  int32_t lastInstanceId = 0;
  int32_t lastTileId = 0;

  SavedGame() = default;
  SavedGame(const SavedGame&) = delete;
  SavedGame& operator=(const SavedGame&) = delete;
  ~SavedGame() {
    for (CRoom* state : states) FreeDetached(state);
  }
};

// Replaces the whole room-state table with the states read from a save: the running states are
// freed with their instances (the world lets go of the current room's lists first), and the saved
// current room is resumed without any event.
void InstallStates(std::vector<CRoom*>& states, int32_t currentRoom) {
  World_SetLists(nullptr, nullptr);
  const int32_t count = static_cast<int32_t>(states.size());
  const int32_t slots = std::max(count, Room_StateCount());
  for (int32_t r = 0; r < slots; ++r) Room_SetState(r, r < count ? states[static_cast<size_t>(r)] : nullptr);
  states.clear();  // the table owns them now
  Room_ResumeLoaded(currentRoom);
}

LoadGameResult Refuse(LoadGameResult result, const char* message) {
  ReportError(message, false);
  return result;
}

}  // namespace

void SaveGame_Write(CStream* stream) {
  stream->WriteInteger(kSaveGameVersion);
  stream->WriteInteger(g_General.gameId);
  stream->WriteInteger(g_RunState.currentRoom);
  stream->WriteInteger(g_RunState.transitionKind);
  stream->WriteInteger(g_RunState.score);
  stream->WriteInteger(g_RunState.lives);
  stream->WriteReal(g_RunState.health);
  stream->WriteInteger(g_RunState.cursorSprite);
  stream->WriteInteger(g_RunState.stepCounter);
  stream->WriteBoolean(g_RunState.automaticDraw);
  Variable_SaveGlobals(stream);
  const int32_t count = Room_StateCount();
  stream->WriteInteger(count);
  for (int32_t r = 0; r < count; ++r) {
    CRoom* state = Room_State(r);
    stream->WriteBoolean(state != nullptr);
    if (state != nullptr) Room_SaveState(stream, state);
  }
  stream->WriteInteger(World_LastId());
  stream->WriteInteger(Room_LastTileId());
}

bool SaveGame_WriteFile(const std::string& path) {
  CStream stream;
  SaveGame_Write(&stream);
  return stream.SaveToFile(path.c_str());
}

LoadGameResult SaveGame_Read(CStream* stream) {
  stream->Seek(0, CStream::SEEK_FROM_START);
  stream->ClearErrors();
  const int32_t version = stream->ReadInteger();
  if (stream->Failed()) return Refuse(LoadGameResult::Damaged, kDamaged);
  if (version != kSaveGameVersion) return Refuse(LoadGameResult::WrongVersion, kWrongVersion);
  const int32_t gameId = stream->ReadInteger();
  if (stream->Failed()) return Refuse(LoadGameResult::Damaged, kDamaged);
  if (gameId != g_General.gameId) return Refuse(LoadGameResult::WrongGame, kWrongGame);

  // Read and check everything first.
  SavedGame saved;
  saved.room = stream->ReadInteger();
  stream->ReadInteger();  // the transition kind: transitions are not drawn, it is always 0
  saved.score = stream->ReadInteger();
  saved.lives = stream->ReadInteger();
  saved.health = stream->ReadReal();
  saved.cursorSprite = stream->ReadInteger();
  saved.stepCounter = stream->ReadInteger();
  saved.automaticDraw = stream->ReadBoolean();
  if (stream->Failed()) return Refuse(LoadGameResult::Damaged, kDamaged);
  saved.globalsAt = stream->GetPosition();
  if (!SkipGlobals(stream)) return Refuse(LoadGameResult::Damaged, kDamaged);

  const int32_t count = stream->ReadInteger();
  // Each room takes at least its 4-byte stored flag.
  if (stream->Failed() || count < 0 || int64_t(count) * 4 > stream->Remaining()) {
    return Refuse(LoadGameResult::Damaged, kDamaged);
  }
  saved.states.assign(static_cast<size_t>(count), nullptr);
  for (int32_t r = 0; r < count; ++r) {
    const bool stored = stream->ReadBoolean();
    if (stream->Failed()) return Refuse(LoadGameResult::Damaged, kDamaged);
    if (!stored) continue;
    CRoom* state = Room_LoadState(stream);
    if (state == nullptr || stream->Failed()) {
      FreeDetached(state);
      return Refuse(LoadGameResult::Damaged, kDamaged);
    }
    saved.states[static_cast<size_t>(r)] = state;
  }
  saved.lastInstanceId = stream->ReadInteger();
  saved.lastTileId = stream->ReadInteger();
  if (stream->Failed()) return Refuse(LoadGameResult::Damaged, kDamaged);
  // The game must have a state for the room it goes on in, and that room must exist.
  if (saved.room < 0 || saved.room >= count || saved.states[static_cast<size_t>(saved.room)] == nullptr ||
      !Room_Exists(saved.room)) {
    return Refuse(LoadGameResult::Damaged, kDamaged);
  }

  // Sound: apply. The global block was checked above, so loading it again succeeds.
  const int64_t end = stream->GetPosition();
  stream->Seek(saved.globalsAt, CStream::SEEK_FROM_START);
  Variable_LoadGlobals(stream);
  stream->Seek(end, CStream::SEEK_FROM_START);

  g_RunState.currentRoom = saved.room;
  g_RunState.transitionKind = 0;
  g_RunState.score = saved.score;
  g_RunState.lives = saved.lives;
  g_RunState.health = saved.health;
  g_RunState.cursorSprite = saved.cursorSprite;
  g_RunState.stepCounter = saved.stepCounter;
  g_RunState.automaticDraw = saved.automaticDraw;
  InstallStates(saved.states, saved.room);
  g_RunState.roomEntered = true;
  World_SetLastId(saved.lastInstanceId);
  Room_SetLastTileId(saved.lastTileId);
  return LoadGameResult::Loaded;
}

bool SaveGame_RequestLoad(const std::string& name) {
  const std::string path = Folders_FindForRead(name);
  if (name.empty() || !FileExists(path)) {
    Console::Output("game_load - unable to find file %s\n", name.c_str());
    return false;
  }
  g_rememberedPath = path;
  g_RunState.newRoom = kRequestLoadGame;
  return true;
}

void SaveGame_LoadRemembered() {
  CStream stream;
  if (g_rememberedPath.empty() || !stream.LoadFromFile(g_rememberedPath.c_str())) return;
  SaveGame_Read(&stream);
}

const std::string& SaveGame_RememberedPath() { return g_rememberedPath; }
