// One plug-in instance and the call sequence a host has with it: create, initialise, buses,
// setup, activate, process, state, terminate.
#pragma once

#include <string>
#include <vector>

#include "tools/host/MemoryStream.h"
#include "tools/host/ProcessObjects.h"
#include "vst3api/Vst3Api.h"

namespace qhost {

class PluginInstance
{
public:
  PluginInstance() = default;
  PluginInstance(const PluginInstance&) = delete;
  PluginInstance& operator=(const PluginInstance&) = delete;
  ~PluginInstance() { release(); }

  // Creates the class as IComponent and finds its other parts. A single-component effect answers
  // IEditController itself; otherwise the controller class is created and connected.
  bool create(Steinberg::IPluginFactory* factory, const Steinberg::TUID classId);
  // Terminates what was initialised and drops every reference.
  void release();

  Steinberg::tresult initialize(Steinberg::FUnknown* hostContext);
  Steinberg::tresult terminate();

  Steinberg::tresult setBusArrangements(Steinberg::Vst::SpeakerArrangement in,
                                        Steinberg::Vst::SpeakerArrangement out);
  // Activates every audio bus (the host's usual first step).
  void activateMainBuses();
  Steinberg::tresult setupProcessing(double sampleRate, Steinberg::int32 maxBlock,
                                     Steinberg::int32 sampleSize,
                                     Steinberg::int32 mode = Steinberg::Vst::kRealtime);
  // setActive then setProcessing (or the reverse order when stopping).
  Steinberg::tresult start();
  Steinberg::tresult stop();

  // One block. in/out are channel arrays of the instance's sample size; changes may be null.
  // Channel counts come from the arrays; numSamples may be 0.
  Steinberg::tresult process32(float* const* in, Steinberg::int32 inChannels, float* const* out,
                               Steinberg::int32 outChannels, Steinberg::int32 numSamples,
                               Steinberg::Vst::IParameterChanges* changes = nullptr);
  Steinberg::tresult process64(double* const* in, Steinberg::int32 inChannels, double* const* out,
                               Steinberg::int32 outChannels, Steinberg::int32 numSamples,
                               Steinberg::Vst::IParameterChanges* changes = nullptr);
  // Processes with caller-made ProcessData (for malformed-call tests).
  Steinberg::tresult processRaw(Steinberg::Vst::ProcessData& data);

  // The component's state, then handed to the controller as setComponentState does in hosts.
  Steinberg::tresult saveState(MemoryStream& stream);
  Steinberg::tresult loadState(MemoryStream& stream);

  Steinberg::Vst::IComponent* component() const { return comp; }
  Steinberg::Vst::IAudioProcessor* processor() const { return proc; }
  Steinberg::Vst::IEditController* controller() const { return ctrl; }
  bool isSingleComponent() const { return singleComponent; }
  bool isInitialized() const { return initialized; }
  const std::string& error() const { return lastError; }

  std::vector<Steinberg::Vst::ParameterInfo> parameters();

private:
  Steinberg::tresult process(Steinberg::int32 sampleSize, void* const* in,
                             Steinberg::int32 inChannels, void* const* out,
                             Steinberg::int32 outChannels, Steinberg::int32 numSamples,
                             Steinberg::Vst::IParameterChanges* changes);

  Steinberg::Vst::IComponent* comp = nullptr;
  Steinberg::Vst::IAudioProcessor* proc = nullptr;
  Steinberg::Vst::IEditController* ctrl = nullptr;
  bool singleComponent = false;
  bool initialized = false;
  bool controllerInitialized = false;
  Steinberg::int32 sampleSize = Steinberg::Vst::kSample32;
  Steinberg::int32 processMode = Steinberg::Vst::kRealtime;
  Steinberg::Vst::ProcessContext context{};
  std::string lastError;
};

} // namespace qhost
