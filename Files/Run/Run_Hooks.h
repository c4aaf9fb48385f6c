// The places where the spine of the runner hands over to the subsystems that own the work: rooms,
// code, input, audio, extensions. A subsystem that exists sets its entry; an empty entry means the
// subsystem has nothing to do (it is not built into this runner yet, or the game has none).
#pragma once
#include <cstdint>

struct RunHooks {
  // Start-up.
  void (*seedRandom)(uint32_t seed) = nullptr;
  void (*createGlobals)() = nullptr;          // a fresh global variable list and its flags
  void (*resetObjectLists)() = nullptr;       // the per-object instance lists
  bool (*runLibraryCode)() = nullptr;         // the game's library initialisation code
  bool (*extensionsInitialise)() = nullptr;   // false stops the start
  void (*extensionsFinalise)() = nullptr;
  void (*resetRoomStates)() = nullptr;        // size the table of room states and empty it
  void (*freeRoomStates)() = nullptr;
  void (*freeGameData)() = nullptr;           // what game code made: open files, collections
  // Rooms.
  void (*enterFirstRoom)() = nullptr;         // with the game-start flag
  void (*leaveRoom)(bool gameEnd) = nullptr;  // room end (and game end) events
  void (*changeRoom)(int32_t room) = nullptr;
  void (*loadSavedGame)() = nullptr;          // the remembered save file (request -300)
  int32_t (*roomSpeed)() = nullptr;           // the current room's speed
  // Frame.
  void (*updateAudio)() = nullptr;
  void (*clearInputEdges)() = nullptr;
  void (*clearInputState)() = nullptr;
  void (*asyncEvents)() = nullptr;            // finished asynchronous work, in the other-events stage
  void (*beginFrame)() = nullptr;
  void (*endFrame)(bool present) = nullptr;
  void (*pumpMessages)() = nullptr;
  void (*freeInstances)() = nullptr;
  void (*stopSounds)() = nullptr;
};

extern RunHooks g_RunHooks;
