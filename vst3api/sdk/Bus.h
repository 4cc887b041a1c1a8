// Bus descriptions of a component: audio and event buses, kept in one list per type and direction.
#pragma once

#include <string>
#include <vector>

#include "vst3api/sdk/FObject.h"
#include "vst3api/vst/Component.h"
#include "vst3api/vst/Speakers.h"

namespace Steinberg {
namespace Vst {

class Bus : public FObject
{
public:
  Bus(const TChar* name, BusType busType, int32 flags);

  bool isActive() const { return active; }
  void setActive(bool state) { active = state; }
  const std::u16string& getName() const { return name; }
  void setName(const TChar* newName);
  BusType getBusType() const { return busType; }
  int32 getFlags() const { return flags; }

  // Zero-fills the name, copies at most 128 units (unterminated when exactly 128), sets type and flags.
  virtual bool getInfo(BusInfo& info);

  OBJ_METHODS(Vst::Bus, FObject)

protected:
  std::u16string name;
  BusType busType;
  int32 flags;
  bool active = false; // kDefaultActive is only reported; the host activates buses
};

class AudioBus : public Bus
{
public:
  AudioBus(const TChar* name, BusType busType, int32 flags, SpeakerArrangement arr);

  SpeakerArrangement getArrangement() const { return speakerArr; }
  void setArrangement(SpeakerArrangement arr) { speakerArr = arr; }
  bool getInfo(BusInfo& info) override;

  OBJ_METHODS(Vst::AudioBus, Bus)

protected:
  SpeakerArrangement speakerArr;
};

class EventBus : public Bus
{
public:
  EventBus(const TChar* name, BusType busType, int32 flags, int32 channelCount);

  bool getInfo(BusInfo& info) override;

  OBJ_METHODS(Vst::EventBus, Bus)

protected:
  int32 channelCount;
};

// The buses of one media type and direction; list order is the bus index.
class BusList : public FObject, public std::vector<IPtr<Bus>>
{
public:
  BusList(MediaType mediaType, BusDirection dir) : type(mediaType), direction(dir) {}

  MediaType getType() const { return type; }
  BusDirection getDirection() const { return direction; }
  // Takes over the caller's reference.
  Bus* append(Bus* bus);

  OBJ_METHODS(Vst::BusList, FObject)

protected:
  MediaType type;
  BusDirection direction;
};

} // namespace Vst
} // namespace Steinberg
