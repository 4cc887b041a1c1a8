#include "graphics/IDirtyPixels.h"

#include <algorithm>
#include <cmath>

namespace plugfw::ui {

namespace {

IPixelRect Bounds(const IPixelRect& a, const IPixelRect& b)
{
  const int l = std::min(a.x, b.x), t = std::min(a.y, b.y);
  const int r = std::max(a.Right(), b.Right()), btm = std::max(a.Bottom(), b.Bottom());
  return IPixelRect{l, t, r - l, btm - t};
}

// A coordinate in pixels, clamped to [0, limit] before it becomes an integer.
int ClampedPixel(float v, int limit)
{
  if (!(v > 0.f))
    return 0;
  if (v >= static_cast<float>(limit))
    return limit;
  return static_cast<int>(v);
}

} // namespace

void MergePixelRects(std::vector<IPixelRect>& rects)
{
  bool merged = true;
  while (merged)
  {
    merged = false;
    for (size_t i = 0; i < rects.size() && !merged; ++i)
    {
      for (size_t j = i + 1; j < rects.size(); ++j)
      {
        const IPixelRect u = Bounds(rects[i], rects[j]);
        if (u.Area() <= rects[i].Area() + rects[j].Area())
        {
          rects[i] = u;
          rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(j));
          merged = true;
          break;
        }
      }
    }
  }
}

std::vector<IPixelRect> DirtyPixelRects(const IRectList& logical, float totalScale, int pixelW,
                                        int pixelH)
{
  std::vector<IPixelRect> out;
  if (pixelW <= 0 || pixelH <= 0 || !(totalScale > 0.f) || !std::isfinite(totalScale))
    return out;
  for (const IRect& r : logical)
  {
    if (!std::isfinite(r.L) || !std::isfinite(r.T) || !std::isfinite(r.R) || !std::isfinite(r.B))
      continue;
    const int l = ClampedPixel(std::floor(r.L * totalScale), pixelW);
    const int t = ClampedPixel(std::floor(r.T * totalScale), pixelH);
    const int rr = ClampedPixel(std::ceil(r.R * totalScale), pixelW);
    const int b = ClampedPixel(std::ceil(r.B * totalScale), pixelH);
    if (rr > l && b > t)
      out.push_back(IPixelRect{l, t, rr - l, b - t});
  }
  MergePixelRects(out);
  if (static_cast<int>(out.size()) > kMaxPresentRects)
  {
    IPixelRect all = out.front();
    for (const IPixelRect& r : out)
      all = Bounds(all, r);
    out.assign(1, all);
  }
  return out;
}

IRect LogicalRectFromPixels(const IPixelRect& r, float totalScale)
{
  const float s = (totalScale > 0.f && std::isfinite(totalScale)) ? totalScale : 1.f;
  return IRect(static_cast<float>(r.x) / s, static_cast<float>(r.y) / s,
               static_cast<float>(r.Right()) / s, static_cast<float>(r.Bottom()) / s);
}

} // namespace plugfw::ui
