#include "graphics/ICanvas.h"

#include "graphics/IControls.h"
#include "plugin/IEditorDelegate.h"
#include "plugin/IParam.h"
#include "resources/QuellorResources.h"

#include <chrono>
#include <cmath>

namespace plugfw::ui {

ICanvas::ICanvas(IEditorDelegate* dlg, int w, int h, int fps, float scale)
    : mDelegate(dlg),
      mWidth(std::max(1, w)),
      mHeight(std::max(1, h)),
      mFPS(fps > 0 ? fps : 30),
      mResourceFinder(FindQuellorResource),
      mRenderer(std::make_unique<IRenderer>())
{
  if (std::isfinite(scale) && scale > 0.f)
    mDrawScale = std::clamp(scale, mMinScale, mMaxScale);
  mRenderer->SetScale(mDrawScale, mScreenScale);
  mRenderer->SetLogicalSize(static_cast<float>(mWidth), static_cast<float>(mHeight));
}

ICanvas::~ICanvas()
{
  RemoveAllControls();
}

// ---- Controls --------------------------------------------------------------------------

IControl* ICanvas::AttachControl(IControl* control, int tag, const char* group)
{
  if (!control)
    return nullptr;
  if (tag > -1 && mTags.count(tag))
  {
    control->Release();
    return nullptr;
  }
  control->SetDelegate(mDelegate);
  control->SetCanvas(this);
  control->OnInit();
  control->OnResize();
  control->OnRescale();
  control->SetGroup(group);
  mControls.push_back(control);
  if (tag > -1)
    mTags[tag] = control;
  control->OnAttached();
  return control;
}

void ICanvas::AttachCornerResizer(ICornerResizerControl* resizer, EUIResizerMode mode,
                                  bool layoutOnResize)
{
  if (!resizer)
    return;
  if (mCornerResizer)
    mCornerResizer->Release();
  mCornerResizer = resizer;
  mResizerMode = mode;
  mLayoutOnResize = layoutOnResize;
  resizer->SetDelegate(mDelegate);
  resizer->SetCanvas(this);
  resizer->OnInit();
  resizer->OnRescale();
  resizer->OnAttached();
}

void ICanvas::AttachPerformanceDisplay(IControl* display)
{
  if (!display)
    return;
  if (mPerfDisplay)
    mPerfDisplay->Release();
  mPerfDisplay = display;
  display->SetDelegate(mDelegate);
  display->SetCanvas(this);
  display->OnInit();
  display->OnAttached();
}

void ICanvas::AttachPanelBackground(const IPattern& pattern)
{
  auto* panel = new IPanelControl(GetBounds(), pattern);
  panel->SetIgnorePointer(true);
  AttachControl(panel);
}

void ICanvas::RemoveAllControls()
{
  mCapturedMap.clear();
  mMouseOver = nullptr;
  mMouseOverIdx = -1;
  mTextEntryControl = nullptr;
  mPopupControl = nullptr;
  mPopupMenu.reset();
  if (mPerfDisplay)
  {
    mPerfDisplay->Release();
    mPerfDisplay = nullptr;
  }
  if (mCornerResizer)
  {
    mCornerResizer->Release();
    mCornerResizer = nullptr;
  }
  mTags.clear();
  while (!mControls.empty())
  {
    IControl* c = mControls.back();
    mControls.pop_back();
    c->Release();
  }
}

IControl* ICanvas::GetControlWithTag(int tag) const
{
  auto it = mTags.find(tag);
  return it == mTags.end() ? nullptr : it->second;
}

int ICanvas::GetControlIdx(const IControl* c) const
{
  for (int i = 0; i < NControls(); ++i)
    if (mControls[i] == c)
      return i;
  return -1;
}

void ICanvas::ForAllControls(const IControlFunction& f)
{
  if (mPerfDisplay)
    f(*mPerfDisplay);
  if (mCornerResizer)
    f(*mCornerResizer);
  ForStandardControls(f);
}

void ICanvas::ForStandardControls(const IControlFunction& f)
{
  for (size_t i = 0; i < mControls.size(); ++i)
    f(*mControls[i]);
}

void ICanvas::SetAllControlsDirty()
{
  ForAllControls([](IControl& c) { c.MarkDirty(false); });
}

void ICanvas::SetAllControlsClean()
{
  ForAllControls([](IControl& c) { c.MarkClean(); });
}

void ICanvas::ForControlsBoundTo(IControl& c, const std::function<void(int)>& f)
{
  for (int v = 0; v < c.NVals(); ++v)
  {
    const int p = c.GetParamIdx(v);
    if (p >= 0)
      f(p);
  }
}

// ---- Hit testing -----------------------------------------------------------------------

IControl* ICanvas::GetMouseControl(float x, float y, bool capture, bool mouseOver,
                                   std::uintptr_t touchID)
{
  if (auto it = mCapturedMap.find(touchID); it != mCapturedMap.end())
    return it->second;

  IControl* found = nullptr;
  int foundIdx = -1;
  if (mCornerResizer && !mCornerResizer->GetRECT().Empty() &&
      mCornerResizer->GetRECT().Contains(x, y))
  {
    found = mCornerResizer;
  }
  else if (mPerfDisplay && !mPerfDisplay->GetRECT().Empty() &&
           mPerfDisplay->GetRECT().Contains(x, y))
  {
    found = mPerfDisplay;
  }
  else
  {
    if (mouseOver && !mEnableMouseOver)
      return nullptr;
    const int lowest = mouseOver ? 1 : 0;
    for (int i = NControls() - 1; i >= lowest; --i)
    {
      IControl* c = mControls[i];
      if (c->IsHidden() || c->IsBlendedAway() || c->GetIgnorePointer())
        continue;
      if (c->IsDisabled())
      {
        const bool allowed =
            mouseOver ? c->GetMouseOverWhenDisabled() : c->GetMouseEventsWhenDisabled();
        if (!allowed)
          continue;
      }
      if (c->HitTest(x, y))
      {
        found = c;
        foundIdx = i;
        break;
      }
    }
  }

  if (found && capture && mEnableTouch)
  {
    for (const auto& [id, ctrl] : mCapturedMap)
    {
      if (ctrl == found && id != touchID && !found->GetWantsMultiTouch())
        return nullptr;
    }
  }
  if (found && capture)
    mCapturedMap[touchID] = found;
  if (mouseOver)
    mMouseOverIdx = foundIdx;
  return found;
}

bool ICanvas::ControlIsCaptured(const IControl* c) const
{
  for (const auto& [id, ctrl] : mCapturedMap)
    if (ctrl == c)
      return true;
  return false;
}

IControl* ICanvas::GetCapturedControl(std::uintptr_t touchID) const
{
  auto it = mCapturedMap.find(touchID);
  return it == mCapturedMap.end() ? nullptr : it->second;
}

void ICanvas::ReleaseMouseCapture()
{
  mCapturedMap.clear();
  if (mCursorHidden)
    HideMouseCursor(false);
}

// ---- Pointer events --------------------------------------------------------------------

void ICanvas::OnMouseDown(const std::vector<IMouseInfo>& list)
{
  if (list.size() == 1)
  {
    mMouseDownX = list[0].x;
    mMouseDownY = list[0].y;
  }
  for (const IMouseInfo& info : list)
  {
    mMouseX = info.x;
    mMouseY = info.y;
    IControl* c = GetMouseControl(info.x, info.y, true, false, info.ms.touchID);
    if (!c)
      continue;
    const int valIdx = c->GetValIdxForPos(info.x, info.y);
    const int paramIdx = valIdx >= 0 ? c->GetParamIdx(valIdx) : -1;
    if (info.ms.R && paramIdx >= 0)
    {
      ReleaseMouseCapture();
      OpenHostContextMenu(*c, paramIdx, info.x, info.y);
      return;
    }
    ForControlsBoundTo(*c, [this](int p) { BeginParameterChangeFromUI(p); });
    c->OnPress(info.x, info.y, info.ms);
  }
}

void ICanvas::OnMouseUp(const std::vector<IMouseInfo>& list)
{
  for (const IMouseInfo& info : list)
  {
    mMouseX = info.x;
    mMouseY = info.y;
    auto it = mCapturedMap.find(info.ms.touchID);
    if (it == mCapturedMap.end())
      continue;
    IControl* c = it->second;
    c->OnRelease(info.x, info.y, info.ms);
    ForControlsBoundTo(*c, [this](int p) { EndParameterChangeFromUI(p); });
    mCapturedMap.erase(info.ms.touchID);
  }

  if (mResizingInProcess)
  {
    mResizingInProcess = false;
    // A resize releases every capture, so the resizer may not have seen its release.
    if (mCornerResizer && !list.empty())
      mCornerResizer->OnRelease(list[0].x, list[0].y, list[0].ms);
    if (mResizerMode == EUIResizerMode::Size)
    {
      if (mCornerResizer)
        mCornerResizer->MarkDirty(false);
    }
    else
    {
      ForAllControls([](IControl& c) {
        c.OnRescale();
        c.MarkDirty(false);
      });
    }
  }

  if (list.size() == 1 && !list[0].ms.IsTouch())
    OnMouseOver(list[0].x, list[0].y, list[0].ms);
}

void ICanvas::OnMouseDrag(const std::vector<IMouseInfo>& list)
{
  if (mResizingInProcess && list.size() == 1)
  {
    const IMouseInfo& info = list[0];
    mMouseX = info.x;
    mMouseY = info.y;
    if (mResizerMode == EUIResizerMode::Size)
    {
      Resize(static_cast<int>(info.x), static_cast<int>(info.y), mDrawScale);
    }
    else if (mMouseDownX > 0.f && mMouseDownY > 0.f)
    {
      const float s =
          std::min(mDrawScale * info.y / mMouseDownY, mDrawScale * info.x / mMouseDownX);
      Resize(mWidth, mHeight, s);
    }
    return;
  }
  for (const IMouseInfo& info : list)
  {
    mMouseX = info.x;
    mMouseY = info.y;
    // A pending text entry takes the pointer; there is no in-editor entry control to drag.
    if (TextEntryPending())
      continue;
    IControl* c = GetCapturedControl(info.ms.touchID);
    if (c && (info.dX != 0.f || info.dY != 0.f))
      c->OnDrag(info.x, info.y, info.dX, info.dY, info.ms);
  }
}

bool ICanvas::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mMouseX = x;
  mMouseY = y;
  const int prevIdx = mMouseOverIdx;
  IControl* c = GetMouseControl(x, y, false, true);
  const bool changed = c != mMouseOver;
  if (changed && mMouseOver)
    mMouseOver->OnPointerOut();
  mMouseOver = c;
  if (c)
    c->OnPointerOver(x, y, mod);
  return changed || prevIdx != mMouseOverIdx;
}

