#pragma once
// Lock-free ring for exactly one producer thread and one consumer thread.
// A ring of N slots holds at most N - 1 entries; a push onto a full ring is dropped.

#include <atomic>
#include <cstddef>
#include <memory>

namespace plugfw {

template <typename T>
class ISPSCQueue
{
public:
  explicit ISPSCQueue(int nSlots)
      : mSize(nSlots < 2 ? 2 : static_cast<size_t>(nSlots)), mData(new T[mSize])
  {}

  ISPSCQueue(const ISPSCQueue&) = delete;
  ISPSCQueue& operator=(const ISPSCQueue&) = delete;

  // Producer side. The entry is written first, then the write index is published.
  bool Push(const T& item)
  {
    const size_t w = mWrite.load(std::memory_order_relaxed);
    const size_t next = Next(w);
    if (next == mRead.load(std::memory_order_acquire))
      return false;
    mData[w] = item;
    mWrite.store(next, std::memory_order_release);
    return true;
  }

  // Consumer side. The entry is read first, then the read index is advanced.
  bool Pop(T& item)
  {
    const size_t r = mRead.load(std::memory_order_relaxed);
    if (r == mWrite.load(std::memory_order_acquire))
      return false;
    item = mData[r];
    mRead.store(Next(r), std::memory_order_release);
    return true;
  }

  size_t ElementsAvailable() const
  {
    const size_t w = mWrite.load(std::memory_order_acquire);
    const size_t r = mRead.load(std::memory_order_acquire);
    return w >= r ? w - r : w + mSize - r;
  }

  size_t Slots() const { return mSize; }

private:
  // A compare, not a modulo: the slot count is a run-time value, and a division per entry would
  // cost more than the rest of a push or pop.
  size_t Next(size_t i) const { return i + 1 == mSize ? 0 : i + 1; }

  const size_t mSize;
  std::unique_ptr<T[]> mData;
  std::atomic<size_t> mWrite{0};
  std::atomic<size_t> mRead{0};
};

} // namespace plugfw
