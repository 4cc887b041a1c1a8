// quellor-render's two ways of processing, the built bundle loaded as a host does and the engine
// linked into the tool, must tell the same story: same parameters, same output samples, same
// latency and the same notch observations, block by block.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tools/quellor-render/OfflineProcessor.h"
#include "tools/quellor-render/Scenario.h"

namespace {

std::unique_ptr<OfflineProcessor> moduleEngine()
{
  std::string error;
  auto engine = MakeModuleProcessor(QUELLOR_BUNDLE_PATH, error);
  EXPECT_NE(engine, nullptr) << error;
  return engine;
}

int find(const OfflineProcessor& e, const std::string& name)
{
  for (int i = 0; i < e.ParameterCount(); ++i)
    if (e.ParameterName(i) == name)
      return i;
  return -1;
}

void set(OfflineProcessor& e, const std::string& name, double plain)
{
  const int i = find(e, name);
  ASSERT_GE(i, 0) << name;
  e.SetParameter(i, plain);
}

bool sameSlots(const std::vector<NotchView>& a, const std::vector<NotchView>& b)
{
  if (a.size() != b.size())
    return false;
  for (size_t k = 0; k < a.size(); ++k)
    if (a[k].active != b[k].active || a[k].manual != b[k].manual ||
        a[k].frequency != b[k].frequency || a[k].targetDepth != b[k].targetDepth ||
        a[k].width != b[k].width)
      return false;
  return true;
}

} // namespace

TEST(OfflineProcessors, BothOfferTheSameTenParameters)
{
  auto module = moduleEngine();
  auto linked = MakeLinkedProcessor();
  ASSERT_TRUE(module);
  ASSERT_EQ(module->ParameterCount(), 10)
      << "the host's bypass parameter is not one of the plug-in's own";
  ASSERT_EQ(linked->ParameterCount(), 10);
  for (int i = 0; i < 10; ++i)
  {
    SCOPED_TRACE(linked->ParameterName(i));
    EXPECT_EQ(module->ParameterName(i), linked->ParameterName(i));
    EXPECT_EQ(module->ParameterIsSwitch(i), linked->ParameterIsSwitch(i));
    EXPECT_DOUBLE_EQ(module->ParameterMin(i), linked->ParameterMin(i));
    EXPECT_DOUBLE_EQ(module->ParameterMax(i), linked->ParameterMax(i));
    EXPECT_DOUBLE_EQ(module->GetParameter(i), linked->GetParameter(i));
    EXPECT_EQ(module->FormatParameter(i), linked->FormatParameter(i));
  }
  // A setting reads back the same way through the controller.
  set(*module, "Auto Cut", -24.);
  set(*linked, "Auto Cut", -24.);
  const int cut = find(*linked, "Auto Cut");
  EXPECT_EQ(module->FormatParameter(cut), "-24.0 dB");
  EXPECT_EQ(linked->FormatParameter(cut), "-24.0 dB");
}

TEST(OfflineProcessors, TheFeedbackScenarioGivesTheSameStoryBothWays)
{
  const ScenarioEntry* entry = FindScenario("feedback");
  ASSERT_NE(entry, nullptr);
  const Scenario sc = entry->generate({48000., 6.});
  ASSERT_EQ(sc.channels.size(), 1u);
  const int block = 300; // not a power of two, so blocks and analysis hops do not line up
  auto module = moduleEngine();
  auto linked = MakeLinkedProcessor();
  ASSERT_TRUE(module);
  for (OfflineProcessor* e : {module.get(), linked.get()})
  {
    set(*e, "Sensitivity", 65.);
    set(*e, "Drytail", 40.); // a stage with latency, so the reported latency is compared too
    ASSERT_TRUE(e->Prepare(sc.sampleRate, block, 1));
  }

  const std::vector<float>& x = sc.channels[0];
  std::vector<double> in(block), outM(block), outL(block);
  std::vector<NotchView> slotsM, slotsL;
  int placedBlocks = 0, holdAt = static_cast<int>(4.0 * sc.sampleRate);
  bool held = false;
  for (size_t pos = 0; pos + block <= x.size(); pos += block)
  {
    for (int i = 0; i < block; ++i)
      in[i] = x[pos + i];
    if (!held && pos >= static_cast<size_t>(holdAt))
    { // a change between blocks, as automation brings
      set(*module, "Hold", 1.);
      set(*linked, "Hold", 1.);
      held = true;
    }
    double* inPtr = in.data();
    double* outPtr = outM.data();
    module->Process(&inPtr, &outPtr, block);
    outPtr = outL.data();
    linked->Process(&inPtr, &outPtr, block);
    ASSERT_EQ(outM, outL) << "at sample " << pos;
    ASSERT_EQ(module->Latency(), linked->Latency());
    ASSERT_TRUE(module->ReadNotches(slotsM));
    ASSERT_TRUE(linked->ReadNotches(slotsL));
    ASSERT_TRUE(sameSlots(slotsM, slotsL)) << "at sample " << pos;
    int countM = -1, countL = -2;
    ASSERT_TRUE(module->ReadActiveNotchCount(countM));
    ASSERT_TRUE(linked->ReadActiveNotchCount(countL));
    ASSERT_EQ(countM, countL);
    if (countM > 0)
      ++placedBlocks;
  }
  EXPECT_GT(placedBlocks, 0) << "the ring should have been notched";
  EXPECT_EQ(module->Latency(), 512);
  std::vector<float> specM, specL;
  float widthM = 0.f, widthL = 0.f;
  ASSERT_TRUE(module->ReadSpectrum(specM, widthM));
  ASSERT_TRUE(linked->ReadSpectrum(specL, widthL));
  EXPECT_EQ(specM, specL);
  EXPECT_EQ(widthM, widthL);
}

TEST(OfflineProcessors, AMissingBundleIsReportedNotFatal)
{
  std::string error;
  EXPECT_EQ(MakeModuleProcessor("/nonexistent/Quellor.vst3", error), nullptr);
  EXPECT_FALSE(error.empty());
  error.clear();
  EXPECT_EQ(MakeModuleProcessor("", error), nullptr);
  EXPECT_FALSE(error.empty());
}
