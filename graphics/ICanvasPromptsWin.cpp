#include "graphics/ICanvasWin.h"

#include "plugin/IParam.h"
#include "resources/QuellorResources.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>

namespace plugfw::ui {

namespace {

// The font cache is shared by every editor of the process.
std::mutex gFontLock;

std::map<std::string, HANDLE>& FontCache()
{
  static std::map<std::string, HANDLE> cache;
  return cache;
}

RECT LogicalToClientRect(const IRect& r, float scale)
{
  RECT out;
  out.left = static_cast<LONG>(std::floor(r.L * scale));
  out.top = static_cast<LONG>(std::floor(r.T * scale));
  out.right = static_cast<LONG>(std::ceil(r.R * scale));
  out.bottom = static_cast<LONG>(std::ceil(r.B * scale));
  return out;
}

// A face name for the system from a font id such as "Roboto-Regular".
std::string FaceNameOf(const char* fontId)
{
  std::string face = fontId ? fontId : "";
  const size_t dash = face.find('-');
  if (dash != std::string::npos)
    face.resize(dash);
  return face.empty() ? std::string("Roboto") : face;
}

// The editor's embedded font registered under its face, so the text entry shows the same type.
void RegisterEmbeddedFont(const std::string& face, const char* fontId)
{
  const uint8_t* data = nullptr;
  size_t size = 0;
  const std::string resource = std::string(fontId ? fontId : "") + ".ttf";
  if (FindQuellorResource(resource, data, size))
    ICanvasWin::RegisterPlatformFont(face.c_str(), data, size);
}

} // namespace

// ---- Text entry -------------------------------------------------------------------------

void ICanvasWin::CreatePlatformTextEntry(int controlIdx, const IText& text, const IRect& bounds,
                                         int length, const char* str)
{
  if (mEntryWnd || !mPlugWnd)
    return;
  IControl* control = GetControl(controlIdx);
  mEntryFilter = TextEntryFilterFor(control ? control->GetParam(0) : nullptr);
  mEntryText = text;
  mEntryRect = bounds;
  const float s = GetTotalScale();
  RECT r = LogicalToClientRect(bounds, s);
  DWORD align = ES_LEFT;
  if (text.mAlign == EAlign::Center)
    align = ES_CENTER;
  else if (text.mAlign == EAlign::Far)
    align = ES_RIGHT;
  const std::wstring initial = Widen(str);
  mEntryWnd = CreateWindowExW(
      0, L"EDIT", initial.c_str(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_MULTILINE | align,
      r.left, r.top, r.right - r.left + 1, r.bottom - r.top + 1, mPlugWnd,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextEntryId)), mInstance, nullptr);
  if (!mEntryWnd)
  {
    CancelTextEntry();
    return;
  }
  mEntryState = ETextEntryState::Editing;

  // The editor's font, registered with the system once per process, so the entry shows the
  // same type as the control.
  const std::string face = FaceNameOf(text.mFont);
  RegisterEmbeddedFont(face, text.mFont);
  {
    std::lock_guard<std::mutex> lock(gFontLock);
    mEntryFont =
        CreateFontW(-static_cast<int>(std::lround(s * text.mSize)), 0, 0, 0, FW_NORMAL, FALSE,
                    FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    ANTIALIASED_QUALITY, DEFAULT_PITCH, Widen(face.c_str()).c_str());
  }
  SendMessageW(mEntryWnd, WM_SETFONT, reinterpret_cast<WPARAM>(mEntryFont), FALSE);
  SendMessageW(mEntryWnd, EM_LIMITTEXT, static_cast<WPARAM>(std::max(1, length)), 0);

  if (text.mVAlign == EVAlign::Middle)
  {
    RECT fr;
    GetClientRect(mEntryWnd, &fr);
    const int inset =
        static_cast<int>((static_cast<float>(fr.bottom - fr.top) - s * text.mSize) / 2.f);
    fr.top += std::max(0, inset);
    SendMessageW(mEntryWnd, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&fr));
  }

  SetWindowLongPtrW(mEntryWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  mEntryPrevProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(mEntryWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EntryProc)));
  SendMessageW(mEntryWnd, EM_SETSEL, 0, -1);
  SetFocus(mEntryWnd);
}

