#include "tools/host/HostPlatform.h"

#include "vst3api/ModuleEntry.h"
#include "vst3api/sdk/StringConvert.h"

#include <windows.h>

namespace qhost::platform {

// Under Wine, a Linux absolute path is reachable through drive Z:.
std::string moduleBinaryPath(const std::string& root, const std::string& stem)
{
  std::string p = root + "/Contents/x86_64-win/" + stem + ".vst3";
  if (!p.empty() && p[0] == '/')
    p = "Z:" + p;
  for (char& c : p)
    if (c == '/')
      c = '\\';
  return p;
}

void* openLibrary(const std::string& binary, std::string& error)
{
  const std::u16string wide = Steinberg::Vst::StringConvert::convert(binary);
  void* handle = LoadLibraryW(reinterpret_cast<const wchar_t*>(wide.c_str()));
  if (!handle)
    error = "cannot load " + binary + " (error " + std::to_string(GetLastError()) + ")";
  return handle;
}

void* librarySymbol(void* handle, const char* name)
{
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void closeLibrary(void* handle)
{
  FreeLibrary(static_cast<HMODULE>(handle));
}

const char* const kEntryName = "InitDll";
const char* const kExitName = "ExitDll";
const bool kEntryAndExitRequired = false;

bool callEntry(void* entryProc, void*)
{
  return reinterpret_cast<Steinberg::InitModuleProc>(entryProc)();
}

bool callExit(void* exitProc)
{
  return reinterpret_cast<Steinberg::ExitModuleProc>(exitProc)();
}

const bool kHostsOfferRunLoop = false;

bool descriptorReadable(int)
{
  return false;
}

void dispatchWindowMessages()
{
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
  {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

} // namespace qhost::platform
