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
  return std::min(v, NotchChannel::FrequencyCeiling(sampleRate));
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

NotchSlot AsSlot(const NotchFilter& f)
{
  return {f.active, f.manual, f.frequency, f.targetDepth, f.width};
}

// As many channels as the tables were sized for at reset; never grows them.
void CopyBanks(SnapshotData& snapshot, const NotchChannel* channels, int channelCount)
{
  const size_t fits = snapshot.banks.size() / SnapshotData::kSlotCount;
  const size_t n = std::min(fits, static_cast<size_t>(std::max(channelCount, 0)));
  for (size_t ch = 0; ch < n; ++ch)
    for (int i = 0; i < SnapshotData::kSlotCount; ++i)
      snapshot.banks[ch * SnapshotData::kSlotCount + i] = AsSlot(channels[ch].filters[i]);
}

} // namespace

bool NotchQueue::Push(const NotchCommand& command)
{
  if (!mEntries.Push({command, mGeneration.load(std::memory_order_acquire)}))
    return false;
  // Only the editor counts up, so a plain load and store do (a locked add costs a third more).
  mSinceClear.store(mSinceClear.load(std::memory_order_relaxed) + 1, std::memory_order_release);
  return true;
}

void NotchQueue::Drain(NotchChannel* channels, int channelCount)
{
  // The count first, then the generation: every entry counted was tagged before the generation
  // is read here, so none is newer than it. Commands pushed during the drain wait for the next.
  size_t count = mEntries.ElementsAvailable();
  const uint32_t generation = mGeneration.load(std::memory_order_acquire);
  Entry entry;
  for (; count > 0 && mEntries.Pop(entry); --count)
  {
    if (entry.generation != generation)
      continue; // pushed before a clear
    for (int ch = 0; ch < channelCount; ++ch)
      ApplyNotchCommand(channels[ch], entry.command);
  }
}

void NotchQueue::Clear()
{
  mGeneration.fetch_add(1, std::memory_order_release);
  mSinceClear.store(0, std::memory_order_release);
}

int32_t NotchQueue::Pending() const
{
  // The ring drains oldest first, so of what it still holds only the newest, those pushed since
  // the last clear, are waiting to be applied.
  const size_t held = mEntries.ElementsAvailable();
  const size_t since = mSinceClear.load(std::memory_order_acquire);
  return static_cast<int32_t>(std::min(held, since));
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

uint32_t NotchRestore::Post(NotchBankImage image)
{
  image.sequence = mLastPosted.sequence + 1;
  image.channelCount = std::clamp(image.channelCount, 0, NotchBankImage::kMaxChannels);
  mLastPosted = image;
  mBuffers[mBack] = image;
  mBack = mMiddle.exchange(mBack | kFresh, std::memory_order_acq_rel) & 3u;
  return image.sequence;
}

bool NotchRestore::Apply(NotchChannel* channels, int channelCount)
{
  // Without channels (before the first reset) the image waits for some.
  if (channels == nullptr || channelCount <= 0 ||
      (mMiddle.load(std::memory_order_acquire) & kFresh) == 0)
    return false;
  mFront = mMiddle.exchange(mFront, std::memory_order_acq_rel) & 3u;
  const NotchBankImage& image = mBuffers[mFront];
  ApplyNotchBankImage(image, channels, channelCount);
  mApplied = image.sequence;
  return true;
}

void ApplyNotchBankImage(const NotchBankImage& image, NotchChannel* channels, int channelCount)
{
  if (channels == nullptr)
    return;
  const int tables = std::clamp(image.channelCount, 0, NotchBankImage::kMaxChannels);
  static constexpr std::array<NotchSlot, NotchBankImage::kSlotCount> kEmpty{};
  for (int ch = 0; ch < channelCount; ++ch)
  {
    NotchChannel& channel = channels[ch];
    const auto& table = tables == 0 ? kEmpty : image.channels[std::min(ch, tables - 1)];
    const float ceiling = NotchChannel::FrequencyCeiling(channel.sampleRate);
    for (int i = 0; i < NotchBankImage::kSlotCount; ++i)
    {
      const NotchSlot& s = table[i];
      NotchFilter& f = channel.filters[i];
      // Values are checked where the image is made; only the rate's limit is checked here.
      if (s.active && s.targetDepth < 0.0f && s.frequency <= ceiling)
      {
        f.active = true;
        f.manual = s.manual;
        f.age = 0;
        f.frequency = ClampFrequency(s.frequency, channel.sampleRate);
        f.targetDepth = ClampDepth(s.targetDepth);
        f.width = ClampWidth(s.width);
      }
      else if (f.active)
      {
        f.targetDepth = 0.0f; // as the editor's Clear
        f.manual = false;
      }
    }
  }
}

void PublishSnapshot(std::atomic<int32_t>& lock, SnapshotData& snapshot,
                     const NotchChannel* channels, int channelCount, uint32_t restoreSequence)
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
    snapshot.slots[i] = AsSlot(f);
  }
  CopyBanks(snapshot, channels, channelCount);
  snapshot.restoreSequence = restoreSequence;
  lock.store(0);
}

void ResetExchange(std::atomic<int32_t>& lock, SnapshotData& snapshot, NotchQueue& queue,
                   const NotchChannel* channels, int channelCount, uint32_t restoreSequence)
{
  if (lock.exchange(1) == 0)
  {
    const bool has = channels != nullptr && channelCount > 0;
    snapshot.spectrum.assign(has ? channels[0].spectrum.size() : 0, 0.0f);
    snapshot.binWidth = has ? channels[0].binWidth : 0.0f;
    snapshot.slots.assign(SnapshotData::kSlotCount, NotchSlot{});
    // Sized here, so that publishing never grows it.
    snapshot.banks.assign(static_cast<size_t>(has ? channelCount : 0) * SnapshotData::kSlotCount,
                          NotchSlot{});
    if (has)
    {
      for (int i = 0; i < SnapshotData::kSlotCount; ++i)
        snapshot.slots[i] = AsSlot(channels[0].filters[i]);
      CopyBanks(snapshot, channels, channelCount);
    }
    snapshot.restoreSequence = restoreSequence;
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

NotchBankImage ReadNotchBank(std::atomic<int32_t>& lock, const SnapshotData& snapshot)
{
  NotchBankImage image;
  Lock(lock);
  const size_t tables = std::min(snapshot.banks.size() / SnapshotData::kSlotCount,
                                 static_cast<size_t>(NotchBankImage::kMaxChannels));
  for (size_t ch = 0; ch < tables; ++ch)
    for (int i = 0; i < SnapshotData::kSlotCount; ++i)
      image.channels[ch][i] = snapshot.banks[ch * SnapshotData::kSlotCount + i];
  image.channelCount = static_cast<int32_t>(tables);
  image.sequence = snapshot.restoreSequence;
  lock.store(0);
  return image;
}

void ShowNotchBank(std::atomic<int32_t>& lock, SnapshotData& snapshot, const NotchBankImage& image)
{
  Lock(lock);
  snapshot.slots.assign(SnapshotData::kSlotCount, NotchSlot{});
  if (image.channelCount > 0)
    for (int i = 0; i < SnapshotData::kSlotCount; ++i)
      if (image.channels[0][i].active)
        snapshot.slots[i] = image.channels[0][i];
  lock.store(0);
}
