// The X11 context against a real X server: popup menus, clipboard, pointer, tooltips. Needs
// DISPLAY; without a server it skips, unless QUELLOR_X11_TESTS=1 (the real-window step) makes that
// a failure.

#include "graphics/ICanvasX11.h"
#include "graphics/IVectorControls.h"
#include "plugin/IHostRunLoop.h"
#include "tests/graphics/GraphicsTestSupport.h"

// Before Xlib, whose macros (None, Bool) collide with its names.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace gtest_support;

namespace {

// A host run loop the test turns by hand.
class ManualRunLoop : public IHostRunLoop
{
public:
  int AddDescriptorHandler(int, Callback cb) override { return Add(std::move(cb)); }
  int AddTimer(int, Callback cb) override { return Add(std::move(cb)); }
  void Remove(int id) override { mCallbacks.erase(id); }
  int RegistrationCount() const override { return static_cast<int>(mCallbacks.size()); }
  void Turn()
  {
    const auto copy = mCallbacks;
    for (const auto& [id, cb] : copy)
      if (mCallbacks.count(id))
        cb();
  }

private:
  int Add(Callback cb)
  {
    mCallbacks[mNext] = std::move(cb);
    return mNext++;
  }
  std::map<int, Callback> mCallbacks;
  int mNext = 1;
};

// What reaches a control from its popup menu; kept outside the control, which the canvas owns.
struct Selection
{
  int count = 0;
  IPopupMenu* menu = nullptr;
  int idx = -2;
  std::string text;
};

class MenuControl : public IControl
{
public:
  MenuControl(const IRect& r, Selection& out) : IControl(r), mOut(out) {}
  void Draw(ICanvas&) override {}
  void OnPopupMenuSelection(IPopupMenu* menu, int) override
  {
    ++mOut.count;
    mOut.menu = menu;
    mOut.idx = menu ? menu->GetChosenItemIdx() : -1;
    mOut.text = menu && mOut.idx >= 0 ? menu->GetItem(mOut.idx)->text : "";
  }

private:
  Selection& mOut;
};

bool Required()
{
  const char* r = std::getenv("QUELLOR_X11_TESTS");
  return r && std::strcmp(r, "1") == 0;
}

struct OverlayWindow
{
  Window id = 0;
  int x = 0, y = 0, w = 0, h = 0;
};

class X11Canvas : public ::testing::Test
{
protected:
  void SetUp() override
  {
    XInitThreads(); // the clipboard test answers from a second connection on its own thread
    dpy = XOpenDisplay(nullptr);
    if (!dpy)
    {
      if (Required())
        FAIL() << "no X display";
      GTEST_SKIP() << "no X display";
    }
    DeclareTestParams(dlg);
    parent = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 100, 100, 300, 200, 0, 0, 0);
    XMapWindow(dpy, parent);
    XSync(dpy, False);
    g.SetHostRunLoop(&loop);
    ASSERT_NE(g.OpenWindow(reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent))), nullptr);
    Pump();
  }
  void TearDown() override
  {
    if (!dpy)
      return;
    g.CloseWindow();
    EXPECT_EQ(loop.RegistrationCount(), 0);
    if (parent)
      XDestroyWindow(dpy, parent);
    XCloseDisplay(dpy);
  }

  // Lets both connections exchange what is pending and the canvas run its frame steps.
  void Pump(int turns = 4)
  {
    for (int i = 0; i < turns; ++i)
    {
      XSync(dpy, False);
      loop.Turn();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    XSync(dpy, False);
  }
  // Pumps until `done` holds, for at most two seconds: the canvas's own connection reaches the
  // server on its own schedule, so what it maps or draws can be a turn or two behind ours.
  template <typename F>
  bool PumpUntil(F done)
  {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!done())
    {
      if (std::chrono::steady_clock::now() >= until)
        return false;
      Pump(1);
    }
    return true;
  }

  std::vector<OverlayWindow> Overlays(const char* name)
  {
    std::vector<OverlayWindow> found;
    Window root = 0, par = 0, *children = nullptr;
    unsigned n = 0;
    XQueryTree(dpy, DefaultRootWindow(dpy), &root, &par, &children, &n);
    for (unsigned i = 0; i < n; ++i)
    {
      char* wname = nullptr;
      XWindowAttributes a{};
      if (XFetchName(dpy, children[i], &wname) && wname && std::strcmp(wname, name) == 0 &&
          XGetWindowAttributes(dpy, children[i], &a) && a.map_state == IsViewable)
        found.push_back({children[i], a.x, a.y, a.width, a.height});
      if (wname)
        XFree(wname);
    }
    if (children)
      XFree(children);
    return found;
  }
  std::vector<OverlayWindow> Menus() { return Overlays("Quellor menu"); }

  // An event of `type` for window w, its header filled in.
  XEvent Event(int type, Window w) const
  {
    XEvent ev{};
    ev.xany.type = type;
    ev.xany.display = dpy;
    ev.xany.window = w;
    return ev;
  }
  void Key(Window w, KeySym sym, unsigned state = 0)
  {
    XEvent ev = Event(KeyPress, w);
    ev.xkey.root = DefaultRootWindow(dpy);
    ev.xkey.keycode = XKeysymToKeycode(dpy, sym);
    ev.xkey.state = state;
    ev.xkey.same_screen = True;
    XSendEvent(dpy, w, False, KeyPressMask, &ev);
    Pump();
  }
  void Button(Window w, int type, int x, int y, int rootX, int rootY, unsigned button = Button1)
  {
    XEvent ev = Event(type, w);
    ev.xbutton.root = DefaultRootWindow(dpy);
    ev.xbutton.button = button;
    ev.xbutton.x = x;
    ev.xbutton.y = y;
    ev.xbutton.x_root = rootX;
    ev.xbutton.y_root = rootY;
    ev.xbutton.state = type == ButtonRelease ? Button1Mask : 0;
    ev.xbutton.same_screen = True;
    ev.xbutton.time = ++clickTime;
    XSendEvent(dpy, w, False, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &ev);
    Pump();
  }
  // A pointer move inside the editor, with the button state given.
  void Motion(int x, int y, unsigned state, bool pump = true)
  {
    const Window w = static_cast<Window>(g.WindowId());
    XEvent ev = Event(MotionNotify, w);
    ev.xmotion.root = DefaultRootWindow(dpy);
    ev.xmotion.x = x;
    ev.xmotion.y = y;
    ev.xmotion.state = state;
    ev.xmotion.same_screen = True;
    XSendEvent(dpy, w, False, PointerMotionMask, &ev);
    if (pump)
      Pump();
  }
  // A control with a tooltip, the pointer resting on it until the tooltip shows; null if it
  // never does.
  IControl* ShowTooltip()
  {
    g.EnableTooltips(true);
    IControl* c = g.AttachControl(new ProbeControl(IRect(10, 10, 150, 60)));
    c->SetTooltip("A tip.");
    Pump();
    Motion(40, 30, 0);
    return PumpUntil([&] { return !Overlays("Quellor tooltip").empty(); }) ? c : nullptr;
  }
  // A click inside the editor at logical (x, y).
  void Click(float x, float y)
  {
    clickTime += 1000; // never a double-click
    const Window w = static_cast<Window>(g.WindowId());
    Button(w, ButtonPress, static_cast<int>(x), static_cast<int>(y), 0, 0);
    Button(w, ButtonRelease, static_cast<int>(x), static_cast<int>(y), 0, 0);
  }
  // Press and release on item i of a menu window, as a pointer does.
  void ClickItem(const OverlayWindow& m, int i)
  {
    const int y = static_cast<int>(6.f + 22.f * static_cast<float>(i) + 11.f);
    Button(m.id, ButtonPress, 20, y, m.x + 20, m.y + y);
    Button(m.id, ButtonRelease, 20, y, m.x + 20, m.y + y);
  }
  // Shows a menu for a control of its own, which reports into `sel`.
  void Show(std::unique_ptr<IPopupMenu> menu, Selection& sel)
  {
    auto* c = new MenuControl(IRect(0.f, 0.f, 50.f, 20.f), sel);
    g.AttachControl(c);
    g.CreatePopupMenu(*c, std::move(menu), c->GetRECT());
    Pump();
  }
  // Brightest red value in a horizontal band of a menu window (its text, in an item row).
  int RowBrightness(const OverlayWindow& m, int i)
  {
    const int top = static_cast<int>(6.f + 22.f * static_cast<float>(i));
    XImage* img = XGetImage(dpy, m.id, 0, top, static_cast<unsigned>(m.w), 22, AllPlanes, ZPixmap);
    if (!img)
      return -1;
    int best = 0;
    for (int y = 0; y < 22; ++y)
      for (int x = 20; x < m.w - 20; ++x)
        best = std::max(best, static_cast<int>((XGetPixel(img, x, y) >> 16) & 0xFF));
    XDestroyImage(img);
    return best;
  }

  Display* dpy = nullptr;
  Window parent = 0;
  Time clickTime = 1;
  ManualRunLoop loop;
  RecordingDelegate dlg{4};
  ICanvasX11 g{&dlg, 300, 200};
};

} // namespace

