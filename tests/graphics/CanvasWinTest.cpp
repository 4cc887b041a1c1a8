// The Windows window's pure pieces (menu texts, the vertical-blank loop against stand-ins for the
// driver) and, where a display exists, real windows: one class for two, the size kept on reopening.

#include "graphics/ICanvasWin.h"
#include "graphics/IControls.h"
#include "graphics/IVectorControls.h"
#include "plugin/ICanvasEditorDelegate.h"
#include "plugin/IEditorDelegate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <utility>
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

// A top-level host window for a test; null when none can be made, the test then failed when
// real windows are required and skipped otherwise.
void MakeHostWindow(int w, int h, HWND& out)
{
  out = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, w, h, nullptr, nullptr,
                        GetModuleHandleW(nullptr), nullptr);
  if (out)
    return;
  if (std::getenv("QUELLOR_REQUIRE_WINDOWS"))
    FAIL() << "no window could be made";
  GTEST_SKIP() << "no display: windows are checked by the real-window step";
}
} // namespace

namespace {
// Runs the loop until it has posted `rounds` ticks; the sleeps it asked for, in order.
std::vector<DWORD> RunLoopFor(const IVBlankApi& api, int rounds, int& posts)
{
  std::atomic<bool> stop{false};
  std::vector<DWORD> sleeps;
  posts = 0;
  RunVBlankLoop(
      api, nullptr, stop,
      [&] {
        if (++posts == rounds)
          stop = true;
      },
      [&](DWORD ms) { sleeps.push_back(ms); });
  return sleeps;
}
} // namespace

TEST(CanvasWin, VBlankLoopPostsOncePerBlankAndClosesTheAdapter)
{
  gOpens = gCloses = gWaits = 0;
  gWaitFails = false;
  int posts = 0;
  const std::vector<DWORD> sleeps =
      RunLoopFor(IVBlankApi{FakeOpen, FakeClose, FakeWait}, 10, posts);
  EXPECT_EQ(posts, 10);
  EXPECT_EQ(gOpens, 1);
  EXPECT_EQ(gWaits, 9); // the first round opens the adapter
  EXPECT_EQ(gCloses, 1);
  EXPECT_TRUE(sleeps.empty());
}

TEST(CanvasWin, VBlankLoopFailingWaitClosesAndSleeps)
{
  gOpens = gCloses = gWaits = 0;
  gWaitFails = true;
  int posts = 0;
  const std::vector<DWORD> sleeps = RunLoopFor(IVBlankApi{FakeOpen, FakeClose, FakeWait}, 4, posts);
  EXPECT_EQ(gWaits, 1);
  EXPECT_EQ(gCloses, 1); // after the failed wait; reopening waits up to a second
  EXPECT_GE(sleeps.size(), 2u);
  EXPECT_TRUE(std::all_of(sleeps.begin(), sleeps.end(), [](DWORD ms) { return ms == 16u; }));
  EXPECT_EQ(posts, 4);
}

TEST(CanvasWin, VBlankLoopWithoutDriverFunctionsSleeps16ms)
{
  int posts = 0;
  const std::vector<DWORD> sleeps = RunLoopFor(IVBlankApi{}, 3, posts); // none found
  EXPECT_EQ(posts, 3);
  EXPECT_EQ(sleeps, (std::vector<DWORD>{16, 16, 16}));
}

