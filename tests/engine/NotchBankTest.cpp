#include "engine/NotchChannel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;

// Magnitude response of a filter's biquad in dB at f Hz.
double ResponseDb(const NotchFilter& f, double hz, double rate)
{
  const std::complex<double> z = std::polar(1.0, -2.0 * kPi * hz / rate);
  const auto num = f.b0 + f.b1 * z + f.b2 * z * z;
  const auto den = 1.0 + f.a1 * z + f.a2 * z * z;
  return 20.0 * std::log10(std::abs(num / den));
}

NotchFilter Designed(float frequency, float depth, float width, float trim, float widthScale,
                     double rate)
{
  NotchFilter f;
  f.active = true;
  f.frequency = frequency;
  f.depth = depth;
  f.targetDepth = depth;
  f.width = width;
  f.DesignCoefficients(rate, trim, widthScale);
  return f;
}

TEST(NotchChannel, InitialiseSizesFollowTheSampleRate)
{
  struct Row
  {
    double rate;
    int n, hop, release;
    float bin;
  };
  const Row rows[] = {{22050, 1024, 128, 516, 21.533203f}, {32000, 1024, 128, 750, 31.25f},
                      {44100, 2048, 256, 516, 21.533203f}, {48000, 2048, 256, 562, 23.4375f},
                      {88200, 4096, 512, 516, 21.533203f}, {96000, 4096, 512, 562, 23.4375f},
                      {192000, 8192, 1024, 562, 23.4375f}};
  for (const Row& r : rows)
  {
    NotchChannel ch;
    ch.Initialise(r.rate);
    EXPECT_EQ(ch.analysisSize, r.n) << r.rate;
    EXPECT_EQ(ch.hop, r.hop) << r.rate;
    EXPECT_EQ(ch.releaseFrames, r.release) << r.rate;
    EXPECT_FLOAT_EQ(ch.binWidth, r.bin) << r.rate;
    EXPECT_EQ(ch.analysisBuffer.size(), size_t(r.n));
    EXPECT_EQ(ch.spectrum.size(), size_t(r.n / 2));
    EXPECT_EQ(ch.fillCount, 0);
  }
  NotchChannel big;
  big.Initialise(768000); // 32820 -> 32768, limited to 16384
  EXPECT_EQ(big.analysisSize, 16384);
  NotchChannel bad;
  bad.Initialise(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(bad.sampleRate, 48000.0);
  EXPECT_EQ(bad.analysisSize, 2048);
}

TEST(NotchChannel, WindowIsSymmetricHann)
{
  NotchChannel ch;
  ch.Initialise(48000);
  const auto& w = ch.window;
  EXPECT_EQ(w[0], 0.0f);
  EXPECT_NEAR(w[2047], 0.0f, 1e-6);
  EXPECT_NEAR(w[1023], 1.0f, 1e-5);
  EXPECT_NEAR(w[100], w[1947], 2e-6);
}

TEST(NotchFilter, WorkedDesignAndItsResponse)
{
  const NotchFilter f = Designed(1000, -18, 25, 0, 1, 48000);
  EXPECT_NEAR(f.b0, 0.993615765, 1e-9);
  EXPECT_NEAR(f.b1, -1.968407252, 1e-9);
  EXPECT_EQ(f.a1, f.b1);
  EXPECT_NEAR(f.b2, 0.991776797, 1e-9);
  EXPECT_NEAR(f.a2, 0.985392561, 1e-9);
  EXPECT_NEAR(ResponseDb(f, 1000, 48000), -18.0, 1e-6);
  EXPECT_NEAR(ResponseDb(f, 2000, 48000), 0.0, 0.1); // narrow: an octave away nearly untouched
}

TEST(NotchFilter, DesignLimits)
{
  auto sameCoefficients = [](const NotchFilter& a, const NotchFilter& b) {
    return a.b0 == b.b0 && a.b1 == b.b1 && a.b2 == b.b2 && a.a1 == b.a1 && a.a2 == b.a2;
  };
  EXPECT_TRUE(
      sameCoefficients(Designed(10, -18, 25, 0, 1, 48000), Designed(20, -18, 25, 0, 1, 48000)));
  EXPECT_TRUE(sameCoefficients(Designed(30000, -18, 25, 0, 1, 48000),
                               Designed(23520, -18, 25, 0, 1, 48000)));
  EXPECT_FALSE(sameCoefficients(Designed(23000, -18, 25, 0, 1, 48000),
                                Designed(23520, -18, 25, 0, 1, 48000)));

  // Trim can lift a notch to no cut, never into a boost.
  const NotchFilter flat = Designed(1000, -6, 25, 12, 1, 48000);
  EXPECT_EQ(flat.b0, 1.0);
  EXPECT_EQ(flat.b1, flat.a1);
  EXPECT_EQ(flat.b2, flat.a2);
  // Trim cannot cut below -40 dB.
  EXPECT_TRUE(sameCoefficients(Designed(1000, -35, 25, -12, 1, 48000),
                               Designed(1000, -40, 25, 0, 1, 48000)));
  EXPECT_NEAR(ResponseDb(Designed(1000, -35, 25, -12, 1, 48000), 1000, 48000), -40.0, 1e-6);
  // Q floor of 0.5.
  EXPECT_TRUE(sameCoefficients(Designed(1000, -18, 0.8f, 0, 0.5f, 48000),
                               Designed(1000, -18, 0.5f, 0, 1, 48000)));
  EXPECT_FALSE(sameCoefficients(Designed(1000, -18, 0.8f, 0, 0.7f, 48000),
                                Designed(1000, -18, 0.5f, 0, 1, 48000)));
}

TEST(NotchFilter, DepthGlidesOncePerBlockAndReleaseFreesTheSlot)
{
  NotchChannel ch;
  ch.Initialise(48000);
  NotchFilter& f = ch.filters[3];
  f.active = true;
  f.frequency = 1000;
  f.targetDepth = -18;
  std::vector<float> block(64, 0.0f);
  const float expected[] = {-10.8f, -15.12f, -16.848f};
  for (float e : expected)
  {
    ch.Process(block.data(), 64);
    EXPECT_NEAR(f.depth, e, 1e-4);
  }
  ch.Process(nullptr, 0); // an empty block still advances the smoothing
  EXPECT_NEAR(f.depth, -17.5392f, 1e-4);

  f.depth = -18;
  f.targetDepth = 0;
  int blocks = 0;
  while (f.active && blocks < 100)
  {
    ch.Process(block.data(), 64);
    ++blocks;
    if (f.active)
    {
      EXPECT_EQ(ch.ActiveFilterCount(), 1);
    } // a fading notch still counts and still filters
  }
  EXPECT_EQ(blocks, 15);
  EXPECT_EQ(f.depth, 0.0f);
  EXPECT_TRUE(f.IsFree());
  EXPECT_EQ(ch.ActiveFilterCount(), 0);
}

TEST(NotchChannel, NotchCutsItsFrequencyAndGainClipperShapeTheOutput)
{
  NotchChannel ch;
  ch.Initialise(48000);
  ch.filters[0].active = true;
  ch.filters[0].frequency = 1000;
  ch.filters[0].depth = -18;
  ch.filters[0].targetDepth = -18;
  const int n = 48000;
  std::vector<float> x(n);
  for (int i = 0; i < n; ++i)
    x[i] = static_cast<float>(0.5 * std::sin(2 * kPi * 1000 * i / 48000.0));
  ch.Process(x.data(), n);
  float peak = 0;
  for (int i = n / 2; i < n; ++i)
    peak = std::max(peak, std::fabs(x[i]));
  EXPECT_NEAR(20 * std::log10(peak / 0.5), -18.0, 0.1);

  // No notch, unity gain: samples up to 0.9 pass unchanged, a full-scale sine peaks at
  // 0.9 + 0.1 tanh(1).
  NotchChannel plain;
  plain.Initialise(48000);
  std::vector<float> y(480), orig(480);
  for (int i = 0; i < 480; ++i)
    orig[i] = y[i] = static_cast<float>(0.9 * std::sin(2 * kPi * i / 480.0));
  plain.Process(y.data(), 480);
  EXPECT_EQ(y, orig);
  std::vector<float> s(480);
  for (int i = 0; i < 480; ++i)
    s[i] = static_cast<float>(std::sin(2 * kPi * i / 480.0));
  plain.Process(s.data(), 480);
  float top = 0;
  for (float v : s)
    top = std::max(top, v);
  EXPECT_NEAR(top, 0.9 + 0.100000024 * std::tanh(1.0), 1e-6);

  plain.gain = 100.0f;
  std::vector<float> loud(480);
  for (int i = 0; i < 480; ++i)
    loud[i] = static_cast<float>(std::sin(2 * kPi * i / 480.0));
  plain.Process(loud.data(), 480);
  for (float v : loud)
    EXPECT_LE(std::fabs(v), 1.0f);
}

TEST(NotchChannel, NonFiniteAndSubnormalInputDoNotPoisonTheChannel)
{
  NotchChannel ch;
  ch.Initialise(48000);
  ch.filters[0].active = true;
  ch.filters[0].frequency = 1000;
  ch.filters[0].targetDepth = -18;
  std::vector<float> b(512);
  for (int round = 0; round < 3; ++round)
  {
    for (int i = 0; i < 512; ++i)
      b[i] = (i % 3 == 0) ? std::numeric_limits<float>::quiet_NaN()
                          : (i % 3 == 1 ? std::numeric_limits<float>::infinity() : 1e-42f);
    ch.Process(b.data(), 512);
    for (float v : b)
      EXPECT_TRUE(std::isfinite(v));
  }
  for (int blk = 0; blk < 20; ++blk)
  {
    for (int i = 0; i < 512; ++i)
      b[i] = static_cast<float>(0.3 * std::sin(0.05 * (blk * 512 + i)));
    ch.Process(b.data(), 512);
    for (float v : b)
      ASSERT_TRUE(std::isfinite(v));
  }
  EXPECT_TRUE(std::isfinite(ch.filters[0].z1));
  for (float m : ch.spectrum)
    EXPECT_TRUE(std::isfinite(m));

  // Huge finite input overflows a float somewhere in the cascade; the channel recovers.
  for (int i = 0; i < 512; ++i)
    b[i] = (i % 2 ? 1 : -1) * 3.0e38f;
  ch.Process(b.data(), 512);
  for (int i = 0; i < 512; ++i)
    b[i] = 0.1f;
  ch.Process(b.data(), 512);
  for (float v : b)
    EXPECT_TRUE(std::isfinite(v));
}

TEST(NotchChannel, ProcessBeforeInitialiseIsSafe)
{
  NotchChannel ch;
  std::vector<float> b(256, 0.25f);
  ch.Process(b.data(), 256);
  EXPECT_EQ(b[10], 0.25f);
  EXPECT_EQ(ch.fillCount, 0);
}

} // namespace
