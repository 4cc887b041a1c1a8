#pragma once
// The editor view handed to the host: opens and closes the plug-in's editor in the host's
// window, answers size queries and forwards keys and the display scale.

#include <memory>

#include "vst3api/base/PlugView.h"
#include "vst3api/sdk/PluginView.h"

namespace plugfw {

class IPluginVST3;
class HostRunLoopAdapter;
struct IKeyPress;

class IPluginVST3View : public Steinberg::CPluginView,
                        public Steinberg::IPlugViewContentScaleSupport
{
public:
  explicit IPluginVST3View(IPluginVST3& plug);
  ~IPluginVST3View() override; // [UI thread]
  IPluginVST3View(const IPluginVST3View&) = delete;
  IPluginVST3View& operator=(const IPluginVST3View&) = delete;

  Steinberg::tresult PLUGIN_API
  isPlatformTypeSupported(Steinberg::FIDString type) override; // [UI thread]
  Steinberg::tresult PLUGIN_API attached(void* parent,
                                         Steinberg::FIDString type) override; // [UI thread]
  Steinberg::tresult PLUGIN_API removed() override;                           // [UI thread]
  Steinberg::tresult PLUGIN_API onKeyDown(Steinberg::char16 key, Steinberg::int16 keyCode,
                                          Steinberg::int16 modifiers) override; // [UI thread]
  Steinberg::tresult PLUGIN_API onKeyUp(Steinberg::char16 key, Steinberg::int16 keyCode,
                                        Steinberg::int16 modifiers) override;    // [UI thread]
  Steinberg::tresult PLUGIN_API getSize(Steinberg::ViewRect* size) override;     // [UI thread]
  Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;   // [UI thread]
  Steinberg::tresult PLUGIN_API setFrame(Steinberg::IPlugFrame* frame) override; // [UI thread]
  Steinberg::tresult PLUGIN_API canResize() override;                            // [UI thread]
  Steinberg::tresult PLUGIN_API
  checkSizeConstraint(Steinberg::ViewRect* rect) override;                          // [UI thread]
  Steinberg::tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) override; // [UI thread]

  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID _iid,
                                               void** obj) override; // [UI thread]
  REFCOUNT_METHODS(Steinberg::CPluginView)

  // Asks the host frame to resize the view (a resize the editor started).
  void ResizeFromPlugin(int width, int height); // [UI thread]

  // The window type this build's editor opens in ("HWND" on Windows, "X11EmbedWindowID" on
  // Linux) and whether that window is driven by the host frame's run loop (Linux).
  static Steinberg::FIDString NativePlatformType();
  static bool NativeWindowNeedsRunLoop();

  // Translates a host key into the editor's key event; false when the key is not routed.
  static bool TranslateKey(int host, Steinberg::char16 key, Steinberg::int16 keyCode,
                           Steinberg::int16 modifiers, IKeyPress& out);

private:
  Steinberg::tresult DoKey(bool down, Steinberg::char16 key, Steinberg::int16 keyCode,
                           Steinberg::int16 modifiers);

  void ReleaseRunLoop();

  IPluginVST3* mPlug; // holds one reference
  // The frame's run loop while the editor is attached (Linux); the window registers through it.
  std::unique_ptr<HostRunLoopAdapter> mRunLoop;
};

} // namespace plugfw
