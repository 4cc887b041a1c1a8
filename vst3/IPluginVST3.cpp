#include "vst3/IPluginVST3.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "vst3/HostContextMenu.h"
#include "vst3/IPluginVST3View.h"
#include "vst3api/sdk/PluginFactory.h"
#include "vst3api/sdk/StringConvert.h"
#include "vst3api/vst/ContextMenu.h"
#include "vst3api/vst/HostApplication.h"
#include "vst3api/vst/Speakers.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace plugfw {

namespace {

// Marks the calling thread as the one inside process() while the scope lasts: calls the
// host restricts to the UI thread are deferred from there. Kept per object rather than in
// thread-local storage, which a dlopen'ed bundle would hold as dynamic TLS that every thread
// (and every leak checker walking threads) has to carry.
struct InProcessScope
{
  explicit InProcessScope(std::atomic<std::thread::id>& slot) : mSlot(slot)
  {
    mSlot.store(std::this_thread::get_id(), std::memory_order_release);
  }
  ~InProcessScope() { mSlot.store(std::thread::id(), std::memory_order_release); }
  InProcessScope(const InProcessScope&) = delete;
  InProcessScope& operator=(const InProcessScope&) = delete;

private:
  std::atomic<std::thread::id>& mSlot;
};

} // namespace

IPluginVST3::IPluginVST3(const Config& config)
    : IPluginAPIBase(config), IPluginVST3ProcessorBase(config, *this)
{
  mHostKnownLatency.store(std::max(0, GetLatency()));
  StartIdleTimer([this](Timer&) { SyncLatencyWithHost(); });
}

IPluginVST3::~IPluginVST3()
{
  DetachRunLoop();
  StopIdleTimer();
  CloseEditor();
}

tresult PLUGIN_API IPluginVST3::queryInterface(const TUID _iid, void** obj)
{
  if (!obj)
    return kInvalidArgument;
  auto give = [&](FUnknown* p) {
    addRef();
    *obj = p;
    return kResultOk;
  };
  if (FUnknownPrivate::iidEqual(_iid, IMidiMapping::iid))
    return give(static_cast<IMidiMapping*>(this));
  if (FUnknownPrivate::iidEqual(_iid, ChannelContext::IInfoListener::iid))
    return give(static_cast<ChannelContext::IInfoListener*>(this));
  if (FUnknownPrivate::iidEqual(_iid, IComponent::iid))
    return give(static_cast<IComponent*>(this));
  if (FUnknownPrivate::iidEqual(_iid, IAudioProcessor::iid))
    return give(static_cast<IAudioProcessor*>(this));
  if (FUnknownPrivate::iidEqual(_iid, IProcessContextRequirements::iid))
    return give(static_cast<IProcessContextRequirements*>(this));
  if (FUnknownPrivate::iidEqual(_iid, IUnitInfo::iid))
    return give(static_cast<IUnitInfo*>(this));
  if (FUnknownPrivate::iidEqual(_iid, IConnectionPoint::iid))
  {
    *obj = nullptr;
    return kNoInterface;
  }
  return SingleComponentEffect::queryInterface(_iid, obj);
}

void IPluginVST3::AddBusesFromConfigs(int inputCfg, int outputCfg, bool keepActivation)
{
  std::vector<bool> inActive, outActive;
  if (keepActivation)
  {
    for (auto& b : audioInputs)
      inActive.push_back(b->isActive());
    for (auto& b : audioOutputs)
      outActive.push_back(b->isActive());
  }
  removeAudioBusses();

  auto addSide = [&](ERoute dir, int cfgIdx, const std::vector<bool>& active) {
    if (cfgIdx < 0 || cfgIdx >= NIOConfigs())
      return;
    const IOConfig& cfg = GetIOConfig(cfgIdx);
    const int nBuses = cfg.NBuses(dir);
    for (int b = 0; b < nBuses; ++b)
    {
      std::string name;
      GetBusName(dir, b, nBuses, name);
      std::u16string name16 = StringConvert::convert(name);
      const SpeakerArrangement arr = GetAPIBusTypeForChannelIOConfig(cfg.NChansOnBus(dir, b));
      const BusType type = b == 0 ? kMain : kAux;
      const int32 flags = b == 0 ? static_cast<int32>(BusInfo::kDefaultActive) : 0;
      AudioBus* bus = dir == kInput ? addAudioInput(name16.c_str(), arr, type, flags)
                                    : addAudioOutput(name16.c_str(), arr, type, flags);
      if (bus && b < static_cast<int>(active.size()))
        bus->setActive(active[b]);
    }
  };
  addSide(kInput, inputCfg, inActive);
  addSide(kOutput, outputCfg, outActive);
}

