#pragma once
// Fonts and the glyph atlas: glyph coverage bitmaps rasterised once per (font, pixel size,
// quarter-pixel horizontal offset) and packed into one 8-bit atlas image by shelves. When the
// atlas is full it is emptied and refilled on demand.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <stb_truetype.h>

namespace plugfw::ui::detail {

struct Font
{
  std::string id;
  std::vector<uint8_t> data;
  stbtt_fontinfo info{};
  int ascent = 0, descent = 0, lineGap = 0; // font units
  // Scale from font units to pixels for a text size of 1 (ascender-to-descender height).
  float UnitScale() const
  {
    return ascent - descent > 0 ? 1.f / static_cast<float>(ascent - descent) : 0.f;
  }
};

class FontSet
{
public:
  bool Load(std::string_view id, const void* data, size_t size);
  const Font* Find(std::string_view id) const;
  int IndexOf(const Font* f) const;

private:
  std::vector<std::unique_ptr<Font>> mFonts;
};

class GlyphAtlas
{
public:
  static constexpr int kSize = 1024;
  static constexpr int kSubpixels = 4;

  struct Glyph
  {
    int x = 0, y = 0, w = 0, h = 0; // place in the atlas (w or h 0: nothing to draw)
    int xoff = 0, yoff = 0;         // top-left of the bitmap relative to the pen (device px)
  };

  GlyphAtlas();
  // The glyph rasterised at `pixelScale` (font units to pixels) shifted right by sub/kSubpixels
  // of a pixel. `pixelScaleKey` identifies the scale in the cache. Never null.
  const Glyph& Get(const Font& font, int fontIndex, int glyph, float pixelScale,
                   uint32_t pixelScaleKey, int sub);
  const uint8_t* Row(int y) const { return mPixels.data() + static_cast<size_t>(y) * kSize; }
  // Number of times the atlas was emptied because it was full (for tests and statistics).
  int Resets() const { return mResets; }

private:
  bool Allocate(int w, int h, int& x, int& y);
  void Reset();

  std::vector<uint8_t> mPixels;
  std::unordered_map<uint64_t, Glyph> mGlyphs;
  int mShelfY = 0, mShelfH = 0, mShelfX = 0;
  int mResets = 0;
  Glyph mEmpty;
};

} // namespace plugfw::ui::detail
