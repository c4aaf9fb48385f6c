#include "Run/Run_Step.h"

#include "Option/Option_Main.h"
#include "Platform/Platform_Timer.h"
#include "Run/Run_State.h"

namespace {

// Stages 4 to 14, after each of which a pending new-room request ends the step.
using Stage = void (*)();
constexpr Stage kEventStages[] = {
    Step_BeginStepEvents, Step_Timelines,   Step_Alarms,          Step_KeyboardEvents,
    Step_JoystickEvents,  Step_MouseEvents, Step_StepEvents,      Step_Motion,
    Step_OtherEvents,     Step_CollisionEvents, Step_EndStepEvents,
};

}  // namespace

bool Run_WindowActive() { return true; }

void Step_PublishInput() {
  const int64_t now = Timer_Clock().Micros();
  g_RunState.stepDeltaMicros = now - g_RunState.previousStepTime;
  g_RunState.previousStepTime = now;
}

bool Step_FrozenWhileInactive() { return g_Options.freezeWhenInactive && !Run_WindowActive(); }

void Step_RememberPositions() {}
void Step_BeginStepEvents() {}
void Step_Timelines() {}
void Step_Alarms() {}
void Step_KeyboardEvents() {}
void Step_JoystickEvents() {}
void Step_MouseEvents() {}
void Step_StepEvents() {}
void Step_Motion() {}
void Step_OtherEvents() {}
void Step_CollisionEvents() {}
void Step_EndStepEvents() {}
void Step_Particles() {}
void Step_RemoveAndDraw() {}
void Step_ScrollBackgrounds() {}
void Step_Animation() {}

void Run_GameStep() {
  Step_PublishInput();
  if (Step_FrozenWhileInactive()) return;
  Step_RememberPositions();
  for (Stage stage : kEventStages) {
    stage();
    if (g_RunState.newRoom != kNoRequest) return;
  }
  Step_Particles();
  Step_RemoveAndDraw();
  Step_ScrollBackgrounds();
  Step_Animation();
  g_RunState.stepCounter += 1;
}
