#include "graphics/ICanvasPlatform.h"
#include "graphics/ICanvasWin.h"

namespace plugfw::ui {

ICanvas* MakePlatformCanvas(IEditorDelegate* dlg, int w, int h, int fps, float scale)
{
  return new ICanvasWin(dlg, w, h, fps, scale);
}

} // namespace plugfw::ui
