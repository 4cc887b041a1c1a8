#pragma once
// The X11 graphics context: a child window of the host's window (XEmbed), its own X connection
// served from the host's run loop (a descriptor handler and a frame timer; no thread or event
// loop of ours), our renderer's frame presented by dirty rectangles through MIT-SHM images or
// plain XPutImage, and the platform services drawn with our renderer: the value-box text entry,
// popup menus and tooltips. A thin adapter: no editor logic lives here.

#include "graphics/ICanvas.h"
#include "graphics/ITextEntryRules.h"

#include <memory>
#include <string>
#include <vector>

namespace plugfw {
class IHostRunLoop;
}
union _XEvent;

namespace plugfw::ui {

class ICanvasX11 : public ICanvas
{
public:
  ICanvasX11(IEditorDelegate* dlg, int w, int h, int fps = 30, float scale = 1.f);
  ~ICanvasX11() override;

  void SetHostRunLoop(IHostRunLoop* loop) override { mRunLoop = loop; }
  // parent: the host's X window id. Null without a run loop, an X server or a usable parent.
  void* OpenWindow(void* parent) override;
  void CloseWindow() override;
  const char* GetPlatformName() const override { return "x11"; }
  // Starts xdg-open with the address, without a shell. There is no confirmation dialog on this
  // platform: a confirmation text refuses to open rather than open unasked.
  bool OpenURL(const char* url, const char* windowTitle = nullptr, const char* confirmMsg = nullptr,
               const char* errMsg = nullptr) override;

  // Clipboard text through the CLIPBOARD selection (UTF-8). Reading another client's selection
  // waits at most half a second for its answer.
  bool GetClipboardText(std::string& out);
  bool SetClipboardText(const char* utf8);

  // Not available on this platform (the editor never uses them): file, folder and colour dialogs
  // and dragging a file out of the editor all answer false.
  bool PromptForFile(std::string&) { return false; }
  bool PromptForDirectory(std::string&) { return false; }
  bool PromptForColor(IColor&) { return false; }
  bool InitiateExternalFileDragDrop(const char*) { return false; }

  bool WindowIsOpen() const;
  // The window's X id (0 while closed).
  unsigned long WindowId() const;

  // One frame step, as the frame timer runs it (for tests that drive the loop themselves).
  void FrameStep();

protected:
  void PlatformResize(bool parentHasResized) override;
  void HidePlatformCursor(bool hide) override;
  ECursor SetPlatformCursor(ECursor cursor) override;
  void MovePlatformCursor(float x, float y) override;
  void CreatePlatformTextEntry(int controlIdx, const IText& text, const IRect& bounds, int length,
                               const char* str) override;
  void CreatePlatformPopupMenu(IPopupMenu& menu, const IRect& bounds) override;

private:
  struct X;
  struct TextEntry
  {
    ETextEntryState state = ETextEntryState::None;
    ETextEntryFilter filter = ETextEntryFilter::Any;
    IText style;
    IRect bounds;
    int maxLength = 256;
    std::string text;
    bool selectedAll = true;
  };

  void OnReadable();
  // One small translation per event kind (ICanvasEventsX11.cpp); the clipboard's selection
  // traffic (ICanvasServicesX11.cpp) and the input of an open menu (ICanvasOverlaysX11.cpp).
  void HandleEvent(void* xevent);
  void OnWindowDestroyed(_XEvent& ev);
  void OnButtonPress(_XEvent& ev);
  void OnButtonRelease(_XEvent& ev);
  void OnMotion(_XEvent& ev);
  void OnLeave(_XEvent& ev);
  void OnKey(_XEvent& ev);
  void OnSelectionEvent(_XEvent& ev);
  void OnMenuEvent(_XEvent& ev);
  void OnMenuMotion(int rootX, int rootY);
  void OnMenuPress(int rootX, int rootY);
  void OnMenuRelease(int rootX, int rootY);
  void OnMenuKey(unsigned long keysym);
  // The menu item at a root position (-2 outside every level), deepest level first.
  int MenuItemAtRoot(int rootX, int rootY, size_t& level) const;
  void RedrawMenu(size_t level);
  void OpenMenuItemSubmenu(size_t level, int i);
  void CloseMenus(IPopupMenu* chosen);
  void Present(const IRectList& logical);
  void PresentPixels(int x, int y, int w, int h);
  void DrawTextEntry();
  void EndTextEntry(bool commit);
  bool TextEntryKey(unsigned long keysym, const char* text);
  void UpdateTooltip();
  void HideTooltip();
  void RedrawTooltip();
  float ReadScreenScale() const;

  IHostRunLoop* mRunLoop = nullptr;
  std::unique_ptr<X> mX;
  TextEntry mEntry;
};

} // namespace plugfw::ui
