// Meters, the idle handler's status texts and slider enabling, and the about panel, on an open
// editor with the real engine behind it.

#include "tests/editor/EditorFixture.h"
#include "tests/support/AllocationCounter.h"

#include "editor/BankControl.h"
#include "editor/EditorControls.h"
#include "plugin/IParam.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace editor_test;

namespace {

std::string Shown(float peak)
{
  char buf[16];
  MeterControl::FormatLevel(MeterControl::LevelDb(peak), buf, sizeof buf);
  return buf;
}

struct Pixel
{
  uint8_t a, r, g, b;
};

Pixel At(const ICanvasHeadless& g, int x, int y)
{
  Pixel p{};
  g.GetFrame().GetStraight(x, y, p.a, p.r, p.g, p.b);
  return p;
}

bool IsGreen(Pixel p)
{
  return p.g > 150 && p.r < 100 && p.b < 100;
}
bool IsYellow(Pixel p)
{
  return p.r > 180 && p.g > 180 && p.b < 100;
}
bool IsRed(Pixel p)
{
  return p.r > 180 && p.g < 100 && p.b < 100;
}

// The centre of bank cell i (0-based).
float CellX(OpenEditor& e, int i)
{
  const IRect& r = e.Tag(kTagBank)->GetRECT();
  return r.L + (static_cast<float>(i) + 0.5f) * r.W() / 20.f;
}

} // namespace

TEST(Meters, LevelTexts)
{
  EXPECT_EQ(Shown(0.f), "-inf");
  EXPECT_EQ(Shown(1e-6f), "-inf");
  EXPECT_EQ(Shown(0.001f), "-inf"); // exactly -60 dB shows as no level
  EXPECT_EQ(Shown(0.00102f), "-59");
  EXPECT_EQ(Shown(1.f), "0");
  EXPECT_EQ(Shown(0.96f), "0"); // -0.35 dB truncates towards zero
  EXPECT_EQ(Shown(0.2371f), "-12");
  EXPECT_EQ(Shown(3.f), "9");
  EXPECT_EQ(Shown(std::numeric_limits<float>::infinity()), "999");
  EXPECT_EQ(Shown(std::numeric_limits<float>::quiet_NaN()), "-inf");
}

TEST(Meters, SegmentsFollowTheInputLevel)
{
  OpenEditor e;
  // Input meter bar: (661, 13) .. (688, 149); 0 dB at y 25.4, -6 dB at y 37.7.
  const int x = 674;
  struct Case
  {
    double amp;
    bool green, yellow, red;
  } cases[] = {{0.0, false, false, false}, {1.0, true, true, false}, {3.0, true, true, true}};
  for (const Case& c : cases)
  {
    e.Level(c.amp);
    e.Tick();
    EXPECT_NEAR(e.q.InputPeak.Load(), c.amp, 1e-6);
    EXPECT_EQ(IsGreen(At(*e.g, x, 120)), c.green) << c.amp;
    EXPECT_EQ(IsYellow(At(*e.g, x, 31)), c.yellow) << c.amp;
    EXPECT_EQ(IsRed(At(*e.g, x, 15)), c.red) << c.amp; // just below the bar's top
    EXPECT_FALSE(IsRed(At(*e.g, x, 27))) << c.amp;     // nothing red below 0 dB
  }
  // A level of 0 dB stops at the 0 dB line: the red segment's place stays dark.
  e.Level(1.0);
  e.Tick();
  const Pixel above = At(*e.g, x, 19);
  EXPECT_LT(above.r + above.g + above.b, 150);
}

