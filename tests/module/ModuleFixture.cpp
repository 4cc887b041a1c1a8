#include "tests/module/ModuleFixture.h"

#include <cmath>

#include "vst3api/sdk/StringConvert.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace moduletest {

// Made from the text, as a host does with the id stored in a project or a preset.
const FUID kQuellorClassId = [] {
  FUID id;
  id.fromString(kQuellorClassIdText);
  return id;
}();

namespace {

qhost::Module* gModule = nullptr;

class ModuleEnvironment : public ::testing::Environment
{
public:
  void SetUp() override
  {
    gModule = new qhost::Module;
    if (!gModule->load(QUELLOR_BUNDLE_PATH))
    {
      std::fprintf(stderr, "module load failed: %s\n", gModule->error().c_str());
      delete gModule;
      gModule = nullptr;
    }
  }
  void TearDown() override
  {
    if (!gModule)
      return;
    gModule->unload();
    EXPECT_TRUE(gModule->lastExitResult());
    delete gModule;
    gModule = nullptr;
  }
};

const auto* const gEnvironment = ::testing::AddGlobalTestEnvironment(new ModuleEnvironment);

} // namespace

qhost::Module* loadedModule()
{
  return gModule;
}

std::string utf8(const char16* s, size_t max)
{
  return StringConvert::convert(s, max);
}

std::vector<std::vector<double>> makeSignal(int channels, int frames, double sampleRate,
                                            unsigned seed)
{
  std::vector<std::vector<double>> out(static_cast<size_t>(channels),
                                       std::vector<double>(static_cast<size_t>(frames)));
  unsigned state = seed * 2654435761u + 12345u;
  const double twoPi = 6.283185307179586;
  for (int c = 0; c < channels; ++c)
  {
    for (int i = 0; i < frames; ++i)
    {
      state = state * 1664525u + 1013904223u;
      const double noise = (static_cast<double>(state >> 8) / 16777216.0 - 0.5) * 0.05;
      const double t = i / sampleRate;
      const double build = std::min(1.0, t * 0.8); // the ring grows over about a second
      const double ring = 0.3 * build * std::sin(twoPi * (2500.0 + 40.0 * c) * t);
      const double burst = ((i / 4800) % 3 == 0) ? 0.2 * std::sin(twoPi * 310.0 * t) : 0.0;
      const double hum = 0.05 * std::sin(twoPi * 50.0 * t);
      out[static_cast<size_t>(c)][static_cast<size_t>(i)] =
          static_cast<float>(noise + ring + burst + hum);
    }
  }
  return out;
}

void PluginTest::SetUp()
{
  ASSERT_NE(loadedModule(), nullptr) << "the bundle did not load";
  ASSERT_TRUE(plug.create(loadedModule()->factory(), kQuellorClassId)) << plug.error();
  ASSERT_TRUE(plug.isSingleComponent());
  handler = owned(new qhost::ComponentHandler);
}

void PluginTest::TearDown()
{
  if (plug.isInitialized())
  {
    plug.stop();
    if (plug.controller())
      plug.controller()->setComponentHandler(nullptr);
  }
  plug.release();
}

tresult PluginTest::initialize(const std::u16string& hostName)
{
  host = owned(new qhost::HostApplication(hostName));
  const tresult result = plug.initialize(host->unknownCast());
  if (result == kResultOk)
    plug.controller()->setComponentHandler(handler);
  return result;
}

void PluginTest::prepare(int32 size, double rate, int32 maxBlock, SpeakerArrangement arr)
{
  ASSERT_EQ(initialize(), kResultOk);
  ASSERT_EQ(plug.setBusArrangements(arr, arr), kResultTrue);
  plug.activateMainBuses();
  ASSERT_EQ(plug.setupProcessing(rate, maxBlock, size), kResultOk);
  ASSERT_EQ(plug.start(), kResultOk);
  sampleSize = size;
}

std::vector<std::vector<double>> PluginTest::run(const std::vector<std::vector<double>>& input,
                                                 int block,
                                                 qhost::ParameterChanges* firstBlockChanges)
{
  const size_t channels = input.size();
  const int frames = channels ? static_cast<int>(input[0].size()) : 0;
  std::vector<std::vector<double>> output(channels,
                                          std::vector<double>(static_cast<size_t>(frames)));
  std::vector<std::vector<float>> in32(channels, std::vector<float>(static_cast<size_t>(block)));
  std::vector<std::vector<float>> out32(channels, std::vector<float>(static_cast<size_t>(block)));
  std::vector<std::vector<double>> in64(channels, std::vector<double>(static_cast<size_t>(block)));
  std::vector<std::vector<double>> out64(channels, std::vector<double>(static_cast<size_t>(block)));
  std::vector<float*> in32p, out32p;
  std::vector<double*> in64p, out64p;
  for (size_t c = 0; c < channels; ++c)
  {
    in32p.push_back(in32[c].data());
    out32p.push_back(out32[c].data());
    in64p.push_back(in64[c].data());
    out64p.push_back(out64[c].data());
  }
  for (int pos = 0; pos < frames; pos += block)
  {
    const int n = std::min(block, frames - pos);
    for (size_t c = 0; c < channels; ++c)
      for (int i = 0; i < n; ++i)
      {
        in32[c][static_cast<size_t>(i)] =
            static_cast<float>(input[c][static_cast<size_t>(pos + i)]);
        in64[c][static_cast<size_t>(i)] = input[c][static_cast<size_t>(pos + i)];
      }
    IParameterChanges* changes = pos == 0 ? firstBlockChanges : nullptr;
    const tresult r = sampleSize == kSample64
                          ? plug.process64(in64p.data(), static_cast<int32>(channels),
                                           out64p.data(), static_cast<int32>(channels), n, changes)
                          : plug.process32(in32p.data(), static_cast<int32>(channels),
                                           out32p.data(), static_cast<int32>(channels), n, changes);
    EXPECT_EQ(r, kResultOk);
    for (size_t c = 0; c < channels; ++c)
      for (int i = 0; i < n; ++i)
        output[c][static_cast<size_t>(pos + i)] = sampleSize == kSample64
                                                      ? out64[c][static_cast<size_t>(i)]
                                                      : out32[c][static_cast<size_t>(i)];
  }
  return output;
}

double PluginTest::plainValue(ParamID id)
{
  IEditController* c = plug.controller();
  return c->normalizedParamToPlain(id, c->getParamNormalized(id));
}

} // namespace moduletest
