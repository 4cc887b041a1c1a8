#include "tests/module/ModuleFixture.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace moduletest;

class ModuleBuses : public PluginTest
{
protected:
  int32 channels(BusDirection dir)
  {
    BusInfo info{};
    EXPECT_EQ(plug.component()->getBusInfo(kAudio, dir, 0, info), kResultTrue);
    return info.channelCount;
  }
  SpeakerArrangement arrangement(BusDirection dir)
  {
    SpeakerArrangement arr = 0;
    EXPECT_EQ(plug.processor()->getBusArrangement(dir, 0, arr), kResultTrue);
    return arr;
  }
};

TEST_F(ModuleBuses, OneStereoBusEachWay)
{
  ASSERT_EQ(initialize(), kResultOk);
  IComponent* c = plug.component();
  EXPECT_EQ(c->getBusCount(kAudio, kInput), 1);
  EXPECT_EQ(c->getBusCount(kAudio, kOutput), 1);
  EXPECT_EQ(c->getBusCount(kEvent, kInput), 0);
  EXPECT_EQ(c->getBusCount(kEvent, kOutput), 0);
  for (BusDirection dir : {kInput, kOutput})
  {
    BusInfo info{};
    ASSERT_EQ(c->getBusInfo(kAudio, dir, 0, info), kResultTrue);
    EXPECT_EQ(info.mediaType, kAudio);
    EXPECT_EQ(info.direction, dir);
    EXPECT_EQ(info.channelCount, 2);
    EXPECT_EQ(utf8(info.name), dir == kInput ? "Input" : "Output");
    EXPECT_EQ(info.busType, kMain);
    EXPECT_EQ(info.flags, BusInfo::kDefaultActive);
    EXPECT_NE(c->getBusInfo(kAudio, dir, 1, info), kResultTrue);
    EXPECT_NE(c->getBusInfo(kAudio, dir, -1, info), kResultTrue);
    EXPECT_NE(c->getBusInfo(kEvent, dir, 0, info), kResultTrue);
  }
  EXPECT_EQ(arrangement(kInput), SpeakerArr::kStereo);
  EXPECT_NE(c->activateBus(kAudio, kInput, 3, 1), kResultTrue);
  EXPECT_EQ(plug.processor()->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(plug.processor()->canProcessSampleSize(kSample64), kResultTrue);
  EXPECT_NE(plug.processor()->canProcessSampleSize(2), kResultTrue);
  FUnknownPtr<IProcessContextRequirements> req(c);
  ASSERT_TRUE(req);
  EXPECT_EQ(req->getProcessContextRequirements(), 0u);
}

TEST_F(ModuleBuses, MonoAndStereoAcceptedMixedRefused)
{
  ASSERT_EQ(initialize(), kResultOk);
  ASSERT_EQ(plug.setBusArrangements(SpeakerArr::kMono, SpeakerArr::kMono), kResultTrue);
  EXPECT_EQ(channels(kInput), 1);
  EXPECT_EQ(channels(kOutput), 1);
  EXPECT_EQ(arrangement(kOutput), SpeakerArr::kMono);

  EXPECT_NE(plug.setBusArrangements(SpeakerArr::kStereo, SpeakerArr::kMono), kResultTrue);
  EXPECT_NE(plug.setBusArrangements(SpeakerArr::kMono, SpeakerArr::kStereo), kResultTrue);
  EXPECT_NE(plug.setBusArrangements(SpeakerArr::k51, SpeakerArr::k51), kResultTrue);
  SpeakerArrangement two[2] = {SpeakerArr::kStereo, SpeakerArr::kStereo};
  EXPECT_NE(plug.processor()->setBusArrangements(two, 2, two, 2), kResultTrue);
  EXPECT_NE(plug.processor()->setBusArrangements(two, -1, two, 1), kResultTrue);

  ASSERT_EQ(plug.setBusArrangements(SpeakerArr::kStereo, SpeakerArr::kStereo), kResultTrue);
  EXPECT_EQ(channels(kInput), 2);
  EXPECT_EQ(arrangement(kOutput), SpeakerArr::kStereo);
}

// Hosts identified by their application name as 28 or 45 are told "accepted" and nothing changes.
TEST_F(ModuleBuses, HostIdentifiedFromItsNameChangesTheAnswer)
{
  ASSERT_EQ(initialize(u"Ardour 8.4"), kResultOk);
  EXPECT_EQ(plug.setBusArrangements(SpeakerArr::kStereo, SpeakerArr::kMono), kResultTrue);
  EXPECT_EQ(arrangement(kOutput), SpeakerArr::kStereo);
  EXPECT_EQ(plug.setBusArrangements(SpeakerArr::kMono, SpeakerArr::kMono), kResultTrue);
  EXPECT_EQ(channels(kInput), 2); // unchanged
}

TEST_F(ModuleBuses, OtherHostNamesGetTheNormalAnswer)
{
  ASSERT_EQ(initialize(u"Some Unknown Host"), kResultOk);
  EXPECT_NE(plug.setBusArrangements(SpeakerArr::kStereo, SpeakerArr::kMono), kResultTrue);
}
