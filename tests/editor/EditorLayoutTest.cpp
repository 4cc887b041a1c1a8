// The editor's layout at its default size, its logo fallbacks, the selected-notch sliders, and
// "Clear" and "Reset", with the real engine applying what the editor queues.

#include "tests/editor/EditorFixture.h"

#include "editor/EditorControls.h"
#include "editor/EditorLayout.h"
#include "graphics/IVectorControls.h"
#include "plugin/IParam.h"
#include "render/IPixmap.h"
#include "resources/QuellorResources.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace editor_test;

namespace {

void ExpectRect(const IControl* c, float l, float t, float r, float b, const char* what)
{
  ASSERT_NE(c, nullptr) << what;
  const IRect& R = c->GetRECT();
  EXPECT_NEAR(R.L, l, 1e-3) << what;
  EXPECT_NEAR(R.T, t, 1e-3) << what;
  EXPECT_NEAR(R.R, r, 1e-3) << what;
  EXPECT_NEAR(R.B, b, 1e-3) << what;
}

// The controls bound to a parameter, in attachment order.
std::vector<IControl*> BoundTo(ICanvas& g, int param)
{
  std::vector<IControl*> out;
  for (int i = 0; i < g.NControls(); ++i)
    if (g.GetControl(i)->GetParamIdx() == param)
      out.push_back(g.GetControl(i));
  return out;
}

template <class T>
int CountOf(ICanvas& g)
{
  int n = 0;
  for (int i = 0; i < g.NControls(); ++i)
    n += dynamic_cast<T*>(g.GetControl(i)) != nullptr;
  return n;
}

} // namespace

