#include "quellor/Quellor.h"
#include "tests/support/AllocationCounter.h"
#include "plugin/IParam.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

namespace {

// Exposes the connection setter so that a test can connect more channels than were prepared.
class TestQuellor : public Quellor
{
public:
  using Quellor::SetChannelConnections;
};

// Owns stereo (or mono) double buffers and hands out the pointer arrays a host would.
struct Buffers
{
  Buffers(int channels, int frames)
      : in(channels, std::vector<double>(frames)), out(channels, std::vector<double>(frames))
  {
    for (int c = 0; c < channels; ++c)
    {
      inPtr.push_back(in[c].data());
      outPtr.push_back(out[c].data());
    }
  }
  std::vector<std::vector<double>> in, out;
  std::vector<double*> inPtr, outPtr;
};

void FillTone(Buffers& b, double hz, double amp, int64_t& t, double rate, double noise = 0.01)
{
  static uint32_t seed = 99;
  for (size_t i = 0; i < b.in[0].size(); ++i, ++t)
  {
    seed = seed * 1664525u + 1013904223u;
    const double r = (static_cast<double>(seed >> 8) / 16777216.0) * 2.0 - 1.0;
    const double v =
        noise * r + amp * std::sin(2 * std::numbers::pi * hz * static_cast<double>(t) / rate);
    for (auto& ch : b.in)
      ch[i] = v;
  }
}

TEST(Quellor, ConfigurationAndParameters)
{
  Quellor q;
  EXPECT_STREQ(q.GetPluginName(), "Quellor");
  EXPECT_STREQ(q.GetMfrName(), "Vantu");
  EXPECT_EQ(q.GetPluginVersion(), 0x00010007);
  EXPECT_EQ(q.GetUniqueID(), plugfw::FourCC("Qlrx"));
  EXPECT_EQ(q.GetMfrID(), plugfw::FourCC("VanU"));
  EXPECT_EQ(q.NIOConfigs(), 2);
  EXPECT_EQ(q.NParams(), 10);
  EXPECT_EQ(q.NPresets(), 1);
  EXPECT_EQ(q.GetEngineSampleRate(), 48000.0);
  EXPECT_EQ(q.SelectedNotch.load(), -1);
  EXPECT_EQ(q.LastShownNotch, -2);

  struct P
  {
    int idx;
    const char* name;
    double min, max, def;
    const char* label;
  };
  const P table[] = {{kSensitivity, "Sensitivity", 0, 100, 50, "%"},
                     {kAutoCut, "Auto Cut", -40, -3, -18, "dB"},
                     {kAutoWidth, "Auto Width", 2, 60, 25, "Q"},
                     {kMasterTrim, "Master Trim", -12, 12, 0, "dB"},
                     {kMasterWidth, "Master Width", 0.5, 2, 1, "x"},
                     {kHushen, "Hushen", 0, 100, 0, "%"},
                     {kDrytail, "Drytail", 0, 100, 0, "%"},
                     {kGain, "Gain", -24, 24, 0, "dB"},
                     {kHold, "Hold", 0, 1, 0, ""},
                     {kBypass, "Bypass", 0, 1, 0, ""}};
  for (const P& p : table)
  {
    const plugfw::IParam* param = q.GetParam(p.idx);
    EXPECT_STREQ(param->GetName(), p.name);
    EXPECT_EQ(param->GetMin(), p.min) << p.name;
    EXPECT_EQ(param->GetMax(), p.max) << p.name;
    EXPECT_EQ(param->GetValue(), p.def) << p.name;
    EXPECT_STREQ(param->GetLabel(), p.label) << p.name;
  }
  EXPECT_EQ(q.GetParam(kHold)->FormatDisplay(1.0, false), "on");
  EXPECT_EQ(q.GetParam(kAutoCut)->FormatDisplay(-18.0, false), "-18.0");
  EXPECT_EQ(q.GetParam(kMasterWidth)->FormatDisplay(1.0, false), "1.00");
}

TEST(Quellor, BypassIsBitExactAndDropsTheLatency)
{
  Quellor q;
  q.PrepareWithoutHost(48000, 256, 2);
  q.GetParam(kHushen)->SetValue(50);
  q.GetParam(kDrytail)->SetValue(50);
  Buffers b(2, 256);
  int64_t t = 0;
  FillTone(b, 1000, 0.5, t, 48000);
  q.ProcessAudioBlock(b.inPtr.data(), b.outPtr.data(), 256);
  EXPECT_EQ(q.GetLatency(), 1984);

  q.GetParam(kBypass)->SetValue(1);
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> d(-2.0, 2.0);
  for (auto& ch : b.in)
    for (auto& v : ch)
      v = d(rng);
  b.in[0][17] = 3.25;
  q.ProcessAudioBlock(b.inPtr.data(), b.outPtr.data(), 256);
  EXPECT_EQ(b.out, b.in);
  EXPECT_EQ(q.InputPeak.Load(), 3.25f);
  EXPECT_EQ(q.OutputPeak.Load(), 3.25f);
  EXPECT_EQ(q.ActiveNotchCount.load(), 0);
  EXPECT_EQ(q.GetLatency(), 0);

  // In place works too.
  auto copy = b.in;
  q.ProcessAudioBlock(b.inPtr.data(), b.inPtr.data(), 256);
  EXPECT_EQ(b.in, copy);

  q.GetParam(kBypass)->SetValue(0);
  q.ProcessAudioBlock(b.inPtr.data(), b.outPtr.data(), 256);
  EXPECT_EQ(q.GetLatency(), 1984);
}

TEST(Quellor, LatencyFollowsTheOptionalStages)
{
  struct Case
  {
    double rate;
    int noise;
  };
  for (Case c : {Case{44100.0, 1355}, Case{48000.0, 1472}, Case{96000.0, 2912}})
  {
    Quellor q;
    q.PrepareWithoutHost(c.rate, 128, 1);
    Buffers b(1, 128);
    // What a host reads before the block and what the block's bookkeeping reports agree.
    auto expectLatency = [&](int expected) {
      EXPECT_EQ(q.LatencyForCurrentParameters(), expected) << c.rate;
      q.ProcessAudioBlock(b.inPtr.data(), b.outPtr.data(), 128);
      EXPECT_EQ(q.GetLatency(), expected) << c.rate;
      EXPECT_EQ(q.GetReportedLatency(), expected) << c.rate;
    };
    expectLatency(0);
    q.GetParam(kDrytail)->SetValue(0.2);
    expectLatency(512);
    q.GetParam(kDrytail)->SetValue(0.1); // amount 0.001: off
    expectLatency(0);
    q.GetParam(kHushen)->SetValue(0.2);
    expectLatency(c.noise);
    q.GetParam(kDrytail)->SetValue(100);
    expectLatency(c.noise + 512);
    q.GetParam(kBypass)->SetValue(1);
    expectLatency(0);
    q.GetParam(kBypass)->SetValue(0);
    q.ResetEngine();
    EXPECT_EQ(q.GetLatency(), 0);
    EXPECT_EQ(q.GetReportedLatency(), 0);
    EXPECT_EQ(q.LatencyForCurrentParameters(), c.noise + 512); // the parameters still say so
  }
  // Before any reset a host already reads what a reset at 48 kHz gives.
  Quellor fresh;
  fresh.GetParam(kHushen)->SetValue(50);
  fresh.GetParam(kDrytail)->SetValue(50);
  EXPECT_EQ(fresh.LatencyForCurrentParameters(), 1984);
}

TEST(Quellor, NotchesMetersAndSnapshotOverBothChannels)
{
  Quellor q;
  q.PrepareWithoutHost(48000, 128, 2);
  q.PushNotchCommand(kNotchAdd, 0, 1000, -18, 25);
  q.PushNotchCommand(kNotchAdd, 0, 2000, -12, 10);
  q.PushNotchCommand(kNotchAdd, 0, 3000, -6, 5);
  Buffers b(2, 128);
  for (int i = 0; i < 128; ++i)
  {
    b.in[0][i] = 0.25 * std::sin(i * 0.3);
    b.in[1][i] = 0.75 * std::sin(i * 0.3);
  }
  q.ProcessAudioBlock(b.inPtr.data(), b.outPtr.data(), 128);
  EXPECT_EQ(q.ActiveNotchCount.load(), 6);
  EXPECT_NEAR(q.InputPeak.Load(), 0.25f, 1e-3); // channel 0 only
  float outPeak = 0;
  for (double v : b.out[0])
    outPeak = std::max(outPeak, static_cast<float>(std::fabs(v)));
  EXPECT_EQ(q.OutputPeak.Load(), outPeak);

  SnapshotData snap;
  q.CopySnapshot(snap);
  ASSERT_EQ(snap.slots.size(), 20u);
  EXPECT_TRUE(snap.slots[1].manual);
  EXPECT_EQ(snap.slots[1].frequency, 2000.0f);
  EXPECT_EQ(snap.slots[1].targetDepth, -12.0f);
  EXPECT_EQ(q.CopyNotchSlot(2).width, 5.0f);
  EXPECT_EQ(snap.spectrum.size(), 1024u);

  // A zero-length block: meters 0, no analysis, but the depth smoothing steps once.
  const float before = q.Channels()[0].filters[0].depth;
  q.ProcessAudioBlock(b.inPtr.data(), b.outPtr.data(), 0);
  EXPECT_EQ(q.InputPeak.Load(), 0.0f);
  EXPECT_EQ(q.OutputPeak.Load(), 0.0f);
  EXPECT_NE(q.Channels()[0].filters[0].depth, before);
  EXPECT_EQ(q.Channels()[0].fillCount, 128);

  // Edits wait while bypassed, and a reset discards them; the three manual notches stay, in
  // the snapshot at once.
  q.GetParam(kBypass)->SetValue(1);
  q.PushNotchCommand(kNotchAdd, 0, 4000, -18, 25);
  q.ProcessAudioBlock(b.inPtr.data(), b.outPtr.data(), 128);
  EXPECT_EQ(q.NotchCommandQueue.Pending(), 1);
  q.LastShownNotch = 3;
  q.ResetEngine();
  EXPECT_EQ(q.NotchCommandQueue.Pending(), 0);
  EXPECT_EQ(q.LastShownNotch, -2);
  q.CopySnapshot(snap);
  EXPECT_TRUE(snap.slots[0].active);
  EXPECT_FALSE(snap.slots[3].active);
  for (const auto& ch : q.Channels())
    EXPECT_EQ(ch.ActiveFilterCount(), 3);
  q.GetParam(kBypass)->SetValue(0);
  q.ProcessAudioBlock(b.inPtr.data(), b.outPtr.data(), 128);
  EXPECT_EQ(q.ActiveNotchCount.load(), 6);
}

TEST(Quellor, UnpreparedAndSurplusChannelsPassThrough)
{
  TestQuellor q;
  Buffers b(2, 64);
  for (int i = 0; i < 64; ++i)
  {
    b.in[0][i] = 0.1 * i; // beyond the clipper knee: processing would change it
    b.in[1][i] = -0.05 * i;
  }
  q.SetChannelConnections(plugfw::kInput, 0, 2, true);
  q.SetChannelConnections(plugfw::kOutput, 0, 2, true);
  q.ProcessAudioBlock(b.inPtr.data(), b.outPtr.data(), 64); // before any reset
  EXPECT_EQ(b.out, b.in);

  q.PrepareWithoutHost(48000, 64, 1);
  q.SetChannelConnections(plugfw::kInput, 0, 2, true);
  q.SetChannelConnections(plugfw::kOutput, 0, 2, true);
  q.ProcessAudioBlock(b.inPtr.data(), b.outPtr.data(), 64);
  EXPECT_EQ(b.out[1], b.in[1]);
  EXPECT_NE(b.out[0], b.in[0]);
  EXPECT_LE(std::fabs(b.out[0][63]), 1.0);

  q.ProcessAudioBlock(nullptr, nullptr, 64);
  EXPECT_EQ(q.InputPeak.Load(), 0.0f);
  double* nulls[2] = {nullptr, nullptr};
  q.ProcessAudioBlock(nulls, nulls, 64);
  q.ProcessAudioBlock(b.inPtr.data(), b.outPtr.data(), -5);
}

TEST(Quellor, OversizedBlocksGiveTheSameResultAsAnnouncedOnes)
{
  Quellor small, large;
  small.PrepareWithoutHost(48000, 64, 2);
  large.PrepareWithoutHost(48000, 4096, 2);
  Buffers a(2, 3000), c(2, 3000);
  int64_t t = 0, t2 = 0;
  for (int blk = 0; blk < 6; ++blk)
  {
    FillTone(a, 2500, 0.3, t, 48000, 0.0);
    FillTone(c, 2500, 0.3, t2, 48000, 0.0);
    small.ProcessAudioBlock(a.inPtr.data(), a.outPtr.data(), 3000);
    large.ProcessAudioBlock(c.inPtr.data(), c.outPtr.data(), 3000);
    ASSERT_EQ(a.out, c.out);
  }
  EXPECT_EQ(small.ActiveNotchCount.load(), 2); // the tone was caught on both channels
}

TEST(Quellor, NonFiniteInputRecoversWithinOneBlock)
{
  Quellor q;
  q.PrepareWithoutHost(48000, 256, 2);
  q.GetParam(kHushen)->SetValue(30);
  q.GetParam(kDrytail)->SetValue(30);
  Buffers b(2, 256);
  int64_t t = 0;
  for (int blk = 0; blk < 20; ++blk)
  {
    FillTone(b, 700, 0.3, t, 48000);
    q.ProcessAudioBlock(b.inPtr.data(), b.outPtr.data(), 256);
  }
  for (auto& ch : b.in)
    for (size_t i = 0; i < ch.size(); ++i)
      ch[i] = i % 2 ? std::nan("") : -INFINITY;
  q.ProcessAudioBlock(b.inPtr.data(), b.outPtr.data(), 256);
  EXPECT_TRUE(std::isfinite(q.InputPeak.Load()));
  // Finite doubles beyond the float range read as the meter's top, processed or bypassed.
  for (int bypass = 0; bypass < 2; ++bypass)
  {
    q.GetParam(kBypass)->SetValue(bypass);
    for (auto& ch : b.in)
      for (size_t i = 0; i < ch.size(); ++i)
        ch[i] = i % 2 ? 1e200 : -1e40;
    q.ProcessAudioBlock(b.inPtr.data(), b.outPtr.data(), 256);
    EXPECT_EQ(q.InputPeak.Load(), std::numeric_limits<float>::max()) << bypass;
    EXPECT_TRUE(std::isfinite(q.OutputPeak.Load())) << bypass;
  }
  q.GetParam(kBypass)->SetValue(0);
  for (int blk = 0; blk < 20; ++blk)
  {
    FillTone(b, 700, 0.3, t, 48000);
    q.ProcessAudioBlock(b.inPtr.data(), b.outPtr.data(), 256);
    for (const auto& ch : b.out)
      for (double v : ch)
        ASSERT_TRUE(std::isfinite(v)) << blk;
    EXPECT_TRUE(std::isfinite(q.OutputPeak.Load()));
  }
}

TEST(Quellor, RingingToneIsCaughtEndToEnd)
{
  Quellor q;
  q.PrepareWithoutHost(48000, 512, 1);
  q.GetParam(kAutoCut)->SetValue(-30);
  Buffers b(1, 512);
  int64_t t = 0;
  for (int blk = 0; blk < 40; ++blk)
  {
    FillTone(b, 2500, 0.4, t, 48000);
    q.ProcessAudioBlock(b.inPtr.data(), b.outPtr.data(), 512);
  }
  EXPECT_EQ(q.ActiveNotchCount.load(), 1);
  SnapshotData snap;
  q.CopySnapshot(snap);
  ASSERT_EQ(snap.slots.size(), 20u);
  EXPECT_NEAR(snap.slots[0].frequency, 2500.0f, 5.0f);
  EXPECT_EQ(snap.slots[0].targetDepth, -30.0f);
  EXPECT_FALSE(snap.slots[0].manual);
  // The tone is cut by the notch: the output is about 30 dB below the input.
  EXPECT_LT(q.OutputPeak.Load(), q.InputPeak.Load() * 0.1f);
}

TEST(Quellor, BlockProcessingDoesNotAllocateAfterReset)
{
  Quellor q;
  q.PrepareWithoutHost(44100, 512, 2);
  q.GetParam(kHushen)->SetValue(40);
  q.GetParam(kDrytail)->SetValue(40);
  Buffers b(2, 512);
  int64_t t = 0;
  // A restored notch bank, posted on the state's thread, lands in the first block.
  plugfw::IByteChunk state;
  // "Qnch", version 1, one channel, one notch: slot 4, manual.
  for (uint32_t v : {0x68636E51u, 1u, 1u, 1u, 4u, 1u})
    state.Put(v);
  for (float v : {1200.0f, 20.0f, -9.0f})
    state.Put(v);
  q.UnserializeEngineState(state, 0);
  const long before = testsupport::Allocations();
  for (int blk = 0; blk < 200; ++blk)
  {
    FillTone(b, 2500, blk < 100 ? 0.4 : 0.0, t, 44100);
    if (blk == 50)
    {
      q.PushNotchCommand(kNotchAdd, 0, 900, -12, 8);
      q.PushNotchCommand(kNotchClear, 0, 0, 0, 0);
    }
    q.ProcessAudioBlock(b.inPtr.data(), b.outPtr.data(),
                        blk == 120 ? 0 : (blk % 3 == 0 ? 100 : 512));
  }
  EXPECT_EQ(testsupport::Allocations() - before, 0);
  EXPECT_GT(q.Channels()[0].filters[0].frequency, 0.0f); // the work really ran
  EXPECT_EQ(q.Channels()[1].filters[4].frequency, 1200.0f);
}

} // namespace
