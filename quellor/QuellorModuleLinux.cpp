// The module's Linux entry and exit points.

#include "vst3/VST3Factory.h"
#include "vst3api/ModuleExports.h"

extern "C" {

SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle)
{
  return plugfw::EnterModule(sharedLibraryHandle);
}

SMTG_EXPORT_SYMBOL bool ModuleExit()
{
  return plugfw::ExitModule();
}
}
