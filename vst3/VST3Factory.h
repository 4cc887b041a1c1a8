#pragma once
// The module's factory with its one class, the module entry counters and instance creation.

#include "plugin/Config.h"
#include "vst3api/base/PluginBase.h"

namespace plugfw {

class IPluginVST3;

// What the factory announces, supplied by the plug-in's module.
struct VST3ClassDescription
{
  const char* vendor = "";
  const char* url = "";
  const char* email = "";
  const char* name = "";
  const char* subCategories = "";
  const char* version = "";
  const char* sdkVersion = "";
  int mfrID = 0;    // four characters, first in the most significant byte
  int uniqueID = 0; // four characters, first in the most significant byte
  IPluginVST3* (*create)() = nullptr;
};

// Defined once per module: the description of its one plug-in class.
const VST3ClassDescription& GetVST3ClassDescription();

// Fixed prefix, then the manufacturer id, then the plug-in id, each first character first.
// Its text form is F2AEE70D00DE4F4E followed by the two ids in hex on every platform; on
// Windows the prefix bytes are 0D E7 AE F2 DE 00 4E 4F (the in-memory GUID layout).
void MakeVST3ClassID(int mfrID, int uniqueID, Steinberg::TUID out);

// The factory: created with one reference on the first call, one more reference per later call.
Steinberg::IPluginFactory* GetVST3PluginFactory();

// Module entry counters. Enter: always true. Exit: true while the count stays >= 0.
bool EnterModule(void* moduleHandle);
bool ExitModule();
int ModuleEntryCount();
void* GetModuleHandle();

// Creates one plug-in object under the process-wide creation lock; returns its audio-processor
// interface carrying one reference, or null.
Steinberg::FUnknown* CreateVST3Instance(void* context);

} // namespace plugfw
