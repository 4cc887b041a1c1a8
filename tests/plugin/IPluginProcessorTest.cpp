#include <gtest/gtest.h>

#include <vector>

#include "plugin/IPluginProcessor.h"

using namespace plugfw;

namespace {

Config MakeConfig(const char* io, int latency = 0)
{
  Config c;
  c.nParams = 1;
  c.channelIOStr = io;
  c.latency = latency;
  return c;
}

class TestProcessor : public IPluginProcessor
{
public:
  explicit TestProcessor(const Config& c) : IPluginProcessor(c) {}
  bool SendMidiMsg(const IMidiMsg& msg) override
  {
    sent.push_back(msg);
    return sendResult;
  }
  void MakeDelayLine()
  {
    mLatencyDelay =
        std::make_unique<ILatencyDelayLine>(MaxNChannels(kInput), MaxNChannels(kOutput));
  }
  using IPluginProcessor::SetActiveIOConfig;
  using IPluginProcessor::SetBlockSize;
  using IPluginProcessor::SetChannelConnections;
  std::vector<IMidiMsg> sent;
  bool sendResult = true;
};

} // namespace

TEST(IPluginProcessor, ParsesMonoAndStereoConfigurations)
{
  TestProcessor p(MakeConfig("1-1 2-2"));
  ASSERT_EQ(p.NIOConfigs(), 2);
  EXPECT_EQ(p.GetIOConfig(0).NBuses(kInput), 1);
  EXPECT_EQ(p.GetIOConfig(0).NChansOnBus(kInput, 0), 1);
  EXPECT_EQ(p.GetIOConfig(1).NChansOnBus(kOutput, 0), 2);
  EXPECT_EQ(p.MaxNChannels(kInput), 2);
  EXPECT_EQ(p.MaxNChannels(kOutput), 2);
  EXPECT_EQ(p.GetIOConfigWithChanCounts({2}, {2}), 1);
  EXPECT_EQ(p.GetIOConfigWithChanCounts({1}, {1}), 0);
  EXPECT_EQ(p.GetIOConfigWithChanCounts({2}, {1}), -1);
  EXPECT_EQ(p.GetIOConfigWithChanCounts({2, 2}, {2}), -1);
  EXPECT_EQ(p.GetSampleRate(), 48000.0);
  int idx = -1;
  EXPECT_EQ(p.MaxNBuses(kInput, &idx), 1);
  EXPECT_EQ(idx, 1); // tie: the later configuration wins
  EXPECT_EQ(p.GetActiveIOConfigIdx(), 1);
  EXPECT_EQ(p.NInChansOfActiveConfig(), 2);
  EXPECT_EQ(p.MaxNChannelsForMainBus(), 2);
}

TEST(IPluginProcessor, ParsesMultiBusWildcardAndRejectsGarbage)
{
  std::vector<IOConfig> cfgs;
  int tin, tout, bin, bout;
  IPluginProcessor::ParseChannelIOStr("2.2-2 0-1 *-* junk 1-x 3--1  1.-1 4-4", cfgs, tin, tout, bin,
                                      bout);
  ASSERT_EQ(cfgs.size(), 4u);
  EXPECT_EQ(cfgs[0].NBuses(kInput), 2);
  EXPECT_EQ(cfgs[0].GetTotalNChannels(kInput), 4);
  EXPECT_EQ(cfgs[1].NBuses(kInput), 0); // a count of 0 adds no bus
  EXPECT_EQ(cfgs[2].mBuses[kInput][0].mNChans, kWildcardChannels);
  EXPECT_TRUE(cfgs[2].ContainsWildcard(kOutput));
  EXPECT_EQ(tin, 4);
  EXPECT_EQ(tout, 4);
  EXPECT_EQ(bin, 2);
  EXPECT_EQ(bout, 1);

  IPluginProcessor::ParseChannelIOStr(nullptr, cfgs, tin, tout, bin, bout);
  EXPECT_TRUE(cfgs.empty());

  TestProcessor wild(MakeConfig("*-* 2-2"));
  EXPECT_EQ(wild.MaxNChannelsForMainBus(), -1);
  TestProcessor multi(MakeConfig("1-1 2.1-2 4-4"));
  EXPECT_EQ(multi.MaxNChannelsForMainBus(), 4);
  int idx = -1;
  EXPECT_EQ(multi.MaxNBuses(kInput, &idx), 2);
  EXPECT_EQ(idx, 1);
  TestProcessor none(MakeConfig(""));
  EXPECT_EQ(none.NIOConfigs(), 0);
  EXPECT_EQ(none.NInChansOfActiveConfig(), 2);
}

TEST(IPluginProcessor, BusNames)
{
  TestProcessor p(MakeConfig("1-1"));
  std::string s;
  p.GetBusName(kOutput, 0, 1, s);
  EXPECT_EQ(s, "Output");
  p.GetBusName(kOutput, 2, 3, s);
  EXPECT_EQ(s, "Output 2");
  p.GetBusName(kInput, 0, 1, s);
  EXPECT_EQ(s, "Input");
  p.GetBusName(kInput, 0, 2, s);
  EXPECT_EQ(s, "Main");
  p.GetBusName(kInput, 1, 2, s);
  EXPECT_EQ(s, "Aux");
  p.GetBusName(kInput, 2, 3, s);
  EXPECT_EQ(s, "Input 2");
}

