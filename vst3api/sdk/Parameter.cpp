#include "vst3api/sdk/Parameter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "vst3api/sdk/StringConvert.h"

namespace Steinberg {
namespace Vst {
namespace {

void zeroInfo(ParameterInfo& info)
{
  std::memset(static_cast<void*>(&info), 0, sizeof(info));
}

ParamValue clampNormalized(ParamValue v)
{
  return v < 0. ? 0. : (v > 1. ? 1. : v);
}

// Locale-independent: hosts may change the process locale, the text must not follow it.
void formatFixed(double value, int32 precision, String128 out)
{
  char text[128];
  auto result =
      std::to_chars(text, text + sizeof(text) - 1, value, std::chars_format::fixed, precision);
  if (result.ec != std::errc())
  {
    out[0] = 0;
    return;
  }
  *result.ptr = 0;
  widenAscii(out, text, 128);
}

} // namespace

Parameter::Parameter()
{
  zeroInfo(info);
}

Parameter::Parameter(const ParameterInfo& paramInfo) : info(paramInfo)
{
  valueNormalized.store(
      clampNormalized(std::isnan(info.defaultNormalizedValue) ? 0. : info.defaultNormalizedValue));
}

Parameter::Parameter(const TChar* title, ParamID tag, const TChar* units,
                     ParamValue defaultValueNormalized, int32 stepCount, int32 flags, UnitID unitID,
                     const TChar* shortTitle)
{
  zeroInfo(info);
  strncpy16(info.title, title, 128);
  strncpy16(info.shortTitle, shortTitle, 128);
  strncpy16(info.units, units, 128);
  info.id = tag;
  info.stepCount = stepCount;
  info.defaultNormalizedValue =
      std::isnan(defaultValueNormalized) ? 0. : clampNormalized(defaultValueNormalized);
  info.unitId = unitID;
  info.flags = flags;
  valueNormalized.store(info.defaultNormalizedValue);
}

bool Parameter::setNormalized(ParamValue v)
{
  if (std::isnan(v))
    return false;
  v = clampNormalized(v);
  if (v == valueNormalized.load(std::memory_order_relaxed))
    return false;
  valueNormalized.store(v, std::memory_order_relaxed);
  changed();
  return true;
}

void Parameter::toString(ParamValue normalized, String128 string) const
{
  if (!string)
    return;
  if (info.stepCount == 1)
  {
    widenAscii(string, normalized > 0.5 ? "On" : "Off", 128);
    return;
  }
  formatFixed(toPlain(normalized), precision, string);
}

bool Parameter::fromString(const TChar* string, ParamValue& normalized) const
{
  const std::string text = StringConvert::convert(string, 128);
  const char* p = text.c_str();
  const char* end = p + text.size();
  while (p < end && (*p == ' ' || *p == '\t'))
    ++p;
  if (p < end && *p == '+')
    ++p;
  double value = 0.;
  const auto result = std::from_chars(p, end, value);
  if (result.ec != std::errc() || !std::isfinite(value))
    return false;
  normalized = clampNormalized(toNormalized(value));
  return true;
}

StringListParameter::StringListParameter(const TChar* title, ParamID tag, const TChar* units,
                                         int32 flags, UnitID unitID, const TChar* shortTitle)
    : Parameter(title, tag, units, 0., -1, flags, unitID, shortTitle)
{}

StringListParameter::StringListParameter(const ParameterInfo& paramInfo) : Parameter(paramInfo)
{
  info.stepCount = -1;
}

void StringListParameter::appendString(const TChar* string)
{
  strings.emplace_back(string ? string : u"");
  info.stepCount++;
}

bool StringListParameter::replaceString(int32 index, const TChar* string)
{
  if (index < 0 || index >= getStringCount())
    return false;
  strings[static_cast<size_t>(index)] = string ? string : u"";
  return true;
}

void StringListParameter::clear()
{
  strings.clear();
  info.stepCount = -1;
}

void StringListParameter::toString(ParamValue normalized, String128 string) const
{
  if (!string)
    return;
  const auto index = static_cast<size_t>(toPlain(normalized));
  if (index < strings.size())
    strncpy16(string, strings[index].c_str(), 128);
  else
    string[0] = 0;
}

bool StringListParameter::fromString(const TChar* string, ParamValue& normalized) const
{
  if (!string)
    return false;
  const std::u16string_view text(string, strnlen16(string, 128));
  for (size_t i = 0; i < strings.size(); ++i)
  {
    if (strings[i] == text)
    {
      normalized = toNormalized(static_cast<ParamValue>(i));
      return true;
    }
  }
  return false;
}

ParamValue StringListParameter::toPlain(ParamValue normalized) const
{
  if (info.stepCount <= 0)
    return 0;
  if (!(normalized > 0.))
    return 0; // also NaN
  const ParamValue scaled = std::min(normalized, 1.) * (info.stepCount + 1);
  return std::min<ParamValue>(info.stepCount, std::floor(scaled));
}

ParamValue StringListParameter::toNormalized(ParamValue plain) const
{
  if (info.stepCount <= 0)
    return 0;
  return plain / info.stepCount;
}

Parameter* ParameterContainer::addParameter(Parameter* p)
{
  if (!p)
    return nullptr;
  const ParamID id = p->getInfo().id;
  auto pos = std::lower_bound(
      idToIndex.begin(), idToIndex.end(), id,
      [](const std::pair<ParamID, int32>& e, ParamID key) { return e.first < key; });
  if (pos != idToIndex.end() && pos->first == id)
  {
    p->release();
    return nullptr;
  }
  idToIndex.insert(pos, {id, static_cast<int32>(params.size())});
  params.push_back(owned(p));
  return p;
}

Parameter* ParameterContainer::addParameter(const ParameterInfo& info)
{
  return addParameter(new Parameter(info));
}

Parameter* ParameterContainer::addParameter(const TChar* title, const TChar* units, int32 stepCount,
                                            ParamValue defaultValueNormalized, int32 flags,
                                            int32 tag, UnitID unitID, const TChar* shortTitle)
{
  if (!title)
    return nullptr;
  const ParamID id = tag < 0 ? static_cast<ParamID>(params.size()) : static_cast<ParamID>(tag);
  return addParameter(new Parameter(title, id, units, defaultValueNormalized, stepCount, flags,
                                    unitID, shortTitle));
}

Parameter* ParameterContainer::getParameter(ParamID tag) const
{
  auto pos = std::lower_bound(
      idToIndex.begin(), idToIndex.end(), tag,
      [](const std::pair<ParamID, int32>& e, ParamID key) { return e.first < key; });
  if (pos == idToIndex.end() || pos->first != tag)
    return nullptr;
  return params[static_cast<size_t>(pos->second)].get();
}

Parameter* ParameterContainer::getParameterByIndex(int32 index) const
{
  if (index < 0 || index >= getParameterCount())
    return nullptr;
  return params[static_cast<size_t>(index)].get();
}

void ParameterContainer::removeAll()
{
  params.clear();
  idToIndex.clear();
}

} // namespace Vst
} // namespace Steinberg
