#include "editor/EditorLayout.h"

#include "dspmath/DetMath.h"
#include "editor/BankControl.h"
#include "editor/EditorStyle.h"
#include "editor/SpectrumControl.h"
#include "graphics/ICanvas.h"
#include "graphics/IControls.h"
#include "graphics/IVectorControls.h"
#include "plugin/IEditorDelegate.h"
#include "plugin/IParam.h"

#include <algorithm>

using namespace plugfw;
using namespace plugfw::ui;

namespace {

const IText kSectionTitleText(16.f, IColor(255, 240, 242, 246), EAlign::Near, kEditorFont);
const IText kRowLabelText(15.f, IColor(255, 220, 224, 230), EAlign::Near, kEditorFont);
const IText kValueBoxText(15.f, IColor(255, 225, 228, 233), EAlign::Center, kEditorFont);
const IText kHintText(13.f, IColor(255, 195, 200, 210), EAlign::Near, kEditorFont);
const IText kStatusText(16.f, IColor(255, 225, 230, 238), EAlign::Near, kEditorFont);
const IText kVersionText(12.f, IColor(255, 170, 176, 188), EAlign::Center, kEditorFont);
constexpr IColor kBackground(255, 38, 45, 56);
constexpr IColor kValueBoxBackground(255, 25, 30, 39);
constexpr const char* kLogoResource = "Quellor.png";

IVectorStyle SliderStyle(const IColor& accent, const IColor& track, const IColor& frame)
{
  IVectorStyle s =
      DEFAULT_STYLE.WithShowLabel(false).WithShowValue(false).WithDrawFrame(false).WithDrawShadows(
          false);
  s.colors[kBG] = COLOR_TRANSPARENT;
  s.colors[kFG] = accent;
  s.colors[kX1] = accent;
  s.colors[kSH] = track;
  s.colors[kFR] = frame;
  return s;
}

IVectorStyle NotchSliderStyle()
{
  return SliderStyle(IColor(255, 150, 170, 236), IColor(255, 60, 66, 80),
                     IColor(255, 220, 226, 238));
}

IVectorStyle ParamSliderStyle()
{
  return SliderStyle(IColor(255, 64, 190, 214), IColor(255, 70, 78, 92), IColor(255, 235, 238, 242))
      .WithColor(kHL, IColor(70, 64, 190, 214));
}

IVectorStyle PushButtonStyle()
{
  IVectorStyle s =
      DEFAULT_STYLE.WithShowValue(false).WithDrawFrame(true).WithDrawShadows(false).WithRoundness(
          0.5f);
  s.colors[kBG] = COLOR_TRANSPARENT;
  s.colors[kFG] = COLOR_TRANSPARENT;
  s.colors[kPR] = IColor(60, 120, 170, 220);
  s.colors[kFR] = IColor(255, 120, 190, 220);
  s.colors[kHL] = IColor(40, 255, 255, 255);
  const IText t(15.f, IColor(255, 228, 232, 240), EAlign::Center, kEditorFont);
  s.labelText = t;
  s.valueText = t;
  return s;
}

IVectorStyle ToggleStyle()
{
  IVectorStyle s = DEFAULT_STYLE.WithShowLabel(false)
                       .WithShowValue(false)
                       .WithDrawFrame(true)
                       .WithDrawShadows(false)
                       .WithRoundness(0.15f);
  s.colors[kBG] = IColor(255, 40, 46, 58);
  s.colors[kFG] = IColor(255, 64, 190, 214);
  s.colors[kPR] = IColor(255, 44, 150, 170);
  s.colors[kFR] = IColor(255, 210, 224, 244);
  return s;
}

// The selected slot when it holds an active notch that the table knows; otherwise false.
bool SelectedActiveSlot(const EditorExchange& ex, int& selected, NotchSlot& slot)
{
  selected = ex.Selected();
  if (selected < 0)
    return false;
  slot = ex.CopySlot(selected);
  return slot.active;
}

// The selected-notch slider actions: each change of the slider's value v (0..1) edits the
// selected notch. The depth and frequency actions keep the other value of the slot.
void ReduceAction(const EditorExchange& ex, double v)
{
  int sel = -1;
  NotchSlot slot;
  if (SelectedActiveSlot(ex, sel, slot))
    ex.Push(kNotchSet, sel, slot.frequency, static_cast<float>(v * 40.0 - 40.0), 0.f);
}

void FrequencyAction(const EditorExchange& ex, double v)
{
  int sel = -1;
  NotchSlot slot;
  if (SelectedActiveSlot(ex, sel, slot))
    ex.Push(kNotchSet, sel, static_cast<float>(20.0 * detmath::Pow(1000.0, v)), slot.targetDepth,
            0.f);
}

void BandwidthAction(const EditorExchange& ex, double v)
{
  const int sel = ex.Selected();
  if (sel != -1)
    ex.Push(kNotchSetWidth, sel, static_cast<float>(0.5 * detmath::Pow(120.0, v)), 0.f, 0.f);
}

ITextControl* AttachText(ICanvas& g, const IRect& r, const char* str, const IText& style,
                         int tag = -1)
{
  return static_cast<ITextControl*>(g.AttachControl(new ITextControl(r, str, style), tag));
}

void AttachParamRow(ICanvas& g, float x0, float xr, float y, int paramIdx, const char* label,
                    const char* tooltip)
{
  AttachText(g, IRect(x0, y, x0 + 108.f, y + 26.f), label, kRowLabelText);
  IControl* slider = g.AttachControl(
      new IVectorSliderControl(IRect(x0 + 110.f, y, xr - 72.f, y + 26.f), paramIdx, "",
                               ParamSliderStyle(), EDirection::Horizontal, 13.f, 4.f, 4.0));
  slider->SetTooltip(tooltip);
  g.AttachControl(new ICaptionControl(IRect(xr - 68.f, y, xr, y + 26.f), paramIdx, kValueBoxText,
                                      kValueBoxBackground));
}

// The logo fills the free width right of the value fields, as wide as the height allows, centred
// between ytop and the version text.
void AttachLogoAndVersion(ICanvas& g, float lx, float xr, float ytop, float y,
                          const std::string& version)
{
  float lw = xr - lx;
  if (!(lw > 60.f))
    return;
  const IBitmap bitmap = g.LoadBitmap(kLogoResource, 1);
  if (bitmap.IsValid() && bitmap.Width() > 1 && bitmap.Height() > 1)
  {
    const float a = static_cast<float>(bitmap.Width()) / static_cast<float>(bitmap.Height());
    float lh = lw / a;
    const float available = (y - 4.f - 16.f) - ytop;
    if (lh > available)
    {
      lh = available;
      lw = lh * a;
    }
    const float width = std::max(1.f, lw);
    if (lh <= 0.f)
      lh = width;
    const float left = (lx + xr) / 2.f - width / 2.f;
    const float top = (ytop + y - 20.f) / 2.f - lh / 2.f;
    g.AttachControl(
        new LogoControl(IRect(left, top, left + width, top + lh), bitmap, kLogoResource));
  }
  const std::string text = "v" + version;
  AttachText(g, IRect(lx, y - 18.f, xr, y - 4.f), text.c_str(), kVersionText);
}

} // namespace

