// Declarations of the exported entry points; included by the module that defines them.
#pragma once

#include "vst3api/ModuleEntry.h"

extern "C" {
SMTG_EXPORT_SYMBOL Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory();
#if SMTG_OS_WINDOWS
SMTG_EXPORT_SYMBOL bool InitDll();
SMTG_EXPORT_SYMBOL bool ExitDll();
#else
SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle);
SMTG_EXPORT_SYMBOL bool ModuleExit();
#endif
}
