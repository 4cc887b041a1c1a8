// quellor-soak [--minutes M] [--bundle PATH] [--seed N]
// Runs M minutes of simulated stereo audio (default 1) through the built bundle, loaded as a host
// loads it, faster than real time: random block sizes, random automation of all ten parameters
// and the host's bypass, feedback-like tones that make the detector place notches, and an editor
// thread that acts as the editor through the plug-in's probes while blocks run: reads the
// snapshot, meters and notch count, sends notch edits of every kind and parameter gestures, and
// at the end clears every slot.
// At the end: resident memory as after the warm-up, no automatic notch left once the tones
// stop, no slot in use after the editor's clear, the reported latency as the parameters imply, and every output sample finite.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "quellor/QuellorProbeApi.h"
#include "tests/quellor/ExpectedLatency.h"
#include "tools/host/ComponentHandler.h"
#include "tools/host/HostObjects.h"
#include "tools/host/Module.h"
#include "tools/host/PluginInstance.h"
#include "tools/host/ProcessObjects.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

constexpr double kRate = 48000.0;
constexpr int kMaxBlock = 2048;
constexpr int kParams = 10;
constexpr ParamID kHostBypass = 65536;

int failures = 0;
void Check(bool ok, const char* what)
{
  if (!ok && failures++ < 20)
    std::printf("FAILED: %s\n", what);
}

