#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "vst3api/Sdk.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

std::u16string text(const String128 s)
{
  return std::u16string(s);
}

} // namespace

TEST(Parameter, ConstructorFillsTheInfo)
{
  IPtr<Parameter> p = owned(
      new Parameter(u"Master Trim", 3, u"dB", 0.5, 0, ParameterInfo::kCanAutomate, 2, u"Trim"));
  const ParameterInfo& info = p->getInfo();
  EXPECT_EQ(info.id, 3u);
  EXPECT_EQ(text(info.title), u"Master Trim");
  EXPECT_EQ(text(info.shortTitle), u"Trim");
  EXPECT_EQ(text(info.units), u"dB");
  EXPECT_EQ(info.stepCount, 0);
  EXPECT_EQ(info.defaultNormalizedValue, 0.5);
  EXPECT_EQ(info.unitId, 2);
  EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate);
  EXPECT_EQ(p->getNormalized(), 0.5);
}

TEST(Parameter, SetNormalizedClampsAndRefusesNaN)
{
  IPtr<Parameter> p = owned(new Parameter(u"Gain", 0));
  EXPECT_TRUE(p->setNormalized(0.25));
  EXPECT_FALSE(p->setNormalized(0.25)); // unchanged
  EXPECT_TRUE(p->setNormalized(7.0));
  EXPECT_EQ(p->getNormalized(), 1.0);
  EXPECT_TRUE(p->setNormalized(-std::numeric_limits<double>::infinity()));
  EXPECT_EQ(p->getNormalized(), 0.0);
  EXPECT_FALSE(p->setNormalized(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_EQ(p->getNormalized(), 0.0);
}

TEST(Parameter, TextConversions)
{
  IPtr<Parameter> toggle = owned(new Parameter(u"Hold", 1, nullptr, 0., 1));
  String128 s;
  toggle->toString(0.51, s);
  EXPECT_EQ(text(s), u"On");
  toggle->toString(0.5, s);
  EXPECT_EQ(text(s), u"Off");

  IPtr<Parameter> p = owned(new Parameter(u"Amount", 2));
  p->toString(0.25, s);
  EXPECT_EQ(text(s), u"0.2500");
  p->setPrecision(1);
  p->toString(0.25, s);
  EXPECT_EQ(text(s), u"0.2"); // an exact tie rounds to even, as printf does

  ParamValue v = -1;
  EXPECT_TRUE(p->fromString(u"0.75", v));
  EXPECT_EQ(v, 0.75);
  EXPECT_TRUE(p->fromString(u"  +0.5xyz", v));
  EXPECT_EQ(v, 0.5);
  EXPECT_TRUE(p->fromString(u"12", v));
  EXPECT_EQ(v, 1.0);
  EXPECT_TRUE(p->fromString(u"-3", v));
  EXPECT_EQ(v, 0.0);
  v = 0.3;
  EXPECT_FALSE(p->fromString(u"", v));
  EXPECT_FALSE(p->fromString(u"abc", v));
  EXPECT_FALSE(p->fromString(u"nan", v));
  EXPECT_FALSE(p->fromString(u"inf", v));
  EXPECT_FALSE(p->fromString(nullptr, v));
  EXPECT_EQ(v, 0.3);
}

TEST(StringListParameter, StepsTextsAndBoundaries)
{
  IPtr<StringListParameter> p = owned(new StringListParameter(
      u"Bypass", 65536, nullptr,
      ParameterInfo::kCanAutomate | ParameterInfo::kIsList | ParameterInfo::kIsBypass));
  EXPECT_EQ(p->getInfo().stepCount, -1);
  EXPECT_EQ(p->toPlain(0.7), 0.0);
  p->appendString(u"off");
  p->appendString(u"on");
  EXPECT_EQ(p->getInfo().stepCount, 1);
  EXPECT_EQ(p->getInfo().flags, 0x10009);
  EXPECT_EQ(p->getNormalized(), 0.0);

  String128 s;
  p->toString(0.0, s);
  EXPECT_EQ(text(s), u"off");
  p->toString(0.49, s);
  EXPECT_EQ(text(s), u"off");
  p->toString(0.5, s);
  EXPECT_EQ(text(s), u"on");
  p->toString(1.0, s);
  EXPECT_EQ(text(s), u"on");
  p->toString(std::numeric_limits<double>::quiet_NaN(), s);
  EXPECT_EQ(text(s), u"off");
  p->toString(-5.0, s);
  EXPECT_EQ(text(s), u"off");

  ParamValue v = -1;
  EXPECT_TRUE(p->fromString(u"on", v));
  EXPECT_EQ(v, 1.0);
  EXPECT_TRUE(p->fromString(u"off", v));
  EXPECT_EQ(v, 0.0);
  EXPECT_FALSE(p->fromString(u"On", v));
  EXPECT_FALSE(p->fromString(nullptr, v));

  // Three entries: normalized 0, 0.5, 1.
  p->appendString(u"auto");
  EXPECT_EQ(p->toPlain(0.66), 1.0);
  EXPECT_EQ(p->toPlain(0.67), 2.0);
  EXPECT_EQ(p->toNormalized(1.0), 0.5);
  EXPECT_TRUE(p->replaceString(2, u"hold"));
  EXPECT_FALSE(p->replaceString(3, u"x"));
  EXPECT_FALSE(p->replaceString(-1, u"x"));
  p->toString(1.0, s);
  EXPECT_EQ(text(s), u"hold");
  p->clear();
  EXPECT_EQ(p->getInfo().stepCount, -1);
  EXPECT_EQ(p->toNormalized(1.0), 0.0);
}

TEST(ParameterContainer, FindsByIdAndIndexAndRefusesDuplicates)
{
  ParameterContainer c;
  Parameter* a = c.addParameter(u"A", nullptr, 0, 0.25, ParameterInfo::kCanAutomate, -1);
  Parameter* b = c.addParameter(u"B", nullptr, 0, 0., ParameterInfo::kCanAutomate, 65536);
  Parameter* z = c.addParameter(u"C", nullptr, 0, 0., ParameterInfo::kCanAutomate, -1);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  ASSERT_NE(z, nullptr);
  EXPECT_EQ(a->getInfo().id, 0u);
  EXPECT_EQ(z->getInfo().id, 2u); // negative tag: id = count at the time
  EXPECT_EQ(c.getParameterCount(), 3);
  EXPECT_EQ(c.getParameter(65536), b);
  EXPECT_EQ(c.getParameter(2), z);
  EXPECT_EQ(c.getParameter(1), nullptr);
  EXPECT_EQ(c.getParameterByIndex(1), b);
  EXPECT_EQ(c.getParameterByIndex(3), nullptr);
  EXPECT_EQ(c.getParameterByIndex(-1), nullptr);

  EXPECT_EQ(c.addParameter(nullptr, u"dB"), nullptr);
  EXPECT_EQ(c.addParameter(static_cast<Parameter*>(nullptr)), nullptr);
  EXPECT_EQ(c.addParameter(new Parameter(u"Dup", 65536)), nullptr);
  EXPECT_EQ(c.getParameterCount(), 3);
  EXPECT_EQ(text(c.getParameter(65536)->getInfo().title), u"B");
  c.removeAll();
  EXPECT_EQ(c.getParameterCount(), 0);
  EXPECT_EQ(c.getParameter(0), nullptr);
}
