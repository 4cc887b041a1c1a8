#include "graphics/IGraphicsTypes.h"
#include "graphics/IOverlayPictures.h"

#include <gtest/gtest.h>

#include <string>

using namespace plugfw::ui;

namespace {

// Pixels clearly darker than the tooltip's background: the text.
int DarkPixels(const IPixmap& p)
{
  int n = 0;
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x)
      n += p.Row(y)[4 * x] < 128 ? 1 : 0;
  return n;
}

} // namespace

// The tooltip is as wide as its text plus padding, never wider than the limit, one line high, on
// its light background with the text in dark pixels; at screen scale 2 it has twice the pixels.
TEST(TooltipPicture, FitsItsTextUpToTheLimit)
{
  std::unique_ptr<IRenderer> r = MakeOverlayRenderer(1.f);
  const std::string text = "Freeze the current notches.";
  DrawTooltipPicture(*r, text);
  const IPixmap& p = r->Frame();
  const float expected = r->MeasureText(DEFAULT_FONT, 13.f, text) + 12.f;
  EXPECT_NEAR(p.Width(), expected, 1.0);
  EXPECT_EQ(p.Height(), static_cast<int>(kTooltipHeight));
  const uint8_t* corner = p.Row(0);
  EXPECT_EQ(corner[0], 250);
  EXPECT_EQ(corner[1], 246);
  EXPECT_EQ(corner[2], 220);
  const int dark = DarkPixels(p);
  EXPECT_GT(dark, 50);
  const int width = p.Width(); // the frame is redrawn below

  DrawTooltipPicture(*r, std::string(400, 'W'));
  EXPECT_EQ(r->Frame().Width(), static_cast<int>(kTooltipMaxWidth));

  DrawTooltipPicture(*r, "");
  EXPECT_EQ(DarkPixels(r->Frame()), 0);

  std::unique_ptr<IRenderer> r2 = MakeOverlayRenderer(2.f);
  DrawTooltipPicture(*r2, text);
  EXPECT_NEAR(r2->Frame().Width(), 2 * width, 2.0);
  EXPECT_EQ(r2->Frame().Height(), 2 * static_cast<int>(kTooltipHeight));
  EXPECT_GT(DarkPixels(r2->Frame()), 3 * dark);
}
