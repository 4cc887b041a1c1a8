#include <cmath>
#include <cstring>

#include "quellor/Quellor.h"
#include "tests/module/ModuleFixture.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
// The parameter indices come from the engine's own header here.
using moduletest::kBypassId;
using moduletest::kQuellorClassId;
using moduletest::loadedModule;
using moduletest::makeSignal;
using moduletest::PluginTest;

namespace {

constexpr double kRate = 48000.;
constexpr int kBlock = 512;

bool allFinite(const std::vector<std::vector<double>>& x)
{
  for (const auto& ch : x)
    for (double v : ch)
      if (!std::isfinite(v))
        return false;
  return true;
}

// Non-default settings given to the module through a parameter queue and to the engine directly.
struct Setting
{
  int index;
  double plain;
};
const Setting kSettings[] = {
    {kSensitivity, 70.}, {kAutoCut, -24.}, {kGain, 3.}, {kMasterWidth, 1.5}};

double normalized(double plain, double min, double max)
{
  return (plain - min) / (max - min);
}

void addSettings(qhost::ParameterChanges& changes)
{
  changes.add(kSensitivity, 0, normalized(70., 0., 100.));
  changes.add(kAutoCut, 0, normalized(-24., -40., -3.));
  changes.add(kGain, 0, normalized(3., -24., 24.));
  changes.add(kMasterWidth, 0, normalized(1.5, 0.5, 2.));
}

} // namespace

class ModuleProcess : public PluginTest
{
protected:
  // A fresh instance in the given sample size, processing the whole signal.
  std::vector<std::vector<double>>
  runFresh(int32 size, const std::vector<std::vector<double>>& input, int block, bool withSettings)
  {
    plug.release();
    EXPECT_TRUE(plug.create(loadedModule()->factory(), kQuellorClassId));
    prepare(size, kRate, kBlock);
    qhost::ParameterChanges changes;
    if (withSettings)
      addSettings(changes);
    return run(input, block, withSettings ? &changes : nullptr);
  }
};

TEST_F(ModuleProcess, ThirtyTwoAndSixtyFourBitMatchEachOtherAndTheEngine)
{
  const auto input = makeSignal(2, static_cast<int>(kRate * 2), kRate);
  const auto out32 = runFresh(kSample32, input, kBlock, true);
  const auto out64 = runFresh(kSample64, input, kBlock, true);

  // The engine by itself, with the same settings and blocks.
  Quellor engine;
  engine.PrepareWithoutHost(kRate, kBlock, 2);
  for (const Setting& s : kSettings)
    engine.GetParam(s.index)->SetValue(s.plain);
  std::vector<std::vector<double>> ref(2, std::vector<double>(input[0].size()));
  std::vector<double> inBuf[2], outBuf[2];
  for (int c = 0; c < 2; ++c)
  {
    inBuf[c].resize(kBlock);
    outBuf[c].resize(kBlock);
  }
  for (size_t pos = 0; pos < input[0].size(); pos += kBlock)
  {
    const int n = static_cast<int>(std::min<size_t>(kBlock, input[0].size() - pos));
    for (int c = 0; c < 2; ++c)
      std::memcpy(inBuf[c].data(), &input[c][pos], sizeof(double) * static_cast<size_t>(n));
    double* ins[2] = {inBuf[0].data(), inBuf[1].data()};
    double* outs[2] = {outBuf[0].data(), outBuf[1].data()};
    engine.ProcessAudioBlock(ins, outs, n);
    for (int c = 0; c < 2; ++c)
      std::memcpy(&ref[c][pos], outBuf[c].data(), sizeof(double) * static_cast<size_t>(n));
  }

  size_t differentFromInput = 0;
  for (int c = 0; c < 2; ++c)
  {
    for (size_t i = 0; i < input[0].size(); ++i)
    {
      ASSERT_EQ(out64[c][i], ref[c][i]) << "channel " << c << " sample " << i;
      ASSERT_EQ(out32[c][i], static_cast<double>(static_cast<float>(out64[c][i])))
          << "channel " << c << " sample " << i;
      if (out64[c][i] != input[c][i])
        ++differentFromInput;
    }
  }
  EXPECT_GT(differentFromInput, input[0].size()); // the plug-in really processed
  EXPECT_TRUE(allFinite(out64));
}

TEST_F(ModuleProcess, MonoInstanceProcessesOneChannel)
{
  prepare(kSample64, kRate, kBlock, SpeakerArr::kMono);
  const auto input = makeSignal(1, kBlock * 8, kRate, 3);
  const auto out = run(input, kBlock);
  EXPECT_TRUE(allFinite(out));
  EXPECT_NE(out[0], std::vector<double>(out[0].size(), 0.0));
}

TEST_F(ModuleProcess, BypassUsesTheLastPointOfTheQueue)
{
  prepare(kSample32);
  const auto input = makeSignal(2, kBlock, kRate, 5);
  // Points at 0, 100 and 400: the one at 400 decides for the whole block. The gain change makes
  // processing visible.
  qhost::ParameterChanges off;
  off.add(kGain, 0, 0.625); // +6 dB
  off.add(kBypassId, 0, 1.0);
  off.add(kBypassId, 100, 1.0);
  off.add(kBypassId, 400, 0.5); // 0.5 is not above one half: not bypassed
  const auto notBypassed = run(input, kBlock, &off);
  EXPECT_NE(notBypassed, input);

  qhost::ParameterChanges on;
  on.add(kGain, 0, 0.75);
  on.add(kBypassId, 0, 0.0);
  on.add(kBypassId, 400, 0.51);
  const auto bypassed = run(input, kBlock, &on);
  EXPECT_EQ(bypassed, input); // no latency: a plain copy, bit for bit
}

