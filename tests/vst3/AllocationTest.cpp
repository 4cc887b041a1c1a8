// The process call must not allocate once processing is set up: count every operator new.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "tests/vst3/Harness.h"

namespace {
std::atomic<long> gAllocs{0};
}

void* operator new(std::size_t n)
{
  ++gAllocs;
  if (void* p = std::malloc(n ? n : 1))
    return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n)
{
  return operator new(n);
}
// The replacement pair uses malloc and free on purpose.
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
#pragma GCC diagnostic pop

using namespace Steinberg;
using namespace Steinberg::Vst;

TEST(VST3Realtime, ProcessDoesNotAllocateAfterSetup)
{
  Harness h(2, 96000.0, 128);
  h.plug->frames.reserve(10000);
  h.plug->hostChanges.reserve(10000);
  fakehost::Buffers<float> b32(2, 2, 300);
  fakehost::Buffers<double> b64(2, 2, 300);
  fakehost::ParamChanges latency, bypassOn, bypassOff, gain;
  latency.Add(TestPlug::kLatency, {{0, 1.0}}); // 64 samples of latency, reported from process
  bypassOn.Add(plugfw::kBypassParamID, {{0, 1.0}});
  bypassOff.Add(plugfw::kBypassParamID, {{0, 0.0}});
  gain.Add(TestPlug::kGain, {{0, 0.1}, {50, 0.9}});

  const long before = gAllocs.load();
  for (int round = 0; round < 20; ++round)
  {
    IParameterChanges* changes[] = {&latency, &bypassOn, &gain, &bypassOff};
    ProcessData d32 = b32.Data(round % 2 ? 300 : 64, changes[round % 4]);
    h.plug->process(d32);
    ProcessData d64 = b64.Data(round % 3 ? 0 : 300, changes[(round + 1) % 4]);
    h.plug->process(d64);
  }
  EXPECT_EQ(gAllocs.load() - before, 0);
  EXPECT_EQ(h.plug->getLatencySamples(), 64u); // the work really ran
  EXPECT_GT(h.plug->blocks, 20);
}
