// One stereo block of Quellor through the host's process call (32- and 64-bit, and bypassed
// through the latency delay line) against the engine's block processing called directly.
// Compare the items-per-second figures of one run: their ratio is the binding's overhead.

#include <benchmark/benchmark.h>

#include <vector>

#include "quellor/Quellor.h"
#include "vst3api/Vst3Api.h"

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr int kBlock = 512;

template <typename T>
struct Block
{
  std::vector<std::vector<T>> in{2, std::vector<T>(kBlock)}, out{2, std::vector<T>(kBlock)};
  T* inPtr[2] = {in[0].data(), in[1].data()};
  T* outPtr[2] = {out[0].data(), out[1].data()};
  AudioBusBuffers inBus, outBus;
  Block()
  {
    uint32_t seed = 7;
    for (auto& ch : in)
      for (T& x : ch)
      {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<T>(((seed >> 8) / 16777216.0 * 2.0 - 1.0) * 0.1);
      }
    inBus.numChannels = outBus.numChannels = 2;
    if constexpr (sizeof(T) == 4)
    {
      inBus.channelBuffers32 = inPtr;
      outBus.channelBuffers32 = outPtr;
    }
    else
    {
      inBus.channelBuffers64 = inPtr;
      outBus.channelBuffers64 = outPtr;
    }
  }
};

struct Bypass : IParameterChanges, IParamValueQueue
{
  tresult PLUGIN_API queryInterface(const TUID, void** obj) override
  {
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return 1; }
  uint32 PLUGIN_API release() override { return 1; }
  int32 PLUGIN_API getParameterCount() override { return 1; }
  IParamValueQueue* PLUGIN_API getParameterData(int32) override { return this; }
  IParamValueQueue* PLUGIN_API addParameterData(const ParamID&, int32&) override { return nullptr; }
  ParamID PLUGIN_API getParameterId() override { return 65536; }
  int32 PLUGIN_API getPointCount() override { return 1; }
  tresult PLUGIN_API getPoint(int32, int32& o, ParamValue& v) override
  {
    o = 0;
    v = 1.0;
    return kResultOk;
  }
  tresult PLUGIN_API addPoint(int32, ParamValue, int32&) override { return kResultFalse; }
};

template <typename T>
void ThroughHost(benchmark::State& state, bool bypass)
{
  auto* q = new Quellor();
  q->initialize(nullptr);
  SpeakerArrangement st = SpeakerArr::kStereo;
  q->setBusArrangements(&st, 1, &st, 1);
  q->activateBus(kAudio, kInput, 0, true);
  q->activateBus(kAudio, kOutput, 0, true);
  ProcessSetup setup{kRealtime, sizeof(T) == 4 ? kSample32 : kSample64, kBlock, 48000.0};
  q->setupProcessing(setup);
  q->GetParam(kDrytail)->SetValue(30.0); // 512 samples of latency for the bypass path
  q->setProcessing(true);
  Block<T> b;
  Bypass changes;
  ProcessData d;
  d.symbolicSampleSize = setup.symbolicSampleSize;
  d.numSamples = kBlock;
  d.numInputs = d.numOutputs = 1;
  d.inputs = &b.inBus;
  d.outputs = &b.outBus;
  q->process(d); // the latency is reported before bypassing
  d.inputParameterChanges = bypass ? &changes : nullptr;
  for (auto _ : state)
  {
    q->process(d);
    benchmark::DoNotOptimize(b.out[0][0]);
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
  q->terminate();
  q->release();
}

void Direct(benchmark::State& state)
{
  Quellor q;
  q.PrepareWithoutHost(48000.0, kBlock, 2);
  q.GetParam(kDrytail)->SetValue(30.0);
  Block<double> b;
  for (auto _ : state)
  {
    q.ProcessAudioBlock(b.inPtr, b.outPtr, kBlock);
    benchmark::DoNotOptimize(b.out[0][0]);
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
}

void Host32(benchmark::State& s)
{
  ThroughHost<float>(s, false);
}
void Host64(benchmark::State& s)
{
  ThroughHost<double>(s, false);
}
void HostBypassed(benchmark::State& s)
{
  ThroughHost<float>(s, true);
}

} // namespace

BENCHMARK(Direct);
BENCHMARK(Host32);
BENCHMARK(Host64);
BENCHMARK(HostBypassed);
