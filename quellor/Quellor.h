#pragma once
// The plug-in class: ten parameters, the per-block engine chain (notch bank with its detector,
// makeup gain and soft clipper, noise stage, reverb stage) and the exchange with the editor.

#include "engine/NoiseReducer.h"
#include "engine/NotchChannel.h"
#include "engine/NotchExchange.h"
#include "quellor/QuellorProbeApi.h"
#include "engine/ReverbReducer.h"
#include "plugin/Config.h"
#include "plugin/IPluginAPIBase.h"
#include "plugin/IPluginProcessor.h"
#include "vst3/IPluginVST3.h"

#include <atomic>
#include <cstdint>
#include <vector>

struct EditorExchange;

enum EParams
{
  kSensitivity = 0,
  kAutoCut,
  kAutoWidth,
  kMasterTrim,
  kMasterWidth,
  kHushen,
  kDrytail,
  kGain,
  kHold,
  kBypass,
  kNumParams
};

// The configuration record handed to the framework at construction.
plugfw::Config QuellorConfig();

class Quellor : public plugfw::IPluginVST3
{
public:
  Quellor();
  ~Quellor() override;

  // Answers our own probe interface besides the host-facing ones.
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID _iid, void** obj) override;

  void ProcessAudioBlock(double** inputs, double** outputs, int nFrames) override;
  void ResetEngine() override;
  // Keeps an open editor's live controls and status texts in step with the engine.
  void OnIdleTick() override;
  // From the parameters' atomic values: 0 while Bypass is on, else the switched-in stages.
  int LatencyForCurrentParameters() const override;

  // The notch section after the parameters and the bypass flag: written from the engine's
  // published tables (or the restore not yet applied), read into a restore for the audio thread.
  bool SerializeEngineState(plugfw::IByteChunk& chunk) override;
  void UnserializeEngineState(const plugfw::IByteChunk& chunk, int startPos) override;

  // Prepares processing the way a host's set-up does (sample rate, maximum block size, mono or
  // stereo buses, all connected) and resets the engine. For tools and tests without a host.
  void PrepareWithoutHost(double sampleRate, int maxBlockSize, int channels);

  // Editor side of the exchange.
  bool PushNotchCommand(int32_t kind, int32_t slot, float a, float b, float c);
  void CopySnapshot(SnapshotData& out) { ReadSnapshot(SnapshotLock, DisplaySnapshot, out); }
  NotchSlot CopyNotchSlot(int index) { return ReadNotchSlot(SnapshotLock, DisplaySnapshot, index); }
  // The engine's sample rate (48000 until the first reset), for the editor's frequency axis.
  double GetEngineSampleRate() const { return mSampleRate; }
  int32_t GetReportedLatency() const { return mReportedLatency; }
  // The editor's view of the exchange members below.
  EditorExchange MakeEditorExchange();

  // Read-only views of the engine for tools and tests (audio thread or stopped processing only).
  const std::vector<NotchChannel>& Channels() const { return mChannels; }

  // Exchange with the editor.
  AtomicFloat InputPeak;
  AtomicFloat OutputPeak;
  std::atomic<int32_t> ActiveNotchCount{0};
  std::atomic<int32_t> SelectedNotch{-1};
  int32_t LastShownNotch = -2;
  NotchQueue NotchCommandQueue;
  SnapshotData DisplaySnapshot;
  std::atomic<int32_t> SnapshotLock{0};

private:
  // A second interface of the plug-in object: identity and reference count are the owner's.
  template <class Interface>
  class OwnedInterface : public Interface
  {
  public:
    explicit OwnedInterface(Quellor& owner) : mOwner(owner) {}
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID _iid, void** obj) override
    {
      return mOwner.queryInterface(_iid, obj);
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return mOwner.addRef(); }
    Steinberg::uint32 PLUGIN_API release() override { return mOwner.release(); }

  protected:
    Quellor& mOwner;
  };

  // The probe interface: a view of the exchange above.
  class Probe final : public OwnedInterface<quellor::IQuellorProbe>
  {
  public:
    using OwnedInterface::OwnedInterface;
    Steinberg::int32 PLUGIN_API getNotchSlots(quellor::ProbedNotch* slots,
                                              Steinberg::int32 maxSlots) override;
    Steinberg::int32 PLUGIN_API getActiveNotchCount() override;
    Steinberg::int32 PLUGIN_API getSpectrum(float* values, Steinberg::int32 maxValues,
                                            float* binWidth) override;
  };

  // The editor probe: the editor's commands, meters and parameter gestures, for tools acting as
  // the editor from a thread of their own.
  class EditorProbe final : public OwnedInterface<quellor::IQuellorEditorProbe>
  {
  public:
    using OwnedInterface::OwnedInterface;
    Steinberg::tresult PLUGIN_API pushNotchCommand(Steinberg::int32 kind, Steinberg::int32 slot,
                                                   float a, float b, float c) override;
    void PLUGIN_API getMeters(float* inputPeak, float* outputPeak) override;
    Steinberg::tresult PLUGIN_API beginParameterEdit(Steinberg::int32 index) override;
    Steinberg::tresult PLUGIN_API setParameterFromEditor(Steinberg::int32 index,
                                                         double normalized) override;
    Steinberg::tresult PLUGIN_API endParameterEdit(Steinberg::int32 index) override;

  private:
    bool IsParameter(Steinberg::int32 index) const;
  };

  double ParamValue(int index) const;
  // The one rule both the host's reading and the per-block bookkeeping follow.
  int32_t StageLatency(float noiseAmount, float reverbAmount) const;

  Probe mProbe{*this};
  EditorProbe mEditorProbe{*this};

  std::vector<NotchChannel> mChannels;
  // Restored notch banks on their way to the audio thread.
  NotchRestore mNotchRestore;
  std::vector<ReverbReducer> mReverbChannels;
  NoiseReducer mNoiseStage;
  std::vector<std::vector<float>> mScratch;
  // The engine's own copy taken at reset (hides the framework's value of the same name).
  double mSampleRate = 48000.0;
  // Set at reset, read by hosts from any thread. Before the first reset they hold what a
  // reset at 48 kHz will give, so a host reading early already hears the right value.
  std::atomic<int32_t> mNoiseLatency{NoiseReducer::LatencyFor(48000.0)};
  std::atomic<int32_t> mReverbLatency{ReverbReducer::kFrameLength};
  int32_t mReportedLatency = 0;
};
