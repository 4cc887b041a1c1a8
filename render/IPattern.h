#pragma once
// What a fill or stroke paints with: a solid colour or a gradient.

#include <array>
#include "render/IGeometry.h"

namespace plugfw::ui {

enum class IPatternType : uint8_t
{
  kSolid,  // one colour
  kLinear, // colour varies along the line from (x1, y1) to (x2, y2); constant across it
  kRadial, // colour varies with the distance from (x1, y1): offset 0 at the centre, 1 at radius r
};

// One colour stop: offset in 0..1 along the gradient.
struct IColorStop
{
  IColor color;
  float offset = 0.f;
};

// A paint. A colour converts implicitly, so every fill/stroke call accepts either.
// Gradient geometry is in logical units, like all other geometry. Outside the first and the last
// stop the end colours extend (pad). Stops must be given in increasing offset order; at most
// kMaxStops are used.
struct IPattern
{
  static constexpr int kMaxStops = 16;

  IPatternType type = IPatternType::kSolid;
  float x1 = 0.f, y1 = 0.f, x2 = 0.f, y2 = 0.f; // linear: start and end point; radial: centre
  float r = 0.f;                                // radial: radius
  int nStops = 1;
  std::array<IColorStop, kMaxStops> stops{};

  IPattern() = default;
  IPattern(const IColor& c) { stops[0] = {c, 0.f}; } // NOLINT: implicit on purpose

  static IPattern Linear(float x1, float y1, float x2, float y2, const IColor& c1, const IColor& c2)
  {
    IPattern p;
    p.type = IPatternType::kLinear;
    p.x1 = x1;
    p.y1 = y1;
    p.x2 = x2;
    p.y2 = y2;
    p.nStops = 2;
    p.stops[0] = {c1, 0.f};
    p.stops[1] = {c2, 1.f};
    return p;
  }
  static IPattern Radial(float cx, float cy, float radius, const IColor& inner, const IColor& outer)
  {
    IPattern p;
    p.type = IPatternType::kRadial;
    p.x1 = cx;
    p.y1 = cy;
    p.r = radius;
    p.nStops = 2;
    p.stops[0] = {inner, 0.f};
    p.stops[1] = {outer, 1.f};
    return p;
  }
  // Appends a stop (ignored when kMaxStops are already present).
  IPattern& AddStop(const IColor& c, float offset)
  {
    if (type == IPatternType::kSolid)
    {
      nStops = 0;
    }
    if (nStops < kMaxStops)
      stops[nStops++] = {c, offset};
    return *this;
  }
};

} // namespace plugfw::ui
