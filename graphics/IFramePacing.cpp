#include "graphics/IFramePacing.h"

namespace plugfw::ui {

int FrameTimerPeriodMs(int fps)
{
  if (fps < 1)
    fps = 30;
  const int period = 1000 / fps;
  return period < 20 ? 15 : period;
}

bool IFrameTicks::ShouldProcess(std::uint64_t count)
{
  if (count != Newest())
    return false;
  if (mSkipMark != 0)
  {
    if (count < mSkipMark)
      return false;
    mSkipMark = 0;
  }
  mProcessed = count;
  return true;
}

void IFrameTicks::FrameDone(std::uint64_t count)
{
  const std::uint64_t newest = Newest();
  if (count != newest)
    mSkipMark = newest + 1;
}

} // namespace plugfw::ui
