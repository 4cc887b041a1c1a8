#pragma once
// Pictures a window context draws with our renderer into windows of their own, outside the
// editor's frame: the tooltip. Shared so that tools and tests see exactly what a window shows.

#include "render/IRenderer.h"

#include <memory>
#include <string>

namespace plugfw::ui {

inline constexpr float kTooltipMaxWidth = 250.f; // logical pixels; longer texts are cut
inline constexpr float kTooltipHeight = 20.f;

// A renderer with the editor's font at the screen's scale, for one overlay window.
std::unique_ptr<IRenderer> MakeOverlayRenderer(float screenScale);

// Draws the tooltip for `text` into the renderer's frame, which it sizes to fit.
void DrawTooltipPicture(IRenderer& r, const std::string& text);

} // namespace plugfw::ui
