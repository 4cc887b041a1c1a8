#include "engine/NotchChannel.h"
#include "engine/NotchExchange.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

std::vector<NotchChannel> Channels(int count, double rate = 48000)
{
  std::vector<NotchChannel> v(count);
  for (auto& c : v)
    c.Initialise(rate);
  return v;
}

TEST(NotchQueue, FullQueueDropsTheNewCommand)
{
  NotchQueue q;
  for (int i = 0; i < 255; ++i)
    ASSERT_TRUE(q.Push({kNotchAdd, 0, 100.0f + static_cast<float>(i), -10, 10}));
  EXPECT_FALSE(q.Push({kNotchAdd, 0, 9999, -10, 10}));
  EXPECT_EQ(q.Pending(), 255);
  auto ch = Channels(1);
  q.Drain(ch.data(), 1);
  EXPECT_EQ(q.Pending(), 0);
  // 20 slots: the first 20 adds took them; the rest found no free slot.
  EXPECT_EQ(ch[0].ActiveFilterCount(), 20);
  EXPECT_EQ(ch[0].filters[19].frequency, 119.0f);
  EXPECT_TRUE(q.Push({kNotchClear, 0, 0, 0, 0}));
}

TEST(NotchCommands, ClampsAndSlotChecks)
{
  auto ch = Channels(2);
  NotchQueue q;
  q.Push({kNotchAdd, 77, 5.0f, -100.0f, 100.0f});
  q.Push({kNotchAdd, -1, 30000.0f, 6.0f, 0.1f});
  q.Push({kNotchSet, -1, 1000, -10, 0});
  q.Push({kNotchSet, 20, 1000, -10, 0});
  q.Push({kNotchSetWidth, 20, 3, 0, 0});
  q.Push({kNotchClear, -1, 0, 0, 0});
  q.Push({7, 0, 0, 0, 0});
  q.Drain(ch.data(), 2);
  for (const auto& c : ch)
  {
    EXPECT_TRUE(c.filters[0].active);
    EXPECT_TRUE(c.filters[0].manual);
    EXPECT_EQ(c.filters[0].frequency, 20.0f);
    EXPECT_EQ(c.filters[0].targetDepth, -40.0f);
    EXPECT_EQ(c.filters[0].width, 60.0f);
    EXPECT_EQ(c.filters[1].frequency, static_cast<float>(0.49 * 48000));
    EXPECT_EQ(c.filters[1].targetDepth, 0.0f);
    EXPECT_EQ(c.filters[1].width, 0.5f);
    for (int i = 2; i < 20; ++i)
      EXPECT_TRUE(c.filters[i].IsFree());
  }
  // A +6 dB add becomes a 0 dB target, which the same block's depth update frees again.
  std::vector<float> block(32, 0.0f);
  ch[0].Process(block.data(), 32);
  EXPECT_TRUE(ch[0].filters[0].active);
  EXPECT_FALSE(ch[0].filters[1].active);

  // Set on an automatic notch makes it manual and keeps its width; width and clear by slot.
  NotchFilter& f = ch[0].filters[4];
  f.active = true;
  f.width = 12;
  f.age = 300;
  ApplyNotchCommand(ch[0], {kNotchSet, 4, 2000, -9, 0});
  EXPECT_TRUE(f.manual);
  EXPECT_EQ(f.age, 0);
  EXPECT_EQ(f.width, 12.0f);
  EXPECT_EQ(f.frequency, 2000.0f);
  ApplyNotchCommand(ch[0], {kNotchSetWidth, 4, 0.1f, 0, 0});
  EXPECT_EQ(f.width, 0.5f);
  ApplyNotchCommand(ch[0], {kNotchClear, 4, 0, 0, 0});
  EXPECT_EQ(f.targetDepth, 0.0f);
  EXPECT_FALSE(f.manual);
  EXPECT_TRUE(f.active); // fades out over the next blocks

  // A command carrying NaN changes nothing.
  ApplyNotchCommand(ch[1], {kNotchSet, 9, NAN, -9, 0});
  ApplyNotchCommand(ch[1], {kNotchAdd, 0, 1000, NAN, 10});
  EXPECT_TRUE(ch[1].filters[9].IsFree());
  EXPECT_TRUE(ch[1].filters[2].IsFree());
}

TEST(NotchCommands, AddWithNoFreeSlotLeavesThatChannelAlone)
{
  auto ch = Channels(2);
  for (auto& f : ch[0].filters)
  {
    f.active = false;
    f.depth = -1.0f; // still fading out: not free
  }
  ApplyNotchCommand(ch[0], {kNotchAdd, 0, 1000, -10, 10});
  ApplyNotchCommand(ch[1], {kNotchAdd, 0, 1000, -10, 10});
  for (const auto& f : ch[0].filters)
    EXPECT_FALSE(f.active);
  EXPECT_TRUE(ch[1].filters[0].active);
}

