#include "tools/quellor-render/LoopPlot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "render/IRenderer.h"
#include "resources/QuellorResources.h"

using namespace plugfw::ui;

namespace {

constexpr float kW = 1200.f, kH = 620.f;
constexpr float kLeft = 70.f, kRight = kW - 70.f;
constexpr float kLevelTop = 60.f, kLevelBottom = 420.f; // loudspeaker level panel
constexpr float kGainTop = 450.f, kGainBottom = 570.f;  // gain steps panel
constexpr float kLevelMin = -60.f, kLevelMax = 0.f;
const char* const kFont = "Roboto-Regular";

const IColor kBack(255, 22, 26, 33), kPanel(255, 30, 35, 44), kGrid(255, 52, 58, 70),
    kText(255, 214, 218, 226), kDim(255, 140, 146, 158), kWith(255, 47, 208, 230),
    kBare(255, 120, 124, 134), kGold(255, 255, 200, 0), kRelease(255, 170, 170, 180),
    kHowl(90, 230, 60, 60), kLimit(255, 230, 90, 90);

float X(double seconds, double total)
{
  return kLeft + static_cast<float>(seconds / total) * (kRight - kLeft);
}

float LevelY(float db)
{
  const float v = std::clamp(db, kLevelMin, kLevelMax);
  return kLevelBottom - (v - kLevelMin) / (kLevelMax - kLevelMin) * (kLevelBottom - kLevelTop);
}

void Label(IRenderer& r, float size, const IColor& c, float x, float y, ITextAlign align,
           const char* text)
{
  const float w = 300.f;
  const float left = align == ITextAlign::kNear ? x : align == ITextAlign::kFar ? x - w : x - w / 2;
  r.DrawText(kFont, size, c, IRect(left, y - size, left + w, y + size), align, ITextVAlign::kMiddle,
             text);
}

// A level curve, one point per pixel column at most (the loudest 10 ms in that column).
void Curve(IRenderer& r, const std::vector<float>& level, double total, const IColor& color,
           float thickness)
{
  if (level.empty())
    return;
  const double perPoint = 0.01;
  int column = -1;
  float columnMax = -200.f;
  bool started = false;
  auto flush = [&](int col) {
    const float x = kLeft + static_cast<float>(col) + 0.5f;
    const float y = LevelY(columnMax);
    if (!started)
      r.PathMoveTo(x, y);
    else
      r.PathLineTo(x, y);
    started = true;
  };
  for (size_t i = 0; i < level.size(); ++i)
  {
    const int col = static_cast<int>(X(static_cast<double>(i) * perPoint, total) - kLeft);
    if (col != column && column >= 0)
    {
      flush(column);
      columnMax = -200.f;
    }
    column = col;
    columnMax = std::max(columnMax, level[i]);
  }
  flush(column);
  IStrokeOptions o;
  o.join = ILineJoin::kRound;
  r.PathStroke(color, thickness, o);
}

void GainSteps(IRenderer& r, const std::vector<float>& gain, double total, float lo, float hi,
               const IColor& color, float thickness)
{
  if (gain.empty())
    return;
  auto y = [&](float g) { return kGainBottom - (g - lo) / (hi - lo) * (kGainBottom - kGainTop); };
  r.PathMoveTo(X(0, total), y(gain[0]));
  for (size_t i = 1; i < gain.size(); ++i)
  {
    if (gain[i] == gain[i - 1])
      continue;
    const float x = X(static_cast<double>(i) * 0.01, total);
    r.PathLineTo(x, y(gain[i - 1]));
    r.PathLineTo(x, y(gain[i]));
  }
  r.PathLineTo(X(static_cast<double>(gain.size()) * 0.01, total), y(gain.back()));
  r.PathStroke(color, thickness);
}

} // namespace

