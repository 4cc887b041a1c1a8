#pragma once
// Vector-drawn stock controls. Every one carries a copy of the vector style
// record and draws from it: label above, value below, widget in between.

#include "graphics/IControls.h"

#include <string>
#include <vector>

namespace plugfw::ui {

// The style record and the drawing shared by the vector controls.
class IVectorBase
{
public:
  explicit IVectorBase(const IVectorStyle& style) : mStyle(style) {}
  virtual ~IVectorBase() = default;

  void AttachIControl(IControl* control, const char* label);
  const IVectorStyle& GetStyle() const { return mStyle; }
  const IColor& GetColor(EVColor slot) const { return mStyle.colors[slot]; }
  void SetValueStr(const char* s);
  const std::string& GetLabelStr() const { return mLabelStr; }
  const std::string& GetValueStr() const { return mValueStr; }

  const IRect& GetWidgetBounds() const { return mWidgetBounds; }
  const IRect& GetLabelBounds() const { return mLabelBounds; }
  const IRect& GetValueBounds() const { return mValueBounds; }

  // Corner radius of a rectangle under the style's roundness.
  float GetRoundedCornerRadius(const IRect& r) const;
  // Splits the control's rectangle into label, widget and value areas.
  IRect MakeRects(const IRect& parent, bool hasHandle = false);

  void DrawBackground(ICanvas& g, const IRect& r) const;
  // A rounded box with shadow, pressed and hover states and an optional frame.
  IRect DrawPressableRect(ICanvas& g, const IRect& bounds, bool pressed, bool mouseOver,
                          bool disabled, const IColor* fillOverride = nullptr) const;
  void DrawLabel(ICanvas& g) const;
  void DrawValue(ICanvas& g, bool mouseOver) const;

protected:
  IControl* mControl = nullptr;
  IVectorStyle mStyle;
  std::string mLabelStr;
  std::string mValueStr;
  IRect mWidgetBounds, mLabelBounds, mValueBounds;
};

class IVectorButtonControl : public IButtonControlBase, public IVectorBase
{
public:
  IVectorButtonControl(const IRect& bounds, const char* label = "",
                       IActionFunction action = nullptr, const IVectorStyle& style = DEFAULT_STYLE,
                       bool labelInButton = true);
  void Draw(ICanvas& g) override;
  void OnResize() override;
  bool IsPressedState() const { return GetValue() > 0.5; }

protected:
  bool mLabelInButton;
};

class IVectorSwitchControl : public ISwitchControlBase, public IVectorBase
{
public:
  IVectorSwitchControl(const IRect& bounds, int paramIdx = -1, IActionFunction action = nullptr,
                       const char* label = "", const IVectorStyle& style = DEFAULT_STYLE,
                       int nStates = 2, const std::vector<std::string>& stateTexts = {});
  void Draw(ICanvas& g) override;
  void OnResize() override;
  void OnInit() override;
  void SetValue(double value, int valIdx = 0) override;
  const std::string& GetStateText(int i) const;

protected:
  virtual void DrawWidget(ICanvas& g);
  void UpdateValueStr();
  std::vector<std::string> mStateTexts;
};

class IVectorToggleControl : public IVectorSwitchControl
{
public:
  IVectorToggleControl(const IRect& bounds, int paramIdx = -1, IActionFunction action = nullptr,
                       const char* label = "", const IVectorStyle& style = DEFAULT_STYLE,
                       const char* offText = "OFF", const char* onText = "ON");

protected:
  void DrawWidget(ICanvas& g) override;
};

class IVectorSliderControl : public ISliderControlBase, public IVectorBase
{
public:
  IVectorSliderControl(const IRect& bounds, int paramIdx = -1, const char* label = "",
                       const IVectorStyle& style = DEFAULT_STYLE,
                       EDirection dir = EDirection::Vertical, float handleSize = 8.f,
                       float trackSize = 2.f, double gearing = 4.0,
                       IActionFunction action = nullptr);
  void Draw(ICanvas& g) override;
  void OnResize() override;
  void SetValue(double value, int valIdx = 0) override;
  void OnInit() override;
  float GetHandleSize() const { return mHandleSize; }
  float GetTrackSize() const { return mTrackSize; }
  // Centre of the handle for the current value.
  void GetHandleCentre(float& x, float& y) const;

protected:
  void UpdateValueStr();
  float mTrackSize;
};

} // namespace plugfw::ui
