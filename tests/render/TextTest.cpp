// Text: font loading, alignment inside the rectangle, measured width against drawn ink, clipping.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "resources/QuellorResources.h"
#include "tests/render/RenderTestUtil.h"

using namespace plugfw::ui;

namespace {

const char* const kFont = "Roboto-Regular";
const IColor kWhite(255, 255, 255, 255);

void LoadRoboto(IRenderer& r)
{
  const uint8_t* data = nullptr;
  size_t size = 0;
  ASSERT_TRUE(FindQuellorResource("Roboto-Regular.ttf", data, size));
  ASSERT_TRUE(r.LoadFont(kFont, data, size));
}

TEST(RenderText, FontLoadingRejectsGarbage)
{
  IRenderer r;
  EXPECT_FALSE(r.HasFont(kFont));
  const std::vector<uint8_t> junk(4096, 0xAB);
  EXPECT_FALSE(r.LoadFont("Junk", junk.data(), junk.size()));
  EXPECT_FALSE(r.LoadFont("Junk", nullptr, 100));
  EXPECT_FALSE(r.LoadFont("", junk.data(), junk.size()));
  // A truncated real font header is refused too.
  const uint8_t* data = nullptr;
  size_t size = 0;
  ASSERT_TRUE(FindQuellorResource("Roboto-Regular.ttf", data, size));
  EXPECT_FALSE(r.LoadFont("Cut", data, 10));
  EXPECT_FALSE(r.HasFont("Junk"));
  LoadRoboto(r);
  EXPECT_TRUE(r.HasFont(kFont));
  // Unknown font ids measure 0 and draw nothing.
  r.SetFrameSize(50, 20);
  r.DrawText("Nope", 12, kWhite, IRect(0, 0, 50, 20), ITextAlign::kNear, ITextVAlign::kMiddle,
             "abc");
  EXPECT_EQ(rtest::CoveredArea(r), 0.0);
  EXPECT_EQ(r.MeasureText("Nope", 12, "abc"), 0.f);
}

TEST(RenderText, MeasuredWidthScalesAndAddsUp)
{
  IRenderer r;
  LoadRoboto(r);
  const float a = r.MeasureText(kFont, 15, "Sensitivity");
  EXPECT_GT(a, 40.f);
  EXPECT_LT(a, 100.f);
  EXPECT_NEAR(r.MeasureText(kFont, 30, "Sensitivity"), 2 * a, 0.01f);
  EXPECT_EQ(r.MeasureText(kFont, 15, ""), 0.f);
  EXPECT_EQ(r.MeasureText(kFont, -3, "x"), 0.f);
  // Without kerning between them, the width of a concatenation is the sum.
  EXPECT_NEAR(r.MeasureText(kFont, 15, "1111"), 4 * r.MeasureText(kFont, 15, "1"), 0.01f);
  // The draw scale does not change logical widths.
  const float before = r.MeasureText(kFont, 15, "Reset");
  r.SetScale(2.f, 1.5f);
  EXPECT_FLOAT_EQ(r.MeasureText(kFont, 15, "Reset"), before);
}

struct Ink
{
  int x0, y0, x1, y1;
};

Ink DrawAndFindInk(float scale, ITextAlign align, const IRect& rect, const std::string& text,
                   float size)
{
  IRenderer r;
  LoadRoboto(r);
  r.SetScale(scale, 1.f);
  r.SetLogicalSize(200, 60);
  r.DrawText(kFont, size, kWhite, rect, align, ITextVAlign::kMiddle, text);
  Ink ink{};
  EXPECT_TRUE(rtest::InkBox(r, ink.x0, ink.y0, ink.x1, ink.y1, 40));
  return ink;
}

TEST(RenderText, AlignmentPlacesInkInsideTheRectangle)
{
  const IRect rect(20, 10, 180, 40);
  const std::string text = "HHHH"; // straight stems: the ink spans the advance minus side bearings
  IRenderer m;
  LoadRoboto(m);
  const float w = m.MeasureText(kFont, 20, text);
  for (float scale : {1.f, 2.f})
  {
    const Ink near = DrawAndFindInk(scale, ITextAlign::kNear, rect, text, 20);
    const Ink centre = DrawAndFindInk(scale, ITextAlign::kCenter, rect, text, 20);
    const Ink far = DrawAndFindInk(scale, ITextAlign::kFar, rect, text, 20);
    const float bearing = 3.f * scale; // side bearings of "H" at this size are about 1.5 units
    EXPECT_GE(near.x0, rect.L * scale);
    EXPECT_LE(near.x0, rect.L * scale + bearing);
    EXPECT_LE(far.x1 + 1, rect.R * scale);
    EXPECT_GE(far.x1 + 1, rect.R * scale - bearing);
    EXPECT_NEAR(0.5 * (centre.x0 + centre.x1 + 1), rect.MW() * scale, 1.0 * scale);
    // The ink width matches the measured width less the two outer side bearings.
    EXPECT_NEAR(near.x1 + 1 - near.x0, w * scale, bearing);
    // Same shape wherever it is placed.
    EXPECT_NEAR(far.x1 - far.x0, near.x1 - near.x0, 1);
    // Vertically centred: capitals sit around the middle of the rectangle.
    const double mid = 0.5 * (near.y0 + near.y1 + 1);
    EXPECT_NEAR(mid, rect.MH() * scale, 2.5 * scale);
    EXPECT_GE(near.y0, rect.T * scale);
    EXPECT_LE(near.y1, rect.B * scale);
  }
}

TEST(RenderText, TextIsClippedBlendedAndToleratesBadUtf8)
{
  IRenderer r;
  LoadRoboto(r);
  r.SetFrameSize(120, 40);
  r.BeginFrame(IRect(0, 0, 60, 40));
  r.DrawText(kFont, 16, kWhite, IRect(0, 0, 120, 40), ITextAlign::kCenter, ITextVAlign::kMiddle,
             "MMMMMMMMMM");
  r.EndFrame();
  int x0, y0, x1, y1;
  ASSERT_TRUE(rtest::InkBox(r, x0, y0, x1, y1));
  EXPECT_LE(x1, 59); // cut at the clip edge
  EXPECT_GE(x1, 55);
  int maxAlpha = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x)
      maxAlpha = std::max(maxAlpha, rtest::Alpha(r, x, y));
  EXPECT_EQ(maxAlpha, 255);

