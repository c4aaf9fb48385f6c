// Rooms from game code: the room table and order, room changes, and editing room definitions at
// run time (used the next time a room is entered without a stored state).
#include <string>

#include "Code/Code_Compile.h"
#include "Code/Code_Error.h"
#include "Function/Function_Register.h"
#include "Room/Room_Class.h"
#include "Room/Room_Main.h"
#include "Run/Run_State.h"
#include "Run/Run_World.h"

namespace {

using Args = RValue*;

int Index(int argc, Args args, int i) { return FunctionArgumentIndex(FunctionArgument(argc, args, i)); }
float Real(int argc, Args args, int i) { return float(FunctionArgument(argc, args, i).real); }
bool Flag(int argc, Args args, int i) { return FunctionArgument(argc, args, i).real >= 0.5; }
CRoom* RoomArg(int argc, Args args) { return Room_Definition(Index(argc, args, 0)); }

void F_RoomExists(RValue& r, CInstance*, CInstance*, int argc, Args args) { r.SetReal(RoomArg(argc, args) ? 1 : 0); }
void F_RoomGetName(RValue& r, CInstance*, CInstance*, int argc, Args args) { r.SetString(Room_Name(Index(argc, args, 0))); }
void F_RoomNext(RValue& r, CInstance*, CInstance*, int argc, Args args) { r.SetReal(Room_Next(Index(argc, args, 0))); }
void F_RoomPrevious(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(Room_Previous(Index(argc, args, 0)));
}
void F_RoomGoto(RValue&, CInstance*, CInstance*, int argc, Args args) { Room_Goto(Index(argc, args, 0)); }
void F_RoomGotoNext(RValue&, CInstance*, CInstance*, int, Args) { Room_GotoNext(); }
void F_RoomGotoPrevious(RValue&, CInstance*, CInstance*, int, Args) { Room_GotoPrevious(); }
void F_RoomRestart(RValue&, CInstance*, CInstance*, int, Args) { Room_Restart(); }

void F_RoomSetWidth(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CRoom* room = RoomArg(argc, args)) room->width = Index(argc, args, 1);
}
void F_RoomSetHeight(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CRoom* room = RoomArg(argc, args)) room->height = Index(argc, args, 1);
}
void F_RoomSetCaption(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CRoom* room = RoomArg(argc, args)) room->caption = FunctionArgument(argc, args, 1).Str();
}
void F_RoomSetPersistent(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CRoom* room = RoomArg(argc, args)) room->persistent = Flag(argc, args, 1);
}
void F_RoomSetCode(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const int32_t index = Index(argc, args, 0);
  CRoom* room = Room_Definition(index);
  if (room == nullptr) return;
  const char* text = FunctionArgument(argc, args, 1).Str();
  CCode* code = nullptr;
  if (text[0] != '\0') {
    code = Code_CompileText((std::string("Room.") + Room_Name(index)).c_str(), text);
    if (code == nullptr) {
      ReportActionErrorF(false, "COMPILATION ERROR in room script\n%s", CompileErrorText());
      return;
    }
  }
  room->codeText = text;
  room->code.reset(code);
}
void F_RoomSetBackgroundColor(RValue&, CInstance*, CInstance*, int argc, Args args) {
  CRoom* room = RoomArg(argc, args);
  if (room == nullptr) return;
  room->colour = Index(argc, args, 1);
  room->showColour = Flag(argc, args, 2);
}
void F_RoomSetBackground(RValue&, CInstance*, CInstance*, int argc, Args args) {
  CRoom* room = RoomArg(argc, args);
  const int n = Index(argc, args, 1);
  if (room == nullptr || n < 0 || n >= kRoomBackgroundCount) return;
  CBackgroundLayer& b = room->backgrounds[n];
  b.visible = Flag(argc, args, 2);
  b.foreground = Flag(argc, args, 3);
  b.index = Index(argc, args, 4);
  b.x = Real(argc, args, 5);
  b.y = Real(argc, args, 6);
  b.htiled = Flag(argc, args, 7);
  b.vtiled = Flag(argc, args, 8);
  b.hspeed = Real(argc, args, 9);
  b.vspeed = Real(argc, args, 10);
  b.alpha = Real(argc, args, 11);
}
void F_RoomSetView(RValue&, CInstance*, CInstance*, int argc, Args args) {
  CRoom* room = RoomArg(argc, args);
  const int n = Index(argc, args, 1);
  if (room == nullptr || n < 0 || n >= kRoomViewCount) return;
  CView& v = room->views[n];
  v.visible = Flag(argc, args, 2);
  int32_t* fields[] = {&v.xview, &v.yview, &v.wview, &v.hview, &v.xport, &v.yport, &v.wport,
                       &v.hport, &v.hborder, &v.vborder, &v.hspeed, &v.vspeed, &v.object};
  for (int f = 0; f < 13; ++f) *fields[f] = Index(argc, args, 3 + f);
}
void F_RoomSetViewEnabled(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CRoom* room = RoomArg(argc, args)) room->viewsEnabled = Flag(argc, args, 1);
}

std::string NewRoomName(int32_t index) { return "__newroom" + std::to_string(index); }

