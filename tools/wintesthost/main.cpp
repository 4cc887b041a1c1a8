// wintesthost: opens an editor in a top-level window the way a host does, processes audio on its
// own thread, and reports what happens on stdout, one line per event; commands arrive on stdin.
//   wintesthost BUNDLE.vst3   the plug-in's editor, through IPlugView::attached(parent, "HWND")
//   wintesthost --sample      the sample layout, on the window's graphics context directly
// Events:   ready <n> <x> <y> <w> <h> <presentation>   (editor n, client area in screen pixels)
//           edit begin|perform|end <param> [value]      hostkey down|up <vk>
//           contextmenu <param> <x> <y>                 resize <w> <h>
// Commands: open, close, second, closesecond, size, classinfo, controls, entry, param <id>,
//           probe, pause, resume, headless <png>, sendkey <vk>, quit
// sendkey delivers a key press and release to the editor window as messages, without X or focus.

#include "graphics/ICanvasHeadless.h"
#include "graphics/ICanvasWin.h"
#include "graphics/IControls.h"
#include "graphics/IVectorControls.h"
#include "quellor/QuellorProbeApi.h"
#include "tools/gallery/SampleLayout.h"
#include "tools/host/ContextMenu.h"
#include "tools/host/HostObjects.h"
#include "tools/host/Module.h"
#include "tools/host/PluginInstance.h"
#include "vst3api/sdk/StringConvert.h"
#include "vst3api/vst/ContextMenu.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using plugfw::ui::ICanvasWin;

