// The context's drawing operations: logical units and the drawing control's blend, handed to the
// renderer; fonts and bitmaps found by name in the module's resources.

#include "graphics/ICanvas.h"

namespace plugfw::ui {

// ---- Drawing ---------------------------------------------------------------------------

void ICanvas::FillRect(const IPattern& p, const IRect& r, const IBlend* b)
{
  mRenderer->FillRect(p, r, BlendWeight(b));
}

void ICanvas::FillRoundRect(const IPattern& p, const IRect& r, float radius, const IBlend* b)
{
  mRenderer->FillRoundRect(p, r, radius, BlendWeight(b));
}

void ICanvas::FillCircle(const IPattern& p, float cx, float cy, float r, const IBlend* b)
{
  mRenderer->FillCircle(p, cx, cy, r, BlendWeight(b));
}

void ICanvas::FillTriangle(const IPattern& p, float x1, float y1, float x2, float y2, float x3,
                           float y3, const IBlend* b)
{
  // Drawn with the renderer's path; the current path is not shared with callers mid-build.
  mRenderer->PathClear();
  mRenderer->PathMoveTo(x1, y1);
  mRenderer->PathLineTo(x2, y2);
  mRenderer->PathLineTo(x3, y3);
  mRenderer->PathClose();
  mRenderer->PathFill(p, {}, BlendWeight(b));
}

void ICanvas::DrawLine(const IPattern& p, float x1, float y1, float x2, float y2, const IBlend* b,
                       float t)
{
  mRenderer->DrawLine(p, x1, y1, x2, y2, BlendWeight(b), t);
}

void ICanvas::DrawRect(const IPattern& p, const IRect& r, const IBlend* b, float t)
{
  mRenderer->DrawRect(p, r, BlendWeight(b), t);
}

void ICanvas::DrawRoundRect(const IPattern& p, const IRect& r, float radius, const IBlend* b,
                            float t)
{
  mRenderer->DrawRoundRect(p, r, radius, BlendWeight(b), t);
}

void ICanvas::DrawCircle(const IPattern& p, float cx, float cy, float r, const IBlend* b, float t)
{
  mRenderer->DrawCircle(p, cx, cy, r, BlendWeight(b), t);
}

void ICanvas::PathClear()
{
  mRenderer->PathClear();
}
void ICanvas::PathMoveTo(float x, float y)
{
  mRenderer->PathMoveTo(x, y);
}
void ICanvas::PathLineTo(float x, float y)
{
  mRenderer->PathLineTo(x, y);
}
void ICanvas::PathClose()
{
  mRenderer->PathClose();
}

void ICanvas::PathStroke(const IPattern& p, float thickness, float miterLimit, bool preserve,
                         const IBlend* b)
{
  IStrokeOptions o;
  o.miterLimit = miterLimit;
  o.preserve = preserve;
  mRenderer->PathStroke(p, thickness, o, BlendWeight(b));
}

void ICanvas::PathFill(const IPattern& p, const IBlend* b, bool preserve)
{
  IFillOptions o;
  o.preserve = preserve;
  mRenderer->PathFill(p, o, BlendWeight(b));
}

void ICanvas::DrawText(const IText& text, const char* str, const IRect& bounds, const IBlend* b)
{
  if (!str || !*str)
    return;
  mRenderer->DrawText(text.mFont, text.mSize, text.mFGColor, bounds,
                      static_cast<ITextAlign>(text.mAlign), static_cast<ITextVAlign>(text.mVAlign),
                      str, BlendWeight(b));
}

float ICanvas::MeasureText(const IText& text, const char* str) const
{
  if (!str || !*str)
    return 0.f;
  return mRenderer->MeasureText(text.mFont, text.mSize, str);
}

bool ICanvas::LoadFont(const char* fontId, const char* resourceName)
{
  if (!fontId || !resourceName || !mResourceFinder)
    return false;
  if (mRenderer->HasFont(fontId))
    return true;
  const uint8_t* data = nullptr;
  size_t size = 0;
  if (!mResourceFinder(resourceName, data, size))
    return false;
  return mRenderer->LoadFont(fontId, data, size);
}

bool ICanvas::LoadFont(const char* fontId, const void* data, size_t size)
{
  if (!fontId || !data)
    return false;
  return mRenderer->LoadFont(fontId, data, size);
}

IBitmap ICanvas::LoadBitmap(const char* name, int nStates)
{
  if (!name || !mResourceFinder)
    return IBitmap();
  return mRenderer->LoadBitmap(mResourceFinder, name, nStates);
}

void ICanvas::DrawBitmap(const IBitmap& bitmap, const IRect& dest, int frame, const IBlend* b)
{
  if (bitmap.IsValid())
    mRenderer->DrawBitmap(bitmap, dest, frame, BlendWeight(b));
}

IResourceHit ICanvas::SearchResourceByScale(const char* name, int scale) const
{
  if (!name || !mResourceFinder)
    return IResourceHit();
  return FindBitmapResource(mResourceFinder, name, scale);
}

} // namespace plugfw::ui
