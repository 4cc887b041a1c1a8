#include <gtest/gtest.h>

#include <vector>

#include "engine/LinearResampler.h"

TEST(LinearResampler, UnitStepHoldsOneSampleBackPerCall)
{
  LinearResampler r;
  r.Reset(1.0);
  const float a[3] = {1.0f, 2.0f, 3.0f};
  const float b[2] = {4.0f, 5.0f};
  float out[8] = {};
  ASSERT_EQ(r.Process(a, 3, out, 8), 2);
  EXPECT_EQ(out[0], 1.0f);
  EXPECT_EQ(out[1], 2.0f);
  ASSERT_EQ(r.Process(b, 2, out, 8), 2);
  EXPECT_EQ(out[0], 3.0f);
  EXPECT_EQ(out[1], 4.0f);
  EXPECT_EQ(r.lastSample, 5.0f);
}

TEST(LinearResampler, InterpolatesAcrossCallBoundaries)
{
  // Step 0.5 doubles the rate: a ramp comes out with exact midpoints, calls of any size.
  std::vector<float> whole, pieces;
  float ramp[12];
  for (int i = 0; i < 12; ++i)
    ramp[i] = static_cast<float>(i);
  LinearResampler one, split;
  one.Reset(0.5);
  split.Reset(0.5);
  float out[64];
  int n = one.Process(ramp, 12, out, 64);
  whole.assign(out, out + n);
  for (int at = 0; at < 12; at += 5)
  {
    const int count = std::min(5, 12 - at);
    n = split.Process(ramp + at, count, out, 64);
    pieces.insert(pieces.end(), out, out + n);
  }
  EXPECT_EQ(whole, pieces);
  ASSERT_EQ(whole.size(), 22u);
  for (size_t i = 0; i < whole.size(); ++i)
    EXPECT_EQ(whole[i], 0.5f * static_cast<float>(i)) << i;
}

TEST(LinearResampler, EmptyCallsChangeNothingAndCapacityIsRespected)
{
  LinearResampler r;
  r.Reset(0.25);
  float out[4] = {9.0f, 9.0f, 9.0f, 9.0f};
  EXPECT_EQ(r.Process(nullptr, 0, out, 4), 0);
  EXPECT_EQ(r.position, 1.0);
  const float in[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  EXPECT_EQ(r.Process(in, 4, out, 2), 2); // would produce 12; only 2 fit
  EXPECT_LE(LinearResampler::MaxOutput(4, 0.25), 18);
  EXPECT_GE(LinearResampler::MaxOutput(4, 0.25), 12);
}
