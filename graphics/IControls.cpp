#include "graphics/IControls.h"

#include "graphics/ICanvas.h"
#include "plugin/IParam.h"

#include <cmath>
#include <cstdio>

namespace plugfw::ui {

// ---- IButtonControlBase ----------------------------------------------------------------

IButtonControlBase::IButtonControlBase(const IRect& bounds, IActionFunction action)
    : IControl(bounds, -1, std::move(action))
{
  mDblAsSingleClick = true;
}

void IButtonControlBase::OnPress(float, float, const IMouseMod&)
{
  SetValue(1.0);
  SetAnimation(DefaultAnimationFunc, kFlashMs);
  MarkDirty(true);
}

void IButtonControlBase::OnEndAnimation()
{
  SetValue(0.0);
  IControl::OnEndAnimation();
}

// ---- ISwitchControlBase ----------------------------------------------------------------

ISwitchControlBase::ISwitchControlBase(const IRect& bounds, int paramIdx, IActionFunction action,
                                       int nStates)
    : IControl(bounds, paramIdx, std::move(action)), mNumStates(std::max(2, nStates))
{
  mDblAsSingleClick = true;
}

void ISwitchControlBase::OnInit()
{
  if (IsBound())
    mNumStates = NStatesOfParam(0, mNumStates);
}

int ISwitchControlBase::GetSelectedIdx() const
{
  return static_cast<int>(std::lround(GetValue() * (mNumStates - 1)));
}

void ISwitchControlBase::OnPress(float, float, const IMouseMod&)
{
  double v = GetValue();
  if (mNumStates == 2)
  {
    v = (v == 0.0) ? 1.0 : 0.0;
  }
  else
  {
    v += 1.0 / (mNumStates - 1);
    if (v > 1.0000000000000002)
      v = 0.0;
  }
  SetValue(v);
  mMouseDown = true;
  MarkDirty(true);
}

void ISwitchControlBase::OnRelease(float, float, const IMouseMod&)
{
  mMouseDown = false;
  MarkDirty(false);
}

// ---- ISliderControlBase ----------------------------------------------------------------

ISliderControlBase::ISliderControlBase(const IRect& bounds, int paramIdx, IActionFunction action,
                                       EDirection dir, double gearing, float handleSize)
    : IControl(bounds, paramIdx, std::move(action)),
      mDirection(dir),
      mGearing(gearing > 0.0 ? gearing : 1.0),
      mHandleSize(std::max(0.f, handleSize))
{
  mTrackBounds = ComputeTrack(mRECT);
}

IRect ISliderControlBase::ComputeTrack(const IRect& widget) const
{
  const float h = 0.5f * mHandleSize;
  if (mDirection == EDirection::Horizontal)
    return IRect(widget.L + h, widget.T, std::max(widget.L + h, widget.R - h), widget.B);
  return IRect(widget.L, widget.T + h, widget.R, std::max(widget.T + h, widget.B - h));
}

void ISliderControlBase::OnResize()
{
  mTrackBounds = ComputeTrack(mRECT);
}

bool ISliderControlBase::ParamIsStepped() const
{
  const IParam* p = GetParam();
  return p && p->GetStepped();
}

double ISliderControlBase::SnapToStepGrid(double v) const
{
  const IParam* p = GetParam();
  if (!p || !p->GetStepped() || !(p->GetStep() > 0.0))
    return v;
  return p->PlainToNormal(p->NormalToPlain(v));
}

void ISliderControlBase::OnPress(float x, float y, const IMouseMod& mod)
{
  if (mod.L && !ParamIsStepped())
    ValueFromPosition(x, y, mDirection, mTrackBounds);
  mMouseDown = true;
  mMouseDownVal = GetValue();
  mDragValue = mMouseDownVal;
  if (mHideCursorOnDrag && mCanvas)
    mCanvas->HideMouseCursor(true, true);
  IControl::OnPress(x, y, mod);
}

void ISliderControlBase::OnDrag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  const bool stepped = ParamIsStepped();
  if ((mod.IsTouch() || !mHideCursorOnDrag) && !stepped)
  {
    ValueFromPosition(x, y, mDirection, mTrackBounds);
    return;
  }
  double gearing = mGearing;
  if (mod.S || mod.C)
    gearing *= 10.0;
  const bool vert = mDirection == EDirection::Vertical;
  const double len = vert ? mTrackBounds.H() : mTrackBounds.W();
  if (!(len > 0.0))
    return;
  const double along = vert ? -dY : dX;
  mDragValue = std::clamp(mDragValue + along / len / gearing, 0.0, 1.0);
  const double v = SnapToStepGrid(mDragValue);
  if (v != GetValue())
  {
    SetValue(v);
    MarkDirty(true);
  }
}

