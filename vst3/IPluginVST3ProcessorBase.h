#pragma once
// The audio half of the binding: turns the host's per-block data (parameter queues, events,
// transport, 32- or 64-bit bus buffers) into calls of the plug-in core.

#include <vector>

#include "plugin/IPluginAPIBase.h"
#include "plugin/IPluginProcessor.h"
#include "vst3api/sdk/Bus.h"
#include "vst3api/vst/AudioProcessor.h"
#include "vst3api/vst/Events.h"
#include "vst3api/vst/ParameterChanges.h"
#include "vst3api/vst/ProcessContext.h"

namespace plugfw {

// Speaker arrangement used for a bus of nChans channels (0 when there is none).
Steinberg::Vst::SpeakerArrangement GetAPIBusTypeForChannelIOConfig(int nChans);

class IPluginVST3ProcessorBase : public IPluginProcessor
{
public:
  static constexpr int kMidiListStep = 512;
  // Largest maximum block size accepted at setup (larger requests are refused).
  static constexpr int kMaxBlockSize = 1 << 20;
  static constexpr int kInitialDelayReserve = 4800;
  // Most delay reserved at setup: a tenth of a second up to about 10 MHz. An absurd host rate
  // must neither overflow the sample count nor reserve gigabytes.
  static constexpr int kMaxDelayReserve = 1 << 20;

  IPluginVST3ProcessorBase(const Config& config, IPluginAPIBase& plug);

  bool SendMidiMsg(const IMidiMsg& msg) override; // [audio thread]

  // Applies the last point of each queued parameter change.
  void ProcessParameterChanges(Steinberg::Vst::IParameterChanges* changes); // [audio thread]
  // Copies the host's transport into the time information.
  void PrepareProcessContext(const Steinberg::Vst::ProcessData& data); // [audio thread]
  void ProcessMidiIn(Steinberg::Vst::IEventList* events);              // [audio thread]
  // Attaches the host's buffers, runs the block (or the bypass) and writes 32-bit outputs back.
  void ProcessAudio(Steinberg::Vst::ProcessData& data, Steinberg::Vst::BusList& inputBuses,
                    Steinberg::Vst::BusList& outputBuses);    // [audio thread]
  void ProcessMidiOut(Steinberg::Vst::IEventList* outEvents); // [audio thread]
  // Writes silence into every host output buffer (used when the object cannot process yet).
  static void ZeroHostOutputs(Steinberg::Vst::ProcessData& data); // [audio thread]

  const std::vector<IMidiMsg>& GetMidiOutputList() const { return mMidiOutputList; }

protected:
  // Stores a validated setup: sample rate, block size (scratch buffers), MIDI list capacity.
  void ApplyProcessSetup(const Steinberg::Vst::ProcessSetup& setup); // [UI thread]
  static bool IsValidSetup(const Steinberg::Vst::ProcessSetup& setup);

  std::vector<IMidiMsg> mMidiOutputList;
  int mMainInputChans = 0;
  bool mSidechainActive = false;
  Steinberg::Vst::ProcessSetup mProcessSetup{};
  Steinberg::Vst::ProcessContext mProcessContext{};
  IPluginAPIBase& mPlug;
};

} // namespace plugfw
