#include "vst3/HostRunLoopAdapter.h"

#include "vst3api/sdk/FObject.h"

using namespace Steinberg;

namespace plugfw {

// One registration: the host calls it; it calls our callback until detached. Hosts may keep a
// reference after unregistering, so the callback is dropped at removal, not at destruction.
class HostRunLoopAdapter::Handler : public FObject,
                                    public Linux::IEventHandler,
                                    public Linux::ITimerHandler
{
public:
  Handler(bool isTimer, Callback cb) : mIsTimer(isTimer), mCallback(std::move(cb)) {}

  void PLUGIN_API onFDIsSet(Linux::FileDescriptor) override { Call(); }
  void PLUGIN_API onTimer() override { Call(); }

  bool IsTimer() const { return mIsTimer; }
  void Detach() { mCallback = nullptr; }

  DEFINE_INTERFACES
  DEF_INTERFACE(Linux::IEventHandler)
  DEF_INTERFACE(Linux::ITimerHandler)
  END_DEFINE_INTERFACES(FObject)
  REFCOUNT_METHODS(FObject)

private:
  void Call()
  {
    // A copy: the callback may remove its own registration.
    if (Callback cb = mCallback)
      cb();
  }

  bool mIsTimer;
  Callback mCallback;
};

std::unique_ptr<HostRunLoopAdapter> HostRunLoopAdapter::FromUnknown(FUnknown* unknown)
{
  if (!unknown)
    return nullptr;
  FUnknownPtr<Linux::IRunLoop> loop(unknown);
  if (!loop)
    return nullptr;
  return std::make_unique<HostRunLoopAdapter>(loop.get());
}

HostRunLoopAdapter::HostRunLoopAdapter(Linux::IRunLoop* loop) : mLoop(loop) {}

HostRunLoopAdapter::~HostRunLoopAdapter()
{
  RemoveAll();
}

int HostRunLoopAdapter::Keep(Handler* h)
{
  const int id = mNextId++;
  mHandlers[id] = h;
  return id;
}

int HostRunLoopAdapter::AddDescriptorHandler(int fd, Callback onReadable)
{
  if (!mLoop || fd < 0 || !onReadable)
    return 0;
  auto* h = new Handler(false, std::move(onReadable));
  if (mLoop->registerEventHandler(h, fd) != kResultTrue)
  {
    h->Detach();
    h->release();
    return 0;
  }
  return Keep(h);
}

int HostRunLoopAdapter::AddTimer(int periodMs, Callback onTimer)
{
  if (!mLoop || periodMs <= 0 || !onTimer)
    return 0;
  auto* h = new Handler(true, std::move(onTimer));
  if (mLoop->registerTimer(h, static_cast<Linux::TimerInterval>(periodMs)) != kResultTrue)
  {
    h->Detach();
    h->release();
    return 0;
  }
  return Keep(h);
}

void HostRunLoopAdapter::Remove(int id)
{
  auto it = mHandlers.find(id);
  if (it == mHandlers.end())
    return;
  Handler* h = it->second;
  mHandlers.erase(it);
  if (h->IsTimer())
    mLoop->unregisterTimer(h);
  else
    mLoop->unregisterEventHandler(h);
  h->Detach();
  h->release();
}

int HostRunLoopAdapter::RegistrationCount() const
{
  return static_cast<int>(mHandlers.size());
}

void HostRunLoopAdapter::RemoveAll()
{
  while (!mHandlers.empty())
    Remove(mHandlers.begin()->first);
}

} // namespace plugfw
