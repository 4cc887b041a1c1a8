#pragma once
// A small plug-in on the binding: gain on every connected channel, and a latency it reports
// from its block processing (parameter 5).

#include <vector>

#include "vst3/IPluginVST3.h"

class TestPlug : public plugfw::IPluginVST3
{
public:
  enum
  {
    kGain = 0,
    kTrim,
    kHold,
    kMode,
    kLocked,
    kLatency,
    kNumParams
  };

  static plugfw::Config MakeConfig(bool hasUI = true, bool midiIn = false)
  {
    plugfw::Config c;
    c.nParams = kNumParams;
    c.nPresets = 1;
    c.channelIOStr = "1-1 2-2";
    c.pluginName = "TestPlug";
    c.productName = "TestPlug";
    c.mfrName = "Vantu";
    c.vendorVersion = 0x00010007;
    c.uniqueID = plugfw::FourCC("Qlrx");
    c.mfrID = plugfw::FourCC("VanU");
    c.plugDoesMidiIn = midiIn;
    c.plugHasUI = hasUI;
    c.plugWidth = 740;
    c.plugHeight = 726;
    c.plugMinWidth = 256;
    c.plugMaxWidth = 8192;
    c.plugMinHeight = 256;
    c.plugMaxHeight = 8192;
    return c;
  }

  explicit TestPlug(bool hasUI = true, bool midiIn = false) : IPluginVST3(MakeConfig(hasUI, midiIn))
  {
    GetParam(kGain)->DeclareDouble("Gain", 1.0, 0.0, 2.0, 0.01, "x");
    GetParam(kTrim)->DeclareDouble("Master Trim", 0.0, -24.0, 24.0, 0.1, "dB");
    GetParam(kHold)->DeclareBool("Hold");
    GetParam(kMode)->DeclareEnum("Mode", 1, 3, "", 0, "Detector", "slow", "mid", "fast");
    GetParam(kLocked)->DeclareDouble("Locked", 0.0, 0.0, 1.0, 0.5, "",
                                     plugfw::IParam::kFlagCannotAutomate, "Detector");
    GetParam(kLatency)->DeclareDouble("Latency", 0.0, 0.0, 64.0, 1.0, "smp", 0, "Other");
    MakeDefaultPreset();
  }

  void ProcessAudioBlock(double** inputs, double** outputs, int nFrames) override
  {
    ++blocks;
    frames.push_back(nFrames);
    connectedIn = NInChansConnected();
    const double g = GetParam(kGain)->GetValue();
    for (int c = 0; c < connectedIn; ++c)
      for (int i = 0; i < nFrames; ++i)
        outputs[c][i] = inputs[c][i] * g;
    const int lat = static_cast<int>(GetParam(kLatency)->GetValue());
    if (lat != GetLatency())
      ReportLatency(lat);
  }

  void ResetEngine() override
  {
    ++resets;
    ReportLatency(0);
  }

  void OnParamChange(int idx, plugfw::EParamSource src, int offset) override
  {
    if (src == plugfw::kHost)
      hostChanges.push_back({idx, offset});
  }

  int blocks = 0;
  int resets = 0;
  int connectedIn = -1;
  std::vector<int> frames;
  std::vector<std::pair<int, int>> hostChanges;
};
