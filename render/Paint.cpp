#include "render/Paint.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/RenderMath.h"

namespace plugfw::ui::detail {

namespace {

inline uint32_t BlendByte(float blend)
{
  if (!(blend > 0.f))
    return 0; // also catches NaN
  if (blend >= 1.f)
    return 255;
  return static_cast<uint32_t>(blend * 255.f + 0.5f);
}

inline uint32_t PackStraightF(float a, float r, float g, float b)
{
  // Interpolated straight colour to premultiplied word.
  const uint32_t A = static_cast<uint32_t>(a + 0.5f);
  const uint32_t R = Mul255(static_cast<uint32_t>(r + 0.5f), A);
  const uint32_t G = Mul255(static_cast<uint32_t>(g + 0.5f), A);
  const uint32_t B = Mul255(static_cast<uint32_t>(b + 0.5f), A);
  return R | (G << 8) | (B << 16) | (A << 24);
}

} // namespace

uint32_t PremultiplyPacked(const IColor& c)
{
  const uint32_t a = c.A;
  return Mul255(c.R, a) | (Mul255(c.G, a) << 8) | (Mul255(c.B, a) << 16) | (a << 24);
}

uint32_t* PaintSink::Row(int y) const
{
  return reinterpret_cast<uint32_t*>(mTarget->Row(y));
}

void PaintSink::PrepareSolid(IPixmap& target, uint32_t premultiplied, float blend)
{
  mTarget = &target;
  mKind = Kind::kSolid;
  mSolid = MulPacked(premultiplied, BlendByte(blend));
  mInvisible = (mSolid >> 24) == 0;
}

void PaintSink::Prepare(IPixmap& target, const IPattern& paint, float scale, float blend)
{
  const int n = Clamp(paint.nStops, 0, IPattern::kMaxStops);
  if (paint.type == IPatternType::kSolid || n <= 1)
  {
    PrepareSolid(target, PremultiplyPacked(n >= 1 ? paint.stops[0].color : IColor(0, 0, 0, 0)),
                 blend);
    return;
  }
  mTarget = &target;
  mKind = Kind::kGradient;
  mBlend = BlendByte(blend);
  mRadial = paint.type == IPatternType::kRadial;
  // Build the 256-entry colour table by interpolating straight colours between stops.
  bool anyVisible = false;
  for (int i = 0; i < 256; ++i)
  {
    const float t = static_cast<float>(i) / 255.f;
    int k = 0;
    while (k < n && paint.stops[size_t(k)].offset < t)
      ++k;
    IColor c0, c1;
    float f = 0.f;
    if (k == 0)
    {
      c0 = c1 = paint.stops[0].color;
    }
    else if (k >= n)
    {
      c0 = c1 = paint.stops[size_t(n - 1)].color;
    }
    else
    {
      const IColorStop& s0 = paint.stops[size_t(k - 1)];
      const IColorStop& s1 = paint.stops[size_t(k)];
      c0 = s0.color;
      c1 = s1.color;
      const float span = s1.offset - s0.offset;
      f = span > 0.f ? (t - s0.offset) / span : 1.f;
      f = Clamp(f, 0.f, 1.f);
    }
    auto mix = [f](uint8_t a, uint8_t b) {
      return static_cast<float>(a) + (static_cast<float>(b) - a) * f;
    };
    mLut[size_t(i)] =
        PackStraightF(mix(c0.A, c1.A), mix(c0.R, c1.R), mix(c0.G, c1.G), mix(c0.B, c1.B));
    anyVisible = anyVisible || (mLut[size_t(i)] >> 24) != 0;
  }
  mInvisible = !anyVisible || mBlend == 0;
  const double s = scale;
  mGx = double(paint.x1) * s;
  mGy = double(paint.y1) * s;
  if (mRadial)
  {
    const double r = double(paint.r) * s;
    mGdx = (r > 0.0 && std::isfinite(r)) ? 1.0 / r : 0.0;
    mGdy = 0.0;
  }
  else
  {
    const double vx = (double(paint.x2) - paint.x1) * s, vy = (double(paint.y2) - paint.y1) * s;
    const double len2 = vx * vx + vy * vy;
    if (len2 > 0.0 && std::isfinite(len2))
    {
      mGdx = vx / len2;
      mGdy = vy / len2;
    }
    else
    {
      mGdx = mGdy = 0.0;
    }
  }
  if (!std::isfinite(mGx) || !std::isfinite(mGy))
  {
    mGx = mGy = 0.0;
    mGdx = mGdy = 0.0;
  }
}

void PaintSink::PrepareImage(IPixmap& target, const ImageMapping& mapping, float blend)
{
  mTarget = &target;
  mKind = Kind::kImage;
  mImage = mapping;
  mBlend = BlendByte(blend);
  mInvisible = mBlend == 0 || !mapping.image || mapping.srcW <= 0 || mapping.srcH <= 0;
}

void PaintSink::Shade(int y, int x, int len, uint32_t* out) const
{
  const double py = y + 0.5;
  if (mKind == Kind::kGradient)
  {
    for (int i = 0; i < len; ++i)
    {
      const double px = x + i + 0.5;
      double t;
      if (mRadial)
      {
        const double ddx = px - mGx, ddy = py - mGy;
        t = std::sqrt(ddx * ddx + ddy * ddy) * mGdx;
      }
      else
      {
        t = (px - mGx) * mGdx + (py - mGy) * mGdy;
      }
      t = Clamp(t, 0.0, 1.0);
      out[i] = mLut[static_cast<size_t>(t * 255.0 + 0.5)];
    }
    return;
  }
  // Bilinear sample of the image, edges clamped.
  const ImageMapping& m = mImage;
  const IPixmap& img = *m.image;
  const double sy = (py - m.originY) * m.stepY - 0.5;
  const double fy0 = std::floor(sy);
  const int wy = static_cast<int>((sy - fy0) * 256.0);
  const int iy0 = Clamp(static_cast<int>(Clamp(fy0, -1.0, double(m.srcH))), 0, m.srcH - 1);
  const int iy1 = Clamp(static_cast<int>(Clamp(fy0 + 1.0, -1.0, double(m.srcH))), 0, m.srcH - 1);
  const uint32_t* r0 = reinterpret_cast<const uint32_t*>(img.Row(m.srcY + iy0)) + m.srcX;
  const uint32_t* r1 = reinterpret_cast<const uint32_t*>(img.Row(m.srcY + iy1)) + m.srcX;
  for (int i = 0; i < len; ++i)
  {
    const double sx = (x + i + 0.5 - m.originX) * m.stepX - 0.5;
    const double fx0 = std::floor(sx);
    const int wx = static_cast<int>((sx - fx0) * 256.0);
    const int ix0 = Clamp(static_cast<int>(Clamp(fx0, -1.0, double(m.srcW))), 0, m.srcW - 1);
    const int ix1 = Clamp(static_cast<int>(Clamp(fx0 + 1.0, -1.0, double(m.srcW))), 0, m.srcW - 1);
    const uint32_t p00 = r0[ix0], p01 = r0[ix1], p10 = r1[ix0], p11 = r1[ix1];
    uint32_t result = 0;
    for (int ch = 0; ch < 32; ch += 8)
    {
      const int a = (p00 >> ch) & 255, b = (p01 >> ch) & 255, c = (p10 >> ch) & 255,
                d = (p11 >> ch) & 255;
      const int top = a * (256 - wx) + b * wx;
      const int bot = c * (256 - wx) + d * wx;
      const int v = (top * (256 - wy) + bot * wy + 32768) >> 16;
      result |= uint32_t(v) << ch;
    }
    out[i] = result;
  }
}

void PaintSink::Span(int y, int x, int len, uint8_t cov)
{
  if (mInvisible || len <= 0)
    return;
  uint32_t* row = Row(y) + x;
  if (mKind == Kind::kSolid)
  {
    const uint32_t src = cov == 255 ? mSolid : MulPacked(mSolid, cov);
    if ((src >> 24) == 255)
    {
      std::fill(row, row + len, src);
    }
    else if (src != 0)
    {
      for (int i = 0; i < len; ++i)
        row[i] = Over(src, row[i]);
    }
    return;
  }
  const uint32_t f = Mul255(cov, mBlend);
  if (f == 0)
    return;
  while (len > 0)
  {
    const int chunk = std::min(len, static_cast<int>(mShadeBuf.size()));
    uint32_t* buf = mShadeBuf.data();
    Shade(y, x, chunk, buf);
    for (int i = 0; i < chunk; ++i)
      row[i] = Over(f == 255 ? buf[i] : MulPacked(buf[i], f), row[i]);
    row += chunk;
    x += chunk;
    len -= chunk;
  }
}

void PaintSink::Cover(int y, int x, int len, const uint8_t* covs)
{
  if (mInvisible || len <= 0)
    return;
  uint32_t* row = Row(y) + x;
  if (mKind == Kind::kSolid)
  {
    for (int i = 0; i < len; ++i)
    {
      if (covs[i])
        row[i] = Over(MulPacked(mSolid, covs[i]), row[i]);
    }
    return;
  }
  while (len > 0)
  {
    const int chunk = std::min(len, static_cast<int>(mShadeBuf.size()));
    uint32_t* buf = mShadeBuf.data();
    Shade(y, x, chunk, buf);
    for (int i = 0; i < chunk; ++i)
    {
      const uint32_t f = Mul255(covs[i], mBlend);
      if (f)
        row[i] = Over(MulPacked(buf[i], f), row[i]);
    }
    row += chunk;
    x += chunk;
    covs += chunk;
    len -= chunk;
  }
}

} // namespace plugfw::ui::detail
