// The scorecard's own measurements: when a growing tone counts as trackable and as caught, how
// re-placed notches count as churn, which band is the worst, and the whole catch measurement on
// a ring growing under a bed, through the engine.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/quellor-render/OfflineProcessor.h"
#include "tools/quellor-render/ScoreMeasures.h"

namespace {

constexpr float kBin = 23.4375f; // 2048 points at 48 kHz

// A flat published spectrum with a peak of `ratio` times the floor at hz.
std::vector<float> Spectrum(double hz, float ratio)
{
  std::vector<float> m(1024, 1.0f);
  m[static_cast<size_t>(std::lround(hz / kBin))] = ratio;
  return m;
}

std::vector<NotchView> Slots(std::vector<NotchView> active)
{
  active.resize(20);
  return active;
}

NotchView Auto(float hz, float depth = -12.0f)
{
  return {true, false, hz, depth, 25.0f};
}

} // namespace

TEST(ScoreMeasures, CatchCountsFromTrackableToTheFirstNotchOnTheToneAfterItStarts)
{
  CatchWatch watch(1.0, 2500.0, 0.5); // trackable above 20 times the band mean
  // Before the start: a loud peak and a notch on the tone count for nothing.
  watch.Update(Slots({Auto(2500.0f)}), Spectrum(2500.0, 100.0f), kBin, 0.5);
  watch.Update(Slots({}), Spectrum(2500.0, 1.0f), kBin, 0.6);
  EXPECT_LT(watch.Trackable(), 0);
  // Growing but not yet trackable; a notch elsewhere is not a catch.
  watch.Update(Slots({Auto(1000.0f)}), Spectrum(2500.0, 10.0f), kBin, 1.1);
  EXPECT_LT(watch.Trackable(), 0);
  watch.Update(Slots({Auto(1000.0f)}), Spectrum(2500.0, 40.0f), kBin, 1.2);
  EXPECT_DOUBLE_EQ(watch.Trackable(), 1.2);
  double ms = -1;
  EXPECT_FALSE(watch.CatchMs(ms)) << "not caught yet";
  // A notch 60 Hz off is not on the tone; one 30 Hz off is.
  watch.Update(Slots({Auto(1000.0f), Auto(2560.0f)}), Spectrum(2500.0, 80.0f), kBin, 1.25);
  EXPECT_LT(watch.Caught(), 0);
  watch.Update(Slots({Auto(1000.0f), Auto(2560.0f), Auto(2530.0f)}), Spectrum(2500.0, 80.0f), kBin,
               1.31);
  EXPECT_DOUBLE_EQ(watch.Caught(), 1.31);
  ASSERT_TRUE(watch.CatchMs(ms));
  EXPECT_NEAR(ms, 110.0, 1e-9);
  // A later notch does not move the catch.
  watch.Update(Slots({Auto(2500.0f)}), Spectrum(2500.0, 80.0f), kBin, 1.5);
  EXPECT_DOUBLE_EQ(watch.Caught(), 1.31);
}

TEST(ScoreMeasures, ChurnCountsEveryPlacementIncludingTheSameFrequencyAgain)
{
  NotchWatcher w;
  double t = 0;
  auto step = [&](std::vector<NotchView> s) { w.Update(Slots(std::move(s)), t += 0.01); };
  step({});
  step({Auto(800.0f)});                // placed
  step({Auto(800.0f)});                // held: no new placement
  step({Auto(800.0f, 0.0f)});          // released (fading)
  step({Auto(800.0f)});                // the howl came back: placed again
  step({Auto(1200.0f)});               // the slot taken for another frequency
  step({Auto(1200.0f), Auto(300.0f)}); // a second slot
  EXPECT_EQ(w.Placed(), 4);
  EXPECT_DOUBLE_EQ(PlacementsPerMinute(w, 30.0), 8.0);
  EXPECT_DOUBLE_EQ(PlacementsPerMinute(w, 0.0), 0.0);
  NotchWatcher manual;
  manual.Update(Slots({{true, true, 500.0f, -12.0f, 25.0f}}), 0.1);
  EXPECT_EQ(manual.Placed(), 0) << "hand-placed notches are not Auto Catch's churn";
}

