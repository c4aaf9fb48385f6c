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
  for (int i = 0; i < 500 && Zombies() == before; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(Zombies(), before + 1);  // ended, not yet collected
  Platform_ReapChildren();
  EXPECT_EQ(Zombies(), before);
}

}  // namespace
