#include "editor/EditorControls.h"

#include "dspmath/DetMath.h"
#include "editor/EditorStyle.h"
#include "graphics/ICanvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

using namespace plugfw::ui;

// ---- MeterControl -----------------------------------------------------------------------

MeterControl::MeterControl(const IRect& bounds, const EditorExchange& exchange, bool output,
                           const char* label)
    : IControl(bounds), mExchange(exchange), mOutput(output), mLabel(label ? label : "")
{}

float MeterControl::LevelDb(float peak)
{
  if (!(peak > 1e-6f))
    return -100.f;
  // The same logarithm on every build, so both show the same digits.
  constexpr double kDbPerNeper = 20.0 / 2.302585092994045684;
  return static_cast<float>(kDbPerNeper * detmath::Log(static_cast<double>(peak)));
}

void MeterControl::FormatLevel(float levelDb, char* out, int size)
{
  if (!out || size <= 0)
    return;
  if (!(levelDb > -60.f))
  {
    std::snprintf(out, static_cast<size_t>(size), "-inf");
    return;
  }
  // A non-finite peak (an overflowing host buffer) still shows a number.
  const float shown = std::min(levelDb, 999.f);
  std::snprintf(out, static_cast<size_t>(size), "%d", static_cast<int>(shown));
}

void MeterControl::Draw(ICanvas& g)
{
  const float peak = mOutput ? mExchange.outputPeak.Load() : mExchange.inputPeak.Load();
  const float level = LevelDb(peak);

  const IRect bar(mRECT.L + 3.f, mRECT.T + 3.f, mRECT.R - 3.f, mRECT.B - 31.f);
  g.FillRoundRect(IColor(140, 0, 0, 0), bar, 3.f, &mBlend);
  auto pos = [&bar](float db) {
    const float c = std::clamp((db + 60.f) / 66.f, 0.f, 1.f);
    return bar.B - c * (bar.B - bar.T);
  };
  struct Segment
  {
    float lo, hi;
    IColor colour;
  };
  static constexpr Segment kSegments[] = {{-60.f, -6.f, IColor(255, 60, 200, 60)},
                                          {-6.f, 0.f, IColor(255, 235, 235, 40)},
                                          {0.f, 6.f, IColor(255, 235, 40, 40)}};
  for (const Segment& s : kSegments)
    if (s.lo < level)
      g.FillRect(s.colour, IRect(bar.L, pos(std::min(s.hi, level)), bar.R, pos(s.lo)), &mBlend);
  const float zero = pos(0.f);
  g.DrawLine(COLOR_WHITE, bar.L, zero, bar.R, zero, &mBlend, 1.f);

  const IText text(11.f, COLOR_WHITE, EAlign::Center, kEditorFont);
  g.DrawText(text, mLabel.c_str(), IRect(mRECT.L, mRECT.B - 28.f, mRECT.R, mRECT.B - 14.f),
             &mBlend);
  char buf[16];
  FormatLevel(level, buf, sizeof(buf));
  g.DrawText(text, buf, IRect(mRECT.L, mRECT.B - 14.f, mRECT.R, mRECT.B), &mBlend);
}

// ---- LogoControl ------------------------------------------------------------------------

LogoControl::LogoControl(const IRect& bounds, const IBitmap& bitmap, const char* resourceName)
    : IControl(bounds), mBitmap(bitmap), mResourceName(resourceName ? resourceName : "")
{}

void LogoControl::Draw(ICanvas& g)
{
  g.DrawBitmap(mBitmap, mRECT, 0, &mBlend);
}

// ---- SmallButton ------------------------------------------------------------------------

namespace {
constexpr IColor kSmallButtonColour(255, 150, 200, 225);
}

SmallButton::SmallButton(const IRect& bounds, const char* label, IActionFunction action)
    : IControl(bounds, -1, std::move(action)), mLabel(label ? label : "")
{}

void SmallButton::Draw(ICanvas& g)
{
  g.DrawRoundRect(kSmallButtonColour, RectInset(mRECT, 1.f, 1.f, 1.f, 1.f), 4.f, &mBlend, 1.2f);
  if (!mLabel.empty())
    g.DrawText(IText(12.f, kSmallButtonColour, EAlign::Center, kEditorFont), mLabel.c_str(), mRECT,
               &mBlend);
}

