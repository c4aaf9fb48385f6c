// The global built-in variables (ids 78 on): arguments, the game and run state, directories, the
// instance list, input, captions, time, the event context and the error state. The room, view and
// background variables are in Variable_BuiltInRoom.cpp; they are registered from here so that the
// whole group keeps its fixed order.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>
#include <utility>

#include "Code/Code_Error.h"
#include "Code/Code_Function.h"
#include "DataFile/DataFile_General.h"
#include "Function/Function_Register.h"
#include "IO/IO_Main.h"
#include "IO/IO_Mouse.h"
#include "Object/Object_Class.h"
#include "Object/Object_Event.h"
#include "Platform/Platform_Console.h"
#include "Platform/Platform_Timer.h"
#include "Run/Run_State.h"
#include "Runner/Runner_Folders.h"
#include "Variable/Variable_BuiltIn.h"
#include "Variable/Variable_BuiltInRoom.h"
#include "Variable/Variable_BuiltInState.h"
#include "Variable/Variable_Instance.h"

BuiltInState g_BuiltInState;

void BuiltInState_Reset() { g_BuiltInState = BuiltInState{}; }

namespace {


bool SetText(std::string& target, const RValue* v) {
  target = v->Str();
  return true;
}

// Performs other event `subType` for every unmarked instance of the active list, with self and
// other the instance (nothing while a new-room request is pending).
void PerformOtherForAll(int subType) { Event_PerformAll(EV_OTHER, subType); }

// ---- Arguments ----------------------------------------------------------------------------------

int32_t ArgumentSlot(int32_t index) { return (index >= 0 && index < kArgumentSlotCount) ? index : 0; }

bool GetArgumentRelative(CInstance*, int32_t, RValue* v) {
  v->SetReal(Action_Relative() ? 1.0 : 0.0);
  return true;
}
bool GetArgument(CInstance*, int32_t index, RValue* v) {
  *v = ArgumentValue(ArgumentSlot(index));
  return true;
}
bool SetArgument(CInstance*, int32_t index, const RValue* v) {
  ArgumentForWrite(ArgumentSlot(index)) = *v;
  return true;
}
template <int N>
bool GetArgumentN(CInstance*, int32_t, RValue* v) {
  *v = ArgumentValue(N);
  return true;
}
template <int N>
bool SetArgumentN(CInstance*, int32_t, const RValue* v) {
  ArgumentForWrite(N) = *v;
  return true;
}
template <int... N>
void AddNumberedArguments(std::integer_sequence<int, N...>) {
  char name[16];
  ((std::snprintf(name, sizeof name, "argument%d", N), AddBuiltIn(name, GetArgumentN<N>, SetArgumentN<N>, true)),
   ...);
}
bool GetArgumentCount(CInstance*, int32_t, RValue* v) {
  v->SetReal(g_ArgumentView.count);
  return true;
}

// ---- Game and run state -------------------------------------------------------------------------

bool GetDebugMode(CInstance*, int32_t, RValue* v) {
  v->SetReal(g_General.DebugMode() ? 1.0 : 0.0);
  return true;
}
bool GetTransitionKind(CInstance*, int32_t, RValue* v) {
  v->SetReal(g_RunState.transitionKind);
  return true;
}
// Room transitions are not drawn; the kind is stored, reported, and then set back to 0.
bool SetTransitionKind(CInstance*, int32_t, const RValue* v) {
  g_RunState.transitionKind = BuiltIn_Round(*v);
  Console::Output(
      "BUG: Room transitions don't function well - setting to 0 - look at Variable_BuiltIn "
      "SV_TransitionKind() .\n");
  g_RunState.transitionKind = 0;
  return true;
}
bool GetTransitionSteps(CInstance*, int32_t, RValue* v) {
  v->SetReal(g_BuiltInState.transitionSteps);
  return true;
}
bool SetTransitionSteps(CInstance*, int32_t, const RValue* v) {
  const int32_t steps = BuiltIn_Round(*v);
  g_BuiltInState.transitionSteps = steps <= 0 ? 1 : steps;
  return true;
}
bool GetScore(CInstance*, int32_t, RValue* v) {
  v->SetReal(g_RunState.score);
  return true;
}
bool SetScore(CInstance*, int32_t, const RValue* v) {
  g_RunState.score = BuiltIn_Round(*v);
  return true;
}
bool GetLives(CInstance*, int32_t, RValue* v) {
  v->SetReal(g_RunState.lives);
  return true;
}
bool SetLives(CInstance*, int32_t, const RValue* v) {
  const int32_t old = g_RunState.lives;
  g_RunState.lives = BuiltIn_Round(*v);
  if (old > 0 && g_RunState.lives <= 0) PerformOtherForAll(EV_NO_MORE_LIVES);
  return true;
}
bool GetHealth(CInstance*, int32_t, RValue* v) {
  v->SetReal(g_RunState.health);
  return true;
}
bool SetHealth(CInstance*, int32_t, const RValue* v) {
  const double old = g_RunState.health;
  g_RunState.health = v->real;
  if (old > 0 && g_RunState.health <= 0) PerformOtherForAll(EV_NO_MORE_HEALTH);
  return true;
}
bool GetGameId(CInstance*, int32_t, RValue* v) {
  v->SetReal(g_General.gameId);
  return true;
}
bool GetGameGuid(CInstance*, int32_t, RValue* v) {
  v->SetString("");
  return true;
}

// ---- Directories --------------------------------------------------------------------------------

std::string WithoutTrailingSeparator(std::string path) {
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  return path;
}

bool GetWorkingDirectory(CInstance*, int32_t, RValue* v) {
  std::string folder = Folders_GameFolder();
  if (folder.empty()) {
    char buffer[4096];
    if (::getcwd(buffer, sizeof buffer) != nullptr) folder = buffer;
  }
  v->SetString(WithoutTrailingSeparator(folder).c_str());
  return true;
}
bool GetTempDirectory(CInstance*, int32_t, RValue* v) {
  v->SetString(Folders_TempFolder().c_str());
  return true;
}
bool GetProgramDirectory(CInstance*, int32_t, RValue* v) {
  char buffer[4096];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  std::string folder;
  if (length > 0) {
    folder.assign(buffer, static_cast<size_t>(length));
    const size_t cut = folder.find_last_of('/');
    folder = cut == std::string::npos ? std::string() : folder.substr(0, cut + 1);
  }
  v->SetString(WithoutTrailingSeparator(folder).c_str());
  return true;
}

// ---- The instance list --------------------------------------------------------------------------

bool GetInstanceCount(CInstance*, int32_t, RValue* v) {
  class CCount final : public CInstanceVisitor {
   public:
    bool Visit(CInstance*) override {
      ++count;
      return true;
    }
    int32_t count = 0;
  } counter;
  InstanceWorld()->ForEachActive(counter);
  v->SetReal(counter.count);
  return true;
}
bool GetInstanceId(CInstance*, int32_t index, RValue* v) {
  class CNth final : public CInstanceVisitor {
   public:
    explicit CNth(int32_t n) : m_left(n) {}
    bool Visit(CInstance* instance) override {
      if (m_left-- == 0) {
        id = instance->id;
        return false;
      }
      return true;
    }
    int32_t id = -4;  // noone

   private:
    int32_t m_left;
  } nth(index);
  if (index >= 0) InstanceWorld()->ForEachActive(nth);
  v->SetReal(nth.id);
  return true;
}

// ---- Input --------------------------------------------------------------------------------------

bool GetMouseX(CInstance*, int32_t, RValue* v) {
  v->SetReal(IO_MouseX());
  return true;
}
bool GetMouseY(CInstance*, int32_t, RValue* v) {
  v->SetReal(IO_MouseY());
  return true;
}
// Device 0's buttons and the keys; a write sets both copies, so the next step keeps it.
template <int32_t* (*Field)(IOState&)>
bool GetInputInt(CInstance*, int32_t, RValue* v) {
  v->SetReal(*Field(IO_Current()));
  return true;
}
template <int32_t* (*Field)(IOState&)>
bool SetInputInt(CInstance*, int32_t, const RValue* v) {
  *Field(IO_Current()) = *Field(IO_Incoming()) = BuiltIn_Round(*v);
  return true;
}
int32_t* MouseButtonField(IOState& s) { return &s.mouseButton[0]; }
int32_t* MouseLastButtonField(IOState& s) { return &s.mouseLastButton[0]; }
int32_t* KeyField(IOState& s) { return &s.key; }
int32_t* LastKeyField(IOState& s) { return &s.lastKey; }
bool GetLastChar(CInstance*, int32_t, RValue* v) {
  v->SetString(IO_LastCharText().c_str());
  return true;
}
bool SetLastChar(CInstance*, int32_t, const RValue* v) {
  IO_SetLastChar(v->Str());
  return true;
}
bool GetKeyboardString(CInstance*, int32_t, RValue* v) {
  v->SetString(IO_TypedString().c_str());
  return true;
}
bool SetKeyboardString(CInstance*, int32_t, const RValue* v) {
  IO_SetTypedString(v->Str());
  return true;
}
bool GetCursorSprite(CInstance*, int32_t, RValue* v) {
  v->SetReal(g_RunState.cursorSprite);
  return true;
}
bool SetCursorSprite(CInstance*, int32_t, const RValue* v) {
  g_RunState.cursorSprite = BuiltIn_Round(*v);
  return true;
}

// ---- Captions -----------------------------------------------------------------------------------

template <bool BuiltInCaptionState::*Field>
bool GetCaptionFlag(CInstance*, int32_t, RValue* v) {
  v->SetReal(g_BuiltInState.caption.*Field ? 1.0 : 0.0);
  return true;
}
template <bool BuiltInCaptionState::*Field>
bool SetCaptionFlag(CInstance*, int32_t, const RValue* v) {
  g_BuiltInState.caption.*Field = BuiltIn_AboveHalf(*v);
  return true;
}
bool SetShowScore(CInstance* instance, int32_t index, const RValue* v) {
  SetCaptionFlag<&BuiltInCaptionState::showScore>(instance, index, v);
  g_BuiltInState.caption.changedByGame = true;
  return true;
}
template <std::string BuiltInCaptionState::*Field>
bool GetCaptionText(CInstance*, int32_t, RValue* v) {
  v->SetString((g_BuiltInState.caption.*Field).c_str());
  return true;
}
template <std::string BuiltInCaptionState::*Field>
bool SetCaptionText(CInstance*, int32_t, const RValue* v) {
  return SetText(g_BuiltInState.caption.*Field, v);
}

// ---- Time ---------------------------------------------------------------------------------------

bool GetFps(CInstance*, int32_t, RValue* v) {
  v->SetReal(static_cast<double>(g_RunState.fps));
  return true;
}
bool GetCurrentTime(CInstance*, int32_t, RValue* v) {
  v->SetReal(static_cast<double>(Timer_Clock().Micros() / 1000));
  return true;
}
std::tm NowUtc() {
  const std::time_t now = std::time(nullptr);
  std::tm fields{};
  ::gmtime_r(&now, &fields);
  return fields;
}
bool GetYear(CInstance*, int32_t, RValue* v) {
  v->SetReal(NowUtc().tm_year + 1900);
  return true;
}
bool GetMonth(CInstance*, int32_t, RValue* v) {
  v->SetReal(NowUtc().tm_mon);
  return true;
}
bool GetDay(CInstance*, int32_t, RValue* v) {
  v->SetReal(NowUtc().tm_mday);
  return true;
}
bool GetWeekday(CInstance*, int32_t, RValue* v) {
  v->SetReal(NowUtc().tm_wday);
  return true;
}
bool GetHour(CInstance*, int32_t, RValue* v) {
  v->SetReal(NowUtc().tm_hour);
  return true;
}
bool GetMinute(CInstance*, int32_t, RValue* v) {
  v->SetReal(NowUtc().tm_min);
  return true;
}
bool GetSecond(CInstance*, int32_t, RValue* v) {
  v->SetReal(NowUtc().tm_sec);
  return true;
}

// ---- Event context and errors -------------------------------------------------------------------

bool GetEventType(CInstance*, int32_t, RValue* v) {
  v->SetReal(CurrentActionContext().eventType);
  return true;
}
bool GetEventNumber(CInstance*, int32_t, RValue* v) {
  v->SetReal(CurrentActionContext().eventNumber);
  return true;
}
// Inside a timeline moment the object is the timeline's index.
bool GetEventObject(CInstance*, int32_t, RValue* v) {
  const CActionContext& context = CurrentActionContext();
  v->SetReal(context.objectIndex == kTimelineObjectIndex ? context.timelineIndex : context.objectIndex);
  return true;
}
bool GetEventAction(CInstance*, int32_t, RValue* v) {
  v->SetReal(CurrentActionContext().actionNumber);
  return true;
}
bool GetSecureMode(CInstance*, int32_t, RValue* v) {
  v->SetReal(0);
  return true;
}
bool GetErrorOccurred(CInstance*, int32_t, RValue* v) {
  v->SetReal(ErrorOccurred() ? 1.0 : 0.0);
  return true;
}
bool SetErrorOccurred(CInstance*, int32_t, const RValue* v) {
  ::SetErrorOccurred(BuiltIn_AtLeastHalf(*v));
  return true;
}
bool GetErrorLast(CInstance*, int32_t, RValue* v) {
  v->SetString(LastErrorText());
  return true;
}
bool SetErrorLast(CInstance*, int32_t, const RValue* v) {
  SetLastErrorText(v->Str());
  return true;
}

}  // namespace

