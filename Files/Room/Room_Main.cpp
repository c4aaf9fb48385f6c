#include "Room/Room_Main.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "Code/Code_Error.h"
#include "Code/Code_Load.h"
#include "Code/Code_VM.h"
#include "DataFile/DataFile_General.h"
#include "Object/Object_Class.h"
#include "Object/Object_Event.h"
#include "Option/Option_Main.h"
#include "Particle/Particle_Effect.h"
#include "Physics/Physics_Body.h"
#include "Platform/Platform_Memory.h"
#include "Room/Room_Class.h"
#include "Run/Run_Hooks.h"
#include "Run/Run_State.h"
#include "Run/Run_World.h"
#include "Support/Support_Stream.h"

RoomHooks g_RoomHooks;

namespace {

int32_t g_current = -1;
std::vector<CInstance*> g_carried;

constexpr int32_t kSaveVersion = 540;

void FreeCarried() {
  for (CInstance* c : g_carried) delete c;
  g_carried.clear();
}

// A state built from a definition: its settings and tiles; the instances are created separately once
// the world uses the state's lists.
CRoom* BuildState(const CRoom& definition) {
  auto* state = new CRoom();
  state->CopySettingsFrom(definition, false);
  state->definition = &definition;
  state->tiles = definition.tiles;
  return state;
}

void CreateDefinitionInstances(const CRoom& definition, CRoom* state) {
  const int version = g_General.version;
  for (const CRoomInstance& d : definition.instances) {
    if (d.code != nullptr) state->instanceCodes.push_back(d.code);
    CInstance* i = World_CreateInstanceWithId(float(d.x), float(d.y), d.objectIndex, d.id);
    i->creation_code = d.code.get();
    if (version != 2) {
      i->image_xscale = d.xscale;
      i->image_yscale = d.yscale;
      i->image_blend = d.blend;
      i->image_alpha = d.alpha;
      if (version != 3) i->image_angle = d.angle;
    }
  }
}

void RunCreation(CInstance* i) {
  auto creationCode = [i] {
    if (i->creation_code != nullptr) VM_Execute(i, i, i->creation_code, nullptr);
  };
  if (g_Options.createEventFirst) {
    Event_PerformOwn(i, EV_CREATE, 0);
    creationCode();
  } else {
    creationCode();
    Event_PerformOwn(i, EV_CREATE, 0);
  }
  i->created = true;
}

void ResizeWindow(const CRoom& room) {
  int32_t sw = 1 << 16, sh = 1 << 16;
  if (g_RoomHooks.screenSize) g_RoomHooks.screenSize(&sw, &sh);
  int32_t w = 0, h = 0;
  Room_WindowSize(room, sw, sh, &w, &h);
  if (g_RoomHooks.resizeWindow) g_RoomHooks.resizeWindow(w, h);
}

// Puts every instance of a state back into its object's lists (active ones) and the id table.
void Rejoin(CRoom* state) {
  for (CInstance* i = state->active.head; i != nullptr; i = i->next) {
    Object_LinkInstance(i);
    World_AddToIdTable(i);
  }
  for (CInstance* i = state->deactivated.head; i != nullptr; i = i->next) World_AddToIdTable(i);
  Physics_AttachBodies(state);
}

void BringInCarried() {
  for (CInstance* c : g_carried) {
    CInstance* target = World_Find(c->id);
    if (target == nullptr) {
      target = World_CreateInstance(c->x, c->y, c->object_index);
      World_ChangeId(target, c->id);
    }
    Object_UnlinkInstance(target);
    target->CopyStateFrom(*c);
    target->object = Object_Find(target->object_index);
    target->marked = false;
    target->deactivated = false;
    target->created = true;
    target->carried_over = true;
    if (target->object != nullptr) Object_LinkInstance(target);
    World_SetDepth(target, target->depth);
  }
  FreeCarried();
}

}  // namespace

int32_t Room_CurrentIndex() { return g_current; }
CRoom* Room_Current() { return Room_State(g_current); }

