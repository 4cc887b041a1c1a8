#include "vst3/HostText.h"

namespace plugfw {

std::string NarrowToAnsi(const Steinberg::Vst::TChar* string, int maxChars)
{
  if (!string)
    return {};
  int len = 0;
  while (len < maxChars && string[len])
    ++len;
  return NarrowUnitsToAnsi(string, len);
}

} // namespace plugfw
