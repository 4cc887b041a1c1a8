#pragma once
// The vector renderer: an anti-aliased CPU rasteriser drawing into an RGBA frame.
//
// Pixels are the same on every platform: the pixel path uses only integer arithmetic and the
// IEEE-exact float operations (+ - * / sqrt), no library transcendental functions.
//
// Coordinates: every geometry argument is in LOGICAL units. The renderer multiplies them by
// (draw scale x screen scale) to get device pixels of the frame. Pixel (i, j) covers the device
// square [i, i+1) x [j, j+1); its centre is (i + 0.5, j + 0.5). A shape's edge coverage is its
// exact area fraction of each pixel (quantised to 1/256 of a pixel in both directions).
//
// The frame persists between repaints: a repaint draws only inside its clip rectangle and leaves
// every other pixel as it was, which is what a dirty-rectangle redraw needs.
//
// Typical use (one repaint):
//   r.SetScale(drawScale, screenScale);
//   r.SetFrameSize(pixelW, pixelH);          // when the window size changed
//   r.BeginFrame(dirtyRect);                 // logical rect; drawing is clipped to it
//   r.SetClip(controlRect); control.Draw(); r.ResetClip();   // per control
//   r.EndFrame();
//   upload r.Frame() (premultiplied RGBA) or r.Frame().WritePng(path)
//
// Not thread-safe: one renderer per editor, used from the UI thread.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "render/IGeometry.h"
#include "render/IPattern.h"
#include "render/IPixmap.h"
#include "render/IResourceSearch.h"

// <windows.h> maps DrawText and LoadBitmap to its own A/W functions by macro, which would rename
// the methods below in a Win32 translation unit. Include this header after <windows.h> (and call
// the Win32 functions by their W names there).
#ifdef DrawText
#undef DrawText
#endif
#ifdef LoadBitmap
#undef LoadBitmap
#endif

namespace plugfw::ui {

enum class IFillRule : uint8_t
{
  kNonZero,
  kEvenOdd
};
enum class ILineJoin : uint8_t
{
  kMiter,
  kRound,
  kBevel
};
enum class ILineCap : uint8_t
{
  kButt,
  kRound,
  kSquare
};

struct IFillOptions
{
  IFillRule rule = IFillRule::kNonZero;
  bool preserve = false; // keep the current path after filling
};

struct IStrokeOptions
{
  ILineJoin join = ILineJoin::kMiter;
  ILineCap cap = ILineCap::kButt;
  float miterLimit = 10.f; // a miter longer than miterLimit x half the width becomes a bevel
  bool preserve = false;   // keep the current path after stroking
};

// Horizontal alignment: 0 near (left), 1 centre, 2 far (right) - the text style's numbering.
enum class ITextAlign : uint8_t
{
  kNear = 0,
  kCenter = 1,
  kFar = 2
};
// Vertical alignment: 0 top, 1 middle, 2 bottom - the text style's numbering.
enum class ITextVAlign : uint8_t
{
  kTop = 0,
  kMiddle = 1,
  kBottom = 2
};

class IRenderer
{
public:
  IRenderer();
  ~IRenderer();
  IRenderer(const IRenderer&) = delete;
  IRenderer& operator=(const IRenderer&) = delete;

  // ---- Frame -------------------------------------------------------------------------------
  // Size of the frame in device pixels. Content in the overlap is kept, new pixels are
  // transparent. Negative sizes become 0; sides are limited to IPixmap::kMaxSide, and a frame of
  // more than IPixmap::kMaxPixels pixels is left empty (nothing is drawn).
  void SetFrameSize(int pixelWidth, int pixelHeight);
  // Logical-to-device factor = drawScale * screenScale. Non-finite or non-positive values are
  // replaced by 1.
  void SetScale(float drawScale, float screenScale);
  float GetScale() const; // the product
  // Convenience: frame size = FrameSide of each logical side with the current scale.
  void SetLogicalSize(float width, float height);
  // Device pixels of one logical side: ceil(logical * scale) in double, 0..16384 (0 for NaN).
  // Windows showing the frame take their size from here, so window and frame always agree.
  static int FrameSide(float logical, float scale);

  // Begins a repaint of `clip` (logical). The clip is snapped outward to whole device pixels and
  // limited to the frame; the current path is cleared. Drawing outside BeginFrame/EndFrame is
  // allowed and clipped to the whole frame.
  void BeginFrame(const IRect& clip);
  // Ends the repaint. Returns the device-pixel rectangle that the repaint may have changed
  // (the frame clip, integer coordinates stored as floats; all zero when nothing).
  IRect EndFrame();