void Room_Enter(int32_t index, bool gameStart) {
  g_RunState.newRoom = kNoRequest;
  if (g_RunHooks.clearInputState) g_RunHooks.clearInputState();
  Effect_Clear();  // the action library's two effect systems start empty in every room
  const CRoom* definition = Room_Definition(index);
  if (definition == nullptr) {
    ReportActionErrorF(false, "Unexisting room number: %d", index);
    g_RunState.newRoom = kRequestEndAfterError;
    return;
  }
  g_current = index;
  g_RunState.currentRoom = index;
  g_RunState.roomEntered = true;
  CRoom* state = Room_State(index);
  const bool fresh = state == nullptr;
  if (fresh) {
    state = BuildState(*definition);
    Room_SetState(index, state);
    World_SetLists(&state->active, &state->deactivated);
    CreateDefinitionInstances(*definition, state);
  } else {
    World_SetLists(&state->active, &state->deactivated);
    Rejoin(state);
  }
  g_RunState.roomSpeed = state->speed;
  ResizeWindow(*state);
  BringInCarried();
  if (fresh) {
    std::vector<CInstance*> snapshot;
    World_CopyActive(snapshot);
    for (CInstance* i : snapshot) {
      if (i->carried_over) {
        i->carried_over = false;
      } else if (!i->marked) {
        RunCreation(i);
      }
    }
  } else {
    for (CInstance* i = state->active.head; i != nullptr; i = i->next) i->carried_over = false;
  }
  if (gameStart) Event_PerformAll(EV_OTHER, EV_GAME_START);
  if (fresh && state->code != nullptr) {
    CInstance temporary(0, -1);
    VM_Execute(&temporary, &temporary, state->code.get(), nullptr);
  }
  Event_PerformAll(EV_OTHER, EV_ROOM_START);
  if (g_RunState.newRoom == kNoRequest && g_RunState.automaticDraw) Room_DrawScreen();
}

void Room_Leave(bool gameEnd) {
  CRoom* state = Room_Current();
  if (state == nullptr) return;
  World_RemoveMarked();
  const int32_t request = g_RunState.newRoom;
  g_RunState.newRoom = kNoRequest;
  Event_PerformAll(EV_OTHER, EV_ROOM_END);
  if (gameEnd) Event_PerformAll(EV_OTHER, EV_GAME_END);
  g_RunState.newRoom = request;

  // Persistent instances travel as copies; the originals are freed at once.
  CInstance* i = state->active.head;
  while (i != nullptr) {
    CInstance* next = i->next;
    if (!i->marked && i->persistent) {
      auto* copy = new CInstance(i->id, i->object_index);
      copy->CopyStateFrom(*i);
      if (g_carried.size() == g_carried.capacity()) g_carried.reserve(g_carried.empty() ? 10 : g_carried.size() + 5);
      g_carried.push_back(copy);
      i->marked = true;
      World_FreeInstance(i, &state->active);
    }
    i = next;
  }

  if (state->persistent) {
    // The room is frozen: its instances stay in its lists but leave the object lists and the id
    // table until the room is entered again.
    for (CInstance* k = state->active.head; k != nullptr; k = k->next) {
      Object_UnlinkInstance(k);
      World_RemoveFromIdTable(k);
    }
    for (CInstance* k = state->deactivated.head; k != nullptr; k = k->next) World_RemoveFromIdTable(k);
    World_SetLists(nullptr, nullptr);
  } else {
    World_SetLists(nullptr, nullptr);
    Room_SetState(g_current, nullptr);
  }
}

void Room_ChangeTo(int32_t index) {
  Room_Leave(false);
  Room_Enter(index, false);
}

void Room_EnterFirst() {
  if (g_General.roomOrder.empty() || !Room_Exists(g_General.roomOrder[0])) {
    // Nothing to play: the game ends at the end of the first frame.
    g_RunState.newRoom = kRequestEndGame;
    return;
  }
  Room_Enter(g_General.roomOrder[0], true);
}

void Room_ResetStates() {
  for (int32_t r = 0; r < Room_StateCount(); ++r) Room_SetState(r, nullptr);
  World_SetLists(nullptr, nullptr);
  for (int32_t r = 0; r < Room_Count(); ++r) Room_SetState(r, nullptr);
  FreeCarried();
  g_current = -1;
}

void Room_FreeStates() {
  World_SetLists(nullptr, nullptr);
  for (int32_t r = 0; r < Room_StateCount(); ++r) Room_SetState(r, nullptr);
  FreeCarried();
  g_current = -1;
}

