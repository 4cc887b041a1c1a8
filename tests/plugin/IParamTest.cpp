#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <thread>

#include "plugin/IParam.h"

using plugfw::IParam;

namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

TEST(IParam, FreshParameterHoldsNeutralRecord)
{
  IParam p;
  EXPECT_EQ(p.Type(), IParam::kTypeNone);
  EXPECT_EQ(p.Unit(), 21);
  EXPECT_EQ(p.GetValue(), 0.0);
  EXPECT_EQ(p.GetMin(), 0.0);
  EXPECT_EQ(p.GetMax(), 1.0);
  EXPECT_EQ(p.GetStep(), 1.0);
  EXPECT_STREQ(p.GetName(), "");
  EXPECT_EQ(p.NDisplayTexts(), 0);
  EXPECT_EQ(p.GetShape().GetDisplayShape(), 0);
}

TEST(IParam, DeclareDoubleFieldsPrecisionAndMaxWidening)
{
  IParam p;
  p.DeclareDouble("Auto Cut", -18.0, -40.0, -3.0, 0.1, "dB");
  EXPECT_EQ(p.Type(), IParam::kTypeDouble);
  EXPECT_STREQ(p.GetName(), "Auto Cut");
  EXPECT_STREQ(p.GetLabel(), "dB");
  EXPECT_EQ(p.GetValue(), -18.0);
  EXPECT_EQ(p.GetDisplayPrecision(), 1);

  IParam q; // max below min + step is widened
  q.DeclareDouble("x", 0.0, 5.0, 5.5, 1.0);
  EXPECT_EQ(q.GetMax(), 6.0);
  EXPECT_EQ(q.GetValue(), 5.0); // default clamped into range

  const std::pair<double, int> cases[] = {{1.0, 0}, {0.1, 1},         {0.01, 2},
                                          {0.5, 1}, {0.001234567, 6}, {0.0, 0}};
  for (auto [step, prec] : cases)
  {
    IParam r;
    r.DeclareDouble("r", 0.0, 0.0, 100.0, step);
    EXPECT_EQ(r.GetDisplayPrecision(), prec) << step;
  }

  IParam longName; // names beyond 31 characters are cut, keeping the terminator
  longName.DeclareDouble("0123456789012345678901234567890123456789", 0, 0, 1, 0.1);
  EXPECT_EQ(std::string(longName.GetName()).size(), 31u);
}

TEST(IParam, SteppedClampRoundsHalvesAwayFromZero)
{
  IParam p;
  p.DeclareDouble("s", 0.0, -10.0, 10.0, 0.5, "", IParam::kFlagStepped);
  EXPECT_EQ(p.ClampValue(0.74), 0.5);
  EXPECT_EQ(p.ClampValue(0.75), 1.0);
  EXPECT_EQ(p.ClampValue(-0.75), -1.0);
  EXPECT_EQ(p.ClampValue(99.0), 10.0);
  EXPECT_EQ(p.ClampValue(-99.0), -10.0);
}

TEST(IParam, NonFiniteValuesNeverStored)
{
  IParam p;
  p.DeclareDouble("g", 3.0, -24.0, 24.0, 0.1, "dB");
  p.SetValue(10.0);
  p.SetValue(kNaN);
  EXPECT_EQ(p.GetValue(), 10.0);
  p.SetValue(kInf);
  EXPECT_EQ(p.GetValue(), 24.0);
  p.SetValue(-kInf);
  EXPECT_EQ(p.GetValue(), -24.0);
  p.SetNormalValue(kNaN);
  EXPECT_EQ(p.GetValue(), -24.0);
  p.SetNormalValue(kInf);
  EXPECT_EQ(p.GetValue(), 24.0);
  EXPECT_TRUE(std::isfinite(p.ClampValue(kNaN)));
  EXPECT_EQ(p.PlainToNormal(kNaN), p.PlainToNormal(3.0));
}