void ICanvasWin::DestroyTextEntry()
{
  if (mEntryWnd)
  {
    const HWND entry = mEntryWnd;
    mEntryWnd = nullptr;
    SetWindowLongPtrW(entry, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mEntryPrevProc));
    DestroyWindow(entry);
    if (mPlugWnd)
      SetFocus(mPlugWnd);
  }
  if (mEntryFont)
    DeleteObject(mEntryFont);
  mEntryFont = nullptr;
  if (mEntryBrush)
    DeleteObject(mEntryBrush);
  mEntryBrush = nullptr;
  mEntryPrevProc = nullptr;
  mEntryState = ETextEntryState::None;
}

LRESULT CALLBACK ICanvasWin::EntryProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  auto* self = reinterpret_cast<ICanvasWin*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
  if (!self || !self->mEntryPrevProc)
    return DefWindowProcW(hWnd, msg, wParam, lParam);
  return self->HandleEntryMessage(hWnd, msg, wParam, lParam);
}

LRESULT ICanvasWin::HandleEntryMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  ShowTooltip(false);
  switch (msg)
  {
  case WM_SETFOCUS:
    mEntryState = NextTextEntryState(mEntryState, ETextEntryEvent::FocusGained);
    break;
  case WM_KILLFOCUS:
    mEntryState = NextTextEntryState(mEntryState, ETextEntryEvent::FocusLost);
    break;
  case WM_KEYDOWN:
    if (wParam == VK_RETURN)
    {
      mEntryState = NextTextEntryState(mEntryState, ETextEntryEvent::Return);
      return 0;
    }
    if (wParam == VK_ESCAPE)
    {
      mEntryState = NextTextEntryState(mEntryState, ETextEntryEvent::Escape);
      return 0;
    }
    break;
  case WM_CHAR:
    // Return and Escape were decided on key down; their characters would only beep or break
    // the line.
    if (wParam == VK_RETURN || wParam == VK_ESCAPE)
      return 0;
    if (!TextEntryAccepts(mEntryFilter, static_cast<char32_t>(wParam)))
    {
      // Surrogate halves of text outside the basic plane pass only where any text does.
      const bool surrogate = wParam >= 0xD800 && wParam <= 0xDFFF;
      if (!(surrogate && mEntryFilter == ETextEntryFilter::Any))
        return 0;
    }
    break;
  case WM_PASTE:
  {
    // Pasted text (Control+V or the entry's own menu) keeps only what typing could enter.
    std::string pasted;
    if (GetClipboardText(pasted))
    {
      const std::wstring accepted = Widen(FilterTextEntryText(mEntryFilter, pasted).c_str());
      CallWindowProcW(mEntryPrevProc, hWnd, EM_REPLACESEL, TRUE,
                      reinterpret_cast<LPARAM>(accepted.c_str()));
    }
    return 0;
  }
  case WM_GETDLGCODE:
  {
    LRESULT code = CallWindowProcW(mEntryPrevProc, hWnd, msg, wParam, lParam);
    if (lParam)
    {
      const MSG* m = reinterpret_cast<const MSG*>(lParam);
      if (m->message == WM_KEYDOWN && m->wParam == VK_RETURN)
        code |= DLGC_WANTALLKEYS;
    }
    return code;
  }
  default:
    break;
  }
  return CallWindowProcW(mEntryPrevProc, hWnd, msg, wParam, lParam);
}

// ---- Popup menu -------------------------------------------------------------------------

