// On Windows the idle timer is a system timer of its own: no host run loop is needed.

#include "vst3/IPluginVST3.h"

using namespace Steinberg;

namespace plugfw {

void IPluginVST3::AttachRunLoop(FUnknown*) {}

void IPluginVST3::DetachRunLoop() {}

} // namespace plugfw
