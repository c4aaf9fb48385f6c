// Whole game steps over a world whose instances take part in every kind of event dispatch the step
// makes (begin step, an inherited step handler, end step, alarms, animation end) while they move
// and animate in a room that tests them for leaving it: once warm, a step allocates nothing.
#include "AllocationCounter.h"
#include "Run/Run_Step.h"
#include "Run/WorldTestSupport.h"
#include "Variable/Variable_BuiltIn.h"

namespace {

class StepAllocationTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    Variable_InitBuiltIns();
  }
  void TearDown() override {
    WorldTest::TearDown();
    Variable_FreeBuiltIns();
  }

  void BuildWorld(int count) {
    // A room far larger than the distance anything moves: the outside pass runs, nothing leaves.
    AddRoom(0, "field", 100000, 100000);
    World_SetLists(nullptr, nullptr);
    auto* state = new CRoom();
    state->width = 100000;
    state->height = 100000;
    Room_SetState(0, state);
    Room_ResumeLoaded(0);
    AddObject(1, "base");
    On(1, EV_STEP, EV_STEP_NORMAL, "c = a * b + c; a += 1; hspeed = c * 0.01; steps += 1;");
    AddObject(0, "mover", 1);
    On(0, EV_STEP, EV_STEP_BEGIN, "begins += 1;");
    On(0, EV_STEP, EV_STEP_NORMAL, "event_inherited();");
    On(0, EV_STEP, EV_STEP_END, "ends += 1;");
    On(0, EV_ALARM, 0, "alarms += 1; alarm[0] = 2;");
    On(0, EV_OTHER, EV_ANIMATION_END, "animations += 1;");
    On(0, EV_OTHER, EV_OUTSIDE, "outside += 1;");
    Event_BuildLists();
    for (int n = 0; n < count; ++n) {
      CInstance* i = World_CreateInstance(float(1000 + n), 1000, 0);
      for (const char* name : {"begins", "steps", "ends", "alarms", "animations", "outside", "c"}) SetVar(i, name, 0);
      SetVar(i, "a", 1);
      SetVar(i, "b", 2);
      i->SetAlarm(0, 1);
      i->SetSpeed(2);
      i->SetDirection(float(n * 7));
      i->friction = 0.01f;
      i->gravity = 0.02f;
      i->image_speed = 0.5f;
      instances.push_back(i);
    }
  }

  std::vector<CInstance*> instances;
};

TEST_F(StepAllocationTest, AWarmStepAllocatesNothing) {
  if (!AllocationCounter::Available()) GTEST_SKIP() << "the sanitizers own the allocator";
  BuildWorld(200);
  for (int s = 0; s < 3; ++s) Run_GameStep();
  AllocationCounter::Start();
  for (int s = 0; s < 20; ++s) Run_GameStep();
  const int64_t allocations = AllocationCounter::Stop();
  EXPECT_EQ(allocations, 0);
  // The 23 steps did their work: every event ran once a step for every instance, alarm 0 (first
  // at 1, then re-armed to 2) fired in steps 1, 3, ..., 23, and c after step k is k(k + 1).
  for (CInstance* i : {instances.front(), instances.back()}) {
    EXPECT_EQ(Var(i, "begins"), 23);
    EXPECT_EQ(Var(i, "steps"), 23);
    EXPECT_EQ(Var(i, "ends"), 23);
    EXPECT_EQ(Var(i, "animations"), 23);
    EXPECT_EQ(Var(i, "alarms"), 12);
    EXPECT_EQ(Var(i, "outside"), 0);
    EXPECT_NE(i->x, i->xstart);
    EXPECT_EQ(Var(i, "c"), 23 * 24);
    EXPECT_EQ(i->image_index, 11.5f);
  }
}

}  // namespace