void ICanvas::OnMouseOut()
{
  ForAllControls([](IControl& c) { c.OnPointerOut(); });
  mMouseOver = nullptr;
  mMouseOverIdx = -1;
}

void ICanvas::OnMouseDblClick(float x, float y, const IMouseMod& mod)
{
  mMouseX = x;
  mMouseY = y;
  IControl* c = GetMouseControl(x, y, false);
  if (!c)
    return;
  if (c->GetMouseDblAsSingleClick())
  {
    IMouseInfo info;
    info.x = x;
    info.y = y;
    info.ms = mod;
    OnMouseDown({info});
    return;
  }
  // Bracketed so that a reset to the default reaches the host as one edit.
  ForControlsBoundTo(*c, [this](int p) { BeginParameterChangeFromUI(p); });
  c->OnDoubleClick(x, y, mod);
  ForControlsBoundTo(*c, [this](int p) { EndParameterChangeFromUI(p); });
}

void ICanvas::OnMouseWheel(float x, float y, const IMouseMod& mod, float delta)
{
  if (!std::isfinite(delta))
    return;
  if (TextEntryPending())
  {
    CancelTextEntry();
    return;
  }
  mMouseX = x;
  mMouseY = y;
  IControl* c = GetMouseControl(x, y, false);
  if (!c)
    return;
  ForControlsBoundTo(*c, [this](int p) { BeginParameterChangeFromUI(p); });
  c->OnWheel(x, y, mod, delta);
  ForControlsBoundTo(*c, [this](int p) { EndParameterChangeFromUI(p); });
}

