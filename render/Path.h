#pragma once
// A path as flattened sub-paths (polylines) in logical units, and its conversion into
// rasteriser edges for fills and strokes.

#include <cstdint>
#include <vector>

#include "render/IRenderer.h"
#include "render/Rasterizer.h"

namespace plugfw::ui::detail {

class Path
{
public:
  // Curves are flattened to within `tolerance` device pixels at the given logical scale.
  void SetScale(float scale);
  void Clear();
  bool Empty() const { return mSubs.empty(); }

  void MoveTo(float x, float y);
  void LineTo(float x, float y);
  void QuadTo(float cx, float cy, float x, float y);
  void CubicTo(float c1x, float c1y, float c2x, float c2y, float x, float y);
  void Arc(float cx, float cy, float r, float a1Deg, float a2Deg);
  void Close();
  void Rect(const IRect& r);
  void RoundRect(const IRect& r, float radius);
  void Ellipse(float cx, float cy, float rx, float ry);

  struct Sub
  {
    uint32_t start = 0; // index of the first point
    uint32_t count = 0; // number of points
    bool closed = false;
  };
  const std::vector<Sub>& Subs() const { return mSubs; }
  const std::vector<float>& Points() const { return mXY; } // x, y pairs

private:
  void Push(float x, float y);
  int SegmentsFor(float radiusLogical, float sweepRad) const;

  std::vector<float> mXY;
  std::vector<Sub> mSubs;
  float mScale = 1.f;
  bool mHasCurrent = false;
  bool mNeedNewSub = true;
  float mCurX = 0.f, mCurY = 0.f;
  float mStartX = 0.f, mStartY = 0.f;
};

// Adds the path's sub-paths (all implicitly closed) as edges, scaled to device pixels.
void AddFillEdges(const Path& path, float scale, Rasterizer& rast);

// Working storage of the stroker. Its owner keeps it between strokes so that steady drawing
// reuses the storage instead of allocating per stroke.
struct StrokeScratch
{
  struct Point
  {
    double x = 0, y = 0;
  };
  std::vector<Point> pts, dir, nrm, left, right, outline;
  std::vector<double> len;
  std::vector<float> xy;
};

// Adds the outline of the path stroked with `width` device pixels as edges for a non-zero fill.
void AddStrokeEdges(const Path& path, float scale, float width, const IStrokeOptions& options,
                    Rasterizer& rast, StrokeScratch& scratch);
void AddStrokeEdges(const Path& path, float scale, float width, const IStrokeOptions& options,
                    Rasterizer& rast);

} // namespace plugfw::ui::detail
