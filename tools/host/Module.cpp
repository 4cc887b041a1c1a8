#include "tools/host/Module.h"

#include <cstring>

#include "vst3api/sdk/StringConvert.h"
#include "vst3api/vst/PlugTypes.h"

#if SMTG_OS_WINDOWS
#include <windows.h>
#else
#include <dlfcn.h>
#endif

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

#if SMTG_OS_WINDOWS
// Under Wine, a Linux absolute path is reachable through drive Z:.
std::string nativePath(const std::string& path)
{
  std::string p = path;
  if (!p.empty() && p[0] == '/')
    p = "Z:" + p;
  for (char& c : p)
    if (c == '/')
      c = '\\';
  return p;
}
#endif

} // namespace

std::string Module::binaryPathOf(const std::string& bundlePath)
{
  std::string root = bundlePath;
  while (!root.empty() && (root.back() == '/' || root.back() == '\\'))
    root.pop_back();
#if SMTG_OS_WINDOWS
  return nativePath(root + "/Contents/x86_64-win/" + stemOf(root) + ".vst3");
#else
  return root + "/Contents/x86_64-linux/" + stemOf(root) + ".so";
#endif
}

void* Module::symbol(const char* name) const
{
#if SMTG_OS_WINDOWS
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
#else
  return dlsym(handle, name);
#endif
}

void Module::closeLibrary()
{
  if (!handle)
    return;
#if SMTG_OS_WINDOWS
  FreeLibrary(static_cast<HMODULE>(handle));
#else
  dlclose(handle);
#endif
  handle = nullptr;
  getFactory = nullptr;
  entryProc = exitProc = nullptr;
}

bool Module::load(const std::string& bundlePath)
{
  unload();
  lastError.clear();
  const std::string binary = binaryPathOf(bundlePath);
#if SMTG_OS_WINDOWS
  const std::u16string wide = Steinberg::Vst::StringConvert::convert(binary);
  handle = LoadLibraryW(reinterpret_cast<const wchar_t*>(wide.c_str()));
  if (!handle)
  {
    lastError = "cannot load " + binary + " (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  getFactory = reinterpret_cast<Steinberg::GetFactoryProc>(symbol("GetPluginFactory"));
  entryProc = symbol("InitDll");
  exitProc = symbol("ExitDll");
  if (!getFactory)
  {
    lastError = "GetPluginFactory is not exported";
    closeLibrary();
    return false;
  }
#else
  int flags = RTLD_LAZY | RTLD_LOCAL;
#if defined(__SANITIZE_ADDRESS__)
  // LeakSanitizer's exit-time scan walks every thread's dynamic TLS; a bundle unloaded before
  // then (it has thread_local state) can leave that walk reading freed blocks and crash it.
  flags |= RTLD_NODELETE;
#endif
  handle = dlopen(binary.c_str(), flags);
  if (!handle)
  {
    const char* why = dlerror();
    lastError = "cannot load " + binary + ": " + (why ? why : "unknown error");
    return false;
  }
  getFactory = reinterpret_cast<Steinberg::GetFactoryProc>(symbol("GetPluginFactory"));
  entryProc = symbol("ModuleEntry");
  exitProc = symbol("ModuleExit");
  // Linux hosts require all three exports.
  if (!getFactory || !entryProc || !exitProc)
  {
    lastError = "GetPluginFactory, ModuleEntry or ModuleExit is not exported";
    closeLibrary();
    return false;
  }
#endif
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
#if SMTG_OS_WINDOWS
  return reinterpret_cast<Steinberg::InitModuleProc>(entryProc)();
#else
  return reinterpret_cast<Steinberg::ModuleEntryProc>(entryProc)(handle);
#endif
}

bool Module::callExit()
{
  if (!exitProc)
    return false;
#if SMTG_OS_WINDOWS
  return reinterpret_cast<Steinberg::ExitModuleProc>(exitProc)();
#else
  return reinterpret_cast<Steinberg::ModuleExitProc>(exitProc)();
#endif
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
