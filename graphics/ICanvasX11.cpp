#include "graphics/ICanvasX11.h"

#include "graphics/IDirtyPixels.h"
#include "graphics/IFramePacing.h"
#include "graphics/IOverlayPictures.h"
#include "graphics/IPlatformTables.h"
#include "plugin/IEditorDelegate.h"
#include "plugin/IHostRunLoop.h"
#include "plugin/IParam.h"
#include "utf8/Utf8.h"

// Xlib defines None as a macro: the entry states' names are taken before its headers.
namespace plugfw::ui {
constexpr ETextEntryState kEntryNone = ETextEntryState::None;
constexpr ETextEntryAction kNoEntryAction = ETextEntryAction::None;
// (CursorShape is a macro there too.)
inline const ICursorShape& CursorEntry(ECursor c)
{
  return CursorShape(c);
}
} // namespace plugfw::ui

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace plugfw::ui {

namespace {

constexpr unsigned kDoubleClickMs = 400; // by time and by distance, as desktops default
constexpr int kDoubleClickSlop = 4;      // pixels
constexpr int kTooltipDelayFrames = 15;  // about half a second at 30 frames per second
constexpr float kMenuItemHeight = 22.f;
constexpr float kMenuPad = 6.f;

// X errors during the few calls that may fail for reasons outside our control (a parent window
// that is gone, shared memory a remote server cannot attach) are caught, not fatal.
bool gXError = false;
int TrapXError(Display*, XErrorEvent*)
{
  gXError = true;
  return 0;
}

struct ErrorTrap
{
  Display* dpy;
  int (*previous)(Display*, XErrorEvent*);
  explicit ErrorTrap(Display* d) : dpy(d)
  {
    XSync(dpy, False);
    gXError = false;
    previous = XSetErrorHandler(TrapXError);
  }
  // True when no error arrived since construction.
  bool Ok()
  {
    XSync(dpy, False);
    return !gXError;
  }
  ~ErrorTrap()
  {
    XSync(dpy, False);
    XSetErrorHandler(previous);
  }
};

int ShiftOf(unsigned long mask)
{
  int s = 0;
  while (mask && !(mask & 1ul))
  {
    mask >>= 1;
    ++s;
  }
  return s;
}

} // namespace

// One open popup menu level: an override-redirect window drawn with its own renderer.
struct MenuLevel
{
  IPopupMenu* menu = nullptr;
  Window win = 0;
  int x = 0, y = 0, w = 0, h = 0; // root coordinates, pixels
  int hot = -1;
  std::unique_ptr<IRenderer> renderer;
};

struct ICanvasX11::X
{
  Display* dpy = nullptr;
  Window parent = 0, win = 0;
  Visual* visual = nullptr;
  Colormap colormap = 0;
  GC gc = nullptr;
  int rshift = 16, gshift = 8, bshift = 0;

  XImage* image = nullptr;
  XShmSegmentInfo shm{};
  bool useShm = false;
  std::vector<char> plain; // image memory of the XPutImage path
  int imgW = 0, imgH = 0;

  int fdId = 0, timerId = 0;
  Cursor cursors[14] = {};
  Cursor blank = 0;
  ECursor cursor = ECursor::Arrow;
  bool cursorHidden = false, cursorLocked = false;
  float hiddenX = 0.f, hiddenY = 0.f;

  Atom clipboard = 0, utf8 = 0, targets = 0, xembedInfo = 0, transfer = 0;
  std::string clipText;
  bool ownsClipboard = false;

  Time lastPressTime = 0;
  unsigned lastPressButton = 0;
  int lastPressX = -100, lastPressY = -100;
  float lastX = 0.f, lastY = 0.f;
  bool pointerInside = false;

  Window tipWin = 0;
  int tipIdx = -1, tipTicks = 0;
  bool tipShown = false;
  std::unique_ptr<IRenderer> tipRenderer;

  std::vector<MenuLevel> menus;
  bool menuPointerUsed = false;

  std::vector<pid_t> children; // xdg-open processes not yet reaped
};

ICanvasX11::ICanvasX11(IEditorDelegate* dlg, int w, int h, int fps, float scale)
    : ICanvas(dlg, w, h, fps, scale)
{}

ICanvasX11::~ICanvasX11()
{
  CloseWindow();
}

bool ICanvasX11::WindowIsOpen() const
{
  return mX && mX->win;
}

unsigned long ICanvasX11::WindowId() const
{
  return mX ? mX->win : 0;
}

float ICanvasX11::ReadScreenScale() const
{
  // Xft.dpi from the server's resource string; 1 when unset or unusable.
  const char* res = mX ? XResourceManagerString(mX->dpy) : nullptr;
  if (!res)
    return 1.f;
  const char* p = std::strstr(res, "Xft.dpi:");
  if (!p)
    return 1.f;
  const double dpi = std::strtod(p + 8, nullptr);
  if (!(dpi >= 24.0 && dpi <= 960.0))
    return 1.f;
  return static_cast<float>(dpi / 96.0);
}

namespace {

void FreeImage(Display* dpy, XImage*& image, XShmSegmentInfo& shm, bool& useShm,
               std::vector<char>& plain)
{
  if (!image)
    return;
  if (useShm)
  {
    XShmDetach(dpy, &shm);
    XSync(dpy, False);
    shmdt(shm.shmaddr);
    shm = XShmSegmentInfo{};
  }
  image->data = nullptr; // the memory is ours (shared segment or vector), not Xlib's
  XDestroyImage(image);
  image = nullptr;
  plain.clear();
  useShm = false;
}

bool MakeShmImage(Display* dpy, Visual* visual, int w, int h, XImage*& image, XShmSegmentInfo& shm)
{
  if (!XShmQueryExtension(dpy))
    return false;
  image = XShmCreateImage(dpy, visual, 24, ZPixmap, nullptr, &shm, static_cast<unsigned>(w),
                          static_cast<unsigned>(h));
  if (!image)
    return false;
  const size_t bytes = static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(h);
  shm.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (shm.shmid < 0)
  {
    XDestroyImage(image);
    image = nullptr;
    return false;
  }
  shm.shmaddr = static_cast<char*>(shmat(shm.shmid, nullptr, 0));
  if (shm.shmaddr == reinterpret_cast<char*>(-1))
  {
    shmctl(shm.shmid, IPC_RMID, nullptr);
    XDestroyImage(image);
    image = nullptr;
    return false;
  }
  image->data = shm.shmaddr;
  shm.readOnly = False;
  bool attached = false;
  {
    // A remote server cannot reach our memory: the attach fails there with an X error.
    ErrorTrap trap(dpy);
    attached = XShmAttach(dpy, &shm) && trap.Ok();
  }
  shmctl(shm.shmid, IPC_RMID, nullptr); // freed once both sides detach
  if (!attached)
  {
    shmdt(shm.shmaddr);
    image->data = nullptr;
    XDestroyImage(image);
    image = nullptr;
    shm = XShmSegmentInfo{};
    return false;
  }
  return true;
}

bool MakeImage(Display* dpy, Visual* visual, int w, int h, XImage*& image, XShmSegmentInfo& shm,
               bool& useShm, std::vector<char>& plain)
{
  if (w <= 0 || h <= 0)
    return false;
  const char* noShm = std::getenv("QUELLOR_X11_NO_SHM");
  const bool allowShm = !(noShm && *noShm && std::strcmp(noShm, "0") != 0);
  if (allowShm && MakeShmImage(dpy, visual, w, h, image, shm))
  {
    useShm = true;
    return true;
  }
  useShm = false;
  image = XCreateImage(dpy, visual, 24, ZPixmap, 0, nullptr, static_cast<unsigned>(w),
                       static_cast<unsigned>(h), 32, 0);
  if (!image)
    return false;
  plain.assign(static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(h), 0);
  image->data = plain.data();
  return true;
}

// Copies a region of a premultiplied RGBA pixmap into a 32-bit image (composited on black).
void ConvertRegion(const IPixmap& src, XImage* dst, int x, int y, int w, int h, int rs, int gs,
                   int bs)
{
  const int x1 = std::min({x + w, src.Width(), dst->width});
  const int y1 = std::min({y + h, src.Height(), dst->height});
  for (int j = std::max(0, y); j < y1; ++j)
  {
    const uint8_t* s = src.Row(j) + 4 * std::max(0, x);
    auto* d = reinterpret_cast<uint32_t*>(
                  dst->data + static_cast<size_t>(j) * static_cast<size_t>(dst->bytes_per_line)) +
              std::max(0, x);
    for (int i = std::max(0, x); i < x1; ++i, s += 4)
      *d++ = (static_cast<uint32_t>(s[0]) << rs) | (static_cast<uint32_t>(s[1]) << gs) |
             (static_cast<uint32_t>(s[2]) << bs);
  }
}

// Puts a whole pixmap into a window through a temporary image (menus and tooltips: small).
void PutPixmap(Display* dpy, Window win, GC gc, Visual* visual, const IPixmap& pix, int rs, int gs,
               int bs)
{
  if (pix.Empty())
    return;
  XImage* img =
      XCreateImage(dpy, visual, 24, ZPixmap, 0, nullptr, static_cast<unsigned>(pix.Width()),
                   static_cast<unsigned>(pix.Height()), 32, 0);
  if (!img)
    return;
  std::vector<char> mem(static_cast<size_t>(img->bytes_per_line) *
                        static_cast<size_t>(pix.Height()));
  img->data = mem.data();
  ConvertRegion(pix, img, 0, 0, pix.Width(), pix.Height(), rs, gs, bs);
  XPutImage(dpy, win, gc, img, 0, 0, 0, 0, static_cast<unsigned>(pix.Width()),
            static_cast<unsigned>(pix.Height()));
  img->data = nullptr;
  XDestroyImage(img);
}

enum class EOverlay
{
  Menu,
  Tooltip
};

// An override-redirect window for a menu level or a tooltip. Named and typed, so compositors
// treat it as the popup it is and tests can find it.
Window MakeOverlayWindow(Display* dpy, Visual* visual, Colormap cmap, int x, int y, int w, int h,
                         EOverlay kind)
{
  XSetWindowAttributes a{};
  a.override_redirect = True;
  a.colormap = cmap;
  a.border_pixel = 0;
  a.background_pixel = 0;
  a.event_mask =
      ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
  Window w0 = XCreateWindow(
      dpy, DefaultRootWindow(dpy), x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), 0, 24,
      InputOutput, visual,
      CWOverrideRedirect | CWColormap | CWBorderPixel | CWBackPixel | CWEventMask, &a);
  const bool tip = kind == EOverlay::Tooltip;
  XStoreName(dpy, w0, tip ? "Quellor tooltip" : "Quellor menu");
  const Atom type = XInternAtom(dpy, "_NET_WM_WINDOW_TYPE", False);
  const Atom value = XInternAtom(
      dpy, tip ? "_NET_WM_WINDOW_TYPE_TOOLTIP" : "_NET_WM_WINDOW_TYPE_POPUP_MENU", False);
  XChangeProperty(dpy, w0, type, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&value), 1);
  XMapRaised(dpy, w0);
  return w0;
}

