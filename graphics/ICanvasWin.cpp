#include "graphics/ICanvasWin.h"

#include "graphics/IDirtyPixels.h"
#include "graphics/IPlatformTables.h"
#include "plugin/IEditorDelegate.h"
#include "plugin/IParam.h"
#include "resources/QuellorResources.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wininet.h>
#include <windowsx.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

namespace plugfw::ui {

namespace {

// ---- Process-wide state (UI thread, except the font cache lock) --------------------------
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

std::mutex gFontLock;
std::map<std::string, HANDLE>& FontCache()
{
  static std::map<std::string, HANDLE> cache;
  return cache;
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

// The D3DKMT records, as the display driver interface defines them.
using D3DKMT_HANDLE = UINT;
struct KmtOpenAdapterFromHdc
{
  HDC hDc;
  D3DKMT_HANDLE hAdapter;
  LUID AdapterLuid;
  UINT VidPnSourceId;
};
struct KmtCloseAdapter
{
  D3DKMT_HANDLE hAdapter;
};
struct KmtWaitForVerticalBlankEvent
{
  D3DKMT_HANDLE hAdapter;
  D3DKMT_HANDLE hDevice;
  UINT VidPnSourceId;
};

IRect ClientRectToLogical(const RECT& r, float scale)
{
  return LogicalRectFromPixels(IPixelRect{r.left, r.top, r.right - r.left, r.bottom - r.top},
                               scale);
}

RECT LogicalToClientRect(const IRect& r, float scale)
{
  RECT out;
  out.left = static_cast<LONG>(std::floor(r.L * scale));
  out.top = static_cast<LONG>(std::floor(r.T * scale));
  out.right = static_cast<LONG>(std::ceil(r.R * scale));
  out.bottom = static_cast<LONG>(std::ceil(r.B * scale));
  return out;
}

COLORREF ToColorRef(const IColor& c)
{
  return RGB(c.R, c.G, c.B);
}

// A face name for the system from a font id such as "Roboto-Regular".
std::string FaceNameOf(const char* fontId)
{
  std::string face = fontId ? fontId : "";
  const size_t dash = face.find('-');
  if (dash != std::string::npos)
    face.resize(dash);
  return face.empty() ? std::string("Roboto") : face;
}

// The editor's embedded font registered under its face, so the text entry shows the same type.
void RegisterEmbeddedFont(const std::string& face, const char* fontId)
{
  const uint8_t* data = nullptr;
  size_t size = 0;
  const std::string resource = std::string(fontId ? fontId : "") + ".ttf";
  if (FindQuellorResource(resource, data, size))
    ICanvasWin::RegisterPlatformFont(face.c_str(), data, size);
}

unsigned NextPowerOfTwo(int v)
{
  unsigned p = 1;
  while (p < static_cast<unsigned>(v) && p < (1u << 15))
    p <<= 1;
  return p;
}

} // namespace

// ---- Vertical-blank pacing --------------------------------------------------------------

void RunVBlankLoop(const IVBlankApi& api, HDC dc, const std::atomic<bool>& stop,
                   const std::function<void()>& post, const std::function<void(DWORD)>& sleepMs)
{
  if (!api.Complete())
  {
    while (!stop.load())
    {
      sleepMs(16);
      post();
    }
    return;
  }
  bool open = false;
  KmtOpenAdapterFromHdc adapter{};
  DWORD lastTry = 0;
  bool tried = false;
  while (!stop.load())
  {
    if (!open)
    {
      const DWORD now = GetTickCount();
      if (!tried || now - lastTry >= 1000)
      {
        tried = true;
        lastTry = now;
        adapter = KmtOpenAdapterFromHdc{};
        adapter.hDc = dc;
        open = api.open(&adapter) == 0;
      }
      if (!open)
        sleepMs(16);
    }
    else
    {
      KmtWaitForVerticalBlankEvent wait{};
      wait.hAdapter = adapter.hAdapter;
      wait.VidPnSourceId = adapter.VidPnSourceId;
      if (api.wait(&wait) != 0)
      {
        KmtCloseAdapter close{adapter.hAdapter};
        api.close(&close);
        open = false;
        sleepMs(16);
      }
    }
    post();
  }
  if (open)
  {
    KmtCloseAdapter close{adapter.hAdapter};
    api.close(&close);
  }
}

DWORD WINAPI ICanvasWin::VBlankThreadProc(LPVOID param)
{
  auto* self = static_cast<ICanvasWin*>(param);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  HMODULE gdi = LoadLibraryW(L"gdi32.dll");
  IVBlankApi api;
  if (gdi)
  {
    api.open = reinterpret_cast<IVBlankApi::OpenFn>(
        reinterpret_cast<void*>(GetProcAddress(gdi, "D3DKMTOpenAdapterFromHdc")));
    api.close = reinterpret_cast<IVBlankApi::CloseFn>(
        reinterpret_cast<void*>(GetProcAddress(gdi, "D3DKMTCloseAdapter")));
    api.wait = reinterpret_cast<IVBlankApi::WaitFn>(
        reinterpret_cast<void*>(GetProcAddress(gdi, "D3DKMTWaitForVerticalBlankEvent")));
  }
  const HWND wnd = self->mPlugWnd;
  RunVBlankLoop(api, self->mDC, self->mVBlankStop, [self, wnd] {
    const std::uint64_t count = self->mTicks.Post();
    PostMessageW(wnd, kVBlankMessage, static_cast<WPARAM>(count), 0);
  });
  if (gdi)
    FreeLibrary(gdi);
  return 0;
}

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

void ICanvasWin::StartPacing()
{
  if (mVBlankMode)
  {
    mVBlankStop = false;
    // The device context is the class's own; take it here so the thread has it from the start.
    mDC = GetDC(mPlugWnd);
    mVBlankThread = CreateThread(nullptr, 0, VBlankThreadProc, this, 0, nullptr);
    if (!mVBlankThread)
      mVBlankMode = false;
  }
  if (!mVBlankMode)
    SetTimer(mPlugWnd, kFrameTimerId, static_cast<UINT>(FrameTimerPeriodMs(FPS())), nullptr);
}

void ICanvasWin::StopPacing()
{
  if (mVBlankThread)
  {
    mVBlankStop = true;
    WaitForSingleObject(mVBlankThread, 10000);
    CloseHandle(mVBlankThread);
    mVBlankThread = nullptr;
    // Ticks still queued for the window are dropped with it.
  }
  else if (mPlugWnd)
  {
    KillTimer(mPlugWnd, kFrameTimerId);
  }
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
  mShowingTooltip = false;
  mTooltipIdx = -1;
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

// ---- OpenGL and GDI presentation ---------------------------------------------------------

bool ICanvasWin::CreateGLContext()
{
  PIXELFORMATDESCRIPTOR pfd{};
  pfd.nSize = sizeof(pfd);
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 32;
  pfd.cDepthBits = 24;
  pfd.cStencilBits = 8;
  pfd.iLayerType = PFD_MAIN_PLANE;
  const int format = ChoosePixelFormat(mDC, &pfd);
  if (format == 0 || !SetPixelFormat(mDC, format, &pfd))
    return false;
  mGLContext = wglCreateContext(mDC);
  if (!mGLContext)
    return false;
  if (!wglMakeCurrent(mDC, mGLContext))
  {
    wglDeleteContext(mGLContext);
    mGLContext = nullptr;
    return false;
  }
  glGenTextures(1, &mTexture);
  mTexW = mTexH = 0;
  return glGetError() == GL_NO_ERROR;
}

void ICanvasWin::DestroyGLContext()
{
  if (!mGLContext)
    return;
  if (mTexture)
    glDeleteTextures(1, &mTexture);
  mTexture = 0;
  mTexW = mTexH = 0;
  wglMakeCurrent(nullptr, nullptr);
  wglDeleteContext(mGLContext);
  mGLContext = nullptr;
}

void ICanvasWin::EnsureTexture()
{
  const IPixmap& frame = GetFrame();
  const int needW = static_cast<int>(NextPowerOfTwo(frame.Width()));
  const int needH = static_cast<int>(NextPowerOfTwo(frame.Height()));
  if (needW == mTexW && needH == mTexH)
    return;
  glBindTexture(GL_TEXTURE_2D, mTexture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, needW, needH, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  mTexW = needW;
  mTexH = needH;
  mTextureStale = true;
}

void ICanvasWin::Present(const std::vector<RECT>& pixelRects)
{
  const IPixmap& frame = GetFrame();
  const int fw = frame.Width(), fh = frame.Height();
  if (fw <= 0 || fh <= 0)
    return;
  EnsureTexture();
  glBindTexture(GL_TEXTURE_2D, mTexture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, fw);
  auto upload = [&](int x0, int y0, int x1, int y1) {
    x0 = std::clamp(x0, 0, fw);
    x1 = std::clamp(x1, 0, fw);
    y0 = std::clamp(y0, 0, fh);
    y1 = std::clamp(y1, 0, fh);
    if (x1 <= x0 || y1 <= y0)
      return;
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, x0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, y0);
    glTexSubImage2D(GL_TEXTURE_2D, 0, x0, y0, x1 - x0, y1 - y0, GL_RGBA, GL_UNSIGNED_BYTE,
                    frame.Data());
  };
  if (mTextureStale)
  {
    upload(0, 0, fw, fh);
    mTextureStale = false;
  }
  else
  {
    // A pixel of slack around each rectangle: the renderer snaps outward.
    for (const RECT& r : pixelRects)
      upload(r.left - 1, r.top - 1, r.right + 1, r.bottom + 1);
  }
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);

  RECT client;
  GetClientRect(mPlugWnd, &client);
  const int cw = client.right - client.left, ch = client.bottom - client.top;
  glViewport(0, 0, cw, ch);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glClearColor(0.f, 0.f, 0.f, 1.f);
  glClear(GL_COLOR_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // Client pixels, y down, one texel per pixel.
  glOrtho(0.0, static_cast<double>(cw), static_cast<double>(ch), 0.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_TEXTURE_2D);
  const float u = static_cast<float>(fw) / static_cast<float>(mTexW);
  const float v = static_cast<float>(fh) / static_cast<float>(mTexH);
  glBegin(GL_QUADS);
  glTexCoord2f(0.f, 0.f);
  glVertex2f(0.f, 0.f);
  glTexCoord2f(u, 0.f);
  glVertex2f(static_cast<float>(fw), 0.f);
  glTexCoord2f(u, v);
  glVertex2f(static_cast<float>(fw), static_cast<float>(fh));
  glTexCoord2f(0.f, v);
  glVertex2f(0.f, static_cast<float>(fh));
  glEnd();
  glDisable(GL_TEXTURE_2D);
  SwapBuffers(mDC);
}

void ICanvasWin::PresentGDI(HDC dc)
{
  const IPixmap& frame = GetFrame();
  const int fw = frame.Width(), fh = frame.Height();
  if (fw <= 0 || fh <= 0)
    return;
  const size_t n = static_cast<size_t>(fw) * static_cast<size_t>(fh) * 4;
  if (mBgra.size() != n)
    mBgra.assign(n, 0);
  // The frame is opaque where the editor draws; swap red and blue for the device bitmap.
  const uint8_t* src = frame.Data();
  for (size_t i = 0; i < n; i += 4)
  {
    mBgra[i] = src[i + 2];
    mBgra[i + 1] = src[i + 1];
    mBgra[i + 2] = src[i];
    mBgra[i + 3] = src[i + 3];
  }
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = fw;
  bmi.bmiHeader.biHeight = -fh; // top-down
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  // The paint DC is clipped to the update region, so only the dirty areas change on screen.
  StretchDIBits(dc, 0, 0, fw, fh, 0, 0, fw, fh, mBgra.data(), &bmi, DIB_RGB_COLORS, SRCCOPY);
}

void ICanvasWin::Paint()
{
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  const int kind = GetUpdateRgn(mPlugWnd, region, FALSE);
  std::vector<RECT> pixelRects;
  if (kind == SIMPLEREGION)
  {
    RECT r;
    GetRgnBox(region, &r);
    pixelRects.push_back(r);
  }
  else if (kind == COMPLEXREGION)
  {
    alignas(RGNDATA) char buffer[1024];
    auto* data = reinterpret_cast<RGNDATA*>(buffer);
    if (GetRegionData(region, sizeof(buffer), data) != 0)
    {
      const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
      for (DWORD i = 0; i < data->rdh.nCount; ++i)
        pixelRects.push_back(rects[i]);
    }
    else
    {
      // More rectangles than the buffer holds: their bounding box.
      RECT r;
      GetRgnBox(region, &r);
      pixelRects.push_back(r);
    }
  }

  const float scale = GetTotalScale();
  IRectList logical;
  for (const RECT& r : pixelRects)
    logical.push_back(ClientRectToLogical(r, scale));

  PAINTSTRUCT ps;
  HDC dc = BeginPaint(mPlugWnd, &ps);
  if (!logical.empty())
    Draw(logical);
  if (mPresentation == EPresentation::OpenGL && wglMakeCurrent(mDC, mGLContext))
  {
    Present(pixelRects);
    wglMakeCurrent(nullptr, nullptr);
  }
  else if (mPresentation != EPresentation::None)
  {
    PresentGDI(dc);
  }
  EndPaint(mPlugWnd, &ps);
  ValidateRect(mPlugWnd, nullptr);
  DeleteObject(region);
}

void ICanvasWin::OnScaleOrSizeChanged()
{
  mTextureStale = true;
  if (mPlugWnd)
    InvalidateRect(mPlugWnd, nullptr, FALSE);
}

// ---- Frame step -------------------------------------------------------------------------

void ICanvasWin::FrameStep(bool vblankTick, std::uint64_t count)
{
  if (vblankTick && !mTicks.ShouldProcess(count))
    return;
  ++mFrameSteps;

  if (mEntryWnd)
  {
    const ETextEntryAction action = TextEntryFrameAction(mEntryState);
    if (action == ETextEntryAction::Cancel)
    {
      DestroyTextEntry();
      CancelTextEntry();
      return;
    }
    if (action == ETextEntryAction::Commit)
    {
      wchar_t text[kTextEntryMaxChars + 1] = {};
      const int n = GetWindowTextW(mEntryWnd, text, kTextEntryMaxChars + 1);
      const std::string utf8 = TextEntryCommitText(Narrow(text, n));
      DestroyTextEntry();
      SetControlValueAfterTextEdit(utf8.c_str());
      return;
    }
  }

  if (GetCapture() != mPlugWnd)
  {
    const float s = ReadScreenScale(mPlugWnd);
    if (s != GetScreenScale())
      SetScreenScale(s);
  }

  IRectList rects;
  if (IsDirty(rects))
  {
    RECT client;
    GetClientRect(mPlugWnd, &client);
    for (const IPixelRect& p : DirtyPixelRects(rects, GetTotalScale(), client.right, client.bottom))
    {
      RECT r{p.x, p.y, p.Right(), p.Bottom()};
      InvalidateRect(mPlugWnd, &r, FALSE);
    }
    if (mEntryWnd)
    {
      RECT er;
      GetWindowRect(mEntryWnd, &er);
      MapWindowPoints(HWND_DESKTOP, mPlugWnd, reinterpret_cast<POINT*>(&er), 2);
      ValidateRect(mPlugWnd, &er);
      UpdateWindow(mPlugWnd);
      mEntryState = ETextEntryState::Drawn;
    }
    else
    {
      UpdateWindow(mPlugWnd);
    }
  }
  if (vblankTick)
    mTicks.FrameDone(count);
}

// ---- Events -----------------------------------------------------------------------------

IMouseMod ICanvasWin::Modifiers(WPARAM wParam) const
{
  IMouseMod m;
  m.L = (wParam & MK_LBUTTON) != 0;
  m.R = (wParam & MK_RBUTTON) != 0;
  m.S = (wParam & MK_SHIFT) != 0;
  m.C = (wParam & MK_CONTROL) != 0;
  m.A = GetKeyState(VK_MENU) < 0;
  return m;
}

IMouseInfo ICanvasWin::MouseInfo(LPARAM lParam, WPARAM wParam) const
{
  const float s = GetTotalScale();
  IMouseInfo info;
  info.x = static_cast<float>(GET_X_LPARAM(lParam)) / s;
  info.y = static_cast<float>(GET_Y_LPARAM(lParam)) / s;
  info.ms = Modifiers(wParam);
  return info;
}

void ICanvasWin::HoverTracking()
{
  TRACKMOUSEEVENT tme{};
  tme.cbSize = sizeof(tme);
  tme.dwFlags = TME_LEAVE;
  tme.hwndTrack = mPlugWnd;
  tme.dwHoverTime = HOVER_DEFAULT;
  if (TooltipsEnabled() && GetMouseOverIdx() != mTooltipIdx)
  {
    tme.dwFlags |= TME_HOVER;
    mTooltipIdx = GetMouseOverIdx();
  }
  TrackMouseEvent(&tme);
}

void ICanvasWin::ShowTooltip(bool show)
{
  if (!mTooltipWnd)
    return;
  if (!show)
  {
    if (mShowingTooltip)
      SendMessageW(mTooltipWnd, TTM_ACTIVATE, FALSE, 0);
    mShowingTooltip = false;
    return;
  }
  IControl* c = GetMouseOverControl();
  const std::wstring text = c ? Widen(c->GetTooltip().c_str()) : std::wstring();
  TOOLINFOW ti{};
  ti.cbSize = TTTOOLINFOW_V2_SIZE;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = mPlugWnd;
  ti.uId = reinterpret_cast<UINT_PTR>(mPlugWnd);
  ti.lpszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(mTooltipWnd, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
  SendMessageW(mTooltipWnd, TTM_ACTIVATE, text.empty() ? FALSE : TRUE, 0);
  mShowingTooltip = !text.empty();
}

bool ICanvasWin::OnKey(UINT msg, WPARAM wParam, LPARAM lParam)
{
  BYTE state[256];
  GetKeyboardState(state);
  wchar_t chars[5] = {};
  const UINT scan = (static_cast<UINT>(lParam) >> 16) & 0xFF;
  const int n =
      ToUnicodeEx(static_cast<UINT>(wParam), scan, state, chars, 4, 0x4, GetKeyboardLayout(0));
  std::string utf8 = n > 0 ? Narrow(chars, n) : std::string();
  if (utf8.size() > 4)
    utf8.clear();
  const IKeyPress key(utf8.c_str(), static_cast<int>(wParam), GetKeyState(VK_SHIFT) < 0,
                      GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0);
  const bool down = msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN;
  return down ? OnKeyDown(GetMouseX(), GetMouseY(), key) : OnKeyUp(GetMouseX(), GetMouseY(), key);
}

void ICanvasWin::OnDropFiles(HDROP drop)
{
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  std::vector<std::string> paths;
  for (UINT i = 0; i < count; ++i)
  {
    wchar_t path[1025] = {};
    const UINT n = DragQueryFileW(drop, i, path, 1025);
    paths.push_back(Narrow(path, static_cast<int>(std::min<UINT>(n, 1024))));
  }
  POINT pt{};
  DragQueryPoint(drop, &pt);
  DragFinish(drop);
  const float s = GetTotalScale();
  const float x = static_cast<float>(pt.x) / s, y = static_cast<float>(pt.y) / s;
  if (paths.size() == 1)
  {
    OnDrop(paths[0].c_str(), x, y);
  }
  else if (paths.size() > 1)
  {
    std::vector<const char*> list;
    for (const std::string& p : paths)
      list.push_back(p.c_str());
    OnDropMultiple(list, x, y);
  }
}

void ICanvasWin::OnTouch(HWND hWnd, WPARAM wParam, LPARAM lParam)
{
  using GetTouchInputInfoFn = BOOL(WINAPI*)(HTOUCHINPUT, UINT, PTOUCHINPUT, int);
  using CloseTouchInputHandleFn = BOOL(WINAPI*)(HTOUCHINPUT);
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  auto getInfo = reinterpret_cast<GetTouchInputInfoFn>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetTouchInputInfo")));
  auto closeHandle = reinterpret_cast<CloseTouchInputHandleFn>(
      reinterpret_cast<void*>(GetProcAddress(user32, "CloseTouchInputHandle")));
  const UINT n = LOWORD(wParam);
  const auto handle = reinterpret_cast<HTOUCHINPUT>(lParam);
  if (!getInfo || !closeHandle || n == 0)
  {
    if (closeHandle && handle) // a handle we read nothing from is still ours to close
      closeHandle(handle);
    return;
  }
  std::vector<TOUCHINPUT> inputs(n);
  if (getInfo(handle, n, inputs.data(), sizeof(TOUCHINPUT)))
  {
    const float s = GetTotalScale();
    std::vector<IMouseInfo> downs, ups, drags;
    for (const TOUCHINPUT& ti : inputs)
    {
      POINT pt{ti.x / 100, ti.y / 100};
      ScreenToClient(hWnd, &pt);
      IMouseInfo info;
      info.x = static_cast<float>(pt.x) / s;
      info.y = static_cast<float>(pt.y) / s;
      info.ms.L = true;
      info.ms.touchID = HashTouchID(static_cast<std::uintptr_t>(ti.dwID));
      if (ti.dwMask & TOUCHINPUTMASKF_CONTACTAREA)
        info.ms.touchRadius = static_cast<float>(ti.cxContact) / 200.f / s;
      if (ti.dwFlags & TOUCHEVENTF_DOWN)
      {
        downs.push_back(info);
        mTouches[info.ms.touchID] = info;
      }
      else if (ti.dwFlags & TOUCHEVENTF_UP)
      {
        ups.push_back(info);
        mTouches.erase(info.ms.touchID);
      }
      else if (ti.dwFlags & TOUCHEVENTF_MOVE)
      {
        auto it = mTouches.find(info.ms.touchID);
        if (it != mTouches.end())
        {
          info.dX = info.x - it->second.x;
          info.dY = info.y - it->second.y;
          it->second = info;
        }
        drags.push_back(info);
      }
    }
    if (!downs.empty())
      OnMouseDown(downs);
    if (!ups.empty())
      OnMouseUp(ups);
    if (!drags.empty())
      OnMouseDrag(drags);
  }
  closeHandle(handle);
}

LRESULT CALLBACK ICanvasWin::WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  if (msg == WM_NCCREATE)
  {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<ICanvasWin*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
  if (msg == WM_CREATE && self)
  {
    self->OnCreated(hWnd);
    return 0;
  }
  if (!self || self->mPlugWnd != hWnd)
    return DefWindowProcW(hWnd, msg, wParam, lParam);
  return self->HandleMessage(hWnd, msg, wParam, lParam);
}

LRESULT ICanvasWin::HandleMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  const bool isMouse = msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST;
  if (isMouse && msg != WM_MOUSEWHEEL)
  {
    // Pen and touch also arrive as mouse messages; touch is handled from its own messages.
    const LPARAM extra = GetMessageExtraInfo();
    mPenMessage = (static_cast<std::uint32_t>(extra) & 0xFFFFFF00u) == 0xFF515700u;
    if (mPenMessage &&
        (msg == WM_MOUSEMOVE || msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN ||
         msg == WM_MBUTTONDOWN || msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK))
      return 0;
  }

  // A release always reaches the handler below: the press that opened the entry must end its
  // gesture and give back the capture, or the host keeps an open edit and the next press anywhere
  // lands on the same control.
  const bool isRelease = msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP;
  if (mEntryWnd && isMouse && msg != WM_MOUSEWHEEL && !isRelease)
  {
    if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN)
    {
      RECT er;
      GetWindowRect(mEntryWnd, &er);
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(hWnd, &pt);
      if (!PtInRect(&er, pt))
      {
        const ETextEntryState next = NextTextEntryState(mEntryState, ETextEntryEvent::PressOutside);
        if (next != mEntryState)
        {
          mEntryState = next;
          return 0;
        }
      }
    }
    if (mEntryState != ETextEntryState::Drawn)
      return DefWindowProcW(hWnd, msg, wParam, lParam);
  }

  switch (msg)
  {
  case WM_TIMER:
    if (wParam == kFrameTimerId)
      FrameStep(false, 0);
    return 0;
  case kVBlankMessage:
    FrameStep(true, static_cast<std::uint64_t>(wParam));
    return 0;
  case WM_PAINT:
    Paint();
    return 0;
  case WM_ERASEBKGND:
    return 1;
  case WM_SETFOCUS:
  case WM_KILLFOCUS:
    return 0;
  case WM_MOUSEMOVE:
  {
    const IMouseInfo info = MouseInfo(lParam, wParam);
    if ((wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) && GetCapture() == hWnd)
    {
      IMouseInfo drag = info;
      drag.dX = info.x - mLastX;
      drag.dY = info.y - mLastY;
      mLastX = info.x;
      mLastY = info.y;
      if (drag.dX != 0.f || drag.dY != 0.f)
      {
        OnMouseDrag({drag});
        if (mCursorHidden && mCursorLock)
        {
          // The jump back arrives as a move of its own: measured from here it is no drag, where
          // from the last position it would undo the one just dispatched.
          MovePlatformCursor(mHiddenX, mHiddenY);
          mLastX = mHiddenX;
          mLastY = mHiddenY;
        }
      }
    }
    else
    {
      mLastX = info.x;
      mLastY = info.y;
      if (OnMouseOver(info.x, info.y, info.ms))
        ShowTooltip(false);
      HoverTracking();
    }
    return 0;
  }
  case WM_LBUTTONDOWN:
  case WM_RBUTTONDOWN:
  case WM_MBUTTONDOWN:
  {
    ShowTooltip(false);
    SetFocus(hWnd);
    SetCapture(hWnd);
    IMouseInfo info = MouseInfo(lParam, wParam);
    mLastX = info.x;
    mLastY = info.y;
    OnMouseDown({info});
    return 0;
  }
  case WM_LBUTTONUP:
  case WM_RBUTTONUP:
  case WM_MBUTTONUP: // the middle press captured the mouse too
  {
    ReleaseCapture();
    IMouseInfo info = MouseInfo(lParam, wParam);
    // The released button is no longer in wParam: name it for the control.
    info.ms.L = msg == WM_LBUTTONUP;
    info.ms.R = msg == WM_RBUTTONUP;
    OnMouseUp({info});
    return 0;
  }
  case WM_LBUTTONDBLCLK:
  case WM_RBUTTONDBLCLK:
  {
    const IMouseInfo info = MouseInfo(lParam, wParam);
    mLastX = info.x;
    mLastY = info.y;
    OnMouseDblClick(info.x, info.y, info.ms);
    if (mCursorHidden)
      HideMouseCursor(false);
    SetCapture(hWnd);
    return 0;
  }
  case WM_MOUSEWHEEL:
  {
    if (mEntryWnd)
    {
      mEntryState = NextTextEntryState(mEntryState, ETextEntryEvent::Wheel);
      return 0;
    }
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ScreenToClient(hWnd, &pt);
    const float s = GetTotalScale();
    const float delta =
        static_cast<float>(GET_WHEEL_DELTA_WPARAM(wParam)) / static_cast<float>(WHEEL_DELTA);
    OnMouseWheel(static_cast<float>(pt.x) / s, static_cast<float>(pt.y) / s,
                 Modifiers(GET_KEYSTATE_WPARAM(wParam)), delta);
    return 0;
  }
  case WM_KEYDOWN:
  case WM_KEYUP:
  case WM_SYSKEYDOWN:
  case WM_SYSKEYUP:
  {
    if (OnKey(msg, wParam, lParam))
      return 0;
    // Unhandled keys go to the host's top-level window, so its shortcuts keep working.
    HWND root = GetAncestor(hWnd, GA_ROOT);
    if (root && root != hWnd)
      SendMessageW(root, msg, wParam, lParam);
    return DefWindowProcW(hWnd, msg, wParam, lParam);
  }
  case WM_GETDLGCODE:
    return DLGC_WANTALLKEYS;
  case WM_SETCURSOR:
    if (LOWORD(lParam) == HTCLIENT)
    {
      SetPlatformCursor(mCursorType);
      return TRUE;
    }
    return DefWindowProcW(hWnd, msg, wParam, lParam);
  case WM_MOUSEHOVER:
    ShowTooltip(true);
    return 0;
  case WM_MOUSELEAVE:
    ShowTooltip(false);
    SetPlatformCursor(mCursorType);
    OnMouseOut();
    mTooltipIdx = -1;
    return 0;
  case WM_DROPFILES:
    OnDropFiles(reinterpret_cast<HDROP>(wParam));
    return 0;
  case WM_TOUCH:
    OnTouch(hWnd, wParam, lParam);
    return 0;
  case WM_CTLCOLOREDIT:
  {
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, ToColorRef(mEntryText.mTextEntryBGColor));
    SetTextColor(dc, ToColorRef(mEntryText.mTextEntryFGColor));
    if (!mEntryBrush)
      mEntryBrush = CreateSolidBrush(ToColorRef(mEntryText.mTextEntryBGColor));
    return reinterpret_cast<LRESULT>(mEntryBrush);
  }
  case WM_COMMAND:
    // The entry's own notification that its one line got a line break: commit.
    if (LOWORD(wParam) == kTextEntryId && HIWORD(wParam) == EN_CHANGE && mEntryWnd)
    {
      wchar_t text[kTextEntryMaxChars + 1] = {};
      GetWindowTextW(mEntryWnd, text, kTextEntryMaxChars + 1);
      if (std::wcschr(text, L'\n') || std::wcschr(text, L'\r'))
        mEntryState = NextTextEntryState(mEntryState, ETextEntryEvent::Return);
    }
    return 0;
  case WM_CLOSE:
    DestroyPlatformWindow();
    return 0;
  default:
    return DefWindowProcW(hWnd, msg, wParam, lParam);
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

void ICanvasWin::HidePlatformCursor(bool hide, bool lock)
{
  if (hide)
  {
    if (!mCursorHidden)
    {
      mHiddenX = GetMouseX();
      mHiddenY = GetMouseY();
      ShowCursor(FALSE);
      mCursorHidden = true;
      mCursorLock = lock && !mPenMessage;
    }
  }
  else if (mCursorHidden)
  {
    if (mCursorLock)
      MovePlatformCursor(mHiddenX, mHiddenY);
    ShowCursor(TRUE);
    mCursorHidden = false;
    mCursorLock = false;
  }
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

// ---- Text entry -------------------------------------------------------------------------

void ICanvasWin::CreatePlatformTextEntry(int controlIdx, const IText& text, const IRect& bounds,
                                         int length, const char* str)
{
  if (mEntryWnd || !mPlugWnd)
    return;
  IControl* control = GetControl(controlIdx);
  mEntryFilter = TextEntryFilterFor(control ? control->GetParam(0) : nullptr);
  mEntryText = text;
  mEntryRect = bounds;
  const float s = GetTotalScale();
  RECT r = LogicalToClientRect(bounds, s);
  DWORD align = ES_LEFT;
  if (text.mAlign == EAlign::Center)
    align = ES_CENTER;
  else if (text.mAlign == EAlign::Far)
    align = ES_RIGHT;
  const std::wstring initial = Widen(str);
  mEntryWnd = CreateWindowExW(
      0, L"EDIT", initial.c_str(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_MULTILINE | align,
      r.left, r.top, r.right - r.left + 1, r.bottom - r.top + 1, mPlugWnd,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextEntryId)), mInstance, nullptr);
  if (!mEntryWnd)
  {
    CancelTextEntry();
    return;
  }
  mEntryState = ETextEntryState::Editing;

  // The editor's font, registered with the system once per process, so the entry shows the
  // same type as the control.
  const std::string face = FaceNameOf(text.mFont);
  RegisterEmbeddedFont(face, text.mFont);
  {
    std::lock_guard<std::mutex> lock(gFontLock);
    mEntryFont =
        CreateFontW(-static_cast<int>(std::lround(s * text.mSize)), 0, 0, 0, FW_NORMAL, FALSE,
                    FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    ANTIALIASED_QUALITY, DEFAULT_PITCH, Widen(face.c_str()).c_str());
  }
  SendMessageW(mEntryWnd, WM_SETFONT, reinterpret_cast<WPARAM>(mEntryFont), FALSE);
  SendMessageW(mEntryWnd, EM_LIMITTEXT, static_cast<WPARAM>(std::max(1, length)), 0);

  if (text.mVAlign == EVAlign::Middle)
  {
    RECT fr;
    GetClientRect(mEntryWnd, &fr);
    const int inset =
        static_cast<int>((static_cast<float>(fr.bottom - fr.top) - s * text.mSize) / 2.f);
    fr.top += std::max(0, inset);
    SendMessageW(mEntryWnd, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&fr));
  }

  SetWindowLongPtrW(mEntryWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  mEntryPrevProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(mEntryWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EntryProc)));
  SendMessageW(mEntryWnd, EM_SETSEL, 0, -1);
  SetFocus(mEntryWnd);
}

void ICanvasWin::DestroyTextEntry()
{
  if (mEntryWnd)
  {
    const HWND entry = mEntryWnd;
    mEntryWnd = nullptr;
    SetWindowLongPtrW(entry, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mEntryPrevProc));
    DestroyWindow(entry);
    if (mPlugWnd)
      SetFocus(mPlugWnd);
  }
  if (mEntryFont)
    DeleteObject(mEntryFont);
  mEntryFont = nullptr;
  if (mEntryBrush)
    DeleteObject(mEntryBrush);
  mEntryBrush = nullptr;
  mEntryPrevProc = nullptr;
  mEntryState = ETextEntryState::None;
}

