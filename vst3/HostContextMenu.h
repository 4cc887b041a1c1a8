#pragma once
// The host's context menu for a parameter, wrapped for the graphics context: it adds the
// control's own entries and pops the menu up; commands come back to the control's target.

#include <memory>

#include "plugin/IHostContextMenu.h"
#include "vst3api/vst/ContextMenu.h"

namespace plugfw {

// Takes over one reference to the host's menu (null gives null).
std::unique_ptr<ui::IHostContextMenu> WrapHostContextMenu(Steinberg::Vst::IContextMenu* menu);

} // namespace plugfw
