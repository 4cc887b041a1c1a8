#include "graphics/ICanvasX11Parts.h"

#include <algorithm>
#include <cstdlib>

namespace plugfw::ui {

namespace {

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

EPointerButton PointerButtonOf(unsigned button)
{
  switch (button)
  {
  case Button1:
    return EPointerButton::Left;
  case Button2:
    return EPointerButton::Middle;
  case Button3:
    return EPointerButton::Right;
  default:
    return EPointerButton::Other; // 8/9, the side buttons, and any beyond
  }
}

constexpr unsigned kAnyButtonMask = Button1Mask | Button2Mask | Button3Mask;

} // namespace

void ICanvasX11::HandleEvent(void* xevent)
{
  XEvent& ev = *static_cast<XEvent*>(xevent);
  if (ev.type == SelectionClear || ev.type == SelectionRequest)
  {
    OnSelectionEvent(ev);
    return;
  }
  // An open popup menu takes all input.
  if (!mX->menus.empty())
  {
    OnMenuEvent(ev);
    return;
  }
  if (ev.type == Expose && mX->tipWin && ev.xexpose.window == mX->tipWin)
  {
    RedrawTooltip();
    return;
  }
  if (ev.xany.window != mX->win)
    return;
  switch (ev.type)
  {
  case DestroyNotify:
    OnWindowDestroyed(ev);
    break;
  case Expose:
    PresentPixels(ev.xexpose.x, ev.xexpose.y, ev.xexpose.width, ev.xexpose.height);
    break;
  case ButtonPress:
    OnButtonPress(ev);
    break;
  case ButtonRelease:
    OnButtonRelease(ev);
    break;
  case MotionNotify:
    OnMotion(ev);
    break;
  case EnterNotify:
    PointerEntered(static_cast<float>(ev.xcrossing.x) / GetTotalScale(),
                   static_cast<float>(ev.xcrossing.y) / GetTotalScale());
    break;
  case LeaveNotify:
    OnLeave(ev);
    break;
  case FocusOut:
    if (mEntry.state != kEntryNone && ev.xfocus.mode == NotifyNormal)
      mEntry.state = NextTextEntryState(mEntry.state, ETextEntryEvent::FocusLost);
    break;
  case KeyPress:
  case KeyRelease:
    OnKey(ev);
    break;
  default:
    break;
  }
}

void ICanvasX11::OnWindowDestroyed(XEvent& ev)
{
  // The host destroyed its window before removing the view, taking ours with it. Drawing,
  // focusing or forwarding keys to either would now be an X error, which ends the host's
  // process unless trapped: from here on the window counts as gone.
  if (ev.xdestroywindow.window != mX->win)
    return;
  HideTooltip();
  mX->win = 0;
  mX->parent = 0;
}

void ICanvasX11::OnButtonPress(XEvent& ev)
{
  const XButtonEvent& b = ev.xbutton;
  HideTooltip();
  const float s = GetTotalScale();
  const float lx = static_cast<float>(b.x) / s, ly = static_cast<float>(b.y) / s;
  IMouseMod mod = ModsOf(b.state);
  if (b.button >= 4 && b.button <= 7)
  {
    if (mEntry.state != kEntryNone)
    {
      mEntry.state = NextTextEntryState(mEntry.state, ETextEntryEvent::Wheel);
      return;
    }
    // 4/5 turn the wheel; 6/7 (sideways) turn it with shift, as desktops scroll sideways.
    const float delta = (b.button == 4 || b.button == 6) ? 1.f : -1.f;
    if (b.button >= 6)
      mod.S = true;
    OnMouseWheel(lx, ly, mod, delta);
    return;
  }
  const EPointerButton button = PointerButtonOf(b.button);
  // Buttons that do not count are ignored on both edges (PointerPressed, PointerReleased);
  // neither may they take part in the entry or double-click bookkeeping below.
  if (button == EPointerButton::Other)
    return;
  if (mEntry.state != kEntryNone)
  {
    if (button != EPointerButton::Middle && !mEntry.bounds.Contains(lx, ly))
      mEntry.state = NextTextEntryState(mEntry.state, ETextEntryEvent::PressOutside);
    return;
  }
  XSetInputFocus(mX->dpy, mX->win, RevertToParent, b.time);
  mod.L = button == EPointerButton::Left;
  mod.R = button == EPointerButton::Right;
  X& x = *mX;
  const bool dbl = button != EPointerButton::Middle && b.button == x.lastPressButton &&
                   b.time - x.lastPressTime <= kDoubleClickMs &&
                   std::abs(b.x - x.lastPressX) <= kDoubleClickSlop &&
                   std::abs(b.y - x.lastPressY) <= kDoubleClickSlop;
  if (dbl)
  {
    x.lastPressButton = 0; // a third click starts over
    OnMouseDblClick(lx, ly, mod);
    return;
  }
  x.lastPressButton = b.button;
  x.lastPressTime = b.time;
  x.lastPressX = b.x;
  x.lastPressY = b.y;
  PointerPressed(IMouseInfo{lx, ly, 0.f, 0.f, mod}, button);
}

void ICanvasX11::OnButtonRelease(XEvent& ev)
{
  // Released even while an entry is open: the press that opened it ends its gesture here.
  const XButtonEvent& b = ev.xbutton;
  const float s = GetTotalScale();
  PointerReleased(IMouseInfo{static_cast<float>(b.x) / s, static_cast<float>(b.y) / s, 0.f, 0.f,
                             ModsOf(b.state)},
                  PointerButtonOf(b.button));
}

void ICanvasX11::OnMotion(XEvent& ev)
{
  const XMotionEvent& m = ev.xmotion;
  const float s = GetTotalScale();
  PointerMoved(static_cast<float>(m.x) / s, static_cast<float>(m.y) / s, ModsOf(m.state),
               (m.state & kAnyButtonMask) && ControlIsCaptured());
}

void ICanvasX11::OnLeave(XEvent& ev)
{
  PointerLeft();
  if (ev.xcrossing.mode == NotifyNormal && !(ev.xcrossing.state & kAnyButtonMask))
  {
    HideTooltip();
    SetPlatformCursor(mX->cursor);
    OnMouseOut();
  }
}

void ICanvasX11::OnKey(XEvent& ev)
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
    return;
  }
  const IKeyPress key(text, VirtualKeyFromX11KeySym(sym), k.state & ShiftMask,
                      k.state & ControlMask, k.state & Mod1Mask);
  const bool handled = ev.type == KeyPress ? OnKeyDown(GetMouseX(), GetMouseY(), key)
                                           : OnKeyUp(GetMouseX(), GetMouseY(), key);
  if (!handled && mX && mX->parent)
  {
    // The host keeps its shortcuts: the key goes on to its window.
    k.window = mX->parent;
    XSendEvent(mX->dpy, mX->parent, True, ev.type == KeyPress ? KeyPressMask : KeyReleaseMask, &ev);
  }
}

} // namespace plugfw::ui
