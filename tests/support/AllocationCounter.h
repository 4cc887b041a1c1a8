#pragma once
// Counts heap allocations, for tests that show a steady state allocates nothing. Linking
// quellor_allocation_counter replaces the global operator new (every form) with one that counts
// and then calls malloc; operator delete calls free.

namespace testsupport {

// Allocations made so far, by every thread.
long Allocations();

// Allocations made on this thread while a ThreadAllocationScope was alive on it (other threads'
// allocations, the audio thread's own outside a scope, are not counted here).
long ScopedAllocations();

class ThreadAllocationScope
{
public:
  ThreadAllocationScope();
  ~ThreadAllocationScope();
  ThreadAllocationScope(const ThreadAllocationScope&) = delete;
  ThreadAllocationScope& operator=(const ThreadAllocationScope&) = delete;
};

} // namespace testsupport
