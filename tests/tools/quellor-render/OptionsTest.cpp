// quellor-render's command line and its built-in feedback scenario.

#include "tools/quellor-render/Options.h"
#include "tools/quellor-render/Scenario.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

bool Parse(std::vector<const char*> args, RenderOptions& out, std::string& error)
{
  args.insert(args.begin(), "quellor-render");
  return ParseRenderOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()), out,
                            error);
}

TEST(RenderOptions, ParameterNamesInAnySpelling)
{
  EXPECT_EQ(NormaliseOptionName("Auto Cut"), "autocut");
  EXPECT_EQ(NormaliseOptionName("auto-cut"), "autocut");
  EXPECT_EQ(NormaliseOptionName("AUTO_CUT"), "autocut");
  double v = 0;
  EXPECT_TRUE(ParseParamValue("-20.5", false, v));
  EXPECT_EQ(v, -20.5);
  EXPECT_TRUE(ParseParamValue("On", true, v));
  EXPECT_EQ(v, 1.0);
  EXPECT_TRUE(ParseParamValue("off", true, v));
  EXPECT_EQ(v, 0.0);
  EXPECT_FALSE(ParseParamValue("on", false, v));
  EXPECT_FALSE(ParseParamValue("12dB", false, v));
  EXPECT_FALSE(ParseParamValue("", false, v));
}

TEST(RenderOptions, EditorPictureOptions)
{
  RenderOptions o;
  std::string error;
  ASSERT_TRUE(Parse(
      {"--editor-png", "e.png", "--at=3.5", "--editor-notch", "800,-12,8", "--editor-scale", "2"},
      o, error))
      << error;
  EXPECT_EQ(o.editorPng, "e.png");
  EXPECT_EQ(o.editorAt, 3.5);
  EXPECT_EQ(o.editorScale, 2.f);
  EXPECT_EQ(o.notchHz, 800.f);
  EXPECT_EQ(o.notchDb, -12.f);
  EXPECT_EQ(o.notchQ, 8.f);

  RenderOptions d;
  ASSERT_TRUE(Parse({"--editor-notch", "1500"}, d, error));
  EXPECT_EQ(d.notchHz, 1500.f);
  EXPECT_EQ(d.notchDb, -18.f);
  EXPECT_EQ(d.notchQ, 25.f);
  EXPECT_LT(d.editorAt, 0.0); // the end of the run

  for (auto bad : {"5", "800,+3", "800,-12,100", "800,-12,8,1", "800,,8", "abc"})
  {
    RenderOptions r;
    EXPECT_FALSE(Parse({"--editor-notch", bad}, r, error)) << bad;
  }
  RenderOptions r;
  EXPECT_FALSE(Parse({"--at", "-1"}, r, error));
  EXPECT_FALSE(Parse({"--editor-scale", "3"}, r, error));
  EXPECT_FALSE(Parse({"--editor-png"}, r, error));
}

TEST(RenderOptions, ParsesFilesOptionsAndParameters)
{
  RenderOptions o;
  std::string err;
  ASSERT_TRUE(Parse({"in.wav", "--Auto Cut", "-20", "--hold=on", "--third-octaves", "out.wav",
                     "--block", "64", "--scenario=room"},
                    o, err))
      << err;
  EXPECT_EQ(o.input, "in.wav");
  EXPECT_EQ(o.output, "out.wav");
  EXPECT_EQ(o.block, 64);
  EXPECT_EQ(o.scenario, "room");
  EXPECT_TRUE(o.thirdOctaves); // a switch of the tool: takes no value, is no parameter
  ASSERT_EQ(o.params.size(), 2u);
  EXPECT_EQ(o.params[0].first, "Auto Cut");
  EXPECT_EQ(o.params[0].second, "-20");
  EXPECT_EQ(o.params[1].second, "on");

  RenderOptions bad;
  EXPECT_FALSE(Parse({"--sensitivity"}, bad, err)); // value missing
  EXPECT_FALSE(Parse({"--block", "0"}, bad, err));
  EXPECT_FALSE(Parse({"--rate", "fast"}, bad, err));
  EXPECT_FALSE(Parse({"a.wav", "b.wav", "c.wav"}, bad, err));
  RenderOptions help;
  EXPECT_TRUE(Parse({"--help"}, help, err));
  EXPECT_TRUE(help.help);
}