TEST(IPluginProcessor, BaseBlockCopiesMatchingChannelsAndZeroesOthers)
{
  TestProcessor p(MakeConfig("1-2"));
  std::vector<double> in = {1, 2, 3}, o0(3, 9), o1(3, 9);
  double* ins[] = {in.data()};
  double* outs[] = {o0.data(), o1.data()};
  p.ProcessAudioBlock(ins, outs, 3);
  EXPECT_EQ(o0, in);
  EXPECT_EQ(o1, std::vector<double>(3, 0.0));
  double* nullOuts[] = {nullptr, o1.data()};
  p.ProcessAudioBlock(nullptr, nullOuts, 3); // null input and output pointers are tolerated
  p.ProcessAudioBlock(ins, outs, 0);
  p.ProcessAudioBlock(ins, outs, -5);
  EXPECT_EQ(o0, in);
}

TEST(IPluginProcessor, MidiHelpersAndDefaults)
{
  TestProcessor p(MakeConfig("2-2"));
  p.ProcessMidiMsg(IMidiMsg(3, 0x90, 60, 100));
  ASSERT_EQ(p.sent.size(), 1u);
  EXPECT_EQ(p.sent[0].mData1, 60);
  EXPECT_TRUE(p.SendMidiMsgs({IMidiMsg(), IMidiMsg()}));
  p.sendResult = false;
  EXPECT_FALSE(p.SendMidiMsgs({IMidiMsg(), IMidiMsg()}));
  EXPECT_EQ(p.sent.size(), 5u); // every message is still attempted
  ISysEx sx;
  EXPECT_FALSE(p.SendSysEx(sx));
  p.SetTailSize(77);
  EXPECT_EQ(p.GetTailSize(), 77);
  const ITimeInfo& t = p.GetTimeInfo();
  EXPECT_EQ(t.mTempo, 120.0);
  EXPECT_EQ(t.mSamplePos, -1.0);
  EXPECT_EQ(t.mNumerator, 4);
  EXPECT_FALSE(t.mTransportIsRunning);
}

TEST(IPluginProcessor, ChannelConnectionsAndScratch)
{
  TestProcessor p(MakeConfig("1-1 2-2"));
  EXPECT_EQ(p.NInChansConnected(), 0);
  p.SetChannelConnections(kInput, 0, 2, true);
  p.SetChannelConnections(kInput, 1, 10, false); // beyond the records: ignored safely
  EXPECT_EQ(p.NInChansConnected(), 1);
  EXPECT_TRUE(p.IsChannelConnected(kInput, 0));
  EXPECT_FALSE(p.IsChannelConnected(kInput, 5));
  EXPECT_FALSE(p.IsChannelConnected(kOutput, -1));
  p.SetBlockSize(64);
  EXPECT_EQ(p.GetBlockSize(), 64);
}

TEST(IPluginProcessor, ReportLatencyResizesAndClearsDelayLine)
{
  TestProcessor p(MakeConfig("2-2", 3));
  EXPECT_EQ(p.GetLatency(), 3);
  p.MakeDelayLine();
  p.ReportLatency(4);
  EXPECT_EQ(p.GetLatency(), 4);
  ASSERT_NE(p.GetLatencyDelay(), nullptr);
  EXPECT_EQ(p.GetLatencyDelay()->Length(), 4);
  p.ReportLatency(-8); // a negative latency is meaningless: stored as 0
  EXPECT_EQ(p.GetLatency(), 0);
}

TEST(LatencyDelayLine, DelaysEveryChannelInPlaceAcrossBlocks)
{
  ILatencyDelayLine d(2, 3);
  d.Resize(3);
  std::vector<double> a = {1, 2, 3, 4, 5}, b = {10, 20, 30, 40, 50}, c(5, 7.0);
  double* io[] = {a.data(), b.data(), c.data()};
  d.Process(io, 2, io, 3, 5); // in place
  EXPECT_EQ(a, (std::vector<double>{0, 0, 0, 1, 2}));
  EXPECT_EQ(b, (std::vector<double>{0, 0, 0, 10, 20}));
  EXPECT_EQ(c, std::vector<double>(5, 0.0)); // an output without input is silent
  std::vector<double> a2 = {6, 7}, b2 = {60, 70};
  double* io2[] = {a2.data(), b2.data(), nullptr};
  d.Process(io2, 2, io2, 3, 2);
  EXPECT_EQ(a2, (std::vector<double>{3, 4}));
  EXPECT_EQ(b2, (std::vector<double>{30, 40}));

  d.Resize(0); // no latency: straight copy
  std::vector<double> x = {1, 2}, y(2, 5);
  const double* ins[] = {x.data(), nullptr};
  double* outs[] = {y.data(), x.data()};
  d.Process(ins, 2, outs, 2, 2);
  EXPECT_EQ(y, (std::vector<double>{1, 2}));
  EXPECT_EQ(x, std::vector<double>(2, 0.0)); // null input reads as silence
}

TEST(LatencyDelayLine, ReserveAvoidsReallocationWithinCapacity)
{
  ILatencyDelayLine d(2, 2);
  d.Reserve(1000);
  const size_t cap = d.Capacity();
  EXPECT_GE(cap, 2000u);
  d.Resize(900);
  d.Resize(10);
  d.Resize(1000);
  EXPECT_EQ(d.Capacity(), cap);
  d.Process(nullptr, 0, nullptr, 0, 16); // nothing to do, nothing touched
  EXPECT_EQ(d.Length(), 1000);
}
