// The pointer rules every platform window shares, driven as the windows drive them: the hidden,
// locked pointer and its warp back under both warp semantics (the faults once fixed per window:
// the Win32 slider drag undone by the jump back, X11 queued moves counted twice), buttons that do
// not count (side-button releases once dropped), and the tooltip's wait and hiding.

#include "GraphicsTestSupport.h"

#include <gtest/gtest.h>

using namespace gtest_support;

namespace {

// Hides and locks the pointer while pressed, as the editor's sliders do, and sums its drags.
class LockingProbe : public ProbeControl
{
public:
  using ProbeControl::ProbeControl;
  void OnPress(float x, float y, const IMouseMod& mod) override
  {
    ProbeControl::OnPress(x, y, mod);
    GetUI()->HideMouseCursor(true, true);
  }
  void OnRelease(float x, float y, const IMouseMod& mod) override
  {
    ProbeControl::OnRelease(x, y, mod);
    GetUI()->HideMouseCursor(false);
  }
  void OnDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override
  {
    ProbeControl::OnDrag(x, y, dX, dY, mod);
    travel += dX;
  }
  float travel = 0.f;
};

struct PointerRig : Rig
{
  explicit PointerRig(ICanvas::EWarpEcho echo)
  {
    g.SetWarpEcho(echo);
    probe = new LockingProbe(IRect(20, 20, 220, 50));
    g.AttachControl(probe);
    g.PointerPressed(IMouseInfo{120, 35, 0, 0, ICanvasHeadless::Left()}, EPointerButton::Left);
  }
  void Drag(float x) { g.PointerMoved(x, 35, ICanvasHeadless::Left(), true); }
  LockingProbe* probe = nullptr;
};

} // namespace

// Win32 puts the pointer back at once and coalesces moves: the one after a drag may already be
// measured from the hidden point, with no echo of the warp in between.
TEST(CanvasPointer, ImmediateWarpMeasuresTheNextMoveFromTheHiddenPoint)
{
  PointerRig r(ICanvas::EWarpEcho::Immediate);
  ASSERT_TRUE(r.g.CursorIsLocked());
  r.Drag(130); // 10 right: a drag, then the warp back
  r.Drag(125); // 5 right of the hidden point (the warp's own move never came)
  r.Drag(120); // the warp's move after all: no drag
  EXPECT_FLOAT_EQ(r.probe->travel, 15.f);
  EXPECT_EQ(r.probe->drags, 2);
  EXPECT_EQ(r.g.Warps().size(), 2u);
  r.g.PointerReleased(IMouseInfo{120, 35, 0, 0, IMouseMod()}, EPointerButton::Left);
  EXPECT_FALSE(r.g.CursorIsHidden());
  EXPECT_EQ(r.g.Warps().size(), 3u); // shown again where it was hidden
  EXPECT_EQ(r.g.Warps().back(), std::make_pair(120.f, 35.f));
}

// X11 moves queued before the server saw the warp were measured before it: each counts its own
// travel, and the move onto the hidden point is the warp's echo.
TEST(CanvasPointer, QueuedWarpCountsQueuedMovesOnceAndSkipsTheEcho)
{
  PointerRig r(ICanvas::EWarpEcho::Queued);
  r.Drag(130);
  r.Drag(140); // queued behind the first: 10 more, not 20
  r.Drag(120); // the echo
  r.Drag(126); // measured from the hidden point again
  EXPECT_FLOAT_EQ(r.probe->travel, 26.f);
  EXPECT_EQ(r.probe->drags, 3);
  // Without the lock, every move is a plain drag and nothing is put back.
  PointerRig plain(ICanvas::EWarpEcho::Queued);
  plain.g.HideMouseCursor(false);
  plain.Drag(130);
  plain.Drag(120);
  EXPECT_FLOAT_EQ(plain.probe->travel, 0.f);
  EXPECT_EQ(plain.probe->drags, 2);
  EXPECT_EQ(plain.g.Warps().size(), 1u); // only the show, from the press's hide
}

