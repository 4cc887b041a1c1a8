#pragma once
// The Windows graphics context: a child window in the host's parent window that turns Win32
// messages into the context's pointer, key, wheel, touch and drop events, paces frame steps with
// a timer or a vertical-blank thread, and shows the renderer's CPU frame through the window's
// OpenGL context as a texture (GDI when no GL context can be made). It also offers the platform
// services controls ask for: cursors, the text entry, popup menus, message boxes, tooltips,
// clipboard, dialogs and opening a web address. No editor logic lives here.

#include "graphics/ICanvas.h"
#include "graphics/IFramePacing.h"
#include "graphics/ITextEntryRules.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The context's own drawing operations share names with these Win32 macros.
#undef DrawText
#undef LoadBitmap

#include <atomic>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace plugfw::ui {

// How the frame reaches the screen.
enum class EPresentation
{
  None,   // no window
  OpenGL, // texture in the window's GL context
  GDI     // device-independent bitmap blitted to the window's device context
};

// The display driver's vertical-blank wait, as three functions looked up in gdi32 at run time.
// The pacing loop takes them as values so that it can be run against stand-ins.
struct IVBlankApi
{
  using OpenFn = LONG(APIENTRY*)(void* openAdapterFromHdc);
  using CloseFn = LONG(APIENTRY*)(const void* closeAdapter);
  using WaitFn = LONG(APIENTRY*)(const void* waitForVerticalBlankEvent);
  OpenFn open = nullptr;
  CloseFn close = nullptr;
  WaitFn wait = nullptr;
  bool Complete() const { return open && close && wait; }
};

// One round of ticks per vertical blank until `stop` is set: `post` is called after every round.
// Without a complete API it sleeps 16 ms per round instead. Closes any open adapter on exit.
// `sleepMs` is how the loop waits (Sleep in the window; a counter in tests).
void RunVBlankLoop(
    const IVBlankApi& api, HDC dc, const std::atomic<bool>& stop, const std::function<void()>& post,
    const std::function<void(DWORD)>& sleepMs = [](DWORD ms) { Sleep(ms); });

class ICanvasWin : public ICanvas
{
public:
  ICanvasWin(IEditorDelegate* dlg, int w, int h, int fps = 30, float scale = 1.f);
  ~ICanvasWin() override;

  // ---- Graphics context -----------------------------------------------------------------
  void* OpenWindow(void* parent) override;
  void CloseWindow() override;
  const char* GetPlatformName() const override { return "win32"; }
  bool OpenURL(const char* url, const char* windowTitle = nullptr, const char* confirmMsg = nullptr,
               const char* errMsg = nullptr) override;

  // ---- Window ---------------------------------------------------------------------------
  HWND CreatePlatformWindow(HWND parent);
  void DestroyPlatformWindow();
  // Brings the window to logical size x draw scale x screen scale; unless onlyThisWindow, the
  // host's parent and grandparent grow or shrink by the same pixel delta (child windows only).
  void ResizePlatformWindow(bool onlyThisWindow);
  HWND GetWindow() const { return mPlugWnd; }
  // The outermost ancestor of the parent (found on first use), owner of message boxes.
  HWND GetMainWindow();
  // The path the frame takes to the screen; "opengl", "gdi" or "none".
  EPresentation GetPresentation() const { return mPresentation; }
  static const char* PresentationName(EPresentation p);
  bool VBlankMode() const { return mVBlankMode; }
  // Frame steps taken (timer or vertical-blank ticks that were processed).
  std::uint64_t FrameStepCount() const { return mFrameSteps; }
  // The path a new window takes: QUELLOR_PRESENTATION=gdi or =opengl chooses it; otherwise
  // OpenGL, except under Wine, whose GL path shows the host an all-black editor.
  static EPresentation RequestedPresentation();
  // True when the module runs under Wine (its ntdll exports wine_get_version).
  static bool RunningUnderWine();

  // Process-wide window-class bookkeeping.
  static int OpenWindowCount();
  static int WindowClassRegistrations();
  static bool WindowClassRegistered();
  static constexpr const wchar_t* kWindowClassName = L"PluginEditorWndClass";
  static constexpr UINT kVBlankMessage = WM_USER + 1;
  static constexpr UINT_PTR kFrameTimerId = 2;
  static constexpr int kTextEntryId = 99;