int32_t Room_Speed() {
  CRoom* state = Room_Current();
  return state != nullptr ? state->speed : 30;
}

// ---- The room order ------------------------------------------------------------------------------------

int32_t Room_First() { return g_General.roomOrder.empty() ? -1 : g_General.roomOrder.front(); }
int32_t Room_Last() { return g_General.roomOrder.empty() ? -1 : g_General.roomOrder.back(); }

int32_t Room_Next(int32_t index) {
  const std::vector<int32_t>& order = g_General.roomOrder;
  if (!Room_Exists(index) || order.size() < 2) return -1;
  for (size_t k = 0; k + 1 < order.size(); ++k) {
    if (order[k] == index) return order[k + 1];
  }
  return -1;
}

int32_t Room_Previous(int32_t index) {
  const std::vector<int32_t>& order = g_General.roomOrder;
  if (!Room_Exists(index) || order.size() < 2) return -1;
  for (size_t k = 1; k < order.size(); ++k) {
    if (order[k] == index) return order[k - 1];
  }
  return -1;
}

void Room_Goto(int32_t index) {
  g_RunState.transitionKind = 0;
  if (!Room_Exists(index)) {
    ReportActionErrorF(false, "Unexisting room number: %d", index);
    g_RunState.newRoom = kRequestEndAfterError;
    return;
  }
  g_RunState.newRoom = index;
}

void Room_GotoNext() {
  g_RunState.transitionKind = 0;
  const int32_t next = Room_Next(g_current);
  if (next < 0) {
    ReportActionError("Moving to next room after the last room.", false);
    g_RunState.newRoom = kRequestEndAfterError;
    return;
  }
  g_RunState.newRoom = next;
}

void Room_GotoPrevious() {
  g_RunState.transitionKind = 0;
  const int32_t previous = Room_Previous(g_current);
  if (previous < 0) {
    ReportActionError("Moving to previous room before the first room.", false);
    g_RunState.newRoom = kRequestEndAfterError;
    return;
  }
  g_RunState.newRoom = previous;
}

void Room_Restart() { Room_Goto(g_current); }

// ---- Views and backgrounds -----------------------------------------------------------------------------

namespace {

// One axis of the following rule: the new view position.
int32_t FollowAxis(int32_t position, int32_t view, int32_t size, int32_t border, int32_t roomSize, int32_t limit) {
  int32_t target = view;
  if (2 * int64_t(border) < size) {
    if (position - border < view) {
      target = position - border;
    } else if (view + size < position + border) {
      target = position + border - size;
    }
  } else {
    target = position - size / 2;
  }
  if (target < 0) target = 0;
  if (target + size > roomSize) target = roomSize - size;
  if (limit >= 0) {
    if (target > view + limit) target = view + limit;
    if (target < view - limit) target = view - limit;
  }
  return target;
}

CInstance* FollowedInstance(int32_t followed) {
  if (followed > 99999) {
    CInstance* i = World_Find(followed);
    return i != nullptr && !i->marked && !i->deactivated ? i : nullptr;
  }
  CObject* object = Object_Find(followed);
  if (object == nullptr) return nullptr;
  for (CInstance* i : object->instancesRecursive) {
    if (!i->marked) return i;
  }
  return nullptr;
}

}  // namespace

void Room_FollowViews() {
  CRoom* room = Room_Current();
  if (room == nullptr || !room->viewsEnabled) return;
  for (CView& v : room->views) {
    if (!v.visible) continue;
    CInstance* i = FollowedInstance(v.object);
    if (i == nullptr) continue;
    const int32_t x = int32_t(Instance_Round(i->x));
    const int32_t y = int32_t(Instance_Round(i->y));
    v.xview = FollowAxis(x, v.xview, v.wview, v.hborder, room->width, v.hspeed);
    v.yview = FollowAxis(y, v.yview, v.hview, v.vborder, room->height, v.vspeed);
  }
}

void Room_ScrollBackgrounds() {
  CRoom* room = Room_Current();
  if (room == nullptr) return;
  for (CBackgroundLayer& b : room->backgrounds) {
    b.x += b.hspeed;
    b.y += b.vspeed;
  }
}

