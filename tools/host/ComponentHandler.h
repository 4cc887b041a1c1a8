// The host's component handler: records every edit, restart and context-menu request with the
// thread it came on.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "vst3api/sdk/FObject.h"
#include "vst3api/vst/ContextMenu.h"
#include "vst3api/vst/EditController.h"

namespace qhost {

struct HandlerCall
{
  enum Kind
  {
    kBegin,
    kPerform,
    kEnd,
    kRestart,
    kStartGroup,
    kFinishGroup,
    kDirty,
    kOpenEditor,
    kContextMenu // a menu popped up: id is its parameter (kNoParamId for none), x/y the point
  };
  Kind kind = kBegin;
  Steinberg::Vst::ParamID id = 0;
  double value = 0.;
  Steinberg::int32 flags = 0;
  Steinberg::UCoord x = 0, y = 0;
  Steinberg::int32 items = 0; // the items the plug-in put in the context menu
  std::thread::id thread;
};

class ComponentHandler : public Steinberg::FObject,
                         public Steinberg::Vst::IComponentHandler,
                         public Steinberg::Vst::IComponentHandler2,
                         public Steinberg::Vst::IComponentHandler3
{
public:
  // Without group edits the handler does not answer IComponentHandler2, like simpler hosts.
  explicit ComponentHandler(bool offerGroupEdits = true) : groupEdits(offerGroupEdits) {}

  Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID id) override;
  Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id,
                                            Steinberg::Vst::ParamValue value) override;
  Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID id) override;
  Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32 flags) override;
  Steinberg::tresult PLUGIN_API setDirty(Steinberg::TBool state) override;
  Steinberg::tresult PLUGIN_API requestOpenEditor(Steinberg::FIDString name) override;
  Steinberg::tresult PLUGIN_API startGroupEdit() override;
  Steinberg::tresult PLUGIN_API finishGroupEdit() override;
  // The menu records its popup here as a kContextMenu call.
  Steinberg::Vst::IContextMenu* PLUGIN_API createContextMenu(
      Steinberg::IPlugView* plugView, const Steinberg::Vst::ParamID* paramID) override;

  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID _iid, void** obj) override;
  REFCOUNT_METHODS(Steinberg::FObject)

  std::vector<HandlerCall> calls();
  std::vector<HandlerCall> callsOf(HandlerCall::Kind kind);
  void clear();
  // Restart requests carrying the given flag bit.
  int restartCount(Steinberg::int32 flag);

  // Called with every call as it is recorded (on the caller's thread); set before the plug-in
  // gets the handler.
  std::function<void(const HandlerCall&)> onCall;

private:
  Steinberg::tresult record(HandlerCall call);

  bool groupEdits;
  std::mutex lock; // the plug-in might (wrongly) call from the audio thread
  std::vector<HandlerCall> log;
};

} // namespace qhost
