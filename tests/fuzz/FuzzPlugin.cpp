#include "tests/fuzz/FuzzPlugin.h"

#include <algorithm>
#include <cmath>

#include "tests/quellor/ExpectedLatency.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace fuzz {

namespace {
template <class I>
I* query(FUnknown* unknown)
{
  void* obj = nullptr;
  if (unknown->queryInterface(I::iid, &obj) != kResultOk)
    return nullptr;
  return static_cast<I*>(obj);
}
} // namespace

PluginUnderTest::PluginUnderTest(const char16_t* hostName)
    : host(owned(new qhost::HostApplication(hostName, false))),
      handler(owned(new qhost::ComponentHandler))
{
  plug = new Quellor();
  component = query<IComponent>(static_cast<IComponent*>(plug));
  processor = query<IAudioProcessor>(component);
  controller = query<IEditController>(component);
  FUZZ_REQUIRE(component && processor && controller, "the plug-in answers the host interfaces");
  FUZZ_REQUIRE(component->initialize(host->unknownCast()) == kResultOk, "initialise succeeds");
  controller->setComponentHandler(handler);
}

PluginUnderTest::~PluginUnderTest()
{
  component->terminate();
  controller->release();
  processor->release();
  component->release();
  plug->release();
}

bool PluginUnderTest::prepare(double rate, int32 maxBlock, int32 sampleSize,
                              SpeakerArrangement arrangement)
{
  SpeakerArrangement in = arrangement, out = arrangement;
  if (processor->setBusArrangements(&in, 1, &out, 1) != kResultTrue)
    return false;
  for (int32 dir = kInput; dir <= kOutput; ++dir)
    for (int32 i = 0; i < component->getBusCount(kAudio, dir); ++i)
      component->activateBus(kAudio, dir, i, 1);
  ProcessSetup setup{kRealtime, sampleSize, maxBlock, rate};
  if (processor->setupProcessing(setup) != kResultOk)
    return false;
  setupRate = rate;
  component->setActive(1);
  processor->setProcessing(1);
  return true;
}

tresult PluginUnderTest::process(ProcessData& data)
{
  const int restartsBefore =
      static_cast<int>(handler->callsOf(qhost::HandlerCall::kRestart).size());
  const long before = AudioThreadAllocations();
  tresult result;
  {
    AudioThreadScope audio;
    result = processor->process(data);
  }
  FUZZ_REQUIRE(AudioThreadAllocations() == before, "the process call allocated on the heap");
  FUZZ_REQUIRE(result == kResultOk, "the process call answers success");
  FUZZ_REQUIRE(static_cast<int>(handler->callsOf(qhost::HandlerCall::kRestart).size()) ==
                   restartsBefore,
               "restartComponent was called from inside the process call");
  return result;
}

void PluginUnderTest::checkEngine() const
{
  int channels = 0;
  for (const NotchChannel& ch : plug->Channels())
  {
    ++channels;
    for (const NotchFilter& f : ch.filters)
    {
      FUZZ_REQUIRE(f.depth >= -40.0f && f.depth <= 0.0f, "notch depth outside [-40, 0] dB");
      FUZZ_REQUIRE(f.targetDepth >= -40.0f && f.targetDepth <= 0.0f,
                   "notch target depth outside [-40, 0] dB");
      if (f.active)
      {
        // 20 Hz at least and 0.49 x rate at most; at rates below 41 Hz the two bounds cross.
        const float limit = static_cast<float>(0.49 * ch.sampleRate);
        FUZZ_REQUIRE(std::isfinite(f.frequency) && f.frequency >= std::min(20.0f, limit) &&
                         f.frequency <= std::max(20.0f, limit),
                     "active notch frequency outside 20 Hz .. 0.49 x rate");
        FUZZ_REQUIRE(std::isfinite(f.width) && f.width >= 0.5f && f.width <= 60.0f,
                     "active notch width outside 0.5 .. 60");
      }
      FUZZ_REQUIRE(std::isfinite(f.b0) && std::isfinite(f.b1) && std::isfinite(f.b2) &&
                       std::isfinite(f.a1) && std::isfinite(f.a2),
                   "notch coefficients not finite");
    }
  }
  FUZZ_REQUIRE(plug->ActiveNotchCount.load() >= 0 &&
                   plug->ActiveNotchCount.load() <= NotchChannel::kFilterCount * channels,
               "active notch count beyond the filters that exist");
  const float in = plug->InputPeak.Load(), out = plug->OutputPeak.Load();
  FUZZ_REQUIRE(std::isfinite(in) && in >= 0.0f && std::isfinite(out) && out >= 0.0f,
               "meters not finite");
}

PluginUnderTest::Banks PluginUnderTest::banks() const
{
  Banks b;
  for (const NotchChannel& ch : plug->Channels())
    b.push_back(ch.filters);
  return b;
}

void PluginUnderTest::checkKeptThroughReset(const Banks& before) const
{
  const bool hold = plain(kHold) >= 0.5;
  size_t k = 0;
  for (const NotchChannel& ch : plug->Channels())
  {
    const float ceiling = NotchChannel::FrequencyCeiling(ch.sampleRate);
    for (int i = 0; i < NotchChannel::kFilterCount; ++i)
    {
      const NotchFilter& f = ch.filters[i];
      const NotchFilter* was =
          before.empty() ? nullptr : &before[std::min(k, before.size() - 1)][i];
      const bool kept = was && was->active && was->targetDepth < 0.0f && (was->manual || hold) &&
                        was->frequency <= ceiling;
      if (!kept)
      {
        FUZZ_REQUIRE(!f.active && f.depth == 0.0f && !f.manual, "a reset left a notch");
        continue;
      }
      FUZZ_REQUIRE(f.active && f.manual == was->manual && f.frequency == was->frequency &&
                       f.targetDepth == was->targetDepth && f.depth == was->depth &&
                       f.width == was->width,
                   "a reset lost or changed a notch it keeps");
      FUZZ_REQUIRE(f.age == 0 && f.z1 == 0.0 && f.z2 == 0.0, "a kept notch did not start afresh");
    }
    ++k;
  }
}

void PluginUnderTest::checkLatency() const
{
  const int32 expected = quellortest::ExpectedLatency(
      plain(kHushen), plain(kDrytail), plain(kBypass) >= 0.5, setupRate, !plug->Channels().empty());
  FUZZ_REQUIRE(static_cast<int32>(processor->getLatencySamples()) == expected,
               "reported latency differs from what the parameters imply");
}

} // namespace fuzz