void ICanvas::OnDrop(const char* path, float x, float y)
{
  if (!path)
    return;
  if (IControl* c = GetMouseControl(x, y, false))
    c->OnDrop(path);
}

void ICanvas::OnDropMultiple(const std::vector<const char*>& paths, float x, float y)
{
  if (paths.empty())
    return;
  if (IControl* c = GetMouseControl(x, y, false))
    c->OnDropMultiple(paths);
}

void ICanvas::OnGestureRecognized(const IGestureInfo& info)
{
  IControl* c = GetMouseControl(info.x, info.y, false);
  if (c && c->WantsGestures())
    c->OnGesture(info);
}

bool ICanvas::OnKeyDown(float x, float y, const IKeyPress& key)
{
  bool handled = false;
  IControl* c = GetMouseControl(x, y, false);
  if (c && c != GetControl(0))
    handled = c->OnKeyDown(x, y, key);
  if (!handled && mKeyHandlerFunc)
    handled = mKeyHandlerFunc(key, false);
  return handled;
}

bool ICanvas::OnKeyUp(float x, float y, const IKeyPress& key)
{
  bool handled = false;
  IControl* c = GetMouseControl(x, y, false);
  if (c && c != GetControl(0))
    handled = c->OnKeyUp(x, y, key);
  if (!handled && mKeyHandlerFunc)
    handled = mKeyHandlerFunc(key, true);
  return handled;
}

