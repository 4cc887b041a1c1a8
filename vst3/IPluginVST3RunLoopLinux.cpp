// Linux hosts offer a run loop instead of a system timer: the plug-in's idle timer is driven by
// a timer registered there.

#include "vst3/IPluginVST3.h"

#include "vst3api/base/PlugView.h"

using namespace Steinberg;

namespace plugfw {

class IPluginVST3::RunLoopTimer : public FObject, public Linux::ITimerHandler
{
public:
  explicit RunLoopTimer(IPluginVST3& plug) : mPlug(&plug) {}
  void PLUGIN_API onTimer() override
  {
    if (mPlug && mPlug->GetTimer())
      mPlug->GetTimer()->Tick();
  }
  void Detach() { mPlug = nullptr; }

  DEFINE_INTERFACES
  DEF_INTERFACE(Linux::ITimerHandler)
  END_DEFINE_INTERFACES(FObject)
  REFCOUNT_METHODS(FObject)

private:
  IPluginVST3* mPlug;
};

void IPluginVST3::AttachRunLoop(FUnknown* unknown)
{
  if (mRunLoopTimer || !unknown)
    return;
  FUnknownPtr<Linux::IRunLoop> loop(unknown);
  if (!loop)
    return;
  auto* handler = new RunLoopTimer(*this);
  if (loop->registerTimer(handler, IPluginAPIBase::kIdleTimerMs) == kResultOk)
  {
    mRunLoop = IPtr<FUnknown>(loop.get());
    mRunLoopTimer = handler;
  }
  else
  {
    handler->Detach();
    handler->release();
  }
}

void IPluginVST3::DetachRunLoop()
{
  if (!mRunLoopTimer)
    return;
  FUnknownPtr<Linux::IRunLoop> loop(mRunLoop.get());
  if (loop)
    loop->unregisterTimer(mRunLoopTimer);
  mRunLoopTimer->Detach();
  mRunLoopTimer->release();
  mRunLoopTimer = nullptr;
  mRunLoop = nullptr;
}

} // namespace plugfw
