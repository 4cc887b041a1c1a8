#include "tools/host/Module.h"

#include <cstring>

#include "tools/host/HostPlatform.h"
#include "vst3api/vst/PlugTypes.h"

namespace qhost {
namespace {

std::string stemOf(const std::string& bundlePath)
{
  std::string path = bundlePath;
  while (!path.empty() && (path.back() == '/' || path.back() == '\\'))
    path.pop_back();
  const size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind(".vst3");
  if (dot != std::string::npos && dot + 5 == name.size())
    name.resize(dot);
  return name;
}

} // namespace

std::string Module::binaryPathOf(const std::string& bundlePath)
{
  std::string root = bundlePath;
  while (!root.empty() && (root.back() == '/' || root.back() == '\\'))
    root.pop_back();
  return platform::moduleBinaryPath(root, stemOf(root));
}

void* Module::symbol(const char* name) const
{
  return platform::librarySymbol(handle, name);
}

void Module::closeLibrary()
{
  if (!handle)
    return;
  platform::closeLibrary(handle);
  handle = nullptr;
  getFactory = nullptr;
  entryProc = exitProc = nullptr;
}

bool Module::load(const std::string& bundlePath)
{
  unload();
  lastError.clear();
  const std::string binary = binaryPathOf(bundlePath);
  handle = platform::openLibrary(binary, lastError);
  if (!handle)
    return false;
  getFactory = reinterpret_cast<Steinberg::GetFactoryProc>(symbol("GetPluginFactory"));
  entryProc = symbol(platform::kEntryName);
  exitProc = symbol(platform::kExitName);
  if (!getFactory || (platform::kEntryAndExitRequired && (!entryProc || !exitProc)))
  {
    lastError = platform::kEntryAndExitRequired
                    ? std::string("GetPluginFactory, ") + platform::kEntryName + " or " +
                          platform::kExitName + " is not exported"
                    : "GetPluginFactory is not exported";
    closeLibrary();
    return false;
  }
  if (entryProc && !callEntry())
  {
    lastError = "the module entry call failed";
    closeLibrary();
    return false;
  }
  pluginFactory = getFactory();
  if (!pluginFactory)
  {
    lastError = "GetPluginFactory returned no factory";
    if (exitProc)
      callExit();
    closeLibrary();
    return false;
  }
  return true;
}

void Module::unload()
{
  if (!handle)
    return;
  if (pluginFactory)
  {
    pluginFactory->release();
    pluginFactory = nullptr;
  }
  exitResult = exitProc ? callExit() : true;
  closeLibrary();
}

bool Module::callEntry()
{
  if (!entryProc)
    return false;
  return platform::callEntry(entryProc, handle);
}

bool Module::callExit()
{
  if (!exitProc)
    return false;
  return platform::callExit(exitProc);
}

bool findAudioEffectClass(Steinberg::IPluginFactory* factory, Steinberg::TUID classId)
{
  if (!factory)
    return false;
  for (Steinberg::int32 i = 0; i < factory->countClasses(); ++i)
  {
    Steinberg::PClassInfo c;
    if (factory->getClassInfo(i, &c) == Steinberg::kResultOk &&
        std::strcmp(c.category, Steinberg::Vst::kVstAudioEffectClass) == 0)
    {
      std::memcpy(classId, c.cid, sizeof(Steinberg::TUID));
      return true;
    }
  }
  return false;
}

} // namespace qhost