LRESULT CALLBACK ICanvasWin::EntryProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  auto* self = reinterpret_cast<ICanvasWin*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
  if (!self || !self->mEntryPrevProc)
    return DefWindowProcW(hWnd, msg, wParam, lParam);
  return self->HandleEntryMessage(hWnd, msg, wParam, lParam);
}

LRESULT ICanvasWin::HandleEntryMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  ShowTooltip(false);
  switch (msg)
  {
  case WM_SETFOCUS:
    mEntryState = NextTextEntryState(mEntryState, ETextEntryEvent::FocusGained);
    break;
  case WM_KILLFOCUS:
    mEntryState = NextTextEntryState(mEntryState, ETextEntryEvent::FocusLost);
    break;
  case WM_KEYDOWN:
    if (wParam == VK_RETURN)
    {
      mEntryState = NextTextEntryState(mEntryState, ETextEntryEvent::Return);
      return 0;
    }
    if (wParam == VK_ESCAPE)
    {
      mEntryState = NextTextEntryState(mEntryState, ETextEntryEvent::Escape);
      return 0;
    }
    break;
  case WM_CHAR:
    // Return and Escape were decided on key down; their characters would only beep or break
    // the line.
    if (wParam == VK_RETURN || wParam == VK_ESCAPE)
      return 0;
    if (!TextEntryAccepts(mEntryFilter, static_cast<char32_t>(wParam)))
    {
      // Surrogate halves of text outside the basic plane pass only where any text does.
      const bool surrogate = wParam >= 0xD800 && wParam <= 0xDFFF;
      if (!(surrogate && mEntryFilter == ETextEntryFilter::Any))
        return 0;
    }
    break;
  case WM_PASTE:
  {
    // Pasted text (Control+V or the entry's own menu) keeps only what typing could enter.
    std::string pasted;
    if (GetClipboardText(pasted))
    {
      const std::wstring accepted = Widen(FilterTextEntryText(mEntryFilter, pasted).c_str());
      CallWindowProcW(mEntryPrevProc, hWnd, EM_REPLACESEL, TRUE,
                      reinterpret_cast<LPARAM>(accepted.c_str()));
    }
    return 0;
  }
  case WM_GETDLGCODE:
  {
    LRESULT code = CallWindowProcW(mEntryPrevProc, hWnd, msg, wParam, lParam);
    if (lParam)
    {
      const MSG* m = reinterpret_cast<const MSG*>(lParam);
      if (m->message == WM_KEYDOWN && m->wParam == VK_RETURN)
        code |= DLGC_WANTALLKEYS;
    }
    return code;
  }
  default:
    break;
  }
  return CallWindowProcW(mEntryPrevProc, hWnd, msg, wParam, lParam);
}

