#pragma once
// A periodic callback on the editor thread.
// Windows: a system timer not bound to a window, so callbacks run on the creating thread's
// message loop. Elsewhere the host's run loop (or a test) drives it through Tick().

#include <cstdint>
#include <functional>

namespace plugfw {

class Timer
{
public:
  using ITimerFunction = std::function<void(Timer& t)>;

  static Timer* Create(ITimerFunction func, uint32_t intervalMs);

  virtual ~Timer() = default;
  virtual void Stop() = 0; // [UI thread]

  // Runs the callback once, now. Used by run-loop drivers and tests.
  void Tick()
  {
    if (mFunc && !mStopped)
      mFunc(*this);
  }
  uint32_t IntervalMs() const { return mIntervalMs; }
  bool IsStopped() const { return mStopped; }

  // Ticks every live timer of the process once (for drivers without a system timer).
  static void TickAll();
  static int NLiveTimers();

protected:
  Timer(ITimerFunction func, uint32_t intervalMs) : mFunc(std::move(func)), mIntervalMs(intervalMs)
  {}

  ITimerFunction mFunc;
  uint32_t mIntervalMs;
  bool mStopped = false;
};

class Timer_impl : public Timer
{
public:
  Timer_impl(ITimerFunction func, uint32_t intervalMs);
  ~Timer_impl() override;
  void Stop() override; // [UI thread]

  uintptr_t SystemId() const { return mSystemId; }

private:
  uintptr_t mSystemId = 0;
};

} // namespace plugfw
