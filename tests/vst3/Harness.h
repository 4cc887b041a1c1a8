#pragma once
// Brings a TestPlug up the way a host does, and tears it down again.

#include <gtest/gtest.h>

#include "tests/vst3/FakeHost.h"
#include "tests/vst3/TestPlugin.h"

struct Harness
{
  fakehost::HostApp host;
  fakehost::ComponentHandler handler;
  TestPlug* plug = new TestPlug();

  explicit Harness(int channels = 2, double rate = 48000.0, int maxBlock = 256,
                   int sampleSize = Steinberg::Vst::kSample32)
  {
    using namespace Steinberg::Vst;
    EXPECT_EQ(plug->initialize(&host), Steinberg::kResultOk);
    plug->setComponentHandler(&handler);
    SpeakerArrangement arr = channels == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo;
    EXPECT_EQ(plug->setBusArrangements(&arr, 1, &arr, 1), Steinberg::kResultTrue);
    plug->activateBus(kAudio, kInput, 0, true);
    plug->activateBus(kAudio, kOutput, 0, true);
    ProcessSetup setup{kRealtime, sampleSize, maxBlock, rate};
    EXPECT_EQ(plug->setupProcessing(setup), Steinberg::kResultOk);
    plug->setActive(true);
    plug->setProcessing(true);
  }

  ~Harness()
  {
    plug->setProcessing(false);
    plug->setActive(false);
    plug->setComponentHandler(nullptr);
    plug->terminate();
    plug->release();
  }
};