// ---- Host context menu -----------------------------------------------------------------

namespace {

void AppendHostItems(IHostContextMenu& host, const IPopupMenu& menu, IControl& target, int& tag)
{
  for (int i = 0; i < menu.NItems(); ++i)
  {
    const IPopupMenu::Item* it = menu.GetItem(i);
    if (it->IsSeparator())
    {
      host.AddItem("", tag++, IHostContextMenu::kItemSeparator, &target);
    }
    else if (it->submenu)
    {
      host.AddItem(it->text.c_str(), tag++, IHostContextMenu::kItemGroupStart, &target);
      AppendHostItems(host, *it->submenu, target, tag);
      host.AddItem("", tag++, IHostContextMenu::kItemGroupEnd, &target);
    }
    else
    {
      int flags = 0;
      if (!it->IsEnabled())
        flags |= IHostContextMenu::kItemDisabled;
      if (it->IsChecked())
        flags |= IHostContextMenu::kItemChecked;
      host.AddItem(it->text.c_str(), tag++, flags, &target);
    }
  }
}

} // namespace

void ICanvas::OpenHostContextMenu(IControl& control, int paramIdx, float x, float y)
{
  mContextMenu.Clear();
  control.CreateContextMenu(mContextMenu);
  IHostContextMenuSource* src = mHostMenuSource;
  if (!src)
    src = dynamic_cast<IHostContextMenuSource*>(mDelegate);
  if (!src)
    return;
  std::unique_ptr<IHostContextMenu> menu = src->CreateHostContextMenu(paramIdx);
  if (!menu)
    return;
  int tag = 0;
  AppendHostItems(*menu, mContextMenu, control, tag);
  const float s = GetTotalScale();
  menu->Popup(static_cast<int>(x * s), static_cast<int>(y * s));
}

// ---- Frame step ------------------------------------------------------------------------

bool ICanvas::IsDirty(IRectList& rects)
{
  const size_t before = rects.size();
  if (mDisplayTickFunc)
    mDisplayTickFunc();
  ForAllControls([](IControl& c) {
    if (c.HasAnimation())
      c.Animate();
  });
  ForAllControls([&](IControl& c) {
    if (!c.NeedsRedraw())
      return;
    IRect r = c.GetRECT().GetPadded(0.75f);
    if (const IControl* parent = c.GetParent())
      r = RectShiftedInside(r, parent->GetRECT(), 1.f);
    rects.push_back(r);
  });
  if (rects.size() == before)
    return false;
  SetAllControlsClean();
  return true;
}