IMouseMod ModsOf(unsigned state)
{
  IMouseMod m;
  m.L = state & Button1Mask;
  m.R = state & Button3Mask;
  m.S = state & ShiftMask;
  m.C = state & ControlMask;
  m.A = state & Mod1Mask;
  return m;
}

} // namespace

void* ICanvasX11::OpenWindow(void* parent)
{
  if (mX && mX->win)
    CloseWindow();
  const auto parentId = static_cast<Window>(reinterpret_cast<std::uintptr_t>(parent));
  if (!mRunLoop || parentId == 0)
    return nullptr;
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy)
    return nullptr;
  auto x = std::make_unique<X>();
  x->dpy = dpy;
  x->parent = parentId;
  XVisualInfo vi{};
  bool parentOk = false;
  {
    ErrorTrap trap(dpy);
    XWindowAttributes pa{};
    parentOk = XGetWindowAttributes(dpy, parentId, &pa) && trap.Ok();
  }
  if (!parentOk || !XMatchVisualInfo(dpy, DefaultScreen(dpy), 24, TrueColor, &vi))
  {
    XCloseDisplay(dpy);
    return nullptr;
  }
  mX = std::move(x);
  mX->visual = vi.visual;
  mX->rshift = ShiftOf(vi.red_mask);
  mX->gshift = ShiftOf(vi.green_mask);
  mX->bshift = ShiftOf(vi.blue_mask);
  mX->colormap = XCreateColormap(dpy, DefaultRootWindow(dpy), vi.visual, AllocNone);

  SetScreenScale(ReadScreenScale()); // before the window: no window to resize yet
  const int w = WindowWidth(), h = WindowHeight();
  XSetWindowAttributes a{};
  a.colormap = mX->colormap;
  a.border_pixel = 0;
  a.background_pixmap = None; // every pixel comes from our frame
  a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                 KeyPressMask | KeyReleaseMask | EnterWindowMask | LeaveWindowMask |
                 FocusChangeMask | StructureNotifyMask;
  {
    ErrorTrap trap(dpy);
    mX->win = XCreateWindow(dpy, parentId, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h),
                            0, 24, InputOutput, vi.visual,
                            CWColormap | CWBorderPixel | CWBackPixmap | CWEventMask, &a);
    if (!trap.Ok())
      mX->win = 0;
  }
  if (!mX->win)
  {
    CloseWindow();
    return nullptr;
  }
  mX->xembedInfo = XInternAtom(dpy, "_XEMBED_INFO", False);
  const long info[2] = {0, 1}; // protocol version 0, mapped
  XChangeProperty(dpy, mX->win, mX->xembedInfo, mX->xembedInfo, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(info), 2);
  mX->clipboard = XInternAtom(dpy, "CLIPBOARD", False);
  mX->utf8 = XInternAtom(dpy, "UTF8_STRING", False);
  mX->targets = XInternAtom(dpy, "TARGETS", False);
  mX->transfer = XInternAtom(dpy, "QUELLOR_SELECTION", False);
  mX->gc = XCreateGC(dpy, mX->win, 0, nullptr);
  if (!MakeImage(dpy, vi.visual, w, h, mX->image, mX->shm, mX->useShm, mX->plain))
  {
    CloseWindow();
    return nullptr;
  }
  mX->imgW = w;
  mX->imgH = h;
  XMapWindow(dpy, mX->win);
  XFlush(dpy);

  mX->fdId = mRunLoop->AddDescriptorHandler(ConnectionNumber(dpy), [this] { OnReadable(); });
  mX->timerId = mRunLoop->AddTimer(FrameTimerPeriodMs(FPS()), [this] { FrameStep(); });
  if (!mX->fdId || !mX->timerId)
  {
    CloseWindow();
    return nullptr;
  }
  SetPlatformCursor(ECursor::Arrow);
  if (mDelegate)
    mDelegate->OnEditorOpen();
  SetAllControlsDirty();
  return reinterpret_cast<void*>(static_cast<std::uintptr_t>(mX->win));
}