  // ---- Platform services ----------------------------------------------------------------
  // Message box owned by the top-level window; the result also goes to `completion`.
  int ShowMessageBox(const char* text, const char* caption, UINT type,
                     const std::function<void(int)>& completion = nullptr);
  bool GetClipboardText(std::string& out);
  bool SetClipboardText(const char* utf8);
  // Raw data in a clipboard format of its own (registered by name).
  bool SetClipboardData(const char* formatName, const void* data, size_t size);
  // File open or save dialog; `ext` is a space-separated list of extensions ("wav aif").
  bool PromptForFile(std::string& path, bool save, const char* ext = "",
                     const char* initialDir = "");
  bool PromptForDirectory(std::string& path);
  bool PromptForColor(IColor& color, const char* title = "");
  bool RevealPathInExplorer(const char* path);
  // Lets the user drag a file out of the editor (OLE data object with the path as a file drop).
  bool InitiateExternalFileDragDrop(const char* path);
  // Registers font data with the system for the process (AddFontMemResourceEx), once per face.
  static bool RegisterPlatformFont(const char* faceName, const void* data, size_t size);

  // Text of a popup-menu item as the native menu shows it: numbered when asked ("%1d: ",
  // "%02d: " or "%03d: " for 1 to 3 digits), every "&" doubled.
  static std::wstring MenuItemText(const std::string& utf8, int number, int numberDigits);

  // ---- Text entry (for tests and the frame step) ----------------------------------------
  HWND GetTextEntryWindow() const { return mEntryWnd; }
  ETextEntryState GetTextEntryState() const { return mEntryState; }

  static std::wstring Widen(const char* utf8);
  static std::string Narrow(const wchar_t* utf16, int len = -1);

protected:
  void PlatformResize(bool onlyThisWindow) override { ResizePlatformWindow(onlyThisWindow); }
  void HidePlatformCursor(bool hide) override;
  ECursor SetPlatformCursor(ECursor cursor) override;
  void MovePlatformCursor(float x, float y) override;
  void CreatePlatformTextEntry(int controlIdx, const IText& text, const IRect& bounds, int length,
                               const char* str) override;
  void CreatePlatformPopupMenu(IPopupMenu& menu, const IRect& bounds) override;
  void OnScaleOrSizeChanged() override;

private:
  static LRESULT CALLBACK WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK EntryProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleEntryMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

  void OnCreated(HWND hWnd);
  void FrameStep(bool vblankTick, std::uint64_t count);
  void Paint();
  void Present(const std::vector<RECT>& pixelRects);
  bool CreateGLContext();
  void DestroyGLContext();
  void EnsureTexture();
  void PresentGDI(HDC dc);

  float ReadScreenScale(HWND wnd) const;
  IMouseInfo MouseInfo(LPARAM lParam, WPARAM wParam) const;
  // One small translation per message kind (ICanvasEventsWin.cpp).
  bool IsPenEcho(UINT msg);
  bool EntryTakesMouseMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void OnMouseMoveMessage(WPARAM wParam, LPARAM lParam);
  void OnButtonDownMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void OnButtonUpMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void OnDoubleClickMessage(WPARAM wParam, LPARAM lParam);
  void OnWheelMessage(WPARAM wParam, LPARAM lParam);
  LRESULT OnKeyMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void OnMouseLeaveMessage();
  LRESULT OnEntryColorMessage(HDC dc);
  void OnCommandMessage(WPARAM wParam);
  IMouseMod Modifiers(WPARAM wParam) const;
  void HoverTracking();
  void ShowTooltip(bool show);
  void DestroyTextEntry();
  void OnTouch(HWND hWnd, WPARAM wParam, LPARAM lParam);
  void OnDropFiles(HDROP drop);
  bool OnKey(UINT msg, WPARAM wParam, LPARAM lParam);
  void StartPacing();
  void StopPacing();
  static DWORD WINAPI VBlankThreadProc(LPVOID param);

  HINSTANCE mInstance = nullptr;
  HWND mParentWnd = nullptr;
  HWND mPlugWnd = nullptr;
  HWND mMainWnd = nullptr;
  std::wstring mMainWndClassName;
  HDC mDC = nullptr;
  HGLRC mGLContext = nullptr;
  EPresentation mPresentation = EPresentation::None;
  unsigned mTexture = 0;
  int mTexW = 0, mTexH = 0;
  bool mTextureStale = true;
  std::vector<std::uint8_t> mBgra; // GDI path: the frame as top-down BGRA

  HWND mTooltipWnd = nullptr;

  HWND mEntryWnd = nullptr;
  HFONT mEntryFont = nullptr;
  HBRUSH mEntryBrush = nullptr;
  WNDPROC mEntryPrevProc = nullptr;
  ETextEntryState mEntryState = ETextEntryState::None;
  ETextEntryFilter mEntryFilter = ETextEntryFilter::Any;
  IText mEntryText;
  IRect mEntryRect;

  ECursor mCursorType = ECursor::Arrow;

  bool mVBlankMode = false;
  HANDLE mVBlankThread = nullptr;
  std::atomic<bool> mVBlankStop{false};
  IFrameTicks mTicks;
  std::uint64_t mFrameSteps = 0;

  std::unordered_map<std::uintptr_t, IMouseInfo> mTouches;
};

} // namespace plugfw::ui