long ResidentKiB()
{
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r"))
  {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
      resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Stereo test signal: quiet noise, and now and then a tone that swells like feedback.
class Signal
{
public:
  explicit Signal(unsigned seed) : rng(seed) {}

  void next(float* left, float* right, int n, bool tones)
  {
    for (int i = 0; i < n; ++i)
    {
      if (toneLeft <= 0 && tones && uniform(rng) < 1.0 / (kRate * 4.0))
      {
        toneLeft = static_cast<long>(kRate);
        toneFreq = 300.0 + uniform(rng) * 7000.0;
        toneLevel = 1e-3;
      }
      float tone = 0.0f;
      if (toneLeft > 0)
      {
        --toneLeft;
        toneLevel = std::min(toneLevel * 1.0001, 0.5);
        phase += 2.0 * std::numbers::pi * toneFreq / kRate;
        if (phase > 2.0 * std::numbers::pi)
          phase -= 2.0 * std::numbers::pi;
        tone = static_cast<float>(toneLevel * std::sin(phase));
      }
      const float noise = static_cast<float>(0.01 * (uniform(rng) - 0.5));
      left[i] = tone + noise;
      right[i] = 0.8f * tone - noise;
    }
  }

private:
  std::mt19937 rng;
  std::uniform_real_distribution<double> uniform{0.0, 1.0};
  long toneLeft = 0;
  double toneFreq = 1000.0, toneLevel = 0.0, phase = 0.0;
};

} // namespace

int main(int argc, char** argv)
{
  double minutes = 1.0;
  std::string bundle = QUELLOR_BUNDLE_PATH;
  unsigned seed = 1;
  for (int i = 1; i + 1 < argc; i += 2)
  {
    const std::string a = argv[i];
    if (a == "--minutes")
      minutes = std::atof(argv[i + 1]);
    else if (a == "--bundle")
      bundle = argv[i + 1];
    else if (a == "--seed")
      seed = static_cast<unsigned>(std::atoi(argv[i + 1]));
  }
  if (!(minutes > 0.0))
    minutes = 1.0;

  qhost::Module module;
  if (!module.load(bundle))
  {
    std::printf("FAILED: cannot load %s: %s\n", bundle.c_str(), module.error().c_str());
    return 1;
  }
  TUID classId;
  qhost::PluginInstance plug;
  if (!qhost::findAudioEffectClass(module.factory(), classId) ||
      !plug.create(module.factory(), classId))
  {
    std::printf("FAILED: no instance: %s\n", plug.error().c_str());
    return 1;
  }
  IPtr<qhost::HostApplication> host = owned(new qhost::HostApplication(u"Quellor Soak", false));
  IPtr<qhost::ComponentHandler> handler = owned(new qhost::ComponentHandler);
  Check(plug.initialize(host->unknownCast()) == kResultOk, "initialise");
  plug.controller()->setComponentHandler(handler);
  Check(plug.setBusArrangements(SpeakerArr::kStereo, SpeakerArr::kStereo) == kResultTrue,
        "stereo buses");
  plug.activateMainBuses();
  Check(plug.setupProcessing(kRate, kMaxBlock, kSample32) == kResultOk, "setup");
  Check(plug.start() == kResultOk, "start");
  void* probeObj = nullptr;
  plug.component()->queryInterface(quellor::IQuellorProbe::iid, &probeObj);
  auto* probe = static_cast<quellor::IQuellorProbe*>(probeObj);
  if (!probe)
  {
    std::printf("FAILED: the module offers no probe\n");
    return 1;
  }

  void* editorObj = nullptr;
  plug.component()->queryInterface(quellor::IQuellorEditorProbe::iid, &editorObj);
  auto* editorProbe = static_cast<quellor::IQuellorEditorProbe*>(editorObj);
  if (!editorProbe)
  {
    std::printf("FAILED: the module offers no editor probe\n");
    return 1;
  }

  // The editor: copies the snapshot and meters as its timer would, checking what it sees, and
  // sends notch edits of every kind (slots and values also out of range) and parameter gestures
  // on the parameters that leave the latency alone (the host thread checks the latency against
  // what it sent). When told to finish, it clears every slot as its reset does.
  std::atomic<bool> stop{false}, finish{false}, cleared{false};
  std::atomic<long> editorReads{0}, editorSent{0}, editorDropped{0}, editorEdits{0};
  std::atomic<int> editorBad{0};
  std::thread editor([&] {
    std::mt19937 erng(seed + 7);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<float> spectrum(8192);
    quellor::ProbedNotch slots[20];
    auto push = [&](int32 kind, int32 slot, float a, float b, float c) {
      if (editorProbe->pushNotchCommand(kind, slot, a, b, c) == kResultTrue)
        editorSent.fetch_add(1);
      else
        editorDropped.fetch_add(1);
    };
    static constexpr int32 kFreeParams[] = {0, 1, 2, 3, 4, 7, 8};
    while (!stop.load())
    {
      const int n = probe->getNotchSlots(slots, 20);
      for (int i = 0; i < n; ++i)
        if (!(slots[i].targetDepth >= -40.0f && slots[i].targetDepth <= 0.0f) ||
            (slots[i].active && !(slots[i].width >= 0.5f && slots[i].width <= 60.0f)))
          editorBad.fetch_add(1);
      float binWidth = 0.0f;
      const int total = probe->getSpectrum(spectrum.data(), 8192, &binWidth);
      for (int i = 0; i < std::min(total, 8192); ++i)
        if (!std::isfinite(spectrum[i]))
          editorBad.fetch_add(1);
      float inPeak = -1.0f, outPeak = -1.0f;
      editorProbe->getMeters(&inPeak, &outPeak);
      const int activeCount = probe->getActiveNotchCount();
      if (!(inPeak >= 0.0f && std::isfinite(inPeak) && outPeak >= 0.0f && std::isfinite(outPeak)) ||
          activeCount < 0 || activeCount > 40)
        editorBad.fetch_add(1);
      editorReads.fetch_add(1);

      if (finish.load())
      {
        if (!cleared.load())
        {
          for (int32 slot = 0; slot < 20; ++slot)
            while (editorProbe->pushNotchCommand(quellor::kProbeNotchClear, slot, 0, 0, 0) !=
                       kResultTrue &&
                   !stop.load())
              std::this_thread::yield();
          editorSent.fetch_add(20);
          cleared.store(true);
        }
      }
      else
      {
        const double r = u(erng);
        const int32 slot = static_cast<int32>(u(erng) * 24.0) - 2;
        const float hz = static_cast<float>(5.0 + u(erng) * 30000.0);
        const float db = static_cast<float>(u(erng) * 60.0 - 50.0);
        const float q = static_cast<float>(u(erng) * 80.0);
        if (r < 0.1)
          push(quellor::kProbeNotchAdd, 0, hz, db, q);
        else if (r < 0.3)
          push(quellor::kProbeNotchSet, slot, hz, db, 0.0f);
        else if (r < 0.45)
          push(quellor::kProbeNotchSetWidth, slot, q, 0.0f, 0.0f);
        else if (r < 0.6)
          push(quellor::kProbeNotchClear, slot, 0.0f, 0.0f, 0.0f);
        else if (r < 0.62)
          for (int32 k = 0; k < 20; ++k)
            push(quellor::kProbeNotchClear, k, 0.0f, 0.0f, 0.0f);
        else if (r < 0.63)
          push(static_cast<int32>(u(erng) * 10.0) - 3, slot, std::nanf(""), hz, q);
        else if (r < 0.7)
        {
          // A short drag on one control: begin, a few values, end.
          const int32 id = kFreeParams[static_cast<int>(u(erng) * 7.0)];
          editorProbe->beginParameterEdit(id);
          for (int k = 0; k < 4; ++k)
            editorProbe->setParameterFromEditor(id,
                                                id == 8 ? (u(erng) < 0.3 ? 1.0 : 0.0) : u(erng));
          editorProbe->endParameterEdit(id);
          editorEdits.fetch_add(1);
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });

  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  Signal signal(seed + 1);
  std::vector<float> inL(kMaxBlock), inR(kMaxBlock), outL(kMaxBlock), outR(kMaxBlock);
  float* ins[2] = {inL.data(), inR.data()};
  float* outs[2] = {outL.data(), outR.data()};
  qhost::ParameterChanges changes(16);

  const long total = static_cast<long>(minutes * 60.0 * kRate);
  const long warmUp = std::min(total / 10, static_cast<long>(10 * kRate));
  const long tail = static_cast<long>(6 * kRate); // tones off, automation at rest: notches go
  long manualPlaced = 0, manualAtEnd = 0;
  long done = 0, blocks = 0, placed = 0, released = 0, nonFinite = 0, latencyWrong = 0;
  long rssStart = 0;
  bool hostBypass = false;
  // The normalised values sent, starting at the defaults; "Hushen" and "Drytail" are 0..100 %.
  double sent[kParams] = {0.5, 22.0 / 37.0, 23.0 / 58.0, 0.5, 1.0 / 3.0, 0.0, 0.0, 0.5, 0.0, 0.0};
  bool wasActive[20] = {};
  const auto t0 = std::chrono::steady_clock::now();

  long tailStart = total;
  while (done < tailStart + tail)
  {
    const bool automation = done < total;
    if (rssStart == 0 && done >= warmUp)
      rssStart = ResidentKiB();
    const int n = 1 + static_cast<int>(uniform(rng) * (kMaxBlock - 1));
    changes.clear();
    if (automation && uniform(rng) < 0.05)
    {
      const ParamID id = static_cast<ParamID>(uniform(rng) * kParams);
      // Bypass and Hold are switched on only briefly; the rest anywhere in range.
      double v = uniform(rng);
      if (id == 8 || id == 9)
        v = uniform(rng) < 0.3 ? 1.0 : 0.0;
      changes.add(id, static_cast<int32>(uniform(rng) * n), v);
      sent[id] = v;
    }
    if (automation && uniform(rng) < 0.01)
    {
      hostBypass = uniform(rng) < 0.3;
      changes.add(kHostBypass, 0, hostBypass ? 1.0 : 0.0);
    }
    if (!automation && !cleared.load())
    {
      // The feedback has stopped; the editor clears every slot before the tail is timed.
      finish.store(true);
      while (!cleared.load())
        std::this_thread::yield();
      tailStart = done;
    }
    if (!automation && done - tailStart < kMaxBlock)
    {
      // The tail: every parameter at its default, no bypass, no hold.
      static const double kDefaults[kParams] = {0.5, 22.0 / 37.0, 23.0 / 58.0, 0.5, 1.0 / 3.0,
                                                0.0, 0.0,         0.5,         0.0, 0.0};
      for (ParamID id = 0; id < kParams; ++id)
      {
        changes.add(id, 0, kDefaults[id]);
        sent[id] = kDefaults[id];
      }
      changes.add(kHostBypass, 0, 0.0);
      hostBypass = false;
    }
    signal.next(inL.data(), inR.data(), n, automation);
    plug.process32(ins, 2, outs, 2, n, &changes);
    ++blocks;
    if (blocks % 256 == 0)
      handler->clear(); // the edits and restarts it logs are not needed here
    done += n;
    for (int i = 0; i < n; ++i)
      if (!std::isfinite(outL[i]) || !std::isfinite(outR[i]))
        ++nonFinite;

    if (!hostBypass)
    {
      const int32 expected =
          quellortest::ExpectedLatency(100.0 * sent[5], 100.0 * sent[6], sent[9] >= 0.5, kRate);
      if (static_cast<int32>(plug.processor()->getLatencySamples()) != expected)
        ++latencyWrong;
    }
    quellor::ProbedNotch slots[20];
    const int count = probe->getNotchSlots(slots, 20);
    for (int i = 0; i < count; ++i)
    {
      const bool active = slots[i].active != 0;
      placed += active && !wasActive[i] && !slots[i].manual;
      manualPlaced += active && !wasActive[i] && slots[i].manual;
      released += !active && wasActive[i];
      wasActive[i] = active;
    }
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  stop.store(true);
  editor.join();
  const long rssEnd = ResidentKiB();
  const int activeAtEnd = probe->getActiveNotchCount();
  {
    quellor::ProbedNotch slots[20];
    const int count = probe->getNotchSlots(slots, 20);
    for (int i = 0; i < count; ++i)
      manualAtEnd += slots[i].manual != 0 || slots[i].active != 0;
  }
  editorProbe->release();
  const int32 latencyAtEnd = static_cast<int32>(plug.processor()->getLatencySamples());
  probe->release();
  plug.stop();
  plug.release();

  const double audio = static_cast<double>(done) / kRate;
  std::printf("audio %.1f s in %.1f s (%.1fx real time), %ld blocks\n", audio, wall, audio / wall,
              blocks);
  std::printf("resident memory after warm-up %ld KiB, at the end %ld KiB\n", rssStart, rssEnd);
  std::printf("automatic notches placed %ld, notches released %ld, manual notches placed %ld, "
              "active at the end %d\n",
              placed, released, manualPlaced, activeAtEnd);
  std::printf("editor: %ld reads, %ld notch commands queued, %ld dropped (queue full), %ld "
              "parameter gestures; latency at the end %d\n",
              editorReads.load(), editorSent.load(), editorDropped.load(), editorEdits.load(),
              latencyAtEnd);
  Check(rssEnd - rssStart < 1024, "resident memory grew by 1 MiB or more");
  Check(nonFinite == 0, "output samples not finite");
  Check(latencyWrong == 0, "reported latency differed from what the parameters imply");
  Check(latencyAtEnd == 0, "latency with the stages off is not 0");
  Check(activeAtEnd == 0, "a notch stayed after the feedback stopped");
  Check(placed > 0 && released > 0, "the detector placed or released no notch");
  Check(manualAtEnd == 0, "a slot was still in use after the editor cleared them all");
  Check(manualPlaced > 0 && editorSent.load() > 0, "the editor placed no notch");
  Check(editorBad.load() == 0, "the editor saw a notch or spectrum value out of range");
  std::printf("%s\n", failures == 0 ? "soak passed" : "soak FAILED");
  return failures == 0 ? 0 : 1;
}