void ISliderControlBase::OnRelease(float, float, const IMouseMod&)
{
  if (mCanvas && mCanvas->CursorIsHidden())
    mCanvas->HideMouseCursor(false);
  mMouseDown = false;
  MarkDirty(false);
}

void ISliderControlBase::OnWheel(float, float, const IMouseMod& mod, float d)
{
  if (d == 0.f || !std::isfinite(d))
    return;
  const IParam* p = GetParam();
  double v;
  if (p && p->GetStepped() && p->GetStep() > 0.0)
  {
    const double plain = p->NormalToPlain(GetValue()) + (d > 0.f ? p->GetStep() : -p->GetStep());
    v = p->PlainToNormal(plain);
  }
  else
  {
    const double inc = (mod.S || mod.C) ? 0.001 : 0.01;
    v = std::clamp(GetValue() + static_cast<double>(d) * inc, 0.0, 1.0);
  }
  if (v != GetValue())
  {
    SetValue(v);
    MarkDirty(true);
  }
}

// ---- ITextControl ----------------------------------------------------------------------

ITextControl::ITextControl(const IRect& bounds, const char* str, const IText& text,
                           const IColor& bgColor)
    : IControl(bounds), mBGColor(bgColor)
{
  mText = text;
  mStr = str ? str : "";
}

void ITextControl::Draw(ICanvas& g)
{
  if (mBGColor.A > 0)
    g.FillRect(mBGColor, mRECT, &mBlend);
  if (!mStr.empty())
    g.DrawText(mText, mStr.c_str(), mRECT, &mBlend);
}

// ---- ICaptionControl -------------------------------------------------------------------

ICaptionControl::ICaptionControl(const IRect& bounds, int paramIdx, const IText& text,
                                 const IColor& bgColor, bool showParamLabel)
    : ITextControl(bounds, "", text, bgColor)
{
  SetParamIdx(paramIdx);
  mShowsParamLabel = showParamLabel;
}

bool ICaptionControl::IsMenuKind() const
{
  const IParam* p = GetParam();
  return p && p->Type() == IParam::kTypeEnum;
}

std::string ICaptionControl::GetDisplayString() const
{
  const IParam* p = GetParam();
  if (!p)
    return mStr;
  std::string s = p->FormatDisplay(GetValue(), true);
  if (mShowsParamLabel && p->GetLabel()[0] && !(p->NDisplayTexts() > 0))
  {
    s += " ";
    s += p->GetLabel();
  }
  return s;
}

IRect ICaptionControl::GetTriangleRect() const
{
  if (!IsMenuKind())
    return IRect();
  const float w = std::min(10.f, mRECT.W() * 0.25f);
  const float h = w * 0.5f;
  const float my = mRECT.MH();
  if (mText.mAlign == EAlign::Far)
    return IRect(mRECT.L + 4.f, my - h * 0.5f, mRECT.L + 4.f + w, my + h * 0.5f);
  return IRect(mRECT.R - 4.f - w, my - h * 0.5f, mRECT.R - 4.f, my + h * 0.5f);
}

void ICaptionControl::Draw(ICanvas& g)
{
  if (mBGColor.A > 0)
    g.FillRect(mBGColor, mRECT, &mBlend);
  IRect textRect = mRECT;
  const IRect tri = GetTriangleRect();
  if (!tri.Empty())
  {
    g.FillTriangle(mText.mFGColor, tri.L, tri.T, tri.R, tri.T, tri.MW(), tri.B, &mBlend);
    if (mText.mAlign == EAlign::Far)
      textRect.L = tri.R + 2.f;
    else
      textRect.R = tri.L - 2.f;
  }
  const std::string s = GetDisplayString();
  g.DrawText(mText, s.c_str(), textRect, &mBlend);
}