tresult PLUGIN_API IPluginVST3::initialize(FUnknown* context)
{
  if (SingleComponentEffect::initialize(context) != kResultOk)
    return kResultFalse;

  int inCfg = 0, outCfg = 0;
  MaxNBuses(kInput, &inCfg);
  MaxNBuses(kOutput, &outCfg);
  AddBusesFromConfigs(inCfg, outCfg, false);
  SetActiveIOConfig(inCfg);
  if (GetPlugType() == kMIDIEffect && audioOutputs.empty())
    addAudioOutput(u"Dummy Output", 0, kMain, 0);
  if (DoesMIDIIn())
    addEventInput(u"MIDI Input", 1);
  if (DoesMIDIOut())
    addEventOutput(u"MIDI Output", 1);

  IPluginVST3ControllerBase::Initialize(*this, *this, parameters, GetPlugType() == kInstrument,
                                        DoesMIDIIn());

  if (context)
  {
    FUnknownPtr<IHostApplication> app(context);
    if (app)
    {
      String128 name = {};
      if (app->getName(name) == kResultOk)
      {
        // Narrowed unit by unit, as the host table keys are plain ASCII.
        char narrow[129] = {};
        for (int i = 0; i < 128 && name[i]; ++i)
          narrow[i] = static_cast<char>(name[i]);
        SetHost(narrow, 0);
      }
    }
    AttachRunLoop(context);
  }
  if (gPluginFactory)
    AttachRunLoop(gPluginFactory->getRunLoop()); // given to the factory by the host (Linux)
  OnHostIdentified();
  OnAllParamsChanged(kReset);
  mInitialized = true;
  return kResultOk;
}

tresult PLUGIN_API IPluginVST3::terminate()
{
  if (!mInitialized)
    return kResultOk; // a second terminate does nothing
  CloseEditor();
  DetachRunLoop();
  mInitialized = false;
  mSetupDone = false;
  mBypassParameter = nullptr; // the container releases it below
  return SingleComponentEffect::terminate();
}

tresult PLUGIN_API IPluginVST3::setActive(TBool state)
{
  OnActivate(state != 0);
  const tresult result = SingleComponentEffect::setActive(state);
  if (state)
  {
    // A host reads the latency after activating: what it reads now needs no restart.
    mLatencyRestartPending.store(false, std::memory_order_release);
    mHostKnownLatency.store(std::max(0, LatencyForCurrentParameters()), std::memory_order_release);
  }
  return result;
}

tresult PLUGIN_API IPluginVST3::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                   SpeakerArrangement* outputs, int32 numOuts)
{
  if (numIns < 0 || numOuts < 0 || (numIns > 0 && !inputs) || (numOuts > 0 && !outputs))
    return kInvalidArgument;
  if (GetHost() == kHostArdour || GetHost() == kHostMixbus)
    return kResultTrue;

  SetChannelConnections(kInput, 0, MaxNChannels(kInput), false);
  SetChannelConnections(kOutput, 0, MaxNChannels(kOutput), false);

  if (numIns > MaxNBuses(kInput) || numOuts > MaxNBuses(kOutput))
    return kResultFalse;

  std::vector<int> inChans, outChans;
  for (int32 i = 0; i < numIns; ++i)
    inChans.push_back(SpeakerArr::getChannelCount(inputs[i]));
  for (int32 i = 0; i < numOuts; ++i)
    outChans.push_back(SpeakerArr::getChannelCount(outputs[i]));

  const int cfg = GetIOConfigWithChanCounts(inChans, outChans);
  if (cfg < 0)
    return kResultFalse;

  AddBusesFromConfigs(cfg, cfg, true);
  SetActiveIOConfig(cfg);
  SetChannelConnections(kInput, 0, GetIOConfig(cfg).GetTotalNChannels(kInput), true);
  SetChannelConnections(kOutput, 0, GetIOConfig(cfg).GetTotalNChannels(kOutput), true);
  return kResultTrue;
}

