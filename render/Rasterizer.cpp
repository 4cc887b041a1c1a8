#include "render/Rasterizer.h"

#include <algorithm>
#include <cmath>

#include "render/RenderMath.h"

namespace plugfw::ui::detail {

namespace {

constexpr int kShift = 8; // 1/256 pixel
constexpr int32_t kOne = 1 << kShift;
constexpr int64_t kFullArea = int64_t(kOne) * kOne * 2; // doubled area of a full pixel

inline uint8_t CoverageFromArea(int64_t v, IFillRule rule)
{
  if (v < 0)
    v = -v;
  if (rule == IFillRule::kEvenOdd)
  {
    v &= (2 * kFullArea - 1);
    if (v > kFullArea)
      v = 2 * kFullArea - v;
  }
  else if (v > kFullArea)
  {
    v = kFullArea;
  }
  return static_cast<uint8_t>((v * 255 + kFullArea / 2) / kFullArea);
}

inline int32_t ToFixed(double v)
{
  return static_cast<int32_t>(std::floor(v * kOne + 0.5));
}

} // namespace

PixelRect PixelRect::Intersect(const PixelRect& o) const
{
  PixelRect r{std::max(x0, o.x0), std::max(y0, o.y0), std::min(x1, o.x1), std::min(y1, o.y1)};
  if (r.Empty())
    return PixelRect{};
  return r;
}

void Rasterizer::Reset(const PixelRect& clip)
{
  mClip = clip.Empty() ? PixelRect{} : clip;
  mCells.clear();
  mCurValid = false;
  mCurCover = 0;
  mCurArea = 0;
}

void Rasterizer::AddPolygon(const float* xy, int n)
{
  if (n < 3)
    return;
  for (int i = 0; i < n; ++i)
  {
    const int j = (i + 1 == n) ? 0 : i + 1;
    AddLine(xy[2 * i], xy[2 * i + 1], xy[2 * j], xy[2 * j + 1]);
  }
}

void Rasterizer::AddLine(float fx1, float fy1, float fx2, float fy2)
{
  if (mClip.Empty())
    return;
  if (!Finite(fx1) || !Finite(fy1) || !Finite(fx2) || !Finite(fy2))
    return;
  double x1 = fx1, y1 = fy1, x2 = fx2, y2 = fy2;
  if (y1 == y2)
    return; // horizontal edges change no winding
  const double top = mClip.y0, bottom = mClip.y1;
  if (std::max(y1, y2) <= top || std::min(y1, y2) >= bottom)
    return;
  // Cut the parts above and below the clip: rows outside it are never drawn.
  auto cutY = [&](double& xa, double& ya, double xb, double yb, double yc) {
    xa = xa + (xb - xa) * ((yc - ya) / (yb - ya));
    ya = yc;
  };
  if (y1 < top)
    cutY(x1, y1, x2, y2, top);
  if (y2 < top)
    cutY(x2, y2, x1, y1, top);
  if (y1 > bottom)
    cutY(x1, y1, x2, y2, bottom);
  if (y2 > bottom)
    cutY(x2, y2, x1, y1, bottom);
  AddClippedX(x1, y1, x2, y2);
}

void Rasterizer::AddClippedX(double x1, double y1, double x2, double y2)
{
  const double left = mClip.x0, right = mClip.x1;
  // Pixels right of the clip are never drawn and edges there do not affect the winding of
  // pixels to their left: drop them. Edges left of the clip still set the winding of every pixel
  // to their right, so they are moved onto the clip's left side as vertical edges.
  if (x1 >= right && x2 >= right)
    return;
  if (x1 >= left && x2 >= left && x1 <= right && x2 <= right)
  {
    AddFixed(x1, y1, x2, y2);
    return;
  }
  double ts[4] = {0.0, 1.0, 1.0, 1.0};
  int nt = 1;
  const double dx = x2 - x1;
  if (dx != 0.0)
  {
    const double tl = (left - x1) / dx, tr = (right - x1) / dx;
    if (tl > 0.0 && tl < 1.0)
      ts[nt++] = tl;
    if (tr > 0.0 && tr < 1.0)
      ts[nt++] = tr;
  }
  ts[nt++] = 1.0;
  std::sort(ts, ts + nt);
  const double dy = y2 - y1;
  for (int i = 0; i + 1 < nt; ++i)
  {
    const double ta = ts[i], tb = ts[i + 1];
    if (tb <= ta)
      continue;
    const double xa = (ta == 0.0) ? x1 : x1 + dx * ta;
    const double ya = (ta == 0.0) ? y1 : y1 + dy * ta;
    const double xb = (tb == 1.0) ? x2 : x1 + dx * tb;
    const double yb = (tb == 1.0) ? y2 : y1 + dy * tb;
    const double xm = 0.5 * (xa + xb);
    if (xm >= right)
      continue;
    if (xm <= left)
    {
      AddFixed(left, ya, left, yb);
    }
    else
    {
      AddFixed(Clamp(xa, left, right), ya, Clamp(xb, left, right), yb);
    }
  }
}

void Rasterizer::AddFixed(double x1, double y1, double x2, double y2)
{
  const double top = mClip.y0, bottom = mClip.y1;
  RenderLine(ToFixed(x1), ToFixed(Clamp(y1, top, bottom)), ToFixed(x2),
             ToFixed(Clamp(y2, top, bottom)));
}

void Rasterizer::RenderLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
  if (y1 == y2)
    return;
  const int64_t dx = int64_t(x2) - x1, dy = int64_t(y2) - y1;
  const int32_t ymin = std::min(y1, y2), ymax = std::max(y1, y2);
  const int rowFirst = ymin >> kShift, rowLast = (ymax - 1) >> kShift;
  auto xAt = [&](int32_t y) -> int32_t {
    if (y == y1)
      return x1;
    if (y == y2)
      return x2;
    return static_cast<int32_t>(x1 + dx * (int64_t(y) - y1) / dy);
  };
  for (int row = rowFirst; row <= rowLast; ++row)
  {
    const int32_t top = row << kShift, bottom = top + kOne;
    const int32_t ya = Clamp(y1, top, bottom), yb = Clamp(y2, top, bottom);
    if (ya == yb)
      continue;
    RenderRow(row, xAt(ya), ya - top, xAt(yb), yb - top);
  }
}

