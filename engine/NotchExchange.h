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

// Every channel's notch table as a saved state holds it, or as the engine last published it.
struct NotchBankImage
{
  static constexpr int kSlotCount = 20;
  static constexpr int kMaxChannels = 8;
  int32_t channelCount = 0; // tables in use; 0 means no notch anywhere
  std::array<std::array<NotchSlot, kSlotCount>, kMaxChannels> channels{};
  uint32_t sequence = 0; // which restore this image is, or the last one the engine applied
};

// Hands a restored notch bank from the thread that sets the state to the audio thread: three
// buffers, so that neither side ever waits and the latest image posted wins. Only one thread
// posts, and only the engine's own side (block processing, or its reset) takes.
class NotchRestore
{
public:
  // Poster side: copies the image in and returns its sequence number (from 1).
  uint32_t Post(NotchBankImage image);
  // The last image posted, with its sequence (0 before any post). Poster side only.
  const NotchBankImage& LastPosted() const { return mLastPosted; }

  // Engine side: applies the latest image posted since the last call, if any, to every channel.
  // Returns true when it did; with no channel the image stays for a later call. Allocates
  // nothing.
  bool Apply(NotchChannel* channels, int channelCount);
  // Engine side: the sequence of the last image applied (0 before any).
  uint32_t Applied() const { return mApplied; }

private:
  static constexpr uint32_t kFresh = 4; // beside the buffer index in mMiddle
  std::array<NotchBankImage, 3> mBuffers{};
  std::atomic<uint32_t> mMiddle{1};
  uint32_t mBack = 0;  // poster's buffer
  uint32_t mFront = 2; // engine's buffer
  NotchBankImage mLastPosted;
  uint32_t mApplied = 0;
};

// Puts the image's tables into the channels, channel k taking table k (channels beyond the
// image's tables take its last one): a slot holding a notch there becomes it (manual or
// automatic as stored, age 0), its depth gliding from where it is; any other notch is released.
// Frequencies above a channel's ceiling are not placed. Allocates nothing.
void ApplyNotchBankImage(const NotchBankImage& image, NotchChannel* channels, int channelCount);

// Channel 0's spectrum and notch table as last published, and every channel's table.
struct SnapshotData
{
  static constexpr int kSlotCount = 20;
  std::vector<float> spectrum;  // linear, unnormalised magnitudes
  float binWidth = 0.0f;        // Hz per spectrum value
  std::vector<NotchSlot> slots; // empty before the first publication, then 20
  // Not copied for the editor: the tables of every channel, kSlotCount per channel in channel
  // order (sized at reset), and the restore the engine had applied when they were published.
  std::vector<NotchSlot> banks;
  uint32_t restoreSequence = 0;
};

// Applies one command to one channel, clamping its values to the channel's limits.
void ApplyNotchCommand(NotchChannel& channel, const NotchCommand& command);

// Audio side. Publication is skipped when the editor holds the lock or there is no channel.
// restoreSequence is the last restore applied to the channels.
void PublishSnapshot(std::atomic<int32_t>& lock, SnapshotData& snapshot,
                     const NotchChannel* channels, int channelCount, uint32_t restoreSequence = 0);

// End of an engine reset: a zero spectrum sized for channel 0 and the notches the reset kept
// (skipped while the editor holds the lock), and an empty queue.
void ResetExchange(std::atomic<int32_t>& lock, SnapshotData& snapshot, NotchQueue& queue,
                   const NotchChannel* channels, int channelCount, uint32_t restoreSequence = 0);

// Editor side: copies under the lock, spinning until it is free.
void ReadSnapshot(std::atomic<int32_t>& lock, const SnapshotData& snapshot, SnapshotData& out);
NotchSlot ReadNotchSlot(std::atomic<int32_t>& lock, const SnapshotData& snapshot, int index);
// Every channel's published table (at most kMaxChannels), with the restore sequence it reflects.
NotchBankImage ReadNotchBank(std::atomic<int32_t>& lock, const SnapshotData& snapshot);
// Shows an image in the published tables at once, for an editor whose engine is not running;
// the next publication replaces it. Editor side.
void ShowNotchBank(std::atomic<int32_t>& lock, SnapshotData& snapshot, const NotchBankImage& image);
