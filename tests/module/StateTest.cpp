#include <cmath>
#include <cstring>
#include <limits>

#include "tests/module/ModuleFixture.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace moduletest;

namespace {

double readDouble(const std::vector<char>& bytes, size_t offset)
{
  // Little-endian on every target.
  uint64 bits = 0;
  for (int i = 7; i >= 0; --i)
    bits = (bits << 8) | static_cast<uint8>(bytes[offset + static_cast<size_t>(i)]);
  double v;
  std::memcpy(&v, &bits, sizeof(v));
  return v;
}

void writeDouble(std::vector<char>& bytes, size_t offset, double v)
{
  uint64 bits;
  std::memcpy(&bits, &v, sizeof(v));
  for (int i = 0; i < 8; ++i)
    bytes[offset + static_cast<size_t>(i)] = static_cast<char>((bits >> (8 * i)) & 0xFF);
}

int32 readInt(const std::vector<char>& bytes, size_t offset)
{
  uint32 v = 0;
  for (int i = 3; i >= 0; --i)
    v = (v << 8) | static_cast<uint8>(bytes[offset + static_cast<size_t>(i)]);
  return static_cast<int32>(v);
}

const double kDefaults[kNumParams] = {50., -18., 25., 0., 1., 0., 0., 0., 0., 0.};
const double kStored[kNumParams] = {80., -30.5, 12., -6., 1.75, 0., 0., 6.5, 1., 0.};

// An 84-byte state holding kStored and the given bypass flag.
std::vector<char> makeState(int32 bypass)
{
  std::vector<char> bytes(84);
  for (int i = 0; i < kNumParams; ++i)
    writeDouble(bytes, static_cast<size_t>(8 * i), kStored[i]);
  for (int i = 0; i < 4; ++i)
    bytes[80 + static_cast<size_t>(i)] = static_cast<char>((bypass >> (8 * i)) & 0xFF);
  return bytes;
}

} // namespace

class ModuleState : public PluginTest
{
protected:
  std::vector<char> save()
  {
    IPtr<qhost::MemoryStream> s = owned(new qhost::MemoryStream);
    EXPECT_EQ(plug.saveState(*s), kResultOk);
    return s->bytes();
  }
  void expectValues(const double* values, int from, int to)
  {
    for (int i = from; i < to; ++i)
      EXPECT_NEAR(plainValue(static_cast<ParamID>(i)), values[i], 1e-9) << "param " << i;
  }
  // The values the plug-in processes with, as its own state reports them.
  void expectSaved(const double* values, int from, int to, int32 bypass)
  {
    const std::vector<char> bytes = save();
    ASSERT_GT(bytes.size(), 84u); // the notch section follows

    for (int i = from; i < to; ++i)
      EXPECT_EQ(readDouble(bytes, static_cast<size_t>(8 * i)), values[i]) << "param " << i;
    EXPECT_EQ(readInt(bytes, 80), bypass);
  }
};

TEST_F(ModuleState, EightyFourBytesOfPlainValuesAndTheBypassFlagComeFirst)
{
  prepare(kSample32);
  std::vector<char> bytes = save();
  // Then the notch section: tag, version, two channels with no notch.
  ASSERT_EQ(bytes.size(), 84u + 12u + 8u);
  EXPECT_EQ(std::string(bytes.data() + 84, 4), "Qnch");
  EXPECT_EQ(readInt(bytes, 88), 1);
  EXPECT_EQ(readInt(bytes, 92), 2);
  EXPECT_EQ(readInt(bytes, 96), 0);
  EXPECT_EQ(readInt(bytes, 100), 0);
  for (int i = 0; i < kNumParams; ++i)
    EXPECT_EQ(readDouble(bytes, static_cast<size_t>(8 * i)), kDefaults[i]) << i;
  EXPECT_EQ(readInt(bytes, 80), 0);

  IEditController* c = plug.controller();
  c->setParamNormalized(kGain, 0.75); // +12 dB
  c->setParamNormalized(kHold, 1.0);
  qhost::ParameterChanges bypass;
  bypass.add(kBypassId, 0, 1.0);
  run(makeSignal(2, 256, 48000.), 256, &bypass);
  bytes = save();
  ASSERT_EQ(bytes.size(), 104u);
  EXPECT_EQ(readDouble(bytes, 8 * kGain), 12.0);
  EXPECT_EQ(readDouble(bytes, 8 * kHold), 1.0);
  EXPECT_EQ(readInt(bytes, 80), 1);

  IPtr<qhost::MemoryStream> broken = owned(new qhost::MemoryStream);
  broken->failWrites = true;
  EXPECT_NE(plug.saveState(*broken), kResultOk);
  EXPECT_NE(plug.component()->getState(nullptr), kResultOk);
}

