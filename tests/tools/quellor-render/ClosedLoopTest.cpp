// The simulated public-address loop: its room convolution, its stable limit against the room's
// exact threshold, a known processor in it, and Quellor holding a gain at which the bare loop howls.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tools/quellor-render/ClosedLoop.h"
#include "tools/quellor-render/LoopScenario.h"
#include "tools/quellor-render/RoomScenario.h"

using namespace loopsim;

namespace {

RoomParams ShortRoom(uint32_t seed)
{
  RoomParams room;
  room.seed = seed;
  room.rt60 = 0.25;
  return room;
}

std::vector<float> Talker()
{
  std::vector<float> p = MakeTalker(kRate, static_cast<size_t>(20 * kRate), 7u);
  EXPECT_TRUE(ScaleProgramme(p));
  return p;
}

// Stepped from 3 dB below the exact limit in 0.5 dB steps of 1.5 s.
LoopSetup Stepped(const std::vector<float>& room, const std::vector<float>& programme)
{
  LoopSetup s;
  s.room = room;
  s.programme = programme;
  const double limit = ToDb(ExactStableGain(room));
  s.schedule.startDb = limit - 3.0;
  s.schedule.stepSeconds = 1.5;
  s.schedule.maxDb = limit + 12.0;
  return s;
}

} // namespace

TEST(ClosedLoop, AnImpulseAtSmallGainReturnsKTimesTheRoom)
{
  const std::vector<float> h = MakeRoomResponse(ShortRoom(3));
  ASSERT_GT(h.size(), 12000u);
  EXPECT_NEAR(PeakResponse(h), 1.0, 1e-4);
  LoopSetup s;
  s.room = h;
  s.programme.assign(h.size() + 4 * kBlock, 0.0f);
  s.programme[0] = 1.0f;
  s.schedule.startDb = -60.0;
  s.schedule.fixedSeconds = static_cast<double>(s.programme.size()) / kRate;
  s.record = true;
  const LoopResult r = RunLoop(s, {});
  ASSERT_GE(r.microphone.size(), h.size());
  const double k = 0.001;
  double worst = 0, peak = 0;
  for (size_t i = 1; i < h.size(); ++i)
  {
    worst = std::max(worst, std::fabs(r.microphone[i] - k * h[i]));
    peak = std::max(peak, std::fabs(k * h[i]));
  }
  EXPECT_LT(worst, 0.002 * peak); // the second pass round the loop is 60 dB down
  EXPECT_EQ(r.microphone[0], 1.0f);
  for (int i = 1; i < kBlock; ++i) // the pure delay
    ASSERT_EQ(r.microphone[static_cast<size_t>(i)], 0.0f);
}

TEST(ClosedLoop, ExactLimitOfSimpleResponses)
{
  // A pure delay of gain a is stable up to 1 / a; two taps add up at 0 Hz.
  std::vector<float> h(3 * kBlock, 0.0f);
  h[200] = 0.5f;
  EXPECT_NEAR(ExactStableGain(h), 2.0, 1e-5);
  h[201] = 0.25f;
  EXPECT_NEAR(ExactStableGain(h), 1.0 / 0.75, 1e-5);
  // An inverted delay is real and positive only between the bins, where its phase turns by pi.
  std::vector<float> g(3 * kBlock, 0.0f);
  g[200] = -0.5f;
  EXPECT_NEAR(ExactStableGain(g), 2.0, 1e-3);
  PartitionedConvolver c;
  std::vector<float> early(300, 0.0f);
  early[10] = 1.0f;
  EXPECT_FALSE(c.Prepare(early)) << "a response inside the first block cannot close the loop";
}

TEST(ClosedLoop, BareLoopHowlsAtTheRoomsExactLimitAndAPlainCutAddsItsGain)
{
  const std::vector<float> programme = Talker();
  for (uint32_t seed : {1u, 2u})
  {
    SCOPED_TRACE(seed);
    const std::vector<float> h = MakeRoomResponse(ShortRoom(seed));
    const double limit = ToDb(ExactStableGain(h));
    const LoopSetup s = Stepped(h, programme);
    const LoopResult bare = RunLoop(s, {});
    ASSERT_TRUE(bare.sustained);
    EXPECT_NEAR(bare.maxStableGainDb, limit, 1.5);

    const LoopResult cut = RunLoop(s, [](double* x, int n) {
      for (int i = 0; i < n; ++i)
        x[i] *= 0.5;
    });
    ASSERT_TRUE(cut.sustained);
    EXPECT_NEAR(cut.maxStableGainDb - bare.maxStableGainDb, 6.0, 0.5);
  }
}

TEST(ClosedLoop, QuellorHoldsTheGainAtWhichTheBareLoopHowled)
{
  const std::vector<float> programme = Talker();
  for (uint32_t seed : {1u, 4u, 7u})
  {
    SCOPED_TRACE(seed);
    const std::vector<float> h = MakeRoomResponse(ShortRoom(seed));
    LoopSetup s = Stepped(h, programme);
    const LoopResult bare = RunLoop(s, {});
    ASSERT_TRUE(bare.sustained);

    // The howl began to grow at howlGainDb; two steps above, the bare loop howls for good.
    s.schedule.startDb = bare.howlGainDb + 2 * s.schedule.stepDb;
    s.schedule.fixedSeconds = 8.0;
    s.schedule.stopWhenSustained = false;
    const LoopResult held = RunLoop(s, {});
    ASSERT_TRUE(held.sustained) << "the bare loop howls for good at that gain";

    LoopResult with;
    std::string error;
    ASSERT_TRUE(RunLoopWithPlugin(
        s, [](std::string& e) { return MakeModuleEngine(QUELLOR_BUNDLE_PATH, e); }, with, nullptr,
        error))
        << error;
    for (const HowlEpisode& e : with.episodes)
      if (e.frequency >= 150 && e.frequency <= 12000)
      {
        EXPECT_LE(e.duration, kSustainedSeconds) << e.frequency << " Hz from " << e.start << " s";
      }
  }
}