void Rasterizer::RenderRow(int row, int32_t xa, int32_t ya, int32_t xb, int32_t yb)
{
  const int cxa = xa >> kShift, cxb = xb >> kShift;
  if (cxa == cxb)
  {
    const int32_t base = cxa << kShift;
    const int64_t cover = yb - ya;
    AddCell(cxa, row, cover, (int64_t(xa - base) + (xb - base)) * cover);
    return;
  }
  const int64_t dxr = int64_t(xb) - xa, dyr = int64_t(yb) - ya;
  auto yAt = [&](int32_t x) -> int64_t {
    if (x == xa)
      return ya;
    if (x == xb)
      return yb;
    return ya + dyr * (int64_t(x) - xa) / dxr;
  };
  const int step = cxb > cxa ? 1 : -1;
  for (int c = cxa;; c += step)
  {
    const int32_t left = c << kShift, right = left + kOne;
    const int32_t pa = Clamp(xa, left, right), pb = Clamp(xb, left, right);
    if (pa != pb)
    {
      const int64_t cover = yAt(pb) - yAt(pa);
      AddCell(c, row, cover, (int64_t(pa - left) + (pb - left)) * cover);
    }
    if (c == cxb)
      break;
  }
}

void Rasterizer::AddCell(int x, int y, int64_t cover, int64_t area)
{
  if (mCurValid && x == mCurX && y == mCurY)
  {
    mCurCover += cover;
    mCurArea += area;
    return;
  }
  FlushCell();
  mCurValid = true;
  mCurX = x;
  mCurY = y;
  mCurCover = cover;
  mCurArea = area;
}

void Rasterizer::FlushCell()
{
  if (mCurValid && (mCurCover != 0 || mCurArea != 0))
  {
    mCells.push_back(
        Cell{(uint64_t(uint32_t(mCurY)) << 32) | uint32_t(mCurX), mCurCover, mCurArea});
  }
  mCurValid = false;
}

void Rasterizer::Sweep(IFillRule rule, SpanSink& sink)
{
  FlushCell();
  if (mCells.empty())
    return;
  std::sort(mCells.begin(), mCells.end(),
            [](const Cell& a, const Cell& b) { return a.key < b.key; });
  const size_t n = mCells.size();
  size_t i = 0;
  if (mRowCov.size() < size_t(mClip.x1 - mClip.x0) + 1)
    mRowCov.resize(size_t(mClip.x1 - mClip.x0) + 1);
  while (i < n)
  {
    const uint64_t rowKey = mCells[i].key >> 32;
    const int row = static_cast<int>(rowKey);
    int64_t winding = 0;
    int x = mClip.x0;
    int runStart = 0, runLen = 0;
    bool done = false;
    auto flushRun = [&]() {
      if (runLen > 0)
        sink.Cover(row, runStart, runLen, mRowCov.data());
      runLen = 0;
    };
    while (i < n && (mCells[i].key >> 32) == rowKey)
    {
      const uint64_t key = mCells[i].key;
      int64_t cover = mCells[i].cover, area = mCells[i].area;
      ++i;
      while (i < n && mCells[i].key == key)
      {
        cover += mCells[i].cover;
        area += mCells[i].area;
        ++i;
      }
      if (done)
        continue;
      const int cx = static_cast<int>(uint32_t(key));
      if (cx >= mClip.x1)
      {
        done = true;
        continue;
      }
      if (cx > x)
      {
        flushRun();
        if (winding != 0)
        {
          const uint8_t cov = CoverageFromArea(winding * kOne * 2, rule);
          if (cov)
            sink.Span(row, x, cx - x, cov);
        }
      }
      if (runLen == 0)
        runStart = cx;
      mRowCov[size_t(runLen++)] = CoverageFromArea((winding + cover) * kOne * 2 - area, rule);
      winding += cover;
      x = cx + 1;
    }
    flushRun();
    if (!done && winding != 0 && x < mClip.x1)
    {
      const uint8_t cov = CoverageFromArea(winding * kOne * 2, rule);
      if (cov)
        sink.Span(row, x, mClip.x1 - x, cov);
    }
  }
}

} // namespace plugfw::ui::detail