void ICanvasX11::CloseWindow()
{
  if (!mX)
  {
    RemoveAllControls();
    return;
  }
  // The host's loop must never call into a window that is going.
  if (mRunLoop)
  {
    if (mX->fdId)
      mRunLoop->Remove(mX->fdId);
    if (mX->timerId)
      mRunLoop->Remove(mX->timerId);
  }
  mX->fdId = mX->timerId = 0;
  Display* dpy = mX->dpy;
  if (!mX->menus.empty())
  {
    for (MenuLevel& m : mX->menus)
      XDestroyWindow(dpy, m.win);
    mX->menus.clear();
    XUngrabPointer(dpy, CurrentTime);
    XUngrabKeyboard(dpy, CurrentTime);
    SetControlValueAfterPopupMenu(nullptr);
  }
  HideTooltip();
  if (mEntry.state != kEntryNone)
  {
    mEntry.state = kEntryNone;
    CancelTextEntry();
  }
  {
    // A host that destroyed its window before removing the view has taken ours with it: the
    // errors that gives are expected here and must not end the host's process.
    ErrorTrap trap(dpy);
    for (Cursor& c : mX->cursors)
      if (c)
        XFreeCursor(dpy, c);
    if (mX->blank)
      XFreeCursor(dpy, mX->blank);
    FreeImage(dpy, mX->image, mX->shm, mX->useShm, mX->plain);
    if (mX->gc)
      XFreeGC(dpy, mX->gc);
    if (mX->win)
      XDestroyWindow(dpy, mX->win);
    if (mX->colormap)
      XFreeColormap(dpy, mX->colormap);
  }
  XCloseDisplay(dpy);
  for (pid_t pid : mX->children)
    waitpid(pid, nullptr, WNOHANG);
  mX.reset();
  RemoveAllControls();
}

void ICanvasX11::OnReadable()
{
  if (!mX)
    return;
  Display* dpy = mX->dpy;
  while (mX && XPending(dpy) > 0)
  {
    XEvent ev;
    XNextEvent(dpy, &ev);
    HandleEvent(&ev);
  }
}

void ICanvasX11::FrameStep()
{
  if (!mX || !mX->win)
    return;
  OnReadable(); // events Xlib already read from the socket do not wake the descriptor
  if (!mX || !mX->win)
    return;
  for (auto it = mX->children.begin(); it != mX->children.end();)
    it = waitpid(*it, nullptr, WNOHANG) != 0 ? mX->children.erase(it) : it + 1;

  switch (TextEntryFrameAction(mEntry.state))
  {
  case ETextEntryAction::Commit:
    EndTextEntry(true);
    XFlush(mX->dpy);
    return;
  case ETextEntryAction::Cancel:
    EndTextEntry(false);
    XFlush(mX->dpy);
    return;
  case kNoEntryAction:
    break;
  }
  IRectList rects;
  if (IsDirty(rects))
  {
    Draw(rects);
    Present(rects);
  }
  if (mEntry.state != kEntryNone)
    DrawTextEntry();
  UpdateTooltip();
  XFlush(mX->dpy);
}

void ICanvasX11::Present(const IRectList& logical)
{
  for (const IPixelRect& r : DirtyPixelRects(logical, GetTotalScale(), mX->imgW, mX->imgH))
    PresentPixels(r.x, r.y, r.w, r.h);
}

void ICanvasX11::PresentPixels(int x, int y, int w, int h)
{
  if (!mX || !mX->image || !mX->win)
    return;
  const int x0 = std::max(0, x), y0 = std::max(0, y);
  const int x1 = std::min(x + w, mX->imgW), y1 = std::min(y + h, mX->imgH);
  if (x1 <= x0 || y1 <= y0)
    return;
  ConvertRegion(GetFrame(), mX->image, x0, y0, x1 - x0, y1 - y0, mX->rshift, mX->gshift,
                mX->bshift);
  const auto uw = static_cast<unsigned>(x1 - x0), uh = static_cast<unsigned>(y1 - y0);
  if (mX->useShm)
    XShmPutImage(mX->dpy, mX->win, mX->gc, mX->image, x0, y0, x0, y0, uw, uh, False);
  else
    XPutImage(mX->dpy, mX->win, mX->gc, mX->image, x0, y0, x0, y0, uw, uh);
}

// ---- Events ------------------------------------------------------------------------------

