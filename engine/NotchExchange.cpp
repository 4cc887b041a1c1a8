#include "engine/NotchExchange.h"

#include "engine/NotchChannel.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace {

float ClampFrequency(float v, double sampleRate)
{
  if (v < 20.0f)
    return 20.0f;
  return std::min(v, static_cast<float>(0.49 * sampleRate));
}

float ClampDepth(float v)
{
  // Not min(v, 0): the audio thread treats subnormals as zero, and min would then hand a tiny
  // positive depth back instead of 0 dB.
  if (v < -40.0f)
    return -40.0f;
  return v < 0.0f ? v : 0.0f;
}

float ClampWidth(float v)
{
  return v < 0.5f ? 0.5f : std::min(v, 60.0f);
}

bool IsSlot(int32_t slot)
{
  return slot >= 0 && slot < NotchChannel::kFilterCount;
}

void Lock(std::atomic<int32_t>& lock)
{
  while (lock.exchange(1) != 0)
    std::this_thread::yield();
}

} // namespace

uint32_t NotchQueue::ProducerRead() const
{
  if (mClearGen.load(std::memory_order_acquire) != mClearsSeen.load(std::memory_order_acquire))
    return mDiscardTo.load(std::memory_order_relaxed);
  return mRead.load(std::memory_order_acquire);
}

bool NotchQueue::Push(const NotchCommand& command)
{
  const uint32_t w = mWrite.load(std::memory_order_relaxed);
  // Slots free up only once the audio side has passed them, discarded or not: a drain that
  // began before a clear may still be reading them.
  if (w - mRead.load(std::memory_order_acquire) >= static_cast<uint32_t>(kCapacity - 1))
    return false;
  mCommands[w % kCapacity] = command;
  mWrite.store(w + 1, std::memory_order_release);
  return true;
}

void NotchQueue::Drain(NotchChannel* channels, int channelCount)
{
  uint32_t r = mRead.load(std::memory_order_relaxed);
  const uint32_t gen = mClearGen.load(std::memory_order_acquire);
  const bool cleared = gen != mClearsSeen.load(std::memory_order_relaxed);
  if (cleared)
  {
    // Skip what the clear discarded, unless an earlier drain already went past that point.
    const uint32_t discardTo = mDiscardTo.load(std::memory_order_relaxed);
    if (static_cast<int32_t>(discardTo - r) > 0)
      r = discardTo;
  }
  const uint32_t w = mWrite.load(std::memory_order_acquire);
  if (w - r > static_cast<uint32_t>(kCapacity))
    return; // not a state this queue can reach; never loop over it
  for (; r != w; ++r)
  {
    const NotchCommand command = mCommands[r % kCapacity];
    for (int ch = 0; ch < channelCount; ++ch)
      ApplyNotchCommand(channels[ch], command);
  }
  mRead.store(r, std::memory_order_release);
  if (cleared)
    mClearsSeen.store(gen, std::memory_order_release); // after the read position it implies
}

void NotchQueue::Clear()
{
  mDiscardTo.store(mWrite.load(std::memory_order_relaxed), std::memory_order_relaxed);
  mClearGen.fetch_add(1, std::memory_order_release);
}

int32_t NotchQueue::Pending() const
{
  const uint32_t w = mWrite.load(std::memory_order_acquire);
  return static_cast<int32_t>(w - ProducerRead());
}

void ApplyNotchCommand(NotchChannel& channel, const NotchCommand& command)
{
  // A value that is not a number has no meaningful clamp; such a command changes nothing.
  switch (command.kind)
  {
  case kNotchAdd:
  {
    if (std::isnan(command.a) || std::isnan(command.b) || std::isnan(command.c))
      return;
    for (auto& f : channel.filters)
    {
      if (f.IsFree())
      {
        f.active = true;
        f.manual = true;
        f.age = 0;
        f.frequency = ClampFrequency(command.a, channel.sampleRate);
        f.targetDepth = ClampDepth(command.b);
        f.width = ClampWidth(command.c);
        return;
      }
    }
    return;
  }
  case kNotchSet:
  {
    if (!IsSlot(command.slot) || std::isnan(command.a) || std::isnan(command.b))
      return;
    NotchFilter& f = channel.filters[command.slot];
    f.frequency = ClampFrequency(command.a, channel.sampleRate);
    f.targetDepth = ClampDepth(command.b);
    f.manual = true;
    f.active = true;
    f.age = 0;
    return;
  }
  case kNotchSetWidth:
    if (!IsSlot(command.slot) || std::isnan(command.a))
      return;
    channel.filters[command.slot].width = ClampWidth(command.a);
    return;
  case kNotchClear:
    if (!IsSlot(command.slot))
      return;
    channel.filters[command.slot].targetDepth = 0.0f;
    channel.filters[command.slot].manual = false;
    return;
  default:
    return;
  }
}

void PublishSnapshot(std::atomic<int32_t>& lock, SnapshotData& snapshot,
                     const NotchChannel* channels, int channelCount)
{
  if (channels == nullptr || channelCount <= 0)
    return;
  if (lock.exchange(1) == 1)
    return; // the editor is copying; publish next block
  const NotchChannel& ch = channels[0];
  snapshot.spectrum.resize(ch.spectrum.size());
  std::copy(ch.spectrum.begin(), ch.spectrum.end(), snapshot.spectrum.begin());
  snapshot.binWidth = ch.binWidth;
  snapshot.slots.resize(SnapshotData::kSlotCount);
  for (int i = 0; i < SnapshotData::kSlotCount; ++i)
  {
    const NotchFilter& f = ch.filters[i];
    snapshot.slots[i] = {f.active, f.manual, f.frequency, f.targetDepth, f.width};
  }
  lock.store(0);
}

void ResetExchange(std::atomic<int32_t>& lock, SnapshotData& snapshot, NotchQueue& queue,
                   const NotchChannel* channels, int channelCount)
{
  if (lock.exchange(1) == 0)
  {
    const bool has = channels != nullptr && channelCount > 0;
    snapshot.spectrum.assign(has ? channels[0].spectrum.size() : 0, 0.0f);
    snapshot.binWidth = has ? channels[0].binWidth : 0.0f;
    snapshot.slots.assign(SnapshotData::kSlotCount, NotchSlot{});
    lock.store(0);
  }
  queue.Clear();
}

void ReadSnapshot(std::atomic<int32_t>& lock, const SnapshotData& snapshot, SnapshotData& out)
{
  Lock(lock);
  out.spectrum = snapshot.spectrum;
  out.binWidth = snapshot.binWidth;
  out.slots = snapshot.slots;
  lock.store(0);
}

NotchSlot ReadNotchSlot(std::atomic<int32_t>& lock, const SnapshotData& snapshot, int index)
{
  Lock(lock);
  NotchSlot slot;
  if (index >= 0 && index < static_cast<int>(snapshot.slots.size()))
    slot = snapshot.slots[index];
  lock.store(0);
  return slot;
}
