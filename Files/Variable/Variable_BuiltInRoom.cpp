#include "Variable/Variable_BuiltInRoom.h"

#include "Code/Code_Error.h"
#include "Room/Room_Class.h"
#include "Room/Room_Main.h"
#include "Run/Run_State.h"
#include "Variable/Variable_BuiltIn.h"
#include "Variable/Variable_BuiltInState.h"

namespace {

// ---- Room order ---------------------------------------------------------------------------------

bool GetRoom(CInstance*, int32_t, RValue* v) {
  v->SetReal(g_RunState.currentRoom);
  return true;
}
// Assigning `room` is room_goto: the change is requested and happens at the end of the frame.
bool SetRoom(CInstance*, int32_t, const RValue* v) {
  Room_Goto(BuiltIn_Round(*v));
  return true;
}
bool GetRoomFirst(CInstance*, int32_t, RValue* v) {
  v->SetReal(Room_First());
  return true;
}
bool GetRoomLast(CInstance*, int32_t, RValue* v) {
  v->SetReal(Room_Last());
  return true;
}

// ---- The running room ---------------------------------------------------------------------------
//
// Without a room being played the room variables read 0 (or the empty text) and writes change
// nothing.

bool GetRoomWidth(CInstance*, int32_t, RValue* v) {
  const CRoom* room = Room_Current();
  v->SetReal(room != nullptr ? room->width : 0);
  return true;
}
bool GetRoomHeight(CInstance*, int32_t, RValue* v) {
  const CRoom* room = Room_Current();
  v->SetReal(room != nullptr ? room->height : 0);
  return true;
}
bool GetRoomCaption(CInstance*, int32_t, RValue* v) {
  const CRoom* room = Room_Current();
  v->SetString(room != nullptr ? room->caption.c_str() : "");
  return true;
}
bool SetRoomCaption(CInstance*, int32_t, const RValue* v) {
  if (CRoom* room = Room_Current()) room->caption = v->Str();
  return true;
}
bool GetRoomSpeed(CInstance*, int32_t, RValue* v) {
  const CRoom* room = Room_Current();
  v->SetReal(room != nullptr ? room->speed : g_RunState.roomSpeed);
  return true;
}
bool SetRoomSpeed(CInstance*, int32_t, const RValue* v) {
  const int32_t speed = BuiltIn_Round(*v);
  if (speed <= 0) {
    ReportActionError("Trying to set the room speed to a value <= 0.", false);
    return true;
  }
  if (CRoom* room = Room_Current()) room->speed = speed;
  g_RunState.roomSpeed = speed;
  return true;
}

// Room fields by member pointer: a flag (1 or 0, written with the above-half rule) or an integer
// (written as R(v)).
template <bool CRoom::*Field>
bool GetRoomFlag(CInstance*, int32_t, RValue* v) {
  const CRoom* room = Room_Current();
  v->SetReal(room != nullptr && room->*Field ? 1.0 : 0.0);
  return true;
}
template <bool CRoom::*Field>
bool SetRoomFlag(CInstance*, int32_t, const RValue* v) {
  if (CRoom* room = Room_Current()) room->*Field = BuiltIn_AboveHalf(*v);
  return true;
}
template <int32_t CRoom::*Field>
bool GetRoomInt(CInstance*, int32_t, RValue* v) {
  const CRoom* room = Room_Current();
  v->SetReal(room != nullptr ? room->*Field : 0);
  return true;
}
template <int32_t CRoom::*Field>
bool SetRoomInt(CInstance*, int32_t, const RValue* v) {
  if (CRoom* room = Room_Current()) room->*Field = BuiltIn_Round(*v);
  return true;
}

// ---- Background layers and views: eight entries, an index outside 0..7 selects entry 0 ---------------

CBackgroundLayer* Layer(int32_t index) {
  CRoom* room = Room_Current();
  return room != nullptr ? &room->backgrounds[BuiltIn_EntryIndex(index)] : nullptr;
}
CView* ViewAt(int32_t index) {
  CRoom* room = Room_Current();
  return room != nullptr ? &room->views[BuiltIn_EntryIndex(index)] : nullptr;
}

template <class Entry, Entry* (*At)(int32_t), bool Entry::*Field>
bool GetEntryFlag(CInstance*, int32_t index, RValue* v) {
  const Entry* e = At(index);
  v->SetReal(e != nullptr && e->*Field ? 1.0 : 0.0);
  return true;
}
template <class Entry, Entry* (*At)(int32_t), bool Entry::*Field>
bool SetEntryFlag(CInstance*, int32_t index, const RValue* v) {
  if (Entry* e = At(index)) e->*Field = BuiltIn_AboveHalf(*v);
  return true;
}
template <class Entry, Entry* (*At)(int32_t), int32_t Entry::*Field>
bool GetEntryInt(CInstance*, int32_t index, RValue* v) {
  const Entry* e = At(index);
  v->SetReal(e != nullptr ? e->*Field : 0);
  return true;
}
template <class Entry, Entry* (*At)(int32_t), int32_t Entry::*Field>
bool SetEntryInt(CInstance*, int32_t index, const RValue* v) {
  if (Entry* e = At(index)) e->*Field = BuiltIn_Round(*v);
  return true;
}
template <class Entry, Entry* (*At)(int32_t), float Entry::*Field>
bool GetEntryReal(CInstance*, int32_t index, RValue* v) {
  const Entry* e = At(index);
  v->SetReal(e != nullptr ? e->*Field : 0);
  return true;
}
template <class Entry, Entry* (*At)(int32_t), float Entry::*Field>
bool SetEntryReal(CInstance*, int32_t index, const RValue* v) {
  if (Entry* e = At(index)) e->*Field = RealToFloat(v->real);
  return true;
}

bool GetBackgroundWidth(CInstance*, int32_t index, RValue* v) {
  const CBackgroundLayer* layer = Layer(index);
  int32_t width = 0;
  int32_t height = 0;
  if (layer == nullptr || !Room_BackgroundSize(layer->index, &width, &height)) width = 0;
  v->SetReal(width);
  return true;
}
bool GetBackgroundHeight(CInstance*, int32_t index, RValue* v) {
  const CBackgroundLayer* layer = Layer(index);
  int32_t width = 0;
  int32_t height = 0;
  if (layer == nullptr || !Room_BackgroundSize(layer->index, &width, &height)) height = 0;
  v->SetReal(height);
  return true;
}
bool GetViewCurrent(CInstance*, int32_t, RValue* v) {
  v->SetReal(g_BuiltInState.viewCurrent);
  return true;
}

using B = CBackgroundLayer;
using V = CView;
template <bool B::*F>
void AddLayerFlag(const char* name) {
  AddBuiltIn(name, GetEntryFlag<B, Layer, F>, SetEntryFlag<B, Layer, F>, true);
}
template <int32_t B::*F>
void AddLayerInt(const char* name) {
  AddBuiltIn(name, GetEntryInt<B, Layer, F>, SetEntryInt<B, Layer, F>, true);
}
template <float B::*F>
void AddLayerReal(const char* name) {
  AddBuiltIn(name, GetEntryReal<B, Layer, F>, SetEntryReal<B, Layer, F>, true);
}
template <int32_t V::*F>
void AddViewInt(const char* name) {
  AddBuiltIn(name, GetEntryInt<V, ViewAt, F>, SetEntryInt<V, ViewAt, F>, true);
}

}  // namespace

