#pragma once
// The editor's graphics context: owns the controls of one editor, dispatches
// pointer and key events to them, collects dirty areas and redraws them through
// the vector renderer. Platform-neutral: a platform subclass supplies the window,
// cursor, text entry and popup menus.

#include "graphics/IControl.h"
#include "graphics/IGraphicsTypes.h"
#include "plugin/IHostContextMenu.h"
#include "render/IRenderer.h"
#include "render/IResourceSearch.h"

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace plugfw {
class IParam;
class IEditorDelegate;
} // namespace plugfw

namespace plugfw::ui {

class ICornerResizerControl;

using IKeyHandlerFunc = std::function<bool(const IKeyPress& key, bool isUp)>;
using IControlFunction = std::function<void(IControl& control)>;
using IDisplayTickFunc = std::function<void()>;
using ILayoutFunc = std::function<void(ICanvas& g)>;

class ICanvas : public IGraphicsContext
{
public:
  ICanvas(IEditorDelegate* dlg, int w, int h, int fps = 30, float scale = 1.f);
  ~ICanvas() override;
  ICanvas(const ICanvas&) = delete;
  ICanvas& operator=(const ICanvas&) = delete;

  // ---- Platform operations -------------------------------------------------------------
  void* OpenWindow(void* parent) override = 0;
  void CloseWindow() override = 0;
  virtual const char* GetPlatformName() const = 0;
  virtual bool OpenURL(const char* url, const char* windowTitle = nullptr,
                       const char* confirmMsg = nullptr, const char* errMsg = nullptr) = 0;

  // ---- Controls -------------------------------------------------------------------------
  // Takes ownership. A tag already in use refuses the control: it is destroyed and null returned.
  IControl* AttachControl(IControl* control, int tag = -1, const char* group = "");
  // The resizer lies outside the control list and is hit-tested before it.
  void AttachCornerResizer(ICornerResizerControl* resizer,
                           EUIResizerMode mode = EUIResizerMode::Scale,
                           bool layoutOnResize = false);
  void AttachPerformanceDisplay(IControl* display);
  void AttachPanelBackground(const IPattern& pattern);
  // Destroys every control in reverse order of attachment, the special controls first.
  void RemoveAllControls();

  int NControls() const { return static_cast<int>(mControls.size()); }
  IControl* GetControl(int idx) const
  {
    return (idx >= 0 && idx < NControls()) ? mControls[idx] : nullptr;
  }
  IControl* GetControlWithTag(int tag) const;
  int GetControlIdx(const IControl* c) const;
  ICornerResizerControl* GetCornerResizer() const { return mCornerResizer; }
  IControl* GetPerformanceDisplay() const { return mPerfDisplay; }

  // The special controls that exist first, then the list in order.
  void ForAllControls(const IControlFunction& f);
  void ForStandardControls(const IControlFunction& f);
  void SetAllControlsDirty();
  void SetAllControlsClean();

  // ---- Events from the platform ---------------------------------------------------------
  void OnMouseDown(const std::vector<IMouseInfo>& list);
  void OnMouseUp(const std::vector<IMouseInfo>& list);
  void OnMouseDrag(const std::vector<IMouseInfo>& list);
  // Returns true when the control under the pointer changed.
  bool OnMouseOver(float x, float y, const IMouseMod& mod);
  void OnMouseOut();
  void OnMouseDblClick(float x, float y, const IMouseMod& mod);
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float delta);
  void OnDrop(const char* path, float x, float y);
  void OnDropMultiple(const std::vector<const char*>& paths, float x, float y);
  void OnGestureRecognized(const IGestureInfo& info);
  bool OnKeyDown(float x, float y, const IKeyPress& key) override;
  bool OnKeyUp(float x, float y, const IKeyPress& key) override;
  void GetMouseLocation(float& x, float& y) const override
  {
    x = mMouseX;
    y = mMouseY;
  }
  // Current mouse position (logical), as last seen by an event.
  float GetMouseX() const { return mMouseX; }
  float GetMouseY() const { return mMouseY; }