TEST_F(ModuleState, RoundTripRestoresValuesBypassAndSound)
{
  prepare(kSample64);
  IPtr<qhost::MemoryStream> in = owned(new qhost::MemoryStream(makeState(1)));
  ASSERT_EQ(plug.loadState(*in), kResultOk);
  expectValues(kStored, 0, kNumParams);
  EXPECT_EQ(plug.controller()->getParamNormalized(kBypassId), 1.0);
  const std::vector<char> saved = save();
  EXPECT_EQ(std::vector<char>(saved.begin(), saved.begin() + 84), makeState(1));

  // The same state in a second instance gives the same sound.
  IPtr<qhost::MemoryStream> unbypassed = owned(new qhost::MemoryStream(makeState(0)));
  ASSERT_EQ(plug.loadState(*unbypassed), kResultOk);
  EXPECT_EQ(plug.controller()->getParamNormalized(kBypassId), 0.0);
  qhost::PluginInstance other;
  IPtr<qhost::HostApplication> otherHost = owned(new qhost::HostApplication);
  ASSERT_TRUE(other.create(loadedModule()->factory(), kQuellorClassId));
  ASSERT_EQ(other.initialize(otherHost->unknownCast()), kResultOk);
  ASSERT_EQ(other.setBusArrangements(SpeakerArr::kStereo, SpeakerArr::kStereo), kResultTrue);
  other.activateMainBuses();
  ASSERT_EQ(other.setupProcessing(48000., 512, kSample64), kResultOk);
  IPtr<qhost::MemoryStream> copy = owned(new qhost::MemoryStream(makeState(0)));
  ASSERT_EQ(other.loadState(*copy), kResultOk);
  ASSERT_EQ(other.start(), kResultOk);
  ASSERT_EQ(plug.stop(), kResultOk); // stopping resets the engine: both start from the same point
  ASSERT_EQ(plug.start(), kResultOk);

  const auto input = makeSignal(2, 512 * 20, 48000., 21);
  const auto mine = run(input, 512);
  std::vector<double> o0(512), o1(512), i0(512), i1(512);
  double* ins[2] = {i0.data(), i1.data()};
  double* outs[2] = {o0.data(), o1.data()};
  for (size_t pos = 0; pos < input[0].size(); pos += 512)
  {
    std::copy_n(&input[0][pos], 512, i0.begin());
    std::copy_n(&input[1][pos], 512, i1.begin());
    ASSERT_EQ(other.process64(ins, 2, outs, 2, 512), kResultOk);
    for (size_t i = 0; i < 512; ++i)
    {
      ASSERT_EQ(o0[i], mine[0][pos + i]);
      ASSERT_EQ(o1[i], mine[1][pos + i]);
    }
  }
  other.stop();
  other.release();
}

