#pragma once
// The host's UI-thread run loop as the editor window sees it, free of any plug-in format: a
// handler called when a file descriptor becomes readable and periodic timers. Linux hosts drive
// plug-in windows this way (the window's X connection and its frame timer); the binding adapts
// the host's own run loop to this interface and hands it to the graphics context before the
// window opens.

#include <functional>

namespace plugfw {

class IHostRunLoop
{
public:
  using Callback = std::function<void()>;
  virtual ~IHostRunLoop() = default;

  // Each returns a registration id above 0, or 0 when the host refused (the callback is dropped).
  virtual int AddDescriptorHandler(int fd, Callback onReadable) = 0; // [UI thread]
  virtual int AddTimer(int periodMs, Callback onTimer) = 0;          // [UI thread]
  // Unregisters one id (descriptor handler or timer); unknown ids are ignored. After it returns
  // the callback is never called again.
  virtual void Remove(int id) = 0; // [UI thread]
  // Registrations currently held (for checks that a closed window left nothing behind).
  virtual int RegistrationCount() const = 0; // [UI thread]
};

} // namespace plugfw