void Room_WindowSize(const CRoom& room, int32_t screenWidth, int32_t screenHeight, int32_t* width, int32_t* height) {
  int32_t w = room.width, h = room.height;
  if (room.viewsEnabled) {
    w = 8;
    h = 8;
    for (const CView& v : room.views) {
      if (!v.visible) continue;
      w = std::max(w, v.xport + v.wport);
      h = std::max(h, v.yport + v.hport);
    }
  }
  *width = std::min(w, screenWidth);
  *height = std::min(h, screenHeight);
}

void Room_DrawScreen() {
  Room_FollowViews();
  if (g_RoomHooks.drawScreen) g_RoomHooks.drawScreen();
}

// ---- The save form ---------------------------------------------------------------------------------------

void Room_SaveState(CStream* s, CRoom* room) {
  s->WriteInteger(kSaveVersion);
  s->WriteString(room->caption.c_str());
  s->WriteInteger(room->width);
  s->WriteInteger(room->height);
  s->WriteInteger(room->speed);
  s->WriteBoolean(room->persistent);
  s->WriteInteger(room->colour);
  s->WriteBoolean(room->showColour);
  s->WriteString(room->codeText.c_str());
  s->WriteInteger(kRoomBackgroundCount);
  for (const CBackgroundLayer& b : room->backgrounds) {
    s->WriteBoolean(b.visible);
    s->WriteBoolean(b.foreground);
    s->WriteInteger(b.index);
    s->WriteReal(b.x);
    s->WriteReal(b.y);
    s->WriteBoolean(b.htiled);
    s->WriteBoolean(b.vtiled);
    s->WriteReal(b.xscale);
    s->WriteReal(b.yscale);
    s->WriteReal(b.hspeed);
    s->WriteReal(b.vspeed);
    s->WriteInteger(b.blend);
    s->WriteReal(b.alpha);
  }
  s->WriteBoolean(room->viewsEnabled);
  s->WriteInteger(kRoomViewCount);
  for (const CView& v : room->views) {
    s->WriteBoolean(v.visible);
    for (int32_t f : {v.xview, v.yview, v.wview, v.hview, v.xport, v.yport, v.wport, v.hport}) s->WriteInteger(f);
    s->WriteReal(v.angle);
    for (int32_t f : {v.hborder, v.vborder, v.hspeed, v.vspeed, v.object}) s->WriteInteger(f);
  }
  for (CInstanceList* list : {&room->active, &room->deactivated}) {
    s->WriteInteger(list->count);
    for (CInstance* i = list->head; i != nullptr; i = i->next) i->Save(s);
  }
  s->WriteInteger(int32_t(room->tiles.size()));
  for (const CTile& t : room->tiles) {
    s->WriteReal(t.x);
    s->WriteReal(t.y);
    for (int32_t f : {t.background, t.left, t.top, t.width, t.height}) s->WriteInteger(f);
    s->WriteReal(t.depth);
    s->WriteInteger(t.id);
    s->WriteReal(t.xscale);
    s->WriteReal(t.yscale);
    s->WriteInteger(t.blend);
    s->WriteReal(t.alpha);
    s->WriteBoolean(t.visible);
  }
}

namespace {

std::string ReadText(CStream* s) {
  char* text = s->ReadString();
  std::string out = text != nullptr ? text : "";
  if (text != nullptr) MemFree(text);
  return out;
}

// A count read from a stream, refused when negative or larger than the bytes that remain could hold.
bool ReadCount(CStream* s, int64_t itemBytes, int32_t* count) {
  *count = s->ReadInteger();
  return !s->Failed() && *count >= 0 && int64_t(*count) * itemBytes <= s->Remaining();
}

}  // namespace