TEST(IdleHandler, StatusAndSlidersFollowTheSelection)
{
  OpenEditor e;
  EXPECT_EQ(e.Text(kTagSelectedLine),
            "Active filter  (drag a handle, wheel = width, double-click graph to add)");
  e.Tick(); // the first tick always refreshes, since nothing has been shown yet
  EXPECT_EQ(e.Text(kTagSelectedLine), "Filter: none selected");
  EXPECT_EQ(e.Text(kTagActiveCountLine), "Active filters: 0");
  const int sliders[] = {kTagReduceSlider, kTagFrequencySlider, kTagBandwidthSlider};
  for (int tag : sliders)
    EXPECT_TRUE(e.Tag(tag)->IsDisabled());

  ASSERT_TRUE(e.Ring());
  e.q.PushNotchCommand(kNotchAdd, 0, 700.f, -12.f, 8.f);
  e.Block(2500, 0.3);
  e.Tick();
  EXPECT_EQ(e.Text(kTagActiveCountLine), "Active filters: 2");

  // An automatic notch, selected in the bank.
  e.g->Click(CellX(e, 0), 197);
  ASSERT_EQ(e.q.SelectedNotch.load(), 0);
  e.Tick();
  const NotchSlot a = e.Slot(0);
  EXPECT_EQ(e.Text(kTagSelectedLine), "Filter 1  (auto)");
  char freq[32];
  std::snprintf(freq, sizeof freq, "%.2f kHz", static_cast<double>(a.frequency) / 1000.0);
  EXPECT_EQ(e.Text(kTagFrequencyValue), freq);
  EXPECT_EQ(e.Text(kTagReduceValue), "-18.0 dB");
  EXPECT_EQ(e.Text(kTagBandwidthValue), "25.0 Q");
  for (int tag : sliders)
    EXPECT_FALSE(e.Tag(tag)->IsDisabled());
  EXPECT_NEAR(e.Tag(kTagReduceSlider)->GetValue(), (-18.0 + 40.0) / 40.0, 1e-6);
  EXPECT_NEAR(e.Tag(kTagFrequencySlider)->GetValue(),
              std::log(a.frequency / 20.0) / std::log(1000.0), 1e-9);
  EXPECT_NEAR(e.Tag(kTagBandwidthSlider)->GetValue(), std::log(50.0) / std::log(120.0), 1e-9);

  // A manual notch below 1 kHz.
  e.g->Click(CellX(e, 1), 197);
  e.Tick();
  EXPECT_EQ(e.Text(kTagSelectedLine), "Filter 2  (manual)");
  EXPECT_EQ(e.Text(kTagFrequencyValue), "700 Hz");
  EXPECT_EQ(e.Text(kTagReduceValue), "-12.0 dB");
  EXPECT_EQ(e.Text(kTagBandwidthValue), "8.0 Q");
  const double manualPos = e.Tag(kTagFrequencySlider)->GetValue();
  EXPECT_NEAR(manualPos, std::log(35.0) / std::log(1000.0), 1e-6);

  // A free slot: no selection shown, sliders disabled but left where they were.
  e.g->Click(CellX(e, 9), 197);
  e.Tick();
  EXPECT_EQ(e.q.SelectedNotch.load(), 9);
  EXPECT_EQ(e.Text(kTagSelectedLine), "Filter: none selected");
  for (int tag : {kTagReduceValue, kTagFrequencyValue, kTagBandwidthValue})
    EXPECT_EQ(e.Text(tag), "--");
  for (int tag : sliders)
    EXPECT_TRUE(e.Tag(tag)->IsDisabled());
  EXPECT_EQ(e.Tag(kTagFrequencySlider)->GetValue(), manualPos);

  // An engine reset forces the next tick to refresh even with the same selection: the
  // automatic notch (Hold is off) is gone, the manual one stays.
  e.q.SelectedNotch.exchange(0);
  e.Tick();
  ASSERT_EQ(e.Text(kTagSelectedLine), "Filter 1  (auto)");
  e.q.PrepareWithoutHost(48000, OpenEditor::kBlock, 1);
  e.Block(2500, 0.0);
  e.Tick();
  EXPECT_EQ(e.Text(kTagSelectedLine), "Filter: none selected");
  e.q.SelectedNotch.exchange(1);
  e.Tick();
  EXPECT_EQ(e.Text(kTagSelectedLine), "Filter 2  (manual)");
}