void ICaptionControl::OnPress(float, float, const IMouseMod& mod)
{
  if (mod.L || mod.R)
    PromptUserInput(mRECT, 0);
}

// ---- IPanelControl ---------------------------------------------------------------------

IPanelControl::IPanelControl(const IRect& bounds, const IPattern& pattern, bool drawFrame,
                             const IColor& frameColor)
    : IControl(bounds), mPattern(pattern), mDrawFrame(drawFrame), mFrameColor(frameColor)
{}

void IPanelControl::Draw(ICanvas& g)
{
  g.FillRect(mPattern, mRECT, &mBlend);
  if (mDrawFrame)
    g.DrawRect(mFrameColor, mRECT.GetPadded(-0.5f), &mBlend, 1.f);
}

// ---- ICornerResizerControl -------------------------------------------------------------

ICornerResizerControl::ICornerResizerControl(float size, const IColor& color,
                                             const IColor& mouseOverColor, const IColor& dragColor)
    : IControl(IRect()),
      mSize(std::max(1.f, size)),
      mColor(color),
      mMouseOverColor(mouseOverColor),
      mDragColor(dragColor)
{}

void ICornerResizerControl::OnRescale()
{
  if (!mCanvas)
    return;
  const float w = static_cast<float>(mCanvas->Width()), h = static_cast<float>(mCanvas->Height());
  mRECT = mTargetRECT = IRect(w - mSize + 1.f, h - mSize + 1.f, w - 1.f, h - 1.f);
  MarkDirty(false);
}

void ICornerResizerControl::Draw(ICanvas& g)
{
  const IColor& c = mDragging ? mDragColor : (mMouseIsOver ? mMouseOverColor : mColor);
  g.FillTriangle(c, mRECT.L, mRECT.B, mRECT.R, mRECT.T, mRECT.R, mRECT.B, &mBlend);
}

void ICornerResizerControl::OnPress(float, float, const IMouseMod& mod)
{
  if (!mod.L || !mCanvas)
    return;
  mDragging = true;
  mCanvas->StartResizeGesture();
  MarkDirty(false);
}

void ICornerResizerControl::OnRelease(float, float, const IMouseMod&)
{
  mDragging = false;
  MarkDirty(false);
}

// A double-click on the handle must not reset anything.
void ICornerResizerControl::OnDoubleClick(float, float, const IMouseMod&) {}

void ICornerResizerControl::OnPointerOver(float x, float y, const IMouseMod& mod)
{
  if (mCanvas && !mMouseIsOver)
    mCanvas->SetMouseCursor(ECursor::SizeNWSE);
  IControl::OnPointerOver(x, y, mod);
}

void ICornerResizerControl::OnPointerOut()
{
  if (mCanvas && mMouseIsOver)
    mCanvas->SetMouseCursor(ECursor::Arrow);
  IControl::OnPointerOut();
}

// ---- IFrameTimeDisplayControl ----------------------------------------------------------

IFrameTimeDisplayControl::IFrameTimeDisplayControl(const IRect& bounds) : IControl(bounds)
{
  mText = IText(11.f, COLOR_WHITE, EAlign::Center);
  mIgnorePointer = true;
  // Redrawn every frame so that it follows the frame times.
  SetAnimation([](IControl*) {});
}

void IFrameTimeDisplayControl::Draw(ICanvas& g)
{
  g.FillRect(IColor(160, 0, 0, 0), mRECT, &mBlend);
  const std::vector<double> t = g.GetFrameTimes();
  double sum = 0.0;
  for (double v : t)
    sum += v;
  char buf[48];
  if (t.empty())
    std::snprintf(buf, sizeof(buf), "-- ms");
  else
    std::snprintf(buf, sizeof(buf), "%.2f ms", 1000.0 * sum / static_cast<double>(t.size()));
  g.DrawText(mText, buf, mRECT, &mBlend);
}

} // namespace plugfw::ui
