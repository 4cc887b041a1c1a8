#pragma once
// Frame pacing shared by the editor windows of every platform: the frame-step timer period and
// the tick bookkeeping that lets a window skip stale ticks and process only the newest one.

#include <atomic>
#include <cstdint>

namespace plugfw::ui {

// Period of the frame-step timer in milliseconds: floor(1000 / fps), replaced by 15 ms when that
// is below 20 ms (30 fps -> 33 ms, 40 -> 25, 60 -> 15). A frame rate below 1 paces at 30 fps.
int FrameTimerPeriodMs(int fps);

// Counts the ticks a pacing source posts (possibly from another thread) against the ones the UI
// thread processes. Only the newest posted tick is processed; after a frame that took so long
// that newer ticks were posted meanwhile, those already queued are skipped as well.
class IFrameTicks
{
public:
  // Pacing side: the count to post with the new tick.
  std::uint64_t Post() { return mPosted.fetch_add(1, std::memory_order_acq_rel) + 1; }
  std::uint64_t Newest() const { return mPosted.load(std::memory_order_acquire); }

  // UI side, on receiving the tick `count`: true when the frame step should run for it.
  bool ShouldProcess(std::uint64_t count);
  // UI side, after the frame step for `count` has drawn: when newer ticks arrived during the
  // frame, they are skipped up to the newest one posted by now.
  void FrameDone(std::uint64_t count);

  std::uint64_t Processed() const { return mProcessed; }
  std::uint64_t SkipMark() const { return mSkipMark; }

private:
  std::atomic<std::uint64_t> mPosted{0};
  std::uint64_t mProcessed = 0;
  std::uint64_t mSkipMark = 0; // 0: none
};

} // namespace plugfw::ui
