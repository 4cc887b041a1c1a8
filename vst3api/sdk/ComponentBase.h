// Common base of the processor and controller halves: host context and peer connection.
#pragma once

#include "vst3api/base/PluginBase.h"
#include "vst3api/sdk/FObject.h"
#include "vst3api/vst/HostApplication.h"
#include "vst3api/vst/Messages.h"

namespace Steinberg {
namespace Vst {

class ComponentBase : public FObject, public IPluginBase, public IConnectionPoint
{
public:
  ComponentBase() = default;
  ~ComponentBase() override = default;

  // A second initialize (context already held) gives kResultFalse.
  tresult PLUGIN_API initialize(FUnknown* context) override;
  // Drops the context and disconnects from the peer.
  tresult PLUGIN_API terminate() override;

  tresult PLUGIN_API connect(IConnectionPoint* other) override;
  tresult PLUGIN_API disconnect(IConnectionPoint* other) override;
  // "TextMessage" with a "Text" string goes to receiveText(); anything else gives kResultFalse.
  tresult PLUGIN_API notify(IMessage* message) override;

  FUnknown* getHostContext() const { return hostContext.get(); }
  IConnectionPoint* getPeer() const { return peerConnection.get(); }

  // Asks the host for a new message; the caller releases it. Null without a host.
  IMessage* allocateMessage() const;
  tresult sendMessage(IMessage* message) const;
  // Sends "TextMessage" with attribute "Text", cut to 255 characters.
  tresult sendTextMessage(const char8* text) const;
  virtual tresult receiveText(const char8* /*text*/) { return kResultOk; }

  OBJ_METHODS(Vst::ComponentBase, FObject)
  DEFINE_INTERFACES
  DEF_INTERFACE(IPluginBase)
  DEF_INTERFACE(IConnectionPoint)
  END_DEFINE_INTERFACES(FObject)
  REFCOUNT_METHODS(FObject)

protected:
  IPtr<FUnknown> hostContext;
  IPtr<IConnectionPoint> peerConnection;
};

} // namespace Vst
} // namespace Steinberg