IRect ICanvas::ClipInsideParents(const IControl& control, IRect clip) const
{
  for (const IControl* p = control.GetParent(); p && !clip.Empty(); p = p->GetParent())
    clip = clip.Intersect(RectPixelSnapped(p->GetRECT(), GetTotalScale()));
  return clip;
}

void ICanvas::DrawControl(IControl& control, const IRect& dirty, bool alwaysDraw)
{
  if (control.IsHidden() && !alwaysDraw)
    return;
  const IRect cr = RectPixelSnapped(control.GetRECT(), GetTotalScale(), 0.75f);
  IRect clip = ClipInsideParents(control, cr.Intersect(dirty));
  if (clip.Empty())
    return;
  mRenderer->SetClip(clip);
  control.Draw(*this);
  control.DrawOverlay(*this);
  mRenderer->ResetClip();
}

void ICanvas::Draw(const IRectList& rects)
{
  const auto t0 = std::chrono::steady_clock::now();
  const float s = GetTotalScale();
  // Kept between frames so that a steady frame allocates nothing.
  IRectList& work = mDrawWork;
  work.clear();
  work.reserve(rects.size());
  for (const IRect& r : rects)
  {
    if (!(std::isfinite(r.L) && std::isfinite(r.T) && std::isfinite(r.R) && std::isfinite(r.B)))
      continue;
    const IRect snapped = RectPixelSnapped(r, s).Intersect(GetBounds().GetPadded(1.f));
    if (!snapped.Empty())
      work.push_back(snapped);
  }
  if (work.empty())
    return;

  if (mStrictDrawing)
  {
    IRect u;
    for (const IRect& r : work)
      u = u.Union(r);
    work.assign(1, u);
  }
  else
  {
    // Merge overlapping rectangles until none overlap, so no area is drawn twice.
    bool merged = true;
    while (merged)
    {
      merged = false;
      for (size_t i = 0; i < work.size() && !merged; ++i)
      {
        for (size_t j = i + 1; j < work.size(); ++j)
        {
          if (work[i].Intersects(work[j]))
          {
            work[i] = work[i].Union(work[j]);
            work.erase(work.begin() + static_cast<std::ptrdiff_t>(j));
            merged = true;
            break;
          }
        }
      }
    }
  }

  mRenderer->SetScale(mDrawScale, mScreenScale);
  for (const IRect& dirty : work)
  {
    mRenderer->BeginFrame(dirty);
    for (int i = 0; i < NControls(); ++i)
      DrawControl(*mControls[i], dirty, i == 0);
    if (mCornerResizer)
      DrawControl(*mCornerResizer, dirty, false);
    if (mPerfDisplay)
      DrawControl(*mPerfDisplay, dirty, false);
    mRenderer->EndFrame();
  }

  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  mFrameTimes[mFrameTimePos] = secs;
  mFrameTimePos = (mFrameTimePos + 1) % static_cast<int>(mFrameTimes.size());
  mFrameTimeCount = std::min(mFrameTimeCount + 1, static_cast<int>(mFrameTimes.size()));
}

void ICanvas::DrawAll()
{
  SetAllControlsClean();
  Draw({GetBounds()});
}

std::vector<double> ICanvas::GetFrameTimes() const
{
  std::vector<double> out;
  const int n = static_cast<int>(mFrameTimes.size());
  for (int i = 0; i < mFrameTimeCount; ++i)
    out.push_back(mFrameTimes[(mFrameTimePos - mFrameTimeCount + i + n) % n]);
  return out;
}

// ---- Size and scale --------------------------------------------------------------------

