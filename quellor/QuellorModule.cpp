// The Quellor.vst3 module: its exported entry points and the description of its one class.

#include <type_traits>

#include "quellor/Quellor.h"
#include "QuellorVersion.h"
#include "vst3/IPluginVST3.h"
#include "vst3/VST3Factory.h"
#include "vst3api/ModuleExports.h"

namespace {

template <typename Plug>
plugfw::IPluginVST3* MakePlug()
{
  if constexpr (std::is_base_of_v<plugfw::IPluginVST3, Plug>)
    return new Plug();
  else
    return nullptr; // the plug-in class is not on the binding: the factory creates nothing
}

} // namespace

namespace plugfw {

const VST3ClassDescription& GetVST3ClassDescription()
{
  static const Config config = QuellorConfig();
  static const VST3ClassDescription d = [] {
    VST3ClassDescription x;
    x.vendor = config.mfrName;
    x.url = "https://vantu.audio";
    x.email = "support@vantu.audio";
    x.name = config.pluginName;
    x.subCategories = "Fx|Restoration";
    x.version = quellor::kVersionString;
    x.sdkVersion = "VST 3.8.1";
    x.mfrID = config.mfrID;
    x.uniqueID = config.uniqueID;
    x.create = &MakePlug<Quellor>;
    return x;
  }();
  return d;
}

} // namespace plugfw

extern "C" {

// The platform's entry and exit points are in QuellorModuleWin.cpp / QuellorModuleLinux.cpp.
SMTG_EXPORT_SYMBOL Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory()
{
  return plugfw::GetVST3PluginFactory();
}
}