namespace {

int MenuItemAt(const MenuLevel& m, int rootX, int rootY, float scale)
{
  if (rootX < m.x || rootX >= m.x + m.w || rootY < m.y || rootY >= m.y + m.h)
    return -2; // outside this level
  const float ly = static_cast<float>(rootY - m.y) / scale - kMenuPad;
  const int i = static_cast<int>(std::floor(ly / kMenuItemHeight));
  return (i >= 0 && i < m.menu->NItems()) ? i : -1;
}

bool Selectable(const IPopupMenu::Item* it)
{
  return it && !it->IsSeparator() && it->IsEnabled();
}

void DrawMenu(Display* dpy, GC gc, Visual* visual, MenuLevel& m, int rs, int gs, int bs)
{
  IRenderer& r = *m.renderer;
  const float s = r.GetScale();
  const float w = static_cast<float>(m.w) / s, h = static_cast<float>(m.h) / s;
  r.SetLogicalSize(w, h);
  r.BeginFrame(IRect(0.f, 0.f, w, h));
  r.FillRect(IColor(255, 46, 52, 64), IRect(0.f, 0.f, w, h));
  r.FillRect(IColor(255, 120, 130, 150), IRect(0.f, 0.f, w, 1.f));
  r.FillRect(IColor(255, 120, 130, 150), IRect(0.f, h - 1.f, w, h));
  r.FillRect(IColor(255, 120, 130, 150), IRect(0.f, 0.f, 1.f, h));
  r.FillRect(IColor(255, 120, 130, 150), IRect(w - 1.f, 0.f, w, h));
  for (int i = 0; i < m.menu->NItems(); ++i)
  {
    const IPopupMenu::Item* it = m.menu->GetItem(i);
    const float top = kMenuPad + static_cast<float>(i) * kMenuItemHeight;
    const IRect row(1.f, top, w - 1.f, top + kMenuItemHeight);
    if (it->IsSeparator())
    {
      r.FillRect(IColor(255, 90, 98, 112), IRect(8.f, row.MH(), w - 8.f, row.MH() + 1.f));
      continue;
    }
    if (i == m.hot && it->IsEnabled())
      r.FillRect(IColor(255, 64, 110, 170), row);
    const IColor fg = it->IsEnabled() ? IColor(255, 230, 232, 236) : IColor(255, 120, 124, 132);
    if (it->IsChecked())
    {
      const float cy = row.MH();
      r.DrawLine(fg, 7.f, cy, 10.f, cy + 3.5f, 1.f, 1.6f);
      r.DrawLine(fg, 10.f, cy + 3.5f, 16.f, cy - 4.f, 1.f, 1.6f);
    }
    r.DrawText(DEFAULT_FONT, 14.f, fg, IRect(22.f, row.T, w - 18.f, row.B), ITextAlign::kNear,
               ITextVAlign::kMiddle, it->text);
    if (it->submenu)
      r.DrawText(DEFAULT_FONT, 14.f, fg, IRect(w - 18.f, row.T, w - 6.f, row.B), ITextAlign::kFar,
                 ITextVAlign::kMiddle, ">");
  }
  r.EndFrame();
  PutPixmap(dpy, m.win, gc, visual, r.Frame(), rs, gs, bs);
}

} // namespace

namespace {

// A menu level sized for its items (the window is made by the caller).
MenuLevel NewMenuLevel(IPopupMenu& m, float scale)
{
  MenuLevel lvl;
  lvl.menu = &m;
  lvl.renderer = MakeOverlayRenderer(scale);
  float textW = 60.f;
  for (int i = 0; i < m.NItems(); ++i)
    textW = std::max(textW, lvl.renderer->MeasureText(DEFAULT_FONT, 14.f, m.GetItem(i)->text));
  lvl.w = static_cast<int>(std::ceil((textW + 44.f) * scale));
  lvl.h = static_cast<int>(
      std::ceil((2.f * kMenuPad + kMenuItemHeight * static_cast<float>(m.NItems())) * scale));
  return lvl;
}

} // namespace

void ICanvasX11::CreatePlatformPopupMenu(IPopupMenu& menu, const IRect& bounds)
{
  if (!mX || !mX->win || menu.NItems() == 0)
  {
    SetControlValueAfterPopupMenu(nullptr);
    return;
  }
  const float s = GetTotalScale();
  int rx = 0, ry = 0;
  Window child = 0;
  XTranslateCoordinates(mX->dpy, mX->win, DefaultRootWindow(mX->dpy),
                        static_cast<int>(bounds.L * s), static_cast<int>(bounds.B * s), &rx, &ry,
                        &child);
  mX->menuPointerUsed = false;
  auto open = [this](IPopupMenu& m, int x, int y) {
    MenuLevel lvl = NewMenuLevel(m, GetScreenScale());
    // Kept on the screen.
    const int sw = DisplayWidth(mX->dpy, DefaultScreen(mX->dpy));
    const int sh = DisplayHeight(mX->dpy, DefaultScreen(mX->dpy));
    lvl.x = std::max(0, std::min(x, sw - lvl.w));
    lvl.y = std::max(0, std::min(y, sh - lvl.h));
    lvl.win = MakeOverlayWindow(mX->dpy, mX->visual, mX->colormap, lvl.x, lvl.y, lvl.w, lvl.h,
                                EOverlay::Menu);
    mX->menus.push_back(std::move(lvl));
    DrawMenu(mX->dpy, mX->gc, mX->visual, mX->menus.back(), mX->rshift, mX->gshift, mX->bshift);
  };
  open(menu, rx, ry);
  // Clicks anywhere and every key go to the menu until it closes.
  XGrabPointer(mX->dpy, mX->menus.front().win, False,
               ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
               GrabModeAsync, None, None, CurrentTime);
  XGrabKeyboard(mX->dpy, mX->menus.front().win, False, GrabModeAsync, GrabModeAsync, CurrentTime);
  XFlush(mX->dpy);
}

namespace {

// Opens the sub-menu of item `i` of the deepest level, beside the item.
void OpenSubmenu(std::vector<MenuLevel>& menus, size_t level, int i, Display* dpy, Visual* visual,
                 Colormap cmap, GC gc, float scale, int rs, int gs, int bs)
{
  while (menus.size() > level + 1)
  {
    XDestroyWindow(dpy, menus.back().win);
    menus.pop_back();
  }
  IPopupMenu::Item* it = menus[level].menu->GetItem(i);
  if (!Selectable(it) || !it->submenu || it->submenu->NItems() == 0)
    return;
  MenuLevel lvl = NewMenuLevel(*it->submenu, scale);
  const MenuLevel& p = menus[level];
  lvl.x = p.x + p.w - 2;
  lvl.y = p.y + static_cast<int>((kMenuPad + kMenuItemHeight * static_cast<float>(i)) * scale);
  lvl.x = std::max(0, std::min(lvl.x, DisplayWidth(dpy, DefaultScreen(dpy)) - lvl.w));
  lvl.y = std::max(0, std::min(lvl.y, DisplayHeight(dpy, DefaultScreen(dpy)) - lvl.h));
  lvl.win = MakeOverlayWindow(dpy, visual, cmap, lvl.x, lvl.y, lvl.w, lvl.h, EOverlay::Menu);
  menus.push_back(std::move(lvl));
  DrawMenu(dpy, gc, visual, menus.back(), rs, gs, bs);
}

} // namespace

