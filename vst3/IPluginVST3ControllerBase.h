#pragma once
// Plain data of the controller half: where parameters are registered, the bypass parameter
// and the host's track information; plus the registration of parameters and units.

#include <string>

#include "plugin/IPluginAPIBase.h"
#include "vst3/IPluginVST3Parameter.h"
#include "vst3api/sdk/EditController.h"

namespace plugfw {

// Name of MIDI controller n (0..127).
const char* GetMidiCCName(int n, char (&buf)[16]);

class IPluginVST3ControllerBase
{
public:
  IPluginVST3ControllerBase() = default;

  // Registers the bypass parameter (not for instruments), the root unit, one unit per parameter
  // group and one parameter object per IParam; with MIDI input also the controller parameters.
  void Initialize(IPluginAPIBase& plug, Steinberg::Vst::EditControllerEx1& controller,
                  Steinberg::Vst::ParameterContainer& parameters, bool plugIsInstrument,
                  bool midiIn); // [UI thread]

  // Hands every registered parameter object its parameter's value, and the bypass object `bypass`.
  void UpdateControllerValues(IPluginAPIBase& plug, Steinberg::Vst::ParameterContainer& parameters,
                              bool bypass); // [UI thread]

  // Reads the host's track information; absent attributes keep their values.
  void SetChannelContextInfos(Steinberg::Vst::IAttributeList* list); // [UI thread]

  IPluginVST3BypassParameter* GetBypassParameter() const { return mBypassParameter; }

protected:
  Steinberg::Vst::ParameterContainer* mParameters = nullptr;
  IPluginVST3BypassParameter* mBypassParameter = nullptr; // owned by the container
  std::string mChannelName;
  std::string mChannelUID;
  std::string mChannelNamespace;
  int mChannelNamespaceIndex = 0;
  int mChannelIndex = 0;
  unsigned mChannelColor = 0;
};

} // namespace plugfw