TEST(IdleHandler, AReopenedEditorShowsTheSelectionAtItsFirstTick)
{
  OpenEditor e;
  e.q.PushNotchCommand(kNotchAdd, 0, 700.f, -12.f, 8.f);
  e.Block(1000, 0.0);
  e.q.SelectedNotch.exchange(0);
  e.Tick();
  ASSERT_EQ(e.Text(kTagSelectedLine), "Filter 1  (manual)");

  // Closed and opened again with the same selection: the new controls start from their opening
  // texts and enabled sliders, which the first tick must replace.
  ASSERT_TRUE(e.Reopen());
  e.Tick();
  EXPECT_EQ(e.Text(kTagSelectedLine), "Filter 1  (manual)");
  EXPECT_FALSE(e.Tag(kTagReduceSlider)->IsDisabled());
  EXPECT_NEAR(e.Tag(kTagReduceSlider)->GetValue(), (-12.0 + 40.0) / 40.0, 1e-6);

  // The same with nothing selected: the sliders must come back disabled.
  e.q.SelectedNotch.exchange(-1);
  e.Tick();
  ASSERT_TRUE(e.Reopen());
  e.Tick();
  EXPECT_EQ(e.Text(kTagSelectedLine), "Filter: none selected");
  EXPECT_TRUE(e.Tag(kTagReduceSlider)->IsDisabled());
}

// A restored state shows its notches at the editor's next tick, with no block processed in
// between (a host that restores while stopped), the selected slot's texts included.
TEST(IdleHandler, ARestoredBankShowsAtTheNextTick)
{
  OpenEditor e;
  e.q.PushNotchCommand(kNotchAdd, 0, 700.f, -12.f, 8.f);
  e.Block(1000, 0.0);
  e.q.SelectedNotch.exchange(0);
  e.Tick();
  ASSERT_EQ(e.Text(kTagSelectedLine), "Filter 1  (manual)");

  // "Qnch", version 1, one channel with one automatic notch in slot 0: 2 kHz, Q 12, -30 dB.
  plugfw::IByteChunk section;
  for (uint32_t v : {0x68636E51u, 1u, 1u, 1u, 0u, 0u})
    section.Put(v);
  for (float v : {2000.f, 12.f, -30.f})
    section.Put(v);
  e.q.UnserializeEngineState(section, 0);
  e.Tick();
  EXPECT_EQ(e.Text(kTagSelectedLine), "Filter 1  (auto)");
  EXPECT_EQ(e.Text(kTagFrequencyValue), "2.00 kHz");
  EXPECT_EQ(e.Text(kTagReduceValue), "-30.0 dB");
  EXPECT_EQ(e.Text(kTagBandwidthValue), "12.0 Q");
}

TEST(IdleHandler, RedrawsLiveControlsAndOnlyChangedTexts)
{
  OpenEditor e;
  ASSERT_TRUE(e.Ring());
  e.q.SelectedNotch.exchange(0);
  e.Tick();
  e.Block(2500, 0.3);
  e.Tick();
  e.Block(2500, 0.3);
  e.q.OnIdleTick();
  const IRectList dirty = e.g->StepFrame();
  auto covered = [&](int tag) {
    const IRect& r = e.Tag(tag)->GetRECT();
    for (const IRect& d : dirty)
      if (d.Contains(r))
        return true;
    return false;
  };
  for (int tag : {kTagSpectrum, kTagBank, kTagInputMeter, kTagOutputMeter})
    EXPECT_TRUE(covered(tag)) << tag;
  for (int tag : {kTagReduceValue, kTagFrequencyValue, kTagBandwidthValue, kTagSelectedLine,
                  kTagActiveCountLine})
    EXPECT_FALSE(covered(tag)) << tag;
  EXPECT_FALSE(covered(kTagAbout));
}

