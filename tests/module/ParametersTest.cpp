#include <cmath>
#include <map>

#include "tests/module/ModuleFixture.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace moduletest;

namespace {

struct Expected
{
  ParamID id;
  const char* title;
  const char* units;
  int32 stepCount;
  double defaultNormalized;
  int32 flags;
  const char* defaultText;
};

const Expected kExpected[] = {
    {0, "Sensitivity", "%", 0, 0.5, ParameterInfo::kCanAutomate, "50"},
    {1, "Auto Cut", "dB", 0, 22.0 / 37.0, ParameterInfo::kCanAutomate, "-18.0"},
    {2, "Auto Width", "Q", 0, 23.0 / 58.0, ParameterInfo::kCanAutomate, "25.0"},
    {3, "Master Trim", "dB", 0, 0.5, ParameterInfo::kCanAutomate, "0.0"},
    {4, "Master Width", "x", 0, 1.0 / 3.0, ParameterInfo::kCanAutomate, "1.00"},
    {5, "Hushen", "%", 0, 0.0, ParameterInfo::kCanAutomate, "0.0"},
    {6, "Drytail", "%", 0, 0.0, ParameterInfo::kCanAutomate, "0.0"},
    {7, "Gain", "dB", 0, 0.5, ParameterInfo::kCanAutomate, "0.0"},
    {8, "Hold", "", 1, 0.0, ParameterInfo::kCanAutomate, "off"},
    {9, "Bypass", "", 1, 0.0, ParameterInfo::kCanAutomate, "off"},
    {kBypassId, "Bypass", "", 1, 0.0, 0x10009, "off"},
};

} // namespace

class ModuleParameters : public PluginTest
{};

TEST_F(ModuleParameters, ListTitlesUnitsStepsAndDefaults)
{
  ASSERT_EQ(initialize(), kResultOk);
  IEditController* c = plug.controller();
  ASSERT_EQ(c->getParameterCount(), 11);
  std::map<ParamID, ParameterInfo> byId;
  for (const ParameterInfo& info : plug.parameters())
    byId[info.id] = info;
  ASSERT_EQ(byId.size(), 11u);
  for (const Expected& e : kExpected)
  {
    SCOPED_TRACE(e.title);
    ASSERT_EQ(byId.count(e.id), 1u);
    const ParameterInfo& info = byId[e.id];
    EXPECT_EQ(utf8(info.title), e.title);
    EXPECT_EQ(utf8(info.shortTitle), "");
    EXPECT_EQ(utf8(info.units), e.units);
    EXPECT_EQ(info.stepCount, e.stepCount);
    EXPECT_NEAR(info.defaultNormalizedValue, e.defaultNormalized, 1e-12);
    EXPECT_EQ(info.unitId, kRootUnitId);
    EXPECT_EQ(info.flags, e.flags);
    EXPECT_NEAR(c->getParamNormalized(e.id), e.defaultNormalized, 1e-12);
    String128 text = {};
    ASSERT_EQ(c->getParamStringByValue(e.id, e.defaultNormalized, text), kResultTrue);
    EXPECT_EQ(utf8(text), e.defaultText);
  }
  ParameterInfo info{};
  EXPECT_NE(c->getParameterInfo(11, info), kResultTrue);
  EXPECT_NE(c->getParameterInfo(-1, info), kResultTrue);

  FUnknownPtr<IUnitInfo> units(c);
  ASSERT_TRUE(units);
  ASSERT_EQ(units->getUnitCount(), 1);
  UnitInfo root{};
  ASSERT_EQ(units->getUnitInfo(0, root), kResultTrue);
  EXPECT_EQ(root.id, kRootUnitId);
  EXPECT_EQ(root.parentUnitId, kNoParentUnitId);
  EXPECT_EQ(utf8(root.name), "Root");
}