// The renderer's own rounding: a window is exactly as large as the frame it shows, and a scale
// kept across a close gives the same pixels again.
int ICanvas::WindowWidth() const
{
  return IRenderer::FrameSide(static_cast<float>(mWidth), GetTotalScale());
}
int ICanvas::WindowHeight() const
{
  return IRenderer::FrameSide(static_cast<float>(mHeight), GetTotalScale());
}

void ICanvas::SetScaleConstraints(float lo, float hi)
{
  if (!(std::isfinite(lo) && std::isfinite(hi)) || lo <= 0.f || hi <= 0.f)
    return;
  mMinScale = std::min(lo, hi);
  mMaxScale = std::max(lo, hi);
  mDrawScale = std::clamp(mDrawScale, mMinScale, mMaxScale);
}

void ICanvas::Resize(int w, int h, float scale, bool needsPlatformResize)
{
  if (!std::isfinite(scale) || scale <= 0.f)
    scale = mDrawScale;
  ConstrainEditorResize(w, h);
  w = std::max(1, w);
  h = std::max(1, h);
  scale = std::clamp(scale, mMinScale, mMaxScale);
  if (w == mWidth && h == mHeight && scale == mDrawScale)
    return;

  ApplySizeAndScale(w, h, scale, mScreenScale, needsPlatformResize);
}

void ICanvas::SetScreenScale(float scale)
{
  if (!std::isfinite(scale) || scale <= 0.f || scale == mScreenScale)
    return;
  ApplySizeAndScale(mWidth, mHeight, mDrawScale, scale, true);
}

void ICanvas::ApplySizeAndScale(int w, int h, float drawScale, float screenScale,
                                bool needsPlatformResize)
{
  ReleaseMouseCapture();
  mWidth = w;
  mHeight = h;
  mDrawScale = drawScale;
  mScreenScale = screenScale;
  mRenderer->SetScale(mDrawScale, mScreenScale);
  mRenderer->SetLogicalSize(static_cast<float>(mWidth), static_cast<float>(mHeight));
  if (mCornerResizer)
    mCornerResizer->OnRescale();
  EditorResizeFromUI(WindowWidth(), WindowHeight(), needsPlatformResize);
  PlatformResize(needsPlatformResize);
  ForAllControls([](IControl& c) { c.OnRescale(); });
  OnScaleOrSizeChanged();
  if (mLayoutOnResize)
    RunLayout();
  SetAllControlsDirty();
}

// ---- Prompts ---------------------------------------------------------------------------

void ICanvas::PromptUserInput(IControl& control, const IRect& bounds, int valIdx)
{
  const IParam* p = control.GetParam(valIdx);
  if (!p || control.GetReadOnlyParamAccess())
    return;
  const double value = p->GetValue();
  const bool menuKind =
      p->Type() == IParam::kTypeEnum || (p->Type() == IParam::kTypeBool && p->NDisplayTexts() > 0);
  if (menuKind)
  {
    auto menu = std::make_unique<IPopupMenu>(p->GetName());
    if (p->NDisplayTexts() > 0)
    {
      for (int i = 0; i < p->NDisplayTexts(); ++i)
      {
        const auto& dt = p->GetDisplayText(i);
        menu->AddItem(dt.mText, dt.mValue == value ? IPopupMenu::kChecked : IPopupMenu::kNoFlags);
      }
    }
    else
    {
      // An enumeration without texts still offers every value.
      const int n = static_cast<int>(p->GetRange()) + 1;
      for (int i = 0; i < n && i < 1024; ++i)
      {
        const double v = p->GetMin() + i;
        menu->AddItem(p->FormatDisplay(v, false).c_str(),
                      v == value ? IPopupMenu::kChecked : IPopupMenu::kNoFlags);
      }
    }
    CreatePopupMenu(control, std::move(menu), bounds, valIdx);
  }
  else
  {
    std::string str = p->FormatDisplay(value, false);
    if (control.GetShowsParamLabel() && p->GetLabel()[0])
    {
      str += " ";
      str += p->GetLabel();
    }
    CreateTextEntry(control, control.GetText(), bounds, str.c_str(), valIdx);
  }
}

