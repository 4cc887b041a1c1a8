// Path construction: curves and arcs flatten to the right shapes, sub-paths and closing.

#include <gtest/gtest.h>

#include <cmath>

#include "tests/render/RenderTestUtil.h"

using namespace plugfw::ui;
using rtest::Alpha;

namespace {

const IColor kWhite(255, 255, 255, 255);
constexpr double kPi = 3.14159265358979;

TEST(RenderPath, CurvesEncloseTheirAnalyticAreas)
{
  // Quadratic from (10, 30) over (30, -10) to (50, 30): a parabola 20 high over a 40 base.
  IRenderer q;
  q.SetFrameSize(60, 40);
  q.PathMoveTo(10, 30);
  q.PathQuadTo(30, -10, 50, 30);
  q.PathClose();
  q.PathFill(kWhite);
  EXPECT_NEAR(rtest::CoveredArea(q), 2.0 / 3.0 * 40 * 20, 2.5); // flattening keeps within 0.5%

  // Four cubics with the usual 0.5523 handles approximate a circle of radius 20.
  IRenderer c;
  c.SetFrameSize(60, 60);
  const float k = 0.5523f * 20;
  c.PathMoveTo(30, 10);
  c.PathCubicTo(30 + k, 10, 50, 30 - k, 50, 30);
  c.PathCubicTo(50, 30 + k, 30 + k, 50, 30, 50);
  c.PathCubicTo(30 - k, 50, 10, 30 + k, 10, 30);
  c.PathCubicTo(10, 30 - k, 30 - k, 10, 30, 10);
  c.PathFill(kWhite);
  EXPECT_NEAR(rtest::CoveredArea(c), kPi * 400, 6.0);

  // A quarter-circle sector from an arc: 0 degrees is up, angles run clockwise.
  IRenderer a;
  a.SetFrameSize(60, 60);
  a.PathMoveTo(30, 30);
  a.PathArc(30, 30, 25, 0, 90);
  a.PathClose();
  a.PathFill(kWhite);
  EXPECT_NEAR(rtest::CoveredArea(a), kPi * 625 / 4, 2.0);
  EXPECT_EQ(Alpha(a, 40, 20), 255); // upper right quadrant
  EXPECT_EQ(Alpha(a, 20, 20), 0);
  EXPECT_EQ(Alpha(a, 40, 40), 0);
}

TEST(RenderPath, SubPathsAndClosing)
{
  // Two separate squares in one path; a line-to after close starts at the closed start point.
  IRenderer r;
  r.SetFrameSize(40, 20);
  r.PathMoveTo(2, 2);
  r.PathLineTo(10, 2);
  r.PathLineTo(10, 10);
  r.PathLineTo(2, 10);
  r.PathClose();
  r.PathRect(IRect(20, 2, 28, 10));
  r.PathFill(kWhite);
  EXPECT_NEAR(rtest::CoveredArea(r), 128.0, 0.01);

  // Stroking an open path leaves its ends open; a closed one gets the last side.
  auto strokeArea = [](bool close) {
    IRenderer s;
    s.SetFrameSize(40, 40);
    s.PathMoveTo(10, 10);
    s.PathLineTo(30, 10);
    s.PathLineTo(30, 30);
    s.PathLineTo(10, 30);
    if (close)
      s.PathClose();
    s.PathStroke(kWhite, 2.f);
    return rtest::CoveredArea(s);
  };
  // Each corner adds a miter square outside and overlaps by one inside: 3 x 20 x 2 in all.
  EXPECT_NEAR(strokeArea(false), 3 * 20 * 2, 0.3);
  EXPECT_NEAR(strokeArea(true), 22 * 22 - 18 * 18, 0.3);

  // Line-to without a current point acts as move-to: nothing to fill from one point.
  IRenderer m;
  m.SetFrameSize(10, 10);
  m.PathLineTo(5, 5);
  m.PathFill(kWhite);
  EXPECT_EQ(rtest::CoveredArea(m), 0.0);
}

TEST(RenderPath, ExtremeCurvesAreBounded)
{
  IRenderer r;
  r.SetFrameSize(20, 20);
  r.PathMoveTo(0, 0);
  r.PathQuadTo(3e38f, -3e38f, 10, 10);
  r.PathCubicTo(-3e38f, 3e38f, 3e38f, 3e38f, 0, 20);
  r.PathArc(10, 10, 3e38f, 0, 360);
  r.PathStroke(kWhite, 1.f);
  r.PathMoveTo(2, 2);
  r.PathCubicTo(std::nanf(""), 2, 8, 8, 8, 2);
  r.PathFill(kWhite);
  // The renderer is still in a clean state: the path is empty and ordinary drawing is exact.
  r.Clear(IColor(0, 0, 0, 0));
  r.PathFill(kWhite);
  EXPECT_EQ(rtest::CoveredArea(r), 0.0);
  r.FillRect(kWhite, IRect(5, 5, 10, 10));
  EXPECT_NEAR(rtest::CoveredArea(r), 25.0, 1e-9);
}

TEST(RenderPath, FrameResizeKeepsTheOverlap)
{
  IRenderer r;
  r.SetFrameSize(10, 10);
  r.FillRect(IColor(255, 9, 8, 7), IRect(0, 0, 10, 10));
  r.SetFrameSize(20, 5);
  EXPECT_EQ(rtest::At(r, 9, 4).r, 9);
  EXPECT_EQ(rtest::At(r, 15, 2).a, 0);
  // Drawing after the resize covers the new area.
  r.FillRect(kWhite, IRect(0, 0, 20, 5));
  EXPECT_EQ(Alpha(r, 19, 4), 255);
}

} // namespace
