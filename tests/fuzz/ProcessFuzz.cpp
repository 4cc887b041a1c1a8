// The process call as sloppy hosts make it: setups at any rate and block size, bus arrangements
// that fit nothing, activation in any order, blocks of any length with missing or shared
// buffers, 32- and 64-bit samples holding NaN, infinities, subnormals and huge values, and
// parameter queues with unknown ids, offsets out of order or out of the block and values out of
// range. After every call: no allocation, no restart request from inside it, finite output once
// finite input has run for a block beyond the latency, notches within their limits, parameters
// and bypass as the queues said, and the latency the parameters imply.

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "tests/fuzz/FuzzPlugin.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

constexpr int kMaxFrames = 8192; // longest block the target hands over
constexpr int kBuffers = 8;      // distinct host buffers, shared by the channel pointers

double PickRate(fuzz::Bytes& in)
{
  static constexpr double kRates[] = {1.0,     8000.0,  22050.0,  44100.0,  48000.0,
                                      88200.0, 96000.0, 192000.0, 384000.0, 1000000.0};
  const uint8_t k = in.u8();
  if (k < 200)
    return kRates[k % std::size(kRates)];
  if (k < 240)
    return 1.0 + in.u32() % 1000000; // anywhere from 1 Hz to 1 MHz
  return in.anyDouble();             // not a rate at all
}

int32 PickBlock(fuzz::Bytes& in)
{
  const uint8_t k = in.u8();
  if (k < 100)
    return 1 << (k % 13); // 1 .. 4096
  if (k < 200)
    return in.range(1, 3000);
  if (k < 230)
    return 1 << 20;                    // the largest the binding takes
  return static_cast<int32>(in.u32()); // zero, negative or absurd
}

SpeakerArrangement PickArrangement(fuzz::Bytes& in)
{
  static constexpr SpeakerArrangement kKnown[] = {SpeakerArr::kMono, SpeakerArr::kStereo, 7, 0,
                                                  0x3ffc000f00000ULL};
  const uint8_t k = in.u8();
  if (k < 220)
    return kKnown[k % std::size(kKnown)];
  return in.u64();
}

struct Host
{
  fuzz::PluginUnderTest p;
  bool setupDone = false;
  int32 sampleSize = kSample32;
  int32 maxBlock = 512;
  std::array<std::vector<double>, kBuffers> storage;
  IPtr<fuzz::RawChanges> changes = owned(new fuzz::RawChanges);
  ProcessContext context{};
  int64_t finiteRun = 0; // input samples since the last one that was not finite
  int32 lastBlock = 0;

  Host()
  {
    for (auto& s : storage)
      s.assign(kMaxFrames, 0.0);
  }

  void setup(fuzz::Bytes& in)
  {
    const double rate = PickRate(in);
    const int32 block = PickBlock(in);
    const int32 size = in.u8() < 240 ? static_cast<int32>(in.u8() & 1) : in.range(-2, 5);
    ProcessSetup s{in.range(0, 2), size, block, rate};
    const tresult r = p.processor->setupProcessing(s);
    const bool valid = (size == kSample32 || size == kSample64) && std::isfinite(rate) &&
                       rate > 0.0 && block > 0 && block <= (1 << 20);
    FUZZ_REQUIRE((r == kResultOk) == valid, "setupProcessing accepts exactly the usable setups");
    if (r == kResultOk)
    {
      setupDone = true;
      sampleSize = size;
      maxBlock = block;
      p.setupRate = rate;
      // Hosts read the latency right after a setup, before any block has run.
      p.checkLatency();
      p.checkEngine();
    }
  }

  void arrange(fuzz::Bytes& in)
  {
    SpeakerArrangement ins[3], outs[3];
    const int32 nIn = in.range(0, 3), nOut = in.range(0, 3);
    for (int i = 0; i < 3; ++i)
    {
      ins[i] = PickArrangement(in);
      outs[i] = PickArrangement(in);
    }
    const tresult r = p.processor->setBusArrangements(ins, nIn, outs, nOut);
    // One bus each way with one channel each or two each: the two configurations.
    const int chIn = std::popcount(ins[0]), chOut = std::popcount(outs[0]);
    const bool fits = nIn == 1 && nOut == 1 && chIn == chOut && (chIn == 1 || chIn == 2);
    FUZZ_REQUIRE((r == kResultTrue) == fits, "setBusArrangements accepts exactly mono or stereo");
  }