void ICanvasX11::HandleEvent(void* xevent)
{
  XEvent& ev = *static_cast<XEvent*>(xevent);
  X& x = *mX;
  Display* dpy = x.dpy;
  const float s = GetTotalScale();

  // Selection traffic for the clipboard.
  if (ev.type == SelectionClear)
  {
    x.ownsClipboard = false;
    return;
  }
  if (ev.type == SelectionRequest)
  {
    const XSelectionRequestEvent& rq = ev.xselectionrequest;
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = rq.requestor;
    reply.xselection.selection = rq.selection;
    reply.xselection.target = rq.target;
    reply.xselection.time = rq.time;
    reply.xselection.property = None;
    if (x.ownsClipboard && rq.property != None)
    {
      if (rq.target == x.targets)
      {
        const Atom list[3] = {x.targets, x.utf8, XA_STRING};
        XChangeProperty(dpy, rq.requestor, rq.property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(list), 3);
        reply.xselection.property = rq.property;
      }
      else if (rq.target == x.utf8 || rq.target == XA_STRING)
      {
        XChangeProperty(dpy, rq.requestor, rq.property, rq.target, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(x.clipText.data()),
                        static_cast<int>(x.clipText.size()));
        reply.xselection.property = rq.property;
      }
    }
    XSendEvent(dpy, rq.requestor, False, 0, &reply);
    return;
  }

  // An open popup menu takes all input.
  if (!x.menus.empty())
  {
    auto close = [&](IPopupMenu* chosen) {
      for (MenuLevel& m : x.menus)
        XDestroyWindow(dpy, m.win);
      x.menus.clear();
      XUngrabPointer(dpy, CurrentTime);
      XUngrabKeyboard(dpy, CurrentTime);
      SetAllControlsDirty();
      SetControlValueAfterPopupMenu(chosen);
    };
    const float sc = GetScreenScale();
    auto find = [&](int rxp, int ryp, size_t& level) -> int {
      for (size_t l = x.menus.size(); l-- > 0;)
      {
        const int i = MenuItemAt(x.menus[l], rxp, ryp, sc);
        if (i != -2)
        {
          level = l;
          return i;
        }
      }
      return -2;
    };
    auto redraw = [&](size_t l) {
      DrawMenu(dpy, x.gc, x.visual, x.menus[l], x.rshift, x.gshift, x.bshift);
    };
    switch (ev.type)
    {
    case Expose:
      for (size_t l = 0; l < x.menus.size(); ++l)
        if (x.menus[l].win == ev.xexpose.window)
          redraw(l);
      return;
    case MotionNotify:
    {
      size_t l = 0;
      const int i = find(ev.xmotion.x_root, ev.xmotion.y_root, l);
      if (i < 0 || x.menus[l].hot == i)
        return;
      x.menuPointerUsed = true;
      x.menus[l].hot = i;
      redraw(l);
      OpenSubmenu(x.menus, l, i, dpy, x.visual, x.colormap, x.gc, sc, x.rshift, x.gshift, x.bshift);
      return;
    }
    case ButtonPress:
    {
      size_t l = 0;
      if (find(ev.xbutton.x_root, ev.xbutton.y_root, l) == -2)
        close(nullptr); // a click away
      else
        x.menuPointerUsed = true;
      return;
    }
    case ButtonRelease:
    {
      size_t l = 0;
      const int i = find(ev.xbutton.x_root, ev.xbutton.y_root, l);
      // The release of the click that opened the menu chooses nothing.
      if (i < 0 || !x.menuPointerUsed)
        return;
      IPopupMenu::Item* it = x.menus[l].menu->GetItem(i);
      if (Selectable(it) && !it->submenu)
      {
        IPopupMenu* m = x.menus[l].menu;
        m->SetChosenItemIdx(i);
        close(m);
      }
      return;
    }
    case KeyPress:
    {
      const KeySym sym = XLookupKeysym(&ev.xkey, 0);
      MenuLevel& m = x.menus.back();
      const int n = m.menu->NItems();
      const size_t level = x.menus.size() - 1;
      if (sym == XK_Escape || sym == XK_Left)
      {
        if (x.menus.size() > 1)
        {
          XDestroyWindow(dpy, m.win);
          x.menus.pop_back();
        }
        else if (sym == XK_Escape)
          close(nullptr);
        return;
      }
      if (sym == XK_Up || sym == XK_Down)
      {
        const int step = sym == XK_Down ? 1 : -1;
        int i = m.hot;
        for (int k = 0; k < n; ++k)
        {
          i = ((i < 0 ? (step > 0 ? -1 : 0) : i) + step + n) % n;
          if (Selectable(m.menu->GetItem(i)))
            break;
        }
        if (Selectable(m.menu->GetItem(i)))
        {
          m.hot = i;
          redraw(level);
        }
        return;
      }
      if ((sym == XK_Right || sym == XK_Return || sym == XK_KP_Enter) && m.hot >= 0)
      {
        IPopupMenu::Item* it = m.menu->GetItem(m.hot);
        if (!Selectable(it))
          return;
        if (it->submenu)
          OpenSubmenu(x.menus, level, m.hot, dpy, x.visual, x.colormap, x.gc, sc, x.rshift,
                      x.gshift, x.bshift);
        else if (sym != XK_Right)
        {
          IPopupMenu* chosen = m.menu;
          chosen->SetChosenItemIdx(m.hot);
          close(chosen);
        }
      }
      return;
    }
    default:
      return;
    }
  }

  // The tooltip is drawn again whenever the server exposes it: its first picture may arrive
  // before the map does and be lost.
  if (ev.type == Expose && x.tipWin && ev.xexpose.window == x.tipWin && x.tipRenderer)
  {
    PutPixmap(dpy, x.tipWin, x.gc, x.visual, x.tipRenderer->Frame(), x.rshift, x.gshift, x.bshift);
    return;
  }
  if (ev.xany.window != x.win)
    return;
  switch (ev.type)
  {
  case DestroyNotify:
    // The host destroyed its window before removing the view, taking ours with it. Drawing,
    // focusing or forwarding keys to either would now be an X error, which ends the host's
    // process unless trapped: from here on the window counts as gone.
    if (ev.xdestroywindow.window == x.win)
    {
      HideTooltip();
      x.win = 0;
      x.parent = 0;
    }
    break;
  case Expose:
    PresentPixels(ev.xexpose.x, ev.xexpose.y, ev.xexpose.width, ev.xexpose.height);
    break;
  case ButtonPress:
  {
    const XButtonEvent& b = ev.xbutton;
    HideTooltip();
    const float lx = static_cast<float>(b.x) / s, ly = static_cast<float>(b.y) / s;
    IMouseMod mod = ModsOf(b.state);
    if (b.button >= 4 && b.button <= 7)
    {
      if (mEntry.state != kEntryNone)
      {
        mEntry.state = NextTextEntryState(mEntry.state, ETextEntryEvent::Wheel);
        break;
      }
      // 4/5 turn the wheel; 6/7 (sideways) turn it with shift, as desktops scroll sideways.
      const float delta = (b.button == 4 || b.button == 6) ? 1.f : -1.f;
      if (b.button >= 6)
        mod.S = true;
      OnMouseWheel(lx, ly, mod, delta);
      break;
    }
    // Other buttons (8/9, the side buttons) mean nothing here, as on Windows: their release is
    // not handled either, so a press would leave a gesture open.
    if (b.button > Button3)
      break;
    if (mEntry.state != kEntryNone)
    {
      if ((b.button == Button1 || b.button == Button3) && !mEntry.bounds.Contains(lx, ly))
        mEntry.state = NextTextEntryState(mEntry.state, ETextEntryEvent::PressOutside);
      break;
    }
    XSetInputFocus(dpy, x.win, RevertToParent, b.time);
    mod.L = b.button == Button1;
    mod.R = b.button == Button3;
    const bool dbl = (b.button == Button1 || b.button == Button3) &&
                     b.button == x.lastPressButton && b.time - x.lastPressTime <= kDoubleClickMs &&
                     std::abs(b.x - x.lastPressX) <= kDoubleClickSlop &&
                     std::abs(b.y - x.lastPressY) <= kDoubleClickSlop;
    x.lastX = lx;
    x.lastY = ly;
    if (dbl)
    {
      x.lastPressButton = 0; // a third click starts over
      OnMouseDblClick(lx, ly, mod);
      break;
    }
    x.lastPressButton = b.button;
    x.lastPressTime = b.time;
    x.lastPressX = b.x;
    x.lastPressY = b.y;
    OnMouseDown({IMouseInfo{lx, ly, 0.f, 0.f, mod}});
    break;
  }
  case ButtonRelease:
  {
    const XButtonEvent& b = ev.xbutton;
    // Released even while an entry is open: the press that opened it ends its gesture here.
    if (b.button > Button3)
      break;
    IMouseMod mod = ModsOf(b.state);
    mod.L = b.button == Button1;
    mod.R = b.button == Button3;
    OnMouseUp(
        {IMouseInfo{static_cast<float>(b.x) / s, static_cast<float>(b.y) / s, 0.f, 0.f, mod}});
    break;
  }
  case MotionNotify:
  {
    const XMotionEvent& m = ev.xmotion;
    const float lx = static_cast<float>(m.x) / s, ly = static_cast<float>(m.y) / s;
    const IMouseMod mod = ModsOf(m.state);
    x.pointerInside = true;
    if ((m.state & (Button1Mask | Button2Mask | Button3Mask)) && ControlIsCaptured())
    {
      const bool locked = x.cursorHidden && x.cursorLocked;
      // With the pointer held in place, a move onto the hidden point is the echo of our warp back:
      // it starts the next measurement and is no drag. Moves queued before the echo arrives are
      // measured from each other, so a busy moment does not count the same travel twice.
      if (locked && lx == x.hiddenX && ly == x.hiddenY)
      {
        x.lastX = lx;
        x.lastY = ly;
        break;
      }
      const float dx = lx - x.lastX, dy = ly - x.lastY;
      x.lastX = lx;
      x.lastY = ly;
      if (dx != 0.f || dy != 0.f)
        OnMouseDrag({IMouseInfo{lx, ly, dx, dy, mod}});
      if (locked)
        MovePlatformCursor(x.hiddenX, x.hiddenY);
    }
    else
    {
      x.lastX = lx;
      x.lastY = ly;
      OnMouseOver(lx, ly, mod);
    }
    break;
  }
  case EnterNotify:
    x.pointerInside = true;
    x.lastX = static_cast<float>(ev.xcrossing.x) / s;
    x.lastY = static_cast<float>(ev.xcrossing.y) / s;
    break;
  case LeaveNotify:
    // Whatever the mode, no tooltip may show for a pointer that is no longer over the editor.
    x.pointerInside = false;
    if (ev.xcrossing.mode == NotifyNormal &&
        !(ev.xcrossing.state & (Button1Mask | Button2Mask | Button3Mask)))
    {
      HideTooltip();
      SetPlatformCursor(x.cursor);
      OnMouseOut();
    }
    break;
  case FocusOut:
    if (mEntry.state != kEntryNone && ev.xfocus.mode == NotifyNormal)
      mEntry.state = NextTextEntryState(mEntry.state, ETextEntryEvent::FocusLost);
    break;
  case KeyPress:
  case KeyRelease:
  {
    XKeyEvent& k = ev.xkey;
    char text[8] = {};
    KeySym sym = 0;
    const int n = XLookupString(&k, text, sizeof(text) - 1, &sym, nullptr);
    text[std::clamp(n, 0, 4)] = 0;
    if (static_cast<unsigned char>(text[0]) < 0x20 || text[0] == 0x7F)
      text[0] = 0; // control characters are keys, not text
    if (mEntry.state != kEntryNone)
    {
      if (ev.type == KeyPress)
        TextEntryKey(sym, text);
      break;
    }
    const IKeyPress key(text, VirtualKeyFromX11KeySym(sym), k.state & ShiftMask,
                        k.state & ControlMask, k.state & Mod1Mask);
    const bool handled =
        ev.type == KeyPress ? OnKeyDown(x.lastX, x.lastY, key) : OnKeyUp(x.lastX, x.lastY, key);
    if (!handled && mX && x.parent)
    {
      // The host keeps its shortcuts: the key goes on to its window.
      k.window = x.parent;
      XSendEvent(dpy, x.parent, True, ev.type == KeyPress ? KeyPressMask : KeyReleaseMask, &ev);
    }
    break;
  }
  default:
    break;
  }
}

