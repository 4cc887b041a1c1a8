#include "vst3api/sdk/Bus.h"

#include <algorithm>
#include <cstring>

#include "vst3api/sdk/StringConvert.h"

namespace Steinberg {
namespace Vst {

Bus::Bus(const TChar* busName, BusType type, int32 busFlags)
    : name(busName ? busName : u""), busType(type), flags(busFlags)
{}

void Bus::setName(const TChar* newName)
{
  name = newName ? newName : u"";
}

bool Bus::getInfo(BusInfo& info)
{
  std::memset(info.name, 0, sizeof(info.name));
  const size_t n = std::min<size_t>(name.size(), 128);
  std::copy_n(name.data(), n, info.name);
  info.busType = busType;
  info.flags = static_cast<uint32>(flags);
  return true;
}

AudioBus::AudioBus(const TChar* busName, BusType type, int32 busFlags, SpeakerArrangement arr)
    : Bus(busName, type, busFlags), speakerArr(arr)
{}

bool AudioBus::getInfo(BusInfo& info)
{
  info.channelCount = SpeakerArr::getChannelCount(speakerArr);
  return Bus::getInfo(info);
}

EventBus::EventBus(const TChar* busName, BusType type, int32 busFlags, int32 channels)
    : Bus(busName, type, busFlags), channelCount(channels)
{}

bool EventBus::getInfo(BusInfo& info)
{
  info.channelCount = channelCount;
  return Bus::getInfo(info);
}

Bus* BusList::append(Bus* bus)
{
  if (!bus)
    return nullptr;
  push_back(owned(bus));
  return bus;
}

} // namespace Vst
} // namespace Steinberg
