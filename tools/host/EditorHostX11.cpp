// quellor-host --editor on Linux: a top-level X window of our own, an IPlugFrame offering a
// poll-based IRunLoop, the plug-in's editor embedded in the window, and an audio thread that
// plays the built-in feedback scenario (or a WAV file) through the plug-in in real time.
//
// Lines on standard input drive it (for tests): "close", "open", "report", "quit".

#include "tools/host/EditorHost.h"

#include "quellor/QuellorProbeApi.h"
#include "tools/host/ComponentHandler.h"
#include "tools/host/HostObjects.h"
#include "tools/host/Module.h"
#include "tools/host/PluginInstance.h"
#include "tools/quellor-render/Scenario.h"
#include "tools/quellor-render/WavFile.h"
#include "vst3api/sdk/StringConvert.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace qhost {

namespace {

constexpr double kRate = 48000.0;
constexpr int32 kBlock = 256;

struct Options
{
  std::string bundle, wav;
  double seconds = 0.0; // 0: until the window is closed or "quit"
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
    else if (!a.empty() && a[0] != '-' && o.bundle.empty())
      o.bundle = a;
    else
      return false;
  }
  return !o.bundle.empty() && o.seconds >= 0.0;
}

// Plays the programme through the plug-in, one block every block period, looping.
class AudioThread
{
public:
  AudioThread(PluginInstance& plug, std::vector<std::vector<float>> programme)
      : mPlug(plug), mProgramme(std::move(programme))
  {
    mThread = std::thread([this] { Run(); });
  }
  ~AudioThread()
  {
    mStop = true;
    mThread.join();
  }
  long long Blocks() const { return mBlocks.load(); }

private:
  void Run()
  {
    std::vector<float> in[2], out[2];
    for (int c = 0; c < 2; ++c)
    {
      in[c].assign(kBlock, 0.f);
      out[c].assign(kBlock, 0.f);
    }
    const size_t len = mProgramme.front().size();
    size_t pos = 0;
    const auto start = std::chrono::steady_clock::now();
    const auto period = std::chrono::duration<double>(kBlock / kRate);
    for (long long n = 0; !mStop; ++n)
    {
      for (int32 s = 0; s < kBlock; ++s, pos = (pos + 1) % len)
        for (size_t c = 0; c < 2; ++c)
          in[c][static_cast<size_t>(s)] = mProgramme[std::min(c, mProgramme.size() - 1)][pos];
      float* ins[2] = {in[0].data(), in[1].data()};
      float* outs[2] = {out[0].data(), out[1].data()};
      mPlug.process32(ins, 2, outs, 2, kBlock);
      mBlocks = n + 1;
      std::this_thread::sleep_until(start +
                                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                        period * static_cast<double>(n + 1)));
    }
  }

  PluginInstance& mPlug;
  std::vector<std::vector<float>> mProgramme;
  std::atomic<bool> mStop{false};
  std::atomic<long long> mBlocks{0};
  std::thread mThread;
};

Window FirstChild(Display* dpy, Window w)
{
  Window root = 0, parent = 0, *children = nullptr;
  unsigned n = 0;
  Window found = 0;
  if (XQueryTree(dpy, w, &root, &parent, &children, &n) && n > 0)
    found = children[0];
  if (children)
    XFree(children);
  return found;
}

} // namespace

