#include "render/Path.h"

#include <algorithm>
#include <cmath>

#include "render/RenderMath.h"

namespace plugfw::ui::detail {

namespace {
constexpr float kTolerance = 0.05f; // device pixels of flattening error
constexpr int kMaxCurveSegments = 1024;
// Radius factor that gives a regular polygon with this angular step the area of its circle:
// n/2 r'^2 sin(step) = n/2 r^2 step.
double AreaKeepingFactor(double step)
{
  if (!(step > 1e-9))
    return 1.0;
  double s, c;
  DetSinCos(step, s, c);
  return s > 0.0 ? std::sqrt(step / s) : 1.0;
}

} // namespace

void Path::SetScale(float scale)
{
  mScale = (scale > 0.f && Finite(scale)) ? scale : 1.f;
}

void Path::Clear()
{
  mXY.clear();
  mSubs.clear();
  mHasCurrent = false;
  mNeedNewSub = true;
}

void Path::Push(float x, float y)
{
  if (mNeedNewSub)
  {
    mSubs.push_back(Sub{static_cast<uint32_t>(mXY.size() / 2), 0, false});
    mNeedNewSub = false;
    mStartX = x;
    mStartY = y;
  }
  else if (mSubs.back().count > 0)
  {
    const size_t n = mXY.size();
    if (mXY[n - 2] == x && mXY[n - 1] == y)
      return; // skip repeated points
  }
  mXY.push_back(x);
  mXY.push_back(y);
  mSubs.back().count++;
  mCurX = x;
  mCurY = y;
  mHasCurrent = true;
}

void Path::MoveTo(float x, float y)
{
  mNeedNewSub = true;
  Push(x, y);
}

void Path::LineTo(float x, float y)
{
  if (!mHasCurrent)
  {
    MoveTo(x, y);
    return;
  }
  if (mNeedNewSub)
    Push(mCurX, mCurY); // after a close: continue from the closed start
  Push(x, y);
}

void Path::QuadTo(float cx, float cy, float x, float y)
{
  if (!mHasCurrent)
    MoveTo(cx, cy);
  const float x0 = mCurX, y0 = mCurY;
  const double ddx = (double(x0) - 2.0 * cx + x) * mScale,
               ddy = (double(y0) - 2.0 * cy + y) * mScale;
  const double err = 0.25 * std::sqrt(ddx * ddx + ddy * ddy);
  int n = 1;
  if (std::isfinite(err) && err > kTolerance)
  {
    n = static_cast<int>(
        std::min(std::ceil(std::sqrt(err / kTolerance)), double(kMaxCurveSegments)));
  }
  for (int i = 1; i <= n; ++i)
  {
    const float t = static_cast<float>(i) / static_cast<float>(n), u = 1.f - t;
    LineTo(u * u * x0 + 2.f * u * t * cx + t * t * x, u * u * y0 + 2.f * u * t * cy + t * t * y);
  }
}

void Path::CubicTo(float c1x, float c1y, float c2x, float c2y, float x, float y)
{
  if (!mHasCurrent)
    MoveTo(c1x, c1y);
  const float x0 = mCurX, y0 = mCurY;
  const double ax = (double(x0) - 2.0 * c1x + c2x) * mScale,
               ay = (double(y0) - 2.0 * c1y + c2y) * mScale;
  const double bx = (double(c1x) - 2.0 * c2x + x) * mScale,
               by = (double(c1y) - 2.0 * c2y + y) * mScale;
  const double dd = std::max(std::sqrt(ax * ax + ay * ay), std::sqrt(bx * bx + by * by));
  const double err = 0.75 * dd;
  int n = 1;
  if (std::isfinite(err) && err > kTolerance)
  {
    n = static_cast<int>(
        std::min(std::ceil(std::sqrt(err / kTolerance)), double(kMaxCurveSegments)));
  }
  for (int i = 1; i <= n; ++i)
  {
    const float t = static_cast<float>(i) / static_cast<float>(n), u = 1.f - t;
    const float b0 = u * u * u, b1 = 3.f * u * u * t, b2 = 3.f * u * t * t, b3 = t * t * t;
    LineTo(b0 * x0 + b1 * c1x + b2 * c2x + b3 * x, b0 * y0 + b1 * c1y + b2 * c2y + b3 * y);
  }
}

int Path::SegmentsFor(float radiusLogical, float sweepRad) const
{
  const double rd = std::fabs(double(radiusLogical) * mScale);
  if (!std::isfinite(rd) || rd <= 0.0)
    return 1;
  // Chord error r (1 - cos(step/2)) ~ r step^2 / 8 <= tolerance.
  const double step = std::sqrt(8.0 * kTolerance / rd);
  double n = std::ceil(std::fabs(double(sweepRad)) / step);
  n = std::max(n, std::ceil(std::fabs(double(sweepRad)) / (kPi / 8.0))); // at least 16 per turn
  return static_cast<int>(std::min(n, double(kMaxCurveSegments)));
}

void Path::Arc(float cx, float cy, float r, float a1Deg, float a2Deg)
{
  if (!Finite(cx) || !Finite(cy) || !Finite(r) || !Finite(a1Deg) || !Finite(a2Deg))
    return;
  double sweep = double(a2Deg) - a1Deg;
  sweep = Clamp(sweep, -360.0, 360.0);
  const double a1 = double(a1Deg) * kPi / 180.0, sw = sweep * kPi / 180.0;
  const int n = std::max(1, SegmentsFor(r, static_cast<float>(sw)));
  // Inner points sit slightly outside the circle so that the polygon keeps the arc's area
  // (an inscribed polygon would look thinner); the end points stay exact for joining lines.
  const double ri = double(r) * AreaKeepingFactor(std::fabs(sw) / n);
  for (int i = 0; i <= n; ++i)
  {
    double s, c;
    DetSinCos(a1 + sw * (double(i) / n), s, c);
    const double rr = (i == 0 || i == n) ? double(r) : ri;
    const float px = static_cast<float>(cx + rr * s), py = static_cast<float>(cy - rr * c);
    if (i == 0 && !mHasCurrent)
      MoveTo(px, py);
    else
      LineTo(px, py);
  }
}

void Path::Close()
{
  if (!mSubs.empty() && !mNeedNewSub)
  {
    mSubs.back().closed = true;
    mNeedNewSub = true;
    mCurX = mStartX;
    mCurY = mStartY;
  }
}

void Path::Rect(const IRect& r)
{
  MoveTo(r.L, r.T);
  LineTo(r.R, r.T);
  LineTo(r.R, r.B);
  LineTo(r.L, r.B);
  Close();
}

void Path::RoundRect(const IRect& r, float radius)
{
  const float w = std::fabs(r.W()), h = std::fabs(r.H());
  float rad = std::min(radius, 0.5f * std::min(w, h));
  if (!(rad > 0.f))
  {
    Rect(r);
    return;
  }
  MoveTo(r.L + rad, r.T);
  LineTo(r.R - rad, r.T);
  Arc(r.R - rad, r.T + rad, rad, 0.f, 90.f);
  LineTo(r.R, r.B - rad);
  Arc(r.R - rad, r.B - rad, rad, 90.f, 180.f);
  LineTo(r.L + rad, r.B);
  Arc(r.L + rad, r.B - rad, rad, 180.f, 270.f);
  LineTo(r.L, r.T + rad);
  Arc(r.L + rad, r.T + rad, rad, 270.f, 360.f);
  Close();
}

void Path::Ellipse(float cx, float cy, float rx, float ry)
{
  if (!Finite(cx) || !Finite(cy) || !Finite(rx) || !Finite(ry))
    return;
  rx = std::fabs(rx);
  ry = std::fabs(ry);
  const int n = std::max(8, SegmentsFor(std::max(rx, ry), static_cast<float>(2.0 * kPi)));
  const double k = AreaKeepingFactor(2.0 * kPi / n);
  for (int i = 0; i < n; ++i)
  {
    double s, c;
    DetSinCos(2.0 * kPi * (double(i) / n), s, c);
    const float px = static_cast<float>(cx + k * rx * s), py = static_cast<float>(cy - k * ry * c);
    if (i == 0)
      MoveTo(px, py);
    else
      LineTo(px, py);
  }
  Close();
}

void AddFillEdges(const Path& path, float scale, Rasterizer& rast)
{
  const std::vector<float>& p = path.Points();
  for (const Path::Sub& s : path.Subs())
  {
    if (s.count < 2)
      continue;
    for (uint32_t i = 0; i < s.count; ++i)
    {
      const uint32_t a = s.start + i, b = s.start + ((i + 1 == s.count) ? 0 : i + 1);
      rast.AddLine(p[2 * a] * scale, p[2 * a + 1] * scale, p[2 * b] * scale, p[2 * b + 1] * scale);
    }
  }
}

} // namespace plugfw::ui::detail
