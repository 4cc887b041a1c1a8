#include "bench/render/EditorScene.h"
#include "QuellorVersion.h"

#include <cmath>
#include <cstdio>

#include "resources/QuellorResources.h"

using namespace plugfw::ui;

namespace rbench {

namespace {
const char* const kFont = "Roboto-Regular";
constexpr float W = 740.f, H = 726.f;

void Text(IRenderer& r, float size, IColor c, IRect rect, const char* s,
          ITextAlign a = ITextAlign::kNear)
{
  r.DrawText(kFont, size, c, rect, a, ITextVAlign::kMiddle, s);
}

void Slider(IRenderer& r, IRect rc, float value, IColor fg, float handle, float track)
{
  const float cy = rc.MH();
  r.FillRoundRect(IColor(255, 70, 78, 92), IRect(rc.L, cy - track / 2, rc.R, cy + track / 2),
                  track / 2);
  const float x = rc.L + value * rc.W();
  r.FillRoundRect(fg, IRect(rc.L, cy - track / 2, x, cy + track / 2), track / 2);
  r.FillCircle(fg, x, cy, handle / 2);
  r.DrawCircle(IColor(255, 235, 238, 242), x, cy, handle / 2, 1.f, 1.f);
}
} // namespace

EditorScene::EditorScene(IRenderer& r) : mR(r)
{
  const uint8_t* data = nullptr;
  size_t size = 0;
  if (FindQuellorResource("Roboto-Regular.ttf", data, size))
    mR.LoadFont(kFont, data, size);
  mLogo = mR.LoadBitmap(FindQuellorResource, "Quellor.png");
  for (int i = 0; i < 1024; ++i)
  {
    const double f = i * 23.4375;
    const double pink = 1.0 / std::sqrt(1.0 + f / 200.0);
    const double ring = 6.0 * std::exp(-std::pow((f - 2500.0) / 60.0, 2.0));
    const double ripple = 0.6 + 0.4 * std::sin(i * 0.37) * std::sin(i * 0.051);
    mMag[i] = static_cast<float>(pink * ripple + ring * 0.3);
  }
}

void EditorScene::DrawSpectrum()
{
  IRenderer& r = mR;
  const float L = 10, T = 10, R = W - 88, B = 180;
  const float PW = R - L - 30, PH = B - T - 16, fmax = 20000.f;
  auto xOf = [&](float f) { return L + std::log(f / 20.f) / std::log(fmax / 20.f) * PW; };
  auto yOf = [&](float d) { return T + std::fmin(std::fmax((3.f - d) / 43.f, 0.f), 1.f) * PH; };
  r.FillRect(IColor(255, 11, 15, 20), IRect(L, T, R, B));
  const IColor grid(40, 255, 255, 255), label(115, 255, 255, 255);
  for (float f :
       {30.f, 50.f, 100.f, 200.f, 300.f, 500.f, 1000.f, 2000.f, 3000.f, 5000.f, 10000.f, 20000.f})
    r.DrawLine(grid, xOf(f), T, xOf(f), T + PH);
  for (int d = 0; d >= -40; d -= 10)
  {
    r.DrawLine(grid, L, yOf(float(d)), L + PW, yOf(float(d)));
    char buf[8];
    std::snprintf(buf, sizeof buf, "%d", d);
    Text(r, 11, label, IRect(L + PW + 2, yOf(float(d)) - 7, R, yOf(float(d)) + 7), buf,
         ITextAlign::kCenter);
  }
  const char* fl[] = {"100", "1k", "10k"};
  const float ff[] = {100.f, 1000.f, 10000.f};
  for (int i = 0; i < 3; ++i)
    Text(r, 11, label, IRect(xOf(ff[i]) - 14, B - 15, xOf(ff[i]) + 16, B), fl[i],
         ITextAlign::kCenter);
  // Live spectrum: one point per column.
  float ref = 1e-9f;
  for (int j = 1; j < 854; ++j)
    ref = std::fmax(ref, mMag[j]);
  for (int k = 0; k <= static_cast<int>(PW); ++k)
  {
    const float f = 20.f * std::pow(fmax / 20.f, static_cast<float>(k) / PW);
    int bin = static_cast<int>(std::lround(f / 23.4375f));
    bin = bin < 1 ? 1 : (bin > 1023 ? 1023 : bin);
    const float lvl =
        std::fmin(std::fmax(20.f * std::log10(std::fmax(mMag[bin] / ref, 1e-6f)), -40.f), 3.f);
    if (k == 0)
      r.PathMoveTo(L + static_cast<float>(k), yOf(lvl));
    else
      r.PathLineTo(L + static_cast<float>(k), yOf(lvl));
  }
  IStrokeOptions keep;
  keep.preserve = true;
  r.PathStroke(IColor(255, 47, 208, 230), 1.5f, keep);
  r.PathLineTo(L + PW, T + PH);
  r.PathLineTo(L, T + PH);
  r.PathClose();
  r.PathFill(IColor(64, 23, 176, 196));
  // Combined notch response with three notches.
  const float notchF[] = {250.f, 2500.f, 7000.f}, notchD[] = {-12.f, -24.f, -6.f};
  for (int k = 0; k <= static_cast<int>(PW); ++k)
  {
    const float f = 20.f * std::pow(fmax / 20.f, static_cast<float>(k) / PW);
    float sum = 0.f;
    for (int n = 0; n < 3; ++n)
    {
      const float o = std::log2(f / notchF[n]) * 12.f;
      sum += notchD[n] / (1.f + o * o);
    }
    if (k == 0)
      r.PathMoveTo(L + static_cast<float>(k), yOf(sum));
    else
      r.PathLineTo(L + static_cast<float>(k), yOf(sum));
  }
  r.PathStroke(IColor(230, 230, 40, 40), 1.5f);
  for (int n = 0; n < 3; ++n)
  {
    r.FillCircle(n == 1 ? IColor(255, 0, 150, 235) : IColor(255, 255, 200, 0), xOf(notchF[n]),
                 yOf(notchD[n]), 5);
  }
  r.DrawCircle(IColor(255, 255, 255, 255), xOf(notchF[1]), yOf(notchD[1]), 7, 1.f, 2.f);
}

void EditorScene::DrawAll()
{
  IRenderer& r = mR;
  const float x0 = 10, xr = W - 10;
  r.FillRect(IColor(255, 38, 45, 56), IRect(0, 0, W, H));
  DrawSpectrum();
  // Meters.
  for (int m = 0; m < 2; ++m)
  {
    const IRect rc = m == 0 ? IRect(W - 82, 10, W - 49, 180) : IRect(W - 43, 10, W - 10, 180);
    const IRect bar(rc.L + 3, rc.T + 3, rc.R - 3, rc.B - 31);
    r.FillRoundRect(IColor(140, 0, 0, 0), bar, 3);
    r.FillRect(IColor(255, 60, 200, 60), IRect(bar.L, bar.T + 40, bar.R, bar.B));
    r.FillRect(IColor(255, 235, 235, 40), IRect(bar.L, bar.T + 30, bar.R, bar.T + 40));
    r.DrawLine(IColor(255, 255, 255, 255), bar.L, bar.T + 12, bar.R, bar.T + 12);
    Text(r, 11, IColor(255, 255, 255, 255), IRect(rc.L, rc.B - 28, rc.R, rc.B - 14),
         m == 0 ? "In" : "Out", ITextAlign::kCenter);
    Text(r, 11, IColor(255, 255, 255, 255), IRect(rc.L, rc.B - 14, rc.R, rc.B), "-12",
         ITextAlign::kCenter);
  }
  // Notch bank: 20 cells with numbers.
  const float e = (xr - x0) / 20.f;
  for (int i = 0; i < 20; ++i)
  {
    const IRect cell(x0 + static_cast<float>(i) * e + 1, 187,
                     x0 + static_cast<float>(i + 1) * e - 1, 207);
    const IColor c = i < 2 ? IColor(255, 255, 200, 0)
                           : (i == 2 ? IColor(255, 0, 150, 235) : IColor(128, 90, 90, 90));
    r.FillRoundRect(c, cell, 3);
    if (i == 2)
      r.DrawRoundRect(IColor(255, 255, 255, 255), cell, 3, 1.f, 2.f);
    char buf[4];
    std::snprintf(buf, sizeof buf, "%d", i + 1);
    Text(r, 10, IColor(255, 0, 0, 0), cell, buf, ITextAlign::kCenter);
  }
  const IColor status(255, 225, 230, 238), rowLabel(255, 220, 224, 230), valueC(255, 225, 228, 233);
  const IColor hint(255, 195, 200, 210), title(255, 240, 242, 246);
  Text(r, 16, status, IRect(x0, 214, xr, 232), "Filter 3  (manual)");
  const char* rows[] = {"Reduce dB", "Frequency", "Bandwidth"};
  const char* vals[] = {"-24.0 dB", "2.50 kHz", "25.0 Q"};
  for (int i = 0; i < 3; ++i)
  {
    const float y = 234.f + 27.f * static_cast<float>(i);
    Text(r, 15, rowLabel, IRect(x0, y, x0 + 108, y + 24), rows[i]);
    Slider(r, IRect(120, y, 376.2f, y + 24), 0.3f + 0.2f * static_cast<float>(i),
           IColor(255, 150, 170, 236), 9, 3);
    Text(r, 15, valueC, IRect(384.2f, y, 448.2f, y + 24), vals[i], ITextAlign::kCenter);
  }
  r.DrawRoundRect(IColor(255, 120, 190, 220), IRect(x0, 315, x0 + 100, 345), 15, 1.f, 1.f);
  Text(r, 15, IColor(255, 228, 232, 240), IRect(x0, 315, x0 + 100, 345), "Clear",
       ITextAlign::kCenter);
  Text(r, 13, hint, IRect(x0 + 112, 315, xr, 347), "double-click the graph to add a notch");
  if (mLogo.IsValid())
    r.DrawBitmap(mLogo, IRect(460.2f, 214.f, 730.f, 333.f));
  Text(r, 12, IColor(255, 170, 176, 188), IRect(460.2f, 335, xr, 349), "v" QUELLOR_VERSION_STRING,
       ITextAlign::kCenter);
  Text(r, 16, title, IRect(x0, 353, xr, 371), "Auto Catch  (real-time notches, zero-latency)");
  const char* params[] = {"Sensitivity",  "Auto Cut", "Auto Width", "Master Trim",
                          "Master Width", "Hushen",   "Drytail",    "Gain"};
  const char* pvals[] = {"60 %", "-18.0 dB", "25.0", "0.0 dB", "1.00 x", "0 %", "0 %", "0.0 dB"};
  for (int i = 0; i < 8; ++i)
  {
    const float y =
        i < 3 ? 373.f + 30.f * static_cast<float>(i) : 483.f + 30.f * static_cast<float>(i - 3);
    if (i == 3)
      Text(r, 16, title, IRect(x0, 463, xr, 481), "Master  (adjust every notch at once)");
    Text(r, 15, rowLabel, IRect(x0, y, x0 + 108, y + 26), params[i]);
    Slider(r, IRect(x0 + 110, y, xr - 72, y + 26), 0.1f * static_cast<float>(i + 1),
           IColor(255, 64, 190, 214), 13, 4);
    r.FillRoundRect(IColor(255, 25, 30, 39), IRect(xr - 68, y, xr, y + 26), 3);
    Text(r, 15, valueC, IRect(xr - 68, y, xr, y + 26), pvals[i], ITextAlign::kCenter);
  }
  for (int t = 0; t < 2; ++t)
  {
    const float dx = static_cast<float>(t) * 130.f;
    r.FillRoundRect(IColor(255, 40, 46, 58), IRect(x0 + dx, 634, x0 + dx + 22, 656), 3.3f);
    r.DrawRoundRect(IColor(255, 210, 224, 244), IRect(x0 + dx, 634, x0 + dx + 22, 656), 3.3f);
    Text(r, 15, rowLabel, IRect(x0 + dx + 28, 633, x0 + dx + 130, 659), t == 0 ? "Hold" : "Bypass");
  }
  r.DrawRoundRect(IColor(255, 120, 190, 220), IRect(630, 633, 730, 663), 15, 1.f, 1.f);
  Text(r, 15, IColor(255, 228, 232, 240), IRect(630, 633, 730, 663), "Reset", ITextAlign::kCenter);
  Text(r, 13, hint, IRect(x0, 665, xr, 683),
       "Feedback suppressor: truly zero-latency.  Hushen / Drytail add up to ~10 ms.");
  Text(r, 16, status, IRect(x0, 685, xr, 705), "Active filters: 3");
  r.DrawRoundRect(IColor(255, 150, 200, 225), IRect(671, 697, 731, 717), 4, 1.f, 1.2f);
  Text(r, 12, IColor(255, 150, 200, 225), IRect(670, 696, 732, 718), "About", ITextAlign::kCenter);
}

} // namespace rbench
