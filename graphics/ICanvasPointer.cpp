// The pointer rules every platform window shares: the hidden, locked cursor and its warp back,
// drag deltas from the last position, which buttons count, and when a tooltip shows or goes.

#include "graphics/ICanvas.h"

namespace plugfw::ui {

// ---- Cursor ----------------------------------------------------------------------------

void ICanvas::HideMouseCursor(bool hide, bool lock)
{
  if (mCursorHidden == hide)
    return;
  if (hide)
  {
    mHiddenX = mMouseX;
    mHiddenY = mMouseY;
    mCursorLock = lock && !mPenInput;
    mCursorHidden = true;
    HidePlatformCursor(true);
    return;
  }
  if (mCursorLock)
    MovePlatformCursor(mHiddenX, mHiddenY);
  mCursorHidden = false;
  mCursorLock = false;
  HidePlatformCursor(false);
}

ECursor ICanvas::SetMouseCursor(ECursor cursor)
{
  const ECursor prev = mCursor;
  mCursor = cursor;
  SetPlatformCursor(cursor);
  return prev;
}

// ---- Pointer input ---------------------------------------------------------------------

bool ICanvas::PointerMoved(float x, float y, const IMouseMod& mod, bool dragging)
{
  mPointerInside = true;
  if (!dragging)
    return OnMouseOver(x, y, mod);

  const bool queued = mWarpEcho == EWarpEcho::Queued;
  const bool lockedBefore = CursorIsLocked();
  // Queued: a move onto the hidden point is the echo of our warp back. It starts the next
  // measurement and is no drag; moves queued before it are measured from each other, so a busy
  // moment does not count the same travel twice.
  if (queued && lockedBefore && x == mHiddenX && y == mHiddenY)
  {
    mMouseX = x;
    mMouseY = y;
    return false;
  }
  IMouseInfo drag{x, y, x - mMouseX, y - mMouseY, mod};
  mMouseX = x;
  mMouseY = y;
  const bool moved = drag.dX != 0.f || drag.dY != 0.f;
  if (moved)
    OnMouseDrag({drag});
  if (queued ? lockedBefore : (moved && CursorIsLocked()))
  {
    MovePlatformCursor(mHiddenX, mHiddenY);
    // Immediate: the jump back is where the pointer now is. Measured from here it is no drag,
    // where from the last position it would undo the one just dispatched.
    if (!queued)
    {
      mMouseX = mHiddenX;
      mMouseY = mHiddenY;
    }
  }
  return false;
}

bool ICanvas::PointerPressed(const IMouseInfo& info, EPointerButton button)
{
  if (button == EPointerButton::Other)
    return false;
  OnMouseDown({info});
  return true;
}

bool ICanvas::PointerReleased(const IMouseInfo& info, EPointerButton button)
{
  if (button == EPointerButton::Other)
    return false;
  IMouseInfo up = info;
  // The released button is no longer held: name it for the control.
  up.ms.L = button == EPointerButton::Left;
  up.ms.R = button == EPointerButton::Right;
  OnMouseUp({up});
  return true;
}

void ICanvas::PointerEntered(float x, float y)
{
  mPointerInside = true;
  mMouseX = x;
  mMouseY = y;
}

void ICanvas::PointerLeft()
{
  // Whatever the window makes of the leave, no tooltip may show for a pointer that is gone.
  mPointerInside = false;
}

// ---- Tooltips ---------------------------------------------------------------------------

bool ICanvas::TooltipPointerOver(int idx)
{
  if (idx == mTooltipIdx)
    return false;
  mTooltipIdx = idx;
  TooltipHidden();
  return true;
}

void ICanvas::TooltipHidden()
{
  mTooltipShown = false;
  mTooltipTicks = 0;
}

void ICanvas::TooltipReset()
{
  TooltipHidden();
  mTooltipIdx = -1;
}

IControl* ICanvas::TooltipFrameStep(bool& hide)
{
  hide = false;
  if (!mEnableTooltips || TextEntryPending() || PopupMenuPending())
    return nullptr;
  // The control under the resting pointer (mouse-over tracking may be off).
  IControl* under =
      ControlIsCaptured() || !mPointerInside ? nullptr : GetMouseControl(mMouseX, mMouseY, false);
  hide = TooltipPointerOver(under ? GetControlIdx(under) : -1);
  IControl* c = GetControl(mTooltipIdx);
  if (!c || c->GetTooltip().empty() || mTooltipShown || ControlIsCaptured())
    return nullptr;
  if (++mTooltipTicks < kTooltipDelayFrames)
    return nullptr;
  return c;
}

} // namespace plugfw::ui
