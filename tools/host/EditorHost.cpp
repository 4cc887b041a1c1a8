// quellor-host --editor: opens a plug-in's editor in a top-level window of our own the way a host
// does, plays audio through the plug-in in real time on a thread of its own, and reports on
// standard output, one line per event, what the editor asks of the host. Lines on standard input
// are commands; the end of input quits, unless --seconds N set how long to run.
//
//   quellor-host --editor [--wav FILE] [--seconds N] BUNDLE.vst3
//   quellor-host --editor --sample     the sample layout on the window's graphics context
//                                      directly, without a plug-in (Windows)
//
// Events:   ready <n> <x> <y> <w> <h> <presentation> <window>   editor n is open: its client
//                                          area on the screen and its native window (hex)
//           closed <n> timers T (before opening T0), handlers H (before H0)
//           edit begin|perform|end <param> [value]     restart <flags>
//           contextmenu <param> <x> <y> items <n>      resize <w> <h>
//           hostkey down|up <key>                      (a key that reached the host's window)
// Commands: open, close, second, closesecond, size [n], param <id>, probe, report, pause,
//           resume, entry, sendkey <key>, classinfo, controls, headless <png>, ping, quit

#include "tools/host/EditorHost.h"

#include "quellor/QuellorProbeApi.h"
#include "tools/host/ComponentHandler.h"
#include "tools/host/EditorWindows.h"
#include "tools/host/HostObjects.h"
#include "tools/host/Module.h"
#include "tools/host/PluginInstance.h"
#include "vst3api/sdk/StringConvert.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace qhost {

namespace editorhost {

namespace {
std::mutex gSayLock;
} // namespace

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

} // namespace editorhost

namespace {

using editorhost::EditorWindowInfo;
using editorhost::HostWindows;
using editorhost::Say;

constexpr double kRate = 48000.0;
constexpr int32 kBlock = 256;
constexpr int kEditors = 2; // the first editor and a second one ("second")

// For %u: the Windows C library's printf knows no %zu.
unsigned Count(size_t n)
{
  return static_cast<unsigned>(n);
}

struct Options
{
  std::string bundle, wav;
  double seconds = 0.0; // 0: until "quit", the end of input or a closed window
  bool sample = false;
};

bool ParseOptions(int argc, char** argv, Options& o)
{
  for (int i = 2; i < argc; ++i)
  {
    const std::string a = argv[i];
    if (a == "--wav" && i + 1 < argc)
      o.wav = argv[++i];
    else if (a == "--seconds" && i + 1 < argc)
      o.seconds = std::atof(argv[++i]);
    else if (a == "--sample")
      o.sample = true;
    else if (!a.empty() && a[0] != '-' && o.bundle.empty())
      o.bundle = a;
    else
      return false;
  }
  return (o.sample || !o.bundle.empty()) && o.seconds >= 0.0;
}

// What the audio thread plays: a sound file, looped, or a tone at 2.5 kHz that swells like
// feedback over a little noise.
class Programme
{
public:
  explicit Programme(std::vector<std::vector<float>> file) : mFile(std::move(file)) {}

  void Fill(float* left, float* right, int32 count)
  {
    if (!mFile.empty())
    {
      const size_t len = mFile.front().size();
      for (int32 s = 0; s < count; ++s, mPos = (mPos + 1) % len)
      {
        left[s] = mFile.front()[mPos];
        right[s] = mFile.back()[mPos];
      }
      return;
    }
    for (int32 s = 0; s < count; ++s, ++mSample)
    {
      const double level = 0.02 + 0.3 * std::min(1.0, static_cast<double>(mSample) / 96000.0);
      mNoise = mNoise * 1664525u + 1013904223u;
      const double hiss = (static_cast<double>(mNoise >> 8) / 16777216.0 - 0.5) * 0.01;
      left[s] = right[s] = static_cast<float>(level * std::sin(mPhase) + hiss);
      mPhase += 2.0 * 3.14159265358979 * 2500.0 / kRate;
    }
  }

private:
  std::vector<std::vector<float>> mFile;
  size_t mPos = 0;
  double mPhase = 0.0;
  std::uint32_t mNoise = 12345;
  long long mSample = 0;
};

// One plug-in instance, processing its programme one block every block period on its own thread.
class PlayingPlugin
{
public:
  explicit PlayingPlugin(const std::vector<std::vector<float>>& file) : mProgramme(file) {}
  ~PlayingPlugin() { Stop(); }

