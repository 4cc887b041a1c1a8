#include "graphics/ICanvasWin.h"

#include "graphics/ICanvasWinParts.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cwchar>

namespace plugfw::ui {

// ---- Events -----------------------------------------------------------------------------

IMouseMod ICanvasWin::Modifiers(WPARAM wParam) const
{
  IMouseMod m;
  m.L = (wParam & MK_LBUTTON) != 0;
  m.R = (wParam & MK_RBUTTON) != 0;
  m.S = (wParam & MK_SHIFT) != 0;
  m.C = (wParam & MK_CONTROL) != 0;
  m.A = GetKeyState(VK_MENU) < 0;
  return m;
}

IMouseInfo ICanvasWin::MouseInfo(LPARAM lParam, WPARAM wParam) const
{
  const float s = GetTotalScale();
  IMouseInfo info;
  info.x = static_cast<float>(GET_X_LPARAM(lParam)) / s;
  info.y = static_cast<float>(GET_Y_LPARAM(lParam)) / s;
  info.ms = Modifiers(wParam);
  return info;
}

void ICanvasWin::HoverTracking()
{
  TRACKMOUSEEVENT tme{};
  tme.cbSize = sizeof(tme);
  tme.dwFlags = TME_LEAVE;
  tme.hwndTrack = mPlugWnd;
  tme.dwHoverTime = HOVER_DEFAULT;
  // The system's hover message is this platform's tooltip delay.
  if (TooltipsEnabled() && TooltipPointerOver(GetMouseOverIdx()))
    tme.dwFlags |= TME_HOVER;
  TrackMouseEvent(&tme);
}

void ICanvasWin::ShowTooltip(bool show)
{
  if (!mTooltipWnd)
    return;
  if (!show)
  {
    if (TooltipIsShown())
      SendMessageW(mTooltipWnd, TTM_ACTIVATE, FALSE, 0);
    TooltipHidden();
    return;
  }
  IControl* c = GetMouseOverControl();
  const std::wstring text = c ? Widen(c->GetTooltip().c_str()) : std::wstring();
  TOOLINFOW ti{};
  ti.cbSize = TTTOOLINFOW_V2_SIZE;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = mPlugWnd;
  ti.uId = reinterpret_cast<UINT_PTR>(mPlugWnd);
  ti.lpszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(mTooltipWnd, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
  SendMessageW(mTooltipWnd, TTM_ACTIVATE, text.empty() ? FALSE : TRUE, 0);
  if (text.empty())
    TooltipHidden();
  else
    TooltipShown();
}

bool ICanvasWin::OnKey(UINT msg, WPARAM wParam, LPARAM lParam)
{
  BYTE state[256];
  GetKeyboardState(state);
  wchar_t chars[5] = {};
  const UINT scan = (static_cast<UINT>(lParam) >> 16) & 0xFF;
  const int n =
      ToUnicodeEx(static_cast<UINT>(wParam), scan, state, chars, 4, 0x4, GetKeyboardLayout(0));
  std::string utf8 = n > 0 ? Narrow(chars, n) : std::string();
  if (utf8.size() > 4)
    utf8.clear();
  const IKeyPress key(utf8.c_str(), static_cast<int>(wParam), GetKeyState(VK_SHIFT) < 0,
                      GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0);
  const bool down = msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN;
  return down ? OnKeyDown(GetMouseX(), GetMouseY(), key) : OnKeyUp(GetMouseX(), GetMouseY(), key);
}

void ICanvasWin::OnDropFiles(HDROP drop)
{
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  std::vector<std::string> paths;
  for (UINT i = 0; i < count; ++i)
  {
    wchar_t path[1025] = {};
    const UINT n = DragQueryFileW(drop, i, path, 1025);
    paths.push_back(Narrow(path, static_cast<int>(std::min<UINT>(n, 1024))));
  }
  POINT pt{};
  DragQueryPoint(drop, &pt);
  DragFinish(drop);
  const float s = GetTotalScale();
  const float x = static_cast<float>(pt.x) / s, y = static_cast<float>(pt.y) / s;
  if (paths.size() == 1)
  {
    OnDrop(paths[0].c_str(), x, y);
  }
  else if (paths.size() > 1)
  {
    std::vector<const char*> list;
    for (const std::string& p : paths)
      list.push_back(p.c_str());
    OnDropMultiple(list, x, y);
  }
}

void ICanvasWin::OnTouch(HWND hWnd, WPARAM wParam, LPARAM lParam)
{
  using GetTouchInputInfoFn = BOOL(WINAPI*)(HTOUCHINPUT, UINT, PTOUCHINPUT, int);
  using CloseTouchInputHandleFn = BOOL(WINAPI*)(HTOUCHINPUT);
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  auto getInfo = reinterpret_cast<GetTouchInputInfoFn>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetTouchInputInfo")));
  auto closeHandle = reinterpret_cast<CloseTouchInputHandleFn>(
      reinterpret_cast<void*>(GetProcAddress(user32, "CloseTouchInputHandle")));
  const UINT n = LOWORD(wParam);
  const auto handle = reinterpret_cast<HTOUCHINPUT>(lParam);
  if (!getInfo || !closeHandle || n == 0)
  {
    if (closeHandle && handle) // a handle we read nothing from is still ours to close
      closeHandle(handle);
    return;
  }
  std::vector<TOUCHINPUT> inputs(n);
  if (getInfo(handle, n, inputs.data(), sizeof(TOUCHINPUT)))
  {
    const float s = GetTotalScale();
    std::vector<IMouseInfo> downs, ups, drags;
    for (const TOUCHINPUT& ti : inputs)
    {
      POINT pt{ti.x / 100, ti.y / 100};
      ScreenToClient(hWnd, &pt);
      IMouseInfo info;
      info.x = static_cast<float>(pt.x) / s;
      info.y = static_cast<float>(pt.y) / s;
      info.ms.L = true;
      info.ms.touchID = HashTouchID(static_cast<std::uintptr_t>(ti.dwID));
      if (ti.dwMask & TOUCHINPUTMASKF_CONTACTAREA)
        info.ms.touchRadius = static_cast<float>(ti.cxContact) / 200.f / s;
      if (ti.dwFlags & TOUCHEVENTF_DOWN)
      {
        downs.push_back(info);
        mTouches[info.ms.touchID] = info;
      }
      else if (ti.dwFlags & TOUCHEVENTF_UP)
      {
        ups.push_back(info);
        mTouches.erase(info.ms.touchID);
      }
      else if (ti.dwFlags & TOUCHEVENTF_MOVE)
      {
        auto it = mTouches.find(info.ms.touchID);
        if (it != mTouches.end())
        {
          info.dX = info.x - it->second.x;
          info.dY = info.y - it->second.y;
          it->second = info;
        }
        drags.push_back(info);
      }
    }
    if (!downs.empty())
      OnMouseDown(downs);
    if (!ups.empty())
      OnMouseUp(ups);
    if (!drags.empty())
      OnMouseDrag(drags);
  }
  closeHandle(handle);
}

LRESULT CALLBACK ICanvasWin::WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  if (msg == WM_NCCREATE)
  {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<ICanvasWin*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
  if (msg == WM_CREATE && self)
  {
    self->OnCreated(hWnd);
    return 0;
  }
  if (!self || self->mPlugWnd != hWnd)
    return DefWindowProcW(hWnd, msg, wParam, lParam);
  return self->HandleMessage(hWnd, msg, wParam, lParam);
}

LRESULT ICanvasWin::HandleMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  const bool isMouse = msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST;
  if (isMouse && msg != WM_MOUSEWHEEL && IsPenEcho(msg))
    return 0;
  LRESULT taken = 0;
  if (mEntryWnd && isMouse && msg != WM_MOUSEWHEEL &&
      EntryTakesMouseMessage(msg, wParam, lParam, taken))
    return taken;

  switch (msg)
  {
  case WM_TIMER:
    if (wParam == kFrameTimerId)
      FrameStep(false, 0);
    return 0;
  case kVBlankMessage:
    FrameStep(true, static_cast<std::uint64_t>(wParam));
    return 0;
  case WM_PAINT:
    Paint();
    return 0;
  case WM_ERASEBKGND:
    return 1;
  case WM_SETFOCUS:
  case WM_KILLFOCUS:
    return 0;
  case WM_MOUSEMOVE:
    OnMouseMoveMessage(wParam, lParam);
    return 0;
  case WM_LBUTTONDOWN:
  case WM_RBUTTONDOWN:
  case WM_MBUTTONDOWN:
    OnButtonDownMessage(msg, wParam, lParam);
    return 0;
  case WM_LBUTTONUP:
  case WM_RBUTTONUP:
  case WM_MBUTTONUP: // the middle press captured the mouse too
    OnButtonUpMessage(msg, wParam, lParam);
    return 0;
  case WM_LBUTTONDBLCLK:
  case WM_RBUTTONDBLCLK:
    OnDoubleClickMessage(wParam, lParam);
    return 0;
  case WM_MOUSEWHEEL:
    OnWheelMessage(wParam, lParam);
    return 0;
  case WM_KEYDOWN:
  case WM_KEYUP:
  case WM_SYSKEYDOWN:
  case WM_SYSKEYUP:
    return OnKeyMessage(msg, wParam, lParam);
  case WM_GETDLGCODE:
    return DLGC_WANTALLKEYS;
  case WM_SETCURSOR:
    if (LOWORD(lParam) != HTCLIENT)
      return DefWindowProcW(hWnd, msg, wParam, lParam);
    SetPlatformCursor(mCursorType);
    return TRUE;
  case WM_MOUSEHOVER:
    ShowTooltip(true);
    return 0;
  case WM_MOUSELEAVE:
    OnMouseLeaveMessage();
    return 0;
  case WM_DROPFILES:
    OnDropFiles(reinterpret_cast<HDROP>(wParam));
    return 0;
  case WM_TOUCH:
    OnTouch(hWnd, wParam, lParam);
    return 0;
  case WM_CTLCOLOREDIT:
    return OnEntryColorMessage(reinterpret_cast<HDC>(wParam));
  case WM_COMMAND:
    OnCommandMessage(wParam);
    return 0;
  case WM_CLOSE:
    DestroyPlatformWindow();
    return 0;
  default:
    return DefWindowProcW(hWnd, msg, wParam, lParam);
  }
}

bool ICanvasWin::IsPenEcho(UINT msg)
{
  // Pen and touch also arrive as mouse messages; touch is handled from its own messages.
  const LPARAM extra = GetMessageExtraInfo();
  const bool pen = (static_cast<std::uint32_t>(extra) & 0xFFFFFF00u) == 0xFF515700u;
  SetPenInput(pen);
  return pen && (msg == WM_MOUSEMOVE || msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN ||
                 msg == WM_MBUTTONDOWN || msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK);
}

// While a text entry is open: a press outside commits it and goes no further; until the entry
// has been drawn every other mouse message goes to the default handler.
bool ICanvasWin::EntryTakesMouseMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
  // A release always reaches its handler: the press that opened the entry must end its gesture
  // and give back the capture, or the host keeps an open edit and the next press anywhere lands
  // on the same control.
  if (msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP)
    return false;
  if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN)
  {
    RECT er;
    GetWindowRect(mEntryWnd, &er);
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(mPlugWnd, &pt);
    if (!PtInRect(&er, pt))
    {
      const ETextEntryState next = NextTextEntryState(mEntryState, ETextEntryEvent::PressOutside);
      if (next != mEntryState)
      {
        mEntryState = next;
        result = 0;
        return true;
      }
    }
  }
  if (mEntryState == ETextEntryState::Drawn)
    return false;
  result = DefWindowProcW(mPlugWnd, msg, wParam, lParam);
  return true;
}

