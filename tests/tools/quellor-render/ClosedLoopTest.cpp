// The simulated public-address loop: its room convolution, its stable limit against the room's
// exact threshold, a known processor in it, and Quellor holding a gain at which the bare loop howls.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
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

TEST(ClosedLoop, ALoudProgrammeToneInAStableLoopIsNoHowl)
{
  // A held 1 kHz note at -6 dBFS and K 12 dB below the limit: the loudspeaker carries it at
  // about -18 dBFS, above the howl level, but the loop adds at most a few dB to it.
  const std::vector<float> h = MakeRoomResponse(ShortRoom(2));
  LoopSetup s;
  s.room = h;
  s.programme.resize(static_cast<size_t>(kRate));
  for (size_t i = 0; i < s.programme.size(); ++i)
    s.programme[i] = 0.5f * static_cast<float>(std::sin(2.0 * std::numbers::pi * 1000.0 *
                                                        static_cast<double>(i) / kRate));
  s.schedule.startDb = ToDb(ExactStableGain(h)) - 12.0;
  s.schedule.fixedSeconds = 4.0;
  s.schedule.stopWhenSustained = false;
  s.record = true;
  const LoopResult r = RunLoop(s, {});
  float peak = 0;
  for (size_t i = r.loudspeaker.size() / 2; i < r.loudspeaker.size(); ++i)
    peak = std::max(peak, std::fabs(r.loudspeaker[i]));
  ASSERT_GT(ToDb(peak), kHowlDbfs) << "the note itself reaches the howl level";
  EXPECT_FALSE(r.sustained);
  EXPECT_TRUE(r.episodes.empty()) << r.episodes.size() << " episode(s), the first at "
                                  << r.episodes[0].frequency << " Hz";
}

TEST(ClosedLoop, AfterTheSustainedHowlTheRunGoesOnAtTheSameGain)
{
  const std::vector<float> programme = Talker();
  const std::vector<float> h = MakeRoomResponse(ShortRoom(1));
  LoopSetup s = Stepped(h, programme);
  const LoopResult first = RunLoop(s, {});
  ASSERT_TRUE(first.sustained);
  s.schedule.afterSustainedSeconds = 3.0; // two K steps' time
  const LoopResult longer = RunLoop(s, {});
  ASSERT_TRUE(longer.sustained);
  EXPECT_EQ(longer.howlGainDb, first.howlGainDb);
  EXPECT_EQ(longer.maxStableGainDb, first.maxStableGainDb);
  EXPECT_NEAR(longer.seconds - first.seconds, 3.0, 0.01);
  ASSERT_GT(longer.gainDb.size(), first.gainDb.size());
  const float k = first.gainDb.back();
  for (size_t i = first.gainDb.size(); i < longer.gainDb.size(); ++i)
    ASSERT_EQ(longer.gainDb[i], k) << "K changed at " << 0.01 * static_cast<double>(i) << " s";
  EXPECT_FALSE(longer.episodes.front().ended) << "the bare loop keeps howling";
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
        s, [](std::string& e) { return MakeModuleProcessor(QUELLOR_BUNDLE_PATH, e); }, with,
        nullptr, error))
        << error;
    for (const HowlEpisode& e : with.episodes)
      if (e.frequency >= 150 && e.frequency <= 12000)
      {
        EXPECT_LE(e.duration, kSustainedSeconds) << e.frequency << " Hz from " << e.start << " s";
      }
  }
}

namespace {

// A room that rings at one frequency: a 6 ms delay, then a decaying resonance there over a
// little diffuse noise.
std::vector<float> RingingRoom(double hz)
{
  std::vector<float> h(static_cast<size_t>(0.4 * kRate), 0.0f);
  uint32_t seed = 4242u;
  const size_t delay = static_cast<size_t>(0.006 * kRate);
  for (size_t i = delay; i < h.size(); ++i)
  {
    const double t = static_cast<double>(i - delay) / kRate;
    seed = seed * 1664525u + 1013904223u;
    const double r = (static_cast<double>(seed >> 8) / 16777216.0) * 2.0 - 1.0;
    h[i] = static_cast<float>(0.02 * std::exp(-t / 0.05) * std::sin(2 * std::numbers::pi * hz * t) +
                              0.002 * std::exp(-t / 0.03) * r);
  }
  return h;
}

} // namespace

TEST(ClosedLoop, QuellorSuppressesHowlsAt120HzAnd12500Hz)
{
  const std::vector<float> programme = Talker();
  for (const double hz : {120.0, 12500.0})
  {
    SCOPED_TRACE(hz);
    LoopSetup s = Stepped(RingingRoom(hz), programme);
    const LoopResult bare = RunLoop(s, {});
    ASSERT_TRUE(bare.sustained);
    s.schedule.startDb = bare.howlGainDb + 2 * s.schedule.stepDb;
    s.schedule.fixedSeconds = 8.0;
    s.schedule.stopWhenSustained = false;
    const LoopResult held = RunLoop(s, {});
    ASSERT_TRUE(held.sustained) << "the bare loop howls for good at that gain";
    ASSERT_FALSE(held.episodes.empty());
    EXPECT_NEAR(held.episodes.front().frequency, hz, hz * 0.05);

    LoopResult with;
    std::string error;
    ASSERT_TRUE(RunLoopWithPlugin(
        s, [](std::string& e) { return MakeModuleProcessor(QUELLOR_BUNDLE_PATH, e); }, with,
        nullptr, error))
        << error;
    EXPECT_FALSE(with.sustained);
    for (const HowlEpisode& e : with.episodes)
      EXPECT_LE(e.duration, kSustainedSeconds) << e.frequency << " Hz from " << e.start << " s";
  }
}