  bool Start(IPluginFactory* factory, const TUID cid, FUnknown* hostContext,
             ComponentHandler* handler)
  {
    if (!inst.create(factory, cid) || inst.initialize(hostContext) != kResultOk ||
        !inst.controller())
      return false;
    inst.controller()->setComponentHandler(handler);
    inst.setBusArrangements(SpeakerArr::kStereo, SpeakerArr::kStereo);
    inst.activateMainBuses();
    if (inst.setupProcessing(kRate, kBlock, kSample32) != kResultOk || inst.start() != kResultOk)
      return false;
    mThread = std::thread([this] { Run(); });
    return true;
  }
  void Stop()
  {
    mStop = true;
    if (mThread.joinable())
    {
      mThread.join();
      inst.stop();
    }
    if (inst.controller())
      inst.controller()->setComponentHandler(nullptr);
  }
  long long Blocks() const { return mBlocks.load(); }

  PluginInstance inst;
  std::atomic<bool> paused{false};

private:
  void Run()
  {
    std::vector<float> in[2], out[2];
    for (int c = 0; c < 2; ++c)
    {
      in[c].assign(kBlock, 0.f);
      out[c].assign(kBlock, 0.f);
    }
    float* ins[2] = {in[0].data(), in[1].data()};
    float* outs[2] = {out[0].data(), out[1].data()};
    const auto start = std::chrono::steady_clock::now();
    const auto period = std::chrono::duration<double>(kBlock / kRate);
    for (long long n = 0; !mStop; ++n)
    {
      if (!paused)
      {
        mProgramme.Fill(ins[0], ins[1], kBlock);
        inst.process32(ins, 2, outs, 2, kBlock);
        ++mBlocks;
      }
      std::this_thread::sleep_until(start +
                                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                        period * static_cast<double>(n + 1)));
    }
  }

  Programme mProgramme;
  std::atomic<bool> mStop{false};
  std::atomic<long long> mBlocks{0};
  std::thread mThread;
};

// Lines from standard input, read on a thread of their own and taken on the UI thread.
class CommandLines
{
public:
  explicit CommandLines(bool quitAtEnd)
  {
    std::thread([this, quitAtEnd] {
      std::string line;
      while (std::getline(std::cin, line))
      {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
          line.pop_back();
        if (!line.empty())
          Push(line);
      }
      if (quitAtEnd)
        Push("quit");
    }).detach(); // blocked in a read at exit, which ends it
  }
  std::vector<std::string> Take()
  {
    std::lock_guard<std::mutex> lock(mLock);
    std::vector<std::string> lines(mLines.begin(), mLines.end());
    mLines.clear();
    return lines;
  }

private:
  void Push(const std::string& line)
  {
    std::lock_guard<std::mutex> lock(mLock);
    mLines.push_back(line);
  }
  std::mutex mLock;
  std::deque<std::string> mLines;
};

struct Editor
{
  void* top = nullptr;
  IPlugView* view = nullptr;
  IPtr<PlugFrame> frame;
  bool sample = false;
};

class EditorHostApp
{
public:
  EditorHostApp(Options options, HostWindows& windows) : mOpt(std::move(options)), mWin(windows) {}

  int Run()
  {
    if (!mOpt.sample && !LoadPlugin())
      return 1;
    if (!Open(0))
      return 1;
    CommandLines commands(mOpt.seconds <= 0.0);
    const auto until = std::chrono::steady_clock::now() +
                       std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                           std::chrono::duration<double>(mOpt.seconds));
    bool running = true;
    while (running)
    {
      if (mOpt.seconds > 0.0 && std::chrono::steady_clock::now() >= until)
        break;
      running = mWin.Pump(mHost ? mHost->runLoop() : nullptr, 5);
      for (const std::string& line : commands.Take())
        if (running && !Command(line))
          running = false;
    }
    for (int n = kEditors - 1; n >= 0; --n)
      Close(n);
    long long blocks = 0;
    for (auto& p : mPlugs)
    {
      p->Stop();
      blocks += p->Blocks();
    }
    mPlugs.clear();
    if (!mOpt.sample)
      Say("audio blocks processed: %lld", blocks);
    if (mHost)
      if (FUnknownPtr<IPluginFactory3> f3{mModule.factory()})
        f3->setHostContext(nullptr);
    mModule.unload();
    Say("bye");
    return 0;
  }