TEST(EditorLayout, RectanglesAtTheDefaultSize)
{
  OpenEditor e;
  ICanvas& g = *e.g;
  ASSERT_EQ(g.Width(), 740);
  ASSERT_EQ(g.Height(), 726);

  ExpectRect(e.Tag(kTagSpectrum), 10, 10, 652, 180, "spectrum");
  ExpectRect(e.Tag(kTagInputMeter), 658, 10, 691, 180, "input meter");
  ExpectRect(e.Tag(kTagOutputMeter), 697, 10, 730, 180, "output meter");
  ExpectRect(e.Tag(kTagBank), 10, 186, 730, 208, "bank");
  ExpectRect(e.Tag(kTagSelectedLine), 10, 214, 730, 232, "selected-filter line");
  const int sliderTags[] = {kTagReduceSlider, kTagFrequencySlider, kTagBandwidthSlider};
  const int valueTags[] = {kTagReduceValue, kTagFrequencyValue, kTagBandwidthValue};
  const float rowY[] = {234, 261, 288};
  for (int i = 0; i < 3; ++i)
  {
    ExpectRect(e.Tag(sliderTags[i]), 120, rowY[i], 376.2f, rowY[i] + 24, "notch slider");
    ExpectRect(e.Tag(valueTags[i]), 384.2f, rowY[i], 448.2f, rowY[i] + 24, "value field");
    EXPECT_EQ(e.Text(valueTags[i]), "--");
  }
  ExpectRect(e.TextControl("Reduce dB"), 10, 234, 118, 258, "row label");

  // "Clear": the first button, right below the rows.
  IControl* clear = nullptr;
  IControl* reset = nullptr;
  for (int i = 0; i < g.NControls(); ++i)
    if (auto* b = dynamic_cast<IVectorButtonControl*>(g.GetControl(i)))
      (b->GetLabelStr() == "Clear" ? clear : reset) = b;
  ExpectRect(clear, 10, 315, 110, 345, "Clear");
  ExpectRect(reset, 630, 633, 730, 663, "Reset");

  // Version under the logo, the logo within the 119 pixels from y = 214 above it.
  ExpectRect(e.TextControl("v1.0.9"), 460.2f, 335, 730, 349, "version");
  IControl* logo = nullptr;
  for (int i = 0; i < g.NControls(); ++i)
    if (auto* l = dynamic_cast<LogoControl*>(g.GetControl(i)))
      logo = l;
  ASSERT_NE(logo, nullptr);
  const IRect& L = logo->GetRECT();
  EXPECT_GE(L.L, 460.2f - 1e-3);
  EXPECT_LE(L.R, 730.f + 1e-3);
  EXPECT_GE(L.T, 214.f - 1e-3);
  EXPECT_LE(L.B, 333.f + 1e-3);
  EXPECT_NEAR(L.MW(), 0.5f * (460.2f + 730.f), 1e-3);
  EXPECT_NEAR(L.MH(), 0.5f * (214.f + 333.f), 1e-3);
  // As large as the room allows: it touches the sides or the top and bottom.
  EXPECT_TRUE(std::abs(L.W() - 269.8f) < 1e-2 || std::abs(L.H() - 119.f) < 1e-2);

  ExpectRect(e.TextControl("Auto Catch  (real-time notches, zero-latency)"), 10, 353, 730, 371,
             "Auto Catch header");
  ExpectRect(e.TextControl("Master  (adjust every notch at once)"), 10, 463, 730, 481,
             "Master header");
  const float paramY[] = {373, 403, 433, 483, 513, 543, 573, 603};
  for (int p = 0; p < 8; ++p)
  {
    const auto bound = BoundTo(g, p);
    ASSERT_EQ(bound.size(), 2u) << "parameter " << p;
    ExpectRect(bound[0], 120, paramY[p], 658, paramY[p] + 26, "parameter slider");
    ExpectRect(bound[1], 662, paramY[p], 730, paramY[p] + 26, "value box");
    EXPECT_NE(dynamic_cast<ICaptionControl*>(bound[1]), nullptr);
  }
  ExpectRect(BoundTo(g, 8).at(0), 10, 634, 32, 656, "Hold toggle");
  ExpectRect(BoundTo(g, 9).at(0), 140, 634, 162, 656, "Bypass toggle");
  ExpectRect(e.TextControl("Bypass"), 168, 633, 270, 659, "Bypass label");
  ExpectRect(
      e.TextControl("Feedback suppressor: truly zero-latency.  Hushen / Drytail add up to ~10 ms."),
      10, 665, 730, 683, "hint");
  ExpectRect(e.Tag(kTagActiveCountLine), 10, 685, 730, 705, "active-count line");

  IControl* about = nullptr;
  for (int i = 0; i < g.NControls(); ++i)
    if (auto* b = dynamic_cast<SmallButton*>(g.GetControl(i)))
      about = b;
  ExpectRect(about, 670, 696, 732, 718, "About");
  EXPECT_FALSE(about->GetTooltip().empty());

  // The about panel is last, covers the editor and starts hidden; the resizer is in its corner.
  EXPECT_EQ(g.GetControl(g.NControls() - 1), e.Tag(kTagAbout));
  ExpectRect(e.Tag(kTagAbout), 0, 0, 740, 726, "about panel");
  EXPECT_TRUE(e.Tag(kTagAbout)->IsHidden());
  ExpectRect(g.GetCornerResizer(), 721, 707, 739, 725, "corner resizer");
  EXPECT_EQ(g.GetResizerMode(), EUIResizerMode::Scale);
  EXPECT_TRUE(g.MouseOverEnabled());
  EXPECT_TRUE(g.TooltipsEnabled());
  EXPECT_TRUE(g.GetControl(0)->GetIgnorePointer());
  EXPECT_EQ(CountOf<IVectorSliderControl>(g), 11);
}

TEST(EditorLayout, PluginMakesItsContextAtTheEditorSize)
{
  Quellor q;
  std::unique_ptr<plugfw::IGraphicsContext> ctx(q.CreateGraphics());
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(ctx->Width(), 740);
  EXPECT_EQ(ctx->Height(), 726);
  EXPECT_EQ(ctx->GetDrawScale(), 1.f);
  EXPECT_EQ(q.GetEditorWidth(), 740);
  EXPECT_EQ(q.GetEditorHeight(), 726);
  EXPECT_EQ(q.GetMinWidth(), 256);
  EXPECT_EQ(q.GetMaxHeight(), 8192);
}