  // Hit test: the control under a point, or null. With capture the pointer id is bound to it.
  IControl* GetMouseControl(float x, float y, bool capture, bool mouseOver = false,
                            std::uintptr_t touchID = 0);
  bool ControlIsCaptured(const IControl* c) const;
  bool ControlIsCaptured() const { return !mCapturedMap.empty(); }
  IControl* GetCapturedControl(std::uintptr_t touchID = 0) const;
  void ReleaseMouseCapture();
  IControl* GetMouseOverControl() const { return mMouseOver; }
  int GetMouseOverIdx() const { return mMouseOverIdx; }

  // ---- Frame step and drawing -----------------------------------------------------------
  // Collects the dirty rectangles (logical) of this frame; true when there are any.
  bool IsDirty(IRectList& rects);
  // Draws the given logical rectangles into the renderer's frame.
  void Draw(const IRectList& rects);
  // Marks everything dirty and draws the whole editor.
  void DrawAll();
  void SetDisplayTickFunc(IDisplayTickFunc f) { mDisplayTickFunc = std::move(f); }
  void SetStrictDrawing(bool strict) { mStrictDrawing = strict; }
  // Frame times (seconds) of the last frames, oldest first.
  std::vector<double> GetFrameTimes() const;
  int FPS() const { return mFPS; }

  // ---- Size and scale -------------------------------------------------------------------
  void Resize(int w, int h, float scale) override { Resize(w, h, scale, true); }
  void Resize(int w, int h, float scale, bool needsPlatformResize);
  void SetScreenScale(float scale) override;
  int Width() const override { return mWidth; }
  int Height() const override { return mHeight; }
  float GetDrawScale() const override { return mDrawScale; }
  float GetScreenScale() const { return mScreenScale; }
  float GetTotalScale() const { return mDrawScale * mScreenScale; }
  int WindowWidth() const;
  int WindowHeight() const;
  IRect GetBounds() const
  {
    return IRect(0.f, 0.f, static_cast<float>(mWidth), static_cast<float>(mHeight));
  }
  void SetScaleConstraints(float lo, float hi);
  float GetMinScale() const { return mMinScale; }
  float GetMaxScale() const { return mMaxScale; }
  void StartResizeGesture() { mResizingInProcess = true; }
  bool GetResizingInProcess() const { return mResizingInProcess; }
  EUIResizerMode GetResizerMode() const { return mResizerMode; }
  void SetLayoutOnResize(bool v) { mLayoutOnResize = v; }
  void SetLayoutFunc(ILayoutFunc f) { mLayoutFunc = std::move(f); }
  // Runs the layout function set here, else the delegate's (used when run-layout-on-resize is set).
  void RunLayout();

  // ---- Flags ----------------------------------------------------------------------------
  void EnableMouseOver(bool enable) { mEnableMouseOver = enable; }
  bool MouseOverEnabled() const { return mEnableMouseOver; }
  void EnableTooltips(bool enable) { mEnableTooltips = enable; }
  bool TooltipsEnabled() const { return mEnableTooltips; }
  void EnableTouch(bool enable) { mEnableTouch = enable; }
  bool TouchEnabled() const { return mEnableTouch; }
  void SetKeyHandlerFunc(IKeyHandlerFunc f) { mKeyHandlerFunc = std::move(f); }

  // ---- Cursor ---------------------------------------------------------------------------
  // Hiding remembers where the pointer was; with lock (and no pen) a drag puts the pointer back
  // there after every move, and showing it again returns it there.
  void HideMouseCursor(bool hide = true, bool lock = true);
  bool CursorIsHidden() const { return mCursorHidden; }
  bool CursorIsLocked() const { return mCursorHidden && mCursorLock; }
  ECursor SetMouseCursor(ECursor cursor = ECursor::Arrow);
  ECursor GetMouseCursor() const { return mCursor; }
  void MoveMouseCursor(float x, float y) { MovePlatformCursor(x, y); }

