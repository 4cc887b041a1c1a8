#include "graphics/ICanvasX11Parts.h"

#include "plugin/IParam.h"
#include "utf8/Utf8.h"

#include <algorithm>

namespace plugfw::ui {

// ---- Text entry (drawn with our renderer inside the editor) --------------------------------

void ICanvasX11::CreatePlatformTextEntry(int controlIdx, const IText& text, const IRect& bounds,
                                         int length, const char* str)
{
  IControl* c = GetControl(controlIdx);
  mEntry = TextEntry{};
  mEntry.state = ETextEntryState::Editing;
  mEntry.filter = TextEntryFilterFor(c ? c->GetParam() : nullptr);
  mEntry.style = text;
  mEntry.bounds = bounds;
  mEntry.maxLength = std::clamp(length, 1, kTextEntryMaxChars);
  mEntry.text = TextEntryCommitText(str ? str : "");
  mEntry.selectedAll = true;
  HideTooltip();
}

bool ICanvasX11::TextEntryKey(unsigned long keysym, const char* text)
{
  ETextEntryEvent decision{};
  bool decided = true;
  switch (keysym)
  {
  case XK_Return:
  case XK_KP_Enter:
    decision = ETextEntryEvent::Return;
    break;
  case XK_Escape:
    decision = ETextEntryEvent::Escape;
    break;
  default:
    decided = false;
  }
  if (decided)
  {
    mEntry.state = NextTextEntryState(mEntry.state, decision);
    return true;
  }
  std::string add;
  if (keysym == XK_BackSpace)
  {
    if (mEntry.selectedAll)
      mEntry.text.clear();
    else
      utf8::PopCharacter(mEntry.text);
    mEntry.selectedAll = false;
    return true;
  }
  std::string typed = text ? text : "";
  if (typed.empty())
  {
    // Control+V pastes the clipboard's text.
    if (keysym == XK_v || keysym == XK_V)
    {
      std::string clip;
      if (GetClipboardText(clip))
        typed = clip;
    }
    if (typed.empty())
      return false;
  }
  add = FilterTextEntryText(mEntry.filter, typed);
  if (add.empty())
    return true; // refused, but the entry owns the key
  if (mEntry.selectedAll)
    mEntry.text.clear();
  mEntry.selectedAll = false;
  for (size_t i = 0; i < add.size();)
  {
    const size_t n = utf8::SequenceLength(static_cast<unsigned char>(add[i]));
    if (static_cast<int>(utf8::CountCharacters(mEntry.text)) >= mEntry.maxLength)
      break;
    mEntry.text.append(add, i, n);
    i += n;
  }
  return true;
}

void ICanvasX11::DrawTextEntry()
{
  IRenderer& r = GetRenderer();
  const IRect b = mEntry.bounds;
  r.SetScale(GetDrawScale(), GetScreenScale());
  r.BeginFrame(b);
  r.FillRect(mEntry.style.mTextEntryBGColor, b);
  const IRect inner = b.GetPadded(-2.f);
  const auto align = static_cast<ITextAlign>(static_cast<int>(mEntry.style.mAlign));
  if (mEntry.selectedAll && !mEntry.text.empty())
  {
    const float tw = r.MeasureText(mEntry.style.mFont, mEntry.style.mSize, mEntry.text);
    float l = inner.L;
    if (mEntry.style.mAlign == EAlign::Center)
      l = inner.MW() - 0.5f * tw;
    else if (mEntry.style.mAlign == EAlign::Far)
      l = inner.R - tw;
    r.FillRect(IColor(255, 64, 110, 170), IRect(l, inner.T, l + tw, inner.B));
  }
  r.DrawText(mEntry.style.mFont, mEntry.style.mSize, mEntry.style.mTextEntryFGColor, inner, align,
             static_cast<ITextVAlign>(static_cast<int>(mEntry.style.mVAlign)), mEntry.text);
  // The caret after the text.
  const float tw = r.MeasureText(mEntry.style.mFont, mEntry.style.mSize, mEntry.text);
  float cx = inner.L + tw;
  if (mEntry.style.mAlign == EAlign::Center)
    cx = inner.MW() + 0.5f * tw;
  else if (mEntry.style.mAlign == EAlign::Far)
    cx = inner.R;
  r.FillRect(mEntry.style.mTextEntryFGColor,
             IRect(cx, inner.MH() - 0.5f * mEntry.style.mSize, cx + 1.f,
                   inner.MH() + 0.5f * mEntry.style.mSize));
  r.EndFrame();
  Present({b});
}

void ICanvasX11::EndTextEntry(bool commit)
{
  const std::string text = TextEntryCommitText(mEntry.text);
  const IRect area = mEntry.bounds;
  mEntry = TextEntry{};
  // What the entry covered is drawn again by the next frame.
  ForAllControls([&](IControl& c) {
    if (c.GetRECT().Intersects(area))
      c.MarkDirty(false);
  });
  if (commit)
    SetControlValueAfterTextEdit(text.c_str());
  else
    CancelTextEntry();
}
} // namespace plugfw::ui