void BuiltIn_RegisterGlobalVariables() {
  AddBuiltIn("argument_relative", GetArgumentRelative, nullptr, false);
  AddBuiltIn("argument", GetArgument, SetArgument, true);
  AddNumberedArguments(std::make_integer_sequence<int, kArgumentSlotCount>{});
  AddBuiltIn("argument_count", GetArgumentCount, nullptr, false);
  AddBuiltIn("debug_mode", GetDebugMode, nullptr, false);
  BuiltIn_RegisterRoomOrderVariables();  // room, room_first, room_last
  AddBuiltIn("transition_kind", GetTransitionKind, SetTransitionKind, true);
  AddBuiltIn("transition_steps", GetTransitionSteps, SetTransitionSteps, true);
  AddBuiltIn("score", GetScore, SetScore, true);
  AddBuiltIn("lives", GetLives, SetLives, true);
  AddBuiltIn("health", GetHealth, SetHealth, true);
  AddBuiltIn("game_id", GetGameId, nullptr, false);
  AddBuiltIn("game_guid", GetGameGuid, nullptr, false);
  AddBuiltIn("working_directory", GetWorkingDirectory, nullptr, false);
  AddBuiltIn("temp_directory", GetTempDirectory, nullptr, false);
  AddBuiltIn("program_directory", GetProgramDirectory, nullptr, false);
  AddBuiltIn("instance_count", GetInstanceCount, nullptr, false);
  AddBuiltIn("instance_id", GetInstanceId, nullptr, false);
  BuiltIn_RegisterRoomVariables();  // room_width ... view_surface_id
  AddBuiltIn("mouse_x", GetMouseX, nullptr, false);
  AddBuiltIn("mouse_y", GetMouseY, nullptr, false);
  AddBuiltIn("mouse_button", GetInputInt<MouseButtonField>,
             SetInputInt<MouseButtonField>, true);
  AddBuiltIn("mouse_lastbutton", GetInputInt<MouseLastButtonField>,
             SetInputInt<MouseLastButtonField>, true);
  AddBuiltIn("keyboard_key", GetInputInt<KeyField>,
             SetInputInt<KeyField>, true);
  AddBuiltIn("keyboard_lastkey", GetInputInt<LastKeyField>,
             SetInputInt<LastKeyField>, true);
  AddBuiltIn("keyboard_lastchar", GetLastChar, SetLastChar, true);
  AddBuiltIn("keyboard_string", GetKeyboardString, SetKeyboardString, true);
  AddBuiltIn("cursor_sprite", GetCursorSprite, SetCursorSprite, true);
  AddBuiltIn("show_score", GetCaptionFlag<&BuiltInCaptionState::showScore>, SetShowScore, true);
  AddBuiltIn("show_lives", GetCaptionFlag<&BuiltInCaptionState::showLives>,
             SetCaptionFlag<&BuiltInCaptionState::showLives>, true);
  AddBuiltIn("show_health", GetCaptionFlag<&BuiltInCaptionState::showHealth>,
             SetCaptionFlag<&BuiltInCaptionState::showHealth>, true);
  AddBuiltIn("caption_score", GetCaptionText<&BuiltInCaptionState::captionScore>,
             SetCaptionText<&BuiltInCaptionState::captionScore>, true);
  AddBuiltIn("caption_lives", GetCaptionText<&BuiltInCaptionState::captionLives>,
             SetCaptionText<&BuiltInCaptionState::captionLives>, true);
  AddBuiltIn("caption_health", GetCaptionText<&BuiltInCaptionState::captionHealth>,
             SetCaptionText<&BuiltInCaptionState::captionHealth>, true);
  AddBuiltIn("fps", GetFps, nullptr, false);
  AddBuiltIn("current_time", GetCurrentTime, nullptr, false);
  AddBuiltIn("current_year", GetYear, nullptr, false);
  AddBuiltIn("current_month", GetMonth, nullptr, false);
  AddBuiltIn("current_day", GetDay, nullptr, false);
  AddBuiltIn("current_weekday", GetWeekday, nullptr, false);
  AddBuiltIn("current_hour", GetHour, nullptr, false);
  AddBuiltIn("current_minute", GetMinute, nullptr, false);
  AddBuiltIn("current_second", GetSecond, nullptr, false);
  AddBuiltIn("event_type", GetEventType, nullptr, false);
  AddBuiltIn("event_number", GetEventNumber, nullptr, false);
  AddBuiltIn("event_object", GetEventObject, nullptr, false);
  AddBuiltIn("event_action", GetEventAction, nullptr, false);
  AddBuiltIn("secure_mode", GetSecureMode, nullptr, false);
  AddBuiltIn("error_occurred", GetErrorOccurred, SetErrorOccurred, true);
  AddBuiltIn("error_last", GetErrorLast, SetErrorLast, true);
}
