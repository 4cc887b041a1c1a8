#pragma once
// The editor's cursor kinds and key codes against each windowing system's own, as data, so that
// every platform window maps them the same way. Key codes of the framework are the Windows
// virtual-key numbers (IKeyPress::VK); X11 key symbols map onto them.

#include "graphics/IGraphicsTypes.h"

namespace plugfw::ui {

struct ICursorShape
{
  ECursor cursor;
  int win32Id;          // IDC_* resource number of the system cursor
  unsigned x11CursorId; // glyph of the X cursor font (XC_*)
};

// The entry for a cursor kind; any value outside the table is the arrow.
const ICursorShape& CursorShape(ECursor cursor);
inline int Win32CursorId(ECursor cursor)
{
  return CursorShape(cursor).win32Id;
}
inline unsigned X11CursorId(ECursor cursor)
{
  return CursorShape(cursor).x11CursorId;
}

// Virtual-key code for an X11 key symbol; 0 when the key has none.
int VirtualKeyFromX11KeySym(unsigned long keysym);
// The X11 key symbol of a virtual-key code (the first one mapping to it); 0 when none.
unsigned long X11KeySymFromVirtualKey(int vk);

// Virtual-key codes the framework's controls and the text entry refer to.
namespace vk {
inline constexpr int kBack = 0x08;
inline constexpr int kTab = 0x09;
inline constexpr int kReturn = 0x0D;
inline constexpr int kShift = 0x10;
inline constexpr int kControl = 0x11;
inline constexpr int kMenu = 0x12; // alt
inline constexpr int kEscape = 0x1B;
inline constexpr int kSpace = 0x20;
inline constexpr int kPrior = 0x21;
inline constexpr int kNext = 0x22;
inline constexpr int kEnd = 0x23;
inline constexpr int kHome = 0x24;
inline constexpr int kLeft = 0x25;
inline constexpr int kUp = 0x26;
inline constexpr int kRight = 0x27;
inline constexpr int kDown = 0x28;
inline constexpr int kDelete = 0x2E;
inline constexpr int kF1 = 0x70;
} // namespace vk

} // namespace plugfw::ui
