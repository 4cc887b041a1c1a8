#include "vst3api/sdk/ComponentBase.h"

#include <string>

#include "vst3api/sdk/StringConvert.h"

namespace Steinberg {
namespace Vst {

tresult PLUGIN_API ComponentBase::initialize(FUnknown* context)
{
  if (hostContext)
    return kResultFalse;
  hostContext = context;
  return kResultOk;
}

tresult PLUGIN_API ComponentBase::terminate()
{
  hostContext = nullptr;
  if (peerConnection)
  {
    IPtr<IConnectionPoint> peer = peerConnection;
    peer->disconnect(this);
    peerConnection = nullptr;
  }
  return kResultOk;
}

tresult PLUGIN_API ComponentBase::connect(IConnectionPoint* other)
{
  if (!other)
    return kInvalidArgument;
  if (peerConnection)
    return kResultFalse;
  peerConnection = other;
  return kResultOk;
}

tresult PLUGIN_API ComponentBase::disconnect(IConnectionPoint* other)
{
  if (peerConnection && other == peerConnection.get())
  {
    peerConnection = nullptr;
    return kResultOk;
  }
  return kResultFalse;
}

tresult PLUGIN_API ComponentBase::notify(IMessage* message)
{
  if (!message)
    return kInvalidArgument;
  const FIDString id = message->getMessageID();
  if (!id || std::string(id) != "TextMessage")
    return kResultFalse;
  IAttributeList* attributes = message->getAttributes();
  if (!attributes)
    return kResultFalse;
  TChar text[256] = {};
  if (attributes->getString("Text", text, sizeof(text)) != kResultOk)
    return kResultFalse;
  text[255] = 0; // the host may leave a cut string unterminated
  const std::string utf8 = StringConvert::convert(text, 256);
  return receiveText(utf8.c_str());
}

IMessage* ComponentBase::allocateMessage() const
{
  FUnknownPtr<IHostApplication> host(hostContext.get());
  if (!host)
    return nullptr;
  void* obj = nullptr;
  TUID iid;
  IMessage::iid.toTUID(iid);
  if (host->createInstance(iid, iid, &obj) != kResultOk)
    return nullptr;
  return static_cast<IMessage*>(obj);
}

tresult ComponentBase::sendMessage(IMessage* message) const
{
  if (!message || !peerConnection)
    return kResultFalse;
  return peerConnection->notify(message);
}

tresult ComponentBase::sendTextMessage(const char8* text) const
{
  IPtr<IMessage> message = owned(allocateMessage());
  if (!message)
    return kResultFalse;
  message->setMessageID("TextMessage");
  IAttributeList* attributes = message->getAttributes();
  if (!attributes)
    return kResultFalse;
  TChar wide[256];
  StringConvert::convert(text ? text : "", wide, 256);
  attributes->setString("Text", wide);
  return sendMessage(message);
}

} // namespace Vst
} // namespace Steinberg
