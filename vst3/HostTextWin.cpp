#include "vst3/HostText.h"

#include <windows.h>

namespace plugfw {

std::string NarrowUnitsToAnsi(const Steinberg::Vst::TChar* string, int len)
{
  std::string out;
  if (len > 0)
  {
    const int n = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(string), len,
                                      nullptr, 0, nullptr, nullptr);
    if (n > 0)
    {
      out.resize(static_cast<size_t>(n));
      WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(string), len, out.data(), n,
                          nullptr, nullptr);
    }
  }
  return out;
}

int VirtualKeyOfCharacter(char c)
{
  if (!c)
    return 0;
  const SHORT vk = VkKeyScanExA(c, GetKeyboardLayout(0));
  return vk == -1 ? 0 : vk;
}

} // namespace plugfw
