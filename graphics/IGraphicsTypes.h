#pragma once
// Plain value types shared by controls and the graphics context: colours,
// rectangles, text and vector styles, pointer and key event records, menus.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "plugin/IGraphicsContext.h"
#include "render/IGeometry.h"
#include "render/IPattern.h"

namespace plugfw::ui {

inline constexpr IColor ColorWithAlpha(const IColor& c, int a)
{
  return IColor(a, c.R, c.G, c.B);
}

inline constexpr IColor COLOR_TRANSPARENT(0, 0, 0, 0);
inline constexpr IColor COLOR_BLACK(255, 0, 0, 0);
inline constexpr IColor COLOR_WHITE(255, 255, 255, 255);

// Blend weight applied to everything a control draws (0.25 when disabled).
struct IBlend
{
  float weight = 1.f;
};

inline float BlendWeight(const IBlend* b)
{
  return b ? b->weight : 1.f;
}

// Layout helpers on rectangles.
inline IRect RectFromTop(const IRect& r, float h)
{
  return IRect(r.L, r.T, r.R, r.T + h);
}
inline IRect RectFromBottom(const IRect& r, float h)
{
  return IRect(r.L, r.B - h, r.R, r.B);
}
inline IRect RectFromLeft(const IRect& r, float w)
{
  return IRect(r.L, r.T, r.L + w, r.B);
}
inline IRect RectFromRight(const IRect& r, float w)
{
  return IRect(r.R - w, r.T, r.R, r.B);
}
inline IRect RectInset(const IRect& r, float l, float t, float rr, float b)
{
  return IRect(r.L + l, r.T + t, r.R - rr, r.B - b);
}
inline IRect RectCentred(const IRect& r, float w, float h)
{
  return IRect(r.MW() - 0.5f * w, r.MH() - 0.5f * h, r.MW() + 0.5f * w, r.MH() + 0.5f * h);
}
// Outward to whole device pixels at `scale` (left first grown by `growLeft`), in logical units.
inline IRect RectPixelSnapped(const IRect& r, float scale, float growLeft = 0.f)
{
  if (!(scale > 0.f))
    return r;
  return IRect(std::floor((r.L - growLeft) * scale) / scale, std::floor(r.T * scale) / scale,
               std::ceil(r.R * scale) / scale, std::ceil(r.B * scale) / scale);
}
// Shifts (does not cut) `r` so that it stays within `outer` grown by `slack`.
inline IRect RectShiftedInside(const IRect& r, const IRect& outer, float slack)
{
  const IRect lim = outer.GetPadded(slack);
  float dx = 0.f, dy = 0.f;
  if (r.R > lim.R)
    dx = lim.R - r.R;
  if (r.L + dx < lim.L)
    dx = lim.L - r.L;
  if (r.B > lim.B)
    dy = lim.B - r.B;
  if (r.T + dy < lim.T)
    dy = lim.T - r.T;
  return r.GetOffset(dx, dy);
}

using IRectList = std::vector<IRect>;

enum class EAlign
{
  Near = 0,
  Center = 1,
  Far = 2
};
enum class EVAlign
{
  Top = 0,
  Middle = 1,
  Bottom = 2
};

inline constexpr const char* DEFAULT_FONT = "Roboto-Regular";

// Text style record.
struct IText
{
  char mFont[64] = "Roboto-Regular";
  float mSize = 14.f;
  IColor mFGColor = COLOR_BLACK;
  IColor mTextEntryBGColor = COLOR_WHITE;
  IColor mTextEntryFGColor = COLOR_BLACK;
  float mAngle = 0.f;
  EAlign mAlign = EAlign::Center;
  EVAlign mVAlign = EVAlign::Middle;

  IText() = default;
  IText(float size, IColor color, EAlign align = EAlign::Center, const char* font = DEFAULT_FONT,
        EVAlign valign = EVAlign::Middle)
      : mSize(size), mFGColor(color), mAlign(align), mVAlign(valign)
  {
    SetFont(font);
  }
  void SetFont(const char* font)
  {
    std::strncpy(mFont, font ? font : "", sizeof(mFont) - 1);
    mFont[sizeof(mFont) - 1] = 0;
  }
};

// Colour slots of the vector style record, in record order.
enum EVColor
{
  kBG = 0,
  kFG,
  kPR,
  kFR,
  kHL,
  kSH,
  kX1,
  kX2,
  kX3,
  kNumVColors
};

// Vector style record copied whole into every vector control.
struct IVectorStyle
{
  bool hideCursor = true;
  bool showLabel = true;
  bool showValue = true;
  bool drawFrame = true;
  bool drawShadows = true;
  bool emboss = false;
  float roundness = 0.f;
  float frameThickness = 1.f;
  float shadowOffset = 3.f;
  float widgetFrac = 1.f;
  float angle = 0.f;
  IColor colors[kNumVColors] = {
      IColor(255, 70, 76, 88),    // background
      IColor(255, 120, 150, 200), // foreground
      IColor(255, 90, 120, 170),  // pressed
      IColor(255, 200, 205, 215), // frame
      IColor(60, 255, 255, 255),  // highlight
      IColor(90, 0, 0, 0),        // shadow
      IColor(255, 230, 180, 60),  // extra 1
      IColor(255, 60, 60, 60),    // extra 2
      IColor(255, 30, 30, 30),    // extra 3
  };
  IText labelText = IText(14.f, IColor(255, 230, 232, 236), EAlign::Center);
  IText valueText = IText(13.f, IColor(255, 230, 232, 236), EAlign::Center);

