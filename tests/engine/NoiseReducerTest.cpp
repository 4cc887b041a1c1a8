#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

#include "denoise/Denoise.h"
#include "engine/NoiseReducer.h"

namespace {
std::vector<float> Noise(int n, unsigned seed, float scale = 0.2f)
{
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> dist(-scale, scale);
  std::vector<float> v(static_cast<size_t>(n));
  for (float& x : v)
    x = dist(rng);
  return v;
}

std::vector<float> Feed(NoiseReducer& stage, std::vector<float> signal, int block, float amount,
                        int channel = 0)
{
  stage.amount = amount;
  for (size_t at = 0; at < signal.size(); at += static_cast<size_t>(block))
  {
    const int n = static_cast<int>(std::min(static_cast<size_t>(block), signal.size() - at));
    stage.Process(signal.data() + at, n, channel);
  }
  return signal;
}

// The suppressor run directly on a 48 kHz stream, back in float scale.
std::vector<float> SuppressDirectly(const std::vector<float>& x)
{
  DenoiseState* st = rnnoise_create(nullptr);
  std::vector<float> y(x.size(), 0.0f);
  float in[480], out[480];
  for (size_t at = 0; at + 480 <= x.size(); at += 480)
  {
    for (int i = 0; i < 480; ++i)
      in[i] = x[at + static_cast<size_t>(i)] * 32768.0f;
    rnnoise_process_frame(st, out, in);
    for (int i = 0; i < 480; ++i)
      y[at + static_cast<size_t>(i)] = out[i] * (1.0f / 32768.0f);
  }
  rnnoise_destroy(st);
  return y;
}
} // namespace