TEST(CanvasWin, TwoEditorsShareOneWindowClass)
{
  HWND parent = nullptr;
  MakeHostWindow(800, 800, parent);
  if (!parent)
    return;
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

// Scales from resizer drags are fractions of pixel positions; the reopened window (sized at
// creation) must have exactly the size the closed one had after its resize.
TEST(CanvasWin, ReopenedEditorHasThePixelSizeItWasClosedWith)
{
  HWND parent = nullptr;
  MakeHostWindow(1200, 1200, parent);
  if (!parent)
    return;
  _putenv_s("QUELLOR_PRESENTATION", "gdi"); // many windows: skip making a GL context for each
  plugfw::ICanvasEditorDelegate d(0);
  d.SetMakeGraphicsFunc([&d] { return new ICanvasWin(&d, 740, 726); });
  auto clientSize = [&d] {
    RECT r{};
    GetClientRect(dynamic_cast<ICanvasWin*>(d.GetGraphicsContext())->GetWindow(), &r);
    return std::pair<LONG, LONG>(r.right, r.bottom);
  };
  int fractional = 0;
  for (int pointer = 700; pointer <= 900; pointer += 4)
  {
    ASSERT_NE(d.OpenEditor(parent), nullptr);
    auto* g = dynamic_cast<ICanvasWin*>(d.GetGraphicsContext());
    // The scale a corner drag from (734, 720) to (pointer, pointer + 14) makes.
    const float s =
        std::min(static_cast<float>(pointer + 14) / 720.f, static_cast<float>(pointer) / 734.f);
    g->Resize(740, 726, s);
    fractional += std::floor(740.f * s) != 740.f * s;
    const auto before = clientSize();
    EXPECT_EQ(before, std::make_pair(static_cast<LONG>(g->WindowWidth()),
                                     static_cast<LONG>(g->WindowHeight())));
    d.CloseEditor();
    ASSERT_NE(d.OpenEditor(parent), nullptr);
    EXPECT_EQ(clientSize(), before) << "scale " << s;
    d.CloseEditor();
  }
  EXPECT_GT(fractional, 40); // the sizes that truncation and rounding up disagree on
  _putenv_s("QUELLOR_PRESENTATION", "");
  DestroyWindow(parent);
}

namespace {
struct GestureCounter : plugfw::IEditorDelegate
{
  GestureCounter() : IEditorDelegate(1) { GetParam(0)->DeclareDouble("Gain", 0., -24., 24., 0.1); }
  void BeginParameterChangeFromUI(int p) override
  {
    ++begins;
    IEditorDelegate::BeginParameterChangeFromUI(p);
  }
  void EndParameterChangeFromUI(int p) override
  {
    ++ends;
    IEditorDelegate::EndParameterChangeFromUI(p);
  }
  int begins = 0, ends = 0;
};
} // namespace

// A press on a value box opens the entry at once; its release comes before the frame step has
// drawn the entry and must still end the gesture and give back the capture.
TEST(CanvasWin, ReleaseOfThePressThatOpensAnEntryEndsItsGesture)
{
  HWND parent = nullptr;
  MakeHostWindow(400, 300, parent);
  if (!parent)
    return;
  _putenv_s("QUELLOR_PRESENTATION", "gdi");
  GestureCounter d;
  ICanvasWin g(&d, 300, 200);
  g.AttachPanelBackground(IColor(255, 20, 20, 20));
  g.AttachControl(new ICaptionControl(IRect(100, 50, 200, 80), 0));
  ASSERT_NE(g.OpenWindow(parent), nullptr);
  HWND wnd = g.GetWindow();
  const LPARAM inBox = MAKELPARAM(150, 65), elsewhere = MAKELPARAM(20, 180);
  for (int round = 1; round <= 2; ++round)
  {
    SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, inBox);
    ASSERT_NE(FindWindowExW(wnd, nullptr, L"EDIT", nullptr), nullptr) << "round " << round;
    SendMessageW(wnd, WM_LBUTTONUP, 0, inBox);
    EXPECT_EQ(d.begins, round);
    EXPECT_EQ(d.ends, round);
    EXPECT_NE(GetCapture(), wnd);
    EXPECT_FALSE(g.ControlIsCaptured());
    // Escape, then a frame step, closes the entry; a press elsewhere then begins nothing.
    SendMessageW(FindWindowExW(wnd, nullptr, L"EDIT", nullptr), WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageW(wnd, WM_TIMER, 2, 0);
    EXPECT_EQ(FindWindowExW(wnd, nullptr, L"EDIT", nullptr), nullptr);
    SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, elsewhere);
    SendMessageW(wnd, WM_LBUTTONUP, 0, elsewhere);
    EXPECT_EQ(d.begins, round) << "a press outside the box reached it";
    EXPECT_EQ(FindWindowExW(wnd, nullptr, L"EDIT", nullptr), nullptr);
  }
  g.CloseWindow();
  _putenv_s("QUELLOR_PRESENTATION", "");
  DestroyWindow(parent);
}

namespace {
// A window with one slider and one value box on parameter 0 (Gain, -24..24 dB), shown through
// GDI; the host window it needs is destroyed with it.
class CanvasWinControls : public ::testing::Test
{
protected:
  void SetUp() override
  {
    MakeHostWindow(400, 300, parent);
    if (!parent)
      return;
    _putenv_s("QUELLOR_PRESENTATION", "gdi");
    g.AttachPanelBackground(IColor(255, 20, 20, 20));
    slider = g.AttachControl(new IVectorSliderControl(IRect(20, 20, 220, 50), 0, "", DEFAULT_STYLE,
                                                      EDirection::Horizontal));
    g.AttachControl(new ICaptionControl(IRect(100, 100, 200, 130), 0));
    wnd = g.OpenWindow(parent) ? g.GetWindow() : nullptr;
    ASSERT_NE(wnd, nullptr);
  }
  void TearDown() override
  {
    if (!parent)
      return;
    g.CloseWindow();
    _putenv_s("QUELLOR_PRESENTATION", "");
    DestroyWindow(parent);
  }
  GestureCounter d;
  HWND parent = nullptr, wnd = nullptr;
  ICanvasWin g{&d, 300, 200};
  IControl* slider = nullptr;
};
} // namespace