tresult PLUGIN_API IPluginVST3::canProcessSampleSize(int32 symbolicSampleSize)
{
  return (symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64) ? kResultTrue
                                                                              : kResultFalse;
}

uint32 PLUGIN_API IPluginVST3::getLatencySamples()
{
  // What the parameters imply now, not what the last block saw: hosts read this right after
  // activation, state restores and parameter changes, before any audio has run.
  return static_cast<uint32>(std::max(0, LatencyForCurrentParameters()));
}

tresult PLUGIN_API IPluginVST3::setupProcessing(ProcessSetup& setup)
{
  if (setup.symbolicSampleSize != kSample32 && setup.symbolicSampleSize != kSample64)
    return kResultFalse;
  if (!IsValidSetup(setup))
    return kInvalidArgument;
  if (!mInitialized)
    return kNotInitialized;
  processSetup = setup;
  ApplyProcessSetup(setup);
  ResetEngine();
  mSetupDone = true;
  return kResultOk;
}

tresult PLUGIN_API IPluginVST3::setProcessing(TBool state)
{
  if (!state && mSetupDone)
  {
    // Some hosts call this from their audio thread: a latency change it causes is reported
    // to the host from the idle timer.
    InProcessScope scope(mProcessThread);
    ResetEngine();
  }
  return kResultOk;
}

tresult PLUGIN_API IPluginVST3::process(ProcessData& data)
{
  if (!mInitialized || !mSetupDone)
  {
    ZeroHostOutputs(data); // nothing is set up: answer with silence
    return kResultOk;
  }
  InProcessScope scope(mProcessThread);
  PrepareProcessContext(data);
  SetRenderingOffline(data.processMode == kOffline);
  ProcessParameterChanges(data.inputParameterChanges);
  if (GetBypassed())
  {
    // The block processing, which keeps the latency per block, does not run while bypassed;
    // the delay line must still match what the host compensates.
    const int latency = std::max(0, LatencyForCurrentParameters());
    if (latency != GetLatency())
      ReportLatency(latency);
  }
  if (DoesMIDIIn())
    ProcessMidiIn(data.inputEvents);
  ProcessAudio(data, audioInputs, audioOutputs);
  if (DoesMIDIOut())
    ProcessMidiOut(data.outputEvents);
  mMidiOutputList.clear();
  return kResultOk;
}

uint32 PLUGIN_API IPluginVST3::getTailSamples()
{
  const int tail = GetTailSize();
  if (tail == INT_MAX)
    return kInfiniteTail;
  return static_cast<uint32>(std::max(0, tail));
}

tresult IPluginVST3::getProcessorState(IBStream* state)
{
  SyncLatencyWithHost();
  if (!state)
    return kInvalidArgument;
  IByteChunk chunk;
  if (!SerializeState(chunk))
    return kResultFalse;
  int32 written = 0;
  if (chunk.Size() > 0 && (state->write(chunk.GetData(), chunk.Size(), &written) != kResultOk ||
                           written != chunk.Size()))
    return kResultFalse;
  uint8 bypass[4];
  IByteChunk::ToLittleEndian(static_cast<int32>(GetBypassed() ? 1 : 0), bypass);
  if (state->write(bypass, 4, &written) != kResultOk || written != 4)
    return kResultFalse;
  IByteChunk engine;
  if (!SerializeEngineState(engine))
    return kResultFalse;
  if (engine.Size() > 0 && (state->write(engine.GetData(), engine.Size(), &written) != kResultOk ||
                            written != engine.Size()))
    return kResultFalse;
  return kResultOk;
}