// ---- Popup menu -------------------------------------------------------------------------

std::wstring ICanvasWin::MenuItemText(const std::string& utf8, int number, int numberDigits)
{
  std::string text;
  if (numberDigits >= 1 && numberDigits <= 3)
  {
    char prefix[16];
    const char* fmt = numberDigits == 1 ? "%1d: " : (numberDigits == 2 ? "%02d: " : "%03d: ");
    std::snprintf(prefix, sizeof(prefix), fmt, number);
    text = prefix;
  }
  for (char c : utf8)
  {
    text.push_back(c);
    if (c == '&')
      text.push_back('&');
  }
  return Widen(text.c_str());
}

namespace {

struct MenuTarget
{
  IPopupMenu* menu;
  int index;
};

HMENU BuildNativeMenu(IPopupMenu& menu, UINT& nextId, std::vector<MenuTarget>& targets)
{
  HMENU h = CreatePopupMenu();
  const int n = menu.NItems();
  const int columns = n < 160 ? menu.GetColumnBreak() : 0;
  for (int i = 0; i < n; ++i)
  {
    IPopupMenu::Item* item = menu.GetItem(i);
    UINT flags = MF_STRING;
    if (columns > 0 && i > 0 && i % columns == 0)
      flags |= MF_MENUBREAK;
    if (item->IsSeparator())
    {
      AppendMenuW(h, MF_SEPARATOR, 0, nullptr);
      ++nextId;
      targets.push_back({&menu, i});
      continue;
    }
    if (item->IsChecked())
      flags |= MF_CHECKED;
    if (!item->IsEnabled())
      flags |= MF_GRAYED;
    const std::wstring text = ICanvasWin::MenuItemText(item->text, i + 1, menu.GetPrefix());
    if (item->submenu)
    {
      ++nextId;
      targets.push_back({&menu, i});
      HMENU sub = BuildNativeMenu(*item->submenu, nextId, targets);
      AppendMenuW(h, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text.c_str());
    }
    else
    {
      const UINT id = nextId++;
      targets.push_back({&menu, i});
      AppendMenuW(h, flags, id, text.c_str());
    }
  }
  return h;
}

} // namespace

