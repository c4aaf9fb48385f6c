#include "Run/Run_Step.h"

#include "Collision/Collision_Query.h"
#include "IO/IO_Step.h"
#include "Object/Object_Class.h"
#include "Object/Object_Event.h"
#include "Option/Option_Main.h"
#include "Particle/Particle_System.h"
#include "Room/Room_Class.h"
#include "Room/Room_Main.h"
#include "Run/Run_World.h"
#include "Platform/Platform_Timer.h"
#include "Run/Run_Hooks.h"
#include "Run/Run_Profile.h"
#include "Run/Run_State.h"
#include "Timeline/Timeline_Main.h"

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
  IO_StepInput();
}

bool Step_FrozenWhileInactive() { return g_Options.freezeWhenInactive && !Run_WindowActive(); }

void Step_RememberPositions() { World_RememberPositions(); }
void Step_BeginStepEvents() { Event_Pass(EV_STEP, EV_STEP_BEGIN); }
void Step_Timelines() { TimeLine_Step(); }
void Step_Alarms() { World_AlarmStep(); }
void Step_KeyboardEvents() { IO_KeyboardEvents(); }
void Step_JoystickEvents() { IO_JoystickEvents(); }
void Step_MouseEvents() { IO_MouseEvents(); }
void Step_StepEvents() { Event_Pass(EV_STEP, EV_STEP_NORMAL); }

namespace {
// Set by the motion stage when a physics world ran in place of it: the collision stage is skipped.
bool g_physicsRan = false;
}  // namespace

void Step_Motion() { g_physicsRan = World_MotionStep(); }

namespace {

// Whether an instance lies entirely outside, or not entirely inside, the rectangle [l, r] x [t, b]:
// by its bounding box when it has a sprite or mask, else by its position.
bool Outside(CInstance* i, float l, float t, float r, float b) {
  if (i->HasSpriteOrMask()) {
    const InstanceBox& box = i->BoundingBox();
    return box.right < l || box.left > r || box.bottom < t || box.top > b;
  }
  return i->x < l || i->x > r || i->y < t || i->y > b;
}

bool CrossesBoundary(CInstance* i, float l, float t, float r, float b) {
  if (i->HasSpriteOrMask()) {
    const InstanceBox& box = i->BoundingBox();
    return box.left < l || box.right > r || box.top < t || box.bottom > b;
  }
  return i->x < l || i->x > r || i->y < t || i->y > b;
}

// One pass of an other event whose condition is tested per instance.
template <class Test>
void ConditionPass(int subType, Test test) {
  const uint64_t stamp = Event_BeginPass();
  const std::vector<int32_t>& list = Event_List(EV_OTHER, subType);
  for (size_t k = 0; k < list.size(); ++k) {
    const int32_t objectIndex = list[k];
    CObject* object = Object_Find(objectIndex);
    if (object == nullptr) continue;
    InstanceSnapshot snapshot(object->instances);
    for (CInstance* i : snapshot) {
      if (i->marked || i->deactivated || i->creation_stamp > stamp) continue;
      if (test(i)) Event_Perform(i, i, objectIndex, EV_OTHER, subType);
    }
  }
}

}  // namespace

namespace {

void ViewPasses(const CRoom* room) {
  for (int n = 0; n < kRoomViewCount; ++n) {
    const CView& v = room->views[n];
    if (!v.visible) continue;
    const float l = float(v.xview), t = float(v.yview), r = float(v.xview + v.wview), b = float(v.yview + v.hview);
    ConditionPass(EV_OUTSIDE_VIEW0 + n, [=](CInstance* i) { return Outside(i, l, t, r, b); });
  }
  for (int n = 0; n < kRoomViewCount; ++n) {
    const CView& v = room->views[n];
    if (!v.visible) continue;
    const float l = float(v.xview), t = float(v.yview), r = float(v.xview + v.wview), b = float(v.yview + v.hview);
    ConditionPass(EV_BOUNDARY_VIEW0 + n, [=](CInstance* i) { return CrossesBoundary(i, l, t, r, b); });
  }
}

}  // namespace

void Step_OtherEvents() {
  CRoom* room = Room_Current();
  if (room == nullptr) return;
  const float w = float(room->width), h = float(room->height);
  ConditionPass(EV_OUTSIDE, [w, h](CInstance* i) { return Outside(i, 0, 0, w, h); });
  ConditionPass(EV_BOUNDARY, [w, h](CInstance* i) { return CrossesBoundary(i, 0, 0, w, h); });
  if (room->viewsEnabled) ViewPasses(room);
  // Finished asynchronous work (web requests) raises its events here and nowhere else.
  if (g_RunHooks.asyncEvents) g_RunHooks.asyncEvents();
}

void Step_CollisionEvents() {
  if (!g_physicsRan) Collision_EventPass();
}
void Step_EndStepEvents() { Event_Pass(EV_STEP, EV_STEP_END); }
void Step_Particles() { ParticleSystem_UpdateAll(); }

void Step_RemoveAndDraw() {
  World_RemoveMarked();
  if (!g_RunState.automaticDraw) return;
  const int64_t start = g_FrameProfile.enabled ? Profile_Now() : 0;
  Room_DrawScreen();
  if (g_FrameProfile.enabled) g_FrameProfile.drawMicros += Profile_Now() - start;
}

void Step_ScrollBackgrounds() { Room_ScrollBackgrounds(); }
void Step_Animation() { World_AnimationStep(); }

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
