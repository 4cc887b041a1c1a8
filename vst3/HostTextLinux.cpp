#include "vst3/HostText.h"

namespace plugfw {

std::string NarrowUnitsToAnsi(const Steinberg::Vst::TChar* string, int len)
{
  std::string out;
  out.reserve(static_cast<size_t>(len));
  for (int i = 0; i < len; ++i)
    out.push_back(string[i] < 256 ? static_cast<char>(string[i]) : '?');
  return out;
}

// Without a keyboard layout to ask, letters, digits and space map as on a US layout.
int VirtualKeyOfCharacter(char c)
{
  if (c >= 'a' && c <= 'z')
    return c - 'a' + 'A';
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ')
    return c;
  return 0;
}

} // namespace plugfw