// ---- Cursor ------------------------------------------------------------------------------

ECursor ICanvasX11::SetPlatformCursor(ECursor cursor)
{
  if (!mX || !mX->win)
    return cursor;
  const ECursor prev = mX->cursor;
  mX->cursor = CursorEntry(cursor).cursor;
  if (mX->cursorHidden)
    return prev;
  const auto i = static_cast<size_t>(mX->cursor);
  if (!mX->cursors[i])
    mX->cursors[i] = XCreateFontCursor(mX->dpy, X11CursorId(mX->cursor));
  XDefineCursor(mX->dpy, mX->win, mX->cursors[i]);
  return prev;
}

void ICanvasX11::HidePlatformCursor(bool hide, bool lock)
{
  if (!mX || !mX->win)
    return;
  if (hide)
  {
    if (!mX->blank)
    {
      static const char empty[8] = {};
      Pixmap bits = XCreateBitmapFromData(mX->dpy, mX->win, empty, 8, 8);
      XColor black{};
      mX->blank = XCreatePixmapCursor(mX->dpy, bits, bits, &black, &black, 0, 0);
      XFreePixmap(mX->dpy, bits);
    }
    mX->cursorHidden = true;
    mX->cursorLocked = lock;
    mX->hiddenX = mX->lastX;
    mX->hiddenY = mX->lastY;
    XDefineCursor(mX->dpy, mX->win, mX->blank);
  }
  else
  {
    if (mX->cursorHidden && mX->cursorLocked)
      MovePlatformCursor(mX->hiddenX, mX->hiddenY);
    mX->cursorHidden = false;
    SetPlatformCursor(mX->cursor);
  }
}

