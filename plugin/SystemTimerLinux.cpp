#include "plugin/SystemTimer.h"

namespace plugfw {

uintptr_t StartSystemTimer(uint32_t)
{
  static uintptr_t nextId = 1;
  return nextId++;
}

void StopSystemTimer(uintptr_t) {}

} // namespace plugfw
