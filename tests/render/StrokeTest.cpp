// Strokes: width, caps, joins, miter limit, keeping the path, outlines of the shape helpers.

#include <gtest/gtest.h>

#include "tests/render/RenderTestUtil.h"

using namespace plugfw::ui;
using rtest::Alpha;

namespace {

const IColor kWhite(255, 255, 255, 255);

TEST(RasterStroke, HorizontalLineCoversItsWidthExactly)
{
  IRenderer r;
  r.SetFrameSize(30, 20);
  r.DrawLine(kWhite, 5, 10, 15, 10, 1.f, 2.f); // rows 9 and 10, columns 5..14
  for (int x = 0; x < 30; ++x)
  {
    const bool in = x >= 5 && x < 15;
    EXPECT_EQ(Alpha(r, x, 9), in ? 255 : 0) << x;
    EXPECT_EQ(Alpha(r, x, 10), in ? 255 : 0) << x;
    EXPECT_EQ(Alpha(r, x, 8), 0);
    EXPECT_EQ(Alpha(r, x, 11), 0);
  }
  // A 1-unit line on a pixel boundary shares its coverage between two rows.
  IRenderer h;
  h.SetFrameSize(30, 20);
  h.DrawLine(kWhite, 5, 10, 15, 10);
  EXPECT_NEAR(Alpha(h, 8, 9), 128, 1);
  EXPECT_NEAR(Alpha(h, 8, 10), 128, 1);
  EXPECT_NEAR(rtest::CoveredArea(h), 10.0, 0.05);
}

TEST(RasterStroke, CapsExtendTheEnds)
{
  auto draw = [](ILineCap cap) {
    IRenderer r;
    r.SetFrameSize(40, 20);
    r.PathMoveTo(10, 10);
    r.PathLineTo(30, 10);
    IStrokeOptions o;
    o.cap = cap;
    r.PathStroke(kWhite, 4.f, o);
    return rtest::CoveredArea(r);
  };
  EXPECT_NEAR(draw(ILineCap::kButt), 80.0, 0.1);
  EXPECT_NEAR(draw(ILineCap::kSquare), 96.0, 0.1);
  EXPECT_NEAR(draw(ILineCap::kRound), 80.0 + 3.14159265 * 4.0, 0.3);
}

TEST(RasterStroke, MiterLimitTurnsSharpCornersIntoBevels)
{
  // A narrow V: the miter tip reaches far beyond the vertex.
  auto tipCovered = [](float limit, ILineJoin join) {
    IRenderer r;
    r.SetFrameSize(60, 60);
    r.PathMoveTo(10, 50);
    r.PathLineTo(30, 10);
    r.PathLineTo(50, 50);
    IStrokeOptions o;
    o.join = join;
    o.miterLimit = limit;
    r.PathStroke(kWhite, 6.f, o);
    return Alpha(r, 30, 6); // above the vertex: only a miter reaches it
  };
  EXPECT_EQ(tipCovered(10.f, ILineJoin::kMiter), 255);
  EXPECT_EQ(tipCovered(2.f, ILineJoin::kMiter), 0);
  EXPECT_EQ(tipCovered(10.f, ILineJoin::kBevel), 0);
  EXPECT_EQ(tipCovered(10.f, ILineJoin::kRound), 0);
}

TEST(RasterStroke, JoinsLeaveNoGapsOrSeams)
{
  // A closed square outline 2 wide: its area is exactly outer minus inner square.
  for (ILineJoin join : {ILineJoin::kMiter, ILineJoin::kBevel, ILineJoin::kRound})
  {
    IRenderer r;
    r.SetFrameSize(40, 40);
    r.PathRect(IRect(10, 10, 30, 30));
    IStrokeOptions o;
    o.join = join;
    r.PathStroke(kWhite, 2.f, o);
    const double outer = join == ILineJoin::kMiter   ? 22.0 * 22.0
                         : join == ILineJoin::kBevel ? 22.0 * 22.0 - 4 * 0.5
                                                     : 22.0 * 22.0 - 4 * (1.0 - 3.14159265 / 4);
    EXPECT_NEAR(rtest::CoveredArea(r), outer - 18.0 * 18.0, 0.3) << static_cast<int>(join);
    EXPECT_EQ(Alpha(r, 20, 10), 255);
    EXPECT_EQ(Alpha(r, 20, 20), 0);
  }
  // A dense polyline (like a spectrum curve) is as solid as one straight line of the same width.
  IRenderer poly;
  poly.SetFrameSize(120, 20);
  poly.PathMoveTo(10, 10);
  for (int i = 1; i <= 100; ++i)
    poly.PathLineTo(10.f + static_cast<float>(i), 10.f + ((i % 2) ? 0.02f : -0.02f));
  poly.PathStroke(kWhite, 1.5f);
  EXPECT_NEAR(rtest::CoveredArea(poly), 150.0, 1.5);
  for (int x = 12; x < 108; ++x)
    EXPECT_GE(Alpha(poly, x, 9) + Alpha(poly, x, 10), 254 + 127) << x;
}

TEST(RasterStroke, ThickStrokesOnSmallShapesFillTheirInside)
{
  // When the half width exceeds the inradius, the inside offset vanishes: no hole may remain.
  for (float width : {6.f, 8.f, 12.f})
  {
    IRenderer r;
    r.SetFrameSize(60, 60);
    r.PathMoveTo(25, 35);
    r.PathLineTo(35, 35);
    r.PathLineTo(30, 35 - 8.66f);
    r.PathClose();
    r.PathStroke(kWhite, width);
    EXPECT_EQ(Alpha(r, 30, 32), 255) << width;
  }
  IRenderer t;
  t.SetFrameSize(60, 60);
  t.PathMoveTo(25, 35);
  t.PathLineTo(35, 35);
  t.PathLineTo(30, 35 - 8.66f);
  t.PathClose();
  t.PathStroke(kWhite, 3.f); // thin enough to leave the middle open
  EXPECT_EQ(Alpha(t, 30, 32), 0);

  IRenderer r;
  r.SetFrameSize(60, 60);
  r.DrawRect(kWhite, IRect(25, 25, 35, 35), 1.f, 30.f);
  EXPECT_NEAR(rtest::CoveredArea(r), 40.0 * 40.0, 0.01);
  IRenderer c;
  c.SetFrameSize(60, 60);
  c.DrawCircle(kWhite, 30, 30, 5, 1.f, 20.f);
  EXPECT_EQ(Alpha(c, 30, 30), 255);
  EXPECT_NEAR(rtest::CoveredArea(c), 3.14159265 * 225, 7.0);
}

TEST(RasterStroke, PreserveKeepsThePathForAFill)
{
  IRenderer r;
  r.SetFrameSize(30, 30);
  r.PathMoveTo(5, 5);
  r.PathLineTo(25, 5);
  r.PathLineTo(25, 25);
  IStrokeOptions keep;
  keep.preserve = true;
  r.PathStroke(kWhite, 1.f, keep);
  r.PathLineTo(5, 25);
  r.PathClose();
  r.PathFill(IColor(255, 255, 0, 0));
  EXPECT_EQ(rtest::At(r, 15, 15).r, 255);
  // Without preserve the stroke consumes the path.
  IRenderer s;
  s.SetFrameSize(30, 30);
  s.PathRect(IRect(5, 5, 25, 25));
  s.PathStroke(kWhite, 1.f);
  s.PathFill(IColor(255, 255, 0, 0));
  EXPECT_EQ(rtest::At(s, 15, 15).a, 0);
}

TEST(RasterStroke, CircleAndRoundRectOutlinesAreCentredOnTheGeometry)
{
  IRenderer r;
  r.SetFrameSize(50, 50);
  r.DrawCircle(kWhite, 25, 25, 10, 1.f, 2.f);
  const double ring = 3.14159265 * (11.0 * 11.0 - 9.0 * 9.0);
  EXPECT_NEAR(rtest::CoveredArea(r), ring, ring * 0.01);
  EXPECT_EQ(Alpha(r, 25, 25), 0);
  EXPECT_GE(Alpha(r, 34, 25), 250);

  IRenderer rr;
  rr.SetFrameSize(50, 50);
  rr.DrawRoundRect(kWhite, IRect(10, 10, 40, 30), 3, 1.f, 2.f);
  EXPECT_EQ(Alpha(rr, 25, 10), 255);
  EXPECT_EQ(Alpha(rr, 25, 20), 0);
  EXPECT_EQ(Alpha(rr, 8, 8), 0);
  // Straight parts 2 wide, corners rings of inner radius 2 and outer 4.
  const double expected = 2.0 * 2 * (24 + 14) + 3.14159265 * (16.0 - 4.0);
  EXPECT_NEAR(rtest::CoveredArea(rr), expected, 1.0);
}

TEST(RasterStroke, SinglePointWithRoundCapIsADot)
{
  IRenderer r;
  r.SetFrameSize(20, 20);
  r.PathMoveTo(10, 10);
  r.PathLineTo(10, 10);
  IStrokeOptions o;
  o.cap = ILineCap::kRound;
  r.PathStroke(kWhite, 6.f, o);
  EXPECT_NEAR(rtest::CoveredArea(r), 3.14159265 * 9.0, 0.4);
  IRenderer b;
  b.SetFrameSize(20, 20);
  b.PathMoveTo(10, 10);
  b.PathLineTo(10, 10);
  b.PathStroke(kWhite, 6.f); // butt caps: nothing
  EXPECT_EQ(rtest::CoveredArea(b), 0.0);
}

} // namespace
