#include "vst3/IPluginVST3Parameter.h"

#include "vst3/HostText.h"

#include <cmath>
#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace plugfw {

void WidenBytes(TChar* dest, const char* src, int destChars)
{
  if (!dest || destChars <= 0)
    return;
  int i = 0;
  if (src)
    for (; i < destChars - 1 && src[i]; ++i)
      dest[i] = static_cast<TChar>(static_cast<unsigned char>(src[i]));
  dest[i] = 0;
}

IPluginVST3Parameter::IPluginVST3Parameter(IParam* pParam, ParamID tag, UnitID unitID)
    : mIParam(pParam)
{
  info.id = tag;
  info.unitId = unitID;
  WidenBytes(info.title, pParam->GetName(), 128);
  info.shortTitle[0] = 0;

  // A value that has its own display text shows no unit label.
  const double truncated = std::trunc(pParam->GetValue());
  const char* text = pParam->GetDisplayTextForValue(truncated);
  if (text && text[0])
    info.units[0] = 0;
  else
    WidenBytes(info.units, pParam->GetLabel(), 128);

  if (pParam->Type() == IParam::kTypeDouble)
    info.stepCount = 0;
  else
    info.stepCount = static_cast<int32>(pParam->GetMax() - pParam->GetMin());

  info.defaultNormalizedValue = pParam->DefaultValue(true);
  info.flags = 0;
  if (pParam->GetCanAutomate())
    info.flags |= ParameterInfo::kCanAutomate;
  if (pParam->Type() == IParam::kTypeEnum)
    info.flags |= ParameterInfo::kIsList;
  setPrecision(pParam->GetDisplayPrecision());
  setNormalized(info.defaultNormalizedValue);
}

void IPluginVST3Parameter::toString(ParamValue normalized, String128 string) const
{
  std::string text;
  mIParam->FormatDisplay(normalized, true, text, true);
  WidenBytes(string, text.c_str(), 128);
}

bool IPluginVST3Parameter::fromString(const TChar* string, ParamValue& normalized) const
{
  const std::string text = NarrowToAnsi(string, 128);
  normalized = mIParam->PlainToNormal(mIParam->ParseDisplay(text.c_str()));
  return true;
}

ParamValue IPluginVST3Parameter::toPlain(ParamValue normalized) const
{
  return mIParam->ClampValue(mIParam->GetShape().FromNormalized(normalized, *mIParam));
}

ParamValue IPluginVST3Parameter::toNormalized(ParamValue plainValue) const
{
  return mIParam->PlainToNormal(plainValue);
}

IPluginVST3BypassParameter::IPluginVST3BypassParameter()
    : StringListParameter(
          u"Bypass", kBypassParamID, nullptr,
          ParameterInfo::kCanAutomate | ParameterInfo::kIsList | ParameterInfo::kIsBypass, 0)
{
  appendString(u"off");
  appendString(u"on");
}

} // namespace plugfw
