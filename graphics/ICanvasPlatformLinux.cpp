#include "graphics/ICanvasPlatform.h"
#include "graphics/ICanvasX11.h"

namespace plugfw::ui {

ICanvas* MakePlatformCanvas(IEditorDelegate* dlg, int w, int h, int fps, float scale)
{
  return new ICanvasX11(dlg, w, h, fps, scale);
}

} // namespace plugfw::ui
