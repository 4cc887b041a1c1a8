// Stroking: each sub-path becomes one outline polygon - the offset line on the left going
// forward, the end cap, the offset line on the right coming back, the start cap - filled with
// the non-zero rule. On the inside of a turn the two offset lines are cut at their intersection,
// so the outline does not overlap itself there (an overlap would count twice in the coverage of
// edge pixels and show as beads along dense polylines).

#include <cmath>
#include <vector>

#include "render/Path.h"
#include "render/RenderMath.h"

namespace plugfw::ui::detail {

namespace {

constexpr double kArcTolerance = 0.02; // device pixels

using V2 = StrokeScratch::Point;
inline V2 operator+(V2 a, V2 b)
{
  return {a.x + b.x, a.y + b.y};
}
inline V2 operator-(V2 a, V2 b)
{
  return {a.x - b.x, a.y - b.y};
}
inline V2 operator-(V2 a)
{
  return {-a.x, -a.y};
}
inline V2 operator*(V2 a, double s)
{
  return {a.x * s, a.y * s};
}
inline double Dot(V2 a, V2 b)
{
  return a.x * b.x + a.y * b.y;
}
inline double Cross(V2 a, V2 b)
{
  return a.x * b.y - a.y * b.x;
}
inline double Len(V2 a)
{
  return std::sqrt(Dot(a, a));
}

using Poly = std::vector<V2>;

// Points on the arc around c from offset a to offset b (both of length r, less than half a turn
// apart), excluding both ends, by recursive bisection.
void ArcBetween(Poly& out, V2 c, V2 a, V2 b, double r, int depth = 0)
{
  V2 m = (a + b) * 0.5;
  const double ml = Len(m);
  if (ml <= 0.0 || depth > 12 || r - ml <= kArcTolerance)
    return;
  m = m * (r / ml);
  ArcBetween(out, c, a, m, r, depth + 1);
  out.push_back(c + m);
  ArcBetween(out, c, m, b, r, depth + 1);
}

// Half turn from offset n to -n through f (f perpendicular to n, same length).
void HalfTurn(Poly& out, V2 c, V2 n, V2 f, double r)
{
  ArcBetween(out, c, n, f, r);
  out.push_back(c + f);
  ArcBetween(out, c, f, -n, r);
}

void Emit(const Poly& poly, Rasterizer& rast, std::vector<float>& scratch)
{
  if (poly.size() < 3)
    return;
  scratch.clear();
  for (const V2& p : poly)
  {
    scratch.push_back(static_cast<float>(p.x));
    scratch.push_back(static_cast<float>(p.y));
  }
  rast.AddPolygon(scratch.data(), static_cast<int>(poly.size()));
}

struct Stroker
{
  double hw;
  const IStrokeOptions& o;
  const std::vector<V2>& pts;
  std::vector<V2>&dir, &nrm;
  std::vector<double>& len;
  Poly &left, &right;

