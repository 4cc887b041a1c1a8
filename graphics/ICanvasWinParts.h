#pragma once
// What the Windows window's source files share beyond ICanvasWin itself.

#include "graphics/ICanvasWin.h"

namespace plugfw::ui {

inline COLORREF ToColorRef(const IColor& c)
{
  return RGB(c.R, c.G, c.B);
}

} // namespace plugfw::ui
