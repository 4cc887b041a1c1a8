#pragma once
// The graphics context of the platform this build targets. Each platform's window file defines
// MakePlatformCanvas; the build picks one, and a build without a window of its own gets the
// headless context (it draws, but opens nothing on screen).

#include "graphics/ICanvas.h"

namespace plugfw::ui {

ICanvas* MakePlatformCanvas(IEditorDelegate* dlg, int w, int h, int fps, float scale);

} // namespace plugfw::ui
