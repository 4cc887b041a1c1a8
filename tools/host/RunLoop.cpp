#include "tools/host/RunLoop.h"

#include <algorithm>

#include "tools/host/HostPlatform.h"

using namespace Steinberg;

namespace qhost {

RunLoop::~RunLoop()
{
  for (Timer& t : timers)
    t.handler->release();
  for (Watch& w : watches)
    w.handler->release();
}

tresult PLUGIN_API RunLoop::registerEventHandler(Linux::IEventHandler* handler,
                                                 Linux::FileDescriptor fd)
{
  if (!handler || fd < 0)
    return kInvalidArgument;
  std::lock_guard<std::recursive_mutex> guard(lock);
  handler->addRef();
  watches.push_back({handler, fd});
  return kResultTrue;
}

tresult PLUGIN_API RunLoop::unregisterEventHandler(Linux::IEventHandler* handler)
{
  if (!handler)
    return kInvalidArgument;
  std::lock_guard<std::recursive_mutex> guard(lock);
  bool found = false;
  for (auto it = watches.begin(); it != watches.end();)
  {
    if (it->handler == handler)
    {
      it->handler->release();
      it = watches.erase(it);
      found = true;
    }
    else
    {
      ++it;
    }
  }
  return found ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API RunLoop::registerTimer(Linux::ITimerHandler* handler,
                                          Linux::TimerInterval milliseconds)
{
  if (!handler || milliseconds == 0)
    return kInvalidArgument;
  std::lock_guard<std::recursive_mutex> guard(lock);
  handler->addRef();
  const auto interval =
      std::chrono::milliseconds(static_cast<int64>(std::min<uint64>(milliseconds, 86400000)));
  timers.push_back({handler, interval, Clock::now() + interval});
  return kResultTrue;
}

tresult PLUGIN_API RunLoop::unregisterTimer(Linux::ITimerHandler* handler)
{
  if (!handler)
    return kInvalidArgument;
  std::lock_guard<std::recursive_mutex> guard(lock);
  for (auto it = timers.begin(); it != timers.end(); ++it)
  {
    if (it->handler == handler)
    {
      it->handler->release();
      timers.erase(it);
      return kResultTrue;
    }
  }
  return kResultFalse;
}

bool RunLoop::stillRegistered(Linux::ITimerHandler* handler)
{
  for (const Timer& t : timers)
    if (t.handler == handler)
      return true;
  return false;
}

int RunLoop::runDue()
{
  std::lock_guard<std::recursive_mutex> guard(lock);
  int calls = 0;
  const auto now = Clock::now();
  // A callback may (un)register: work on a snapshot and check membership before each call.
  std::vector<Linux::ITimerHandler*> due;
  for (Timer& t : timers)
  {
    if (t.due <= now)
    {
      due.push_back(t.handler);
      t.due = now + t.interval;
    }
  }
  calls += callTimers(due);
  std::vector<Watch> snapshot = watches;
  for (const Watch& w : snapshot)
  {
    if (platform::descriptorReadable(w.fd))
    {
      IPtr<Linux::IEventHandler> keep(w.handler);
      w.handler->onFDIsSet(w.fd);
      ++calls;
    }
  }
  return calls;
}

int RunLoop::tickAllTimers()
{
  std::lock_guard<std::recursive_mutex> guard(lock);
  std::vector<Linux::ITimerHandler*> all;
  for (const Timer& t : timers)
    all.push_back(t.handler);
  return callTimers(all);
}

int RunLoop::callTimers(const std::vector<Linux::ITimerHandler*>& handlers)
{
  int calls = 0;
  for (Linux::ITimerHandler* h : handlers)
  {
    if (!stillRegistered(h))
      continue;
    IPtr<Linux::ITimerHandler> keep(h);
    h->onTimer();
    ++calls;
  }
  return calls;
}

std::vector<Linux::FileDescriptor> RunLoop::descriptors()
{
  std::lock_guard<std::recursive_mutex> guard(lock);
  std::vector<Linux::FileDescriptor> out;
  for (const Watch& w : watches)
    out.push_back(w.fd);
  return out;
}

size_t RunLoop::timerCount()
{
  std::lock_guard<std::recursive_mutex> guard(lock);
  return timers.size();
}

size_t RunLoop::eventHandlerCount()
{
  std::lock_guard<std::recursive_mutex> guard(lock);
  return watches.size();
}

} // namespace qhost
