#include "graphics/ICanvasWin.h"

#include "graphics/ICanvasWinParts.h"
#include "graphics/IPlatformTables.h"
#include "plugin/IEditorDelegate.h"

#include <commctrl.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace plugfw::ui {

namespace {

// ---- Process-wide state (UI thread) -------------------------------------------------------
int gWindowCount = 0;
int gClassRegistrations = 0;

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
GetDpiForWindowFn DpiForWindowFunction()
{
  static const GetDpiForWindowFn fn = [] {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<GetDpiForWindowFn>(
                        reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")))
                  : nullptr;
  }();
  return fn;
}

HINSTANCE ModuleInstance()
{
  HMODULE m = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ModuleInstance), &m);
  return m;
}

// Windows 8 (6.2) and later pace frames on the vertical blank. The version is read from ntdll,
// which, unlike GetVersionEx, does not depend on the host's manifest.
bool SystemHasVBlankPacing()
{
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  auto fn = ntdll ? reinterpret_cast<RtlGetVersionFn>(
                        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                  : nullptr;
  if (!fn)
    return false;
  OSVERSIONINFOEXW v{};
  v.dwOSVersionInfoSize = sizeof(v);
  if (fn(&v) != 0)
    return false;
  // Any service pack level qualifies.
  return v.dwMajorVersion > 6 || (v.dwMajorVersion == 6 && v.dwMinorVersion >= 2);
}

} // namespace

// ---- Construction -----------------------------------------------------------------------

ICanvasWin::ICanvasWin(IEditorDelegate* dlg, int w, int h, int fps, float scale)
    : ICanvas(dlg, w, h, fps, scale),
      mInstance(ModuleInstance()),
      mVBlankMode(SystemHasVBlankPacing())
{}

ICanvasWin::~ICanvasWin()
{
  CloseWindow();
}

int ICanvasWin::OpenWindowCount()
{
  return gWindowCount;
}

int ICanvasWin::WindowClassRegistrations()
{
  return gClassRegistrations;
}

bool ICanvasWin::WindowClassRegistered()
{
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  return GetClassInfoExW(ModuleInstance(), kWindowClassName, &wc) != 0;
}

bool ICanvasWin::RunningUnderWine()
{
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

EPresentation ICanvasWin::RequestedPresentation()
{
  const char* v = std::getenv("QUELLOR_PRESENTATION");
  if (v && std::strcmp(v, "gdi") == 0)
    return EPresentation::GDI;
  if (v && std::strcmp(v, "opengl") == 0)
    return EPresentation::OpenGL;
  return RunningUnderWine() ? EPresentation::GDI : EPresentation::OpenGL;
}

const char* ICanvasWin::PresentationName(EPresentation p)
{
  switch (p)
  {
  case EPresentation::OpenGL:
    return "opengl";
  case EPresentation::GDI:
    return "gdi";
  default:
    return "none";
  }
}

std::wstring ICanvasWin::Widen(const char* utf8)
{
  if (!utf8 || !utf8[0])
    return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  if (n <= 0)
    return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, out.data(), n);
  out.resize(static_cast<size_t>(n - 1));
  return out;
}

std::string ICanvasWin::Narrow(const wchar_t* utf16, int len)
{
  if (!utf16 || len == 0)
    return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, utf16, len, nullptr, 0, nullptr, nullptr);
  if (n <= 0)
    return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16, len, out.data(), n, nullptr, nullptr);
  if (len < 0 && !out.empty())
    out.pop_back(); // the terminator
  return out;
}

float ICanvasWin::ReadScreenScale(HWND wnd) const
{
  GetDpiForWindowFn fn = DpiForWindowFunction();
  if (!fn || !wnd)
    return 1.f;
  const UINT dpi = fn(wnd);
  if (dpi == 0 || dpi == USER_DEFAULT_SCREEN_DPI)
    return 1.f;
  return static_cast<float>(dpi) / static_cast<float>(USER_DEFAULT_SCREEN_DPI);
}

// ---- Open and close ---------------------------------------------------------------------

void* ICanvasWin::OpenWindow(void* parent)
{
  return CreatePlatformWindow(static_cast<HWND>(parent));
}

void ICanvasWin::CloseWindow()
{
  DestroyPlatformWindow();
  RemoveAllControls();
}

