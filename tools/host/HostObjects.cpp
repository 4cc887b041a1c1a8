#include "tools/host/HostObjects.h"

#include <algorithm>
#include <cstring>

#include "tools/host/HostPlatform.h"
#include "vst3api/sdk/StringConvert.h"
#include "vst3api/vst/AudioProcessor.h"
#include "vst3api/vst/ChannelContext.h"
#include "vst3api/vst/EditController.h"
#include "vst3api/vst/Units.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace qhost {

// ---- AttributeList ----

tresult PLUGIN_API AttributeList::setInt(AttrID id, int64 value)
{
  if (!id)
    return kInvalidArgument;
  ints[id] = value;
  return kResultTrue;
}

tresult PLUGIN_API AttributeList::getInt(AttrID id, int64& value)
{
  auto it = id ? ints.find(id) : ints.end();
  if (it == ints.end())
    return kResultFalse;
  value = it->second;
  return kResultTrue;
}

tresult PLUGIN_API AttributeList::setFloat(AttrID id, double value)
{
  if (!id)
    return kInvalidArgument;
  floats[id] = value;
  return kResultTrue;
}

tresult PLUGIN_API AttributeList::getFloat(AttrID id, double& value)
{
  auto it = id ? floats.find(id) : floats.end();
  if (it == floats.end())
    return kResultFalse;
  value = it->second;
  return kResultTrue;
}

tresult PLUGIN_API AttributeList::setString(AttrID id, const TChar* string)
{
  if (!id)
    return kInvalidArgument;
  strings[id] = string ? std::u16string(string) : std::u16string();
  return kResultTrue;
}

tresult PLUGIN_API AttributeList::getString(AttrID id, TChar* string, uint32 sizeInBytes)
{
  auto it = id ? strings.find(id) : strings.end();
  if (it == strings.end() || !string)
    return kResultFalse;
  const size_t storedBytes = (it->second.size() + 1) * sizeof(TChar);
  const size_t copyBytes =
      std::min<size_t>(storedBytes, sizeInBytes) / sizeof(TChar) * sizeof(TChar);
  std::memcpy(string, it->second.c_str(), copyBytes);
  return kResultTrue;
}

tresult PLUGIN_API AttributeList::setBinary(AttrID id, const void* data, uint32 sizeInBytes)
{
  if (!id || (!data && sizeInBytes))
    return kInvalidArgument;
  const char* bytes = static_cast<const char*>(data);
  binaries[id] = std::vector<char>(bytes, bytes + sizeInBytes);
  return kResultTrue;
}

tresult PLUGIN_API AttributeList::getBinary(AttrID id, const void*& data, uint32& sizeInBytes)
{
  auto it = id ? binaries.find(id) : binaries.end();
  if (it == binaries.end())
    return kResultFalse;
  data = it->second.data();
  sizeInBytes = static_cast<uint32>(it->second.size());
  return kResultTrue;
}

// ---- Message ----

Message::Message() : attributes(new AttributeList) {}
Message::~Message()
{
  attributes->release();
}

// ---- HostApplication ----

HostApplication::HostApplication(std::u16string name, bool offerRunLoop)
    : appName(std::move(name)), loop(new RunLoop), offerLoop(offerRunLoop)
{}

HostApplication::~HostApplication()
{
  loop->release();
}

tresult PLUGIN_API HostApplication::getName(String128 name)
{
  if (!name)
    return kInvalidArgument;
  strncpy16(name, appName.c_str(), 128);
  return kResultTrue;
}

tresult PLUGIN_API HostApplication::createInstance(TUID cid, TUID _iid, void** obj)
{
  if (!obj)
    return kInvalidArgument;
  *obj = nullptr;
  if (FUnknownPrivate::iidEqual(cid, IMessage::iid) &&
      FUnknownPrivate::iidEqual(_iid, IMessage::iid))
  {
    *obj = static_cast<IMessage*>(new Message);
    return kResultTrue;
  }
  if (FUnknownPrivate::iidEqual(cid, IAttributeList::iid) &&
      FUnknownPrivate::iidEqual(_iid, IAttributeList::iid))
  {
    *obj = static_cast<IAttributeList*>(new AttributeList);
    return kResultTrue;
  }
  return kResultFalse;
}

tresult PLUGIN_API HostApplication::isPlugInterfaceSupported(const TUID _iid)
{
  static const FUID supported[] = {IComponent::iid,
                                   IAudioProcessor::iid,
                                   IEditController::iid,
                                   IEditController2::iid,
                                   IConnectionPoint::iid,
                                   IUnitInfo::iid,
                                   IMidiMapping::iid,
                                   ChannelContext::IInfoListener::iid,
                                   IProcessContextRequirements::iid};
  for (const FUID& id : supported)
    if (FUnknownPrivate::iidEqual(_iid, id))
      return kResultTrue;
  return kResultFalse;
}

tresult PLUGIN_API HostApplication::queryInterface(const TUID _iid, void** obj)
{
  if (!obj)
    return kInvalidArgument;
  if (FUnknownPrivate::iidEqual(_iid, IHostApplication::iid))
  {
    addRef();
    *obj = static_cast<IHostApplication*>(this);
    return kResultOk;
  }
  if (FUnknownPrivate::iidEqual(_iid, IPlugInterfaceSupport::iid))
  {
    addRef();
    *obj = static_cast<IPlugInterfaceSupport*>(this);
    return kResultOk;
  }
  if (platform::kHostsOfferRunLoop && offerLoop &&
      FUnknownPrivate::iidEqual(_iid, Linux::IRunLoop::iid))
    return loop->queryInterface(_iid, obj);
  return FObject::queryInterface(_iid, obj);
}

// ---- PlugFrame ----

tresult PLUGIN_API PlugFrame::resizeView(IPlugView* view, ViewRect* newSize)
{
  if (!view || !newSize)
    return kInvalidArgument;
  ++resizeCount;
  lastSize = *newSize;
  if (onResize)
    onResize(*newSize);
  ViewRect current;
  view->getSize(&current);
  if (current.getWidth() != newSize->getWidth() || current.getHeight() != newSize->getHeight())
    view->onSize(newSize);
  return kResultTrue;
}

tresult PLUGIN_API PlugFrame::queryInterface(const TUID _iid, void** obj)
{
  if (!obj)
    return kInvalidArgument;
  if (FUnknownPrivate::iidEqual(_iid, IPlugFrame::iid))
  {
    addRef();
    *obj = static_cast<IPlugFrame*>(this);
    return kResultOk;
  }
  if (platform::kHostsOfferRunLoop && loop && FUnknownPrivate::iidEqual(_iid, Linux::IRunLoop::iid))
    return loop->queryInterface(_iid, obj);
  return FObject::queryInterface(_iid, obj);
}

} // namespace qhost
