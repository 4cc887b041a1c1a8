// The host context handed to IPluginBase::initialize.
#pragma once

#include "vst3api/vst/VstTypes.h"

namespace Steinberg {
namespace Vst {

class IHostApplication : public FUnknown
{
public:
  virtual tresult PLUGIN_API getName(String128 name) = 0;
  // Pass IMessage's (or IAttributeList's) iid as both cid and _iid; the caller owns the result.
  virtual tresult PLUGIN_API createInstance(TUID cid, TUID _iid, void** obj) = 0;

  static constexpr FUID iid{0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5};
};

class IPlugInterfaceSupport : public FUnknown
{
public:
  virtual tresult PLUGIN_API isPlugInterfaceSupported(const TUID _iid) = 0;

  static constexpr FUID iid{0x4FB58B9E, 0x9EAA4E0F, 0xAB361C1C, 0xCCB56FEA};
};

} // namespace Vst
} // namespace Steinberg
