#include "graphics/ICanvasHeadless.h"

#include "plugin/IEditorDelegate.h"

namespace plugfw::ui {

ICanvasHeadless::ICanvasHeadless(IEditorDelegate* dlg, int w, int h, int fps, float scale)
    : ICanvas(dlg, w, h, fps, scale)
{}

ICanvasHeadless::~ICanvasHeadless()
{
  CloseWindow();
}

void* ICanvasHeadless::OpenWindow(void*)
{
  mOpen = true;
  // As a real window does once it exists: the controls take the current values.
  if (mDelegate)
    mDelegate->OnEditorOpen();
  SetAllControlsDirty();
  return this;
}

void ICanvasHeadless::CloseWindow()
{
  mOpen = false;
  RemoveAllControls();
}

bool ICanvasHeadless::OpenURL(const char* url, const char*, const char*, const char*)
{
  if (!url)
    return false;
  mURLs.emplace_back(url);
  return true;
}

IRectList ICanvasHeadless::StepFrame()
{
  IRectList rects;
  if (IsDirty(rects))
    Draw(rects);
  return rects;
}

bool ICanvasHeadless::WritePng(const std::string& path) const
{
  return GetFrame().WritePng(path);
}

IMouseMod ICanvasHeadless::Left(bool shift, bool ctl)
{
  IMouseMod m;
  m.L = true;
  m.S = shift;
  m.C = ctl;
  return m;
}

IMouseMod ICanvasHeadless::Right()
{
  IMouseMod m;
  m.R = true;
  return m;
}

void ICanvasHeadless::Press(float x, float y, const IMouseMod& mod)
{
  OnMouseDown({IMouseInfo{x, y, 0.f, 0.f, mod}});
}

void ICanvasHeadless::Release(float x, float y, const IMouseMod& mod)
{
  OnMouseUp({IMouseInfo{x, y, 0.f, 0.f, mod}});
}

void ICanvasHeadless::DragTo(float x, float y, const IMouseMod& mod)
{
  const float dx = x - GetMouseX(), dy = y - GetMouseY();
  OnMouseDrag({IMouseInfo{x, y, dx, dy, mod}});
}

void ICanvasHeadless::Click(float x, float y, const IMouseMod& mod)
{
  Press(x, y, mod);
  Release(x, y, mod);
}

void ICanvasHeadless::MoveTo(float x, float y)
{
  OnMouseOver(x, y, IMouseMod());
}

void ICanvasHeadless::Wheel(float x, float y, float delta, const IMouseMod& mod)
{
  OnMouseWheel(x, y, mod, delta);
}

void ICanvasHeadless::DoubleClick(float x, float y, const IMouseMod& mod)
{
  OnMouseDblClick(x, y, mod);
}

void ICanvasHeadless::TouchDown(std::uintptr_t platformID, float x, float y)
{
  IMouseMod m;
  m.L = true;
  m.touchID = HashTouchID(platformID);
  OnMouseDown({IMouseInfo{x, y, 0.f, 0.f, m}});
}

void ICanvasHeadless::TouchUp(std::uintptr_t platformID, float x, float y)
{
  IMouseMod m;
  m.L = true;
  m.touchID = HashTouchID(platformID);
  OnMouseUp({IMouseInfo{x, y, 0.f, 0.f, m}});
}

void ICanvasHeadless::ChoosePopupItem(int idx)
{
  IPopupMenu* menu = GetPendingPopupMenu();
  if (!menu)
    return;
  menu->SetChosenItemIdx(idx);
  SetControlValueAfterPopupMenu(menu);
}

void ICanvasHeadless::PlatformResize(bool)
{
  ++mPlatformResizes;
}

void ICanvasHeadless::HidePlatformCursor(bool hide)
{
  mPlatformCursorHidden = hide;
}

ECursor ICanvasHeadless::SetPlatformCursor(ECursor cursor)
{
  const ECursor prev = mPlatformCursor;
  mPlatformCursor = cursor;
  return prev;
}

void ICanvasHeadless::MovePlatformCursor(float x, float y)
{
  mWarps.push_back({x, y});
}

void ICanvasHeadless::CreatePlatformTextEntry(int controlIdx, const IText& text,
                                              const IRect& bounds, int length, const char* str)
{
  mTextEntries.push_back({controlIdx, text, bounds, length, str ? str : ""});
}

void ICanvasHeadless::CreatePlatformPopupMenu(IPopupMenu& menu, const IRect& bounds)
{
  mPopups.push_back({&menu, bounds});
}

} // namespace plugfw::ui