std::wstring ICanvasWin::MenuItemText(const std::string& utf8, int number, int numberDigits)
{
  std::string text;
  if (numberDigits >= 1 && numberDigits <= 3)
  {
    char prefix[16];
    const char* fmt = numberDigits == 1 ? "%1d: " : (numberDigits == 2 ? "%02d: " : "%03d: ");
    std::snprintf(prefix, sizeof(prefix), fmt, number);
    text = prefix;
  }
  for (char c : utf8)
  {
    text.push_back(c);
    if (c == '&')
      text.push_back('&');
  }
  return Widen(text.c_str());
}

namespace {

struct MenuTarget
{
  IPopupMenu* menu;
  int index;
};

HMENU BuildNativeMenu(IPopupMenu& menu, UINT& nextId, std::vector<MenuTarget>& targets)
{
  HMENU h = CreatePopupMenu();
  const int n = menu.NItems();
  const int columns = n < 160 ? menu.GetColumnBreak() : 0;
  for (int i = 0; i < n; ++i)
  {
    IPopupMenu::Item* item = menu.GetItem(i);
    UINT flags = MF_STRING;
    if (columns > 0 && i > 0 && i % columns == 0)
      flags |= MF_MENUBREAK;
    if (item->IsSeparator())
    {
      AppendMenuW(h, MF_SEPARATOR, 0, nullptr);
      ++nextId;
      targets.push_back({&menu, i});
      continue;
    }
    if (item->IsChecked())
      flags |= MF_CHECKED;
    if (!item->IsEnabled())
      flags |= MF_GRAYED;
    const std::wstring text = ICanvasWin::MenuItemText(item->text, i + 1, menu.GetPrefix());
    if (item->submenu)
    {
      ++nextId;
      targets.push_back({&menu, i});
      HMENU sub = BuildNativeMenu(*item->submenu, nextId, targets);
      AppendMenuW(h, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text.c_str());
    }
    else
    {
      const UINT id = nextId++;
      targets.push_back({&menu, i});
      AppendMenuW(h, flags, id, text.c_str());
    }
  }
  return h;
}

} // namespace

void ICanvasWin::CreatePlatformPopupMenu(IPopupMenu& menu, const IRect& bounds)
{
  if (!mPlugWnd)
  {
    menu.SetChosenItemIdx(-1);
    SetControlValueAfterPopupMenu(nullptr);
    return;
  }
  // Ids from 1: 0 is what tracking returns when nothing was chosen.
  UINT nextId = 1;
  std::vector<MenuTarget> targets;
  HMENU h = BuildNativeMenu(menu, nextId, targets);
  const RECT r = LogicalToClientRect(bounds, GetTotalScale());
  POINT pt{r.left, r.bottom};
  ClientToScreen(mPlugWnd, &pt);
  ReleaseCapture();
  const UINT chosen = static_cast<UINT>(TrackPopupMenu(
      h, TPM_LEFTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, pt.x, pt.y, 0, mPlugWnd, nullptr));
  DestroyMenu(h);
  IPopupMenu* result = nullptr;
  if (chosen >= 1 && chosen <= targets.size())
  {
    const MenuTarget& t = targets[chosen - 1];
    t.menu->SetChosenItemIdx(t.index);
    result = t.menu;
  }
  else
  {
    menu.SetChosenItemIdx(-1);
  }
  SetControlValueAfterPopupMenu(result);
  InvalidateRect(mPlugWnd, nullptr, FALSE);
}

// ---- Fonts ------------------------------------------------------------------------------

bool ICanvasWin::RegisterPlatformFont(const char* faceName, const void* data, size_t size)
{
  if (!faceName || !data || size == 0 || size > 0x7FFFFFFF)
    return false;
  std::lock_guard<std::mutex> lock(gFontLock);
  auto& cache = FontCache();
  if (cache.count(faceName))
    return true;
  DWORD installed = 0;
  HANDLE h =
      AddFontMemResourceEx(const_cast<void*>(data), static_cast<DWORD>(size), nullptr, &installed);
  if (!h || installed == 0)
    return false;
  cache[faceName] = h;
  return true;
}

} // namespace plugfw::ui
