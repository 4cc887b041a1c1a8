#include "graphics/IControl.h"

#include "graphics/ICanvas.h"
#include "plugin/IParam.h"

#include <cmath>

namespace plugfw::ui {

IControl::IControl(const IRect& bounds, int paramIdx, IActionFunction action)
    : mRECT(bounds), mTargetRECT(bounds), mActionFunc(std::move(action))
{
  mVals.push_back({paramIdx, 0.0});
}

IControl::IControl(const IRect& bounds, const std::vector<int>& paramIdxs, IActionFunction action)
    : mRECT(bounds), mTargetRECT(bounds), mActionFunc(std::move(action))
{
  for (int p : paramIdxs)
    mVals.push_back({p, 0.0});
  if (mVals.empty())
    mVals.push_back({-1, 0.0});
}

std::uint32_t IControl::Release()
{
  const std::uint32_t n = DecRef();
  if (n == 0)
    delete this;
  return n;
}

bool IControl::ExecuteMenuItem(int tag)
{
  OnContextSelection(tag);
  return true;
}

void IControl::OnPress(float x, float y, const IMouseMod& mod)
{
  if (!mod.R)
    return;
  const int valIdx = GetValIdxForPos(x, y);
  const IParam* p = GetParam(valIdx < 0 ? 0 : valIdx);
  if (valIdx < 0 || !p || mReadOnlyParamAccess)
    return;
  if (p->NDisplayTexts() > 0)
    PromptUserInput(mRECT, valIdx);
  else
    PromptUserInput(RectCentred(mRECT, 40.f, 16.f), valIdx);
  MarkDirty(false);
}

void IControl::OnRelease(float, float, const IMouseMod&) {}
void IControl::OnDrag(float, float, float, float, const IMouseMod&) {}

void IControl::OnDoubleClick(float x, float y, const IMouseMod&)
{
  SetValueToDefault(GetValIdxForPos(x, y));
}

void IControl::OnWheel(float, float, const IMouseMod&, float) {}
bool IControl::OnKeyDown(float, float, const IKeyPress&)
{
  return false;
}
bool IControl::OnKeyUp(float, float, const IKeyPress&)
{
  return false;
}

void IControl::OnPointerOver(float, float, const IMouseMod&)
{
  const bool was = mMouseIsOver;
  mMouseIsOver = true;
  if (!was)
    MarkDirty(false);
}

void IControl::OnPointerOut()
{
  const bool was = mMouseIsOver;
  mMouseIsOver = false;
  if (was)
    MarkDirty(false);
}

void IControl::OnTouchCancelled(float, float, const IMouseMod&) {}
void IControl::OnDrop(const char*) {}

void IControl::OnDropMultiple(const std::vector<const char*>& paths)
{
  if (!paths.empty())
    OnDrop(paths.front());
}

void IControl::OnRescale() {}
void IControl::OnResize() {}
void IControl::OnInit() {}
void IControl::OnAttached() {}
void IControl::OnMidi(int, int, int) {}
void IControl::OnMsgFromDelegate(int, int, const void*) {}

bool IControl::OnGesture(const IGestureInfo& info)
{
  auto it = mGestureFuncs.find(info.type);
  if (it == mGestureFuncs.end() || !it->second)
    return false;
  it->second(this, info);
  return true;
}

void IControl::CreateContextMenu(IPopupMenu&) {}

void IControl::OnPopupMenuSelection(IPopupMenu* menu, int valIdx)
{
  if (!menu || valIdx < 0 || valIdx >= NVals() || mReadOnlyParamAccess)
    return;
  const int chosen = menu->GetChosenItemIdx();
  const IParam* p = GetParam(valIdx);
  if (chosen < 0 || !p)
    return;
  SetValueFromUserInput(p->PlainToNormal(static_cast<double>(chosen)), valIdx);
}

void IControl::OnTextEntryCancelled(int) {}
void IControl::OnTextEntryCompletion(const char*, int) {}
void IControl::OnContextSelection(int) {}

void IControl::DrawOverlay(ICanvas& g)
{
  if (mOverlayText.empty())
    return;
  IText t = mText;
  t.mAlign = EAlign::Far;
  t.mVAlign = EVAlign::Top;
  const IRect r(mRECT.L, mRECT.T + 5.f, mRECT.R - 5.f, mRECT.B);
  g.DrawText(t, mOverlayText.c_str(), r, &mBlend);
}

void IControl::SetParamIdx(int paramIdx, int valIdx)
{
  if (valIdx < 0 || valIdx >= NVals())
    return;
  mVals[valIdx].paramIdx = paramIdx;
  MarkDirty(false);
}

int IControl::GetValIdxForPos(float, float) const
{
  return 0;
}

void IControl::SetValueFromDelegate(double value, int valIdx)
{
  if (valIdx < 0 || valIdx >= NVals())
    return;
  if (mCanvas && mCanvas->ControlIsCaptured(this))
    return;
  if (mVals[valIdx].value != value)
  {
    SetValue(value, valIdx);
    MarkDirty(false);
  }
}

void IControl::SetValueFromUserInput(double value, int valIdx)
{
  if (valIdx < 0 || valIdx >= NVals())
    return;
  if (mVals[valIdx].value != value)
  {
    SetValue(value, valIdx);
    MarkDirty(true, valIdx);
  }
}

void IControl::SetValueToDefault(int valIdx)
{
  if (valIdx < 0 && NVals() == 1)
    valIdx = 0;
  auto reset = [this](int i) {
    const IParam* p = GetParam(i);
    if (p)
      SetValue(p->DefaultValue(true), i);
  };
  if (valIdx < 0)
  {
    for (int i = 0; i < NVals(); ++i)
      reset(i);
  }
  else if (valIdx < NVals())
  {
    reset(valIdx);
  }
  else
  {
    return;
  }
  MarkDirty(true, valIdx);
}

void IControl::SetValue(double value, int valIdx)
{
  if (valIdx < 0 || valIdx >= NVals())
    return;
  mVals[valIdx].value = value;
}

void IControl::SetTextStyle(const IText& txt)
{
  mText = txt;
  MarkDirty(false);
}

void IControl::SetPosition(float x, float y)
{
  x = std::max(0.f, x);
  y = std::max(0.f, y);
  const float tdx = mTargetRECT.L - mRECT.L, tdy = mTargetRECT.T - mRECT.T;
  mRECT = IRect(x, y, x + mRECT.W(), y + mRECT.H());
  mTargetRECT = IRect(x + tdx, y + tdy, x + tdx + mTargetRECT.W(), y + tdy + mTargetRECT.H());
  MarkDirty(false);
  OnResize();
}

void IControl::SetSize(float w, float h)
{
  w = std::max(0.f, w);
  h = std::max(0.f, h);
  const bool sameTarget = mTargetRECT == mRECT;
  mRECT = IRect(mRECT.L, mRECT.T, mRECT.L + w, mRECT.T + h);
  if (sameTarget)
    mTargetRECT = mRECT;
  MarkDirty(false);
  OnResize();
}

void IControl::Hide(bool hide)
{
  mHide = hide;
  MarkDirty(false);
}

void IControl::SetDisabled(bool disable)
{
  mDisabled = disable;
  mBlend.weight = disable ? 0.25f : 1.f;
  MarkDirty(false);
}

void IControl::SetIgnorePointer(bool ignore)
{
  mIgnorePointer = ignore;
}

bool IControl::HitTest(float x, float y) const
{
  if (mTargetRECT.AllZero())
    return false;
  return mTargetRECT.Contains(x, y);
}

void IControl::MarkDirty(bool withAction, int valIdx)
{
  mDirty = true;
  if (!withAction)
    return;
  if (mActionFunc)
    mActionFunc(this);
  if (!mCanvas)
    return;
  auto send = [this](int i) {
    const int p = mVals[i].paramIdx;
    if (p >= 0)
      mCanvas->SendParameterValueFromUI(p, mVals[i].value);
  };
  if (valIdx >= 0 && valIdx < NVals())
  {
    send(valIdx);
  }
  else
  {
    for (int i = 0; i < NVals(); ++i)
      send(i);
  }
}

void IControl::MarkClean()
{
  mDirty = false;
}

bool IControl::NeedsRedraw() const
{
  return mAnimationFunc ? true : mDirty;
}

void IControl::OnGUIIdle() {}

bool IControl::WantsGestures() const
{
  return !mGestureFuncs.empty() && !mAnimationFunc;
}

void IControl::ValueFromPosition(float x, float y, EDirection dir, const IRect& track, int valIdx,
                                 double minClip, double maxClip)
{
  x = std::clamp(x, track.L, track.R);
  y = std::clamp(y, track.T, track.B);
  double v;
  if (dir == EDirection::Horizontal)
    v = track.W() > 0.f ? (x - track.L) / track.W() : 0.0;
  else
    v = track.H() > 0.f ? 1.0 - (y - track.T) / track.H() : 0.0;
  v = std::round(v / 0.001) * 0.001;
  v = std::clamp(v, minClip, maxClip);
  if (valIdx < 0)
  {
    for (int i = 0; i < NVals(); ++i)
      SetValueFromUserInput(v, i);
  }
  else
  {
    SetValueFromUserInput(v, valIdx);
  }
}

void IControl::OnEndAnimation()
{
  mAnimationFunc = nullptr;
  MarkDirty(false);
  if (mAnimationEndFunc)
    mAnimationEndFunc(this);
}

double IControl::GetValue(int valIdx) const
{
  if (valIdx < 0 || valIdx >= NVals())
    return 0.0;
  return mVals[valIdx].value;
}

int IControl::GetParamIdx(int valIdx) const
{
  if (valIdx < 0 || valIdx >= NVals())
    return -1;
  return mVals[valIdx].paramIdx;
}

const IParam* IControl::GetParam(int valIdx) const
{
  const int p = GetParamIdx(valIdx);
  if (p < 0 || !mCanvas)
    return nullptr;
  return mCanvas->GetParam(p);
}

IParam* IControl::GetParam(int valIdx)
{
  const int p = GetParamIdx(valIdx);
  if (p < 0 || !mCanvas)
    return nullptr;
  return mCanvas->GetParam(p);
}

void IControl::SetStr(const char* str)
{
  const char* s = str ? str : "";
  if (mStr != s)
  {
    mStr = s;
    MarkDirty(false);
  }
}

void IControl::SetAnimation(IAnimationFunction f, int durationMs)
{
  mAnimationStart = std::chrono::steady_clock::now();
  mAnimationDurationMs = std::max(0, durationMs);
  SetAnimation(std::move(f));
}

double IControl::GetAnimationProgress() const
{
  if (!mAnimationFunc)
    return 0.0;
  if (mAnimationDurationMs <= 0)
    return 1.0;
  const auto el = std::chrono::steady_clock::now() - mAnimationStart;
  const double ms = std::chrono::duration<double, std::milli>(el).count();
  return std::min(1.0, ms / mAnimationDurationMs);
}

void IControl::Animate()
{
  if (mAnimationFunc)
  {
    // Copy: the function may end the animation and drop itself.
    IAnimationFunction f = mAnimationFunc;
    f(this);
  }
}

IControl* IControl::AttachGestureRecognizer(EGestureType type, IGestureFunc func)
{
  mGestureFuncs[type] = std::move(func);
  return this;
}

void IControl::PromptUserInput(int valIdx)
{
  PromptUserInput(mRECT, valIdx);
}

void IControl::PromptUserInput(const IRect& bounds, int valIdx)
{
  if (mCanvas)
    mCanvas->PromptUserInput(*this, bounds, valIdx);
}

int IControl::NStatesOfParam(int valIdx, int fallback) const
{
  const IParam* p = GetParam(valIdx);
  if (!p)
    return fallback;
  const int n = static_cast<int>(p->GetRange()) + 1;
  return n >= 2 ? n : fallback;
}

void DefaultAnimationFunc(IControl* c)
{
  if (c->GetAnimationProgress() >= 1.0)
    c->OnEndAnimation();
}

} // namespace plugfw::ui