  // Adds the join at vertex p between segment a (incoming) and b (outgoing).
  void Join(size_t vi, size_t a, size_t b)
  {
    const V2 p = pts[vi];
    const V2 d0 = dir[a], d1 = dir[b], n0 = nrm[a], n1 = nrm[b];
    const double cr = Cross(d0, d1), dt = Dot(d0, d1);
    if (std::fabs(cr) < 1e-9 && dt > 0)
    { // straight on
      left.push_back(p + n0);
      right.push_back(p - n0);
      return;
    }
    const bool reversal = std::fabs(cr) < 1e-9;
    const double s = (cr > 0 && !reversal) ? -1.0 : 1.0; // +1: the left side is the outer side
    Poly& outer = s > 0 ? left : right;
    Poly& inner = s > 0 ? right : left;
    const V2 o0 = n0 * s, o1 = n1 * s;

    // Outer side: miter, bevel or round.
    outer.push_back(p + o0);
    if (o.join == ILineJoin::kRound)
    {
      if (reversal)
        HalfTurn(outer, p, o0, d0 * hw, hw);
      else
        ArcBetween(outer, p, o0, o1, hw);
    }
    else if (o.join == ILineJoin::kMiter && !reversal)
    {
      const V2 sum = o0 + o1;
      const double sl2 = Dot(sum, sum);
      const double limit =
          (o.miterLimit >= 1.f && std::isfinite(o.miterLimit)) ? o.miterLimit : 1.0;
      if (sl2 > 1e-12)
      {
        const V2 v = sum * (2.0 * hw * hw / sl2);
        if (Len(v) <= limit * hw)
          outer.push_back(p + v);
      }
    }
    outer.push_back(p + o1);

    // Inner side: the intersection of the two offset lines when it cuts at most half of each
    // segment (so the cuts of a segment's two joins never cross and invert the offset line),
    // otherwise through the vertex itself.
    const V2 i0 = -o0, i1 = -o1;
    const V2 sum = i0 + i1;
    const double sl2 = Dot(sum, sum);
    if (!reversal && sl2 > 1e-12)
    {
      const V2 v = sum * (2.0 * hw * hw / sl2);
      const double back = -Dot(v, d0), ahead = Dot(v, d1);
      if (back <= 0.5 * len[a] && ahead <= 0.5 * len[b])
      {
        inner.push_back(p + v);
        return;
      }
    }
    inner.push_back(p + i0);
    inner.push_back(p);
    inner.push_back(p + i1);
  }
};

void Dot(const V2& p, double hw, ILineCap cap, Rasterizer& rast, Poly& poly,
         std::vector<float>& scratch)
{
  poly.clear();
  if (cap == ILineCap::kRound)
  {
    const V2 n{0, -hw}, f{hw, 0};
    poly.push_back(p + n);
    HalfTurn(poly, p, n, f, hw);
    HalfTurn(poly, p, -n, -f, hw);
  }
  else if (cap == ILineCap::kSquare)
  {
    for (const V2 corner : {V2{-hw, -hw}, V2{hw, -hw}, V2{hw, hw}, V2{-hw, hw}})
      poly.push_back(p + corner);
  }
  Emit(poly, rast, scratch);
}

} // namespace

void AddStrokeEdges(const Path& path, float scale, float width, const IStrokeOptions& options,
                    Rasterizer& rast)
{
  StrokeScratch storage;
  AddStrokeEdges(path, scale, width, options, rast, storage);
}

void AddStrokeEdges(const Path& path, float scale, float width, const IStrokeOptions& options,
                    Rasterizer& rast, StrokeScratch& storage)
{
  if (!(width > 0.f) || !Finite(width))
    return;
  const double hw = 0.5 * width;
  std::vector<V2>& pts = storage.pts;
  std::vector<float>& scratch = storage.xy;
  const std::vector<float>& src = path.Points();
  for (const Path::Sub& sub : path.Subs())
  {
    pts.clear();
    for (uint32_t i = 0; i < sub.count; ++i)
    {
      const V2 p{double(src[2 * (sub.start + i)]) * scale,
                 double(src[2 * (sub.start + i) + 1]) * scale};
      if (!std::isfinite(p.x) || !std::isfinite(p.y))
        continue;
      if (!pts.empty() && Dot(p - pts.back(), p - pts.back()) < 1e-12)
        continue;
      pts.push_back(p);
    }
    bool closed = sub.closed;
    if (closed && pts.size() > 1 && Dot(pts.front() - pts.back(), pts.front() - pts.back()) < 1e-12)
      pts.pop_back();
    const size_t n = pts.size();
    if (n == 0)
      continue;
    if (n == 1)
    {
      Dot(pts[0], hw, options.cap, rast, storage.outline, scratch);
      continue;
    }
    if (n == 2)
      closed = false; // a closed two-point path is the segment there and back
    const size_t segs = closed ? n : n - 1;
    storage.left.clear();
    storage.right.clear();
    Stroker st{hw,          options,     pts,          storage.dir,
               storage.nrm, storage.len, storage.left, storage.right};
    st.dir.resize(segs);
    st.nrm.resize(segs);
    st.len.resize(segs);
    for (size_t i = 0; i < segs; ++i)
    {
      const V2 d = pts[(i + 1) % n] - pts[i];
      const double l = Len(d);
      st.len[i] = l;
      st.dir[i] = d * (1.0 / l);
      st.nrm[i] = V2{-st.dir[i].y * hw, st.dir[i].x * hw};
    }
    if (closed)
    {
      for (size_t i = 0; i < n; ++i)
        st.Join(i, (i + n - 1) % n, i);
      Emit(st.left, rast, scratch);
      storage.outline.assign(st.right.rbegin(), st.right.rend());
      Emit(storage.outline, rast, scratch);
      continue;
    }
    const V2 p0 = pts[0], pe = pts[n - 1];
    const V2 d0 = st.dir[0], de = st.dir[segs - 1], n0 = st.nrm[0], ne = st.nrm[segs - 1];
    st.left.push_back(p0 + n0);
    st.right.push_back(p0 - n0);
    for (size_t i = 1; i + 1 < n; ++i)
      st.Join(i, i - 1, i);
    st.left.push_back(pe + ne);
    st.right.push_back(pe - ne);
    Poly& outline = storage.outline;
    outline.assign(st.left.begin(), st.left.end());
    // End cap: from the left offset round to the right offset.
    if (options.cap == ILineCap::kSquare)
    {
      outline.push_back(pe + ne + de * hw);
      outline.push_back(pe - ne + de * hw);
    }
    else if (options.cap == ILineCap::kRound)
    {
      HalfTurn(outline, pe, ne, de * hw, hw);
    }
    outline.insert(outline.end(), st.right.rbegin(), st.right.rend());
    // Start cap: from the right offset back round to the left one.
    if (options.cap == ILineCap::kSquare)
    {
      outline.push_back(p0 - n0 - d0 * hw);
      outline.push_back(p0 + n0 - d0 * hw);
    }
    else if (options.cap == ILineCap::kRound)
    {
      HalfTurn(outline, p0, -n0, -d0 * hw, hw);
    }
    Emit(outline, rast, scratch);
  }
}

} // namespace plugfw::ui::detail
