// One frame's handling of the new-room requests, observed through the run hooks.
#include <gtest/gtest.h>

#include <vector>

#include "Run/Run_Game.h"
#include "Run/Run_Hooks.h"
#include "Run/Run_State.h"

namespace {

std::vector<bool> g_presents;
int g_entered = 0;
int g_left = 0;
int g_changedTo = -1;

class RunFrame : public testing::Test {
 protected:
  void SetUp() override {
    saved = g_RunHooks;
    g_RunHooks = RunHooks{};
    g_RunHooks.endFrame = [](bool present) { g_presents.push_back(present); };
    g_RunHooks.enterFirstRoom = [] {
      ++g_entered;
      g_RunState.roomEntered = true;
    };
    g_RunHooks.leaveRoom = [](bool) { ++g_left; };
    g_RunHooks.changeRoom = [](int32_t room) {
      g_changedTo = room;
      g_RunState.newRoom = kNoRequest;
    };
    g_presents.clear();
    g_entered = g_left = 0;
    g_changedTo = -1;
    RunState_Reset();
    g_RunState.running = true;
    options.noSleep = true;
  }
  void TearDown() override { g_RunHooks = saved; }
  RunHooks saved;
  LoopOptions options;
  FrameTiming timing;
};

}  // namespace

TEST_F(RunFrame, EndingAfterNFramesSkipsPresentingTheLastOne) {
  options.frames = 3;
  for (int i = 0; i < 3 && g_RunState.running; ++i) Run_Frame(timing, options);
  EXPECT_FALSE(g_RunState.running);
  EXPECT_EQ(g_presents, (std::vector<bool>{true, true, false}));
  EXPECT_EQ(g_RunState.stepCounter, 3);
}

TEST_F(RunFrame, APendingRequestCutsTheStepAndIsActedOnAtTheEndOfTheFrame) {
  g_RunState.newRoom = 4;
  Run_Frame(timing, options);
  EXPECT_EQ(g_changedTo, 4);
  EXPECT_EQ(g_presents, (std::vector<bool>{false}));
  EXPECT_EQ(g_RunState.stepCounter, 0);  // the step did not complete
  EXPECT_TRUE(g_RunState.running);

  testing::internal::CaptureStdout();
  g_RunState.newRoom = kRequestRestart;
  g_RunState.score = 50;
  g_RunState.roomEntered = true;
  Run_Frame(timing, options);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(g_left, 1);      // the game ended (room end and game end)...
  EXPECT_EQ(g_entered, 1);   // ...and started again in the first room
  EXPECT_EQ(g_RunState.score, 0);
  EXPECT_NE(out.find("StartGame()\n"), std::string::npos);
  EXPECT_TRUE(g_RunState.running);

  g_RunState.newRoom = kRequestEndAfterError;
  Run_Frame(timing, options);
  EXPECT_FALSE(g_RunState.running);
}
