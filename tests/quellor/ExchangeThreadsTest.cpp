// An audio thread processes blocks while an editor thread pushes notch edits, copies the
// snapshot and reads the meters, the way the editor's timer and mouse handlers do, and saves and
// restores the notch bank as a host's state calls do.
#include "quellor/Quellor.h"
#include "plugin/IParam.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

namespace {

constexpr int kBlock = 256;

TEST(ExchangeThreads, EditorAndAudioThreadsShareOnlyTheExchange)
{
  Quellor plug;
  plug.PrepareWithoutHost(48000.0, kBlock, 2);

  std::atomic<bool> audioDone{false};
  std::atomic<int> blocks{0};

  std::thread audio([&] {
    std::vector<double> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
    double* in[2] = {inL.data(), inR.data()};
    double* out[2] = {outL.data(), outR.data()};
    int64_t t = 0;
    for (int b = 0; b < 600; ++b)
    {
      for (int i = 0; i < kBlock; ++i, ++t)
      {
        // A tone that grows like feedback, so the detector places notches too.
        const double amp = std::min(0.8, 0.001 * std::exp(static_cast<double>(t) / 12000.0));
        inL[i] = inR[i] =
            amp * std::sin(2.0 * 3.141592653589793 * 2500.0 * static_cast<double>(t) / 48000.0);
      }
      plug.ProcessAudioBlock(in, out, kBlock);
      blocks.fetch_add(1);
    }
    audioDone.store(true);
  });

  int pushed = 0;
  int rounds = 0;
  int restores = 0;
  int snapshotsWithSlots = 0;
  SnapshotData copy;
  float lastInPeak = 0.0f;
  while (!audioDone.load())
  {
    if (plug.PushNotchCommand(kNotchAdd, 0, 400.0f + static_cast<float>(pushed % 20) * 50.0f,
                              -12.0f, 10.0f))
      ++pushed;
    plug.PushNotchCommand(kNotchSetWidth, pushed % 20, 20.0f, 0.0f, 0.0f);
    plug.CopySnapshot(copy);
    if (copy.slots.size() == 20)
      ++snapshotsWithSlots;
    const NotchSlot one = plug.CopyNotchSlot(pushed % 20);
    EXPECT_TRUE(std::isfinite(one.frequency));
    lastInPeak = plug.InputPeak.Load();
    EXPECT_TRUE(std::isfinite(lastInPeak));
    EXPECT_GE(plug.ActiveNotchCount.load(), 0);
    EXPECT_LE(plug.ActiveNotchCount.load(), 40);
    if (pushed % 8 == 0)
      plug.PushNotchCommand(kNotchClear, pushed % 20, 0.0f, 0.0f, 0.0f);
    if (rounds++ % 8 == 0) // the first round always
    {
      plugfw::IByteChunk state;
      EXPECT_TRUE(plug.SerializeEngineState(state));
      EXPECT_GT(state.Size(), 12);
      plug.UnserializeEngineState(state, 0);
      ++restores;
    }
    std::this_thread::yield();
  }
  audio.join();
  EXPECT_GT(restores, 0);

  EXPECT_EQ(blocks.load(), 600);
  EXPECT_GT(pushed, 0);
  EXPECT_GT(snapshotsWithSlots, 0);
  plug.CopySnapshot(copy);
  ASSERT_EQ(copy.slots.size(), 20u);
  for (const NotchSlot& s : copy.slots)
  {
    EXPECT_TRUE(std::isfinite(s.frequency));
    EXPECT_GE(s.width, 0.5f);
    EXPECT_LE(s.width, 60.0f);
    EXPECT_LE(s.targetDepth, 0.0f);
    EXPECT_GE(s.targetDepth, -40.0f);
  }
  EXPECT_GT(plug.InputPeak.Load(), 0.1f);
}

} // namespace