void ICanvas::CreateTextEntry(IControl& control, const IText& text, const IRect& bounds,
                              const char* str, int valIdx)
{
  mTextEntryControl = &control;
  mTextEntryValIdx = valIdx;
  CreatePlatformTextEntry(GetControlIdx(&control), text, bounds, 256, str ? str : "");
}

void ICanvas::CreatePopupMenu(IControl& control, std::unique_ptr<IPopupMenu> menu,
                              const IRect& bounds, int valIdx)
{
  if (!menu)
    return;
  mPopupControl = &control;
  mPopupMenu = std::move(menu);
  mPopupForValIdx = valIdx >= 0;
  mPopupValIdx = valIdx;
  CreatePlatformPopupMenu(*mPopupMenu, bounds);
}

void ICanvas::SetControlValueAfterTextEdit(const char* str)
{
  IControl* c = mTextEntryControl;
  const int valIdx = mTextEntryValIdx;
  mTextEntryControl = nullptr;
  mTextEntryValIdx = -1;
  if (!c)
    return;
  const char* s = str ? str : "";
  const IParam* p = c->GetParam(valIdx);
  if (p)
  {
    if (!c->GetReadOnlyParamAccess())
    {
      const double v = p->PlainToNormal(p->ParseDisplay(s));
      const int paramIdx = c->GetParamIdx(valIdx);
      BeginParameterChangeFromUI(paramIdx);
      c->SetValueFromUserInput(v, valIdx);
      EndParameterChangeFromUI(paramIdx);
    }
  }
  else
  {
    c->OnTextEntryCompletion(s, valIdx);
  }
  c->MarkDirty(false);
}

void ICanvas::CancelTextEntry()
{
  IControl* c = mTextEntryControl;
  const int valIdx = mTextEntryValIdx;
  mTextEntryControl = nullptr;
  mTextEntryValIdx = -1;
  if (c)
  {
    c->OnTextEntryCancelled(valIdx);
    c->MarkDirty(false);
  }
}

void ICanvas::SetControlValueAfterPopupMenu(IPopupMenu* menu)
{
  IControl* c = mPopupControl;
  if (!c)
    return;
  // Keep the menu alive while the control reads it.
  std::unique_ptr<IPopupMenu> owned = std::move(mPopupMenu);
  const bool forVal = mPopupForValIdx;
  const int valIdx = mPopupValIdx;
  mPopupControl = nullptr;
  IPopupMenu* chosen = (menu && menu->GetChosenItemIdx() >= 0) ? menu : nullptr;
  if (forVal)
  {
    // The value change reaches the host as one complete edit.
    ForControlsBoundTo(*c, [this](int p) { BeginParameterChangeFromUI(p); });
    c->OnPopupMenuSelection(chosen, valIdx);
    ForControlsBoundTo(*c, [this](int p) { EndParameterChangeFromUI(p); });
  }
  else
  {
    c->OnPopupMenuSelection(chosen, valIdx);
  }
  c->MarkDirty(false);
}

// ---- Delegate-facing -------------------------------------------------------------------

void ICanvas::SetControlValueFromDelegate(int tag, double normalizedValue)
{
  if (IControl* c = GetControlWithTag(tag))
    c->SetValueFromDelegate(normalizedValue);
}

void ICanvas::SendControlMsgFromDelegate(int tag, int msgTag, int dataSize, const void* pData)
{
  if (IControl* c = GetControlWithTag(tag))
    c->OnMsgFromDelegate(msgTag, dataSize, pData);
}

void ICanvas::ForwardMidiMsg(const IMidiMsg& msg)
{
  ForAllControls([&](IControl& c) {
    if (c.GetWantsMidi())
      c.OnMidi(msg.mStatus, msg.mData1, msg.mData2);
  });
}

void ICanvas::SetParamValueFromDelegate(int paramIdx, double normalizedValue)
{
  ForStandardControls([&](IControl& c) {
    for (int v = 0; v < c.NVals(); ++v)
      if (c.GetParamIdx(v) == paramIdx)
        c.SetValueFromDelegate(normalizedValue, v);
  });
}

} // namespace plugfw::ui
