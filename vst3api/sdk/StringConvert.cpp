#include "vst3api/sdk/StringConvert.h"

#include "utf8/Utf8.h"

namespace Steinberg {
namespace Vst {
namespace {

constexpr char32_t kReplacement = utf8::kReplacement;

void appendUtf16(std::u16string& out, char32_t cp)
{
  if (cp < 0x10000)
  {
    out.push_back(static_cast<char16_t>(cp));
  }
  else
  {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

void appendUtf8(std::string& out, char32_t cp)
{
  if (cp < 0x80)
  {
    out.push_back(static_cast<char>(cp));
  }
  else if (cp < 0x800)
  {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  else if (cp < 0x10000)
  {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  else
  {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

} // namespace

namespace StringConvert {

std::u16string convert(std::string_view utf8)
{
  std::u16string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size())
    appendUtf16(out, utf8::Decode(utf8, i));
  return out;
}

std::string convert(std::u16string_view utf16)
{
  std::string out;
  out.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size(); ++i)
  {
    const char16_t u = utf16[i];
    if (u >= 0xD800 && u <= 0xDBFF)
    {
      if (i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF)
      {
        const char32_t cp =
            0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
        appendUtf8(out, cp);
        ++i;
      }
      else
      {
        appendUtf8(out, kReplacement);
      }
    }
    else if (u >= 0xDC00 && u <= 0xDFFF)
    {
      appendUtf8(out, kReplacement);
    }
    else
    {
      appendUtf8(out, u);
    }
  }
  return out;
}

std::string convert(const char16* utf16, size_t maxChars)
{
  if (!utf16)
    return {};
  return convert(std::u16string_view(utf16, strnlen16(utf16, maxChars)));
}

bool convert(std::string_view utf8, char16* dest, int32 destChars)
{
  if (!dest || destChars <= 0)
    return utf8.empty();
  const std::u16string wide = convert(utf8);
  size_t n = wide.size();
  const size_t room = static_cast<size_t>(destChars - 1);
  const bool fits = n <= room;
  if (!fits)
  {
    n = room;
    // Do not leave the high half of a surrogate pair at the end.
    if (n > 0 && wide[n - 1] >= 0xD800 && wide[n - 1] <= 0xDBFF)
      --n;
  }
  for (size_t k = 0; k < n; ++k)
    dest[k] = wide[k];
  dest[n] = 0;
  return fits;
}

} // namespace StringConvert

size_t strlen16(const char16* s)
{
  if (!s)
    return 0;
  size_t n = 0;
  while (s[n])
    ++n;
  return n;
}

size_t strnlen16(const char16* s, size_t maxChars)
{
  if (!s)
    return 0;
  size_t n = 0;
  while (n < maxChars && s[n])
    ++n;
  return n;
}

void strncpy16(char16* dest, const char16* src, int32 destChars)
{
  if (!dest || destChars <= 0)
    return;
  int32 n = 0;
  if (src)
    for (; n < destChars - 1 && src[n]; ++n)
      dest[n] = src[n];
  dest[n] = 0;
}

void widenAscii(char16* dest, const char8* src, int32 destChars)
{
  if (!dest || destChars <= 0)
    return;
  int32 n = 0;
  if (src)
    for (; n < destChars - 1 && src[n]; ++n)
      dest[n] = static_cast<char16>(static_cast<uint8>(src[n]));
  dest[n] = 0;
}

} // namespace Vst
} // namespace Steinberg
