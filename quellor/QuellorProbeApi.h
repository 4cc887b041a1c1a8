#pragma once
// A read-only window on the running engine for our own tools: channel 0's notch table and
// spectrum and the active-notch count, as last published to the editor. Hosts never ask for it; our
// render tool and the module tests reach it through queryInterface on the plug-in object.
// Only plain 32-bit fields cross the module boundary, so any build of the tools can read any
// build of the module.

#include "vst3api/base/FUnknown.h"

namespace quellor {

struct ProbedNotch
{
  Steinberg::int32 active = 0; // 1 while the slot's filter runs
  Steinberg::int32 manual = 0; // 1 for a notch placed by hand
  float frequency = 0.0f;      // Hz
  float targetDepth = 0.0f;    // dB; 0 once an automatic notch is released
  float width = 0.0f;          // Q before the master width factor
};
static_assert(sizeof(ProbedNotch) == 20, "plain layout");

class IQuellorProbe : public Steinberg::FUnknown
{
public:
  // Copies up to maxSlots slots (20 at most) into slots and returns how many were copied; 0 before
  // the first publication or when slots is null. Not for the audio thread.
  virtual Steinberg::int32 PLUGIN_API getNotchSlots(ProbedNotch* slots,
                                                    Steinberg::int32 maxSlots) = 0;
  // The active-notch count of the last processed block, summed over the channels.
  virtual Steinberg::int32 PLUGIN_API getActiveNotchCount() = 0;
  // Copies up to maxValues linear magnitudes of channel 0's last published spectrum and gives the
  // Hz per value; returns the full number of values (which may exceed maxValues; values may then
  // be null to ask for the size). Not for the audio thread.
  virtual Steinberg::int32 PLUGIN_API getSpectrum(float* values, Steinberg::int32 maxValues,
                                                  float* binWidth) = 0;

  static constexpr Steinberg::FUID iid{0x7B3C1E52, 0x94D04A6F, 0xA1E2C3D4, 0x5F60718A};
};

} // namespace quellor
