#include "Run/Run_Save.h"

#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "../Variable/BuiltInTestWorld.h"
#include "Function/Function_Exercise.h"
#include "Runner/Runner_Folders.h"
#include "Support/Support_Stream.h"

namespace {

constexpr int32_t kGlobalA = 100001;
constexpr int32_t kVarX = 100003;
constexpr int32_t kVarText = 100004;

class SaveGameTest : public BuiltInWorldTest {
 public:
  void SetUp() override {
    BuiltInWorldTest::SetUp();
    g_General.gameId = 4242;
    AddObject(0, EV_OTHER, EV_ROOM_START, "score += 1000");  // must not run on load
    AddObject(0, EV_CREATE, 0, "score += 1000");

    // The room being played: two instances with state and variables.
    CRoom* room = Room_Current();
    room->caption = "Start";
    room->backgrounds[2].x = 7;
    a = Create(10, 20);
    a->alarm[3] = 5;
    a->variables.Set(kVarX, 0, RValue(8.5));
    a->variables.Set(kVarText, 2, RValue("hello"));
    b = Create(30, 40);
    World_SetDepth(b, -3);
    aId = a->id;
    bId = b->id;

    // A persistent room left earlier: its instance is frozen in the state only.
    auto* stored = new CRoom();
    stored->persistent = true;
    stored->caption = "Vault";
    stored->active.Append(new CInstance(1, 2, 200, 0, false));
    Room_SetState(1, stored);

    g_pGlobalVariables->Set(kGlobalA, 0, RValue(42.0));
    g_RunState.score = 77;
    g_RunState.lives = 3;
    g_RunState.health = 55.5;
    g_RunState.cursorSprite = 4;
    g_RunState.stepCounter = 123;
    g_RunState.automaticDraw = false;
    World_SetLastId(100010);
    Room_SetLastTileId(5000);
  }

  // Changes everything the save holds.
  void ChangeTheGame() {
    g_RunState.score = 1;
    g_RunState.lives = 9;
    g_RunState.health = 1;
    g_RunState.stepCounter = 999;
    g_RunState.automaticDraw = true;
    a->SetPosition(99, 99);
    a->variables.Set(kVarX, 0, RValue(-1.0));
    Create(5, 5);
    g_pGlobalVariables->Set(kGlobalA, 0, RValue(1.0));
    World_SetLastId(100050);
    Room_SetLastTileId(1);
    EnterRoom(1);  // a fresh room 1 replaces the stored one
    Create(3, 3);
  }

  // What must stay unchanged when a load is refused: a fingerprint of the running game.
  std::string Fingerprint() {
    std::string f = std::to_string(g_RunState.currentRoom) + "/" + std::to_string(g_RunState.score) + "/" +
                    std::to_string(g_RunState.stepCounter) + "/" + std::to_string(World_LastId()) + "/" +
                    std::to_string(Room_LastTileId()) + "/";
    for (CInstance* i = World_Active().head; i != nullptr; i = i->next) {
      f += std::to_string(i->id) + "@" + std::to_string(i->x) + (World_Find(i->id) == i ? "+" : "-") + ",";
    }
    RValue g;
    g_pGlobalVariables->Get(kGlobalA, 0, &g);
    f += "/" + std::to_string(g.real) + "/" + std::to_string(Room_StateCount());
    return f;
  }

  void GameFunctionsThroughTheSaveFolder();
  void EndAndRestartRequests();

  CInstance* a = nullptr;
  CInstance* b = nullptr;
  int32_t aId = 0;
  int32_t bId = 0;
};

// The fixture's world outside a TEST_F (the registry's exercises run in a plain test).
struct SaveWorld : SaveGameTest {
  SaveWorld() { SetUp(); }
  ~SaveWorld() override { TearDown(); }
  void TestBody() override {}
};

}  // namespace

