#pragma once
// Scanline coverage-accumulation rasteriser. Edges are accumulated into sparse cells (one per
// touched pixel: the signed height the edges cross in it and the signed area to their right),
// sorted by row and column, then swept left to right: the running winding between cells gives
// solid spans, the cells themselves give the anti-aliased edge pixels. Coverage is the exact
// area fraction at 1/256-pixel resolution. Fixed point, so every platform gets the same pixels.

#include <cstdint>
#include <vector>

#include "render/IRenderer.h"

namespace plugfw::ui::detail {

// Integer device-pixel rectangle, half-open [x0, x1) x [y0, y1).
struct PixelRect
{
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool Empty() const { return x1 <= x0 || y1 <= y0; }
  PixelRect Intersect(const PixelRect& o) const;
};

// Receives the result of a sweep, row by row, left to right.
class SpanSink
{
public:
  virtual ~SpanSink() = default;
  // `len` pixels from (x, y) all with coverage `cov` (1..255).
  virtual void Span(int y, int x, int len, uint8_t cov) = 0;
  // `len` pixels from (x, y) with individual coverages (0..255).
  virtual void Cover(int y, int x, int len, const uint8_t* covs) = 0;
};

class Rasterizer
{
public:
  // Starts a new shape limited to `clip` (device pixels).
  void Reset(const PixelRect& clip);
  // Adds one edge in device coordinates. Non-finite edges are ignored; the edge is clipped.
  void AddLine(float x1, float y1, float x2, float y2);
  // Adds a closed polygon (n points, xy pairs).
  void AddPolygon(const float* xy, int n);
  // Sweeps the accumulated cells into spans. The shape stays accumulated until Reset.
  void Sweep(IFillRule rule, SpanSink& sink);
  bool HasCells() const { return !mCells.empty() || mCurValid; }

private:
  struct Cell
  {
    uint64_t key; // row << 32 | column
    int64_t cover;
    int64_t area;
  };
  void AddClippedX(double x1, double y1, double x2, double y2);
  void AddFixed(double x1, double y1, double x2, double y2);
  void RenderLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void RenderRow(int row, int32_t xa, int32_t ya, int32_t xb, int32_t yb);
  void AddCell(int x, int y, int64_t cover, int64_t area);
  void FlushCell();

  PixelRect mClip;
  std::vector<Cell> mCells;
  std::vector<uint8_t> mRowCov;
  int mCurX = 0, mCurY = 0;
  int64_t mCurCover = 0, mCurArea = 0;
  bool mCurValid = false;
};

} // namespace plugfw::ui::detail
