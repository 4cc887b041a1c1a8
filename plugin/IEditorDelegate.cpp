#include "plugin/IEditorDelegate.h"

#include <algorithm>
#include <cmath>

namespace plugfw {

const char* ParamSourceStr(EParamSource source)
{
  switch (source)
  {
  case kReset:
    return "Reset";
  case kHost:
    return "Host";
  case kPresetRecall:
    return "Preset";
  case kUI:
    return "UI";
  case kDelegate:
    return "Editor Delegate";
  case kRecompile:
    return "Recompile";
  default:
    return "Unknown";
  }
}

IEditorDelegate::IEditorDelegate(int nParams)
{
  nParams = std::max(0, nParams);
  mParams.reserve(static_cast<size_t>(nParams));
  for (int i = 0; i < nParams; ++i)
    mParams.push_back(std::make_unique<IParam>());
}

IEditorDelegate::~IEditorDelegate() = default;

void IEditorDelegate::SetSizeConstraints(int widthLo, int widthHi, int heightLo, int heightHi)
{
  mMinWidth = std::min(widthLo, widthHi);
  mMaxWidth = std::max(widthLo, widthHi);
  mMinHeight = std::min(heightLo, heightHi);
  mMaxHeight = std::max(heightLo, heightHi);
}

// The graphics-context operations are completed by ICanvasEditorDelegate, which owns the context.
void* IEditorDelegate::OpenEditor(void*)
{
  return nullptr;
}
void IEditorDelegate::CloseEditor() {}

void IEditorDelegate::OnParentWindowResize(int width, int height)
{
  if (!mContext)
    return;
  const float scale = mContext->GetDrawScale();
  if (!(scale > 0.0f) || !std::isfinite(scale))
    return;
  mContext->Resize(static_cast<int>(static_cast<float>(width) / scale),
                   static_cast<int>(static_cast<float>(height) / scale), scale);
}

void IEditorDelegate::OnEditorOpen()
{
  for (int i = 0; i < NParams(); ++i)
    PushValueToControls(i, mParams[i]->GetNormalValue(), true);
}

void IEditorDelegate::OnEditorClose() {}

void IEditorDelegate::OnParamChange(int) {}

void IEditorDelegate::OnParamChange(int paramIdx, EParamSource, int)
{
  OnParamChange(paramIdx);
}

void IEditorDelegate::OnParamChangeForEditor(int, EParamSource) {}

void IEditorDelegate::OnAllParamsChanged(EParamSource source)
{
  for (int i = 0; i < NParams(); ++i)
  {
    OnParamChange(i, source, -1);
    OnParamChangeForEditor(i, source);
  }
}

void IEditorDelegate::OnMidiMsgForEditor(const IMidiMsg&) {}
void IEditorDelegate::OnSysexMsgForEditor(const ISysEx&) {}
bool IEditorDelegate::OnMessage(int, int, int, const void*)
{
  return false;
}
void IEditorDelegate::OnStateRestored()
{
  OnEditorOpen();
}

bool IEditorDelegate::OnKeyDown(const IKeyPress& key)
{
  if (!mContext)
    return false;
  float x = 0.f, y = 0.f;
  mContext->GetMouseLocation(x, y);
  return mContext->OnKeyDown(x, y, key);
}

bool IEditorDelegate::OnKeyUp(const IKeyPress& key)
{
  if (!mContext)
    return false;
  float x = 0.f, y = 0.f;
  mContext->GetMouseLocation(x, y);
  return mContext->OnKeyUp(x, y, key);
}

void IEditorDelegate::SendControlValueFromDelegate(int ctrlTag, double normalizedValue)
{
  if (mContext)
    mContext->SetControlValueFromDelegate(ctrlTag, normalizedValue);
}

void IEditorDelegate::SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize,
                                                 const void* pData)
{
  if (mContext)
    mContext->SendControlMsgFromDelegate(ctrlTag, msgTag, dataSize, pData);
}

void IEditorDelegate::SendArbitraryMsgFromDelegate(int msgTag, int dataSize, const void* pData)
{
  OnMessage(msgTag, -1, dataSize, pData);
}

void IEditorDelegate::SendMidiMsgFromDelegate(const IMidiMsg& msg)
{
  if (mContext)
    mContext->ForwardMidiMsg(msg);
  OnMidiMsgForEditor(msg);
}

void IEditorDelegate::SendSysexMsgFromDelegate(const ISysEx& msg)
{
  OnSysexMsgForEditor(msg);
}

void IEditorDelegate::PushValueToControls(int paramIdx, double value, bool normalized)
{
  IParam* param = GetParam(paramIdx);
  if (!param)
    return;
  if (!normalized)
    value = param->PlainToNormal(value);
  if (mContext)
    mContext->SetParamValueFromDelegate(paramIdx, value);
  OnParamChangeForEditor(paramIdx, kDelegate);
}

// The host-facing operations live in IPluginAPIBase; at this level there is no host.
void IEditorDelegate::SendParameterValuesToHost() {}
void IEditorDelegate::BeginParameterChangeFromUI(int) {}

void IEditorDelegate::SetParameterValueFromUI(int paramIdx, double normalizedValue)
{
  IParam* param = GetParam(paramIdx);
  if (!param)
    return;
  param->SetNormalValue(normalizedValue);
  OnParamChange(paramIdx, kUI, -1);
  param->SetNormalValue(normalizedValue);
  OnParamChangeForEditor(paramIdx, kUI);
}

void IEditorDelegate::EndParameterChangeFromUI(int) {}
bool IEditorDelegate::EditorResizeFromUI(int, int, bool)
{
  return true;
}
void IEditorDelegate::SendMidiMsgFromUI(const IMidiMsg& msg)
{
  DeferMidiMsg(msg);
}
void IEditorDelegate::SendSysexMsgFromUI(const ISysEx& msg)
{
  DeferSysexMsg(msg);
}

void IEditorDelegate::SendArbitraryMsgFromUI(int msgTag, int ctrlTag, int dataSize,
                                             const void* pData)
{
  OnMessage(msgTag, ctrlTag, dataSize, pData);
}

void IEditorDelegate::DeferMidiMsg(const IMidiMsg&) {}
void IEditorDelegate::DeferSysexMsg(const ISysEx&) {}

bool IEditorDelegate::ConstrainEditorResize(int& width, int& height) const
{
  if (width >= mMinWidth && width <= mMaxWidth && height >= mMinHeight && height <= mMaxHeight)
    return true;
  width = std::clamp(width, mMinWidth, mMaxWidth);
  height = std::clamp(height, mMinHeight, mMaxHeight);
  return false;
}

bool IEditorDelegate::SerializeEditorSize(IByteChunk&) const
{
  return false;
}
int IEditorDelegate::UnserializeEditorSize(const IByteChunk&, int startPos)
{
  return startPos;
}

void IEditorDelegate::SetScreenScale(float scale)
{
  if (mContext && scale > 0.0f && std::isfinite(scale))
    mContext->SetScreenScale(scale);
}

} // namespace plugfw
