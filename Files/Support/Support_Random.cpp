#include "Support/Support_Random.h"

#include <cmath>

#include "Platform/Platform_Timer.h"

namespace {
uint32_t g_State = kRandomStartSeed;
uint32_t g_Seed = kRandomStartSeed;
}  // namespace

void Random_SetSeed(uint32_t seed) {
  g_Seed = seed;
  g_State = seed;
}

uint32_t Random_GetSeed() { return g_Seed; }

void Random_StartUp() { Random_SetSeed(kRandomStartSeed); }

uint32_t Random_ClockSeed() {
  uint64_t micros = static_cast<uint64_t>(Timer_Clock().Micros());
  uint64_t wall = static_cast<uint64_t>(Timer_WallSeconds() * 1e6);
  uint64_t mixed = (micros * 0x9E3779B97F4A7C15ull) ^ wall;
  mixed ^= mixed >> 29;
  mixed *= 0xBF58476D1CE4E5B9ull;
  mixed ^= mixed >> 32;
  return static_cast<uint32_t>(mixed);
}

int Random_Draw() {
  g_State = g_State * 214013u + 2531011u;
  return static_cast<int>((g_State >> 16) & 0x7FFFu);
}

float Random_Unit() { return static_cast<float>(Random_Draw()) * (1.0f / 32768.0f); }

int Random_Index(int n) {
  if (n <= 0) return 0;
  double index = std::trunc(static_cast<double>(n) * static_cast<double>(Random_Unit()));
  int i = static_cast<int>(index);
  return i >= n ? n - 1 : i;
}
