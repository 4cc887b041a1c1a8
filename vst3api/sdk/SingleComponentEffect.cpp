#include "vst3api/sdk/SingleComponentEffect.h"

namespace Steinberg {
namespace Vst {

SingleComponentEffect::SingleComponentEffect()
{
  processSetup.processMode = kRealtime;
  processSetup.symbolicSampleSize = kSample32;
  processSetup.maxSamplesPerBlock = 1024;
  processSetup.sampleRate = 44100.0;
}

SingleComponentEffect::~SingleComponentEffect() = default;

tresult PLUGIN_API SingleComponentEffect::queryInterface(const TUID _iid, void** obj)
{
  if (!obj)
    return kInvalidArgument;
  if (FUnknownPrivate::iidEqual(_iid, IConnectionPoint::iid))
  {
    *obj = nullptr;
    return kNoInterface;
  }
  if (FUnknownPrivate::iidEqual(_iid, IComponent::iid))
  {
    addRef();
    *obj = static_cast<IComponent*>(this);
    return kResultOk;
  }
  if (FUnknownPrivate::iidEqual(_iid, IAudioProcessor::iid))
  {
    addRef();
    *obj = static_cast<IAudioProcessor*>(this);
    return kResultOk;
  }
  if (FUnknownPrivate::iidEqual(_iid, IProcessContextRequirements::iid))
  {
    addRef();
    *obj = static_cast<IProcessContextRequirements*>(this);
    return kResultOk;
  }
  return EditControllerEx1::queryInterface(_iid, obj);
}

tresult PLUGIN_API SingleComponentEffect::initialize(FUnknown* context)
{
  return EditControllerEx1::initialize(context);
}

tresult PLUGIN_API SingleComponentEffect::terminate()
{
  parameters.removeAll();
  removeAllBusses();
  return EditControllerEx1::terminate();
}

tresult PLUGIN_API SingleComponentEffect::getControllerClassId(TUID /*classId*/)
{
  return kNotImplemented;
}
tresult PLUGIN_API SingleComponentEffect::setIoMode(IoMode /*mode*/)
{
  return kNotImplemented;
}
tresult PLUGIN_API SingleComponentEffect::getRoutingInfo(RoutingInfo&, RoutingInfo&)
{
  return kNotImplemented;
}
tresult PLUGIN_API SingleComponentEffect::setActive(TBool /*state*/)
{
  return kResultOk;
}
tresult PLUGIN_API SingleComponentEffect::setProcessing(TBool /*state*/)
{
  return kNotImplemented;
}
tresult PLUGIN_API SingleComponentEffect::process(ProcessData& /*data*/)
{
  return kNotImplemented;
}

BusList* SingleComponentEffect::getBusList(MediaType type, BusDirection dir)
{
  if (type == kAudio)
    return dir == kInput ? &audioInputs : (dir == kOutput ? &audioOutputs : nullptr);
  if (type == kEvent)
    return dir == kInput ? &eventInputs : (dir == kOutput ? &eventOutputs : nullptr);
  return nullptr;
}

int32 PLUGIN_API SingleComponentEffect::getBusCount(MediaType type, BusDirection dir)
{
  BusList* list = getBusList(type, dir);
  return list ? static_cast<int32>(list->size()) : 0;
}

// A negative index is refused as well (the count alone would let it through).
tresult PLUGIN_API SingleComponentEffect::getBusInfo(MediaType type, BusDirection dir, int32 index,
                                                     BusInfo& info)
{
  BusList* list = getBusList(type, dir);
  if (!list || index < 0 || index >= static_cast<int32>(list->size()))
    return kInvalidArgument;
  Bus* bus = (*list)[static_cast<size_t>(index)].get();
  info.mediaType = type;
  info.direction = dir;
  return bus->getInfo(info) ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API SingleComponentEffect::activateBus(MediaType type, BusDirection dir, int32 index,
                                                      TBool state)
{
  BusList* list = getBusList(type, dir);
  if (!list || index < 0 || index >= static_cast<int32>(list->size()))
    return kInvalidArgument;
  (*list)[static_cast<size_t>(index)]->setActive(state != 0);
  return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::setBusArrangements(SpeakerArrangement* inputs,
                                                             int32 numIns,
                                                             SpeakerArrangement* outputs,
                                                             int32 numOuts)
{
  if (numIns < 0 || numOuts < 0)
    return kInvalidArgument;
  if ((numIns > 0 && !inputs) || (numOuts > 0 && !outputs))
    return kInvalidArgument;
  if (numIns > static_cast<int32>(audioInputs.size()) ||
      numOuts > static_cast<int32>(audioOutputs.size()))
    return kResultFalse;
  for (int32 i = 0; i < numIns; ++i)
    static_cast<AudioBus*>(audioInputs[static_cast<size_t>(i)].get())->setArrangement(inputs[i]);
  for (int32 i = 0; i < numOuts; ++i)
    static_cast<AudioBus*>(audioOutputs[static_cast<size_t>(i)].get())->setArrangement(outputs[i]);
  return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::getBusArrangement(BusDirection dir, int32 index,
                                                            SpeakerArrangement& arr)
{
  BusList* list = getBusList(kAudio, dir);
  if (!list || index < 0 || index >= static_cast<int32>(list->size()))
    return kInvalidArgument;
  arr = static_cast<AudioBus*>((*list)[static_cast<size_t>(index)].get())->getArrangement();
  return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::canProcessSampleSize(int32 symbolicSampleSize)
{
  return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API SingleComponentEffect::setupProcessing(ProcessSetup& setup)
{
  if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue)
    return kResultFalse;
  processSetup = setup;
  return kResultOk;
}

namespace {
template <class B>
B* appendBus(BusList& list, B* bus)
{
  list.append(bus);
  return bus;
}
} // namespace

AudioBus* SingleComponentEffect::addAudioInput(const TChar* name, SpeakerArrangement arr,
                                               BusType busType, int32 flags)
{
  return appendBus(audioInputs, new AudioBus(name, busType, flags, arr));
}

AudioBus* SingleComponentEffect::addAudioOutput(const TChar* name, SpeakerArrangement arr,
                                                BusType busType, int32 flags)
{
  return appendBus(audioOutputs, new AudioBus(name, busType, flags, arr));
}

EventBus* SingleComponentEffect::addEventInput(const TChar* name, int32 channels, BusType busType,
                                               int32 flags)
{
  return appendBus(eventInputs, new EventBus(name, busType, flags, channels));
}

EventBus* SingleComponentEffect::addEventOutput(const TChar* name, int32 channels, BusType busType,
                                                int32 flags)
{
  return appendBus(eventOutputs, new EventBus(name, busType, flags, channels));
}

tresult SingleComponentEffect::removeAudioBusses()
{
  audioInputs.clear();
  audioOutputs.clear();
  return kResultOk;
}

tresult SingleComponentEffect::removeEventBusses()
{
  eventInputs.clear();
  eventOutputs.clear();
  return kResultOk;
}

tresult SingleComponentEffect::removeAllBusses()
{
  removeAudioBusses();
  removeEventBusses();
  return kResultOk;
}

} // namespace Vst
} // namespace Steinberg
