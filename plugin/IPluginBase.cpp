#include "plugin/IPluginBase.h"

#include <cmath>
#include <cstdio>

namespace plugfw {

IPluginBase::IPluginBase(int nParams, int nPresets) : ICanvasEditorDelegate(nParams)
{
  mPresets.resize(static_cast<size_t>(std::max(0, nPresets)));
}

IPluginBase::~IPluginBase() = default;

void IPluginBase::InformHostOfParameterDetailsChange() {}

bool IPluginBase::SerializeState(IByteChunk& chunk) const
{
  return SerializeParams(chunk);
}

int IPluginBase::UnserializeState(const IByteChunk& chunk, int startPos)
{
  return UnserializeParams(chunk, startPos);
}

bool IPluginBase::SerializeCtrlrState(IByteChunk&) const
{
  return true;
}
int IPluginBase::UnserializeCtrlrState(const IByteChunk&, int startPos)
{
  return startPos;
}
void IPluginBase::OnPresetsModified() {}
void IPluginBase::OnPresetRestored() {}

bool IPluginBase::SerializeParams(IByteChunk& chunk) const
{
  for (int i = 0; i < NParams(); ++i)
    if (!chunk.Put(mParams[i]->GetValue()))
      return false;
  return true;
}

int IPluginBase::UnserializeParams(const IByteChunk& chunk, int startPos)
{
  int pos = startPos;
  for (int i = 0; i < NParams(); ++i)
  {
    double v = 0.0;
    pos = chunk.Get(&v, pos);
    if (pos < 0)
      break;
    // A stored NaN keeps the current value; infinities clamp to the range.
    if (!std::isnan(v))
      mParams[i]->SetValue(mParams[i]->ClampValue(v));
  }
  OnAllParamsChanged(kPresetRecall);
  return pos;
}

bool IPluginBase::MakeDefaultPreset(const char* name)
{
  for (IPreset& p : mPresets)
  {
    if (p.mInitialized)
      continue;
    p.mInitialized = true;
    p.mName = (name ? name : "");
    if (p.mName.size() > IPreset::kMaxNameLen)
      p.mName.resize(IPreset::kMaxNameLen);
    p.mChunk.Clear();
    SerializeState(p.mChunk);
    return true;
  }
  return false;
}

bool IPluginBase::RestorePreset(int idx)
{
  if (idx < 0 || idx >= NPresets())
    return false;
  IPreset& preset = mPresets[idx];
  bool ok = false;
  if (preset.mInitialized)
  {
    ok = UnserializeState(preset.mChunk, 0) > 0;
  }
  else
  {
    int n = 1;
    for (const IPreset& p : mPresets)
      if (p.mName.find("user preset") != std::string::npos)
        ++n;
    char name[64];
    std::snprintf(name, sizeof(name), "%s %d", "user preset", n);
    preset.mInitialized = true;
    preset.mName = name;
    preset.mChunk.Clear();
    ok = SerializeState(preset.mChunk);
  }
  if (ok)
  {
    mCurrentPresetIdx = idx;
    OnPresetRestored();
    OnStateRestored();
  }
  return ok;
}

std::string IPluginBase::GetPluginVersionStr() const
{
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%d.%d.%d", (mVersion >> 16) & 0xFFFF, (mVersion >> 8) & 0xFF,
                mVersion & 0xFF);
  return buf;
}

} // namespace plugfw
