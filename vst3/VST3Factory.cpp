#include "vst3/VST3Factory.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <new>

#include "vst3/IPluginVST3.h"
#include "vst3api/sdk/PluginFactory.h"
#include "vst3api/vst/PlugTypes.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace plugfw {

namespace {

std::mutex& CreationLock()
{
  static std::mutex lock;
  return lock;
}

std::mutex& FactoryLock()
{
  static std::mutex lock;
  return lock;
}

std::atomic<int> gModuleCount{0};
std::atomic<void*> gModuleHandle{nullptr};

const PClassInfo2& ClassInfo()
{
  // Built once per process, safe against concurrent first calls.
  static const PClassInfo2 info = [] {
    const VST3ClassDescription& d = GetVST3ClassDescription();
    TUID cid;
    MakeVST3ClassID(d.mfrID, d.uniqueID, cid);
    return PClassInfo2(cid, PClassInfo::kManyInstances, "Audio Module Class", d.name, 2,
                       d.subCategories, "", d.version, d.sdkVersion);
  }();
  return info;
}

} // namespace

void MakeVST3ClassID(int mfrID, int uniqueID, TUID out)
{
  // Built from four words, so the bytes follow the platform's id layout and the 32-digit text
  // that hosts and preset files keep is the same on every platform.
  const FUID cid(0xF2AEE70Du, 0x00DE4F4Eu, static_cast<uint32>(mfrID),
                 static_cast<uint32>(uniqueID));
  cid.toTUID(out);
}

FUnknown* CreateVST3Instance(void*)
{
  std::lock_guard<std::mutex> guard(CreationLock());
  const VST3ClassDescription& d = GetVST3ClassDescription();
  if (!d.create)
    return nullptr;
  IPluginVST3* plug = nullptr;
  try
  {
    plug = d.create();
  }
  catch (...)
  {
    return nullptr; // an exception never crosses into the host
  }
  if (!plug)
    return nullptr;
  return static_cast<IAudioProcessor*>(plug);
}

IPluginFactory* GetVST3PluginFactory()
{
  std::lock_guard<std::mutex> guard(FactoryLock());
  if (gPluginFactory)
  {
    gPluginFactory->addRef();
    return gPluginFactory;
  }
  const VST3ClassDescription& d = GetVST3ClassDescription();
  PFactoryInfo factoryInfo(d.vendor, d.url, d.email, PFactoryInfo::kUnicode);
  auto* factory = new (std::nothrow) CPluginFactory(factoryInfo);
  if (!factory)
    return nullptr;
  factory->registerClass(&ClassInfo(), &CreateVST3Instance);
  gPluginFactory = factory;
  return factory;
}

bool EnterModule(void* moduleHandle)
{
  if (gModuleCount.fetch_add(1) == 0)
    gModuleHandle.store(moduleHandle);
  return true;
}

bool ExitModule()
{
  int count = gModuleCount.load();
  while (count > 0 && !gModuleCount.compare_exchange_weak(count, count - 1))
  {}
  if (count <= 0)
    return false; // more exits than entries: the count stays at zero
  if (count == 1)
    gModuleHandle.store(nullptr);
  return true;
}

int ModuleEntryCount()
{
  return gModuleCount.load();
}
void* GetModuleHandle()
{
  return gModuleHandle.load();
}

} // namespace plugfw