void ICanvasX11::MovePlatformCursor(float x, float y)
{
  if (!mX || !mX->win)
    return;
  const float s = GetTotalScale();
  XWarpPointer(mX->dpy, None, mX->win, 0, 0, 0, 0, static_cast<int>(std::lround(x * s)),
               static_cast<int>(std::lround(y * s)));
}

// ---- Size --------------------------------------------------------------------------------

void ICanvasX11::PlatformResize(bool)
{
  if (!mX || !mX->win)
    return;
  const int w = WindowWidth(), h = WindowHeight();
  XResizeWindow(mX->dpy, mX->win, static_cast<unsigned>(w), static_cast<unsigned>(h));
  FreeImage(mX->dpy, mX->image, mX->shm, mX->useShm, mX->plain);
  if (MakeImage(mX->dpy, mX->visual, w, h, mX->image, mX->shm, mX->useShm, mX->plain))
  {
    mX->imgW = w;
    mX->imgH = h;
  }
  else
    mX->imgW = mX->imgH = 0;
}

// ---- Text entry (drawn with our renderer inside the editor) --------------------------------

void ICanvasX11::CreatePlatformTextEntry(int controlIdx, const IText& text, const IRect& bounds,
                                         int length, const char* str)
{
  IControl* c = GetControl(controlIdx);
  mEntry = TextEntry{};
  mEntry.state = ETextEntryState::Editing;
  mEntry.filter = TextEntryFilterFor(c ? c->GetParam() : nullptr);
  mEntry.style = text;
  mEntry.bounds = bounds;
  mEntry.maxLength = std::clamp(length, 1, kTextEntryMaxChars);
  mEntry.text = TextEntryCommitText(str ? str : "");
  mEntry.selectedAll = true;
  HideTooltip();
}

bool ICanvasX11::TextEntryKey(unsigned long keysym, const char* text)
{
  ETextEntryEvent decision{};
  bool decided = true;
  switch (keysym)
  {
  case XK_Return:
  case XK_KP_Enter:
    decision = ETextEntryEvent::Return;
    break;
  case XK_Escape:
    decision = ETextEntryEvent::Escape;
    break;
  default:
    decided = false;
  }
  if (decided)
  {
    mEntry.state = NextTextEntryState(mEntry.state, decision);
    return true;
  }
  std::string add;
  if (keysym == XK_BackSpace)
  {
    if (mEntry.selectedAll)
      mEntry.text.clear();
    else
      utf8::PopCharacter(mEntry.text);
    mEntry.selectedAll = false;
    return true;
  }
  std::string typed = text ? text : "";
  if (typed.empty())
  {
    // Control+V pastes the clipboard's text.
    if (keysym == XK_v || keysym == XK_V)
    {
      std::string clip;
      if (GetClipboardText(clip))
        typed = clip;
    }
    if (typed.empty())
      return false;
  }
  add = FilterTextEntryText(mEntry.filter, typed);
  if (add.empty())
    return true; // refused, but the entry owns the key
  if (mEntry.selectedAll)
    mEntry.text.clear();
  mEntry.selectedAll = false;
  for (size_t i = 0; i < add.size();)
  {
    const size_t n = utf8::SequenceLength(static_cast<unsigned char>(add[i]));
    if (static_cast<int>(utf8::CountCharacters(mEntry.text)) >= mEntry.maxLength)
      break;
    mEntry.text.append(add, i, n);
    i += n;
  }
  return true;
}

void ICanvasX11::DrawTextEntry()
{
  IRenderer& r = GetRenderer();
  const IRect b = mEntry.bounds;
  r.SetScale(GetDrawScale(), GetScreenScale());
  r.BeginFrame(b);
  r.FillRect(mEntry.style.mTextEntryBGColor, b);
  const IRect inner = b.GetPadded(-2.f);
  const auto align = static_cast<ITextAlign>(static_cast<int>(mEntry.style.mAlign));
  if (mEntry.selectedAll && !mEntry.text.empty())
  {
    const float tw = r.MeasureText(mEntry.style.mFont, mEntry.style.mSize, mEntry.text);
    float l = inner.L;
    if (mEntry.style.mAlign == EAlign::Center)
      l = inner.MW() - 0.5f * tw;
    else if (mEntry.style.mAlign == EAlign::Far)
      l = inner.R - tw;
    r.FillRect(IColor(255, 64, 110, 170), IRect(l, inner.T, l + tw, inner.B));
  }
  r.DrawText(mEntry.style.mFont, mEntry.style.mSize, mEntry.style.mTextEntryFGColor, inner, align,
             static_cast<ITextVAlign>(static_cast<int>(mEntry.style.mVAlign)), mEntry.text);
  // The caret after the text.
  const float tw = r.MeasureText(mEntry.style.mFont, mEntry.style.mSize, mEntry.text);
  float cx = inner.L + tw;
  if (mEntry.style.mAlign == EAlign::Center)
    cx = inner.MW() + 0.5f * tw;
  else if (mEntry.style.mAlign == EAlign::Far)
    cx = inner.R;
  r.FillRect(mEntry.style.mTextEntryFGColor,
             IRect(cx, inner.MH() - 0.5f * mEntry.style.mSize, cx + 1.f,
                   inner.MH() + 0.5f * mEntry.style.mSize));
  r.EndFrame();
  Present({b});
}

