#pragma once
// Basic value types shared by the renderer and the GUI framework above it.

#include <algorithm>
#include <cstdint>

namespace plugfw::ui {

// A colour as four 8-bit channels, fields in the order alpha, red, green, blue.
// Colours are straight (not premultiplied); the renderer premultiplies internally.
struct IColor
{
  uint8_t A = 255;
  uint8_t R = 0;
  uint8_t G = 0;
  uint8_t B = 0;

  constexpr IColor() = default;
  constexpr IColor(int a, int r, int g, int b)
      : A(Clamp8(a)), R(Clamp8(r)), G(Clamp8(g)), B(Clamp8(b))
  {}

  constexpr bool operator==(const IColor&) const = default;

private:
  static constexpr uint8_t Clamp8(int v)
  {
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
  }
};

// An axis-aligned rectangle in floats: left, top, right, bottom (y grows downwards).
struct IRect
{
  float L = 0.f;
  float T = 0.f;
  float R = 0.f;
  float B = 0.f;

  constexpr IRect() = default;
  constexpr IRect(float l, float t, float r, float b) : L(l), T(t), R(r), B(b) {}

  constexpr float W() const { return R - L; }
  constexpr float H() const { return B - T; }
  constexpr float MW() const { return 0.5f * (L + R); }
  constexpr float MH() const { return 0.5f * (T + B); }
  // Empty when it has no area (also true for inverted rectangles).
  constexpr bool Empty() const { return !(R > L && B > T); }
  constexpr bool AllZero() const { return L == 0.f && T == 0.f && R == 0.f && B == 0.f; }
  // Left and top inclusive, right and bottom exclusive.
  constexpr bool Contains(float x, float y) const { return x >= L && x < R && y >= T && y < B; }
  constexpr bool Contains(const IRect& o) const
  {
    return o.L >= L && o.T >= T && o.R <= R && o.B <= B;
  }
  constexpr bool Intersects(const IRect& o) const
  {
    return o.L < R && o.R > L && o.T < B && o.B > T;
  }
  // Intersection; an empty result is returned as the all-zero rectangle.
  constexpr IRect Intersect(const IRect& o) const
  {
    IRect r(std::max(L, o.L), std::max(T, o.T), std::min(R, o.R), std::min(B, o.B));
    return r.Empty() ? IRect() : r;
  }
  // Union; an empty operand is ignored.
  constexpr IRect Union(const IRect& o) const
  {
    if (Empty())
      return o;
    if (o.Empty())
      return *this;
    return IRect(std::min(L, o.L), std::min(T, o.T), std::max(R, o.R), std::max(B, o.B));
  }
  constexpr IRect GetPadded(float d) const { return IRect(L - d, T - d, R + d, B + d); }
  constexpr IRect GetOffset(float dx, float dy) const
  {
    return IRect(L + dx, T + dy, R + dx, B + dy);
  }
  constexpr IRect GetScaled(float s) const { return IRect(L * s, T * s, R * s, B * s); }
  constexpr bool operator==(const IRect&) const = default;
};

} // namespace plugfw::ui
