#include "Variable/Variable_BuiltInRoom.h"

#include "Code/Code_Function.h"
#include "DataFile/DataFile_General.h"
#include "Run/Run_State.h"
#include "Variable/Variable_BuiltIn.h"

namespace {

// ---- Room order ---------------------------------------------------------------------------------

bool GetRoom(CInstance*, int32_t, RValue* v) {
  v->SetReal(g_RunState.currentRoom);
  return true;
}
// Assigning `room` is room_goto: the change is requested and happens at the end of the frame.
bool SetRoom(CInstance* instance, int32_t, const RValue* v) {
  static int s_roomGoto = -1;
  if (s_roomGoto < 0 && !FindFunction("room_goto", &s_roomGoto)) s_roomGoto = -1;
  FunctionRecord* record = FunctionAt(s_roomGoto);
  RValue argument(static_cast<double>(BuiltIn_Round(*v)));
  if (record != nullptr && record->implemented) {
    RValue result;
    CallFunction(s_roomGoto, result, instance, instance, 1, &argument);
  } else {
    g_RunState.newRoom = BuiltIn_Round(*v);
    g_RunState.transitionKind = 0;
  }
  return true;
}
bool GetRoomFirst(CInstance*, int32_t, RValue* v) {
  v->SetReal(g_General.roomOrder.empty() ? -1 : g_General.roomOrder.front());
  return true;
}
bool GetRoomLast(CInstance*, int32_t, RValue* v) {
  v->SetReal(g_General.roomOrder.empty() ? -1 : g_General.roomOrder.back());
  return true;
}

// ---- The running room ---------------------------------------------------------------------------

bool GetNothing(CInstance*, int32_t, RValue*) { return true; }
bool SetNothing(CInstance*, int32_t, const RValue*) { return true; }

}  // namespace

void BuiltIn_RegisterRoomOrderVariables() {
  AddBuiltIn("room", GetRoom, SetRoom, true);
  AddBuiltIn("room_first", GetRoomFirst, nullptr, false);
  AddBuiltIn("room_last", GetRoomLast, nullptr, false);
}

void BuiltIn_RegisterRoomVariables() {
  static const char* const kNames[] = {
      "room_width", "room_height", "room_caption", "room_speed", "room_persistent",
      "background_color", "background_showcolor", "background_visible", "background_foreground",
      "background_index", "background_x", "background_y", "background_width", "background_height",
      "background_htiled", "background_vtiled", "background_xscale", "background_yscale",
      "background_hspeed", "background_vspeed", "background_blend", "background_alpha",
      "view_enabled", "view_current", "view_visible", "view_xview", "view_yview", "view_wview",
      "view_hview", "view_xport", "view_yport", "view_wport", "view_hport", "view_angle",
      "view_hborder", "view_vborder", "view_hspeed", "view_vspeed", "view_object", "view_surface_id",
  };
  for (const char* name : kNames) AddBuiltIn(name, GetNothing, SetNothing, true);
}
