#pragma once
// The audio processor quellor-render runs sound through (offline, block by block): prepare,
// parameters by index, block processing, latency, and the notch table, the active-notch count and
// channel 0's spectrum. The module implementation (the default) drives the built plug-in through
// its host interfaces; the linked one drives the engine directly.

#include <memory>
#include <string>
#include <vector>

class Quellor;

struct NotchView
{
  bool active = false;
  bool manual = false;
  float frequency = 0.0f;
  float targetDepth = 0.0f;
  float width = 0.0f;
};

class OfflineProcessor
{
public:
  virtual ~OfflineProcessor() = default;

  virtual bool Prepare(double sampleRate, int maxBlockSize, int channels) = 0;

  virtual int ParameterCount() const = 0;
  virtual std::string ParameterName(int index) const = 0;
  virtual bool ParameterIsSwitch(int index) const = 0;
  virtual double ParameterMin(int index) const = 0;
  virtual double ParameterMax(int index) const = 0;
  virtual double GetParameter(int index) const = 0;
  virtual void SetParameter(int index, double plainValue) = 0;
  virtual std::string FormatParameter(int index) const = 0;

  // inputs and outputs: one pointer per channel; may alias.
  virtual void Process(double** inputs, double** outputs, int frames) = 0;
  virtual int Latency() const = 0;

  // Observations after the last block; false when unavailable.
  virtual bool ReadNotches(std::vector<NotchView>& slots) = 0;
  virtual bool ReadActiveNotchCount(int& count) = 0;
  virtual bool ReadSpectrum(std::vector<float>& magnitudes, float& binWidth) = 0;

  // The plug-in object itself when it lives in this process (the linked engine), else null.
  virtual Quellor* Plugin() { return nullptr; }
};

// The engine linked into the tool.
std::unique_ptr<OfflineProcessor> MakeLinkedProcessor();
// The plug-in in a built Quellor.vst3 bundle, driven through its VST 3 interfaces; null with a
// message when the bundle cannot be loaded.
std::unique_ptr<OfflineProcessor> MakeModuleProcessor(const std::string& bundlePath,
                                                      std::string& error);
