#include "quellor/Quellor.h"

#include "QuellorVersion.h"
#include "dspmath/DetMath.h"
#include "editor/EditorExchange.h"
#include "editor/EditorIdle.h"
#include "editor/EditorLayout.h"
#include "engine/DenormalGuard.h"
#include "engine/NotchState.h"
#include "graphics/ICanvasPlatform.h"
#include "plugin/IParam.h"

#include <algorithm>
#include <limits>
#include <cmath>
#include <cstring>

plugfw::Config QuellorConfig()
{
  plugfw::Config c;
  c.nParams = kNumParams;
  c.nPresets = 1;
  c.channelIOStr = "1-1 2-2";
  c.pluginName = "Quellor";
  c.productName = "Quellor";
  c.mfrName = "Vantu";
  c.vendorVersion = 0x00010007;
  c.uniqueID = plugfw::FourCC("Qlrx");
  c.mfrID = plugfw::FourCC("VanU");
  c.latency = 0;
  c.plugDoesMidiIn = false;
  c.plugDoesMidiOut = false;
  c.plugDoesMPE = false;
  c.plugDoesChunks = false;
  c.plugType = plugfw::kEffect;
  c.plugHasUI = true;
  c.plugWidth = 740;
  c.plugHeight = 726;
  c.plugMinWidth = 256;
  c.plugMaxWidth = 8192;
  c.plugMinHeight = 256;
  c.plugMaxHeight = 8192;
  c.plugHostResize = false;
  c.bundleID = "";
  c.appGroupID = "";
  return c;
}

namespace {

// Largest finite |x| over the block, as float; non-finite samples carry no level.
float BlockPeak(const double* x, int n)
{
  double peak = 0.0;
  if (x == nullptr)
    return 0.0f;
  for (int i = 0; i < n; ++i)
  {
    const double a = std::fabs(x[i]);
    if (a > peak && a <= 1e300)
      peak = a;
  }
  // A finite double beyond the float range would turn the meter infinite.
  return static_cast<float>(std::min(peak, static_cast<double>(std::numeric_limits<float>::max())));
}

void PassThrough(const double* in, double* out, int n)
{
  if (in == nullptr || out == nullptr || in == out || n <= 0)
    return;
  std::memmove(out, in, sizeof(double) * static_cast<size_t>(n));
}

} // namespace

Quellor::Quellor() : plugfw::IPluginVST3(QuellorConfig())
{
  GetParam(kSensitivity)->DeclareDouble("Sensitivity", 50.0, 0.0, 100.0, 1.0, "%");
  GetParam(kAutoCut)->DeclareDouble("Auto Cut", -18.0, -40.0, -3.0, 0.1, "dB");
  GetParam(kAutoWidth)->DeclareDouble("Auto Width", 25.0, 2.0, 60.0, 0.1, "Q");
  GetParam(kMasterTrim)->DeclareDouble("Master Trim", 0.0, -12.0, 12.0, 0.1, "dB");
  GetParam(kMasterWidth)->DeclareDouble("Master Width", 1.0, 0.5, 2.0, 0.01, "x");
  GetParam(kHushen)->DeclareDouble("Hushen", 0.0, 0.0, 100.0, 0.1, "%");
  GetParam(kDrytail)->DeclareDouble("Drytail", 0.0, 0.0, 100.0, 0.1, "%");
  GetParam(kGain)->DeclareDouble("Gain", 0.0, -24.0, 24.0, 0.1, "dB");
  GetParam(kHold)->DeclareBool("Hold");
  GetParam(kBypass)->DeclareBool("Bypass");
  MakeDefaultPreset("Default");

  SetMakeGraphicsFunc([this]() -> plugfw::IGraphicsContext* {
    return plugfw::ui::MakePlatformCanvas(this, kEditorWidth, kEditorHeight, 30, 1.f);
  });
  SetLayoutFunc([this](plugfw::IGraphicsContext* context) {
    if (auto* g = dynamic_cast<plugfw::ui::ICanvas*>(context))
    {
      AboutInfo about;
      about.productName = GetProductName();
      about.version = quellor::kVersionString;
      about.makerName = GetMfrName();
      about.notice = "Copyright (c) 2026 Vantu. All rights reserved.";
      about.webAddress = "https://quellor.audio/";
      about.email = "support@quellor.audio";
      LayoutEditor(*g, *this, MakeEditorExchange(), about);
    }
  });
}

Quellor::~Quellor() = default;

EditorExchange Quellor::MakeEditorExchange()
{
  return EditorExchange{SnapshotLock,  DisplaySnapshot,  NotchCommandQueue,
                        SelectedNotch, LastShownNotch,   InputPeak,
                        OutputPeak,    ActiveNotchCount, [this] { return mSampleRate; }};
}

