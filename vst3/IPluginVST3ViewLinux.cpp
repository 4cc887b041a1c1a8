#include "vst3/IPluginVST3View.h"

namespace plugfw {

Steinberg::FIDString IPluginVST3View::NativePlatformType()
{
  return Steinberg::kPlatformTypeX11EmbedWindowID;
}

bool IPluginVST3View::NativeWindowNeedsRunLoop()
{
  return true;
}

} // namespace plugfw
