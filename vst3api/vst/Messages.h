// Messages and attribute lists exchanged between the plug-in's parts and with the host.
#pragma once

#include "vst3api/vst/VstTypes.h"

namespace Steinberg {
namespace Vst {

class IAttributeList : public FUnknown
{
public:
  using AttrID = const char*;

  virtual tresult PLUGIN_API setInt(AttrID id, int64 value) = 0;
  virtual tresult PLUGIN_API getInt(AttrID id, int64& value) = 0;
  virtual tresult PLUGIN_API setFloat(AttrID id, double value) = 0;
  virtual tresult PLUGIN_API getFloat(AttrID id, double& value) = 0;
  virtual tresult PLUGIN_API setString(AttrID id, const TChar* string) = 0;
  // sizeInBytes counts bytes (characters x 2); a truncated result may be unterminated.
  virtual tresult PLUGIN_API getString(AttrID id, TChar* string, uint32 sizeInBytes) = 0;
  virtual tresult PLUGIN_API setBinary(AttrID id, const void* data, uint32 sizeInBytes) = 0;
  // Returns a pointer into the list's own memory.
  virtual tresult PLUGIN_API getBinary(AttrID id, const void*& data, uint32& sizeInBytes) = 0;

  static constexpr FUID iid{0x1E5F0AEB, 0xCC7F4533, 0xA2544011, 0x38AD5EE4};
};

class IMessage : public FUnknown
{
public:
  virtual FIDString PLUGIN_API getMessageID() = 0;
  virtual void PLUGIN_API setMessageID(FIDString id) = 0;
  // Borrowed pointer: neither side adds or drops a reference.
  virtual IAttributeList* PLUGIN_API getAttributes() = 0;

  static constexpr FUID iid{0x936F033B, 0xC6C047DB, 0xBB0882F8, 0x13C1E613};
};

class IConnectionPoint : public FUnknown
{
public:
  virtual tresult PLUGIN_API connect(IConnectionPoint* other) = 0;
  virtual tresult PLUGIN_API disconnect(IConnectionPoint* other) = 0;
  virtual tresult PLUGIN_API notify(IMessage* message) = 0;

  static constexpr FUID iid{0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1};
};

// May be offered by the stream given to setState/getState.
class IStreamAttributes : public FUnknown
{
public:
  virtual tresult PLUGIN_API getFileName(String128 name) = 0;
  virtual IAttributeList* PLUGIN_API getAttributes() = 0;

  static constexpr FUID iid{0xD6CE2FFC, 0xEFAF4B8C, 0x9E74F1BB, 0x12DA44B4};
};

} // namespace Vst
} // namespace Steinberg