CRoom* Room_LoadState(CStream* s) {
  if (s->ReadInteger() != kSaveVersion || s->Failed()) return nullptr;
  auto* room = new CRoom();
  auto fail = [room] {
    for (CInstanceList* list : {&room->active, &room->deactivated}) {
      while (list->head != nullptr) {
        CInstance* i = list->head;
        list->Unlink(i);
        delete i;
      }
    }
    delete room;
    return nullptr;
  };
  room->caption = ReadText(s);
  room->width = s->ReadInteger();
  room->height = s->ReadInteger();
  room->speed = s->ReadInteger();
  room->persistent = s->ReadBoolean();
  room->colour = s->ReadInteger();
  room->showColour = s->ReadBoolean();
  room->codeText = ReadText(s);
  if (s->ReadInteger() != kRoomBackgroundCount) return fail();
  for (CBackgroundLayer& b : room->backgrounds) {
    b.visible = s->ReadBoolean();
    b.foreground = s->ReadBoolean();
    b.index = s->ReadInteger();
    b.x = float(s->ReadReal());
    b.y = float(s->ReadReal());
    b.htiled = s->ReadBoolean();
    b.vtiled = s->ReadBoolean();
    b.xscale = float(s->ReadReal());
    b.yscale = float(s->ReadReal());
    b.hspeed = float(s->ReadReal());
    b.vspeed = float(s->ReadReal());
    b.blend = s->ReadInteger();
    b.alpha = float(s->ReadReal());
  }
  room->viewsEnabled = s->ReadBoolean();
  if (s->ReadInteger() != kRoomViewCount) return fail();
  for (CView& v : room->views) {
    v.visible = s->ReadBoolean();
    for (int32_t* f : {&v.xview, &v.yview, &v.wview, &v.hview, &v.xport, &v.yport, &v.wport, &v.hport}) {
      *f = s->ReadInteger();
    }
    v.angle = float(s->ReadReal());
    for (int32_t* f : {&v.hborder, &v.vborder, &v.hspeed, &v.vspeed, &v.object}) *f = s->ReadInteger();
  }
  for (CInstanceList* list : {&room->active, &room->deactivated}) {
    int32_t count = 0;
    if (!ReadCount(s, 4, &count)) return fail();
    for (int32_t k = 0; k < count; ++k) {
      auto* i = new CInstance(0, 0);
      if (!i->Load(s)) {
        delete i;
        return fail();
      }
      list->Append(i);
    }
  }
  int32_t tiles = 0;
  if (!ReadCount(s, 4, &tiles)) return fail();
  room->tiles.resize(size_t(tiles));
  for (CTile& t : room->tiles) {
    t.x = float(s->ReadReal());
    t.y = float(s->ReadReal());
    for (int32_t* f : {&t.background, &t.left, &t.top, &t.width, &t.height}) *f = s->ReadInteger();
    t.depth = float(s->ReadReal());
    t.id = s->ReadInteger();
    t.xscale = float(s->ReadReal());
    t.yscale = float(s->ReadReal());
    t.blend = s->ReadInteger();
    t.alpha = float(s->ReadReal());
    t.visible = s->ReadBoolean();
  }
  if (s->Failed()) return fail();
  return room;
}

void Room_ResumeLoaded(int32_t index) {
  CRoom* state = Room_State(index);
  g_current = index;
  g_RunState.currentRoom = index;
  if (state == nullptr) {
    World_SetLists(nullptr, nullptr);
    return;
  }
  state->definition = Room_Definition(index);
  World_SetLists(&state->active, &state->deactivated);
  Rejoin(state);
  g_RunState.roomSpeed = state->speed;
}

// ---- Wiring ------------------------------------------------------------------------------------------------

namespace {

void EventDisplayName(int objectIndex, int type, int number, char* buffer, size_t size) {
  Event_Name(type, number, buffer, size);
}

// Game start: the per-object instance lists are emptied, the event lists built from the objects,
// and the id counters start from the general chunk's last ids.
void ResetForGameStart() {
  Object_ResetInstanceLists();
  Event_BuildLists();
  World_SetLastId(g_General.lastInstanceId);
  Room_SetLastTileId(g_General.lastTileId);
}

void FreeEverything() {
  Room_FreeStates();
  World_FreeAll();
  World_ForgetAll();
}

}  // namespace

void Room_Install() {
  World_Install();
  g_RunHooks.resetObjectLists = ResetForGameStart;
  g_RunHooks.resetRoomStates = Room_ResetStates;
  g_RunHooks.freeRoomStates = Room_FreeStates;
  g_RunHooks.enterFirstRoom = Room_EnterFirst;
  g_RunHooks.leaveRoom = Room_Leave;
  g_RunHooks.changeRoom = Room_ChangeTo;
  g_RunHooks.roomSpeed = Room_Speed;
  g_RunHooks.freeInstances = FreeEverything;
  CErrorNames names;
  names.eventName = EventDisplayName;
  names.objectName = Object_Name;
  SetErrorNames(names);
}
