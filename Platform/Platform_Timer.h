// The microsecond clock and the wait. The clock sits behind a small interface so that frame pacing
// can be tested against a fake clock.
#pragma once
#include <cstdint>
#include <functional>

class IClock {
 public:
  virtual ~IClock() = default;
  // Microseconds since the last Reset.
  virtual int64_t Micros() = 0;
  virtual void Reset() = 0;
  virtual void SleepMillis(int64_t ms) = 0;
};

// The system clock: a monotonic high-resolution counter.
class SystemClock final : public IClock {
 public:
  SystemClock();
  int64_t Micros() override;
  void Reset() override;
  void SleepMillis(int64_t ms) override;

 private:
  int64_t m_origin;
};

// The clock the runner uses (a SystemClock unless a test replaced it).
IClock& Timer_Clock();
void Timer_SetClock(IClock* clock);  // null restores the system clock

// Waits W microseconds: nothing when W <= 0; W is capped at 3 000 000; when W >= 2000 the thread
// first sleeps (W - 1000) / 1000 milliseconds, then pumps messages and re-reads the clock until W
// has elapsed since the start of the wait, or the clock reads earlier than the start.
void Timer_Wait(IClock& clock, int64_t micros, const std::function<void()>& pump);

// Wall-clock time in seconds.
double Timer_WallSeconds();
