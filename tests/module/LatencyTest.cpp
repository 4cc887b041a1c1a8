#include <chrono>
#include <thread>

#include "tests/module/ModuleFixture.h"
#include "tools/host/UiLoop.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace moduletest;

class ModuleLatency : public PluginTest
{
protected:
  // Processes a few blocks with the changes on a separate thread, as a host's audio thread would.
  std::thread::id processOnAudioThread(qhost::ParameterChanges* changes)
  {
    std::thread::id audioId;
    tresult result = kInternalError;
    std::thread audio([&] {
      audioId = std::this_thread::get_id();
      std::vector<float> buffers[4];
      for (auto& b : buffers)
        b.assign(256, 0.01f);
      float* ins[2] = {buffers[0].data(), buffers[1].data()};
      float* outs[2] = {buffers[2].data(), buffers[3].data()};
      result = plug.process32(ins, 2, outs, 2, 256, changes);
      for (int i = 0; i < 3 && result == kResultOk; ++i)
        result = plug.process32(ins, 2, outs, 2, 256);
    });
    audio.join();
    EXPECT_EQ(result, kResultOk);
    return audioId;
  }

  // Serves the UI thread until a latency restart arrives (or two seconds pass).
  std::vector<qhost::HandlerCall> waitForRestarts()
  {
    for (int i = 0; i < 100 && handler->restartCount(kLatencyChanged) == 0; ++i)
      qhost::pumpUi(host->runLoop(), 20);
    return handler->callsOf(qhost::HandlerCall::kRestart);
  }
};

TEST_F(ModuleLatency, RestartRequestsArriveOnTheUiThreadWithTheCurrentLatency)
{
  prepare(kSample32);
  EXPECT_EQ(plug.processor()->getLatencySamples(), 0u);
  handler->clear();

  qhost::ParameterChanges drytail;
  drytail.add(kDrytail, 0, 0.5);
  const std::thread::id audioId = processOnAudioThread(&drytail);
  EXPECT_EQ(plug.processor()->getLatencySamples(), 512u);
  EXPECT_EQ(handler->restartCount(kLatencyChanged), 0) << "restart requested from the audio thread";

  auto restarts = waitForRestarts();
  ASSERT_EQ(restarts.size(), 1u);
  EXPECT_TRUE(restarts[0].flags & kLatencyChanged);
  EXPECT_EQ(restarts[0].thread, std::this_thread::get_id());
  EXPECT_NE(restarts[0].thread, audioId);

  // Both optional stages at 48 kHz: 512 each.
  handler->clear();
  qhost::ParameterChanges hushen;
  hushen.add(kHushen, 0, 0.5);
  processOnAudioThread(&hushen);
  EXPECT_EQ(plug.processor()->getLatencySamples(), 1024u);
  restarts = waitForRestarts();
  ASSERT_EQ(restarts.size(), 1u);
  EXPECT_EQ(restarts[0].thread, std::this_thread::get_id());

  // Both off again; no further request once the value is settled.
  handler->clear();
  qhost::ParameterChanges off;
  off.add(kHushen, 0, 0.0);
  off.add(kDrytail, 0, 0.0);
  processOnAudioThread(&off);
  EXPECT_EQ(plug.processor()->getLatencySamples(), 0u);
  restarts = waitForRestarts();
  EXPECT_EQ(restarts.size(), 1u);
  handler->clear();
  processOnAudioThread(nullptr);
  qhost::pumpUi(host->runLoop(), 100);
  EXPECT_EQ(handler->restartCount(kLatencyChanged), 0);
}

#if SMTG_OS_LINUX
// On Linux the plug-in's idle timer lives on the host's run loop, offered by the host context.
TEST_F(ModuleLatency, IdleTimerRunsOnTheHostRunLoop)
{
  prepare(kSample32);
  EXPECT_GE(host->runLoop()->timerCount(), 1u);
  handler->clear();
  qhost::ParameterChanges drytail;
  drytail.add(kDrytail, 0, 0.5);
  processOnAudioThread(&drytail);
  EXPECT_EQ(handler->restartCount(kLatencyChanged), 0);
  EXPECT_GE(host->runLoop()->tickAllTimers(), 1); // one test tick delivers it
  EXPECT_EQ(handler->restartCount(kLatencyChanged), 1);
  plug.terminate();
  EXPECT_EQ(host->runLoop()->timerCount(), 0u); // unregistered at terminate
}

// Hosts that offer the run loop only through the factory's host context.
TEST_F(ModuleLatency, IdleTimerUsesTheFactoryContextRunLoop)
{
  IPtr<qhost::HostApplication> factoryContext =
      owned(new qhost::HostApplication(u"Quellor Module Test"));
  FUnknownPtr<IPluginFactory3> factory(loadedModule()->factory());
  ASSERT_TRUE(factory);
  ASSERT_EQ(factory->setHostContext(factoryContext->unknownCast()), kResultTrue);

  host = owned(new qhost::HostApplication(u"Quellor Module Test", false)); // no run loop here
  ASSERT_EQ(plug.initialize(host->unknownCast()), kResultOk);
  plug.controller()->setComponentHandler(handler);
  ASSERT_EQ(plug.setBusArrangements(SpeakerArr::kStereo, SpeakerArr::kStereo), kResultTrue);
  plug.activateMainBuses();
  ASSERT_EQ(plug.setupProcessing(48000., 512, kSample32), kResultOk);
  ASSERT_EQ(plug.start(), kResultOk);
  EXPECT_EQ(host->runLoop()->timerCount(), 0u);
  EXPECT_GE(factoryContext->runLoop()->timerCount(), 1u);

  handler->clear();
  qhost::ParameterChanges drytail;
  drytail.add(kDrytail, 0, 0.5);
  processOnAudioThread(&drytail);
  EXPECT_GE(factoryContext->runLoop()->tickAllTimers(), 1);
  EXPECT_EQ(handler->restartCount(kLatencyChanged), 1);

  plug.stop();
  plug.terminate();
  EXPECT_EQ(factoryContext->runLoop()->timerCount(), 0u);
  factory->setHostContext(nullptr);
  EXPECT_EQ(factoryContext->runLoop()->getRefCount(), 1); // factory and plug-in let the run loop go
}
#endif