void ICanvasWin::CreatePlatformPopupMenu(IPopupMenu& menu, const IRect& bounds)
{
  if (!mPlugWnd)
  {
    menu.SetChosenItemIdx(-1);
    SetControlValueAfterPopupMenu(nullptr);
    return;
  }
  // Ids from 1: 0 is what tracking returns when nothing was chosen.
  UINT nextId = 1;
  std::vector<MenuTarget> targets;
  HMENU h = BuildNativeMenu(menu, nextId, targets);
  const RECT r = LogicalToClientRect(bounds, GetTotalScale());
  POINT pt{r.left, r.bottom};
  ClientToScreen(mPlugWnd, &pt);
  ReleaseCapture();
  const UINT chosen = static_cast<UINT>(TrackPopupMenu(
      h, TPM_LEFTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, pt.x, pt.y, 0, mPlugWnd, nullptr));
  DestroyMenu(h);
  IPopupMenu* result = nullptr;
  if (chosen >= 1 && chosen <= targets.size())
  {
    const MenuTarget& t = targets[chosen - 1];
    t.menu->SetChosenItemIdx(t.index);
    result = t.menu;
  }
  else
  {
    menu.SetChosenItemIdx(-1);
  }
  SetControlValueAfterPopupMenu(result);
  InvalidateRect(mPlugWnd, nullptr, FALSE);
}

