#include "vst3api/sdk/PluginView.h"

namespace Steinberg {

CPluginView::CPluginView(const ViewRect* r) : rect(r ? *r : ViewRect(0, 0, 0, 0)) {}

CPluginView::~CPluginView() = default;

tresult PLUGIN_API CPluginView::isPlatformTypeSupported(FIDString /*type*/)
{
  return kNotImplemented;
}

tresult PLUGIN_API CPluginView::attached(void* parent, FIDString /*type*/)
{
  systemWindow = parent;
  attachedToParent();
  return kResultOk;
}

tresult PLUGIN_API CPluginView::removed()
{
  systemWindow = nullptr;
  removedFromParent();
  return kResultOk;
}

tresult PLUGIN_API CPluginView::getSize(ViewRect* size)
{
  if (!size)
    return kInvalidArgument;
  *size = rect;
  return kResultTrue;
}

tresult PLUGIN_API CPluginView::onSize(ViewRect* newSize)
{
  if (newSize)
    rect = *newSize;
  return kResultTrue;
}

tresult PLUGIN_API CPluginView::setFrame(IPlugFrame* frame)
{
  plugFrame = frame;
  return kResultTrue;
}

} // namespace Steinberg
