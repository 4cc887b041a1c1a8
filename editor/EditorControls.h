#pragma once
// The editor's smaller controls: the two level meters, the logo, the outlined "About" button and
// the about panel that covers the whole editor while it is shown.

#include "editor/EditorExchange.h"
#include "graphics/IControl.h"
#include "render/IPixmap.h"

#include <string>

// A level bar for channel 0's input or output peak, with its label and the level in whole dB.
class MeterControl : public plugfw::ui::IControl
{
public:
  MeterControl(const plugfw::ui::IRect& bounds, const EditorExchange& exchange, bool output,
               const char* label);
  void Draw(plugfw::ui::ICanvas& g) override;

  // The level shown for a linear peak: dB, or -100 for peaks of 1e-6 and below.
  static float LevelDb(float peak);
  // "-inf" at -60 dB and below, else the level truncated towards zero ("-12", "3").
  static void FormatLevel(float levelDb, char* out, int size);

private:
  EditorExchange mExchange;
  bool mOutput;
  std::string mLabel;
};

// The bitmap stretched over the control's rectangle.
class LogoControl : public plugfw::ui::IControl
{
public:
  LogoControl(const plugfw::ui::IRect& bounds, const plugfw::ui::IBitmap& bitmap,
              const char* resourceName);
  void Draw(plugfw::ui::ICanvas& g) override;
  const std::string& GetResourceName() const { return mResourceName; }

private:
  plugfw::ui::IBitmap mBitmap;
  std::string mResourceName;
};

// A small outlined button; a press runs its action.
class SmallButton : public plugfw::ui::IControl
{
public:
  SmallButton(const plugfw::ui::IRect& bounds, const char* label,
              plugfw::ui::IActionFunction action = nullptr);
  void Draw(plugfw::ui::ICanvas& g) override;
  void OnPress(float x, float y, const plugfw::ui::IMouseMod& mod) override;
  const std::string& GetLabel() const { return mLabel; }

private:
  std::string mLabel;
};

// What the about panel shows besides the fixed description line.
struct AboutInfo
{
  std::string productName; // underscores are shown as spaces
  std::string version;     // shown with a leading "v"
  std::string makerName;
  std::string notice;
  std::string webAddress; // opened as given; shown without its scheme and trailing "/"
  std::string email;      // opened with "mailto:"
};

// The about panel: dims the editor, shows the product, maker and links, and hides itself on
// "Close" or on a press outside the panel.
class AboutPopup : public plugfw::ui::IControl
{
public:
  AboutPopup(const plugfw::ui::IRect& bounds, AboutInfo info);
  void Draw(plugfw::ui::ICanvas& g) override;
  void OnPress(float x, float y, const plugfw::ui::IMouseMod& mod) override;

  // Rectangles from the last draw (all zero before it).
  const plugfw::ui::IRect& PanelRect() const { return mPanel; }
  const plugfw::ui::IRect& CloseRect() const { return mClose; }
  const plugfw::ui::IRect& WebLinkRect() const { return mWebLink; }
  const plugfw::ui::IRect& EmailLinkRect() const { return mEmailLink; }
  // The web address as shown: no scheme prefix, no trailing "/".
  static std::string DisplayAddress(const std::string& url);

private:
  void DrawLink(plugfw::ui::ICanvas& g, const std::string& text, float x, float y,
                plugfw::ui::IRect& clickRect);

  AboutInfo mInfo;
  std::string mTitle;
  std::string mVersionLine;
  std::string mShownAddress;
  plugfw::ui::IRect mPanel, mClose, mWebLink, mEmailLink;
};
