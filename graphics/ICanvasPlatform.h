#pragma once
// The graphics context of the platform this build targets. Each platform's window file defines
// MakePlatformCanvas; the build picks one.

#include "graphics/ICanvas.h"

namespace plugfw::ui {

ICanvas* MakePlatformCanvas(IEditorDelegate* dlg, int w, int h, int fps, float scale);

} // namespace plugfw::ui