// The idle tick itself (texts compared, sliders and lines updated only on change, slots read
// under the lock) allocates nothing once the editor shows a steady state.
TEST(IdleHandler, SteadyStateTicksAllocateNothing)
{
  OpenEditor e;
  ASSERT_TRUE(e.Ring());
  e.q.PushNotchCommand(kNotchAdd, 0, 700.f, -12.f, 8.f);
  e.Block(2500, 0.3);
  e.q.SelectedNotch.exchange(1);
  e.g->Click(701, 707); // the about panel is redrawn every tick too
  for (int i = 0; i < 3; ++i)
  {
    e.Block(2500, 0.3);
    e.Tick();
  }
  long during = 0;
  for (int i = 0; i < 20; ++i)
  {
    e.Block(2500, 0.3);
    const long before = testsupport::Allocations();
    e.q.OnIdleTick();
    during += testsupport::Allocations() - before;
    e.g->StepFrame();
  }
  EXPECT_EQ(during, 0);
  EXPECT_EQ(e.Text(kTagSelectedLine), "Filter 2  (manual)");
  EXPECT_EQ(e.Text(kTagFrequencyValue), "700 Hz");
}

TEST(IdleHandler, DoesNothingWithoutAnEditor)
{
  Quellor q;
  q.PrepareWithoutHost(48000, 256, 1);
  q.SelectedNotch.exchange(3);
  q.OnIdleTick();
  EXPECT_EQ(q.LastShownNotch, -2);
}

TEST(AboutPanel, OpensClosesAndOpensLinks)
{
  OpenEditor e;
  e.q.GetParam(kGain)->SetValue(4.0);
  IControl* about = e.Tag(kTagAbout);
  ASSERT_TRUE(about->IsHidden());
  e.g->Click(701, 707); // "About"
  EXPECT_FALSE(about->IsHidden());
  // Pressed before it was ever drawn, the panel has no rectangles yet: that counts as outside.
  e.g->Click(370, 363);
  EXPECT_TRUE(about->IsHidden());

  e.g->Click(701, 707);
  e.Tick();
  auto* popup = dynamic_cast<AboutPopup*>(about);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->PanelRect(), IRect(110, 161, 630, 565));
  EXPECT_EQ(popup->CloseRect(), IRect(502, 515, 606, 547));
  // While shown, the idle tick keeps redrawing it.
  e.q.OnIdleTick();
  EXPECT_TRUE(about->IsDirty());
  e.g->StepFrame();

  // Inside the panel but on no link: nothing.
  e.g->Click(400, 250);
  EXPECT_FALSE(about->IsHidden());
  const IRect web = popup->WebLinkRect(), mail = popup->EmailLinkRect();
  EXPECT_EQ(web.L, 134.f);
  EXPECT_EQ(web.T, 291.f);
  EXPECT_EQ(mail.T, 311.f);
  EXPECT_GT(web.W(), 40.f);
  e.g->Click(web.L + 2, web.MH());
  e.g->Click(mail.R - 6, mail.MH());
  ASSERT_EQ(e.g->OpenedURLs().size(), 2u);
  EXPECT_EQ(e.g->OpenedURLs()[0], "https://quellor.audio/");
  EXPECT_EQ(e.g->OpenedURLs()[1], "mailto:support@quellor.audio");
  e.g->Click(web.R + 1, web.MH()); // just past the link: nothing more opens
  EXPECT_EQ(e.g->OpenedURLs().size(), 2u);
  EXPECT_FALSE(about->IsHidden());

  e.g->Click(popup->CloseRect().MW(), popup->CloseRect().MH());
  EXPECT_TRUE(about->IsHidden());
  // Closing marks every control for redraw, not only the area the panel covered.
  int clean = 0;
  for (int i = 0; i < e.g->NControls(); ++i)
    clean += e.g->GetControl(i)->IsDirty() ? 0 : 1;
  EXPECT_EQ(clean, 0);
  e.g->StepFrame();

  // A press in the dimmed area outside hides it and reaches nothing beneath ("Reset" here).
  e.g->Click(701, 707);
  e.Tick();
  e.g->Click(680, 648);
  EXPECT_TRUE(about->IsHidden());
  EXPECT_EQ(e.q.GetParam(kGain)->GetValue(), 4.0);
  EXPECT_EQ(AboutPopup::DisplayAddress("https://quellor.audio/"), "quellor.audio");
  EXPECT_EQ(AboutPopup::DisplayAddress("quellor.audio"), "quellor.audio");
}
