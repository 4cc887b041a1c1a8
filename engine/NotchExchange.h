#pragma once
// What crosses between the audio thread and the editor: meters, the display snapshot behind a
// spin flag, and the queue of notch edits. The audio thread never waits: it tries the flag once
// per block and reads edits from a lock-free ring.

#include "rt/ISPSCQueue.h"

#include <array>
#include <atomic>
#include <bit>
#include <cstdint>
#include <vector>

class NotchChannel;

// A float meter crossing threads as the 32 bits of its representation.
class AtomicFloat
{
public:
  void Store(float v) { mBits.exchange(std::bit_cast<uint32_t>(v)); }
  float Load() const { return std::bit_cast<float>(mBits.load()); }

private:
  std::atomic<uint32_t> mBits{0};
};

// One notch filter as the editor sees it.
struct NotchSlot
{
  bool active = false;
  bool manual = false;
  float frequency = 0.0f;   // Hz
  float targetDepth = 0.0f; // dB
  float width = 25.0f;      // Q before the master width factor
};

enum NotchCommandKind : int32_t
{
  kNotchAdd = 0,
  kNotchSet = 1,
  kNotchSetWidth = 2,
  kNotchClear = 3,
};

struct NotchCommand
{
  int32_t kind = kNotchAdd;
  int32_t slot = 0;
  float a = 0.0f;
  float b = 0.0f;
  float c = 0.0f;
};

// Single producer (editor), single consumer (audio thread); holds at most 255 commands.
class NotchQueue
{
public:
  static constexpr int32_t kCapacity = 256;

  // Editor side. Returns false (and drops the command) when the queue is full.
  bool Push(const NotchCommand& command);

  // Audio side: applies every command waiting when called to each channel in order.
  void Drain(NotchChannel* channels, int channelCount);

  // Editor side: discards every waiting command. Only the audio side moves the read position, so
  // the discarded commands keep their slots until the next Drain passes over them unapplied.
  void Clear();

  int32_t Pending() const;

private:
  // A command tagged with the number of clears made before it was pushed; Drain applies only
  // those tagged with the latest count (one wrap of the count would take 2^32 clears).
  struct Entry
  {
    NotchCommand command;
    uint32_t generation = 0;
  };

  plugfw::ISPSCQueue<Entry> mEntries{kCapacity};
  std::atomic<uint32_t> mGeneration{0}; // bumped by each Clear
  std::atomic<uint32_t> mSinceClear{0}; // commands accepted since the last Clear
};

// Channel 0's spectrum and notch table as last published.
struct SnapshotData
{
  static constexpr int kSlotCount = 20;
  std::vector<float> spectrum;  // linear, unnormalised magnitudes
  float binWidth = 0.0f;        // Hz per spectrum value
  std::vector<NotchSlot> slots; // empty before the first publication, then 20
};

// Applies one command to one channel, clamping its values to the channel's limits.
void ApplyNotchCommand(NotchChannel& channel, const NotchCommand& command);

// Audio side. Publication is skipped when the editor holds the lock or there is no channel.
void PublishSnapshot(std::atomic<int32_t>& lock, SnapshotData& snapshot,
                     const NotchChannel* channels, int channelCount);

// End of an engine reset: an empty snapshot sized for channel 0 (skipped while the editor holds
// the lock), and an empty queue.
void ResetExchange(std::atomic<int32_t>& lock, SnapshotData& snapshot, NotchQueue& queue,
                   const NotchChannel* channels, int channelCount);

// Editor side: copies under the lock, spinning until it is free.
void ReadSnapshot(std::atomic<int32_t>& lock, const SnapshotData& snapshot, SnapshotData& out);
NotchSlot ReadNotchSlot(std::atomic<int32_t>& lock, const SnapshotData& snapshot, int index);
