// The noise and reverb stages on their own, at any rate (not a number, zero and negative
// included) and channel count, with blocks of any length, any channel index and any amount.
// Checked: an inactive amount or an unknown channel leaves the buffer bit for bit as it was;
// output is finite once finite input has run longer than the stage's delay; the reverb stage
// gives the same output however the stream is cut into blocks; nothing allocates while
// processing.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/NoiseReducer.h"
#include "engine/ReverbReducer.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

constexpr int kMaxBlock = 6000;

double PickRate(fuzz::Bytes& in)
{
  static constexpr double kRates[] = {48000.0, 44100.0, 22050.0, 96000.0,  192000.0,
                                      8000.0,  1.0,     0.0,     -48000.0, 1e6};
  const uint8_t k = in.u8();
  if (k < 220)
    return kRates[k % std::size(kRates)];
  return in.anyDouble();
}

// Amounts the plug-in can hand over (0 .. 1) and the ones it cannot.
float PickAmount(fuzz::Bytes& in)
{
  const uint8_t k = in.u8();
  if (k < 120)
    return static_cast<float>(in.u16()) / 65535.0f;
  if (k < 160)
    return k & 1 ? 0.001f : 0.0011f; // either side of the threshold
  return in.anyFloat();
}

void Fill(fuzz::Bytes& in, std::vector<float>& x, int n, uint32_t& seed)
{
  const uint8_t kind = in.u8();
  const float level = std::ldexp(1.0f, -static_cast<int>(in.u8() % 30));
  for (int i = 0; i < n; ++i)
  {
    seed = seed * 1664525u + 1013904223u;
    x[i] = kind % 3 == 0 ? 0.0f : level * (static_cast<float>(seed >> 9) / 4194304.0f - 1.0f);
  }
  const int specials = in.u8() < 200 ? 0 : in.range(1, 6);
  for (int s = 0; s < specials && n > 0; ++s)
    x[in.range(0, n - 1)] = in.anyFloat();
}

bool BitIdentical(const std::vector<float>& a, const std::vector<float>& b, int n)
{
  return std::memcmp(a.data(), b.data(), sizeof(float) * static_cast<size_t>(n)) == 0;
}

void FuzzNoise(fuzz::Bytes& in)
{
  NoiseReducer stage;
  const double rate = PickRate(in);
  const int channels = in.range(0, 4);
  stage.Prepare(rate, channels);
  FUZZ_REQUIRE(stage.GetChannelCount() == std::max(channels, 1),
               "prepare made no unit per channel");
  // One frame of buffering and the suppressor's two frames, at the rate the stage runs at
  // (46,112 samples at its highest, 1.536 MHz).
  FUZZ_REQUIRE(stage.GetLatency() == NoiseReducer::LatencyFor(stage.GetSampleRate()) &&
                   stage.GetLatency() > 0 && stage.GetLatency() <= 46112,
               "latency out of bounds");

  std::vector<float> x(kMaxBlock), before(kMaxBlock);
  std::vector<long> finiteRun(static_cast<size_t>(std::max(channels, 1)), 0);
  uint32_t seed = 7;
  // The suppressed signal trails the dry one by two suppressor frames (20 ms at any rate) on
  // top of the reported latency; a sample that was not finite must be gone after both.
  const long settle =
      stage.GetLatency() + static_cast<long>(std::ceil(stage.GetSampleRate() * 0.02)) + 1024;
  for (int op = 0; op < 48 && !in.empty(); ++op)
  {
    const int n = in.u8() < 200 ? in.range(0, 1024) : in.range(0, kMaxBlock);
    const int channel = in.u8() < 230 ? in.range(0, std::max(channels, 1) - 1) : in.range(-3, 8);
    const float amount = PickAmount(in);
    Fill(in, x, n, seed);
    std::copy_n(x.begin(), n, before.begin());
    stage.SetAmount(amount);
    const long allocations = fuzz::AudioThreadAllocations();
    {
      fuzz::AudioThreadScope audio;
      stage.Process(x.data(), n, channel);
    }
    FUZZ_REQUIRE(fuzz::AudioThreadAllocations() == allocations, "the noise stage allocated");
    const bool known = channel >= 0 && channel < stage.GetChannelCount();
    if (!known || !(amount > 0.001f))
    {
      FUZZ_REQUIRE(BitIdentical(x, before, n), "an inactive call changed the buffer");
      continue;
    }
    long& run = finiteRun[static_cast<size_t>(channel)];
    const bool finiteIn = fuzz::AllFinite(before.data(), n);
    if (finiteIn && run >= settle && amount <= 1.0f)
      FUZZ_REQUIRE(fuzz::AllFinite(x.data(), n), "noise stage output not finite");
    run = finiteIn ? run + n : 0;
  }
}

void FuzzReverb(fuzz::Bytes& in)
{
  // Two units fed the same stream, one in the input's blocks and one sample by sample.
  ReverbReducer blocks, samples;
  const double rate = PickRate(in);
  const bool reset = in.u8() < 240; // a unit that was never reset must pass audio untouched
  if (reset)
  {
    blocks.Reset(rate);
    samples.Reset(rate);
    FUZZ_REQUIRE(blocks.GetLatency() == 512, "the reverb stage reports other than 512");
  }
  std::vector<float> x(kMaxBlock), before(kMaxBlock), y(kMaxBlock);
  uint32_t seed = 11;
  long finiteRun = 0;
  for (int op = 0; op < 48 && !in.empty(); ++op)
  {
    const int n = in.u8() < 200 ? in.range(0, 1024) : in.range(0, kMaxBlock);
    const float amount = PickAmount(in);
    Fill(in, x, n, seed);
    std::copy_n(x.begin(), n, before.begin());
    std::copy_n(x.begin(), n, y.begin());
    const long allocations = fuzz::AudioThreadAllocations();
    {
      fuzz::AudioThreadScope audio;
      blocks.ProcessBlock(x.data(), n, amount);
      for (int i = 0; i < n; ++i)
        samples.ProcessBlock(y.data() + i, 1, amount);
    }
    FUZZ_REQUIRE(fuzz::AudioThreadAllocations() == allocations, "the reverb stage allocated");
    FUZZ_REQUIRE(BitIdentical(x, y, n), "block length changed the reverb stage's output");
    if (!reset || !(amount > 0.001f) || !std::isfinite(amount))
    {
      FUZZ_REQUIRE(BitIdentical(x, before, n), "an inactive reverb stage changed the buffer");
      continue;
    }
    const bool finiteIn = fuzz::AllFinite(before.data(), n);
    // 512 samples in the ring, 128 more waiting to be played out.
    if (finiteIn && finiteRun >= 512 + 128 && amount <= 1.0f)
      FUZZ_REQUIRE(fuzz::AllFinite(x.data(), n), "reverb stage output not finite");
    // An amount beyond 1 (the plug-in never passes one) may overflow the gains; its frames
    // leave the rings like a non-finite sample does.
    finiteRun = finiteIn && amount <= 1.0f ? finiteRun + n : 0;
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  fuzz::Bytes in(data, size);
  if (in.u8() & 1)
    FuzzNoise(in);
  else
    FuzzReverb(in);
  return 0;
}
