#include "tools/gallery/SampleLayout.h"
#include "QuellorVersion.h"

#include "graphics/ICanvasHeadless.h"
#include "graphics/IControls.h"
#include "graphics/IVectorControls.h"
#include "plugin/IParam.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace gallery {

using namespace plugfw;
using namespace plugfw::ui;

SampleDelegate::SampleDelegate(float scale) : ICanvasEditorDelegate(10)
{
  SetEditorSize(kSampleWidth, kSampleHeight);
  SetSizeConstraints(256, 8192, 256, 8192);
  GetParam(0)->DeclareDouble("Sensitivity", 50.0, 0.0, 100.0, 1.0, "%");
  GetParam(1)->DeclareDouble("Auto Cut", -18.0, -40.0, -3.0, 0.1, "dB");
  GetParam(2)->DeclareDouble("Auto Width", 25.0, 2.0, 60.0, 0.1, "Q");
  GetParam(3)->DeclareDouble("Master Trim", 0.0, -12.0, 12.0, 0.1, "dB");
  GetParam(4)->DeclareDouble("Master Width", 1.0, 0.5, 2.0, 0.01, "x");
  GetParam(5)->DeclareDouble("Hushen", 0.0, 0.0, 100.0, 0.1, "%");
  GetParam(6)->DeclareDouble("Drytail", 0.0, 0.0, 100.0, 0.1, "%");
  GetParam(7)->DeclareDouble("Gain", 0.0, -24.0, 24.0, 0.1, "dB");
  GetParam(8)->DeclareBool("Hold");
  GetParam(9)->DeclareBool("Bypass");
  SetMakeGraphicsFunc([this, scale] {
    auto* g = new ICanvasHeadless(this, GetEditorWidth(), GetEditorHeight(), 30, 1.f);
    g->SetScaleConstraints(0.5f, 4.f);
    if (scale != 1.f)
      g->Resize(g->Width(), g->Height(), scale);
    return g;
  });
  SetLayoutFunc([](IGraphicsContext* ctx) {
    if (auto* g = dynamic_cast<ICanvas*>(ctx))
      BuildSampleLayout(*g);
  });
}

ICanvas* SampleDelegate::Canvas() const
{
  return dynamic_cast<ICanvas*>(GetGraphicsContext());
}