TEST(IParam, NormalisationRoundTripsAndStaysInUnitRange)
{
  IParam p;
  p.DeclareDouble("Master Width", 1.0, 0.5, 2.0, 0.01, "x");
  EXPECT_DOUBLE_EQ(p.PlainToNormal(1.25), 0.5);
  EXPECT_EQ(p.PlainToNormal(-100.0), 0.0);
  EXPECT_EQ(p.PlainToNormal(100.0), 1.0);
  EXPECT_EQ(p.NormalToPlain(-0.5), 0.5); // not clamped first, but clamped to range after
  EXPECT_EQ(p.NormalToPlain(1.5), 2.0);
  EXPECT_DOUBLE_EQ(p.DefaultValue(true), 1.0 / 3.0);
  EXPECT_EQ(p.DefaultValue(false), 1.0);
  p.SetNormalValue(1.0);
  EXPECT_EQ(p.GetValue(), 2.0);
  EXPECT_EQ(p.GetNormalValue(), 1.0);

  IParam e;
  e.DeclareEnum("Mode", 1, 4, "", 0, "", "a", "b", "c", "d");
  EXPECT_EQ(e.NormalToPlain(0.49), 1.0); // 0.49 * 3 = 1.47 steps to 1
  EXPECT_EQ(e.NormalToPlain(0.5), 2.0);  // 1.5 rounds away from zero
}

TEST(IParam, BoolAndEnumDisplayAndParse)
{
  IParam b;
  b.DeclareBool("Hold");
  EXPECT_EQ(b.Type(), IParam::kTypeBool);
  EXPECT_TRUE(b.GetStepped());
  EXPECT_EQ(b.FormatDisplay(0.0, false), "off");
  EXPECT_EQ(b.FormatDisplay(1.0, true), "on");
  EXPECT_EQ(b.ParseDisplay("on"), 1.0);
  EXPECT_EQ(b.ParseDisplay("On"), 0.0);
  EXPECT_EQ(b.ParseDisplay("1"), 0.0); // list types do not read numbers

  IParam e;
  e.DeclareEnum("Mode", 0, 3, "", 0, "grp", "low", "mid", "high");
  EXPECT_EQ(e.Type(), IParam::kTypeEnum);
  EXPECT_EQ(e.GetMax(), 2.0);
  EXPECT_STREQ(e.GetGroup(), "grp");
  EXPECT_EQ(e.FormatDisplay(0.5, true), "mid");
  EXPECT_EQ(e.ParseDisplay("high"), 2.0);
  EXPECT_EQ(e.FormatDisplay(1.0, false, false), "1"); // texts disabled: plain number

  IParam noTexts;
  noTexts.DeclareEnum("n", 0, 3);
  EXPECT_EQ(noTexts.NDisplayTexts(), 0);
  EXPECT_EQ(noTexts.FormatDisplay(2.0, false), "2");
}