int RunEditorHost(int argc, char** argv)
{
  Options opt;
  if (!ParseOptions(argc, argv, opt))
  {
    std::fprintf(stderr, "usage: quellor-host --editor [--wav FILE] [--seconds N] <bundle.vst3>\n");
    return 2;
  }
  std::vector<std::vector<float>> programme;
  if (!opt.wav.empty())
  {
    AudioData audio;
    std::string error;
    if (!ReadAudioFile(opt.wav, audio, error) || audio.channels.empty() ||
        audio.channels.front().empty())
    {
      std::fprintf(stderr, "quellor-host: %s\n", error.empty() ? "empty file" : error.c_str());
      return 1;
    }
    if (audio.sampleRate != kRate)
      std::fprintf(stderr, "quellor-host: %s is at %.0f Hz; played at 48000 Hz\n", opt.wav.c_str(),
                   audio.sampleRate);
    programme = std::move(audio.channels);
  }
  else
  {
    const ScenarioEntry* feedback = FindScenario("feedback");
    if (!feedback)
      return 1;
    programme = feedback->generate(ScenarioRequest{kRate, 0.0}).channels;
  }

  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy)
  {
    std::fprintf(stderr, "quellor-host: cannot open the X display\n");
    return 1;
  }
  Module module;
  if (!module.load(opt.bundle))
  {
    std::fprintf(stderr, "quellor-host: %s\n", module.error().c_str());
    XCloseDisplay(dpy);
    return 1;
  }
  IPluginFactory* factory = module.factory();
  IPtr<HostApplication> host = owned(new HostApplication(u"quellor-host"));
  if (FUnknownPtr<IPluginFactory3> f3{factory})
    f3->setHostContext(host->unknownCast());
  TUID cid;
  int rc = 0;
  {
    PluginInstance plug;
    if (!findAudioEffectClass(factory, cid) || !plug.create(factory, cid) ||
        plug.initialize(host->unknownCast()) != kResultOk || !plug.controller())
    {
      std::fprintf(stderr, "quellor-host: the plug-in could not be set up\n");
      XCloseDisplay(dpy);
      return 1;
    }
    IPtr<ComponentHandler> handler = owned(new ComponentHandler);
    plug.controller()->setComponentHandler(handler);
    plug.setBusArrangements(SpeakerArr::kStereo, SpeakerArr::kStereo);
    plug.activateMainBuses();
    plug.setupProcessing(kRate, kBlock, kSample32);
    plug.start();
    RunLoop* loop = host->runLoop();
    const size_t baseTimers = loop->timerCount(), baseHandlers = loop->eventHandlerCount();

    ViewRect size(0, 0, 740, 726);
    Window top = 0;
    Atom wmDelete = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    IPtr<PlugFrame> frame = owned(new PlugFrame(loop));
    IPlugView* view = nullptr;
    auto openEditor = [&]() -> bool {
      view = plug.controller()->createView("editor");
      if (!view || view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID) != kResultTrue)
      {
        std::printf("no editor\n");
        return false;
      }
      view->getSize(&size);
      if (!top)
      {
        top = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0,
                                  static_cast<unsigned>(size.getWidth()),
                                  static_cast<unsigned>(size.getHeight()), 0, 0, 0);
        XStoreName(dpy, top, "quellor-host");
        XSetWMProtocols(dpy, top, &wmDelete, 1);
        XSelectInput(dpy, top, StructureNotifyMask | KeyPressMask);
        XMapWindow(dpy, top);
        XSync(dpy, False);
      }
      view->setFrame(frame);
      const bool ok = view->attached(reinterpret_cast<void*>(static_cast<std::uintptr_t>(top)),
                                     kPlatformTypeX11EmbedWindowID) == kResultTrue;
      XSync(dpy, False);
      std::printf(ok ? "opened window 0x%lx size %dx%d\n" : "refused\n", FirstChild(dpy, top),
                  size.getWidth(), size.getHeight());
      return ok;
    };
    auto closeEditor = [&]() {
      if (!view)
        return;
      view->removed();
      view->setFrame(nullptr);
      view->release();
      view = nullptr;
      std::printf("closed: timers %zu (before opening %zu), handlers %zu (before %zu)\n",
                  loop->timerCount(), baseTimers, loop->eventHandlerCount(), baseHandlers);
    };
    auto report = [&]() {
      std::map<ParamID, int> begins, performs, ends;
      for (const HandlerCall& c : handler->calls())
      {
        if (c.kind == HandlerCall::kBegin)
          ++begins[c.id];
        else if (c.kind == HandlerCall::kPerform)
          ++performs[c.id];
        else if (c.kind == HandlerCall::kEnd)
          ++ends[c.id];
      }
      for (const HandlerCall& c : handler->callsOf(HandlerCall::kContextMenu))
        std::printf("context menu for param %u at %d %d, %d items\n", c.id, c.x, c.y, c.items);
      for (const auto& [id, n] : begins)
        std::printf("param %u: begin %d perform %d end %d value %.6f\n", id, n, performs[id],
                    ends[id], plug.controller()->getParamNormalized(id));
      if (FUnknownPtr<quellor::IQuellorProbe> probe{plug.component()})
      {
        quellor::ProbedNotch slots[20];
        const int32 n = probe->getNotchSlots(slots, 20);
        for (int32 i = 0; i < n; ++i)
          if (slots[i].active)
            std::printf("notch %d: %s %.1f Hz depth %.2f dB width %.3f\n", i,
                        slots[i].manual ? "manual" : "auto", slots[i].frequency,
                        slots[i].targetDepth, slots[i].width);
      }
      std::printf("run loop: timers %zu, handlers %zu\nend of report\n", loop->timerCount(),
                  loop->eventHandlerCount());
    };

    AudioThread audio(plug, programme);
    bool running = openEditor();
    rc = running ? 0 : 1;
    std::fflush(stdout);
    const auto until = std::chrono::steady_clock::now() +
                       std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                           std::chrono::duration<double>(opt.seconds));
    std::string line;
    bool stdinOpen = true;
    int lastResize = frame->resizeCount;
    while (running)
    {
      if (opt.seconds > 0.0 && std::chrono::steady_clock::now() >= until)
        break;
      std::vector<pollfd> fds;
      fds.push_back({ConnectionNumber(dpy), POLLIN, 0});
      if (stdinOpen)
        fds.push_back({0, POLLIN, 0});
      for (int fd : loop->descriptors())
        fds.push_back({fd, POLLIN, 0});
      poll(fds.data(), fds.size(), 5);
      loop->runDue();
      if (frame->resizeCount != lastResize)
      {
        lastResize = frame->resizeCount;
        XResizeWindow(dpy, top, static_cast<unsigned>(frame->lastSize.getWidth()),
                      static_cast<unsigned>(frame->lastSize.getHeight()));
      }
      while (XPending(dpy) > 0)
      {
        XEvent ev;
        XNextEvent(dpy, &ev);
        if (ev.type == ClientMessage && static_cast<Atom>(ev.xclient.data.l[0]) == wmDelete)
          running = false;
      }
      if (stdinOpen && fds.size() > 1 && (fds[1].revents & (POLLIN | POLLHUP)))
      {
        char buf[256];
        const ssize_t n = read(0, buf, sizeof(buf));
        if (n <= 0)
          stdinOpen = false;
        else
          line.append(buf, static_cast<size_t>(n));
        for (size_t nl; (nl = line.find('\n')) != std::string::npos;)
        {
          const std::string cmd = line.substr(0, nl);
          line.erase(0, nl + 1);
          if (cmd == "close")
            closeEditor();
          else if (cmd == "open" && !view)
            openEditor();
          else if (cmd == "report")
            report();
          else if (cmd == "quit")
            running = false;
          std::fflush(stdout);
        }
      }
    }
    closeEditor();
    std::printf("audio blocks processed: %lld\n", audio.Blocks());
    plug.controller()->setComponentHandler(nullptr);
  }
  if (FUnknownPtr<IPluginFactory3> f3{factory})
    f3->setHostContext(nullptr);
  module.unload();
  XCloseDisplay(dpy);
  return rc;
}

} // namespace qhost
