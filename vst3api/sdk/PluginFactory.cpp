#include "vst3api/sdk/PluginFactory.h"

#include <cstring>

namespace Steinberg {

CPluginFactory* gPluginFactory = nullptr;

CPluginFactory::CPluginFactory(const PFactoryInfo& info) : factoryInfo(info) {}

CPluginFactory::~CPluginFactory()
{
  if (gPluginFactory == this)
    gPluginFactory = nullptr;
  if (runLoop)
    runLoop->release();
}

bool CPluginFactory::registerClass(const PClassInfo* info, CreateFunction createFunc, void* context)
{
  if (!info || !createFunc)
    return false;
  PClassInfo2 info2;
  std::memcpy(static_cast<void*>(&info2), info, sizeof(PClassInfo));
  return registerClass(&info2, createFunc, context);
}

bool CPluginFactory::registerClass(const PClassInfo2* info, CreateFunction createFunc,
                                   void* context)
{
  if (!info || !createFunc)
    return false;
  ClassEntry e;
  e.info8 = *info;
  e.info16.fromAscii(*info);
  e.createFunc = createFunc;
  e.context = context;
  classes.push_back(e);
  return true;
}

bool CPluginFactory::registerClass(const PClassInfoW* info, CreateFunction createFunc,
                                   void* context)
{
  if (!info || !createFunc)
    return false;
  ClassEntry e;
  e.info16 = *info;
  e.isUnicode = true;
  e.createFunc = createFunc;
  e.context = context;
  classes.push_back(e);
  return true;
}

tresult PLUGIN_API CPluginFactory::queryInterface(const TUID _iid, void** obj)
{
  if (!obj)
    return kInvalidArgument;
  if (FUnknownPrivate::iidEqual(_iid, IPluginFactory::iid) ||
      FUnknownPrivate::iidEqual(_iid, IPluginFactory2::iid) ||
      FUnknownPrivate::iidEqual(_iid, IPluginFactory3::iid) ||
      FUnknownPrivate::iidEqual(_iid, FUnknown::iid))
  {
    addRef();
    *obj = static_cast<IPluginFactory3*>(this);
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

uint32 PLUGIN_API CPluginFactory::addRef()
{
  return static_cast<uint32>(refCount.fetch_add(1) + 1);
}

uint32 PLUGIN_API CPluginFactory::release()
{
  const int32 count = refCount.fetch_sub(1) - 1;
  if (count == 0)
  {
    delete this;
    return 0;
  }
  return static_cast<uint32>(count);
}

tresult PLUGIN_API CPluginFactory::getFactoryInfo(PFactoryInfo* info)
{
  if (info)
    *info = factoryInfo;
  return kResultOk;
}

int32 PLUGIN_API CPluginFactory::countClasses()
{
  return static_cast<int32>(classes.size());
}

const CPluginFactory::ClassEntry* CPluginFactory::entry(int32 index) const
{
  if (index < 0 || index >= static_cast<int32>(classes.size()))
    return nullptr;
  return &classes[static_cast<size_t>(index)];
}

tresult PLUGIN_API CPluginFactory::getClassInfo(int32 index, PClassInfo* info)
{
  const ClassEntry* e = entry(index);
  if (!info || !e)
    return kInvalidArgument;
  if (e->isUnicode)
  {
    info->clear();
    return kResultFalse;
  }
  std::memcpy(static_cast<void*>(info), &e->info8, sizeof(PClassInfo));
  return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfo2(int32 index, PClassInfo2* info)
{
  const ClassEntry* e = entry(index);
  if (!info || !e)
    return kInvalidArgument;
  if (e->isUnicode)
  {
    info->clear();
    return kResultFalse;
  }
  *info = e->info8;
  return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info)
{
  const ClassEntry* e = entry(index);
  if (!info || !e)
    return kInvalidArgument;
  *info = e->info16;
  return kResultOk;
}

tresult PLUGIN_API CPluginFactory::createInstance(FIDString cid, FIDString _iid, void** obj)
{
  if (!obj)
    return kInvalidArgument;
  *obj = nullptr;
  if (!cid || !_iid)
    return kNoInterface;
  for (const ClassEntry& e : classes)
  {
    if (std::memcmp(e.info16.cid, cid, sizeof(TUID)) != 0)
      continue;
    FUnknown* instance = e.createFunc(e.context);
    if (!instance)
      return kNoInterface;
    // The host gets the interface it asked for; the creation reference is dropped.
    const tresult result = instance->queryInterface(_iid, obj);
    instance->release();
    if (result != kResultOk || !*obj)
    {
      *obj = nullptr;
      return kNoInterface;
    }
    return kResultOk;
  }
  return kNoInterface;
}

tresult PLUGIN_API CPluginFactory::setHostContext(FUnknown* context)
{
#if SMTG_OS_LINUX
  Linux::IRunLoop* newLoop = nullptr;
  if (context)
  {
    void* obj = nullptr;
    if (context->queryInterface(Linux::IRunLoop::iid, &obj) == kResultOk)
      newLoop = static_cast<Linux::IRunLoop*>(obj);
  }
  if (runLoop)
    runLoop->release();
  runLoop = newLoop;
  return kResultTrue;
#else
  (void)context;
  return kNotImplemented;
#endif
}

} // namespace Steinberg
