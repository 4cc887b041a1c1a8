// The module's class factory: registered classes, their information records and instance creation.
#pragma once

#include <atomic>
#include <mutex>
#include <vector>

#include "vst3api/base/PlugView.h"
#include "vst3api/base/PluginBase.h"

namespace Steinberg {

class CPluginFactory : public IPluginFactory3
{
public:
  // Returns a new object carrying one reference, or null.
  using CreateFunction = FUnknown* (*)(void* context);

  explicit CPluginFactory(const PFactoryInfo& info);
  virtual ~CPluginFactory();

  // False for a null info or a null create function. 8-bit records are also kept widened to UTF-16.
  bool registerClass(const PClassInfo* info, CreateFunction createFunc, void* context = nullptr);
  bool registerClass(const PClassInfo2* info, CreateFunction createFunc, void* context = nullptr);
  bool registerClass(const PClassInfoW* info, CreateFunction createFunc, void* context = nullptr);

  tresult PLUGIN_API queryInterface(const TUID _iid, void** obj) override;
  uint32 PLUGIN_API addRef() override;
  uint32 PLUGIN_API release() override;

  tresult PLUGIN_API getFactoryInfo(PFactoryInfo* info) override;
  int32 PLUGIN_API countClasses() override;
  tresult PLUGIN_API getClassInfo(int32 index, PClassInfo* info) override;
  tresult PLUGIN_API createInstance(FIDString cid, FIDString _iid, void** obj) override;
  tresult PLUGIN_API getClassInfo2(int32 index, PClassInfo2* info) override;
  tresult PLUGIN_API getClassInfoUnicode(int32 index, PClassInfoW* info) override;
  // Linux: keeps the host's run loop when the context offers one (kResultTrue either way).
  // Windows: kNotImplemented.
  tresult PLUGIN_API setHostContext(FUnknown* context) override;

  // The run loop given through setHostContext (Linux), borrowed; null when none.
  Linux::IRunLoop* getRunLoop() const { return runLoop; }
  int32 getRefCount() const { return refCount.load(); }

private:
  struct ClassEntry
  {
    PClassInfo2 info8;
    PClassInfoW info16;
    bool isUnicode = false;
    CreateFunction createFunc = nullptr;
    void* context = nullptr;
  };

  const ClassEntry* entry(int32 index) const;

  std::atomic<int32> refCount{1};
  PFactoryInfo factoryInfo;
  std::vector<ClassEntry> classes;
  Linux::IRunLoop* runLoop = nullptr; // holds a reference while set
};

// The module's factory while it exists (cleared by the factory's destructor).
extern CPluginFactory* gPluginFactory;

} // namespace Steinberg
