#include "quellor/Quellor.h"

#include <algorithm>
#include <cmath>

using Steinberg::int32;
using Steinberg::kInvalidArgument;
using Steinberg::kResultFalse;
using Steinberg::kResultOk;
using Steinberg::kResultTrue;
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
  if (obj != nullptr &&
      Steinberg::FUnknownPrivate::iidEqual(_iid, quellor::IQuellorEditorProbe::iid))
  {
    addRef();
    *obj = static_cast<quellor::IQuellorEditorProbe*>(&mEditorProbe);
    return kResultOk;
  }
  return plugfw::IPluginVST3::queryInterface(_iid, obj);
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

// The kinds cross the module boundary as plain numbers.
constexpr bool SameKind(quellor::ProbeNotchCommand probed, NotchCommandKind kind)
{
  return static_cast<int32>(probed) == static_cast<int32>(kind);
}
static_assert(SameKind(quellor::kProbeNotchAdd, kNotchAdd) &&
              SameKind(quellor::kProbeNotchSet, kNotchSet) &&
              SameKind(quellor::kProbeNotchSetWidth, kNotchSetWidth) &&
              SameKind(quellor::kProbeNotchClear, kNotchClear));

tresult PLUGIN_API Quellor::EditorProbe::pushNotchCommand(int32 kind, int32 slot, float a, float b,
                                                          float c)
{
  // Unknown kinds and slots are queued like the editor's own: the audio side ignores them.
  return mOwner.PushNotchCommand(kind, slot, a, b, c) ? kResultTrue : kResultFalse;
}

void PLUGIN_API Quellor::EditorProbe::getMeters(float* inputPeak, float* outputPeak)
{
  if (inputPeak != nullptr)
    *inputPeak = mOwner.InputPeak.Load();
  if (outputPeak != nullptr)
    *outputPeak = mOwner.OutputPeak.Load();
}

bool Quellor::EditorProbe::IsParameter(int32 index) const
{
  return index >= 0 && index < mOwner.NParams();
}

tresult PLUGIN_API Quellor::EditorProbe::beginParameterEdit(int32 index)
{
  if (!IsParameter(index))
    return kInvalidArgument;
  mOwner.BeginParameterChangeFromUI(index);
  return kResultOk;
}

tresult PLUGIN_API Quellor::EditorProbe::setParameterFromEditor(int32 index, double normalized)
{
  if (!IsParameter(index) || std::isnan(normalized))
    return kInvalidArgument;
  mOwner.SetParameterValueFromUI(index, normalized);
  return kResultOk;
}

tresult PLUGIN_API Quellor::EditorProbe::endParameterEdit(int32 index)
{
  if (!IsParameter(index))
    return kInvalidArgument;
  mOwner.EndParameterChangeFromUI(index);
  return kResultOk;
}
