#include "graphics/ICanvasWin.h"

#include "graphics/ICanvasWinParts.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wininet.h>

#include <cstring>

namespace plugfw::ui {

// ---- Message boxes, web addresses, clipboard ---------------------------------------------

namespace {

// Places a copy of the bytes on the open clipboard; the system owns the copy once it is there.
bool PutOnClipboard(UINT format, const void* data, size_t bytes)
{
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!h)
    return false;
  std::memcpy(GlobalLock(h), data, bytes);
  GlobalUnlock(h);
  if (::SetClipboardData(format, h))
    return true;
  GlobalFree(h);
  return false;
}

} // namespace

HWND ICanvasWin::GetMainWindow()
{
  if (!mMainWnd && mParentWnd)
  {
    HWND w = mParentWnd;
    while (HWND p = GetParent(w))
      w = p;
    mMainWnd = w;
    wchar_t name[256] = {};
    GetClassNameW(w, name, 256);
    mMainWndClassName = name;
  }
  return mMainWnd;
}

int ICanvasWin::ShowMessageBox(const char* text, const char* caption, UINT type,
                               const std::function<void(int)>& completion)
{
  const int result =
      MessageBoxW(GetMainWindow(), Widen(text).c_str(), Widen(caption).c_str(), type);
  if (completion)
    completion(result);
  return result;
}

bool ICanvasWin::OpenURL(const char* url, const char* windowTitle, const char* confirmMsg,
                         const char* errMsg)
{
  if (!url || !url[0])
    return false;
  if (confirmMsg && confirmMsg[0] &&
      ShowMessageBox(confirmMsg, windowTitle ? windowTitle : "", MB_YESNO) != IDYES)
    return false;
  DWORD flags = 0;
  if (InternetGetConnectedState(&flags, 0))
  {
    const auto r = reinterpret_cast<INT_PTR>(
        ShellExecuteW(mPlugWnd, L"open", Widen(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (r > 32)
      return true;
  }
  if (errMsg && errMsg[0])
    ShowMessageBox(errMsg, windowTitle ? windowTitle : "", MB_OK);
  return false;
}

bool ICanvasWin::GetClipboardText(std::string& out)
{
  out.clear();
  if (!OpenClipboard(GetMainWindow()))
    return false;
  bool ok = false;
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT))
  {
    if (const auto* p = static_cast<const wchar_t*>(GlobalLock(h)))
    {
      out = Narrow(p);
      ok = true;
      GlobalUnlock(h);
    }
  }
  CloseClipboard();
  return ok;
}

bool ICanvasWin::SetClipboardText(const char* utf8)
{
  if (!OpenClipboard(GetMainWindow()))
    return false;
  EmptyClipboard();
  const std::wstring w = Widen(utf8);
  const bool ok =
      w.empty() || PutOnClipboard(CF_UNICODETEXT, w.c_str(), (w.size() + 1) * sizeof(wchar_t));
  CloseClipboard();
  return ok;
}

bool ICanvasWin::SetClipboardData(const char* formatName, const void* data, size_t size)
{
  const UINT format = RegisterClipboardFormatW(Widen(formatName).c_str());
  if (!format || !data || size == 0 || !OpenClipboard(GetMainWindow()))
    return false;
  EmptyClipboard();
  const bool ok = PutOnClipboard(format, data, size);
  CloseClipboard();
  return ok;
}

// ---- Dialogs ----------------------------------------------------------------------------

bool ICanvasWin::PromptForFile(std::string& path, bool save, const char* ext,
                               const char* initialDir)
{
  // Filter "Supported files\0*.wav;*.aif\0All files\0*.*\0\0" from the extension list.
  std::wstring patterns;
  for (const char* p = ext ? ext : ""; *p;)
  {
    while (*p == ' ')
      ++p;
    const char* e = p;
    while (*e && *e != ' ')
      ++e;
    if (e > p)
    {
      if (!patterns.empty())
        patterns += L';';
      patterns += L"*." + Widen(std::string(p, e).c_str());
    }
    p = e;
  }
  std::wstring filter;
  if (!patterns.empty())
  {
    filter += L"Supported files";
    filter.push_back(L'\0');
    filter += patterns;
    filter.push_back(L'\0');
  }
  filter += L"All files";
  filter.push_back(L'\0');
  filter += L"*.*";
  filter.push_back(L'\0');
  filter.push_back(L'\0');

  wchar_t file[MAX_PATH] = {};
  const std::wstring initial = Widen(path.c_str());
  wcsncpy(file, initial.c_str(), MAX_PATH - 1);
  const std::wstring dir = Widen(initialDir);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = mPlugWnd;
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
  ofn.Flags =
      OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  const BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  if (ok)
    path = Narrow(file);
  return ok != 0;
}

bool ICanvasWin::PromptForDirectory(std::string& path)
{
  BROWSEINFOW bi{};
  bi.hwndOwner = mPlugWnd;
  bi.lpszTitle = L"Choose a Directory";
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi);
  if (!pidl)
    return false;
  wchar_t dir[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListW(pidl, dir) != 0;
  CoTaskMemFree(pidl);
  if (ok)
    path = Narrow(dir);
  return ok;
}

namespace {

UINT_PTR CALLBACK ColorHook(HWND dlg, UINT msg, WPARAM, LPARAM lParam)
{
  static const UINT setRgb = RegisterWindowMessageW(L"commdlg_SetRGBColor");
  if (msg == WM_INITDIALOG)
  {
    const auto* cc = reinterpret_cast<const CHOOSECOLORW*>(lParam);
    if (cc && cc->lCustData)
      SetWindowTextW(dlg, reinterpret_cast<const wchar_t*>(cc->lCustData));
    return 0;
  }
  // A colour set from outside (the registered message) is taken as is.
  return msg == setRgb ? 1 : 0;
}

} // namespace

bool ICanvasWin::PromptForColor(IColor& color, const char* title)
{
  static COLORREF custom[16] = {};
  const std::wstring caption = Widen(title);
  CHOOSECOLORW cc{};
  cc.lStructSize = sizeof(cc);
  cc.hwndOwner = mPlugWnd;
  cc.rgbResult = ToColorRef(color);
  cc.lpCustColors = custom;
  cc.Flags = CC_FULLOPEN | CC_RGBINIT | CC_ENABLEHOOK;
  cc.lpfnHook = ColorHook;
  cc.lCustData = caption.empty() ? 0 : reinterpret_cast<LPARAM>(caption.c_str());
  if (!ChooseColorW(&cc))
    return false;
  color =
      IColor(color.A, GetRValue(cc.rgbResult), GetGValue(cc.rgbResult), GetBValue(cc.rgbResult));
  return true;
}

bool ICanvasWin::RevealPathInExplorer(const char* path)
{
  if (!path || !path[0])
    return false;
  const std::wstring args = L"/select,\"" + Widen(path) + L"\"";
  const auto r = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", L"explorer.exe", args.c_str(), nullptr, SW_SHOWNORMAL));
  return r > 32;
}

} // namespace plugfw::ui
