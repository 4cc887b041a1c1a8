#pragma once
// Pixel buffers: the frame the renderer draws into, and decoded bitmaps.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plugfw::ui {

// RGBA pixels, 4 bytes per pixel in memory order R, G, B, A, rows top to bottom, no padding
// (stride = width * 4). Colour channels are PREMULTIPLIED by alpha (r <= a, g <= a, b <= a).
// This is the layout an OpenGL texture upload with GL_RGBA / GL_UNSIGNED_BYTE expects; present
// it with blend function (GL_ONE, GL_ONE_MINUS_SRC_ALPHA), or without blending when opaque.
class IPixmap
{
public:
  static constexpr int kMaxSide = 16384;
  static constexpr size_t kMaxPixels = size_t(1) << 26; // 256 MB of pixels

  IPixmap() = default;
  // Transparent black. Negative sizes become 0, sides are limited to kMaxSide; a size beyond
  // kMaxPixels (or one that cannot be allocated) gives an empty pixmap.
  IPixmap(int width, int height);

  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  bool Empty() const { return mWidth <= 0 || mHeight <= 0; }
  uint8_t* Data() { return mData.data(); }
  const uint8_t* Data() const { return mData.data(); }
  size_t Stride() const { return static_cast<size_t>(mWidth) * 4; }
  uint8_t* Row(int y) { return mData.data() + Stride() * static_cast<size_t>(y); }
  const uint8_t* Row(int y) const { return mData.data() + Stride() * static_cast<size_t>(y); }

  // Resizes; pixels in the overlap are kept, new pixels are transparent black. A size that the
  // constructor refuses leaves the pixmap empty.
  void Resize(int width, int height);
  // Fills every pixel with transparent black.
  void Clear();

  // Straight-alpha (un-premultiplied) read of one pixel as A, R, G, B; out of range gives all 0.
  void GetStraight(int x, int y, uint8_t& a, uint8_t& r, uint8_t& g, uint8_t& b) const;

  // PNG: encoded with straight alpha (as the format requires); decoding premultiplies.
  std::vector<uint8_t> EncodePng() const;       // empty vector on failure or empty pixmap
  bool WritePng(const std::string& path) const; // false when the file cannot be written
  // Decodes a PNG from memory (colour types and bit depths of the format are converted to RGBA
  // and premultiplied). Returns an empty pixmap on
  // malformed, truncated or oversized (> kMaxSide on a side or > kMaxPixels) data.
  static IPixmap Decode(const void* data, size_t size);

private:
  int mWidth = 0;
  int mHeight = 0;
  std::vector<uint8_t> mData;
};

// A decoded bitmap resource: pixels plus the frame count (frames stacked vertically, each
// Height() / Frames() pixels tall) and the scale it was made for (2 for "name@2x.png").
// Cheap to copy: the pixels are shared.
class IBitmap
{
public:
  IBitmap() = default;
  IBitmap(IPixmap pixels, int frames, int scale, std::string name);

  bool IsValid() const { return mPixels && !mPixels->Empty(); }
  int Width() const { return mPixels ? mPixels->Width() : 0; }
  int Height() const { return mPixels ? mPixels->Height() : 0; }
  int Frames() const { return mFrames; }
  int Scale() const { return mScale; }
  const std::string& Name() const { return mName; }
  const IPixmap* Pixels() const { return mPixels.get(); }

private:
  std::shared_ptr<const IPixmap> mPixels;
  int mFrames = 1;
  int mScale = 1;
  std::string mName;
};

} // namespace plugfw::ui
