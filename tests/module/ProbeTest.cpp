// The plug-in's own probe interface, reached through queryInterface on the loaded module:
// what quellor-render reads to tell its story.

#include <cmath>

#include "quellor/QuellorProbeApi.h"
#include "tests/module/ModuleFixture.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using moduletest::makeSignal;
using moduletest::PluginTest;
using quellor::IQuellorProbe;
using quellor::ProbedNotch;

namespace {

IQuellorProbe* probeOf(FUnknown* unknown)
{
  void* obj = nullptr;
  if (!unknown || unknown->queryInterface(IQuellorProbe::iid, &obj) != kResultOk)
    return nullptr;
  return static_cast<IQuellorProbe*>(obj);
}

} // namespace

using ModuleProbe = PluginTest;

TEST_F(ModuleProbe, ReportsTheNotchPlacedOnARingAndTheSpectrum)
{
  prepare(kSample32, 48000., 512, SpeakerArr::kMono);
  IQuellorProbe* probe = probeOf(plug.component());
  ASSERT_NE(probe, nullptr);
  // Every interface of the plug-in leads to the same probe, and the probe back to them.
  IQuellorProbe* viaController = probeOf(plug.controller());
  EXPECT_EQ(viaController, probe);
  if (viaController)
    viaController->release();
  void* back = nullptr;
  ASSERT_EQ(probe->queryInterface(IAudioProcessor::iid, &back), kResultOk);
  EXPECT_EQ(back, static_cast<void*>(plug.processor()));
  static_cast<FUnknown*>(back)->release();

  // Activation leaves an empty table of 20 slots.
  ProbedNotch slots[24];
  ASSERT_EQ(probe->getNotchSlots(slots, 24), 20);
  for (int k = 0; k < 20; ++k)
    EXPECT_EQ(slots[k].active, 0);
  EXPECT_EQ(probe->getActiveNotchCount(), 0);

  // Two seconds of a ring building up at 2500 Hz among bursts and hum. Mono, so that the count
  // (summed over channels) and the table (channel 0) describe the same notches.
  run(makeSignal(1, 96000, 48000.), 512);

  ASSERT_EQ(probe->getNotchSlots(slots, 24), 20);
  int active = 0, onRing = 0;
  for (const ProbedNotch& s : slots)
  {
    if (!s.active)
      continue;
    ++active;
    EXPECT_EQ(s.manual, 0);
    if (std::fabs(s.frequency - 2500.f) < 30.f)
    {
      ++onRing;
      EXPECT_FLOAT_EQ(s.targetDepth, -18.f);
      EXPECT_FLOAT_EQ(s.width, 25.f);
    }
  }
  EXPECT_EQ(onRing, 1);
  EXPECT_EQ(probe->getActiveNotchCount(), active);

  // The spectrum: its size can be asked first; values at the ring's bin stand out.
  float binWidth = 0.f;
  const int32 total = probe->getSpectrum(nullptr, 0, &binWidth);
  ASSERT_GT(total, 8);
  ASSERT_GT(binWidth, 0.f);
  std::vector<float> values(static_cast<size_t>(total) + 4, -1.f);
  EXPECT_EQ(probe->getSpectrum(values.data(), total, nullptr), total);
  EXPECT_EQ(values[static_cast<size_t>(total)], -1.f) << "nothing is written past the count given";
  const size_t ring = static_cast<size_t>(std::lround(2500.f / binWidth));
  const size_t quiet = static_cast<size_t>(std::lround(7000.f / binWidth));
  EXPECT_GT(values[ring], 100.f * values[quiet]);

  // Short buffers get what fits; null or empty ones get nothing.
  EXPECT_EQ(probe->getNotchSlots(slots, 3), 3);
  EXPECT_EQ(probe->getNotchSlots(nullptr, 20), 0);
  EXPECT_EQ(probe->getNotchSlots(slots, -1), 0);
  float two[2] = {-1.f, -1.f};
  EXPECT_EQ(probe->getSpectrum(two, 1, nullptr), total);
  EXPECT_EQ(two[1], -1.f);
  EXPECT_EQ(probe->getSpectrum(two, -5, nullptr), total);

  // The probe holds the plug-in: released last, the instance stays usable until then.
  plug.stop();
  plug.release();
  EXPECT_EQ(probe->getActiveNotchCount(), active);
  probe->release();
}

TEST_F(ModuleProbe, BeforeActivationThereIsNothingToReport)
{
  ASSERT_EQ(initialize(), kResultOk);
  IQuellorProbe* probe = probeOf(plug.component());
  ASSERT_NE(probe, nullptr);
  ProbedNotch slots[20];
  EXPECT_EQ(probe->getNotchSlots(slots, 20), 0);
  float binWidth = -1.f;
  EXPECT_EQ(probe->getSpectrum(nullptr, 0, &binWidth), 0);
  EXPECT_EQ(probe->getActiveNotchCount(), 0);
  probe->release();
}

TEST_F(ModuleProbe, AnUnknownInterfaceIsStillRefused)
{
  ASSERT_EQ(initialize(), kResultOk);
  const FUID unknownIid{0x01234567, 0x89ABCDEF, 0x01234567, 0x89ABCDEF};
  void* obj = reinterpret_cast<void*>(1);
  EXPECT_EQ(plug.component()->queryInterface(unknownIid, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(plug.component()->queryInterface(IQuellorProbe::iid, nullptr), kInvalidArgument);
}
