#include "graphics/ICanvasX11Parts.h"

#include "graphics/IOverlayPictures.h"

#include <algorithm>
#include <cmath>

namespace plugfw::ui {

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

// ---- Input while a menu is open ----------------------------------------------------------

void ICanvasX11::OnMenuEvent(XEvent& ev)
{
  switch (ev.type)
  {
  case Expose:
    for (size_t l = 0; l < mX->menus.size(); ++l)
      if (mX->menus[l].win == ev.xexpose.window)
        RedrawMenu(l);
    return;
  case MotionNotify:
    OnMenuMotion(ev.xmotion.x_root, ev.xmotion.y_root);
    return;
  case ButtonPress:
    OnMenuPress(ev.xbutton.x_root, ev.xbutton.y_root);
    return;
  case ButtonRelease:
    OnMenuRelease(ev.xbutton.x_root, ev.xbutton.y_root);
    return;
  case KeyPress:
    OnMenuKey(XLookupKeysym(&ev.xkey, 0));
    return;
  default:
    return;
  }
}

void ICanvasX11::CloseMenus(IPopupMenu* chosen)
{
  for (MenuLevel& m : mX->menus)
    XDestroyWindow(mX->dpy, m.win);
  mX->menus.clear();
  XUngrabPointer(mX->dpy, CurrentTime);
  XUngrabKeyboard(mX->dpy, CurrentTime);
  SetAllControlsDirty();
  SetControlValueAfterPopupMenu(chosen);
}

int ICanvasX11::MenuItemAtRoot(int rootX, int rootY, size_t& level) const
{
  for (size_t l = mX->menus.size(); l-- > 0;)
  {
    const int i = MenuItemAt(mX->menus[l], rootX, rootY, GetScreenScale());
    if (i != -2)
    {
      level = l;
      return i;
    }
  }
  return -2;
}

void ICanvasX11::RedrawMenu(size_t level)
{
  X& x = *mX;
  DrawMenu(x.dpy, x.gc, x.visual, x.menus[level], x.rshift, x.gshift, x.bshift);
}

void ICanvasX11::OpenMenuItemSubmenu(size_t level, int i)
{
  X& x = *mX;
  OpenSubmenu(x.menus, level, i, x.dpy, x.visual, x.colormap, x.gc, GetScreenScale(), x.rshift,
              x.gshift, x.bshift);
}

void ICanvasX11::OnMenuMotion(int rootX, int rootY)
{
  size_t l = 0;
  const int i = MenuItemAtRoot(rootX, rootY, l);
  if (i < 0 || mX->menus[l].hot == i)
    return;
  mX->menuPointerUsed = true;
  mX->menus[l].hot = i;
  RedrawMenu(l);
  OpenMenuItemSubmenu(l, i);
}

void ICanvasX11::OnMenuPress(int rootX, int rootY)
{
  size_t l = 0;
  if (MenuItemAtRoot(rootX, rootY, l) == -2)
    CloseMenus(nullptr); // a click away
  else
    mX->menuPointerUsed = true;
}

void ICanvasX11::OnMenuRelease(int rootX, int rootY)
{
  size_t l = 0;
  const int i = MenuItemAtRoot(rootX, rootY, l);
  // The release of the click that opened the menu chooses nothing.
  if (i < 0 || !mX->menuPointerUsed)
    return;
  IPopupMenu::Item* it = mX->menus[l].menu->GetItem(i);
  if (Selectable(it) && !it->submenu)
  {
    IPopupMenu* m = mX->menus[l].menu;
    m->SetChosenItemIdx(i);
    CloseMenus(m);
  }
}

void ICanvasX11::OnMenuKey(unsigned long sym)
{
  MenuLevel& m = mX->menus.back();
  const int n = m.menu->NItems();
  const size_t level = mX->menus.size() - 1;
  if (sym == XK_Escape || sym == XK_Left)
  {
    if (mX->menus.size() > 1)
    {
      XDestroyWindow(mX->dpy, m.win);
      mX->menus.pop_back();
    }
    else if (sym == XK_Escape)
      CloseMenus(nullptr);
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
      RedrawMenu(level);
    }
    return;
  }
  if ((sym == XK_Right || sym == XK_Return || sym == XK_KP_Enter) && m.hot >= 0)
  {
    IPopupMenu::Item* it = m.menu->GetItem(m.hot);
    if (!Selectable(it))
      return;
    if (it->submenu)
      OpenMenuItemSubmenu(level, m.hot);
    else if (sym != XK_Right)
    {
      IPopupMenu* chosen = m.menu;
      chosen->SetChosenItemIdx(m.hot);
      CloseMenus(chosen);
    }
  }
}

// ---- Tooltips ----------------------------------------------------------------------------

void ICanvasX11::HideTooltip()
{
  if (!mX)
    return;
  if (mX->tipWin)
    XDestroyWindow(mX->dpy, mX->tipWin);
  mX->tipWin = 0;
  TooltipHidden();
}

void ICanvasX11::UpdateTooltip()
{
  bool hide = false;
  IControl* c = TooltipFrameStep(hide);
  if (hide)
    HideTooltip();
  if (!c)
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
                        static_cast<int>(GetMouseX() * s), static_cast<int>(GetMouseY() * s), &rx,
                        &ry, &child);
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
  TooltipShown();
}

void ICanvasX11::RedrawTooltip()
{
  // The tooltip is drawn again whenever the server exposes it: its first picture may arrive
  // before the map does and be lost.
  if (mX->tipRenderer)
    PutPixmap(mX->dpy, mX->tipWin, mX->gc, mX->visual, mX->tipRenderer->Frame(), mX->rshift,
              mX->gshift, mX->bshift);
}
} // namespace plugfw::ui
