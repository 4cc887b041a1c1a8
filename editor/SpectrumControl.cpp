#include "editor/SpectrumControl.h"

#include "dspmath/DetMath.h"
#include "editor/EditorStyle.h"
#include "graphics/ICanvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace plugfw::ui;

namespace {

constexpr IColor kBackground(255, 11, 15, 20);
constexpr IColor kGridLine(40, 255, 255, 255);
constexpr IColor kLabelColor(115, 255, 255, 255);
constexpr IColor kCurveLine(255, 47, 208, 230);
constexpr IColor kCurveFill(64, 23, 176, 196);
constexpr IColor kResponseLine(230, 230, 40, 40);

constexpr float kTopDb = 3.0f;
constexpr float kRangeDb = 43.0f;
constexpr float kBottomDb = -40.0f;
constexpr float kMinFreq = 20.0f;
constexpr float kHandleRadius = 5.0f;
constexpr float kRingRadius = 7.0f;
constexpr float kHitRadius = 16.0f;

constexpr float kGridFreqs[] = {30.f,   50.f,   100.f,  200.f,  300.f,   500.f,
                                1000.f, 2000.f, 3000.f, 5000.f, 10000.f, 20000.f};
constexpr float kGridLevels[] = {0.f, -10.f, -20.f, -30.f, -40.f};
constexpr const char* kLevelLabels[] = {"0", "-10", "-20", "-30", "-40"};
constexpr float kLabelFreqs[] = {100.f, 1000.f, 10000.f};
constexpr const char* kFreqLabels[] = {"100", "1k", "10k"};

const IText& LabelStyle()
{
  static const IText style(11.f, kLabelColor, EAlign::Center, kEditorFont);
  return style;
}

float Clamp01(float v)
{
  // NaN lands at 0, so a broken coordinate never leaves the plot.
  if (!(v > 0.0f))
    return 0.0f;
  return v < 1.0f ? v : 1.0f;
}

float ClampDb(float v)
{
  if (!(v > kBottomDb))
    return kBottomDb;
  return v < kTopDb ? v : kTopDb;
}

// Rounds to nearest, halves away from zero.
long RoundHalfAway(double v)
{
  return static_cast<long>(v < 0.0 ? -std::floor(-v + 0.5) : std::floor(v + 0.5));
}

double Log10(double v)
{
  static const double kLn10 = detmath::Log(10.0);
  return detmath::Log(v) / kLn10;
}

// Peaking biquad coefficients of one notch, so each column only evaluates the transfer function.
struct NotchCoefficients
{
  bool flat = true;
  double b0 = 1, b1 = 0, b2 = 0, a0 = 1, a1 = 0, a2 = 0;
};

NotchCoefficients MakeCoefficients(double f0, double q, double g, double fs)
{
  NotchCoefficients c;
  if (!(f0 > 0.0) || !(q > 0.0) || !(fs > 0.0))
    return c;
  const double a = detmath::Pow(10.0, g / 40.0);
  const double w0 = 2.0 * std::numbers::pi * f0 / fs;
  const double alpha = detmath::Sin(w0) / (2.0 * q);
  const double cosw0 = detmath::Cos(w0);
  c.flat = false;
  c.b0 = 1.0 + alpha * a;
  c.b1 = -2.0 * cosw0;
  c.b2 = 1.0 - alpha * a;
  c.a0 = 1.0 + alpha / a;
  c.a1 = -2.0 * cosw0;
  c.a2 = 1.0 - alpha / a;
  return c;
}

float ResponseDb(const NotchCoefficients& c, double f, double fs)
{
  if (c.flat)
    return 0.0f;
  const double w = 2.0 * std::numbers::pi * f / fs;
  const double cw = detmath::Cos(w), sw = detmath::Sin(w);
  const double c2w = detmath::Cos(2.0 * w), s2w = detmath::Sin(2.0 * w);
  const double nr = c.b0 + c.b1 * cw + c.b2 * c2w;
  const double ni = -(c.b1 * sw + c.b2 * s2w);
  const double dr = c.a0 + c.a1 * cw + c.a2 * c2w;
  const double di = -(c.a1 * sw + c.a2 * s2w);
  const double den = dr * dr + di * di;
  double mag = den > 0.0 ? std::sqrt((nr * nr + ni * ni) / den) : 0.0;
  if (!(mag >= 1e-6))
    mag = 1e-6;
  return static_cast<float>(20.0 * Log10(mag));
}

} // namespace

SpectrumControl::SpectrumControl(const IRect& bounds, const EditorExchange& exchange)
    : IControl(bounds), mExchange(exchange)
{
  mSnapshot.slots.reserve(SnapshotData::kSlotCount);
}

