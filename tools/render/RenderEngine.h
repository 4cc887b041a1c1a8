#pragma once
// What quellor-render needs from the processor: prepare, parameters by index, block processing,
// latency, and (where the implementation can see them) the notch table, the active-notch count
// and channel 0's spectrum. The linked implementation drives the engine directly; a module
// implementation can drive the built plug-in through its host interfaces instead and report
// the observations it cannot make as unavailable.

#include <memory>
#include <string>
#include <vector>

struct NotchView {
    bool active = false;
    bool manual = false;
    float frequency = 0.0f;
    float targetDepth = 0.0f;
    float width = 0.0f;
};

class RenderEngine {
public:
    virtual ~RenderEngine() = default;

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
};

// The engine linked into the tool.
std::unique_ptr<RenderEngine> MakeLinkedEngine();
