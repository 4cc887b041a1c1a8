#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "engine/ReverbReducer.h"

namespace {
std::vector<float> Noise(int n, unsigned seed, float scale = 0.3f)
{
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> dist(-scale, scale);
  std::vector<float> v(static_cast<size_t>(n));
  for (float& x : v)
    x = dist(rng);
  return v;
}

std::vector<float> Sine(int n, double cyclesPerSample, float amplitude)
{
  std::vector<float> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    v[static_cast<size_t>(i)] =
        amplitude * static_cast<float>(std::sin(2.0 * 3.14159265358979 * cyclesPerSample * i));
  return v;
}

std::vector<float> Feed(ReverbReducer& unit, std::vector<float> signal, int block, float amount)
{
  for (size_t at = 0; at < signal.size(); at += static_cast<size_t>(block))
  {
    const int n = static_cast<int>(std::min(static_cast<size_t>(block), signal.size() - at));
    unit.ProcessBlock(signal.data() + at, n, amount);
  }
  return signal;
}

float PeakOver(const std::vector<float>& v, size_t from, size_t to)
{
  float peak = 0.0f;
  for (size_t i = from; i < to; ++i)
    peak = std::max(peak, std::fabs(v[i]));
  return peak;
}
} // namespace

TEST(ReverbReducer, PassesBitIdenticalAndFreezesAtOrBelowThreshold)
{
  const std::vector<float> input = Noise(3000, 1);
  for (float amount : {0.0f, 0.001f, -0.5f, std::numeric_limits<float>::quiet_NaN()})
  {
    ReverbReducer unit;
    unit.Reset(48000.0);
    EXPECT_EQ(unit.GetLatency(), 512);
    const std::vector<float> out = Feed(unit, input, 700, amount);
    EXPECT_EQ(out, input) << "amount " << amount;
  }

  // The frozen unit resumes exactly where it stopped: blocks passed while off never happened.
  const std::vector<float> a = Noise(1000, 2), b = Noise(1000, 3), c = Noise(1000, 4);
  ReverbReducer paused, continuous;
  paused.Reset(48000.0);
  continuous.Reset(48000.0);
  Feed(paused, a, 100, 0.7f);
  Feed(continuous, a, 100, 0.7f);
  Feed(paused, b, 100, 0.0011f - 0.0002f);
  EXPECT_EQ(Feed(paused, c, 100, 0.7f), Feed(continuous, c, 100, 0.7f));
}

TEST(ReverbReducer, StartsSilentAndDelaysAnImpulseBy511)
{
  ReverbReducer unit;
  unit.Reset(44100.0);
  std::vector<float> input(2048, 0.0f);
  input[0] = 1.0f;
  const std::vector<float> out = Feed(unit, input, 64, 0.01f);
  for (int i = 0; i < 127; ++i)
    ASSERT_EQ(out[static_cast<size_t>(i)], 0.0f) << i;
  EXPECT_NEAR(out[511], 1.0f, 0.02f);
  // Everything else is small: the impulse comes out in one place.
  float others = 0.0f;
  for (size_t i = 0; i < out.size(); ++i)
    if (i != 511)
      others = std::max(others, std::fabs(out[i]));
  EXPECT_LT(others, 0.02f);
}

TEST(ReverbReducer, StationarySineSettlesAtTheFloorGain)
{
  struct Case
  {
    float amount;
    float expected;
  };
  for (Case c : {Case{1.0f, 0.25f}, Case{0.5f, 0.625f}})
  {
    ReverbReducer unit;
    unit.Reset(48000.0);
    const std::vector<float> out = Feed(unit, Sine(48000, 1000.0 / 48000.0, 0.5f), 256, c.amount);
    const float settled = PeakOver(out, 24000, 48000) / 0.5f;
    EXPECT_NEAR(settled, c.expected, 0.03f) << "amount " << c.amount;
    // The onset passes nearly unattenuated: the averages start at zero.
    EXPECT_GT(PeakOver(out, 511, 700) / 0.5f, 0.8f);
  }
}

TEST(ReverbReducer, BlockSizeDoesNotChangeTheOutput)
{
  const std::vector<float> input = Noise(9000, 5);
  ReverbReducer one, many, odd;
  one.Reset(48000.0);
  many.Reset(48000.0);
  odd.Reset(48000.0);
  const std::vector<float> a = Feed(one, input, 1, 0.8f);
  const std::vector<float> b = Feed(many, input, 5000, 0.8f);
  const std::vector<float> c = Feed(odd, input, 129, 0.8f);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a, c);
  EXPECT_GT(PeakOver(a, 600, 9000), 0.01f);
}

TEST(ReverbReducer, SilenceStaysSilentAndResetClearsState)
{
  ReverbReducer unit;
  unit.Reset(48000.0);
  Feed(unit, Noise(4000, 6), 512, 1.0f);
  unit.Reset(48000.0);
  const std::vector<float> out = Feed(unit, std::vector<float>(3000, 0.0f), 333, 1.0f);
  EXPECT_EQ(PeakOver(out, 0, out.size()), 0.0f);
}

TEST(ReverbReducer, NonFiniteInputDoesNotPoisonTheState)
{
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  std::vector<float> bad = Noise(256, 7);
  bad[10] = nan;
  bad[50] = inf;
  bad[90] = -inf;
  bad[120] = 3e38f;

  ReverbReducer unit;
  unit.Reset(48000.0);
  Feed(unit, Noise(1000, 8), 256, 1.0f);
  std::vector<float> out = Feed(unit, bad, 256, 1.0f);
  std::vector<float> after = Feed(unit, Noise(256, 9), 256, 1.0f);
  for (float v : out)
    EXPECT_TRUE(std::isfinite(v));
  for (float v : after)
    ASSERT_TRUE(std::isfinite(v));

  // Within a few frames the output no longer shows the burst at all.
  after = Feed(unit, Noise(4096, 10), 256, 1.0f);
  EXPECT_LT(PeakOver(after, 1024, 4096), 1.0f);
}

TEST(ReverbReducer, UnpreparedUnitLeavesTheBufferAlone)
{
  ReverbReducer unit;
  const std::vector<float> input = Noise(300, 11);
  EXPECT_EQ(Feed(unit, input, 300, 1.0f), input);
  unit.Reset(48000.0);
  float dummy = 1.0f;
  unit.ProcessBlock(nullptr, 128, 1.0f);
  unit.ProcessBlock(&dummy, 0, 1.0f);
  EXPECT_EQ(dummy, 1.0f);
}