  // ---- Pointer input from a platform window ---------------------------------------------
  // The rules every platform window shares. A window translates its native events into these
  // calls (logical coordinates) and keeps no pointer state of its own.

  // How a window's system reports the pointer after it was put back (warped):
  // Immediate: the warp takes effect at once, and every later move is measured from where the
  //   pointer was put (Win32: SetCursorPos; moves are coalesced, and the one the warp makes may
  //   never come on its own).
  // Queued: moves already queued were measured before the warp and are measured from each
  //   other; the move the warp makes is recognised by its position (X11: XWarpPointer).
  enum class EWarpEcho
  {
    Immediate,
    Queued
  };
  void SetWarpEcho(EWarpEcho echo) { mWarpEcho = echo; }
  // The last input came from a pen or touch: a hidden cursor is then not locked.
  void SetPenInput(bool pen) { mPenInput = pen; }
  // A pointer move. `dragging`: a button is held and the window holds the pointer; the move is a
  // drag by its distance from the last position, after which a locked hidden pointer is put back.
  // Otherwise the control under the pointer is updated; returns true when it changed (a shown
  // tooltip then goes).
  bool PointerMoved(float x, float y, const IMouseMod& mod, bool dragging);
  // Presses and releases of the buttons that count (left, middle, right); any other button is
  // ignored on both edges, so no press can leave a gesture open. False when ignored.
  bool PointerPressed(const IMouseInfo& info, EPointerButton button);
  bool PointerReleased(const IMouseInfo& info, EPointerButton button);
  // The pointer entered the window at (x, y) or left it.
  void PointerEntered(float x, float y);
  void PointerLeft();
  bool PointerInside() const { return mPointerInside; }

  // ---- Tooltip rules (the window shows and hides the picture) ---------------------------
  // The control a resting pointer is over changed to `idx` (-1: none): a shown tooltip goes and
  // a new wait begins. Returns true on a change (Win32 then asks the system for a hover message).
  bool TooltipPointerOver(int idx);
  // One frame of the frame-paced wait, for windows without a hover message of their own: the
  // control whose tooltip should show now, or null. None while a control holds the pointer, a
  // text entry or a menu is open, or the pointer is outside; `hide` is set when a shown tooltip
  // must go.
  IControl* TooltipFrameStep(bool& hide);
  // The window hid its tooltip (or showed it).
  void TooltipHidden();
  void TooltipShown() { mTooltipShown = true; }
  bool TooltipIsShown() const { return mTooltipShown; }
  // The pointer left: no control is meant any more.
  void TooltipReset();
  int TooltipIndex() const { return mTooltipIdx; }
  // Frames a resting pointer waits before its tooltip shows (about half a second at 30 fps).
  static constexpr int kTooltipDelayFrames = 15;

  // ---- Prompts --------------------------------------------------------------------------
  // A control asks the user to type or choose a value of its parameter.
  void PromptUserInput(IControl& control, const IRect& bounds, int valIdx = 0);
  void CreateTextEntry(IControl& control, const IText& text, const IRect& bounds,
                       const char* str = "", int valIdx = 0);
  // Shows a menu for a control; the selection arrives in the control's popup-menu hook.
  void CreatePopupMenu(IControl& control, std::unique_ptr<IPopupMenu> menu, const IRect& bounds,
                       int valIdx = -1);
  // Completions from the platform.
  void SetControlValueAfterTextEdit(const char* str);
  void CancelTextEntry();
  void SetControlValueAfterPopupMenu(IPopupMenu* menu);
  bool TextEntryPending() const { return mTextEntryControl != nullptr; }
  bool PopupMenuPending() const { return mPopupControl != nullptr; }
  IControl* GetTextEntryControl() const { return mTextEntryControl; }
  IPopupMenu* GetPendingPopupMenu() const { return mPopupMenu.get(); }

