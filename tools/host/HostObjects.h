// Host-side objects handed to a plug-in: the application context, messages, attribute lists and
// the editor frame.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tools/host/RunLoop.h"
#include "vst3api/base/PlugView.h"
#include "vst3api/sdk/FObject.h"
#include "vst3api/vst/HostApplication.h"
#include "vst3api/vst/Messages.h"

namespace qhost {

class AttributeList : public Steinberg::FObject, public Steinberg::Vst::IAttributeList
{
public:
  Steinberg::tresult PLUGIN_API setInt(AttrID id, Steinberg::int64 value) override;
  Steinberg::tresult PLUGIN_API getInt(AttrID id, Steinberg::int64& value) override;
  Steinberg::tresult PLUGIN_API setFloat(AttrID id, double value) override;
  Steinberg::tresult PLUGIN_API getFloat(AttrID id, double& value) override;
  Steinberg::tresult PLUGIN_API setString(AttrID id, const Steinberg::Vst::TChar* string) override;
  // Copies min(stored bytes including the terminator, sizeInBytes), like common hosts.
  Steinberg::tresult PLUGIN_API getString(AttrID id, Steinberg::Vst::TChar* string,
                                          Steinberg::uint32 sizeInBytes) override;
  Steinberg::tresult PLUGIN_API setBinary(AttrID id, const void* data,
                                          Steinberg::uint32 sizeInBytes) override;
  Steinberg::tresult PLUGIN_API getBinary(AttrID id, const void*& data,
                                          Steinberg::uint32& sizeInBytes) override;

  DEFINE_INTERFACES
  DEF_INTERFACE(Steinberg::Vst::IAttributeList)
  END_DEFINE_INTERFACES(Steinberg::FObject)
  REFCOUNT_METHODS(Steinberg::FObject)

private:
  std::map<std::string, Steinberg::int64> ints;
  std::map<std::string, double> floats;
  std::map<std::string, std::u16string> strings;
  std::map<std::string, std::vector<char>> binaries;
};

class Message : public Steinberg::FObject, public Steinberg::Vst::IMessage
{
public:
  Message();
  ~Message() override;
  Steinberg::FIDString PLUGIN_API getMessageID() override { return id.c_str(); }
  void PLUGIN_API setMessageID(Steinberg::FIDString newId) override { id = newId ? newId : ""; }
  Steinberg::Vst::IAttributeList* PLUGIN_API getAttributes() override { return attributes; }

  DEFINE_INTERFACES
  DEF_INTERFACE(Steinberg::Vst::IMessage)
  END_DEFINE_INTERFACES(Steinberg::FObject)
  REFCOUNT_METHODS(Steinberg::FObject)

private:
  std::string id;
  AttributeList* attributes;
};

// The context given to IPluginBase::initialize and IPluginFactory3::setHostContext. On Linux it
// also answers IRunLoop, as hosts do, so the plug-in can drive its timers from the UI thread.
class HostApplication : public Steinberg::FObject,
                        public Steinberg::Vst::IHostApplication,
                        public Steinberg::Vst::IPlugInterfaceSupport
{
public:
  explicit HostApplication(std::u16string name = u"Quellor Test Host", bool offerRunLoop = true);
  ~HostApplication() override;

  Steinberg::tresult PLUGIN_API getName(Steinberg::Vst::String128 name) override;
  Steinberg::tresult PLUGIN_API createInstance(Steinberg::TUID cid, Steinberg::TUID _iid,
                                               void** obj) override;
  Steinberg::tresult PLUGIN_API isPlugInterfaceSupported(const Steinberg::TUID _iid) override;
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID _iid, void** obj) override;
  REFCOUNT_METHODS(Steinberg::FObject)

  RunLoop* runLoop() const { return loop; }

private:
  std::u16string appName;
  RunLoop* loop;
  bool offerLoop;
};

// The editor's frame: answers resizeView by resizing the view (after onResize, where set, has
// resized the host's window), and offers the run loop on Linux.
class PlugFrame : public Steinberg::FObject, public Steinberg::IPlugFrame
{
public:
  explicit PlugFrame(RunLoop* runLoop) : loop(runLoop) {}

  Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view,
                                           Steinberg::ViewRect* newSize) override;
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID _iid, void** obj) override;
  REFCOUNT_METHODS(Steinberg::FObject)

  int resizeCount = 0;
  Steinberg::ViewRect lastSize;
  std::function<void(const Steinberg::ViewRect&)> onResize;

private:
  Steinberg::IPtr<RunLoop> loop;
};

} // namespace qhost