// A menu-kind value box (an enumeration) opens a menu of its values drawn in a window of its own;
// the keyboard walks it and Return chooses; Escape and a click away close it choosing nothing;
// a click on an item chooses that item.
TEST_F(X11Canvas, EnumerationMenuByKeyboardClickAndClickAway)
{
  auto* box =
      new ICaptionControl(IRect(10.f, 10.f, 110.f, 36.f), 2, IText(14.f, COLOR_WHITE), COLOR_BLACK);
  g.AttachControl(box);
  Pump();

  // Opens the value box's menu; after each way of closing it, no menu is left or pending.
  auto open = [&] {
    Click(50.f, 20.f);
    PumpUntil([&] { return Menus().size() == 1; });
    const std::vector<OverlayWindow> menus = Menus();
    EXPECT_EQ(menus.size(), 1u);
    EXPECT_TRUE(g.PopupMenuPending());
    return menus.empty() ? OverlayWindow{} : menus[0];
  };
  auto closed = [&] { return Menus().empty() && !g.PopupMenuPending(); };

  OverlayWindow m = open();
  EXPECT_GE(m.h, 3 * 22); // three values
  EXPECT_TRUE(PumpUntil([&] { return RowBrightness(m, 0) > 200; }));
  for (KeySym k : {XK_Down, XK_Down, XK_Down, XK_Return})
    Key(m.id, k);
  EXPECT_TRUE(PumpUntil(closed));
  EXPECT_EQ(dlg.GetParam(2)->GetValue(), 2.0); // "High"

  m = open();
  Key(m.id, XK_Down);
  Key(m.id, XK_Escape);
  EXPECT_TRUE(PumpUntil(closed));
  EXPECT_EQ(dlg.GetParam(2)->GetValue(), 2.0);

  m = open();
  Button(m.id, ButtonPress, -5, -5, m.x - 5, m.y - 5);
  EXPECT_TRUE(PumpUntil(closed));
  EXPECT_EQ(dlg.GetParam(2)->GetValue(), 2.0);

  m = open();
  ClickItem(m, 1);
  EXPECT_TRUE(PumpUntil(closed));
  EXPECT_EQ(dlg.GetParam(2)->GetValue(), 1.0); // "Mid"
}