  IVectorStyle WithColor(EVColor slot, IColor c) const
  {
    IVectorStyle s = *this;
    s.colors[slot] = c;
    return s;
  }
  IVectorStyle WithRoundness(float r) const
  {
    IVectorStyle s = *this;
    s.roundness = r;
    return s;
  }
  IVectorStyle WithShowLabel(bool v) const
  {
    IVectorStyle s = *this;
    s.showLabel = v;
    return s;
  }
  IVectorStyle WithShowValue(bool v) const
  {
    IVectorStyle s = *this;
    s.showValue = v;
    return s;
  }
  IVectorStyle WithDrawFrame(bool v) const
  {
    IVectorStyle s = *this;
    s.drawFrame = v;
    return s;
  }
  IVectorStyle WithDrawShadows(bool v) const
  {
    IVectorStyle s = *this;
    s.drawShadows = v;
    return s;
  }
  IVectorStyle WithLabelText(const IText& t) const
  {
    IVectorStyle s = *this;
    s.labelText = t;
    return s;
  }
  IVectorStyle WithValueText(const IText& t) const
  {
    IVectorStyle s = *this;
    s.valueText = t;
    return s;
  }
};

inline const IVectorStyle DEFAULT_STYLE{};

// Modifier and touch part of a pointer event.
struct IMouseMod
{
  bool L = false, R = false, S = false, C = false, A = false;
  std::uintptr_t touchID = 0;
  float touchRadius = 0.f;
  bool IsTouch() const { return touchID != 0; }
};

// Pointer event record: position, drag delta and modifiers.
struct IMouseInfo
{
  float x = 0.f, y = 0.f;
  float dX = 0.f, dY = 0.f;
  IMouseMod ms;
};

// The pointer buttons a window reports; side and other extra buttons are all Other.
enum class EPointerButton
{
  Left,
  Middle,
  Right,
  Other
};

// Key event record (shared with the plug-in core).
using IKeyPress = plugfw::IKeyPress;

// FNV-1a over the bytes of a platform touch id.
inline std::uintptr_t HashTouchID(std::uintptr_t id)
{
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned i = 0; i < sizeof(id); ++i)
  {
    h ^= (id >> (8 * i)) & 0xFF;
    h *= 1099511628211ull;
  }
  return static_cast<std::uintptr_t>(h ? h : 1);
}

// A menu tree used for popup menus and for a control's own entries in the
// host's parameter context menu.
class IPopupMenu
{
public:
  enum EItemFlags
  {
    kNoFlags = 0,
    kDisabled = 1,
    kChecked = 2,
    kSeparator = 4
  };

  struct Item
  {
    std::string text;
    int flags = kNoFlags;
    int tag = -1;
    std::unique_ptr<IPopupMenu> submenu;
    bool IsSeparator() const { return flags & kSeparator; }
    bool IsChecked() const { return flags & kChecked; }
    bool IsEnabled() const { return !(flags & kDisabled); }
  };

  IPopupMenu() = default;
  explicit IPopupMenu(const char* title) : mTitle(title ? title : "") {}

  Item& AddItem(const char* text, int flags = kNoFlags, int tag = -1)
  {
    Item it;
    it.text = text ? text : "";
    it.flags = flags;
    it.tag = tag;
    mItems.push_back(std::move(it));
    return mItems.back();
  }
  Item& AddSubmenu(const char* text, std::unique_ptr<IPopupMenu> sub)
  {
    Item& it = AddItem(text);
    it.submenu = std::move(sub);
    return it;
  }
  void AddSeparator() { AddItem("", kSeparator); }
  void Clear()
  {
    mItems.clear();
    mChosen = -1;
  }

  int NItems() const { return static_cast<int>(mItems.size()); }
  Item* GetItem(int i) { return (i >= 0 && i < NItems()) ? &mItems[i] : nullptr; }
  const Item* GetItem(int i) const { return (i >= 0 && i < NItems()) ? &mItems[i] : nullptr; }
  void CheckItemAlone(int idx)
  {
    for (int i = 0; i < NItems(); ++i)
    {
      if (i == idx)
        mItems[i].flags |= kChecked;
      else
        mItems[i].flags &= ~kChecked;
    }
  }
  int GetChosenItemIdx() const { return mChosen; }
  void SetChosenItemIdx(int i) { mChosen = (i >= 0 && i < NItems()) ? i : -1; }
  const std::string& GetTitle() const { return mTitle; }
  // Items numbered from 1 in the shown text, with 1 to 3 digits; 0 for none.
  void SetPrefix(int digits) { mPrefix = (digits >= 0 && digits <= 3) ? digits : 0; }
  int GetPrefix() const { return mPrefix; }
  // A new column every N items where the platform can show columns; 0 for one column.
  void SetColumnBreak(int n) { mColumnBreak = n > 0 ? n : 0; }
  int GetColumnBreak() const { return mColumnBreak; }

private:
  std::string mTitle;
  std::vector<Item> mItems;
  int mChosen = -1;
  int mPrefix = 0;
  int mColumnBreak = 0;
};

enum class EDirection
{
  Vertical,
  Horizontal
};

enum class ECursor
{
  Arrow = 0,
  IBeam,
  Wait,
  Cross,
  UpArrow,
  SizeNWSE,
  SizeNESW,
  SizeWE,
  SizeNS,
  SizeAll,
  No,
  Hand,
  AppStarting,
  Help
};

enum class EUIResizerMode
{
  Scale,
  Size
};

enum class EGestureType
{
  Unknown,
  DoubleTap,
  TripleTap,
  LongPress1,
  LongPress2,
  SwipeLeft,
  SwipeRight,
  SwipeUp,
  SwipeDown,
  Pinch,
  Rotate
};

struct IGestureInfo
{
  float x = 0.f, y = 0.f;
  float scale = 1.f, velocity = 0.f, angle = 0.f;
  EGestureType type = EGestureType::Unknown;
};

} // namespace plugfw::ui
