#pragma once
// Base of every element of the editor: a rectangle that draws itself, holds
// value slots (each optionally bound to a parameter), reacts to pointer and key
// events and reports when it needs redrawing.

#include "graphics/IGraphicsTypes.h"
#include "graphics/IRefCounted.h"
#include "plugin/IHostContextMenu.h"

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace plugfw {
class IParam;
class IEditorDelegate;
} // namespace plugfw

namespace plugfw::ui {

class ICanvas;
class IControl;

using IActionFunction = std::function<void(IControl*)>;
using IAnimationFunction = std::function<void(IControl*)>;
using IGestureFunc = std::function<void(IControl*, const IGestureInfo&)>;

class IControl : public IContextMenuTarget, public IRefCounted
{
public:
  struct ValueSlot
  {
    int paramIdx = -1;
    double value = 0.0;
  };

  explicit IControl(const IRect& bounds, int paramIdx = -1, IActionFunction action = nullptr);
  IControl(const IRect& bounds, const std::vector<int>& paramIdxs,
           IActionFunction action = nullptr);
  ~IControl() override = default;

  // Reference counting of the host-facing interface.
  std::uint32_t AddRef() override { return IncRef(); }
  std::uint32_t Release() override;
  // An item of the host's context menu was chosen.
  bool ExecuteMenuItem(int tag) override;

  // Pointer, key and drop events.
  virtual void OnPress(float x, float y, const IMouseMod& mod);
  virtual void OnRelease(float x, float y, const IMouseMod& mod);
  virtual void OnDrag(float x, float y, float dX, float dY, const IMouseMod& mod);
  virtual void OnDoubleClick(float x, float y, const IMouseMod& mod);
  virtual void OnWheel(float x, float y, const IMouseMod& mod, float d);
  virtual bool OnKeyDown(float x, float y, const IKeyPress& key);
  virtual bool OnKeyUp(float x, float y, const IKeyPress& key);
  virtual void OnPointerOver(float x, float y, const IMouseMod& mod);
  virtual void OnPointerOut();
  virtual void OnTouchCancelled(float x, float y, const IMouseMod& mod);
  virtual void OnDrop(const char* path);
  virtual void OnDropMultiple(const std::vector<const char*>& paths);

  // Life-cycle hooks.
  virtual void OnRescale();
  virtual void OnResize();
  virtual void OnInit();
  virtual void OnAttached();
  virtual void OnMidi(int status, int data1, int data2);
  virtual void OnMsgFromDelegate(int msgTag, int dataSize, const void* pData);

  // Gestures, menus and text entry.
  virtual bool OnGesture(const IGestureInfo& info);
  virtual void CreateContextMenu(IPopupMenu& menu);
  virtual void OnPopupMenuSelection(IPopupMenu* selectedMenu, int valIdx);
  virtual void OnTextEntryCancelled(int valIdx);
  virtual void OnTextEntryCompletion(const char* str, int valIdx);
  virtual void OnContextSelection(int itemSelected);

  // Drawing.
  virtual void Draw(ICanvas& g) = 0;
  virtual void DrawOverlay(ICanvas& g);

  // Values and styles.
  virtual void SetParamIdx(int paramIdx, int valIdx = 0);
  virtual int GetValIdxForPos(float x, float y) const;
  virtual void SetValueFromDelegate(double value, int valIdx = 0);
  virtual void SetValueFromUserInput(double value, int valIdx = 0);
  virtual void SetValueToDefault(int valIdx = -1);
  virtual void SetValue(double value, int valIdx = 0);
  virtual void SetTextStyle(const IText& txt);

  // Geometry, visibility and hit testing.
  virtual void SetPosition(float x, float y);
  virtual void SetSize(float w, float h);
  virtual void Hide(bool hide);
  virtual void SetDisabled(bool disable);
  virtual void SetIgnorePointer(bool ignore);
  virtual bool HitTest(float x, float y) const;

  // Redraw state, gestures, value from position, animation.
  virtual void MarkDirty(bool withAction = true, int valIdx = -1);
  virtual void MarkClean();
  virtual bool NeedsRedraw() const;
  virtual void OnGUIIdle();
  virtual bool WantsGestures() const;
  virtual void ValueFromPosition(float x, float y, EDirection dir, const IRect& track,
                                 int valIdx = 0, double minClip = 0.0, double maxClip = 1.0);
  virtual void OnEndAnimation();

  // Non-virtual accessors.
  const IRect& GetRECT() const { return mRECT; }
  const IRect& GetTargetRECT() const { return mTargetRECT; }
  void SetRECT(const IRect& r)
  {
    mRECT = r;
    MarkDirty(false);
  }
  void SetTargetRECT(const IRect& r)
  {
    mTargetRECT = r;
    MarkDirty(false);
  }
  void SetTargetAndDrawRECTs(const IRect& r)
  {
    mRECT = mTargetRECT = r;
    MarkDirty(false);
    OnResize();
  }

  int NVals() const { return static_cast<int>(mVals.size()); }
  double GetValue(int valIdx = 0) const;
  int GetParamIdx(int valIdx = 0) const;
  bool IsBound(int valIdx = 0) const { return GetParamIdx(valIdx) >= 0; }
  // The parameter bound to a value slot, or null.
  const IParam* GetParam(int valIdx = 0) const;
  IParam* GetParam(int valIdx = 0);

