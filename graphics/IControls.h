#pragma once
// Stock control bases (button, switch, slider) and the simple stock controls
// (text, caption, panel, corner resizer, frame-time display).

#include "graphics/IControl.h"

#include <string>
#include <vector>

namespace plugfw::ui {

// Momentary button: a press sets value 1 and runs the action; the value falls
// back to 0 when the short press animation ends.
class IButtonControlBase : public IControl
{
public:
  static constexpr int kFlashMs = 80;
  explicit IButtonControlBase(const IRect& bounds, IActionFunction action = nullptr);
  void OnPress(float x, float y, const IMouseMod& mod) override;
  void OnEndAnimation() override;
};

// Cycles through the states of its value; 2 states or one per step of the
// bound parameter.
class ISwitchControlBase : public IControl
{
public:
  ISwitchControlBase(const IRect& bounds, int paramIdx = -1, IActionFunction action = nullptr,
                     int nStates = 2);
  void OnInit() override;
  void OnPress(float x, float y, const IMouseMod& mod) override;
  void OnRelease(float x, float y, const IMouseMod& mod) override;
  int GetNumStates() const { return mNumStates; }
  int GetSelectedIdx() const;
  bool IsPressed() const { return mMouseDown; }

protected:
  int mNumStates = 2;
  bool mMouseDown = false;
};

// A value dragged along a track; relative drags with gearing while the cursor is hidden.
class ISliderControlBase : public IControl
{
public:
  ISliderControlBase(const IRect& bounds, int paramIdx = -1, IActionFunction action = nullptr,
                     EDirection dir = EDirection::Vertical, double gearing = 4.0,
                     float handleSize = 8.f);
  void OnResize() override;
  void OnPress(float x, float y, const IMouseMod& mod) override;
  void OnDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnRelease(float x, float y, const IMouseMod& mod) override;
  void OnWheel(float x, float y, const IMouseMod& mod, float d) override;

  EDirection GetDirection() const { return mDirection; }
  const IRect& GetTrackBounds() const { return mTrackBounds; }
  double GetGearing() const { return mGearing; }
  void SetGearing(double g) { mGearing = g > 0.0 ? g : 1.0; }
  bool GetHideCursorOnDrag() const { return mHideCursorOnDrag; }
  void SetHideCursorOnDrag(bool v) { mHideCursorOnDrag = v; }
  bool IsDragging() const { return mMouseDown; }

protected:
  // The track the value runs along; recomputed on resize.
  virtual IRect ComputeTrack(const IRect& widget) const;
  bool ParamIsStepped() const;
  double SnapToStepGrid(double v) const;

  EDirection mDirection;
  IRect mTrackBounds;
  double mGearing;
  float mHandleSize;
  bool mHideCursorOnDrag = true;
  bool mMouseDown = false;
  double mMouseDownVal = 0.0;
  double mDragValue = 0.0;
};

// Draws its text in its text style, over an optional background colour.
class ITextControl : public IControl
{
public:
  ITextControl(const IRect& bounds, const char* str = "", const IText& text = IText(),
               const IColor& bgColor = COLOR_TRANSPARENT);
  void Draw(ICanvas& g) override;
  void SetBGColor(const IColor& c)
  {
    mBGColor = c;
    MarkDirty(false);
  }
  const IColor& GetBGColor() const { return mBGColor; }

protected:
  IColor mBGColor;
};

// Shows the display text of a parameter; a press prompts for a new value.
class ICaptionControl : public ITextControl
{
public:
  ICaptionControl(const IRect& bounds, int paramIdx, const IText& text = IText(),
                  const IColor& bgColor = COLOR_TRANSPARENT, bool showParamLabel = true);
  void Draw(ICanvas& g) override;
  void OnPress(float x, float y, const IMouseMod& mod) override;
  // The text the caption shows for its current value.
  std::string GetDisplayString() const;
  // The small menu triangle of enumerated parameters (empty otherwise).
  IRect GetTriangleRect() const;

protected:
  bool IsMenuKind() const;
};

// Fills its rectangle with a colour or gradient.
class IPanelControl : public IControl
{
public:
  IPanelControl(const IRect& bounds, const IPattern& pattern, bool drawFrame = false,
                const IColor& frameColor = COLOR_BLACK);
  void Draw(ICanvas& g) override;
  void SetPattern(const IPattern& p)
  {
    mPattern = p;
    MarkDirty(false);
  }
  const IPattern& GetPattern() const { return mPattern; }

protected:
  IPattern mPattern;
  bool mDrawFrame;
  IColor mFrameColor;
};

// The resize handle in the bottom-right corner of the editor.
class ICornerResizerControl : public IControl
{
public:
  ICornerResizerControl(float size = 20.f, const IColor& color = IColor(10, 0, 0, 0),
                        const IColor& mouseOverColor = IColor(255, 0, 0, 0),
                        const IColor& dragColor = IColor(255, 0, 0, 0));
  void Draw(ICanvas& g) override;
  void OnRescale() override;
  void OnPress(float x, float y, const IMouseMod& mod) override;
  void OnRelease(float x, float y, const IMouseMod& mod) override;
  void OnDoubleClick(float x, float y, const IMouseMod& mod) override;
  void OnPointerOver(float x, float y, const IMouseMod& mod) override;
  void OnPointerOut() override;
  bool IsDragging() const { return mDragging; }

protected:
  float mSize;
  IColor mColor, mMouseOverColor, mDragColor;
  bool mDragging = false;
};

// Shows the average of the recorded frame times.
class IFrameTimeDisplayControl : public IControl
{
public:
  explicit IFrameTimeDisplayControl(const IRect& bounds);
  void Draw(ICanvas& g) override;
};

} // namespace plugfw::ui