TEST_F(SaveGameTest, ARoundTripRestoresRoomsVariablesInstancesAndIds) {
  CStream image;
  SaveGame_Write(&image);
  ChangeTheGame();
  ASSERT_EQ(g_RunState.currentRoom, 1);

  EXPECT_EQ(SaveGame_Read(&image), LoadGameResult::Loaded);
  EXPECT_FALSE(ErrorOccurred());
  EXPECT_EQ(g_RunState.currentRoom, 0);
  EXPECT_EQ(Room_Current(), Room_State(0));
  EXPECT_EQ(Room_Current()->caption, "Start");
  EXPECT_EQ(Room_Current()->backgrounds[2].x, 7);
  EXPECT_EQ(g_RunState.score, 77);  // and no create or room start event ran
  EXPECT_EQ(g_RunState.lives, 3);
  EXPECT_EQ(g_RunState.health, 55.5);
  EXPECT_EQ(g_RunState.cursorSprite, 4);
  EXPECT_EQ(g_RunState.stepCounter, 123);
  EXPECT_FALSE(g_RunState.automaticDraw);
  EXPECT_EQ(World_LastId(), 100010);
  EXPECT_EQ(Room_LastTileId(), 5000);
  RValue g;
  g_pGlobalVariables->Get(kGlobalA, 0, &g);
  EXPECT_EQ(g.real, 42);

  // The instances in their list order (b was moved in front by its depth), back in the id index.
  CInstance* first = World_Active().head;
  ASSERT_NE(first, nullptr);
  ASSERT_NE(first->next, nullptr);
  EXPECT_EQ(first->next->next, nullptr);
  EXPECT_EQ(first->id, bId);
  EXPECT_EQ(first->next->id, aId);
  CInstance* loaded = World_Find(aId);
  ASSERT_EQ(loaded, first->next);
  EXPECT_EQ(loaded->x, 10);
  EXPECT_EQ(loaded->y, 20);
  EXPECT_EQ(loaded->alarm[3], 5);
  RValue v;
  loaded->variables.Get(kVarX, 0, &v);
  EXPECT_EQ(v.real, 8.5);
  loaded->variables.Get(kVarText, 2, &v);
  EXPECT_STREQ(v.Str(), "hello");
  EXPECT_EQ(World_Find(bId), first);
  EXPECT_EQ(World_Find(100050), nullptr);  // the instance made after saving is gone
  // Rejoined to its object's lists.
  const CObject* object = Object_Find(0);
  EXPECT_EQ(object->instances.size(), 2u);

  // The persistent room came back frozen: in its state, not in the id index.
  ASSERT_NE(Room_State(1), nullptr);
  EXPECT_EQ(Room_State(1)->caption, "Vault");
  ASSERT_NE(Room_State(1)->active.head, nullptr);
  EXPECT_EQ(Room_State(1)->active.head->id, 200);
  EXPECT_EQ(World_Find(200), nullptr);
}

TEST_F(SaveGameTest, ATruncatedOrDamagedSaveChangesNothing) {
  CStream image;
  SaveGame_Write(&image);
  const int64_t size = image.GetPosition();
  std::vector<uint8_t> bytes(image.GetBuffer(), image.GetBuffer() + size);
  ChangeTheGame();
  const std::string before = Fingerprint();

  // Every cut short of the whole file is refused, whichever part it falls in.
  for (int64_t cut = 8; cut < size; cut += 5) {
    CStream shorter;
    shorter.WriteBuffer(bytes.data(), cut);
    ResetErrorReporter();
    ASSERT_EQ(SaveGame_Read(&shorter), LoadGameResult::Damaged) << "cut at " << cut;
    ASSERT_EQ(Fingerprint(), before) << "cut at " << cut;
  }
  EXPECT_STREQ(LastErrorText(), "Cannot load the saved game: the file is damaged.");

  // A room state whose marker is wrong: the second room state's 540 is overwritten.
  std::vector<uint8_t> damaged = bytes;
  int found = 0;
  for (size_t at = 8; at + 4 <= damaged.size(); ++at) {
    int32_t word;
    std::memcpy(&word, &damaged[at], 4);
    if (word == kSaveGameVersion && ++found == 2) {
      damaged[at] = 0x21;
      break;
    }
  }
  ASSERT_EQ(found, 2);
  CStream bad;
  bad.WriteBuffer(damaged.data(), int64_t(damaged.size()));
  EXPECT_EQ(SaveGame_Read(&bad), LoadGameResult::Damaged);
  EXPECT_EQ(Fingerprint(), before);

  // The whole file still loads.
  CStream whole;
  whole.WriteBuffer(bytes.data(), size);
  EXPECT_EQ(SaveGame_Read(&whole), LoadGameResult::Loaded);
  EXPECT_EQ(g_RunState.currentRoom, 0);
}

TEST_F(SaveGameTest, SavesOfAnotherGameOrVersionAreRefused) {
  CStream image;
  SaveGame_Write(&image);
  ChangeTheGame();
  const std::string before = Fingerprint();

  g_General.gameId = 4243;
  EXPECT_EQ(SaveGame_Read(&image), LoadGameResult::WrongGame);
  EXPECT_STREQ(LastErrorText(), "This is a save file for a different game!");
  EXPECT_EQ(Fingerprint(), before);

  g_General.gameId = 4242;
  CStream other;
  other.WriteInteger(541);
  other.WriteInteger(4242);
  EXPECT_EQ(SaveGame_Read(&other), LoadGameResult::WrongVersion);
  EXPECT_STREQ(LastErrorText(), "Cannot load game saved with other version.");
  EXPECT_EQ(Fingerprint(), before);
}