void Quellor::OnIdleTick()
{
  if (auto* g = dynamic_cast<plugfw::ui::ICanvas*>(GetUI()))
    EditorIdleTick(*g, MakeEditorExchange());
}

double Quellor::ParamValue(int index) const
{
  const plugfw::IParam* p = GetParam(index);
  const double v = p->GetValue();
  return std::isfinite(v) ? v : p->DefaultValue();
}

int32_t Quellor::StageLatency(float noiseAmount, float reverbAmount) const
{
  return (noiseAmount > 0.001f ? mNoiseLatency.load(std::memory_order_relaxed) : 0) +
         (reverbAmount > 0.001f ? mReverbLatency.load(std::memory_order_relaxed) : 0);
}

int Quellor::LatencyForCurrentParameters() const
{
  if (ParamValue(kBypass) >= 0.5)
    return 0;
  return StageLatency(static_cast<float>(ParamValue(kHushen) / 100.0),
                      static_cast<float>(ParamValue(kDrytail) / 100.0));
}

void Quellor::ProcessAudioBlock(double** inputs, double** outputs, int nFrames)
{
  if (nFrames < 0)
    nFrames = 0;
  const float sensitivity = static_cast<float>(ParamValue(kSensitivity) / 100.0);
  const float autoCut = static_cast<float>(ParamValue(kAutoCut));
  const float autoWidth = static_cast<float>(ParamValue(kAutoWidth));
  const float trim = static_cast<float>(ParamValue(kMasterTrim));
  const float widthScale = static_cast<float>(ParamValue(kMasterWidth));
  const float noiseAmount = static_cast<float>(ParamValue(kHushen) / 100.0);
  const float reverbAmount = static_cast<float>(ParamValue(kDrytail) / 100.0);
  const float gain = static_cast<float>(detmath::Exp10(ParamValue(kGain) / 20.0));
  const bool hold = ParamValue(kHold) >= 0.5;
  const bool bypass = ParamValue(kBypass) >= 0.5;

  const int n = (inputs != nullptr && outputs != nullptr) ? NInChansConnected() : 0;
  const double* in0 = n > 0 ? inputs[0] : nullptr;

  if (bypass)
  {
    if (mReportedLatency != 0)
    {
      ReportLatency(0);
      mReportedLatency = 0;
    }
    for (int k = 0; k < n; ++k)
      PassThrough(inputs[k], outputs[k], nFrames);
    const float peak = BlockPeak(in0, nFrames);
    InputPeak.Store(peak);
    OutputPeak.Store(peak);
    ActiveNotchCount.exchange(0);
    return;
  }

  DenormalGuard flushSubnormals;
  // A restored bank first: edits made before the restore were discarded with it.
  mNotchRestore.Apply(mChannels.data(), static_cast<int>(mChannels.size()));
  NotchCommandQueue.Drain(mChannels.data(), static_cast<int>(mChannels.size()));

  const int32_t latency = StageLatency(noiseAmount, reverbAmount);
  if (latency != mReportedLatency)
  {
    ReportLatency(latency);
    mReportedLatency = latency;
  }

  InputPeak.Store(BlockPeak(in0, nFrames));

  // Channels beyond the prepared ones (or all of them before the first reset) pass through.
  const int prepared =
      static_cast<int>(std::min({mChannels.size(), mReverbChannels.size(), mScratch.size()}));
  int32_t activeTotal = 0;
  for (int k = 0; k < n; ++k)
  {
    const double* in = inputs[k];
    double* out = outputs[k];
    if (in == nullptr || out == nullptr)
      continue;
    if (k >= prepared)
    {
      PassThrough(in, out, nFrames);
      continue;
    }
    std::vector<float>& work = mScratch[k];
    if (static_cast<int>(work.size()) < nFrames)
      work.resize(nFrames); // a host block above the announced maximum: grow once
    float* buf = work.data();
    for (int i = 0; i < nFrames; ++i)
      buf[i] = static_cast<float>(in[i]);

    NotchChannel& ch = mChannels[k];
    ch.sensitivity = sensitivity;
    ch.autoCut = autoCut;
    ch.autoWidth = autoWidth;
    ch.gain = gain;
    ch.trim = trim;
    ch.widthScale = widthScale;
    ch.hold = hold;
    ch.Process(buf, nFrames);

    mNoiseStage.SetAmount(std::clamp(noiseAmount, 0.0f, 1.0f));
    mNoiseStage.Process(buf, nFrames, k);
    mReverbChannels[k].ProcessBlock(buf, nFrames, reverbAmount);

    for (int i = 0; i < nFrames; ++i)
      out[i] = buf[i];
    activeTotal += ch.ActiveFilterCount();
  }
  ActiveNotchCount.exchange(activeTotal);
  OutputPeak.Store(n > 0 ? BlockPeak(outputs[0], nFrames) : 0.0f);
  PublishSnapshot(SnapshotLock, DisplaySnapshot, mChannels.data(),
                  static_cast<int>(mChannels.size()), mNotchRestore.Applied());
}