void F_RoomAdd(RValue& r, CInstance*, CInstance*, int, Args) {
  const int32_t index = Room_Count();
  Room_Add(new CRoom(), NewRoomName(index));
  r.SetReal(index);
}

void F_RoomDuplicate(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  CRoom* source = RoomArg(argc, args);
  if (source == nullptr) {
    r.SetReal(-1);
    return;
  }
  auto* copy = new CRoom();
  copy->CopySettingsFrom(*source, true);
  const int32_t index = Room_Count();
  Room_Add(copy, NewRoomName(index));
  r.SetReal(index);
}

void F_RoomAssign(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  CRoom* target = RoomArg(argc, args);
  CRoom* source = Room_Definition(Index(argc, args, 1));
  if (target == nullptr || source == nullptr) return;
  if (target != source) target->CopySettingsFrom(*source, true);
  r.SetReal(1);
}

void F_RoomInstanceAdd(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  CRoom* room = RoomArg(argc, args);
  if (room == nullptr) return;
  CRoomInstance inst;
  inst.x = int32_t(Real(argc, args, 1));
  inst.y = int32_t(Real(argc, args, 2));
  inst.objectIndex = Index(argc, args, 3);
  inst.id = World_NextId();
  room->instances.push_back(inst);
  r.SetReal(inst.id);
}

void F_RoomInstanceClear(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CRoom* room = RoomArg(argc, args)) room->instances.clear();
}

void AddTile(RValue& r, int argc, Args args, bool extended) {
  CRoom* room = RoomArg(argc, args);
  if (room == nullptr) return;
  int32_t w = 0, h = 0;
  const int32_t background = Index(argc, args, 1);
  if (!Room_BackgroundSize(background, &w, &h)) {
    ReportActionError("Background does not exist.", false);
    return;
  }
  CTile t;
  t.background = background;
  t.left = Index(argc, args, 2);
  t.top = Index(argc, args, 3);
  t.width = Index(argc, args, 4);
  t.height = Index(argc, args, 5);
  t.x = Real(argc, args, 6);
  t.y = Real(argc, args, 7);
  t.depth = Real(argc, args, 8);
  if (extended) {
    t.xscale = Real(argc, args, 9);
    t.yscale = Real(argc, args, 10);
    t.alpha = Real(argc, args, 11);
  }
  Room_SetLastTileId(Room_LastTileId() + 1);
  t.id = Room_LastTileId();
  room->tiles.push_back(t);
  r.SetReal(t.id);
}

void F_RoomTileAdd(RValue& r, CInstance*, CInstance*, int argc, Args args) { AddTile(r, argc, args, false); }
void F_RoomTileAddExt(RValue& r, CInstance*, CInstance*, int argc, Args args) { AddTile(r, argc, args, true); }
void F_RoomTileClear(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (CRoom* room = RoomArg(argc, args)) room->tiles.clear();
}

// Transitions are never drawn: any kind defines nothing and exists only as kind 0.
void F_TransitionDefine(RValue&, CInstance*, CInstance*, int, Args) {}
void F_TransitionExists(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(Index(argc, args, 0) == 0 ? 1 : 0);
}

}  // namespace

void Function_Room_Bind() {
  ImplementFunction("room_exists", F_RoomExists);
  ImplementFunction("room_get_name", F_RoomGetName);
  ImplementFunction("room_name", F_RoomGetName);
  ImplementFunction("room_next", F_RoomNext);
  ImplementFunction("room_previous", F_RoomPrevious);
  ImplementFunction("room_goto", F_RoomGoto);
  ImplementFunction("room_goto_next", F_RoomGotoNext);
  ImplementFunction("room_goto_previous", F_RoomGotoPrevious);
  ImplementFunction("room_restart", F_RoomRestart);
  ImplementFunction("room_set_width", F_RoomSetWidth);
  ImplementFunction("room_set_height", F_RoomSetHeight);
  ImplementFunction("room_set_caption", F_RoomSetCaption);
  ImplementFunction("room_set_persistent", F_RoomSetPersistent);
  ImplementFunction("room_set_code", F_RoomSetCode);
  ImplementFunction("room_set_background_color", F_RoomSetBackgroundColor);
  ImplementFunction("room_set_background", F_RoomSetBackground);
  ImplementFunction("room_set_view", F_RoomSetView);
  ImplementFunction("room_set_view_enabled", F_RoomSetViewEnabled);
  ImplementFunction("room_add", F_RoomAdd);
  ImplementFunction("room_duplicate", F_RoomDuplicate);
  ImplementFunction("room_assign", F_RoomAssign);
  ImplementFunction("room_instance_add", F_RoomInstanceAdd);
  ImplementFunction("room_instance_clear", F_RoomInstanceClear);
  ImplementFunction("room_tile_add", F_RoomTileAdd);
  ImplementFunction("room_tile_add_ext", F_RoomTileAddExt);
  ImplementFunction("room_tile_clear", F_RoomTileClear);
  ImplementFunction("transition_define", F_TransitionDefine);
  ImplementFunction("transition_exists", F_TransitionExists);
}
