#include "render/IRenderer.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "render/GlyphAtlas.h"
#include "render/Paint.h"
#include "render/Path.h"
#include "render/Rasterizer.h"
#include "utf8/Utf8.h"
#include "render/RenderMath.h"

namespace plugfw::ui {

using detail::Clamp;
using detail::PixelRect;

namespace {

constexpr int kMaxFrameSide = 16384;
constexpr float kMaxTextPixels = 2048.f;

// Device pixel index for a logical coordinate, rounded down or up, limited to a sane range.
int SnapDown(double v)
{
  return static_cast<int>(std::floor(Clamp(v, -1.0e6, 1.0e6)));
}
int SnapUp(double v)
{
  return static_cast<int>(std::ceil(Clamp(v, -1.0e6, 1.0e6)));
}

} // namespace

struct IRenderer::Impl
{
  IPixmap frame;
  float scale = 1.f;
  PixelRect frameClip;
  PixelRect clip;
  bool inFrame = false;
  detail::Path path;
  detail::Path scratch;
  detail::Rasterizer rast;
  detail::StrokeScratch strokeScratch; // reused by every stroke
  detail::PaintSink sink;
  detail::FontSet fonts;
  detail::GlyphAtlas atlas;
  std::map<std::string, IBitmap, std::less<>> bitmaps;
  std::vector<int> glyphs;

  PixelRect Whole() const { return PixelRect{0, 0, frame.Width(), frame.Height()}; }

  PixelRect Snap(const IRect& r) const
  {
    if (!Finite(r.L) || !Finite(r.T) || !Finite(r.R) || !Finite(r.B))
      return PixelRect{};
    PixelRect p{SnapDown(double(r.L) * scale), SnapDown(double(r.T) * scale),
                SnapUp(double(r.R) * scale), SnapUp(double(r.B) * scale)};
    return p.Intersect(Whole());
  }
  static bool Finite(float v) { return std::isfinite(v); }

  void Fill(const detail::Path& p, const IPattern& paint, IFillRule rule, float blend)
  {
    if (clip.Empty() || p.Empty())
      return;
    sink.Prepare(frame, paint, scale, blend);
    if (sink.Invisible())
      return;
    rast.Reset(clip);
    detail::AddFillEdges(p, scale, rast);
    rast.Sweep(rule, sink);
  }

  void Stroke(const detail::Path& p, const IPattern& paint, float thickness,
              const IStrokeOptions& o, float blend)
  {
    if (clip.Empty() || p.Empty())
      return;
    const float width = thickness * scale;
    if (!(width > 0.f) || !std::isfinite(width))
      return;
    sink.Prepare(frame, paint, scale, blend);
    if (sink.Invisible())
      return;
    rast.Reset(clip);
    detail::AddStrokeEdges(p, scale, width, o, rast, strokeScratch);
    rast.Sweep(IFillRule::kNonZero, sink);
  }