// ---- Message boxes, web addresses, clipboard ---------------------------------------------

HWND ICanvasWin::GetMainWindow()
{
  if (!mMainWnd && mParentWnd)
  {
    HWND w = mParentWnd;
    while (HWND p = GetParent(w))
      w = p;
    mMainWnd = w;
    wchar_t name[256] = {};
    GetClassNameW(w, name, 256);
    mMainWndClassName = name;
  }
  return mMainWnd;
}

int ICanvasWin::ShowMessageBox(const char* text, const char* caption, UINT type,
                               const std::function<void(int)>& completion)
{
  const int result =
      MessageBoxW(GetMainWindow(), Widen(text).c_str(), Widen(caption).c_str(), type);
  if (completion)
    completion(result);
  return result;
}

bool ICanvasWin::OpenURL(const char* url, const char* windowTitle, const char* confirmMsg,
                         const char* errMsg)
{
  if (!url || !url[0])
    return false;
  if (confirmMsg && confirmMsg[0] &&
      ShowMessageBox(confirmMsg, windowTitle ? windowTitle : "", MB_YESNO) != IDYES)
    return false;
  DWORD flags = 0;
  if (InternetGetConnectedState(&flags, 0))
  {
    const auto r = reinterpret_cast<INT_PTR>(
        ShellExecuteW(mPlugWnd, L"open", Widen(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (r > 32)
      return true;
  }
  if (errMsg && errMsg[0])
    ShowMessageBox(errMsg, windowTitle ? windowTitle : "", MB_OK);
  return false;
}

bool ICanvasWin::GetClipboardText(std::string& out)
{
  out.clear();
  if (!OpenClipboard(GetMainWindow()))
    return false;
  bool ok = false;
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT))
  {
    if (const auto* p = static_cast<const wchar_t*>(GlobalLock(h)))
    {
      out = Narrow(p);
      ok = true;
      GlobalUnlock(h);
    }
  }
  CloseClipboard();
  return ok;
}

bool ICanvasWin::SetClipboardText(const char* utf8)
{
  if (!OpenClipboard(GetMainWindow()))
    return false;
  EmptyClipboard();
  const std::wstring w = Widen(utf8);
  bool ok = true;
  if (!w.empty())
  {
    const size_t bytes = (w.size() + 1) * sizeof(wchar_t);
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes);
    ok = h != nullptr;
    if (ok)
    {
      std::memcpy(GlobalLock(h), w.c_str(), bytes);
      GlobalUnlock(h);
      ok = ::SetClipboardData(CF_UNICODETEXT, h) != nullptr;
      if (!ok)
        GlobalFree(h);
    }
  }
  CloseClipboard();
  return ok;
}

