// The notch edits of the editor: every command kind with any slot number and any floats,
// pushed between blocks (also while bypassed, so that they wait), resets in between, and the
// display snapshot read by a second thread all the while, as the editor's timer does. Checked:
// the queue takes exactly 255 waiting commands; after a drain every addressed slot holds what
// its last command said, clamped; a reset discards what waits and keeps only manual notches and
// automatic ones under Hold; the snapshot only ever shows notches within their limits; nothing
// allocates in the process call.

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "tests/fuzz/FuzzPlugin.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

constexpr int kFrames = 256;
constexpr int kSlots = NotchChannel::kFilterCount;

// What the last command addressed to a slot left there, waiting for the next drain.
struct Expectation
{
  enum Kind
  {
    kNone,
    kSet,
    kCleared
  } kind = kNone;
  float frequency = 0.0f;
  float depth = 0.0f;
  bool widthKnown = false;
  float width = 0.0f;
};

float ClampedFrequency(float v, double rate)
{
  return v < 20.0f ? 20.0f : std::min(v, static_cast<float>(0.49 * rate));
}
float ClampedDepth(float v)
{
  return v < -40.0f ? -40.0f : std::min(v, 0.0f);
}
float ClampedWidth(float v)
{
  return v < 0.5f ? 0.5f : std::min(v, 60.0f);
}

void CheckSlot(const NotchSlot& s, double rate)
{
  FUZZ_REQUIRE(std::isfinite(s.targetDepth) && s.targetDepth >= -40.0f && s.targetDepth <= 0.0f,
               "the snapshot shows a depth outside [-40, 0] dB");
  FUZZ_REQUIRE(std::isfinite(s.width) && s.width >= 0.5f && s.width <= 60.0f,
               "the snapshot shows a width outside 0.5 .. 60");
  const float limit = static_cast<float>(0.49 * rate);
  FUZZ_REQUIRE(!s.active || (std::isfinite(s.frequency) && s.frequency >= std::min(20.0f, limit) &&
                             s.frequency <= std::max(20.0f, limit)),
               "the snapshot shows a frequency outside 20 Hz .. 0.49 x rate");
}

