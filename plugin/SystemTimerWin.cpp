#include "plugin/SystemTimer.h"

#include <windows.h>

namespace plugfw {

namespace {

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

} // namespace

uintptr_t StartSystemTimer(uint32_t intervalMs)
{
  return SetTimer(nullptr, 0, intervalMs, TimerProc);
}

void StopSystemTimer(uintptr_t id)
{
  if (id)
    KillTimer(nullptr, id);
}

} // namespace plugfw
