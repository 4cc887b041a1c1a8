// The host's run loop for Linux plug-ins: timers and file-descriptor handlers, driven by the UI thread.
#pragma once

#include <chrono>
#include <mutex>
#include <vector>

#include "vst3api/base/PlugView.h"
#include "vst3api/sdk/FObject.h"

namespace qhost {

class RunLoop : public Steinberg::FObject, public Steinberg::Linux::IRunLoop
{
public:
  ~RunLoop() override;

  Steinberg::tresult PLUGIN_API registerEventHandler(Steinberg::Linux::IEventHandler* handler,
                                                     Steinberg::Linux::FileDescriptor fd) override;
  Steinberg::tresult PLUGIN_API
  unregisterEventHandler(Steinberg::Linux::IEventHandler* handler) override;
  Steinberg::tresult PLUGIN_API
  registerTimer(Steinberg::Linux::ITimerHandler* handler,
                Steinberg::Linux::TimerInterval milliseconds) override;
  Steinberg::tresult PLUGIN_API unregisterTimer(Steinberg::Linux::ITimerHandler* handler) override;

  // Calls every timer whose interval has elapsed and every handler whose descriptor is readable.
  // Returns the number of callbacks made.
  int runDue();
  // Calls every registered timer once, whatever its interval (a test tick).
  int tickAllTimers();

  // The descriptors handlers are registered for (to wait on them).
  std::vector<Steinberg::Linux::FileDescriptor> descriptors();
  size_t timerCount();
  size_t eventHandlerCount();

  DEFINE_INTERFACES
  DEF_INTERFACE(Steinberg::Linux::IRunLoop)
  END_DEFINE_INTERFACES(Steinberg::FObject)
  REFCOUNT_METHODS(Steinberg::FObject)

private:
  using Clock = std::chrono::steady_clock;
  struct Timer
  {
    Steinberg::Linux::ITimerHandler* handler;
    std::chrono::milliseconds interval;
    Clock::time_point due;
  };
  struct Watch
  {
    Steinberg::Linux::IEventHandler* handler;
    Steinberg::Linux::FileDescriptor fd;
  };

  bool stillRegistered(Steinberg::Linux::ITimerHandler* handler);
  // Calls each handler still registered when its turn comes (a callback may unregister others).
  int callTimers(const std::vector<Steinberg::Linux::ITimerHandler*>& handlers);

  std::recursive_mutex lock;
  std::vector<Timer> timers;
  std::vector<Watch> watches;
};

} // namespace qhost
