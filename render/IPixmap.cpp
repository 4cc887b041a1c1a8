#include "render/IPixmap.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>

#include <stb_image.h>
#include <stb_image_write.h>

namespace plugfw::ui {

namespace {
inline int SafeSide(int v)
{
  return std::clamp(v, 0, IPixmap::kMaxSide);
}
} // namespace

IPixmap::IPixmap(int width, int height) : mWidth(SafeSide(width)), mHeight(SafeSide(height))
{
  const size_t pixels = static_cast<size_t>(mWidth) * static_cast<size_t>(mHeight);
  if (pixels == 0 || pixels > kMaxPixels)
  {
    mWidth = mHeight = 0;
    return;
  }
  try
  {
    mData.assign(pixels * 4, 0);
  }
  catch (const std::bad_alloc&)
  {
    mData.clear();
    mWidth = mHeight = 0;
  }
}

void IPixmap::Resize(int width, int height)
{
  width = SafeSide(width);
  height = SafeSide(height);
  if (width == mWidth && height == mHeight)
    return;
  IPixmap next(width, height);
  if (next.Empty())
  {
    *this = IPixmap();
    return;
  }
  const int w = std::min(width, mWidth), h = std::min(height, mHeight);
  for (int y = 0; y < h; ++y)
    std::memcpy(next.Row(y), Row(y), static_cast<size_t>(w) * 4);
  *this = std::move(next);
}

void IPixmap::Clear()
{
  std::fill(mData.begin(), mData.end(), uint8_t(0));
}

void IPixmap::GetStraight(int x, int y, uint8_t& a, uint8_t& r, uint8_t& g, uint8_t& b) const
{
  a = r = g = b = 0;
  if (x < 0 || y < 0 || x >= mWidth || y >= mHeight)
    return;
  const uint8_t* p = Row(y) + static_cast<size_t>(x) * 4;
  a = p[3];
  if (a == 0)
    return;
  auto un = [a](uint8_t c) { return static_cast<uint8_t>(std::min(255, (c * 255 + a / 2) / a)); };
  r = un(p[0]);
  g = un(p[1]);
  b = un(p[2]);
}

std::vector<uint8_t> IPixmap::EncodePng() const
{
  std::vector<uint8_t> out;
  if (Empty())
    return out;
  std::vector<uint8_t> straight(mData.size());
  for (size_t i = 0; i < mData.size(); i += 4)
  {
    const uint8_t a = mData[i + 3];
    straight[i + 3] = a;
    for (int c = 0; c < 3; ++c)
    {
      straight[i + size_t(c)] =
          a == 0 ? 0
                 : static_cast<uint8_t>(std::min(255, (mData[i + size_t(c)] * 255 + a / 2) / a));
    }
  }
  auto write = [](void* ctx, void* data, int size) {
    auto* v = static_cast<std::vector<uint8_t>*>(ctx);
    const uint8_t* b = static_cast<const uint8_t*>(data);
    v->insert(v->end(), b, b + size);
  };
  if (!stbi_write_png_to_func(write, &out, mWidth, mHeight, 4, straight.data(),
                              static_cast<int>(Stride())))
  {
    out.clear();
  }
  return out;
}

bool IPixmap::WritePng(const std::string& path) const
{
  const std::vector<uint8_t> png = EncodePng();
  if (png.empty())
    return false;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f)
    return false;
  const bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
  return (std::fclose(f) == 0) && ok;
}

IPixmap IPixmap::Decode(const void* data, size_t size)
{
  if (!data || size == 0 || size > static_cast<size_t>(INT_MAX))
    return IPixmap();
  const auto* bytes = static_cast<const stbi_uc*>(data);
  int w = 0, h = 0, comp = 0;
  if (!stbi_info_from_memory(bytes, static_cast<int>(size), &w, &h, &comp))
    return IPixmap();
  if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide)
    return IPixmap();
  if (static_cast<size_t>(w) * static_cast<size_t>(h) > kMaxPixels)
    return IPixmap();
  stbi_uc* px = stbi_load_from_memory(bytes, static_cast<int>(size), &w, &h, &comp, 4);
  if (!px)
    return IPixmap();
  IPixmap out(w, h);
  if (out.Width() != w || out.Height() != h)
  {
    stbi_image_free(px);
    return IPixmap();
  }
  uint8_t* d = out.Data();
  const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h) * 4;
  for (size_t i = 0; i < n; i += 4)
  {
    const uint32_t a = px[i + 3];
    for (int c = 0; c < 3; ++c)
    {
      const uint32_t t = px[i + size_t(c)] * a + 128;
      d[i + size_t(c)] = static_cast<uint8_t>((t + (t >> 8)) >> 8);
    }
    d[i + 3] = static_cast<uint8_t>(a);
  }
  stbi_image_free(px);
  return out;
}

IBitmap::IBitmap(IPixmap pixels, int frames, int scale, std::string name)
    : mPixels(std::make_shared<const IPixmap>(std::move(pixels))),
      mFrames(std::max(1, frames)),
      mScale(std::max(1, scale)),
      mName(std::move(name))
{
  if (mPixels->Empty())
    mPixels.reset();
  if (mPixels && mFrames > mPixels->Height())
    mFrames = std::max(1, mPixels->Height());
}

} // namespace plugfw::ui
