// Change notification between objects inside a module.
#pragma once

#include "vst3api/base/FUnknown.h"

namespace Steinberg {

class IDependent : public FUnknown
{
public:
  virtual void PLUGIN_API update(FUnknown* changedUnknown, int32 message) = 0;

  enum ChangeMessage
  {
    kWillChange,
    kChanged,
    kDestroyed,
    kWillDestroy,
    kStdChangeMessageLast = kWillDestroy
  };

  static constexpr FUID iid{0xF52B7AAE, 0xDE72416D, 0x8AF18ACE, 0x9DD7BD5E};
};

class IUpdateHandler : public FUnknown
{
public:
  virtual tresult PLUGIN_API addDependent(FUnknown* object, IDependent* dependent) = 0;
  virtual tresult PLUGIN_API removeDependent(FUnknown* object, IDependent* dependent) = 0;
  virtual tresult PLUGIN_API triggerUpdates(FUnknown* object, int32 message) = 0;
  virtual tresult PLUGIN_API deferUpdates(FUnknown* object, int32 message) = 0;

  static constexpr FUID iid{0xF5246D56, 0x86544D60, 0xB026AFB5, 0x7B697B37};
};

} // namespace Steinberg
