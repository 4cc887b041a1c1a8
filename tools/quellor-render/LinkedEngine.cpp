#include "quellor/Quellor.h"
#include "plugin/IParam.h"
#include "tools/quellor-render/OfflineProcessor.h"

namespace {

class LinkedEngine : public OfflineProcessor
{
public:
  bool Prepare(double sampleRate, int maxBlockSize, int channels) override
  {
    if (channels < 1 || channels > 2 || !(sampleRate > 0))
      return false;
    mPlugin.PrepareWithoutHost(sampleRate, maxBlockSize, channels);
    return true;
  }

  int ParameterCount() const override { return mPlugin.NParams(); }
  std::string ParameterName(int i) const override { return Param(i) ? Param(i)->GetName() : ""; }
  bool ParameterIsSwitch(int i) const override
  {
    return Param(i) && Param(i)->Type() == plugfw::IParam::kTypeBool;
  }
  double ParameterMin(int i) const override { return Param(i) ? Param(i)->GetMin() : 0.0; }
  double ParameterMax(int i) const override { return Param(i) ? Param(i)->GetMax() : 0.0; }
  double GetParameter(int i) const override { return Param(i) ? Param(i)->GetValue() : 0.0; }
  void SetParameter(int i, double v) override
  {
    if (Param(i))
      Param(i)->SetValue(v);
  }
  std::string FormatParameter(int i) const override
  {
    const plugfw::IParam* p = Param(i);
    if (p == nullptr)
      return "";
    std::string text = p->FormatDisplay(p->GetValue(), false);
    if (p->GetLabel()[0] != '\0')
      text += std::string(" ") + p->GetLabel();
    return text;
  }

  void Process(double** inputs, double** outputs, int frames) override
  {
    mPlugin.ProcessAudioBlock(inputs, outputs, frames);
  }
  int Latency() const override { return mPlugin.GetLatency(); }

  bool ReadNotches(std::vector<NotchView>& slots) override
  {
    mPlugin.CopySnapshot(mSnapshot);
    slots.clear();
    for (const NotchSlot& s : mSnapshot.slots)
      slots.push_back({s.active, s.manual, s.frequency, s.targetDepth, s.width});
    return true;
  }
  bool ReadActiveNotchCount(int& count) override
  {
    count = mPlugin.ActiveNotchCount.load();
    return true;
  }
  bool ReadSpectrum(std::vector<float>& magnitudes, float& binWidth) override
  {
    mPlugin.CopySnapshot(mSnapshot);
    magnitudes = mSnapshot.spectrum;
    binWidth = mSnapshot.binWidth;
    return !magnitudes.empty();
  }

  Quellor* Plugin() override { return &mPlugin; }

private:
  plugfw::IParam* Param(int i) const { return mPlugin.GetParam(i); }

  Quellor mPlugin;
  SnapshotData mSnapshot;
};

} // namespace

std::unique_ptr<OfflineProcessor> MakeLinkedProcessor()
{
  return std::make_unique<LinkedEngine>();
}
