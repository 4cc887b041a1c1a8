// Stroking: the outline is built from simple convex pieces - one quadrilateral per segment, a
// wedge per join, a piece per cap - all oriented the same way and filled together with the
// non-zero rule, so overlaps merge instead of cancelling.

#include <cmath>
#include <vector>

#include "render/Path.h"
#include "render/RenderMath.h"

namespace plugfw::ui::detail {

namespace {

constexpr double kArcTolerance = 0.05;  // device pixels

struct V2 {
  double x = 0, y = 0;
};
inline V2 operator+(V2 a, V2 b) { return {a.x + b.x, a.y + b.y}; }
inline V2 operator-(V2 a, V2 b) { return {a.x - b.x, a.y - b.y}; }
inline V2 operator*(V2 a, double s) { return {a.x * s, a.y * s}; }
inline double Dot(V2 a, V2 b) { return a.x * b.x + a.y * b.y; }
inline double Cross(V2 a, V2 b) { return a.x * b.y - a.y * b.x; }
inline double Len(V2 a) { return std::sqrt(Dot(a, a)); }

class PieceWriter {
 public:
  explicit PieceWriter(Rasterizer& r) : mRast(r) {}
  void Begin() { mXY.clear(); }
  void Add(V2 p) {
    mXY.push_back(static_cast<float>(p.x));
    mXY.push_back(static_cast<float>(p.y));
  }
  // Emits the polygon with positive orientation; degenerate pieces are dropped.
  void End() {
    const int n = static_cast<int>(mXY.size() / 2);
    if (n < 3) return;
    double area = 0;
    for (int i = 0; i < n; ++i) {
      const int j = (i + 1) % n;
      area += double(mXY[2 * i]) * mXY[2 * j + 1] - double(mXY[2 * j]) * mXY[2 * i + 1];
    }
    if (area == 0.0) return;
    if (area < 0) {
      for (int i = 0, j = n - 1; i < j; ++i, --j) {
        std::swap(mXY[2 * i], mXY[2 * j]);
        std::swap(mXY[2 * i + 1], mXY[2 * j + 1]);
      }
    }
    mRast.AddPolygon(mXY.data(), n);
  }

