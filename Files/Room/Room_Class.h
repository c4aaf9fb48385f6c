// Rooms: the definition read from the ROOM chunk and the runtime room state built from it. Both have
// the same shape; a state also holds the room's instance lists and refers to its definition.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Run/Run_World.h"

class CCode;
class CStream;

inline constexpr int kRoomBackgroundCount = 8;
inline constexpr int kRoomViewCount = 8;

struct CBackgroundLayer {
  bool visible = false;
  bool foreground = false;
  int32_t index = -1;
  float x = 0;
  float y = 0;
  bool htiled = true;
  bool vtiled = true;
  float hspeed = 0;
  float vspeed = 0;
  float xscale = 1;
  float yscale = 1;
  int32_t blend = 0xFFFFFF;
  float alpha = 1;
};

struct CView {
  bool visible = false;
  int32_t xview = 0, yview = 0, wview = 640, hview = 480;
  int32_t xport = 0, yport = 0, wport = 640, hport = 480;
  float angle = 0;
  int32_t hborder = 32, vborder = 32;
  int32_t hspeed = -1, vspeed = -1;  // -1: unlimited
  int32_t object = -1;               // object index, an instance id above 99999, -1 none
  int32_t surface = -1;
};

struct CTile {
  float x = 0, y = 0;
  int32_t background = -1;
  int32_t left = 0, top = 0, width = 0, height = 0;
  float depth = 0;
  int32_t id = 0;
  float xscale = 1, yscale = 1;
  int32_t blend = 0xFFFFFF;
  float alpha = 1;
  bool visible = true;
};

// An instance placed in a room definition.
struct CRoomInstance {
  int32_t x = 0, y = 0;
  int32_t objectIndex = 0;
  int32_t id = 0;
  std::shared_ptr<CCode> code;  // creation code, or none
  std::string source;           // its text (source games)
  float xscale = 1, yscale = 1;
  uint32_t blend = 0xFFFFFF;
  float alpha = 1;
  float angle = 0;
};

class CRoom {
 public:
  CRoom() = default;
  ~CRoom();
  CRoom(const CRoom&) = delete;
  CRoom& operator=(const CRoom&) = delete;

  // Copies the settings of `source` (caption to views, physics and creation code); the definition's
  // instance list and tiles go along when `withContents`.
  void CopySettingsFrom(const CRoom& source, bool withContents);

  std::string caption;
  int32_t width = 640;
  int32_t height = 480;
  int32_t speed = 30;
  bool persistent = false;
  int32_t colour = 0xC0C0C0;
  bool showColour = true;
  std::string codeText;
  std::shared_ptr<CCode> code;
  CBackgroundLayer backgrounds[kRoomBackgroundCount];
  bool viewsEnabled = false;
  CView views[kRoomViewCount];
  bool physicsWorld = false;
  int32_t gravityX = 0;
  int32_t gravityY = 10;
  float physicsScale = 0.1f;
  CInstanceList active;
  CInstanceList deactivated;
  std::vector<CTile> tiles;
  std::vector<CRoomInstance> instances;  // the definition's instance list
  const CRoom* definition = nullptr;     // for a state: the definition it was built from
  // For a state: the creation codes of the instances it was built with, kept alive while their
  // instances may still run them (the definition can be edited meanwhile).
  std::vector<std::shared_ptr<CCode>> instanceCodes;
};

// ---- The room table ----------------------------------------------------------------------------------

int32_t Room_Count();
bool Room_Exists(int32_t index);
// The definition of room `index`, or null.
CRoom* Room_Definition(int32_t index);
// "<undefined>" for a missing room.
const char* Room_Name(int32_t index);
// The index of the first room named exactly `name`, or -1. Bare names in compiled code resolve
// through it.
int32_t Room_Find(const char* name);
// Appends a definition named `name`; returns its index.
int32_t Room_Add(CRoom* room, const std::string& name);
// Replaces the table with `count` empty slots (the ROOM loader).
void Room_ResetTable(int32_t count);
void Room_SetDefinition(int32_t index, CRoom* room, const std::string& name);
// Frees every definition, name and state.
void Room_FreeTable();

// The stored state of room `index`, or null.
CRoom* Room_State(int32_t index);
// The state of the room being played, or null.
CRoom* Room_Current();
int32_t Room_StateCount();
// Replaces the state of room `index` (the table grows as needed); the old state is freed.
void Room_SetState(int32_t index, CRoom* state);

// The tile id counter (the general chunk's last tile id at load).
int32_t Room_LastTileId();
void Room_SetLastTileId(int32_t id);

// The size of background `index`, answered by the background store; false for a missing background.
bool Room_BackgroundSize(int32_t index, int32_t* width, int32_t* height);