// Lays the plug-in's editor out on a context whose resources lack or replace the logo.
class LogoFallback : public ::testing::Test
{
protected:
  int LogoCount(IResourceFinder finder)
  {
    ICanvasHeadless g(&q, 740, 726);
    g.SetResourceFinder(std::move(finder));
    q.LayoutUI(&g);
    int logos = 0;
    for (int i = 0; i < g.NControls(); ++i)
      logos += dynamic_cast<LogoControl*>(g.GetControl(i)) != nullptr;
    versionShown = false;
    for (int i = 0; i < g.NControls(); ++i)
      if (auto* t = dynamic_cast<ITextControl*>(g.GetControl(i)); t && t->GetStr() == "v1.0.9")
      {
        const IRect& r = t->GetRECT();
        versionShown =
            std::abs(r.L - 460.2f) < 1e-3f && r.T == 335.f && r.R == 730.f && r.B == 349.f;
      }
    g.RemoveAllControls();
    return logos;
  }
  Quellor q;
  bool versionShown = false;
};

TEST_F(LogoFallback, MissingOrOnePixelLogoLeavesOnlyTheVersion)
{
  EXPECT_EQ(LogoCount(FindQuellorResource), 1);
  EXPECT_TRUE(versionShown);

  EXPECT_EQ(LogoCount([](std::string_view name, const uint8_t*& d, size_t& n) {
              return name.find("Quellor") == std::string_view::npos &&
                     FindQuellorResource(name, d, n);
            }),
            0);
  EXPECT_TRUE(versionShown);

  static const std::vector<uint8_t> onePixelWide = IPixmap(1, 40).EncodePng();
  ASSERT_FALSE(onePixelWide.empty());
  EXPECT_EQ(LogoCount([](std::string_view name, const uint8_t*& d, size_t& n) {
              if (name.find("Quellor") != std::string_view::npos)
              {
                d = onePixelWide.data();
                n = onePixelWide.size();
                return true;
              }
              return FindQuellorResource(name, d, n);
            }),
            0);
  EXPECT_TRUE(versionShown);
}

namespace {

// Presses a slider at a fraction of its track, which moves it there and runs its action.
double PressSliderAt(OpenEditor& e, int tag, double fraction)
{
  auto* s = dynamic_cast<IVectorSliderControl*>(e.Tag(tag));
  const IRect& t = s->GetTrackBounds();
  const float x = t.L + static_cast<float>(fraction) * t.W();
  e.g->Press(x, s->GetRECT().MH());
  e.g->Release(x, s->GetRECT().MH());
  return s->GetValue();
}

} // namespace

TEST(SelectedNotchSliders, MoveTheSelectedNotch)
{
  OpenEditor e;
  ASSERT_TRUE(e.Ring());
  ASSERT_TRUE(e.Slot(0).active);
  e.q.SelectedNotch.exchange(0);
  e.Tick();
  ASSERT_FALSE(e.Tag(kTagFrequencySlider)->IsDisabled());

  const double vf = PressSliderAt(e, kTagFrequencySlider, 0.3);
  e.Block(2500, 0.0);
  NotchSlot s = e.Slot(0);
  EXPECT_NEAR(s.frequency, 20.0 * std::pow(1000.0, vf), 0.01);
  EXPECT_TRUE(s.manual);
  EXPECT_TRUE(s.active);
  const float depthBefore = s.targetDepth;
  EXPECT_NEAR(depthBefore, -18.f, 1e-4); // the frequency slider keeps the depth

  const double vd = PressSliderAt(e, kTagReduceSlider, 0.6);
  e.Block(2500, 0.0);
  s = e.Slot(0);
  EXPECT_NEAR(s.targetDepth, vd * 40.0 - 40.0, 1e-4);
  EXPECT_NEAR(s.frequency, 20.0 * std::pow(1000.0, vf), 0.01); // and this one the frequency

  const double vw = PressSliderAt(e, kTagBandwidthSlider, 0.9);
  e.Block(2500, 0.0);
  EXPECT_NEAR(e.Slot(0).width, 0.5 * std::pow(120.0, vw), 1e-3);

  // The value fields follow at the next tick.
  e.Tick();
  char expected[32];
  std::snprintf(expected, sizeof expected, "%.1f dB", static_cast<double>(e.Slot(0).targetDepth));
  EXPECT_EQ(e.Text(kTagReduceValue), expected);
}