TEST(ScoreMeasures, WorstBandIsTheLargestChangeInsideTheRangeWithItsSign)
{
  auto band = [](const char* name, double centre, double level, bool heard = true) {
    ThirdOctaveBand b;
    b.name = name;
    b.centre = centre;
    b.level = level;
    b.heard = heard;
    return b;
  };
  const std::vector<ThirdOctaveBand> in{band("80", 79.4, -30),   band("100", 100, -30),
                                        band("500", 501, -30),   band("1k", 1000, -30, false),
                                        band("10k", 10000, -30), band("12.5k", 12589, -30)};
  const std::vector<ThirdOctaveBand> out{band("80", 79.4, -40),     band("100", 100, -30.5),
                                         band("500", 501, -32),     band("1k", 1000, -50),
                                         band("10k", 10000, -27.5), band("12.5k", 12589, -45)};
  double change = 0;
  std::string name;
  ASSERT_TRUE(WorstBandChange(in, out, 100.0, 10000.0, change, name));
  EXPECT_EQ(name, "10k") << "80 Hz and 12.5 kHz lie outside, 1 kHz was never heard";
  EXPECT_DOUBLE_EQ(change, 2.5);
  ASSERT_TRUE(WorstBandChange(in, out, 100.0, 1000.0, change, name));
  EXPECT_EQ(name, "500");
  EXPECT_DOUBLE_EQ(change, -2.0);
  EXPECT_FALSE(WorstBandChange(in, out, 2000.0, 5000.0, change, name));
}

TEST(ScoreMeasures, ARingGrowingUnderABedIsCaughtSoonAfterItBecomesTrackable)
{
  // A steady noise bed at about -30 dBFS, and a 1.6 kHz ring from 2 s growing 40 dB/s.
  const double rate = 48000.0;
  std::vector<float> bed(static_cast<size_t>(5 * rate));
  uint32_t s = 12345u;
  for (float& v : bed)
  {
    s = s * 1664525u + 1013904223u;
    v = 0.05f * (static_cast<float>(s >> 8) / 16777216.0f - 0.5f);
  }
  for (bool ring : {false, true})
  {
    SCOPED_TRACE(ring ? "with the ring" : "bed alone");
    std::vector<float> x = bed;
    if (ring)
      AddGrowingRing(x, rate, 2.0, 1600.0, -60.0, 40.0, -12.0);
    std::unique_ptr<OfflineProcessor> engine = MakeLinkedProcessor();
    ASSERT_TRUE(engine->Prepare(rate, 256, 1));
    CatchWatch watch(2.0, 1600.0, 0.5);
    std::vector<double> block(256);
    double* p = block.data();
    std::vector<NotchView> slots;
    std::vector<float> spectrum;
    float binWidth = 0;
    for (size_t at = 0; at + 256 <= x.size(); at += 256)
    {
      for (size_t i = 0; i < 256; ++i)
        block[i] = x[at + i];
      engine->Process(&p, &p, 256);
      ASSERT_TRUE(engine->ReadNotches(slots));
      ASSERT_TRUE(engine->ReadSpectrum(spectrum, binWidth));
      watch.Update(slots, spectrum, binWidth, static_cast<double>(at + 256) / rate);
    }
    double ms = 0;
    if (!ring)
    {
      EXPECT_LT(watch.Trackable(), 0);
      EXPECT_FALSE(watch.CatchMs(ms));
      continue;
    }
    // -60 dBFS stands out of this bed within a second; the detector then needs a few analyses.
    ASSERT_GT(watch.Trackable(), 2.0);
    EXPECT_LT(watch.Trackable(), 3.0);
    ASSERT_TRUE(watch.CatchMs(ms));
    EXPECT_GE(ms, 0.0);
    EXPECT_LT(ms, 300.0);
  }
}