  // A channel pointer: one of the host buffers, none, or the same buffer as another channel.
  void* channel(fuzz::Bytes& in, std::vector<void*>& used)
  {
    const uint8_t k = in.u8();
    if (k >= 240)
      return nullptr;
    if (k >= 200 && !used.empty())
      return used[k % used.size()];
    void* b = storage[k % kBuffers].data();
    used.push_back(b);
    return b;
  }

  void fillSignal(fuzz::Bytes& in, double* d, int n, bool is32)
  {
    const uint8_t kind = in.u8();
    float* f = reinterpret_cast<float*>(d);
    const double freq = 0.001 + (in.u8() / 255.0) * 0.45;
    const double level = std::ldexp(1.0, -static_cast<int>(in.u8() % 24));
    for (int i = 0; i < n; ++i)
    {
      double v = 0.0;
      switch (kind % 4)
      {
      case 0:
        v = 0.0;
        break;
      case 1:
        v = level * std::sin(6.283185307179586 * freq * i);
        break;
      case 2:
        v = level * (static_cast<double>((i * 1103515245u + 12345u) >> 8 & 0xFFFF) / 32768.0 - 1.0);
        break;
      default:
        v = (kind & 8) ? 1.0 : -1.0;
        break;
      }
      if (is32)
        f[i] = static_cast<float>(v);
      else
        d[i] = v;
    }
    // Now and then special values in the middle of the block.
    const int specials = in.u8() < 200 ? 0 : in.range(1, 8);
    for (int s = 0; s < specials && n > 0; ++s)
    {
      const int at = in.range(0, n - 1);
      if (is32)
        f[at] = in.anyFloat();
      else
        d[at] = in.anyDouble();
    }
  }

