#include "tests/support/AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> gAllocations{0};
std::atomic<long> gScopedAllocations{0};
thread_local int tScopeDepth = 0;

void* Counted(std::size_t n) noexcept
{
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (tScopeDepth > 0)
    gScopedAllocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(n ? n : 1);
}
} // namespace

namespace testsupport {

long Allocations()
{
  return gAllocations.load(std::memory_order_relaxed);
}

long ScopedAllocations()
{
  return gScopedAllocations.load(std::memory_order_relaxed);
}

ThreadAllocationScope::ThreadAllocationScope()
{
  ++tScopeDepth;
}

ThreadAllocationScope::~ThreadAllocationScope()
{
  --tScopeDepth;
}

} // namespace testsupport

void* operator new(std::size_t n)
{
  if (void* p = Counted(n))
    return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n)
{
  return operator new(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept
{
  return Counted(n);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept
{
  return Counted(n);
}
// The replacement pairs use malloc and free on purpose.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept
{
  std::free(p);
}
void operator delete[](void* p) noexcept
{
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
  std::free(p);
}
#pragma GCC diagnostic pop