// Disabled items are drawn dimmer and skipped by the keyboard; a sub-menu opens beside its item,
// Left closes only it, and choosing inside it reports the sub-menu and its item.
TEST_F(X11Canvas, NestedMenuWithDisabledItem)
{
  auto menu = std::make_unique<IPopupMenu>("test");
  menu->AddItem("Alpha");
  menu->AddItem("Beta", IPopupMenu::kDisabled);
  auto sub = std::make_unique<IPopupMenu>("sub");
  sub->AddItem("Deep");
  sub->AddItem("Deeper", IPopupMenu::kChecked);
  IPopupMenu* subPtr = sub.get();
  menu->AddSubmenu("More", std::move(sub));
  Selection sel;
  Show(std::move(menu), sel);

  ASSERT_TRUE(PumpUntil([&] { return Menus().size() == 1; }));
  std::vector<OverlayWindow> menus = Menus();
  ASSERT_TRUE(PumpUntil([&] { return RowBrightness(menus[0], 0) > 200; }));
  const int enabled = RowBrightness(menus[0], 0), disabled = RowBrightness(menus[0], 1);
  EXPECT_GT(enabled, disabled + 50) << "enabled " << enabled << ", disabled " << disabled;
  Key(menus[0].id, XK_Down); // Alpha
  Key(menus[0].id, XK_Down); // skips Beta: More
  Key(menus[0].id, XK_Right);
  ASSERT_TRUE(PumpUntil([&] { return Menus().size() == 2; }));
  menus = Menus();
  Key(menus[0].id, XK_Left);
  EXPECT_TRUE(PumpUntil([&] { return Menus().size() == 1; }));
  EXPECT_EQ(sel.count, 0);
  Key(menus[0].id, XK_Right);
  Key(menus[0].id, XK_Down);
  Key(menus[0].id, XK_Down);
  Key(menus[0].id, XK_Return);
  EXPECT_TRUE(PumpUntil([&] { return Menus().empty(); }));
  EXPECT_EQ(sel.count, 1);
  EXPECT_EQ(sel.menu, subPtr);
  EXPECT_EQ(sel.text, "Deeper");
}