namespace {

std::mutex gSayLock;
void Say(const char* fmt, ...)
{
  std::lock_guard<std::mutex> lock(gSayLock);
  va_list args;
  va_start(args, fmt);
  std::vfprintf(stdout, fmt, args);
  va_end(args);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

constexpr UINT kCommandMessage = WM_APP + 1;
constexpr wchar_t kTopClass[] = L"QuellorTestHostWindow";
constexpr DWORD kTopStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

// Client size -> window size of a top-level host window.
void SetClientSize(HWND top, int w, int h)
{
  RECT r{0, 0, w, h};
  AdjustWindowRect(&r, kTopStyle, FALSE);
  SetWindowPos(top, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
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

HWND MakeTopWindow(int index, int w, int h)
{
  RECT r{0, 0, w, h};
  AdjustWindowRect(&r, kTopStyle, FALSE);
  const int x = 40 + 60 * index, y = 30 + 40 * index;
  HWND top =
      CreateWindowExW(0, kTopClass, L"Quellor test host", kTopStyle, x, y, r.right - r.left,
                      r.bottom - r.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ShowWindow(top, SW_SHOWNORMAL);
  UpdateWindow(top);
  return top;
}

// ---- The host's side of the plug-in -------------------------------------------------------

class Handler : public FObject, public IComponentHandler, public IComponentHandler3
{
public:
  tresult PLUGIN_API beginEdit(ParamID id) override
  {
    Say("edit begin %u", id);
    return kResultOk;
  }
  tresult PLUGIN_API performEdit(ParamID id, ParamValue value) override
  {
    Say("edit perform %u %.6f", id, value);
    return kResultOk;
  }
  tresult PLUGIN_API endEdit(ParamID id) override
  {
    Say("edit end %u", id);
    return kResultOk;
  }
  tresult PLUGIN_API restartComponent(int32 flags) override
  {
    Say("restart %d", flags);
    return kResultOk;
  }
  IContextMenu* PLUGIN_API createContextMenu(IPlugView*, const ParamID* id) override
  {
    return new qhost::ContextMenu(id ? *id : kNoParamId,
                                  [](ParamID param, UCoord x, UCoord y, int32 items) {
                                    Say("contextmenu %u %d %d items %d", param, x, y, items);
                                  });
  }
  DEFINE_INTERFACES
  DEF_INTERFACE(IComponentHandler)
  DEF_INTERFACE(IComponentHandler3)
  END_DEFINE_INTERFACES(FObject)
  REFCOUNT_METHODS(FObject)
};

// Honours the editor's resize requests by resizing the top-level window's client area.
class Frame : public FObject, public IPlugFrame
{
public:
  explicit Frame(HWND top) : mTop(top) {}
  tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* r) override
  {
    if (!view || !r)
      return kInvalidArgument;
    SetClientSize(mTop, r->getWidth(), r->getHeight());
    Say("resize %d %d", r->getWidth(), r->getHeight());
    view->onSize(r);
    return kResultTrue;
  }
  DEFINE_INTERFACES
  DEF_INTERFACE(IPlugFrame)
  END_DEFINE_INTERFACES(FObject)
  REFCOUNT_METHODS(FObject)

private:
  HWND mTop;
};

// One plug-in instance processing a ringing tone in real time on its own thread.
struct PlugInstance
{
  qhost::PluginInstance inst;
  std::thread audio;
  std::atomic<bool> stop{false};
  std::atomic<bool> paused{false};

  bool Start(IPluginFactory* factory, const TUID cid, FUnknown* hostContext, Handler* handler)
  {
    if (!inst.create(factory, cid) || inst.initialize(hostContext) != kResultOk)
      return false;
    inst.setBusArrangements(SpeakerArr::kStereo, SpeakerArr::kStereo);
    inst.activateMainBuses();
    if (inst.setupProcessing(48000., 256, kSample32) != kResultOk || inst.start() != kResultOk)
      return false;
    inst.controller()->setComponentHandler(handler);
    audio = std::thread([this] { Run(); });
    return true;
  }

  void Run()
  {
    constexpr int kBlock = 256;
    std::vector<float> l(kBlock), r(kBlock), ol(kBlock), orr(kBlock);
    float* in[2] = {l.data(), r.data()};
    float* out[2] = {ol.data(), orr.data()};
    double phase = 0.;
    std::uint32_t noise = 12345;
    long long n = 0;
    auto next = std::chrono::steady_clock::now();
    while (!stop)
    {
      next += std::chrono::microseconds(kBlock * 1000000LL / 48000);
      if (!paused)
      {
        for (int i = 0; i < kBlock; ++i, ++n)
        {
          // A tone at 2.5 kHz that swells like feedback, over a little noise.
          const double level = 0.02 + 0.3 * std::min(1.0, static_cast<double>(n) / 96000.0);
          noise = noise * 1664525u + 1013904223u;
          const double hiss = (static_cast<double>(noise >> 8) / 16777216.0 - 0.5) * 0.01;
          l[static_cast<size_t>(i)] = r[static_cast<size_t>(i)] =
              static_cast<float>(level * std::sin(phase) + hiss);
          phase += 2.0 * 3.14159265358979 * 2500.0 / 48000.0;
        }
        inst.process32(in, 2, out, 2, kBlock);
      }
      std::this_thread::sleep_until(next);
    }
  }

  void Stop()
  {
    stop = true;
    if (audio.joinable())
      audio.join();
    inst.stop();
    inst.release();
  }
};

// ---- The sample layout on the window context ---------------------------------------------

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

class SampleHost : public gallery::SampleDelegate
{
public:
  explicit SampleHost(HWND top) : mTop(top)
  {
    SetMakeGraphicsFunc([this] {
      auto* g = new ICanvasWin(this, GetEditorWidth(), GetEditorHeight(), 30, 1.f);
      g->SetScaleConstraints(0.5f, 4.f);
      g->SetHostContextMenuSource(&mMenus);
      return g;
    });
  }
  ICanvasWin* Window() const { return dynamic_cast<ICanvasWin*>(GetGraphicsContext()); }

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
    SetClientSize(mTop, w, h);
    Say("resize %d %d", w, h);
    return r;
  }

private:
  HWND mTop;
  MenuRecorder mMenus;
};

// ---- Editors ----------------------------------------------------------------------------

struct Editor
{
  HWND top = nullptr;
  std::unique_ptr<SampleHost> sample;
  IPlugView* view = nullptr;
  Frame* frame = nullptr;
  PlugInstance* plug = nullptr;
};

struct App
{
  bool sampleMode = false;
  qhost::Module module;
  TUID cid{};
  qhost::HostApplication* hostContext = nullptr;
  Handler* handler = nullptr;
  std::vector<std::unique_ptr<PlugInstance>> plugs; // [0] the first, [1] for the second editor
  Editor editors[2];
  HINSTANCE editorClassModule = nullptr;
  int lastW = 0, lastH = 0;
};
App gApp;

HWND EditorWindow(const Editor& e)
{
  return e.top ? GetWindow(e.top, GW_CHILD) : nullptr;
}

void ReportReady(int n)
{
  Editor& e = gApp.editors[n];
  HWND child = EditorWindow(e);
  if (!child)
  {
    Say("error editor %d has no window", n);
    return;
  }
  gApp.editorClassModule = reinterpret_cast<HINSTANCE>(GetClassLongPtrW(child, GCLP_HMODULE));
  RECT r;
  GetClientRect(child, &r);
  POINT origin{0, 0};
  ClientToScreen(child, &origin);
  const auto p = reinterpret_cast<INT_PTR>(GetPropW(child, L"QuellorPresentation"));
  Say("ready %d %ld %ld %ld %ld %s", n, origin.x, origin.y, r.right, r.bottom,
      ICanvasWin::PresentationName(static_cast<plugfw::ui::EPresentation>(p)));
}

bool OpenEditor(int n)
{
  Editor& e = gApp.editors[n];
  if (e.top)
    return true;
  if (gApp.sampleMode)
  {
    const int w = gApp.lastW > 0 ? gApp.lastW : gallery::kSampleWidth;
    const int h = gApp.lastH > 0 ? gApp.lastH : gallery::kSampleHeight;
    e.top = MakeTopWindow(n, w, h);
    if (!e.sample)
      e.sample = std::make_unique<SampleHost>(e.top);
    if (!e.sample->OpenEditor(e.top))
    {
      Say("error the editor did not open");
      return false;
    }
    if (auto* g = e.sample->Window())
      SetClientSize(e.top, g->WindowWidth(), g->WindowHeight());
  }
  else
  {
    if (static_cast<int>(gApp.plugs.size()) <= n)
    {
      auto plug = std::make_unique<PlugInstance>();
      if (!plug->Start(gApp.module.factory(), gApp.cid, gApp.hostContext->unknownCast(),
                       gApp.handler))
      {
        Say("error plug-in instance %d did not start: %s", n, plug->inst.error().c_str());
        return false;
      }
      gApp.plugs.push_back(std::move(plug));
    }
    e.plug = gApp.plugs[static_cast<size_t>(n)].get();
    e.view = e.plug->inst.controller()->createView("editor");
    if (!e.view)
    {
      Say("error no editor view");
      return false;
    }
    if (e.view->isPlatformTypeSupported(kPlatformTypeHWND) != kResultTrue)
      Say("error HWND not supported");
    ViewRect size;
    e.view->getSize(&size);
    e.top = MakeTopWindow(n, size.getWidth(), size.getHeight());
    e.frame = new Frame(e.top);
    e.view->setFrame(e.frame);
    if (e.view->attached(e.top, kPlatformTypeHWND) != kResultTrue)
    {
      Say("error attached failed");
      return false;
    }
  }
  ReportReady(n);
  return true;
}

void CloseEditor(int n)
{
  Editor& e = gApp.editors[n];
  if (!e.top)
    return;
  if (e.sample)
    e.sample->CloseEditor();
  if (e.view)
  {
    e.view->removed();
    e.view->setFrame(nullptr);
    e.view->release();
    e.view = nullptr;
  }
  if (e.frame)
    e.frame->release();
  e.frame = nullptr;
  DestroyWindow(e.top);
  e.top = nullptr;
  Say("closed %d", n);
}

void ReportSize(int n)
{
  Editor& e = gApp.editors[n];
  HWND child = EditorWindow(e);
  RECT r{};
  if (child)
    GetClientRect(child, &r);
  RECT host{};
  if (e.top)
    GetClientRect(e.top, &host);
  ViewRect vr;
  if (e.view)
    e.view->getSize(&vr);
  else if (e.sample && e.sample->Window())
    vr = ViewRect(0, 0, e.sample->Window()->WindowWidth(), e.sample->Window()->WindowHeight());
  Say("size %d editor %ld %ld host %ld %ld view %d %d", n, r.right, r.bottom, host.right,
      host.bottom, vr.getWidth(), vr.getHeight());
}

void ReportClassInfo()
{
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  HINSTANCE module = gApp.sampleMode ? GetModuleHandleW(nullptr) : gApp.editorClassModule;
  const bool registered = module && GetClassInfoExW(module, ICanvasWin::kWindowClassName, &wc);
  if (gApp.sampleMode)
    Say("classinfo registered %d registrations %d windows %d", registered ? 1 : 0,
        ICanvasWin::WindowClassRegistrations(), ICanvasWin::OpenWindowCount());
  else
    Say("classinfo registered %d", registered ? 1 : 0);
}

void ReportControls()
{
  ICanvasWin* g = gApp.editors[0].sample ? gApp.editors[0].sample->Window() : nullptr;
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
    Say("control %d %s %d %.1f %.1f %.1f %.1f", i, kind(c), c->GetParamIdx(0), r.L, r.T, r.R, r.B);
  }
  if (auto* rz = g->GetCornerResizer())
  {
    const plugfw::ui::IRect& r = rz->GetRECT();
    Say("control -1 resizer -1 %.1f %.1f %.1f %.1f", r.L, r.T, r.R, r.B);
  }
  Say("controls end scale %.3f", g->GetDrawScale());
}

void ReportEntry()
{
  HWND child = EditorWindow(gApp.editors[0]);
  HWND entry = child ? FindWindowExW(child, nullptr, L"EDIT", nullptr) : nullptr;
  if (!entry)
  {
    Say("entry none");
    return;
  }
  wchar_t text[512] = {};
  const int n = GetWindowTextW(entry, text, 512);
  Say("entry \"%s\"", ICanvasWin::Narrow(text, n).c_str());
}

void ReportParam(ParamID id)
{
  if (gApp.sampleMode)
  {
    const plugfw::IParam* p =
        gApp.editors[0].sample ? gApp.editors[0].sample->GetParam(static_cast<int>(id)) : nullptr;
    if (p)
      Say("param %u %.6f", id, p->GetNormalValue());
    return;
  }
  if (gApp.plugs.empty())
    return;
  IEditController* c = gApp.plugs[0]->inst.controller();
  const ParamValue v = c->getParamNormalized(id);
  String128 text{};
  c->getParamStringByValue(id, v, text);
  Say("param %u %.6f \"%s\"", id, v, StringConvert::convert(text, 128).c_str());
}

void ReportProbe()
{
  if (gApp.plugs.empty())
  {
    Say("probe unavailable");
    return;
  }
  FUnknownPtr<quellor::IQuellorProbe> probe(gApp.plugs[0]->inst.component());
  if (!probe)
  {
    Say("probe unavailable");
    return;
  }
  quellor::ProbedNotch slots[20];
  const int32 n = probe->getNotchSlots(slots, 20);
  std::string line = "probe " + std::to_string(probe->getActiveNotchCount());
  for (int32 i = 0; i < n; ++i)
  {
    char buf[96];
    std::snprintf(buf, sizeof(buf), " %d:%d:%d:%.1f:%.2f:%.2f", i, slots[i].active, slots[i].manual,
                  slots[i].frequency, slots[i].targetDepth, slots[i].width);
    line += buf;
  }
  Say("%s", line.c_str());
}

void SendKey(int vk)
{
  HWND child = EditorWindow(gApp.editors[0]);
  if (!child || vk <= 0 || vk > 0xFE)
  {
    Say("sendkey unavailable");
    return;
  }
  const UINT scan = MapVirtualKeyW(static_cast<UINT>(vk), 0 /* MAPVK_VK_TO_VSC */);
  const LPARAM down = static_cast<LPARAM>(1u | (scan << 16));
  const LPARAM up = static_cast<LPARAM>(down | (1u << 30) | (1u << 31));
  SendMessageW(child, WM_KEYDOWN, static_cast<WPARAM>(vk), down);
  SendMessageW(child, WM_KEYUP, static_cast<WPARAM>(vk), up);
  Say("sendkey done %d", vk);
}

void WriteHeadless(const std::string& path)
{
  if (!gApp.sampleMode || !gApp.editors[0].sample || !gApp.editors[0].sample->Window())
  {
    Say("headless unavailable");
    return;
  }
  // The same layout at the same scale, drawn without a window.
  gallery::SampleDelegate reference(gApp.editors[0].sample->Window()->GetDrawScale());
  reference.OpenEditor(nullptr);
  auto* g = dynamic_cast<plugfw::ui::ICanvasHeadless*>(reference.Canvas());
  const bool ok = g && (g->StepFrame(), g->WritePng(path));
  Say("headless %s %s", ok ? "written" : "failed", path.c_str());
  reference.CloseEditor();
}

bool RunCommand(const std::string& line)
{
  const size_t sp = line.find(' ');
  const std::string cmd = line.substr(0, sp);
  const std::string arg = sp == std::string::npos ? "" : line.substr(sp + 1);
  if (cmd == "quit")
    return false;
  if (cmd == "open")
    OpenEditor(0);
  else if (cmd == "close")
    CloseEditor(0);
  else if (cmd == "second")
    OpenEditor(1);
  else if (cmd == "closesecond")
    CloseEditor(1);
  else if (cmd == "size")
    ReportSize(arg == "1" ? 1 : 0);
  else if (cmd == "classinfo")
    ReportClassInfo();
  else if (cmd == "controls")
    ReportControls();
  else if (cmd == "entry")
    ReportEntry();
  else if (cmd == "param")
    ReportParam(static_cast<ParamID>(std::strtoul(arg.c_str(), nullptr, 10)));
  else if (cmd == "probe")
    ReportProbe();
  else if (cmd == "pause" || cmd == "resume")
  {
    for (auto& p : gApp.plugs)
      p->paused = cmd == "pause";
  }
  else if (cmd == "headless")
    WriteHeadless(arg);
  else if (cmd == "sendkey")
    SendKey(std::atoi(arg.c_str()));
  else if (cmd == "ping")
    Say("pong");
  else
    Say("error unknown command %s", cmd.c_str());
  return true;
}

LRESULT CALLBACK CommandProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  if (msg == kCommandMessage)
  {
    std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(lParam));
    if (!RunCommand(*line))
      PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hWnd, msg, wParam, lParam);
}

} // namespace

