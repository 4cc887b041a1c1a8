#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>

#include "tests/vst3/Harness.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using fakehost::Buffers;

TEST(VST3Processor, InitialiseCreatesStereoBusesAndIdentifiesHost)
{
  fakehost::HostApp host;
  host.name = u"REAPER";
  TestPlug* p = new TestPlug();
  EXPECT_EQ(p->initialize(&host), kResultOk);
  EXPECT_EQ(p->initialize(&host), kResultFalse); // second initialise refused
  EXPECT_EQ(p->GetHost(), 1);
  EXPECT_STREQ(p->GetHostName(), "REAPER");
  EXPECT_EQ(p->getBusCount(kAudio, kInput), 1);
  EXPECT_EQ(p->getBusCount(kAudio, kOutput), 1);
  EXPECT_EQ(p->getBusCount(kEvent, kInput), 0);
  BusInfo info{};
  ASSERT_EQ(p->getBusInfo(kAudio, kInput, 0, info), kResultTrue);
  EXPECT_EQ(info.channelCount, 2);
  EXPECT_EQ(std::u16string(info.name), u"Input");
  EXPECT_EQ(info.busType, kMain);
  EXPECT_EQ(info.flags, 1u);
  ASSERT_EQ(p->getBusInfo(kAudio, kOutput, 0, info), kResultTrue);
  EXPECT_EQ(std::u16string(info.name), u"Output");
  SpeakerArrangement arr = 0;
  EXPECT_EQ(p->getBusArrangement(kOutput, 0, arr), kResultTrue);
  EXPECT_EQ(arr, SpeakerArr::kStereo);
  EXPECT_EQ(p->terminate(), kResultOk);
  EXPECT_EQ(p->terminate(), kResultOk); // twice: harmless
  p->release();
}

