#pragma once
// The editor view handed to the host: opens and closes the plug-in's editor in the host's
// window, answers size queries and forwards keys and the display scale.

#include "vst3api/base/PlugView.h"
#include "vst3api/sdk/PluginView.h"

namespace plugfw {

class IPluginVST3;
struct IKeyPress;

class IPluginVST3View : public Steinberg::CPluginView,
                        public Steinberg::IPlugViewContentScaleSupport
{
public:
  explicit IPluginVST3View(IPluginVST3& plug);
  ~IPluginVST3View() override;

  Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
  Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
  Steinberg::tresult PLUGIN_API removed() override;
  Steinberg::tresult PLUGIN_API onKeyDown(Steinberg::char16 key, Steinberg::int16 keyCode,
                                          Steinberg::int16 modifiers) override;
  Steinberg::tresult PLUGIN_API onKeyUp(Steinberg::char16 key, Steinberg::int16 keyCode,
                                        Steinberg::int16 modifiers) override;
  Steinberg::tresult PLUGIN_API getSize(Steinberg::ViewRect* size) override;
  Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;
  Steinberg::tresult PLUGIN_API setFrame(Steinberg::IPlugFrame* frame) override;
  Steinberg::tresult PLUGIN_API canResize() override;
  Steinberg::tresult PLUGIN_API checkSizeConstraint(Steinberg::ViewRect* rect) override;
  Steinberg::tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) override;

  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID _iid, void** obj) override;
  REFCOUNT_METHODS(Steinberg::CPluginView)

  // Asks the host frame to resize the view (a resize the editor started).
  void ResizeFromPlugin(int width, int height);

  // Translates a host key into the editor's key event; false when the key is not routed.
  static bool TranslateKey(int host, Steinberg::char16 key, Steinberg::int16 keyCode,
                           Steinberg::int16 modifiers, IKeyPress& out);

private:
  Steinberg::tresult DoKey(bool down, Steinberg::char16 key, Steinberg::int16 keyCode,
                           Steinberg::int16 modifiers);

  IPluginVST3* mPlug; // holds one reference
};

} // namespace plugfw