// A slider hides the cursor while dragged and puts it back after each move; the move that the
// jump back produces is no drag of its own.
TEST_F(CanvasWinControls, HiddenCursorDragMovesASliderByThePointersTravel)
{
  SendMessageW(wnd, WM_TIMER, ICanvasWin::kFrameTimerId, 0); // the first frame lays out the track
  SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(120, 35));
  const double v0 = slider->GetValue(); // the press puts the value under the pointer
  ASSERT_TRUE(g.CursorIsHidden());
  for (int step = 1; step <= 4; ++step)
  {
    SendMessageW(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(130, 35)); // 10 pixels right
    // What the system sends once the cursor is back where it was hidden.
    SendMessageW(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(120, 35));
  }
  SendMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(120, 35));
  EXPECT_FALSE(g.CursorIsHidden());
  // 40 pixels along a track narrower than the control, at the slider's gearing: clearly up.
  EXPECT_GT(slider->GetValue(), v0 + 0.02);
  EXPECT_EQ(d.begins, 1);
  EXPECT_EQ(d.ends, 1);
}

// A middle press captures the mouse like the others; its release must give the capture back.
TEST_F(CanvasWinControls, MiddleButtonReleaseEndsItsCapture)
{
  SendMessageW(wnd, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(120, 35));
  EXPECT_TRUE(g.ControlIsCaptured());
  SendMessageW(wnd, WM_MBUTTONUP, 0, MAKELPARAM(120, 35));
  EXPECT_FALSE(g.ControlIsCaptured());
  EXPECT_NE(GetCapture(), wnd);
  EXPECT_EQ(d.begins, d.ends);
}

// Pasting into a value box's entry keeps only what typing could enter there.
TEST_F(CanvasWinControls, PasteIntoAnEntryIsFilteredLikeTyping)
{
  SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 115));
  SendMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(150, 115));
  HWND edit = FindWindowExW(wnd, nullptr, L"EDIT", nullptr);
  ASSERT_NE(edit, nullptr);
  if (!g.SetClipboardText("-1x2.5 dB"))
    GTEST_SKIP() << "no clipboard";
  SetWindowTextW(edit, L"");
  SendMessageW(edit, WM_PASTE, 0, 0);
  wchar_t text[64] = {};
  GetWindowTextW(edit, text, 64);
  EXPECT_STREQ(text, L"-12.5");
  SendMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
  SendMessageW(wnd, WM_TIMER, ICanvasWin::kFrameTimerId, 0);
}

// Under Wine the GL path shows hosts an all-black editor: without a choice in the environment the
// window presents through GDI there; the variable still chooses either path.
TEST(CanvasWin, PresentationDefaultsToGdiUnderWineAndTheVariableOverrides)
{
  _putenv_s("QUELLOR_PRESENTATION", "");
  const EPresentation byDefault =
      ICanvasWin::RunningUnderWine() ? EPresentation::GDI : EPresentation::OpenGL;
  EXPECT_EQ(ICanvasWin::RequestedPresentation(), byDefault);
  _putenv_s("QUELLOR_PRESENTATION", "opengl");
  EXPECT_EQ(ICanvasWin::RequestedPresentation(), EPresentation::OpenGL);
  _putenv_s("QUELLOR_PRESENTATION", "gdi");
  EXPECT_EQ(ICanvasWin::RequestedPresentation(), EPresentation::GDI);
  _putenv_s("QUELLOR_PRESENTATION", "");

  HWND parent = nullptr;
  MakeHostWindow(400, 300, parent);
  if (!parent)
    return;
  plugfw::IEditorDelegate d(0);
  ICanvasWin g(&d, 200, 100);
  ASSERT_NE(g.OpenWindow(parent), nullptr);
  if (byDefault == EPresentation::GDI)
    EXPECT_EQ(g.GetPresentation(), EPresentation::GDI);
  else // OpenGL where a context can be made, GDI where none can
    EXPECT_NE(g.GetPresentation(), EPresentation::None);
  g.CloseWindow();
  DestroyWindow(parent);
}
