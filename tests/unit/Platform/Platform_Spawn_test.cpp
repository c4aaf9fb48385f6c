// Programs started without waiting leave no zombie once the runner reaps them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "Platform/Platform_Spawn.h"

namespace {

// The children of this process that have ended and wait to be collected.
int Zombies() {
  std::ifstream list("/proc/self/task/" + std::to_string(getpid()) + "/children");
  int zombies = 0;
  for (int pid; list >> pid;) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z') ++zombies;
  }
  return zombies;
}

TEST(Spawn, AProgramNotWaitedForIsReapedOnceItEnds) {
  Platform_ReapChildren();  // programs earlier tests started
  const int before = Zombies();
  const SpawnOutcome out = Platform_Spawn("/bin/true", {}, false);
  ASSERT_TRUE(out.started) << out.error;
  for (int i = 0; i < 3000 && Zombies() == before; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(Zombies(), before + 1);  // ended, not yet collected
  Platform_ReapChildren();
  EXPECT_EQ(Zombies(), before);
}

int g_hookCalls = 0;

TEST(Spawn, WaitingCallsTheHookUntilTheProgramEndsAndGivesItsExitStatus) {
  Platform_SetSpawnWaitHook([] { ++g_hookCalls; });
  g_hookCalls = 0;
  const SpawnOutcome slow = Platform_Spawn("/bin/sh", {"-c", "sleep 0.2; exit 3"}, true);
  const int calls = g_hookCalls;
  const SpawnOutcome killed = Platform_Spawn("/bin/sh", {"-c", "kill -9 $$"}, true);
  Platform_SetSpawnWaitHook(nullptr);
  ASSERT_TRUE(slow.started) << slow.error;
  EXPECT_EQ(slow.exitCode, 3);
  EXPECT_GE(calls, 2);  // 0.2 s at about fifty looks a second
  EXPECT_EQ(killed.exitCode, -1);
  EXPECT_EQ(Platform_Spawn("/bin/sh", {"-c", "exit 5"}, true).exitCode, 5);  // without a hook
}

}  // namespace