TEST(SelectedNotchSliders, SendNothingWithoutAnActiveSelection)
{
  OpenEditor e;
  ASSERT_TRUE(e.Ring());
  e.Tick(); // nothing selected: the sliders are disabled and a press does not reach them
  for (int tag : {kTagReduceSlider, kTagFrequencySlider, kTagBandwidthSlider})
  {
    IControl* s = e.Tag(tag);
    EXPECT_TRUE(s->IsDisabled());
    e.g->Press(s->GetRECT().MW(), s->GetRECT().MH());
    e.g->Release(s->GetRECT().MW(), s->GetRECT().MH());
    // Even a value change that reaches the action sends nothing.
    s->SetValueFromUserInput(s->GetValue() > 0.5 ? 0.2 : 0.8);
  }
  EXPECT_EQ(e.q.NotchCommandQueue.Pending(), 0);

  // A free slot selected: depth and frequency need an active notch.
  e.q.SelectedNotch.exchange(5);
  e.Tag(kTagReduceSlider)->SetValueFromUserInput(0.3);
  e.Tag(kTagFrequencySlider)->SetValueFromUserInput(0.3);
  EXPECT_EQ(e.q.NotchCommandQueue.Pending(), 0);
  e.Block(2500, 0.0);
  EXPECT_FALSE(e.Slot(5).active);
}

TEST(ClearAndReset, ClearRemovesOnlyTheSelectedNotch)
{
  OpenEditor e;
  ASSERT_TRUE(e.Ring());
  e.q.PushNotchCommand(kNotchAdd, 0, 700.f, -12.f, 10.f);
  e.Block(2500, 0.0);
  ASSERT_TRUE(e.Slot(1).active && e.Slot(1).manual);

  e.g->Click(60, 330); // nothing selected: nothing to clear
  EXPECT_EQ(e.q.NotchCommandQueue.Pending(), 0);

  e.q.SelectedNotch.exchange(1);
  e.g->Click(60, 330);
  e.Block(2500, 0.0);
  EXPECT_EQ(e.Slot(1).targetDepth, 0.f);
  EXPECT_FALSE(e.Slot(1).manual);
  EXPECT_LT(e.Slot(0).targetDepth, -1.f);
  for (int b = 0; b < 100 && e.Slot(1).active; ++b)
    e.Block(2500, 0.0);
  EXPECT_FALSE(e.Slot(1).active);
  EXPECT_TRUE(e.Slot(0).active);
}

TEST(ClearAndReset, ResetRestoresDefaultsAndClearsEverySlot)
{
  OpenEditor e;
  ASSERT_TRUE(e.Ring());
  for (float f : {300.f, 500.f, 900.f, 4000.f})
    e.q.PushNotchCommand(kNotchAdd, 0, f, -10.f, 8.f);
  e.Block(2500, 0.0);
  ASSERT_EQ(e.q.ActiveNotchCount.load(), 5);
  e.q.GetParam(kSensitivity)->SetValue(85.0);
  e.q.GetParam(kHold)->SetValue(1.0);
  e.q.GetParam(kGain)->SetValue(-6.3);
  e.g->SetParamValueFromDelegate(kSensitivity, e.q.GetParam(kSensitivity)->GetNormalValue());
  e.q.SelectedNotch.exchange(3);
  e.Tick();

  e.g->Click(680, 648);
  EXPECT_EQ(e.q.SelectedNotch.load(), -1);
  EXPECT_EQ(e.q.NotchCommandQueue.Pending(), 20);
  for (int p = 0; p < kNumParams; ++p)
  {
    const plugfw::IParam* param = e.q.GetParam(p);
    EXPECT_EQ(param->GetValue(), param->DefaultValue()) << param->GetName();
    for (IControl* c : BoundTo(*e.g, p))
      EXPECT_DOUBLE_EQ(c->GetValue(), param->DefaultValue(true)) << param->GetName();
  }
  // Everything is redrawn at the next frame.
  const IRectList dirty = e.g->StepFrame();
  IRect all;
  for (const IRect& r : dirty)
    all = all.Union(r);
  EXPECT_TRUE(all.Contains(IRect(0, 0, 740, 726)));

  e.Silence(1);
  for (int i = 0; i < SnapshotData::kSlotCount; ++i)
  {
    EXPECT_EQ(e.Slot(i).targetDepth, 0.f) << i;
    EXPECT_FALSE(e.Slot(i).manual) << i;
  }
  e.Silence(100);
  EXPECT_EQ(e.q.ActiveNotchCount.load(), 0);
  e.Tick();
  EXPECT_EQ(e.Text(kTagSelectedLine), "Filter: none selected");
}
