// Per-block host objects: parameter change queues and event lists. Storage is reserved up front
// so that filling them between blocks does not allocate in steady use.
#pragma once

#include <vector>

#include "vst3api/sdk/FObject.h"
#include "vst3api/vst/Events.h"
#include "vst3api/vst/ParameterChanges.h"

namespace qhost {

class ParamValueQueue : public Steinberg::FObject, public Steinberg::Vst::IParamValueQueue
{
public:
  explicit ParamValueQueue(Steinberg::Vst::ParamID id = 0) : paramId(id)
  {
    points.reserve(kMaxPoints);
  }

  Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return paramId; }
  Steinberg::int32 PLUGIN_API getPointCount() override
  {
    return static_cast<Steinberg::int32>(points.size());
  }
  Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                         Steinberg::Vst::ParamValue& value) override;
  // Keeps points ordered by offset; a point at an existing offset replaces its value.
  Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32 sampleOffset,
                                         Steinberg::Vst::ParamValue value,
                                         Steinberg::int32& index) override;

  void reset(Steinberg::Vst::ParamID id)
  {
    paramId = id;
    points.clear();
  }

  DEFINE_INTERFACES
  DEF_INTERFACE(Steinberg::Vst::IParamValueQueue)
  END_DEFINE_INTERFACES(Steinberg::FObject)
  REFCOUNT_METHODS(Steinberg::FObject)

  static constexpr size_t kMaxPoints = 1024;

private:
  struct Point
  {
    Steinberg::int32 offset;
    Steinberg::Vst::ParamValue value;
  };
  Steinberg::Vst::ParamID paramId;
  std::vector<Point> points;
};

class ParameterChanges : public Steinberg::FObject, public Steinberg::Vst::IParameterChanges
{
public:
  explicit ParameterChanges(size_t capacity = 64);
  ~ParameterChanges() override;

  Steinberg::int32 PLUGIN_API getParameterCount() override
  {
    return static_cast<Steinberg::int32>(used);
  }
  Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override;
  // Returns the queue already holding this id, or a new one; null when full.
  Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID& id,
                                                                Steinberg::int32& index) override;

  // Convenience for tests and tools: one point for one parameter.
  bool add(Steinberg::Vst::ParamID id, Steinberg::int32 offset, Steinberg::Vst::ParamValue value);
  void clear() { used = 0; }

  DEFINE_INTERFACES
  DEF_INTERFACE(Steinberg::Vst::IParameterChanges)
  END_DEFINE_INTERFACES(Steinberg::FObject)
  REFCOUNT_METHODS(Steinberg::FObject)

private:
  std::vector<ParamValueQueue*> queues;
  size_t used = 0;
};

class EventList : public Steinberg::FObject, public Steinberg::Vst::IEventList
{
public:
  explicit EventList(size_t capacity = 512) { events.reserve(capacity); }

  Steinberg::int32 PLUGIN_API getEventCount() override
  {
    return static_cast<Steinberg::int32>(events.size());
  }
  Steinberg::tresult PLUGIN_API getEvent(Steinberg::int32 index, Steinberg::Vst::Event& e) override;
  Steinberg::tresult PLUGIN_API addEvent(Steinberg::Vst::Event& e) override;
  void clear() { events.clear(); }

  DEFINE_INTERFACES
  DEF_INTERFACE(Steinberg::Vst::IEventList)
  END_DEFINE_INTERFACES(Steinberg::FObject)
  REFCOUNT_METHODS(Steinberg::FObject)

private:
  std::vector<Steinberg::Vst::Event> events;
};

} // namespace qhost
