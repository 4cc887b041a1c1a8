#pragma once
// Builds Quellor's editor on a graphics context: every control, its place, style, tooltip and
// tag, and the actions of the selected-notch sliders, "Clear", "Reset" and "About". It runs once
// per opened editor; later changes go through the control tags (see EditorIdle.h).

#include "editor/EditorControls.h"
#include "editor/EditorExchange.h"

namespace plugfw {
class IEditorDelegate;
}
namespace plugfw::ui {
class ICanvas;
}

// The editor's fixed size at draw scale 1.
inline constexpr int kEditorWidth = 740;
inline constexpr int kEditorHeight = 726;

// `delegate` owns the parameters the controls are bound to; `about` also gives the version text
// under the logo.
void LayoutEditor(plugfw::ui::ICanvas& g, plugfw::IEditorDelegate& delegate,
                  const EditorExchange& exchange, const AboutInfo& about);

// "Reset": every parameter back to its default (shown by its controls, not sent to the host),
// every notch slot cleared, no notch selected, everything redrawn.
void ResetEditorState(plugfw::ui::ICanvas& g, plugfw::IEditorDelegate& delegate,
                      const EditorExchange& exchange);