void ICanvasWin::OnMouseMoveMessage(WPARAM wParam, LPARAM lParam)
{
  const IMouseInfo info = MouseInfo(lParam, wParam);
  const bool dragging =
      (wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) && GetCapture() == mPlugWnd;
  if (PointerMoved(info.x, info.y, info.ms, dragging))
    ShowTooltip(false);
  if (!dragging)
    HoverTracking();
}

void ICanvasWin::OnButtonDownMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
  ShowTooltip(false);
  SetFocus(mPlugWnd);
  SetCapture(mPlugWnd);
  const EPointerButton button = msg == WM_LBUTTONDOWN   ? EPointerButton::Left
                                : msg == WM_RBUTTONDOWN ? EPointerButton::Right
                                                        : EPointerButton::Middle;
  PointerPressed(MouseInfo(lParam, wParam), button);
}

void ICanvasWin::OnButtonUpMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
  ReleaseCapture();
  const EPointerButton button = msg == WM_LBUTTONUP   ? EPointerButton::Left
                                : msg == WM_RBUTTONUP ? EPointerButton::Right
                                                      : EPointerButton::Middle;
  PointerReleased(MouseInfo(lParam, wParam), button);
}

void ICanvasWin::OnDoubleClickMessage(WPARAM wParam, LPARAM lParam)
{
  const IMouseInfo info = MouseInfo(lParam, wParam);
  OnMouseDblClick(info.x, info.y, info.ms);
  if (CursorIsHidden())
    HideMouseCursor(false);
  SetCapture(mPlugWnd);
}

