// Fills: exact interiors, area-fraction edges, fill rules, clipping, blending and bad input.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "resources/QuellorResources.h"
#include "tests/render/RenderTestUtil.h"

using namespace plugfw::ui;
using rtest::Alpha;
using rtest::At;

namespace {

const IColor kWhite(255, 255, 255, 255);

IRenderer& Fresh(IRenderer& r, int w, int h, float scale = 1.f)
{
  r.SetScale(scale, 1.f);
  r.SetFrameSize(w, h);
  return r;
}

TEST(RasterFill, AlignedRectIsExactInsideAndUntouchedOutside)
{
  IRenderer r;
  Fresh(r, 20, 20);
  r.FillRect(IColor(255, 10, 20, 30), IRect(4, 5, 12, 15));
  for (int y = 0; y < 20; ++y)
  {
    for (int x = 0; x < 20; ++x)
    {
      const bool inside = x >= 4 && x < 12 && y >= 5 && y < 15;
      const rtest::Px p = At(r, x, y);
      if (inside)
      { // NOLINT
        EXPECT_EQ(p.a, 255) << x << "," << y;
        EXPECT_EQ(p.r, 10);
        EXPECT_EQ(p.g, 20);
        EXPECT_EQ(p.b, 30);
      }
      else
      {
        EXPECT_EQ(p.a, 0) << x << "," << y;
      }
    }
  }
}

TEST(RasterFill, EdgeCoverageIsTheAreaFraction)
{
  IRenderer r;
  Fresh(r, 20, 20);
  // Left edge at 2.25, right at 7.5, top at 3.75, bottom exactly 9.
  r.FillRect(kWhite, IRect(2.25f, 3.75f, 7.5f, 9.f));
  EXPECT_NEAR(Alpha(r, 2, 5), 0.75 * 255, 1.5);
  EXPECT_NEAR(Alpha(r, 7, 5), 0.5 * 255, 1.5);
  EXPECT_NEAR(Alpha(r, 4, 3), 0.25 * 255, 1.5);
  EXPECT_NEAR(Alpha(r, 2, 3), 0.75 * 0.25 * 255, 1.5); // corner: product of both fractions
  EXPECT_EQ(Alpha(r, 4, 8), 255);
  EXPECT_EQ(Alpha(r, 4, 9), 0);
  EXPECT_EQ(Alpha(r, 1, 5), 0);

  // A diagonal edge through pixel centres: every crossed pixel is half covered.
  IRenderer d;
  Fresh(d, 16, 16);
  d.PathMoveTo(0, 0);
  d.PathLineTo(16, 16);
  d.PathLineTo(0, 16);
  d.PathFill(kWhite);
  for (int i = 0; i < 16; ++i)
  {
    EXPECT_NEAR(Alpha(d, i, i), 127.5, 1.5) << i;
    if (i > 0)
    {
      EXPECT_EQ(Alpha(d, i - 1, i), 255);
    }
    if (i < 15)
    {
      EXPECT_EQ(Alpha(d, i + 1, i), 0);
    }
  }
}

TEST(RasterFill, CircleCoversItsArea)
{
  for (float rad : {3.f, 10.5f, 31.f})
  {
    IRenderer r;
    Fresh(r, 80, 80);
    r.FillCircle(kWhite, 40.3f, 39.6f, rad);
    const double expected = 3.14159265358979 * rad * rad;
    EXPECT_NEAR(rtest::CoveredArea(r), expected, expected * 0.01 + 0.5) << rad;
    EXPECT_EQ(Alpha(r, 40, 39), 255);
    int x0, y0, x1, y1;
    ASSERT_TRUE(rtest::InkBox(r, x0, y0, x1, y1));
    EXPECT_GE(x0, static_cast<int>(std::floor(40.3f - rad)));
    EXPECT_LE(x1, static_cast<int>(std::floor(40.3f + rad)));
  }
}

TEST(RasterFill, FillRulesDifferForNestedSameDirectionContours)
{
  for (IFillRule rule : {IFillRule::kNonZero, IFillRule::kEvenOdd})
  {
    IRenderer r;
    Fresh(r, 30, 30);
    r.PathRect(IRect(2, 2, 28, 28));
    r.PathRect(IRect(10, 10, 20, 20)); // same direction: winding 2 inside
    IFillOptions o;
    o.rule = rule;
    r.PathFill(kWhite, o);
    EXPECT_EQ(Alpha(r, 5, 5), 255);
    EXPECT_EQ(Alpha(r, 15, 15), rule == IFillRule::kNonZero ? 255 : 0);
  }
  // Opposite direction inner contour makes a hole under both rules.
  IRenderer r;
  Fresh(r, 30, 30);
  r.PathRect(IRect(2, 2, 28, 28));
  r.PathMoveTo(10, 10);
  r.PathLineTo(10, 20);
  r.PathLineTo(20, 20);
  r.PathLineTo(20, 10);
  r.PathClose();
  r.PathFill(kWhite);
  EXPECT_EQ(Alpha(r, 15, 15), 0);
  EXPECT_EQ(Alpha(r, 5, 15), 255);
}

TEST(RasterFill, ClipIsRespectedAndOtherPixelsKept)
{
  IRenderer r;
  Fresh(r, 40, 40);
  r.Clear(IColor(255, 1, 2, 3));
  r.BeginFrame(IRect(10, 10, 30, 30));
  r.SetClip(IRect(5.5f, 12.f, 20.f, 50.f)); // snapped outward, limited to the frame clip
  EXPECT_EQ(r.GetClipPixels(), IRect(10, 12, 20, 30));
  r.FillRect(IColor(255, 200, 0, 0), IRect(-100, -100, 100, 100));
  r.ResetClip();
  r.FillCircle(IColor(255, 0, 200, 0), 35, 35, 10); // only its part inside the frame clip
  const IRect dirty = r.EndFrame();
  EXPECT_EQ(dirty, IRect(10, 10, 30, 30));
  for (int y = 0; y < 40; ++y)
  {
    for (int x = 0; x < 40; ++x)
    {
      const rtest::Px p = At(r, x, y);
      const bool inFrame = x >= 10 && x < 30 && y >= 10 && y < 30;
      if (!inFrame)
      {
        EXPECT_TRUE(p.r == 1 && p.g == 2 && p.b == 3 && p.a == 255) << x << "," << y;
      }
      else if (x < 20 && y >= 12)
      {
        EXPECT_EQ(p.r, 200) << x << "," << y;
      }
    }
  }
  EXPECT_GT(At(r, 29, 29).g, 100);
}

TEST(RasterFill, SourceOverBlendingAndBlendWeight)
{
  IRenderer r;
  Fresh(r, 10, 10);
  r.FillRect(IColor(255, 0, 0, 255), IRect(0, 0, 10, 10));
  r.FillRect(IColor(128, 255, 0, 0), IRect(0, 0, 5, 10)); // half-transparent red over blue
  const rtest::Px p = At(r, 2, 2);
  EXPECT_EQ(p.a, 255);
  EXPECT_NEAR(p.r, 128, 1);
  EXPECT_NEAR(p.b, 127, 1);
  EXPECT_EQ(p.g, 0);

  // Blend weight multiplies the paint's alpha: a disabled control draws at 0.25.
  IRenderer w;
  Fresh(w, 10, 10);
  w.FillRect(kWhite, IRect(0, 0, 10, 10), 0.25f);
  EXPECT_NEAR(Alpha(w, 5, 5), 64, 1);
  EXPECT_NEAR(At(w, 5, 5).r, 64, 1);
  for (float bad : {0.f, -1.f, std::numeric_limits<float>::quiet_NaN()})
  {
    w.FillRect(IColor(255, 255, 0, 0), IRect(0, 0, 10, 10), bad);
  }
  EXPECT_EQ(At(w, 5, 5).g, At(w, 5, 5).r);                      // nothing red was added
  w.FillRect(IColor(255, 255, 0, 0), IRect(0, 0, 10, 10), 7.f); // above 1 counts as 1
  EXPECT_EQ(At(w, 5, 5).r, 255);
  EXPECT_EQ(At(w, 5, 5).g, 0);
}

TEST(RasterFill, LogicalUnitsAreScaledByDrawAndScreenScale)
{
  IRenderer r;
  r.SetScale(1.5f, 2.f);
  EXPECT_FLOAT_EQ(r.GetScale(), 3.f);
  r.SetLogicalSize(10, 10);
  EXPECT_EQ(r.Frame().Width(), 30);
  r.FillRect(kWhite, IRect(1, 1, 4, 2));
  int x0, y0, x1, y1;
  ASSERT_TRUE(rtest::InkBox(r, x0, y0, x1, y1));
  EXPECT_EQ(x0, 3);
  EXPECT_EQ(y0, 3);
  EXPECT_EQ(x1, 11);
  EXPECT_EQ(y1, 5);
  // Nonsense scales fall back to 1.
  r.SetScale(std::numeric_limits<float>::infinity(), 1.f);
  EXPECT_FLOAT_EQ(r.GetScale(), 1.f);
  r.SetScale(-2.f, 1.f);
  EXPECT_FLOAT_EQ(r.GetScale(), 1.f);
}

TEST(RasterFill, LinearGradientInterpolatesAlongItsAxis)
{
  IRenderer r;
  Fresh(r, 100, 4);
  r.FillRect(IPattern::Linear(0, 0, 100, 0, IColor(255, 0, 0, 0), kWhite), IRect(0, 0, 100, 4));
  EXPECT_LE(At(r, 0, 1).r, 3);
  EXPECT_GE(At(r, 99, 1).r, 252);
  EXPECT_NEAR(At(r, 50, 1).r, 129, 2);
  for (int x = 1; x < 100; ++x)
    EXPECT_GE(At(r, x, 2).r, At(r, x - 1, 2).r);
  // Constant across the axis, and padded beyond the end points.
  EXPECT_EQ(At(r, 30, 0).r, At(r, 30, 3).r);
  IRenderer p;
  Fresh(p, 40, 4);
  p.FillRect(IPattern::Linear(10, 0, 20, 0, IColor(255, 255, 0, 0), IColor(255, 0, 0, 255)),
             IRect(0, 0, 40, 4));
  EXPECT_EQ(At(p, 2, 1).r, 255);
  EXPECT_EQ(At(p, 35, 1).b, 255);
}

TEST(RasterFill, BadGeometryNeverCrashesOrBleeds)
{
  IRenderer r;
  Fresh(r, 16, 16);
  const float inf = std::numeric_limits<float>::infinity(),
              nan = std::numeric_limits<float>::quiet_NaN();
  r.FillRect(kWhite, IRect(nan, 0, 5, 5));
  r.FillCircle(kWhite, 5, 5, inf);
  r.FillCircle(kWhite, 5, 5, -3);
  r.FillRoundRect(kWhite, IRect(2, 2, 8, 8), nan); // radius NaN: plain rectangle
  EXPECT_EQ(Alpha(r, 5, 5), 255);
  r.Clear(IColor(0, 0, 0, 0));
  r.PathMoveTo(nan, nan);
  r.PathLineTo(3, 3);
  r.PathLineTo(inf, 3);
  r.PathFill(kWhite);
  r.DrawLine(kWhite, 0, 0, 10, 10, 1.f, nan);
  r.DrawLine(kWhite, 0, 0, 10, 10, 1.f, -4.f);
  r.PathArc(8, 8, 4, 0, inf);
  r.PathStroke(kWhite, 2.f);
  EXPECT_EQ(rtest::CoveredArea(r), 0.0);
  // Huge but finite geometry is clipped, not overflowed.
  r.FillRect(IColor(255, 0, 255, 0), IRect(-3e38f, -3e38f, 3e38f, 3e38f));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      ASSERT_EQ(At(r, x, y).g, 255);
  r.DrawLine(kWhite, -1e30f, 4, 1e30f, 4.5f, 1.f, 2.f);
  EXPECT_GT(At(r, 8, 4).r, 0);
  // Empty and zero-size frames accept drawing.
  IRenderer z;
  z.SetFrameSize(-5, 0);
  z.FillRect(kWhite, IRect(0, 0, 10, 10));
  z.DrawText("none", 12, kWhite, IRect(0, 0, 10, 10), ITextAlign::kNear, ITextVAlign::kMiddle, "x");
  EXPECT_TRUE(z.Frame().Empty());
}

TEST(RasterFill, ShapeHelpersLeaveTheCurrentPathAlone)
{
  IRenderer r;
  Fresh(r, 20, 20);
  r.PathRect(IRect(0, 0, 5, 5));
  r.FillCircle(IColor(255, 0, 0, 255), 15, 15, 3);
  r.DrawLine(IColor(255, 0, 0, 255), 10, 2, 18, 2);
  r.PathFill(IColor(255, 255, 0, 0));
  EXPECT_EQ(At(r, 2, 2).r, 255);
  // The fill consumed the path: filling again draws nothing new.
  r.Clear(IColor(0, 0, 0, 0));
  r.PathFill(kWhite);
  EXPECT_EQ(rtest::CoveredArea(r), 0.0);
}

TEST(RasterFill, TrianglesAndPolygons)
{
  IRenderer r;
  Fresh(r, 20, 20);
  r.PathMoveTo(0, 0); // an unfinished path survives the helper
  r.FillTriangle(kWhite, 2, 2, 18, 2, 2, 18);
  EXPECT_NEAR(rtest::CoveredArea(r), 128.0, 0.1);
  const float square[8] = {10, 10, 20, 10, 20, 20, 10, 20};
  r.FillPolygon(IColor(255, 255, 0, 0), square, 4);
  EXPECT_EQ(At(r, 15, 15).r, 255);
  EXPECT_EQ(At(r, 15, 15).g, 0);
  r.FillPolygon(kWhite, nullptr, 4);
  r.FillPolygon(kWhite, square, 2);
  r.PathLineTo(0, 20);
  r.PathLineTo(10, 20);
  r.PathClose();
  r.Clear(IColor(0, 0, 0, 0));
  r.PathFill(kWhite); // the triangle (0,0) (0,20) (10,20) started before the helpers ran
  EXPECT_NEAR(rtest::CoveredArea(r), 100.0, 0.1);
}

TEST(RasterFill, RoundedRectCornersAreCut)
{
  IRenderer r;
  Fresh(r, 40, 40);
  r.FillRoundRect(kWhite, IRect(0, 0, 40, 40), 10);
  EXPECT_EQ(Alpha(r, 0, 0), 0);
  EXPECT_EQ(Alpha(r, 1, 1), 0);
  EXPECT_EQ(Alpha(r, 20, 0), 255);
  EXPECT_EQ(Alpha(r, 0, 20), 255);
  EXPECT_EQ(Alpha(r, 5, 5), 255);
  const double expected = 40.0 * 40.0 - (4.0 - 3.14159265358979) * 100.0;
  EXPECT_NEAR(rtest::CoveredArea(r), expected, 2.0);
  // A radius beyond half the short side is limited to it: a pill.
  IRenderer p;
  Fresh(p, 40, 10);
  p.FillRoundRect(kWhite, IRect(0, 0, 40, 10), 100);
  EXPECT_NEAR(rtest::CoveredArea(p), 30.0 * 10.0 + 3.14159265358979 * 25.0, 1.0);
}

// Coverage of polygons against a brute-force reference: 16 x 16 point samples per pixel with the
// same fill rule. Star-shaped polygons are simple, so the analytic coverage must agree
// everywhere; random self-intersecting ones can differ only in pixels where edges cross.
double SupersampledAlpha(const std::vector<float>& xy, IFillRule rule, int px, int py)
{
  const int n = static_cast<int>(xy.size() / 2);
  int inside = 0;
  for (int sy = 0; sy < 16; ++sy)
  {
    for (int sx = 0; sx < 16; ++sx)
    {
      const double x = px + (sx + 0.5) / 16.0, y = py + (sy + 0.5) / 16.0;
      int winding = 0;
      for (int i = 0; i < n; ++i)
      {
        const int j = (i + 1) % n;
        const double x0 = xy[2 * i], y0 = xy[2 * i + 1], x1 = xy[2 * j], y1 = xy[2 * j + 1];
        if ((y0 <= y) != (y1 <= y))
        {
          const double xc = x0 + (y - y0) * (x1 - x0) / (y1 - y0);
          if (xc > x)
            winding += (y1 > y0) ? 1 : -1;
        }
      }
      inside += rule == IFillRule::kNonZero ? (winding != 0) : (winding & 1);
    }
  }
  return inside / 256.0 * 255.0;
}

void FillPolygon(IRenderer& r, const std::vector<float>& xy, IFillRule rule)
{
  r.PathMoveTo(xy[0], xy[1]);
  for (size_t i = 2; i < xy.size(); i += 2)
    r.PathLineTo(xy[i], xy[i + 1]);
  r.PathClose();
  IFillOptions o;
  o.rule = rule;
  r.PathFill(kWhite, o);
}

TEST(RasterFill, PolygonsMatchSupersampledCoverage)
{
  std::mt19937 rng(12345);
  std::uniform_real_distribution<float> unit(0.f, 1.f);
  for (int round = 0; round < 24; ++round)
  {
    const IFillRule rule = (round % 2) ? IFillRule::kEvenOdd : IFillRule::kNonZero;
    // Star-shaped: increasing angles around a centre, random radii.
    const int n = 3 + round % 9;
    std::vector<float> star;
    const float cx = 6.f + 12.f * unit(rng), cy = 6.f + 12.f * unit(rng);
    for (int i = 0; i < n; ++i)
    {
      const double a = (i + 0.8 * unit(rng)) * 2.0 * 3.14159265358979 / n;
      const double rad = 2.0 + 14.0 * unit(rng);
      star.push_back(static_cast<float>(cx + rad * std::cos(a)));
      star.push_back(static_cast<float>(cy + rad * std::sin(a)));
    }
    IRenderer r;
    Fresh(r, 24, 24);
    FillPolygon(r, star, rule);
    double worst = 0;
    for (int py = 0; py < 24; ++py)
      for (int px = 0; px < 24; ++px)
        worst =
            std::max(worst, std::fabs(SupersampledAlpha(star, rule, px, py) - Alpha(r, px, py)));
    EXPECT_LT(worst, 10.0) << "star round "
                           << round; // the 256-sample reference itself is off by up to ~6

    // Random, usually self-intersecting.
    std::vector<float> any;
    for (int i = 0; i < 2 * n; ++i)
      any.push_back(-4.f + 32.f * unit(rng));
    IRenderer q;
    Fresh(q, 24, 24);
    FillPolygon(q, any, rule);
    double sum = 0;
    for (int py = 0; py < 24; ++py)
      for (int px = 0; px < 24; ++px)
        sum += std::fabs(SupersampledAlpha(any, rule, px, py) - Alpha(q, px, py));
    EXPECT_LT(sum / (24 * 24), 3.0) << "random round " << round;
  }
}

TEST(RasterFill, RadialGradientDependsOnDistance)
{
  IRenderer r;
  Fresh(r, 41, 41);
  r.FillRect(IPattern::Radial(20.5f, 20.5f, 20.f, kWhite, IColor(255, 0, 0, 0)),
             IRect(0, 0, 41, 41));
  EXPECT_GE(At(r, 20, 20).r, 252);
  EXPECT_NEAR(At(r, 30, 20).r, 128, 3);
  EXPECT_EQ(At(r, 30, 20).r, At(r, 20, 30).r);
  EXPECT_EQ(At(r, 0, 0).r, 0);
}

TEST(RasterFill, OversizedFramesAreRefusedNotAllocated)
{
  IRenderer r;
  r.SetFrameSize(16384, 16384);
  EXPECT_TRUE(r.Frame().Empty());
  r.FillRect(kWhite, IRect(0, 0, 100, 100));
  r.SetFrameSize(100000, 3);
  EXPECT_EQ(r.Frame().Width(), IPixmap::kMaxSide);
  EXPECT_EQ(r.Frame().Height(), 3);
  r.SetLogicalSize(std::numeric_limits<float>::infinity(), 10);
  r.FillRect(kWhite, IRect(0, 0, 100, 100));
  EXPECT_TRUE(
      IPixmap(IPixmap::kMaxSide, static_cast<int>(IPixmap::kMaxPixels / IPixmap::kMaxSide) + 1)
          .Empty());
  EXPECT_FALSE(IPixmap(IPixmap::kMaxSide, 64).Empty());
}

// The same scene gives the same bytes in the Linux and the Windows build (both run this test).
TEST(RasterFill, SceneIsBitIdenticalAcrossBuilds)
{
  IRenderer r;
  Fresh(r, 64, 48, 1.25f);
  r.FillRoundRect(IPattern::Linear(0, 0, 0, 38, IColor(255, 40, 46, 58), IColor(255, 12, 15, 20)),
                  IRect(1, 1, 50, 37), 6);
  r.PathMoveTo(3, 30);
  for (int i = 1; i <= 40; ++i)
  {
    const float fi = static_cast<float>(i);
    r.PathLineTo(3 + fi * 1.1f, 30 - 20 * std::fabs(std::fmod(fi * 0.37f, 1.f) - 0.5f));
  }
  IStrokeOptions keep;
  keep.preserve = true;
  r.PathStroke(IColor(255, 47, 208, 230), 1.5f, keep);
  r.PathLineTo(47, 34);
  r.PathLineTo(3, 34);
  r.PathClose();
  r.PathFill(IColor(64, 23, 176, 196));
  r.FillCircle(IColor(255, 255, 200, 0), 20, 18, 5);
  r.DrawCircle(kWhite, 20, 18, 7, 1.f, 2.f);
  r.DrawRoundRect(IColor(255, 150, 200, 225), IRect(30, 3, 48, 12), 4, 0.25f, 1.2f);
  // Text (glyph rasterisation) and a scaled bitmap take part too.
  const uint8_t* font = nullptr;
  size_t fontSize = 0;
  ASSERT_TRUE(FindQuellorResource("Roboto-Regular.ttf", font, fontSize));
  ASSERT_TRUE(r.LoadFont("Roboto-Regular", font, fontSize));
  r.DrawText("Roboto-Regular", 11.3f, IColor(255, 240, 242, 246), IRect(2, 26, 50, 38),
             ITextAlign::kCenter, ITextVAlign::kMiddle, "-12 dB Qy");
  IRenderer src;
  src.SetFrameSize(4, 3);
  src.FillRect(IColor(255, 250, 20, 90), IRect(0, 0, 2, 3));
  src.FillRect(IColor(90, 10, 220, 180), IRect(1.5f, 0.5f, 4, 3));
  const IBitmap bmp(src.Frame(), 1, 1, "pattern");
  r.DrawBitmap(bmp, IRect(30.3f, 14.2f, 50.9f, 23.7f), 0, 0.8f);
  EXPECT_EQ(rtest::Hash(r.Frame()), 10708801064845290203ull);
}

} // namespace
