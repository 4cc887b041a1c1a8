// The third-octave analysis that reports what the plug-in does to a programme band by band.

#include "tools/quellor-render/ThirdOctave.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr double kRate = 48000.0;

std::vector<float> Tone(double hz, double amplitude, size_t n)
{
  std::vector<float> x(n);
  for (size_t i = 0; i < n; ++i)
    x[i] = static_cast<float>(
        amplitude * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / kRate));
  return x;
}

std::vector<float> Noise(size_t n, uint32_t seed)
{
  std::vector<float> x(n);
  for (float& v : x)
  {
    seed = seed * 1664525u + 1013904223u;
    v = static_cast<float>(static_cast<int32_t>(seed) / 2147483648.0 * 0.5);
  }
  return x;
}

const ThirdOctaveBand* Find(const std::vector<ThirdOctaveBand>& bands, const std::string& name)
{
  for (const auto& b : bands)
    if (name == b.name)
      return &b;
  return nullptr;
}

} // namespace

TEST(ThirdOctave, BandsFollowTheRate)
{
  const std::vector<std::vector<float>> x{Noise(4000, 1)};
  const auto at48 = ThirdOctaveLevels(x, 48000.0);
  ASSERT_EQ(at48.size(), 30u);
  EXPECT_STREQ(at48.front().name, "25");
  EXPECT_STREQ(at48.back().name, "20k");
  for (size_t i = 1; i < at48.size(); ++i)
    EXPECT_NEAR(at48[i].lower, at48[i - 1].upper, 1e-9 * at48[i].lower);
  EXPECT_NEAR(Find(at48, "1k")->centre, 1000.0, 1e-9);
  EXPECT_NEAR(Find(at48, "31.5")->centre, 31.6228, 1e-3);
  // The 20 kHz band reaches 22.4 kHz, above the Nyquist frequency at 44.1 kHz.
  EXPECT_EQ(ThirdOctaveLevels(x, 44100.0).size(), 29u);
  EXPECT_TRUE(ThirdOctaveLevels({}, kRate).empty());
  EXPECT_TRUE(ThirdOctaveLevels({{}}, kRate).empty());
  EXPECT_TRUE(ThirdOctaveLevels(x, 0.0).empty());
}

TEST(ThirdOctave, AToneShowsInItsOwnBandOnly)
{
  // Centres at both ends, and 1.1 kHz near the top edge of the 1 kHz band (1122 Hz). At 31.6 Hz
  // the window's main lobe (2.9 Hz) lies close to the neighbouring bands' edges (28.2 and
  // 35.5 Hz), so less is asked of them there.
  struct Case
  {
    double hz;
    const char* band;
    double below; // dB under the tone's level in every other band
  };
  for (const Case c :
       {Case{31.6, "31.5", 30.0}, Case{1100.0, "1k", 60.0}, Case{16000.0, "16k", 60.0}})
  {
    SCOPED_TRACE(c.band);
    const double level = 20.0 * std::log10(0.5); // a full-scale sine is 0 dB
    const auto bands = ThirdOctaveLevels({Tone(c.hz, 0.5, 3 * 48000 + 123)}, kRate);
    ASSERT_EQ(bands.size(), 30u);
    for (const auto& b : bands)
    {
      if (std::string(b.name) == c.band)
      {
        EXPECT_NEAR(b.level, level, 0.1);
        EXPECT_TRUE(b.heard);
      }
      else
      {
        EXPECT_LT(b.level, level - c.below) << b.name;
      }
    }
  }
}

TEST(ThirdOctave, UnityPassIsZeroInEveryBandAndAGainShowsEverywhere)
{
  // Longer than one frame and not a whole number of hops, and shorter than one frame.
  for (size_t n : {size_t{100000}, size_t{20000}})
  {
    const std::vector<std::vector<float>> in{Noise(n, 7), Noise(n, 8)};
    std::vector<std::vector<float>> half = in;
    for (auto& ch : half)
      for (float& v : ch)
        v *= 0.5f;
    const auto a = ThirdOctaveLevels(in, kRate);
    const auto same = ThirdOctaveLevels(in, kRate);
    const auto b = ThirdOctaveLevels(half, kRate);
    ASSERT_EQ(a.size(), 30u);
    for (size_t i = 0; i < a.size(); ++i)
    {
      EXPECT_TRUE(a[i].heard) << a[i].name;
      EXPECT_EQ(same[i].level - a[i].level, 0.0) << a[i].name;
      EXPECT_NEAR(b[i].level - a[i].level, -6.0206, 1e-3) << a[i].name;
    }
    EXPECT_NEAR(BroadbandLevel(half) - BroadbandLevel(in), -6.0206, 1e-3);
    // White noise spreads evenly over frequency: each band's share of the broadband level is its
    // width over the Nyquist band (from 1 kHz up, where a band spans enough bins to average).
    const double broadband = BroadbandLevel(in);
    for (const auto& band : a)
    {
      if (band.lower < 880.0)
        continue;
      EXPECT_NEAR(band.level - broadband,
                  10.0 * std::log10((band.upper - band.lower) / (0.5 * kRate)), 1.0)
          << band.name;
    }
  }
}

TEST(ThirdOctave, TableLeavesSilentBandsBlankAndShowsTheChange)
{
  // The left channel carries a 1 kHz tone, the right is silent: the level is the channels' mean.
  const std::vector<std::vector<float>> in{Tone(1000.0, 0.5, 48000), std::vector<float>(48000)};
  const std::vector<std::vector<float>> silent{std::vector<float>(48000),
                                               std::vector<float>(48000)};
  const auto a = ThirdOctaveLevels(in, kRate);
  EXPECT_NEAR(Find(a, "1k")->level, 20.0 * std::log10(0.5) - 3.0103, 0.1);
  EXPECT_NEAR(BroadbandLevel(in), 20.0 * std::log10(0.5) - 3.0103, 0.01);
  const auto quiet = ThirdOctaveLevels(silent, kRate);
  EXPECT_FALSE(Find(quiet, "1k")->heard);
  EXPECT_TRUE(std::isinf(BroadbandLevel(silent)));

  // Output silent where the input had the tone: the change is shown against the floor. Bands
  // the input has no energy in show no change.
  const std::string table = FormatThirdOctaveTable(a, quiet);
  int rows = 0, blank = 0;
  size_t at = table.find('\n') + 1;
  while (at < table.size())
  {
    const std::string row = table.substr(at, table.find('\n', at) - at);
    at += row.size() + 1;
    ++rows;
    char name[16] = {};
    double input = 0, output = 0, change = 0;
    if (std::sscanf(row.c_str(), "%15s %lf %lf %lf", name, &input, &output, &change) == 4)
    {
      EXPECT_STREQ(name, "1k");
      EXPECT_NEAR(input, -9.0, 0.05);
      EXPECT_NEAR(output, -120.0, 0.05);
      EXPECT_NEAR(change, -111.0, 0.05);
    }
    else
    {
      EXPECT_NE(row.find(" -           -           -"), std::string::npos) << row;
      ++blank;
    }
  }
  EXPECT_EQ(rows, 30);
  EXPECT_EQ(blank, 29);
}
