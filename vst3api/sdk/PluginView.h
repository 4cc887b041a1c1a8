// CPluginView: the editor view's size, parent window and host frame.
#pragma once

#include "vst3api/base/PlugView.h"
#include "vst3api/sdk/FObject.h"

namespace Steinberg {

class CPluginView : public FObject, public IPlugView
{
public:
  explicit CPluginView(const ViewRect* rect = nullptr);
  ~CPluginView() override;

  const ViewRect& getRect() const { return rect; }
  void setRect(const ViewRect& r) { rect = r; }
  bool isAttached() const { return systemWindow != nullptr; }
  void* getSystemWindow() const { return systemWindow; }
  IPlugFrame* getFrame() const { return plugFrame.get(); }

  virtual void attachedToParent() {}
  virtual void removedFromParent() {}

  // Subclasses answer kResultTrue for the platform types they support.
  tresult PLUGIN_API isPlatformTypeSupported(FIDString type) override;
  tresult PLUGIN_API attached(void* parent, FIDString type) override;
  tresult PLUGIN_API removed() override;
  tresult PLUGIN_API onWheel(float /*distance*/) override { return kResultFalse; }
  tresult PLUGIN_API onKeyDown(char16, int16, int16) override { return kResultFalse; }
  tresult PLUGIN_API onKeyUp(char16, int16, int16) override { return kResultFalse; }
  tresult PLUGIN_API getSize(ViewRect* size) override;
  tresult PLUGIN_API onSize(ViewRect* newSize) override;
  tresult PLUGIN_API onFocus(TBool /*state*/) override { return kResultFalse; }
  tresult PLUGIN_API setFrame(IPlugFrame* frame) override;
  tresult PLUGIN_API canResize() override { return kResultFalse; }
  tresult PLUGIN_API checkSizeConstraint(ViewRect* /*rect*/) override { return kResultFalse; }

  OBJ_METHODS(CPluginView, FObject)
  DEFINE_INTERFACES
  DEF_INTERFACE(IPlugView)
  END_DEFINE_INTERFACES(FObject)
  REFCOUNT_METHODS(FObject)

protected:
  ViewRect rect;
  void* systemWindow = nullptr;
  IPtr<IPlugFrame> plugFrame;
};

} // namespace Steinberg
