// Track (channel) information pushed by the host to the edit controller.
#pragma once

#include "vst3api/vst/Messages.h"

namespace Steinberg {
namespace Vst {
namespace ChannelContext {

class IInfoListener : public FUnknown
{
public:
  virtual tresult PLUGIN_API setChannelContextInfos(IAttributeList* list) = 0;

  static constexpr FUID iid{0x0F194781, 0x8D984ADA, 0xBBA0C1EF, 0xC011D8D0};
};

static constexpr CString kChannelUIDKey = "channel uid";
static constexpr CString kChannelUIDLengthKey = "channel uid length";
static constexpr CString kChannelRuntimeIDKey = "channel runtime id";
static constexpr CString kChannelNameKey = "channel name";
static constexpr CString kChannelNameLengthKey = "channel name length";
static constexpr CString kChannelColorKey = "channel color";
static constexpr CString kChannelIndexKey = "channel index";
static constexpr CString kChannelIndexNamespaceOrderKey = "channel index namespace order";
static constexpr CString kChannelIndexNamespaceKey = "channel index namespace";
static constexpr CString kChannelIndexNamespaceLengthKey = "channel index namespace length";
static constexpr CString kChannelImageKey = "channel image";
static constexpr CString kChannelPluginLocationKey = "channel plugin location";

enum ChannelPluginLocation
{
  kPreVolumeFader = 0,
  kPostVolumeFader,
  kUsedAsPanner
};

using ColorComponent = uint8;
using ColorSpec = uint32;

inline ColorComponent GetBlue(ColorSpec cs)
{
  return static_cast<ColorComponent>(cs & 0xFF);
}
inline ColorComponent GetGreen(ColorSpec cs)
{
  return static_cast<ColorComponent>((cs >> 8) & 0xFF);
}
inline ColorComponent GetRed(ColorSpec cs)
{
  return static_cast<ColorComponent>((cs >> 16) & 0xFF);
}
inline ColorComponent GetAlpha(ColorSpec cs)
{
  return static_cast<ColorComponent>((cs >> 24) & 0xFF);
}

} // namespace ChannelContext
} // namespace Vst
} // namespace Steinberg
