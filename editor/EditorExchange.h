#pragma once
// The editor's view of the engine's exchange: references to the members the plug-in owns, so
// that editor controls read the snapshot and meters and queue notch edits without knowing the
// plug-in class. Everything here runs on the UI thread.

#include "engine/NotchExchange.h"

#include <atomic>
#include <cstdint>
#include <functional>

struct EditorExchange
{
  std::atomic<int32_t>& snapshotLock;
  const SnapshotData& snapshot;
  NotchQueue& commandQueue;
  std::atomic<int32_t>& selectedNotch;
  int32_t& lastShownNotch;
  const AtomicFloat& inputPeak;
  const AtomicFloat& outputPeak;
  const std::atomic<int32_t>& activeNotchCount;
  // The engine's sample rate, read at each draw for the frequency axis.
  std::function<double()> sampleRate;

  // Copies spectrum, bin width and slots. Storage is grown, when needed, only while the lock is
  // released, so the lock is held for the copy alone and never across an allocation.
  void CopySnapshot(SnapshotData& out) const;
  // One slot under the lock; an empty slot when the index is outside the table.
  NotchSlot CopySlot(int index) const;
  // Queues a command; dropped (false) when the queue is full.
  bool Push(int32_t kind, int32_t slot, float a, float b, float c) const;

  int32_t Selected() const { return selectedNotch.load(); }
  void Select(int32_t slot) const { selectedNotch.exchange(slot); }
};