// The editor's timer: copies the snapshot and single slots until told to stop.
void ReadSnapshots(Quellor* plug, double rate, const std::atomic<bool>* stop)
{
  SnapshotData copy;
  int slot = 0;
  while (!stop->load(std::memory_order_acquire))
  {
    plug->CopySnapshot(copy);
    FUZZ_REQUIRE(copy.slots.empty() || copy.slots.size() == kSlots,
                 "the snapshot holds neither 0 nor 20 slots");
    for (const NotchSlot& s : copy.slots)
      CheckSlot(s, rate);
    for (float m : copy.spectrum)
      FUZZ_REQUIRE(std::isfinite(m) && m >= 0.0f, "the snapshot spectrum is not finite");
    FUZZ_REQUIRE(std::isfinite(copy.binWidth) && copy.binWidth >= 0.0f,
                 "the snapshot bin width is not finite");
    CheckSlot(plug->CopyNotchSlot(slot), rate);
    slot = (slot + 7) % 23 - 1; // includes -1 and 20 and beyond: an empty slot comes back
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  fuzz::Bytes in(data, size);
  static constexpr double kRates[] = {22050.0, 44100.0, 48000.0, 96000.0, 192000.0, 8000.0, 30.0};
  const double rate = kRates[in.u8() % std::size(kRates)];
  const bool stereo = in.flag();
  fuzz::PluginUnderTest p;
  if (!p.prepare(rate, kFrames, kSample32, stereo ? SpeakerArr::kStereo : SpeakerArr::kMono))
    FUZZ_REQUIRE(false, "a plain stereo or mono setup fails");

  std::atomic<bool> stop{false};
  std::thread editor(ReadSnapshots, p.plug, rate, &stop);

  std::vector<float> left(kFrames), right(kFrames);
  float* channels[2] = {left.data(), right.data()};
  IPtr<fuzz::RawChanges> changes = owned(new fuzz::RawChanges);
  std::array<Expectation, kSlots> expect{};
  int pending = 0;
  uint32_t noise = 1;

  for (int op = 0; op < 200 && !in.empty(); ++op)
  {
    const uint8_t k = in.u8();
    if (k < 150)
    {
      NotchCommand c;
      const uint8_t kind = in.u8();
      c.kind = kind < 240 ? kind % 4 : static_cast<int32_t>(in.u32());
      const uint8_t slot = in.u8();
      c.slot = slot < 200 ? slot % kSlots : static_cast<int32_t>(in.u32());
      c.a = in.anyFloat();
      c.b = in.anyFloat();
      c.c = in.anyFloat();
      // Frequencies mostly in the audible range, so that many commands place real notches.
      if (in.u8() < 128)
        c.a = 20.0f + static_cast<float>(in.u16()) * 0.3f;
      const bool taken = p.plug->PushNotchCommand(c.kind, c.slot, c.a, c.b, c.c);
      FUZZ_REQUIRE(taken == (pending < 255), "the queue does not hold exactly 255 commands");
      if (!taken)
        continue;
      ++pending;
      const bool slotOk = c.slot >= 0 && c.slot < kSlots;
      if (c.kind == kNotchAdd)
      {
        // An added notch may land in any free slot: what waits for free slots is unknown now.
        for (Expectation& e : expect)
          if (e.kind == Expectation::kCleared)
            e.kind = Expectation::kNone;
        for (Expectation& e : expect)
          e.widthKnown = false;
      }
      else if (c.kind == kNotchSet && slotOk && !std::isnan(c.a) && !std::isnan(c.b))
      {
        Expectation& e = expect[c.slot];
        e.kind = Expectation::kSet;
        e.frequency = ClampedFrequency(c.a, rate);
        e.depth = ClampedDepth(c.b);
      }
      else if (c.kind == kNotchSetWidth && slotOk && !std::isnan(c.a))
      {
        expect[c.slot].widthKnown = true;
        expect[c.slot].width = ClampedWidth(c.a);
      }
      else if (c.kind == kNotchClear && slotOk)
        expect[c.slot].kind = Expectation::kCleared;
    }
    else if (k < 160)
    {
      // Host bypass, the plug-in's Bypass, Hold, and the sizes that change notch coefficients.
      changes->fill(in, 4);
    }
    else if (k < 164)
    {
      const fuzz::PluginUnderTest::Banks before = p.banks();
      p.processor->setProcessing(0); // resets the engine
      p.processor->setProcessing(1);
      FUZZ_REQUIRE(p.plug->NotchCommandQueue.Pending() == 0, "a reset left commands waiting");
      p.checkKeptThroughReset(before);
      pending = 0;
      expect = {};
    }
    else
    {
      // One block of quiet noise, sometimes with the snapshot lock held as the editor holds it
      // while copying: the audio side must skip publishing, not wait.
      const float level = static_cast<float>(in.u8()) / 2550.0f;
      for (int i = 0; i < kFrames; ++i)
      {
        noise = noise * 1664525u + 1013904223u;
        left[i] = right[i] = level * (static_cast<float>(noise >> 9) / 4194304.0f - 1.0f);
      }
      const bool holdLock = in.u8() > 230;
      if (holdLock)
        while (p.plug->SnapshotLock.exchange(1) != 0)
          std::this_thread::yield();
      ProcessData d;
      AudioBusBuffers inBus, outBus;
      inBus.numChannels = outBus.numChannels = stereo ? 2 : 1;
      inBus.channelBuffers32 = outBus.channelBuffers32 = channels; // in place
      d.numSamples = kFrames;
      d.symbolicSampleSize = kSample32;
      d.numInputs = d.numOutputs = 1;
      d.inputs = &inBus;
      d.outputs = &outBus;
      d.inputParameterChanges = changes.get();
      p.process(d);
      changes->count = 0;
      if (holdLock)
        p.plug->SnapshotLock.store(0);
      FUZZ_REQUIRE(fuzz::AllFinite(left.data(), kFrames) && fuzz::AllFinite(right.data(), kFrames),
                   "output not finite");
      p.checkEngine();
      if (p.plug->GetBypassed() || p.plain(kBypass) >= 0.5)
        continue; // nothing drained: the commands wait
      FUZZ_REQUIRE(p.plug->NotchCommandQueue.Pending() == 0, "a processed block left commands");
      pending = 0;
      // The detector may take any automatic slot in the same block, with the automatic sizes.
      const float autoCut = static_cast<float>(p.plain(kAutoCut));
      const float autoWidth = static_cast<float>(p.plain(kAutoWidth));
      for (const NotchChannel& ch : p.plug->Channels())
      {
        for (int s = 0; s < kSlots; ++s)
        {
          const NotchFilter& f = ch.filters[s];
          const Expectation& e = expect[s];
          if (e.kind == Expectation::kSet)
          {
            FUZZ_REQUIRE(f.manual && f.frequency == e.frequency && f.targetDepth == e.depth,
                         "a set notch does not hold its clamped frequency and depth");
            // A target of 0 dB releases the notch at once; any other keeps it running.
            FUZZ_REQUIRE(f.active || f.targetDepth == 0.0f, "a set notch is not active");
          }
          else if (e.kind == Expectation::kCleared)
            FUZZ_REQUIRE(!f.manual && (f.targetDepth == 0.0f || f.targetDepth == autoCut),
                         "a cleared notch still cuts");
          if (e.widthKnown)
            FUZZ_REQUIRE(f.width == e.width || (!f.manual && f.width == autoWidth),
                         "a notch does not hold its clamped width");
        }
      }
      expect = {};
    }
  }
  stop.store(true, std::memory_order_release);
  editor.join();
  return 0;
}