TEST(Snapshot, PublishCopiesChannelZeroAndSkipsWhileLocked)
{
  auto ch = Channels(2);
  std::atomic<int32_t> lock{0};
  SnapshotData snap;
  NotchQueue q;
  EXPECT_TRUE(snap.slots.empty());
  PublishSnapshot(lock, snap, nullptr, 0);
  EXPECT_TRUE(snap.slots.empty());

  ch[0].spectrum[3] = 7.0f;
  ch[0].filters[2].active = true;
  ch[0].filters[2].frequency = 800;
  ch[0].filters[2].targetDepth = -18;
  ch[0].filters[2].depth = -3; // the table shows the target, not the ramp
  ch[1].filters[5].active = true;
  PublishSnapshot(lock, snap, ch.data(), 2);
  EXPECT_EQ(lock.load(), 0);
  ASSERT_EQ(snap.slots.size(), 20u);
  EXPECT_EQ(snap.spectrum.size(), 1024u);
  EXPECT_EQ(snap.spectrum[3], 7.0f);
  EXPECT_EQ(snap.binWidth, 23.4375f);
  EXPECT_TRUE(snap.slots[2].active);
  EXPECT_EQ(snap.slots[2].targetDepth, -18.0f);
  EXPECT_FALSE(snap.slots[5].active);

  lock.store(1); // editor copying
  ch[0].spectrum[3] = 9.0f;
  PublishSnapshot(lock, snap, ch.data(), 2);
  EXPECT_EQ(snap.spectrum[3], 7.0f);
  EXPECT_EQ(lock.load(), 1);
  lock.store(0);

  SnapshotData copy;
  ReadSnapshot(lock, snap, copy);
  EXPECT_EQ(copy.slots.size(), 20u);
  EXPECT_EQ(ReadNotchSlot(lock, snap, 2).frequency, 800.0f);
  EXPECT_EQ(ReadNotchSlot(lock, snap, 20).width, 25.0f);
  EXPECT_FALSE(ReadNotchSlot(lock, snap, -1).active);

  // Every channel's table is published only into room made at a reset.
  EXPECT_TRUE(snap.banks.empty());

  // A reset empties the queue and the spectrum but shows the notches the channels kept.
  q.Push({kNotchAdd, 0, 1000, -10, 10});
  ResetExchange(lock, snap, q, ch.data(), 2, 7);
  EXPECT_EQ(q.Pending(), 0);
  EXPECT_EQ(snap.spectrum[3], 0.0f);
  EXPECT_TRUE(snap.slots[2].active);
  EXPECT_EQ(snap.slots[2].frequency, 800.0f);
  ASSERT_EQ(snap.banks.size(), 40u);
  EXPECT_TRUE(snap.banks[5 + 20].active);
  EXPECT_FALSE(snap.banks[5].active);
  NotchBankImage bank = ReadNotchBank(lock, snap);
  EXPECT_EQ(bank.channelCount, 2);
  EXPECT_EQ(bank.sequence, 7u);
  EXPECT_EQ(bank.channels[0][2].targetDepth, -18.0f);
  EXPECT_TRUE(bank.channels[1][5].active);

  ch[1].filters[5].active = false;
  PublishSnapshot(lock, snap, ch.data(), 2, 8);
  bank = ReadNotchBank(lock, snap);
  EXPECT_FALSE(bank.channels[1][5].active);
  EXPECT_EQ(bank.sequence, 8u);
}

// What a clear discards is never applied, also across two clears before one drain; what comes
// after it is. The discarded commands keep their slots until that drain.
TEST(NotchQueue, ClearDiscardsOnlyWhatWasPushedBeforeIt)
{
  NotchQueue q;
  auto ch = Channels(2);
  for (int i = 0; i < 200; ++i)
    ASSERT_TRUE(q.Push({kNotchSetWidth, 3, 10, 0, 0}));
  q.Clear();
  EXPECT_EQ(q.Pending(), 0);
  ASSERT_TRUE(q.Push({kNotchSetWidth, 4, 20, 0, 0}));
  q.Clear();
  ASSERT_TRUE(q.Push({kNotchSetWidth, 5, 30, 0, 0}));
  EXPECT_EQ(q.Pending(), 1);
  int taken = 0;
  while (q.Push({kNotchSetWidth, 6, 40, 0, 0}))
    ++taken;
  EXPECT_EQ(taken, 255 - 202);
  EXPECT_EQ(q.Pending(), 1 + taken);
  q.Drain(ch.data(), 2);
  EXPECT_EQ(q.Pending(), 0);
  for (const auto& c : ch)
  {
    EXPECT_EQ(c.filters[3].width, 25.0f);
    EXPECT_EQ(c.filters[4].width, 25.0f);
    EXPECT_EQ(c.filters[5].width, 30.0f);
    EXPECT_EQ(c.filters[6].width, 40.0f);
  }
  // A clear with nothing waiting leaves later commands alone.
  q.Clear();
  ASSERT_TRUE(q.Push({kNotchSetWidth, 3, 50, 0, 0}));
  q.Drain(ch.data(), 2);
  EXPECT_EQ(ch[1].filters[3].width, 50.0f);
  for (int i = 0; i < 255; ++i)
    ASSERT_TRUE(q.Push({kNotchSetWidth, 7, 2, 0, 0})) << i;
}