float SpectrumControl::NotchResponseDb(double f, double f0, double q, double g, double fs)
{
  return ResponseDb(MakeCoefficients(f0, q, g, fs), f, fs);
}

float SpectrumControl::PlotWidth() const
{
  return mRECT.R - mRECT.L - 30.0f;
}

float SpectrumControl::PlotHeight() const
{
  return mRECT.B - mRECT.T - 16.0f;
}

float SpectrumControl::MaxFrequency() const
{
  return static_cast<float>(std::min(mSampleRate * 0.5, 20000.0));
}

float SpectrumControl::FreqToX(float f) const
{
  const float fmax = MaxFrequency();
  float fc = f > kMinFreq ? f : kMinFreq;
  fc = fc < fmax ? fc : fmax;
  const double span = detmath::Log(static_cast<double>(fmax) / kMinFreq);
  if (!(span > 0.0))
    return mRECT.L;
  const double u = detmath::Log(static_cast<double>(fc) / kMinFreq) / span;
  return mRECT.L + static_cast<float>(u) * PlotWidth();
}

float SpectrumControl::LevelToY(float d) const
{
  return mRECT.T + Clamp01((kTopDb - d) / kRangeDb) * PlotHeight();
}

float SpectrumControl::XToFreq(float x) const
{
  const float pw = PlotWidth();
  const float xc = std::clamp(x, mRECT.L, mRECT.L + std::max(pw, 0.0f));
  const float u = pw > 0.0f ? Clamp01((xc - mRECT.L) / pw) : 0.0f;
  const double fmax = MaxFrequency();
  return static_cast<float>(kMinFreq * detmath::Pow(fmax / kMinFreq, u));
}

float SpectrumControl::YToLevel(float y) const
{
  const float ph = PlotHeight();
  const float yc = std::clamp(y, mRECT.T, mRECT.T + std::max(ph, 0.0f));
  const float v = ph > 0.0f ? Clamp01((yc - mRECT.T) / ph) : 0.0f;
  return kTopDb - kRangeDb * v;
}

int SpectrumControl::HitHandle(float x, float y) const
{
  int best = -1;
  float bestDist2 = kHitRadius * kHitRadius;
  const auto& slots = mSnapshot.slots;
  for (size_t i = 0; i < slots.size(); ++i)
  {
    if (!slots[i].active)
      continue;
    const float dx = x - FreqToX(slots[i].frequency);
    const float dy = y - LevelToY(slots[i].targetDepth);
    const float dist2 = dx * dx + dy * dy;
    // Strictly closer only, so ties keep the lower slot.
    if (dist2 < bestDist2)
    {
      bestDist2 = dist2;
      best = static_cast<int>(i);
    }
  }
  return best;
}

