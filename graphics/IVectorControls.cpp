#include "graphics/IVectorControls.h"

#include "graphics/ICanvas.h"
#include "plugin/IParam.h"

#include <cmath>
#include <cstdio>

namespace plugfw::ui {

// ---- IVectorBase -----------------------------------------------------------------------

void IVectorBase::AttachIControl(IControl* control, const char* label)
{
  mControl = control;
  mLabelStr = label ? label : "";
}

void IVectorBase::SetValueStr(const char* s)
{
  const std::string v = s ? s : "";
  if (v == mValueStr)
    return;
  mValueStr = v;
  if (mControl)
    mControl->MarkDirty(false);
}

float IVectorBase::GetRoundedCornerRadius(const IRect& r) const
{
  return std::clamp(mStyle.roundness, 0.f, 1.f) * 0.5f * std::min(r.W(), r.H());
}

IRect IVectorBase::MakeRects(const IRect& parent, bool)
{
  IRect rest = parent;
  mLabelBounds = mValueBounds = IRect();
  if (mStyle.showLabel && !mLabelStr.empty())
  {
    const float h = std::min(rest.H() * 0.5f, mStyle.labelText.mSize + 4.f);
    mLabelBounds = RectFromTop(rest, h);
    rest = rest.Empty() ? rest : IRect(rest.L, rest.T + h, rest.R, rest.B);
  }
  if (mStyle.showValue)
  {
    const float h = std::min(rest.H() * 0.5f, mStyle.valueText.mSize + 4.f);
    mValueBounds = RectFromBottom(rest, h);
    rest = IRect(rest.L, rest.T, rest.R, rest.B - h);
  }
  const float f = std::clamp(mStyle.widgetFrac, 0.f, 1.f);
  mWidgetBounds = RectCentred(rest, rest.W() * f, rest.H() * f);
  return mWidgetBounds;
}

void IVectorBase::DrawBackground(ICanvas& g, const IRect& r) const
{
  if (GetColor(kBG).A > 0)
    g.FillRect(GetColor(kBG), r, &mControl->GetBlend());
}

IRect IVectorBase::DrawPressableRect(ICanvas& g, const IRect& bounds, bool pressed, bool mouseOver,
                                     bool disabled, const IColor* fillOverride) const
{
  const IBlend* blend = &mControl->GetBlend();
  const float inset = mStyle.drawFrame ? 0.5f * mStyle.frameThickness : 0.f;
  const float shadow = (mStyle.drawShadows && !disabled) ? std::max(0.f, mStyle.shadowOffset) : 0.f;
  IRect body = RectInset(bounds, inset, inset, inset + shadow, inset + shadow);
  if (pressed && shadow > 0.f)
    body = body.GetOffset(shadow * 0.5f, shadow * 0.5f);
  const float r = GetRoundedCornerRadius(body);

  if (shadow > 0.f && !pressed)
    g.FillRoundRect(GetColor(kSH), body.GetOffset(shadow, shadow), r, blend);

  const IColor& fill = fillOverride ? *fillOverride : GetColor(pressed ? kPR : kBG);
  if (fill.A > 0)
    g.FillRoundRect(fill, body, r, blend);
  if (pressed && fillOverride && GetColor(kPR).A > 0)
    g.FillRoundRect(GetColor(kPR), body, r, blend);
  if (mouseOver && !disabled && GetColor(kHL).A > 0)
    g.FillRoundRect(GetColor(kHL), body, r, blend);

  if (mStyle.emboss)
  {
    g.DrawLine(IColor(60, 255, 255, 255), body.L + r, body.T + 1.f, body.R - r, body.T + 1.f, blend,
               1.f);
  }
  if (mStyle.drawFrame && GetColor(kFR).A > 0)
    g.DrawRoundRect(GetColor(kFR), body, r, blend, mStyle.frameThickness);
  return body;
}

void IVectorBase::DrawLabel(ICanvas& g) const
{
  if (mStyle.showLabel && !mLabelStr.empty() && !mLabelBounds.Empty())
    g.DrawText(mStyle.labelText, mLabelStr.c_str(), mLabelBounds, &mControl->GetBlend());
}

void IVectorBase::DrawValue(ICanvas& g, bool mouseOver) const
{
  if (!mStyle.showValue || mValueStr.empty() || mValueBounds.Empty())
    return;
  if (mouseOver && GetColor(kHL).A > 0)
    g.FillRoundRect(GetColor(kHL), mValueBounds, 2.f, &mControl->GetBlend());
  g.DrawText(mStyle.valueText, mValueStr.c_str(), mValueBounds, &mControl->GetBlend());
}

// ---- IVectorButtonControl --------------------------------------------------------------

IVectorButtonControl::IVectorButtonControl(const IRect& bounds, const char* label,
                                           IActionFunction action, const IVectorStyle& style,
                                           bool labelInButton)
    : IButtonControlBase(bounds, std::move(action)),
      IVectorBase(style),
      mLabelInButton(labelInButton)
{
  AttachIControl(this, label);
  OnResize();
}

void IVectorButtonControl::OnResize()
{
  if (mLabelInButton)
  {
    mLabelBounds = mValueBounds = IRect();
    mWidgetBounds = mRECT;
  }
  else
  {
    MakeRects(mRECT);
  }
}

void IVectorButtonControl::Draw(ICanvas& g)
{
  DrawBackground(g, mRECT);
  const IRect body = DrawPressableRect(g, mWidgetBounds, IsPressedState(), mMouseIsOver, mDisabled);
  if (mLabelInButton)
  {
    if (mStyle.showLabel && !mLabelStr.empty())
      g.DrawText(mStyle.labelText, mLabelStr.c_str(), body, &mBlend);
  }
  else
  {
    DrawLabel(g);
    DrawValue(g, false);
  }
}

// ---- IVectorSwitchControl --------------------------------------------------------------

IVectorSwitchControl::IVectorSwitchControl(const IRect& bounds, int paramIdx,
                                           IActionFunction action, const char* label,
                                           const IVectorStyle& style, int nStates,
                                           const std::vector<std::string>& stateTexts)
    : ISwitchControlBase(bounds, paramIdx, std::move(action), nStates),
      IVectorBase(style),
      mStateTexts(stateTexts)
{
  AttachIControl(this, label);
  OnResize();
  UpdateValueStr();
}

void IVectorSwitchControl::OnInit()
{
  ISwitchControlBase::OnInit();
  UpdateValueStr();
}

void IVectorSwitchControl::OnResize()
{
  MakeRects(mRECT);
}

const std::string& IVectorSwitchControl::GetStateText(int i) const
{
  static const std::string empty;
  if (i >= 0 && i < static_cast<int>(mStateTexts.size()))
    return mStateTexts[i];
  return empty;
}

void IVectorSwitchControl::SetValue(double value, int valIdx)
{
  ISwitchControlBase::SetValue(value, valIdx);
  UpdateValueStr();
}

void IVectorSwitchControl::UpdateValueStr()
{
  const IParam* p = GetParam();
  const int idx = GetSelectedIdx();
  if (!GetStateText(idx).empty())
    SetValueStr(GetStateText(idx).c_str());
  else if (p)
    SetValueStr(p->FormatDisplay(GetValue(), true).c_str());
  else
    SetValueStr(std::to_string(idx).c_str());
}

void IVectorSwitchControl::DrawWidget(ICanvas& g)
{
  // One segment per state; the selected one is filled with the foreground colour.
  const IRect body = DrawPressableRect(g, mWidgetBounds, false, mMouseIsOver, mDisabled);
  const int n = std::max(2, mNumStates);
  const int sel = GetSelectedIdx();
  const float segW = body.W() / static_cast<float>(n);
  const float pad = std::min(2.f, segW * 0.1f);
  for (int i = 0; i < n; ++i)
  {
    const float x0 = body.L + static_cast<float>(i) * segW;
    const float x1 = body.L + static_cast<float>(i + 1) * segW;
    const IRect seg(x0 + pad, body.T + pad, x1 - pad, body.B - pad);
    if (i == sel)
      g.FillRoundRect(GetColor(mMouseDown ? kPR : kFG), seg, GetRoundedCornerRadius(seg), &mBlend);
    std::string t = GetStateText(i);
    const IParam* p = GetParam();
    if (t.empty() && p)
      t = p->FormatDisplay(p->GetMin() + i * (p->GetRange() / (n - 1)), false);
    if (!t.empty())
    {
      IText txt = mStyle.valueText;
      txt.mSize = std::min(txt.mSize, seg.H() * 0.8f);
      if (i == sel && !mDisabled)
        txt.mFGColor = GetColor(kBG).A > 0 ? GetColor(kBG) : COLOR_BLACK;
      g.DrawText(txt, t.c_str(), seg, &mBlend);
    }
    if (i > 0)
      g.DrawLine(ColorWithAlpha(GetColor(kFR), 90), x0, body.T + 3.f, x0, body.B - 3.f, &mBlend);
  }
}

void IVectorSwitchControl::Draw(ICanvas& g)
{
  DrawBackground(g, mRECT);
  DrawWidget(g);
  DrawLabel(g);
  DrawValue(g, false);
}

// ---- IVectorToggleControl --------------------------------------------------------------

IVectorToggleControl::IVectorToggleControl(const IRect& bounds, int paramIdx,
                                           IActionFunction action, const char* label,
                                           const IVectorStyle& style, const char* offText,
                                           const char* onText)
    : IVectorSwitchControl(bounds, paramIdx, std::move(action), label, style, 2,
                           {offText ? offText : "", onText ? onText : ""})
{}

void IVectorToggleControl::DrawWidget(ICanvas& g)
{
  const bool on = GetSelectedIdx() == 1;
  const IRect body = DrawPressableRect(g, mWidgetBounds, false, mMouseIsOver, mDisabled);
  if (body.W() > 1.4f * body.H())
  {
    // Wide boxes read as a sliding switch: the knob sits left for off, right for on.
    const float inset = std::max(2.f, body.H() * 0.15f);
    const IRect inner = RectInset(body, inset, inset, inset, inset);
    const float kr = 0.5f * inner.H();
    if (on)
      g.FillRoundRect(mMouseDown ? GetColor(kPR) : GetColor(kFG), inner,
                      GetRoundedCornerRadius(inner), &mBlend);
    const float kx = on ? inner.R - kr : inner.L + kr;
    g.FillCircle(GetColor(kFR), kx, inner.MH(), kr, &mBlend);
    return;
  }
  // Square boxes are a check box: "on" fills an inset with the foreground colour
  // and draws a check mark, so both states read clearly.
  const float side = std::min(body.W(), body.H());
  const IRect box = RectCentred(body, side, side);
  const float inset = std::max(2.f, side * 0.14f);
  const IRect inner = RectInset(box, inset, inset, inset, inset);
  if (on || mMouseDown)
  {
    const IColor& c = mMouseDown ? GetColor(kPR) : GetColor(kFG);
    g.FillRoundRect(c, inner, GetRoundedCornerRadius(inner), &mBlend);
  }
  if (on)
  {
    const IColor mark = GetColor(kBG).A > 0 ? GetColor(kBG) : COLOR_WHITE;
    const float w = inner.W(), h = inner.H();
    g.PathClear();
    g.PathMoveTo(inner.L + 0.2f * w, inner.T + 0.52f * h);
    g.PathLineTo(inner.L + 0.42f * w, inner.T + 0.74f * h);
    g.PathLineTo(inner.L + 0.8f * w, inner.T + 0.28f * h);
    g.PathStroke(mark, std::max(1.5f, 0.14f * w), 10.f, false, &mBlend);
  }
}

// ---- IVectorSliderControl --------------------------------------------------------------

IVectorSliderControl::IVectorSliderControl(const IRect& bounds, int paramIdx, const char* label,
                                           const IVectorStyle& style, EDirection dir,
                                           float handleSize, float trackSize, double gearing,
                                           IActionFunction action)
    : ISliderControlBase(bounds, paramIdx, std::move(action), dir, gearing, handleSize),
      IVectorBase(style),
      mTrackSize(std::max(0.f, trackSize))
{
  mHideCursorOnDrag = style.hideCursor;
  AttachIControl(this, label);
  OnResize();
  UpdateValueStr();
}

void IVectorSliderControl::OnInit()
{
  UpdateValueStr();
}

void IVectorSliderControl::OnResize()
{
  MakeRects(mRECT);
  mTrackBounds = ComputeTrack(mWidgetBounds);
}

void IVectorSliderControl::SetValue(double value, int valIdx)
{
  ISliderControlBase::SetValue(value, valIdx);
  UpdateValueStr();
}

void IVectorSliderControl::UpdateValueStr()
{
  if (!mStyle.showValue)
    return;
  const IParam* p = GetParam();
  if (p)
  {
    std::string s = p->FormatDisplay(GetValue(), true);
    if (p->GetLabel()[0] && p->NDisplayTexts() == 0)
    {
      s += " ";
      s += p->GetLabel();
    }
    SetValueStr(s.c_str());
  }
  else
  {
    char buf[32];
    std::snprintf(buf, sizeof(buf), "%.2f", GetValue());
    SetValueStr(buf);
  }
}

void IVectorSliderControl::GetHandleCentre(float& x, float& y) const
{
  const float v = static_cast<float>(std::clamp(GetValue(), 0.0, 1.0));
  if (mDirection == EDirection::Horizontal)
  {
    x = mTrackBounds.L + v * mTrackBounds.W();
    y = mTrackBounds.MH();
  }
  else
  {
    x = mTrackBounds.MW();
    y = mTrackBounds.B - v * mTrackBounds.H();
  }
}

void IVectorSliderControl::Draw(ICanvas& g)
{
  DrawBackground(g, mRECT);
  const bool horiz = mDirection == EDirection::Horizontal;
  const float ts = std::max(1.f, mTrackSize);
  const IRect track = horiz ? IRect(mTrackBounds.L, mTrackBounds.MH() - 0.5f * ts, mTrackBounds.R,
                                    mTrackBounds.MH() + 0.5f * ts)
                            : IRect(mTrackBounds.MW() - 0.5f * ts, mTrackBounds.T,
                                    mTrackBounds.MW() + 0.5f * ts, mTrackBounds.B);
  const float tr = 0.5f * ts;
  g.FillRoundRect(GetColor(kSH), track, tr, &mBlend);

  float cx, cy;
  GetHandleCentre(cx, cy);
  const IRect filled =
      horiz ? IRect(track.L, track.T, cx, track.B) : IRect(track.L, cy, track.R, track.B);
  if (!filled.Empty())
    g.FillRoundRect(GetColor(kX1), filled, tr, &mBlend);

  const float hr = std::max(2.f, 0.5f * mHandleSize);
  if ((mMouseIsOver || mMouseDown) && !mDisabled)
  {
    const IColor halo = GetColor(kHL).A > 0 ? GetColor(kHL) : ColorWithAlpha(GetColor(kFG), 60);
    g.FillCircle(halo, cx, cy, hr + (mMouseDown ? 5.f : 3.5f), &mBlend);
  }
  if (mStyle.drawShadows)
    g.FillCircle(GetColor(kSH), cx + 0.5f * mStyle.shadowOffset, cy + 0.5f * mStyle.shadowOffset,
                 hr, &mBlend);
  g.FillCircle(mMouseDown ? GetColor(kPR) : GetColor(kFR), cx, cy, hr, &mBlend);
  g.DrawCircle(GetColor(kFG), cx, cy, hr - 0.75f, &mBlend, 1.5f);

  DrawLabel(g);
  DrawValue(g, false);
}

} // namespace plugfw::ui
