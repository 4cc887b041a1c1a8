#pragma once
// Presentation bookkeeping shared by the editor windows: the logical dirty rectangles of a frame
// become device-pixel rectangles of the window (draw scale x screen scale), grown outward to whole
// pixels, clipped to the window and merged where that saves work, and back.

#include "graphics/IGraphicsTypes.h"

#include <vector>

namespace plugfw::ui {

struct IPixelRect
{
  int x = 0, y = 0, w = 0, h = 0;

  int Right() const { return x + w; }
  int Bottom() const { return y + h; }
  long long Area() const { return static_cast<long long>(w) * h; }
  bool Empty() const { return w <= 0 || h <= 0; }
  bool operator==(const IPixelRect&) const = default;
};

// Above this many rectangles a frame presents their bounding box instead.
inline constexpr int kMaxPresentRects = 64;

// Device-pixel rectangles covering `logical` at `totalScale` within a window of
// pixelW x pixelH. Empty, non-finite and off-window rectangles are dropped; two rectangles
// merge when their bounding box is no larger than their two areas together (contained,
// overlapping by much, or side by side along a full edge).
std::vector<IPixelRect> DirtyPixelRects(const IRectList& logical, float totalScale, int pixelW,
                                        int pixelH);

// Merges in place by the rule above; the result's order is deterministic.
void MergePixelRects(std::vector<IPixelRect>& rects);

// The logical rectangle covering a device-pixel rectangle (for repaint requests that arrive in
// pixels, such as exposure). A scale that is not positive is treated as 1.
IRect LogicalRectFromPixels(const IPixelRect& r, float totalScale);

} // namespace plugfw::ui
