#include "tools/host/ProcessObjects.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace qhost {

tresult PLUGIN_API ParamValueQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value)
{
  if (index < 0 || index >= getPointCount())
    return kResultFalse;
  sampleOffset = points[static_cast<size_t>(index)].offset;
  value = points[static_cast<size_t>(index)].value;
  return kResultTrue;
}

tresult PLUGIN_API ParamValueQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index)
{
  size_t pos = 0;
  while (pos < points.size() && points[pos].offset < sampleOffset)
    ++pos;
  if (pos < points.size() && points[pos].offset == sampleOffset)
  {
    points[pos].value = value;
  }
  else
  {
    if (points.size() >= kMaxPoints)
      return kResultFalse;
    points.insert(points.begin() + static_cast<std::ptrdiff_t>(pos), Point{sampleOffset, value});
  }
  index = static_cast<int32>(pos);
  return kResultTrue;
}

ParameterChanges::ParameterChanges(size_t capacity)
{
  queues.reserve(capacity);
  for (size_t i = 0; i < capacity; ++i)
    queues.push_back(new ParamValueQueue);
}

ParameterChanges::~ParameterChanges()
{
  for (ParamValueQueue* q : queues)
    q->release();
}

IParamValueQueue* PLUGIN_API ParameterChanges::getParameterData(int32 index)
{
  if (index < 0 || static_cast<size_t>(index) >= used)
    return nullptr;
  return queues[static_cast<size_t>(index)];
}

IParamValueQueue* PLUGIN_API ParameterChanges::addParameterData(const ParamID& id, int32& index)
{
  for (size_t i = 0; i < used; ++i)
  {
    if (queues[i]->getParameterId() == id)
    {
      index = static_cast<int32>(i);
      return queues[i];
    }
  }
  if (used >= queues.size())
    return nullptr;
  queues[used]->reset(id);
  index = static_cast<int32>(used);
  return queues[used++];
}

bool ParameterChanges::add(ParamID id, int32 offset, ParamValue value)
{
  int32 index = 0;
  IParamValueQueue* q = addParameterData(id, index);
  return q && q->addPoint(offset, value, index) == kResultTrue;
}

tresult PLUGIN_API EventList::getEvent(int32 index, Event& e)
{
  if (index < 0 || index >= getEventCount())
    return kInvalidArgument;
  e = events[static_cast<size_t>(index)];
  return kResultTrue;
}

tresult PLUGIN_API EventList::addEvent(Event& e)
{
  if (events.size() >= events.capacity())
    return kOutOfMemory;
  events.push_back(e);
  return kResultTrue;
}

} // namespace qhost