TEST_F(ModuleState, ShortAndBrokenStreamsKeepWhatWasRead)
{
  prepare(kSample32);
  // Cut after five values: those five load, the call fails, the rest keep their values.
  IPtr<qhost::MemoryStream> cut = owned(new qhost::MemoryStream(makeState(1)));
  cut->readLimit = 40;
  EXPECT_NE(plug.loadState(*cut), kResultOk);
  expectSaved(kStored, 0, 5, 0);
  expectSaved(kDefaults, 5, kNumParams, 0);

  // The stream breaks right where the bypass flag starts: all ten values load, the call fails.
  IPtr<qhost::MemoryStream> broken = owned(new qhost::MemoryStream(makeState(1)));
  broken->failReadsFrom = 80;
  EXPECT_NE(plug.loadState(*broken), kResultOk);
  expectSaved(kStored, 0, kNumParams, 0);

  // Empty and missing streams.
  IPtr<qhost::MemoryStream> empty = owned(new qhost::MemoryStream);
  EXPECT_NE(plug.loadState(*empty), kResultOk);
  expectSaved(kStored, 0, kNumParams, 0);
  EXPECT_NE(plug.component()->setState(nullptr), kResultOk);

  // Extra bytes behind a complete state are ignored.
  std::vector<char> longer = makeState(1);
  longer.resize(84 + 300, 'x');
  IPtr<qhost::MemoryStream> extra = owned(new qhost::MemoryStream(longer));
  EXPECT_EQ(plug.loadState(*extra), kResultOk);
  expectSaved(kStored, 0, kNumParams, 1);
  expectValues(kStored, 0, kNumParams); // the controller follows a successful restore
  EXPECT_EQ(plug.controller()->getParamNormalized(kBypassId), 1.0);

  // The controller's own state is empty: nothing is read or written.
  IPtr<qhost::MemoryStream> controllerState = owned(new qhost::MemoryStream(makeState(0)));
  EXPECT_EQ(plug.controller()->setState(controllerState), kResultOk);
  EXPECT_EQ(controllerState->readCalls, 0);
  IPtr<qhost::MemoryStream> controllerOut = owned(new qhost::MemoryStream);
  EXPECT_EQ(plug.controller()->getState(controllerOut), kResultOk);
  EXPECT_TRUE(controllerOut->bytes().empty());
}

TEST_F(ModuleState, NonFiniteAndOutOfRangeValuesAreTamed)
{
  prepare(kSample32);
  std::vector<char> bytes = makeState(0);
  writeDouble(bytes, 8 * kGain, std::numeric_limits<double>::quiet_NaN());
  writeDouble(bytes, 8 * kMasterTrim, std::numeric_limits<double>::infinity());
  writeDouble(bytes, 8 * kAutoCut, -std::numeric_limits<double>::infinity());
  writeDouble(bytes, 8 * kSensitivity, 1e300);
  IPtr<qhost::MemoryStream> s = owned(new qhost::MemoryStream(bytes));
  plug.loadState(*s); // whether it reports success or not, nothing unusable may come of it
  const double lo[kNumParams] = {0., -40., 2., -12., 0.5, 0., 0., -24., 0., 0.};
  const double hi[kNumParams] = {100., -3., 60., 12., 2., 100., 100., 24., 1., 1.};
  for (int i = 0; i < kNumParams; ++i)
  {
    const double v = plainValue(static_cast<ParamID>(i));
    EXPECT_TRUE(std::isfinite(v)) << i;
    EXPECT_GE(v, lo[i]) << i;
    EXPECT_LE(v, hi[i]) << i;
  }
  EXPECT_EQ(plainValue(kSensitivity), 100.);
  const auto out = run(makeSignal(2, 512 * 8, 48000., 23), 512);
  for (const auto& ch : out)
    for (double v : ch)
      ASSERT_TRUE(std::isfinite(v));
  const std::vector<char> saved = save();
  ASSERT_GT(saved.size(), 84u);
  for (int i = 0; i < kNumParams; ++i)
    EXPECT_TRUE(std::isfinite(readDouble(saved, static_cast<size_t>(8 * i)))) << i;
}
