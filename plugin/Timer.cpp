#include "plugin/Timer.h"

#include "plugin/SystemTimer.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace plugfw {

// Process-wide list of live timers. Recursive so that a callback may stop or create timers.
std::recursive_mutex& TimerListLock()
{
  static std::recursive_mutex lock;
  return lock;
}

std::vector<Timer_impl*>& TimerList()
{
  static std::vector<Timer_impl*> list;
  return list;
}

namespace {

bool IsLive(const Timer_impl* t)
{
  const auto& list = TimerList();
  return std::find(list.begin(), list.end(), t) != list.end();
}

} // namespace

Timer* Timer::Create(ITimerFunction func, uint32_t intervalMs)
{
  return new Timer_impl(std::move(func), intervalMs);
}

void Timer::TickAll()
{
  std::lock_guard<std::recursive_mutex> guard(TimerListLock());
  const std::vector<Timer_impl*> snapshot = TimerList();
  for (Timer_impl* t : snapshot)
    if (IsLive(t)) // an earlier callback may have stopped it
      t->Tick();
}

int Timer::NLiveTimers()
{
  std::lock_guard<std::recursive_mutex> guard(TimerListLock());
  return static_cast<int>(TimerList().size());
}

Timer_impl::Timer_impl(ITimerFunction func, uint32_t intervalMs)
    : Timer(std::move(func), intervalMs)
{
  std::lock_guard<std::recursive_mutex> guard(TimerListLock());
  mSystemId = StartSystemTimer(intervalMs);
  TimerList().push_back(this);
}

Timer_impl::~Timer_impl()
{
  Stop();
}

void Timer_impl::Stop()
{
  std::lock_guard<std::recursive_mutex> guard(TimerListLock());
  if (mStopped)
    return;
  mStopped = true;
  StopSystemTimer(mSystemId);
  auto& list = TimerList();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

} // namespace plugfw
