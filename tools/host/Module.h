// Loads a VST 3 bundle the way hosts do and hands out its factory.
#pragma once

#include <string>

#include "vst3api/ModuleEntry.h"

namespace qhost {

class Module
{
public:
  Module() = default;
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;
  ~Module() { unload(); }

  // The binary inside a bundle folder: Contents/x86_64-linux/<stem>.so or Contents/x86_64-win/<stem>.vst3.
  static std::string binaryPathOf(const std::string& bundlePath);

  // Loads the binary, checks the exports, runs the module entry and takes the factory.
  // On failure returns false with error() set and nothing left loaded.
  bool load(const std::string& bundlePath);
  // Releases the factory, runs the module exit and unloads the binary.
  void unload();

  bool isLoaded() const { return handle != nullptr; }
  Steinberg::IPluginFactory* factory() const { return pluginFactory; }
  const std::string& error() const { return lastError; }
  // Result of the module exit call made by the last unload().
  bool lastExitResult() const { return exitResult; }

  // Raw entry points, for tests that call them directly.
  Steinberg::GetFactoryProc getFactoryProc() const { return getFactory; }
  bool callEntry(); // InitDll / ModuleEntry(handle)
  bool callExit();  // ExitDll / ModuleExit

private:
  void* symbol(const char* name) const;
  void closeLibrary();

  void* handle = nullptr;
  Steinberg::IPluginFactory* pluginFactory = nullptr;
  Steinberg::GetFactoryProc getFactory = nullptr;
  void* entryProc = nullptr;
  void* exitProc = nullptr;
  bool exitResult = false;
  std::string lastError;
};

// The id of the factory's first audio effect class; false when it has none.
bool findAudioEffectClass(Steinberg::IPluginFactory* factory, Steinberg::TUID classId);

} // namespace qhost
