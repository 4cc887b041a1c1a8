#include "render/GlyphAtlas.h"

#include <algorithm>
#include <climits>

namespace plugfw::ui::detail {

bool FontSet::Load(std::string_view id, const void* data, size_t size)
{
  if (!data || size < 12 || size > static_cast<size_t>(INT_MAX) || id.empty())
    return false;
  auto f = std::make_unique<Font>();
  f->id = std::string(id);
  f->data.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
  const int offset = stbtt_GetFontOffsetForIndex(f->data.data(), 0);
  if (offset < 0 || static_cast<size_t>(offset) >= size)
    return false;
  if (!stbtt_InitFont(&f->info, f->data.data(), offset))
    return false;
  stbtt_GetFontVMetrics(&f->info, &f->ascent, &f->descent, &f->lineGap);
  if (f->ascent - f->descent <= 0)
    return false;
  for (auto& existing : mFonts)
  {
    if (existing->id == id)
    {
      existing = std::move(f);
      return true;
    }
  }
  mFonts.push_back(std::move(f));
  return true;
}

const Font* FontSet::Find(std::string_view id) const
{
  for (const auto& f : mFonts)
  {
    if (f->id == id)
      return f.get();
  }
  return nullptr;
}

int FontSet::IndexOf(const Font* f) const
{
  for (size_t i = 0; i < mFonts.size(); ++i)
  {
    if (mFonts[i].get() == f)
      return static_cast<int>(i);
  }
  return -1;
}

GlyphAtlas::GlyphAtlas() : mPixels(static_cast<size_t>(kSize) * kSize, 0) {}

void GlyphAtlas::Reset()
{
  mGlyphs.clear();
  std::fill(mPixels.begin(), mPixels.end(), uint8_t(0));
  mShelfX = mShelfY = mShelfH = 0;
  ++mResets;
}

bool GlyphAtlas::Allocate(int w, int h, int& x, int& y)
{
  if (w > kSize || h > kSize)
    return false;
  if (mShelfX + w > kSize)
  { // next shelf
    mShelfY += mShelfH;
    mShelfX = 0;
    mShelfH = 0;
  }
  if (mShelfY + h > kSize)
    return false;
  x = mShelfX;
  y = mShelfY;
  mShelfX += w + 1; // one empty column between glyphs
  mShelfH = std::max(mShelfH, h + 1);
  return true;
}

const GlyphAtlas::Glyph& GlyphAtlas::Get(const Font& font, int fontIndex, int glyph,
                                         float pixelScale, uint32_t pixelScaleKey, int sub)
{
  const uint64_t key = (uint64_t(uint32_t(fontIndex) & 0xFF) << 56) |
                       (uint64_t(uint32_t(glyph) & 0xFFFF) << 40) |
                       (uint64_t(pixelScaleKey & 0x3FFFFFFF) << 2) | uint64_t(sub & 3);
  auto it = mGlyphs.find(key);
  if (it != mGlyphs.end())
    return it->second;
  const float shift = static_cast<float>(sub) / kSubpixels;
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  stbtt_GetGlyphBitmapBoxSubpixel(&font.info, glyph, pixelScale, pixelScale, shift, 0.f, &x0, &y0,
                                  &x1, &y1);
  Glyph g;
  g.xoff = x0;
  g.yoff = y0;
  const int w = x1 - x0, h = y1 - y0;
  if (w > 0 && h > 0 && w <= kSize && h <= kSize)
  {
    int ax = 0, ay = 0;
    if (!Allocate(w, h, ax, ay))
    {
      Reset();
      Allocate(w, h, ax, ay);
    }
    g.x = ax;
    g.y = ay;
    g.w = w;
    g.h = h;
    stbtt_MakeGlyphBitmapSubpixel(&font.info, mPixels.data() + static_cast<size_t>(ay) * kSize + ax,
                                  w, h, kSize, pixelScale, pixelScale, shift, 0.f, glyph);
  }
  return mGlyphs.emplace(key, g).first->second;
}

} // namespace plugfw::ui::detail