  // ---- Host parameter menu --------------------------------------------------------------
  void SetHostContextMenuSource(IHostContextMenuSource* src) { mHostMenuSource = src; }
  // The items the control added for the last host menu (tags counted from 0).
  const IPopupMenu& GetContextMenu() const { return mContextMenu; }

  // ---- Delegate -------------------------------------------------------------------------
  IEditorDelegate* GetDelegate() const { return mDelegate; }
  IParam* GetParam(int paramIdx) const;
  int NParams() const;
  void BeginParameterChangeFromUI(int paramIdx);
  void SendParameterValueFromUI(int paramIdx, double normalizedValue);
  void EndParameterChangeFromUI(int paramIdx);
  // Gives a control the value of its parameter from the delegate (by tag).
  void SetControlValueFromDelegate(int tag, double normalizedValue) override;
  void SendControlMsgFromDelegate(int tag, int msgTag, int dataSize, const void* pData) override;
  // Every control bound to the parameter takes the value from the delegate.
  void SetParamValueFromDelegate(int paramIdx, double normalizedValue) override;
  void ForwardMidiMsg(const IMidiMsg& msg) override;

  // ---- Drawing (logical units; blend from the drawing control) ---------------------------
  IRenderer& GetRenderer() { return *mRenderer; }
  const IPixmap& GetFrame() const { return mRenderer->Frame(); }
  void FillRect(const IPattern& p, const IRect& r, const IBlend* blend = nullptr);
  void FillRoundRect(const IPattern& p, const IRect& r, float radius,
                     const IBlend* blend = nullptr);
  void FillCircle(const IPattern& p, float cx, float cy, float r, const IBlend* blend = nullptr);
  void FillTriangle(const IPattern& p, float x1, float y1, float x2, float y2, float x3, float y3,
                    const IBlend* blend = nullptr);
  void DrawLine(const IPattern& p, float x1, float y1, float x2, float y2,
                const IBlend* blend = nullptr, float thickness = 1.f);
  void DrawRect(const IPattern& p, const IRect& r, const IBlend* blend = nullptr,
                float thickness = 1.f);
  void DrawRoundRect(const IPattern& p, const IRect& r, float radius, const IBlend* blend = nullptr,
                     float thickness = 1.f);
  void DrawCircle(const IPattern& p, float cx, float cy, float r, const IBlend* blend = nullptr,
                  float thickness = 1.f);
  void PathClear();
  void PathMoveTo(float x, float y);
  void PathLineTo(float x, float y);
  void PathClose();
  void PathStroke(const IPattern& p, float thickness, float miterLimit = 10.f,
                  bool preserve = false, const IBlend* blend = nullptr);
  void PathFill(const IPattern& p, const IBlend* blend = nullptr, bool preserve = false);
  void DrawText(const IText& text, const char* str, const IRect& bounds,
                const IBlend* blend = nullptr);
  float MeasureText(const IText& text, const char* str) const;
  // Fonts by id from resource data (for example "Roboto-Regular" from "Roboto-Regular.ttf").
  bool LoadFont(const char* fontId, const char* resourceName);
  bool LoadFont(const char* fontId, const void* data, size_t size);
  IBitmap LoadBitmap(const char* name, int nStates = 1);
  void DrawBitmap(const IBitmap& bitmap, const IRect& dest, int frame = 0,
                  const IBlend* blend = nullptr);
  // The variant of a named resource for an integer scale, by the scale search order.
  IResourceHit SearchResourceByScale(const char* name, int scale) const;
  void SetResourceFinder(IResourceFinder f) { mResourceFinder = std::move(f); }

protected:
  // ---- Platform hooks -------------------------------------------------------------------
  virtual void PlatformResize(bool parentHasResized) = 0;
  // Only the system cursor's visibility: where it was and whether it is locked is kept here.
  virtual void HidePlatformCursor(bool hide) = 0;
  virtual ECursor SetPlatformCursor(ECursor cursor) = 0;
  virtual void MovePlatformCursor(float x, float y) = 0;
  // The platform shows a text entry; it later calls SetControlValueAfterTextEdit or CancelTextEntry.
  virtual void CreatePlatformTextEntry(int controlIdx, const IText& text, const IRect& bounds,
                                       int length, const char* str) = 0;
  // The platform shows the menu; it later calls SetControlValueAfterPopupMenu.
  virtual void CreatePlatformPopupMenu(IPopupMenu& menu, const IRect& bounds) = 0;
  // Called after a resize or scale change has been applied.
  virtual void OnScaleOrSizeChanged() {}

