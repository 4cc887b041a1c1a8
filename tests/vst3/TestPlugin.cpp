#include "tests/vst3/TestPlugin.h"
#include "QuellorVersion.h"

#include "vst3/VST3Factory.h"

namespace plugfw {

const VST3ClassDescription& GetVST3ClassDescription()
{
  static const VST3ClassDescription d = [] {
    VST3ClassDescription x;
    x.vendor = "Vantu";
    x.url = "https://example.invalid";
    x.email = "info@example.invalid";
    x.name = "TestPlug";
    x.subCategories = "Fx|Restoration";
    x.version = quellor::kVersionString;
    x.sdkVersion = "VST 3.8.1";
    x.mfrID = FourCC("VanU");
    x.uniqueID = FourCC("Qlrx");
    x.create = []() -> IPluginVST3* { return new TestPlug(); };
    return x;
  }();
  return d;
}

} // namespace plugfw