bool IPluginVST3::SerializeEngineState(IByteChunk&)
{
  return true;
}

void IPluginVST3::UnserializeEngineState(const IByteChunk&, int) {}

tresult IPluginVST3::setProcessorState(IBStream* state)
{
  if (!state)
    return kInvalidArgument;
  // More than this is not a state of ours; reading stops there.
  constexpr int kMaxStateBytes = 1 << 20;
  IByteChunk chunk;
  uint8 buffer[128];
  while (chunk.Size() < kMaxStateBytes)
  {
    int32 read = 0;
    // A stream may claim more bytes than it wrote: those read as zeros, never as stale stack.
    std::memset(buffer, 0, sizeof(buffer));
    const tresult res = state->read(buffer, static_cast<int32>(sizeof(buffer)), &read);
    if (res != kResultOk && GetHost() != kHostWaveLab)
      break;
    if (read <= 0)
      break;
    chunk.PutBytes(buffer, std::min<int32>(read, static_cast<int32>(sizeof(buffer))));
  }

  const int pos = UnserializeState(chunk, 0);
  int32 bypass = 0;
  const int end = pos < 0 ? -1 : chunk.Get(&bypass, pos);
  if (end < 0)
  {
    // The values read so far are in effect; the host must see them too, not the old ones.
    UpdateControllerValues(*this, parameters, GetBypassed());
    SyncLatencyWithHost();
    return kResultFalse;
  }
  SetBypassed(bypass > 0);
  UpdateControllerValues(*this, parameters, bypass > 0);
  UnserializeEngineState(chunk, end);
  OnStateRestored();
  SyncLatencyWithHost();
  return kResultOk;
}

tresult PLUGIN_API IPluginVST3::setComponentState(IBStream*)
{
  return kResultOk;
}
tresult IPluginVST3::setEditorState(IBStream*)
{
  return kResultOk;
}
tresult IPluginVST3::getEditorState(IBStream*)
{
  return kResultOk;
}

tresult PLUGIN_API IPluginVST3::setParamNormalized(ParamID tag, ParamValue value)
{
  Parameter* param = getParameterObject(tag);
  if (!param || std::isnan(value))
    return kResultFalse;
  value = std::clamp(value, 0.0, 1.0);
  param->setNormalized(value);
  if (tag < kBypassParamID && static_cast<int>(tag) < NParams())
  {
    const int idx = static_cast<int>(tag);
    GetParam(idx)->SetNormalValue(value);
    OnParamChangeForEditor(idx, kHost);
    PushValueToControls(idx, value, true);
  }
  else if (tag == kPresetParamID)
  {
    RestorePreset(static_cast<int>(std::round((NPresets() - 1) * value)));
  }
  SyncLatencyWithHost();
  return kResultTrue;
}

IPlugView* PLUGIN_API IPluginVST3::createView(FIDString name)
{
  SyncLatencyWithHost();
  if (!HasUI() || !name || std::strcmp(name, ViewType::kEditor) != 0)
    return nullptr;
  auto* view = new IPluginVST3View(*this);
  mView = view;
  return view;
}

void IPluginVST3::OnViewDestroyed(IPluginVST3View* view)
{
  if (mView == view)
    mView = nullptr;
}

tresult PLUGIN_API IPluginVST3::setComponentHandler(IComponentHandler* handler)
{
  const tresult result = SingleComponentEffect::setComponentHandler(handler);
  SyncLatencyWithHost();
  return result;
}

tresult PLUGIN_API IPluginVST3::getMidiControllerAssignment(int32 busIndex, int16 channel,
                                                            CtrlNumber midiControllerNumber,
                                                            ParamID& id)
{
  if (busIndex != 0 || channel != 0 || midiControllerNumber < 0 || midiControllerNumber > 129)
    return kResultFalse;
  id = kMIDICCParamStartIdx + static_cast<ParamID>(midiControllerNumber);
  return kResultTrue;
}

