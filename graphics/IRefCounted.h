#pragma once
// Intrusive reference counting for controls.

#include <atomic>
#include <cstdint>

namespace plugfw::ui {

// Intrusive reference count. Starts with one reference, held by whoever
// created the object; the most derived interface deletes it at zero.
class IRefCounted
{
public:
  IRefCounted() = default;
  IRefCounted(const IRefCounted&) = delete;
  IRefCounted& operator=(const IRefCounted&) = delete;
  virtual ~IRefCounted() = default;

  std::uint32_t IncRef() { return ++mRefCount; }
  std::uint32_t DecRef() { return --mRefCount; }
  std::uint32_t RefCount() const { return mRefCount.load(); }

private:
  std::atomic<std::uint32_t> mRefCount{1};
};

} // namespace plugfw::ui
