#include <gtest/gtest.h>

#include "Platform/Platform_Timer.h"
#include "Run/Run_Pacing.h"

TEST(FramePacing, FramesWaitTheRestOfTheirBudget) {
  FrameTiming t;
  Pacing_Start(t, 0);
  // Speed 30: a budget of 33333 us. The first frame comes 1000 us after the start.
  EXPECT_EQ(Pacing_FrameWait(t, 1000, 30), 32333);
  EXPECT_EQ(t.previousFrameTime, 33333);
  // The step took 5000 us: the next frame starts at 38333 and waits 33333 - 5000.
  EXPECT_EQ(Pacing_FrameWait(t, 38333, 30), 28333);
  EXPECT_EQ(t.previousFrameTime, 66666);
}

TEST(FramePacing, ALateFrameWaitsNothingAndTheNextIsMeasuredFromTheDelay) {
  FrameTiming t;
  Pacing_Start(t, 0);
  EXPECT_EQ(Pacing_FrameWait(t, 100000, 30), 0);  // 100 ms late
  EXPECT_EQ(t.previousFrameTime, 100000);
  EXPECT_EQ(Pacing_FrameWait(t, 110000, 30), 23333);
}

TEST(FramePacing, SpeedZeroRunsAsOneAndTheClockGoingBackIsClamped) {
  FrameTiming t;
  Pacing_Start(t, 0);
  EXPECT_EQ(Pacing_FrameWait(t, 0, 0), 1000000);
  EXPECT_EQ(Pacing_FrameWait(t, 0, -5), 1000000);  // the previous time (2e6... ) is later than now
  EXPECT_EQ(t.previousFrameTime, 1000000);
}

TEST(FramePacing, FramesPerSecondWindow) {
  FrameTiming t;
  Pacing_Start(t, 0);
  // Ten frames at speed 10 land at 0.1 s steps; the tenth puts the previous time at 1.0 s.
  for (int i = 0; i < 9; ++i) Pacing_FrameWait(t, t.previousFrameTime, 10);
  EXPECT_EQ(t.fps, 0);
  Pacing_FrameWait(t, t.previousFrameTime, 10);
  EXPECT_EQ(t.previousFrameTime, 1000000);
  EXPECT_EQ(t.fps, 9);  // the frames counted before the window closed
  EXPECT_EQ(t.framesInWindow, 1);
  EXPECT_EQ(t.frameCount, 10);
}

namespace {

struct FakeClock : IClock {
  int64_t now = 0;
  int64_t slept = 0;
  int64_t Micros() override { return now; }
  void Reset() override { now = 0; }
  void SleepMillis(int64_t ms) override {
    slept += ms;
    now += ms * 1000;
  }
};

}  // namespace

TEST(ClockWait, SleepsAllButTheLastMillisecondThenPolls) {
  FakeClock c;
  int pumps = 0;
  Timer_Wait(c, 10500, [&] {
    ++pumps;
    c.now += 100;
  });
  EXPECT_EQ(c.slept, 9);         // (10500 - 1000) / 1000 whole milliseconds
  EXPECT_GE(c.now, 10500);
  EXPECT_EQ(pumps, 15);          // 9000 slept, then 100 us per poll up to 10500

  FakeClock shortWait;
  Timer_Wait(shortWait, 1500, [&] { shortWait.now += 500; });
  EXPECT_EQ(shortWait.slept, 0);  // below 2000 us: no sleep
  FakeClock capped;
  Timer_Wait(capped, 10000000, [&] { capped.now += 1000; });
  EXPECT_EQ(capped.slept, 2999);  // capped at 3 s
  FakeClock none;
  Timer_Wait(none, -5, [&] { none.now += 1; });
  EXPECT_EQ(none.now, 0);
}
