// The Windows window's pure pieces (menu texts, the vertical-blank loop against stand-ins for the
// driver) and, where a display exists, two real windows sharing one window class.

#include "graphics/ICanvasWin.h"
#include "plugin/IEditorDelegate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <vector>

using namespace plugfw::ui;

TEST(CanvasWin, MenuItemTextNumbersAndDoublesAmpersands)
{
  EXPECT_EQ(ICanvasWin::MenuItemText("Bass & Drums", 0, 0), L"Bass && Drums");
  EXPECT_EQ(ICanvasWin::MenuItemText("Low", 3, 1), L"3: Low");
  EXPECT_EQ(ICanvasWin::MenuItemText("Low", 3, 2), L"03: Low");
  EXPECT_EQ(ICanvasWin::MenuItemText("A&B", 12, 3), L"012: A&&B");
  EXPECT_EQ(ICanvasWin::MenuItemText("Grüße", 0, 0), L"Gr\u00fc\u00dfe");
}

namespace {
int gOpens, gCloses, gWaits;
bool gWaitFails;
LONG APIENTRY FakeOpen(void* p)
{
  ++gOpens;
  static_cast<UINT*>(p)[2] = 7; // adapter handle after the device context
  return 0;
}
LONG APIENTRY FakeClose(const void*)
{
  ++gCloses;
  return 0;
}
LONG APIENTRY FakeWait(const void*)
{
  ++gWaits;
  return gWaitFails ? -1 : 0;
}
} // namespace

TEST(CanvasWin, VBlankLoopPostsOncePerBlankAndClosesTheAdapter)
{
  gOpens = gCloses = gWaits = 0;
  gWaitFails = false;
  IVBlankApi api{FakeOpen, FakeClose, FakeWait};
  std::atomic<bool> stop{false};
  int posts = 0, sleeps = 0;
  RunVBlankLoop(
      api, nullptr, stop,
      [&] {
        if (++posts == 10)
          stop = true;
      },
      [&](DWORD) { ++sleeps; });
  EXPECT_EQ(posts, 10);
  EXPECT_EQ(gOpens, 1);
  EXPECT_EQ(gWaits, 9); // the first round opens the adapter
  EXPECT_EQ(gCloses, 1);
  EXPECT_EQ(sleeps, 0);
}

TEST(CanvasWin, VBlankLoopFailingWaitClosesAndSleeps)
{
  gOpens = gCloses = gWaits = 0;
  gWaitFails = true;
  IVBlankApi api{FakeOpen, FakeClose, FakeWait};
  std::atomic<bool> stop{false};
  int posts = 0, sleeps = 0;
  RunVBlankLoop(
      api, nullptr, stop,
      [&] {
        if (++posts == 4)
          stop = true;
      },
      [&](DWORD ms) {
        EXPECT_EQ(ms, 16u);
        ++sleeps;
      });
  EXPECT_EQ(gWaits, 1);
  EXPECT_EQ(gCloses, 1); // after the failed wait; reopening waits up to a second
  EXPECT_GE(sleeps, 2);
  EXPECT_EQ(posts, 4);
}

TEST(CanvasWin, VBlankLoopWithoutDriverFunctionsSleeps16ms)
{
  IVBlankApi api; // none found
  std::atomic<bool> stop{false};
  int posts = 0;
  std::vector<DWORD> sleeps;
  RunVBlankLoop(
      api, nullptr, stop,
      [&] {
        if (++posts == 3)
          stop = true;
      },
      [&](DWORD ms) { sleeps.push_back(ms); });
  EXPECT_EQ(posts, 3);
  EXPECT_EQ(sleeps, (std::vector<DWORD>{16, 16, 16}));
}

TEST(CanvasWin, TwoEditorsShareOneWindowClass)
{
  HWND parent = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 800, 800, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!parent)
  {
    if (std::getenv("QUELLOR_REQUIRE_WINDOWS"))
      FAIL() << "no window could be made";
    GTEST_SKIP() << "no display: windows are checked by the real-window step";
  }
  plugfw::IEditorDelegate d(0);
  ICanvasWin a(&d, 200, 100), b(&d, 200, 100);
  const int before = ICanvasWin::WindowClassRegistrations();
  ASSERT_NE(a.OpenWindow(parent), nullptr);
  ASSERT_NE(b.OpenWindow(parent), nullptr);
  EXPECT_EQ(ICanvasWin::WindowClassRegistrations(), before + 1);
  EXPECT_EQ(ICanvasWin::OpenWindowCount(), 2);
  RECT r;
  GetClientRect(a.GetWindow(), &r);
  EXPECT_EQ(r.right, 200);
  EXPECT_EQ(r.bottom, 100);
  a.CloseWindow();
  EXPECT_TRUE(ICanvasWin::WindowClassRegistered());
  b.CloseWindow();
  EXPECT_FALSE(ICanvasWin::WindowClassRegistered());
  EXPECT_EQ(ICanvasWin::OpenWindowCount(), 0);
  DestroyWindow(parent);
}
