#include "vst3api/sdk/FObject.h"

#include <chrono>
#include <random>

namespace Steinberg {
namespace {

FUID makeModuleUid()
{
  std::random_device device;
  std::seed_seq seed{
      device(), device(),
      static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()),
      static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(&device))};
  std::mt19937 gen(seed);
  return FUID(static_cast<uint32>(gen()), static_cast<uint32>(gen()), static_cast<uint32>(gen()),
              static_cast<uint32>(gen()));
}

std::atomic<IUpdateHandler*> gUpdateHandler{nullptr};

} // namespace

const FUID FObject::iid = makeModuleUid();

uint32 PLUGIN_API FObject::addRef()
{
  return static_cast<uint32>(refCount.fetch_add(1) + 1);
}

uint32 PLUGIN_API FObject::release()
{
  const int32 count = refCount.fetch_sub(1) - 1;
  if (count == 0)
  {
    refCount.store(-1000); // guards against a release from within the destructor
    delete this;
    return 0;
  }
  return static_cast<uint32>(count);
}

tresult PLUGIN_API FObject::queryInterface(const TUID _iid, void** obj)
{
  if (!obj)
    return kInvalidArgument;
  if (FUnknownPrivate::iidEqual(_iid, FUnknown::iid) ||
      FUnknownPrivate::iidEqual(_iid, IDependent::iid))
  {
    addRef();
    *obj = static_cast<IDependent*>(this);
    return kResultOk;
  }
  if (FUnknownPrivate::iidEqual(_iid, FObject::iid))
  {
    addRef();
    *obj = this;
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

void FObject::addDependent(IDependent* dep)
{
  if (IUpdateHandler* handler = gUpdateHandler.load())
    handler->addDependent(unknownCast(), dep);
}

void FObject::removeDependent(IDependent* dep)
{
  if (IUpdateHandler* handler = gUpdateHandler.load())
    handler->removeDependent(unknownCast(), dep);
}

void FObject::changed(int32 msg)
{
  if (IUpdateHandler* handler = gUpdateHandler.load())
    handler->triggerUpdates(unknownCast(), msg);
  else
    updateDone(msg);
}

void FObject::deferUpdate(int32 msg)
{
  if (IUpdateHandler* handler = gUpdateHandler.load())
    handler->deferUpdates(unknownCast(), msg);
  else
    updateDone(msg);
}

void FObject::setUpdateHandler(IUpdateHandler* handler)
{
  gUpdateHandler.store(handler);
}
IUpdateHandler* FObject::getUpdateHandler()
{
  return gUpdateHandler.load();
}

} // namespace Steinberg
