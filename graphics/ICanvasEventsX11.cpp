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

} // namespace plugfw::ui