TEST_F(ModuleProcess, BypassRunsThroughTheLatencyDelayLine)
{
  prepare(kSample64);
  const auto input = makeSignal(2, kBlock * 12, kRate, 7);
  qhost::ParameterChanges drytail;
  drytail.add(kDrytail, 0, 0.5);
  const auto warm = run(std::vector<std::vector<double>>{input[0], input[1]}, kBlock, &drytail);
  ASSERT_EQ(plug.processor()->getLatencySamples(), 512u);

  // Bypass on from here: every output is the input 512 samples earlier, once the line is full.
  qhost::ParameterChanges on;
  on.add(kBypassId, 0, 1.0);
  const auto out = run(input, kBlock, &on);
  EXPECT_EQ(plug.processor()->getLatencySamples(), 512u);
  for (int c = 0; c < 2; ++c)
    for (size_t i = 512; i < input[0].size(); ++i)
      ASSERT_EQ(out[c][i], input[c][i - 512]) << c << " " << i;
  (void)warm;
}

TEST_F(ModuleProcess, OddBlocksAndBrokenBuffersAreSafe)
{
  prepare(kSample32);
  const auto input = makeSignal(2, 2048, kRate, 9);
  float in[2][2048], out[2][2048];
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < 2048; ++i)
    {
      in[c][i] = static_cast<float>(input[static_cast<size_t>(c)][static_cast<size_t>(i)]);
      out[c][i] = 7.f;
    }
  float* ins[2] = {in[0], in[1]};
  float* outs[2] = {out[0], out[1]};

  // Zero-length block: accepted, nothing written.
  EXPECT_EQ(plug.process32(ins, 2, outs, 2, 0), kResultOk);
  EXPECT_EQ(out[0][0], 7.f);
  // Four times the maximum block size in one call.
  EXPECT_EQ(plug.process32(ins, 2, outs, 2, 2048), kResultOk);
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < 2048; ++i)
      ASSERT_TRUE(std::isfinite(out[c][i]));
  // Negative sample count.
  EXPECT_EQ(plug.process32(ins, 2, outs, 2, -5), kResultOk);

  // Null channel arrays and null channel pointers.
  EXPECT_EQ(plug.process32(nullptr, 2, nullptr, 2, kBlock), kResultOk);
  float* nullChannels[2] = {nullptr, nullptr};
  EXPECT_EQ(plug.process32(nullChannels, 2, nullChannels, 2, kBlock), kResultOk);
  EXPECT_EQ(plug.process32(ins, 2, nullChannels, 2, kBlock), kResultOk);
  EXPECT_EQ(plug.process32(nullChannels, 2, outs, 2, kBlock), kResultOk);
  // Fewer channels than the arrangement, and none at all (a parameter flush).
  EXPECT_EQ(plug.process32(ins, 1, outs, 1, kBlock), kResultOk);
  qhost::ParameterChanges flush;
  flush.add(kGain, 0, 0.75);
  EXPECT_EQ(plug.process32(nullptr, 0, nullptr, 0, 0, &flush), kResultOk);

  ProcessData data;
  data.numSamples = kBlock;
  data.symbolicSampleSize = 7; // unknown sample size: ignored
  EXPECT_EQ(plug.processRaw(data), kResultOk);
  data.symbolicSampleSize = kSample32;
  data.numInputs = 1;
  data.numOutputs = 1; // claims buses but passes no bus arrays
  EXPECT_EQ(plug.processRaw(data), kResultOk);

  // Still working normally afterwards.
  const auto after = run(makeSignal(2, kBlock * 4, kRate, 11), kBlock);
  for (const auto& ch : after)
    for (double v : ch)
      ASSERT_TRUE(std::isfinite(v));
}

TEST_F(ModuleProcess, NonFiniteInputDoesNotPoisonLaterBlocks)
{
  prepare(kSample64);
  auto input = makeSignal(2, kBlock * 6, kRate, 13);
  for (int i = kBlock; i < 2 * kBlock; ++i)
  {
    input[0][static_cast<size_t>(i)] = std::nan("");
    input[1][static_cast<size_t>(i)] = (i % 2) ? INFINITY : -INFINITY;
  }
  const auto out = run(input, kBlock);
  for (int c = 0; c < 2; ++c)
    for (size_t i = 3 * kBlock; i < out[0].size(); ++i)
      ASSERT_TRUE(std::isfinite(out[c][i])) << c << " " << i;

  // A non-finite parameter value from the host does not reach the audio either.
  plug.controller()->setParamNormalized(kGain, std::nan(""));
  qhost::ParameterChanges bad;
  bad.add(kMasterTrim, 0, std::nan(""));
  bad.add(kAutoWidth, 0, INFINITY);
  const auto after = run(makeSignal(2, kBlock * 4, kRate, 15), kBlock, &bad);
  EXPECT_TRUE(allFinite(after));
  EXPECT_TRUE(std::isfinite(plainValue(kGain)));
}