// Closing the window with a menu open takes the menu away and tells the control nothing was
// chosen.
TEST_F(X11Canvas, ClosingWithAMenuOpen)
{
  auto menu = std::make_unique<IPopupMenu>("test");
  menu->AddItem("Alpha");
  Selection sel;
  Show(std::move(menu), sel);
  ASSERT_TRUE(PumpUntil([&] { return Menus().size() == 1; }));
  g.CloseWindow();
  EXPECT_TRUE(PumpUntil([&] { return Menus().empty(); }));
  EXPECT_EQ(sel.count, 1);
  EXPECT_EQ(sel.menu, nullptr);
  EXPECT_FALSE(g.PopupMenuPending());
  EXPECT_EQ(loop.RegistrationCount(), 0);
}

namespace {

// Another client owning CLIPBOARD, answering requests for UTF-8 text on its own connection.
class ClipboardOwner
{
public:
  ClipboardOwner(std::string text, bool answers) : mText(std::move(text)), mAnswers(answers)
  {
    mThread = std::thread([this] { Run(); });
    while (!mReady)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~ClipboardOwner()
  {
    mStop = true;
    mThread.join();
  }
  int Answered() const { return mAnswered; }

private:
  void Run()
  {
    Display* d = XOpenDisplay(nullptr);
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    const Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    XSetSelectionOwner(d, clipboard, w, CurrentTime);
    XSync(d, False);
    mReady = true;
    while (!mStop)
    {
      while (XPending(d) > 0)
      {
        XEvent ev;
        XNextEvent(d, &ev);
        if (ev.type != SelectionRequest || !mAnswers)
          continue;
        const XSelectionRequestEvent& rq = ev.xselectionrequest;
        XEvent reply{};
        reply.xselection.type = SelectionNotify;
        reply.xselection.requestor = rq.requestor;
        reply.xselection.selection = rq.selection;
        reply.xselection.target = rq.target;
        reply.xselection.time = rq.time;
        reply.xselection.property = None;
        if (rq.target == utf8)
        {
          XChangeProperty(d, rq.requestor, rq.property, utf8, 8, PropModeReplace,
                          reinterpret_cast<const unsigned char*>(mText.data()),
                          static_cast<int>(mText.size()));
          reply.xselection.property = rq.property;
        }
        ++mAnswered; // before the reply: the canvas may read it and the test check at once
        XSendEvent(d, rq.requestor, False, 0, &reply);
        XFlush(d);
      }
      pollfd p{ConnectionNumber(d), POLLIN, 0};
      poll(&p, 1, 5);
    }
    XDestroyWindow(d, w);
    XCloseDisplay(d);
  }

  std::string mText;
  bool mAnswers;
  std::atomic<bool> mReady{false}, mStop{false};
  std::atomic<int> mAnswered{0};
  std::thread mThread;
};

} // namespace

// Text the editor puts on the clipboard is served to other clients as UTF-8 (and listed in
// TARGETS); text another client owns is read back; no owner, or one that never answers, gives a
// clean "nothing".
TEST_F(X11Canvas, ClipboardBothWays)
{
  const Atom clipboard = XInternAtom(dpy, "CLIPBOARD", False);
  const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
  const Atom targets = XInternAtom(dpy, "TARGETS", False);
  const Atom prop = XInternAtom(dpy, "QUELLOR_TEST_PASTE", False);
  const Window me = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
  auto request = [&](Atom target, Atom& type, std::string& bytes, int& format) -> bool {
    XConvertSelection(dpy, clipboard, target, prop, me, CurrentTime);
    XEvent ev;
    for (int i = 0; i < 100; ++i)
    {
      Pump(1);
      if (XCheckTypedWindowEvent(dpy, me, SelectionNotify, &ev))
      {
        if (ev.xselection.property == None)
          return false;
        unsigned long n = 0, rest = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(dpy, me, prop, 0, 1024, True, AnyPropertyType, &type, &format, &n, &rest,
                           &data);
        const size_t unit = format == 32 ? sizeof(long) : static_cast<size_t>(format / 8);
        bytes.assign(reinterpret_cast<const char*>(data), n * unit);
        XFree(data);
        return true;
      }
    }
    return false;
  };

  const std::string text = "-12.5 dB \xc2\xb5"; // with a two-byte character
  ASSERT_TRUE(g.SetClipboardText(text.c_str()));
  EXPECT_EQ(XGetSelectionOwner(dpy, clipboard), static_cast<Window>(g.WindowId()));
  Atom type = 0;
  int format = 0;
  std::string got;
  ASSERT_TRUE(request(utf8, type, got, format));
  EXPECT_EQ(type, utf8);
  EXPECT_EQ(got, text);
  ASSERT_TRUE(request(targets, type, got, format));
  ASSERT_EQ(format, 32);
  bool listsUtf8 = false;
  for (size_t i = 0; i + sizeof(long) <= got.size(); i += sizeof(long))
    listsUtf8 =
        listsUtf8 || *reinterpret_cast<const long*>(got.data() + i) == static_cast<long>(utf8);
  EXPECT_TRUE(listsUtf8);
  std::string own;
  EXPECT_TRUE(g.GetClipboardText(own));
  EXPECT_EQ(own, text);

  {
    ClipboardOwner other("-3.25", true);
    Pump(); // the canvas learns it lost the selection
    std::string read;
    EXPECT_TRUE(g.GetClipboardText(read));
    EXPECT_EQ(read, "-3.25");
    EXPECT_EQ(other.Answered(), 1);
  }
  Pump();
  std::string none = "unchanged";
  EXPECT_FALSE(g.GetClipboardText(none)); // the owner left: no owner now
  {
    ClipboardOwner silent("never", false);
    Pump();
    EXPECT_FALSE(g.GetClipboardText(none));
  }
  EXPECT_EQ(none, "unchanged");
  XDestroyWindow(dpy, me);
}

// Control+V in a value box pastes the clipboard through the box's filter; Return commits it.
TEST_F(X11Canvas, PasteIntoValueBox)
{
  auto* box =
      new ICaptionControl(IRect(10.f, 10.f, 110.f, 36.f), 0, IText(14.f, COLOR_WHITE), COLOR_BLACK);
  g.AttachControl(box);
  Pump();
  ClipboardOwner other("-12.5", true);
  Click(50.f, 20.f);
  ASSERT_TRUE(g.TextEntryPending());
  const Window w = static_cast<Window>(g.WindowId());
  Key(w, XK_v, ControlMask);
  Key(w, XK_Return);
  EXPECT_FALSE(g.TextEntryPending());
  EXPECT_NEAR(dlg.GetParam(0)->GetValue(), -12.5, 1e-9);
  EXPECT_EQ(other.Answered(), 1);
}

// Side buttons (8, 9) do nothing: their release is not handled, so a press that reached a control
// would leave its gesture open and the control captured.
TEST_F(X11Canvas, SideButtonsReachNoControl)
{
  g.AttachControl(new IVectorToggleControl(IRect(10, 10, 90, 40), 3));
  Pump();
  const Window w = static_cast<Window>(g.WindowId());
  for (unsigned b : {8u, 9u})
  {
    Button(w, ButtonPress, 50, 25, 0, 0, b);
    Button(w, ButtonRelease, 50, 25, 0, 0, b);
  }
  EXPECT_TRUE(dlg.log.empty());
  EXPECT_FALSE(g.ControlIsCaptured());
  Click(50, 25);
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"B3", "S3", "E3"}));
}