void ResetEditorState(ICanvas& g, IEditorDelegate& delegate, const EditorExchange& exchange)
{
  for (int i = 0; i < delegate.NParams(); ++i)
  {
    IParam* p = delegate.GetParam(i);
    if (!p)
      continue;
    p->SetValue(p->DefaultValue()); // rounded to the step and limited to the range
    g.SetParamValueFromDelegate(i, p->GetNormalValue());
  }
  for (int slot = 0; slot < SnapshotData::kSlotCount; ++slot)
    exchange.Push(kNotchClear, slot, 0.f, 0.f, 0.f);
  exchange.Select(-1);
  g.SetAllControlsDirty();
}

void LayoutEditor(ICanvas& g, IEditorDelegate& delegate, const EditorExchange& exchange,
                  const AboutInfo& about)
{
  const float W = static_cast<float>(g.Width()), H = static_cast<float>(g.Height());
  const float x0 = 10.f, xr = W - 10.f;

  g.AttachCornerResizer(new ICornerResizerControl(20.f, IColor(10, 0, 0, 0), IColor(255, 0, 0, 0),
                                                  IColor(255, 0, 0, 0)),
                        EUIResizerMode::Scale, false);
  g.AttachPanelBackground(kBackground);
  g.LoadFont(kEditorFont, kEditorFontResource);
  g.EnableMouseOver(true);
  g.EnableTooltips(true);

  IControl* c = g.AttachControl(new SpectrumControl(IRect(10.f, 10.f, W - 88.f, 180.f), exchange),
                                kTagSpectrum);
  c->SetTooltip("Live spectrum with the notch responses. Drag a handle to move it, mouse-wheel "
                "to change width, double-click empty space to add.");
  g.AttachControl(new MeterControl(IRect(W - 82.f, 10.f, W - 49.f, 180.f), exchange, false, "In"),
                  kTagInputMeter);
  g.AttachControl(new MeterControl(IRect(W - 43.f, 10.f, W - 10.f, 180.f), exchange, true, "Out"),
                  kTagOutputMeter);

  float y = 186.f;
  c = g.AttachControl(new BankControl(IRect(x0, y, xr, y + 22.f), exchange), kTagBank);
  c->SetTooltip("Notch bank (up to 20). Gold = auto, blue = manual, grey = free. Click to select.");
  y += 28.f;
  const float ytop = y;

  AttachText(g, IRect(x0, y, xr, y + 18.f),
             "Active filter  (drag a handle, wheel = width, double-click graph to add)",
             kStatusText, kTagSelectedLine);
  y += 20.f;

  // Selected-notch rows: label, slider, value field.
  const float sx = x0 + 110.f, sw = (xr - sx) * 0.42f, vx = sx + sw + 8.f, vr = vx + 64.f;
  struct NotchRow
  {
    const char* label;
    int sliderTag, valueTag;
    const char* tooltip;
    void (*action)(const EditorExchange&, double);
  };
  static constexpr NotchRow kNotchRows[] = {
      {"Reduce dB", kTagReduceSlider, kTagReduceValue, "Selected notch depth (dB).", ReduceAction},
      {"Frequency", kTagFrequencySlider, kTagFrequencyValue, "Selected notch frequency (Hz).",
       FrequencyAction},
      {"Bandwidth", kTagBandwidthSlider, kTagBandwidthValue, "Selected notch width.",
       BandwidthAction}};
  for (const NotchRow& row : kNotchRows)
  {
    AttachText(g, IRect(x0, y, x0 + 108.f, y + 24.f), row.label, kRowLabelText);
    auto action = [exchange, fn = row.action](IControl* ctl) { fn(exchange, ctl->GetValue()); };
    c = g.AttachControl(new IVectorSliderControl(IRect(sx, y, sx + sw, y + 24.f), -1, "",
                                                 NotchSliderStyle(), EDirection::Horizontal, 9.f,
                                                 3.f, 4.0, action),
                        row.sliderTag);
    c->SetTooltip(row.tooltip);
    AttachText(g, IRect(vx, y, vr, y + 24.f), "--", kValueBoxText, row.valueTag);
    y += 27.f;
  }

  c = g.AttachControl(new IVectorButtonControl(
      IRect(x0, y, x0 + 100.f, y + 30.f), "Clear",
      [exchange](IControl*) {
        const int sel = exchange.Selected();
        if (sel != -1)
          exchange.Push(kNotchClear, sel, 0.f, 0.f, 0.f);
      },
      PushButtonStyle()));
  c->SetTooltip("Clear the selected notch.");
  AttachText(g, IRect(x0 + 112.f, y, xr, y + 32.f), "double-click the graph to add a notch",
             kHintText);
  y += 38.f;

  AttachLogoAndVersion(g, vr + 12.f, xr, ytop, y, about.version);

  AttachText(g, IRect(x0, y, xr, y + 18.f), "Auto Catch  (real-time notches, zero-latency)",
             kSectionTitleText);
  y += 20.f;
  struct ParamRow
  {
    int idx;
    const char* label;
    const char* tooltip;
  };
  static constexpr ParamRow kParamRows[] = {
      {0, "Sensitivity", "How readily the detector reacts to a rising tone."},
      {1, "Auto Cut", "How deep new automatic notches cut (dB)."},
      {2, "Auto Width", "How narrow new automatic notches are."},
      {3, "Master Trim", "Extra cut (dB) applied to every notch together."},
      {4, "Master Width", "Scales the width of every notch together."},
      {5, "Hushen", "Reduces steady background noise. Adds latency when above 0."},
      {6, "Drytail", "Reduces the reverb tail. Adds latency when above 0."},
      {7, "Gain", "Makeup gain (dB)."}};
  for (const ParamRow& row : kParamRows)
  {
    if (row.idx == 3)
    {
      AttachText(g, IRect(x0, y, xr, y + 18.f), "Master  (adjust every notch at once)",
                 kSectionTitleText);
      y += 20.f;
    }
    AttachParamRow(g, x0, xr, y, row.idx, row.label, row.tooltip);
    y += 30.f;
  }

  struct ToggleRow
  {
    int idx;
    float dx;
    const char* label;
    const char* tooltip;
  };
  static constexpr ToggleRow kToggles[] = {
      {8, 0.f, "Hold", "Freeze the current notches."},
      {9, 130.f, "Bypass", "Bypass the whole plugin (audio passes through untouched)."}};
  for (const ToggleRow& t : kToggles)
  {
    c = g.AttachControl(
        new IVectorToggleControl(IRect(x0 + t.dx, y + 1.f, x0 + t.dx + 22.f, y + 23.f), t.idx,
                                 nullptr, "", ToggleStyle(), "OFF", "ON"));
    c->SetTooltip(t.tooltip);
    AttachText(g, IRect(x0 + t.dx + 28.f, y, x0 + t.dx + 130.f, y + 26.f), t.label, kRowLabelText);
  }
  IEditorDelegate* dlg = &delegate;
  c = g.AttachControl(new IVectorButtonControl(
      IRect(xr - 100.f, y, xr, y + 30.f), "Reset",
      [dlg, exchange](IControl* ctl) {
        if (ICanvas* ui = ctl->GetUI())
          ResetEditorState(*ui, *dlg, exchange);
      },
      PushButtonStyle()));
  c->SetTooltip("Restore defaults and clear every notch.");
  y += 32.f;

  AttachText(g, IRect(x0, y, xr, y + 18.f),
             "Feedback suppressor: truly zero-latency.  Hushen / Drytail add up to ~10 ms.",
             kHintText);
  y += 20.f;
  AttachText(g, IRect(x0, y, xr, y + 20.f), "Active filters: 0", kStatusText, kTagActiveCountLine);

  c = g.AttachControl(
      new SmallButton(IRect(W - 70.f, H - 30.f, W - 8.f, H - 8.f), "About", [](IControl* ctl) {
        ICanvas* ui = ctl->GetUI();
        if (IControl* popup = ui ? ui->GetControlWithTag(kTagAbout) : nullptr)
        {
          popup->Hide(false);
          popup->MarkDirty(false);
        }
      }));
  c->SetTooltip("About Quellor: version, maker and links.");
  auto* popup = new AboutPopup(g.GetBounds(), about);
  popup->Hide(true);
  g.AttachControl(popup, kTagAbout);

  // A new editor starts from its opening texts and slider states whatever was selected when the
  // last one closed, so its first idle tick must refresh the selection read-outs.
  exchange.lastShownNotch = -2;
}