  // Restricts drawing to `clip` (logical, snapped outward) intersected with the frame clip.
  void SetClip(const IRect& clip);
  // Back to the frame clip.
  void ResetClip();
  // The current clip in device pixels (integers as floats).
  IRect GetClipPixels() const;

  // Fills the pixels of the current clip with a colour, replacing what is there (no blending).
  void Clear(const IColor& color);

  const IPixmap& Frame() const;
  IPixmap& Frame();

  // ---- Shapes (geometry in logical units; blend multiplies the paint's alpha, 0..1) ---------
  void FillRect(const IPattern& paint, const IRect& rect, float blend = 1.f);
  void FillRoundRect(const IPattern& paint, const IRect& rect, float radius, float blend = 1.f);
  void FillCircle(const IPattern& paint, float cx, float cy, float r, float blend = 1.f);
  // Outlines are centred on the geometry (half the thickness inside, half outside).
  void DrawLine(const IPattern& paint, float x1, float y1, float x2, float y2, float blend = 1.f,
                float thickness = 1.f);
  void DrawRect(const IPattern& paint, const IRect& rect, float blend = 1.f, float thickness = 1.f);
  void DrawRoundRect(const IPattern& paint, const IRect& rect, float radius, float blend = 1.f,
                     float thickness = 1.f);
  void DrawCircle(const IPattern& paint, float cx, float cy, float r, float blend = 1.f,
                  float thickness = 1.f);
  // Closed polygons from n points (x, y pairs), filled with the non-zero rule.
  void FillTriangle(const IPattern& paint, float x1, float y1, float x2, float y2, float x3,
                    float y3, float blend = 1.f);
  void FillPolygon(const IPattern& paint, const float* xy, int n, float blend = 1.f);
  // The shape helpers above use their own scratch path: they never disturb the current path.

  // ---- Path ---------------------------------------------------------------------------------
  void PathClear();
  void PathMoveTo(float x, float y);
  void PathLineTo(float x, float y); // without a current point it acts as move-to
  void PathQuadTo(float cx, float cy, float x, float y);
  void PathCubicTo(float c1x, float c1y, float c2x, float c2y, float x, float y);
  // Arc around (cx, cy), angles in degrees clockwise from 12 o'clock (0 = up, 90 = right);
  // joined to the current point by a line when there is one.
  void PathArc(float cx, float cy, float r, float a1Deg, float a2Deg);
  void PathClose();
  // Closed sub-paths appended to the current path.
  void PathRect(const IRect& rect);

  // Fills the current path (open sub-paths are closed implicitly); clears it unless preserved.
  void PathFill(const IPattern& paint, const IFillOptions& options = {}, float blend = 1.f);
  // Strokes the current path; clears it unless preserved. thickness is logical.
  void PathStroke(const IPattern& paint, float thickness, const IStrokeOptions& options = {},
                  float blend = 1.f);

  // ---- Text ---------------------------------------------------------------------------------
  // Registers a TrueType font under `fontId` (for example "Roboto-Regular"). The bytes are
  // copied. Returns false (and registers nothing) for data that is not a usable font. Loading
  // the same id again replaces it.
  bool LoadFont(std::string_view fontId, const void* data, size_t size);
  bool HasFont(std::string_view fontId) const;

  // Text size is the font's full height (ascender to descender) in logical units.
  // Draws UTF-8 text positioned in `rect`: horizontally by `align`, vertically by `valign`
  // (middle centres the ascender-descender box). Text is not clipped to `rect`, only to the clip.
  // An unknown font id draws nothing. Invalid UTF-8 bytes draw as U+FFFD.
  void DrawText(std::string_view fontId, float size, const IColor& color, const IRect& rect,
                ITextAlign align, ITextVAlign valign, std::string_view utf8, float blend = 1.f);
  // Advance width of the text in logical units (0 for an unknown font or empty text).
  float MeasureText(std::string_view fontId, float size, std::string_view utf8) const;

  // ---- Bitmaps ------------------------------------------------------------------------------
  // Loads a bitmap resource by name for the current integer display scale (rounded up from the
  // renderer's scale), trying the scaled variants in BitmapScaleSearchOrder. Decoded bitmaps are
  // cached by (name, scale). Returns an invalid bitmap when nothing decodes. `frames` < 1 is 1.
  IBitmap LoadBitmap(const IResourceFinder& finder, std::string_view name, int frames = 1);
  // Draws one frame (0-based, clamped) of the bitmap scaled to fill `dest` (bilinear filtering).
  void DrawBitmap(const IBitmap& bitmap, const IRect& dest, int frame = 0, float blend = 1.f);

private:
  struct Impl;
  std::unique_ptr<Impl> m;
};

} // namespace plugfw::ui