void SpectrumControl::Draw(ICanvas& g)
{
  mExchange.CopySnapshot(mSnapshot);
  mBinSpacing = mSnapshot.binWidth;
  mSampleRate = mExchange.sampleRate ? mExchange.sampleRate() : mSampleRate;
  const int selected = mExchange.Selected();

  const IRect& r = mRECT;
  const float pw = PlotWidth();
  const float ph = PlotHeight();
  const float fmax = MaxFrequency();
  const IBlend* blend = &mBlend;

  g.FillRect(kBackground, r, blend);

  for (float f : kGridFreqs)
  {
    if (f >= kMinFreq && f <= fmax)
    {
      const float x = FreqToX(f);
      g.DrawLine(kGridLine, x, r.T, x, r.T + ph, blend, 1.0f);
    }
  }
  for (size_t i = 0; i < std::size(kGridLevels); ++i)
  {
    const float y = LevelToY(kGridLevels[i]);
    g.DrawLine(kGridLine, r.L, y, r.L + pw, y, blend, 1.0f);
    g.DrawText(LabelStyle(), kLevelLabels[i], IRect(r.L + pw + 2.0f, y - 7.0f, r.R, y + 7.0f),
               blend);
  }
  for (size_t i = 0; i < std::size(kLabelFreqs); ++i)
  {
    if (kLabelFreqs[i] <= fmax)
    {
      const float x = FreqToX(kLabelFreqs[i]);
      g.DrawText(LabelStyle(), kFreqLabels[i], IRect(x - 14.0f, r.B - 15.0f, x + 16.0f, r.B),
                 blend);
    }
  }

  const int columns = pw > 0.0f ? static_cast<int>(pw) : -1;
  const double ratio = static_cast<double>(fmax) / kMinFreq;
  auto columnFreq = [&](int k) {
    return kMinFreq * detmath::Pow(ratio, static_cast<double>(k) / static_cast<double>(pw));
  };

  const auto& mags = mSnapshot.spectrum;
  const size_t count = mags.size();
  // Bin 0 is excluded from the curve, so a single bin draws nothing.
  if (count >= 2 && mBinSpacing > 0.0f && columns >= 0)
  {
    float reference = 1e-9f;
    for (size_t j = 1; j < count; ++j)
    {
      const double fj = static_cast<double>(j) * mBinSpacing;
      if (fj >= kMinFreq && fj <= fmax && mags[j] > reference)
        reference = mags[j];
    }
    g.PathClear();
    for (int k = 0; k <= columns; ++k)
    {
      const long bin =
          std::clamp(RoundHalfAway(columnFreq(k) / mBinSpacing), 1L, static_cast<long>(count) - 1);
      double ratioToRef = static_cast<double>(mags[static_cast<size_t>(bin)] / reference);
      if (!(ratioToRef >= 1e-6))
        ratioToRef = 1e-6;
      const float level = ClampDb(static_cast<float>(20.0 * Log10(ratioToRef)));
      const float x = r.L + static_cast<float>(k);
      if (k == 0)
        g.PathMoveTo(x, LevelToY(level));
      else
        g.PathLineTo(x, LevelToY(level));
    }
    g.PathStroke(kCurveLine, 1.5f, 10.0f, true, blend);
    g.PathLineTo(r.L + pw, r.T + ph);
    g.PathLineTo(r.L, r.T + ph);
    g.PathClose();
    g.PathFill(kCurveFill, blend);
  }

  if (columns >= 0)
  {
    NotchCoefficients coeffs[SnapshotData::kSlotCount];
    int active = 0;
    for (const NotchSlot& s : mSnapshot.slots)
    {
      if (s.active && active < SnapshotData::kSlotCount)
        coeffs[active++] = MakeCoefficients(s.frequency, s.width, s.targetDepth, mSampleRate);
    }
    g.PathClear();
    for (int k = 0; k <= columns; ++k)
    {
      const double f = columnFreq(k);
      float sum = 0.0f;
      for (int i = 0; i < active; ++i)
        sum += ResponseDb(coeffs[i], f, mSampleRate);
      const float x = r.L + static_cast<float>(k);
      const float y = LevelToY(ClampDb(sum));
      if (k == 0)
        g.PathMoveTo(x, y);
      else
        g.PathLineTo(x, y);
    }
    g.PathStroke(kResponseLine, 1.5f, 10.0f, false, blend);
  }

  const auto& slots = mSnapshot.slots;
  for (size_t i = 0; i < slots.size(); ++i)
  {
    if (!slots[i].active)
      continue;
    const float cx = FreqToX(slots[i].frequency);
    const float cy = LevelToY(slots[i].targetDepth);
    g.FillCircle(slots[i].manual ? kColorManualNotch : kColorAutoNotch, cx, cy, kHandleRadius,
                 blend);
    if (static_cast<int>(i) == selected)
      g.DrawCircle(kColorSelection, cx, cy, kRingRadius, blend, 2.0f);
  }
}

void SpectrumControl::OnPress(float x, float y, const IMouseMod&)
{
  mDragSlot = HitHandle(x, y);
  mExchange.Select(mDragSlot);
  MarkDirty(false);
}

void SpectrumControl::OnDrag(float x, float y, float, float, const IMouseMod&)
{
  if (mDragSlot == -1)
    return;
  mExchange.Push(kNotchSet, mDragSlot, XToFreq(x), YToLevel(y), 0.0f);
  MarkDirty(false);
}

void SpectrumControl::OnDoubleClick(float x, float y, const IMouseMod&)
{
  if (HitHandle(x, y) != -1)
    return;
  mExchange.Push(kNotchAdd, 0, XToFreq(x), -18.0f, 25.0f);
  MarkDirty(false);
}

void SpectrumControl::OnWheel(float, float, const IMouseMod&, float d)
{
  const int sel = mExchange.Selected();
  if (sel < 0 || static_cast<size_t>(sel) >= mSnapshot.slots.size())
    return;
  const double width = mSnapshot.slots[static_cast<size_t>(sel)].width;
  float q = static_cast<float>(width * (d > 0.0f ? 1.12 : 0.89));
  if (!(q >= 0.5f))
    q = 0.5f;
  else if (q > 60.0f)
    q = 60.0f;
  mExchange.Push(kNotchSetWidth, sel, q, 0.0f, 0.0f);
  MarkDirty(false);
}
