// quellor-host --editor on Windows: top-level Win32 windows holding the editor's child window
// (IPlugView::attached(parent, "HWND")), the thread's message pump, and the sample layout on an
// ICanvasWin of the host's own. Keys that reach a host window are reported as "hostkey".

#include "tools/host/EditorWindows.h"

#include "graphics/ICanvasHeadless.h"
#include "graphics/ICanvasWin.h"
#include "graphics/IControls.h"
#include "graphics/IVectorControls.h"
#include "tools/gallery/SampleLayout.h"
#include "tools/host/RunLoop.h"

#include <memory>

using plugfw::ui::ICanvasWin;

namespace qhost::editorhost {

namespace {

constexpr wchar_t kTopClass[] = L"QuellorTestHostWindow";
constexpr DWORD kTopStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

HWND Top(void* top)
{
  return static_cast<HWND>(top);
}

HWND EditorWindow(void* top)
{
  return top ? GetWindow(Top(top), GW_CHILD) : nullptr;
}

LRESULT CALLBACK TopProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  switch (msg)
  {
  case WM_KEYDOWN:
  case WM_SYSKEYDOWN:
    Say("hostkey down %d", static_cast<int>(wParam));
    return 0;
  case WM_KEYUP:
  case WM_SYSKEYUP:
    Say("hostkey up %d", static_cast<int>(wParam));
    return 0;
  case WM_CLOSE:
    return 0; // closed by command only
  case WM_ERASEBKGND:
  {
    RECT r;
    GetClientRect(hWnd, &r);
    FillRect(reinterpret_cast<HDC>(wParam), &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    return 1;
  }
  default:
    return DefWindowProcW(hWnd, msg, wParam, lParam);
  }
}

// The host's context menu for the sample layout: reports the popup as the plug-in's does.
class MenuRecorder : public plugfw::ui::IHostContextMenuSource
{
public:
  class Menu : public plugfw::ui::IHostContextMenu
  {
  public:
    explicit Menu(int p) : mParam(p) {}
    void AddItem(const char*, int, int, plugfw::ui::IContextMenuTarget*) override { ++mItems; }
    void Popup(int x, int y) override
    {
      Say("contextmenu %d %d %d items %d", mParam, x, y, mItems);
    }