 private:
  Rasterizer& mRast;
  std::vector<float> mXY;
};

// Points on the arc around c from offset a to offset b (both of length hw, angle < 180 degrees),
// excluding the end points, by recursive bisection.
void ArcBetween(PieceWriter& w, V2 c, V2 a, V2 b, double hw, int depth) {
  V2 m = (a + b) * 0.5;
  const double ml = Len(m);
  if (ml <= 0.0 || depth > 12) return;
  if (hw - ml <= kArcTolerance) return;
  m = m * (hw / ml);
  ArcBetween(w, c, a, m, hw, depth + 1);
  w.Add(c + m);
  ArcBetween(w, c, m, b, hw, depth + 1);
}

// Half disc at p facing direction d (unit), radius hw.
void RoundCap(PieceWriter& w, V2 p, V2 d, double hw) {
  const V2 n{-d.y * hw, d.x * hw};
  const V2 f = d * hw;
  const V2 mn{-n.x, -n.y};
  w.Begin();
  w.Add(p + n);
  ArcBetween(w, p, n, f, hw, 0);
  w.Add(p + f);
  ArcBetween(w, p, f, mn, hw, 0);
  w.Add(p + mn);
  w.End();
}

void Dot(PieceWriter& w, V2 p, double hw, ILineCap cap) {
  if (cap == ILineCap::kRound) {
    RoundCap(w, p, V2{1, 0}, hw);
    RoundCap(w, p, V2{-1, 0}, hw);
  } else if (cap == ILineCap::kSquare) {
    w.Begin();
    w.Add(p + V2{-hw, -hw});
    w.Add(p + V2{hw, -hw});
    w.Add(p + V2{hw, hw});
    w.Add(p + V2{-hw, hw});
    w.End();
  }
}

void Join(PieceWriter& w, V2 p, V2 d0, V2 d1, double hw, const IStrokeOptions& o) {
  const double cr = Cross(d0, d1);
  const double dt = Dot(d0, d1);
  if (std::fabs(cr) < 1e-9 && dt > 0) return;  // straight on
  const double s = cr > 0 ? -1.0 : 1.0;        // outer side
  const V2 n0 = V2{-d0.y * hw, d0.x * hw} * s;
  const V2 n1 = V2{-d1.y * hw, d1.x * hw} * s;
  if (o.join == ILineJoin::kRound) {
    w.Begin();
    w.Add(p);
    w.Add(p + n0);
    if (dt < 0 && std::fabs(cr) < 1e-9) {
      const V2 mid = d0 * hw;  // full reversal: go round the end
      ArcBetween(w, p, n0, mid, hw, 0);
      w.Add(p + mid);
      ArcBetween(w, p, mid, n1, hw, 0);
    } else {
      ArcBetween(w, p, n0, n1, hw, 0);
    }
    w.Add(p + n1);
    w.End();
    return;
  }
  const V2 sum = n0 + n1;
  const double sl2 = Dot(sum, sum);
  if (o.join == ILineJoin::kMiter && sl2 > 1e-12) {
    const V2 v = sum * (2.0 * hw * hw / sl2);
    const double ratio = Len(v) / hw;
    const double limit = (o.miterLimit >= 1.f && Finite(o.miterLimit)) ? o.miterLimit : 1.0;
    if (ratio <= limit) {
      w.Begin();
      w.Add(p);
      w.Add(p + n0);
      w.Add(p + v);
      w.Add(p + n1);
      w.End();
      return;
    }
  }
  w.Begin();
  w.Add(p);
  w.Add(p + n0);
  w.Add(p + n1);
  w.End();
}

}  // namespace

void AddStrokeEdges(const Path& path, float scale, float width, const IStrokeOptions& options,
                    Rasterizer& rast) {
  if (!(width > 0.f) || !Finite(width)) return;
  const double hw = 0.5 * width;
  PieceWriter w(rast);
  std::vector<V2> pts;
  const std::vector<float>& src = path.Points();
  for (const Path::Sub& sub : path.Subs()) {
    pts.clear();
    for (uint32_t i = 0; i < sub.count; ++i) {
      const V2 p{double(src[2 * (sub.start + i)]) * scale, double(src[2 * (sub.start + i) + 1]) * scale};
      if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
      if (!pts.empty() && Dot(p - pts.back(), p - pts.back()) < 1e-12) continue;
      pts.push_back(p);
    }
    bool closed = sub.closed;
    if (closed && pts.size() > 1 && Dot(pts.front() - pts.back(), pts.front() - pts.back()) < 1e-12) pts.pop_back();
    const size_t n = pts.size();
    if (n == 0) continue;
    if (n == 1) {
      Dot(w, pts[0], hw, options.cap);
      continue;
    }
    if (n == 2) closed = false;  // a closed two-point path is the segment drawn twice
    const size_t segs = closed ? n : n - 1;
    auto dirOf = [&](size_t i) {
      const V2 d = pts[(i + 1) % n] - pts[i];
      return d * (1.0 / Len(d));
    };
    for (size_t i = 0; i < segs; ++i) {
      V2 a = pts[i], b = pts[(i + 1) % n];
      const V2 d = dirOf(i);
      if (!closed && options.cap == ILineCap::kSquare) {
        if (i == 0) a = a - d * hw;
        if (i + 1 == segs) b = b + d * hw;
      }
      const V2 nv{-d.y * hw, d.x * hw};
      w.Begin();
      w.Add(a + nv);
      w.Add(b + nv);
      w.Add(b - nv);
      w.Add(a - nv);
      w.End();
    }
    // Joins at interior vertices (every vertex when closed).
    for (size_t i = closed ? 0 : 1; i < (closed ? n : n - 1); ++i) {
      const size_t prev = (i + n - 1) % n;
      Join(w, pts[i], dirOf(prev), dirOf(i), hw, options);
    }
    if (!closed && options.cap == ILineCap::kRound) {
      const V2 d0 = dirOf(0);
      RoundCap(w, pts[0], V2{-d0.x, -d0.y}, hw);
      RoundCap(w, pts[n - 1], dirOf(n - 2), hw);
    }
  }
}

}  // namespace plugfw::ui::detail
