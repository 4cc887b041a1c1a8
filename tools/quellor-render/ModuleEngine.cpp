// Drives the built Quellor.vst3 bundle as a host does: the module is loaded, the plug-in created
// and initialised with a host context, parameter settings are handed to the controller and sent
// with the next processed block, and audio goes through process() in 64 bit. The notch table and
// the spectrum come from the plug-in's own probe interface.

#include "quellor/QuellorProbeApi.h"
#include "tools/host/ComponentHandler.h"
#include "tools/host/HostObjects.h"
#include "tools/host/Module.h"
#include "tools/host/PluginInstance.h"
#include "tools/host/ProcessObjects.h"
#include "tools/quellor-render/OfflineProcessor.h"
#include "vst3api/sdk/StringConvert.h"

#include <memory>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

class ModuleEngine : public OfflineProcessor
{
public:
  ~ModuleEngine() override
  {
    if (mProbe != nullptr)
      mProbe->release();
    if (mStarted)
      mPlug.stop();
    mPlug.release();
    if (FUnknownPtr<IPluginFactory3> f3{mModule.factory()})
      f3->setHostContext(nullptr);
    mHandler = nullptr;
    mHost = nullptr;
    mModule.unload();
  }

  bool Open(const std::string& bundle, std::string& error)
  {
    if (!mModule.load(bundle))
    {
      error = mModule.error();
      return false;
    }
    IPluginFactory* factory = mModule.factory();
    mHost = owned(new qhost::HostApplication(u"quellor-render"));
    if (FUnknownPtr<IPluginFactory3> f3{factory})
      f3->setHostContext(mHost->unknownCast());
    TUID cid;
    if (!qhost::findAudioEffectClass(factory, cid))
    {
      error = "the module offers no audio effect class";
      return false;
    }
    if (!mPlug.create(factory, cid))
    {
      error = mPlug.error();
      return false;
    }
    if (mPlug.initialize(mHost->unknownCast()) != kResultOk || mPlug.controller() == nullptr)
    {
      error = "the plug-in did not initialise";
      return false;
    }
    mHandler = owned(new qhost::ComponentHandler);
    mPlug.controller()->setComponentHandler(mHandler);
    // The framework's bypass parameter is the host's business; the plug-in's own ten remain.
    for (const ParameterInfo& p : mPlug.parameters())
      if ((p.flags & ParameterInfo::kIsBypass) == 0)
        mParams.push_back(p);
    void* obj = nullptr;
    if (mPlug.component()->queryInterface(quellor::IQuellorProbe::iid, &obj) == kResultOk)
      mProbe = static_cast<quellor::IQuellorProbe*>(obj);
    return true;
  }

  bool Prepare(double sampleRate, int maxBlockSize, int channels) override
  {
    if (channels < 1 || channels > 2)
      return false;
    const SpeakerArrangement arr = channels == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo;
    if (mPlug.setBusArrangements(arr, arr) != kResultTrue)
      return false;
    mPlug.activateMainBuses();
    if (mPlug.setupProcessing(sampleRate, maxBlockSize, kSample64) != kResultOk)
      return false;
    mStarted = mPlug.start() == kResultOk;
    mChannelCount = channels;
    return mStarted;
  }

  int ParameterCount() const override { return static_cast<int>(mParams.size()); }
  std::string ParameterName(int i) const override
  {
    return Valid(i) ? StringConvert::convert(mParams[i].title, 128) : "";
  }
  bool ParameterIsSwitch(int i) const override { return Valid(i) && mParams[i].stepCount == 1; }
  double ParameterMin(int i) const override
  {
    return Valid(i) ? Controller()->normalizedParamToPlain(mParams[i].id, 0.0) : 0.0;
  }
  double ParameterMax(int i) const override
  {
    return Valid(i) ? Controller()->normalizedParamToPlain(mParams[i].id, 1.0) : 0.0;
  }
  double GetParameter(int i) const override
  {
    return Valid(i) ? Controller()->normalizedParamToPlain(
                          mParams[i].id, Controller()->getParamNormalized(mParams[i].id))
                    : 0.0;
  }
  void SetParameter(int i, double plainValue) override
  {
    if (!Valid(i))
      return;
    const ParamID id = mParams[i].id;
    const ParamValue normalized = Controller()->plainParamToNormalized(id, plainValue);
    Controller()->setParamNormalized(id, normalized);
    mPending.add(id, 0, normalized);
  }
  std::string FormatParameter(int i) const override
  {
    if (!Valid(i))
      return "";
    String128 text = {};
    const ParamID id = mParams[i].id;
    if (Controller()->getParamStringByValue(id, Controller()->getParamNormalized(id), text) !=
        kResultOk)
      return "";
    std::string out = StringConvert::convert(text, 128);
    const std::string units = StringConvert::convert(mParams[i].units, 128);
    if (!units.empty())
      out += " " + units;
    return out;
  }

  void Process(double** inputs, double** outputs, int frames) override
  {
    mPlug.process64(inputs, mChannelCount, outputs, mChannelCount, frames,
                    mPending.getParameterCount() > 0 ? &mPending : nullptr);
    mPending.clear();
  }
  int Latency() const override { return static_cast<int>(mPlug.processor()->getLatencySamples()); }

  bool ReadNotches(std::vector<NotchView>& slots) override
  {
    if (mProbe == nullptr)
      return false;
    quellor::ProbedNotch raw[20];
    const int32 n = mProbe->getNotchSlots(raw, 20);
    slots.clear();
    for (int32 k = 0; k < n; ++k)
      slots.push_back({raw[k].active != 0, raw[k].manual != 0, raw[k].frequency, raw[k].targetDepth,
                       raw[k].width});
    return true;
  }
  bool ReadActiveNotchCount(int& count) override
  {
    if (mProbe == nullptr)
      return false;
    count = mProbe->getActiveNotchCount();
    return true;
  }
  bool ReadSpectrum(std::vector<float>& magnitudes, float& binWidth) override
  {
    if (mProbe == nullptr)
      return false;
    const int32 total = mProbe->getSpectrum(nullptr, 0, &binWidth);
    magnitudes.assign(static_cast<size_t>(total > 0 ? total : 0), 0.0f);
    if (total > 0)
      mProbe->getSpectrum(magnitudes.data(), total, &binWidth);
    return !magnitudes.empty();
  }

private:
  bool Valid(int i) const { return i >= 0 && i < static_cast<int>(mParams.size()); }
  IEditController* Controller() const { return mPlug.controller(); }

  qhost::Module mModule;
  IPtr<qhost::HostApplication> mHost;
  IPtr<qhost::ComponentHandler> mHandler;
  mutable qhost::PluginInstance mPlug;
  std::vector<ParameterInfo> mParams;
  qhost::ParameterChanges mPending;
  quellor::IQuellorProbe* mProbe = nullptr;
  int32 mChannelCount = 0;
  bool mStarted = false;
};

} // namespace

std::unique_ptr<OfflineProcessor> MakeModuleProcessor(const std::string& bundlePath,
                                                      std::string& error)
{
  auto engine = std::make_unique<ModuleEngine>();
  if (!engine->Open(bundlePath, error))
    return nullptr;
  return engine;
}