void ICanvasX11::EndTextEntry(bool commit)
{
  const std::string text = TextEntryCommitText(mEntry.text);
  const IRect area = mEntry.bounds;
  mEntry = TextEntry{};
  // What the entry covered is drawn again by the next frame.
  ForAllControls([&](IControl& c) {
    if (c.GetRECT().Intersects(area))
      c.MarkDirty(false);
  });
  if (commit)
    SetControlValueAfterTextEdit(text.c_str());
  else
    CancelTextEntry();
}

// ---- Tooltips ----------------------------------------------------------------------------

void ICanvasX11::HideTooltip()
{
  if (!mX)
    return;
  if (mX->tipWin)
    XDestroyWindow(mX->dpy, mX->tipWin);
  mX->tipWin = 0;
  mX->tipShown = false;
  mX->tipTicks = 0;
}

void ICanvasX11::UpdateTooltip()
{
  if (!TooltipsEnabled() || mEntry.state != kEntryNone || !mX->menus.empty())
    return;
  // The control under the resting pointer (mouse-over tracking may be off).
  IControl* under = ControlIsCaptured() || !mX->pointerInside
                        ? nullptr
                        : GetMouseControl(mX->lastX, mX->lastY, false);
  const int idx = under ? GetControlIdx(under) : -1;
  if (idx != mX->tipIdx)
  {
    HideTooltip();
    mX->tipIdx = idx;
  }
  IControl* c = GetControl(idx);
  if (!c || c->GetTooltip().empty() || mX->tipShown || ControlIsCaptured())
    return;
  if (++mX->tipTicks < kTooltipDelayFrames)
    return;
  const float sc = GetScreenScale();
  if (!mX->tipRenderer)
    mX->tipRenderer = MakeOverlayRenderer(sc);
  IRenderer& r = *mX->tipRenderer;
  r.SetScale(1.f, sc);
  DrawTooltipPicture(r, c->GetTooltip());
  const float s = GetTotalScale();
  int rx = 0, ry = 0;
  Window child = 0;
  XTranslateCoordinates(mX->dpy, mX->win, DefaultRootWindow(mX->dpy),
                        static_cast<int>(mX->lastX * s), static_cast<int>(mX->lastY * s), &rx, &ry,
                        &child);
  // Below and right of the pointer; above it near the screen's bottom, inside it at the right.
  const int tw = r.Frame().Width(), th = r.Frame().Height();
  const int sw = DisplayWidth(mX->dpy, DefaultScreen(mX->dpy));
  const int sh = DisplayHeight(mX->dpy, DefaultScreen(mX->dpy));
  const int tx = std::max(0, std::min(rx + 12, sw - tw));
  int ty = ry + static_cast<int>(20.f * sc);
  if (ty + th > sh)
    ty = std::max(0, ry - th - static_cast<int>(4.f * sc));
  mX->tipWin =
      MakeOverlayWindow(mX->dpy, mX->visual, mX->colormap, tx, ty, tw, th, EOverlay::Tooltip);
  PutPixmap(mX->dpy, mX->tipWin, mX->gc, mX->visual, r.Frame(), mX->rshift, mX->gshift, mX->bshift);
  mX->tipShown = true;
}

// ---- Clipboard and web addresses ---------------------------------------------------------

bool ICanvasX11::SetClipboardText(const char* utf8)
{
  if (!mX || !mX->win || !utf8)
    return false;
  mX->clipText = utf8;
  XSetSelectionOwner(mX->dpy, mX->clipboard, mX->win, CurrentTime);
  mX->ownsClipboard = XGetSelectionOwner(mX->dpy, mX->clipboard) == mX->win;
  return mX->ownsClipboard;
}

bool ICanvasX11::GetClipboardText(std::string& out)
{
  if (!mX || !mX->win)
    return false;
  if (mX->ownsClipboard)
  {
    out = mX->clipText;
    return true;
  }
  if (XGetSelectionOwner(mX->dpy, mX->clipboard) == None)
    return false;
  XDeleteProperty(mX->dpy, mX->win, mX->transfer);
  XConvertSelection(mX->dpy, mX->clipboard, mX->utf8, mX->transfer, mX->win, CurrentTime);
  XFlush(mX->dpy);
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
  XEvent ev;
  while (!XCheckTypedWindowEvent(mX->dpy, mX->win, SelectionNotify, &ev))
  {
    if (std::chrono::steady_clock::now() >= until)
      return false;
    pollfd p{ConnectionNumber(mX->dpy), POLLIN, 0};
    poll(&p, 1, 20);
  }
  if (ev.xselection.property == None)
    return false;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, rest = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(mX->dpy, mX->win, mX->transfer, 0, 1 << 20, True, AnyPropertyType, &type,
                         &format, &count, &rest, &data) != Success ||
      !data)
    return false;
  const bool ok = format == 8;
  if (ok)
    out.assign(reinterpret_cast<const char*>(data), count);
  XFree(data);
  return ok;
}

bool ICanvasX11::OpenURL(const char* url, const char*, const char* confirmMsg, const char*)
{
  // No empty addresses, and none that xdg-open would read as an option.
  if (!url || !*url || url[0] == '-' || (confirmMsg && *confirmMsg))
    return false;
  // The browser it may start must not hold the host's descriptors (an audio device stays busy
  // while any copy of its descriptor is open): close every inherited one but the standard three.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (DIR* dir = opendir("/proc/self/fd"))
  {
    const int own = dirfd(dir);
    while (const dirent* e = readdir(dir))
    {
      const int fd = std::atoi(e->d_name);
      if (fd > 2 && fd != own && !(fcntl(fd, F_GETFD) & FD_CLOEXEC))
        posix_spawn_file_actions_addclose(&actions, fd);
    }
    closedir(dir);
  }
  // Started through `setsid -f`, which returns at once: a browser left running after the editor
  // closes is then nobody's child here and leaves no zombie in the host.
  char setsid[] = "setsid", fork[] = "-f", prog[] = "xdg-open";
  std::string arg = url;
  char* detached[] = {setsid, fork, prog, arg.data(), nullptr};
  char* direct[] = {prog, arg.data(), nullptr};
  pid_t pid = 0;
  const bool started = posix_spawnp(&pid, setsid, &actions, nullptr, detached, environ) == 0 ||
                       posix_spawnp(&pid, prog, &actions, nullptr, direct, environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  if (!started)
    return false;
  if (mX)
    mX->children.push_back(pid);
  else
    waitpid(pid, nullptr, WNOHANG);
  return true;
}

} // namespace plugfw::ui
