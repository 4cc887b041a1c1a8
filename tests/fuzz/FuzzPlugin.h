#pragma once
// The plug-in class linked into the fuzz target, driven through its VST 3 interfaces with our
// host's context and component handler, the way a host drives the built module.

#include <array>
#include <vector>

#include "quellor/Quellor.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tools/host/ComponentHandler.h"
#include "tools/host/HostObjects.h"

namespace fuzz {

class PluginUnderTest
{
public:
  // Creates and initialises the plug-in and gives it a component handler.
  explicit PluginUnderTest(const char16_t* hostName = u"Quellor Fuzz Host");
  ~PluginUnderTest();
  PluginUnderTest(const PluginUnderTest&) = delete;
  PluginUnderTest& operator=(const PluginUnderTest&) = delete;

  // Arrangement, bus activation, setup and start, as hosts begin.
  bool prepare(double rate, Steinberg::int32 maxBlock, Steinberg::int32 sampleSize,
               Steinberg::Vst::SpeakerArrangement arrangement);

  // The process call, counted as audio-thread work; fails the run if it allocated, answered
  // anything but success, or asked the host for a restart from inside the call.
  Steinberg::tresult process(Steinberg::Vst::ProcessData& data);

  // Every notch filter of every channel within its limits: depths and targets in [-40, 0] dB,
  // active filters at a finite frequency with a finite positive width; the meters finite.
  void checkEngine() const;

  // After a block the engine really processed: the reported latency is what the parameters
  // imply.
  void checkLatency() const;

  double plain(int index) const { return plug->GetParam(index)->GetValue(); }

  // Every channel's notch filters, to compare across an engine reset.
  using Banks = std::vector<std::array<NotchFilter, NotchChannel::kFilterCount>>;
  Banks banks() const;
  // After a reset: what the bank held before stays where it cut and was manual (or automatic
  // with Hold on) and lies within the rate's ceiling, with age 0 and its filter state zeroed;
  // every other slot is free. A channel the reset added has the last channel's.
  void checkKeptThroughReset(const Banks& before) const;

  Quellor* plug = nullptr;
  Steinberg::Vst::IComponent* component = nullptr;
  Steinberg::Vst::IAudioProcessor* processor = nullptr;
  Steinberg::Vst::IEditController* controller = nullptr;
  Steinberg::IPtr<qhost::HostApplication> host;
  Steinberg::IPtr<qhost::ComponentHandler> handler;
  double setupRate = 0.0; // rate of the last accepted setup, 0 before
};

} // namespace fuzz
