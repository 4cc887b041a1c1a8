#include "graphics/IPlatformTables.h"

#include <array>

namespace plugfw::ui {

namespace {

constexpr std::array<ICursorShape, 14> kCursors{{
    {ECursor::Arrow, 32512, 68},        // IDC_ARROW, XC_left_ptr
    {ECursor::IBeam, 32513, 152},       // IDC_IBEAM, XC_xterm
    {ECursor::Wait, 32514, 150},        // IDC_WAIT, XC_watch
    {ECursor::Cross, 32515, 34},        // IDC_CROSS, XC_crosshair
    {ECursor::UpArrow, 32516, 114},     // IDC_UPARROW, XC_sb_up_arrow
    {ECursor::SizeNWSE, 32642, 14},     // IDC_SIZENWSE, XC_bottom_right_corner
    {ECursor::SizeNESW, 32643, 12},     // IDC_SIZENESW, XC_bottom_left_corner
    {ECursor::SizeWE, 32644, 108},      // IDC_SIZEWE, XC_sb_h_double_arrow
    {ECursor::SizeNS, 32645, 116},      // IDC_SIZENS, XC_sb_v_double_arrow
    {ECursor::SizeAll, 32646, 52},      // IDC_SIZEALL, XC_fleur
    {ECursor::No, 32648, 0},            // IDC_NO, XC_X_cursor
    {ECursor::Hand, 32649, 60},         // IDC_HAND, XC_hand2
    {ECursor::AppStarting, 32650, 150}, // IDC_APPSTARTING, XC_watch
    {ECursor::Help, 32651, 92},         // IDC_HELP, XC_question_arrow
}};

struct KeyPair
{
  unsigned long keysym;
  int vk;
};

// Single keys; ranges (letters, digits, function and keypad digits) are handled in code.
constexpr KeyPair kKeys[] = {
    {0xff08, 0x08}, // BackSpace
    {0xff09, 0x09}, // Tab
    {0xfe20, 0x09}, // ISO_Left_Tab (shift+tab)
    {0xff0d, 0x0D}, // Return
    {0xff8d, 0x0D}, // KP_Enter
    {0xffe1, 0x10}, // Shift_L
    {0xffe2, 0x10}, // Shift_R
    {0xffe3, 0x11}, // Control_L
    {0xffe4, 0x11}, // Control_R
    {0xffe9, 0x12}, // Alt_L
    {0xffea, 0x12}, // Alt_R
    {0xff13, 0x13}, // Pause
    {0xffe5, 0x14}, // Caps_Lock
    {0xff1b, 0x1B}, // Escape
    {0x0020, 0x20}, // space
    {0xff55, 0x21}, // Prior
    {0xff9a, 0x21}, // KP_Prior
    {0xff56, 0x22}, // Next
    {0xff9b, 0x22}, // KP_Next
    {0xff57, 0x23}, // End
    {0xff9c, 0x23}, // KP_End
    {0xff50, 0x24}, // Home
    {0xff95, 0x24}, // KP_Home
    {0xff51, 0x25}, // Left
    {0xff96, 0x25}, // KP_Left
    {0xff52, 0x26}, // Up
    {0xff97, 0x26}, // KP_Up
    {0xff53, 0x27}, // Right
    {0xff98, 0x27}, // KP_Right
    {0xff54, 0x28}, // Down
    {0xff99, 0x28}, // KP_Down
    {0xff61, 0x2C}, // Print
    {0xff63, 0x2D}, // Insert
    {0xff9e, 0x2D}, // KP_Insert
    {0xffff, 0x2E}, // Delete
    {0xff9f, 0x2E}, // KP_Delete
    {0xff6a, 0x2F}, // Help
    {0xffeb, 0x5B}, // Super_L
    {0xffec, 0x5C}, // Super_R
    {0xff67, 0x5D}, // Menu
    {0xffaa, 0x6A}, // KP_Multiply
    {0xffab, 0x6B}, // KP_Add
    {0xffac, 0x6C}, // KP_Separator
    {0xffad, 0x6D}, // KP_Subtract
    {0xffae, 0x6E}, // KP_Decimal
    {0xffaf, 0x6F}, // KP_Divide
    {0xff7f, 0x90}, // Num_Lock
    {0xff14, 0x91}, // Scroll_Lock
    {0x003b, 0xBA}, // semicolon
    {0x003a, 0xBA}, // colon
    {0x003d, 0xBB}, // equal
    {0x002b, 0xBB}, // plus
    {0x002c, 0xBC}, // comma
    {0x003c, 0xBC}, // less
    {0x002d, 0xBD}, // minus
    {0x005f, 0xBD}, // underscore
    {0x002e, 0xBE}, // period
    {0x003e, 0xBE}, // greater
    {0x002f, 0xBF}, // slash
    {0x003f, 0xBF}, // question
    {0x0060, 0xC0}, // grave
    {0x007e, 0xC0}, // asciitilde
    {0x005b, 0xDB}, // bracketleft
    {0x007b, 0xDB}, // braceleft
    {0x005c, 0xDC}, // backslash
    {0x007c, 0xDC}, // bar
    {0x005d, 0xDD}, // bracketright
    {0x007d, 0xDD}, // braceright
    {0x0027, 0xDE}, // apostrophe
    {0x0022, 0xDE}, // quotedbl
};

} // namespace

const ICursorShape& CursorShape(ECursor cursor)
{
  const int i = static_cast<int>(cursor);
  if (i < 0 || i >= static_cast<int>(kCursors.size()))
    return kCursors[0];
  return kCursors[static_cast<size_t>(i)];
}

int VirtualKeyFromX11KeySym(unsigned long keysym)
{
  if (keysym >= 'a' && keysym <= 'z')
    return static_cast<int>(keysym - 'a') + 'A';
  if ((keysym >= 'A' && keysym <= 'Z') || (keysym >= '0' && keysym <= '9'))
    return static_cast<int>(keysym);
  if (keysym >= 0xffb0 && keysym <= 0xffb9) // KP_0 .. KP_9
    return 0x60 + static_cast<int>(keysym - 0xffb0);
  if (keysym >= 0xffbe && keysym <= 0xffd5) // F1 .. F24
    return 0x70 + static_cast<int>(keysym - 0xffbe);
  for (const KeyPair& k : kKeys)
    if (k.keysym == keysym)
      return k.vk;
  return 0;
}

unsigned long X11KeySymFromVirtualKey(int vk)
{
  if (vk >= 'A' && vk <= 'Z') // the unshifted letter
    return static_cast<unsigned long>('a' + (vk - 'A'));
  if (vk >= '0' && vk <= '9')
    return static_cast<unsigned long>(vk);
  if (vk >= 0x60 && vk <= 0x69)
    return 0xffb0ul + static_cast<unsigned long>(vk - 0x60);
  if (vk >= 0x70 && vk <= 0x87)
    return 0xffbeul + static_cast<unsigned long>(vk - 0x70);
  for (const KeyPair& k : kKeys)
    if (k.vk == vk)
      return k.keysym;
  return 0;
}

} // namespace plugfw::ui