void Quellor::ResetEngine()
{
  const double rate = GetSampleRate();
  mSampleRate = (rate > 0.0 && std::isfinite(rate)) ? rate : 48000.0;
  const int channelCount = NInChansOfActiveConfig();
  const int blockCapacity = GetBlockSize() < 1 ? 1024 : GetBlockSize();

  // Manual notches, and automatic ones under Hold, outlive the reset; a channel added by the
  // reset starts with the last existing channel's.
  const size_t had = mChannels.size();
  mChannels.resize(static_cast<size_t>(std::max(channelCount, 0)));
  for (size_t k = had; k < mChannels.size() && had > 0; ++k)
    mChannels[k].filters = mChannels[had - 1].filters;
  const bool hold = ParamValue(kHold) >= 0.5;
  for (auto& ch : mChannels)
    ch.InitialiseKeepingNotches(mSampleRate, hold);
  // A restore that arrived while the engine was stopped lands now, at the new rate.
  mNotchRestore.Apply(mChannels.data(), static_cast<int>(mChannels.size()));

  mReverbChannels.assign(channelCount, ReverbReducer{});
  for (auto& r : mReverbChannels)
    r.Reset(mSampleRate);

  mNoiseStage.Prepare(mSampleRate, channelCount);
  mScratch.assign(channelCount, std::vector<float>(blockCapacity, 0.0f));
  mNoiseLatency.store(mNoiseStage.GetLatency(), std::memory_order_relaxed);
  mReverbLatency.store(channelCount > 0 ? mReverbChannels[0].GetLatency() : 0,
                       std::memory_order_relaxed);

  ReportLatency(0);
  mReportedLatency = 0;

  ResetExchange(SnapshotLock, DisplaySnapshot, NotchCommandQueue, mChannels.data(),
                static_cast<int>(mChannels.size()), mNotchRestore.Applied());
  LastShownNotch = -2;
}

void Quellor::PrepareWithoutHost(double sampleRate, int maxBlockSize, int channels)
{
  const int config = GetIOConfigWithChanCounts({channels}, {channels});
  if (config >= 0)
    SetActiveIOConfig(config);
  SetSampleRate(sampleRate);
  SetBlockSize(maxBlockSize);
  SetChannelConnections(plugfw::kInput, 0, MaxNChannels(plugfw::kInput), false);
  SetChannelConnections(plugfw::kOutput, 0, MaxNChannels(plugfw::kOutput), false);
  SetChannelConnections(plugfw::kInput, 0, channels, true);
  SetChannelConnections(plugfw::kOutput, 0, channels, true);
  ResetEngine();
}

bool Quellor::PushNotchCommand(int32_t kind, int32_t slot, float a, float b, float c)
{
  return NotchCommandQueue.Push({kind, slot, a, b, c});
}

bool Quellor::SerializeEngineState(plugfw::IByteChunk& chunk)
{
  NotchBankImage bank = ReadNotchBank(SnapshotLock, DisplaySnapshot);
  // A restore the engine has not yet published is what the bank is about to hold.
  if (bank.sequence != mNotchRestore.LastPosted().sequence)
    bank = mNotchRestore.LastPosted();
  std::vector<uint8_t> section;
  notchstate::Write(bank, ParamValue(kHold) >= 0.5, section);
  return chunk.PutBytes(section.data(), static_cast<int>(section.size()));
}

void Quellor::UnserializeEngineState(const plugfw::IByteChunk& chunk, int startPos)
{
  if (startPos < 0 || startPos > chunk.Size())
    return;
  NotchBankImage image;
  const auto read = notchstate::Read(chunk.GetData() + startPos,
                                     static_cast<size_t>(chunk.Size() - startPos), image);
  if (read != notchstate::ReadResult::kAccepted)
    return;                  // an older state, or one we cannot read: the bank stays as it is
  NotchCommandQueue.Clear(); // edits made before the restore would act on the replaced bank
  mNotchRestore.Post(image);
  ShowNotchBank(SnapshotLock, DisplaySnapshot, image);
  LastShownNotch = -2; // the selected slot may hold another notch now
}
