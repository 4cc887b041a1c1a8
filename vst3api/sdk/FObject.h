// FObject: reference counting, interface queries and class-name queries for the helper classes.
#pragma once

#include <atomic>
#include <cstring>

#include "vst3api/base/UpdateHandler.h"

namespace Steinberg {

using FClassID = const char*;

class FObject : public IDependent
{
public:
  FObject() = default;
  FObject(const FObject&) : IDependent() {} // a copy is a new object with its own count of 1
  FObject& operator=(const FObject&) { return *this; }
  virtual ~FObject() = default;

  uint32 PLUGIN_API addRef() override;
  uint32 PLUGIN_API release() override;
  // Answers FUnknown, IDependent and FObject; the FUnknown pointer is this object's identity.
  tresult PLUGIN_API queryInterface(const TUID _iid, void** obj) override;
  void PLUGIN_API update(FUnknown* /*changedUnknown*/, int32 /*message*/) override {}

  // Class-name queries (see OBJ_METHODS).
  static FClassID getFClassID() { return "FObject"; }
  virtual FClassID isA() const { return FObject::getFClassID(); }
  virtual bool isA(FClassID s) const { return isTypeOf(s, false); }
  virtual bool isTypeOf(FClassID s, bool /*askBaseClass*/ = true) const
  {
    return classIDsEqual(s, getFClassID());
  }
  static bool classIDsEqual(FClassID a, FClassID b) { return a && b && std::strcmp(a, b) == 0; }

  int32 getRefCount() const { return refCount.load(); }
  FUnknown* unknownCast() { return static_cast<IDependent*>(this); }

  // Dependents are notified through the module's update handler; without one, changed() only
  // calls updateDone().
  void addDependent(IDependent* dep);
  void removeDependent(IDependent* dep);
  void changed(int32 msg = kChanged);
  void deferUpdate(int32 msg = kChanged);
  virtual void updateDone(int32 /*msg*/) {}

  static void setUpdateHandler(IUpdateHandler* handler);
  static IUpdateHandler* getUpdateHandler();

  // Random per module: only used to get the FObject back from an FUnknown inside this module.
  static const FUID iid;

private:
  std::atomic<int32> refCount{1};
};

// Returns the object when it is a C (by class name), else null.
template <class C>
C* FCast(const FObject* object)
{
  if (object && object->isTypeOf(C::getFClassID(), true))
    return static_cast<C*>(const_cast<FObject*>(object));
  return nullptr;
}

// Borrowed result: the reference taken by the query is dropped again.
template <class C>
C* FCast(FUnknown* unknown)
{
  if (!unknown)
    return nullptr;
  void* obj = nullptr;
  if (unknown->queryInterface(FObject::iid, &obj) != kResultOk || !obj)
    return nullptr;
  FObject* object = static_cast<FObject*>(obj);
  object->release();
  return FCast<C>(object);
}

} // namespace Steinberg

// Class-name queries for a class derived from FObject, spelled as written (e.g. Vst::AudioBus).
#define OBJ_METHODS(className, baseClass)                                                          \
  static Steinberg::FClassID getFClassID()                                                         \
  {                                                                                                \
    return #className;                                                                             \
  }                                                                                                \
  Steinberg::FClassID isA() const override                                                         \
  {                                                                                                \
    return className::getFClassID();                                                               \
  }                                                                                                \
  bool isA(Steinberg::FClassID s) const override                                                   \
  {                                                                                                \
    return isTypeOf(s, false);                                                                     \
  }                                                                                                \
  bool isTypeOf(Steinberg::FClassID s, bool askBaseClass = true) const override                    \
  {                                                                                                \
    return Steinberg::FObject::classIDsEqual(s, #className) ||                                     \
           (askBaseClass && baseClass::isTypeOf(s, true));                                         \
  }

// queryInterface built from a list: each listed interface is tested in order, then the base decides.
#define DEFINE_INTERFACES                                                                          \
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID _iid, void** obj) override    \
  {                                                                                                \
    if (!obj)                                                                                      \
      return Steinberg::kInvalidArgument;

#define DEF_INTERFACE(InterfaceName)                                                               \
  if (Steinberg::FUnknownPrivate::iidEqual(_iid, InterfaceName::iid))                              \
  {                                                                                                \
    addRef();                                                                                      \
    *obj = static_cast<InterfaceName*>(this);                                                      \
    return Steinberg::kResultOk;                                                                   \
  }

#define END_DEFINE_INTERFACES(BaseClass)                                                           \
  return BaseClass::queryInterface(_iid, obj);                                                     \
  }

#define REFCOUNT_METHODS(BaseClass)                                                                \
  Steinberg::uint32 PLUGIN_API addRef() override                                                   \
  {                                                                                                \
    return BaseClass::addRef();                                                                    \
  }                                                                                                \
  Steinberg::uint32 PLUGIN_API release() override                                                  \
  {                                                                                                \
    return BaseClass::release();                                                                   \
  }