TEST(RenderOptions, ScorecardOptions)
{
  RenderOptions o;
  std::string err;
  ASSERT_TRUE(Parse(
      {"--scorecard", "--quick", "--material", "m", "--jobs=1", "--only", "alone,catch"}, o, err))
      << err;
  EXPECT_TRUE(o.scorecard);
  EXPECT_TRUE(o.quick);
  EXPECT_EQ(o.material, "m");
  EXPECT_EQ(o.jobs, 1u);
  EXPECT_EQ(o.only, "alone,catch");
  EXPECT_TRUE(o.params.empty()) << "the scorecard's switches are not plug-in parameters";
  RenderOptions bad;
  EXPECT_FALSE(Parse({"--jobs", "0"}, bad, err));
  EXPECT_FALSE(Parse({"--jobs", "2x"}, bad, err));
  EXPECT_FALSE(Parse({"--only", "loop,gain"}, bad, err));
  EXPECT_NE(err.find("gain"), std::string::npos) << err;
  EXPECT_FALSE(Parse({"--only", "loop,"}, bad, err)) << "an empty part is no part";
  EXPECT_FALSE(Parse({"--material"}, bad, err));
}

double ToneAmplitude(const std::vector<float>& x, double rate, double hz, double from, double to)
{
  double re = 0, im = 0;
  const size_t a = static_cast<size_t>(from * rate), b = static_cast<size_t>(to * rate);
  for (size_t i = a; i < b; ++i)
  {
    re += x[i] * std::cos(2 * std::numbers::pi * hz * static_cast<double>(i) / rate);
    im += x[i] * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate);
  }
  return 2 * std::hypot(re, im) / static_cast<double>(b - a);
}

TEST(FeedbackScenario, RingGrowsThenStops)
{
  const ScenarioEntry* e = FindScenario("feedback");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(FindScenario("no-such-scenario"), nullptr);
  const Scenario sc = e->generate({48000, 0});
  ASSERT_EQ(sc.channels.size(), 1u);
  const auto& x = sc.channels[0];
  EXPECT_EQ(x.size(), static_cast<size_t>(11 * 48000));
  EXPECT_EQ(sc.eventFrequency, 2500.0);
  ASSERT_GT(sc.eventEnd, sc.eventStart);

  const double before = ToneAmplitude(x, 48000, 2500, sc.eventStart - 0.5, sc.eventStart);
  const double early = ToneAmplitude(x, 48000, 2500, sc.eventStart + 0.1, sc.eventStart + 0.2);
  const double later = ToneAmplitude(x, 48000, 2500, sc.eventStart + 0.5, sc.eventStart + 0.6);
  const double top = ToneAmplitude(x, 48000, 2500, sc.eventEnd - 0.3, sc.eventEnd);
  const double after = ToneAmplitude(x, 48000, 2500, sc.eventEnd + 0.2, sc.eventEnd + 1.0);
  EXPECT_GT(later, 10 * early); // about 80 dB per second
  EXPECT_GT(early, before);
  EXPECT_GT(top, 0.2);
  EXPECT_LT(after, 0.01 * top);
  for (float v : x)
    ASSERT_LT(std::fabs(v), 1.0f);

  const Scenario shortOne = e->generate({44100, 3.0});
  EXPECT_EQ(shortOne.channels[0].size(), static_cast<size_t>(3 * 44100));
  EXPECT_LT(shortOne.eventEnd, 3.0);
}

} // namespace
