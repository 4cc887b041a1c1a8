// The frame step, drawing with clipping and snapping, resizing and scales,
// bitmap lookup by scale, and the editor delegate driving a canvas.

#include "GraphicsTestSupport.h"

#include "plugin/ICanvasEditorDelegate.h"
#include "resources/QuellorResources.h"

#include <gtest/gtest.h>

#include <map>

using namespace gtest_support;

namespace {

struct Px
{
  uint8_t a, r, g, b;
};

Px PixelAt(const ICanvas& g, int x, int y)
{
  Px p{};
  g.GetFrame().GetStraight(x, y, p.a, p.r, p.g, p.b);
  return p;
}

} // namespace

TEST(FrameStep, CollectsPaddedDirtyRectanglesOnceAndShiftsInsideContainers)
{
  Rig r;
  auto* a = r.g.AttachControl(new ProbeControl(IRect(10, 10, 20, 20)));
  auto* b = r.g.AttachControl(new ProbeControl(IRect(50, 50, 60, 60)));
  IRectList rects;
  ASSERT_TRUE(r.g.IsDirty(rects)); // freshly attached controls are dirty
  EXPECT_EQ(rects.size(), 2u);
  EXPECT_EQ(rects[0], IRect(9.25f, 9.25f, 20.75f, 20.75f));
  rects.clear();
  EXPECT_FALSE(r.g.IsDirty(rects));
  EXPECT_TRUE(rects.empty());

  // A child near its container's edge keeps its padded rectangle, shifted to within 1 unit.
  auto* child = r.g.AttachControl(new ProbeControl(IRect(50, 50, 55, 55)));
  child->SetParent(b);
  r.g.IsDirty(rects);
  rects.clear();
  child->MarkDirty(false);
  ASSERT_TRUE(r.g.IsDirty(rects));
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_FLOAT_EQ(rects[0].W(), 6.5f);
  EXPECT_FLOAT_EQ(rects[0].L, 49.25f); // within one unit of 50

  // An animated control is dirty every frame.
  rects.clear();
  a->SetAnimation([](IControl*) {});
  EXPECT_TRUE(r.g.IsDirty(rects));
  rects.clear();
  EXPECT_TRUE(r.g.IsDirty(rects));
}

TEST(FrameStep, DrawsOnlyDirtyAreasHidesHiddenControlsButNeverTheBackground)
{
  Rig r(100, 100);
  auto* bg = static_cast<ProbeControl*>(r.g.AttachControl(new ProbeControl(IRect(0, 0, 100, 100))));
  bg->color = IColor(255, 0, 0, 255);
  auto* a = static_cast<ProbeControl*>(r.g.AttachControl(new ProbeControl(IRect(10, 10, 30, 30))));
  a->color = IColor(255, 0, 255, 0);
  r.g.StepFrame();
  EXPECT_EQ(PixelAt(r.g, 20, 20).g, 255);
  EXPECT_EQ(PixelAt(r.g, 50, 50).b, 255);

  bg->Hide(true);
  a->Hide(true);
  const int aDraws = a->draws, bgDraws = bg->draws;
  r.g.StepFrame();
  EXPECT_EQ(a->draws, aDraws);
  EXPECT_GT(bg->draws, bgDraws);
  EXPECT_EQ(PixelAt(r.g, 20, 20).b, 255); // the background shows through where a was

  // Only the dirty control's area is repainted: paint the frame elsewhere and check it survives.
  a->Hide(false);
  bg->color = IColor(255, 255, 0, 0);
  r.g.StepFrame();
  EXPECT_EQ(PixelAt(r.g, 20, 20).g, 255);
  EXPECT_EQ(PixelAt(r.g, 80, 80).b, 255); // untouched: still the old background colour
}