  void process(fuzz::Bytes& in)
  {
    ProcessData data;
    const bool sizeOk = in.u8() < 250;
    data.symbolicSampleSize = sizeOk ? sampleSize : in.range(-1, 4);
    data.processMode = in.range(0, 2);
    const uint8_t lenKind = in.u8();
    int32 n;
    if (lenKind < 150)
      n = in.range(0, std::min(maxBlock, 1024));
    else if (lenKind < 240)
      n = in.range(0, kMaxFrames); // may exceed the announced maximum
    else
      n = -in.range(1, 100000);
    data.numSamples = n;
    const int frames = std::max(0, n);
    const bool is32 = data.symbolicSampleSize == kSample32;

    std::vector<void*> used;
    std::array<AudioBusBuffers, 3> inBuses{}, outBuses{};
    std::array<std::array<void*, 4>, 3> inPtrs{}, outPtrs{};
    data.numInputs = in.range(0, 2);
    data.numOutputs = in.range(0, 2);
    data.inputs = in.u8() < 245 ? inBuses.data() : nullptr;
    data.outputs = in.u8() < 245 ? outBuses.data() : nullptr;
    for (int b = 0; b < 3; ++b)
    {
      inBuses[b].numChannels = in.range(0, 4);
      for (int c = 0; c < 4; ++c)
        inPtrs[b][c] = channel(in, used);
      inBuses[b].channelBuffers64 =
          in.u8() < 250 ? reinterpret_cast<Sample64**>(inPtrs[b].data()) : nullptr;
    }
    const size_t inputBuffers = used.size();
    for (auto& s : storage)
      std::fill(s.begin(), s.end(), 0.0);
    bool finiteInput = true;
    for (size_t i = 0; i < inputBuffers; ++i)
    {
      fillSignal(in, static_cast<double*>(used[i]), frames, is32);
      finiteInput = finiteInput && (is32 ? fuzz::AllFinite(static_cast<float*>(used[i]), frames)
                                         : fuzz::AllFinite(static_cast<double*>(used[i]), frames));
    }
    for (int b = 0; b < 3; ++b)
    {
      outBuses[b].numChannels = in.range(0, 4);
      for (int c = 0; c < 4; ++c)
        outPtrs[b][c] = channel(in, used); // may be an input buffer: in-place processing
      outBuses[b].channelBuffers64 =
          in.u8() < 250 ? reinterpret_cast<Sample64**>(outPtrs[b].data()) : nullptr;
    }
    changes->fill(in, 12);
    data.inputParameterChanges = in.u8() < 230 ? changes.get() : nullptr;
    if (in.u8() < 200)
    {
      context.state = in.u32();
      context.tempo = in.anyDouble();
      context.projectTimeSamples = static_cast<int64>(in.u64());
      context.timeSigNumerator = static_cast<int32>(in.u32());
      context.timeSigDenominator = static_cast<int32>(in.u32());
      data.processContext = &context;
    }

    const bool settled =
        finiteRun >= static_cast<int64_t>(p.processor->getLatencySamples()) + lastBlock;
    p.process(data);

    // Parameters and bypass follow the last usable point of their queues.
    // Before a setup the call only answers silence: queued changes are not taken.
    if (data.inputParameterChanges && setupDone)
    {
      double v;
      for (ParamID id = 0; id < kNumParams; ++id)
        if (changes->lastValue(id, v))
          FUZZ_REQUIRE(p.plain(static_cast<int>(id)) ==
                           p.plug->GetParam(static_cast<int>(id))->NormalToPlain(v),
                       "a parameter does not hold its queue's last value");
      if (changes->lastValue(65536, v))
        FUZZ_REQUIRE(p.plug->GetBypassed() == (v > 0.5), "bypass does not follow its queue");
    }

    const bool engineRan =
        setupDone && data.numSamples >= 0 &&
        (data.symbolicSampleSize == kSample32 || data.symbolicSampleSize == kSample64);
    if (engineRan)
      p.checkLatency(); // bypassed blocks too: "Bypass" on reports none
    p.checkEngine();

    if (finiteInput && settled && data.outputs && (is32 || data.symbolicSampleSize == kSample64))
    {
      for (int b = 0; b < std::min<int32>(data.numOutputs, 3); ++b)
      {
        if (!outBuses[b].channelBuffers64)
          continue;
        for (int c = 0; c < std::min<int32>(outBuses[b].numChannels, 4); ++c)
        {
          void* o = outPtrs[b][c];
          if (!o)
            continue;
          const bool ok = is32 ? fuzz::AllFinite(static_cast<float*>(o), frames)
                               : fuzz::AllFinite(static_cast<double*>(o), frames);
          FUZZ_REQUIRE(ok, "output not finite after finite input ran for a block");
        }
      }
    }
    if (data.numSamples >= 0 && data.symbolicSampleSize >= 0 && data.symbolicSampleSize <= 1)
    {
      finiteRun = finiteInput ? finiteRun + frames : 0;
      lastBlock = frames;
    }
  }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  fuzz::Bytes in(data, size);
  Host host;
  // Most runs start the way hosts do; the rest begin anywhere.
  if (in.u8() < 200)
  {
    const bool stereo = in.flag();
    const int32 sampleSize = in.flag() ? kSample64 : kSample32;
    if (host.p.prepare(48000.0, 512, sampleSize, stereo ? SpeakerArr::kStereo : SpeakerArr::kMono))
    {
      host.setupDone = true;
      host.sampleSize = sampleSize;
    }
  }
  for (int op = 0; op < 32 && !in.empty(); ++op)
  {
    const uint8_t k = in.u8();
    if (k < 12)
      host.setup(in);
    else if (k < 20)
      host.arrange(in);
    else if (k < 26)
      host.p.component->activateBus(kAudio, in.range(-1, 2), in.range(-1, 2), in.flag());
    else if (k < 30)
      host.p.component->setActive(in.flag());
    else if (k < 34)
    {
      const bool on = in.flag();
      const fuzz::PluginUnderTest::Banks before = host.p.banks();
      host.p.processor->setProcessing(on);
      if (!on && host.setupDone)
      {
        host.p.checkLatency(); // a reset keeps what the parameters imply
        host.p.checkKeptThroughReset(before);
      }
    }
    else
      host.process(in);
  }
  return 0;
}