// One editor thread pushing while the audio thread drains: every accepted command arrives once,
// in order (run under the thread sanitizer this also checks the memory ordering).
TEST(NotchQueue, ConcurrentProducerAndConsumer)
{
  NotchQueue q;
  auto ch = Channels(1);
  constexpr int kTotal = 20000;
  std::atomic<bool> done{false};
  std::vector<int> accepted;
  std::thread producer([&] {
    for (int i = 0; i < kTotal; ++i)
      if (q.Push({kNotchSetWidth, i % 20, static_cast<float>(1 + i % 50), 0, 0}))
        accepted.push_back(i);
    done.store(true);
  });
  int drains = 0;
  while (!done.load() || q.Pending() > 0)
  {
    q.Drain(ch.data(), 1);
    ++drains;
  }
  producer.join();
  ASSERT_FALSE(accepted.empty());
  const int last = accepted.back();
  EXPECT_EQ(ch[0].filters[last % 20].width, static_cast<float>(1 + last % 50));
  EXPECT_GT(drains, 0);
}

// A reset empties the queue from the editor's thread while the audio thread may be draining: the
// queue must never count more commands than were pushed since (a read left ahead of the write
// would count up to 255 and replay stale ones).
TEST(NotchQueue, ClearWhileDrainingNeverReplaysDiscardedCommands)
{
  NotchQueue q;
  auto ch = Channels(1);
  std::atomic<bool> done{false};
  int worst = 0, overCount = 0;
  std::thread producer([&] {
    for (int round = 0; round < 4000; ++round)
    {
      for (int i = 0; i < 40; ++i)
        q.Push({kNotchSetWidth, i % 20, 2.0f, 0, 0});
      q.Clear();
      for (int i = 0; i < 3; ++i)
      {
        q.Push({kNotchSetWidth, i, 3.0f, 0, 0});
        const int pending = q.Pending();
        worst = std::max(worst, pending);
        overCount += pending > i + 1 ? 1 : 0;
      }
    }
    done.store(true);
  });
  while (!done.load())
    q.Drain(ch.data(), 1);
  producer.join();
  q.Drain(ch.data(), 1);
  EXPECT_EQ(overCount, 0) << "most pending seen: " << worst;
  EXPECT_EQ(q.Pending(), 0);
}

} // namespace

namespace {

NotchBankImage OneNotch(int slot, bool manual, float hz, int channels = 1)
{
  NotchBankImage image;
  image.channelCount = channels;
  image.channels[0][slot] = {true, manual, hz, -20.0f, 10.0f};
  return image;
}

} // namespace

// A restore reaches the channels once, the latest posted winning; what the image does not hold
// is released, and what a channel's rate cannot hold is not placed.
TEST(NotchRestore, TheLatestImageIsAppliedOnce)
{
  auto ch = Channels(2, 44100);
  ch[1].filters[9] = {};
  ch[1].filters[9].active = true;
  ch[1].filters[9].manual = true;
  ch[1].filters[9].targetDepth = -6.0f;
  NotchRestore restore;
  EXPECT_FALSE(restore.Apply(ch.data(), 2));
  EXPECT_EQ(restore.Post(OneNotch(3, true, 440.0f)), 1u);
  NotchBankImage latest = OneNotch(5, false, 880.0f);
  latest.channels[0][6] = {true, true, 21700.0f, -10.0f, 10.0f}; // above 0.49 x 44100
  EXPECT_EQ(restore.Post(latest), 2u);
  EXPECT_EQ(restore.LastPosted().sequence, 2u);
  ch[0].filters[5].age = 99;
  EXPECT_FALSE(restore.Apply(nullptr, 0)); // no channel yet: it waits
  ASSERT_TRUE(restore.Apply(ch.data(), 2));
  EXPECT_EQ(restore.Applied(), 2u);
  for (const auto& c : ch) // the image's one table serves both channels
  {
    EXPECT_FALSE(c.filters[3].active);
    EXPECT_TRUE(c.filters[5].active);
    EXPECT_FALSE(c.filters[5].manual);
    EXPECT_EQ(c.filters[5].age, 0);
    EXPECT_EQ(c.filters[5].frequency, 880.0f);
    EXPECT_FALSE(c.filters[6].active);
  }
  EXPECT_TRUE(ch[1].filters[9].active); // released, fading out
  EXPECT_EQ(ch[1].filters[9].targetDepth, 0.0f);
  EXPECT_FALSE(ch[1].filters[9].manual);
  EXPECT_FALSE(restore.Apply(ch.data(), 2));

  // An image with no table empties every channel.
  restore.Post(NotchBankImage{});
  ASSERT_TRUE(restore.Apply(ch.data(), 2));
  EXPECT_EQ(ch[0].filters[5].targetDepth, 0.0f);
}

