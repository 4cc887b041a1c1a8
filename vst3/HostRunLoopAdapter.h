#pragma once
// The host's Steinberg::Linux::IRunLoop behind the format-free IHostRunLoop the graphics context
// uses: every registration becomes one handler object of ours registered with the host.

#include <map>
#include <memory>

#include "plugin/IHostRunLoop.h"
#include "vst3api/base/PlugView.h"

namespace plugfw {

class HostRunLoopAdapter : public IHostRunLoop
{
public:
  // An adapter when `unknown` answers Linux::IRunLoop, else null.
  static std::unique_ptr<HostRunLoopAdapter> FromUnknown(Steinberg::FUnknown* unknown);

  explicit HostRunLoopAdapter(Steinberg::Linux::IRunLoop* loop);
  // Unregisters whatever is still registered.
  ~HostRunLoopAdapter() override;
  HostRunLoopAdapter(const HostRunLoopAdapter&) = delete;
  HostRunLoopAdapter& operator=(const HostRunLoopAdapter&) = delete;

  int AddDescriptorHandler(int fd, Callback onReadable) override; // [UI thread]
  int AddTimer(int periodMs, Callback onTimer) override;          // [UI thread]
  void Remove(int id) override;                                   // [UI thread]
  int RegistrationCount() const override;                         // [UI thread]
  void RemoveAll();

private:
  class Handler;
  int Keep(Handler* h);

  Steinberg::IPtr<Steinberg::Linux::IRunLoop> mLoop;
  std::map<int, Handler*> mHandlers; // each holds one reference
  int mNextId = 1;
};

} // namespace plugfw
