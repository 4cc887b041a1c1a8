#include "graphics/ICanvasHeadless.h"
#include "graphics/ICanvasPlatform.h"

namespace plugfw::ui {

ICanvas* MakePlatformCanvas(IEditorDelegate* dlg, int w, int h, int fps, float scale)
{
  return new ICanvasHeadless(dlg, w, h, fps, scale);
}

} // namespace plugfw::ui