tresult PLUGIN_API IPluginVST3::setChannelContextInfos(IAttributeList* list)
{
  SetChannelContextInfos(list);
  return kResultTrue;
}

void IPluginVST3::ReportLatency(int samples)
{
  IPluginProcessor::ReportLatency(samples); // stores it, resizes and clears the delay line
  SyncLatencyWithHost();
}

void IPluginVST3::SyncLatencyWithHost()
{
  if (mProcessThread.load(std::memory_order_acquire) == std::this_thread::get_id())
  {
    // restartComponent belongs to the UI thread: the next UI-thread entry makes the call.
    mLatencyRestartPending.store(true, std::memory_order_release);
    return;
  }
  mLatencyRestartPending.store(false, std::memory_order_release);
  const int latency = std::max(0, LatencyForCurrentParameters());
  if (mHostKnownLatency.exchange(latency, std::memory_order_acq_rel) == latency)
    return; // the host already has this value
  if (componentHandler)
    componentHandler->restartComponent(kLatencyChanged);
}

void IPluginVST3::InformHostOfParameterDetailsChange()
{
  if (componentHandler)
    componentHandler->restartComponent(kParamTitlesChanged);
}

bool IPluginVST3::EditorResize(int width, int height)
{
  if (!HasUI())
    return true;
  if ((width != GetEditorWidth() || height != GetEditorHeight()) && mView)
    mView->ResizeFromPlugin(width, height);
  SetEditorSize(width, height);
  return true;
}

void IPluginVST3::BeginHostEdit(int paramIdx)
{
  beginEdit(static_cast<ParamID>(paramIdx));
}
void IPluginVST3::EndHostEdit(int paramIdx)
{
  endEdit(static_cast<ParamID>(paramIdx));
}

void IPluginVST3::PerformHostEdit(int paramIdx, double normalizedValue)
{
  performEdit(static_cast<ParamID>(paramIdx), normalizedValue);
}

void IPluginVST3::SetParameterValueFromUI(int paramIdx, double normalizedValue)
{
  if (Parameter* p = getParameterObject(static_cast<ParamID>(paramIdx)))
    p->setNormalized(normalizedValue);
  IPluginAPIBase::SetParameterValueFromUI(paramIdx, normalizedValue);
  SyncLatencyWithHost();
}

void IPluginVST3::SendParameterValuesToHost()
{
  UpdateControllerValues(*this, parameters, GetBypassed());
  startGroupEdit();
  for (int i = 0; i < NParams(); ++i)
    PerformHostEdit(i, GetParam(i)->GetNormalValue());
  finishGroupEdit();
}

void IPluginVST3::GetTrackColor(int& r, int& g, int& b) const
{
  r = (mChannelColor >> 16) & 0xFF;
  g = (mChannelColor >> 8) & 0xFF;
  b = mChannelColor & 0xFF;
}

void IPluginVST3::GetTrackName(std::string& str) const
{
  str = mChannelName;
}
int IPluginVST3::GetTrackIndex() const
{
  return mChannelIndex;
}
void IPluginVST3::GetTrackNamespace(std::string& str) const
{
  str = mChannelNamespace;
}
int IPluginVST3::GetTrackNamespaceIndex() const
{
  return mChannelNamespaceIndex;
}

IContextMenu* IPluginVST3::CreateHostMenu(int paramIdx)
{
  if (!componentHandler || !mView)
    return nullptr;
  FUnknownPtr<IComponentHandler3> handler3(componentHandler.get());
  if (!handler3)
    return nullptr;
  const ParamID id = static_cast<ParamID>(paramIdx);
  return handler3->createContextMenu(mView, &id);
}

std::unique_ptr<ui::IHostContextMenu> IPluginVST3::CreateHostContextMenu(int paramIdx)
{
  return WrapHostContextMenu(CreateHostMenu(paramIdx));
}

} // namespace plugfw
