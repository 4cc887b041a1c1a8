#pragma once
// Turns a pattern into pixels: the span sink that composites rasterised coverage into the frame
// with source-over blending on premultiplied RGBA.

#include <array>
#include <cstdint>

#include "render/IPattern.h"
#include "render/IPixmap.h"
#include "render/Rasterizer.h"

namespace plugfw::ui::detail {

// Packs a straight colour into a premultiplied RGBA pixel word (memory order R, G, B, A on the
// little-endian targets we build for).
uint32_t PremultiplyPacked(const IColor& c);

// Source-over of a premultiplied source word onto a destination word.
inline uint32_t MulPacked(uint32_t c, uint32_t f)
{
  uint32_t rb = (c & 0x00FF00FFu) * f + 0x00800080u;
  rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
  uint32_t ga = ((c >> 8) & 0x00FF00FFu) * f + 0x00800080u;
  ga = (ga + ((ga >> 8) & 0x00FF00FFu)) & 0xFF00FF00u;
  return rb | ga;
}
inline uint32_t Over(uint32_t src, uint32_t dst)
{
  return src + MulPacked(dst, 255u - (src >> 24));
}

// How device pixels map onto a bitmap for image paints: source = (device - origin) * step.
struct ImageMapping
{
  const IPixmap* image = nullptr;
  int srcX = 0, srcY = 0, srcW = 0, srcH = 0; // sub-rectangle (one frame)
  double originX = 0, originY = 0;            // device position of the sub-rectangle's corner
  double stepX = 1, stepY = 1;                // source pixels per device pixel
};

class PaintSink final : public SpanSink
{
public:
  // `scale` maps the pattern's logical geometry to device pixels; blend is 0..1.
  void Prepare(IPixmap& target, const IPattern& paint, float scale, float blend);
  void PrepareImage(IPixmap& target, const ImageMapping& mapping, float blend);
  // Solid colour, already premultiplied.
  void PrepareSolid(IPixmap& target, uint32_t premultiplied, float blend);
  // Nothing would be drawn (fully transparent paint or zero blend).
  bool Invisible() const { return mInvisible; }

  void Span(int y, int x, int len, uint8_t cov) override;
  void Cover(int y, int x, int len, const uint8_t* covs) override;

private:
  enum class Kind
  {
    kSolid,
    kGradient,
    kImage
  };
  void Shade(int y, int x, int len, uint32_t* out) const;
  uint32_t* Row(int y) const;

  IPixmap* mTarget = nullptr;
  Kind mKind = Kind::kSolid;
  uint32_t mSolid = 0;   // premultiplied, blend applied
  uint32_t mBlend = 255; // 0..255 for shaded kinds
  bool mInvisible = false;
  // Gradient: t = (px - gx) * gdx + (py - gy) * gdy (linear) or |p - g| * gdx (radial).
  bool mRadial = false;
  double mGx = 0, mGy = 0, mGdx = 0, mGdy = 0;
  std::array<uint32_t, 256> mLut{};
  ImageMapping mImage;
  std::array<uint32_t, 4096> mShadeBuf{};
};

} // namespace plugfw::ui::detail
