#include "graphics/IPlatformTables.h"

#include <gtest/gtest.h>

#include <set>

using namespace plugfw::ui;

TEST(PlatformTables, CursorKindsMapToDistinctSystemCursors)
{
  std::set<int> win;
  for (int i = 0; i <= static_cast<int>(ECursor::Help); ++i)
  {
    const auto c = static_cast<ECursor>(i);
    EXPECT_EQ(CursorShape(c).cursor, c);
    win.insert(Win32CursorId(c));
  }
  EXPECT_EQ(win.size(), 14u);
  EXPECT_EQ(Win32CursorId(ECursor::Hand), 32649);
  EXPECT_EQ(X11CursorId(ECursor::IBeam), 152u);
  EXPECT_EQ(X11CursorId(ECursor::SizeWE), 108u);
  // Out-of-range kinds are the arrow.
  EXPECT_EQ(Win32CursorId(static_cast<ECursor>(99)), 32512);
  EXPECT_EQ(X11CursorId(static_cast<ECursor>(-1)), 68u);
}

TEST(PlatformTables, X11KeysToVirtualKeys)
{
  EXPECT_EQ(VirtualKeyFromX11KeySym('a'), 'A');
  EXPECT_EQ(VirtualKeyFromX11KeySym('Q'), 'Q');
  EXPECT_EQ(VirtualKeyFromX11KeySym('7'), '7');
  EXPECT_EQ(VirtualKeyFromX11KeySym(0xff1b), vk::kEscape);
  EXPECT_EQ(VirtualKeyFromX11KeySym(0xff0d), vk::kReturn);
  EXPECT_EQ(VirtualKeyFromX11KeySym(0xff8d), vk::kReturn);
  EXPECT_EQ(VirtualKeyFromX11KeySym(0xff08), vk::kBack);
  EXPECT_EQ(VirtualKeyFromX11KeySym(0xffff), vk::kDelete);
  EXPECT_EQ(VirtualKeyFromX11KeySym(0xff51), vk::kLeft);
  EXPECT_EQ(VirtualKeyFromX11KeySym(0xffbe), vk::kF1);
  EXPECT_EQ(VirtualKeyFromX11KeySym(0xffd5), 0x87); // F24
  EXPECT_EQ(VirtualKeyFromX11KeySym(0xffb3), 0x63); // KP_3
  EXPECT_EQ(VirtualKeyFromX11KeySym('-'), 0xBD);
  EXPECT_EQ(VirtualKeyFromX11KeySym(0x1234567), 0);
  EXPECT_EQ(VirtualKeyFromX11KeySym(0), 0);
}

TEST(PlatformTables, EveryMappedVirtualKeyComesBack)
{
  for (int code = 1; code < 256; ++code)
  {
    const unsigned long sym = X11KeySymFromVirtualKey(code);
    if (sym != 0)
    {
      EXPECT_EQ(VirtualKeyFromX11KeySym(sym), code) << "virtual key " << code;
    }
  }
  EXPECT_EQ(X11KeySymFromVirtualKey('A'), static_cast<unsigned long>('a'));
  EXPECT_EQ(X11KeySymFromVirtualKey(vk::kEscape), 0xff1bul);
  EXPECT_EQ(X11KeySymFromVirtualKey(0x07), 0ul);
}
