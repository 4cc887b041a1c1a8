// Draws the Quellor logo with the project's renderer and writes it as PNG files:
//   quellor-logo <output folder>   ->  Quellor.png (268 x 118) and Quellor@2x.png (536 x 236)
// The logo: a round emblem with a spectrum whose ringing peak is cut by a notch, and the word
// mark beside it.

#include <cstdio>
#include <string>

#include "render/IRenderer.h"
#include "resources/QuellorResources.h"

using namespace plugfw::ui;

namespace {

constexpr float kW = 268.f, kH = 118.f;
const char* const kFont = "Roboto-Regular";

void DrawLogo(IRenderer& r)
{
  r.BeginFrame(IRect(0, 0, kW, kH));
  r.Clear(IColor(0, 0, 0, 0));

  // Emblem disc with a soft radial shade and a cyan rim.
  const float cx = 59.f, cy = 59.f, rad = 52.f;
  r.FillCircle(
      IPattern::Radial(cx, cy - 14.f, rad + 10.f, IColor(255, 44, 54, 70), IColor(255, 18, 22, 29)),
      cx, cy, rad);
  r.DrawCircle(IColor(255, 64, 190, 214), cx, cy, rad - 1.5f, 1.f, 3.f);

  // Spectrum: a low floor with a ringing peak in the middle, already cut by a notch.
  r.PathMoveTo(17.f, 80.f);
  r.PathCubicTo(27.f, 78.f, 31.f, 70.f, 38.f, 72.f);
  r.PathCubicTo(45.f, 74.f, 47.f, 38.f, 52.f, 34.f);
  r.PathLineTo(59.f, 84.f);
  r.PathLineTo(66.f, 34.f);
  r.PathCubicTo(71.f, 38.f, 73.f, 74.f, 80.f, 72.f);
  r.PathCubicTo(87.f, 70.f, 91.f, 78.f, 101.f, 80.f);
  IStrokeOptions keep;
  keep.join = ILineJoin::kRound;
  keep.cap = ILineCap::kRound;
  keep.preserve = true;
  r.PathStroke(IColor(255, 47, 208, 230), 3.f, keep);
  r.PathLineTo(101.f, 92.f);
  r.PathLineTo(17.f, 92.f);
  r.PathClose();
  r.PathFill(
      IPattern::Linear(0, 34.f, 0, 92.f, IColor(150, 23, 176, 196), IColor(10, 23, 176, 196)));

  // The notch handle.
  r.FillCircle(IColor(255, 255, 200, 0), 59.f, 84.f, 6.f);
  r.DrawCircle(IColor(255, 255, 255, 255), 59.f, 84.f, 8.5f, 1.f, 2.f);

  // Word mark, sized to the space beside the emblem.
  const float textL = 122.f, textR = kW - 4.f;
  float size = 54.f;
  const float w = r.MeasureText(kFont, size, "Quellor");
  if (w > textR - textL)
    size *= (textR - textL) / w;
  r.DrawText(kFont, size, IColor(255, 240, 242, 246), IRect(textL, 16.f, textR, 78.f),
             ITextAlign::kNear, ITextVAlign::kMiddle, "Quellor");
  r.FillRect(IColor(255, 255, 200, 0), IRect(textL + 2.f, 82.f, textL + 34.f, 85.f));
  r.DrawText(kFont, 13.f, IColor(255, 64, 190, 214), IRect(textL + 2.f, 88.f, textR, 104.f),
             ITextAlign::kNear, ITextVAlign::kMiddle, "FEEDBACK SUPPRESSOR");
  r.EndFrame();
}

} // namespace

int main(int argc, char** argv)
{
  if (argc != 2)
  {
    std::fprintf(stderr, "usage: quellor-logo <output folder>\n");
    return 2;
  }
  const uint8_t* font = nullptr;
  size_t fontSize = 0;
  if (!FindQuellorResource("Roboto-Regular.ttf", font, fontSize))
  {
    std::fprintf(stderr, "embedded font missing\n");
    return 1;
  }
  const std::string dir = argv[1];
  for (int scale = 1; scale <= 2; ++scale)
  {
    IRenderer r;
    if (!r.LoadFont(kFont, font, fontSize))
      return 1;
    r.SetScale(static_cast<float>(scale), 1.f);
    r.SetLogicalSize(kW, kH);
    DrawLogo(r);
    const std::string path = dir + (scale == 1 ? "/Quellor.png" : "/Quellor@2x.png");
    if (!r.Frame().WritePng(path))
    {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("wrote %s (%d x %d)\n", path.c_str(), r.Frame().Width(), r.Frame().Height());
  }
  return 0;
}