// A pen never locks the hidden pointer: there is no cursor to put back under a pen.
TEST(CanvasPointer, PenInputHidesWithoutLocking)
{
  Rig r;
  r.g.SetPenInput(true);
  r.g.HideMouseCursor(true, true);
  EXPECT_TRUE(r.g.CursorIsHidden());
  EXPECT_FALSE(r.g.CursorIsLocked());
  r.g.HideMouseCursor(false);
  EXPECT_TRUE(r.g.Warps().empty());
}

// Side buttons reach no control on either edge: a press that did would leave its gesture open.
TEST(CanvasPointer, ButtonsThatDoNotCountAreIgnoredOnBothEdges)
{
  Rig r;
  auto* toggle = new IVectorToggleControl(IRect(10, 10, 90, 40), 3);
  r.g.AttachControl(toggle);
  const IMouseInfo at{50, 25, 0, 0, ICanvasHeadless::Left()};
  EXPECT_FALSE(r.g.PointerPressed(at, EPointerButton::Other));
  EXPECT_FALSE(r.g.PointerReleased(at, EPointerButton::Other));
  EXPECT_TRUE(r.dlg.log.empty());
  EXPECT_FALSE(r.g.ControlIsCaptured());
  // A middle press counts and its release gives the control back.
  EXPECT_TRUE(r.g.PointerPressed(IMouseInfo{50, 25, 0, 0, IMouseMod()}, EPointerButton::Middle));
  EXPECT_TRUE(r.g.ControlIsCaptured());
  EXPECT_TRUE(r.g.PointerReleased(at, EPointerButton::Middle));
  EXPECT_FALSE(r.g.ControlIsCaptured());
  EXPECT_EQ(r.dlg.log.front(), "B3");
  EXPECT_EQ(r.dlg.log.back(), "E3");
}

// The frame-paced tooltip: shown after the wait over a control with a text, never while a
// control holds the pointer or the pointer is outside, and a new control starts the wait again.
TEST(CanvasPointer, TooltipWaitsAndHides)
{
  Rig r;
  r.g.EnableTooltips(true);
  auto* a = new ProbeControl(IRect(10, 10, 100, 50));
  auto* b = new ProbeControl(IRect(10, 60, 100, 100));
  a->SetTooltip("The first tip.");
  b->SetTooltip("The second tip.");
  r.g.AttachControl(a);
  r.g.AttachControl(b);
  bool hide = false;
  auto frames = [&](int n) {
    IControl* shown = nullptr;
    for (int i = 0; i < n && !shown; ++i)
      shown = r.g.TooltipFrameStep(hide);
    return shown;
  };
  r.g.PointerMoved(40, 30, IMouseMod(), false);
  EXPECT_EQ(frames(ICanvas::kTooltipDelayFrames - 1), nullptr);
  EXPECT_EQ(frames(1), a);
  r.g.TooltipShown();
  EXPECT_EQ(frames(30), nullptr); // shown once
  r.g.PointerMoved(40, 80, IMouseMod(), false);
  EXPECT_EQ(r.g.TooltipFrameStep(hide), nullptr);
  EXPECT_TRUE(hide); // another control: the shown tip goes
  EXPECT_FALSE(r.g.TooltipIsShown());
  EXPECT_EQ(frames(ICanvas::kTooltipDelayFrames), b);
  r.g.PointerLeft();
  EXPECT_EQ(r.g.TooltipFrameStep(hide), nullptr);
  EXPECT_TRUE(hide);
  EXPECT_EQ(frames(60), nullptr);
  r.g.PointerEntered(40, 30);
  r.g.PointerPressed(IMouseInfo{40, 30, 0, 0, ICanvasHeadless::Left()}, EPointerButton::Left);
  EXPECT_EQ(frames(60), nullptr); // a captured control shows none
}
