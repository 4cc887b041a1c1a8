#pragma once
// The platform's side of the idle timer: Windows runs timers from the creating thread's message
// loop; on Linux the host's run loop (or a test) ticks them, so ids are only counted.

#include "plugin/Timer.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace plugfw {

// The process-wide list of live timers and its lock.
std::recursive_mutex& TimerListLock();
std::vector<Timer_impl*>& TimerList();

// Called with the list lock held. Returns the id the timer is known by, never 0 on success.
uintptr_t StartSystemTimer(uint32_t intervalMs);
void StopSystemTimer(uintptr_t id);

} // namespace plugfw
