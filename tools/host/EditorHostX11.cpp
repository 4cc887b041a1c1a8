// quellor-host --editor on Linux: top-level X windows of our own holding the editor's embedded
// window (IPlugView::attached(window, "X11EmbedWindowID")), and a poll over the X connection and
// the descriptors registered with the host's run loop, whose timers it runs. Closing a host
// window through the window manager ends the host; keys that reach it are reported as "hostkey"
// (X key codes).

#include "tools/host/EditorWindows.h"

#include "tools/host/RunLoop.h"
#include "tools/quellor-render/WavFile.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <cstdint>

namespace qhost::editorhost {

namespace {

Window Top(void* top)
{
  return static_cast<Window>(reinterpret_cast<std::uintptr_t>(top));
}

class X11HostWindows : public HostWindows
{
public:
  explicit X11HostWindows(Display* display)
      : mDpy(display), mWmDelete(XInternAtom(display, "WM_DELETE_WINDOW", False))
  {}
  ~X11HostWindows() override { XCloseDisplay(mDpy); }

  Steinberg::FIDString PlatformType() const override
  {
    return Steinberg::kPlatformTypeX11EmbedWindowID;
  }

  void* OpenTop(int index, int w, int h) override
  {
    Window top = XCreateSimpleWindow(mDpy, DefaultRootWindow(mDpy), 60 * index, 40 * index,
                                     static_cast<unsigned>(w), static_cast<unsigned>(h), 0, 0, 0);
    XStoreName(mDpy, top, "quellor-host");
    XSetWMProtocols(mDpy, top, &mWmDelete, 1);
    XSelectInput(mDpy, top, StructureNotifyMask | KeyPressMask | KeyReleaseMask);
    XMapWindow(mDpy, top);
    XSync(mDpy, False);
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(top));
  }
  void CloseTop(void* top) override
  {
    XDestroyWindow(mDpy, Top(top));
    XSync(mDpy, False);
  }
  void SetClientSize(void* top, int w, int h) override
  {
    XResizeWindow(mDpy, Top(top), static_cast<unsigned>(w), static_cast<unsigned>(h));
  }

  bool Describe(void* top, EditorWindowInfo& info) override
  {
    XSync(mDpy, False);
    const Window child = FirstChild(Top(top));
    XWindowAttributes a;
    if (!child || !XGetWindowAttributes(mDpy, child, &a))
      return false;
    int x = 0, y = 0;
    Window unused = 0;
    XTranslateCoordinates(mDpy, child, DefaultRootWindow(mDpy), 0, 0, &x, &y, &unused);
    info.x = x;
    info.y = y;
    info.width = a.width;
    info.height = a.height;
    info.presentation = "x11"; // MIT-SHM or XPutImage: the editor does not say which
    info.id = child;
    return true;
  }
  void HostSize(void* top, int& w, int& h) override
  {
    XWindowAttributes a;
    if (XGetWindowAttributes(mDpy, Top(top), &a))
    {
      w = a.width;
      h = a.height;
    }
  }

  bool Pump(RunLoop* loop, int milliseconds) override
  {
    std::vector<pollfd> fds;
    fds.push_back({ConnectionNumber(mDpy), POLLIN, 0});
    if (loop)
      for (int fd : loop->descriptors())
        fds.push_back({fd, POLLIN, 0});
    poll(fds.data(), fds.size(), milliseconds);
    if (loop)
      loop->runDue();
    bool open = true;
    while (XPending(mDpy) > 0)
    {
      XEvent ev;
      XNextEvent(mDpy, &ev);
      if (ev.type == ClientMessage && static_cast<Atom>(ev.xclient.data.l[0]) == mWmDelete)
        open = false;
      else if (ev.type == KeyPress || ev.type == KeyRelease)
        Say("hostkey %s %u", ev.type == KeyPress ? "down" : "up", ev.xkey.keycode);
    }
    return open;
  }

  // The X11 editor's text entry is drawn inside its own window: nothing the host can read.
  bool EntryText(void*, std::string&) override { return false; }
  bool SendKey(void*, int) override { return false; }
  std::string ClassInfo(bool) override { return "unavailable"; }

  bool SampleAvailable() const override { return false; }
  bool OpenSample(int, void*) override { return false; }
  void CloseSample(int) override {}
  bool SampleSize(int, int&, int&) override { return false; }
  bool SampleParam(int, double&) override { return false; }
  void ReportSampleControls() override { Say("controls unavailable"); }
  bool WriteSampleHeadless(const std::string&) override { return false; }

private:
  Window FirstChild(Window w)
  {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    Window found = 0;
    if (XQueryTree(mDpy, w, &root, &parent, &children, &n) && n > 0)
      found = children[0];
    if (children)
      XFree(children);
    return found;
  }

  Display* mDpy;
  Atom mWmDelete;
};

} // namespace

std::unique_ptr<HostWindows> MakeHostWindows(std::string& error)
{
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy)
  {
    error = "cannot open the X display";
    return nullptr;
  }
  return std::make_unique<X11HostWindows>(dpy);
}

bool ReadProgrammeFile(const std::string& path, std::vector<std::vector<float>>& channels,
                       double& sampleRate, std::string& error)
{
  AudioData audio;
  if (!ReadAudioFile(path, audio, error))
    return false;
  channels = std::move(audio.channels);
  sampleRate = audio.sampleRate;
  return true;
}

} // namespace qhost::editorhost