// A slider dragged with the hidden, locked pointer: moves that queue up before the pointer's jump
// back is seen count once each, not each again from the hidden point.
TEST_F(X11Canvas, QueuedDragMovesCountTheirOwnTravel)
{
  IControl* slider = g.AttachControl(new IVectorSliderControl(
      IRect(20, 20, 220, 50), -1, "", DEFAULT_STYLE, EDirection::Horizontal, 8.f, 2.f, 4.0));
  Pump();
  // The canvas warps the real pointer; it goes back where it was for the checks that follow.
  Window rootRet = 0, childRet = 0;
  int px = 0, py = 0, wx = 0, wy = 0;
  unsigned mask = 0;
  XQueryPointer(dpy, DefaultRootWindow(dpy), &rootRet, &childRet, &px, &py, &wx, &wy, &mask);
  const Window w = static_cast<Window>(g.WindowId());
  Button(w, ButtonPress, 120, 35, 0, 0);
  ASSERT_TRUE(g.CursorIsHidden());
  const double v0 = slider->GetValue();
  Motion(130, 35, Button1Mask, false);
  Motion(140, 35, Button1Mask, false); // queued behind the first: 10 pixels more, not 20
  Pump();
  Button(w, ButtonRelease, 120, 35, 0, 0);
  XWarpPointer(dpy, 0, DefaultRootWindow(dpy), 0, 0, 0, 0, px, py);
  Pump();
  // 20 pixels along a 192-pixel track at gearing 4.
  EXPECT_NEAR(slider->GetValue() - v0, 20.0 / 192.0 / 4.0, 1e-6);
}