  const std::string& GetGroup() const { return mGroup; }
  void SetGroup(const char* g) { mGroup = g ? g : ""; }
  const std::string& GetTooltip() const { return mTooltip; }
  void SetTooltip(const char* t) { mTooltip = t ? t : ""; }

  bool IsHidden() const { return mHide; }
  bool IsDisabled() const { return mDisabled; }
  bool GetIgnorePointer() const { return mIgnorePointer; }
  bool GetMouseIsOver() const { return mMouseIsOver; }
  bool IsDirty() const { return mDirty; }
  const IBlend& GetBlend() const { return mBlend; }
  bool IsBlendedAway() const { return mBlend.weight <= 0.f; }

  bool GetWantsMultiTouch() const { return mWantsMultiTouch; }
  void SetWantsMultiTouch(bool v) { mWantsMultiTouch = v; }
  bool GetMouseDblAsSingleClick() const { return mDblAsSingleClick; }
  void SetMouseDblAsSingleClick(bool v) { mDblAsSingleClick = v; }
  bool GetMouseEventsWhenDisabled() const { return mMouseEventsWhenDisabled; }
  void SetMouseEventsWhenDisabled(bool v) { mMouseEventsWhenDisabled = v; }
  bool GetMouseOverWhenDisabled() const { return mMouseOverWhenDisabled; }
  void SetMouseOverWhenDisabled(bool v) { mMouseOverWhenDisabled = v; }
  bool GetReadOnlyParamAccess() const { return mReadOnlyParamAccess; }
  void SetReadOnlyParamAccess(bool v) { mReadOnlyParamAccess = v; }
  bool GetShowsParamLabel() const { return mShowsParamLabel; }
  void SetShowsParamLabel(bool v) { mShowsParamLabel = v; }
  bool GetWantsMidi() const { return mWantsMidi; }
  void SetWantsMidi(bool v) { mWantsMidi = v; }

  void SetActionFunction(IActionFunction f) { mActionFunc = std::move(f); }
  void SetAnimationEndActionFunction(IActionFunction f) { mAnimationEndFunc = std::move(f); }
  void SetAnimation(IAnimationFunction f)
  {
    mAnimationFunc = std::move(f);
    mDirty = true;
  }
  // Starts a timed animation; the function sees the progress through GetAnimationProgress().
  void SetAnimation(IAnimationFunction f, int durationMs);
  bool HasAnimation() const { return static_cast<bool>(mAnimationFunc); }
  const IAnimationFunction& GetAnimationFunction() const { return mAnimationFunc; }
  double GetAnimationProgress() const;
  // Runs the animation function once (called by the frame step).
  void Animate();

  IControl* AttachGestureRecognizer(EGestureType type, IGestureFunc func);

  IControl* GetParent() const { return mParent; }
  void SetParent(IControl* p) { mParent = p; }

  const IText& GetText() const { return mText; }
  const std::string& GetStr() const { return mStr; }
  // Marks the control for redraw only when the text changes.
  virtual void SetStr(const char* str);
  const std::string& GetOverlayText() const { return mOverlayText; }
  void SetOverlayText(const char* str)
  {
    mOverlayText = str ? str : "";
    MarkDirty(false);
  }

  // Back references, set by the graphics context on attachment.
  void SetDelegate(IEditorDelegate* d) { mDelegate = d; }
  IEditorDelegate* GetDelegate() const { return mDelegate; }
  void SetCanvas(ICanvas* g) { mCanvas = g; }
  ICanvas* GetUI() const { return mCanvas; }

  // Prompts for a value of the parameter of a value slot (text entry or menu).
  void PromptUserInput(int valIdx = 0);
  void PromptUserInput(const IRect& bounds, int valIdx = 0);

protected:
  // Number of states of a value slot: 2, or (max - min + 1) of a stepped parameter.
  int NStatesOfParam(int valIdx, int fallback) const;

  IRect mRECT;
  IRect mTargetRECT;
  std::vector<ValueSlot> mVals;
  std::string mGroup;
  std::string mTooltip;
  bool mHide = false;
  bool mDisabled = false;
  bool mIgnorePointer = false;
  bool mReadOnlyParamAccess = false;
  bool mMouseIsOver = false;
  bool mDirty = true;
  bool mDblAsSingleClick = false;
  bool mWantsMultiTouch = false;
  bool mMouseEventsWhenDisabled = false;
  bool mMouseOverWhenDisabled = false;
  bool mWantsMidi = false;
  bool mShowsParamLabel = false;
  IBlend mBlend;
  IAnimationFunction mAnimationFunc;
  IActionFunction mActionFunc;
  IActionFunction mAnimationEndFunc;
  std::chrono::steady_clock::time_point mAnimationStart;
  int mAnimationDurationMs = 0;
  std::map<EGestureType, IGestureFunc> mGestureFuncs;
  IControl* mParent = nullptr;
  IText mText;
  std::string mStr;
  std::string mOverlayText;
  IEditorDelegate* mDelegate = nullptr;
  ICanvas* mCanvas = nullptr;
};

// Animation that ends the control's animation once its duration has passed.
void DefaultAnimationFunc(IControl* c);

} // namespace plugfw::ui
