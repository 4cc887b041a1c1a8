#include "tests/editor/EditorRig.h"
#include "tests/support/AllocationCounter.h"

#include <cstdlib>

namespace editor_test {
namespace {

constexpr IColor kGold(255, 255, 200, 0);

TEST(SpectrumControl, DraggingAnAutomaticHandleMovesItAndTheEngineMakesItManual)
{
  EditorRig r;
  r.RingUntilCaught();
  r.Frame();
  NotchSlot s = r.Slot(0);
  ASSERT_TRUE(s.active);
  ASSERT_FALSE(s.manual);
  const float cx = r.spectrum->FreqToX(s.frequency);
  const float cy = r.spectrum->LevelToY(s.targetDepth);
  EXPECT_TRUE(Near(r.Pixel(cx, cy), 255, 200, 0)) << Str(r.Pixel(cx, cy));
  r.Save("spectrum-auto.png");

  // Grabbed off-centre: the handle then follows the pointer itself, not the press offset.
  r.g.Press(cx + 3.0f, cy + 2.0f);
  EXPECT_EQ(r.q.SelectedNotch.load(), 0);
  EXPECT_EQ(r.spectrum->DragSlot(), 0);
  const float tx = r.spectrum->FreqToX(1000.0f);
  const float ty = r.spectrum->LevelToY(-20.0f);
  r.g.DragTo(tx - 40.0f, ty);
  r.g.DragTo(tx, ty);
  EXPECT_EQ(r.q.NotchCommandQueue.Pending(), 2) << "one command per drag event";
  r.g.Release(tx, ty);
  r.Process(1);
  r.Frame();

  s = r.Slot(0);
  EXPECT_TRUE(s.active);
  EXPECT_TRUE(s.manual);
  EXPECT_FLOAT_EQ(s.frequency, r.spectrum->XToFreq(tx));
  EXPECT_NEAR(s.frequency, 1000.0f, 0.5f);
  EXPECT_FLOAT_EQ(s.targetDepth, r.spectrum->YToLevel(ty));
  EXPECT_TRUE(Near(r.Pixel(tx, ty), 0, 150, 235)) << Str(r.Pixel(tx, ty));
  // The selection ring, 7 pixels out and 2 wide.
  EXPECT_TRUE(Near(r.Pixel(tx, ty - 7.0f), 255, 255, 255, 40)) << Str(r.Pixel(tx, ty - 7.0f));
  EXPECT_FALSE(Near(r.Pixel(cx, cy), 255, 200, 0)) << "the old gold handle is gone";
  r.Save("spectrum-dragged.png");

  // The drag slot outlives the release: further drags still address slot 0 until the next press.
  EXPECT_EQ(r.spectrum->DragSlot(), 0);
}

TEST(SpectrumControl, DragsOutsideThePlotQueueItsEdgeValues)
{
  EditorRig r;
  r.RingUntilCaught();
  r.Frame();
  const NotchSlot s = r.Slot(0);
  const float cx = r.spectrum->FreqToX(s.frequency);
  const float cy = r.spectrum->LevelToY(s.targetDepth);
  r.g.Press(cx, cy);

  // Above and left: 20 Hz and +3 dB, which the engine limits to 0 dB.
  r.g.DragTo(-50.0f, -50.0f);
  r.Process(1);
  EXPECT_FLOAT_EQ(r.Slot(0).frequency, 20.0f);
  EXPECT_FLOAT_EQ(r.Slot(0).targetDepth, 0.0f);
  // Below and right: fmax and -40 dB.
  r.g.DragTo(900.0f, 400.0f);
  r.Process(1);
  EXPECT_NEAR(r.Slot(0).frequency, 20000.0f, 0.01f);
  EXPECT_FLOAT_EQ(r.Slot(0).targetDepth, -40.0f);
  r.g.Release(900.0f, 400.0f);

  // A press on empty graph deselects, and a drag from there queues nothing.
  r.g.Press(300.0f, 60.0f);
  EXPECT_EQ(r.q.SelectedNotch.load(), -1);
  EXPECT_EQ(r.spectrum->DragSlot(), -1);
  r.g.DragTo(320.0f, 80.0f);
  EXPECT_EQ(r.q.NotchCommandQueue.Pending(), 0);
}

TEST(SpectrumControl, DoubleClickAddsAtThePointerOnlyAwayFromHandles)
{
  EditorRig r;
  r.RingUntilCaught();
  r.Frame();
  const float x = r.spectrum->FreqToX(600.0f) + 0.37f;
  r.g.DoubleClick(x, 40.0f);
  r.Process(1);
  r.Frame();
  const NotchSlot added = r.Slot(1);
  ASSERT_TRUE(added.active);
  EXPECT_TRUE(added.manual);
  EXPECT_FLOAT_EQ(added.frequency, r.spectrum->XToFreq(x));
  EXPECT_FLOAT_EQ(added.targetDepth, -18.0f);
  EXPECT_FLOAT_EQ(added.width, 25.0f);
  EXPECT_EQ(r.ActiveSlots(), 2);

  // On either handle, nothing is added.
  for (int i = 0; i < 2; ++i)
  {
    const NotchSlot s = r.Slot(i);
    r.g.DoubleClick(r.spectrum->FreqToX(s.frequency) + 4.0f,
                    r.spectrum->LevelToY(s.targetDepth) - 4.0f);
  }
  EXPECT_EQ(r.q.NotchCommandQueue.Pending(), 0);
  r.Process(1);
  EXPECT_EQ(r.ActiveSlots(), 2);
}

TEST(SpectrumControl, WheelStepsTheSelectedWidthAndStopsAtItsLimits)
{
  EditorRig r;
  r.Process(1);
  const float x = r.spectrum->FreqToX(1500.0f);
  r.g.DoubleClick(x, 50.0f);
  r.Process(1);
  r.Frame();
  ASSERT_TRUE(r.Slot(0).active);
  r.g.Press(x, r.spectrum->LevelToY(-18.0f));
  ASSERT_EQ(r.q.SelectedNotch.load(), 0);

  auto step = [&](float delta) {
    r.g.Wheel(x, 50.0f, delta);
    r.Process(1);
    r.Frame();
    return r.Slot(0).width;
  };
  EXPECT_FLOAT_EQ(step(1.0f), static_cast<float>(25.0f * 1.12));
  float q = 0.0f;
  for (int i = 0; i < 12; ++i)
    q = step(1.0f);
  EXPECT_EQ(q, 60.0f);
  EXPECT_EQ(step(1.0f), 60.0f);
  EXPECT_FLOAT_EQ(step(-1.0f), static_cast<float>(60.0f * 0.89));
  for (int i = 0; i < 45; ++i)
    q = step(-1.0f);
  EXPECT_EQ(q, 0.5f);
  EXPECT_EQ(step(-1.0f), 0.5f);

  // No selection, or a selection beyond the table: the wheel does nothing.
  r.g.Press(200.0f, 150.0f);
  ASSERT_EQ(r.q.SelectedNotch.load(), -1);
  r.g.Wheel(x, 50.0f, 1.0f);
  r.q.SelectedNotch.store(20);
  r.g.Wheel(x, 50.0f, 1.0f);
  EXPECT_EQ(r.q.NotchCommandQueue.Pending(), 0);
  // A free slot may be selected and widened: its stored width changes for when it is next set.
  r.q.SelectedNotch.store(5);
  r.g.Wheel(x, 50.0f, 1.0f);
  r.Process(1);
  EXPECT_FLOAT_EQ(r.Slot(5).width, static_cast<float>(25.0f * 1.12));
  EXPECT_FALSE(r.Slot(5).active);
}

TEST(SpectrumControl, HitTestTakesTheNearestHandleWithinSixteenPixelsTiesToTheLowerSlot)
{
  EditorRig r;
  r.Process(1);
  // Slots 0 and 1 coincide; slot 2 lies to the right.
  const float f2 = r.spectrum->XToFreq(r.spectrum->FreqToX(2000.0f) + 20.0f);
  r.q.PushNotchCommand(kNotchAdd, 0, 2000.0f, -20.0f, 25.0f);
  r.q.PushNotchCommand(kNotchAdd, 0, 2000.0f, -20.0f, 25.0f);
  r.q.PushNotchCommand(kNotchAdd, 0, f2, -20.0f, 25.0f);
  r.Process(1);
  r.Frame();
  ASSERT_EQ(r.ActiveSlots(), 3);
  const float cx = r.spectrum->FreqToX(2000.0f);
  const float cy = r.spectrum->LevelToY(-20.0f);
  EXPECT_EQ(r.spectrum->HitHandle(cx, cy), 0);
  EXPECT_EQ(r.spectrum->HitHandle(cx + 9.0f, cy), 0) << "closer to 0/1 than to 2";
  EXPECT_EQ(r.spectrum->HitHandle(cx + 11.0f, cy), 2);

  ASSERT_EQ((cy + 16.0f) - cy, 16.0f);
  EXPECT_EQ(r.spectrum->HitHandle(cx, cy + 16.0f), -1);
  EXPECT_EQ(r.spectrum->HitHandle(cx, cy + 15.9f), 0);
  // Euclidean, not a box: 12 pixels on each axis is about 17 away.
  EXPECT_EQ(r.spectrum->HitHandle(cx - 12.0f, cy - 12.0f), -1);

  // The same through the pointer: a press selects by the hit test.
  r.g.Press(cx - 3.0f, cy + 15.0f);
  EXPECT_EQ(r.q.SelectedNotch.load(), 0);
  r.g.Release(cx - 3.0f, cy + 15.0f);
  r.g.Press(cx + 20.0f, cy + 1.0f);
  EXPECT_EQ(r.q.SelectedNotch.load(), 2);
  r.g.Release(cx + 20.0f, cy + 1.0f);

  // Inactive slots have no handle.
  r.q.PushNotchCommand(kNotchClear, 2, 0, 0, 0);
  for (int i = 0; i < 20; ++i)
    r.Process(1);
  r.Frame();
  EXPECT_EQ(r.spectrum->HitHandle(cx + 20.0f, cy), -1);
}

TEST(SpectrumControl, GridCurveAndResponseFollowTheSampleRateAndTheAudio)
{
  const IRect rc(10, 10, 652, 180);
  const float bottomOfPlot = rc.B - 16.0f;
  // Before audio the reset's silent spectrum lies on the plot floor: no curve above it and no
  // handles, but the grid and the flat response line.
  EditorRig r48;
  r48.Frame();
  r48.Save("spectrum-empty.png");
  const float y0 = r48.spectrum->LevelToY(0.0f);
  const float yLow = r48.spectrum->LevelToY(-25.0f);
  const float x1k = r48.spectrum->FreqToX(1500.0f);
  EXPECT_TRUE(Near(r48.Pixel(x1k, y0), 210, 38, 38, 40)) << Str(r48.Pixel(x1k, y0));
  EXPECT_TRUE(Near(r48.Pixel(x1k, yLow), 11, 15, 20, 2)) << Str(r48.Pixel(x1k, yLow));
  // The 20 kHz line sits on the plot's right edge at 48 kHz.
  const float edge = rc.R - 30.0f;
  const IColor lit = r48.Pixel(edge, yLow);
  EXPECT_GT(lit.R, 20) << Str(lit);

  // At 32 kHz fmax is 16 kHz: no 20 kHz line, but "10k" is still labelled.
  EditorRig r32(32000.0);
  r32.Frame();
  r32.Save("spectrum-32k.png");
  EXPECT_FLOAT_EQ(r32.spectrum->MaxFrequency(), 16000.0f);
  EXPECT_TRUE(Near(r32.Pixel(edge, yLow), 11, 15, 20, 2)) << Str(r32.Pixel(edge, yLow));
  EXPECT_TRUE(Near(r32.Pixel(edge - 1.0f, yLow), 11, 15, 20, 2));
  const float x10k = r32.spectrum->FreqToX(10000.0f);
  int labelPixels = 0;
  for (float y = rc.B - 15.0f; y < rc.B; y += 1.0f)
    for (float x = x10k - 14.0f; x < x10k + 16.0f; x += 1.0f)
      labelPixels += r32.Pixel(x, y).R > 60 ? 1 : 0;
  EXPECT_GT(labelPixels, 10);

  // Loud noise alone: a curve near the top of the plot, filled below it.
  r48.noise = 0.5;
  r48.Process(10);
  r48.Frame();
  r48.Save("spectrum-noise.png");
  int filled = 0;
  for (float x = rc.L + 10.0f; x < rc.R - 40.0f; x += 20.0f)
    filled += Near(r48.Pixel(x, bottomOfPlot - 2.0f), 14, 55, 64, 6) ? 1 : 0;
  EXPECT_GT(filled, 25) << "of 30 sampled columns";

  // The ring: the curve is normalised, so its highest in-band bin, the tone, sits at 0 dB.
  r48.noise = 0.001;
  r48.RingUntilCaught();
  r48.Frame();
  r48.Save("spectrum-ring.png");
  const float xTone = r48.spectrum->FreqToX(2500.0f);
  float peakY = bottomOfPlot;
  for (float x = xTone - 3.0f; x <= xTone + 3.0f; x += 1.0f)
    for (float y = rc.T; y < bottomOfPlot; y += 1.0f)
    {
      const IColor c = r48.Pixel(x, y);
      if (Near(c, 47, 208, 230, 60) && y < peakY)
        peakY = y;
    }
  EXPECT_NEAR(peakY, y0, 2.0f);
}

TEST(SpectrumControl, NotchResponseIsTheCookbookPeakingFilter)
{
  // At the centre the peaking filter reaches its gain exactly; far away it is flat.
  EXPECT_NEAR(SpectrumControl::NotchResponseDb(2500.0, 2500.0, 25.0, -30.0, 48000.0), -30.0f,
              1e-4f);
  EXPECT_NEAR(SpectrumControl::NotchResponseDb(200.0, 2500.0, 25.0, -30.0, 48000.0), 0.0f, 0.01f);
  // Band edges of a peaking filter with Q 25 lie near f0 (1 +- 1/(2Q)): the response there is
  // about half the depth in dB for a deep cut (the cookbook's gain-midpoint definition).
  const float edge =
      SpectrumControl::NotchResponseDb(2500.0 * (1.0 + 1.0 / 50.0), 2500.0, 25.0, -30.0, 48000.0);
  EXPECT_GT(edge, -20.0f);
  EXPECT_LT(edge, -10.0f);
  // Degenerate notches contribute nothing rather than poisoning the sum.
  EXPECT_EQ(SpectrumControl::NotchResponseDb(1000.0, 0.0, 25.0, -30.0, 48000.0), 0.0f);
  EXPECT_EQ(SpectrumControl::NotchResponseDb(1000.0, 1000.0, 0.0, -30.0, 48000.0), 0.0f);
  // Deeper than 120 dB the magnitude floor holds.
  EXPECT_NEAR(SpectrumControl::NotchResponseDb(1000.0, 1000.0, 25.0, -200.0, 48000.0), -120.0f,
              1e-3f);
}

TEST(SpectrumControl, UnusableRatesAndCollapsedRectanglesStayDefined)
{
  EditorRig r;
  r.RingUntilCaught();
  double rate = 32000.0;
  EditorExchange ex = ExchangeOf(r.q);
  ex.sampleRate = [&rate] { return rate; };
  auto* odd = static_cast<SpectrumControl*>(
      r.g.AttachControl(new SpectrumControl(IRect(100, 400, 140, 410), ex)));
  auto* flat =
      static_cast<BankControl*>(r.g.AttachControl(new BankControl(IRect(300, 400, 300, 420), ex)));
  r.g.DrawAll();
  EXPECT_FLOAT_EQ(odd->MaxFrequency(), 16000.0f);
  // A broken rate keeps the last good one rather than poisoning the axis.
  for (double bad : {std::nan(""), 0.0, -48000.0, 1.0 / 0.0})
  {
    rate = bad;
    r.g.DrawAll();
    EXPECT_FLOAT_EQ(odd->MaxFrequency(), 16000.0f) << bad;
  }
  // The plot is narrower than its label strips: positions still map into 20 Hz .. fmax.
  for (float x : {-1e9f, 0.0f, 105.0f, 1e9f, std::nanf("")})
  {
    const float f = odd->XToFreq(x);
    EXPECT_TRUE(f >= 20.0f && f <= 16000.0f) << x << " -> " << f;
  }
  const float d = odd->YToLevel(std::nanf(""));
  EXPECT_TRUE(d >= -40.0f && d <= 3.0f);
  // A bank without width still answers a press with a cell.
  EXPECT_EQ(flat->CellCount(), 20);
  EXPECT_EQ(flat->CellAt(300.0f), 0);
  EXPECT_EQ(flat->CellAt(std::nanf("")), 0);
}

TEST(SpectrumControl, SteadyStateFramesAllocateNothing)
{
  EditorRig r;
  r.RingUntilCaught();
  r.q.PushNotchCommand(kNotchAdd, 0, 700.0f, -12.0f, 10.0f);
  r.q.SelectedNotch.store(1);
  r.Process(1);
  // Warm-up: the controls size their arrays and the renderer its glyphs and buffers.
  for (int i = 0; i < 3; ++i)
  {
    r.Process(1, 2500.0, 0.4);
    r.Frame();
  }
  const plugfw::ui::IRectList rects{r.spectrum->GetRECT(), r.bank->GetRECT()};
  long total = 0;
  for (int i = 0; i < 5; ++i)
  {
    r.Process(1, 2500.0, 0.4);
    const long before = testsupport::Allocations();
    r.spectrum->Draw(r.g);
    r.bank->Draw(r.g);
    total += testsupport::Allocations() - before;
  }
  EXPECT_EQ(total, 0);
  // The whole frame step, dirty collection included, once it has settled.
  r.Frame();
  const long before = testsupport::Allocations();
  r.g.Draw(rects);
  EXPECT_EQ(testsupport::Allocations() - before, 0);
}

} // namespace
} // namespace editor_test