HWND ICanvasWin::CreatePlatformWindow(HWND parent)
{
  mParentWnd = parent;
  const float screenScale = ReadScreenScale(parent);

  int x = 0, y = 0;
  // Rounded as WindowWidth/WindowHeight round (up): truncating here made a reopened editor one
  // pixel smaller than the one closed at a fractional scale.
  const float totalScale = GetDrawScale() * screenScale;
  int w = IRenderer::FrameSide(static_cast<float>(Width()), totalScale);
  int h = IRenderer::FrameSide(static_cast<float>(Height()), totalScale);
  if (mPlugWnd)
  {
    RECT r;
    GetWindowRect(mPlugWnd, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    x = r.left;
    y = r.top;
    w = r.right - r.left;
    h = r.bottom - r.top;
    DestroyPlatformWindow();
  }

  if (gWindowCount++ == 0)
  {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_OWNDC | CS_DBLCLKS;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = mInstance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.lpszClassName = kWindowClassName;
    if (RegisterClassExW(&wc))
      ++gClassRegistrations;
  }

  mPlugWnd = CreateWindowExW(0, kWindowClassName, L"PluginEditor",
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, x, y, w, h,
                             parent, nullptr, mInstance, this);
  if (!mPlugWnd)
  {
    if (--gWindowCount == 0)
      UnregisterClassW(kWindowClassName, mInstance);
    mPresentation = EPresentation::None;
    return nullptr;
  }

  mDC = GetDC(mPlugWnd);
  if (RequestedPresentation() == EPresentation::OpenGL && CreateGLContext())
    mPresentation = EPresentation::OpenGL;
  else
    mPresentation = EPresentation::GDI;
  mTextureStale = true;
  // Readable by a host in the same process (tests): which path the frame takes.
  SetPropW(mPlugWnd, L"QuellorPresentation",
           reinterpret_cast<HANDLE>(static_cast<INT_PTR>(mPresentation)));

  SetScreenScale(screenScale);
  if (mDelegate)
    mDelegate->OnEditorOpen();

  using RegisterTouchWindowFn = BOOL(WINAPI*)(HWND, ULONG);
  const int digitizer = GetSystemMetrics(SM_DIGITIZER);
  if (TouchEnabled() && (digitizer & NID_READY))
  {
    auto fn = reinterpret_cast<RegisterTouchWindowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "RegisterTouchWindow")));
    if (fn)
      fn(mPlugWnd, 0);
  }

  if (TooltipsEnabled())
  {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    bool ok = InitCommonControlsEx(&icc) != 0;
    if (ok)
      mTooltipWnd = CreateWindowExW(
          0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, mPlugWnd, nullptr, mInstance, nullptr);
    ok = ok && mTooltipWnd;
    if (ok)
    {
      SetWindowPos(mTooltipWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      TOOLINFOW ti{};
      ti.cbSize = TTTOOLINFOW_V2_SIZE;
      ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      ti.hwnd = mPlugWnd;
      ti.uId = reinterpret_cast<UINT_PTR>(mPlugWnd);
      ti.lpszText = const_cast<wchar_t*>(L"");
      ok = SendMessageW(mTooltipWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti)) != 0;
      SendMessageW(mTooltipWnd, TTM_SETMAXTIPWIDTH, 0, 250);
    }
    if (!ok)
    {
      if (mTooltipWnd)
        DestroyWindow(mTooltipWnd);
      mTooltipWnd = nullptr;
      EnableTooltips(false);
    }
  }
  if (mGLContext)
    wglMakeCurrent(nullptr, nullptr);

  SetAllControlsDirty();
  return mPlugWnd;
}

void ICanvasWin::OnCreated(HWND hWnd)
{
  mPlugWnd = hWnd;
  SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  StartPacing();
  SetFocus(hWnd);
  DragAcceptFiles(hWnd, TRUE);
}

void ICanvasWin::DestroyPlatformWindow()
{
  if (!mPlugWnd)
    return;
  StopPacing();
  DestroyTextEntry();
  if (mGLContext && mDC)
    wglMakeCurrent(mDC, mGLContext);
  DestroyGLContext();
  if (mTooltipWnd)
  {
    DestroyWindow(mTooltipWnd);
    mTooltipWnd = nullptr;
  }
  const HWND wnd = mPlugWnd;
  RemovePropW(wnd, L"QuellorPresentation");
  SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
  mPlugWnd = nullptr;
  DestroyWindow(wnd);
  mDC = nullptr;
  mPresentation = EPresentation::None;
  TooltipReset();
  mTouches.clear();
  if (--gWindowCount == 0)
    UnregisterClassW(kWindowClassName, mInstance);
}

void ICanvasWin::ResizePlatformWindow(bool onlyThisWindow)
{
  if (!mPlugWnd)
    return;
  RECT r;
  GetWindowRect(mPlugWnd, &r);
  const int oldW = r.right - r.left, oldH = r.bottom - r.top;
  const int w = WindowWidth(), h = WindowHeight();
  const int dw = w - oldW, dh = h - oldH;
  SetWindowPos(mPlugWnd, nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  mTextureStale = true;
  if (onlyThisWindow || (dw == 0 && dh == 0))
    return;
  // Hosts that do not resize their frames themselves: grow the parent and grandparent too,
  // while they are child windows (and not MDI children).
  HWND wnd = mParentWnd;
  for (int level = 0; level < 2 && wnd; ++level)
  {
    const LONG_PTR style = GetWindowLongPtrW(wnd, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(wnd, GWL_EXSTYLE);
    if (!(style & WS_CHILD) || (exStyle & WS_EX_MDICHILD))
      break;
    RECT pr;
    GetWindowRect(wnd, &pr);
    SetWindowPos(wnd, nullptr, 0, 0, pr.right - pr.left + dw, pr.bottom - pr.top + dh,
                 SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    wnd = GetParent(wnd);
  }
}

// ---- Cursor -----------------------------------------------------------------------------

ECursor ICanvasWin::SetPlatformCursor(ECursor cursor)
{
  const ECursor prev = mCursorType;
  mCursorType = cursor;
  const int id = Win32CursorId(cursor);
  SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(id)));
  return prev;
}

void ICanvasWin::HidePlatformCursor(bool hide)
{
  ShowCursor(hide ? FALSE : TRUE);
}

void ICanvasWin::MovePlatformCursor(float x, float y)
{
  if (!mPlugWnd)
    return;
  const float s = GetTotalScale();
  POINT pt{static_cast<LONG>(std::lround(x * s)), static_cast<LONG>(std::lround(y * s))};
  ClientToScreen(mPlugWnd, &pt);
  SetCursorPos(pt.x, pt.y);
}
} // namespace plugfw::ui
