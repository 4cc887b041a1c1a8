#include "graphics/IDirtyPixels.h"

#include <gtest/gtest.h>

#include <limits>

using namespace plugfw::ui;

TEST(DirtyPixels, ScaledOutwardAndClippedToTheWindow)
{
  // 1.5 = draw scale 0.75 x screen scale 2: edges off the pixel grid grow outward.
  auto px = DirtyPixelRects({IRect(10.2f, 3.f, 20.1f, 7.5f)}, 1.5f, 1110, 1089);
  ASSERT_EQ(px.size(), 1u);
  EXPECT_EQ(px[0], (IPixelRect{15, 4, 16, 8})); // 15.3 -> 15, 4.5 -> 4, 30.15 -> 31, 11.25 -> 12

  px = DirtyPixelRects({IRect(-5.f, -5.f, 10.f, 10.f), IRect(730.f, 700.f, 800.f, 900.f)}, 1.f, 740,
                       726);
  ASSERT_EQ(px.size(), 2u);
  EXPECT_EQ(px[0], (IPixelRect{0, 0, 10, 10}));
  EXPECT_EQ(px[1], (IPixelRect{730, 700, 10, 26}));
}

TEST(DirtyPixels, UnusableInputGivesNothing)
{
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const IRectList rects = {IRect(nan, 0.f, 10.f, 10.f), IRect(0.f, 0.f, inf, 10.f),
                           IRect(10.f, 10.f, 5.f, 20.f), IRect(800.f, 0.f, 900.f, 10.f),
                           IRect(3.f, 3.f, 3.f, 9.f)};
  EXPECT_TRUE(DirtyPixelRects(rects, 1.f, 740, 726).empty());
  EXPECT_TRUE(DirtyPixelRects({IRect(0.f, 0.f, 10.f, 10.f)}, 0.f, 740, 726).empty());
  EXPECT_TRUE(DirtyPixelRects({IRect(0.f, 0.f, 10.f, 10.f)}, nan, 740, 726).empty());
  EXPECT_TRUE(DirtyPixelRects({IRect(0.f, 0.f, 10.f, 10.f)}, 1.f, 0, 726).empty());
  // Huge but finite coordinates clip instead of overflowing the integer conversion.
  auto px = DirtyPixelRects({IRect(-1e30f, -1e30f, 1e30f, 1e30f)}, 2.f, 100, 50);
  ASSERT_EQ(px.size(), 1u);
  EXPECT_EQ(px[0], (IPixelRect{0, 0, 100, 50}));
}

TEST(DirtyPixels, MergesOnlyWhereItSavesWork)
{
  // Contained, side by side along a full edge, and heavily overlapping: one rectangle each.
  auto px = DirtyPixelRects({IRect(0.f, 0.f, 100.f, 100.f), IRect(10.f, 10.f, 20.f, 20.f)}, 1.f,
                            740, 726);
  ASSERT_EQ(px.size(), 1u);
  EXPECT_EQ(px[0], (IPixelRect{0, 0, 100, 100}));
  px = DirtyPixelRects({IRect(0.f, 0.f, 50.f, 20.f), IRect(50.f, 0.f, 90.f, 20.f)}, 1.f, 740, 726);
  ASSERT_EQ(px.size(), 1u);
  EXPECT_EQ(px[0], (IPixelRect{0, 0, 90, 20}));
  // Two small corners far apart stay two (their bounding box would redraw the whole window).
  px = DirtyPixelRects({IRect(0.f, 0.f, 10.f, 10.f), IRect(700.f, 700.f, 710.f, 710.f)}, 1.f, 740,
                       726);
  EXPECT_EQ(px.size(), 2u);
  // A chain: the third merges with the union of the first two.
  px = DirtyPixelRects(
      {IRect(0.f, 0.f, 10.f, 10.f), IRect(20.f, 0.f, 30.f, 10.f), IRect(10.f, 0.f, 20.f, 10.f)},
      1.f, 740, 726);
  ASSERT_EQ(px.size(), 1u);
  EXPECT_EQ(px[0], (IPixelRect{0, 0, 30, 10}));
}

TEST(DirtyPixels, TooManyRectanglesBecomeTheirBoundingBox)
{
  IRectList rects;
  for (int i = 0; i < kMaxPresentRects + 1; ++i)
  {
    const float x = static_cast<float>((i % 10) * 70), y = static_cast<float>((i / 10) * 70);
    rects.push_back(IRect(x, y, x + 2.f, y + 2.f));
  }
  const auto px = DirtyPixelRects(rects, 1.f, 740, 726);
  ASSERT_EQ(px.size(), 1u);
  EXPECT_EQ(px[0], (IPixelRect{0, 0, 632, 422}));
}

TEST(DirtyPixels, PixelsBackToLogical)
{
  const IRect r = LogicalRectFromPixels(IPixelRect{15, 4, 16, 8}, 2.f);
  EXPECT_FLOAT_EQ(r.L, 7.5f);
  EXPECT_FLOAT_EQ(r.T, 2.f);
  EXPECT_FLOAT_EQ(r.R, 15.5f);
  EXPECT_FLOAT_EQ(r.B, 6.f);
  const IRect same = LogicalRectFromPixels(IPixelRect{1, 2, 3, 4}, -1.f);
  EXPECT_FLOAT_EQ(same.R, 4.f);
  EXPECT_FLOAT_EQ(same.B, 6.f);
}
