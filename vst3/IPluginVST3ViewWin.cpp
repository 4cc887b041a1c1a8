#include "vst3/IPluginVST3View.h"

namespace plugfw {

Steinberg::FIDString IPluginVST3View::NativePlatformType()
{
  return Steinberg::kPlatformTypeHWND;
}

bool IPluginVST3View::NativeWindowNeedsRunLoop()
{
  return false;
}

} // namespace plugfw
