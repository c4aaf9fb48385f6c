#include "Room/Room_Class.h"

#include "Background/Background_Class.h"
#include "Code/Code_Load.h"
#include "Physics/Physics_World.h"

namespace {

std::vector<CRoom*> g_definitions;
std::vector<std::string> g_names;
std::vector<CRoom*> g_states;
int32_t g_lastTileId = 0;

// Frees a state and every instance in its lists.
void FreeState(CRoom* state) {
  if (state == nullptr) return;
  for (CInstanceList* list : {&state->active, &state->deactivated}) {
    while (list->head != nullptr) World_FreeInstance(list->head, list);
  }
  delete state;
}

}  // namespace

CRoom::~CRoom() { Physics_ForgetRoom(this); }

void CRoom::CopySettingsFrom(const CRoom& s, bool withContents) {
  caption = s.caption;
  width = s.width;
  height = s.height;
  speed = s.speed;
  persistent = s.persistent;
  colour = s.colour;
  showColour = s.showColour;
  codeText = s.codeText;
  code = s.code;
  for (int i = 0; i < kRoomBackgroundCount; ++i) backgrounds[i] = s.backgrounds[i];
  viewsEnabled = s.viewsEnabled;
  for (int i = 0; i < kRoomViewCount; ++i) views[i] = s.views[i];
  physicsWorld = s.physicsWorld;
  gravityX = s.gravityX;
  gravityY = s.gravityY;
  physicsScale = s.physicsScale;
  if (withContents) {
    tiles = s.tiles;
    instances = s.instances;
  }
}

int32_t Room_Count() { return int32_t(g_definitions.size()); }

bool Room_Exists(int32_t index) { return Room_Definition(index) != nullptr; }

CRoom* Room_Definition(int32_t index) {
  return index >= 0 && size_t(index) < g_definitions.size() ? g_definitions[size_t(index)] : nullptr;
}

const char* Room_Name(int32_t index) {
  return Room_Exists(index) ? g_names[size_t(index)].c_str() : "<undefined>";
}

int32_t Room_Find(const char* name) {
  if (name == nullptr) return -1;
  for (size_t i = 0; i < g_definitions.size(); ++i) {
    if (g_definitions[i] != nullptr && g_names[i] == name) return int32_t(i);
  }
  return -1;
}

int32_t Room_Add(CRoom* room, const std::string& name) {
  g_definitions.push_back(room);
  g_names.push_back(name);
  return int32_t(g_definitions.size()) - 1;
}

void Room_ResetTable(int32_t count) {
  Room_FreeTable();
  g_definitions.assign(size_t(count), nullptr);
  g_names.assign(size_t(count), std::string());
}

void Room_SetDefinition(int32_t index, CRoom* room, const std::string& name) {
  if (index < 0) return;
  if (size_t(index) >= g_definitions.size()) {
    g_definitions.resize(size_t(index) + 1, nullptr);
    g_names.resize(size_t(index) + 1);
  }
  delete g_definitions[size_t(index)];
  g_definitions[size_t(index)] = room;
  g_names[size_t(index)] = name;
}

void Room_FreeTable() {
  for (CRoom*& state : g_states) {
    FreeState(state);
    state = nullptr;
  }
  g_states.clear();
  for (CRoom* room : g_definitions) delete room;
  g_definitions.clear();
  g_names.clear();
}

CRoom* Room_State(int32_t index) {
  return index >= 0 && size_t(index) < g_states.size() ? g_states[size_t(index)] : nullptr;
}

int32_t Room_StateCount() { return int32_t(g_states.size()); }

void Room_SetState(int32_t index, CRoom* state) {
  if (index < 0) return;
  if (size_t(index) >= g_states.size()) g_states.resize(size_t(index) + 1, nullptr);
  if (g_states[size_t(index)] != state) FreeState(g_states[size_t(index)]);
  g_states[size_t(index)] = state;
}

int32_t Room_LastTileId() { return g_lastTileId; }
void Room_SetLastTileId(int32_t id) { g_lastTileId = id; }

bool Room_BackgroundSize(int32_t index, int32_t* width, int32_t* height) {
  const CBackground* b = Background_Get(index);
  if (b == nullptr) return false;
  *width = b->width;
  *height = b->height;
  return true;
}