  IRenderer b;
  LoadRoboto(b);
  b.SetFrameSize(120, 40);
  b.DrawText(kFont, 16, kWhite, IRect(0, 0, 120, 40), ITextAlign::kCenter, ITextVAlign::kMiddle,
             "MMMMMMMMMM", 0.25f);
  int maxB = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x)
      maxB = std::max(maxB, rtest::Alpha(b, x, y));
  EXPECT_NEAR(maxB, 64, 1);

  IRenderer u;
  LoadRoboto(u);
  u.SetFrameSize(120, 40);
  const std::string bad = std::string("a\xC3") + "\xFF\xE2\x82" + "b\xF0\x9F\x98\x80";
  EXPECT_GT(u.MeasureText(kFont, 12, bad), u.MeasureText(kFont, 12, "ab"));
  u.DrawText(kFont, 12, kWhite, IRect(0, 0, 120, 40), ITextAlign::kNear, ITextVAlign::kMiddle, bad);
  EXPECT_GT(rtest::CoveredArea(u), 5.0);
  // Absurd sizes draw nothing rather than allocating huge glyphs.
  IRenderer z;
  LoadRoboto(z);
  z.SetFrameSize(50, 50);
  z.DrawText(kFont, 1e9f, kWhite, IRect(0, 0, 50, 50), ITextAlign::kNear, ITextVAlign::kMiddle,
             "W");
  z.DrawText(kFont, std::nanf(""), kWhite, IRect(0, 0, 50, 50), ITextAlign::kNear,
             ITextVAlign::kMiddle, "W");
  EXPECT_EQ(rtest::CoveredArea(z), 0.0);
}

TEST(RenderText, ManySizesAndGlyphsSurviveAtlasRefills)
{
  IRenderer r;
  LoadRoboto(r);
  r.SetFrameSize(300, 300);
  std::string all;
  for (char c = '!'; c <= '~'; ++c)
    all.push_back(c);
  for (int size = 8; size < 120; size += 3)
  {
    r.Clear(IColor(0, 0, 0, 0));
    r.DrawText(kFont, static_cast<float>(size), kWhite, IRect(0, 0, 300, 300), ITextAlign::kNear,
               ITextVAlign::kMiddle, all);
  }
  // After the churn, a known string still renders the same as in a fresh renderer.
  r.Clear(IColor(0, 0, 0, 0));
  r.DrawText(kFont, 15, kWhite, IRect(0, 0, 300, 300), ITextAlign::kCenter, ITextVAlign::kMiddle,
             "Active filters: 3");
  IRenderer f;
  LoadRoboto(f);
  f.SetFrameSize(300, 300);
  f.DrawText(kFont, 15, kWhite, IRect(0, 0, 300, 300), ITextAlign::kCenter, ITextVAlign::kMiddle,
             "Active filters: 3");
  EXPECT_EQ(rtest::Hash(r.Frame()), rtest::Hash(f.Frame()));
}

} // namespace