  IEditorDelegate* mDelegate = nullptr;

private:
  void OnPressOne(const IMouseInfo& info);
  void OpenHostContextMenu(IControl& control, int paramIdx, float x, float y);
  void DrawControl(IControl& control, const IRect& dirty, bool alwaysDraw);
  IRect ClipInsideParents(const IControl& control, IRect clip) const;
  void ForControlsBoundTo(IControl& c, const std::function<void(int)>& f);
  bool ConstrainEditorResize(int& w, int& h) const;
  void EditorResizeFromUI(int viewW, int viewH, bool needsHostResize);
  // The one path by which size and scales change (resize, resizer drag, screen scale).
  void ApplySizeAndScale(int w, int h, float drawScale, float screenScale,
                         bool needsPlatformResize);

  std::vector<IControl*> mControls;
  std::map<int, IControl*> mTags;
  ICornerResizerControl* mCornerResizer = nullptr;
  IControl* mPerfDisplay = nullptr;
  std::unordered_map<std::uintptr_t, IControl*> mCapturedMap;
  IControl* mMouseOver = nullptr;
  int mMouseOverIdx = -1;
  float mMouseX = 0.f, mMouseY = 0.f;
  float mMouseDownX = -1.f, mMouseDownY = -1.f;

  int mWidth = 0, mHeight = 0;
  int mFPS = 30;
  float mDrawScale = 1.f;
  float mScreenScale = 1.f;
  float mMinScale = 0.5f;
  float mMaxScale = 2.f;

  bool mEnableMouseOver = false;
  bool mEnableTooltips = false;
  bool mEnableTouch = true;
  bool mCursorHidden = false;
  bool mCursorLock = false;
  float mHiddenX = 0.f, mHiddenY = 0.f;
  bool mPenInput = false;
  EWarpEcho mWarpEcho = EWarpEcho::Immediate;
  bool mPointerInside = false;
  ECursor mCursor = ECursor::Arrow;
  int mTooltipIdx = -1;
  bool mTooltipShown = false;
  int mTooltipTicks = 0;
  bool mResizingInProcess = false;
  EUIResizerMode mResizerMode = EUIResizerMode::Scale;
  bool mLayoutOnResize = false;
  bool mStrictDrawing = false;

  IControl* mTextEntryControl = nullptr;
  int mTextEntryValIdx = -1;
  IControl* mPopupControl = nullptr;
  std::unique_ptr<IPopupMenu> mPopupMenu;
  bool mPopupForValIdx = false;
  int mPopupValIdx = -1;

  IRectList mDrawWork;
  std::array<double, 100> mFrameTimes{};
  int mFrameTimeCount = 0;
  int mFrameTimePos = 0;

  IKeyHandlerFunc mKeyHandlerFunc;
  IDisplayTickFunc mDisplayTickFunc;
  ILayoutFunc mLayoutFunc;
  IHostContextMenuSource* mHostMenuSource = nullptr;
  IPopupMenu mContextMenu;
  IResourceFinder mResourceFinder;
  std::unique_ptr<IRenderer> mRenderer;
};

} // namespace plugfw::ui
