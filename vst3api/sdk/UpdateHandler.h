// Minimal change-notification hub: object -> dependents, immediate or deferred to idle time.
#pragma once

#include <map>
#include <mutex>
#include <vector>

#include "vst3api/sdk/FObject.h"

namespace Steinberg {

class UpdateHandler : public FObject, public IUpdateHandler
{
public:
  // The module-wide instance; the first call installs it as FObject's update handler.
  static UpdateHandler* instance();

  tresult PLUGIN_API addDependent(FUnknown* object, IDependent* dependent) override;
  tresult PLUGIN_API removeDependent(FUnknown* object, IDependent* dependent) override;
  // Calls update() on each dependent now, then updateDone() on the sender.
  tresult PLUGIN_API triggerUpdates(FUnknown* object, int32 message) override;
  // Queues the message until triggerDeferedUpdates().
  tresult PLUGIN_API deferUpdates(FUnknown* object, int32 message) override;
  // Delivers queued messages: all of them, or only those of one object.
  void triggerDeferedUpdates(FUnknown* object = nullptr);
  size_t dependentCount(FUnknown* object);

  OBJ_METHODS(UpdateHandler, FObject)
  DEFINE_INTERFACES
  DEF_INTERFACE(IUpdateHandler)
  END_DEFINE_INTERFACES(FObject)
  REFCOUNT_METHODS(FObject)

  UpdateHandler();
  ~UpdateHandler() override;

private:
  struct Deferred
  {
    FUnknown* object;
    int32 message;
  };

  static FUnknown* identity(FUnknown* object);

  std::mutex lock;
  std::map<FUnknown*, std::vector<IDependent*>> table;
  std::vector<Deferred> deferred;
};

} // namespace Steinberg
