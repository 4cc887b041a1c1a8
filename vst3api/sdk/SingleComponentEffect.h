// One object that is both the audio processor (IComponent, IAudioProcessor) and the edit controller.
#pragma once

#include "vst3api/sdk/Bus.h"
#include "vst3api/sdk/EditController.h"
#include "vst3api/vst/AudioProcessor.h"

namespace Steinberg {
namespace Vst {

// IComponent::setState/getState and IEditController::setState/getState share names and
// signatures. This base gives the component pair its own names, setProcessorState and
// getProcessorState, so they do not collide with the controller's (setEditorState/getEditorState).
class ComponentStateSlots : public IComponent
{
public:
  tresult PLUGIN_API setState(IBStream* state) final { return setProcessorState(state); }
  tresult PLUGIN_API getState(IBStream* state) final { return getProcessorState(state); }

  // The state the host saves for the processor (kNotImplemented by default).
  virtual tresult setProcessorState(IBStream* /*state*/) { return kNotImplemented; }
  virtual tresult getProcessorState(IBStream* /*state*/) { return kNotImplemented; }
};

class SingleComponentEffect : public EditControllerEx1,
                              public ComponentStateSlots,
                              public IAudioProcessor,
                              public IProcessContextRequirements
{
public:
  SingleComponentEffect();
  ~SingleComponentEffect() override;

  // IPluginBase (both the component's and the controller's)
  tresult PLUGIN_API initialize(FUnknown* context) override;
  tresult PLUGIN_API terminate() override;

  // IComponent
  tresult PLUGIN_API getControllerClassId(TUID classId) override;
  tresult PLUGIN_API setIoMode(IoMode mode) override;
  int32 PLUGIN_API getBusCount(MediaType type, BusDirection dir) override;
  tresult PLUGIN_API getBusInfo(MediaType type, BusDirection dir, int32 index,
                                BusInfo& bus) override;
  tresult PLUGIN_API getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) override;
  tresult PLUGIN_API activateBus(MediaType type, BusDirection dir, int32 index,
                                 TBool state) override;
  tresult PLUGIN_API setActive(TBool state) override;

  // IAudioProcessor
  tresult PLUGIN_API setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                        SpeakerArrangement* outputs, int32 numOuts) override;
  tresult PLUGIN_API getBusArrangement(BusDirection dir, int32 index,
                                       SpeakerArrangement& arr) override;
  tresult PLUGIN_API canProcessSampleSize(int32 symbolicSampleSize) override;
  uint32 PLUGIN_API getLatencySamples() override { return 0; }
  tresult PLUGIN_API setupProcessing(ProcessSetup& setup) override;
  tresult PLUGIN_API setProcessing(TBool state) override;
  tresult PLUGIN_API process(ProcessData& data) override;
  uint32 PLUGIN_API getTailSamples() override { return kNoTail; }

  // IProcessContextRequirements
  uint32 PLUGIN_API getProcessContextRequirements() override { return processContextRequirements; }

  // Bus builders; list order is the bus index. New buses start inactive.
  AudioBus* addAudioInput(const TChar* name, SpeakerArrangement arr, BusType busType = kMain,
                          int32 flags = BusInfo::kDefaultActive);
  AudioBus* addAudioOutput(const TChar* name, SpeakerArrangement arr, BusType busType = kMain,
                           int32 flags = BusInfo::kDefaultActive);
  EventBus* addEventInput(const TChar* name, int32 channels = 16, BusType busType = kMain,
                          int32 flags = BusInfo::kDefaultActive);
  EventBus* addEventOutput(const TChar* name, int32 channels = 16, BusType busType = kMain,
                           int32 flags = BusInfo::kDefaultActive);
  tresult removeAudioBusses();
  tresult removeEventBusses();
  tresult removeAllBusses();
  BusList* getBusList(MediaType type, BusDirection dir);

  const ProcessSetup& getProcessSetup() const { return processSetup; }

  OBJ_METHODS(Vst::SingleComponentEffect, EditControllerEx1)
  // The one object has no separate controller to talk to, so it refuses IConnectionPoint.
  tresult PLUGIN_API queryInterface(const TUID _iid, void** obj) override;
  REFCOUNT_METHODS(EditControllerEx1)

protected:
  ProcessSetup processSetup;
  uint32 processContextRequirements = 0;

  BusList audioInputs{kAudio, kInput};
  BusList audioOutputs{kAudio, kOutput};
  BusList eventInputs{kEvent, kInput};
  BusList eventOutputs{kEvent, kOutput};
};

} // namespace Vst
} // namespace Steinberg