int main(int argc, char** argv)
{
  std::string bundle;
  for (int i = 1; i < argc; ++i)
  {
    if (std::strcmp(argv[i], "--sample") == 0)
      gApp.sampleMode = true;
    else
      bundle = argv[i];
  }
  if (!gApp.sampleMode && bundle.empty())
  {
    std::fprintf(stderr, "usage: wintesthost (--sample | BUNDLE.vst3)\n");
    return 2;
  }

  const HINSTANCE self = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = TopProc;
  wc.hInstance = self;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  wc.lpszClassName = kTopClass;
  RegisterClassExW(&wc);
  WNDCLASSEXW cc{};
  cc.cbSize = sizeof(cc);
  cc.lpfnWndProc = CommandProc;
  cc.hInstance = self;
  cc.lpszClassName = L"QuellorTestHostCommands";
  RegisterClassExW(&cc);
  HWND commands = CreateWindowExW(0, cc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  self, nullptr);

  if (!gApp.sampleMode)
  {
    if (!gApp.module.load(bundle))
    {
      Say("error %s", gApp.module.error().c_str());
      return 1;
    }
    if (!qhost::findAudioEffectClass(gApp.module.factory(), gApp.cid))
    {
      Say("error no audio effect class");
      return 1;
    }
    gApp.hostContext = new qhost::HostApplication(u"Quellor Windows Test Host", false);
    gApp.handler = new Handler();
  }
  if (!OpenEditor(0))
    return 1;

  // Commands from stdin reach the UI thread as messages; the end of input quits.
  std::thread reader([commands] {
    std::string line;
    while (std::getline(std::cin, line))
    {
      while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
      if (!line.empty())
        PostMessageW(commands, kCommandMessage, 0, reinterpret_cast<LPARAM>(new std::string(line)));
    }
    PostMessageW(commands, kCommandMessage, 0, reinterpret_cast<LPARAM>(new std::string("quit")));
  });
  reader.detach();

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0)
  {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }

  CloseEditor(1);
  CloseEditor(0);
  for (auto& p : gApp.plugs)
    p->Stop();
  gApp.plugs.clear();
  if (gApp.handler)
    gApp.handler->release();
  if (gApp.hostContext)
    gApp.hostContext->release();
  gApp.module.unload();
  Say("bye");
  return 0;
}
