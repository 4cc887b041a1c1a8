#include "plugin/IParam.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <limits>

namespace plugfw {

namespace {

void CopyText(char (&dst)[IParam::kTextSize], const char* src)
{
  std::memset(dst, 0, sizeof(dst));
  if (src)
    std::strncpy(dst, src, IParam::kTextSize - 1);
}

} // namespace

void Shape::Init(const IParam&) {}
int Shape::GetDisplayShape() const
{
  return 0;
}

void ShapeLinear::Init(const IParam&) {}

double ShapeLinear::FromNormalized(double normalized, const IParam& param) const
{
  return param.GetMin() + normalized * (param.GetMax() - param.GetMin());
}

double ShapeLinear::ToNormalized(double plain, const IParam& param) const
{
  const double range = param.GetMax() - param.GetMin();
  if (!(range > 0.0))
    return 0.0; // a degenerate range has a single plain value
  return (plain - param.GetMin()) / range;
}

IParam::IParam() : mShape(std::make_unique<ShapeLinear>()) {}

void IParam::DeclareDouble(const char* name, double defaultVal, double minVal, double maxVal,
                           double step, const char* label, int flags, const char* group,
                           const Shape& shape, DisplayFunc displayFunc)
{
  if (mType == kTypeNone)
    mType = kTypeDouble;

  CopyText(mName, name);
  CopyText(mLabel, label);
  CopyText(mGroup, group);

  mMin = minVal;
  mMax = std::max(maxVal, minVal + step);
  mStep = step;
  mDefault = defaultVal;
  mUnit = kUnitCustom;
  mFlags = flags;
  mDisplayFunc = std::move(displayFunc);

  mValue.store(ClampValue(defaultVal), std::memory_order_release);

  mDisplayPrecision = 0;
  double s = step;
  for (int i = 0; i < 6; ++i)
  {
    if (!std::isfinite(s) || s == std::floor(s))
      break;
    ++mDisplayPrecision;
    s *= 10.0;
  }

  mShape.reset(shape.Clone());
  mShape->Init(*this);
}

void IParam::DeclareEnum(const char* name, int defaultVal, int nItems, const char* label, int flags,
                         const char* group, const char* listItems, ...)
{
  if (mType == kTypeNone)
    mType = kTypeEnum;

  DeclareDouble(name, defaultVal, 0.0, static_cast<double>(nItems - 1), 1.0, label,
                flags | kFlagStepped, group, ShapeLinear(), nullptr);

  if (listItems)
  {
    SetDisplayText(0.0, listItems);
    va_list args;
    va_start(args, listItems);
    for (int i = 1; i < nItems; ++i)
      SetDisplayText(static_cast<double>(i), va_arg(args, const char*));
    va_end(args);
  }
}

void IParam::DeclareBool(const char* name)
{
  if (mType == kTypeNone)
    mType = kTypeBool;
  DeclareEnum(name, 0, 2, "", kFlagStepped, "");
  SetDisplayText(0.0, "off");
  SetDisplayText(1.0, "on");
}

void IParam::SetDisplayText(double value, const char* text)
{
  DisplayText entry{};
  entry.mValue = value;
  if (text)
    std::strncpy(entry.mText, text, kTextSize - 1);
  mDisplayTexts.push_back(entry);
}

const char* IParam::GetDisplayTextForValue(double value) const
{
  for (const DisplayText& t : mDisplayTexts)
    if (t.mValue == value)
      return t.mText;
  return nullptr;
}

double IParam::Quantize(double v) const
{
  // A zero or invalid step cannot quantise; the value is then only clamped.
  if ((mFlags & kFlagStepped) && mStep > 0.0 && std::isfinite(mStep))
    v = std::round(v / mStep) * mStep;
  v = std::max(mMin, v);
  v = std::min(mMax, v);
  return v;
}

double IParam::ClampValue(double v) const
{
  // NaN has no place in the range: it reads as the default.
  if (std::isnan(v))
    v = mDefault;
  if (std::isnan(v))
    v = mMin;
  return Quantize(v);
}

void IParam::SetValue(double v)
{
  if (std::isnan(v))
    return; // never store a non-finite value; keep the current one
  mValue.exchange(ClampValue(v), std::memory_order_acq_rel);
}

double IParam::PlainToNormal(double v) const
{
  v = ClampValue(v);
  double n = mShape->ToNormalized(v, *this);
  if (!(n >= 0.0))
    return 0.0; // also catches NaN
  if (n > 1.0)
    return 1.0;
  return n;
}

double IParam::NormalToPlain(double n) const
{
  return ClampValue(mShape->FromNormalized(n, *this));
}

void IParam::SetNormalValue(double n)
{
  if (std::isnan(n))
    return;
  SetValue(NormalToPlain(n));
}

double IParam::DefaultValue(bool normalized) const
{
  return normalized ? PlainToNormal(mDefault) : mDefault;
}

std::string FormatFixed(double value, int precision, bool forceSign)
{
  if (std::isnan(value))
    return "nan";
  if (std::isinf(value))
    return value > 0 ? (forceSign ? "+inf" : "inf") : "-inf";
  precision = std::clamp(precision, 0, 17);
  char buf[400]; // fixed notation of the largest double with 17 decimals fits
  char* p = buf;
  if (forceSign && !std::signbit(value))
    *p++ = '+';
  auto res = std::to_chars(p, buf + sizeof(buf), value, std::chars_format::fixed, precision);
  if (res.ec != std::errc())
    return "0";
  return std::string(buf, res.ptr);
}

double ParseLeadingNumber(const char* text)
{
  if (!text)
    return 0.0;
  const char* p = text;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v')
    ++p;
  bool negative = false;
  if (*p == '+' || *p == '-')
  {
    negative = (*p == '-');
    ++p;
  }
  // Longest leading run that forms a decimal number: digits [. digits] [e [sign] digits].
  const char* start = p;
  const char* q = p;
  int mantissaDigits = 0;
  while (*q >= '0' && *q <= '9')
  {
    ++q;
    ++mantissaDigits;
  }
  if (*q == '.')
  {
    const char* r = q + 1;
    int frac = 0;
    while (*r >= '0' && *r <= '9')
    {
      ++r;
      ++frac;
    }
    if (mantissaDigits + frac > 0)
    {
      q = r;
      mantissaDigits += frac;
    }
  }
  if (mantissaDigits == 0)
    return 0.0;
  bool negativeExponent = false;
  if (*q == 'e' || *q == 'E')
  {
    const char* r = q + 1;
    bool expNeg = false;
    if (*r == '+' || *r == '-')
    {
      expNeg = (*r == '-');
      ++r;
    }
    if (*r >= '0' && *r <= '9')
    {
      while (*r >= '0' && *r <= '9')
        ++r;
      q = r;
      negativeExponent = expNeg;
    }
  }
  double value = 0.0;
  auto res = std::from_chars(start, q, value, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range)
  {
    // Too large reads as infinity (clamped by the caller), too small as zero.
    bool allZero = true;
    for (const char* c = start; c < q && *c != 'e' && *c != 'E'; ++c)
      if (*c >= '1' && *c <= '9')
        allZero = false;
    value = (negativeExponent || allZero) ? 0.0 : std::numeric_limits<double>::infinity();
  }
  else if (res.ec != std::errc())
    value = 0.0;
  return negative ? -value : value;
}

void IParam::FormatDisplay(double value, bool normalized, std::string& out,
                           bool useDisplayTexts) const
{
  if (normalized)
    value = ClampValue(mShape->FromNormalized(value, *this));

  if (mDisplayFunc)
  {
    out.clear();
    mDisplayFunc(value, out);
    if (out.size() > static_cast<size_t>(kMaxDisplayLen))
      out.resize(kMaxDisplayLen);
    return;
  }

  if (useDisplayTexts)
  {
    const char* text = GetDisplayTextForValue(value);
    if (text && text[0])
    {
      out = text;
      if (out.size() > static_cast<size_t>(kMaxDisplayLen))
        out.resize(kMaxDisplayLen);
      return;
    }
  }

  if (mFlags & kFlagNegateDisplay)
    value = -value;
  if (value == 0.0)
    value = 0.0; // turns -0 into +0

  if (mDisplayPrecision == 0)
  {
    double r = std::round(value);
    long long i;
    if (std::isnan(r))
      i = 0;
    else if (r >= 2147483647.0)
      i = 2147483647LL;
    else if (r <= -2147483648.0)
      i = -2147483648LL;
    else
      i = static_cast<long long>(r);
    out = std::to_string(i);
  }
  else
  {
    const bool sign = (mFlags & kFlagSignDisplay) && value != 0.0;
    out = FormatFixed(value, mDisplayPrecision, sign);
  }
  if (out.size() > static_cast<size_t>(kMaxDisplayLen))
    out.resize(kMaxDisplayLen);
}

std::string IParam::FormatDisplay(double value, bool normalized, bool useDisplayTexts) const
{
  std::string s;
  FormatDisplay(value, normalized, s, useDisplayTexts);
  return s;
}

double IParam::ParseDisplay(const char* text) const
{
  if (!text)
    text = "";
  if (!mDisplayTexts.empty())
  {
    for (const DisplayText& t : mDisplayTexts)
      if (std::strcmp(t.mText, text) == 0)
        return t.mValue;
  }
  if (mType == kTypeBool || mType == kTypeEnum)
    return 0.0;

  double v = ParseLeadingNumber(text);
  if (mFlags & kFlagNegateDisplay)
    v = -v;
  return Quantize(v);
}

} // namespace plugfw
