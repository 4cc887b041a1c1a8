#pragma once
// Helpers for reading back what the renderer drew.

#include <cstdint>

#include "render/IRenderer.h"

namespace rtest {

struct Px
{
  int r, g, b, a; // premultiplied, as stored
};

inline Px At(const plugfw::ui::IRenderer& r, int x, int y)
{
  const uint8_t* p = r.Frame().Row(y) + static_cast<size_t>(x) * 4;
  return Px{p[0], p[1], p[2], p[3]};
}

inline int Alpha(const plugfw::ui::IRenderer& r, int x, int y)
{
  return At(r, x, y).a;
}

// Sum of alpha over the frame, in pixels (255 = one full pixel).
inline double CoveredArea(const plugfw::ui::IRenderer& r)
{
  double sum = 0;
  const auto& f = r.Frame();
  for (int y = 0; y < f.Height(); ++y)
    for (int x = 0; x < f.Width(); ++x)
      sum += f.Row(y)[x * 4 + 3];
  return sum / 255.0;
}

// Ink bounding box: pixels with alpha above the threshold. Returns false when there is none.
inline bool InkBox(const plugfw::ui::IRenderer& r, int& x0, int& y0, int& x1, int& y1,
                   int threshold = 0)
{
  const auto& f = r.Frame();
  x0 = y0 = 1 << 30;
  x1 = y1 = -1;
  for (int y = 0; y < f.Height(); ++y)
    for (int x = 0; x < f.Width(); ++x)
      if (f.Row(y)[x * 4 + 3] > threshold)
      {
        if (x < x0)
          x0 = x;
        if (y < y0)
          y0 = y;
        if (x > x1)
          x1 = x;
        if (y > y1)
          y1 = y;
      }
  return x1 >= 0;
}

inline uint64_t Hash(const plugfw::ui::IPixmap& p)
{
  uint64_t h = 1469598103934665603ull;
  for (int y = 0; y < p.Height(); ++y)
    for (size_t i = 0; i < p.Stride(); ++i)
    {
      h ^= p.Row(y)[i];
      h *= 1099511628211ull;
    }
  return h;
}

} // namespace rtest