  detail::Path& Scratch()
  {
    scratch.Clear();
    scratch.SetScale(scale);
    return scratch;
  }
};

IRenderer::IRenderer() : m(std::make_unique<Impl>()) {}
IRenderer::~IRenderer() = default;

// ---- Frame -------------------------------------------------------------------------------------

void IRenderer::SetFrameSize(int pixelWidth, int pixelHeight)
{
  m->frame.Resize(Clamp(pixelWidth, 0, kMaxFrameSide), Clamp(pixelHeight, 0, kMaxFrameSide));
  if (m->inFrame)
  {
    m->frameClip = m->frameClip.Intersect(m->Whole());
    m->clip = m->clip.Intersect(m->frameClip);
  }
  else
  {
    m->frameClip = m->clip = m->Whole();
  }
}

void IRenderer::SetScale(float drawScale, float screenScale)
{
  float s = drawScale * screenScale;
  if (!(s > 0.f) || !std::isfinite(s) || !(drawScale > 0.f) || !(screenScale > 0.f))
    s = 1.f;
  m->scale = Clamp(s, 1.0f / 64.f, 64.f);
  m->path.SetScale(m->scale);
}

float IRenderer::GetScale() const
{
  return m->scale;
}

int IRenderer::FrameSide(float logical, float scale)
{
  const double px = std::ceil(Clamp(double(logical) * double(scale), 0.0, double(kMaxFrameSide)));
  return std::isfinite(px) ? static_cast<int>(px) : 0;
}

void IRenderer::SetLogicalSize(float width, float height)
{
  SetFrameSize(FrameSide(width, m->scale), FrameSide(height, m->scale));
}

void IRenderer::BeginFrame(const IRect& clip)
{
  m->inFrame = true;
  m->frameClip = m->Snap(clip);
  m->clip = m->frameClip;
  m->path.Clear();
  m->path.SetScale(m->scale);
}

IRect IRenderer::EndFrame()
{
  const PixelRect c = m->frameClip;
  m->inFrame = false;
  m->frameClip = m->clip = m->Whole();
  if (c.Empty())
    return IRect();
  return IRect(float(c.x0), float(c.y0), float(c.x1), float(c.y1));
}

void IRenderer::SetClip(const IRect& clip)
{
  m->clip = m->Snap(clip).Intersect(m->frameClip);
}

void IRenderer::ResetClip()
{
  m->clip = m->frameClip;
}

IRect IRenderer::GetClipPixels() const
{
  const PixelRect& c = m->clip;
  if (c.Empty())
    return IRect();
  return IRect(float(c.x0), float(c.y0), float(c.x1), float(c.y1));
}

void IRenderer::Clear(const IColor& color)
{
  const PixelRect& c = m->clip;
  if (c.Empty())
    return;
  const uint32_t v = detail::PremultiplyPacked(color);
  for (int y = c.y0; y < c.y1; ++y)
  {
    uint32_t* row = reinterpret_cast<uint32_t*>(m->frame.Row(y));
    std::fill(row + c.x0, row + c.x1, v);
  }
}

const IPixmap& IRenderer::Frame() const
{
  return m->frame;
}
IPixmap& IRenderer::Frame()
{
  return m->frame;
}

// ---- Shapes ------------------------------------------------------------------------------------

void IRenderer::FillRect(const IPattern& paint, const IRect& rect, float blend)
{
  detail::Path& p = m->Scratch();
  p.Rect(rect);
  m->Fill(p, paint, IFillRule::kNonZero, blend);
}

void IRenderer::FillRoundRect(const IPattern& paint, const IRect& rect, float radius, float blend)
{
  detail::Path& p = m->Scratch();
  p.RoundRect(rect, radius);
  m->Fill(p, paint, IFillRule::kNonZero, blend);
}

void IRenderer::FillCircle(const IPattern& paint, float cx, float cy, float r, float blend)
{
  if (!(r > 0.f))
    return;
  detail::Path& p = m->Scratch();
  p.Ellipse(cx, cy, r, r);
  m->Fill(p, paint, IFillRule::kNonZero, blend);
}

void IRenderer::DrawLine(const IPattern& paint, float x1, float y1, float x2, float y2, float blend,
                         float thickness)
{
  detail::Path& p = m->Scratch();
  p.MoveTo(x1, y1);
  p.LineTo(x2, y2);
  m->Stroke(p, paint, thickness, IStrokeOptions{}, blend);
}

void IRenderer::DrawRect(const IPattern& paint, const IRect& rect, float blend, float thickness)
{
  detail::Path& p = m->Scratch();
  p.Rect(rect);
  m->Stroke(p, paint, thickness, IStrokeOptions{}, blend);
}

void IRenderer::DrawRoundRect(const IPattern& paint, const IRect& rect, float radius, float blend,
                              float thickness)
{
  detail::Path& p = m->Scratch();
  p.RoundRect(rect, radius);
  m->Stroke(p, paint, thickness, IStrokeOptions{}, blend);
}

void IRenderer::DrawCircle(const IPattern& paint, float cx, float cy, float r, float blend,
                           float thickness)
{
  if (!(r > 0.f))
    return;
  detail::Path& p = m->Scratch();
  p.Ellipse(cx, cy, r, r);
  m->Stroke(p, paint, thickness, IStrokeOptions{}, blend);
}

void IRenderer::FillTriangle(const IPattern& paint, float x1, float y1, float x2, float y2,
                             float x3, float y3, float blend)
{
  const float xy[6] = {x1, y1, x2, y2, x3, y3};
  FillPolygon(paint, xy, 3, blend);
}

void IRenderer::FillPolygon(const IPattern& paint, const float* xy, int n, float blend)
{
  if (!xy || n < 3)
    return;
  detail::Path& p = m->Scratch();
  p.MoveTo(xy[0], xy[1]);
  for (int i = 1; i < n; ++i)
    p.LineTo(xy[2 * i], xy[2 * i + 1]);
  p.Close();
  m->Fill(p, paint, IFillRule::kNonZero, blend);
}

// ---- Path --------------------------------------------------------------------------------------

void IRenderer::PathClear()
{
  m->path.Clear();
}
void IRenderer::PathMoveTo(float x, float y)
{
  m->path.MoveTo(x, y);
}
void IRenderer::PathLineTo(float x, float y)
{
  m->path.LineTo(x, y);
}
void IRenderer::PathQuadTo(float cx, float cy, float x, float y)
{
  m->path.QuadTo(cx, cy, x, y);
}
void IRenderer::PathCubicTo(float c1x, float c1y, float c2x, float c2y, float x, float y)
{
  m->path.CubicTo(c1x, c1y, c2x, c2y, x, y);
}
void IRenderer::PathArc(float cx, float cy, float r, float a1Deg, float a2Deg)
{
  m->path.Arc(cx, cy, r, a1Deg, a2Deg);
}
void IRenderer::PathClose()
{
  m->path.Close();
}
void IRenderer::PathRect(const IRect& rect)
{
  m->path.Rect(rect);
}

void IRenderer::PathFill(const IPattern& paint, const IFillOptions& options, float blend)
{
  m->Fill(m->path, paint, options.rule, blend);
  if (!options.preserve)
    m->path.Clear();
}

void IRenderer::PathStroke(const IPattern& paint, float thickness, const IStrokeOptions& options,
                           float blend)
{
  m->Stroke(m->path, paint, thickness, options, blend);
  if (!options.preserve)
    m->path.Clear();
}

// ---- Text --------------------------------------------------------------------------------------

bool IRenderer::LoadFont(std::string_view fontId, const void* data, size_t size)
{
  return m->fonts.Load(fontId, data, size);
}

bool IRenderer::HasFont(std::string_view fontId) const
{
  return m->fonts.Find(fontId) != nullptr;
}

namespace {

// Advance of the glyph sequence in font units (advances plus kerning).
double AdvanceUnits(const detail::Font& f, const std::vector<int>& glyphs)
{
  double units = 0;
  for (size_t i = 0; i < glyphs.size(); ++i)
  {
    int adv = 0, lsb = 0;
    stbtt_GetGlyphHMetrics(&f.info, glyphs[i], &adv, &lsb);
    units += adv;
    if (i + 1 < glyphs.size())
      units += stbtt_GetGlyphKernAdvance(&f.info, glyphs[i], glyphs[i + 1]);
  }
  return units;
}

void ToGlyphs(const detail::Font& f, std::string_view utf8, std::vector<int>& out)
{
  out.clear();
  size_t i = 0;
  while (i < utf8.size())
  {
    const char32_t cp = utf8::Decode(utf8, i);
    out.push_back(stbtt_FindGlyphIndex(&f.info, static_cast<int>(cp)));
  }
}

} // namespace

float IRenderer::MeasureText(std::string_view fontId, float size, std::string_view utf8) const
{
  const detail::Font* f = m->fonts.Find(fontId);
  if (!f || utf8.empty() || !(size > 0.f) || !std::isfinite(size))
    return 0.f;
  ToGlyphs(*f, utf8, m->glyphs);
  return static_cast<float>(AdvanceUnits(*f, m->glyphs) * double(size) * f->UnitScale());
}

void IRenderer::DrawText(std::string_view fontId, float size, const IColor& color,
                         const IRect& rect, ITextAlign align, ITextVAlign valign,
                         std::string_view utf8, float blend)
{
  const detail::Font* f = m->fonts.Find(fontId);
  if (!f || utf8.empty() || m->clip.Empty())
    return;
  const double pixelHeight = double(size) * m->scale;
  if (!(pixelHeight > 0.0) || pixelHeight > kMaxTextPixels)
    return;
  if (!std::isfinite(rect.L) || !std::isfinite(rect.T) || !std::isfinite(rect.R) ||
      !std::isfinite(rect.B))
    return;
  // Sizes are quantised to 1/64 pixel so that the glyph cache can share bitmaps.
  const uint32_t sizeKey = static_cast<uint32_t>(pixelHeight * 64.0 + 0.5);
  if (sizeKey == 0)
    return;
  const float ps = static_cast<float>(sizeKey) / 64.f * f->UnitScale();

  m->sink.PrepareSolid(m->frame, detail::PremultiplyPacked(color), blend);
  if (m->sink.Invisible())
    return;

  ToGlyphs(*f, utf8, m->glyphs);
  const double width = AdvanceUnits(*f, m->glyphs) * ps;
  const double s = m->scale;
  double x;
  switch (align)
  {
  case ITextAlign::kCenter:
    x = 0.5 * (double(rect.L) + rect.R) * s - 0.5 * width;
    break;
  case ITextAlign::kFar:
    x = double(rect.R) * s - width;
    break;
  default:
    x = double(rect.L) * s;
    break;
  }
  double baseline;
  switch (valign)
  {
  case ITextVAlign::kTop:
    baseline = double(rect.T) * s + f->ascent * double(ps);
    break;
  case ITextVAlign::kBottom:
    baseline = double(rect.B) * s + f->descent * double(ps);
    break;
  default:
    baseline = 0.5 * (double(rect.T) + rect.B) * s + 0.5 * (f->ascent + f->descent) * double(ps);
    break;
  }
  if (std::fabs(x) > 1.0e6 || std::fabs(baseline) > 1.0e6)
    return;
  const int by = static_cast<int>(std::floor(baseline + 0.5));
  const int fontIndex = m->fonts.IndexOf(f);
  const PixelRect& clip = m->clip;
  const std::vector<int>& glyphs = m->glyphs;
  for (size_t i = 0; i < glyphs.size(); ++i)
  {
    const double fx = std::floor(x);
    int ix = static_cast<int>(fx);
    int sub = static_cast<int>(std::floor((x - fx) * detail::GlyphAtlas::kSubpixels + 0.5));
    if (sub >= detail::GlyphAtlas::kSubpixels)
    {
      sub = 0;
      ++ix;
    }
    const detail::GlyphAtlas::Glyph& g = m->atlas.Get(*f, fontIndex, glyphs[i], ps, sizeKey, sub);
    if (g.w > 0 && g.h > 0)
    {
      const int left = ix + g.xoff, top = by + g.yoff;
      const int x0 = std::max(left, clip.x0), x1 = std::min(left + g.w, clip.x1);
      const int y0 = std::max(top, clip.y0), y1 = std::min(top + g.h, clip.y1);
      for (int y = y0; y < y1 && x0 < x1; ++y)
      {
        m->sink.Cover(y, x0, x1 - x0, m->atlas.Row(g.y + (y - top)) + g.x + (x0 - left));
      }
    }
    int adv = 0, lsb = 0;
    stbtt_GetGlyphHMetrics(&f->info, glyphs[i], &adv, &lsb);
    double units = adv;
    if (i + 1 < glyphs.size())
      units += stbtt_GetGlyphKernAdvance(&f->info, glyphs[i], glyphs[i + 1]);
    x += units * ps;
  }
}

// ---- Bitmaps -----------------------------------------------------------------------------------

IBitmap IRenderer::LoadBitmap(const IResourceFinder& finder, std::string_view name, int frames)
{
  frames = std::max(1, frames);
  const int scale = Clamp(static_cast<int>(std::ceil(double(m->scale) - 1e-4)), 1, 8);
  std::string key =
      std::string(name) + '\n' + std::to_string(scale) + '\n' + std::to_string(frames);
  if (auto it = m->bitmaps.find(key); it != m->bitmaps.end())
    return it->second;
  IResourceHit hit = FindBitmapResource(finder, name, scale);
  if (!hit.data)
    return IBitmap();
  IPixmap px = IPixmap::Decode(hit.data, hit.size);
  if (px.Empty())
    return IBitmap();
  IBitmap bmp(std::move(px), frames, hit.scale, hit.name);
  m->bitmaps.emplace(std::move(key), bmp);
  return bmp;
}

void IRenderer::DrawBitmap(const IBitmap& bitmap, const IRect& dest, int frame, float blend)
{
  if (!bitmap.IsValid() || m->clip.Empty() || dest.Empty())
    return;
  const IPixmap* px = bitmap.Pixels();
  const int frames = std::max(1, bitmap.Frames());
  const int fh = px->Height() / frames;
  if (fh <= 0)
    return;
  frame = Clamp(frame, 0, frames - 1);
  detail::ImageMapping map;
  map.image = px;
  map.srcX = 0;
  map.srcY = frame * fh;
  map.srcW = px->Width();
  map.srcH = fh;
  const double s = m->scale;
  map.originX = double(dest.L) * s;
  map.originY = double(dest.T) * s;
  map.stepX = double(map.srcW) / (double(dest.W()) * s);
  map.stepY = double(map.srcH) / (double(dest.H()) * s);
  if (!std::isfinite(map.stepX) || !std::isfinite(map.stepY) || !std::isfinite(map.originX) ||
      !std::isfinite(map.originY))
  {
    return;
  }
  m->sink.PrepareImage(m->frame, map, blend);
  if (m->sink.Invisible())
    return;
  detail::Path& p = m->Scratch();
  p.Rect(dest);
  m->rast.Reset(m->clip);
  detail::AddFillEdges(p, m->scale, m->rast);
  m->rast.Sweep(IFillRule::kNonZero, m->sink);
}

} // namespace plugfw::ui
