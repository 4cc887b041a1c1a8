#include <chrono>
#include <cmath>
#include <cstdlib>
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

  // Both optional stages at 48 kHz: 1472 for Hushen, 512 for Drytail.
  handler->clear();
  qhost::ParameterChanges hushen;
  hushen.add(kHushen, 0, 0.5);
  processOnAudioThread(&hushen);
  EXPECT_EQ(plug.processor()->getLatencySamples(), 1984u);
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

// Hosts without a run loop (and so without an idle timer on Linux) and without an editor.
class ModuleLatencyNoRunLoop : public ModuleLatency
{
protected:
  void prepareWithoutRunLoop(double rate = 48000.)
  {
    host = owned(new qhost::HostApplication(u"Quellor Module Test", false));
    ASSERT_EQ(plug.initialize(host->unknownCast()), kResultOk);
    plug.controller()->setComponentHandler(handler);
    ASSERT_EQ(plug.setBusArrangements(SpeakerArr::kStereo, SpeakerArr::kStereo), kResultTrue);
    plug.activateMainBuses();
    ASSERT_EQ(plug.setupProcessing(rate, 512, kSample32), kResultOk);
    ASSERT_EQ(plug.start(), kResultOk);
  }
  uint32 latency() { return plug.processor()->getLatencySamples(); }
  // Every restart so far came from this thread.
  void expectRestartsOnThisThread()
  {
    for (const qhost::HandlerCall& c : handler->callsOf(qhost::HandlerCall::kRestart))
      EXPECT_EQ(c.thread, std::this_thread::get_id());
  }
};

TEST_F(ModuleLatencyNoRunLoop, LatencyIsRightBeforeAnyBlock)
{
  // Parameters set before processing is set up: the reading after activation has them.
  host = owned(new qhost::HostApplication(u"Quellor Module Test", false));
  ASSERT_EQ(plug.initialize(host->unknownCast()), kResultOk);
  plug.controller()->setComponentHandler(handler);
  IEditController* ctrl = plug.controller();
  ctrl->setParamNormalized(kDrytail, 0.5);
  ctrl->setParamNormalized(kHushen, 0.5);
  ASSERT_EQ(plug.setBusArrangements(SpeakerArr::kStereo, SpeakerArr::kStereo), kResultTrue);
  plug.activateMainBuses();
  ASSERT_EQ(plug.setupProcessing(48000., 512, kSample32), kResultOk);
  ASSERT_EQ(plug.start(), kResultOk);
  EXPECT_EQ(latency(), 1984u);
  expectRestartsOnThisThread();

  // A new rate and a state restored before any block, at 44.1 kHz.
  plug.stop();
  ASSERT_EQ(plug.setupProcessing(44100., 512, kSample32), kResultOk);
  ASSERT_EQ(plug.start(), kResultOk);
  EXPECT_EQ(latency(), 473u + 882u + 512u);
  qhost::MemoryStream saved;
  ASSERT_EQ(plug.saveState(saved), kResultOk);
  ctrl->setParamNormalized(kDrytail, 0.0);
  EXPECT_EQ(latency(), 1355u);
  ctrl->setParamNormalized(kHushen, 0.0);
  EXPECT_EQ(latency(), 0u);
  handler->clear();
  saved.rewind();
  ASSERT_EQ(plug.loadState(saved), kResultOk);
  EXPECT_EQ(latency(), 1355u + 512u);
  EXPECT_EQ(handler->restartCount(kLatencyChanged), 1);
  expectRestartsOnThisThread();

  // The plug-in's own Bypass drops the latency, and it comes back when released.
  handler->clear();
  ctrl->setParamNormalized(kBypassParam, 1.0);
  EXPECT_EQ(latency(), 0u);
  ctrl->setParamNormalized(kBypassParam, 0.0);
  EXPECT_EQ(latency(), 1867u);
  EXPECT_EQ(handler->restartCount(kLatencyChanged), 2);
}

