#include "Platform/Platform_Timer.h"

#include <ctime>

namespace {

int64_t MonotonicMicros() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

IClock* g_clock = nullptr;

}  // namespace

SystemClock::SystemClock() : m_origin(MonotonicMicros()) {}
int64_t SystemClock::Micros() { return MonotonicMicros() - m_origin; }
void SystemClock::Reset() { m_origin = MonotonicMicros(); }
void SystemClock::SleepMillis(int64_t ms) {
  if (ms <= 0) return;
  timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>((ms % 1000) * 1000000)};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

IClock& Timer_Clock() {
  static SystemClock system;
  return g_clock ? *g_clock : system;
}

void Timer_SetClock(IClock* clock) { g_clock = clock; }

void Timer_Wait(IClock& clock, int64_t micros, const std::function<void()>& pump) {
  if (micros <= 0) return;
  if (micros > 3000000) micros = 3000000;
  const int64_t start = clock.Micros();
  if (micros >= 2000) clock.SleepMillis((micros - 1000) / 1000);
  for (;;) {
    if (pump) pump();
    const int64_t now = clock.Micros();
    if (now < start || now - start >= micros) break;
  }
}

double Timer_WallSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}