// A reset that keeps notches: manual ones always, automatic ones under Hold, each redesigned for
// the new rate from zero state; releasing ones and those above the new ceiling are gone.
TEST(NotchChannelReset, KeepsManualAndHeldNotchesAtTheNewRate)
{
  for (bool hold : {false, true})
  {
    auto ch = Channels(1, 48000);
    NotchChannel& c = ch[0];
    const float hz[] = {1000.0f, 2000.0f, 3000.0f, 21609.0f, 21700.0f};
    for (int i = 0; i < 5; ++i)
    {
      NotchFilter& f = c.filters[i];
      f.active = true;
      f.manual = i != 1;
      f.frequency = hz[i];
      f.depth = f.targetDepth = -18.0f;
      f.age = 40;
      f.z1 = f.z2 = 0.5;
    }
    c.filters[2].targetDepth = 0.0f; // releasing
    c.candidates[0].active = true;
    c.trim = -3.0f;
    c.InitialiseKeepingNotches(44100, hold);
    EXPECT_EQ(c.analysisSize, 2048);
    EXPECT_FALSE(c.candidates[0].active);
    EXPECT_TRUE(c.filters[0].active && c.filters[0].manual);
    EXPECT_EQ(c.filters[1].active, hold);
    EXPECT_FALSE(c.filters[2].active);
    EXPECT_TRUE(c.filters[3].active) << "at the ceiling";
    EXPECT_FALSE(c.filters[4].active) << "above the ceiling";
    NotchFilter fresh;
    fresh.frequency = 1000.0f;
    fresh.depth = -18.0f;
    fresh.DesignCoefficients(44100, -3.0f, 1.0f);
    const NotchFilter& k = c.filters[0];
    EXPECT_EQ(k.b0, fresh.b0);
    EXPECT_EQ(k.a1, fresh.a1);
    EXPECT_EQ(k.a2, fresh.a2);
    EXPECT_EQ(k.z1, 0.0);
    EXPECT_EQ(k.z2, 0.0);
    EXPECT_EQ(k.age, 0);
    EXPECT_EQ(k.depth, -18.0f);
  }
}

// The state's thread posts restores while the audio thread takes them: every image applied is
// whole (all of one post, never parts of two), they arrive in order, and the last one lands.
TEST(NotchRestore, ConcurrentPostsAreTakenWhole)
{
  auto ch = Channels(1);
  NotchRestore restore;
  constexpr int kPosts = 5000;
  std::atomic<bool> done{false};
  std::thread poster([&] {
    for (int k = 1; k <= kPosts; ++k)
    {
      NotchBankImage image;
      image.channelCount = 1;
      for (auto& s : image.channels[0])
        s = {true, true, 100.0f + static_cast<float>(k), -10.0f, 10.0f};
      restore.Post(image);
    }
    done.store(true);
  });
  uint32_t lastSeen = 0;
  int taken = 0;
  auto check = [&] {
    const float hz = ch[0].filters[0].frequency;
    for (const auto& f : ch[0].filters)
      ASSERT_EQ(f.frequency, hz) << "an image mixed from two posts";
    EXPECT_EQ(hz, 100.0f + static_cast<float>(restore.Applied()));
    EXPECT_GT(restore.Applied(), lastSeen);
    lastSeen = restore.Applied();
    ++taken;
  };
  while (!done.load())
    if (restore.Apply(ch.data(), 1))
      check();
  poster.join();
  if (restore.Apply(ch.data(), 1))
    check();
  EXPECT_EQ(restore.Applied(), static_cast<uint32_t>(kPosts));
  EXPECT_GT(taken, 0);
}
