#pragma once
// The plug-in's idle work for an open editor (every 20 ms on the editor thread): the live controls
// are marked for redraw, and the status lines, the selected-notch sliders and their value fields
// follow the engine.

#include "editor/EditorExchange.h"

namespace plugfw::ui {
class ICanvas;
}

void EditorIdleTick(plugfw::ui::ICanvas& g, const EditorExchange& exchange);