bool WriteLoopPlot(const std::string& path, const LoopPlotData& d, std::string& error)
{
  const uint8_t* font = nullptr;
  size_t fontSize = 0;
  IRenderer r;
  if (!FindQuellorResource("Roboto-Regular.ttf", font, fontSize) ||
      !r.LoadFont(kFont, font, fontSize))
  {
    error = "embedded font missing";
    return false;
  }
  r.SetScale(1.f, 1.f);
  r.SetLogicalSize(kW, kH);
  r.BeginFrame(IRect(0, 0, kW, kH));
  r.Clear(kBack);

  const double total = std::max({static_cast<double>(d.levelDb.size()) * 0.01,
                                 static_cast<double>(d.bareLevelDb.size()) * 0.01, 1.0});
  char buf[160];

  r.DrawText(kFont, 17.f, kText, IRect(kLeft, 14.f, kRight, 40.f), ITextAlign::kNear,
             ITextVAlign::kMiddle, d.title);

  // Level panel with its grid.
  r.FillRect(kPanel, IRect(kLeft, kLevelTop, kRight, kLevelBottom));
  r.FillRect(kPanel, IRect(kLeft, kGainTop, kRight, kGainBottom));
  for (float db = kLevelMin; db <= kLevelMax; db += 10.f)
  {
    r.DrawLine(kGrid, kLeft, LevelY(db), kRight, LevelY(db));
    std::snprintf(buf, sizeof buf, "%.0f", static_cast<double>(db));
    Label(r, 12.f, kDim, kLeft - 8.f, LevelY(db), ITextAlign::kFar, buf);
  }
  const double tick = total > 120 ? 20.0 : total > 40 ? 10.0 : total > 12 ? 2.0 : 1.0;
  for (double t = 0; t <= total + 1e-9; t += tick)
  {
    r.DrawLine(kGrid, X(t, total), kLevelTop, X(t, total), kLevelBottom);
    r.DrawLine(kGrid, X(t, total), kGainTop, X(t, total), kGainBottom);
    std::snprintf(buf, sizeof buf, "%.0f s", t);
    Label(r, 12.f, kDim, X(t, total), kGainBottom + 16.f, ITextAlign::kCenter, buf);
  }
  r.DrawText(kFont, 12.f, kDim, IRect(6.f, kLevelTop - 30.f, 300.f, kLevelTop - 12.f),
             ITextAlign::kNear, ITextVAlign::kMiddle, "loudspeaker, dBFS (10 ms RMS)");

  // Howls of the run with the plug-in, shaded from their start for as long as they lasted.
  for (const auto& h : d.howls)
  {
    const float x0 = X(h.start, total);
    const float x1 = std::max(X(h.start + h.duration, total), x0 + 2.f);
    r.FillRect(kHowl, IRect(x0, kLevelTop, x1, kLevelBottom));
  }

  r.SetClip(IRect(kLeft, kLevelTop, kRight, kLevelBottom));
  Curve(r, d.bareLevelDb, total, kBare, 1.f);
  Curve(r, d.levelDb, total, kWith, 1.5f);
  r.ResetClip();

  // Notch marks along the top of the level panel: placed points down, released points up.
  for (const NotchMark& m : d.notches)
  {
    const float x = X(m.seconds, total);
    if (m.placed)
    {
      r.DrawLine(IColor(40, 255, 200, 0), x, kLevelTop + 12.f, x, kLevelBottom);
      r.FillTriangle(kGold, x - 5.f, kLevelTop + 2.f, x + 5.f, kLevelTop + 2.f, x,
                     kLevelTop + 12.f);
    }
    else
    {
      r.FillTriangle(kRelease, x - 4.f, kLevelTop + 12.f, x + 4.f, kLevelTop + 12.f, x,
                     kLevelTop + 4.f);
    }
  }

  // Gain panel: K relative to the room's exact stable limit.
  float lo = 1e9f, hi = -1e9f;
  for (const auto* g : {&d.gainDb, &d.bareGainDb})
    for (float v : *g)
    {
      lo = std::min(lo, v - static_cast<float>(d.limitDb));
      hi = std::max(hi, v - static_cast<float>(d.limitDb));
    }
  if (lo > hi)
    lo = hi = 0.f;
  lo = std::floor(std::min(lo, -1.f) / 5.f) * 5.f;
  hi = std::ceil(std::max(hi, 1.f) / 5.f) * 5.f;
  for (float g = lo; g <= hi + 1e-3f; g += 5.f)
  {
    const float y = kGainBottom - (g - lo) / (hi - lo) * (kGainBottom - kGainTop);
    r.DrawLine(g == 0.f ? kLimit : kGrid, kLeft, y, kRight, y);
    std::snprintf(buf, sizeof buf, "%+.0f", static_cast<double>(g));
    Label(r, 12.f, g == 0.f ? kLimit : kDim, kLeft - 8.f, y, ITextAlign::kFar, buf);
  }
  std::vector<float> rel = d.gainDb, bareRel = d.bareGainDb;
  for (float& v : rel)
    v -= static_cast<float>(d.limitDb);
  for (float& v : bareRel)
    v -= static_cast<float>(d.limitDb);
  GainSteps(r, bareRel, total, lo, hi, kBare, 1.f);
  GainSteps(r, rel, total, lo, hi, kWith, 1.5f);
  r.DrawText(kFont, 12.f, kDim, IRect(6.f, kGainTop - 26.f, 600.f, kGainTop - 8.f),
             ITextAlign::kNear, ITextVAlign::kMiddle,
             "amplifier gain K, dB from the room's exact stable limit (red line)");

  // Legend.
  float lx = kRight - 560.f;
  const float ly = kLevelTop - 20.f;
  r.DrawLine(kWith, lx, ly, lx + 24.f, ly, 1.f, 2.f);
  Label(r, 12.f, kText, lx + 30.f, ly, ITextAlign::kNear, "with Quellor");
  lx += 120.f;
  r.DrawLine(kBare, lx, ly, lx + 24.f, ly, 1.f, 2.f);
  Label(r, 12.f, kText, lx + 30.f, ly, ITextAlign::kNear, "without");
  lx += 90.f;
  r.FillTriangle(kGold, lx, ly - 5.f, lx + 10.f, ly - 5.f, lx + 5.f, ly + 5.f);
  Label(r, 12.f, kText, lx + 16.f, ly, ITextAlign::kNear, "notch placed");
  lx += 110.f;
  r.FillTriangle(kRelease, lx, ly + 5.f, lx + 10.f, ly + 5.f, lx + 5.f, ly - 5.f);
  Label(r, 12.f, kText, lx + 16.f, ly, ITextAlign::kNear, "released");
  lx += 90.f;
  r.FillRect(kHowl, IRect(lx, ly - 6.f, lx + 12.f, ly + 6.f));
  Label(r, 12.f, kText, lx + 18.f, ly, ITextAlign::kNear, "howl");

  r.EndFrame();
  if (!r.Frame().WritePng(path))
  {
    error = "the PNG could not be written";
    return false;
  }
  return true;
}
