// The stock vector controls draw from their style: states look different,
// disabled controls are visibly faded, and text lands inside its rectangle.

#include "GraphicsTestSupport.h"

#include <gtest/gtest.h>

using namespace gtest_support;

namespace {

// Sum of absolute channel differences between two frames over a rectangle.
long FrameDiff(const IPixmap& a, const IPixmap& b, int l, int t, int r, int bt)
{
  long d = 0;
  for (int y = t; y < bt; ++y)
    for (int x = l; x < r; ++x)
      for (int c = 0; c < 4; ++c)
        d += std::abs(a.Row(y)[x * 4 + c] - b.Row(y)[x * 4 + c]);
  return d;
}

IPixmap Render(ICanvasHeadless& g)
{
  g.DrawAll();
  return g.GetFrame();
}

} // namespace

TEST(VectorDraw, StatesAndDisabledAreVisiblyDifferent)
{
  Rig r(200, 120);
  ASSERT_TRUE(r.g.LoadFont("Roboto-Regular", "Roboto-Regular.ttf"));
  r.g.AttachPanelBackground(IColor(255, 38, 45, 56));
  auto* sl = r.g.AttachControl(new IVectorSliderControl(
      IRect(10, 10, 190, 50), 0, "Cut", DEFAULT_STYLE, EDirection::Horizontal, 12.f, 4.f));
  auto* tg = r.g.AttachControl(new IVectorToggleControl(IRect(10, 60, 40, 90), 3, nullptr, "",
                                                        DEFAULT_STYLE.WithShowValue(false)));
  r.g.SetParamValueFromDelegate(0, 0.2);
  const IPixmap base = Render(r.g);

  r.g.SetParamValueFromDelegate(0, 0.8);
  const IPixmap moved = Render(r.g);
  EXPECT_GT(FrameDiff(base, moved, 10, 10, 190, 50), 10000);
  EXPECT_EQ(FrameDiff(base, moved, 10, 60, 40, 90), 0); // the toggle did not change

  r.g.SetParamValueFromDelegate(3, 1.0);
  const IPixmap on = Render(r.g);
  EXPECT_GT(FrameDiff(moved, on, 10, 60, 40, 90), 5000);

  sl->SetDisabled(true);
  tg->SetDisabled(true);
  const IPixmap disabled = Render(r.g);
  EXPECT_GT(FrameDiff(on, disabled, 10, 10, 190, 50), 10000);
  EXPECT_GT(FrameDiff(on, disabled, 10, 60, 40, 90), 5000);
  // The label text (top band of the slider) was drawn in the enabled frame.
  EXPECT_GT(FrameDiff(base, Render(r.g), 10, 10, 190, 28), 0);
}

TEST(VectorDraw, HoverAndPressChangeTheButton)
{
  Rig r(120, 60);
  r.g.LoadFont("Roboto-Regular", "Roboto-Regular.ttf");
  r.g.EnableMouseOver(true);
  r.g.AttachPanelBackground(IColor(255, 20, 20, 20));
  r.g.AttachControl(new IVectorButtonControl(IRect(10, 10, 110, 50), "Reset"));
  const IPixmap idle = Render(r.g);
  r.g.MoveTo(60, 30);
  const IPixmap hover = Render(r.g);
  EXPECT_GT(FrameDiff(idle, hover, 10, 10, 110, 50), 1000);
  r.g.Press(60, 30);
  const IPixmap pressed = Render(r.g);
  EXPECT_GT(FrameDiff(hover, pressed, 10, 10, 110, 50), 1000);
  r.g.Release(60, 30);
}