TEST(NoiseReducer, LatencyIsBufferingPlusTwoSuppressorFramesWithInvalidRatesAt48k)
{
  struct Case
  {
    double rate;
    int buffering;
    int latency;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (Case c :
       {Case{48000, 512, 1472}, Case{44100, 473, 1355}, Case{22050, 253, 694},
        Case{88200, 914, 2678}, Case{96000, 992, 2912}, Case{192000, 1952, 5792},
        Case{0, 512, 1472}, Case{-44100, 512, 1472}, Case{nan, 512, 1472}, Case{inf, 512, 1472}})
  {
    NoiseReducer stage;
    stage.Prepare(c.rate, 2);
    EXPECT_EQ(stage.GetBuffering(), c.buffering) << c.rate;
    EXPECT_EQ(stage.GetLatency(), c.latency) << c.rate;
    EXPECT_EQ(NoiseReducer::LatencyFor(c.rate), c.latency) << c.rate;
    EXPECT_EQ(stage.GetChannelCount(), 2);
    EXPECT_TRUE(stage.HasSuppressor(1));
  }
  NoiseReducer none;
  none.Prepare(48000, 0);
  EXPECT_EQ(none.GetChannelCount(), 1);
}

TEST(NoiseReducer, InactiveAmountsPassBitIdentical)
{
  const std::vector<float> input = Noise(5000, 1);
  for (float amount : {0.0f, 0.001f, -1.0f, std::numeric_limits<float>::quiet_NaN()})
  {
    NoiseReducer stage;
    stage.Prepare(44100, 1);
    EXPECT_EQ(Feed(stage, input, 512, amount), input) << amount;
  }
  // Unknown channels are left alone too, and so is a channel without a suppressor, while
  // its neighbour is processed.
  NoiseReducer stage;
  stage.Prepare(48000, 2);
  EXPECT_EQ(Feed(stage, input, 512, 1.0f, 2), input);
  EXPECT_EQ(Feed(stage, input, 512, 1.0f, -1), input);
  stage.DiscardSuppressor(1);
  EXPECT_FALSE(stage.HasSuppressor(1));
  EXPECT_EQ(Feed(stage, input, 512, 1.0f, 1), input);
  const std::vector<float> processed = Feed(stage, input, 512, 1.0f, 0);
  EXPECT_NE(processed, input);
  EXPECT_EQ(processed[0], 0.0f);
}

TEST(NoiseReducer, OutputIsSilentWhileBothQueuesHoldTheirStartingZeros)
{
  for (double rate : {48000.0, 44100.0, 22050.0, 96000.0})
  {
    for (int block : {1, 64, 4096})
    {
      NoiseReducer stage;
      stage.Prepare(rate, 1);
      const int latency = stage.GetLatency();
      const std::vector<float> out = Feed(stage, Noise(latency + 200, 2, 0.5f), block, 0.5f);
      // Both queues start silent; the dry copy enters at the latency. (The suppressed stream
      // itself may rise a little before its nominal two frames: its frames overlap.)
      for (int i = 0; i < stage.GetBuffering(); ++i)
        ASSERT_EQ(out[static_cast<size_t>(i)], 0.0f) << rate << " " << i;
      EXPECT_GT(std::fabs(out[static_cast<size_t>(latency)]), 1e-2f);
    }
  }
}

TEST(NoiseReducer, ImpulseAtHalfAmountComesOutOnceAtTheLatency)
{
  for (double rate : {22050.0, 44100.0, 48000.0, 96000.0, 192000.0})
  {
    NoiseReducer stage;
    stage.Prepare(rate, 1);
    const int latency = stage.GetLatency();
    const int at = 3000; // after the suppressor has seen some silence
    std::vector<float> input(static_cast<size_t>(at + latency + 4000), 0.0f);
    input[static_cast<size_t>(at)] = 0.5f;
    const std::vector<float> out = Feed(stage, input, 256, 0.5f);
    size_t peak = 0;
    for (size_t i = 0; i < out.size(); ++i)
      if (std::fabs(out[i]) > std::fabs(out[peak]))
        peak = i;
    EXPECT_LE(std::abs(static_cast<int>(peak) - (at + latency)), 1) << rate;
    // Nothing away from the peak: no second, earlier or later copy of the impulse.
    float elsewhere = 0.0f;
    for (size_t i = 0; i < out.size(); ++i)
      if (std::abs(static_cast<int>(i) - (at + latency)) > 2)
        elsewhere = std::max(elsewhere, std::fabs(out[i]));
    EXPECT_LT(elsewhere, 0.1f * std::fabs(out[peak])) << rate;
  }
}

TEST(NoiseReducer, At48kBlendsDryDelayedByTheWholeDelayWithTheSuppressedStream)
{
  const std::vector<float> input = Noise(48000, 3, 0.3f);
  const std::vector<float> wet = SuppressDirectly(input);
  for (int block : {480, 37, 100000})
  {
    NoiseReducer stage;
    stage.Prepare(48000, 1);
    const std::vector<float> out = Feed(stage, input, block, 0.5f);
    for (size_t m = 1472; m < input.size(); ++m)
    {
      const float expected = 0.5f * input[m - 1472] + 0.5f * wet[m - 512];
      ASSERT_EQ(out[m], expected) << "block " << block << " sample " << m;
    }
  }
}

TEST(NoiseReducer, SwitchesToUndelayedInputAndResumesFromFrozenQueues)
{
  const std::vector<float> a = Noise(3000, 4), b = Noise(2000, 5), c = Noise(3000, 6);
  NoiseReducer paused, continuous;
  paused.Prepare(44100, 2);
  continuous.Prepare(44100, 2);
  Feed(paused, a, 256, 0.8f, 1);
  Feed(continuous, a, 256, 0.8f, 1);
  EXPECT_EQ(Feed(paused, b, 256, 0.001f, 1), b);
  EXPECT_EQ(Feed(paused, c, 256, 0.8f, 1), Feed(continuous, c, 256, 0.8f, 1));
}

TEST(NoiseReducer, KeepsATonePlusNoiseFlowingAtOtherRatesAndBlockSizes)
{
  // A steady tone through the whole stage at 44.1 kHz with irregular blocks: the wet queue
  // must never run dry, so the output is the tone, delayed by the latency, without gaps.
  const double rate = 44100.0;
  const int n = 44100 * 3;
  std::vector<float> input(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    input[static_cast<size_t>(i)] =
        0.3f * static_cast<float>(std::sin(2.0 * 3.14159265358979 * 441.0 * i / rate));
  NoiseReducer stage;
  stage.Prepare(rate, 1);
  stage.amount = 1.0f;
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> sizes(1, 1500);
  std::vector<float> out = input;
  for (int at = 0; at < n;)
  {
    const int count = std::min(sizes(rng), n - at);
    stage.Process(out.data() + at, count, 0);
    at += count;
  }
  const int delay = stage.GetLatency();
  EXPECT_EQ(delay, 473 + 882);
  double err = 0.0, ref = 0.0;
  for (int m = 44100; m < n; ++m)
  {
    const double e = out[static_cast<size_t>(m)] - input[static_cast<size_t>(m - delay)];
    err += e * e;
    ref += static_cast<double>(input[static_cast<size_t>(m)]) * input[static_cast<size_t>(m)];
  }
  EXPECT_LT(10.0 * std::log10(err / ref), -20.0);
}

TEST(NoiseReducer, NonFiniteInputIsFiniteAgainWithinOneBlock)
{
  for (double rate : {48000.0, 44100.0})
  {
    NoiseReducer stage;
    stage.Prepare(rate, 1);
    Feed(stage, Noise(4800, 8), 128, 1.0f);
    std::vector<float> bad = Noise(128, 9);
    bad[3] = std::numeric_limits<float>::quiet_NaN();
    bad[40] = std::numeric_limits<float>::infinity();
    bad[41] = -std::numeric_limits<float>::infinity();
    bad[90] = 3e38f;
    Feed(stage, bad, 128, 1.0f);
    const std::vector<float> after = Feed(stage, Noise(9600, 10), 128, 0.7f);
    for (float v : after)
      ASSERT_TRUE(std::isfinite(v)) << rate;
    // And the stage still works: the output is of the input's order, not stuck at a clamp.
    float peak = 0.0f;
    for (size_t i = 4800; i < after.size(); ++i)
      peak = std::max(peak, std::fabs(after[i]));
    EXPECT_LT(peak, 1.0f);
    EXPECT_GT(peak, 0.01f);
  }
}
