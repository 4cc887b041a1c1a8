// gallery: renders every stock control in each of its states, and the sample
// editor layout, to PNG files.
//
//   gallery [output-folder]      (default: the current folder)
//   gallery --tooltip TEXT FILE  one tooltip, as a window draws it at scale 1

#include "graphics/ICanvasHeadless.h"
#include "graphics/IOverlayPictures.h"
#include "graphics/IControls.h"
#include "graphics/IVectorControls.h"
#include "plugin/IEditorDelegate.h"
#include "tools/gallery/SampleLayout.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace plugfw;
using namespace plugfw::ui;

namespace {

class GalleryDelegate : public IEditorDelegate
{
public:
  GalleryDelegate() : IEditorDelegate(3)
  {
    SetSizeConstraints(256, 8192, 256, 8192);
    GetParam(0)->DeclareDouble("Auto Cut", -18.0, -40.0, -3.0, 0.1, "dB");
    GetParam(1)->DeclareEnum("Mode", 0, 3, "", 0, "", "Low", "Mid", "High");
    GetParam(2)->DeclareBool("Hold");
  }
};

enum EState
{
  kNormal,
  kHover,
  kPressed,
  kDisabled,
  kVal0,
  kValHalf,
  kVal1,
  kNumStates
};
const char* kStateNames[kNumStates] = {"normal",  "hover",     "pressed", "disabled",
                                       "value 0", "value 0.5", "value 1"};

constexpr float kLabelW = 200.f, kCellW = 130.f, kHeaderH = 30.f, kPad = 10.f;

struct Row
{
  const char* name;
  float height;
  std::function<IControl*(const IRect& cell)> make;
};

IVectorStyle DemoStyle()
{
  IVectorStyle s = DEFAULT_STYLE;
  s.roundness = 0.3f;
  s.colors[kBG] = IColor(255, 52, 60, 74);
  s.colors[kFG] = IColor(255, 64, 190, 214);
  s.colors[kPR] = IColor(255, 44, 150, 170);
  s.colors[kFR] = IColor(255, 210, 224, 244);
  s.colors[kHL] = IColor(50, 255, 255, 255);
  s.colors[kSH] = IColor(110, 0, 0, 0);
  s.colors[kX1] = IColor(255, 64, 190, 214);
  return s;
}

void ApplyState(ICanvas& g, IControl& c, EState st)
{
  IMouseMod none;
  switch (st)
  {
  case kNormal:
    break;
  case kHover:
    c.OnPointerOver(c.GetRECT().MW(), c.GetRECT().MH(), none);
    break;
  case kPressed:
    c.OnPointerOver(c.GetRECT().MW(), c.GetRECT().MH(), none);
    if (auto* s = dynamic_cast<ISliderControlBase*>(&c))
    {
      c.SetValue(0.6);
      s->OnPress(0, 0, none); // no button: no jump, but the drag state is on
    }
    else if (dynamic_cast<ICornerResizerControl*>(&c))
    {
      IMouseMod l;
      l.L = true;
      c.OnPress(0, 0, l);
    }
    else
    {
      c.OnPress(c.GetRECT().MW(), c.GetRECT().MH(), none);
    }
    break;
  case kDisabled:
    c.SetValue(0.6);
    c.SetDisabled(true);
    break;
  case kVal0:
    c.SetValue(0.0);
    break;
  case kValHalf:
    c.SetValue(0.5);
    break;
  case kVal1:
    c.SetValue(1.0);
    break;
  default:
    break;
  }
  (void)g;
}

bool RenderControlGallery(const std::string& path)
{
  GalleryDelegate dlg;
  const IVectorStyle style = DemoStyle();
  const IText rowText(14.f, IColor(255, 220, 224, 230), EAlign::Near);
  const IText headText(13.f, IColor(255, 170, 176, 188), EAlign::Center);

  std::vector<Row> rows = {
      {"IVectorButtonControl", 54.f,
       [&](const IRect& r) {
         return new IVectorButtonControl(RectCentred(r, 100, 34), "Press", nullptr, style);
       }},
      {"IVectorToggleControl", 54.f,
       [&](const IRect& r) {
         return new IVectorToggleControl(RectCentred(r, 28, 28), -1, nullptr, "",
                                         style.WithShowValue(false));
       }},
      {"IVectorToggleControl (text)", 74.f,
       [&](const IRect& r) {
         return new IVectorToggleControl(RectCentred(r, 64, 60), -1, nullptr, "Hold", style);
       }},
      {"IVectorSwitchControl", 74.f,
       [&](const IRect& r) {
         return new IVectorSwitchControl(RectCentred(r, 116, 60), -1, nullptr, "Mode",
                                         style.WithShowValue(false), 3, {"Low", "Mid", "High"});
       }},
      {"IVectorSliderControl (h)", 70.f,
       [&](const IRect& r) {
         return new IVectorSliderControl(RectCentred(r, 116, 56), -1, "Width", style,
                                         EDirection::Horizontal, 13.f, 4.f);
       }},
      {"IVectorSliderControl (v)", 150.f,
       [&](const IRect& r) {
         return new IVectorSliderControl(RectCentred(r, 70, 140), -1, "Level", style,
                                         EDirection::Vertical, 14.f, 4.f);
       }},
      {"ITextControl", 44.f,
       [&](const IRect& r) {
         return new ITextControl(RectCentred(r, 120, 26), "Active filters: 3",
                                 IText(14.f, IColor(255, 225, 230, 238), EAlign::Center));
       }},
      {"ICaptionControl", 44.f,
       [&](const IRect& r) {
         return new ICaptionControl(RectCentred(r, 90, 26), 0,
                                    IText(15.f, IColor(255, 225, 228, 233)),
                                    IColor(255, 25, 30, 39));
       }},
      {"ICaptionControl (enum)", 44.f,
       [&](const IRect& r) {
         return new ICaptionControl(RectCentred(r, 90, 26), 1,
                                    IText(15.f, IColor(255, 225, 228, 233)),
                                    IColor(255, 25, 30, 39));
       }},
      {"IPanelControl", 54.f,
       [&](const IRect& r) {
         const IRect p = RectCentred(r, 110, 40);
         return new IPanelControl(p,
                                  IPattern::Linear(p.L, p.T, p.R, p.B, IColor(255, 64, 190, 214),
                                                   IColor(255, 40, 46, 120)),
                                  true, IColor(255, 210, 224, 244));
       }},
  };

  float total = kHeaderH + kPad;
  for (const Row& r : rows)
    total += r.height;
  const float resizerRowH = 44.f;
  total += resizerRowH + kPad;
  const int W = static_cast<int>(kLabelW + static_cast<float>(kNumStates) * kCellW + kPad);
  const int H = static_cast<int>(total);

  ICanvasHeadless g(&dlg, W, H);
  g.LoadFont("Roboto-Regular", "Roboto-Regular.ttf");
  g.AttachPanelBackground(IColor(255, 38, 45, 56));
  for (int s = 0; s < kNumStates; ++s)
    g.AttachControl(new ITextControl(IRect(kLabelW + static_cast<float>(s) * kCellW, 4.f,
                                           kLabelW + static_cast<float>(s + 1) * kCellW, kHeaderH),
                                     kStateNames[s], headText));

  float y = kHeaderH;
  std::vector<std::pair<IControl*, EState>> states;
  for (const Row& row : rows)
  {
    g.AttachControl(
        new IPanelControl(IRect(0, y, static_cast<float>(W), y + 1), IColor(255, 52, 60, 74)));
    g.AttachControl(new ITextControl(IRect(kPad, y, kLabelW, y + row.height), row.name, rowText));
    for (int s = 0; s < kNumStates; ++s)
    {
      const IRect cell(kLabelW + static_cast<float>(s) * kCellW, y,
                       kLabelW + static_cast<float>(s + 1) * kCellW, y + row.height);
      IControl* c = g.AttachControl(row.make(RectInset(cell, 4, 4, 4, 4)));
      if (c->GetParamIdx() >= 0)
        c->SetValueFromDelegate(dlg.GetParam(c->GetParamIdx())->GetNormalValue());
      states.emplace_back(c, static_cast<EState>(s));
    }
    y += row.height;
  }
  g.AttachControl(
      new ITextControl(IRect(kPad, y, kLabelW, y + resizerRowH), "ICornerResizerControl", rowText));
  for (int s = 0; s < 3; ++s)
  {
    // Each resizer is drawn inside a small frame that stands for an editor corner.
    const float x = kLabelW + static_cast<float>(s) * kCellW;
    const IRect cell(x + 40, y + 4, x + 100, y + resizerRowH - 4);
    g.AttachControl(new IPanelControl(cell, IColor(255, 200, 205, 215)));
    auto* rz = new ICornerResizerControl(20.f);
    g.AttachControl(rz);
    rz->SetTargetAndDrawRECTs(IRect(cell.R - 19, cell.B - 19, cell.R - 1, cell.B - 1));
    states.emplace_back(rz, static_cast<EState>(s));
  }

  for (auto& [c, st] : states)
    ApplyState(g, *c, st);
  g.DrawAll();
  return g.WritePng(path);
}

bool RenderSample(const std::string& path, float scale, bool interact)
{
  gallery::SampleDelegate dlg(scale);
  if (interact)
  {
    dlg.GetParam(1)->SetValue(-24.0);
    dlg.GetParam(7)->SetValue(3.5);
    dlg.GetParam(8)->SetValue(1.0);
  }
  if (!dlg.OpenEditor(nullptr))
    return false;
  auto* g = static_cast<ICanvasHeadless*>(dlg.Canvas());
  if (interact)
    g->MoveTo(400, 436); // hover over the "Auto Width" slider
  g->DrawAll();
  const bool ok = g->WritePng(path);
  dlg.CloseEditor();
  return ok;
}

} // namespace

