#include "plugin/IPluginAPIBase.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace plugfw {

namespace {

std::string CutName(const char* s)
{
  std::string r = s ? s : "";
  if (r.size() > 128)
    r.resize(128);
  return r;
}

} // namespace

IPluginAPIBase::IPluginAPIBase(const Config& config) : IPluginBase(config.nParams, config.nPresets)
{
  mUniqueID = config.uniqueID;
  mMfrID = config.mfrID;
  mVersion = config.vendorVersion;
  mPluginName = CutName(config.pluginName);
  mProductName = CutName(config.productName);
  mMfrName = CutName(config.mfrName);
  mHasUI = config.plugHasUI;
  mHostResize = config.plugHostResize;
  SetEditorSize(config.plugWidth, config.plugHeight);
  SetSizeConstraints(config.plugMinWidth, config.plugMaxWidth, config.plugMinHeight,
                     config.plugMaxHeight);
  mStateChunks = config.plugDoesChunks;
  mHost = kHostUninit;
}

IPluginAPIBase::~IPluginAPIBase()
{
  StopIdleTimer();
}

void IPluginAPIBase::StartIdleTimer(Timer::ITimerFunction before)
{
  StopIdleTimer();
  mTimer.reset(Timer::Create(
      [this, before](Timer& t) {
        if (before)
          before(t);
        OnTimerTick(t);
      },
      kIdleTimerMs));
}

void IPluginAPIBase::StopIdleTimer()
{
  if (mTimer)
  {
    mTimer->Stop();
    mTimer.reset();
  }
}

void IPluginAPIBase::OnTimerTick(Timer&)
{
  IMidiMsg msg;
  while (mMidiMsgsFromProcessor.Pop(msg))
    SendMidiMsgFromDelegate(msg);
  ISysEx sysex;
  while (mSysExDataFromProcessor.Pop(sysex))
    SendSysexMsgFromDelegate(sysex);
  OnIdleTick();
}

void IPluginAPIBase::SetHost(const char* hostName, int version)
{
  if (mHost != kHostUninit)
    return;
  mHostName = CutName(hostName);
  mHost = LookUpHost(mHostName.c_str());
  mHostVersion = version;
  HostSpecificInit();
  OnHostIdentified();
}

void IPluginAPIBase::SendParameterValuesToHost()
{
  for (int i = 0; i < NParams(); ++i)
    PerformHostEdit(i, mParams[i]->GetNormalValue());
}

void IPluginAPIBase::BeginParameterChangeFromUI(int paramIdx)
{
  BeginHostEdit(paramIdx);
}

void IPluginAPIBase::SetParameterValueFromUI(int paramIdx, double normalizedValue)
{
  IParam* param = GetParam(paramIdx);
  if (!param || std::isnan(normalizedValue))
    return;
  param->SetNormalValue(normalizedValue);
  PerformHostEdit(paramIdx, normalizedValue);
  OnParamChange(paramIdx, kUI, -1);
  param->SetNormalValue(normalizedValue);
  OnParamChangeForEditor(paramIdx, kUI);
}

void IPluginAPIBase::EndParameterChangeFromUI(int paramIdx)
{
  EndHostEdit(paramIdx);
}

bool IPluginAPIBase::EditorResizeFromUI(int width, int height, bool needsPlatformResize)
{
  if (needsPlatformResize)
    return EditorResize(width, height);
  return true;
}

void IPluginAPIBase::DeferMidiMsg(const IMidiMsg& msg)
{
  mMidiMsgsFromEditor.Push(msg);
}

void IPluginAPIBase::DeferSysexMsg(const ISysEx& msg)
{
  ISysEx copy;
  copy.mOffset = msg.mOffset;
  copy.mSize = msg.mSize;
  const int n = std::clamp(msg.mSize, 0, ISysEx::kMaxSize);
  std::memcpy(copy.mData, msg.mData, static_cast<size_t>(n));
  mSysExDataFromEditor.Push(copy);
}

int IPluginAPIBase::UnserializeState(const IByteChunk& chunk, int startPos)
{
  return IPluginBase::UnserializeState(chunk, startPos);
}

bool IPluginAPIBase::CompareState(const uint8_t* pIncomingState, int startPos) const
{
  if (!pIncomingState || startPos < 0)
    return false;
  const uint8_t* p = pIncomingState + startPos;
  for (int i = 0; i < NParams(); ++i)
  {
    double stored = 0.0;
    IByteChunk::FromLittleEndian(p + 8 * i, stored);
    const float a = static_cast<float>(mParams[i]->GetValue());
    const float b = static_cast<float>(stored);
    if (!(std::fabs(a - b) < 1e-5f))
      return false;
  }
  return true;
}

bool IPluginAPIBase::DoesSurroundLayouts() const
{
  return false;
}
bool IPluginAPIBase::DoesSidechainRouting() const
{
  return false;
}
void IPluginAPIBase::OnHostIdentified() {}

void IPluginAPIBase::ListParameterIndices(int count, std::vector<int>& list) const
{
  if (count < NParams())
    for (int i = 0; i < count; ++i)
      list.push_back(i);
}

bool IPluginAPIBase::IsNegatedPair(int a, int b) const
{
  return static_cast<long long>(b) == -static_cast<long long>(a);
}

void IPluginAPIBase::OnHostHook() {}

bool IPluginAPIBase::GetMidiNoteText(int, std::string& text) const
{
  text.clear();
  return false;
}

IGraphicsContext* IPluginAPIBase::GetUI() const
{
  return mGraphics.get();
}
void IPluginAPIBase::OnIdleTick() {}

void IPluginAPIBase::GetTrackColor(int& r, int& g, int& b) const
{
  r = g = b = 0;
}
void IPluginAPIBase::GetTrackName(std::string&) const {}
int IPluginAPIBase::GetTrackIndex() const
{
  return 0;
}
void IPluginAPIBase::GetTrackNamespace(std::string&) const {}
int IPluginAPIBase::GetTrackNamespaceIndex() const
{
  return 0;
}

void IPluginAPIBase::SendParameterValueFromAPI(int paramIdx, double value, bool normalized)
{
  IParam* param = GetParam(paramIdx);
  if (!param || std::isnan(value))
    return;
  if (normalized)
    value = param->ClampValue(param->GetShape().FromNormalized(value, *param));
  mParamChangeFromProcessor.Push(ParamTuple{paramIdx, value});
}

void IPluginAPIBase::HostSpecificInit() {}
bool IPluginAPIBase::EditorResize(int, int)
{
  return false;
}
void IPluginAPIBase::BeginHostEdit(int) {}
void IPluginAPIBase::EndHostEdit(int) {}
void IPluginAPIBase::PerformHostEdit(int, double) {}
void IPluginAPIBase::OnHostHookA() {}
void IPluginAPIBase::OnHostHookB() {}

} // namespace plugfw