TEST(VST3Processor, BusArrangementsMatchConfigurations)
{
  fakehost::HostApp host;
  TestPlug* p = new TestPlug();
  p->initialize(&host);
  SpeakerArrangement mono = SpeakerArr::kMono, stereo = SpeakerArr::kStereo;
  EXPECT_EQ(p->setBusArrangements(&stereo, 1, &mono, 1), kResultFalse);
  EXPECT_EQ(p->NInChansConnected(), 0); // a refused request leaves everything disconnected
  SpeakerArrangement two[2] = {stereo, stereo};
  EXPECT_EQ(p->setBusArrangements(two, 2, &stereo, 1), kResultFalse);
  EXPECT_EQ(p->setBusArrangements(nullptr, 1, &stereo, 1), kInvalidArgument);
  EXPECT_EQ(p->setBusArrangements(&mono, 1, &mono, 1), kResultTrue);
  BusInfo info{};
  p->getBusInfo(kAudio, kInput, 0, info);
  EXPECT_EQ(info.channelCount, 1);
  EXPECT_EQ(p->NInChansOfActiveConfig(), 1);
  EXPECT_EQ(p->setBusArrangements(&stereo, 1, &stereo, 1), kResultTrue);
  p->getBusInfo(kAudio, kOutput, 0, info);
  EXPECT_EQ(info.channelCount, 2);
  EXPECT_EQ(p->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(p->canProcessSampleSize(kSample64), kResultTrue);
  EXPECT_EQ(p->canProcessSampleSize(2), kResultFalse);
  p->terminate();
  p->release();

  fakehost::HostApp ardour;
  ardour.name = u"Ardour 8";
  TestPlug* q = new TestPlug();
  q->initialize(&ardour);
  EXPECT_EQ(q->setBusArrangements(&stereo, 1, &mono, 1), kResultTrue); // accepted unchanged
  q->getBusInfo(kAudio, kOutput, 0, info);
  EXPECT_EQ(info.channelCount, 2);
  q->terminate();
  q->release();
}

TEST(VST3Processor, SetupRejectsBadSetupsAndWrongOrder)
{
  TestPlug* p = new TestPlug();
  ProcessSetup ok{kRealtime, kSample32, 256, 48000.0};
  EXPECT_NE(p->setupProcessing(ok), kResultOk); // before initialise
  fakehost::HostApp host;
  p->initialize(&host);
  const double bad[] = {0.0, -44100.0, std::numeric_limits<double>::infinity(), std::nan("")};
  for (double rate : bad)
  {
    ProcessSetup s{kRealtime, kSample32, 256, rate};
    EXPECT_EQ(p->setupProcessing(s), kInvalidArgument) << rate;
  }
  ProcessSetup zeroBlock{kRealtime, kSample32, 0, 48000.0};
  EXPECT_EQ(p->setupProcessing(zeroBlock), kInvalidArgument);
  ProcessSetup badSize{kRealtime, 2, 256, 48000.0};
  EXPECT_EQ(p->setupProcessing(badSize), kResultFalse);
  EXPECT_EQ(p->GetSampleRate(), 48000.0); // nothing stored
  EXPECT_EQ(p->resets, 0);

  // process before setup: silence, the plug-in is not called
  Buffers<float> b(2, 2, 64);
  b.in[0].assign(64, 0.5f);
  ProcessData d = b.Data(64);
  EXPECT_EQ(p->process(d), kResultOk);
  EXPECT_EQ(p->blocks, 0);
  EXPECT_EQ(b.out[0][10], 0.0f);

  ProcessSetup s44{kRealtime, kSample64, 128, 44100.0};
  EXPECT_EQ(p->setupProcessing(s44), kResultOk);
  EXPECT_EQ(p->GetSampleRate(), 44100.0);
  EXPECT_EQ(p->GetBlockSize(), 128);
  EXPECT_EQ(p->resets, 1);
  p->setProcessing(false);
  EXPECT_EQ(p->resets, 2);
  p->terminate();
  EXPECT_EQ(p->process(d), kResultOk); // after terminate: still safe
  EXPECT_EQ(p->blocks, 0);
  p->release();
}

template <typename T>
void CheckGainBlock(int sampleSize)
{
  Harness h(2, 48000.0, 256, sampleSize);
  h.plug->GetParam(TestPlug::kGain)->SetValue(0.5);
  Buffers<T> b(2, 2, 100);
  for (int i = 0; i < 100; ++i)
  {
    b.in[0][i] = T(0.25) * T(i % 7);
    b.in[1][i] = T(-0.5);
  }
  ProcessData d = b.Data(100);
  EXPECT_EQ(h.plug->process(d), kResultOk);
  for (int i = 0; i < 100; ++i)
  {
    ASSERT_EQ(b.out[0][i], T(0.125) * T(i % 7));
    ASSERT_EQ(b.out[1][i], T(-0.25));
  }
  EXPECT_EQ(h.plug->connectedIn, 2);
}

TEST(VST3Processor, Processes32And64BitBuffers)
{
  CheckGainBlock<float>(kSample32);
  CheckGainBlock<double>(kSample64);
}

TEST(VST3Processor, ParameterQueuesApplyTheirLastPoint)
{
  Harness h;
  fakehost::ParamChanges changes;
  changes.Add(TestPlug::kGain, {{0, 0.1}, {100, 0.2}, {400, 0.25}});
  changes.Add(TestPlug::kTrim, {});                  // no points: ignored
  changes.Add(TestPlug::kHold, {{3, std::nan("")}}); // broken value: ignored
  changes.Add(77, {{0, 1.0}});                       // not a parameter: ignored
  changes.Add(TestPlug::kMode, {{5, 7.0}});          // out of range: clamped
  Buffers<float> b(2, 2, 16);
  ProcessData d = b.Data(16, &changes);
  h.plug->process(d);
  EXPECT_EQ(h.plug->GetParam(TestPlug::kGain)->GetValue(), 0.5);
  EXPECT_EQ(h.plug->GetParam(TestPlug::kHold)->GetValue(), 0.0);
  EXPECT_EQ(h.plug->GetParam(TestPlug::kMode)->GetValue(), 2.0);
  ASSERT_EQ(h.plug->hostChanges.size(), 2u);
  EXPECT_EQ(h.plug->hostChanges[0], (std::pair<int, int>{TestPlug::kGain, 400}));
}

TEST(VST3Processor, BypassParameterAndDelayLine)
{
  Harness h(1);
  fakehost::ParamChanges half, more;
  half.Add(plugfw::kBypassParamID, {{0, 1.0}, {8, 0.5}});
  more.Add(plugfw::kBypassParamID, {{0, 0.51}});
  h.plug->GetParam(TestPlug::kGain)->SetValue(2.0);
  Buffers<double> b(1, 1, 8);
  ProcessData d0 = b.Data(8, &half);
  h.plug->process(d0);
  EXPECT_FALSE(h.plug->GetBypassed());

  // Make the plug-in report 3 samples of latency, then bypass: the input comes out 3 later.
  h.plug->GetParam(TestPlug::kLatency)->SetValue(3.0);
  ProcessData d1 = b.Data(8);
  h.plug->process(d1);
  EXPECT_EQ(h.plug->getLatencySamples(), 3u);
  const int blocksBefore = h.plug->blocks;
  for (int i = 0; i < 8; ++i)
    b.in[0][i] = i + 1;
  ProcessData d2 = b.Data(8, &more);
  h.plug->process(d2);
  EXPECT_TRUE(h.plug->GetBypassed());
  EXPECT_EQ(h.plug->blocks, blocksBefore); // the plug-in is not called while bypassed
  EXPECT_EQ(b.out[0], (std::vector<double>{0, 0, 0, 1, 2, 3, 4, 5}));
  ProcessData d3 = b.Data(8);
  h.plug->process(d3);
  EXPECT_EQ(b.out[0], (std::vector<double>{6, 7, 8, 1, 2, 3, 4, 5}));
}

TEST(VST3Processor, HostileBlocksStayInBounds)
{
  Harness h(2, 48000.0, 64);
  h.plug->GetParam(TestPlug::kGain)->SetValue(2.0);

  // More frames than the maximum block size: processed in pieces, every sample written.
  Buffers<float> big(2, 2, 1000);
  big.in[0].assign(1000, 0.25f);
  ProcessData d = big.Data(1000);
  h.plug->process(d);
  for (float v : big.out[0])
    ASSERT_EQ(v, 0.5f);
  for (int n : h.plug->frames)
    EXPECT_LE(n, 64);

  // Zero frames: the plug-in still gets its (empty) block.
  h.plug->frames.clear();
  ProcessData z = big.Data(0);
  h.plug->process(z);
  ASSERT_EQ(h.plug->frames.size(), 1u);
  EXPECT_EQ(h.plug->frames[0], 0);

  // Null buffers and null channel pointers.
  Buffers<float> nb(2, 2, 32);
  nb.inPtrs[1] = nullptr;
  nb.outPtrs[0] = nullptr;
  nb.in[0].assign(32, 1.0f);
  ProcessData n1 = nb.Data(32);
  h.plug->process(n1);
  EXPECT_EQ(nb.out[1][5], 0.0f); // missing input reads as silence
  ProcessData n2 = nb.Data(32);
  n2.inputs = nullptr;
  n2.outputs = nullptr;
  h.plug->process(n2);
  ProcessData n3 = nb.Data(32);
  nb.inBus.channelBuffers32 = nullptr;
  h.plug->process(n3);

  // Fewer channels than the arrangement: only the given channel is connected.
  Buffers<float> one(1, 1, 32);
  one.in[0].assign(32, 0.5f);
  ProcessData o = one.Data(32);
  h.plug->process(o);
  EXPECT_EQ(h.plug->connectedIn, 1);
  EXPECT_EQ(one.out[0][0], 1.0f);

  // Unsupported sample size: nothing happens.
  const int blocks = h.plug->blocks;
  ProcessData u = one.Data(32);
  u.symbolicSampleSize = 5;
  h.plug->process(u);
  EXPECT_EQ(h.plug->blocks, blocks);
}

TEST(VST3Processor, InactiveOutputBusIsNotWritten)
{
  Harness h;
  h.plug->activateBus(kAudio, kOutput, 0, false);
  Buffers<double> b(2, 2, 16);
  b.in[0].assign(16, 1.0);
  ProcessData d = b.Data(16);
  h.plug->process(d);
  EXPECT_EQ(b.out[0][0], -7.0);
  EXPECT_EQ(h.plug->NOutChansConnected(), 0);
}

TEST(VST3Processor, LatencyRestartComesFromTheIdleTimerNotTheAudioThread)
{
  Harness h;
  h.handler.calls.clear();
  h.plug->GetParam(TestPlug::kLatency)->SetValue(10.0);
  std::thread audio([&] {
    Buffers<float> b(2, 2, 32);
    ProcessData d = b.Data(32);
    h.plug->process(d);
  });
  audio.join();
  EXPECT_EQ(h.plug->getLatencySamples(), 10u); // the current value at once
  EXPECT_TRUE(h.handler.calls.empty());        // no host call from the audio thread
  EXPECT_TRUE(h.plug->IsRestartPending());
  h.plug->GetTimer()->Tick(); // the idle timer, on this (UI) thread
  ASSERT_EQ(h.handler.calls, std::vector<std::string>{"restart 8"});
  EXPECT_EQ(h.handler.restartThreads[0], std::this_thread::get_id());
  h.plug->GetTimer()->Tick();
  EXPECT_EQ(h.handler.calls.size(), 1u); // one change, one restart

  // A reset from setup (UI thread) reports directly.
  h.handler.calls.clear();
  ProcessSetup setup{kRealtime, kSample32, 256, 48000.0};
  h.plug->GetParam(TestPlug::kLatency)->SetValue(0.0);
  h.plug->setupProcessing(setup);
  EXPECT_EQ(h.handler.calls, std::vector<std::string>{"restart 8"});
  EXPECT_EQ(h.plug->getLatencySamples(), 0u);

  // Stopping processing may come from the audio thread: deferred to the timer.
  std::thread audio2([&] {
    Buffers<float> b(2, 2, 32);
    h.plug->GetParam(TestPlug::kLatency)->SetValue(7.0);
    ProcessData d = b.Data(32);
    h.plug->process(d);
  });
  audio2.join();
  h.plug->GetTimer()->Tick();
  EXPECT_EQ(h.handler.calls, (std::vector<std::string>{"restart 8", "restart 8"}));
  std::thread audio3([&] { h.plug->setProcessing(false); }); // its reset drops the latency to 0
  audio3.join();
  EXPECT_EQ(h.handler.calls.size(), 2u);
  h.plug->GetTimer()->Tick();
  EXPECT_EQ(h.handler.calls.size(), 3u);
  EXPECT_EQ(h.plug->getLatencySamples(), 0u);

  // A change that is undone before the host hears of it needs no restart at all.
  std::thread audio4([&] {
    Buffers<float> b(2, 2, 32);
    h.plug->GetParam(TestPlug::kLatency)->SetValue(5.0);
    ProcessData d = b.Data(32);
    h.plug->process(d);
    h.plug->setProcessing(false);
  });
  audio4.join();
  h.plug->GetTimer()->Tick();
  EXPECT_EQ(h.handler.calls.size(), 3u);
}

TEST(VST3Processor, TransportIsCopiedAndKeptWithoutContext)
{
  Harness h;
  ProcessContext ctx{};
  ctx.state = ProcessContext::kPlaying | ProcessContext::kProjectTimeMusicValid;
  ctx.tempo = 98.5;
  ctx.projectTimeSamples = 4800;
  ctx.projectTimeMusic = 3.5;
  ctx.timeSigNumerator = 7;
  ctx.timeSigDenominator = 8;
  Buffers<float> b(2, 2, 8);
  ProcessData d = b.Data(8);
  d.processContext = &ctx;
  h.plug->process(d);
  const plugfw::ITimeInfo& t = h.plug->GetTimeInfo();
  EXPECT_EQ(t.mTempo, 98.5);
  EXPECT_EQ(t.mSamplePos, 4800.0);
  EXPECT_EQ(t.mPPQPos, 3.5);
  EXPECT_EQ(t.mNumerator, 7);
  EXPECT_TRUE(t.mTransportIsRunning);
  EXPECT_FALSE(t.mTransportLoopEnabled);
  ProcessData d2 = b.Data(8);
  d2.processMode = kOffline;
  h.plug->process(d2);
  EXPECT_EQ(h.plug->GetTimeInfo().mTempo, 98.5); // previous copy reused
  EXPECT_TRUE(h.plug->GetRenderingOffline());
}

namespace {

std::vector<uint8> SavedState(TestPlug* p)
{
  fakehost::MemoryStream s;
  EXPECT_EQ(static_cast<IComponent*>(p)->getState(&s), kResultOk);
  return s.data;
}

} // namespace

TEST(VST3Processor, StateIsParameterDoublesThenBypass)
{
  Harness h;
  h.plug->GetParam(TestPlug::kGain)->SetValue(1.5);
  fakehost::ParamChanges bypass;
  bypass.Add(plugfw::kBypassParamID, {{0, 1.0}});
  Buffers<float> b(2, 2, 8);
  ProcessData d = b.Data(8, &bypass);
  h.plug->process(d);
  const std::vector<uint8> state = SavedState(h.plug);
  ASSERT_EQ(state.size(), 6u * 8u + 4u);
  double gain = 0;
  std::memcpy(&gain, state.data(), 8);
  EXPECT_EQ(gain, 1.5);
  EXPECT_EQ(state[48], 1);
  EXPECT_EQ(state[49] | state[50] | state[51], 0);

  Harness other;
  fakehost::MemoryStream in;
  in.data = state;
  in.maxChunk = 5; // a host that hands out a few bytes per read
  EXPECT_EQ(static_cast<IComponent*>(other.plug)->setState(&in), kResultOk);
  EXPECT_EQ(other.plug->GetParam(TestPlug::kGain)->GetValue(), 1.5);
  EXPECT_TRUE(other.plug->GetBypassed());
  EXPECT_EQ(other.plug->getParamNormalized(plugfw::kBypassParamID), 1.0);
  EXPECT_EQ(other.plug->getParamNormalized(TestPlug::kGain), 0.75);
}

TEST(VST3Processor, ShortLongAndHostileStateStreams)
{
  Harness src;
  for (int i = 0; i < TestPlug::kNumParams; ++i)
    src.plug->GetParam(i)->SetValue(src.plug->GetParam(i)->GetMax());
  const std::vector<uint8> state = SavedState(src.plug);

  {
    Harness h; // no bypass bytes: values load, the call fails
    fakehost::MemoryStream s;
    s.data.assign(state.begin(), state.begin() + 48);
    EXPECT_EQ(static_cast<IComponent*>(h.plug)->setState(&s), kResultFalse);
    EXPECT_EQ(h.plug->GetParam(TestPlug::kLatency)->GetValue(), 64.0);
    // The host sees the values that are in effect, not the ones from before the restore.
    EXPECT_EQ(h.plug->getParamNormalized(TestPlug::kLatency),
              h.plug->GetParam(TestPlug::kLatency)->GetNormalValue());
  }
  {
    Harness h; // one byte short of the parameter block
    fakehost::MemoryStream s;
    s.data.assign(state.begin(), state.begin() + 47);
    EXPECT_EQ(static_cast<IComponent*>(h.plug)->setState(&s), kResultFalse);
    EXPECT_EQ(h.plug->GetParam(TestPlug::kLocked)->GetValue(), 1.0);
    EXPECT_EQ(h.plug->GetParam(TestPlug::kLatency)->GetValue(), 0.0);
    EXPECT_EQ(h.plug->getParamNormalized(TestPlug::kLocked), 1.0);
  }
  {
    Harness h; // extra trailing bytes are ignored
    fakehost::MemoryStream s;
    s.data = state;
    s.data.resize(state.size() + 300, 0xAB);
    EXPECT_EQ(static_cast<IComponent*>(h.plug)->setState(&s), kResultOk);
    EXPECT_EQ(h.plug->GetParam(TestPlug::kGain)->GetValue(), 2.0);
  }
  {
    Harness h; // non-finite values never get in
    fakehost::MemoryStream s;
    s.data = state;
    const double nan = std::nan(""), inf = -std::numeric_limits<double>::infinity();
    std::memcpy(s.data.data(), &nan, 8);
    std::memcpy(s.data.data() + 8, &inf, 8);
    EXPECT_EQ(static_cast<IComponent*>(h.plug)->setState(&s), kResultOk);
    EXPECT_EQ(h.plug->GetParam(TestPlug::kGain)->GetValue(), 1.0);
    EXPECT_EQ(h.plug->GetParam(TestPlug::kTrim)->GetValue(), -24.0);
  }
  {
    Harness h; // failing stream, empty stream, null stream
    fakehost::MemoryStream s;
    s.data = state;
    s.failReads = true;
    EXPECT_EQ(static_cast<IComponent*>(h.plug)->setState(&s), kResultFalse);
    fakehost::MemoryStream empty;
    EXPECT_EQ(static_cast<IComponent*>(h.plug)->setState(&empty), kResultFalse);
    EXPECT_EQ(static_cast<IComponent*>(h.plug)->setState(nullptr), kInvalidArgument);
    EXPECT_EQ(static_cast<IComponent*>(h.plug)->getState(nullptr), kInvalidArgument);
    EXPECT_EQ(h.plug->GetParam(TestPlug::kGain)->GetValue(), 1.0);
  }
}

TEST(VST3Processor, TailSamples)
{
  Harness h;
  h.plug->SetTailSize(100);
  EXPECT_EQ(h.plug->getTailSamples(), 100u);
  h.plug->SetTailSize(std::numeric_limits<int>::max());
  EXPECT_EQ(h.plug->getTailSamples(), kInfiniteTail);
  h.plug->SetTailSize(-3);
  EXPECT_EQ(h.plug->getTailSamples(), 0u);
}

namespace {

struct FakeRunLoop : Linux::IRunLoop
{
  FAKE_UNKNOWN(Linux::IRunLoop)
  Linux::ITimerHandler* timer = nullptr;
  Linux::TimerInterval interval = 0;
  tresult PLUGIN_API registerEventHandler(Linux::IEventHandler*, Linux::FileDescriptor) override
  {
    return kResultFalse;
  }
  tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler*) override { return kResultFalse; }
  tresult PLUGIN_API registerTimer(Linux::ITimerHandler* h, Linux::TimerInterval ms) override
  {
    h->addRef();
    timer = h;
    interval = ms;
    return kResultOk;
  }
  tresult PLUGIN_API unregisterTimer(Linux::ITimerHandler* h) override
  {
    if (h != timer)
      return kResultFalse;
    timer->release();
    timer = nullptr;
    return kResultOk;
  }
};

// A host context that offers both the application interface and a run loop.
struct RunLoopHost : fakehost::HostApp
{
  FakeRunLoop loop;
  tresult PLUGIN_API queryInterface(const TUID queried, void** obj) override
  {
    if (FUnknownPrivate::iidEqual(queried, Linux::IRunLoop::iid))
    {
      *obj = static_cast<Linux::IRunLoop*>(&loop);
      loop.addRef();
      return kResultOk;
    }
    return fakehost::HostApp::queryInterface(queried, obj);
  }
};

} // namespace

TEST(VST3Processor, HostRunLoopDrivesTheIdleTimer)
{
#if SMTG_OS_WINDOWS
  GTEST_SKIP() << "Windows drives the idle timer with a system timer";
#else
  RunLoopHost host;
  fakehost::ComponentHandler handler;
  TestPlug* p = new TestPlug();
  ASSERT_EQ(p->initialize(&host), kResultOk);
  p->setComponentHandler(&handler);
  ASSERT_NE(host.loop.timer, nullptr);
  EXPECT_EQ(host.loop.interval, 20u);
  ProcessSetup setup{kRealtime, kSample32, 64, 48000.0};
  p->setupProcessing(setup);
  handler.calls.clear();
  p->GetParam(TestPlug::kLatency)->SetValue(5.0);
  fakehost::Buffers<float> b(2, 2, 16);
  ProcessData d = b.Data(16);
  p->process(d);
  EXPECT_TRUE(handler.calls.empty());
  host.loop.timer->onTimer();
  EXPECT_EQ(handler.calls, std::vector<std::string>{"restart 8"});
  p->setComponentHandler(nullptr);
  p->terminate();
  EXPECT_EQ(host.loop.timer, nullptr); // unregistered at terminate
  p->release();
#endif
}