namespace {

const IText kSectionTitle(16.f, IColor(255, 240, 242, 246), EAlign::Near);
const IText kRowLabel(15.f, IColor(255, 220, 224, 230), EAlign::Near);
const IText kValueBox(15.f, IColor(255, 225, 228, 233), EAlign::Center);
const IText kHint(13.f, IColor(255, 195, 200, 210), EAlign::Near);
const IText kStatus(16.f, IColor(255, 225, 230, 238), EAlign::Near);
const IText kVersion(12.f, IColor(255, 170, 176, 188), EAlign::Center);

IVectorStyle NotchSliderStyle()
{
  IVectorStyle s =
      DEFAULT_STYLE.WithShowLabel(false).WithShowValue(false).WithDrawFrame(false).WithDrawShadows(
          false);
  s.colors[kBG] = COLOR_TRANSPARENT;
  s.colors[kFG] = IColor(255, 150, 170, 236);
  s.colors[kX1] = IColor(255, 150, 170, 236);
  s.colors[kSH] = IColor(255, 60, 66, 80);
  s.colors[kFR] = IColor(255, 220, 226, 238);
  return s;
}

IVectorStyle ParamSliderStyle()
{
  IVectorStyle s =
      DEFAULT_STYLE.WithShowLabel(false).WithShowValue(false).WithDrawFrame(false).WithDrawShadows(
          false);
  s.colors[kBG] = COLOR_TRANSPARENT;
  s.colors[kFG] = IColor(255, 64, 190, 214);
  s.colors[kX1] = IColor(255, 64, 190, 214);
  s.colors[kSH] = IColor(255, 70, 78, 92);
  s.colors[kFR] = IColor(255, 235, 238, 242);
  s.colors[kHL] = IColor(70, 64, 190, 214);
  return s;
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
  const IText t(15.f, IColor(255, 228, 232, 240), EAlign::Center);
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

// Level meter stand-in: a bar with three coloured segments and two text lines.
class SampleMeter : public IControl
{
public:
  SampleMeter(const IRect& r, const char* label, float levelDb)
      : IControl(r), mLabel(label), mLevel(levelDb)
  {}
  void Draw(ICanvas& g) override
  {
    const IRect bar(mRECT.L + 3, mRECT.T + 3, mRECT.R - 3, mRECT.B - 31);
    g.FillRoundRect(IColor(140, 0, 0, 0), bar, 3.f, &mBlend);
    auto pos = [&](float db) {
      const float c = std::clamp((db + 60.f) / 66.f, 0.f, 1.f);
      return bar.B - c * (bar.B - bar.T);
    };
    const struct
    {
      float lo, hi;
      IColor c;
    } segs[] = {{-60, -6, IColor(255, 60, 200, 60)},
                {-6, 0, IColor(255, 235, 235, 40)},
                {0, 6, IColor(255, 235, 40, 40)}};
    for (const auto& s : segs)
      if (s.lo < mLevel)
        g.FillRect(s.c, IRect(bar.L, pos(std::min(s.hi, mLevel)), bar.R, pos(s.lo)), &mBlend);
    g.DrawLine(COLOR_WHITE, bar.L, pos(0.f), bar.R, pos(0.f), &mBlend, 1.f);
    const IText t(11.f, COLOR_WHITE, EAlign::Center);
    g.DrawText(t, mLabel.c_str(), IRect(mRECT.L, mRECT.B - 28, mRECT.R, mRECT.B - 14), &mBlend);
    char buf[16];
    std::snprintf(buf, sizeof(buf), "%d", static_cast<int>(mLevel));
    g.DrawText(t, buf, IRect(mRECT.L, mRECT.B - 14, mRECT.R, mRECT.B), &mBlend);
  }

private:
  std::string mLabel;
  float mLevel;
};

// Notch bank stand-in: twenty numbered cells, a few in use, one selected.
class SampleBank : public IControl
{
public:
  explicit SampleBank(const IRect& r) : IControl(r) {}
  void Draw(ICanvas& g) override
  {
    const int n = 20;
    const float e = mRECT.W() / n;
    const IText t(10.f, COLOR_BLACK, EAlign::Center);
    for (int i = 0; i < n; ++i)
    {
      const float fi = static_cast<float>(i);
      const IRect cell(mRECT.L + fi * e + 1, mRECT.T + 1, mRECT.L + (fi + 1) * e - 1, mRECT.B - 1);
      IColor c(128, 90, 90, 90);
      if (i == 0 || i == 1 || i == 4)
        c = IColor(255, 255, 200, 0);
      if (i == 2)
        c = IColor(255, 0, 150, 235);
      g.FillRoundRect(c, cell, 3.f, &mBlend);
      if (i == 2)
        g.DrawRoundRect(COLOR_WHITE, cell, 3.f, &mBlend, 2.f);
      char buf[8];
      std::snprintf(buf, sizeof(buf), "%d", i + 1);
      g.DrawText(t, buf, cell, &mBlend);
    }
  }
};

// Logo stand-in: the bitmap scaled to fill the rectangle.
class SampleLogo : public IControl
{
public:
  SampleLogo(const IRect& r, const IBitmap& bmp) : IControl(r), mBitmap(bmp) {}
  void Draw(ICanvas& g) override { g.DrawBitmap(mBitmap, mRECT, 0, &mBlend); }

private:
  IBitmap mBitmap;
};

} // namespace

SampleSpectrumControl::SampleSpectrumControl(const IRect& r) : IControl(r) {}

void SampleSpectrumControl::Draw(ICanvas& g)
{
  const IRect& R = mRECT;
  const float pw = R.W() - 30.f, ph = R.H() - 16.f;
  const IRect plot(R.L, R.T, R.L + pw, R.T + ph);
  g.FillRect(IColor(255, 18, 22, 29), R, &mBlend);
  g.FillRect(IColor(255, 24, 29, 38), plot, &mBlend);
  const double fmin = 20.0, fmax = 20000.0;
  auto xOf = [&](double f) {
    return plot.L + static_cast<float>(std::log(f / fmin) / std::log(fmax / fmin)) * pw;
  };
  auto yOf = [&](double db) { return plot.T + static_cast<float>((6.0 - db) / 96.0) * ph; };

  const IText lab(10.f, IColor(255, 150, 158, 172), EAlign::Center);
  const double grid[] = {50, 100, 200, 500, 1000, 2000, 5000, 10000};
  const char* names[] = {"50", "100", "200", "500", "1k", "2k", "5k", "10k"};
  for (int i = 0; i < 8; ++i)
  {
    const float x = xOf(grid[i]);
    g.DrawLine(IColor(255, 44, 52, 66), x, plot.T, x, plot.B, &mBlend, 1.f);
    g.DrawText(lab, names[i], IRect(x - 15, plot.B, x + 15, R.B), &mBlend);
  }
  const IText labR(10.f, IColor(255, 150, 158, 172), EAlign::Near);
  for (int db = 0; db >= -84; db -= 12)
  {
    const float y = yOf(db);
    g.DrawLine(IColor(255, 44, 52, 66), plot.L, y, plot.R, y, &mBlend, 1.f);
    char buf[8];
    std::snprintf(buf, sizeof(buf), "%d", db);
    g.DrawText(labR, buf, IRect(plot.R + 3, y - 6, R.R, y + 6), &mBlend);
  }

  // Synthetic spectrum: a tilted noise floor with a few resonances.
  const int nPts = 320;
  g.PathClear();
  g.PathMoveTo(plot.L, plot.B);
  for (int i = 0; i <= nPts; ++i)
  {
    const double f = fmin * std::pow(fmax / fmin, static_cast<double>(i) / nPts);
    double db = -30.0 - 12.0 * std::log10(f / 100.0);
    db += 4.0 * std::sin(0.37 * i + 0.21 * mPhase) + 2.5 * std::sin(1.7 * i + 0.5 * mPhase);
    db += 28.0 * std::exp(-std::pow(std::log(f / 2500.0) * 14.0, 2.0));
    db += 18.0 * std::exp(-std::pow(std::log(f / 420.0) * 10.0, 2.0));
    g.PathLineTo(xOf(f), std::clamp(yOf(db), plot.T, plot.B));
  }
  g.PathLineTo(plot.R, plot.B);
  g.PathClose();
  g.PathFill(
      IPattern::Linear(0, plot.T, 0, plot.B, IColor(150, 64, 190, 214), IColor(40, 64, 190, 214)),
      &mBlend, true);
  g.PathStroke(IColor(255, 110, 210, 230), 1.2f, 10.f, false, &mBlend);

  // Combined notch response.
  g.PathClear();
  for (int i = 0; i <= nPts; ++i)
  {
    const double f = fmin * std::pow(fmax / fmin, static_cast<double>(i) / nPts);
    const double db = -18.0 * std::exp(-std::pow(std::log(f / 2500.0) * 12.0, 2.0)) -
                      10.0 * std::exp(-std::pow(std::log(f / 420.0) * 8.0, 2.0));
    const float x = xOf(f), y = yOf(db);
    if (i == 0)
      g.PathMoveTo(x, y);
    else
      g.PathLineTo(x, y);
  }
  g.PathStroke(IColor(255, 255, 200, 0), 1.5f, 10.f, false, &mBlend);

  const struct
  {
    double f, db;
    IColor c;
    bool sel;
  } handles[] = {{2500, -18, IColor(255, 255, 200, 0), false},
                 {420, -10, IColor(255, 0, 150, 235), true}};
  for (const auto& h : handles)
  {
    const float x = xOf(h.f), y = yOf(h.db);
    g.FillCircle(h.c, x, y, 6.f, &mBlend);
    g.DrawCircle(h.sel ? COLOR_WHITE : IColor(255, 30, 30, 30), x, y, 6.f, &mBlend,
                 h.sel ? 2.f : 1.f);
  }
}

void BuildSampleLayout(ICanvas& g)
{
  const float W = static_cast<float>(g.Width()), H = static_cast<float>(g.Height());
  const float x0 = 10.f, xr = W - 10.f;
  g.LoadFont("Roboto-Regular", "Roboto-Regular.ttf");
  g.AttachCornerResizer(new ICornerResizerControl(20.f, IColor(10, 0, 0, 0), IColor(255, 0, 0, 0),
                                                  IColor(255, 0, 0, 0)),
                        EUIResizerMode::Scale);
  auto* bg = new IPanelControl(g.GetBounds(), IColor(255, 38, 45, 56));
  bg->SetIgnorePointer(true);
  g.AttachControl(bg);
  g.EnableMouseOver(true);
  g.EnableTooltips(true);

  g.AttachControl(new SampleSpectrumControl(IRect(kSpecL, kSpecT, W - 88.f, 180.f)), kSpectrumTag);
  g.AttachControl(new SampleMeter(IRect(W - 82, 10, W - 49, 180), "In", -9.f), 2);
  g.AttachControl(new SampleMeter(IRect(W - 43, 10, W - 10, 180), "Out", -14.f), 3);

  float y = 186.f;
  g.AttachControl(new SampleBank(IRect(x0, y, xr, y + 22)), 1);
  y += 28.f;
  const float ytop = y;
  g.AttachControl(new ITextControl(IRect(x0, y, xr, y + 18), "Filter 3  (manual)", kStatus), 7);
  y += 20.f;

  const float sx = x0 + 110.f, sw = (xr - sx) * 0.42f, vx = sx + sw + 8.f, vr = vx + 64.f;
  const char* notchRows[] = {"Reduce dB", "Frequency", "Bandwidth"};
  const char* notchVals[] = {"-10.0 dB", "420 Hz", "8.0 Q"};
  const double notchPos[] = {0.75, 0.44, 0.58};
  for (int i = 0; i < 3; ++i)
  {
    g.AttachControl(new ITextControl(IRect(x0, y, x0 + 108, y + 24), notchRows[i], kRowLabel));
    auto* s = g.AttachControl(new IVectorSliderControl(IRect(sx, y, sx + sw, y + 24), -1, "",
                                                       NotchSliderStyle(), EDirection::Horizontal,
                                                       9.f, 3.f, 4.0),
                              4 + i);
    s->SetValue(notchPos[i]);
    g.AttachControl(new ITextControl(IRect(vx, y, vr, y + 24), notchVals[i], kValueBox), 10 + i);
    y += 27.f;
  }
  g.AttachControl(new IVectorButtonControl(IRect(x0, y, x0 + 100, y + 30), "Clear", nullptr,
                                           PushButtonStyle()));
  g.AttachControl(new ITextControl(IRect(x0 + 112, y, xr, y + 32),
                                   "double-click the graph to add a notch", kHint));
  y += 38.f;

  const float lx = vr + 12.f;
  float lw = xr - lx;
  if (lw > 60.f)
  {
    const IBitmap bmp = g.LoadBitmap("Quellor.png");
    if (bmp.IsValid() && bmp.Width() > 1 && bmp.Height() > 1)
    {
      const float a = static_cast<float>(bmp.Width()) / static_cast<float>(bmp.Height());
      float lh = lw / a;
      const float avail = (y - 4.f - 16.f) - ytop;
      if (lh > avail)
      {
        lh = avail;
        lw = lh * a;
      }
      const float w = std::max(1.f, lw);
      if (lh <= 0.f)
        lh = w;
      const float left = 0.5f * (lx + xr) - 0.5f * w, top = 0.5f * (ytop + y - 20.f) - 0.5f * lh;
      g.AttachControl(new SampleLogo(IRect(left, top, left + w, top + lh), bmp));
    }
    g.AttachControl(
        new ITextControl(IRect(lx, y - 18, xr, y - 4), "v" QUELLOR_VERSION_STRING, kVersion));
  }

  auto paramRow = [&](int idx, const char* label) {
    g.AttachControl(new ITextControl(IRect(x0, y, x0 + 108, y + 26), label, kRowLabel));
    g.AttachControl(new IVectorSliderControl(IRect(x0 + 110, y, xr - 72, y + 26), idx, "",
                                             ParamSliderStyle(), EDirection::Horizontal, 13.f, 4.f,
                                             4.0));
    g.AttachControl(new ICaptionControl(IRect(xr - 68, y, xr, y + 26), idx, kValueBox,
                                        IColor(255, 25, 30, 39)));
    y += 30.f;
  };
  g.AttachControl(new ITextControl(IRect(x0, y, xr, y + 18),
                                   "Auto Catch  (real-time notches, zero-latency)", kSectionTitle));
  y += 20.f;
  paramRow(0, "Sensitivity");
  paramRow(1, "Auto Cut");
  paramRow(2, "Auto Width");
  g.AttachControl(new ITextControl(IRect(x0, y, xr, y + 18), "Master  (adjust every notch at once)",
                                   kSectionTitle));
  y += 20.f;
  paramRow(3, "Master Trim");
  paramRow(4, "Master Width");
  paramRow(5, "Hushen");
  paramRow(6, "Drytail");
  paramRow(7, "Gain");

  const struct
  {
    int idx;
    float dx;
    const char* label;
  } toggles[] = {{8, 0.f, "Hold"}, {9, 130.f, "Bypass"}};
  for (const auto& t : toggles)
  {
    g.AttachControl(new IVectorToggleControl(IRect(x0 + t.dx, y + 1, x0 + t.dx + 22, y + 23), t.idx,
                                             nullptr, "", ToggleStyle(), "OFF", "ON"));
    g.AttachControl(
        new ITextControl(IRect(x0 + t.dx + 28, y, x0 + t.dx + 130, y + 26), t.label, kRowLabel));
  }
  g.AttachControl(new IVectorButtonControl(IRect(xr - 100, y, xr, y + 30), "Reset", nullptr,
                                           PushButtonStyle()));
  y += 32.f;
  g.AttachControl(new ITextControl(
      IRect(x0, y, xr, y + 18),
      "Feedback suppressor: truly zero-latency.  Hushen / Drytail add up to ~10 ms.", kHint));
  y += 20.f;
  g.AttachControl(new ITextControl(IRect(x0, y, xr, y + 20), "Active filters: 2", kStatus), 8);

  IVectorStyle small = PushButtonStyle().WithRoundness(0.4f);
  small.colors[kFR] = IColor(255, 150, 200, 225);
  small.labelText = IText(12.f, IColor(255, 150, 200, 225), EAlign::Center);
  g.AttachControl(
      new IVectorButtonControl(IRect(W - 70, H - 30, W - 8, H - 8), "About", nullptr, small));
}

} // namespace gallery
