#pragma once
// What the X11 window's source files share beyond ICanvasX11 itself: the connection's state,
// the open menu levels and the helpers that draw into overlay windows.

#include "graphics/ICanvasX11.h"
#include "graphics/IPlatformTables.h"

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
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace plugfw::ui {

inline constexpr unsigned kDoubleClickMs = 400; // by time and by distance, as desktops default
inline constexpr int kDoubleClickSlop = 4;      // pixels
inline constexpr float kMenuItemHeight = 22.f;
inline constexpr float kMenuPad = 6.f;

// X errors during the few calls that may fail for reasons outside our control (a parent window
// that is gone, shared memory a remote server cannot attach) are caught, not fatal.
struct ErrorTrap
{
  Display* dpy;
  int (*previous)(Display*, XErrorEvent*);
  explicit ErrorTrap(Display* d);
  // True when no error arrived since construction.
  bool Ok();
  ~ErrorTrap();
};

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

  Atom clipboard = 0, utf8 = 0, targets = 0, xembedInfo = 0, transfer = 0;
  std::string clipText;
  bool ownsClipboard = false;

  Time lastPressTime = 0;
  unsigned lastPressButton = 0;
  int lastPressX = -100, lastPressY = -100;

  Window tipWin = 0;
  std::unique_ptr<IRenderer> tipRenderer;

  std::vector<MenuLevel> menus;
  bool menuPointerUsed = false;

  std::vector<pid_t> children; // xdg-open processes not yet reaped
};

// ---- Images (ICanvasPresentX11.cpp) ------------------------------------------------------
void FreeImage(Display* dpy, XImage*& image, XShmSegmentInfo& shm, bool& useShm,
               std::vector<char>& plain);
bool MakeImage(Display* dpy, Visual* visual, int w, int h, XImage*& image, XShmSegmentInfo& shm,
               bool& useShm, std::vector<char>& plain);
// Copies a region of a premultiplied RGBA pixmap into a 32-bit image (composited on black).
void ConvertRegion(const IPixmap& src, XImage* dst, int x, int y, int w, int h, int rs, int gs,
                   int bs);
// Puts a whole pixmap into a window through a temporary image (menus and tooltips: small).
void PutPixmap(Display* dpy, Window win, GC gc, Visual* visual, const IPixmap& pix, int rs, int gs,
               int bs);

// ---- Overlays (ICanvasOverlaysX11.cpp) ---------------------------------------------------
enum class EOverlay
{
  Menu,
  Tooltip
};

// An override-redirect window for a menu level or a tooltip. Named and typed, so compositors
// treat it as the popup it is and tests can find it.
Window MakeOverlayWindow(Display* dpy, Visual* visual, Colormap cmap, int x, int y, int w, int h,
                         EOverlay kind);
// The item of a menu level at a root position: -2 outside the level, -1 on its padding.
int MenuItemAt(const MenuLevel& m, int rootX, int rootY, float scale);
bool Selectable(const IPopupMenu::Item* it);
void DrawMenu(Display* dpy, GC gc, Visual* visual, MenuLevel& m, int rs, int gs, int bs);
// Opens the sub-menu of item `i` of the deepest level, beside the item.
void OpenSubmenu(std::vector<MenuLevel>& menus, size_t level, int i, Display* dpy, Visual* visual,
                 Colormap cmap, GC gc, float scale, int rs, int gs, int bs);

} // namespace plugfw::ui