private:
  bool LoadPlugin()
  {
    if (!mOpt.wav.empty())
    {
      std::string error;
      double rate = 0.0;
      if (!editorhost::ReadProgrammeFile(mOpt.wav, mFile, rate, error) || mFile.empty() ||
          mFile.front().empty())
      {
        Say("error %s", error.empty() ? "empty file" : error.c_str());
        return false;
      }
      if (rate != kRate)
        Say("note %s is at %.0f Hz; played at 48000 Hz", mOpt.wav.c_str(), rate);
    }
    if (!mModule.load(mOpt.bundle))
    {
      Say("error %s", mModule.error().c_str());
      return false;
    }
    if (!findAudioEffectClass(mModule.factory(), mCid))
    {
      Say("error no audio effect class");
      return false;
    }
    mHost = owned(new HostApplication(u"quellor-host"));
    if (FUnknownPtr<IPluginFactory3> f3{mModule.factory()})
      f3->setHostContext(mHost->unknownCast());
    mHandler = owned(new ComponentHandler);
    mHandler->onCall = [](const HandlerCall& c) {
      switch (c.kind)
      {
      case HandlerCall::kBegin:
        Say("edit begin %u", c.id);
        break;
      case HandlerCall::kPerform:
        Say("edit perform %u %.6f", c.id, c.value);
        break;
      case HandlerCall::kEnd:
        Say("edit end %u", c.id);
        break;
      case HandlerCall::kRestart:
        Say("restart %d", c.flags);
        break;
      case HandlerCall::kContextMenu:
        Say("contextmenu %u %d %d items %d", c.id, c.x, c.y, c.items);
        break;
      default:
        break;
      }
    };
    return true;
  }

  bool Open(int n)
  {
    Editor& e = mEditors[n];
    if (e.top)
      return true;
    if (mOpt.sample)
    {
      if (!mWin.SampleAvailable())
      {
        Say("error the sample layout is shown by the Windows build only");
        return false;
      }
      e.sample = true;
      int w = 0, h = 0;
      mWin.SampleSize(n, w, h);
      e.top = mWin.OpenTop(n, w, h);
      if (!e.top || !mWin.OpenSample(n, e.top))
      {
        Say("error the editor did not open");
        if (e.top)
          mWin.CloseTop(e.top);
        e.top = nullptr;
        return false;
      }
    }
    else
    {
      while (static_cast<int>(mPlugs.size()) <= n)
      {
        auto plug = std::make_unique<PlayingPlugin>(mFile);
        if (!plug->Start(mModule.factory(), mCid, mHost->unknownCast(), mHandler))
        {
          Say("error plug-in instance %d did not start: %s", n, plug->inst.error().c_str());
          return false;
        }
        mPlugs.push_back(std::move(plug));
        if (mPlugs.size() == 1)
        {
          // What the running plug-in registers without an editor: closing must come back to it.
          mBaseTimers = mHost->runLoop()->timerCount();
          mBaseHandlers = mHost->runLoop()->eventHandlerCount();
        }
      }
      e.view = mPlugs[static_cast<size_t>(n)]->inst.controller()->createView("editor");
      if (!e.view)
      {
        Say("error no editor view");
        return false;
      }
      if (e.view->isPlatformTypeSupported(mWin.PlatformType()) != kResultTrue)
        Say("error %s not supported", mWin.PlatformType());
      ViewRect size;
      e.view->getSize(&size);
      if (!e.top)
        e.top = mWin.OpenTop(n, size.getWidth(), size.getHeight());
      if (!e.top)
      {
        Say("error no host window");
        return false;
      }
      e.frame = owned(new PlugFrame(mHost->runLoop()));
      void* top = e.top;
      e.frame->onResize = [this, top](const ViewRect& r) {
        mWin.SetClientSize(top, r.getWidth(), r.getHeight());
        Say("resize %d %d", r.getWidth(), r.getHeight());
      };
      e.view->setFrame(e.frame);
      if (e.view->attached(e.top, mWin.PlatformType()) != kResultTrue)
      {
        Say("refused %d", n);
        Release(e, false);
        return false;
      }
    }
    EditorWindowInfo info;
    if (!mWin.Describe(e.top, info))
    {
      Say("error editor %d has no window", n);
      return false;
    }
    Say("ready %d %ld %ld %ld %ld %s 0x%llx", n, info.x, info.y, info.width, info.height,
        info.presentation.c_str(), info.id);
    return true;
  }

  // Lets go of the view (removed from its window first when it was attached) and the window.
  void Release(Editor& e, bool attached)
  {
    if (e.view)
    {
      if (attached)
        e.view->removed();
      e.view->setFrame(nullptr);
      e.view->release();
      e.view = nullptr;
    }
    e.frame = nullptr;
    mWin.CloseTop(e.top);
    e.top = nullptr;
  }

  void Close(int n)
  {
    Editor& e = mEditors[n];
    if (!e.top)
      return;
    if (e.sample)
      mWin.CloseSample(n);
    Release(e, true);
    RunLoop* loop = mHost ? mHost->runLoop() : nullptr;
    Say("closed %d timers %u (before opening %u), handlers %u (before %u)", n,
        Count(loop ? loop->timerCount() : 0), Count(mBaseTimers),
        Count(loop ? loop->eventHandlerCount() : 0), Count(mBaseHandlers));
  }

  void ReportSize(int n)
  {
    Editor& e = mEditors[n];
    EditorWindowInfo info;
    if (e.top)
      mWin.Describe(e.top, info);
    int hostW = 0, hostH = 0;
    if (e.top)
      mWin.HostSize(e.top, hostW, hostH);
    int viewW = 0, viewH = 0;
    if (e.view)
    {
      ViewRect vr;
      e.view->getSize(&vr);
      viewW = vr.getWidth();
      viewH = vr.getHeight();
    }
    else if (e.sample)
      mWin.SampleSize(n, viewW, viewH);
    Say("size %d editor %ld %ld host %d %d view %d %d", n, info.width, info.height, hostW, hostH,
        viewW, viewH);
  }

  void ReportParam(ParamID id)
  {
    if (mOpt.sample)
    {
      double v = 0.0;
      if (mWin.SampleParam(static_cast<int>(id), v))
        Say("param %u %.6f", id, v);
      else
        Say("param unavailable");
      return;
    }
    IEditController* c = mPlugs.empty() ? nullptr : mPlugs[0]->inst.controller();
    if (!c)
    {
      Say("param unavailable");
      return;
    }
    const ParamValue v = c->getParamNormalized(id);
    String128 text{};
    c->getParamStringByValue(id, v, text);
    Say("param %u %.6f \"%s\"", id, v, StringConvert::convert(text, 128).c_str());
  }

  // The notch slots through the plug-in's probe: "probe <active> <slot>:<active>:<manual>:
  // <frequency>:<depth>:<width> ...".
  void ReportProbe()
  {
    FUnknownPtr<quellor::IQuellorProbe> probe(mPlugs.empty() ? nullptr
                                                             : mPlugs[0]->inst.component());
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
      std::snprintf(buf, sizeof(buf), " %d:%d:%d:%.1f:%.2f:%.2f", i, slots[i].active,
                    slots[i].manual, slots[i].frequency, slots[i].targetDepth, slots[i].width);
      line += buf;
    }
    Say("%s", line.c_str());
  }

  // Every recorded edit gesture per parameter, the context-menu requests, the active notches and
  // what is registered with the run loop.
  void Report()
  {
    if (!mHandler || mPlugs.empty())
    {
      Say("end of report");
      return;
    }
    std::map<ParamID, int> begins, performs, ends;
    for (const HandlerCall& c : mHandler->calls())
    {
      if (c.kind == HandlerCall::kBegin)
        ++begins[c.id];
      else if (c.kind == HandlerCall::kPerform)
        ++performs[c.id];
      else if (c.kind == HandlerCall::kEnd)
        ++ends[c.id];
    }
    for (const HandlerCall& c : mHandler->callsOf(HandlerCall::kContextMenu))
      Say("context menu for param %u at %d %d, %d items", c.id, c.x, c.y, c.items);
    IEditController* controller = mPlugs[0]->inst.controller();
    for (const auto& [id, count] : begins)
      Say("param %u: begin %d perform %d end %d value %.6f", id, count, performs[id], ends[id],
          controller->getParamNormalized(id));
    if (FUnknownPtr<quellor::IQuellorProbe> probe{mPlugs[0]->inst.component()})
    {
      quellor::ProbedNotch slots[20];
      const int32 n = probe->getNotchSlots(slots, 20);
      for (int32 i = 0; i < n; ++i)
        if (slots[i].active)
          Say("notch %d: %s %.1f Hz depth %.2f dB width %.3f", i,
              slots[i].manual ? "manual" : "auto", slots[i].frequency, slots[i].targetDepth,
              slots[i].width);
    }
    RunLoop* loop = mHost->runLoop();
    Say("run loop: timers %u, handlers %u", Count(loop->timerCount()),
        Count(loop->eventHandlerCount()));
    Say("end of report");
  }

  // False for "quit".
  bool Command(const std::string& line)
  {
    const size_t sp = line.find(' ');
    const std::string cmd = line.substr(0, sp);
    const std::string arg = sp == std::string::npos ? "" : line.substr(sp + 1);
    if (cmd == "quit")
      return false;
    if (cmd == "open")
      Open(0);
    else if (cmd == "close")
      Close(0);
    else if (cmd == "second")
      Open(1);
    else if (cmd == "closesecond")
      Close(1);
    else if (cmd == "size")
      ReportSize(arg == "1" ? 1 : 0);
    else if (cmd == "param")
      ReportParam(static_cast<ParamID>(std::strtoul(arg.c_str(), nullptr, 10)));
    else if (cmd == "probe")
      ReportProbe();
    else if (cmd == "report")
      Report();
    else if (cmd == "pause" || cmd == "resume")
    {
      for (auto& p : mPlugs)
        p->paused = cmd == "pause";
      Say("%s", cmd == "pause" ? "paused" : "resumed");
    }
    else if (cmd == "entry")
    {
      std::string text;
      if (mEditors[0].top && mWin.EntryText(mEditors[0].top, text))
        Say("entry \"%s\"", text.c_str());
      else
        Say("entry none");
    }
    else if (cmd == "sendkey")
    {
      const int key = std::atoi(arg.c_str());
      if (mEditors[0].top && mWin.SendKey(mEditors[0].top, key))
        Say("sendkey done %d", key);
      else
        Say("sendkey unavailable");
    }
    else if (cmd == "classinfo")
      Say("classinfo %s", mWin.ClassInfo(mOpt.sample).c_str());
    else if (cmd == "controls")
      mWin.ReportSampleControls();
    else if (cmd == "headless")
    {
      if (!mOpt.sample || !mEditors[0].top)
        Say("headless unavailable");
      else
        Say("headless %s %s", mWin.WriteSampleHeadless(arg) ? "written" : "failed", arg.c_str());
    }
    else if (cmd == "ping")
      Say("pong");
    else
      Say("error unknown command %s", cmd.c_str());
    return true;
  }

  Options mOpt;
  HostWindows& mWin;
  std::vector<std::vector<float>> mFile;
  Module mModule;
  TUID mCid{};
  IPtr<HostApplication> mHost;
  IPtr<ComponentHandler> mHandler;
  std::vector<std::unique_ptr<PlayingPlugin>> mPlugs; // one per editor, made on first opening
  Editor mEditors[kEditors];
  size_t mBaseTimers = 0, mBaseHandlers = 0;
};

} // namespace

int RunEditorHost(int argc, char** argv)
{
  Options opt;
  if (!ParseOptions(argc, argv, opt))
  {
    std::fprintf(stderr, "usage: quellor-host --editor [--wav FILE] [--seconds N] BUNDLE.vst3\n"
                         "       quellor-host --editor --sample\n");
    return 2;
  }
  std::string error;
  std::unique_ptr<HostWindows> windows = editorhost::MakeHostWindows(error);
  if (!windows)
  {
    std::fprintf(stderr, "quellor-host: %s\n", error.c_str());
    return 1;
  }
  return EditorHostApp(std::move(opt), *windows).Run();
}

} // namespace qhost
