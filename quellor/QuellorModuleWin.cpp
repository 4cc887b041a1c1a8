// The module's Windows entry and exit points.

#include "vst3/VST3Factory.h"
#include "vst3api/ModuleExports.h"

#include <windows.h>

extern "C" {

SMTG_EXPORT_SYMBOL bool InitDll()
{
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&GetPluginFactory), &module);
  return plugfw::EnterModule(module);
}

SMTG_EXPORT_SYMBOL bool ExitDll()
{
  return plugfw::ExitModule();
}
}