TEST(IParam, NumberFormatting)
{
  IParam p;
  p.DeclareDouble("Gain", 0.0, -24.0, 24.0, 0.1, "dB");
  EXPECT_EQ(p.FormatDisplay(0.5, true), "0.0");
  EXPECT_EQ(p.FormatDisplay(-0.0, false), "0.0");
  EXPECT_EQ(p.FormatDisplay(-12.34, false), "-12.3");
  EXPECT_EQ(p.FormatDisplay(0.25, false), "0.2"); // exact binary tie: nearest even
  EXPECT_EQ(p.FormatDisplay(0.35, false), "0.3"); // 0.35 is slightly below .35 in binary

  IParam i;
  i.DeclareDouble("Sensitivity", 50.0, 0.0, 100.0, 1.0, "%");
  EXPECT_EQ(i.FormatDisplay(-0.0, false), "0");
  EXPECT_EQ(i.FormatDisplay(2.5, false), "3");
  EXPECT_EQ(i.FormatDisplay(-2.5, false), "-3");
  EXPECT_EQ(i.FormatDisplay(1e300, false), "2147483647"); // out of int range: saturates

  IParam s;
  s.DeclareDouble("Trim", 0.0, -12.0, 12.0, 0.1, "dB", IParam::kFlagSignDisplay);
  EXPECT_EQ(s.FormatDisplay(2.5, false), "+2.5");
  EXPECT_EQ(s.FormatDisplay(-2.5, false), "-2.5");
  EXPECT_EQ(s.FormatDisplay(0.0, false), "0.0");

  IParam n;
  n.DeclareDouble("Neg", 3.0, 0.0, 10.0, 0.1, "", IParam::kFlagNegateDisplay);
  EXPECT_EQ(n.FormatDisplay(3.0, false), "-3.0");
  EXPECT_EQ(n.FormatDisplay(0.0, false), "0.0");
  EXPECT_EQ(n.ParseDisplay("-4.2"), 4.2);

  IParam f;
  f.DeclareDouble("Func", 0.0, 0.0, 1.0, 0.01, "", 0, "", plugfw::ShapeLinear(),
                  [](double v, std::string& out) { out = v > 0.5 ? std::string(40, 'x') : "low"; });
  EXPECT_EQ(f.FormatDisplay(0.25, false), "low");
  EXPECT_EQ(f.FormatDisplay(0.75, false).size(), 32u); // cut at 32 characters
}

TEST(IParam, ParseReadsLeadingNumberThenStepsAndClamps)
{
  IParam p;
  p.DeclareDouble("Auto Cut", -18.0, -40.0, -3.0, 0.1, "dB");
  EXPECT_EQ(p.ParseDisplay("-100"), -40.0);
  EXPECT_EQ(p.ParseDisplay("abc"), -3.0);
  EXPECT_EQ(p.ParseDisplay("-12.5 dB"), -12.5);
  EXPECT_EQ(p.ParseDisplay("  -7.25e0xyz"), -7.25);
  EXPECT_EQ(p.ParseDisplay("-1e999"), -40.0);
  EXPECT_EQ(p.ParseDisplay("-inf"), -3.0); // not a decimal number: 0, then clamped
  EXPECT_EQ(p.ParseDisplay(nullptr), -3.0);
  EXPECT_EQ(p.ParseDisplay("-5,5"), -5.0); // comma is never a decimal separator

  IParam s;
  s.DeclareDouble("s", 0.0, 0.0, 10.0, 0.5, "", IParam::kFlagStepped);
  EXPECT_EQ(s.ParseDisplay("2.3"), 2.5);
  EXPECT_EQ(s.ParseDisplay("1e-999"), 0.0);
  EXPECT_EQ(s.ParseDisplay(".75"), 1.0);
  EXPECT_EQ(s.ParseDisplay("5."), 5.0);
  EXPECT_EQ(s.ParseDisplay("."), 0.0);
}

TEST(IParam, ParseAndFormatIgnoreProcessLocale)
{
  // A locale with a decimal comma must not change how numbers are read or shown.
  const char* set = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  if (!set)
    set = std::setlocale(LC_NUMERIC, "German");
  IParam p;
  p.DeclareDouble("Gain", 0.0, -24.0, 24.0, 0.1, "dB");
  EXPECT_EQ(p.ParseDisplay("1.5"), 1.5);
  EXPECT_EQ(p.FormatDisplay(1.5, false), "1.5");
  std::setlocale(LC_NUMERIC, "C");
}

TEST(IParam, ConcurrentWritesNeverTearValues)
{
  IParam p;
  p.DeclareDouble("x", 0.0, -1e9, 1e9, 0.001);
  const double a = 123456.789, b = -987654.321;
  std::thread writer([&] {
    for (int i = 0; i < 200000; ++i)
      p.SetValue((i & 1) ? a : b);
  });
  bool torn = false;
  for (int i = 0; i < 200000; ++i)
  {
    const double v = p.GetValue();
    if (v != a && v != b && v != 0.0)
      torn = true;
  }
  writer.join();
  EXPECT_FALSE(torn);
}
