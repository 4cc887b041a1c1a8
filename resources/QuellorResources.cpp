#include "resources/QuellorResources.h"

#include <cstddef>

#include "ResourceTable.inc"

bool FindQuellorResource(std::string_view name, const uint8_t*& data, size_t& size)
{
  for (const Entry& e : kEntries)
  {
    if (name == e.name)
    {
      data = e.data;
      size = *e.size;
      return true;
    }
  }
  return false;
}
