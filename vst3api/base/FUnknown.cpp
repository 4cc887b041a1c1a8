#include "vst3api/base/FUnknown.h"

#include <cstdio>

namespace Steinberg {
namespace {

uint32 byteAt(const TUID data, int i)
{
  return static_cast<uint8>(data[i]);
}

uint32 bigEndianAt(const TUID data, int i)
{
  return (byteAt(data, i) << 24) | (byteAt(data, i + 1) << 16) | (byteAt(data, i + 2) << 8) |
         byteAt(data, i + 3);
}

int hexValue(char c)
{
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

} // namespace

uint32 FUID::getLong1() const
{
#if COM_COMPATIBLE
  return (byteAt(data, 3) << 24) | (byteAt(data, 2) << 16) | (byteAt(data, 1) << 8) |
         byteAt(data, 0);
#else
  return bigEndianAt(data, 0);
#endif
}

uint32 FUID::getLong2() const
{
#if COM_COMPATIBLE
  return (byteAt(data, 5) << 24) | (byteAt(data, 4) << 16) | (byteAt(data, 7) << 8) |
         byteAt(data, 6);
#else
  return bigEndianAt(data, 4);
#endif
}

uint32 FUID::getLong3() const
{
  return bigEndianAt(data, 8);
}
uint32 FUID::getLong4() const
{
  return bigEndianAt(data, 12);
}

void FUID::toString(char8* string33) const
{
  if (!string33)
    return;
  std::snprintf(string33, 33, "%08X%08X%08X%08X", static_cast<unsigned>(getLong1()),
                static_cast<unsigned>(getLong2()), static_cast<unsigned>(getLong3()),
                static_cast<unsigned>(getLong4()));
}

void FUID::toRegistryString(char8* string39) const
{
  if (!string39)
    return;
  const uint32 l2 = getLong2();
  const uint32 l3 = getLong3();
  std::snprintf(string39, 39, "{%08X-%04X-%04X-%04X-%04X%08X}", static_cast<unsigned>(getLong1()),
                static_cast<unsigned>(l2 >> 16), static_cast<unsigned>(l2 & 0xFFFF),
                static_cast<unsigned>(l3 >> 16), static_cast<unsigned>(l3 & 0xFFFF),
                static_cast<unsigned>(getLong4()));
}

bool FUID::fromString(const char8* string)
{
  if (!string)
    return false;
  uint32 words[4] = {};
  for (int i = 0; i < 32; ++i)
  {
    const int v = hexValue(string[i]);
    if (v < 0)
      return false; // also stops at a terminator before 32 digits
    words[i / 8] = (words[i / 8] << 4) | static_cast<uint32>(v);
  }
  if (string[32] != 0)
    return false;
  *this = FUID(words[0], words[1], words[2], words[3]);
  return true;
}

} // namespace Steinberg
