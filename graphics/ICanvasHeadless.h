#pragma once
// A graphics context without a window: draws into the renderer's in-memory
// frame, writes PNG files, records what it would have shown (text entries,
// menus, cursor changes) and lets callers inject pointer and key events.

#include "graphics/ICanvas.h"

#include <string>
#include <utility>
#include <vector>

namespace plugfw::ui {

class ICanvasHeadless : public ICanvas
{
public:
  struct TextEntryRequest
  {
    int controlIdx = -1;
    IText text;
    IRect bounds;
    int length = 0;
    std::string str;
  };
  struct PopupRequest
  {
    IPopupMenu* menu = nullptr;
    IRect bounds;
  };

  ICanvasHeadless(IEditorDelegate* dlg, int w, int h, int fps = 30, float scale = 1.f);
  ~ICanvasHeadless() override;

  void* OpenWindow(void* parent) override;
  void CloseWindow() override;
  const char* GetPlatformName() const override { return "headless"; }
  bool OpenURL(const char* url, const char* windowTitle, const char* confirmMsg,
               const char* errMsg) override;
  bool WindowIsOpen() const { return mOpen; }

  // One frame step: collect dirty rectangles and draw them. Returns the rectangles.
  IRectList StepFrame();
  bool WritePng(const std::string& path) const;

  // ---- Event injection (logical coordinates) -------------------------------------------
  static IMouseMod Left(bool shift = false, bool ctl = false);
  static IMouseMod Right();
  void Press(float x, float y, const IMouseMod& mod = Left());
  void Release(float x, float y, const IMouseMod& mod = Left());
  // A drag to (x, y) from the pointer's last position.
  void DragTo(float x, float y, const IMouseMod& mod = Left());
  void Click(float x, float y, const IMouseMod& mod = Left());
  void MoveTo(float x, float y);
  void Wheel(float x, float y, float delta, const IMouseMod& mod = IMouseMod());
  void DoubleClick(float x, float y, const IMouseMod& mod = Left());
  // Touches carry a platform id, hashed as the platform layer does.
  void TouchDown(std::uintptr_t platformID, float x, float y);
  void TouchUp(std::uintptr_t platformID, float x, float y);
  bool KeyDown(const IKeyPress& key) { return OnKeyDown(GetMouseX(), GetMouseY(), key); }

  // ---- What the platform was asked to do ------------------------------------------------
  const std::vector<TextEntryRequest>& TextEntries() const { return mTextEntries; }
  const std::vector<PopupRequest>& PopupMenus() const { return mPopups; }
  const std::vector<std::string>& OpenedURLs() const { return mURLs; }
  int PlatformResizeCount() const { return mPlatformResizes; }
  bool PlatformCursorHidden() const { return mPlatformCursorHidden; }
  ECursor PlatformCursor() const { return mPlatformCursor; }
  // Where the pointer was put back (warped) to, in order.
  const std::vector<std::pair<float, float>>& Warps() const { return mWarps; }
  // Completes the pending popup menu with a chosen item (-1 dismisses it).
  void ChoosePopupItem(int idx);

protected:
  void PlatformResize(bool parentHasResized) override;
  void HidePlatformCursor(bool hide) override;
  ECursor SetPlatformCursor(ECursor cursor) override;
  void MovePlatformCursor(float x, float y) override;
  void CreatePlatformTextEntry(int controlIdx, const IText& text, const IRect& bounds, int length,
                               const char* str) override;
  void CreatePlatformPopupMenu(IPopupMenu& menu, const IRect& bounds) override;

private:
  bool mOpen = false;
  std::vector<TextEntryRequest> mTextEntries;
  std::vector<PopupRequest> mPopups;
  std::vector<std::string> mURLs;
  int mPlatformResizes = 0;
  bool mPlatformCursorHidden = false;
  ECursor mPlatformCursor = ECursor::Arrow;
  std::vector<std::pair<float, float>> mWarps;
};

} // namespace plugfw::ui
