#include "plugin/Timer.h"

#include <algorithm>
#include <mutex>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace plugfw {

namespace {

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

bool IsLive(const Timer_impl* t)
{
  const auto& list = TimerList();
  return std::find(list.begin(), list.end(), t) != list.end();
}

#ifdef _WIN32
void CALLBACK TimerProc(HWND, UINT, UINT_PTR idEvent, DWORD)
{
  std::lock_guard<std::recursive_mutex> guard(TimerListLock());
  for (Timer_impl* t : TimerList())
  {
    if (t->SystemId() == idEvent)
    {
      t->Tick();
      break;
    }
  }
}
#endif

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
#ifdef _WIN32
  mSystemId = SetTimer(nullptr, 0, intervalMs, TimerProc);
#else
  static uintptr_t nextId = 1;
  mSystemId = nextId++;
#endif
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
#ifdef _WIN32
  if (mSystemId)
    KillTimer(nullptr, mSystemId);
#endif
  auto& list = TimerList();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

} // namespace plugfw
