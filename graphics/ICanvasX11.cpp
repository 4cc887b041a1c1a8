#include "graphics/ICanvasX11Parts.h"

#include "graphics/IFramePacing.h"
#include "plugin/IEditorDelegate.h"
#include "plugin/IHostRunLoop.h"

#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace plugfw::ui {

namespace {

bool gXError = false;
int TrapXError(Display*, XErrorEvent*)
{
  gXError = true;
  return 0;
}

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

ErrorTrap::ErrorTrap(Display* d) : dpy(d)
{
  XSync(dpy, False);
  gXError = false;
  previous = XSetErrorHandler(TrapXError);
}

bool ErrorTrap::Ok()
{
  XSync(dpy, False);
  return !gXError;
}

ErrorTrap::~ErrorTrap()
{
  XSync(dpy, False);
  XSetErrorHandler(previous);
}

ICanvasX11::ICanvasX11(IEditorDelegate* dlg, int w, int h, int fps, float scale)
    : ICanvas(dlg, w, h, fps, scale)
{
  // Motion events queued before the server moves the pointer back were measured before it.
  SetWarpEcho(EWarpEcho::Queued);
}

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

// ---- Cursor ------------------------------------------------------------------------------

ECursor ICanvasX11::SetPlatformCursor(ECursor cursor)
{
  if (!mX || !mX->win)
    return cursor;
  const ECursor prev = mX->cursor;
  mX->cursor = CursorEntry(cursor).cursor;
  if (CursorIsHidden())
    return prev;
  const auto i = static_cast<size_t>(mX->cursor);
  if (!mX->cursors[i])
    mX->cursors[i] = XCreateFontCursor(mX->dpy, X11CursorId(mX->cursor));
  XDefineCursor(mX->dpy, mX->win, mX->cursors[i]);
  return prev;
}

void ICanvasX11::HidePlatformCursor(bool hide)
{
  if (!mX || !mX->win)
    return;
  if (!hide)
  {
    SetPlatformCursor(mX->cursor);
    return;
  }
  if (!mX->blank)
  {
    static const char empty[8] = {};
    Pixmap bits = XCreateBitmapFromData(mX->dpy, mX->win, empty, 8, 8);
    XColor black{};
    mX->blank = XCreatePixmapCursor(mX->dpy, bits, bits, &black, &black, 0, 0);
    XFreePixmap(mX->dpy, bits);
  }
  XDefineCursor(mX->dpy, mX->win, mX->blank);
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
} // namespace plugfw::ui
