// The timeline functions and the timeline actions of the action library.
#include "Code/Code_Error.h"
#include "Function/Function_Register.h"
#include "Platform/Platform_Console.h"
#include "Run/Run_Instance.h"
#include "Timeline/Timeline_Main.h"

namespace {

const RValue& Arg(int argc, RValue* args, int i) { return FunctionArgument(argc, args, i); }
int Index(int argc, RValue* args, int i) { return FunctionArgumentIndex(Arg(argc, args, i)); }
float Real(int argc, RValue* args, int i) { return RealToFloat(Arg(argc, args, i).real); }

void F_TimelineExists(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  result.SetReal(TimeLine_Exists(Index(argc, args, 0)) ? 1.0 : 0.0);
}

void F_TimelineGetName(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  const char* name = TimeLine_Name(Index(argc, args, 0));
  result.SetString(name != nullptr ? name : "<undefined>");
}

// Timelines cannot be created while the game runs.
void F_TimelineAdd(RValue& result, CInstance*, CInstance*, int, RValue*) { result.SetReal(-1); }

void F_TimelineDelete(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (!TimeLine_Delete(Index(argc, args, 0))) {
    ReportActionError("Trying to delete non-existing timeline.", false);
    result.SetReal(0);
    return;
  }
  result.SetReal(1);
}

void F_TimelineMomentClear(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  TimeLine_ClearMoment(Index(argc, args, 0), Index(argc, args, 1));
  result.SetReal(0);
}

void F_TimelineMomentAdd(RValue& result, CInstance*, CInstance*, int, RValue*) {
  Console::Output("timeline_moment_add :: deprecated function\n");
  result.SetReal(0);
}

// ---- Actions ----------------------------------------------------------------------------------------

void F_ActionSetTimeline(RValue& result, CInstance* self, CInstance*, int argc, RValue* args) {
  result.SetReal(0);
  if (self == nullptr) return;
  self->timeline_index = Index(argc, args, 0);
  self->timeline_position = float(Index(argc, args, 1));
  self->timeline_running = true;
}

// start 0 means "start immediately", loop 1 means "loop".
void F_ActionTimelineSet(RValue& result, CInstance* self, CInstance*, int argc, RValue* args) {
  result.SetReal(0);
  if (self == nullptr) return;
  self->timeline_index = Index(argc, args, 0);
  self->timeline_position = Real(argc, args, 1);
  self->timeline_running = Index(argc, args, 2) == 0;
  self->timeline_loop = Index(argc, args, 3) == 1;
}

void F_ActionSetTimelinePosition(RValue& result, CInstance* self, CInstance*, int argc, RValue* args) {
  result.SetReal(0);
  if (self == nullptr) return;
  const float value = Real(argc, args, 0);
  self->timeline_position = Action_Relative() ? self->timeline_position + value : value;
}

void F_ActionSetTimelineSpeed(RValue& result, CInstance* self, CInstance*, int argc, RValue* args) {
  result.SetReal(0);
  if (self == nullptr) return;
  const float value = Real(argc, args, 0);
  self->timeline_speed = Action_Relative() ? self->timeline_speed + value : value;
}

void F_ActionTimelineStart(RValue& result, CInstance* self, CInstance*, int, RValue*) {
  result.SetReal(0);
  if (self != nullptr) self->timeline_running = true;
}

void F_ActionTimelinePause(RValue& result, CInstance* self, CInstance*, int, RValue*) {
  result.SetReal(0);
  if (self != nullptr) self->timeline_running = false;
}

void F_ActionTimelineStop(RValue& result, CInstance* self, CInstance*, int, RValue*) {
  result.SetReal(0);
  if (self == nullptr) return;
  self->timeline_running = false;
  self->timeline_position = 0;
}

}  // namespace

void Function_Timeline_Bind() {
  ImplementFunction("timeline_exists", F_TimelineExists);
  ImplementFunction("timeline_get_name", F_TimelineGetName);
  ImplementFunction("timeline_name", F_TimelineGetName);
  ImplementFunction("timeline_add", F_TimelineAdd);
  ImplementFunction("timeline_delete", F_TimelineDelete);
  ImplementFunction("timeline_moment_clear", F_TimelineMomentClear);
  ImplementFunction("timeline_moment_add", F_TimelineMomentAdd);
  ImplementFunction("action_set_timeline", F_ActionSetTimeline);
  ImplementFunction("action_timeline_set", F_ActionTimelineSet);
  ImplementFunction("action_set_timeline_position", F_ActionSetTimelinePosition);
  ImplementFunction("action_set_timeline_speed", F_ActionSetTimelineSpeed);
  ImplementFunction("action_timeline_start", F_ActionTimelineStart);
  ImplementFunction("action_timeline_pause", F_ActionTimelinePause);
  ImplementFunction("action_timeline_stop", F_ActionTimelineStop);
}