  private:
    int mParam;
    int mItems = 0;
  };
  std::unique_ptr<plugfw::ui::IHostContextMenu> CreateHostContextMenu(int paramIdx) override
  {
    return std::make_unique<Menu>(paramIdx);
  }
};

void SetClientSizeOf(HWND top, int w, int h)
{
  RECT r{0, 0, w, h};
  AdjustWindowRect(&r, kTopStyle, FALSE);
  SetWindowPos(top, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The sample layout's delegate: its edits and resizes reported as the plug-in's are.
class SampleHost : public gallery::SampleDelegate
{
public:
  SampleHost()
  {
    SetMakeGraphicsFunc([this] {
      auto* g = new ICanvasWin(this, GetEditorWidth(), GetEditorHeight(), 30, 1.f);
      g->SetScaleConstraints(0.5f, 4.f);
      g->SetHostContextMenuSource(&mMenus);
      return g;
    });
  }
  ICanvasWin* Window() const { return dynamic_cast<ICanvasWin*>(GetGraphicsContext()); }
  void SetTop(HWND top) { mTop = top; }

  void BeginParameterChangeFromUI(int p) override
  {
    Say("edit begin %d", p);
    SampleDelegate::BeginParameterChangeFromUI(p);
  }
  void SetParameterValueFromUI(int p, double v) override
  {
    Say("edit perform %d %.6f", p, v);
    SampleDelegate::SetParameterValueFromUI(p, v);
  }
  void EndParameterChangeFromUI(int p) override
  {
    Say("edit end %d", p);
    SampleDelegate::EndParameterChangeFromUI(p);
  }
  bool EditorResizeFromUI(int w, int h, bool needsPlatformResize) override
  {
    const bool r = SampleDelegate::EditorResizeFromUI(w, h, needsPlatformResize);
    SetClientSizeOf(mTop, w, h);
    Say("resize %d %d", w, h);
    return r;
  }

private:
  HWND mTop = nullptr;
  MenuRecorder mMenus;
};

class WinHostWindows : public HostWindows
{
public:
  WinHostWindows()
  {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = TopProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.lpszClassName = kTopClass;
    RegisterClassExW(&wc);
  }

  Steinberg::FIDString PlatformType() const override { return Steinberg::kPlatformTypeHWND; }

  void* OpenTop(int index, int w, int h) override
  {
    RECT r{0, 0, w, h};
    AdjustWindowRect(&r, kTopStyle, FALSE);
    const int x = 40 + 60 * index, y = 30 + 40 * index;
    HWND top =
        CreateWindowExW(0, kTopClass, L"quellor-host", kTopStyle, x, y, r.right - r.left,
                        r.bottom - r.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(top, SW_SHOWNORMAL);
    UpdateWindow(top);
    return top;
  }
  void CloseTop(void* top) override { DestroyWindow(Top(top)); }
  void SetClientSize(void* top, int w, int h) override { SetClientSizeOf(Top(top), w, h); }

  bool Describe(void* top, EditorWindowInfo& info) override
  {
    HWND child = EditorWindow(top);
    if (!child)
      return false;
    mEditorClassModule = reinterpret_cast<HINSTANCE>(GetClassLongPtrW(child, GCLP_HMODULE));
    RECT r;
    GetClientRect(child, &r);
    POINT origin{0, 0};
    ClientToScreen(child, &origin);
    const auto p = reinterpret_cast<INT_PTR>(GetPropW(child, L"QuellorPresentation"));
    info.x = origin.x;
    info.y = origin.y;
    info.width = r.right;
    info.height = r.bottom;
    info.presentation = ICanvasWin::PresentationName(static_cast<plugfw::ui::EPresentation>(p));
    info.id = reinterpret_cast<std::uintptr_t>(child);
    return true;
  }
  void HostSize(void* top, int& w, int& h) override
  {
    RECT r{};
    GetClientRect(Top(top), &r);
    w = r.right;
    h = r.bottom;
  }

  bool Pump(RunLoop* loop, int milliseconds) override
  {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(milliseconds), QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (loop)
      loop->runDue();
    return true;
  }

  bool EntryText(void* top, std::string& text) override
  {
    HWND child = EditorWindow(top);
    HWND entry = child ? FindWindowExW(child, nullptr, L"EDIT", nullptr) : nullptr;
    if (!entry)
      return false;
    wchar_t wide[512] = {};
    const int n = GetWindowTextW(entry, wide, 512);
    text = ICanvasWin::Narrow(wide, n);
    return true;
  }

  bool SendKey(void* top, int vk) override
  {
    HWND child = EditorWindow(top);
    if (!child || vk <= 0 || vk > 0xFE)
      return false;
    const UINT scan = MapVirtualKeyW(static_cast<UINT>(vk), 0 /* MAPVK_VK_TO_VSC */);
    const LPARAM down = static_cast<LPARAM>(1u | (scan << 16));
    const LPARAM up = static_cast<LPARAM>(down | (1u << 30) | (1u << 31));
    SendMessageW(child, WM_KEYDOWN, static_cast<WPARAM>(vk), down);
    SendMessageW(child, WM_KEYUP, static_cast<WPARAM>(vk), up);
    return true;
  }

  std::string ClassInfo(bool sample) override
  {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    HINSTANCE module = sample ? GetModuleHandleW(nullptr) : mEditorClassModule;
    const bool registered = module && GetClassInfoExW(module, ICanvasWin::kWindowClassName, &wc);
    std::string text = std::string("registered ") + (registered ? "1" : "0");
    if (sample)
      text += " registrations " + std::to_string(ICanvasWin::WindowClassRegistrations()) +
              " windows " + std::to_string(ICanvasWin::OpenWindowCount());
    return text;
  }

  bool SampleAvailable() const override { return true; }
  bool OpenSample(int index, void* top) override
  {
    auto& s = mSamples[index];
    if (!s)
      s = std::make_unique<SampleHost>();
    s->SetTop(Top(top));
    if (!s->OpenEditor(top))
      return false;
    if (ICanvasWin* g = s->Window())
      SetClientSizeOf(Top(top), g->WindowWidth(), g->WindowHeight());
    return true;
  }
  void CloseSample(int index) override
  {
    if (mSamples[index])
      mSamples[index]->CloseEditor();
  }
  bool SampleSize(int index, int& w, int& h) override
  {
    ICanvasWin* g = mSamples[index] ? mSamples[index]->Window() : nullptr;
    w = g ? g->WindowWidth() : gallery::kSampleWidth;
    h = g ? g->WindowHeight() : gallery::kSampleHeight;
    return true;
  }
  bool SampleParam(int param, double& normalized) override
  {
    const plugfw::IParam* p = mSamples[0] ? mSamples[0]->GetParam(param) : nullptr;
    if (p)
      normalized = p->GetNormalValue();
    return p != nullptr;
  }

  void ReportSampleControls() override
  {
    ICanvasWin* g = mSamples[0] ? mSamples[0]->Window() : nullptr;
    if (!g)
    {
      Say("controls unavailable");
      return;
    }
    auto kind = [](plugfw::ui::IControl* c) {
      if (dynamic_cast<plugfw::ui::IVectorToggleControl*>(c))
        return "toggle";
      if (dynamic_cast<plugfw::ui::ICaptionControl*>(c))
        return "caption";
      if (dynamic_cast<plugfw::ui::IVectorSliderControl*>(c))
        return "slider";
      return "other";
    };
    for (int i = 0; i < g->NControls(); ++i)
    {
      plugfw::ui::IControl* c = g->GetControl(i);
      const plugfw::ui::IRect& r = c->GetRECT();
      Say("control %d %s %d %.1f %.1f %.1f %.1f", i, kind(c), c->GetParamIdx(0), r.L, r.T, r.R,
          r.B);
    }
    if (auto* rz = g->GetCornerResizer())
    {
      const plugfw::ui::IRect& r = rz->GetRECT();
      Say("control -1 resizer -1 %.1f %.1f %.1f %.1f", r.L, r.T, r.R, r.B);
    }
    Say("controls end scale %.3f", g->GetDrawScale());
  }

  bool WriteSampleHeadless(const std::string& path) override
  {
    ICanvasWin* g = mSamples[0] ? mSamples[0]->Window() : nullptr;
    if (!g)
      return false;
    gallery::SampleDelegate reference(g->GetDrawScale());
    reference.OpenEditor(nullptr);
    auto* headless = dynamic_cast<plugfw::ui::ICanvasHeadless*>(reference.Canvas());
    const bool ok = headless && (headless->StepFrame(), headless->WritePng(path));
    reference.CloseEditor();
    return ok;
  }

private:
  HINSTANCE mEditorClassModule = nullptr;
  std::unique_ptr<SampleHost> mSamples[2];
};

} // namespace

std::unique_ptr<HostWindows> MakeHostWindows(std::string&)
{
  return std::make_unique<WinHostWindows>();
}

bool ReadProgrammeFile(const std::string&, std::vector<std::vector<float>>&, double&,
                       std::string& error)
{
  error = "--wav is read by the Linux build only (libsndfile)";
  return false;
}

} // namespace qhost::editorhost