// A tooltip never comes back for a pointer that has left the editor.
TEST_F(X11Canvas, NoTooltipAfterThePointerLeaves)
{
  IControl* c = ShowTooltip();
  ASSERT_NE(c, nullptr);
  const Window w = static_cast<Window>(g.WindowId());
  XEvent ev = Event(LeaveNotify, w);
  ev.xcrossing.mode = NotifyNormal;
  ev.xcrossing.x = 40;
  ev.xcrossing.y = -5;
  XSendEvent(dpy, w, False, LeaveWindowMask, &ev);
  Pump(40); // well past the hover delay
  EXPECT_TRUE(Overlays("Quellor tooltip").empty());
}

// A web address opens in a process that holds none of the host's descriptors and is no child of
// the host (here a stand-in xdg-open that reports what it got).
TEST(X11OpenUrl, TheOpenerInheritsNoDescriptorAndIsNoChildOfTheHost)
{
  char dir[] = "/tmp/quellor-xdg.XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string out = std::string(dir) + "/report";
  {
    std::ofstream script(std::string(dir) + "/xdg-open");
    script << "#!/bin/sh\nls /proc/$$/fd > \"" << out << ".tmp\"\necho ppid $PPID >> \"" << out
           << ".tmp\"\nmv \"" << out << ".tmp\" \"" << out << "\"\n";
  }
  chmod((std::string(dir) + "/xdg-open").c_str(), 0755);
  const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
  setenv("PATH", (std::string(dir) + ":" + oldPath).c_str(), 1);
  // Inheritable, as a host's descriptors often are, and numbered well above what a shell opens.
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  const int fds[2] = {fcntl(pipeFds[0], F_DUPFD, 200), fcntl(pipeFds[1], F_DUPFD, 200)};
  close(pipeFds[0]);
  close(pipeFds[1]);
  ASSERT_GE(fds[0], 200);

  RecordingDelegate d;
  ICanvasX11 g(&d, 100, 100);
  EXPECT_TRUE(g.OpenURL("https://quellor.audio/"));
  EXPECT_FALSE(g.OpenURL("--help")); // no options through an address
  std::string report;
  for (int i = 0; i < 500 && report.empty(); ++i)
  {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(out);
    report.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  setenv("PATH", oldPath.c_str(), 1);
  close(fds[0]);
  close(fds[1]);
  ASSERT_FALSE(report.empty()) << "the stand-in opener never ran";
  std::istringstream lines(report);
  std::string word;
  std::vector<int> open;
  int ppid = -1;
  while (lines >> word)
  {
    if (word == "ppid")
      lines >> ppid;
    else
      open.push_back(std::atoi(word.c_str()));
  }
  EXPECT_EQ(std::count(open.begin(), open.end(), fds[0]), 0) << report;
  EXPECT_EQ(std::count(open.begin(), open.end(), fds[1]), 0) << report;
  EXPECT_NE(ppid, static_cast<int>(getpid()));
  std::remove(out.c_str());
  std::remove((std::string(dir) + "/xdg-open").c_str());
  rmdir(dir);
}

// A host that destroys its window before removing the view takes ours with it. The canvas must
// stop drawing there: an X error would end the host's process (here, the test's).
TEST_F(X11Canvas, AWindowDestroyedUnderTheEditorEndsItsDrawing)
{
  IControl* c = ShowTooltip();
  ASSERT_NE(c, nullptr);
  XDestroyWindow(dpy, parent);
  parent = 0;
  XSync(dpy, False);
  for (int i = 0; i < 10; ++i)
  {
    c->MarkDirty(false); // something to draw at every frame step
    Pump(1);
  }
  EXPECT_FALSE(g.WindowIsOpen());
  EXPECT_TRUE(Overlays("Quellor tooltip").empty());
}