int main(int argc, char** argv)
{
  if (argc > 1 && std::string(argv[1]) == "--tooltip")
  {
    if (argc != 4)
    {
      std::fprintf(stderr, "usage: gallery --tooltip TEXT FILE\n");
      return 2;
    }
    std::unique_ptr<IRenderer> r = MakeOverlayRenderer(1.f);
    DrawTooltipPicture(*r, argv[2]);
    const bool written = r->Frame().WritePng(argv[3]);
    std::printf("%s %s\n", written ? "wrote" : "FAILED", argv[3]);
    return written ? 0 : 1;
  }
  std::string dir = argc > 1 ? argv[1] : ".";
  if (!dir.empty() && dir.back() != '/')
    dir += '/';
  bool ok = true;
  auto report = [&](bool r, const std::string& p) {
    std::printf("%s %s\n", r ? "wrote" : "FAILED", p.c_str());
    ok = ok && r;
  };
  report(RenderControlGallery(dir + "controls.png"), dir + "controls.png");
  report(RenderSample(dir + "sample_layout.png", 1.f, true), dir + "sample_layout.png");
  report(RenderSample(dir + "sample_layout_defaults.png", 1.f, false),
         dir + "sample_layout_defaults.png");
  report(RenderSample(dir + "sample_layout@2x.png", 2.f, false), dir + "sample_layout@2x.png");
  return ok ? 0 : 1;
}