bool ICanvasWin::SetClipboardData(const char* formatName, const void* data, size_t size)
{
  const UINT format = RegisterClipboardFormatW(Widen(formatName).c_str());
  if (!format || !data || size == 0 || !OpenClipboard(GetMainWindow()))
    return false;
  EmptyClipboard();
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
  bool ok = h != nullptr;
  if (ok)
  {
    std::memcpy(GlobalLock(h), data, size);
    GlobalUnlock(h);
    ok = ::SetClipboardData(format, h) != nullptr;
    if (!ok)
      GlobalFree(h);
  }
  CloseClipboard();
  return ok;
}

// ---- Dialogs ----------------------------------------------------------------------------

bool ICanvasWin::PromptForFile(std::string& path, bool save, const char* ext,
                               const char* initialDir)
{
  // Filter "Supported files\0*.wav;*.aif\0All files\0*.*\0\0" from the extension list.
  std::wstring patterns;
  for (const char* p = ext ? ext : ""; *p;)
  {
    while (*p == ' ')
      ++p;
    const char* e = p;
    while (*e && *e != ' ')
      ++e;
    if (e > p)
    {
      if (!patterns.empty())
        patterns += L';';
      patterns += L"*." + Widen(std::string(p, e).c_str());
    }
    p = e;
  }
  std::wstring filter;
  if (!patterns.empty())
  {
    filter += L"Supported files";
    filter.push_back(L'\0');
    filter += patterns;
    filter.push_back(L'\0');
  }
  filter += L"All files";
  filter.push_back(L'\0');
  filter += L"*.*";
  filter.push_back(L'\0');
  filter.push_back(L'\0');

  wchar_t file[MAX_PATH] = {};
  const std::wstring initial = Widen(path.c_str());
  wcsncpy(file, initial.c_str(), MAX_PATH - 1);
  const std::wstring dir = Widen(initialDir);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = mPlugWnd;
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
  ofn.Flags =
      OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  const BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  if (ok)
    path = Narrow(file);
  return ok != 0;
}

