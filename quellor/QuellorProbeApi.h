#pragma once
// Windows on the running engine for our own tools. IQuellorProbe reads channel 0's notch table
// and spectrum and the active-notch count, as last published to the editor; IQuellorEditorProbe
// acts as the editor does. Hosts never ask for them; our render tool, the soak and the module
// tests reach them through queryInterface on the plug-in object. Only plain fields of fixed size
// cross the module boundary, so any build of the tools can use any build of the module.

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

// The notch command kinds pushNotchCommand takes, as the editor sends them.
enum ProbeNotchCommand : Steinberg::int32
{
  kProbeNotchAdd = 0,      // a = Hz, b = depth dB, c = Q; takes the first free slot
  kProbeNotchSet = 1,      // slot, a = Hz, b = depth dB; the slot becomes manual
  kProbeNotchSetWidth = 2, // slot, a = Q
  kProbeNotchClear = 3,    // slot; a manual notch is released like an automatic one
};

// The editor's side of the exchange for our own tools, so that they can act as the editor does
// from a thread of their own: notch edits, meters, parameter gestures. A separate interface (not
// methods added to the one above) so that a tool asking for it of an older module is refused
// instead of calling past its table. Everything here is for one editor thread, never the audio
// thread.
class IQuellorEditorProbe : public Steinberg::FUnknown
{
public:
  // Queues a notch command for the next processed block; kResultFalse when the queue is full and
  // the command was dropped. Values are clamped by the engine; commands with NaN change nothing.
  virtual Steinberg::tresult PLUGIN_API pushNotchCommand(Steinberg::int32 kind,
                                                         Steinberg::int32 slot, float a, float b,
                                                         float c) = 0;
  // The input and output peaks of the last processed block (linear); either pointer may be null.
  virtual void PLUGIN_API getMeters(float* inputPeak, float* outputPeak) = 0;
  // A parameter gesture as the editor's controls make it: begin, any number of values
  // (normalised), end. The host hears beginEdit/performEdit/endEdit through its component
  // handler. kInvalidArgument for an index that is not one of the plug-in's parameters or a
  // value that is not a number.
  virtual Steinberg::tresult PLUGIN_API beginParameterEdit(Steinberg::int32 index) = 0;
  virtual Steinberg::tresult PLUGIN_API setParameterFromEditor(Steinberg::int32 index,
                                                               double normalized) = 0;
  virtual Steinberg::tresult PLUGIN_API endParameterEdit(Steinberg::int32 index) = 0;

  static constexpr Steinberg::FUID iid{0x3D5E7A19, 0x62B84C0E, 0x9F1A2B3C, 0x4D5E6F70};
};

} // namespace quellor
