#pragma once
// Reference counting and the context-menu target seen by the host's parameter
// menu. Kept free of the VST 3 layer: the binding wraps a control in its own
// host-facing menu target object and forwards the chosen tag here.

#include <atomic>
#include <cstdint>

namespace plugfw::ui {

// A receiver of the commands of the host's context menu.
class IContextMenuTarget
{
public:
  virtual ~IContextMenuTarget() = default;
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;
  // The host calls this with the tag of an item the control added.
  virtual bool ExecuteMenuItem(int tag) = 0;
};

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