TEST(FrameStep, SnapsFractionalRectanglesOutwardAtTheTotalScale)
{
  Rig r(100, 100);
  r.g.Resize(256, 256, 1.f);
  r.g.SetScreenScale(1.5f);
  auto* a = static_cast<ProbeControl*>(
      r.g.AttachControl(new ProbeControl(IRect(10.3f, 10.3f, 20.2f, 20.2f))));
  a->color = IColor(255, 255, 255, 255);
  r.g.StepFrame();
  // 20.2 x 1.5 = 30.3: the pixel holding the edge is partly covered, the one beyond is untouched.
  EXPECT_GT(PixelAt(r.g, 30, 20).a, 0);
  EXPECT_EQ(PixelAt(r.g, 32, 20).a, 0);
  EXPECT_EQ(r.g.GetFrame().Width(), 384);
  // A non-finite rectangle is skipped, not drawn as the whole frame.
  r.g.Draw({IRect(std::numeric_limits<float>::quiet_NaN(), 0, 10, 10)});
}

TEST(Resize, SameSizeAndScaleDoesNothingOtherwiseEverythingFollows)
{
  Rig r(400, 300);
  auto* c = r.g.AttachControl(new ProbeControl(IRect(0, 0, 10, 10)));
  r.g.Press(5, 5);
  r.g.Resize(400, 300, 1.f);
  EXPECT_EQ(r.g.PlatformResizeCount(), 0);
  EXPECT_TRUE(r.dlg.resizes.empty());
  EXPECT_TRUE(r.g.ControlIsCaptured(c));

  r.g.Resize(500, 400, 1.5f);
  EXPECT_EQ(r.g.PlatformResizeCount(), 1);
  EXPECT_FALSE(r.g.ControlIsCaptured());
  ASSERT_EQ(r.dlg.resizes.size(), 1u);
  EXPECT_EQ(r.dlg.resizes[0], std::make_pair(750, 600));
  EXPECT_EQ(r.g.GetFrame().Width(), 750);

  // Limits come from the delegate and the scale range.
  r.g.Resize(50, 90000, 100.f);
  EXPECT_EQ(r.g.Width(), 256);
  EXPECT_EQ(r.g.Height(), 8192);
  EXPECT_EQ(r.g.GetDrawScale(), r.g.GetMaxScale());
  const int n = r.g.PlatformResizeCount();
  r.g.Resize(256, 8192, std::numeric_limits<float>::infinity());
  r.g.SetScreenScale(0.f);
  r.g.SetScreenScale(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(r.g.PlatformResizeCount(), n);
  r.g.SetScreenScale(2.f);
  EXPECT_EQ(r.g.PlatformResizeCount(), n + 1);
  r.g.SetScreenScale(2.f);
  EXPECT_EQ(r.g.PlatformResizeCount(), n + 1);
}

TEST(Resize, CornerResizerDragScalesTheEditor)
{
  Rig r(400, 300);
  r.g.AttachCornerResizer(new ICornerResizerControl(20.f), EUIResizerMode::Scale);
  auto* rz = r.g.GetCornerResizer();
  EXPECT_EQ(rz->GetRECT(), IRect(381, 281, 399, 299));
  r.g.EnableMouseOver(false);
  r.g.MoveTo(390, 290); // the resizer takes mouse-over even with tracking off
  EXPECT_TRUE(rz->GetMouseIsOver());
  EXPECT_EQ(r.g.PlatformCursor(), ECursor::SizeNWSE);
  r.g.Press(390, 290);
  EXPECT_TRUE(r.g.GetResizingInProcess());
  r.g.DragTo(390 * 1.25f, 290 * 1.5f);
  EXPECT_FLOAT_EQ(r.g.GetDrawScale(), 1.25f);
  EXPECT_EQ(r.g.Width(), 400);
  r.g.Release(390, 290);
  EXPECT_FALSE(r.g.GetResizingInProcess());
}

TEST(Bitmaps, NameSearchFollowsTheScaleOrder)
{
  Rig r;
  std::vector<std::string> tried;
  std::map<std::string, int> present;
  static const uint8_t byte = 0;
  r.g.SetResourceFinder([&](std::string_view name, const uint8_t*& data, size_t& size) {
    tried.emplace_back(name);
    if (!present.count(std::string(name)))
      return false;
    data = &byte;
    size = 1;
    return true;
  });
  r.g.SearchResourceByScale("logo.png", 1);
  EXPECT_EQ(tried, (std::vector<std::string>{"logo.png", "logo@3x.png", "logo@2x.png"}));
  tried.clear();
  r.g.SearchResourceByScale("logo.png", 2);
  EXPECT_EQ(tried, (std::vector<std::string>{"logo@2x.png", "logo@3x.png", "logo.png"}));
  present["logo@3x.png"] = 1;
  tried.clear();
  const IResourceHit hit = r.g.SearchResourceByScale("logo.png", 2);
  EXPECT_EQ(hit.scale, 3);
  EXPECT_EQ(hit.name, "logo@3x.png");
  EXPECT_EQ(tried.size(), 2u);
  // The embedded logo and font are found under their own names.
  r.g.SetResourceFinder(FindQuellorResource);
  EXPECT_TRUE(r.g.LoadFont("Roboto-Regular", "Roboto-Regular.ttf"));
  EXPECT_FALSE(r.g.LoadFont("Nope", "Missing.ttf"));
  EXPECT_FALSE(r.g.LoadBitmap("Missing.png").IsValid());
}

namespace {

// A delegate that opens a headless canvas and lays out one slider bound to parameter 0.
struct EditorDelegate : ICanvasEditorDelegate
{
  EditorDelegate() : ICanvasEditorDelegate(2)
  {
    SetEditorSize(300, 300);
    SetSizeConstraints(256, 8192, 256, 8192);
    GetParam(0)->DeclareDouble("Gain", 0.0, -12.0, 12.0, 0.1, "dB");
    GetParam(1)->DeclareBool("On");
    SetMakeGraphicsFunc(
        [this] { return new ICanvasHeadless(this, GetEditorWidth(), GetEditorHeight()); });
    SetLayoutFunc([](IGraphicsContext* ctx) {
      auto* g = dynamic_cast<ICanvas*>(ctx);
      g->AttachPanelBackground(IColor(255, 30, 30, 30));
      g->AttachControl(new IVectorSliderControl(IRect(10, 10, 210, 40), 0, "Gain", DEFAULT_STYLE,
                                                EDirection::Horizontal),
                       7);
    });
  }
};

} // namespace

TEST(EditorDelegate, OpensLaysOutPushesValuesAndKeepsTheSizeAcrossOpenings)
{
  EditorDelegate d;
  ASSERT_NE(d.OpenEditor(nullptr), nullptr);
  auto* g = dynamic_cast<ICanvasHeadless*>(d.GetGraphicsContext());
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(g->NControls(), 2);
  EXPECT_NEAR(g->GetControlWithTag(7)->GetValue(), 0.5, 1e-12);
  d.PushValueToControls(0, 6.0, false);
  EXPECT_NEAR(g->GetControlWithTag(7)->GetValue(), 0.75, 1e-12);
  g->Resize(400, 350, 1.25f);
  d.CloseEditor();
  EXPECT_EQ(d.GetGraphicsContext(), nullptr);
  d.OpenEditor(nullptr);
  auto* g2 = dynamic_cast<ICanvasHeadless*>(d.GetGraphicsContext());
  ASSERT_NE(g2, nullptr);
  EXPECT_EQ(g2->Width(), 400);
  EXPECT_EQ(g2->Height(), 350);
  EXPECT_FLOAT_EQ(g2->GetDrawScale(), 1.25f);
  d.CloseEditor();
}

// Scales made by real resizer drags are fractions of pixel positions, and products such as
// 740 * s often land a hair off an integer: the window must round exactly as the frame does, and
// a reopened editor must come back at the very pixel size it was closed with.
TEST(EditorDelegate, WindowEqualsFrameAndReopensAtTheSamePixelsAfterAnyResizerDrag)
{
  struct Size
  {
    int w, h;
  };
  int mismatches = 0, checked = 0;
  for (const Size sz : {Size{740, 726}, Size{256, 256}, Size{1013, 397}})
  {
    EditorDelegate d;
    for (int step = -40; step <= 160; ++step)
    {
      d.OpenEditor(nullptr);
      auto* g = dynamic_cast<ICanvasHeadless*>(d.GetGraphicsContext());
      ASSERT_NE(g, nullptr);
      g->Resize(sz.w, sz.h, 1.f);
      g->AttachCornerResizer(new ICornerResizerControl(20.f), EUIResizerMode::Scale);
      const float px = static_cast<float>(sz.w - 6), py = static_cast<float>(sz.h - 6);
      g->Press(px, py);
      g->DragTo(px + 3.f * static_cast<float>(step), py + 7.f * static_cast<float>(step) / 3.f);
      g->Release(px, py);
      const int w = g->WindowWidth(), h = g->WindowHeight();
      const float scale = g->GetDrawScale();
      mismatches += w != g->GetRenderer().Frame().Width() || h != g->GetRenderer().Frame().Height();
      d.CloseEditor();
      d.OpenEditor(nullptr);
      g = dynamic_cast<ICanvasHeadless*>(d.GetGraphicsContext());
      ASSERT_NE(g, nullptr);
      EXPECT_EQ(g->GetDrawScale(), scale);
      EXPECT_EQ(g->WindowWidth(), w) << "scale " << scale;
      EXPECT_EQ(g->WindowHeight(), h) << "scale " << scale;
      mismatches += g->WindowWidth() != g->GetRenderer().Frame().Width();
      d.CloseEditor();
      ++checked;
    }
  }
  EXPECT_EQ(checked, 3 * 201);
  EXPECT_EQ(mismatches, 0) << "window sizes that differ from the frame they show";
}

TEST(FrameStep, FrameTimesAreRecordedAndTheDisplayRedrawsEveryFrame)
{
  Rig r(300, 300);
  r.g.AttachPerformanceDisplay(new IFrameTimeDisplayControl(IRect(0, 0, 80, 20)));
  r.g.AttachControl(new ProbeControl(IRect(100, 100, 120, 120)));
  for (int i = 0; i < 105; ++i)
  {
    const IRectList rects = r.g.StepFrame();
    ASSERT_FALSE(rects.empty());
  }
  const std::vector<double> t = r.g.GetFrameTimes();
  ASSERT_EQ(t.size(), 100u);
  for (double v : t)
    EXPECT_GE(v, 0.0);
}

TEST(Resize, CornerResizerInSizeModeFollowsThePointerAndMovesWithTheCorner)
{
  Rig r(400, 300);
  r.g.AttachCornerResizer(new ICornerResizerControl(20.f), EUIResizerMode::Size);
  r.g.Press(390, 290);
  r.g.DragTo(520.6f, 410.2f);
  EXPECT_EQ(r.g.Width(), 520);
  EXPECT_EQ(r.g.Height(), 410);
  EXPECT_FLOAT_EQ(r.g.GetDrawScale(), 1.f);
  EXPECT_EQ(r.g.GetCornerResizer()->GetRECT(), IRect(501, 391, 519, 409));
  r.g.DragTo(100, 100); // limited by the delegate's minimum size
  EXPECT_EQ(r.g.Width(), 256);
  r.g.Release(100, 100);
  EXPECT_FALSE(r.g.GetResizingInProcess());
  EXPECT_FALSE(r.g.GetCornerResizer()->IsDragging());
  const int n = r.g.PlatformResizeCount();
  r.g.DragTo(600, 600); // no resize once the drag has ended
  EXPECT_EQ(r.g.PlatformResizeCount(), n);
}