bool ICanvasWin::PromptForDirectory(std::string& path)
{
  BROWSEINFOW bi{};
  bi.hwndOwner = mPlugWnd;
  bi.lpszTitle = L"Choose a Directory";
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi);
  if (!pidl)
    return false;
  wchar_t dir[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListW(pidl, dir) != 0;
  CoTaskMemFree(pidl);
  if (ok)
    path = Narrow(dir);
  return ok;
}

namespace {

UINT_PTR CALLBACK ColorHook(HWND dlg, UINT msg, WPARAM, LPARAM lParam)
{
  static const UINT setRgb = RegisterWindowMessageW(L"commdlg_SetRGBColor");
  if (msg == WM_INITDIALOG)
  {
    const auto* cc = reinterpret_cast<const CHOOSECOLORW*>(lParam);
    if (cc && cc->lCustData)
      SetWindowTextW(dlg, reinterpret_cast<const wchar_t*>(cc->lCustData));
    return 0;
  }
  // A colour set from outside (the registered message) is taken as is.
  return msg == setRgb ? 1 : 0;
}

} // namespace

bool ICanvasWin::PromptForColor(IColor& color, const char* title)
{
  static COLORREF custom[16] = {};
  const std::wstring caption = Widen(title);
  CHOOSECOLORW cc{};
  cc.lStructSize = sizeof(cc);
  cc.hwndOwner = mPlugWnd;
  cc.rgbResult = ToColorRef(color);
  cc.lpCustColors = custom;
  cc.Flags = CC_FULLOPEN | CC_RGBINIT | CC_ENABLEHOOK;
  cc.lpfnHook = ColorHook;
  cc.lCustData = caption.empty() ? 0 : reinterpret_cast<LPARAM>(caption.c_str());
  if (!ChooseColorW(&cc))
    return false;
  color =
      IColor(color.A, GetRValue(cc.rgbResult), GetGValue(cc.rgbResult), GetBValue(cc.rgbResult));
  return true;
}

bool ICanvasWin::RevealPathInExplorer(const char* path)
{
  if (!path || !path[0])
    return false;
  const std::wstring args = L"/select,\"" + Widen(path) + L"\"";
  const auto r = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", L"explorer.exe", args.c_str(), nullptr, SW_SHOWNORMAL));
  return r > 32;
}

bool ICanvasWin::RegisterPlatformFont(const char* faceName, const void* data, size_t size)
{
  if (!faceName || !data || size == 0 || size > 0x7FFFFFFF)
    return false;
  std::lock_guard<std::mutex> lock(gFontLock);
  auto& cache = FontCache();
  if (cache.count(faceName))
    return true;
  DWORD installed = 0;
  HANDLE h =
      AddFontMemResourceEx(const_cast<void*>(data), static_cast<DWORD>(size), nullptr, &installed);
  if (!h || installed == 0)
    return false;
  cache[faceName] = h;
  return true;
}

} // namespace plugfw::ui