void SmallButton::OnPress(float, float, const IMouseMod&)
{
  if (mActionFunc)
    mActionFunc(this);
}

// ---- AboutPopup -------------------------------------------------------------------------

namespace {
constexpr IColor kAboutBright(255, 235, 239, 245);
constexpr IColor kAboutDim(255, 175, 183, 196);
constexpr IColor kAboutLink(255, 130, 190, 240);
} // namespace

AboutPopup::AboutPopup(const IRect& bounds, AboutInfo info)
    : IControl(bounds), mInfo(std::move(info))
{
  mTitle = mInfo.productName;
  std::replace(mTitle.begin(), mTitle.end(), '_', ' ');
  mVersionLine = "v" + mInfo.version + "   by " + mInfo.makerName;
  mShownAddress = DisplayAddress(mInfo.webAddress);
}

std::string AboutPopup::DisplayAddress(const std::string& url)
{
  std::string s = url;
  const size_t scheme = s.find("://");
  if (scheme != std::string::npos)
    s.erase(0, scheme + 3);
  if (!s.empty() && s.back() == '/')
    s.pop_back();
  return s;
}

void AboutPopup::DrawLink(ICanvas& g, const std::string& text, float x, float y, IRect& clickRect)
{
  const IText style(15.f, kAboutLink, EAlign::Near, kEditorFont);
  const float right = mPanel.R - 24.f;
  g.DrawText(style, text.c_str(), IRect(x, y, right, y + 20.f), &mBlend);
  const float w = std::min(g.MeasureText(style, text.c_str()), right - x);
  g.DrawLine(kAboutLink, x, y + 18.f, x + w, y + 18.f, &mBlend, 1.f);
  clickRect = IRect(x, y, x + w + 4.f, y + 20.f);
}

void AboutPopup::Draw(ICanvas& g)
{
  const float cx = mRECT.MW(), cy = mRECT.MH();
  g.FillRect(IColor(200, 12, 15, 20), mRECT, &mBlend);

  mPanel = IRect(cx - 260.f, cy - 202.f, cx + 260.f, cy + 202.f);
  const IRect& P = mPanel;
  g.FillRoundRect(IColor(255, 40, 47, 60), P, 10.f, &mBlend);
  g.DrawRoundRect(IColor(255, 95, 110, 135), P, 10.f, &mBlend, 1.4f);

  const float x = P.L + 24.f, r = P.R - 24.f;
  auto line = [&](const char* s, float top, float bottom, float size, const IColor& c) {
    g.DrawText(IText(size, c, EAlign::Near, kEditorFont), s, IRect(x, top, r, bottom), &mBlend);
  };
  line(mTitle.c_str(), P.T + 16.f, P.T + 50.f, 28.f, kAboutBright);
  line(mVersionLine.c_str(), P.T + 50.f, P.T + 70.f, 16.f, kAboutDim);
  line("Feedback suppressor with Hushen and Drytail", P.T + 70.f, P.T + 90.f, 15.f, kAboutDim);
  line(mInfo.notice.c_str(), P.T + 106.f, P.T + 128.f, 17.f, kAboutBright);
  DrawLink(g, mShownAddress, x, P.T + 130.f, mWebLink);
  DrawLink(g, mInfo.email, x, P.T + 150.f, mEmailLink);

  g.DrawLine(IColor(255, 75, 86, 105), x, P.T + 186.f, r, P.T + 186.f, &mBlend, 1.f);

  mClose = IRect(P.R - 128.f, P.B - 50.f, P.R - 24.f, P.B - 18.f);
  g.DrawRoundRect(kSmallButtonColour, mClose, 5.f, &mBlend, 1.4f);
  g.DrawText(IText(16.f, kSmallButtonColour, EAlign::Center, kEditorFont), "Close", mClose,
             &mBlend);
}

void AboutPopup::OnPress(float x, float y, const IMouseMod&)
{
  ICanvas* g = GetUI();
  if (mClose.Contains(x, y) || !mPanel.Contains(x, y))
  {
    Hide(true);
    if (g)
      g->SetAllControlsDirty();
    return;
  }
  if (!g)
    return;
  if (mWebLink.Contains(x, y))
    g->OpenURL(mInfo.webAddress.c_str());
  else if (mEmailLink.Contains(x, y))
    g->OpenURL(("mailto:" + mInfo.email).c_str());
}
