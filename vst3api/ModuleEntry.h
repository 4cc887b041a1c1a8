// Entry points a VST 3 module exports, and the function types a host looks up.
#pragma once

#include "vst3api/base/PluginBase.h"

namespace Steinberg {

using GetFactoryProc = IPluginFactory*(PLUGIN_API*)();
#if SMTG_OS_WINDOWS
using InitModuleProc = bool (*)(); // InitDll
using ExitModuleProc = bool (*)(); // ExitDll
#else
using ModuleEntryProc = bool (*)(void* sharedLibraryHandle);
using ModuleExitProc = bool (*)();
#endif

} // namespace Steinberg