TEST_F(ModuleParameters, ValuesAndTextsConvertBothWays)
{
  ASSERT_EQ(initialize(), kResultOk);
  IEditController* c = plug.controller();
  String128 text = {};
  ParamValue v = -1;

  const double autoCutNorm = (-6.5 + 40.0) / 37.0;
  ASSERT_EQ(c->getParamStringByValue(kAutoCut, autoCutNorm, text), kResultTrue);
  EXPECT_EQ(utf8(text), "-6.5");
  TChar input[] = u"-6.5";
  ASSERT_EQ(c->getParamValueByString(kAutoCut, input, v), kResultTrue);
  EXPECT_NEAR(v, autoCutNorm, 1e-12);
  TChar junk[] = u"abc"; // no number reads as 0, clamped into [-40, -3]
  ASSERT_EQ(c->getParamValueByString(kAutoCut, junk, v), kResultTrue);
  EXPECT_NEAR(v, 1.0, 1e-12);
  TChar tooLow[] = u"-100";
  ASSERT_EQ(c->getParamValueByString(kAutoCut, tooLow, v), kResultTrue);
  EXPECT_EQ(v, 0.0);

  EXPECT_NEAR(c->normalizedParamToPlain(kAutoCut, 0.5), -21.5, 1e-12);
  EXPECT_NEAR(c->plainParamToNormalized(kGain, 12.0), 0.75, 1e-12);
  EXPECT_EQ(c->plainParamToNormalized(kGain, 100.0), 1.0);
  EXPECT_NEAR(c->normalizedParamToPlain(kMasterWidth, 1.0), 2.0, 1e-12);
  EXPECT_EQ(c->normalizedParamToPlain(kHold, 0.6), 1.0);
  EXPECT_EQ(c->normalizedParamToPlain(kHold, 0.4), 0.0);

  ASSERT_EQ(c->getParamStringByValue(kSensitivity, 0.505, text), kResultTrue);
  EXPECT_EQ(utf8(text), "51"); // precision 0 rounds half away from zero
  ASSERT_EQ(c->getParamStringByValue(kHold, 1.0, text), kResultTrue);
  EXPECT_EQ(utf8(text), "on");
  TChar on[] = u"on";
  TChar On[] = u"On";
  ASSERT_EQ(c->getParamValueByString(kHold, on, v), kResultTrue);
  EXPECT_EQ(v, 1.0);
  ASSERT_EQ(c->getParamValueByString(kHold, On, v), kResultTrue);
  EXPECT_EQ(v, 0.0);
  ASSERT_EQ(c->getParamStringByValue(kBypassId, 1.0, text), kResultTrue);
  EXPECT_EQ(utf8(text), "on");
  ASSERT_EQ(c->getParamValueByString(kBypassId, on, v), kResultTrue);
  EXPECT_EQ(v, 1.0);

  // Host-side changes are taken, clamped, and not echoed back as edits.
  EXPECT_EQ(c->setParamNormalized(kGain, 0.75), kResultTrue);
  EXPECT_NEAR(plainValue(kGain), 12.0, 1e-9);
  EXPECT_EQ(c->setParamNormalized(kGain, 5.0), kResultTrue);
  EXPECT_EQ(c->getParamNormalized(kGain), 1.0);
  c->setParamNormalized(kGain, std::nan("")); // may be refused; either way no NaN is kept
  EXPECT_TRUE(std::isfinite(c->getParamNormalized(kGain)));
  EXPECT_TRUE(std::isfinite(plainValue(kGain)));
  EXPECT_NE(c->setParamNormalized(12345, 0.5), kResultTrue);
  EXPECT_EQ(c->getParamNormalized(12345), 0.0);
  EXPECT_TRUE(handler->callsOf(qhost::HandlerCall::kPerform).empty());
  EXPECT_NE(c->getParamStringByValue(12345, 0.5, text), kResultTrue);

  // MIDI controller assignment answers bus 0, channel 0 only.
  FUnknownPtr<IMidiMapping> midi(c);
  ASSERT_TRUE(midi);
  ParamID mapped = 0;
  ASSERT_EQ(midi->getMidiControllerAssignment(0, 0, kCtrlVolume, mapped), kResultTrue);
  EXPECT_EQ(mapped, 65545u);
  EXPECT_NE(midi->getMidiControllerAssignment(0, 1, kCtrlVolume, mapped), kResultTrue);
  EXPECT_NE(midi->getMidiControllerAssignment(1, 0, kCtrlVolume, mapped), kResultTrue);
}
