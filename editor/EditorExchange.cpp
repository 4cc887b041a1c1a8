#include "editor/EditorExchange.h"

namespace {

void Acquire(std::atomic<int32_t>& lock)
{
  while (lock.exchange(1) != 0)
  {}
}

} // namespace

void EditorExchange::CopySnapshot(SnapshotData& out) const
{
  for (;;)
  {
    Acquire(snapshotLock);
    const size_t bins = snapshot.spectrum.size();
    const size_t slots = snapshot.slots.size();
    if (out.spectrum.capacity() >= bins && out.slots.capacity() >= slots)
    {
      // Within capacity, assign only copies.
      out.spectrum.assign(snapshot.spectrum.begin(), snapshot.spectrum.end());
      out.slots.assign(snapshot.slots.begin(), snapshot.slots.end());
      out.binWidth = snapshot.binWidth;
      snapshotLock.store(0);
      return;
    }
    snapshotLock.store(0);
    out.spectrum.reserve(bins);
    out.slots.reserve(slots);
  }
}

NotchSlot EditorExchange::CopySlot(int index) const
{
  Acquire(snapshotLock);
  NotchSlot slot;
  if (index >= 0 && static_cast<size_t>(index) < snapshot.slots.size())
    slot = snapshot.slots[static_cast<size_t>(index)];
  snapshotLock.store(0);
  return slot;
}

bool EditorExchange::Push(int32_t kind, int32_t slot, float a, float b, float c) const
{
  NotchCommand command;
  command.kind = kind;
  command.slot = slot;
  command.a = a;
  command.b = b;
  command.c = c;
  return commandQueue.Push(command);
}
