#include "graphics/IOverlayPictures.h"

#include "graphics/IGraphicsTypes.h"
#include "resources/QuellorResources.h"

#include <algorithm>

namespace plugfw::ui {

std::unique_ptr<IRenderer> MakeOverlayRenderer(float screenScale)
{
  auto r = std::make_unique<IRenderer>();
  const uint8_t* data = nullptr;
  size_t size = 0;
  if (FindQuellorResource("Roboto-Regular.ttf", data, size))
    r->LoadFont(DEFAULT_FONT, data, size);
  r->SetScale(1.f, screenScale);
  return r;
}

void DrawTooltipPicture(IRenderer& r, const std::string& text)
{
  constexpr float kPad = 6.f, kSize = 13.f;
  const float w = std::min(kTooltipMaxWidth, r.MeasureText(DEFAULT_FONT, kSize, text) + 2.f * kPad);
  const float h = kTooltipHeight;
  r.SetLogicalSize(w, h);
  r.BeginFrame(IRect(0.f, 0.f, w, h));
  r.FillRect(IColor(255, 250, 246, 220), IRect(0.f, 0.f, w, h));
  r.DrawText(DEFAULT_FONT, kSize, IColor(255, 20, 20, 20), IRect(kPad, 0.f, w - kPad, h),
             ITextAlign::kNear, ITextVAlign::kMiddle, text);
  r.EndFrame();
}

} // namespace plugfw::ui
