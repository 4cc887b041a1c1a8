#include "graphics/ICanvasWin.h"

#include "graphics/IDirtyPixels.h"

#include <cstdint>

namespace plugfw::ui {

namespace {

// The D3DKMT records, as the display driver interface defines them.
using D3DKMT_HANDLE = UINT;
struct KmtOpenAdapterFromHdc
{
  HDC hDc;
  D3DKMT_HANDLE hAdapter;
  LUID AdapterLuid;
  UINT VidPnSourceId;
};
struct KmtCloseAdapter
{
  D3DKMT_HANDLE hAdapter;
};
struct KmtWaitForVerticalBlankEvent
{
  D3DKMT_HANDLE hAdapter;
  D3DKMT_HANDLE hDevice;
  UINT VidPnSourceId;
};

} // namespace

// ---- Vertical-blank pacing --------------------------------------------------------------

void RunVBlankLoop(const IVBlankApi& api, HDC dc, const std::atomic<bool>& stop,
                   const std::function<void()>& post, const std::function<void(DWORD)>& sleepMs)
{
  if (!api.Complete())
  {
    while (!stop.load())
    {
      sleepMs(16);
      post();
    }
    return;
  }
  bool open = false;
  KmtOpenAdapterFromHdc adapter{};
  DWORD lastTry = 0;
  bool tried = false;
  while (!stop.load())
  {
    if (!open)
    {
      const DWORD now = GetTickCount();
      if (!tried || now - lastTry >= 1000)
      {
        tried = true;
        lastTry = now;
        adapter = KmtOpenAdapterFromHdc{};
        adapter.hDc = dc;
        open = api.open(&adapter) == 0;
      }
      if (!open)
        sleepMs(16);
    }
    else
    {
      KmtWaitForVerticalBlankEvent wait{};
      wait.hAdapter = adapter.hAdapter;
      wait.VidPnSourceId = adapter.VidPnSourceId;
      if (api.wait(&wait) != 0)
      {
        KmtCloseAdapter close{adapter.hAdapter};
        api.close(&close);
        open = false;
        sleepMs(16);
      }
    }
    post();
  }
  if (open)
  {
    KmtCloseAdapter close{adapter.hAdapter};
    api.close(&close);
  }
}

DWORD WINAPI ICanvasWin::VBlankThreadProc(LPVOID param)
{
  auto* self = static_cast<ICanvasWin*>(param);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  HMODULE gdi = LoadLibraryW(L"gdi32.dll");
  IVBlankApi api;
  if (gdi)
  {
    api.open = reinterpret_cast<IVBlankApi::OpenFn>(
        reinterpret_cast<void*>(GetProcAddress(gdi, "D3DKMTOpenAdapterFromHdc")));
    api.close = reinterpret_cast<IVBlankApi::CloseFn>(
        reinterpret_cast<void*>(GetProcAddress(gdi, "D3DKMTCloseAdapter")));
    api.wait = reinterpret_cast<IVBlankApi::WaitFn>(
        reinterpret_cast<void*>(GetProcAddress(gdi, "D3DKMTWaitForVerticalBlankEvent")));
  }
  const HWND wnd = self->mPlugWnd;
  RunVBlankLoop(api, self->mDC, self->mVBlankStop, [self, wnd] {
    const std::uint64_t count = self->mTicks.Post();
    PostMessageW(wnd, kVBlankMessage, static_cast<WPARAM>(count), 0);
  });
  if (gdi)
    FreeLibrary(gdi);
  return 0;
}

// ---- Pacing the frame step ------------------------------------------------------------

void ICanvasWin::StartPacing()
{
  if (mVBlankMode)
  {
    mVBlankStop = false;
    // The device context is the class's own; take it here so the thread has it from the start.
    mDC = GetDC(mPlugWnd);
    mVBlankThread = CreateThread(nullptr, 0, VBlankThreadProc, this, 0, nullptr);
    if (!mVBlankThread)
      mVBlankMode = false;
  }
  if (!mVBlankMode)
    SetTimer(mPlugWnd, kFrameTimerId, static_cast<UINT>(FrameTimerPeriodMs(FPS())), nullptr);
}

void ICanvasWin::StopPacing()
{
  if (mVBlankThread)
  {
    mVBlankStop = true;
    WaitForSingleObject(mVBlankThread, 10000);
    CloseHandle(mVBlankThread);
    mVBlankThread = nullptr;
    // Ticks still queued for the window are dropped with it.
  }
  else if (mPlugWnd)
  {
    KillTimer(mPlugWnd, kFrameTimerId);
  }
}

// ---- Frame step -------------------------------------------------------------------------

void ICanvasWin::FrameStep(bool vblankTick, std::uint64_t count)
{
  if (vblankTick && !mTicks.ShouldProcess(count))
    return;
  ++mFrameSteps;

  if (mEntryWnd)
  {
    const ETextEntryAction action = TextEntryFrameAction(mEntryState);
    if (action == ETextEntryAction::Cancel)
    {
      DestroyTextEntry();
      CancelTextEntry();
      return;
    }
    if (action == ETextEntryAction::Commit)
    {
      wchar_t text[kTextEntryMaxChars + 1] = {};
      const int n = GetWindowTextW(mEntryWnd, text, kTextEntryMaxChars + 1);
      const std::string utf8 = TextEntryCommitText(Narrow(text, n));
      DestroyTextEntry();
      SetControlValueAfterTextEdit(utf8.c_str());
      return;
    }
  }

  if (GetCapture() != mPlugWnd)
  {
    const float s = ReadScreenScale(mPlugWnd);
    if (s != GetScreenScale())
      SetScreenScale(s);
  }

  IRectList rects;
  if (IsDirty(rects))
  {
    RECT client;
    GetClientRect(mPlugWnd, &client);
    for (const IPixelRect& p : DirtyPixelRects(rects, GetTotalScale(), client.right, client.bottom))
    {
      RECT r{p.x, p.y, p.Right(), p.Bottom()};
      InvalidateRect(mPlugWnd, &r, FALSE);
    }
    if (mEntryWnd)
    {
      RECT er;
      GetWindowRect(mEntryWnd, &er);
      MapWindowPoints(HWND_DESKTOP, mPlugWnd, reinterpret_cast<POINT*>(&er), 2);
      ValidateRect(mPlugWnd, &er);
      UpdateWindow(mPlugWnd);
      mEntryState = ETextEntryState::Drawn;
    }
    else
    {
      UpdateWindow(mPlugWnd);
    }
  }
  if (vblankTick)
    mTicks.FrameDone(count);
}
} // namespace plugfw::ui
