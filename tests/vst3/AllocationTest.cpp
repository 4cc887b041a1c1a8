// The process call must not allocate once processing is set up: every operator new is counted.

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/vst3/Harness.h"
#include "tests/support/AllocationCounter.h"

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

  const long before = testsupport::Allocations();
  for (int round = 0; round < 20; ++round)
  {
    IParameterChanges* changes[] = {&latency, &bypassOn, &gain, &bypassOff};
    ProcessData d32 = b32.Data(round % 2 ? 300 : 64, changes[round % 4]);
    h.plug->process(d32);
    ProcessData d64 = b64.Data(round % 3 ? 0 : 300, changes[(round + 1) % 4]);
    h.plug->process(d64);
  }
  EXPECT_EQ(testsupport::Allocations() - before, 0);
  EXPECT_EQ(h.plug->getLatencySamples(), 64u); // the work really ran
  EXPECT_GT(h.plug->blocks, 20);
}