void ICanvasWin::OnWheelMessage(WPARAM wParam, LPARAM lParam)
{
  if (mEntryWnd)
  {
    mEntryState = NextTextEntryState(mEntryState, ETextEntryEvent::Wheel);
    return;
  }
  POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ScreenToClient(mPlugWnd, &pt);
  const float s = GetTotalScale();
  const float delta =
      static_cast<float>(GET_WHEEL_DELTA_WPARAM(wParam)) / static_cast<float>(WHEEL_DELTA);
  OnMouseWheel(static_cast<float>(pt.x) / s, static_cast<float>(pt.y) / s,
               Modifiers(GET_KEYSTATE_WPARAM(wParam)), delta);
}

LRESULT ICanvasWin::OnKeyMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
  if (OnKey(msg, wParam, lParam))
    return 0;
  // Unhandled keys go to the host's top-level window, so its shortcuts keep working.
  HWND root = GetAncestor(mPlugWnd, GA_ROOT);
  if (root && root != mPlugWnd)
    SendMessageW(root, msg, wParam, lParam);
  return DefWindowProcW(mPlugWnd, msg, wParam, lParam);
}

void ICanvasWin::OnMouseLeaveMessage()
{
  PointerLeft();
  ShowTooltip(false);
  SetPlatformCursor(mCursorType);
  OnMouseOut();
  TooltipReset();
}

LRESULT ICanvasWin::OnEntryColorMessage(HDC dc)
{
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, ToColorRef(mEntryText.mTextEntryBGColor));
  SetTextColor(dc, ToColorRef(mEntryText.mTextEntryFGColor));
  if (!mEntryBrush)
    mEntryBrush = CreateSolidBrush(ToColorRef(mEntryText.mTextEntryBGColor));
  return reinterpret_cast<LRESULT>(mEntryBrush);
}

void ICanvasWin::OnCommandMessage(WPARAM wParam)
{
  // The entry's own notification that its one line got a line break: commit.
  if (LOWORD(wParam) != kTextEntryId || HIWORD(wParam) != EN_CHANGE || !mEntryWnd)
    return;
  wchar_t text[kTextEntryMaxChars + 1] = {};
  GetWindowTextW(mEntryWnd, text, kTextEntryMaxChars + 1);
  if (std::wcschr(text, L'\n') || std::wcschr(text, L'\r'))
    mEntryState = NextTextEntryState(mEntryState, ETextEntryEvent::Return);
}

} // namespace plugfw::ui