void BuiltIn_RegisterRoomOrderVariables() {
  AddBuiltIn("room", GetRoom, SetRoom, true);
  AddBuiltIn("room_first", GetRoomFirst, nullptr, false);
  AddBuiltIn("room_last", GetRoomLast, nullptr, false);
}

void BuiltIn_RegisterRoomVariables() {
  AddBuiltIn("room_width", GetRoomWidth, nullptr, false);
  AddBuiltIn("room_height", GetRoomHeight, nullptr, false);
  AddBuiltIn("room_caption", GetRoomCaption, SetRoomCaption, true);
  AddBuiltIn("room_speed", GetRoomSpeed, SetRoomSpeed, true);
  AddBuiltIn("room_persistent", GetRoomFlag<&CRoom::persistent>, SetRoomFlag<&CRoom::persistent>, true);
  AddBuiltIn("background_color", GetRoomInt<&CRoom::colour>, SetRoomInt<&CRoom::colour>, true);
  AddBuiltIn("background_showcolor", GetRoomFlag<&CRoom::showColour>, SetRoomFlag<&CRoom::showColour>, true);
  AddLayerFlag<&B::visible>("background_visible");
  AddLayerFlag<&B::foreground>("background_foreground");
  AddLayerInt<&B::index>("background_index");
  AddLayerReal<&B::x>("background_x");
  AddLayerReal<&B::y>("background_y");
  AddBuiltIn("background_width", GetBackgroundWidth, nullptr, false);
  AddBuiltIn("background_height", GetBackgroundHeight, nullptr, false);
  AddLayerFlag<&B::htiled>("background_htiled");
  AddLayerFlag<&B::vtiled>("background_vtiled");
  AddLayerReal<&B::xscale>("background_xscale");
  AddLayerReal<&B::yscale>("background_yscale");
  AddLayerReal<&B::hspeed>("background_hspeed");
  AddLayerReal<&B::vspeed>("background_vspeed");
  AddLayerInt<&B::blend>("background_blend");
  AddLayerReal<&B::alpha>("background_alpha");
  AddBuiltIn("view_enabled", GetRoomFlag<&CRoom::viewsEnabled>, SetRoomFlag<&CRoom::viewsEnabled>, true);
  AddBuiltIn("view_current", GetViewCurrent, nullptr, false);
  AddBuiltIn("view_visible", GetEntryFlag<V, ViewAt, &V::visible>, SetEntryFlag<V, ViewAt, &V::visible>, true);
  AddViewInt<&V::xview>("view_xview");
  AddViewInt<&V::yview>("view_yview");
  AddViewInt<&V::wview>("view_wview");
  AddViewInt<&V::hview>("view_hview");
  AddViewInt<&V::xport>("view_xport");
  AddViewInt<&V::yport>("view_yport");
  AddViewInt<&V::wport>("view_wport");
  AddViewInt<&V::hport>("view_hport");
  AddBuiltIn("view_angle", GetEntryReal<V, ViewAt, &V::angle>, SetEntryReal<V, ViewAt, &V::angle>, true);
  AddViewInt<&V::hborder>("view_hborder");
  AddViewInt<&V::vborder>("view_vborder");
  AddViewInt<&V::hspeed>("view_hspeed");
  AddViewInt<&V::vspeed>("view_vspeed");
  AddViewInt<&V::object>("view_object");
  AddViewInt<&V::surface>("view_surface_id");
}
