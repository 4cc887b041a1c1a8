#include "vst3api/sdk/UpdateHandler.h"

#include <algorithm>

namespace Steinberg {

UpdateHandler* UpdateHandler::instance()
{
  // Lives for the module's lifetime; never released to zero.
  static UpdateHandler handler;
  return &handler;
}

UpdateHandler::UpdateHandler()
{
  if (!FObject::getUpdateHandler())
    FObject::setUpdateHandler(this);
}

UpdateHandler::~UpdateHandler()
{
  if (FObject::getUpdateHandler() == this)
    FObject::setUpdateHandler(nullptr);
  for (const Deferred& d : deferred)
    d.object->release();
}

// Keys are the objects' FUnknown identity, so any interface pointer of the same object matches.
FUnknown* UpdateHandler::identity(FUnknown* object)
{
  if (!object)
    return nullptr;
  void* obj = nullptr;
  if (object->queryInterface(FUnknown::iid, &obj) == kResultOk && obj)
  {
    auto* unknown = static_cast<FUnknown*>(obj);
    unknown->release();
    return unknown;
  }
  return object;
}

tresult PLUGIN_API UpdateHandler::addDependent(FUnknown* object, IDependent* dependent)
{
  if (!object || !dependent)
    return kInvalidArgument;
  FUnknown* key = identity(object);
  std::lock_guard<std::mutex> guard(lock);
  auto& list = table[key];
  if (std::find(list.begin(), list.end(), dependent) == list.end())
    list.push_back(dependent);
  return kResultTrue;
}

tresult PLUGIN_API UpdateHandler::removeDependent(FUnknown* object, IDependent* dependent)
{
  if (!object)
    return kInvalidArgument;
  FUnknown* key = identity(object);
  std::lock_guard<std::mutex> guard(lock);
  auto it = table.find(key);
  if (it == table.end())
    return kResultFalse;
  if (dependent)
    it->second.erase(std::remove(it->second.begin(), it->second.end(), dependent),
                     it->second.end());
  else
    it->second.clear();
  if (it->second.empty())
    table.erase(it);
  return kResultTrue;
}

tresult PLUGIN_API UpdateHandler::triggerUpdates(FUnknown* object, int32 message)
{
  if (!object)
    return kInvalidArgument;
  FUnknown* key = identity(object);
  std::vector<IDependent*> dependents;
  {
    std::lock_guard<std::mutex> guard(lock);
    auto it = table.find(key);
    if (it != table.end())
      dependents = it->second;
  }
  // Called without the lock so that a dependent may add or remove dependents.
  for (IDependent* d : dependents)
    d->update(object, message);
  if (FObject* sender = FCast<FObject>(object))
    sender->updateDone(message);
  return kResultTrue;
}

tresult PLUGIN_API UpdateHandler::deferUpdates(FUnknown* object, int32 message)
{
  if (!object)
    return kInvalidArgument;
  std::lock_guard<std::mutex> guard(lock);
  for (const Deferred& d : deferred)
    if (d.object == object && d.message == message)
      return kResultTrue; // already queued
  object->addRef();
  deferred.push_back({object, message});
  return kResultTrue;
}

void UpdateHandler::triggerDeferedUpdates(FUnknown* object)
{
  std::vector<Deferred> due;
  {
    std::lock_guard<std::mutex> guard(lock);
    auto keep = deferred.begin();
    for (auto it = deferred.begin(); it != deferred.end(); ++it)
    {
      if (!object || it->object == object)
        due.push_back(*it);
      else
        *keep++ = *it;
    }
    deferred.erase(keep, deferred.end());
  }
  for (const Deferred& d : due)
  {
    triggerUpdates(d.object, d.message);
    d.object->release();
  }
}

size_t UpdateHandler::dependentCount(FUnknown* object)
{
  FUnknown* key = identity(object);
  std::lock_guard<std::mutex> guard(lock);
  auto it = table.find(key);
  return it == table.end() ? 0 : it->second.size();
}

} // namespace Steinberg