TEST_F(ModuleLatencyNoRunLoop, ControllerChangeRestartsOnceOnTheCallingThread)
{
  prepareWithoutRunLoop();
  EXPECT_EQ(latency(), 0u);
  handler->clear();
  ASSERT_EQ(plug.controller()->setParamNormalized(kDrytail, 0.25), kResultTrue);
  ASSERT_EQ(handler->restartCount(kLatencyChanged), 1);
  expectRestartsOnThisThread();
  EXPECT_EQ(latency(), 512u);

  // The next blocks see the same latency the host already has: no second request, and a
  // change that implies no new latency asks for nothing.
  processOnAudioThread(nullptr);
  plug.controller()->setParamNormalized(kDrytail, 0.75);
  plug.controller()->setParamNormalized(kGain, 0.6);
  {
    qhost::MemoryStream state;
    ASSERT_EQ(plug.saveState(state), kResultOk);
  }
  EXPECT_EQ(handler->restartCount(kLatencyChanged), 1);
}

TEST_F(ModuleLatencyNoRunLoop, AutomationRestartsAtTheNextUiThreadCall)
{
  prepareWithoutRunLoop();
  handler->clear();
  qhost::ParameterChanges automation;
  automation.add(kHushen, 0, 0.4);
  processOnAudioThread(&automation);
  EXPECT_EQ(latency(), 1472u); // readable at once
  EXPECT_EQ(handler->restartCount(kLatencyChanged), 0) << "restart requested from the audio thread";

  plug.controller()->setParamNormalized(kGain, 0.55); // any call on the UI thread
  EXPECT_EQ(handler->restartCount(kLatencyChanged), 1);
  expectRestartsOnThisThread();

  // A save is a UI-thread call too; automation back to 0 is delivered there.
  handler->clear();
  automation.clear();
  automation.add(kHushen, 0, 0.0);
  processOnAudioThread(&automation);
  EXPECT_EQ(handler->restartCount(kLatencyChanged), 0);
  qhost::MemoryStream state;
  ASSERT_EQ(plug.saveState(state), kResultOk);
  EXPECT_EQ(handler->restartCount(kLatencyChanged), 1);
  EXPECT_EQ(latency(), 0u);
  expectRestartsOnThisThread();
}

// What hosts compensate is what comes out: an impulse through the whole plug-in peaks at the
// reported latency (Drytail's true delay is one sample short of its 512).
TEST_F(ModuleLatencyNoRunLoop, ImpulseComesOutAtTheReportedLatency)
{
  struct Case
  {
    double rate;
    double hushen, drytail;
  };
  std::vector<Case> cases;
  for (double rate : {22050., 44100., 48000., 96000., 192000.})
    for (Case c : {Case{rate, 0.5, 0.}, Case{rate, 0., 0.5}, Case{rate, 0.5, 0.5}})
      cases.push_back(c);
  for (Case c : cases)
  {
    SCOPED_TRACE(testing::Message()
                 << c.rate << " Hz, Hushen " << c.hushen << ", Drytail " << c.drytail);
    plug.release();
    ASSERT_TRUE(plug.create(loadedModule()->factory(), kQuellorClassId));
    prepareWithoutRunLoop(c.rate);
    plug.controller()->setParamNormalized(kHushen, c.hushen);
    plug.controller()->setParamNormalized(kDrytail, c.drytail);
    const int reported = static_cast<int>(latency());
    ASSERT_GT(reported, 0);
    const int at = 4096;
    std::vector<std::vector<double>> input(
        2, std::vector<double>(static_cast<size_t>(at + reported + 4096), 0.));
    input[0][at] = 0.5;
    input[1][at] = -0.5;
    qhost::ParameterChanges changes;
    changes.add(kHushen, 0, c.hushen);
    changes.add(kDrytail, 0, c.drytail);
    const auto out = run(input, 256, &changes);
    for (size_t ch = 0; ch < 2; ++ch)
    {
      size_t peak = 0;
      for (size_t i = 0; i < out[ch].size(); ++i)
        if (std::fabs(out[ch][i]) > std::fabs(out[ch][peak]))
          peak = i;
      EXPECT_LE(std::abs(static_cast<int>(peak) - at - reported), 1) << "channel " << ch;
      EXPECT_GT(std::fabs(out[ch][peak]), 0.1);
    }
    plug.stop();
    plug.controller()->setComponentHandler(nullptr);
    plug.terminate();
  }
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
