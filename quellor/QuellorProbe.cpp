#include "quellor/Quellor.h"

#include <algorithm>

using Steinberg::int32;
using Steinberg::kResultOk;
using Steinberg::tresult;
using Steinberg::TUID;
using Steinberg::uint32;

tresult PLUGIN_API Quellor::queryInterface(const TUID _iid, void** obj)
{
  if (obj != nullptr && Steinberg::FUnknownPrivate::iidEqual(_iid, quellor::IQuellorProbe::iid))
  {
    addRef();
    *obj = static_cast<quellor::IQuellorProbe*>(&mProbe);
    return kResultOk;
  }
  return plugfw::IPluginVST3::queryInterface(_iid, obj);
}

tresult PLUGIN_API Quellor::Probe::queryInterface(const TUID _iid, void** obj)
{
  return mOwner.queryInterface(_iid, obj);
}

uint32 PLUGIN_API Quellor::Probe::addRef()
{
  return mOwner.addRef();
}

uint32 PLUGIN_API Quellor::Probe::release()
{
  return mOwner.release();
}

int32 PLUGIN_API Quellor::Probe::getNotchSlots(quellor::ProbedNotch* slots, int32 maxSlots)
{
  if (slots == nullptr || maxSlots <= 0)
    return 0;
  SnapshotData copy;
  mOwner.CopySnapshot(copy);
  const int32 n = std::min(maxSlots, static_cast<int32>(copy.slots.size()));
  for (int32 i = 0; i < n; ++i)
  {
    const NotchSlot& s = copy.slots[static_cast<size_t>(i)];
    slots[i] = {s.active ? 1 : 0, s.manual ? 1 : 0, s.frequency, s.targetDepth, s.width};
  }
  return n;
}

int32 PLUGIN_API Quellor::Probe::getActiveNotchCount()
{
  return mOwner.ActiveNotchCount.load(std::memory_order_relaxed);
}

int32 PLUGIN_API Quellor::Probe::getSpectrum(float* values, int32 maxValues, float* binWidth)
{
  SnapshotData copy;
  mOwner.CopySnapshot(copy);
  if (binWidth != nullptr)
    *binWidth = copy.binWidth;
  const int32 total = static_cast<int32>(copy.spectrum.size());
  if (values != nullptr && maxValues > 0)
    std::copy_n(copy.spectrum.begin(), std::min(maxValues, total), values);
  return total;
}