void SaveGameTest::GameFunctionsThroughTheSaveFolder() {
  char folder[] = "/tmp/tessera-save-XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const char* oldXdg = std::getenv("XDG_DATA_HOME");
  const std::string keep = oldXdg != nullptr ? oldXdg : "";
  ::setenv("XDG_DATA_HOME", folder, 1);
  g_General.displayName = "SaveTest";

  RValue result;
  RValue name("slot1.sav");
  int id = -1;
  ASSERT_TRUE(FindFunction("game_save", &id));
  CallFunction(id, result, a, a, 1, &name);
  EXPECT_EQ(result.real, 1);
  const std::string path = std::string(folder) + "/SaveTest/slot1.sav";
  struct stat st{};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  // No temporary file is left beside it.
  int entries = 0;
  if (DIR* dir = ::opendir((std::string(folder) + "/SaveTest").c_str())) {
    while (const dirent* e = ::readdir(dir)) entries += e->d_name[0] != '.';
    ::closedir(dir);
  }
  EXPECT_EQ(entries, 1);

  ChangeTheGame();
  ASSERT_TRUE(FindFunction("game_load", &id));
  CallFunction(id, result, a, a, 1, &name);
  EXPECT_EQ(result.real, 1);
  EXPECT_EQ(g_RunState.newRoom, kRequestLoadGame);
  EXPECT_EQ(SaveGame_RememberedPath(), path);
  g_RunState.newRoom = kNoRequest;
  SaveGame_LoadRemembered();  // what the end of the frame does for -300
  EXPECT_EQ(g_RunState.currentRoom, 0);
  EXPECT_EQ(g_RunState.score, 77);

  // The actions do the same.
  RValue second("slot2.sav");
  ASSERT_TRUE(FindFunction("action_save_game", &id));
  CallFunction(id, result, nullptr, nullptr, 1, &second);
  EXPECT_EQ(result.real, 1);
  ASSERT_TRUE(FindFunction("action_load_game", &id));
  CallFunction(id, result, nullptr, nullptr, 1, &second);
  EXPECT_EQ(g_RunState.newRoom, kRequestLoadGame);
  g_RunState.newRoom = kNoRequest;
  ::unlink((std::string(folder) + "/SaveTest/slot2.sav").c_str());
  ASSERT_TRUE(FindFunction("game_load", &id));

  RValue missing("nothing_here.sav");
  const std::string out = ConsoleOf([&] { CallFunction(id, result, nullptr, nullptr, 1, &missing); });
  EXPECT_EQ(result.real, 0);
  EXPECT_EQ(out, "game_load - unable to find file nothing_here.sav\n");
  EXPECT_EQ(g_RunState.newRoom, kNoRequest);

  // A folder that cannot be written: the save reports failure.
  RValue unwritable("/proc/tessera-no/slot.sav");
  ASSERT_TRUE(FindFunction("game_save", &id));
  ConsoleOf([&] { CallFunction(id, result, nullptr, nullptr, 1, &unwritable); });
  EXPECT_EQ(result.real, 0);

  ::unlink(path.c_str());
  ::rmdir((std::string(folder) + "/SaveTest").c_str());
  ::rmdir(folder);
  if (oldXdg != nullptr) {
    ::setenv("XDG_DATA_HOME", keep.c_str(), 1);
  } else {
    ::unsetenv("XDG_DATA_HOME");
  }
  g_General.displayName.clear();
}

void SaveGameTest::EndAndRestartRequests() {
  RValue result;
  int id = -1;
  ASSERT_TRUE(FindFunction("game_end", &id));
  CallFunction(id, result, nullptr, nullptr, 0, nullptr);
  EXPECT_EQ(g_RunState.newRoom, kRequestEndGame);
  ASSERT_TRUE(FindFunction("action_restart_game", &id));
  CallFunction(id, result, nullptr, nullptr, 0, nullptr);
  EXPECT_EQ(g_RunState.newRoom, kRequestRestart);
  ASSERT_TRUE(FindFunction("action_end_game", &id));
  CallFunction(id, result, a, a, 0, nullptr);
  EXPECT_EQ(g_RunState.newRoom, kRequestEndGame);
  ASSERT_TRUE(FindFunction("game_restart", &id));
  CallFunction(id, result, a, a, 0, nullptr);
  EXPECT_EQ(g_RunState.newRoom, kRequestRestart);

  // The relative flag the actions use is what argument_relative reads.
  RValue flag(0.5);
  ASSERT_TRUE(FindFunction("action_set_relative", &id));
  CallFunction(id, result, a, a, 1, &flag);
  EXPECT_EQ(Get(nullptr, "argument_relative"), 1);
  flag.SetReal(0.4);
  CallFunction(id, result, a, a, 1, &flag);
  EXPECT_EQ(Get(nullptr, "argument_relative"), 0);
}

TEST_F(SaveGameTest, GameFunctionsWriteAndRequestThroughTheSaveFolder) { GameFunctionsThroughTheSaveFolder(); }
TEST_F(SaveGameTest, EndAndRestartAreRequestsForTheEndOfTheFrame) { EndAndRestartRequests(); }

const RegisterExercise kSaveGameFunctions({"game_save", "game_load", "action_save_game", "action_load_game"}, [] {
  SaveWorld world;
  world.GameFunctionsThroughTheSaveFolder();
});
const RegisterExercise kEndFunctions({"game_end", "game_restart", "action_end_game", "action_restart_game"}, [] {
  SaveWorld world;
  world.EndAndRestartRequests();
});
