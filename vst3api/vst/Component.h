// IComponent: the processing half's host-facing object, with its bus descriptions.
#pragma once

#include "vst3api/base/PluginBase.h"
#include "vst3api/base/Stream.h"
#include "vst3api/vst/VstTypes.h"

namespace Steinberg {
namespace Vst {

enum MediaTypes
{
  kAudio = 0,
  kEvent,
  kNumMediaTypes
};
enum BusDirections
{
  kInput = 0,
  kOutput
};
enum BusTypes
{
  kMain = 0,
  kAux
};
enum IoModes
{
  kSimple = 0,
  kAdvanced,
  kOfflineProcessing
};

struct BusInfo
{
  MediaType mediaType;
  BusDirection direction;
  int32 channelCount;
  String128 name;
  BusType busType;
  uint32 flags;

  enum BusFlags : uint32
  {
    kDefaultActive = 1 << 0,
    kIsControlVoltage = 1 << 1
  };
};

struct RoutingInfo
{
  MediaType mediaType;
  int32 busIndex;
  int32 channel; // -1 = all channels
};

class IComponent : public IPluginBase
{
public:
  virtual tresult PLUGIN_API getControllerClassId(TUID classId) = 0;
  virtual tresult PLUGIN_API setIoMode(IoMode mode) = 0;
  virtual int32 PLUGIN_API getBusCount(MediaType type, BusDirection dir) = 0;
  virtual tresult PLUGIN_API getBusInfo(MediaType type, BusDirection dir, int32 index,
                                        BusInfo& bus) = 0;
  virtual tresult PLUGIN_API getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) = 0;
  virtual tresult PLUGIN_API activateBus(MediaType type, BusDirection dir, int32 index,
                                         TBool state) = 0;
  virtual tresult PLUGIN_API setActive(TBool state) = 0;
  virtual tresult PLUGIN_API setState(IBStream* state) = 0;
  virtual tresult PLUGIN_API getState(IBStream* state) = 0;

  static constexpr FUID iid{0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802};
};

} // namespace Vst
} // namespace Steinberg
